#include "RenderTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "support/KetrelTestWindow.h"

#include <GLES2/gl2.h>
#include <cstdlib>
#include <vector>

bool RenderTestWindow::Open(int w, int h)
{
    Close();
    gl = OpenTestWindow(app, w, h, &skipReason);
    if (!gl)
        return false;
    width = gl->GetWidth();
    height = gl->GetHeight();
    return true;
}

void RenderTestWindow::Close()
{
    gl = nullptr;
    app.reset();
}

void RenderTestWindow::Clear(unsigned rgb)
{
    glDisable(GL_SCISSOR_TEST);
    glClearColor(((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f,
                 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

unsigned RenderTestWindow::ReadRGB(int x, int y) const
{
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return ((unsigned)rgba[0] << 16) | ((unsigned)rgba[1] << 8) | rgba[2];
}

std::unique_ptr<CKetrelSurface> MakeTexture(int width, int height,
                                            const std::function<unsigned(int, int)>& pixel)
{
    std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
    CKetrelSurfaceDesc desc = {};
    desc.width = width;
    desc.height = height;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (s->Create(nullptr, &desc) != KE_OK)
        return nullptr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            unsigned c = pixel(x, y);
            // Raw format-7 value: bytes R, G, B, A.
            unsigned raw = (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
            s->PutPixel(x, y, raw);
        }
    if (s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0) != KE_OK)
        return nullptr;
    return s;
}

std::unique_ptr<CKetrelSurface> MakeSolidTexture(int width, int height, unsigned argb)
{
    return MakeTexture(width, height, [argb](int, int) { return argb; });
}

std::string Narrow(const CKetrelString& s)
{
    std::vector<char> buffer((size_t)s.GetLength() + 1);
    s.ToNarrow(buffer.data());
    return std::string(buffer.data());
}

void TestImageSource::Add(int imageIndex, CKetrelSurface* surface)
{
    m_images[Narrow(CJubAssetNames::Image(imageIndex))] = surface;
}

CKetrelSurface* TestImageSource::GetImage(const CKetrelString& name)
{
    auto it = m_images.find(Narrow(name));
    return it == m_images.end() ? nullptr : it->second;
}

int TestImageSource::ReleaseImage(CKetrelSurface** image)
{
    if (image)
        *image = nullptr;
    return 1;
}

int ColourDistance(unsigned a, unsigned b)
{
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        int d = std::abs((int)((a >> shift) & 255) - (int)((b >> shift) & 255));
        if (d > worst)
            worst = d;
    }
    return worst;
}

CKetrelSurface* ResourceImageSource::GetImage(const CKetrelString& name)
{
    return m_resources->GetImage(name);
}

int ResourceImageSource::ReleaseImage(CKetrelSurface** image)
{
    return m_resources->ReleaseImage(image);
}

i32 ResourceImageSource::ReadResource(const CKetrelString& name, u8** data)
{
    return m_resources->ReadResource(name, data);
}

std::vector<unsigned> ReadFrame(const RenderTestWindow& window)
{
    std::vector<unsigned char> rgba((size_t)window.width * window.height * 4);
    glReadPixels(0, 0, window.width, window.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<unsigned> frame((size_t)window.width * window.height);
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x)
        {
            const unsigned char* p = &rgba[((size_t)(window.height - 1 - y) * window.width + x) * 4];
            frame[(size_t)y * window.width + x] = ((unsigned)p[0] << 16) | ((unsigned)p[1] << 8) | p[2];
        }
    return frame;
}

bool SaveFrame(RenderTestWindow& window, const std::vector<unsigned>& frame,
               const std::string& path)
{
    CKetrelSurface shot;
    CKetrelSurfaceDesc desc = {};
    desc.width = window.width;
    desc.height = window.height;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (shot.Create(window.app.get(), &desc) != KE_OK)
        return false;
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x)
        {
            unsigned c = frame[(size_t)y * window.width + x];
            unsigned raw = 0xFF000000u | (c & 0x00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
            shot.PutPixel(x, y, raw);
        }
    return shot.SaveImage(CKetrelString(path.c_str())) == 1;
}
