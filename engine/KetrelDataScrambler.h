#pragma once
// engine/KetrelDataScrambler.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// XOR scrambling of pack entries with a key. The transform is its own inverse: the same
// call scrambles and descrambles. Packs made for a key must be made with this table.
class CKetrelDataScrambler
{
public:
    CKetrelDataScrambler() {}
    virtual ~CKetrelDataScrambler() {}

    static CKetrelDataScrambler* Create();   // the caller owns it (delete)

    // Transforms size bytes in place. KE_ERR_ARGUMENT (buffer unchanged) for a null
    // buffer, a size of 0 or a key shorter than 3 characters; KE_OK otherwise.
    int Descramble(u8* buffer, u32 size, const CKetrelString& key);
};
