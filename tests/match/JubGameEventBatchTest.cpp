// The turn's batch: building it from the history, its size limit, and the
// parser that takes a peer's batch apart.
#include "JubEventTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"

#include <gtest/gtest.h>

namespace
{
struct BatchFixture
{
    FakeEventHost host;
    RecordingListener listener;
    CJubGameEventExchange exchange;

    BatchFixture() : exchange(&host, &listener)
    {
        listener.host = &host;
        listener.exchange = &exchange;
    }

    // Posts and applies a sent, timed event at the given game clock.
    template <class E>
    void Record(const E& e, u32 clock)
    {
        host.clock = clock;
        exchange.Post(e, 1);
        exchange.DispatchEvents();
    }

    int Parse(const Bytes& b) { return exchange.ParseBatch(b.data(), (i32)b.size()); }

    std::vector<i32> ReceivedTypes()
    {
        std::vector<i32> out;
        for (i32 i = 0; i < exchange.GetReceivedQueue().Count(); ++i)
            out.push_back(exchange.GetReceivedQueue().GetAt(i)->GetType());
        return out;
    }
};

CJubEventSetSimulation Simulation(u32 running)
{
    CJubEventSetSimulation e;
    e.running = running;
    return e;
}

CJubEventDestroyBlock Destroy(u8 id)
{
    CJubEventDestroyBlock e;
    e.blockId = id;
    return e;
}

const char* kHeader = "2b000000 01000000 ffffffff 00000000 ";
}  // namespace

TEST(JubGameEventBatchBuild, EmptyHistoryGivesHeaderAndClosingPair)
{
    CJubGameEventQueue history;
    u8 out[64];
    int complete = 0;
    i32 size = CJubGameEventExchange::BuildBatch(history, out, sizeof out, 0x0A0B0C0D, &complete);
    EXPECT_EQ(18, size);
    EXPECT_EQ("2b000000 0d0c0b0a ffffffff 00000000 6363", HexOf(out, size));
    EXPECT_EQ(1, complete);
}

TEST(JubGameEventBatchBuild, RecordsAreTypeBytePlusWholePayload)
{
    CJubGameEventQueue history;
    Bytes sim = PayloadOf(Simulation(1), 0x11, 0);
    Bytes destroy = PayloadOf(Destroy(0x22), 0x12, 66);
    history.Push(JUB_EVENT_SET_SIMULATION, sim.data(), (i32)sim.size(), 1);
    history.Push(JUB_EVENT_DESTROY_BLOCK, destroy.data(), (i32)destroy.size(), 1);
    u8 out[128];
    int complete = 0;
    i32 size = CJubGameEventExchange::BuildBatch(history, out, sizeof out, 1, &complete);
    EXPECT_EQ(16 + 17 + 17 + 2, size);
    const std::string expected = std::string(kHeader)
        + "0f" + "0f000000 11000000 00000000 01000000"
        + "29" + "29000000 12000000 42000000 22000000" + "6363";
    EXPECT_EQ(HexOf(BytesOf(expected)), HexOf(out, size));
    EXPECT_EQ(1, complete);
}

// The limit counts the header and the closing pair; nothing is written past
// the capacity and only whole records go in, oldest first.
TEST(JubGameEventBatchBuild, NeverWritesPastItsBuffer)
{
    CJubGameEventQueue history;
    Bytes record = PayloadOf(Destroy(40), 1, 0);       // 16 bytes, 17 in the batch
    for (int i = 0; i < 3; ++i)
        history.Push(JUB_EVENT_DESTROY_BLOCK, record.data(), (i32)record.size(), 1);
    struct Case { i32 capacity; i32 size; int complete; };
    const Case cases[] = {
        {17, 0, 0},            // not even header and "cc"
        {18, 18, 0},
        {34, 18, 0},           // one byte short of the first record
        {35, 35, 0},
        {52, 52, 0},
        {69, 69, 1},           // exactly all three
        {200, 69, 1},
    };
    for (const Case& c : cases)
    {
        Bytes out((size_t)c.capacity + 8, 0xEE);       // guard bytes after the capacity
        int complete = -1;
        i32 size = CJubGameEventExchange::BuildBatch(history, out.data(), c.capacity, 1, &complete);
        EXPECT_EQ(c.size, size) << "capacity " << c.capacity;
        EXPECT_EQ(c.complete, complete) << "capacity " << c.capacity;
        for (size_t i = (size_t)c.capacity; i < out.size(); ++i)
            EXPECT_EQ(0xEE, out[i]) << "capacity " << c.capacity << ", byte " << i;
        if (size > 0)
        {
            EXPECT_EQ("6363", HexOf(out.data() + size - 2, 2)) << "capacity " << c.capacity;
        }
    }
}

TEST(JubGameEventBatchBuild, OverlongTurnKeepsTheRecordsThatFit)
{
    BatchFixture f;
    CJubEventBlockState state;          // 44 bytes, 45 in the batch
    const int count = 1500;              // 67,500 bytes of records
    for (int i = 0; i < count; ++i)
    {
        state.health = i;
        f.Record(state, (u32)i);
    }
    ASSERT_EQ(count, f.exchange.GetHistory().Count());
    EXPECT_EQ(JUB_BATCH_SHORTENED, f.exchange.PostBatch());
    EXPECT_NE(KE_ERR_MEMORY, JUB_BATCH_SHORTENED);   // posted, unlike a failed batch
    EXPECT_EQ(0, f.exchange.GetHistory().Count());
    const i32 fit = (JUB_EVENT_BATCH_BUFFER - 18) / 45;   // 1455
    CJubGameEvent* batch = f.exchange.GetLocalQueue().Peek();
    ASSERT_NE(nullptr, batch);
    EXPECT_EQ(16 + fit * 45 + 2, batch->GetSize());
    EXPECT_LE(batch->GetSize(), JUB_EVENT_BATCH_BUFFER);
    ASSERT_EQ(fit, f.exchange.GetReceivedQueue().Count());
    // The oldest records, in order.
    CJubGameEvent* last = f.exchange.GetReceivedQueue().GetAt(fit - 1);
    EXPECT_EQ((u32)(fit - 1), JubGetU32(last->GetPayload() + 16));
    EXPECT_EQ(fit - 1, last->GetTime());
}

TEST(JubGameEventBatchPost, PostsClearsAndReplaysTheOwnTurn)
{
    BatchFixture f;
    CJubEventJump jump;
    jump.player = 1;
    jump.launch = CKetrelVector2(0.5f, -1.0f);
    f.Record(Simulation(1), 0);
    f.Record(jump, 33);
    f.Record(Destroy(50), 330);
    ASSERT_EQ(3, f.exchange.GetHistory().Count());
    u32 sequence = CJubGameEventExchange::NextPayloadSequence();
    EXPECT_EQ(KE_OK, f.exchange.PostBatch());
    EXPECT_EQ(0, f.exchange.GetHistory().Count());

    CJubGameEvent* batch = f.exchange.GetLocalQueue().Peek();
    ASSERT_NE(nullptr, batch);
    EXPECT_EQ(JUB_EVENT_BATCH, batch->GetType());
    EXPECT_EQ(1, batch->GetSend());
    EXPECT_EQ(sequence, batch->GetPayloadSequence());
    EXPECT_TRUE(batch->IsUntimed());
    EXPECT_EQ(16 + 17 + 29 + 17 + 2, batch->GetSize());

    EXPECT_EQ((std::vector<i32>{15, 23, 41}), f.ReceivedTypes());
    const i32 times[] = {0, 33, 330};
    for (i32 i = 0; i < 3; ++i)
        EXPECT_EQ(times[i], f.exchange.GetReceivedQueue().GetAt(i)->GetTime());

    // The batch goes out like any untimed event.
    const Bytes posted(batch->GetPayload(), batch->GetPayload() + batch->GetSize());
    f.exchange.DispatchEvents();
    ASSERT_EQ(1u, f.host.SentOfType(JUB_EVENT_BATCH).size());
    EXPECT_EQ(posted, f.host.SentOfType(JUB_EVENT_BATCH)[0]);
}

// A batch from the peer, taken apart record by record.
TEST(JubGameEventBatchParse, StopsWhereTheBatchEndsOrGoesWrong)
{
    const std::string sim = "0f000000 01000000 21000000 01000000";       // SetSimulation at 33 ms
    const std::string destroy = "29000000 02000000 42000000 30000000";   // DestroyBlock at 66 ms
    struct Case
    {
        const char* name;
        std::string hex;
        int result;
        std::vector<i32> queued;
    };
    const Case cases[] = {
        {"empty", std::string(kHeader) + "6363", KE_OK, {}},
        {"two records", kHeader + ("0f" + sim) + "29" + destroy + "6363", KE_OK, {15, 41}},
        {"no closing pair", kHeader + ("0f" + sim), KE_OK, {15}},
        {"header only", std::string(kHeader), KE_OK, {}},
        {"stops at the first c", kHeader + std::string("63") + "0f" + sim, KE_OK, {}},
        {"one c is enough", kHeader + ("0f" + sim) + "63" + "29" + destroy, KE_OK, {15}},
        {"type without size skips a byte", kHeader + std::string("05") + "0f" + sim, KE_OK, {15}},
        {"cut short", kHeader + ("0f" + sim.substr(0, 20)), KE_ERR_FORMAT, {}},
        {"outer and inner type differ", kHeader + ("2d" + sim) + "6363", KE_ERR_FORMAT, {}},
        {"inner type differs after a good one", kHeader + ("29" + destroy) + "0f" + destroy,
         KE_ERR_FORMAT, {41}},
        {"same record twice", kHeader + ("0f" + sim) + "0f" + sim, KE_ERR_FORMAT, {15}},
        {"sequence going back", kHeader + ("29" + destroy) + "0f" + sim, KE_ERR_FORMAT, {41}},
        {"untimed record", kHeader + std::string("0f0f000000 01000000 ffffffff 01000000"),
         KE_ERR_FORMAT, {}},
        {"not a batch", "05000000 01000000 ffffffff 00000000 0f" + sim, KE_ERR_FORMAT, {}},
        {"shorter than its header", "2b000000 01000000 ffffffff", KE_ERR_FORMAT, {}},
    };
    for (const Case& c : cases)
    {
        BatchFixture f;
        EXPECT_EQ(c.result, f.Parse(BytesOf(c.hex))) << c.name;
        EXPECT_EQ(c.queued, f.ReceivedTypes()) << c.name;
        for (i32 i = 0; i < f.exchange.GetReceivedQueue().Count(); ++i)
            EXPECT_EQ(f.exchange.GetReceivedQueue().GetAt(i)->GetType() == 15 ? 33 : 66,
                      f.exchange.GetReceivedQueue().GetAt(i)->GetTime())
                << c.name;
    }
}

// Every prefix of a real batch parses without reading past it; the records
// before the cut stay queued.
TEST(JubGameEventBatchParse, EveryPrefixOfARecordedBatch)
{
    BatchFixture recorder;
    CJubEventFire fire;
    fire.launch = CKetrelVector2(1.0f, 2.0f);
    CJubEventBlockState state;
    recorder.Record(Simulation(1), 0);
    recorder.Record(fire, 0);
    recorder.Record(state, 99);
    recorder.Record(Destroy(33), 132);
    ASSERT_EQ(KE_OK, recorder.exchange.PostBatch());
    CJubGameEvent* batch = recorder.exchange.GetLocalQueue().Peek();
    const Bytes whole(batch->GetPayload(), batch->GetPayload() + batch->GetSize());
    const i32 ends[] = {16 + 17, 16 + 17 + 29, 16 + 17 + 29 + 45, 16 + 17 + 29 + 45 + 17};
    for (size_t cut = 0; cut <= whole.size(); ++cut)
    {
        BatchFixture f;
        Bytes prefix(whole.begin(), whole.begin() + (long)cut);
        f.Parse(prefix);
        i32 expected = 0;
        for (i32 end : ends)
            expected += (i32)cut >= end;
        EXPECT_EQ(expected, f.exchange.GetReceivedQueue().Count()) << "cut at " << cut;
    }
}

TEST(JubGameEventBatchParse, BatchDispatchReachesTheListener)
{
    BatchFixture f;
    f.listener.parseBatches = 1;
    Bytes batch = BytesOf(std::string(kHeader) + "0f0f000000 01000000 21000000 01000000 6363");
    JubPutU32(batch.data() + 4, 4000);
    f.exchange.ReceivePayload(batch.data(), (i32)batch.size());
    f.exchange.DispatchEvents();
    ASSERT_EQ(1u, f.listener.applied.size());
    EXPECT_EQ(JUB_EVENT_BATCH, f.listener.applied[0].type);
    EXPECT_EQ(1, f.exchange.GetReceivedQueue().Count());
    EXPECT_EQ(0, f.exchange.GetOutgoingQueue().Count()) << "a received batch is not sent back";
}
