#pragma once
#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelFile;
class CKetrelMediaPack;
class CKetrelSoundEngine;

// A sound decoded completely into voice 0 when it is loaded: RIFF/WAVE with 8- or 16-bit
// PCM or IMA ADPCM, or Ogg Vorbis (chained streams of one format), with 1 or 2 channels.
// Extra voices share voice 0's PCM.
//
// Every load returns 1 with voice 0 plus extraVoices sharing voices, or a failure with no
// voices at all: 2 unreadable beginning or no pack, 7 no memory, 8 no such pack entry,
// 9 not a sound this engine can play (unknown magic, no "data" chunk, an unsupported or
// inconsistent format, a malformed chunk, more than the decode cap), or the code of the
// file that could not be opened. Loading may run on a loader thread: it touches only this
// source and registers voices through the engine's locked AddVoice.
class CKetrelSoundWave : public IKetrelSoundSource
{
public:
    enum { KE_SOUND_KIND_WAVE = 0 };

    CKetrelSoundWave();
    ~CKetrelSoundWave() override;   // releases the voices

    static CKetrelSoundWave* Create();

    u32 GetKind() override { return KE_SOUND_KIND_WAVE; }

    i32 LoadFromFile(CKetrelSoundEngine* engine, const CKetrelString& path, u32 voiceFlags,
                     u32 extraVoices);
    // The entry is found with the pack's SeekEntry(entryName, index); a pack opened
    // with a key has its entry descrambled first.
    i32 LoadFromPack(CKetrelSoundEngine* engine, CKetrelMediaPack* pack,
                     const CKetrelString& entryName, i32 index, u32 voiceFlags, u32 extraVoices);
    // The caller's bytes are read in place, not copied, and may go after the call.
    i32 LoadFromMemory(CKetrelSoundEngine* engine, const u8* buffer, u32 size, u32 voiceFlags,
                       u32 extraVoices);
    // Decodes the next size bytes of file into voice 0 (dispatch by magic).
    i32 LoadStream(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size, u32 voiceFlags);

    // count more voices sharing voice 0's PCM; then the source takes voice 0's format
    // and size. On failure the source is released.
    i32 AddExtraVoices(u32 count);
    // Voice 0 with bytes of silence in format, plus the extra voices: a source that its
    // owner fills.
    i32 CreateVoices(CKetrelSoundEngine* engine, const CKetrelSoundFormat* format, u32 bytes,
                     u32 voiceFlags, u32 extraVoices);

private:
    i32 LoadRiff(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size, u32 voiceFlags);
    i32 LoadOgg(CKetrelSoundEngine* engine, CKetrelFile* file, u32 size, u32 voiceFlags);
    i32 Finish(i32 rc, u32 extraVoices);
};
