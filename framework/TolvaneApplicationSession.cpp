// framework/TolvaneApplicationSession.cpp: the application's requests on the network
// session, and what the game and the toolkit read of it. Without a session each call
// does nothing and each value reads as "none".
#include "framework/TolvaneApplication.h"

#include "framework/BrixChatRecord.h"

u32 CTolvaneApplication::GetSessionStatus() { return m_session ? m_session->GetStatus() : 0; }

void CTolvaneApplication::CloseGameLink()
{
    if (m_session)
        m_session->CloseGameLink();
}

void CTolvaneApplication::RequestMatch(i32, i32) {}

void CTolvaneApplication::CancelMatchRequest() {}

void CTolvaneApplication::SendGameData(const u8*, i32, i32, i32) {}

CKetrelString CTolvaneApplication::GetUrlSuffix() { return CKetrelString(); }

i32 CTolvaneApplication::GetOwnPlayerId() { return -1; }

i32 CTolvaneApplication::GetLobbyPlayerCount() { return 0; }

CBrixPlayer* CTolvaneApplication::GetLobbyPlayer(i32) { return nullptr; }

i32 CTolvaneApplication::GetReleaseId() { return 0; }

CKetrelString CTolvaneApplication::GetSessionToken()
{
    return m_session ? m_session->GetSessionToken() : CKetrelString();
}

CKetrelString CTolvaneApplication::GetApplicationCheck() { return CKetrelString(); }

void CTolvaneApplication::SendChatRecord(const CBrixChatRecord&) {}

void CTolvaneApplication::SendGameResult(const CKetrelArray<i32>&, const CKetrelArray<i32>&, i32) {}

void CTolvaneApplication::SendGameOver(i32) {}

void CTolvaneApplication::SendLanguageChange(const CKetrelString&) {}
