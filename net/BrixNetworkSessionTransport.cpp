// net/BrixNetworkSessionTransport.cpp: everything the session sends: the client hello,
// the log-in family, the lobby, shop and challenge requests, the game channel's
// messages, the keep-alive, and the texts of web links.
#include "net/BrixNetworkSession.h"

#include "engine/KetrelMD5.h"
#include "net/ASN1Messages.h"
#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"
#include "net/BerRules.h"
#include "net/BrixLobby.h"
#include "net/BrixSessionHost.h"

#include <time.h>

#include <new>
#include <random>

namespace
{
enum
{
    kLogin = 5, kMatchRequest = 7, kGamePlayers = 18, kChallenge = 38, kPlayerRelation = 21,
    kGameOver = 70, kDataChunk = 88, kCoinBalance = 90, kShopGroups = 92, kRequest94 = 94,
    kItemsPage = 96, kItemState = 98, kRequest101 = 101, kBuyItem = 102, kConfirmBuyItem = 104,
    kAdvertisementClosed = 112, kGiftItems = 113, kImageAndLink = 51
};

const wchar_t* const kFrameVersion = L"2.05";

// A message encoded with encode(buffer, capacity), after asking it for the size, into a
// buffer of its own; empty when it cannot be encoded or no buffer can be had.
class CEncodedMessage
{
public:
    template <class Encode>
    explicit CEncodedMessage(Encode encode)
    {
        const int size = encode(nullptr, 0);
        if (size <= 0)
            return;
        m_data = new (std::nothrow) u8[size];
        if (m_data && encode(m_data, size) == size)
            m_size = size;
    }
    ~CEncodedMessage() { delete[] m_data; }
    CEncodedMessage(const CEncodedMessage&) = delete;
    CEncodedMessage& operator=(const CEncodedMessage&) = delete;

    bool Ok() const { return m_size > 0; }
    // 1 when handed to the engine.
    int SendOn(CSocketEngine* engine) const
    {
        if (!Ok())
            return 0;
        engine->Send(m_data, m_size);
        return 1;
    }

private:
    u8* m_data = nullptr;
    int m_size = 0;
};

// 1 when handed to the engine; 0 when it cannot be encoded or no buffer can be had.
template <class Encode>
int EncodeAndSend(CSocketEngine* engine, Encode encode)
{
    return CEncodedMessage(encode).SendOn(engine);
}

template <class Record>
int SendFieldPointer(CSocketEngine* engine, const Record& record)
{
    return EncodeAndSend(engine, [&](u8* buffer, int capacity) { return BerFpEncode(buffer, capacity, record); });
}

int SendNone(CSocketEngine* engine, i32 number)
{
    const CBerFpNone record = {&number};
    return SendFieldPointer(engine, record);
}

int SendInts(CSocketEngine* engine, i32 number, i32 a)
{
    const CBerFpInt1 record = {&number, &a};
    return SendFieldPointer(engine, record);
}

int SendInts(CSocketEngine* engine, i32 number, i32 a, i32 b)
{
    const CBerFpInt2 record = {&number, &a, &b};
    return SendFieldPointer(engine, record);
}

int SendInts(CSocketEngine* engine, i32 number, i32 a, i32 b, i32 c)
{
    const CBerFpInt3 record = {&number, &a, &b, &c};
    return SendFieldPointer(engine, record);
}

i32 AsFlag(int value) { return value != 0 ? 1 : 0; }
}

// ---- guards ----

bool CBrixNetworkSession::LobbyLive()
{
    // Asking with notify reports a lost link at once, which closes both links.
    return m_lobbyEngine && m_lobbyEngine->IsConnected(true);
}

// ---- client hello, ping ----

void CBrixNetworkSession::SendClientHello()
{
    if (!m_lobbyEngine || !m_host)
        return;
    CBrixClientInfo info;
    m_host->GetClientInfo(&info);
    CBerClientHello hello;
    hello.helloText.Format(L"standalone-id:%d;full-version:%d;standalone-version:%s;opengl:%d;"
                           L"user-agent:%s;frame-version:%s;lang_code:%s",
                           info.appGameId, 1, info.version, 1, info.userAgent, kFrameVersion,
                           info.languageCode);
    hello.width = info.screenWidth;
    hello.height = info.screenHeight;
    hello.model = info.model;
    hello.osVersion = info.osVersion;
    hello.resellerId = info.resellerId;
    hello.deviceId = info.deviceId;
    hello.osName = info.osName;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeClientHello(buffer, capacity, hello);
    });
}

void CBrixNetworkSession::SendPing()
{
    auto ping = [](u8* buffer, int capacity) { return BerEncodePing(buffer, capacity, -1); };
    if (m_lobbyEngine && m_lobbyEngine->IsConnected(true))
        EncodeAndSend(m_lobbyEngine, ping);
    if (m_gameEngine && m_gameEngine->IsConnected(false))
        EncodeAndSend(m_gameEngine, ping);
}

// ---- log-in family ----

CBrixNetworkSession::LoginObserver* CBrixNetworkSession::TakeLoginObserver()
{
    LoginObserver* observer = m_loginObserver;
    m_loginObserver = nullptr;
    return observer;
}

int CBrixNetworkSession::Login(const CKetrelString& user, const CKetrelString& password,
                               LoginObserver* observer)
{
    if ((m_status & 0xFF) == LOBBY_CLOSED || !m_lobbyEngine)
        return 0;
    const CKetrelString empty;
    const CEncodedMessage message([&](u8* buffer, int capacity) {
        return BerEncodeLogin(buffer, capacity, user, password, 1, empty);
    });
    if (!message.Ok())
        return 0;
    SetLobbyLinkStatus(LOBBY_LOGGING_IN);
    m_loginTimer = 0.0f;
    m_loginObserver = observer;
    return message.SendOn(m_lobbyEngine);
}

int CBrixNetworkSession::ExternalLogin(int type, const CKetrelString& text1, const CKetrelString& text2,
                                       const CKetrelString& text3, const CKetrelString& text4,
                                       LoginObserver* observer)
{
    if ((m_status & 0xFF) == LOBBY_CLOSED || !m_lobbyEngine)
        return 0;
    i32 kind = type;
    CKetrelString t1(text1), t2(text2), t3(text3), t4(text4);
    CASN1ExternalLogin message(&kind, &t1, &t2, &t3, &t4);
    u8* data = nullptr;
    int size = 0;
    if (message.EncodeNew(&data, &size) != 1)
        return 0;
    SetLobbyLinkStatus(LOBBY_LOGGING_IN);
    m_loginTimer = 0.0f;
    m_loginObserver = observer;
    m_lobbyEngine->Send(data, size);
    delete[] data;
    return 1;
}

int CBrixNetworkSession::RequestLoginChallenge(const CKetrelString& user, LoginObserver* observer)
{
    if (!m_lobbyEngine || (m_loginObserver && m_loginObserver != observer))
        return 0;
    const CEncodedMessage message([&](u8* buffer, int capacity) {
        return BerEncodeLoginChallengeRequest(buffer, capacity, user);
    });
    if (!message.Ok())
        return 0;
    m_loginObserver = observer;
    return message.SendOn(m_lobbyEngine);
}

void CBrixNetworkSession::ConfirmUserName(const CKetrelString& name, LoginObserver* observer)
{
    if ((m_loginObserver && m_loginObserver != observer) || !LobbyLive())
        return;
    CKetrelString text(name);
    CASN1ConfirmUserName message(&text);
    m_loginObserver = observer;
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::ConfirmEmail(const CKetrelString& text0, const CKetrelString& text1,
                                       const CKetrelString& text2, int value3, const CKetrelString& text4,
                                       const CKetrelString& text5, LoginObserver* observer)
{
    if ((m_loginObserver && m_loginObserver != observer) || !LobbyLive())
        return;
    CKetrelString t0(text0), t1(text1), t2(text2), t4(text4), t5(text5);
    i32 v3 = value3;
    CASN1ConfirmEmail message(&t0, &t1, &t2, &v3, &t4, &t5);
    m_loginObserver = observer;
    message.Send(m_lobbyEngine);
}

// Only once logged in (the lobby byte, not the game bits, says so).
void CBrixNetworkSession::SendLogout()
{
    if (!m_lobbyEngine || !m_lobbyEngine->IsConnected(false) || (m_status & 0xFF) <= LOBBY_CONNECTED)
        return;
    EncodeAndSend(m_lobbyEngine, [](u8* buffer, int capacity) { return BerEncodeLogout(buffer, capacity); });
}

// ---- languages, themes, key values ----

void CBrixNetworkSession::RequestLanguageList()
{
    if (!LobbyLive())
        return;
    CASN1_Message message(ASN1LanguageListRequest);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestLanguagePack(const CKetrelString& code, const CKetrelString& packBase)
{
    if (!LobbyLive())
        return;
    CKetrelString c(code), b(packBase);
    CASN1GetLanguagePack message(&c, &b);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::ChangeLanguage(const CKetrelString& code)
{
    if (!LobbyLive())
        return;
    CKetrelString c(code);
    CASN1ChangeLanguageMessage message(&c);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestThemePack()
{
    if (!LobbyLive())
        return;
    CKetrelString digest = m_host ? m_host->GetThemeDigest() : CKetrelString();
    CASN1GetThemePack message(&digest);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::GetKeyValue(const CKetrelString& key, KeyValueCallback callback, void* context)
{
    if (!LobbyLive())
        return;
    CKetrelString k(key);
    CASN1GetKeyValue message(&k);
    if (message.Send(m_lobbyEngine) != 1 || !callback || !context)
        return;
    for (i32 i = 0; i < m_keyValueRequests.GetCount(); ++i)
    {
        if (m_keyValueRequests[i].key.Compare(key) == 0)
        {
            m_keyValueRequests[i].callback = callback;
            m_keyValueRequests[i].context = context;
            return;
        }
    }
    KeyValueRoute route;
    route.key = key;
    route.callback = callback;
    route.context = context;
    m_keyValueRequests.Add(route);
}

// ---- player lists ----

i32 CBrixNetworkSession::FindRoute(const CKetrelArray<PlayerListRoute>& routes, i64 key)
{
    for (i32 i = 0; i < routes.GetCount(); ++i)
        if (routes[i].key == key)
            return i;
    return -1;
}

i64 CBrixNetworkSession::RequestPlayerList(int list, const CKetrelString& filter, int a, int b, int first,
                                           int count, PlayerListCallback callback, void* context)
{
    if (!m_lobbyEngine)
        return -1;
    const i32 high = first < 0 ? -1 : list;
    const i64 key = (i64)(((u64)(u32)high << 32) | (u32)first);
    if (FindRoute(m_playerListRequests, key) >= 0)
        return -1;
    if (!EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
            return BerEncodePlayerListRequest(buffer, capacity, list, first, count, filter, a, b);
        }))
        return -1;
    PlayerListRoute route;
    route.key = key;
    route.callback = callback;
    route.context = context;
    m_playerListRequests.Add(route);
    return key;
}

void CBrixNetworkSession::RequestGamePlayers(PlayerListCallback callback, void* context)
{
    if (!LobbyLive())
        return;
    i32 number = kGamePlayers;
    i64 gameId = m_gameId;
    const CBerFpLong1 record = {&number, &gameId};
    SendFieldPointer(m_lobbyEngine, record);
    const i64 key = (i64)((u64)PLAYER_LIST_GAME << 32);
    const i32 at = FindRoute(m_playerListRequests, key);
    PlayerListRoute route;
    route.key = key;
    route.callback = callback;
    route.context = context;
    if (at >= 0)
        m_playerListRequests[at] = route;
    else
        m_playerListRequests.Add(route);
}

int CBrixNetworkSession::RemovePendingPlayerListRequest(int key)
{
    const i32 at = FindRoute(m_playerListRequests, (i64)key);
    if (at < 0)
        return 0;
    m_playerListRequests.RemoveAt(at);
    return 1;
}

void CBrixNetworkSession::ClearPendingPlayerListRequests() { m_playerListRequests.RemoveAll(); }

// ---- matches, challenges, relations ----

void CBrixNetworkSession::RequestMatch(int mode, int param)
{
    if (!m_lobbyEngine)
        return;
    CancelMatchRequest();
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeMatchRequest(buffer, capacity, appGameId, mode, param);
    });
    m_matchRequestPending = 1;
}

void CBrixNetworkSession::CancelMatchRequest()
{
    if (!m_lobbyEngine || !m_matchRequestPending)
        return;
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeCancelMatchRequest(buffer, capacity, appGameId);
    });
    m_matchRequestPending = 0;
}

void CBrixNetworkSession::SendChallenge(const CKetrelArray<i32>& playerIds, const CKetrelString& text)
{
    if (!m_lobbyEngine)
        return;
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeChallenge(buffer, capacity, appGameId, playerIds, text);
    });
}

void CBrixNetworkSession::AnswerChallenge(int challengerId, int answer, const CKetrelString& text)
{
    if (!m_lobbyEngine)
        return;
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    const CKetrelString empty;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeChallengeAnswer(buffer, capacity, answer, appGameId, challengerId, m_ownPlayerId,
                                        empty, text);
    });
}

void CBrixNetworkSession::SendPlayerRelation(int playerId, int relation, int value, const CKetrelString& text)
{
    if (!m_lobbyEngine || (relation != 1 && relation != 3))
        return;
    const i32 number = relation == 1 ? kPlayerRelation : kPlayerRelation + 1;
    const i32 first = relation == 1 ? m_ownPlayerId : playerId;
    const i32 second = relation == 1 ? playerId : m_ownPlayerId;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodePlayerRelation(buffer, capacity, number, first, second, 1, value, text);
    });
}

void CBrixNetworkSession::BlockUser(int playerId, int mode)
{
    if (!LobbyLive())
        return;
    i32 id = playerId, flag = AsFlag(mode);
    CASN1BlockUser message(&id, &flag);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestGameResults(int a, int b)
{
    if (!m_lobbyEngine)
        return;
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeGameResultsRequest(buffer, capacity, appGameId, a, b);
    });
}

void CBrixNetworkSession::RequestTournamentScores(const CKetrelArray<i32>& playerIds, int a, int b)
{
    if (!LobbyLive())
        return;
    CKetrelArray<i32> ids(playerIds);
    i32 va = a, vb = b;
    CASN1GetTournamentScores message(&ids, &va, &vb);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestAchievementList(int a, int b, int c, int d)
{
    if (!LobbyLive())
        return;
    i32 va = a, vb = b, vc = c, vd = d;
    CASN1GetAchievementList message(&va, &vb, &vc, &vd);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestImageAndLink(const CKetrelString& name, const CKetrelString& text)
{
    if (!LobbyLive())
        return;
    CKetrelString n(name), t(text);
    CASN1String2Message message(kImageAndLink, &n, &t);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestImage(int a, int b, const CKetrelString& name, ImageCallback callback,
                                       void* context)
{
    if (!m_lobbyEngine || m_imageTimer >= 0.0f)
        return;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeImageRequest(buffer, capacity, a, b);
    });
    if (callback)
    {
        m_imageCallback = callback;
        m_imageContext = context;
        m_imageName = name;
    }
    m_imageRequested = 1;
    m_imageTimer = 0.0f;
}

// ---- shop, items, gifts ----

void CBrixNetworkSession::RequestShopGroups(int flags)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kShopGroups, flags);
}

void CBrixNetworkSession::RequestItemsPage(int flags, int count, int offset)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kItemsPage, flags, count, offset);
}

void CBrixNetworkSession::RequestDataChunk(int itemId, int offset, int length)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kDataChunk, itemId, offset, length);
}

void CBrixNetworkSession::RequestCoinBalance()
{
    if (LobbyLive())
        SendNone(m_lobbyEngine, kCoinBalance);
}

void CBrixNetworkSession::SendRequest94()
{
    if (LobbyLive())
        SendNone(m_lobbyEngine, kRequest94);
}

void CBrixNetworkSession::SendAdvertisementClosed()
{
    if (LobbyLive())
        SendNone(m_lobbyEngine, kAdvertisementClosed);
}

void CBrixNetworkSession::SendRequest101(int a, int b)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kRequest101, a, b);
}

void CBrixNetworkSession::UpdateItemState(int itemId, int state)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kItemState, itemId, AsFlag(state));
}

void CBrixNetworkSession::RequestBuyItem(int itemId, int kind)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kBuyItem, itemId, kind);
}

void CBrixNetworkSession::ConfirmBuyItem(int itemId, int kind, const CKetrelArray<i32>* receivers)
{
    if (!LobbyLive())
        return;
    if (!receivers)
    {
        SendInts(m_lobbyEngine, kConfirmBuyItem, itemId, kind);
        return;
    }
    i32 id = itemId, k = kind;
    CKetrelArray<i32> ids(*receivers);
    CASN1ConfirmBuyItem message(&id, &k, &ids);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::ConfirmBuyPlayerItems(int a, int b, const CKetrelArray<i32>& items)
{
    if (!LobbyLive())
        return;
    i32 va = a, vb = b;
    CKetrelArray<i32> ids(items);
    CASN1ConfirmBuyPlayerItems message(&va, &vb, &ids);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestShopItemImages(const CKetrelArray<i32>& itemIds, int size)
{
    if (!LobbyLive())
        return;
    CKetrelArray<i32> ids(itemIds);
    i32 s = size;
    CASN1GetShopItemImage message(&ids, &s);
    message.Send(m_lobbyEngine);
}

void CBrixNetworkSession::RequestPlayerGiftItems(int playerId)
{
    if (LobbyLive())
        SendInts(m_lobbyEngine, kGiftItems, playerId);
}

// ---- game channel ----

void CBrixNetworkSession::SendGameData(const u8* data, int size)
{
    // Header bytes: identifier 1, length up to 4, field identifier 1, length up to 4.
    if (!m_gameEngine || size < 0 || (size > 0 && !data) || size > BerMaxLength - 10)
        return;
    EncodeAndSend(m_gameEngine, [&](u8* buffer, int capacity) {
        return BerEncodeGameData(buffer, capacity, data, size);
    });
}

void CBrixNetworkSession::SendGameReady()
{
    if (!m_gameEngine)
        return;
    i32 ownId = m_ownPlayerId;
    i64 gameId = m_gameId;
    i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    i32 joinFlag = AsFlag(m_joinFlag);
    i32 playerCount = m_lobby ? m_lobby->GetCount() : 0;
    i32 one = 1;
    CKetrelString version(kFrameVersion);
    CASN1GameReady message(&ownId, &gameId, &appGameId, &joinFlag, &playerCount, &one, &version);
    message.Send(m_gameEngine);
}

void CBrixNetworkSession::SendGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& codes,
                                         int abandoned)
{
    if (!m_gameEngine)
        return;
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    EncodeAndSend(m_gameEngine, [&](u8* buffer, int capacity) {
        return BerEncodeGameResult(buffer, capacity, m_gameId, appGameId, 0, playerIds, codes, AsFlag(abandoned));
    });
}

void CBrixNetworkSession::SendGameOver(int rematch)
{
    if (!m_gameEngine)
        return;
    i64 gameId = m_gameId;
    i32 flag = AsFlag(rematch), one = 1;
    const CBerFpGameOver record = {&gameId, &flag, &one};
    SendFieldPointer(m_gameEngine, record);
    if (!rematch)
    {
        CloseGameLink();
        if (m_lobby)
            m_lobby->Clear();
    }
}

void CBrixNetworkSession::SendChatMessage(const CBrixChatRecord* record)
{
    if (!record || !m_gameEngine || !m_gameEngine->IsConnected(true))
        return;
    i32 kind = record->kind, sender = record->senderId;
    CKetrelString text(record->text);
    CASN1ChatMessage message(&kind, &text, &sender);
    message.Send(m_gameEngine);
    if (m_host)
        m_host->ShowChatNotice(*record, 0);
}

// ---- requests no page of the program sends ----

void CBrixNetworkSession::SendRequest3(const CKetrelString& t0, const CKetrelString& t1, const CKetrelString& t2,
                                       const CKetrelString& t3, const CKetrelString& t4, int value5)
{
    if (!m_lobbyEngine)
        return;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeRequest3(buffer, capacity, t0, t1, t2, t3, t4, value5);
    });
}

int CBrixNetworkSession::SendRequest36(int value0, const CKetrelString& t1, const CKetrelString& t2,
                                       const CKetrelString& t3, const CKetrelString& t4, int value5,
                                       LoginObserver* observer)
{
    if ((m_status & 0xFF) == LOBBY_CLOSED || !m_lobbyEngine)
        return 0;
    m_loginObserver = observer;
    return EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeRequest36(buffer, capacity, value0, t1, t2, t3, t4, value5);
    });
}

void CBrixNetworkSession::SendRequest82(const CKetrelString& t0, const CKetrelString& t1, LoginObserver* observer)
{
    if (!m_lobbyEngine)
        return;
    m_loginObserver = observer;
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) {
        return BerEncodeRequest82(buffer, capacity, t0, t1);
    });
}

// ---- texts of web links ----

void CBrixNetworkSession::BuildUrlSuffix()
{
    CBrixClientInfo info;
    if (m_host)
        m_host->GetClientInfo(&info);
    const i32 appGameId = m_host ? m_host->GetAppGameId() : 0;
    if (m_releaseNumber != 0)
        m_urlSuffix.Format(L"&game=%d&release=%d&rid=%s", appGameId, m_releaseNumber, info.resellerId);
    else
        m_urlSuffix.Format(L"&game=%d&rid=%s", appGameId, info.resellerId);
}

const CKetrelString& CBrixNetworkSession::GetApplicationCheck()
{
    CBrixClientInfo info;
    CKetrelString token;
    if (m_host)
    {
        m_host->GetClientInfo(&info);
        token = m_host->GetApplicationToken();
    }
    m_applicationCheck.Format(L"%d%s%s%s%d", m_ownPlayerId, token, m_sessionToken, info.deviceId,
                              m_releaseNumber);
    CKetrelMD5::HexOfString(m_applicationCheck);
    return m_applicationCheck;
}

CKetrelString CBrixNetworkSession::HashPassword(const CKetrelString& a, const CKetrelString& b)
{
    CKetrelString text(a);
    text.Append(b);
    CKetrelMD5::HexOfString(text);
    return text;
}

CKetrelString CBrixNetworkSession::RandomString(int minLength, int maxLength, int seed)
{
    static const char kAlphabet[] = "AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz0123456789-_";
    if (minLength < 0)
        minLength = 0;
    if (maxLength < minLength)
        maxLength = minLength;
    std::minstd_rand generator((u32)((u64)time(nullptr) + (u64)(i64)seed));
    const int length = minLength + (int)(generator() % (u32)(maxLength - minLength + 1));
    CKetrelString text;
    for (int i = 0; i < length; ++i)
        text.Append((u16)kAlphabet[generator() % 64]);
    return text;
}
