// Where OpenGL ES cannot be had, the shell's renderer fails cleanly with a
// result code and the shell's Create hands that code back: nothing is drawn in
// its place. Only an application that gave up its renderer draws in software.
#include "GLTestWindow.h"

#include "engine/KetrelResult.h"

#include <cstdlib>

// No EGL vendor library can be loaded in this test program, so every EGL
// display request fails as it does on a machine without OpenGL ES.
[[maybe_unused]] static const int g_noEgl =
    setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent", 1);

namespace
{
class CountingApplication : public GLTestApplication
{
public:
    int created = 0;
    int frames = 0;
    int OnCreate() override
    {
        ++created;
        return KE_OK;
    }
    void OnFrame() override { ++frames; }
};

int CreateWindowed(IKetrelApplication& app, int width, int height)
{
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.width = width;
    mode.height = height;
    mode.windowed = 1;
    return app.Create(0, &mode);
}
} // namespace

TEST(KetrelGraphicsExtFallback, CreateHandsTheRendererFailureBack)
{
    GLTestWindow window;
    EXPECT_FALSE(window.Open(64, 48));
    if (!window.app)
        GTEST_SKIP() << window.skipReason;

    CountingApplication app;
    IKetrelApplication::SetLastCreateResult(KE_OK);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(KE_ERR_DEVICE, CreateWindowed(app, 64, 48));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::string::npos, log.find("software")) << log;
    EXPECT_EQ(KE_ERR_DEVICE, IKetrelApplication::GetLastCreateResult());
    EXPECT_EQ(0, app.created);
    EXPECT_FALSE(app.HasWindow());
    EXPECT_FALSE(app.IsActive());
    // The renderer stays the drawing target; it was never started.
    ASSERT_NE(nullptr, app.GetGraphicsContext());
    EXPECT_EQ(1, app.GetGraphicsContext()->IsHardware());
    EXPECT_EQ(0, app.GetBackBuffer()->GetWidth());
    app.Tick();
    EXPECT_EQ(0, app.frames);
    IKetrelApplication::SetLastCreateResult(KE_OK);
}

// An application that drops its renderer (DestroyWindow before its first
// window) draws into the shell's back buffer.
TEST(KetrelGraphicsExtFallback, WithoutARendererTheBackBufferDraws)
{
    GLTestWindow window;
    window.Open(64, 48);
    if (!window.app)
        GTEST_SKIP() << window.skipReason;
    CountingApplication app;
    app.DestroyWindow();
    ASSERT_EQ(KE_OK, CreateWindowed(app, 64, 48));
    IKetrelGraphicsContext* target = app.GetGraphicsContext();
    ASSERT_EQ(static_cast<IKetrelGraphicsContext*>(app.GetBackBuffer()), target);
    EXPECT_EQ(0, target->IsHardware());
    EXPECT_EQ(64, target->GetWidth());
    EXPECT_EQ(KE_OK, target->FillRect(0xFF00FF00, nullptr));
    app.Tick();
    EXPECT_EQ(1, app.created);
    EXPECT_EQ(1, app.frames);
}

TEST(KetrelGraphicsExtFallback, CreateFailsWithAResultCode)
{
    GLTestWindow window;
    window.Open(64, 48);
    if (!window.app)
        GTEST_SKIP() << window.skipReason;
    CKetrelGraphicsExt_GLES2 renderer;
    EXPECT_EQ(KE_ERR_DEVICE, renderer.Create(window.app.get()));
    EXPECT_EQ(0, renderer.GetProgramCount());
    EXPECT_EQ(0, renderer.Present());
    EXPECT_EQ(KE_ERR_ARGUMENT, renderer.Create(nullptr));
    // Drawing on a renderer that never started changes nothing and does not crash.
    renderer.FillRect(0xFFFFFFFF, nullptr);
    renderer.Release();
}
