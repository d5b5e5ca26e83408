// Data-file benchmarks: parsing a 1 MiB XML layout into a tree against expat's parse of
// the same text, and 10,000 name lookups in a 5,000-entry media pack against a hash map
// of the same names. Best of several rounds, side by side; ratio = our speed / the
// yardstick's (above 1 = faster).
#include "BenchSupport.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"

#include <expat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
using bench::BestSeconds;
using bench::Clock;

volatile u64 g_sink;

// A layout-like document of at least 1 MiB: areas with attributes, actions, text.
std::string MakeDocument()
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n<!-- generated -->\r\n<menu_root>\r\n";
    char line[512];
    for (int i = 0; doc.size() < (1u << 20); ++i)
    {
        std::snprintf(line, sizeof(line),
                      "\t<area name=\"area_%d\" x=\"0.%d\" y=\"0.%d\" w=\"0.5\" h=\"0.25\" color=\"0xFF%06X\">\r\n"
                      "\t\t<action event=\"event_%d\" target=\"//root//item_%d\"/>\r\n"
                      "\t\t<text font=\"small\" align=\"center\">Label %d &amp; more</text>\r\n"
                      "\t\t<image path=\"gfx/menu/icon_%d.png\" aspect=\"1\"/>\r\n"
                      "\t</area>\r\n",
                      i, i % 10, (i * 7) % 10, (unsigned)(i * 2654435761u) & 0xFFFFFF, i, i, i, i % 50);
        doc += line;
    }
    doc += "</menu_root>\r\n";
    return doc;
}

struct ExpatCounts
{
    u64 elements;
    u64 attributes;
    u64 textBytes;
};

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char** attrs)
{
    ExpatCounts* c = static_cast<ExpatCounts*>(data);
    ++c->elements;
    for (; *attrs; attrs += 2)
        ++c->attributes;
}

void XMLCALL OnEnd(void*, const XML_Char*) {}

void XMLCALL OnText(void* data, const XML_Char*, int len)
{
    static_cast<ExpatCounts*>(data)->textBytes += (u64)len;
}

u64 CountNodes(const CKetrelXMLDataNode* node)
{
    u64 n = 0;
    for (const CKetrelXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        n += 1 + (c->IsValueNode() ? 0 : CountNodes(c));
    return n;
}
}

int main()
{
    std::printf("%-12s %14s %14s %10s\n", "case", "ours (ms)", "yardstick (ms)", "ratio");

    // ---- XML: parse 1 MiB into a tree, against expat tokenising the same text ----
    const std::string doc = MakeDocument();
    std::vector<char> work(doc.size());
    u64 ourNodes = 0;
    const double ours = BestSeconds(15, [&] {
        // Parse blanks comments in place: every round starts from a fresh copy.
        std::memcpy(work.data(), doc.data(), doc.size());
        CKetrelXMLDataNode root;
        root.Parse(work.data(), (u32)work.size());
        ourNodes = CountNodes(&root);
    });
    ExpatCounts counts = {0, 0, 0};
    const double expat = BestSeconds(15, [&] {
        std::memcpy(work.data(), doc.data(), doc.size());
        counts = ExpatCounts{0, 0, 0};
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &counts);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        XML_SetCharacterDataHandler(parser, OnText);
        if (XML_Parse(parser, work.data(), (int)work.size(), 1) != XML_STATUS_OK)
            std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
    });
    g_sink = ourNodes + counts.elements;
    const double xmlRatio = expat / ours;
    std::printf("%-12s %14.2f %14.2f %10.3f   (%zu bytes; %llu nodes; expat: %llu elements, %llu attributes)\n",
                "xml_parse", ours * 1e3, expat * 1e3, xmlRatio, doc.size(), (unsigned long long)ourNodes,
                (unsigned long long)counts.elements, (unsigned long long)counts.attributes);

    // ---- Pack: 10,000 lookups by name among 5,000 entries, against a hash map ----
    const int kEntries = 5000, kLookups = 10000;
    std::vector<std::string> names;
    CKetrelMediaPackWriter writer;
    char name[64];
    for (int i = 0; i < kEntries; ++i)
    {
        std::snprintf(name, sizeof(name), "gfx/level_%02d/item_%04d.png", i % 40, i);
        names.push_back(name);
        const u32 payload = (u32)i;
        writer.AddEntry(CKetrelString(name), &payload, sizeof(payload));
    }
    u32 packSize = 0;
    u8* packBytes = writer.WriteToMemory(packSize);
    CKetrelFile* stream = new CKetrelFile();
    stream->OpenMemory(packBytes, packSize, KE_FILE_OWN_BUFFER);
    delete[] packBytes;
    CKetrelMediaPack pack;
    if (pack.OpenStream(stream, CKetrelString()) != KE_OK)
    {
        std::fprintf(stderr, "the benchmark pack does not open\n");
        return 1;
    }
    std::vector<CKetrelString> queries;
    std::vector<std::string> narrowQueries;
    u32 seed = 2024;
    for (int i = 0; i < kLookups; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        const std::string& n = names[(seed >> 8) % (u32)kEntries];
        queries.push_back(CKetrelString(n.c_str()));
        narrowQueries.push_back(n);
    }
    const double oursPack = BestSeconds(3, [&] {
        u64 sum = 0;
        for (const CKetrelString& q : queries)
        {
            const u32 size = pack.SeekEntry(q, 0);
            u32 payload = 0;
            pack.GetFile()->Read(&payload, size);
            sum += payload;
        }
        g_sink = sum;
    });
    std::unordered_map<std::string, u32> index;
    for (int i = 0; i < kEntries; ++i)
        index.emplace(names[i], (u32)i);
    const double mapPack = BestSeconds(3, [&] {
        u64 sum = 0;
        for (const std::string& q : narrowQueries)
        {
            auto it = index.find(q);
            if (it != index.end())
                sum += it->second;
        }
        g_sink = sum;
    });
    const double packRatio = mapPack / oursPack;
    std::printf("%-12s %14.2f %14.2f %10.5f   (%d lookups, %d entries, linear first-match scan)\n", "pack_lookup",
                oursPack * 1e3, mapPack * 1e3, packRatio, kLookups, kEntries);

    std::printf("BENCH xml_parse ratio=%.3f\n", xmlRatio);
    std::printf("BENCH pack_lookup ratio=%.5f\n", packRatio);
    return 0;
}
