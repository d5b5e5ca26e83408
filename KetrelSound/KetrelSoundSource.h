#pragma once
#include "KetrelSound/KetrelSoundBuffer.h"
#include "KetrelSound/KetrelSoundFormat.h"
#include "engine/KetrelID.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelTypes.h"

class CKetrelMatrix4;

// Play options.
enum { KE_SOUND_PLAY_FREE_VOICE = 8 };   // play the first voice that is not playing

// A playable sound: a named object that owns one or more voices. Voice 0 holds the PCM;
// the others share it so that the sound can overlap itself. Operations take a voice
// index. Main thread; the mixer reads the voices' values on its own thread.
class IKetrelSoundSource : public CKetrelID
{
public:
    IKetrelSoundSource();
    ~IKetrelSoundSource() override;   // frees the list; Release first to free the voices

    // Takes every voice off the engine, then frees and deletes them; data size 0.
    virtual void Release();
    // Index past the voices: 2.
    virtual i32 Play(u32 loop, u32 voice = 0, u32 options = 0);
    // As Play, from the start of the data.
    virtual i32 PlayFromStart(u32 loop, u32 voice = 0, u32 options = 0);
    // Stops and rewinds. Bad index: 3.
    virtual i32 Stop(u32 voice = 0);
    // Stops; the position stays. Bad index: 3.
    virtual i32 Pause(u32 voice = 0);
    virtual i32 SetPosition(i32 bytes, u32 voice = 0);
    // Bytes; 3 for a bad index.
    virtual u32 GetPosition(u32 voice = 0);
    virtual i32 SetPan(i32 pan, u32 voice = 0);            // clamped to -100..100
    virtual i32 GetPan(u32 voice = 0);                     // 0 for a bad index
    virtual i32 SetVolume(i32 volume, u32 voice = 0);      // clamped to 0..100
    virtual i32 GetVolume(u32 voice = 0);
    virtual i32 SetFrequency(u32 hz, u32 voice = 0);       // clamped to 1000..88200
    virtual u32 GetFrequency(u32 voice = 0);
    virtual u32 IsPlaying(u32 voice = 0);
    virtual u32 GetKind() = 0;
    virtual const CKetrelSoundFormat* GetFormat() { return &m_format; }
    virtual u32 GetDataSize() { return m_dataSize; }
    virtual u32 GetExtraVoiceCount();
    // The first voice that is not playing; 0 when all play.
    virtual u32 FindFreeVoice();
    virtual u32 GetSampleRate() { return GetFormat()->sampleRate; }
    // Null for a bad index.
    virtual CKetrelSoundBuffer* GetVoice(u32 voice);
    virtual i32 Set3DParameters(const CKetrelVector3* sourceVelocity, const CKetrelMatrix4* source,
                                const CKetrelVector3* listenerVelocity,
                                const CKetrelMatrix4* listener, u32 voice = 0);

    i32 Set3DRecord(const CKetrelSound3DRecord* record, u32 voice = 0);
    u32 GetVoiceCount() const { return (u32)m_voices.GetCount(); }

protected:
    CKetrelSoundFormat m_format;   // that of voice 0
    CKetrelPtrArray m_voices;      // CKetrelSoundBuffer*, owned
    u32 m_dataSize;                // bytes, that of voice 0
};
