// ui/UIActionMap.cpp
#include "ui/UIActionMap.h"

#include "engine/KetrelResult.h"
#include "ui/UITimedSequence.h"

namespace
{
const wchar_t kAppPrefix[] = L"app:";
}

CUIActionMap::CUIActionMap() : m_sequences(nullptr) {}

CUIActionMap::~CUIActionMap() { m_actions.RemoveAll(); }

int CUIActionMap::SetSequenceList(CUITimedSequenceList* list)
{
    m_sequences = list;
    return KE_OK;
}

void CUIActionMap::Store(const CKetrelString& name, const CUIActionCallback& callback)
{
    CUIActionTable::Pair pair = {CKetrelHashedString(name), callback};
    i32 index = m_actions.Find(pair.key);
    if (index >= 0)
        m_actions.ElementAt(index)->value = callback;
    else
        m_actions.InsertSorted(pair);
}

int CUIActionMap::Register(const CKetrelString& name, const CUIActionCallback& callback,
                           bool alsoPrefixed)
{
    const CKetrelString prefix(kAppPrefix);
    if (!alsoPrefixed && name.Find(prefix) == 0)
        return KE_ERR_ARGUMENT;
    Store(name, callback);
    if (alsoPrefixed)
    {
        CKetrelString prefixed(prefix);
        prefixed.Append(name);
        Store(prefixed, callback);
    }
    return KE_OK;
}

CUIActionCallback CUIActionMap::Lookup(const CKetrelString& name) const
{
    i32 index = m_actions.Find(CKetrelHashedString(name));
    if (index < 0)
        return CUIActionCallback{nullptr, nullptr};
    return m_actions.ElementAt(index)->value;
}

CUITimedSequence* CUIActionMap::RegisterSequence(const CKetrelString& name)
{
    if (!m_sequences)
        return nullptr;
    CUITimedSequence* sequence = new CUITimedSequence();
    sequence->SetName(name);
    // A name beginning with "app:" is refused here; the sequence is still listed.
    Register(name, MakeUIActionCallback(&CUITimedSequence::StartAction, sequence), false);
    m_sequences->Add(sequence);
    return sequence;
}

void CUIActionMap::Clear() { m_actions.RemoveAll(); }
