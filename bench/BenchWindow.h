#pragma once
// The window of the drawing benchmarks: an engine application that does nothing per frame
// and a window of the default mode on DISPLAY with its OpenGL ES 2.0 drawing.
#include "BenchSupport.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"

namespace bench
{
class BenchApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

// Opens `app`'s window; its GLES2 drawing, or nullptr when there is none.
inline CKetrelGraphicsExt_GLES2* OpenWindow(IKetrelApplication& app)
{
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.windowed = 1;
    if (app.Create(0, &mode) != KE_OK)
        return nullptr;
    return CKetrelGraphicsExt_GLES2::FromContext(app.GetGraphicsContext());
}
} // namespace bench
