// net/BrixNetworkSessionLinks.cpp: the session's links, status, framing, timers and
// observer sets.
#include "net/BrixNetworkSession.h"

#include "engine/KetrelResult.h"
#include "net/BrixLobby.h"
#include "net/BrixSessionHost.h"

#include <new>

namespace
{
const f32 kIdleSeconds = 60.0f;      // without a lobby message, both links close
const f32 kLoginSeconds = 40.0f;     // a log-in without reply reports an error
const f32 kImageSeconds = 2.0f;      // a picture request without reply gives up

bool Contains(const CKetrelPtrArray& set, const void* item)
{
    for (i32 i = 0; i < set.GetCount(); ++i)
        if (set.GetAt(i) == item)
            return true;
    return false;
}

void AddOnce(CKetrelPtrArray* set, void* item)
{
    if (item && !Contains(*set, item))
        set->Add(item);
}

int RemoveFrom(CKetrelPtrArray* set, const void* item)
{
    for (i32 i = 0; i < set->GetCount(); ++i)
    {
        if (set->GetAt(i) == item)
        {
            set->RemoveAt(i);
            return 1;
        }
    }
    return 0;
}

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
        if (Contains(set, copy[i]))
            fn(static_cast<Observer*>(copy[i]));
}
}

CBrixNetworkSession::CBrixNetworkSession()
    : m_host(nullptr), m_lobbyEngine(nullptr), m_gameEngine(nullptr), m_gameSocketObserver(this),
      m_lobby(nullptr), m_gameData(nullptr), m_status(0), m_loginObserver(nullptr), m_ownPlayerId(0), m_gameId(0),
      m_joinFlag(0), m_releaseNumber(0), m_loginTimer(-1.0f), m_imageTimer(-1.0f),
      m_imageCallback(nullptr), m_imageContext(nullptr), m_imageRequested(0),
      m_matchRequestPending(0), m_idleClock(0.0f), m_challengerId(-1), m_closing(0)
{
}

CBrixNetworkSession::~CBrixNetworkSession()
{
    Shutdown();
    delete[] m_gameData;
    m_gameData = nullptr;
}

int CBrixNetworkSession::Init(IBrixSessionHost* host, StatusObserver* observer)
{
    if (m_lobbyEngine || m_gameEngine)
        Shutdown();
    m_host = host;
    if (!host)
        return 0;
    m_idleClock = 0.0f;
    if (!m_gameData)
    {
        m_gameData = new (std::nothrow) u8[GAME_DATA_BUFFER];
        if (!m_gameData)
            return KE_ERR_MEMORY;
    }

    m_lobbyEngine = new (std::nothrow) CSocketEngine();
    if (!m_lobbyEngine)
        return KE_ERR_MEMORY;
    int rc = m_lobbyEngine->Init(host->GetEngineApplication(), this);
    if (rc != 1)
    {
        delete m_lobbyEngine;
        m_lobbyEngine = nullptr;
        return rc;
    }
    m_gameEngine = new (std::nothrow) CSocketEngine();
    rc = m_gameEngine ? m_gameEngine->Init(host->GetEngineApplication(), &m_gameSocketObserver)
                      : (int)KE_ERR_MEMORY;
    if (rc != 1)
    {
        delete m_lobbyEngine;             // its destructor shuts it down
        delete m_gameEngine;
        m_lobbyEngine = m_gameEngine = nullptr;
        return rc;
    }

    m_gameId = 0;
    m_releaseNumber = 0;
    m_joinFlag = 0;
    BuildUrlSuffix();
    m_status = 0;
    AddStatusObserver(observer);
    m_matchRequestPending = 0;
    m_loginObserver = nullptr;
    m_challengerId = -1;
    m_cutters[0].Reset();
    m_cutters[1].Reset();

    m_lobby = new (std::nothrow) CBrixLobby();
    i32 minimum = 2, maximum = 2;
    host->GetPlayerLimits(&minimum, &maximum);
    rc = m_lobby ? m_lobby->SetLimits(minimum, maximum) : (int)KE_ERR_MEMORY;
    if (rc != 1)
    {
        delete m_lobby;
        m_lobby = nullptr;
        delete m_lobbyEngine;
        delete m_gameEngine;
        m_lobbyEngine = m_gameEngine = nullptr;
        return rc;
    }
    return 1;
}

int CBrixNetworkSession::Connect(const CKetrelString& host, int port, LoginObserver* observer)
{
    if (!m_lobbyEngine || !m_host)
        return 0;
    if (m_lobbyEngine->IsConnected(false))
        Close();
    m_lobbyEngine->Shutdown();
    SetLobbyLinkStatus(LOBBY_CONNECTING);
    if (m_lobbyEngine->Init(m_host->GetEngineApplication(), this) != 1)
        return 0;
    m_loginObserver = observer;
    m_cutters[0].Reset();
    return m_lobbyEngine->Connect(host, port);
}

void CBrixNetworkSession::Close()
{
    CloseGameLink();
    CloseLobbyLink();
}

// While an engine closes it may hand over what had already arrived; the session drops
// it (the link is going away), so no observer is called from inside a Close.
void CBrixNetworkSession::CloseLobbyLink()
{
    // A partly received message must not be glued to the next connection's bytes.
    m_cutters[0].Reset();
    if (m_lobbyEngine && m_lobbyEngine->IsConnected(false))
    {
        ++m_closing;
        m_lobbyEngine->Close();
        --m_closing;
        m_cutters[0].Reset();
        SetLobbyLinkStatus(LOBBY_CLOSED);
    }
}

void CBrixNetworkSession::CloseGameLink()
{
    m_cutters[1].Reset();
    if (m_gameEngine && m_gameEngine->IsConnected(false))
    {
        ++m_closing;
        m_gameEngine->Close();
        --m_closing;
        m_cutters[1].Reset();
    }
    SetGameLinkStatus(0);
}

void CBrixNetworkSession::Shutdown()
{
    if (m_lobby)
        m_lobby->Clear();
    delete m_lobby;
    m_lobby = nullptr;
    Close();
    delete m_gameEngine;                  // each destructor shuts its engine down
    delete m_lobbyEngine;
    m_gameEngine = m_lobbyEngine = nullptr;
    m_status = 0;
    while (m_statusObservers.GetCount() > 0)
        RemoveStatusObserver(static_cast<StatusObserver*>(m_statusObservers.GetAt(0)));
    while (m_lobbyObservers.GetCount() > 0)
        RemoveLobbyObserver(static_cast<LobbyObserver*>(m_lobbyObservers.GetAt(0)));
    m_loginObserver = nullptr;
    m_host = nullptr;
    m_cutters[0].Reset();
    m_cutters[1].Reset();
    m_playerListRequests.RemoveAll();
    m_playerImageRoutes.RemoveAll();
    m_keyValueRequests.RemoveAll();
    m_imageCallback = nullptr;
    m_imageTimer = -1.0f;
    m_loginTimer = -1.0f;
}

// ---- observers and status ----

void CBrixNetworkSession::AddStatusObserver(StatusObserver* observer) { AddOnce(&m_statusObservers, observer); }
int CBrixNetworkSession::RemoveStatusObserver(StatusObserver* observer) { return RemoveFrom(&m_statusObservers, observer); }
void CBrixNetworkSession::AddLobbyObserver(LobbyObserver* observer) { AddOnce(&m_lobbyObservers, observer); }
int CBrixNetworkSession::RemoveLobbyObserver(LobbyObserver* observer) { return RemoveFrom(&m_lobbyObservers, observer); }
void CBrixNetworkSession::AddGameObserver(GameObserver* observer) { AddOnce(&m_gameObservers, observer); }
int CBrixNetworkSession::RemoveGameObserver(GameObserver* observer) { return RemoveFrom(&m_gameObservers, observer); }
void CBrixNetworkSession::AddAdvertisementObserver(AdvertisementObserver* observer)
{
    AddOnce(&m_advertisementObservers, observer);
}
int CBrixNetworkSession::RemoveAdvertisementObserver(AdvertisementObserver* observer)
{
    return RemoveFrom(&m_advertisementObservers, observer);
}

void CBrixNetworkSession::SetStatus(u32 status)
{
    const u32 old = m_status;
    if (status == old)
        return;
    m_status = status;
    if ((status & 0xFF) != (old & 0xFF))
        Notify<StatusObserver>(m_statusObservers, [&](StatusObserver* o) {
            o->OnLobbyLinkStatusChanged(this, (int)(status & 0xFF));
        });
    if ((status & 0xFF00) != (old & 0xFF00))
        Notify<StatusObserver>(m_statusObservers, [&](StatusObserver* o) {
            o->OnGameLinkStatusChanged(this, (int)(status & 0xFF00));
        });
}

int CBrixNetworkSession::GetLobbyPort()
{
    return m_lobbyEngine && m_lobbyEngine->IsConnected(false) ? m_lobbyEngine->GetPort() : 0;
}

void CBrixNetworkSession::ReportLoginError(i32 textIndex)
{
    if (!m_loginObserver)
        return;
    const CKetrelString text = m_host ? m_host->GetLanguageText(textIndex) : CKetrelString();
    m_loginObserver->OnLoginError(this, text);
}

// ---- socket events ----

void CBrixNetworkSession::OnSocketStatus(int code, int)
{
    if (m_closing)
        return;
    switch (code)
    {
    case 1:
        m_cutters[0].Reset();
        SendClientHello();
        SetLobbyLinkStatus(LOBBY_HELLO_SENT);
        break;
    case 0:
    case 3:
    case 4:
        Close();
        SetLobbyLinkStatus(LOBBY_CLOSED);
        break;
    case 2:
        Close();
        SetLobbyLinkStatus(LOBBY_CLOSED);
        ReportLoginError(LANGUAGE_TEXT_CONNECT_FAILED);
        break;
    default:
        break;
    }
}

void CBrixNetworkSession::OnGameSocketStatus(int code, int)
{
    if (m_closing)
        return;
    if (code == 1)
    {
        m_cutters[1].Reset();
        RequestShopGroups(0x401);
        SetGameLinkStatus(GAME_CONNECTED);
        return;
    }
    // A game link whose receive thread ended (the server closed it, or it fell silent)
    // can carry nothing more: it is closed, so that the next game join may connect.
    CloseGameLink();
}

void CBrixNetworkSession::OnSocketData(const u8* data, int size)
{
    OnChannelData(data, size, 0);
}

void CBrixNetworkSession::OnGameSocketData(const u8* data, int size)
{
    OnChannelData(data, size, 1);
}

void CBrixNetworkSession::OnLobbyMessage(void* context, const u8* message, int size)
{
    static_cast<CBrixNetworkSession*>(context)->DispatchLobbyMessage(message, size);
}

void CBrixNetworkSession::OnGameMessage(void* context, const u8* message, int size)
{
    static_cast<CBrixNetworkSession*>(context)->DispatchGameMessage(message, size);
}

void CBrixNetworkSession::OnChannelData(const u8* data, int size, int channel)
{
    if (size <= 0 || m_closing || channel < 0 || channel > 1)
        return;
    const int rc = m_cutters[channel].Feed(data, size, channel == 0 ? OnLobbyMessage : OnGameMessage, this);
    if (rc == 1)
        return;
    // A length the stream can never satisfy (or no memory for it): nothing after it can
    // be trusted, so the channel closes as when the server drops it.
    if (channel == 0)
    {
        Close();
        SetLobbyLinkStatus(LOBBY_CLOSED);
    }
    else
        CloseGameLink();
}

// ---- timers ----

void CBrixNetworkSession::Update(f32 seconds)
{
    m_idleClock += seconds;
    if (m_idleClock > kIdleSeconds)
    {
        m_idleClock = 0.0f;
        Close();
    }

    if (m_loginTimer >= 0.0f)
    {
        if (!m_loginObserver)
            m_loginTimer = -1.0f;
        else if (m_loginTimer >= kLoginSeconds)
        {
            // The observer is released with the error, so a late reply cannot log in
            // behind a failure already shown.
            m_loginTimer = -1.0f;
            LoginObserver* observer = m_loginObserver;
            ReportLoginError(LANGUAGE_TEXT_NO_REPLY);
            if (m_loginObserver == observer)
                m_loginObserver = nullptr;
        }
        else
            m_loginTimer += seconds;
    }

    if (m_imageTimer >= 0.0f)
    {
        if (!m_imageCallback)
            m_imageTimer = -1.0f;
        else if (m_imageTimer >= kImageSeconds)
        {
            // The request is given up whole: a late reply reaches no callback.
            const ImageCallback callback = m_imageCallback;
            void* const context = m_imageContext;
            const CKetrelString name = m_imageName;
            m_imageTimer = -1.0f;
            m_imageRequested = 0;
            m_imageCallback = nullptr;
            m_imageContext = nullptr;
            m_imageName.Clear();
            callback(nullptr, name, context, -1.0f);
        }
        else
            m_imageTimer += seconds;
    }

    if (m_lobbyEngine && m_lobbyEngine->IsKeepAliveDue())
        SendPing();
    if (m_gameEngine && m_gameEngine->IsKeepAliveDue())
        SendPing();
}
