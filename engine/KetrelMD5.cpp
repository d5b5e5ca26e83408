#include "engine/KetrelMD5.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelString.h"

#include <cstring>

namespace
{
inline u32 RotateLeft(u32 x, int n) { return (x << n) | (x >> (32 - n)); }

inline u32 LoadLittle32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

inline void StoreLittle32(u8* p, u32 v)
{
    p[0] = (u8)v;
    p[1] = (u8)(v >> 8);
    p[2] = (u8)(v >> 16);
    p[3] = (u8)(v >> 24);
}

const char kHexDigits[] = "0123456789abcdef";
}

// The four rounds of RFC 1321, written out so the compiler keeps every word in a
// register. G uses the form with an addition, which schedules better than the OR.
#define KMD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define KMD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define KMD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define KMD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define KMD5_STEP(f, a, b, c, d, x, t, s) \
    (a) += f((b), (c), (d)) + (x) + (u32)(t); \
    (a) = RotateLeft((a), (s)) + (b);

void CKetrelMD5::Init()
{
    m_state[0] = 0x67452301;
    m_state[1] = 0xEFCDAB89;
    m_state[2] = 0x98BADCFE;
    m_state[3] = 0x10325476;
    m_bitCount = 0;
    std::memset(m_buffer, 0, sizeof m_buffer);
    std::memset(m_digest, 0, sizeof m_digest);
}

void CKetrelMD5::Transform(const u8* block, u32 blocks)
{
    u32 a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (; blocks > 0; --blocks, block += 64)
    {
        u32 x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = LoadLittle32(block + 4 * i);
        const u32 aa = a, bb = b, cc = c, dd = d;

        KMD5_STEP(KMD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
        KMD5_STEP(KMD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
        KMD5_STEP(KMD5_F, c, d, a, b, x[2], 0x242070db, 17)
        KMD5_STEP(KMD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
        KMD5_STEP(KMD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
        KMD5_STEP(KMD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
        KMD5_STEP(KMD5_F, c, d, a, b, x[6], 0xa8304613, 17)
        KMD5_STEP(KMD5_F, b, c, d, a, x[7], 0xfd469501, 22)
        KMD5_STEP(KMD5_F, a, b, c, d, x[8], 0x698098d8, 7)
        KMD5_STEP(KMD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
        KMD5_STEP(KMD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
        KMD5_STEP(KMD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
        KMD5_STEP(KMD5_F, a, b, c, d, x[12], 0x6b901122, 7)
        KMD5_STEP(KMD5_F, d, a, b, c, x[13], 0xfd987193, 12)
        KMD5_STEP(KMD5_F, c, d, a, b, x[14], 0xa679438e, 17)
        KMD5_STEP(KMD5_F, b, c, d, a, x[15], 0x49b40821, 22)

        KMD5_STEP(KMD5_G, a, b, c, d, x[1], 0xf61e2562, 5)
        KMD5_STEP(KMD5_G, d, a, b, c, x[6], 0xc040b340, 9)
        KMD5_STEP(KMD5_G, c, d, a, b, x[11], 0x265e5a51, 14)
        KMD5_STEP(KMD5_G, b, c, d, a, x[0], 0xe9b6c7aa, 20)
        KMD5_STEP(KMD5_G, a, b, c, d, x[5], 0xd62f105d, 5)
        KMD5_STEP(KMD5_G, d, a, b, c, x[10], 0x02441453, 9)
        KMD5_STEP(KMD5_G, c, d, a, b, x[15], 0xd8a1e681, 14)
        KMD5_STEP(KMD5_G, b, c, d, a, x[4], 0xe7d3fbc8, 20)
        KMD5_STEP(KMD5_G, a, b, c, d, x[9], 0x21e1cde6, 5)
        KMD5_STEP(KMD5_G, d, a, b, c, x[14], 0xc33707d6, 9)
        KMD5_STEP(KMD5_G, c, d, a, b, x[3], 0xf4d50d87, 14)
        KMD5_STEP(KMD5_G, b, c, d, a, x[8], 0x455a14ed, 20)
        KMD5_STEP(KMD5_G, a, b, c, d, x[13], 0xa9e3e905, 5)
        KMD5_STEP(KMD5_G, d, a, b, c, x[2], 0xfcefa3f8, 9)
        KMD5_STEP(KMD5_G, c, d, a, b, x[7], 0x676f02d9, 14)
        KMD5_STEP(KMD5_G, b, c, d, a, x[12], 0x8d2a4c8a, 20)

        KMD5_STEP(KMD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
        KMD5_STEP(KMD5_H, d, a, b, c, x[8], 0x8771f681, 11)
        KMD5_STEP(KMD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
        KMD5_STEP(KMD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
        KMD5_STEP(KMD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
        KMD5_STEP(KMD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
        KMD5_STEP(KMD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
        KMD5_STEP(KMD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
        KMD5_STEP(KMD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
        KMD5_STEP(KMD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
        KMD5_STEP(KMD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
        KMD5_STEP(KMD5_H, b, c, d, a, x[6], 0x04881d05, 23)
        KMD5_STEP(KMD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
        KMD5_STEP(KMD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
        KMD5_STEP(KMD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
        KMD5_STEP(KMD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

        KMD5_STEP(KMD5_I, a, b, c, d, x[0], 0xf4292244, 6)
        KMD5_STEP(KMD5_I, d, a, b, c, x[7], 0x432aff97, 10)
        KMD5_STEP(KMD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
        KMD5_STEP(KMD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
        KMD5_STEP(KMD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
        KMD5_STEP(KMD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
        KMD5_STEP(KMD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
        KMD5_STEP(KMD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
        KMD5_STEP(KMD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
        KMD5_STEP(KMD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
        KMD5_STEP(KMD5_I, c, d, a, b, x[6], 0xa3014314, 15)
        KMD5_STEP(KMD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
        KMD5_STEP(KMD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
        KMD5_STEP(KMD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
        KMD5_STEP(KMD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
        KMD5_STEP(KMD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    m_state[0] = a;
    m_state[1] = b;
    m_state[2] = c;
    m_state[3] = d;
}

void CKetrelMD5::Update(const u8* data, u32 n)
{
    if (!data || n == 0)
        return;
    u32 used = (u32)((m_bitCount >> 3) & 63);
    m_bitCount += (u64)n << 3;
    if (used > 0)
    {
        const u32 take = (64 - used < n) ? 64 - used : n;
        std::memcpy(m_buffer + used, data, take);
        data += take;
        n -= take;
        used += take;
        if (used < 64)
            return;
        Transform(m_buffer, 1);
    }
    if (n >= 64)
    {
        Transform(data, n / 64);
        data += n & ~63u;
        n &= 63;
    }
    if (n > 0)
        std::memcpy(m_buffer, data, n);
}

void CKetrelMD5::Final()
{
    const u64 bits = m_bitCount;
    u8 tail[72];
    const u32 used = (u32)((bits >> 3) & 63);
    const u32 padding = (used < 56) ? 56 - used : 120 - used;
    std::memset(tail, 0, sizeof tail);
    tail[0] = 0x80;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = (u8)(bits >> (8 * i));
    Update(tail, padding + 8);
    for (int i = 0; i < 4; ++i)
        StoreLittle32(m_digest + 4 * i, m_state[i]);
}

void CKetrelMD5::DigestBuffer(const u8* data, u32 n)
{
    Init();
    Update(data, n);
    Final();
}

void CKetrelMD5::DigestFile(CKetrelFile* file)
{
    Init();
    if (file)
    {
        file->Seek(0, KE_SEEK_SET);
        u8 chunk[256];
        u32 got;
        while ((got = file->Read(chunk, sizeof chunk)) > 0)
            Update(chunk, got);
    }
    Final();
}

void CKetrelMD5::GetHexDigest(CKetrelString& out) const
{
    u16* text = out.AllocBuffer(33);
    if (!text)
        return;
    for (int i = 0; i < 16; ++i)
    {
        text[2 * i] = (u16)kHexDigits[m_digest[i] >> 4];
        text[2 * i + 1] = (u16)kHexDigits[m_digest[i] & 15];
    }
}

void CKetrelMD5::AppendHexByte(u8 value, CKetrelString& out)
{
    out.Append((u16)kHexDigits[value >> 4]);
    out.Append((u16)kHexDigits[value & 15]);
}

void CKetrelMD5::HexOfString(CKetrelString& s)
{
    const int length = s.GetLength();
    u8 local[256];
    u8* bytes = length <= (int)sizeof local ? local : new u8[(size_t)length];
    const u16* units = s.GetBuffer();
    for (int i = 0; i < length; ++i)
        bytes[i] = (u8)units[i];
    CKetrelMD5 md5;
    md5.DigestBuffer(bytes, (u32)length);
    if (bytes != local)
        delete[] bytes;
    md5.GetHexDigest(s);
}
