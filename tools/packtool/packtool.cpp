// tools/packtool/packtool.cpp
// Makes, lists, extracts and checks media packs.
//
//   packtool create <pack> <folder>           every file below folder, named by its
//                                             path relative to it ('/' separators)
//   packtool create <pack> <entry>...         each entry a file path (its name as
//                                             given) or name=path
//   packtool list <pack>
//   packtool extract <pack> <folder>
//   packtool verify <pack> [<folder>]         every entry readable and found by its
//                                             own name; with a folder, the same files
//
// A pack is written only when the engine's reader gives every entry back byte for byte;
// otherwise nothing is left behind. Exit status 0 on success, 1 on failure, 2 on misuse.
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Names and paths are 8-bit text: one byte per character.
CKetrelString Widen(const std::string& s)
{
    CKetrelString out;
    u16* units = out.AllocBuffer((int)s.size() + 1);
    for (size_t i = 0; units && i < s.size(); ++i)
        units[i] = (u8)s[i];
    return out;
}

std::string Narrow(const CKetrelString& s)
{
    std::string out;
    const u16* units = s.GetBuffer();
    for (i32 i = 0; i < s.GetLength(); ++i)
        out.push_back((char)(u8)units[i]);
    return out;
}

bool ReadWholeFile(const std::string& path, std::vector<u8>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::vector<u8>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(data.data()), (std::streamsize)data.size());
    return (bool)out;
}

// Entry bytes of the entry at index, or false when the pack cannot give them.
bool ReadEntry(CKetrelMediaPack& pack, i32 index, std::vector<u8>& out)
{
    u32 size = pack.SeekEntry(CKetrelString(), (u32)index);
    out.resize(size);
    return size == 0 || pack.GetFile()->Read(out.data(), size) == size;
}

struct Source
{
    std::string name;
    std::string path;
};

bool CollectFolder(const std::string& folder, std::vector<Source>& out)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec), end;
    if (ec)
    {
        fprintf(stderr, "packtool: cannot read folder %s\n", folder.c_str());
        return false;
    }
    for (; it != end; it.increment(ec))
    {
        if (ec)
        {
            fprintf(stderr, "packtool: cannot read folder %s\n", folder.c_str());
            return false;
        }
        if (!it->is_regular_file())
            continue;
        out.push_back({it->path().lexically_relative(folder).generic_string(), it->path().string()});
    }
    // Byte order, so that the same folder always gives the same pack.
    std::sort(out.begin(), out.end(), [](const Source& a, const Source& b) { return a.name < b.name; });
    return true;
}

// Every entry is read back through the engine's reader and found by its own name.
// With expected, the names and bytes must also match it in order.
bool CheckPack(const std::string& packPath, const std::vector<std::pair<std::string, std::vector<u8>>>* expected)
{
    CKetrelMediaPack pack;
    int rc = pack.Open(Widen(packPath), CKetrelString());
    if (rc != KE_OK)
    {
        fprintf(stderr, "packtool: %s: cannot open as a pack (result %d)\n", packPath.c_str(), rc);
        return false;
    }
    const i32 count = pack.GetEntryCount();
    if (expected && (size_t)count != expected->size())
    {
        fprintf(stderr, "packtool: %s: %d entries, expected %zu\n", packPath.c_str(), count, expected->size());
        return false;
    }
    bool ok = true;
    std::vector<u8> bytes;
    for (i32 i = 0; i < count; ++i)
    {
        const CKetrelMediaPackEntry* entry = pack.GetEntryAt(i);
        const std::string name = Narrow(entry->GetName());
        if (!ReadEntry(pack, i, bytes))
        {
            fprintf(stderr, "packtool: %s: entry %s cannot be read\n", packPath.c_str(), name.c_str());
            ok = false;
            continue;
        }
        const i32 dataAt = pack.GetFile()->GetPosition() - (i32)bytes.size();
        pack.SeekEntry(entry->GetName(), 0);
        if (pack.GetFile()->GetPosition() != dataAt)
        {
            fprintf(stderr, "packtool: %s: looking up %s finds another entry\n", packPath.c_str(), name.c_str());
            ok = false;
        }
        if (expected && ((*expected)[i].first != name || (*expected)[i].second != bytes))
        {
            fprintf(stderr, "packtool: %s: entry %s differs from %s\n", packPath.c_str(), name.c_str(),
                    (*expected)[i].first.c_str());
            ok = false;
        }
    }
    return ok;
}

int Create(const std::string& packPath, const std::vector<std::string>& args)
{
    std::vector<Source> sources;
    std::error_code ec;
    if (args.size() == 1 && fs::is_directory(args[0], ec))
    {
        if (!CollectFolder(args[0], sources))
            return 1;
    }
    else
    {
        for (const std::string& a : args)
        {
            size_t eq = a.find('=');
            if (eq != std::string::npos)
                sources.push_back({a.substr(0, eq), a.substr(eq + 1)});
            else
                sources.push_back({a, a});
        }
    }
    if (sources.empty())
    {
        fprintf(stderr, "packtool: nothing to pack\n");
        return 1;
    }

    CKetrelMediaPackWriter writer;
    std::vector<std::pair<std::string, std::vector<u8>>> expected;
    for (const Source& s : sources)
    {
        std::vector<u8> data;
        if (!ReadWholeFile(s.path, data))
        {
            fprintf(stderr, "packtool: cannot read %s\n", s.path.c_str());
            return 1;
        }
        int rc = writer.AddEntry(Widen(s.name), data.data(), (u32)data.size());
        if (rc != KE_OK)
        {
            if (writer.GetConflict() >= 0)
                fprintf(stderr, "packtool: entry names %s and %s: one contains the other, so a "
                        "lookup by name could not tell them apart\n",
                        Narrow(writer.GetName(writer.GetConflict())).c_str(), s.name.c_str());
            else
                fprintf(stderr, "packtool: cannot add %s (result %d)\n", s.name.c_str(), rc);
            return 1;
        }
        if (data.size() > 0x7FFFFFFFu)
        {
            fprintf(stderr, "packtool: %s is too large\n", s.path.c_str());
            return 1;
        }
        expected.emplace_back(s.name, std::move(data));
    }

    int rc = writer.Write(Widen(packPath));
    if (rc != KE_OK)
    {
        fprintf(stderr, "packtool: cannot write %s (result %d)\n", packPath.c_str(), rc);
        return 1;
    }
    if (!CheckPack(packPath, &expected))
    {
        fs::remove(packPath, ec);
        fprintf(stderr, "packtool: %s did not read back as written; removed\n", packPath.c_str());
        return 1;
    }
    return 0;
}

int List(const std::string& packPath)
{
    CKetrelMediaPack pack;
    int rc = pack.Open(Widen(packPath), CKetrelString());
    if (rc != KE_OK)
    {
        fprintf(stderr, "packtool: %s: cannot open as a pack (result %d)\n", packPath.c_str(), rc);
        return 1;
    }
    for (i32 i = 0; i < pack.GetEntryCount(); ++i)
    {
        const CKetrelMediaPackEntry* entry = pack.GetEntryAt(i);
        u32 size = pack.SeekEntry(CKetrelString(), (u32)i);
        printf("%10u %10u %s\n", size, entry->GetOffset(), Narrow(entry->GetName()).c_str());
    }
    printf("%d entries\n", pack.GetEntryCount());
    return 0;
}

// A name that stays inside the target folder: relative, no empty, "." or ".." parts.
bool SafeRelativeName(const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return false;
    size_t start = 0;
    while (start <= name.size())
    {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            slash = name.size();
        std::string part = name.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = slash + 1;
    }
    return name.find('\0') == std::string::npos;
}

int Extract(const std::string& packPath, const std::string& folder)
{
    CKetrelMediaPack pack;
    int rc = pack.Open(Widen(packPath), CKetrelString());
    if (rc != KE_OK)
    {
        fprintf(stderr, "packtool: %s: cannot open as a pack (result %d)\n", packPath.c_str(), rc);
        return 1;
    }
    std::vector<u8> bytes;
    for (i32 i = 0; i < pack.GetEntryCount(); ++i)
    {
        const std::string name = Narrow(pack.GetEntryAt(i)->GetName());
        if (!SafeRelativeName(name))
        {
            fprintf(stderr, "packtool: entry %s would be written outside %s\n", name.c_str(), folder.c_str());
            return 1;
        }
        if (!ReadEntry(pack, i, bytes))
        {
            fprintf(stderr, "packtool: entry %s cannot be read\n", name.c_str());
            return 1;
        }
        fs::path target = fs::path(folder) / name;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (!WriteWholeFile(target.string(), bytes))
        {
            fprintf(stderr, "packtool: cannot write %s\n", target.string().c_str());
            return 1;
        }
    }
    return 0;
}

int Verify(const std::string& packPath, const std::string* folder)
{
    if (!folder)
        return CheckPack(packPath, nullptr) ? 0 : 1;
    std::vector<Source> sources;
    if (!CollectFolder(*folder, sources))
        return 1;
    std::vector<std::pair<std::string, std::vector<u8>>> expected;
    for (const Source& s : sources)
    {
        std::vector<u8> data;
        if (!ReadWholeFile(s.path, data))
        {
            fprintf(stderr, "packtool: cannot read %s\n", s.path.c_str());
            return 1;
        }
        expected.emplace_back(s.name, std::move(data));
    }
    return CheckPack(packPath, &expected) ? 0 : 1;
}

int Usage()
{
    fprintf(stderr,
            "usage: packtool create <pack> <folder>\n"
            "       packtool create <pack> <file|name=file>...\n"
            "       packtool list <pack>\n"
            "       packtool extract <pack> <folder>\n"
            "       packtool verify <pack> [<folder>]\n");
    return 2;
}
}

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const std::string pack = argv[2];
    std::vector<std::string> rest(argv + 3, argv + argc);
    if (command == "create" && !rest.empty())
        return Create(pack, rest);
    if (command == "list" && rest.empty())
        return List(pack);
    if (command == "extract" && rest.size() == 1)
        return Extract(pack, rest[0]);
    if (command == "verify" && rest.size() <= 1)
        return Verify(pack, rest.empty() ? nullptr : &rest[0]);
    return Usage();
}
