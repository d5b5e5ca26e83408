#include "KetrelSound/KetrelSoundEngine.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include <alsa/asoundlib.h>
#include <cmath>
#include <cstring>
#include <new>

namespace
{
const f64 kPi = 3.14159265358979323846;

// Supported output formats, best first: (channels, rate, bits).
const u32 kFormats[12][3] = {
    {2, 44100, 16}, {2, 22050, 16}, {2, 11025, 16}, {2, 44100, 8}, {2, 22050, 8}, {2, 11025, 8},
    {1, 44100, 16}, {1, 22050, 16}, {1, 11025, 16}, {1, 44100, 8}, {1, 22050, 8}, {1, 11025, 8},
};

inline i32 ClampI32(i64 v, i32 lo, i32 hi)
{
    return (i32)(v < lo ? lo : (v > hi ? hi : v));
}

f64 Ratio(f64 requested, f64 entry)
{
    return entry < requested ? requested / entry : entry / requested;
}

// What one voice contributes to one pass, read once from its atomics.
struct VoiceMix
{
    const u8* data;
    u64 end;          // total frames << 16
    u64 step;         // source frames per output frame, 16.16
    u32 stereo;
    u32 bits;
    i32 left;         // Q15 gains
    i32 right;
};

inline i32 Sample8(u8 v) { return ((i32)v - 128) * 256; }

// Mixes n output frames from cursor on (16.16 source frames); the caller has made sure
// that every source frame read lies before the end.
void MixFrames(i32* acc, u32 n, const VoiceMix& v, u64 cursor)
{
    const i64 gl = v.left, gr = v.right;
    if (v.bits == 16)
    {
        const i16* s = (const i16*)v.data;
        if (v.stereo)
        {
            for (u32 i = 0; i < n; ++i, cursor += v.step, acc += 2)
            {
                const u64 f = (cursor >> 16) * 2;
                acc[0] += (i32)((gl * s[f]) >> 15);
                acc[1] += (i32)((gr * s[f + 1]) >> 15);
            }
        }
        else
        {
            for (u32 i = 0; i < n; ++i, cursor += v.step, acc += 2)
            {
                const i64 x = s[cursor >> 16];
                acc[0] += (i32)((gl * x) >> 15);
                acc[1] += (i32)((gr * x) >> 15);
            }
        }
    }
    else
    {
        const u8* s = v.data;
        if (v.stereo)
        {
            for (u32 i = 0; i < n; ++i, cursor += v.step, acc += 2)
            {
                const u64 f = (cursor >> 16) * 2;
                acc[0] += (i32)((gl * Sample8(s[f])) >> 15);
                acc[1] += (i32)((gr * Sample8(s[f + 1])) >> 15);
            }
        }
        else
        {
            for (u32 i = 0; i < n; ++i, cursor += v.step, acc += 2)
            {
                const i64 x = Sample8(s[cursor >> 16]);
                acc[0] += (i32)((gl * x) >> 15);
                acc[1] += (i32)((gr * x) >> 15);
            }
        }
    }
}

f32 Length3(f32 x, f32 y, f32 z) { return std::sqrt(x * x + y * y + z * z); }

// Scales to length 1 unless the length is within 0.0001 of 0.
void Normalize3(f32* v)
{
    const f32 len = Length3(v[0], v[1], v[2]);
    if (len > -0.0001f && len < 0.0001f)
        return;
    v[0] /= len; v[1] /= len; v[2] /= len;
}
} // namespace

void KetrelMakeSoundFormat(u32 rate, u32 bits, u32 channels, CKetrelSoundFormat* out)
{
    if (!out)
        return;
    out->channels = channels;
    out->sampleRate = rate;
    out->bitsPerSample = bits;
    out->blockAlign = bits * channels / 8;
}

CKetrelSoundEngine::CKetrelSoundEngine()
    : m_owner(nullptr), m_notifyCounter(0), m_paused(0), m_mute(0), m_rememberedVolume(100),
      m_threadRunning(0), m_mixBuffer(nullptr), m_blockBytes(0), m_accumulators(0),
      m_mixBufferBytes(0), m_flags(0), m_firstBlock(0), m_pcm(nullptr), m_hw(nullptr),
      m_periodFrames(0)
{
    std::memset(&m_format, 0, sizeof(m_format));
}

CKetrelSoundEngine::~CKetrelSoundEngine()
{
    Shutdown();
}

CKetrelSoundEngine* CKetrelSoundEngine::Create()
{
    return new (std::nothrow) CKetrelSoundEngine();
}

i32 CKetrelSoundEngine::VolumeGain(i32 volume)
{
    if (volume <= 0)
        return 0;
    if (volume >= 100)
        return 32767;
    return volume * 32767 / 100;
}

void CKetrelSoundEngine::PanGains(i32 volume, i32 pan, i32* left, i32* right)
{
    const i64 vol = VolumeGain(volume);
    i64 l = 32767, r = 32767;
    if (pan < 0)
        r = VolumeGain(pan + 100);
    else if (pan > 0)
        l = VolumeGain(100 - pan);
    *left = (i32)((vol * l) >> 15);
    *right = (i32)((vol * r) >> 15);
}

i32 CKetrelSoundEngine::Init(void* owner, u32 rate, u16 bits, u16 channels, u32 /*reserved*/,
                             u32 flags, u32 bufferBytes)
{
    Shutdown();
    m_owner = owner;
    KetrelMakeSoundFormat(rate, bits, channels, &m_format);
    m_flags = flags;
    CKetrelSoundFormat requested = m_format;
    i32 rc = SetFormat(&requested, bufferBytes);
    if (rc != KE_OK)
    {
        Shutdown();
        return rc;
    }
    m_firstBlock.store(1, std::memory_order_relaxed);
    // The master voice registered itself while it was created; it is mixed apart.
    m_lock.Enter();
    m_voices.RemoveAll();
    m_lock.Leave();
    if (!(flags & KE_SOUND_NO_THREAD))
        StartThread();
    return KE_OK;
}

void CKetrelSoundEngine::StartThread()
{
    m_threadRunning.store(1, std::memory_order_relaxed);
    if (!Start(252))
        m_threadRunning.store(0, std::memory_order_relaxed);
}

i32 CKetrelSoundEngine::SetFormat(CKetrelSoundFormat* requested, u32 bufferBytes)
{
    if (!requested || requested->sampleRate == 0 || requested->bitsPerSample == 0 ||
        requested->channels == 0)
        return KE_ERR_NO_FORMAT;

    // 1. The supported format with the smallest product of ratios; ties keep the earlier.
    CKetrelPtrArray list;
    EnumerateFormats(list);
    const CKetrelSoundFormat* best = nullptr;
    f64 bestScore = 10000.0;
    for (i32 i = 0; i < list.GetCount(); ++i)
    {
        const CKetrelSoundFormat* f = (const CKetrelSoundFormat*)list.GetAt(i);
        const f64 score = Ratio(requested->sampleRate, f->sampleRate) *
                          Ratio(requested->bitsPerSample, f->bitsPerSample) *
                          Ratio(requested->channels, f->channels);
        if (score < bestScore)
        {
            bestScore = score;
            best = f;
        }
    }
    if (!best)
    {
        DeleteFormats(list);
        return KE_ERR_NO_FORMAT;
    }
    // 2. The choice replaces the request and becomes the output format.
    *requested = *best;
    m_format = *best;
    DeleteFormats(list);

    // 3. Block size, a multiple of 16 bytes.
    u32 block = bufferBytes ? bufferBytes : m_format.sampleRate * m_format.blockAlign / 24 + 1024;
    block = (block + 15) & ~15u;
    m_blockBytes = block;

    // 4. The master voice holds one output block.
    i32 rc = m_master.Create(this, &m_format, block, 0);
    if (rc != KE_OK)
        return rc;

    // 5. The device.
    rc = OpenDevice(&m_format, block);
    if (rc != KE_OK)
        return rc;

    // 6. Two accumulators per output frame, mono or stereo.
    const u32 bytesPerSample = m_format.bitsPerSample / 8;
    m_accumulators = (3 - m_format.channels) * block / bytesPerSample;
    m_mixBufferBytes = m_accumulators * 4;
    m_mixBuffer = new (std::nothrow) i32[m_accumulators];
    if (!m_mixBuffer)
    {
        CloseDevice();
        m_master.Release();
        m_accumulators = m_mixBufferBytes = 0;
        return KE_ERR_MEMORY;
    }
    std::memset(m_mixBuffer, 0, m_mixBufferBytes);
    return KE_OK;
}

i32 CKetrelSoundEngine::OpenDevice(const CKetrelSoundFormat* format, u32 blockBytes)
{
    if (m_pcm)
        return KE_OK;
    snd_pcm_t* pcm = nullptr;
    snd_pcm_hw_params_t* hw = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return KE_ERR_DEVICE;

    const u32 bytesPerSample = format->bitsPerSample / 8;
    const u32 period = blockBytes / format->channels / bytesPerSample;
    u32 rate = format->sampleRate;
    snd_pcm_uframes_t bufferFrames = (snd_pcm_uframes_t)period * 6;
    bool ok = snd_pcm_hw_params_malloc(&hw) >= 0 &&
              snd_pcm_hw_params_any(pcm, hw) >= 0 &&
              snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
              snd_pcm_hw_params_set_format(pcm, hw, format->bitsPerSample == 16
                                           ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8) >= 0 &&
              snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr) >= 0 &&
              snd_pcm_hw_params_set_channels(pcm, hw, format->channels) >= 0 &&
              snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &bufferFrames) >= 0 &&
              snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) >= 0 &&
              snd_pcm_hw_params(pcm, hw) >= 0 &&
              snd_pcm_nonblock(pcm, 0) >= 0;
    if (ok)
    {
        snd_pcm_sw_params_t* sw = nullptr;
        ok = snd_pcm_sw_params_malloc(&sw) >= 0 &&
             snd_pcm_sw_params_current(pcm, sw) >= 0 &&
             snd_pcm_sw_params_set_avail_min(pcm, sw, period) >= 0 &&
             snd_pcm_sw_params_set_start_threshold(pcm, sw, 0) >= 0 &&
             snd_pcm_sw_params(pcm, sw) >= 0 &&
             snd_pcm_prepare(pcm) >= 0;
        if (sw)
            snd_pcm_sw_params_free(sw);
    }
    if (!ok)
    {
        CloseHandles(&pcm, &hw);
        return KE_ERR_DEVICE;
    }
    m_periodFrames = period;
    m_hw = hw;
    m_pcm = pcm;
    return KE_OK;
}

void CKetrelSoundEngine::CloseHandles(snd_pcm_t** pcm, snd_pcm_hw_params_t** hw)
{
    if (pcm && *pcm)
    {
        snd_pcm_drop(*pcm);
        snd_pcm_close(*pcm);
        *pcm = nullptr;
    }
    if (hw && *hw)
    {
        snd_pcm_hw_params_free(*hw);
        *hw = nullptr;
    }
}

void CKetrelSoundEngine::CloseDevice()
{
    CloseHandles(&m_pcm, &m_hw);
}

void CKetrelSoundEngine::Shutdown()
{
    Stop();
    m_threadRunning.store(0, std::memory_order_relaxed);
    m_lock.Enter();
    m_listeners.RemoveAll();
    m_lock.Leave();
    CloseDevice();
    m_master.Release();
    delete[] m_mixBuffer;
    m_mixBuffer = nullptr;
    m_accumulators = m_mixBufferBytes = 0;
    m_lock.Enter();
    m_voices.RemoveAll();
    m_lock.Leave();
    m_owner = nullptr;
}

void CKetrelSoundEngine::SetPaused(u32 paused)
{
    paused = paused ? 1 : 0;
    if (m_paused.exchange(paused) == paused)
        return;

    m_lock.Enter();
    for (i32 i = 0; i < m_voices.GetCount(); ++i)
        ((CKetrelSoundBuffer*)m_voices.GetAt(i))->Stop();
    m_lock.Leave();

    // The device and the thread are handled outside the lock: the mixing thread may be
    // waiting for it, and stopping the thread joins it.
    if (paused)
    {
        if (!m_pcm)
            return;
        if (m_hw && snd_pcm_hw_params_can_pause(m_hw))
            snd_pcm_pause(m_pcm, 1);
        else
        {
            Stop();
            m_threadRunning.store(0, std::memory_order_relaxed);
            CloseDevice();
        }
    }
    else if (!m_pcm)
    {
        if (!m_mixBuffer || OpenDevice(&m_format, m_blockBytes) != KE_OK)
            return;
        if (!(m_flags & KE_SOUND_NO_THREAD))
        {
            m_threadRunning.store(1, std::memory_order_relaxed);
            if (Start(251))
                SetPriority(252);
            else
                m_threadRunning.store(0, std::memory_order_relaxed);
        }
    }
    else if (m_hw && snd_pcm_hw_params_can_resume(m_hw))
        snd_pcm_pause(m_pcm, 0);
    else if (m_hw && snd_pcm_hw_params_can_pause(m_hw))
        snd_pcm_pause(m_pcm, 0);
}

void CKetrelSoundEngine::SetMute(u32 mute)
{
    mute = mute ? 1 : 0;
    // Unmuting applies what SetMasterVolume remembered meanwhile.
    if (m_mute.exchange(mute) && !mute)
        m_master.SetVolume(m_rememberedVolume.load(std::memory_order_relaxed));
}

i32 CKetrelSoundEngine::SetMasterVolume(i32 volume)
{
    volume = volume < 0 ? 0 : (volume > 100 ? 100 : volume);
    if (IsMuted())
    {
        m_rememberedVolume.store((u32)volume, std::memory_order_relaxed);
        return KE_OK;
    }
    m_rememberedVolume.store((u32)volume, std::memory_order_relaxed);
    return m_master.SetVolume((u32)volume);
}

i32 CKetrelSoundEngine::GetMasterVolume() const
{
    if (IsMuted())
        return (i32)m_rememberedVolume.load(std::memory_order_relaxed);
    return (i32)m_master.GetVolume();
}

i32 CKetrelSoundEngine::SetMasterPan(i32 pan)
{
    return m_master.SetPan(pan);
}

i32 CKetrelSoundEngine::GetMasterPan() const
{
    return m_master.GetPan();
}

u32 CKetrelSoundEngine::GetMinStreamBytes() const
{
    const u32 bytes = 4 * m_blockBytes;
    return bytes < 50000 ? 50000 : bytes;
}

i32 CKetrelSoundEngine::AddVoice(CKetrelSoundBuffer* voice)
{
    if (!voice)
        return KE_ERR_ARGUMENT;
    m_lock.Enter();
    i32 rc = KE_OK;
    for (i32 i = 0; i < m_voices.GetCount(); ++i)
        if (m_voices.GetAt(i) == voice)
            rc = 0;
    if (rc == KE_OK)
        m_voices.Add(voice);
    m_lock.Leave();
    return rc;
}

i32 CKetrelSoundEngine::RemoveVoice(CKetrelSoundBuffer* voice)
{
    if (!voice)
        return KE_ERR_ARGUMENT;
    return RemoveListed(m_voices, voice);
}

i32 CKetrelSoundEngine::RemoveListed(CKetrelPtrArray& list, void* item)
{
    i32 rc = KE_ERR_NOT_FOUND;
    m_lock.Enter();
    for (i32 i = 0; i < list.GetCount(); ++i)
        if (list.GetAt(i) == item)
        {
            list.RemoveAt(i);
            rc = KE_OK;
            break;
        }
    m_lock.Leave();
    return rc;
}

i32 CKetrelSoundEngine::AddListener(IKetrelSoundNotifyHandler* listener)
{
    m_lock.Enter();
    m_listeners.Add(listener);
    m_lock.Leave();
    return KE_OK;
}

i32 CKetrelSoundEngine::RemoveListener(IKetrelSoundNotifyHandler* listener)
{
    return RemoveListed(m_listeners, listener);
}

u32 CKetrelSoundEngine::GetVoiceCount()
{
    m_lock.Enter();
    const u32 n = (u32)m_voices.GetCount();
    m_lock.Leave();
    return n;
}

void CKetrelSoundEngine::EnumerateFormats(CKetrelPtrArray& list)
{
    for (const auto& f : kFormats)
        AddFormat(list, f[1], f[2], f[0]);
}

void CKetrelSoundEngine::AddFormat(CKetrelPtrArray& list, u32 rate, u32 bits, u32 channels)
{
    CKetrelSoundFormat* f = new (std::nothrow) CKetrelSoundFormat;
    if (!f)
        return;
    KetrelMakeSoundFormat(rate, bits, channels, f);
    list.Add(f);
}

void CKetrelSoundEngine::DeleteFormats(CKetrelPtrArray& list)
{
    for (i32 i = 0; i < list.GetCount(); ++i)
        delete (CKetrelSoundFormat*)list.GetAt(i);
    list.RemoveAll();
}

void CKetrelSoundEngine::EnumerateDevices(CKetrelPtrArray& list)
{
    CKetrelString* name = new (std::nothrow) CKetrelString(L"ALSA KetrelSound device for Linux");
    if (name)
        list.Add(name);
}

void CKetrelSoundEngine::DeleteDevices(CKetrelPtrArray& list)
{
    for (i32 i = 0; i < list.GetCount(); ++i)
        delete (CKetrelString*)list.GetAt(i);
    list.RemoveAll();
}

void CKetrelSoundEngine::Run()
{
    while (IsRunning())
    {
        if (!IsPaused() && m_mixBuffer)
        {
            Mix();
            Notify();
        }
        Sleep(5);
        if (IsPaused())
        {
            Sleep(500);
            if (!IsRunning())
                break;
        }
    }
}

i32 CKetrelSoundEngine::MixStep()
{
    if (!(m_flags & KE_SOUND_NO_THREAD) || IsPaused())
        return KE_OK;
    const i32 rc = Mix();
    Notify();
    return rc;
}

i32 CKetrelSoundEngine::Update()
{
    const i32 rc = Mix();
    Notify();
    return rc;
}

void CKetrelSoundEngine::Notify()
{
    m_lock.Enter();
    for (i32 i = 0; i < m_listeners.GetCount(); ++i)
        ((IKetrelSoundNotifyHandler*)m_listeners.GetAt(i))->ProcessNotifications();
    m_lock.Leave();
}

i32 CKetrelSoundEngine::Mix()
{
    if (IsPaused() || !m_mixBuffer)
        return KE_OK;

    // 1. Silence, outside the lock.
    std::memset(m_mixBuffer, 0, m_mixBufferBytes);
    const u32 outFrames = m_accumulators / 2;
    const u32 outRate = m_format.sampleRate;
    bool audible = false;

    // 2. Every playing voice.
    m_lock.Enter();
    for (i32 vi = 0; vi < m_voices.GetCount(); ++vi)
    {
        CKetrelSoundBuffer* voice = (CKetrelSoundBuffer*)m_voices.GetAt(vi);
        if (!voice->IsPlaying())
            continue;

        VoiceMix v;
        const i32 vol = (i32)voice->GetVolume();
        f64 freq = voice->GetFrequency();
        if (voice->m_flags & KE_VOICE_3D)
        {
            const CKetrelSoundBuffer::Mix3D& m = voice->m_mix3D;
            f32 p[3] = {m.position[0].load(std::memory_order_relaxed),
                        m.position[1].load(std::memory_order_relaxed),
                        m.position[2].load(std::memory_order_relaxed)};
            f32 vel[3] = {m.velocity[0].load(std::memory_order_relaxed),
                          m.velocity[1].load(std::memory_order_relaxed),
                          m.velocity[2].load(std::memory_order_relaxed)};
            const f32 minD = m.minDistance.load(std::memory_order_relaxed);
            const f32 maxD = m.maxDistance.load(std::memory_order_relaxed);
            const f32 doppler = m.doppler.load(std::memory_order_relaxed);

            // Direction: the sine of the angle from straight ahead.
            f64 angle = std::atan((f64)p[0] / (p[2] == 0.0f ? 0.00001 : (f64)p[2]));
            if (p[2] >= 0.0f)
                angle -= kPi;
            const f64 s = std::sin(angle);
            i64 lf = 32767, rf = 32767;
            if (std::isfinite(s))
            {
                if (s > 0)
                    rf = (i64)((1.0 - s) * 32767.0);
                else
                    lf = (i64)((1.0 + s) * 32767.0);
            }
            // Distance: the gain halves with every further minimum distance.
            f64 d = Length3(p[0], p[1], p[2]);
            if (d < minD) d = minD;
            if (d > maxD) d = maxD;
            const f64 unit = minD > 0.0001f ? (f64)minD : 0.0001;
            f64 g = 32767.0 / std::pow(2.0, (d - minD) / unit);
            if (!(g >= 0.0)) g = 0.0;
            if (g > 32767.0) g = 32767.0;
            const i64 gi = (i64)g;
            const i64 q = VolumeGain(vol);
            v.left = (i32)((q * (lf * gi / 32767)) >> 15);
            v.right = (i32)((q * (rf * gi / 32767)) >> 15);

            // Doppler, clamped before it becomes a frequency.
            const f32 speed = Length3(vel[0], vel[1], vel[2]);
            Normalize3(p);
            Normalize3(vel);
            const f64 c = 340.0 - ((f64)p[0] * vel[0] + (f64)p[1] * vel[1] + (f64)p[2] * vel[2]) *
                                      speed * doppler;
            freq = freq * (c / 340.0);
        }
        else
            PanGains(vol, voice->GetPan(), &v.left, &v.right);

        if (!(freq >= KE_SOUND_MIN_FREQUENCY)) freq = KE_SOUND_MIN_FREQUENCY;
        if (freq > KE_SOUND_MAX_FREQUENCY) freq = KE_SOUND_MAX_FREQUENCY;
        const u64 f = (u64)freq;

        const CKetrelSoundFormat& fmt = voice->m_format;
        const u32 frameBytes = fmt.channels * (fmt.bitsPerSample / 8);
        if (frameBytes == 0 || fmt.channels > 2 ||
            (fmt.bitsPerSample != 8 && fmt.bitsPerSample != 16))
            continue;
        const u64 totalFrames = voice->m_dataSize / frameBytes;

        u8* data = nullptr;
        u32 size = 0;
        if (voice->Lock(0, 0, &data, &size, 1) != KE_OK)
            continue;
        if (!data || totalFrames == 0)
        {
            voice->Stop();
            voice->Unlock();
            continue;
        }
        v.data = data;
        v.end = totalFrames << 16;
        v.step = (f << 16) / outRate;
        if (v.step == 0)
            v.step = 1;
        v.stereo = fmt.channels == 2;
        v.bits = fmt.bitsPerSample;

        const u64 start = voice->LoadCursor();
        u64 cur = start;
        const bool loop = voice->IsLooping() != 0;
        bool playing = true;
        // At the end a looping voice goes on from the start (keeping the fraction), a
        // one-shot voice stops and rewinds.
        auto wrapAtEnd = [&]() {
            if (cur < v.end)
                return;
            if (loop)
                cur %= v.end;
            else
            {
                playing = false;
                cur = 0;
            }
        };
        wrapAtEnd();
        u32 out = 0;
        while (playing && out < outFrames)
        {
            const u32 n = outFrames - out;
            // Output frames whose source frame still lies before the end.
            const u64 avail = (v.end - cur + v.step - 1) / v.step;
            const u32 m = avail < n ? (u32)avail : n;
            MixFrames(m_mixBuffer + 2 * out, m, v, cur);
            out += m;
            cur += (u64)m * v.step;
            wrapAtEnd();
        }
        voice->AdvanceCursor(start, cur);
        if (!playing)
            voice->Stop();
        voice->Unlock();
        audible = true;
    }
    m_lock.Leave();

    // 4. The output block.
    u8* block = nullptr;
    u32 blockSize = 0;
    const i32 rc = m_master.Lock(0, m_blockBytes, &block, &blockSize, 0);
    if (rc != KE_OK)
        return rc;
    if (!block)
    {
        m_master.Unlock();
        return KE_OK;
    }

    // 5. Convert, or write silence.
    const bool eight = m_format.bitsPerSample == 8;
    if (!audible || IsMuted())
        std::memset(block, eight ? 128 : 0, blockSize);
    else
    {
        i32 gl, gr;
        PanGains((i32)m_master.GetVolume(), m_master.GetPan(), &gl, &gr);
        const i32* acc = m_mixBuffer;
        // Products are taken in 64 bits: from three full-scale voices on they no longer fit in 32.
        if (m_format.channels == 1)
        {
            const i64 g = ((i64)gl + gr) >> 1;
            if (eight)
                for (u32 i = 0; i < outFrames; ++i)
                    block[i] = (u8)ClampI32(((g * ((i64)acc[2 * i] + acc[2 * i + 1])) >> 24) + 128, 0, 255);
            else
            {
                i16* out = (i16*)block;
                for (u32 i = 0; i < outFrames; ++i)
                    out[i] = (i16)ClampI32((g * ((i64)acc[2 * i] + acc[2 * i + 1])) >> 16, -32768, 32767);
            }
        }
        else if (eight)
            for (u32 i = 0; i < outFrames; ++i)
            {
                block[2 * i] = (u8)ClampI32((((i64)gl * acc[2 * i]) >> 23) + 128, 0, 255);
                block[2 * i + 1] = (u8)ClampI32((((i64)gr * acc[2 * i + 1]) >> 23) + 128, 0, 255);
            }
        else
        {
            i16* out = (i16*)block;
            for (u32 i = 0; i < outFrames; ++i)
            {
                out[2 * i] = (i16)ClampI32(((i64)gl * acc[2 * i]) >> 15, -32768, 32767);
                out[2 * i + 1] = (i16)ClampI32(((i64)gr * acc[2 * i + 1]) >> 15, -32768, 32767);
            }
        }
    }
    m_firstBlock.store(0, std::memory_order_relaxed);

    // 6. One period to the device; a failed write re-prepares it and the block is lost.
    if (m_pcm)
    {
        if (snd_pcm_writei(m_pcm, block, m_periodFrames) < 0)
            snd_pcm_prepare(m_pcm);
    }
    m_master.Unlock();
    return KE_OK;
}
