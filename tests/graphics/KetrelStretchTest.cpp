#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
// A row of distinct raw values 1..n.
std::unique_ptr<CKetrelSurface> Ramp(int format, int n)
{
    auto s = MakeSurface(format, n, 1);
    for (int x = 0; x < n; ++x)
        SetRawAt(*s, x, 0, (uint32_t)(x + 1) | (format >= 6 ? 0xFF000000u : 0));
    return s;
}
} // namespace

TEST(KetrelStretchNearest, TenToTwentyRepeatsEachPixel)
{
    const int formats[] = {1, 2, 4, 5, 7};
    for (int format : formats)
    {
        auto src = Ramp(format, 10);
        auto dst = MakeSurface(format, 20, 1);
        ASSERT_EQ(KE_OK, dst->StretchBlit(nullptr, src.get(), nullptr, 0)) << format;
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(RawAt(*src, x / 2, 0), RawAt(*dst, x, 0)) << "format " << format << " x " << x;
    }
}

TEST(KetrelStretchNearest, MirrorAndClip)
{
    struct Case { const char* name; uint32_t flags; CKetrelRect clip; int x; uint32_t expected; };
    const Case cases[] = {
        {"mirror x, first column",          KE_BLT_MIRROR_X, {0, 0, 20, 1}, 0, 10},
        {"mirror x, last column",           KE_BLT_MIRROR_X, {0, 0, 20, 1}, 19, 1},
        {"clipped left edge moves source",  0, {6, 0, 20, 1}, 6, 4},
        {"clipped left, mirrored",          KE_BLT_MIRROR_X, {6, 0, 20, 1}, 6, 7},
        {"outside the clip untouched",      0, {6, 0, 20, 1}, 5, 0},
        {"no clip ignores it",              KE_BLT_NOCLIP, {6, 0, 20, 1}, 5, 3},
    };
    for (const Case& c : cases)
    {
        auto src = Ramp(4, 10);
        auto dst = MakeSurface(4, 20, 1);
        dst->FillRect(0, nullptr);
        dst->SetClipRect(&c.clip);
        ASSERT_EQ(KE_OK, dst->StretchBlit(nullptr, src.get(), nullptr, c.flags)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*dst, c.x, 0)) << c.name;
    }
}

// Rects that reach outside the source or the target, or are inverted or huge,
// draw only what lies inside both (checked under the sanitizers).
TEST(KetrelStretchNearest, UnusableRectsDrawNothingOutside)
{
    struct Case { const char* name; CKetrelRect dest, src; int rc; bool draws; };
    const Case cases[] = {
        {"inverted dest",     {10, 10, 0, 0},            {0, 0, 4, 4},     KE_OK, false},
        {"inverted source",   {0, 0, 8, 8},              {4, 4, 0, 0},     KE_OK, false},
        {"source beyond",     {0, 0, 8, 8},              {-4, -4, 8, 8},   KE_OK, true},
        {"source far away",   {0, 0, 8, 8},              {100, 100, 104, 104}, KE_OK, false},
        {"huge dest",         {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 4, 4}, KE_OK, true},
        {"dest off the side", {-100, 0, -50, 8},         {0, 0, 4, 4},     KE_OK, false},
        // One source column far left of the source, scaled by 2^32: the cut is
        // clamped before it becomes an integer.
        {"source far left, huge scale", {INT_MIN, 0, INT_MAX, 8}, {INT_MIN, 0, INT_MIN + 1, 4}, KE_OK, false},
        {"source far right, huge scale", {INT_MIN, 0, INT_MAX, 8}, {INT_MAX - 1, 0, INT_MAX, 4}, KE_OK, false},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(7, 4, 4);
        src->FillRect(0xFFFFFFFF, nullptr);
        auto dst = MakeSurface(7, 8, 8);
        dst->FillRect(0, nullptr);
        EXPECT_EQ(c.rc, dst->StretchBlit(&c.dest, src.get(), &c.src, 0)) << c.name;
        int painted = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                painted += RawAt(*dst, x, y) != 0;
        EXPECT_EQ(c.draws, painted > 0) << c.name;
    }
}

// The alpha-and-tint span: tint channels times the source, blended by the
// tint's alpha; with KE_BLT_ALPHA the destination shows through (255 - a).
TEST(KetrelStretchTint, SpanRules)
{
    struct Case { const char* name; int format; uint32_t src, dst, tint, flags, expected; };
    const Case cases[] = {
        {"white tint, opaque",      6, 0xFFC86432, 0xFF000000, 0xFFFFFFFF, KE_BLT_ALPHA, 0xFFC76331},
        {"red-only tint",           6, 0xFFC86432, 0xFF000000, 0xFFFF0000, 0, 0xFFC70000},
        {"tint alpha 0 draws none", 6, 0xFFC86432, 0xFF123456, 0x00FFFFFF, 0, 0xFF123456},
        {"tint alpha half",         6, 0xFFFFFFFF, 0xFF000000, 0x80FFFFFF, 0, 0xFF7F7F7F},
        {"alpha lets dst through",  6, 0x80402010, 0xFFFFFFFF, 0xFFFFFFFF, KE_BLT_ALPHA, 0x80BD9D8D},
        {"source alpha 0 skipped",  7, 0x00FFFFFF, 0xFF123456, 0xFF808080, KE_BLT_ALPHA, 0xFF123456},
        {"ABGR tint swaps",         7, 0xFFFFFFFF, 0xFF000000, 0xFF0000FF, 0, 0xFFFE0000},
        {"5-6-5 red tint",          4, 0xFFFF, 0x0000, 0xFFFF0000, 0, 0xF000},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(c.format, 1, 1);
        auto dst = MakeSurface(c.format, 2, 2);
        SetRawAt(*src, 0, 0, c.src);
        for (int i = 0; i < 4; ++i)
            SetRawAt(*dst, i % 2, i / 2, c.dst);
        const uint32_t expected = c.expected;
        EXPECT_EQ(KE_OK, dst->StretchBlitTinted(nullptr, src.get(), nullptr, c.tint, c.flags)) << c.name;
        EXPECT_EQ(expected, RawAt(*dst, 1, 1)) << c.name;
    }
}

TEST(KetrelStretchSmooth, BoxAverages)
{
    // 4 x 1 grey ramp [0, 0, 255, 255] to 2 x 1: boxes of 3 pixels from 0 and 2.
    auto src = MakeSurface(6, 4, 1);
    const uint32_t greys[4] = {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF};
    for (int x = 0; x < 4; ++x)
        SetRawAt(*src, x, 0, greys[x]);
    auto dst = MakeSurface(6, 2, 1);
    ASSERT_EQ(KE_OK, dst->StretchBlit(nullptr, src.get(), nullptr, KE_BLT_SMOOTH));
    EXPECT_EQ(0xFF555555u, RawAt(*dst, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, RawAt(*dst, 1, 0));
}

// Enlarging maps the last boxes past the source's end: every box must still
// hold a pixel (no division by zero) and the picture stays uniform.
TEST(KetrelStretchSmooth, EnlargingAnyFormat)
{
    struct Case { const char* name; int srcFormat, dstFormat; int sw, sh, dw, dh; };
    const Case cases[] = {
        {"1x1 to 3x3 ARGB",        6, 6, 1, 1, 3, 3},
        {"3x2 to 50x41 ABGR",      7, 7, 3, 2, 50, 41},
        {"5-6-5 to 5-6-5",         4, 4, 2, 2, 9, 9},
        {"ABGR onto 5-6-5",        7, 4, 2, 3, 7, 8},
        {"24-bit onto ARGB",       5, 6, 3, 3, 10, 4},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(c.srcFormat, c.sw, c.sh);
        src->FillRect(0xFF336699, nullptr);
        auto dst = MakeSurface(c.dstFormat, c.dw, c.dh);
        dst->FillRect(0, nullptr);
        ASSERT_EQ(KE_OK, dst->StretchBlit(nullptr, src.get(), nullptr, KE_BLT_SMOOTH)) << c.name;
        const uint32_t expected = dst->GetPixel(0, 0);
        EXPECT_NE(0u, expected & 0xFFFFFF) << c.name;
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x)
                ASSERT_EQ(expected, dst->GetPixel(x, y)) << c.name << " at " << x << "," << y;
    }
}

// Nearest stretch against the plain 16.16 mapping, without clipping, on random
// sizes in every format.
TEST(KetrelStretchNearest, RandomSizesMatchTheMapping)
{
    TestRng rng(7);
    const int formats[] = {2, 3, 4, 5, 6, 7};
    for (int format : formats)
        for (int round = 0; round < 30; ++round)
        {
            auto src = MakeSurface(format, rng.Range(1, 30), rng.Range(1, 30));
            auto dst = MakeSurface(format, rng.Range(1, 60), rng.Range(1, 60));
            FillPattern(*src, rng);
            FillPattern(*dst, rng);
            const uint32_t flags = (rng.Next() % 2 ? KE_BLT_MIRROR_X : 0) | (rng.Next() % 2 ? KE_BLT_MIRROR_Y : 0);
            ASSERT_EQ(KE_OK, dst->StretchBlit(nullptr, src.get(), nullptr, flags));
            const int64_t sw = src->GetWidth(), sh = src->GetHeight();
            const int64_t dw = dst->GetWidth(), dh = dst->GetHeight();
            const int64_t stepX = (sw << 16) / dw, stepY = (sh << 16) / dh;
            for (int64_t y = 0; y < dh; ++y)
                for (int64_t x = 0; x < dw; ++x)
                {
                    int64_t sx = (x * stepX) >> 16, sy = (y * stepY) >> 16;
                    if (flags & KE_BLT_MIRROR_X)
                        sx = sw - 1 - sx;
                    if (flags & KE_BLT_MIRROR_Y)
                        sy = sh - 1 - sy;
                    ASSERT_EQ(RawAt(*src, (int)sx, (int)sy), RawAt(*dst, (int)x, (int)y))
                        << "format " << format << " at " << x << "," << y;
                }
        }
}

TEST(KetrelBlitTinted, PixelsAndFormats)
{
    struct Case { const char* name; int format; uint32_t src, dst, tint; uint32_t expected; int rc; };
    const Case cases[] = {
        {"white tint keeps source (>> 8)", 6, 0xFFC86432, 0xFF000000, 0xFFFFFFFF, 0xFFC76331, KE_OK},
        {"alpha 0 tint draws nothing",     6, 0xFFC86432, 0xFF123456, 0x00FFFFFF, 0xFF123456, KE_OK},
        {"half source over white",         6, 0x80402010, 0xFFFFFFFF, 0xFFFFFFFF, 0x80BD9D8D, KE_OK},
        {"source alpha 0 skipped",         7, 0x00FFFFFF, 0xFF123456, 0xFFFFFFFF, 0xFF123456, KE_OK},
        {"half tint blends",               6, 0xFFFFFFFF, 0xFF000000, 0x80FFFFFF, 0xFF7F7F7F, KE_OK},
        {"4-4-4 refused",                  2, 0x0FFF, 0x0000, 0xFFFFFFFF, 0x0000, KE_ERR_NO_FORMAT},
        {"24-bit refused",                 5, 0xFFFFFF, 0x000000, 0xFFFFFFFF, 0x000000, KE_ERR_NO_FORMAT},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(c.format, 1, 1);
        auto dst = MakeSurface(c.format, 1, 1);
        SetRawAt(*src, 0, 0, c.src);
        SetRawAt(*dst, 0, 0, c.dst);
        EXPECT_EQ(c.rc, dst->BlitTinted(0, 0, src.get(), nullptr, c.tint, 0)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*dst, 0, 0)) << c.name;
    }
}
