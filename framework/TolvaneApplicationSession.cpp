// framework/TolvaneApplicationSession.cpp: the application's requests on the network
// session, what the game and the toolkit read of it, and the session's questions to the
// application. Without a session each request does nothing and each value reads as
// "none".
#include "framework/TolvaneApplication.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixTheme.h"
#include "net/BrixLobby.h"

#include <new>

u32 CTolvaneApplication::GetSessionStatus() { return m_session ? m_session->GetStatus() : 0; }

void CTolvaneApplication::CloseGameLink()
{
    if (m_session)
        m_session->CloseGameLink();
}

void CTolvaneApplication::RequestMatch(i32 mode, i32 param)
{
    if (m_session)
        m_session->RequestMatch(mode, param);
}

void CTolvaneApplication::CancelMatchRequest()
{
    if (m_session)
        m_session->CancelMatchRequest();
}

void CTolvaneApplication::SendGameData(const u8* data, i32 size, i32, i32)
{
    if (m_session)
        m_session->SendGameData(data, size);
}

CKetrelString CTolvaneApplication::GetUrlSuffix()
{
    return m_session ? m_session->GetUrlSuffix() : CKetrelString();
}

i32 CTolvaneApplication::GetOwnPlayerId() { return m_session ? m_session->GetOwnPlayerId() : -1; }

i32 CTolvaneApplication::GetLobbyPlayerCount()
{
    CBrixLobby* lobby = m_session ? m_session->GetLobby() : nullptr;
    return lobby ? lobby->GetCount() : 0;
}

CBrixPlayer* CTolvaneApplication::GetLobbyPlayer(i32 index)
{
    CBrixLobby* lobby = m_session ? m_session->GetLobby() : nullptr;
    return lobby ? lobby->GetAt(index) : nullptr;
}

i32 CTolvaneApplication::GetReleaseId() { return m_session ? m_session->GetReleaseNumber() : 0; }

CKetrelString CTolvaneApplication::GetSessionToken()
{
    return m_session ? m_session->GetSessionToken() : CKetrelString();
}

CKetrelString CTolvaneApplication::GetApplicationCheck()
{
    return m_session ? m_session->GetApplicationCheck() : CKetrelString();
}

void CTolvaneApplication::SendChatRecord(const CBrixChatRecord& record)
{
    if (m_session)
        m_session->SendChatMessage(&record);
}

void CTolvaneApplication::SendGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& results,
                                         i32 abandoned)
{
    if (m_session)
        m_session->SendGameResult(playerIds, results, abandoned);
}

void CTolvaneApplication::SendGameOver(i32 rematch)
{
    if (m_session)
        m_session->SendGameOver(rematch);
}

void CTolvaneApplication::SendLanguageChange(const CKetrelString& code)
{
    if (m_session)
        m_session->ChangeLanguage(code);
}

// ---- the session's host -------------------------------------------------------------------

CKetrelString CTolvaneApplication::GetApplicationToken()
{
    return m_game ? m_game->GetApplicationToken() : CKetrelString();
}

void CTolvaneApplication::GetPlayerLimits(i32* minimum, i32* maximum)
{
    *minimum = m_game ? m_game->GetMinPlayers() : 2;
    *maximum = m_game ? m_game->GetMaxPlayers() : 2;
}

IBrixLanguageStore* CTolvaneApplication::GetLanguageStore(int which)
{
    return which == 0 && m_language ? &m_languageStore : nullptr;
}

CKetrelString CTolvaneApplication::GetThemeDigest()
{
    return m_theme ? m_theme->GetPackDigest() : CKetrelString();
}

CKetrelSurface* CTolvaneApplication::LoadPicture(const u8* data, i32 size)
{
    if (!data || size <= 0)
        return nullptr;
    CKetrelSurface* picture = new (std::nothrow) CKetrelSurface();
    if (!picture)
        return nullptr;
    if (picture->LoadFromMemory(this, data, size, nullptr) != KE_OK)
    {
        delete picture;
        return nullptr;
    }
    return picture;
}

// The application's language as the session updates its packs.
bool CTolvaneApplication::LanguageStore::NeedsUpdate(const CKetrelString& code, const CKetrelString& digest)
{
    CBrixLanguage* language = m_app->GetLanguage();
    return language && language->NeedsUpdate(code, digest) != 0;
}

bool CTolvaneApplication::LanguageStore::HasPack(const CKetrelString& code)
{
    CBrixLanguage* language = m_app->GetLanguage();
    return language && language->IsPackLoaded(code) != 0;
}

void CTolvaneApplication::LanguageStore::AddLanguagePack(const CKetrelString& code)
{
    if (CBrixLanguage* language = m_app->GetLanguage())
        language->AddLanguagePack(code);
}

void CTolvaneApplication::LanguageStore::ReloadLanguagePack(const CKetrelString& code)
{
    if (CBrixLanguage* language = m_app->GetLanguage())
        language->ReloadLanguagePack(code);
}

CKetrelString CTolvaneApplication::LanguageStore::GetBaseName() { return CKetrelString(L"brixlanguage"); }

i32 CTolvaneApplication::IsMatchRequestPending()
{
    return m_session && m_session->IsMatchRequestPending() ? 1 : 0;
}
