#pragma once
// An OpenGL ES 2.0 context on an X window, made through EGL as a bare program makes it:
// the yardstick of the drawing and run-loop benchmarks.
#include <EGL/egl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace bench
{
struct EglWindow
{
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;

    // Makes a context current on `window`, in a config of the window's own visual where
    // one has it; false when any step fails.
    bool Open(Display* x, Window window)
    {
        display = eglGetDisplay((EGLNativeDisplayType)x);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        {
            display = EGL_NO_DISPLAY;
            return false;
        }
        eglBindAPI(EGL_OPENGL_ES_API);
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_ES2_BIT, EGL_DEPTH_SIZE, 16, EGL_NONE};
        EGLConfig configs[64];
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, configs, 64, &count) || count < 1)
            return false;
        XWindowAttributes wa;
        XGetWindowAttributes(x, window, &wa);
        EGLConfig config = configs[0];
        for (EGLint i = 0; i < count; ++i)
        {
            EGLint visual = 0;
            eglGetConfigAttrib(display, configs[i], EGL_NATIVE_VISUAL_ID, &visual);
            if ((VisualID)visual == wa.visual->visualid)
            {
                config = configs[i];
                break;
            }
        }
        surface = eglCreateWindowSurface(display, config, (EGLNativeWindowType)window, nullptr);
        const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
        return surface != EGL_NO_SURFACE && context != EGL_NO_CONTEXT &&
               eglMakeCurrent(display, surface, surface, context);
    }

    void Close()
    {
        if (display == EGL_NO_DISPLAY)
            return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        eglTerminate(display);
        display = EGL_NO_DISPLAY;
        surface = EGL_NO_SURFACE;
        context = EGL_NO_CONTEXT;
    }
};
} // namespace bench
