#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"

class CJubGameEvent;

// A first-in first-out list of game-event nodes. The queue owns the nodes it
// holds; a node taken out with PopFront or RemoveAt belongs to the caller.
// Every node made by Push takes the next value of one event counter shared by
// the whole program and never reset during a run. Main thread only.
class CJubGameEventQueue
{
public:
    CJubGameEventQueue();
    ~CJubGameEventQueue();                   // deletes every node
    CJubGameEventQueue(const CJubGameEventQueue&) = delete;
    CJubGameEventQueue& operator=(const CJubGameEventQueue&) = delete;

    // Appends a new node with a copy of the payload; null when out of memory
    // (the counter does not move then).
    CJubGameEvent* Push(i32 type, const void* payload, i32 size, i32 send);
    // Appends a node made elsewhere and takes it over; null is ignored.
    void Append(CJubGameEvent* node);

    CJubGameEvent* PopFront();               // oldest node or null; caller deletes
    CJubGameEvent* RemoveAt(i32 index);      // null out of range; caller deletes
    CJubGameEvent* Peek() const;             // oldest node or null; still queued
    CJubGameEvent* GetAt(i32 index) const;   // null out of range
    i32 Count() const { return m_events.GetCount(); }
    int HasEvents() const { return m_events.GetCount() > 0 ? 1 : 0; }
    void Clear();                            // deletes every node

    // The counter that the next Push gives its node. A payload's sequence
    // word is this value plus 1, read before its node is made.
    static u32 GetEventCounter();

private:
    CKetrelPtrArray m_events;   // CJubGameEvent*, owned, oldest first
};
