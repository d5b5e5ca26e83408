#include "engine/graphics/KetrelRowConvert.h"

#include <cstring>

void KetrelConvertRowIndex8To444(const u8* indices, u16* out, i32 count, const u32* palette)
{
    for (i32 i = 0; i < count; ++i)
    {
        const u32 c = palette[indices[i]];
        out[i] = (u16)(((c >> 12) & 0xF00) | ((c >> 8) & 0xF0) | (c & 0xFF) >> 4);
    }
}

void KetrelConvertRowIndex8To565(const u8* indices, u16* out, i32 count, const u32* palette)
{
    for (i32 i = 0; i < count; ++i)
    {
        const u32 c = palette[indices[i]];
        out[i] = (u16)(((c >> 8) & 0xF800) | ((c >> 5) & 0x7E0) | (c & 0xFF) >> 3);
    }
}

void KetrelConvertRowIndex8To32(const u8* indices, u32* out, i32 count, const u32* palette)
{
    for (i32 i = 0; i < count; ++i)
        out[i] = palette[indices[i]];
}

void KetrelCopyRows(const u8* src, i32 srcPitch, u8* dst, i32 rowBytes, i32 rows)
{
    for (i32 y = 0; y < rows; ++y)
        std::memcpy(dst + (i64)y * rowBytes, src + (i64)y * srcPitch, (size_t)rowBytes);
}
