#pragma once
// Drawing tests of the match: a window on the test program's private X server drawing
// through the shell's OpenGL ES 2.0 renderer, textures made from pixel functions, an
// image source for the asset cache, and read-back of what was drawn.
// gtest before Xlib: Xlib's macros would break gtest's headers.
#include <gtest/gtest.h>

#include "engine/KetrelApplication.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"
#include "game/match/JubAssetNames.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class RenderTestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

struct RenderTestWindow
{
    std::unique_ptr<RenderTestApplication> app;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
    int width = 0;
    int height = 0;
    const char* skipReason = "";

    // Starts the test program's X server on first use and opens a window of that size.
    // False (with the reason in skipReason) without an X server or a GLES2 renderer.
    bool Open(int w, int h);
    void Close();
    // Clears colour and depth to the colour (0xRRGGBB, opaque).
    void Clear(unsigned rgb);
    // 0xRRGGBB at (x, y), top-left origin, read before the buffers swap.
    unsigned ReadRGB(int x, int y) const;
};

// A 32-bit surface with a GL texture; pixel(x, y) gives 0xAARRGGBB, premultiplied by the
// caller where it matters.
std::unique_ptr<CKetrelSurface> MakeTexture(int width, int height,
                                            const std::function<unsigned(int, int)>& pixel);
std::unique_ptr<CKetrelSurface> MakeSolidTexture(int width, int height, unsigned argb);

// Images by file name for an asset cache. The test owns the surfaces; release is a no-op.
class TestImageSource : public CJubAssetSource
{
public:
    void Add(int imageIndex, CKetrelSurface* surface);
    CKetrelSurface* GetImage(const CKetrelString& name) override;
    int ReleaseImage(CKetrelSurface** image) override;
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = nullptr;
        return 0;
    }

private:
    std::map<std::string, CKetrelSurface*> m_images;
};

std::string Narrow(const CKetrelString& s);

// Channel distance: the largest difference of the three channels.
int ColourDistance(unsigned a, unsigned b);

class CBrixResourceManager;

// The asset cache's images from a resource manager (the media packs it holds).
class ResourceImageSource : public CJubAssetSource
{
public:
    explicit ResourceImageSource(CBrixResourceManager* resources) : m_resources(resources) {}
    CKetrelSurface* GetImage(const CKetrelString& name) override;
    int ReleaseImage(CKetrelSurface** image) override;
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override;

private:
    CBrixResourceManager* m_resources;
};

// What the window shows now, as 0xRRGGBB rows from the top.
std::vector<unsigned> ReadFrame(const RenderTestWindow& window);
// Writes the frame as a PNG; true when written.
bool SaveFrame(RenderTestWindow& window, const std::vector<unsigned>& frame,
               const std::string& path);
