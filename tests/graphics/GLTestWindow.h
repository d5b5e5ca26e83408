#pragma once
// A windowed application on the private X server of the test program, drawing
// through the shell's OpenGL ES 2.0 renderer, with read-back of what it drew.
// gtest before Xlib: Xlib's macros would break gtest's headers.
#include <gtest/gtest.h>

#include "engine/KetrelApplication.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <memory>

class GLTestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

struct GLTestWindow
{
    std::unique_ptr<GLTestApplication> app;
    CKetrelGraphicsExt_GLES2* gl = nullptr;

    // Starts the test program's X server on first use and makes a window of
    // that size. False (with the reason in skipReason) when no X server or no
    // OpenGL ES renderer can be had.
    bool Open(int width, int height);
    void Close();
    const char* skipReason = "";
};

// 0xRRGGBB of the renderer's colour buffer at (x, y), top-left origin; read
// before the buffers are swapped.
unsigned ReadRGB(int x, int y, int height);

// A format-7 surface of the given size with a GL texture, every pixel set by
// pixel(x, y) as 0xAARRGGBB (premultiplied by the caller where it matters).
template <class F>
std::unique_ptr<CKetrelSurface> MakeTextureSurface(int width, int height, F pixel);
std::unique_ptr<CKetrelSurface> MakePlainSurface(int width, int height);
bool AttachTexture(CKetrelSurface& surface);

template <class F>
std::unique_ptr<CKetrelSurface> MakeTextureSurface(int width, int height, F pixel)
{
    std::unique_ptr<CKetrelSurface> s = MakePlainSurface(width, height);
    if (!s)
        return s;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            unsigned c = pixel(x, y);
            // Raw format-7 value: bytes R, G, B, A.
            unsigned raw = (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
            s->PutPixel(x, y, raw);
        }
    if (!AttachTexture(*s))
        s.reset();
    return s;
}

// The same, without texture and as a software drawing target.
std::unique_ptr<CKetrelSurface> MakeSoftwareTarget(int width, int height, unsigned fill);
