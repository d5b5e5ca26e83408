// Scaled blits: nearest pixel in 16.16 fixed point, or box-filtered.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBlitPlan.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <cstring>

using namespace ketrelpx;

namespace
{

// One scaled row: source pixels picked at (acc >> 16) as acc steps by step.
struct StretchRow
{
    const u8* src;       // first pixel of the source rect's row
    u8* dst;
    int srcWidth;
    int dstWidth;
    u32 key;
    const u8* srcAlpha;  // null without
    u8* dstAlpha;        // null without
    u32 tint;
    u32 flags;
    i64 step;
};

inline int SourceIndex(const StretchRow& r, i64 acc)
{
    const int i = (int)(acc >> 16);
    return (r.flags & KE_BLT_MIRROR_X) ? r.srcWidth - 1 - i : i;
}

template <class P>
void CopySpan(const P& px, const StretchRow& r)
{
    i64 acc = 0;
    u8* d = r.dst;
    for (int i = 0; i < r.dstWidth; ++i, d += P::Bpp, acc += r.step)
        px.Store(d, px.Load(r.src + SourceIndex(r, acc) * P::Bpp));
}

template <class P>
void KeyedSpan(const P& px, const StretchRow& r, u32 keyMask)
{
    i64 acc = 0;
    u8* d = r.dst;
    for (int i = 0; i < r.dstWidth; ++i, d += P::Bpp, acc += r.step)
    {
        const u32 v = px.Load(r.src + SourceIndex(r, acc) * P::Bpp);
        if ((v & keyMask) != r.key)
            px.Store(d, v);
    }
}

void AlphaByteSpan32(const StretchRow& r)
{
    i64 acc = 0;
    u8* d = r.dst;
    for (int i = 0; i < r.dstWidth; ++i, d += 4, acc += r.step)
        d[3] = r.src[SourceIndex(r, acc) * 4 + 3];
}

void AlphaPlaneSpan(const StretchRow& r)
{
    i64 acc = 0;
    for (int i = 0; i < r.dstWidth; ++i, acc += r.step)
        r.dstAlpha[i] = r.srcAlpha[SourceIndex(r, acc)];
}

// With KE_BLT_ALPHA the destination, scaled by (255 - a), is added to the tinted
// source; without it the tinted source alone. The tint's alpha then blends the
// result with the destination (0: nothing is written).
template <class P>
void AlphaTintSpan(const P& px, const StretchRow& r)
{
    const u32 A = r.tint >> 24;
    if (A == 0)
        return;
    const u32 tr = Red(r.tint), tg = Green(r.tint), tb = Blue(r.tint);
    const bool blend = (r.flags & KE_BLT_ALPHA) != 0;
    i64 acc = 0;
    u8* d = r.dst;
    for (int i = 0; i < r.dstWidth; ++i, d += P::Bpp, acc += r.step)
    {
        const int si = SourceIndex(r, acc);
        const u32 sv = px.Load(r.src + si * P::Bpp);
        u32 a = 255;
        if (blend)
            a = P::Bpp == 4 ? sv >> 24 : (r.srcAlpha ? r.srcAlpha[si] : 255);
        if (a == 0)
            continue;
        u32 sr, sg, sb, dr, dg, db;
        px.Unpack(sv, sr, sg, sb);
        px.Unpack(px.Load(d), dr, dg, db);
        u32 xr = tr * sr >> 8, xg = tg * sg >> 8, xb = tb * sb >> 8;
        if (blend)
        {
            const u32 ia = 255 - a;
            xr = Sat(xr + (dr * ia >> 8));
            xg = Sat(xg + (dg * ia >> 8));
            xb = Sat(xb + (db * ia >> 8));
        }
        BlendByTintAlpha(A, dr, dg, db, xr, xg, xb);
        u32 out = px.Pack(xr, xg, xb);
        if (P::Bpp == 4)
            out |= a << 24;
        px.Store(d, out);
    }
}

// Moves dest edges onto the bounds and the matching source edges inwards by the
// moved pixels times the scale. False when nothing is left.
bool ClipStretch(CKetrelRect& dest, CKetrelRect& src, i32 cl, i32 ct, i32 cr, i32 cb, u32 flags)
{
    i64 dl = dest.left, dt = dest.top, dr = dest.right, db = dest.bottom;
    i64 sl = src.left, st = src.top, sr = src.right, sb = src.bottom;
    if (dr - dl < 1 || db - dt < 1 || sr - sl < 1 || sb - st < 1)
        return false;
    const double scaleX = (double)(sr - sl) / (double)(dr - dl);
    const double scaleY = (double)(sb - st) / (double)(db - dt);
    const bool mx = (flags & KE_BLT_MIRROR_X) != 0, my = (flags & KE_BLT_MIRROR_Y) != 0;
    if (dl < cl)
    {
        const i64 e = KetrelTruncToInt64((double)(cl - dl) * scaleX);
        if (mx) sr -= e; else sl += e;
        dl = cl;
    }
    if (dr > cr)
    {
        const i64 e = KetrelTruncToInt64((double)(dr - cr) * scaleX);
        if (mx) sl += e; else sr -= e;
        dr = cr;
    }
    if (dt < ct)
    {
        const i64 e = KetrelTruncToInt64((double)(ct - dt) * scaleY);
        if (my) sb -= e; else st += e;
        dt = ct;
    }
    if (db > cb)
    {
        const i64 e = KetrelTruncToInt64((double)(db - cb) * scaleY);
        if (my) st += e; else sb -= e;
        db = cb;
    }
    if (dr - dl < 1 || db - dt < 1 || sr - sl < 1 || sb - st < 1)
        return false;
    dest.Set((i32)dl, (i32)dt, (i32)dr, (i32)db);
    src.Set((i32)sl, (i32)st, (i32)sr, (i32)sb);
    return true;
}

// A source rect reaching beyond the source is cut to it, and the destination
// loses the matching share, so the picture keeps its place and scale.
bool BoundStretchSource(CKetrelRect& dest, CKetrelRect& src, i32 srcWidth, i32 srcHeight,
                        u32 flags)
{
    i64 sw = (i64)src.right - src.left, sh = (i64)src.bottom - src.top;
    i64 dw = (i64)dest.right - dest.left, dh = (i64)dest.bottom - dest.top;
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1)
        return false;
    if (src.left >= 0 && src.top >= 0 && src.right <= srcWidth && src.bottom <= srcHeight)
        return true;
    const double fx = (double)dw / (double)sw, fy = (double)dh / (double)sh;
    i64 cutL = src.left < 0 ? -(i64)src.left : 0, cutR = src.right > srcWidth ? (i64)src.right - srcWidth : 0;
    i64 cutT = src.top < 0 ? -(i64)src.top : 0, cutB = src.bottom > srcHeight ? (i64)src.bottom - srcHeight : 0;
    if (flags & KE_BLT_MIRROR_X) { i64 t = cutL; cutL = cutR; cutR = t; }
    if (flags & KE_BLT_MIRROR_Y) { i64 t = cutT; cutT = cutB; cutB = t; }
    const i64 dl = dest.left + KetrelTruncToInt64((double)cutL * fx), dr = dest.right - KetrelTruncToInt64((double)cutR * fx);
    const i64 dt = dest.top + KetrelTruncToInt64((double)cutT * fy), db = dest.bottom - KetrelTruncToInt64((double)cutB * fy);
    const i64 sl = src.left < 0 ? 0 : src.left, st = src.top < 0 ? 0 : src.top;
    const i64 sr = src.right > srcWidth ? srcWidth : src.right;
    const i64 sb = src.bottom > srcHeight ? srcHeight : src.bottom;
    if (sr - sl < 1 || sb - st < 1 || dr - dl < 1 || db - dt < 1)
        return false;
    if (dl < INT32_MIN || dr > INT32_MAX || dt < INT32_MIN || db > INT32_MAX)
        return false;
    dest.Set((i32)dl, (i32)dt, (i32)dr, (i32)db);
    src.Set((i32)sl, (i32)st, (i32)sr, (i32)sb);
    return true;
}

template <class P>
void NearestRows(const P& px, CKetrelSurface* dst, CKetrelSurface* source, const CKetrelRect& d,
                 const CKetrelRect& s, u32 tint, u32 flags)
{
    const int bpp = P::Bpp;
    const int format = dst->GetPixelFormat();
    const int dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
    const bool srcPlane = source->GetAlphaPlane() != nullptr;
    const bool bothPlanes = srcPlane && dst->GetAlphaPlane() != nullptr;
    enum { kCopy, kKeyed, kAlphaByte, kAlphaPlane, kAlphaTint } mode;
    if (bpp == 4)
        mode = ((flags & KE_BLT_ALPHA) || tint != 0xFFFFFFFFu) ? kAlphaTint
             : (flags & KE_BLT_COLORKEY) ? kKeyed
             : (flags & KE_BLT_ALPHA_ONLY) ? kAlphaByte : kCopy;
    else
        mode = (((flags & KE_BLT_ALPHA) && srcPlane) || tint != 0xFFFFFFFFu) ? kAlphaTint
             : (flags & KE_BLT_COLORKEY) ? kKeyed
             : ((flags & KE_BLT_ALPHA_ONLY) && bothPlanes) ? kAlphaPlane : kCopy;
    if (format == 7)
        tint = SwapRB(tint);

    StretchRow r;
    r.srcWidth = sw;
    r.dstWidth = dw;
    r.key = source->GetColorKey();
    r.tint = tint;
    r.flags = flags;
    r.step = ((i64)sw << 16) / dw;
    const i64 rowStep = ((i64)sh << 16) / dh;
    i64 rowAcc = 0;
    for (int j = 0; j < dh; ++j, rowAcc += rowStep)
    {
        int sy = (int)(rowAcc >> 16);
        sy = (flags & KE_BLT_MIRROR_Y) ? s.bottom - 1 - sy : s.top + sy;
        const int dy = d.top + j;
        r.src = source->GetPixels() + (i64)sy * source->GetPitch() + (i64)s.left * bpp;
        r.dst = dst->GetPixels() + (i64)dy * dst->GetPitch() + (i64)d.left * bpp;
        r.srcAlpha = srcPlane ? source->GetAlphaPlane() + (i64)sy * source->GetWidth() + s.left
                              : nullptr;
        r.dstAlpha = dst->GetAlphaPlane()
                         ? dst->GetAlphaPlane() + (i64)dy * dst->GetWidth() + d.left
                         : nullptr;
        switch (mode)
        {
        case kCopy: CopySpan(px, r); break;
        case kKeyed: KeyedSpan(px, r, KeyMask(format)); break;
        case kAlphaByte: AlphaByteSpan32(r); break;
        case kAlphaPlane: AlphaPlaneSpan(r); break;
        case kAlphaTint: AlphaTintSpan(px, r); break;
        }
    }
}

int StretchCommon(CKetrelSurface* dst, IKetrelGraphicsContext* sourceCtx,
                  const CKetrelRect* destRect, const CKetrelRect* sourceRect, u32 tint, u32 flags,
                  CKetrelSurface** sourceOut, CKetrelRect* dOut, CKetrelRect* sOut, bool* smooth)
{
    CKetrelSurface* source = nullptr;
    const bool filtered = (flags & KE_BLT_SMOOTH) && dst->GetPixelFormat() != 1;
    // The filtered routine reads through GetPixel, so any source format will do.
    int rc = CheckSource(dst, sourceCtx, !filtered, &source);
    if (rc != KE_OK)
        return rc;
    (void)tint;
    CKetrelRect d, s;
    CKetrelSurface::GetRectOrWhole(destRect, &d, dst);
    CKetrelSurface::GetRectOrWhole(sourceRect, &s, source);
    if (!BoundStretchSource(d, s, source->GetWidth(), source->GetHeight(), flags))
        return -1;
    CKetrelRect clip(0, 0, dst->GetWidth(), dst->GetHeight());
    if (!(flags & KE_BLT_NOCLIP))
        dst->GetClipRect(&clip);
    if (!ClipStretch(d, s, clip.left, clip.top, clip.right, clip.bottom, flags))
        return -1;
    *sourceOut = source;
    *dOut = d;
    *sOut = s;
    *smooth = filtered;
    return KE_OK;
}

} // namespace

int CKetrelSurface::StretchBlit(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                                const CKetrelRect* sourceRect, u32 flags)
{
    return StretchBlitTinted(destRect, source, sourceRect, 0xFFFFFFFFu, flags);
}

int CKetrelSurface::StretchBlitTinted(const CKetrelRect* destRect, IKetrelGraphicsContext* sourceCtx,
                                      const CKetrelRect* sourceRect, u32 colour, u32 flags)
{
    CKetrelSurface* source = nullptr;
    CKetrelRect d, s;
    bool smooth = false;
    const int rc = StretchCommon(this, sourceCtx, destRect, sourceRect, colour, flags, &source,
                                 &d, &s, &smooth);
    if (rc == -1)
        return KE_OK;
    if (rc != KE_OK)
        return rc;
    BeginDraw();
    source->BeginDraw();
    if (smooth)
        StretchSmooth(d, source, s);
    else
        WithFormat(m_format, m_owner, [&](auto px) {
            NearestRows(px, this, source, d, s, colour, flags);
            return 1;
        });
    UpdateTexture();
    if (source != this)
        source->UpdateTexture();
    return KE_OK;
}

// Each destination pixel averages the box of source pixels that begins at its
// mapped position and spans floor(step) + 1 pixels on each axis. The box start is
// kept inside the source rect, so that enlarging never leaves a box empty.
int CKetrelSurface::StretchSmooth(const CKetrelRect& d, CKetrelSurface* source,
                                  const CKetrelRect& s)
{
    const i64 dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
    const i64 stepX = ((sw + 1) << 16) / dw, stepY = ((sh + 1) << 16) / dh;
    const i64 boxW = (stepX >> 16) + 1, boxH = (stepY >> 16) + 1;
    for (i64 j = 0; j < dh; ++j)
    {
        i64 y0 = (j * stepY) >> 16;
        if (y0 > sh - 1)
            y0 = sh - 1;
        const i64 y1 = (y0 + boxH < sh) ? y0 + boxH : sh;
        u8* row = m_pixels + (d.top + j) * (i64)m_pitch;
        for (i64 i = 0; i < dw; ++i)
        {
            i64 x0 = (i * stepX) >> 16;
            if (x0 > sw - 1)
                x0 = sw - 1;
            const i64 x1 = (x0 + boxW < sw) ? x0 + boxW : sw;
            u64 sa = 0, sr = 0, sg = 0, sb = 0;
            for (i64 y = y0; y < y1; ++y)
                for (i64 x = x0; x < x1; ++x)
                {
                    const u32 p = source->GetPixel((i32)(s.left + x), (i32)(s.top + y));
                    sa += p >> 24;
                    sr += (p >> 16) & 0xFF;
                    sg += (p >> 8) & 0xFF;
                    sb += p & 0xFF;
                }
            const u64 n = (u64)((x1 - x0) * (y1 - y0));
            const u32 a = (u32)Sat((u32)(sa / n)), r = (u32)Sat((u32)(sr / n));
            const u32 g = (u32)Sat((u32)(sg / n)), b = (u32)Sat((u32)(sb / n));
            StoreRaw(row + (d.left + i) * m_bytesPerPixel, m_bytesPerPixel,
                     ColorToPixel(a << 24 | r << 16 | g << 8 | b));
        }
    }
    return KE_OK;
}
