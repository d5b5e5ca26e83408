#pragma once
#include "KetrelSound/KetrelSoundBuffer.h"
#include "KetrelSound/KetrelSoundFormat.h"
#include "engine/KetrelCriticalSection.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelThread.h"
#include "engine/KetrelTypes.h"
#include <atomic>

typedef struct _snd_pcm snd_pcm_t;
typedef struct _snd_pcm_hw_params snd_pcm_hw_params_t;

// Init flags.
enum { KE_SOUND_NO_THREAD = 4 };   // no mixing thread: the owner calls MixStep

// The software mixer. It opens ALSA's "default" playback device and, on its own thread
// (or in MixStep), mixes every playing registered voice with volume, pan, resampling and
// an optional 3D mode into one block, converts it to the output format and writes it to
// the device. Voices belong to their sources; the engine only lists them, and every source
// must be released before the engine is shut down.
//
// Threads: the voice and listener lists are guarded by the engine lock (the process-wide
// critical section), held by the mixing thread while it mixes and while it calls the
// listeners; the lock is not re-entrant. The master settings are atomics.
class CKetrelSoundEngine : public IKetrelThread
{
public:
    CKetrelSoundEngine();
    ~CKetrelSoundEngine() override;   // calls Shutdown

    static CKetrelSoundEngine* Create();

    // Chooses the closest supported format, opens the device and, unless flags has
    // KE_SOUND_NO_THREAD, starts the mixing thread. bufferBytes 0 picks the block size.
    // 9 device failure, 7 no memory, 11 no format; on failure the engine stays closed.
    i32 Init(void* owner, u32 rate, u16 bits, u16 channels, u32 reserved, u32 flags, u32 bufferBytes);
    // Replaces *requested with the chosen format, creates the master voice, opens the
    // device and the mix buffer.
    i32 SetFormat(CKetrelSoundFormat* requested, u32 bufferBytes);
    void Shutdown();

    // Stops every voice (positions stay), then pauses or closes the device; resuming
    // reopens it. Acts only on a change.
    void SetPaused(u32 paused);
    u32 IsPaused() const { return m_paused.load(std::memory_order_relaxed); }
    // While muted the mixer writes silence (voices keep advancing) and SetMasterVolume
    // only remembers the value.
    void SetMute(u32 mute);
    u32 IsMuted() const { return m_mute.load(std::memory_order_relaxed); }
    i32 SetMasterVolume(i32 volume);   // clamped to 0..100
    i32 GetMasterVolume() const;
    i32 SetMasterPan(i32 pan);         // stored as given
    i32 GetMasterPan() const;

    const CKetrelSoundFormat* GetFormat() const { return &m_format; }
    u32 GetBlockBytes() const { return m_blockBytes; }
    u32 GetMinStreamBytes() const;
    void* GetOwner() const { return m_owner; }
    // Its data is the last block written (one block in the output format).
    CKetrelSoundBuffer* GetMasterVoice() { return &m_master; }

    // 2 null, 0 listed already, 1 added. Engine lock.
    i32 AddVoice(CKetrelSoundBuffer* voice);
    // 2 null, 1 removed, 8 not listed. Engine lock; after it returns the mixer no
    // longer touches the voice.
    i32 RemoveVoice(CKetrelSoundBuffer* voice);
    i32 AddListener(IKetrelSoundNotifyHandler* listener);
    i32 RemoveListener(IKetrelSoundNotifyHandler* listener);
    u32 GetVoiceCount();

    // The thread body.
    void Run() override;
    // One pass (mix, write, notify) when the engine runs without its thread and is not
    // paused; returns the mix result (1, or the failure of locking the master block).
    virtual i32 MixStep();
    // One pass regardless of the thread flag.
    i32 Update();

    // The engine's notification ids (callers hold the engine lock).
    i32 NextNotifyId() { return (i32)++m_notifyCounter; }

    static void CloseHandles(snd_pcm_t** pcm, snd_pcm_hw_params_t** hw);
    // Appends new CKetrelSoundFormat records (owned by the caller) of the supported formats.
    static void EnumerateFormats(CKetrelPtrArray& list);
    static void AddFormat(CKetrelPtrArray& list, u32 rate, u32 bits, u32 channels);
    static void DeleteFormats(CKetrelPtrArray& list);
    // Appends new CKetrelString records naming the device.
    static void EnumerateDevices(CKetrelPtrArray& list);
    static void DeleteDevices(CKetrelPtrArray& list);

    // Q15 gain of a volume 0..100 (100 gives exactly 32767).
    static i32 VolumeGain(i32 volume);
    // Left and right Q15 gains of a volume and a pan, as the mixer applies them.
    static void PanGains(i32 volume, i32 pan, i32* left, i32* right);

private:
    i32 OpenDevice(const CKetrelSoundFormat* format, u32 blockBytes);
    void CloseDevice();
    i32 Mix();
    void Notify();
    void StartThread();
    // Takes the first occurrence of item off list under the engine lock: 1, or 8.
    i32 RemoveListed(CKetrelPtrArray& list, void* item);

    CKetrelSoundBuffer m_master;      // output format; data = one output block
    void* m_owner;                    // kept, not used
    CKetrelSoundFormat m_format;      // output format
    u32 m_notifyCounter;
    CKetrelPtrArray m_voices;         // CKetrelSoundBuffer*, not owned
    CKetrelPtrArray m_listeners;      // IKetrelSoundNotifyHandler*, not owned
    std::atomic<u32> m_paused;
    CKetrelCriticalSection m_lock;    // the process-wide lock
    std::atomic<u32> m_mute;
    std::atomic<u32> m_rememberedVolume;   // 0..100, kept while muted
    std::atomic<u32> m_threadRunning;
    i32* m_mixBuffer;                 // interleaved left/right accumulators, owned
    u32 m_blockBytes;                 // one output block
    u32 m_accumulators;               // two per output frame
    u32 m_mixBufferBytes;
    u32 m_flags;                      // Init flags
    std::atomic<u32> m_firstBlock;
    snd_pcm_t* m_pcm;
    snd_pcm_hw_params_t* m_hw;
    u32 m_periodFrames;
};
