// Fills: opaque, alpha-blended, dimming, four-corner and radial gradients, plus
// the whole-surface invert and the point plot.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <cmath>
#include <cstring>

using namespace ketrelpx;

namespace
{
// rect (null: whole surface) intersected with bounds; false when empty.
bool Intersect(const CKetrelRect* rect, i32 w, i32 h, const CKetrelRect& bounds, CKetrelRect* out)
{
    CKetrelRect r = rect ? *rect : CKetrelRect(0, 0, w, h);
    if (r.left < bounds.left) r.left = bounds.left;
    if (r.top < bounds.top) r.top = bounds.top;
    if (r.right > bounds.right) r.right = bounds.right;
    if (r.bottom > bounds.bottom) r.bottom = bounds.bottom;
    *out = r;
    return r.right > r.left && r.bottom > r.top;
}

// Where FillRectAlpha and DimRect draw: the rect (null: the whole surface) within the
// clip rect. False with *rc set when nothing is drawn: 1 for an empty area, 3 without
// pixels, 11 for a format without these routines (only 1, 4, 6 and 7 have them).
bool BlendedFillArea(const CKetrelSurface& s, const CKetrelRect* rect, CKetrelRect* out, int* rc)
{
    CKetrelRect clip;
    s.GetClipRect(&clip);
    *rc = KE_OK;
    if (!Intersect(rect, s.GetWidth(), s.GetHeight(), clip, out))
        return false;
    const int format = s.GetPixelFormat();
    if (!s.GetPixels())
        *rc = KE_ERR_NOT_READY;
    else if (!(format == 1 || format == 4 || format == 6 || format == 7))
        *rc = KE_ERR_NO_FORMAT;
    return *rc == KE_OK;
}

template <int Bpp>
void FillRows(u8* base, i64 pitch, const CKetrelRect& r, u32 value)
{
    const int n = r.Width();
    for (i32 y = r.top; y < r.bottom; ++y)
    {
        u8* p = base + y * pitch + (i64)r.left * Bpp;
        if (Bpp == 1)
            std::memset(p, (int)(value & 0xFF), (size_t)n);
        else
            for (int i = 0; i < n; ++i, p += Bpp)
                StoreRaw(p, Bpp, value);
    }
}

template <class P, class F>
void ForEachPixel(const P& px, u8* base, i64 pitch, const CKetrelRect& r, F&& f)
{
    for (i32 y = r.top; y < r.bottom; ++y)
    {
        u8* p = base + y * pitch + (i64)r.left * P::Bpp;
        for (i32 x = r.left; x < r.right; ++x, p += P::Bpp)
            f(p);
    }
    (void)px;
}
} // namespace

int CKetrelSurface::FillRect(u32 colour, const CKetrelRect* rect)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (!m_bytesPerPixel)
        return KE_ERR_NO_FORMAT;
    BeginDraw();
    if (colour == 0 && !rect)
    {
        if ((i64)m_pitch * m_height == m_bufferSize)
            std::memset(m_pixels, 0, (size_t)m_bufferSize);
        else
            for (i32 y = 0; y < m_height; ++y)
                std::memset(m_pixels + (i64)y * m_pitch, 0, (size_t)m_width * m_bytesPerPixel);
        if (m_alpha)
            std::memset(m_alpha, 0, (size_t)m_width * m_height);
        UpdateTexture();
        return KE_OK;
    }
    // Bounded by the surface, not by the clip rectangle; an inverted rect is empty.
    CKetrelRect r;
    if (!Intersect(rect, m_width, m_height, CKetrelRect(0, 0, m_width, m_height), &r))
        return KE_OK;
    const u32 value = ColorToPixel(colour);
    switch (m_bytesPerPixel)
    {
    case 1: FillRows<1>(m_pixels, m_pitch, r, value); break;
    case 2: FillRows<2>(m_pixels, m_pitch, r, value); break;
    case 3: FillRows<3>(m_pixels, m_pitch, r, colour & 0xFFFFFF); break;
    default: FillRows<4>(m_pixels, m_pitch, r, value); break;
    }
    if (m_alpha)
        for (i32 y = r.top; y < r.bottom; ++y)
            std::memset(m_alpha + (i64)y * m_width + r.left, (int)(colour >> 24), (size_t)r.Width());
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::FillRectAlpha(u32 colour, const CKetrelRect* rect)
{
    CKetrelRect r;
    const i32 A = (i32)(colour >> 24);
    if (A == 0)
        return KE_OK;
    int rc;
    if (!BlendedFillArea(*this, rect, &r, &rc))
        return rc;
    BeginDraw();
    if (m_format == 7)
        colour = SwapRB(colour);
    const i32 cr = (i32)Red(colour), cg = (i32)Green(colour), cb = (i32)Blue(colour);
    // d := d + A x (c - d) >> 8 with a signed product and an arithmetic shift.
    auto mix = [A](i32 d, i32 c) { return (u32)(d + ((A * (c - d)) >> 8)); };
    WithFormat(m_format, m_owner, [&](auto px) {
        ForEachPixel(px, m_pixels, m_pitch, r, [&](u8* p) {
            u32 dr, dg, db;
            px.Unpack(px.Load(p), dr, dg, db);
            // 32-bit results carry alpha 0.
            px.Store(p, px.Pack(mix((i32)dr, cr), mix((i32)dg, cg), mix((i32)db, cb)));
        });
        return 1;
    });
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::DimRect(const CKetrelRect* rect, f32 factor)
{
    CKetrelRect r;
    int rc;
    if (!BlendedFillArea(*this, rect, &r, &rc))
        return rc;
    // A factor outside 0..1 (or NaN) is held to it: the conversion to unsigned
    // would otherwise be undefined.
    if (!(factor > 0.0f))
        factor = 0.0f;
    if (factor > 1.0f)
        factor = 1.0f;
    u32 m = (u32)(factor * 255.0f);
    if (m != 255)
        m = (m * 255) >> 8;
    BeginDraw();
    if (m_format == 4)
    {
        ForEachPixel(Px565(), m_pixels, m_pitch, r, [m](u8* p) {
            u16 v;
            std::memcpy(&v, p, 2);
            const u32 r5 = (v >> 11) * m >> 8, g6 = ((v >> 5) & 63) * m >> 8, b5 = (v & 31) * m >> 8;
            v = (u16)(r5 << 11 | g6 << 5 | b5);
            std::memcpy(p, &v, 2);
        });
    }
    else if (m_format == 1)
    {
        PxIndex8 px{OwnerPalette(m_owner), OwnerColorLookup(m_owner)};
        ForEachPixel(px, m_pixels, m_pitch, r, [&](u8* p) {
            u32 cr, cg, cb;
            px.Unpack(*p, cr, cg, cb);
            *p = (u8)px.Pack(cr * m >> 8, cg * m >> 8, cb * m >> 8);
        });
    }
    else
    {
        ForEachPixel(Px8888(), m_pixels, m_pitch, r, [m](u8* p) {
            p[0] = (u8)(p[0] * m >> 8);
            p[1] = (u8)(p[1] * m >> 8);
            p[2] = (u8)(p[2] * m >> 8);
        });
    }
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::FillGradient(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                                 const CKetrelRect* rect)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (!(m_format == 1 || m_format == 4 || m_format == 6 || m_format == 7))
        return KE_ERR_NO_FORMAT;
    if (m_format == 7)
    {
        topLeft = SwapRB(topLeft);
        topRight = SwapRB(topRight);
        bottomRight = SwapRB(bottomRight);
        bottomLeft = SwapRB(bottomLeft);
    }
    CKetrelRect r;
    GetRectOrWhole(rect, &r, this);
    const i64 rw = (i64)r.right - r.left, rh = (i64)r.bottom - r.top;
    if (rw <= 0 || rh <= 0)
        return KE_OK;
    // Visible columns and rows: left of 0 and from the clip's right edge on are
    // cut; rows above 0 are skipped and rows stop at the clip's bottom edge.
    const i64 x0 = r.left < 0 ? 0 : r.left, x1 = r.right < m_clipRight ? r.right : m_clipRight;
    const i64 y1 = r.bottom < m_clipBottom ? r.bottom : m_clipBottom;
    if (x1 <= x0 || y1 <= 0 || r.top >= y1 || m_clipRight <= m_clipLeft ||
        m_clipBottom <= m_clipTop)
        return KE_OK;
    BeginDraw();

    // Channels scaled by 0xFFFF: [0] red, [1] green, [2] blue.
    i64 left[3], right[3], leftStep[3], rightStep[3];
    const int shifts[3] = {16, 8, 0};
    for (int c = 0; c < 3; ++c)
    {
        const i64 tl = ((topLeft >> shifts[c]) & 0xFF) * 0xFFFF, bl = ((bottomLeft >> shifts[c]) & 0xFF) * 0xFFFF;
        const i64 tr = ((topRight >> shifts[c]) & 0xFF) * 0xFFFF, br = ((bottomRight >> shifts[c]) & 0xFF) * 0xFFFF;
        left[c] = tl;
        right[c] = tr;
        leftStep[c] = (bl - tl) / rh;
        rightStep[c] = (br - tr) / rh;
    }
    const u8* lookup = m_format == 1 ? OwnerColorLookup(m_owner) : nullptr;
    const i64 yStart = r.top < 0 ? 0 : r.top;
    for (int c = 0; c < 3; ++c)
    {
        left[c] += leftStep[c] * (yStart - r.top);
        right[c] += rightStep[c] * (yStart - r.top);
    }
    for (i64 y = yStart; y < y1; ++y)
    {
        {
            i64 v[3], step[3];
            for (int c = 0; c < 3; ++c)
            {
                v[c] = left[c];
                step[c] = (right[c] - left[c]) / rw;
            }
            u8* p = m_pixels + y * m_pitch + x0 * m_bytesPerPixel;
            for (i64 x = x0; x < x1; ++x, p += m_bytesPerPixel)
            {
                const u32 R = (u32)v[0], G = (u32)v[1], B = (u32)v[2];
                if (m_bytesPerPixel == 4)
                {
                    p[0] = (u8)(B >> 16);
                    p[1] = (u8)(G >> 16);
                    p[2] = (u8)(R >> 16);
                }
                else if (m_bytesPerPixel == 2)
                {
                    const u16 s = (u16)((R >> 19) << 11 | (G >> 18) << 5 | (B >> 19));
                    std::memcpy(p, &s, 2);
                }
                else
                    *p = lookup ? lookup[((R >> 20) << 8 | (G >> 20) << 4 | (B >> 20)) & 0xFFF] : 0;
                for (int c = 0; c < 3; ++c)
                    v[c] += step[c];
            }
        }
        for (int c = 0; c < 3; ++c)
        {
            left[c] += leftStep[c];
            right[c] += rightStep[c];
        }
    }
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::DrawRadialGradient(u32 background, u32 colour, f32 scale, const CKetrelRect* rect)
{
    const int rc = FillRect(background, rect);
    if (rc != KE_OK)
        return rc;
    CKetrelRect whole;
    GetRectOrWhole(rect, &whole, this);
    const i64 w = (i64)whole.right - whole.left, h = (i64)whole.bottom - whole.top;
    const f32 radius = (f32)(w < h ? w : h) * scale * 0.5f;
    CKetrelRect r;
    // A radius of 0 or less (or NaN) leaves the background alone.
    if (w <= 0 || h <= 0 || !(radius > 0.0f) ||
        !Intersect(rect, m_width, m_height, CKetrelRect(0, 0, m_width, m_height), &r))
        return KE_OK;
    if (m_format == 7)
        colour = SwapRB(colour);
    BeginDraw();
    const i64 cx = whole.left + w / 2, cy = whole.top + h / 2;
    const i32 cr = (i32)Red(colour), cg = (i32)Green(colour), cb = (i32)Blue(colour);
    WithFormat(m_format, m_owner, [&](auto px) {
        for (i32 y = r.top; y < r.bottom; ++y)
        {
            u8* p = m_pixels + (i64)y * m_pitch + (i64)r.left * decltype(px)::Bpp;
            for (i32 x = r.left; x < r.right; ++x, p += decltype(px)::Bpp)
            {
                const f32 dx = (f32)(x - cx), dy = (f32)(y - cy);
                const f32 distance = std::sqrt(dx * dx + dy * dy);
                if (!(distance < radius))
                    continue;
                const i32 wgt = (i32)((1.0f - distance / radius) * 255.0f);
                const u32 old = px.Load(p);
                u32 dr, dg, db;
                px.Unpack(old, dr, dg, db);
                auto mix = [wgt](i32 d, i32 c) { return (u32)(d + (((c - d) * wgt) >> 8)); };
                u32 out = px.Pack(mix((i32)dr, cr), mix((i32)dg, cg), mix((i32)db, cb));
                if (decltype(px)::Bpp == 4)
                    out |= old & 0xFF000000u;
                px.Store(p, out);
            }
        }
        return 1;
    });
    UpdateTexture();
    return KE_OK;
}

// Every byte of every row is complemented (the last pixels too, whatever the row
// length in bytes).
int CKetrelSurface::Invert()
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (m_format == 1)
        return KE_OK;
    BeginDraw();
    const i64 rowBytes = (i64)m_width * m_bytesPerPixel;
    for (i32 y = 0; y < m_height; ++y)
    {
        u8* p = m_pixels + (i64)y * m_pitch;
        i64 i = 0;
        for (; i + 4 <= rowBytes; i += 4)
        {
            u32 v;
            std::memcpy(&v, p + i, 4);
            v = ~v;
            std::memcpy(p + i, &v, 4);
        }
        for (; i < rowBytes; ++i)
            p[i] = (u8)~p[i];
    }
    UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::PlotPoint(i32 x, i32 y, u32 colour, u32 neighbourMask)
{
    if (!m_pixels)
        return KE_ERR_NOT_READY;
    if (!m_bytesPerPixel)
        return KE_ERR_NO_FORMAT;
    if (x < 1 || y < 1 || x >= m_width - 1 || y >= m_height - 1)
        return KE_OK;
    BeginDraw();
    const u32 value = m_bytesPerPixel == 3 ? (colour & 0xFFFFFF) : ColorToPixel(colour);
    static const int offsets[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    auto put = [&](i32 px, i32 py) {
        StoreRaw(m_pixels + (i64)py * m_pitch + (i64)px * m_bytesPerPixel, m_bytesPerPixel, value);
    };
    put(x, y);
    for (int i = 0; i < 8; ++i)
        if (neighbourMask & (1u << i))
            put(x + offsets[i][0], y + offsets[i][1]);
    UpdateTexture();
    return KE_OK;
}
