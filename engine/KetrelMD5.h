#pragma once
#include "engine/KetrelTypes.h"

class CKetrelFile;
class CKetrelString;

// MD5 digests (RFC 1321) of buffers, streams and strings, and their lower-case hex.
// Init, any number of Update calls, then Final; GetDigest is valid after Final.
class CKetrelMD5
{
public:
    CKetrelMD5() { Init(); }

    void Init();
    void Update(const u8* data, u32 n);
    // Pads, appends the bit count and leaves the digest in the state words.
    void Final();
    // The 16 digest bytes: the state words in little-endian memory order.
    const u8* GetDigest() const { return m_digest; }

    void DigestBuffer(const u8* data, u32 n);
    // Digest of the whole stream: seeks to its start, then reads 256 bytes at a time
    // until a read returns nothing. The stream is left at its end.
    void DigestFile(CKetrelFile* file);

    // out := the 32 lower-case hex digits of the digest.
    void GetHexDigest(CKetrelString& out) const;
    static void AppendHexByte(u8 value, CKetrelString& out);
    // s := hex MD5 of the low byte of each of its characters (no terminator).
    static void HexOfString(CKetrelString& s);

private:
    void Transform(const u8* block, u32 blocks);

    u32 m_state[4];
    u64 m_bitCount;
    u8 m_buffer[64];
    u8 m_digest[16];
};
