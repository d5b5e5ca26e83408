#include "JubGameHostFake.h"

#include "game/match/JubEffectList.h"
#include "game/match/JubParticleSystem.h"
#include "game/match/JubRenderer.h"

#include <gtest/gtest.h>

namespace
{
// An 800 x 480 screen: emitter centre (400, 79.2), half extents (200, 60).
struct ParticleFixture
{
    ParticleFixture()
    {
        renderer.GetCamera().SetScreenSize(800.0f, 480.0f);
        host.renderer = &renderer;
        system.Init(&host);
    }
    int CountTexture(i32 texture) const
    {
        int n = 0;
        for (i32 i = 0; i < system.GetCount(); ++i)
            n += system.GetParticle(i)->texture == texture ? 1 : 0;
        return n;
    }
    CJubRenderer renderer;
    FakeGameHost host;
    CJubParticleSystem system;
};

TEST(JubParticles, EmitterBoxAndNewWanderer)
{
    ParticleFixture f;
    EXPECT_FLOAT_EQ(400.0f, f.system.GetEmitterCentre().x);
    EXPECT_FLOAT_EQ(240.0f * 0.33f, f.system.GetEmitterCentre().y);
    EXPECT_FLOAT_EQ(200.0f, f.system.GetEmitterHalfExtents().x);
    EXPECT_FLOAT_EQ(60.0f, f.system.GetEmitterHalfExtents().y);
    // The random offsets are asked within 0.75 of the half extents.
    f.host.randomFloats = {1000.0f, -1000.0f, 0.5f, 0.25f};
    f.system.SpawnParticle();
    ASSERT_EQ(1, f.system.GetCount());
    const CJubParticle* p = f.system.GetParticle(0);
    EXPECT_FLOAT_EQ(400.0f + 150.0f, p->position.x);
    EXPECT_FLOAT_EQ(240.0f * 0.33f - 45.0f, p->position.y);
    EXPECT_FLOAT_EQ(0.018f * 800.0f, p->baseSize.x);
    EXPECT_EQ(0.0f, p->size.x);
    EXPECT_FLOAT_EQ(0.5f, p->spin);
    EXPECT_FLOAT_EQ(0.25f, p->heading);
    EXPECT_EQ(JUB_IMAGE_PARTICLE_WANDERER, p->texture);
    EXPECT_EQ(nullptr, p->parent);

    CJubParticleSystem idle;                 // before Init nothing is made or moved
    idle.SpawnParticle();
    idle.Update(1.0f);
    EXPECT_EQ(0, idle.GetCount());
}

TEST(JubParticles, CapacityHoldsForWanderersAndTrails)
{
    ParticleFixture f;
    for (int i = 0; i < JUB_PARTICLE_CAPACITY + 5; ++i)
        f.system.SpawnParticle();
    EXPECT_EQ(JUB_PARTICLE_CAPACITY, f.system.GetCount());
    for (int i = 0; i < 40; ++i)             // enough updates for every wanderer's trail
        f.system.Update(0.01f);
    EXPECT_EQ(JUB_PARTICLE_CAPACITY, f.system.GetCount());
    EXPECT_EQ(0, f.CountTexture(JUB_IMAGE_PARTICLE_TRAIL));
}

// A trail every 13th update, sized from the wanderer, standing still, pointing at
// itself, growing in and then fading like its wanderer, and gone after its life.
TEST(JubParticles, WandererLeavesStillTrailsThatExpire)
{
    ParticleFixture f;
    f.system.SpawnParticle();
    for (int i = 0; i < 12; ++i)
        f.system.Update(0.1f);
    EXPECT_EQ(0, f.CountTexture(JUB_IMAGE_PARTICLE_TRAIL));
    f.system.Update(0.1f);
    ASSERT_EQ(1, f.CountTexture(JUB_IMAGE_PARTICLE_TRAIL));
    CJubParticle* trail = f.system.GetParticle(1);
    EXPECT_EQ(trail, trail->parent);
    EXPECT_EQ(f.system.GetParticle(0)->position.x, trail->position.x);
    const CKetrelVector2 at = trail->position;
    for (int i = 0; i < 30; ++i)
        f.system.Update(0.1f);
    EXPECT_EQ(at.x, trail->position.x);
    EXPECT_EQ(at.y, trail->position.y);
    // Every trail dies after 4 s; the system only ever holds the recent ones.
    for (int i = 0; i < 200; ++i)
        f.system.Update(0.1f);
    for (i32 i = 0; i < f.system.GetCount(); ++i)
    {
        const CJubParticle* p = f.system.GetParticle(i);
        if (p->parent)
        {
            EXPECT_EQ(p, p->parent);
            EXPECT_LE(p->age, p->life);
        }
    }
    EXPECT_LE(f.CountTexture(JUB_IMAGE_PARTICLE_TRAIL), 4 * 10 / 13 + 2);
}

// A wanderer inside the box holds at age 1; outside it fades from alpha 255 at age 1 to
// 0 at age 4 and is replaced by a new one near the centre.
TEST(JubParticles, WandererOutsideTheBoxFadesAndIsReplaced)
{
    struct Case
    {
        f32 age;
        i32 alpha;
    };
    const Case fades[] = {{0.0f, 255}, {1.0f, 255}, {2.5f, 127}, {3.97f, 2}, {4.0f, 0},
                          {5.0f, 0}};
    for (const Case& c : fades)
        EXPECT_EQ(c.alpha, CJubParticleSystem::FadeAlpha(c.age, 4.0f)) << "age " << c.age;

    ParticleFixture f;
    f.host.randomFloats = {0.0f, 0.0f, 0.0f, 0.0f};
    f.system.SpawnParticle();
    CJubParticle* p = f.system.GetParticle(0);
    p->age = 1.0f;
    for (int i = 0; i < 10; ++i)
    {
        f.host.randomFloats.push_back(0.0f);   // keep heading 0: straight to the right
        f.system.Update(0.1f);
    }
    EXPECT_FLOAT_EQ(1.0f, p->age);
    EXPECT_FLOAT_EQ(400.0f + 7.5f, p->position.x);
    p->position.x = 601.0f;                  // just outside the right edge (600)
    p->heading = 0.0f;
    auto wanderer = [&f]() -> const CJubParticle* {
        for (i32 i = 0; i < f.system.GetCount(); ++i)
            if (!f.system.GetParticle(i)->parent)
                return f.system.GetParticle(i);
        return nullptr;
    };
    int updates = 0;
    while (f.system.GetParticle(0) == p && updates < 100)
    {
        f.system.Update(0.1f);
        ++updates;
    }
    EXPECT_GE(updates, 30);                  // 3 s of fading at 0.1 s
    EXPECT_LE(updates, 31);
    int wanderers = f.CountTexture(JUB_IMAGE_PARTICLE_WANDERER);
    EXPECT_EQ(1, wanderers);
    const CJubParticle* fresh = wanderer();
    ASSERT_NE(nullptr, fresh);
    EXPECT_NE(p, fresh);
    EXPECT_EQ(0.0f, fresh->age);
    EXPECT_NEAR(400.0f, fresh->position.x, 150.0f + 1.0f);
}

TEST(JubParticles, LongRunStaysBoundedAndFreesEverything)
{
    ParticleFixture f;
    for (int i = 0; i < 15; ++i)
        f.system.SpawnParticle();
    for (int i = 0; i < 3000; ++i)
        f.system.Update(1.0f / 30.0f);
    EXPECT_EQ(15, f.CountTexture(JUB_IMAGE_PARTICLE_WANDERER));
    EXPECT_LE(f.system.GetCount(), JUB_PARTICLE_CAPACITY);
    // The destructor frees the rest (checked under the leak checker).
}

// ---- effects ----

TEST(JubEffects, SixteenFramesAtTwentyPerSecondThenGone)
{
    struct Case
    {
        const char* name;
        std::vector<f32> steps;
        i32 count;
        i32 frame;
    };
    const std::vector<Case> cases = {
        {"new", {0.0f}, 1, 0},
        {"one frame", {0.05f}, 1, 1},
        {"frame 15", {0.78f}, 1, 15},
        {"0.8 s at once", {0.8f}, 0, -1},
        {"0.8 s in steps", std::vector<f32>(24, 1.0f / 30.0f), 0, -1},
        {"a long frame", {100.0f}, 0, -1},
        {"negative time", {-1.0f}, 1, 0},
    };
    for (const Case& c : cases)
    {
        CJubEffectList effects;
        effects.AddEffect(CKetrelVector2(1.0f, 2.0f), 0.3f, 0xFFFFFFFFu);
        for (f32 dt : c.steps)
            effects.Update(dt);
        ASSERT_EQ(c.count, effects.GetCount()) << c.name;
        if (c.count)
        {
            EXPECT_EQ(c.frame, effects.GetEffect(0)->frame) << c.name;
        }
    }
}

// The first effect ends while two later ones are advanced in the same pass.
TEST(JubEffects, RemovingOneKeepsTheOthersRunning)
{
    CJubEffectList effects;
    effects.AddEffect(CKetrelVector2(0, 0), 0.5f, 0xFFFFFFFFu);
    effects.Update(0.5f);
    effects.AddEffect(CKetrelVector2(1, 0), 0.25f, 0x80FF0000u);
    effects.AddEffect(CKetrelVector2(2, 0), 0.25f, 0x80FF0000u);
    effects.Update(0.4f);
    ASSERT_EQ(2, effects.GetCount());
    EXPECT_EQ(8, effects.GetEffect(0)->frame);
    EXPECT_EQ(8, effects.GetEffect(1)->frame);
}
} // namespace
