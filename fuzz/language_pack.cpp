// fuzz/language_pack.cpp: a language text from hostile bytes (UTF-16LE), through the
// header scan and the table walk; the walk must end and never grow past its cap. When
// the bytes open as a media pack, its entry 0 is read as a language file first.
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "framework/BrixLanguage.h"

#include <cstdint>
#include <cstdlib>

namespace
{
void Parse(const CKetrelString& text)
{
    CBrixLanguageEntry entry;
    CBrixLanguage::ParseHeader(text, entry);
    if (entry.name.GetLength() > CBrixLanguage::MaxHeaderValue)
        abort();
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    if (table.GetCount() > CBrixLanguage::MaxTexts)
        abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CKetrelString text;
    u16* units = text.AllocBuffer((int)(size / 2) + 1);
    for (size_t i = 0; units && i < size / 2; ++i)
        units[i] = (u16)(data[2 * i] | (data[2 * i + 1] << 8));
    Parse(text);

    CKetrelFile* file = CKetrelFile::Create();
    if (file && size > 0 && file->OpenMemory(const_cast<uint8_t*>(data), (u32)size, KE_FILE_READ | KE_FILE_OWN_BUFFER) == KE_OK)
    {
        CKetrelMediaPack pack;
        if (pack.OpenStream(file, CKetrelString()) == KE_OK)
        {
            CKetrelString packText, digest;
            if (CBrixLanguage::ReadPackText(&pack, packText, digest) == KE_OK)
                Parse(packText);
        }
    }
    else
        delete file;
    return 0;
}
