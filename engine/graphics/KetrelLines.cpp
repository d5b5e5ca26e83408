// Lines (one horizontal run per row, 16.16 fixed point) and the rotated blit.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBlitPlan.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <cmath>

using namespace ketrelpx;

// Rows = |y2 - y1| + 1; x advances by (x2 - x1) / rows per row and each row gets
// the run from the previous x to the new one. Only the rows inside the clip rect
// are visited, each at the x and colour it has on the whole line, so a line of
// any length costs at most the clip's height in rows. Arithmetic is 64-bit.
int CKetrelSurface::DrawLine(i32 x1, i32 y1, i32 x2, i32 y2, u32 colour1, u32 colour2)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (!m_bytesPerPixel)
        return KE_ERR_NO_FORMAT;
    const i64 cl = m_clipLeft, ct = m_clipTop, cr = m_clipRight, cb = m_clipBottom;
    if ((x1 < cl && x2 < cl) || (y1 < ct && y2 < ct) || (x1 >= cr && x2 >= cr) ||
        (y1 >= cb && y2 >= cb))
        return KE_OK;
    const i64 dy = (i64)y2 - y1;
    const i64 rows = (dy < 0 ? -dy : dy) + 1;
    const int ydir = dy < 0 ? -1 : 1;
    const i64 xStep = (((i64)x2 - x1) * 65536) / rows;

    // Step index range whose row lies inside [ct, cb).
    i64 k0, k1;
    if (ydir > 0)
    {
        k0 = ct - y1;
        k1 = cb - y1;
    }
    else
    {
        k0 = y1 - (cb - 1);
        k1 = y1 - ct + 1;
    }
    if (k0 < 0) k0 = 0;
    if (k1 > rows) k1 = rows;
    if (k0 >= k1)
        return KE_OK;

    const bool gradient = colour1 != colour2;
    const u32 single = m_bytesPerPixel == 3 ? (colour1 & 0xFFFFFF) : ColorToPixel(colour1);
    i64 channel[4], channelStep[4];
    for (int c = 0; c < 4; ++c)
    {
        const i64 a = (colour1 >> (24 - 8 * c)) & 0xFF, b = (colour2 >> (24 - 8 * c)) & 0xFF;
        channelStep[c] = ((b - a) * 65536) / rows;
        channel[c] = a * 65536 + channelStep[c] * k0;
    }
    BeginDraw();
    i64 x = (i64)x1 * 65536 + xStep * k0;
    for (i64 k = k0; k < k1; ++k)
    {
        const i64 prev = x;
        x += xStep;
        const i64 y = y1 + ydir * k;
        i64 lo = prev >> 16, hi = x >> 16;
        if (lo > hi)
        {
            const i64 t = lo;
            lo = hi;
            hi = t;
        }
        if (lo == hi)
            hi = lo + 1;
        const i64 runLength = hi - lo;
        const i64 start = lo < cl ? cl : lo, end = hi > cr ? cr : hi;
        if (start < end)
        {
            u8* p = m_pixels + y * m_pitch + start * m_bytesPerPixel;
            if (!gradient)
            {
                for (i64 i = start; i < end; ++i, p += m_bytesPerPixel)
                    StoreRaw(p, m_bytesPerPixel, single);
            }
            else
            {
                i64 v[4], step[4];
                for (int c = 0; c < 4; ++c)
                {
                    step[c] = channelStep[c] / runLength;
                    v[c] = channel[c] + step[c] * (start - lo);
                }
                for (i64 i = start; i < end; ++i, p += m_bytesPerPixel)
                {
                    u32 col = 0;
                    for (int c = 0; c < 4; ++c)
                    {
                        i64 ch = v[c] >> 16;
                        ch = ch < 0 ? 0 : (ch > 255 ? 255 : ch);
                        col |= (u32)ch << (24 - 8 * c);
                        v[c] += step[c];
                    }
                    StoreRaw(p, m_bytesPerPixel,
                             m_bytesPerPixel == 3 ? (col & 0xFFFFFF) : ColorToPixel(col));
                }
            }
        }
        for (int c = 0; c < 4; ++c)
            channel[c] += channelStep[c];
    }
    UpdateTexture();
    return KE_OK;
}

namespace
{
template <int Bpp>
void RotateWalk(u8* dst, i64 dstPitch, const u8* src, i64 srcPitch, i64 sw, i64 sh, i64 x, i64 y,
                i64 dxLo, i64 dxHi, i64 dyLo, i64 dyHi, i64 cStep, i64 sStep, u32 flags, u32 key,
                u32 keyMask, u32 halving)
{
    const bool keyed = (flags & KE_BLT_COLORKEY) != 0, average = (flags & KE_BLT_MULTIPLY) != 0;
    const i64 cx = sw / 2, cy = sh / 2;
    for (i64 dy = dyLo; dy < dyHi; ++dy)
    {
        i64 u = dxLo * cStep + dy * sStep;
        i64 v = dy * cStep - dxLo * sStep;
        u8* d = dst + (y + dy) * dstPitch + (x + dxLo) * Bpp;
        for (i64 dx = dxLo; dx < dxHi; ++dx, u += cStep, v -= sStep, d += Bpp)
        {
            const i64 sx = cx + (u >> 16), sy = cy + (v >> 16);
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh)
                continue;
            u32 p = LoadRaw(src + sy * srcPitch + sx * Bpp, Bpp);
            if (keyed && (p & keyMask) == key)
                continue;
            if (average)
                p = ((p & halving) >> 1) + ((LoadRaw(d, Bpp) & halving) >> 1);
            StoreRaw(d, Bpp, p);
        }
    }
}
} // namespace

// The source turned about its centre, drawn centred on (x, y) at a width of
// radius x 10 / 7 pixels, so that a square picture fits the circle of the radius.
// The source's centre is (width / 2, height / 2), so that pictures wider than
// high are centred too.
int CKetrelSurface::BlitRotated(i32 x, i32 y, IKetrelGraphicsContext* sourceCtx, f32 angle,
                                i32 radius, u32 flags)
{
    CKetrelSurface* source = nullptr;
    const int rc = CheckSource(this, sourceCtx, true, &source);
    if (rc != KE_OK)
        return rc;
    if (flags & KE_BLT_CENTER_X)
        x = m_width >> 1;
    if (flags & KE_BLT_CENTER_Y)
        y = m_height >> 1;
    const i64 r = radius, k = r * 10 / 7;
    if (r <= 0 || k <= 0 || !std::isfinite(angle))
        return KE_OK;
    if (x < -r || y < -r || x > m_width + r || y > m_height + r)
        return KE_OK;
    const bool clipped = (flags & KE_BLT_NOCLIP) == 0;
    const i64 cl = clipped ? m_clipLeft : 0, ct = clipped ? m_clipTop : 0;
    const i64 cr = clipped ? m_clipRight : m_width, cb = clipped ? m_clipBottom : m_height;
    const i64 dxLo = (cl - x > -r) ? cl - x : -r, dxHi = (cr - x < r) ? cr - x : r;
    const i64 dyLo = (ct - y > -r) ? ct - y : -r, dyHi = (cb - y < r) ? cb - y : r;
    if (dxLo >= dxHi || dyLo >= dyHi)
        return KE_OK;
    const i64 sw = source->m_width;
    // One unit is 65536: with 65535 a picture would spill one column and one row
    // beyond its width (radius 70 would give 101 columns instead of 100).
    const i64 sStep = sw * (i64)(std::sin(angle) * 65536.0f) / k;
    const i64 cStep = sw * (i64)(std::cos(angle) * 65536.0f) / k;
    BeginDraw();
    source->BeginDraw();
    const u32 key = source->m_colorKey, keyMask = KeyMask(m_format), halving = HalvingMask(m_format);
    switch (m_bytesPerPixel)
    {
    case 1: RotateWalk<1>(m_pixels, m_pitch, source->m_pixels, source->m_pitch, sw, source->m_height,
                          x, y, dxLo, dxHi, dyLo, dyHi, cStep, sStep, flags, key, keyMask, halving); break;
    case 2: RotateWalk<2>(m_pixels, m_pitch, source->m_pixels, source->m_pitch, sw, source->m_height,
                          x, y, dxLo, dxHi, dyLo, dyHi, cStep, sStep, flags, key, keyMask, halving); break;
    case 3: RotateWalk<3>(m_pixels, m_pitch, source->m_pixels, source->m_pitch, sw, source->m_height,
                          x, y, dxLo, dxHi, dyLo, dyHi, cStep, sStep, flags, key, keyMask, halving); break;
    default: RotateWalk<4>(m_pixels, m_pitch, source->m_pixels, source->m_pitch, sw, source->m_height,
                           x, y, dxLo, dxHi, dyLo, dyHi, cStep, sStep, flags, key, keyMask, halving); break;
    }
    UpdateTexture();
    if (source != this)
        source->UpdateTexture();
    return KE_OK;
}
