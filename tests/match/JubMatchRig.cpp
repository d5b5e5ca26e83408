#include "JubMatchRig.h"

#include "RenderTestKit.h"
#include "engine/KetrelResult.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubScene.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{
const f32 kTickSeconds = 0.033f;
const u32 kTickMs = 33;

struct Fnv
{
    u64 h = 1469598103934665603ull;
    void Add(const void* data, size_t size)
    {
        const u8* p = (const u8*)data;
        for (size_t i = 0; i < size; ++i)
        {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    }
    void F(f32 v) { Add(&v, sizeof v); }
    void I(i32 v) { Add(&v, sizeof v); }
};

bool Waiting(CJubPlayState& s)
{
    const CJubPlayFields& f = s.GetFields();
    return f.phase == JUB_PHASE_LOCAL_TURN && s.IsTimerRunning() && !f.acted
           && !s.IsLiveSimulation() && !f.matchDecided;
}

std::string Describe(const char* what, const std::vector<u64>& a, const std::vector<u64>& b)
{
    std::ostringstream out;
    out << what << ": " << a.size() << " against " << b.size() << " steps";
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        if (a[i] != b[i])
        {
            out << ", first difference at step " << i;
            break;
        }
    }
    return out.str();
}
}

i32 LevelFileSource::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    std::ifstream in(std::string(KETREL_BINARY_DIR) + "/main/" + Narrow(name), std::ios::binary);
    if (!in)
        return 0;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return 0;
    *data = new u8[bytes.size()];
    std::memcpy(*data, bytes.data(), bytes.size());
    return (i32)bytes.size();
}

i32 TrainingAsBattleSource::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    for (i32 i = 0; i < JUB_TRAINING_SCENE_COUNT; ++i)
    {
        if (name.Equals(CJubAssetNames::BattleScene(i)))
            return LevelFileSource::ReadResource(CJubAssetNames::TrainingScene(i), data);
    }
    return 0;
}

u64 HashMatchWorld(const CJubScene& scene)
{
    Fnv f;
    const CJubPhysicsWorld* world = scene.GetWorld();
    for (i32 i = 0; world && i < world->GetBodyCount(); ++i)
    {
        const CJubPhysicsBody* b = world->GetBody(i);
        f.F(b->GetPosition().x);
        f.F(b->GetPosition().y);
        f.F(b->GetVelocity().x);
        f.F(b->GetVelocity().y);
        f.I((i32)b->GetKind());
        f.I((i32)b->GetMask());
        f.F(b->GetFriction());
        f.F(b->GetBounce());
    }
    for (i32 p = 0; p < 2; ++p)
    {
        f.I(scene.GetPlayer(p).health);
        f.I((i32)scene.GetPlayer(p).alive);
    }
    const CJubBlockSet* blocks = scene.GetBlocks();
    for (i32 i = 0; blocks && i < blocks->GetCount(); ++i)
    {
        const CJubBlock* b = blocks->GetBlock(i);
        f.I(b->id);
        f.I(b->health);
        f.I(b->material);
        f.I(b->flags);
        f.I((i32)b->pending);
        f.F(b->pendingDelay);
    }
    return f.h;
}

std::string DescribeMatchWorld(const CJubScene& scene)
{
    std::ostringstream out;
    const CJubPhysicsWorld* world = scene.GetWorld();
    for (i32 i = 0; world && i < world->GetBodyCount(); ++i)
    {
        const CJubPhysicsBody* b = world->GetBody(i);
        out << "body " << i << " id " << b->GetId() << " pos " << b->GetPosition().x << ","
            << b->GetPosition().y << " vel " << b->GetVelocity().x << "," << b->GetVelocity().y
            << " kind " << b->GetKind() << " mask " << b->GetMask() << " f " << b->GetFriction()
            << " b " << b->GetBounce() << "\n";
    }
    for (i32 p = 0; p < 2; ++p)
        out << "player " << p << " health " << scene.GetPlayer(p).health << " alive "
            << scene.GetPlayer(p).alive << "\n";
    const CJubBlockSet* blocks = scene.GetBlocks();
    for (i32 i = 0; blocks && i < blocks->GetCount(); ++i)
    {
        const CJubBlock* b = blocks->GetBlock(i);
        out << "block " << (int)b->id << " h " << b->health << " m " << (int)b->material << " f "
            << (int)b->flags << " p " << b->pending << " d " << b->pendingDelay << "\n";
    }
    return out.str();
}

void TurnTrace::OnTurnStep(const CJubScene& scene, i32 replayed, i32 index)
{
    if (keepFirst && index == 0)
        (replayed ? firstReplay : firstAhead) = DescribeMatchWorld(scene);
    std::vector<u64>& list = replayed ? replay : ahead;
    if ((size_t)index != list.size())
        ++indexFaults;
    list.push_back(HashMatchWorld(scene));
}

void TurnTrace::OnSimulateAheadEnd(const CJubScene& scene)
{
    aheadEnd = HashMatchWorld(scene);
    aheadEnded = 1;
}

void TurnTrace::OnReplayEnd(const CJubScene& scene)
{
    replayEnd = HashMatchWorld(scene);
    replayEnded = 1;
}

void TurnTrace::Clear()
{
    ahead.clear();
    replay.clear();
    aheadEnd = replayEnd = 0;
    aheadEnded = replayEnded = 0;
    indexFaults = 0;
}

int RigHost::SendGameData(const u8* data, i32 size)
{
    if (size >= 16 && data[0] == JUB_EVENT_BATCH)
    {
        const u32 sequence = JubGetU32(data + 4);
        if (batchesSent == 0 || sequence != lastBatchSequence)
        {
            lastBatch.assign(data, data + size);
            lastBatchSequence = sequence;
            ++batchesSent;
        }
    }
    FakeGameHost::SendGameData(data, size);
    if (link)
        link->Send(side, data, size);
    return 1;
}

RigHandset::RigHandset()
{
    world.SetStep(1.0f / 30.0f, 4);
    cache.SetSource(&source);
    host.world = &world;
    host.assets = &cache;
    // Each player owns a snow bomb (101) and a cluster bomb (102).
    host.ownedItems = {{101, 1, 1}, {102, 2, 1}};
    CJubItemInfo snow, cluster;
    snow.type = JUB_ITEM_SNOW;
    cluster.type = JUB_ITEM_CLUSTER;
    host.itemInfos[101] = snow;
    host.itemInfos[102] = cluster;
}

RigHandset::~RigHandset()
{
    screen.Deinit();
}

int RigHandset::Start(int single, CJubAssetSource* levels)
{
    if (levels)
        cache.SetSource(levels);
    int rc = screen.Init(&host);
    if (rc != KE_OK)
        return rc;
    if (single)
        screen.SetSinglePlayer(1);
    screen.SetStepObserver(&trace);
    return KE_OK;
}

// ---------------------------------------------------------------- two players

MatchRig::MatchRig(const LoopbackGameLink::Options& link) : m_options(link)
{
}

int MatchRig::StartMatch(i32 scene, i32 first)
{
    for (int i = 0; i < 3; ++i)
        m_handsets[i].reset();
    LoopbackGameLink::Options options = m_options;
    options.seed = m_options.seed + 7919u * m_matches++;
    m_link.reset(new LoopbackGameLink(options));
    for (int i = 0; i < 3; ++i)
        m_handsets[i].reset(new RigHandset());
    for (int i = 0; i < 2; ++i)
    {
        m_handsets[i]->host.link = m_link.get();
        m_handsets[i]->host.side = i;
    }
    for (int i = 0; i < 3; ++i)
    {
        if (prepare)
            prepare(i, m_handsets[i]->host);
        int rc = m_handsets[i]->Start(0, levels);
        if (rc != KE_OK)
            return rc;
    }
    for (int i = 0; i < 2; ++i)
        m_link->SetReceiver(i, &m_handsets[i]->screen.GetExchange());
    RigHost& host = m_handsets[0]->host;
    host.randomInts.clear();
    host.randomInts.push_back(first);
    host.randomInts.push_back(scene);
    host.randomInts.push_back(0);
    host.randomInts.push_back(0);
    m_handsets[0]->screen.StartMatch(0, 1, 1);
    m_handsets[1]->screen.StartMatch(1, 0, 1);
    m_handsets[2]->screen.StartMatch(1, 0, 1);
    m_active = -1;
    m_replayFed = 0;
    return KE_OK;
}

int MatchRig::IsMatchOver() const
{
    for (int i = 0; i < 2; ++i)
    {
        CJubPlayState& s = m_handsets[i]->screen;
        if (s.IsMatchDecided() || s.GetPhase() == JUB_PHASE_MATCH_OVER
            || s.GetPhase() == JUB_PHASE_LEAVING)
            return 1;
    }
    return 0;
}

int MatchRig::Tick()
{
    m_link->Advance(kTickMs);
    for (int i = 0; i < 2; ++i)
    {
        m_handsets[i]->host.timeMs = m_link->Now();
        m_handsets[i]->screen.Update(kTickSeconds);
    }
    if (m_active >= 0 && !m_replayFed && m_handsets[m_active]->host.batchesSent > 0)
    {
        const std::vector<u8>& batch = m_handsets[m_active]->host.lastBatch;
        m_handsets[2]->screen.GetExchange().ReceivePayload(batch.data(), (i32)batch.size());
        m_replayFed = 1;
    }
    m_handsets[2]->host.timeMs = m_link->Now();
    m_handsets[2]->screen.Update(kTickSeconds);
    for (int i = 0; i < 2; ++i)
    {
        if (Waiting(m_handsets[i]->screen))
            return i;
    }
    return -1;
}

int MatchRig::Act(int handset, const CJubTurnAction& action)
{
    RigHandset& active = *m_handsets[handset];
    RigHandset& peer = *m_handsets[1 - handset];
    RigHandset& third = *m_handsets[2];
    for (int i = 0; i < 3; ++i)
    {
        m_handsets[i]->trace.Clear();
        m_handsets[i]->trace.keepFirst = keepFirst;
    }
    // The third screen starts the turn from a copy of the peer's world, as a second peer.
    CJubPlayState::CopyScene(third.screen.GetLiveScene(), peer.screen.GetLiveScene());
    m_copyNote = "peer phase " + std::to_string(peer.screen.GetPhase()) + " rounds "
                 + std::to_string(peer.screen.GetRoundsPlayed()) + " active rounds "
                 + std::to_string(active.screen.GetRoundsPlayed()) + " peer turn "
                 + std::to_string(peer.screen.GetTurnPlayer());
    third.screen.StartMatch(peer.screen.GetLocalPlayer(), 0, 1);
    CJubEventNextTurn next;
    next.player = (u8)active.screen.GetLocalPlayer();
    third.screen.OnNextTurn(next);
    active.host.batchesSent = 0;
    m_active = handset;
    m_replayFed = 0;
    int rc = active.screen.Act(action);
    if (rc != KE_OK)
    {
        CJubTurnAction bomb = action;
        bomb.weapon = JUB_WEAPON_BOMB;
        rc = active.screen.Act(bomb);
    }
    return rc;
}

// Counts the records of a batch payload by type.
void CountRecords(const std::vector<u8>& batch, RigReport& report)
{
    size_t at = 16;
    while (at < batch.size() && batch[at] != JUB_EVENT_BATCH_END)
    {
        const i32 size = JubGameEventBatchRecordSize(batch[at]);
        if (size == 0)
            break;
        ++report.recordsByType[batch[at]];
        at += 1 + (size_t)size;
    }
}

void MatchRig::CompareTurn(RigReport& report)
{
    CountRecords(m_handsets[m_active]->host.lastBatch, report);
    TurnTrace& a = m_handsets[m_active]->trace;
    TurnTrace& b = m_handsets[1 - m_active]->trace;
    TurnTrace& c = m_handsets[2]->trace;
    ++report.turns;
    std::vector<std::string> faults;
    if (a.ahead != a.replay)
        faults.push_back(Describe("simulate-ahead against own replay", a.ahead, a.replay));
    if (a.aheadEnd != a.replayEnd)
        faults.push_back("replay does not end in the simulate-ahead's end state");
    if (b.replay != a.replay)
        faults.push_back(Describe("peer replay against own replay", b.replay, a.replay));
    if (c.replay != a.replay)
        faults.push_back(Describe("second replay against own replay", c.replay, a.replay));
    if (b.replayEnd != a.replayEnd || c.replayEnd != a.replayEnd)
        faults.push_back("replay end states differ");
    if (a.indexFaults || b.indexFaults || c.indexFaults)
        faults.push_back("step indices out of order");
    if (!faults.empty() && keepFirst)
    {
        std::istringstream x(a.firstReplay), y(c.firstReplay), z(b.firstReplay);
        std::string lx, ly, lz;
        faults[0] += "\n rounds " + std::to_string(m_handsets[0]->screen.GetRoundsPlayed()) + "/"
                     + std::to_string(m_handsets[1]->screen.GetRoundsPlayed()) + " copied at "
                     + m_copyNote;
        while (std::getline(x, lx) && std::getline(y, ly) && std::getline(z, lz))
        {
            if (lx != ly || lx != lz)
                faults[0] += "\n  own: " + lx + "\n  2nd: " + ly + "\n peer: " + lz;
        }
    }
    if (!faults.empty())
    {
        ++report.mismatches;
        if (report.faults.size() < 8)
            report.faults.push_back(faults[0]);
    }
    m_active = -1;
}

int MatchRig::RunTurn(const CJubTurnAction& action, int idle, int maxTicks, RigReport& report)
{
    int waiting = -1;
    for (int t = 0; t < maxTicks && waiting < 0; ++t)
    {
        if (IsMatchOver())
            return 0;
        waiting = Tick();
    }
    if (waiting < 0)
        return 0;
    for (int t = 0; t < idle && Waiting(m_handsets[waiting]->screen); ++t)
        Tick();
    if (!Waiting(m_handsets[waiting]->screen) || Act(waiting, action) != KE_OK)
        return 0;
    const int abandonedBefore = m_handsets[waiting]->screen.GetAbandonedCount();
    for (int t = 0; t < maxTicks; ++t)
    {
        Tick();
        if (m_handsets[waiting]->screen.GetAbandonedCount() != abandonedBefore)
        {
            ++report.abandoned;
            m_active = -1;
            return 0;
        }
        TurnTrace& a = m_handsets[waiting]->trace;
        if (a.aheadEnded && a.replayEnded && m_handsets[1 - waiting]->trace.replayEnded
            && m_handsets[2]->trace.replayEnded)
        {
            CompareTurn(report);
            return 1;
        }
    }
    ++report.mismatches;
    if (report.faults.size() < 8)
        report.faults.push_back("a turn did not finish on every screen");
    m_active = -1;
    return 0;
}

// ----------------------------------------------------------------- one player

SoloRig::SoloRig()
{
}

int SoloRig::Start(i32 trainingScene, CJubAssetSource* levels)
{
    for (int i = 0; i < 3; ++i)
    {
        m_handsets[i].reset();
        m_handsets[i].reset(new RigHandset());
        int rc = m_handsets[i]->Start(i == 0, levels);
        if (rc != KE_OK)
            return rc;
    }
    m_handsets[1]->screen.StartMatch(1, 0, 1);
    m_handsets[2]->screen.StartMatch(1, 0, 1);
    CJubPlayState& s = m_handsets[0]->screen;
    s.PostStartRound(0, trainingScene, 0, 0);
    s.PostBeginTurn(0);
    return KE_OK;
}

int SoloRig::RunTurn(const CJubTurnAction& action, int idle, int maxTicks, RigReport& report)
{
    CJubPlayState& s = m_handsets[0]->screen;
    int t = 0;
    for (; t < maxTicks && !Waiting(s); ++t)
    {
        for (int i = 0; i < 3; ++i)
            m_handsets[i]->screen.Update(kTickSeconds);
    }
    if (!Waiting(s))
        return 0;
    for (int i = 0; i < idle && Waiting(s); ++i)
    {
        for (int h = 0; h < 3; ++h)
            m_handsets[h]->screen.Update(kTickSeconds);
    }
    for (int i = 0; i < 3; ++i)
        m_handsets[i]->trace.Clear();
    for (int i = 1; i < 3; ++i)
    {
        CJubPlayState& r = m_handsets[i]->screen;
        CJubPlayState::CopyScene(r.GetLiveScene(), s.GetLiveScene());
        CJubEventNextTurn next;
        next.player = 0;
        r.OnNextTurn(next);
    }
    int rc = s.Act(action);
    if (rc != KE_OK)
    {
        CJubTurnAction fallback = action;
        fallback.weapon = (s.GetAllowedWeapons() & 1) ? JUB_WEAPON_JUMP : JUB_WEAPON_BOMB;
        for (int w = 0; w < JUB_WEAPON_COUNT && rc != KE_OK; ++w)
        {
            fallback.weapon = w;
            rc = s.Act(fallback);
        }
    }
    if (rc != KE_OK)
        return 0;
    const int abandonedBefore = s.GetAbandonedCount();
    int fed = 0;
    for (t = 0; t < maxTicks; ++t)
    {
        s.Update(kTickSeconds);
        if (s.GetAbandonedCount() != abandonedBefore)
        {
            ++report.abandoned;
            return 0;
        }
        if (!fed && s.GetFields().replayStarted)
        {
            CJubGameEventQueue& local = s.GetExchange().GetLocalQueue();
            for (i32 i = 0; i < local.Count(); ++i)
            {
                CJubGameEvent* e = local.GetAt(i);
                if (e->GetType() != JUB_EVENT_BATCH)
                    continue;
                for (int r = 1; r < 3; ++r)
                    m_handsets[r]->screen.GetExchange().ReceivePayload(e->GetPayload(), e->GetSize());
                lastBatch.assign(e->GetPayload(), e->GetPayload() + e->GetSize());
                CountRecords(lastBatch, report);
                fed = 1;
            }
        }
        for (int r = 1; r < 3; ++r)
            m_handsets[r]->screen.Update(kTickSeconds);
        TurnTrace& a = m_handsets[0]->trace;
        TurnTrace& b = m_handsets[1]->trace;
        TurnTrace& c = m_handsets[2]->trace;
        if (a.aheadEnded && a.replayEnded && b.replayEnded && c.replayEnded)
        {
            ++report.turns;
            std::string fault;
            if (a.ahead != a.replay)
                fault = Describe("simulate-ahead against own replay", a.ahead, a.replay);
            else if (a.aheadEnd != a.replayEnd)
                fault = "replay does not end in the simulate-ahead's end state";
            else if (b.replay != a.replay)
                fault = Describe("second screen's replay", b.replay, a.replay);
            else if (c.replay != a.replay)
                fault = Describe("third screen's replay", c.replay, a.replay);
            else if (a.indexFaults || b.indexFaults || c.indexFaults)
                fault = "step indices out of order";
            if (!fault.empty())
            {
                ++report.mismatches;
                if (report.faults.size() < 8)
                    report.faults.push_back(fault);
            }
            return 1;
        }
    }
    ++report.mismatches;
    if (report.faults.size() < 8)
        report.faults.push_back("a training turn did not finish on every screen");
    return 0;
}
