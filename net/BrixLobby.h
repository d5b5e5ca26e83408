#pragma once
// net/BrixLobby.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixPlayer;

// The player records of the current game room: the players of the match being prepared
// or played, in arrival order. The network session owns one and fills it from game joins
// and match results; the pages and the game read it. Main thread only.
class CBrixLobby
{
public:
    CBrixLobby();
    // Frees the array only: owners call Clear first.
    virtual ~CBrixLobby();

    // Stores both; the maximum is the list's capacity. 1.
    virtual int SetLimits(i32 minimum, i32 maximum);
    // Deletes every record and empties the list.
    virtual void Clear();

    i32 GetCount() const { return m_records.GetCount(); }
    // index within 0 .. GetCount() - 1; null outside.
    CBrixPlayer* GetAt(i32 index) const;
    // 1 when taken (and owned); 0 when the list already holds the maximum.
    int Add(CBrixPlayer* player);
    CBrixPlayer* FindByName(const CKetrelString& name) const;
    CBrixPlayer* FindById(i32 playerId) const;
    i32 GetMinPlayers() const { return m_minPlayers; }
    i32 GetMaxPlayers() const { return m_maxPlayers; }

private:
    CBrixLobby(const CBrixLobby&) = delete;
    CBrixLobby& operator=(const CBrixLobby&) = delete;

    CKetrelPtrArray m_records;   // CBrixPlayer*, owned
    i32 m_minPlayers;
    i32 m_maxPlayers;
};
