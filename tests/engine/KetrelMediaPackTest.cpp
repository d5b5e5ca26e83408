// tests/engine/KetrelMediaPackTest.cpp
#include "PackTestHelpers.h"

#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{
const std::vector<PackItem> kItems = {
    {"gfx/menu/title.png", "menu title bytes"},
    {"gfx/title.png", "plain title"},
    {"snd/boom.wav", std::string("RIFF\0\x01\x02", 7)},
    {"data/empty", ""},
};

// Where each field of the pack made from kItems lies.
const size_t kCountAt = 4;
const size_t kFirstNameLengthAt = 8;
size_t DirectoryEntryAt(size_t index)
{
    size_t at = 8;
    for (size_t i = 0; i < index; ++i)
        at += 2 + kItems[i].name.size() + 4;
    return at;
}
size_t OffsetFieldAt(size_t index) { return DirectoryEntryAt(index) + 2 + kItems[index].name.size(); }

std::string TempPath(const char* leaf)
{
    return std::string(KETREL_BINARY_DIR) + "/packtest_" + std::to_string(getpid()) + "_" + leaf;
}
}

// The substring search and the file-name search pick different entries; both take
// the first in directory order.
TEST(KetrelMediaPackLookup, NameAndFileNameMatching)
{
    CKetrelMediaPack pack;
    ASSERT_EQ(KE_OK, OpenPackBytes(pack, BuildPack(kItems)));
    ASSERT_EQ(4, pack.GetEntryCount());

    struct Case { const char* name; bool byFileName; const char* key; u32 index; const char* want; };
    const Case cases[] = {
        {"substring matches the first entry", false, "title.png", 0, "menu title bytes"},
        {"file name equals the first entry's", true, "title.png", 0, "menu title bytes"},
        {"file name with a folder matches nothing", true, "menu/title.png", 0, nullptr},
        {"full path", false, "gfx/title.png", 0, "plain title"},
        {"empty name selects by index", false, "", 1, "plain title"},
        {"index ignored for a name below count", false, "boom", 3, "RIFF\0\x01\x02"},
        {"index at count gives nothing", false, "boom", 4, nullptr},
        {"index beyond count without search", false, "x", 5, nullptr},
        {"no such name", false, "nothing", 0, nullptr},
        {"empty file name", true, "", 0, nullptr},
        {"case matters", false, "TITLE", 0, nullptr},
        {"file name of a name without folder", true, "boom.wav", 0, "RIFF\0\x01\x02"},
        {"zero-length entry", false, "data/empty", 0, ""},
    };
    for (const Case& c : cases)
    {
        CKetrelString key(c.key);
        u32 size = c.byFileName ? pack.SeekEntryByFileName(key) : pack.SeekEntry(key, c.index);
        if (c.want == nullptr)
        {
            EXPECT_EQ(0u, size) << c.name;
            continue;
        }
        std::string want = c.name == std::string("index ignored for a name below count") ||
                                   c.name == std::string("file name of a name without folder")
                               ? std::string(c.want, 7)
                               : std::string(c.want);
        EXPECT_EQ(want.size(), size) << c.name;
        EXPECT_EQ(want, ReadCurrent(pack, size)) << c.name;
    }
}

// A file that is not a pack, or a directory that does not fit the file, is refused.
TEST(KetrelMediaPackOpen, MalformedFilesAreRefused)
{
    const std::vector<u8> good = BuildPack(kItems);
    const u32 fileSize = (u32)good.size();
    struct Case { const char* name; std::vector<u8> bytes; int want; };
    std::vector<Case> cases;
    auto edit = [&](const char* name, auto change, int want) {
        std::vector<u8> b = good;
        change(b);
        cases.push_back({name, b, want});
    };
    edit("the writer's pack", [](std::vector<u8>&) {}, KE_OK);
    edit("magic VAD2", [](std::vector<u8>& b) { b[0] = 'V'; b[1] = 'A'; b[2] = 'D'; }, KE_OK);
    edit("magic DMP2", [](std::vector<u8>& b) { b[0] = 'D'; }, KE_ERR_FORMAT);
    edit("magic kmp2", [](std::vector<u8>& b) { b[0] = 'k'; }, KE_ERR_FORMAT);
    edit("count 0", [](std::vector<u8>& b) { PutLE32At(b, kCountAt, 0); }, KE_ERR_FORMAT);
    edit("count one too many", [](std::vector<u8>& b) { PutLE32At(b, kCountAt, 5); }, KE_ERR_FORMAT);
    edit("count far too large", [](std::vector<u8>& b) { PutLE32At(b, kCountAt, 0xFFFFFFFFu); }, KE_ERR_FORMAT);
    edit("count one fewer", [](std::vector<u8>& b) { PutLE32At(b, kCountAt, 3); }, KE_OK);
    edit("zero name length, first entry", [](std::vector<u8>& b) { b[kFirstNameLengthAt] = 0; b[kFirstNameLengthAt + 1] = 0; }, KE_ERR_FORMAT);
    edit("zero name length, last entry", [](std::vector<u8>& b) { b[DirectoryEntryAt(3)] = 0; }, KE_ERR_FORMAT);
    edit("name runs past the end", [](std::vector<u8>& b) { b[kFirstNameLengthAt] = 0xFF; b[kFirstNameLengthAt + 1] = 0xFF; }, KE_ERR_FORMAT);
    edit("offset past the end", [&](std::vector<u8>& b) { PutLE32At(b, OffsetFieldAt(1), fileSize + 100); }, KE_ERR_FORMAT);
    edit("offset near 4 GiB", [](std::vector<u8>& b) { PutLE32At(b, OffsetFieldAt(0), 0xFFFFFFFCu); }, KE_ERR_FORMAT);
    edit("record header cut by the end", [&](std::vector<u8>& b) { PutLE32At(b, OffsetFieldAt(2), fileSize - 6); }, KE_ERR_FORMAT);
    edit("size past the end", [&](std::vector<u8>& b) {
        u32 record = b[OffsetFieldAt(1)] | (b[OffsetFieldAt(1) + 1] << 8);
        PutLE32At(b, record + 4, 1000);
    }, KE_ERR_FORMAT);
    edit("size 0xFFFFFFFF", [&](std::vector<u8>& b) {
        u32 record = b[OffsetFieldAt(0)] | (b[OffsetFieldAt(0) + 1] << 8);
        PutLE32At(b, record + 4, 0xFFFFFFFFu);
    }, KE_ERR_FORMAT);
    edit("empty record ending exactly at the end", [&](std::vector<u8>& b) { PutLE32At(b, OffsetFieldAt(2), fileSize - 8); }, KE_OK);
    cases.push_back({"empty file", {}, KE_ERR_FORMAT});
    cases.push_back({"magic only", {'K', 'M', 'P', '2'}, KE_ERR_FORMAT});

    for (const Case& c : cases)
    {
        CKetrelMediaPack pack;
        ASSERT_EQ(KE_OK, OpenPackBytes(pack, good)) << c.name;
        const bool badMagic = c.bytes.size() < 4 ||
                              !(std::equal(c.bytes.begin(), c.bytes.begin() + 4, "KMP2") ||
                                std::equal(c.bytes.begin(), c.bytes.begin() + 4, "VAD2"));
        int rc = OpenPackBytes(pack, c.bytes);
        EXPECT_EQ(c.want, rc) << c.name;
        if (rc == KE_OK)
        {
            // Every entry the pack accepted can be read in full.
            for (i32 i = 0; i < pack.GetEntryCount(); ++i)
            {
                u32 size = pack.SeekEntry(CKetrelString(), (u32)i);
                EXPECT_EQ(size, (u32)ReadCurrent(pack, size).size()) << c.name << ", entry " << i;
            }
        }
        else if (badMagic)
        {
            // A wrong magic keeps the pack that was open.
            EXPECT_EQ(4, pack.GetEntryCount()) << c.name;
            EXPECT_EQ(11u, pack.SeekEntry(CKetrelString("gfx/title.png"), 0)) << c.name;
        }
        else
        {
            EXPECT_EQ(0, pack.GetEntryCount()) << c.name;
            EXPECT_EQ(nullptr, pack.GetFile()) << c.name;
            EXPECT_EQ(0u, pack.SeekEntry(CKetrelString(), 0)) << c.name;
        }
    }
}

// Cut anywhere, a pack is refused cleanly; whole, it opens.
TEST(KetrelMediaPackOpen, EveryPrefixIsRefused)
{
    const std::vector<u8> good = BuildPack(kItems);
    for (size_t n = 0; n < good.size(); ++n)
    {
        CKetrelMediaPack pack;
        std::vector<u8> prefix(good.begin(), good.begin() + n);
        EXPECT_EQ(KE_ERR_FORMAT, OpenPackBytes(pack, prefix)) << "prefix of " << n << " bytes";
        EXPECT_EQ(0, pack.GetEntryCount()) << n;
    }
    CKetrelMediaPack pack;
    EXPECT_EQ(KE_OK, OpenPackBytes(pack, good));
}

// Any single changed byte either still opens, with every entry inside the file, or is refused.
TEST(KetrelMediaPackOpen, CorruptedBytesNeverReadOutsideTheFile)
{
    const std::vector<u8> good = BuildPack(kItems);
    const u8 values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    for (size_t at = 0; at < good.size(); ++at)
        for (u8 v : values)
        {
            std::vector<u8> b = good;
            b[at] = v;
            CKetrelMediaPack pack;
            int rc = OpenPackBytes(pack, b);
            ASSERT_TRUE(rc == KE_OK || rc == KE_ERR_FORMAT) << at;
            for (i32 i = 0; i < pack.GetEntryCount(); ++i)
            {
                u32 size = pack.SeekEntry(CKetrelString(), (u32)i);
                ASSERT_LE((u64)pack.GetFile()->GetPosition() + size, (u64)b.size()) << at;
                ASSERT_EQ(size, (u32)ReadCurrent(pack, size).size()) << at;
            }
        }
}

TEST(KetrelMediaPackOpen, FromDiskWithAndWithoutKey)
{
    const std::vector<u8> good = BuildPack(kItems);
    const std::string path = TempPath("disk.vad");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(good.data()), (std::streamsize)good.size());
    }
    CKetrelMediaPack pack;
    EXPECT_EQ(KE_ERR_OPEN, pack.Open(CKetrelString((path + ".missing").c_str()), CKetrelString()));
    ASSERT_EQ(KE_OK, pack.Open(CKetrelString(path.c_str()), CKetrelString()));
    EXPECT_EQ(nullptr, pack.GetKey());
    u32 size = pack.SeekEntryByFileName(CKetrelString("boom.wav"));
    EXPECT_EQ(std::string("RIFF\0\x01\x02", 7), ReadCurrent(pack, size));

    ASSERT_EQ(KE_OK, pack.Open(CKetrelString(path.c_str()), CKetrelString("secret")));
    ASSERT_NE(nullptr, pack.GetKey());
    EXPECT_EQ(0, pack.GetKey()->Compare(CKetrelString("secret")));
    // A failed open of a missing file leaves the open pack as it was.
    EXPECT_EQ(KE_ERR_OPEN, pack.Open(CKetrelString((path + ".missing").c_str()), CKetrelString()));
    EXPECT_EQ(4, pack.GetEntryCount());
    pack.Close();
    EXPECT_EQ(nullptr, pack.GetKey());
    EXPECT_EQ(0u, pack.SeekEntry(CKetrelString("title"), 0));
    std::remove(path.c_str());
}

TEST(KetrelMediaPackWriter, RefusesNamesALookupCouldConfuse)
{
    struct Case { const char* name; std::vector<std::string> names; int want; i32 conflict; };
    const Case cases[] = {
        {"distinct", {"a/b.png", "a/c.png"}, KE_OK, -1},
        {"same file name in two folders", {"gfx/menu/title.png", "gfx/title.png"}, KE_OK, -1},
        {"duplicate", {"x.png", "x.png"}, KE_ERR_ARGUMENT, 0},
        {"new name inside an old one", {"data.png", "a.png"}, KE_ERR_ARGUMENT, 0},
        {"old name inside a new one", {"one", "a.png", "xa.png"}, KE_ERR_ARGUMENT, 1},
        {"empty", {""}, KE_ERR_ARGUMENT, -1},
    };
    for (const Case& c : cases)
    {
        CKetrelMediaPackWriter w;
        int rc = KE_OK;
        for (const std::string& n : c.names)
        {
            rc = w.AddEntry(CKetrelString(n.c_str()), "x", 1);
            if (rc != KE_OK)
                break;
        }
        EXPECT_EQ(c.want, rc) << c.name;
        EXPECT_EQ(c.conflict, w.GetConflict()) << c.name;
    }

    CKetrelMediaPackWriter w;
    CKetrelString wide;
    wide.Append((u16)'a');
    wide.Append((u16)0x100);
    EXPECT_EQ(KE_ERR_ARGUMENT, w.AddEntry(wide, "x", 1)) << "character above 0xFF";
    CKetrelString longest, tooLong;
    longest.SetLength(65535);
    tooLong.SetLength(65536);
    EXPECT_EQ(KE_ERR_ARGUMENT, w.AddEntry(tooLong, "x", 1));
    EXPECT_EQ(KE_OK, w.AddEntry(longest, "x", 1));
    u32 size = 0;
    u8* bytes = w.WriteToMemory(size);
    ASSERT_NE(nullptr, bytes);
    std::vector<u8> b(bytes, bytes + size);
    delete[] bytes;
    CKetrelMediaPack pack;
    ASSERT_EQ(KE_OK, OpenPackBytes(pack, b));
    EXPECT_EQ(65535, pack.GetEntryAt(0)->GetName().GetLength());
    EXPECT_EQ(1u, pack.SeekEntry(longest, 0));

    CKetrelMediaPackWriter empty;
    EXPECT_EQ(nullptr, empty.WriteToMemory(size));
    EXPECT_EQ(KE_ERR_ARGUMENT, empty.Write(CKetrelString(TempPath("never.vad").c_str())));
}

TEST(KetrelDataScrambler, KeysAndRoundTrips)
{
    CKetrelDataScrambler s;
    u8 buffer[300];
    for (int i = 0; i < 300; ++i)
        buffer[i] = (u8)(i * 7);
    const std::vector<u8> original(buffer, buffer + 300);

    struct Refusal { const char* name; u8* buffer; u32 size; const char* key; };
    const Refusal refusals[] = {
        {"two-character key", buffer, 300, "ab"},
        {"empty key", buffer, 300, ""},
        {"null buffer", nullptr, 300, "abc"},
        {"size 0", buffer, 0, "abc"},
    };
    for (const Refusal& r : refusals)
    {
        EXPECT_EQ(KE_ERR_ARGUMENT, s.Descramble(r.buffer, r.size, CKetrelString(r.key))) << r.name;
        EXPECT_EQ(original, std::vector<u8>(buffer, buffer + 300)) << r.name;
    }

    const std::string longKey(200, 'k');
    const char* keys[] = {"abc", "a much longer key of sixty-two characters or so, mirrored....", longKey.c_str()};
    for (const char* key : keys)
    {
        ASSERT_EQ(KE_OK, s.Descramble(buffer, 300, CKetrelString(key))) << key;
        EXPECT_NE(original, std::vector<u8>(buffer, buffer + 300)) << key;
        ASSERT_EQ(KE_OK, s.Descramble(buffer, 300, CKetrelString(key))) << key;
        EXPECT_EQ(original, std::vector<u8>(buffer, buffer + 300)) << key;
    }

    // Packs made for a key depend on the table: it must never change.
    u8 zeros[8] = {};
    ASSERT_EQ(KE_OK, s.Descramble(zeros, 8, CKetrelString("abc")));
    const u8 want[8] = {0x85, 0x62, 0x6B, 0x6B, 0x62, 0x85, 0x85, 0x62};   // key "abccba"
    EXPECT_EQ(std::vector<u8>(want, want + 8), std::vector<u8>(zeros, zeros + 8));
}

// The pack tool: a folder packed, listed, extracted and verified gives the same files;
// names a lookup could confuse, and entries that would land outside the target, are refused.
TEST(KetrelPackTool, FolderRoundTrip)
{
    const std::string tool = std::string(KETREL_BINARY_DIR) + "/tools/packtool";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "packtool not built in this configuration";
    const std::string root = TempPath("tool");
    const std::string src = root + "/src", out = root + "/out", pack = root + "/p.vad";
    ASSERT_EQ(0, system(("rm -rf '" + root + "' && mkdir -p '" + src + "/gfx/menu' '" + src + "/snd'").c_str()));
    const std::vector<PackItem> files = {
        {"gfx/menu/title.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
        {"gfx/title.png", "other"},
        {"snd/empty.wav", ""},
        {"readme", std::string(70000, 'r')},
    };
    for (const PackItem& f : files)
    {
        std::ofstream o(src + "/" + f.name, std::ios::binary);
        o.write(f.data.data(), (std::streamsize)f.data.size());
    }
    auto run = [&](const std::string& args) { return system((tool + " " + args + " >/dev/null 2>&1").c_str()); };

    ASSERT_EQ(0, run("create '" + pack + "' '" + src + "'"));
    EXPECT_EQ(0, run("list '" + pack + "'"));
    EXPECT_EQ(0, run("verify '" + pack + "' '" + src + "'"));
    ASSERT_EQ(0, run("extract '" + pack + "' '" + out + "'"));
    for (const PackItem& f : files)
    {
        std::ifstream in(out + "/" + f.name, std::ios::binary);
        ASSERT_TRUE(in.good()) << f.name;
        std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(f.data, got) << f.name;
    }
    // The engine finds the entries by name in the pack the tool wrote.
    CKetrelMediaPack reader;
    ASSERT_EQ(KE_OK, reader.Open(CKetrelString(pack.c_str()), CKetrelString()));
    u32 size = reader.SeekEntry(CKetrelString("readme"), 0);
    EXPECT_EQ(70000u, size);

    // Changed content no longer verifies against the folder.
    { std::ofstream o(src + "/gfx/title.png", std::ios::binary); o << "changed"; }
    EXPECT_NE(0, run("verify '" + pack + "' '" + src + "'"));

    // A list of files with names given.
    const std::string listed = root + "/listed.vad";
    EXPECT_EQ(0, run("create '" + listed + "' 'a/one=" + src + "/readme' 'b/two=" + src + "/gfx/title.png'"));
    EXPECT_EQ(0, run("verify '" + listed + "'"));
    // Names that contain one another: refused, and no pack is left.
    const std::string clash = root + "/clash.vad";
    EXPECT_NE(0, run("create '" + clash + "' 'data.png=" + src + "/readme' 'a.png=" + src + "/readme'"));
    EXPECT_NE(0, access(clash.c_str(), F_OK));
    // An entry named to climb out of the target folder is not extracted.
    {
        CKetrelMediaPackWriter w;
        ASSERT_EQ(KE_OK, w.AddEntry(CKetrelString("../escaped"), "x", 1));
        ASSERT_EQ(KE_OK, w.Write(CKetrelString((root + "/evil.vad").c_str())));
    }
    EXPECT_NE(0, run("extract '" + root + "/evil.vad' '" + root + "/evil'"));
    EXPECT_NE(0, access((root + "/escaped").c_str(), F_OK));
    EXPECT_NE(0, run("list '" + src + "/readme'")) << "not a pack";
    system(("rm -rf '" + root + "'").c_str());
}
