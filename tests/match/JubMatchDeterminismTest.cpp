// Three play screens replay every turn alike, step by step: the active handset's
// simulate-ahead and replay, the peer's replay over a lossy link, and a second replay.
#include "JubMatchRig.h"

#include "game/match/JubScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace
{
LoopbackGameLink::Options LossyLink(u32 seed)
{
    LoopbackGameLink::Options o;
    o.lossPercent = 15;
    o.duplicatePercent = 15;
    o.minDelayMs = 10;
    o.maxDelayMs = 150;
    o.longDelayPercent = 5;
    o.longDelayMs = 600;
    o.seed = seed;
    return o;
}

std::string Faults(const RigReport& r)
{
    std::string out;
    for (const std::string& f : r.faults)
        out += f + "\n";
    return out;
}

CJubTurnAction Action(i32 weapon, f32 angle, f32 power)
{
    CJubTurnAction a;
    a.weapon = weapon;
    a.aim.Set(std::cos(angle) * power, std::sin(angle) * power);
    return a;
}
}

// Every weapon once on a level, each turn compared; a turn lost to a match that ended is
// played again in a new match.
void EveryAction(i32 scene, CJubAssetSource* levels, u32 seed, RigReport& report)
{
    MatchRig rig(LossyLink(seed));
    rig.levels = levels;
    ASSERT_EQ(KE_OK, rig.StartMatch(scene, 0));
    for (i32 weapon = 0; weapon < JUB_WEAPON_COUNT; ++weapon)
    {
        // Aimed up and towards the middle, so shots fly and land.
        const f32 angle = weapon & 1 ? -2.2f : -0.9f;
        int compared = 0;
        for (int attempt = 0; attempt < 3 && !compared; ++attempt)
        {
            if (rig.IsMatchOver())
            {
                ASSERT_EQ(KE_OK, rig.StartMatch(scene, weapon & 1));
            }
            compared = rig.RunTurn(Action(weapon, angle, 0.25f), 5, 3000, report);
        }
        EXPECT_EQ(1, compared) << "scene " << scene << " weapon " << weapon;
    }
}

TEST(JubMatchDeterminism, EveryActionOnEveryBattleLevel)
{
    RigReport report;
    for (i32 scene = 0; scene < JUB_BATTLE_SCENE_COUNT; ++scene)
        EveryAction(scene, nullptr, 100 + (u32)scene, report);
    EXPECT_EQ(0, report.mismatches) << Faults(report);
    EXPECT_EQ(JUB_BATTLE_SCENE_COUNT * JUB_WEAPON_COUNT, report.turns);
}

TEST(JubMatchDeterminism, EveryActionOnEveryTrainingLevel)
{
    // Two-player, so that no training rule narrows the weapons.
    TrainingAsBattleSource levels;
    RigReport report;
    for (i32 scene = 0; scene < JUB_TRAINING_SCENE_COUNT; ++scene)
        EveryAction(scene, &levels, 300 + (u32)scene, report);
    EXPECT_EQ(0, report.mismatches) << Faults(report);
    EXPECT_EQ(JUB_TRAINING_SCENE_COUNT * JUB_WEAPON_COUNT, report.turns);
}

TEST(JubMatchDeterminism, TrainingTurnsReplayAlike)
{
    // A training match replays its own batch; two more screens replay it from copies.
    RigReport report;
    for (i32 scene = 0; scene < JUB_TRAINING_SCENE_COUNT; ++scene)
    {
        for (i32 weapon = 0; weapon < JUB_WEAPON_COUNT; ++weapon)
        {
            SoloRig rig;
            ASSERT_EQ(KE_OK, rig.Start(scene));
            rig.RunTurn(Action(weapon, -1.2f, 0.3f), 3, 3000, report);
        }
    }
    EXPECT_EQ(0, report.mismatches) << Faults(report);
    EXPECT_EQ(JUB_TRAINING_SCENE_COUNT * JUB_WEAPON_COUNT, report.turns);
}

// Each player wears a hat (400 and 200 more health), and handset 1 cannot read player 0's:
// the owner's starting health holds on both, and every turn still replays alike.
TEST(JubMatchDeterminism, AHatOneHandsetCannotReadStartsAlike)
{
    MatchRig rig(LossyLink(77));
    rig.prepare = [](int handset, RigHost& host) {
        CJubItemInfo hat;
        hat.type = JUB_ITEM_HAT;
        hat.variable = 400;
        host.itemInfos[103] = hat;
        hat.variable = 200;
        host.itemInfos[104] = hat;
        host.ownedItems.push_back({handset == 0 ? 103u : 104u, 3, 1});
        if (handset == 1)
            host.itemInfos.erase(103);
    };
    RigReport report;
    for (i32 scene = 0; scene < 4; ++scene)
    {
        ASSERT_EQ(KE_OK, rig.StartMatch(scene, scene & 1));
        int waiting = -1;
        for (int t = 0; t < 3000 && waiting < 0; ++t)
            waiting = rig.Tick();
        ASSERT_LE(0, waiting);
        for (int i = 0; i < 2; ++i)
        {
            EXPECT_EQ(500, rig.Handset(i).screen.GetLiveScene()->GetPlayer(0).health) << i;
            EXPECT_EQ(300, rig.Handset(i).screen.GetLiveScene()->GetPlayer(1).health) << i;
        }
        for (i32 weapon = 1; weapon < JUB_WEAPON_COUNT && !rig.IsMatchOver(); ++weapon)
        {
            rig.RunTurn(Action(weapon, -1.2f, 0.1f), 5, 3000, report);
            for (int p = 0; p < 2; ++p)
                EXPECT_EQ(rig.Handset(0).screen.GetLiveScene()->GetPlayer(p).health,
                          rig.Handset(1).screen.GetLiveScene()->GetPlayer(p).health)
                    << "scene " << scene << " weapon " << weapon << " player " << p;
        }
    }
    EXPECT_EQ(0, report.mismatches) << Faults(report);
    EXPECT_LE(8, report.turns);
}

// Seeded random turns: weapon, angle, power and the moment of the action.
void RunRandomTurns(int count, u32 seed, RigReport& report)
{
    std::mt19937 random(seed);
    MatchRig rig(LossyLink(seed));
    int started = 0;
    int attempts = 0;
    while (report.turns < count && attempts < count * 3)
    {
        ++attempts;
        if (!started || rig.IsMatchOver())
        {
            ASSERT_EQ(KE_OK, rig.StartMatch((i32)(random() % JUB_BATTLE_SCENE_COUNT),
                                            (i32)(random() % 2)));
            started = 1;
            ++report.matches;
        }
        const i32 weapon = (i32)(random() % JUB_WEAPON_COUNT);
        const f32 angle = (f32)(random() % 6283) / 1000.0f;
        const f32 power = 0.02f + (f32)(random() % 380) / 1000.0f;
        const int moment = (int)(random() % 60);
        rig.RunTurn(Action(weapon, angle, power), moment, 4000, report);
    }
}

TEST(JubMatchDeterminism, SeededRandomTurns)
{
    RigReport report;
    RunRandomTurns(2000, 20261207u, report);
    EXPECT_EQ(0, report.mismatches) << Faults(report);
    EXPECT_GE(report.turns, 2000);
    // The turns reach every kind of outcome a batch can carry.
    const i32 types[] = {JUB_EVENT_PLAYER_OUT, JUB_EVENT_DAMAGE, JUB_EVENT_THROW_BLOCK,
                         JUB_EVENT_DESTROY_BLOCK, JUB_EVENT_BLOCK_STATE, JUB_EVENT_WHIP,
                         JUB_EVENT_JUMP, JUB_EVENT_FIRE, JUB_EVENT_REMOVE_PROJECTILE,
                         JUB_EVENT_PLACE_PROJECTILE, JUB_EVENT_EXPLOSION};
    for (i32 type : types)
        EXPECT_GT(report.recordsByType[type], 0) << "no record of type " << type;
    printf("random turns: %d, matches %d, abandoned %d, out %d, damage %d, thrown %d, "
           "destroyed %d, frozen %d\n",
           report.turns, report.matches, report.abandoned,
           report.recordsByType[JUB_EVENT_PLAYER_OUT], report.recordsByType[JUB_EVENT_DAMAGE],
           report.recordsByType[JUB_EVENT_THROW_BLOCK],
           report.recordsByType[JUB_EVENT_DESTROY_BLOCK],
           report.recordsByType[JUB_EVENT_BLOCK_STATE]);
}
