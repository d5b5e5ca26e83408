// gtest before Xlib: Xlib's macros would break gtest's headers.
#include <gtest/gtest.h>

#include "RenderTestKit.h"
#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubResourceSource.h"
#include "game/screens/JubChatBubbleList.h"
#include "game/screens/JubEditState.h"
#include "game/screens/JubMenuState.h"
#include "game/screens/JubTrainingState.h"

// The game object drawing its screens through the real renderer and the built packs on
// the test program's private X server; each picture is also written beside the tests.
namespace
{
const int kW = 800, kH = 480;

std::string Built(const std::string& name)
{
    return std::string(KETREL_BINARY_DIR) + "/main/" + name;
}

std::string Shot(const std::string& name)
{
    return std::string(KETREL_BINARY_DIR) + "/tests/screens/" + name + ".png";
}

struct DrawFixture : public ::testing::Test
{
    void SetUp() override
    {
        if (!window.Open(kW, kH))
            GTEST_SKIP() << window.skipReason;
        resources.Init(window.app.get(), nullptr);
        for (const char* pack : {"dataUI.vad", "dataIntro.vad", "dataEffects.vad",
                                 "dataTextures.vad", "dataPlayers.vad", "dataScenes.vad"})
            ASSERT_EQ(1, resources.AddMediaPack(CKetrelString(Built(pack).c_str()), 1, 0)) << pack;
        source.reset(new CJubResourceSource(&resources));
        game.reset(new TestGame());
        game->SetAssetSource(source.get());
        game->shell.resources = &resources;
        ASSERT_EQ(KE_OK, game->Init(window.app.get()));
    }
    void TearDown() override
    {
        game.reset();
        source.reset();
        resources.ReleaseAll();
        window.Close();
    }
    std::vector<unsigned> Draw(const char* name)
    {
        window.Clear(0x000000);
        game->Render();
        std::vector<unsigned> frame = ReadFrame(window);
        EXPECT_TRUE(SaveFrame(window, frame, Shot(name))) << name;
        return frame;
    }
    static unsigned At(const std::vector<unsigned>& frame, int x, int y)
    {
        return frame[(size_t)y * kW + x];
    }
    static int Brightness(unsigned c)
    {
        return (int)(((c >> 16) & 255) + ((c >> 8) & 255) + (c & 255));
    }

    RenderTestWindow window;
    CBrixResourceManager resources;
    std::unique_ptr<CJubResourceSource> source;
    std::unique_ptr<TestGame> game;
};

TEST_F(DrawFixture, LoadingPictureThenTheMenu)
{
    // No screen yet: the title picture once it is loaded, else a cleared screen.
    std::vector<unsigned> empty = Draw("loading_empty");
    EXPECT_EQ(0x000000u, At(empty, 400, 240));
    ASSERT_NE(nullptr, game->GetAssets()->GetImage(0));
    std::vector<unsigned> title = Draw("loading");
    // The title's sky at the top, its ground at the bottom.
    EXPECT_LT(ColourDistance(At(title, 400, 10), 0x20BCD3), 40);
    EXPECT_GT((At(title, 400, 470) >> 16) & 255, 200u);

    game->stubs = {1, 2, 3, 4, 5};
    game->Activate();
    auto* menu = dynamic_cast<CJubMenuState*>(game->GetScreen(JUB_SCREEN_MENU));
    ASSERT_NE(nullptr, menu);
    std::vector<unsigned> spinner = Draw("menu_loading");
    // Dimmed while loading.
    EXPECT_LT(Brightness(At(spinner, 400, 10)), Brightness(At(title, 400, 10)));
    for (int i = 0; i < 200 && !menu->IsLaidOut(); ++i)
    {
        game->Frame(JUB_STEP_LENGTH_MS);
        game->Render();
    }
    ASSERT_EQ(1, menu->IsLaidOut());
    game->Steps(40);              // the buttons settle
    std::vector<unsigned> frame = Draw("menu");
    // The play button (green) at the centre, the exit button (red) right of it.
    const unsigned play = At(frame, 400, 210);
    EXPECT_GT((play >> 8) & 255, (play >> 16) & 255) << std::hex << play;
    CJubButton* exit = menu->GetButtons()->FindButton(JUB_MENU_EXIT);
    const unsigned red = At(frame, (int)exit->centre.x, (int)(exit->centre.y - exit->halfSize.y * 0.4f));
    EXPECT_GT((red >> 16) & 255, (red >> 8) & 255) << std::hex << red;
    // The mute corner is drawn over the menu.
    EXPECT_GT(Brightness(At(frame, kW - 32, 32)), 100);
}

TEST_F(DrawFixture, TrainingHintDimsTheScreen)
{
    game->stubs = {0, 1, 2, 3, 4};
    for (int i = 0; i < JUB_LOAD_TOTAL; ++i)
        game->LoadNextResource(1);
    game->SwitchToScreen(JUB_SCREEN_TRAINING);
    auto* training = dynamic_cast<CJubTrainingState*>(game->GetScreen(JUB_SCREEN_TRAINING));
    ASSERT_NE(nullptr, training);
    game->Steps(2);
    std::vector<unsigned> hint = Draw("training_hint");
    game->Steps(5 * 31);
    ASSERT_LT(training->GetHintTimer(), 0.0f);
    std::vector<unsigned> plain = Draw("training");
    EXPECT_LT(Brightness(At(hint, 20, 20)) + 60, Brightness(At(plain, 20, 20)));
    // The first scene button is drawn opaque, a locked one half transparent.
    CJubButton* first = training->GetButtons()->GetButton(0);
    CJubButton* second = training->GetButtons()->GetButton(1);
    const unsigned a = At(plain, (int)first->centre.x, (int)(first->centre.y + first->halfSize.y * 0.6f));
    const unsigned b = At(plain, (int)second->centre.x, (int)(second->centre.y + second->halfSize.y * 0.6f));
    EXPECT_NE(a, b);
}

TEST_F(DrawFixture, EditorAndChatBubbles)
{
    game->stubs = {0, 2, 3, 4, 5};
    game->SwitchToScreen(JUB_SCREEN_EDITOR);
    auto* editor = dynamic_cast<CJubEditState*>(game->GetScreen(JUB_SCREEN_EDITOR));
    ASSERT_NE(nullptr, editor);
    editor->SetMirror(1);
    for (int i = 0; i < 6; ++i)
    {
        editor->SetPaletteType(i * 3);
        editor->ApplyStyle(i % 4, 0, 1);
        ASSERT_NE(nullptr, editor->PlaceBlock(CKetrelVector2(0.2f + 0.1f * i, 0.1f + 0.12f * i)));
    }
    game->Steps(2);
    std::vector<unsigned> frame = Draw("editor");
    // The gradient: blue-green at the top, orange at the bottom.
    EXPECT_GT(At(frame, 5, 470) >> 16 & 255, At(frame, 5, 470) & 255);
    EXPECT_GT(At(frame, 5, 5) & 255, At(frame, 5, 5) >> 16 & 255);

    // Bubbles of the two speakers in opposite corners, inside the screen.
    CJubChatBubbleList* bubbles = game->GetChatBubbles();
    bubbles->AddBubble(CKetrelString("Nice shot!"), CKetrelString("Me"), 0xFF808080u,
                       CKetrelVector2(0.1f * kW, 0.825f * kH), CKetrelVector2(0, kH));
    bubbles->AddBubble(CKetrelString("gg"), CKetrelString("Opponent"), 0xFF808080u,
                       CKetrelVector2(0.9f * kW, 0.825f * kH), CKetrelVector2(kW, kH));
    window.Clear(0x000000);
    bubbles->Render();
    std::vector<unsigned> shot = ReadFrame(window);
    SaveFrame(window, shot, Shot("chat_bubbles"));
    int leftWhite = 0, rightWhite = 0, top = kH, bottom = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (Brightness(At(shot, x, y)) > 600)
            {
                (x < kW / 2 ? leftWhite : rightWhite)++;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GT(leftWhite, 200);
    EXPECT_GT(rightWhite, 100);
    EXPECT_GE(top, 0);
    EXPECT_LE(bottom, (int)(0.85f * kH) + 12);
}
}

namespace
{
TEST_F(DrawFixture, TrainingMatchDrawsTheLevel)
{
    game->stubs = {0, 1, 3, 4};
    for (int i = 0; i < JUB_LOAD_TOTAL; ++i)
        game->LoadNextResource(1);
    game->SwitchToScreen(JUB_SCREEN_TRAINING);
    auto* training = dynamic_cast<CJubTrainingState*>(game->GetScreen(JUB_SCREEN_TRAINING));
    ASSERT_NE(nullptr, training);
    training->OnButtonClicked(training->GetButtons()->GetButton(0));
    game->Steps(60);
    ASSERT_NE(nullptr, game->GetPlayScreen());
    std::vector<unsigned> frame = Draw("training_match");
    // Something of the level is drawn over the cleared screen.
    int drawn = 0;
    for (unsigned c : frame)
        drawn += c != 0 ? 1 : 0;
    EXPECT_GT(drawn, kW * kH / 10);
}
}
