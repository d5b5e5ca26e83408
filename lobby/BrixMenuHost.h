#pragma once
// lobby/BrixMenuHost.h
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/BrixNetworkSession.h"

class CBrixStatsStore;
class CKetrelSurface;
class IBrixGameState;
class IKetrelApplication;
class IKetrelGraphicsContext;
class IUIApplication;

// What the lobby menu state needs of the application and of its network session. The
// program's implementation (CBrixMenuAppHost) forwards to CTolvaneApplication and the
// session it currently holds; tests put a recording fake in its place. Every session
// request does nothing while no session exists (HasSession() == 0). Main thread only.
class IBrixMenuHost
{
public:
    virtual ~IBrixMenuHost() {}

    // ---- application ----
    virtual IKetrelApplication* GetEngineApplication() = 0;     // handed to the game's Init
    virtual IUIApplication* GetUIApplication() = 0;              // for the layout loader
    virtual IKetrelGraphicsContext* GetGraphicsContext() = 0;   // null without a window
    virtual void GetScreenSize(i32* width, i32* height) = 0;    // 0 x 0 without a window
    virtual IBrixGameState* GetGameState() = 0;                  // null when there is none
    // The game was released: the application deletes it and forgets it.
    virtual void DeleteGameState() = 0;
    virtual void Quit() = 0;
    virtual void ResetIdleTimer() = 0;
    virtual CBrixStatsStore* GetSettings() = 0;                  // null before start-up
    // The user data folder's path of name (the folder is created when missing).
    virtual CKetrelString GetUserDataPath(const CKetrelString& name) = 0;

    // ---- settings ----
    virtual i32 GetSoundVolume() = 0;                            // 0..100
    virtual void SetSoundVolume(i32 volume) = 0;
    virtual i32 IsSoundMuted() = 0;
    virtual void SetSoundMuted(i32 muted) = 0;
    virtual i32 GetMusicVolume() = 0;
    virtual void SetMusicVolume(i32 volume) = 0;
    virtual i32 IsMusicMuted() = 0;
    virtual void SetMusicMuted(i32 muted) = 0;
    virtual i32 IsVibrationEnabled() = 0;
    virtual void SetVibrationEnabled(i32 enabled) = 0;
    virtual i32 GetNotificationFilter() = 0;
    virtual void SetNotificationFilter(i32 bits) = 0;

    // ---- languages ----
    // Display names and codes of the known languages, sorted by display name with "ar-sa"
    // first; index i is the same language in both lists.
    virtual void GetSortedLanguages(CKetrelArray<CKetrelString>* names,
                                    CKetrelArray<CKetrelString>* codes) = 0;
    virtual CKetrelString GetCurrentLanguageName() = 0;
    virtual CKetrelString GetCurrentLanguageCode() = 0;
    // Selects the pack, tells the server and every state.
    virtual void SetLanguage(const CKetrelString& code) = 0;
    virtual CKetrelString GetLanguageText(i32 index) = 0;

    // ---- services ----
    // A notification of the session with both numbers 0 (shown as a toast).
    virtual void ShowNotification(const CKetrelString& text) = 0;
    virtual void OpenUrl(const CKetrelString& url) = 0;
    virtual CKetrelString GetDeviceId() = 0;
    virtual i32 GetGameId() = 0;
    virtual i32 GetReleaseId() = 0;
    virtual CKetrelString GetResellerId() = 0;
    // A decoded picture with its texture, owned by the caller; null when it cannot be read.
    virtual CKetrelSurface* DecodePicture(const u8* data, i32 size) = 0;

    // ---- network session ----
    virtual i32 HasSession() = 0;
    virtual i32 GetOwnPlayerId() = 0;
    virtual CKetrelString GetSessionToken() = 0;
    virtual i32 GetReleaseNumber() = 0;                          // 0 while none is known
    virtual CKetrelString GetUrlSuffix() = 0;
    virtual void RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first,
                                   i32 count, CBrixNetworkSession::PlayerListCallback callback,
                                   void* context) = 0;
    virtual void RequestGameResults(i32 a, i32 b) = 0;
    virtual void RequestCoinBalance() = 0;
    virtual void RequestAchievementList(i32 a, i32 b, i32 c, i32 d) = 0;
    virtual void CancelMatchRequest() = 0;
    virtual void AnswerChallenge(i32 challengerId, i32 answer, const CKetrelString& text) = 0;
    virtual void RequestLanguageList() = 0;
    virtual void GetKeyValue(const CKetrelString& key, CBrixNetworkSession::KeyValueCallback callback,
                             void* context) = 0;
    virtual void RequestDataChunk(i32 itemId, i32 offset, i32 length) = 0;
    virtual void RequestShopGroups(i32 flags) = 0;
    virtual void RequestImageAndLink(const CKetrelString& name, const CKetrelString& text) = 0;
    virtual void RequestShopItemImages(const CKetrelArray<i32>& itemIds, i32 size) = 0;
};
