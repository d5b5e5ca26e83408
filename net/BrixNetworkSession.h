#pragma once
// net/BrixNetworkSession.h
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/ASN1Records.h"
#include "net/BerStreamCutter.h"
#include "net/SocketEngine.h"

class CBrixLobby;
class CKetrelSurface;
class IBrixSessionHost;
struct CBrixChatRecord;
struct CGameJoinInfo;
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
        // The game id and the code (-1 logged in elsewhere, -2 logged out by the server).
        virtual void OnMatchResult(CBrixNetworkSession* session, int value1, int gameId, int code) = 0;
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
        // Bytes of one decoded game-data block: a whole batch of game events (up to
        // 64 KiB) fits, so no batch the peer may send is ever dropped.
        GAME_DATA_BUFFER = 65536,
        LANGUAGE_TEXT_CONNECT_FAILED = 3,
        LANGUAGE_TEXT_NO_REPLY = 12,
        LANGUAGE_TEXT_TRY_AGAIN = 18,
        LANGUAGE_TEXT_LOGIN_31 = 31,
        LANGUAGE_TEXT_LOGIN_32 = 32,
        PLAYER_LIST_GAME = 0x100           // list id of the game's players (18)
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

    // The game join of a lobby message 12: rebuilds the room, connects the game channel
    // to the join's "host:port". The connect result.
    int JoinGame(const CGameJoinInfo& join);
    // Messages 29, 31 and 33: language list, language pack, theme pack.
    void OnAvailableLanguages(const u8* message, int size);
    void OnLanguagePack(const u8* message, int size);
    void OnThemePack(const u8* message, int size);

    // ---- requests ----
    // Guards: "lobby, live" requests need a connected lobby engine (asking reports the
    // link as lost when it is not); "lobby" requests only an engine (an unconnected one
    // reports the failed send); game requests the game engine. A request whose guard
    // fails sends nothing.
    void SendClientHello();
    // Lobby byte 4 and the 40 s log-in timer; observer hears of the reply. 1 sent; 0
    // without a lobby link (closed lobby byte or no engine).
    int Login(const CKetrelString& user, const CKetrelString& password, LoginObserver* observer);
    int ExternalLogin(int type, const CKetrelString& text1, const CKetrelString& text2,
                      const CKetrelString& text3, const CKetrelString& text4, LoginObserver* observer);
    // 1 sent; 0 without a lobby engine or while another log-in observer waits.
    int RequestLoginChallenge(const CKetrelString& user, LoginObserver* observer);
    void ConfirmUserName(const CKetrelString& name, LoginObserver* observer);
    void ConfirmEmail(const CKetrelString& text0, const CKetrelString& text1, const CKetrelString& text2,
                      int value3, const CKetrelString& text4, const CKetrelString& text5,
                      LoginObserver* observer);
    void SendLogout();
    void RequestLanguageList();
    void RequestLanguagePack(const CKetrelString& code, const CKetrelString& packBase);
    void ChangeLanguage(const CKetrelString& code);
    void RequestThemePack();
    // The reply (17) with that key goes to callback, for as long as the session lives.
    void GetKeyValue(const CKetrelString& key, KeyValueCallback callback, void* context);
    // The request key ({first, list | sign of first}) the reply is routed by; -1 without
    // a lobby engine or while a request with that key waits.
    i64 RequestPlayerList(int list, const CKetrelString& filter, int a, int b, int first, int count,
                          PlayerListCallback callback, void* context);
    void RequestGamePlayers(PlayerListCallback callback, void* context);
    // Cancels a waiting match request first.
    void RequestMatch(int mode, int param);
    void CancelMatchRequest();
    void SendChallenge(const CKetrelArray<i32>& playerIds, const CKetrelString& text);
    // answer 0 declines, 1 accepts.
    void AnswerChallenge(int challengerId, int answer, const CKetrelString& text);
    // relation 1 sends 21, relation 3 sends 22; any other nothing.
    void SendPlayerRelation(int playerId, int relation, int value, const CKetrelString& text);
    void BlockUser(int playerId, int mode);
    // b is left out when negative.
    void RequestGameResults(int a, int b);
    void RequestTournamentScores(const CKetrelArray<i32>& playerIds, int a, int b);
    void RequestAchievementList(int a, int b, int c, int d);
    void RequestImageAndLink(const CKetrelString& name, const CKetrelString& text);
    // Asks for a picture; callback (when given) gets it, or a null image after 2 s.
    // Nothing while an earlier request still waits.
    void RequestImage(int a, int b, const CKetrelString& name, ImageCallback callback, void* context);
    // flags: 0 the shop, 1 own items, 0x401 when the game channel opens.
    void RequestShopGroups(int flags);
    void RequestItemsPage(int flags, int count, int offset);
    void RequestDataChunk(int itemId, int offset, int length);
    void RequestCoinBalance();
    void SendRequest94();
    void SendAdvertisementClosed();
    void SendRequest101(int a, int b);
    void UpdateItemState(int itemId, int state);
    void RequestBuyItem(int itemId, int kind);
    // receivers may be null (a purchase for oneself).
    void ConfirmBuyItem(int itemId, int kind, const CKetrelArray<i32>* receivers);
    void ConfirmBuyPlayerItems(int a, int b, const CKetrelArray<i32>& items);
    void RequestShopItemImages(const CKetrelArray<i32>& itemIds, int size);
    void RequestPlayerGiftItems(int playerId);
    void SendGameData(const u8* data, int size);
    void SendGameReady();
    void SendGameResult(const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& codes, int abandoned);
    // rematch 0 closes the game link and empties the room afterwards.
    void SendGameOver(int rematch);
    // On the game channel; the host then shows it as the player's own line.
    void SendChatMessage(const CBrixChatRecord* record);
    void SendRequest3(const CKetrelString& t0, const CKetrelString& t1, const CKetrelString& t2,
                      const CKetrelString& t3, const CKetrelString& t4, int value5);
    int SendRequest36(int value0, const CKetrelString& t1, const CKetrelString& t2, const CKetrelString& t3,
                      const CKetrelString& t4, int value5, LoginObserver* observer);
    void SendRequest82(const CKetrelString& t0, const CKetrelString& t1, LoginObserver* observer);
    // The keep-alive: -1 on every connected channel.
    void SendPing();

    // "&game=%d&release=%d&rid=%s", without the release part before one is known.
    void BuildUrlSuffix();
    const CKetrelString& GetUrlSuffix() const { return m_urlSuffix; }
    // The check value of web links: hex MD5 of own id, application token, session
    // token, device id and release number. Rebuilt at every call.
    const CKetrelString& GetApplicationCheck();
    // Lower-case hex MD5 of a followed by b, narrowed to 8-bit characters.
    CKetrelString HashPassword(const CKetrelString& a, const CKetrelString& b);
    // minLength to maxLength characters of A a B b ... Z z 0-9 - _, from a generator of
    // its own seeded with the clock plus seed (the program's shared one is left alone).
    static CKetrelString RandomString(int minLength, int maxLength, int seed);
    // 1 when the request with that key (sign-extended) waited and was removed, else 0.
    int RemovePendingPlayerListRequest(int key);
    void ClearPendingPlayerListRequests();

    CBrixLobby* GetLobby() { return m_lobby; }
    i32 GetOwnPlayerId() const { return m_ownPlayerId; }
    i64 GetGameId() const { return m_gameId; }
    i32 GetJoinFlag() const { return m_joinFlag; }
    i32 GetReleaseNumber() const { return m_releaseNumber; }
    // Test and fuzz access to the receive path without sockets.
    void FeedChannel(const u8* data, int size, int channel) { OnChannelData(data, size, channel); }

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
    // Guards of the requests.
    bool LobbyLive();
    bool LobbyExists() const { return m_lobbyEngine != nullptr; }
    bool GameExists() const { return m_gameEngine != nullptr; }
    // Takes the pending log-in observer (null when none).
    LoginObserver* TakeLoginObserver();
    void RebuildLobby(const CKetrelPtrArray& entries);
    void OnPlayerList(const u8* message, int size);
    void OnPicture(const u8* message, int size);
    void OnConnectAck(const u8* message, int size);
    void OnLoginReply(const u8* message, int size);
    void OnChallengeReceived(const u8* message, int size);
    bool SavePack(const CKetrelString& name, const u8* data, i32 size);

    struct PlayerListRoute
    {
        i64 key = 0;
        PlayerListCallback callback = nullptr;
        void* context = nullptr;
    };
    struct KeyValueRoute
    {
        CKetrelString key;
        KeyValueCallback callback = nullptr;
        void* context = nullptr;
    };
    static i32 FindRoute(const CKetrelArray<PlayerListRoute>& routes, i64 key);

    IBrixSessionHost* m_host;                 // not owned
    CSocketEngine* m_lobbyEngine;             // owned
    CSocketEngine* m_gameEngine;              // owned
    GameSocketObserver m_gameSocketObserver;
    CBrixLobby* m_lobby;                      // owned; the room's players
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
    CKetrelString m_urlSuffix;
    CKetrelString m_applicationCheck;
    CKetrelArray<PlayerListRoute> m_playerListRequests;   // pending, by request key
    CKetrelArray<PlayerListRoute> m_playerImageRoutes;    // by player id
    CKetrelArray<KeyValueRoute> m_keyValueRequests;
    i32 m_challengerId;                       // -1 = none
    i32 m_closing;                            // inside Close: nothing is delivered
    CBerStreamCutter m_cutters[2];            // reassembly: 0 lobby, 1 game
};
