#include "engine/KetrelString.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::u16string Units(const CKetrelString& s)
{
    const u16* b = s.GetBuffer();
    return b ? std::u16string(reinterpret_cast<const char16_t*>(b), (size_t)s.GetLength()) : std::u16string();
}

std::u16string U(const char* text)
{
    std::u16string out;
    while (*text)
        out.push_back((char16_t)(u8)*text++);
    return out;
}
}

TEST(KetrelStringCompare, OrderOfEmptyPrefixAndUnits)
{
    struct Case { const wchar_t* a; const wchar_t* b; int expected; };
    const Case cases[] = {
        {L"", L"a", -1},
        {L"a", L"", 1},
        {L"", L"", 0},
        {L"ab", L"abc", -1},
        {L"abc", L"ab", 1},
        {L"b", L"abc", 1},
        {L"abc", L"abc", 0},
        {L"\xFFFF", L"a", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CKetrelString(c.a).Compare(CKetrelString(c.b))) << "a=" << c.a;
}

TEST(KetrelStringFormat, EdgeCasesOfTheConversions)
{
    CKetrelString s;
    s.Format(L"%02d:%02d", 5, 7);
    EXPECT_EQ(U("05:07"), Units(s));
    s.Format(L"%d", -5);
    EXPECT_EQ(U("-5"), Units(s));
    s.Format(L"%u", -1);
    EXPECT_EQ(U("-1"), Units(s));
    s.Format(L"%X", 255);
    EXPECT_EQ(U("FF"), Units(s));
    s.Format(L"%.2f", 1.999);
    EXPECT_EQ(U("1.99"), Units(s));
    s.Format(L"%f", 2.0);
    EXPECT_EQ(U("2.0"), Units(s));
    s.Format(L"%f", 0.5);
    EXPECT_EQ(U("0.500000000"), Units(s));
    s.Format(L"%q%d", 3);
    EXPECT_EQ(U("3"), Units(s));
}
