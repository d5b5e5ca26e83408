#pragma once
// The lobby menu's host for fuzz targets: fixed answers to every question, requests that go
// nowhere, user files in `folder` (by bare name when it is empty) and the layout from its UI.
// Targets derive from it for what they route elsewhere.
#include "UIFuzzKit.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixMenuHost.h"

#include <string>

namespace fuzzkit
{
template <class UIApp = FuzzUI<>>
class FuzzMenuHost : public IBrixMenuHost
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
    CKetrelString GetUserDataPath(const CKetrelString& name) override
    {
        CKetrelString path(folder.c_str());
        path.Append(name);
        return path;
    }
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
    void GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes) override
    {
        names->RemoveAll();
        codes->RemoveAll();
        names->Add(CKetrelString("English"));
        codes->Add(CKetrelString("en"));
    }
    CKetrelString GetCurrentLanguageName() override { return CKetrelString("English"); }
    CKetrelString GetCurrentLanguageCode() override { return CKetrelString("en"); }
    void SetLanguage(const CKetrelString&) override {}
    CKetrelString GetLanguageText(i32) override { return CKetrelString(languageText); }
    void ShowNotification(const CKetrelString&) override {}
    void OpenUrl(const CKetrelString&) override {}
    CKetrelString GetDeviceId() override { return CKetrelString("d"); }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString("r"); }
    CKetrelSurface* DecodePicture(const u8*, i32) override { return nullptr; }
    i32 HasSession() override { return 1; }
    i32 GetOwnPlayerId() override { return ownPlayerId; }
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

    UIApp ui;
    CBrixStatsStore settings;
    std::string folder;
    const char* languageText = "t";
    i32 ownPlayerId = 1;
};

// The lobby's own layout, as the menu loads it.
inline std::string ReadMenuLayout()
{
    return ReadSourceFile("assets/framework/layouts/menu_root.xml");
}
}  // namespace fuzzkit
