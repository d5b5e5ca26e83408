#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

// A 4x4 single-precision matrix of 16 elements m[0] .. m[15], in one of two
// layouts, chosen by the operation that fills it:
//  - row layout: element r * 4 + c is row r, column c; points are column
//    vectors and the translation lies in m[3], m[7], m[11]. The rotations,
//    scale, products, transforms and the rigid inverse use it, and so do the
//    renderer's sprite transforms.
//  - column layout (OpenGL's memory order): element c * 4 + r is row r,
//    column c; the translation lies in m[12] .. m[14]. SetLookAt and
//    SetPerspective build their matrices in it.
// Do not mix the two on one matrix. Angles are in radians. A new matrix is all
// zero (not the identity).
class CKetrelMatrix4
{
public:
    CKetrelMatrix4();

    void SetIdentity();
    void SetScale(f32 sx, f32 sy, f32 sz);
    void SetRotationX(f32 angle);
    void SetRotationY(f32 angle);
    void SetRotationZ(f32 angle);
    // The axis is used as given, not normalised: an axis whose length is not 1
    // gives a matrix that is no pure rotation.
    void SetRotationAxisAngle(const CKetrelVector3& axis, f32 angle);
    // RotationX(ax) x RotationY(ay) x RotationZ(az) in the 3x3 part of an identity.
    void SetRotationEuler(f32 ax, f32 ay, f32 az);

    // The 3x3 part of out becomes a's 3x3 part times b's; out's m[3], m[7],
    // m[11] and m[12] .. m[15] keep their values. out may be a or b.
    static void Multiply(CKetrelMatrix4& out, const CKetrelMatrix4& a, const CKetrelMatrix4& b);
    // out = a x b over all 16 elements. out may be a or b.
    static void MultiplyFull(CKetrelMatrix4& out, const CKetrelMatrix4& a, const CKetrelMatrix4& b);

    // In place; row layout.
    void TransformPoint(CKetrelVector3& v) const;              // 3x3 part, then + translation
    void TransformVector(CKetrelVector3& v) const;             // 3x3 part only
    void TransformVectorTransposed(CKetrelVector3& v) const;   // transposed 3x3 part
    // The inverse of a rotation followed by a translation.
    void InverseTransformPoint(CKetrelVector3& v) const;
    // Inverts a rotation-plus-translation in place.
    void InvertRigid();

    // Column layout. The default up is (0, 1, 0).
    void SetLookAt(const CKetrelVector3& eye, const CKetrelVector3& target,
                   const CKetrelVector3& up);
    void SetLookAt(const CKetrelVector3& eye, const CKetrelVector3& target);
    // m[15] is 0: a projection, not an affine transform.
    void SetPerspective(f32 fovY, f32 aspect, f32 nearZ, f32 farZ);

    f32 m[16];
};
