#pragma once
// lobby/BrixMenuState.h
#include "engine/KetrelArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixLobbyState.h"
#include "lobby/BrixItemPacks.h"
#include "lobby/LoginController.h"

class CBubble;
class CButton;
class CInfiniteList;
class CPageView;
class CUITimedSequenceList;
class CWidget;
class IBrixMenuHost;
class IEasingCurve;

// The lobby menu state: the one framework state that carries the social layer. It hosts
// the game (IBrixGameState), lays the menu of "menu_root.xml" over it, binds every named
// UI event of the layout to a handler of its own, and reacts to what the session reports
// through the application. Input goes to the menu's widgets first and then to the game;
// the game is drawn only while no menu layer is open.
//
// Every handler looks its widgets up by name each time and does nothing when one is
// missing. The names the code looks up are listed in BrixLobbyNames.h. Main thread only.
class CBrixMenuState : public IBrixLobbyState, public CLoginController
{
public:
    enum
    {
        EVENT_COUNT = 127,
        PACK_BUFFER_SIZE = 16384,
        RESULT_TEXT_LOST = 42,
        RESULT_TEXT_DRAW = 43,
        RESULT_TEXT_WON = 44,
        TEXT_LOGOUT_ELSEWHERE = 8,
        TEXT_LOGOUT_SERVER = 9,
        TEXT_CONNECT_ERROR_TITLE = 12,
        TEXT_CONNECT_ERROR = 13,
        TEXT_LOADING_TITLE = 33,
        TEXT_LOADING = 34,
        TEXT_RECONNECTING = 35
    };

    // A UI event handler: the widget that fired (may be null). Returns 1.
    typedef int (CBrixMenuState::*Handler)(CWidget* widget);
    struct EventEntry
    {
        const char* name;
        Handler handler;
    };
    // The events in registration order.
    static const EventEntry* GetEventTable();

    // host is not owned unless ownsHost.
    CBrixMenuState(IBrixMenuHost* host, bool ownsHost);
    ~CBrixMenuState() override;

    // ---- IBrixState ----
    int Init(IKetrelApplication* app) override;
    void Release() override;
    void Activate() override;
    void Deactivate() override;
    i32 Update(f32 dt) override;
    void Render() override;
    i32 OnScreenSizeChanged(i32 width, i32 height) override;
    i32 OnPointerDown(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerMove(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerUp(i32 pointer, i32 x, i32 y) override;
    i32 OnKeyDown(u32 keysym) override;
    i32 OnChar(u32 character) override;
    int OnLanguageChanged(const CKetrelString& code) override;

    // ---- IBrixLobbyState ----
    CKetrelString GetUserName() override { return GetLoginName(); }
    i32 IsGuest(i32) override { return IsGuestLogin(); }
    i32 IsLoggedIn() override { return GetLoginState() == LOGIN_DONE; }
    void Logout() override { CLoginController::Logout(); }
    void Relogin(i32 argument) override { CLoginController::Relogin(argument); }
    void Redirect(const CKetrelString&, i32) override {}
    i32 IsUILoaded() override { return m_root != nullptr; }
    void OpenPage(const CKetrelString& name, i32 open) override;
    void OpenChatPage(i32) override {}
    i32 GetBrixButtonRect(CKetrelRect* out) override;
    void OnThemeChanged() override { ReloadLayout(); }
    const CKetrelArray<CItemData>* GetItemDataList() override { return &m_itemData; }
    void GetItemDataPackPath(i32 packNumber, CKetrelString* out) override;
    void SendMessage101(i32, i32, i32) override {}
    void BeginMatch() override;
    void EndMatch() override;
    void LeaveGame() override {}
    void ShowRematchButton(i32) override {}
    void AddChatMessage(const CBrixChatRecord& record, i32 fromPeer) override;
    void ShowChatNotice(const CBrixChatRecord&, i32) override {}
    void OnLobbyLinkStatus(i32 status) override;
    void OnGameLinkStatus(i32 status) override;

    // ---- LobbyObserver (forwarded by the application) ----
    // The session's (first value, game id, code); codes -2 and -1 end the log-in.
    void OnMatchResult(CBrixNetworkSession* session, int first, int gameId, int code) override;
    void OnLobbySlot1(CBrixNetworkSession*) override {}
    void OnPlayerRelationChanged(CBrixNetworkSession*, int, int, int, const CKetrelString&,
                                 const CKetrelString&) override {}
    void OnGameResultItem(CBrixNetworkSession* session, int index, const CGameResultItem& item) override;
    void OnChallengeReceived(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&, int,
                             int) override {}
    void OnChallengeAnswer(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&,
                           int) override {}
    void OnChallengerImage(CBrixNetworkSession*, int, const u8*, int) override {}
    void OnChangeNotice(int flags) override;
    void OnItemDataList(const CKetrelArray<CItemData>& items) override;
    void OnDataChunk(int itemId, int offset, const u8* data, int size, int remaining) override;
    void OnCoinBalance(int) override {}
    void OnShopGroups(int, const CKetrelArray<CShopGroupData>&) override {}
    void OnShopItems(int, int, const CKetrelArray<CShopItemData>&) override {}
    void OnShopItemImage(int, int, const u8*, int) override {}
    void OnBuyItemPlayerInfo(int, int, const CKetrelString&, const CKetrelArray<CBuyItemPlayerInfo>&) override {}
    void OnConfirmBuyItemResponse(int, int, const CKetrelString&) override {}
    void OnUpdateItemStateResponse(int, int, const CKetrelString&, int) override {}
    void OnPlayerGiftItems(int, const CKetrelString&, const CKetrelArray<CShopItemData>&) override {}
    void OnConfirmBuyPlayerItemsResponse(int, int, const CKetrelString&) override {}
    void OnAchievementList(int a, int b, int c, const CKetrelArray<CAchievementInfo>& list, int d) override;
    void OnTournamentScores(const CKetrelArray<CKetrelString>&, const CKetrelArray<CUserTournamentScores>&,
                            int) override {}
    void OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image, const CKetrelString& link,
                        const CKetrelString& label, const CKetrelString& text4) override;

    // ---- log-in controller's user-interface operations ----
    void ShowLoginScreen() override;
    void ShowReconnecting() override;
    void ShowConnectError(const CKetrelString& url) override;

    // ---- menu ----
    // 1, or 8 when the layout cannot be built or lacks a widget the menu needs.
    int LoadLayout(i32 width, i32 height, CWidget* previousRoot);
    void UnloadLayout();
    i32 ReloadLayout();
    bool IsMenuVisible() const;
    void SetMenuOpen(bool open);
    void ShowHomePage();
    void UpdateStartScreen();
    void ShowFirstLaunchPage();
    void ToggleBrixMenu();
    void ShowLoadingDialog(const CKetrelString& title, const CKetrelString& description);
    void HideLoadingDialog() override;

    // ---- dialogs, notices and links ----
    void ShowConfirmBox(const CKetrelString& head, const CKetrelString& body);
    void ShowErrorDialog(i32 code, const CKetrelString& text);
    void ShowNotice(const CKetrelString& text);
    void RequestKeyValue(const CKetrelString& key);
    void OpenWebEntryLink();
    // The check value of web links: lower-case hex MD5 of "%d%s%s%s%d" over the own
    // player id, the application token, the session token, the device id and the release.
    CKetrelString BuildLinkCheck();
    CKetrelString BuildEntryLink();
    CKetrelString BuildCoinLink();
    // The web forward page: host and path.
    static CKetrelString GetForwardPage();

    // ---- state, for the pages and tests ----
    CWidget* GetRoot() const { return m_root; }
    CPageView* GetPageView() const { return m_pageView; }
    IBrixGameState* GetGame() const { return m_game; }
    i32 IsActivated() const { return m_activated; }
    i32 IsInMatch() const { return m_inMatch; }
    void SetInMatch(i32 inMatch) { m_inMatch = inMatch; }
    i32 GetSelectedLanguage() const { return m_selectedLanguage; }
    CBrixItemPackTable& GetItemPacks() { return m_packs; }
    CWidget* GetMeRow() const { return m_meRow; }
    void SetChallenge(i32 challengerId, f32 seconds) { m_challengerId = challengerId; m_challengeTimeout = seconds; }
    void SetRematchPending(i32 pending) { m_rematchPending = pending; }
    void SetItemDataChanged(i32 changed) { m_itemDataChanged = changed; }
    i32 GetPendingChatLines() const { return m_pendingChat.GetCount(); }
    // Fires the event of that name (plain or with "app:") as the layout would. 0 when
    // no handler has that name.
    int FireEvent(const CKetrelString& name, CWidget* widget);

    // ---- UI event handlers ----
    int OnUnbuiltEvent(CWidget* widget);
    int OnToggleBrixMenu(CWidget* widget);
    int OnExitApp(CWidget* widget);
    int OnThankYouClose(CWidget* widget);
    int OnDialogButton(CWidget* widget);
    int OnBuyCoins(CWidget* widget);
    int OnInitSounds(CWidget* widget);
    int OnToggleSounds(CWidget* widget);
    int OnToggleSoundEffects(CWidget* widget);
    int OnInitMusic(CWidget* widget);
    int OnToggleMusic(CWidget* widget);
    int OnInitVibration(CWidget* widget);
    int OnToggleVibration(CWidget* widget);
    int OnInitNotificationFilterAll(CWidget* widget);
    int OnToggleNotificationsAll(CWidget* widget);
    int OnInitSoundsSlider(CWidget* widget);
    int OnSoundsSliderChanged(CWidget* widget);
    int OnInitMusicSlider(CWidget* widget);
    int OnMusicSliderChanged(CWidget* widget);
    int OnUpdateSettingsLanguageLabel(CWidget* widget);
    int OnGetLanguages(CWidget* widget);
    int OnShowLanguageChooser(CWidget* widget);
    int OnLoadLanguageItem(CWidget* widget);
    int OnUnloadLanguageItem(CWidget* widget);
    int OnSelectLanguageItem(CWidget* widget);
    int OnChooseLanguage(CWidget* widget);
    int OnLoadSelf(CWidget* widget);
    int OnUnloadSelf(CWidget* widget);
    int OnRefreshSelf(CWidget* widget);
    int OnShowMe(CWidget* widget);

protected:
    // The me row's player record: filled by the players page's callback.
    static void OnOwnPlayer(void* context, int list, int index, int first,
                            const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
                            const u8* image, int imageSize);
    static void OnGuestLoginKey(const CKetrelString& key, const CKetrelString& value, void* context);

private:
    CBrixMenuState(const CBrixMenuState&) = delete;
    CBrixMenuState& operator=(const CBrixMenuState&) = delete;

    struct Binding
    {
        CBrixMenuState* state;
        Handler handler;
    };
    static int Dispatch(void* widget, void* binding);

    void LookUpWidgets();
    i32 Relayout(i32 width, i32 height, bool sizeChange);
    void UpdateBrixButton(f32 dt);
    void UpdateWobble(f32 dt);
    void FeedChatBacklog();
    void ShowJoinBubble(bool shown);
    void MarkSelectedLanguageRows(CWidget* list, i32 selectedRow);
    CWidget* FindInMenu(const char* name) const;   // under the page view, any depth

    IBrixMenuHost* m_host;
    bool m_ownsHost;
    IBrixGameState* m_game;                  // not owned; released here
    i32 m_inMatch;
    CWidget* m_root;                         // owned
    CPageView* m_pageView;
    CWidget* m_brixButtonRoot;
    CButton* m_brixButton;
    CWidget* m_chatNotifier;
    CInfiniteList* m_shopList;
    CInfiniteList* m_myItemsList;
    CBubble* m_joinBubble;
    CBubble* m_returnBubble;
    CBubble* m_chatSubmitBubble;
    CWidget* m_brixImage;                    // beside the framework button; looked up once
    CWidget* m_brixTimer;
    CWidget* m_turnClock;
    CUITimedSequenceList* m_sequences;       // owned
    Binding m_bindings[EVENT_COUNT];
    CKetrelString m_searchText;
    i32 m_activated;
    i32 m_loadingShown;
    f32 m_loadingTimeout;
    i32 m_menuWasVisible;                    // restored when the loading dialog goes
    i32 m_joinBubblePending;
    i32 m_joinBubbleDismissed;
    i32 m_guestProbePending;
    i32 m_firstLaunchShown;
    i32 m_itemDataChanged;
    i32 m_rematchPending;
    f32 m_notifierClock;
    f32 m_challengeTimeout;
    i32 m_challengerId;
    f32 m_filterCountdown;
    f32 m_largeIconDelay;
    f32 m_largeIconFade;
    CWidget* m_expandedShopItem;
    IEasingCurve* m_fadeCurve;               // owned
    u8* m_packBuffer;                        // owned, PACK_BUFFER_SIZE bytes
    i32 m_wobbleState;                       // 0 idle, 1 wobbling
    f32 m_wobbleClock;
    f32 m_wobblePhase;
    CKetrelRect m_buttonRest;
    CKetrelArray<i32> m_pendingChat;         // indexes into m_chatMessages
    CKetrelArray<CBrixChatRecord> m_chatMessages;
    i32 m_selectedLanguage;
    CWidget* m_meRow;
    CKetrelArray<CItemData> m_itemData;      // the items the user owns
    CBrixItemPackTable m_packs;
};

// The creator that the program registers with the application.
IBrixLobbyState* BrixCreateMenuState(CTolvaneApplication* application, IBrixGameState* game);
