// The mixer stepped without its thread (KE_SOUND_NO_THREAD) and checked sample by sample
// on the engine's output block; ALSA's "default" goes to a null device.
#include "KetrelSound/KetrelSoundEngine.h"
#include "SoundTestUtil.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "support/KetrelTestAlsa.h"
#include <gtest/gtest.h>

namespace
{
const i32 kUnity = 32766;   // volume 100, pan 0: 32767 x 32767 >> 15

// One Q15 gain stage as the mixer applies it.
i64 Apply(i64 gain, i64 sample) { return (gain * sample) >> 15; }
i16 Clip16(i64 v) { return (i16)(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }
// A voice sample after the voice gain and the unity master gain.
i16 Out(i64 voiceGain, i64 sample) { return Clip16(Apply(kUnity, Apply(voiceGain, sample))); }

std::vector<i32> Ramp(u32 frames, u32 channels = 1)
{
    std::vector<i32> s;
    for (u32 i = 0; i < frames; ++i)
        for (u32 c = 0; c < channels; ++c)
            s.push_back((i32)((i + 1) * 3) * (c ? -1 : 1));
    return s;
}

class MixerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_alsa.RouteToNull());
        m_engine = CKetrelSoundEngine::Create();
    }
    void TearDown() override
    {
        for (CKetrelSoundBuffer* v : m_voices)
        {
            v->Release();
            delete v;
        }
        m_engine->Shutdown();
        delete m_engine;
    }
    i32 Init(u32 rate = 44100, u16 bits = 16, u16 channels = 2, u32 bytes = 0)
    {
        return m_engine->Init(nullptr, rate, bits, channels, 0, KE_SOUND_NO_THREAD, bytes);
    }
    CKetrelSoundBuffer* Voice(u32 channels, u32 bits, u32 rate, const std::vector<i32>& samples,
                              u32 flags = 0)
    {
        CKetrelSoundBuffer* v = MakeVoice(m_engine, channels, bits, rate, samples, flags);
        if (v)
            m_voices.push_back(v);
        return v;
    }
    std::vector<i16> Step()
    {
        EXPECT_EQ(KE_OK, m_engine->MixStep());
        return Block16(m_engine);
    }

    CKetrelTestAlsa m_alsa;
    CKetrelSoundEngine* m_engine = nullptr;
    std::vector<CKetrelSoundBuffer*> m_voices;
};

TEST_F(MixerTest, ChoosesTheClosestSupportedFormatAndBlockSize)
{
    struct Case { const char* name; u32 rate; u16 bits, channels; u32 bufferBytes;
                  u32 wantChannels, wantRate, wantBits, wantBlock; };
    const Case cases[] = {
        {"48000 16 stereo",      48000, 16, 2, 0,    2, 44100, 16, 8384},
        {"8000 8 mono",          8000,  8,  1, 0,    1, 11025, 8,  1488},
        {"16000 prefers 22050",  16000, 16, 2, 0,    2, 22050, 16, 4704},
        {"44100 16 mono",        44100, 16, 1, 0,    1, 44100, 16, 4704},
        {"22050 8 stereo",       22050, 8,  2, 0,    2, 22050, 8,  2864},
        {"96000 24 six",         96000, 24, 6, 0,    2, 44100, 16, 8384},
        {"given 1000 bytes",     44100, 16, 2, 1000, 2, 44100, 16, 1008},
        {"given 4096 bytes",     44100, 16, 2, 4096, 2, 44100, 16, 4096},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(KE_OK, Init(c.rate, c.bits, c.channels, c.bufferBytes)) << c.name;
        const CKetrelSoundFormat* f = m_engine->GetFormat();
        EXPECT_EQ(c.wantChannels, f->channels) << c.name;
        EXPECT_EQ(c.wantRate, f->sampleRate) << c.name;
        EXPECT_EQ(c.wantBits, f->bitsPerSample) << c.name;
        EXPECT_EQ(c.wantChannels * c.wantBits / 8, f->blockAlign) << c.name;
        EXPECT_EQ(c.wantBlock, m_engine->GetBlockBytes()) << c.name;
        EXPECT_EQ(c.wantBlock, m_engine->GetMasterVoice()->GetDataSize()) << c.name;
        m_engine->Shutdown();
    }
}

TEST_F(MixerTest, StreamBytesAndTheFormatAndDeviceLists)
{
    ASSERT_EQ(KE_OK, Init());
    EXPECT_EQ(50000u, m_engine->GetMinStreamBytes());   // 4 x 8384 is less
    m_engine->Shutdown();
    ASSERT_EQ(KE_OK, Init(44100, 16, 2, 16384));
    EXPECT_EQ(65536u, m_engine->GetMinStreamBytes());

    CKetrelPtrArray formats;
    CKetrelSoundEngine::EnumerateFormats(formats);
    ASSERT_EQ(12, formats.GetCount());
    const CKetrelSoundFormat* first = (const CKetrelSoundFormat*)formats.GetAt(0);
    const CKetrelSoundFormat* last = (const CKetrelSoundFormat*)formats.GetAt(11);
    EXPECT_EQ(2u, first->channels);
    EXPECT_EQ(44100u, first->sampleRate);
    EXPECT_EQ(1u, last->channels);
    EXPECT_EQ(11025u, last->sampleRate);
    EXPECT_EQ(8u, last->bitsPerSample);
    CKetrelSoundEngine::DeleteFormats(formats);
    EXPECT_EQ(0, formats.GetCount());

    CKetrelPtrArray devices;
    CKetrelSoundEngine::EnumerateDevices(devices);
    ASSERT_EQ(1, devices.GetCount());
    EXPECT_EQ(0, ((CKetrelString*)devices.GetAt(0))->Compare(
                     CKetrelString(L"ALSA KetrelSound device for Linux")));
    CKetrelSoundEngine::DeleteDevices(devices);
}

TEST_F(MixerTest, InitWithoutADeviceFailsAndLeavesTheEngineClosed)
{
    ASSERT_TRUE(m_alsa.Route("pcm.!default { type hw card 97 device 0 }\n"));
    EXPECT_EQ(KE_ERR_DEVICE, Init());
    EXPECT_EQ(KE_OK, m_engine->MixStep());   // nothing to mix, nothing happens
    EXPECT_EQ(0u, m_engine->GetVoiceCount());
    EXPECT_EQ(nullptr, m_engine->GetOwner());
}

TEST(MixerGains, VolumeAndPanTable)
{
    struct Case { i32 volume, pan, left, right; };
    const Case cases[] = {
        {100, 0, 32766, 32766},   {100, -100, 32766, 0}, {100, 100, 0, 32766},
        {100, 50, 16382, 32766},  {100, -50, 32766, 16382}, {50, 0, 16382, 16382},
        {0, 0, 0, 0},             {1, 0, 326, 326},      {99, 25, 24328, 32438},
        {100, -150, 32766, 0},    {100, 150, 0, 32766},  {150, 0, 32766, 32766},
    };
    for (const Case& c : cases)
    {
        i32 l = -1, r = -1;
        CKetrelSoundEngine::PanGains(c.volume, c.pan, &l, &r);
        EXPECT_EQ(c.left, l) << "volume " << c.volume << " pan " << c.pan;
        EXPECT_EQ(c.right, r) << "volume " << c.volume << " pan " << c.pan;
    }
    EXPECT_EQ(32767, CKetrelSoundEngine::VolumeGain(100));
    EXPECT_EQ(16383, CKetrelSoundEngine::VolumeGain(50));
}

// A mono voice goes into each channel with that channel's gain, so pan moves it.
TEST_F(MixerTest, MonoVoiceIsPannedLikeAStereoOne)
{
    ASSERT_EQ(KE_OK, Init());
    const std::vector<i32> samples = {16384, -16384, 1000, -7, 32767};
    std::vector<i32> data = samples;
    data.resize(4096, 0);
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, data);
    ASSERT_NE(nullptr, v);
    struct Case { i32 pan, gainLeft, gainRight; };
    const Case cases[] = {{0, 32766, 32766}, {50, 16382, 32766}, {-50, 32766, 16382},
                          {100, 0, 32766},   {-100, 32766, 0}};
    for (const Case& c : cases)
    {
        v->SetPan(c.pan);
        v->SetPosition(0);
        v->Play(0);
        const std::vector<i16> out = Step();
        for (size_t i = 0; i < samples.size(); ++i)
        {
            EXPECT_EQ(Out(c.gainLeft, samples[i]), out[2 * i]) << "pan " << c.pan << " frame " << i;
            EXPECT_EQ(Out(c.gainRight, samples[i]), out[2 * i + 1]) << "pan " << c.pan << " frame " << i;
        }
    }
    // Half volume on the side away from the pan, full on its own side.
    v->SetPan(50);
    v->SetPosition(0);
    const std::vector<i16> out = Step();
    EXPECT_NEAR(out[1] / 2, out[0], 1);
}

TEST_F(MixerTest, SourceFormatsMapToSigned16)
{
    ASSERT_EQ(KE_OK, Init());
    struct Case { const char* name; u32 channels, bits; std::vector<i32> frame; i32 wantLeft, wantRight; };
    const Case cases[] = {
        {"16-bit stereo",  2, 16, {1000, -2000}, Out(kUnity, 1000), Out(kUnity, -2000)},
        {"8-bit mono top", 1, 8,  {255},         Out(kUnity, 32512), Out(kUnity, 32512)},
        {"8-bit mono low", 1, 8,  {0},           Out(kUnity, -32768), Out(kUnity, -32768)},
        {"8-bit centre",   1, 8,  {128},         0, 0},
        {"8-bit stereo",   2, 8,  {192, 64},     Out(kUnity, 16384), Out(kUnity, -16384)},
    };
    for (const Case& c : cases)
    {
        std::vector<i32> data;
        for (int i = 0; i < 3000; ++i)
            data.insert(data.end(), c.frame.begin(), c.frame.end());
        CKetrelSoundBuffer* v = Voice(c.channels, c.bits, 44100, data);
        ASSERT_NE(nullptr, v) << c.name;
        v->Play(0);
        const std::vector<i16> out = Step();
        EXPECT_EQ(c.wantLeft, out[0]) << c.name;
        EXPECT_EQ(c.wantRight, out[1]) << c.name;
        EXPECT_EQ(c.wantLeft, out[2 * 2095]) << c.name;
        v->Stop();
    }
}

TEST_F(MixerTest, ResamplingStepsThroughTheSourceAtTheClampedFrequency)
{
    ASSERT_EQ(KE_OK, Init());
    const std::vector<i32> ramp = Ramp(8192);
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, ramp);
    ASSERT_NE(nullptr, v);
    struct Case { const char* name; u32 frequency; std::vector<std::pair<u32, u32>> outToSource; };
    const Case cases[] = {
        {"same rate",   44100,  {{0, 0}, {1, 1}, {2095, 2095}}},
        {"half rate",   22050,  {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {2095, 1047}}},
        {"double rate", 88200,  {{0, 0}, {1, 2}, {1000, 2000}}},
        {"500 plays at 1000",     500,    {{0, 0}, {44, 0}, {45, 1}, {89, 2}}},
        {"100000 plays at 88200", 100000, {{0, 0}, {1, 2}, {1000, 2000}}},
    };
    for (const Case& c : cases)
    {
        v->SetFrequency(c.frequency);
        v->SetPosition(0);
        v->Play(0);
        const std::vector<i16> out = Step();
        for (const auto& p : c.outToSource)
            EXPECT_EQ(Out(kUnity, ramp[p.second]), out[2 * p.first])
                << c.name << ": output frame " << p.first;
    }
}

// The end of a voice inside a block: nothing past the end is read (AddressSanitizer
// watches), a one-shot voice stops and rewinds, a looping one goes on from the start.
TEST_F(MixerTest, VoiceEndingInsideABlock)
{
    ASSERT_EQ(KE_OK, Init());
    struct Case { const char* name; u32 frames, frequency, loop; u32 lastFrame;
                  bool playingAfter; u32 positionAfter; };
    const Case cases[] = {
        {"one-shot, 100 frames",            100,  44100, 0, 99,   false, 0},
        {"looping, 100 frames",             100,  44100, 1, 2095, true,  96 * 2},
        {"one-shot filling the block",      2096, 44100, 0, 2095, false, 0},
        {"one-shot at half rate, exact",    1048, 22050, 0, 2095, false, 0},
        {"one-shot at 30000 Hz",            1000, 30000, 0, 1470, false, 0},
    };
    for (const Case& c : cases)
    {
        const std::vector<i32> ramp = Ramp(c.frames);
        CKetrelSoundBuffer* v = Voice(1, 16, 44100, ramp);
        ASSERT_NE(nullptr, v) << c.name;
        v->SetFrequency(c.frequency);
        v->Play(c.loop);
        const std::vector<i16> out = Step();
        // The last frame of the voice is heard, and nothing after it.
        u32 last = 0;
        for (u32 i = 0; i < 2096; ++i)
            if (out[2 * i] != 0)
                last = i;
        EXPECT_EQ(c.lastFrame, last) << c.name;
        if (!c.loop)
            EXPECT_EQ(Out(kUnity, ramp.back()), out[2 * last]) << c.name;
        else
            EXPECT_EQ(Out(kUnity, ramp[0]), out[2 * 100]) << c.name << ": starts again";
        EXPECT_EQ(c.playingAfter, v->IsPlaying() != 0) << c.name;
        EXPECT_EQ(c.positionAfter, v->GetPosition()) << c.name;
        // The next pass plays nothing of a voice that ended.
        if (!c.loop)
        {
            const std::vector<i16> next = Step();
            EXPECT_EQ(0, next[0]) << c.name;
            EXPECT_EQ(0, next[2 * 2095]) << c.name;
        }
        v->Stop();
    }
}

TEST_F(MixerTest, MuteWritesSilenceWhileVoicesAdvance)
{
    ASSERT_EQ(KE_OK, Init());
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, std::vector<i32>(10000, 8000));
    ASSERT_NE(nullptr, v);
    v->Play(0);
    m_engine->SetMute(1);
    m_engine->SetMasterVolume(30);
    EXPECT_EQ(30, m_engine->GetMasterVolume());
    for (int pass = 1; pass <= 2; ++pass)
    {
        const std::vector<i16> out = Step();
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(0, out[i]) << "pass " << pass << " sample " << i;
        EXPECT_EQ(2096u * 2 * pass, v->GetPosition());
    }
    // Unmuting plays at the volume set while muted.
    m_engine->SetMute(0);
    EXPECT_EQ(30, m_engine->GetMasterVolume());
    const std::vector<i16> out = Step();
    i32 gl, gr;
    CKetrelSoundEngine::PanGains(30, 0, &gl, &gr);
    EXPECT_EQ(Clip16(Apply(gl, Apply(kUnity, 8000))), out[0]);
}

TEST_F(MixerTest, MasterVolumeAndPan)
{
    ASSERT_EQ(KE_OK, Init());
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, std::vector<i32>(10000, 8000));
    v->Play(1);
    struct Case { i32 volume, pan; i16 left, right; };
    const Case cases[] = {
        {100, 0, Out(kUnity, 8000), Out(kUnity, 8000)},
        {100, -100, Out(kUnity, 8000), 0},
        {100, 100, 0, Out(kUnity, 8000)},
        {150, 0, Out(kUnity, 8000), Out(kUnity, 8000)},   // clamped to 100
        {-5, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        m_engine->SetMasterVolume(c.volume);
        m_engine->SetMasterPan(c.pan);
        const std::vector<i16> out = Step();
        EXPECT_EQ(c.left, out[0]) << c.volume << " " << c.pan;
        EXPECT_EQ(c.right, out[1]) << c.volume << " " << c.pan;
    }
    EXPECT_EQ(0, m_engine->GetMasterVolume());
}

// Three full-scale voices overflow 32 bits in the output conversion: they must clip.
TEST_F(MixerTest, FullScaleVoicesClipInsteadOfWrapping)
{
    struct Case { const char* name; u16 channels, bits; int voices; i32 sample; i32 want; };
    const Case cases[] = {
        {"stereo 16, three high", 2, 16, 3, 32767,  32767},
        {"stereo 16, three low",  2, 16, 3, -32768, -32768},
        {"stereo 16, one high",   2, 16, 1, 32767,  Out(kUnity, 32767)},
        {"stereo 8, three high",  2, 8,  3, 32767,  255},
        {"stereo 8, three low",   2, 8,  3, -32768, 0},
        {"mono 16, two high",     1, 16, 2, 32767,  32767},
        {"mono 16, two low",      1, 16, 2, -32768, -32768},
        {"mono 8, two low",       1, 8,  2, -32768, 0},
        {"mono 8, two high",      1, 8,  2, 32767,  255},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(KE_OK, Init(44100, c.bits, c.channels)) << c.name;
        for (int i = 0; i < c.voices; ++i)
        {
            CKetrelSoundBuffer* v = Voice(2, 16, 44100, std::vector<i32>(2 * 3000, c.sample));
            ASSERT_NE(nullptr, v);
            v->Play(0);
        }
        ASSERT_EQ(KE_OK, m_engine->MixStep()) << c.name;
        if (c.bits == 16)
        {
            const std::vector<i16> out = Block16(m_engine);
            EXPECT_EQ(c.want, out[0]) << c.name;
            EXPECT_EQ(c.want, out[c.channels - 1]) << c.name;
            EXPECT_EQ(c.want, out.back()) << c.name;
        }
        else
        {
            const std::vector<u8> out = Block8(m_engine);
            EXPECT_EQ(c.want, out[0]) << c.name;
            EXPECT_EQ(c.want, out.back()) << c.name;
        }
        for (CKetrelSoundBuffer* v : m_voices)
        {
            v->Release();
            delete v;
        }
        m_voices.clear();
        m_engine->Shutdown();
    }
}

TEST_F(MixerTest, EightBitOutputIsSilentAt128)
{
    ASSERT_EQ(KE_OK, Init(22050, 8, 2));
    ASSERT_EQ(KE_OK, m_engine->MixStep());
    const std::vector<u8> out = Block8(m_engine);
    ASSERT_EQ(m_engine->GetBlockBytes(), out.size());
    for (u8 b : out)
        ASSERT_EQ(128, b);
}

// 3D voices: the direction pans, the gain halves with every further minimum distance.
TEST_F(MixerTest, ThreeDimensionalDirectionAndDistance)
{
    ASSERT_EQ(KE_OK, Init());
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, std::vector<i32>(5000, 32767), KE_VOICE_3D);
    ASSERT_NE(nullptr, v);
    struct Case { const char* name; f32 x, y, z, minDistance; i32 gainLeft, gainRight; };
    const Case cases[] = {
        {"ahead at 40, minimum 20",  0, 0, -40,  20, 16382, 16382},
        {"ahead at 20",              0, 0, -20,  20, 32766, 32766},
        {"closer than the minimum",  0, 0, -10,  20, 32766, 32766},
        {"beyond the maximum 100",   0, 0, -200, 20, 2046,  2046},
        {"right at 40",              40, 0, 0,   20, 0,     16382},
        {"left at 40",               -40, 0, 0,  20, 16382, 0},
        {"minimum distance 0",       0, 0, -40,  0,  0,     0},
    };
    for (const Case& c : cases)
    {
        CKetrelSound3DRecord r = *v->Get3DRecord();
        r.position = CKetrelVector3(c.x, c.y, c.z);
        r.minDistance = c.minDistance;
        v->Set3DRecord(&r);
        v->SetPosition(0);
        v->Play(0);
        const std::vector<i16> out = Step();
        EXPECT_NEAR(Out(c.gainLeft, 32767), out[0], 1) << c.name;
        EXPECT_NEAR(Out(c.gainRight, 32767), out[1], 1) << c.name;
    }
}

// Doppler: the shifted frequency is clamped before it becomes an integer, so any speed
// gives a frequency within 1000..88200.
TEST_F(MixerTest, DopplerShiftIsClamped)
{
    ASSERT_EQ(KE_OK, Init());
    const std::vector<i32> ramp = Ramp(8192);
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, ramp, KE_VOICE_3D);
    ASSERT_NE(nullptr, v);
    struct Case { const char* name; f32 vz; u32 outFrame, sourceFrame; };
    const Case cases[] = {
        {"still",                     0.0f,   100, 100},
        {"approaching at any speed",  1e15f,  100, 200},   // 88200 Hz
        {"receding faster than sound", -1e15f, 45, 1},     // 1000 Hz
    };
    for (const Case& c : cases)
    {
        CKetrelSound3DRecord r = *v->Get3DRecord();
        r.position = CKetrelVector3(0, 0, -20);
        r.velocity = CKetrelVector3(0, 0, c.vz);
        v->Set3DRecord(&r);
        v->SetPosition(0);
        v->Play(0);
        const std::vector<i16> out = Step();
        EXPECT_EQ(Out(kUnity, ramp[c.sourceFrame]), out[2 * c.outFrame]) << c.name;
    }
}

TEST_F(MixerTest, PausingStopsEveryVoiceOnce)
{
    ASSERT_EQ(KE_OK, Init());
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, std::vector<i32>(20000, 5000));
    v->Play(1);
    Step();
    const u32 position = v->GetPosition();
    m_engine->SetPaused(1);
    m_engine->SetPaused(1);
    EXPECT_TRUE(m_engine->IsPaused());
    EXPECT_FALSE(v->IsPlaying());
    EXPECT_EQ(KE_OK, m_engine->MixStep());
    EXPECT_EQ(position, v->GetPosition());   // no pass while paused
    m_engine->SetPaused(0);
    EXPECT_FALSE(m_engine->IsPaused());
    EXPECT_FALSE(v->IsPlaying());
    EXPECT_EQ(0, Step()[0]);
    v->Play(1);
    EXPECT_EQ(Out(kUnity, 5000), Step()[0]);
    EXPECT_EQ(position + 2096 * 2, v->GetPosition());
}

TEST_F(MixerTest, VoiceAndListenerLists)
{
    ASSERT_EQ(KE_OK, Init());
    EXPECT_EQ(0u, m_engine->GetVoiceCount());   // the master voice is not listed
    CKetrelSoundBuffer* v = Voice(1, 16, 44100, std::vector<i32>(10, 0));
    EXPECT_EQ(1u, m_engine->GetVoiceCount());
    EXPECT_EQ(KE_ERR_ARGUMENT, m_engine->AddVoice(nullptr));
    EXPECT_EQ(0, m_engine->AddVoice(v));
    EXPECT_EQ(1u, m_engine->GetVoiceCount());
    EXPECT_EQ(KE_OK, m_engine->RemoveVoice(v));
    EXPECT_EQ(KE_ERR_NOT_FOUND, m_engine->RemoveVoice(v));
    EXPECT_EQ(KE_ERR_ARGUMENT, m_engine->RemoveVoice(nullptr));
    EXPECT_EQ(KE_ERR_NOT_FOUND, m_engine->RemoveListener(v));
    EXPECT_EQ(KE_OK, m_engine->AddListener(v));
    EXPECT_EQ(KE_OK, m_engine->RemoveListener(v));
}
} // namespace
