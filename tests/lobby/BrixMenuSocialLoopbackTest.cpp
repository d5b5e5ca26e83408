// The players, shop, challenge and gift pages against our lobby server on 127.0.0.1:
// each menu state talks to the server through a real network session, with frames pumped
// by hand. A list of 1,000 players scrolled to its end, follows seen by the followed
// player, purchases refused and allowed, a gift that arrives, and challenges accepted
// and rejected.
#include "../net/SessionRecorder.h"
#include "SocialTestKit.h"

#include "ui/InfiniteList.h"
#include "ui/PageView.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace
{
using socialtest::SocialHost;
using socialtest::TextOf;

// An account's log-in: catches the challenge's salt and the reply.
struct ChallengeCatcher : Session::LoginObserver
{
    CKetrelString salt;
    bool got = false;
    bool loggedIn = false;
    void OnConnectRefused(Session*, const CKetrelString&) override {}
    void OnLoginError(Session*, const CKetrelString&) override {}
    void OnLoginChallenge(Session*, const CKetrelString& c) override { salt = c; got = true; }
    void OnLoggedIn(Session*, int, const CKetrelString&, const CKetrelString&, const CKetrelString&,
                    const CKetrelString&, int) override { loggedIn = true; }
    void OnConfirmUserNameAck(Session*, int, const CKetrelString&) override {}
    void OnConfirmEmailAck(Session*, int, const CKetrelString&) override {}
    void OnLoginSlot6(Session*) override {}
    void OnLoginSlot7(Session*) override {}
    void OnLoginSlot8(Session*) override {}
};

// The menu's host on a live session: every request goes to the server (and is logged).
class SessionHost : public SocialHost
{
public:
    explicit SessionHost(Session* s) : m_s(s) {}
    // The notices of challenge answers show who answered.
    CKetrelString GetLanguageText(i32 index) override
    {
        return index == 5 ? CKetrelString("%s declined") : SocialHost::GetLanguageText(index);
    }
    i32 HasSession() override { return 1; }
    i32 GetOwnPlayerId() override { return m_s->GetOwnPlayerId(); }
    void RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first, i32 count,
                           CBrixNetworkSession::PlayerListCallback cb, void* context) override
    {
        m_s->RequestPlayerList(list, filter, a, b, first, count, cb, context);
    }
    void ClearPendingPlayerListRequests() override { m_s->ClearPendingPlayerListRequests(); }
    void RequestCoinBalance() override { m_s->RequestCoinBalance(); }
    void RequestShopGroups(i32 flags) override { m_s->RequestShopGroups(flags); }
    void RequestItemsPage(i32 flags, i32 count, i32 offset) override { m_s->RequestItemsPage(flags, count, offset); }
    void RequestShopItemImages(const CKetrelArray<i32>& ids, i32 size) override { m_s->RequestShopItemImages(ids, size); }
    void RequestBuyItem(i32 id, i32 kind) override { m_s->RequestBuyItem(id, kind); }
    void ConfirmBuyItem(i32 id, i32 kind, const CKetrelArray<i32>* receivers) override
    {
        m_s->ConfirmBuyItem(id, kind, receivers);
    }
    void SendPlayerRelation(i32 id, i32 relation, i32 value, const CKetrelString& text) override
    {
        m_s->SendPlayerRelation(id, relation, value, text);
    }
    void SendChallenge(const CKetrelArray<i32>& ids, const CKetrelString& text) override { m_s->SendChallenge(ids, text); }
    void AnswerChallenge(i32 id, i32 answer, const CKetrelString& text) override
    {
        Log("AnswerChallenge", id, answer);
        m_s->AnswerChallenge(id, answer, text);
    }
    void SendGameReady() override
    {
        Log("SendGameReady");
        m_s->SendGameReady();
    }
    void RequestPlayerGiftItems(i32 id) override { m_s->RequestPlayerGiftItems(id); }
    void ConfirmBuyPlayerItems(i32 id, i32 b, const CKetrelArray<i32>& items) override
    {
        m_s->ConfirmBuyPlayerItems(id, b, items);
    }

    // Off by default: with the session in hand the log-in controller would drive it.
    CBrixNetworkSession* GetNetworkSession() override { return exposeSession ? m_s : nullptr; }
    bool exposeSession = false;

private:
    Session* m_s;
};

// A player: a session logged in (as a guest, or to an account) and a menu state on it.
struct Player
{
    Client client;
    SessionHost host{&client.session};
    std::unique_ptr<CBrixMenuState> state;
    ChallengeCatcher catcher;

    Player() : state(new CBrixMenuState(&host, false))
    {
        state->Init(nullptr);
        state->Activate();
        client.session.AddLobbyObserver(state.get());
    }
    ~Player()
    {
        client.session.RemoveLobbyObserver(state.get());
        client.session.Close();
        state->Release();
    }
    bool LogIn(int port, const char* name = nullptr, const char* password = nullptr)
    {
        Session& s = client.session;
        if (s.Connect("127.0.0.1", port, name ? static_cast<Session::LoginObserver*>(&catcher)
                                              : static_cast<Session::LoginObserver*>(&client.rec)) != 1)
            return false;
        if (!Pump({&client}, [&] { return client.Lobby() == Session::LOBBY_CONNECTED; }))
            return false;
        if (!name)
            return s.Login("guest", "", &client.rec) == 1 && Pump({&client}, [&] { return client.rec.Has("logged in"); });
        if (s.RequestLoginChallenge(name, &catcher) != 1 || !Pump({&client}, [&] { return catcher.got; }))
            return false;
        return s.Login(name, s.HashPassword(password, catcher.salt), &catcher) == 1 &&
               Pump({&client}, [&] { return catcher.loggedIn; });
    }
    void Open(const char* page)
    {
        state->OpenPage(CKetrelString(page), 1);
        state->GetPageView()->FinishTransitions();
    }
    CWidget* Find(const char* path)
    {
        CWidget* root = state->GetRoot();
        return std::strchr(path, '/') ? root->FindByPath(CKetrelString(path)) : root->FindChild(CKetrelString(path), -1);
    }
    int Fire(const char* event, CWidget* w) { return state->FireEvent(CKetrelString(event), w); }
    bool Logged(const std::string& what) const
    {
        for (const std::string& x : host.log)
            if (x == what)
                return true;
        return false;
    }
};

// Frames of every player (session and menu) until done() holds or 10 s pass.
bool Frames(std::vector<Player*> players, std::function<bool()> done)
{
    std::vector<Client*> clients;
    for (Player* p : players)
        clients.push_back(&p->client);
    return Pump(clients, [&] {
        for (Player* p : players)
            p->state->Update(0.02f);
        return done();
    });
}

CInfiniteList* GlobalList(Player& p)
{
    p.Open("players_root");
    p.Fire("show_players_root", nullptr);
    return CInfiniteList::Cast(p.Find("//players_root//playerlist_global"));
}

// The loaded row of the list whose record names the player.
CWidget* RowOf(Player& p, CInfiniteList* list, const char* name)
{
    for (int i = 0; list && i < list->GetChildCount(); ++i)
    {
        CPlayerListItem* r = p.state->GetRowRecord(list->GetChild(i));
        if (r && Narrow(r->text1) == name)
            return list->GetChild(i);
    }
    return nullptr;
}

// The account's coins as the server stores them.
int StoredCoins(const CLobbyServerProcess& server, const char* name)
{
    const std::string command = "python3 -c \"import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("
                                "'SELECT coins FROM players WHERE name=?', (sys.argv[2],)).fetchone()[0])\" '" +
                                server.Folder() + "lobby.db' '" + name + "'";
    FILE* f = popen(command.c_str(), "r");
    if (!f)
        return -1;
    int coins = -1;
    if (fscanf(f, "%d", &coins) != 1)
        coins = -1;
    pclose(f);
    return coins;
}
}

// Scrolled from the first row to the last in the list's own batches, the global list
// shows every player once, at one index each.
TEST(BrixMenuSocialLoopback, ThousandPlayersScrolledThroughInBatches)
{
    CLobbyServerProcess server({"--seed-players", "1000"});
    ASSERT_NE(server.Port(), 0);
    Player me;
    ASSERT_TRUE(me.LogIn(server.Port()));
    CInfiniteList* list = GlobalList(me);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(Frames({&me}, [&] { return list->GetItemCount() > 1000; }));
    const int total = list->GetItemCount();
    EXPECT_EQ(total, 3 + 20 + 1000 + 1);     // accounts, the store's own seeds, ours and the guest
    std::map<int, int> idAt;                  // index -> player id
    std::set<int> ids;
    int stalled = 0;
    while ((int)idAt.size() < total && stalled < 200)
    {
        const size_t before = idAt.size();
        Frames({&me}, [&] {
            int filled = 0;
            for (int i = 0; i < list->GetChildCount(); ++i)
                filled += me.state->GetRowRecord(list->GetChild(i)) != nullptr;
            return filled == list->GetChildCount();
        });
        for (int i = 0; i < list->GetChildCount(); ++i)
        {
            CWidget* row = list->GetChild(i);
            CPlayerListItem* r = me.state->GetRowRecord(row);
            if (!r)
                continue;
            const int index = atoi(Narrow(row->GetName()).c_str());
            auto seen = idAt.find(index);
            if (seen != idAt.end())
            {
                EXPECT_EQ(seen->second, r->id) << "index " << index;
                continue;
            }
            EXPECT_TRUE(ids.insert(r->id).second) << "player " << r->id << " twice";
            idAt[index] = r->id;
        }
        stalled = idAt.size() == before ? stalled + 1 : 0;
        // One page on: the list recycles its top rows into the next batch.
        list->ScrollTo(0, list->GetScrollY() + list->GetHeight(), 0.0f);
        me.state->Update(0.02f);
    }
    EXPECT_EQ((int)idAt.size(), total);
    EXPECT_EQ((int)ids.size(), total);
}

// A follow from the list is seen by the followed player as a follower, and goes again
// with the unfollow.
TEST(BrixMenuSocialLoopback, FollowSeenByTheOtherSide)
{
    CLobbyServerProcess server;
    ASSERT_NE(server.Port(), 0);
    Player alice, bobby;
    ASSERT_TRUE(alice.LogIn(server.Port(), "Alice", "alice-pw"));
    ASSERT_TRUE(bobby.LogIn(server.Port(), "Bobby", "bobby-pw"));
    CInfiniteList* list = GlobalList(alice);
    CWidget* row = nullptr;
    ASSERT_TRUE(Frames({&alice}, [&] { return (row = RowOf(alice, list, "Bobby")) != nullptr; }));

    int followers = -1;
    auto seenByBobby = [&](int expected) {
        followers = -1;
        static auto cb = [](void* context, int, int, int, const CKetrelArray<CGroupListItem>*,
                            const CPlayerListItem* item, const u8*, int) {
            if (item)
                *static_cast<int*>(context) = item->stats[6];
        };
        // A request made while Bobby's own list is still loading may be dropped as a
        // duplicate, and a reply may predate the follow on a loaded machine: ask again.
        for (int attempt = 0; attempt < 10; ++attempt)
        {
            followers = -1;
            bobby.client.session.RequestPlayerList(32, CKetrelString(), 0, 0, 0, 1, cb, &followers);
            if (Pump({&bobby.client}, [&] {
                    bobby.state->Update(0.02f);
                    return followers == expected;
                }, 2000))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(seenByBobby(0));
    alice.Fire("follow", row->FindChild(CKetrelString("button_follow"), -1));
    EXPECT_TRUE(alice.Logged("ShowToast 0 0 T38"));
    EXPECT_TRUE(seenByBobby(1)) << followers;
    // The follow list of Alice now holds Bobby.
    alice.Fire("show_follow_items", nullptr);
    CInfiniteList* follow = CInfiniteList::Cast(alice.Find("//players_root//playerlist_follow"));
    EXPECT_TRUE(Frames({&alice}, [&] { return follow->GetItemCount() == 1; }));
    alice.Open("players_root");
    alice.Fire("show_players_root", nullptr);
    ASSERT_TRUE(Frames({&alice}, [&] { return (row = RowOf(alice, list, "Bobby")) != nullptr; }));
    alice.Fire("unfollow", row->FindChild(CKetrelString("button_unfollow"), -1));
    EXPECT_TRUE(seenByBobby(0)) << followers;
}

// With too few coins the purchase is refused and nothing changes; an allowed one takes
// its price on the server and in the shop's balance, and the item joins my items.
TEST(BrixMenuSocialLoopback, PurchasesAndTheBalance)
{
    CLobbyServerProcess server;
    ASSERT_NE(server.Port(), 0);
    Player bobby;     // 20 coins
    ASSERT_TRUE(bobby.LogIn(server.Port(), "Bobby", "bobby-pw"));
    bobby.Open("shop_root");
    bobby.Fire("show_shop", nullptr);
    bobby.Fire("show_shop_items", nullptr);
    CInfiniteList* shop = CInfiniteList::Cast(bobby.Find("shop_page_list"));
    CWidget* page = bobby.state->GetPageView()->FindChild(CKetrelString("shop_root"), 0);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(Frames({&bobby}, [&] { return TextOf(page, "brixcoins_amount") == "20"; }));
    // Row 0 of the first group is the cluster bomb (50 coins).
    CWidget* row = nullptr;
    ASSERT_TRUE(Frames({&bobby}, [&] {
        row = shop->FindChild(CKetrelString("0"), 0);
        return row && TextOf(row, "item_name") == "Cluster bomb";
    }));
    bobby.Fire("buy_item", row->FindChild(CKetrelString("buy-button"), -1));
    ASSERT_TRUE(Frames({&bobby}, [&] { return bobby.state->GetPageView()->GetCurrentPage()->GetName().Equals(
                                        CKetrelString("confirm_buy_dialog")); }));
    bobby.Fire("show_confirm_buy_dialog", bobby.Find("confirm_buy_dialog"));
    EXPECT_EQ(TextOf(bobby.Find("confirm_buy_dialog"), "value_price"), "50");
    bobby.Fire("ok_buy_confirm", nullptr);
    ASSERT_TRUE(Frames({&bobby}, [&] { return bobby.state->GetPageView()->GetCurrentPage()->GetName().Equals(
                                        CKetrelString("generic_error_dialog_more_coins")); }));
    EXPECT_EQ(StoredCoins(server, "Bobby"), 20);

    // Carol has 1000 coins and buys the crown for 300.
    Player carol;
    ASSERT_TRUE(carol.LogIn(server.Port(), "Carol", "carol-pw"));
    carol.Open("shop_root");
    carol.Fire("show_shop", nullptr);
    carol.Fire("show_shop_items", nullptr);
    shop = CInfiniteList::Cast(carol.Find("shop_page_list"));
    ASSERT_TRUE(Frames({&carol}, [&] {
        row = nullptr;
        for (int i = 0; i < shop->GetChildCount() && !row; ++i)
            if (TextOf(shop->GetChild(i), "item_name") == "Golden crown")
                row = shop->GetChild(i);
        return row != nullptr;
    }));
    carol.Fire("buy_item", row->FindChild(CKetrelString("buy-button"), -1));
    ASSERT_TRUE(Frames({&carol}, [&] { return carol.state->GetPageView()->GetCurrentPage()->GetName().Equals(
                                        CKetrelString("confirm_buy_dialog")); }));
    carol.Fire("ok_buy_confirm", nullptr);
    EXPECT_TRUE(Frames({&carol}, [&] { return carol.state->GetCoinBalance() == 700; })) << carol.state->GetCoinBalance();
    EXPECT_EQ(TextOf(carol.Find("shop_root"), "brixcoins_amount"), "700");
    EXPECT_EQ(StoredCoins(server, "Carol"), 700);
    carol.Open("shop_root");
    carol.Fire("show_my_items", nullptr);
    CInfiniteList* mine = CInfiniteList::Cast(carol.Find("my_items_page_list"));
    mine->SetVisible(true);
    EXPECT_TRUE(Frames({&carol}, [&] {
        CWidget* r = mine->FindChild(CKetrelString("0"), 0);
        return r && TextOf(r, "item_name") == "Crown";
    }));
}

// Carol gives Bobby a snow bomb from his row; it arrives among Bobby's items.
TEST(BrixMenuSocialLoopback, GiftArrives)
{
    CLobbyServerProcess server;
    ASSERT_NE(server.Port(), 0);
    Player carol, bobby;
    ASSERT_TRUE(carol.LogIn(server.Port(), "Carol", "carol-pw"));
    ASSERT_TRUE(bobby.LogIn(server.Port(), "Bobby", "bobby-pw"));
    CInfiniteList* list = GlobalList(carol);
    CWidget* row = nullptr;
    ASSERT_TRUE(Frames({&carol}, [&] { return (row = RowOf(carol, list, "Bobby")) != nullptr; }));
    carol.Fire("buy_player_gift", row->FindChild(CKetrelString("button_gift"), -1));
    ASSERT_TRUE(Frames({&carol}, [&] { return carol.state->GetPageView()->GetCurrentPage()->GetName().Equals(
                                        CKetrelString("dialog_gift_list_selection")); }));
    carol.state->GetPageView()->FinishTransitions();
    CInfiniteList* items = CInfiniteList::Cast(carol.Find("selection_gift_list_content"));
    carol.Fire("show_selection_gift_list", items);
    CWidget* snow = nullptr;
    ASSERT_TRUE(Frames({&carol}, [&] {
        for (int i = 0; i < items->GetChildCount() && !snow; ++i)
            if (TextOf(items->GetChild(i), "item-name") == "Snow bomb")
                snow = items->GetChild(i);
        return snow != nullptr;
    }));
    carol.Fire("select_gift_list_item", snow->FindChild(CKetrelString("select-button"), -1));
    carol.Fire("ok_gift_list_selection", nullptr);
    carol.Fire("show_confirm_buy_player_gift_dialog", carol.Find("confirm_buy_player_gift_dialog"));
    EXPECT_EQ(TextOf(carol.Find("confirm_buy_player_gift_dialog"), "value_price"), "50");
    carol.Fire("ok_buy_player_gift_confirm", nullptr);
    EXPECT_TRUE(Frames({&carol}, [&] { return carol.state->GetCoinBalance() == 950; }));

    bobby.Open("shop_root");
    bobby.Fire("show_my_items", nullptr);
    CInfiniteList* mine = CInfiniteList::Cast(bobby.Find("my_items_page_list"));
    mine->SetVisible(true);
    EXPECT_TRUE(Frames({&bobby}, [&] {
        CWidget* r = mine->FindChild(CKetrelString("0"), 0);
        return r && TextOf(r, "item_name") == "Snow bomb";
    }));
}

// Alice challenges Bobby from her list. Accepted, both sessions join the match's game
// channel; rejected, the answer reaches Alice and closes her waiting page.
TEST(BrixMenuSocialLoopback, ChallengesAcceptedAndRejected)
{
    for (int accept = 0; accept < 2; ++accept)
    {
        CLobbyServerProcess server;
        ASSERT_NE(server.Port(), 0);
        Player alice, bobby;
        ASSERT_TRUE(alice.LogIn(server.Port(), "Alice", "alice-pw"));
        ASSERT_TRUE(bobby.LogIn(server.Port(), "Bobby", "bobby-pw"));
        CInfiniteList* list = GlobalList(alice);
        CWidget* row = nullptr;
        ASSERT_TRUE(Frames({&alice}, [&] { return (row = RowOf(alice, list, "Bobby")) != nullptr; }));
        alice.Fire("send_challenge", row->FindChild(CKetrelString("button_challenge"), -1));
        EXPECT_TRUE(alice.state->GetPageView()->GetCurrentPage()->GetName().Equals(CKetrelString("challenge_waiting")));
        ASSERT_TRUE(Frames({&alice, &bobby}, [&] { return bobby.state->GetChallengePartner() == alice.client.session.GetOwnPlayerId(); }));
        EXPECT_EQ(TextOf(bobby.Find("challenge_received"), "player_name"), "Alice");
        EXPECT_TRUE(bobby.Logged("ShowToast 3 20 T37"));
        bobby.Fire(accept ? "accept_challenge" : "reject_challenge", nullptr);
        if (accept)
        {
            EXPECT_TRUE(Frames({&alice, &bobby}, [&] {
                return (alice.client.session.GetStatus() & Session::GAME_CONNECTED) &&
                       (bobby.client.session.GetStatus() & Session::GAME_CONNECTED);
            }));
            // As the application does when the game channel opens: the match's item
            // catalogue, whose end sends game-ready; with both ready the match has its
            // two players.
            alice.host.RequestShopGroups(0x401);
            bobby.host.RequestShopGroups(0x401);
            EXPECT_TRUE(Frames({&alice, &bobby}, [&] {
                return alice.client.rec.HasPrefix("players 2") && bobby.client.rec.HasPrefix("players 2");
            }));
            EXPECT_TRUE(alice.Logged("SendGameReady"));
        }
        else
        {
            EXPECT_TRUE(Frames({&alice, &bobby}, [&] { return alice.Logged("ShowNotification Bobby declined"); }));
            EXPECT_FALSE(alice.state->GetPageView()->GetCurrentPage()->GetName().Equals(
                CKetrelString("challenge_waiting")));
        }
    }
}

// Bobby accepts Alice's challenge after Alice has begun a match with Carol: the match
// cannot start, and each of the two hears that the other is busy.
TEST(BrixMenuSocialLoopback, ChallengeAcceptedWhileTheChallengerPlays)
{
    CLobbyServerProcess server;
    ASSERT_NE(server.Port(), 0);
    Player alice, bobby, carol;
    ASSERT_TRUE(alice.LogIn(server.Port(), "Alice", "alice-pw"));
    ASSERT_TRUE(bobby.LogIn(server.Port(), "Bobby", "bobby-pw"));
    ASSERT_TRUE(carol.LogIn(server.Port()));
    const int idAlice = alice.client.session.GetOwnPlayerId(), idCarol = carol.client.session.GetOwnPlayerId();
    CKetrelArray<i32> ids;
    ids.Add(bobby.client.session.GetOwnPlayerId());
    alice.client.session.SendChallenge(ids, "");
    ASSERT_TRUE(Frames({&alice, &bobby}, [&] { return bobby.state->GetChallengePartner() == idAlice; }));
    ids.RemoveAll();
    ids.Add(idAlice);
    carol.client.session.SendChallenge(ids, "");
    ASSERT_TRUE(Frames({&alice, &carol}, [&] { return alice.state->GetChallengePartner() == idCarol; }));
    alice.client.session.AnswerChallenge(idCarol, 1, "");
    ASSERT_TRUE(Frames({&alice, &carol}, [&] { return (carol.client.session.GetStatus() & Session::GAME_CONNECTED) != 0; }));

    bobby.Fire("accept_challenge", nullptr);
    EXPECT_TRUE(Frames({&alice, &bobby}, [&] {
        return alice.Logged("ShowNotification T6") && bobby.Logged("ShowNotification T6");
    }));
    EXPECT_FALSE(alice.Logged("ShowNotification T4"));
    EXPECT_FALSE(bobby.Logged("ShowNotification T4"));
}

// An item used in a match reaches the server, which logs it.
TEST(BrixMenuSocialLoopback, ItemUsedInAMatchReachesTheServer)
{
    CLobbyServerProcess server;
    ASSERT_NE(server.Port(), 0);
    Player me;
    ASSERT_TRUE(me.LogIn(server.Port()));
    me.host.exposeSession = true;
    me.state->SendMessage101(201, 1, 80);
    auto logged = [&] {
        FILE* f = fopen((server.Folder() + "server.log").c_str(), "r");
        std::string text;
        char buffer[4096];
        size_t n;
        while (f && (n = fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        if (f)
            fclose(f);
        return text.find("item 201 used x1") != std::string::npos;
    };
    EXPECT_TRUE(Frames({&me}, logged));
}
