// fuzz/bitmap_font.cpp: a bitmap font descriptor and a text to draw with it.
// Input: the descriptor's XML, a 0 byte, one byte of text flags, then the text
// (8-bit characters, or 16-bit units when bit 4 of the flags byte is set;
// colour markup welcome). The descriptor is loaded from an in-memory pack
// whose "page.png" is a small 32 x 32 page of varied coverage (small, so that
// decoding it costs little per run); the text is measured, wrapped and drawn
// into software surfaces of two formats.
#include "engine/KetrelApplication.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

FuzzApplication* g_owner = nullptr;

// 32 x 32 RGBA PNG: white, alpha in seven steps, cells of 5 x 9 with gaps.
const u8 kPage[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x08, 0x06, 0x00, 0x00, 0x00, 0x73, 0x7a, 0x7a,
    0xf4, 0x00, 0x00, 0x00, 0x57, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0xed, 0x94, 0xb1, 0x09, 0x00,
    0x20, 0x0c, 0x04, 0x7f, 0x1e, 0xe7, 0x71, 0x1e, 0xe7, 0x71, 0x1e, 0xe7, 0x11, 0x62, 0x04, 0x85,
    0x20, 0xe9, 0x6d, 0xae, 0xb8, 0xc2, 0x3c, 0x86, 0x83, 0x87, 0xc8, 0xcc, 0xe4, 0x54, 0xa7, 0x3b,
    0xd3, 0x29, 0x67, 0x36, 0x92, 0x6c, 0xbf, 0x5b, 0x92, 0xe9, 0xfc, 0x7b, 0x33, 0x85, 0x9d, 0x31,
    0xd3, 0xdd, 0x29, 0x04, 0x10, 0x40, 0x00, 0x81, 0x30, 0xf8, 0x02, 0x15, 0x20, 0x80, 0x00, 0x02,
    0x5c, 0x42, 0x2a, 0x40, 0x00, 0x01, 0x04, 0xb8, 0x84, 0x54, 0xb0, 0x00, 0xfb, 0xb8, 0x71, 0x64,
    0xc7, 0x9e, 0xb9, 0x0e, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82
};

const u32 kFlagChoices[8] = {0,
                             KE_TEXT_MULTILINE,
                             KE_TEXT_MULTILINE | KE_TEXT_CENTER_X | KE_TEXT_CENTER_Y,
                             KE_TEXT_RIGHT | KE_TEXT_MULTILINE,
                             KE_TEXT_NO_MARKUP,
                             KE_TEXT_BLEND,
                             KE_TEXT_NOCLIP | KE_TEXT_MULTILINE,
                             KE_TEXT_CENTER_X | KE_TEXT_BLEND};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Never reach a real X server: fonts here draw only in software.
    unsetenv("DISPLAY");
    g_owner = new FuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const uint8_t* zero = (const uint8_t*)memchr(data, 0, size);
    size_t xmlSize = zero ? (size_t)(zero - data) : size;
    u32 flags = 0;
    CKetrelString text;
    if (zero && xmlSize + 1 < size)
    {
        uint8_t choice = data[xmlSize + 1];
        flags = kFlagChoices[choice & 7] | ((choice & 8) ? KE_TEXT_MULTILINE : 0);
        if (choice & 16)
        {
            // 16-bit units, little-endian: units above 255 (lone surrogates
            // too) send the text to the system font.
            for (size_t i = xmlSize + 2; i + 1 < size; i += 2)
                text.Append((u16)(data[i] | data[i + 1] << 8));
        }
        else
        {
            for (size_t i = xmlSize + 2; i < size; ++i)
                text.Append((u16)data[i]);
        }
    }
    if (xmlSize == 0)
        return 0;

    CKetrelMediaPackWriter writer;
    writer.AddEntry(CKetrelString("font.xml"), data, (u32)xmlSize);
    writer.AddEntry(CKetrelString("page.png"), kPage, (u32)sizeof(kPage));
    u32 packSize = 0;
    u8* bytes = writer.WriteToMemory(packSize);
    if (!bytes)
        return 0;
    CKetrelFile* file = new CKetrelFile();
    CKetrelMediaPack pack;
    int rc = file->OpenMemory(bytes, packSize, KE_FILE_READ | KE_FILE_OWN_BUFFER);
    delete[] bytes;
    if (rc != KE_OK)
    {
        delete file;
        return 0;
    }
    if (pack.OpenStream(file, CKetrelString()) != KE_OK)
        return 0;

    CKetrelBitmapFont font;
    rc = font.LoadFromPack(g_owner, &pack, CKetrelString("font.xml"), 0);
    if (rc != KE_OK || text.IsEmpty())
        return 0;

    CKetrelRect measure(3, 4, 60, 0);
    font.MeasureText(&measure, text);
    font.GetTextWidth(text, flags);
    CKetrelString wrapped(text);
    font.WrapText(CKetrelRect(0, 0, 40, 40), wrapped, flags);

    const int formats[2] = {KE_PF_ABGR8888, KE_PF_RGB565};
    for (int format : formats)
    {
        CKetrelSurface target;
        CKetrelSurfaceDesc desc = {};
        desc.width = 48;
        desc.height = 24;
        desc.pixelFormat = format;
        if (target.Create(nullptr, &desc) != KE_OK)
            continue;
        target.FillRect(0, nullptr);
        CKetrelRect rect(-4, 2, 40, 30);
        CKetrelTextBatch batch;
        font.DrawText(&rect, &target, text, 0xC0FF8040, flags, &batch);
        target.Release();
    }
    font.SetScale(1.5f);
    font.GetTextWidth(text, flags);
    return 0;
}
