// lobby/BrixMenuDialogs.cpp: dialogs, notices, web links, image-and-link buttons and the
// reactions to connection and match events.
#include "lobby/BrixMenuState.h"

#include "engine/KetrelMD5.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixGameState.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Bubble.h"
#include "ui/ImageWidget.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/WebButton.h"

#ifndef BRIX_LOBBY_HOST
#define BRIX_LOBBY_HOST "127.0.0.1"
#endif

using BrixMenuKit::Text;

namespace
{
void SetText(CWidget* w, const CKetrelString& text)
{
    if (CTextWidget* t = CTextWidget::Cast(w))
        t->SetText(text);
}
}

// ---- dialogs --------------------------------------------------------------------------

int CBrixMenuState::OnDialogButton(CWidget*)
{
    if (m_host && m_host->HasSession())
    {
        m_host->CancelMatchRequest();
        if (m_challengerId == m_host->GetOwnPlayerId())
            m_host->AnswerChallenge(m_challengerId, 0, CKetrelString());
    }
    if (CWidget* box = m_root ? m_root->FindChild(Text(kBrixDialogBox), -1) : nullptr)
        box->SetVisible(false);
    return 1;
}

void CBrixMenuState::ShowConfirmBox(const CKetrelString& head, const CKetrelString& body)
{
    CWidget* box = m_root ? m_root->FindChild(Text(kBrixConfirmBox), -1) : nullptr;
    if (!box)
        return;
    SetText(box->FindChild(Text(kBrixDialogHead), -1), head);
    SetText(box->FindChild(Text(kBrixDialogText), -1), body);
    box->SetVisible(true);
}

void CBrixMenuState::ShowErrorDialog(i32 code, const CKetrelString& text)
{
    if (!m_pageView)
        return;
    CWidget* page = m_pageView->Navigate(Text(code < 0 ? kBrixPageErrorCoins : kBrixPageError));
    if (!page)
        return;
    SetText(page->FindChild(Text(kBrixErrorText), -1), text);
    if (code < 0)
        m_host->RequestCoinBalance();
}

void CBrixMenuState::ShowNotice(const CKetrelString& text)
{
    if (m_host)
        m_host->ShowNotification(text);
}

void CBrixMenuState::RequestKeyValue(const CKetrelString& key)
{
    if (m_host && m_host->HasSession())
        m_host->GetKeyValue(key, &OnGuestLoginKey, this);
}

// ---- web links ------------------------------------------------------------------------

CKetrelString CBrixMenuState::GetForwardPage() { return Text(BRIX_LOBBY_HOST "/api/forward.php"); }

CKetrelString CBrixMenuState::BuildLinkCheck()
{
    CKetrelString check;
    check.Format(L"%d%s%s%s%d", m_host->GetOwnPlayerId(),
                 m_game ? m_game->GetApplicationToken() : CKetrelString(), m_host->GetSessionToken(),
                 m_host->GetDeviceId(), m_host->GetReleaseNumber());
    CKetrelMD5::HexOfString(check);
    return check;
}

CKetrelString CBrixMenuState::BuildEntryLink()
{
    const CKetrelString check = BuildLinkCheck();
    CKetrelString url;
    url.Format(L"https://%s?link=brix_game&token=%s&check=%s%s", GetForwardPage(), m_host->GetSessionToken(),
               check, m_host->GetUrlSuffix());
    return url;
}

CKetrelString CBrixMenuState::BuildCoinLink()
{
    const CKetrelString check = BuildLinkCheck();
    CKetrelString url;
    url.Format(L"https://%s?link=add_coins&token=%s&check=%s&game=%d&release=%d&rid=%s&lang=%s",
               GetForwardPage(), m_host->GetSessionToken(), check, m_host->GetGameId(),
               m_host->GetReleaseId(), m_host->GetResellerId(), m_host->GetCurrentLanguageCode());
    return url;
}

void CBrixMenuState::OpenWebEntryLink()
{
    if (m_host)
        m_host->OpenUrl(BuildEntryLink());
}

int CBrixMenuState::OnBuyCoins(CWidget*)
{
    if (m_host)
        m_host->OpenUrl(BuildCoinLink());
    return 1;
}

// ---- log-in screens -----------------------------------------------------------------------

void CBrixMenuState::ShowConnectError(const CKetrelString& url)
{
    // The log-in error page: no recover button; the update address, or a retry.
    if (m_host)
        ShowLoginError(m_host->GetLanguageText(TEXT_CONNECT_ERROR_TITLE), m_host->GetLanguageText(TEXT_CONNECT_ERROR),
                       0, url);
}

void CBrixMenuState::ShowLoginScreen()
{
    // No pack check waits for a list from the session that went.
    m_packs.SetListReceived(0);
    if (m_pageView)
        m_pageView->Navigate(Text(kBrixPageLogin));
    if (m_brixButtonRoot)
        m_brixButtonRoot->SetVisible(false);
    SetMenuOpen(true);
    m_inMatch = 0;
    if (m_joinBubble)
        m_joinBubble->SetVisible(false);
    m_joinBubbleDismissed = 1;
    PrefillLoginForm();
}

void CBrixMenuState::ShowReconnecting()
{
    m_inMatch = 0;
    m_packs.SetListReceived(0);
    UpdateStartScreen();
    HideLoadingDialog();
    ShowLoadingDialog(m_host->GetLanguageText(TEXT_RECONNECTING), m_host->GetLanguageText(TEXT_LOADING));
}

// ---- session reactions ------------------------------------------------------------------

void CBrixMenuState::OnMatchResult(CBrixNetworkSession*, int, int, int code)
{
    if (code != -2 && code != -1)
        return;
    if (m_game)
        m_game->CloseConnectingScreen();
    ShowNotice(m_host->GetLanguageText(code == -2 ? TEXT_LOGOUT_SERVER : TEXT_LOGOUT_ELSEWHERE));
    if (code == -2)
        Logout();
    else
        Relogin(0);
}

void CBrixMenuState::OnLobbyLinkStatus(i32 status)
{
    if (!m_game || status != CBrixNetworkSession::LOBBY_CONNECTED || !m_activated || !m_guestProbePending)
        return;
    m_guestProbePending = 0;
    RequestKeyValue(Text("guestLogin"));
}

void CBrixMenuState::OnGameLinkStatus(i32 status)
{
    if (!m_game)
        return;
    if (status == 0)
    {
        m_game->StopMatch();
        m_inMatch = 0;
    }
    else if (status == CBrixNetworkSession::GAME_CONNECTED)
        ResetChat();
}

void CBrixMenuState::OnChangeNotice(int flags)
{
    m_itemData.RemoveAll();
    if (flags & 1)
    {
        EndMatch();
        m_host->RequestShopGroups(0x401);
    }
}

void CBrixMenuState::OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image,
                                    const CKetrelString& link, const CKetrelString& label,
                                    const CKetrelString&)
{
    if (!image || imageSize <= 0 || !m_host)
        return;
    IUIApplication* ui = m_host->GetUIApplication();
    IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
    if (!resources)
        return;
    CKetrelString key;
    key.Format(L"imageandlink_%s", name);
    // An image that cannot be read leaves the buttons as they are.
    CKetrelSurface* surface = InstallImage(key, image, imageSize);
    if (!surface)
        return;
    if (m_root && name.Equals(Text("moregames")))
    {
        if (CWebButton* button = CWebButton::Cast(m_root->FindChild(Text(kBrixMoreGamesButton), -1)))
        {
            button->SetImage(surface);
            button->SetUrl(link);
        }
    }
    else if (m_root && name.Equals(Text("tournaments")))
    {
        if (CWebButton* button = CWebButton::Cast(m_root->FindChild(Text(kBrixTournamentsButton), -1)))
        {
            button->SetUrl(link);
            button->SetVisible(true);
        }
        if (CImageWidget* icon = CImageWidget::Cast(m_root->FindChild(Text(kBrixTournamentIcon), -1)))
            icon->SetImage(surface);
        SetText(m_root->FindChild(Text(kBrixTournamentLabel), -1), label);
    }
    resources->ReleaseImage(&surface);
}
