#pragma once
// Little-endian fields from a block of bytes, as the framework's own files store them;
// every read is checked against the end and moves on only when it succeeds.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

#include <vector>

struct CBrixByteReader
{
    const u8* data;
    u32 size;
    u32 pos;

    bool U16(u16& v)
    {
        if (size - pos < 2)
            return false;
        v = (u16)(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return true;
    }
    bool U32(u32& v)
    {
        if (size - pos < 4)
            return false;
        v = (u32)data[pos] | ((u32)data[pos + 1] << 8) | ((u32)data[pos + 2] << 16) |
            ((u32)data[pos + 3] << 24);
        pos += 4;
        return true;
    }
    // length units of UTF-16LE text, made into a string the way a 0-terminated buffer
    // would be (an embedded 0 ends it).
    bool Text(u32 length, CKetrelString& out)
    {
        if ((u64)length * 2 > (u64)(size - pos))
            return false;
        std::vector<u16> units((size_t)length + 1, 0);
        for (u32 i = 0; i < length; ++i)
            units[i] = (u16)(data[pos + 2 * i] | (data[pos + 2 * i + 1] << 8));
        pos += length * 2;
        out.Assign(units.data());
        return true;
    }
};
