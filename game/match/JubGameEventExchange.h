#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelTypes.h"
#include "game/match/JubGameEvent.h"
#include "game/match/JubGameEventQueue.h"

class CJubGameEventHost;

// PostBatch's result for a batch that was posted without the whole history.
const int JUB_BATCH_SHORTENED = KE_ERR_NOT_READY;
class CJubGameEventListener;

// The game-event machinery of one match screen: its queues, the dispatcher,
// the sending of events to the peer with acknowledgement and resending, the
// turn's batch and its parser, and the timed replay.
//
//   local            events to apply on the next dispatch (posted here,
//                    received untimed events, replayed events)
//   outgoing         copies of sent untimed events, oldest first, until the
//                    peer acknowledges them; only the oldest is on the wire
//   acknowledgements acknowledgements received from the peer
//   received         received timed events waiting for the game clock
//   history          applied timed events of the current turn, for the batch
//
// Host and listener are not owned and must outlive the exchange. Main thread
// only; every operation may call the host and the listener.
class CJubGameEventExchange
{
public:
    enum
    {
        kResendMs = 10000,          // an unacknowledged event goes again after this
        kRememberedSequences = 100  // received sequence numbers kept for duplicates
    };

    // listener may be null: events are then checked and dropped unapplied.
    CJubGameEventExchange(CJubGameEventHost* host, CJubGameEventListener* listener);
    ~CJubGameEventExchange();          // deletes every queued event
    CJubGameEventExchange(const CJubGameEventExchange&) = delete;
    CJubGameEventExchange& operator=(const CJubGameEventExchange&) = delete;

    // A single-player match sends nothing and discards what would be sent.
    void SetSinglePlayer(int on) { m_singlePlayer = on ? 1 : 0; }
    int IsSinglePlayer() const { return m_singlePlayer; }

    // Empties the local, outgoing, acknowledgement and received queues and
    // forgets the received sequence numbers; the resend interval is measured
    // from now. The history and the byte counters are kept.
    void Reset();

    // Timed events travel only inside a turn's batch; with this off, one that arrives
    // on its own is answered and dropped (a well-behaved peer never sends one). On by
    // default.
    void SetTakeTimedEvents(int on) { m_takeTimed = on ? 1 : 0; }
    // While on, received untimed events wait apart from the local queue (so that none
    // is applied in the middle of a simulate-ahead); turning it off appends them to the
    // local queue in the order they came.
    void SetHoldIncoming(int on);
    void ClearHistory() { m_history.Clear(); }
    void ClearReceived() { m_received.Clear(); }

    // Posting: fills the record's payload with the next sequence number and,
    // for a timed type, the game clock as its time stamp, and appends it to the
    // local queue. send 1 also delivers it to the peer once it is applied.
    // Null when out of memory.
    template <class E>
    CJubGameEvent* Post(const E& record, int send);

    // Applies one event at once, outside the queues (it takes a sequence
    // number but is never sent). KE_OK, or KE_ERR_FORMAT when the record is
    // refused, KE_ERR_MEMORY when no node can be made.
    template <class E>
    int ApplyAtOnce(const E& record);

    // Packs the history into one batch, posts it (sent, untimed), empties the
    // history and parses the batch into the own received queue, so that this
    // handset replays the turn too. KE_OK; JUB_BATCH_SHORTENED when the history
    // did not fit into JUB_EVENT_BATCH_BUFFER bytes: the batch was posted with
    // the oldest records that fit, on both handsets alike; KE_ERR_MEMORY when
    // the batch could not be made (nothing posted, history kept).
    int PostBatch();

    // Applies the local queue in order through the listener, including events
    // that the handlers post meanwhile. A sent untimed event is then copied to
    // the outgoing queue (and sent at once when nothing else waits there); a
    // sent timed event moves to the history. A refused event is dropped.
    void DispatchEvents();

    // Matches acknowledgements against the oldest outgoing event, sends the
    // next one as soon as its predecessor is acknowledged, and resends the
    // oldest when more than kResendMs have passed since the last sending.
    // Acknowledgements that match nothing are dropped.
    void PumpOutgoing();

    // Moves every received event whose time stamp is not later than the game
    // clock to the local queue, in order; returns how many still wait.
    i32 ApplyReceivedEvents();

    // Queues a batch's records into the received queue, each with its time
    // stamp. Stops at a 'c' record byte or at the end; skips one byte for a
    // type byte that no batch carries. KE_OK, or KE_ERR_FORMAT when it stopped
    // at a record that is cut short, whose payload is of another type or
    // untimed, or whose sequence number is not above the previous record's,
    // or when the payload is not a batch; records before it stay queued.
    int ParseBatch(const CJubGameEvent& batch);
    int ParseBatch(const u8* payload, i32 size);

    // One payload from the peer, as the game object received it: sorted into
    // the acknowledgement, local or received queue and acknowledged (see the
    // .cpp for the rules). The bytes are copied.
    void ReceivePayload(const u8* data, i32 size);

    // Hands an event's payload to the host for the peer (two-player only).
    void SendEvent(const CJubGameEvent& node);

    // Writes the batch of a history into out (capacity at least
    // JUB_EVENT_BATCH_MIN_SIZE): header, then per event its type byte and
    // whole payload, then "cc". Never writes past capacity: records that do
    // not fit are left out, from the first that does not fit on, and so are
    // events that no batch can carry. *complete := 1 when every event went
    // in. Returns the size written, or 0 when capacity is too small.
    static i32 BuildBatch(const CJubGameEventQueue& history, u8* out, i32 capacity,
                          u32 sequence, int* complete);

    // The payload sequence that the next posted event gets.
    static u32 NextPayloadSequence() { return CJubGameEventQueue::GetEventCounter() + 1; }

    CJubGameEventQueue& GetLocalQueue() { return m_local; }
    CJubGameEventQueue& GetOutgoingQueue() { return m_outgoing; }
    CJubGameEventQueue& GetAckQueue() { return m_acks; }
    CJubGameEventQueue& GetReceivedQueue() { return m_received; }
    CJubGameEventQueue& GetHistory() { return m_history; }

    u32 GetBytesSent() const { return m_bytesSent; }
    u32 GetBytesReceived() const { return m_bytesReceived; }

private:
    // 1 when applied or of a type without handler, 0 when refused.
    int Deliver(const CJubGameEvent& node);
    template <class E>
    int DeliverAs(const CJubGameEvent& node, void (CJubGameEventListener::*handler)(const E&));
    u32 TimeStampFor(int timed) const;
    void SendAck(u32 sequence);
    int WasReceived(u32 sequence) const;
    void RememberSequence(u32 sequence);

    CJubGameEventHost* m_host;           // not owned
    CJubGameEventListener* m_listener;   // not owned, may be null
    CJubGameEventQueue m_local;
    CJubGameEventQueue m_outgoing;
    CJubGameEventQueue m_acks;
    CJubGameEventQueue m_received;
    CJubGameEventQueue m_history;
    CJubGameEventQueue m_scratch;        // holds an event applied at once
    CKetrelArray<u32> m_receivedSequences;  // the last kRememberedSequences, oldest first
    u32 m_highestReceived;               // largest sequence accepted since Reset
    int m_anyReceived;                   // m_highestReceived is valid
    u32 m_lastSendMs;                    // host timer at the last SendEvent
    u32 m_bytesSent;
    u32 m_bytesReceived;
    int m_singlePlayer;
    int m_takeTimed;
    int m_holdIncoming;
    CJubGameEventQueue m_held;           // untimed events received while holding
};

template <class E>
CJubGameEvent* CJubGameEventExchange::Post(const E& record, int send)
{
    u8 payload[E::kSize];
    record.Write(payload, NextPayloadSequence(), TimeStampFor(E::kTimed));
    return m_local.Push(E::kType, payload, E::kSize, send ? 1 : 0);
}

template <class E>
int CJubGameEventExchange::ApplyAtOnce(const E& record)
{
    u8 payload[E::kSize];
    record.Write(payload, NextPayloadSequence(), TimeStampFor(E::kTimed));
    if (m_scratch.Push(E::kType, payload, E::kSize, 0) == nullptr)
        return KE_ERR_MEMORY;
    CJubGameEvent* node = m_scratch.PopFront();
    int delivered = Deliver(*node);
    delete node;
    return delivered ? KE_OK : KE_ERR_FORMAT;
}
