// The relative-coordinate twins: fractions of the target for destinations and
// points, fractions of the source for source rects.
#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelMatrix4.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{
// Columns 0..3 of the 4 x 4 source carry their number plus one in every row.
std::unique_ptr<CKetrelSurface> Columns()
{
    auto s = MakeSurface(7, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            SetRawAt(*s, x, y, 0xFF000000u | (uint32_t)(x + 1) * 0x30);
    return s;
}

// The target as text, one character per pixel: '.' untouched, else the source
// column (1-4) found there, or '#' for other colours.
std::string Picture(const CKetrelSurface& s)
{
    std::string out;
    for (int y = 0; y < s.GetHeight(); ++y)
    {
        for (int x = 0; x < s.GetWidth(); ++x)
        {
            const uint32_t v = RawAt(s, x, y);
            if (v == 0)
                out += '.';
            else if ((v & 0xFFFFFF00u) == 0xFF000000u && (v & 0xFF) % 0x30 == 0)
                out += (char)('0' + (v & 0xFF) / 0x30);
            else
                out += '#';
        }
        out += '/';
    }
    return out;
}
} // namespace

TEST(KetrelRelative, TwinsConvertLikeThePixelOperations)
{
    CKetrelMatrix4 moveRight;
    moveRight.SetIdentity();
    moveRight.m[3] = 0.5f;
    struct Case { const char* name; std::function<int(CKetrelSurface&, CKetrelSurface&)> draw; const char* picture; };
    const Case cases[] = {
        {"fill the middle quarter",
         [](CKetrelSurface& d, CKetrelSurface&) { CKetrelRectF r(0.25f, 0.25f, 0.75f, 0.5f); return d.FillRectRelative(0xFFFFFFFF, &r); },
         "......../......../..####../..####../......../......../......../......../"},
        {"blit the right half of the source at the centre",
         [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelVector2 p(0.5f, 0.75f); CKetrelRectF r(0.5f, 0.0f, 1.0f, 0.5f); return d.BlitRelative(&p, &s, &r, 0); },
         "......../......../......../......../......../......../....34../....34../"},
        {"tinted blit reads the source rect of the source",
         [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelVector2 p(0.0f, 0.0f); CKetrelRectF r(0.75f, 0.0f, 1.0f, 0.25f); return d.BlitTintedRelative(&p, &s, &r, 0xFFFFFFFF, 0); },
         "#......./......../......../......../......../......../......../......../"},
        {"stretch the whole source to the left half",
         [](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRectF r(0.0f, 0.0f, 0.5f, 0.25f); return d.StretchBlitRelative(&r, &s, nullptr, 0); },
         "1234..../1234..../......../......../......../......../......../......../"},
        {"transformed: the translation moves the rect",
         [&moveRight](CKetrelSurface& d, CKetrelSurface& s) { CKetrelRectF r(0.0f, 0.0f, 0.5f, 0.25f); return d.StretchBlitTransformed(&r, &moveRight, &s, nullptr, 0); },
         "....1234/....1234/......../......../......../......../......../......../"},
        {"line across the top",
         [](CKetrelSurface& d, CKetrelSurface&) { CKetrelVector2 a(0.0f, 0.0f), b(1.0f, 0.0f); return d.DrawLineRelative(&a, &b, 0xFFFFFFFF, 0xFFFFFFFF); },
         "########/......../......../......../......../......../......../......../"},
    };
    for (const Case& c : cases)
    {
        auto dst = MakeSurface(7, 8, 8);
        dst->FillRect(0, nullptr);
        auto src = Columns();
        EXPECT_EQ(KE_OK, c.draw(*dst, *src)) << c.name;
        EXPECT_EQ(std::string(c.picture), Picture(*dst)) << c.name;
    }
}

TEST(KetrelRelative, NullArgumentsAndRadius)
{
    auto dst = MakeSurface(7, 8, 8);
    auto src = Columns();
    EXPECT_EQ(KE_ERR_ARGUMENT, dst->BlitRelative(nullptr, src.get(), nullptr, 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, dst->StretchBlitRelative(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, dst->DrawLineRelative(nullptr, nullptr, 0, 0));
    // The radius is a fraction of the target's width: 0.5 of 8 is 4, so the
    // picture covers the 8 x 8 square round the centre's pixels -4..3.
    dst->FillRect(0, nullptr);
    CKetrelVector2 centre(0.5f, 0.5f);
    ASSERT_EQ(KE_OK, dst->BlitRotatedRelative(&centre, src.get(), 0.0f, 0.5f, 0));
    int painted = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            painted += RawAt(*dst, x, y) != 0;
    EXPECT_EQ(25, painted);
    // A null rect of the alpha fill is the whole target.
    dst->FillRect(0xFF000000, nullptr);
    ASSERT_EQ(KE_OK, dst->FillRectAlphaRelative(0xFFFFFFFF, nullptr));
    EXPECT_EQ(0x00FEFEFEu, RawAt(*dst, 7, 7));
}
