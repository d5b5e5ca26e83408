#include "game/match/JubGameEventQueue.h"

#include "game/match/JubGameEvent.h"

#include <new>

namespace
{
u32 s_eventCounter = 0;
}

CJubGameEventQueue::CJubGameEventQueue()
{
}

CJubGameEventQueue::~CJubGameEventQueue()
{
    Clear();
}

CJubGameEvent* CJubGameEventQueue::Push(i32 type, const void* payload, i32 size, i32 send)
{
    CJubGameEvent* node = new (std::nothrow) CJubGameEvent(type, s_eventCounter, payload, size, send);
    if (node == nullptr)
        return nullptr;
    if (node->GetSize() != (payload != nullptr && size > 0 ? size : 0))
    {
        delete node;   // the payload copy failed
        return nullptr;
    }
    ++s_eventCounter;
    m_events.Add(node);
    return node;
}

void CJubGameEventQueue::Append(CJubGameEvent* node)
{
    if (node != nullptr)
        m_events.Add(node);
}

CJubGameEvent* CJubGameEventQueue::PopFront()
{
    return RemoveAt(0);
}

CJubGameEvent* CJubGameEventQueue::RemoveAt(i32 index)
{
    CJubGameEvent* node = GetAt(index);
    if (node != nullptr)
        m_events.RemoveAt(index);
    return node;
}

CJubGameEvent* CJubGameEventQueue::Peek() const
{
    return GetAt(0);
}

CJubGameEvent* CJubGameEventQueue::GetAt(i32 index) const
{
    return static_cast<CJubGameEvent*>(m_events.GetAt(index));
}

void CJubGameEventQueue::Clear()
{
    for (i32 i = 0; i < m_events.GetCount(); ++i)
        delete static_cast<CJubGameEvent*>(m_events.GetAt(i));
    m_events.RemoveAll();
}

u32 CJubGameEventQueue::GetEventCounter()
{
    return s_eventCounter;
}
