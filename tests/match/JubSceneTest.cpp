#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"

#include <gtest/gtest.h>

namespace
{
struct SceneFixture
{
    explicit SceneFixture(int editor = 0)
    {
        world.SetStep(1.0f / 30.0f, 4);
        camera.SetScreenSize(800.0f, 480.0f);
        scene.Init(nullptr, &camera, &world, editor);
    }
    CJubPlayer& Player(int p) { return scene.GetPlayer(p); }
    CJubPhysicsWorld world;
    CJubCamera camera;
    CJubScene scene;
};
}

TEST(JubScenePlayers, BuiltAtTheirPlaces)
{
    SceneFixture f;
    EXPECT_EQ(&f.scene, f.camera.GetScene());
    EXPECT_EQ(2, f.world.GetBodyCount());
    struct Case { int player; f32 x; u32 mask; u32 colour; };
    const Case cases[] = {{0, -0.1f, 0x11101u, 0xFFFF5D37u}, {1, 0.1f, 0x11110u, 0xFF3A92FFu}};
    for (const Case& c : cases)
    {
        const CJubPlayer& player = f.Player(c.player);
        ASSERT_NE(nullptr, player.body);
        EXPECT_FLOAT_EQ(c.x, player.body->GetPosition().x);
        EXPECT_FLOAT_EQ(0.1f, player.body->GetPosition().y);
        EXPECT_EQ(c.mask, player.body->GetMask());
        EXPECT_EQ(c.player, player.body->GetId());
        EXPECT_FLOAT_EQ(20.0f, player.body->GetMass());
        EXPECT_FLOAT_EQ(0.05f, player.body->GetBounce());
        EXPECT_EQ((u32)JUB_BODY_MOVING, player.body->GetKind());
        EXPECT_EQ(f.Player(1 - c.player).body, player.opponentBody);
        EXPECT_EQ(1u, player.alive);
        EXPECT_EQ(100, player.health);
        EXPECT_EQ(c.colour, player.colour.GetARGB());
    }
    // Each looks at the other once the scene has updated.
    f.scene.Update(0.033f);
    EXPECT_EQ(0, f.Player(0).aimDirection);
    EXPECT_EQ(4, f.Player(1).aimDirection);
    EXPECT_FLOAT_EQ(40.0f, f.Player(0).displaySize[0].x);
}

TEST(JubScenePlayers, EditorSceneHasNoCreaturesUntilReset)
{
    SceneFixture f(1);
    EXPECT_EQ(0, f.world.GetBodyCount());
    EXPECT_EQ(nullptr, f.Player(0).body);
    f.scene.GetBlocks()->CreateBlock(1, CKetrelVector2(0.0f, 0.5f), 0, 0, 1);
    f.scene.AddMarker(CKetrelVector2(), CKetrelVector2(0.03f, 0.03f));
    f.scene.SetSelection(33);
    f.scene.Reset();
    EXPECT_EQ(2, f.world.GetBodyCount());
    EXPECT_EQ(0, f.scene.GetBlocks()->GetCount());
    EXPECT_EQ(0, f.scene.GetMarkerCount());
    EXPECT_EQ(-1, f.scene.GetSelection());
    f.scene.Update(0.1f);   // no creature update in the editor
    EXPECT_FLOAT_EQ(0.2f, f.Player(0).displaySize[0].x);
}

TEST(JubSceneProjectiles, KindsSetRadiusDamageAndMask)
{
    struct Case { int player; u8 kind; int slot; f32 radius; i32 damage; u32 mask; i32 id; };
    const Case cases[] = {
        {0, 0, 0, 0.3f, 60, 16u, 10},      {1, 0, 5, 0.3f, 60, 1u, 20},
        {0, 1, 1, 0.3f, 30, 16u, 10},      {1, 2, 2, 0.3f, 30, 1u, 20},
        {0, 4, 3, 0.6f, 30, 16u, 10},
        {0, 3, 0, 0.3f, 30, 0x100u, 10},   {1, 3, 1, 0.3f, 30, 0x1000u, 20},
        {0, 3, 2, 0.3f, 30, 0x10000u, 10}, {1, 3, 31, 0.3f, 30, 0x1000u, 20},
    };
    for (const Case& c : cases)
    {
        SceneFixture f;
        f.Player(c.player).body->SetPosition(CKetrelVector2(0.7f, 1.2f));
        CJubProjectile* p = f.scene.CreateProjectile(c.player, c.kind, c.slot);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(p, f.Player(c.player).GetProjectile(c.slot));
        EXPECT_FLOAT_EQ(c.radius, p->blastRadius);
        EXPECT_EQ(c.damage, p->damage);
        EXPECT_EQ(c.mask, p->body->GetMask()) << "kind " << (int)c.kind << " slot " << c.slot;
        EXPECT_EQ(c.id, p->id);
        EXPECT_EQ(c.id, p->body->GetId());
        EXPECT_EQ(-1, p->stuckBlock);
        EXPECT_EQ(p, p->body->GetOwner());
        EXPECT_FLOAT_EQ(0.7f, p->body->GetPosition().x);
        EXPECT_FLOAT_EQ(1.2f, p->body->GetPosition().y);
        EXPECT_FLOAT_EQ(15.0f, p->body->GetMass());
        EXPECT_FLOAT_EQ(0.025f, p->body->GetHalfSize().x);
    }
}

TEST(JubSceneProjectiles, SlotsOutOfRangeAndReuse)
{
    SceneFixture f;
    EXPECT_EQ(nullptr, f.scene.CreateProjectile(0, 0, 32));
    EXPECT_EQ(nullptr, f.scene.CreateProjectile(0, 0, -1));
    EXPECT_EQ(nullptr, f.scene.CreateProjectile(2, 0, 0));
    EXPECT_EQ(2, f.world.GetBodyCount());

    // Loading into an occupied slot replaces the projectile: one record, one body.
    CJubProjectile* first = f.scene.CreateProjectile(0, 0, 4);
    ASSERT_NE(nullptr, first);
    CJubProjectile* second = f.scene.CreateProjectile(0, 1, 4);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(3, f.world.GetBodyCount());
    EXPECT_EQ(second, f.Player(0).GetProjectile(4));
    EXPECT_EQ(second->body, f.world.GetBody(2));

    f.scene.RemoveProjectile(0, 4);
    EXPECT_EQ(nullptr, f.Player(0).GetProjectile(4));
    EXPECT_EQ(2, f.world.GetBodyCount());
    f.scene.RemoveProjectile(0, 4);   // empty: nothing happens
    f.scene.RemoveProjectile(0, 40);
    EXPECT_EQ(2, f.world.GetBodyCount());
}

// A shot passes through its own creature until it has left it, then meets everything.
TEST(JubSceneProjectiles, LaunchMaskReleasedOnceClearOfTheCreature)
{
    SceneFixture f;
    CJubProjectile* shot = f.scene.CreateProjectile(0, 0, 0);
    CJubProjectile* other = f.scene.CreateProjectile(1, 0, 0);
    f.scene.Update(0.033f);
    EXPECT_EQ(16u, shot->body->GetMask());
    EXPECT_EQ(1u, other->body->GetMask());
    // The creatures look at the latest live projectile: player 1's, the last in order.
    EXPECT_EQ(other->body, f.Player(0).opponentBody);
    EXPECT_EQ(other->body, f.Player(1).opponentBody);

    // Still inside at 0.074 from the creature's centre (half sizes 0.05 and 0.025).
    CKetrelVector2 creature = f.Player(0).body->GetPosition();
    shot->body->SetPosition(CKetrelVector2(creature.x + 0.074f, creature.y));
    f.scene.Update(0.033f);
    EXPECT_EQ(16u, shot->body->GetMask());
    shot->body->SetPosition(CKetrelVector2(creature.x + 0.08f, creature.y));
    f.scene.Update(0.033f);
    EXPECT_EQ(0x11111111u, shot->body->GetMask());
    EXPECT_EQ(1u, other->body->GetMask());

    // Removing a projectile that the creatures look at turns them back to each other.
    f.scene.RemoveProjectile(1, 0);
    EXPECT_EQ(f.Player(1).body, f.Player(0).opponentBody);
    EXPECT_EQ(f.Player(0).body, f.Player(1).opponentBody);
}

TEST(JubSceneProjectiles, FragmentsReleasedOnceApart)
{
    SceneFixture f;
    CJubProjectile* a = f.scene.CreateProjectile(1, 3, 0);
    CJubProjectile* b = f.scene.CreateProjectile(1, 3, 1);
    CJubProjectile* c = f.scene.CreateProjectile(1, 3, 2);
    a->body->SetPosition(CKetrelVector2(1.0f, 1.0f));
    b->body->SetPosition(CKetrelVector2(1.03f, 1.0f));
    c->body->SetPosition(CKetrelVector2(2.0f, 1.0f));
    f.scene.Update(0.033f);
    EXPECT_EQ(0x100u, a->body->GetMask());
    EXPECT_EQ(0x1000u, b->body->GetMask());
    EXPECT_EQ(0x11111111u, c->body->GetMask());
    b->body->SetPosition(CKetrelVector2(1.5f, 1.0f));
    f.scene.Update(0.033f);
    EXPECT_EQ(0x11111111u, a->body->GetMask());
    EXPECT_EQ(0x11111111u, b->body->GetMask());
}

TEST(JubSceneColumns, BlocksAboveAndBelowTheCreature)
{
    SceneFixture f;
    CJubBlockSet* blocks = f.scene.GetBlocks();
    // Player 0 stands at (-0.1, 0.5): top 0.55, centre 0.5, x from -0.15 to -0.05.
    f.Player(0).body->SetPosition(CKetrelVector2(-0.1f, 0.5f));
    f.Player(1).body->SetPosition(CKetrelVector2(2.0f, 0.5f));
    struct Case { const char* name; u8 type; f32 x, y; int list; };   // 1 upper, -1 lower, 0 none
    const Case cases[] = {
        {"floor below", 10, -0.1f, 0.4f, -1},
        {"roof above", 10, -0.1f, 1.0f, 1},
        {"far above", 0, -0.1f, 6.0f, 1},
        {"beyond reach", 0, -0.1f, 7.2f, 0},
        {"beside, centre between", 1, -0.3f, 0.52f, 0},
        {"touching the left edge", 0, -0.2f, 0.2f, 0},
        {"overlapping the left edge", 0, -0.19f, 0.2f, -1},
        {"centre level with the top", 0, -0.1f, 0.55f, 0},
    };
    for (const Case& c : cases)
        ASSERT_NE(nullptr, blocks->CreateBlock(c.type, CKetrelVector2(c.x, c.y), 0, 0, 1)) << c.name;
    f.scene.FindColumnBlocks();
    const CJubPlayer& p = f.Player(0);
    for (int i = 0; i < (int)(sizeof(cases) / sizeof(cases[0])); ++i)
    {
        u8 id = (u8)(32 + i);
        bool upper = false, lower = false;
        for (int k = 0; k < p.upperBlocks.GetCount(); ++k)
            upper = upper || p.upperBlocks[k] == id;
        for (int k = 0; k < p.lowerBlocks.GetCount(); ++k)
            lower = lower || p.lowerBlocks[k] == id;
        EXPECT_EQ(cases[i].list == 1, upper) << cases[i].name;
        EXPECT_EQ(cases[i].list == -1, lower) << cases[i].name;
    }
    EXPECT_EQ(0, f.Player(1).upperBlocks.GetCount() + f.Player(1).lowerBlocks.GetCount());

    f.scene.ForgetBlock(32);
    f.scene.ForgetBlock(33);
    EXPECT_EQ(1, p.upperBlocks.GetCount());
    EXPECT_EQ(1, p.lowerBlocks.GetCount());
}

TEST(JubSceneMarkers, FindAddRemove)
{
    SceneFixture f;
    CJubSceneMarker* a = f.scene.AddMarker(CKetrelVector2(0.0f, 1.0f), CKetrelVector2(0.25f, 0.25f));
    CJubSceneMarker* b = f.scene.AddMarker(CKetrelVector2(0.25f, 1.0f), CKetrelVector2(0.25f, 0.25f));
    EXPECT_EQ(a, f.scene.FindMarkerAt(CKetrelVector2(0.1f, 1.0f)));
    EXPECT_EQ(b, f.scene.FindMarkerAt(CKetrelVector2(0.5f, 1.25f)));   // corner included
    EXPECT_EQ(nullptr, f.scene.FindMarkerAt(CKetrelVector2(0.5001f, 1.0f)));
    f.scene.RemoveMarker(a);
    EXPECT_EQ(b, f.scene.FindMarkerAt(CKetrelVector2(0.0f, 1.0f)));
    CJubSceneMarker stranger;
    f.scene.RemoveMarker(&stranger);
    EXPECT_EQ(1, f.scene.GetMarkerCount());

    // The level file counts markers in one byte.
    for (int i = 1; i < 255; ++i)
        ASSERT_NE(nullptr, f.scene.AddMarker(CKetrelVector2(), CKetrelVector2()));
    EXPECT_EQ(nullptr, f.scene.AddMarker(CKetrelVector2(), CKetrelVector2()));
    EXPECT_EQ(255, f.scene.GetMarkerCount());
}

TEST(JubSceneUpdate, AnimatesBlocksOnlyWhenAsked)
{
    SceneFixture f;
    CJubBlock* block = f.scene.GetBlocks()->CreateBlock(1, CKetrelVector2(0.0f, 0.5f), 0, 0, 1);
    block->health = 55;
    f.scene.Update(0.033f);
    EXPECT_EQ(255, block->shownHealth);
    f.scene.SetAnimateBlocks(1);
    f.scene.Update(0.033f);
    EXPECT_EQ(235, block->shownHealth);
    EXPECT_FLOAT_EQ(0.066f, f.scene.GetClock());
}

// A scene that goes takes its bodies out of the world it shares, and the camera forgets it.
TEST(JubSceneLifetime, DestructorRemovesItsBodies)
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubCamera camera;
    CJubPhysicsBodyDesc desc;
    CJubPhysicsBody* keep = world.CreateBody(desc);
    {
        CJubScene scene;
        scene.Init(nullptr, &camera, &world, 0);
        scene.GetBlocks()->CreateBlock(3, CKetrelVector2(0.0f, 0.5f), 1, 0, 1);
        scene.CreateProjectile(0, 0, 7);
        scene.CreateProjectile(1, 3, 8);
        EXPECT_EQ(6, world.GetBodyCount());
    }
    EXPECT_EQ(1, world.GetBodyCount());
    EXPECT_EQ(keep, world.GetBody(0));
    EXPECT_EQ(nullptr, camera.GetScene());
    world.Step();
}

// Linked to another world, a scene gives its bodies back to the old one and builds its
// creatures in the new one; the old world keeps only what was not the scene's.
TEST(JubSceneLifetime, InitAgainMovesToTheNewWorld)
{
    CJubPhysicsWorld first;
    first.SetStep(1.0f / 30.0f, 4);
    CJubPhysicsWorld second;
    second.SetStep(1.0f / 30.0f, 4);
    CJubCamera camera;
    CJubPhysicsBody* keep = first.CreateBody(CJubPhysicsBodyDesc());
    CJubScene scene;
    scene.Init(nullptr, &camera, &first, 0);
    scene.GetBlocks()->CreateBlock(3, CKetrelVector2(0.0f, 0.5f), 1, 0, 1);
    scene.CreateProjectile(0, 0, 7);
    ASSERT_EQ(5, first.GetBodyCount());

    scene.Init(nullptr, &camera, &second, 0);
    EXPECT_EQ(1, first.GetBodyCount());
    EXPECT_EQ(keep, first.GetBody(0));
    EXPECT_EQ(2, second.GetBodyCount());
    EXPECT_EQ(0, scene.GetBlocks()->GetCount());
    EXPECT_EQ(nullptr, scene.GetPlayer(0).GetProjectile(7));
    EXPECT_EQ(second.GetBody(0), scene.GetPlayer(0).body);
    first.Step();
    second.Step();
}
