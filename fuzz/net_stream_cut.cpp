// Cuts a fuzzed byte stream into messages, fed in chunks whose sizes the first bytes
// choose. Every message handed on must be exactly one frame, and cutting in chunks must
// hand on the same messages as feeding the stream whole.
#include "engine/KetrelResult.h"
#include "net/BerRules.h"
#include "net/BerStreamCutter.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct Seen
{
    std::vector<std::string> messages;
};

void Collect(void* context, const u8* message, int size)
{
    if (size < 2 || BerGetFrameSize(message, size) != size)
        abort();
    static_cast<Seen*>(context)->messages.emplace_back(reinterpret_cast<const char*>(message), (size_t)size);
}

// The messages of the stream fed whole, up to the first refusal.
int FeedWhole(const u8* data, int size, Seen* seen)
{
    CBerStreamCutter cutter;
    return cutter.Feed(data, size, Collect, seen);
}
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 4 || size > 1 << 20)
        return 0;
    const u8 cuts[3] = {data[0], data[1], data[2]};
    const u8* stream = data + 3;
    const int n = (int)size - 3;

    Seen whole;
    const int wholeResult = FeedWhole(stream, n, &whole);

    Seen chunked;
    CBerStreamCutter cutter;
    int at = 0, k = 0, result = KE_OK;
    while (at < n && result == KE_OK)
    {
        int chunk = 1 + cuts[k++ % 3] % 64;
        if (chunk > n - at)
            chunk = n - at;
        // An exact-size copy, so the cutter cannot read past a chunk unnoticed.
        u8* copy = new u8[(size_t)chunk];
        memcpy(copy, stream + at, (size_t)chunk);
        result = cutter.Feed(copy, chunk, Collect, &chunked);
        delete[] copy;
        at += chunk;
    }
    if (result != wholeResult || chunked.messages != whole.messages)
        abort();
    return 0;
}
