// Resource manager benchmarks.
//  pack_register: adding a 5,000-entry pack (open, description, registration of every
//    entry by bare name in sorted maps) against opening the same pack and putting the
//    same bare names into a std::unordered_map.
//  resource_loads: a layout-like sequence of 2,000 raw loads that alternates between
//    two packs (the manager keeps one pack file open and reopens the other on each
//    switch) against the same loads from two packs whose directories stay open.
// Best of several rounds, side by side; ratio = our speed / the yardstick's (above 1 =
// faster).
#include "BenchSupport.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "framework/BrixMediaPackMeta.h"
#include "framework/BrixResourceManager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace
{
using bench::BestSeconds;
using bench::Clock;

volatile u64 g_sink;

const char* const kKinds[] = {".png", ".jpg", ".wav", ".ogg", ".fnt", ".xml", ".scn", ".txt"};

// A pack of count entries spread over folders and kinds, each a few dozen bytes.
bool WritePack(const std::string& path, const std::string& prefix, int count)
{
    CKetrelMediaPackWriter writer;
    for (int i = 0; i < count; ++i)
    {
        char name[96];
        std::snprintf(name, sizeof(name), "/%s/dir%02d/%s_%05d%s", prefix.c_str(), i % 37,
                      prefix.c_str(), i, kKinds[i % 8]);
        std::string data(24 + i % 40, (char)('a' + i % 26));
        if (writer.AddEntry(CKetrelString(name), data.data(), (u32)data.size()) != KE_OK)
            return false;
    }
    return writer.Write(CKetrelString(path.c_str())) == KE_OK;
}

std::string BareName(const std::string& prefix, int i)
{
    char name[64];
    std::snprintf(name, sizeof(name), "%s_%05d%s", prefix.c_str(), i, kKinds[i % 8]);
    return name;
}

} // namespace

int main()
{
    char folder[] = "/tmp/bench_resources.XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string big = std::string(folder) + "/big.vad";
    const std::string packA = std::string(folder) + "/lobby.vad";
    const std::string packB = std::string(folder) + "/fonts.vad";
    if (!WritePack(big, "big", 5000) || !WritePack(packA, "lobby", 400) ||
        !WritePack(packB, "fonts", 400))
        return 1;

    // ---- pack_register ----
    const CKetrelString bigPath(big.c_str());
    const double ours = BestSeconds(7, [&] {
        CBrixResourceManager manager;
        manager.Init(nullptr, nullptr);
        g_sink += (u64)manager.AddMediaPack(bigPath, 1, 0);
    });
    const double yard = BestSeconds(7, [&] {
        CKetrelMediaPack pack;
        if (pack.Open(bigPath, CKetrelString()) != KE_OK)
            std::abort();
        std::unordered_map<std::u16string, int> names;
        CKetrelString bare;
        for (i32 i = 0; i < pack.GetEntryCount(); ++i)
        {
            BrixBareFileName(pack.GetEntryAt(i)->GetName(), bare);
            const u16* units = bare.GetBuffer();
            names.emplace(std::u16string(units, units + bare.GetLength()), i);
        }
        g_sink += names.size();
    });

    // ---- resource_loads ----
    // A layout pulls an image, then a font, then text, so every other load switches pack.
    std::vector<CKetrelString> order;
    for (int i = 0; i < 1000; ++i)
    {
        order.push_back(CKetrelString(BareName("lobby", (i * 7) % 400).c_str()));
        order.push_back(CKetrelString(BareName("fonts", (i * 11) % 400).c_str()));
    }
    std::vector<int> fromA;
    for (int i = 0; i < 1000; ++i)
    {
        fromA.push_back(1);
        fromA.push_back(0);
    }
    CBrixResourceManager manager;
    manager.Init(nullptr, nullptr);
    manager.AddMediaPack(CKetrelString(packA.c_str()), 1, 0);
    manager.AddMediaPack(CKetrelString(packB.c_str()), 1, 0);
    const double loadsOurs = BestSeconds(5, [&] {
        for (const CKetrelString& name : order)
        {
            char* data = nullptr;
            g_sink += (u64)manager.LoadFileData(name, &data);
            delete[] data;
        }
    });
    CKetrelMediaPack openA, openB;
    openA.Open(CKetrelString(packA.c_str()), CKetrelString());
    openB.Open(CKetrelString(packB.c_str()), CKetrelString());
    const double loadsYard = BestSeconds(5, [&] {
        for (size_t i = 0; i < order.size(); ++i)
        {
            CKetrelMediaPack& pack = fromA[i] ? openA : openB;
            CKetrelString path(L"/");
            path.Append(order[i]);
            const u32 size = pack.SeekEntry(path, 0);
            char* data = new char[(size_t)size + 1];
            g_sink += pack.GetFile()->Read(data, size);
            data[size] = 0;
            delete[] data;
        }
    });

    std::printf("%-18s %14s %14s %8s\n", "benchmark", "ours (ms)", "yardstick (ms)", "ratio");
    std::printf("%-18s %14.3f %14.3f %8.3f\n", "pack_register", ours * 1e3, yard * 1e3, yard / ours);
    std::printf("%-18s %14.3f %14.3f %8.3f\n", "resource_loads", loadsOurs * 1e3, loadsYard * 1e3,
                loadsYard / loadsOurs);
    std::printf("BENCH pack_register ratio=%.3f\n", yard / ours);
    std::printf("BENCH resource_loads ratio=%.3f\n", loadsYard / loadsOurs);

    std::string command = std::string("rm -rf '") + folder + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", folder);
    return 0;
}
