// Unscaled blits: plain, colour-keyed, averaged, alpha-only, alpha-blended and
// tinted. The source is read in the destination's format.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBlitPlan.h"
#include "engine/graphics/KetrelPixelFormats.h"

#include <cstring>

namespace ketrelpx
{

bool ClipBlit(i32& x, i32& y, CKetrelRect& src, i32 srcWidth, i32 srcHeight, i32 cl, i32 ct,
              i32 cr, i32 cb, u32 flags)
{
    i64 sl = src.left, st = src.top, sr = src.right, sb = src.bottom;
    i64 dx = x, dy = y;
    // The source rect must lie within the source; cutting its left (top) end moves
    // the picture unless the source is read mirrored in that axis.
    i64 nl = sl < 0 ? 0 : sl, nt = st < 0 ? 0 : st;
    i64 nr = sr > srcWidth ? srcWidth : sr, nb = sb > srcHeight ? srcHeight : sb;
    if (nr <= nl || nb <= nt)
        return false;
    dx += (flags & KE_BLT_MIRROR_X) ? (sr - nr) : (nl - sl);
    dy += (flags & KE_BLT_MIRROR_Y) ? (sb - nb) : (nt - st);
    sl = nl; st = nt; sr = nr; sb = nb;

    i64 w = sr - sl, h = sb - st;
    if (dx < cl)
    {
        const i64 e = cl - dx;
        w -= e;
        if (!(flags & KE_BLT_MIRROR_X))
            sl += e;
        dx = cl;
    }
    if (dx + w > cr)
    {
        const i64 e = dx + w - cr;
        w -= e;
        if (flags & KE_BLT_MIRROR_X)
            sl += e;
    }
    if (dy < ct)
    {
        const i64 e = ct - dy;
        h -= e;
        if (!(flags & KE_BLT_MIRROR_Y))
            st += e;
        dy = ct;
    }
    if (dy + h > cb)
    {
        const i64 e = dy + h - cb;
        h -= e;
        if (flags & KE_BLT_MIRROR_Y)
            st += e;
    }
    if (w <= 0 || h <= 0)
        return false;
    src.Set((i32)sl, (i32)st, (i32)(sl + w), (i32)(st + h));
    x = (i32)dx;
    y = (i32)dy;
    return true;
}

BlitRows MakeBlitRows(u8* dstPixels, i64 dstPitch, u8* dstAlpha, i64 dstWidth, int bpp,
                      const u8* srcPixels, i64 srcPitch, const u8* srcAlpha, i64 srcWidth,
                      i32 x, i32 y, const CKetrelRect& src, u32 flags)
{
    BlitRows r;
    const bool mx = (flags & KE_BLT_MIRROR_X) != 0, my = (flags & KE_BLT_MIRROR_Y) != 0;
    const i64 row = my ? src.bottom - 1 : src.top;
    const i64 col = mx ? src.right - 1 : src.left;
    r.width = src.Width();
    r.height = src.Height();
    r.dst = dstPixels + y * dstPitch + (i64)x * bpp;
    r.dstPitch = dstPitch;
    r.src = srcPixels + row * srcPitch + col * bpp;
    r.srcPitch = my ? -srcPitch : srcPitch;
    r.srcStep = mx ? -bpp : bpp;
    r.srcAlpha = srcAlpha ? srcAlpha + row * srcWidth + col : nullptr;
    r.srcAlphaPitch = my ? -srcWidth : srcWidth;
    r.srcAlphaStep = mx ? -1 : 1;
    r.dstAlpha = dstAlpha ? dstAlpha + (i64)y * dstWidth + x : nullptr;
    r.dstAlphaPitch = dstWidth;
    return r;
}

bool PlanBlit(const CKetrelSurface& dest, const CKetrelSurface& source, i32 x, i32 y,
              const CKetrelRect* sourceRect, u32 flags, BlitRows* out)
{
    const i32 w = dest.GetWidth(), h = dest.GetHeight();
    CKetrelRect src;
    CKetrelSurface::GetRectOrWhole(sourceRect, &src, &source);
    if (flags & KE_BLT_CENTER_X)
        x = (i32)((w >> 1) - ((((i64)src.right - src.left)) >> 1));
    if (flags & KE_BLT_CENTER_Y)
        y = (i32)((h >> 1) - ((((i64)src.bottom - src.top)) >> 1));
    CKetrelRect clip(0, 0, w, h);
    if (!(flags & KE_BLT_NOCLIP))
        dest.GetClipRect(&clip);
    if (!ClipBlit(x, y, src, source.GetWidth(), source.GetHeight(), clip.left, clip.top,
                  clip.right, clip.bottom, flags))
        return false;
    *out = MakeBlitRows(dest.GetPixels(), dest.GetPitch(), dest.GetAlphaPlane(), w,
                        dest.GetBytesPerPixel(), source.GetPixels(), source.GetPitch(),
                        source.GetAlphaPlane(), source.GetWidth(), x, y, src, flags);
    return true;
}

int CheckSource(const CKetrelSurface* dest, IKetrelGraphicsContext* sourceCtx, bool samePixelSize,
                CKetrelSurface** out)
{
    if (!sourceCtx || sourceCtx->IsHardware())
        return KE_ERR_ARGUMENT;
    CKetrelSurface* source = static_cast<CKetrelSurface*>(sourceCtx);
    if (!dest->GetPixels() || !source->GetPixels())
        return KE_ERR_NOT_READY;
    const int bpp = BytesPerPixel(dest->GetPixelFormat());
    // Both sides are read in the destination's format; a source with another
    // pixel size would be read past its end.
    if (!bpp || (samePixelSize && bpp != BytesPerPixel(source->GetPixelFormat())))
        return KE_ERR_NO_FORMAT;
    *out = source;
    return KE_OK;
}

} // namespace ketrelpx

using namespace ketrelpx;

namespace
{

// --- row routines -------------------------------------------------------------------

template <int Bpp>
void CopyRow(u8* d, const u8* s, int step, int n)
{
    if (step == Bpp)
    {
        std::memmove(d, s, (size_t)n * Bpp);
        return;
    }
    for (int i = 0; i < n; ++i, d += Bpp, s += step)
        std::memcpy(d, s, Bpp);
}

template <int Bpp>
void KeyedRow(u8* d, const u8* s, int step, int n, u32 key, u32 keyMask)
{
    if (Bpp == 4 && step == 4)
    {
        // Every pixel is written, keyed ones with the destination's own value:
        // no branch per pixel, so the loop vectorises.
        for (int i = 0; i < n; ++i, d += 4, s += 4)
        {
            u32 sv, dv;
            std::memcpy(&sv, s, 4);
            std::memcpy(&dv, d, 4);
            const u32 keep = 0u - (u32)((sv & keyMask) == key);
            dv = (dv & keep) | (sv & ~keep);
            std::memcpy(d, &dv, 4);
        }
        return;
    }
    for (int i = 0; i < n; ++i, d += Bpp, s += step)
    {
        const u32 v = LoadRaw(s, Bpp);
        if ((v & keyMask) != key)
            StoreRaw(d, Bpp, v);
    }
}

template <int Bpp>
void AverageRow(u8* d, const u8* s, int step, int n, u32 mask, bool keyed, u32 key, u32 keyMask)
{
    for (int i = 0; i < n; ++i, d += Bpp, s += step)
    {
        const u32 v = LoadRaw(s, Bpp);
        if (keyed && (v & keyMask) == key)
            continue;
        StoreRaw(d, Bpp, ((v & mask) >> 1) + ((LoadRaw(d, Bpp) & mask) >> 1));
    }
}

void AlphaOnlyRow32(u8* d, const u8* s, int step, int n)
{
    for (int i = 0; i < n; ++i, d += 4, s += step)
    {
        u32 sv, dv;
        std::memcpy(&sv, s, 4);
        std::memcpy(&dv, d, 4);
        dv = (sv & 0xFF000000u) | (dv & 0xFFFFFFu);
        std::memcpy(d, &dv, 4);
    }
}

// d := s + d x (255 - a) >> 8 per colour channel, saturated; the destination's
// alpha byte stays. Two channels per multiply, in 16-bit lanes.
inline u32 BlendPremultiplied32(u32 s, u32 d, u32 a)
{
    const u32 ia = 255 - a;
    u32 rb = (((d & 0xFF00FFu) * ia) >> 8) & 0xFF00FFu;
    u32 g = (((d & 0xFF00u) * ia) >> 8) & 0xFF00u;
    rb += s & 0xFF00FFu;
    g += s & 0xFF00u;
    u32 ov = rb & 0x01000100u;
    rb = (rb | (ov - (ov >> 8))) & 0xFF00FFu;
    ov = g & 0x10000u;
    g = (g | (ov - (ov >> 8))) & 0xFF00u;
    return (d & 0xFF000000u) | rb | g;
}

template <bool Keyed>
inline void AlphaPixel32(u8* d, u32 sv, u32 key)
{
    const u32 a = sv >> 24;
    if (a == 0 || (Keyed && (sv & 0xFFFFFFu) == key))
        return;
    u32 dv;
    std::memcpy(&dv, d, 4);
    dv = a == 255 ? (dv & 0xFF000000u) | (sv & 0xFFFFFFu) : BlendPremultiplied32(sv, dv, a);
    std::memcpy(d, &dv, 4);
}

// Sprites are mostly clear or opaque: four pixels at a time are skipped or
// copied whole when their alphas agree, and blended one by one otherwise.
template <bool Keyed>
void AlphaRow32(u8* d, const u8* s, int step, int n, u32 key)
{
    int i = 0;
    if (step == 4 && !Keyed)
    {
        for (; i + 4 <= n; i += 4, d += 16, s += 16)
        {
            u32 sv[4], dv[4];
            std::memcpy(sv, s, 16);
            const u32 all = sv[0] & sv[1] & sv[2] & sv[3], any = sv[0] | sv[1] | sv[2] | sv[3];
            if ((any >> 24) == 0)
                continue;
            if ((all >> 24) == 255)
            {
                std::memcpy(dv, d, 16);
                for (int k = 0; k < 4; ++k)
                    dv[k] = (dv[k] & 0xFF000000u) | (sv[k] & 0xFFFFFFu);
                std::memcpy(d, dv, 16);
                continue;
            }
            for (int k = 0; k < 4; ++k)
                AlphaPixel32<false>(d + 4 * k, sv[k], key);
        }
    }
    for (; i < n; ++i, d += 4, s += step)
    {
        u32 sv;
        std::memcpy(&sv, s, 4);
        AlphaPixel32<Keyed>(d, sv, key);
    }
}

// Formats 1 to 4: alpha from the source's alpha plane, channels widened to 8 bits.
template <class P>
void AlphaRowPlane(const P& px, u8* d, const u8* s, int step, const u8* sa, int astep, int n,
                   bool keyed, u32 key)
{
    for (int i = 0; i < n; ++i, d += P::Bpp, s += step, sa += astep)
    {
        const u32 a = *sa;
        const u32 sv = px.Load(s);
        if (a == 0 || (keyed && sv == key))
            continue;
        if (a == 255)
        {
            px.Store(d, sv);
            continue;
        }
        u32 sr, sg, sb, dr, dg, db;
        px.Unpack(sv, sr, sg, sb);
        px.Unpack(px.Load(d), dr, dg, db);
        const u32 ia = 255 - a;
        px.Store(d, px.Pack(Sat(sr + (dr * ia >> 8)), Sat(sg + (dg * ia >> 8)),
                            Sat(sb + (db * ia >> 8))));
    }
}

void CopyAlphaPlaneRows(const BlitRows& r)
{
    const u8* sa = r.srcAlpha;
    u8* da = r.dstAlpha;
    for (int y = 0; y < r.height; ++y, sa += r.srcAlphaPitch, da += r.dstAlphaPitch)
    {
        if (r.srcAlphaStep == 1)
            std::memmove(da, sa, (size_t)r.width);
        else
            for (int i = 0; i < r.width; ++i)
                da[i] = sa[-i];
    }
}

template <int Bpp>
void PlainRows(const BlitRows& r, u32 flags, int format, u32 key)
{
    const bool keyed = (flags & KE_BLT_COLORKEY) != 0;
    const u32 keyMask = KeyMask(format);
    u8* d = r.dst;
    const u8* s = r.src;
    if (Bpp == 4 && (flags & KE_BLT_ALPHA_ONLY) && !keyed)
    {
        for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch)
            AlphaOnlyRow32(d, s, r.srcStep, r.width);
        return;
    }
    if (Bpp < 4)
    {
        if (r.srcAlpha && r.dstAlpha)
            CopyAlphaPlaneRows(r);
        if (flags & KE_BLT_ALPHA_ONLY)
            return;
    }
    if (flags & KE_BLT_MULTIPLY)
    {
        const u32 mask = HalvingMask(format);
        for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch)
            AverageRow<Bpp>(d, s, r.srcStep, r.width, mask, keyed, key, keyMask);
    }
    else if (keyed)
    {
        for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch)
            KeyedRow<Bpp>(d, s, r.srcStep, r.width, key, keyMask);
    }
    else if (r.srcStep == Bpp && r.srcPitch == r.dstPitch && r.dstPitch == (i64)r.width * Bpp)
    {
        // Whole rows on both sides follow each other: one block.
        std::memmove(d, s, (size_t)(r.dstPitch * r.height));
    }
    else
    {
        for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch)
            CopyRow<Bpp>(d, s, r.srcStep, r.width);
    }
}

template <class P>
void AlphaPlaneRows(const P& px, const BlitRows& r, bool keyed, u32 key)
{
    u8* d = r.dst;
    const u8* s = r.src;
    const u8* sa = r.srcAlpha;
    for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch, sa += r.srcAlphaPitch)
        AlphaRowPlane(px, d, s, r.srcStep, sa, r.srcAlphaStep, r.width, keyed, key);
}

// x_c := tint_c x s_c >> 8 plus the destination scaled by (255 - a); then blended
// with the destination by the tint's alpha A.
template <class P>
void TintedRows(const P& px, const BlitRows& r, u32 tint, bool keyed, u32 key, u32 keyMask)
{
    const u32 A = tint >> 24, tr = Red(tint), tg = Green(tint), tb = Blue(tint);
    u8* d = r.dst;
    const u8* s = r.src;
    const u8* sa = r.srcAlpha;
    for (int y = 0; y < r.height; ++y, d += r.dstPitch, s += r.srcPitch)
    {
        u8* dp = d;
        const u8* sp = s;
        const u8* ap = sa;
        for (int i = 0; i < r.width; ++i, dp += P::Bpp, sp += r.srcStep)
        {
            const u32 sv = px.Load(sp);
            u32 a;
            if (P::Bpp == 4)
                a = sv >> 24;
            else if (ap)
            {
                a = *ap;
                ap += r.srcAlphaStep;
            }
            else
                a = 255;
            if (a == 0 || (keyed && (sv & keyMask) == key))
                continue;
            const u32 dv = px.Load(dp);
            u32 sr, sg, sb, dr, dg, db;
            px.Unpack(sv, sr, sg, sb);
            px.Unpack(dv, dr, dg, db);
            const u32 ia = 255 - a;
            u32 xr = Sat((tr * sr >> 8) + (dr * ia >> 8));
            u32 xg = Sat((tg * sg >> 8) + (dg * ia >> 8));
            u32 xb = Sat((tb * sb >> 8) + (db * ia >> 8));
            BlendByTintAlpha(A, dr, dg, db, xr, xg, xb);
            u32 out = px.Pack(xr, xg, xb);
            if (P::Bpp == 4)
                out |= sv & 0xFF000000u;
            px.Store(dp, out);
        }
        if (sa)
            sa += r.srcAlphaPitch;
    }
}

} // namespace

int CKetrelSurface::Blit(i32 x, i32 y, IKetrelGraphicsContext* sourceCtx,
                         const CKetrelRect* sourceRect, u32 flags)
{
    CKetrelSurface* source = nullptr;
    int rc = CheckSource(this, sourceCtx, true, &source);
    if (rc != KE_OK)
        return rc;
    BeginDraw();
    source->BeginDraw();
    if ((flags & KE_BLT_ALPHA) && !(source->m_format == 6 || source->m_format == 7) &&
        !source->m_alpha)
        flags &= ~(u32)KE_BLT_ALPHA;

    // The whole buffer at once, between surfaces of one size, format and pitch, when
    // the clip rect is the whole surface (a narrower or empty one is honoured below).
    if (x == 0 && y == 0 && !sourceRect && flags == 0 && source->m_width == m_width &&
        source->m_height == m_height && source->m_format == m_format &&
        source->m_pitch == m_pitch && !m_alpha && !source->m_alpha && m_clipLeft == 0 &&
        m_clipTop == 0 && m_clipRight == m_width && m_clipBottom == m_height)
    {
        if (source != this)
            std::memmove(m_pixels, source->m_pixels,
                         (size_t)((i64)m_pitch * (m_height - 1) + (i64)m_width * m_bytesPerPixel));
        UpdateTexture();
        return KE_OK;
    }

    BlitRows rows;
    if (!PlanBlit(*this, *source, x, y, sourceRect, flags, &rows))
        return KE_OK;
    const u32 key = source->m_colorKey;
    const bool keyed = (flags & KE_BLT_COLORKEY) != 0;
    if (flags & KE_BLT_ALPHA)
    {
        switch (m_format)
        {
        case 1: AlphaPlaneRows(PxIndex8{OwnerPalette(m_owner), OwnerColorLookup(m_owner)}, rows,
                               keyed, key); break;
        case 2: AlphaPlaneRows(Px444(), rows, keyed, key); break;
        case 3: AlphaPlaneRows(Px555(), rows, keyed, key); break;
        case 4: AlphaPlaneRows(Px565(), rows, keyed, key); break;
        case 5:
        {
            u8* d = rows.dst;
            const u8* s = rows.src;
            for (int r = 0; r < rows.height; ++r, d += rows.dstPitch, s += rows.srcPitch)
                KeyedRow<3>(d, s, rows.srcStep, rows.width, key, 0xFFFFFFFFu);
            break;
        }
        default:
        {
            u8* d = rows.dst;
            const u8* s = rows.src;
            for (int r = 0; r < rows.height; ++r, d += rows.dstPitch, s += rows.srcPitch)
            {
                if (keyed)
                    AlphaRow32<true>(d, s, rows.srcStep, rows.width, key);
                else
                    AlphaRow32<false>(d, s, rows.srcStep, rows.width, key);
            }
            break;
        }
        }
    }
    else
    {
        switch (m_bytesPerPixel)
        {
        case 1: PlainRows<1>(rows, flags, m_format, key); break;
        case 2: PlainRows<2>(rows, flags, m_format, key); break;
        case 3: PlainRows<3>(rows, flags, m_format, key); break;
        default: PlainRows<4>(rows, flags, m_format, key); break;
        }
    }
    UpdateTexture();
    if (source != this)
        source->UpdateTexture();
    return KE_OK;
}

int CKetrelSurface::BlitTinted(i32 x, i32 y, IKetrelGraphicsContext* sourceCtx,
                               const CKetrelRect* sourceRect, u32 colour, u32 flags)
{
    if ((colour >> 24) == 0)
        return KE_OK;
    CKetrelSurface* source = nullptr;
    int rc = CheckSource(this, sourceCtx, true, &source);
    if (rc != KE_OK)
        return rc;
    if (!(m_format == 1 || m_format == 4 || m_format == 6 || m_format == 7))
        return KE_ERR_NO_FORMAT;
    BeginDraw();
    source->BeginDraw();
    BlitRows rows;
    if (!PlanBlit(*this, *source, x, y, sourceRect, flags, &rows))
        return KE_OK;
    const bool keyed = (flags & KE_BLT_COLORKEY) != 0;
    const u32 key = source->m_colorKey;
    switch (m_format)
    {
    case 1:
        TintedRows(PxIndex8{OwnerPalette(m_owner), OwnerColorLookup(m_owner)}, rows, colour,
                   keyed, key, 0xFFFFFFFFu);
        break;
    case 4: TintedRows(Px565(), rows, colour, keyed, key, 0xFFFFFFFFu); break;
    case 6: TintedRows(Px8888(), rows, colour, keyed, key, 0xFFFFFFu); break;
    default: TintedRows(Px8888(), rows, SwapRB(colour), keyed, key, 0xFFFFFFu); break;
    }
    UpdateTexture();
    if (source != this)
        source->UpdateTexture();
    return KE_OK;
}
