// The relative-coordinate twins of the surface's drawing operations: each converts
// its arguments to pixels and calls the pixel operation.
#include "engine/graphics/KetrelSurface.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelMatrix4.h"

namespace
{
// Destination rects: this context's conversion; null is the whole target.
CKetrelRect ToPixels(const IKetrelGraphicsContext* ctx, const CKetrelRectF* r)
{
    if (!r)
        return CKetrelRect(0, 0, ctx->GetWidth(), ctx->GetHeight());
    return CKetrelRect(ctx->RelativeToPixelX(r->left), ctx->RelativeToPixelY(r->top),
                       ctx->RelativeToPixelX(r->right), ctx->RelativeToPixelY(r->bottom));
}
} // namespace

int CKetrelSurface::FillRectRelative(u32 colour, const CKetrelRectF* rect)
{
    const CKetrelRect r = ToPixels(this, rect);
    return FillRect(colour, &r);
}

int CKetrelSurface::FillGradientRelative(u32 topLeft, u32 topRight, u32 bottomRight,
                                         u32 bottomLeft, const CKetrelRectF* rect)
{
    const CKetrelRect r = ToPixels(this, rect);
    return FillGradient(topLeft, topRight, bottomRight, bottomLeft, &r);
}

int CKetrelSurface::FillRectAlphaRelative(u32 colour, const CKetrelRectF* rect)
{
    if (!rect)
        return FillRectAlpha(colour, nullptr);
    const CKetrelRect r = ToPixels(this, rect);
    return FillRectAlpha(colour, &r);
}

int CKetrelSurface::DimRectRelative(const CKetrelRectF* rect, f32 factor)
{
    const CKetrelRect r = ToPixels(this, rect);
    return DimRect(&r, factor);
}

int CKetrelSurface::BlitRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                                 const CKetrelRectF* sourceRect, u32 flags)
{
    if (!point || !source)
        return KE_ERR_ARGUMENT;
    const CKetrelRect src = ToPixels(source, sourceRect);
    return Blit(RelativeToPixelX(point->x), RelativeToPixelY(point->y), source, &src, flags);
}

int CKetrelSurface::StretchBlitRelative(const CKetrelRectF* destRect,
                                        IKetrelGraphicsContext* source,
                                        const CKetrelRectF* sourceRect, u32 flags)
{
    if (!source)
        return KE_ERR_ARGUMENT;
    const CKetrelRect dest = ToPixels(this, destRect);
    const CKetrelRect src = ToPixels(source, sourceRect);
    return StretchBlit(&dest, source, &src, flags);
}

int CKetrelSurface::BlitRotatedRelative(const CKetrelVector2* point,
                                        IKetrelGraphicsContext* source, f32 angle, f32 radius,
                                        u32 flags)
{
    if (!point)
        return KE_ERR_ARGUMENT;
    return BlitRotated(RelativeToPixelX(point->x), RelativeToPixelY(point->y), source, angle,
                       RelativeToPixelX(radius), flags);
}

// The source rect is a fraction of the source, as for the other blits (and as the
// GL renderer reads it); a null one stays null.
int CKetrelSurface::BlitTintedRelative(const CKetrelVector2* point,
                                       IKetrelGraphicsContext* source,
                                       const CKetrelRectF* sourceRect, u32 colour, u32 flags)
{
    if (!point || !source)
        return KE_ERR_ARGUMENT;
    const i32 x = RelativeToPixelX(point->x), y = RelativeToPixelY(point->y);
    if (!sourceRect)
        return BlitTinted(x, y, source, nullptr, colour, flags);
    const CKetrelRect src = ToPixels(source, sourceRect);
    return BlitTinted(x, y, source, &src, colour, flags);
}

int CKetrelSurface::StretchBlitTintedRelative(const CKetrelRectF* destRect,
                                              IKetrelGraphicsContext* source,
                                              const CKetrelRectF* sourceRect, u32 colour,
                                              u32 flags)
{
    if (!source)
        return KE_ERR_ARGUMENT;
    const CKetrelRect dest = ToPixels(this, destRect);
    const CKetrelRect src = ToPixels(source, sourceRect);
    return StretchBlitTinted(&dest, source, &src, colour, flags);
}

int CKetrelSurface::DrawLineRelative(const CKetrelVector2* p1, const CKetrelVector2* p2,
                                     u32 colour1, u32 colour2)
{
    if (!p1 || !p2)
        return KE_ERR_ARGUMENT;
    return DrawLine(RelativeToPixelX(p1->x), RelativeToPixelY(p1->y), RelativeToPixelX(p2->x),
                    RelativeToPixelY(p2->y), colour1, colour2);
}

// Only the matrix's translation is applied on the software surface: elements 3
// (x) and 7 (y) of its 16 floats.
int CKetrelSurface::StretchBlitTransformed(const CKetrelRectF* rect, const CKetrelMatrix4* matrix,
                                           IKetrelGraphicsContext* source,
                                           const CKetrelRectF* sourceRect, u32 flags)
{
    CKetrelRectF dest = rect ? *rect : CKetrelRectF(0.0f, 0.0f, 1.0f, 1.0f);
    if (matrix)
        dest.Offset(matrix->m[3], matrix->m[7]);
    return StretchBlitRelative(&dest, source, sourceRect, flags);
}

int CKetrelSurface::DrawRadialGradientRelative(u32 background, u32 colour, f32 scale,
                                               const CKetrelRectF* rect)
{
    const CKetrelRect r = ToPixels(this, rect);
    return DrawRadialGradient(background, colour, scale, &r);
}
