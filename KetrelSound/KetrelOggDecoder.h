#pragma once
#include "KetrelSound/KetrelSoundFormat.h"
#include "engine/KetrelTypes.h"

class CKetrelFile;

// No sound decodes to more than this many bytes of PCM.
enum { KE_SOUND_MAX_DECODED_BYTES = 64 << 20 };

// Decodes the Ogg Vorbis stream in the next size bytes of file, chained logical streams
// one after another, into interleaved 16-bit PCM. On 1 the caller owns *pcm (delete[]),
// *bytes is its length and *format its format (1 or 2 channels). A chained stream whose
// channels or rate differ from the first is refused. 4 corrupt headers or data, more than
// two channels, nothing decoded or too much decoded; 7 no memory; 11 not an Ogg stream.
i32 KetrelDecodeOggVorbis(CKetrelFile* file, u32 size, u8** pcm, u32* bytes,
                          CKetrelSoundFormat* format);
