#pragma once
// A window for drawing tests on the shared private X server.
#include "engine/KetrelApplication.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"

#include <memory>

// True when the shared server runs (it sets DISPLAY); else false with *why set.
bool TestXServerRunning(const char** why);
// Makes app's windowed w x h display and returns its OpenGL ES 2.0 drawing; nullptr, with
// *why set, when there is no window or no renderer.
CKetrelGraphicsExt_GLES2* CreateTestWindow(IKetrelApplication* app, int w, int h, const char** why);

// A fresh App (made once DISPLAY names the shared server) with its w x h window: the
// drawing, or nullptr with no App left and *why set for the skip message.
template <class App>
CKetrelGraphicsExt_GLES2* OpenTestWindow(std::unique_ptr<App>& app, int w, int h, const char** why)
{
    app.reset();
    if (!TestXServerRunning(why))
        return nullptr;
    app.reset(new App());
    CKetrelGraphicsExt_GLES2* gl = CreateTestWindow(app.get(), w, h, why);
    if (!gl)
        app.reset();
    return gl;
}
