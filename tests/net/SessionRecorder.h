#pragma once
// A session host, a recording observer and a client (host, observer, session) for the
// network session's tests, with frames pumped by hand.
#include "support/LobbyServerProcess.h"
#include "engine/KetrelApplication.h"
#include "net/BerHandCodec.h"
#include "net/BrixLobby.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
typedef std::vector<u8> Bytes;
typedef CBrixNetworkSession Session;

inline std::string Narrow(const CKetrelString& text)
{
    std::vector<char> out((size_t)text.GetLength() * 3 + 1);
    text.ToUTF8(out.data());
    return out.data();
}

class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

inline IKetrelApplication* SharedApplication()
{
    static TestApplication* app = new TestApplication();
    return app;
}

struct LanguageStore : IBrixLanguageStore
{
    std::vector<std::string> log;
    bool NeedsUpdate(const CKetrelString&, const CKetrelString&) override { return true; }
    bool HasPack(const CKetrelString&) override { return false; }
    void AddLanguagePack(const CKetrelString& code) override { log.push_back("add " + Narrow(code)); }
    void ReloadLanguagePack(const CKetrelString& code) override { log.push_back("reload " + Narrow(code)); }
    CKetrelString GetBaseName() override { return "gametexts"; }
};

struct Host : IBrixSessionHost
{
    std::string folder = MakeTempFolder("session.");
    LanguageStore store;
    std::vector<std::string> log;   // chat lines, language and theme changes
    ~Host() override { RemoveFolder(folder); }
    IKetrelApplication* GetEngineApplication() override { return SharedApplication(); }
    CKetrelString GetLanguageText(i32 index) override
    {
        CKetrelString text;
        text.Format(L"text %d", index);
        return text;
    }
    void GetClientInfo(CBrixClientInfo* info) override
    {
        info->appGameId = 64;
        info->version = "1.60";
        info->languageCode = "xx";
        info->deviceId = "device-1";
        info->model = "desktop";
        info->osName = "Linux";
    }
    CKetrelString GetUserDataFolder() override { return folder.c_str(); }
    void ShowChatNotice(const CBrixChatRecord& r, int incoming) override
    {
        log.push_back("chat " + std::to_string(incoming) + " " + std::to_string(r.senderId) + " " + Narrow(r.text));
    }
    IBrixLanguageStore* GetLanguageStore(int which) override { return which == 0 ? &store : nullptr; }
    void SetLanguage(const CKetrelString& code) override { log.push_back("language " + Narrow(code)); }
    void SetTheme(const CKetrelString& name) override { log.push_back("theme " + Narrow(name)); }
    void RedirectServer(const CKetrelString& host, int port) override
    {
        log.push_back("redirect " + Narrow(host) + " " + std::to_string(port));
    }
};

// Records what the session reports, as text in order, and the game data received.
struct Recorder : Session::StatusObserver, Session::LobbyObserver, Session::GameObserver, Session::LoginObserver
{
    std::vector<std::string> log;
    std::vector<Bytes> gameData;
    int ownId = -1;
    bool Has(const std::string& e) const
    {
        for (const std::string& x : log)
            if (x == e)
                return true;
        return false;
    }
    bool HasPrefix(const std::string& e) const
    {
        for (const std::string& x : log)
            if (x.compare(0, e.size(), e) == 0)
                return true;
        return false;
    }
    void Add(const std::string& e) { log.push_back(e); }

    void OnLobbyLinkStatusChanged(Session*, int b) override { Add("L" + std::to_string(b)); }
    void OnGameLinkStatusChanged(Session*, int g) override { Add("G" + std::to_string(g)); }
    void OnNotification(Session*, int kind, int, const CKetrelString& t) override
    {
        Add("note " + std::to_string(kind) + " " + Narrow(t));
    }

    void OnMatchResult(Session*, int, int, int) override { Add("match result"); }
    void OnLobbySlot1(Session*) override {}
    void OnPlayerRelationChanged(Session*, int id, int relation, int value, const CKetrelString&,
                                 const CKetrelString&) override
    {
        Add("relation " + std::to_string(id) + " " + std::to_string(relation) + " " + std::to_string(value));
    }
    void OnGameResultItem(Session*, int, const CGameResultItem&) override { Add("result item"); }
    void OnChallengeReceived(Session*, int id, const CKetrelString&, const CKetrelString&, int, int) override
    {
        Add("challenge from " + std::to_string(id));
    }
    void OnChallengeAnswer(Session*, int id, const CKetrelString&, const CKetrelString&, int answer) override
    {
        Add("answer " + std::to_string(answer) + " from " + std::to_string(id));
    }
    void OnChallengerImage(Session*, int id, const u8*, int size) override
    {
        Add("challenger image " + std::to_string(id) + (size > 8 ? " png" : " none"));
    }
    void OnChangeNotice(int) override { Add("change notice"); }
    void OnItemDataList(const CKetrelArray<CItemData>&) override { Add("item data list"); }
    void OnDataChunk(int, int, const u8*, int, int) override { Add("data chunk"); }
    void OnCoinBalance(int coins) override { Add("coins " + std::to_string(coins)); }
    void OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& g) override
    {
        Add("shop groups " + std::to_string(flags) + (g.GetCount() > 0 ? " some" : " none"));
    }
    void OnShopItems(int, int, const CKetrelArray<CShopItemData>&) override { Add("shop items"); }
    void OnShopItemImage(int, int, const u8*, int) override { Add("shop item image"); }
    void OnBuyItemPlayerInfo(int, int, const CKetrelString&, const CKetrelArray<CBuyItemPlayerInfo>&) override {}
    void OnConfirmBuyItemResponse(int, int, const CKetrelString&) override {}
    void OnUpdateItemStateResponse(int, int, const CKetrelString&, int) override {}
    void OnPlayerGiftItems(int, const CKetrelString&, const CKetrelArray<CShopItemData>&) override {}
    void OnConfirmBuyPlayerItemsResponse(int, int, const CKetrelString&) override {}
    void OnAchievementList(int, int, int, const CKetrelArray<CAchievementInfo>&, int) override {}
    void OnTournamentScores(const CKetrelArray<CKetrelString>&, const CKetrelArray<CUserTournamentScores>& s,
                            int) override
    {
        Add("scores " + std::to_string(s.GetCount()));
    }
    void OnImageAndLink(const CKetrelString& name, int size, const u8*, const CKetrelString&,
                        const CKetrelString&, const CKetrelString&) override
    {
        Add("image and link " + Narrow(name) + " " + std::to_string(size));
    }

    void OnGameData(Session*, const u8* data, int size) override { gameData.push_back(Bytes(data, data + size)); }
    void OnGamePlayersChanged(Session* s, int own, int join) override
    {
        Add("players " + std::to_string(s->GetLobby()->GetCount()) + " own " + std::to_string(own) + " join " +
            std::to_string(join));
    }
    void OnGameStatus(Session*, int status) override { Add("game status " + std::to_string(status)); }

    void OnConnectRefused(Session*, const CKetrelString& t) override { Add("refused " + Narrow(t)); }
    void OnLoginError(Session*, const CKetrelString& t) override { Add("error " + Narrow(t)); }
    void OnLoginChallenge(Session*, const CKetrelString&) override { Add("login challenge"); }
    void OnLoggedIn(Session*, int id, const CKetrelString&, const CKetrelString&, const CKetrelString&,
                    const CKetrelString&, int) override
    {
        ownId = id;
        Add("logged in");
    }
    void OnConfirmUserNameAck(Session*, int r, const CKetrelString&) override { Add("name ack " + std::to_string(r)); }
    void OnConfirmEmailAck(Session*, int r, const CKetrelString&) override { Add("email ack " + std::to_string(r)); }
    void OnLoginSlot6(Session*) override {}
    void OnLoginSlot7(Session*) override {}
    void OnLoginSlot8(Session*) override {}
};

struct Client
{
    Host host;
    Recorder rec;
    Session session;
    Client()
    {
        EXPECT_EQ(1, session.Init(&host, &rec));
        session.AddLobbyObserver(&rec);
        session.AddGameObserver(&rec);
    }
    void Frame(f32 seconds = 0.016f)
    {
        session.GetLobbyEngine()->Run(seconds);
        session.GetGameEngine()->Run(seconds);
        session.Update(seconds);
    }
    u32 Lobby() const { return session.GetStatus() & 0xFF; }
};

// Runs frames of every client until done() holds or 10 s pass.
inline bool Pump(std::vector<Client*> clients, std::function<bool()> done, int ms = 10000)
{
    const auto start = std::chrono::steady_clock::now();
    while (!done())
    {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(ms))
            return false;
        for (Client* c : clients)
            c->Frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}
