#include "ApplicationTestKit.h"

#include "../support/KetrelTestAlsa.h"
#include "engine/KetrelResult.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixStatsStore.h"
#include "framework/BrixTheme.h"
#include "framework/BrixAdvertisement.h"
#include "framework/BrixDevice.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixToastNotification.h"
#include "net/ASN1Messages.h"
#include "ui/UIServices.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// The application's services: settings setters, toasts, menu pages, the after-match
// answer, themes and the session's observer calls, with a recording lobby and game.
namespace
{
std::string Narrow(const CKetrelString& s)
{
    std::string out((size_t)s.ToUTF8(nullptr) + 1, '\0');
    s.ToUTF8(&out[0]);
    out.resize(out.find('\0'));
    return out;
}

// Started without a window, the lobby the only state (no opening states) and the
// session made; the log is empty afterwards.
class TolvaneServices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(alsa.RouteToNull());
        ASSERT_TRUE(app.SetScreen(800, 480));
        game = new FakeGame(UniqueAppName(), 7);
        app.Init(0, 640, 360, game);
        app.SetApplicationName(game->GetApplicationName());
        ASSERT_TRUE(CopyLanguagePacks(app));
        app.Init(&app, nullptr);              // the resource manager, as OnCreate does
        ASSERT_EQ(KE_OK, app.InitServices());
        app.CreateToast();
        app.SetLobbyStateCreator([](CTolvaneApplication* a, IBrixGameState*) -> IBrixLobbyState* {
            return new FakeLobby(a);
        });
        ASSERT_EQ(KE_OK, app.EnterSocialFramework());
        lobby = static_cast<FakeLobby*>(app.GetLobbyState());
        ASSERT_NE(nullptr, lobby);
        ASSERT_EQ(lobby, app.GetFirstState());
        CallLog().clear();
    }

    i32 Stored(const wchar_t* key) { return app.GetSettings()->FindEntry(CKetrelString(key))->intValue; }

    CKetrelTestAlsa alsa;
    HeadlessTolvane app;
    FakeGame* game = nullptr;
    FakeLobby* lobby = nullptr;
};
} // namespace

TEST_F(TolvaneServices, VolumeSettersClampAndStore)
{
    const struct
    {
        i32 given, stored;
    } cases[] = {{-3, 0}, {250, 100}, {0, 0}, {100, 100}, {42, 42}};
    for (const auto& c : cases)
    {
        app.SetMusicVolume(c.given);
        EXPECT_EQ(c.stored, Stored(kBrixKeyMusicVolume)) << c.given;
        EXPECT_EQ(c.stored, app.GetMusicVolume()) << c.given;
        app.SetSoundVolume(c.given);
        EXPECT_EQ(c.stored, Stored(kBrixKeySoundsVolume)) << c.given;
    }
    // Muting stores the flag; a missing key reads as not muted, vibration as on.
    app.SetAllMuted(1);
    EXPECT_EQ(1, app.IsSoundMuted());
    EXPECT_EQ(1, app.IsMusicMuted());
    app.SetAllMuted(0);
    EXPECT_EQ(0, app.IsMusicMuted());
    CBrixStatsEntry* vibrations = app.GetSettings()->FindEntry(CKetrelString(kBrixKeyVibrations));
    app.GetSettings()->RemoveEntry(vibrations);       // the store hands the entry back
    delete vibrations;
    EXPECT_EQ(1, app.IsVibrationEnabled());
}

TEST_F(TolvaneServices, MusicAskedForWhileMutedStartsNothingAndIsRemembered)
{
    app.SetMusicMuted(1);
    EXPECT_EQ(KE_OK, app.PlayMusic(CKetrelString(L"nosuch.mp3"), 1));
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    // Unmuting tries the remembered file: it does not exist, so still no player.
    app.SetMusicMuted(0);
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    EXPECT_EQ(KE_ERR_OPEN, app.PlayMusic(CKetrelString(L"nosuch.mp3"), 1));
    app.StopMusic();
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
}

TEST_F(TolvaneServices, NotificationFilterBitZeroKeepsToastsAway)
{
    ASSERT_NE(nullptr, app.GetToast()) << "the toast layout did not load";
    ASSERT_NE(nullptr, app.GetToast()->GetPanel());
    const struct
    {
        i32 filter;
        bool shown;
    } cases[] = {{1, false}, {3, false}, {2, true}, {0, true}};
    int n = 0;
    for (const auto& c : cases)
    {
        app.SetNotificationFilter(c.filter);
        EXPECT_EQ(c.filter, Stored(kBrixKeyNotificationFilter));
        const CKetrelString text(("message " + std::to_string(++n)).c_str());
        app.ShowNotification(0, text, 0.0f, 0);
        // Each message is shown at once or waits behind the one on screen.
        const CBrixToastNotification* toast = app.GetToast();
        bool queued = toast->GetCurrentText().Equals(text);
        for (i32 i = 0; i < toast->GetQueueCount(); ++i)
            queued = queued || toast->GetQueued(i)->text.Equals(text);
        EXPECT_EQ(c.shown, queued) << c.filter;
    }
}

// A server notification (message 45: [0], [1] text, [2]) shows a toast whose kind is
// the message's field [2]: its icon and what a tap on it does follow that field.
TEST_F(TolvaneServices, ANotificationsToastKindIsItsThirdField)
{
    ASSERT_NE(nullptr, app.GetToast()) << "the toast layout did not load";
    struct Case { const char* name; i32 field0, field2, kind; };
    const Case cases[] = {
        {"a challenge", 1, 3, 3},
        {"a plain message", 3, 1, 1},
        {"an achievement", 1, 4, 4},
        {"kind 0 is plain", 4, 0, 1},
    };
    for (const Case& c : cases)
    {
        i32 field0 = c.field0, field2 = c.field2;
        CKetrelString text(c.name);
        CASN1Notification message(&field0, &text, &field2);
        field2 = c.field2;   // the message starts its third field at 0
        u8* bytes = nullptr;
        int size = 0;
        ASSERT_EQ(1, message.EncodeNew(&bytes, &size)) << c.name;
        app.GetNetworkSession()->DispatchLobbyMessage(bytes, size);
        delete[] bytes;
        ASSERT_EQ(1, app.GetToast()->IsShown()) << c.name;
        EXPECT_EQ(0u, Narrow(app.GetToast()->GetCurrentText()).find(c.name)) << c.name;
        EXPECT_EQ(c.kind, app.GetToast()->GetShownKind()) << c.name;
        app.m_toast->Update(5.0f);   // over: the next one shows at once
    }
}

TEST_F(TolvaneServices, MenuPagesOpenUnlessTheUserIsAGuest)
{
    const struct
    {
        i32 page, guest;
        const char* opened;       // "" when nothing opens
    } cases[] = {{0, 0, "chat_root"}, {0, 1, "chat_root"}, {1, 0, "shop_root"}, {1, 1, ""},
                 {2, 0, "me_root"},    {3, 0, "players_root"}, {4, 0, "settings_root"},
                 {4, 1, ""},           {5, 0, ""},           {-1, 0, ""}};
    for (const auto& c : cases)
    {
        CallLog().clear();
        lobby->guest = c.guest;
        app.OpenMenuPage(c.page);
        const std::vector<std::string> expected =
            *c.opened ? std::vector<std::string>{std::string("lobby.OpenPage:") + c.opened}
                      : std::vector<std::string>{};
        EXPECT_EQ(expected, CallsOf("lobby.OpenPage")) << c.page << "/" << c.guest;
    }
}

TEST_F(TolvaneServices, AfterMatchAnswersBeforeAndAfterTheResult)
{
    struct Step
    {
        char what;    // 'a' answer (rematch, abandoned), 'r' report (abandoned)
        i32 x, y;
    };
    const struct
    {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> calls;
    } cases[] = {
        {"rematch before the report",
         {{'a', 1, 0}, {'r', 0, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat4"}},
        {"leaving before the report",
         {{'a', 0, 0}, {'r', 0, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat1", "lobby.EndMatch", "lobby.EndMatch"}},
        {"a second early answer is ignored",
         {{'a', 1, 0}, {'a', 0, 1}, {'r', 0, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat4"}},
        {"an abandoned match",
         {{'r', 1, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat5", "lobby.EndMatch", "lobby.EndMatch"}},
        {"rematch after the report",
         {{'r', 0, 0}, {'a', 1, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat4"}},
        {"an answer after the answer",
         {{'r', 0, 0}, {'a', 1, 0}, {'a', 0, 0}},
         {"lobby.Rematch1", "lobby.Rematch0", "lobby.AddChat4"}},
    };
    for (const auto& c : cases)
    {
        // A new match clears what an earlier one left pending.
        app.OnGamePlayersChanged(app.GetNetworkSession(), 1, 1);
        CallLog().clear();
        CKetrelArray<i32> ids, results;
        for (const Step& s : c.steps)
        {
            if (s.what == 'a')
                app.SendRematchAnswer(s.x, s.y);
            else
                app.ReportGameResult(ids, results, s.x);
        }
        EXPECT_EQ(c.calls, CallsOf("lobby.")) << c.name;
    }
}

TEST_F(TolvaneServices, SessionEventsReachTheLobbyAndTheGame)
{
    CBrixNetworkSession* session = app.GetNetworkSession();
    app.OnMatchResult(session, 1, 99, -2);       // another game's result: dropped
    app.OnMatchResult(session, 1, 7, -2);
    app.OnCoinBalance(5);
    app.OnChallengeReceived(session, 3, CKetrelString(L"x"), CKetrelString(), 0, 0);
    app.OnGameStatus(session, app.GetOwnPlayerId());   // the own id: nothing
    app.OnGameStatus(session, 12);
    app.OnGameLinkStatusChanged(session, CBrixNetworkSession::GAME_CONNECTED);
    EXPECT_EQ(1, app.IsGameLinkUp());
    EXPECT_EQ(1, app.IsLinkBusy());
    app.OnGameLinkStatusChanged(session, 0);
    app.OnLobbyLinkStatusChanged(session, 0);
    EXPECT_EQ((std::vector<std::string>{"lobby.MatchResult-2", "lobby.Coins", "lobby.Challenge", "lobby.ChatNotice",
                                        "game.PlayerLeft", "lobby.GameStatus", "game.GameLinkDown0",
                                        "lobby.GameStatus", "game.LobbyLinkDown0", "lobby.LobbyStatus"}),
              CallLog());
}

// A match result message as the server sends it ([1] first value, [2] game id, [3]
// code; absent fields read -1) reaches the lobby through the session only for this
// game, so that the server's log-out codes take effect.
TEST_F(TolvaneServices, MatchResultMessagesReachTheLobbyForThisGameOnly)
{
    struct Case { const char* name; std::vector<u8> fields; const char* call; };
    const Case cases[] = {
        {"logged out by the server", {0x81, 1, 0, 0x82, 1, 7, 0x83, 1, 0xFE}, "lobby.MatchResult-2"},
        {"logged in elsewhere", {0x81, 1, 0, 0x82, 1, 7, 0x83, 1, 0xFF}, "lobby.MatchResult-1"},
        {"another game", {0x81, 1, 0, 0x82, 1, 99, 0x83, 1, 0xFE}, nullptr},
        {"a code equal to the game id", {0x82, 1, 3, 0x83, 1, 7}, nullptr},
        {"no game id", {0x83, 1, 0xFE}, nullptr},
    };
    for (const Case& c : cases)
    {
        std::vector<u8> message = {0xA8, (u8)c.fields.size()};
        message.insert(message.end(), c.fields.begin(), c.fields.end());
        CallLog().clear();
        app.GetNetworkSession()->DispatchLobbyMessage(message.data(), (int)message.size());
        EXPECT_EQ(c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{},
                  CallsOf("lobby.MatchResult"))
            << c.name;
    }
}

// A theme that cannot load falls back to the default and does not store its name.
TEST_F(TolvaneServices, AThemeThatFailsFallsBackWithoutStoringItsName)
{
    CKetrelString link;
    app.GetAppFilePath(link, CKetrelString(L"brixtheme_tolvane-white.vad"));
    struct stat st;
    if (stat(Narrow(link).c_str(), &st) != 0)
        (void)symlink(BuiltFile("brixtheme_tolvane-white.vad").c_str(), Narrow(link).c_str());

    app.SetTheme(CKetrelString(L"tolvane-white"));
    ASSERT_NE(nullptr, app.GetTheme());
    EXPECT_EQ("tolvane-white", Narrow(app.GetTheme()->GetName()));
    CallLog().clear();
    app.SetTheme(CKetrelString(L"no-such-theme"));
    EXPECT_EQ("tolvane-white", Narrow(app.GetTheme()->GetName()));
    EXPECT_EQ("tolvane-white",
              Narrow(app.GetSettings()->FindEntry(CKetrelString(kBrixKeyThemeName))->textValue));
    EXPECT_EQ((std::vector<std::string>{"lobby.Theme"}), CallLog());
}

// A restart asked for from inside the session's own call leaves the old session alive
// until that call has returned; it goes at the next frame.
TEST_F(TolvaneServices, ASessionRestartedFromItsOwnCallOutlivesTheCall)
{
    CBrixNetworkSession* old = app.GetNetworkSession();
    int restarts = 0;
    lobby->onLobbyStatus = [&] {
        if (restarts++ == 0)
            app.RecreateNetworkSession();
    };
    old->SetLobbyLinkStatus(CBrixNetworkSession::LOBBY_CONNECTING);
    EXPECT_EQ(1, restarts);
    ASSERT_NE(nullptr, app.GetNetworkSession());
    EXPECT_NE(old, app.GetNetworkSession());
    app.RunFrame(0.02f);
    EXPECT_EQ(0, app.IsQuitRequested());
}

// The toolkit reaches the resource manager, language, theme and device through the
// application's UI services, which follow the service objects the application holds.
TEST_F(TolvaneServices, TheToolkitSeesTheApplicationsServices)
{
    IUIApplication* ui = app.GetUIApplication();
    ASSERT_NE(nullptr, ui->GetLanguage());
    EXPECT_TRUE(ui->GetLanguage()->GetText(1).Equals(app.GetLanguage()->GetText(1)));
    EXPECT_EQ("en", Narrow(ui->GetLanguage()->GetCode()));
    EXPECT_EQ("X-X", Narrow(ui->GetLanguage()->GetText(100000)));
    ASSERT_NE(nullptr, ui->GetDevice());
    EXPECT_TRUE(ui->GetDevice()->GetOSName().Equals(app.GetDevice()->GetInfo().osName));
    CKetrelBitmapFont* font = ui->GetUIResources()->GetFont(CKetrelString(L"brix_text.fnt"));
    EXPECT_NE(nullptr, font);
    EXPECT_EQ(1, ui->GetUIResources()->ReleaseFont(&font));
    u8* layout = nullptr;
    const i32 size = ui->GetUIResources()->ReadResource(CKetrelString(L"toast-root.xml"), &layout);
    EXPECT_GT(size, 0);
    EXPECT_NE(nullptr, layout);
    delete[] layout;
    EXPECT_EQ(7, ui->GetGameId());
    EXPECT_EQ("Ovi", Narrow(ui->GetResellerId()));
    ASSERT_NE(nullptr, app.GetTheme());
    ASSERT_NE(nullptr, ui->GetTheme());
    ui->GetTheme()->AddColor(CKetrelString(L"probe"), 0xFF123456);
    u32 colour = 0;
    EXPECT_TRUE(ui->GetTheme()->FindColor(CKetrelString(L"probe"), &colour));
    EXPECT_EQ(0xFF123456u, colour);
    CKetrelString file;
    ui->GetTheme()->GetXMLFileName(&file);
    EXPECT_EQ("theme_" + Narrow(app.GetTheme()->GetName()) + ".xml", Narrow(file));
}


// An advertisement with flag 8 is made on its first message and shown; while shown it
// takes pointer input before the states; the lobby link going down hides it and losing
// focus deletes it.
TEST_F(TolvaneServices, AdvertisementsAreMadeShownHiddenAndDropped)
{
    const CKetrelString none;
    CKetrelArray<i32> frames;
    app.OnAdvertisementInfo(none, none, 0, nullptr, 5000, 1000, frames, none, 2, none, none);
    ASSERT_NE(nullptr, app.GetAdvertisement());       // made, but flag 8 missing: not shown
    EXPECT_EQ(0, app.GetAdvertisement()->IsShown());
    CallLog().clear();
    EXPECT_EQ(1, app.RoutePointerDown(0, 400, 240));
    EXPECT_EQ((std::vector<std::string>{"lobby.Down"}), CallLog());

    app.OnAdvertisementInfo(none, none, 0, nullptr, 5000, 1000, frames, none, 8, none, none);
    ASSERT_EQ(1, app.GetAdvertisement()->IsShown());
    CallLog().clear();
    EXPECT_EQ(1, app.RoutePointerDown(0, 400, 240));
    EXPECT_TRUE(CallLog().empty());                    // the overlay took it

    app.OnLobbyLinkStatusChanged(app.GetNetworkSession(), 0);
    ASSERT_NE(nullptr, app.GetAdvertisement());
    EXPECT_EQ(0, app.GetAdvertisement()->IsShown());
    app.SetActive(0);
    EXPECT_EQ(nullptr, app.GetAdvertisement());
}
