// The sound engine's mix pass (MixStep on a null ALSA device) with 1, 8 and 32 looping
// voices of mixed formats and frequencies, as CPU time per second of audio, against a
// plain floating-point mix loop of the same voices into the same 16-bit stereo output.
#include "KetrelSound/KetrelSoundEngine.h"
#include "engine/KetrelResult.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
struct VoiceSetup
{
    u32 channels, bits, rate;
    i32 volume, pan;
};

const VoiceSetup kSetups[] = {
    {1, 16, 22050, 80, -40}, {2, 16, 44100, 100, 0}, {1, 8, 11025, 60, 30},
    {2, 16, 32000, 90, 10},  {1, 16, 44100, 70, 100}, {2, 8, 22050, 50, -100},
    {1, 16, 16000, 100, 0},  {2, 16, 48000, 40, 60},
};

double CpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

struct Source
{
    VoiceSetup setup;
    std::vector<u8> data;   // one second, looped
};

Source MakeSource(const VoiceSetup& setup, int seed)
{
    Source s{setup, {}};
    const u32 frames = setup.rate;
    s.data.resize((size_t)frames * setup.channels * setup.bits / 8);
    for (u32 i = 0; i < frames * setup.channels; ++i)
    {
        const double v = std::sin(0.001 * (i + 1) * (seed + 3)) * 0.6;
        if (setup.bits == 16)
        {
            const i16 x = (i16)(v * 32767);
            std::memcpy(&s.data[2 * i], &x, 2);
        }
        else
            s.data[i] = (u8)(128 + v * 127);
    }
    return s;
}

// The yardstick: float gains, a float read position, float accumulators, then clamped.
struct FloatMixer
{
    struct Voice { const Source* src; double pos, step; float left, right; };
    std::vector<Voice> voices;
    std::vector<float> acc;
    std::vector<i16> out;

    void Mix(u32 frames, u32 outRate)
    {
        acc.assign((size_t)frames * 2, 0.0f);
        for (Voice& v : voices)
        {
            const VoiceSetup& s = v.src->setup;
            const u32 total = s.rate;
            for (u32 i = 0; i < frames; ++i)
            {
                const u32 f = (u32)v.pos;
                float l, r;
                if (s.bits == 16)
                {
                    const i16* p = (const i16*)v.src->data.data() + (size_t)f * s.channels;
                    l = p[0] / 32768.0f;
                    r = s.channels == 2 ? p[1] / 32768.0f : l;
                }
                else
                {
                    const u8* p = v.src->data.data() + (size_t)f * s.channels;
                    l = (p[0] - 128) / 128.0f;
                    r = s.channels == 2 ? (p[1] - 128) / 128.0f : l;
                }
                acc[2 * i] += l * v.left;
                acc[2 * i + 1] += r * v.right;
                v.pos += v.step;
                if (v.pos >= total)
                    v.pos -= total;
            }
            (void)outRate;
        }
        out.resize(acc.size());
        for (size_t i = 0; i < acc.size(); ++i)
        {
            const float x = acc[i] * 32767.0f;
            out[i] = (i16)(x > 32767.0f ? 32767 : (x < -32768.0f ? -32768 : (int)x));
        }
    }
};

struct Result { double ours, yardstick; };

Result Measure(int voices, const std::vector<Source>& sources)
{
    CKetrelSoundEngine engine;
    if (engine.Init(nullptr, 44100, 16, 2, 0, KE_SOUND_NO_THREAD, 0) != KE_OK)
    {
        std::fprintf(stderr, "no null ALSA device\n");
        std::exit(1);
    }
    const u32 blockFrames = engine.GetBlockBytes() / 4;
    std::vector<CKetrelSoundBuffer*> made;
    FloatMixer yard;
    for (int i = 0; i < voices; ++i)
    {
        const Source& src = sources[(size_t)i % sources.size()];
        CKetrelSoundFormat format;
        KetrelMakeSoundFormat(src.setup.rate, src.setup.bits, src.setup.channels, &format);
        CKetrelSoundBuffer* v = CKetrelSoundBuffer::CreateBuffer();
        v->Create(&engine, &format, (u32)src.data.size(), 0);
        u8* data = nullptr;
        u32 size = 0;
        v->Lock(0, 0, &data, &size, 1);
        std::memcpy(data, src.data.data(), size);
        v->Unlock();
        v->SetVolume((u32)src.setup.volume);
        v->SetPan(src.setup.pan);
        v->Play(1);
        made.push_back(v);
        i32 gl, gr;
        CKetrelSoundEngine::PanGains(src.setup.volume, src.setup.pan, &gl, &gr);
        yard.voices.push_back({&src, 0.0, src.setup.rate / 44100.0, gl / 32768.0f, gr / 32768.0f});
    }

    const int blocks = 2000;
    const double audioSeconds = (double)blocks * blockFrames / 44100.0;
    double best = 1e9, bestYard = 1e9;
    for (int round = 0; round < 3; ++round)
    {
        double t0 = CpuSeconds();
        for (int b = 0; b < blocks; ++b)
            engine.MixStep();
        best = std::min(best, CpuSeconds() - t0);
        t0 = CpuSeconds();
        for (int b = 0; b < blocks; ++b)
            yard.Mix(blockFrames, 44100);
        bestYard = std::min(bestYard, CpuSeconds() - t0);
    }
    for (CKetrelSoundBuffer* v : made)
    {
        v->Release();
        delete v;
    }
    engine.Shutdown();
    return {best / audioSeconds, bestYard / audioSeconds};
}
} // namespace

int main()
{
    // ALSA's "default" goes to a null device for the run.
    char folder[] = "/tmp/ketrel-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string config = std::string(folder) + "/asound.conf";
    FILE* f = std::fopen(config.c_str(), "w");
    if (!f)
        return 1;
    std::fputs("pcm.!default { type null }\n", f);
    std::fclose(f);
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);

    std::vector<Source> sources;
    int seed = 0;
    for (const VoiceSetup& s : kSetups)
        sources.push_back(MakeSource(s, seed++));

    std::printf("%-8s %22s %22s %8s\n", "voices", "mix pass (% of a core)", "float loop (% of a core)", "ratio");
    const int counts[] = {1, 8, 32};
    double ratios[3];
    for (int i = 0; i < 3; ++i)
    {
        const Result r = Measure(counts[i], sources);
        ratios[i] = r.yardstick / r.ours;
        std::printf("%-8d %22.4f %22.4f %8.2f\n", counts[i], 100.0 * r.ours, 100.0 * r.yardstick, ratios[i]);
    }
    for (int i = 0; i < 3; ++i)
        std::printf("BENCH mix_%d ratio=%.3f\n", counts[i], ratios[i]);
    std::remove(config.c_str());
    rmdir(folder);
    return 0;
}
