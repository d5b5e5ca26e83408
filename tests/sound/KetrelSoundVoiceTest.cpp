// Sources and their voices: index errors, clamps, frame-aligned positions, shared PCM,
// notifications, and the main thread changing voices while the mixing thread runs
// (also built with ThreadSanitizer).
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundWave.h"
#include "SoundTestUtil.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelMatrix4.h"
#include "support/KetrelTestAlsa.h"
#include <gtest/gtest.h>
#include <vector>

namespace
{
class VoiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_alsa.RouteToNull());
        m_engine = CKetrelSoundEngine::Create();
        ASSERT_EQ(KE_OK, m_engine->Init(nullptr, 44100, 16, 2, 0, KE_SOUND_NO_THREAD, 0));
    }
    void TearDown() override
    {
        m_wave.Release();
        m_engine->Shutdown();
        delete m_engine;
    }
    // A 16-bit stereo source of the given bytes with extra voices.
    void MakeSource(u32 bytes, u32 extraVoices, u32 flags = 0)
    {
        CKetrelSoundFormat format;
        KetrelMakeSoundFormat(44100, 16, 2, &format);
        ASSERT_EQ(KE_OK, m_wave.CreateVoices(m_engine, &format, bytes, flags, extraVoices));
    }

    CKetrelTestAlsa m_alsa;
    CKetrelSoundEngine* m_engine = nullptr;
    CKetrelSoundWave m_wave;
};

TEST_F(VoiceTest, BadVoiceIndicesGiveTheirCodes)
{
    MakeSource(400, 1);
    EXPECT_EQ(1u, m_wave.GetExtraVoiceCount());
    EXPECT_EQ(KE_ERR_ARGUMENT, m_wave.Play(0, 5, 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, m_wave.PlayFromStart(0, 2, 0));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.Stop(2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.Pause(2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.SetPosition(0, 2));
    EXPECT_EQ((u32)KE_ERR_NOT_READY, m_wave.GetPosition(2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.SetPan(0, 2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.SetVolume(0, 2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.SetFrequency(1000, 2));
    EXPECT_EQ(KE_ERR_NOT_READY, m_wave.Set3DRecord(nullptr, 2));
    EXPECT_EQ(0, m_wave.GetPan(2));
    EXPECT_EQ(0, m_wave.GetVolume(2));
    EXPECT_EQ(0u, m_wave.GetFrequency(2));
    EXPECT_EQ(0u, m_wave.IsPlaying(2));
    EXPECT_EQ(nullptr, m_wave.GetVoice(2));
}

TEST_F(VoiceTest, SettersClampToTheirRanges)
{
    MakeSource(400, 0);
    struct Case { const char* name; i32 value; i32 want; };
    const Case volumes[] = {{"volume 150", 150, 100}, {"volume -5", -5, 0}, {"volume 40", 40, 40}};
    for (const Case& c : volumes)
    {
        EXPECT_EQ(KE_OK, m_wave.SetVolume(c.value, 0));
        EXPECT_EQ(c.want, m_wave.GetVolume(0)) << c.name;
    }
    const Case pans[] = {{"pan -300", -300, -100}, {"pan 300", 300, 100}, {"pan -20", -20, -20}};
    for (const Case& c : pans)
    {
        EXPECT_EQ(KE_OK, m_wave.SetPan(c.value, 0));
        EXPECT_EQ(c.want, m_wave.GetPan(0)) << c.name;
    }
    const Case frequencies[] = {{"500 Hz", 500, 1000}, {"100000 Hz", 100000, 88200},
                                {"22050 Hz", 22050, 22050}};
    for (const Case& c : frequencies)
    {
        EXPECT_EQ(KE_OK, m_wave.SetFrequency((u32)c.value, 0));
        EXPECT_EQ((u32)c.want, m_wave.GetFrequency(0)) << c.name;
        EXPECT_EQ((u32)c.want, m_wave.GetVoice(0)->GetFormat()->sampleRate) << c.name;
    }
}

// Positions are whole frames (4 bytes here) within the data.
TEST_F(VoiceTest, SetPositionLandsOnAWholeFrame)
{
    MakeSource(400, 0);
    struct Case { i32 bytes; u32 want; };
    const Case cases[] = {{0, 0}, {-1, 0}, {7, 4}, {8, 8}, {399, 396}, {410, 396}, {0x7FFFFFFF, 396}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(KE_OK, m_wave.SetPosition(c.bytes, 0));
        EXPECT_EQ(c.want, m_wave.GetPosition(0)) << c.bytes;
    }
    // An empty voice has only position 0.
    CKetrelSoundWave empty;
    CKetrelSoundFormat format;
    KetrelMakeSoundFormat(44100, 16, 2, &format);
    ASSERT_EQ(KE_OK, empty.CreateVoices(m_engine, &format, 0, 0, 0));
    empty.SetPosition(100, 0);
    EXPECT_EQ(0u, empty.GetPosition(0));
    empty.Release();
}

TEST_F(VoiceTest, FreeVoiceAndPlayFromStart)
{
    MakeSource(40000, 2);
    // Option 8 picks the first free voice.
    EXPECT_EQ(KE_OK, m_wave.Play(0, 0, KE_SOUND_PLAY_FREE_VOICE));
    EXPECT_EQ(KE_OK, m_wave.Play(0, 0, KE_SOUND_PLAY_FREE_VOICE));
    EXPECT_EQ(1u, m_wave.IsPlaying(0));
    EXPECT_EQ(1u, m_wave.IsPlaying(1));
    EXPECT_EQ(0u, m_wave.IsPlaying(2));
    EXPECT_EQ(2u, m_wave.FindFreeVoice());
    m_wave.Play(0, 2, 0);
    ASSERT_EQ(KE_OK, m_engine->MixStep());
    const u32 moved = m_wave.GetPosition(0);
    EXPECT_EQ(2096u * 4, moved);
    // All voices play: voice 0 is flagged again, without a rewind.
    EXPECT_EQ(0u, m_wave.FindFreeVoice());
    EXPECT_EQ(KE_OK, m_wave.Play(0, 0, KE_SOUND_PLAY_FREE_VOICE));
    EXPECT_EQ(moved, m_wave.GetPosition(0));
    // PlayFromStart rewinds; with option 8 it rewinds the free voice it picked.
    m_wave.Pause(1);
    EXPECT_EQ(KE_OK, m_wave.PlayFromStart(0, 0, KE_SOUND_PLAY_FREE_VOICE));
    EXPECT_EQ(0u, m_wave.GetPosition(1));
    EXPECT_EQ(moved, m_wave.GetPosition(0));
    EXPECT_EQ(KE_OK, m_wave.PlayFromStart(0));
    EXPECT_EQ(0u, m_wave.GetPosition(0));
    // Stop rewinds, Pause keeps the place.
    m_engine->MixStep();
    m_wave.Pause(0);
    EXPECT_EQ(2096u * 4, m_wave.GetPosition(0));
    EXPECT_EQ(0u, m_wave.IsPlaying(0));
    m_wave.Stop(0);
    EXPECT_EQ(0u, m_wave.GetPosition(0));
}

TEST_F(VoiceTest, DuplicatesShareThePcmButNotTheSettings)
{
    MakeSource(400, 0);
    m_wave.SetVolume(30, 0);
    m_wave.SetPan(-70, 0);
    CKetrelSoundBuffer* first = m_wave.GetVoice(0);
    // A duplicate made while somebody holds voice 0's data starts unlocked.
    u8* data0 = nullptr;
    u32 size0 = 0;
    ASSERT_EQ(KE_OK, first->Lock(0, 0, &data0, &size0, 1));
    ASSERT_EQ(KE_OK, m_wave.AddExtraVoices(2));
    first->Unlock();
    ASSERT_EQ(3u, m_wave.GetVoiceCount());
    for (u32 i = 1; i < 3; ++i)
    {
        EXPECT_EQ(100, m_wave.GetVolume(i)) << i;
        EXPECT_EQ(0, m_wave.GetPan(i)) << i;
        u8* data = nullptr;
        u32 size = 0;
        ASSERT_EQ(KE_OK, m_wave.GetVoice(i)->Lock(0, 0, &data, &size, 1)) << i;
        EXPECT_EQ(data0, data) << i;
        EXPECT_EQ(400u, size) << i;
        m_wave.GetVoice(i)->Unlock();
    }
}

TEST_F(VoiceTest, LockHandsOutTheDataOnce)
{
    MakeSource(400, 0);
    CKetrelSoundBuffer* v = m_wave.GetVoice(0);
    u8* data = nullptr;
    u32 size = 0;
    EXPECT_EQ(KE_ERR_ARGUMENT, v->Lock(0, 10, nullptr, &size, 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, v->Lock(401, 10, &data, &size, 0));
    ASSERT_EQ(KE_OK, v->Lock(100, 1000, &data, &size, 0));
    EXPECT_EQ(300u, size);   // cut at the end
    u8* again = (u8*)1;
    u32 againSize = 1;
    EXPECT_EQ(KE_SOUND_LOCKED, v->Lock(0, 0, &again, &againSize, 1));
    EXPECT_EQ(nullptr, again);
    EXPECT_EQ(0u, againSize);
    // The mixer skips a voice somebody holds.
    v->Play(0);
    m_engine->MixStep();
    EXPECT_EQ(0u, v->GetPosition());
    v->Unlock();
    m_engine->MixStep();
    EXPECT_EQ(0u, v->GetPosition());   // ended within the block and rewound
    EXPECT_EQ(0u, v->IsPlaying());
}

struct Recorder : IKetrelSoundNotifyCallback
{
    struct Call { u32 type; i32 id; u32 position; u32 user; };
    std::vector<Call> calls;
    void OnSoundNotify(IKetrelSoundNotifyHandler*, u32 type, i32 id, u32 position, u32 user) override
    {
        calls.push_back({type, id, position, user});
    }
    int Count(u32 type) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.type == type;
        return n;
    }
};

TEST_F(VoiceTest, PositionMarkFiresAgainAfterALoopWraps)
{
    // 4000 frames of 16-bit stereo: positions after each pass are 8384, 768 (wrapped),
    // 9152 ... bytes.
    MakeSource(16000, 0, KE_VOICE_NOTIFY);
    CKetrelSoundBuffer* v = m_wave.GetVoice(0);
    Recorder rec;
    const i32 mark = v->AddNotification(m_engine, &rec, KE_SOUND_NOTIFY_POSITION, 3000, 77);
    const i32 begun = v->AddNotification(m_engine, &rec, KE_SOUND_NOTIFY_STARTED, 0, 1);
    const i32 ended = v->AddNotification(m_engine, &rec, KE_SOUND_NOTIFY_STOPPED, 0, 2);
    EXPECT_NE(mark, begun);
    EXPECT_NE(begun, ended);
    v->Play(1);
    struct Pass { int marks, begun, ended; };
    const Pass passes[] = {{1, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 1, 0}};
    for (size_t i = 0; i < sizeof(passes) / sizeof(passes[0]); ++i)
    {
        ASSERT_EQ(KE_OK, m_engine->MixStep());
        EXPECT_EQ(passes[i].marks, rec.Count(KE_SOUND_NOTIFY_POSITION)) << "pass " << i;
        EXPECT_EQ(passes[i].begun, rec.Count(KE_SOUND_NOTIFY_STARTED)) << "pass " << i;
        EXPECT_EQ(passes[i].ended, rec.Count(KE_SOUND_NOTIFY_STOPPED)) << "pass " << i;
    }
    EXPECT_EQ(77u, rec.calls[0].user);
    EXPECT_EQ(8384u, rec.calls[0].position);
    v->Stop();
    m_engine->MixStep();
    EXPECT_EQ(1, rec.Count(KE_SOUND_NOTIFY_STOPPED));
    EXPECT_EQ(KE_OK, v->RemoveNotification(mark));
    EXPECT_EQ(KE_ERR_NOT_FOUND, v->RemoveNotification(mark));
}

TEST_F(VoiceTest, ReleaseLeavesNoVoicesAndEmptiesTheEngine)
{
    MakeSource(400, 3, KE_VOICE_NOTIFY | KE_VOICE_3D);
    EXPECT_EQ(4u, m_engine->GetVoiceCount());
    m_wave.Release();
    EXPECT_EQ(0u, m_engine->GetVoiceCount());
    EXPECT_EQ(0u, m_wave.GetVoiceCount());
    EXPECT_EQ(0u, m_wave.GetDataSize());
    EXPECT_EQ(KE_ERR_NOT_FOUND, m_engine->RemoveListener(nullptr));
}

TEST(VoiceThreeD, ParametersFromTransforms)
{
    CKetrelSoundBuffer v;
    CKetrelMatrix4 source, listener;
    source.SetIdentity();
    listener.SetIdentity();
    source.m[12] = 5.0f;
    source.m[13] = 1.0f;
    source.m[14] = -2.0f;
    listener.m[12] = 1.0f;
    // The listener turned a quarter about y: its velocity frame differs from the world.
    listener.m[0] = 0.0f;
    listener.m[2] = 1.0f;
    listener.m[8] = -1.0f;
    listener.m[10] = 0.0f;
    const CKetrelVector3 sourceVelocity(1.0f, 0.0f, 0.0f), listenerVelocity(0.0f, 0.0f, 0.0f);
    ASSERT_EQ(KE_OK, v.Set3DParameters(&sourceVelocity, &source, &listenerVelocity, &listener));
    const CKetrelSound3DRecord* r = v.Get3DRecord();
    EXPECT_FLOAT_EQ(4.0f, r->position.x);   // world axes, not the listener's
    EXPECT_FLOAT_EQ(1.0f, r->position.y);
    EXPECT_FLOAT_EQ(-2.0f, r->position.z);
    EXPECT_FLOAT_EQ(0.0f, r->velocity.x);
    EXPECT_FLOAT_EQ(-1.0f, r->velocity.z);
    ASSERT_EQ(KE_OK, v.Reset3D());
    EXPECT_FLOAT_EQ(20.0f, r->minDistance);
    EXPECT_FLOAT_EQ(100.0f, r->maxDistance);
    EXPECT_FLOAT_EQ(1.0f, r->dopplerFactor);
    EXPECT_EQ(360u, r->insideAngle);
    EXPECT_FLOAT_EQ(0.0f, r->position.x);
    EXPECT_FLOAT_EQ(1.0f, r->orientation.z);
}

// The main thread plays, stops, moves and changes voices while the engine's own thread
// mixes them; then pauses and resumes the engine. ThreadSanitizer checks the sharing.
TEST(VoiceThreads, MainThreadChangesVoicesWhileTheMixerRuns)
{
    CKetrelTestAlsa alsa;
    ASSERT_TRUE(alsa.RouteToNull());
    CKetrelSoundEngine* engine = CKetrelSoundEngine::Create();
    ASSERT_EQ(KE_OK, engine->Init(nullptr, 44100, 16, 2, 0, 0, 0));
    CKetrelSoundWave waves[3];
    const u32 channels[3] = {1, 2, 1};
    for (int i = 0; i < 3; ++i)
    {
        CKetrelSoundFormat format;
        KetrelMakeSoundFormat(22050, 16, channels[i], &format);
        ASSERT_EQ(KE_OK, waves[i].CreateVoices(engine, &format, 3000 + 1000 * i,
                                               i == 2 ? KE_VOICE_3D | KE_VOICE_NOTIFY : 0, 2));
    }
    CKetrelMatrix4 identity;
    identity.SetIdentity();
    for (int round = 0; round < 400; ++round)
    {
        CKetrelSoundWave& w = waves[round % 3];
        const u32 voice = (u32)(round % 3);
        switch (round % 7)
        {
        case 0: w.Play(round & 1, voice, 0); break;
        case 1: w.PlayFromStart(1, 0, KE_SOUND_PLAY_FREE_VOICE); break;
        case 2: w.SetVolume(round % 101, voice); w.SetPan(round % 201 - 100, voice); break;
        case 3: w.SetFrequency(1000 + (u32)round * 200, voice); break;
        case 4: w.SetPosition(round * 10, voice); break;
        case 5:
        {
            CKetrelVector3 velocity((f32)round, 0.0f, 1.0f);
            w.Set3DParameters(&velocity, &identity, &velocity, &identity, voice);
            break;
        }
        default: w.Stop(voice); break;
        }
        if (round % 100 == 99)
        {
            engine->SetPaused(1);
            engine->SetPaused(0);
        }
        (void)w.GetPosition(voice);
        (void)w.IsPlaying(voice);
        IKetrelThread::Sleep(1);
    }
    // The mixer still runs: a voice played from the start moves on.
    waves[1].SetFrequency(22050, 0);
    waves[1].PlayFromStart(1, 0, 0);
    bool moved = false;
    // A generous bound for a loaded machine under ThreadSanitizer; a running mixer ends
    // the wait within a pass or two.
    for (int i = 0; i < 2000 && !moved; ++i)
    {
        IKetrelThread::Sleep(10);
        moved = waves[1].GetPosition(0) != 0;
    }
    EXPECT_TRUE(moved);
    for (CKetrelSoundWave& w : waves)
        w.Release();
    EXPECT_EQ(0u, engine->GetVoiceCount());
    engine->Shutdown();
    delete engine;
}
} // namespace
