#pragma once
#include "engine/KetrelTypes.h"

// 2D and 3D float vectors. Normalize and SetLength leave a vector whose length
// lies within the dead band of +-0.0001 unchanged; both return the length
// before the change.
class CKetrelVector2
{
public:
    CKetrelVector2() : x(0.0f), y(0.0f) {}
    CKetrelVector2(f32 vx, f32 vy) : x(vx), y(vy) {}
    CKetrelVector2(const CKetrelVector2& other) = default;
    CKetrelVector2& operator=(const CKetrelVector2& other) = default;

    void Set(f32 vx, f32 vy) { x = vx; y = vy; }
    void Add(const CKetrelVector2& v) { x += v.x; y += v.y; }
    void Subtract(const CKetrelVector2& v) { x -= v.x; y -= v.y; }
    void Scale(f32 s) { x *= s; y *= s; }
    void Divide(f32 s) { Scale(1.0f / s); }
    void SetDifference(const CKetrelVector2& a, const CKetrelVector2& b) { x = a.x - b.x; y = a.y - b.y; }

    f32 Length() const;
    f32 LengthSquared() const { return x * x + y * y; }
    f32 Normalize();
    f32 SetLength(f32 length);

    // x' = x cos a - y sin a, y' = x sin a + y cos a.
    void Rotate(f32 radians);
    // atan(x / y), minus pi when y > 0. A y of exactly 0 is first replaced by
    // 1e-5 in this vector itself, so the result is about -pi/2 for (1, 0).
    f32 Angle();
    // 0 when |x| > |y|, else 1 (a tie gives 1).
    int DominantAxis() const;
    // 1 when both differences are strictly below tolerance.
    int IsNear(const CKetrelVector2& other, f32 tolerance) const;

    f32 x;
    f32 y;
};

class CKetrelVector3
{
public:
    CKetrelVector3() : x(0.0f), y(0.0f), z(0.0f) {}
    CKetrelVector3(f32 vx, f32 vy, f32 vz) : x(vx), y(vy), z(vz) {}
    CKetrelVector3(const CKetrelVector3& other) = default;
    CKetrelVector3& operator=(const CKetrelVector3& other) = default;

    void SetDifference(const CKetrelVector3& a, const CKetrelVector3& b)
    {
        x = a.x - b.x;
        y = a.y - b.y;
        z = a.z - b.z;
    }
    // this = a x b (right-handed). a or b may be this vector.
    void SetCross(const CKetrelVector3& a, const CKetrelVector3& b);
    f32 Dot(const CKetrelVector3& v) const { return x * v.x + y * v.y + z * v.z; }

    f32 Length() const;
    f32 Normalize();
    f32 SetLength(f32 length);

    // 2 when |z| > max(|x|, |y|), else 1 when |x| < |y|, else 0: ties favour
    // x over y, and x or y over z.
    int DominantAxis() const;
    // 1 when all three differences are strictly below tolerance.
    int IsNear(const CKetrelVector3& other, f32 tolerance) const;

    f32 x;
    f32 y;
    f32 z;
};
