// lobby/BrixMenuStateChallenges.cpp: challenging a player from a row (or asking for a
// quick match), and the challenges other players send.
#include "lobby/BrixMenuState.h"

#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixGameState.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Button.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/UIServices.h"

using BrixMenuKit::Text;
using BrixMenuKit::SetTextOf;

namespace
{
const f32 kQuickMatchSeconds = 30.0f;
const f32 kChallengeSeconds = 20.0f;
const f32 kChallengeToastSeconds = 20.0f;
const i32 kToastChallenge = 3;
const i32 kTextQuickMatch = 3;
const i32 kTextOwnDeclined = 4;
const i32 kTextDeclined = 5;
const i32 kTextBusy = 6;
const i32 kTextUnavailable = 7;
const i32 kTextChallenged = 37;

CKetrelString WithName(const CKetrelString& format, const CKetrelString& name)
{
    CKetrelString out;
    if (!format.IsEmpty())
        out.Format(format.GetBuffer(), name);
    return out;
}
}

int CBrixMenuState::OnSendChallenge(CWidget* widget)
{
    // The first player chosen stays the target until the lists are refreshed.
    if (CButton::Cast(widget) && m_social.challengeTarget.GetCount() == 0)
    {
        CWidget* row = widget->FindAncestorOfType(CWidgetType::Expandable());
        if (const CPlayerListItem* r = GetRowRecord(row))
            m_social.challengeTarget.Add(r->id);
    }
    if (!m_host || !m_host->HasSession())
        return 1;
    if (m_social.challengeTarget.GetCount() == 0)
    {
        m_host->RequestMatch(0, m_game ? m_game->GetMaxPlayers() : 2);
        m_challengeTimeout = kQuickMatchSeconds;
        ShowNotice(m_host->GetLanguageText(kTextQuickMatch));
        return 1;
    }
    m_host->SendChallenge(m_social.challengeTarget, CKetrelString());
    m_challengerId = m_host->GetOwnPlayerId();
    m_challengeTimeout = kChallengeSeconds;
    if (m_pageView)
        m_pageView->Navigate(Text(kBrixPageChallengeWaiting));
    return 1;
}

int CBrixMenuState::OnAcceptChallenge(CWidget*)
{
    if (m_host && m_host->HasSession())
        m_host->AnswerChallenge(m_challengerId, 1, CKetrelString());
    return 1;
}

int CBrixMenuState::OnRejectChallenge(CWidget*)
{
    if (m_host && m_host->HasSession())
        m_host->AnswerChallenge(m_challengerId, 0, CKetrelString());
    return 1;
}

void CBrixMenuState::CloseChallengePages()
{
    if (!m_root || !m_pageView)
        return;
    static const char* const kPages[] = {"challenge_received", kBrixPageChallengeWaiting};
    for (const char* name : kPages)
    {
        CWidget* page = m_pageView->GetCurrentPage();
        if (page && page->GetName().Equals(Text(name)))
            m_pageView->Navigate(Text(":back"));
    }
}

void CBrixMenuState::OnChallengeReceived(CBrixNetworkSession*, int challengerId, const CKetrelString& name,
                                         const CKetrelString& rank, int score, int)
{
    CWidget* page = m_pageView ? m_pageView->FindChild(Text("challenge_received"), 0) : nullptr;
    if (!page)
        return;
    if (CImageWidget* avatar = CImageWidget::Cast(page->FindChild(Text("player_avatar"), -1)))
    {
        CKetrelString own;
        own.Format(L"player_avatar_icon_%d", challengerId);
        CKetrelSurface* current = InstallImage(own, nullptr, 0);
        const bool shown = current && avatar->GetImage() == current;
        ReleaseImage(current);
        if (!shown)
        {
            CKetrelSurface* fallback = InstallImage(Text("avatar-icon.png"), nullptr, 0);
            if (fallback)
            {
                avatar->SetImage(fallback);
                ReleaseImage(fallback);
            }
        }
    }
    SetTextOf(page, "player_name", name);
    SetTextOf(page, "player_rank", rank);
    CKetrelString points;
    points.Format(L"%d", score);
    SetTextOf(page, "player_score", points);
    m_challengerId = challengerId;
    if (m_host)
        m_host->ShowToast(WithName(m_host->GetLanguageText(kTextChallenged), name), kToastChallenge,
                          kChallengeToastSeconds);
}

void CBrixMenuState::OnChallengerImage(CBrixNetworkSession*, int playerId, const u8* image, int imageSize)
{
    if (!image || imageSize <= 0 || !m_pageView)
        return;
    CWidget* page = m_pageView->FindChild(Text("challenge_received"), 0);
    CImageWidget* avatar = CImageWidget::Cast(page ? page->FindChild(Text("player_avatar"), -1) : nullptr);
    if (!avatar)
        return;
    CKetrelString name;
    name.Format(L"player_avatar_icon_%d", playerId);
    if (CKetrelSurface* surface = InstallImage(name, image, imageSize))
    {
        avatar->SetImage(surface);
        ReleaseImage(surface);
    }
}

void CBrixMenuState::OnChallengeAnswer(CBrixNetworkSession*, int playerId, const CKetrelString& name,
                                       const CKetrelString&, int answer)
{
    CloseChallengePages();
    if (!m_host || !m_host->HasSession())
        return;
    if (playerId == m_host->GetOwnPlayerId())
    {
        if (answer == 1)
            return;
        if (m_game)
            m_game->CloseConnectingScreen();
        if (answer == 2)
            ShowNotice(m_host->GetLanguageText(kTextOwnDeclined));
        return;
    }
    switch (answer)
    {
    case 0: ShowNotice(WithName(m_host->GetLanguageText(kTextDeclined), name)); break;
    case 1: break;
    case 2: ShowNotice(m_host->GetLanguageText(kTextBusy)); break;
    case 3: ShowNotice(m_host->GetLanguageText(kTextUnavailable)); break;
    default:
        if (m_game)
            m_game->CloseConnectingScreen();
        break;
    }
}

void CBrixMenuState::OnBackKey()
{
    CWidget* page = m_pageView ? m_pageView->GetCurrentPage() : nullptr;
    if (!page)
        return;
    const CKetrelString& name = page->GetName();
    if (!m_brixButtonRoot || !m_brixButtonRoot->IsVisible())
    {
        if (name.Equals(Text(kBrixPageLogin)) || name.Equals(Text(kBrixPageLanguageChooser)))
        {
            if (page->FindChild(Text("exit-button"), -1))
                OnExitApp(nullptr);
        }
        else if (!name.Equals(Text(kBrixPageLoading)))
            m_pageView->Navigate(Text(":back"));
        return;
    }
    if (name.Equals(Text("challenge_received")) || name.Equals(Text(kBrixPageChallengeWaiting)))
    {
        OnRejectChallenge(nullptr);
        m_pageView->Navigate(Text(":back"));
        return;
    }
    ToggleBrixMenu();
}
