#pragma once
// lobby/LoginController.h
#include "engine/KetrelRunnable.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/BrixNetworkSession.h"

class CBrixStatsEntry;
class CBrixStatsStore;
class IBrixMenuHost;

// The web page of an external account log-in reports back through this listener.
class IExternalLogin
{
public:
    class IListener
    {
    public:
        virtual ~IListener() {}
        virtual void OnExternalLoginFinished() = 0;
        virtual void OnExternalLoginError(i32 code, const CKetrelString& title, const CKetrelString& message,
                                          i32 flags) = 0;
    };
};

// The user's account on the online service: the stored credentials, the ways of logging
// in (guest, name and password, external account, registration), the chain "connect the
// lobby link, then run a log-in step", and the relogin with back-off after the link
// drops. The lobby menu state derives from it and implements the user-interface
// operations with its pages. Main thread only: the observer calls come from the session's
// per-frame update and the relogin timer from the application's runnables.
class CLoginController : public CBrixNetworkSession::StatusObserver,
                         public CBrixNetworkSession::LoginObserver,
                         public IExternalLogin::IListener
{
public:
    enum
    {
        LOGIN_IDLE = 0,
        LOGIN_BUSY = 1,
        LOGIN_DONE = 2,

        KIND_NAME = 0,
        KIND_EXTERNAL_B = 1,
        KIND_EXTERNAL = 2,

        TIMER_RELOGIN = 1,
        TIMER_CONNECT = 2,
        TIMER_DISCONNECT = 3,

        SERVER_PORT = 5000,
        NAME_MIN = 4,
        NAME_MAX = 15,

        TEXT_CONNECT_FAILED = 3,
        TEXT_LOGIN_ERROR_TITLE = 12,
        TEXT_CONNECT_FAILED_TITLE = 14,
        TEXT_NAME_LENGTH = 16,
        TEXT_NAME_CHARACTER = 17,
        TEXT_REGISTER_ERROR_TITLE = 21,
        TEXT_MISSING_FIELDS = 29,
        TEXT_NO_SESSION = 30,
        TEXT_NAME_TAKEN = 57
    };

    // A log-in step, run with the session once the lobby link is connected.
    typedef void (CLoginController::*Action)(CBrixNetworkSession* session);

    // The per-frame task behind the relogin: counts down and then reconnects, logs in
    // again or closes the link. It has no clock of its own: Run's frame deltas drive it.
    class ReloginTimer : public IKetrelRunnable
    {
    public:
        ReloginTimer() : m_host(nullptr), m_controller(nullptr), m_remaining(0.0f), m_mode(TIMER_RELOGIN) {}
        ~ReloginTimer() override;
        void Bind(IBrixMenuHost* host, CLoginController* controller);
        // Replaces any countdown; 0 seconds cancels.
        void Arm(f32 seconds, i32 mode);
        void Stop() { Arm(0.0f, TIMER_RELOGIN); }
        void Run(f32 seconds) override;
        f32 GetRemaining() const { return m_remaining; }
        i32 GetMode() const { return m_mode; }

    private:
        void Unregister();
        IBrixMenuHost* m_host;                  // not owned
        CLoginController* m_controller;         // not owned
        f32 m_remaining;
        i32 m_mode;
    };

    CLoginController();
    ~CLoginController() override;

    // Reads and creates the stored entries. 1; 0 without a host or its settings store.
    virtual int InitLogin(IBrixMenuHost* host);
    // Stops the timer, leaves the session's observers and forgets the host.
    virtual void ReleaseLogin();

    // ---- StatusObserver ----
    void OnLobbyLinkStatusChanged(CBrixNetworkSession* session, int lobbyByte) override;
    void OnGameLinkStatusChanged(CBrixNetworkSession*, int) override {}
    void OnNotification(CBrixNetworkSession*, int, int, const CKetrelString&) override {}

    // ---- LoginObserver ----
    void OnConnectRefused(CBrixNetworkSession* session, const CKetrelString& url) override;
    void OnLoginError(CBrixNetworkSession* session, const CKetrelString& text) override;
    void OnLoginChallenge(CBrixNetworkSession* session, const CKetrelString& challenge) override;
    void OnLoggedIn(CBrixNetworkSession* session, int playerId, const CKetrelString& name,
                    const CKetrelString& token, const CKetrelString& text2, const CKetrelString& text5,
                    int value4) override;
    void OnConfirmUserNameAck(CBrixNetworkSession* session, int result, const CKetrelString& text) override;
    void OnConfirmEmailAck(CBrixNetworkSession* session, int result, const CKetrelString& text) override;
    void OnLoginSlot6(CBrixNetworkSession*) override {}
    void OnLoginSlot7(CBrixNetworkSession*) override {}
    void OnLoginSlot8(CBrixNetworkSession*) override {}

    // ---- IExternalLogin::IListener ----
    void OnExternalLoginFinished() override;
    void OnExternalLoginError(i32 code, const CKetrelString& title, const CKetrelString& message,
                              i32 flags) override;

    // ---- log-in ----
    void ClearCredentials();
    void ArmReloginTimer(f32 seconds, i32 mode);
    void LoginAsGuest();
    void LoginWithName(const CKetrelString& name, const CKetrelString& password, i32 autoLogin);
    void Register(const CKetrelString& name, const CKetrelString& password, const CKetrelString& email);
    void SubmitLogin(const CKetrelString& externalId, const CKetrelString& externalToken, i32 kind);
    void SubmitRegistration(const CKetrelString& name, const CKetrelString& externalId,
                            const CKetrelString& externalToken);
    void ValidateUserName(const CKetrelString& name);
    // The argument is the caller's and not used.
    virtual void Relogin(i32 argument);
    virtual void Logout();
    // Connects the lobby link without a log-in step.
    virtual void Connect();
    void Disconnect();
    // A server redirect: the next connects go to host:port until a log-in error.
    void Redirect(const CKetrelString& host, i32 port);

    // ---- user-interface operations of the menu state ----
    virtual void OnLoginCompleted(const CKetrelString& name, const CKetrelString& token, i32 justRegistered) = 0;
    // flags: bit 0 shows the recover button, bit 1 picks the first try-again label.
    virtual void ShowLoginError(const CKetrelString& title, const CKetrelString& message, i32 flags,
                                const CKetrelString& updateUrl) = 0;
    virtual void ReturnToLoginPage(i32 code) = 0;
    virtual void ShowConnectError(const CKetrelString& url) = 0;
    virtual void ShowLoginScreen() = 0;
    virtual void OnUserNameChecked(i32 ok, const CKetrelString& text) = 0;
    virtual void ShowReconnecting() = 0;
    virtual void ShowExternalLoginPage() = 0;
    virtual void HideLoadingDialog() = 0;

    // ---- state ----
    i32 GetLoginState() const { return m_loginState; }
    i32 GetLoginKind() const { return m_loginKind; }
    void SetLoginKind(i32 kind);
    i32 HasLoginKind() const { return m_loginKind != 0; }
    i32 IsGuestLogin() const { return m_isGuest; }
    const CKetrelString& GetLoginName() const { return m_userName; }
    // The account name shown on the log-in page.
    CKetrelString GetAccountName() const;
    CKetrelString GetStoredUserName() const;
    CKetrelString GetStoredPassword() const;
    virtual i32 CanAutoLogin();
    void SetAutoLogin(i32 on);
    i32 GetGuestCounter() const;
    const CKetrelString& GetNameField() const { return m_candidateName; }
    const CKetrelString& GetPasswordHashField() const { return m_passwordHash; }
    const CKetrelString& GetEmailField() const { return m_email; }
    const CKetrelString& GetConfirmedName() const { return m_confirmedName; }
    i32 IsPasswordPlain() const { return m_passwordPlain; }
    f32 GetReloginDelay() const { return m_reloginDelay; }
    ReloginTimer* GetReloginTimer() { return m_timer; }
    // The lobby server used when no redirect is pending (a build-time setting).
    static CKetrelString GetDefaultServerHost();
    void SetServer(const CKetrelString& host, i32 port) { m_serverHost = host; m_serverPort = port; }
    // The web page of an external account log-in.
    static CKetrelString GetExternalLoginUrl();

    // ---- log-in steps ----
    void RequestLoginChallenge(CBrixNetworkSession* session);
    void SendLogin(CBrixNetworkSession* session);
    void SendConfirmUserName(CBrixNetworkSession* session);
    void SendConfirmEmail(CBrixNetworkSession* session);
    void SendExternalLogin(CBrixNetworkSession* session);
    void ConfirmEmailB(CBrixNetworkSession* session);
    void ConnectThen(Action action);

protected:
    CBrixNetworkSession* LoginSession() const;
    CKetrelString LoginText(i32 index) const;
    CBrixStatsStore* LoginSettings() const;

    IBrixMenuHost* m_loginHost;   // not owned
    i32 m_loginState;
    i32 m_isGuest;
    CKetrelString m_userName;

private:
    CLoginController(const CLoginController&) = delete;
    CLoginController& operator=(const CLoginController&) = delete;

    CBrixStatsEntry* Entry(const char* key) const;
    CBrixStatsEntry* EnsureEntry(const char* key, i32 type, i32 value);
    void FiredTimer(i32 mode);
    void SaveSettings();

    CKetrelString m_password;
    i32 m_passwordPlain;
    CKetrelString m_candidateName;
    CKetrelString m_passwordHash;
    CKetrelString m_email;
    CKetrelString m_externalId;
    CKetrelString m_externalToken;
    CKetrelString m_confirmedName;
    Action m_pendingAction;
    CKetrelString m_serverHost;
    i32 m_serverPort;
    i32 m_loginKind;
    CKetrelString m_redirectHost;
    i32 m_redirectPort;
    i32 m_redirectPending;
    ReloginTimer* m_timer;        // owned
    i32 m_justRegistered;
    f32 m_reloginDelay;           // seconds until the next automatic retry
    i32 m_quietConnect;           // a link with no log-in asked for is coming up: its failure is not shown
};

// The log-in page's checks. Each returns 0 when the text passes, else the language text
// index of the refusal.
i32 BrixCheckUserName(const CKetrelString& name);
i32 BrixCheckEmail(const CKetrelString& email);
