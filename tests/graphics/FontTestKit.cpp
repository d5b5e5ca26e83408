#include "FontTestKit.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"

std::unique_ptr<CKetrelMediaPack> MakeFontPack(const std::string& descriptor)
{
    CKetrelMediaPackWriter writer;
    writer.AddEntry(CKetrelString("font.xml"), descriptor.data(), (u32)descriptor.size());
    writer.AddEntry(CKetrelString("page.png"), KetrelDefaultFont::kPageImage,
                    (u32)KetrelDefaultFont::kPageImageSize);
    u32 size = 0;
    u8* bytes = writer.WriteToMemory(size);
    std::unique_ptr<CKetrelMediaPack> pack(new CKetrelMediaPack());
    CKetrelFile* file = new CKetrelFile();
    if (!bytes || file->OpenMemory(bytes, size, KE_FILE_READ | KE_FILE_OWN_BUFFER) != KE_OK ||
        pack->OpenStream(file, CKetrelString()) != KE_OK)
        pack.reset();
    delete[] bytes;
    return pack;
}

int LoadFontText(CKetrelBitmapFont& font, IKetrelApplication* owner, const std::string& descriptor)
{
    std::unique_ptr<CKetrelMediaPack> pack = MakeFontPack(descriptor);
    if (!pack)
        return -1;
    return font.LoadFromPack(owner, pack.get(), CKetrelString("font.xml"), 0);
}

std::string Descriptor(const std::string& chars, int count, const char* common)
{
    int n = 0;
    for (size_t p = chars.find("<char "); p != std::string::npos; p = chars.find("<char ", p + 1))
        ++n;
    if (count == -2)
        count = n;
    return "<font><info bold=\"0\"/>" +
           std::string(common ? common : "<common lineHeight=\"10\"/>") +
           "<pages><page id=\"0\" file=\"page.png\"/></pages><chars count=\"" +
           std::to_string(count) + "\">" + chars + "</chars></font>";
}

CKetrelString Text(const char* s)
{
    return CKetrelString(s);
}
