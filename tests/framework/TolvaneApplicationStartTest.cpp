#include "ApplicationTestKit.h"

#include "../support/KetrelTestAlsa.h"
#include "../support/KetrelTestXServer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "framework/BrixDevice.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixGameOnlyState.h"
#include "framework/BrixIntroState.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixStatsStore.h"
#include "framework/BrixTitleState.h"
#include "ui/UIServices.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Start-up and shut-down of the whole application: the framework packs, the settings it
// keeps, the opening states, the social part and the order of the shut-down.
namespace
{
std::string Narrow(const CKetrelString& s)
{
    std::string out((size_t)s.ToUTF8(nullptr) + 1, '\0');
    s.ToUTF8(&out[0]);
    out.resize(out.find('\0'));
    return out;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The achievements pack is looked for beside the program: the test program's folder.
void LinkAchievementsPack(IKetrelApplication& app)
{
    CKetrelString path;
    app.GetAppFilePath(path, CKetrelString(L"achievements.vad"));
    const std::string link = Narrow(path);
    if (!Exists(link))
        (void)symlink(BuiltFile("achievements.vad").c_str(), link.c_str());
}

// The stored settings as a fresh store reads them back from the user data folder.
struct StoredSettings
{
    explicit StoredSettings(IKetrelApplication& app) { store.Init(&app); }
    CBrixStatsEntry* operator[](const wchar_t* key) { return store.FindEntry(CKetrelString(key)); }
    CBrixStatsStore store;
};

class TolvaneStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(alsa.RouteToNull());
        CallLog().clear();
    }
    CKetrelTestAlsa alsa;
};
} // namespace

// Each missing framework pack stops start-up with its code and its file's name; the
// half-built application then shuts down cleanly.
TEST_F(TolvaneStart, EachMissingPackGivesItsCodeAndName)
{
    struct Case
    {
        std::vector<std::string> hidden;
        bool languagePacks;
        int code;
        const char* message;
    };
    std::vector<std::string> fonts, lobby;
    for (int size : {240, 320, 360, 480, 640, 1536})
    {
        fonts.push_back("brixfonts_" + std::to_string(size) + ".vad");
        lobby.push_back("brixlobby_" + std::to_string(size) + ".vad");
    }
    const Case cases[] = {
        {{}, false, KE_ERR_NOT_FOUND, "ERROR: 8: missing file brixlanguage_en.vad\n"},
        {{"brixsounds.vad"}, true, KE_ERR_NOT_FOUND, "ERROR: 8: missing file brixsounds.vad\n"},
        {{"brixlayouts.vad"}, true, KE_ERR_NOT_FOUND, "ERROR: 8: missing file brixlayouts.vad\n"},
        {fonts, true, KE_ERR_NOT_FOUND, "ERROR: 8: missing file brixfonts_<size>.vad\n"},
        {lobby, true, KE_ERR_NOT_FOUND, "ERROR: 8: missing file brixlobby_<size>.vad\n"},
    };
    for (const Case& c : cases)
    {
        HeadlessTolvane app;
        app.SetApplicationName(CKetrelString(UniqueAppName().c_str()));
        if (c.languagePacks)
        {
            ASSERT_TRUE(CopyLanguagePacks(app));
        }
        app.hiddenPacks.insert(c.hidden.begin(), c.hidden.end());
        ::testing::internal::CaptureStderr();
        const int rc = app.OnCreate();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.code, rc) << c.message;
        EXPECT_NE(std::string::npos, err.find(c.message)) << err;
        EXPECT_EQ(0, app.GetStateCount());
        app.OnDestroy();
    }
}

// Without a window the whole start still runs: the opening states are pushed (the intro
// active, the title behind it) and the framework keys are written with their defaults.
TEST_F(TolvaneStart, FirstStartWritesTheFrameworkKeys)
{
    std::string name = UniqueAppName();
    for (int launch = 1; launch <= 2; ++launch)
    {
        HeadlessTolvane app;
        app.SetApplicationName(CKetrelString(name.c_str()));
        ASSERT_TRUE(CopyLanguagePacks(app));
        ASSERT_EQ(KE_OK, app.OnCreate());
        ASSERT_EQ(2, app.GetStateCount());
        EXPECT_NE(nullptr, dynamic_cast<CBrixIntroState*>(app.GetStateAt(0)));
        EXPECT_NE(nullptr, dynamic_cast<CBrixTitleState*>(app.GetStateAt(1)));
        EXPECT_NE(nullptr, app.GetLanguage());
        EXPECT_NE(nullptr, app.GetDevice());
        EXPECT_NE(nullptr, app.GetUIApplication()->GetLanguage());

        StoredSettings stored(app);
        ASSERT_NE(nullptr, stored[kBrixKeyTimesLaunched]);
        EXPECT_EQ(launch, stored[kBrixKeyTimesLaunched]->intValue);
        ASSERT_NE(nullptr, stored[kBrixKeySoundsVolume]);
        EXPECT_EQ(80, stored[kBrixKeySoundsVolume]->intValue);
        EXPECT_EQ(80, stored[kBrixKeyMusicVolume]->intValue);
        EXPECT_EQ(1u, stored[kBrixKeyVibrations]->boolValue);
        EXPECT_EQ("tolvane-white", Narrow(stored[kBrixKeyThemeName]->textValue));
        ASSERT_NE(nullptr, stored[kBrixKeyUid]);
        const std::string uid = Narrow(stored[kBrixKeyUid]->textValue);
        EXPECT_EQ(34u, uid.size());
        EXPECT_EQ(uid, Narrow(app.GetDevice()->GetInfo().deviceId));
        static std::string firstUid;
        if (launch == 1)
            firstUid = uid;
        else
            EXPECT_EQ(firstUid, uid);       // kept and reused
        app.keepUserData = launch == 1;
        app.OnDestroy();
    }
}

// Stored volumes of the old negative scale are converted, others clamped.
TEST_F(TolvaneStart, StoredVolumesAreConvertedAndClamped)
{
    struct Case
    {
        i32 stored;
        i32 applied;
    };
    for (const Case& c : {Case{-5000, 50}, Case{120, 100}, Case{-10000, 0}, Case{35, 35}})
    {
        HeadlessTolvane app;
        app.SetApplicationName(CKetrelString(UniqueAppName().c_str()));
        ASSERT_TRUE(CopyLanguagePacks(app));
        {
            CBrixStatsStore seed;
            seed.Init(&app);
            seed.AddEntry(CKetrelString(kBrixKeySoundsVolume))->SetInt(c.stored);
            seed.AddEntry(CKetrelString(kBrixKeyMusicVolume))->SetInt(c.stored);
            ASSERT_EQ(KE_OK, seed.Save());
        }
        ASSERT_EQ(KE_OK, app.OnCreate());
        EXPECT_EQ(c.applied, app.GetMusicVolume()) << c.stored;
        EXPECT_EQ(c.applied, app.GetSettings()->FindEntry(CKetrelString(kBrixKeySoundsVolume))->intValue);
        app.OnDestroy();
    }
}

// The whole run in a window: intro, title, the hand-over to the social part (here the
// game on its own, as no lobby is registered), then shut-down in its order.
TEST_F(TolvaneStart, RunsTheOpeningStatesIntoTheGameAndShutsDownInOrder)
{
    CKetrelTestXServer* xserver = CKetrelTestXServer::Shared();
    if (!xserver || !xserver->IsRunning())
        GTEST_SKIP() << "no Xvfb";

    TestTolvane* app = new TestTolvane();
    FakeGame* game = new FakeGame(UniqueAppName());
    app->SetApplicationName(game->GetApplicationName());
    ASSERT_TRUE(CopyLanguagePacks(*app));
    LinkAchievementsPack(*app);
    ASSERT_EQ(KE_OK, app->Init(0, 640, 360, game));
    ASSERT_EQ(2, app->GetStateCount());
    EXPECT_GT(app->GetScreenWidth(), 0);

    // Past the intro (2 s) and the title (3 s) in steps of a tenth of a second.
    for (int frame = 0; frame < 80 && !app->GetNetworkSession(); ++frame)
        app->RunFrame(0.1f);
    ASSERT_NE(nullptr, app->GetNetworkSession());
    for (int frame = 0; frame < 20 && app->GetStateCount() != 1; ++frame)
        app->RunFrame(0.1f);
    ASSERT_EQ(1, app->GetStateCount());
    EXPECT_NE(nullptr, dynamic_cast<CBrixGameOnlyState*>(app->GetFirstState()));
    EXPECT_EQ(nullptr, app->GetLobbyState());
    EXPECT_EQ(0, app->IsQuitRequested());
    const std::vector<std::string> gameCalls = CallsOf("game.");
    ASSERT_GE(gameCalls.size(), 3u);
    EXPECT_EQ("game.Init", gameCalls[0]);
    EXPECT_EQ("game.Activate", gameCalls[1]);
    EXPECT_EQ("game.Update", gameCalls[2]);

    // Shut-down stores the language in use over whatever the key held.
    CBrixStatsEntry* choice = app->GetSettings()->FindEntry(CKetrelString(L"__Brix_Language_brixlanguage"));
    ASSERT_NE(nullptr, choice);
    choice->SetString(CKetrelString(L"xx"));
    CallLog().clear();
    app->Quit();
    app->RunFrame(0.1f);         // the engine quits at the end of the frame: OnDestroy
    EXPECT_EQ(nullptr, app->GetNetworkSession());
    EXPECT_EQ(nullptr, app->GetSettings());
    std::vector<std::string> teardown = CallsOf("game.");
    teardown.erase(std::remove_if(teardown.begin(), teardown.end(),
                                  [](const std::string& e) { return e == "game.Update" || e == "game.Render"; }),
                   teardown.end());
    EXPECT_EQ((std::vector<std::string>{"game.Deactivate", "game.Release", "game.Delete"}), teardown);

    StoredSettings stored(*app);
    ASSERT_NE(nullptr, stored[L"__Brix_Language_brixlanguage"]);
    EXPECT_EQ("en", Narrow(stored[L"__Brix_Language_brixlanguage"]->textValue));
    EXPECT_NE(nullptr, stored[kBrixKeyTimesLaunched]);
    CKetrelString achPath;
    app->GetUserDataPath(achPath, CKetrelString(L"ach.dat"));
    EXPECT_TRUE(Exists(Narrow(achPath)));
    delete app;
}

// With a lobby registered, the lobby is pushed behind the title and released after the
// session is gone; the game outlives the states and goes last.
TEST_F(TolvaneStart, ALobbyIsReleasedAfterTheSessionAndBeforeTheGame)
{
    HeadlessTolvane app;
    FakeGame* game = new FakeGame(UniqueAppName());
    app.Init(0, 640, 360, game);        // no window here; the game is kept all the same
    app.SetApplicationName(game->GetApplicationName());
    ASSERT_TRUE(CopyLanguagePacks(app));
    app.SetLobbyStateCreator([](CTolvaneApplication* a, IBrixGameState*) -> IBrixLobbyState* {
        return new FakeLobby(a);
    });
    ASSERT_EQ(KE_OK, app.OnCreate());
    ASSERT_EQ(KE_OK, app.EnterSocialFramework());
    ASSERT_EQ(3, app.GetStateCount());
    ASSERT_NE(nullptr, app.GetLobbyState());
    EXPECT_EQ(app.GetLobbyState(), app.GetStateAt(2));

    CallLog().clear();
    app.OnDestroy();
    std::vector<std::string> order;
    for (const std::string& e : CallLog())
        if (e.rfind("lobby.", 0) == 0 || e.rfind("game.", 0) == 0)
            order.push_back(e);
    EXPECT_EQ((std::vector<std::string>{"lobby.Release", "lobby.Delete", "game.Delete"}), order);
    EXPECT_EQ(nullptr, app.GetLobbyState());
    EXPECT_EQ(nullptr, app.GetGameState());
}

// A lobby whose Init fails is deleted by the push and never kept.
TEST_F(TolvaneStart, AFailedLobbyIsNotKept)
{
    HeadlessTolvane app;
    app.SetApplicationName(CKetrelString(UniqueAppName().c_str()));
    ASSERT_TRUE(CopyLanguagePacks(app));
    app.SetLobbyStateCreator([](CTolvaneApplication* a, IBrixGameState*) -> IBrixLobbyState* {
        FakeLobby* lobby = new FakeLobby(a);
        lobby->initResult = 9;
        return lobby;
    });
    ASSERT_EQ(KE_OK, app.OnCreate());
    EXPECT_EQ(9, app.EnterSocialFramework());
    EXPECT_EQ(nullptr, app.GetLobbyState());
    app.ShowLoginMenu(1);               // no lobby: nothing to bring to the front
    app.OpenMenuPage(0);
    app.RunFrame(0.1f);
    EXPECT_EQ((std::vector<std::string>{"lobby.Init", "lobby.Delete"}), CallsOf("lobby."));
    app.OnDestroy();
}
