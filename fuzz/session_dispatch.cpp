// Arbitrary bytes from the server into a network session's receive path on both
// channels, without sockets: the session first has something pending of every kind
// (a log-in, player lists, a picture request), so replies find a party to route to.
// Every observer records what it is told, reading every list, text and byte it gets.
// The first byte steers the cutting into chunks and the channel of each.
#include "engine/KetrelApplication.h"
#include "net/BerHandCodec.h"
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"

#include <vector>

namespace
{
typedef CBrixNetworkSession Session;

u32 g_sum;   // what the observers read, so nothing is optimised away

void Touch(const u8* data, int size)
{
    for (int i = 0; i < size; ++i)
        g_sum += data[i];
}

void Touch(const CKetrelString& text)
{
    for (int i = 0; i < text.GetLength(); ++i)
        g_sum += text.GetAt(i);
}

class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

struct Store : IBrixLanguageStore
{
    bool NeedsUpdate(const CKetrelString& c, const CKetrelString& d) override { Touch(c); Touch(d); return true; }
    bool HasPack(const CKetrelString&) override { return false; }
    void AddLanguagePack(const CKetrelString& c) override { Touch(c); }
    void ReloadLanguagePack(const CKetrelString& c) override { Touch(c); }
    CKetrelString GetBaseName() override { return "gametexts"; }
};

struct FuzzHost : IBrixSessionHost
{
    FuzzApplication app;
    Store store;
    IKetrelApplication* GetEngineApplication() override { return &app; }
    CKetrelString GetLanguageText(i32) override { return "text"; }
    void GetClientInfo(CBrixClientInfo* info) override { info->appGameId = 64; }
    // No such folder: packs go through the name checks, then fail to open.
    CKetrelString GetUserDataFolder() override { return "/nonexistent-session-fuzz/"; }
    void ShowChatNotice(const CBrixChatRecord& r, int) override { Touch(r.text); }
    void RedirectServer(const CKetrelString& host, int port) override { Touch(host); g_sum += (u32)port; }
    IBrixLanguageStore* GetLanguageStore(int which) override { return which == 0 ? &store : nullptr; }
    void SetLanguage(const CKetrelString& c) override { Touch(c); }
    void SetTheme(const CKetrelString& n) override { Touch(n); }
};

struct Recorder : Session::StatusObserver, Session::LobbyObserver, Session::GameObserver,
                  Session::AdvertisementObserver, Session::LoginObserver
{
    void OnLobbyLinkStatusChanged(Session*, int b) override { g_sum += (u32)b; }
    void OnGameLinkStatusChanged(Session*, int g) override { g_sum += (u32)g; }
    void OnNotification(Session*, int, int, const CKetrelString& t) override { Touch(t); }
    void OnMatchResult(Session* s, int, int, int) override
    {
        for (i32 i = 0; i < s->GetLobby()->GetCount(); ++i)
            Touch(s->GetLobby()->GetAt(i)->GetName());
    }
    void OnLobbySlot1(Session*) override {}
    void OnPlayerRelationChanged(Session*, int, int, int, const CKetrelString& a, const CKetrelString& b) override
    {
        Touch(a);
        Touch(b);
    }
    void OnGameResultItem(Session*, int, const CGameResultItem& item) override { Touch(item.text4); }
    void OnChallengeReceived(Session*, int, const CKetrelString& a, const CKetrelString& b, int, int) override
    {
        Touch(a);
        Touch(b);
    }
    void OnChallengeAnswer(Session*, int, const CKetrelString& a, const CKetrelString& b, int) override
    {
        Touch(a);
        Touch(b);
    }
    void OnChallengerImage(Session*, int, const u8* d, int n) override { Touch(d, n); }
    void OnChangeNotice(int v) override { g_sum += (u32)v; }
    void OnItemDataList(const CKetrelArray<CItemData>& l) override
    {
        for (i32 i = 0; i < l.GetCount(); ++i)
            Touch(l[i].block, CItemData::BlockSize);
    }
    void OnDataChunk(int, int, const u8* d, int n, int) override { Touch(d, n); }
    void OnCoinBalance(int v) override { g_sum += (u32)v; }
    void OnShopGroups(int, const CKetrelArray<CShopGroupData>& l) override
    {
        for (i32 i = 0; i < l.GetCount(); ++i)
            Touch(l[i].name);
    }
    void OnShopItems(int, int, const CKetrelArray<CShopItemData>& l) override
    {
        for (i32 i = 0; i < l.GetCount(); ++i)
            Touch(l[i].text13);
    }
    void OnShopItemImage(int, int, const u8* d, int n) override { Touch(d, n); }
    void OnBuyItemPlayerInfo(int, int, const CKetrelString& t, const CKetrelArray<CBuyItemPlayerInfo>& l) override
    {
        Touch(t);
        for (i32 i = 0; i < l.GetCount(); ++i)
            Touch(l[i].text2);
    }
    void OnConfirmBuyItemResponse(int, int, const CKetrelString& t) override { Touch(t); }
    void OnUpdateItemStateResponse(int, int, const CKetrelString& t, int) override { Touch(t); }
    void OnPlayerGiftItems(int, const CKetrelString& t, const CKetrelArray<CShopItemData>& l) override
    {
        Touch(t);
        g_sum += (u32)l.GetCount();
    }
    void OnConfirmBuyPlayerItemsResponse(int, int, const CKetrelString& t) override { Touch(t); }
    void OnAchievementList(int, int, int, const CKetrelArray<CAchievementInfo>& l, int) override
    {
        for (i32 i = 0; i < l.GetCount(); ++i)
            Touch(l[i].text5);
    }
    void OnTournamentScores(const CKetrelArray<CKetrelString>& n, const CKetrelArray<CUserTournamentScores>& s,
                            int) override
    {
        for (i32 i = 0; i < n.GetCount(); ++i)
            Touch(n[i]);
        for (i32 i = 0; i < s.GetCount(); ++i)
            g_sum += (u32)s[i].scores.GetCount();
    }
    void OnImageAndLink(const CKetrelString& a, int n, const u8* d, const CKetrelString& b, const CKetrelString& c,
                        const CKetrelString& e) override
    {
        Touch(a);
        Touch(d, n);
        Touch(b);
        Touch(c);
        Touch(e);
    }
    void OnGameData(Session*, const u8* d, int n) override { Touch(d, n); }
    void OnGamePlayersChanged(Session* s, int, int) override { g_sum += (u32)s->GetLobby()->GetCount(); }
    void OnGameStatus(Session*, int v) override { g_sum += (u32)v; }
    void OnAdvertisementInfo(const CKetrelString& a, const CKetrelString& b, int n, const u8* d, int, int,
                             const CKetrelArray<i32>& v, const CKetrelString& c, int, const CKetrelString& e,
                             const CKetrelString& f) override
    {
        Touch(a);
        Touch(b);
        Touch(d, n);
        g_sum += (u32)v.GetCount();
        Touch(c);
        Touch(e);
        Touch(f);
    }
    void OnConnectRefused(Session*, const CKetrelString& t) override { Touch(t); }
    void OnLoginError(Session*, const CKetrelString& t) override { Touch(t); }
    void OnLoginChallenge(Session*, const CKetrelString& t) override { Touch(t); }
    void OnLoggedIn(Session*, int, const CKetrelString& a, const CKetrelString& b, const CKetrelString& c,
                    const CKetrelString& d, int) override
    {
        Touch(a);
        Touch(b);
        Touch(c);
        Touch(d);
    }
    void OnConfirmUserNameAck(Session*, int, const CKetrelString& t) override { Touch(t); }
    void OnConfirmEmailAck(Session*, int, const CKetrelString& t) override { Touch(t); }
    void OnLoginSlot6(Session*) override {}
    void OnLoginSlot7(Session*) override {}
    void OnLoginSlot8(Session*) override {}
};

void OnList(void*, int, int, int, const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
            const u8* image, int imageSize)
{
    if (groups)
        for (i32 i = 0; i < groups->GetCount(); ++i)
            Touch((*groups)[i].name);
    if (item)
        Touch(item->text6);
    Touch(image, imageSize);
}

void OnKeyValue(const CKetrelString& key, const CKetrelString& value, void*)
{
    Touch(key);
    Touch(value);
}
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    static FuzzHost* host = new FuzzHost();
    static Recorder* recorder = new Recorder();
    u32 steer = data[0] * 2654435761u + 1;
    Session session;
    if (session.Init(host, recorder) != 1)
        return 0;
    // A game join must not reach the network: the game engine cannot connect once shut
    // down (its connect attempt fails at once and is never delivered).
    session.GetGameEngine()->Shutdown();
    session.AddLobbyObserver(recorder);
    session.AddGameObserver(recorder);
    session.AddAdvertisementObserver(recorder);
    // Parties waiting for replies. Without a link each request closes the (closed)
    // links again, which changes nothing else.
    session.RequestPlayerList(0, "", 0, 0, 0, 10, OnList, nullptr);
    session.RequestPlayerList(3, "", 0, 0, -1, 10, OnList, nullptr);
    session.RequestImage(0, 0, "picture", [](CKetrelSurface*, const CKetrelString& n, void*, f32) { Touch(n); }, nullptr);
    session.RequestLoginChallenge("user", recorder);
    session.GetKeyValue("motd", OnKeyValue, recorder);
    size_t at = 1;
    while (at < size)
    {
        steer = steer * 1103515245u + 12345u;
        size_t chunk = 1 + (steer >> 16) % 97;
        if (chunk > size - at)
            chunk = size - at;
        std::vector<u8> block(data + at, data + at + chunk);
        session.FeedChannel(block.data(), (int)block.size(), (steer & 0x8000) ? 1 : 0);
        at += chunk;
    }
    session.Update(0.016f);
    session.Update(45.0f);
    return 0;
}
