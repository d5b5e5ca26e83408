// UTF-8 text from the network into engine strings: no read past the given bytes, no
// 0 unit, and whatever comes out survives its own UTF-8 round trip.
#include "engine/KetrelString.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size > 65536)
        return 0;
    std::vector<char> exact(data, data + size);   // no terminator: the limit must hold
    CKetrelString s;
    s.FromUTF8(exact.data(), (int)size);
    for (int i = 0; i < s.GetLength(); ++i)
        if (s.GetBuffer()[i] == 0)
            std::abort();

    std::vector<char> bytes((size_t)s.ToUTF8(nullptr));
    if ((int)bytes.size() != s.ToUTF8(bytes.data()))
        std::abort();
    CKetrelString back;
    back.FromUTF8(bytes.data(), -1);
    if (back.Compare(s) != 0)
        std::abort();

    std::vector<char> terminated(data, data + size);
    terminated.push_back(0);
    CKetrelString unlimited;
    unlimited.FromUTF8(terminated.data(), -1);
    if (std::memchr(data, 0, size) == nullptr && unlimited.Compare(s) != 0)
        std::abort();
    return 0;
}
