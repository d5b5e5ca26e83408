// The game's own sounds as built beside the executable: every name of the sound table is
// in the pack the game opens, in the format it was made in, and decodes through the
// resource manager the way the game fetches it (loader threads, handed over by Tick).
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundMusicPlayer.h"
#include "engine/KetrelApplication.h"
#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubResourceSource.h"
#include "support/KetrelTestAlsa.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace
{
enum Kind { kPcm, kAdpcm, kVorbis };

#if KETREL_SOUNDS_VORBIS
const Kind kVorbisOrPcm = kVorbis;
#else
const Kind kVorbisOrPcm = kPcm;   // built without an Ogg Vorbis encoder
#endif

// By sound id: the pack it lives in and how it is stored.
struct Expected
{
    const char* pack;
    Kind kind;
};
const Expected kSounds[JUB_SOUND_COUNT] = {
    {"dataAudio", kPcm},   {"dataAudio", kPcm},   {"dataAudio", kPcm},
    {"dataAudio", kPcm},   {"dataAudio", kAdpcm}, {"dataAudio", kAdpcm},
    {"dataAudio", kPcm},   {"dataAudio", kPcm},   {"dataAudio", kAdpcm},
    {"dataAudio", kPcm},   {"dataAudio", kPcm},   {"dataAudio", kVorbisOrPcm},
    {"dataAudio", kVorbisOrPcm}, {"dataAudio", kVorbisOrPcm}, {"dataAudio", kVorbisOrPcm},
    {"dataAudio", kPcm},   {"dataAudio", kPcm},
    {"dataAmbientAudio", kAdpcm}, {"dataAmbientAudio", kAdpcm}, {"dataAmbientAudio", kAdpcm},
    {"dataAmbientAudio2", kAdpcm}, {"dataAmbientAudio2", kAdpcm}, {"dataAmbientAudio2", kAdpcm},
    {"dataAmbientAudio", kVorbisOrPcm},
};

std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out.push_back((char)s.GetBuffer()[i]);
    return out;
}

Kind KindOf(const u8* data, i32 size)
{
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0)
        return kVorbis;
    if (size >= 22 && std::memcmp(data, "RIFF", 4) == 0 && data[20] == 0x11 && data[21] == 0)
        return kAdpcm;
    return kPcm;
}

class JubGameSoundsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(alsa.RouteToNull());
        ASSERT_EQ(KE_OK, engine.Init(nullptr, 44100, 16, 2, 0, 0, 0));
        manager.Init(nullptr, &engine);
        for (const char* pack : {"dataAudio", "dataAmbientAudio", "dataAmbientAudio2"})
        {
            const std::string path = std::string(KETREL_BINARY_DIR) + "/main/" + pack + ".vad";
            ASSERT_EQ(1, manager.AddMediaPack(CKetrelString(path.c_str()), 1, 0))
                << path << " (built by the game_sounds target)";
        }
    }
    void TearDown() override
    {
        manager.ReleaseAll();
        engine.Shutdown();
    }

    CKetrelTestAlsa alsa;
    CKetrelSoundEngine engine;
    CBrixResourceManager manager;
};

TEST_F(JubGameSoundsFixture, EverySoundIsStoredAsMadeAndDecodes)
{
    CJubResourceSource source(&manager);
    CJubAssetCache cache;
    cache.SetSource(&source);
    for (i32 id = 0; id < JUB_SOUND_COUNT; ++id)
    {
        const CKetrelString& name = CJubAssetNames::Sound(id);
        u8* bytes = nullptr;
        const i32 size = manager.ReadResource(name, &bytes);
        ASSERT_GT(size, 0) << Narrow(name);
        EXPECT_EQ(kSounds[id].kind, KindOf(bytes, size)) << Narrow(name);
        EXPECT_LT(size, 64 * 1024) << Narrow(name) << " is meant to be small";
        delete[] bytes;
        EXPECT_NE(nullptr, cache.GetSound(id)) << Narrow(name);
    }

    // The game's fetches decode on loader threads; Tick hands each one over.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (manager.GetPendingSoundCount() > 0 && std::chrono::steady_clock::now() < deadline)
    {
        manager.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(0, manager.GetPendingSoundCount());

    for (i32 id = 0; id < JUB_SOUND_COUNT; ++id)
    {
        const std::string name = Narrow(CJubAssetNames::Sound(id));
        IKetrelSoundSource* sound = cache.PeekSound(id);
        ASSERT_NE(nullptr, sound) << name;
        const CKetrelSoundFormat* format = sound->GetFormat();
        EXPECT_EQ(1u, format->channels) << name;
        EXPECT_EQ(22050u, format->sampleRate) << name;
        EXPECT_EQ(16u, format->bitsPerSample) << name;
        const f64 seconds = (f64)sound->GetDataSize() / (2.0 * 22050.0);
        EXPECT_GT(seconds, 0.03) << name;
        EXPECT_LT(seconds, 4.0) << name;

        // Not silence, and not clipped: the peak stays near the level it was made at.
        CKetrelSoundBuffer* voice = sound->GetVoice(0);
        ASSERT_NE(nullptr, voice) << name;
        u8* data = nullptr;
        u32 bytes = 0;
        ASSERT_EQ(KE_OK, voice->Lock(0, 0, &data, &bytes, 1)) << name;
        i32 peak = 0;
        for (u32 i = 0; i + 1 < bytes; i += 2)
        {
            i16 v;
            std::memcpy(&v, data + i, 2);
            peak = v < 0 ? (-v > peak ? -v : peak) : (v > peak ? v : peak);
        }
        voice->Unlock();
        EXPECT_GT(peak, 8000) << name;
        EXPECT_LT(peak, 32000) << name;
    }
    cache.ReleaseAll();
}

// The two tunes of the music table, beside the executable, open and play in the music
// player (into a fake sink: no sound server needed) for as long as they were written.
TEST(JubGameMusic, BothTunesPlayForTheirLength)
{
    struct App : public IKetrelApplication
    {
        void OnFrame() override {}
    } app;
    const struct
    {
        i32 index;
        f32 seconds;   // 16 beats at 140 per minute; 6.5 beats at 120
    } tunes[] = {{0, 16.0f * 60.0f / 140.0f}, {1, 6.5f * 60.0f / 120.0f}};
    for (const auto& t : tunes)
    {
        const std::string name = Narrow(CJubAssetNames::Get(JUB_TABLE_MUSIC, t.index));
        const std::string path = std::string(KETREL_BINARY_DIR) + "/main/" + name;
        if (!std::ifstream(path).good())
            GTEST_SKIP() << path << " was not built (no MP3 encoder)";
        CKetrelSoundMusicPlayer player;
        player.SetSinkOverride("fakesink");
        ASSERT_EQ(KE_OK, player.Open(&app, CKetrelString(path.c_str()))) << name;
        ASSERT_EQ(KE_OK, player.Play(0)) << name;
        f32 duration = 0.0f;
        for (int ms = 0; ms < 20000 && duration <= 0.0f; ms += 20)
        {
            player.Run(0.02f);
            duration = player.GetDuration();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_NEAR(t.seconds, duration, 0.15f) << name;
        player.Stop();
    }
}
} // namespace
