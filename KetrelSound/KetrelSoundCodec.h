#pragma once
#include "KetrelSound/KetrelSoundFormat.h"
#include "engine/KetrelTypes.h"

// A decoder from an encoded sample format to PCM. It keeps owned copies of both formats,
// null until Init.
class IKetrelSoundCodec
{
public:
    IKetrelSoundCodec();
    virtual ~IKetrelSoundCodec();   // frees both formats

    virtual u32 GetCodecType() = 0;
    virtual u32 GetEncodedSize(u32 decodedBytes) = 0;
    // Decodes sourceBytes into destination, writing at most destinationBytes.
    virtual i32 Decode(const u8* source, u32 sourceBytes, u8* destination, u32 destinationBytes) = 0;
    virtual u32 GetDecodedSize(u32 encodedBytes) = 0;

    // 2 when either format is null, 7 without memory; else both are copied.
    i32 Init(const CKetrelSoundFormat* decoded, const CKetrelSoundFormat* encoded);
    void FreeFormats();
    // A new copy of format (null without memory); the caller owns it.
    static CKetrelSoundFormat* CopyFormat(const CKetrelSoundFormat* format);

protected:
    CKetrelSoundFormat* m_encoded;   // owned
    CKetrelSoundFormat* m_decoded;   // owned
};

// IMA ADPCM as stored in RIFF/WAVE files (format tag 0x11): blocks of blockAlign bytes,
// a 4-byte header per channel, then 4-byte words of eight 4-bit codes, interleaved by
// channel word by word, low nibble first. Decodes to 16-bit PCM.
class CKetrelSoundCodecImaAdpcm : public IKetrelSoundCodec
{
public:
    enum { KE_CODEC_IMA_ADPCM = 6 };

    u32 GetCodecType() override { return KE_CODEC_IMA_ADPCM; }
    u32 GetEncodedSize(u32 decodedBytes) override { return decodedBytes / 4; }
    // 3 without a format, 4 for a block layout it cannot decode; a trailing partial
    // block is not decoded.
    i32 Decode(const u8* source, u32 sourceBytes, u8* destination, u32 destinationBytes) override;
    // 0 without a usable format.
    u32 GetDecodedSize(u32 encodedBytes) override;

    // Whether blocks of blockAlign bytes with that many channels can be decoded:
    // 1 or 2 channels, at least one header per channel, whole words per channel.
    static bool IsValidLayout(u32 channels, u32 blockAlign);
    // Samples per channel in one block.
    static u32 SamplesPerBlock(u32 channels, u32 blockAlign);
};
