#include "GLTestWindow.h"
#include "engine/KetrelResult.h"
#include "support/KetrelTestXServer.h"

#include <GLES2/gl2.h>

bool GLTestWindow::Open(int width, int height)
{
    Close();
    if (!CKetrelTestXServer::Shared()->IsRunning())
    {
        skipReason = "no X server";
        return false;
    }
    app.reset(new GLTestApplication());
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.width = width;
    mode.height = height;
    mode.windowed = 1;
    if (app->Create(0, &mode) != KE_OK)
    {
        skipReason = "the window cannot be made";
        return false;
    }
    gl = CKetrelGraphicsExt_GLES2::FromContext(app->GetGraphicsContext());
    if (!gl)
    {
        skipReason = "no OpenGL ES 2.0 renderer";
        return false;
    }
    return true;
}

void GLTestWindow::Close()
{
    gl = nullptr;
    app.reset();
}

unsigned ReadRGB(int x, int y, int height)
{
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return ((unsigned)rgba[0] << 16) | ((unsigned)rgba[1] << 8) | rgba[2];
}

std::unique_ptr<CKetrelSurface> MakePlainSurface(int width, int height)
{
    std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
    CKetrelSurfaceDesc desc = {};
    desc.width = width;
    desc.height = height;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (s->Create(nullptr, &desc) != KE_OK)
        s.reset();
    return s;
}

bool AttachTexture(CKetrelSurface& surface)
{
    return surface.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0) == KE_OK;
}

std::unique_ptr<CKetrelSurface> MakeSoftwareTarget(int width, int height, unsigned fill)
{
    std::unique_ptr<CKetrelSurface> s = MakePlainSurface(width, height);
    if (s)
        s->FillRect(fill, nullptr);
    return s;
}
