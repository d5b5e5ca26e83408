#pragma once
// Item data packs for the owned-item tests: pack files written into a folder of their
// own, item descriptions and the lobby's seven-word item records.
#include "framework/BrixItemRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

typedef std::vector<std::pair<std::string, std::string>> PackEntries;

// A media pack file: "KMP2", count, directory {u16 name length, name, u32 record offset},
// records {u32 0, u32 size, data}.
inline std::string PackBytes(const PackEntries& entries)
{
    auto put32 = [](std::string& s, u32 v) {
        for (int b = 0; b < 4; ++b)
            s += (char)(v >> (8 * b));
    };
    size_t directory = 8;
    for (const auto& e : entries)
        directory += 2 + e.first.size() + 4;
    std::string head = "KMP2", records;
    put32(head, (u32)entries.size());
    for (const auto& e : entries)
    {
        head += (char)(e.first.size() & 0xFF);
        head += (char)(e.first.size() >> 8);
        head += e.first;
        put32(head, (u32)(directory + records.size()));
        put32(records, 0);
        put32(records, (u32)e.second.size());
        records += e.second;
    }
    return head + records;
}

inline std::string ItemXml(const std::string& attributes)
{
    return "<?xml version=\"1.0\"?>\n<item><attributes " + attributes + "/></item>";
}

// A folder of its own for the pack files "data_64_<pack>.vad", removed with them.
struct PackFolder
{
    PackFolder()
    {
        char name[] = "/tmp/jubitemsXXXXXX";
        dir = mkdtemp(name) ? name : "";
    }
    ~PackFolder()
    {
        for (const std::string& f : files)
            unlink(f.c_str());
        rmdir(dir.c_str());
    }
    std::string Path(int pack) const { return dir + "/data_64_" + std::to_string(pack) + ".vad"; }
    void Write(int pack, const std::string& bytes)
    {
        const std::string path = Path(pack);
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        files.push_back(path);
    }
    std::string dir;
    std::vector<std::string> files;
};

// A lobby record of an item: switched on or off, id, amount, pack and description file.
inline CItemData ItemRecord(i32 enabled, i32 id, i32 amount, i32 pack, i32 file)
{
    CItemData r;
    const i32 words[BRIX_ITEM_WORDS] = {enabled, id, amount, pack, 2, file, 4};
    for (i32 w = 0; w < BRIX_ITEM_WORDS; ++w)
        CBrixItemRecord::SetWord(r, w, words[w]);
    return r;
}
