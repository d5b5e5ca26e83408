#pragma once
// net/BrixPlayer.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

struct CGamePlayerEntry;

// One player of the current game room, as the session keeps them in its lobby record.
// Filled from the game player entries of a game join or a match result; the lobby pages,
// the chat page and the game read it. The texts and numbers are carried as the server
// sends them; their meaning belongs to the pages that show them.
class CBrixPlayer
{
public:
    CBrixPlayer();
    virtual ~CBrixPlayer();

    // Copies a decoded game player entry: [0] player id, [1] name, [2] second text,
    // [4] number A, [5] third text, and number B := 1 when the entry carried [7], else 0.
    // The index is left to the caller.
    void SetFromListItem(const CGamePlayerEntry& entry);
    void Set(i32 id, const CKetrelString& name, const CKetrelString& secondText, i32 numberA,
             const CKetrelString& thirdText, i32 numberB);

    i32 GetId() const { return m_id; }
    const CKetrelString& GetName() const { return m_name; }       // shown as a chat sender
    const CKetrelString& GetSecondText() const { return m_secondText; }
    i32 GetNumberA() const { return m_numberA; }
    const CKetrelString& GetThirdText() const { return m_thirdText; }
    i32 GetNumberB() const { return m_numberB; }
    // The record's position in the last entry list it was filled from.
    i32 GetIndex() const { return m_index; }
    void SetIndex(i32 index) { m_index = index; }

private:
    i32 m_id;
    CKetrelString m_name;
    CKetrelString m_secondText;
    i32 m_numberA;
    CKetrelString m_thirdText;
    i32 m_numberB;
    i32 m_index;
};
