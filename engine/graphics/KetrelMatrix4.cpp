#include "engine/graphics/KetrelMatrix4.h"
#include <cmath>
#include <cstring>

// Zeroed rather than left undefined: reading a matrix before a setter ran then
// gives zeros instead of whatever the memory held.
CKetrelMatrix4::CKetrelMatrix4()
{
    std::memset(m, 0, sizeof(m));
}

void CKetrelMatrix4::SetIdentity()
{
    std::memset(m, 0, sizeof(m));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void CKetrelMatrix4::SetScale(f32 sx, f32 sy, f32 sz)
{
    std::memset(m, 0, sizeof(m));
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
    m[15] = 1.0f;
}

void CKetrelMatrix4::SetRotationX(f32 angle)
{
    SetIdentity();
    f32 c = std::cos(angle), s = std::sin(angle);
    m[5] = c;
    m[6] = -s;
    m[9] = s;
    m[10] = c;
}

void CKetrelMatrix4::SetRotationY(f32 angle)
{
    SetIdentity();
    f32 c = std::cos(angle), s = std::sin(angle);
    m[0] = c;
    m[2] = s;
    m[8] = -s;
    m[10] = c;
}

void CKetrelMatrix4::SetRotationZ(f32 angle)
{
    SetIdentity();
    f32 c = std::cos(angle), s = std::sin(angle);
    m[0] = c;
    m[1] = -s;
    m[4] = s;
    m[5] = c;
}

void CKetrelMatrix4::SetRotationAxisAngle(const CKetrelVector3& axis, f32 angle)
{
    f32 s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    f32 x = axis.x, y = axis.y, z = axis.z;
    m[0] = c + t * x * x;
    m[1] = t * x * y - s * z;
    m[2] = t * x * z + s * y;
    m[4] = t * x * y + s * z;
    m[5] = c + t * y * y;
    m[6] = t * y * z - s * x;
    m[8] = t * x * z - s * y;
    m[9] = t * y * z + s * x;
    m[10] = c + t * z * z;
    m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CKetrelMatrix4::SetRotationEuler(f32 ax, f32 ay, f32 az)
{
    CKetrelMatrix4 rx, ry, rz;
    rx.SetRotationX(ax);
    ry.SetRotationY(ay);
    rz.SetRotationZ(az);
    SetIdentity();
    Multiply(*this, rx, ry);
    Multiply(*this, *this, rz);
}

void CKetrelMatrix4::Multiply(CKetrelMatrix4& out, const CKetrelMatrix4& a, const CKetrelMatrix4& b)
{
    f32 r[9];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row * 3 + col] = a.m[row * 4 + 0] * b.m[0 * 4 + col] +
                               a.m[row * 4 + 1] * b.m[1 * 4 + col] +
                               a.m[row * 4 + 2] * b.m[2 * 4 + col];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            out.m[row * 4 + col] = r[row * 3 + col];
}

void CKetrelMatrix4::MultiplyFull(CKetrelMatrix4& out, const CKetrelMatrix4& a,
                                  const CKetrelMatrix4& b)
{
    f32 r[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            r[row * 4 + col] = a.m[row * 4 + 0] * b.m[0 * 4 + col] +
                               a.m[row * 4 + 1] * b.m[1 * 4 + col] +
                               a.m[row * 4 + 2] * b.m[2 * 4 + col] +
                               a.m[row * 4 + 3] * b.m[3 * 4 + col];
    std::memcpy(out.m, r, sizeof(r));
}

void CKetrelMatrix4::TransformPoint(CKetrelVector3& v) const
{
    f32 x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[1] * y + m[2] * z + m[3];
    v.y = m[4] * x + m[5] * y + m[6] * z + m[7];
    v.z = m[8] * x + m[9] * y + m[10] * z + m[11];
}

void CKetrelMatrix4::TransformVector(CKetrelVector3& v) const
{
    f32 x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[1] * y + m[2] * z;
    v.y = m[4] * x + m[5] * y + m[6] * z;
    v.z = m[8] * x + m[9] * y + m[10] * z;
}

void CKetrelMatrix4::TransformVectorTransposed(CKetrelVector3& v) const
{
    f32 x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[4] * y + m[8] * z;
    v.y = m[1] * x + m[5] * y + m[9] * z;
    v.z = m[2] * x + m[6] * y + m[10] * z;
}

void CKetrelMatrix4::InverseTransformPoint(CKetrelVector3& v) const
{
    v.x -= m[3];
    v.y -= m[7];
    v.z -= m[11];
    TransformVectorTransposed(v);
}

void CKetrelMatrix4::InvertRigid()
{
    f32 tx = m[3], ty = m[7], tz = m[11];
    f32 t;
    t = m[1]; m[1] = m[4]; m[4] = t;
    t = m[2]; m[2] = m[8]; m[8] = t;
    t = m[6]; m[6] = m[9]; m[9] = t;
    m[3] = -(m[0] * tx + m[1] * ty + m[2] * tz);
    m[7] = -(m[4] * tx + m[5] * ty + m[6] * tz);
    m[11] = -(m[8] * tx + m[9] * ty + m[10] * tz);
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void CKetrelMatrix4::SetLookAt(const CKetrelVector3& eye, const CKetrelVector3& target,
                               const CKetrelVector3& up)
{
    CKetrelVector3 f, s, u;
    f.SetDifference(target, eye);
    f.Normalize();
    s.SetCross(f, up);
    s.Normalize();
    u.SetCross(s, f);
    m[0] = s.x;  m[4] = s.y;  m[8] = s.z;
    m[1] = u.x;  m[5] = u.y;  m[9] = u.z;
    m[2] = -f.x; m[6] = -f.y; m[10] = -f.z;
    m[12] = -s.Dot(eye);
    m[13] = -u.Dot(eye);
    m[14] = f.Dot(eye);
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
}

void CKetrelMatrix4::SetLookAt(const CKetrelVector3& eye, const CKetrelVector3& target)
{
    SetLookAt(eye, target, CKetrelVector3(0.0f, 1.0f, 0.0f));
}

void CKetrelMatrix4::SetPerspective(f32 fovY, f32 aspect, f32 nearZ, f32 farZ)
{
    f32 top = std::tan(fovY * 0.5f) * nearZ;
    f32 right = top * aspect;
    f32 left = -right, bottom = -top;
    std::memset(m, 0, sizeof(m));
    m[0] = 2.0f * nearZ / (right - left);
    m[5] = 2.0f * nearZ / (top - bottom);
    m[8] = (right + left) / (right - left);
    m[9] = (top + bottom) / (top - bottom);
    m[10] = -(farZ + nearZ) / (farZ - nearZ);
    m[11] = -1.0f;
    m[14] = -2.0f * farZ * nearZ / (farZ - nearZ);
}
