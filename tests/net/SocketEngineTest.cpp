// The socket engine against scripted servers on 127.0.0.1. Run is driven by hand, as
// the application's frame would; every case also runs under ThreadSanitizer.
#include "net/SocketEngine.h"
#include "LoopbackServer.h"
#include "engine/KetrelApplication.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

IKetrelApplication* App()
{
    static TestApplication* app = new TestApplication();
    return app;
}

typedef std::chrono::steady_clock Clock;
double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Records what the engine reports, in order; "E<code>,<detail>" or "D<bytes>".
struct Recorder : ISocketEngineObserver
{
    std::vector<std::string> log;
    std::string data;
    int depth = 0;
    int maxDepth = 0;
    std::function<void(const std::string&)> hook;

    void Note(const std::string& entry)
    {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        log.push_back(entry);
        if (hook)
            hook(entry);
        --depth;
    }
    void OnSocketStatus(int code, int detail) override
    {
        Note("E" + std::to_string(code) + "," + std::to_string(detail));
    }
    void OnSocketData(const u8* bytes, int size) override
    {
        data.append((const char*)bytes, (size_t)size);
        Note("D" + std::string((const char*)bytes, (size_t)size).substr(0, 16));
    }
    bool Has(const std::string& entry) const
    {
        for (const std::string& e : log)
            if (e == entry)
                return true;
        return false;
    }
};

// Runs frames until done() or the time is up.
bool Pump(CSocketEngine& engine, std::function<bool()> done, int ms = 5000)
{
    const Clock::time_point start = Clock::now();
    while (!done())
    {
        if (MsSince(start) > ms)
            return false;
        engine.Run(0.016f);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Client
{
    Recorder rec;
    CSocketEngine engine;
    Client() { EXPECT_EQ(1, engine.Init(App(), &rec)); }
    bool Connect(int port)
    {
        return engine.Connect("127.0.0.1", port) == 1 &&
               Pump(engine, [&] { return rec.Has("E1,0") || rec.log.size() > 0; }) &&
               rec.Has("E1,0");
    }
    void Send(const std::string& text) { engine.Send((const u8*)text.data(), (int)text.size()); }
};
}

TEST(SocketEngineConnect, EchoesAndClosesClean)
{
    CLoopbackServer server([](int fd) { CLoopbackServer::Echo(fd); });
    Client c;
    EXPECT_EQ(1, c.engine.Connect("127.0.0.1", server.Port()));
    EXPECT_TRUE(c.rec.log.empty()) << "the connected event comes through Run";
    c.Send("early ");                  // queued until the connection is up
    ASSERT_TRUE(Pump(c.engine, [&] { return !c.rec.log.empty(); }));
    EXPECT_EQ("E1,0", c.rec.log[0]);
    c.Send("hello");
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.data.size() >= 11; }));
    EXPECT_EQ("early hello", c.rec.data);
    EXPECT_EQ(server.Port(), c.engine.GetPort());

    c.engine.Close();
    EXPECT_EQ(0, c.engine.GetPort());
    EXPECT_TRUE(c.engine.GetHost().IsEmpty());
    EXPECT_EQ(-1, c.engine.GetSocket());
    EXPECT_FALSE(c.engine.IsConnected(false));
    const size_t seen = c.rec.log.size();
    c.engine.Close();
    c.engine.Run(0.016f);
    EXPECT_EQ(seen, c.rec.log.size());
}

TEST(SocketEngineConnect, ResolvesLocalhost)
{
    CLoopbackServer server([](int fd) { CLoopbackServer::Echo(fd); });
    Client c;
    ASSERT_EQ(1, c.engine.Connect("localhost", server.Port()));
    ASSERT_TRUE(Pump(c.engine, [&] { return !c.rec.log.empty(); }));
    EXPECT_EQ("E1,0", c.rec.log[0]);
}

// What an unconnected engine answers at once, on the caller's thread.
TEST(SocketEngineCalls, DirectAnswersWithoutConnection)
{
    struct Case { const char* name; std::function<void(CSocketEngine&)> call; const char* expect; };
    const u8 bytes[4] = {1, 2, 3, 4};
    const Case cases[] = {
        {"send 0 bytes", [&](CSocketEngine& e) { e.Send(bytes, 0); }, ""},
        {"send 4 bytes", [&](CSocketEngine& e) { e.Send(bytes, 4); }, "E2,10"},
        {"quiet check", [](CSocketEngine& e) { EXPECT_FALSE(e.IsConnected(false)); }, ""},
        {"noisy check", [](CSocketEngine& e) { EXPECT_FALSE(e.IsConnected(true)); }, "E4,0"},
        {"close", [](CSocketEngine& e) { e.Close(); }, ""},
        {"keep-alive", [](CSocketEngine& e) { e.Run(40.0f); EXPECT_FALSE(e.IsKeepAliveDue()); }, ""},
    };
    for (const Case& k : cases)
    {
        Client c;
        k.call(c.engine);
        EXPECT_EQ(k.expect, c.rec.log.empty() ? std::string() : c.rec.log[0]) << k.name;
        EXPECT_LE(c.rec.log.size(), 1u) << k.name;
    }
    CSocketEngine engine;
    EXPECT_EQ(0, engine.Init(nullptr, nullptr));
}

// A refused, an unanswered and an unresolvable connection: Connect returns at once and
// the failure arrives through Run as (2, 2); Close afterwards does not block either.
TEST(SocketEngineFailure, RefusedUnansweredAndUnresolvedDoNotBlock)
{
    // The backlog of a server that never accepts is filled first, so that the next
    // handshake is never answered.
    CLoopbackServer silent([](int) {}, 0, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 16; ++i)
    {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons((u16)silent.Port());
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        (void)!connect(fd, (sockaddr*)&a, sizeof(a));
        fillers.push_back(fd);
        pollfd p = {fd, POLLOUT, 0};
        if (poll(&p, 1, 200) == 0)
            break;
    }

    struct Case { const char* name; const char* host; int port; double minMs, maxMs; };
    const Case cases[] = {
        {"refused", "127.0.0.1", UnusedLoopbackPort(), 0, 2000},
        {"unanswered", "127.0.0.1", silent.Port(), 250, 3000},
        {"empty host", "", 5000, 0, 2000},
        {"bad port", "127.0.0.1", 70000, 0, 2000},
    };
    for (const Case& k : cases)
    {
        Client c;
        c.engine.SetTimeouts(0, 0, 300);
        Clock::time_point start = Clock::now();
        EXPECT_EQ(1, c.engine.Connect(k.host, k.port)) << k.name;
        EXPECT_LT(MsSince(start), 200) << k.name;
        EXPECT_TRUE(c.engine.IsConnected(false)) << k.name << ": connecting counts as connected";
        ASSERT_TRUE(Pump(c.engine, [&] { return !c.rec.log.empty(); })) << k.name;
        const double ms = MsSince(start);
        EXPECT_EQ("E2,2", c.rec.log[0]) << k.name;
        EXPECT_GE(ms, k.minMs) << k.name;
        EXPECT_LE(ms, k.maxMs) << k.name;
        start = Clock::now();
        c.engine.Close();
        EXPECT_LT(MsSince(start), 1000) << k.name;
    }

    // Close while the handshake is still pending (10 s allowed) ends the attempt at
    // once, silently.
    Client c;
    ASSERT_EQ(1, c.engine.Connect("127.0.0.1", silent.Port()));
    c.engine.Send((const u8*)"queued", 6);
    const Clock::time_point start = Clock::now();
    c.engine.Close();
    EXPECT_LT(MsSince(start), 1000);
    c.engine.Run(0.016f);
    EXPECT_TRUE(c.rec.log.empty());
    for (int fd : fillers)
        close(fd);
}

// The data of a batch comes before its events: a message cut by the server's close is
// delivered up to where it stopped, then (4, 0).
TEST(SocketEngineReceive, ServerClosingMidMessage)
{
    CLoopbackServer server([](int fd) { CLoopbackServer::SendAll(fd, "\xA5\x0A" "abc", 5); });
    Client c;
    ASSERT_EQ(1, c.engine.Connect("127.0.0.1", server.Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));   // one batch
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.Has("E4,0"); }));
    EXPECT_EQ("\xA5\x0A" "abc", c.rec.data);
    EXPECT_EQ("E1,0", c.rec.log.front());
    EXPECT_EQ("E4,0", c.rec.log.back());
}

TEST(SocketEngineReceive, BytesOneAtATime)
{
    std::string sent;
    for (int i = 0; i < 300; ++i)
        sent.push_back((char)(i * 7));
    CLoopbackServer server([&](int fd) {
        for (char ch : sent)
        {
            CLoopbackServer::SendAll(fd, &ch, 1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    Client c;
    ASSERT_TRUE(c.Connect(server.Port()));
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.Has("E4,0"); }));
    EXPECT_EQ(sent, c.rec.data);
}

// A 1 MiB block in one Send goes out whole (the socket takes it in parts) and comes back.
TEST(SocketEngineTransfer, OneMebibyteEchoed)
{
    std::string block(1 << 20, 0);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = (char)(i * 131 + (i >> 12));
    CLoopbackServer server([](int fd) { CLoopbackServer::Echo(fd); });
    Client c;
    ASSERT_TRUE(c.Connect(server.Port()));
    c.Send(block);
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.data.size() >= block.size(); }, 20000));
    EXPECT_TRUE(c.rec.data == block);
    EXPECT_FALSE(c.rec.Has("E2,10"));
}

// Close while blocks are queued and the server streams back: everything queued reaches
// the server before the connection ends, and nothing is delivered after Close.
TEST(SocketEngineClose, DuringTrafficDrainsAndGoesQuiet)
{
    std::atomic<size_t> received{0};
    CLoopbackServer server([&](int fd) {
        std::thread flood([fd] {
            std::string chunk(16384, 'z');
            for (int i = 0; i < 256 && CLoopbackServer::SendAll(fd, chunk.data(), chunk.size()); ++i)
            {
            }
        });
        std::vector<char> sink(1 << 16);
        size_t n;
        while ((n = CLoopbackServer::ReadAll(fd, sink.data(), sink.size())) > 0)
            received += n;
        shutdown(fd, SHUT_RDWR);
        flood.join();
    });
    Client c;
    ASSERT_TRUE(c.Connect(server.Port()));
    const std::string block(8192, 'q');
    for (int i = 0; i < 200; ++i)
        c.Send(block);
    c.engine.Run(0.016f);
    c.engine.Close();
    const size_t seen = c.rec.log.size();
    for (int i = 0; i < 20; ++i)
    {
        c.engine.Run(0.016f);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(seen, c.rec.log.size());
    for (int i = 0; i < 2000 && received.load() < 200u * 8192u; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::string events;
    for (const std::string& e : c.rec.log)
        if (e[0] == 'E')
            events += e + " ";
    EXPECT_EQ(200u * 8192u, received.load()) << events;
}

// Blocks sent before the connected event wait for its delivery. A Close that delivers that
// event itself sends none of them (its owner, closing, sends no greeting); delivered
// first, the greeting its owner sends goes ahead of them.
TEST(SocketEngineClose, HeldBlocksGoOutOnlyAfterTheConnectedDelivery)
{
    struct Case { const char* name; bool deliveredFirst; const char* expect; };
    const Case cases[] = {
        {"closed before the delivery", false, ""},
        {"delivered, then closed", true, "hellorequest"},
    };
    for (const Case& c : cases)
    {
        std::string received;
        {
            CLoopbackServer server([&](int fd) {
                CLoopbackServer::SendAll(fd, "x", 1);
                char buf[64];
                size_t n;
                while ((n = CLoopbackServer::ReadAll(fd, buf, sizeof(buf))) > 0)
                    received.append(buf, n);
            });
            Client client;
            bool closing = false;
            client.rec.hook = [&](const std::string& entry) {
                if (entry == "E1,0" && !closing)
                    client.Send("hello");
                if (entry[0] == 'D')   // slow over the byte: a released block would go out
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
            };
            ASSERT_EQ(1, client.engine.Connect("127.0.0.1", server.Port())) << c.name;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));   // event and byte queued
            client.Send("request");
            if (c.deliveredFirst)
            {
                ASSERT_TRUE(Pump(client.engine, [&] { return client.rec.Has("Dx"); })) << c.name;
            }
            closing = true;
            client.engine.Close();
            EXPECT_TRUE(client.rec.Has("Dx")) << c.name;
        }
        EXPECT_EQ(c.expect, received) << c.name;
    }
}

// Entries the old connection queued (data and its close) never reach the next one, and
// an observer that closes or deletes the engine mid-batch hears nothing more.
TEST(SocketEngineGenerations, OldEventsNeverReachTheNewConnection)
{
    std::atomic<bool> go{false};
    CLoopbackServer old([&](int fd) {
        while (!go)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        CLoopbackServer::SendAll(fd, "old", 3);
    });
    CLoopbackServer fresh([](int fd) { CLoopbackServer::Echo(fd); });
    Client c;
    ASSERT_TRUE(c.Connect(old.Port()));
    go = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));   // "old" and (4, 0) queued
    ASSERT_EQ(1, c.engine.Connect("127.0.0.1", fresh.Port()));
    const size_t before = c.rec.log.size();
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.log.size() > before; }));
    c.Send("new");
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.data.size() >= 3; }));
    EXPECT_EQ("new", c.rec.data);
    EXPECT_FALSE(c.rec.Has("E4,0"));
    EXPECT_EQ("E1,0", c.rec.log[before]);
}

TEST(SocketEngineGenerations, ObserverClosingOrDeletingMidBatch)
{
    for (bool destroy : {false, true})
    {
        CLoopbackServer server([](int fd) { CLoopbackServer::SendAll(fd, "xy", 2); });
        Recorder rec;
        CSocketEngine* engine = new CSocketEngine();
        ASSERT_EQ(1, engine->Init(App(), &rec));
        rec.hook = [&](const std::string& entry) {
            if (entry[0] != 'D')
                return;
            if (destroy)
            {
                delete engine;
                engine = nullptr;
            }
            else
                engine->Close();
        };
        ASSERT_EQ(1, engine->Connect("127.0.0.1", server.Port()));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));   // one batch, mostly
        for (int i = 0; i < 5000 && engine && rec.log.size() < 2; ++i)
        {
            engine->Run(0.016f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(2u, rec.log.size()) << destroy;
        EXPECT_EQ("E1,0", rec.log[0]);
        EXPECT_EQ("Dxy", rec.log[1]);
        EXPECT_EQ(1, rec.maxDepth);
        if (engine)
        {
            engine->Run(0.016f);
            EXPECT_EQ(2u, rec.log.size());
            EXPECT_EQ(-1, engine->GetSocket());
            delete engine;
        }
    }
}

// The observer deletes the engine from a delivery that Close itself makes: Close touches
// nothing of the engine afterwards (checked under AddressSanitizer).
TEST(SocketEngineGenerations, ObserverDeletingDuringClose)
{
    CLoopbackServer server([](int fd) {
        char go;
        if (CLoopbackServer::ReadAll(fd, &go, 1) == 1)
            CLoopbackServer::SendAll(fd, "xy", 2);
        CLoopbackServer::Echo(fd);
    });
    Recorder rec;
    CSocketEngine* engine = new CSocketEngine();
    ASSERT_EQ(1, engine->Init(App(), &rec));
    ASSERT_EQ(1, engine->Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(Pump(*engine, [&] { return rec.Has("E1,0"); }));
    engine->Send((const u8*)"g", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));   // "xy" is queued
    rec.hook = [&](const std::string& entry) {
        if (entry[0] == 'D')
        {
            delete engine;
            engine = nullptr;
        }
    };
    engine->Close();
    EXPECT_EQ(nullptr, engine);
    EXPECT_EQ((std::vector<std::string>{"E1,0", "Dxy"}), rec.log);
    delete engine;
}

TEST(SocketEngineTimers, SilenceAndKeepAlive)
{
    std::atomic<bool> release{false};
    CLoopbackServer server([&](int fd) {
        CLoopbackServer::SendAll(fd, "!", 1);
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    Client c;
    c.engine.SetTimeouts(60, 0, 0);
    ASSERT_TRUE(c.Connect(server.Port()));
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.data == "!"; }));
    // Frames of made-up length: 30 s without data makes the keep-alive due, once.
    c.engine.Run(29.0f);
    EXPECT_FALSE(c.engine.IsKeepAliveDue());
    c.engine.Run(1.5f);
    EXPECT_TRUE(c.engine.IsKeepAliveDue());
    EXPECT_FALSE(c.engine.IsKeepAliveDue());
    // Four silent receive waits in a row end the connection with (3, 6).
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.Has("E3,6"); }));
    EXPECT_GE(MsSince(start), 150);
    release = true;
}

// A server that stops reading: once the socket stays full for the send time-out, the
// queued blocks are dropped and (3, 9) reported.
TEST(SocketEngineTimers, SendTimeoutWhenTheServerStopsReading)
{
    std::atomic<bool> release{false};
    CLoopbackServer server([&](int) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    Client c;
    c.engine.SetTimeouts(0, 100, 0);
    ASSERT_TRUE(c.Connect(server.Port()));
    const std::string block(1 << 20, 's');
    for (int i = 0; i < 64 && !c.rec.Has("E3,9"); ++i)
    {
        c.Send(block);
        c.engine.Run(0.016f);
    }
    EXPECT_TRUE(Pump(c.engine, [&] { return c.rec.Has("E3,9"); }, 10000));
    release = true;
}

// Connections closed and replaced at random moments (before the handshake, mid-send,
// mid-delivery): every connection that is allowed to finish gets back exactly what it
// sent, never a byte of an earlier one.
TEST(SocketEngineStress, RandomCloseAndReconnect)
{
    const int rounds = 40;
    CLoopbackServer server([](int fd) { CLoopbackServer::Echo(fd); }, rounds);
    Client c;
    u32 seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int round = 0; round < rounds; ++round)
    {
        c.rec.data.clear();
        ASSERT_EQ(1, c.engine.Connect("127.0.0.1", server.Port()));
        std::string sent;
        const int blocks = 1 + next() % 6;
        for (int i = 0; i < blocks; ++i)
        {
            std::string block(1 + next() % 40000, (char)('a' + round % 26));
            c.Send(block);
            sent += block;
            for (u32 k = next() % 3; k > 0; --k)
                c.engine.Run(0.016f);
        }
        if (next() % 3 == 0)
        {
            c.engine.Close();        // anywhere in the exchange
            continue;
        }
        ASSERT_TRUE(Pump(c.engine, [&] { return c.rec.data.size() >= sent.size(); })) << round;
        EXPECT_TRUE(c.rec.data == sent) << round;
    }
}
