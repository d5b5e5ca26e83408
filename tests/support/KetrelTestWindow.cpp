#include "KetrelTestWindow.h"

#include "KetrelTestXServer.h"
#include "engine/KetrelResult.h"

bool TestXServerRunning(const char** why)
{
    if (CKetrelTestXServer::Shared()->IsRunning())
        return true;
    *why = "no X server";
    return false;
}

CKetrelGraphicsExt_GLES2* CreateTestWindow(IKetrelApplication* app, int w, int h, const char** why)
{
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.width = w;
    mode.height = h;
    mode.windowed = 1;
    if (app->Create(0, &mode) != KE_OK)
    {
        *why = "the window cannot be made";
        return nullptr;
    }
    CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(app->GetGraphicsContext());
    if (!gl)
        *why = "no OpenGL ES 2.0 renderer";
    return gl;
}
