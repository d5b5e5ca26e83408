// Fonts in the resource manager: the built-in "default" font, fonts of packs scaled by
// their design size, and reference counts.
#include "framework/BrixResourceManager.h"

#include "ResourceTestKit.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"

#include <gtest/gtest.h>

namespace
{

// A descriptor of two glyphs on the page "big_page.png" (the built-in font's page).
std::string Descriptor()
{
    return "<font><info bold=\"0\"/><common lineHeight=\"20\"/>"
           "<pages><page id=\"0\" file=\"big_page.png\"/></pages><chars count=\"2\">"
           "<char id=\"65\" x=\"0\" y=\"0\" width=\"6\" height=\"8\" xoffset=\"0\" yoffset=\"0\" "
           "xadvance=\"7\" page=\"0\"/>"
           "<char id=\"66\" x=\"8\" y=\"0\" width=\"6\" height=\"8\" xoffset=\"0\" yoffset=\"0\" "
           "xadvance=\"7\" page=\"0\"/></chars></font>";
}

std::string Page()
{
    return std::string((const char*)KetrelDefaultFont::kPageImage,
                       (size_t)KetrelDefaultFont::kPageImageSize);
}

// Releases until the manager frees the font (its slot cleared).
int ReleasesUntilFreed(CBrixResourceManager& manager, CKetrelBitmapFont* font)
{
    for (int n = 1; n <= 100; ++n)
    {
        CKetrelBitmapFont* slot = font;
        if (manager.ReleaseFont(&slot) != 1)
            return -1;
        if (slot == nullptr)
            return n;
    }
    return -2;
}

} // namespace

// With no pack holding "default", the engine's built-in font serves, shared and counted,
// and made again after its last release.
TEST(BrixResourceFont, DefaultFontIsBuiltIn)
{
    TestApp app;
    ASSERT_TRUE(app.SetScreen(800, 480));
    CBrixResourceManager manager;
    manager.Init(&app, nullptr);
    for (int round = 0; round < 2; ++round)
    {
        CKetrelBitmapFont* font = manager.GetFont(CKetrelString(L"default"));
        ASSERT_NE(nullptr, font) << round;
        EXPECT_TRUE(font->GetID().Equals(CKetrelString(L"default-font"))) << round;
        EXPECT_EQ(10, font->GetLineHeight()) << round;
        EXPECT_EQ(font, manager.GetFont(CKetrelString(L"default"))) << round;
        EXPECT_EQ(1, manager.AddRefFont(font)) << round;
        EXPECT_EQ(3, ReleasesUntilFreed(manager, font)) << round;
    }
    EXPECT_EQ(nullptr, manager.GetFont(CKetrelString(L"other")));
    EXPECT_EQ(nullptr, manager.GetFont(CKetrelString()));
    CKetrelBitmapFont stranger;
    CKetrelBitmapFont* slot = &stranger;
    EXPECT_EQ(0, manager.ReleaseFont(&slot));
    EXPECT_EQ(0, manager.AddRefFont(&stranger));
    EXPECT_EQ(1, manager.AddRefFont(nullptr));
}

// A pack's font is drawn at side / design size; without a design size at 1.
TEST(BrixResourceFont, DesignSizeSetsTheScale)
{
    struct Case { const char* name; int design; int width, height; f32 scale; };
    const Case cases[] = {
        {"no description", 0, 640, 360, 1.0f},
        {"480 on 360", 480, 640, 360, 0.75f},
        {"same side", 360, 360, 640, 1.0f},
        {"240 on 480", 240, 800, 480, 2.0f},
    };
    TestFolder folder;
    int n = 0;
    for (const Case& c : cases)
    {
        TestApp app;
        ASSERT_TRUE(app.SetScreen(c.width, c.height));
        CBrixResourceManager manager;
        manager.Init(&app, nullptr);
        std::vector<TestEntry> entries = {{"/big.fnt", Descriptor()}, {"/big_page.png", Page()}};
        if (c.design)
            entries.push_back({"/vad.meta", MakeMeta(0, c.design, "", "<file path=\"big.fnt\" keep_color=\"1\"/>")});
        const std::string path = folder.File("fonts" + std::to_string(n++) + ".vad");
        ASSERT_TRUE(WriteTestPack(path, entries));
        ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
        CKetrelBitmapFont* font = manager.GetFont(CKetrelString(L"big.fnt"));
        ASSERT_NE(nullptr, font) << c.name;
        EXPECT_EQ(c.scale, font->GetScale()) << c.name;
        EXPECT_EQ((i32)(20 * c.scale), font->GetLineHeight()) << c.name;
        EXPECT_EQ(2, font->GetGlyphCount()) << c.name;
        EXPECT_EQ(1, ReleasesUntilFreed(manager, font)) << c.name;
        // Registered still: it loads again.
        font = manager.GetFont(CKetrelString(L"big.fnt"));
        ASSERT_NE(nullptr, font) << c.name;
        manager.ReleaseAll();
        EXPECT_EQ(nullptr, manager.GetFont(CKetrelString(L"big.fnt"))) << c.name;
    }
}

// A font that does not load gives nothing and stays loadable by name.
TEST(BrixResourceFont, BrokenFontGivesNothing)
{
    TestFolder folder;
    TestApp app;
    ASSERT_TRUE(app.SetScreen(640, 360));
    CBrixResourceManager manager;
    manager.Init(&app, nullptr);
    const std::string path = folder.File("bad.vad");
    ASSERT_TRUE(WriteTestPack(path, {{"/bad.fnt", "<font><common/></font>"},
                                     {"/nopage.fnt", "<font><common lineHeight=\"5\"/><pages>"
                                                     "<page id=\"0\" file=\"gone.png\"/></pages>"
                                                     "<chars count=\"0\"/></font>"}}));
    ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    EXPECT_EQ(nullptr, manager.GetFont(CKetrelString(L"bad.fnt")));
    EXPECT_EQ(nullptr, manager.GetFont(CKetrelString(L"nopage.fnt")));
    EXPECT_EQ(nullptr, manager.GetFont(CKetrelString(L"bad.fnt")));
}
