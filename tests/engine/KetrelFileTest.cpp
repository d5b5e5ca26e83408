#include "engine/KetrelFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

// A private temporary folder, removed with everything in it.
class KetrelFileDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ketrel_file_XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    CKetrelString KPath(const std::string& name) const { return CKetrelString(PathOf(name).c_str()); }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(PathOf(name), std::ios::binary);
        out << bytes;
    }
    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path dir;
};

std::string ReadAll(CKetrelFile& f, u32 n)
{
    std::string out(n, '\0');
    u32 got = f.Read(out.data(), n);
    out.resize(got);
    return out;
}

// A path with one unit outside 8 bits put in the middle.
CKetrelString WithUnit(const std::string& head, u16 unit, const std::string& tail)
{
    std::vector<u16> units;
    for (char c : head)
        units.push_back((u8)c);
    units.push_back(unit);
    for (char c : tail)
        units.push_back((u8)c);
    units.push_back(0);
    return CKetrelString(units.data());
}

// head + a 0 unit + tail, the 0 set after construction.
CKetrelString WithZeroAt(const std::string& head, const std::string& tail)
{
    CKetrelString s = WithUnit(head, 'Q', tail);
    s.SetAt((int)head.size(), 0);
    return s;
}
}

// ---- Memory streams -------------------------------------------------------------

TEST(KetrelFileSeek, Origins)
{
    struct Case { const char* name; i32 start; i32 offset; i32 origin; i32 position; };
    const Case cases[] = {
        {"set", 4, 3, KE_SEEK_SET, 3},
        {"from end, offset 0 is the last byte", 4, 0, KE_SEEK_FROM_END, 9},
        {"from end, offset 9 is the first byte", 4, 9, KE_SEEK_FROM_END, 0},
        {"from end, offset -1 is the end", 4, -1, KE_SEEK_FROM_END, 10},
        {"current, back 4", 6, -4, KE_SEEK_CUR, 2},
        {"current, forward", 6, 3, KE_SEEK_CUR, 9},
        {"unknown origin leaves the position", 6, 3, 3, 6},
        {"negative origin leaves the position", 6, 3, -1, 6},
        {"set is not clamped", 4, 50, KE_SEEK_SET, 50},
        {"current is not clamped", 2, -5, KE_SEEK_CUR, -3},
        {"huge moves saturate", 2, 2147483647, KE_SEEK_CUR, 2147483647},
    };
    u8 bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (const Case& c : cases)
    {
        CKetrelFile f;
        ASSERT_EQ(KE_OK, f.OpenMemory(bytes, sizeof bytes, 0));
        f.Seek(c.start, KE_SEEK_SET);
        EXPECT_EQ(c.position, f.Seek(c.offset, c.origin)) << c.name;
        EXPECT_EQ(c.position, f.GetPosition()) << c.name;
    }
}

TEST(KetrelFileRead, ShortReadsAtTheEnd)
{
    struct Case { const char* name; i32 position; u32 n; std::string expect; };
    const Case cases[] = {
        {"8 at 6 of 10 gives 4", 6, 8, "6789"},
        {"exactly to the end", 7, 3, "789"},
        {"at the end gives 0", 10, 4, ""},
        {"past the end gives 0", 11, 4, ""},
        {"before the start gives 0", -1, 4, ""},
        {"far before the start gives 0", -2147483647 - 1, 4, ""},
        {"zero bytes", 3, 0, ""},
        {"whole", 0, 100, "0123456789"},
    };
    char text[] = "0123456789";
    for (const Case& c : cases)
    {
        CKetrelFile f;
        ASSERT_EQ(KE_OK, f.OpenMemory(text, 10, 0));
        f.Seek(c.position, KE_SEEK_SET);
        char out[16];
        std::memset(out, '#', sizeof out);
        u32 got = f.Read(out, c.n);
        EXPECT_EQ(c.expect, std::string(out, got)) << c.name;
        EXPECT_EQ('#', out[got]) << c.name << ": wrote past what it reported";
        EXPECT_EQ(c.position + (i32)got, f.GetPosition()) << c.name;
    }
}

// A write never leaves the buffer and never moves outside 0..size.
TEST(KetrelFileWrite, MemoryWritesStayInside)
{
    struct Case { const char* name; i32 position; const char* data; u32 written; const char* after; };
    const Case cases[] = {
        {"inside", 2, "xy", 2, "01xy456789"},
        {"clipped at the end", 8, "xyz", 2, "01234567xy"},
        {"at the end", 10, "xy", 0, "0123456789"},
        {"past the end", 12, "xy", 0, "0123456789"},
        {"before the start", -2, "xy", 0, "0123456789"},
    };
    for (const Case& c : cases)
    {
        char text[] = "0123456789##";
        CKetrelFile f;
        ASSERT_EQ(KE_OK, f.OpenMemory(text, 10, KE_FILE_WRITE));
        f.Seek(c.position, KE_SEEK_SET);
        EXPECT_EQ(c.written, f.Write(c.data, (u32)std::strlen(c.data))) << c.name;
        EXPECT_EQ(std::string(c.after) + "##", std::string(text)) << c.name;
        EXPECT_EQ(10, f.GetSize()) << c.name << ": a memory stream never grows";
    }
}

TEST(KetrelFileWrite, RefusedWrites)
{
    char text[] = "0123456789";
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.OpenMemory(text, 10, 0));           // read only
    EXPECT_EQ(0u, f.Write("ab", 2));
    EXPECT_STREQ("0123456789", text);
    ASSERT_EQ(KE_OK, f.OpenMemory(text, 10, KE_FILE_APPEND));  // append makes it writable
    EXPECT_EQ(0u, f.Write(nullptr, 2));
    EXPECT_EQ(0u, f.Write("ab", 0));
    EXPECT_EQ(2u, f.Write("ab", 2));
    EXPECT_STREQ("ab23456789", text);
    CKetrelFile closed;
    EXPECT_EQ(0u, closed.Write("ab", 2));
    char out[4];
    EXPECT_EQ(0u, closed.Read(out, 4));
}

TEST(KetrelFileMemory, CallerBufferIsUsedInPlaceAndLeftOnClose)
{
    char text[] = "abcdef";
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.OpenMemory(text, 6, 0));
    text[0] = 'X';                        // in place: the stream sees the change
    EXPECT_EQ("Xbc", ReadAll(f, 3));
    f.Close();
    EXPECT_STREQ("Xbcdef", text);
    EXPECT_EQ(0, f.GetSize());
    EXPECT_EQ(0u, f.Read(text, 1));

    // With the own-buffer flag the bytes are copied: the caller's stay apart.
    ASSERT_EQ(KE_OK, f.OpenMemory(text, 6, KE_FILE_OWN_BUFFER | KE_FILE_WRITE));
    text[1] = 'Y';
    EXPECT_EQ(3u, f.Write("123", 3));
    f.Seek(0, KE_SEEK_SET);
    EXPECT_EQ("123def", ReadAll(f, 6));
    EXPECT_STREQ("XYcdef", text);
}

TEST(KetrelFileMemory, BadArguments)
{
    char text[] = "abc";
    struct Case { const char* name; void* buffer; u32 size; int rc; };
    const Case cases[] = {
        {"size 0", text, 0, KE_ERR_ARGUMENT},
        {"null buffer", nullptr, 3, KE_ERR_ARGUMENT},
        {"size beyond i32", text, 0x80000000u, KE_ERR_ARGUMENT},
    };
    for (const Case& c : cases)
    {
        CKetrelFile f;
        EXPECT_EQ(c.rc, f.OpenMemory(c.buffer, c.size, 0)) << c.name;
        EXPECT_EQ(0, f.GetSize()) << c.name;
        char out[4];
        EXPECT_EQ(0u, f.Read(out, 4)) << c.name;
    }
}

// Reopening replaces earlier content; an owned copy is freed (the leak
// checker of the sanitizer build catches it otherwise).
TEST(KetrelFileMemory, OpenMemoryReplacesEarlierContent)
{
    char first[] = "first";
    char second[] = "2nd";
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.OpenMemory(first, 5, KE_FILE_OWN_BUFFER));
    f.Seek(3, KE_SEEK_SET);
    ASSERT_EQ(KE_OK, f.OpenMemory(second, 3, KE_FILE_OWN_BUFFER));
    EXPECT_EQ(0, f.GetPosition());
    EXPECT_EQ(3, f.GetSize());
    EXPECT_EQ("2nd", ReadAll(f, 10));
    EXPECT_EQ(KE_ERR_ARGUMENT, f.OpenMemory(first, 0, 0));
    EXPECT_EQ(0, f.GetSize());                      // the old content is gone too
}

TEST(KetrelFileShared, ReadsTheOwnersBytesWithoutOwningThem)
{
    char text[] = "0123456789";
    CKetrelFile owner;
    ASSERT_EQ(KE_OK, owner.OpenMemory(text, 10, KE_FILE_OWN_BUFFER));
    owner.Seek(4, KE_SEEK_SET);
    {
        CKetrelFile shared;
        EXPECT_EQ(KE_OK, shared.OpenShared(owner));
        EXPECT_EQ(4, shared.GetPosition());
        EXPECT_EQ("456", ReadAll(shared, 3));
        EXPECT_EQ(KE_OK, shared.OpenShared(shared));    // itself: nothing happens
        EXPECT_EQ(7, shared.GetPosition());
    }                                                   // must not free the owner's copy
    EXPECT_EQ(4, owner.GetPosition());
    EXPECT_EQ("4567", ReadAll(owner, 4));
}

// ---- Disk files -----------------------------------------------------------------

TEST_F(KetrelFileDisk, WriteThenReadBack)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes.push_back((char)(i * 7));
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(KPath("data.bin"), KE_FILE_WRITE));
    EXPECT_EQ(0, f.GetSize());
    EXPECT_EQ(600u, f.Write(bytes.data(), 600));
    EXPECT_EQ(400u, f.Write(bytes.data() + 600, 400));
    EXPECT_EQ(1000, f.GetSize());
    // Overwrite inside: the size stays.
    f.Seek(10, KE_SEEK_SET);
    EXPECT_EQ(2u, f.Write("AB", 2));
    EXPECT_EQ(1000, f.GetSize());
    f.Close();
    bytes[10] = 'A';
    bytes[11] = 'B';
    EXPECT_EQ(bytes, ReadFile("data.bin"));

    ASSERT_EQ(KE_OK, f.Open(KPath("data.bin"), KE_FILE_READ));
    EXPECT_EQ(1000, f.GetSize());
    EXPECT_EQ(0u, f.Write("x", 1));                 // read only
    f.Seek(996, KE_SEEK_SET);
    EXPECT_EQ(bytes.substr(996), ReadAll(f, 8));    // short read at the end
    EXPECT_EQ(0u, f.Read(&bytes[0], 8));
    f.Seek(0, KE_SEEK_FROM_END);
    EXPECT_EQ(bytes.substr(999), ReadAll(f, 8));
    f.Seek(0, KE_SEEK_SET);
    EXPECT_EQ(bytes, ReadAll(f, 2000));
}

TEST_F(KetrelFileDisk, AppendStartsAtTheSizeAndGrows)
{
    WriteFile("log.txt", "0123456789");
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(KPath("log.txt"), KE_FILE_APPEND));
    EXPECT_EQ(10, f.GetSize());
    EXPECT_EQ(10, f.GetPosition());
    EXPECT_EQ(3u, f.Write("abc", 3));
    EXPECT_EQ(13, f.GetSize());
    EXPECT_EQ(13, f.GetPosition());
    f.Close();
    EXPECT_EQ("0123456789abc", ReadFile("log.txt"));

    // Append creates a missing file.
    ASSERT_EQ(KE_OK, f.Open(KPath("new.txt"), KE_FILE_APPEND | KE_FILE_WRITE));
    EXPECT_EQ(0, f.GetPosition());
    EXPECT_EQ(2u, f.Write("hi", 2));
    f.Close();
    EXPECT_EQ("hi", ReadFile("new.txt"));
}

TEST_F(KetrelFileDisk, OutOfRangePositionsTransferNothing)
{
    WriteFile("f.bin", "0123456789");
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(KPath("f.bin"), KE_FILE_APPEND));
    for (i32 position : {-1, -100, 11, 1000})
    {
        f.Seek(position, KE_SEEK_SET);
        EXPECT_EQ(0u, f.Write("xx", 2)) << position;
        EXPECT_EQ(position, f.GetPosition()) << position;
    }
    EXPECT_EQ(10, f.GetSize());
    f.Close();
    EXPECT_EQ("0123456789", ReadFile("f.bin"));

    ASSERT_EQ(KE_OK, f.Open(KPath("f.bin"), KE_FILE_READ));
    for (i32 position : {-1, -100, 10, 11, 1000})
    {
        f.Seek(position, KE_SEEK_SET);
        char out[4] = {'#', '#', '#', '#'};
        EXPECT_EQ(0u, f.Read(out, 4)) << position;
        EXPECT_EQ('#', out[0]) << position;
    }
}

TEST_F(KetrelFileDisk, FailedOpenLeavesTheStreamClosed)
{
    WriteFile("a.txt", "abc");
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(KPath("a.txt"), KE_FILE_READ));
    struct Case { const char* name; CKetrelString path; i32 flags; };
    const Case cases[] = {
        {"missing file", KPath("missing.txt"), KE_FILE_READ},
        {"missing folder", KPath("no/such/file"), KE_FILE_WRITE},
        {"a folder for writing", CKetrelString(dir.string().c_str()), KE_FILE_WRITE},
        {"empty path", CKetrelString(), KE_FILE_READ},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(KE_ERR_OPEN, f.Open(c.path, c.flags)) << c.name;
        EXPECT_EQ(0, f.GetSize()) << c.name;
        char out[4];
        EXPECT_EQ(0u, f.Read(out, 4)) << c.name;
        EXPECT_EQ(0u, f.Write("x", 1)) << c.name;
    }
}

// A unit above 0xFF would be narrowed to another byte: 0x12F to '/', 0x100 to
// a 0 that cuts the path. Such paths are refused rather than opened as another file.
TEST_F(KetrelFileDisk, PathsBeyondEightBitsAreRefused)
{
    fs::create_directory(dir / "x");
    WriteFile("x/y", "secret");
    WriteFile("y", "short");
    const std::string base = dir.string() + "/";
    struct Case { const char* name; CKetrelString path; };
    const Case cases[] = {
        {"0x12F would become a slash", WithUnit(base + "x", 0x12F, "y")},
        {"0x100 would cut the path", WithUnit(base + "y", 0x100, "zzz")},
        {"0 unit would cut the path", WithZeroAt(base + "y", "zzz")},
        {"0xFFFF", WithUnit(base, 0xFFFF, "")},
    };
    for (const Case& c : cases)
    {
        CKetrelFile f;
        EXPECT_EQ(KE_ERR_OPEN, f.Open(c.path, KE_FILE_READ)) << c.name;
        EXPECT_EQ(KE_ERR_OPEN, f.Open(c.path, KE_FILE_WRITE)) << c.name;
        EXPECT_EQ(0, CKetrelFile::Exists(c.path)) << c.name;
        EXPECT_EQ(KE_ERR_OPEN, CKetrelFile::Delete(c.path)) << c.name;
    }
    EXPECT_EQ("secret", ReadFile("x/y"));
    EXPECT_EQ("short", ReadFile("y"));

    // Latin-1 units are kept as single bytes.
    CKetrelString latin = WithUnit(base + "caf", 0xE9, "");
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(latin, KE_FILE_WRITE));
    f.Close();
    EXPECT_TRUE(fs::exists(fs::path(base + "caf\xE9")));
    EXPECT_EQ(1, CKetrelFile::Exists(latin));
}

TEST_F(KetrelFileDisk, DeleteRemovesOnlyThatFile)
{
    WriteFile("a b", "1");
    WriteFile("a", "2");
    WriteFile("b", "3");
    EXPECT_EQ(KE_OK, CKetrelFile::Delete(KPath("a b")));
    EXPECT_FALSE(fs::exists(dir / "a b"));
    EXPECT_TRUE(fs::exists(dir / "a"));
    EXPECT_TRUE(fs::exists(dir / "b"));
    EXPECT_EQ(KE_ERR_NOT_FOUND, CKetrelFile::Delete(KPath("a b")));
}

// Nothing is ever run: a name that would be a command line stays a name.
TEST_F(KetrelFileDisk, DeleteRunsNoCommand)
{
    struct Case { const char* name; std::string path; int rc; };
    const std::string marker = PathOf("ran");
    const Case cases[] = {
        {"missing file", PathOf("missing"), KE_ERR_NOT_FOUND},
        {"shell separator", PathOf("x; touch " + marker), KE_ERR_NOT_FOUND},
        {"command substitution", PathOf("$(touch " + marker + ")"), KE_ERR_NOT_FOUND},
        {"inside a missing folder", PathOf("nowhere/f"), KE_ERR_NOT_FOUND},
        {"under a plain file", PathOf("plain/f"), KE_ERR_NOT_FOUND},
        {"empty path", "", KE_ERR_NOT_FOUND},
        {"a folder cannot be removed", PathOf("sub"), KE_ERR_DEVICE},
    };
    WriteFile("plain", "p");
    fs::create_directory(dir / "sub");
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.rc, CKetrelFile::Delete(CKetrelString(c.path.c_str()))) << c.name;
        EXPECT_FALSE(fs::exists(marker)) << c.name;
    }
    EXPECT_TRUE(fs::exists(dir / "sub"));
    EXPECT_TRUE(fs::exists(dir / "plain"));
}

TEST_F(KetrelFileDisk, ExistsAndReopen)
{
    WriteFile("one", "1111");
    WriteFile("two", "22");
    EXPECT_EQ(1, CKetrelFile::Exists(KPath("one")));
    EXPECT_EQ(0, CKetrelFile::Exists(KPath("three")));
    EXPECT_EQ(0, CKetrelFile::Exists(CKetrelString()));
    // Open closes the earlier file first.
    CKetrelFile f;
    ASSERT_EQ(KE_OK, f.Open(KPath("one"), KE_FILE_READ));
    f.Seek(2, KE_SEEK_SET);
    ASSERT_EQ(KE_OK, f.Open(KPath("two"), KE_FILE_READ));
    EXPECT_EQ(2, f.GetSize());
    EXPECT_EQ(0, f.GetPosition());
    EXPECT_EQ("22", ReadAll(f, 10));
    // A memory stream replaces a disk file as well.
    char text[] = "mem";
    ASSERT_EQ(KE_OK, f.OpenMemory(text, 3, 0));
    EXPECT_EQ("mem", ReadAll(f, 10));
}
