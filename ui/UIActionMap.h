#pragma once
// ui/UIActionMap.h: the table through which UI documents name behaviour. Screens
// register their handlers (usually also under "app:" + name); the UI loader registers
// one timed sequence per "action" element of a document. One map per screen, shared
// by pointer with the loader. UI thread only.
#include "engine/KetrelHashedString.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelString.h"
#include "ui/UIActionCallback.h"

class CUITimedSequence;
class CUITimedSequenceList;

typedef CKetrelMap<CKetrelHashedString, CUIActionCallback> CUIActionTable;

class CUIActionMap
{
public:
    CUIActionMap();
    ~CUIActionMap();   // empties the table; sequences are not touched

    // Not owned; RegisterSequence appends to it. 1.
    int SetSequenceList(CUITimedSequenceList* list);
    CUITimedSequenceList* GetSequenceList() const { return m_sequences; }

    // Stores callback under name (replacing an earlier one) and, with alsoPrefixed,
    // under "app:" + name too. 2, and nothing stored, when alsoPrefixed is false and
    // name begins with "app:"; else 1.
    int Register(const CKetrelString& name, const CUIActionCallback& callback, bool alsoPrefixed);
    // The callback stored under exactly that name, or {null, null}.
    CUIActionCallback Lookup(const CKetrelString& name) const;
    // A new idle sequence named name, registered (without the prefix) as the action
    // that starts it and appended to the sequence list, which owns it. Null, and
    // nothing registered, when no sequence list is set.
    CUITimedSequence* RegisterSequence(const CKetrelString& name);
    void Clear();
    i32 GetCount() const { return m_actions.GetCount(); }

private:
    CUIActionMap(const CUIActionMap&) = delete;
    CUIActionMap& operator=(const CUIActionMap&) = delete;
    void Store(const CKetrelString& name, const CUIActionCallback& callback);

    CUITimedSequenceList* m_sequences;   // not owned
    CUIActionTable m_actions;
};
