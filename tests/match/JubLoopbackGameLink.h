#pragma once
// Two game-event exchanges joined in one process, as two handsets on the game
// channel. The link can lose, duplicate, delay and so reorder payloads; it
// runs on a fake millisecond clock and a seeded random generator, so a run is
// the same every time.
#include "JubEventTestKit.h"

#include <random>
#include <vector>

class LoopbackGameLink
{
public:
    struct Options
    {
        int lossPercent = 0;        // payloads dropped
        int duplicatePercent = 0;   // payloads delivered twice
        u32 minDelayMs = 0;         // each copy is delayed by a random time
        u32 maxDelayMs = 0;         //   in [min, max]; copies may overtake
        int longDelayPercent = 0;   // copies held back by longDelayMs more
        u32 longDelayMs = 0;
        u32 seed = 1;
    };

    // One handset: its game object (clock, timer, sending), its listener and
    // its exchange.
    class Side : public CJubGameEventHost
    {
    public:
        u32 GetClock() override { return clock; }
        u32 GetTimeMs() override;
        int SendGameData(const u8* data, i32 size) override;

        u32 clock = 0;                  // game clock, driven by the test
        RecordingListener listener;
        CJubGameEventExchange* exchange = nullptr;
        u32 payloadsSent = 0;

    private:
        friend class LoopbackGameLink;
        LoopbackGameLink* m_link = nullptr;
        int m_index = 0;
    };

    explicit LoopbackGameLink(const Options& options);
    ~LoopbackGameLink();
    LoopbackGameLink(const LoopbackGameLink&) = delete;
    LoopbackGameLink& operator=(const LoopbackGameLink&) = delete;

    Side& operator[](int index) { return m_sides[index]; }
    u32 Now() const { return m_now; }

    // Moves the link's clock on by ms and delivers every payload due by then,
    // earliest first (payloads sent meanwhile included).
    void Advance(u32 ms);
    // Payloads still on the way.
    size_t InFlight() const { return m_inFlight.size(); }

    // One update of a handset outside a replay: dispatch, then the sending.
    void Update(int side);

    // Payloads for side go to this exchange instead of the side's own (a play screen
    // owns its exchange); null restores the side's own.
    void SetReceiver(int side, CJubGameEventExchange* exchange) { m_receivers[side] = exchange; }
    // Puts a payload from side on the way to the other side, as the side's own sending
    // does.
    void Send(int from, const u8* data, i32 size);

private:
    struct Packet
    {
        u32 deliverAt;
        u64 order;      // sending order, to break ties
        int to;
        Bytes bytes;
    };

    u32 Random(u32 n) { return (u32)(m_random() % n); }

    Options m_options;
    std::mt19937 m_random;
    u32 m_now = 0;
    u64 m_order = 0;
    Side m_sides[2];
    CJubGameEventExchange* m_receivers[2] = {nullptr, nullptr};
    std::vector<Packet> m_inFlight;
};
