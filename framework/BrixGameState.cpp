// framework/BrixGameState.cpp
#include "framework/BrixGameState.h"

#include "engine/KetrelResult.h"
#include "framework/BrixAchievements.h"
#include "framework/BrixLanguage.h"

int IBrixGameState::OnLanguageChanged(const CKetrelString& code)
{
    if (!m_language)
        return KE_ERR_NOT_READY;
    return m_language->SelectLanguage(code);
}

CKetrelString IBrixGameState::GetResellerId()
{
    return CKetrelString(L"Ovi");
}

void IBrixGameState::FindMatch()
{
    if (!m_application)
        return;
    m_application->LeaveGame();
    // Without a session there is no lobby link to ask for a match on.
    const bool session = m_application->HasNetworkSession() != 0;
    if (session)
        m_application->CloseGameLink();
    if (!session || (m_application->GetSessionStatus() & 1) == 0)
    {
        CloseConnectingScreen();
        if (session)
            m_application->ShowLoginMenu(1);
        return;
    }
    m_application->RequestMatch(1, GetMaxPlayers());
}

void IBrixGameState::CancelMatchRequest()
{
    if (m_application && m_application->HasNetworkSession())
        m_application->CancelMatchRequest();
}

void IBrixGameState::SendGameData(const u8* data, i32 size, i32 a, i32 b)
{
    if (m_application && m_application->HasNetworkSession())
        m_application->SendGameData(data, size, a, b);
}

void IBrixGameState::ReportGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& results,
                                      i32 abandoned)
{
    if (m_application)
        m_application->ReportGameResult(playerIds, results, abandoned);
}

CKetrelString IBrixGameState::GetUrlSuffix()
{
    if (m_application && m_application->HasNetworkSession())
        return m_application->GetUrlSuffix();
    return CKetrelString();
}

i32 IBrixGameState::GetUserId()
{
    if (m_application && m_application->HasNetworkSession())
        return m_application->GetOwnPlayerId();
    return -1;
}

i32 IBrixGameState::GetLobbyPlayerCount()
{
    if (m_application && m_application->HasNetworkSession())
        return m_application->GetLobbyPlayerCount();
    return 0;
}

CBrixPlayer* IBrixGameState::GetLobbyPlayer(i32 index)
{
    if (m_application && m_application->HasNetworkSession())
        return m_application->GetLobbyPlayer(index);
    return nullptr;
}

i32 IBrixGameState::UnlockAchievement(u32 id)
{
    CBrixAchievementStation* station = m_application ? m_application->GetAchievementStation() : nullptr;
    CBrixAchievementList* list = station ? station->FindList((u32)GetGameId()) : nullptr;
    CBrixAchievement* achievement = list ? list->FindById(id) : nullptr;
    if (!achievement)
        return 0;
    if (achievement->IsUnlocked())
        return 1;
    achievement->SetUnlocked(1);
    CKetrelDateTime now;
    now.SetNow();
    achievement->SetUnlockTime(now);
    station->Save();
    return 1;
}

i32 IBrixGameState::IsAchievementUnlocked(u32 id)
{
    CBrixAchievementStation* station = m_application ? m_application->GetAchievementStation() : nullptr;
    CBrixAchievementList* list = station ? station->FindList((u32)GetGameId()) : nullptr;
    CBrixAchievement* achievement = list ? list->FindById(id) : nullptr;
    return achievement ? achievement->IsUnlocked() : 0;
}

i32 IBrixGameState::OnChatMessage(const CBrixChatRecord&, i32)
{
    return 0;
}

void IBrixGameState::SetApplication(IBrixGameHost* application)
{
    if (!m_application)
        m_application = application;
}
