#pragma once
#include "engine/KetrelRunnable.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;
typedef struct _GstElement GstElement;

// Streams one MP3 file through a GStreamer pipeline, apart from the sound engine's mixer:
//   filesrc ! mpegaudioparse ! decoder ! audioconvert ! audioresample ! volume ! sink
// with the first decoder that exists of "nokiamp3dec", "mad" and "mpg123audiodec", and the
// sink "pulsesink", or "autoaudiosink" when that cannot start. Volumes are 0..100 and are
// set on the volume element. The player is a per-frame task of its owner while a file is
// open: Run advances a fade, restarts a repeating track one frame after its end was seen,
// and takes errors and the end of the stream off the pipeline's bus. Main thread only.
class CKetrelSoundMusicPlayer : public IKetrelRunnable
{
public:
    enum
    {
        KE_MUSIC_CLOSED  = 0,
        KE_MUSIC_STOPPED = 1,
        KE_MUSIC_PLAYING = 2,
        KE_MUSIC_PAUSED  = 3
    };

    CKetrelSoundMusicPlayer();
    ~CKetrelSoundMusicPlayer() override;   // Stop()

    static CKetrelSoundMusicPlayer* Create();

    // Closes what was open, registers with owner (may be null) and builds the pipeline.
    // 10 no such file, 4 an element that cannot be made or linked, 9 no sink that starts.
    // On failure nothing is open and the player is not registered.
    i32 Open(IKetrelApplication* owner, const CKetrelString& path);
    // 3 nothing open, 1 already playing (nothing changes); 9 when the pipeline refuses
    // to play (the player is then stopped). repeat is kept only with an owner.
    i32 Play(u32 repeat);
    i32 Pause();                  // 3 nothing open
    i32 StopPlayback();           // back to the start; 3 nothing open
    // Unregisters, stops, restores the volume the player had at Open and closes.
    void Stop();
    void Seek(f32 seconds);
    f32 GetPosition();            // seconds, whole milliseconds; 0 when unknown
    f32 GetDuration();

    // Clamped to 0..100; while muted only remembered.
    void SetVolume(i32 volume);
    // 100 when nothing is open; the target during a fade; the remembered one while muted.
    i32 GetVolume() const;
    void SetMuted(u32 muted);
    u32 IsMuted() const { return m_muted; }
    // Raises the volume from 0 to the current one over seconds. 2 for seconds <= 0,
    // 3 without an owner or while a fade runs.
    i32 FadeIn(f32 seconds);
    // 1 when the end of the stream was seen on an earlier poll; while playing, takes a
    // pending end-of-stream message and returns 0 that time.
    u32 PollEndOfStream();

    void Run(f32 seconds) override;

    i32 GetState() const { return m_state; }
    // The volume element's value (1.0 = unity), -1 when nothing is open.
    f64 GetOutputVolume() const;
    // For tools and tests: use this sink factory instead of the usual ones ("fakesink"
    // plays in real time without a sound server). Null restores the usual ones.
    void SetSinkOverride(const char* factory);

private:
    i32 SetPipelineState(int state);
    void ApplyVolume(i32 volume);
    void SetCurrentVolume(i32 volume);
    void EndFade();
    void DrainBus();
    void Close();

    GstElement* m_pipeline;        // owned reference
    GstElement* m_volumeElement;   // inside the pipeline
    IKetrelApplication* m_owner;   // registered with while open
    i32 m_state;
    i32 m_volume;                  // 0..100
    i32 m_openVolume;              // restored by Stop
    u32 m_muted;
    i32 m_rememberedVolume;        // while muted
    i32 m_fadeTarget;
    f32 m_fadeLevel;
    f32 m_fadeRate;                // volume per second; 0 = no fade
    u32 m_endOfStream;
    u32 m_repeat;
    char m_sinkOverride[32];       // empty: the usual sinks
};
