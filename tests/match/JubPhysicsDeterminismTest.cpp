// A seeded scene replays to the same bits on every run and every build (optimised or not,
// sanitized or not): the match depends on both handsets computing the same world.
#include "JubPhysicsTestScenes.h"
#include "game/match/JubPhysicsWorld.h"

#include <gtest/gtest.h>

#include <cinttypes>

namespace
{
u64 RunSeededScene(i32 steps)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    BuildRandomScene(world, 20261207, 236, 24);
    CRecordingListener listener;
    world.AddListener(&listener);
    CTestRandom kicks(99);
    u64 digest = 0;
    for (i32 i = 0; i < steps; ++i)
    {
        // Jumps and shots every 250 Steps keep the scene from settling for good.
        if (i % 250 == 125)
        {
            for (i32 b = 0; b < world.GetBodyCount(); ++b)
            {
                CJubPhysicsBody* body = world.GetBody(b);
                if (body->GetKind() != JUB_BODY_MOVING)
                    continue;
                const f32 vx = kicks.Grid(-50, 50, 1000.0f);
                const f32 vy = kicks.Grid(0, 80, 1000.0f);
                body->SetVelocity(Vec(vx, vy));
            }
        }
        world.Step();
        if (i % 500 == 499)
            digest ^= WorldDigest(world) + (u64)listener.contacts.size();
    }
    return digest ^ WorldDigest(world);
}
}

TEST(JubPhysicsDeterminism, SeededSceneDigestIsRecorded)
{
    const u64 digest = RunSeededScene(2000);
    printf("digest 0x%016" PRIx64 "\n", digest);
    EXPECT_EQ(0xe36fad37ed61019dull, digest);
}
