// The players page against a recording host: list headers and rows, the fields of a row,
// follow and block, expanding rows, relation notices and the names the page looks up.
#include "SocialTestKit.h"

#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace socialtest;
using lobbytest::Narrow;

namespace
{
typedef std::vector<std::string> Calls;
const char* const kGlobal = "//players_root//playerlist_global";

bool Has(const Calls& calls, const std::string& what)
{
    return std::find(calls.begin(), calls.end(), what) != calls.end();
}

void Header(SocialRig& rig, int total, const CKetrelArray<CGroupListItem>* groups = nullptr)
{
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, -1, total, groups, nullptr, nullptr, 0);
}

void Row(SocialRig& rig, int index, const CPlayerListItem& p)
{
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, index, 100, nullptr, &p, nullptr, 0);
}

// The global list shown with count rows loaded.
CInfiniteList* GlobalList(SocialRig& rig, int count)
{
    // The page and its list ask for the header as they show; the reply comes after.
    rig.Fire("show_players_root", nullptr);
    rig.Frames();
    rig.Take();
    Header(rig, count);
    rig.Frames();
    return CInfiniteList::Cast(rig.Find(kGlobal));
}

CWidget* LoadedRow(CInfiniteList* list, int index)
{
    return list ? list->FindChild(CKetrelString(std::to_string(index).c_str()), 0) : nullptr;
}
}

// Every widget and page these pages look up exists in the lobby's layout.
TEST(BrixMenuSocialLayout, EveryNameThePagesLookUpIsFound)
{
    static const char* const kPaths[] = {
        "//players_root//players_content_root", "//players_root//global_page", "//players_root//follow_page",
        "//global_page//no_results", "//global_page//loading", "//follow_page//no_results", "//follow_page//loading",
        "//players_root//search_text", "//players_root//playerlist_follow",
        "//playerlist_global//group_template//label",
        "//playerlist_global//item_template//list_item_small//player_avatar_small",
        "//playerlist_global//item_template//list_item_small//challenge_button",
        "//playerlist_global//item_template//list_item_small//arrow",
        "//playerlist_global//item_template//list_item_big//player_avatar",
        "//playerlist_global//item_template//list_item_big//player_invite_button",
        "//playerlist_global//item_template//list_item_big//text_challenge",
        "//playerlist_global//item_template//list_item_big//player_wins_percent",
        "//playerlist_global//item_template//list_item_big//my_ties_percent",
        "//playerlist_global//item_template//list_item_big//my_losses_percent",
        "//playerlist_global//item_template//button_unfollow", "//playerlist_global//item_template//text_unfollow",
        "//playerlist_global//item_template//button_gift", "//playerlist_global//item_template//button_block",
        "//playerlist_global//item_template//playerlist-item-nasty-buttons//button-report",
        "//shop_root//brixcoins_amount", "//shop_root//no_results", "//shop_root//loading",
        "//shop_page_list//item_template//list_item_small//icon-item",
        "//shop_page_list//item_template//list_item_small//price-value",
        "//shop_page_list//item_template//list_item_small//item-name",
        "//shop_page_list//item_template//list_item_big//info_message",
        "//shop_page_list//item_template//list_item_big//item_descshort",
        "//shop_page_list//item_template//button-grid//enable-item",
        "//shop_page_list//item_template//buy-button//item_price",
        "//shop_page_list//item_template//gift-button//gift_price",
        "//shop_page_list//item_template//refill-button//refill_price",
        "//confirm_buy_dialog//item-icon", "//confirm_buy_dialog//item-name", "//confirm_buy_dialog//value_price",
        "//dialog_list_selection//selection_list_content",
        "//dialog_gift_list_selection//selection_gift_list_content",
        "//selection_gift_list_content//item_template//price-value",
        "//confirm_buy_player_gift_dialog//player-icon", "//confirm_buy_player_gift_dialog//player-name",
        "//generic_error_dialog_more_coins//coins-value", "//list_me//brixcoins_amount",
        "//challenge_received//player_avatar", "//challenge_received//player_rank",
        "//challenge_received//player_score",
    };
    SocialRig rig;
    for (const char* path : kPaths)
        EXPECT_NE(rig.Find(path), nullptr) << path;
    const char* toggles[] = {"//playerlist_global//item_template//button_block",
                             "//shop_page_list//item_template//list_item_small//enable-item"};
    for (const char* path : toggles)
        EXPECT_NE(CToggleButton::Cast(rig.Find(path)), nullptr) << path;
}

TEST(BrixMenuPlayers, HeaderReplies)
{
    struct Case
    {
        const char* name;
        int total;
        std::vector<int> groups;     // empty with useGroups: a group list with no entry
        bool useGroups;
        int rows;
        bool noResults, loading;
    };
    const Case cases[] = {
        {"no groups, nobody", 0, {}, false, 0, true, false},
        {"no groups, 25 players", 25, {}, false, 25, false, true},
        {"empty group list", 12, {}, true, 12, false, true},
        {"groups of 0", 0, {0, 0}, true, 2, false, false},
        {"groups of 3 and 4", 7, {3, 4}, true, 9, false, true},
        {"negative group size", 5, {-5, 2}, true, 4, false, true},
    };
    for (const Case& c : cases)
    {
        SocialRig rig("players_root");
        rig.Fire("show_players_root", nullptr);
        rig.Frames();
        EXPECT_TRUE(Has(rig.Take(), "RequestPlayerList 0 0 0 -1 0")) << c.name;
        CKetrelArray<CGroupListItem> groups;
        for (size_t i = 0; i < c.groups.size(); ++i)
        {
            CGroupListItem g;
            g.name = CKetrelString(("G" + std::to_string(i)).c_str());
            g.value1 = c.groups[i];
            groups.Add(g);
        }
        Header(rig, c.total, c.useGroups ? &groups : nullptr);
        CInfiniteList* list = CInfiniteList::Cast(rig.Find(kGlobal));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->GetItemCount(), c.rows) << c.name;
        EXPECT_EQ(Shown(rig.Find("//players_root//global_page"), "no_results"), c.noResults) << c.name;
        EXPECT_EQ(Shown(rig.Find("//players_root//global_page"), "loading"), c.loading) << c.name;
    }
}

// The rows of a batch are asked for together, filled when their records arrive, and a
// reply for a row that went meanwhile is dropped.
TEST(BrixMenuPlayers, RowsFillFromReplies)
{
    SocialRig rig("players_root");
    CInfiniteList* list = GlobalList(rig, 200);
    ASSERT_NE(list, nullptr);
    const Calls calls = rig.Take();
    const int loaded = list->GetLoadedRowCount();
    ASSERT_GT(loaded, 0);
    EXPECT_TRUE(Has(calls, "RequestPlayerList 0 0 0 0 " + std::to_string(loaded))) << loaded;

    struct Case
    {
        const char* name;
        int flags, wins, ties, losses;
        const char *winsPct, *tiesPct, *lossesPct;
        bool follow, gift, unfollow, blocked;
    };
    const Case cases[] = {
        {"nothing played", 0, 0, 0, 0, "0", "0", "0", true, false, false, false},
        {"two of three won", 1, 2, 0, 1, "66", "0", "33", true, false, false, false},
        {"followed", 16, 1, 1, 1, "33", "33", "33", false, true, true, false},
        {"blocked", 0x100, 0, 3, 0, "0", "100", "0", true, false, false, true},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        Row(rig, index, Player(500 + index, c.name, c.flags, c.wins, c.ties, c.losses));
        CWidget* row = LoadedRow(list, index);
        ASSERT_NE(row, nullptr) << c.name;
        CWidget* big = row->FindChild(CKetrelString("list_item_big"), -1);
        EXPECT_EQ(TextOf(row->FindChild(CKetrelString("list_item_small"), -1), "player_name"), c.name);
        EXPECT_EQ(TextOf(big, "player_wins_percent"), c.winsPct) << c.name;
        EXPECT_EQ(TextOf(big, "my_ties_percent"), c.tiesPct) << c.name;
        EXPECT_EQ(TextOf(big, "my_losses_percent"), c.lossesPct) << c.name;
        EXPECT_EQ(TextOf(big, "player_followers"), "3/4") << c.name;
        EXPECT_EQ(Shown(big, "player_status"), (c.flags & 1) != 0) << c.name;
        EXPECT_EQ(Shown(big, "button_follow"), c.follow) << c.name;
        EXPECT_EQ(Shown(big, "button_gift"), c.gift) << c.name;
        EXPECT_EQ(Shown(row, "button_unfollow"), c.unfollow) << c.name;
        EXPECT_EQ(CToggleButton::Cast(row->FindChild(CKetrelString("button_block"), -1))->IsToggled(), c.blocked);
        CWebButton* report = CWebButton::Cast(row->FindChild(CKetrelString("button-report"), -1));
        ASSERT_NE(report, nullptr);
        EXPECT_NE(Narrow(report->GetUrl()).find("player=" + std::to_string(500 + index)), std::string::npos);
        ++index;
    }
    // A row far beyond the loaded window: nothing is filled and nothing breaks.
    Row(rig, 150, Player(650, "gone", 0));
    EXPECT_EQ(LoadedRow(list, 150), nullptr);
}

TEST(BrixMenuPlayers, FollowUnfollowAndBlock)
{
    struct Case
    {
        const char* name;
        int id;
        const char* event;
        Calls expected;
        bool followedAfter;
    };
    const Case cases[] = {
        {"follow", 40, "follow", {"SendPlayerRelation 40 1 0", "ShowToast 0 0 T38"}, true},
        {"unfollow", 40, "unfollow", {"SendPlayerRelation 40 1 1", "ShowToast 0 0 T39"}, false},
        {"own row", 17, "follow", {}, false},
    };
    for (const Case& c : cases)
    {
        SocialRig rig("players_root");
        CInfiniteList* list = GlobalList(rig, 10);
        Row(rig, 0, Player(c.id, "Pat", c.followedAfter ? 0 : 16));
        rig.Take();
        CWidget* row = LoadedRow(list, 0);
        ASSERT_NE(row, nullptr);
        rig.Fire(c.event, row->FindChild(CKetrelString(c.followedAfter ? "button_follow" : "button_unfollow"), -1));
        EXPECT_EQ(rig.Take(), c.expected) << c.name;
        if (c.id != 17)
        {
            EXPECT_EQ(Shown(row, "button_unfollow"), c.followedAfter) << c.name;
        }
    }
    SocialRig rig("players_root");
    CInfiniteList* list = GlobalList(rig, 10);
    Row(rig, 0, Player(41, "Kim", 0));
    rig.Take();
    CToggleButton* block = CToggleButton::Cast(LoadedRow(list, 0)->FindChild(CKetrelString("button_block"), -1));
    block->SetToggled(true);
    EXPECT_EQ(rig.Fire("block", block), 1);
    EXPECT_EQ(rig.Take(), (Calls{"BlockUser 41 1", "ShowToast 0 0 T40"}));
    // A shop row's item id is never taken for a player record.
    rig.state->OpenPage(CKetrelString("shop_root"), 1);
    EXPECT_EQ(rig.Fire("block", rig.Find("//shop_page_list//button-grid//enable-item")), 0);
}

TEST(BrixMenuPlayers, RelationNoticeAndExpandingRows)
{
    SocialRig rig("players_root");
    CInfiniteList* list = GlobalList(rig, 10);
    Row(rig, 0, Player(60, "Ann", 0));
    Row(rig, 1, Player(61, "Ben", 0));
    rig.state->OnPlayerRelationChanged(nullptr, 61, 3, 0, CKetrelString(), CKetrelString());
    EXPECT_TRUE(Shown(LoadedRow(list, 1), "button_unfollow"));
    rig.state->OnPlayerRelationChanged(nullptr, 61, 2, 1, CKetrelString(), CKetrelString());
    EXPECT_TRUE(Shown(LoadedRow(list, 1), "button_unfollow"));

    CExpandable* row = CExpandable::Cast(LoadedRow(list, 0));
    ASSERT_NE(row, nullptr);
    CWidget* details = row->FindChild(CKetrelString("player_details_button"), -1);
    // State by state: details from 0 go to 1, from 1 to 2 and from 2 back to 1.
    const int expected[] = {1, 2, 1};
    for (int s : expected)
    {
        rig.Fire("player_details", details);
        rig.Frames(10);
        EXPECT_EQ(row->GetState(), s);
    }
    // Expanding another row collapses the first.
    rig.Fire("expand_list_item", LoadedRow(list, 1));
    rig.Frames(10);
    EXPECT_EQ(row->GetState(), 0);
    EXPECT_EQ(CExpandable::Cast(LoadedRow(list, 1))->GetState(), 1);
}

// A picture for a row's player lands in both of its avatars; a corrupt one changes nothing.
TEST(BrixMenuPlayers, AvatarsFromTheServer)
{
    SocialRig rig("players_root");
    CInfiniteList* list = GlobalList(rig, 10);
    Row(rig, 0, Player(70, "Cy", 0));
    CImageWidget* avatar = CImageWidget::Cast(LoadedRow(list, 0)->FindChild(CKetrelString("player_avatar"), -1));
    ASSERT_NE(avatar, nullptr);
    CKetrelSurface* before = avatar->GetImage();
    const u8 junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, 70, 0, nullptr, nullptr, junk, sizeof junk);
    EXPECT_EQ(avatar->GetImage(), before);
    const std::vector<u8> png = Png();
    CBrixMenuState::PlayerListCallback(rig.state.get(), 0, 70, 0, nullptr, nullptr, png.data(), (int)png.size());
    ASSERT_TRUE(rig.host.imageUi.images.Has("player_avatar_icon_70"));
    EXPECT_EQ(avatar->GetImage(), rig.host.imageUi.images.images["player_avatar_icon_70"].image);
    // The row's two avatars hold it; the code's own reference is dropped.
    EXPECT_EQ(rig.host.imageUi.images.Held("player_avatar_icon_70"), 2);
    CImageWidget* small = CImageWidget::Cast(LoadedRow(list, 0)->FindChild(CKetrelString("player_avatar_small"), -1));
    EXPECT_EQ(small->GetImage(), avatar->GetImage());
}

// The me page's own row is filled from the self list's reply, its picture as "self_avatar".
TEST(BrixMenuPlayers, SelfRow)
{
    SocialRig rig("me_root");
    CInfiniteList* list = CInfiniteList::Cast(rig.Find("//me_root//list_me"));
    ASSERT_NE(list, nullptr);
    rig.Fire("show_me", list);
    rig.Frames();
    CWidget* row = list->FindChild(CKetrelString("0"), 0);
    ASSERT_NE(row, nullptr);
    ASSERT_NE(rig.host.lastCallback, nullptr);
    const CPlayerListItem me = Player(17, "Myself", 1, 3, 0, 1);
    rig.host.lastCallback(rig.host.lastContext, 32, 0, 1, nullptr, &me, nullptr, 0);
    EXPECT_EQ(TextOf(row, "player_name"), "Myself");
    EXPECT_EQ(TextOf(row, "player_wins_percent"), "<none>");
    const std::vector<u8> png = Png();
    rig.host.lastCallback(rig.host.lastContext, 32, 17, 0, nullptr, nullptr, png.data(), (int)png.size());
    CImageWidget* avatar = CImageWidget::Cast(row->FindChild(CKetrelString("player_avatar"), -1));
    ASSERT_NE(avatar, nullptr);
    EXPECT_EQ(avatar->GetImage(), rig.host.imageUi.images.images["self_avatar"].image);
}

// The me page's tournament scores: one clone per name, and a repeated reply replaces the
// earlier clones instead of adding to them. Other users' scores change nothing there.
TEST(BrixMenuPlayers, TournamentScoresOnTheMePage)
{
    SocialRig rig("me_root");
    CInfiniteList* list = CInfiniteList::Cast(rig.Find("//me_root//list_me"));
    rig.Fire("show_me", list);
    rig.Frames();
    CKetrelArray<CKetrelString> names;
    names.Add(CKetrelString("Cup"));
    names.Add(CKetrelString("Shield"));
    names.Add(CKetrelString("Plate"));
    CKetrelArray<CUserTournamentScores> scores;
    CUserTournamentScores mine;
    mine.userId = 17;
    mine.scores.Add(5);
    mine.scores.Add(6);
    mine.scores.Add(7);
    scores.Add(mine);
    auto clones = [&] {
        int n = 0;
        CWidget* grid = rig.Find("tournament_scores_list");
        for (int i = 0; grid && i < grid->GetChildCount(); ++i)
            n += Narrow(grid->GetChild(i)->GetName()).rfind("me_score_", 0) == 0;
        return n;
    };
    CWidget* row = list->FindChild(CKetrelString("0"), 0);
    ASSERT_NE(row, nullptr);
    const int rowBefore = row->GetHeight();
    const int containerBefore = rig.Find("tournament_container")->GetHeight();
    for (int round = 0; round < 2; ++round)
    {
        rig.state->OnTournamentScores(names, scores, 1);
        EXPECT_EQ(clones(), 3) << round;
        // Two rows of scores of the template's height; the me row grew by the change once.
        EXPECT_EQ(rig.Find("tournament_container")->GetHeight(), 2 * rig.Find("score_item")->GetHeight()) << round;
        EXPECT_EQ(row->GetHeight() - rowBefore, rig.Find("tournament_container")->GetHeight() - containerBefore)
            << round;
    }
    EXPECT_EQ(TextOf(rig.Find("me_score_Shield"), "score_number"), "6");
    scores[0].userId = 99;
    rig.state->OnTournamentScores(names, scores, 1);
    EXPECT_EQ(clones(), 3);
}

// Scores of the chat page's players (flag 32) reach the avatar rows' records and the
// details, whether these open before the scores come or after.
TEST(BrixMenuPlayers, TournamentScoresOfTheChatPlayers)
{
    for (bool openFirst : {true, false})
    {
        SocialRig rig("chat_root");
        CBrixMenuState::OnGamePlayers(rig.state.get(), 0x100, 0, 2, nullptr, nullptr, nullptr, 0);
        rig.Frames();
        CInfiniteList* list = CInfiniteList::Cast(rig.Find("//chat_avatars_root//avatar_list"));
        ASSERT_NE(list, nullptr);
        const CPlayerListItem ann = Player(80, "Ann", 1), bob = Player(81, "Bob", 1);
        CBrixMenuState::OnGamePlayers(rig.state.get(), 0x100, 0, 2, nullptr, &ann, nullptr, 0);
        CBrixMenuState::OnGamePlayers(rig.state.get(), 0x100, 1, 2, nullptr, &bob, nullptr, 0);
        CWidget* row = LoadedRow(list, 1);
        CExpandable* details = CExpandable::Cast(rig.Find("//chat_root//chat_expand_item"));
        ASSERT_NE(row, nullptr);
        ASSERT_NE(details, nullptr);
        // The details show the score where the layout gives them a place for it.
        CTextWidget* scoreText = new CTextWidget();
        scoreText->Init(nullptr, nullptr, CKetrelRect(0, 0, 100, 20));
        scoreText->SetName(CKetrelString("player_score"));
        details->AddChild(scoreText);
        // The layout raises the details from a button inside the row.
        CWidget* button = row->FindChild(CKetrelString("expand-button"), -1);
        ASSERT_NE(button, nullptr);
        if (openFirst)
            rig.Fire("expand_chat_item", button);
        CKetrelArray<CKetrelString> names;
        names.Add(CKetrelString("Cup"));
        CKetrelArray<CUserTournamentScores> scores;
        CUserTournamentScores score;
        score.userId = 81;
        score.scores.Add(95);
        scores.Add(score);
        rig.state->OnTournamentScores(names, scores, 32);
        if (!openFirst)
            rig.Fire("expand_chat_item", row);
        const CPlayerListItem* shown = static_cast<const CPlayerListItem*>(details->GetUserData());
        ASSERT_NE(shown, nullptr) << openFirst;
        EXPECT_EQ(shown->id, 81) << openFirst;
        EXPECT_EQ(shown->stats[2], 95) << openFirst;
        EXPECT_EQ(Narrow(scoreText->GetText()), "95") << openFirst;
    }
}

// The log-in form, when it shows, empties the lists of the account that went.
TEST(BrixMenuPlayers, LogInFormEmptiesTheLists)
{
    SocialRig rig("players_root");
    CInfiniteList* list = GlobalList(rig, 10);
    ASSERT_NE(list, nullptr);
    Row(rig, 0, Player(41, "Kim", 0));
    ASSERT_EQ(list->GetItemCount(), 10);
    rig.state->ShowLoginScreen();
    EXPECT_EQ(list->GetItemCount(), 0);
}
