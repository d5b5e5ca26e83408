#include "engine/graphics/KetrelMatrix4.h"
#include <gtest/gtest.h>
#include <cmath>

namespace
{
const f32 kPi = 3.14159265358979f;
const f32 kEps = 1e-5f;

struct Vec { f32 x, y, z; };

void ExpectNear(const Vec& want, const CKetrelVector3& got, const char* name)
{
    EXPECT_NEAR(want.x, got.x, kEps) << name;
    EXPECT_NEAR(want.y, got.y, kEps) << name;
    EXPECT_NEAR(want.z, got.z, kEps) << name;
}

CKetrelMatrix4 Translated(const CKetrelMatrix4& rotation, f32 tx, f32 ty, f32 tz)
{
    CKetrelMatrix4 m = rotation;
    m.m[3] = tx;
    m.m[7] = ty;
    m.m[11] = tz;
    return m;
}
} // namespace

// Points through each row-layout rotation and transform: the rotations turn the
// right way and the translation is applied only to points.
TEST(KetrelMatrix4Transform, RotationsAndTranslation)
{
    CKetrelMatrix4 rz, rx, ry, moved, scale;
    rz.SetRotationZ(kPi / 2);
    rx.SetRotationX(kPi / 2);
    ry.SetRotationY(kPi / 2);
    moved.SetIdentity();
    moved.m[3] = 10;
    moved.m[7] = 20;
    moved.m[11] = 30;
    scale.SetScale(2, 3, 4);

    struct Case { const char* name; const CKetrelMatrix4* m; int op; Vec in, out; };
    enum { kPoint, kVector, kTransposed, kInverse };
    const Case cases[] = {
        {"z quarter turn of x", &rz, kPoint, {1, 0, 0}, {0, 1, 0}},
        {"z quarter turn of y", &rz, kPoint, {0, 1, 0}, {-1, 0, 0}},
        {"x quarter turn of y", &rx, kPoint, {0, 1, 0}, {0, 0, 1}},
        {"y quarter turn of z", &ry, kPoint, {0, 0, 1}, {1, 0, 0}},
        {"translation adds", &moved, kPoint, {1, 2, 3}, {11, 22, 33}},
        {"vector ignores translation", &moved, kVector, {1, 2, 3}, {1, 2, 3}},
        {"inverse takes it off", &moved, kInverse, {11, 22, 33}, {1, 2, 3}},
        {"transposed turns back", &rz, kTransposed, {0, 1, 0}, {1, 0, 0}},
        {"scale", &scale, kPoint, {1, 1, 1}, {2, 3, 4}},
    };
    for (const Case& c : cases)
    {
        CKetrelVector3 v(c.in.x, c.in.y, c.in.z);
        if (c.op == kPoint)
            c.m->TransformPoint(v);
        else if (c.op == kVector)
            c.m->TransformVector(v);
        else if (c.op == kTransposed)
            c.m->TransformVectorTransposed(v);
        else
            c.m->InverseTransformPoint(v);
        ExpectNear(c.out, v, c.name);
    }
}

TEST(KetrelMatrix4Product, MultiplyKeepsTranslationMultiplyFullCombines)
{
    CKetrelMatrix4 a, b, r;
    a.SetRotationZ(kPi / 2);
    a = Translated(a, 1, 2, 3);
    b.SetScale(2, 2, 2);
    b = Translated(b, 5, 6, 7);

    CKetrelMatrix4 out;
    out.SetIdentity();
    out.m[3] = -1;
    out.m[7] = -2;
    out.m[11] = -3;
    out.m[15] = 9;
    CKetrelMatrix4::Multiply(out, a, b);
    EXPECT_EQ(-1, out.m[3]);
    EXPECT_EQ(-2, out.m[7]);
    EXPECT_EQ(-3, out.m[11]);
    EXPECT_EQ(9, out.m[15]);
    EXPECT_NEAR(0, out.m[0], kEps);
    EXPECT_NEAR(-2, out.m[1], kEps);
    EXPECT_NEAR(2, out.m[4], kEps);

    // Full product: first b (scale 2 and move), then a (turn and move).
    CKetrelMatrix4::MultiplyFull(r, a, b);
    CKetrelVector3 p(1, 0, 0);
    r.TransformPoint(p);
    CKetrelVector3 q(1, 0, 0);
    b.TransformPoint(q);
    a.TransformPoint(q);
    ExpectNear({q.x, q.y, q.z}, p, "full product equals two steps");

    // In place, with out aliasing either operand.
    CKetrelMatrix4 left = a, right = b;
    CKetrelMatrix4::MultiplyFull(left, left, b);
    CKetrelMatrix4::MultiplyFull(right, a, right);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(r.m[i], left.m[i], kEps) << "out is a, element " << i;
        EXPECT_NEAR(r.m[i], right.m[i], kEps) << "out is b, element " << i;
    }
}

TEST(KetrelMatrix4Inverse, RigidInverseUndoesTurnAndMove)
{
    const f32 angles[] = {0.0f, 0.3f, kPi / 2, -2.0f};
    for (f32 angle : angles)
    {
        CKetrelMatrix4 m;
        m.SetRotationZ(angle);
        m = Translated(m, 4, -5, 6);
        CKetrelMatrix4 inv = m;
        inv.InvertRigid();

        CKetrelMatrix4 back;
        back.SetRotationZ(-angle);
        for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10})
            EXPECT_NEAR(back.m[i], inv.m[i], kEps) << "angle " << angle << " element " << i;
        // -(R^T t)
        CKetrelVector3 t(4, -5, 6);
        m.TransformVectorTransposed(t);
        EXPECT_NEAR(-t.x, inv.m[3], kEps);
        EXPECT_NEAR(-t.y, inv.m[7], kEps);
        EXPECT_NEAR(-t.z, inv.m[11], kEps);
        EXPECT_EQ(0, inv.m[12]);
        EXPECT_EQ(1, inv.m[15]);

        CKetrelVector3 p(1.5f, 2.5f, -3.5f);
        m.TransformPoint(p);
        inv.TransformPoint(p);
        ExpectNear({1.5f, 2.5f, -3.5f}, p, "round trip");
    }
}

TEST(KetrelMatrix4Rotation, AxisAngleEulerAndUnnormalisedAxis)
{
    CKetrelMatrix4 axis, z;
    axis.SetRotationAxisAngle(CKetrelVector3(0, 0, 1), 0.7f);
    z.SetRotationZ(0.7f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(z.m[i], axis.m[i], kEps) << "unit z axis equals RotationZ, element " << i;

    // An axis of length 2 is taken as it is: lengths are not kept.
    CKetrelMatrix4 twice;
    twice.SetRotationAxisAngle(CKetrelVector3(0, 0, 2), kPi / 2);
    CKetrelVector3 v(0, 0, 1);
    twice.TransformVector(v);
    EXPECT_NEAR(4.0f, v.z, kEps);

    CKetrelMatrix4 euler, x, y, expected;
    euler.SetRotationEuler(0.3f, -0.4f, 1.1f);
    x.SetRotationX(0.3f);
    y.SetRotationY(-0.4f);
    z.SetRotationZ(1.1f);
    CKetrelMatrix4::MultiplyFull(expected, x, y);
    CKetrelMatrix4::MultiplyFull(expected, expected, z);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i], euler.m[i], kEps) << "euler element " << i;
}

TEST(KetrelMatrix4Projection, PerspectiveAndLookAtInColumnLayout)
{
    CKetrelMatrix4 p;
    p.SetPerspective(kPi / 2, 1.0f, 1.0f, 3.0f);
    struct Case { int index; f32 value; };
    const Case cases[] = {{0, 1}, {5, 1}, {10, -2}, {14, -3}, {11, -1}, {15, 0}, {8, 0}, {9, 0},
                          {12, 0}, {13, 0}, {1, 0}, {4, 0}};
    for (const Case& c : cases)
        EXPECT_NEAR(c.value, p.m[c.index], kEps) << "perspective element " << c.index;

    // Looking from (0, 0, 5) at the origin: the view is a move by -5 in z.
    CKetrelMatrix4 v;
    v.SetLookAt(CKetrelVector3(0, 0, 5), CKetrelVector3(0, 0, 0));
    const Case view[] = {{0, 1}, {5, 1}, {10, 1}, {12, 0}, {13, 0}, {14, -5}, {15, 1}, {3, 0}};
    for (const Case& c : view)
        EXPECT_NEAR(c.value, v.m[c.index], kEps) << "look-at element " << c.index;

    // A tilted view still has an orthonormal basis.
    v.SetLookAt(CKetrelVector3(3, 4, 5), CKetrelVector3(-1, 0, 2), CKetrelVector3(0, 1, 0));
    CKetrelVector3 s(v.m[0], v.m[4], v.m[8]), u(v.m[1], v.m[5], v.m[9]), f(v.m[2], v.m[6], v.m[10]);
    EXPECT_NEAR(1, s.Length(), kEps);
    EXPECT_NEAR(1, u.Length(), kEps);
    EXPECT_NEAR(1, f.Length(), kEps);
    EXPECT_NEAR(0, s.Dot(u), kEps);
    EXPECT_NEAR(0, s.Dot(f), kEps);
    EXPECT_NEAR(0, u.Dot(f), kEps);
}
