#pragma once
// Test doubles for the lobby menu: a host that records every call it gets, a game that
// records its calls into the same log, and a toolkit application that serves files.
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuState.h"
#include "ui/UIServices.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lobbytest
{
std::string Narrow(const CKetrelString& s);
// The text of a file of the source tree.
std::string ReadSourceFile(const std::string& relative);

// Resources that serve files by name and give no images, sounds or fonts.
class FileResources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override;
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
    i32 ReadResource(const CKetrelString& name, u8** data) override;

    std::map<std::string, std::string> files;
    std::vector<std::string> registered;
};

class FileUIApp : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 3; }
    CKetrelString GetResellerId() override { return CKetrelString("Ovi"); }
    CKetrelString GetSessionToken() override { return CKetrelString("tok"); }
    CKetrelString GetApplicationCheck() override { return CKetrelString("chk"); }
    FileResources resources;
};

// A game that logs its calls ("game:<operation>").
class FakeGame : public IBrixGameState
{
public:
    explicit FakeGame(std::vector<std::string>* log) : m_log(log) {}
    int Init(IKetrelApplication*) override { Log("Init"); return initResult; }
    void Release() override { Log("Release"); }
    void Activate() override { Log("Activate"); }
    void Deactivate() override { Log("Deactivate"); }
    i32 Update(f32) override { ++updates; return 0; }
    void Render() override { Log("Render"); }
    i32 GetGameId() override { return 64; }
    CKetrelString GetVersion() override { return CKetrelString("1.0"); }
    CKetrelString GetApplicationName() override { return CKetrelString("Test"); }
    i32 GetMinPlayers() override { return 2; }
    i32 GetMaxPlayers() override { return 2; }
    CKetrelString GetApplicationToken() override { return CKetrelString("apptoken"); }
    void OnMenuOpened() override { Log("OnMenuOpened"); }
    void OnMenuClosed() override { Log("OnMenuClosed"); }
    void CloseConnectingScreen() override { Log("CloseConnectingScreen"); }
    void StartMatch(i32) override { Log("StartMatch"); }
    void StopMatch() override { Log("StopMatch"); }
    void OnPlayerLeft(i32) override {}
    f32 GetTurnClockFraction() override { return turnClock; }
    void OnGameData(const u8*, i32) override {}
    void OnGameLinkDown(i32) override {}
    void OnLobbyLinkDown(i32) override {}
    void OnItemDataChanged() override { Log("OnItemDataChanged"); }
    i32 OnPointerDown(i32, i32, i32) override { Log("OnPointerDown"); return 1; }
    int initResult = 1;
    int updates = 0;
    f32 turnClock = 0.0f;

private:
    void Log(const char* what) { if (m_log) m_log->push_back(std::string("game:") + what); }
    std::vector<std::string>* m_log;
};

// The menu's host: logs every call with its arguments ("RequestCoinBalance",
// "SetSoundVolume 40", ...) and answers from its fields.
class FakeHost : public IBrixMenuHost
{
public:
    FakeHost();
    ~FakeHost() override;

    IKetrelApplication* GetEngineApplication() override { return nullptr; }
    IUIApplication* GetUIApplication() override { return &ui; }
    IKetrelGraphicsContext* GetGraphicsContext() override { return nullptr; }
    void GetScreenSize(i32* width, i32* height) override { *width = screenW; *height = screenH; }
    IBrixGameState* GetGameState() override { return game.get(); }
    void DeleteGameState() override { Log("DeleteGameState"); }
    void Quit() override { Log("Quit"); }
    void ResetIdleTimer() override {}
    CBrixStatsStore* GetSettings() override { return &settings; }
    CKetrelString GetUserDataPath(const CKetrelString& name) override;

    i32 GetSoundVolume() override { return soundVolume; }
    void SetSoundVolume(i32 v) override { soundVolume = v; Log("SetSoundVolume", v); }
    i32 IsSoundMuted() override { return soundMuted; }
    void SetSoundMuted(i32 m) override { soundMuted = m; Log("SetSoundMuted", m); }
    i32 GetMusicVolume() override { return musicVolume; }
    void SetMusicVolume(i32 v) override { musicVolume = v; Log("SetMusicVolume", v); }
    i32 IsMusicMuted() override { return musicMuted; }
    void SetMusicMuted(i32 m) override { musicMuted = m; Log("SetMusicMuted", m); }
    i32 IsVibrationEnabled() override { return vibration; }
    void SetVibrationEnabled(i32 e) override { vibration = e; Log("SetVibrationEnabled", e); }
    i32 GetNotificationFilter() override { return filter; }
    void SetNotificationFilter(i32 bits) override { filter = bits; Log("SetNotificationFilter", bits); }

    void GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes) override;
    CKetrelString GetCurrentLanguageName() override { return CKetrelString(currentLanguage.c_str()); }
    CKetrelString GetCurrentLanguageCode() override { return CKetrelString("en"); }
    void SetLanguage(const CKetrelString& code) override { Log("SetLanguage " + Narrow(code)); }
    CKetrelString GetLanguageText(i32 index) override;

    void ShowNotification(const CKetrelString& text) override { Log("ShowNotification " + Narrow(text)); }
    void OpenUrl(const CKetrelString& url) override { Log("OpenUrl " + Narrow(url)); }
    CKetrelString GetDeviceId() override { return CKetrelString("dev1"); }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 3; }
    CKetrelString GetResellerId() override { return CKetrelString("Ovi"); }
    CKetrelSurface* DecodePicture(const u8*, i32) override { Log("DecodePicture"); return nullptr; }

    i32 HasSession() override { return session; }
    i32 GetOwnPlayerId() override { return ownId; }
    CKetrelString GetSessionToken() override { return CKetrelString("sess"); }
    i32 GetReleaseNumber() override { return release; }
    CKetrelString GetUrlSuffix() override { return CKetrelString("&game=64&release=3&rid=Ovi"); }
    void RequestPlayerList(i32 list, const CKetrelString&, i32 a, i32 b, i32 first, i32 count,
                           CBrixNetworkSession::PlayerListCallback, void*) override;
    void RequestGameResults(i32 a, i32 b) override { Log("RequestGameResults", a, b); }
    void RequestCoinBalance() override { Log("RequestCoinBalance"); }
    void RequestAchievementList(i32 a, i32 b, i32 c, i32 d) override;
    void CancelMatchRequest() override { Log("CancelMatchRequest"); }
    void AnswerChallenge(i32 id, i32 answer, const CKetrelString&) override { Log("AnswerChallenge", id, answer); }
    void RequestLanguageList() override { Log("RequestLanguageList"); }
    void GetKeyValue(const CKetrelString& key, CBrixNetworkSession::KeyValueCallback, void*) override
    { Log("GetKeyValue " + Narrow(key)); }
    void RequestDataChunk(i32 id, i32 offset, i32 length) override { Log("RequestDataChunk", id, offset, length); }
    void RequestShopGroups(i32 flags) override { Log("RequestShopGroups", flags); }
    void RequestImageAndLink(const CKetrelString& name, const CKetrelString&) override
    { Log("RequestImageAndLink " + Narrow(name)); }
    void RequestShopItemImages(const CKetrelArray<i32>&, i32) override { Log("RequestShopItemImages"); }

    // The calls logged since the last Take, then forgotten.
    std::vector<std::string> Take();
    void Log(const std::string& what);
    void Log(const std::string& what, i32 a);
    void Log(const std::string& what, i32 a, i32 b);
    void Log(const std::string& what, i32 a, i32 b, i32 c);

    std::vector<std::string> log;
    FileUIApp ui;
    std::unique_ptr<FakeGame> game;
    CBrixStatsStore settings;
    std::string dataDir;                    // a fresh temporary folder
    std::vector<std::pair<std::string, std::string>> languages;   // name, code, in sorted order
    std::string currentLanguage = "English";
    i32 screenW = 800, screenH = 480;
    i32 soundVolume = 70, musicVolume = 50, soundMuted = 0, musicMuted = 0, vibration = 1, filter = 6;
    i32 session = 1, ownId = 17, release = 3;
};

// A menu state on a fake host, initialised and activated with the lobby's own layout.
struct MenuRig
{
    MenuRig();
    ~MenuRig();
    FakeHost host;
    std::unique_ptr<CBrixMenuState> state;
    CWidget* Find(const char* pathOrName);
};
}  // namespace lobbytest
