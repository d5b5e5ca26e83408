#pragma once
// Play screens in one process for the match tests: handsets with their own game object,
// physics world and sample levels, a two-player match over the loopback game link, and a
// third screen that replays every batch again from a copy of the peer's world. Each screen
// records a hash of its world after every step of a turn, so the simulate-ahead and the
// replays can be compared step by step.
#include "JubGameHostFake.h"
#include "JubLoopbackGameLink.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayState.h"

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

// Level files read from the build's sample levels beside the executable.
class LevelFileSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString& name, u8** data) override;
};

// The training levels under the first fifteen battle names, so that a two-player match
// can be played on them.
class TrainingAsBattleSource : public LevelFileSource
{
public:
    i32 ReadResource(const CKetrelString& name, u8** data) override;
};

// A hash of what must come out alike on every handset: every body's position, velocity,
// kind, mask, friction and bounce in world order, each creature's health and alive flag,
// each block's id, health, material, flags and pending change.
u64 HashMatchWorld(const CJubScene& scene);
// The same values as text, one line per body, creature and block.
std::string DescribeMatchWorld(const CJubScene& scene);

// Per-turn step hashes of one screen.
class TurnTrace : public CJubPlayStepObserver
{
public:
    void OnTurnStep(const CJubScene& scene, i32 replay, i32 index) override;
    void OnSimulateAheadEnd(const CJubScene& scene) override;
    void OnReplayEnd(const CJubScene& scene) override;
    void Clear();

    std::vector<u64> ahead;        // simulate-ahead, by step
    std::vector<u64> replay;       // replay, by step
    u64 aheadEnd = 0;
    u64 replayEnd = 0;
    int aheadEnded = 0;
    int replayEnded = 0;
    int indexFaults = 0;           // a step index out of order
    int keepFirst = 0;             // keep the text of step 0 (to find a difference)
    std::string firstAhead, firstReplay;
};

// A game object for one handset; sends go over the link when one is set.
class RigHost : public FakeGameHost
{
public:
    int SendGameData(const u8* data, i32 size) override;

    LoopbackGameLink* link = nullptr;
    int side = 0;
    std::vector<u8> lastBatch;     // the last batch this handset sent
    int batchesSent = 0;
    u32 lastBatchSequence = 0;
};

// One handset: game object, world, level source and play screen.
struct RigHandset
{
    RigHandset();
    ~RigHandset();
    // Init the screen (two-player unless single). levels, when set, serves the level files
    // instead of the build's sample levels.
    int Start(int single, CJubAssetSource* levels = nullptr);

    RigHost host;
    CJubPhysicsWorld world;
    LevelFileSource source;
    CJubAssetCache cache;
    CJubPlayState screen;
    TurnTrace trace;
};

// What a determinism run found.
struct RigReport
{
    int turns = 0;                 // turns compared
    int mismatches = 0;            // turns whose traces differ
    int abandoned = 0;             // simulate-aheads undone after 30 s
    int matches = 0;               // matches played
    std::vector<std::string> faults;   // the first few, described
    int recordsByType[256] = {};   // timed records of the batches replayed, by type
    int roundsOver = 0;            // rounds that ended with a creature out
};

// A two-player match between handsets 0 (host, player 0) and 1 over the lossy link, and
// handset 2 replaying every batch again. Turns are chosen by the caller.
class MatchRig
{
public:
    explicit MatchRig(const LoopbackGameLink::Options& link);

    // A new match on battle scene index (0..19) with player first beginning; the hosts'
    // owned items give each player a snow and a cluster bomb.
    int StartMatch(i32 scene, i32 first);
    // Steps everything by one 33 ms tick. Returns the handset (0 or 1) whose turn waits
    // for an action, else -1.
    int Tick();
    // Performs the action on the waiting handset; the turn's traces are compared once
    // every screen finished its replay (RunTurn does all of it).
    int Act(int handset, const CJubTurnAction& action);
    // Ticks until a turn waits (at most maxTicks), idles idle ticks, acts, and ticks
    // until the turn's three replays are compared. 1 when compared, 0 when the match
    // ended or nothing waited.
    int RunTurn(const CJubTurnAction& action, int idle, int maxTicks, RigReport& report);
    int IsMatchOver() const;

    RigHandset& Handset(int i) { return *m_handsets[i]; }
    LoopbackGameLink& Link() { return *m_link; }
    // Keeps step 0 of every turn as text on every screen; a mismatch report then shows
    // the lines that differ.
    int keepFirst = 0;
    // Serves the level files instead of the sample levels, when set.
    CJubAssetSource* levels = nullptr;
    // Called for each new handset (0, 1, then the third screen) before its screen starts,
    // e.g. to give it other items or take away what it can read.
    std::function<void(int handset, RigHost& host)> prepare;

private:
    void CompareTurn(RigReport& report);

    // A new link per match, as a new game connection: nothing of the last match is on it.
    LoopbackGameLink::Options m_options;
    std::unique_ptr<LoopbackGameLink> m_link;
    u32 m_matches = 0;
    std::unique_ptr<RigHandset> m_handsets[3];
    int m_active = -1;             // handset that acted this turn
    int m_replayFed = 0;           // the third screen got this turn's batch
    std::string m_copyNote;
};

// A single-player screen on any sample level (training scenes by index 0..14), with two
// screens that replay each of its batches from a copy of its world.
class SoloRig
{
public:
    SoloRig();
    int Start(i32 trainingScene, CJubAssetSource* levels = nullptr);
    // Like MatchRig::RunTurn.
    int RunTurn(const CJubTurnAction& action, int idle, int maxTicks, RigReport& report);
    RigHandset& Handset(int i) { return *m_handsets[i]; }

    std::vector<u8> lastBatch;     // the batch of the last turn

private:
    std::unique_ptr<RigHandset> m_handsets[3];
};
