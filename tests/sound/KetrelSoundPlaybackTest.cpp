// A generated tone played by the engine's own thread into ALSA's "default", routed to a
// raw file; the file is then checked for the tone's frequency, level and pan.
#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundWave.h"
#include "SoundTestUtil.h"
#include "engine/KetrelResult.h"
#include "support/KetrelTestAlsa.h"
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace
{
struct Measure
{
    double rmsLeft = 0, rmsRight = 0;
    double frequencyLeft = 0;   // from rising zero crossings
    size_t frames = 0;
};

// From the first frame with sound to the last one.
Measure Analyse(const std::vector<u8>& bytes, u32 rate)
{
    Measure m;
    const size_t total = bytes.size() / 4;
    if (total == 0)
        return m;
    std::vector<i16> s(total * 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    size_t first = 0, last = 0;
    bool any = false;
    for (size_t i = 0; i < total; ++i)
        if (s[2 * i] != 0 || s[2 * i + 1] != 0)
        {
            if (!any)
                first = i;
            any = true;
            last = i;
        }
    if (!any)
        return m;
    m.frames = last + 1 - first;
    double l = 0, r = 0;
    size_t crossings = 0, firstCross = 0, lastCross = 0;
    for (size_t i = first; i <= last; ++i)
    {
        l += (double)s[2 * i] * s[2 * i];
        r += (double)s[2 * i + 1] * s[2 * i + 1];
        if (i > first && s[2 * (i - 1)] < 0 && s[2 * i] >= 0)
        {
            if (crossings == 0)
                firstCross = i;
            lastCross = i;
            ++crossings;
        }
    }
    m.rmsLeft = std::sqrt(l / (double)m.frames);
    m.rmsRight = std::sqrt(r / (double)m.frames);
    if (crossings > 1)
        m.frequencyLeft = (double)(crossings - 1) * rate / (double)(lastCross - firstCross);
    return m;
}

TEST(PlaybackThroughTheThread, ToneReachesTheDeviceWithItsFrequencyLevelAndPan)
{
    struct Case { const char* name; double hz; i32 pan; u32 voiceRate; double wantLeft, wantRight; };
    // A sine of amplitude 16384 has an RMS of 11585; unity gains take about 2 from it.
    const Case cases[] = {
        {"1 kHz centred",            1000, 0,   44100, 11583, 11583},
        {"1 kHz panned right by 50", 1000, 50,  44100, 5792,  11583},
        {"441 Hz at 22050 Hz, left", 441,  -100, 22050, 11583, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelTestAlsa alsa;
        ASSERT_TRUE(alsa.RouteToFile());
        CKetrelSoundEngine* engine = CKetrelSoundEngine::Create();
        ASSERT_EQ(KE_OK, engine->Init(nullptr, 44100, 16, 2, 0, 0, 0)) << c.name;

        // One second of the tone, mono 16-bit, looped.
        std::vector<i16> tone(c.voiceRate);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = (i16)std::lrint(16384.0 * std::sin(2.0 * M_PI * c.hz * (double)i / c.voiceRate));
        const std::vector<u8> file = PcmWave16(1, c.voiceRate, tone);
        CKetrelSoundWave wave;
        ASSERT_EQ(KE_OK, wave.LoadFromMemory(engine, file.data(), (u32)file.size(), 0, 0)) << c.name;
        wave.SetPan(c.pan, 0);
        // The file device does not pace the writes: a few blocks go out every 5 ms, and
        // the file lags the device by up to its buffer. However long the silence before
        // Play was (a loaded machine may write seconds of it), wait for two more seconds
        // of output after Play, of which well over one must then be the tone. The bound
        // only ends a hung run.
        const long before = alsa.GetOutputSize();
        wave.Play(1, 0, 0);
        for (int i = 0; i < 3000 && alsa.GetOutputSize() < before + 44100 * 4 * 2; ++i)
            IKetrelThread::Sleep(20);
        wave.Stop(0);
        wave.Release();
        engine->Shutdown();
        delete engine;

        const std::vector<u8> out = alsa.ReadOutput();
        ASSERT_GT(out.size(), 44100u * 4 / 2) << c.name;
        const Measure m = Analyse(out, 44100);
        EXPECT_GT(m.frames, 20000u) << c.name;
        EXPECT_NEAR(c.hz, m.frequencyLeft > 0 ? m.frequencyLeft : c.hz, c.hz * 0.01) << c.name;
        EXPECT_NEAR(c.wantLeft, m.rmsLeft, 60) << c.name;
        EXPECT_NEAR(c.wantRight, m.rmsRight, 60) << c.name;
    }
}
} // namespace
