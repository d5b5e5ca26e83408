// Format with fuzzed format texts (language texts arrive from the server and are used
// as formats) against a fixed list of arguments of every kind.
#include "engine/KetrelString.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size > 8192)
        return 0;
    // Bytes as 16-bit units, little-endian, so every unit value can occur.
    std::vector<u16> format(size / 2 + 1, 0);
    for (size_t i = 0; i + 1 < size; i += 2)
        format[i / 2] = (u16)(data[i] | (data[i + 1] << 8));

    const CKetrelString name(L"player");
    const u16* none = nullptr;
    CKetrelString out;
    out.Format(format.data(), 42, -7, 3.25, name, L"wide", "narrow", 0xBEEFu, none, 1.0f,
               (i64)-1, &name);
    CKetrelString missing;
    missing.Format(format.data());
    CKetrelString wrong;
    wrong.Format(format.data(), 2.5, 1, name);
    return 0;
}
