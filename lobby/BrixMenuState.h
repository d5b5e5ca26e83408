#pragma once
// lobby/BrixMenuState.h
#include "engine/KetrelArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixLobbyState.h"
#include "lobby/BrixItemPacks.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuSocial.h"
#include "lobby/LoginController.h"

class CBubble;
class CButton;
class CExpandable;
class CKetrelSurface;
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
    // The application's log-out: the log-in page shows even when nobody was logged in.
    void Logout() override
    {
        if (GetLoginState() == LOGIN_IDLE)
            ShowLoginScreen();
        CLoginController::Logout();
    }
    void Relogin(i32 argument) override { CLoginController::Relogin(argument); }
    void Redirect(const CKetrelString& host, i32 port) override { CLoginController::Redirect(host, port); }
    i32 IsUILoaded() override { return m_root != nullptr; }
    void OpenPage(const CKetrelString& name, i32 open) override;
    void OpenChatPage(i32 mode) override;
    i32 GetBrixButtonRect(CKetrelRect* out) override;
    void OnThemeChanged() override { ReloadLayout(); }
    const CKetrelArray<CItemData>* GetItemDataList() override { return &m_itemData; }
    void GetItemDataPackPath(i32 packNumber, CKetrelString* out) override;
    // An item used in a match: the item and the count go to the server (request 101).
    void SendMessage101(i32 itemId, i32 count, i32) override
    {
        if (CBrixNetworkSession* session = m_host ? m_host->GetNetworkSession() : nullptr)
            session->SendRequest101(itemId, count);
    }
    void BeginMatch() override;
    void EndMatch() override;
    void LeaveGame() override;
    void ShowRematchButton(i32 show) override;
    // The user's own line (fromPeer 0) or a received one, straight into the backlog.
    void AddChatMessage(const CBrixChatRecord& record, i32 fromPeer) override { AddChatLine(record, fromPeer); }
    // A record of the session: the backlog, the notifier and the rematch offer.
    void ShowChatNotice(const CBrixChatRecord& record, i32 received) override { OnChatMessage(record, received); }
    void OnLobbyLinkStatus(i32 status) override;
    void OnGameLinkStatus(i32 status) override;

    // ---- LobbyObserver (forwarded by the application) ----
    // The session's (first value, game id, code); codes -2 and -1 end the log-in.
    void OnMatchResult(CBrixNetworkSession* session, int first, int gameId, int code) override;
    void OnLobbySlot1(CBrixNetworkSession*) override {}
    void OnPlayerRelationChanged(CBrixNetworkSession* session, int playerId, int kind, int state,
                                 const CKetrelString& text4, const CKetrelString& text5) override;
    void OnGameResultItem(CBrixNetworkSession* session, int index, const CGameResultItem& item) override;
    // The challenger's id, name, rank text, score and a value not shown.
    void OnChallengeReceived(CBrixNetworkSession* session, int challengerId, const CKetrelString& name,
                             const CKetrelString& rank, int score, int value5) override;
    void OnChallengeAnswer(CBrixNetworkSession* session, int playerId, const CKetrelString& name,
                           const CKetrelString& text5, int answer) override;
    void OnChallengerImage(CBrixNetworkSession* session, int playerId, const u8* image, int imageSize) override;
    void OnChangeNotice(int flags) override;
    void OnItemDataList(const CKetrelArray<CItemData>& items) override;
    void OnDataChunk(int itemId, int offset, const u8* data, int size, int remaining) override;
    void OnCoinBalance(int coins) override;
    void OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& groups) override;
    void OnShopItems(int flags, int offset, const CKetrelArray<CShopItemData>& items) override;
    // size 0 the icon, 1 the large picture.
    void OnShopItemImage(int itemId, int size, const u8* image, int imageSize) override;
    void OnBuyItemPlayerInfo(int itemId, int kind, const CKetrelString& text,
                             const CKetrelArray<CBuyItemPlayerInfo>& receivers) override;
    void OnConfirmBuyItemResponse(int itemId, int kind, const CKetrelString& text) override;
    void OnUpdateItemStateResponse(int itemId, int state, const CKetrelString& text, int otherItemId) override;
    void OnPlayerGiftItems(int playerId, const CKetrelString& text, const CKetrelArray<CShopItemData>& items) override;
    void OnConfirmBuyPlayerItemsResponse(int a, int code, const CKetrelString& text) override;
    void OnAchievementList(int a, int b, int c, const CKetrelArray<CAchievementInfo>& list, int d) override;
    void OnTournamentScores(const CKetrelArray<CKetrelString>& names,
                            const CKetrelArray<CUserTournamentScores>& scores, int flags) override;
    void OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image, const CKetrelString& link,
                        const CKetrelString& label, const CKetrelString& text4) override;

    // ---- log-in controller's user-interface operations ----
    void ShowLoginScreen() override;
    void ShowReconnecting() override;
    void ShowConnectError(const CKetrelString& url) override;
    void OnLoginCompleted(const CKetrelString& name, const CKetrelString& token, i32 justRegistered) override;
    void ShowLoginError(const CKetrelString& title, const CKetrelString& message, i32 flags,
                        const CKetrelString& updateUrl) override;
    void ReturnToLoginPage(i32 code) override;
    void OnUserNameChecked(i32 ok, const CKetrelString& text) override;
    void ShowExternalLoginPage() override;
    void OnLoginSlot8(CBrixNetworkSession* session) override;

    // ---- log-in pages ----
    // Each shows its refusal on the error page and returns false, or returns true.
    bool CheckUserName(const CKetrelString& text);
    bool CheckEmail(const CKetrelString& text);
    void PrefillLoginForm();
    const CKetrelString& GetAuthStatus() const { return m_authStatus; }
    void SetAuthField(const CKetrelString& name, const CKetrelString& value);

    // ---- chat page ----
    // 1 when the line should draw attention (kinds 1, 2, 4 and 5 added), else 0.
    i32 AddChatLine(const CBrixChatRecord& record, i32 received);
    i32 OnChatMessage(const CBrixChatRecord& record, i32 received);
    void ResetChat();
    void CollapseChatItem();
    static void OnGamePlayers(void* context, int list, int index, int count,
                              const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
                              const u8* image, int imageSize);
    // Appends a finished backlog line and queues it for the backlog widget.
    void AppendChatLine(const CKetrelString& text, u32 colour);
    i32 GetChatLineCount() const { return m_chatLines.GetCount(); }
    const CKetrelString& GetChatLineText(i32 index) const { return m_chatLines[index].text; }
    u32 GetChatLineColour(i32 index) const { return m_chatLines[index].colour; }
    i32 IsRematchAllowed() const { return m_rematchAllowed; }
    i32 IsChatUsed() const { return m_chatUsed; }
    i32 IsLeaving() const { return m_leaving; }

    // ---- menu ----
    // 1, or 8 when the layout cannot be built or lacks a widget the menu needs.
    int LoadLayout(i32 width, i32 height, CWidget* previousRoot);
    void UnloadLayout();
    i32 ReloadLayout();
    bool IsMenuVisible() const;
    // The loading dialog is the page on screen.
    bool IsLoadingPageShown() const;
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
    int OnInertPlayerAction(CWidget* widget);
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
    int OnLoginTolvane(CWidget* widget);
    int OnValidateUser(CWidget* widget);
    int OnValidateEmail(CWidget* widget);
    int OnUserNameChanged(CWidget* widget);
    int OnLoginShow(CWidget* widget);
    int OnPlayerNameShow(CWidget* widget);
    int OnConfirmShow(CWidget* widget);
    int OnAutoLoginToggled(CWidget* widget);
    int OnAboutGameInfoShow(CWidget* widget);
    int OnCancelAutoRelogin(CWidget* widget);
    int OnGoogleShow(CWidget* widget);
    int OnGoogleCookie(CWidget* widget);
    int OnGoogleLoaded(CWidget* widget);
    int OnCheckTos(CWidget* widget);
    int OnTosShow(CWidget* widget);
    int OnInitRegisterName(CWidget* widget);
    int OnInitLoginName(CWidget* widget);
    int OnGuestLogin(CWidget* widget);
    int OnChatTextFieldChanged(CWidget* widget);
    int OnChatSend(CWidget* widget);
    int OnChatExit(CWidget* widget);
    int OnChatRematch(CWidget* widget);
    int OnStartChangePageChat(CWidget* widget);
    int OnExpandChatItem(CWidget* widget);
    int OnChatEndExpand(CWidget* widget);
    int OnLoadChatItem(CWidget* widget);
    int OnUnloadChatItem(CWidget* widget);
    int OnShowChatAvatars(CWidget* widget);

    // ---- players and follow lists (BrixMenuStatePlayers.cpp) ----
    int OnShowPlayersRoot(CWidget* widget);
    int OnShowPlayerlistItems(CWidget* widget);
    int OnShowFollowItems(CWidget* widget);
    int OnFilterPlayers(CWidget* widget);
    int OnLoadPlayerlistItem(CWidget* widget);
    int OnLoadFollowItem(CWidget* widget);
    int OnLoadPlayerlistItemBatch(CWidget* widget);
    int OnLoadFollowItemBatch(CWidget* widget);
    int OnUnloadPlayerlistItem(CWidget* widget);
    int OnUnloadFollowItem(CWidget* widget);
    int OnLoadPlayerlistGroup(CWidget* widget);
    int OnLoadFollowGroup(CWidget* widget);
    int OnExpandListItem(CWidget* widget);
    int OnEndExpandListItem(CWidget* widget);
    int OnExpandNastyButtons(CWidget* widget);
    int OnExpandChatNastyButtons(CWidget* widget);
    int OnPlayerDetails(CWidget* widget);
    int OnFollow(CWidget* widget);
    int OnUnfollow(CWidget* widget);
    int OnBlock(CWidget* widget);
    int OnBlockChat(CWidget* widget);
    // Which list the players page shows and asks for: 0 everyone, 64 the followed
    // players. One value for the whole program, 64 at start.
    static i32 GetPlayerListKind();
    static void SetPlayerListKind(i32 kind);
    // The player list replies of the players page.
    static void PlayerListCallback(void* context, int list, int index, int total,
                                   const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
                                   const u8* image, int imageSize);
    void FillPlayerItem(CWidget* row);
    // The fields of a row (or the me page's own row) from a record.
    void FillPlayerFields(CWidget* row, const CPlayerListItem* record);
    // The user's own picture, as "self_avatar", into the me row's avatar.
    void InstallSelfAvatar(const u8* image, int imageSize);
    void FillChatPlayerDetails(CWidget* details);
    void ResetPlayerLists();
    // Forgets the rows the state keeps of every list (before a relayout).
    void ResetListStates();
    // Once per frame while an item data list waits for its check and no match runs.
    void CheckItemPacks();
    // The row's player record, or null when the row holds none (or something else).
    CPlayerListItem* GetRowRecord(const CWidget* row) const;
    // Also the records of the chat page's details and avatar rows and of the me row.
    CPlayerListItem* GetPlayerRecord(const CWidget* row);
    // Drops every row of the lists: the tree that held them is going.
    void ForgetSocialRows();
    CBrixSocialState& GetSocial() { return m_social; }

    // ---- shop, items and coins (BrixMenuStateShop.cpp) ----
    int OnShowShop(CWidget* widget);
    int OnShowShopItems(CWidget* widget);
    int OnShowMyItems(CWidget* widget);
    int OnLoadShopGroup(CWidget* widget);
    int OnLoadShopItem(CWidget* widget);
    int OnLoadMyItem(CWidget* widget);
    int OnLoadShopItemBatch(CWidget* widget);
    int OnLoadMyItemBatch(CWidget* widget);
    int OnUnloadShopItem(CWidget* widget);
    int OnUnloadMyItem(CWidget* widget);
    int OnBuyItem(CWidget* widget);
    int OnRefillItem(CWidget* widget);
    int OnShowConfirmBuyDialog(CWidget* widget);
    int OnOkBuyConfirm(CWidget* widget);
    int OnCancelBuyConfirm(CWidget* widget);
    int OnEnableItem(CWidget* widget);
    int OnShopItemEndExpand(CWidget* widget);
    int OnShopItemShowLargeIcon(CWidget* widget);
    int OnShopItemHideLargeIcon(CWidget* widget);
    // The localized text of an amount of time in seconds (kind-3 items).
    CKetrelString GetTimeText(i32 seconds);
    i32 GetCoinBalance() const { return m_social.coinBalance; }

    // ---- challenges (BrixMenuStateChallenges.cpp) ----
    int OnSendChallenge(CWidget* widget);
    int OnAcceptChallenge(CWidget* widget);
    int OnRejectChallenge(CWidget* widget);
    void CloseChallengePages();
    // The back key while a menu layer is visible: back a page, or leave the log-in, or
    // decline a challenge, or close the menu.
    void OnBackKey();
    i32 GetChallengePartner() const { return m_challengerId; }
    f32 GetChallengeTimeout() const { return m_challengeTimeout; }

    // ---- gifts and selection lists (BrixMenuStateGifts.cpp) ----
    int OnBuyGift(CWidget* widget);
    int OnShowSelectionList(CWidget* widget);
    int OnLoadSelectionListItem(CWidget* widget);
    int OnUnloadSelectionItem(CWidget* widget);
    int OnSelectListItem(CWidget* widget);
    int OnOkListSelection(CWidget* widget);
    int OnCancelListSelection(CWidget* widget);
    int OnBuyPlayerGift(CWidget* widget);
    int OnShowSelectionGiftList(CWidget* widget);
    int OnLoadSelectionGiftListItem(CWidget* widget);
    int OnOkGiftListSelection(CWidget* widget);
    int OnCancelGiftListSelection(CWidget* widget);
    int OnShowConfirmBuyPlayerGiftDialog(CWidget* widget);
    int OnOkBuyPlayerGiftConfirm(CWidget* widget);

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
    struct ChatLine
    {
        CKetrelString text;
        u32 colour = 0xFFFFFFFFu;
    };
    struct AvatarItem
    {
        i32 index;
        CWidget* item;
    };
    void ClearAuthFields();
    void NavigateTo(const char* target);
    bool IsCurrentPage(const char* name) const;
    u32 ChatColour(const char* name, u32 fallback) const;
    void FreeAvatarItem(CWidget* item);
    bool IsAvatarRow(const CWidget* w) const;   // a loaded row of the avatar list
    // The chat page's details, when they show m_chatDetail, are filled from it again.
    void RefillChatDetails();
    // Frees the player copies of every loaded avatar row and forgets the rows.
    void ForgetAvatarItems();
    void OnGamePlayer(i32 index, i32 count, const CPlayerListItem* item, const u8* image, i32 imageSize);

    CKetrelArray<i32> m_pendingChat;         // indexes into m_chatLines
    CKetrelArray<ChatLine> m_chatLines;      // this match's backlog, in arrival order
    CKetrelArray<i32> m_departedPlayers;     // senders already announced as gone
    CKetrelArray<AvatarItem> m_avatarItems;  // loaded rows of the avatar list
    CPlayerListItem m_chatDetail;            // the record the detail item shows
    i32 m_rematchAllowed;
    i32 m_chatUsed;
    i32 m_playersLineAdded;
    i32 m_leaving;
    CKetrelString m_authStatus;
    CKetrelString m_authId;
    CKetrelString m_authToken;
    i32 m_externalPageKind;
    i32 m_selectedLanguage;
    CWidget* m_meRow;
    CKetrelArray<CItemData> m_itemData;      // the items the user owns
    CBrixItemPackTable m_packs;
    CBrixSocialState m_social;               // players, shop, challenges and gifts

    // Helpers of the players, shop and gift pages.
    void LoadRow(CWidget* row, CBrixRowMap& rows);
    void RequestRowBatch(CWidget* list);
    void UnloadRow(CWidget* row, CBrixRowMap& rows, bool disable);
    void LoadGroupLabel(CWidget* row, const CKetrelArray<CKetrelString>& labels);
    void RefreshPlayers();
    void ClearPlayerSearch();
    void CollapseOther(CExpandable* keep, bool touchExtras, i32* offset);
    void ToggleExpand(CWidget* sender);
    i32 ToggleActionRow(CExpandable* row, const char* childName);
    void ScrollIntoView(CExpandable* row, i32 offset, bool detailsRule);
    void SetFollow(CWidget* sender, i32 value);
    i32 Block(CWidget* sender, bool toggleFlag);
    void OnPlayerListReply(int index, int total, const CKetrelArray<CGroupListItem>* groups,
                           const CPlayerListItem* item, const u8* image, int imageSize);
    // Decodes or finds the picture registered under name; null when it cannot be read.
    // The caller releases the reference it gets.
    CKetrelSurface* InstallImage(const CKetrelString& name, const u8* bytes, int size);
    void ReleaseImage(CKetrelSurface* image);
    void ResetShopBookkeeping(bool shop);
    void LoadItemRow(CWidget* row, CBrixRowMap& rows);
    void UnloadItemRow(CWidget* row, CBrixRowMap& rows);
    // Asks for the rows a list wants next: flags 0 the shop's items, 1 the user's own.
    void RequestItemBatch(CWidget* list, i32 flags);
    void FillShopPage(i32 offset, const CKetrelArray<CShopItemData>& items);
    void FillMyItemsPage(i32 offset, const CKetrelArray<CShopItemData>& items);
    void FillConfirmBuy(CWidget* dialog);
    void ShowItemImage(CBrixRowMap& rows, i32 itemId, i32 size, CKetrelSurface* image, bool shopRows);
    void LoadSelectionRow(CWidget* row, bool gifts);
    void ToggleSelection(CWidget* button);
    void FillConfirmPlayerGift(CWidget* dialog);
    // The pack file holds exactly the announced pack; exists tells whether it opened.
    bool PackFileIsCurrent(const CBrixItemPack& pack, bool* exists);
};

// The creator that the program registers with the application.
IBrixLobbyState* BrixCreateMenuState(CTolvaneApplication* application, IBrixGameState* game);
