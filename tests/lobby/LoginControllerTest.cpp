// The log-in controller and the log-in and chat pages of the menu state against our lobby
// server on 127.0.0.1: guest log-in, registration, a wrong password, the automatic log-in
// of the next start, the relogin back-off while the server is away, and chat between two
// players. Frames are pumped by hand; the relogin timer runs on the deltas the test gives.
#include "LobbyTestKit.h"
#include "engine/KetrelApplication.h"
#include "framework/BrixSafeFile.h"
#include "lobby/BrixLobbyNames.h"
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"
#include "net/BrixSessionHost.h"
#include "support/LobbyServerProcess.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using lobbytest::Narrow;

namespace
{
class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

IKetrelApplication* SharedApplication()
{
    static TestApplication* app = new TestApplication();
    return app;
}

// The session's host: client values, and chat records handed to the menu state as the
// application does.
struct SessionHost : IBrixSessionHost
{
    std::string folder = MakeTempFolder("login.");
    CBrixMenuState* state = nullptr;
    std::vector<std::string> notices;   // chat records as the session reported them
    ~SessionHost() override { RemoveFolder(folder); }
    IKetrelApplication* GetEngineApplication() override { return SharedApplication(); }
    CKetrelString GetLanguageText(i32 index) override { return CKetrelString(("T" + std::to_string(index)).c_str()); }
    void GetClientInfo(CBrixClientInfo* info) override
    {
        info->appGameId = 64;
        info->version = "1.0";
        info->languageCode = "en";
        info->deviceId = "device-login";
    }
    CKetrelString GetUserDataFolder() override { return folder.c_str(); }
    void ShowChatNotice(const CBrixChatRecord& record, int incoming) override
    {
        notices.push_back(std::to_string(incoming) + " " + std::to_string(record.senderId) + " " + Narrow(record.text));
        if (state)
            state->ShowChatNotice(record, incoming);
    }
};

// The menu's host with a real network session that is made again on every connect, as
// the application does (the old one is deleted at the next frame).
struct LoginHost : lobbytest::FakeHost
{
    SessionHost sessionHost;
    std::unique_ptr<CBrixNetworkSession> net;
    std::vector<std::unique_ptr<CBrixNetworkSession>> retired;
    CBrixMenuState* state = nullptr;
    int sessionsMade = 0;

    CBrixNetworkSession* GetNetworkSession() override { return net.get(); }
    CBrixNetworkSession* RecreateNetworkSession() override
    {
        if (net)
        {
            net->Shutdown();
            retired.push_back(std::move(net));
        }
        net.reset(new CBrixNetworkSession());
        if (net->Init(&sessionHost, nullptr) != 1)
            net.reset();
        ++sessionsMade;
        return net.get();
    }
    void SendChatMessage(const CKetrelString& text, i32 kind) override
    {
        if (!net)
            return;
        CBrixChatRecord record;
        record.kind = kind;
        record.text = text;
        record.senderId = net->GetOwnPlayerId();
        net->SendChatMessage(&record);
        if (state)
            state->AddChatMessage(record, 0);
    }
    void Frame(f32 dt)
    {
        retired.clear();
        if (net)
        {
            net->GetLobbyEngine()->Run(dt);
            net->GetGameEngine()->Run(dt);
            net->Update(dt);
        }
        if (state && state->GetReloginTimer())
            state->GetReloginTimer()->Run(dt);
    }
};

// One player: the menu state with its layout on a log-in host, aimed at the server.
struct Player
{
    LoginHost host;
    std::unique_ptr<CBrixMenuState> state;

    // settings: a settings store's bytes from an earlier run (the next start), or empty.
    explicit Player(int port, const std::vector<u8>& settings = {})
    {
        if (!settings.empty())
            host.settings.LoadFromMemory(settings.data(), (u32)settings.size());
        state.reset(new CBrixMenuState(&host, false));
        host.state = state.get();
        host.sessionHost.state = state.get();
        state->SetServer("127.0.0.1", port);
        EXPECT_EQ(1, state->Init(nullptr));
        state->Activate();
    }
    ~Player() { state->Release(); }

    std::vector<u8> SavedSettings()
    {
        u8* bytes = nullptr;
        u32 size = 0;
        host.settings.SaveToMemory(&bytes, &size);
        std::vector<u8> out(bytes, bytes + size);
        delete[] bytes;
        return out;
    }
    CWidget* Find(const char* path) { return state->GetRoot() ? state->GetRoot()->FindByPath(path) : nullptr; }
    void Type(const char* path, const char* text)
    {
        CTextWidget* input = CTextWidget::Cast(Find(path));
        ASSERT_NE(input, nullptr) << path;
        input->SetText(text);
    }
    std::string Page()
    {
        CWidget* page = state->GetPageView() ? state->GetPageView()->GetCurrentPage() : nullptr;
        return page ? Narrow(page->GetName()) : std::string();
    }
    std::string Stored(const char* key)
    {
        CBrixStatsEntry* e = host.settings.FindEntry(key);
        return e ? Narrow(e->textValue) : std::string("<none>");
    }
    int StoredInt(const char* key)
    {
        CBrixStatsEntry* e = host.settings.FindEntry(key);
        return e ? (e->type == BRIX_STAT_BOOL ? (int)e->boolValue : e->intValue) : -1;
    }
    bool LoggedIn() const { return state->GetLoginState() == CLoginController::LOGIN_DONE; }
};

// Frames of every player (real time passes, the timers see dt) until done() or 10 s.
bool Pump(std::vector<Player*> players, std::function<bool()> done, f32 dt = 0.0f, int ms = 10000)
{
    const auto start = std::chrono::steady_clock::now();
    while (!done())
    {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(ms))
            return false;
        for (Player* p : players)
            p->host.Frame(dt);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Hears when the match's players are known (the server has both players ready).
struct GameWatch : CBrixNetworkSession::GameObserver
{
    int started = 0;
    void OnGameData(CBrixNetworkSession*, const u8*, int) override {}
    void OnGamePlayersChanged(CBrixNetworkSession*, int, int) override { ++started; }
    void OnGameStatus(CBrixNetworkSession*, int) override {}
};

bool GuestLogIn(Player& p)
{
    p.state->FireEvent(CKetrelString("guest_login"), nullptr);
    return Pump({&p}, [&] { return p.LoggedIn(); });
}

bool Has(const std::vector<std::string>& log, const std::string& call)
{
    for (const std::string& s : log)
        if (s == call)
            return true;
    return false;
}
}

// ---- checks of the log-in pages ---------------------------------------------------------

TEST(LoginChecks, UserNames)
{
    struct Case
    {
        std::string name;
        i32 refusal;
    };
    const Case cases[] = {
        {"", 16},           {"abc", 16},       {"abcd", 0},          {std::string(15, 'x'), 0},
        {std::string(16, 'x'), 16},            {"guest", 18},        {"Guest", 0},
        {"guest1", 0},      {"ab cd", 17},     {"a_b-c9", 0},        {"name@x", 17},
        {"1234567890", 0},  {"abc\xc3\xa9", 17},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrixCheckUserName(CKetrelString(c.name.c_str())), c.refusal) << c.name;
}

TEST(LoginChecks, EmailAddresses)
{
    struct Case
    {
        std::string email;
        i32 refusal;
    };
    const Case cases[] = {
        {"a@b.c", 19},      {"a@b.cd", 0},     {std::string(256, 'a'), 0},  {std::string(257, 'a'), 19},
        {"a b@c.de", 20},   {"ab+c@d.e", 20},  {"nodomain", 0},             {"", 19},
        {"x_y-z@q.org", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrixCheckEmail(CKetrelString(c.email.c_str())), c.refusal) << c.email;
}

// The form refuses before anything is sent: the error page carries the check's text.
TEST(LoginChecks, FormRefusesBadInputOnTheErrorPage)
{
    struct Case
    {
        const char* name;
        const char* message;
    };
    const Case cases[] = {{"abc", "T16"}, {"guest", "T18"}, {"bad name", "T17"}, {"a@b.c", "T19"}, {"a!@b.cd", "T20"}};
    for (const Case& c : cases)
    {
        Player p(1);   // nothing listens: nothing may be tried
        p.Type("//loginscreen_root//user_login", c.name);
        p.Type("//loginscreen_root//user_password", "secret");
        EXPECT_EQ(0, p.state->FireEvent(CKetrelString("login_tolvane"), nullptr)) << c.name;
        EXPECT_EQ(p.Page(), "loginscreen_error") << c.name;
        EXPECT_EQ(Narrow(CTextWidget::Cast(p.Find("//loginscreen_error//loginerror_message"))->GetText()), c.message);
        EXPECT_EQ(p.host.sessionsMade, 0) << c.name;
    }
}

// ---- against the server -------------------------------------------------------------------

TEST(LoginController, GuestLogIn)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Player p(server.Port());
    p.host.Take();
    ASSERT_TRUE(GuestLogIn(p));
    EXPECT_TRUE(p.state->IsGuestLogin());
    EXPECT_EQ(p.StoredInt("__Brix_GuestCounter"), 1);
    EXPECT_EQ(p.StoredInt("__Brix_TimesLoggedIn"), 1);
    EXPECT_EQ(p.Stored("__Brix_UserName"), "");
    EXPECT_EQ(p.Stored("__Brix_Password"), "");
    EXPECT_EQ(p.StoredInt("__Brix_AutoLogin"), 0);
    const std::vector<std::string> calls = p.host.Take();
    EXPECT_TRUE(Has(calls, "RequestShopGroups 513"));
    EXPECT_TRUE(Has(calls, "RequestImageAndLink moregames"));
    EXPECT_TRUE(Has(calls, "ShowNotification T36"));
    // A second guest button press while logged in only closes the menu.
    p.state->FireEvent(CKetrelString("guest_login"), nullptr);
    EXPECT_EQ(p.host.sessionsMade, 1);
}

TEST(LoginController, RegisterThenLogInAndStartAgain)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    std::vector<u8> saved;
    {
        Player p(server.Port());
        CWidget* namePage = p.Find("//loginscreen_playername");
        ASSERT_NE(namePage, nullptr);
        p.state->FireEvent(CKetrelString("playername_show"), namePage);
        p.Type("//loginscreen_playername//input_playername", "Tester_1");
        ASSERT_EQ(1, p.state->FireEvent(CKetrelString("validate_user"), p.Find("//loginscreen_playername//input_playername")));
        ASSERT_TRUE(Pump({&p}, [&] { return p.Page() == "loginscreen_confirm"; }));
        EXPECT_EQ(Narrow(p.state->GetConfirmedName()), "Tester_1");

        p.Type("//loginscreen_email//input_email", "tester@example.org");
        p.Type("//loginscreen_email//input_password", "secret1");
        ASSERT_EQ(1, p.state->FireEvent(CKetrelString("validate_email"), nullptr));
        ASSERT_TRUE(Pump({&p}, [&] { return p.LoggedIn(); }));
        EXPECT_FALSE(p.state->IsGuestLogin());
        p.state->HideLoadingDialog();   // as the shop's data would
        EXPECT_EQ(p.Page(), "loginscreen_thank");
        EXPECT_EQ(p.Stored("__Brix_UserName"), "Tester_1");
        EXPECT_EQ(p.Stored("__Brix_Password").size(), 32u);   // the hash, never the password
        EXPECT_EQ(p.StoredInt("__Brix_AutoLogin"), 1);
        saved = p.SavedSettings();
    }
    {
        // The same name again is taken.
        Player p(server.Port());
        p.state->FireEvent(CKetrelString("playername_show"), p.Find("//loginscreen_playername"));
        p.Type("//loginscreen_playername//input_playername", "Tester_1");
        p.state->FireEvent(CKetrelString("validate_user"), p.Find("//loginscreen_playername//input_playername"));
        CWidget* taken = p.Find("//loginscreen_playername//text_usernametaken");
        ASSERT_TRUE(Pump({&p}, [&] { return taken && taken->IsVisible(); }, 0.0f, 3000))
            << p.Page() << " " << p.state->GetLoginState() << " " << p.host.sessionsMade << " "
            << (p.host.net ? (int)p.host.net->GetStatus() : -1);
        EXPECT_EQ(Narrow(CTextWidget::Cast(taken)->GetText()), "T57");
    }
    {
        // Typed name and password: the challenge, then the log-in.
        Player p(server.Port());
        p.Type("//loginscreen_root//user_login", "Tester_1");
        p.Type("//loginscreen_root//user_password", "secret1");
        ASSERT_EQ(1, p.state->FireEvent(CKetrelString("login_tolvane"), nullptr));
        ASSERT_TRUE(Pump({&p}, [&] { return p.LoggedIn(); }));
        EXPECT_EQ(Narrow(p.state->GetLoginName()), "Tester_1");
    }
    {
        // The next start logs in by itself with the stored hash.
        Player p(server.Port(), saved);
        p.host.settings.AddEntry(kBrixKeyTimesLaunched)->SetInt(2);
        p.state->Deactivate();
        p.state->Activate();
        // The form shows the stored account from the start.
        EXPECT_EQ(Narrow(CTextWidget::Cast(p.Find("//loginscreen_root//user_login"))->GetDisplayText()), "Tester_1");
        ASSERT_TRUE(Pump({&p}, [&] { return p.LoggedIn(); }));
        EXPECT_EQ(Narrow(p.state->GetLoginName()), "Tester_1");
        EXPECT_EQ(p.StoredInt("__Brix_TimesLoggedIn"), 2);
        // The form shows the stored account, not its hash.
        p.state->ShowLoginScreen();
        EXPECT_EQ(Narrow(CTextWidget::Cast(p.Find("//loginscreen_root//user_login"))->GetDisplayText()), "Tester_1");
        EXPECT_EQ(Narrow(CTextWidget::Cast(p.Find("//loginscreen_root//user_password"))->GetDisplayText()), "*****");
    }
}

TEST(LoginController, WrongPasswordShowsTheServersRefusal)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Player p(server.Port());
    p.Type("//loginscreen_root//user_login", "Nobody_here");
    p.Type("//loginscreen_root//user_password", "wrong");
    ASSERT_EQ(1, p.state->FireEvent(CKetrelString("login_tolvane"), nullptr));
    ASSERT_TRUE(Pump({&p}, [&] { return p.Page() == "loginscreen_error"; }));
    EXPECT_EQ(p.state->GetLoginState(), CLoginController::LOGIN_IDLE);
    EXPECT_EQ(Narrow(CTextWidget::Cast(p.Find("//loginscreen_error//loginerror_message"))->GetText()),
              "Wrong user name or password.");
    EXPECT_EQ(p.Stored("__Brix_Password"), "");
}

// A plain connect stays quiet only while its link comes up: a link that cannot be made
// leaves the log-in form, a refusal of the server once the link is made is shown.
TEST(LoginController, PlainConnectIsQuietOnlyUntilTheLinkIsMade)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    struct Case
    {
        const char* name;
        bool listening;
        const char* page;
    };
    const Case cases[] = {{"nothing listens", false, "loginscreen_root"}, {"refused later", true, "loginscreen_error"}};
    for (const Case& c : cases)
    {
        Player p(c.listening ? server.Port() : 1);
        p.state->Connect();
        const u32 made = c.listening ? CBrixNetworkSession::LOBBY_CONNECTED : CBrixNetworkSession::LOBBY_CLOSED;
        ASSERT_TRUE(Pump({&p}, [&] { return p.host.net && (p.host.net->GetStatus() & 0xFF) == made; })) << c.name;
        if (c.listening)
            p.state->OnLoginError(p.host.net.get(), CKetrelString("Closed for the night"));
        EXPECT_EQ(p.Page(), c.page) << c.name;
    }
}

// The server goes away: the first retry comes after 1 s, every later one after 10 s,
// until the server is back; a successful connect resets the spacing to 1 s.
TEST(LoginController, ServerStoppedAndStartedAgain)
{
    std::unique_ptr<CLobbyServerProcess> server(new CLobbyServerProcess());
    const int port = server->Port();
    ASSERT_NE(0, port);
    Player p(port);
    ASSERT_TRUE(GuestLogIn(p));
    CLoginController::ReloginTimer* timer = p.state->GetReloginTimer();
    ASSERT_NE(timer, nullptr);

    server.reset();
    ASSERT_TRUE(Pump({&p}, [&] { return timer->GetRemaining() > 0.0f; }));
    EXPECT_FLOAT_EQ(timer->GetRemaining(), 1.0f);
    const int made = p.host.sessionsMade;
    p.host.Frame(0.75f);
    EXPECT_EQ(p.host.sessionsMade, made);
    p.host.Frame(0.25f);   // fires: a new connection is tried and refused
    EXPECT_EQ(p.host.sessionsMade, made + 1);
    ASSERT_TRUE(Pump({&p}, [&] { return timer->GetRemaining() > 0.0f; }));
    EXPECT_FLOAT_EQ(timer->GetRemaining(), 10.0f);
    p.host.Frame(9.75f);
    EXPECT_EQ(p.host.sessionsMade, made + 1);
    p.host.Frame(0.25f);
    EXPECT_EQ(p.host.sessionsMade, made + 2);
    ASSERT_TRUE(Pump({&p}, [&] { return timer->GetRemaining() > 0.0f; }));
    EXPECT_FLOAT_EQ(timer->GetRemaining(), 10.0f);

    server.reset(new CLobbyServerProcess({"--port", std::to_string(port)}));
    ASSERT_EQ(server->Port(), port);
    p.host.Frame(10.0f);
    ASSERT_TRUE(Pump({&p}, [&] { return p.LoggedIn(); }));
    EXPECT_FLOAT_EQ(p.state->GetReloginDelay(), 1.0f);
    EXPECT_FLOAT_EQ(timer->GetRemaining(), 0.0f);

    // "cancel_autorelogin" stops a pending retry.
    server.reset();
    ASSERT_TRUE(Pump({&p}, [&] { return timer->GetRemaining() > 0.0f; }));
    p.state->FireEvent(CKetrelString("cancel_autorelogin"), nullptr);
    const int before = p.host.sessionsMade;
    p.host.Frame(20.0f);
    EXPECT_EQ(p.host.sessionsMade, before);
}

// Two players in one match: a line each way, drawn as typed, in the right colours.
TEST(LoginController, ChatLineEachWay)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Player a(server.Port()), b(server.Port());
    ASSERT_TRUE(GuestLogIn(a));
    ASSERT_TRUE(GuestLogIn(b));
    const int idA = a.host.net->GetOwnPlayerId(), idB = b.host.net->GetOwnPlayerId();

    CKetrelArray<i32> ids;
    ids.Add(idB);
    a.host.net->SendChallenge(ids, "a game?");
    Pump({&a, &b}, [] { return false; }, 0.0f, 300);   // the challenge reaches b
    b.host.net->AnswerChallenge(idA, 1, "");
    ASSERT_TRUE(Pump({&a, &b}, [&] {
        return (a.host.net->GetStatus() & 0xFF00) == CBrixNetworkSession::GAME_CONNECTED &&
               (b.host.net->GetStatus() & 0xFF00) == CBrixNetworkSession::GAME_CONNECTED;
    }));
    GameWatch watchA, watchB;
    a.host.net->AddGameObserver(&watchA);
    b.host.net->AddGameObserver(&watchB);
    a.host.net->SendGameReady();
    b.host.net->SendGameReady();
    ASSERT_TRUE(Pump({&a, &b}, [&] { return watchA.started && watchB.started; }));
    a.state->BeginMatch();
    b.state->BeginMatch();

    // Markup and format directives in a line are the player's text, nothing more.
    const char* lineA = "$COLOR=0xFF00FF00 %s%n hi";
    a.Type("//chat_root//chat_textfield", lineA);
    a.state->FireEvent(CKetrelString("chat_send"), nullptr);
    EXPECT_EQ(Narrow(CTextWidget::Cast(a.Find("//chat_root//chat_textfield"))->GetText()), "");
    ASSERT_TRUE(Pump({&a, &b}, [&] { return b.state->GetChatLineCount() == 1; }))
        << a.host.sessionHost.notices.size() << " " << b.host.sessionHost.notices.size() << " " << idA << " "
        << b.host.net->GetLobby()->GetCount() << " " << (b.host.net->GetLobby()->FindById(idA) != nullptr);
    b.Type("//chat_root//chat_textfield", "good luck");
    b.state->FireEvent(CKetrelString("chat_send"), nullptr);
    ASSERT_TRUE(Pump({&a, &b}, [&] { return a.state->GetChatLineCount() == 2; }));

    const std::string nameA = Narrow(a.host.net->GetLobby()->FindById(idA)->GetName());
    const std::string nameB = Narrow(b.host.net->GetLobby()->FindById(idB)->GetName());
    EXPECT_EQ(Narrow(a.state->GetChatLineText(0)), nameA + ": " + lineA);
    EXPECT_EQ(a.state->GetChatLineColour(0), 0xFFFFC000u);
    EXPECT_EQ(Narrow(a.state->GetChatLineText(1)), nameB + ": good luck");
    EXPECT_EQ(a.state->GetChatLineColour(1), 0xFFFFFFFFu);
    EXPECT_EQ(Narrow(b.state->GetChatLineText(0)), nameA + ": " + lineA);
    EXPECT_EQ(b.state->GetChatLineColour(0), 0xFFFFFFFFu);
    EXPECT_TRUE(a.host.settings.FindEntry("__Brix_ChatMessageSent") != nullptr);

    // The backlog draws the line as plain text.
    b.state->OpenChatPage(0);
    for (int i = 0; i < 3; ++i)
        b.state->Update(0.016f);
    CWidget* backlog = b.Find(kBrixPathChatBacklog);
    ASSERT_NE(backlog, nullptr);
    CTextWidget* drawn = nullptr;
    for (int i = 0; i < backlog->GetChildCount() && !drawn; ++i)
    {
        CTextWidget* t = CTextWidget::Cast(backlog->GetChild(i));
        if (t && Narrow(t->GetText()) == nameA + ": " + lineA)
            drawn = t;
    }
    ASSERT_NE(drawn, nullptr);
    EXPECT_FALSE(drawn->IsColorMarkup());
    EXPECT_EQ(drawn->GetColor(), 0xFFFFFFFFu);
}

// The stored credentials are written readable by their owner only, even over a file
// (and a left-over temporary file) that others could read.
TEST(LoginController, StoredCredentialsAreOwnerOnly)
{
    const std::string folder = MakeTempFolder("login-store.");
    const std::string path = folder + "stats.dat";
    for (const std::string& f : {path, path + ".tmp"})
    {
        const int fd = open(f.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        fchmod(fd, 0644);
        close(fd);
    }
    const u8 bytes[4] = {1, 2, 3, 4};
    ASSERT_EQ(1, BrixWriteFileSafely(CKetrelString(path.c_str()), bytes, sizeof bytes));
    struct stat st = {};
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    RemoveFolder(folder);
}

// Chat records as the session hands them over, with the senders in the match's room.
TEST(LoginController, ChatRecordsIntoTheBacklog)
{
    Player p(1);
    CBrixNetworkSession* session = p.host.RecreateNetworkSession();   // never connected
    ASSERT_NE(session, nullptr);
    CBrixLobby* room = session->GetLobby();
    ASSERT_NE(room, nullptr);
    room->SetLimits(2, 4);
    for (int id : {5, 6})
    {
        CBrixPlayer* player = new CBrixPlayer();
        player->Set(id, CKetrelString(id == 5 ? "Ann" : "Bob"), CKetrelString(), 0, CKetrelString(), 0);
        ASSERT_EQ(1, room->Add(player));
    }
    p.state->SetInMatch(1);
    p.state->BeginMatch();
    EXPECT_EQ(p.state->IsRematchAllowed(), 1);

    struct Case
    {
        i32 kind;
        const char* text;
        i32 sender;
        i32 received;
        const char* line;   // the new backlog line, or null for none
        u32 colour;
        i32 rematchAllowed;
    };
    const Case cases[] = {
        {2, "hello", 5, 1, "Ann: hello", 0xFFFFFFFFu, 1},
        {2, "mine", 6, 0, "Bob: mine", 0xFFFFC000u, 1},
        {2, "", 5, 1, nullptr, 0, 1},                      // an empty line adds nothing
        {2, "who?", 9, 1, nullptr, 0, 1},                  // not in the room: dropped
        {3, "info", 5, 0, "info", 0xFF2F9BCEu, 1},
        {4, "", 5, 1, "T182", 0xFFFF6600u, 1},
        {4, "", 6, 0, "T183", 0xFFFF6600u, 1},
        {0, "", 6, 0, nullptr, 0, 1},                      // own rematch offer: no line
        {5, "", 6, 1, "T198", 0xFF2F9BCEu, 0},
        {5, "", 6, 1, nullptr, 0, 0},                      // announced once per sender
        {0, "", 6, 1, "T180", 0xFF2F9BCEu, 1},
        {1, "", 6, 1, "T181", 0xFF2F9BCEu, 0},
        {9, "x", 5, 1, nullptr, 0, 0},
    };
    for (const Case& c : cases)
    {
        const i32 before = p.state->GetChatLineCount();
        CBrixChatRecord record;
        record.kind = c.kind;
        record.text = CKetrelString(c.text);
        record.senderId = c.sender;
        if (c.received)
            p.state->ShowChatNotice(record, 1);
        else
            p.state->AddChatMessage(record, 0);
        ASSERT_EQ(p.state->GetChatLineCount(), before + (c.line ? 1 : 0)) << c.kind << " " << c.text;
        if (c.line)
        {
            EXPECT_EQ(Narrow(p.state->GetChatLineText(before)), c.line);
            EXPECT_EQ(p.state->GetChatLineColour(before), c.colour) << c.line;
        }
        EXPECT_EQ(p.state->IsRematchAllowed(), c.rematchAllowed) << c.kind << " " << c.text;
    }

    // An empty field sends nothing, but the first press is remembered.
    p.Type("//chat_root//chat_textfield", "");
    const i32 lines = p.state->GetChatLineCount();
    p.state->FireEvent(CKetrelString("chat_send"), nullptr);
    EXPECT_EQ(p.state->GetChatLineCount(), lines);
    EXPECT_NE(p.host.settings.FindEntry("__Brix_ChatMessageSent"), nullptr);

    // A new match's game link empties the backlog.
    p.state->OnGameLinkStatus(CBrixNetworkSession::GAME_CONNECTED);
    EXPECT_EQ(p.state->GetChatLineCount(), 0);
    EXPECT_EQ(p.state->IsChatUsed(), 0);
    // Asked to open the chat before any use (mode 1), the user leaves the match instead.
    p.state->OpenChatPage(1);
    EXPECT_EQ(p.state->IsLeaving(), 1);
    EXPECT_EQ(p.Page(), kBrixPageStart);

    // Sender 6 left before; the end of the match forgets it, so its departure is
    // announced again.
    p.state->EndMatch();
    CBrixChatRecord gone;
    gone.kind = 5;
    gone.senderId = 6;
    p.state->ShowChatNotice(gone, 1);
    EXPECT_EQ(p.state->GetChatLineCount(), 1);
}

// A first start creates the stored entries with their defaults; incomplete stored
// credentials turn the automatic log-in off.
TEST(LoginController, StoredEntriesAtStart)
{
    struct Case
    {
        const char* user;      // null: no entries at all
        const char* password;
        int autoLogin;
        int canAutoLogin;
    };
    const Case cases[] = {{nullptr, nullptr, 0, 0}, {"Tester_1", "", 1, 0}, {"", "abc", 1, 0},
                          {"Tester_1", "0123456789abcdef0123456789abcdef", 1, 1},
                          {"Tester_1", "0123456789abcdef0123456789abcdef", 0, 0}};
    for (const Case& c : cases)
    {
        std::vector<u8> saved;
        if (c.user)
        {
            CBrixStatsStore store;
            store.AddEntry("__Brix_AutoLogin")->SetBool((u32)c.autoLogin);
            store.AddEntry("__Brix_UserName")->SetString(c.user);
            store.AddEntry("__Brix_Password")->SetString(c.password);
            u8* bytes = nullptr;
            u32 size = 0;
            store.SaveToMemory(&bytes, &size);
            saved.assign(bytes, bytes + size);
            delete[] bytes;
        }
        Player p(1, saved);
        const std::string what = c.user ? c.user : "(none)";
        EXPECT_EQ(p.state->CanAutoLogin(), c.canAutoLogin) << what;
        EXPECT_EQ(p.StoredInt("__Brix_FirstRun"), 1) << what;
        EXPECT_EQ(p.StoredInt("__Brix_GuestCounter"), 0) << what;
        EXPECT_EQ(p.StoredInt("__Brix_LastLoginType"), 0) << what;
        EXPECT_EQ(p.StoredInt("__Brix_AutoLogin"), c.canAutoLogin) << what;
        EXPECT_EQ(p.state->IsPasswordPlain(), c.canAutoLogin ? 0 : 1) << what;
        if (!c.user || !*c.user || !*c.password)
        {
            EXPECT_EQ(p.Stored("__Brix_Password"), "") << what;
        }
    }
    // A name that begins with "guest" logs in as a guest's.
    Player p(1);
    p.state->LoginWithName("guest77", "x", 1);
    EXPECT_TRUE(p.state->IsGuestLogin());
}
