// framework/TolvaneApplicationObservers.cpp: the session's observers, the game's host
// operations and the session's host operations.
#include "framework/TolvaneApplication.h"

#include "engine/KetrelResult.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixDevice.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixStatsStore.h"
#include "engine/graphics/KetrelGraphicsContext.h"

// ---- link status --------------------------------------------------------------------------

void CTolvaneApplication::OnLobbyLinkStatusChanged(CBrixNetworkSession*, int status)
{
    if (status == 0)
    {
        m_lobbyLinkUp = 0;
        if (!m_menuSwitching)
            HideAdvertisement();
        if (FirstLobby() && m_game)
            m_game->OnLobbyLinkDown(m_menuSwitching);
    }
    else if (status == 1)
        m_lobbyLinkUp = 1;
    if (IBrixLobbyState* lobby = FirstLobby())
        lobby->OnLobbyLinkStatus(status);
}

void CTolvaneApplication::OnGameLinkStatusChanged(CBrixNetworkSession*, int status)
{
    if (status == 0)
    {
        m_gameLinkUp = 0;
        if (FirstLobby() && m_game)
            m_game->OnGameLinkDown(m_menuSwitching || m_resultReported ? 1 : 0);
    }
    else if (status == CBrixNetworkSession::GAME_CONNECTED)
        m_gameLinkUp = 1;
    if (IBrixLobbyState* lobby = FirstLobby())
        lobby->OnGameLinkStatus(status);
    if (m_settings)
        m_settings->Save();
}

void CTolvaneApplication::OnNotification(CBrixNetworkSession*, int, int kind, const CKetrelString& text)
{
    ShowNotification(0, text, 0.0f, kind);
}

// ---- lobby channel ------------------------------------------------------------------------

// The session hands over (first value, game id, code); only this game's results, among
// them the server's log-out codes -1 and -2, reach the lobby.
void CTolvaneApplication::OnMatchResult(CBrixNetworkSession* session, int value1, int gameId, int code)
{
    if (m_lobby && gameId == GetGameId())
        m_lobby->OnMatchResult(session, value1, gameId, code);
}

void CTolvaneApplication::OnPlayerRelationChanged(CBrixNetworkSession* session, int playerId, int relation,
                                                  int value, const CKetrelString& text4,
                                                  const CKetrelString& text5)
{
    if (m_lobby)
        m_lobby->OnPlayerRelationChanged(session, playerId, relation, value, text4, text5);
}

void CTolvaneApplication::OnGameResultItem(CBrixNetworkSession* session, int index,
                                           const CGameResultItem& item)
{
    if (m_lobby)
        m_lobby->OnGameResultItem(session, index, item);
}

void CTolvaneApplication::OnChallengeReceived(CBrixNetworkSession* session, int challengerId,
                                              const CKetrelString& name, const CKetrelString& text3,
                                              int value4, int value5)
{
    if (m_lobby)
        m_lobby->OnChallengeReceived(session, challengerId, name, text3, value4, value5);
}

void CTolvaneApplication::OnChallengeAnswer(CBrixNetworkSession* session, int playerId,
                                            const CKetrelString& text4, const CKetrelString& text5,
                                            int answer)
{
    if (m_lobby)
        m_lobby->OnChallengeAnswer(session, playerId, text4, text5, answer);
}

void CTolvaneApplication::OnChallengerImage(CBrixNetworkSession* session, int playerId, const u8* image,
                                            int imageSize)
{
    if (m_lobby)
        m_lobby->OnChallengerImage(session, playerId, image, imageSize);
}

void CTolvaneApplication::OnChangeNotice(int value)
{
    if (m_lobby)
        m_lobby->OnChangeNotice(value);
}

void CTolvaneApplication::OnItemDataList(const CKetrelArray<CItemData>& items)
{
    if (m_lobby)
        m_lobby->OnItemDataList(items);
}

void CTolvaneApplication::OnDataChunk(int itemId, int offset, const u8* data, int size, int value3)
{
    if (m_lobby)
        m_lobby->OnDataChunk(itemId, offset, data, size, value3);
}

void CTolvaneApplication::OnCoinBalance(int coins)
{
    if (m_lobby)
        m_lobby->OnCoinBalance(coins);
}

void CTolvaneApplication::OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& groups)
{
    if (m_lobby)
        m_lobby->OnShopGroups(flags, groups);
}

void CTolvaneApplication::OnShopItems(int value0, int value1, const CKetrelArray<CShopItemData>& items)
{
    if (m_lobby)
        m_lobby->OnShopItems(value0, value1, items);
}

void CTolvaneApplication::OnShopItemImage(int itemId, int value1, const u8* image, int imageSize)
{
    if (m_lobby)
        m_lobby->OnShopItemImage(itemId, value1, image, imageSize);
}

void CTolvaneApplication::OnBuyItemPlayerInfo(int value0, int value1, const CKetrelString& text,
                                              const CKetrelArray<CBuyItemPlayerInfo>& players)
{
    if (m_lobby)
        m_lobby->OnBuyItemPlayerInfo(value0, value1, text, players);
}

void CTolvaneApplication::OnConfirmBuyItemResponse(int value0, int value1, const CKetrelString& text)
{
    if (m_lobby)
        m_lobby->OnConfirmBuyItemResponse(value0, value1, text);
}

void CTolvaneApplication::OnUpdateItemStateResponse(int value0, int value1, const CKetrelString& text,
                                                    int value3)
{
    if (m_lobby)
        m_lobby->OnUpdateItemStateResponse(value0, value1, text, value3);
}

void CTolvaneApplication::OnPlayerGiftItems(int value0, const CKetrelString& text1,
                                            const CKetrelArray<CShopItemData>& items)
{
    if (m_lobby)
        m_lobby->OnPlayerGiftItems(value0, text1, items);
}

void CTolvaneApplication::OnConfirmBuyPlayerItemsResponse(int value0, int value1, const CKetrelString& text)
{
    if (m_lobby)
        m_lobby->OnConfirmBuyPlayerItemsResponse(value0, value1, text);
}

void CTolvaneApplication::OnAchievementList(int value0, int value1, int value2,
                                            const CKetrelArray<CAchievementInfo>& list, int value4)
{
    if (m_lobby)
        m_lobby->OnAchievementList(value0, value1, value2, list, value4);
}

void CTolvaneApplication::OnTournamentScores(const CKetrelArray<CKetrelString>& names,
                                             const CKetrelArray<CUserTournamentScores>& scores, int value2)
{
    if (m_lobby)
        m_lobby->OnTournamentScores(names, scores, value2);
}

void CTolvaneApplication::OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image,
                                         const CKetrelString& text2, const CKetrelString& text3,
                                         const CKetrelString& text4)
{
    if (m_lobby)
        m_lobby->OnImageAndLink(name, imageSize, image, text2, text3, text4);
}

// ---- game channel -------------------------------------------------------------------------

void CTolvaneApplication::OnGameData(CBrixNetworkSession*, const u8* data, int size)
{
    if (m_game)
        m_game->OnGameData(data, size);
}

void CTolvaneApplication::OnGamePlayersChanged(CBrixNetworkSession*, int, int match)
{
    m_pendingAnswer = -1;
    if (m_lobby)
        m_lobby->BeginMatch();
    if (m_game)
        m_game->StartMatch(match);
    if (m_device)
        m_device->Vibrate(0);
}

void CTolvaneApplication::OnGameStatus(CBrixNetworkSession*, int playerId)
{
    if (m_game && playerId == m_game->GetUserId())
        return;
    CBrixChatRecord notice;
    notice.kind = BRIX_CHAT_ABANDONED;
    notice.senderId = playerId;
    ShowChatNotice(notice, 1);
    if (m_game)
        m_game->OnPlayerLeft(playerId);
}

// ---- advertisements -----------------------------------------------------------------------

void CTolvaneApplication::OnAdvertisementInfo(const CKetrelString& text0, const CKetrelString& text1,
                                              int imageSize, const u8* image, int value3, int value4,
                                              const CKetrelArray<i32>& values, const CKetrelString& text6,
                                              int value7, const CKetrelString& text8,
                                              const CKetrelString& text9)
{
    ShowAdvertisement(text0, text1, imageSize, image, value3, value4, values, text6, value7, text8, text9);
}

// ---- the session's host -------------------------------------------------------------------

CKetrelString CTolvaneApplication::GetLanguageText(i32 index)
{
    return m_language ? m_language->GetText(index) : CKetrelString();
}

void CTolvaneApplication::GetClientInfo(CBrixClientInfo* info)
{
    if (!info)
        return;
    info->appGameId = GetGameId();
    info->version = GetGameVersion();
    if (m_device)
    {
        const CBrixDeviceInfo& device = m_device->GetInfo();
        info->model = device.model;
        info->osVersion = device.osVersion;
        info->deviceId = device.deviceId;
        info->osName = device.osName;
        info->userAgent = device.spare;
    }
    info->resellerId = GetResellerId();
    info->languageCode = m_language ? m_language->GetCurrentCode() : CKetrelString();
    info->screenWidth = GetScreenWidth();
    info->screenHeight = GetScreenHeight();
}
