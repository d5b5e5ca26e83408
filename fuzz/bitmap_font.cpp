// fuzz/bitmap_font.cpp: a bitmap font descriptor and a text to draw with it.
// Input: the descriptor's XML, a 0 byte, one byte of text flags, then the text
// (8-bit characters, colour markup welcome). The descriptor is loaded from an
// in-memory pack whose "page.png" is the built-in font's page; the text is
// measured, wrapped and drawn into software surfaces of two formats.
#include "engine/KetrelApplication.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"
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
        for (size_t i = xmlSize + 2; i < size; ++i)
            text.Append((u16)data[i]);
    }
    if (xmlSize == 0)
        return 0;

    CKetrelMediaPackWriter writer;
    writer.AddEntry(CKetrelString("font.xml"), data, (u32)xmlSize);
    writer.AddEntry(CKetrelString("page.png"), KetrelDefaultFont::kPageImage,
                    (u32)KetrelDefaultFont::kPageImageSize);
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
