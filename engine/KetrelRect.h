#pragma once
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

// Integer rectangle; right and bottom are exclusive by convention.
class CKetrelRect
{
public:
    CKetrelRect() : left(0), top(0), right(0), bottom(0) {}
    CKetrelRect(i32 l, i32 t, i32 r, i32 b) : left(l), top(t), right(r), bottom(b) {}

    void Set(i32 l, i32 t, i32 r, i32 b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    i32 Width() const { return right - left; }
    i32 Height() const { return bottom - top; }
    // Keeps left and top.
    void SetSize(i32 width, i32 height)
    {
        right = left + width;
        bottom = top + height;
    }
    void SetHeight(i32 height) { bottom = top + height; }
    void Offset(i32 dx, i32 dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }

    i32 left;
    i32 top;
    i32 right;
    i32 bottom;
};

// Float rectangle. Contains counts all four edges as inside.
class CKetrelRectF
{
public:
    CKetrelRectF() : left(0.0f), top(0.0f), right(0.0f), bottom(0.0f) {}
    CKetrelRectF(f32 l, f32 t, f32 r, f32 b) : left(l), top(t), right(r), bottom(b) {}

    f32 Width() const { return right - left; }
    f32 Height() const { return bottom - top; }
    void Offset(f32 dx, f32 dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    int Contains(f32 x, f32 y) const
    {
        return (left <= x && x <= right && top <= y && y <= bottom) ? 1 : 0;
    }
    int Contains(const CKetrelVector2& point) const { return Contains(point.x, point.y); }

    f32 left;
    f32 top;
    f32 right;
    f32 bottom;
};
