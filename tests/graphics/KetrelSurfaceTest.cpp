#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(KetrelSurfaceCreate, ResultsForBadDescriptions)
{
    struct Case { const char* name; int w, h, format; int rc; };
    const Case cases[] = {
        {"zero width",            0, 10, 7, KE_ERR_ARGUMENT},
        {"zero height",           10, 0, 7, KE_ERR_ARGUMENT},
        {"negative width",        -5, 10, 7, KE_ERR_ARGUMENT},
        {"format 9",              10, 10, 9, KE_ERR_NO_FORMAT},
        {"format 0 without owner", 10, 10, 0, KE_ERR_ARGUMENT},
        {"side beyond the limit", 70000, 1, 7, KE_ERR_MEMORY},
        {"area beyond the limit", 16384, 16384, 4, KE_ERR_MEMORY},
        {"area overflowing 32 bits", 65536, 65536, 7, KE_ERR_MEMORY},
        {"format 5 fits",         3, 3, 5, KE_OK},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        CKetrelSurfaceDesc desc = {c.w, c.h, 12345, c.format, 0, 0};
        EXPECT_EQ(c.rc, s.Create(nullptr, &desc)) << c.name;
        if (c.rc != KE_OK)
            EXPECT_EQ(nullptr, s.GetPixels()) << c.name;
        else
            EXPECT_EQ(c.w * 3, s.GetPitch()) << c.name << ": pitch comes from the format";
    }
}

TEST(KetrelSurfaceCreate, FromBufferRefusesShortPitch)
{
    uint8_t buffer[64] = {};
    CKetrelSurface s;
    CKetrelSurfaceDesc desc = {8, 2, 16, 7, 0, 0};
    EXPECT_EQ(KE_ERR_ARGUMENT, s.CreateFromBuffer(nullptr, &desc, buffer));
    desc.pitch = 32;
    EXPECT_EQ(KE_OK, s.CreateFromBuffer(nullptr, &desc, buffer));
    EXPECT_EQ(buffer, s.GetPixels());
    s.Release();
    EXPECT_EQ(nullptr, s.GetPixels());
    EXPECT_EQ(0, s.GetWidth());
}

TEST(KetrelSurfaceCoordinates, RelativeConversionTruncates)
{
    struct Case { const char* name; int width; float f; int expected; };
    const Case cases[] = {
        {"half of 801",      801, 0.5f, 400},
        {"whole",            801, 1.0f, 801},
        {"0.999 of 800",     800, 0.999f, 799},
        {"negative",         800, -0.001f, 0},
        {"negative larger",  800, -0.5f, -400},
        {"huge",             800, 1e30f, INT_MAX},
        {"huge negative",    800, -1e30f, INT_MIN},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(7, c.width, 4);
        EXPECT_EQ(c.expected, s->RelativeToPixelX(c.f)) << c.name;
    }
}

TEST(KetrelSurfaceClip, EdgesAreClampedAndReadBack)
{
    struct Case { const char* name; CKetrelRect in, out; };
    const Case cases[] = {
        {"beyond every edge", {-10, -10, 5000, 5000}, {0, 0, 800, 480}},
        {"inside",            {10, 20, 30, 40},       {10, 20, 30, 40}},
        {"right of surface",  {900, 10, 1000, 20},    {800, 10, 800, 20}},
        {"inverted",          {60, 50, 20, 10},       {60, 50, 60, 50}},
        {"inverted, clamped", {1, -9, 6, -22},        {1, 0, 6, 0}},
    };
    auto s = MakeSurface(7, 800, 480);
    for (const Case& c : cases)
    {
        s->SetClipRect(&c.in);
        CKetrelRect got;
        s->GetClipRect(&got);
        EXPECT_EQ(c.out.left, got.left) << c.name;
        EXPECT_EQ(c.out.top, got.top) << c.name;
        EXPECT_EQ(c.out.right, got.right) << c.name;
        EXPECT_EQ(c.out.bottom, got.bottom) << c.name;
    }
    s->SetClipRect(nullptr);
    CKetrelRect whole;
    s->GetClipRect(&whole);
    EXPECT_EQ(800, whole.right);
    EXPECT_EQ(480, whole.bottom);
}

TEST(KetrelSurfaceFrames, GridNumbersRowByRow)
{
    struct Case { const char* name; int fw, fh, frame; CKetrelRect out; };
    const Case cases[] = {
        {"frame 5 of 4x2",        32, 32, 5, {32, 32, 64, 64}},
        {"frame 0",               32, 32, 0, {0, 0, 32, 32}},
        {"frame 8 is past the end", 32, 32, 8, {0, 0, 128, 64}},
        {"negative frame",        32, 32, -1, {0, 0, 128, 64}},
        {"one by one grid",       100, 50, 0, {0, 0, 128, 64}},
        {"frame size ignored",    0, 32, 3, {0, 0, 128, 64}},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(7, 128, 64);
        s->SetFrameSize(c.fw, c.fh);
        CKetrelRect r;
        s->GetFrameRect(c.frame, &r);
        EXPECT_EQ(c.out.left, r.left) << c.name;
        EXPECT_EQ(c.out.top, r.top) << c.name;
        EXPECT_EQ(c.out.right, r.right) << c.name;
        EXPECT_EQ(c.out.bottom, r.bottom) << c.name;
    }
}

// Colour in, raw pixel stored, colour read back (low bits of narrow channels zero).
TEST(KetrelSurfacePixels, ColourConversionPerFormat)
{
    struct Case { const char* name; int format; uint32_t colour, raw, back; };
    const Case cases[] = {
        {"4-4-4",  2, 0xFF123456, 0x0135,     0xFF103050},
        {"5-5-5",  3, 0xFF8844CC, 0x4519,     0xFF8840C8},
        {"5-6-5",  4, 0xFF8844CC, 0x8A39,     0xFF8844C8},
        {"5-6-5 white", 4, 0xFFFFFFFF, 0xFFFF, 0xFFF8FCF8},
        {"24-bit", 5, 0x80123456, 0x123456,   0xFF123456},
        {"ARGB",   6, 0x80123456, 0x80123456, 0x80123456},
        {"ABGR",   7, 0x80123456, 0x80563412, 0x80123456},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 3, 3);
        s->FillRect(0, nullptr);
        s->SetPixel(1, 1, c.colour);
        EXPECT_EQ(c.raw, RawAt(*s, 1, 1)) << c.name;
        EXPECT_EQ(c.back, s->GetPixel(1, 1)) << c.name;
        EXPECT_EQ(0u, s->GetPixel(3, 1)) << c.name << ": outside reads 0";
        s->SetPixel(-1, 0, c.colour);   // ignored
        EXPECT_EQ(0u, RawAt(*s, 0, 0)) << c.name;
    }
}

TEST(KetrelSurfacePixels, PutPixelWritesRawValuesInside)
{
    struct Case { const char* name; int format; int x, y; uint32_t value; int rc; uint32_t raw; };
    const Case cases[] = {
        {"8-bit low byte",  1, 0, 0, 0x1234, KE_OK, 0x34},
        {"16-bit low half", 4, 1, 1, 0xABCD1234, KE_OK, 0x1234},
        {"24-bit bytes",    5, 2, 0, 0x00A1B2C3, KE_OK, 0xA1B2C3},
        {"32-bit word",     7, 0, 2, 0xDEADBEEF, KE_OK, 0xDEADBEEF},
        {"x = width",       7, 3, 0, 1, KE_ERR_ARGUMENT, 0},
        {"negative y",      7, 0, -1, 1, KE_ERR_ARGUMENT, 0},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 3, 3);
        s->FillRect(0, nullptr);
        const uint64_t before = Digest(*s);
        EXPECT_EQ(c.rc, s->PutPixel(c.x, c.y, c.value)) << c.name;
        if (c.rc == KE_OK)
            EXPECT_EQ(c.raw, RawAt(*s, c.x, c.y)) << c.name;
        else
            EXPECT_EQ(before, Digest(*s)) << c.name << ": nothing written";
    }
}

TEST(KetrelSurfacePixels, ColourKeyFromPixel)
{
    struct Case { const char* name; int format; uint32_t raw; uint32_t key; };
    const Case cases[] = {
        {"16-bit raw",     4, 0xF81F, 0xF81F},
        {"24-bit RGB",     5, 0x102030, 0x102030},
        {"32-bit low 24",  7, 0x80FF00FF, 0xFF00FF},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 2, 2);
        SetRawAt(*s, 1, 0, c.raw);
        EXPECT_EQ(KE_OK, s->SetColorKeyFromPixel(1, 0)) << c.name;
        EXPECT_EQ(c.key, s->GetColorKey()) << c.name;
        EXPECT_EQ(KE_OK, s->SetColorKeyFromPixel(5, 5)) << c.name;
        EXPECT_EQ(0u, s->GetColorKey()) << c.name << ": outside gives 0";
    }
    CKetrelSurface empty;
    EXPECT_EQ(KE_ERR_NOT_READY, empty.SetColorKeyFromPixel(0, 0));
}

TEST(KetrelSurfaceAlpha, PlaneRules)
{
    auto s32 = MakeSurface(7, 4, 4);
    EXPECT_EQ(KE_ERR_NO_FORMAT, s32->CreateAlphaPlane());
    auto s16 = MakeSurface(4, 4, 4);
    EXPECT_EQ(KE_OK, s16->CreateAlphaPlane());
    EXPECT_NE(nullptr, s16->GetAlphaPlane());
    CKetrelSurface empty;
    EXPECT_EQ(KE_ERR_NOT_READY, empty.CreateAlphaPlane());

    uint8_t alpha[16] = {};
    CKetrelSurfaceDesc wrongFormat = {4, 4, 4, 4, 0, 1};
    EXPECT_EQ(KE_ERR_NO_FORMAT, s16->SetAlphaPlane(&wrongFormat, alpha));
    CKetrelSurfaceDesc wrongSize = {3, 4, 3, 1, 0, 1};
    EXPECT_EQ(KE_ERR_FORMAT, s16->SetAlphaPlane(&wrongSize, alpha));
    CKetrelSurfaceDesc shortPitch = {4, 4, 2, 1, 0, 1};
    EXPECT_EQ(KE_ERR_ARGUMENT, s16->SetAlphaPlane(&shortPitch, alpha));
}

// Pixels with alpha below 255 are premultiplied (channel x a >> 8).
TEST(KetrelSurfaceAlpha, SetAlphaPlanePremultiplies)
{
    struct Case { const char* name; int format; uint32_t colour; uint8_t a; uint32_t raw; uint8_t plane; };
    const Case cases[] = {
        {"ABGR half",     7, 0xFFC86432, 128, 0x80193264, 0},
        {"ARGB half",     6, 0xFFC86432, 128, 0x80643219, 0},
        {"ABGR opaque",   7, 0x00C86432, 255, 0x003264C8, 0},
        {"ABGR clear",    7, 0xFFC86432, 0,   0x00000000, 0},
        {"5-6-5 half",    4, 0xFFF8FCF8, 128, 0x7BEF, 128},
        {"5-6-5 opaque",  4, 0xFFF8FCF8, 255, 0xFFFF, 255},
        {"4-4-4 half",    2, 0xFFF0F0F0, 128, 0x0777, 128},
        {"24-bit half",   5, 0xFFC86432, 128, 0x643219, 128},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(c.format, 2, 1);
        s->SetPixel(0, 0, c.colour);
        s->SetPixel(1, 0, c.colour);
        const uint8_t alpha[2] = {c.a, 255};
        CKetrelSurfaceDesc desc = {2, 1, 2, 1, 0, 1};
        ASSERT_EQ(KE_OK, s->SetAlphaPlane(&desc, alpha)) << c.name;
        EXPECT_EQ(c.raw, RawAt(*s, 0, 0)) << c.name;
        EXPECT_EQ(RawAt(*s, 1, 0), s->ColorToPixel(c.colour)) << c.name << ": alpha 255 untouched";
        if (c.format < 6)
        {
            EXPECT_EQ(c.plane, s->GetAlphaPlane()[0]) << c.name;
        }
    }
}

TEST(KetrelSurfaceAlpha, MaskSurfaceBlueBecomesAlpha)
{
    auto image = MakeSurface(7, 2, 2);
    image->FillRect(0xFFFFFFFF, nullptr);
    auto mask = MakeSurface(6, 2, 2);
    mask->FillRect(0xFF000000, nullptr);
    mask->SetPixel(1, 1, 0xFF0000FF);
    auto wrong = MakeSurface(6, 3, 2);
    EXPECT_EQ(KE_ERR_ARGUMENT, image->SetAlphaFromSurface(wrong.get()));
    EXPECT_EQ(KE_ERR_ARGUMENT, image->SetAlphaFromSurface(nullptr));
    ASSERT_EQ(KE_OK, image->SetAlphaFromSurface(mask.get()));
    EXPECT_EQ(0x00000000u, RawAt(*image, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, RawAt(*image, 1, 1));
}

TEST(KetrelSurfaceLifecycle, ReleaseEmptiesAndDestructorFrees)
{
    CKetrelSurface* s = CKetrelSurface::New();
    ASSERT_NE(nullptr, s);
    CKetrelSurfaceDesc desc = {16, 16, 0, 4, 0, 0};
    ASSERT_EQ(KE_OK, s->Create(nullptr, &desc));
    ASSERT_EQ(KE_OK, s->CreateAlphaPlane());
    s->SetColorKey(5);
    s->Release();
    EXPECT_EQ(nullptr, s->GetPixels());
    EXPECT_EQ(nullptr, s->GetAlphaPlane());
    EXPECT_EQ(0u, s->GetColorKey());
    EXPECT_EQ(0, s->GetPixelFormat());
    // Drawing on an empty surface reports it and touches nothing.
    EXPECT_EQ(KE_ERR_NOT_READY, s->FillRect(0xFFFFFFFF, nullptr));
    ASSERT_EQ(KE_OK, s->Create(nullptr, &desc));
    delete s;   // frees the pixels without Release (the sanitizer build checks)
}

TEST(KetrelSurfaceLock, DescriptionAndPixels)
{
    auto s = MakeSurface(5, 7, 3);
    CKetrelSurfaceDesc out = {};
    uint8_t* p = s->Lock(&out, 1);
    EXPECT_EQ(s->GetPixels(), p);
    EXPECT_EQ(7, out.width);
    EXPECT_EQ(3, out.height);
    EXPECT_EQ(21, out.pitch);
    EXPECT_EQ(5, out.pixelFormat);
    EXPECT_EQ(3, out.bytesPerPixel);
    EXPECT_EQ(24, s->GetBitsPerPixel());
}
