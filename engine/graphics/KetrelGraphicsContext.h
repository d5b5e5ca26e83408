#pragma once
#include "engine/KetrelID.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CKetrelMatrix4;

// Pixel formats of surfaces (0: none, or the owner application's where a
// description is given).
enum
{
    KE_PF_NONE     = 0,
    KE_PF_INDEX8   = 1,   // index into the owner's 256-entry palette
    KE_PF_RGB444   = 2,   // 16-bit 0x0RGB
    KE_PF_RGB555   = 3,   // 16-bit, red in bits 10-14
    KE_PF_RGB565   = 4,   // 16-bit, red in bits 11-15
    KE_PF_RGB888   = 5,   // bytes R, G, B
    KE_PF_ARGB8888 = 6,   // 32-bit 0xAARRGGBB
    KE_PF_ABGR8888 = 7    // 32-bit 0xAABBGGRR: bytes R, G, B, A (GL's RGBA)
};

// Blit flags: one word shared by every blit (and passed through by text drawing).
enum
{
    KE_BLT_COLORKEY   = 0x001,  // skip source pixels equal to the source's colour key
    KE_BLT_MULTIPLY   = 0x002,  // software: average of source and destination
    KE_BLT_MIRROR_X   = 0x004,  // read the source right to left
    KE_BLT_MIRROR_Y   = 0x008,  // read the source bottom to top
    KE_BLT_NOCLIP     = 0x010,  // ignore the clip rectangle (the surface still bounds)
    KE_BLT_SMOOTH     = 0x020,  // box-filtered stretching
    KE_BLT_ALPHA      = 0x080,  // blend premultiplied colour by the source's alpha
    KE_BLT_CENTER_X   = 0x100,  // centre horizontally in the target
    KE_BLT_CENTER_Y   = 0x200,  // centre vertically in the target
    KE_BLT_ALPHA_ONLY = 0x400   // software: copy alpha only, keep the destination's colour
};

// The engine's drawing target. Every pixel operation has a twin in relative
// coordinates (fractions 0 to 1 of the target's width and height). Colours are
// 0xAARRGGBB. Rectangles have exclusive right and bottom edges; a null rect means
// the whole target (or the whole source). Results: 1 success, else an error code.
class IKetrelGraphicsContext : public CKetrelID
{
public:
    ~IKetrelGraphicsContext() override;

    // 0 for a software surface, 1 for the OpenGL ES renderer.
    virtual int IsHardware() const = 0;
    virtual i32 GetWidth() const = 0;
    virtual i32 GetHeight() const = 0;
    // 1 to 7; 0 when the target has no pixel format of its own.
    virtual int GetPixelFormat() const;

    // Opaque fill.
    virtual int FillRect(u32 colour, const CKetrelRect* rect) = 0;
    virtual int FillRectRelative(u32 colour, const CKetrelRectF* rect) = 0;
    // Corner colours interpolated over the rect.
    virtual int FillGradient(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                             const CKetrelRect* rect) = 0;
    virtual int FillGradientRelative(u32 topLeft, u32 topRight, u32 bottomRight,
                                     u32 bottomLeft, const CKetrelRectF* rect) = 0;
    // Fill blended by the colour's alpha; alpha 0 draws nothing.
    virtual int FillRectAlpha(u32 colour, const CKetrelRect* rect) = 0;
    virtual int FillRectAlphaRelative(u32 colour, const CKetrelRectF* rect) = 0;
    // Every colour channel times factor (0 to 1).
    virtual int DimRect(const CKetrelRect* rect, f32 factor) = 0;
    virtual int DimRectRelative(const CKetrelRectF* rect, f32 factor) = 0;

    virtual int Blit(i32 x, i32 y, IKetrelGraphicsContext* source,
                     const CKetrelRect* sourceRect, u32 flags) = 0;
    virtual int BlitRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                             const CKetrelRectF* sourceRect, u32 flags) = 0;
    virtual int StretchBlit(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                            const CKetrelRect* sourceRect, u32 flags) = 0;
    virtual int StretchBlitRelative(const CKetrelRectF* destRect, IKetrelGraphicsContext* source,
                                    const CKetrelRectF* sourceRect, u32 flags) = 0;
    // Software: centred on (x, y), radius of the circle enclosing the drawn image.
    virtual int BlitRotated(i32 x, i32 y, IKetrelGraphicsContext* source, f32 angle,
                            i32 radius, u32 flags) = 0;
    virtual int BlitRotatedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                                    f32 angle, f32 radius, u32 flags) = 0;
    // Source channels times the colour's, blended by its alpha; alpha 0 draws nothing.
    virtual int BlitTinted(i32 x, i32 y, IKetrelGraphicsContext* source,
                           const CKetrelRect* sourceRect, u32 colour, u32 flags) = 0;
    virtual int BlitTintedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                                   const CKetrelRectF* sourceRect, u32 colour, u32 flags) = 0;
    virtual int StretchBlitTinted(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                                  const CKetrelRect* sourceRect, u32 colour, u32 flags) = 0;
    virtual int StretchBlitTintedRelative(const CKetrelRectF* destRect,
                                          IKetrelGraphicsContext* source,
                                          const CKetrelRectF* sourceRect, u32 colour,
                                          u32 flags) = 0;
    // The colour runs from colour1 to colour2 along the line.
    virtual int DrawLine(i32 x1, i32 y1, i32 x2, i32 y2, u32 colour1, u32 colour2) = 0;
    virtual int DrawLineRelative(const CKetrelVector2* p1, const CKetrelVector2* p2,
                                 u32 colour1, u32 colour2) = 0;
    // Relative only; the matrix's translation moves the rect.
    virtual int StretchBlitTransformed(const CKetrelRectF* rect, const CKetrelMatrix4* matrix,
                                       IKetrelGraphicsContext* source,
                                       const CKetrelRectF* sourceRect, u32 flags) = 0;

    // Truncated toward zero.
    virtual i32 RelativeToPixelX(f32 x) const = 0;
    virtual i32 RelativeToPixelY(f32 y) const = 0;
    virtual f32 PixelToRelativeX(i32 x) const = 0;
    virtual f32 PixelToRelativeY(i32 y) const = 0;

    // Null: the whole target. This version does nothing.
    virtual void SetClipRect(const CKetrelRect* rect);
    // The clip rectangle in force, so that a caller can save and restore it. This
    // version reports the whole target.
    virtual void GetClipRect(CKetrelRect* out) const;
};
