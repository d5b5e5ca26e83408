#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "game/match/JubBlock.h"
#include "game/match/JubCamera.h"
#include "game/match/JubPhysicsBody.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/screens/JubEditState.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace
{
// Runs the test inside a fresh temporary folder (the editor writes beside the program
// without an application).
class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/jubeditXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_dir = pattern;
        ASSERT_NE(nullptr, getcwd(m_old, sizeof(m_old)));
        ASSERT_EQ(0, chdir(m_dir.c_str()));
        game.stubs = {0, 3, 4, 5};
        ASSERT_EQ(KE_OK, game.Start());
        game.SwitchToScreen(JUB_SCREEN_EDITOR);
        editor = dynamic_cast<CJubEditState*>(game.GetScreen(JUB_SCREEN_EDITOR));
        ASSERT_NE(nullptr, editor);
    }
    void TearDown() override
    {
        ASSERT_EQ(0, chdir(m_old));
        std::string command = "rm -rf " + m_dir;
        ASSERT_EQ(0, std::system(command.c_str()));
    }
    CJubBlockSet* Blocks() { return editor->GetScene()->GetBlocks(); }
    std::tuple<int, int> Cell(const CJubBlock* b)
    {
        i8 gx, gy;
        game.GetRenderer()->GetCamera().WorldToGrid(b->body->GetPosition(), gx, gy);
        return std::make_tuple((int)gx, (int)gy);
    }
    CKetrelVector2 Screen(const CKetrelVector2& world)
    {
        CKetrelVector2 s;
        game.GetRenderer()->GetCamera().WorldToScreen(world, s);
        return s;
    }

    TestGame game;
    CJubEditState* editor = nullptr;
    std::string m_dir;
    char m_old[4096];
};

TEST_F(EditorTest, PlaceMoveRestyleAndDeleteWithoutMirror)
{
    editor->SetPaletteType(3);
    editor->ApplyStyle(2, 1, 2);
    CJubBlock* block = editor->PlaceBlock(CKetrelVector2(0.31f, 0.22f));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1, Blocks()->GetCount());
    EXPECT_EQ(block, editor->GetSelected());
    EXPECT_EQ(3, block->type);
    EXPECT_EQ(std::make_tuple(2, 1, 2), std::make_tuple((int)block->material, (int)block->flags, (int)block->layer));
    EXPECT_EQ(nullptr, block->twin);

    editor->MoveSelected(CKetrelVector2(-0.5f, 0.4f));
    CKetrelVector2 snapped;
    game.GetRenderer()->GetCamera().SnapToGrid(CKetrelVector2(-0.5f, 0.4f), snapped);
    EXPECT_FLOAT_EQ(snapped.x, block->body->GetPosition().x);
    EXPECT_FLOAT_EQ(snapped.y, block->body->GetPosition().y);

    editor->ApplyStyle(-1, -1, 0);
    EXPECT_EQ(0, block->layer);
    EXPECT_EQ(2, block->material);
    editor->DeleteSelected();
    EXPECT_EQ(0, Blocks()->GetCount());
    EXPECT_EQ(nullptr, editor->GetSelected());
}

TEST_F(EditorTest, MirrorKeepsTwinsInStep)
{
    editor->SetMirror(1);
    CJubBlock* block = editor->PlaceBlock(CKetrelVector2(0.31f, 0.22f));
    ASSERT_NE(nullptr, block);
    ASSERT_EQ(2, Blocks()->GetCount());
    CJubBlock* twin = block->twin;
    ASSERT_NE(nullptr, twin);
    EXPECT_EQ(block, twin->twin);
    EXPECT_EQ(-std::get<0>(Cell(block)), std::get<0>(Cell(twin)));
    EXPECT_EQ(std::get<1>(Cell(block)), std::get<1>(Cell(twin)));

    editor->MoveSelected(CKetrelVector2(0.6f, -0.1f));
    EXPECT_EQ(-std::get<0>(Cell(block)), std::get<0>(Cell(twin)));
    EXPECT_EQ(std::get<1>(Cell(block)), std::get<1>(Cell(twin)));

    editor->ApplyStyle(3, 2, 1);
    EXPECT_EQ(3, twin->material);
    EXPECT_EQ(2, twin->flags);

    // A block on the centre line has no twin.
    EXPECT_NE(nullptr, editor->PlaceBlock(CKetrelVector2(0.001f, 0.5f)));
    EXPECT_EQ(3, Blocks()->GetCount());

    // Deleting with the mirror on takes the twin along.
    CJubBlock* again = editor->PlaceBlock(CKetrelVector2(-0.7f, 0.3f));
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(5, Blocks()->GetCount());
    editor->DeleteSelected();
    EXPECT_EQ(3, Blocks()->GetCount());

    // With the mirror off, the twin stays and is unlinked.
    editor->SetMirror(0);
    CJubBlock* lone = editor->PlaceBlock(CKetrelVector2(0.9f, 0.9f));
    ASSERT_NE(nullptr, lone);
    editor->SetMirror(1);
    CJubBlock* pair = editor->PlaceBlock(CKetrelVector2(0.4f, 0.9f));
    ASSERT_NE(nullptr, pair);
    CJubBlock* pairTwin = pair->twin;
    ASSERT_NE(nullptr, pairTwin);
    editor->SetMirror(0);
    editor->DeleteSelected();
    EXPECT_EQ(nullptr, pairTwin->twin);
    EXPECT_EQ(Blocks()->FindBlock(pairTwin->id), pairTwin);
}

TEST_F(EditorTest, BlockLimitLeavesNoSelection)
{
    i32 placed = 0;
    for (i32 i = 0; i < 260; ++i)
        if (editor->PlaceBlock(CKetrelVector2(-0.9f + (i % 20) * 0.09f, (i / 20) * 0.09f)))
            ++placed;
    EXPECT_EQ(JUB_EDIT_MAX_BLOCKS, Blocks()->GetCount());
    EXPECT_EQ(nullptr, editor->GetSelected());
    EXPECT_EQ(JUB_EDIT_MAX_BLOCKS, placed);
}

TEST_F(EditorTest, CounterColours)
{
    const std::pair<int, u32> cases[] = {{0, 0xFFFFFFFFu}, {50, 0xFFFFFFFFu}, {51, 0xFFFFFF56u},
                                         {100, 0xFFFFFF56u}, {101, 0xFFFF8C26u},
                                         {222, 0xFFFF8C26u}, {223, 0xFFFF0000u}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, CJubEditState::CounterColour(c.first)) << c.first;
    EXPECT_FLOAT_EQ(0.01f, CJubEditState::PanFactor(0.0f));
    EXPECT_FLOAT_EQ(0.0009f, CJubEditState::PanFactor(4.0f));
}

TEST_F(EditorTest, TouchesPlacePickDragAndToggleMarkers)
{
    game.Steps(1);
    EXPECT_FLOAT_EQ(0.1f, game.GetRenderer()->GetEditorWater());
    const CKetrelVector2 at = Screen(CKetrelVector2(0.3f, 0.3f));
    // Touch 1 places a block where it goes down.
    game.OnPointerDown(1, (i32)at.x, (i32)at.y);
    game.Steps(1);
    game.OnPointerUp(1, (i32)at.x, (i32)at.y);
    game.Steps(1);
    ASSERT_EQ(1, Blocks()->GetCount());
    CJubBlock* block = Blocks()->GetBlock(0);
    const auto start = Cell(block);

    // Touch 0 picks it and drags it by whole cells.
    game.OnPointerDown(0, (i32)at.x + 2, (i32)at.y + 2);
    game.Steps(1);
    EXPECT_EQ(block, editor->GetSelected());
    game.OnPointerMove(0, (i32)at.x + 82, (i32)at.y + 2);
    game.Steps(1);
    game.OnPointerUp(0, (i32)at.x + 82, (i32)at.y + 2);
    game.Steps(1);
    EXPECT_GT(std::get<0>(Cell(block)), std::get<0>(start));
    EXPECT_EQ(std::get<1>(start), std::get<1>(Cell(block)));

    // Touch 2 released without a drag adds a marker, and again removes it.
    const CKetrelVector2 m = Screen(CKetrelVector2(-0.5f, 0.5f));
    for (int expected : {1, 0})
    {
        game.OnPointerDown(2, (i32)m.x, (i32)m.y);
        game.Steps(1);
        game.OnPointerUp(2, (i32)m.x, (i32)m.y);
        game.Steps(1);
        EXPECT_EQ(expected, editor->GetScene()->GetMarkerCount());
    }

    // The mirror tool toggles on a press; the grid tool too.
    const CKetrelRectF mirror = editor->GetTool(JUB_TOOL_MIRROR);
    game.Tap((mirror.left + mirror.right) / 2, (mirror.top + mirror.bottom) / 2);
    EXPECT_EQ(1, editor->IsMirror());
    const CKetrelRectF grid = editor->GetTool(JUB_TOOL_GRID);
    game.Tap((grid.left + grid.right) / 2, (grid.top + grid.bottom) / 2);
    EXPECT_EQ(0, editor->IsGrid());
}

// Two fingers that go down together in the scene and spread zoom in; the selected
// block stays selected, nothing is picked, placed or panned. The first finger left down
// after the pinch neither drags that block nor pans until it lifts.
TEST_F(EditorTest, PinchZoomsAndHoldsSelectionAndView)
{
    for (const int firstStays : {0, 1})
    {
        SCOPED_TRACE(firstStays ? "first finger stays and moves" : "both fingers lift");
        game.SwitchToScreen(JUB_SCREEN_EDITOR);
        game.Steps(1);
        ASSERT_EQ(0, Blocks()->GetCount());
        CJubBlock* block = editor->PlaceBlock(CKetrelVector2(0.0f, 1.2f));
        ASSERT_NE(nullptr, block);
        const CKetrelVector2 where = block->body->GetPosition();
        const CKetrelVector2 at = Screen(where);
        ASSERT_GT(std::abs(at.y - 350.0f), 60.0f);
        CJubCamera& camera = game.GetRenderer()->GetCamera();
        const f32 zoom = camera.GetZoom();
        const CKetrelVector2 view = camera.GetViewOffset();

        game.OnPointerDown(0, 300, 350);
        game.OnPointerDown(1, 500, 350);
        game.Steps(1);
        game.OnPointerMove(0, 270, 350);
        game.OnPointerMove(1, 530, 350);
        game.Steps(1);
        game.OnPointerMove(0, 240, 350);
        game.OnPointerMove(1, 560, 350);
        game.Steps(1);
        EXPECT_NEAR(zoom * 1.6f * 1.6f, camera.GetZoom(), 1e-4f);
        EXPECT_EQ(block, editor->GetSelected());
        EXPECT_EQ(0, editor->IsPanning());
        EXPECT_FLOAT_EQ(view.x, camera.GetViewOffset().x);
        EXPECT_FLOAT_EQ(view.y, camera.GetViewOffset().y);
        game.OnPointerUp(1, 560, 350);
        if (firstStays)
        {
            game.Steps(1);
            game.OnPointerMove(0, 200, 300);
            game.Steps(2);
            EXPECT_EQ(0, editor->IsPanning());
            EXPECT_FLOAT_EQ(view.x, camera.GetViewOffset().x);
            EXPECT_FLOAT_EQ(view.y, camera.GetViewOffset().y);
        }
        game.OnPointerUp(0, 240, 350);
        game.Steps(2);
        EXPECT_EQ(1, Blocks()->GetCount());
        EXPECT_EQ(block, editor->GetSelected());
        EXPECT_FLOAT_EQ(where.x, block->body->GetPosition().x);
        EXPECT_FLOAT_EQ(where.y, block->body->GetPosition().y);
        editor->DeleteSelected();
    }
}

// Pick a palette cell, lift the finger, touch the scene: a block of that cell is placed.
TEST_F(EditorTest, PaletteCellChosenThenSceneTouchedPlacesABlock)
{
    game.Steps(1);
    const CKetrelRectF cell = editor->GetPaletteCell(2);
    const i32 x = (i32)((cell.left + cell.right) / 2), y = (i32)((cell.top + cell.bottom) / 2);
    game.Tap((f32)x, (f32)y);
    EXPECT_EQ(2, editor->GetPaletteType());
    EXPECT_EQ(1, editor->IsPaletteDrag());
    EXPECT_EQ(0, Blocks()->GetCount());
    const CKetrelVector2 at = Screen(CKetrelVector2(0.3f, 0.3f));
    game.Tap(at.x, at.y);
    ASSERT_EQ(1, Blocks()->GetCount());
    EXPECT_EQ(2, Blocks()->GetBlock(0)->type);
    EXPECT_EQ(Blocks()->GetBlock(0), editor->GetSelected());
    EXPECT_EQ(0, editor->IsPaletteDrag());
    // The cell is spent: the next touch in the scene picks again.
    const CKetrelVector2 away = Screen(CKetrelVector2(-0.6f, 0.3f));
    game.Tap(away.x, away.y);
    EXPECT_EQ(1, Blocks()->GetCount());
    EXPECT_EQ(nullptr, editor->GetSelected());
}

TEST_F(EditorTest, PaletteSpringsBack)
{
    game.Steps(1);
    const f32 home = editor->GetPaletteCell(0).left;
    const CKetrelRectF cell = editor->GetPaletteCell(1);
    const i32 y = (i32)((cell.top + cell.bottom) / 2);
    game.OnPointerDown(0, (i32)cell.left + 4, y);
    game.Steps(1);
    EXPECT_EQ(1, editor->IsPaletteDrag());
    game.OnPointerMove(0, (i32)cell.left + 204, y);
    game.Steps(1);
    EXPECT_GT(editor->GetPaletteCell(0).left, home + 200.0f);
    game.OnPointerUp(0, (i32)cell.left + 204, y);
    game.Steps(120);
    EXPECT_NEAR(editor->GetPaletteCell(0).Width(), editor->GetPaletteCell(0).left, 2.0f);
    EXPECT_EQ(0, Blocks()->GetCount());
}

TEST_F(EditorTest, SavedLevelLoadsBackTheSame)
{
    editor->SetMirror(1);
    const CKetrelVector2 points[] = {{0.31f, 0.22f}, {-0.6f, 0.05f}, {0.1f, 0.7f}};
    i32 type = 0;
    for (const CKetrelVector2& p : points)
    {
        editor->SetPaletteType(type++ * 5);
        editor->ApplyStyle(type % 4, type % 3, type % 3);
        ASSERT_NE(nullptr, editor->PlaceBlock(p));
    }
    editor->ToggleMarker(CKetrelVector2(0.2f, 0.2f));
    std::vector<std::tuple<int, int, int, int, int, int>> before;
    for (i32 i = 0; i < Blocks()->GetCount(); ++i)
    {
        const CJubBlock* b = Blocks()->GetBlock(i);
        before.emplace_back(b->type, std::get<0>(Cell(b)), std::get<1>(Cell(b)), b->material,
                            b->flags, b->layer);
    }

    ASSERT_EQ(KE_OK, editor->Save());
    EXPECT_EQ(1, editor->IsDone());
    EXPECT_EQ(JUB_SCREEN_MENU, editor->GetNextState());

    CJubPhysicsWorld world;
    CJubScene scene;
    scene.Init(nullptr, &game.GetRenderer()->GetCamera(), &world, 1);
    ASSERT_EQ(KE_OK, scene.Load(CKetrelString("newscene.scn")));
    std::vector<std::tuple<int, int, int, int, int, int>> after;
    for (i32 i = 0; i < scene.GetBlocks()->GetCount(); ++i)
    {
        const CJubBlock* b = scene.GetBlocks()->GetBlock(i);
        after.emplace_back(b->type, std::get<0>(Cell(b)), std::get<1>(Cell(b)), b->material,
                           b->flags, b->layer);
    }
    EXPECT_EQ(before, after);
    EXPECT_EQ(1, scene.GetMarkerCount());
}

TEST_F(EditorTest, FailedSaveKeepsTheEditorOpen)
{
    ASSERT_NE(nullptr, editor->PlaceBlock(CKetrelVector2(0.3f, 0.3f)));
    // A folder in the way of the level file: the rename fails.
    ASSERT_EQ(0, mkdir("newscene.scn", 0700));
    ASSERT_EQ(0, mkdir("newscene.scn/keep", 0700));
    EXPECT_NE(KE_OK, editor->Save());
    EXPECT_EQ(0, editor->IsDone());
    EXPECT_EQ(1, Blocks()->GetCount());
    game.Steps(1);
    EXPECT_EQ(editor, game.GetScreen(JUB_SCREEN_EDITOR));
}
}
