// The whole program as a user meets it: started from its executable in private
// namespaces, on X servers of its own, against our lobby server, driven through
// XTest and read back from its window and its settings file. Each step leaves a
// screenshot under build/tests/e2e/.
#include "E2EKit.h"
#include "E2EMatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <csignal>
#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>

using namespace e2e;

namespace
{

const int kStartMs = 20000;              // window and first frame, on a loaded machine
const int kExitMs = 15000;
const int kLobbyMs = 8000;               // intro and title (3 s) are over by then

// The stand-in application clears its window to one colour and nothing else;
// the game draws pictures.
bool ShowsOnlyTheStandIn(CProgramCopy& copy)
{
    const long first = copy.Pixel(5, 5);
    if (first != 0x203040)
        return false;
    for (int y = 20; y < 480; y += 45)
        for (int x = 20; x < 800; x += 75)
            if (copy.Pixel(x, y) != first)
                return false;
    return true;
}

class BrixWholeProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (access(ProgramPath(), X_OK) != 0)
            GTEST_SKIP() << "the program is not built";
        if (system("command -v Xvfb >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "Xvfb is not installed";
        if (!NamespacesAvailable())
            GTEST_SKIP() << "no private user, mount and network namespaces here";
    }

    // Starts a copy and waits for its first frame; fails the test when none comes.
    void StartAndShow(CProgramCopy& copy, CNetwork* network, const char* step)
    {
        ASSERT_TRUE(copy.Start(network));
        ASSERT_NE(0u, copy.FindWindow(kStartMs)) << copy.GetOutput();
        ASSERT_GE(copy.WaitFirstFrame(kStartMs), 0) << copy.GetOutput();
        copy.Screenshot(step);
    }

    // Waits through intro and title; true when the game (not the stand-in) runs.
    bool ReachLobby(CProgramCopy& copy, const char* step)
    {
        usleep(kLobbyMs * 1000);
        copy.WaitStill(500, 4000);
        copy.Screenshot(step);
        return !ShowsOnlyTheStandIn(copy);
    }

    // A tap that must change the picture; the settled picture is written as step.
    void Tap(CProgramCopy& copy, int x, int y, const char* step)
    {
        const size_t before = copy.Fingerprint();
        copy.Click(x, y);
        EXPECT_TRUE(copy.WaitChange(before, 5000)) << step << ": the tap at " << x << "," << y
                                                  << " changed nothing";
        copy.WaitStill(400, 5000);
        copy.Screenshot(step);
    }

    void QuitWithSigterm(CProgramCopy& copy)
    {
        copy.Signal(SIGTERM);
        EXPECT_EQ(0, copy.Wait(kExitMs)) << copy.GetOutput();
    }
};

} // namespace

// Works with any application behind the factory: the window comes, shows a
// frame, and SIGTERM ends the program through its quit path with status 0.
TEST_F(BrixWholeProgram, StartsShowsAFrameAndQuitsOnSigterm)
{
    CProgramCopy copy("smoke");
    StartAndShow(copy, nullptr, "first-frame");
    EXPECT_EQ(-1, copy.Wait(1000)) << "the program keeps running: " << copy.GetOutput();
    QuitWithSigterm(copy);
}

// Without its packs the program says which file is missing and fails.
TEST_F(BrixWholeProgram, MissingPacksAreReportedAndFail)
{
    CProgramCopy copy("missing_packs");
    const std::string folder = MakeTempFolder("bare");
    ASSERT_FALSE(folder.empty());
    const std::string bare = folder + "/brix";
    const std::string command = std::string("cp '") + ProgramPath() + "' '" + bare + "'";
    ASSERT_EQ(0, system(command.c_str()));
    copy.SetProgram(bare);
    ASSERT_TRUE(copy.Start(nullptr));
    const int status = copy.Wait(kStartMs);
    RemoveTree(folder);
    EXPECT_NE(-1, status) << "still running";
    EXPECT_NE(0, status) << copy.GetOutput();
    EXPECT_NE(std::string::npos, copy.GetOutput().find("ERROR: ")) << copy.GetOutput();
    EXPECT_NE(std::string::npos, copy.GetOutput().find(".vad")) << copy.GetOutput();
}

// A program placed under /tmp, which the namespace replaces (as a build folder
// under /tmp or under the home folder is), still finds the packs beside it.
TEST_F(BrixWholeProgram, ProgramUnderTmpFindsItsPacks)
{
    CProgramCopy copy("placed");
    const std::string folder = MakeTempFolder("placed-program");
    ASSERT_FALSE(folder.empty());
    const std::string built = ProgramPath();
    const std::string command =
        "cp -r '" + built.substr(0, built.rfind('/')) + "/.' '" + folder + "'";
    ASSERT_EQ(0, system(command.c_str()));
    copy.SetProgram(folder + "/brix");
    StartAndShow(copy, nullptr, "first-frame");
    EXPECT_EQ(std::string::npos, copy.GetOutput().find("ERROR: ")) << copy.GetOutput();
    QuitWithSigterm(copy);
    RemoveTree(folder);
}

// SIGTERM at the lobby saves the settings; the next start counts the launch.
TEST_F(BrixWholeProgram, SigtermAtTheLobbySavesTheSettings)
{
    CNetwork network;
    ASSERT_TRUE(network.Start());
    ASSERT_TRUE(network.StartServer()) << network.GetServerLog();
    CProgramCopy copy("sigterm");
    StartAndShow(copy, &network, "start");
    if (!ReachLobby(copy, "lobby"))
    {
        QuitWithSigterm(copy);
        GTEST_SKIP() << "the program runs the stand-in application, not the game";
    }
    QuitWithSigterm(copy);
    long launches = 0;
    ASSERT_TRUE(copy.ReadSetting("__Brix_TimesLaunched", &launches))
        << "stats.dat is missing or lacks the launch count";
    EXPECT_EQ(1, launches);

    StartAndShow(copy, &network, "second-start");
    ReachLobby(copy, "second-lobby");
    QuitWithSigterm(copy);
    ASSERT_TRUE(copy.ReadSetting("__Brix_TimesLaunched", &launches));
    EXPECT_EQ(2, launches);
}

// First launch without a server: the language chooser, the log-in page, play
// offline, the game's menu, training and its first scene.
TEST_F(BrixWholeProgram, FirstLaunchReachesTrainingOffline)
{
    CProgramCopy copy("first_launch");
    StartAndShow(copy, nullptr, "1-start");
    if (!ReachLobby(copy, "2-language"))
    {
        QuitWithSigterm(copy);
        GTEST_SKIP() << "the program runs the stand-in application, not the game";
    }
    Tap(copy, 630, 95, "3-language-chosen");
    Tap(copy, 400, 418, "4-login");
    Tap(copy, 205, 410, "5-menu");
    copy.WaitStill(1500, 20000);         // the menu loads its pictures a few a frame
    Tap(copy, 275, 220, "6-training");
    // The first visit dims the screen with a hint for 5 s; then scene 1.
    usleep(6000 * 1000);
    const size_t training = copy.Fingerprint();
    copy.Click(240, 180);
    if (!copy.WaitChange(training, 15000))
    {
        copy.Screenshot("7-scene-1");
        QuitWithSigterm(copy);
        GTEST_SKIP() << "the play screen draws nothing yet: scene 1 cannot be played";
    }
    copy.WaitStill(1000, 10000);
    copy.Screenshot("7-scene-1");
    // Only the jump is allowed here, already chosen. The creature is found by its colour;
    // pulled back from it down and to the left (20.25 degrees below the horizontal, 105
    // pixels: a stretch of about 0.24), it jumps up and right onto the opponent's ledge
    // and pushes the opponent into the water. Neighbouring aims within about two degrees
    // and 0.01 of stretch win as well.
    double cx = 0.0, cy = 0.0;
    ASSERT_TRUE(copy.FindColour(60, 150, 720, 400, 0xFA5B36, 40, 40, &cx, &cy))
        << "the red creature is not on the screen (see first_launch-7-scene-1.png)";
    const double kPi = 3.14159265358979;
    const double angle = 20.25 * kPi / 180.0, pull = 40.0 + 0.2425 * 200.0 / 0.75;
    const int fromX = (int)std::lround(cx), fromY = (int)std::lround(cy + 1.0);
    copy.Drag(fromX, fromY, (int)std::lround(cx - std::cos(angle) * pull),
              (int)std::lround(cy + 1.0 + std::sin(angle) * pull));
    usleep(8000 * 1000);
    copy.Screenshot("8-scene-1-won");
    // The scene counts as cleared once its winner goes on to the training list.
    Tap(copy, 400, 360, "9-training-again");
    QuitWithSigterm(copy);
    long cleared = 0;
    EXPECT_TRUE(copy.ReadSetting("scene_0_cleared", &cleared) && cleared == 1)
        << "the scripted jump did not win scene 1 (see first_launch-8-scene-1-won.png)";
}

// Lines of the server's log that record a log-in.
int CountLogins(const CNetwork& network)
{
    const std::string log = network.GetServerLog();
    int count = 0;
    for (size_t at = log.find("logged in as"); at != std::string::npos;
         at = log.find("logged in as", at + 1))
        count++;
    return count;
}

// Whether any client said more to the server than the kit's own probes, which
// connect and close without a word.
bool AnyClientSpoke(const CNetwork& network)
{
    const std::string log = network.GetServerLog();
    size_t at = 0;
    while ((at = log.find("lobbyserver conn ", at)) != std::string::npos)
    {
        const size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end == std::string::npos ? end : end - at);
        if (line.find(" - open") == std::string::npos &&
            line.find(" - closed by the client") == std::string::npos)
            return true;
        at += 1;
    }
    return false;
}

bool WaitLogins(const CNetwork& network, int count, int timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline)
    {
        if (CountLogins(network) >= count)
            return true;
        usleep(200000);
    }
    return false;
}

// Two copies on one network with the server: each passes the language chooser of
// its first launch and logs in as a guest.
class BrixTwoCopies : public BrixWholeProgram
{
protected:
    void SetUp() override
    {
        BrixWholeProgram::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(network.Start());
        ASSERT_TRUE(network.StartServer()) << network.GetServerLog();
    }

    // Both copies up and logged in; false when the program cannot get there yet
    // (skipReason says why).
    bool LogInBoth(const char* name)
    {
        copies[0].reset(new CProgramCopy((std::string(name) + "-a").c_str()));
        copies[1].reset(new CProgramCopy((std::string(name) + "-b").c_str()));
        for (auto& copy : copies)
        {
            StartAndShow(*copy, &network, "1-start");
            if (::testing::Test::HasFatalFailure())
                return false;
            if (!ReachLobby(*copy, "2-language"))
            {
                QuitWithSigterm(*copy);
                skipReason = "the program runs the stand-in application, not the game";
                return false;
            }
            Tap(*copy, 630, 95, "3-language-chosen");
            Tap(*copy, 400, 418, "4-login");
        }
        const int before = CountLogins(network);
        for (auto& copy : copies)
            Tap(*copy, 155, 318, "5-guest");
        if (!WaitLogins(network, before + 2, 20000) && !AnyClientSpoke(network))
        {
            QuitBoth();
            skipReason = "the program never connected to the lobby server: no guest log-in yet";
            return false;
        }
        EXPECT_GE(CountLogins(network), before + 2) << network.GetServerLog();
        for (auto& copy : copies)
        {
            copy->WaitStill(500, 5000);
            copy->Screenshot("6-logged-in");
            EXPECT_TRUE(copy->IsRunning()) << copy->GetOutput();
        }
        return true;
    }

    void QuitBoth()
    {
        for (auto& copy : copies)
            if (copy && copy->IsRunning())
                QuitWithSigterm(*copy);
    }

    CNetwork network;
    std::unique_ptr<CProgramCopy> copies[2];
    std::string skipReason;
};

// The server goes away in the middle of a session and comes back: both copies
// show the loss, retry with the growing delay (1 s, then 10 s) and log in again.
TEST_F(BrixTwoCopies, ServerRestartLogsBothInAgain)
{
    if (!LogInBoth("server_restart"))
    {
        ASSERT_FALSE(HasFailure());
        GTEST_SKIP() << skipReason;
    }
    size_t shown[2];
    for (int i = 0; i < 2; i++)
        shown[i] = copies[i]->Fingerprint();
    const int before = CountLogins(network);
    network.StopServer();
    for (int i = 0; i < 2; i++)
    {
        EXPECT_TRUE(copies[i]->WaitChange(shown[i], 10000)) << "the loss shows nowhere";
        copies[i]->WaitStill(500, 3000);
        copies[i]->Screenshot("7-server-gone");
    }
    usleep(2000 * 1000);
    ASSERT_TRUE(network.StartServer()) << network.GetServerLog();
    EXPECT_TRUE(WaitLogins(network, before + 2, 45000)) << network.GetServerLog();
    for (auto& copy : copies)
    {
        copy->WaitStill(500, 5000);
        copy->Screenshot("8-logged-in-again");
    }
    QuitBoth();
}

// ---------------------------------------------------------------- a match between the copies

namespace
{

const int kMatchMs = 150000;             // a scripted match ends well within this
const int kLeapsBeforeGivingUp = 6;

// The value of the capture group of pattern in the first line that matches it.
std::string FindInLog(const std::string& log, const std::string& pattern)
{
    std::smatch match;
    std::regex expression(pattern);
    if (std::regex_search(log, match, expression) && match.size() > 1)
        return match[1].str();
    return std::string();
}

// The results the server stored for a game: "player:result" pairs ordered by player,
// result 1 a win, -1 a loss, 0 a draw.
std::string StoredResults(const CNetwork& network, const std::string& gameId)
{
    const std::string command =
        "python3 -c 'import sqlite3, sys\n"
        "rows = sqlite3.connect(sys.argv[1]).execute(\"SELECT player, result FROM results "
        "WHERE game_id = ? ORDER BY player\", (int(sys.argv[2]),)).fetchall()\n"
        "print(\" \".join(\"%d:%d\" % r for r in rows))' '" +
        network.GetFolder() + "/lobby.db' " + gameId;
    std::string text;
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return text;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, out))
        text += buffer;
    pclose(out);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Two logged-in copies meet through the quick match of the game's menu: copy a asks
// first and waits, copy b's request pairs them. Player 0 of the game is copy a.
class BrixMatch : public BrixTwoCopies
{
protected:
    // Both copies on the play screen of one game; false (with skipReason) when they
    // cannot get there.
    bool StartMatch(const char* name)
    {
        if (!LogInBoth(name))
            return false;
        for (auto& copy : copies)
        {
            EXPECT_TRUE(WaitFor([&] { return ShowsGameMenu(*copy); }, 30000))
                << "the game's menu never showed its play button";
            copy->Screenshot("7-menu");
        }
        if (HasFailure())
            return false;
        copies[0]->Click(400, 240);
        EXPECT_TRUE(WaitFor([&] {
            return network.GetServerLog().find("waiting for a quick match") != std::string::npos;
        }, 10000)) << network.GetServerLog();
        copies[0]->Screenshot("8-waiting");
        copies[1]->Click(400, 240);
        EXPECT_TRUE(WaitFor([&] {
            return !FindInLog(network.GetServerLog(), "game (\\d+) started").empty();
        }, 10000)) << network.GetServerLog();
        const std::string log = network.GetServerLog();
        gameId = FindInLog(log, "game (\\d+) started");
        playerIds[0] = FindInLog(log, "game \\d+ started: (\\d+) against");
        playerIds[1] = FindInLog(log, "game \\d+ started: \\d+ against (\\d+)");
        for (auto& copy : copies)
        {
            EXPECT_TRUE(WaitFor([&] { return ShowsMatch(*copy); }, 20000))
                << "no play screen with its HUD";
            copy->Screenshot("9-match");
        }
        return !HasFailure();
    }

    // The framework button closes the chat page over the match.
    static void CloseChatPage(CProgramCopy& copy, const char* step)
    {
        EXPECT_TRUE(CloseChat(copy)) << step << ": the chat page stays";
        copy.Screenshot(step);
    }

    bool ResultRecorded()
    {
        return network.GetServerLog().find("result of game " + gameId + " recorded") !=
               std::string::npos;
    }

    std::string gameId;
    std::string playerIds[2];
};

} // namespace

// Two copies play a quick match to its end. The waiting side sends a chat line, which
// the moving side shows as a bubble; the moving side throws a bomb away from its
// opponent and answers; from then on each turn leaps as far as it can, away from the
// opponent, until a creature lands in the water. Both copies show the decided match,
// both report the same result, and the server stores it.
TEST_F(BrixMatch, PlaysAMatchWithChatToItsResult)
{
    if (!StartMatch("match"))
    {
        ASSERT_FALSE(HasFailure());
        GTEST_SKIP() << skipReason;
    }
    int first = -1;
    ASSERT_TRUE(WaitFor([&] {
        for (int i = 0; i < 2; i++)
            if (IsOwnTurn(*copies[i]))
                first = i;
        return first >= 0;
    }, 20000)) << "neither copy shows its turn";
    const int second = 1 - first;
    const long colours[2] = {OwnColour(*copies[first]) == kRed ? kRed : kBlue,
                             OwnColour(*copies[first]) == kRed ? kBlue : kRed};
    CProgramCopy& mover = *copies[first];
    CProgramCopy& other = *copies[second];

    // A line sent from one copy shows as a bubble on the other's play screen.
    auto chat = [&](CProgramCopy& from, CProgramCopy& to, const char* line, int step) {
        const std::string n = std::to_string(step), next = std::to_string(step + 1);
        EXPECT_TRUE(SendChat(from, line, n + "-chat")) << "the line was not sent";
        EXPECT_TRUE(WaitFor([&] { return ShowsBubble(to); }, 4000))
            << "no bubble of the opponent's line";
        to.Screenshot((n + "-bubble").c_str());
        CloseChatPage(from, (next + "-chat-closed").c_str());
    };
    chat(other, mover, "hello from the side that waits", 10);

    // First turn: a bomb thrown away from the opponent.
    ASSERT_TRUE(IsOwnTurn(mover)) << "the first turn ran out during the chat";
    bool thrown = false;
    for (int attempt = 0; attempt < 3 && !thrown && IsOwnTurn(mover); attempt++)
        thrown = TakeTurn(mover, colours[0], colours[1], kBombX, "12-bomb");
    ASSERT_TRUE(thrown) << "the first turn threw nothing";

    // The answer, while the other side's turn comes.
    chat(mover, other, "and hello back from the side that moves", 13);

    // Then each turn leaps as far as it can, up and away from the opponent, until one
    // side is in the water; a side whose leap away did not end the match leaps the other
    // way next time (a wall or a roof may stand in the way). On a field that holds both
    // in after six leaps, the side whose turn comes gives up.
    const long long deadline = NowMs() + kMatchMs;
    int leaps = 0, leapsOf[2] = {0, 0};
    while (NowMs() < deadline && !ResultRecorded() && leaps < kLeapsBeforeGivingUp)
    {
        for (int i = 0; i < 2; i++)
        {
            if (!IsOwnTurn(*copies[i]))
                continue;
            char step[32];
            snprintf(step, sizeof step, "15-leap-%d", leaps + 1);
            if (TakeTurn(*copies[i], colours[i == first ? 0 : 1], colours[i == first ? 1 : 0],
                         kJumpX, step, leapsOf[i] % 2 == 0))
            {
                leaps++;
                leapsOf[i]++;
            }
        }
        usleep(300000);
    }
    int gaveUp = -1;
    if (!ResultRecorded() && leaps >= kLeapsBeforeGivingUp)
    {
        int turn = -1;
        // The last leap may still end the match.
        EXPECT_TRUE(WaitFor([&] {
            for (int i = 0; i < 2; i++)
                if (IsOwnTurn(*copies[i]))
                    turn = i;
            return turn >= 0 || ResultRecorded();
        }, 40000)) << "no turn after the leaps";
        if (turn >= 0 && !ResultRecorded())
        {
            GiveUp(*copies[turn]);
            copies[turn]->Screenshot("15-gave-up");
            gaveUp = turn;
        }
    }
    ASSERT_TRUE(WaitFor([&] { return ResultRecorded(); }, 20000))
        << "no result after " << leaps << " leaps\n" << network.GetServerLog();
    // Each copy reports the result it shows; the second report must agree with the first.
    EXPECT_TRUE(WaitFor([&] {
        return network.GetServerLog().find("result of game " + gameId + " confirmed") !=
               std::string::npos;
    }, 10000)) << network.GetServerLog();
    // The side that gave up has left the match; the others show its outcome.
    for (int i = 0; i < 2; i++)
    {
        CProgramCopy& copy = *copies[i];
        EXPECT_TRUE(copy.IsRunning()) << copy.GetOutput();
        copy.Screenshot("16-match-over");
        if (i == gaveUp)
            continue;
        if (ShowsChatPage(copy))
            CloseChatPage(copy, "17-result");
        EXPECT_TRUE(ShowsResultText(copy)) << "no result over the play screen";
    }
    // One side won and the other lost. Usually the side that acted last went into the water
    // (or gave up); on a slow machine a side may also lose by running out of time three
    // times, so only the pair is checked; that both copies show this same result is the
    // agreement of their two reports above.
    const std::string stored = StoredResults(network, gameId);
    const std::string a = FindInLog(stored, "(" + playerIds[0] + ":-?\\d+)");
    const std::string b = FindInLog(stored, "(" + playerIds[1] + ":-?\\d+)");
    EXPECT_TRUE((a == playerIds[0] + ":1" && b == playerIds[1] + ":-1")
                || (a == playerIds[0] + ":-1" && b == playerIds[1] + ":1"))
        << stored;
    if (gaveUp >= 0)
    {
        EXPECT_EQ(playerIds[gaveUp] + ":-1", gaveUp == 0 ? a : b) << "the side that gave up won";
    }
    QuitBoth();
}

// A copy killed in the middle of a match: the server tells the other copy at once that
// its opponent left, that copy shows the opponent-left outcome as its win, and the server
// stores the win and the loss.
TEST_F(BrixMatch, OpponentKilledMidMatchLeavesTheOtherTheWinner)
{
    if (!StartMatch("opponent_killed"))
    {
        ASSERT_FALSE(HasFailure());
        GTEST_SKIP() << skipReason;
    }
    ASSERT_TRUE(WaitFor([&] { return IsOwnTurn(*copies[0]) || IsOwnTurn(*copies[1]); }, 20000))
        << "neither copy shows its turn";
    copies[1]->Signal(SIGKILL);
    EXPECT_EQ(128 + SIGKILL, copies[1]->Wait(kExitMs));
    EXPECT_TRUE(WaitFor([&] { return ResultRecorded(); }, 15000)) << network.GetServerLog();
    CProgramCopy& survivor = *copies[0];
    EXPECT_TRUE(survivor.IsRunning()) << survivor.GetOutput();
    survivor.Screenshot("10-opponent-left");
    if (ShowsChatPage(survivor))
        CloseChatPage(survivor, "11-result");
    EXPECT_TRUE(ShowsResultText(survivor)) << "no result over the play screen";
    double x, y;
    EXPECT_TRUE(survivor.FindColour(150, 110, 650, 132, 0xFFFFFF, 8, 30, &x, &y))
        << "no word that the opponent left, above the result";
    const std::string stored = StoredResults(network, gameId);
    EXPECT_EQ(playerIds[0] + ":1", FindInLog(stored, "(" + playerIds[0] + ":-?\\d+)")) << stored;
    EXPECT_EQ(playerIds[1] + ":-1", FindInLog(stored, "(" + playerIds[1] + ":-?\\d+)")) << stored;
    QuitBoth();
}
