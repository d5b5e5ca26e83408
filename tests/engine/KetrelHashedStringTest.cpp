#include "engine/KetrelHashedString.h"

#include "engine/KetrelMap.h"

#include <gtest/gtest.h>

#include <string>

TEST(KetrelHashBytes, ReferenceValuesAndTails)
{
    struct Case { const char* name; std::string bytes; u32 hash; };
    const Case cases[] = {
        {"empty text", "", 0x811C1CD9},
        {"abc as units", std::string("a\0b\0c\0", 6), 0x96D1D4A8},
        {"abcdefgh as units", std::string("a\0b\0c\0d\0e\0f\0g\0h\0", 16), 0x9687AC1C},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.hash, KetrelHashBytes(reinterpret_cast<const u8*>(c.bytes.data()), (u32)c.bytes.size()))
            << c.name;
    EXPECT_EQ(0x811C1CD9u, CKetrelHashedString().GetHash());
    EXPECT_EQ(0x96D1D4A8u, CKetrelHashedString(L"abc").GetHash());
    EXPECT_EQ(0x9687AC1Cu, CKetrelHashedString(CKetrelString(L"abcdefgh")).GetHash());
}

// The key hashes its units in place; it must agree with the byte hash for every length.
TEST(KetrelHashBytes, KeysAgreeWithTheByteHashOfTheirUnits)
{
    CKetrelString text;
    std::string bytes;
    for (int n = 0; n < 40; ++n)
    {
        const u16 unit = (u16)(0x41 + n * 977);
        EXPECT_EQ(KetrelHashBytes(reinterpret_cast<const u8*>(bytes.data()), (u32)bytes.size()),
                  CKetrelHashedString::ComputeHash(text)) << n << " units";
        text.Append(unit);
        bytes.push_back((char)(unit & 0xFF));
        bytes.push_back((char)(unit >> 8));
    }
}

// Every tail length mixes its bytes in: changing any one byte changes the hash.
TEST(KetrelHashBytes, EveryByteOfEveryTailCounts)
{
    for (u32 n = 1; n <= 23; ++n)
    {
        u8 bytes[24];
        for (u32 i = 0; i < n; ++i)
            bytes[i] = (u8)(i * 37 + n);
        const u32 base = KetrelHashBytes(bytes, n);
        for (u32 i = 0; i < n; ++i)
        {
            bytes[i] ^= 0x01;
            EXPECT_NE(base, KetrelHashBytes(bytes, n)) << n << " bytes, byte " << i;
            bytes[i] ^= 0x01;
        }
        EXPECT_NE(base, KetrelHashBytes(bytes, n - 1)) << n << " bytes against one less";
    }
}

// Two different texts with one hash, so a map must fall back to the text. Within one
// 8-byte round, flipping bit 0 of the first word and bit 5 of the second cancels out
// (rotl(w0, 5) ^ w1 stays the same): "abcd" and "`bCd" collide.
TEST(KetrelHashedStringOrder, EqualHashesFallBackToTextOrder)
{
    const CKetrelString first(L"abcd"), second(L"`bCd");
    const CKetrelHashedString a(first), b(second);
    ASSERT_EQ(a.GetHash(), b.GetHash());
    const int textOrder = first.Compare(second);
    ASSERT_NE(0, textOrder);
    EXPECT_EQ(textOrder, a.Compare(b));
    EXPECT_EQ(textOrder < 0, a < b);
    EXPECT_EQ(textOrder > 0, a > b);
    EXPECT_FALSE(a == b);

    CKetrelMap<CKetrelHashedString, int> map;
    const CKetrelHashedString lower = textOrder < 0 ? a : b;
    const CKetrelHashedString higher = textOrder < 0 ? b : a;
    map.AddPair({higher, 2});
    map.AddPair({CKetrelHashedString(L"zzz"), 3});
    map.AddPair({lower, 1});
    ASSERT_EQ(3, map.GetCount());
    for (int i = 0; i + 1 < map.GetCount(); ++i)
        EXPECT_LE(map.ElementAt(i)->key.GetHash(), map.ElementAt(i + 1)->key.GetHash());
    const int lowerAt = map.Find(lower);
    const int higherAt = map.Find(higher);
    ASSERT_GE(lowerAt, 0);
    EXPECT_EQ(lowerAt + 1, higherAt);
    EXPECT_EQ(1, map.ElementAt(lowerAt)->value);
    EXPECT_EQ(2, map.ElementAt(higherAt)->value);
}

TEST(KetrelHashedStringOrder, HashDecidesBeforeText)
{
    struct Case { const wchar_t* a; const wchar_t* b; };
    const Case cases[] = {{L"abc", L"abd"}, {L"", L"a"}, {L"resource_1", L"resource_2"}, {L"Z", L"a"}};
    for (const Case& c : cases)
    {
        const CKetrelHashedString a(c.a), b(c.b);
        ASSERT_NE(a.GetHash(), b.GetHash());
        EXPECT_EQ(a.GetHash() < b.GetHash(), a < b) << "unsigned hash order";
        EXPECT_EQ(a < b, b > a);
        EXPECT_TRUE(a == CKetrelHashedString(CKetrelString(c.a)));
    }
    CKetrelHashedString key(L"old");
    key = CKetrelString(L"abc");
    EXPECT_EQ(0x96D1D4A8u, key.GetHash()) << "assignment keeps the hash in step";
}
