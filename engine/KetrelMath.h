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

// Float to int for values that may come from outside (files, packs, layouts, the
// network) or from arithmetic on them: truncated toward zero, NaN gives 0 and
// values beyond the target's range give its ends, so the conversion is always
// defined. An f32 argument widens to f64 exactly.
inline i32 KetrelTruncToInt(f64 value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483648.0)
        return 2147483647;
    if (value <= -2147483649.0)
        return -2147483647 - 1;
    return (i32)value;
}
inline i64 KetrelTruncToInt64(f64 value)
{
    if (!(value == value))
        return 0;
    if (value >= 9223372036854775808.0)
        return INT64_MAX;
    if (value < -9223372036854775808.0)
        return INT64_MIN;
    return (i64)value;
}
// A 64-bit sum or product of such values brought back into the i32 range.
inline i32 KetrelSaturateToInt(i64 value)
{
    return value > 2147483647 ? 2147483647 : (value < -2147483647 - 1 ? -2147483647 - 1 : (i32)value);
}
// The same, clamped into lo..hi (lo <= hi) before the conversion.
inline i32 KetrelClampToInt(f64 value, i32 lo, i32 hi)
{
    if (!(value == value))
        return lo > 0 ? lo : (hi < 0 ? hi : 0);
    if (value <= (f64)lo)
        return lo;
    if (value >= (f64)hi)
        return hi;
    return (i32)value;
}

// 1 for a non-zero power of two (texture sizes), else 0.
int KetrelIsPowerOfTwo(u32 value);
