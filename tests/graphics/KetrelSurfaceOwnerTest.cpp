// Surfaces with an owner application: the 8-bit palette format, the owner's
// pixel format, saving images, and X pixmap transfer on a private X server.
#include "engine/graphics/KetrelSurface.h"

#include "ImageTestUtil.h"
#include "SurfaceTestUtil.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "support/KetrelTestXServer.h"

#include <X11/Xlib.h>
#include <gtest/gtest.h>

namespace
{
::testing::Environment* const g_xserver =
    ::testing::AddGlobalTestEnvironment(new CKetrelTestXServerEnvironment());

class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

std::unique_ptr<CKetrelSurface> MakeOwned(IKetrelApplication* owner, int format, int w, int h)
{
    std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
    CKetrelSurfaceDesc desc = {w, h, 0, format, 0, 0};
    if (s->Create(owner, &desc) != KE_OK)
        return nullptr;
    return s;
}
} // namespace

TEST(KetrelSurfaceOwner, FormatZeroTakesTheOwners)
{
    TestApplication app;
    CKetrelSurface s;
    CKetrelSurfaceDesc desc = {4, 4, 0, 0, 0, 0};
    ASSERT_EQ(KE_OK, s.Create(&app, &desc));
    EXPECT_EQ(app.GetPixelFormat(), s.GetPixelFormat());
}

// The default palette is 3-3-2; colours go through the 4096-entry table.
TEST(KetrelSurfaceOwner, PaletteFormatPixels)
{
    TestApplication app;
    struct Case { const char* name; uint32_t colour; uint32_t index; uint32_t back; };
    const Case cases[] = {
        {"red",    0xFFFF0000, 224, 0xFFFF0000},
        {"white",  0xFFFFFFFF, 255, 0xFFFFFFFF},
        {"blue",   0xFF0000FF, 3,   0xFF0000FF},
        {"grey",   0xFF808080, 146, 0xFF9191AA},
    };
    for (const Case& c : cases)
    {
        auto s = MakeOwned(&app, 1, 2, 2);
        s->FillRect(0, nullptr);
        s->SetPixel(1, 1, c.colour);
        EXPECT_EQ(c.index, RawAt(*s, 1, 1)) << c.name;
        EXPECT_EQ(c.back, s->GetPixel(1, 1)) << c.name;
    }
}

TEST(KetrelSurfaceOwner, PaletteFormatDrawing)
{
    TestApplication app;
    // Alpha blit: red at alpha 128 over blue, blended per channel, then looked up.
    auto src = MakeOwned(&app, 1, 1, 1);
    auto dst = MakeOwned(&app, 1, 1, 1);
    src->SetPixel(0, 0, 0xFFFF0000);
    ASSERT_EQ(KE_OK, src->CreateAlphaPlane());
    src->GetAlphaPlane()[0] = 128;
    dst->SetPixel(0, 0, 0xFF0000FF);
    ASSERT_EQ(KE_OK, dst->Blit(0, 0, src.get(), nullptr, KE_BLT_ALPHA));
    EXPECT_EQ(0xFFFF0055u, dst->GetPixel(0, 0));

    struct Case { const char* name; std::function<int(CKetrelSurface&)> op; uint32_t expected; };
    const Case cases[] = {
        {"dim white by half",  [](CKetrelSurface& s) { return s.DimRect(nullptr, 0.5f); }, 0xFF6D6D55},
        {"alpha fill red",     [](CKetrelSurface& s) { return s.FillRectAlpha(0xFFFF0000, nullptr); }, 0xFFFF0000},
        {"gradient black",     [](CKetrelSurface& s) { return s.FillGradient(0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, nullptr); }, 0xFF000000},
        {"tinted by green",    [](CKetrelSurface& s) {
             auto white = MakeOwned(s.GetOwner(), 1, 1, 1);
             white->SetPixel(0, 0, 0xFFFFFFFF);
             return s.BlitTinted(0, 0, white.get(), nullptr, 0xFF00FF00, 0); }, 0xFF00FF00},
    };
    for (const Case& c : cases)
    {
        auto s = MakeOwned(&app, 1, 1, 1);
        s->SetPixel(0, 0, 0xFFFFFFFF);
        ASSERT_EQ(KE_OK, c.op(*s)) << c.name;
        EXPECT_EQ(c.expected, s->GetPixel(0, 0)) << c.name;
    }
}

// The path decides the type: ".jpg" JPEG, ".png" PNG, anything else BMP; every
// format writes its own pixels (opaque).
TEST(KetrelSurfaceSave, TypeByPathAndRoundTrip)
{
    TestApplication app;
    TempFolder folder;
    struct Case { const char* name; const char* file; const uint8_t magic[3]; };
    const Case cases[] = {
        {"upper-case JPG", "Shot.JPG", {0xFF, 0xD8, 0xFF}},
        {"png",            "shot.png", {0x89, 'P', 'N'}},
        {"bmp",            "shot.bmp", {'B', 'M', 0}},
        {"no extension",   "shot",     {'B', 'M', 0}},
    };
    for (const Case& c : cases)
    {
        auto s = MakeOwned(&app, 7, 6, 5);
        s->FillRect(0xFF336699, nullptr);
        const std::string path = folder.Path(c.file);
        ASSERT_EQ(1, s->SaveImage(CKetrelString(path.c_str()))) << c.name;
        const auto bytes = ReadFile(path);
        ASSERT_GE(bytes.size(), 3u) << c.name;
        EXPECT_EQ(c.magic[0], bytes[0]) << c.name;
        EXPECT_EQ(c.magic[1], bytes[1]) << c.name;
        if (c.magic[2])
        {
            EXPECT_EQ(c.magic[2], bytes[2]) << c.name;
        }
    }

    const int formats[] = {2, 3, 4, 5, 6, 7};
    for (int format : formats)
    {
        auto s = MakeOwned(&app, format, 7, 3);
        TestRng rng(format);
        FillPattern(*s, rng);
        // Opaque (the saved alpha is 255), and no bits outside the format's channels.
        const uint32_t used = format == 2 ? 0x0FFF : (format == 3 ? 0x7FFF : 0xFFFFFFFF);
        const uint32_t opaque = format >= 6 ? 0xFF000000u : 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                SetRawAt(*s, x, y, (RawAt(*s, x, y) & used) | opaque);
        const std::string path = folder.Path("round.png");
        ASSERT_EQ(1, s->SaveImage(CKetrelString(path.c_str()))) << format;
        CKetrelSurface back;
        CKetrelSurfaceDesc desc = {0, 0, 0, format, 0, 0};
        ASSERT_EQ(KE_OK, back.LoadFromFile(&app, CKetrelString(path.c_str()), &desc)) << format;
        EXPECT_EQ("", FirstDifference(*s, back)) << "format " << format;
    }

    CKetrelSurface orphan;
    CKetrelSurfaceDesc desc = {2, 2, 0, 7, 0, 0};
    ASSERT_EQ(KE_OK, orphan.Create(nullptr, &desc));
    EXPECT_EQ(KE_ERR_NOT_READY, orphan.SaveImage(CKetrelString(folder.Path("x.png").c_str())));
    auto s = MakeOwned(&app, 7, 2, 2);
    EXPECT_EQ(0, s->SaveImage(CKetrelString("/nonexistent-folder/x.png")));
}

// A picture and its mask, both saved as JPEG, load back as one image whose alpha is
// the mask's blue channel, premultiplied into the colour: the saved pixels must be the
// surface's own in every format the application draws in.
TEST(KetrelSurfaceSave, JpegWithCompanionRoundTrip)
{
    TestApplication app;
    TempFolder folder;
    // White in a 5-6-5 mask is saved as blue 248: that pixel is not quite opaque.
    struct Case { const char* name; int savedFormat, loadFormat, whiteAlpha; };
    const Case cases[] = {
        {"ABGR saved and loaded",   7, 7, 255},
        {"ARGB saved, ABGR loaded", 6, 7, 255},
        {"5-6-5 saved and loaded",  4, 4, 248},
    };
    const CKetrelString picturePath(folder.Path("pic.jpg").c_str());
    const CKetrelString maskPath(folder.Path("pic_alpha.jpg").c_str());
    for (const Case& c : cases)
    {
        // Grey only, in whole 8 x 8 blocks, so that JPEG keeps the values closely.
        auto picture = MakeOwned(&app, c.savedFormat, 16, 8);
        auto mask = MakeOwned(&app, c.savedFormat, 16, 8);
        ASSERT_TRUE(picture && mask) << c.name;
        const CKetrelRect left(0, 0, 8, 8), right(8, 0, 16, 8);
        picture->FillRect(0xFFF0F0F0, nullptr);
        mask->FillRect(0xFFFFFFFF, &left);
        mask->FillRect(0xFF404040, &right);
        ASSERT_EQ(1, picture->SaveImage(picturePath)) << c.name;
        ASSERT_EQ(1, mask->SaveImage(maskPath)) << c.name;

        CKetrelSurface back;
        CKetrelSurfaceDesc desc = {0, 0, 0, c.loadFormat, KE_SDF_COMPANION, 0};
        ASSERT_EQ(KE_OK, back.LoadFromFile(&app, picturePath, &desc)) << c.name;
        const uint32_t opaque = back.GetPixel(3, 4), quarter = back.GetPixel(12, 4);
        EXPECT_NEAR(c.whiteAlpha, (int)(opaque >> 24), 4) << c.name;
        EXPECT_NEAR(c.whiteAlpha == 255 ? 0xF0 : 0xF0 * c.whiteAlpha >> 8,
                    (int)((opaque >> 16) & 0xFF), 8) << c.name;
        EXPECT_NEAR(0x40, (int)(quarter >> 24), 4) << c.name;
        EXPECT_NEAR(0xF0 * 0x40 >> 8, (int)((quarter >> 16) & 0xFF), 8) << c.name << ": premultiplied";
    }
}

TEST(KetrelSurfaceX11, PixmapRoundTrip)
{
    if (!CKetrelTestXServerEnvironment::Get() || !CKetrelTestXServerEnvironment::Get()->IsRunning())
        GTEST_SKIP() << "no Xvfb";
    TestApplication app;
    ASSERT_NE(nullptr, app.GetDisplay());
    const int formats[] = {4, 7};
    for (int format : formats)
    {
        auto s = MakeOwned(&app, format, 13, 9);
        TestRng rng(format);
        FillPattern(*s, rng);
        const uint64_t before = Digest(*s);
        _XGC* gc = nullptr;
        ASSERT_EQ(KE_OK, s->CreatePixmap(&gc)) << format;
        EXPECT_NE(nullptr, gc);
        _XGC* again = nullptr;
        EXPECT_EQ(KE_ERR_X_GC_EXISTS, s->CreatePixmap(&again)) << format;
        s->FillRect(0, nullptr);
        s->ReleasePixmap(gc, 1);
        EXPECT_EQ(before, Digest(*s)) << "format " << format << ": copied back from the pixmap";
        EXPECT_EQ(KE_OK, s->CreatePixmap(&gc)) << "released, so a new one can be made";
        s->ReleasePixmap(gc, 0);
    }
    CKetrelSurface empty;
    _XGC* gc = nullptr;
    EXPECT_EQ(KE_ERR_NOT_READY, empty.CreatePixmap(&gc));
}

TEST(KetrelSurfaceX11, FromDrawableSizes)
{
    if (!CKetrelTestXServerEnvironment::Get() || !CKetrelTestXServerEnvironment::Get()->IsRunning())
        GTEST_SKIP() << "no Xvfb";
    TestApplication app;
    Display* display = app.GetDisplay();
    ASSERT_NE(nullptr, display);
    const Pixmap drawable = XCreatePixmap(display, DefaultRootWindow(display), 40, 20,
                                          (unsigned)DefaultDepth(display, DefaultScreen(display)));
    struct Case { const char* name; int w, h; uint32_t flags; int outW, outH; };
    const Case cases[] = {
        {"drawable's own size",    0, 0, 0, 40, 20},
        {"height given, aspect",   0, 10, KE_SDF_DRAWABLE_ASPECT, 20, 10},
        {"width given, odd grows", 15, 0, KE_SDF_DRAWABLE_ASPECT, 16, 7},
        {"no aspect flag",         15, 0, 0, 40, 20},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        CKetrelSurfaceDesc desc = {c.w, c.h, 0, 7, c.flags, 0};
        ASSERT_EQ(KE_OK, s.CreateFromDrawable(&app, &desc, drawable)) << c.name;
        EXPECT_EQ(c.outW, s.GetWidth()) << c.name;
        EXPECT_EQ(c.outH, s.GetHeight()) << c.name;
    }
    CKetrelSurface s;
    CKetrelSurfaceDesc desc = {0, 0, 0, 7, 0, 0};
    EXPECT_EQ(KE_ERR_ARGUMENT, s.CreateFromDrawable(&app, &desc, 0));
    XFreePixmap(display, drawable);
}
