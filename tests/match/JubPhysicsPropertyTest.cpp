// Properties of random scenes: values stay finite, contacts never add speed, a dropped box
// settles on what it falls on, and seeded runs agree bit for bit.
#include "JubPhysicsTestScenes.h"
#include "game/match/JubPhysicsWorld.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
bool Finite(const CKetrelVector2& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y);
}

f32 Speed(const CKetrelVector2& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}
}

TEST(JubPhysicsProperties, RandomScenesStayFinite)
{
    for (u64 seed = 1; seed <= 8; ++seed)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        BuildRandomScene(world, seed, 40, 24);
        for (int step = 0; step < 250; ++step)
        {
            world.Step();
            for (i32 i = 0; i < world.GetBodyCount(); ++i)
            {
                const CJubPhysicsBody* b = world.GetBody(i);
                ASSERT_TRUE(Finite(b->GetPosition()) && Finite(b->GetVelocity()))
                    << "seed " << seed << ", step " << step << ", body " << i;
                // Every mover lands on the floor, which spans the field.
                ASSERT_LT(Speed(b->GetVelocity()), 1.0f) << "seed " << seed << ", body " << i;
            }
        }
    }
}

// Among static blocks only, a mover never leaves a Step faster than gravity made it.
TEST(JubPhysicsProperties, ContactsNeverAddSpeed)
{
    for (u64 seed = 100; seed < 140; ++seed)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        BuildRandomScene(world, seed, 60, 0);
        CTestRandom rnd(seed);
        const f32 x = rnd.Grid(-300, 300, 128.0f);
        const f32 y = rnd.Grid(50, 400, 128.0f);
        const f32 hx = rnd.Grid(2, 8, 100.0f);
        const f32 hy = rnd.Grid(2, 8, 100.0f);
        const f32 vx = rnd.Grid(-60, 60, 1000.0f);
        const f32 vy = rnd.Grid(-60, 60, 1000.0f);
        const f32 bounce = rnd.Grid(0, 150, 100.0f);
        const f32 friction = rnd.Grid(0, 100, 100.0f);
        CJubPhysicsBody* a =
            AddMover(world, Vec(x, y), Vec(hx, hy), 15.0f, Vec(vx, vy), bounce, friction);
        for (int step = 0; step < 200; ++step)
        {
            CKetrelVector2 v = a->GetVelocity();
            v.y += world.GetGravity().y;
            const f32 limit = Speed(v) * (1.0f + 1e-5f) + 1e-7f;
            world.Step();
            ASSERT_LE(Speed(a->GetVelocity()), limit) << "seed " << seed << ", step " << step;
        }
    }
}

// A box dropped on a floor comes to rest on top of it, never inside, and stays there.
TEST(JubPhysicsProperties, DroppedBoxRestsOnTop)
{
    struct Case
    {
        const char* name;
        CKetrelVector2 halfSize;
        f32 mass, bounce, floorBounce, height;
    };
    const Case cases[] = {
        {"creature on a block", Vec(0.05f, 0.05f), 20.0f, 0.05f, 0.15f, 0.5f},
        {"projectile on a block", Vec(0.025f, 0.025f), 15.0f, 0.2f, 0.15f, 1.0f},
        {"projectile on a bouncy block", Vec(0.025f, 0.025f), 15.0f, 0.2f, 0.8f, 1.0f},
        {"creature from high up", Vec(0.05f, 0.05f), 20.0f, 0.05f, 0.15f, 2.5f},
        {"wide flat box", Vec(0.3f, 0.05f), 5.0f, 0.5f, 0.15f, 0.3f},
    };
    for (const Case& c : cases)
    {
        CJubPhysicsWorld world;
        world.SetStep(1.0f / 30.0f, 4);
        CJubPhysicsBody* floor = AddBlock(world, Vec(0.1f, 0.2f), Vec(0.5f, 0.2f), c.floorBounce);
        const f32 top = floor->GetPosition().y + floor->GetHalfSize().y;
        CJubPhysicsBody* box = AddMover(world, Vec(0, top + c.height), c.halfSize, c.mass,
                                        Vec(0, 0), c.bounce, 0.5f);
        int steps = 0;
        while (!box->GetResting() && steps < 600)
        {
            world.Step();
            ++steps;
        }
        ASSERT_EQ(1u, box->GetResting()) << c.name << ": never rested";
        for (int i = 0; i < 300; ++i)
        {
            world.Step();
            const f32 bottom = box->GetPosition().y - c.halfSize.y;
            ASSERT_GE(bottom, top) << c.name << ": sank in";
            ASSERT_LT(bottom, top + 0.004f) << c.name << ": floats above";
            ASSERT_EQ(0.0f, box->GetPosition().x) << c.name << ": drifted";
            ASSERT_EQ(1u, box->GetResting()) << c.name << ": woke up";
        }
    }
}
