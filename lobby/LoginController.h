#pragma once
// lobby/LoginController.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IBrixMenuHost;

// The user's account on the online service as the lobby menu state sees it: the log-in
// state and the steps that connect, log in again and log out. The menu state derives
// from it and implements its user-interface operations with its pages.
//
// This is the controller's offline core: without a server chain every step ends on the
// log-in page at state 0, from where the game's own menu is reachable. Main thread only.
class CLoginController
{
public:
    enum
    {
        LOGIN_IDLE = 0,
        LOGIN_BUSY = 1,
        LOGIN_DONE = 2
    };

    CLoginController();
    virtual ~CLoginController();

    // Keeps the host. 1.
    virtual int InitLogin(IBrixMenuHost* host);
    virtual void ReleaseLogin();

    i32 GetLoginState() const { return m_loginState; }
    i32 IsGuestLogin() const { return m_isGuest; }
    const CKetrelString& GetLoginName() const { return m_userName; }
    // Whether stored credentials allow a log-in without the user.
    virtual i32 CanAutoLogin();
    // Starts the connection to the lobby server.
    virtual void Connect();
    virtual void Relogin(i32 argument);
    virtual void Logout();

    // ---- user-interface operations of the menu state ----
    virtual void ShowLoginScreen() = 0;
    virtual void HideLoadingDialog() = 0;
    virtual void ShowReconnecting() = 0;
    virtual void ShowConnectError(const CKetrelString& url) = 0;

protected:
    IBrixMenuHost* m_loginHost;   // not owned
    i32 m_loginState;
    i32 m_isGuest;
    CKetrelString m_userName;
};
