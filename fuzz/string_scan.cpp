// Scan over fuzzed text with the formats the program reads server and XML text with.
// The first byte picks the format; the rest is the text, as UTF-8.
#include "engine/KetrelString.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static const wchar_t* const formats[] = {
        L"%d", L"%d,%d", L"%f", L"%x", L"%s", L"%d %d %d", L"%d.%d.%d %d:%d:%d",
        L"%s,%d", L"%s %s", L"%f,%f", L"%d%s", L"#%x",
    };
    if (size < 1 || size > 4096)
        return 0;
    const wchar_t* format = formats[data[0] % (sizeof formats / sizeof *formats)];
    CKetrelString text;
    text.FromUTF8(reinterpret_cast<const char*>(data + 1), (int)size - 1);

    i32 n[6] = {0, 0, 0, 0, 0, 0};
    float f[2] = {0, 0};
    // Guards around the text buffers catch a write past their capacity.
    u16 first[10], second[6];
    for (u16& u : first)
        u = 0xABCD;
    for (u16& u : second)
        u = 0xABCD;
    int stored = 0;
    switch (data[0] % (sizeof formats / sizeof *formats))
    {
    case 2: stored = text.Scan(format, &f[0]); break;
    case 4: stored = text.Scan(format, CKetrelScanText{first, 8}); break;
    case 7: stored = text.Scan(format, CKetrelScanText{first, 8}, &n[0]); break;
    case 8: stored = text.Scan(format, CKetrelScanText{first, 8}, CKetrelScanText{second, 4}); break;
    case 9: stored = text.Scan(format, &f[0], &f[1]); break;
    case 10: stored = text.Scan(format, &n[0], CKetrelScanText{first, 8}); break;
    default: stored = text.Scan(format, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]); break;
    }
    if (stored < 0 || stored > 6 || first[8] != 0xABCD || first[9] != 0xABCD || second[4] != 0xABCD)
        std::abort();
    return 0;
}
