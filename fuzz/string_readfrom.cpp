// Strings read back from a stored stream whose bytes may be corrupt.
#include "engine/KetrelFile.h"
#include "engine/KetrelString.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size == 0 || size > 65536)
        return 0;
    std::vector<u8> bytes(data, data + size);
    CKetrelFile file;
    if (file.OpenMemory(bytes.data(), (u32)bytes.size(), 0) != KE_OK)
        return 0;
    CKetrelString s;
    for (;;)
    {
        const i32 before = file.GetPosition();
        const int read = s.ReadFrom(&file);
        if (read < 0 || file.GetPosition() != before + read || file.GetPosition() > (i32)size)
            std::abort();
        if (read == 0)
            break;
        if (read != 4 + 2 * s.GetLength())
            std::abort();
    }
    return 0;
}
