// tests/engine/PackTestHelpers.cpp
#include "PackTestHelpers.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"

std::vector<u8> BuildPack(const std::vector<PackItem>& items)
{
    CKetrelMediaPackWriter writer;
    for (const PackItem& item : items)
        if (writer.AddEntry(CKetrelString(item.name.c_str()), item.data.data(), (u32)item.data.size()) != KE_OK)
            return std::vector<u8>();
    u32 size = 0;
    u8* bytes = writer.WriteToMemory(size);
    std::vector<u8> out(bytes, bytes + size);
    delete[] bytes;
    return out;
}

int OpenPackBytes(CKetrelMediaPack& pack, const std::vector<u8>& bytes, const CKetrelString& key)
{
    CKetrelFile* stream = new CKetrelFile();
    if (!bytes.empty())
        stream->OpenMemory(const_cast<u8*>(bytes.data()), (u32)bytes.size(), KE_FILE_OWN_BUFFER);
    return pack.OpenStream(stream, key);
}

std::string ReadCurrent(CKetrelMediaPack& pack, u32 size)
{
    std::string out(size, '\0');
    u32 got = pack.GetFile() ? pack.GetFile()->Read(&out[0], size) : 0;
    out.resize(got);
    return out;
}

void PutLE32At(std::vector<u8>& bytes, size_t at, u32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = (u8)(value >> (8 * i));
}
