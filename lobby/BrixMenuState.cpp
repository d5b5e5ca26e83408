// lobby/BrixMenuState.cpp: construction, lifecycle, the layout, the per-frame work,
// drawing, input and the menu's own operations.
#include "lobby/BrixMenuState.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelKeyCodes.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Bubble.h"
#include "ui/Button.h"
#include "ui/EasingCurve.h"
#include "ui/GameXMLLoader.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/PieWidget.h"
#include "ui/RunningList.h"
#include "ui/TextWidget.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"

#include <cstdio>
#include <new>

using BrixMenuKit::Text;

namespace
{
const f32 kLoadingTimeout = 30.0f;
const f32 kWobbleIdle = 5.0f;
const f32 kTwoPi = 6.2831855f;
const u32 kBackKeyCode = 77;      // the handset's back key; no desktop key maps to it

// A random whole number in [min, max] from the engine's generator when there is one.
i32 RandomBetween(IBrixMenuHost* host, i32 min, i32 max)
{
    IKetrelApplication* app = host ? host->GetEngineApplication() : nullptr;
    return app ? app->RandomInt(min, max) : min;
}
}

CBrixMenuState::CBrixMenuState(IBrixMenuHost* host, bool ownsHost)
    : m_host(host), m_ownsHost(ownsHost), m_game(nullptr), m_inMatch(0), m_root(nullptr),
      m_pageView(nullptr), m_brixButtonRoot(nullptr), m_brixButton(nullptr), m_chatNotifier(nullptr),
      m_shopList(nullptr), m_myItemsList(nullptr), m_joinBubble(nullptr), m_returnBubble(nullptr),
      m_chatSubmitBubble(nullptr), m_brixImage(nullptr), m_brixTimer(nullptr), m_turnClock(nullptr),
      m_sequences(nullptr), m_activated(0), m_loadingShown(0),
      m_loadingTimeout(0.0f), m_menuWasVisible(0), m_joinBubblePending(0), m_joinBubbleDismissed(1),
      m_guestProbePending(1), m_firstLaunchShown(0), m_itemDataChanged(0), m_rematchPending(0),
      m_notifierClock(0.0f), m_challengeTimeout(0.0f), m_challengerId(0), m_filterCountdown(0.0f),
      m_largeIconDelay(-1.0f), m_largeIconFade(0.0f), m_expandedShopItem(nullptr), m_fadeCurve(nullptr),
      m_packBuffer(nullptr), m_wobbleState(0), m_wobbleClock(0.0f), m_wobblePhase(0.0f),
      m_rematchAllowed(0), m_chatUsed(0), m_playersLineAdded(0), m_leaving(0), m_externalPageKind(0),
      m_selectedLanguage(-1), m_meRow(nullptr)
{
    const EventEntry* table = GetEventTable();
    for (i32 i = 0; i < EVENT_COUNT; ++i)
    {
        m_bindings[i].state = this;
        m_bindings[i].handler = table[i].handler;
    }
    m_packs.SetHost(host);
}

CBrixMenuState::~CBrixMenuState()
{
    // A state deleted without Release still frees what it owns; the game is the
    // application's.
    if (m_root)
    {
        CWidget::Destroy(m_root);
        m_root = nullptr;
    }
    delete m_sequences;
    delete m_fadeCurve;
    delete[] m_packBuffer;
    // The log-in side lets go of the session and the frame list while the host lives.
    CLoginController::ReleaseLogin();
    if (m_ownsHost)
        delete m_host;
}

// ---- lifecycle ----------------------------------------------------------------------

int CBrixMenuState::Init(IKetrelApplication*)
{
    const int rc = CLoginController::InitLogin(m_host);
    if (rc != KE_OK)
    {
        fprintf(stderr, "ERROR: %u\n", (unsigned)rc);
        return rc;
    }
    delete m_sequences;
    m_sequences = new (std::nothrow) CUITimedSequenceList();
    if (!m_sequences)
        return KE_ERR_MEMORY;
    m_sequences->Init();

    m_game = m_host ? m_host->GetGameState() : nullptr;
    m_packs.SetListReceived(0);
    if (m_game)
    {
        const int grc = m_game->Init(m_host->GetEngineApplication());
        if (grc != KE_OK)
        {
            m_game = nullptr;
            return grc;
        }
    }
    m_largeIconFade = 0.0f;
    m_filterCountdown = 0.0f;
    m_expandedShopItem = nullptr;
    m_largeIconDelay = -1.0f;

    delete m_fadeCurve;
    m_fadeCurve = new (std::nothrow) CEasingCurveOneMinusPow4();
    delete[] m_packBuffer;
    m_packBuffer = new (std::nothrow) u8[PACK_BUFFER_SIZE];
    if (!m_fadeCurve || !m_packBuffer)
        return KE_ERR_MEMORY;
    return KE_OK;
}

void CBrixMenuState::Release()
{
    CLoginController::ReleaseLogin();
    if (m_game)
    {
        m_game->Release();
        m_game = nullptr;
        if (m_host)
            m_host->DeleteGameState();
    }
    delete m_sequences;
    m_sequences = nullptr;
    UnloadLayout();
    m_activated = 0;
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    delete[] m_packBuffer;
    m_packBuffer = nullptr;
}

void CBrixMenuState::Activate()
{
    i32 w = 0, h = 0;
    if (m_host)
        m_host->GetScreenSize(&w, &h);
    const int rc = LoadLayout(w, h, nullptr);
    if (rc != KE_OK)
    {
        if (m_host)
            m_host->Quit();
        return;
    }
    if (m_game)
        m_game->Activate();
    ShowLoadingDialog(m_host->GetLanguageText(TEXT_LOADING_TITLE), m_host->GetLanguageText(TEXT_LOADING));
    if (m_pageView)
        m_pageView->FinishTransitions();
    m_menuWasVisible = 1;
    PrefillLoginForm();
    m_activated = 1;

    CBrixStatsStore* settings = m_host->GetSettings();
    CBrixStatsEntry* launched = settings ? settings->FindEntry(Text(kBrixKeyTimesLaunched)) : nullptr;
    if (!launched)
        return;
    if (launched->intValue == 1)
        ShowFirstLaunchPage();
    else if (CanAutoLogin())
        Relogin(0);
    else
        Connect();
}

void CBrixMenuState::Deactivate()
{
    if (m_game)
        m_game->Deactivate();
    UnloadLayout();
    m_activated = 0;
}

void CBrixMenuState::ShowFirstLaunchPage()
{
    if (m_firstLaunchShown)
        return;
    m_firstLaunchShown = 1;
    OpenPage(Text(kBrixPageLanguageChooser), 1);
}

// ---- layout -------------------------------------------------------------------------

int CBrixMenuState::LoadLayout(i32 width, i32 height, CWidget* previousRoot)
{
    if (!m_root)
    {
        CUIActionMap actions;
        actions.SetSequenceList(m_sequences);
        const EventEntry* table = GetEventTable();
        for (i32 i = 0; i < EVENT_COUNT; ++i)
            actions.Register(Text(table[i].name), MakeUIActionCallback(&Dispatch, &m_bindings[i]), true);

        CGameXMLLoader loader;
        loader.Init(m_host ? m_host->GetUIApplication() : nullptr, &actions, nullptr);
        bool previousTaken = false;
        if (loader.LoadFile(Text(kBrixMenuLayoutFile)) == KE_OK && width > 0 && height > 0)
        {
            m_root = loader.CreateRootWidget(width, height, previousRoot);
            previousTaken = m_root != nullptr;
        }
        loader.Unload();
        actions.Clear();
        // A tree the loader did not take is not left behind.
        if (!previousTaken && previousRoot)
            CWidget::Destroy(previousRoot);
        if (!m_root)
        {
            m_searchText = CKetrelString();
            return KE_ERR_NOT_FOUND;
        }
        LookUpWidgets();
        if (!m_pageView || !m_brixButtonRoot || !m_shopList || !m_myItemsList || !m_brixButton)
        {
            // Without the widgets the menu needs no root is kept.
            UnloadLayout();
            m_searchText = CKetrelString();
            return KE_ERR_NOT_FOUND;
        }
        if (CWidget* backlog = m_pageView->FindByPath(Text(kBrixPathChatBacklog)))
            backlog->Update(0.0f);
    }
    m_searchText = CKetrelString();
    return KE_OK;
}

void CBrixMenuState::LookUpWidgets()
{
    m_pageView = CPageView::Cast(m_root->FindChild(Text(kBrixMenuPageView), -1));
    m_brixButtonRoot = m_root->FindChild(Text(kBrixButtonRoot), -1);
    m_chatNotifier = m_root->FindChild(Text(kBrixChatNotifier), -1);
    m_brixButton = CButton::Cast(m_root->FindChild(Text(kBrixButton), -1));
    m_shopList = CInfiniteList::Cast(m_root->FindChild(Text(kBrixShopPageList), -1));
    m_myItemsList = CInfiniteList::Cast(m_root->FindChild(Text(kBrixMyItemsPageList), -1));
    m_joinBubble = CBubble::Cast(m_root->FindByPath(Text(kBrixPathJoinBubble)));
    m_returnBubble = CBubble::Cast(m_root->FindByPath(Text(kBrixPathReturnBubble)));
    m_chatSubmitBubble = CBubble::Cast(m_root->FindByPath(Text(kBrixPathChatSubmitBubble)));
    // The framework button's companions, used every frame.
    CWidget* parent = m_brixButton ? m_brixButton->GetParent() : nullptr;
    m_brixImage = parent ? parent->FindChild(Text(kBrixButtonImage), -1) : nullptr;
    m_brixTimer = parent ? parent->FindChild(Text(kBrixButtonTimer), -1) : nullptr;
    m_turnClock = m_brixTimer ? m_brixTimer->FindChild(Text(kBrixTurnClock), -1) : nullptr;
}

void CBrixMenuState::UnloadLayout()
{
    ForgetAvatarItems();
    if (m_meRow)
        OnUnloadSelf(m_meRow);
    if (m_root)
        CWidget::Destroy(m_root);
    m_root = nullptr;
    ForgetSocialRows();
    m_pageView = nullptr;
    m_brixButtonRoot = nullptr;
    m_brixButton = nullptr;
    m_chatNotifier = nullptr;
    m_shopList = nullptr;
    m_myItemsList = nullptr;
    m_joinBubble = nullptr;
    m_returnBubble = nullptr;
    m_chatSubmitBubble = nullptr;
    m_brixImage = m_brixTimer = m_turnClock = nullptr;
    m_expandedShopItem = nullptr;
    m_meRow = nullptr;
}

i32 CBrixMenuState::Relayout(i32 width, i32 height, bool sizeChange)
{
    // The lists start empty: their rows and the state's records of them go with the old tree.
    ResetPlayerLists();
    ResetListStates();
    const bool wasVisible = IsMenuVisible();
    // The new tree opens on the page the old one showed.
    CWidget* shown = m_pageView ? m_pageView->GetCurrentPage() : nullptr;
    const CKetrelString shownPage = shown ? shown->GetName() : CKetrelString();
    // The old tree goes to the loader, which harvests and deletes it.
    CWidget* previous = m_root;
    m_root = nullptr;
    UnloadLayout();
    const int rc = LoadLayout(width, height, previous);
    if (sizeChange && m_root)
    {
        IUIApplication* ui = m_host->GetUIApplication();
        IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
        CKetrelSurface* image =
            resources ? resources->GetImage(Text(kBrixImageAndLinkMoreGames), 0) : nullptr;
        if (!image)
        {
            m_host->RequestImageAndLink(Text("moregames"), CKetrelString());
            m_host->RequestImageAndLink(Text("tournaments"), CKetrelString());
        }
        else
        {
            if (CImageWidget* button = CImageWidget::Cast(m_root->FindChild(Text(kBrixMoreGamesButton), -1)))
                button->SetImage(image);
            resources->ReleaseImage(&image);
        }
    }
    if (m_root)
        if (CTextWidget* text = CTextWidget::Cast(m_root->FindByPath(Text(kBrixPathJoinBubbleText))))
            text->SetText(CKetrelString());
    m_searchText = CKetrelString();
    if (m_pageView && !shownPage.IsEmpty())
    {
        CWidget* page = m_pageView->GetCurrentPage();
        if (!page || !page->GetName().Equals(shownPage))
        {
            m_pageView->Navigate(shownPage);
            m_pageView->FinishTransitions();
        }
    }
    UpdateStartScreen();
    SetMenuOpen(wasVisible);
    i32 result = rc == KE_OK ? 1 : 0;
    if (sizeChange && rc == KE_OK && m_game)
        result = m_game->OnScreenSizeChanged(width, height) != 0 ? 1 : 0;
    m_pendingChat.RemoveAll();
    for (i32 i = 0; i < m_chatLines.GetCount(); ++i)
        m_pendingChat.Add(i);
    // The players page asks for its rows again in the new tree; a size change does so
    // only while it is the page shown.
    if (m_pageView && IsMenuVisible())
    {
        CWidget* page = m_pageView->GetCurrentPage();
        if (!sizeChange || (page && page->GetName().CompareNoCase(Text("players_root")) == 0))
            RefreshPlayers();
    }
    if (sizeChange && m_pageView && IsMenuVisible())
        if (CWidget* page = m_pageView->GetCurrentPage())
        {
            page->SetVisible(false);
            page->SetVisible(true);
        }
    if (m_brixButton)
        m_buttonRest = m_brixButton->GetRect();
    if (!sizeChange && m_game)
        m_game->OnThemeChanged();
    return result;
}

i32 CBrixMenuState::OnScreenSizeChanged(i32 width, i32 height) { return Relayout(width, height, true); }

void CBrixMenuState::ResetListStates() { ForgetSocialRows(); }

i32 CBrixMenuState::ReloadLayout()
{
    i32 w = 0, h = 0;
    if (m_host)
        m_host->GetScreenSize(&w, &h);
    return Relayout(w, h, false);
}

// ---- menu -----------------------------------------------------------------------------

CWidget* CBrixMenuState::FindInMenu(const char* name) const
{
    return m_pageView ? m_pageView->FindChild(Text(name), -1) : nullptr;
}

bool CBrixMenuState::IsLoadingPageShown() const
{
    if (!m_pageView || !m_pageView->IsVisible())
        return false;
    CWidget* current = m_pageView->GetCurrentPage();
    return current && current->GetName().Equals(Text(kBrixPageLoading));
}

bool CBrixMenuState::IsMenuVisible() const
{
    if (!m_root)
        return false;
    if (m_pageView && m_pageView->IsVisible())
        return true;
    CWidget* dialog = m_root->FindChild(Text(kBrixDialogBox), 0);
    if (dialog && dialog->IsVisible())
        return true;
    CWidget* confirm = m_root->FindChild(Text(kBrixConfirmBox), 0);
    return confirm && confirm->IsVisible();
}

void CBrixMenuState::SetMenuOpen(bool open)
{
    if (!m_pageView || m_pageView->IsVisible() == open)
        return;
    m_pageView->FinishTransitions();
    m_pageView->SetVisible(open);
    if (m_game)
    {
        if (!open)
        {
            if (m_itemDataChanged)
            {
                m_itemDataChanged = 0;
                m_game->OnItemDataChanged();
            }
            m_game->OnMenuClosed();
        }
        else
            m_game->OnMenuOpened();
    }
    Update(0.0f);
    Render();
}

void CBrixMenuState::OpenPage(const CKetrelString& name, i32 open)
{
    if (name.IsEmpty() || !m_pageView)
        return;
    m_pageView->Navigate(name);
    SetMenuOpen(open != 0);
}

void CBrixMenuState::ShowHomePage()
{
    if (!m_pageView)
        return;
    m_pageView->ClearHistory();
    const bool member = GetLoginState() == LOGIN_DONE && !IsGuestLogin();
    m_pageView->Navigate(Text(member ? kBrixPageStart : kBrixPageLogin));
}

void CBrixMenuState::UpdateStartScreen()
{
    if (!m_root)
        return;
    CWidget* outside = m_root->FindByPath(Text(kBrixPathStartScreen));
    CWidget* inside = m_root->FindByPath(Text(kBrixPathStartScreenInGame));
    if (outside && inside)
    {
        outside->SetVisible(!m_inMatch);
        inside->SetVisible(m_inMatch != 0);
    }
}

i32 CBrixMenuState::GetBrixButtonRect(CKetrelRect* out)
{
    if (!out)
        return 0;
    *out = CKetrelRect();
    if (!m_brixButtonRoot)
        return 0;
    CWidget* button = m_brixButtonRoot->FindChild(Text(kBrixButton), -1);
    if (!button)
        return 0;
    *out = button->GetRect();
    return 1;
}

void CBrixMenuState::GetItemDataPackPath(i32 packNumber, CKetrelString* out)
{
    if (out)
        *out = m_packs.GetPackPath(packNumber);
}

void CBrixMenuState::ToggleBrixMenu()
{
    if (!m_pageView)
    {
        OpenWebEntryLink();
        return;
    }
    if (GetLoginState() == LOGIN_IDLE)
    {
        SetMenuOpen(true);
        return;
    }
    if (m_chatNotifier)
        m_chatNotifier->SetVisible(false);
    if (m_rematchPending)
        return;
    if (IsGuestLogin() && m_inMatch)
    {
        if (IsMenuVisible())
            SetMenuOpen(false);
        else
            OpenPage(Text(kBrixPageChat), 1);
        return;
    }
    SetMenuOpen(!IsMenuVisible());
}

void CBrixMenuState::ShowJoinBubble(bool shown)
{
    if (m_joinBubble)
        m_joinBubble->SetVisible(shown);
}

void CBrixMenuState::ShowLoadingDialog(const CKetrelString& title, const CKetrelString& description)
{
    m_loadingShown = 1;
    m_loadingTimeout = kLoadingTimeout;
    if (!m_pageView)
        return;
    CWidget* current = m_pageView->GetCurrentPage();
    if (!current || !current->GetName().Equals(Text(kBrixPageLoading)))
    {
        m_menuWasVisible = IsMenuVisible() ? 1 : 0;
        if (CTextWidget* t = CTextWidget::Cast(m_root->FindByPath(Text(kBrixPathLoadingTitle))))
            t->SetText(title);
        if (CTextWidget* t = CTextWidget::Cast(m_root->FindByPath(Text(kBrixPathLoadingText))))
            t->SetText(description);
    }
    SetMenuOpen(true);
    if (m_brixButtonRoot)
        m_brixButtonRoot->SetVisible(false);
    m_pageView->Navigate(Text(kBrixPageLoading));
}

void CBrixMenuState::HideLoadingDialog()
{
    m_loadingShown = 0;
    m_loadingTimeout = 0.0f;
    if (!m_pageView)
        return;
    CWidget* current = m_pageView->GetCurrentPage();
    if (current && current->GetName().Equals(Text(kBrixPageLoading)))
        m_pageView->Navigate(Text(":back"));
    if (GetLoginState() == LOGIN_DONE && m_brixButtonRoot)
        m_brixButtonRoot->SetVisible(true);
    SetMenuOpen(m_menuWasVisible != 0);
    if (m_joinBubbleDismissed || m_joinBubblePending)
        return;
    CBrixStatsStore* settings = m_host->GetSettings();
    CBrixStatsEntry* times = settings ? settings->FindEntry(Text(kBrixKeyTimesLoggedIn)) : nullptr;
    if (times && times->intValue < 6)
    {
        if (CTextWidget* t = CTextWidget::Cast(m_root->FindByPath(Text(kBrixPathJoinBubbleText))))
            t->SetText(m_host->GetLanguageText(IsGuestLogin() ? 78 : 219));
        m_joinBubblePending = 1;
    }
}

// ---- per frame ------------------------------------------------------------------------

i32 CBrixMenuState::Update(f32 dt)
{
    if (!m_activated)
        return 0;
    if (m_joinBubblePending && !m_packs.IsListReceived())
    {
        if (!m_game || !m_game->IsGameScreenBusy())
        {
            ShowJoinBubble(true);
            m_joinBubblePending = 0;
        }
    }
    if (m_loadingShown && m_host && IsLoadingPageShown())
        m_host->ResetIdleTimer();
    // The game is drawn under the menu whenever no page covers it, and it animates.
    if (m_game && !IsMenuVisible())
        CKetrelFramePacer::NoteScreenActivity();
    if (m_loadingTimeout > 0.0f)
    {
        m_loadingTimeout -= dt;
        if (m_loadingTimeout <= 0.0f)
            HideLoadingDialog();
    }
    m_packs.Tick(dt);
    CheckItemPacks();
    UpdateBrixButton(dt);
    if (m_largeIconDelay > 0.0f)
    {
        m_largeIconDelay -= dt;
        if (m_largeIconDelay <= 0.0f)
        {
            m_largeIconDelay = 0.0f;
            if (m_expandedShopItem)
            {
                CImageWidget* icon =
                    CImageWidget::Cast(m_expandedShopItem->FindChild(Text(kBrixLargeIconItem), -1));
                if (!icon || !icon->GetImage())
                {
                    CKetrelArray<i32> ids;
                    ids.Add((i32)(intptr_t)m_expandedShopItem->GetUserData());
                    m_host->RequestShopItemImages(ids, 1);
                }
            }
        }
    }
    if (m_largeIconFade > 0.0f)
    {
        m_largeIconFade -= dt;
        if (m_largeIconFade < 0.0f)
            m_largeIconFade = 0.0f;
        CWidget* icon = m_expandedShopItem ? m_expandedShopItem->FindChild(Text(kBrixLargeIconItem), -1) : nullptr;
        if (icon && m_fadeCurve)
        {
            const i32 alpha = (i32)(m_fadeCurve->Evaluate(m_largeIconFade) * 256.0f);
            icon->SetBlendColor(alpha < 256 ? (((u32)alpha << 24) | 0xFFFFFFu) : 0xFFFFFFFFu);
        }
    }
    if (m_challengeTimeout > 0.0f)
    {
        m_challengeTimeout -= dt;
        if (m_challengeTimeout <= 0.0f)
        {
            m_host->CancelMatchRequest();
            if (m_host->HasSession() && m_challengerId == m_host->GetOwnPlayerId())
                m_host->AnswerChallenge(m_challengerId, 0, CKetrelString());
            CWidget* page = m_pageView ? m_pageView->GetCurrentPage() : nullptr;
            if (page && page->GetName().Equals(Text(kBrixPageChallengeWaiting)))
                m_pageView->Navigate(Text(":back"));
        }
    }
    if (m_filterCountdown > 0.0f)
        m_filterCountdown -= dt;
    if (m_sequences)
        m_sequences->Update(dt);
    if (m_game)
        m_game->Update(dt);
    if (m_root)
        m_root->Update(dt);
    FeedChatBacklog();
    UpdateWobble(dt);
    return 0;
}

void CBrixMenuState::UpdateBrixButton(f32 dt)
{
    if (!m_brixButton)
        return;
    const f32 f = m_game ? m_game->GetTurnClockFraction() : 0.0f;
    if (m_brixImage && m_brixTimer)
    {
        if (f <= 0.0f || !m_pageView || !m_pageView->IsVisible())
        {
            m_brixImage->SetVisible(true);
            m_brixTimer->SetVisible(false);
        }
        else
        {
            m_brixImage->SetVisible(false);
            m_brixTimer->SetVisible(true);
            if (CPieWidget* pie = CPieWidget::Cast(m_turnClock))
                pie->SetAngle(f * kTwoPi);
        }
    }
    if (m_chatNotifier && m_chatNotifier->IsVisible() && m_chatNotifier->GetChildCount() > 0)
        if (CTextWidget* dots = CTextWidget::Cast(m_chatNotifier->GetChild(0)))
        {
            m_notifierClock += dt;
            if (m_notifierClock >= 2.0f)
                m_notifierClock = 0.0f;
            const char* text = m_notifierClock < 0.5f ? "" : m_notifierClock < 1.0f ? "."
                             : m_notifierClock < 1.5f ? ".." : "...";
            dots->SetText(Text(text));
        }
}

void CBrixMenuState::UpdateWobble(f32 dt)
{
    if (!m_brixButton)
        return;
    if (m_wobbleState == 0)
    {
        if (m_brixButton->IsPressed() || !IsGuestLogin())
            return;
        m_wobbleClock += dt;
        if (m_wobbleClock <= kWobbleIdle)
            return;
        m_wobbleClock = 0.0f;
        if (CImageWidget* image = CImageWidget::Cast(m_brixImage))
            image->FadeIn();
        m_wobblePhase = 0.0f;
        m_buttonRest = m_brixButton->GetRect();
        m_host->ResetIdleTimer();
        m_wobbleState = 1;
        return;
    }
    m_wobblePhase += dt * 1.8f;
    const f32 triangle = m_wobblePhase <= 1.0f ? m_wobblePhase : 2.0f - m_wobblePhase;
    const i32 amplitude = (i32)((f32)(m_buttonRest.Width() / 32) * triangle);
    CKetrelRect r = m_buttonRest;
    r.Offset(RandomBetween(m_host, -amplitude, amplitude), RandomBetween(m_host, -amplitude, amplitude));
    m_brixButton->SetRect(r);
    if (m_wobblePhase > 2.0f)
    {
        m_wobblePhase = 0.0f;
        m_brixButton->SetRect(m_buttonRest);
        if (RandomBetween(m_host, 0, 4) < 2 && !m_brixButton->IsPressed() && IsGuestLogin())
        {
            if (CImageWidget* image = CImageWidget::Cast(m_brixImage))
                image->FadeIn();
        }
        else
            m_wobbleState = 0;
    }
}

void CBrixMenuState::FeedChatBacklog()
{
    if (!m_inMatch || !m_pageView || !m_pageView->IsVisible() || m_pendingChat.GetCount() == 0)
        return;
    CRunningList* backlog = CRunningList::Cast(m_pageView->FindByPath(Text(kBrixPathChatBacklog)));
    if (!backlog)
        return;
    CTextWidget* itemTemplate = CTextWidget::Cast(backlog->GetListItemTemplate());
    if (!itemTemplate)
        return;
    CTextWidget* line = CTextWidget::Cast(itemTemplate->Clone());
    if (!line)
        return;
    const i32 index = m_pendingChat[0];
    m_pendingChat.RemoveAt(0);
    if (index < 0 || index >= m_chatLines.GetCount())
    {
        CWidget::Destroy(line);
        return;
    }
    // The clone takes the height of the wrapped line, up to four lines, at the
    // template's width.
    if (CKetrelBitmapFont* font = line->GetFont())
    {
        CKetrelRect measured = line->GetRect();
        measured.bottom = measured.top + 4 * font->GetLineHeight();
        font->MeasureText(&measured, m_chatLines[index].text);
        line->SetRect(measured);
    }
    // The line is shown exactly as typed: no colour markup, whatever the template says.
    line->SetColorMarkup(false);
    line->SetText(m_chatLines[index].text);
    line->SetColor(m_chatLines[index].colour);
    backlog->AddItem(line);
}

void CBrixMenuState::Render()
{
    if (!m_activated)
        return;
    if (!IsMenuVisible() && m_game)
        m_game->Render();
    IKetrelGraphicsContext* gc = m_host ? m_host->GetGraphicsContext() : nullptr;
    if (gc)
    {
        gc->SetClipRect(nullptr);
        if (m_root)
            m_root->Render(gc);
    }
}

// ---- input ------------------------------------------------------------------------------

i32 CBrixMenuState::OnPointerDown(i32 pointer, i32 x, i32 y)
{
    if (!m_root)
        return 1;
    if (!m_root->DispatchPointerDown(pointer, x, y) && !IsMenuVisible() && m_game)
        m_game->OnPointerDown(pointer, x, y);
    return 1;
}

i32 CBrixMenuState::OnPointerMove(i32 pointer, i32 x, i32 y)
{
    if (!m_root)
        return 1;
    if (!m_root->DispatchPointerMove(pointer, x, y) && !IsMenuVisible() && m_game)
        m_game->OnPointerMove(pointer, x, y);
    return 1;
}

i32 CBrixMenuState::OnPointerUp(i32 pointer, i32 x, i32 y)
{
    if (!m_root)
        return 1;
    if (!m_root->DispatchPointerUp(pointer, x, y) && !IsMenuVisible() && m_game)
        m_game->OnPointerUp(pointer, x, y);
    return 1;
}

i32 CBrixMenuState::OnKeyDown(u32 keysym)
{
    if (!m_root)
        return 1;
    if (IsMenuVisible())
    {
        m_root->DispatchKeyEvent((i32)keysym);
        if (KetrelKeysymToKeyCode(keysym) == kBackKeyCode)
            OnBackKey();
        return 1;
    }
    return m_game ? m_game->OnKeyDown(keysym) : 1;
}

i32 CBrixMenuState::OnChar(u32 character)
{
    if (!m_root)
        return 1;
    if (IsMenuVisible())
    {
        m_root->DispatchTextInput((i32)character);
        return 1;
    }
    return m_game ? m_game->OnChar(character) : 1;
}

int CBrixMenuState::OnLanguageChanged(const CKetrelString& code)
{
    if (!m_root)
        return KE_ERR_NOT_READY;
    m_root->RefreshText();
    return m_game ? m_game->OnLanguageChanged(code) : KE_OK;
}

// ---- match ------------------------------------------------------------------------------

void CBrixMenuState::EndMatch()
{
    m_inMatch = 0;
    CollapseChatItem();
    UpdateStartScreen();
    m_departedPlayers.RemoveAll();
    ForgetAvatarItems();
    if (m_root)
        if (CInfiniteList* avatars = CInfiniteList::Cast(m_root->FindByPath(Text(kBrixPathAvatarList))))
            avatars->SetItemCount(0);
    if (m_returnBubble)
        m_returnBubble->SetVisible(false);
    if (m_chatNotifier)
        m_chatNotifier->SetVisible(false);
    SetMenuOpen(false);
    if (m_pageView)
        m_pageView->Navigate(Text(IsGuestLogin() ? kBrixPageLogin : kBrixPageStart));
    if (m_game)
        m_game->StopMatch();
}

// ---- creator ----------------------------------------------------------------------------

#include "lobby/BrixMenuAppHost.h"

IBrixLobbyState* BrixCreateMenuState(CTolvaneApplication* application, IBrixGameState*)
{
    CBrixMenuAppHost* host = new (std::nothrow) CBrixMenuAppHost(application);
    if (!host)
        return nullptr;
    CBrixMenuState* state = new (std::nothrow) CBrixMenuState(host, true);
    if (!state)
        delete host;
    return state;
}
