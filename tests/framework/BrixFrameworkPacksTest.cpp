#include "FrameworkTestKit.h"

#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "framework/BrixAchievements.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixResourceManager.h"
#include "framework/BrixTheme.h"

#include <cstring>
#include <gtest/gtest.h>

// The packs the build writes beside the program hold what start-up and the services
// look up, and each of them reads back through the code that uses it.
namespace
{
std::string Built(const std::string& name) { return std::string(KETREL_BINARY_DIR) + "/main/" + name; }

std::string Utf8Of(const CKetrelString& s)
{
    std::vector<char> utf(s.ToUTF8(nullptr));
    s.ToUTF8(utf.data());
    return utf.data();
}

std::string FileData(CBrixResourceManager& resources, const char* name)
{
    char* data = nullptr;
    i32 size = resources.LoadFileData(Str(name), &data);
    std::string out(data ? data : "", data ? (size_t)size : 0);
    delete[] data;
    return out;
}
}

TEST(BrixFrameworkPacks, EveryScreenSizeHasFontsAndLobby)
{
    for (int size : {1536, 640, 480, 360, 320, 240})
    {
        TestApp app;
        ASSERT_TRUE(app.SetScreen(size * 5 / 3, size));
        CBrixResourceManager resources;
        resources.Init(&app, nullptr);
        for (const char* base : {"brixfonts_", "brixlobby_"})
            ASSERT_EQ(1, resources.AddMediaPack(Str(Built(base + std::to_string(size) + ".vad")), 1, 0))
                << base << size;
        // Body text about a 24th of the side, titles larger (line heights include leading).
        const struct { const char* name; int minLine, maxLine; } fonts[] = {
            {"brix_text.fnt", size / 24, size / 16}, {"brix_title.fnt", size / 16 + 1, size / 10}};
        for (const auto& f : fonts)
        {
            CKetrelBitmapFont* font = resources.GetFont(Str(f.name));
            ASSERT_NE(nullptr, font) << size << " " << f.name;
            EXPECT_GE(font->GetLineHeight(), f.minLine) << size << " " << f.name;
            EXPECT_LE(font->GetLineHeight(), f.maxLine) << size << " " << f.name;
            EXPECT_EQ(218, font->GetGlyphCount()) << size << " " << f.name;
            resources.ReleaseFont(&font);
        }
        for (const char* image : {"lobby_panel.png", "lobby_button.png", "lobby_button_pressed.png"})
        {
            CKetrelSurface* surface = resources.GetImage(Str(image));
            EXPECT_NE(nullptr, surface) << size << " " << image;
            resources.ReleaseImage(&surface);
        }
    }
}

TEST(BrixFrameworkPacks, SoundsAndLayouts)
{
    TestApp app;
    CBrixResourceManager resources;
    resources.Init(&app, nullptr);
    ASSERT_EQ(1, resources.AddMediaPack(Str(Built("brixsounds.vad")), 1, 0));
    ASSERT_EQ(1, resources.AddMediaPack(Str(Built("brixlayouts.vad")), 1, 0));
    for (const char* sound : {"ui_click.wav", "ui_open.wav", "ui_close.wav", "ui_notify.wav", "ui_error.wav"})
        EXPECT_EQ(0, FileData(resources, sound).compare(0, 4, "RIFF")) << sound;
    const std::string menu = FileData(resources, "menu_root.xml");
    for (const char* name : {"\"menu_root\"", "\"brix_button_root\"", "\"brix_button\"", "\"shop_page_list\"",
                             "\"my_items_page_list\"", "<area"})
        EXPECT_NE(std::string::npos, menu.find(name)) << name;
    EXPECT_FALSE(FileData(resources, "toast-root.xml").empty());
    EXPECT_FALSE(FileData(resources, "ad-root.xml").empty());
}

TEST(BrixFrameworkPacks, EnglishTexts)
{
    CKetrelMediaPack pack;
    ASSERT_EQ(KE_OK, pack.Open(Str(Built("brixlanguage_en.vad")), CKetrelString()));
    CKetrelString text, digest;
    ASSERT_EQ(KE_OK, CBrixLanguage::ReadPackText(&pack, text, digest));
    CBrixLanguageEntry entry;
    CBrixLanguage::ParseHeader(text, entry);
    EXPECT_EQ("English", Utf8Of(entry.name));
    EXPECT_EQ("en", Utf8Of(entry.code));
    EXPECT_EQ(0, entry.hasOwnFont);
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    ASSERT_GT(table.GetCount(), 209);
    EXPECT_EQ("No network connection.\nYou can still play offline.", Utf8Of(table[3]));
    for (i32 i = 0; i <= 45; ++i)
        EXPECT_FALSE(table[i].IsEmpty()) << i;
    // Texts used as formats take their one argument.
    CKetrelString line;
    line.Format(table[36].GetBuffer(), CKetrelString(L"Aino"));
    EXPECT_EQ("Welcome back, Aino!", Utf8Of(line));
}

TEST(BrixFrameworkPacks, ThemeAndAchievements)
{
    TestApp app;
    CBrixResourceManager resources;
    resources.Init(&app, nullptr);
    ASSERT_EQ(1, resources.AddMediaPack(Str(Built("brixtheme_tolvane-white.vad")), 1, 0));
    const std::string xml = FileData(resources, "theme_tolvane-white.xml");
    CBrixTheme theme;
    EXPECT_EQ(14, theme.AddColoursFromXml(xml.data(), (u32)xml.size()));
    u32 colour = 0;
    EXPECT_EQ(1, theme.FindColour(Str("text"), &colour));
    EXPECT_EQ(0xFF202020u, colour);
    // Received chat lines are drawn on the light chat panel, so they must be dark.
    EXPECT_EQ(1, theme.FindColour(Str("chat_message_default"), &colour));
    EXPECT_EQ(0xFF202020u, colour);
    EXPECT_EQ(1, theme.FindColour(Str("shade"), &colour));
    EXPECT_EQ(0x80000000u, colour);

    UserDataApp userApp;
    CBrixAchievementStation station;
    ASSERT_EQ(KE_OK, station.Init(&userApp, 64, Str(Built("achievements.vad"))));
    CBrixAchievementList* list = station.GetCurrentList();
    ASSERT_EQ(5, list->GetCount());
    for (i32 i = 0; i < list->GetCount(); ++i)
    {
        CBrixAchievement* a = list->GetAt(i);
        EXPECT_EQ((u32)i + 1, a->GetId());
        EXPECT_FALSE(a->GetDescription().IsEmpty()) << i;
        a->LoadIcon();
        EXPECT_NE(nullptr, a->GetIcon()) << i;
    }
}
