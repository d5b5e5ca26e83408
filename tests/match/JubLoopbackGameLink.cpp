#include "JubLoopbackGameLink.h"

u32 LoopbackGameLink::Side::GetTimeMs()
{
    return m_link->m_now;
}

int LoopbackGameLink::Side::SendGameData(const u8* data, i32 size)
{
    ++payloadsSent;
    m_link->Send(m_index, data, size);
    return 1;
}

LoopbackGameLink::LoopbackGameLink(const Options& options) : m_options(options), m_random(options.seed)
{
    for (int i = 0; i < 2; ++i)
    {
        Side& side = m_sides[i];
        side.m_link = this;
        side.m_index = i;
        side.listener.host = &side;
        side.exchange = new CJubGameEventExchange(&side, &side.listener);
        side.listener.exchange = side.exchange;
    }
}

LoopbackGameLink::~LoopbackGameLink()
{
    for (Side& side : m_sides)
        delete side.exchange;
}

void LoopbackGameLink::Send(int from, const u8* data, i32 size)
{
    if (Random(100) < (u32)m_options.lossPercent)
        return;
    int copies = Random(100) < (u32)m_options.duplicatePercent ? 2 : 1;
    for (int c = 0; c < copies; ++c)
    {
        u32 delay = m_options.minDelayMs;
        if (m_options.maxDelayMs > m_options.minDelayMs)
            delay += Random(m_options.maxDelayMs - m_options.minDelayMs + 1);
        if (Random(100) < (u32)m_options.longDelayPercent)
            delay += m_options.longDelayMs;
        m_inFlight.push_back({m_now + delay, m_order++, 1 - from, Bytes(data, data + size)});
    }
}

void LoopbackGameLink::Advance(u32 ms)
{
    m_now += ms;
    for (;;)
    {
        size_t best = m_inFlight.size();
        for (size_t i = 0; i < m_inFlight.size(); ++i)
        {
            const Packet& p = m_inFlight[i];
            if (p.deliverAt > m_now)
                continue;
            if (best == m_inFlight.size() || p.deliverAt < m_inFlight[best].deliverAt
                || (p.deliverAt == m_inFlight[best].deliverAt && p.order < m_inFlight[best].order))
                best = i;
        }
        if (best == m_inFlight.size())
            return;
        Packet packet = m_inFlight[best];
        m_inFlight.erase(m_inFlight.begin() + (long)best);
        CJubGameEventExchange* to = m_receivers[packet.to] ? m_receivers[packet.to]
                                                           : m_sides[packet.to].exchange;
        to->ReceivePayload(packet.bytes.data(), (i32)packet.bytes.size());
    }
}

void LoopbackGameLink::Update(int side)
{
    m_sides[side].exchange->DispatchEvents();
    m_sides[side].exchange->PumpOutgoing();
}
