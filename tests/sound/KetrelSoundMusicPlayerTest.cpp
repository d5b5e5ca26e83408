// The music player on short MP3s made by the test with sox. Most cases play into
// "fakesink" (real time, no sound server); one goes through the usual sinks into ALSA's
// "default" routed to a raw file. Run is driven with made-up frame times.
#include "KetrelSound/KetrelSoundMusicPlayer.h"
#include "SoundTestUtil.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelThread.h"
#include "support/KetrelTestAlsa.h"
#include <gtest/gtest.h>

namespace
{
class TestApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

class MusicTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_tmp = new TempFolder();
        s_haveMp3 = HaveTool("sox") &&
                    RunCommand("sox -n -r 44100 -c 2 '" + Mp3(0.3) + "' synth 0.3 sine 440") &&
                    RunCommand("sox -n -r 44100 -c 2 '" + Mp3(2.0) + "' synth 2.0 sine 330 vol 0.5") &&
                    WriteFileBytes(s_tmp->Path("noise.mp3"), std::vector<u8>(4000, 0x33));
    }
    static void TearDownTestSuite()
    {
        delete s_tmp;
        s_tmp = nullptr;
    }
    static std::string Mp3(double seconds)
    {
        return s_tmp->Path(seconds < 1.0 ? "short.mp3" : "long.mp3");
    }
    void SetUp() override
    {
        if (!s_haveMp3)
            GTEST_SKIP() << "sox cannot write MP3 here";
        m_player.SetSinkOverride("fakesink");
    }
    void TearDown() override { m_player.Stop(); }

    // Runs frames of 20 ms (fake time, real sleeps) until done() or the time is up. The
    // bounds are far above what the tracks need: a loaded machine may take seconds to
    // start a pipeline, and a wait that ends early costs nothing.
    template <typename Done>
    bool RunUntil(Done done, int milliseconds = 20000)
    {
        for (int t = 0; t < milliseconds; t += 20)
        {
            m_player.Run(0.02f);
            if (done())
                return true;
            IKetrelThread::Sleep(20);
        }
        return false;
    }

    static TempFolder* s_tmp;
    static bool s_haveMp3;
    TestApplication m_app;
    CKetrelSoundMusicPlayer m_player;
};

TempFolder* MusicTest::s_tmp = nullptr;
bool MusicTest::s_haveMp3 = false;

TEST_F(MusicTest, ClosedPlayerRefusesOrIgnores)
{
    EXPECT_EQ(KE_ERR_NOT_READY, m_player.Play(1));
    EXPECT_EQ(KE_ERR_NOT_READY, m_player.Pause());
    EXPECT_EQ(KE_ERR_NOT_READY, m_player.StopPlayback());
    m_player.SetVolume(20);
    EXPECT_EQ(100, m_player.GetVolume());
    EXPECT_FLOAT_EQ(0.0f, m_player.GetPosition());
    EXPECT_FLOAT_EQ(0.0f, m_player.GetDuration());
    EXPECT_EQ(0u, m_player.PollEndOfStream());
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_CLOSED, m_player.GetState());
    EXPECT_EQ(KE_ERR_OPEN, m_player.Open(&m_app, CKetrelString(s_tmp->Path("missing.mp3").c_str())));
    EXPECT_EQ(KE_ERR_OPEN, m_player.Open(&m_app, CKetrelString("")));
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_CLOSED, m_player.GetState());
    EXPECT_EQ(0, m_player.IsRegistered());
    m_player.SetSinkOverride("nosuchsink");
    EXPECT_EQ(KE_ERR_DEVICE, m_player.Open(&m_app, CKetrelString(Mp3(0.3).c_str())));
    EXPECT_EQ(0, m_player.IsRegistered());
}

TEST_F(MusicTest, StatesFromOpenToStop)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    EXPECT_EQ(1, m_player.IsRegistered());
    struct Step { const char* name; int op; i32 result; i32 state; };
    enum { PLAY, PAUSE, STOPPLAYBACK };
    const Step steps[] = {
        {"play",          PLAY,  KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING},
        {"play again",    PLAY,  KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING},
        {"pause",         PAUSE, KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PAUSED},
        {"pause again",   PAUSE, KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PAUSED},
        {"resume",        PLAY,  KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING},
        {"stop playback", STOPPLAYBACK, KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED},
        {"play again",    PLAY,  KE_OK, CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING},
    };
    for (const Step& s : steps)
    {
        const i32 rc = s.op == PLAY ? m_player.Play(0) : s.op == PAUSE ? m_player.Pause()
                                                                        : m_player.StopPlayback();
        EXPECT_EQ(s.result, rc) << s.name;
        EXPECT_EQ(s.state, m_player.GetState()) << s.name;
        m_player.Run(0.02f);
    }
    ASSERT_TRUE(RunUntil([&] { return m_player.GetDuration() > 0.0f; }));
    EXPECT_NEAR(2.0, m_player.GetDuration(), 0.1);
    // Opening again closes the old pipeline first; the player stays registered once.
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(0.3).c_str())));
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED, m_player.GetState());
    EXPECT_EQ(1, m_player.IsRegistered());
    m_player.Stop();
    EXPECT_EQ(0, m_player.IsRegistered());
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_CLOSED, m_player.GetState());
}

TEST_F(MusicTest, VolumeAndMute)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    struct Step { const char* name; int op; i32 value; i32 wantVolume; double wantOutput; };
    enum { VOLUME, MUTE };
    const Step steps[] = {
        {"volume 150 stores 100",       VOLUME, 150, 100, 1.0},
        {"volume 40",                   VOLUME, 40,  40,  0.4},
        {"volume -3 stores 0",          VOLUME, -3,  0,   0.0},
        {"volume 70",                   VOLUME, 70,  70,  0.7},
        {"mute keeps the volume",       MUTE,   1,   70,  0.0},
        {"volume while muted",          VOLUME, 100, 100, 0.0},
        {"unmute restores it",          MUTE,   0,   100, 1.0},
    };
    for (const Step& s : steps)
    {
        if (s.op == VOLUME)
            m_player.SetVolume(s.value);
        else
            m_player.SetMuted((u32)s.value);
        EXPECT_EQ(s.wantVolume, m_player.GetVolume()) << s.name;
        EXPECT_NEAR(s.wantOutput, m_player.GetOutputVolume(), 1e-6) << s.name;
    }
    // Stop restores the volume the player had when the file was opened.
    m_player.SetVolume(25);
    m_player.Stop();
    EXPECT_EQ(100, m_player.GetVolume());
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    EXPECT_NEAR(1.0, m_player.GetOutputVolume(), 1e-6);
}

TEST_F(MusicTest, FadeInReachesItsTargetInTheGivenTime)
{
    struct Case { const char* name; i32 volume; f32 seconds; std::vector<double> outputs; i32 end; };
    const Case cases[] = {
        {"from 100 over 2 s", 100, 2.0f, {0.25, 0.5, 0.75, 1.0, 1.0}, 100},
        {"to 50 over 2 s",    50,  2.0f, {0.12, 0.25, 0.37, 0.5, 0.5}, 50},
        {"to 80 over 1 s",    80,  1.0f, {0.4, 0.8, 0.8, 0.8, 0.8},    80},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str()))) << c.name;
        m_player.SetVolume(c.volume);
        ASSERT_EQ(KE_OK, m_player.FadeIn(c.seconds)) << c.name;
        EXPECT_NEAR(0.0, m_player.GetOutputVolume(), 1e-6) << c.name;
        EXPECT_EQ(c.volume, m_player.GetVolume()) << c.name;   // the target during a fade
        EXPECT_EQ(KE_ERR_NOT_READY, m_player.FadeIn(1.0f)) << c.name;
        for (size_t i = 0; i < c.outputs.size(); ++i)
        {
            m_player.Run(0.5f);
            EXPECT_NEAR(c.outputs[i], m_player.GetOutputVolume(), 1e-6) << c.name << ", step " << i;
        }
        EXPECT_EQ(c.end, m_player.GetVolume()) << c.name;
        EXPECT_EQ(KE_OK, m_player.FadeIn(1.0f)) << c.name << ": the fade has ended";
        m_player.Stop();
    }
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    EXPECT_EQ(KE_ERR_ARGUMENT, m_player.FadeIn(0.0f));
    EXPECT_EQ(KE_ERR_ARGUMENT, m_player.FadeIn(-1.0f));
    ASSERT_EQ(KE_OK, m_player.Open(nullptr, CKetrelString(Mp3(2.0).c_str())));
    EXPECT_EQ(KE_ERR_NOT_READY, m_player.FadeIn(1.0f));   // no owner
    // Muted: the fade runs on the remembered volume; the output stays silent.
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    m_player.SetMuted(1);
    ASSERT_EQ(KE_OK, m_player.FadeIn(1.0f));
    m_player.Run(2.0f);
    EXPECT_NEAR(0.0, m_player.GetOutputVolume(), 1e-6);
    m_player.SetMuted(0);
    EXPECT_NEAR(1.0, m_player.GetOutputVolume(), 1e-6);
}

TEST_F(MusicTest, SeekAndPosition)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(2.0).c_str())));
    ASSERT_EQ(KE_OK, m_player.Play(0));
    ASSERT_TRUE(RunUntil([&] { return m_player.GetPosition() > 0.0f; }));
    m_player.Pause();
    m_player.Seek(1.2345f);
    // Positions are whole milliseconds.
    ASSERT_TRUE(RunUntil([&] { return m_player.GetPosition() >= 1.2f; }, 10000));
    const f32 p = m_player.GetPosition();
    EXPECT_NEAR(1.2345, p, 0.03);
    EXPECT_FLOAT_EQ((f32)((int)(p * 1000.0f + 0.5f)) / 1000.0f, p);
}

TEST_F(MusicTest, RepeatStartsAgainOneFrameAfterTheEnd)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(0.3).c_str())));
    ASSERT_EQ(KE_OK, m_player.Play(1));
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_TRUE(RunUntil([&] { return m_player.PollEndOfStream() == 1; })) << round;
        EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING, m_player.GetState()) << round;
        m_player.Run(0.02f);   // the next frame starts the track again
        EXPECT_EQ(0u, m_player.PollEndOfStream()) << round;
        EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING, m_player.GetState()) << round;
    }
}

TEST_F(MusicTest, TheEndWithoutRepeatStopsAndAPlayStartsAgain)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(Mp3(0.3).c_str())));
    ASSERT_EQ(KE_OK, m_player.Play(0));
    ASSERT_TRUE(RunUntil([&] { return m_player.GetState() == CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED; }));
    EXPECT_EQ(1u, m_player.PollEndOfStream());
    EXPECT_EQ(KE_OK, m_player.Play(0));
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING, m_player.GetState());
    EXPECT_EQ(0u, m_player.PollEndOfStream());
    ASSERT_TRUE(RunUntil([&] { return m_player.GetState() == CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED; }));
}

TEST_F(MusicTest, AFileThatCannotPlayIsReportedNotCountedAsPlaying)
{
    ASSERT_EQ(KE_OK, m_player.Open(&m_app, CKetrelString(s_tmp->Path("noise.mp3").c_str())));
    const i32 rc = m_player.Play(1);
    if (rc == KE_OK)
        EXPECT_TRUE(RunUntil([&] { return m_player.GetState() == CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED; }));
    else
        EXPECT_EQ(KE_ERR_DEVICE, rc);
    EXPECT_EQ(CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED, m_player.GetState());
}

// The usual sinks: with no sound server, "autoaudiosink" reaches ALSA's "default", here a
// raw file that must receive sound.
TEST_F(MusicTest, UsualSinksReachAlsa)
{
    CKetrelTestAlsa alsa;
    ASSERT_TRUE(alsa.RouteToFile());
    m_player.SetSinkOverride(nullptr);
    const i32 rc = m_player.Open(&m_app, CKetrelString(Mp3(0.3).c_str()));
    if (rc == KE_ERR_DEVICE)
        GTEST_SKIP() << "no sink starts here (gstreamer1.0-alsa missing?)";
    ASSERT_EQ(KE_OK, rc);
    ASSERT_EQ(KE_OK, m_player.Play(0));
    ASSERT_TRUE(RunUntil([&] { return m_player.GetState() == CKetrelSoundMusicPlayer::KE_MUSIC_STOPPED; }));
    m_player.Stop();
    const std::vector<u8> out = alsa.ReadOutput();
    if (out.empty())
        GTEST_SKIP() << "a sound server took the stream";
    bool sound = false;
    for (u8 b : out)
        sound = sound || (b != 0);
    EXPECT_TRUE(sound);
    EXPECT_GT(out.size(), 10000u);
}
} // namespace
