#pragma once
// An off-screen OpenGL ES 2.0 context for tests that need GL but no window:
// Mesa's surfaceless EGL platform with a small pbuffer. Make() returns false
// when no such context can be had (the test then skips).
#include <EGL/egl.h>

class GLTestContext
{
public:
    GLTestContext() = default;
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool Make(int width = 64, int height = 64);
    void Destroy();

private:
    EGLDisplay m_display = EGL_NO_DISPLAY;
    EGLSurface m_surface = EGL_NO_SURFACE;
    EGLContext m_context = EGL_NO_CONTEXT;
};
