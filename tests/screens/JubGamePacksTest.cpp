#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"

#include <cmath>
#include <cstdlib>

// The packs built beside the program hold every image, sound, level, font and text that
// the game object and its screens ask for by name.
namespace
{
std::string Built(const std::string& name)
{
    return std::string(KETREL_BINARY_DIR) + "/main/" + name;
}

bool Has(CBrixResourceManager& resources, const CKetrelString& name)
{
    char* data = nullptr;
    const i32 size = resources.LoadFileData(name, &data);
    delete[] data;
    return size > 0;
}

TEST(JubGamePacks, EveryAssetTheGameNamesIsInAPack)
{
    CBrixResourceManager resources;
    resources.Init(nullptr, nullptr);
    for (i32 i = 0; i < JUB_DATA_PACK_COUNT; ++i)
        ASSERT_EQ(1, resources.AddMediaPack(CKetrelString(Built(Utf8(CJubAssetNames::DataPack(i))).c_str()), 1, 0))
            << Utf8(CJubAssetNames::DataPack(i));
    const i32 tables[] = {JUB_TABLE_IMAGES, JUB_TABLE_SOUNDS, JUB_TABLE_TRAINING_SCENES,
                          JUB_TABLE_BATTLE_SCENES, JUB_TABLE_HELP_PICTURES, JUB_TABLE_FONTS};
    for (i32 table : tables)
        for (i32 i = 0; i < CJubAssetNames::GetCount(table); ++i)
            EXPECT_TRUE(Has(resources, CJubAssetNames::Get(table, i)))
                << "table " << table << ": " << Utf8(CJubAssetNames::Get(table, i));
    for (const char* other : {"torch.png", "foo.png"})
        EXPECT_TRUE(Has(resources, CKetrelString(other))) << other;
}

// An application drawing into a software target of a chosen size, without a display.
class SoftwareScreen : public IKetrelApplication
{
public:
    void OnFrame() override {}
    bool SetScreen(int width, int height)
    {
        CKetrelSurfaceDesc desc = {width, height, 0, 7, 0, 4};
        return GetBackBuffer()->Create(this, &desc) == KE_OK;
    }
};

// The game's texts are as large as the lobby's body text: about a 24th of the screen's
// height, at 800 x 480 and, scaled from the 480 design, at 640 x 360.
TEST(JubGamePacks, GameFontIsTheBodyTextSizeOfTheScreen)
{
    unsetenv("DISPLAY");
    const struct { int width, height, minLine, maxLine; } screens[] = {{800, 480, 20, 30}, {640, 360, 15, 23}};
    for (const auto& screen : screens)
    {
        SoftwareScreen app;
        ASSERT_TRUE(app.SetScreen(screen.width, screen.height));
        CBrixResourceManager resources;
        resources.Init(&app, nullptr);
        ASSERT_EQ(1, resources.AddMediaPack(CKetrelString(Built("dataUI.vad").c_str()), 1, 0));
        CKetrelBitmapFont* font = resources.GetFont(CKetrelString("foo.fnt"));
        ASSERT_NE(nullptr, font) << screen.height;
        EXPECT_GE(font->GetLineHeight(), screen.minLine) << screen.height;
        EXPECT_LE(font->GetLineHeight(), screen.maxLine) << screen.height;
        resources.ReleaseFont(&font);
        resources.ReleaseAll();
    }
}

// Bubble texts are drawn white with a shadow: the bubble's face under them is dark enough
// for white to read (a contrast of at least 4.5 to 1).
TEST(JubGamePacks, ChatBubbleFacesAreDarkUnderWhiteText)
{
    unsetenv("DISPLAY");
    SoftwareScreen app;
    ASSERT_TRUE(app.SetScreen(800, 480));
    CBrixResourceManager resources;
    resources.Init(&app, nullptr);
    ASSERT_EQ(1, resources.AddMediaPack(CKetrelString(Built("dataUI.vad").c_str()), 1, 0));
    for (const char* name : {"chatbubble.png", "chatbubble_pointer.png"})
    {
        CKetrelSurface* sheet = resources.GetImage(CKetrelString(name));
        ASSERT_NE(nullptr, sheet) << name;
        const u32 face = sheet->GetPixel(sheet->GetWidth() / 2, sheet->GetHeight() / 2);
        auto linear = [](u32 c) {
            const double v = c / 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        const double luminance = 0.2126 * linear((face >> 16) & 0xFF) + 0.7152 * linear((face >> 8) & 0xFF) +
                                 0.0722 * linear(face & 0xFF);
        EXPECT_GE(1.05 / (luminance + 0.05), 4.5) << name << std::hex << " face 0x" << face;
    }
    resources.ReleaseAll();
}

TEST(JubGamePacks, GameTextsReadBack)
{
    CKetrelMediaPack pack;
    ASSERT_EQ(KE_OK, pack.Open(CKetrelString(Built("wobblixlanguage_en.vad").c_str()), CKetrelString()));
    CKetrelString text, digest;
    ASSERT_EQ(KE_OK, CBrixLanguage::ReadPackText(&pack, text, digest));
    CBrixLanguageEntry entry;
    CBrixLanguage::ParseHeader(text, entry);
    EXPECT_EQ("en", Utf8(entry.code));
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    ASSERT_GE(table.GetCount(), 22);
    for (i32 i : {11, 12, 13, 14, 15, 18, 19, 20, 21})
        EXPECT_FALSE(table[i].IsEmpty()) << i;
    EXPECT_EQ("Looking for an opponent...", Utf8(table[14]));
}
}
