#pragma once
#include "engine/KetrelTypes.h"

// A PCM sample format. blockAlign is the size of one frame in bytes
// (bits x channels / 8). For a voice, sampleRate is also its playback frequency.
struct CKetrelSoundFormat
{
    u32 channels;
    u32 sampleRate;      // Hz
    u32 bitsPerSample;
    u32 blockAlign;      // bytes per frame
};

// Fills out with (channels, rate, bits) and the block align they give.
void KetrelMakeSoundFormat(u32 rate, u32 bits, u32 channels, CKetrelSoundFormat* out);

// Frequencies that voices are played at are kept in this range (Hz).
enum { KE_SOUND_MIN_FREQUENCY = 1000, KE_SOUND_MAX_FREQUENCY = 88200 };
