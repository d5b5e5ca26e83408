// net/BrixNetworkSessionDispatch.cpp: what the session does with each whole message
// received on the lobby and game channels.
#include "net/BrixNetworkSession.h"

#include "net/ASN1Messages.h"
#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"
#include "net/BerRules.h"
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"
#include "net/BrixSafeFile.h"
#include "net/BrixSessionHost.h"

#include <stdio.h>

#include <new>

namespace
{
enum
{
    kConnectAck = 2, kLoginReply = 6, kMatchResult = 8, kAchievementList = 11, kGameJoin = 12,
    kGameData = 13, kTournamentScores = 16, kKeyValue = 17, kPlayerList = 20, kRelation = 21,
    kRelationBack = 22, kLanguages = 29, kLanguagePack = 31, kThemePack = 33, kChallenge = 39,
    kChallengeAnswer = 40, kPing = 44, kNotification = 45, kImageAndLink = 52, kLoginChallenge = 58,
    kChat = 64, kChangeNotice = 71, kGameStatus = 72, kGameResults = 75, kAdvertisement = 80,
    kPicture = 85, kItemDataList = 87, kDataChunk = 89, kCoinBalance = 91, kShopGroups = 93,
    kShopItems = 97, kShopItemImage = 100, kBuyItemPlayerInfo = 103, kConfirmBuyItem = 105,
    kUpdateItemState = 106, kConfirmUserName = 108, kConfirmEmail = 110, kGiftItems = 114,
    kConfirmGiftItems = 116
};

const int kRedirectTextLimit = 256;   // longer redirect texts are not read

// Calls fn for each observer of the set in order. It walks a copy, so observers may
// change the set meanwhile; one removed before its turn is skipped.
template <class Observer, class Fn>
void Notify(const CKetrelPtrArray& set, Fn fn)
{
    const i32 count = set.GetCount();
    if (count == 0)
        return;
    CKetrelArray<void*> copy;
    copy.SetSize(count);
    for (i32 i = 0; i < count; ++i)
        copy[i] = set.GetAt(i);
    for (i32 i = 0; i < count; ++i)
    {
        bool present = false;
        for (i32 j = 0; j < set.GetCount() && !present; ++j)
            present = set.GetAt(j) == copy[i];
        if (present)
            fn(static_cast<Observer*>(copy[i]));
    }
}

// The decimal number (with an optional sign) at text[at]; false without a digit.
bool ScanNumber(const CKetrelString& text, int at, i32* number)
{
    i64 value = 0;
    const bool negative = at < text.GetLength() && text.GetAt(at) == '-';
    if (negative || (at < text.GetLength() && text.GetAt(at) == '+'))
        ++at;
    const int digits = at;
    while (at < text.GetLength() && text.GetAt(at) >= '0' && text.GetAt(at) <= '9')
    {
        if (value < 0x7FFFFFFF)
            value = value * 10 + (text.GetAt(at) - '0');
        ++at;
    }
    if (at == digits)
        return false;
    if (value > 0x7FFFFFFF)
        value = 0x7FFFFFFF;
    *number = (i32)(negative ? -value : value);
    return true;
}

// "host:port": the text before the first ':' and the number after it. False unless both
// are there.
bool SplitHostPort(const CKetrelString& text, CKetrelString* host, i32* port)
{
    const int colon = text.Find((u16)':');
    if (colon <= 0 || !ScanNumber(text, colon + 1, port))
        return false;
    *host = CKetrelString(text, 0, colon);
    return true;
}

// Frees a byte block a decoder allocated.
struct BlockGuard
{
    u8* data = nullptr;
    ~BlockGuard() { delete[] data; }
};

struct EntriesGuard
{
    CKetrelPtrArray entries;
    ~EntriesGuard() { BerFreeGamePlayerEntries(&entries); }
};
}

void CBrixNetworkSession::DispatchLobbyMessage(const u8* message, int size)
{
    if (size < 1 || !message)
        return;
    m_idleClock = 0.0f;
    switch (BerGetMessageTag(message))
    {
    case kConnectAck:
        OnConnectAck(message, size);
        break;
    case kLoginReply:
        OnLoginReply(message, size);
        break;
    case kMatchResult:
    {
        EntriesGuard items;
        i32 v1 = -1, v2 = -1, v3 = -1;
        if (BerDecodeMatchResult(message, size, &items.entries, &v1, &v2, &v3) != 1)
            break;
        if (v3 >= 0)
            RebuildLobby(items.entries);
        Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnMatchResult(this, v1, v2, v3); });
        break;
    }
    case kAchievementList:
    {
        i32 v0 = 0, v1 = 0, v2 = 0, v4 = 0;
        CKetrelArray<CAchievementInfo> list;
        CASN1AchievementList decoder(&v0, &v1, &v2, &list, &v4);
        if (decoder.Decode(message, size) > 0)
            Notify<LobbyObserver>(m_lobbyObservers,
                                  [&](LobbyObserver* o) { o->OnAchievementList(v0, v1, v2, list, v4); });
        break;
    }
    case kGameJoin:
    {
        if (m_gameEngine && m_gameEngine->IsConnected(false))
            break;
        CGameJoinInfo join;
        if (BerDecodeGameJoin(message, size, &join) == 1)
            JoinGame(join);
        break;
    }
    case kTournamentScores:
    {
        CKetrelArray<CKetrelString> names;
        CKetrelArray<CUserTournamentScores> scores;
        i32 v2 = 0;
        CASN1TournamentScores decoder(&names, &scores, &v2);
        if (decoder.Decode(message, size) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnTournamentScores(names, scores, v2); });
        break;
    }
    case kKeyValue:
    {
        CKetrelString key, value;
        CASN1KeyValue decoder(&key, &value);
        if (decoder.Decode(message, size) <= 0)
            break;
        for (i32 i = 0; i < m_keyValueRequests.GetCount(); ++i)
        {
            if (m_keyValueRequests[i].key.Compare(key) == 0)
            {
                const KeyValueRoute route = m_keyValueRequests[i];
                if (route.callback)
                    route.callback(key, value, route.context);
                break;
            }
        }
        break;
    }
    case kPlayerList:
        OnPlayerList(message, size);
        break;
    case kRelation:
    case kRelationBack:
    {
        i32 v0 = 0, v1 = 0, v2 = 0, v3 = 0;
        CKetrelString t4, t5;
        if (BerDecodePlayerRelation(message, size, &v0, &v1, &v2, &v3, &t4, &t5) != 1)
            break;
        const bool back = BerGetMessageTag(message) == kRelationBack;
        const i32 playerId = back ? v0 : v1;
        const i32 relation = back ? v2 + 2 : v2;
        Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) {
            o->OnPlayerRelationChanged(this, playerId, relation, v3, t4, t5);
        });
        break;
    }
    case kLanguages:
        OnAvailableLanguages(message, size);
        break;
    case kLanguagePack:
        OnLanguagePack(message, size);
        break;
    case kThemePack:
        OnThemePack(message, size);
        break;
    case kChallenge:
        OnChallengeReceived(message, size);
        break;
    case kChallengeAnswer:
    {
        i32 answer = 0, appGameId = 0, v2 = 0, v3 = 0;
        CKetrelString t4, t5;
        if (BerDecodeChallengeAnswer(message, size, &answer, &appGameId, &v2, &v3, &t4, &t5) == 1)
            Notify<LobbyObserver>(m_lobbyObservers,
                                  [&](LobbyObserver* o) { o->OnChallengeAnswer(this, v2, t4, t5, answer); });
        break;
    }
    case kPing:
    {
        i32 value = -1;
        if (BerDecodePing(message, size, &value) == 1 && value >= 0 && m_lobbyEngine)
            m_lobbyEngine->Send(message, size);
        break;
    }
    case kNotification:
    {
        i32 kind = 0, value = 0;
        CKetrelString text;
        CASN1Notification decoder(&kind, &text, &value);
        if (decoder.Decode(message, size) > 0)
            Notify<StatusObserver>(m_statusObservers, [&](StatusObserver* o) { o->OnNotification(this, kind, value, text); });
        break;
    }
    case kImageAndLink:
    {
        CKetrelString name, t2, t3, t4;
        BlockGuard image;
        i32 imageSize = 0;
        CASN1ImageAndLink decoder(&name, &image.data, &imageSize, &t2, &t3, &t4);
        if (decoder.Decode(message, size) > 0 && imageSize >= 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) {
                o->OnImageAndLink(name, imageSize, image.data, t2, t3, t4);
            });
        break;
    }
    case kLoginChallenge:
    {
        if (!m_loginObserver)
            break;
        CKetrelString challenge, text1;
        if (BerDecodeLoginChallenge(message, size, &challenge, &text1) != 1)
            break;
        LoginObserver* observer = TakeLoginObserver();
        if (challenge.IsEmpty())
        {
            const CKetrelString text = m_host ? m_host->GetLanguageText(LANGUAGE_TEXT_TRY_AGAIN) : CKetrelString();
            observer->OnLoginError(this, text);
        }
        else
            observer->OnLoginChallenge(this, challenge);
        break;
    }
    case kChat:
    {
        CBrixChatRecord record;
        CASN1ChatMessage decoder(&record.kind, &record.text, &record.senderId);
        if (decoder.Decode(message, size) > 0 && m_host)
            m_host->ShowChatNotice(record, 1);
        break;
    }
    case kChangeNotice:
    case kCoinBalance:
    {
        i32 number = -1, value = -1;
        const CBerFpInt1 record = {&number, &value};
        if (BerFpDecode(message, size, record) <= 0)
            break;
        if (BerGetMessageTag(message) == kChangeNotice)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnChangeNotice(value); });
        else
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnCoinBalance(value); });
        break;
    }
    case kGameResults:
    {
        CKetrelPtrArray items;
        if (BerDecodeGameResults(message, size, &items) == 1)
        {
            for (i32 i = 0; i < items.GetCount(); ++i)
            {
                const CGameResultItem* item = static_cast<const CGameResultItem*>(items.GetAt(i));
                Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnGameResultItem(this, i, *item); });
            }
        }
        BerFreeGameResultItems(&items);
        break;
    }
    case kAdvertisement:
    {
        CKetrelString t0, t1, t6, t8, t9;
        BlockGuard image;
        i32 imageSize = 0, v3 = 0, v4 = 0, v7 = 0;
        CKetrelArray<i32> values;
        CASN1AdvertisementInfo decoder(&t0, &t1, &image.data, &imageSize, &v3, &v4, &values, &t6, &v7, &t8, &t9);
        if (decoder.Decode(message, size) > 0 && imageSize >= 0)
            Notify<AdvertisementObserver>(m_advertisementObservers, [&](AdvertisementObserver* o) {
                o->OnAdvertisementInfo(t0, t1, imageSize, image.data, v3, v4, values, t6, v7, t8, t9);
            });
        break;
    }
    case kPicture:
        OnPicture(message, size);
        break;
    case kItemDataList:
    {
        CKetrelArray<CItemData> list;
        CBerFpItemDataList record = {-1, &list};
        if (BerFpDecode(message, size, record) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnItemDataList(list); });
        break;
    }
    case kDataChunk:
    {
        i32 v0 = 0, v1 = 0, count = 0, v3 = 0;
        BlockGuard bytes;
        CBerFpDataChunk record = {-1, &v0, &v1, &bytes.data, &count, &v3};
        if (BerFpDecode(message, size, record) > 0 && bytes.data && count > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnDataChunk(v0, v1, bytes.data, count, v3); });
        break;
    }
    case kShopGroups:
    {
        i32 flags = 0;
        CKetrelArray<CShopGroupData> list;
        CBerFpShopGroups record = {-1, &flags, &list};
        if (BerFpDecode(message, size, record) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnShopGroups(flags, list); });
        break;
    }
    case kShopItems:
    {
        i32 v0 = 0, v1 = 0;
        CKetrelArray<CShopItemData> list;
        CBerFpShopItems record = {-1, &v0, &v1, &list};
        if (BerFpDecode(message, size, record) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnShopItems(v0, v1, list); });
        break;
    }
    case kShopItemImage:
    {
        i32 v0 = 0, v1 = 0, count = 0;
        BlockGuard bytes;
        CBerFpPicture record = {-1, &v0, &v1, &bytes.data, &count};
        if (BerFpDecode(message, size, record) > 0 && bytes.data && count >= 1)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnShopItemImage(v0, v1, bytes.data, count); });
        break;
    }
    case kBuyItemPlayerInfo:
    {
        i32 v0 = 0, v1 = 0;
        CKetrelString text;
        CKetrelArray<CBuyItemPlayerInfo> list;
        CBerFpBuyItemPlayerInfo record(&v0, &v1, &text, &list);
        if (BerFpDecode(message, size, record) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnBuyItemPlayerInfo(v0, v1, text, list); });
        break;
    }
    case kConfirmBuyItem:
    case kConfirmGiftItems:
    {
        i32 v0 = 0, v1 = 0;
        CKetrelString text;
        const bool gift = BerGetMessageTag(message) == kConfirmGiftItems;
        int decoded = 0;
        if (gift)
        {
            CASN1ConfirmBuyPlayerItemsResponse decoder(&v0, &v1, &text);
            decoded = decoder.Decode(message, size);
        }
        else
        {
            CASN1ConfirmBuyItemResponse decoder(&v0, &v1, &text);
            decoded = decoder.Decode(message, size);
        }
        if (decoded <= 0)
            break;
        Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) {
            if (gift)
                o->OnConfirmBuyPlayerItemsResponse(v0, v1, text);
            else
                o->OnConfirmBuyItemResponse(v0, v1, text);
        });
        break;
    }
    case kUpdateItemState:
    {
        i32 v0 = 0, v1 = 0, v3 = 0;
        CKetrelString text;
        CASN1UpdateItemStateResponse decoder(&v0, &v1, &text, &v3);
        if (decoder.Decode(message, size) > 0)
            Notify<LobbyObserver>(m_lobbyObservers,
                                  [&](LobbyObserver* o) { o->OnUpdateItemStateResponse(v0, v1, text, v3); });
        break;
    }
    case kConfirmUserName:
    case kConfirmEmail:
    {
        // The observer is released even when the reply does not decode.
        LoginObserver* observer = TakeLoginObserver();
        if (!observer)
            break;
        i32 result = 0;
        CKetrelString text;
        if (BerGetMessageTag(message) == kConfirmUserName)
        {
            CASN1ConfirmUserNameACK decoder(&result, &text);
            if (decoder.Decode(message, size) > 0)
                observer->OnConfirmUserNameAck(this, result, text);
        }
        else
        {
            CASN1ConfirmEmailACK decoder(&result, &text);
            if (decoder.Decode(message, size) > 0)
                observer->OnConfirmEmailAck(this, result, text);
        }
        break;
    }
    case kGiftItems:
    {
        i32 v0 = 0;
        CKetrelString text;
        CKetrelArray<CShopItemData> items;
        CASN1PlayerGiftItems decoder(&v0, &text, &items);
        if (decoder.Decode(message, size) > 0)
            Notify<LobbyObserver>(m_lobbyObservers, [&](LobbyObserver* o) { o->OnPlayerGiftItems(v0, text, items); });
        break;
    }
    default:
        break;
    }
}

void CBrixNetworkSession::DispatchGameMessage(const u8* message, int size)
{
    if (size < 1 || !message)
        return;
    switch (BerGetMessageTag(message))
    {
    case kGameData:
    {
        i32 blockSize = 0;
        if (m_gameData && BerDecodeGameData(message, size, m_gameData, GAME_DATA_BUFFER, &blockSize) == 1 &&
            blockSize >= 0 && blockSize <= GAME_DATA_BUFFER)
        {
            const u8* data = m_gameData;
            Notify<GameObserver>(m_gameObservers, [&](GameObserver* o) { o->OnGameData(this, data, blockSize); });
        }
        break;
    }
    case kGameJoin:
    {
        CGameJoinInfo join;
        if (BerDecodeGameJoin(message, size, &join) != 1)
            break;
        RebuildLobby(join.players);
        Notify<GameObserver>(m_gameObservers,
                             [&](GameObserver* o) { o->OnGamePlayersChanged(this, m_ownPlayerId, m_joinFlag); });
        break;
    }
    case kPing:
    {
        i32 value = -1;
        if (BerDecodePing(message, size, &value) == 1 && value >= 0 && m_gameEngine)
            m_gameEngine->Send(message, size);
        break;
    }
    case kGameStatus:
    {
        i64 gameId = 0;
        i32 status = 0;
        if (BerDecodeGameStatus(message, size, &gameId, &status) == 1 && gameId == m_gameId)
            Notify<GameObserver>(m_gameObservers, [&](GameObserver* o) { o->OnGameStatus(this, status); });
        break;
    }
    default:
        DispatchLobbyMessage(message, size);
        break;
    }
}

// ---- replies with more to do ----

void CBrixNetworkSession::OnConnectAck(const u8* message, int size)
{
    CKetrelString text0, text2;
    i32 result = 0, release = 0;
    CASN1ConnectACK decoder(&text0, &result, &text2, &release);
    if (decoder.Decode(message, size) <= 0)
        return;
    if (release > 0)
    {
        m_releaseNumber = release;
        BuildUrlSuffix();
    }
    if (result >= 0)
    {
        SetLobbyLinkStatus(LOBBY_CONNECTED);
        return;
    }
    if (m_loginObserver)
    {
        if (result == -3)
        {
            CKetrelString host;
            i32 port = 0;
            if (text2.GetLength() < kRedirectTextLimit && SplitHostPort(text2, &host, &port))
            {
                if (m_host)
                    m_host->RedirectServer(host, port);
                return;
            }
        }
        else if (result == -1)
            m_loginObserver->OnConnectRefused(this, text2);
        else if (m_loginObserver)
            m_loginObserver->OnLoginError(this, text0);
    }
    Close();
}

void CBrixNetworkSession::OnLoginReply(const u8* message, int size)
{
    if (!m_loginObserver)
    {
        m_loginTimer = -1.0f;
        return;   // none asked, or the answer came after the time-out was reported
    }
    i32 result = 0, value4 = 0;
    CKetrelString text1, text2, text3, text5;
    // A reply that does not decode leaves the time-out running, so the observer still
    // hears of the failure.
    if (BerDecodeLoginReply(message, size, &result, &text1, &text2, &text3, &value4, &text5) != 1)
        return;
    m_loginTimer = -1.0f;
    LoginObserver* observer = TakeLoginObserver();
    if (result < 0)
    {
        CKetrelString text;
        if (result == -8 || result == -1)
            text = text1;
        else if (m_host)
        {
            const i32 index = result == -7   ? LANGUAGE_TEXT_LOGIN_32
                              : result == -4 ? LANGUAGE_TEXT_LOGIN_31
                              : (result == -3 || result == -2) ? LANGUAGE_TEXT_TRY_AGAIN
                                                                : LANGUAGE_TEXT_NO_REPLY;
            text = m_host->GetLanguageText(index);
        }
        observer->OnLoginError(this, text);
        return;
    }
    m_ownPlayerId = result;
    m_sessionToken = text1;
    RequestLanguageList();
    RequestThemePack();
    SetLobbyLinkStatus(LOBBY_LOGGED_IN);
    observer->OnLoggedIn(this, result, text3, text1, text2, text5, value4);
}

void CBrixNetworkSession::OnChallengeReceived(const u8* message, int size)
{
    i64 gameId = 0;
    i32 challengerId = 0, v4 = -1, v5 = -1;
    CKetrelString name, text3;
    CASN1ChallengeReceived decoder(&gameId, &challengerId, &name, &text3, &v4, &v5);
    if (decoder.Decode(message, size) <= 0)
        return;
    const bool busy = m_matchRequestPending || (m_gameEngine && m_gameEngine->IsConnected(false));
    if (busy)
    {
        AnswerChallenge(challengerId, 0, CKetrelString());
        return;
    }
    Notify<LobbyObserver>(m_lobbyObservers,
                          [&](LobbyObserver* o) { o->OnChallengeReceived(this, challengerId, name, text3, v4, v5); });
    CKetrelArray<i32> ids;
    ids.Add(challengerId);
    RequestTournamentScores(ids, 8, 1);
    m_challengerId = challengerId;
}

void CBrixNetworkSession::OnPlayerList(const u8* message, int size)
{
    i32 total = 0, first = 0, listId = 0;
    CKetrelArray<CPlayerListItem> items;
    CKetrelArray<CGroupListItem> groups;
    CASN1PlayerList decoder(&total, &first, &listId, &items, &groups);
    if (decoder.Decode(message, size) <= 0)
        return;
    const i32 high = first < 0 ? -1 : listId;
    const i64 key = (i64)(((u64)(u32)high << 32) | (u32)first);
    const i32 at = FindRoute(m_playerListRequests, key);
    if (at < 0)
        return;
    const PlayerListRoute route = m_playerListRequests[at];
    if (first < 0 && route.callback)
        route.callback(route.context, listId, first, total, groups.GetCount() > 0 ? &groups : nullptr, nullptr,
                       nullptr, 0);
    CKetrelArray<i32> ids;
    for (i32 i = 0; i < items.GetCount(); ++i)
    {
        if (route.callback)
            route.callback(route.context, listId, first + i, total, nullptr, &items[i], nullptr, 0);
        const i64 playerId = items[i].id;
        ids.Add(items[i].id);
        PlayerListRoute image = route;
        image.key = playerId;
        const i32 existing = FindRoute(m_playerImageRoutes, playerId);
        if (existing >= 0)
            m_playerImageRoutes[existing] = image;
        else
            m_playerImageRoutes.Add(image);
    }
    if (first >= 0)
    {
        int a = 2, b = 1;
        if (listId & (0x40 | 0x80))
            a = 4, b = 1;
        else if (listId & 0x100)
            a = 32, b = 1;
        else if (listId & 0x20)
            a = 1, b = 0;
        RequestTournamentScores(ids, a, b);
    }
    // A callback may have removed or replaced the request meanwhile.
    const i32 now = FindRoute(m_playerListRequests, key);
    if (now >= 0)
        m_playerListRequests.RemoveAt(now);
}

void CBrixNetworkSession::OnPicture(const u8* message, int size)
{
    i32 playerId = 0, value1 = 0, count = 0;
    BlockGuard bytes;
    if (BerDecodePicture(message, size, &playerId, &value1, &bytes.data, &count) != 1)
        return;
    if (m_imageRequested && m_imageCallback)
    {
        const ImageCallback callback = m_imageCallback;
        void* context = m_imageContext;
        const CKetrelString name = m_imageName;
        m_imageRequested = 0;
        m_imageCallback = nullptr;
        m_imageTimer = -1.0f;
        CKetrelSurface* picture = m_host && bytes.data ? m_host->LoadPicture(bytes.data, count) : nullptr;
        callback(picture, name, context, 0.0f);
    }
    const i32 at = FindRoute(m_playerImageRoutes, (i64)playerId);
    if (at >= 0)
    {
        const PlayerListRoute route = m_playerImageRoutes[at];
        m_playerImageRoutes.RemoveAt(at);
        if (route.callback)
            route.callback(route.context, 0, playerId, 0, nullptr, nullptr, bytes.data, count);
    }
    else if (playerId == m_challengerId && m_challengerId != -1)
    {
        m_challengerId = -1;
        Notify<LobbyObserver>(m_lobbyObservers,
                              [&](LobbyObserver* o) { o->OnChallengerImage(this, playerId, bytes.data, count); });
    }
}

// ---- the room and the game link ----

void CBrixNetworkSession::RebuildLobby(const CKetrelPtrArray& entries)
{
    if (!m_lobby)
        return;
    m_lobby->Clear();
    for (i32 i = 0; i < entries.GetCount(); ++i)
    {
        const CGamePlayerEntry* entry = static_cast<const CGamePlayerEntry*>(entries.GetAt(i));
        CBrixPlayer* player = m_lobby->FindById(entry->playerId);
        if (!player)
        {
            player = new (std::nothrow) CBrixPlayer();
            if (!player)
                continue;
            if (!m_lobby->Add(player))
            {
                delete player;   // beyond the room's capacity
                continue;
            }
        }
        player->SetFromListItem(*entry);
        player->SetIndex(i);
    }
}

int CBrixNetworkSession::JoinGame(const CGameJoinInfo& join)
{
    RebuildLobby(join.players);
    // "host:port"; a text without ':' is the host alone, and a port that does not scan
    // stays 0.
    CKetrelString host(join.server);
    i32 port = 0;
    const int colon = join.server.Find((u16)':');
    if (colon >= 0)
    {
        host = CKetrelString(join.server, 0, colon);
        if (!ScanNumber(join.server, colon + 1, &port))
            port = 0;
    }
    m_gameId = join.gameId;
    if (!m_gameEngine)
        return 0;
    const int rc = m_gameEngine->Connect(host, port);
    if (rc == 1)
    {
        m_matchRequestPending = 0;
        m_joinFlag = join.flag2;
    }
    return rc;
}

// ---- language and theme packs ----

void CBrixNetworkSession::OnAvailableLanguages(const u8* message, int size)
{
    CKetrelArray<CLanguageInfo> languages;
    CASN1AvailableLanguagesList decoder(&languages);
    if (!m_host || decoder.Decode(message, size) <= 0)
        return;
    for (i32 i = 0; i < languages.GetCount(); ++i)
    {
        const CLanguageInfo& entry = languages[i];
        IBrixLanguageStore* store = m_host->GetLanguageStore(entry.base.CompareNoCase("game") == 0 ? 1 : 0);
        if (store && store->NeedsUpdate(entry.code, entry.digest))
            RequestLanguagePack(entry.code, entry.base);
        if (!m_host)
            return;   // the session was shut down from inside a request
    }
}

// Writes a received pack into the user data folder, refusing names that could leave it.
bool CBrixNetworkSession::SavePack(const CKetrelString& name, const u8* data, i32 size)
{
    if (!m_host)
        return false;
    const int rc = BrixWriteFileSafely(m_host->GetUserDataFolder(), name, data, size);
    if (rc != 1)
    {
        char narrow[80] = {0};
        if (name.GetLength() < 64)
            name.ToNarrow(narrow);
        fprintf(stderr, "network session: pack \"%s\" not saved (%d)\n", narrow, rc);
    }
    return rc == 1;
}

void CBrixNetworkSession::OnLanguagePack(const u8* message, int size)
{
    CKetrelString code, base, text2;
    i32 value3 = 0, packSize = 0;
    BlockGuard pack;
    CASN1LanguagePack decoder(&code, &base, &text2, &value3, &pack.data, &packSize);
    if (!m_host || decoder.Decode(message, size) <= 0 || packSize < 0)
        return;
    IBrixLanguageStore* store = m_host->GetLanguageStore(base.CompareNoCase("game") == 0 ? 1 : 0);
    if (!store)
        return;
    if (base.CompareNoCase("game") == 0)
        base = store->GetBaseName();
    // Each part on its own must be a safe name, so "_" cannot join two unsafe halves.
    if (!BrixIsSafeFileName(base) || !BrixIsSafeFileName(code))
    {
        fprintf(stderr, "network session: language pack with an unusable name refused\n");
        return;
    }
    CKetrelString fileName;
    fileName.Format(L"%s_%s.vad", base, code);
    if (!SavePack(fileName, pack.data, packSize))
        return;
    if (store->HasPack(code))
        store->ReloadLanguagePack(code);
    else
        store->AddLanguagePack(code);
    if (m_host && m_host->GetLanguageCode().CompareNoCase(code) == 0)
        m_host->SetLanguage(code);
}

void CBrixNetworkSession::OnThemePack(const u8* message, int size)
{
    CKetrelString name, text1;
    i32 packSize = 0;
    BlockGuard pack;
    CASN1ThemePack decoder(&name, &text1, &pack.data, &packSize);
    if (!m_host || decoder.Decode(message, size) <= 0 || packSize < 0)
        return;
    if (!BrixIsSafeFileName(name))
    {
        fprintf(stderr, "network session: theme pack with an unusable name refused\n");
        return;
    }
    CKetrelString fileName;
    fileName.Format(L"brixtheme_%s.vad", name);
    if (SavePack(fileName, pack.data, packSize))
        m_host->SetTheme(name);
}
