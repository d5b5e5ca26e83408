// Transport benchmarks against a bare blocking TCP client, both talking to the same
// server on 127.0.0.1: a whole small lobby request and its reply through the network
// session (encoding, the engine's threads and main-thread hand-over, framing, dispatch
// to an observer), and a stream of 64 KiB blocks through CSocketEngine. Side by side,
// best of several rounds; ratio = our speed / the bare one's.
#include "BenchSupport.h"
#include "engine/KetrelApplication.h"
#include "net/BerRules.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"
#include "net/SocketEngine.h"

#include <arpa/inet.h>
#include <sched.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace
{
using bench::BestSeconds;

const int kRoundTrips = 20000;
const int kBlock = 65536;
const int kBlocks = 2000;              // 125 MiB each way

class BenchApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

bool SendAll(int fd, const u8* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

bool ReadAll(int fd, u8* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = recv(fd, data, size, 0);
        if (n <= 0)
            return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

// Serves every client of a loopback port with `serve(fd)`, one thread each (closing the
// socket after it), until the listening socket closes.
class LoopbackServer
{
public:
    explicit LoopbackServer(std::function<void(int)> serve) : m_serve(std::move(serve))
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(a);
        bind(m_listen, (sockaddr*)&a, sizeof(a));
        listen(m_listen, 8);
        getsockname(m_listen, (sockaddr*)&a, &length);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            for (;;)
            {
                int fd = accept(m_listen, nullptr, nullptr);
                if (fd < 0)
                    return;
                int one = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
                std::thread([fd, serve = m_serve] {
                    serve(fd);
                    close(fd);
                }).detach();
            }
        });
    }
    ~LoopbackServer()
    {
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    std::function<void(int)> m_serve;
    int m_listen;
    int m_port;
    std::thread m_thread;
};

// Echoes everything a client sends.
void Echo(int fd)
{
    std::vector<u8> buffer(kBlock);
    ssize_t n;
    while ((n = recv(fd, buffer.data(), buffer.size(), 0)) > 0)
        if (!SendAll(fd, buffer.data(), (size_t)n))
            break;
}

int BareConnect(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((u16)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr*)&a, sizeof(a)) != 0)
        return -1;
    return fd;
}

// Answers every coin-balance request (90) with a balance (91); other messages get no answer.
const u8 kBalanceRequest[] = {0xBF, 0x5A, 0x00};
const u8 kBalanceReply[] = {0xBF, 0x5B, 0x03, 0x80, 0x01, 0x2A};

void ReplyBalances(int fd)
{
    std::vector<u8> pending;
    u8 buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
    {
        pending.insert(pending.end(), buffer, buffer + n);
        size_t at = 0;
        for (;;)
        {
            const int need = BerGetFrameSize(pending.data() + at, (int)(pending.size() - at));
            if (need <= 0 || (size_t)need > pending.size() - at)
                break;
            if (BerGetMessageTag(pending.data() + at) == 90 &&
                !SendAll(fd, kBalanceReply, sizeof kBalanceReply))
                break;
            at += (size_t)need;
        }
        pending.erase(pending.begin(), pending.begin() + (long)at);
    }
}

struct BenchHost : IBrixSessionHost
{
    IKetrelApplication* app = nullptr;
    IKetrelApplication* GetEngineApplication() override { return app; }
    CKetrelString GetLanguageText(i32) override { return CKetrelString(); }
    void GetClientInfo(CBrixClientInfo* info) override { info->appGameId = 64; }
};

// Counts the balances the session reports.
struct Balances : CBrixNetworkSession::StatusObserver, CBrixNetworkSession::LoginObserver
{
    int lobby = 0;
    void OnLobbyLinkStatusChanged(CBrixNetworkSession*, int b) override { lobby = b; }
    void OnGameLinkStatusChanged(CBrixNetworkSession*, int) override {}
    void OnNotification(CBrixNetworkSession*, int, int, const CKetrelString&) override {}
    void OnConnectRefused(CBrixNetworkSession*, const CKetrelString&) override {}
    void OnLoginError(CBrixNetworkSession*, const CKetrelString&) override {}
    void OnLoginChallenge(CBrixNetworkSession*, const CKetrelString&) override {}
    void OnLoggedIn(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&, const CKetrelString&,
                    const CKetrelString&, int) override {}
    void OnConfirmUserNameAck(CBrixNetworkSession*, int, const CKetrelString&) override {}
    void OnConfirmEmailAck(CBrixNetworkSession*, int, const CKetrelString&) override {}
    void OnLoginSlot6(CBrixNetworkSession*) override {}
    void OnLoginSlot7(CBrixNetworkSession*) override {}
    void OnLoginSlot8(CBrixNetworkSession*) override {}
};

struct BalanceCounter : CBrixNetworkSession::LobbyObserver
{
    long count = 0;
    void OnCoinBalance(int) override { ++count; }
    void OnMatchResult(CBrixNetworkSession*, int, int, int) override {}
    void OnLobbySlot1(CBrixNetworkSession*) override {}
    void OnPlayerRelationChanged(CBrixNetworkSession*, int, int, int, const CKetrelString&,
                                 const CKetrelString&) override {}
    void OnGameResultItem(CBrixNetworkSession*, int, const CGameResultItem&) override {}
    void OnChallengeReceived(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&, int,
                             int) override {}
    void OnChallengeAnswer(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&, int) override {}
    void OnChallengerImage(CBrixNetworkSession*, int, const u8*, int) override {}
    void OnChangeNotice(int) override {}
    void OnItemDataList(const CKetrelArray<CItemData>&) override {}
    void OnDataChunk(int, int, const u8*, int, int) override {}
    void OnShopGroups(int, const CKetrelArray<CShopGroupData>&) override {}
    void OnShopItems(int, int, const CKetrelArray<CShopItemData>&) override {}
    void OnShopItemImage(int, int, const u8*, int) override {}
    void OnBuyItemPlayerInfo(int, int, const CKetrelString&, const CKetrelArray<CBuyItemPlayerInfo>&) override {}
    void OnConfirmBuyItemResponse(int, int, const CKetrelString&) override {}
    void OnUpdateItemStateResponse(int, int, const CKetrelString&, int) override {}
    void OnPlayerGiftItems(int, const CKetrelString&, const CKetrelArray<CShopItemData>&) override {}
    void OnConfirmBuyPlayerItemsResponse(int, int, const CKetrelString&) override {}
    void OnAchievementList(int, int, int, const CKetrelArray<CAchievementInfo>&, int) override {}
    void OnTournamentScores(const CKetrelArray<CKetrelString>&, const CKetrelArray<CUserTournamentScores>&,
                            int) override {}
    void OnImageAndLink(const CKetrelString&, int, const u8*, const CKetrelString&, const CKetrelString&,
                        const CKetrelString&) override {}
};

// Counts the bytes that come back.
struct Counter : ISocketEngineObserver
{
    size_t bytes = 0;
    int connected = 0;
    int failed = 0;
    void OnSocketStatus(int code, int) override
    {
        if (code == 1)
            connected = 1;
        else
            failed = 1;
    }
    void OnSocketData(const u8*, int size) override { bytes += (size_t)size; }
};

// The main thread's side of a frame loop that runs as fast as it can.
bool RunUntil(CSocketEngine& engine, Counter& counter, size_t bytes)
{
    while (counter.bytes < bytes && !counter.failed)
    {
        engine.Run(0.0f);
        sched_yield();
    }
    return !counter.failed;
}
}

int main()
{
    LoopbackServer server(Echo);
    LoopbackServer replies(ReplyBalances);
    BenchApplication app;
    Counter counter;
    CSocketEngine engine;
    if (engine.Init(&app, &counter) != 1 || engine.Connect("127.0.0.1", server.Port()) != 1)
    {
        std::printf("the engine cannot connect\n");
        return 1;
    }
    while (!counter.connected && !counter.failed)
        engine.Run(0.0f);
    BenchHost host;
    host.app = &app;
    Balances status;
    BalanceCounter balances;
    CBrixNetworkSession session;
    if (session.Init(&host, &status) != 1 || session.Connect("127.0.0.1", replies.Port(), &status) != 1)
    {
        std::printf("the session cannot connect\n");
        return 1;
    }
    session.AddLobbyObserver(&balances);
    while (status.lobby == CBrixNetworkSession::LOBBY_CONNECTING)
        session.GetLobbyEngine()->Run(0.0f);
    int bare = BareConnect(server.Port());
    int bareLobby = BareConnect(replies.Port());
    if (!counter.connected || status.lobby != CBrixNetworkSession::LOBBY_HELLO_SENT || bare < 0 || bareLobby < 0)
    {
        std::printf("no connection to the servers\n");
        return 1;
    }
    int one = 1;
    setsockopt(bare, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    setsockopt(bareLobby, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));

    std::vector<u8> back(kBlock);
    std::vector<u8> block(kBlock);
    for (int i = 0; i < kBlock; ++i)
        block[i] = (u8)(i * 7);

    std::printf("%-12s %16s %16s\n", "case", "ours", "bare TCP");
    double oursRtt = 1e30, bareRtt = 1e30;
    bool lost = false;
    for (int r = 0; r < 5 && !lost; ++r)
    {
        oursRtt = std::min(oursRtt, BestSeconds(1, [&] {
            for (int i = 0; i < kRoundTrips && !lost; ++i)
            {
                const long target = balances.count + 1;
                session.RequestCoinBalance();
                while (balances.count < target && !lost)
                {
                    session.GetLobbyEngine()->Run(0.0f);
                    lost = status.lobby == CBrixNetworkSession::LOBBY_CLOSED;
                    sched_yield();
                }
            }
        }));
        bareRtt = std::min(bareRtt, BestSeconds(1, [&] {
            for (int i = 0; i < kRoundTrips; ++i)
                if (!SendAll(bareLobby, kBalanceRequest, sizeof kBalanceRequest) ||
                    !ReadAll(bareLobby, back.data(), sizeof kBalanceReply))
                    return;
        }));
    }
    if (lost)
        std::printf("the session lost its link\n");
    std::printf("%-12s %12.0f rt/s %12.0f rt/s\n", "lobby rtt", kRoundTrips / oursRtt, kRoundTrips / bareRtt);
    std::printf("BENCH session_rtt ratio=%.3f\n", bareRtt / oursRtt);

    double oursBulk = 1e30, bareBulk = 1e30;
    for (int r = 0; r < 5; ++r)
    {
        oursBulk = std::min(oursBulk, BestSeconds(1, [&] {
            const size_t target = counter.bytes + (size_t)kBlock * kBlocks;
            for (int i = 0; i < kBlocks; ++i)
            {
                engine.Send(block.data(), kBlock);
                engine.Run(0.0f);
            }
            RunUntil(engine, counter, target);
        }));
        bareBulk = std::min(bareBulk, BestSeconds(1, [&] {
            std::thread writer([&] {
                for (int i = 0; i < kBlocks; ++i)
                    if (!SendAll(bare, block.data(), kBlock))
                        return;
            });
            ReadAll(bare, nullptr, 0);
            for (int i = 0; i < kBlocks; ++i)
                if (!ReadAll(bare, back.data(), kBlock))
                    break;
            writer.join();
        }));
    }
    std::printf("%-12s %9.0f blocks/s %9.0f blocks/s\n", "64 KiB", kBlocks / oursBulk, kBlocks / bareBulk);
    std::printf("BENCH session_bulk ratio=%.3f\n", bareBulk / oursBulk);
    if (counter.failed)
        std::printf("the engine reported a failure\n");

    session.Shutdown();
    engine.Close();
    engine.Shutdown();
    close(bare);
    close(bareLobby);
    return 0;
}
