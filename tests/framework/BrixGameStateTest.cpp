#include "FrameworkTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixAchievements.h"
#include "framework/BrixGameState.h"

#include <gtest/gtest.h>

namespace
{
// Records what the game state's defaults ask of the application.
struct FakeHost : IBrixGameHost
{
    bool session = false;
    u32 status = 0;
    CBrixAchievementStation* station = nullptr;
    std::vector<std::string> calls;

    int HasNetworkSession() override { return session; }
    u32 GetSessionStatus() override { return status; }
    void CloseGameLink() override { calls.push_back("CloseGameLink"); }
    void RequestMatch(i32 mode, i32 param) override
    { calls.push_back("RequestMatch " + std::to_string(mode) + " " + std::to_string(param)); }
    void CancelMatchRequest() override { calls.push_back("CancelMatchRequest"); }
    void SendGameData(const u8*, i32 size, i32, i32) override
    { calls.push_back("SendGameData " + std::to_string(size)); }
    CKetrelString GetUrlSuffix() override { return Str("&game=64"); }
    i32 GetOwnPlayerId() override { return 42; }
    i32 GetLobbyPlayerCount() override { return 2; }
    CBrixPlayer* GetLobbyPlayer(i32) override { return reinterpret_cast<CBrixPlayer*>(this); }
    void LeaveGame() override { calls.push_back("LeaveGame"); }
    void ShowLoginMenu(i32 logout) override { calls.push_back("ShowLoginMenu " + std::to_string(logout)); }
    void ReportGameResult(const CKetrelArray<i32>&, const CKetrelArray<i32>&, i32) override
    { calls.push_back("ReportGameResult"); }
    CBrixAchievementStation* GetAchievementStation() override { return station; }
};

// A game that implements only what it must.
struct BareGame : IBrixGameState
{
    std::vector<std::string>* calls = nullptr;

    int Init(IKetrelApplication*) override { return KE_OK; }
    void Release() override {}
    void Activate() override {}
    void Deactivate() override {}
    i32 Update(f32) override { return 0; }
    void Render() override {}
    i32 GetGameId() override { return 64; }
    CKetrelString GetVersion() override { return Str("1.0"); }
    CKetrelString GetApplicationName() override { return Str("Game"); }
    i32 GetMinPlayers() override { return 2; }
    i32 GetMaxPlayers() override { return 2; }
    CKetrelString GetApplicationToken() override { return CKetrelString(); }
    void OnMenuOpened() override {}
    void OnMenuClosed() override {}
    void CloseConnectingScreen() override { if (calls) calls->push_back("CloseConnectingScreen"); }
    void StartMatch(i32) override {}
    void StopMatch() override {}
    void OnPlayerLeft(i32) override {}
    f32 GetTurnClockFraction() override { return 0; }
    void OnGameData(const u8*, i32) override {}
    void OnGameLinkDown(i32) override {}
    void OnLobbyLinkDown(i32) override {}
};
}

TEST(BrixGameStateDefaults, BareStateTakesEveryEvent)
{
    BareGame game;
    EXPECT_EQ(1, game.OnPointerDown(0, 1, 2));
    EXPECT_EQ(1, game.OnPointerMove(0, 1, 2));
    EXPECT_EQ(1, game.OnPointerUp(0, 1, 2));
    EXPECT_EQ(1, game.OnKeyDown(65));
    EXPECT_EQ(1, game.OnChar('a'));
    EXPECT_EQ(1, game.OnFocusChanged(0));
    EXPECT_EQ(1, game.OnScreenSizeChanged(800, 480));
    EXPECT_EQ(KE_ERR_NOT_READY, game.OnLanguageChanged(Str("en")));   // no language object
    EXPECT_EQ(0, game.IsSentToBack());
    game.SendToBack();
    game.Finish();
    EXPECT_EQ(1, game.IsSentToBack());
    EXPECT_EQ(1, game.IsFinished());
    EXPECT_TRUE(game.GetResellerId().Equals(Str("Ovi")));
}

TEST(BrixGameStateDefaults, SessionBackedAnswers)
{
    struct Case { const char* name; bool host, session; i32 userId, players; bool player; };
    const Case cases[] = {
        {"no application", false, false, -1, 0, false},
        {"before the social part", true, false, -1, 0, false},
        {"with a session", true, true, 42, 2, true},
    };
    for (const Case& c : cases)
    {
        FakeHost host;
        host.session = c.session;
        BareGame game;
        if (c.host)
            game.SetApplication(&host);
        EXPECT_EQ(c.userId, game.GetUserId()) << c.name;
        EXPECT_EQ(c.players, game.GetLobbyPlayerCount()) << c.name;
        EXPECT_EQ(c.player, game.GetLobbyPlayer(0) != nullptr) << c.name;
        EXPECT_EQ(c.session, !game.GetUrlSuffix().IsEmpty()) << c.name;
        game.SendGameData((const u8*)"abc", 3, 0, 0);
        game.CancelMatchRequest();
        EXPECT_EQ(c.session ? 2u : 0u, host.calls.size()) << c.name;
    }
    FakeHost first, second;
    BareGame game;
    game.SetApplication(&first);
    game.SetApplication(&second);
    EXPECT_EQ(&first, game.GetApplication());
}

TEST(BrixGameStateDefaults, FindMatch)
{
    typedef std::vector<std::string> Calls;
    struct Case { const char* name; bool session; u32 status; Calls calls; };
    const Case cases[] = {
        {"no session", false, 0, {"LeaveGame", "CloseConnectingScreen"}},
        {"lobby link down", true, 0x100,
         {"LeaveGame", "CloseGameLink", "CloseConnectingScreen", "ShowLoginMenu 1"}},
        {"lobby link up", true, 5, {"LeaveGame", "CloseGameLink", "RequestMatch 1 2"}},
    };
    for (const Case& c : cases)
    {
        FakeHost host;
        host.session = c.session;
        host.status = c.status;
        BareGame game;
        game.calls = &host.calls;
        game.SetApplication(&host);
        game.FindMatch();
        EXPECT_EQ(c.calls, host.calls) << c.name;
    }
}

TEST(BrixGameStateAchievements, UnlockOnceAndPersist)
{
    UserDataApp app;
    TestFolder folder;
    ASSERT_TRUE(WriteTestPack(folder.File("achievements.vad"),
                              {{"/ach_EN.txt", Utf16("achievement 3 { name \"Three\" }")}}));
    CBrixAchievementStation station;
    ASSERT_EQ(KE_OK, station.Init(&app, 64, Str(folder.File("achievements.vad"))));
    FakeHost host;
    BareGame game;
    EXPECT_EQ(0, game.UnlockAchievement(3));            // no application yet
    game.SetApplication(&host);
    EXPECT_EQ(0, game.UnlockAchievement(3));            // no station
    host.station = &station;
    EXPECT_EQ(0, game.UnlockAchievement(4));            // no such achievement
    EXPECT_EQ(0, game.IsAchievementUnlocked(3));
    EXPECT_EQ(1, game.UnlockAchievement(3));
    EXPECT_EQ(1, game.IsAchievementUnlocked(3));
    const std::string saved = ReadFileBytes(app.UserFile("ach.dat"));
    EXPECT_EQ(24u, saved.size());

    // Already unlocked: 1, and neither the time stamp nor the file changes.
    CKetrelDateTime& stamp = station.GetCurrentList()->FindById(3)->GetUnlockTime();
    stamp.SetYear(1999);
    EXPECT_EQ(1, game.UnlockAchievement(3));
    EXPECT_EQ(1999, stamp.GetYear());
    EXPECT_EQ(saved, ReadFileBytes(app.UserFile("ach.dat")));
}
