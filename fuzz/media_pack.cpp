// fuzz/media_pack.cpp: opens a pack from bytes and reads every entry through each
// kind of lookup, descrambling what it reads.
#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
void ReadAll(CKetrelMediaPack& pack, u32 size, bool descramble)
{
    CKetrelFile* file = pack.GetFile();
    if (!file || size == 0)
        return;
    // Open checked every record against the file: the size is never beyond it.
    if ((u64)file->GetPosition() + size > (u64)file->GetSize())
        abort();
    u8* buffer = new u8[size];
    if (file->Read(buffer, size) != size)
        abort();
    if (descramble)
    {
        CKetrelDataScrambler scrambler;
        scrambler.Descramble(buffer, size, *pack.GetKey());
    }
    delete[] buffer;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CKetrelFile* stream = new CKetrelFile();
    if (size > 0)
        stream->OpenMemory(const_cast<uint8_t*>(data), (u32)size, KE_FILE_OWN_BUFFER);
    CKetrelMediaPack pack;
    // Odd lengths open with a key, so the descrambling path is reached too.
    const CKetrelString key((size & 1) ? "fuzz key" : "");
    if (pack.OpenStream(stream, key) != KE_OK)
        return 0;
    const bool descramble = pack.GetKey() != nullptr;
    const i32 count = pack.GetEntryCount();
    for (i32 i = 0; i < count; ++i)
    {
        const CKetrelString& name = pack.GetEntryAt(i)->GetName();
        ReadAll(pack, pack.SeekEntry(CKetrelString(), (u32)i), descramble);
        ReadAll(pack, pack.SeekEntry(name, 0), descramble);
        const i32 slash = name.ReverseFind('/', -1);
        const CKetrelString fileName(name, slash + 1, -1);
        ReadAll(pack, pack.SeekEntryByFileName(fileName), descramble);
        if (name.GetLength() > 2)
            ReadAll(pack, pack.SeekEntry(CKetrelString(name, 1, name.GetLength() - 2), 0), descramble);
    }
    pack.SeekEntry(CKetrelString("x"), (u32)count);
    pack.GetEntryAt(count);
    return 0;
}
