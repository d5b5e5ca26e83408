// The session's reactions to single replies, fed into its receive path on a lobby link
// to a listening server that records what the client sends. The replies are encoded by
// the lobby server's own codec, so a fault shared by our encoder and decoder cannot hide.
#include "SessionRecorder.h"
#include "LobbyCodecTool.h"
#include "LoopbackServer.h"
#include "NetTestBytes.h"
#include "net/BerRules.h"
#include "net/BrixPlayer.h"
#include "net/BrixSafeFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

namespace
{
std::string H(const std::string& text) { return "\"" + ToHex((const u8*)text.data(), (int)text.size()) + "\""; }

// One message encoded by the lobby server's codec; fields are JSON with texts as H(...).
Bytes Msg(int number, const std::string& fields)
{
    CLobbyCodecTool* tool = CLobbyCodecTool::Shared();
    JValue request;
    if (!tool || !JValue::Parse("{\"op\":\"encode\",\"msg\":" + std::to_string(number) + ",\"fields\":" + fields + "}",
                                &request))
        return Bytes();
    const JValue answer = tool->Ask(request);
    return answer.members.count("hex") ? Hex(answer.members.at("hex").text) : Bytes();
}

// A server that reads the client's messages and answers none; their numbers are kept.
struct Listener
{
    std::mutex lock;
    std::vector<int> tags;
    CLoopbackServer server{[this](int fd) {
        Bytes b;
        u8 chunk[4096];
        for (;;)
        {
            const int need = BerGetFrameSize(b.data(), (int)b.size());
            if (need > 0 && (int)b.size() >= need)
            {
                std::lock_guard<std::mutex> hold(lock);
                tags.push_back(BerGetMessageTag(b.data()));
                b.erase(b.begin(), b.begin() + need);
                continue;
            }
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0)
                return;
            b.insert(b.end(), chunk, chunk + n);
        }
    }};
    std::vector<int> Tags()
    {
        std::lock_guard<std::mutex> hold(lock);
        return tags;
    }
};

// A client connected to a listener (lobby byte 1, log-in observer pending), its log
// cleared.
struct Linked
{
    Listener listener;
    Client c;
    Linked()
    {
        EXPECT_EQ(1, c.session.Connect("127.0.0.1", listener.server.Port(), &c.rec));
        EXPECT_TRUE(Pump({&c}, [&] { return c.Lobby() == Session::LOBBY_HELLO_SENT; }));
        c.rec.log.clear();
    }
    void Feed(const Bytes& message, int channel = 0)
    {
        ASSERT_FALSE(message.empty());
        c.session.FeedChannel(message.data(), (int)message.size(), channel);
    }
    // The numbers the listener got after the hello, once count of them arrived.
    std::vector<int> Sent(size_t count)
    {
        Pump({&c}, [&] { return listener.Tags().size() >= count + 1; }, 3000);
        std::vector<int> t = listener.Tags();
        return std::vector<int>(t.begin() + 1, t.end());
    }
};

struct RouteCalls
{
    std::vector<std::string> log;
};

void Route(void* context, int list, int index, int first, const CKetrelArray<CGroupListItem>* groups,
           const CPlayerListItem* item, const u8* image, int imageSize)
{
    std::string e = "list " + std::to_string(list) + " index " + std::to_string(index) + " total " +
                    std::to_string(first);
    if (groups)
        e += " groups " + std::to_string(groups->GetCount());
    if (item)
        e += " item " + std::to_string(item->id);
    if (image)
        e += " image " + std::to_string(imageSize);
    static_cast<RouteCalls*>(context)->log.push_back(e);
}
}

// The connect acknowledgement: accepted, redirected, refused, other refusals.
TEST(BrixSessionDispatch, ConnectAcknowledgement)
{
    struct Case
    {
        const char* name;
        std::string fields;
        std::vector<std::string> log, hostLog;
        u32 lobby;
    };
    const Case cases[] = {
        {"accepted", "[" + H("") + ",0," + H("") + ",0]", {"L3"}, {}, 3},
        {"redirect", "[" + H("") + ",-3," + H("lobby2.example:6000") + ",0]", {}, {"redirect lobby2.example 6000"}, 1},
        {"redirect without port", "[" + H("") + ",-3," + H("lobby2.example") + ",0]", {"L0"}, {}, 0},
        {"refused", "[" + H("old") + ",-1," + H("http://update") + ",0]", {"refused http://update", "L0"}, {}, 0},
        {"other", "[" + H("busy") + ",-5," + H("") + ",0]", {"error busy", "L0"}, {}, 0},
    };
    for (const Case& k : cases)
    {
        Linked l;
        l.Feed(Msg(2, k.fields));
        EXPECT_EQ(k.log, l.c.rec.log) << k.name;
        EXPECT_EQ(k.hostLog, l.c.host.log) << k.name;
        EXPECT_EQ(k.lobby, l.c.Lobby()) << k.name;
    }
}

// Every refusal code of the log-in reply maps to its text; a reply after the 40 s error
// finds nobody waiting and changes nothing.
TEST(BrixSessionDispatch, LogInReplies)
{
    struct Case
    {
        int code;
        std::string expect;
    };
    const Case cases[] = {
        {-8, "error from server"}, {-1, "error from server"}, {-7, "error text 32"}, {-4, "error text 31"},
        {-3, "error text 18"},     {-2, "error text 18"},     {-5, "error text 12"}, {3, "logged in"},
    };
    Linked l;
    for (const Case& k : cases)
    {
        l.c.rec.log.clear();
        ASSERT_EQ(1, l.c.session.Login("ann", "pw", &l.c.rec));
        l.Feed(Msg(6, "[" + std::to_string(k.code) + "," + H("from server") + "," + H("") + "," + H("Ann") + ",0," +
                          H("") + "]"));
        EXPECT_TRUE(l.c.rec.Has(k.expect)) << k.code;
        EXPECT_EQ(1, (int)std::count_if(l.c.rec.log.begin(), l.c.rec.log.end(), [](const std::string& e) {
                      return e.compare(0, 5, "error") == 0 || e == "logged in";
                  })) << k.code;
    }
    EXPECT_EQ(3, l.c.session.GetOwnPlayerId());
    EXPECT_EQ("from server", Narrow(l.c.session.GetSessionToken()));

    Linked late;
    ASSERT_EQ(1, late.c.session.Login("ann", "pw", &late.c.rec));
    late.c.session.Update(40.0f);
    late.c.session.Update(0.1f);
    late.Feed(Msg(6, "[9," + H("token") + "," + H("") + "," + H("Ann") + ",0," + H("") + "]"));
    EXPECT_EQ((std::vector<std::string>{"L4", "error text 12"}), late.c.rec.log);
    EXPECT_EQ(Session::LOBBY_LOGGING_IN, late.c.Lobby());
}

// A challenge while a match request waits is declined at once and told to nobody; a
// match request while one waits cancels it first. A free player hears of a challenge,
// and of the challenger's picture once.
TEST(BrixSessionDispatch, ChallengesAndMatchRequests)
{
    const Bytes challenge = Msg(39, "[5000,77," + H("Bo") + "," + H("#3") + ",10,0]");
    const Bytes picture = Msg(85, "[77,0," + H("PNGDATA") + "]");
    Linked busy;
    busy.c.session.RequestMatch(1, 0);
    busy.c.session.RequestMatch(2, 0);
    busy.Feed(challenge);
    EXPECT_TRUE(busy.c.rec.log.empty());
    EXPECT_EQ((std::vector<int>{7, 9, 7, 40}), busy.Sent(4));

    Linked free;
    free.Feed(challenge);
    free.Feed(picture);
    free.Feed(picture);
    EXPECT_EQ((std::vector<std::string>{"challenge from 77", "challenger image 77 none"}), free.c.rec.log);
    EXPECT_EQ((std::vector<int>{14}), free.Sent(1));   // the challenger's scores
}

// Player lists reach the callback of their request key: a list with a negative first
// index reports its groups once, then each item; a picture for a listed player goes to
// that list's callback once.
TEST(BrixSessionDispatch, PlayerListsAndPictureRoutes)
{
    Linked l;
    RouteCalls calls;
    const i64 key = l.c.session.RequestPlayerList(3, "", 0, 0, -1, 5, Route, &calls);
    EXPECT_EQ(-1, l.c.session.RequestPlayerList(3, "", 0, 0, -1, 5, Route, &calls));
    EXPECT_EQ((i64)(((u64)0xFFFFFFFFu << 32) | 0xFFFFFFFFu), key);
    l.Feed(Msg(20, "[9,-1,3,[[42," + H("Ann") + "],[43," + H("Bo") + "]],[[" + H("Friends") + ",2]]]"));
    l.Feed(Msg(85, "[43,0," + H("IMG") + "]"));
    l.Feed(Msg(85, "[43,0," + H("IMG") + "]"));
    l.Feed(Msg(20, "[9,-1,3,[[44," + H("Cy") + "]],[]]"));   // answered already: nobody waits
    EXPECT_EQ((std::vector<std::string>{"list 3 index -1 total 9 groups 1", "list 3 index -1 total 9 item 42",
                                        "list 3 index 0 total 9 item 43", "list 0 index 43 total 0 image 3"}),
              calls.log);
    EXPECT_EQ(0, l.c.session.RemovePendingPlayerListRequest(-1));

    calls.log.clear();
    EXPECT_EQ(0x1000000000LL, l.c.session.RequestPlayerList(0x10, "", 0, 0, 0, 5, Route, &calls));
    l.Feed(Msg(20, "[1,0,16,[[45," + H("Di") + "]]]"));
    EXPECT_EQ((std::vector<std::string>{"list 16 index 0 total 1 item 45"}), calls.log);
    EXPECT_EQ((std::vector<int>{19, 19, 14}), l.Sent(3));   // two requests, then the scores of the second
}

// Packs whose names could leave the user data folder are refused; good ones are written
// whole and taken into use, and no temporary file stays behind.
TEST(BrixSessionDispatch, PackNames)
{
    struct Case
    {
        const char* name;
        int number;
        std::string fields;
        std::vector<std::string> files, hostLog;
    };
    const std::string pack = H("KMP2 pack bytes");
    const std::string long64(64, 'L'), long65(65, 'L');   // the longest name allowed, one more
    const Case cases[] = {
        {"language", 31, "[" + H("xx") + "," + H("brixlanguage") + "," + H("X") + ",0," + pack + "]",
         {"brixlanguage_xx.vad"}, {"language xx"}},
        {"language up", 31, "[" + H("xx") + "," + H("../brixlanguage") + "," + H("X") + ",0," + pack + "]", {}, {}},
        {"code with slash", 31, "[" + H("x/y") + "," + H("brixlanguage") + "," + H("X") + ",0," + pack + "]", {}, {}},
        {"game store missing", 31, "[" + H("xx") + "," + H("game") + "," + H("X") + ",0," + pack + "]", {}, {}},
        {"theme", 33, "[" + H("dark") + "," + H("") + "," + pack + "]", {"brixtheme_dark.vad"}, {"theme dark"}},
        {"theme hidden", 33, "[" + H(".dark") + "," + H("") + "," + pack + "]", {}, {}},
        {"theme path", 33, "[" + H("../../etc/x") + "," + H("") + "," + pack + "]", {}, {}},
        {"theme empty", 33, "[" + H("") + "," + H("") + "," + pack + "]", {}, {}},
        {"theme name of 64", 33, "[" + H(long64) + "," + H("") + "," + pack + "]",
         {"brixtheme_" + long64 + ".vad"}, {"theme " + long64}},
        {"theme name of 65", 33, "[" + H(long65) + "," + H("") + "," + pack + "]", {}, {}},
        {"language code of 64", 31, "[" + H(long64) + "," + H("brixlanguage") + "," + H("X") + ",0," + pack + "]",
         {"brixlanguage_" + long64 + ".vad"}, {}},
    };
    for (const Case& k : cases)
    {
        Client c;
        const Bytes message = Msg(k.number, k.fields);
        ASSERT_FALSE(message.empty()) << k.name;
        c.session.FeedChannel(message.data(), (int)message.size(), 0);
        std::vector<std::string> files;
        if (DIR* dir = opendir(c.host.folder.c_str()))
        {
            while (dirent* e = readdir(dir))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    files.push_back(e->d_name);
            closedir(dir);
        }
        EXPECT_EQ(k.files, files) << k.name;
        EXPECT_EQ(k.hostLog, c.host.log) << k.name;
    }
}

TEST(BrixSessionDispatch, SafeFileNames)
{
    const std::pair<const char*, bool> names[] = {
        {"brixtheme_dark.vad", true}, {"a", true}, {"A-b_c.9", true}, {"", false}, {".hidden", false},
        {"..", false}, {"a/b", false}, {"a b", false}, {"a\\b", false},
        {"0123456789012345678901234567890123456789012345678901234567890123", true},
        {"01234567890123456789012345678901234567890123456789012345678901234", false},
    };
    for (const auto& n : names)
        EXPECT_EQ(n.second, BrixIsSafeFileName(n.first)) << n.first;
    EXPECT_FALSE(BrixIsSafeFileName(Units({'a', 0x100 + '/'})));
    const u8 data[] = {1, 2, 3};
    EXPECT_EQ(10, BrixWriteFileSafely("/nonexistent-folder/", "x.vad", data, 3));
    EXPECT_EQ(2, BrixWriteFileSafely("/tmp/", "../x.vad", data, 3));
}

// The temporary file is made anew: a link planted under its name is not followed, and
// the file it names stays as it was.
TEST(BrixSessionDispatch, PackWriterFollowsNoPlantedLink)
{
    Host host;
    const std::string folder = host.folder, victim = folder + "victim";
    FILE* f = fopen(victim.c_str(), "w");
    ASSERT_TRUE(f != nullptr);
    fputs("keep", f);
    fclose(f);
    ASSERT_EQ(0, symlink(victim.c_str(), (folder + ".brixtheme_dark.vad.part").c_str()));
    const u8 data[] = {'n', 'e', 'w'};
    EXPECT_EQ(1, BrixWriteFileSafely(folder.c_str(), "brixtheme_dark.vad", data, 3));
    char text[8] = {0};
    f = fopen(victim.c_str(), "r");
    ASSERT_TRUE(f != nullptr);
    EXPECT_EQ(4u, fread(text, 1, sizeof text, f));
    fclose(f);
    EXPECT_STREQ("keep", text);
    struct stat st;
    ASSERT_EQ(0, lstat((folder + "brixtheme_dark.vad").c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(3, (int)st.st_size);
}

// Game data up to a whole 64 KiB batch reaches the game observers; a longer block is
// dropped; a status for another game is ignored.
TEST(BrixSessionDispatch, GameChannel)
{
    Client c;
    const Bytes batch(65536, 0x42);
    const Bytes tooLong(65537, 0x42);
    c.session.FeedChannel(Msg(13, "[\"" + ToHex(batch) + "\"]").data(), (int)Msg(13, "[\"" + ToHex(batch) + "\"]").size(), 1);
    const Bytes longMessage = Msg(13, "[\"" + ToHex(tooLong) + "\"]");
    c.session.FeedChannel(longMessage.data(), (int)longMessage.size(), 1);
    ASSERT_EQ(1u, c.rec.gameData.size());
    EXPECT_EQ(batch, c.rec.gameData[0]);
    const Bytes status = Msg(72, "[123,5]");
    c.session.FeedChannel(status.data(), (int)status.size(), 1);
    EXPECT_TRUE(c.rec.log.empty());
}

// What the engine hands over while the session closes a link is dropped, not delivered
// into observers from inside the Close.
TEST(BrixSessionDispatch, NothingDeliveredDuringClose)
{
    const Bytes note = Msg(45, "[1," + H("late") + ",0]");
    std::atomic<bool> sent{false};
    CLoopbackServer server([&](int fd) {
        u8 hello[256];
        read(fd, hello, sizeof hello);
        CLoopbackServer::SendAll(fd, note.data(), note.size());
        sent = true;
        read(fd, hello, sizeof hello);
    });
    Client c;
    ASSERT_EQ(1, c.session.Connect("127.0.0.1", server.Port(), &c.rec));
    ASSERT_TRUE(Pump({&c}, [&] { return c.Lobby() == Session::LOBBY_HELLO_SENT; }));
    while (!sent)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));   // the note is queued in the engine
    c.rec.log.clear();
    c.session.Close();
    EXPECT_EQ((std::vector<std::string>{"L0"}), c.rec.log);
}

// Requests: guards and the texts of web links.
TEST(BrixSessionDispatch, RequestsAndLinkTexts)
{
    Linked l;
    l.c.session.SendPlayerRelation(5, 2, 0, "");   // relation 2 sends nothing
    l.c.session.SendPlayerRelation(5, 1, 0, "");
    l.c.session.SendPlayerRelation(5, 3, 0, "");
    l.c.session.SendLogout();                      // not logged in: nothing
    l.c.session.CancelMatchRequest();              // none waiting: nothing
    l.c.session.RequestCoinBalance();
    EXPECT_EQ((std::vector<int>{21, 22, 90}), l.Sent(3));
    EXPECT_EQ("&game=64&rid=", Narrow(l.c.session.GetUrlSuffix()));
    // md5("ab") and the link check of id 0, no tokens, device "device-1", release 0.
    EXPECT_EQ("187ef4436122d1cc2f40dc2b92f0eba0", Narrow(l.c.session.HashPassword("a", "b")));
    EXPECT_EQ(Narrow(l.c.session.HashPassword("0device-1", "0")), Narrow(l.c.session.GetApplicationCheck()));
    const CKetrelString random = Session::RandomString(8, 8, 0);
    ASSERT_EQ(8, random.GetLength());
    for (int i = 0; i < 8; ++i)
    {
        const u16 ch = random.GetAt(i);
        EXPECT_TRUE(isalnum(ch) || ch == '-' || ch == '_') << ch;
    }
}

// Requests made while the lobby link is still connecting go out after the client hello,
// in their order: the server reads the hello first.
TEST(BrixSessionDispatch, RequestsDuringTheConnectFollowTheHello)
{
    Listener listener;
    Client c;
    ASSERT_EQ(1, c.session.Connect("127.0.0.1", listener.server.Port(), &c.rec));
    ASSERT_EQ(Session::LOBBY_CONNECTING, c.Lobby());
    c.session.RequestCoinBalance();
    c.session.RequestPlayerList(0, "", 0, 0, 0, 10, nullptr, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));   // the connection is up meanwhile
    EXPECT_TRUE(Pump({&c}, [&] { return listener.Tags().size() >= 3; }, 3000));
    EXPECT_EQ((std::vector<int>{0, 90, 19}), listener.Tags());
}

// A picture request that timed out is forgotten whole: the reply to a later request
// made without a callback does not reach the first request's callback.
TEST(BrixSessionDispatch, PictureAfterTheTimeOutReachesNoOldCallback)
{
    Linked l;
    int calls = 0;
    auto callback = [](CKetrelSurface*, const CKetrelString&, void* context, f32) { ++*static_cast<int*>(context); };
    l.c.session.RequestImage(1, 2, "face", callback, &calls);
    l.c.session.Update(2.5f);
    l.c.session.Update(0.016f);
    ASSERT_EQ(1, calls);
    l.c.session.RequestImage(3, 4, "other", nullptr, nullptr);
    l.Feed(Msg(85, "[77,0," + H("PNGDATA") + "]"));
    EXPECT_EQ(1, calls);
}
