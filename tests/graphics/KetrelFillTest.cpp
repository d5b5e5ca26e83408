#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelRowConvert.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

// Which pixels of a 6 x 4 surface an opaque fill colours; bounded by the surface,
// not by the clip rectangle.
TEST(KetrelFillRect, BoundsAndEmptyRects)
{
    struct Case { const char* name; CKetrelRect rect; int painted; };
    const Case cases[] = {
        {"inside",                  {1, 1, 3, 3},       4},
        {"beyond every edge",       {-5, -5, 50, 50},   24},
        {"left of the surface",     {-10, 0, -1, 4},    0},
        {"below the surface",       {0, 5, 6, 9},       0},
        {"inverted",                {4, 3, 1, 1},       0},
        {"inverted and huge",       {INT_MAX, INT_MAX, INT_MIN, INT_MIN}, 0},
        {"empty",                   {2, 2, 2, 3},       0},
        {"clip does not matter",    {0, 0, 2, 1},       2},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(7, 6, 4);
        s->FillRect(0, nullptr);
        CKetrelRect clip(4, 2, 5, 3);
        s->SetClipRect(&clip);
        EXPECT_EQ(KE_OK, s->FillRect(0xFF102030, &c.rect)) << c.name;
        int painted = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                painted += RawAt(*s, x, y) != 0;
        EXPECT_EQ(c.painted, painted) << c.name;
    }
}

TEST(KetrelFillRect, ValuesPerFormatAndAlphaPlane)
{
    struct Case { const char* name; int format; uint32_t colour, raw; };
    const Case cases[] = {
        {"4-4-4",  2, 0x80FF8040, 0x0F84},
        {"5-5-5",  3, 0x80FF8040, 0x7E08},
        {"5-6-5",  4, 0x80FF8040, 0xFC08},
        {"24-bit", 5, 0x80FF8040, 0xFF8040},
        {"ARGB",   6, 0x80FF8040, 0x80FF8040},
        {"ABGR",   7, 0x80FF8040, 0x804080FF},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 3, 2);
        if (c.format < 6)
        {
            ASSERT_EQ(KE_OK, s->CreateAlphaPlane());
        }
        s->FillRect(0, nullptr);
        const CKetrelRect r(1, 0, 3, 1);
        ASSERT_EQ(KE_OK, s->FillRect(c.colour, &r)) << c.name;
        EXPECT_EQ(c.raw, RawAt(*s, 2, 0)) << c.name;
        EXPECT_EQ(0u, RawAt(*s, 0, 0)) << c.name;
        if (c.format < 6)
        {
            EXPECT_EQ(0x80, s->GetAlphaPlane()[2]) << c.name;
            EXPECT_EQ(0, s->GetAlphaPlane()[0]) << c.name;
            s->FillRect(0, nullptr);
            EXPECT_EQ(0, s->GetAlphaPlane()[2]) << c.name << ": clear also clears the plane";
        }
    }
}

// d := d + A x (c - d) >> 8 per channel; 32-bit results carry alpha 0.
TEST(KetrelFillRectAlpha, Blend)
{
    struct Case { const char* name; int format; uint32_t dst, colour, expected; int rc; };
    const Case cases[] = {
        {"ARGB half red over blue", 6, 0xFF0000FF, 0x80FF0000, 0x007F007F, KE_OK},
        {"ABGR: red over blue",     7, 0xFFFF0000, 0x80FF0000, 0x007F007F, KE_OK},
        {"alpha 0 draws nothing",   6, 0xFF0000FF, 0x00FF0000, 0xFF0000FF, KE_OK},
        {"5-6-5 white over black",  4, 0x0000, 0xFFFFFFFF, 0xFFFF, KE_OK},
        {"4-4-4 refused",           2, 0x0123, 0x80FFFFFF, 0x0123, KE_ERR_NO_FORMAT},
        {"24-bit refused",          5, 0x010203, 0x80FFFFFF, 0x010203, KE_ERR_NO_FORMAT},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 2, 2);
        for (int i = 0; i < 4; ++i)
            SetRawAt(*s, i % 2, i / 2, c.dst);
        EXPECT_EQ(c.rc, s->FillRectAlpha(c.colour, nullptr)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*s, 1, 1)) << c.name;
    }
}

TEST(KetrelFillRectAlpha, KeepsToTheClip)
{
    auto s = MakeSurface(6, 4, 1);
    s->FillRect(0xFF000000, nullptr);
    const CKetrelRect clip(1, 0, 3, 1);
    s->SetClipRect(&clip);
    ASSERT_EQ(KE_OK, s->FillRectAlpha(0xFFFFFFFF, nullptr));
    EXPECT_EQ(0xFF000000u, RawAt(*s, 0, 0));
    EXPECT_EQ(0x00FEFEFEu, RawAt(*s, 1, 0));
    EXPECT_EQ(0xFF000000u, RawAt(*s, 3, 0));
}

TEST(KetrelDimRect, Factors)
{
    struct Case { const char* name; int format; float factor; uint32_t dst, expected; };
    const Case cases[] = {
        {"0.5 maps 200 to 98",   6, 0.5f, 0xFFC8C8C8, 0xFF626262},
        {"1 maps 255 to 254",    6, 1.0f, 0x80FFFFFF, 0x80FEFEFE},
        {"0 makes black",        7, 0.0f, 0x7F123456, 0x7F000000},
        {"above 1 is 1",         6, 7.0f, 0xFFFFFFFF, 0xFFFEFEFE},
        {"negative is 0",        6, -3.0f, 0xFFFFFFFF, 0xFF000000},
        {"NaN is 0",             6, NAN, 0xFFFFFFFF, 0xFF000000},
        {"5-6-5 at own widths",  4, 0.5f, 0xFFFF, (31u * 126 >> 8) << 11 | (63u * 126 >> 8) << 5 | (31u * 126 >> 8)},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 1, 1);
        SetRawAt(*s, 0, 0, c.dst);
        EXPECT_EQ(KE_OK, s->DimRect(nullptr, c.factor)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*s, 0, 0)) << c.name;
    }
    auto s24 = MakeSurface(5, 1, 1);
    EXPECT_EQ(KE_ERR_NO_FORMAT, s24->DimRect(nullptr, 0.5f));
}

// Corner colours: left column runs top-left to bottom-left, each row runs to the
// right colour; the alpha byte stays.
TEST(KetrelFillGradient, CornersAndSteps)
{
    auto s = MakeSurface(6, 3, 3);
    s->FillRect(0x40000000, nullptr);
    ASSERT_EQ(KE_OK, s->FillGradient(0xFF000000, 0xFFFF0000, 0xFFFFFFFF, 0xFF0000FF, nullptr));
    struct Case { int x, y; uint32_t expected; };
    const Case cases[] = {
        {0, 0, 0x40000000},   // top-left
        {1, 0, 0x40540000},   // a third of the way to red, truncated
        {0, 1, 0x40000054},
        {2, 2, 0x40A971A9},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, RawAt(*s, c.x, c.y)) << c.x << "," << c.y;
}

TEST(KetrelFillGradient, EmptyAndOffSurfaceRects)
{
    struct Case { const char* name; CKetrelRect rect; int painted; };
    const Case cases[] = {
        {"empty",          {2, 2, 2, 5}, 0},
        {"inverted",       {5, 5, 1, 1}, 0},
        {"far above",      {0, INT_MIN, 4, INT_MIN + 10}, 0},
        {"tall, from far above", {0, -1000000, 4, 4}, 16},
        {"left half cut",  {-4, 0, 2, 1}, 2},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(7, 4, 4);
        s->FillRect(0, nullptr);
        EXPECT_EQ(KE_OK, s->FillGradient(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, &c.rect)) << c.name;
        int painted = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                painted += RawAt(*s, x, y) != 0;
        EXPECT_EQ(c.painted, painted) << c.name;
    }
    auto s = MakeSurface(3, 2, 2);
    EXPECT_EQ(KE_ERR_NO_FORMAT, s->FillGradient(0, 0, 0, 0, nullptr));
}

TEST(KetrelRadialGradient, CentreBackgroundAndZeroRadius)
{
    auto s = MakeSurface(6, 9, 9);
    ASSERT_EQ(KE_OK, s->DrawRadialGradient(0xFF000000, 0xFFFFFFFF, 1.0f, nullptr));
    EXPECT_EQ(0xFFFEFEFEu, RawAt(*s, 4, 4)) << "full weight at the centre";
    EXPECT_EQ(0xFF000000u, RawAt(*s, 0, 0)) << "corners keep the background";
    EXPECT_LT(RawAt(*s, 6, 4) & 0xFF, RawAt(*s, 5, 4) & 0xFF) << "fades outwards";
    struct Case { const char* name; float scale; };
    const Case cases[] = {{"zero scale", 0.0f}, {"negative", -2.0f}, {"NaN", NAN}};
    for (const Case& c : cases)
    {
        ASSERT_EQ(KE_OK, s->DrawRadialGradient(0xFF102030, 0xFFFFFFFF, c.scale, nullptr)) << c.name;
        EXPECT_EQ(0xFF102030u, RawAt(*s, 4, 4)) << c.name;
    }
}

TEST(KetrelInvertAndPlot, Pixels)
{
    auto s = MakeSurface(5, 1, 1);   // 3 bytes: less than one 32-bit word
    SetRawAt(*s, 0, 0, 0x0F00FF);
    ASSERT_EQ(KE_OK, s->Invert());
    EXPECT_EQ(0xF0FF00u, RawAt(*s, 0, 0)) << "every byte is complemented";
    auto s32 = MakeSurface(7, 2, 1);
    SetRawAt(*s32, 1, 0, 0x12345678);
    s32->Invert();
    EXPECT_EQ(0xEDCBA987u, RawAt(*s32, 1, 0));

    struct Case { const char* name; int x, y; uint32_t mask; int painted; };
    const Case cases[] = {
        {"centre only",       2, 2, 0x00, 1},
        {"right and below",   2, 2, 0x05, 3},
        {"all neighbours",    2, 2, 0xFF, 9},
        {"on the edge",       0, 2, 0xFF, 0},
        {"last column",       4, 2, 0xFF, 0},
    };
    for (const Case& c : cases)
    {
        auto p = MakeSurface(4, 5, 5);
        p->FillRect(0, nullptr);
        EXPECT_EQ(KE_OK, p->PlotPoint(c.x, c.y, 0xFFFFFFFF, c.mask)) << c.name;
        int painted = 0;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                painted += RawAt(*p, x, y) != 0;
        EXPECT_EQ(c.painted, painted) << c.name;
    }
    auto right = MakeSurface(4, 5, 5);
    right->FillRect(0, nullptr);
    right->PlotPoint(2, 2, 0xFFFFFFFF, 0x80);   // upper right
    EXPECT_EQ(0xFFFFu, RawAt(*right, 3, 1));
}

TEST(KetrelRowConvert, PaletteRows)
{
    const uint32_t palette[256] = {0x000000, 0xFF8040, 0x123456, 0xFFFFFF};
    const uint8_t row[4] = {1, 2, 3, 0};
    struct Case { const char* name; int index; uint32_t c444, c565, c32; };
    const Case cases[] = {
        {"orange", 0, 0xF84, 0xFC08, 0xFF8040},
        {"blue-ish", 1, 0x135, 0x11AA, 0x123456},
        {"white", 2, 0xFFF, 0xFFFF, 0xFFFFFF},
        {"black", 3, 0x000, 0x0000, 0x000000},
    };
    uint16_t out444[4], out565[4];
    uint32_t out32[4];
    KetrelConvertRowIndex8To444(row, out444, 4, palette);
    KetrelConvertRowIndex8To565(row, out565, 4, palette);
    KetrelConvertRowIndex8To32(row, out32, 4, palette);
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.c444, out444[c.index]) << c.name;
        EXPECT_EQ(c.c565, out565[c.index]) << c.name;
        EXPECT_EQ(c.c32, out32[c.index]) << c.name;
    }
    const uint8_t pitched[2][5] = {{1, 2, 3, 9, 9}, {4, 5, 6, 9, 9}};
    uint8_t packed[6] = {};
    KetrelCopyRows(&pitched[0][0], 5, packed, 3, 2);
    const uint8_t expected[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(0, std::memcmp(expected, packed, 6));
}
