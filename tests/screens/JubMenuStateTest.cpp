#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/screens/JubMenuState.h"

namespace
{
CJubMenuState* OpenMenu(TestGame& game)
{
    game.stubs = {1, 2, 3, 4, 5};
    if (game.Start() != KE_OK)
        return nullptr;
    game.Activate();
    return dynamic_cast<CJubMenuState*>(game.GetScreen(JUB_SCREEN_MENU));
}

// Frames with drawing until the menu has laid out its buttons.
void LoadMenu(TestGame& game, CJubMenuState* menu)
{
    for (int i = 0; i < 200 && !menu->IsLaidOut(); ++i)
        game.Frame(JUB_STEP_LENGTH_MS, 1);
}

CJubButton* Button(CJubMenuState* menu, i32 id)
{
    return menu->GetButtons()->FindButton(id);
}

TEST(JubMenuState, LoadsOnePerFrameThenLaysOut)
{
    TestGame game;
    CJubMenuState* menu = OpenMenu(game);
    ASSERT_NE(nullptr, menu);
    game.Steps(3);                   // nothing drawn yet: nothing asked for
    EXPECT_EQ(0, game.GetLoadingPosition());
    game.Frame(JUB_STEP_LENGTH_MS, 1);
    game.Frame(JUB_STEP_LENGTH_MS, 1);
    EXPECT_EQ(1, game.GetLoadingPosition());
    EXPECT_EQ(0, menu->GetButtons()->GetButtonCount());
    LoadMenu(game, menu);
    EXPECT_EQ(1, game.IsLoadingDone());
    EXPECT_EQ(8, menu->GetButtons()->GetButtonCount());
    EXPECT_EQ(0, Button(menu, JUB_MENU_CREDITS_CLOSE)->visible);
    ASSERT_EQ(1u, game.shell.music.size());
    EXPECT_EQ("GloobTheme.mp3", game.shell.music[0]);
    // 800 x 480: u = 100, the play button at the centre with half size u.
    EXPECT_FLOAT_EQ(400.0f, Button(menu, JUB_MENU_PLAY)->centre.x);
    EXPECT_FLOAT_EQ(100.0f, Button(menu, JUB_MENU_PLAY)->halfSize.x);
    EXPECT_FLOAT_EQ(400.0f - 210.0f, Button(menu, JUB_MENU_CREDITS)->centre.x);
}

struct ClickCase
{
    i32 button;
    i32 screen;            // opened afterwards, -1 for none
    int matchRequests;
};

TEST(JubMenuState, ClicksOpenTheirScreensAfterTheAnimation)
{
    const ClickCase cases[] = {{JUB_MENU_PLAY, JUB_SCREEN_CONNECTING, 1},
                               {JUB_MENU_TRAINING, JUB_SCREEN_TRAINING, 0},
                               {JUB_MENU_INTRO, JUB_SCREEN_INTRO, 0}};
    for (const ClickCase& c : cases)
    {
        SCOPED_TRACE(c.button);
        TestGame game;
        CJubMenuState* menu = OpenMenu(game);
        LoadMenu(game, menu);
        CJubButton* b = Button(menu, c.button);
        game.Tap(b->centre.x, b->centre.y);
        EXPECT_EQ(1, menu->IsLeaveRequested());
        EXPECT_NE(nullptr, game.GetScreen(JUB_SCREEN_MENU));   // still animating
        game.Steps(30);
        EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_MENU));
        EXPECT_NE(nullptr, game.GetScreen(c.screen));
        EXPECT_EQ(c.matchRequests, game.session.matchRequests);
        EXPECT_GE(game.shell.musicStops, 1);
    }
}

TEST(JubMenuState, HelpShareAndExit)
{
    TestGame game;
    CJubMenuState* menu = OpenMenu(game);
    LoadMenu(game, menu);
    for (i32 id : {JUB_MENU_HELP, JUB_MENU_SHARE, JUB_MENU_EXIT})
    {
        CJubButton* b = Button(menu, id);
        game.Tap(b->centre.x, b->centre.y);
        game.Steps(30);
    }
    ASSERT_EQ(2u, game.shell.urls.size());
    EXPECT_EQ("http://127.0.0.1:8080/api/forward.php?link=help&game=64&release=7&rid=Ovi",
              game.shell.urls[0]);
    EXPECT_EQ("http://127.0.0.1:8080/api/forward.php?link=facebook&game=64&release=7&rid=Ovi",
              game.shell.urls[1]);
    EXPECT_EQ(std::vector<int>{1}, game.session.loginMenus);
    EXPECT_EQ(menu, game.GetScreen(JUB_SCREEN_MENU));
}

TEST(JubMenuState, CreditsRollClampsAndEnds)
{
    TestGame game;
    CJubMenuState* menu = OpenMenu(game);
    LoadMenu(game, menu);
    CJubButton* credits = Button(menu, JUB_MENU_CREDITS);
    game.Tap(credits->centre.x, credits->centre.y);
    ASSERT_EQ(1, menu->IsCreditsShown());
    EXPECT_EQ(0, Button(menu, JUB_MENU_PLAY)->visible);
    EXPECT_EQ(1, Button(menu, JUB_MENU_CREDITS_CLOSE)->visible);

    EXPECT_EQ(1, menu->AdvanceCredits(1000));
    EXPECT_FLOAT_EQ(-48.0f, menu->GetCreditsScroll());       // a tenth of 480 per second
    // Dragged down: never below the start.
    game.OnPointerDown(0, 400, 200);
    game.Steps(1);
    game.OnPointerMove(0, 400, 400);
    game.Steps(1);
    EXPECT_EQ(1, menu->AdvanceCredits(16));
    EXPECT_FLOAT_EQ(0.0f, menu->GetCreditsScroll());
    game.OnPointerUp(0, 400, 400);
    game.Steps(1);
    EXPECT_EQ(1, menu->AdvanceCredits(0));

    // Runs out by itself and brings the buttons back.
    int frames = 0;
    while (menu->AdvanceCredits(1000) && frames < 1000)
        ++frames;
    EXPECT_GT(frames, 10);
    EXPECT_EQ(0, menu->IsCreditsShown());
    EXPECT_EQ(1, Button(menu, JUB_MENU_PLAY)->visible);
    EXPECT_EQ(0, Button(menu, JUB_MENU_CREDITS_CLOSE)->visible);
}

TEST(JubMenuState, CreditTableAndFade)
{
    EXPECT_EQ(113, CJubMenuState::GetCreditCount());
    // A heading is a row of page 666, whatever its letters.
    int headings = 0;
    for (i32 i = 0; i < CJubMenuState::GetCreditCount(); ++i)
    {
        const std::string text = Utf8(CJubMenuState::GetCreditText(i));
        const int heading = CJubAssetNames::CreditPage(i) == 666 ? 1 : 0;
        EXPECT_EQ(heading, CJubMenuState::IsCreditHeading(i)) << i << " " << text;
        if (text == "READY, AIM, FIRE!")
        {
            EXPECT_EQ(0, CJubMenuState::IsCreditHeading(i)) << "a line of capitals";
        }
        headings += heading;
    }
    EXPECT_EQ(15, headings);
    EXPECT_EQ(1, CJubMenuState::IsCreditHeading(0));
    EXPECT_EQ(0, CJubMenuState::IsCreditHeading(1));          // empty line
    EXPECT_EQ(0, CJubMenuState::IsCreditHeading(2));
    EXPECT_EQ(0, CJubMenuState::IsCreditHeading(113));
    // H = 480 - 800 / 5 = 320: opaque above H, transparent from 1.2 H.
    const f32 cases[][2] = {{0, 1}, {320, 1}, {352, 0.5f}, {384, 0}, {470, 0}};
    for (const auto& c : cases)
        EXPECT_NEAR(c[1], CJubMenuState::CreditAlpha(c[0], 480, 800), 1e-5) << c[0];
}

}
