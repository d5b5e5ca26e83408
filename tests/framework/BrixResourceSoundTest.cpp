// Sounds in the resource manager, with the mixing thread running: asynchronous loads
// arrive whole, and a sound played or released while its decode runs is safe. Built
// for ThreadSanitizer too.
#include "framework/BrixResourceManager.h"

#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundSource.h"
#include "ResourceTestKit.h"
#include "engine/KetrelThread.h"
#include "support/KetrelTestAlsa.h"

#include <gtest/gtest.h>

namespace
{

struct SoundFixture : public ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(alsa.RouteToNull());
        ASSERT_EQ(KE_OK, engine.Init(nullptr, 44100, 16, 2, 0, 0, 0));
        manager.Init(nullptr, &engine);
        path = folder.File("sounds.vad");
        ASSERT_TRUE(WriteTestPack(path, {{"/click.wav", MakeWav(2000)},
                                         {"/long.wav", MakeWav(400000)},
                                         {"/other.ogg", MakeWav(500)},
                                         {"/broken.wav", "RIFF\x10\0\0\0WAVEjunk"}}));
        ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    }

    void TearDown() override
    {
        manager.ReleaseAll();
        engine.Shutdown();
    }

    IKetrelSoundSource* Get(const wchar_t* name, u32 flags = 0, u32 voices = 0)
    {
        return manager.GetSound(CKetrelString(name), flags, voices);
    }

    // Ticks until no loader is left; false after about five seconds.
    bool TickUntilIdle()
    {
        for (int i = 0; i < 5000; ++i)
        {
            manager.Tick();
            if (manager.GetPendingSoundCount() == 0)
                return true;
            IKetrelThread::Sleep(1);
        }
        return false;
    }

    CKetrelTestAlsa alsa;
    CKetrelSoundEngine engine;
    TestFolder folder;
    std::string path;
    CBrixResourceManager manager;
};

// Releases until the manager frees the sound (its slot cleared).
int ReleasesUntilFreed(CBrixResourceManager& manager, IKetrelSoundSource* sound)
{
    for (int n = 1; n <= 100; ++n)
    {
        IKetrelSoundSource* slot = sound;
        if (manager.ReleaseSound(&slot) != 1)
            return -1;
        if (slot == nullptr)
            return n;
    }
    return -2;
}

} // namespace

// The caller's sound stays empty until Tick hands the decoded voices over; a second
// request while the decode is pending gets nothing.
TEST_F(SoundFixture, AsynchronousSoundArrivesWhole)
{
    IKetrelSoundSource* sound = Get(L"click.wav", 0, 2);
    ASSERT_NE(nullptr, sound);
    EXPECT_EQ(0u, sound->GetVoiceCount());
    EXPECT_NE(KE_OK, sound->Play(0));             // nothing to play yet, and no harm
    EXPECT_EQ(nullptr, manager.LoadSound(CKetrelString(L"click.wav"), 0, 0));

    ASSERT_TRUE(TickUntilIdle());
    EXPECT_EQ(3u, sound->GetVoiceCount());
    EXPECT_EQ(4000u, sound->GetDataSize());
    EXPECT_EQ(KE_OK, sound->Play(0));
    EXPECT_EQ(KE_OK, sound->Play(0, 1));

    // Decoded: asking again shares it.
    EXPECT_EQ(sound, Get(L"click.wav"));
    EXPECT_EQ(1, manager.AddRefSound(sound));
    EXPECT_EQ(3, ReleasesUntilFreed(manager, sound));

    // Still registered: it loads again.
    IKetrelSoundSource* again = Get(L"click.wav", CBrixResourceManager::SOUND_SYNCHRONOUS);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(1u, again->GetVoiceCount());
    EXPECT_EQ(1, ReleasesUntilFreed(manager, again));
}

// Played and released while the loader decodes: the decode is joined, nothing of it
// reaches the sound, and the next loader still runs.
TEST_F(SoundFixture, PlayedAndReleasedWhileDecoding)
{
    for (int round = 0; round < 3; ++round)
    {
        IKetrelSoundSource* slow = Get(L"long.wav");
        IKetrelSoundSource* quick = Get(L"click.wav");
        ASSERT_NE(nullptr, slow);
        ASSERT_NE(nullptr, quick);
        for (int t = 0; t < round + 1; ++t)
            manager.Tick();                           // the first ever Tick does nothing
        slow->Play(1);
        slow->SetVolume(50);
        EXPECT_EQ(0u, slow->IsPlaying());
        IKetrelThread::Sleep((u32)(round * 3));
        EXPECT_EQ(1, ReleasesUntilFreed(manager, slow));
        EXPECT_EQ(1, manager.GetPendingSoundCount());
        ASSERT_TRUE(TickUntilIdle());
        EXPECT_EQ(1u, quick->GetVoiceCount());
        EXPECT_EQ(KE_OK, quick->Play(0));
        EXPECT_EQ(1, ReleasesUntilFreed(manager, quick));
    }
}

// Undecodable bytes leave an empty sound; ReleaseAll with loaders queued and running
// joins them all.
TEST_F(SoundFixture, FailuresAndShutdownWithLoadersPending)
{
    IKetrelSoundSource* broken = Get(L"broken.wav");
    ASSERT_NE(nullptr, broken);
    ASSERT_TRUE(TickUntilIdle());
    EXPECT_EQ(0u, broken->GetVoiceCount());
    EXPECT_EQ(broken, Get(L"broken.wav"));          // shared, though empty
    EXPECT_EQ(2, ReleasesUntilFreed(manager, broken));
    EXPECT_EQ(nullptr, Get(L"missing.wav"));
    EXPECT_EQ(nullptr, Get(L""));

    ASSERT_NE(nullptr, Get(L"long.wav"));
    ASSERT_NE(nullptr, Get(L"other.ogg"));
    manager.Tick();
    IKetrelThread::Sleep(2);
    manager.ReleaseAll();
    EXPECT_EQ(0, manager.GetPendingSoundCount());
    EXPECT_EQ(nullptr, Get(L"click.wav"));
}

TEST(BrixResourceSound, NothingWithoutASoundEngine)
{
    TestFolder folder;
    const std::string path = folder.File("s.vad");
    ASSERT_TRUE(WriteTestPack(path, {{"/click.wav", MakeWav(100)}}));
    CBrixResourceManager manager;
    manager.Init(nullptr, nullptr);
    ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    EXPECT_EQ(nullptr, manager.GetSound(CKetrelString(L"click.wav"), 0, 0));
    EXPECT_EQ(nullptr, manager.GetSound(CKetrelString(L"click.wav"), 1, 0));
    IKetrelSoundSource* none = nullptr;
    EXPECT_EQ(1, manager.ReleaseSound(&none));
}
