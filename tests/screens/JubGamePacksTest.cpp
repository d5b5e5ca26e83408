#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"

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
