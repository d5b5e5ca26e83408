// net/BrixNetworkSessionTransport.cpp: the requests and replies the links need of their
// own: the client hello, the keep-alive ping, the shop groups of a new game link.
#include "net/BrixNetworkSession.h"

#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"
#include "net/BerRules.h"
#include "net/BrixSessionHost.h"

#include <new>

namespace
{
const int kPing = 44;
const int kShopGroups = 92;

// Encodes with encode(buffer, capacity) after asking it for the size, then sends.
template <class Encode>
void EncodeAndSend(CSocketEngine* engine, Encode encode)
{
    const int size = encode(nullptr, 0);
    if (size <= 0)
        return;
    u8* buffer = new (std::nothrow) u8[size];
    if (!buffer)
        return;
    if (encode(buffer, size) == size)
        engine->Send(buffer, size);
    delete[] buffer;
}
}

void CBrixNetworkSession::SendClientHello()
{
    if (!m_lobbyEngine || !m_host)
        return;
    CBrixClientInfo info;
    m_host->GetClientInfo(&info);
    CBerClientHello hello;
    hello.helloText.Format(L"standalone-id:%d;full-version:%d;standalone-version:%s;opengl:%d;"
                           L"user-agent:%s;frame-version:%s;lang_code:%s",
                           info.appGameId, 1, info.version, 1, info.userAgent, L"2.05",
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

void CBrixNetworkSession::RequestShopGroups(int flags)
{
    if (!m_lobbyEngine || !m_lobbyEngine->IsConnected(true))
        return;
    i32 number = kShopGroups;
    i32 value = flags;
    const CBerFpInt1 record = {&number, &value};
    EncodeAndSend(m_lobbyEngine, [&](u8* buffer, int capacity) { return BerFpEncode(buffer, capacity, record); });
}

int CBrixNetworkSession::Login(const CKetrelString& user, const CKetrelString& password,
                               LoginObserver* observer)
{
    if ((m_status & 0xFF) == LOBBY_CLOSED || !m_lobbyEngine)
        return 0;
    const CKetrelString empty;
    auto login = [&](u8* buffer, int capacity) {
        return BerEncodeLogin(buffer, capacity, user, password, 1, empty);
    };
    if (login(nullptr, 0) <= 0)
        return 0;
    SetLobbyLinkStatus(LOBBY_LOGGING_IN);
    m_loginTimer = 0.0f;
    m_loginObserver = observer;
    EncodeAndSend(m_lobbyEngine, login);
    return 1;
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

// Every lobby message restarts the idle minute. Only the ping is answered here so far;
// the other numbers belong to the lobby's message table.
void CBrixNetworkSession::DispatchLobbyMessage(const u8* message, int size)
{
    if (size < 1)
        return;
    m_idleClock = 0.0f;
    if (BerGetMessageTag(message) == kPing)
    {
        i32 value = -1;
        if (BerDecodePing(message, size, &value) == 1 && value >= 0 && m_lobbyEngine)
            m_lobbyEngine->Send(message, size);
    }
}

// The game channel's own numbers (12, 13, 72) are the game table's; a ping is answered
// on the game channel; anything else is a lobby reply that came this way.
void CBrixNetworkSession::DispatchGameMessage(const u8* message, int size)
{
    if (size < 1)
        return;
    switch (BerGetMessageTag(message))
    {
    case kPing:
    {
        i32 value = -1;
        if (BerDecodePing(message, size, &value) == 1 && value >= 0 && m_gameEngine)
            m_gameEngine->Send(message, size);
        break;
    }
    case 12:
    case 13:
    case 72:
        break;
    default:
        DispatchLobbyMessage(message, size);
        break;
    }
}
