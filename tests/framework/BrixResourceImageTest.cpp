// Images in the resource manager: reference counts, surface-sheet rectangles, images
// registered by callers, records of removed packs, and scaling by the design size.
#include "framework/BrixResourceManager.h"

#include "ResourceTestKit.h"
#include "engine/graphics/KetrelSurface.h"

#include <gtest/gtest.h>

namespace
{

struct ImageFixture : public ::testing::Test
{
    void SetUp() override
    {
        ASSERT_FALSE(folder.Path().empty());
        ASSERT_TRUE(app.SetScreen(800, 480));
        manager.Init(&app, nullptr);
    }

    void AddPack(const std::string& name, const std::vector<TestEntry>& entries, int scope = 0)
    {
        const std::string path = folder.File(name);
        ASSERT_TRUE(WriteTestPack(path, entries)) << name;
        ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, scope)) << name;
    }

    CKetrelSurface* Get(const wchar_t* name, CKetrelRectF* rect = nullptr)
    {
        return manager.GetImage(CKetrelString(name), rect);
    }

    TestFolder folder;
    TestApp app;
    CBrixResourceManager manager;
};

// Counts the releases a surface takes until the manager frees it (its slot cleared).
int ReleasesUntilFreed(CBrixResourceManager& manager, CKetrelSurface* surface)
{
    for (int n = 1; n <= 100; ++n)
    {
        CKetrelSurface* slot = surface;
        if (manager.ReleaseImage(&slot) != 1)
            return -1;
        if (slot == nullptr)
            return n;
    }
    return -2;
}

} // namespace

TEST_F(ImageFixture, ReferenceCountsDownToZeroAndBack)
{
    AddPack("a.vad", {{"/logo.png", MakeSolidPng(8, 4, 0xFF102030)}});
    CKetrelSurface* first = Get(L"logo.png");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(8, first->GetWidth());
    EXPECT_EQ(first, Get(L"logo.png"));
    EXPECT_EQ(1, manager.AddRefImage(first));
    EXPECT_EQ(3, ReleasesUntilFreed(manager, first));

    // Still registered after its last release: it loads again.
    CKetrelSurface* again = Get(L"logo.png");
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(0xFF102030u, again->GetPixel(7, 3));
    EXPECT_EQ(1, ReleasesUntilFreed(manager, again));
}

TEST_F(ImageFixture, UnknownAndNullImages)
{
    CKetrelSurface stranger;
    CKetrelSurface* slot = &stranger;
    CKetrelSurface* none = nullptr;
    EXPECT_EQ(0, manager.ReleaseImage(&slot));
    EXPECT_EQ(&stranger, slot);
    EXPECT_EQ(1, manager.ReleaseImage(&none));
    EXPECT_EQ(0, manager.AddRefImage(&stranger));
    EXPECT_EQ(1, manager.AddRefImage(nullptr));
    EXPECT_EQ(nullptr, Get(L""));
    EXPECT_EQ(nullptr, Get(L"missing.png"));
}

// A surface of a sheet gives the sheet image with its rectangle, and counts the sheet
// once; without a rectangle to fill, a surface name is no image.
TEST_F(ImageFixture, SheetSurfaceGivesTheSheetAndItsRectangle)
{
    const std::string six =
        "<?xml version=\"1.0\"?>\n<surfaces image=\"art\\gfx/sheet.png\">\n"
        " <surface name=\"btn\" left=\"2\" top=\"1\" right=\"6.5\" bottom=\"3\"/>\n"
        " <Surface name=\"thin\" right=\"5\"/>\n"
        " <other name=\"skipped\" right=\"1\"/>\n"
        " <surface name=\"btn\" left=\"7\"/>\n"
        "</surfaces>\n";
    AddPack("ui.vad", {{"/sheet.png", MakeSolidPng(8, 4, 0xFFFF0000)}, {"/ui.six", six}});

    struct Case { const wchar_t* name; CKetrelRectF expected; };
    const Case cases[] = {
        {L"btn", CKetrelRectF(2, 1, 6.5f, 3)},
        {L"thin", CKetrelRectF(0, 0, 5, 0)},
    };
    for (const Case& c : cases)
    {
        CKetrelRectF rect(-1, -1, -1, -1);
        CKetrelSurface* sheet = Get(c.name, &rect);
        ASSERT_NE(nullptr, sheet);
        EXPECT_EQ(8, sheet->GetWidth());
        EXPECT_EQ(c.expected.left, rect.left);
        EXPECT_EQ(c.expected.top, rect.top);
        EXPECT_EQ(c.expected.right, rect.right);
        EXPECT_EQ(c.expected.bottom, rect.bottom);
        EXPECT_EQ(1, ReleasesUntilFreed(manager, sheet));
    }
    CKetrelRectF rect;
    EXPECT_EQ(nullptr, Get(L"skipped", &rect));
    EXPECT_EQ(nullptr, Get(L"btn"));
}

// A sheet rectangle of level 1 is found before a level-0 image of the same name.
TEST_F(ImageFixture, UpperLevelSheetBeforeLowerImage)
{
    AddPack("low.vad", {{"/icon.png", MakeSolidPng(2, 2, 0xFF0000FF)}});
    AddPack("up.vad", {{"/big.png", MakeSolidPng(16, 16, 0xFF00FF00)},
                       {"/s.six", "<surfaces image=\"big.png\"><surface name=\"icon.png\" "
                                  "right=\"4\" bottom=\"4\"/></surfaces>"}},
            1);
    CKetrelRectF rect;
    CKetrelSurface* image = Get(L"icon.png", &rect);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(16, image->GetWidth());
    EXPECT_EQ(4.0f, rect.right);
    CKetrelSurface* plain = Get(L"icon.png");
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(2, plain->GetWidth());
}

// Within level 0 an image of a name comes before a sheet surface of that name, also
// while the sheet is loaded and the image is not; level 1 still comes first.
TEST_F(ImageFixture, LowerImageBeforeLowerSheetOfTheSameName)
{
    AddPack("low.vad", {{"/icon.png", MakeSolidPng(2, 2, 0xFF0000FF)},
                        {"/big.png", MakeSolidPng(16, 16, 0xFF00FF00)},
                        {"/s.six", "<surfaces image=\"big.png\"><surface name=\"icon.png\" "
                                   "right=\"4\" bottom=\"4\"/></surfaces>"}});
    CKetrelSurface* sheet = Get(L"big.png");
    ASSERT_NE(nullptr, sheet);
    CKetrelRectF rect(-1, -1, -1, -1);
    CKetrelSurface* image = Get(L"icon.png", &rect);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(2, image->GetWidth());
    EXPECT_EQ(-1.0f, rect.right);
    EXPECT_EQ(1, ReleasesUntilFreed(manager, image));
    EXPECT_EQ(1, ReleasesUntilFreed(manager, sheet));
}

// A caller's image is the manager's once registered: freed and forgotten at its last
// release. A taken name leaves the new image with the caller.
TEST_F(ImageFixture, RegisteredImageGoesWithItsLastRelease)
{
    CKetrelSurface* mine = new CKetrelSurface();
    CKetrelSurfaceDesc desc = {3, 3, 0, 7, 0, 4};
    ASSERT_EQ(KE_OK, mine->Create(&app, &desc));
    manager.RegisterImage(CKetrelString(L"mine"), mine);
    EXPECT_EQ(mine, Get(L"mine"));
    EXPECT_EQ(2, ReleasesUntilFreed(manager, mine));
    EXPECT_EQ(nullptr, Get(L"mine"));

    CKetrelSurface* held = new CKetrelSurface();
    ASSERT_EQ(KE_OK, held->Create(&app, &desc));
    manager.RegisterImage(CKetrelString(L"held"), held);
    CKetrelSurface other;
    manager.RegisterImage(CKetrelString(L"held"), &other);
    EXPECT_EQ(held, Get(L"held"));
    CKetrelSurface* slot = &other;
    EXPECT_EQ(0, manager.ReleaseImage(&slot));
}

// An image still held when its pack is removed stays usable; it goes with its last
// release, so a pack added later can supply the name again.
TEST_F(ImageFixture, ImageOfARemovedPackGoesWithItsLastRelease)
{
    const std::string first = folder.File("first.vad");
    ASSERT_TRUE(WriteTestPack(first, {{"/a.png", MakeSolidPng(4, 4, 0xFF111111)},
                                      {"/b.png", MakeSolidPng(4, 4, 0xFF222222)}}));
    ASSERT_EQ(1, manager.AddMediaPack(Str(first), 1, 0));
    CKetrelSurface* held = Get(L"a.png");
    ASSERT_NE(nullptr, held);
    ASSERT_EQ(1, manager.RemoveMediaPack(Str(first), 1));
    EXPECT_EQ(nullptr, Get(L"b.png"));           // not loaded: gone with the pack
    EXPECT_EQ(held, Get(L"a.png"));              // loaded: kept for its holders
    EXPECT_EQ(2, ReleasesUntilFreed(manager, held));

    AddPack("second.vad", {{"/a.png", MakeSolidPng(6, 6, 0xFF333333)}});
    CKetrelSurface* fresh = Get(L"a.png");
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(6, fresh->GetWidth());
}

// Images of a pack with a design size are scaled by side / design size, truncated,
// never below one pixel; without a design size they keep their stored size.
TEST_F(ImageFixture, DesignSizeScalesToTheScreenSide)
{
    struct Case
    {
        const char* name;
        int design;           // 0: no description
        int width, height;    // screen
        int imageW, imageH;
        int expectedW, expectedH;
    };
    const Case cases[] = {
        {"no description", 0, 640, 360, 64, 32, 64, 32},
        {"480 on 360", 480, 640, 360, 64, 32, 48, 24},
        {"480 on portrait 360", 480, 360, 640, 64, 32, 48, 24},
        {"same side", 480, 800, 480, 64, 32, 64, 32},
        {"240 on 480", 240, 800, 480, 10, 6, 20, 12},
        {"truncated", 480, 640, 360, 5, 3, 3, 2},
        {"never below a pixel", 480, 320, 240, 1, 1, 1, 1},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        ASSERT_TRUE(app.SetScreen(c.width, c.height));
        CBrixResourceManager local;
        local.Init(&app, nullptr);
        std::vector<TestEntry> entries = {{"/pic.png", MakeSolidPng(c.imageW, c.imageH, 0xFF445566)}};
        if (c.design)
            entries.push_back({"/vad.meta", MakeMeta(c.design, 0)});
        const std::string path = folder.File("scale" + std::to_string(n++) + ".vad");
        ASSERT_TRUE(WriteTestPack(path, entries));
        ASSERT_EQ(1, local.AddMediaPack(Str(path), 1, 0));
        CKetrelSurface* image = local.GetImage(CKetrelString(L"pic.png"));
        ASSERT_NE(nullptr, image) << c.name;
        EXPECT_EQ(c.expectedW, image->GetWidth()) << c.name;
        EXPECT_EQ(c.expectedH, image->GetHeight()) << c.name;
        EXPECT_EQ(0xFF445566u, image->GetPixel(c.expectedW - 1, c.expectedH - 1)) << c.name;
    }
}

// Scaling by 3/4 gives exactly the engine's smooth stretch of the stored image, pixel
// for pixel: a 64 x 32 image, red on its left half and blue on its right, becomes
// 48 x 24, pure colours away from the edge.
TEST_F(ImageFixture, ScaledPixelsAreTheEnginesStretch)
{
    ASSERT_TRUE(app.SetScreen(640, 360));
    const std::string png = MakePng(64, 32, [](int x, int) {
        return x < 32 ? 0xFFFF0000u : 0xFF0000FFu;
    });
    AddPack("halves.vad", {{"/vad.meta", MakeMeta(480, 0)}, {"/halves.png", png}});
    CKetrelSurface* image = Get(L"halves.png");
    ASSERT_NE(nullptr, image);
    ASSERT_EQ(48, image->GetWidth());
    ASSERT_EQ(24, image->GetHeight());

    CKetrelSurface stored, expected;
    ASSERT_EQ(KE_OK, stored.LoadFromMemory(&app, png.data(), (int)png.size(), nullptr));
    CKetrelSurfaceDesc desc = {48, 24, 0, stored.GetPixelFormat(), 0, stored.GetBytesPerPixel()};
    ASSERT_EQ(KE_OK, expected.Create(&app, &desc));
    ASSERT_EQ(KE_OK, expected.StretchBlit(nullptr, &stored, nullptr, KE_BLT_SMOOTH));
    int differ = 0, impure = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 48; ++x)
        {
            differ += image->GetPixel(x, y) != expected.GetPixel(x, y);
            if (x < 23 || x > 24)
                impure += image->GetPixel(x, y) != (x < 24 ? 0xFFFF0000u : 0xFF0000FFu);
        }
    EXPECT_EQ(0, differ);
    EXPECT_EQ(0, impure);
}

// A pack that asks for separate alpha gives its JPEG images the alpha of their
// "_alpha" companion; other packs leave them opaque.
TEST_F(ImageFixture, SeparateAlphaComesFromTheCompanion)
{
    struct Case { const char* name; int separate; u32 alpha; };
    const Case cases[] = {
        {"asked for", 1, 0x40},
        {"not asked for", 0, 0xFF},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        CBrixResourceManager local;
        local.Init(&app, nullptr);
        const std::string path = folder.File("alpha" + std::to_string(n++) + ".vad");
        ASSERT_TRUE(WriteTestPack(path, {{"/vad.meta", MakeMeta(0, 0, "", "", c.separate)},
                                         {"/pic.jpg", MakeSolidJpeg(8, 8, 0xFF0000)},
                                         {"/pic_alpha.jpg", MakeSolidJpeg(8, 8, 0x404040)}}));
        ASSERT_EQ(1, local.AddMediaPack(Str(path), 1, 0));
        CKetrelSurface* image = local.GetImage(CKetrelString(L"pic.jpg"));
        ASSERT_NE(nullptr, image) << c.name;
        const u32 alpha = image->GetPixel(4, 4) >> 24;
        EXPECT_NEAR((int)c.alpha, (int)alpha, 2) << c.name;
    }
}

// A texture gets mipmaps unless the pack's description or the caller's flags turn them
// off; the flags call form and the rectangle call form share the one loaded image.
TEST_F(ImageFixture, MipmapsUnlessTheDescriptionOrTheCallerSaysNo)
{
    AddPack("m.vad", {{"/vad.meta", MakeMeta(0, 0, "<file path=\"flat.png\" no_mipmaps=\"1\"/>")},
                      {"/flat.png", MakeSolidPng(8, 8, 0xFF0000FF)},
                      {"/tree.png", MakeSolidPng(8, 8, 0xFF00FF00)}});
    struct Case
    {
        const wchar_t* name;
        u32 flags;
        int mipmapped;
    };
    const Case cases[] = {
        {L"tree.png", 0u, 1},
        {L"tree.png", BRIX_IMAGE_NO_MIPMAPS, 0},
        {L"flat.png", 0u, 0},
        {L"flat.png", BRIX_IMAGE_NO_MIPMAPS, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface* image = manager.GetImage(CKetrelString(c.name), c.flags);
        ASSERT_NE(nullptr, image) << c.flags;
        EXPECT_EQ(c.mipmapped, image->IsMipmapped()) << c.flags;
        EXPECT_EQ(image, manager.GetImage(CKetrelString(c.name), 0));
        EXPECT_EQ(image, Get(c.name));
        EXPECT_EQ(3, ReleasesUntilFreed(manager, image)) << c.flags;
    }
    EXPECT_EQ(nullptr, manager.GetImage(CKetrelString(L""), 0));
    EXPECT_EQ(nullptr, manager.GetImage(CKetrelString(L"missing.png"), 0u));
}
