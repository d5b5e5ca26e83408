#pragma once
#include "KetrelSound/KetrelSoundFormat.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelVector.h"
#include "engine/KetrelTypes.h"
#include <atomic>

class CKetrelSoundEngine;
class CKetrelMatrix4;
class IKetrelSoundNotifyHandler;

// Voice flags.
enum
{
    KE_VOICE_3D     = 1,   // mixed with direction, distance and Doppler
    KE_VOICE_NOTIFY = 2    // the voice registers as a notification listener
};

// Notification types.
enum
{
    KE_SOUND_NOTIFY_POSITION = 0,   // the play position passed a mark
    KE_SOUND_NOTIFY_STOPPED  = 1,
    KE_SOUND_NOTIFY_STARTED  = 2
};

// Result of Lock on data that somebody else holds.
enum { KE_SOUND_LOCKED = 1000 };

// Receives notifications on the mixing thread, with the engine lock held: it must
// return quickly and must not call anything that takes the engine lock (voice or
// listener registration, Create, Duplicate, Release, Set3D*, the engine's SetPaused).
class IKetrelSoundNotifyCallback
{
public:
    virtual ~IKetrelSoundNotifyCallback() {}
    virtual void OnSoundNotify(IKetrelSoundNotifyHandler* voice, u32 type, i32 id,
                               u32 position, u32 user) = 0;
};

struct CKetrelSoundNotifyRecord
{
    u32 type;                               // KE_SOUND_NOTIFY_*
    i32 id;
    IKetrelSoundNotifyCallback* callback;   // not owned
    u32 lastPosition;                       // bytes, at the previous firing
    u32 mark;                               // bytes, for position marks
    u32 user;
};

// Keeps a voice's notification records (owned) and fires them.
class IKetrelSoundNotifyHandler
{
public:
    IKetrelSoundNotifyHandler();
    virtual ~IKetrelSoundNotifyHandler();   // frees the list's storage only

    // Called by the engine's thread for every listener, under the engine lock.
    virtual i32 ProcessNotifications() = 0;

    // Returns the new record's id, -1 without memory. Takes the engine lock.
    i32 AddNotification(CKetrelSoundEngine* engine, IKetrelSoundNotifyCallback* callback,
                        u32 type, u32 mark, u32 user);
    // Deletes the first record with that id (1), 8 when there is none. Takes the engine lock.
    i32 RemoveNotification(i32 id);
    // Calls the callbacks of the records of that type that are due; always 1.
    i32 FireNotifications(u32 type, u32 position);
    // Deletes every record. Not locked: only for a voice the engine no longer lists.
    void ClearNotifications();

protected:
    CKetrelSoundEngine* m_engine;   // not owned
    CKetrelPtrArray m_records;      // CKetrelSoundNotifyRecord*, owned
};

// The 3D parameters of a voice. The mixer reads the distances, the Doppler factor,
// the position and the velocity; the angles, level and orientation are only kept.
struct CKetrelSound3DRecord
{
    f32 minDistance;      // default 20
    f32 maxDistance;      // default 100
    f32 dopplerFactor;    // default 1
    u32 insideAngle;      // degrees, default 360
    u32 outsideAngle;     // degrees, default 360
    i32 level;            // default 0
    CKetrelVector3 position;      // relative to the listener, world axes
    CKetrelVector3 velocity;      // relative, in the listener's frame
    CKetrelVector3 orientation;   // default (0, 0, 1)
};

// One voice: a block of PCM with its own volume, pan, frequency, play position and
// flags, registered with the engine that mixes it. The setters store what they are
// given (sources clamp); they are called from the main thread while the mixing thread
// reads the values, so every value the mixer reads is atomic.
class CKetrelSoundBuffer : public IKetrelSoundNotifyHandler
{
public:
    CKetrelSoundBuffer();
    ~CKetrelSoundBuffer() override;   // Release() must have run for a registered voice

    static CKetrelSoundBuffer* CreateBuffer();

    // Allocates bytes of silence in format (the engine's output format when null) and
    // registers the voice with the engine. 2 null engine or bad format, 7 no memory.
    i32 Create(CKetrelSoundEngine* engine, const CKetrelSoundFormat* format, u32 bytes, u32 flags);
    // Shares other's PCM (never freed through this voice); starts at position 0,
    // unlocked, with this voice's own volume, pan and loop flag.
    i32 Duplicate(const CKetrelSoundBuffer& other);
    // Deletes the records, leaves the engine's lists, frees the data unless shared.
    void Release();

    const CKetrelSoundFormat* GetFormat() const { return &m_format; }
    u32 GetDataSize() const { return m_dataSize; }
    u32 GetFlags() const { return m_flags; }
    u32 IsPlaying() const { return m_playing.load(std::memory_order_relaxed); }
    u32 IsLooping() const { return m_loop.load(std::memory_order_relaxed); }

    i32 SetPan(i32 pan);
    i32 GetPan() const { return m_pan.load(std::memory_order_relaxed); }
    i32 SetVolume(u32 volume);
    u32 GetVolume() const { return m_volume.load(std::memory_order_relaxed); }
    // The playback frequency in Hz: the format's sample rate.
    i32 SetFrequency(u32 hz);
    u32 GetFrequency() const { return m_frequency.load(std::memory_order_relaxed); }

    // Bytes from the start of the data; always a whole frame.
    u32 GetPosition() const;
    // Clamped to 0 .. the last whole frame, and aligned down to a frame.
    i32 SetPosition(i32 bytes);

    // The position stays where it is.
    i32 Play(u32 loop);
    i32 Stop();

    // Hands out the data (whole: all of it; else bytes from offset, cut at the end).
    // 2 null outputs or an offset past the end, 1000 when somebody holds it already.
    i32 Lock(u32 offset, u32 bytes, u8** data, u32* size, u32 whole);
    void Unlock();

    // 3D: defaults, a whole record, or the relative position and velocity from the
    // source and listener transforms (translations in elements 12..14).
    i32 Reset3D();
    i32 Set3DRecord(const CKetrelSound3DRecord* record);
    i32 Set3DParameters(const CKetrelVector3* sourceVelocity, const CKetrelMatrix4* source,
                        const CKetrelVector3* listenerVelocity, const CKetrelMatrix4* listener);
    const CKetrelSound3DRecord* Get3DRecord() const { return &m_3d; }

    i32 ProcessNotifications() override;

private:
    friend class CKetrelSoundEngine;

    // What the mixer reads of the 3D record, published whenever the record changes.
    struct Mix3D
    {
        std::atomic<f32> minDistance, maxDistance, doppler;
        std::atomic<f32> position[3];
        std::atomic<f32> velocity[3];
    };

    void Publish3D();
    // Resets the play state (stopped, at 0, unlocked), then the 3D defaults (3D voices),
    // the engine's voice list and, with notifications, its listener list; on failure the
    // voice is released.
    i32 Register();
    void Unregister();
    // Position as frames << 16 plus a 16-bit fraction, read and advanced by the mixer.
    u64 LoadCursor() const { return m_cursor.load(std::memory_order_relaxed); }
    // Stores the mixer's new cursor unless the main thread moved it meanwhile.
    void AdvanceCursor(u64 expected, u64 next)
    { m_cursor.compare_exchange_strong(expected, next, std::memory_order_relaxed); }

    u8* m_data;                     // owned unless m_shared
    CKetrelSoundFormat m_format;    // its sampleRate mirrors m_frequency
    u32 m_dataSize;                 // bytes
    u32 m_flags;                    // KE_VOICE_*
    u32 m_lastPlayState;            // for notifications
    CKetrelSound3DRecord m_3d;
    Mix3D m_mix3D;
    std::atomic<u32> m_volume;      // 0..100
    std::atomic<i32> m_pan;         // -100..100
    std::atomic<u32> m_frequency;   // Hz
    std::atomic<u32> m_playing;
    std::atomic<u64> m_cursor;
    std::atomic<u32> m_loop;
    std::atomic<u32> m_locked;
    u32 m_shared;
};
