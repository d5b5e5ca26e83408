// Peer payloads and batches fed into a live two-handset match at every phase. Two play
// screens play over an in-process link on a small level; the input interleaves steps,
// actions and forged payloads. Nothing may crash or hang, and a handset that refused a
// peer's batch must never carry on as if the turn had been replayed.
//
// Input: byte 0 seeds the random numbers; then operations, each one byte:
//   0..3   step both handsets 1, 4, 16 or 64 times
//   4      the handset whose turn waits acts: weapon, aim x, aim y (3 bytes)
//   5, 6   a payload to handset 0 or 1 as if from its peer: length, bytes
//   7      a batch to the handset that waits for one: count, then per record a type
//          byte and 43 bytes of which the record takes what its type needs
#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameEventRecords.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <cstring>
#include <vector>

namespace
{
const i32 kMaxSteps = 4000;

// A small level: four floor blocks and the two creatures above them.
std::vector<u8> MakeLevel()
{
    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubScene scene;
    scene.Init(nullptr, nullptr, &world, 0);
    for (i32 i = 0; i < 4; ++i)
        scene.GetBlocks()->CreateBlock(9, CKetrelVector2(-0.75f + 0.5f * (f32)i, 0.5f),
                                       (u8)(i & 3), 0, 0);
    scene.GetBlocks()->CreateBlock(1, CKetrelVector2(0.0f, 1.2f), 3, 0, 0);
    scene.GetPlayer(0).body->SetPosition(CKetrelVector2(-0.4f, 0.65f));
    scene.GetPlayer(1).body->SetPosition(CKetrelVector2(0.4f, 0.65f));
    CKetrelArray<u8> out;
    scene.WriteLevel(out);
    return std::vector<u8>(out.GetData(), out.GetData() + out.GetCount());
}

class Levels : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        static const std::vector<u8> level = MakeLevel();
        *data = new u8[level.size()];
        std::memcpy(*data, level.data(), level.size());
        return (i32)level.size();
    }
};

struct Packet
{
    int to;
    std::vector<u8> bytes;
};

class Host : public CJubGameHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return *now; }
    int SendGameData(const u8* data, i32 size) override
    {
        if (!data || size < JUB_EVENT_HEADER_SIZE)
            __builtin_trap();
        if (wire->size() < 4096)
            wire->push_back({1 - side, std::vector<u8>(data, data + size)});
        return 1;
    }
    void ResetClock() override { clock = 0; }
    void ResyncFixedStep() override {}
    CJubRenderer* GetRenderer() override { return nullptr; }
    CJubPhysicsWorld* GetPhysicsWorld() override { return &world; }
    CJubAssetCache* GetAssets() override { return &cache; }
    CJubTouchState& GetTouchState() override { return touch; }
    void PlaySound(u32, u32, i32) override {}
    f32 RandomFloat(f32 min, f32 max) override { return min + (max - min) * 0.5f; }
    i32 RandomInt(i32 min, i32 max) override
    {
        seed = seed * 1103515245u + 12345u;
        return max < min ? min : min + (i32)((seed >> 8) % (u32)(max - min + 1));
    }
    void LoadNextResource() override {}
    i32 IsLoadingDone() override { return 1; }
    i32 GetSetting(const CKetrelString&, i32 fallback) override { return fallback; }
    void SetSetting(const CKetrelString&, i32) override {}
    CKetrelString GetText(i32) override { return CKetrelString(L"text"); }
    void Vibrate() override {}
    void ReportGameResult(const i32*, const i32*, i32 count, i32) override
    {
        if (count < 0 || count > 2)
            __builtin_trap();
    }
    CJubMatchCounters& GetMatchCounters() override { return counters; }
    i32 IsStopRequested() override { return 0; }
    void ClearChatBubbles() override {}
    void AddChatBubble(const CKetrelString&, const CKetrelString&, u32, const CKetrelVector2&,
                       const CKetrelVector2&) override {}
    void RenderChatBubbles() override {}
    void AdvanceClock(u32 ms) override { clock += ms; }
    i32 GetSoundFrequency(u32) override { return 22050; }
    void OpenChatPage() override {}
    void SendItemUsed(u32, i32, i32) override {}
    i32 GetOwnedItems(CJubOwnedItem* items, i32 max) override
    {
        if (max < 2)
            return 0;
        items[0].itemId = 1;
        items[0].fileNumber = 1;
        items[1].itemId = 2;
        items[1].fileNumber = 2;
        return 2;
    }
    int ReadItem(i32, const CJubOwnedItem& item, CJubItemInfo* info) override
    {
        if (item.itemId > 3)
            return KE_ERR_NOT_FOUND;
        info->type = (i32)item.itemId;   // 1 cluster, 2 snow, 3 battleground, 0 hat
        info->variable = (i32)item.fileNumber;
        return KE_OK;
    }

    u32 clock = 0;
    u32* now = nullptr;
    int side = 0;
    u32 seed = 1;
    std::vector<Packet>* wire = nullptr;
    CJubPhysicsWorld world;
    Levels levels;
    CJubAssetCache cache;
    CJubTouchState touch;
    CJubMatchCounters counters;
};

struct Handset
{
    Host host;
    CJubPlayState screen;
    ~Handset() { screen.Deinit(); }
};

class Reader
{
public:
    Reader(const u8* data, size_t size) : m_data(data), m_size(size) {}
    bool More() const { return m_at < m_size; }
    u8 Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    const u8* Take(size_t n, size_t* got)
    {
        *got = n < m_size - m_at ? n : m_size - m_at;
        const u8* p = m_data + m_at;
        m_at += *got;
        return p;
    }

private:
    const u8* m_data;
    size_t m_size;
    size_t m_at = 0;
};

void Check(Handset& h)
{
    // A refused batch ends the match; it is never followed by a replay reported done.
    CJubPlayState& s = h.screen;
    if (s.GetRefusedBatchCount() > 0 && !s.IsMatchDecided() && !s.IsResultSent())
        __builtin_trap();
    if (s.GetPhase() < 0 || s.GetPhase() > JUB_PHASE_REMOTE_TURN)
        __builtin_trap();
    const CJubScene* live = s.GetLiveScene();
    for (i32 p = 0; live && p < 2; ++p)
    {
        if (live->GetPlayer(p).health < 0)
            __builtin_trap();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    Reader in(data, size);
    u32 now = 0;
    std::vector<Packet> wire;
    Handset hs[2];
    for (int i = 0; i < 2; ++i)
    {
        Host& host = hs[i].host;
        host.now = &now;
        host.side = i;
        host.seed = 1u + in.Byte();
        host.wire = &wire;
        host.world.SetStep(1.0f / 30.0f, 4);
        host.cache.SetSource(&host.levels);
        if (hs[i].screen.Init(&host) != KE_OK)
            return 0;
    }
    hs[0].screen.StartMatch(0, 1, 1);
    hs[1].screen.StartMatch(1, 0, 1);

    i32 steps = 0;
    auto step = [&](int count) {
        for (int n = 0; n < count && steps < kMaxSteps; ++n, ++steps)
        {
            now += 33;
            std::vector<Packet> due;
            due.swap(wire);
            for (const Packet& p : due)
                hs[p.to].screen.GetExchange().ReceivePayload(p.bytes.data(), (i32)p.bytes.size());
            for (Handset& h : hs)
            {
                h.screen.Update(0.033f);
                Check(h);
            }
        }
    };

    while (in.More() && steps < kMaxSteps)
    {
        const u8 op = in.Byte();
        switch (op % 8)
        {
        case 0: step(1); break;
        case 1: step(4); break;
        case 2: step(16); break;
        case 3: step(64); break;
        case 4:
        {
            CJubTurnAction action;
            action.weapon = in.Byte() % JUB_WEAPON_COUNT;
            action.aim.Set(((f32)in.Byte() - 128.0f) / 320.0f, ((f32)in.Byte() - 128.0f) / 320.0f);
            for (Handset& h : hs)
                h.screen.Act(action);
            break;
        }
        case 5:
        case 6:
        {
            size_t got = 0;
            const u8* p = in.Take(in.Byte(), &got);
            hs[op % 8 - 5].screen.GetExchange().ReceivePayload(p, (i32)got);
            break;
        }
        case 7:
        {
            std::vector<u8> batch(16, 0);
            batch[0] = JUB_EVENT_BATCH;
            JubPutU32(&batch[4], 0x40000000u + (u32)steps);
            JubPutU32(&batch[8], JUB_EVENT_UNTIMED);
            const int count = in.Byte() % 16;
            for (int r = 0; r < count; ++r)
            {
                const u8 type = in.Byte();
                size_t got = 0;
                const u8* p = in.Take(43, &got);
                const i32 need = JubGameEventBatchRecordSize(type);
                batch.push_back(type);
                batch.push_back(type);
                batch.insert(batch.end(), p, p + got);
                for (i32 k = (i32)got + 1; k < need; ++k)
                    batch.push_back(0);
            }
            batch.push_back(JUB_EVENT_BATCH_END);
            batch.push_back(JUB_EVENT_BATCH_END);
            for (Handset& h : hs)
            {
                if (h.screen.GetPhase() == JUB_PHASE_REMOTE_TURN)
                    h.screen.GetExchange().ReceivePayload(batch.data(), (i32)batch.size());
            }
            break;
        }
        }
    }
    step(90);
    return 0;
}
