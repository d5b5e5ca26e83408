// The shop, challenge and gift handlers against a recording host: rows of both item
// pages, the buttons per item kind, time texts, prices in the confirm dialog, the item
// catalogue, challenges and their answers, and both selection lists.
#include "SocialTestKit.h"

#include "engine/KetrelMD5.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/ToggleButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace socialtest;
using lobbytest::Narrow;

namespace
{
typedef std::vector<std::string> Calls;

bool Has(const Calls& calls, const std::string& what)
{
    return std::find(calls.begin(), calls.end(), what) != calls.end();
}

CKetrelArray<CShopGroupData> Groups(std::initializer_list<CShopGroupData> list)
{
    CKetrelArray<CShopGroupData> out;
    for (const CShopGroupData& g : list)
        out.Add(g);
    return out;
}

CKetrelArray<CShopItemData> Items(std::initializer_list<CShopItemData> list)
{
    CKetrelArray<CShopItemData> out;
    for (const CShopItemData& i : list)
        out.Add(i);
    return out;
}

// The list of the page with one group of count items, its rows loaded.
CInfiniteList* ShowItems(SocialRig& rig, bool mine, int kind, int count)
{
    rig.Fire(mine ? "show_my_items" : "show_shop_items", nullptr);
    rig.state->OnShopGroups(mine ? 1 : 0, Groups({Group(9, "Things", kind, count)}));
    CInfiniteList* list = CInfiniteList::Cast(rig.Find(mine ? "my_items_page_list" : "shop_page_list"));
    if (list)
        list->SetVisible(true);
    rig.Frames();
    return list;
}

CWidget* ItemRow(CInfiniteList* list, int index)
{
    return list ? list->FindChild(CKetrelString(std::to_string(index).c_str()), 0) : nullptr;
}
}

TEST(BrixMenuShop, TimeTexts)
{
    struct Case
    {
        int seconds;
        const char* text;
    };
    // The host's texts are "T<n>"; a text with a number has no conversion, so only the
    // text number shows.
    const Case cases[] = {{-5, "T184"}, {0, "T184"}, {1, "T185"}, {59, "T185"}, {60, "T186"}, {120, "T193"},
                          {3599, "T193"}, {3600, "T187"}, {7200, "T194"}, {86400, "T188"}, {604800, "T189"},
                          {2628000, "T190"}, {5256000, "T197"}, {31536000, "T191"}};
    SocialRig rig;
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(rig.state->GetTimeText(c.seconds)), c.text) << c.seconds;
}

TEST(BrixMenuShop, ShopRowsAndPictures)
{
    SocialRig rig("shop_root");
    CInfiniteList* list = ShowItems(rig, false, 2, 3);
    ASSERT_NE(list, nullptr);
    const Calls calls = rig.Take();
    EXPECT_TRUE(Has(calls, "RequestItemsPage 0 3 0"));
    rig.state->OnShopItems(0, 0, Items({Item(201, "Top hat", 120, 150, 0, 9), Item(202, "Crown", 300, 350, 0, 9, 1, 0,
                                                                                   "Golden crown")}));
    EXPECT_EQ(TextOf(ItemRow(list, 0), "item_name"), "Top hat");
    EXPECT_EQ(TextOf(ItemRow(list, 1), "item_name"), "Golden crown");
    EXPECT_EQ(TextOf(ItemRow(list, 1), "price-value"), "300");
    EXPECT_TRUE(Has(rig.Take(), "RequestShopItemImages 202 size 0"));
    // A corrupt picture is dropped; a good one fills both icons and hides their marks.
    const u8 junk[] = {'G', 'I', 'F', '8', '9', 'a', 0};
    rig.state->OnShopItemImage(202, 0, junk, sizeof junk);
    EXPECT_FALSE(rig.host.imageUi.images.Has("shop:icon:202:0"));
    const std::vector<u8> png = Png();
    rig.state->OnShopItemImage(202, 0, png.data(), (int)png.size());
    CImageWidget* icon = CImageWidget::Cast(ItemRow(list, 1)->FindByPath(CKetrelString("//list_item_small//icon-item")));
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(icon->GetImage(), nullptr);
    EXPECT_FALSE(icon->GetChild(0)->IsVisible());
    EXPECT_EQ(rig.host.imageUi.images.Held("shop:icon:202:0"), 2);
    rig.Take();
    // The buy button of a row asks for the buy information.
    rig.Fire("buy_item", ItemRow(list, 1)->FindChild(CKetrelString("buy-button"), -1));
    EXPECT_EQ(rig.Take(), (Calls{"RequestBuyItem 202 0"}));
    // The chat page's block raised from a shop row takes no item id for a player record.
    CWidget* toggle = ItemRow(list, 1)->FindChild(CKetrelString("enable-item"), -1);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(rig.Fire("block_chat", toggle), 0);
    EXPECT_TRUE(rig.Take().empty());
    // Nor do the chat page's details opened from it.
    rig.Fire("expand_chat_item", ItemRow(list, 1));
    CWidget* details = rig.Find("//chat_root//chat_expand_item");
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->GetUserData(), nullptr);
}

// My items: which buttons a kind keeps, the amount texts and the use toggles.
TEST(BrixMenuShop, MyItemsButtonsByKind)
{
    struct Case
    {
        int kind;
        bool enable, buy, refill, giftShown;
        const char *pieces, *message;
    };
    const Case cases[] = {
        {1, false, false, false, true, "", ""},     {2, true, false, false, true, "", ""},
        {3, false, true, false, true, "", "T188"},  {4, true, true, false, true, "x5", "x5"},
        {5, true, false, true, true, "x5", "x5"},   {7, true, true, true, false, "", ""},
    };
    for (const Case& c : cases)
    {
        SocialRig rig("shop_root");
        CInfiniteList* list = ShowItems(rig, true, c.kind, 1);
        ASSERT_NE(list, nullptr);
        rig.state->OnShopItems(1, 0, Items({Item(301, "Thing", 10, 20, 5, 9, c.kind == 3 ? 86400 : 5, 1, "Shown")}));
        CWidget* row = ItemRow(list, 0);
        ASSERT_NE(row, nullptr) << c.kind;
        CWidget* grid = row->FindByPath(CKetrelString("//list_item_big//button-grid"));
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(grid->FindChild(CKetrelString("enable-item"), -1) != nullptr, c.enable) << c.kind;
        EXPECT_EQ(grid->FindChild(CKetrelString("buy-button"), -1) != nullptr, c.buy) << c.kind;
        EXPECT_EQ(grid->FindChild(CKetrelString("refill-button"), -1) != nullptr, c.refill) << c.kind;
        EXPECT_EQ(Shown(grid, "gift-button"), c.giftShown) << c.kind;
        EXPECT_EQ(TextOf(row->FindChild(CKetrelString("list_item_small"), -1), "item_name"), "Thing") << c.kind;
        EXPECT_EQ(TextOf(row->FindChild(CKetrelString("list_item_small"), -1), "value_pcs"), c.pieces) << c.kind;
        EXPECT_EQ(TextOf(row, "info_message"), c.message) << c.kind;
        if (c.enable)
        {
            EXPECT_TRUE(CToggleButton::Cast(grid->FindChild(CKetrelString("enable-item"), -1))->IsToggled());
        }
    }
}

TEST(BrixMenuShop, ConfirmDialogPrices)
{
    struct Case
    {
        const char* name;
        int kind;
        int receivers;
        int refill;
        const char* price;
    };
    const Case cases[] = {
        {"buy", 0, 0, 30, "100"},          {"buy more", 256, 0, 30, "100"},
        {"gift to three", 1, 3, 30, "360"}, {"gift from my items", 257, 2, 30, "240"},
        {"refill", 258, 0, 30, "30"},      {"refill priced 0", 2, 0, 0, "100"},
        {"unknown kind", 9, 0, 30, "0"},
    };
    for (const Case& c : cases)
    {
        SocialRig rig("shop_root");
        ShowItems(rig, false, 4, 1);
        rig.state->OnShopItems(0, 0, Items({Item(401, "Crate", 100, 120, c.refill, 9)}));
        CKetrelArray<CBuyItemPlayerInfo> receivers;
        for (int i = 0; i < c.receivers; ++i)
        {
            CBuyItemPlayerInfo r;
            r.playerId = 80 + i;
            r.text1 = CKetrelString("Friend");
            receivers.Add(r);
        }
        rig.state->OnBuyItemPlayerInfo(401, c.kind, CKetrelString(), receivers);
        EXPECT_EQ(rig.Page(), c.receivers ? "dialog_list_selection" : "confirm_buy_dialog") << c.name;
        if (c.receivers)
        {
            // Every receiver ticked, as the selection list would.
            CInfiniteList* sel = CInfiniteList::Cast(rig.Find("selection_list_content"));
            rig.Fire("show_selection_list", sel);
            rig.Frames();
            for (int i = 0; i < c.receivers; ++i)
                rig.Fire("select_list_item", ItemRow(sel, i)->FindChild(CKetrelString("select-button"), -1));
            rig.Fire("ok_list_selection", nullptr);
        }
        CWidget* dialog = rig.Find("confirm_buy_dialog");
        rig.Fire("show_confirm_buy_dialog", dialog);
        EXPECT_EQ(TextOf(dialog, "value_price"), c.price) << c.name;
        EXPECT_EQ(TextOf(dialog, "item-name"), "Crate") << c.name;
        rig.Take();
        rig.Fire("ok_buy_confirm", nullptr);
        std::string expected = "ConfirmBuyItem 401 " + std::to_string(c.kind);
        for (int i = 0; i < c.receivers; ++i)
            expected += " " + std::to_string(80 + i);
        EXPECT_EQ(rig.Take(), (Calls{c.receivers ? expected : expected + " none"})) << c.name;
    }
}

TEST(BrixMenuShop, RefusalsBalanceAndItemState)
{
    SocialRig rig("shop_root");
    rig.state->OnCoinBalance(345);
    EXPECT_EQ(TextOf(rig.Find("shop_root"), "brixcoins_amount"), "345");
    EXPECT_EQ(TextOf(rig.Find("generic_error_dialog_more_coins"), "coins-value"), "345");
    rig.state->OnConfirmBuyItemResponse(401, -1, CKetrelString("Not enough coins"));
    EXPECT_EQ(rig.Page(), "generic_error_dialog_more_coins");
    EXPECT_EQ(TextOf(rig.Find("generic_error_dialog_more_coins"), "error-text"), "Not enough coins");
    EXPECT_TRUE(Has(rig.Take(), "RequestCoinBalance"));
    rig.state->OnConfirmBuyItemResponse(401, 256, CKetrelString());
    EXPECT_TRUE(Has(rig.Take(), "RequestShopGroups 1"));

    rig.state->OpenPage(CKetrelString("shop_root"), 1);
    rig.state->GetPageView()->FinishTransitions();
    CInfiniteList* list = ShowItems(rig, true, 2, 2);
    rig.state->OnShopItems(1, 0, Items({Item(501, "A", 1, 1, 0, 9, 1, 1), Item(502, "B", 1, 1, 0, 9, 1, 0)}));
    CToggleButton* use = CToggleButton::Cast(ItemRow(list, 1)->FindByPath(CKetrelString("//button-grid//enable-item")));
    ASSERT_NE(use, nullptr);
    use->SetToggled(true);
    rig.Take();
    rig.Fire("enable_item", use);
    EXPECT_EQ(rig.Take(), (Calls{"UpdateItemState 502 1"}));
    // Using 502 puts 501 out of use.
    rig.state->OnUpdateItemStateResponse(502, 1, CKetrelString(), 501);
    CToggleButton* other = CToggleButton::Cast(ItemRow(list, 0)->FindByPath(CKetrelString("//button-grid//enable-item")));
    EXPECT_FALSE(other->IsToggled());
    EXPECT_TRUE(use->IsToggled());
}

TEST(BrixMenuShop, ItemCatalogue)
{
    struct Case
    {
        const char* name;
        int flags;
        std::vector<int> pages;      // items per reply
        Calls expected;
    };
    const Case cases[] = {
        {"match start, two pages", 0x401, {100, 20}, {"RequestItemsPage 1025 100 0", "RequestItemsPage 1025 100 100",
                                                      "SendGameReady"}},
        {"item data, one page", 0x200, {120}, {"RequestItemsPage 512 100 0", "SendRequest94"}},
        {"an empty page ends it", 0x200, {30, 0}, {"RequestItemsPage 512 100 0", "RequestItemsPage 512 100 30",
                                                   "SendRequest94"}},
    };
    for (const Case& c : cases)
    {
        SocialRig rig;
        rig.state->OnShopGroups(c.flags, Groups({Group(1, "Bombs", 4, 60), Group(2, "Hats", 2, 60)}));
        int offset = 0;
        for (int n : c.pages)
        {
            CKetrelArray<CShopItemData> page;
            for (int i = 0; i < n; ++i)
                page.Add(Item(1000 + offset + i, "x", 1, 1, 0, 1 + (i % 3), 2, i % 2));
            rig.state->OnShopItems(c.flags, offset, page);
            offset += n;
        }
        EXPECT_EQ(rig.Take(), c.expected) << c.name;
        const CKetrelArray<CItemData>* data = rig.state->GetItemDataList();
        ASSERT_EQ(data->GetCount(), offset) << c.name;
        // Words: enabled, id, then amount, pack, g4 (-1 for an unknown group), i14, kind.
        EXPECT_EQ((*data)[0].value1, 1000);
        EXPECT_EQ((*data)[2].value3, 0) << "group 3 is unknown";
        EXPECT_EQ((*data)[0].value3, 4);
    }
}

TEST(BrixMenuChallenges, SendingAndQuickMatch)
{
    SocialRig rig("players_root");
    rig.Fire("send_challenge", rig.Find("start_button"));
    EXPECT_EQ(rig.Take(), (Calls{"RequestMatch 0 2", "ShowNotification T3"}));
    EXPECT_FLOAT_EQ(rig.state->GetChallengeTimeout(), 30.0f);

    rig.Fire("show_players_root", nullptr);
    rig.Frames();
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, -1, 5, nullptr, nullptr, nullptr, 0);
    rig.Frames();
    CInfiniteList* list = CInfiniteList::Cast(rig.Find("//players_root//playerlist_global"));
    const CPlayerListItem a = Player(90, "Ann", 1), b = Player(91, "Bo", 1);
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, 0, 5, nullptr, &a, nullptr, 0);
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, 1, 5, nullptr, &b, nullptr, 0);
    rig.Take();
    rig.Fire("send_challenge", ItemRow(list, 0)->FindChild(CKetrelString("button_challenge"), -1));
    EXPECT_EQ(rig.Take(), (Calls{"SendChallenge 90"}));
    EXPECT_EQ(rig.Page(), "challenge_waiting");
    EXPECT_EQ(rig.state->GetChallengePartner(), 17);
    EXPECT_FLOAT_EQ(rig.state->GetChallengeTimeout(), 20.0f);
    // A second row before the lists refresh still challenges the first player.
    rig.Fire("send_challenge", ItemRow(list, 1)->FindChild(CKetrelString("button_challenge"), -1));
    EXPECT_EQ(rig.Take(), (Calls{"SendChallenge 90"}));
    // The time-out cancels, answers the own challenge with no and leaves the page.
    rig.state->Update(21.0f);
    const Calls calls = rig.Take();
    EXPECT_TRUE(Has(calls, "CancelMatchRequest"));
    EXPECT_TRUE(Has(calls, "AnswerChallenge 17 0"));
    EXPECT_NE(rig.Page(), "challenge_waiting");
}

TEST(BrixMenuChallenges, ReceivedAndAnswers)
{
    SocialRig rig;
    rig.state->OnChallengeReceived(nullptr, 55, CKetrelString("Rex"), CKetrelString("#4"), 321, 0);
    CWidget* page = rig.Find("challenge_received");
    EXPECT_EQ(TextOf(page, "player_name"), "Rex");
    EXPECT_EQ(TextOf(page, "player_rank"), "#4");
    EXPECT_EQ(TextOf(page, "player_score"), "321");
    EXPECT_EQ(rig.Take(), (Calls{"ShowToast 3 20 T37"}));
    rig.Fire("accept_challenge", nullptr);
    rig.Fire("reject_challenge", nullptr);
    EXPECT_EQ(rig.Take(), (Calls{"AnswerChallenge 55 1", "AnswerChallenge 55 0"}));
    const std::vector<u8> png = Png();
    rig.state->OnChallengerImage(nullptr, 55, png.data(), (int)png.size());
    CImageWidget* avatar = CImageWidget::Cast(page->FindChild(CKetrelString("player_avatar"), -1));
    EXPECT_EQ(avatar->GetImage(), rig.host.imageUi.images.images["player_avatar_icon_55"].image);

    struct Case
    {
        int player;
        int answer;
        Calls expected;
    };
    const Case cases[] = {
        {17, 0, {"game:CloseConnectingScreen"}},  {17, 1, {}},
        {17, 2, {"game:CloseConnectingScreen", "ShowNotification T4"}},
        {17, 3, {"game:CloseConnectingScreen"}},  {30, 0, {"ShowNotification T5"}},
        {30, 1, {}},                              {30, 2, {"ShowNotification T6"}},
        {30, 3, {"ShowNotification T7"}},         {30, 9, {"game:CloseConnectingScreen"}},
    };
    for (const Case& c : cases)
    {
        SocialRig r;
        r.state->OpenPage(CKetrelString("challenge_waiting"), 1);
        r.state->GetPageView()->FinishTransitions();
        r.Take();
        r.state->OnChallengeAnswer(nullptr, c.player, CKetrelString("Rex"), CKetrelString(), c.answer);
        Calls calls = r.Take();
        calls.erase(std::remove(calls.begin(), calls.end(), "game:Render"), calls.end());
        EXPECT_EQ(calls, c.expected) << c.player << " " << c.answer;
        EXPECT_NE(r.Page(), "challenge_waiting");
    }
}

TEST(BrixMenuGifts, PlayerGiftSelection)
{
    SocialRig rig;
    // An error with a negative player id offers more coins.
    rig.state->OnPlayerGiftItems(-1, CKetrelString("No coins"), Items({}));
    EXPECT_EQ(rig.Page(), "generic_error_dialog_more_coins");
    // No items: nothing opens.
    rig.state->OpenPage(CKetrelString("players_root"), 1);
    rig.state->OnPlayerGiftItems(40, CKetrelString(), Items({}));
    EXPECT_EQ(rig.Page(), "players_root");
    rig.state->OnPlayerGiftItems(40, CKetrelString(),
                                 Items({Item(1, "A", 9, 30, 0, 1), Item(2, "B", 9, 50, 0, 1, 1, 0, "Bee"),
                                        Item(3, "C", 9, 70, 0, 1)}));
    EXPECT_EQ(rig.Page(), "dialog_gift_list_selection");
    rig.state->GetPageView()->FinishTransitions();
    CInfiniteList* list = CInfiniteList::Cast(rig.Find("selection_gift_list_content"));
    rig.Fire("show_selection_gift_list", list);
    rig.Frames();
    ASSERT_NE(ItemRow(list, 2), nullptr);
    EXPECT_EQ(TextOf(ItemRow(list, 1), "item-name"), "Bee");
    EXPECT_EQ(TextOf(ItemRow(list, 1), "price-value"), "50");
    rig.Fire("select_gift_list_item", ItemRow(list, 0)->FindChild(CKetrelString("select-button"), -1));
    rig.Fire("select_gift_list_item", ItemRow(list, 1)->FindChild(CKetrelString("select-button"), -1));
    EXPECT_TRUE(Shown(ItemRow(list, 1), "selected"));
    rig.Fire("ok_gift_list_selection", nullptr);
    CWidget* dialog = rig.Find("confirm_buy_player_gift_dialog");
    rig.Fire("show_confirm_buy_player_gift_dialog", dialog);
    EXPECT_EQ(TextOf(dialog, "value_price"), "80");
    rig.Take();
    rig.Fire("ok_buy_player_gift_confirm", nullptr);
    EXPECT_EQ(rig.Take(), (Calls{"ConfirmBuyPlayerItems 40 0 1 2"}));
    // The list was emptied while its rows stay: a tick on them reaches nothing.
    rig.Fire("select_gift_list_item", ItemRow(list, 2)->FindChild(CKetrelString("select-button"), -1));
    EXPECT_FALSE(Shown(ItemRow(list, 2), "selected"));
}

TEST(BrixMenuGifts, ReceiversFromAShopRow)
{
    SocialRig rig("shop_root");
    CInfiniteList* list = ShowItems(rig, false, 4, 1);
    rig.state->OnShopItems(0, 0, Items({Item(101, "Bomb", 50, 60, 0, 9)}));
    rig.Take();
    rig.Fire("buy_gift", ItemRow(list, 0)->FindChild(CKetrelString("gift-button"), -1));
    EXPECT_EQ(rig.Take(), (Calls{"RequestBuyItem 101 1"}));
    // A player row's record is no item id.
    EXPECT_EQ(rig.Fire("buy_gift", rig.Find("//playerlist_global//button_gift")), 1);
    EXPECT_TRUE(rig.Take().empty());
    // Nothing ticked: the plain purchase.
    CKetrelArray<CBuyItemPlayerInfo> receivers;
    CBuyItemPlayerInfo r;
    r.playerId = 12;
    receivers.Add(r);
    rig.state->OnBuyItemPlayerInfo(101, 1, CKetrelString(), receivers);
    rig.Fire("ok_list_selection", nullptr);
    rig.Fire("cancel_list_selection", nullptr);
    rig.Fire("ok_buy_confirm", nullptr);
    EXPECT_EQ(rig.Take(), (Calls{"ConfirmBuyItem 101 1 none"}));
}

// A match that begins empties both selection lists.
TEST(BrixMenuGifts, AMatchEmptiesBothSelections)
{
    SocialRig rig;
    rig.state->OnPlayerGiftItems(40, CKetrelString(), Items({Item(1, "A", 9, 30, 0, 1)}));
    CKetrelArray<CBuyItemPlayerInfo> receivers;
    CBuyItemPlayerInfo r;
    r.playerId = 12;
    receivers.Add(r);
    rig.state->OnBuyItemPlayerInfo(101, 1, CKetrelString(), receivers);
    const char* const lists[][2] = {{"show_selection_list", "selection_list_content"},
                                    {"show_selection_gift_list", "selection_gift_list_content"}};
    for (int begun = 0; begun < 2; ++begun)
    {
        if (begun)
            rig.state->BeginMatch();
        for (const auto& l : lists)
        {
            CInfiniteList* list = CInfiniteList::Cast(rig.Find(l[1]));
            ASSERT_NE(list, nullptr) << l[1];
            rig.Fire(l[0], list);
            EXPECT_EQ(list->GetItemCount(), 1 - begun) << l[1];
        }
    }
}

// The per-frame pack check over a user data folder with good, corrupt and missing packs.
TEST(BrixMenuShop, PackCheck)
{
    struct Case
    {
        const char* name;
        const char* onDisk;     // nullptr: no file
        int required;
        bool fetched;
    };
    const std::string good = "pack bytes";
    const Case cases[] = {
        {"current file", "pack bytes", 0, false},
        {"corrupt file", "pack bytez", 0, true},
        {"short file", "pack", 0, true},
        {"missing, not needed", nullptr, 0, false},
        {"missing, required", nullptr, 1, true},
    };
    for (const Case& c : cases)
    {
        SocialRig rig;
        CKetrelMD5 md5;
        md5.DigestBuffer((const u8*)good.data(), (u32)good.size());
        CItemData pack;
        pack.value0 = 7;
        pack.value1 = c.required;
        std::memcpy(pack.block, md5.GetDigest(), 16);
        pack.value3 = (i32)good.size();
        const std::string path = Narrow(rig.host.GetUserDataPath(CKetrelString("data_64_7.vad")));
        if (c.onDisk)
        {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fputs(c.onDisk, f);
            std::fclose(f);
        }
        CKetrelArray<CItemData> list;
        list.Add(pack);
        rig.state->OnItemDataList(list);
        // The catalogue of item data arrived in full before the check.
        rig.state->OnShopGroups(0x200, Groups({Group(1, "Hats", 2, 1)}));
        rig.state->OnShopItems(0x200, 0, Items({Item(201, "Hat", 1, 1, 0, 1)}));
        rig.Take();
        rig.Frames(3);
        Calls calls = rig.Take();
        calls.erase(std::remove(calls.begin(), calls.end(), "game:Render"), calls.end());
        EXPECT_EQ(Has(calls, "RequestDataChunk 7 0 10"), c.fetched) << c.name;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "RequestDataChunk 7 0 10"), c.fetched ? 1 : 0) << c.name;
        EXPECT_EQ(Has(calls, "game:OnItemDataChanged"), !c.fetched) << c.name;
        if (c.fetched)
        {
            EXPECT_EQ(rig.Page(), "loading_dialog") << c.name;
            // A download that stalls does not hold the dialog past its time-out.
            rig.state->Update(31.0f);
            EXPECT_NE(rig.Page(), "loading_dialog") << c.name;
            // 30 s without a piece gives the download up; a required pack is fetched
            // again, three times in all, a pack no longer on disk that is not required
            // is not. Either way the check ends.
            rig.state->Update(30.0f);
            rig.state->Update(30.0f);
            rig.state->Update(30.0f);
            calls = rig.Take();
            EXPECT_EQ(std::count(calls.begin(), calls.end(), "RequestDataChunk 7 0 10"), c.required ? 2 : 0)
                << c.name;
            EXPECT_TRUE(Has(calls, "game:OnItemDataChanged")) << c.name;
        }
    }
}

// The back key, by page and by whether the framework button shows.
TEST(BrixMenuChallenges, BackKey)
{
    struct Case
    {
        const char* from;      // page before
        const char* page;      // page when the key comes
        bool buttonShown;
        Calls expected;
        const char* after;
    };
    const Case cases[] = {
        {"startscreen_root", "loginscreen_root", false, {"Quit"}, "loginscreen_root"},
        {"startscreen_root", "loading_dialog", false, {}, "loading_dialog"},
        {"startscreen_root", "players_root", false, {}, "startscreen_root"},
        {"startscreen_root", "challenge_received", true, {"AnswerChallenge 55 0"}, "startscreen_root"},
        {"startscreen_root", "startup_language_chooser", false, {"Quit"}, "startup_language_chooser"},
        {"players_root", "challenge_waiting", true, {"AnswerChallenge 55 0"}, "players_root"},
        // The framework button shown: any other page works the framework button, which
        // keeps the menu open while nobody is logged in.
        {"startscreen_root", "players_root", true, {}, "players_root"},
    };
    for (const Case& c : cases)
    {
        SocialRig rig(c.from);
        rig.state->SetChallenge(55, 0.0f);
        rig.state->OpenPage(CKetrelString(c.page), 1);
        rig.state->GetPageView()->FinishTransitions();
        rig.Find("brix_button_root")->SetVisible(c.buttonShown);
        rig.Take();
        rig.state->OnBackKey();
        rig.state->GetPageView()->FinishTransitions();
        Calls calls = rig.Take();
        calls.erase(std::remove(calls.begin(), calls.end(), "game:Render"), calls.end());
        EXPECT_EQ(calls, c.expected) << c.page;
        EXPECT_EQ(rig.Page(), c.after) << c.page;
    }
}
