#pragma once
// framework/BrixApplication.h
#include "engine/KetrelApplication.h"
#include "engine/KetrelArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixResourceManager.h"
#include "net/ASN1Records.h"

class CBrixAchievementStation;
class CBrixDevice;
class CBrixLanguage;
class CBrixStatsStore;
class CBrixTheme;
class CKetrelSoundMusicPlayer;

// The framework application: the engine application with the resource manager as its
// second base, and the framework operations that the game, the lobby and the overlays
// call. CTolvaneApplication is the one implementation. Main thread only.
class CBrixApplication : public IKetrelApplication, public CBrixResourceManager
{
public:
    CBrixApplication() {}
    ~CBrixApplication() override {}

    // Asks for the end of the run: the current frame finishes, then the engine quits.
    // Hides the engine's immediate IKetrelApplication::Quit.
    virtual void Quit() = 0;
    // Log out (non-zero) or log in again, then bring the lobby to the front.
    virtual void ShowLoginMenu(i32 logout) = 0;
    virtual void ReloginAndShowMenu(i32 argument) = 0;
    // The title's hand-over: connectivity, network session, lobby menu state. Result code.
    virtual int EnterSocialFramework() = 0;
    // Black screen with the busy picture in the bottom-right corner.
    virtual void ShowBusyScreen() = 0;

    virtual i32 GetSoundVolume() = 0;                  // 0..100
    virtual void SetSoundVolume(i32 volume) = 0;       // clamped to 0..100
    virtual void SetSoundMuted(i32 muted) = 0;
    virtual i32 IsSoundMuted() = 0;
    virtual i32 GetMusicVolume() = 0;
    virtual void SetMusicVolume(i32 volume) = 0;
    virtual void SetMusicMuted(i32 muted) = 0;
    virtual i32 IsMusicMuted() = 0;
    virtual void SetAllMuted(i32 muted) = 0;
    virtual int PlayMusic(const CKetrelString& fileName, i32 loop) = 0;
    virtual void StopMusic() = 0;
    virtual CKetrelSoundMusicPlayer* GetMusicPlayer() = 0;   // null while nothing plays
    virtual void SetVibrationEnabled(i32 enabled) = 0;
    virtual i32 IsVibrationEnabled() = 0;

    virtual CBrixDevice* GetDevice() = 0;
    virtual CBrixStatsStore* GetSettings() = 0;
    virtual CBrixAchievementStation* GetAchievementStation() = 0;   // null when it failed
    virtual void OnSlot44() = 0;
    virtual CKetrelString GetUserName() = 0;
    // The local user's item records (seven words each, see CBrixItemRecord); null
    // without a lobby.
    virtual const CKetrelArray<CItemData>* GetItemDataList() = 0;
    // The full path of the item data pack packNumber; left untouched without a lobby.
    virtual void GetItemDataPackPath(i32 packNumber, CKetrelString* out) = 0;
    virtual void SendMessage101(i32 itemId, i32 count, i32 value) = 0;
    virtual CBrixLanguage* GetLanguage() = 0;
    virtual CBrixTheme* GetTheme() = 0;                // null when no theme is loaded
    virtual i32 GetBrixButtonRect(CKetrelRect* out) = 0;
    virtual void OpenMenuPage(i32 page) = 0;
    virtual i32 IsGuest(i32 page) = 0;
    virtual void OpenChatPage(i32 mode) = 0;

private:
    CBrixApplication(const CBrixApplication&) = delete;
    CBrixApplication& operator=(const CBrixApplication&) = delete;
};
