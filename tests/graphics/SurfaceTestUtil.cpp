#include "SurfaceTestUtil.h"

#include "engine/KetrelResult.h"

#include <cstdio>
#include <cstring>

std::unique_ptr<CKetrelSurface> MakeSurface(int format, int width, int height)
{
    std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
    CKetrelSurfaceDesc desc = {width, height, 0, format, 0, 0};
    if (s->Create(nullptr, &desc) != KE_OK)
        return nullptr;
    return s;
}

void FillPattern(CKetrelSurface& s, TestRng& rng, bool premultiplied)
{
    const int bpp = s.GetBytesPerPixel();
    for (int y = 0; y < s.GetHeight(); ++y)
    {
        uint8_t* row = s.GetPixels() + (int64_t)y * s.GetPitch();
        for (int x = 0; x < s.GetWidth(); ++x)
        {
            if (bpp == 4 && premultiplied)
            {
                const uint32_t pick = rng.Next() % 4;
                const uint32_t a = pick == 0 ? 0 : (pick == 1 ? rng.Next() % 256 : 255);
                uint8_t* p = row + 4 * x;
                for (int c = 0; c < 3; ++c)
                    p[c] = (uint8_t)(a ? rng.Next() % (a + 1) : 0);
                p[3] = (uint8_t)a;
            }
            else
                for (int b = 0; b < bpp; ++b)
                    row[x * bpp + b] = (uint8_t)rng.Next();
        }
    }
    if (uint8_t* plane = s.GetAlphaPlane())
        for (int i = 0; i < s.GetWidth() * s.GetHeight(); ++i)
        {
            const uint32_t pick = rng.Next() % 4;
            plane[i] = (uint8_t)(pick == 0 ? 0 : (pick == 1 ? rng.Next() % 256 : 255));
        }
}

uint64_t Digest(const CKetrelSurface& s)
{
    uint64_t h = 0xcbf29ce484222325ull;
    auto add = [&h](uint8_t b) {
        h ^= b;
        h *= 0x100000001b3ull;
    };
    for (int y = 0; y < s.GetHeight(); ++y)
    {
        const uint8_t* row = s.GetPixels() + (int64_t)y * s.GetPitch();
        for (int i = 0; i < s.GetWidth() * s.GetBytesPerPixel(); ++i)
            add(row[i]);
    }
    if (const uint8_t* plane = s.GetAlphaPlane())
        for (int i = 0; i < s.GetWidth() * s.GetHeight(); ++i)
            add(plane[i]);
    return h;
}

uint32_t RawAt(const CKetrelSurface& s, int x, int y)
{
    const int bpp = s.GetBytesPerPixel();
    const uint8_t* p = s.GetPixels() + (int64_t)y * s.GetPitch() + (int64_t)x * bpp;
    switch (bpp)
    {
    case 1: return p[0];
    case 2: return (uint32_t)p[0] | (uint32_t)p[1] << 8;
    case 3: return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    default: return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
    }
}

void SetRawAt(CKetrelSurface& s, int x, int y, uint32_t v)
{
    const int bpp = s.GetBytesPerPixel();
    uint8_t* p = s.GetPixels() + (int64_t)y * s.GetPitch() + (int64_t)x * bpp;
    switch (bpp)
    {
    case 1: p[0] = (uint8_t)v; break;
    case 2: p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); break;
    case 3: p[0] = (uint8_t)(v >> 16); p[1] = (uint8_t)(v >> 8); p[2] = (uint8_t)v; break;
    default: for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i)); break;
    }
}

std::unique_ptr<CKetrelSurface> Clone(const CKetrelSurface& src)
{
    std::unique_ptr<CKetrelSurface> s = MakeSurface(src.GetPixelFormat(), src.GetWidth(), src.GetHeight());
    for (int y = 0; y < src.GetHeight(); ++y)
        std::memcpy(s->GetPixels() + (int64_t)y * s->GetPitch(), src.GetPixels() + (int64_t)y * src.GetPitch(),
                    (size_t)src.GetWidth() * src.GetBytesPerPixel());
    if (src.GetAlphaPlane())
    {
        s->CreateAlphaPlane();
        std::memcpy(s->GetAlphaPlane(), src.GetAlphaPlane(), (size_t)src.GetWidth() * src.GetHeight());
    }
    s->SetColorKey(src.GetColorKey());
    CKetrelRect clip;
    src.GetClipRect(&clip);
    s->SetClipRect(&clip);
    return s;
}

std::string FirstDifference(const CKetrelSurface& a, const CKetrelSurface& b)
{
    char text[160];
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
        {
            if (RawAt(a, x, y) != RawAt(b, x, y))
            {
                std::snprintf(text, sizeof text, "pixel (%d, %d): 0x%08x vs 0x%08x", x, y,
                              RawAt(a, x, y), RawAt(b, x, y));
                return text;
            }
            if (a.GetAlphaPlane() && b.GetAlphaPlane() &&
                a.GetAlphaPlane()[y * a.GetWidth() + x] != b.GetAlphaPlane()[y * b.GetWidth() + x])
            {
                std::snprintf(text, sizeof text, "alpha (%d, %d)", x, y);
                return text;
            }
        }
    return std::string();
}

namespace
{
uint32_t Widen(int format, uint32_t p, int c)   // c: 0 red, 1 green, 2 blue
{
    switch (format)
    {
    case 2: return ((p >> (8 - 4 * c)) & 0xF) << 4;
    case 3: return ((p >> (10 - 5 * c)) & 0x1F) << 3;
    case 4: return c == 0 ? (p >> 11) << 3 : (c == 1 ? ((p >> 5) & 63) << 2 : (p & 31) << 3);
    default: return (p >> (16 - 8 * c)) & 0xFF;
    }
}
uint32_t Narrow(int format, const uint32_t ch[3])
{
    switch (format)
    {
    case 2: return (ch[0] >> 4) << 8 | (ch[1] >> 4) << 4 | ch[2] >> 4;
    case 3: return (ch[0] >> 3) << 10 | (ch[1] >> 3) << 5 | ch[2] >> 3;
    case 4: return (ch[0] >> 3) << 11 | (ch[1] >> 2) << 5 | ch[2] >> 3;
    default: return ch[0] << 16 | ch[1] << 8 | ch[2];
    }
}
} // namespace

int ReferenceBlit(CKetrelSurface& dst, int x, int y, const CKetrelSurface& src,
                  const CKetrelRect* sourceRect, uint32_t flags)
{
    const int format = dst.GetPixelFormat();
    if (dst.GetBytesPerPixel() != src.GetBytesPerPixel())
        return KE_ERR_NO_FORMAT;
    if ((flags & KE_BLT_ALPHA) && src.GetBytesPerPixel() != 4 && !src.GetAlphaPlane())
        flags &= ~(uint32_t)KE_BLT_ALPHA;
    CKetrelRect r = sourceRect ? *sourceRect : CKetrelRect(0, 0, src.GetWidth(), src.GetHeight());
    if (flags & KE_BLT_CENTER_X)
        x = (int)((dst.GetWidth() >> 1) - (((int64_t)r.right - r.left) >> 1));
    if (flags & KE_BLT_CENTER_Y)
        y = (int)((dst.GetHeight() >> 1) - (((int64_t)r.bottom - r.top) >> 1));
    CKetrelRect clip(0, 0, dst.GetWidth(), dst.GetHeight());
    if (!(flags & KE_BLT_NOCLIP))
        dst.GetClipRect(&clip);
    const bool mx = flags & KE_BLT_MIRROR_X, my = flags & KE_BLT_MIRROR_Y;
    const uint32_t keyMask = format >= 6 ? 0xFFFFFF : 0xFFFFFFFF;
    const uint32_t masks[8] = {0, 0, 0x0eee, 0x7bde, 0xf7de, 0xfefefe, 0xfefefefe, 0xfefefefe};
    const int64_t w = (int64_t)r.right - r.left, h = (int64_t)r.bottom - r.top;
    // Every destination pixel inside the clip, mapped back to the source in 64 bits.
    for (int64_t dy = clip.top; dy < clip.bottom; ++dy)
        for (int64_t dx = clip.left; dx < clip.right; ++dx)
        {
            const int64_t i = dx - x, j = dy - y;
            if (i < 0 || j < 0 || i >= w || j >= h)
                continue;
            const int64_t sx = mx ? r.right - 1 - i : r.left + i;
            const int64_t sy = my ? r.bottom - 1 - j : r.top + j;
            if (sx < 0 || sy < 0 || sx >= src.GetWidth() || sy >= src.GetHeight())
                continue;
            const uint32_t s = RawAt(src, (int)sx, (int)sy);
            const uint32_t d = RawAt(dst, (int)dx, (int)dy);
            const bool keyed = (flags & KE_BLT_COLORKEY) && (s & keyMask) == src.GetColorKey();
            const uint8_t* sa = src.GetAlphaPlane();
            uint8_t* da = dst.GetAlphaPlane();
            if (flags & KE_BLT_ALPHA)
            {
                if (format == 5)
                {
                    if ((s & 0xFFFFFF) != src.GetColorKey())
                        SetRawAt(dst, (int)dx, (int)dy, s);
                    continue;
                }
                const uint32_t a = format >= 6 ? s >> 24 : sa[sy * src.GetWidth() + sx];
                if (keyed || a == 0)
                    continue;
                if (format == 1)
                    continue;   // palette formats are compared separately
                if (a == 255)
                {
                    SetRawAt(dst, (int)dx, (int)dy, format >= 6 ? (d & 0xFF000000) | (s & 0xFFFFFF) : s);
                    continue;
                }
                uint32_t ch[3];
                for (int c = 0; c < 3; ++c)
                {
                    const uint32_t v = Widen(format, s, c) + (Widen(format, d, c) * (255 - a) >> 8);
                    ch[c] = v > 255 ? 255 : v;
                }
                SetRawAt(dst, (int)dx, (int)dy, Narrow(format, ch) | (format >= 6 ? d & 0xFF000000 : 0));
                continue;
            }
            if (format <= 5 && sa && da)
                da[dy * dst.GetWidth() + dx] = sa[sy * src.GetWidth() + sx];
            if (flags & KE_BLT_ALPHA_ONLY)
            {
                if (format >= 6 && !(flags & KE_BLT_COLORKEY))
                {
                    SetRawAt(dst, (int)dx, (int)dy, (s & 0xFF000000) | (d & 0xFFFFFF));
                    continue;
                }
                if (format <= 5)
                    continue;
            }
            if (keyed)
                continue;
            if (flags & KE_BLT_MULTIPLY)
                SetRawAt(dst, (int)dx, (int)dy,
                         ((s & masks[format]) >> 1) + ((d & masks[format]) >> 1));
            else
                SetRawAt(dst, (int)dx, (int)dy, s);
        }
    return KE_OK;
}
