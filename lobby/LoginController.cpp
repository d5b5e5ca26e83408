// lobby/LoginController.cpp
#include "lobby/LoginController.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"

#include <new>

#ifndef BRIX_LOBBY_HOST
#define BRIX_LOBBY_HOST "127.0.0.1"
#endif

using BrixMenuKit::Text;

namespace
{
const char kKeyAutoLogin[] = "__Brix_AutoLogin";
const char kKeyUserName[] = "__Brix_UserName";
const char kKeyPassword[] = "__Brix_Password";
const char kKeyFirstRun[] = "__Brix_FirstRun";
const char kKeyGuestCounter[] = "__Brix_GuestCounter";
const char kKeyLastLoginType[] = "__Brix_LastLoginType";
const char kKeyTimesLoggedIn[] = "__Brix_TimesLoggedIn";
const char kGuestName[] = "guest";
const char kNameCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567890-_";
const char kEmailCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567890-_@.";
const f32 kFirstRetry = 1.0f;
const f32 kLaterRetry = 10.0f;

bool AllIn(const CKetrelString& text, const char* allowed)
{
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        const u16 c = text.GetAt(i);
        bool found = false;
        for (const char* a = allowed; *a && !found; ++a)
            found = (u16)(u8)*a == c;
        if (!found)
            return false;
    }
    return true;
}
}

i32 BrixCheckUserName(const CKetrelString& name)
{
    const i32 length = name.GetLength();
    if (length < CLoginController::NAME_MIN || length > CLoginController::NAME_MAX)
        return 16;
    if (!AllIn(name, kNameCharacters))
        return 17;
    if (name.Equals(Text(kGuestName)))
        return 18;
    return 0;
}

i32 BrixCheckEmail(const CKetrelString& email)
{
    const i32 length = email.GetLength();
    if (length < 6 || length > 256)
        return 19;
    if (!AllIn(email, kEmailCharacters))
        return 20;
    return 0;
}

// ---- relogin timer ------------------------------------------------------------------

CLoginController::ReloginTimer::~ReloginTimer() { Unregister(); }

void CLoginController::ReloginTimer::Bind(IBrixMenuHost* host, CLoginController* controller)
{
    m_host = host;
    m_controller = controller;
}

void CLoginController::ReloginTimer::Unregister()
{
    if (!IsRegistered())
        return;
    IKetrelApplication* app = m_host ? m_host->GetEngineApplication() : nullptr;
    if (app)
        app->RemoveRunnable(this);
}

void CLoginController::ReloginTimer::Arm(f32 seconds, i32 mode)
{
    Unregister();
    m_mode = mode;
    m_remaining = seconds;
    IKetrelApplication* app = m_host ? m_host->GetEngineApplication() : nullptr;
    if (seconds > 0.0f && app && !IsRegistered())
        app->AddRunnable(this);
}

void CLoginController::ReloginTimer::Run(f32 seconds)
{
    if (m_remaining <= 0.0f)
        return;
    m_remaining -= seconds;
    if (m_remaining > 0.0f)
        return;
    m_remaining = 0.0f;
    Unregister();
    if (m_controller)
        m_controller->FiredTimer(m_mode);
}

// ---- controller ---------------------------------------------------------------------

CLoginController::CLoginController()
    : m_loginHost(nullptr), m_loginState(LOGIN_IDLE), m_isGuest(0), m_passwordPlain(1),
      m_pendingAction(nullptr), m_serverHost(GetDefaultServerHost()), m_serverPort(SERVER_PORT),
      m_loginKind(KIND_NAME), m_redirectPort(0), m_redirectPending(0), m_timer(nullptr), m_justRegistered(0),
      m_reloginDelay(kFirstRetry), m_quietConnect(0)
{
}

CLoginController::~CLoginController() { delete m_timer; }

CKetrelString CLoginController::GetDefaultServerHost() { return Text(BRIX_LOBBY_HOST); }

CKetrelString CLoginController::GetExternalLoginUrl()
{
    return Text("https://" BRIX_LOBBY_HOST "/ext_auth/google");
}

CBrixNetworkSession* CLoginController::LoginSession() const
{
    return m_loginHost ? m_loginHost->GetNetworkSession() : nullptr;
}

CKetrelString CLoginController::LoginText(i32 index) const
{
    return m_loginHost ? m_loginHost->GetLanguageText(index) : CKetrelString();
}

CBrixStatsStore* CLoginController::LoginSettings() const
{
    return m_loginHost ? m_loginHost->GetSettings() : nullptr;
}

CBrixStatsEntry* CLoginController::Entry(const char* key) const
{
    CBrixStatsStore* settings = LoginSettings();
    return settings ? settings->FindEntry(Text(key)) : nullptr;
}

CBrixStatsEntry* CLoginController::EnsureEntry(const char* key, i32 type, i32 value)
{
    CBrixStatsStore* settings = LoginSettings();
    if (!settings)
        return nullptr;
    CBrixStatsEntry* entry = settings->FindEntry(Text(key));
    if (entry)
        return entry;
    entry = settings->AddEntry(Text(key));
    if (!entry)
        return nullptr;
    if (type == BRIX_STAT_BOOL)
        entry->SetBool((u32)value);
    else if (type == BRIX_STAT_TEXT)
        entry->SetString(CKetrelString());
    else
        entry->SetInt(value);
    return entry;
}

void CLoginController::SaveSettings()
{
    if (CBrixStatsStore* settings = LoginSettings())
        settings->Save();
}

int CLoginController::InitLogin(IBrixMenuHost* host)
{
    m_loginHost = host;
    CBrixStatsStore* settings = LoginSettings();
    if (!host || !settings)
    {
        m_loginHost = nullptr;
        return 0;
    }
    i32 autoLogin = 0;
    if (CBrixStatsEntry* e = Entry(kKeyAutoLogin))
        autoLogin = e->boolValue ? 1 : 0;
    else
        EnsureEntry(kKeyAutoLogin, BRIX_STAT_BOOL, 0);
    if (CBrixStatsEntry* e = Entry(kKeyUserName))
        m_userName = e->textValue;
    else
    {
        EnsureEntry(kKeyUserName, BRIX_STAT_TEXT, 0);
        m_userName = CKetrelString();
        autoLogin = 0;
    }
    if (CBrixStatsEntry* e = Entry(kKeyPassword))
    {
        m_password = e->textValue;
        m_passwordPlain = 0;
    }
    else
    {
        EnsureEntry(kKeyPassword, BRIX_STAT_TEXT, 0);
        m_password = CKetrelString();
        autoLogin = 0;
        m_passwordPlain = 1;
    }
    EnsureEntry(kKeyFirstRun, BRIX_STAT_BOOL, 1);
    EnsureEntry(kKeyGuestCounter, BRIX_STAT_INT, 0);
    if (CBrixStatsEntry* e = Entry(kKeyLastLoginType))
        m_loginKind = e->intValue;
    else
        EnsureEntry(kKeyLastLoginType, BRIX_STAT_INT, 0);

    if ((m_userName.IsEmpty() || m_password.IsEmpty()) && m_loginKind == KIND_NAME)
    {
        SetAutoLogin(0);
        SaveSettings();
        m_isGuest = 0;
        m_passwordPlain = 1;
    }
    else
    {
        SaveSettings();
        m_isGuest = 0;
        if (!autoLogin)
            m_passwordPlain = 1;
    }

    if (!m_timer)
        m_timer = new (std::nothrow) ReloginTimer();
    if (m_timer)
        m_timer->Bind(host, this);
    m_loginState = LOGIN_IDLE;
    m_confirmedName = CKetrelString();
    m_reloginDelay = kFirstRetry;
    return 1;
}

void CLoginController::ReleaseLogin()
{
    if (!m_loginHost)
        return;
    if (m_timer)
    {
        m_timer->Stop();
        delete m_timer;
        m_timer = nullptr;
    }
    if (CBrixNetworkSession* session = LoginSession())
        session->RemoveStatusObserver(this);
    m_loginHost = nullptr;
    m_pendingAction = nullptr;
}

void CLoginController::ClearCredentials()
{
    m_email = CKetrelString();
    m_passwordHash = CKetrelString();
    m_candidateName = CKetrelString();
    m_confirmedName = CKetrelString();
}

void CLoginController::ArmReloginTimer(f32 seconds, i32 mode)
{
    if (m_timer)
        m_timer->Arm(seconds, mode);
}

void CLoginController::FiredTimer(i32 mode)
{
    if (mode == TIMER_CONNECT)
        Connect();
    else if (mode == TIMER_DISCONNECT)
        Disconnect();
    else
    {
        ShowReconnecting();
        Relogin(0);
    }
    m_reloginDelay = m_reloginDelay * 10.0f < kLaterRetry ? m_reloginDelay * 10.0f : kLaterRetry;
}

void CLoginController::SetLoginKind(i32 kind)
{
    m_loginKind = kind;
    if (CBrixStatsEntry* e = Entry(kKeyLastLoginType))
        e->SetInt(kind);
}

CKetrelString CLoginController::GetAccountName() const
{
    // The name the service knows the account by; an external account without one yet
    // shows its id.
    if (m_loginKind != KIND_NAME && m_userName.IsEmpty())
        return m_externalId;
    return m_userName;
}

CKetrelString CLoginController::GetStoredUserName() const
{
    CBrixStatsEntry* e = Entry(kKeyUserName);
    return e ? e->textValue : CKetrelString();
}

CKetrelString CLoginController::GetStoredPassword() const
{
    CBrixStatsEntry* e = Entry(kKeyPassword);
    return e ? e->textValue : CKetrelString();
}

i32 CLoginController::CanAutoLogin()
{
    CBrixStatsEntry* e = Entry(kKeyAutoLogin);
    if (!e || !e->boolValue)
        return 0;
    if (!GetStoredUserName().IsEmpty() && !GetStoredPassword().IsEmpty())
        return 1;
    return m_loginKind == KIND_EXTERNAL_B || m_loginKind == KIND_EXTERNAL ? 1 : 0;
}

void CLoginController::SetAutoLogin(i32 on)
{
    if (CBrixStatsEntry* e = Entry(kKeyAutoLogin))
        e->SetBool(on ? 1u : 0u);
    if (on)
        return;
    if (CBrixStatsEntry* e = Entry(kKeyUserName))
        e->SetString(CKetrelString());
    if (CBrixStatsEntry* e = Entry(kKeyPassword))
        e->SetString(CKetrelString());
    SaveSettings();
}

i32 CLoginController::GetGuestCounter() const
{
    CBrixStatsEntry* e = Entry(kKeyGuestCounter);
    return e ? e->intValue : 0;
}

// ---- chain ------------------------------------------------------------------------------

void CLoginController::ConnectThen(Action action)
{
    m_quietConnect = 0;
    // A link that is up (hello sent, or acknowledged) takes the step at once; tearing it
    // down would lose what the server keeps per connection (a confirmed name).
    CBrixNetworkSession* session = LoginSession();
    const u32 lobbyByte = session ? (session->GetStatus() & 0xFF) : 0;
    if (lobbyByte == CBrixNetworkSession::LOBBY_HELLO_SENT || lobbyByte == CBrixNetworkSession::LOBBY_CONNECTED)
    {
        if (action)
            (this->*action)(session);
        return;
    }
    session = m_loginHost ? m_loginHost->RecreateNetworkSession() : nullptr;
    if (!session)
    {
        // No network at all: nothing is under way, and the log-in page offers the
        // game's own menu.
        m_loginState = LOGIN_IDLE;
        m_pendingAction = nullptr;
        HideLoadingDialog();
        ShowLoginScreen();
        return;
    }
    session->AddStatusObserver(this);
    m_pendingAction = action;
    const int rc = m_redirectPending ? session->Connect(m_redirectHost, m_redirectPort & 0xFFFF, this)
                                     : session->Connect(m_serverHost, m_serverPort & 0xFFFF, this);
    if (rc == 1)
        return;
    ShowLoginError(LoginText(TEXT_CONNECT_FAILED_TITLE), LoginText(TEXT_CONNECT_FAILED), 2, CKetrelString());
}

void CLoginController::Connect()
{
    // Nothing is asked of the user while the link comes up: the log-in form shows, with
    // the way to the game's own menu, and a link that cannot be made stays quiet.
    if (m_loginState == LOGIN_IDLE)
    {
        HideLoadingDialog();
        ShowLoginScreen();
    }
    ConnectThen(nullptr);
    // Quiet only while a new link comes up: a link that cannot be made leaves the user on
    // the log-in form, but what the server refuses once the link is made is shown.
    CBrixNetworkSession* session = LoginSession();
    const u32 lobbyByte = session ? (session->GetStatus() & 0xFF) : 0;
    m_quietConnect =
        lobbyByte != CBrixNetworkSession::LOBBY_HELLO_SENT && lobbyByte != CBrixNetworkSession::LOBBY_CONNECTED;
}

void CLoginController::Disconnect()
{
    if (CBrixNetworkSession* session = LoginSession())
        session->Close();
}

void CLoginController::Redirect(const CKetrelString& host, i32 port)
{
    m_redirectHost = host;
    m_redirectPort = port;
    m_redirectPending = 1;
    ArmReloginTimer(m_reloginDelay, m_loginState != LOGIN_IDLE ? TIMER_RELOGIN : TIMER_CONNECT);
}

// ---- steps -------------------------------------------------------------------------------

void CLoginController::RequestLoginChallenge(CBrixNetworkSession* session)
{
    if (session)
        session->RequestLoginChallenge(m_userName, this);
}

void CLoginController::SendLogin(CBrixNetworkSession* session)
{
    if (!session)
        return;
    if (m_isGuest)
    {
        m_loginState = LOGIN_BUSY;
        m_userName = Text(kGuestName);
        m_password.Format(L"%d", GetGuestCounter());
        m_passwordPlain = 1;
        session->Login(m_userName, m_password, this);
    }
    else if (m_passwordPlain)
        RequestLoginChallenge(session);
    else
        session->Login(m_userName, m_password, this);
}

void CLoginController::SendConfirmUserName(CBrixNetworkSession* session)
{
    if (session)
        session->ConfirmUserName(m_candidateName, this);
}

void CLoginController::SendConfirmEmail(CBrixNetworkSession* session)
{
    if (session)
        session->ConfirmEmail(m_candidateName, m_email, m_passwordHash, 0, CKetrelString(), CKetrelString(), this);
}

void CLoginController::ConfirmEmailB(CBrixNetworkSession* session)
{
    if (session)
        session->ConfirmEmail(m_candidateName, CKetrelString(), m_passwordHash, m_loginKind, m_externalToken,
                              m_externalId, this);
    m_externalId = CKetrelString();
    m_externalToken = CKetrelString();
}

void CLoginController::SendExternalLogin(CBrixNetworkSession* session)
{
    m_isGuest = 0;
    if (m_loginKind == KIND_EXTERNAL && (m_externalId.IsEmpty() || m_externalToken.IsEmpty()))
    {
        ShowExternalLoginPage();
        return;
    }
    if (session)
        session->ExternalLogin(m_loginKind, m_externalId, m_externalToken, CKetrelString(), m_email, this);
}

// ---- operations ---------------------------------------------------------------------------

void CLoginController::LoginAsGuest()
{
    if (m_loginState != LOGIN_IDLE)
        return;
    SetAutoLogin(0);
    m_loginState = LOGIN_BUSY;
    m_userName = Text(kGuestName);
    m_password.Format(L"%d", GetGuestCounter());
    m_isGuest = 1;
    m_passwordPlain = 1;
    ConnectThen(&CLoginController::SendLogin);
}

void CLoginController::LoginWithName(const CKetrelString& name, const CKetrelString& password, i32 autoLogin)
{
    CLoginController::Logout();
    SetLoginKind(KIND_NAME);
    m_loginState = LOGIN_BUSY;
    SetAutoLogin(autoLogin);
    m_userName = name;
    m_password = password;
    m_passwordPlain = 1;
    m_isGuest = name.Find(Text(kGuestName)) == 0 ? 1 : 0;
    ConnectThen(&CLoginController::RequestLoginChallenge);
}

void CLoginController::SubmitLogin(const CKetrelString& externalId, const CKetrelString& externalToken, i32 kind)
{
    if (externalId.IsEmpty() || externalToken.IsEmpty())
    {
        ShowLoginError(LoginText(TEXT_LOGIN_ERROR_TITLE), LoginText(TEXT_MISSING_FIELDS), 2, CKetrelString());
        return;
    }
    CLoginController::Logout();
    m_loginState = LOGIN_BUSY;
    SetLoginKind(kind);
    m_externalId = externalId;
    m_externalToken = externalToken;
    if (m_userName.Equals(Text(kGuestName)))
    {
        m_userName = CKetrelString();
        m_password = CKetrelString();
    }
    SetAutoLogin(0);
    SetAutoLogin(1);
    ConnectThen(&CLoginController::SendExternalLogin);
}

void CLoginController::Register(const CKetrelString& name, const CKetrelString& password, const CKetrelString& email)
{
    CBrixNetworkSession* session = LoginSession();
    if (!session)
        return;
    SetLoginKind(KIND_NAME);
    m_candidateName = name;
    m_email = email;
    m_passwordHash = session->HashPassword(password, m_passwordHash);
    m_passwordPlain = 0;
    SendConfirmEmail(session);
}

void CLoginController::SubmitRegistration(const CKetrelString& name, const CKetrelString& externalId,
                                          const CKetrelString& externalToken)
{
    if (m_loginKind != KIND_EXTERNAL_B && (name.IsEmpty() || externalId.IsEmpty() || externalToken.IsEmpty()))
    {
        ShowLoginError(LoginText(TEXT_LOGIN_ERROR_TITLE), LoginText(TEXT_MISSING_FIELDS), 2, CKetrelString());
        return;
    }
    CBrixNetworkSession* session = LoginSession();
    if (!session)
    {
        ShowLoginError(LoginText(TEXT_LOGIN_ERROR_TITLE), LoginText(TEXT_NO_SESSION), 2, CKetrelString());
        return;
    }
    m_candidateName = name;
    m_externalId = externalId;
    m_externalToken = externalToken;
    SetLoginKind(KIND_EXTERNAL);
    ConfirmEmailB(session);
}

void CLoginController::ValidateUserName(const CKetrelString& name)
{
    const i32 length = name.GetLength();
    if (length < NAME_MIN || length > NAME_MAX)
    {
        OnUserNameChecked(0, LoginText(TEXT_NAME_LENGTH));
        return;
    }
    if (!AllIn(name, kNameCharacters))
    {
        OnUserNameChecked(0, LoginText(TEXT_NAME_CHARACTER));
        return;
    }
    m_confirmedName = CKetrelString();
    m_candidateName = name;
    ConnectThen(&CLoginController::SendConfirmUserName);
}

void CLoginController::Relogin(i32)
{
    CLoginController::Logout();
    const Action action = m_loginKind == KIND_EXTERNAL_B || m_loginKind == KIND_EXTERNAL
                              ? &CLoginController::SendExternalLogin
                              : &CLoginController::SendLogin;
    m_loginState = LOGIN_BUSY;
    ConnectThen(action);
}

void CLoginController::Logout()
{
    CBrixNetworkSession* session = LoginSession();
    if (m_loginState != LOGIN_IDLE && session)
    {
        ShowLoginScreen();
        session->SendLogout();
        session->Close();
        m_loginState = LOGIN_IDLE;
    }
    ArmReloginTimer(0.0f, TIMER_RELOGIN);
}

// ---- observers --------------------------------------------------------------------------

void CLoginController::OnLobbyLinkStatusChanged(CBrixNetworkSession* session, int lobbyByte)
{
    if (lobbyByte == CBrixNetworkSession::LOBBY_HELLO_SENT || lobbyByte == CBrixNetworkSession::LOBBY_CONNECTED)
        m_quietConnect = 0;   // the link is made
    if (lobbyByte == CBrixNetworkSession::LOBBY_CLOSED)
        ArmReloginTimer(m_loginState != LOGIN_IDLE ? m_reloginDelay : 0.0f, TIMER_RELOGIN);
    else if (lobbyByte == CBrixNetworkSession::LOBBY_CONNECTED)
    {
        ArmReloginTimer(0.0f, TIMER_RELOGIN);
        m_reloginDelay = kFirstRetry;
        if (m_pendingAction)
        {
            const Action action = m_pendingAction;
            m_pendingAction = nullptr;
            (this->*action)(session);
        }
    }
}

void CLoginController::OnConnectRefused(CBrixNetworkSession*, const CKetrelString& url) { ShowConnectError(url); }

void CLoginController::OnLoginError(CBrixNetworkSession*, const CKetrelString& text)
{
    m_loginState = LOGIN_IDLE;
    m_redirectPending = 0;
    if (m_quietConnect)
    {
        m_quietConnect = 0;
        return;
    }
    ShowLoginError(LoginText(TEXT_LOGIN_ERROR_TITLE), text, 3, CKetrelString());
}

void CLoginController::OnLoginChallenge(CBrixNetworkSession* session, const CKetrelString& challenge)
{
    if (!session)
        return;
    m_password = session->HashPassword(m_password, challenge);
    m_passwordPlain = 0;
    session->Login(m_userName, m_password, this);
}

void CLoginController::OnLoggedIn(CBrixNetworkSession*, int, const CKetrelString& name, const CKetrelString& token,
                                  const CKetrelString&, const CKetrelString&, int)
{
    m_loginState = LOGIN_DONE;
    if (LoginSettings())
    {
        CBrixStatsEntry* autoLogin = Entry(kKeyAutoLogin);
        const bool keep = autoLogin && autoLogin->boolValue && !m_isGuest;
        if (CBrixStatsEntry* e = Entry(kKeyUserName))
            e->SetString(keep ? m_userName : CKetrelString());
        if (CBrixStatsEntry* e = Entry(kKeyPassword))
            e->SetString(keep ? m_password : CKetrelString());
        if (CBrixStatsEntry* times = Entry(kKeyTimesLoggedIn))
            times->SetInt(times->intValue + 1);
        else
            EnsureEntry(kKeyTimesLoggedIn, BRIX_STAT_INT, 1);
        if (m_isGuest)
            if (CBrixStatsEntry* e = Entry(kKeyGuestCounter))
                e->SetInt(e->intValue + 1);
        SaveSettings();
    }
    const i32 justRegistered = m_justRegistered;
    m_justRegistered = 0;
    OnLoginCompleted(name, token, justRegistered);
}

void CLoginController::OnConfirmUserNameAck(CBrixNetworkSession*, int result, const CKetrelString& text)
{
    if (result != 0)
    {
        OnUserNameChecked(0, LoginText(TEXT_NAME_TAKEN));
        return;
    }
    m_confirmedName = m_candidateName;
    m_passwordHash = text;
    OnUserNameChecked(1, CKetrelString());
}

void CLoginController::OnConfirmEmailAck(CBrixNetworkSession*, int result, const CKetrelString& text)
{
    if (result == 0)
    {
        m_userName = text;
        m_password = m_passwordHash;
        m_passwordPlain = 0;
        SetAutoLogin(m_loginKind == KIND_NAME ? 1 : 0);
        m_isGuest = 0;
        m_justRegistered = 1;
        Relogin(0);
        return;
    }
    SetAutoLogin(0);
    const i32 message = result == -1 ? 22 : result == -2 ? 23 : result == -3 ? 24 : 25;
    ShowLoginError(LoginText(TEXT_REGISTER_ERROR_TITLE), LoginText(message), 3, CKetrelString());
}

void CLoginController::OnExternalLoginFinished()
{
    ArmReloginTimer(0.0f, TIMER_RELOGIN);
    ConnectThen(&CLoginController::SendExternalLogin);
}

void CLoginController::OnExternalLoginError(i32 code, const CKetrelString& title, const CKetrelString& message,
                                            i32 flags)
{
    if (code != 0)
        ReturnToLoginPage(code);
    else
        ShowLoginError(title, message, flags, CKetrelString());
}
