#pragma once
// Clipping and row walking shared by the unscaled blits (internal to the graphics
// layer).
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"
#include "engine/graphics/KetrelGraphicsContext.h"

class CKetrelSurface;

namespace ketrelpx
{

// Bounds a blit of the source rect src (of a source of srcWidth x srcHeight) drawn
// at (x, y) to the source and then to the clip rect {cl, ct, cr, cb}. Mirror
// flags decide which end of the source loses the columns or rows that are cut.
// Works in 64 bits, so any input is safe. False when nothing is left to draw.
bool ClipBlit(i32& x, i32& y, CKetrelRect& src, i32 srcWidth, i32 srcHeight, i32 cl, i32 ct,
              i32 cr, i32 cb, u32 flags);

// The rows of a clipped blit: destination written left to right, top to bottom;
// source (and its alpha plane) read with the mirror flags applied.
struct BlitRows
{
    u8* dst;
    i64 dstPitch;
    const u8* src;          // first source pixel of the first row to read
    i64 srcPitch;           // negative with mirror Y
    int srcStep;            // bytes per pixel, negative with mirror X
    const u8* srcAlpha;     // null without a source alpha plane
    i64 srcAlphaPitch;
    int srcAlphaStep;       // +1 or -1
    u8* dstAlpha;           // null without a destination alpha plane
    i64 dstAlphaPitch;
    int width;
    int height;
};

BlitRows MakeBlitRows(u8* dstPixels, i64 dstPitch, u8* dstAlpha, i64 dstWidth, int bpp,
                      const u8* srcPixels, i64 srcPitch, const u8* srcAlpha, i64 srcWidth,
                      i32 x, i32 y, const CKetrelRect& src, u32 flags);

// The rows of an unscaled blit of sourceRect (null: the whole source) drawn at (x, y):
// centred in dest with the centre flags, bounded to the source and clipped to dest's
// clip rect (the whole of dest with KE_BLT_NOCLIP). False when nothing is left to draw.
bool PlanBlit(const CKetrelSurface& dest, const CKetrelSurface& source, i32 x, i32 y,
              const CKetrelRect* sourceRect, u32 flags, BlitRows* out);

// Checks a blit's source: 2 for none or a hardware one, 3 when either side has no
// pixels, 11 for a destination outside 1-7 or (with samePixelSize) a source whose
// pixels have another size. 1 with *out set when the blit can go on.
int CheckSource(const CKetrelSurface* dest, IKetrelGraphicsContext* source, bool samePixelSize,
                CKetrelSurface** out);

} // namespace ketrelpx
