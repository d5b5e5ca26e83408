#pragma once
// ui/WidgetMath.h: small helpers shared by the widget kinds: float-to-pixel
// conversions that never leave the i32 range, and clip-rectangle intersection.
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"

#include <cmath>

namespace widgetmath
{
// Pixel positions and sizes are kept within +-2^30, so that sums of two of them
// never overflow.
constexpr f32 kPixelLimit = 1073741824.0f;

// v held inside +-kPixelLimit (NaN gives 0), then truncated toward zero.
inline i32 ClampTrunc(f32 v)
{
    if (!(v == v))
        return 0;
    if (v > kPixelLimit)
        return (i32)kPixelLimit;
    if (v < -kPixelLimit)
        return -(i32)kPixelLimit;
    return (i32)v;
}

// floor(v + 0.5), clamped like ClampTrunc.
inline i32 RoundHalfUp(f32 v)
{
    if (!(v == v))
        return 0;
    return ClampTrunc(floorf(v + 0.5f));
}

// The rectangle common to a and b (left/top by maximum, right/bottom by minimum).
inline CKetrelRect Intersect(const CKetrelRect& a, const CKetrelRect& b)
{
    return CKetrelRect(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                       a.right < b.right ? a.right : b.right,
                       a.bottom < b.bottom ? a.bottom : b.bottom);
}

// r wholly outside area (touching counts as inside).
inline bool IsOutside(const CKetrelRect& r, const CKetrelRect& area)
{
    return r.right < area.left || r.left > area.right || r.bottom < area.top ||
           r.top > area.bottom;
}
}  // namespace widgetmath
