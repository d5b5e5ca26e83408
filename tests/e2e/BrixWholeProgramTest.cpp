// The whole program as a user meets it: started from its executable in private
// namespaces, on X servers of its own, against our lobby server, driven through
// XTest and read back from its window and its settings file. Each step leaves a
// screenshot under build/tests/e2e/.
#include "E2EKit.h"

#include <gtest/gtest.h>

#include <csignal>
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

// The steps of the interactive flows that need scripted taps on the lobby's
// and the game's pages. They run once the program shows the game and the taps
// below are known for its 800x480 layout.
struct ScriptedFlow
{
    const char* name;
    const char* needs;                   // what the flow taps, for the skip message
    bool twoCopies;
};

class BrixWholeProgramFlow : public BrixWholeProgram,
                             public ::testing::WithParamInterface<ScriptedFlow>
{
};

TEST_P(BrixWholeProgramFlow, Runs)
{
    const ScriptedFlow& flow = GetParam();
    CNetwork network;
    ASSERT_TRUE(network.Start());
    ASSERT_TRUE(network.StartServer()) << network.GetServerLog();
    CProgramCopy first((std::string(flow.name) + "-a").c_str());
    StartAndShow(first, &network, "start");
    if (!ReachLobby(first, "lobby"))
    {
        QuitWithSigterm(first);
        GTEST_SKIP() << flow.name << ": the program runs the stand-in application, not the game";
    }
    // The second copy shares the network and the server, with its own /tmp and home.
    CProgramCopy second((std::string(flow.name) + "-b").c_str());
    if (flow.twoCopies)
    {
        StartAndShow(second, &network, "start");
        ReachLobby(second, "lobby");
        EXPECT_EQ(-1, first.Wait(0)) << "one copy per /tmp: the second must not stop the first";
        QuitWithSigterm(second);
    }
    QuitWithSigterm(first);
    GTEST_SKIP() << flow.name << ": the scripted taps are not written yet; the flow taps "
                 << flow.needs;
}

const ScriptedFlow kFlows[] = {
    {"first_launch",
     "the language chooser's first row, the log-in page's play-without-server button, the "
     "game menu's training button, scene 0 and a winning shot; then checks scene_0_cleared",
     false},
    {"match", "guest log-in, the player list's challenge, accept, the chat field and a whole "
              "match to its result on both copies; then the server's record of it",
     true},
    {"opponent_killed", "guest log-in and a challenge; one copy is killed mid-match and the "
                        "other must reach the opponent-left outcome",
     true},
    {"server_restart", "guest log-in on both copies; the server is stopped and started and "
                       "both must show the error, retry and log in again",
     true},
};

INSTANTIATE_TEST_SUITE_P(Flows, BrixWholeProgramFlow, ::testing::ValuesIn(kFlows),
                         [](const ::testing::TestParamInfo<ScriptedFlow>& info) {
                             return std::string(info.param.name);
                         });
