#include "engine/KetrelColor.h"

namespace
{
f32 ByteToChannel(u32 byte)
{
    return (f32)((f64)(byte & 0xFF) / 255.0);
}

u32 ChannelToByte(f32 channel)
{
    f32 scaled = channel * 255.0f;
    if (!(scaled > 0.0f))       // also NaN
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return (u32)scaled;
}
}

void CKetrelColor::SetARGB(u32 argb)
{
    a = ByteToChannel(argb >> 24);
    r = ByteToChannel(argb >> 16);
    g = ByteToChannel(argb >> 8);
    b = ByteToChannel(argb);
}

u32 CKetrelColor::GetARGB() const
{
    return (ChannelToByte(a) << 24) | (ChannelToByte(r) << 16) | (ChannelToByte(g) << 8) |
           ChannelToByte(b);
}
