#pragma once
// lobby/BrixMenuAppHost.h
#include "lobby/BrixMenuHost.h"

class CTolvaneApplication;

// The menu state's host in the program: the framework application and the network
// session it holds at the moment of each call (the session may be made again after a
// lost connection). Main thread only.
class CBrixMenuAppHost : public IBrixMenuHost
{
public:
    explicit CBrixMenuAppHost(CTolvaneApplication* app) : m_app(app) {}

    IKetrelApplication* GetEngineApplication() override;
    IUIApplication* GetUIApplication() override;
    IKetrelGraphicsContext* GetGraphicsContext() override;
    void GetScreenSize(i32* width, i32* height) override;
    IBrixGameState* GetGameState() override;
    void DeleteGameState() override;
    void Quit() override;
    void ResetIdleTimer() override;
    CBrixStatsStore* GetSettings() override;
    CKetrelString GetUserDataPath(const CKetrelString& name) override;

    i32 GetSoundVolume() override;
    void SetSoundVolume(i32 volume) override;
    i32 IsSoundMuted() override;
    void SetSoundMuted(i32 muted) override;
    i32 GetMusicVolume() override;
    void SetMusicVolume(i32 volume) override;
    i32 IsMusicMuted() override;
    void SetMusicMuted(i32 muted) override;
    i32 IsVibrationEnabled() override;
    void SetVibrationEnabled(i32 enabled) override;
    i32 GetNotificationFilter() override;
    void SetNotificationFilter(i32 bits) override;

    void GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes) override;
    CKetrelString GetCurrentLanguageName() override;
    CKetrelString GetCurrentLanguageCode() override;
    void SetLanguage(const CKetrelString& code) override;
    CKetrelString GetLanguageText(i32 index) override;

    void ShowNotification(const CKetrelString& text) override;
    void OpenUrl(const CKetrelString& url) override;
    CKetrelString GetDeviceId() override;
    i32 GetGameId() override;
    i32 GetReleaseId() override;
    CKetrelString GetResellerId() override;
    CKetrelSurface* DecodePicture(const u8* data, i32 size) override;

    i32 HasSession() override;
    i32 GetOwnPlayerId() override;
    CKetrelString GetSessionToken() override;
    i32 GetReleaseNumber() override;
    CKetrelString GetUrlSuffix() override;
    void RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first, i32 count,
                           CBrixNetworkSession::PlayerListCallback callback, void* context) override;
    void RequestGameResults(i32 a, i32 b) override;
    void RequestCoinBalance() override;
    void RequestAchievementList(i32 a, i32 b, i32 c, i32 d) override;
    void CancelMatchRequest() override;
    void AnswerChallenge(i32 challengerId, i32 answer, const CKetrelString& text) override;
    void RequestLanguageList() override;
    void GetKeyValue(const CKetrelString& key, CBrixNetworkSession::KeyValueCallback callback,
                     void* context) override;
    void RequestDataChunk(i32 itemId, i32 offset, i32 length) override;
    void RequestShopGroups(i32 flags) override;
    void RequestImageAndLink(const CKetrelString& name, const CKetrelString& text) override;
    void RequestShopItemImages(const CKetrelArray<i32>& itemIds, i32 size) override;

private:
    CBrixNetworkSession* Session();

    CTolvaneApplication* m_app;   // not owned
};
