// The batch parser on arbitrary bytes: every record it accepts is queued,
// released by the game clock and dispatched through the record checks; the
// accepted records, packed again, parse back to the same records.
#include "game/match/JubGameEvent.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventHost.h"
#include "game/match/JubGameEventListener.h"

#include <cstdlib>
#include <cstring>

namespace
{
class Host : public CJubGameEventHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return 0; }
    int SendGameData(const u8*, i32) override { return 1; }
    u32 clock = 0;
};

bool SameQueues(CJubGameEventQueue& a, CJubGameEventQueue& b)
{
    if (a.Count() != b.Count())
        return false;
    for (i32 i = 0; i < a.Count(); ++i)
    {
        const CJubGameEvent* x = a.GetAt(i);
        const CJubGameEvent* y = b.GetAt(i);
        if (x->GetType() != y->GetType() || x->GetSize() != y->GetSize() || x->GetTime() != y->GetTime()
            || std::memcmp(x->GetPayload(), y->GetPayload(), (size_t)x->GetSize()) != 0)
            return false;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size > (size_t)JUB_EVENT_BATCH_BUFFER)
        return 0;
    Host host;
    CJubGameEventListener listener;
    CJubGameEventExchange exchange(&host, &listener);
    exchange.ParseBatch(data, (i32)size);

    // Pack what was accepted and parse it again.
    CJubGameEventQueue& received = exchange.GetReceivedQueue();
    CJubGameEventQueue history;
    for (i32 i = 0; i < received.Count(); ++i)
    {
        const CJubGameEvent* node = received.GetAt(i);
        history.Push(node->GetType(), node->GetPayload(), node->GetSize(), 1);
    }
    u8* packed = new u8[JUB_EVENT_BATCH_BUFFER];
    int complete = 0;
    i32 packedSize = CJubGameEventExchange::BuildBatch(history, packed, JUB_EVENT_BATCH_BUFFER, 1, &complete);
    if (complete)
    {
        CJubGameEventExchange again(&host, &listener);
        again.ParseBatch(packed, packedSize);
        if (!SameQueues(received, again.GetReceivedQueue()))
            std::abort();
    }
    delete[] packed;

    // Replay against the clock in 33 ms steps, as far as the first gap allows.
    for (int step = 0; step < 64 && received.HasEvents(); ++step)
    {
        exchange.ApplyReceivedEvents();
        exchange.DispatchEvents();
        host.clock += 33;
    }
    host.clock = 0xFFFFFFFFu;
    exchange.ApplyReceivedEvents();
    exchange.DispatchEvents();
    return 0;
}
