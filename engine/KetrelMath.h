#pragma once
#include "engine/KetrelTypes.h"

#include <cmath>

// Single-precision wrappers over the platform maths library; the whole program
// calls maths through these. The cheap ones are inline.

// |value|; the most negative i32 has no positive counterpart and is returned as is.
inline i32 KetrelAbs(i32 value)
{
    return value < 0 ? (i32)(0u - (u32)value) : value;
}
inline f32 KetrelFabs(f32 value) { return std::fabs(value); }
inline f32 KetrelSqrt(f32 value) { return std::sqrt(value); }

f32 KetrelPow(f32 base, f32 exponent);
f32 KetrelExp(f32 value);
f32 KetrelLog(f32 value);
f32 KetrelSin(f32 radians);
f32 KetrelCos(f32 radians);
f32 KetrelTan(f32 radians);
f32 KetrelAsin(f32 value);
f32 KetrelAcos(f32 value);
f32 KetrelAtan(f32 value);

// 1 for a non-zero power of two (texture sizes), else 0.
int KetrelIsPowerOfTwo(u32 value);
