#include <gtest/gtest.h>

#include "ScreenTestKit.h"
#include "engine/KetrelResult.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "game/screens/JubChatBubbleList.h"
#include "game/screens/JubConnectingState.h"

#include <cstring>

namespace
{
u32 ReadU32(const std::vector<u8>& bytes, size_t at)
{
    u32 v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// A match between user 100 (player 0) and user 200, from this handset's side.
struct MatchTest : public ::testing::Test
{
    void SetUp() override
    {
        game.stubs = {0, 1, 3, 4, 5};
        ASSERT_EQ(KE_OK, game.Start());
        game.shell.players[0] = {100, "Ann"};
        game.shell.players[1] = {200, "Bob"};
        game.Activate();
    }
    std::vector<u8> Event(u32 sequence, u32 time = 0xFFFFFFFFu)
    {
        CJubEventNextRound e;
        std::vector<u8> out(CJubEventNextRound::kSize);
        e.Write(out.data(), sequence, time);
        return out;
    }
    // Acknowledgements sent since mark, as their sequence numbers.
    std::vector<u32> AcksSince(size_t mark)
    {
        std::vector<u32> acks;
        for (size_t i = mark; i < game.session.sent.size(); ++i)
        {
            const std::vector<u8>& p = game.session.sent[i];
            if (p.size() == 12 && p[0] == 1)
            {
                EXPECT_EQ(0xFFFFFFFFu, ReadU32(p, 8));
                acks.push_back(ReadU32(p, 4));
            }
        }
        return acks;
    }
    TestGame game;
};

TEST_F(MatchTest, StartMatchSidesAndPlayers)
{
    struct Case
    {
        int ownId, localStarts, local, host;
    } cases[] = {{100, 1, 0, 1}, {100, 0, 0, 0}, {200, 1, 1, 1}, {200, 0, 1, 0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.ownId << " starts " << c.localStarts);
        game.session.ownId = c.ownId;
        const size_t mark = game.session.sent.size();
        game.StartMatch(c.localStarts);
        game.Steps(1);
        CJubPlayState* play = game.GetPlayScreen();
        ASSERT_NE(nullptr, play);
        EXPECT_EQ(1, game.GetActiveCount());
        EXPECT_EQ(c.local, play->GetLocalPlayer());
        EXPECT_EQ(c.host, play->IsHost());
        EXPECT_EQ("Ann", Utf8(play->GetLiveScene()->GetPlayer(0).name));
        EXPECT_EQ("Bob", Utf8(play->GetLiveScene()->GetPlayer(1).name));
        EXPECT_EQ(0, game.IsMatchStopped());
        // The host draws the first round and sends it.
        EXPECT_EQ(c.host ? 1 : 0, game.session.sent.size() > mark ? 1 : 0);
        EXPECT_EQ(1, game.IsGameScreenBusy());
    }
}

TEST_F(MatchTest, MissingPlayerIsADraw)
{
    game.shell.players.erase(1);
    game.StartMatch(1);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    EXPECT_EQ(JUB_WINNER_DRAW, play->GetWinner());
    EXPECT_EQ("Player2", Utf8(play->GetLiveScene()->GetPlayer(1).name));
}

TEST_F(MatchTest, EventsAreAppliedOnceAndAcknowledgedEveryTime)
{
    game.StartMatch(0);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    CJubGameEventExchange& exchange = play->GetExchange();
    const size_t mark = game.session.sent.size();
    const i32 queued = exchange.GetLocalQueue().Count();

    std::vector<u8> e = Event(500);
    game.OnGameData(e.data(), (i32)e.size());
    game.OnGameData(e.data(), (i32)e.size());
    EXPECT_EQ(queued + 1, exchange.GetLocalQueue().Count());
    EXPECT_EQ((std::vector<u32>{500, 500}), AcksSince(mark));

    // An acknowledgement from the peer is queued and never answered.
    std::vector<u8> ack(12, 0);
    ack[0] = 1;
    ack[4] = 9;
    const size_t mark2 = game.session.sent.size();
    game.OnGameData(ack.data(), 12);
    EXPECT_TRUE(AcksSince(mark2).empty());
    EXPECT_EQ(1, exchange.GetAckQueue().Count());

    // Unknown types are answered and dropped; a time word below -1 is ignored.
    std::vector<u8> unknown = Event(501);
    unknown[0] = 2;
    std::vector<u8> badTime = Event(502, 0x80000000u);
    const size_t mark3 = game.session.sent.size();
    game.OnGameData(unknown.data(), (i32)unknown.size());
    game.OnGameData(badTime.data(), (i32)badTime.size());
    EXPECT_EQ((std::vector<u32>{501}), AcksSince(mark3));
    EXPECT_EQ(queued + 1, exchange.GetLocalQueue().Count());

    // Short and empty payloads are taken safely.
    game.OnGameData(e.data(), 3);
    game.OnGameData(nullptr, 0);
    EXPECT_EQ(exchange.GetBytesReceived(), (u32)(2 * e.size() + 12 + unknown.size() + badTime.size() + 3));
}

// Sequence numbers only grow on a peer, so a copy of an old event is dropped even after
// it has left the remembered list.
TEST_F(MatchTest, RepeatsAreDroppedEvenPastTheRememberedList)
{
    game.StartMatch(0);
    CJubGameEventExchange& exchange = game.GetPlayScreen()->GetExchange();
    const i32 queued = exchange.GetLocalQueue().Count();
    for (u32 s = 1000; s < 1200; ++s)
    {
        std::vector<u8> e = Event(s);
        game.OnGameData(e.data(), (i32)e.size());
    }
    EXPECT_EQ(queued + 200, exchange.GetLocalQueue().Count());
    std::vector<u8> recent = Event(1150);
    game.OnGameData(recent.data(), (i32)recent.size());
    EXPECT_EQ(queued + 200, exchange.GetLocalQueue().Count());
    std::vector<u8> old = Event(1000);
    game.OnGameData(old.data(), (i32)old.size());
    EXPECT_EQ(queued + 200, exchange.GetLocalQueue().Count());
    std::vector<u8> next = Event(1200);
    game.OnGameData(next.data(), (i32)next.size());
    EXPECT_EQ(queued + 201, exchange.GetLocalQueue().Count());
}

TEST_F(MatchTest, OpponentLeavingGivesTheWin)
{
    // rebuilt: the lobby's list of the room holds other players by the time one leaves
    // (a later game join rebuilds it); the sides stay those of the match's start.
    // late: the notice comes after the match was stopped (1) or during a training match
    // that followed it (2), and is no longer the match's.
    struct Case
    {
        int ownId, leaver, rebuilt, late, winner, counted;
    } cases[] = {
        {100, 200, 0, 0, 0, 1}, {200, 100, 0, 0, 1, 1}, {100, 999, 0, 0, -1, 1},
        {100, 100, 0, 0, 1, 1},       // the local player's own leave loses too
        {100, 200, 1, 0, 0, 1},       // player 1 left the room's new list
        {100, 300, 1, 0, -1, 1},      // a newcomer of the new list is not in the match
        {100, 200, 0, 1, -1, 0}, {100, 200, 0, 2, -1, 0}, {100, 999, 0, 2, -1, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.ownId << " sees " << c.leaver << " leave"
                                          << (c.rebuilt ? ", list rebuilt" : "")
                                          << (c.late ? ", late " : "") << c.late);
        TestGame g;
        g.stubs = {0, 1, 3, 4, 5};
        ASSERT_EQ(KE_OK, g.Start());
        g.shell.players[0] = {100, "Ann"};
        g.shell.players[1] = {200, "Bob"};
        g.session.ownId = c.ownId;
        g.StartMatch(0);
        CJubPlayState* play = g.GetPlayScreen();
        ASSERT_NE(nullptr, play);
        if (c.rebuilt)
        {
            g.shell.players[0] = {300, "Cid"};
            g.shell.players[1] = {100, "Ann"};
        }
        if (c.late == 1)
            g.StopMatch();
        if (c.late == 2)
        {
            g.DeleteAllScreens();
            g.SwitchToScreen(JUB_SCREEN_TRAINING);
            g.Stub(JUB_SCREEN_TRAINING)->Finish(JUB_SCREEN_PLAY);
            g.Steps(1);
            play = g.GetPlayScreen();
            ASSERT_NE(nullptr, play);
            ASSERT_EQ(1, play->IsSinglePlayer());
        }
        g.OnPlayerLeft(c.leaver);
        EXPECT_EQ(c.counted, g.GetPlayerLeftCount());
        // Every leaver the guard lets through is told to the play screen.
        EXPECT_EQ(c.counted, play->GetPlayerLeftFlag());
        if (c.winner >= 0)
        {
            EXPECT_EQ(c.winner, play->GetWinner());
            EXPECT_EQ(2, play->GetResultCount());
        }
        else
        {
            EXPECT_EQ(0, play->IsMatchDecided());
            EXPECT_EQ(0, play->GetResultCount());
        }
        g.OnPlayerLeft(c.leaver);     // a match with a leaver's result counts no more
        EXPECT_EQ(c.counted * (c.winner < 0 ? 2 : 1), g.GetPlayerLeftCount());
    }
}

// A stranger leaving first does not keep the opponent's leave from deciding the match.
TEST_F(MatchTest, OpponentLeavingAfterAStrangerStillGivesTheWin)
{
    game.session.ownId = 100;
    game.StartMatch(0);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    game.OnPlayerLeft(999);
    game.OnPlayerLeft(200);
    EXPECT_EQ(2, game.GetPlayerLeftCount());
    EXPECT_EQ(0, play->GetWinner());
    EXPECT_EQ(2, play->GetResultCount());
}

TEST_F(MatchTest, StopMatchAndLinks)
{
    game.StopMatch();
    EXPECT_EQ(0, game.GetLastStopResult());
    EXPECT_EQ(1, game.IsMatchStopped());
    game.StartMatch(0);
    game.OnGameLinkDown(0);
    EXPECT_EQ(1, game.IsGameLinkLost());
    EXPECT_EQ(1, game.IsStopRequested());
    game.Steps(2);
    EXPECT_EQ(JUB_PHASE_MATCH_OVER, game.GetPlayScreen()->GetPhase());
    game.OnLobbyLinkDown(0);
    EXPECT_EQ(1, game.IsLobbyLinkDown());
    game.StopMatch();
    EXPECT_EQ(1, game.GetLastStopResult());
    game.StartMatch(0);
    EXPECT_EQ(0, game.IsGameLinkLost());
    EXPECT_EQ(0, game.IsLobbyLinkDown());
}

// While a match runs the game clock moves by whole steps, never with the wall clock, so a
// replayed event lands in the step it was recorded in.
TEST_F(MatchTest, MatchClockMovesByWholeSteps)
{
    game.StartMatch(0);
    CJubPlayState* play = game.GetPlayScreen();
    ASSERT_NE(nullptr, play);
    game.ResetClock();
    EXPECT_EQ(0u, game.GetClock());
    game.Frame(100);                       // three steps
    EXPECT_EQ(99u, game.GetClock());
    game.now += 1000;
    EXPECT_EQ(99u, game.GetClock());
    game.Frame(0);                         // too many due: one step
    EXPECT_EQ(132u, game.GetClock());
    game.AdvanceClock(33);                 // the play screen's own steps count once
    EXPECT_EQ(165u, game.GetClock());
    game.ResyncFixedStep();
    game.Frame(0);
    EXPECT_EQ(1, game.GetStepsThisFrame());
}

TEST_F(MatchTest, ChatLinesBecomeBubbles)
{
    EXPECT_EQ(0, game.OnChatLine(1, CKetrelString("hi"), 1));
    EXPECT_EQ(1, game.OnChatLine(2, CKetrelString("hi"), 1));     // no match: nothing shown
    EXPECT_EQ(0, game.GetChatBubbles()->GetCount());
    game.StartMatch(0);
    EXPECT_EQ(1, game.OnChatLine(2, CKetrelString("gg"), 0));
    EXPECT_EQ(1, game.OnChatLine(2, CKetrelString("well played"), 1));
    ASSERT_EQ(2, game.GetChatBubbles()->GetCount());
    const CJubChatBubble* own = game.GetChatBubbles()->GetAt(0);
    const CJubChatBubble* peer = game.GetChatBubbles()->GetAt(1);
    EXPECT_EQ("Me", Utf8(*own->speaker));
    EXPECT_EQ("  gg  ", Utf8(*own->text));
    EXPECT_FLOAT_EQ(80.0f, own->position.x);
    EXPECT_FLOAT_EQ(0.0f, own->corner.x);
    EXPECT_EQ("Opponent", Utf8(*peer->speaker));
    EXPECT_FLOAT_EQ(720.0f, peer->position.x);
    EXPECT_FLOAT_EQ(800.0f, peer->corner.x);
    EXPECT_FLOAT_EQ(396.0f, peer->position.y);
    EXPECT_EQ(1, game.IsChatHelpPlayed());
    EXPECT_EQ(1, game.HasSetting(CKetrelString("wobblix_chathelpplayed")));
}

TEST_F(MatchTest, ConnectingScreenClosesOrCancelsOnce)
{
    TestGame g;
    g.stubs = {0};
    ASSERT_EQ(KE_OK, g.Start());
    g.SwitchToScreen(JUB_SCREEN_CONNECTING);
    auto* connecting = dynamic_cast<CJubConnectingState*>(g.GetScreen(JUB_SCREEN_CONNECTING));
    ASSERT_NE(nullptr, connecting);
    g.Steps(1);
    EXPECT_EQ(10, connecting->GetCountdown());
    g.now += 18500;
    g.Steps(1);
    EXPECT_EQ(1, connecting->GetCountdown());
    EXPECT_EQ(0, g.session.cancels);
    g.now += 2000;
    g.Steps(5);
    EXPECT_EQ(1, g.session.cancels);       // once, not once per step
    EXPECT_NE(nullptr, g.GetScreen(JUB_SCREEN_MENU));
    EXPECT_EQ(nullptr, g.GetScreen(JUB_SCREEN_CONNECTING));

    const i32 countdowns[][2] = {{0, 10}, {1, 10}, {2, 9}, {3, 9}, {10, 5}, {17, 2}, {18, 1}, {19, 1}, {25, 1}};
    for (const auto& c : countdowns)
        EXPECT_EQ(c[1], CJubConnectingState::Countdown((f32)c[0] + 0.5f)) << c[0];

    // Closing ends the screen without a cancel.
    g.SwitchToScreen(JUB_SCREEN_CONNECTING);
    g.CloseConnectingScreen();
    g.Steps(1);
    EXPECT_EQ(nullptr, g.GetScreen(JUB_SCREEN_CONNECTING));
    EXPECT_EQ(1, g.session.cancels);
}
}

namespace
{
// The editor and the match fill the same physics world, so they never run together.
TEST_F(MatchTest, EditorAndMatchNeverShareTheWorld)
{
    game.stubs = {0, 3, 4, 5};
    game.SwitchToScreen(JUB_SCREEN_EDITOR);
    ASSERT_NE(nullptr, game.GetScreen(JUB_SCREEN_EDITOR));
    game.SwitchToScreen(JUB_SCREEN_PLAY);
    EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_EDITOR));
    ASSERT_NE(nullptr, game.GetPlayScreen());
    game.SwitchToScreen(JUB_SCREEN_EDITOR);
    EXPECT_EQ(nullptr, game.GetScreen(JUB_SCREEN_EDITOR));
    game.Steps(3);
    EXPECT_NE(nullptr, game.GetPlayScreen());
}
}
