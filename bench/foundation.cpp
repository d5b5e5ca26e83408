// Foundation benchmarks: MD5 throughput against OpenSSL, Format of a typical line
// against snprintf, and pointer-array appends against std::vector. Each pair is run
// side by side, best of several rounds; ratio = our speed / the yardstick's.
#include "BenchSupport.h"
#include "engine/KetrelMD5.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
using bench::BestSeconds;
using bench::Clock;

volatile u32 g_sink;

void Row(const char* name, const char* unit, double ours, double yardstick, const char* yardstickName)
{
    std::printf("%-10s %12.1f %-8s %12.1f %-8s (%s)\n", name, ours, unit, yardstick, unit, yardstickName);
}
}

int main()
{
    std::printf("%-10s %21s %21s\n", "case", "ours", "yardstick");

    // MD5 of 64 MiB.
    const size_t md5Bytes = 64u << 20;
    std::vector<u8> data(md5Bytes);
    u32 seed = 12345;
    for (u8& b : data)
    {
        seed = seed * 1664525u + 1013904223u;
        b = (u8)(seed >> 24);
    }
    u8 theirDigest[EVP_MAX_MD_SIZE];
    unsigned theirLength = 0;
    CKetrelMD5 md5;
    double oursMd5 = 1e30, theirsMd5 = 1e30;
    for (int r = 0; r < 3; ++r)
    {
        oursMd5 = std::min(oursMd5, BestSeconds(1, [&] { md5.DigestBuffer(data.data(), (u32)data.size()); }));
        theirsMd5 = std::min(theirsMd5, BestSeconds(1, [&] {
            EVP_Digest(data.data(), data.size(), theirDigest, &theirLength, EVP_md5(), nullptr);
        }));
    }
    if (theirLength != 16 || std::memcmp(theirDigest, md5.GetDigest(), 16) != 0)
    {
        std::printf("md5 digests differ\n");
        return 1;
    }
    const double mib = (double)md5Bytes / (1 << 20);
    Row("md5", "MiB/s", mib / oursMd5, mib / theirsMd5, "OpenSSL EVP md5");
    std::printf("BENCH md5 ratio=%.3f\n", theirsMd5 / oursMd5);

    // A typical line: a name, a score pair, a clock and a hex id.
    const int lines = 200000;
    const CKetrelString name(L"player_one");
    const char* narrowName = "player_one";
    double oursFormat = BestSeconds(5, [&] {
        CKetrelString s;
        for (int i = 0; i < lines; ++i)
        {
            s.Format(L"%s: %d/%d %02d:%02d id %x", name, i, 30, i % 60, i % 24, (u32)i * 2654435761u);
            g_sink += (u32)s.GetLength();
        }
    });
    double theirsFormat = BestSeconds(5, [&] {
        char buffer[128];
        for (int i = 0; i < lines; ++i)
        {
            const int n = std::snprintf(buffer, sizeof buffer, "%s: %d/%d %02d:%02d id %x", narrowName, i, 30,
                                        i % 60, i % 24, (u32)i * 2654435761u);
            g_sink += (u32)n;
        }
    });
    Row("format", "klines/s", lines / oursFormat / 1000, lines / theirsFormat / 1000, "snprintf");
    std::printf("BENCH format ratio=%.3f\n", theirsFormat / oursFormat);

    // 100,000 appends.
    const int adds = 100000;
    double oursAdd = BestSeconds(3, [&] {
        CKetrelPtrArray array;
        for (int i = 0; i < adds; ++i)
            array.Add(&data[(size_t)i]);
        g_sink += (u32)array.GetCount();
    });
    double theirsAdd = BestSeconds(3, [&] {
        std::vector<void*> vector;
        for (int i = 0; i < adds; ++i)
            vector.push_back(&data[(size_t)i]);
        g_sink += (u32)vector.size();
    });
    Row("ptrarray", "Madds/s", adds / oursAdd / 1e6, adds / theirsAdd / 1e6, "std::vector");
    std::printf("BENCH ptrarray ratio=%.4f\n", theirsAdd / oursAdd);
    return 0;
}
