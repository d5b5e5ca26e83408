// The play screen's match flow, the outcome of each action, the snapshot and the training
// rules, on a small level of our own and on the sample levels.
#include "JubMatchRig.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
// One floor from x -1 to 1 at y 0.5, creature 0 at x -0.15 and creature 1 at x 0.15,
// water below. Served under every name.
class SmallLevel : public CJubAssetSource
{
public:
    SmallLevel(f32 x0 = -0.15f, f32 x1 = 0.15f)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        CJubScene scene;
        scene.Init(nullptr, nullptr, &world, 0);
        for (i32 i = 0; i < 4; ++i)   // type 9: 0.5 x 0.1
            scene.GetBlocks()->CreateBlock(9, CKetrelVector2(-0.75f + 0.5f * (f32)i, 0.5f),
                                           (u8)(i == 3 ? 1 : 0), 0, 0);
        scene.GetPlayer(0).body->SetPosition(CKetrelVector2(x0, 0.65f));
        scene.GetPlayer(1).body->SetPosition(CKetrelVector2(x1, 0.65f));
        CKetrelArray<u8> out;
        scene.WriteLevel(out);
        bytes.assign(out.GetData(), out.GetData() + out.GetCount());
    }
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = new u8[bytes.size()];
        std::memcpy(*data, bytes.data(), bytes.size());
        return (i32)bytes.size();
    }
    std::vector<u8> bytes;
};

LoopbackGameLink::Options PerfectLink()
{
    LoopbackGameLink::Options o;
    o.minDelayMs = 20;
    o.maxDelayMs = 20;
    return o;
}

// Ticks until a turn waits; -1 when none does within the ticks.
int TickUntilWaiting(MatchRig& rig, int ticks)
{
    for (int t = 0; t < ticks; ++t)
    {
        int waiting = rig.Tick();
        if (waiting >= 0)
            return waiting;
    }
    return -1;
}

void TickFor(MatchRig& rig, int ticks)
{
    for (int t = 0; t < ticks; ++t)
        rig.Tick();
}

// Timed records of the last batch a handset sent.
std::vector<std::vector<u8>> BatchRecords(const std::vector<u8>& batch)
{
    std::vector<std::vector<u8>> out;
    size_t at = 16;
    while (at < batch.size() && batch[at] != JUB_EVENT_BATCH_END)
    {
        const i32 size = JubGameEventBatchRecordSize(batch[at]);
        if (size == 0 || at + 1 + (size_t)size > batch.size())
            break;
        out.push_back(std::vector<u8>(batch.begin() + (long)at + 1,
                                      batch.begin() + (long)at + 1 + size));
        at += 1 + (size_t)size;
    }
    return out;
}

int CountType(const std::vector<std::vector<u8>>& records, i32 type)
{
    int n = 0;
    for (const auto& r : records)
        n += r[0] == type;
    return n;
}

// Payloads of one type a handset sent, without resends.
std::vector<std::vector<u8>> SentOnce(const RigHost& host, i32 type)
{
    std::vector<std::vector<u8>> out;
    for (const auto& p : host.sent)
    {
        if (p.empty() || p[0] != type)
            continue;
        bool seen = false;
        for (const auto& q : out)
            seen = seen || q == p;
        if (!seen)
            out.push_back(p);
    }
    return out;
}

CJubTurnAction Aim(i32 weapon, f32 x, f32 y)
{
    CJubTurnAction a;
    a.weapon = weapon;
    a.aim.Set(x, y);
    return a;
}

// A finger down on the handset's creature, out by (dx, dy) pixels and up, then a step
// with no change (an aim let go fires in that step).
void PullCreature(MatchRig& rig, int handset, f32 dx, f32 dy)
{
    CJubPlayState& s = rig.Handset(handset).screen;
    RigHost& host = rig.Handset(handset).host;
    CKetrelVector2 at;
    s.GetCamera().WorldToScreen(s.GetLiveScene()->GetPlayer(s.GetLocalPlayer()).body->GetPosition(),
                                at);
    host.Down(at.x, at.y);
    rig.Tick();
    host.Move(at.x + dx, at.y + dy);
    rig.Tick();
    host.Up(at.x + dx, at.y + dy);
    rig.Tick();
    host.Hold();
    rig.Tick();
}

// A training match on scene 10 of the level, stepped until its first turn's timer runs.
int StartTrainingTurn(SoloRig& rig, CJubAssetSource* level)
{
    const int rc = rig.Start(10, level);
    CJubPlayState& s = rig.Handset(0).screen;
    for (int t = 0; rc == KE_OK && t < 200 && !s.IsTimerRunning(); ++t)
        s.Update(0.033f);
    return rc;
}

void SinkCreature(CJubPlayState& screen, i32 player)
{
    CJubPhysicsBody* body = screen.GetLiveScene()->GetPlayer(player).body;
    body->SetPosition(CKetrelVector2(2.5f, -0.6f));
    body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
}
}

// RigHost keeps what it sends for these tests.
class PlayStateMatch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig.levels = &level;
        ASSERT_EQ(KE_OK, rig.StartMatch(3, 0));
    }
    CJubPlayState& A() { return rig.Handset(0).screen; }
    CJubPlayState& B() { return rig.Handset(1).screen; }

    SmallLevel level;
    MatchRig rig{PerfectLink()};
};

TEST_F(PlayStateMatch, TimeOutsPassTheTurnTwiceThenLoseTheMatch)
{
    // Each row: the player whose turn runs out, and what follows.
    struct Row
    {
        int handset;
        int timeOutsLeft;
        int decided;
    } rows[] = {{0, 2, 0}, {1, 2, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "handset " << row.handset << " left " << row.timeOutsLeft);
        ASSERT_EQ(row.handset, TickUntilWaiting(rig, 400));
        RigHandset& h = rig.Handset(row.handset);
        const size_t soundsBefore = h.host.sounds.size();
        const int vibrationsBefore = h.host.vibrations;
        TickFor(rig, 30 * 31);
        const i32 local = h.screen.GetLocalPlayer();
        EXPECT_EQ(row.timeOutsLeft, h.screen.GetLiveScene()->GetPlayer(local).timeOutsLeft);
        EXPECT_EQ(row.decided, h.screen.IsMatchDecided());
        // Five alerts, 10 % higher each, then the end sound; one vibration at 5 s.
        std::vector<i32> alerts;
        int ends = 0;
        for (size_t i = soundsBefore; i < h.host.sounds.size(); ++i)
        {
            if (h.host.sounds[i].id == JUB_SOUND_TIMER_ALERT)
                alerts.push_back(h.host.sounds[i].frequency);
            ends += h.host.sounds[i].id == JUB_SOUND_TIMER_END;
        }
        EXPECT_EQ((std::vector<i32>{22050, 24255, 26460, 28665, 30870}), alerts);
        EXPECT_EQ(1, ends);
        EXPECT_LE(1, h.host.vibrations - vibrationsBefore);
    }
    TickFor(rig, 30);
    for (int i = 0; i < 2; ++i)
    {
        CJubPlayState& s = rig.Handset(i).screen;
        EXPECT_EQ(JUB_PHASE_MATCH_OVER, s.GetPhase()) << i;
        EXPECT_EQ(1, s.GetWinner()) << i;
        EXPECT_EQ(1, s.GetTimeOutsFlag()) << i;
    }
    EXPECT_EQ(1, rig.Handset(0).host.counters.losses);
    EXPECT_EQ(1, rig.Handset(1).host.counters.wins);
}

TEST_F(PlayStateMatch, DrowningWinsTheRoundAndTheMatch)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    SinkCreature(A(), 1);
    RigReport report;
    ASSERT_EQ(KE_OK, rig.Act(0, Aim(JUB_WEAPON_JUMP, 0.0f, 0.05f)));
    TickFor(rig, 300);
    for (int i = 0; i < 2; ++i)
    {
        CJubPlayState& s = rig.Handset(i).screen;
        EXPECT_EQ(0u, s.GetLiveScene()->GetPlayer(1).alive) << i;
        EXPECT_EQ(JUB_PHASE_MATCH_OVER, s.GetPhase()) << i;
        EXPECT_EQ(0, s.GetWinner()) << i;
        ASSERT_EQ(2, s.GetResultCount());
        EXPECT_EQ(1u, s.GetResultCode(0));
        EXPECT_EQ(2u, s.GetResultCode(1));
    }
    const auto out = BatchRecords(rig.Handset(0).host.lastBatch);
    ASSERT_EQ(1, CountType(out, JUB_EVENT_PLAYER_OUT));
    for (const auto& r : out)
    {
        if (r[0] == JUB_EVENT_PLAYER_OUT)
        {
            EXPECT_EQ(1, r[12]);
            EXPECT_EQ(CJubEventPlayerOut::kDrowned, r[13]);
        }
    }
    EXPECT_EQ(1, rig.Handset(0).host.counters.wins);
    EXPECT_EQ(1, rig.Handset(1).host.counters.losses);
    // The peer answers the host's result once, and both report it.
    EXPECT_EQ(1u, SentOnce(rig.Handset(1).host, JUB_EVENT_MATCH_RESULT).size());
    EXPECT_EQ(1u, SentOnce(rig.Handset(0).host, JUB_EVENT_MATCH_RESULT).size());
    EXPECT_EQ(3u, rig.Handset(0).host.reports.size());
    EXPECT_EQ(3u, rig.Handset(1).host.reports.size());
}

TEST_F(PlayStateMatch, BothOutIsADrawAndANewRoundWithTheOtherFirst)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    SinkCreature(A(), 0);
    SinkCreature(A(), 1);
    ASSERT_EQ(KE_OK, rig.Act(0, Aim(JUB_WEAPON_JUMP, 0.0f, 0.05f)));
    TickFor(rig, 120);
    for (int i = 0; i < 2; ++i)
    {
        CJubPlayState& s = rig.Handset(i).screen;
        EXPECT_EQ(1, s.GetRoundsPlayed()) << i;
        EXPECT_EQ(0, s.IsMatchDecided()) << i;
        EXPECT_EQ(JUB_PHASE_BETWEEN_ROUNDS, s.GetPhase()) << i;
        EXPECT_EQ(0, s.GetLiveScene()->GetPlayer(0).roundsWon);
        EXPECT_EQ(0, s.GetLiveScene()->GetPlayer(1).roundsWon);
    }
    EXPECT_EQ(1, rig.Handset(0).host.CountSound(JUB_SOUND_TIE_GAME));
    // Both ready themselves after 5 s; the next round starts with player 1.
    EXPECT_EQ(1, TickUntilWaiting(rig, 30 * 12));
    EXPECT_EQ(1u, A().GetLiveScene()->GetPlayer(0).alive);
}

TEST_F(PlayStateMatch, APlayerLeavingGivesTheMatchWithItsWinner)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    A().OnPlayerLeft();
    // The result carries the winner, not "none".
    CJubGameEvent* posted = A().GetExchange().GetLocalQueue().Peek();
    ASSERT_NE(nullptr, posted);
    ASSERT_EQ(JUB_EVENT_MATCH_RESULT, posted->GetType());
    EXPECT_EQ(0, posted->GetPayload()[15]);
    EXPECT_EQ(CJubEventMatchResult::kPlayerLeft, posted->GetPayload()[16]);
    TickFor(rig, 10);
    EXPECT_EQ(JUB_PHASE_MATCH_OVER, A().GetPhase());
    EXPECT_EQ(0, A().GetWinner());
    EXPECT_EQ(1, A().IsResultSent());
    EXPECT_TRUE(SentOnce(rig.Handset(0).host, JUB_EVENT_MATCH_RESULT).empty());
    ASSERT_EQ(3u, rig.Handset(0).host.reports.size());
    EXPECT_EQ((std::vector<i32>{1, 2}), rig.Handset(0).host.reports[1]);
    // A second leave changes nothing.
    A().OnPlayerLeft();
    EXPECT_FALSE(A().GetExchange().GetLocalQueue().HasEvents());
}

TEST_F(PlayStateMatch, ConcedingGivesTheOtherPlayerTheMatch)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    B().Concede();
    TickFor(rig, 30);
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(JUB_PHASE_MATCH_OVER, rig.Handset(i).screen.GetPhase()) << i;
        EXPECT_EQ(0, rig.Handset(i).screen.GetWinner()) << i;
    }
    EXPECT_EQ(1, rig.Handset(0).host.counters.wins);
    EXPECT_EQ(1, rig.Handset(1).host.counters.losses);
}

TEST_F(PlayStateMatch, AnOwnedBombFiresAsItselfAndIsUsedUp)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    ASSERT_EQ(1u, A().GetLiveScene()->GetPlayer(0).ownsSnowBomb);
    ASSERT_EQ(KE_OK, rig.Act(0, Aim(JUB_WEAPON_SNOW, 0.05f, -0.1f)));
    TickFor(rig, 400);
    const auto records = BatchRecords(rig.Handset(0).host.lastBatch);
    int loaded = 0;
    for (const auto& r : records)
    {
        if (r[0] == JUB_EVENT_LOAD_PROJECTILE)
        {
            EXPECT_EQ(JUB_KIND_SNOW, r[13]);
            ++loaded;
        }
    }
    EXPECT_EQ(1, loaded);
    EXPECT_LT(0, CountType(records, JUB_EVENT_BLOCK_STATE));
    const CJubPlayer& me = A().GetLiveScene()->GetPlayer(0);
    EXPECT_EQ(1u, me.bombUsed);
    EXPECT_EQ(JUB_WEAPON_BOMB, me.selectedWeapon);
    ASSERT_EQ(1u, rig.Handset(0).host.itemsUsed.size());
    EXPECT_EQ((std::vector<i32>{101, 1, 0}), rig.Handset(0).host.itemsUsed[0]);
    EXPECT_EQ(KE_ERR_ARGUMENT, A().SelectWeapon(JUB_WEAPON_SNOW));
}

TEST_F(PlayStateMatch, AnUndoneSimulationLetsTheTurnActAgain)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    // A block that would change for ever keeps the turn from settling.
    A().GetLiveScene()->GetBlocks()->GetBlock(0)->SetPendingChange(0, 2, 255, 0.7f, 0.1f,
                                                                    -1000.0f);
    const f32 fraction = A().GetTurnTimeFraction();
    ASSERT_EQ(KE_OK, rig.Act(0, Aim(JUB_WEAPON_JUMP, 0.0f, 0.1f)));
    TickFor(rig, 35);
    EXPECT_EQ(1, A().GetAbandonedCount());
    EXPECT_EQ(0, A().IsLiveSimulation());
    EXPECT_EQ(0, A().GetFields().acted);
    EXPECT_EQ(JUB_PHASE_LOCAL_TURN, A().GetPhase());
    EXPECT_EQ(0, rig.Handset(0).host.batchesSent);
    EXPECT_LT(A().GetTurnTimeFraction(), fraction);   // the timer went on
    A().GetLiveScene()->GetBlocks()->GetBlock(0)->pending = 0;
    EXPECT_EQ(KE_OK, A().Act(Aim(JUB_WEAPON_JUMP, 0.0f, 0.1f)));
}

TEST_F(PlayStateMatch, AimingByTouchFiresOnlyAwayFromTheCreature)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    CJubCamera& camera = A().GetCamera();
    camera.SetScreenSize(800.0f, 480.0f);
    rig.Tick();   // the creature takes its display size from the screen
    CKetrelVector2 at;
    camera.WorldToScreen(A().GetLiveScene()->GetPlayer(0).body->GetPosition(), at);
    RigHost& host = rig.Handset(0).host;
    // Down on the creature, out and back onto its centre, up: nothing fires.
    host.Down(at.x, at.y);
    rig.Tick();
    host.Move(at.x + 120.0f, at.y + 80.0f);
    rig.Tick();
    host.Move(at.x, at.y);
    rig.Tick();
    host.Up(at.x, at.y);
    rig.Tick();
    host.Hold();
    rig.Tick();
    EXPECT_EQ(0, A().GetFields().acted);
    // Out again and up there: the jump goes off on the next update.
    A().SelectWeapon(JUB_WEAPON_JUMP);
    PullCreature(rig, 0, 150.0f, 100.0f);
    EXPECT_EQ(1, A().GetFields().acted);
    // A stretch of no length is refused outright.
    EXPECT_NE(KE_OK, B().Act(Aim(JUB_WEAPON_JUMP, 0.0f, 0.0f)));
}

TEST_F(PlayStateMatch, TheRoundsIntroCentresTheCameraAndTakesNoAim)
{
    // The camera last followed creature 0, as in an earlier round.
    CJubCamera& camera = A().GetCamera();
    camera.SetScreenSize(800.0f, 480.0f);
    camera.FollowBody(A().GetLiveScene()->GetPlayer(0).body);
    camera.Update();
    ASSERT_NE(1.5f, camera.GetFocusPoint().y);
    for (int t = 0; t < 400 && A().GetPhase() != JUB_PHASE_LOCAL_TURN; ++t)
        rig.Tick();
    ASSERT_EQ(JUB_PHASE_LOCAL_TURN, A().GetPhase());
    ASSERT_FALSE(A().IsTimerRunning());
    // The whole field: no follow, offset and focus at the centre, the far zoom.
    EXPECT_EQ(JUB_CAMERA_NONE, camera.GetMode());
    EXPECT_EQ(0.0f, camera.GetViewOffset().x);
    EXPECT_EQ(1.5f, camera.GetViewOffset().y);
    EXPECT_EQ(0.0f, camera.GetFocusPoint().x);
    EXPECT_EQ(1.5f, camera.GetFocusPoint().y);
    EXPECT_FLOAT_EQ(0.3f, camera.GetZoom());

    // A pull on the creature during the intro aims nothing and fires nothing.
    PullCreature(rig, 0, 150.0f, 100.0f);
    ASSERT_FALSE(A().IsTimerRunning());
    EXPECT_EQ(0u, A().GetLiveScene()->GetPlayer(0).aiming);
    EXPECT_EQ(0, A().GetFields().acted);
    EXPECT_EQ(0, A().IsLiveSimulation());
}

TEST_F(PlayStateMatch, LeavingNowEndsTheScreenInTheSameUpdate)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    A().PostMatchOver(1);
    A().Update(0.033f);
    EXPECT_EQ(JUB_PHASE_LEAVING, A().GetPhase());
    EXPECT_EQ(1, A().IsDone());
    ASSERT_FALSE(rig.Handset(0).host.reports.empty());
    EXPECT_EQ((std::vector<i32>{1}), rig.Handset(0).host.reports.back());
}

TEST_F(PlayStateMatch, TheSendersHealthLeftIsTheOneKept)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    // Health that came apart (B reads 100, A computed from 300) comes together.
    struct Row
    {
        i32 before, damage, left, health;
    } rows[] = {{100, 40, 260, 260}, {100, 40, 60, 60}, {30, 40, 0, 0}, {100, 5, 1 << 30, 1000}};
    for (const Row& row : rows)
    {
        CJubPlayer& player = B().GetLiveScene()->GetPlayer(1);
        player.health = row.before;
        CJubEventDamage e;
        e.player = 1;
        e.damage = row.damage;
        e.healthLeft = row.left;
        B().OnDamage(e);
        EXPECT_EQ(row.health, player.health) << row.before << " " << row.left;
    }
}

// ------------------------------------------------------------- action outcomes

TEST(JubPlayStateActions, EachWeaponOnASmallLevel)
{
    struct Row
    {
        i32 weapon;
        i32 scene;                // training scene whose rules allow the weapon
        f32 x, y;                 // aim (the launch goes the other way)
        i32 kind;                 // first projectile kind, -1 none
        i32 loads;                // LoadProjectile records
        i32 wantType;             // a record the outcome must hold
    } rows[] = {
        {JUB_WEAPON_JUMP, 10, 0.05f, -0.2f, -1, 0, JUB_EVENT_JUMP},
        {JUB_WEAPON_BOMB, 10, 0.0f, 0.02f, JUB_KIND_BOMB, 1, JUB_EVENT_DAMAGE},
        {JUB_WEAPON_STICKY, 10, 0.0f, 0.02f, JUB_KIND_STICKY, 1, JUB_EVENT_EXPLOSION},
        {JUB_WEAPON_WHIP, 10, -0.4f, 0.0f, -1, 0, JUB_EVENT_WHIP},
        {JUB_WEAPON_SNOW, 8, 0.0f, 0.02f, JUB_KIND_SNOW, 1, JUB_EVENT_BLOCK_STATE},
        {JUB_WEAPON_CLUSTER, 9, 0.0f, 0.02f, JUB_KIND_CLUSTER, 4, JUB_EVENT_REMOVE_PROJECTILE},
    };
    SmallLevel level;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "weapon " << row.weapon);
        SoloRig rig;
        ASSERT_EQ(KE_OK, rig.Start(row.scene, &level));
        RigReport report;
        ASSERT_EQ(1, rig.RunTurn(Aim(row.weapon, row.x, row.y), 30, 3000, report));
        EXPECT_EQ(0, report.mismatches);
        EXPECT_LT(0, report.recordsByType[row.wantType]);
        EXPECT_EQ(row.loads, report.recordsByType[JUB_EVENT_LOAD_PROJECTILE]);
        CJubPlayState& s = rig.Handset(0).screen;
        // Every projectile is gone when the turn ends.
        for (i32 p = 0; p < 2; ++p)
        {
            for (i32 slot = 0; slot < JUB_PROJECTILE_SLOTS; ++slot)
                EXPECT_EQ(nullptr, s.GetLiveScene()->GetPlayer(p).projectiles[slot]);
        }
        // Health is taken once: what the records carry is what the creatures have.
        for (i32 p = 0; p < 2; ++p)
        {
            const CJubPlayer& player = s.GetLiveScene()->GetPlayer(p);
            EXPECT_LE(0, player.health);
            EXPECT_EQ(player.health, rig.Handset(1).screen.GetLiveScene()->GetPlayer(p).health);
        }
    }
}

TEST(JubPlayStateActions, DamageIsTakenOnceAndMatchesTheHealthLeft)
{
    SmallLevel level;
    SoloRig rig;
    ASSERT_EQ(KE_OK, rig.Start(10, &level));
    RigReport report;
    CJubPlayState& s = rig.Handset(0).screen;
    ASSERT_EQ(1, rig.RunTurn(Aim(JUB_WEAPON_BOMB, 0.0f, 0.02f), 30, 3000, report));
    ASSERT_LT(0, report.recordsByType[JUB_EVENT_DAMAGE]);
    // Each creature: 100 less the damage of its records, as the last record says.
    const auto records = BatchRecords(rig.lastBatch);
    for (i32 p = 0; p < 2; ++p)
    {
        i32 total = 0;
        i32 left = 100;
        for (const auto& r : records)
        {
            if (r[0] != JUB_EVENT_DAMAGE || r[12] != p)
                continue;
            total += (i32)JubGetU32(r.data() + 16);
            left = (i32)JubGetU32(r.data() + 20);
        }
        const i32 health = s.GetLiveScene()->GetPlayer(p).health;
        EXPECT_EQ(left, health) << p;
        EXPECT_EQ(total > 100 ? 0 : 100 - total, health) << p;
        EXPECT_EQ(health, rig.Handset(2).screen.GetLiveScene()->GetPlayer(p).health);
    }
    EXPECT_LT(s.GetLiveScene()->GetPlayer(0).health + s.GetLiveScene()->GetPlayer(1).health, 200);
}

TEST(JubPlayStateActions, ACreatureOutAfterTheFirstShotOfAPassIsStillKnockedBack)
{
    // Two bombs of player 0 go off beside creature 1, which has 1 health left: the first
    // puts it out, the second still knocks it, and neither hits it twice.
    SmallLevel level;
    SoloRig rig;
    ASSERT_EQ(KE_OK, StartTrainingTurn(rig, &level));
    CJubPlayState& s = rig.Handset(0).screen;
    CJubScene& live = *s.GetLiveScene();
    live.GetPlayer(0).body->SetPosition(CKetrelVector2(-0.9f, 0.65f));
    live.GetPlayer(1).health = 1;
    const CKetrelVector2 creature = live.GetPlayer(1).body->GetPosition();
    for (i32 slot = 0; slot < 2; ++slot)
    {
        CJubProjectile* shot = live.CreateProjectile(0, JUB_KIND_BOMB, slot);
        ASSERT_NE(nullptr, shot);
        shot->body->SetPosition(CKetrelVector2(creature.x + (slot ? 0.05f : -0.05f), creature.y));
    }
    CJubGameEventQueue& queue = s.GetExchange().GetLocalQueue();
    queue.Clear();
    s.ResolveBlasts(0);
    int jumps = 0, damages = 0, outs = 0;
    for (i32 i = 0; i < queue.Count(); ++i)
    {
        const u8* p = queue.GetAt(i)->GetPayload();
        if (queue.GetAt(i)->GetSize() <= 12 || p[12] != 1)
            continue;
        jumps += p[0] == JUB_EVENT_JUMP;
        damages += p[0] == JUB_EVENT_DAMAGE;
        outs += p[0] == JUB_EVENT_PLAYER_OUT;
    }
    EXPECT_EQ(2, jumps);
    EXPECT_EQ(1, damages);
    EXPECT_EQ(1, outs);
    queue.Clear();
}

TEST(JubPlayStateLifecycle, CallsOnAScreenWithoutItsPartsDoNothing)
{
    {
        // Entered, the ambience's loop is heard at once, before any update.
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        RigHost host;
        host.world = &world;
        CJubPlayState s;
        ASSERT_EQ(KE_OK, s.Init(&host));
        EXPECT_EQ(1, host.CountSound(JUB_SOUND_AMBIENT_LOOP));
    }
    struct Row
    {
        const char* name;
        int init;       // Init with a world (1), without one (0, it fails), or not at all (-1)
        int deinit;
    } rows[] = {{"never entered", -1, 0}, {"failed Init", 0, 0}, {"after Deinit", 1, 1}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        RigHost host;
        host.world = row.init == 1 ? &world : nullptr;
        CJubPlayState s;
        if (row.init >= 0)
        {
            EXPECT_EQ(row.init == 1 ? KE_OK : KE_ERR_ARGUMENT, s.Init(&host));
        }
        if (row.deinit)
            s.Deinit();
        s.SetSinglePlayer(1);
        s.UpdateTexts();
        s.SetSinglePlayer(0);
        EXPECT_EQ(0, s.IsSinglePlayer());
    }
}

// ---------------------------------------------------------------- snapshot

TEST(JubPlayStateSnapshot, RestoreGivesTheLiveWorldBackBitForBit)
{
    MatchRig rig(PerfectLink());
    ASSERT_EQ(KE_OK, rig.StartMatch(5, 0));
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    CJubPlayState& s = rig.Handset(0).screen;
    CJubScene& live = *s.GetLiveScene();
    const std::string before = DescribeMatchWorld(live);
    const u64 hash = HashMatchWorld(live);
    const i32 blocks = live.GetBlocks()->GetCount();
    ASSERT_LT(5, blocks);
    s.SaveSnapshot();
    EXPECT_EQ(hash, HashMatchWorld(*s.GetSnapshotScene()));

    // Change everything a turn may change.
    const u8 gone = live.GetBlocks()->GetBlock(3)->id;
    live.GetBlocks()->RemoveBlock(gone);
    live.GetBlocks()->GetBlock(0)->health = 17;
    live.GetBlocks()->GetBlock(1)->material = 3;
    live.GetPlayer(1).health = 5;
    live.GetPlayer(0).body->SetVelocity(CKetrelVector2(0.1f, 0.2f));
    live.CreateProjectile(0, 0, 4);
    for (int i = 0; i < 40; ++i)
        live.GetWorld()->Step();
    ASSERT_NE(hash, HashMatchWorld(live));

    s.RestoreSnapshot();
    EXPECT_EQ(before, DescribeMatchWorld(live));
    EXPECT_EQ(hash, HashMatchWorld(live));
    EXPECT_EQ(blocks, live.GetBlocks()->GetCount());
    EXPECT_NE(nullptr, live.GetBlocks()->FindBlock(gone));
    EXPECT_EQ(nullptr, live.GetPlayer(0).projectiles[4]);
    EXPECT_EQ(2 + blocks, live.GetWorld()->GetBodyCount());
    // Twice in a row: the same.
    s.RestoreSnapshot();
    EXPECT_EQ(before, DescribeMatchWorld(live));
    // Restored, the turn counts as acted: it waits for its replay.
    EXPECT_EQ(1, s.GetFields().acted);
}

TEST(JubPlayStateSnapshot, CopyPlayerKeepsTheTargetsOwnPointers)
{
    CJubPhysicsWorld w1, w2;
    w1.SetStep(1.0f / 30.0f, 4);
    w2.SetStep(1.0f / 30.0f, 4);
    CJubScene a, b;
    a.Init(nullptr, nullptr, &w1, 0);
    b.Init(nullptr, nullptr, &w2, 0);
    a.GetPlayer(0).health = 42;
    a.GetPlayer(0).body->SetPosition(CKetrelVector2(1.0f, 2.0f));
    a.CreateProjectile(0, 1, 3);
    CJubPhysicsBody* own = b.GetPlayer(0).body;
    CJubPlayState::CopyPlayer(&b.GetPlayer(0), &a.GetPlayer(0));
    EXPECT_EQ(own, b.GetPlayer(0).body);
    EXPECT_EQ(nullptr, b.GetPlayer(0).projectiles[3]);
    EXPECT_EQ(42, b.GetPlayer(0).health);
    EXPECT_EQ(1.0f, b.GetPlayer(0).body->GetPosition().x);
    EXPECT_EQ(2, w2.GetBodyCount());
}

// ---------------------------------------------------------------- training

TEST(JubPlayStateTraining, WeaponsFollowTheScene)
{
    const u32 four = 0x0F;
    struct Row
    {
        i32 scene;
        u32 allowed;
        i32 weapon;
        u32 snow, cluster;
    } rows[] = {
        {0, 0x01, JUB_WEAPON_JUMP, 0, 0},   {1, 0x09, JUB_WEAPON_JUMP, 0, 0},
        {2, 0x02, JUB_WEAPON_BOMB, 0, 0},   {4, 0x02, JUB_WEAPON_BOMB, 0, 0},
        {5, 0x04, JUB_WEAPON_STICKY, 0, 0}, {7, 0x04, JUB_WEAPON_STICKY, 0, 0},
        {8, four | 0x10, JUB_WEAPON_SNOW, 1, 0},
        {9, four | 0x20, JUB_WEAPON_CLUSTER, 0, 1},
        {10, four, JUB_WEAPON_BOMB, 0, 0},  {14, four, JUB_WEAPON_BOMB, 0, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "scene " << row.scene);
        SoloRig rig;
        ASSERT_EQ(KE_OK, rig.Start(row.scene));
        CJubPlayState& s = rig.Handset(0).screen;
        for (int t = 0; t < 200 && !s.IsTimerRunning(); ++t)
            s.Update(0.033f);
        ASSERT_EQ(JUB_PHASE_LOCAL_TURN, s.GetPhase());
        EXPECT_EQ(row.allowed, s.GetAllowedWeapons());
        const CJubPlayer& me = s.GetLiveScene()->GetPlayer(0);
        EXPECT_EQ(row.weapon, me.selectedWeapon);
        EXPECT_EQ(row.snow, me.ownsSnowBomb);
        EXPECT_EQ(row.cluster, me.ownsClusterBomb);
        for (i32 w = 0; w < JUB_WEAPON_COUNT; ++w)
        {
            const int ok = s.SelectWeapon(w) == KE_OK;
            EXPECT_EQ((row.allowed >> w) & 1u, (u32)ok) << "weapon " << w;
        }
    }
}

TEST(JubPlayStateTraining, AHatRaisesTheStartingHealthWithinBounds)
{
    struct Row
    {
        i32 bonus;
        i32 health;
    } rows[] = {{-5, 100}, {0, 100}, {50, 150}, {900, 1000}, {1 << 30, 1000}};
    for (const Row& row : rows)
        EXPECT_EQ(row.health, CJubPlayState::HatHealth(row.bonus)) << row.bonus;

    SmallLevel level;
    MatchRig rig(PerfectLink());
    rig.levels = &level;
    ASSERT_EQ(KE_OK, rig.StartMatch(0, 0));
    CJubItemInfo hat;
    hat.type = JUB_ITEM_HAT;
    hat.variable = 0x7FFFFFFF;
    for (int i = 0; i < 2; ++i)
    {
        rig.Handset(i).host.itemInfos[101] = hat;
    }
    CJubEventOwnedItems items;
    items.player = 1;
    items.count = 1;
    items.itemId[0] = 101;
    rig.Handset(0).screen.OnOwnedItems(items);
    EXPECT_EQ(1000, rig.Handset(0).screen.GetLiveScene()->GetPlayer(1).health);
}

TEST_F(PlayStateMatch, AnUnreadableBatchEndsTheMatchWithoutAReplay)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    ASSERT_EQ(JUB_PHASE_REMOTE_TURN, B().GetPhase());
    // A Damage record cut short after its first bytes.
    std::vector<u8> batch(16, 0);
    batch[0] = JUB_EVENT_BATCH;
    JubPutU32(&batch[4], 0x70000000u);
    JubPutU32(&batch[8], JUB_EVENT_UNTIMED);
    batch.insert(batch.end(), {JUB_EVENT_DAMAGE, JUB_EVENT_DAMAGE, 0, 0, 0});
    B().GetExchange().ReceivePayload(batch.data(), (i32)batch.size());
    const i32 healthBefore = B().GetLiveScene()->GetPlayer(1).health;
    TickFor(rig, 5);
    EXPECT_EQ(1, B().GetRefusedBatchCount());
    EXPECT_EQ(1, B().IsMatchDecided());
    EXPECT_EQ(1, B().GetWinner());
    EXPECT_EQ(healthBefore, B().GetLiveScene()->GetPlayer(1).health);
    EXPECT_TRUE(SentOnce(rig.Handset(1).host, JUB_EVENT_REPLAY_DONE).empty());
}

TEST(JubPlayStateActions, CrushedBetweenBlocksOrLiftedOntoOne)
{
    // Creature 1 stands on the floor (top 0.55) at y 0.6; a block's bottom is placed
    // relative to the creature's top, or the creature is sunk into the floor.
    struct Row
    {
        f32 ceiling;     // ceiling bottom minus creature top; 9 for no ceiling
        f32 y;           // the creature's centre
        int out;         // PlayerOut (crushed) posted
        int synced;      // moved up and SyncPositions posted
    } rows[] = {
        {-0.02f, 0.6f, 1, 0},
        {0.0f, 0.6f, 0, 0},
        {0.1f, 0.6f, 0, 0},
        {9.0f, 0.58f, 0, 1},
    };
    SmallLevel level;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "ceiling " << row.ceiling << " y " << row.y);
        SoloRig rig;
        ASSERT_EQ(KE_OK, StartTrainingTurn(rig, &level));
        CJubPlayState& s = rig.Handset(0).screen;
        CJubScene& live = *s.GetLiveScene();
        live.GetPlayer(1).body->SetPosition(CKetrelVector2(0.15f, row.y));
        if (row.ceiling < 5.0f)
            live.GetBlocks()->CreateBlock(9, CKetrelVector2(0.15f, row.y + 0.05f + row.ceiling + 0.05f),
                                          0, 0, 0);
        s.GetExchange().GetLocalQueue().Clear();
        s.CheckCrushed(1);
        int out = 0, synced = 0;
        CJubGameEventQueue& queue = s.GetExchange().GetLocalQueue();
        for (i32 i = 0; i < queue.Count(); ++i)
        {
            const u8* p = queue.GetAt(i)->GetPayload();
            out += p[0] == JUB_EVENT_PLAYER_OUT && p[12] == 1 && p[13] == CJubEventPlayerOut::kCrushed;
            synced += p[0] == JUB_EVENT_SYNC_POSITIONS;
        }
        EXPECT_EQ(row.out, out);
        EXPECT_EQ(row.synced, synced);
        if (row.synced)
        {
            EXPECT_FLOAT_EQ(0.6f, live.GetPlayer(1).body->GetPosition().y);
        }
    }
}

TEST_F(PlayStateMatch, PostingFillsEachTypeWithItsSizeAndSendFlag)
{
    ASSERT_EQ(0, TickUntilWaiting(rig, 400));
    CJubPlayState& s = A();
    CJubGameEventQueue& q = s.GetExchange().GetLocalQueue();
    q.Clear();
    const CKetrelVector2 v(0.1f, -0.2f);
    struct Row
    {
        std::function<void()> post;
        i32 type, size, send;
    } rows[] = {
        {[&] { s.PostStartRound(1, 4, 2, 0); }, JUB_EVENT_START_ROUND, 28, 1},
        {[&] { s.PostBeginTurn(1); }, JUB_EVENT_BEGIN_TURN, 16, 1},
        {[&] { s.PostNextRound(); }, JUB_EVENT_NEXT_ROUND, 12, 1},
        {[&] { s.PostTurnResult(0); }, JUB_EVENT_MATCH_RESULT, 20, 1},
        {[&] { s.PostTurnResult(1); }, JUB_EVENT_MATCH_RESULT, 20, 0},
        {[&] { s.PostTurnResult(2); }, JUB_EVENT_MATCH_RESULT, 20, 0},
        {[&] { s.PostNextTurn(1); }, JUB_EVENT_NEXT_TURN, 16, 1},
        {[&] { s.PostMatchOver(0); }, JUB_EVENT_MATCH_OVER, 20, 0},
        {[&] { s.PostQuit(3); }, JUB_EVENT_QUIT, 16, 0},
        {[&] { s.PostSimulation(1); }, JUB_EVENT_SET_SIMULATION, 16, 1},
        {[&] { s.PostPlayerOut(1, 2); }, JUB_EVENT_PLAYER_OUT, 16, 1},
        {[&] { s.PostSyncPositions(); }, JUB_EVENT_SYNC_POSITIONS, 28, 1},
        {[&] { s.PostJump(0, v, 1); }, JUB_EVENT_JUMP, 28, 1},
        {[&] { s.PostPlayerReady(1); }, JUB_EVENT_PLAYER_READY, 16, 1},
        {[&] { s.PostConcede(0); }, JUB_EVENT_CONCEDE, 16, 1},
        {[&] { s.PostDamage(1, 30, 70); }, JUB_EVENT_DAMAGE, 24, 1},
        {[&] { s.PostSettleCheck(); }, JUB_EVENT_SETTLE_CHECK, 12, 0},
        {[&] { s.PostWhip(0, v); }, JUB_EVENT_WHIP, 24, 1},
        {[&] { s.PostLoadProjectile(0, 2); }, JUB_EVENT_LOAD_PROJECTILE, 16, 1},
        {[&] { s.PostPlaceProjectile(0, v, 5); }, JUB_EVENT_PLACE_PROJECTILE, 28, 1},
        {[&] { s.PostFire(0, v, 5); }, JUB_EVENT_FIRE, 28, 1},
        {[&] { s.PostRemoveProjectile(0, 1, 5); }, JUB_EVENT_REMOVE_PROJECTILE, 16, 1},
        {[&] { s.PostThrowBlock(33, -3, 7, v, 90); }, JUB_EVENT_THROW_BLOCK, 28, 1},
        {[&] { s.PostDestroyBlock(33); }, JUB_EVENT_DESTROY_BLOCK, 16, 1},
        {[&] { s.PostBlockState(33, 255, 2, 0, 0.75f, 0.15f, v, -1.0f); }, JUB_EVENT_BLOCK_STATE, 44, 1},
        {[&] { s.PostExplosion(v, 0.3f, 1, 0xFF00FF00u, 1); }, JUB_EVENT_EXPLOSION, 32, 1},
        {[&] { s.PostExplosion(v, 0.3f, 0, 0xFF808080u, 0); }, JUB_EVENT_EXPLOSION, 32, 0},
        {[&] { s.PostReplayDone(); }, JUB_EVENT_REPLAY_DONE, 16, 1},
        {[&] { s.PostOwnedItems(); }, JUB_EVENT_OWNED_ITEMS, 64, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        const i32 before = q.Count();
        row.post();
        ASSERT_EQ(before + 1, q.Count());
        const CJubGameEvent* e = q.GetAt(before);
        EXPECT_EQ(row.type, e->GetType());
        EXPECT_EQ(row.size, e->GetSize());
        EXPECT_EQ(row.send, e->GetSend());
        EXPECT_EQ(e->GetSequence() + 1, e->GetPayloadSequence());
    }
    // Jump and Fire launch against the stretch.
    CJubEventJump jump;
    ASSERT_EQ(KE_OK, jump.Read(q.GetAt(12)->GetPayload(), q.GetAt(12)->GetSize()));
    EXPECT_FLOAT_EQ(0.1f * -6.9f, jump.launch.x);
    EXPECT_FLOAT_EQ(-0.2f * -6.9f, jump.launch.y);
    CJubEventFire fire;
    ASSERT_EQ(KE_OK, fire.Read(q.GetAt(20)->GetPayload(), q.GetAt(20)->GetSize()));
    EXPECT_FLOAT_EQ(0.1f * -6.9f, fire.launch.x);
    EXPECT_EQ(5, fire.slot);
    // The owned items of the local player: a snow and a cluster bomb.
    CJubEventOwnedItems items;
    ASSERT_EQ(KE_OK, items.Read(q.GetAt(28)->GetPayload(), q.GetAt(28)->GetSize()));
    EXPECT_EQ(2, items.count);
    EXPECT_EQ(101u, items.itemId[0]);
    q.Clear();
}
