#pragma once
// net/BrixNetworkSession.h
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/ASN1Records.h"
#include "net/BerStreamCutter.h"
#include "net/SocketEngine.h"

class CKetrelSurface;
class IBrixSessionHost;
struct CGameResultItem;

// The client's conversation with the online service over two channels, each a socket
// engine: the lobby channel (0) and the game channel (1). It cuts each byte stream into
// messages, keeps the link status, runs the time-outs and the keep-alive and reports to
// registered observers. Main thread only: the engines deliver from their per-frame Run,
// the application calls Update once per frame.
//
// Status word: bits 0-7 the lobby link (0 closed, 1 connected and hello sent,
// 2 connecting, 3 connected, 4 logging in, 5 logged in), bits 8-15 the game link
// (0x100 connected).
//
// Observers are not owned; each set keeps its order and holds an observer once. An
// observer may add or remove observers, or close the links, from inside a call.
class CBrixNetworkSession : public ISocketEngineObserver
{
public:
    class StatusObserver
    {
    public:
        virtual ~StatusObserver() {}
        virtual void OnLobbyLinkStatusChanged(CBrixNetworkSession* session, int lobbyByte) = 0;
        // gameBits: status & 0xFF00.
        virtual void OnGameLinkStatusChanged(CBrixNetworkSession* session, int gameBits) = 0;
        virtual void OnNotification(CBrixNetworkSession* session, int kind, int value,
                                    const CKetrelString& text) = 0;
    };

    // One operation per lobby reply. Lists, texts and bytes live only during the call.
    class LobbyObserver
    {
    public:
        virtual ~LobbyObserver() {}
        virtual void OnMatchResult(CBrixNetworkSession* session, int value1, int value2, int value3) = 0;
        virtual void OnLobbySlot1(CBrixNetworkSession* session) = 0;   // never called
        virtual void OnPlayerRelationChanged(CBrixNetworkSession* session, int playerId, int relation,
                                             int value, const CKetrelString& text4,
                                             const CKetrelString& text5) = 0;
        virtual void OnGameResultItem(CBrixNetworkSession* session, int index,
                                      const CGameResultItem& item) = 0;
        virtual void OnChallengeReceived(CBrixNetworkSession* session, int challengerId,
                                         const CKetrelString& name, const CKetrelString& text3,
                                         int value4, int value5) = 0;
        virtual void OnChallengeAnswer(CBrixNetworkSession* session, int playerId,
                                       const CKetrelString& text4, const CKetrelString& text5,
                                       int answer) = 0;
        virtual void OnChallengerImage(CBrixNetworkSession* session, int playerId, const u8* image,
                                       int imageSize) = 0;
        virtual void OnChangeNotice(int value) = 0;
        virtual void OnItemDataList(const CKetrelArray<CItemData>& items) = 0;
        virtual void OnDataChunk(int itemId, int offset, const u8* data, int size, int value3) = 0;
        virtual void OnCoinBalance(int coins) = 0;
        virtual void OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& groups) = 0;
        virtual void OnShopItems(int value0, int value1, const CKetrelArray<CShopItemData>& items) = 0;
        virtual void OnShopItemImage(int itemId, int value1, const u8* image, int imageSize) = 0;
        virtual void OnBuyItemPlayerInfo(int value0, int value1, const CKetrelString& text,
                                         const CKetrelArray<CBuyItemPlayerInfo>& players) = 0;
        virtual void OnConfirmBuyItemResponse(int value0, int value1, const CKetrelString& text) = 0;
        virtual void OnUpdateItemStateResponse(int value0, int value1, const CKetrelString& text,
                                               int value3) = 0;
        virtual void OnPlayerGiftItems(int value0, const CKetrelString& text1,
                                       const CKetrelArray<CShopItemData>& items) = 0;
        virtual void OnConfirmBuyPlayerItemsResponse(int value0, int value1, const CKetrelString& text) = 0;
        virtual void OnAchievementList(int value0, int value1, int value2,
                                       const CKetrelArray<CAchievementInfo>& list, int value4) = 0;
        virtual void OnTournamentScores(const CKetrelArray<CKetrelString>& names,
                                        const CKetrelArray<CUserTournamentScores>& scores, int value2) = 0;
        virtual void OnImageAndLink(const CKetrelString& name, int imageSize, const u8* image,
                                    const CKetrelString& text2, const CKetrelString& text3,
                                    const CKetrelString& text4) = 0;
    };

    class GameObserver
    {
    public:
        virtual ~GameObserver() {}
        virtual void OnGameData(CBrixNetworkSession* session, const u8* data, int size) = 0;
        virtual void OnGamePlayersChanged(CBrixNetworkSession* session, int ownPlayerId, int joinFlag) = 0;
        virtual void OnGameStatus(CBrixNetworkSession* session, int status) = 0;
    };

    class AdvertisementObserver
    {
    public:
        virtual ~AdvertisementObserver() {}
        virtual void OnAdvertisementInfo(const CKetrelString& text0, const CKetrelString& text1,
                                         int imageSize, const u8* image, int value3, int value4,
                                         const CKetrelArray<i32>& values, const CKetrelString& text6,
                                         int value7, const CKetrelString& text8,
                                         const CKetrelString& text9) = 0;
    };

    class LoginObserver
    {
    public:
        virtual ~LoginObserver() {}
        virtual void OnConnectRefused(CBrixNetworkSession* session, const CKetrelString& text) = 0;
        virtual void OnLoginError(CBrixNetworkSession* session, const CKetrelString& text) = 0;
        virtual void OnLoginChallenge(CBrixNetworkSession* session, const CKetrelString& challenge) = 0;
        // The reply's fields [0], [3], [1] (session token), [2], [5], [4].
        virtual void OnLoggedIn(CBrixNetworkSession* session, int playerId, const CKetrelString& text3,
                                const CKetrelString& token, const CKetrelString& text2,
                                const CKetrelString& text5, int value4) = 0;
        virtual void OnConfirmUserNameAck(CBrixNetworkSession* session, int result,
                                          const CKetrelString& text) = 0;
        virtual void OnConfirmEmailAck(CBrixNetworkSession* session, int result,
                                       const CKetrelString& text) = 0;
        virtual void OnLoginSlot6(CBrixNetworkSession* session) = 0;   // never called
        virtual void OnLoginSlot7(CBrixNetworkSession* session) = 0;   // never called
        virtual void OnLoginSlot8(CBrixNetworkSession* session) = 0;   // never called
    };

    // Callbacks: a plain function and its context, called on the main thread.
    typedef void (*PlayerListCallback)(void* context, int list, int index, int first,
                                       const CKetrelArray<CGroupListItem>* groups,
                                       const CPlayerListItem* item, const u8* image, int imageSize);
    typedef void (*KeyValueCallback)(const CKetrelString& key, const CKetrelString& value, void* context);
    // image is the callback's to delete; null when the request timed out.
    typedef void (*ImageCallback)(CKetrelSurface* image, const CKetrelString& name, void* context, f32 value);

    enum
    {
        LOBBY_CLOSED = 0,
        LOBBY_HELLO_SENT = 1,
        LOBBY_CONNECTING = 2,
        LOBBY_CONNECTED = 3,
        LOBBY_LOGGING_IN = 4,
        LOBBY_LOGGED_IN = 5,
        GAME_CONNECTED = 0x100,
        GAME_DATA_BUFFER = 32768,          // bytes of one decoded game-data block
        LANGUAGE_TEXT_CONNECT_FAILED = 3,
        LANGUAGE_TEXT_NO_REPLY = 12
    };

    CBrixNetworkSession();
    ~CBrixNetworkSession() override;          // Shutdown

    // 1; 0 for a null host or when a socket engine cannot be initialised; 7 without
    // memory. observer becomes the first status observer.
    int Init(IBrixSessionHost* host, StatusObserver* observer);
    // Starts the lobby channel (closing both links first when it is connected): lobby
    // byte 2, then 1 once connected and the client hello sent. 1 when the attempt is
    // under way (the outcome arrives as a socket event), 0 otherwise. observer becomes
    // the pending log-in observer, which hears of a failed connection.
    int Connect(const CKetrelString& host, int port, LoginObserver* observer);
    // Once per frame: idle close after 60 s without a lobby message, the 40 s log-in and
    // 2 s picture time-outs, the keep-alive ping. seconds is the only clock the timers
    // follow.
    void Update(f32 seconds);
    void Close();                             // game link, then lobby link
    void CloseLobbyLink();
    void CloseGameLink();
    void Shutdown();

    void AddStatusObserver(StatusObserver* observer);
    int RemoveStatusObserver(StatusObserver* observer);
    void AddLobbyObserver(LobbyObserver* observer);
    int RemoveLobbyObserver(LobbyObserver* observer);
    void AddGameObserver(GameObserver* observer);
    int RemoveGameObserver(GameObserver* observer);
    void AddAdvertisementObserver(AdvertisementObserver* observer);
    int RemoveAdvertisementObserver(AdvertisementObserver* observer);

    u32 GetStatus() const { return m_status; }
    // Notifies the lobby change first, then the game change; nothing when unchanged.
    void SetStatus(u32 status);
    void SetLobbyLinkStatus(u32 lobbyByte) { SetStatus(lobbyByte | (m_status & ~0xFFu)); }
    void SetGameLinkStatus(u32 gameBits) { SetStatus(gameBits | (m_status & ~0xFF00u)); }
    // The lobby engine's port while it is connected, else 0.
    int GetLobbyPort();
    bool IsMatchRequestPending() const { return m_matchRequestPending != 0; }
    const CKetrelString& GetSessionToken() const { return m_sessionToken; }
    int IsHostReachable(const CKetrelString&) { return 1; }

    // Lobby channel reports (ISocketEngineObserver) and the game channel's, through
    // the game socket observer.
    void OnSocketStatus(int code, int detail) override;
    void OnSocketData(const u8* data, int size) override;
    void OnGameSocketStatus(int code, int detail);
    void OnGameSocketData(const u8* data, int size);

    // Message dispatch, one whole message at a time.
    void DispatchLobbyMessage(const u8* message, int size);
    void DispatchGameMessage(const u8* message, int size);

    // Requests used by the links themselves.
    void SendClientHello();
    void SendPing();
    void RequestShopGroups(int flags);
    // Logs in with a user name and password: lobby byte 4, and observer hears of the
    // reply or, after 40 s without one, of the error. 1 sent; 0 without a lobby link.
    int Login(const CKetrelString& user, const CKetrelString& password, LoginObserver* observer);
    // Asks for a picture; callback (when given) gets it, or a null image after 2 s.
    // Nothing while an earlier request still waits.
    void RequestImage(int a, int b, const CKetrelString& name, ImageCallback callback, void* context);

    CSocketEngine* GetLobbyEngine() { return m_lobbyEngine; }
    CSocketEngine* GetGameEngine() { return m_gameEngine; }

private:
    CBrixNetworkSession(const CBrixNetworkSession&) = delete;
    CBrixNetworkSession& operator=(const CBrixNetworkSession&) = delete;

    // Forwards the game engine's reports to the session.
    class GameSocketObserver : public ISocketEngineObserver
    {
    public:
        explicit GameSocketObserver(CBrixNetworkSession* session) : m_session(session) {}
        void OnSocketStatus(int code, int detail) override { m_session->OnGameSocketStatus(code, detail); }
        void OnSocketData(const u8* data, int size) override { m_session->OnGameSocketData(data, size); }

    private:
        CBrixNetworkSession* m_session;
    };

    // Cuts a channel's chunk into messages and dispatches them; a stream that cannot be
    // cut closes that channel.
    void OnChannelData(const u8* data, int size, int channel);
    static void OnLobbyMessage(void* context, const u8* message, int size);
    static void OnGameMessage(void* context, const u8* message, int size);
    void ReportLoginError(i32 textIndex);

    IBrixSessionHost* m_host;                 // not owned
    CSocketEngine* m_lobbyEngine;             // owned
    CSocketEngine* m_gameEngine;              // owned
    GameSocketObserver m_gameSocketObserver;
    u8* m_gameData;                           // GAME_DATA_BUFFER bytes, owned
    u32 m_status;
    LoginObserver* m_loginObserver;           // pending, not owned
    CKetrelPtrArray m_statusObservers;        // StatusObserver*, not owned
    CKetrelPtrArray m_lobbyObservers;         // LobbyObserver*
    CKetrelPtrArray m_gameObservers;          // GameObserver*
    CKetrelPtrArray m_advertisementObservers; // AdvertisementObserver*
    i32 m_ownPlayerId;
    i64 m_gameId;
    i32 m_joinFlag;
    i32 m_releaseNumber;                      // 0 = none received
    f32 m_loginTimer;                         // seconds; -1 = not running
    f32 m_imageTimer;
    CKetrelString m_sessionToken;
    ImageCallback m_imageCallback;            // the pending picture request
    void* m_imageContext;
    CKetrelString m_imageName;
    i32 m_imageRequested;
    i32 m_matchRequestPending;
    f32 m_idleClock;                          // seconds since the last lobby message
    CBerStreamCutter m_cutters[2];            // reassembly: 0 lobby, 1 game
};
