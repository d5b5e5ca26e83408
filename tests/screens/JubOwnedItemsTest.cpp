// The user's owned items: which records the match announces, what their descriptions in
// the downloaded item data packs say, and the way from the lobby's records through the
// game object to the play screen's players and HUD.
#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "framework/BrixItemRecord.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubItemDescription.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "game/screens/JubOwnedItems.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
typedef std::vector<std::pair<std::string, std::string>> Entries;

// A media pack file: "KMP2", count, directory {u16 name length, name, u32 record offset},
// records {u32 0, u32 size, data}.
std::string PackBytes(const Entries& entries)
{
    auto put32 = [](std::string& s, u32 v) {
        for (int b = 0; b < 4; ++b)
            s += (char)(v >> (8 * b));
    };
    size_t directory = 8;
    for (const auto& e : entries)
        directory += 2 + e.first.size() + 4;
    std::string head = "KMP2", records;
    put32(head, (u32)entries.size());
    for (const auto& e : entries)
    {
        head += (char)(e.first.size() & 0xFF);
        head += (char)(e.first.size() >> 8);
        head += e.first;
        put32(head, (u32)(directory + records.size()));
        put32(records, 0);
        put32(records, (u32)e.second.size());
        records += e.second;
    }
    return head + records;
}

std::string Item(const std::string& attributes)
{
    return "<?xml version=\"1.0\"?>\n<item><attributes " + attributes + "/></item>";
}

// A folder of its own for the pack files, removed with everything in it.
struct PackFolder
{
    PackFolder()
    {
        char name[] = "/tmp/jubitemsXXXXXX";
        dir = mkdtemp(name) ? name : "";
    }
    ~PackFolder()
    {
        for (const std::string& f : files)
            unlink(f.c_str());
        rmdir(dir.c_str());
    }
    std::string Path(int pack) const { return dir + "/data_64_" + std::to_string(pack) + ".vad"; }
    void Write(int pack, const std::string& bytes)
    {
        const std::string path = Path(pack);
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        files.push_back(path);
    }
    std::string dir;
    std::vector<std::string> files;
};

CItemData Record(i32 enabled, i32 id, i32 amount, i32 pack, i32 file)
{
    CItemData r;
    const i32 words[BRIX_ITEM_WORDS] = {enabled, id, amount, pack, 2, file, 4};
    for (i32 w = 0; w < BRIX_ITEM_WORDS; ++w)
        CBrixItemRecord::SetWord(r, w, words[w]);
    return r;
}
} // namespace

TEST(JubOwnedItems, DescriptionsComeFromTheItemsOwnPack)
{
    PackFolder folder;
    ASSERT_FALSE(folder.dir.empty());
    folder.Write(1, PackBytes({{"5.xml", Item("type=\"Hat\" variable=\"30\" filename=\"tophat.png\"")},
                               {"items/tophat.png", "picture"},
                               {"6.xml", Item("type=\"sword\" variable=\"500\"")},
                               {"7.xml", "<item><name>no attributes</name></item>"},
                               {"8.xml", std::string(JUB_ITEM_FILE_MAX + 1, ' ')},
                               {"15.xml", Item("type=\"snow\"")}}));
    folder.Write(2, "this is not a media pack");
    // A directory whose one record lies past the end of the file.
    std::string cut = PackBytes({{"5.xml", Item("type=\"snow\"")}});
    folder.Write(3, cut.substr(0, cut.size() - 10));
    folder.Write(4, PackBytes({{"sub/5.xml", Item("type=\"cluster\"")}}));
    folder.Write(5, PackBytes({{"15.xml", Item("type=\"snow\"")}}));

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
            EXPECT_EQ(row.type, info.type) << row.what;
        else
            EXPECT_EQ(12345, info.variable) << row.what << ": untouched on failure";
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
    records.Add(Record(1, 101, 5, 11, 3));    // announced
    records.Add(Record(0, 102, 5, 12, 4));    // switched off
    records.Add(Record(1, 103, 0, 13, 5));    // used up
    records.Add(Record(1, 104, -2, 14, 6));   // a negative amount is none
    records.Add(Record(1, 105, 1, 15, 0));    // no description
    records.Add(Record(1, 106, 1, 16, -1));
    records.Add(Record(1, 201, 1, 21, 7));    // announced
    for (i32 i = 0; i < 4; ++i)
        records.Add(Record(1, 300 + i, 1, 30, 8 + i));

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

// The lobby's records reach the match as the game object's items: the local player's
// hat and cluster bomb are read at the round's start, the opponent's announced hat from
// its pack here, and the HUD's bomb button shows the owned bomb once the turns begin.
TEST(JubOwnedItems, OwnedHatAndBombReachThePlayScreen)
{
    PackFolder folder;
    ASSERT_FALSE(folder.dir.empty());
    folder.Write(11, PackBytes({{"3.xml", Item("type=\"cluster\"")}}));
    folder.Write(12, PackBytes({{"4.xml", Item("type=\"snow\"")}}));
    folder.Write(21, PackBytes({{"7.xml", Item("type=\"hat\" variable=\"25\" filename=\"tophat.png\"")}}));
    folder.Write(22, PackBytes({{"9.xml", Item("type=\"hat\" variable=\"40\" filename=\"crown.png\"")}}));

    CKetrelArray<CItemData> records;
    records.Add(Record(1, 101, 5, 11, 3));
    records.Add(Record(0, 102, 5, 12, 4));   // the snow bomb is switched off
    records.Add(Record(1, 201, 1, 21, 7));
    CBrixResourceManager resources;
    resources.Init(nullptr, nullptr);

    TestGame game;
    game.stubs = {0, 1, 3, 4, 5};
    ASSERT_EQ(KE_OK, game.Start());
    game.shell.players[0] = {100, "Ann"};
    game.shell.players[1] = {200, "Bob"};
    game.shell.ownedItems = [&](CJubOwnedItem* items, i32 max) {
        return CJubOwnedItems::Collect(&records, items, max);
    };
    std::vector<i32> readFor;
    game.shell.readItem = [&](i32 player, const CJubOwnedItem& item, CJubItemInfo* info) {
        readFor.push_back(player);
        return CJubOwnedItems::Read(CKetrelString(folder.Path((int)item.packNumber).c_str()),
                                    item.fileNumber, &resources, info);
    };
    game.Activate();
    game.session.ownId = 100;
    // The peer acknowledges every event as it arrives, so the next one is sent.
    size_t acked = 0;
    auto step = [&](int n) {
        for (int i = 0; i < n; ++i)
        {
            game.Steps(1);
            for (; acked < game.session.sent.size(); ++acked)
            {
                const std::vector<u8> p = game.session.sent[acked];
                if (p.size() < 12 || p[0] == 1)
                    continue;
                u32 sequence = 0;
                std::memcpy(&sequence, p.data() + 4, 4);
                u8 ack[JUB_EVENT_ACK_SIZE];
                JubWriteAck(ack, sequence);
                game.OnGameData(ack, JUB_EVENT_ACK_SIZE);
            }
        }
    };
    game.StartMatch(1);
    step(6);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    ASSERT_EQ(1, play->IsHost());

    // The announcement that went to the peer carries the two items that are on.
    bool announced = false;
    for (const std::vector<u8>& p : game.session.sent)
    {
        CJubEventOwnedItems e;
        if (p.size() == CJubEventOwnedItems::kSize && p[0] == JUB_EVENT_OWNED_ITEMS &&
            e.Read(p.data(), (i32)p.size()) == KE_OK)
        {
            announced = true;
            EXPECT_EQ(0, e.player);
            ASSERT_EQ(2, e.count);
            EXPECT_EQ(101u, e.itemId[0]);
            EXPECT_EQ(201u, e.itemId[1]);
            EXPECT_EQ(7u, e.fileNumber[1]);
            EXPECT_EQ(21u, e.packNumber[1]);
        }
    }
    EXPECT_TRUE(announced);


    // The opponent announces its hat and is ready; the host then begins the turns.
    CJubEventOwnedItems theirs;
    theirs.player = 1;
    theirs.count = 1;
    theirs.itemId[0] = 202;
    theirs.fileNumber[0] = 9;
    theirs.packNumber[0] = 22;
    std::vector<u8> payload(CJubEventOwnedItems::kSize);
    theirs.Write(payload.data(), 900, 0xFFFFFFFFu);
    game.OnGameData(payload.data(), (i32)payload.size());
    CJubEventPlayerReady ready;
    ready.player = 1;
    payload.assign(CJubEventPlayerReady::kSize, 0);
    ready.Write(payload.data(), 901, 0xFFFFFFFFu);
    game.OnGameData(payload.data(), (i32)payload.size());
    for (int i = 0; i < 30 && play->GetPhase() == JUB_PHASE_ROUND_START; ++i)
        step(1);
    ASSERT_NE(JUB_PHASE_ROUND_START, play->GetPhase());

    const CJubPlayer& me = play->GetLiveScene()->GetPlayer(0);
    const CJubPlayer& them = play->GetLiveScene()->GetPlayer(1);
    EXPECT_EQ((std::vector<i32>{0, 0, 1}), readFor);
    EXPECT_EQ(1u, me.ownsClusterBomb);
    EXPECT_EQ(0u, me.ownsSnowBomb);
    EXPECT_EQ(125, me.health);
    EXPECT_EQ(140, them.health);
    EXPECT_EQ(1, resources.HasMediaPack(CKetrelString(folder.Path(21).c_str())));
    EXPECT_EQ(0, resources.HasMediaPack(CKetrelString(folder.Path(12).c_str())));
    // The hats' pictures were asked for by the names their descriptions give.
    int hats = 0;
    for (const std::string& name : game.source.imagesAsked)
        hats += name == "tophat.png" || name == "crown.png";
    EXPECT_EQ(2, hats);
    // The HUD offers the cluster bomb.
    CJubButton* bomb = play->GetButtons()->FindButton(8);
    ASSERT_NE(nullptr, bomb);
    EXPECT_EQ(22, bomb->textureIndex);
    EXPECT_EQ(0, bomb->disabled);
}
