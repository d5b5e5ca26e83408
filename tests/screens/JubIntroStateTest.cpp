#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "game/screens/JubIntroState.h"

namespace
{
TEST(JubIntroState, ScrollFollowsTheClockNotTheFrames)
{
    TestGame a, b;
    a.stubs = b.stubs = {0};
    ASSERT_EQ(KE_OK, a.Start());
    ASSERT_EQ(KE_OK, b.Start());
    a.SwitchToScreen(JUB_SCREEN_INTRO);
    b.SwitchToScreen(JUB_SCREEN_INTRO);
    auto* ia = dynamic_cast<CJubIntroState*>(a.GetScreen(JUB_SCREEN_INTRO));
    auto* ib = dynamic_cast<CJubIntroState*>(b.GetScreen(JUB_SCREEN_INTRO));
    ASSERT_TRUE(ia && ib);
    EXPECT_EQ("GloobIntro.mp3", a.shell.music.back());
    for (int i = 0; i < 10; ++i)
        ia->Animate(0.1f);
    ib->Animate(1.0f);
    EXPECT_NEAR(ia->GetPicture(0).left, ib->GetPicture(0).left, 0.01f);
    EXPECT_NEAR(800.0f - 0.23f * 768.0f, ib->GetPicture(0).left, 0.01f);
}

TEST(JubIntroState, TorchEndSnapAndLeaving)
{
    TestGame game;
    game.stubs = {0};
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(JUB_SCREEN_INTRO);
    auto* intro = dynamic_cast<CJubIntroState*>(game.GetScreen(JUB_SCREEN_INTRO));
    ASSERT_NE(nullptr, intro);
    std::vector<int> states{intro->GetTorchState()};
    int t = 0;
    for (; t < 2000 && !intro->IsEndReached(); ++t)
    {
        intro->Animate(0.05f);
        if (states.back() != intro->GetTorchState())
            states.push_back(intro->GetTorchState());
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), states);
    ASSERT_EQ(1, intro->IsEndReached());
    const CKetrelRectF& last = intro->GetPicture(JUB_HELP_PICTURE_COUNT - 1);
    EXPECT_NEAR(400.0f, (last.left + last.right) / 2.0f, 0.01f);
    EXPECT_NEAR(last.left - 768.0f, intro->GetPicture(JUB_HELP_PICTURE_COUNT - 2).left, 0.01f);
    // The end fade takes 4.5 s of steps, then the intro leaves for the menu.
    game.Steps(130);
    EXPECT_EQ(0, intro->IsEndFadeDone());
    game.Steps(10);
    EXPECT_EQ(1, intro->IsEndFadeDone());
    intro->Animate(0.01f);
    EXPECT_EQ(1, intro->IsLeaving());
    game.Steps(2);
    EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_INTRO));
    EXPECT_NE(nullptr, game.GetScreen(JUB_SCREEN_MENU));
}

// The pictures of the strip exist; every other image is missing.
class PictureSource : public LevelSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString& name) override
    {
        LevelSource::GetImage(name);
        return Utf8(name).compare(0, 4, "Kuva") == 0 ? new CKetrelSurface() : nullptr;
    }
    int ReleaseImage(CKetrelSurface** image) override
    {
        delete *image;
        *image = nullptr;
        return 1;
    }
    int PicturesAsked() const
    {
        int n = 0;
        for (const std::string& name : imagesAsked)
            n += name.compare(0, 4, "Kuva") == 0 ? 1 : 0;
        return n;
    }
};

// After a release the animation fetches the first missing picture per step, up to three.
TEST(JubIntroState, ReleasedPicturesComeBackOnePerStep)
{
    PictureSource pictures;
    TestGame game;
    game.stubs = {0};
    game.SetAssetSource(&pictures);
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(JUB_SCREEN_INTRO);
    auto* intro = dynamic_cast<CJubIntroState*>(game.GetScreen(JUB_SCREEN_INTRO));
    ASSERT_NE(nullptr, intro);
    EXPECT_EQ(JUB_HELP_PICTURE_COUNT, pictures.PicturesAsked());
    intro->ReleaseResources();
    std::vector<int> asked;
    std::vector<std::string> names;
    for (int step = 0; step < 5; ++step)
    {
        const int before = pictures.PicturesAsked();
        intro->Animate(0.01f);
        asked.push_back(pictures.PicturesAsked() - before);
        if (asked.back())
            names.push_back(pictures.imagesAsked.back());
    }
    EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 0}), asked);
    EXPECT_EQ((std::vector<std::string>{"Kuva01.jpg", "Kuva02.jpg", "Kuva03.jpg"}), names);
}

TEST(JubIntroState, TouchFromThePreviousScreenDoesNotPressExit)
{
    TestGame game;
    game.stubs = {0};
    ASSERT_EQ(KE_OK, game.Start());
    game.SwitchToScreen(JUB_SCREEN_INTRO);
    auto* intro = dynamic_cast<CJubIntroState*>(game.GetScreen(JUB_SCREEN_INTRO));
    CJubButton* exit = intro->GetButtons()->FindButton(1);
    ASSERT_NE(nullptr, exit);
    game.OnPointerDown(0, (i32)exit->centre.x, (i32)exit->centre.y);
    game.Steps(1);
    EXPECT_EQ(0, intro->IsTouchArmed());
    game.OnPointerUp(0, (i32)exit->centre.x, (i32)exit->centre.y);
    game.Steps(1);
    EXPECT_EQ(1, intro->IsTouchArmed());
    EXPECT_EQ(0, intro->IsLeaving());
    game.Tap(exit->centre.x, exit->centre.y);
    EXPECT_EQ(1, intro->IsLeaving());
}
}
