// The game shell's owned items: the lobby's item records and the item data packs it
// downloaded, as the game object and the play screen get them from the shell.
#include <gtest/gtest.h>

#include "ItemPackTestKit.h"
#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "framework/BrixStatsStore.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "main/BrixGameApplication.h"
#include "support/KetrelTestXServer.h"

#include <cstring>
#include <vector>

static ::testing::Environment* const g_xserver =
    ::testing::AddGlobalTestEnvironment(new CKetrelTestXServerEnvironment());

namespace
{
// The application with a lobby's inventory: item records, and packs in a folder.
class InventoryApp : public CBrixGameApplication
{
public:
    InventoryApp() { CBrixResourceManager::Init(this, nullptr); }
    const CKetrelArray<CItemData>* GetItemDataList() override { return &records; }
    void GetItemDataPackPath(i32 pack, CKetrelString* out) override
    {
        *out = CKetrelString(folder.Path(pack).c_str());
    }
    CKetrelArray<CItemData> records;
    PackFolder folder;
};

// The shell of that application; what a match needs besides the items is answered here.
class MatchShell : public CBrixGameShell
{
public:
    explicit MatchShell(CTolvaneApplication* app) : CBrixGameShell(app) {}
    CBrixStatsStore* GetSettings() override { return &settings; }
    CBrixResourceManager* GetResources() override { return nullptr; }
    void PlayMusic(const CKetrelString&, i32) override {}
    void StopMusic() override {}
    i32 IsSoundMuted() override { return 1; }
    i32 IsMusicMuted() override { return 1; }
    i32 GetMatchPlayer(i32 index, i32* id, CKetrelString* name) override
    {
        if (index < 0 || index > 1)
            return 0;
        *id = index == 0 ? 100 : 200;
        *name = CKetrelString(index == 0 ? "Ann" : "Bob");
        return 1;
    }
    CBrixStatsStore settings;
};

void WriteSamplePacks(PackFolder& folder)
{
    folder.Write(11, PackBytes({{"items/3.xml", ItemXml("type=\"cluster\"")}}));
    folder.Write(12, PackBytes({{"items/4.xml", ItemXml("type=\"snow\"")}}));
    folder.Write(21, PackBytes({{"items/7.xml", ItemXml("type=\"hat\" variable=\"25\" filename=\"tophat.png\"")},
                                {"items/tophat.png", "picture"}}));
    folder.Write(22, PackBytes({{"items/9.xml", ItemXml("type=\"hat\" variable=\"40\" filename=\"crown.png\"")}}));
    folder.Write(23, PackBytes({{"items/8.xml", ItemXml("type=\"crate\" variable=\"99\"")}}));
    folder.Write(24, "KMP2 but nothing after");
}
} // namespace

TEST(BrixGameShell, OwnedItemsFromTheLobbysRecordsAndPacks)
{
    InventoryApp app;
    ASSERT_FALSE(app.folder.dir.empty());
    WriteSamplePacks(app.folder);
    app.records.Add(ItemRecord(1, 101, 5, 11, 3));
    app.records.Add(ItemRecord(0, 102, 5, 12, 4));   // switched off
    app.records.Add(ItemRecord(1, 103, 0, 12, 4));   // used up
    app.records.Add(ItemRecord(1, 201, 1, 21, 7));
    IJubShellHost* shell = app.GetShell();

    CJubOwnedItem items[JUB_OWNED_ITEMS_MAX];
    ASSERT_EQ(2, shell->GetOwnedItems(items, JUB_OWNED_ITEMS_MAX));
    EXPECT_EQ(101u, items[0].itemId);
    EXPECT_EQ(3u, items[0].fileNumber);
    EXPECT_EQ(11u, items[0].packNumber);
    EXPECT_EQ(201u, items[1].itemId);

    struct Row
    {
        const char* what;
        u32 pack, file;
        int rc;
        i32 type, variable;
    } rows[] = {
        {"a hat", 21, 7, KE_OK, JUB_ITEM_HAT, 25},
        {"a bomb", 11, 3, KE_OK, JUB_ITEM_CLUSTER, 0},
        {"an item of another kind", 23, 8, KE_OK, JUB_ITEM_NONE, 99},
        {"an unknown item", 21, 99, KE_ERR_NOT_FOUND, 0, 0},
        {"a missing pack", 99, 3, KE_ERR_OPEN, 0, 0},
        {"a malformed pack", 24, 3, KE_ERR_FORMAT, 0, 0},
    };
    for (const Row& row : rows)
    {
        CJubOwnedItem item;
        item.itemId = 500;
        item.packNumber = row.pack;
        item.fileNumber = row.file;
        CJubItemInfo info;
        info.type = 77;
        EXPECT_EQ(row.rc, shell->ReadItem(0, item, &info)) << row.what;
        EXPECT_EQ(row.rc == KE_OK ? row.type : 77, info.type) << row.what;
        if (row.rc == KE_OK)
        {
            EXPECT_EQ(row.variable, info.variable) << row.what;
        }
    }
    // The hat's picture is to be had by name from the application's resources.
    u8* bytes = nullptr;
    EXPECT_EQ(7, app.ReadResource(CKetrelString("tophat.png"), &bytes));
    delete[] bytes;

    // Without a lobby there is nothing to announce and nothing to read.
    CBrixGameApplication bare;
    CJubItemInfo info;
    EXPECT_EQ(0, bare.GetShell()->GetOwnedItems(items, JUB_OWNED_ITEMS_MAX));
    EXPECT_EQ(KE_ERR_NOT_FOUND, bare.GetShell()->ReadItem(0, items[0], &info));
}

// The local player's hat and cluster bomb are read at the round's start, the opponent's
// announced hat from its pack on this handset, and once the turns begin the HUD's bomb
// button offers the owned bomb.
TEST(BrixGameShell, OwnedHatAndBombReachThePlayScreen)
{
    InventoryApp app;
    ASSERT_FALSE(app.folder.dir.empty());
    WriteSamplePacks(app.folder);
    app.records.Add(ItemRecord(1, 101, 5, 11, 3));
    app.records.Add(ItemRecord(0, 102, 5, 12, 4));   // the snow bomb is switched off
    app.records.Add(ItemRecord(1, 201, 1, 21, 7));
    MatchShell shell(&app);
    TestGame game(&shell);
    game.stubs = {0, 1, 3, 4, 5};
    ASSERT_EQ(KE_OK, game.Start());
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
    int announced = 0;
    for (const std::vector<u8>& p : game.session.sent)
    {
        CJubEventOwnedItems e;
        if (p.size() != CJubEventOwnedItems::kSize || p[0] != JUB_EVENT_OWNED_ITEMS ||
            e.Read(p.data(), (i32)p.size()) != KE_OK)
            continue;
        ++announced;
        EXPECT_EQ(0, e.player);
        ASSERT_EQ(2, e.count);
        EXPECT_EQ(101u, e.itemId[0]);
        EXPECT_EQ(201u, e.itemId[1]);
        EXPECT_EQ(7u, e.fileNumber[1]);
        EXPECT_EQ(21u, e.packNumber[1]);
    }
    EXPECT_EQ(1, announced);

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
    EXPECT_EQ(1u, me.ownsClusterBomb);
    EXPECT_EQ(0u, me.ownsSnowBomb);
    EXPECT_EQ(125, me.health);
    EXPECT_EQ(140, them.health);
    EXPECT_EQ(1, app.HasMediaPack(CKetrelString(app.folder.Path(21).c_str())));
    EXPECT_EQ(0, app.HasMediaPack(CKetrelString(app.folder.Path(12).c_str())));
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
