// Drawing operations of the OpenGL ES 2.0 renderer. The pixel operations
// convert to relative coordinates and call their relative twins, which build
// one quad in the scratch area and draw it.
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelMatrix4.h"
#include "engine/graphics/KetrelSurface.h"

#include <GLES2/gl2.h>
#include <cstring>

namespace
{
inline f32 ClipX(f32 x) { return 2.0f * x - 1.0f; }
inline f32 ClipY(f32 y) { return 1.0f - 2.0f * y; }

inline void ColourToFloats(u32 colour, f32* out)
{
    out[0] = (f32)((colour >> 16) & 0xFF) / 255.0f;
    out[1] = (f32)((colour >> 8) & 0xFF) / 255.0f;
    out[2] = (f32)(colour & 0xFF) / 255.0f;
    out[3] = (f32)(colour >> 24) / 255.0f;
}

const CKetrelRectF kWhole(0.0f, 0.0f, 1.0f, 1.0f);

// Corners of an axis-aligned quad in fan order: top-left, bottom-left,
// bottom-right, top-right (clip space).
void QuadCorners(f32 left, f32 top, f32 right, f32 bottom, f32* xy)
{
    xy[0] = left;  xy[1] = top;
    xy[2] = left;  xy[3] = bottom;
    xy[4] = right; xy[5] = bottom;
    xy[6] = right; xy[7] = top;
}

// Texture coordinates of a source rect in fan order; mirror flags exchange the
// edges when honoured.
void QuadUV(const CKetrelRectF& src, u32 flags, bool mirror, f32* uv)
{
    f32 l = src.left, r = src.right, t = src.top, b = src.bottom;
    if (mirror && (flags & KE_BLT_MIRROR_X))
    {
        f32 s = l; l = r; r = s;
    }
    if (mirror && (flags & KE_BLT_MIRROR_Y))
    {
        f32 s = t; t = b; b = s;
    }
    uv[0] = l; uv[1] = t;
    uv[2] = l; uv[3] = b;
    uv[4] = r; uv[5] = b;
    uv[6] = r; uv[7] = t;
}

// A relative rect in clip space; the centre flags put it on the target's centre.
void DestCorners(const CKetrelRectF& dest, u32 flags, f32* xy)
{
    f32 left = ClipX(dest.left), right = ClipX(dest.right);
    f32 top = ClipY(dest.top), bottom = ClipY(dest.bottom);
    f32 w = right - left, h = top - bottom;
    if (flags & KE_BLT_CENTER_X)
    {
        left = -w * 0.5f;
        right = left + w;
    }
    if (flags & KE_BLT_CENTER_Y)
    {
        top = h * 0.5f;
        bottom = top - h;
    }
    QuadCorners(left, top, right, bottom, xy);
}

// The unscaled quad of a blit: the source's pixel size (times the source rect)
// in the target's clip units, its top-left corner on the point (null: the
// target's top-left) or centred on the target by the centre flags.
void BlitCorners(const IKetrelGraphicsContext* target, const CKetrelSurface* surface,
                 const CKetrelVector2* point, const CKetrelRectF& src, u32 flags, f32* xy)
{
    f32 w = 2.0f * target->PixelToRelativeX(surface->GetWidth()) * src.Width();
    f32 h = 2.0f * target->PixelToRelativeY(surface->GetHeight()) * src.Height();
    f32 left = point ? ClipX(point->x) : -1.0f;
    f32 top = point ? ClipY(point->y) : 1.0f;
    if (flags & KE_BLT_CENTER_X)
        left = -w * 0.5f;
    if (flags & KE_BLT_CENTER_Y)
        top = h * 0.5f;
    QuadCorners(left, top, left + w, top - h, xy);
}
} // namespace

// ---------------------------------------------------------------------------
// Helpers

CKetrelSurface* CKetrelGraphicsExt_GLES2::TextureSource(IKetrelGraphicsContext* source)
{
    if (!source || source->IsHardware() != 0)
        return nullptr;
    CKetrelSurface* surface = static_cast<CKetrelSurface*>(source);
    return surface->GetTextureName() ? surface : nullptr;
}

void CKetrelGraphicsExt_GLES2::BindTextureForDraw(u32 texture)
{
    BindTexture(0, texture);
}

void CKetrelGraphicsExt_GLES2::BindUntextured()
{
    glActiveTexture(GL_TEXTURE0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (bound != 0)
    {
        glBindTexture(GL_TEXTURE_2D, 0);
        m_lastTexture = 0;
        ++m_textureBinds;
    }
}

void CKetrelGraphicsExt_GLES2::SetBlendForFlags(u32 flags)
{
    if (flags & KE_BLT_MULTIPLY)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
    }
    else if (flags & KE_BLT_ALPHA)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    else
    {
        glDisable(GL_BLEND);
    }
}

void CKetrelGraphicsExt_GLES2::DrawTexturedQuad(const f32* xy, const f32* uv)
{
    for (int i = 0; i < 4; ++i)
    {
        f32* v = m_scratch + i * 5;
        v[0] = xy[i * 2];
        v[1] = xy[i * 2 + 1];
        v[2] = 0.0f;
        v[3] = uv[i * 2];
        v[4] = uv[i * 2 + 1];
    }
    UseProgram(m_texturedProgram, m_scratch);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

void CKetrelGraphicsExt_GLES2::DrawColorTexturedQuad(CKetrel3DProgram* program, const f32* xy,
                                                     const f32* uv, const f32* rgba)
{
    for (int i = 0; i < 4; ++i)
    {
        f32* v = m_scratch + i * 8;
        v[0] = xy[i * 2];
        v[1] = xy[i * 2 + 1];
        v[2] = uv[i * 2];
        v[3] = uv[i * 2 + 1];
        std::memcpy(v + 4, rgba, 4 * sizeof(f32));
    }
    UseProgram(program, m_scratch);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

void CKetrelGraphicsExt_GLES2::DrawColorQuad(const f32* xy, const f32* colours)
{
    for (int i = 0; i < 4; ++i)
    {
        f32* v = m_scratch + i * 7;
        v[0] = xy[i * 2];
        v[1] = xy[i * 2 + 1];
        v[2] = 0.0f;
        std::memcpy(v + 3, colours + i * 4, 4 * sizeof(f32));
    }
    UseProgram(m_colorProgram, m_scratch);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

// ---------------------------------------------------------------------------
// Fills

int CKetrelGraphicsExt_GLES2::FillRect(u32 colour, const CKetrelRect* rect)
{
    f32 c[4];
    ColourToFloats(colour, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    if (rect)
    {
        // Bounded by the target. An inverted or empty rect clears nothing: GL would
        // refuse a scissor of negative size and clear through the old one.
        const i64 l = rect->left < 0 ? 0 : rect->left, t = rect->top < 0 ? 0 : rect->top;
        const i64 r = rect->right > m_width ? m_width : rect->right;
        const i64 b = rect->bottom > m_height ? m_height : rect->bottom;
        if (r <= l || b <= t)
        {
            glDisable(GL_SCISSOR_TEST);
            return KE_OK;
        }
        glEnable(GL_SCISSOR_TEST);
        glScissor((GLint)l, (GLint)(m_height - b), (GLsizei)(r - l), (GLsizei)(b - t));
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (rect)
        glDisable(GL_SCISSOR_TEST);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::FillRectRelative(u32 colour, const CKetrelRectF* rect)
{
    if (!rect)
        return FillRect(colour, nullptr);
    CKetrelRect r(RelativeToPixelX(rect->left), RelativeToPixelY(rect->top),
                  RelativeToPixelX(rect->right), RelativeToPixelY(rect->bottom));
    return FillRect(colour, &r);
}

static CKetrelRectF ToRelative(const IKetrelGraphicsContext* context, const CKetrelRect* rect)
{
    if (!rect)
        return kWhole;
    return CKetrelRectF(context->PixelToRelativeX(rect->left), context->PixelToRelativeY(rect->top),
                        context->PixelToRelativeX(rect->right),
                        context->PixelToRelativeY(rect->bottom));
}

int CKetrelGraphicsExt_GLES2::FillGradient(u32 topLeft, u32 topRight, u32 bottomRight,
                                           u32 bottomLeft, const CKetrelRect* rect)
{
    CKetrelRectF r = ToRelative(this, rect);
    return FillGradientRelative(topLeft, topRight, bottomRight, bottomLeft, &r);
}

int CKetrelGraphicsExt_GLES2::FillGradientRelative(u32 topLeft, u32 topRight, u32 bottomRight,
                                                   u32 bottomLeft, const CKetrelRectF* rect)
{
    const CKetrelRectF& r = rect ? *rect : kWhole;
    f32 xy[8], colours[16];
    QuadCorners(ClipX(r.left), ClipY(r.top), ClipX(r.right), ClipY(r.bottom), xy);
    ColourToFloats(topLeft, colours);
    ColourToFloats(bottomLeft, colours + 4);
    ColourToFloats(bottomRight, colours + 8);
    ColourToFloats(topRight, colours + 12);
    BindUntextured();
    glDisable(GL_BLEND);
    DrawColorQuad(xy, colours);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::FillRectAlpha(u32 colour, const CKetrelRect* rect)
{
    CKetrelRectF r = ToRelative(this, rect);
    return FillRectAlphaRelative(colour, &r);
}

int CKetrelGraphicsExt_GLES2::FillRectAlphaRelative(u32 colour, const CKetrelRectF* rect)
{
    if ((colour >> 24) == 0)
        return KE_OK;
    const CKetrelRectF& r = rect ? *rect : kWhole;
    f32 xy[8], colours[16];
    QuadCorners(ClipX(r.left), ClipY(r.top), ClipX(r.right), ClipY(r.bottom), xy);
    for (int i = 0; i < 4; ++i)
        ColourToFloats(colour, colours + i * 4);
    BindUntextured();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    DrawColorQuad(xy, colours);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::DimRect(const CKetrelRect* rect, f32 factor)
{
    CKetrelRectF r = ToRelative(this, rect);
    return DimRectRelative(&r, factor);
}

int CKetrelGraphicsExt_GLES2::DimRectRelative(const CKetrelRectF* rect, f32 factor)
{
    const CKetrelRectF& r = rect ? *rect : kWhole;
    f32 xy[8], colours[16];
    QuadCorners(ClipX(r.left), ClipY(r.top), ClipX(r.right), ClipY(r.bottom), xy);
    for (int i = 0; i < 4; ++i)
    {
        colours[i * 4] = colours[i * 4 + 1] = colours[i * 4 + 2] = 1.0f;
        colours[i * 4 + 3] = factor;
    }
    BindUntextured();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
    DrawColorQuad(xy, colours);
    return KE_OK;
}

// ---------------------------------------------------------------------------
// Blits

int CKetrelGraphicsExt_GLES2::Blit(i32 x, i32 y, IKetrelGraphicsContext* source,
                                   const CKetrelRect* sourceRect, u32 flags)
{
    if (!TextureSource(source))
        return KE_ERR_ARGUMENT;
    CKetrelVector2 point(PixelToRelativeX(x), PixelToRelativeY(y));
    CKetrelRectF src = ToRelative(source, sourceRect);
    return BlitRelative(&point, source, &src, flags);
}

int CKetrelGraphicsExt_GLES2::BlitRelative(const CKetrelVector2* point,
                                           IKetrelGraphicsContext* source,
                                           const CKetrelRectF* sourceRect, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    const CKetrelRectF& src = sourceRect ? *sourceRect : kWhole;
    f32 xy[8], uv[8];
    BlitCorners(this, surface, point, src, flags, xy);
    QuadUV(src, flags, true, uv);
    BindTextureForDraw(surface->GetTextureName());
    SetBlendForFlags(flags);
    DrawTexturedQuad(xy, uv);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::StretchBlit(const CKetrelRect* destRect,
                                          IKetrelGraphicsContext* source,
                                          const CKetrelRect* sourceRect, u32 flags)
{
    if (!TextureSource(source))
        return KE_ERR_ARGUMENT;
    CKetrelRectF dest = ToRelative(this, destRect);
    CKetrelRectF src = ToRelative(source, sourceRect);
    return StretchBlitRelative(&dest, source, &src, flags);
}

int CKetrelGraphicsExt_GLES2::StretchBlitRelative(const CKetrelRectF* destRect,
                                                  IKetrelGraphicsContext* source,
                                                  const CKetrelRectF* sourceRect, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    f32 xy[8], uv[8];
    DestCorners(destRect ? *destRect : kWhole, flags, xy);
    QuadUV(sourceRect ? *sourceRect : kWhole, flags, true, uv);
    BindTextureForDraw(surface->GetTextureName());
    SetBlendForFlags(flags);
    DrawTexturedQuad(xy, uv);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::StretchBlitTransformed(const CKetrelRectF* rect,
                                                     const CKetrelMatrix4* matrix,
                                                     IKetrelGraphicsContext* source,
                                                     const CKetrelRectF* sourceRect, u32 flags)
{
    CKetrelRectF dest = rect ? *rect : kWhole;
    if (matrix)
        dest.Offset(matrix->m[3], matrix->m[7]);
    return StretchBlitRelative(&dest, source, sourceRect, flags);
}

int CKetrelGraphicsExt_GLES2::BlitTinted(i32 x, i32 y, IKetrelGraphicsContext* source,
                                         const CKetrelRect* sourceRect, u32 colour, u32 flags)
{
    if (!TextureSource(source))
        return KE_ERR_ARGUMENT;
    CKetrelVector2 point(PixelToRelativeX(x), PixelToRelativeY(y));
    CKetrelRectF src = ToRelative(source, sourceRect);
    return BlitTintedRelative(&point, source, &src, colour, flags);
}

int CKetrelGraphicsExt_GLES2::BlitTintedRelative(const CKetrelVector2* point,
                                                 IKetrelGraphicsContext* source,
                                                 const CKetrelRectF* sourceRect, u32 colour,
                                                 u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    if ((colour >> 24) == 0)
        return KE_OK;
    const CKetrelRectF& src = sourceRect ? *sourceRect : kWhole;
    f32 xy[8], uv[8], rgba[4];
    BlitCorners(this, surface, point, src, flags, xy);
    QuadUV(src, flags, true, uv);
    ColourToFloats(colour, rgba);
    BindTextureForDraw(surface->GetTextureName());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawColorTexturedQuad((flags & 0x400) ? m_tintProgram : m_vertexColorProgram, xy, uv, rgba);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::StretchBlitTinted(const CKetrelRect* destRect,
                                                IKetrelGraphicsContext* source,
                                                const CKetrelRect* sourceRect, u32 colour,
                                                u32 flags)
{
    if (!TextureSource(source))
        return KE_ERR_ARGUMENT;
    CKetrelRectF dest = ToRelative(this, destRect);
    CKetrelRectF src = ToRelative(source, sourceRect);
    return StretchBlitTintedRelative(&dest, source, &src, colour, flags);
}

int CKetrelGraphicsExt_GLES2::StretchBlitTintedRelative(const CKetrelRectF* destRect,
                                                        IKetrelGraphicsContext* source,
                                                        const CKetrelRectF* sourceRect,
                                                        u32 colour, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    if ((colour >> 24) == 0)
        return KE_OK;
    f32 xy[8], uv[8], rgba[4];
    DestCorners(destRect ? *destRect : kWhole, flags, xy);
    QuadUV(sourceRect ? *sourceRect : kWhole, flags, false, uv);
    ColourToFloats(colour, rgba);
    bool tint = (flags & 0x400) != 0;
    if (!tint)
    {
        rgba[0] *= rgba[3];
        rgba[1] *= rgba[3];
        rgba[2] *= rgba[3];
    }
    BindTextureForDraw(surface->GetTextureName());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    DrawColorTexturedQuad(tint ? m_tintProgram : m_vertexColorProgram, xy, uv, rgba);
    return KE_OK;
}

// ---------------------------------------------------------------------------
// Rotated quads

// The quad measures hw by hh pixels and turns about its centre, which lies half
// its size right of and below the anchor (ax, ay) in clip space.
void CKetrelGraphicsExt_GLES2::RotatedCorners(f32 ax, f32 ay, f32 hw, f32 hh, f32 angle,
                                              u32 flags, f32* xy) const
{
    CKetrelMatrix4 rotation, scale, m, t, f;
    rotation.SetRotationZ(angle);
    scale.SetScale(PixelToRelativeX(1), PixelToRelativeY(1), 1.0f);
    m = scale;
    CKetrelMatrix4::Multiply(m, scale, rotation);
    f32 tx = hw * PixelToRelativeX(1);
    f32 ty = hh * PixelToRelativeY(1);
    if (flags & KE_BLT_CENTER_X)
        ax -= tx;
    if (flags & KE_BLT_CENTER_Y)
        ay += ty;
    t.SetIdentity();
    t.m[3] = ax + tx;
    t.m[7] = ay - ty;
    CKetrelMatrix4::MultiplyFull(f, t, m);
    const f32 corners[8] = {-hw, hh, -hw, -hh, hw, -hh, hw, hh};
    for (int i = 0; i < 4; ++i)
    {
        CKetrelVector3 p(corners[i * 2], corners[i * 2 + 1], 0.0f);
        f.TransformPoint(p);
        xy[i * 2] = p.x;
        xy[i * 2 + 1] = p.y;
    }
}

int CKetrelGraphicsExt_GLES2::BlitRotated(i32 x, i32 y, IKetrelGraphicsContext* source,
                                          f32 angle, i32 size, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface || surface->GetWidth() <= 0 || surface->GetHeight() <= 0)
        return KE_ERR_ARGUMENT;
    f32 byWidth = (f32)size / (f32)surface->GetWidth();
    f32 byHeight = (f32)size / (f32)surface->GetHeight();
    f32 scale = byWidth < byHeight ? byWidth : byHeight;
    CKetrelVector2 point(PixelToRelativeX(x), PixelToRelativeY(y));
    return BlitRotatedRelative(&point, source, angle, scale, flags);
}

int CKetrelGraphicsExt_GLES2::BlitRotatedRelative(const CKetrelVector2* point,
                                                  IKetrelGraphicsContext* source, f32 angle,
                                                  f32 scale, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    f32 px = point ? point->x : 0.0f, py = point ? point->y : 0.0f;
    if (flags & KE_BLT_CENTER_X)
        px = 0.5f;
    if (flags & KE_BLT_CENTER_Y)
        py = 0.5f;
    f32 xy[8], uv[8];
    RotatedCorners(ClipX(px), ClipY(py), (f32)surface->GetWidth() * scale,
                   (f32)surface->GetHeight() * scale, angle, flags, xy);
    QuadUV(kWhole, flags, true, uv);
    if (flags & KE_BLT_COLORKEY)
        flags |= KE_BLT_ALPHA;
    BindTextureForDraw(surface->GetTextureName());
    SetBlendForFlags(flags);
    DrawTexturedQuad(xy, uv);
    return KE_OK;
}

int CKetrelGraphicsExt_GLES2::BlitRotatedTinted(const CKetrelRect* dest,
                                                IKetrelGraphicsContext* source,
                                                const CKetrelRect* sourceRect, f32 angle,
                                                u32 colour, u32 flags)
{
    if (!TextureSource(source))
        return KE_ERR_ARGUMENT;
    CKetrelRectF d = ToRelative(this, dest);
    CKetrelRectF src = ToRelative(source, sourceRect);
    return BlitRotatedTintedRelative(&d, source, &src, angle, colour, flags);
}

int CKetrelGraphicsExt_GLES2::BlitRotatedTintedRelative(const CKetrelRectF* dest,
                                                        IKetrelGraphicsContext* source,
                                                        const CKetrelRectF* sourceRect,
                                                        f32 angle, u32 colour, u32 flags)
{
    CKetrelSurface* surface = TextureSource(source);
    if (!surface)
        return KE_ERR_ARGUMENT;
    const CKetrelRectF& d = dest ? *dest : kWhole;
    f32 px = d.left, py = d.top;
    if (flags & KE_BLT_CENTER_X)
        px = 0.5f;
    if (flags & KE_BLT_CENTER_Y)
        py = 0.5f;
    f32 xy[8], uv[8], rgba[4];
    RotatedCorners(ClipX(px), ClipY(py), d.Width() * (f32)m_width, d.Height() * (f32)m_height,
                   angle, flags, xy);
    QuadUV(sourceRect ? *sourceRect : kWhole, flags, false, uv);
    ColourToFloats(colour, rgba);
    BindTextureForDraw(surface->GetTextureName());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawColorTexturedQuad(m_vertexColorProgram, xy, uv, rgba);
    return KE_OK;
}

// ---------------------------------------------------------------------------
// Lines

int CKetrelGraphicsExt_GLES2::DrawLine(i32 x1, i32 y1, i32 x2, i32 y2, u32 colour1, u32 colour2)
{
    CKetrelVector2 p1(PixelToRelativeX(x1), PixelToRelativeY(y1));
    CKetrelVector2 p2(PixelToRelativeX(x2), PixelToRelativeY(y2));
    return DrawLineRelative(&p1, &p2, colour1, colour2);
}

int CKetrelGraphicsExt_GLES2::DrawLineRelative(const CKetrelVector2* p1, const CKetrelVector2* p2,
                                               u32 colour1, u32 colour2)
{
    if (!p1 || !p2)
        return KE_ERR_ARGUMENT;
    f32* v = m_scratch;
    v[0] = ClipX(p1->x);
    v[1] = ClipY(p1->y);
    v[2] = 0.0f;
    ColourToFloats(colour1, v + 3);
    v[7] = ClipX(p2->x);
    v[8] = ClipY(p2->y);
    v[9] = 0.0f;
    ColourToFloats(colour2, v + 10);
    UseProgram(m_colorProgram, m_scratch);
    glDrawArrays(GL_LINES, 0, 2);
    return KE_OK;
}
