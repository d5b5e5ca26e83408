// Transport benchmarks: a small message's round trip and a stream of 64 KiB blocks
// through CSocketEngine (its real socket, send and receive threads and the main-thread
// hand-over) against a bare blocking TCP client, both talking to the same echo server
// on 127.0.0.1. Side by side, best of several rounds; ratio = our speed / the bare one's.
#include "BenchSupport.h"
#include "engine/KetrelApplication.h"
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
#include <thread>
#include <vector>

namespace
{
using bench::BestSeconds;

const int kSmall = 32;                 // bytes of the round-trip message
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

// Echoes every client, one thread each, until the listening socket closes.
class EchoServer
{
public:
    EchoServer()
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
                std::thread([fd] {
                    std::vector<u8> buffer(kBlock);
                    ssize_t n;
                    while ((n = recv(fd, buffer.data(), buffer.size(), 0)) > 0)
                        if (!SendAll(fd, buffer.data(), (size_t)n))
                            break;
                    close(fd);
                }).detach();
            }
        });
    }
    ~EchoServer()
    {
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    int m_listen;
    int m_port;
    std::thread m_thread;
};

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
    EchoServer server;
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
    int bare = BareConnect(server.Port());
    if (!counter.connected || bare < 0)
    {
        std::printf("no connection to the echo server\n");
        return 1;
    }
    int one = 1;
    setsockopt(bare, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));

    std::vector<u8> small(kSmall, 0x5A), back(kBlock);
    std::vector<u8> block(kBlock);
    for (int i = 0; i < kBlock; ++i)
        block[i] = (u8)(i * 7);

    std::printf("%-12s %16s %16s\n", "case", "ours", "bare TCP echo");
    double oursRtt = 1e30, bareRtt = 1e30;
    for (int r = 0; r < 5; ++r)
    {
        oursRtt = std::min(oursRtt, BestSeconds(1, [&] {
            for (int i = 0; i < kRoundTrips; ++i)
            {
                const size_t target = counter.bytes + kSmall;
                engine.Send(small.data(), kSmall);
                RunUntil(engine, counter, target);
            }
        }));
        bareRtt = std::min(bareRtt, BestSeconds(1, [&] {
            for (int i = 0; i < kRoundTrips; ++i)
                if (!SendAll(bare, small.data(), kSmall) || !ReadAll(bare, back.data(), kSmall))
                    return;
        }));
    }
    std::printf("%-12s %12.0f rt/s %12.0f rt/s\n", "round trip", kRoundTrips / oursRtt, kRoundTrips / bareRtt);
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

    engine.Close();
    engine.Shutdown();
    close(bare);
    return 0;
}
