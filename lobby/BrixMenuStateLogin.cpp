// lobby/BrixMenuStateLogin.cpp: the log-in, registration, terms and error pages, and the
// menu state's side of the log-in controller.
#include "lobby/BrixMenuState.h"

#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "net/BrixNetworkSession.h"
#include "ui/Bubble.h"
#include "ui/PageButton.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"
#include "ui/WebView.h"
#include "ui/Widget.h"

using BrixMenuKit::Text;

namespace
{
void SetWidgetText(CWidget* w, const CKetrelString& text)
{
    if (CTextWidget* t = CTextWidget::Cast(w))
        t->SetText(text);
}

void Show(CWidget* w, bool shown)
{
    if (w)
        w->SetVisible(shown);
}

// The raising widget's page: the child of the page view that holds it.
CWidget* PageOf(CWidget* widget, CPageView* view)
{
    for (CWidget* w = widget; w; w = w->GetParent())
        if (w->GetParent() == view)
            return w;
    return nullptr;
}

const i32 TEXT_ABOUT = 2;
const i32 TEXT_TRY_AGAIN = 10;
const i32 TEXT_TRY_AGAIN_OTHER = 11;
const i32 TEXT_NO_NAME_TITLE = 14;
const i32 TEXT_NO_NAME = 15;
const i32 TEXT_TOS = 26;
const i32 TEXT_PASSWORD_SHORT = 27;
const i32 TEXT_EXTERNAL_FAILED = 28;
const i32 TEXT_LOGIN_LOADING_TITLE = 35;
const i32 TEXT_WELCOME = 36;
const char kKeyTimesNewPlayer[] = "__Brix_TimesNewPlayer";
const char kKeyMusicMute[] = "__Brix_Music_Mute";
}

// ---- helpers ------------------------------------------------------------------------------

void CBrixMenuState::NavigateTo(const char* target)
{
    if (m_pageView)
        m_pageView->Navigate(Text(target));
}

bool CBrixMenuState::IsCurrentPage(const char* name) const
{
    CWidget* current = m_pageView ? m_pageView->GetCurrentPage() : nullptr;
    return current && current->GetName().Equals(Text(name));
}

void CBrixMenuState::ClearAuthFields()
{
    m_authStatus = CKetrelString();
    m_authId = CKetrelString();
    m_authToken = CKetrelString();
}

void CBrixMenuState::SetAuthField(const CKetrelString& name, const CKetrelString& value)
{
    if (name.Equals(Text("auth_status")))
        m_authStatus = value;
    else if (name.Equals(Text("auth_id")))
        m_authId = value;
    else if (name.Equals(Text("auth_token")))
        m_authToken = value;
}

bool CBrixMenuState::CheckUserName(const CKetrelString& text)
{
    const i32 refusal = BrixCheckUserName(text);
    if (refusal)
        ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(refusal), 2,
                       CKetrelString());
    return refusal == 0;
}

bool CBrixMenuState::CheckEmail(const CKetrelString& text)
{
    const i32 refusal = BrixCheckEmail(text);
    if (refusal)
        ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(refusal), 2,
                       CKetrelString());
    return refusal == 0;
}

// ---- the controller's user-interface operations -----------------------------------------

void CBrixMenuState::ShowLoginError(const CKetrelString& title, const CKetrelString& message, i32 flags,
                                    const CKetrelString& updateUrl)
{
    ShowJoinBubble(false);
    CWidget* page = m_root ? m_root->FindChild(Text("loginscreen_error"), -1) : nullptr;
    if (!page)
        return;
    SetWidgetText(page->FindChild(Text("loginerror_title"), -1), title);
    SetWidgetText(page->FindChild(Text("loginerror_message"), -1), message);
    Show(page->FindChild(Text("button_recover"), -1), (flags & 1) != 0);
    CWebButton* update = CWebButton::Cast(page->FindChild(Text("button_update"), -1));
    CWidget* retry = page->FindChild(Text("button_tryagain"), -1);
    if (!updateUrl.IsEmpty())
    {
        if (update)
        {
            update->SetUrl(updateUrl);
            update->SetVisible(true);
        }
        Show(retry, false);
    }
    else
    {
        Show(update, false);
        Show(retry, true);
        if (retry)
            SetWidgetText(retry->FindChild(Text("label_tryagain"), -1),
                          m_host->GetLanguageText((flags & 2) ? TEXT_TRY_AGAIN : TEXT_TRY_AGAIN_OTHER));
    }
    HideLoadingDialog();
    NavigateTo("loginscreen_error");
    SetMenuOpen(true);
}

void CBrixMenuState::ReturnToLoginPage(i32)
{
    HideLoadingDialog();
    NavigateTo(kBrixPageLogin);
}

void CBrixMenuState::OnUserNameChecked(i32 ok, const CKetrelString& text)
{
    if (!m_pageView)
        return;
    if (!ok)
    {
        Show(m_pageView->FindByPath(Text("//loginscreen_playername//username_loading")), false);
        CWidget* taken = m_pageView->FindByPath(Text("//loginscreen_playername//text_usernametaken"));
        SetWidgetText(taken, text);
        Show(taken, true);
        return;
    }
    if (m_authStatus.Equals(Text("new")))
    {
        CTextWidget* input = CTextWidget::Cast(m_pageView->FindByPath(Text("//loginscreen_playername//input_playername")));
        if (!input)
        {
            ShowLoginError(m_host->GetLanguageText(TEXT_NO_NAME_TITLE), m_host->GetLanguageText(TEXT_NO_NAME), 2,
                           CKetrelString());
            return;
        }
        const CKetrelString id = m_authId, token = m_authToken;
        ClearAuthFields();
        SubmitRegistration(input->GetText(), id, token);
        return;
    }
    NavigateTo("loginscreen_confirm");
}

void CBrixMenuState::OnLoginCompleted(const CKetrelString& name, const CKetrelString&, i32 justRegistered)
{
    if (!m_pageView)
        return;
    ShowRematchButton(0);
    ShowHomePage();
    i32 keepOpen = 0;
    if (GetLoginKind() != KIND_NAME && !GetConfirmedName().IsEmpty() && !GetConfirmedName().Equals(name))
    {
        NavigateTo("loginscreen_nameconflict");
        SetMenuOpen(true);
        keepOpen = 1;
    }
    else if (justRegistered)
    {
        NavigateTo("loginscreen_thank");
        SetMenuOpen(true);
        keepOpen = 1;
    }
    CBrixStatsStore* settings = m_host->GetSettings();
    CBrixStatsEntry* mute = settings ? settings->FindEntry(Text(kKeyMusicMute)) : nullptr;
    if (!mute || !mute->boolValue)
        m_host->SetMusicMuted(0);
    const CKetrelString welcome = m_host->GetLanguageText(TEXT_WELCOME);
    CKetrelString toast;
    if (!welcome.IsEmpty())
        toast.Format(welcome.GetBuffer(), name);
    m_host->ShowToast(toast, 0, 6.0f);
    ShowLoadingDialog(m_host->GetLanguageText(TEXT_LOADING_TITLE), m_host->GetLanguageText(TEXT_LOADING));
    m_menuWasVisible = keepOpen;
    m_host->RequestShopGroups(0x201);
    m_host->RequestImageAndLink(Text("moregames"), CKetrelString());
    m_host->RequestImageAndLink(Text("tournaments"), CKetrelString());
    m_rematchPending = 0;
    m_itemDataChanged = 0;
}

void CBrixMenuState::ShowExternalLoginPage() { OpenPage(Text("loginscreen_google"), 1); }

void CBrixMenuState::OnLoginSlot8(CBrixNetworkSession*)
{
    m_authStatus = Text("new");
    NavigateTo("loginscreen_playername");
}

void CBrixMenuState::PrefillLoginForm()
{
    CTextWidget* login = m_root ? CTextWidget::Cast(m_root->FindByPath(Text("//loginscreen_root//user_login"))) : nullptr;
    CTextWidget* password =
        m_root ? CTextWidget::Cast(m_root->FindByPath(Text("//loginscreen_root//user_password"))) : nullptr;
    CToggleButton* autoLogin =
        m_root ? CToggleButton::Cast(m_root->FindByPath(Text("//loginscreen_root//user_autologin"))) : nullptr;
    if (!login || !password || !autoLogin)
        return;
    login->SetText(CKetrelString());
    password->SetText(CKetrelString());
    if (!CanAutoLogin())
        autoLogin->SetToggled(false);
    else
    {
        const CKetrelString stored = GetStoredUserName();
        if (!stored.Equals(Text("guest")) && GetLoginKind() == KIND_NAME)
        {
            login->SetDisplayText(stored);
            password->SetDisplayText(GetStoredPassword().IsEmpty() ? CKetrelString() : Text("*****"));
        }
        else
        {
            login->SetDisplayText(CKetrelString());
            password->SetDisplayText(CKetrelString());
        }
        autoLogin->SetToggled(true);
    }
    ClearAuthFields();
    // The lists of the account that went are not shown to the next one.
    ResetPlayerLists();
}

void CBrixMenuState::OnGuestLoginKey(const CKetrelString&, const CKetrelString& value, void* context)
{
    CBrixMenuState* self = static_cast<CBrixMenuState*>(context);
    if (!self)
        return;
    if (!value.Equals(Text("null")) && self->m_root)
    {
        i32 offered = 0;
        value.Scan(L"%d", &offered);
        Show(self->m_root->FindByPath(Text("//loginscreen_choices//guest_login_button")), offered == 1);
    }
    if (!self->CanAutoLogin())
    {
        self->HideLoadingDialog();
        self->m_joinBubbleDismissed = 0;
    }
    if (self->GetLoginState() == LOGIN_IDLE)
        self->ArmReloginTimer(1.0f, TIMER_DISCONNECT);
}

// ---- events -------------------------------------------------------------------------------

int CBrixMenuState::OnLoginTolvane(CWidget*)
{
    CTextWidget* login = m_root ? CTextWidget::Cast(m_root->FindByPath(Text("//loginscreen_root//user_login"))) : nullptr;
    CTextWidget* password =
        m_root ? CTextWidget::Cast(m_root->FindByPath(Text("//loginscreen_root//user_password"))) : nullptr;
    CToggleButton* autoLogin =
        m_root ? CToggleButton::Cast(m_root->FindByPath(Text("//loginscreen_root//user_autologin"))) : nullptr;
    if (!login || !password || !autoLogin)
        return 0;
    CKetrelString name = login->GetText();
    const CKetrelString typed = password->GetText();
    if (CanAutoLogin() && !GetStoredUserName().IsEmpty() && !GetStoredPassword().IsEmpty() && name.IsEmpty() &&
        typed.IsEmpty() && !login->GetDisplayText().IsEmpty() && !password->GetDisplayText().IsEmpty())
    {
        // The prefilled form: log in again with the stored hash.
        SetAutoLogin(autoLogin->IsToggled() ? 1 : 0);
        SetLoginKind(KIND_NAME);
        Relogin(0);
    }
    else
    {
        if (name.IsEmpty())
            name = login->GetDisplayText();
        const bool ok = name.Find((u16)'@') >= 0 ? CheckEmail(name) : CheckUserName(name);
        if (!ok)
            return 0;
        LoginWithName(name, typed, autoLogin->IsToggled() ? 1 : 0);
    }
    ShowLoadingDialog(m_host->GetLanguageText(TEXT_LOGIN_LOADING_TITLE), m_host->GetLanguageText(TEXT_LOADING));
    return 1;
}

int CBrixMenuState::OnValidateUser(CWidget* widget)
{
    CWidget* page = PageOf(widget, m_pageView);
    CWidget* tos = page ? page->FindChild(Text("tos_elements"), -1) : nullptr;
    if (tos && tos->IsVisible())
    {
        CToggleButton* agree = CToggleButton::Cast(tos->FindChild(Text("button_agree"), -1));
        if (!agree || !agree->IsToggled())
        {
            ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(TEXT_TOS), 2,
                           CKetrelString());
            return 0;
        }
    }
    CTextWidget* input =
        m_pageView ? CTextWidget::Cast(m_pageView->FindByPath(Text("//loginscreen_playername//input_playername"))) : nullptr;
    if (!input)
        return 0;
    const CKetrelString name = input->GetText();
    if (!CheckUserName(name))
        return 0;
    if (page)
    {
        Show(page->FindChild(Text("text_usernametaken"), -1), false);
        Show(page->FindChild(Text("username_loading"), -1), true);
    }
    ValidateUserName(name);
    return 1;
}

int CBrixMenuState::OnValidateEmail(CWidget*)
{
    if (!m_pageView)
        return 0;
    CTextWidget* name = CTextWidget::Cast(m_pageView->FindByPath(Text("//loginscreen_playername//input_playername")));
    CTextWidget* email = CTextWidget::Cast(m_pageView->FindByPath(Text("//loginscreen_email//input_email")));
    CTextWidget* password = CTextWidget::Cast(m_pageView->FindByPath(Text("//loginscreen_email//input_password")));
    if (!name || !email || !password)
        return 0;
    if (!CheckEmail(email->GetText()))
        return 0;
    if (password->GetText().GetLength() < 4)
    {
        ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(TEXT_PASSWORD_SHORT),
                       2, CKetrelString());
        return 0;
    }
    Register(name->GetText(), password->GetText(), email->GetText());
    return 1;
}

int CBrixMenuState::OnUserNameChanged(CWidget*)
{
    if (m_pageView)
        SetWidgetText(m_pageView->FindByPath(Text("//loginscreen_email//input_password")), CKetrelString());
    return 1;
}

int CBrixMenuState::OnLoginShow(CWidget*)
{
    ClearCredentials();
    if (m_pageView)
        SetWidgetText(m_pageView->FindByPath(Text("//loginscreen_playername//input_playername")), CKetrelString());
    if (IsGuestLogin())
        if (CBrixStatsStore* settings = m_host->GetSettings())
        {
            CBrixStatsEntry* times = settings->FindEntry(Text(kKeyTimesNewPlayer));
            if (times)
                times->SetInt(times->intValue + 1);
            else if ((times = settings->AddEntry(Text(kKeyTimesNewPlayer))) != nullptr)
                times->SetInt(1);
            settings->Save();
        }
    return 1;
}

int CBrixMenuState::OnPlayerNameShow(CWidget* widget)
{
    CWidget* page = PageOf(widget, m_pageView);
    if (!page)
        page = widget;
    if (!page)
        return 1;
    Show(page->FindChild(Text("tos_elements"), -1), m_authStatus.Equals(Text("new")));
    Show(page->FindChild(Text("username_loading"), -1), false);
    Show(page->FindChild(Text("text_usernametaken"), -1), false);
    return 1;
}

int CBrixMenuState::OnConfirmShow(CWidget* widget)
{
    CWidget* page = PageOf(widget, m_pageView);
    if (!page)
        page = widget;
    if (CToggleButton* agree = page ? CToggleButton::Cast(page->FindChild(Text("button_agree"), -1)) : nullptr)
        agree->SetToggled(false);
    return 1;
}

int CBrixMenuState::OnAutoLoginToggled(CWidget* widget)
{
    CToggleButton* toggle = CToggleButton::Cast(widget);
    const i32 on = toggle && toggle->IsToggled() ? 1 : 0;
    SetAutoLogin(on);
    if (!on && m_root)
        SetWidgetText(m_root->FindByPath(Text("//loginscreen_root//user_password")), CKetrelString());
    return 1;
}

int CBrixMenuState::OnAboutGameInfoShow(CWidget* widget)
{
    if (CTextWidget* t = CTextWidget::Cast(widget))
    {
        const CKetrelString about = m_host->GetLanguageText(TEXT_ABOUT);
        CKetrelString text;
        if (!about.IsEmpty())
            text.Format(about.GetBuffer(), m_game ? m_game->GetApplicationName() : CKetrelString(),
                    m_game ? m_game->GetVersion() : CKetrelString());
        t->SetText(text);
    }
    return 1;
}

int CBrixMenuState::OnCancelAutoRelogin(CWidget*)
{
    ArmReloginTimer(0.0f, TIMER_RELOGIN);
    return 1;
}

int CBrixMenuState::OnGoogleShow(CWidget* widget)
{
    CWidget* page = PageOf(widget, m_pageView);
    if (!page || !page->GetName().Equals(Text("loginscreen_google")))
        return 1;
    // Without the service's web host the page is left for the error page.
    CBrixNetworkSession* session = m_host ? m_host->GetNetworkSession() : nullptr;
    if (session && !session->IsHostReachable(GetDefaultServerHost()))
    {
        NavigateTo(":back#2");
        NavigateTo("loginscreen_error");
        return 0;
    }
    // This toolkit has no web view: the page stays without the external form.
    if (CWebView::Cast(widget))
        ClearAuthFields();
    return 1;
}

int CBrixMenuState::OnGoogleCookie(CWidget*) { return 1; }

int CBrixMenuState::OnGoogleLoaded(CWidget*)
{
    if (m_authStatus.Equals(Text("ok")))
    {
        if (!m_authId.IsEmpty() && !m_authToken.IsEmpty())
        {
            ShowLoadingDialog(m_host->GetLanguageText(TEXT_LOADING_TITLE), m_host->GetLanguageText(TEXT_LOADING_TITLE));
            const CKetrelString id = m_authId, token = m_authToken;
            ClearAuthFields();
            SubmitLogin(id, token, KIND_EXTERNAL);
            return 1;
        }
        NavigateTo(":back:loginscreen_root");
        ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(TEXT_EXTERNAL_FAILED),
                       2, CKetrelString());
        return 0;
    }
    if (m_authStatus.Equals(Text("new")))
    {
        if (!m_pageView)
            return 1;
        if (GetConfirmedName().IsEmpty())
            NavigateTo("loginscreen_playername");
        else
        {
            const CKetrelString id = m_authId, token = m_authToken;
            ClearAuthFields();
            SubmitRegistration(GetConfirmedName(), id, token);
        }
        return 1;
    }
    if (m_authStatus.IsEmpty())
        return 1;
    const CKetrelString error = m_authStatus;
    NavigateTo(":back:loginscreen_root");
    ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), error, 2, CKetrelString());
    ClearAuthFields();
    return 0;
}

int CBrixMenuState::OnCheckTos(CWidget* widget)
{
    CPageButton* button = CPageButton::Cast(widget);
    CWidget* page = PageOf(widget, m_pageView);
    m_externalPageKind = 0;
    if (button)
    {
        if (button->GetTargetPage().Equals(Text("loginscreen_facebook")))
            m_externalPageKind = 1;
        else if (button->GetTargetPage().Equals(Text("loginscreen_google")))
            m_externalPageKind = 2;
    }
    CToggleButton* agree = page ? CToggleButton::Cast(page->FindChild(Text("button_agree"), -1)) : nullptr;
    if (agree && !agree->IsToggled())
    {
        if (button)
        {
            button->SetInputLockTime(0.1f);
            button->SetPageView(nullptr);
        }
        ShowLoginError(m_host->GetLanguageText(TEXT_LOGIN_ERROR_TITLE), m_host->GetLanguageText(TEXT_TOS), 2,
                       CKetrelString());
    }
    else if (agree && button && m_pageView)
        button->SetPageView(m_pageView);   // agreed after a refusal: the button opens its page again
    return 1;
}

int CBrixMenuState::OnTosShow(CWidget*) { return 1; }

int CBrixMenuState::OnInitRegisterName(CWidget* widget)
{
    SetWidgetText(widget, GetNameField());
    return 1;
}

int CBrixMenuState::OnInitLoginName(CWidget* widget)
{
    SetWidgetText(widget, GetAccountName());
    return 1;
}

int CBrixMenuState::OnGuestLogin(CWidget*)
{
    CBrixNetworkSession* session = m_host->GetNetworkSession();
    if (session && session->GetStatus() == CBrixNetworkSession::LOBBY_LOGGED_IN)
    {
        SetMenuOpen(false);
        return 1;
    }
    ShowLoadingDialog(m_host->GetLanguageText(TEXT_LOADING_TITLE), m_host->GetLanguageText(TEXT_LOADING));
    LoginAsGuest();
    return 1;
}
