// The title screen's arithmetic and hand-over on a software target: the cover and fit
// scales, the orientation's background, the busy screen without pictures.
#include <gtest/gtest.h>

#include "OverlayTestKit.h"

#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelThread.h"
#include "support/KetrelTestAlsa.h"

#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixIntroState.h"
#include "framework/BrixTitleState.h"

TEST(BrixTitleGeometry, CoverAndFitRoundAsDrawn)
{
    struct Case { const char* name; i32 pw, ph, sw, sh; bool cover; i32 x, y, w, h; };
    const Case cases[] = {
        {"wide background on 800x480", 1600, 900, 800, 480, true, -26, 0, 853, 480},
        {"tall background on 480x800", 900, 1600, 480, 800, true, 0, -26, 480, 853},
        {"background smaller than the screen", 400, 240, 800, 480, true, 0, 0, 800, 480},
        {"title wider than the screen", 1000, 300, 800, 480, false, 0, 120, 800, 240},
        {"title taller than the screen", 300, 960, 800, 480, false, 325, 0, 150, 480},
    };
    for (const Case& c : cases)
    {
        const f32 scale = c.cover ? CBrixTitleState::CoverScale(c.pw, c.ph, c.sw, c.sh)
                                  : CBrixTitleState::FitScale(c.pw, c.ph, c.sw, c.sh);
        i32 x, y, w, h;
        CBrixTitleState::ScaledRect(c.pw, c.ph, scale, c.sw, c.sh, &x, &y, &w, &h);
        EXPECT_EQ(c.x, x) << c.name;
        EXPECT_EQ(c.y, y) << c.name;
        EXPECT_EQ(c.w, w) << c.name;
        EXPECT_EQ(c.h, h) << c.name;
    }
}

TEST(BrixTitleState, RotationSwapsTheBackgroundOnly)
{
    ASSERT_TRUE(LinkBuiltPack("title.vad"));
    SoftwareHost host;
    CBrixTitleState title;
    ASSERT_EQ(1, title.Init(static_cast<IBrixFrameworkHost*>(&host)));
    title.Activate();
    ASSERT_NE(nullptr, title.GetBackground());
    CKetrelSurface* picture = title.GetTitle();
    EXPECT_EQ(1600, title.GetBackground()->GetWidth());
    struct Turn { i32 w, h, backgroundWidth; };
    const Turn turns[] = {{480, 800, 900}, {800, 480, 1600}, {600, 600, 1600}, {480, 800, 900}};
    for (const Turn& t : turns)
    {
        title.OnScreenSizeChanged(t.w, t.h);
        ASSERT_NE(nullptr, title.GetBackground());
        EXPECT_EQ(t.backgroundWidth, title.GetBackground()->GetWidth()) << t.w << "x" << t.h;
        EXPECT_EQ(picture, title.GetTitle());
    }
    title.Release();
    EXPECT_EQ(nullptr, title.GetBackground());
}

// Without its pack the title draws the busy screen, ends at its first update, and still
// starts the social part when it is taken off the list.
TEST(BrixTitleState, WithoutPicturesShowsBusyAndStillHandsOver)
{
    UnlinkBuiltPack("title.vad");
    SoftwareHost host;
    CBrixTitleState title;
    ASSERT_EQ(1, title.Init(static_cast<IBrixFrameworkHost*>(&host)));
    title.Activate();
    title.Update(0.016f);
    title.Render();
    EXPECT_TRUE(title.IsFinished());
    EXPECT_EQ(1, host.busyScreens);
    EXPECT_EQ(0, host.socialEntered);
    title.Deactivate();
    title.Deactivate();
    EXPECT_EQ(1, host.socialEntered);
    title.Release();

    // An application that is not a framework host is refused.
    TestApp plain;
    CBrixTitleState other;
    EXPECT_EQ(2, other.Init(static_cast<IKetrelApplication*>(&plain)));
    CBrixIntroState intro;
    EXPECT_EQ(2, intro.Init(static_cast<IKetrelApplication*>(&plain)));
}

// The intro's timeline without a window: five uncounted loading updates, frame 1 after
// the next 0.1 s, the end at 2 s; without its pack it runs its time on a black screen.
TEST(BrixIntroState, TimelineWithAndWithoutPictures)
{
    UnlinkBuiltPack("brixintro.vad");
    SoftwareHost host;
    CBrixIntroState intro;
    ASSERT_EQ(1, intro.Init(static_cast<IBrixFrameworkHost*>(&host)));
    intro.Activate();
    EXPECT_EQ(nullptr, intro.GetFrame(0));
    int updates = 0;
    while (!intro.IsFinished() && updates < 100)
    {
        intro.Update(0.1f);
        intro.Render();
        ++updates;
        if (updates == 5)
        {
            EXPECT_EQ(0.0f, intro.GetTime());
        }
        if (updates == 6)
        {
            EXPECT_EQ(1, CBrixIntroState::FrameIndexAt(intro.GetTime()));
        }
    }
    EXPECT_EQ(25, updates);   // 5 loading updates and 20 of 0.1 s
    struct Case { f32 time; i32 frame; f32 dim; };
    const Case cases[] = {{0.0f, 0, 1.0f}, {0.1f, 1, 1.0f}, {0.95f, 10, 1.0f}, {1.0f, 11, 1.0f},
                          {1.5f, 11, 1.0f}, {1.75f, 11, 0.5f}, {2.0f, 11, 0.0f}, {2.5f, 11, 0.0f}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.frame, CBrixIntroState::FrameIndexAt(c.time)) << c.time;
        EXPECT_FLOAT_EQ(c.dim, CBrixIntroState::DimLevelAt(c.time)) << c.time;
    }
    intro.Deactivate();
}

// The chime is decoded when the intro is activated, so the first update plays sound and
// not an empty source that a loader thread would only fill later.
TEST(BrixIntroState, TheChimeIsHeard)
{
    ASSERT_TRUE(LinkBuiltPack("brixintro.vad"));
    CKetrelTestAlsa alsa;
    ASSERT_TRUE(alsa.RouteToFile());
    std::unique_ptr<CKetrelSoundEngine> engine(CKetrelSoundEngine::Create());
    ASSERT_EQ(1, engine->Init(nullptr, 44100, 16, 2, 0, 0, 0));
    {
        SoftwareHost host(800, 480, engine.get());
        CBrixIntroState intro;
        ASSERT_EQ(1, intro.Init(static_cast<IBrixFrameworkHost*>(&host)));
        intro.Activate();
        ASSERT_NE(nullptr, intro.GetWelcomeSound());
        const long before = alsa.GetOutputSize();
        intro.Update(0.1f);
        EXPECT_NE(0u, intro.GetWelcomeSound()->IsPlaying(0));
        // The file device is not paced: wait for half a second of output after the start.
        for (int i = 0; i < 1500 && alsa.GetOutputSize() < before + 44100 * 4; ++i)
            IKetrelThread::Sleep(20);
        intro.Deactivate();
        EXPECT_EQ(nullptr, intro.GetWelcomeSound());
    }
    engine->Shutdown();
    const std::vector<unsigned char> out = alsa.ReadOutput();
    int loudest = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        loudest = std::max(loudest, std::abs((int)(i16)(out[i] | out[i + 1] << 8)));
    EXPECT_GT(loudest, 4000);   // the chime is written at 40 % of full scale
}
