// One exchange against a fake game object: posting, dispatch, sending with
// acknowledgement and resend, receiving, the batch and the timed replay.
#include "JubEventTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
struct ExchangeFixture
{
    FakeEventHost host;
    RecordingListener listener;
    CJubGameEventExchange exchange;

    ExchangeFixture() : exchange(&host, &listener)
    {
        listener.host = &host;
        listener.exchange = &exchange;
    }

    void Receive(const Bytes& b) { exchange.ReceivePayload(b.data(), (i32)b.size()); }
    void ReceiveAck(u32 sequence)
    {
        u8 ack[JUB_EVENT_ACK_SIZE];
        JubWriteAck(ack, sequence);
        exchange.ReceivePayload(ack, JUB_EVENT_ACK_SIZE);
    }
    // Sequence words of the events (not acknowledgements) sent so far.
    std::vector<u32> SentEventSequences() const
    {
        std::vector<u32> out;
        for (const Bytes& b : host.sent)
            if (b[0] != JUB_EVENT_ACK)
                out.push_back(JubGetU32(b.data() + 4));
        return out;
    }
    std::vector<u32> SentAckSequences() const
    {
        std::vector<u32> out;
        for (const Bytes& b : host.SentOfType(JUB_EVENT_ACK))
            out.push_back(JubGetU32(b.data() + 4));
        return out;
    }
};

CJubEventPlayerReady Ready(u8 player)
{
    CJubEventPlayerReady e;
    e.player = player;
    return e;
}

CJubEventDamage Damage(i32 amount)
{
    CJubEventDamage e;
    e.player = 1;
    e.damage = amount;
    e.healthLeft = 100 - amount;
    return e;
}

Bytes ReadyFromPeer(u32 sequence, u32 time = JUB_EVENT_UNTIMED)
{
    return PayloadOf(Ready(1), sequence, time);
}
}  // namespace

TEST(JubGameEventPosting, SequenceAndTimeWords)
{
    ExchangeFixture f;
    f.host.clock = 495;
    u32 counter = CJubGameEventQueue::GetEventCounter();
    CJubGameEvent* untimed = f.exchange.Post(Ready(0), 1);
    CJubGameEvent* timed = f.exchange.Post(Damage(5), 1);
    ASSERT_NE(nullptr, untimed);
    ASSERT_NE(nullptr, timed);
    // A payload's sequence is its node's plus 1; each node takes the next count.
    EXPECT_EQ(counter, untimed->GetSequence());
    EXPECT_EQ(counter + 1, untimed->GetPayloadSequence());
    EXPECT_EQ(counter + 1, timed->GetSequence());
    EXPECT_EQ(counter + 2, timed->GetPayloadSequence());
    EXPECT_EQ(JUB_EVENT_UNTIMED, untimed->GetPayloadTime());
    EXPECT_EQ(495u, timed->GetPayloadTime());
    EXPECT_EQ(-1, timed->GetTime());
    EXPECT_EQ(counter + 2, CJubGameEventQueue::GetEventCounter());

    // A clock past the signed range is held at the largest timed stamp.
    f.host.clock = 0x80000005u;
    EXPECT_EQ(0x7FFFFFFFu, f.exchange.Post(Damage(1), 1)->GetPayloadTime());
}

TEST(JubGameEventDispatch, SentUntimedGoOutTimedGoToHistory)
{
    ExchangeFixture f;
    f.exchange.Post(Ready(0), 1);      // sent, untimed: on the wire at once
    f.exchange.Post(Ready(1), 1);      // sent, untimed: waits behind it
    f.exchange.Post(Damage(10), 1);    // sent, timed: kept for the batch
    f.exchange.Post(Damage(20), 0);    // local only
    f.exchange.DispatchEvents();

    EXPECT_EQ((std::vector<i32>{25, 25, 27, 27}), f.listener.Types());
    EXPECT_FALSE(f.exchange.GetLocalQueue().HasEvents());
    EXPECT_EQ(2, f.exchange.GetOutgoingQueue().Count());
    ASSERT_EQ(1u, f.host.sent.size());
    EXPECT_EQ(25, f.host.sent[0][0]);
    EXPECT_EQ(0, f.host.sent[0][12]);
    ASSERT_EQ(1, f.exchange.GetHistory().Count());
    EXPECT_EQ(10u, JubGetU32(f.exchange.GetHistory().Peek()->GetPayload() + 16));
    EXPECT_EQ((u32)CJubEventPlayerReady::kSize, f.exchange.GetBytesSent());
}

TEST(JubGameEventDispatch, RefusedEventIsNeitherAppliedNorSent)
{
    ExchangeFixture f;
    CJubEventJump jump;
    jump.launch.x = std::numeric_limits<f32>::quiet_NaN();
    CJubEventPlayerReady outOfRange;
    outOfRange.player = 2;
    f.exchange.Post(jump, 1);
    f.exchange.Post(outOfRange, 1);
    f.exchange.Post(Ready(1), 1);
    f.exchange.DispatchEvents();
    EXPECT_EQ((std::vector<i32>{JUB_EVENT_PLAYER_READY}), f.listener.Types());
    EXPECT_EQ(0, f.exchange.GetHistory().Count());
    EXPECT_EQ(1u, f.host.sent.size());
}

namespace
{
// Posts a follow-up from inside a handler, as the play screen does.
struct ChainingListener : RecordingListener
{
    CJubGameEventExchange* target = nullptr;
    void OnBeginTurn(const CJubEventBeginTurn& e) override
    {
        RecordingListener::OnBeginTurn(e);
        CJubEventNextTurn next;
        next.player = e.player;
        target->Post(next, 1);
    }
};
}  // namespace

TEST(JubGameEventDispatch, EventsPostedByHandlersRunInTheSamePass)
{
    FakeEventHost host;
    ChainingListener listener;
    CJubGameEventExchange exchange(&host, &listener);
    listener.target = &exchange;
    CJubEventBeginTurn begin;
    begin.player = 1;
    exchange.Post(begin, 0);
    exchange.Post(Ready(0), 0);
    exchange.DispatchEvents();
    EXPECT_EQ((std::vector<i32>{JUB_EVENT_BEGIN_TURN, JUB_EVENT_PLAYER_READY, JUB_EVENT_NEXT_TURN}),
              listener.Types());
}

TEST(JubGameEventDispatch, ApplyAtOnceBypassesTheQueues)
{
    ExchangeFixture f;
    f.exchange.Post(Ready(0), 1);
    u32 counter = CJubGameEventQueue::GetEventCounter();
    CJubEventNextTurn next;
    next.player = 1;
    EXPECT_EQ(KE_OK, f.exchange.ApplyAtOnce(next));
    EXPECT_EQ((std::vector<i32>{JUB_EVENT_NEXT_TURN}), f.listener.Types());
    EXPECT_EQ(counter + 1, CJubGameEventQueue::GetEventCounter()) << "takes a sequence number";
    EXPECT_EQ(1, f.exchange.GetLocalQueue().Count());
    EXPECT_TRUE(f.host.sent.empty());
    CJubEventBeginTurn bad;
    bad.player = 9;
    EXPECT_EQ(KE_ERR_FORMAT, f.exchange.ApplyAtOnce(bad));
}

// With three events waiting only the first is on the wire; each follows its
// predecessor's acknowledgement at once.
TEST(JubGameEventSending, OneEventInFlightUntilAcknowledged)
{
    ExchangeFixture f;
    CJubGameEvent* a = f.exchange.Post(Ready(0), 1);
    CJubGameEvent* b = f.exchange.Post(Ready(1), 1);
    CJubGameEvent* c = f.exchange.Post(Ready(0), 1);
    const u32 sa = a->GetPayloadSequence(), sb = b->GetPayloadSequence(), sc = c->GetPayloadSequence();
    f.exchange.DispatchEvents();
    f.exchange.PumpOutgoing();
    EXPECT_EQ((std::vector<u32>{sa}), f.SentEventSequences());

    f.ReceiveAck(sb);                  // names an event not on the wire: ignored
    f.exchange.PumpOutgoing();
    EXPECT_EQ((std::vector<u32>{sa}), f.SentEventSequences());
    EXPECT_EQ(0, f.exchange.GetAckQueue().Count()) << "unmatched acknowledgements are dropped";

    f.ReceiveAck(sa);
    f.exchange.PumpOutgoing();
    EXPECT_EQ((std::vector<u32>{sa, sb}), f.SentEventSequences());
    EXPECT_EQ(2, f.exchange.GetOutgoingQueue().Count());

    f.ReceiveAck(sa);                  // a late copy changes nothing
    f.ReceiveAck(sb);
    f.exchange.PumpOutgoing();
    EXPECT_EQ((std::vector<u32>{sa, sb, sc}), f.SentEventSequences());

    f.ReceiveAck(sc);
    f.exchange.PumpOutgoing();
    EXPECT_FALSE(f.exchange.GetOutgoingQueue().HasEvents());
    EXPECT_FALSE(f.exchange.GetAckQueue().HasEvents());
    // Both acknowledgements in one pump move two steps at once.
    CJubGameEvent* d = f.exchange.Post(Ready(1), 1);
    CJubGameEvent* e = f.exchange.Post(Ready(0), 1);
    const u32 sd = d->GetPayloadSequence(), se = e->GetPayloadSequence();
    f.exchange.DispatchEvents();
    f.ReceiveAck(sd);
    f.exchange.PumpOutgoing();
    f.ReceiveAck(se);
    f.exchange.PumpOutgoing();
    EXPECT_EQ((std::vector<u32>{sa, sb, sc, sd, se}), f.SentEventSequences());
    EXPECT_FALSE(f.exchange.GetOutgoingQueue().HasEvents());
}

TEST(JubGameEventSending, ResentOnlyAfterMoreThanTenSeconds)
{
    struct Case { u32 waitMs; size_t copies; };
    const Case cases[] = {{0, 1}, {9999, 1}, {10000, 1}, {10001, 2}, {20002, 3}};
    for (const Case& c : cases)
    {
        ExchangeFixture f;
        f.host.timeMs = 0xFFFFF000u;   // the timer may wrap meanwhile
        f.exchange.Post(Ready(0), 1);
        f.exchange.DispatchEvents();
        for (u32 t = 1; t <= c.waitMs; ++t)   // one pump per millisecond
        {
            f.host.timeMs = 0xFFFFF000u + t;
            f.exchange.PumpOutgoing();
        }
        EXPECT_EQ(c.copies, f.SentEventSequences().size()) << "after " << c.waitMs << " ms";
    }
}

TEST(JubGameEventSending, SinglePlayerSendsNothing)
{
    ExchangeFixture f;
    f.exchange.SetSinglePlayer(1);
    f.exchange.Post(Ready(0), 1);
    f.exchange.Post(Ready(1), 1);
    f.exchange.DispatchEvents();
    EXPECT_EQ(2u, f.listener.applied.size());
    f.ReceiveAck(12345);
    f.exchange.PumpOutgoing();
    f.host.timeMs += 60000;
    f.exchange.PumpOutgoing();
    EXPECT_TRUE(f.host.sent.empty());
    EXPECT_FALSE(f.exchange.GetOutgoingQueue().HasEvents());
    EXPECT_FALSE(f.exchange.GetAckQueue().HasEvents());
}

TEST(JubGameEventSending, SendingAMatchResultTellsTheListener)
{
    ExchangeFixture f;
    CJubEventMatchResult result;
    result.resultCode = CJubEventMatchResult::kByRounds;
    f.exchange.Post(result, result.SendFlag());
    result.resultCode = CJubEventMatchResult::kPlayerLeft;
    f.exchange.Post(result, result.SendFlag());
    f.exchange.DispatchEvents();
    EXPECT_EQ(2u, f.listener.applied.size());
    EXPECT_EQ(1, f.listener.resultsSent);
    EXPECT_EQ(1, f.exchange.GetOutgoingQueue().Count());
}

// What becomes of one payload from the peer.
TEST(JubGameEventReceiving, SortedAnsweredOrDropped)
{
    struct Case
    {
        const char* name;
        Bytes payload;
        int acks;          // acknowledgements sent
        int local;         // added to the local queue
        int received;      // added to the received queue
        int ackQueue;      // added to the acknowledgement queue
        i32 nodeTime;      // time of the queued node
    };
    Bytes shortJump = PayloadOf(CJubEventJump(), 900, 0);
    shortJump.resize(27);
    Bytes shortHeader = ReadyFromPeer(901);
    shortHeader.resize(11);
    Bytes tinyBatch = BytesOf("2b000000 86030000 ffffffff 00000000 63");
    const Case cases[] = {
        {"untimed", ReadyFromPeer(902), 1, 1, 0, 0, -1},
        {"timed", PayloadOf(Damage(3), 903, 660), 1, 0, 1, 0, 660},
        {"time 0", PayloadOf(Damage(3), 904, 0), 1, 0, 1, 0, 0},
        {"acknowledgement", BytesOf("01000000 85030000 ffffffff"), 0, 0, 0, 1, -1},
        {"unknown type", BytesOf("02000000 87030000 ffffffff"), 1, 0, 0, 0, -1},
        {"type 99", BytesOf("63000000 88030000 ffffffff 00000000"), 1, 0, 0, 0, -1},
        {"time word -2", ReadyFromPeer(905, 0xFFFFFFFEu), 0, 0, 0, 0, -1},
        {"time word top bit", ReadyFromPeer(906, 0x80000000u), 0, 0, 0, 0, -1},
        {"short for its type", shortJump, 1, 0, 0, 0, -1},
        {"short batch", tinyBatch, 1, 0, 0, 0, -1},
        {"shorter than a header", shortHeader, 0, 0, 0, 0, -1},
        {"empty", Bytes(), 0, 0, 0, 0, -1},
    };
    for (const Case& c : cases)
    {
        ExchangeFixture f;
        f.Receive(c.payload);
        EXPECT_EQ((size_t)c.acks, f.host.sent.size()) << c.name;
        EXPECT_EQ(c.local, f.exchange.GetLocalQueue().Count()) << c.name;
        EXPECT_EQ(c.received, f.exchange.GetReceivedQueue().Count()) << c.name;
        EXPECT_EQ(c.ackQueue, f.exchange.GetAckQueue().Count()) << c.name;
        EXPECT_EQ((u32)c.payload.size(), f.exchange.GetBytesReceived()) << c.name;
        if (c.acks == 1)
        {
            EXPECT_EQ(12u, f.host.sent[0].size()) << c.name;
            EXPECT_EQ(HexOf(c.payload.data() + 4, 4), HexOf(f.host.sent[0].data() + 4, 4)) << c.name;
            EXPECT_EQ((u32)JUB_EVENT_ACK_SIZE, f.exchange.GetBytesSent()) << c.name;
        }
        CJubGameEvent* node = c.local ? f.exchange.GetLocalQueue().Peek() : f.exchange.GetReceivedQueue().Peek();
        if (node != nullptr)
        {
            EXPECT_EQ(c.nodeTime, node->GetTime()) << c.name;
            EXPECT_EQ(0, node->GetSend()) << c.name;
        }
    }
}

TEST(JubGameEventReceiving, DuplicatesAndLateCopiesAreAnsweredNotApplied)
{
    ExchangeFixture f;
    f.Receive(ReadyFromPeer(50));
    f.Receive(ReadyFromPeer(50));           // a resend whose answer was lost
    f.exchange.DispatchEvents();
    EXPECT_EQ(1u, f.listener.applied.size());
    EXPECT_EQ((std::vector<u32>{50, 50}), f.SentAckSequences());

    // A copy older than the newest received is late, even once more than
    // the remembered hundred numbers came after it.
    for (u32 s = 60; s < 60 + 150; ++s)
        f.Receive(ReadyFromPeer(s));
    f.Receive(ReadyFromPeer(50));
    f.Receive(ReadyFromPeer(55));
    f.exchange.DispatchEvents();
    EXPECT_EQ(151u, f.listener.applied.size());
    EXPECT_EQ(154u, f.SentAckSequences().size());

    // A new match forgets them.
    f.exchange.Reset();
    f.Receive(ReadyFromPeer(50));
    f.exchange.DispatchEvents();
    EXPECT_EQ(152u, f.listener.applied.size());
}

TEST(JubGameEventReplay, DueEventsAreReleasedInOrder)
{
    ExchangeFixture f;
    const u32 stamps[] = {0, 33, 66, 66, 99, 33};
    u32 sequence = 500;
    for (u32 stamp : stamps)
        f.Receive(PayloadOf(Damage((i32)stamp), sequence++, stamp));
    struct Step { u32 clock; i32 waiting; std::vector<u32> appliedStamps; };
    const Step steps[] = {
        {0, 5, {0}},
        {32, 5, {}},
        {33, 3, {33, 33}},            // an equal stamp applies in that step
        {66, 1, {66, 66}},
        {98, 1, {}},
        {1000, 0, {99}},
    };
    for (const Step& s : steps)
    {
        f.listener.applied.clear();
        f.host.clock = s.clock;
        EXPECT_EQ(s.waiting, f.exchange.ApplyReceivedEvents()) << "clock " << s.clock;
        f.exchange.DispatchEvents();
        std::vector<u32> got;
        for (const AppliedEvent& a : f.listener.applied)
            got.push_back(JubGetU32(a.payload.data() + 16));
        EXPECT_EQ(s.appliedStamps, got) << "clock " << s.clock;
    }
    EXPECT_EQ(0, f.exchange.GetHistory().Count()) << "replayed events are not kept again";
    EXPECT_TRUE(f.host.SentOfType(JUB_EVENT_DAMAGE).empty());
}

TEST(JubGameEventExchangeReceive, HeldAndLoneTimedEvents)
{
    // take timed, hold: where a received untimed and a received timed event end up.
    struct Row
    {
        int takeTimed, hold;
        i32 local, received, held;   // counts before the hold is lifted
    } rows[] = {{1, 0, 1, 1, 0}, {0, 0, 1, 0, 0}, {1, 1, 0, 1, 1}, {0, 1, 0, 0, 1}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "take " << row.takeTimed << " hold " << row.hold);
        ExchangeFixture f;
        f.exchange.SetTakeTimedEvents(row.takeTimed);
        f.exchange.SetHoldIncoming(row.hold);
        f.Receive(PayloadOf(Ready(1), 500, JUB_EVENT_UNTIMED));
        f.Receive(PayloadOf(Damage(3), 501, 66));
        EXPECT_EQ(row.local, f.exchange.GetLocalQueue().Count());
        EXPECT_EQ(row.received, f.exchange.GetReceivedQueue().Count());
        // Both are answered either way, so the peer moves on.
        EXPECT_EQ((std::vector<u32>{500, 501}), f.SentAckSequences());
        f.exchange.SetHoldIncoming(0);
        EXPECT_EQ(1, f.exchange.GetLocalQueue().Count());
        f.exchange.DispatchEvents();
        EXPECT_EQ((std::vector<i32>{JUB_EVENT_PLAYER_READY}), f.listener.Types());
    }
}
