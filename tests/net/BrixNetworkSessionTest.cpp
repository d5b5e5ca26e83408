// The session's links, status, framing and timers against scripted lobby servers on
// 127.0.0.1. The engines' frames are run by hand, with made-up frame times where a
// timer is the point.
#include "net/BrixNetworkSession.h"
#include "FailingAllocations.h"
#include "LoopbackServer.h"
#include "engine/KetrelApplication.h"
#include "net/BerHandCodec.h"
#include "net/BerRules.h"
#include "net/BrixSessionHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
typedef std::vector<u8> Bytes;

class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

struct Host : IBrixSessionHost
{
    TestApplication* app = new TestApplication();
    IKetrelApplication* GetEngineApplication() override { return app; }
    CKetrelString GetLanguageText(i32 index) override
    {
        CKetrelString text;
        text.Format(L"text %d", index);
        return text;
    }
    void GetClientInfo(CBrixClientInfo* info) override
    {
        info->appGameId = 77;
        info->version = "1.0";
        info->languageCode = "EN";
    }
};
Host& TheHost()
{
    static Host* host = new Host();
    return *host;
}

// Records status changes and log-in errors as text, in order.
struct Watcher : CBrixNetworkSession::StatusObserver, CBrixNetworkSession::LoginObserver
{
    std::vector<std::string> log;
    void OnLobbyLinkStatusChanged(CBrixNetworkSession*, int b) override { log.push_back("L" + std::to_string(b)); }
    void OnGameLinkStatusChanged(CBrixNetworkSession*, int g) override { log.push_back("G" + std::to_string(g)); }
    void OnNotification(CBrixNetworkSession*, int, int, const CKetrelString&) override {}
    void OnConnectRefused(CBrixNetworkSession*, const CKetrelString&) override {}
    void OnLoginError(CBrixNetworkSession*, const CKetrelString& text) override
    {
        char narrow[64];
        if (text.GetLength() < 63)
            text.ToNarrow(narrow);
        log.push_back(std::string("error ") + narrow);
    }
    void OnLoginChallenge(CBrixNetworkSession*, const CKetrelString&) override {}
    void OnLoggedIn(CBrixNetworkSession*, int, const CKetrelString&, const CKetrelString&,
                    const CKetrelString&, const CKetrelString&, int) override {}
    void OnConfirmUserNameAck(CBrixNetworkSession*, int, const CKetrelString&) override {}
    void OnConfirmEmailAck(CBrixNetworkSession*, int, const CKetrelString&) override {}
    void OnLoginSlot6(CBrixNetworkSession*) override {}
    void OnLoginSlot7(CBrixNetworkSession*) override {}
    void OnLoginSlot8(CBrixNetworkSession*) override {}
    bool Has(const std::string& e) const
    {
        for (const std::string& x : log)
            if (x == e)
                return true;
        return false;
    }
};

Bytes Ping(i32 value)
{
    Bytes b((size_t)BerEncodePing(nullptr, 0, value));
    BerEncodePing(b.data(), (int)b.size(), value);
    return b;
}

// Reads one whole message from the client; empty when the connection ended.
Bytes ReadFrame(int fd)
{
    Bytes b;
    for (;;)
    {
        const int need = BerGetFrameSize(b.data(), (int)b.size());
        if (need >= 0 && (int)b.size() >= need)
            return b;
        u8 byte;
        if (CLoopbackServer::ReadAll(fd, &byte, 1) != 1 || need == -2)
            return Bytes();
        b.push_back(byte);
    }
}

void SendPieces(int fd, const Bytes& bytes, const std::vector<size_t>& cuts)
{
    size_t at = 0;
    for (size_t cut : cuts)
    {
        CLoopbackServer::SendAll(fd, bytes.data() + at, cut - at);
        at = cut;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CLoopbackServer::SendAll(fd, bytes.data() + at, bytes.size() - at);
}

struct Fixture
{
    Watcher watcher;
    CBrixNetworkSession session;
    Fixture() { EXPECT_EQ(1, session.Init(&TheHost(), &watcher)); }
    void Frame(f32 seconds = 0.016f)
    {
        session.GetLobbyEngine()->Run(seconds);
        session.GetGameEngine()->Run(seconds);
        session.Update(seconds);
    }
    bool PumpUntil(std::function<bool()> done, int ms = 5000)
    {
        const auto start = std::chrono::steady_clock::now();
        while (!done())
        {
            if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(ms))
                return false;
            Frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    bool Connect(int port)
    {
        return session.Connect("127.0.0.1", port, &watcher) == 1 &&
               PumpUntil([&] { return (session.GetStatus() & 0xFF) != CBrixNetworkSession::LOBBY_CONNECTING; }) &&
               (session.GetStatus() & 0xFF) == CBrixNetworkSession::LOBBY_HELLO_SENT;
    }
};
}

// Both bytes changing notify the lobby change first; an unchanged word notifies nothing.
TEST(BrixNetworkSessionStatus, NotificationOrder)
{
    struct Case { const char* name; u32 from, to; std::vector<std::string> expect; };
    const Case cases[] = {
        {"both", 0x000, 0x103, {"L3", "G256"}},
        {"lobby only", 0x103, 0x105, {"L5"}},
        {"game only", 0x105, 0x005, {"G0"}},
        {"same", 0x005, 0x005, {}},
    };
    Fixture f;
    for (const Case& k : cases)
    {
        f.session.SetStatus(k.from);
        f.watcher.log.clear();
        f.session.SetStatus(k.to);
        EXPECT_EQ(k.expect, f.watcher.log) << k.name;
    }
    f.session.SetStatus(0);
}

// The hello goes out as soon as the link is up; pings however the stream is cut (a
// header split after its first byte, two in one piece, one in three pieces) are each
// answered once, unchanged.
TEST(BrixNetworkSessionFraming, PingsCutAnywhereAreAnsweredOnce)
{
    const Bytes p1 = Ping(5), p2 = Ping(300), p3 = Ping(70000);
    Bytes stream = p1;
    stream.insert(stream.end(), p2.begin(), p2.end());
    stream.insert(stream.end(), p3.begin(), p3.end());
    const size_t a = p1.size(), b = a + p2.size();
    int helloTag = -1;
    std::vector<Bytes> answers;
    std::atomic<bool> done{false};
    CLoopbackServer server([&](int fd) {
        Bytes hello = ReadFrame(fd);
        helloTag = hello.empty() ? -2 : BerGetMessageTag(hello.data());
        SendPieces(fd, stream, {1, a + 2, b + 1, b + 3});
        for (int i = 0; i < 3; ++i)
            answers.push_back(ReadFrame(fd));
        done = true;
    });
    Fixture f;
    ASSERT_TRUE(f.Connect(server.Port()));
    EXPECT_EQ((std::vector<std::string>{"L2", "L1"}), f.watcher.log);
    ASSERT_TRUE(f.PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(0, helloTag);
    ASSERT_EQ(3u, answers.size());
    EXPECT_EQ(p1, answers[0]);
    EXPECT_EQ(p2, answers[1]);
    EXPECT_EQ(p3, answers[2]);
}

// A message cut off by the server's close is forgotten: the next connection's first
// message is read from its own start.
TEST(BrixNetworkSessionFraming, PartialMessageDoesNotSurviveReconnect)
{
    const Bytes ping = Ping(9);
    CLoopbackServer first([&](int fd) {
        ReadFrame(fd);
        CLoopbackServer::SendAll(fd, ping.data(), 3);
    });
    Bytes answer;
    std::atomic<bool> done{false};
    CLoopbackServer second([&](int fd) {
        ReadFrame(fd);
        CLoopbackServer::SendAll(fd, ping.data(), ping.size());
        answer = ReadFrame(fd);
        done = true;
    });
    Fixture f;
    ASSERT_TRUE(f.Connect(first.Port()));
    ASSERT_TRUE(f.PumpUntil([&] { return (f.session.GetStatus() & 0xFF) == 0; }));
    ASSERT_TRUE(f.Connect(second.Port()));
    ASSERT_TRUE(f.PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(ping, answer);
}

// What closes the lobby link, and what the pending log-in observer hears of it.
TEST(BrixNetworkSessionLinks, WaysTheLobbyLinkEnds)
{
    struct Case
    {
        const char* name;
        std::function<void(int)> script;     // null: nobody listens
        std::function<void(Fixture&)> act;
        std::vector<std::string> expect;      // after the connection attempt
    };
    const Bytes badLength = {0xA1, 0x85, 1, 2, 3, 4, 5};
    const Case cases[] = {
        {"refused", nullptr, [](Fixture&) {}, {"L2", "L0", "error text 3"}},
        {"server closes", [](int fd) { ReadFrame(fd); }, [](Fixture&) {}, {"L2", "L1", "L0"}},
        {"unusable length", [&](int fd) { ReadFrame(fd); CLoopbackServer::SendAll(fd, badLength.data(), badLength.size());
                                          ReadFrame(fd); },
         [](Fixture&) {}, {"L2", "L1", "L0"}},
        {"idle minute", [](int fd) { ReadFrame(fd); ReadFrame(fd); },
         [](Fixture& f) { f.session.Update(59.0f); EXPECT_NE(0u, f.session.GetStatus()); f.session.Update(1.5f); },
         {"L2", "L1", "L0"}},
    };
    for (const Case& k : cases)
    {
        CLoopbackServer server(k.script ? k.script : [](int) {}, k.script ? 1 : 0);
        const int port = k.script ? server.Port() : UnusedLoopbackPort();
        Fixture f;
        ASSERT_EQ(1, f.session.Connect("127.0.0.1", port, &f.watcher)) << k.name;
        f.PumpUntil([&] { return (f.session.GetStatus() & 0xFF) != CBrixNetworkSession::LOBBY_CONNECTING; });
        k.act(f);
        EXPECT_TRUE(f.PumpUntil([&] { return f.session.GetStatus() == 0; })) << k.name;
        EXPECT_EQ(k.expect, f.watcher.log) << k.name;
        EXPECT_EQ(0, f.session.GetLobbyPort()) << k.name;
    }
}

// After 30 s without received bytes one ping goes out on the connected channel; the
// game link's own events set and clear its bits.
TEST(BrixNetworkSessionLinks, KeepAliveAndGameLink)
{
    const Bytes ping = Ping(-1);
    Bytes keepAlive, shopGroups;
    std::atomic<bool> lobbyDone{false};
    CLoopbackServer lobby([&](int fd) {
        ReadFrame(fd);
        keepAlive = ReadFrame(fd);
        shopGroups = ReadFrame(fd);
        lobbyDone = true;
        ReadFrame(fd);
    });
    std::atomic<bool> dropGame{false};
    CLoopbackServer game([&](int) {
        while (!dropGame)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    Fixture f;
    ASSERT_TRUE(f.Connect(lobby.Port()));
    f.session.GetLobbyEngine()->Run(29.0f);
    f.session.Update(0.0f);
    f.session.GetLobbyEngine()->Run(1.5f);
    f.session.Update(0.0f);
    f.session.Update(0.0f);

    ASSERT_EQ(1, f.session.GetGameEngine()->Connect("127.0.0.1", game.Port()));
    ASSERT_TRUE(f.PumpUntil([&] { return (f.session.GetStatus() & 0xFF00) != 0; }));
    ASSERT_TRUE(f.PumpUntil([&] { return lobbyDone.load(); }));
    EXPECT_EQ(ping, keepAlive);
    ASSERT_GE(shopGroups.size(), 1u);
    EXPECT_EQ(92, BerGetMessageTag(shopGroups.data()));

    // The game server closes: the link is closed, not left half open.
    dropGame = true;
    ASSERT_TRUE(f.PumpUntil([&] { return (f.session.GetStatus() & 0xFF00) == 0; }));
    EXPECT_FALSE(f.session.GetGameEngine()->IsConnected(false));
    EXPECT_EQ(CBrixNetworkSession::LOBBY_HELLO_SENT, (int)(f.session.GetStatus() & 0xFF));
}

// A log-in without reply reports text 12 once, after 40 s of frames; a picture request
// without reply calls back with no image after 2 s, once, and a new request may follow.
TEST(BrixNetworkSessionTimers, LoginAndPictureTimeOuts)
{
    std::atomic<int> frames{0};
    CLoopbackServer server([&](int fd) {
        while (!ReadFrame(fd).empty())
            ++frames;
    });
    Fixture f;
    ASSERT_TRUE(f.Connect(server.Port()));
    ASSERT_EQ(1, f.session.Login("ann", "pw", &f.watcher));
    EXPECT_EQ(CBrixNetworkSession::LOBBY_LOGGING_IN, (int)(f.session.GetStatus() & 0xFF));
    f.watcher.log.clear();
    f.session.Update(39.0f);
    f.session.Update(1.5f);
    EXPECT_TRUE(f.watcher.log.empty());
    f.session.Update(0.016f);
    f.session.Update(0.016f);
    EXPECT_EQ(std::vector<std::string>{"error text 12"}, f.watcher.log);

    struct Calls { int count = 0; bool image = true; std::string name; };
    Calls calls;
    auto callback = [](CKetrelSurface* image, const CKetrelString& name, void* context, f32) {
        Calls* c = static_cast<Calls*>(context);
        ++c->count;
        c->image = image != nullptr;
        char narrow[32] = {0};
        if (name.GetLength() < 31)
            name.ToNarrow(narrow);
        c->name = narrow;
    };
    f.session.RequestImage(1, 2, "face", callback, &calls);
    f.session.RequestImage(1, 2, "other", callback, &calls);   // the first still waits
    f.session.Update(1.0f);
    f.session.Update(1.5f);
    EXPECT_EQ(0, calls.count);
    f.session.Update(0.016f);
    f.session.Update(0.016f);
    EXPECT_EQ(1, calls.count);
    EXPECT_FALSE(calls.image);
    EXPECT_EQ("face", calls.name);
    f.session.RequestImage(3, 4, "again", callback, &calls);
    // The hello, the log-in and two picture requests reach the server.
    EXPECT_TRUE(f.PumpUntil([&] { return frames.load() == 4; }));
}

// A log-in or log-in challenge whose message cannot be had (no memory) reports that it
// sent nothing and leaves the link as it was.
TEST(BrixNetworkSessionLinks, LogInWithoutMemorySaysNotSent)
{
    if (!failalloc::kReplaced)
        GTEST_SKIP() << "allocations cannot be replaced under this sanitizer";
    CLoopbackServer server([](int fd) {
        while (!ReadFrame(fd).empty())
        {
        }
    });
    Fixture f;
    ASSERT_TRUE(f.Connect(server.Port()));
    const CKetrelString longName(std::string(3000, 'a').c_str());
    {
        failalloc::Scope noMemory(3000);
        EXPECT_EQ(0, f.session.Login(longName, "pw", &f.watcher));
        EXPECT_EQ(0, f.session.RequestLoginChallenge(longName, &f.watcher));
    }
    EXPECT_EQ(CBrixNetworkSession::LOBBY_HELLO_SENT, (int)(f.session.GetStatus() & 0xFF));
    EXPECT_EQ(1, f.session.Login("ann", "pw", &f.watcher));
}
