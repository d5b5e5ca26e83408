#include "JubGameHostFake.h"
#include "JubSoundFake.h"

#include "game/match/JubAmbience.h"

#include <gtest/gtest.h>

namespace
{
// The play screen's set: common 17-19, rare 20-22, loop 23.
void Fill(CJubAmbience& ambience)
{
    for (u32 id = 17; id <= 19; ++id)
        ambience.AddCommon(id);
    for (u32 id = 20; id <= 22; ++id)
        ambience.AddRare(id);
    ambience.SetLoop(23);
}

int CountRange(const FakeGameHost& host, u32 first, u32 last)
{
    int n = 0;
    for (const PlayedSound& s : host.sounds)
        n += (s.id >= first && s.id <= last) ? 1 : 0;
    return n;
}

// Intervals drawn by the scripted random source; the clock is the sum of the dts.
TEST(JubAmbience, IntervalsComeFromInitAndAreRedrawnAfterEachSound)
{
    FakeGameHost host;
    CJubAmbience ambience;
    Fill(ambience);
    EXPECT_EQ(10.0f, ambience.GetCommonTimer());
    host.randomFloats = {25.0f, 8.0f};       // rare first, then common
    ambience.Init(&host);
    EXPECT_EQ(25.0f, ambience.GetRareTimer());
    EXPECT_EQ(8.0f, ambience.GetCommonTimer());

    struct Step
    {
        f32 dt;
        int common, rare, loops;   // totals after the step
    };
    host.randomInts = {2, 0, 1};
    host.randomFloats = {15.0f, 7.0f, 30.0f};
    const Step steps[] = {
        {7.5f, 0, 0, 1},           // 0.5 s left: nothing yet
        {0.5f, 1, 0, 2},           // common due (the constructor's 10 s would not be)
        {14.5f, 1, 0, 3},          // next common in 15 s: 0.5 s left; rare 2.5 s left
        {0.5f, 2, 0, 4},
        {2.0f, 2, 1, 5},
    };
    int i = 0;
    for (const Step& s : steps)
    {
        ambience.Update(s.dt);
        EXPECT_EQ(s.common, CountRange(host, 17, 19)) << "step " << i;
        EXPECT_EQ(s.rare, CountRange(host, 20, 22)) << "step " << i;
        EXPECT_EQ(s.loops, host.CountSound(23)) << "step " << i;
        ++i;
    }
    // Picked by index: 2 and 0 of the common list, 1 of the rare one.
    EXPECT_EQ(19u, host.sounds[1].id);
    EXPECT_EQ(17u, host.sounds[4].id);
    EXPECT_EQ(21u, host.sounds[6].id);
    EXPECT_FLOAT_EQ(5.0f, ambience.GetCommonTimer());   // drawn 7, 2 s ago
    EXPECT_FLOAT_EQ(30.0f, ambience.GetRareTimer());
}

// A frame longer than both intervals plays one sound of each list and draws fresh
// intervals: no catching up.
TEST(JubAmbience, LongFramePlaysAtMostOneSoundPerList)
{
    FakeGameHost host;
    CJubAmbience ambience;
    Fill(ambience);
    ambience.Init(&host);
    ambience.Update(1000.0f);
    EXPECT_EQ(1, CountRange(host, 17, 19));
    EXPECT_EQ(1, CountRange(host, 20, 22));
    EXPECT_EQ(1, host.CountSound(23));
    EXPECT_GE(ambience.GetCommonTimer(), 7.0f);
    EXPECT_LE(ambience.GetCommonTimer(), 15.0f);
    EXPECT_GE(ambience.GetRareTimer(), 20.0f);
    EXPECT_LE(ambience.GetRareTimer(), 30.0f);
}

TEST(JubAmbience, EmptyListsRequestOnlyTheLoopButTimersRun)
{
    FakeGameHost host;
    CJubAmbience ambience;
    ambience.SetLoop(23);
    ambience.Init(&host);
    for (int i = 0; i < 40 * 30; ++i)        // 40 s at 30 updates per second
        ambience.Update(1.0f / 30.0f);
    EXPECT_EQ(40 * 30, (int)host.sounds.size());
    EXPECT_EQ(40 * 30, host.CountSound(23));
    EXPECT_GT(ambience.GetCommonTimer(), 0.0f);
    EXPECT_GT(ambience.GetRareTimer(), 0.0f);

    CJubAmbience silent;                     // nothing at all before Init
    silent.Update(100.0f);
}

TEST(JubAmbience, StopAllStopsCommonAndRareButNotTheLoop)
{
    FakeSoundSource source;
    CJubAssetCache cache;
    cache.SetSource(&source);
    FakeGameHost host;
    host.assets = &cache;
    {
        CJubAmbience ambience;
        Fill(ambience);
        ambience.Init(&host);
        ambience.StopAll();
        for (u32 id = 17; id <= 22; ++id)
            EXPECT_EQ(1, source.sounds[id].stops) << "sound " << id;
        EXPECT_EQ(0, source.sounds[23].stops);
    }                                        // the destructor stops them once more
    EXPECT_EQ(2, source.sounds[17].stops);
    EXPECT_EQ(0, source.sounds[23].stops);
    cache.SetSource(nullptr);
    EXPECT_EQ(source.fetches, source.releases);
}
} // namespace
