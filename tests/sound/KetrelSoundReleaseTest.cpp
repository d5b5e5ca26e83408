// Sources released while the engine's thread mixes their voices: every voice leaves the
// engine before the shared PCM is freed (AddressSanitizer and ThreadSanitizer watch).
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundWave.h"
#include "SoundTestUtil.h"
#include "engine/KetrelResult.h"
#include "support/KetrelTestAlsa.h"
#include <gtest/gtest.h>

namespace
{
class ReleaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_alsa.RouteToNull());
        m_engine = CKetrelSoundEngine::Create();
        ASSERT_EQ(KE_OK, m_engine->Init(nullptr, 44100, 16, 2, 0, 0, 0));
    }
    void TearDown() override
    {
        m_engine->Shutdown();
        delete m_engine;
    }
    CKetrelTestAlsa m_alsa;
    CKetrelSoundEngine* m_engine = nullptr;
};

TEST_F(ReleaseTest, SourcesWithSharedVoicesGoWhilePlaying)
{
    struct Case { const char* name; u32 channels, bits, extraVoices, flags; };
    const Case cases[] = {
        {"mono 16, three duplicates", 1, 16, 3, 0},
        {"stereo 8, one duplicate",   2, 8,  1, 0},
        {"3D with notifications",     1, 16, 5, KE_VOICE_3D | KE_VOICE_NOTIFY},
    };
    for (const Case& c : cases)
        for (int round = 0; round < 40; ++round)
        {
            CKetrelSoundWave* wave = CKetrelSoundWave::Create();
            CKetrelSoundFormat format;
            KetrelMakeSoundFormat(22050, c.bits, c.channels, &format);
            ASSERT_EQ(KE_OK, wave->CreateVoices(m_engine, &format, 20000, c.flags, c.extraVoices))
                << c.name;
            for (u32 v = 0; v <= c.extraVoices; ++v)
                wave->Play(1, v, 0);
            if (round % 4 == 0)
                IKetrelThread::Sleep(2);
            wave->Release();
            EXPECT_EQ(0u, wave->GetVoiceCount()) << c.name;
            delete wave;
        }
    EXPECT_EQ(0u, m_engine->GetVoiceCount());
}

// Deleting a loaded source without an explicit Release also takes its voices off the engine.
TEST_F(ReleaseTest, DeletingALoadedSourceReleasesIt)
{
    std::vector<i16> samples(30000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (i16)(i * 37);
    const std::vector<u8> file = PcmWave16(2, 44100, samples);
    for (int round = 0; round < 30; ++round)
    {
        CKetrelSoundWave* wave = CKetrelSoundWave::Create();
        ASSERT_EQ(KE_OK, wave->LoadFromMemory(m_engine, file.data(), (u32)file.size(), 0, 2));
        wave->Play(1, 0, 0);
        wave->Play(1, 2, 0);
        IKetrelThread::Sleep(1);
        delete wave;
    }
    EXPECT_EQ(0u, m_engine->GetVoiceCount());
}
} // namespace
