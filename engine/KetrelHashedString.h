#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// 32-bit hash of a byte block: 8-byte rounds, then 4-, 2- and 1-byte tails, each
// mixed in and multiplied by 709607, and a final fold of the high half.
u32 KetrelHashBytes(const u8* data, u32 n);

// A string key that carries the hash of its text, always in step with it. Keys
// order by hash as an unsigned number and, for equal hashes, by the text's Compare,
// so sorted maps mostly compare one word.
class CKetrelHashedString
{
public:
    CKetrelHashedString();
    CKetrelHashedString(const CKetrelString& text);
    CKetrelHashedString(const wchar_t* text);

    CKetrelHashedString& operator=(const CKetrelString& text);

    const CKetrelString& GetText() const { return m_text; }
    u32 GetHash() const { return m_hash; }

    // KetrelHashBytes over the text's units as little-endian bytes.
    static u32 ComputeHash(const CKetrelString& text);

    // -1, 0 or 1 in key order.
    int Compare(const CKetrelHashedString& other) const
    {
        if (m_hash != other.m_hash)
            return m_hash < other.m_hash ? -1 : 1;
        return m_text.Compare(other.m_text);
    }
    bool operator<(const CKetrelHashedString& other) const { return Compare(other) < 0; }
    bool operator>(const CKetrelHashedString& other) const { return Compare(other) > 0; }
    bool operator==(const CKetrelHashedString& other) const { return Compare(other) == 0; }
    bool operator!=(const CKetrelHashedString& other) const { return Compare(other) != 0; }

private:
    CKetrelString m_text;
    u32 m_hash;
};
