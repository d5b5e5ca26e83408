// The network session against our lobby server on 127.0.0.1: connect, hello, guest
// log-in, lists and packs, two players challenging each other and playing over the game
// channel, and the ways a connection goes wrong (cut, silent, refused, unanswered,
// trickled, flooded). Each test starts its own server on a port the system chooses.
#include "net/BrixNetworkSession.h"
#include "support/LobbyServerProcess.h"
#include "SessionRecorder.h"
#include "LoopbackServer.h"
#include "engine/KetrelApplication.h"
#include "net/ASN1Messages.h"
#include "net/BerRules.h"
#include "net/BrixLobby.h"
#include "net/BrixSessionHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
bool ConnectAndLogIn(Client& c, int port)
{
    if (c.session.Connect("127.0.0.1", port, &c.rec) != 1)
        return false;
    if (!Pump({&c}, [&] { return c.Lobby() == Session::LOBBY_CONNECTED || c.Lobby() == 0; }) ||
        c.Lobby() != Session::LOBBY_CONNECTED)
        return false;
    return c.session.Login("guest", "", &c.rec) == 1 && Pump({&c}, [&] { return c.rec.Has("logged in"); });
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.' || std::string(e->d_name).size() > 2)
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct ListCalls
{
    int groups = 0;
    std::vector<int> ids;
};

void OnList(void* context, int, int, int, const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
            const u8*, int)
{
    ListCalls* calls = static_cast<ListCalls*>(context);
    if (groups)
        ++calls->groups;
    if (item)
        calls->ids.push_back(item->id);
}

// A relay between the session and the server. Bytes from the server go on one at a
// time (trickle), or only the first cutAfter of them before the relay hangs up.
std::function<void(int)> Relay(int serverPort, bool trickle, int cutAfter, std::atomic<bool>* stop)
{
    return [=](int client) {
        const int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((u16)serverPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(server, (sockaddr*)&address, sizeof address) != 0)
        {
            close(server);
            return;
        }
        const int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int forwarded = 0;
        while (!*stop)
        {
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (poll(p, 2, 20) <= 0)
                continue;
            u8 buffer[4096];
            if (p[0].revents)
            {
                const ssize_t n = read(client, buffer, sizeof buffer);
                if (n <= 0 || !CLoopbackServer::SendAll(server, buffer, (size_t)n))
                    break;
            }
            if (p[1].revents)
            {
                const ssize_t n = read(server, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                bool cut = false;
                for (ssize_t i = 0; i < n && !cut; ++i)
                {
                    if (cutAfter >= 0 && forwarded == cutAfter)
                        cut = true;
                    else if (trickle)
                    {
                        CLoopbackServer::SendAll(client, buffer + i, 1);
                        std::this_thread::sleep_for(std::chrono::microseconds(300));
                        ++forwarded;
                    }
                }
                if (cut)
                    break;
                if (!trickle)
                {
                    const ssize_t take = cutAfter >= 0 ? std::min<ssize_t>(n, cutAfter - forwarded) : n;
                    CLoopbackServer::SendAll(client, buffer, (size_t)take);
                    forwarded += (int)take;
                    if (take < n)
                        break;
                }
            }
        }
        close(server);
    };
}

template <class Message>
void Append(Bytes* stream, Message& message)
{
    const int size = message.Encode(nullptr, 0);
    const size_t at = stream->size();
    stream->resize(at + (size_t)size);
    message.Encode(stream->data() + at, size);
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
}

// Hello, connect acknowledgement, guest log-in; the packs the log-in asks for are saved
// in the user data folder and taken into use; a player list, a key value, the coins and
// the shop's groups come back to whoever asked.
TEST(BrixSessionLobby, GuestLogInListsAndPacks)
{
    CLobbyServerProcess server({"--sample-packs", "--seed-players", "3"});
    ASSERT_NE(0, server.Port());
    Client c;
    ASSERT_TRUE(ConnectAndLogIn(c, server.Port()));
    EXPECT_EQ((std::vector<std::string>{"L2", "L1", "L3", "L4", "L5", "logged in"}), c.rec.log);
    EXPECT_GT(c.session.GetOwnPlayerId(), 0);
    EXPECT_FALSE(c.session.GetSessionToken().IsEmpty());
    EXPECT_EQ(32, c.session.GetApplicationCheck().GetLength());

    // The log-in asked for the language list and the theme: both packs arrive.
    ASSERT_TRUE(Pump({&c}, [&] { return c.host.log.size() >= 2; }));
    EXPECT_EQ((std::vector<std::string>{"add xx"}), c.host.store.log);
    std::sort(c.host.log.begin(), c.host.log.end());
    EXPECT_EQ((std::vector<std::string>{"language xx", "theme sample"}), c.host.log);
    EXPECT_EQ((std::vector<std::string>{"brixlanguage_xx.vad", "brixtheme_sample.vad"}), FilesIn(c.host.folder));

    ListCalls calls;
    const i64 key = c.session.RequestPlayerList(0, "", 0, 0, 0, 10, OnList, &calls);
    EXPECT_GE(key, 0);
    EXPECT_EQ(-1, c.session.RequestPlayerList(0, "", 0, 0, 0, 10, OnList, &calls));
    std::string motd;
    c.session.GetKeyValue("motd", [](const CKetrelString&, const CKetrelString& v, void* ctx) {
        *static_cast<std::string*>(ctx) = Narrow(v);
    }, &motd);
    c.session.RequestCoinBalance();
    c.session.RequestShopGroups(0);
    ASSERT_TRUE(Pump({&c}, [&] {
        return !motd.empty() && c.rec.HasPrefix("coins") && c.rec.HasPrefix("shop groups") && c.rec.HasPrefix("scores");
    }));
    EXPECT_GE(calls.ids.size(), 3u);
    EXPECT_EQ(0, calls.groups);
    EXPECT_EQ("Welcome to the test lobby.", motd);
    EXPECT_TRUE(c.rec.Has("shop groups 0 some"));
    // The answered request is gone: the same list may be asked for again.
    EXPECT_EQ(0, c.session.RemovePendingPlayerListRequest((int)key));
}

// Key values are answered before any log-in: the log-in page asks whether to offer a
// guest log-in; a key the server does not know has the value "null".
TEST(BrixSessionLobby, KeyValuesBeforeLogIn)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Client c;
    ASSERT_EQ(1, c.session.Connect("127.0.0.1", server.Port(), &c.rec));
    ASSERT_TRUE(Pump({&c}, [&] { return c.Lobby() == Session::LOBBY_CONNECTED; }));
    std::vector<std::string> values;
    auto keep = [](const CKetrelString& k, const CKetrelString& v, void* ctx) {
        static_cast<std::vector<std::string>*>(ctx)->push_back(Narrow(k) + "=" + Narrow(v));
    };
    c.session.GetKeyValue("guestLogin", keep, &values);
    c.session.GetKeyValue("no-such-key", keep, &values);
    EXPECT_TRUE(Pump({&c}, [&] { return values.size() == 2; }, 3000));
    EXPECT_EQ((std::vector<std::string>{"guestLogin=1", "no-such-key=null"}), values);
}

// Two players: a challenge, its acceptance, the game join on both sides, the game channel
// with game data both ways (a whole 64 KiB batch and its acknowledgement), chat, and the
// end of the game as the other player sees it.
TEST(BrixSessionLobby, TwoPlayersChallengeAndPlay)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Client a, b;
    ASSERT_TRUE(ConnectAndLogIn(a, server.Port()));
    ASSERT_TRUE(ConnectAndLogIn(b, server.Port()));
    const int idA = a.rec.ownId, idB = b.rec.ownId;

    CKetrelArray<i32> ids;
    ids.Add(idB);
    a.session.SendChallenge(ids, "a game?");
    ASSERT_TRUE(Pump({&a, &b}, [&] { return b.rec.HasPrefix("challenger image"); }));
    EXPECT_TRUE(b.rec.Has("challenge from " + std::to_string(idA)));
    EXPECT_TRUE(b.rec.Has("challenger image " + std::to_string(idA) + " png"));

    b.session.AnswerChallenge(idA, 1, "");
    auto bothJoined = [&] {
        return (a.session.GetStatus() & 0xFF00) == Session::GAME_CONNECTED &&
               (b.session.GetStatus() & 0xFF00) == Session::GAME_CONNECTED;
    };
    ASSERT_TRUE(Pump({&a, &b}, bothJoined));
    EXPECT_TRUE(a.rec.Has("answer 1 from " + std::to_string(idB)));   // in the answerer's name
    EXPECT_EQ(a.session.GetGameId(), b.session.GetGameId());
    EXPECT_EQ(1, a.session.GetJoinFlag());
    EXPECT_EQ(0, b.session.GetJoinFlag());

    a.session.SendGameReady();
    b.session.SendGameReady();
    ASSERT_TRUE(Pump({&a, &b}, [&] { return a.rec.HasPrefix("players") && b.rec.HasPrefix("players"); }));
    EXPECT_TRUE(a.rec.Has("players 2 own " + std::to_string(idA) + " join 1"));
    EXPECT_TRUE(b.rec.Has("players 2 own " + std::to_string(idB) + " join 0"));

    Bytes batch(65536);
    for (size_t i = 0; i < batch.size(); ++i)
        batch[i] = (u8)(i * 7 + i / 251);
    const Bytes ack = {1, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0};
    const Bytes small(1000, 0x5A);
    a.session.SendGameData(batch.data(), (int)batch.size());
    ASSERT_TRUE(Pump({&a, &b}, [&] { return b.rec.gameData.size() == 1; }));
    b.session.SendGameData(ack.data(), (int)ack.size());
    b.session.SendGameData(small.data(), (int)small.size());
    ASSERT_TRUE(Pump({&a, &b}, [&] { return a.rec.gameData.size() == 2; }));
    a.session.SendGameData(ack.data(), (int)ack.size());
    ASSERT_TRUE(Pump({&a, &b}, [&] { return b.rec.gameData.size() == 2; }));
    EXPECT_EQ(batch, b.rec.gameData[0]);
    EXPECT_EQ(ack, b.rec.gameData[1]);
    EXPECT_EQ(ack, a.rec.gameData[0]);
    EXPECT_EQ(small, a.rec.gameData[1]);

    CBrixChatRecord line;
    line.kind = 2;
    line.text = "good luck";
    line.senderId = idA;
    a.session.SendChatMessage(&line);
    ASSERT_TRUE(Pump({&a, &b}, [&] { return !b.host.log.empty(); }));
    EXPECT_EQ((std::vector<std::string>{"chat 0 " + std::to_string(idA) + " good luck"}), a.host.log);
    EXPECT_EQ((std::vector<std::string>{"chat 1 " + std::to_string(idA) + " good luck"}), b.host.log);

    CKetrelArray<i32> players, codes;
    players.Add(idA);
    players.Add(idB);
    codes.Add(1);
    codes.Add(2);
    a.session.SendGameResult(players, codes, 0);
    a.session.SendGameOver(0);
    EXPECT_EQ(0u, a.session.GetStatus() & 0xFF00);
    EXPECT_EQ(0, a.session.GetLobby()->GetCount());
    ASSERT_TRUE(Pump({&a, &b}, [&] { return b.rec.HasPrefix("game status"); }));
    EXPECT_TRUE(b.rec.Has("game status " + std::to_string(idA)));
    EXPECT_EQ(Session::LOBBY_LOGGED_IN, a.Lobby());
}

// The same log-in with every byte from the server arriving on its own; and a server
// that hangs up inside its first message, which must not be taken for a whole one.
TEST(BrixSessionLobby, TrickledAndCutStreams)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    {
        std::atomic<bool> stop{false};
        CLoopbackServer relay(Relay(server.Port(), true, -1, &stop));
        Client c;
        EXPECT_TRUE(ConnectAndLogIn(c, relay.Port()));
        EXPECT_EQ(Session::LOBBY_LOGGED_IN, c.Lobby());
        stop = true;
    }
    {
        std::atomic<bool> stop{false};
        CLoopbackServer relay(Relay(server.Port(), false, 3, &stop));
        Client c;
        ASSERT_EQ(1, c.session.Connect("127.0.0.1", relay.Port(), &c.rec));
        EXPECT_TRUE(Pump({&c}, [&] { return c.rec.Has("L0"); }));
        EXPECT_EQ((std::vector<std::string>{"L2", "L1", "L0"}), c.rec.log);
        stop = true;
    }
}

// Keep-alive and idle close with made-up seconds: a ping after 30 s of silence is
// answered by the server, and the answer restarts the idle minute; a server that never
// answers is left after the minute.
TEST(BrixSessionLobby, KeepAliveAndSilentServer)
{
    CLobbyServerProcess server;
    ASSERT_NE(0, server.Port());
    Client c;
    ASSERT_TRUE(ConnectAndLogIn(c, server.Port()));
    c.session.Update(59.0f);
    c.session.GetLobbyEngine()->Run(31.0f);   // 31 s without received data
    c.session.Update(0.0f);                   // the keep-alive ping goes out
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    Pump({&c}, [&] { return std::chrono::steady_clock::now() > until; });
    c.session.Update(2.0f);
    EXPECT_EQ(Session::LOBBY_LOGGED_IN, c.Lobby());

    std::atomic<int> frames{0};
    CLoopbackServer silent([&](int fd) {
        while (!ReadFrame(fd).empty())
            ++frames;
    });
    Client s;
    ASSERT_EQ(1, s.session.Connect("127.0.0.1", silent.Port(), &s.rec));
    ASSERT_TRUE(Pump({&s}, [&] { return s.Lobby() == Session::LOBBY_HELLO_SENT; }));
    s.session.GetLobbyEngine()->Run(31.0f);
    s.session.Update(30.0f);
    EXPECT_EQ(Session::LOBBY_HELLO_SENT, s.Lobby());
    s.session.Update(31.0f);
    EXPECT_EQ(0u, s.session.GetStatus());
    const auto late = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (frames.load() < 2 && std::chrono::steady_clock::now() < late)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(2, frames.load());   // the hello and one ping
}

// Nobody listening, and a listener that takes the connection but never answers: Connect
// returns at once either way, the first ends in text 3, the second waits for its reply
// without freezing the frames.
TEST(BrixSessionLobby, RefusedAndUnansweredConnections)
{
    struct Case
    {
        const char* name;
        bool listen;
        std::vector<std::string> expect;
    };
    const Case cases[] = {
        {"refused", false, {"L2", "L0", "error text 3"}},
        {"unanswered", true, {"L2", "L1"}},
    };
    for (const Case& k : cases)
    {
        CLoopbackServer quiet([](int fd) { ReadFrame(fd); ReadFrame(fd); }, k.listen ? 1 : 0);
        const int port = k.listen ? quiet.Port() : UnusedLoopbackPort();
        Client c;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(1, c.session.Connect("127.0.0.1", port, &c.rec)) << k.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << k.name;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        Pump({&c}, [&] { return std::chrono::steady_clock::now() > until; });
        EXPECT_EQ(k.expect, c.rec.log) << k.name;
        c.session.Close();
    }
}

// A megabyte at once: a connect acknowledgement, a 512 KiB picture-and-link message and
// a few thousand notifications, all in one send; every message arrives once, in order.
TEST(BrixSessionLobby, OneMegabyteBurst)
{
    Bytes stream;
    CKetrelString text0, text2;
    i32 result = 0, release = 0;
    CASN1ConnectACK ackMessage(&text0, &result, &text2, &release);
    release = 7;
    Append(&stream, ackMessage);
    CKetrelString name("banner"), t2, t3, t4;
    Bytes picture(512 * 1024, 0xC3);
    u8* pictureData = picture.data();
    i32 pictureSize = (i32)picture.size();
    CASN1ImageAndLink image(&name, &pictureData, &pictureSize, &t2, &t3, &t4);
    Append(&stream, image);
    int notes = 0;
    while (stream.size() < 1024 * 1024)
    {
        i32 kind = notes++, value = 0;
        CKetrelString note;
        note.Format(L"notice number %d with some padding to make it longer", kind);
        CASN1Notification message(&kind, &note, &value);
        Append(&stream, message);
    }
    CLoopbackServer server([&](int fd) {
        ReadFrame(fd);
        CLoopbackServer::SendAll(fd, stream.data(), stream.size());
        ReadFrame(fd);
    });
    Client c;
    ASSERT_EQ(1, c.session.Connect("127.0.0.1", server.Port(), &c.rec));
    ASSERT_TRUE(Pump({&c}, [&] { return c.rec.HasPrefix("note " + std::to_string(notes - 1) + " "); }));
    EXPECT_EQ(Session::LOBBY_CONNECTED, c.Lobby());
    EXPECT_EQ(7, c.session.GetReleaseNumber());
    EXPECT_EQ("&game=64&release=7&rid=", Narrow(c.session.GetUrlSuffix()));
    EXPECT_TRUE(c.rec.Has("image and link banner 524288"));
    int seen = 0;
    for (const std::string& e : c.rec.log)
    {
        if (e.compare(0, 5, "note ") != 0)
            continue;
        EXPECT_EQ(0u, e.find("note " + std::to_string(seen++) + " "));
    }
    EXPECT_EQ(notes, seen);
}
