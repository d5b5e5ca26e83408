#include "engine/graphics/KetrelImage.h"

#include "ImageTestUtil.h"
#include "SurfaceTestUtil.h"
#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelSurface.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
int Load(CKetrelSurface& s, const std::vector<uint8_t>& bytes, int format, int w = 0, int h = 0,
         uint32_t flags = 0)
{
    CKetrelSurfaceDesc desc = {w, h, 0, format, flags, 0};
    return s.LoadFromMemory(nullptr, bytes.data(), (int)bytes.size(), &desc);
}

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i)
    {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A valid small PNG whose header claims width x height (CRC fixed up), so that
// decoding it at face value would take width x height x 4 bytes.
std::vector<uint8_t> PngClaiming(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> png = EncodeUniform("png", 1, 1, true, 1, 2, 3, 4);
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height.
    for (int i = 0; i < 4; ++i)
    {
        png[16 + i] = (uint8_t)(width >> (24 - 8 * i));
        png[20 + i] = (uint8_t)(height >> (24 - 8 * i));
    }
    const uint32_t crc = Crc32(&png[12], 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = (uint8_t)(crc >> (24 - 8 * i));
    return png;
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    return std::abs((int)a - (int)b) <= tolerance;
}
} // namespace

// An RGBA pixel (200, 100, 50, 128) in each format: colour premultiplied with / 255.
TEST(KetrelImageDecode, PremultipliedPixelPerFormat)
{
    struct Case { const char* name; int format; uint32_t raw; int plane; };
    const Case cases[] = {
        {"ABGR bytes 100 50 25 128", 7, 0x80193264, -1},
        {"ARGB",                     6, 0x80643219, -1},
        {"5-6-5 with a plane",       4, (100u >> 3) << 11 | (50u >> 2) << 5 | (25u >> 3), 128},
        {"5-5-5 with a plane",       3, (100u >> 3) << 10 | (50u >> 3) << 5 | (25u >> 3), 128},
        {"4-4-4 with a plane",       2, (100u >> 4) << 8 | (50u & 0xF0) | (25u >> 4), 128},
        {"24-bit, no plane",         5, 0x643219, -1},
    };
    const auto png = EncodeUniform("png", 3, 2, true, 200, 100, 50, 128);
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        ASSERT_EQ(KE_OK, Load(s, png, c.format)) << c.name;
        EXPECT_EQ(3, s.GetWidth()) << c.name;
        EXPECT_EQ(2, s.GetHeight()) << c.name;
        EXPECT_EQ(c.raw, RawAt(s, 2, 1)) << c.name;
        if (c.plane >= 0)
        {
            ASSERT_NE(nullptr, s.GetAlphaPlane()) << c.name;
            EXPECT_EQ(c.plane, s.GetAlphaPlane()[5]) << c.name;
        }
        else
        {
            EXPECT_EQ(nullptr, s.GetAlphaPlane()) << c.name;
        }
    }
}

// JPEG rows are padded; an odd width must be read with the row stride.
TEST(KetrelImageDecode, OddWidthJpegUsesTheStride)
{
    const auto jpeg = EncodeImage("jpeg", 37, 9, false, [](int x, int, uint8_t* p) {
        p[0] = x < 16 ? 255 : 0;
        p[1] = 0;
        p[2] = x < 16 ? 0 : 255;
    });
    CKetrelSurface s;
    ASSERT_EQ(KE_OK, Load(s, jpeg, 6));
    EXPECT_EQ(37, s.GetWidth());
    for (int y = 0; y < 9; ++y)
    {
        EXPECT_TRUE(Near((RawAt(s, 3, y) >> 16) & 0xFF, 255, 12)) << "row " << y;
        EXPECT_TRUE(Near(RawAt(s, 30, y) & 0xFF, 255, 12)) << "row " << y;
        EXPECT_TRUE(Near((RawAt(s, 30, y) >> 16) & 0xFF, 0, 12)) << "row " << y;
    }
}

TEST(KetrelImageDecode, RequestedSizeScales)
{
    struct Case { const char* name; int w, h; int outW, outH; };
    const Case cases[] = {
        {"both",              8, 6, 8, 6},
        {"width only",        5, 0, 5, 12},
        {"height only",       0, 3, 20, 3},
        {"own size",          0, 0, 20, 12},
    };
    const auto png = EncodeUniform("png", 20, 12, false, 10, 20, 30);
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        ASSERT_EQ(KE_OK, Load(s, png, 7, c.w, c.h)) << c.name;
        EXPECT_EQ(c.outW, s.GetWidth()) << c.name;
        EXPECT_EQ(c.outH, s.GetHeight()) << c.name;
        EXPECT_EQ(0xFF1E140Au, RawAt(s, c.outW - 1, c.outH - 1)) << c.name;
    }
}

// Only PNG and JPEG are decoded, and only within the size limits.
TEST(KetrelImageDecode, RefusedInput)
{
    std::vector<uint8_t> garbage(200);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = (uint8_t)(i * 37 + 11);
    std::vector<uint8_t> truncated = EncodeUniform("png", 16, 16, true, 1, 2, 3, 4);
    truncated.resize(truncated.size() / 2);
    std::vector<uint8_t> pngHeaderOnly = EncodeUniform("png", 4, 4, false, 1, 2, 3);
    pngHeaderOnly.resize(8);
    struct Case { const char* name; std::vector<uint8_t> bytes; int w, h; int rc; };
    const Case cases[] = {
        {"garbage",                 garbage, 0, 0, KE_ERR_MEMORY},
        {"BMP is not accepted",     EncodeUniform("bmp", 4, 4, false, 9, 9, 9), 0, 0, KE_ERR_MEMORY},
        {"truncated PNG",           truncated, 0, 0, KE_ERR_MEMORY},
        {"PNG signature only",      pngHeaderOnly, 0, 0, KE_ERR_MEMORY},
        {"wider than the limit",    EncodeUniform("png", KE_IMAGE_MAX_SIDE + 1, 1, false, 0, 0, 0), 0, 0, KE_ERR_MEMORY},
        {"scaled beyond the limit", EncodeUniform("png", 4, 4, false, 0, 0, 0), 5000, 5000, KE_ERR_MEMORY},
        {"claims 30000 x 30000",    PngClaiming(30000, 30000), 0, 0, KE_ERR_MEMORY},
        {"claims 300 x 200, within the limits", PngClaiming(300, 200), 0, 0, KE_OK},
        {"a fitting one",           EncodeUniform("png", 4, 4, false, 0, 0, 0), 0, 0, KE_OK},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        EXPECT_EQ(c.rc, Load(s, c.bytes, 7, c.w, c.h)) << c.name;
        if (c.rc != KE_OK)
        {
            EXPECT_EQ(nullptr, s.GetPixels()) << c.name << ": the surface stays empty";
        }
    }
    CKetrelSurface s;
    const uint8_t one = 0;
    EXPECT_EQ(KE_ERR_ARGUMENT, s.LoadFromMemory(nullptr, nullptr, 10, nullptr));
    EXPECT_EQ(KE_ERR_ARGUMENT, s.LoadFromMemory(nullptr, &one, 0, nullptr));
    EXPECT_EQ(KE_ERR_OPEN, s.LoadFromFile(nullptr, CKetrelString("/nonexistent/x.png"), nullptr));
}

// A second image of the same size reuses the buffer and its format, and drops
// the alpha plane of the first when it has no alpha of its own.
TEST(KetrelImageDecode, SameSizeReusesTheSurface)
{
    CKetrelSurface s;
    ASSERT_EQ(KE_OK, Load(s, EncodeUniform("png", 5, 5, true, 255, 255, 255, 100), 4));
    ASSERT_NE(nullptr, s.GetAlphaPlane());
    uint8_t* pixels = s.GetPixels();
    ASSERT_EQ(KE_OK, Load(s, EncodeUniform("png", 5, 5, false, 255, 0, 0), 7));
    EXPECT_EQ(pixels, s.GetPixels());
    EXPECT_EQ(4, s.GetPixelFormat());
    EXPECT_EQ(nullptr, s.GetAlphaPlane());
    EXPECT_EQ(0xF800u, RawAt(s, 4, 4));
}

class KetrelImageFiles : public ::testing::Test
{
protected:
    TempFolder folder;
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = folder.Path(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    int LoadFile(CKetrelSurface& s, const std::string& path, int format, uint32_t flags)
    {
        CKetrelSurfaceDesc desc = {0, 0, 0, format, flags, 0};
        return s.LoadFromFile(nullptr, CKetrelString(path.c_str()), &desc);
    }
};

// ship.jpg takes its alpha from ship_alpha.jpg (its blue channel).
TEST_F(KetrelImageFiles, CompanionRules)
{
    Write("ship.jpg", EncodeUniform("jpeg", 8, 8, false, 200, 200, 200));
    Write("ship_alpha.jpg", EncodeUniform("jpeg", 8, 8, false, 0, 0, 128));
    Write("wide.jpg", EncodeUniform("jpeg", 8, 8, false, 200, 200, 200));
    Write("wide_alpha.jpg", EncodeUniform("jpeg", 9, 8, false, 0, 0, 128));
    Write("lonely.jpg", EncodeUniform("jpeg", 8, 8, false, 200, 200, 200));
    Write("icon.png", EncodeUniform("png", 8, 8, false, 200, 200, 200));
    Write("icon_alpha.png", EncodeUniform("png", 8, 8, false, 0, 0, 128));
    struct Case { const char* name; const char* file; int format; uint32_t flags; bool masked; };
    const Case cases[] = {
        {"companion on 32-bit",          "ship.jpg",   7, KE_SDF_COMPANION, true},
        {"companion on 5-6-5",           "ship.jpg",   4, KE_SDF_COMPANION, true},
        {"no flag, no companion",        "ship.jpg",   7, 0, false},
        {"flags 48 load none",           "ship.jpg",   7, KE_SDF_COMPANION | KE_SDF_NO_COMPANION, false},
        {"PNG never takes one",          "icon.png",   7, KE_SDF_COMPANION, false},
        {"missing companion is opaque",  "lonely.jpg", 7, KE_SDF_COMPANION, false},
        {"companion of another size",    "wide.jpg",   7, KE_SDF_COMPANION, false},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        ASSERT_EQ(KE_OK, LoadFile(s, folder.Path(c.file), c.format, c.flags)) << c.name;
        const uint32_t pixel = s.GetPixel(3, 3);
        if (c.masked)
        {
            EXPECT_TRUE(Near(pixel >> 24, 128, 3)) << c.name;
            EXPECT_TRUE(Near((pixel >> 16) & 0xFF, 100, 6)) << c.name << ": premultiplied";
        }
        else
        {
            EXPECT_EQ(255u, pixel >> 24) << c.name;
            EXPECT_TRUE(Near((pixel >> 16) & 0xFF, 200, 6)) << c.name;
        }
    }
    CKetrelSurface s;
    EXPECT_EQ(KE_ERR_NO_FORMAT, s.LoadAlphaCompanion(CKetrelString("icon.png"), nullptr));
    EXPECT_EQ(KE_ERR_NOT_FOUND, s.LoadAlphaCompanion(CKetrelString("noextension"), nullptr));
}

// Packs, plain and scrambled with a key: the entry is found by name and its
// companion comes from the same pack.
TEST_F(KetrelImageFiles, PackEntriesWithCompanions)
{
    const auto image = EncodeUniform("jpeg", 8, 8, false, 200, 200, 200);
    const auto mask = EncodeUniform("jpeg", 8, 8, false, 0, 0, 128);
    for (int keyed = 0; keyed < 2; ++keyed)
    {
        const CKetrelString key(keyed ? "sesame" : "");
        auto scramble = [&](std::vector<uint8_t> bytes) {
            if (keyed)
            {
                CKetrelDataScrambler scrambler;
                scrambler.Descramble(bytes.data(), (u32)bytes.size(), key);
            }
            return bytes;
        };
        CKetrelMediaPackWriter writer;
        const auto a = scramble(image), b = scramble(mask);
        ASSERT_EQ(KE_OK, writer.AddEntry(CKetrelString("gfx/ship.jpg"), a.data(), (u32)a.size()));
        ASSERT_EQ(KE_OK, writer.AddEntry(CKetrelString("gfx/ship_alpha.jpg"), b.data(), (u32)b.size()));
        const std::string path = folder.Path(keyed ? "keyed.vad" : "plain.vad");
        ASSERT_EQ(KE_OK, writer.Write(CKetrelString(path.c_str())));
        CKetrelMediaPack pack;
        ASSERT_EQ(KE_OK, pack.Open(CKetrelString(path.c_str()), key));

        CKetrelSurface s;
        CKetrelSurfaceDesc desc = {0, 0, 0, 7, KE_SDF_COMPANION, 0};
        ASSERT_EQ(KE_OK, s.LoadFromPack(nullptr, &pack, CKetrelString("ship.jpg"), 0, &desc)) << keyed;
        EXPECT_EQ(0, s.GetID().Compare(CKetrelString("ship.jpg"))) << keyed;
        EXPECT_TRUE(Near(s.GetPixel(4, 4) >> 24, 128, 3)) << keyed;
        EXPECT_EQ(KE_ERR_NOT_FOUND, s.LoadFromPack(nullptr, &pack, CKetrelString("boat.jpg"), 0, &desc));
        EXPECT_EQ(KE_ERR_NOT_FOUND, s.LoadFromPack(nullptr, nullptr, CKetrelString("ship.jpg"), 0, &desc));
    }
}
