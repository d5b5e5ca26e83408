// The intro and title screens drawn in a window of the private X server by the OpenGL
// ES renderer, at fixed moments of a clock the test drives, with the framework's own
// intro and title packs. The pictures are written to build/tests/framework.
#include <gtest/gtest.h>

#include <string>

#include "OverlayTestKit.h"

#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixAdvertisement.h"
#include "framework/BrixIntroState.h"
#include "framework/BrixTitleState.h"
#include "framework/BrixToastNotification.h"
#include "support/KetrelTestXServer.h"

namespace
{

const int kW = 800, kH = 480;

u32 At(const std::vector<u32>& pixels, int x, int y) { return pixels[(size_t)y * kW + x] & 0xFFFFFF; }

// Brightness of a colour, to compare dimmed pictures.
int Luma(u32 c) { return (int)(((c >> 16) & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + (c & 0xFF)) / 10; }

class StartScreens : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!LinkBuiltPack("brixintro.vad") || !LinkBuiltPack("title.vad"))
            GTEST_SKIP() << "the framework packs were not built";
        // The server first: the application looks for its display when it is built.
        CKetrelTestXServer* server = CKetrelTestXServer::Shared();
        if (!server || !server->IsRunning())
            GTEST_SKIP() << "no X server";
        host.reset(new WindowHost());
        if (!host->Ready())
            GTEST_SKIP() << "no X server or OpenGL ES renderer";
    }

    // Updates with dt until the screen has counted time t, give or take the float
    // sums' rounding.
    template <class S>
    void RunTo(S& state, f32 t, f32 dt = 0.05f)
    {
        while (state.GetTime() < t - 1e-3f && !state.IsFinished())
            state.Update(dt);
    }

    std::vector<u32> Draw(IBrixState& state, const char* picture = nullptr)
    {
        state.Render();
        std::vector<u32> pixels = host->ReadBack();
        host->Present();
        if (picture)
        {
            EXPECT_TRUE(SavePicture(picture, pixels, kW, kH));
        }
        return pixels;
    }

    std::unique_ptr<WindowHost> host;
};

// The progress bar under the wall: segment k (1..12) of the frame drawn on top is lit.
int LitSegments(const std::vector<u32>& pixels)
{
    int lit = 0;
    for (int k = 1; k <= 12; ++k)
    {
        const u32 c = At(pixels, 160 + 40 * k - 20, (int)(kH * 0.74));
        lit += ColourDistance(c, 0xF0C040) < 40 ? 1 : 0;
    }
    return lit;
}

TEST_F(StartScreens, IntroFramesFadeAndFinish)
{
    CBrixIntroState intro;
    ASSERT_EQ(1, intro.Init(static_cast<IKetrelApplication*>(host.get())));
    intro.Activate();
    // Only the two frames on screen are held.
    auto held = [&intro]() {
        std::string out;
        for (int i = 0; i < CBrixIntroState::LogoFrameCount; ++i)
            out += intro.GetFrame(i) ? '#' : '.';
        return out;
    };
    EXPECT_EQ("##..........", held());

    // Five loading updates count nothing, however long they take.
    for (int i = 0; i < 5; ++i)
        intro.Update(0.1f);
    EXPECT_EQ(0.0f, intro.GetTime());
    // At time 0 frame index 0 is drawn with the next one over it, opaque.
    EXPECT_EQ(2, LitSegments(Draw(intro)));
    intro.Update(0.1f);
    EXPECT_EQ(1, CBrixIntroState::FrameIndexAt(intro.GetTime()));

    struct Moment { f32 time; int lit; f32 dim; };
    const Moment moments[] = {{0.5f, 7, 1.0f}, {1.0f, 12, 1.0f}, {1.2f, 12, 1.0f}};
    std::vector<u32> bright;
    for (const Moment& m : moments)
    {
        RunTo(intro, m.time);
        bright = Draw(intro, m.time == 1.0f ? "intro.png" : nullptr);
        EXPECT_EQ(m.lit, LitSegments(bright)) << "at " << m.time;
        EXPECT_EQ(m.dim, CBrixIntroState::DimLevelAt(intro.GetTime()));
        if (m.time == 0.5f)
        {
            EXPECT_EQ(".....##.....", held());
        }
    }
    EXPECT_EQ("...........#", held()) << "the last frame has no next one";
    // From 1.5 s the picture dims: half as bright at 1.75 s.
    RunTo(intro, 1.75f);
    EXPECT_NEAR(0.5f, CBrixIntroState::DimLevelAt(intro.GetTime()), 0.051f);
    const std::vector<u32> dimmed = Draw(intro);
    const u32 barLit = At(bright, 150, (int)(kH * 0.74)), barDim = At(dimmed, 150, (int)(kH * 0.74));
    EXPECT_NEAR(Luma(barLit) * CBrixIntroState::DimLevelAt(intro.GetTime()), Luma(barDim), 12);
    EXPECT_FALSE(intro.IsFinished());
    RunTo(intro, 2.0f + 2e-3f);
    EXPECT_TRUE(intro.IsFinished());
    EXPECT_EQ(0u, At(Draw(intro), 400, 240));   // dimmed to black at the end

    intro.Deactivate();
    EXPECT_EQ(nullptr, intro.GetFrame(0));
    const i32 packs = host->GetMediaPackCount();
    intro.Activate();
    EXPECT_EQ(packs + 1, host->GetMediaPackCount());
    intro.Deactivate();
    EXPECT_EQ(packs, host->GetMediaPackCount());
}

TEST_F(StartScreens, TitleFadesInHandsOverAndFadesOut)
{
    CBrixTitleState title;
    ASSERT_EQ(1, title.Init(static_cast<IKetrelApplication*>(host.get())));
    title.Activate();
    ASSERT_NE(nullptr, title.GetBackground());
    ASSERT_NE(nullptr, title.GetTitle());
    EXPECT_EQ(1600, title.GetBackground()->GetWidth());   // the landscape one

    // Black at 0 s, full brightness from 0.5 s.
    title.Update(0.0f);
    EXPECT_EQ(0u, At(Draw(title), 5, 5));
    RunTo(title, 1.0f);
    const std::vector<u32> full = Draw(title, "title.png");
    // Sky at the top of the covering background, the title's green brick unscaled in
    // the middle (its picture is 400 x 300, so it sits at 200, 90).
    EXPECT_LT(ColourDistance(At(full, 5, 5), 0x7FC4EC), 24) << std::hex << At(full, 5, 5);
    EXPECT_LT(ColourDistance(At(full, 200 + 60, 90 + 190), 0x3AA655), 24) << std::hex << At(full, 260, 280);
    EXPECT_EQ(0, host->socialEntered);

    // The social part starts with the first frame from 2.5 s, once; dim 0.5 at 2.75 s.
    RunTo(title, 2.75f);
    const std::vector<u32> half = Draw(title);
    EXPECT_EQ(1, host->socialEntered);
    const f32 level = 1.0f - 2.0f * (title.GetTime() - 2.5f);
    EXPECT_NEAR(0.5f, level, 0.11f);
    EXPECT_NEAR(Luma(At(full, 260, 280)) * level, Luma(At(half, 260, 280)), 12);
    Draw(title);
    title.Deactivate();
    EXPECT_EQ(1, host->socialEntered);
    EXPECT_FALSE(title.IsFinished());
    RunTo(title, 2.95f);
    EXPECT_FALSE(title.IsFinished());
    RunTo(title, 3.0f + 2e-3f);
    EXPECT_TRUE(title.IsFinished());
    title.Release();
}

// The toast and the advertisement drawn over the title with the framework's layouts:
// the panel in view at the bottom, the shade over the whole screen.
TEST_F(StartScreens, OverlaysOverTheTitle)
{
    ASSERT_TRUE(host->AddFrameworkPacks());
    CBrixTitleState title;
    ASSERT_EQ(1, title.Init(static_cast<IBrixFrameworkHost*>(host.get())));
    title.Activate();
    RunTo(title, 1.0f);
    const std::vector<u32> plain = Draw(title);

    CBrixToastNotification toast;
    ASSERT_EQ(1, toast.Init(host.get()));
    toast.Add(Str("Somebody challenges you"), CBrixToastNotification::KIND_CHALLENGE, 0.0f);
    for (int i = 0; i < 16; ++i)
        toast.Update(1.0f / 16.0f);   // 1 s: in view
    title.Render();
    toast.Render();
    std::vector<u32> pixels = host->ReadBack();
    host->Present();
    EXPECT_TRUE(SavePicture("toast.png", pixels, kW, kH));
    // The panel's light fill near its right end, 60 pixels high at the bottom.
    EXPECT_LT(ColourDistance(At(pixels, 640, 470), 0xFDFCF8), 16) << std::hex << At(pixels, 640, 470);
    EXPECT_EQ(At(plain, 640, 400), At(pixels, 640, 400));   // above the panel: untouched
    // The challenge icon (crossed sticks) at the panel's left end.
    EXPECT_LT(ColourDistance(At(pixels, 142, 438), 0xD46A2A), 40) << std::hex << At(pixels, 142, 438);

    CBrixAdvertisement ad;
    ASSERT_EQ(1, ad.Init(host.get()));
    const std::string strip = MakePng(64, 96, [](int, int y) { return y < 48 ? 0xFFE04040u : 0xFF4040E0u; });
    CKetrelArray<i32> frames;
    frames.Add(500);
    frames.Add(500);
    ASSERT_EQ(1, ad.Show(Str("c"), Str(""), (i32)strip.size(), (const u8*)strip.data(), 0, 1000, frames,
                         Str(""), CBrixAdvertisement::FLAG_SHOW, Str("A sale on bricks"), Str("")));
    for (int i = 0; i < 8; ++i)
        ad.Update(0.25f);   // 2 s: the close button is up
    title.Render();
    ad.Render();
    pixels = host->ReadBack();
    host->Present();
    EXPECT_TRUE(SavePicture("ad.png", pixels, kW, kH));
    // The shade darkens the sky at the top-left corner.
    EXPECT_LT(Luma(At(pixels, 5, 5)), Luma(At(plain, 5, 5)) / 2);
    title.Release();
}

} // namespace
