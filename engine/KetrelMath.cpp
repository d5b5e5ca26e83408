#include "engine/KetrelMath.h"

f32 KetrelPow(f32 base, f32 exponent) { return std::pow(base, exponent); }
f32 KetrelExp(f32 value) { return std::exp(value); }
f32 KetrelLog(f32 value) { return std::log(value); }
f32 KetrelSin(f32 radians) { return std::sin(radians); }
f32 KetrelCos(f32 radians) { return std::cos(radians); }
f32 KetrelTan(f32 radians) { return std::tan(radians); }
f32 KetrelAsin(f32 value) { return std::asin(value); }
f32 KetrelAcos(f32 value) { return std::acos(value); }
f32 KetrelAtan(f32 value) { return std::atan(value); }

int KetrelIsPowerOfTwo(u32 value)
{
    return (value != 0 && (value & (value - 1)) == 0) ? 1 : 0;
}
