// The user's owned items: which of the lobby's records the match announces, and what
// their descriptions in the downloaded item data packs say.
#include <gtest/gtest.h>

#include "ItemPackTestKit.h"
#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubItemDescription.h"
#include "game/screens/JubOwnedItems.h"

TEST(JubOwnedItems, DescriptionsComeFromTheItemsOwnPack)
{
    PackFolder folder;
    ASSERT_FALSE(folder.dir.empty());
    folder.Write(1, PackBytes({{"5.xml", ItemXml("type=\"Hat\" variable=\"30\" filename=\"tophat.png\"")},
                               {"items/tophat.png", "picture"},
                               {"6.xml", ItemXml("type=\"sword\" variable=\"500\"")},
                               {"7.xml", "<item><name>no attributes</name></item>"},
                               {"8.xml", std::string(JUB_ITEM_FILE_MAX + 1, ' ')},
                               {"15.xml", ItemXml("type=\"snow\"")}}));
    folder.Write(2, "this is not a media pack");
    // A directory whose one record lies past the end of the file.
    std::string cut = PackBytes({{"5.xml", ItemXml("type=\"snow\"")}});
    folder.Write(3, cut.substr(0, cut.size() - 10));
    folder.Write(4, PackBytes({{"sub/5.xml", ItemXml("type=\"cluster\"")}}));
    folder.Write(5, PackBytes({{"15.xml", ItemXml("type=\"snow\"")}}));

    struct Row
    {
        const char* what;
        std::string path;
        u32 file;
        int rc;
        i32 type;          // when read
        int registered;    // the pack is then known to the resource manager
    } rows[] = {
        {"a hat", folder.Path(1), 5, KE_OK, JUB_ITEM_HAT, 1},
        {"an item of another kind", folder.Path(1), 6, KE_OK, JUB_ITEM_NONE, 1},
        {"a description in a folder of the pack", folder.Path(4), 5, KE_OK, JUB_ITEM_CLUSTER, 1},
        {"an unknown item", folder.Path(1), 9, KE_ERR_NOT_FOUND, 0, 0},
        {"a name that only ends like another", folder.Path(5), 5, KE_ERR_NOT_FOUND, 0, 0},
        {"a description without attributes", folder.Path(1), 7, KE_ERR_FORMAT, 0, 0},
        {"an oversized description", folder.Path(1), 8, KE_ERR_FORMAT, 0, 0},
        {"a missing pack", folder.Path(9), 5, KE_ERR_OPEN, 0, 0},
        {"a file that is no pack", folder.Path(2), 5, KE_ERR_FORMAT, 0, 0},
        {"a cut pack", folder.Path(3), 5, KE_ERR_FORMAT, 0, 0},
        {"no pack path", "", 5, KE_ERR_NOT_FOUND, 0, 0},
    };
    for (const Row& row : rows)
    {
        CBrixResourceManager resources;
        resources.Init(nullptr, nullptr);
        CJubItemInfo info;
        info.variable = 12345;
        const CKetrelString path(row.path.c_str());
        EXPECT_EQ(row.rc, CJubOwnedItems::Read(path, row.file, &resources, &info)) << row.what;
        EXPECT_EQ(row.registered, resources.HasMediaPack(path)) << row.what;
        if (row.rc == KE_OK)
        {
            EXPECT_EQ(row.type, info.type) << row.what;
        }
        else
        {
            EXPECT_EQ(12345, info.variable) << row.what << ": untouched on failure";
        }
    }

    // The hat's numbers, and its picture reachable by name once the pack is read; the
    // pack is added once however often its items are read.
    CBrixResourceManager resources;
    resources.Init(nullptr, nullptr);
    CJubItemInfo hat;
    ASSERT_EQ(KE_OK, CJubOwnedItems::Read(CKetrelString(folder.Path(1).c_str()), 5, &resources, &hat));
    EXPECT_EQ(30, hat.variable);
    EXPECT_EQ("tophat.png", Utf8(hat.fileName));
    ASSERT_EQ(KE_OK, CJubOwnedItems::Read(CKetrelString(folder.Path(1).c_str()), 5, &resources, &hat));
    EXPECT_EQ(1, resources.RemoveMediaPack(CKetrelString(folder.Path(1).c_str()), 1));
    EXPECT_EQ(0, resources.RemoveMediaPack(CKetrelString(folder.Path(1).c_str()), 1));
    resources.AddMediaPack(CKetrelString(folder.Path(1).c_str()), 1, 0);
    u8* bytes = nullptr;
    EXPECT_EQ(7, resources.ReadResource(CKetrelString("tophat.png"), &bytes));
    delete[] bytes;

    // A pack the manager already knows does not lend its files to another pack's item.
    EXPECT_EQ(KE_ERR_NOT_FOUND,
              CJubOwnedItems::Read(CKetrelString(folder.Path(4).c_str()), 6, &resources, &hat));
    EXPECT_EQ(KE_ERR_ARGUMENT, CJubOwnedItems::Read(CKetrelString(folder.Path(1).c_str()), 5, &resources, nullptr));
    // Without a resource manager the description is still read.
    EXPECT_EQ(KE_OK, CJubOwnedItems::Read(CKetrelString(folder.Path(1).c_str()), 15, nullptr, &hat));
    EXPECT_EQ(JUB_ITEM_SNOW, hat.type);
}

TEST(JubOwnedItems, TheMatchAnnouncesItemsThatAreOnAndLeft)
{
    CKetrelArray<CItemData> records;
    records.Add(ItemRecord(1, 101, 5, 11, 3));    // announced
    records.Add(ItemRecord(0, 102, 5, 12, 4));    // switched off
    records.Add(ItemRecord(1, 103, 0, 13, 5));    // used up
    records.Add(ItemRecord(1, 104, -2, 14, 6));   // a negative amount is none
    records.Add(ItemRecord(1, 105, 1, 15, 0));    // no description
    records.Add(ItemRecord(1, 106, 1, 16, -1));
    records.Add(ItemRecord(1, 201, 1, 21, 7));    // announced
    for (i32 i = 0; i < 4; ++i)
        records.Add(ItemRecord(1, 300 + i, 1, 30, 8 + i));

    CJubOwnedItem items[JUB_OWNED_ITEMS_MAX + 1];
    ASSERT_EQ(JUB_OWNED_ITEMS_MAX, CJubOwnedItems::Collect(&records, items, JUB_OWNED_ITEMS_MAX));
    const u32 expected[JUB_OWNED_ITEMS_MAX][3] = {{101, 3, 11}, {201, 7, 21}, {300, 8, 30}, {301, 9, 30}};
    for (i32 i = 0; i < JUB_OWNED_ITEMS_MAX; ++i)
    {
        EXPECT_EQ(expected[i][0], items[i].itemId) << i;
        EXPECT_EQ(expected[i][1], items[i].fileNumber) << i;
        EXPECT_EQ(expected[i][2], items[i].packNumber) << i;
    }
    EXPECT_EQ(0, CJubOwnedItems::Collect(nullptr, items, 4));
    EXPECT_EQ(0, CJubOwnedItems::Collect(&records, items, 0));
    EXPECT_EQ(0, CJubOwnedItems::Collect(&records, nullptr, 4));
}
