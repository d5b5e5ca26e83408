#include "engine/KetrelHashedString.h"

namespace
{
const u32 kHashMultiplier = 709607;

inline u32 LoadLittle32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}
}

u32 KetrelHashBytes(const u8* data, u32 n)
{
    u32 h = 0x811C9DC5;
    if (!data)
        n = 0;
    for (; n >= 8; n -= 8, data += 8)
    {
        const u32 w0 = LoadLittle32(data);
        const u32 w1 = LoadLittle32(data + 4);
        h = (h ^ ((w0 << 5) | (w0 >> 27)) ^ w1) * kHashMultiplier;
    }
    if (n >= 4)
    {
        h = (h ^ LoadLittle32(data)) * kHashMultiplier;
        data += 4;
        n -= 4;
    }
    if (n >= 2)
    {
        h = (h ^ ((u32)data[0] | ((u32)data[1] << 8))) * kHashMultiplier;
        data += 2;
        n -= 2;
    }
    if (n >= 1)
        h = (h ^ data[0]) * kHashMultiplier;
    return h ^ (h >> 16);
}

CKetrelHashedString::CKetrelHashedString() : m_hash(ComputeHash(m_text)) {}

CKetrelHashedString::CKetrelHashedString(const CKetrelString& text) : m_text(text), m_hash(ComputeHash(m_text)) {}

CKetrelHashedString::CKetrelHashedString(const wchar_t* text) : m_text(text), m_hash(ComputeHash(m_text)) {}

CKetrelHashedString& CKetrelHashedString::operator=(const CKetrelString& text)
{
    m_text = text;
    m_hash = ComputeHash(m_text);
    return *this;
}

u32 CKetrelHashedString::ComputeHash(const CKetrelString& text)
{
    // KetrelHashBytes over the units as little-endian bytes, read from the units
    // directly: four units are one 8-byte round, and an even byte count leaves at
    // most a 4- and a 2-byte tail.
    u32 n = (u32)text.GetLength();
    const u16* units = text.GetBuffer();
    u32 h = 0x811C9DC5;
    for (; n >= 4; n -= 4, units += 4)
    {
        const u32 w0 = (u32)units[0] | ((u32)units[1] << 16);
        const u32 w1 = (u32)units[2] | ((u32)units[3] << 16);
        h = (h ^ ((w0 << 5) | (w0 >> 27)) ^ w1) * kHashMultiplier;
    }
    if (n >= 2)
    {
        h = (h ^ ((u32)units[0] | ((u32)units[1] << 16))) * kHashMultiplier;
        units += 2;
        n -= 2;
    }
    if (n == 1)
        h = (h ^ units[0]) * kHashMultiplier;
    return h ^ (h >> 16);
}
