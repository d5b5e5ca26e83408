#pragma once
// framework/TolvaneApplication.h
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixApplication.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixGameState.h"
#include "framework/BrixLobbyState.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"

class CBrixAdvertisement;
class CBrixAchievementStation;
struct CBrixChatRecord;
class CBrixDevice;
class CBrixLanguage;
class CBrixNetConnection;
class CBrixNotification;
class CBrixStatsStore;
class CBrixTheme;
class CBrixToastNotification;
class CBrixUIServices;
class CKetrelSoundEngine;
class CKetrelSoundMusicPlayer;
class CKetrelSurface;
class IBrixState;
class IUIApplication;

// The program's framework application. It owns the framework services, an ordered list
// of screen states (element 0 is the active one; the list owns them), the popups, the
// toast and the advertisement overlays, and the social part (connectivity request,
// network session, lobby menu state), and runs one update-and-draw pass per frame.
// It also answers the session as its status, lobby, game and advertisement observer,
// the game's default operations (IBrixGameHost), the session's questions
// (IBrixSessionHost) and, through GetUIApplication, the toolkit's.
//
// Ownership: the application owns the game object handed to Init from then on (also
// when Init fails: the caller then deletes only the application). The game is deleted
// at shut-down right after the states, or earlier through DeleteGameState.
//
// The overlays and the two opening states are the framework's own classes: the toast
// (CBrixToastNotification) and the advertisement (CBrixAdvertisement), both
// CBrixNotification, and CBrixIntroState and CBrixTitleState. What the application
// calls on them: Init(this), Release, Update(dt), Render, IsFinished, OnPointerDown,
// OnPointerMove, OnPointerUp, OnScreenSizeChanged; on the toast also Add(text, kind,
// seconds), IsShown, GetShownKind, OnThemeChanged; on the advertisement also Show(the
// message fields), IsShown, Hide and OnThemeChanged.
//
// Main thread only.
class CTolvaneApplication : public CBrixApplication,
                            public CBrixNetworkSession::StatusObserver,
                            public CBrixNetworkSession::LobbyObserver,
                            public CBrixNetworkSession::GameObserver,
                            public CBrixNetworkSession::AdvertisementObserver,
                            public IBrixGameHost,
                            public IBrixSessionHost,
                            public IBrixFrameworkHost
{
public:
    enum
    {
        NOTIFY_FILTER_TOASTS = 1,        // notification filter bit: no toasts, no vibration
        RESTORE_NONE = 0,
        RESTORE_BUSY_SCREEN = 1,
        RESTORE_RELOAD = 2,
        BACK_KEY_CODE = 77,
        TOAST_KIND_CHALLENGE = 3
    };

    CTolvaneApplication();
    ~CTolvaneApplication() override;    // deletes a game still held; services go in OnDestroy

    // The creator of the lobby menu state, registered by the program before Init. Without
    // one, the social part pushes a plain state that runs the game alone
    // (CBrixGameOnlyState).
    void SetLobbyStateCreator(BrixLobbyStateCreator creator) { m_lobbyCreator = creator; }

    // Keeps the game (owned from now on), names the application after it and makes the
    // window (800 x 480, full screen); OnCreate runs inside. The engine's Create result.
    // width and height are not used.
    int Init(u32 reserved, i32 width, i32 height, IBrixGameState* game);

    using CBrixResourceManager::Init;    // the resource manager's own Init stays reachable

    // ---- engine hooks ----
    void OnResize(i32 width, i32 height) override;
    void OnPointerDown(i32 button, i32 x, i32 y) override;
    void OnPointerMove(i32 button, i32 x, i32 y) override;
    void OnPointerUp(i32 button, i32 x, i32 y) override;
    void SetActive(i32 active) override;
    int RestoreGraphics(i32 argument) override;
    void OnFrame() override;             // the frame driver with the engine's frame delta
    int OnCreate() override;
    void OnDestroy() override;
    void OnKeyDown(u32 keysym) override;
    void OnChar(u32 character) override;

    // The frame driver for a given delta (OnFrame passes the engine's).
    void RunFrame(f32 dt);
    // Input routing with results: non-zero when something took the event.
    i32 RoutePointerDown(i32 pointer, i32 x, i32 y);
    i32 RoutePointerMove(i32 pointer, i32 x, i32 y);
    i32 RoutePointerUp(i32 pointer, i32 x, i32 y);
    i32 RouteKeyDown(u32 keysym);
    i32 RouteChar(u32 character);

    // ---- framework operations ----
    void Quit() override;
    void ShowLoginMenu(i32 logout) override;
    void ReloginAndShowMenu(i32 argument) override;
    int EnterSocialFramework() override;
    void ShowBusyScreen() override;
    i32 GetSoundVolume() override;
    void SetSoundVolume(i32 volume) override;
    void SetSoundMuted(i32 muted) override;
    i32 IsSoundMuted() override;
    i32 GetMusicVolume() override;
    void SetMusicVolume(i32 volume) override;
    void SetMusicMuted(i32 muted) override;
    i32 IsMusicMuted() override;
    void SetAllMuted(i32 muted) override;
    int PlayMusic(const CKetrelString& fileName, i32 loop) override;
    void StopMusic() override;
    CKetrelSoundMusicPlayer* GetMusicPlayer() override { return m_musicPlayer; }
    void SetVibrationEnabled(i32 enabled) override;
    i32 IsVibrationEnabled() override;
    CBrixDevice* GetDevice() override { return m_device; }
    CBrixStatsStore* GetSettings() override { return m_settings; }
    CBrixAchievementStation* GetAchievementStation() override { return m_achievements; }
    void OnSlot44() override {}
    CKetrelString GetUserName() override;
    const CKetrelArray<CItemData>* GetItemDataList() override;
    void GetItemDataPackPath(i32 packNumber, CKetrelString* out) override;
    void SendMessage101(i32 itemId, i32 count, i32 value) override;
    CBrixLanguage* GetLanguage() override { return m_language; }
    CBrixTheme* GetTheme() override { return m_theme; }
    i32 GetBrixButtonRect(CKetrelRect* out) override;
    void OpenMenuPage(i32 page) override;
    i32 IsGuest(i32 page) override;
    void OpenChatPage(i32 mode) override;

    i32 GetScreenWidth();                // of the current drawing target; 0 without one
    i32 GetScreenHeight();
    // Restarts the session after the connection was lost; quits when that fails.
    void RecreateNetworkSession();
    void OnThemeChanged();
    void ShowChatNotice(const CBrixChatRecord& record, i32 flag) override;
    // A chat line on the game channel, also added to the lobby's backlog.
    void SendChatMessage(const CKetrelString& text, i32 kind);
    void SendChatInfo(i32 kind);
    void EndMatchInMenu();

    // ---- state list ----
    // The state's Init result; on 1 the state is appended (and activated when it is the
    // only one), otherwise it is deleted at once.
    int PushState(IBrixState* state);
    // 1 removed (released and deleted), 0 not on the list.
    int RemoveState(IBrixState* state);
    // Moves the state to the front in the next frame. 1.
    int BringToFront(IBrixState* state);
    // The popup list takes the popup; the device vibrates.
    void AddPopup(CBrixNotification* popup);
    i32 GetStateCount() const { return m_states.GetCount(); }
    IBrixState* GetStateAt(i32 index) const;
    IBrixState* GetFirstState() const { return GetStateAt(0); }

    int ReleaseGraphicsAll();
    int ReloadGraphicsAll();
    int ReleaseGraphics() override { return ReleaseGraphicsAll(); }
    int ReloadGraphics() override { return ReloadGraphicsAll(); }

    // ---- StatusObserver ----
    void OnLobbyLinkStatusChanged(CBrixNetworkSession* session, int status) override;
    void OnGameLinkStatusChanged(CBrixNetworkSession* session, int status) override;
    // A toast of the text: the kind is the session's third argument (the message's
    // field [2]); the second (field [0]) is not used.
    void OnNotification(CBrixNetworkSession* session, int first, int kind,
                        const CKetrelString& text) override;

    // ---- LobbyObserver: passed on to the lobby menu state ----
    void OnMatchResult(CBrixNetworkSession* session, int value1, int gameId, int code) override;
    void OnLobbySlot1(CBrixNetworkSession*) override {}
    void OnPlayerRelationChanged(CBrixNetworkSession* session, int playerId, int relation, int value,
                                 const CKetrelString& text4, const CKetrelString& text5) override;
    void OnGameResultItem(CBrixNetworkSession* session, int index, const CGameResultItem& item) override;
    void OnChallengeReceived(CBrixNetworkSession* session, int challengerId, const CKetrelString& name,
                             const CKetrelString& text3, int value4, int value5) override;
    void OnChallengeAnswer(CBrixNetworkSession* session, int playerId, const CKetrelString& text4,
                           const CKetrelString& text5, int answer) override;
    void OnChallengerImage(CBrixNetworkSession* session, int playerId, const u8* image,
                           int imageSize) override;
    void OnChangeNotice(int value) override;
    void OnItemDataList(const CKetrelArray<CItemData>& items) override;
    void OnDataChunk(int itemId, int offset, const u8* data, int size, int value3) override;
    void OnCoinBalance(int coins) override;
    void OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& groups) override;
    void OnShopItems(int value0, int value1, const CKetrelArray<CShopItemData>& items) override;
    void OnShopItemImage(int itemId, int value1, const u8* image, int imageSize) override;
    void OnBuyItemPlayerInfo(int value0, int value1, const CKetrelString& text,
                             const CKetrelArray<CBuyItemPlayerInfo>& players) override;
    void OnConfirmBuyItemResponse(int value0, int value1, const CKetrelString& text) override;
    void OnUpdateItemStateResponse(int value0, int value1, const CKetrelString& text,
                                   int value3) override;
    void OnPlayerGiftItems(int value0, const CKetrelString& text1,
                           const CKetrelArray<CShopItemData>& items) override;
    void OnConfirmBuyPlayerItemsResponse(int value0, int value1, const CKetrelString& text) override;
    void OnAchievementList(int value0, int value1, int value2, const CKetrelArray<CAchievementInfo>& list,
                           int value4) override;
    void OnTournamentScores(const CKetrelArray<CKetrelString>& names,
                            const CKetrelArray<CUserTournamentScores>& scores, int value2) override;
    void OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image,
                        const CKetrelString& text2, const CKetrelString& text3,
                        const CKetrelString& text4) override;

    // ---- GameObserver ----
    void OnGameData(CBrixNetworkSession* session, const u8* data, int size) override;
    void OnGamePlayersChanged(CBrixNetworkSession* session, int ownPlayerId, int match) override;
    void OnGameStatus(CBrixNetworkSession* session, int playerId) override;

    // ---- AdvertisementObserver ----
    void OnAdvertisementInfo(const CKetrelString& text0, const CKetrelString& text1, int imageSize,
                             const u8* image, int value3, int value4, const CKetrelArray<i32>& values,
                             const CKetrelString& text6, int value7, const CKetrelString& text8,
                             const CKetrelString& text9) override;

    // ---- IBrixGameHost ----
    int HasNetworkSession() override { return m_session != nullptr; }
    u32 GetSessionStatus() override;
    void CloseGameLink() override;
    void RequestMatch(i32 mode, i32 param) override;
    void CancelMatchRequest() override;
    void SendGameData(const u8* data, i32 size, i32 a, i32 b) override;
    CKetrelString GetUrlSuffix() override;
    i32 GetOwnPlayerId() override;
    i32 GetLobbyPlayerCount() override;
    CBrixPlayer* GetLobbyPlayer(i32 index) override;
    void LeaveGame() override;
    void ReportGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& results,
                          i32 abandoned) override;

    // ---- IBrixSessionHost ----
    IKetrelApplication* GetEngineApplication() override { return this; }
    CKetrelString GetLanguageText(i32 index) override;
    void GetClientInfo(CBrixClientInfo* info) override;
    CKetrelString GetApplicationToken() override;
    void GetPlayerLimits(i32* minimum, i32* maximum) override;
    IBrixLanguageStore* GetLanguageStore(int which) override;   // 0: the language; 1: none
    CKetrelString GetThemeDigest() override;
    CKetrelSurface* LoadPicture(const u8* data, i32 size) override;

    // ---- IBrixFrameworkHost ----
    CBrixResourceManager* GetResourceManager() override { return this; }
    void OpenLink(const CKetrelString& link) override;
    i32 IsMatchRequestPending() override;

    // ---- services used by other layers ----
    CBrixNetworkSession* GetNetworkSession() { return m_session; }
    IBrixGameState* GetGameState() { return m_game; }
    IBrixLobbyState* GetLobbyState() { return m_lobby; }
    CBrixNetConnection* GetNetConnection() { return m_netConnection; }
    CBrixToastNotification* GetToast() { return m_toast; }
    CBrixAdvertisement* GetAdvertisement() { return m_advertisement; }
    // The toolkit's view of this application; never null after construction.
    IUIApplication* GetUIApplication() override;
    i32 GetGameId();
    i32 GetReleaseId();
    CKetrelString GetGameVersion();
    CKetrelString GetResellerId();       // the game's, "Ovi" when empty
    CKetrelString GetSessionToken();
    CKetrelString GetApplicationCheck();
    // Queues a toast (kind 0: default) unless the filter suppresses toasts.
    void ShowNotification(i32 ignored, const CKetrelString& text, f32 seconds, i32 kind);
    void SetNotificationFilter(i32 bits);
    i32 GetNotificationFilter() const { return m_notificationFilter; }
    void SetLanguage(const CKetrelString& code) override;
    void SetTheme(const CKetrelString& name) override;
    void SendRematchAnswer(i32 rematch, i32 abandoned);
    void RedirectServer(const CKetrelString& host, i32 port) override;
    i32 IsLinkBusy() override;
    // Releases nothing: deletes the game object and forgets it (the lobby calls this
    // after releasing the game instead of deleting it itself).
    void DeleteGameState();
    // The state that lobby-bound calls go to while it is on the list; null otherwise.
    IBrixLobbyState* Lobby() const { return m_lobby; }

    i32 GetGraphicsRestoreStep() const { return m_restoreStep; }
    i32 IsQuitRequested() const { return m_quitRequested; }
    i32 IsLobbyLinkUp() const { return m_lobbyLinkUp; }
    i32 IsGameLinkUp() const { return m_gameLinkUp; }
    // 1 from a reported match result until the after-match answer is sent.
    i32 IsResultReported() const { return m_resultReported; }

protected:
    // The application's language as the session's pack downloads see it.
    class LanguageStore : public IBrixLanguageStore
    {
    public:
        explicit LanguageStore(CTolvaneApplication* app) : m_app(app) {}
        bool NeedsUpdate(const CKetrelString& code, const CKetrelString& digest) override;
        bool HasPack(const CKetrelString& code) override;
        void AddLanguagePack(const CKetrelString& code) override;
        void ReloadLanguagePack(const CKetrelString& code) override;
        CKetrelString GetBaseName() override;

    private:
        CTolvaneApplication* m_app;
    };

    // Start-up's step of settings, packs and services; the first failing code. The name of
    // a missing file goes to m_missingFile.
    int InitServices();
    // Applies the framework keys of the settings store.
    void ApplyStartupSettings();
    // Makes the connectivity request, the session and its observers. Result code.
    int CreateNetworkSession();
    // Makes the lobby menu state (or the game-only state without a creator) and pushes it.
    int CreateLobbyState();
    // Reports a start-up failure on the standard error stream: "ERROR: <code>" and the
    // missing file's name when there is one.
    void ReportStartupFailure(int code);
    // The parts of the frame driver.
    int RunRestoreStep();                // 1 when the frame ends there
    void TickOverlays(f32 dt);
    void ApplyBringToFront();
    void SweepStates();
    void MoveToFront(IBrixState* state);
    void RenderOverlays();
    void ReleaseMusicPlayer();
    void DeleteOverlays();
    // The toast's, first popup's and advertisement's input: true when one took it, with
    // the handler's result in *result (a tapped toast's kind, which may be negative).
    bool OverlayPointer(i32 kind, i32 pointer, i32 x, i32 y, i32* result);
    // Hooks that the overlay classes provide; all of them do nothing for a null overlay.
    int CreateToast();
    int PushOpeningStates();
    void HideAdvertisement();
    void DeleteAdvertisement();
    i32 IsToastShown();
    i32 IsAdvertisementShown();
    void QueueToast(const CKetrelString& text, i32 kind, f32 seconds);
    void NotifyOverlaysOfTheme();
    void NotifyOverlaysOfSize(i32 width, i32 height);
    int ShowAdvertisement(const CKetrelString& text0, const CKetrelString& text1, int imageSize,
                          const u8* image, int value3, int value4, const CKetrelArray<i32>& values,
                          const CKetrelString& text6, int value7, const CKetrelString& text8,
                          const CKetrelString& text9);
    // The lobby menu state when it is the first state, else null.
    IBrixLobbyState* FirstLobby() const;
    // Requests on the session; nothing without one.
    void SendChatRecord(const CBrixChatRecord& record);
    void SendGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& results,
                        i32 abandoned);
    void SendGameOver(i32 rematch);
    void SendLanguageChange(const CKetrelString& code);
    // Keeps the session's observers off this application.
    void DetachSession();

    i32 m_quitRequested;
    i32 m_lobbyLinkUp;
    i32 m_gameLinkUp;
    i32 m_menuSwitching;
    CKetrelPtrArray m_states;                     // IBrixState*, owned
    CKetrelPtrArray m_popups;                     // CBrixNotification*, owned
    CKetrelSoundEngine* m_soundEngine;            // owned; null without a sound device
    CKetrelSoundMusicPlayer* m_musicPlayer;       // owned; only while music plays
    CBrixNetworkSession* m_session;               // owned; null before the social part
    IBrixGameState* m_game;                       // owned (see above)
    IBrixLobbyState* m_lobby;                     // on the state list, which owns it
    CBrixDevice* m_device;                        // owned
    CBrixStatsStore* m_settings;                  // owned
    CBrixAchievementStation* m_achievements;      // owned; null when it failed
    CBrixAdvertisement* m_advertisement;          // owned; made on the first advertisement
    CBrixToastNotification* m_toast;              // owned; null when it failed
    CBrixTheme* m_theme;                          // owned
    CKetrelArray<IBrixState*> m_frontRequests;
    i32 m_restoreStep;                            // RESTORE_*
    CKetrelSurface* m_busyPicture;                // only while the busy screen is drawn
    CKetrelString m_musicFile;
    i32 m_musicLoop;
    f32 m_musicPosition;                          // seconds
    CBrixNetConnection* m_netConnection;          // owned
    CBrixLanguage* m_language;                    // owned
    i32 m_pendingAnswer;                          // -1 none; bit 0 rematch, bit 1 abandoned
    i32 m_resultReported;
    i32 m_notificationFilter;
    BrixLobbyStateCreator m_lobbyCreator;
    CBrixUIServices* m_uiServices;                // owned
    CKetrelString m_missingFile;                  // of the last start-up failure
    CBrixNetworkSession* m_retiredSession;        // deleted at the next frame
    LanguageStore m_languageStore;
};
