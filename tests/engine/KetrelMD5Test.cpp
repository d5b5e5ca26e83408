#include "engine/KetrelMD5.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelString.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out.push_back((char)s.GetBuffer()[i]);
    return out;
}

std::string Hex(const CKetrelMD5& md5)
{
    CKetrelString s;
    md5.GetHexDigest(s);
    return Narrow(s);
}

std::string HexOf(const std::vector<u8>& bytes)
{
    CKetrelMD5 md5;
    md5.DigestBuffer(bytes.data(), (u32)bytes.size());
    return Hex(md5);
}

std::vector<u8> RandomBytes(std::mt19937& random, size_t n)
{
    std::vector<u8> bytes(n);
    for (u8& b : bytes)
        b = (u8)random();
    return bytes;
}

// A private folder for files handed to command-line tools; removed with its files.
class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/ketrel_md5_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        for (const std::string& f : files)
            std::remove(f.c_str());
        if (!path.empty())
            rmdir(path.c_str());
    }
    std::string Write(const std::vector<u8>& bytes)
    {
        const std::string name = path + "/f" + std::to_string(files.size());
        FILE* f = std::fopen(name.c_str(), "wb");
        if (f)
        {
            if (!bytes.empty())
                std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        files.push_back(name);
        return name;
    }
    std::string path;
    std::vector<std::string> files;
};

std::string Md5sum(const std::string& file)
{
    const std::string command = "md5sum '" + file + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "";
    char line[256] = {0};
    const char* got = std::fgets(line, sizeof line, pipe);
    pclose(pipe);
    return got ? std::string(line).substr(0, 32) : "";
}
}

// The test suite of RFC 1321, through the narrowing string helper.
TEST(KetrelMD5Digest, ReferenceVectors)
{
    struct Case { const char* text; const char* digest; };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases)
    {
        CKetrelString s(c.text);
        CKetrelMD5::HexOfString(s);
        EXPECT_EQ(c.digest, Narrow(s)) << '"' << c.text << '"';
    }
}

// Only the low byte of each character is hashed.
TEST(KetrelMD5Digest, StringsHashTheirLowBytes)
{
    CKetrelString wide(L"\x161\x162\x163");
    CKetrelMD5::HexOfString(wide);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Narrow(wide));
}

// Lengths around the padding boundaries, fed whole and in uneven pieces.
TEST(KetrelMD5Digest, PiecewiseUpdatesAgreeWithOneBuffer)
{
    std::mt19937 random(1321);
    const size_t lengths[] = {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4096};
    for (size_t n : lengths)
    {
        const std::vector<u8> bytes = RandomBytes(random, n);
        const std::string whole = HexOf(bytes);
        CKetrelMD5 md5;
        md5.Init();
        size_t done = 0;
        while (done < n)
        {
            const size_t piece = std::min(n - done, (size_t)(random() % 70));
            md5.Update(bytes.data() + done, (u32)piece);
            done += piece;
        }
        md5.Final();
        EXPECT_EQ(whole, Hex(md5)) << n << " bytes";
    }
}

TEST(KetrelMD5Digest, AgreesWithMd5sumOnRandomFiles)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    std::mt19937 random(2026);
    const size_t lengths[] = {0, 1, 56, 64, 255, 256, 257, 300, 4095, 65536 + 17, 1000003};
    for (size_t n : lengths)
    {
        const std::vector<u8> bytes = RandomBytes(random, n);
        const std::string file = folder.Write(bytes);
        const std::string expected = Md5sum(file);
        ASSERT_EQ(32u, expected.size()) << "md5sum did not run";
        EXPECT_EQ(expected, HexOf(bytes)) << n << " bytes";

        CKetrelFile stream;
        ASSERT_EQ(KE_OK, stream.Open(CKetrelString(file.c_str()), KE_FILE_READ));
        stream.Seek(5, KE_SEEK_SET);   // the digest starts from the beginning anyway
        CKetrelMD5 md5;
        md5.DigestFile(&stream);
        EXPECT_EQ(expected, Hex(md5)) << n << " bytes from disk";
    }
}

TEST(KetrelMD5Digest, StreamOf300BytesMatchesTheBuffer)
{
    std::vector<u8> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (u8)(i * 7 + 3);
    CKetrelFile stream;
    ASSERT_EQ(KE_OK, stream.OpenMemory(bytes.data(), (u32)bytes.size(), 0));
    stream.Seek(0, KE_SEEK_FROM_END);
    CKetrelMD5 md5;
    md5.DigestFile(&stream);
    EXPECT_EQ(HexOf(bytes), Hex(md5));
    EXPECT_EQ(300, stream.GetPosition());
}

TEST(KetrelMD5Hex, DigitsAndBytes)
{
    struct Case { u8 value; const char* digits; };
    const Case cases[] = {{0x00, "00"}, {0x0F, "0f"}, {0xA0, "a0"}, {0xFF, "ff"}, {0x5C, "5c"}};
    CKetrelString all;
    std::string expected;
    for (const Case& c : cases)
    {
        CKetrelMD5::AppendHexByte(c.value, all);
        expected += c.digits;
    }
    EXPECT_EQ(expected, Narrow(all));

    CKetrelMD5 md5;
    md5.DigestBuffer(reinterpret_cast<const u8*>("abc"), 3);
    const u8 digest[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                           0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    EXPECT_EQ(0, std::memcmp(digest, md5.GetDigest(), 16)) << "digest bytes in memory order";
}
