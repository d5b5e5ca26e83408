// A stream of peer payloads through the receiving path, the queues, the
// dispatcher and the timed replay. Input: the first byte chooses the match
// kind and how the clocks move; then payloads, each preceded by its length
// as a little-endian u16 (a length past the end takes the rest).
#include "game/match/JubGameEvent.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventHost.h"
#include "game/match/JubGameEventListener.h"

namespace
{
class Host : public CJubGameEventHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return timeMs; }
    int SendGameData(const u8* data, i32 size) override
    {
        // The exchange only ever sends whole headers.
        if (data == nullptr || size < JUB_EVENT_HEADER_SIZE)
            __builtin_trap();
        return 1;
    }
    u32 clock = 0;
    u32 timeMs = 0;
};

// Acts like a play screen in its replay phase: a batch replaces the received
// queue, a turn change empties it, and the peer's result is answered.
class Screen : public CJubGameEventListener
{
public:
    CJubGameEventExchange* exchange = nullptr;
    Host* host = nullptr;

    void OnBatch(const CJubGameEvent& batch) override
    {
        exchange->ClearReceived();
        exchange->ParseBatch(batch);
        host->clock = 0;
    }
    void OnNextTurn(const CJubEventNextTurn&) override { exchange->ClearReceived(); }
    void OnMatchResult(const CJubEventMatchResult& e) override
    {
        if (e.sender == 1)
        {
            CJubEventMatchResult echo = e;
            echo.sender = 0;
            exchange->Post(echo, echo.SendFlag());
        }
    }
    void OnBeginTurn(const CJubEventBeginTurn& e) override
    {
        CJubEventNextTurn next;
        next.player = e.player;
        exchange->ApplyAtOnce(next);
    }
    void OnStartRound(const CJubEventStartRound&) override
    {
        exchange->ClearHistory();
        CJubEventPlayerReady ready;
        exchange->Post(ready, 1);
    }
    void OnJump(const CJubEventJump& e) override
    {
        // Keeps a timed event now and then, so that a batch gets built.
        if (e.follow)
        {
            CJubEventSetSimulation on;
            on.running = 1;
            exchange->Post(on, 1);
        }
    }
    void OnSettleCheck(const CJubEventSettleCheck&) override { exchange->PostBatch(); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1)
        return 0;
    const u8 mode = data[0];
    Host host;
    Screen screen;
    CJubGameEventExchange exchange(&host, &screen);
    screen.exchange = &exchange;
    screen.host = &host;
    exchange.SetSinglePlayer(mode & 1);
    const u32 stepMs = 1u + (mode >> 1) * 200u;   // up to about 25 s per payload

    size_t at = 1;
    int payloads = 0;
    while (at < size && payloads < 4096)
    {
        size_t length = 0;
        if (size - at >= 2)
        {
            length = (size_t)data[at] | ((size_t)data[at + 1] << 8);
            at += 2;
        }
        if (length > size - at)
            length = size - at;
        exchange.ReceivePayload(data + at, (i32)length);
        at += length;
        ++payloads;

        exchange.ApplyReceivedEvents();
        exchange.DispatchEvents();
        exchange.PumpOutgoing();
        host.clock += 33;
        host.timeMs += stepMs;
    }
    for (int step = 0; step < 8; ++step)
    {
        exchange.ApplyReceivedEvents();
        exchange.DispatchEvents();
        exchange.PumpOutgoing();
        host.clock += 33;
        host.timeMs += 10001;
    }
    return 0;
}
