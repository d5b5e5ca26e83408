// Arbitrary bytes from the server into a network session whose log-in observer is the
// lobby menu state's log-in controller: log-in replies, challenges, name and e-mail
// answers, game joins and chat records, all through the session's dispatch and on to the
// controller and the chat page. Nothing reaches the network: the session never connects
// and a fresh session is never made. The first byte picks the log-in step that waits for
// a reply and steers the cutting into chunks, the channels and the relogin timer's clock.
#include "LobbyFuzzKit.h"
#include "engine/KetrelString.h"
#include "framework/BrixGameState.h"
#include "lobby/BrixMenuState.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace
{
std::string g_layout;
u32 g_sum;

// The session's host: chat records go to the menu state as the application sends them.
struct SessionHost : IBrixSessionHost
{
    fuzzkit::FuzzApplication app;
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

// Notices and chat lines count into the sum; the session is the one fed.
class Host : public fuzzkit::FuzzMenuHost<>
{
public:
    Host()
    {
        ui.resources.text = &g_layout;
        // Language texts with a directive, as a translation may carry one.
        languageText = "t %s";
    }
    void ShowNotification(const CKetrelString& t) override { g_sum += (u32)t.GetLength(); }
    CBrixNetworkSession* GetNetworkSession() override { return session; }
    // No new session (and so no connection) is ever made here.
    CBrixNetworkSession* RecreateNetworkSession() override { return nullptr; }
    void SendChatMessage(const CKetrelString& text, i32 kind) override { g_sum += (u32)(text.GetLength() + kind); }
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
    g_layout = fuzzkit::ReadMenuLayout();
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
