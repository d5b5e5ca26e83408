// The play screen's simulate-ahead of a whole 30-second turn (a bomb on a full level, its
// explosions running) against the physics world stepping the same level alone; and the
// turn snapshot's save and restore of a full level against a memcpy of the same bytes.
#include "BenchSupport.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
const f32 kStep = 1.0f / 30.0f;

// 223 blocks: a floor of small blocks under walls and towers over the whole field, the
// two creatures on the floor.
std::vector<u8> FullLevel()
{
    CJubPhysicsWorld world;
    world.SetStep(kStep, 4);
    CJubScene scene;
    scene.Init(nullptr, nullptr, &world, 0);
    i32 made = 0;
    for (i32 row = 0; made < JUB_BLOCK_MAX_COUNT; ++row)
    {
        for (i32 col = 0; col < 30 && made < JUB_BLOCK_MAX_COUNT; ++col)
        {
            // Type 0: 0.1 x 0.1; rows go up from 0.3, with gaps that leave room to fly.
            const f32 x = -2.9f + 0.2f * (f32)col;
            const f32 y = 0.3f + 0.1f * (f32)row + (row > 0 ? 0.4f * (f32)(col % 3) : 0.0f);
            if (row > 0 && (col % 5) == 2)
                continue;
            scene.GetBlocks()->CreateBlock(0, CKetrelVector2(x, y), (u8)(col & 3), (u8)(row & 3),
                                           0);
            ++made;
        }
    }
    scene.GetPlayer(0).body->SetPosition(CKetrelVector2(-1.0f, 2.6f));
    scene.GetPlayer(1).body->SetPosition(CKetrelVector2(1.0f, 2.6f));
    CKetrelArray<u8> out;
    scene.WriteLevel(out);
    return std::vector<u8>(out.GetData(), out.GetData() + out.GetCount());
}

class Levels : public CJubAssetSource
{
public:
    explicit Levels(const std::vector<u8>& bytes) : m_bytes(bytes) {}
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = new u8[m_bytes.size()];
        std::memcpy(*data, m_bytes.data(), m_bytes.size());
        return (i32)m_bytes.size();
    }

private:
    std::vector<u8> m_bytes;
};

// A headless game object: a step clock, no sound, no network.
class Host : public CJubGameHost
{
public:
    explicit Host(const std::vector<u8>& level) : levels(level)
    {
        world.SetStep(kStep, 4);
        cache.SetSource(&levels);
    }
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return 0; }
    int SendGameData(const u8*, i32) override { return 1; }
    void ResetClock() override { clock = 0; }
    void ResyncFixedStep() override {}
    CJubRenderer* GetRenderer() override { return nullptr; }
    CJubPhysicsWorld* GetPhysicsWorld() override { return &world; }
    CJubAssetCache* GetAssets() override { return &cache; }
    CJubTouchState& GetTouchState() override { return touch; }
    void PlaySound(u32, u32, i32) override {}
    f32 RandomFloat(f32 min, f32) override { return min; }
    i32 RandomInt(i32 min, i32) override { return min; }
    void LoadNextResource() override {}
    i32 IsLoadingDone() override { return 1; }
    i32 GetSetting(const CKetrelString&, i32 fallback) override { return fallback; }
    void SetSetting(const CKetrelString&, i32) override {}
    CKetrelString GetText(i32) override { return CKetrelString(); }
    void Vibrate() override {}
    void ReportGameResult(const i32*, const i32*, i32, i32) override {}
    CJubMatchCounters& GetMatchCounters() override { return counters; }
    i32 IsStopRequested() override { return 0; }
    void ClearChatBubbles() override {}
    void AddChatBubble(const CKetrelString&, const CKetrelString&, u32, const CKetrelVector2&,
                       const CKetrelVector2&) override {}
    void RenderChatBubbles() override {}
    void AdvanceClock(u32 ms) override { clock += ms; }
    i32 GetSoundFrequency(u32) override { return 0; }
    void OpenChatPage() override {}
    void SendItemUsed(u32, i32, i32) override {}
    i32 GetOwnedItems(CJubOwnedItem*, i32) override { return 0; }
    int ReadItem(i32, const CJubOwnedItem&, CJubItemInfo*) override { return KE_ERR_NOT_FOUND; }

    u32 clock = 0;
    Levels levels;
    CJubPhysicsWorld world;
    CJubAssetCache cache;
    CJubTouchState touch;
    CJubMatchCounters counters;
};

// A training match on the full level, waiting for the local player's first action.
struct Match
{
    explicit Match(const std::vector<u8>& level) : host(level)
    {
        screen.Init(&host);
        screen.SetSinglePlayer(1);
        screen.PostStartRound(0, 12, 0, 0);
        screen.PostBeginTurn(0);
        for (int i = 0; i < 400 && !(screen.GetPhase() == JUB_PHASE_LOCAL_TURN
                                     && screen.IsTimerRunning()); ++i)
            screen.Update(0.033f);
    }
    ~Match() { screen.Deinit(); }
    Host host;
    CJubPlayState screen;
};

// One whole 30-second simulate-ahead: a block that never stops changing keeps the bomb's
// turn from settling, so all 900 steps run (explosions included) before it is undone.
double SimulateAheadSeconds(const std::vector<u8>& level, int* steps)
{
    double best = 1e30;
    for (int round = 0; round < 5; ++round)
    {
        Match m(level);
        CJubScene& live = *m.screen.GetLiveScene();
        live.GetBlocks()->GetBlock(0)->SetPendingChange(0, 2, 255, 0.7f, 0.1f, -1e9f);
        CJubTurnAction bomb;
        bomb.weapon = JUB_WEAPON_BOMB;
        bomb.aim.Set(0.15f, -0.25f);
        const int before = m.screen.GetAbandonedCount();
        const double start = bench::NowUs();
        m.screen.Act(bomb);
        int updates = 0;
        while (m.screen.GetAbandonedCount() == before && updates < 1000)
        {
            m.screen.Update(0.033f);
            ++updates;
        }
        const double s = (bench::NowUs() - start) / 1e6;
        if (s < best)
            best = s;
        *steps = 900;
    }
    return best;
}

// The same level in a bare world: the creatures and one bomb in flight, 900 steps.
double WorldAloneSeconds(const std::vector<u8>& level, int steps)
{
    double best = 1e30;
    for (int round = 0; round < 5; ++round)
    {
        CJubPhysicsWorld world;
        world.SetStep(kStep, 4);
        CJubScene scene;
        scene.Init(nullptr, nullptr, &world, 0);
        scene.ParseLevel(level.data(), (i32)level.size(), false);
        CJubProjectile* shot = scene.CreateProjectile(0, 0, 0);
        shot->body->SetVelocity(CKetrelVector2(-0.15f * -6.9f / 15.0f, 0.25f * 6.9f / 15.0f));
        const double start = bench::NowUs();
        for (int i = 0; i < steps; ++i)
            world.Step();
        const double s = (bench::NowUs() - start) / 1e6;
        if (s < best)
            best = s;
    }
    return best;
}

void CompareSimulateAhead(const std::vector<u8>& level)
{
    int steps = 0;
    const double ours = SimulateAheadSeconds(level, &steps);
    const double alone = WorldAloneSeconds(level, steps);
    const double ratio = alone / ours;
    std::printf("%-44s %10.3f ms %10.3f ms %8.2f\n", "30 s turn, bomb, 223 blocks (900 steps)",
                ours * 1e3, alone * 1e3, ratio);
    std::printf("BENCH simulate_turn ratio=%.2f\n", ratio);
}

void CompareSnapshot(const std::vector<u8>& level)
{
    Match m(level);
    const i32 blocks = m.screen.GetLiveScene()->GetBlocks()->GetCount();
    // What a save copies, and a restore copies back: the records of every block and
    // creature with their bodies.
    const size_t bytes = (size_t)blocks * (sizeof(CJubBlock) + sizeof(CJubPhysicsBody))
                         + 2 * (sizeof(CJubPlayer) + sizeof(CJubPhysicsBody));
    std::vector<u8> a(bytes, 1), b(bytes, 2);
    const int reps = 2000;
    double ours = 1e30, copy = 1e30;
    u64 sink = 0;
    for (int round = 0; round < 7; ++round)
    {
        double start = bench::NowUs();
        for (int r = 0; r < reps; ++r)
        {
            m.screen.SaveSnapshot();
            m.screen.RestoreSnapshot();
        }
        double s = (bench::NowUs() - start) / 1e6;
        if (s < ours)
            ours = s;
        start = bench::NowUs();
        for (int r = 0; r < reps; ++r)
        {
            std::memcpy(b.data(), a.data(), bytes);
            std::memcpy(a.data(), b.data(), bytes);
            sink += a[(size_t)r % bytes];
            __asm__ __volatile__("" : : "r"(a.data()), "r"(b.data()) : "memory");
        }
        s = (bench::NowUs() - start) / 1e6;
        if (s < copy)
            copy = s;
    }
    const double ratio = copy / ours;
    std::printf("%-44s %10.3f us %10.3f us %8.2f\n", "snapshot save+restore, 223 blocks",
                ours * 1e6 / reps, copy * 1e6 / reps, ratio);
    std::printf("BENCH snapshot ratio=%.2f\n", ratio);
    if (sink == 1)
        std::printf("\n");
}
}

int main()
{
    const std::vector<u8> level = FullLevel();
    std::printf("%-44s %13s %13s %8s\n", "case", "ours", "yardstick", "ratio");
    CompareSimulateAhead(level);
    CompareSnapshot(level);
    return 0;
}
