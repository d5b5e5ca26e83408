#pragma once
// Helpers of the application tests: states, a game and a lobby that record what the
// application does to them into one shared log, and the application itself with its
// framework packs taken from the build's program folder (some of them hidden on request)
// and a user data folder of its own.
#include "ResourceTestKit.h"

#include "framework/BrixChatRecord.h"
#include "framework/BrixGameState.h"
#include "framework/BrixLobbyState.h"
#include "framework/TolvaneApplication.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// The calls of every fake, as "name.Operation", in order.
std::vector<std::string>& CallLog();
// The entries of the log that begin with prefix, in order.
std::vector<std::string> CallsOf(const std::string& prefix);

// A state that records its calls. Update returns updateResult; the input operations
// return inputResult.
class RecState : public IBrixState
{
public:
    explicit RecState(const std::string& name, i32 updateResult = 0, i32 inputResult = 1,
                      int initResult = 1)
        : m_name(name), m_update(updateResult), m_input(inputResult), m_init(initResult) {}
    ~RecState() override { Log("Delete"); }

    int Init(IKetrelApplication*) override { Log("Init"); return m_init; }
    void Release() override { Log("Release"); }
    void Activate() override { Log("Activate"); }
    void Deactivate() override { Log("Deactivate"); }
    i32 Update(f32) override { Log("Update"); return m_update; }
    void Render() override { Log("Render"); }
    int ReloadGraphics() override { Log("Reload"); return m_reload; }
    i32 OnFocusChanged(i32) override { Log("Focus"); return m_input; }
    i32 OnPointerDown(i32, i32, i32) override { Log("Down"); return m_input; }
    i32 OnPointerMove(i32, i32, i32) override { Log("Move"); return m_input; }
    i32 OnPointerUp(i32, i32, i32) override { Log("Up"); return m_input; }
    i32 OnKeyDown(u32) override { Log("Key"); return m_input; }
    i32 OnChar(u32) override { Log("Char"); return m_input; }
    int OnLanguageChanged(const CKetrelString&) override { Log("Language"); return 0; }

    void SetReloadResult(int rc) { m_reload = rc; }
    const std::string& Name() const { return m_name; }

protected:
    void Log(const char* what) { CallLog().push_back(m_name + "." + what); }

    std::string m_name;
    i32 m_update;
    i32 m_input;
    int m_init;
    int m_reload = 1;
};

// The game as the tests see it: identity values and recorded calls.
class FakeGame : public IBrixGameState
{
public:
    explicit FakeGame(const std::string& appName, i32 gameId = 1);
    ~FakeGame() override;

    int Init(IKetrelApplication*) override { Log("Init"); return 1; }
    void Release() override { Log("Release"); }
    void Activate() override { Log("Activate"); }
    void Deactivate() override { Log("Deactivate"); }
    i32 Update(f32) override { Log("Update"); return 0; }
    void Render() override { Log("Render"); }
    int ReloadGraphics() override { Log("Reload"); return 1; }
    i32 OnFocusChanged(i32) override { Log("Focus"); return 1; }
    i32 GetGameId() override { return m_gameId; }
    CKetrelString GetVersion() override { return CKetrelString(L"1.0"); }
    CKetrelString GetApplicationName() override { return CKetrelString(m_appName.c_str()); }
    i32 GetMinPlayers() override { return 2; }
    i32 GetMaxPlayers() override { return 2; }
    CKetrelString GetApplicationToken() override { return CKetrelString(); }
    void OnMenuOpened() override {}
    void OnMenuClosed() override {}
    void CloseConnectingScreen() override { Log("CloseConnecting"); }
    void StartMatch(i32) override { Log("StartMatch"); }
    void StopMatch() override {}
    void OnPlayerLeft(i32) override { Log("PlayerLeft"); }
    f32 GetTurnClockFraction() override { return 0.0f; }
    void OnGameData(const u8*, i32) override { Log("GameData"); }
    void OnGameLinkDown(i32 busy) override { Log(busy ? "GameLinkDown1" : "GameLinkDown0"); }
    void OnLobbyLinkDown(i32 busy) override { Log(busy ? "LobbyLinkDown1" : "LobbyLinkDown0"); }

private:
    void Log(const char* what) { CallLog().push_back(std::string("game.") + what); }
    std::string m_appName;
    i32 m_gameId;
};

// A lobby menu state that records the calls the application makes on it.
class FakeLobby : public IBrixLobbyState
{
public:
    explicit FakeLobby(CTolvaneApplication* app) : m_app(app) {}
    ~FakeLobby() override { Log("Delete"); }

    int Init(IKetrelApplication*) override { Log("Init"); return initResult; }
    // The session must already be gone when the lobby is released at shut-down.
    void Release() override { Log(m_app->GetNetworkSession() ? "Release+session" : "Release"); }
    void Activate() override { Log("Activate"); }
    void Deactivate() override { Log("Deactivate"); }
    i32 Update(f32) override { Log("Update"); return 0; }
    void Render() override { Log("Render"); }
    i32 OnPointerDown(i32, i32, i32) override { Log("Down"); return 1; }

    CKetrelString GetUserName() override { return CKetrelString(L"tester"); }
    i32 IsGuest(i32) override { return guest; }
    i32 IsLoggedIn() override { return 1; }
    void Logout() override { Log("Logout"); }
    void Relogin(i32) override { Log("Relogin"); }
    void Redirect(const CKetrelString&, i32) override { Log("Redirect"); }
    i32 IsUILoaded() override { return 1; }
    void OpenPage(const CKetrelString& name, i32) override;
    void OpenChatPage(i32) override { Log("OpenChatPage"); }
    i32 GetBrixButtonRect(CKetrelRect*) override { return 1; }
    void OnThemeChanged() override { Log("Theme"); }
    const CKetrelArray<CItemData>* GetItemDataList() override { return nullptr; }
    void GetItemDataPackPath(i32, CKetrelString*) override {}
    void SendMessage101(i32, i32, i32) override {}
    void BeginMatch() override { Log("BeginMatch"); }
    void EndMatch() override { Log("EndMatch"); }
    void LeaveGame() override { Log("LeaveGame"); }
    void ShowRematchButton(i32 shown) override { Log(shown ? "Rematch1" : "Rematch0"); }
    void AddChatMessage(const CBrixChatRecord& r, i32) override { Log(("AddChat" + std::to_string(r.kind)).c_str()); }
    void ShowChatNotice(const CBrixChatRecord&, i32) override { Log("ChatNotice"); }
    void OnLobbyLinkStatus(i32) override
    {
        Log("LobbyStatus");
        if (onLobbyStatus)
            onLobbyStatus();
    }
    void OnGameLinkStatus(i32) override { Log("GameStatus"); }

    void OnMatchResult(CBrixNetworkSession*, int, int, int) override { Log("MatchResult"); }
    void OnLobbySlot1(CBrixNetworkSession*) override {}
    void OnPlayerRelationChanged(CBrixNetworkSession*, int, int, int, const CKetrelString&,
                                 const CKetrelString&) override {}
    void OnGameResultItem(CBrixNetworkSession*, int, const CGameResultItem&) override {}
    void OnChallengeReceived(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&, int,
                             int) override { Log("Challenge"); }
    void OnChallengeAnswer(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&,
                           int) override {}
    void OnChallengerImage(CBrixNetworkSession*, int, const u8*, int) override {}
    void OnChangeNotice(int) override {}
    void OnItemDataList(const CKetrelArray<CItemData>&) override {}
    void OnDataChunk(int, int, const u8*, int, int) override {}
    void OnCoinBalance(int) override { Log("Coins"); }
    void OnShopGroups(int, const CKetrelArray<CShopGroupData>&) override {}
    void OnShopItems(int, int, const CKetrelArray<CShopItemData>&) override {}
    void OnShopItemImage(int, int, const u8*, int) override {}
    void OnBuyItemPlayerInfo(int, int, const CKetrelString&, const CKetrelArray<CBuyItemPlayerInfo>&) override {}
    void OnConfirmBuyItemResponse(int, int, const CKetrelString&) override {}
    void OnUpdateItemStateResponse(int, int, const CKetrelString&, int) override {}
    void OnPlayerGiftItems(int, const CKetrelString&, const CKetrelArray<CShopItemData>&) override {}
    void OnConfirmBuyPlayerItemsResponse(int, int, const CKetrelString&) override {}
    void OnAchievementList(int, int, int, const CKetrelArray<CAchievementInfo>&, int) override {}
    void OnTournamentScores(const CKetrelArray<CKetrelString>&, const CKetrelArray<CUserTournamentScores>&,
                            int) override {}
    void OnImageAndLink(const CKetrelString&, int, const u8*, const CKetrelString&, const CKetrelString&,
                        const CKetrelString&) override {}

    int initResult = 1;
    i32 guest = 0;
    std::function<void()> onLobbyStatus;

private:
    void Log(const char* what) { CallLog().push_back(std::string("lobby.") + what); }
    CTolvaneApplication* m_app;
};

// The application as the tests drive it: framework packs come from the build's program
// folder unless hidden; the protected parts are reachable.
class TestTolvane : public CTolvaneApplication
{
public:
    ~TestTolvane() override;
    int AddMediaPack(const CKetrelString& name, int isFullPath, int scope) override;

    std::set<std::string> hiddenPacks;      // names AddMediaPack answers 0 for
    bool keepUserData = false;              // the destructor leaves the folder

    using CTolvaneApplication::m_restoreStep;
    using CTolvaneApplication::m_toast;
    using CTolvaneApplication::InitServices;
    using CTolvaneApplication::CreateToast;
    void ClearUserData();
};

// TestTolvane without an X display: no window, no drawing target.
class HeadlessTolvane : private NoDisplay, public TestTolvane
{
public:
    // A software drawing target of that size (format 7).
    bool SetScreen(int width, int height);
};

// A name of its own for an application's user data folder.
std::string UniqueAppName();
// Copies the built language packs into the application's user data folder.
bool CopyLanguagePacks(IKetrelApplication& app);
// The build's program folder, where the packs are written.
std::string BuiltFile(const std::string& name);
