#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "game/match/JubPlayState.h"
#include "game/screens/JubTrainingState.h"

namespace
{
CJubTrainingState* OpenTraining(TestGame& game, const std::vector<int>& cleared)
{
    game.stubs = {0, 1, 3, 4};
    if (game.Start() != KE_OK)
        return nullptr;
    for (int scene : cleared)
        game.MarkSceneCleared(scene);
    game.SwitchToScreen(JUB_SCREEN_TRAINING);
    return dynamic_cast<CJubTrainingState*>(game.GetScreen(JUB_SCREEN_TRAINING));
}

CJubButton* SceneButton(CJubTrainingState* training, int scene)
{
    CJubButtonManager* buttons = training->GetButtons();
    for (i32 i = 0; i < buttons->GetButtonCount(); ++i)
        if (buttons->GetButton(i)->id == 1 && buttons->GetButton(i)->frame == scene)
            return buttons->GetButton(i);
    return nullptr;
}

struct UnlockCase
{
    const char* name;
    std::vector<int> cleared;
    std::vector<int> enabled;     // scene buttons enabled
    int progress;
    float hint;                   // hint timer after opening
};

TEST(JubTrainingState, UnlockMatrixAndHintArming)
{
    const UnlockCase cases[] = {
        {"first visit", {}, {0}, 0, 5.0f},
        {"scene 1 cleared", {0}, {0, 1}, 1, -1.0f},
        {"gap in the middle", {0, 1, 5}, {0, 1, 2, 6}, 1, -1.0f},
        {"only a later scene", {7}, {0, 8}, 0, 5.0f},
        {"all but the last", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 1, -1.0f},
    };
    for (const UnlockCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestGame game;
        CJubTrainingState* training = OpenTraining(game, c.cleared);
        ASSERT_NE(nullptr, training);
        std::vector<int> enabled;
        for (int scene = 0; scene < 15; ++scene)
        {
            CJubButton* b = SceneButton(training, scene);
            ASSERT_NE(nullptr, b);
            EXPECT_EQ(std::to_string(scene + 1), Utf8(b->label));
            EXPECT_EQ(1, b->labelShown);
            if (!b->disabled)
                enabled.push_back(scene);
        }
        EXPECT_EQ(c.enabled, enabled);
        EXPECT_EQ(c.progress, training->IsProgress());
        EXPECT_FLOAT_EQ(c.hint, training->GetHintTimer());
    }
}

TEST(JubTrainingState, CompletionHintShowsOnce)
{
    std::vector<int> all;
    for (int i = 0; i < 15; ++i)
        all.push_back(i);
    TestGame game;
    CJubTrainingState* training = OpenTraining(game, all);
    ASSERT_NE(nullptr, training);
    EXPECT_FLOAT_EQ(5.0f, training->GetHintTimer());
    EXPECT_EQ(0, training->IsCompletionSeen());
    EXPECT_EQ(1, game.HasSetting(CKetrelString("showedtrainingcomplete")));

    game.RemoveScreenById(JUB_SCREEN_TRAINING);
    game.SwitchToScreen(JUB_SCREEN_TRAINING);
    training = dynamic_cast<CJubTrainingState*>(game.GetScreen(JUB_SCREEN_TRAINING));
    ASSERT_NE(nullptr, training);
    EXPECT_EQ(1, training->IsCompletionSeen());
    game.Steps(1);
    EXPECT_FLOAT_EQ(-1.0f, training->GetHintTimer());
}

TEST(JubTrainingState, HintLocksScenesButNotTheExit)
{
    TestGame game;
    CJubTrainingState* training = OpenTraining(game, {});
    ASSERT_NE(nullptr, training);
    game.Steps(1);
    CJubButton* first = SceneButton(training, 0);
    EXPECT_EQ(0, first->touchable);

    // A tap on the first scene only cuts the hint to its last second.
    game.Tap(first->centre.x, first->centre.y);
    EXPECT_LE(training->GetHintTimer(), 1.0f);
    EXPECT_EQ(0, training->IsLeaving());
    game.Steps(31);
    EXPECT_LT(training->GetHintTimer(), 0.0f);
    EXPECT_EQ(1, first->touchable);

    // The exit works while a hint shows.
    TestGame other;
    training = OpenTraining(other, {});
    other.Steps(1);
    CJubButton* exit = nullptr;
    for (i32 i = 0; i < training->GetButtons()->GetButtonCount(); ++i)
        if (training->GetButtons()->GetButton(i)->id == 0)
            exit = training->GetButtons()->GetButton(i);
    ASSERT_NE(nullptr, exit);
    EXPECT_EQ(1, exit->touchable);
    other.Tap(exit->centre.x, exit->centre.y);
    EXPECT_EQ(1, training->IsLeaving());
    other.Steps(30);
    ASSERT_NE(nullptr, other.GetScreen(JUB_SCREEN_MENU));
    EXPECT_EQ(nullptr, other.GetScreen(JUB_SCREEN_TRAINING));
}

TEST(JubTrainingState, ChosenSceneStartsASinglePlayerMatch)
{
    TestGame game;
    CJubTrainingState* training = OpenTraining(game, {0, 1});
    ASSERT_NE(nullptr, training);
    CJubButton* third = SceneButton(training, 2);
    game.Tap(third->centre.x, third->centre.y);
    EXPECT_EQ(2, training->GetParam());
    game.Steps(30);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_TRAINING));
    EXPECT_EQ(1, play->IsSinglePlayer());
    EXPECT_EQ(0, play->GetLocalPlayer());
    EXPECT_EQ(1, game.IsGameScreenBusy());
    // Leaving a won training match marks its scene cleared and reopens the picker.
    EXPECT_EQ(2, play->GetSceneIndex());
    EXPECT_EQ(JUB_SCREEN_TRAINING, play->GetNextState());
    play->SetParam(1);
    play->SetDone();
    game.Steps(1);
    EXPECT_EQ(1, game.IsSceneCleared(2));
    EXPECT_EQ(nullptr, game.GetPlayScreen());
    EXPECT_NE(nullptr, game.GetScreen(JUB_SCREEN_TRAINING));
}
}

namespace
{
// A scene chosen in the picker starts with that scene's weapon rules.
TEST(JubTrainingState, EachSceneStartsWithItsRestrictions)
{
    const std::pair<int, u32> cases[] = {
        {0, 1u << JUB_WEAPON_JUMP},
        {1, (1u << JUB_WEAPON_JUMP) | (1u << JUB_WEAPON_WHIP)},
        {3, 1u << JUB_WEAPON_BOMB},
        {6, 1u << JUB_WEAPON_STICKY},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        std::vector<int> cleared;
        for (int i = 0; i < c.first; ++i)
            cleared.push_back(i);
        TestGame game;
        CJubTrainingState* training = OpenTraining(game, cleared);
        ASSERT_NE(nullptr, training);
        training->OnButtonClicked(SceneButton(training, c.first));
        game.Steps(40);
        CJubPlayState* play = game.GetPlayScreen();
        ASSERT_NE(nullptr, play);
        EXPECT_EQ(c.first, play->GetSceneIndex());
        EXPECT_EQ(c.second, play->GetAllowedWeapons());
    }
}
}
