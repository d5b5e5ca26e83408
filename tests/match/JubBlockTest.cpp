#include "game/match/JubBlock.h"
#include "game/match/JubPhysicsWorld.h"

#include <gtest/gtest.h>

namespace
{
struct BlockFixture
{
    BlockFixture()
    {
        world.SetStep(1.0f / 30.0f, 4);
        set.SetWorld(&world);
    }
    CJubBlock* Make(u8 type = 0, u8 material = 0)
    {
        return set.CreateBlock(type, CKetrelVector2(0.0f, 0.5f), material, 0, 1);
    }
    CJubPhysicsWorld world;
    CJubBlockSet set;
};
}

// Ids are the lowest free ones from 32; removed ids are given again.
TEST(JubBlockSetIds, LowestFreeIdFrom32)
{
    struct Case { const char* name; int used[4]; int usedCount; int expected; };
    const Case cases[] = {
        {"empty set", {}, 0, 32},
        {"32, 33 and 35 in use", {32, 33, 35}, 3, 34},
        {"33 only", {33}, 1, 32},
        {"32 to 34", {32, 33, 34}, 3, 35},
    };
    for (const Case& c : cases)
    {
        BlockFixture f;
        // Make blocks 32..max, then remove the ones not listed as used.
        int highest = 31;
        for (int i = 0; i < c.usedCount; ++i)
            highest = c.used[i] > highest ? c.used[i] : highest;
        for (int id = 32; id <= highest; ++id)
            ASSERT_NE(nullptr, f.Make()) << c.name;
        for (int id = 32; id <= highest; ++id)
        {
            bool keep = false;
            for (int i = 0; i < c.usedCount; ++i)
                keep = keep || c.used[i] == id;
            if (!keep)
                f.set.RemoveBlock((u8)id);
        }
        EXPECT_EQ(c.expected, f.set.FirstFreeId()) << c.name;
        CJubBlock* next = f.Make();
        ASSERT_NE(nullptr, next) << c.name;
        EXPECT_EQ(c.expected, next->id) << c.name;
        EXPECT_EQ(c.expected, next->body->GetId()) << c.name;
    }
}

TEST(JubBlockSetIds, FullSetRefusesAndTypeFortyUsesNoId)
{
    BlockFixture f;
    EXPECT_EQ(nullptr, f.set.CreateBlock(40, CKetrelVector2(), 0, 0, 1));
    EXPECT_EQ(nullptr, f.set.CreateBlock(255, CKetrelVector2(), 0, 0, 1));
    EXPECT_EQ(0, f.world.GetBodyCount());
    EXPECT_EQ(32, f.set.FirstFreeId());

    for (int i = 0; i < JUB_BLOCK_MAX_COUNT; ++i)
        ASSERT_NE(nullptr, f.Make());
    EXPECT_EQ(223, f.set.GetCount());
    EXPECT_EQ(-1, f.set.FirstFreeId());
    EXPECT_EQ(nullptr, f.Make());
    EXPECT_EQ(223, f.world.GetBodyCount());
    EXPECT_EQ(254, f.set.GetBlock(222)->id);
}

TEST(JubBlockSetCreate, BodyTakesTheSizeTableAndMaterial)
{
    struct Case { u8 type; f32 hx, hy; u8 material; f32 bounce; u8 storedMaterial; };
    const Case cases[] = {
        {0, 0.05f, 0.05f, 0, 0.15f, 0},  {5, 0.3f, 0.3f, 1, 0.15f, 1},
        {10, 0.3f, 0.05f, 2, 0.15f, 2},  {15, 0.05f, 0.3f, 3, 0.8f, 3},
        {20, 0.2f, 0.1f, 3, 0.8f, 3},    {29, 0.2f, 0.1f, 0, 0.15f, 0},
        {32, 0.1f, 0.2f, 0, 0.15f, 0},   {39, 0.25f, 0.3f, 1, 0.15f, 1},
        // An unknown material would index past the material tables: it becomes paper.
        {1, 0.1f, 0.1f, 4, 0.15f, 0},    {1, 0.1f, 0.1f, 255, 0.15f, 0},
    };
    for (const Case& c : cases)
    {
        BlockFixture f;
        CJubBlock* block = f.set.CreateBlock(c.type, CKetrelVector2(1.0f, 2.0f), c.material, 2, 3);
        ASSERT_NE(nullptr, block);
        const CJubPhysicsBody* body = block->body;
        EXPECT_FLOAT_EQ(c.hx, body->GetHalfSize().x) << "type " << (int)c.type;
        EXPECT_FLOAT_EQ(c.hy, body->GetHalfSize().y) << "type " << (int)c.type;
        EXPECT_FLOAT_EQ(c.bounce, body->GetBounce()) << "material " << (int)c.material;
        EXPECT_EQ(c.storedMaterial, block->material);
        EXPECT_FLOAT_EQ(0.75f, body->GetFriction());
        EXPECT_EQ((u32)JUB_BODY_STATIC, body->GetKind());
        EXPECT_EQ(0x11111111u, body->GetMask());
        EXPECT_EQ(block, body->GetOwner());
        EXPECT_EQ(0.0f, body->GetMass());
        EXPECT_EQ(2, block->flags);
        EXPECT_EQ(3, block->layer);
        EXPECT_EQ(255, block->health);
    }
}

TEST(JubBlockSetRemove, RemovesTheBodyAndUnlinksTheTwin)
{
    BlockFixture f;
    CJubBlock* a = f.Make();
    CJubBlock* b = f.Make();
    CJubBlock* c = f.Make();
    f.set.LinkTwins(a, b);
    EXPECT_EQ(b, a->twin);
    EXPECT_EQ(a, b->twin);

    // Relinking a to c leaves b without a twin.
    f.set.LinkTwins(a, c);
    EXPECT_EQ(nullptr, b->twin);
    EXPECT_EQ(a, c->twin);

    f.set.RemoveBlock(a->id);
    EXPECT_EQ(nullptr, c->twin);
    EXPECT_EQ(2, f.set.GetCount());
    EXPECT_EQ(2, f.world.GetBodyCount());
    EXPECT_EQ(nullptr, f.set.FindBlock(32));
    EXPECT_EQ(b, f.set.FindBlock(33));

    f.set.RemoveBlock(99);   // not in the set
    EXPECT_EQ(2, f.set.GetCount());
}

// SetWorld lets go of the old blocks (the sanitizer build would report a leak).
TEST(JubBlockSetRemove, SetWorldAndRemoveAllFreeWhatWasHeld)
{
    BlockFixture f;
    f.Make();
    f.Make();
    CJubPhysicsWorld other;
    f.set.SetWorld(&other);
    EXPECT_EQ(0, f.set.GetCount());
    EXPECT_EQ(32, f.set.FirstFreeId());

    f.set.SetWorld(&f.world);
    f.world.Clear();
    f.Make();
    f.Make();
    f.set.RemoveAll();
    EXPECT_EQ(0, f.world.GetBodyCount());
    EXPECT_EQ(0, f.set.GetCount());
}

// Health is signed and stops at 0: the second paper hit destroys the block.
TEST(JubBlockHealth, DamageStopsAtZero)
{
    struct Case { const char* name; i32 start; i32 hits[3]; i32 after; bool destroyed; };
    const Case cases[] = {
        {"two paper hits", 255, {160, 160, 0}, 0, true},
        {"metal hits", 255, {80, 80, 80}, 15, false},
        {"ice hit", 255, {240, 0, 0}, 15, false},
        {"exactly all", 160, {160, 0, 0}, 0, true},
        {"huge damage", 10, {0x7FFFFFFF, 0x7FFFFFFF, 0}, 0, true},
    };
    for (const Case& c : cases)
    {
        CJubBlock block;
        block.health = c.start;
        for (i32 hit : c.hits)
            block.TakeDamage(hit);
        EXPECT_EQ(c.after, block.health) << c.name;
        EXPECT_EQ(c.destroyed, block.IsDestroyed()) << c.name;
    }
}

TEST(JubBlockHealth, ShownHealthFollowsByATenth)
{
    CJubBlock block;
    block.health = 95;   // after one metal hit of 160 from 255
    const i32 expected[] = {239, 225, 212, 201, 191, 182};
    for (i32 value : expected)
    {
        block.Animate(1.0f / 30.0f);
        EXPECT_EQ(value, block.shownHealth);
    }
    // Down to 0 it never wraps round, and stops within ten points of the health.
    block.health = 0;
    for (int i = 0; i < 100; ++i)
        block.Animate(1.0f / 30.0f);
    EXPECT_GE(block.shownHealth, 0);
    EXPECT_LT(block.shownHealth, 10);
}

TEST(JubBlockAnimate, WobbleTakesTheImpulseThenDecays)
{
    BlockFixture f;
    CJubBlock* block = f.Make();
    block->body->SetImpulseSum(CKetrelVector2(0.05f, -0.05f));
    block->Animate(0.033f);
    EXPECT_FLOAT_EQ(0.05f * 0.8f * 0.9f, block->wobble.x);
    EXPECT_FLOAT_EQ(-0.05f * 0.8f * 0.9f * 0.7f, block->wobble.y);

    // A hit from above dips the block; it is back within a few frames once the impulse ends.
    block->body->SetImpulseSum(CKetrelVector2());
    for (int i = 0; i < 10; ++i)
        block->Animate(0.033f);
    EXPECT_NEAR(-0.0252f * 0.0098477f, block->wobble.y, 1e-6f);   // 0.63 to the tenth
    EXPECT_NEAR(0.036f * 0.34868f, block->wobble.x, 1e-5f);   // 0.9 to the tenth

    // A huge impulse is held at 0.1.
    block->body->SetImpulseSum(CKetrelVector2(10.0f, -10.0f));
    block->Animate(0.033f);
    EXPECT_FLOAT_EQ(0.1f, block->wobble.x);
    EXPECT_FLOAT_EQ(-0.1f, block->wobble.y);
}

TEST(JubBlockAnimate, PendingChangeAppliesWhenTheDelayPassesZero)
{
    BlockFixture f;
    CJubBlock* block = f.Make(1, 0);
    block->SetPendingChange(2, 2, 200, 0.1f, 0.3f, -0.1f);
    const f32 dt = 0.04f;
    block->Animate(dt);   // -0.06
    block->Animate(dt);   // -0.02
    EXPECT_EQ(0, block->material);
    EXPECT_NE(0u, block->pending);
    block->Animate(dt);   // +0.02: applies
    EXPECT_EQ(2, block->material);
    EXPECT_EQ(2, block->flags);
    EXPECT_EQ(200, block->health);
    EXPECT_FLOAT_EQ(0.1f, block->body->GetFriction());
    EXPECT_FLOAT_EQ(0.3f, block->body->GetBounce());
    EXPECT_EQ(0u, block->pending);

    // A delay of exactly 0 after the step is not yet positive.
    block->SetPendingChange(0, 1, 255, 0.75f, 0.15f, -0.5f);
    block->Animate(0.5f);
    EXPECT_EQ(2, block->material);
    block->Animate(0.001f);
    EXPECT_EQ(1, block->material);

    // A pending material out of range becomes paper.
    block->SetPendingChange(0, 9, 255, 0.75f, 0.15f, 0.0f);
    block->Animate(0.1f);
    EXPECT_EQ(0, block->material);
}
