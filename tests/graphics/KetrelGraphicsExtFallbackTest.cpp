// Where OpenGL ES cannot be had, the shell's renderer fails cleanly with a
// result code and the shell draws into its software back buffer instead.
#include "GLTestWindow.h"

#include "engine/KetrelResult.h"

#include <cstdlib>

// No EGL vendor library can be loaded in this test program, so every EGL
// display request fails as it does on a machine without OpenGL ES.
[[maybe_unused]] static const int g_noEgl =
    setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent", 1);

TEST(KetrelGraphicsExtFallback, ShellFallsBackToTheBackBuffer)
{
    GLTestWindow window;
    EXPECT_FALSE(window.Open(64, 48));
    if (!window.app)
        GTEST_SKIP() << window.skipReason;
    IKetrelGraphicsContext* target = window.app->GetGraphicsContext();
    ASSERT_NE(nullptr, target);
    EXPECT_EQ(0, target->IsHardware());
    EXPECT_EQ(64, target->GetWidth());
    EXPECT_EQ(KE_OK, target->FillRect(0xFF00FF00, nullptr));
    window.app->Tick();
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
