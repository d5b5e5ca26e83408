// The wire form of every event type: golden bytes, round trips and the checks
// that keep a peer's values away from the match.
#include "JubEventTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
const u32 kSequence = 0x01020304;
const u32 kClock = 0x63;   // 99 ms

struct GoldenRow
{
    const char* name;
    Bytes written;          // Write with kSequence and kClock (timed) or untimed
    const char* expected;
    int readBack;           // Read of the written bytes, then Write again, is identical
    int shortRefused;       // Read of one byte less is refused
    i32 tableSize;          // JubGameEventPayloadSize of the type
};

template <class E>
GoldenRow Golden(const char* name, const E& record, const char* expected)
{
    Bytes written = PayloadOf(record, kSequence, E::kTimed ? kClock : JUB_EVENT_UNTIMED);
    E back;
    int readBack = back.Read(written.data(), (i32)written.size()) == KE_OK
        && PayloadOf(back, kSequence, E::kTimed ? kClock : JUB_EVENT_UNTIMED) == written;
    E shortRecord;
    int shortRefused = shortRecord.Read(written.data(), (i32)written.size() - 1) == KE_ERR_FORMAT;
    return {name, written, expected, readBack, shortRefused, JubGameEventPayloadSize(E::kType)};
}

CKetrelVector2 V(f32 x, f32 y) { return CKetrelVector2(x, y); }
}  // namespace

// Floats used: 1 = 0000803f, -2.5 = 000020c0, 0.5 = 0000003f, 2 = 00000040,
// -1 = 000080bf, 0.75 = 0000403f, 0.25 = 0000803e, -2 = 000000c0,
// 3 = 00004040, 1.5 = 0000c03f (little-endian IEEE-754).
TEST(JubGameEventWire, GoldenBytesOfEveryType)
{
    CJubEventStartRound start;   start.firstPlayer = 1; start.scene = 19; start.slot[0] = 2; start.slot[1] = 1;
    CJubEventBeginTurn begin;    begin.player = 1;
    CJubEventRoundOver over;     over.winner = 255;
    CJubEventMatchResult result; result.sender = 1; result.roundsWon[0] = 2; result.roundsWon[1] = 1;
                                 result.winner = 0; result.resultCode = 3;
    CJubEventNextTurn next;      next.player = 0;
    CJubEventMatchOver matchOver; matchOver.localPlayer = 1; matchOver.leaveNow = 1;
    CJubEventQuit quit;          quit.localPlayer = 0; quit.reason = 2;
    CJubEventSetSimulation sim;  sim.running = 1;
    CJubEventPlayerOut out;      out.player = 1; out.cause = 2;
    CJubEventSyncPositions sync; sync.position[0] = V(1, -2.5f); sync.position[1] = V(0.5f, 2);
    CJubEventJump jump;          jump.player = 1; jump.launch = V(-1, 0.75f); jump.follow = 1;
    CJubEventPlayerReady ready;  ready.player = 1;
    CJubEventConcede concede;    concede.player = 0;
    CJubEventDamage damage;      damage.player = 0; damage.damage = 30; damage.healthLeft = 70;
    CJubEventWhip whip;          whip.player = 1; whip.direction = V(0.25f, -2);
    CJubEventLoadProjectile load; load.player = 1; load.kind = 4; load.slot = 31;
    CJubEventPlaceProjectile place; place.player = 0; place.position = V(3, 1.5f); place.slot = 7;
    CJubEventFire fire;          fire.player = 1; fire.launch = V(-2, 1); fire.slot = 2;
    CJubEventRemoveProjectile remove; remove.player = 0; remove.unused = 1; remove.slot = 9;
    CJubEventThrowBlock thrown;  thrown.blockId = 40; thrown.gridX = -3; thrown.gridY = 12;
                                 thrown.health = 96; thrown.push = V(0.5f, -1);
    CJubEventDestroyBlock destroy; destroy.blockId = 254;
    CJubEventBlockState state;   state.blockId = 33; state.health = 255; state.material = 2; state.flags = 1;
                                 state.push = V(1, 0.5f); state.friction = 0.75f; state.bounce = 0.25f;
                                 state.delay = -1;
    CJubEventExplosion boom;     boom.colour = 0xFF808080; boom.kind = 1; boom.position = V(-1, 2);
                                 boom.size = 0.25f;
    CJubEventReplayDone done;    done.player = 1;
    CJubEventOwnedItems items;   items.player = 1; items.count = 2;
                                 items.itemId[0] = 0x101; items.itemId[1] = 0x202;
                                 items.fileNumber[0] = 3; items.fileNumber[1] = 4;
                                 items.packNumber[0] = 5; items.packNumber[1] = 6;
    CJubEventOwnedItems hat = items;
                                 hat.startHealth = 500;

    const GoldenRow rows[] = {
        Golden("StartRound", start, "05000000 04030201 ffffffff 01000000 13000000 02000000 01000000"),
        Golden("BeginTurn", begin, "06000000 04030201 ffffffff 01000000"),
        Golden("RoundOver", over, "07000000 04030201 ffffffff ff000000"),
        Golden("NextRound", CJubEventNextRound(), "08000000 04030201 ffffffff"),
        Golden("MatchResult", result, "09000000 04030201 ffffffff 01020100 03000000"),
        Golden("NextTurn", next, "0a000000 04030201 ffffffff 00000000"),
        Golden("MatchOver", matchOver, "0b000000 04030201 ffffffff 01000000 01000000"),
        Golden("Quit", quit, "0c000000 04030201 ffffffff 00020000"),
        Golden("SetSimulation", sim, "0f000000 04030201 63000000 01000000"),
        Golden("PlayerOut", out, "15000000 04030201 63000000 01020000"),
        Golden("SyncPositions", sync,
               "16000000 04030201 63000000 0000803f 000020c0 0000003f 00000040"),
        Golden("Jump", jump, "17000000 04030201 63000000 01000000 000080bf 0000403f 01000000"),
        Golden("PlayerReady", ready, "19000000 04030201 ffffffff 01000000"),
        Golden("Concede", concede, "1a000000 04030201 ffffffff 00000000"),
        Golden("Damage", damage, "1b000000 04030201 63000000 00000000 1e000000 46000000"),
        Golden("SettleCheck", CJubEventSettleCheck(), "1c000000 04030201 ffffffff"),
        Golden("Whip", whip, "1d000000 04030201 63000000 01000000 0000803e 000000c0"),
        Golden("LoadProjectile", load, "1e000000 04030201 63000000 01041f00"),
        Golden("PlaceProjectile", place,
               "1f000000 04030201 63000000 00000000 00004040 0000c03f 07000000"),
        Golden("Fire", fire, "20000000 04030201 63000000 01000000 000000c0 0000803f 02000000"),
        Golden("RemoveProjectile", remove, "21000000 04030201 63000000 00010900"),
        Golden("ThrowBlock", thrown,
               "28000000 04030201 63000000 28fd0c00 60000000 0000003f 000080bf"),
        Golden("DestroyBlock", destroy, "29000000 04030201 63000000 fe000000"),
        Golden("BlockState", state,
               "2d000000 04030201 63000000 21000000 ff000000 02010000 0000803f 0000003f "
               "0000403f 0000803e 000080bf"),
        Golden("Explosion", boom,
               "32000000 04030201 63000000 808080ff 01000000 000080bf 00000040 0000803e"),
        Golden("ResumeClock", CJubEventResumeClock(), "46000000 04030201 ffffffff"),
        Golden("ReplayDone", done, "47000000 04030201 ffffffff 01000000"),
        Golden("OwnedItems", items,
               "4d000000 04030201 ffffffff 01020000 01010000 02020000 00000000 00000000 "
               "03000000 04000000 00000000 00000000 05000000 06000000 00000000 00000000"),
        Golden("OwnedItems with a starting health", hat,
               "4d000000 04030201 ffffffff 0102f401 01010000 02020000 00000000 00000000 "
               "03000000 04000000 00000000 00000000 05000000 06000000 00000000 00000000"),
    };
    for (const GoldenRow& row : rows)
    {
        EXPECT_EQ(row.expected, HexOf(row.written)) << row.name;
        EXPECT_TRUE(row.readBack) << row.name;
        EXPECT_TRUE(row.shortRefused) << row.name;
        EXPECT_EQ((i32)row.written.size(), row.tableSize) << row.name;
        EXPECT_TRUE(JubGameEventIsAccepted(row.written[0])) << row.name;
    }
    // The acknowledgement of a received event.
    u8 ack[JUB_EVENT_ACK_SIZE];
    JubWriteAck(ack, kSequence);
    EXPECT_EQ("01000000 04030201 ffffffff", HexOf(ack, JUB_EVENT_ACK_SIZE));
}

TEST(JubGameEventWire, TypeTablesCoverExactlyTheAcceptedTypes)
{
    int accepted = 0;
    for (i32 type = 0; type < 256; ++type)
        accepted += JubGameEventIsAccepted(type);
    EXPECT_EQ(JUB_EVENT_TYPE_COUNT, accepted);
    EXPECT_FALSE(JubGameEventIsAccepted(JUB_EVENT_ACK));
    EXPECT_FALSE(JubGameEventIsAccepted(0x63));

    // Only timed types travel in batches, each with its exact size.
    struct Case { i32 type; i32 recordSize; };
    const Case cases[] = {
        {JUB_EVENT_SET_SIMULATION, 16}, {JUB_EVENT_PLAYER_OUT, 16}, {JUB_EVENT_LOAD_PROJECTILE, 16},
        {JUB_EVENT_REMOVE_PROJECTILE, 16}, {JUB_EVENT_DESTROY_BLOCK, 16},
        {JUB_EVENT_SYNC_POSITIONS, 28}, {JUB_EVENT_JUMP, 28}, {JUB_EVENT_PLACE_PROJECTILE, 28},
        {JUB_EVENT_FIRE, 28}, {JUB_EVENT_THROW_BLOCK, 28}, {JUB_EVENT_DAMAGE, 24},
        {JUB_EVENT_WHIP, 24}, {JUB_EVENT_BLOCK_STATE, 44}, {JUB_EVENT_EXPLOSION, 32},
        {JUB_EVENT_START_ROUND, 0}, {JUB_EVENT_BATCH, 0}, {JUB_EVENT_OWNED_ITEMS, 0},
        {JUB_EVENT_ACK, 0}, {0x63, 0}, {0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.recordSize, JubGameEventBatchRecordSize(c.type)) << "type " << c.type;
}

namespace
{
// A valid payload of a type with one field overwritten.
struct PatchRow
{
    const char* name;
    Bytes payload;
    int (*read)(const u8*, i32);
    int expected;
};

template <class E>
int ReadAs(const u8* p, i32 size)
{
    E record;
    return record.Read(p, size);
}

template <class E>
PatchRow Patched(const char* name, const E& base, int offset, int width, u32 value, int expected)
{
    Bytes payload = PayloadOf(base, 7, E::kTimed ? 0 : JUB_EVENT_UNTIMED);
    if (width == 1)
        payload[offset] = (u8)value;
    else
        JubPutU32(payload.data() + offset, value);
    return {name, payload, &ReadAs<E>, expected};
}

u32 FloatBits(f32 f)
{
    u32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
}  // namespace

// Values that would index outside the match's tables or poison its physics
// are refused; values the match itself rules on pass.
TEST(JubGameEventWire, ReadRefusesValuesOutOfRange)
{
    const u32 nan = FloatBits(std::numeric_limits<f32>::quiet_NaN());
    const u32 inf = FloatBits(std::numeric_limits<f32>::infinity());
    const u32 huge = FloatBits(1.0e5f);
    const u32 edge = FloatBits(-JUB_EVENT_MAX_MAGNITUDE);
    const int BAD = KE_ERR_FORMAT, OK = KE_OK;
    CJubEventBlockState block;
    CJubEventExplosion boom;
    CJubEventOwnedItems items;

    const PatchRow rows[] = {
        Patched("BeginTurn player 2", CJubEventBeginTurn(), 12, 1, 2, BAD),
        Patched("PlayerReady player 255", CJubEventPlayerReady(), 12, 1, 255, BAD),
        Patched("ReplayDone player 1", CJubEventReplayDone(), 12, 1, 1, OK),
        Patched("StartRound first player 2", CJubEventStartRound(), 12, 1, 2, BAD),
        Patched("StartRound any scene", CJubEventStartRound(), 16, 4, 1000, OK),
        Patched("RoundOver winner 2", CJubEventRoundOver(), 12, 1, 2, BAD),
        Patched("RoundOver drawn", CJubEventRoundOver(), 12, 1, 255, OK),
        Patched("MatchResult code 4", CJubEventMatchResult(), 16, 1, 4, BAD),
        Patched("MatchResult sender 2", CJubEventMatchResult(), 12, 1, 2, BAD),
        Patched("MatchResult any winner", CJubEventMatchResult(), 15, 1, 154, OK),
        Patched("NextTurn any player", CJubEventNextTurn(), 12, 1, 7, OK),
        Patched("MatchOver player 3", CJubEventMatchOver(), 12, 1, 3, BAD),
        Patched("Quit player 2", CJubEventQuit(), 12, 1, 2, BAD),
        Patched("PlayerOut cause 3", CJubEventPlayerOut(), 13, 1, 3, BAD),
        Patched("SyncPositions NaN", CJubEventSyncPositions(), 12, 4, nan, BAD),
        Patched("SyncPositions infinite", CJubEventSyncPositions(), 24, 4, inf, BAD),
        Patched("SyncPositions too far", CJubEventSyncPositions(), 16, 4, huge, BAD),
        Patched("SyncPositions at the limit", CJubEventSyncPositions(), 16, 4, edge, OK),
        Patched("Jump NaN launch", CJubEventJump(), 20, 4, nan, BAD),
        Patched("Jump player 2", CJubEventJump(), 12, 1, 2, BAD),
        Patched("Whip infinite", CJubEventWhip(), 16, 4, inf, BAD),
        Patched("Damage above i32", CJubEventDamage(), 16, 4, 0x80000000u, BAD),
        Patched("Damage health above i32", CJubEventDamage(), 20, 4, 0xFFFFFFFFu, BAD),
        Patched("LoadProjectile kind 5", CJubEventLoadProjectile(), 13, 1, 5, BAD),
        Patched("LoadProjectile slot 32", CJubEventLoadProjectile(), 14, 1, 32, BAD),
        Patched("LoadProjectile slot 31", CJubEventLoadProjectile(), 14, 1, 31, OK),
        Patched("PlaceProjectile slot 255", CJubEventPlaceProjectile(), 24, 1, 255, BAD),
        Patched("PlaceProjectile NaN", CJubEventPlaceProjectile(), 16, 4, nan, BAD),
        Patched("Fire slot 32", CJubEventFire(), 24, 1, 32, BAD),
        Patched("RemoveProjectile slot 40", CJubEventRemoveProjectile(), 14, 1, 40, BAD),
        Patched("ThrowBlock health above i32", CJubEventThrowBlock(), 16, 4, 0x80000000u, BAD),
        Patched("ThrowBlock push infinite", CJubEventThrowBlock(), 24, 4, inf, BAD),
        Patched("BlockState material 4", block, 20, 1, 4, BAD),
        Patched("BlockState flags 4", block, 21, 1, 4, BAD),
        Patched("BlockState delay NaN", block, 40, 4, nan, BAD),
        Patched("BlockState friction infinite", block, 32, 4, inf, BAD),
        Patched("Explosion size NaN", boom, 28, 4, nan, BAD),
        Patched("Explosion position too far", boom, 20, 4, huge, BAD),
        Patched("OwnedItems count 5", items, 13, 1, 5, BAD),
        Patched("OwnedItems count 4", items, 13, 1, 4, OK),
        Patched("wrong type byte", CJubEventBeginTurn(), 0, 1, JUB_EVENT_CONCEDE, BAD),
    };
    for (const PatchRow& row : rows)
        EXPECT_EQ(row.expected, row.read(row.payload.data(), (i32)row.payload.size())) << row.name;

    EXPECT_EQ(KE_ERR_FORMAT, ReadAs<CJubEventNextRound>(nullptr, 12)) << "null payload";
}

// Fields whose wire value is folded into the match's range.
TEST(JubGameEventWire, ReadFoldsFlagsSlotsAndSignedCells)
{
    CJubEventStartRound start;
    Bytes p = BytesOf("05000000 01000000 ffffffff 00000000 04000000 03000000 02000000");
    ASSERT_EQ(KE_OK, start.Read(p.data(), (i32)p.size()));
    EXPECT_EQ(0u, start.slot[0]) << "a start slot above 2 becomes 0";
    EXPECT_EQ(2u, start.slot[1]);
    EXPECT_EQ(4u, start.scene);

    CJubEventJump jump;
    p = BytesOf("17000000 01000000 00000000 01000000 00000000 00000000 09000000");
    ASSERT_EQ(KE_OK, jump.Read(p.data(), (i32)p.size()));
    EXPECT_EQ(1, jump.follow);

    CJubEventSetSimulation sim;
    p = BytesOf("0f000000 01000000 00000000 05000000");
    ASSERT_EQ(KE_OK, sim.Read(p.data(), (i32)p.size()));
    EXPECT_EQ(1u, sim.running);

    CJubEventThrowBlock thrown;
    p = BytesOf("28000000 01000000 00000000 2080ff00 10000000 00000000 00000000");
    ASSERT_EQ(KE_OK, thrown.Read(p.data(), (i32)p.size()));
    EXPECT_EQ(-128, thrown.gridX);
    EXPECT_EQ(-1, thrown.gridY);

    // A refused payload leaves the record as it was.
    CJubEventLoadProjectile load;
    load.kind = 2;
    load.slot = 5;
    p = BytesOf("1e000000 01000000 00000000 00012000");
    EXPECT_EQ(KE_ERR_FORMAT, load.Read(p.data(), (i32)p.size()));
    EXPECT_EQ(2, load.kind);
    EXPECT_EQ(5, load.slot);
}
