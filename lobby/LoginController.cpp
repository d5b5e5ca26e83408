// lobby/LoginController.cpp
#include "lobby/LoginController.h"

#include "engine/KetrelResult.h"

CLoginController::CLoginController()
    : m_loginHost(nullptr), m_loginState(LOGIN_IDLE), m_isGuest(0)
{
}

CLoginController::~CLoginController() {}

int CLoginController::InitLogin(IBrixMenuHost* host)
{
    m_loginHost = host;
    m_loginState = LOGIN_IDLE;
    return KE_OK;
}

void CLoginController::ReleaseLogin() { m_loginHost = nullptr; }

i32 CLoginController::CanAutoLogin() { return 0; }

void CLoginController::Connect()
{
    m_loginState = LOGIN_IDLE;
    HideLoadingDialog();
    ShowLoginScreen();
}

void CLoginController::Relogin(i32)
{
    m_loginState = LOGIN_IDLE;
    HideLoadingDialog();
    ShowLoginScreen();
}

void CLoginController::Logout()
{
    m_loginState = LOGIN_IDLE;
    m_isGuest = 0;
    HideLoadingDialog();
    ShowLoginScreen();
}
