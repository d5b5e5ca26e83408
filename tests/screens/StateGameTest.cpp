#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "game/screens/JubChatBubbleList.h"

#include <algorithm>

namespace
{
const std::set<int> kAllStubs = {0, 1, 3, 4, 5};

struct StepCase
{
    const char* name;
    std::vector<u64> frames;     // milliseconds between frames
    std::vector<int> steps;      // steps run by each frame
    u32 remainder;               // accumulator after the last frame
};

TEST(StateGame, FixedStepsAgainstAFakeClock)
{
    const StepCase cases[] = {
        {"exact steps", {33, 33, 33}, {1, 1, 1}, 0},
        {"100 ms keeps 1 ms", {100}, {3}, 1},
        {"fractions carry over", {20, 20, 20, 6}, {0, 1, 0, 1}, 0},
        {"five steps still run", {165}, {5}, 0},
        {"six due run one and drop the rest", {200}, {1}, 2},
        {"a long pause drops", {5000, 33}, {1, 1}, 5000 % 33},
        {"60 Hz frames", {16, 17, 16, 17, 16, 17}, {0, 1, 0, 1, 0, 1}, 0},
    };
    for (const StepCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestGame game;
        game.stubs = kAllStubs;
        ASSERT_EQ(KE_OK, game.Start());
        game.Activate();
        StubScreen* menu = game.Stub(0);
        ASSERT_NE(nullptr, menu);
        int total = 0;
        for (size_t i = 0; i < c.frames.size(); ++i)
        {
            const int before = menu->updates;
            game.Frame(c.frames[i]);
            EXPECT_EQ(c.steps[i], menu->updates - before) << "frame " << i;
            EXPECT_LE(game.GetStepsThisFrame(), JUB_MAX_STEPS_PER_FRAME);
            total += c.steps[i];
        }
        EXPECT_EQ(c.remainder, game.GetAccumulator());
        EXPECT_EQ(total, menu->updates);
    }
}

TEST(StateGame, ClockGoingBackRunsNoStep)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    game.Frame(20);
    game.now -= 500;
    game.Frame(0);
    EXPECT_EQ(0, game.Stub(0)->updates);
    EXPECT_EQ(0u, game.GetAccumulator());
    game.Frame(33);
    EXPECT_EQ(1, game.Stub(0)->updates);
}

TEST(StateGame, NoStepIsLostOrDoubledOverManyFrames)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    u64 elapsed = 0;
    const u64 pattern[] = {7, 16, 33, 1, 40, 99, 12, 0, 66};
    for (int i = 0; i < 900; ++i)
    {
        const u64 ms = pattern[i % 9];
        elapsed += ms;
        game.Frame(ms);
    }
    EXPECT_EQ((int)(elapsed / 33), game.Stub(0)->updates);
    EXPECT_EQ(elapsed % 33, game.GetAccumulator());
}

TEST(StateGame, RateCountersAtSixtyFrames)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    for (int i = 0; i < 600; ++i)
        game.Frame(i % 3 == 2 ? 16 : 17, 1);
    // A counting second ends on the first frame past it, so it holds 30 or 31 steps.
    EXPECT_NEAR(30, game.GetStepsPerSecond(), 1);
    EXPECT_GE(game.GetFramesPerSecond(), 59);
    EXPECT_LE(game.GetFramesPerSecond(), 61);
}

TEST(StateGame, TouchTableEdges)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    const CJubTouchState& touch = game.GetTouchState();

    // Down and up between two steps: never seen.
    game.OnPointerDown(3, 100, 100);
    game.OnPointerUp(3, 100, 100);
    game.Steps(1);
    EXPECT_EQ(0, touch.points[3].pressed);
    EXPECT_EQ(0, touch.points[3].released);
    EXPECT_EQ(0, touch.anyPressed);

    game.OnPointerDown(3, 100, 100);
    game.Steps(1);
    EXPECT_EQ(1, touch.points[3].pressed);
    EXPECT_EQ(1, touch.anyPressed);
    game.OnPointerMove(3, 110, 90);
    game.Steps(1);
    EXPECT_EQ(0, touch.points[3].pressed);
    EXPECT_EQ(1, touch.points[3].moved);
    EXPECT_FLOAT_EQ(10.0f, touch.points[3].stepDelta.x);
    EXPECT_FLOAT_EQ(-10.0f, touch.points[3].drag.y);
    game.Steps(1);
    EXPECT_EQ(0, touch.points[3].moved);
    game.OnPointerUp(3, 0, 0);
    game.Steps(1);
    EXPECT_EQ(1, touch.points[3].released);
    EXPECT_FLOAT_EQ(110.0f, touch.points[3].position.x);   // kept on release

    // Ids outside 0..15 are ignored.
    EXPECT_EQ(1, game.OnPointerDown(16, 1, 1));
    EXPECT_EQ(1, game.OnPointerDown(-1, 1, 1));
}

TEST(StateGame, PinchChangeIsZeroOnItsFirstStep)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    const CJubTouchState& touch = game.GetTouchState();
    game.OnPointerDown(0, 300, 200);
    game.OnPointerDown(1, 400, 200);
    game.Steps(1);
    EXPECT_EQ(1, touch.pinch);
    EXPECT_FLOAT_EQ(0.0f, touch.pinchChange);
    EXPECT_FLOAT_EQ(100.0f, touch.pinchDistance);
    game.OnPointerMove(1, 450, 200);
    game.Steps(1);
    EXPECT_FLOAT_EQ(50.0f, touch.pinchChange);
    game.Steps(1);
    EXPECT_FLOAT_EQ(0.0f, touch.pinchChange);
    game.OnPointerUp(0, 0, 0);
    game.Steps(1);
    EXPECT_EQ(0, touch.pinch);
}

TEST(StateGame, MuteButtonTogglesOnReleaseAndTakesTouchZero)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    const CKetrelRectF square = game.GetMuteSquare();
    EXPECT_FLOAT_EQ(800.0f - 2.0f * 32.0f, square.left);
    EXPECT_FLOAT_EQ(64.0f, square.bottom);
    const i32 x = (i32)(square.left + 5), y = 5;

    game.OnPointerDown(0, x, y);
    game.Steps(1);
    EXPECT_EQ(1, game.GetMuteResult());
    EXPECT_EQ(0, game.shell.muteToggles);
    game.Steps(1);
    EXPECT_EQ(0, game.GetMuteResult());      // held, not pressed again
    game.OnPointerUp(0, x, y);
    game.Steps(1);
    EXPECT_EQ(1, game.GetMuteResult());
    EXPECT_EQ(1, game.shell.muteToggles);
    EXPECT_EQ(1, game.shell.soundMuted);
    EXPECT_FLOAT_EQ(-1.0f, game.GetMutePulse());

    // Both muted: the next toggle unmutes all; a touch outside does nothing.
    game.OnPointerDown(0, x, y);
    game.Steps(1);
    game.OnPointerUp(0, x, y);
    game.Steps(1);
    EXPECT_EQ(0, game.shell.soundMuted);
    game.OnPointerDown(0, 10, 300);
    game.Steps(1);
    EXPECT_EQ(0, game.GetMuteResult());
    game.OnPointerUp(0, 10, 300);
    game.Steps(1);
    EXPECT_EQ(2, game.shell.muteToggles);
}

struct TransitionCase
{
    int from, next;
    int opened;          // screen id expected afterwards, -1 none
    int findsMatch;
    int stopsMusic;
};

TEST(StateGame, TransitionTable)
{
    const TransitionCase cases[] = {
        {0, 1, 1, 0, 0}, {0, 2, 3, 1, 1}, {0, 5, 5, 0, 0}, {0, 4, 4, 0, 1},
        {1, 0, 0, 0, 0}, {3, 0, 0, 0, 0}, {4, 0, 0, 0, 0}, {5, 0, 0, 0, 0},
        {0, 3, -1, 0, 0}, {5, 4, -1, 0, 0}, {4, 1, -1, 0, 0},
    };
    for (const TransitionCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.next);
        TestGame game;
        game.stubs = kAllStubs;
        ASSERT_EQ(KE_OK, game.Start());
        game.SwitchToScreen(c.from);
        StubScreen* from = game.Stub(c.from);
        ASSERT_NE(nullptr, from);
        from->Finish(c.next);
        const int stops = game.shell.musicStops;
        game.Steps(1);
        EXPECT_EQ(nullptr, game.GetScreen(c.from));
        if (c.opened >= 0)
        {
            ASSERT_EQ(1, game.GetActiveCount());
            EXPECT_EQ(c.opened, game.GetActiveAt(0)->GetStateId());
            EXPECT_EQ(0, game.GetActiveAt(0)->IsDone());
            // Opened during the pass, updated in the same step.
            EXPECT_EQ(1, game.Stub(c.opened)->updates);
        }
        else
        {
            EXPECT_EQ(0, game.GetActiveCount());
        }
        EXPECT_EQ(c.findsMatch, game.session.matchRequests);
        EXPECT_EQ(c.stopsMusic, game.shell.musicStops > stops ? 1 : 0);
    }
}

// A screen that cannot be made leaves the menu, made afresh, never an empty screen.
TEST(StateGame, ScreenThatCannotBeMadeOpensTheMenu)
{
    struct Case
    {
        const char* name;
        int from, next, refused;
        int menus;           // menus made in all (the first one included when from is 0)
    } cases[] = {
        {"training to a match", 5, 2, 2, 1},
        {"menu to connecting", 0, 2, 3, 2},
        {"menu to training", 0, 5, 5, 2},
        {"menu to intro", 0, 4, 4, 2},
        {"play to training", 2, 5, 5, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestGame game;
        game.stubs = {0, 1, 2, 3, 4, 5};
        ASSERT_EQ(KE_OK, game.Start());
        ASSERT_EQ(1, game.SwitchToScreen(c.from));
        game.refused = {c.refused};
        EXPECT_EQ(0, game.SwitchToScreen(c.refused));
        game.Stub(c.from)->Finish(c.next);
        game.Steps(1);
        ASSERT_EQ(1, game.GetActiveCount());
        EXPECT_EQ(JUB_SCREEN_MENU, game.GetActiveAt(0)->GetStateId());
        EXPECT_EQ(0, game.GetActiveAt(0)->IsDone());
        EXPECT_EQ(c.menus, (int)std::count(game.created.begin(), game.created.end(), 0));
        // No match is asked for without the screen that can give the request up.
        EXPECT_EQ(0, game.session.matchRequests);
    }
    // Without a menu either, nothing is left to open.
    TestGame game;
    game.stubs = {0, 1, 2, 3, 4, 5};
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(JUB_SCREEN_TRAINING);
    game.refused = {JUB_SCREEN_PLAY, JUB_SCREEN_MENU};
    game.Stub(JUB_SCREEN_TRAINING)->Finish(JUB_SCREEN_PLAY);
    game.Steps(1);
    EXPECT_EQ(0, game.GetActiveCount());
}

// A match whose play screen cannot be made opens the menu and is left at once, as the
// leave button leaves it: a loss, or a draw when a player was missing.
TEST(StateGame, MatchWithoutItsPlayScreenOpensTheMenuAndIsLeft)
{
    struct Case
    {
        int ownId, secondPlayer;
        std::vector<int> ids, codes;
    } cases[] = {
        {100, 1, {100, 200}, {2, 1}},
        {200, 1, {100, 200}, {1, 2}},
        {100, 0, {100, -1}, {1, 1}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.ownId << (c.secondPlayer ? "" : ", alone"));
        TestGame game;
        game.stubs = {0, 1, 2, 3, 4, 5};
        ASSERT_EQ(KE_OK, game.Start());
        game.SwitchToScreen(JUB_SCREEN_CONNECTING);
        game.shell.players[0] = {100, "Ann"};
        if (c.secondPlayer)
            game.shell.players[1] = {200, "Bob"};
        game.session.ownId = c.ownId;
        game.refused = {JUB_SCREEN_PLAY};
        game.StartMatch(1);
        game.Steps(1);
        ASSERT_EQ(1, game.GetActiveCount());
        EXPECT_EQ(JUB_SCREEN_MENU, game.GetActiveAt(0)->GetStateId());
        EXPECT_EQ(0, game.IsGameScreenBusy());
        EXPECT_EQ(1, game.IsMatchStopped());
        ASSERT_EQ(1u, game.session.results.size());
        EXPECT_EQ(c.ids, game.session.results[0].first);
        EXPECT_EQ(c.codes, game.session.results[0].second);
        EXPECT_EQ(std::vector<int>{1}, game.session.abandoned);
        EXPECT_TRUE(game.session.sent.empty());
    }
}

// A screen deleted during the pass and a screen made in its storage: the new one is not
// taken for the old one and examined in the pass that made it.
TEST(StateGame, ScreenMadeInADeletedScreensPlaceIsNotExamined)
{
    TestGame game;
    game.stubs = {0, 1, 2, 3, 4, 5};
    game.recycled = {JUB_SCREEN_EDITOR, JUB_SCREEN_PLAY};
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(JUB_SCREEN_TRAINING);
    game.SwitchToScreen(JUB_SCREEN_EDITOR);
    const void* editor = game.GetScreen(JUB_SCREEN_EDITOR);
    // The match takes the physics world from the editor, which is deleted first.
    game.Stub(JUB_SCREEN_TRAINING)->Finish(JUB_SCREEN_PLAY);
    game.Steps(1);
    auto* play = dynamic_cast<RecycledStub*>(game.GetScreen(JUB_SCREEN_PLAY));
    ASSERT_NE(nullptr, play);
    ASSERT_EQ(editor, (const void*)play);
    EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_EDITOR));
    // Asked once, by the frame's check that a match runs; not by the pass.
    EXPECT_EQ(1, play->doneAsked);
    EXPECT_EQ(1, play->updates);
}

TEST(StateGame, RemovalDuringThePassExaminesEveryScreenOnce)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(1);
    game.SwitchToScreen(3);
    game.SwitchToScreen(5);
    game.Stub(1)->Finish(0);       // opens the menu
    game.Stub(3)->Finish(0);       // the menu exists: reset, not appended twice
    game.Steps(1);
    ASSERT_EQ(2, game.GetActiveCount());
    EXPECT_EQ(5, game.GetActiveAt(0)->GetStateId());
    EXPECT_EQ(0, game.GetActiveAt(1)->GetStateId());
    EXPECT_EQ(1, game.Stub(5)->updates);
    EXPECT_EQ(1, game.Stub(0)->updates);
}

TEST(StateGame, ActivateOpensTheMenuAndKeysReachEveryScreen)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    EXPECT_EQ("Wobblix", game.shell.appName);
    ASSERT_EQ(1, game.GetActiveCount());
    EXPECT_EQ(0, game.GetActiveAt(0)->GetStateId());
    game.SwitchToScreen(5);
    EXPECT_EQ(1, game.OnChar('x'));
    EXPECT_EQ(std::vector<int>{'x'}, game.Stub(0)->keys);
    EXPECT_EQ(std::vector<int>{'x'}, game.Stub(5)->keys);
    EXPECT_EQ(0, game.OnKeyDown(65));
    game.SetIntroShown(0);
    game.Activate();
    EXPECT_EQ(4, game.GetActiveAt(0)->GetStateId());
    EXPECT_EQ(1, game.IsIntroShown());
    game.SwitchToScreen(9);        // ignored
    EXPECT_EQ(1, game.GetActiveCount());
}

TEST(StateGame, ReturnToLobbyDeletesScreensAndShowsTheLogInMenu)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    game.RequestReturnToLobby();
    game.Frame(1);
    EXPECT_EQ(0, game.GetActiveCount());
    EXPECT_EQ(std::vector<int>{1}, game.session.loginMenus);
}

TEST(StateGame, Identity)
{
    TestGame game;
    EXPECT_EQ(64, game.GetGameId());
    EXPECT_EQ("1.60", Utf8(game.GetVersion()));
    EXPECT_EQ("Wobblix", Utf8(game.GetApplicationName()));
    EXPECT_EQ(2, game.GetMinPlayers());
    EXPECT_EQ(2, game.GetMaxPlayers());
    EXPECT_EQ(31, game.GetApplicationToken().GetLength());
    EXPECT_EQ(0, game.UnlockAchievement(3));
    EXPECT_EQ(0, game.GetExtraValue());
    EXPECT_EQ(0, game.IsGameScreenBusy());
    EXPECT_FLOAT_EQ(0.0f, game.GetTurnClockFraction());
}

TEST(StateGame, LoaderSkipsTheBattleBackgroundsAndKeepsThePercentInRange)
{
    TestGame game;
    ASSERT_EQ(KE_OK, game.Start());
    std::vector<int> percents;
    for (int i = 0; i < JUB_LOAD_TOTAL && !game.IsLoadingDone(); ++i)
    {
        game.LoadNextResource(1);
        percents.push_back(game.GetLoadingPercent());
    }
    EXPECT_EQ(1, game.IsLoadingDone());
    EXPECT_EQ((size_t)JUB_LOAD_TOTAL, percents.size());
    EXPECT_EQ(1, percents.front());
    EXPECT_EQ(100, percents.back());
    for (size_t i = 1; i < percents.size(); ++i)
        EXPECT_LE(percents[i - 1], percents[i]);
    for (const std::string& name : game.source.imagesAsked)
    {
        EXPECT_NE("background_battle.png", name);
        EXPECT_NE("background_unique.png", name);
    }
    EXPECT_EQ(JUB_IMAGE_COUNT - 2, (int)game.source.imagesAsked.size());
    EXPECT_EQ(JUB_SOUND_COUNT, game.source.soundsAsked);
    game.LoadNextResource(1);      // nothing once done
    EXPECT_EQ(JUB_SOUND_COUNT, game.source.soundsAsked);
    game.ReleaseResources(1);
    EXPECT_EQ(0, game.IsLoadingDone());
    EXPECT_EQ(1, game.GetLoadingPercent());
}

TEST(StateGame, TrainingProgressKeys)
{
    TestGame game;
    ASSERT_EQ(KE_OK, game.Start());
    EXPECT_EQ(0, game.IsSceneCleared(4));
    game.MarkSceneCleared(4);
    EXPECT_EQ(1, game.IsSceneCleared(4));
    EXPECT_NE(nullptr, game.shell.settings.FindEntry(CKetrelString("scene_4_cleared")));
    const i32 count = game.shell.settings.GetCount();
    game.MarkSceneCleared(4);
    EXPECT_EQ(count, game.shell.settings.GetCount());
    EXPECT_EQ(0, game.IsSceneCleared(5));
}

TEST(StateGame, GameClockIsRealTimeWithoutAMatch)
{
    TestGame game;
    ASSERT_EQ(KE_OK, game.Start());
    game.ResetClock();
    game.now += 250;
    EXPECT_EQ(250u, game.GetClock());
    game.now -= 1000;              // the timer went back: the clock restarts
    EXPECT_EQ(0u, game.GetClock());
    game.now += 40;
    EXPECT_EQ(40u, game.GetClock());
}

TEST(StateGame, ChatBubblesAgeOnTheFixedStep)
{
    TestGame game;
    game.stubs = kAllStubs;
    ASSERT_EQ(KE_OK, game.Start());
    game.Activate();
    game.AddChatBubble(CKetrelString("hello"), CKetrelString("Me"), 0xFF808080u,
                       CKetrelVector2(80, 400), CKetrelVector2(0, 480));
    game.Steps(182);
    EXPECT_EQ(1, game.GetChatBubbles()->GetCount());
    game.Steps(1);
    EXPECT_EQ(0, game.GetChatBubbles()->GetCount());
}
}
