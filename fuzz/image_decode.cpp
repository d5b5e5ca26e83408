// Image decoding from memory: PNG and JPEG data (and anything else) into every
// pixel format, optionally scaled, and images with "_alpha" companions inside
// media packs (whose entries come from the server as well).
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelSurface.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 22))
        return 0;
    // Byte 0: pixel format 2-7 (low bits), and which path; byte 1: requested size.
    const int format = 2 + (data[0] & 7) % 6;
    const bool packPath = (data[0] & 0x80) != 0;
    const int request = data[1] & 0x3F;
    CKetrelSurfaceDesc desc = {0, 0, 0, format, 0, 0};
    if (data[1] & 0x40)
    {
        desc.width = request;
        desc.height = (data[1] & 0x80) ? request : 0;
    }
    const uint8_t* body = data + 2;
    const size_t bodySize = size - 2;
    CKetrelSurface surface;
    if (!packPath)
    {
        surface.LoadFromMemory(nullptr, body, (int)bodySize, &desc);
        // Decoding twice at the same size reuses the surface.
        surface.LoadFromMemory(nullptr, body, (int)bodySize, &desc);
    }
    else
    {
        CKetrelFile* stream = CKetrelFile::Create();
        if (!stream || stream->OpenMemory(const_cast<uint8_t*>(body), (uint32_t)bodySize, 8) != 1)
        {
            delete stream;
            return 0;
        }
        CKetrelMediaPack pack;
        const CKetrelString key(data[1] & 1 ? "fuzzkey" : "");
        if (pack.OpenStream(stream, key) == 1 && pack.GetEntryCount() > 0)
        {
            desc.flags = 32;   // with the companion
            const CKetrelString name = pack.GetEntryAt(0)->GetName();
            surface.LoadFromPack(nullptr, &pack, name, 0, &desc);
            surface.LoadFromPack(nullptr, &pack, CKetrelString(""), 0, &desc);
        }
    }
    if (surface.GetPixels())
    {
        // The decoded surface must be whole: read its last pixel.
        volatile uint32_t last = surface.GetPixel(surface.GetWidth() - 1, surface.GetHeight() - 1);
        (void)last;
    }
    return 0;
}
