#pragma once
// A recording game object for the match tests: a hand-driven clock, a scripted random
// source, a touch table the test writes, and a log of every sound, bubble and payload.
#include "engine/KetrelString.h"
#include "engine/KetrelVector.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubTouchState.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

struct PlayedSound
{
    u32 id;
    u32 playArg;
    i32 frequency;
};

struct AddedBubble
{
    std::string text;
    std::string speaker;
    u32 colour;
    CKetrelVector2 position;
    CKetrelVector2 corner;
};

class FakeGameHost : public CJubGameHost
{
public:
    u32 GetClock() override { return clock; }
    u32 GetTimeMs() override { return timeMs; }
    int SendGameData(const u8* data, i32 size) override;

    void ResetClock() override { clock = 0; ++clockResets; }
    void ResyncFixedStep() override { ++resyncs; }
    CJubRenderer* GetRenderer() override { return renderer; }
    CJubPhysicsWorld* GetPhysicsWorld() override { return world; }
    CJubAssetCache* GetAssets() override { return assets; }
    CJubTouchState& GetTouchState() override { return touch; }
    void PlaySound(u32 id, u32 playArg, i32 frequency) override
    {
        sounds.push_back({id, playArg, frequency});
    }
    // The next scripted value when one is queued (clamped to the range), else a value
    // of a seeded generator in the range.
    f32 RandomFloat(f32 min, f32 max) override;
    i32 RandomInt(i32 min, i32 max) override;
    void LoadNextResource() override { ++loadCalls; }
    i32 IsLoadingDone() override { return loadingDone; }
    i32 GetSetting(const CKetrelString& key, i32 fallback) override;
    void SetSetting(const CKetrelString& key, i32 value) override;
    CKetrelString GetText(i32 index) override;
    void Vibrate() override { ++vibrations; }
    void ReportGameResult(const i32* playerIds, const i32* codes, i32 count,
                          i32 leaveNow) override;
    CJubMatchCounters& GetMatchCounters() override { return counters; }
    i32 IsStopRequested() override { return stopRequested; }
    void ClearChatBubbles() override
    {
        bubbles.clear();
        ++bubbleClears;
    }
    void AddChatBubble(const CKetrelString& text, const CKetrelString& speaker, u32 colour,
                       const CKetrelVector2& position, const CKetrelVector2& corner) override;
    void RenderChatBubbles() override { ++bubbleRenders; }

    // Touch 0 goes down, moves, or goes up at (x, y) for the next step; the step flags
    // of the last step are cleared first, as the game object does every step.
    void Down(f32 x, f32 y);
    void Move(f32 x, f32 y);
    void Up(f32 x, f32 y);
    // A step with no change: the went-down and went-up flags clear.
    void Hold();
    // Sounds of one id played so far.
    int CountSound(u32 id) const;

    u32 clock = 0;
    u32 timeMs = 0;
    CJubRenderer* renderer = nullptr;
    CJubPhysicsWorld* world = nullptr;
    CJubAssetCache* assets = nullptr;
    CJubTouchState touch;
    CJubMatchCounters counters;
    std::deque<f32> randomFloats;     // scripted answers, consumed in order
    std::deque<i32> randomInts;
    u32 seed = 12345;
    i32 loadingDone = 1;
    i32 stopRequested = 0;
    int clockResets = 0, resyncs = 0, loadCalls = 0, vibrations = 0;
    int bubbleClears = 0, bubbleRenders = 0;
    std::vector<PlayedSound> sounds;
    std::vector<AddedBubble> bubbles;
    std::vector<std::vector<u8>> sent;
    std::map<std::string, i32> settings;
    std::vector<std::vector<i32>> reports;   // ids, then codes, then leaveNow

    // ---- the play screen's part ----
    void AdvanceClock(u32 ms) override { clock += ms; }
    i32 GetSoundFrequency(u32) override { return soundFrequency; }
    void OpenChatPage() override { ++chatPages; }
    void SendItemUsed(u32 itemId, i32 count, i32 playerCode) override
    {
        itemsUsed.push_back({(i32)itemId, count, playerCode});
    }
    i32 GetOwnedItems(CJubOwnedItem* items, i32 max) override;
    int ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info) override;

    i32 soundFrequency = 22050;
    int chatPages = 0;
    std::vector<std::vector<i32>> itemsUsed;       // id, count, player code
    std::vector<CJubOwnedItem> ownedItems;         // what GetOwnedItems lists
    std::map<u32, CJubItemInfo> itemInfos;         // by item id; others fail to read
    std::vector<std::vector<i32>> itemsRead;       // player, item id
};
