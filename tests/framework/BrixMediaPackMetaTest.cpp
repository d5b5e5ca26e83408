// The pack description ("vad.meta") and the surface sheets ("six").
#include "framework/BrixMediaPackMeta.h"

#include "ResourceTestKit.h"
#include "engine/KetrelMediaPack.h"

#include <gtest/gtest.h>

TEST(BrixBareFileName, StripsFoldersOfBothKinds)
{
    struct Case { const char* path; const char* bare; const char* ext; };
    const Case cases[] = {
        {"/gfx/logo.png", "logo.png", "png"},
        {"logo.PNG", "logo.PNG", "PNG"},
        {"/a\\b\\c.fnt", "c.fnt", "fnt"},
        {"\\x/y.ogg", "y.ogg", "ogg"},
        {"/dir.v2/file", "file", "v2/file"},
        {"/folder/", "", ""},
        {"noext", "noext", ""},
        {"", "", ""},
    };
    for (const Case& c : cases)
    {
        CKetrelString bare, ext;
        BrixBareFileName(CKetrelString(c.path), bare);
        BrixFileExtension(CKetrelString(c.path), ext);
        EXPECT_TRUE(bare.Equals(CKetrelString(c.bare))) << c.path;
        EXPECT_TRUE(ext.Equals(CKetrelString(c.ext))) << c.path;
    }
}

TEST(BrixMediaPackMeta, ReadsSizesAlphaAndFileFlags)
{
    struct Flag { const char* name; u32 image; u32 font; };
    struct Case
    {
        const char* name;
        const char* text;
        int read;
        i32 imageSize, fontSize, alpha;
        std::vector<Flag> flags;
    };
    const Case cases[] = {
        {"full",
         "<whatever><image><original_size value=\"480\"/><separate_alpha value=\"5\"/>"
         "<files><file path=\"a.png\" no_mipmaps=\"1\"/><file path=\"b.png\"/>"
         "<file path=\"gfx/c.png\" no_mipmaps=\"1\"/></files></image>"
         "<font><original_size value=\"360\"/><files><file path=\"f.fnt\" keep_color=\"2\"/>"
         "</files></font></whatever>",
         1, 480, 360, 1,
         {{"a.png", 1, 0}, {"b.png", 0, 0}, {"c.png", 0, 0}, {"gfx/c.png", 1, 0}, {"f.fnt", 0, 1}}},
        {"siblings after the first file count whatever their name",
         "<m><image><files><x path=\"before.png\" no_mipmaps=\"1\"/>"
         "<file path=\"one.png\" no_mipmaps=\"1\"/><y path=\"two.png\" no_mipmaps=\"1\"/>"
         "<file no_mipmaps=\"1\"/></files></image></m>",
         1, 0, 0, 0, {{"before.png", 0, 0}, {"one.png", 1, 0}, {"two.png", 1, 0}}},
        {"zero alpha and no digits",
         "<m><image><original_size value=\"big\"/><separate_alpha value=\"0\"/></image>"
         "<font><original_size/></font></m>",
         1, 0, 0, 0, {}},
        {"only the first image block",
         "<m><image><original_size value=\"240\"/></image>"
         "<image><original_size value=\"640\"/></image></m>",
         1, 240, 0, 0, {}},
        {"blocks below the root only",
         "<m><x><image><original_size value=\"240\"/></image></x></m>", 1, 0, 0, 0, {}},
        {"no element", "just text", 0, 0, 0, 0, {}},
        {"empty", "", 0, 0, 0, 0, {}},
    };
    for (const Case& c : cases)
    {
        CBrixMediaPackMeta meta;
        EXPECT_EQ(c.read, meta.Parse(c.text, (u32)strlen(c.text))) << c.name;
        EXPECT_EQ(c.imageSize, meta.GetImageDesignSize()) << c.name;
        EXPECT_EQ(c.fontSize, meta.GetFontDesignSize()) << c.name;
        EXPECT_EQ(c.alpha, meta.HasSeparateAlpha()) << c.name;
        for (const Flag& f : c.flags)
        {
            EXPECT_EQ(f.image, meta.GetImageFlags(CKetrelString(f.name))) << c.name << " " << f.name;
            EXPECT_EQ(f.font, meta.GetFontFlags(CKetrelString(f.name))) << c.name << " " << f.name;
        }
    }
}

// A description that cannot be read leaves nothing of an earlier one behind.
TEST(BrixMediaPackMeta, UnreadableDescriptionKeepsTheDefaults)
{
    TestFolder folder;
    const std::string with = folder.File("with.vad");
    const std::string broken = folder.File("broken.vad");
    const std::string without = folder.File("without.vad");
    ASSERT_TRUE(WriteTestPack(with, {{"/vad.meta", MakeMeta(480, 320, "<file path=\"a.png\" no_mipmaps=\"1\"/>")}}));
    ASSERT_TRUE(WriteTestPack(broken, {{"/vad.meta", "<<<>>> not xml"}, {"/a.png", "x"}}));
    ASSERT_TRUE(WriteTestPack(without, {{"/a.png", "x"}}));

    CBrixMediaPackMeta meta;
    for (const std::string& path : {broken, without})
    {
        CKetrelMediaPack pack;
        ASSERT_EQ(KE_OK, pack.Open(Str(with), CKetrelString()));
        ASSERT_EQ(1, meta.Read(&pack));
        ASSERT_EQ(480, meta.GetImageDesignSize());
        ASSERT_EQ(1u, meta.GetImageFlags(CKetrelString(L"a.png")));
        ASSERT_EQ(KE_OK, pack.Open(Str(path), CKetrelString()));
        EXPECT_EQ(0, meta.Read(&pack)) << path;
        EXPECT_EQ(0, meta.GetImageDesignSize()) << path;
        EXPECT_EQ(0, meta.GetFontDesignSize()) << path;
        EXPECT_EQ(0u, meta.GetImageFlags(CKetrelString(L"a.png"))) << path;
    }
}

TEST(BrixSurfaceSheet, ReadsNamedRectangles)
{
    struct Rect { const char* name; f32 l, t, r, b; };
    struct Case
    {
        const char* name;
        const char* text;
        int read;
        const char* image;
        std::vector<Rect> rects;
    };
    const Case cases[] = {
        {"edges and defaults",
         "<surfaces image=\"gfx\\\\art/sheet.png\"><surface name=\"a\" left=\"1\" top=\"2\" "
         "right=\"3.5\" bottom=\"4\"/><surface name=\"b\" right=\"9\"/></surfaces>",
         1, "sheet.png", {{"a", 1, 2, 3.5f, 4}, {"b", 0, 0, 9, 0}}},
        {"element names in any case, others skipped",
         "<surfaces image=\"s.png\"><SURFACE name=\"up\" right=\"1\"/><Surface name=\"mixed\"/>"
         "<rect name=\"no\"/>text</surfaces>",
         1, "s.png", {{"up", 0, 0, 1, 0}, {"mixed", 0, 0, 0, 0}}},
        {"duplicates kept in order",
         "<surfaces><surface name=\"d\" left=\"1\"/><surface name=\"d\" left=\"2\"/></surfaces>",
         1, "", {{"d", 1, 0, 0, 0}, {"d", 2, 0, 0, 0}}},
        {"only top-level surfaces",
         "<root><surfaces image=\"s.png\"><surface name=\"a\"/></surfaces></root>", 0, "", {}},
        {"first surfaces element",
         "<surfaces image=\"one.png\"/><surfaces image=\"two.png\"><surface name=\"x\"/></surfaces>",
         1, "one.png", {}},
        {"not xml", "surfaces", 0, "", {}},
    };
    for (const Case& c : cases)
    {
        CBrixSurfaceSheet sheet;
        EXPECT_EQ(c.read, sheet.Parse(c.text, (u32)strlen(c.text))) << c.name;
        EXPECT_TRUE(sheet.GetImageName().Equals(CKetrelString(c.image))) << c.name;
        ASSERT_EQ((i32)c.rects.size(), sheet.GetCount()) << c.name;
        for (size_t i = 0; i < c.rects.size(); ++i)
        {
            const CBrixSheetSurface& s = sheet.GetAt((i32)i);
            EXPECT_TRUE(s.name.Equals(CKetrelString(c.rects[i].name))) << c.name;
            EXPECT_EQ(c.rects[i].l, s.rect.left) << c.name;
            EXPECT_EQ(c.rects[i].t, s.rect.top) << c.name;
            EXPECT_EQ(c.rects[i].r, s.rect.right) << c.name;
            EXPECT_EQ(c.rects[i].b, s.rect.bottom) << c.name;
        }
    }
}

// Every prefix of a valid sheet and description is read without harm.
TEST(BrixSurfaceSheet, EveryPrefixIsSafe)
{
    const std::string six = "<surfaces image=\"s.png\"><surface name=\"a\" left=\"1\" top=\"2\" "
                            "right=\"3\" bottom=\"4\"/></surfaces>";
    const std::string meta = MakeMeta(480, 360, "<file path=\"a.png\" no_mipmaps=\"1\"/>");
    for (size_t n = 0; n <= six.size(); ++n)
    {
        CBrixSurfaceSheet sheet;
        sheet.Parse(six.data(), (u32)n);
        EXPECT_LE(sheet.GetCount(), 1);
    }
    for (size_t n = 0; n <= meta.size(); ++n)
    {
        CBrixMediaPackMeta m;
        m.Parse(meta.data(), (u32)n);
        EXPECT_TRUE(m.GetImageDesignSize() == 0 || m.GetImageDesignSize() == 480);
    }
}
