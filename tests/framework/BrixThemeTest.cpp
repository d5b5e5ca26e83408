#include "FrameworkTestKit.h"

#include "engine/KetrelMD5.h"
#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "framework/BrixTheme.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
u32 Colour(const CBrixTheme& theme, const char* name, u32 missing = 0x12345678)
{
    u32 c = missing;
    theme.FindColour(Str(name), &c);
    return c;
}

std::string ThemeXml(const std::string& colours)
{
    return "<theme><config type=\"color\">" + colours + "</config></theme>";
}

// A theme of our own name, its packs removed again.
struct ThemePacks
{
    UserDataApp& app;
    std::string name;
    std::vector<std::string> written;

    explicit ThemePacks(UserDataApp& a) : app(a)
    {
        char n[32];
        snprintf(n, sizeof n, "fwtheme%d", (int)getpid());
        name = n;
    }
    ~ThemePacks()
    {
        for (const std::string& f : written)
            unlink(f.c_str());
    }
    bool Write(bool userFolder, const std::string& colours)
    {
        const std::string file = "brixtheme_" + name + ".vad";
        std::string path = userFolder ? app.UserFile(file) : app.ProgramFile(file);
        written.push_back(path);
        return WriteTestPack(path, {{"/theme_" + name + ".xml", ThemeXml(colours)},
                                    {"/panel_" + name + ".png", MakeSolidPng(2, 2, 0xFF00FF00)}});
    }
};
}

TEST(BrixThemeColours, AlphaAndReplacement)
{
    struct Case { const char* name; u32 in; u32 stored; };
    const Case cases[] = {
        {"six digits", 0x00FF8800, 0xFFFF8800},
        {"alpha 0x80 kept", 0x80FF8800, 0x80FF8800},
        {"alpha 0x0F made opaque", 0x0FFF8800, 0xFFFF8800},
        {"alpha 0x10 kept", 0x10000000, 0x10000000},
        {"zero", 0, 0xFF000000},
    };
    CBrixTheme theme;
    for (const Case& c : cases)
    {
        theme.AddColour({Str(c.name), c.in});
        EXPECT_EQ(c.stored, Colour(theme, c.name)) << c.name;
    }
    theme.AddColour({Str("zero"), 0x80000001});
    EXPECT_EQ(0x80000001u, Colour(theme, "zero"));
    EXPECT_EQ(5, theme.GetColourCount());
    EXPECT_EQ(0x12345678u, Colour(theme, "Zero"));    // exact names only; output untouched
    EXPECT_EQ(0, theme.FindColour(Str("nothing"), nullptr));
}

TEST(BrixThemeColours, ColoursFromXml)
{
    struct Case { const char* name; std::string xml; const char* colour; u32 expect; };
    const Case cases[] = {
        {"six digits", ThemeXml("<color id=\"a\" value=\"ff8800\"/>"), "a", 0xFFFF8800},
        {"eight digits", ThemeXml("<color id=\"a\" value=\"80112233\"/>"), "a", 0x80112233},
        {"type ignores case", "<t><config type=\"CoLoR\"><color id=\"a\" value=\"1\"/></config></t>", "a",
         0xFF000001},
        {"other config type", "<t><config type=\"font\"><color id=\"a\" value=\"1\"/></config></t>", "a", 0},
        {"later definition wins", ThemeXml("<color id=\"a\" value=\"1\"/><color id=\"a\" value=\"2\"/>"),
         "a", 0xFF000002},
        {"no hex digits", ThemeXml("<color id=\"a\" value=\"zz\"/>"), "a", 0xFF000000},
        {"no id", ThemeXml("<color value=\"123456\"/>"), "", 0},
        {"broken XML", "<theme><config type=\"color\"><color id=\"a\" value=", "a", 0},
        {"nested deeper", "<a><b><config type=\"color\"><color id=\"a\" value=\"ff\"/></config></b></a>", "a",
         0xFF0000FF},
    };
    for (const Case& c : cases)
    {
        CBrixTheme theme;
        theme.AddColoursFromXml(c.xml.data(), (u32)c.xml.size());
        EXPECT_EQ(c.expect, Colour(theme, c.colour, 0)) << c.name;
    }
}

TEST(BrixThemePacks, FoldersDigestAndRefusedNames)
{
    UserDataApp app;
    ThemePacks packs(app);
    CBrixResourceManager resources;
    resources.Init(&app, nullptr);

    CBrixTheme missing;
    EXPECT_EQ(KE_ERR_NOT_FOUND, missing.Init(&app, &resources, Str(packs.name)));
    EXPECT_EQ(0, missing.GetColourCount());
    EXPECT_TRUE(missing.GetPackDigest().IsEmpty());

    ASSERT_TRUE(packs.Write(false, "<color id=\"text\" value=\"111111\"/>"));
    ASSERT_TRUE(packs.Write(true, "<color id=\"text\" value=\"222222\"/>"));
    CBrixTheme theme;
    ASSERT_EQ(KE_OK, theme.Init(&app, &resources, Str(packs.name)));
    EXPECT_EQ(0xFF222222u, Colour(theme, "text"));       // the user data folder wins
    CKetrelString xml;
    theme.GetXmlFileName(xml);
    EXPECT_TRUE(xml.Equals(Str("theme_" + packs.name + ".xml")));

    // The digest is the program folder's pack, whichever one was loaded.
    CKetrelString expected;
    std::string bytes = ReadFileBytes(app.ProgramFile("brixtheme_" + packs.name + ".vad"));
    CKetrelMD5 md5;
    md5.DigestBuffer((const u8*)bytes.data(), (u32)bytes.size());
    md5.GetHexDigest(expected);
    EXPECT_TRUE(theme.GetPackDigest().Equals(expected));

    for (const char* bad : {"../../etc/x", ".hidden", "a b", "", "tolvane/white"})
    {
        CBrixTheme refused;
        EXPECT_EQ(KE_ERR_ARGUMENT, refused.Init(&app, &resources, Str(bad))) << bad;
    }
}
