#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <climits>

// One source pixel over one destination pixel, per format and flags.
TEST(KetrelBlitPixel, SinglePixelRules)
{
    struct Case
    {
        const char* name;
        int format;
        uint32_t src, dst, key, flags, expected;
    };
    const Case cases[] = {
        {"32 alpha half over black",      7, 0x80402010, 0xFF000000, 0, KE_BLT_ALPHA, 0xFF402010},
        {"32 alpha 0 leaves",             7, 0x00FFFFFF, 0x12345678, 0, KE_BLT_ALPHA, 0x12345678},
        {"32 alpha 255 keeps dst alpha",  6, 0xFFA0B0C0, 0x10000000, 0, KE_BLT_ALPHA, 0x10A0B0C0},
        {"32 alpha blends channels",      6, 0x80402010, 0xFF808080, 0, KE_BLT_ALPHA, 0xFF7F5F4F},
        {"32 alpha saturates bad input",  6, 0x10FFFFFF, 0xFFFFFFFF, 0, KE_BLT_ALPHA, 0xFFFFFFFF},
        {"32 alpha keyed skip",           7, 0xFF00FF00, 0x11111111, 0x00FF00, KE_BLT_ALPHA | KE_BLT_COLORKEY, 0x11111111},
        {"32 plain copies alpha",         7, 0x80402010, 0xFF000000, 0, 0, 0x80402010},
        {"32 key compares low 24 bits",   7, 0x80FF00FF, 0x11111111, 0xFF00FF, KE_BLT_COLORKEY, 0x11111111},
        {"32 key copies others whole",    7, 0x80FF00FE, 0x11111111, 0xFF00FF, KE_BLT_COLORKEY, 0x80FF00FE},
        {"32 alpha only",                 6, 0x7F123456, 0xFFABCDEF, 0, KE_BLT_ALPHA_ONLY, 0x7FABCDEF},
        {"32 average",                    6, 0xFFFFFFFF, 0x00000000, 0, KE_BLT_MULTIPLY, 0x7F7F7F7F},
        {"565 average",                   4, 0xFFFF, 0x0000, 0, KE_BLT_MULTIPLY, 0x7BEF},
        {"565 average keyed",             4, 0xF81F, 0x0000, 0xF81F, KE_BLT_MULTIPLY | KE_BLT_COLORKEY, 0x0000},
        {"444 average",                   2, 0x0FFF, 0x0000, 0, KE_BLT_MULTIPLY, 0x0777},
        {"555 average",                   3, 0x7FFF, 0x0000, 0, KE_BLT_MULTIPLY, 0x3DEF},
        {"24 average",                    5, 0xFFFFFF, 0x000000, 0, KE_BLT_MULTIPLY, 0x7F7F7F},
        {"24 keyed",                      5, 0x102030, 0x445566, 0x102030, KE_BLT_COLORKEY, 0x445566},
        {"16-bit alpha without plane is plain", 4, 0x1234, 0xFFFF, 0, KE_BLT_ALPHA, 0x1234},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(c.format, 1, 1);
        auto dst = MakeSurface(c.format, 1, 1);
        SetRawAt(*src, 0, 0, c.src);
        SetRawAt(*dst, 0, 0, c.dst);
        src->SetColorKey(c.key);
        EXPECT_EQ(KE_OK, dst->Blit(0, 0, src.get(), nullptr, c.flags)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*dst, 0, 0)) << c.name;
    }
}

// 5-6-5 with an alpha plane: channels widened, blended, packed back.
TEST(KetrelBlitPixel, AlphaPlaneBlend565)
{
    struct Case { const char* name; uint8_t a; uint32_t src, dst, expected; };
    const Case cases[] = {
        {"opaque copies",     255, 0x1234, 0xFFFF, 0x1234},
        {"clear skips",       0,   0x1234, 0xFFFF, 0xFFFF},
        {"half over white",   128, 0x7BEF, 0xFFFF, 0xF7DE},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(4, 1, 1);
        auto dst = MakeSurface(4, 1, 1);
        ASSERT_EQ(KE_OK, src->CreateAlphaPlane());
        src->GetAlphaPlane()[0] = c.a;
        SetRawAt(*src, 0, 0, c.src);
        SetRawAt(*dst, 0, 0, c.dst);
        EXPECT_EQ(KE_OK, dst->Blit(0, 0, src.get(), nullptr, KE_BLT_ALPHA)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*dst, 0, 0)) << c.name;
    }
}

// Columns of a 100-wide source drawn at x = 750 on an 800-wide target.
TEST(KetrelBlitClip, RightEdgeKeepsTheRightColumns)
{
    struct Case { const char* name; uint32_t flags; int firstColumn, lastColumn; };
    const Case cases[] = {
        {"plain",    0,               0,  49},
        {"mirror x", KE_BLT_MIRROR_X, 99, 50},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(7, 100, 1);
        for (int x = 0; x < 100; ++x)
            SetRawAt(*src, x, 0, (uint32_t)x);
        auto dst = MakeSurface(7, 800, 1);
        dst->FillRect(0xFFFFFFFF, nullptr);
        ASSERT_EQ(KE_OK, dst->Blit(750, 0, src.get(), nullptr, c.flags)) << c.name;
        EXPECT_EQ(0xFFFFFFFFu, RawAt(*dst, 749, 0)) << c.name;
        EXPECT_EQ((uint32_t)c.firstColumn, RawAt(*dst, 750, 0)) << c.name;
        EXPECT_EQ((uint32_t)c.lastColumn, RawAt(*dst, 799, 0)) << c.name;
    }
}

TEST(KetrelBlitClip, ResultsForUnusableInput)
{
    auto dst = MakeSurface(7, 8, 8);
    auto src16 = MakeSurface(4, 8, 8);
    CKetrelSurface empty;
    EXPECT_EQ(KE_ERR_ARGUMENT, dst->Blit(0, 0, nullptr, nullptr, 0));
    EXPECT_EQ(KE_ERR_NO_FORMAT, dst->Blit(0, 0, src16.get(), nullptr, 0))
        << "a 16-bit source onto a 32-bit target would be read past its end";
    EXPECT_EQ(KE_ERR_NOT_READY, dst->Blit(0, 0, &empty, nullptr, 0));
    EXPECT_EQ(KE_ERR_NOT_READY, empty.Blit(0, 0, dst.get(), nullptr, 0));
}

// The whole-buffer shortcut only between surfaces of one format and pitch; a
// 32-bit source of the same size onto a 24-bit one is refused.
TEST(KetrelBlitClip, WholeBufferCopy)
{
    TestRng rng(3);
    auto src = MakeSurface(7, 33, 17);
    FillPattern(*src, rng);
    auto dst = MakeSurface(7, 33, 17);
    ASSERT_EQ(KE_OK, dst->Blit(0, 0, src.get(), nullptr, 0));
    EXPECT_EQ(Digest(*src), Digest(*dst));
    auto dst24 = MakeSurface(5, 33, 17);
    EXPECT_EQ(KE_ERR_NO_FORMAT, dst24->Blit(0, 0, src.get(), nullptr, 0));
}

// The fast blit against the per-pixel reference on random rectangles, partly or
// wholly outside, inverted or huge, in every format with every flag mix.
TEST(KetrelBlitReference, RandomBlitsMatchTheReference)
{
    const int formats[] = {2, 3, 4, 5, 6, 7};
    const uint32_t flagMixes[] = {
        0, KE_BLT_COLORKEY, KE_BLT_MULTIPLY, KE_BLT_MULTIPLY | KE_BLT_COLORKEY, KE_BLT_ALPHA,
        KE_BLT_ALPHA | KE_BLT_COLORKEY, KE_BLT_ALPHA_ONLY, KE_BLT_ALPHA_ONLY | KE_BLT_COLORKEY,
        KE_BLT_NOCLIP, KE_BLT_CENTER_X | KE_BLT_CENTER_Y};
    TestRng rng(42);
    int compared = 0;
    for (int format : formats)
        for (int round = 0; round < 60; ++round)
        {
            auto src = MakeSurface(format, rng.Range(1, 40), rng.Range(1, 40));
            auto dst = MakeSurface(format, rng.Range(1, 40), rng.Range(1, 40));
            if (format < 6 && rng.Next() % 2)
                src->CreateAlphaPlane();
            if (format < 6 && rng.Next() % 2)
                dst->CreateAlphaPlane();
            FillPattern(*src, rng, true);
            FillPattern(*dst, rng);
            src->SetColorKey(RawAt(*src, 0, 0) & (format >= 6 ? 0xFFFFFF : 0xFFFFFFFF));
            CKetrelRect clip(rng.Range(-5, 20), rng.Range(-5, 20), rng.Range(0, 45), rng.Range(0, 45));
            dst->SetClipRect(&clip);
            CKetrelRect sr(rng.Range(-10, 30), rng.Range(-10, 30), rng.Range(-10, 50), rng.Range(-10, 50));
            int x = rng.Range(-50, 50), y = rng.Range(-50, 50);
            switch (rng.Next() % 8)
            {
            case 0: sr.Set(INT_MIN / 2, -5, INT_MAX / 2, 7); break;          // huge
            case 1: x = INT_MIN + 10; break;                                   // far away
            case 2: x = INT_MAX - 10; y = INT_MAX - 3; break;
            default: break;
            }
            uint32_t flags = flagMixes[rng.Next() % (sizeof flagMixes / sizeof flagMixes[0])];
            flags |= rng.Next() % 2 ? KE_BLT_MIRROR_X : 0;
            flags |= rng.Next() % 2 ? KE_BLT_MIRROR_Y : 0;
            const bool useRect = rng.Next() % 4 != 0;
            auto expected = Clone(*dst);
            ASSERT_EQ(KE_OK, ReferenceBlit(*expected, x, y, *src, useRect ? &sr : nullptr, flags));
            ASSERT_EQ(KE_OK, dst->Blit(x, y, src.get(), useRect ? &sr : nullptr, flags));
            const std::string diff = FirstDifference(*expected, *dst);
            EXPECT_TRUE(diff.empty()) << "format " << format << " flags " << flags << " at (" << x
                                      << ", " << y << "): " << diff;
            ++compared;
        }
    EXPECT_EQ(360, compared);
}
