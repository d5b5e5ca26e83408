// Arbitrary bytes from the server into a network session whose log-in observer is the
// lobby menu state's log-in controller: log-in replies, challenges, name and e-mail
// answers, game joins and chat records, all through the session's dispatch and on to the
// controller and the chat page. Nothing reaches the network: the session never connects
// and a fresh session is never made. The first byte picks the log-in step that waits for
// a reply and steers the cutting into chunks, the channels and the relogin timer's clock.
#include "engine/KetrelApplication.h"
#include "engine/KetrelString.h"
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuState.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"
#include "ui/UIServices.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string g_layout;
u32 g_sum;

class Resources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = new u8[g_layout.size() + 1];
        std::memcpy(*data, g_layout.data(), g_layout.size());
        (*data)[g_layout.size()] = 0;
        return (i32)g_layout.size();
    }
};

class UI : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }
    Resources resources;
};

class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

// The session's host: chat records go to the menu state as the application sends them.
struct SessionHost : IBrixSessionHost
{
    FuzzApplication app;
    CBrixMenuState* state = nullptr;
    IKetrelApplication* GetEngineApplication() override { return &app; }
    CKetrelString GetLanguageText(i32) override { return "text %s"; }
    void GetClientInfo(CBrixClientInfo* info) override { info->appGameId = 64; }
    CKetrelString GetUserDataFolder() override { return "/nonexistent-login-fuzz/"; }
    void ShowChatNotice(const CBrixChatRecord& r, int incoming) override
    {
        if (state)
            state->ShowChatNotice(r, incoming);
    }
    void RedirectServer(const CKetrelString& host, int port) override
    {
        if (state)
            state->Redirect(host, port);
    }
};

class Host : public IBrixMenuHost
{
public:
    IKetrelApplication* GetEngineApplication() override { return nullptr; }
    IUIApplication* GetUIApplication() override { return &ui; }
    IKetrelGraphicsContext* GetGraphicsContext() override { return nullptr; }
    void GetScreenSize(i32* w, i32* h) override { *w = 800; *h = 480; }
    IBrixGameState* GetGameState() override { return nullptr; }
    void DeleteGameState() override {}
    void Quit() override {}
    void ResetIdleTimer() override {}
    CBrixStatsStore* GetSettings() override { return &settings; }
    CKetrelString GetUserDataPath(const CKetrelString& name) override { return name; }
    i32 GetSoundVolume() override { return 50; }
    void SetSoundVolume(i32) override {}
    i32 IsSoundMuted() override { return 0; }
    void SetSoundMuted(i32) override {}
    i32 GetMusicVolume() override { return 50; }
    void SetMusicVolume(i32) override {}
    i32 IsMusicMuted() override { return 0; }
    void SetMusicMuted(i32) override {}
    i32 IsVibrationEnabled() override { return 1; }
    void SetVibrationEnabled(i32) override {}
    i32 GetNotificationFilter() override { return 0; }
    void SetNotificationFilter(i32) override {}
    void GetSortedLanguages(CKetrelArray<CKetrelString>*, CKetrelArray<CKetrelString>*) override {}
    CKetrelString GetCurrentLanguageName() override { return CKetrelString("English"); }
    CKetrelString GetCurrentLanguageCode() override { return CKetrelString("en"); }
    void SetLanguage(const CKetrelString&) override {}
    // Language texts with a directive, as a translation may carry one.
    CKetrelString GetLanguageText(i32) override { return CKetrelString("t %s"); }
    void ShowNotification(const CKetrelString& t) override { g_sum += (u32)t.GetLength(); }
    void OpenUrl(const CKetrelString&) override {}
    CKetrelString GetDeviceId() override { return CKetrelString("d"); }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString("r"); }
    CKetrelSurface* DecodePicture(const u8*, i32) override { return nullptr; }
    i32 HasSession() override { return 1; }
    i32 GetOwnPlayerId() override { return 1; }
    CKetrelString GetSessionToken() override { return CKetrelString("s"); }
    i32 GetReleaseNumber() override { return 1; }
    CKetrelString GetUrlSuffix() override { return CKetrelString(); }
    void RequestPlayerList(i32, const CKetrelString&, i32, i32, i32, i32, CBrixNetworkSession::PlayerListCallback,
                           void*) override {}
    void RequestGameResults(i32, i32) override {}
    void RequestCoinBalance() override {}
    void RequestAchievementList(i32, i32, i32, i32) override {}
    void CancelMatchRequest() override {}
    void AnswerChallenge(i32, i32, const CKetrelString&) override {}
    void RequestLanguageList() override {}
    void GetKeyValue(const CKetrelString&, CBrixNetworkSession::KeyValueCallback, void*) override {}
    void RequestDataChunk(i32, i32, i32) override {}
    void RequestShopGroups(i32) override {}
    void RequestImageAndLink(const CKetrelString&, const CKetrelString&) override {}
    void RequestShopItemImages(const CKetrelArray<i32>&, i32) override {}
    CBrixNetworkSession* GetNetworkSession() override { return session; }
    // No new session (and so no connection) is ever made here.
    CBrixNetworkSession* RecreateNetworkSession() override { return nullptr; }
    void SendChatMessage(const CKetrelString& text, i32 kind) override { g_sum += (u32)(text.GetLength() + kind); }
    UI ui;
    CBrixStatsStore settings;
    CBrixNetworkSession* session = nullptr;
};

// Puts a log-in step in waiting, as the controller would on a connected link.
void StartStep(CBrixMenuState& state, CBrixNetworkSession& session, u32 which)
{
    session.SetLobbyLinkStatus(CBrixNetworkSession::LOBBY_CONNECTED);
    switch (which % 5)
    {
    case 0:
        state.LoginAsGuest();
        break;
    case 1:
        state.LoginWithName("Tester_1", "secret", 1);
        break;
    case 2:
        state.ValidateUserName("Tester_1");
        break;
    case 3:
        state.Register("Tester_1", "secret", "t@example.org");
        break;
    default:
        state.Relogin(0);
        break;
    }
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string here(__FILE__);
    here = here.substr(0, here.rfind('/'));
    std::ifstream f(here + "/../assets/framework/layouts/menu_root.xml", std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    g_layout = s.str();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 1 << 18)
        return 0;
    static SessionHost* sessionHost = new SessionHost();
    Host host;
    CBrixNetworkSession session;
    if (session.Init(sessionHost, nullptr) != 1)
        return 0;
    // A game join must not reach the network: the game engine is shut down first.
    session.GetGameEngine()->Shutdown();
    host.session = &session;
    CBrixMenuState state(&host, false);
    sessionHost->state = &state;
    if (state.Init(nullptr) == 1)
    {
        state.Activate();
        state.BeginMatch();
        u32 steer = data[0] * 2654435761u + 1;
        StartStep(state, session, data[0]);
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
            if ((steer & 0x70000) == 0)
                StartStep(state, session, steer >> 20);
            if (CLoginController::ReloginTimer* timer = state.GetReloginTimer())
                timer->Run((f32)((steer >> 8) & 0xF));
            state.Update(0.016f);
        }
        for (i32 i = 0; i < state.GetChatLineCount(); ++i)
            g_sum += (u32)state.GetChatLineText(i).GetLength() + state.GetChatLineColour(i);
        session.Update(0.016f);
    }
    state.Release();
    sessionHost->state = nullptr;
    return 0;
}
