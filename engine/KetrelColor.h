#pragma once
#include "engine/KetrelTypes.h"

// A float RGBA colour, each channel 0 to 1, converted from and to 0xAARRGGBB.
class CKetrelColor
{
public:
    CKetrelColor() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    CKetrelColor(const CKetrelColor& other) = default;
    CKetrelColor& operator=(const CKetrelColor& other) = default;

    void Set(f32 red, f32 green, f32 blue, f32 alpha)
    {
        r = red;
        g = green;
        b = blue;
        a = alpha;
    }
    void Copy(const CKetrelColor& other) { *this = other; }

    // Each channel byte / 255.
    void SetARGB(u32 argb);
    // Each channel x 255, truncated toward zero. A channel outside 0..1 (an
    // easing curve that overshoots) is held at 0 or 255 instead of spilling into
    // its neighbour; NaN gives 0.
    u32 GetARGB() const;

    f32 r;
    f32 g;
    f32 b;
    f32 a;
};
