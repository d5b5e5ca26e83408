#include "game/match/JubGameEventExchange.h"

#include "game/match/JubGameEventHost.h"
#include "game/match/JubGameEventListener.h"
#include "game/match/JubGameEventRecords.h"

#include <cassert>
#include <cstring>
#include <new>

CJubGameEventExchange::CJubGameEventExchange(CJubGameEventHost* host, CJubGameEventListener* listener)
    : m_host(host), m_listener(listener), m_highestReceived(0), m_anyReceived(0), m_lastSendMs(0),
      m_bytesSent(0), m_bytesReceived(0), m_singlePlayer(0), m_takeTimed(1), m_holdIncoming(0)
{
    assert(host != nullptr);
    m_lastSendMs = m_host->GetTimeMs();
}

CJubGameEventExchange::~CJubGameEventExchange()
{
}

void CJubGameEventExchange::SetHoldIncoming(int on)
{
    m_holdIncoming = on ? 1 : 0;
    if (m_holdIncoming)
        return;
    while (CJubGameEvent* node = m_held.PopFront())
        m_local.Append(node);
}

void CJubGameEventExchange::Reset()
{
    m_held.Clear();
    m_local.Clear();
    m_outgoing.Clear();
    m_acks.Clear();
    m_received.Clear();
    m_receivedSequences.RemoveAll();
    m_highestReceived = 0;
    m_anyReceived = 0;
    m_lastSendMs = m_host->GetTimeMs();
}

u32 CJubGameEventExchange::TimeStampFor(int timed) const
{
    if (!timed)
        return JUB_EVENT_UNTIMED;
    // A time word with the top bit set would read as untimed on the peer.
    u32 clock = m_host->GetClock();
    return clock <= 0x7FFFFFFFu ? clock : 0x7FFFFFFFu;
}

// ---------------------------------------------------------------- dispatch

template <class E>
int CJubGameEventExchange::DeliverAs(const CJubGameEvent& node,
                                     void (CJubGameEventListener::*handler)(const E&))
{
    E record;
    if (record.Read(node.GetPayload(), node.GetSize()) != KE_OK)
        return 0;
    if (m_listener != nullptr)
        (m_listener->*handler)(record);
    return 1;
}

int CJubGameEventExchange::Deliver(const CJubGameEvent& node)
{
    typedef CJubGameEventListener L;
    switch (node.GetType())
    {
    case JUB_EVENT_START_ROUND:       return DeliverAs(node, &L::OnStartRound);
    case JUB_EVENT_BEGIN_TURN:        return DeliverAs(node, &L::OnBeginTurn);
    case JUB_EVENT_ROUND_OVER:        return DeliverAs(node, &L::OnRoundOver);
    case JUB_EVENT_NEXT_ROUND:        return DeliverAs(node, &L::OnNextRound);
    case JUB_EVENT_MATCH_RESULT:      return DeliverAs(node, &L::OnMatchResult);
    case JUB_EVENT_NEXT_TURN:         return DeliverAs(node, &L::OnNextTurn);
    case JUB_EVENT_MATCH_OVER:        return DeliverAs(node, &L::OnMatchOver);
    case JUB_EVENT_QUIT:              return DeliverAs(node, &L::OnQuit);
    case JUB_EVENT_SET_SIMULATION:    return DeliverAs(node, &L::OnSetSimulation);
    case JUB_EVENT_PLAYER_OUT:        return DeliverAs(node, &L::OnPlayerOut);
    case JUB_EVENT_SYNC_POSITIONS:    return DeliverAs(node, &L::OnSyncPositions);
    case JUB_EVENT_JUMP:              return DeliverAs(node, &L::OnJump);
    case JUB_EVENT_PLAYER_READY:      return DeliverAs(node, &L::OnPlayerReady);
    case JUB_EVENT_CONCEDE:           return DeliverAs(node, &L::OnConcede);
    case JUB_EVENT_DAMAGE:            return DeliverAs(node, &L::OnDamage);
    case JUB_EVENT_SETTLE_CHECK:      return DeliverAs(node, &L::OnSettleCheck);
    case JUB_EVENT_WHIP:              return DeliverAs(node, &L::OnWhip);
    case JUB_EVENT_LOAD_PROJECTILE:   return DeliverAs(node, &L::OnLoadProjectile);
    case JUB_EVENT_PLACE_PROJECTILE:  return DeliverAs(node, &L::OnPlaceProjectile);
    case JUB_EVENT_FIRE:              return DeliverAs(node, &L::OnFire);
    case JUB_EVENT_REMOVE_PROJECTILE: return DeliverAs(node, &L::OnRemoveProjectile);
    case JUB_EVENT_THROW_BLOCK:       return DeliverAs(node, &L::OnThrowBlock);
    case JUB_EVENT_DESTROY_BLOCK:     return DeliverAs(node, &L::OnDestroyBlock);
    case JUB_EVENT_BLOCK_STATE:       return DeliverAs(node, &L::OnBlockState);
    case JUB_EVENT_EXPLOSION:         return DeliverAs(node, &L::OnExplosion);
    case JUB_EVENT_RESUME_CLOCK:      return DeliverAs(node, &L::OnResumeClock);
    case JUB_EVENT_REPLAY_DONE:       return DeliverAs(node, &L::OnReplayDone);
    case JUB_EVENT_OWNED_ITEMS:       return DeliverAs(node, &L::OnOwnedItems);
    case JUB_EVENT_BATCH:
        if (node.GetSize() < JUB_EVENT_BATCH_HEADER_SIZE || node.GetPayload()[0] != JUB_EVENT_BATCH)
            return 0;
        if (m_listener != nullptr)
            m_listener->OnBatch(node);
        return 1;
    default:
        return 1;   // no handler: ignored
    }
}

void CJubGameEventExchange::DispatchEvents()
{
    // Handlers may post (appending to the local queue) or empty queues; the
    // node being applied is out of every queue meanwhile.
    while (CJubGameEvent* node = m_local.PopFront())
    {
        int applied = Deliver(*node);
        if (!applied || node->GetSend() == 0)
        {
            delete node;
            continue;
        }
        if (node->IsUntimed())
        {
            int wasEmpty = !m_outgoing.HasEvents();
            CJubGameEvent* copy = m_outgoing.Push(node->GetType(), node->GetPayload(), node->GetSize(), 0);
            if (wasEmpty && copy != nullptr)
                SendEvent(*copy);
            delete node;
        }
        else
        {
            m_history.Append(node);
        }
    }
}

// ----------------------------------------------------------------- sending

void CJubGameEventExchange::SendEvent(const CJubGameEvent& node)
{
    if (m_singlePlayer || node.GetSize() <= 0)
        return;
    m_host->SendGameData(node.GetPayload(), node.GetSize());
    m_lastSendMs = m_host->GetTimeMs();
    m_bytesSent += (u32)node.GetSize();
    if (node.GetType() == JUB_EVENT_MATCH_RESULT && m_listener != nullptr)
        m_listener->OnResultSent();
}

void CJubGameEventExchange::PumpOutgoing()
{
    if (m_singlePlayer)
    {
        m_outgoing.Clear();
        m_acks.Clear();
        return;
    }
    for (;;)
    {
        CJubGameEvent* oldest = m_outgoing.Peek();
        if (oldest == nullptr)
        {
            m_acks.Clear();
            return;
        }
        u32 wanted = oldest->GetPayloadSequence();
        i32 found = -1;
        for (i32 i = 0; i < m_acks.Count() && found < 0; ++i)
            if (m_acks.GetAt(i)->GetPayloadSequence() == wanted)
                found = i;
        if (found < 0)
            break;
        delete m_acks.RemoveAt(found);
        delete m_outgoing.PopFront();
        if (CJubGameEvent* next = m_outgoing.Peek())
            SendEvent(*next);
    }
    // Only the oldest outgoing event is on the wire, so what is left names an
    // event acknowledged before or never sent; keeping it would only let a
    // peer grow the queue without bound.
    m_acks.Clear();
    if ((u32)(m_host->GetTimeMs() - m_lastSendMs) > (u32)kResendMs)
        SendEvent(*m_outgoing.Peek());
}

// ----------------------------------------------------------------- receiving

void CJubGameEventExchange::SendAck(u32 sequence)
{
    u8 ack[JUB_EVENT_ACK_SIZE];
    JubWriteAck(ack, sequence);
    m_host->SendGameData(ack, JUB_EVENT_ACK_SIZE);
    m_bytesSent += JUB_EVENT_ACK_SIZE;
}

int CJubGameEventExchange::WasReceived(u32 sequence) const
{
    // A peer's sequence numbers only grow (one event in flight, one counter
    // per program), so anything not above the highest one is a late copy,
    // even when it is older than the remembered list.
    if (m_anyReceived && sequence <= m_highestReceived)
        return 1;
    for (i32 i = 0; i < m_receivedSequences.GetCount(); ++i)
        if (m_receivedSequences[i] == sequence)
            return 1;
    return 0;
}

void CJubGameEventExchange::RememberSequence(u32 sequence)
{
    m_receivedSequences.Add(sequence);
    if (m_receivedSequences.GetCount() > kRememberedSequences)
        m_receivedSequences.RemoveAt(0, m_receivedSequences.GetCount() - kRememberedSequences);
    if (!m_anyReceived || sequence > m_highestReceived)
        m_highestReceived = sequence;
    m_anyReceived = 1;
}

// Rules, in order:
//  - fewer than 12 bytes: dropped (there is no header to answer);
//  - an acknowledgement: queued for PumpOutgoing, not answered;
//  - a type not accepted, or a sequence number already received (or older
//    than the newest received): answered and dropped;
//  - a time word below -1: dropped without an answer;
//  - shorter than its type: answered (so that the peer moves on) and dropped;
//  - untimed: to the local queue; timed: to the received queue with its time
//    stamp; either way remembered and answered.
void CJubGameEventExchange::ReceivePayload(const u8* data, i32 size)
{
    if (data == nullptr || size <= 0)
        return;
    m_bytesReceived += (u32)size;
    if (size < JUB_EVENT_HEADER_SIZE)
        return;
    i32 type = data[0];
    u32 sequence = JubGetU32(data + 4);
    u32 time = JubGetU32(data + 8);
    if (type == JUB_EVENT_ACK)
    {
        m_acks.Push(type, data, JUB_EVENT_ACK_SIZE, 0);
        return;
    }
    if (!JubGameEventIsAccepted(type) || WasReceived(sequence))
    {
        SendAck(sequence);
        return;
    }
    if (time != JUB_EVENT_UNTIMED && (i32)time < 0)
        return;
    if (size < JubGameEventPayloadSize(type))
    {
        SendAck(sequence);
        return;
    }
    if (time != JUB_EVENT_UNTIMED && !m_takeTimed)
    {
        SendAck(sequence);
        return;
    }
    CJubGameEvent* node = nullptr;
    if (time == JUB_EVENT_UNTIMED)
    {
        node = (m_holdIncoming ? m_held : m_local).Push(type, data, size, 0);
    }
    else
    {
        node = m_received.Push(type, data, size, 0);
        if (node != nullptr)
            node->SetTime((i32)time);
    }
    if (node == nullptr)
        return;   // out of memory: unanswered, so the peer sends it again
    RememberSequence(sequence);
    SendAck(sequence);
}

// ----------------------------------------------------------- batch and replay

i32 CJubGameEventExchange::BuildBatch(const CJubGameEventQueue& history, u8* out, i32 capacity,
                                      u32 sequence, int* complete)
{
    int all = 1;
    if (out == nullptr || capacity < JUB_EVENT_BATCH_MIN_SIZE)
    {
        if (complete != nullptr)
            *complete = 0;
        return 0;
    }
    JubWriteEventHeader(out, JUB_EVENT_BATCH_HEADER_SIZE, JUB_EVENT_BATCH, sequence, JUB_EVENT_UNTIMED);
    i32 at = JUB_EVENT_BATCH_HEADER_SIZE;
    const i32 limit = capacity - 2;   // room for the closing "cc"
    for (i32 i = 0; i < history.Count(); ++i)
    {
        const CJubGameEvent* node = history.GetAt(i);
        i32 size = JubGameEventBatchRecordSize(node->GetType());
        if (size == 0 || node->GetSize() != size || node->GetPayload()[0] != (u8)node->GetType())
        {
            all = 0;   // the parser could not take it back
            continue;
        }
        if (1 + size > limit - at)
        {
            all = 0;   // keep the records in order: nothing after a gap
            break;
        }
        out[at] = (u8)node->GetType();
        std::memcpy(out + at + 1, node->GetPayload(), (size_t)size);
        at += 1 + size;
    }
    out[at] = JUB_EVENT_BATCH_END;
    out[at + 1] = JUB_EVENT_BATCH_END;
    if (complete != nullptr)
        *complete = all;
    return at + 2;
}

int CJubGameEventExchange::PostBatch()
{
    u8* buffer = new (std::nothrow) u8[JUB_EVENT_BATCH_BUFFER];
    if (buffer == nullptr)
        return KE_ERR_MEMORY;
    int complete = 0;
    i32 size = BuildBatch(m_history, buffer, JUB_EVENT_BATCH_BUFFER, NextPayloadSequence(), &complete);
    CJubGameEvent* batch = m_local.Push(JUB_EVENT_BATCH, buffer, size, 1);
    delete[] buffer;
    if (batch == nullptr)
        return KE_ERR_MEMORY;
    m_history.Clear();
    ParseBatch(*batch);
    return complete ? KE_OK : JUB_BATCH_SHORTENED;
}

int CJubGameEventExchange::ParseBatch(const CJubGameEvent& batch)
{
    return ParseBatch(batch.GetPayload(), batch.GetSize());
}

int CJubGameEventExchange::ParseBatch(const u8* payload, i32 size)
{
    if (payload == nullptr || size < JUB_EVENT_BATCH_HEADER_SIZE || payload[0] != JUB_EVENT_BATCH)
        return KE_ERR_FORMAT;
    i32 at = JUB_EVENT_BATCH_HEADER_SIZE;
    u32 previousSequence = 0;
    int first = 1;
    while (at < size && payload[at] != JUB_EVENT_BATCH_END)
    {
        i32 type = payload[at];
        i32 recordSize = JubGameEventBatchRecordSize(type);
        if (recordSize == 0)
        {
            ++at;
            continue;
        }
        const u8* record = payload + at + 1;
        if (recordSize > size - at - 1 || record[0] != (u8)type)
            return KE_ERR_FORMAT;
        u32 time = JubGetU32(record + 8);
        if ((i32)time < 0)
            return KE_ERR_FORMAT;
        // A turn's events were applied in the order they were posted, so
        // their sequence numbers only grow; a repeat is not replayed twice.
        u32 sequence = JubGetU32(record + 4);
        if (!first && sequence <= previousSequence)
            return KE_ERR_FORMAT;
        first = 0;
        previousSequence = sequence;
        CJubGameEvent* node = m_received.Push(type, record, recordSize, 0);
        if (node == nullptr)
            return KE_ERR_MEMORY;
        node->SetTime((i32)time);
        at += 1 + recordSize;
    }
    return KE_OK;
}

i32 CJubGameEventExchange::ApplyReceivedEvents()
{
    u32 clock = m_host->GetClock();
    i32 i = 0;
    while (i < m_received.Count())
    {
        CJubGameEvent* node = m_received.GetAt(i);
        if (node->GetTime() >= 0 && (u32)node->GetTime() <= clock)
        {
            m_received.RemoveAt(i);
            node->SetSend(0);
            m_local.Append(node);
        }
        else
        {
            ++i;
        }
    }
    return m_received.Count();
}
