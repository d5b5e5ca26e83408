#include "game/match/JubCamera.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct CameraFixture
{
    CameraFixture()
    {
        world.SetStep(1.0f / 30.0f, 4);
        camera.SetScreenSize(800.0f, 480.0f);
        scene.Init(nullptr, &camera, &world, 0);
    }
    CJubPlayer& Player(int p) { return scene.GetPlayer(p); }
    CJubPhysicsWorld world;
    CJubCamera camera;
    CJubScene scene;
};
}

// Every cell must come back from its world position: levels are saved, loaded and saved
// again without change. A true floor of cell / 128 × 3.2 / 3.2 × 128 loses some of them.
TEST(JubCameraGrid, EveryCellSurvivesTheRoundTrip)
{
    CJubCamera camera;
    int trueFloorMisses = 0;
    for (int cell = -128; cell <= 127; ++cell)
    {
        CKetrelVector2 world;
        camera.GridToWorld(cell, -1 - cell, world);
        i8 gx = 0, gy = 0;
        camera.WorldToGrid(world, gx, gy);
        EXPECT_EQ(cell, gx) << "cell " << cell;
        EXPECT_EQ(-1 - cell, gy) << "cell " << -1 - cell;

        CKetrelVector2 snapped;
        camera.SnapToGrid(world, snapped);
        EXPECT_EQ(world.x, snapped.x) << "cell " << cell;
        if ((int)std::floor(world.x / 3.2f * 128.0f) != cell)
            ++trueFloorMisses;
    }
    EXPECT_GT(trueFloorMisses, 0);   // the reason for the offset floor
}

TEST(JubCameraGrid, FloorClampAndRounding)
{
    struct Case { const char* name; f32 world; int floorCell; int roundCell; };
    const Case cases[] = {
        {"zero", 0.0f, 0, 0},
        {"just below zero", -0.0001f, -1, 0},
        {"one cell", 0.025f, 1, 1},
        {"half a cell", 0.0125f, 0, 1},
        {"minus half a cell", -0.0125f, -1, 0},
        {"just under half", 0.0124f, 0, 0},
        {"below the grid", -3.3f, -128, -128},
        {"the grid's edge", 3.2f, 127, 127},
        {"last cell", 3.175f, 127, 127},
        {"far below", -1.0e9f, -128, -128},
        {"far above", 1.0e9f, 127, 127},
        {"not a number", NAN, -128, -128},
    };
    CJubCamera camera;
    for (const Case& c : cases)
    {
        i8 gx = 0, gy = 0;
        camera.WorldToGrid(CKetrelVector2(c.world, c.world), gx, gy);
        EXPECT_EQ(c.floorCell, gx) << c.name;
        EXPECT_EQ(c.floorCell, gy) << c.name;
        CKetrelVector2 rounded;
        camera.SnapToGridRounded(CKetrelVector2(c.world, 0.0f), rounded);
        EXPECT_FLOAT_EQ((f32)c.roundCell / 128.0f * 3.2f, rounded.x) << c.name;
        EXPECT_EQ(0.0f, rounded.y) << c.name;
    }
}

TEST(JubCameraScreen, WorldAndScreenAreInverse)
{
    struct Case { f32 zoom; CKetrelVector2 offset; CKetrelVector2 world; CKetrelVector2 screen; };
    const Case cases[] = {
        {1.0f, {0.0f, 0.0f}, {0.0f, 0.0f}, {400.0f, 240.0f}},
        {1.0f, {0.0f, 0.0f}, {1.0f, 0.5f}, {800.0f, 40.0f}},
        {0.5f, {0.5f, 1.0f}, {-0.5f, 1.0f}, {400.0f, 240.0f}},
        {0.3f, {-1.0f, 1.5f}, {2.0f, 0.0f}, {520.0f, 420.0f}},
    };
    for (const Case& c : cases)
    {
        CJubCamera camera;
        camera.SetScreenSize(800.0f, 480.0f);
        camera.SetZoom(c.zoom);
        camera.SetViewOffset(c.offset);
        CKetrelVector2 screen, back;
        camera.WorldToScreen(c.world, screen);
        EXPECT_NEAR(c.screen.x, screen.x, 1e-3f);
        EXPECT_NEAR(c.screen.y, screen.y, 1e-3f);
        camera.ScreenToWorld(screen, back);
        EXPECT_NEAR(c.world.x, back.x, 1e-5f);
        EXPECT_NEAR(c.world.y, back.y, 1e-5f);
    }
}

// Following a body lowers the zoom target to 2 - 75 × speed; the zoom stops at 0.3.
TEST(JubCameraFollow, SpeedLowersTheZoomTarget)
{
    struct Case { f32 speed; f32 target; };
    const Case cases[] = {{0.0f, 1.0f}, {0.01f, 1.0f}, {0.02f, 0.5f}, {0.03f, -0.25f}};
    for (const Case& c : cases)
    {
        CameraFixture f;
        CJubPhysicsBody* body = f.Player(0).body;
        body->SetPosition(CKetrelVector2(-1.0f, 1.0f));
        body->SetVelocity(CKetrelVector2(c.speed, 0.0f));
        f.camera.FollowBody(body);
        f.camera.Update();
        EXPECT_NEAR(c.target, f.camera.GetZoomTarget(), 1e-5f) << "speed " << c.speed;
        EXPECT_FLOAT_EQ(-1.0f, f.camera.GetFocusPoint().x);
        EXPECT_FLOAT_EQ(1.0f / 6.0f, f.camera.GetViewOffset().x);
        for (int i = 0; i < 200; ++i)
            f.camera.Update();
        f32 expected = c.target < 0.3f ? 0.3f : c.target;
        EXPECT_NEAR(expected, f.camera.GetZoom(), 1e-3f) << "speed " << c.speed;
    }
}

TEST(JubCameraFollow, ProjectileUnderWaterIsNotFollowed)
{
    CameraFixture f;
    CJubProjectile* projectile = f.scene.CreateProjectile(1, 0, 0);
    ASSERT_NE(nullptr, projectile);
    projectile->body->SetPosition(CKetrelVector2(1.0f, 0.5f));
    f.camera.FollowBody(projectile->body);
    f.camera.Update();
    EXPECT_FLOAT_EQ(1.0f, f.camera.GetFocusPoint().x);

    projectile->body->SetPosition(CKetrelVector2(2.0f, -0.1f));
    projectile->body->SetVelocity(CKetrelVector2(0.05f, 0.0f));
    for (int i = 0; i < 100; ++i)
        f.camera.Update();
    EXPECT_FLOAT_EQ(1.0f, f.camera.GetFocusPoint().x);
    EXPECT_NEAR(-1.0f, f.camera.GetViewOffset().x, 1e-4f);
    EXPECT_NEAR(0.5f, f.camera.GetViewOffset().y, 1e-4f);
    EXPECT_FLOAT_EQ(1.0f, f.camera.GetZoomTarget());

    // A body that is neither a creature nor a projectile of the scene is not followed.
    CJubPhysicsBodyDesc desc;
    CJubPhysicsBody* stranger = f.world.CreateBody(desc);
    stranger->SetPosition(CKetrelVector2(-2.0f, 2.0f));
    f.camera.FollowBody(stranger);
    f.camera.Update();
    EXPECT_FLOAT_EQ(1.0f, f.camera.GetFocusPoint().x);

    // Nor is a creature that is out.
    f.Player(0).alive = 0;
    f.camera.FollowBody(f.Player(0).body);
    f.camera.Update();
    EXPECT_FLOAT_EQ(1.0f, f.camera.GetFocusPoint().x);
}

TEST(JubCameraFrame, TwoCreaturesApartGiveTheZoomTarget)
{
    struct Case { const char* name; f32 x0, y0, x1, y1; f32 target; f32 centreX, centreY; };
    const Case cases[] = {
        {"1.5 apart, level", -0.75f, 1.0f, 0.75f, 1.0f, 0.7f, 0.0f, 1.0f},
        {"2.5 apart", -0.5f, 1.0f, 2.0f, 1.0f, 0.5f, 0.75f, 1.0f},
        // Tall spreads are widened to 1.8 × their height.
        {"one above the other", 0.0f, 0.5f, 0.0f, 1.5f, 0.64f, 0.0f, 1.0f},
        // Beyond the level the box is clamped to -unit..unit.
        {"far apart", -5.0f, 1.0f, 5.0f, 1.0f, -0.28f, 0.0f, 1.0f},
    };
    for (const Case& c : cases)
    {
        CameraFixture f;
        f.Player(0).body->SetPosition(CKetrelVector2(c.x0, c.y0));
        f.Player(1).body->SetPosition(CKetrelVector2(c.x1, c.y1));
        f.camera.FrameWorld(&f.world);
        f.camera.Update();
        EXPECT_NEAR(c.target, f.camera.GetZoomTarget(), 1e-5f) << c.name;
        EXPECT_NEAR(-c.centreX / 10.0f, f.camera.GetViewOffset().x, 1e-5f) << c.name;
        EXPECT_NEAR(c.centreY / 10.0f, f.camera.GetViewOffset().y, 1e-5f) << c.name;
    }
}

TEST(JubCameraUpdate, ClampsTheViewAndBuildsTheMatrix)
{
    CJubCamera camera;
    camera.SetScreenSize(800.0f, 400.0f);
    camera.SetViewOffset(CKetrelVector2(-9.0f, 9.0f));
    camera.SetZoomTarget(0.5f);
    camera.Update();
    EXPECT_FLOAT_EQ(-3.2f, camera.GetViewOffset().x);
    EXPECT_FLOAT_EQ(3.84f, camera.GetViewOffset().y);
    EXPECT_FLOAT_EQ(0.95f, camera.GetZoom());
    EXPECT_FLOAT_EQ(2.0f, camera.GetAspect());
    const f32* m = camera.GetViewMatrix().m;
    EXPECT_FLOAT_EQ(0.95f, m[0]);
    EXPECT_FLOAT_EQ(-3.2f * 0.95f, m[3]);
    EXPECT_FLOAT_EQ(2.0f * 0.95f, m[5]);
    EXPECT_FLOAT_EQ(-3.84f * 2.0f * 0.95f, m[7]);
    EXPECT_FLOAT_EQ(1.0f, m[10]);
    EXPECT_FLOAT_EQ(1.0f, m[15]);
    EXPECT_FLOAT_EQ(0.0f, m[1]);

    camera.SetViewOffset(CKetrelVector2(9.0f, -1.0f));
    camera.Update();
    EXPECT_FLOAT_EQ(3.2f, camera.GetViewOffset().x);
    EXPECT_FLOAT_EQ(0.0f, camera.GetViewOffset().y);
}
