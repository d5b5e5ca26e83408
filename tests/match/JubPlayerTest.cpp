#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct AimFixture
{
    AimFixture()
    {
        CJubPhysicsBodyDesc desc;
        desc.kind = JUB_BODY_MOVING;
        desc.halfSize.Set(0.05f, 0.05f);
        own = world.CreateBody(desc);
        other = world.CreateBody(desc);
        own->SetPosition(CKetrelVector2(0.5f, 1.0f));
        player.Build(0, own, CKetrelColor());
        player.SetOpponentBody(other);
    }
    void LookAt(f32 dx, f32 dy)
    {
        other->SetPosition(CKetrelVector2(0.5f + dx, 1.0f + dy));
        player.UpdateAim();
    }
    CJubPhysicsWorld world;
    CJubPhysicsBody* own;
    CJubPhysicsBody* other;
    CJubPlayer player;
};
}

// The direction is the eighth of the counter-clockwise angle from +x that holds the
// opponent: 0 right, 2 up, 4 left, 6 down.
TEST(JubPlayerAim, EightOctants)
{
    struct Case { const char* name; f32 dx, dy; i32 direction; f32 angle; };
    const Case cases[] = {
        {"right", 1.0f, 0.0f, 0, 0.0f},
        {"up right", 1.0f, 1.0f, 1, 45.0f},
        {"up", 0.0f, 1.0f, 2, 90.0f},
        {"up left", -1.0f, 1.0f, 3, 135.0f},
        {"left", -1.0f, 0.0f, 4, 180.0f},
        {"down left", -1.0f, -1.0f, 5, 225.0f},
        {"down", 0.0f, -1.0f, 6, 270.0f},
        {"down right", 1.0f, -1.0f, 7, 315.0f},
        {"just below 22.5", 1.0f, 0.4f, 0, 21.8014f},
        {"just above 22.5", 1.0f, 0.42f, 1, 22.7802f},
        {"just below 337.5", 1.0f, -0.42f, 7, 337.2198f},
        {"above 337.5 wraps", 1.0f, -0.4f, 0, 338.1986f},
        {"far and shallow", 3.0f, -0.001f, 0, 359.98f},
    };
    for (const Case& c : cases)
    {
        AimFixture f;
        f.LookAt(c.dx, c.dy);
        EXPECT_EQ(c.direction, f.player.aimDirection) << c.name;
        EXPECT_NEAR(c.angle, f.player.aimAngle, 0.01f) << c.name;
        EXPECT_GE(f.player.aimAngle, 0.0f) << c.name;
        EXPECT_LT(f.player.aimAngle, 360.0f) << c.name;
    }
}

TEST(JubPlayerAim, NothingWithoutAnOpponentOrForBadPositions)
{
    AimFixture f;
    f.LookAt(0.0f, 1.0f);
    ASSERT_EQ(2, f.player.aimDirection);

    f.player.SetOpponentBody(nullptr);
    f.player.UpdateAim();
    EXPECT_EQ(2, f.player.aimDirection);

    f.player.SetOpponentBody(f.other);
    f.other->SetPosition(CKetrelVector2(NAN, 1.0f));
    f.player.UpdateAim();
    EXPECT_EQ(2, f.player.aimDirection);
    EXPECT_FLOAT_EQ(90.0f, f.player.aimAngle);
}

TEST(JubPlayerSlots, RingAndBounds)
{
    CJubPlayer player;
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(i, player.TakeNextSlot());
    EXPECT_EQ(0, player.TakeNextSlot());
    EXPECT_EQ(1, player.nextSlot);

    CJubProjectile projectile;
    player.projectiles[31] = &projectile;
    EXPECT_EQ(&projectile, player.GetProjectile(31));
    EXPECT_EQ(nullptr, player.GetProjectile(32));
    EXPECT_EQ(nullptr, player.GetProjectile(-1));
    EXPECT_EQ(nullptr, player.GetProjectile(0));
    player.projectiles[31] = nullptr;
}

TEST(JubPlayerCounters, ClearCountersZeroesTheFourteenWords)
{
    CJubPlayer player;
    for (u32& w : player.itemWords)
        w = 7;
    player.bombUsed = player.ownsSnowBomb = player.ownsClusterBomb = player.ownedSpare = 1;
    player.health = 42;
    player.ClearCounters();
    for (u32 w : player.itemWords)
        EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, player.bombUsed + player.ownsSnowBomb + player.ownsClusterBomb + player.ownedSpare);
    EXPECT_EQ(42, player.health);
}

// The floating numbers rise 0.0025 per update and clear once above 0.3.
TEST(JubPlayerCreature, FloatingNumbersExpire)
{
    CJubPlayer player;
    player.displayFlag = 1;
    player.displaySlots[0] = 25;
    int updates = 0;
    while (player.displayFlag && updates < 1000)
    {
        player.UpdateCreature(0.033f, 800.0f);
        ++updates;
        if (player.displayFlag)
        {
            EXPECT_EQ(25, player.displaySlots[0]);
        }
    }
    EXPECT_NEAR(120, updates, 1);   // 0.3 / 0.0025
    EXPECT_EQ(0, player.displaySlots[0]);
    EXPECT_FLOAT_EQ(0.3001f, player.displayTimer);
    EXPECT_FLOAT_EQ(40.0f, player.displaySize[0].x);
    EXPECT_FLOAT_EQ(40.0f, player.displaySize[1].y);

    // With the flag clear a value put in a slot does not survive an update.
    player.displaySlots[5] = 9;
    player.UpdateCreature(0.033f, 800.0f);
    EXPECT_EQ(0, player.displaySlots[5]);
}

// A swing lasts pi/12 s and keeps the creature awake.
TEST(JubPlayerCreature, WhipSwingsThenEnds)
{
    AimFixture f;
    f.own->SetResting(1);
    f.own->SetRestTimer(2.0f);
    f.player.whipActive = 1;
    f.player.whipBase.Set(0.2f, -0.1f);
    const f32 dt = 0.01f;
    int updates = 0;
    f32 deepest = 0.0f;
    while (f.player.whipActive && updates < 100)
    {
        f.player.UpdateCreature(dt, 800.0f);
        ++updates;
        if (f.player.whipActive)
        {
            EXPECT_EQ(1u, f.player.aiming);
            EXPECT_LE(f.player.whipVector.x, 0.0f);
            f32 s = std::sin(f.player.whipPhase);
            EXPECT_NEAR(-0.2f * s, f.player.whipVector.x, 1e-5f);
            deepest = std::fmin(deepest, f.player.whipVector.x);
        }
    }
    EXPECT_EQ(27, updates);   // sin turns negative after pi / 12 s = 0.2618 s
    EXPECT_NEAR(-0.2f, deepest, 1e-3f);
    EXPECT_EQ(0u, f.player.aiming);
    EXPECT_EQ(0.0f, f.player.whipVector.x);
    EXPECT_EQ(0.0f, f.player.whipVector.y);
    EXPECT_EQ(0u, f.own->GetResting());
    EXPECT_EQ(0.0f, f.own->GetRestTimer());
}
