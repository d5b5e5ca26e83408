// Two handsets on a loopback game link that loses, duplicates, delays and
// reorders payloads: untimed events arrive exactly once and in order, and a
// turn's batch replays every timed event in the step in which it was made.
#include "JubLoopbackGameLink.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"

#include <gtest/gtest.h>

namespace
{
const u32 kStepMs = 33;

struct LinkCase
{
    const char* name;
    LoopbackGameLink::Options options;
};

LoopbackGameLink::Options Link(int loss, int duplicate, u32 minDelay, u32 maxDelay, int longPercent,
                               u32 longMs, u32 seed)
{
    LoopbackGameLink::Options o;
    o.lossPercent = loss;
    o.duplicatePercent = duplicate;
    o.minDelayMs = minDelay;
    o.maxDelayMs = maxDelay;
    o.longDelayPercent = longPercent;
    o.longDelayMs = longMs;
    o.seed = seed;
    return o;
}

const LinkCase kLinks[] = {
    {"clean", Link(0, 0, 0, 0, 0, 0, 1)},
    {"30% loss", Link(30, 0, 10, 120, 0, 0, 2)},
    {"30% loss and 30% duplicates", Link(30, 30, 10, 120, 0, 0, 3)},
    {"duplicates, reordering delays", Link(0, 50, 0, 900, 0, 0, 4)},
    {"copies held past the resend", Link(20, 30, 5, 200, 15, 25000, 5)},
    {"heavy loss", Link(60, 20, 0, 60, 0, 0, 6)},
};

// Runs both handsets, a frame of 33 ms at a time, until neither has anything
// left to send and nothing is on the way (or the time limit is reached).
void RunUntilQuiet(LoopbackGameLink& link, u32 limitMs)
{
    while (link.Now() < limitMs)
    {
        link.Update(0);
        link.Update(1);
        link.Advance(kStepMs);
        if (!link[0].exchange->GetOutgoingQueue().HasEvents() && !link[1].exchange->GetOutgoingQueue().HasEvents()
            && link.InFlight() == 0 && !link[0].exchange->GetLocalQueue().HasEvents()
            && !link[1].exchange->GetLocalQueue().HasEvents())
            return;
    }
}

std::vector<u32> Numbers(const RecordingListener& listener, i32 type, int offset)
{
    std::vector<u32> out;
    for (const AppliedEvent& a : listener.applied)
        if (a.type == type)
            out.push_back(JubGetU32(a.payload.data() + offset));
    return out;
}
}  // namespace

TEST(JubGameEventLoopback, UntimedEventsArriveExactlyOnceInOrder)
{
    const u32 count = 40;
    std::vector<u32> expected;
    for (u32 i = 0; i < count; ++i)
        expected.push_back(i);

    for (const LinkCase& c : kLinks)
    {
        LoopbackGameLink link(c.options);
        // Both handsets post while the other is posting too, one event every
        // few frames, as a match does.
        for (u32 i = 0; i < count; ++i)
        {
            CJubEventStartRound start;
            start.scene = i;
            link[0].exchange->Post(start, 1);
            CJubEventOwnedItems items;
            items.player = 1;
            items.itemId[0] = i;
            link[1].exchange->Post(items, 1);
            for (int frame = 0; frame < 3; ++frame)
            {
                link.Update(0);
                link.Update(1);
                link.Advance(kStepMs);
            }
        }
        RunUntilQuiet(link, 4 * 3600 * 1000);

        // Each handset applies its own events once and the peer's once.
        EXPECT_EQ(expected, Numbers(link[1].listener, JUB_EVENT_START_ROUND, 16)) << c.name;
        EXPECT_EQ(expected, Numbers(link[0].listener, JUB_EVENT_START_ROUND, 16)) << c.name;
        EXPECT_EQ(expected, Numbers(link[0].listener, JUB_EVENT_OWNED_ITEMS, 16)) << c.name;
        EXPECT_EQ(expected, Numbers(link[1].listener, JUB_EVENT_OWNED_ITEMS, 16)) << c.name;
        EXPECT_FALSE(link[0].exchange->GetOutgoingQueue().HasEvents()) << c.name;
        EXPECT_FALSE(link[1].exchange->GetOutgoingQueue().HasEvents()) << c.name;
    }
}

// A copy held back until far more than a hundred newer events have arrived
// is still recognised as one already applied.
TEST(JubGameEventLoopback, VeryLateCopiesAreNotAppliedAgain)
{
    const u32 count = 300;
    LoopbackGameLink link(Link(0, 20, 0, 0, 5, 60000, 7));
    for (u32 i = 0; i < count; ++i)
    {
        CJubEventStartRound start;
        start.scene = i;
        link[0].exchange->Post(start, 1);
    }
    RunUntilQuiet(link, 3600 * 1000);
    std::vector<u32> expected;
    for (u32 i = 0; i < count; ++i)
        expected.push_back(i);
    EXPECT_EQ(expected, Numbers(link[1].listener, JUB_EVENT_START_ROUND, 16));
}

namespace
{
// The timed events of one scripted turn, by simulation step.
void PostStep(CJubGameEventExchange& ex, int step)
{
    CJubEventSyncPositions sync;
    sync.position[0] = CKetrelVector2(-1.25f, 0.5f);
    sync.position[1] = CKetrelVector2(1.5f, 0.375f);
    CJubEventSetSimulation on;
    on.running = 1;
    switch (step)
    {
    case 0:
    {
        ex.Post(sync, 1);
        CJubEventLoadProjectile load;
        load.player = 0;
        load.kind = 2;
        load.slot = 3;
        ex.Post(load, 1);
        CJubEventFire fire;
        fire.slot = 3;
        fire.launch = CKetrelVector2(-0.5f, 2.25f);
        ex.Post(fire, 1);
        ex.Post(on, 1);
        break;
    }
    case 17:
    {
        CJubEventPlaceProjectile place;
        place.slot = 3;
        place.position = CKetrelVector2(0.75f, 0.125f);
        ex.Post(place, 1);
        CJubEventExplosion boom;
        boom.colour = 0xFF00FF00;
        boom.kind = 2;
        boom.position = place.position;
        boom.size = 0.3f;
        ex.Post(boom, 1);
        CJubEventDamage damage;
        damage.player = 1;
        damage.damage = 18;
        damage.healthLeft = 82;
        ex.Post(damage, 1);
        break;
    }
    case 18:
    {
        CJubEventThrowBlock thrown;
        thrown.blockId = 41;
        thrown.gridX = -7;
        thrown.gridY = 20;
        thrown.health = 80;
        thrown.push = CKetrelVector2(0.25f, -0.5f);
        ex.Post(thrown, 1);
        CJubEventDestroyBlock destroy;
        destroy.blockId = 42;
        ex.Post(destroy, 1);
        CJubEventExplosion local;   // made by the destroy handler, never sent
        local.size = 0.1f;
        ex.Post(local, 0);
        CJubEventBlockState state;
        state.blockId = 43;
        state.health = 255;
        state.material = 2;
        state.delay = -1.5f;
        ex.Post(state, 1);
        break;
    }
    case 45:
    {
        CJubEventJump knock;
        knock.player = 1;
        knock.launch = CKetrelVector2(0.0625f, 0.125f);
        knock.follow = 1;
        ex.Post(knock, 1);
        ex.Post(sync, 1);
        ex.Post(on, 1);
        break;
    }
    default:
        break;
    }
}

const int kTurnSteps = 60;

// The timed events a listener applied, as (type, fields, clock) in order.
std::vector<AppliedEvent> Timed(const RecordingListener& listener, int sentOnly)
{
    std::vector<AppliedEvent> out;
    for (const AppliedEvent& a : listener.applied)
        if (JubGameEventBatchRecordSize(a.type) > 0 && !(sentOnly && a.type == JUB_EVENT_EXPLOSION
                                                         && JubGetF32(a.payload.data() + 28) == 0.1f))
            out.push_back(a);
    return out;
}

bool Same(const std::vector<AppliedEvent>& a, const std::vector<AppliedEvent>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].type != b[i].type || a[i].payload != b[i].payload || a[i].clock != b[i].clock)
            return false;
    return true;
}
}  // namespace

TEST(JubGameEventLoopback, BatchReplaysEachEventInItsRecordedStep)
{
    for (const LinkCase& c : kLinks)
    {
        LoopbackGameLink link(c.options);
        link[1].listener.parseBatches = 1;   // the peer replays what arrives

        // The active handset simulates the turn ahead: in every step it posts
        // and applies that step's events, then the clock moves 33 ms.
        link[0].clock = 0;
        for (int step = 0; step < kTurnSteps; ++step)
        {
            PostStep(*link[0].exchange, step);
            link[0].exchange->DispatchEvents();
            link[0].clock += kStepMs;
        }
        const std::vector<AppliedEvent> ahead = Timed(link[0].listener, 1);
        ASSERT_EQ(13u, ahead.size()) << c.name;
        EXPECT_EQ(13, link[0].exchange->GetHistory().Count()) << c.name;
        ASSERT_EQ(KE_OK, link[0].exchange->PostBatch()) << c.name;

        // The batch crosses the link like any untimed event.
        link[0].listener.applied.clear();
        link[0].clock = 0;
        link[0].exchange->DispatchEvents();
        while (link.Now() < 3600 * 1000 && link[1].exchange->GetReceivedQueue().Count() == 0)
        {
            link.Update(0);
            link.Update(1);
            link.Advance(kStepMs);
        }
        ASSERT_EQ(13, link[1].exchange->GetReceivedQueue().Count()) << c.name;
        EXPECT_EQ(1u, Numbers(link[1].listener, JUB_EVENT_BATCH, 4).size()) << c.name;

        // Both handsets replay from clock 0 in fixed steps.
        for (int side = 0; side < 2; ++side)
        {
            link[side].clock = 0;
            link[side].listener.applied.clear();
            for (int step = 0; step < kTurnSteps + 5; ++step)
            {
                link[side].exchange->ApplyReceivedEvents();
                link[side].exchange->DispatchEvents();
                link[side].clock += kStepMs;
            }
            EXPECT_EQ(0, link[side].exchange->GetReceivedQueue().Count()) << c.name << ", side " << side;
            EXPECT_TRUE(Same(ahead, Timed(link[side].listener, 1))) << c.name << ", side " << side;
            EXPECT_EQ(0, link[side].exchange->GetHistory().Count()) << c.name << ", side " << side;
        }
        // Late copies of the batch change nothing.
        RunUntilQuiet(link, 4 * 3600 * 1000);
        EXPECT_EQ(0u, Numbers(link[1].listener, JUB_EVENT_BATCH, 4).size()) << c.name;
        EXPECT_EQ(0, link[1].exchange->GetReceivedQueue().Count()) << c.name;
    }
}
