#include "engine/KetrelVector.h"

#include "engine/KetrelMath.h"

namespace
{
const f32 kDeadBand = 0.0001f;
const f32 kPi = 3.14159265358979f;

bool InDeadBand(f32 length)
{
    return length > -kDeadBand && length < kDeadBand;
}
}

f32 CKetrelVector2::Length() const
{
    return KetrelSqrt(x * x + y * y);
}

f32 CKetrelVector2::Normalize()
{
    return SetLength(1.0f);
}

f32 CKetrelVector2::SetLength(f32 length)
{
    f32 before = Length();
    if (!InDeadBand(before))
        Scale(length / before);
    return before;
}

void CKetrelVector2::Rotate(f32 radians)
{
    f32 c = KetrelCos(radians);
    f32 s = KetrelSin(radians);
    f32 nx = x * c - y * s;
    f32 ny = x * s + y * c;
    x = nx;
    y = ny;
}

f32 CKetrelVector2::Angle()
{
    if (y == 0.0f)
        y = 1e-5f;
    f32 angle = KetrelAtan(x / y);
    if (y > 0.0f)
        angle -= kPi;
    return angle;
}

int CKetrelVector2::DominantAxis() const
{
    return KetrelFabs(x) > KetrelFabs(y) ? 0 : 1;
}

int CKetrelVector2::IsNear(const CKetrelVector2& other, f32 tolerance) const
{
    return (KetrelFabs(x - other.x) < tolerance && KetrelFabs(y - other.y) < tolerance) ? 1 : 0;
}

void CKetrelVector3::SetCross(const CKetrelVector3& a, const CKetrelVector3& b)
{
    f32 cx = a.y * b.z - a.z * b.y;
    f32 cy = a.z * b.x - a.x * b.z;
    f32 cz = a.x * b.y - a.y * b.x;
    x = cx;
    y = cy;
    z = cz;
}

f32 CKetrelVector3::Length() const
{
    return KetrelSqrt(x * x + y * y + z * z);
}

f32 CKetrelVector3::Normalize()
{
    return SetLength(1.0f);
}

f32 CKetrelVector3::SetLength(f32 length)
{
    f32 before = Length();
    if (!InDeadBand(before))
    {
        f32 s = length / before;
        x *= s;
        y *= s;
        z *= s;
    }
    return before;
}

int CKetrelVector3::DominantAxis() const
{
    f32 ax = KetrelFabs(x);
    f32 ay = KetrelFabs(y);
    f32 az = KetrelFabs(z);
    if (az > (ax > ay ? ax : ay))
        return 2;
    return ax < ay ? 1 : 0;
}

int CKetrelVector3::IsNear(const CKetrelVector3& other, f32 tolerance) const
{
    return (KetrelFabs(x - other.x) < tolerance && KetrelFabs(y - other.y) < tolerance &&
            KetrelFabs(z - other.z) < tolerance) ? 1 : 0;
}
