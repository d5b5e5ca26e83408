#include "engine/KetrelString.h"

#include "engine/KetrelFile.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
// Readable form of 16-bit text: ASCII as is, everything else as \uXXXX.
std::string Show(const std::u16string& units)
{
    std::string out;
    for (char16_t c : units)
    {
        if (c >= 0x20 && c < 0x7F)
            out.push_back((char)c);
        else
        {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", (unsigned)c);
            out += hex;
        }
    }
    return out;
}

std::u16string Units(const CKetrelString& s)
{
    const u16* b = s.GetBuffer();
    return b ? std::u16string(reinterpret_cast<const char16_t*>(b), (size_t)s.GetLength()) : std::u16string();
}

std::string Show(const CKetrelString& s) { return Show(Units(s)); }

CKetrelString Make(const std::u16string& units)
{
    CKetrelString s;
    u16* b = s.AllocBuffer((int)units.size() + 1);
    if (b)
        std::memcpy(b, units.data(), units.size() * 2);
    return s;
}

}

// ---- construction ----

TEST(KetrelStringBuild, EachSourceFormsItsUnits)
{
    EXPECT_EQ(std::u16string(u"\xF600" u"a"), Units(CKetrelString(L"\x1F600" L"a"))) << "wide units are cut to 16 bits";
    EXPECT_EQ(std::u16string(u"\x00E9\x00FF"), Units(CKetrelString("\xE9\xFF"))) << "bytes widen without a code page";
    const u16 raw[] = {0x41, 0xFFFF, 0};
    EXPECT_EQ(std::u16string(u"A\xFFFF"), Units(CKetrelString(raw)));
    EXPECT_EQ(0, CKetrelString((const wchar_t*)nullptr).GetLength());
    EXPECT_EQ(0, CKetrelString((const char*)nullptr).GetLength());
    EXPECT_EQ(0, CKetrelString((const u16*)nullptr).GetLength());
    EXPECT_EQ(0, CKetrelString((const CKetrelString*)nullptr).GetLength());
    EXPECT_EQ(nullptr, CKetrelString(L"").GetBuffer());
}

TEST(KetrelStringBuild, LongSourcesAreCut)
{
    std::vector<char> text(600000, 'x');
    text.back() = 0;
    EXPECT_EQ(511999, CKetrelString(text.data()).GetLength());
}

TEST(KetrelStringBuild, Substrings)
{
    struct Case { int start, count; const char16_t* expected; };
    const Case cases[] = {
        {0, -1, u"hello"}, {1, 3, u"ell"}, {4, 1, u"o"}, {2, -1, u"llo"},
        {0, 0, u""}, {5, -1, u""}, {3, 99, u"lo"}, {-2, 2, u"he"}, {9, 1, u""},
    };
    const CKetrelString source(L"hello");
    for (const Case& c : cases)
        EXPECT_EQ(Show(c.expected), Show(CKetrelString(source, c.start, c.count))) << c.start << "," << c.count;
}

TEST(KetrelStringBuild, CopiesAreDeepAndSelfAssignmentKeepsText)
{
    CKetrelString a(L"abc");
    CKetrelString b(a);
    b.SetAt(0, 'X');
    EXPECT_EQ("abc", Show(a));
    CKetrelString& same = a;
    a = same;
    EXPECT_EQ("abc", Show(a));
    a.Assign(a.GetBuffer() + 1);   // a source inside its own buffer
    EXPECT_EQ("bc", Show(a));
}

TEST(KetrelStringBuild, AllocBufferSizes)
{
    CKetrelString s(L"old");
    EXPECT_EQ(nullptr, s.AllocBuffer(1));
    EXPECT_EQ(0, s.GetLength());
    u16* b = s.AllocBuffer(4);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3, s.GetLength());
    EXPECT_EQ(0, b[3]);
    EXPECT_EQ(nullptr, s.AllocBuffer(-5));
}

// ---- comparison and search ----

TEST(KetrelStringCompare, OrderOfEmptyPrefixAndUnits)
{
    struct Case { const wchar_t* a; const wchar_t* b; int expected; };
    const Case cases[] = {
        {L"", L"a", -1}, {L"a", L"", 1}, {L"", L"", 0},
        {L"ab", L"abc", -1}, {L"abc", L"ab", 1}, {L"b", L"abc", 1},
        {L"abc", L"abc", 0}, {L"\xFFFF", L"a", 1}, {L"a\x8000", L"a\x7FFF", 1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.expected, CKetrelString(c.a).Compare(CKetrelString(c.b))) << Show(CKetrelString(c.a));
        EXPECT_EQ(-c.expected, CKetrelString(c.b).Compare(CKetrelString(c.a))) << "swapped";
    }
}

TEST(KetrelStringCompare, NoCaseUsesTheEngineCaseRanges)
{
    struct Case { const wchar_t* a; const wchar_t* b; int expected; };
    const Case cases[] = {
        {L"ABC", L"abc", 0}, {L"abc", L"ABD", -1}, {L"Zeta", L"alpha", 1},
        {L"\x00C0", L"\x00E0", 0}, {L"\x00D8", L"\x00F8", -1}, {L"", L"A", -1},
        {L"[", L"a", -1},   // '[' stays below 'a' once 'A' is lowered
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CKetrelString(c.a).CompareNoCase(CKetrelString(c.b))) << Show(CKetrelString(c.a));
}

TEST(KetrelStringSearch, CharacterSearches)
{
    struct Case { const wchar_t* text; bool reverse; wchar_t ch; int start; int expected; };
    const Case cases[] = {
        {L"aba", false, 'a', 0, 0}, {L"aba", false, 'a', 1, 2}, {L"aba", false, 'a', -7, 0},
        {L"aba", false, 'a', 3, -1}, {L"aba", false, 'c', 0, -1}, {L"", false, 'a', 0, -1},
        {L"aba", true, 'a', -1, 2}, {L"aba", true, 'a', 1, 0}, {L"aba", true, 'b', 0, -1},
        {L"aba", true, 'a', 4, -1}, {L"aba", true, 'a', -2, -1}, {L"", true, 'a', -1, -1},
    };
    for (const Case& c : cases)
    {
        const CKetrelString s(c.text);
        const int got = c.reverse ? s.ReverseFind((u16)c.ch, c.start) : s.Find((u16)c.ch, c.start);
        EXPECT_EQ(c.expected, got) << Show(s) << (c.reverse ? " reverse " : " ") << (char)c.ch << " from " << c.start;
    }
}

TEST(KetrelStringSearch, SubstringSearches)
{
    struct Case { const wchar_t* text; const wchar_t* sub; int start; int expected; };
    const Case cases[] = {
        {L"abc", L"bc", 0, 1}, {L"abc", L"abcd", 0, -1}, {L"abc", L"", 0, -1},
        {L"", L"a", 0, -1}, {L"abcabc", L"abc", 1, 3}, {L"abcabc", L"abc", -4, 0},
        {L"abcab", L"abc", 1, -1}, {L"aaa", L"aa", 1, 1}, {L"abc", L"c", 3, -1},
        {L"abc", L"c", 9, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CKetrelString(c.text).Find(CKetrelString(c.sub), c.start))
            << Show(CKetrelString(c.text)) << " / " << Show(CKetrelString(c.sub)) << " from " << c.start;
}

TEST(KetrelStringSearch, StartsWith)
{
    struct Case { const wchar_t* text; const wchar_t* sub; int expected; };
    const Case cases[] = {
        {L"abc", L"ab", 1}, {L"abc", L"abc", 1}, {L"abc", L"", 0},
        {L"ab", L"abc", 0}, {L"abc", L"b", 0}, {L"", L"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CKetrelString(c.text).StartsWith(CKetrelString(c.sub))) << Show(CKetrelString(c.text));
}

// ---- changes ----

TEST(KetrelStringChange, AppendAndSetLength)
{
    CKetrelString s;
    s.Append((u16)'x');
    EXPECT_EQ("x", Show(s));
    s.Append(CKetrelString(L"yz"));
    s.Append(s);
    EXPECT_EQ("xyzxyz", Show(s));
    s.Append(CKetrelString());
    EXPECT_EQ(6, s.GetLength());

    struct Case { const wchar_t* text; int n; const char* expected; };
    const Case cases[] = {
        {L"abc", 5, "abc  "}, {L"abc", 2, "ab"}, {L"abc", 0, ""},
        {L"abc", -3, ""}, {L"", 3, "   "}, {L"abc", 3, "abc"},
    };
    for (const Case& c : cases)
    {
        CKetrelString t(c.text);
        t.SetLength(c.n);
        EXPECT_EQ(c.expected, Show(t)) << c.n;
        EXPECT_EQ((int)std::strlen(c.expected), t.GetLength());
    }
}

TEST(KetrelStringChange, ReplaceFirst)
{
    struct Case { const wchar_t* text; const wchar_t* find; const wchar_t* with; int index; const char* expected; };
    const Case cases[] = {
        {L"a-b-c", L"-", L"+", 1, "a+b-c"}, {L"abc", L"abc", L"", 0, ""},
        {L"abc", L"x", L"y", -1, "abc"}, {L"", L"a", L"b", -1, ""},
        {L"abc", L"", L"y", -1, "abc"}, {L"abc", L"c", L"cde", 2, "abcde"},
    };
    for (const Case& c : cases)
    {
        CKetrelString s(c.text);
        EXPECT_EQ(c.index, s.Replace(CKetrelString(c.find), CKetrelString(c.with))) << Show(CKetrelString(c.text));
        EXPECT_EQ(c.expected, Show(s));
    }
}

// A replacement that holds the searched text must not search itself again.
TEST(KetrelStringChange, ReplaceAllEndsAndCollapsesRuns)
{
    struct Case { const wchar_t* text; const wchar_t* find; const wchar_t* with; int count; const char* expected; };
    const Case cases[] = {
        {L"a&b&", L"&", L"&amp;", 2, "a&amp;b&amp;"},
        {L"\n\n", L"\n", L"\r\n", 2, "\\u000D\\u000A\\u000D\\u000A"},
        {L"xax", L"a", L"aa", 1, "xaax"},
        {L"aaa", L"a", L"a", 0, "aaa"},
        {L"a    b", L"  ", L" ", 3, "a b"},
        {L"abab", L"ab", L"", 2, ""},
        {L"aXbX", L"X", L"Y", 2, "aYbY"},
        {L"abc", L"z", L"zz", 0, "abc"},
    };
    for (const Case& c : cases)
    {
        CKetrelString s(c.text);
        EXPECT_EQ(c.count, s.ReplaceAll(CKetrelString(c.find), CKetrelString(c.with))) << Show(CKetrelString(c.text));
        EXPECT_EQ(c.expected, Show(s));
    }
    CKetrelString self(L"ab");
    EXPECT_EQ(1, self.ReplaceAll(self, CKetrelString(L"[ab]")));
    EXPECT_EQ("[ab]", Show(self));
}

TEST(KetrelStringChange, CaseRangesAreExact)
{
    struct Case { u16 in, lower, upper; };
    const Case cases[] = {
        {'A', 'a', 'A'}, {'Z', 'z', 'Z'}, {'a', 'a', 'A'}, {'z', 'z', 'Z'}, {'@', '@', '@'},
        {0xBE, 0xBE, 0xBE}, {0xBF, 0xDF, 0xBF}, {0xC0, 0xE0, 0xC0}, {0xD6, 0xF6, 0xD6},
        {0xD7, 0xD7, 0xD7}, {0xD8, 0xD8, 0xD8}, {0xE0, 0xE0, 0xE0}, {0xE1, 0xE1, 0xC1},
        {0xF6, 0xF6, 0xD6}, {0xF7, 0xF7, 0xF7}, {0x100, 0x100, 0x100},
    };
    for (const Case& c : cases)
    {
        const u16 text[] = {c.in, 0};
        CKetrelString lower(text), upper(text);
        lower.MakeLower();
        upper.MakeUpper();
        EXPECT_EQ(c.lower, lower.GetBuffer()[0]) << std::hex << c.in;
        EXPECT_EQ(c.upper, upper.GetBuffer()[0]) << std::hex << c.in;
    }
}

// ---- numbers ----

TEST(KetrelStringNumber, IntegersInEachRadix)
{
    struct Case { bool isSigned; i64 value; int radix; const char* expected; };
    const Case cases[] = {
        {false, 0, 10, "0"}, {false, 4294967295LL, 10, "4294967295"}, {false, 255, 16, "ff"},
        {false, 5, 2, "101"}, {false, 8, 8, "10"}, {false, 35, 0, "35"}, {false, 35, 1, "35"},
        {false, 35, 17, "35"}, {true, -5, 10, "-5"}, {true, INT_MIN, 10, "-2147483648"},
        {true, INT_MAX, 10, "2147483647"}, {true, -255, 16, "-ff"}, {true, 0, 10, "0"},
    };
    for (const Case& c : cases)
    {
        CKetrelString s;
        if (c.isSigned)
            s.FromInt((i32)c.value, c.radix);
        else
            s.FromUnsigned((u32)c.value, c.radix);
        EXPECT_EQ(c.expected, Show(s)) << c.value << " radix " << c.radix;
    }
}

// Texts follow the truncating 24-bit fraction: 0.1f is 0.099999964, not 0.100000001.
TEST(KetrelStringNumber, FloatsTruncateFromTheirBits)
{
    struct Case { float value; int decimals; const char* expected; };
    const Case cases[] = {
        {-0.25f, 1, "-0.2"}, {-0.0f, 1, "-0.0"}, {0.0f, 3, "0.0"}, {0.0f, 0, "0"},
        {2.0f, 9, "2.0"}, {0.5f, 9, "0.500000000"}, {1.999f, 2, "1.99"}, {3.75f, 0, "3"},
        {0.1f, 9, "0.099999964"}, {0.3f, 9, "0.300000011"}, {123.456f, 3, "123.456"},
        {1e-10f, 3, "0.0"}, {4294967296.0f, 0, "4294967296"}, {-1.5e10f, 1, "-15000000512.0"},
        {1e20f, 2, "100000002004087734272.0"},
        {FLT_MAX, 1, "340282346638528859811704183484516925440.0"},
        {INFINITY, 2, "inf"}, {-INFINITY, 2, "-inf"}, {NAN, 2, "nan"}, {-NAN, 2, "nan"},
        {FLT_MIN / 4, 2, "0.0"},
    };
    for (const Case& c : cases)
    {
        CKetrelString s;
        s.FromFloat(c.value, c.decimals);
        EXPECT_EQ(c.expected, Show(s)) << c.value << " with " << c.decimals;
    }
    CKetrelString many;
    many.FromFloat(-FLT_MAX, 100000);
    EXPECT_LT(many.GetLength(), 256);
}

// Where the fraction fits 24 bits the digits are the exact expansion, truncated.
TEST(KetrelStringNumber, FloatsMatchTheExactDecimalExpansion)
{
    std::mt19937 random(1103);
    for (int i = 0; i < 20000; ++i)
    {
        u32 bits = random();
        const u32 exponent = 126 + random() % 24;   // |v| in [0.5, 2^24)
        bits = (bits & 0x807FFFFF) | (exponent << 23);
        float v;
        std::memcpy(&v, &bits, 4);
        const int decimals = 1 + (int)(random() % 9);
        char exact[128];
        std::snprintf(exact, sizeof exact, "%.40f", (double)v);
        std::string expected(exact);
        expected = expected.substr(0, expected.find('.') + 1 + decimals);
        if (std::fmod((double)v, 1.0) == 0.0)
            expected = expected.substr(0, expected.find('.') + 1) + "0";
        CKetrelString s;
        s.FromFloat(v, decimals);
        ASSERT_EQ(expected, Show(s)) << exact;
    }
}

// ---- formatting ----

TEST(KetrelStringFormat, ConversionsAndModifiers)
{
    struct Case { const char* name; CKetrelString (*run)(); const char* expected; };
    const Case cases[] = {
        {"pad two", [] { CKetrelString s; s.Format(L"%02d:%02d", 5, 7); return s; }, "05:07"},
        {"negative", [] { CKetrelString s; s.Format(L"%d", -5); return s; }, "-5"},
        {"u is signed", [] { CKetrelString s; s.Format(L"%u", -1); return s; }, "-1"},
        {"upper hex", [] { CKetrelString s; s.Format(L"%X", 255); return s; }, "FF"},
        {"hex wraps to 32 bits", [] { CKetrelString s; s.Format(L"%x", -1); return s; }, "ffffffff"},
        {"precision", [] { CKetrelString s; s.Format(L"%.2f", 1.999); return s; }, "1.99"},
        {"whole float", [] { CKetrelString s; s.Format(L"%f", 2.0); return s; }, "2.0"},
        {"nine decimals", [] { CKetrelString s; s.Format(L"%f", 0.5); return s; }, "0.500000000"},
        {"float arg", [] { CKetrelString s; s.Format(L"%.1f", 0.75f); return s; }, "0.7"},
        {"unknown", [] { CKetrelString s; s.Format(L"%q%d", 3); return s; }, "3"},
        {"percent", [] { CKetrelString s; s.Format(L"100%%"); return s; }, "100%"},
        {"trailing percent", [] { CKetrelString s; s.Format(L"ab%"); return s; }, "ab"},
        {"l skipped", [] { CKetrelString s; s.Format(L"%ld", 12); return s; }, "12"},
        {"one width digit", [] { CKetrelString s; s.Format(L"[%5d]", 42); return s; }, "[   42]"},
        {"pad before sign", [] { CKetrelString s; s.Format(L"%05d", -3); return s; }, "000-3"},
        {"pad hex", [] { CKetrelString s; s.Format(L"0x%08x", 0xBEEF); return s; }, "0x0000beef"},
        {"width cleared", [] { CKetrelString s; s.Format(L"%3d%d", 1, 2); return s; }, "  12"},
        {"longer than width", [] { CKetrelString s; s.Format(L"%02d", 12345); return s; }, "12345"},
        {"precision waits for f", [] { CKetrelString s; s.Format(L"%.2d%f", 5, 1.5); return s; }, "51.50"},
        {"precision reset", [] { CKetrelString s; s.Format(L"%.1f %f", 1.5, 1.5); return s; }, "1.5 1.500000000"},
        {"width on text ignored", [] { CKetrelString s; s.Format(L"%5s", L"ab"); return s; }, "ab"},
        {"u16 text", [] { CKetrelString s; const u16 t[] = {'h', 'i', 0}; s.Format(L"<%s>", t); return s; }, "<hi>"},
        {"engine string", [] { CKetrelString s; s.Format(L"<%S>", CKetrelString(L"hi")); return s; }, "<hi>"},
        {"8-bit text", [] { CKetrelString s; s.Format(L"<%s>", "\xE9"); return s; }, "<\\u00E9>"},
        {"wide text", [] { CKetrelString s; s.Format(L"<%s>", L"\x20AC"); return s; }, "<\\u20AC>"},
        {"null text", [] { CKetrelString s; s.Format(L"<%s>", (const u16*)nullptr); return s; }, "<>"},
        {"empty text", [] { CKetrelString s; s.Format(L"<%s>", CKetrelString()); return s; }, "<>"},
        {"u16 format", [] { CKetrelString s; CKetrelString f(L"%d-%d"); s.Format(f.GetBuffer(), 1, 2); return s; }, "1-2"},
        {"int64 low bits", [] { CKetrelString s; s.Format(L"%d", (i64)0x100000005LL); return s; }, "5"},
        {"pointer as hex", [] { CKetrelString s; s.Format(L"%x", (const void*)(std::uintptr_t)0x12345678u); return s; }, "12345678"},
        {"enum", [] { enum E { kSeven = 7 }; CKetrelString s; s.Format(L"%d", kSeven); return s; }, "7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Show(c.run())) << c.name;
}

// Format texts may come from outside: a wrong or missing argument must print nothing.
TEST(KetrelStringFormat, MissingAndMismatchedArgumentsPrintNothing)
{
    struct Case { const char* name; CKetrelString (*run)(); const char* expected; };
    const Case cases[] = {
        {"missing int", [] { CKetrelString s; s.Format(L"a%db"); return s; }, "ab"},
        {"missing after one", [] { CKetrelString s; s.Format(L"%d %d %s %f", 1); return s; }, "1   "},
        {"float for d", [] { CKetrelString s; s.Format(L"[%d]", 1.5); return s; }, "[]"},
        {"int for f", [] { CKetrelString s; s.Format(L"[%f]", 1); return s; }, "[]"},
        {"int for s", [] { CKetrelString s; s.Format(L"[%s]", 7); return s; }, "[]"},
        {"text for d", [] { CKetrelString s; s.Format(L"[%d]", L"x"); return s; }, "[]"},
        {"text for x", [] { CKetrelString s; s.Format(L"[%x]", CKetrelString(L"x")); return s; }, "[]"},
        {"pointer for d", [] { CKetrelString s; int v = 0; s.Format(L"[%d]", &v); return s; }, "[]"},
        {"later keep places", [] { CKetrelString s; s.Format(L"%s %d", 1, 2); return s; }, " 2"},
        {"padded mismatch", [] { CKetrelString s; s.Format(L"[%05d]", L"x"); return s; }, "[]"},
        {"many conversions", [] { CKetrelString s; s.Format(L"%s%s%s%s%s%s%s%s%d%x%f"); return s; }, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Show(c.run())) << c.name;
}

TEST(KetrelStringFormat, NullFormatKeepsTextAndLongOutputGrows)
{
    CKetrelString s(L"keep");
    s.Format((const wchar_t*)nullptr, 1);
    EXPECT_EQ("keep", Show(s));
    s.Format((const u16*)nullptr);
    EXPECT_EQ("keep", Show(s));

    CKetrelString big;
    big.SetLength(1500);
    s.Format(L"<%s|%s>", big, big);
    EXPECT_EQ(3003, s.GetLength());
    EXPECT_EQ('|', s.GetBuffer()[1501]);
    EXPECT_EQ('>', s.GetBuffer()[3002]);

    std::wstring longFormat(300, L'.');
    longFormat += L"%d";
    s.Format(longFormat.c_str(), 7);
    EXPECT_EQ(301, s.GetLength());
    EXPECT_EQ('7', s.GetBuffer()[300]);
    i32 value = 0;
    EXPECT_EQ(1, CKetrelString(L"x 5").Scan(longFormat.c_str(), &value));
    EXPECT_EQ(5, value);

    // The string may format itself.
    s.Assign(L"ab");
    s.Format(L"%s%s", s, s);
    EXPECT_EQ("abab", Show(s));
}

// Well-formed integer and text formats give what the C library gives.
TEST(KetrelStringFormat, AgreesWithTheCLibrary)
{
    std::mt19937 random(20261207);
    const char* conversions[] = {"d", "x", "X", "02d", "05d", "7d", "08x", "03X", "s", "%", "ld"};
    for (int round = 0; round < 5000; ++round)
    {
        std::string format;
        std::string expected;
        std::vector<CKetrelFormatArg> args;
        const int parts = 1 + (int)(random() % 6);
        for (int p = 0; p < parts; ++p)
        {
            if (random() % 2)
            {
                const char literal[] = {(char)('a' + random() % 26), ' ', ':', '-'};
                format.push_back(literal[random() % 4]);
                expected.push_back(format.back());
                continue;
            }
            const std::string conversion = conversions[random() % (sizeof conversions / sizeof *conversions)];
            format += "%" + conversion;
            char piece[64];
            const char last = conversion.back();
            if (last == '%')
                std::snprintf(piece, sizeof piece, "%%");
            else if (last == 's')
            {
                static const char* texts[] = {"", "a", "word", "two words"};
                const char* text = texts[random() % 4];
                std::snprintf(piece, sizeof piece, "%s", text);
                args.push_back(KetrelStringDetail::MakeFormatArg(text));
            }
            else
            {
                // Non-negative values: the engine pads before a sign, the C library after.
                const i32 value = (last == 'd') ? (i32)(random() % 2 ? random() % 100 : random() >> 1)
                                                : (i32)random();
                const std::string cformat = "%" + (conversion == "ld" ? std::string("d") : conversion);
                std::snprintf(piece, sizeof piece, cformat.c_str(), value);
                args.push_back(KetrelStringDetail::MakeFormatArg(value));
            }
            expected += piece;
        }
        std::wstring wide(format.begin(), format.end());
        CKetrelString s;
        s.FormatArgs(wide.c_str(), args.data(), (int)args.size());
        ASSERT_EQ(expected, Show(s)) << format;
    }
}

// ---- reading fields ----

TEST(KetrelStringScan, NumbersAndSeparators)
{
    struct Case { const wchar_t* text; const wchar_t* format; int count; i32 a, b, c; };
    const Case cases[] = {
        {L"12, -7", L"%d,%d", 2, 12, -7, 0},
        {L"abc", L"%d", 1, 0, 0, 0},   // no digit stores 0
        {L"x-y-4", L"%d", 1, -4, 0, 0},
        {L"7 8 9", L"%d %d %d", 3, 7, 8, 9},
        {L"2026.12.7", L"%d.%d.%d", 3, 2026, 12, 7},
        {L"99999999999", L"%d", 1, INT_MAX, 0, 0},
        {L"-99999999999", L"%d", 1, INT_MIN, 0, 0},
        {L"-2147483648", L"%d", 1, INT_MIN, 0, 0},
        {L"2147483647", L"%d", 1, INT_MAX, 0, 0},
        {L"ff", L"%x", 1, 255, 0, 0},
        {L"FFFFFFFF", L"%x", 1, -1, 0, 0},
        {L"123456789", L"%x", 1, 0x23456789, 0, 0},
        {L"zz", L"%x", 1, 0, 0, 0},
        {L"", L"%d", 0, 0, 0, 0},
        {L"   ", L"%d", 0, 0, 0, 0},
        {L"5", L"%d %d", 1, 5, 0, 0},
        {L"1 2", L"%q%d", 1, 1, 0, 0},
        {L"1,2", L"%d;%d", 2, 1, 2, 0},   // a missing literal leaves the position
    };
    for (const Case& c : cases)
    {
        i32 v[3] = {0, 0, 0};
        EXPECT_EQ(c.count, CKetrelString(c.text).Scan(c.format, &v[0], &v[1], &v[2])) << Show(CKetrelString(c.text));
        EXPECT_EQ(c.a, v[0]) << Show(CKetrelString(c.text));
        EXPECT_EQ(c.b, v[1]) << Show(CKetrelString(c.text));
        EXPECT_EQ(c.c, v[2]) << Show(CKetrelString(c.text));
    }
}

TEST(KetrelStringScan, Floats)
{
    struct Case { const wchar_t* text; int count; float value; };
    const Case cases[] = {
        {L"3,5", 1, 3.5f}, {L"3.25", 1, 3.25f}, {L"-0.5", 1, -0.5f}, {L"x 12", 1, 12.0f},
        {L"1.2.3", 1, 1.2f}, {L"none", 1, 0.0f}, {L"1e5", 1, 1.0f},
    };
    for (const Case& c : cases)
    {
        float v = -99.0f;
        EXPECT_EQ(c.count, CKetrelString(c.text).Scan(L"%f", &v)) << Show(CKetrelString(c.text));
        EXPECT_FLOAT_EQ(c.value, v) << Show(CKetrelString(c.text));
    }
    std::wstring huge(60, L'9');
    float v = 0;
    CKetrelString(huge.c_str()).Scan(L"%f", &v);
    EXPECT_TRUE(std::isinf(v));

    // Decimals so many that their weight falls below the smallest double are still
    // decimals: they neither become integer digits nor let a second '.' start again.
    struct Long { std::wstring text; float value; };
    const Long longCases[] = {
        {L"0." + std::wstring(400, L'0') + L"123", 0.0f},
        {L"2." + std::wstring(400, L'5') + L"99", 2.5555555f},
        {L"1." + std::wstring(400, L'0') + L".7", 1.0f},
    };
    for (const Long& c : longCases)
    {
        float w = -99.0f;
        EXPECT_EQ(1, CKetrelString(c.text.c_str()).Scan(L"%f", &w)) << c.text.size();
        EXPECT_FLOAT_EQ(c.value, w) << c.text.size();
    }
}

// The text buffer is never written past its capacity.
TEST(KetrelStringScan, TextFieldsAreBounded)
{
    struct Case { const wchar_t* text; const wchar_t* format; int capacity; int count; const char* field; i32 number; };
    const Case cases[] = {
        {L"name,42", L"%s,%d", 16, 2, "name", 42},
        {L"abcdef", L"%s", 4, 1, "abc", -1},
        {L"abcdef,7", L"%s,%d", 3, 2, "ab", 7},
        {L"  lead", L"%s", 16, 1, "lead", -1},
        {L"a b", L"%s %d", 16, 2, "a", 0},   // no digit stores 0
        {L"x", L"%s", 1, 1, "", -1},
        {L"x", L"%s", 0, 0, "#", -1},
    };
    for (const Case& c : cases)
    {
        u16 buffer[17];
        for (u16& u : buffer)
            u = '#';
        i32 number = -1;
        EXPECT_EQ(c.count, CKetrelString(c.text).Scan(c.format, CKetrelScanText{buffer, c.capacity}, &number))
            << Show(CKetrelString(c.text));
        const int end = c.capacity > 0 ? c.capacity : 0;
        std::u16string field;
        for (int k = 0; k < end && buffer[k] != 0; ++k)
            field.push_back((char16_t)buffer[k]);
        if (c.capacity > 0)
        {
            EXPECT_EQ(c.field, Show(field)) << Show(CKetrelString(c.text));
        }
        EXPECT_EQ('#', buffer[end]) << "written past the capacity: " << Show(CKetrelString(c.text));
        EXPECT_EQ(c.number, number) << Show(CKetrelString(c.text));
    }
}

TEST(KetrelStringScan, NullAndWrongTargetsUseUpTheirArgument)
{
    i32 a = -1, b = -1;
    float f = -1.0f;
    EXPECT_EQ(1, CKetrelString(L"4 5").Scan(L"%d %d", (i32*)nullptr, &b));
    EXPECT_EQ(4, b) << "the skipped field was not read";
    EXPECT_EQ(1, CKetrelString(L"4 5").Scan(L"%d %d", &f, &a));
    EXPECT_EQ(-1.0f, f);
    EXPECT_EQ(4, a);
    static_assert(!KetrelStringDetail::IsScanTarget<u16*>::value, "an unbounded buffer is refused");
    static_assert(!KetrelStringDetail::IsScanTarget<const i32*>::value, "a read-only target is refused");
    static_assert(!KetrelStringDetail::IsScanTarget<i64*>::value, "a wider integer is refused");
    static_assert(KetrelStringDetail::IsScanTarget<CKetrelScanText>::value, "a bounded buffer is taken");
    u32 unsignedValue = 0;
    EXPECT_EQ(1, CKetrelString(L"ffffffff").Scan(L"%x", &unsignedValue));
    EXPECT_EQ(0xFFFFFFFFu, unsignedValue);
}

// ---- 8-bit and UTF-8 ----

TEST(KetrelStringNarrow, LowBytesAndSizes)
{
    char out[8];
    EXPECT_EQ(4, CKetrelString(L"a\x1E9" L"c").ToNarrow(out));
    EXPECT_EQ(std::string("a\xE9" "c"), std::string(out));
    EXPECT_EQ(4, CKetrelString(L"abc").ToNarrow(nullptr));
    out[0] = 'x';
    EXPECT_EQ(0, CKetrelString().ToNarrow(out));
    EXPECT_EQ(0, out[0]);
}

TEST(KetrelStringUTF8, EncodesOneToThreeBytes)
{
    struct Case { const wchar_t* text; const char* bytes; int size; };
    const Case cases[] = {
        {L"\x20AC", "\xE2\x82\xAC", 4}, {L"", "", 1}, {L"A", "A", 2},
        {L"\x7F\x80", "\x7F\xC2\x80", 4}, {L"\x7FF\x800", "\xDF\xBF\xE0\xA0\x80", 6},
        {L"\xFFFF", "\xEF\xBF\xBF", 4},
    };
    for (const Case& c : cases)
    {
        const CKetrelString s(c.text);
        char out[16];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(c.size, s.ToUTF8(nullptr)) << Show(s);
        EXPECT_EQ(c.size, s.ToUTF8(out)) << Show(s);
        EXPECT_EQ(std::string(c.bytes), std::string(out)) << Show(s);
    }
}

TEST(KetrelStringUTF8, EveryUnitOutsideTheSurrogatesRoundTrips)
{
    std::u16string all;
    for (u32 u = 1; u <= 0xFFFF; ++u)
        if (u < 0xD800 || u > 0xDFFF)
            all.push_back((char16_t)u);
    const CKetrelString s = Make(all);
    std::vector<char> bytes((size_t)s.ToUTF8(nullptr));
    ASSERT_EQ((int)bytes.size(), s.ToUTF8(bytes.data()));
    CKetrelString back;
    back.FromUTF8(bytes.data(), -1);
    EXPECT_EQ(0, back.Compare(s));
    back.FromUTF8(bytes.data(), (int)bytes.size() - 1);
    EXPECT_EQ(0, back.Compare(s));
}

// Malformed input gives U+FFFD, never a 0 unit, and nothing past the limit is read:
// each input sits in a heap block of its exact size, so a read beyond trips the
// address checker.
TEST(KetrelStringUTF8, MalformedInputBecomesReplacementCharacters)
{
    struct Case { const char* name; std::string bytes; int maxBytes; std::u16string expected; };
    const std::u16string R(1, u'\xFFFD');
    const Case cases[] = {
        {"stray continuation", "a\x80" "b", 3, u"a" + R + u"b"},
        {"lead at the end", "a\xC3", 2, u"a" + R},
        {"overlong two", "\xC0\xAF", 2, R + R},
        {"overlong three", "\xE0\x80\xAF", 3, R + R + R},
        {"surrogate", "\xED\xA0\x80", 3, R + R + R},
        {"four bytes", "\xF0\x9F\x98\x80" "x", 5, R + u"x"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 4, R + R + R + R},
        {"invalid lead", "\xFF\xFE", 2, R + R},
        {"cut three", "\xE2\x82", 2, R},
        {"cut by the limit", "\xE2\x82\xAC", 2, R},
        {"broken by ASCII", "\xE2\x82" "A", 3, R + u"A"},
        {"exact three", "\xE2\x82\xAC", 3, u"\x20AC"},
        {"two bytes", "\xC3\xA9", 2, u"\x00E9"},
        {"ASCII cut", "abcdef", 3, u"abc"},
        {"zero stops", std::string("ab\0cd", 5), 5, u"ab"},
        {"no limit", std::string("ab\0", 3), -1, u"ab"},
        {"zero limit", "abc", 0, u""},
        {"negative limit", "abc", -2, u""},
        {"only garbage", "\x80\x80", 2, R + R},
    };
    for (const Case& c : cases)
    {
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        char* block = new char[exact.size()];
        std::memcpy(block, exact.data(), exact.size());
        CKetrelString s(L"old");
        s.FromUTF8(block, c.maxBytes);
        delete[] block;
        EXPECT_EQ(Show(c.expected), Show(s)) << c.name;
        EXPECT_EQ(-1, s.Find((u16)0, 0)) << c.name;
    }
    CKetrelString s(L"old");
    s.FromUTF8(nullptr, -1);
    EXPECT_EQ(0, s.GetLength());
}

// ---- streams ----

TEST(KetrelStringStream, RoundTripThroughMemory)
{
    const CKetrelString cases[] = {CKetrelString(L"hello"), CKetrelString(), CKetrelString(L"\x20AC\xFFFF\x0100")};
    for (const CKetrelString& original : cases)
    {
        u8 bytes[64];
        std::memset(bytes, 0xEE, sizeof bytes);
        CKetrelFile file;
        ASSERT_EQ(KE_OK, file.OpenMemory(bytes, sizeof bytes, KE_FILE_WRITE));
        const int expectedBytes = 4 + 2 * original.GetLength();
        EXPECT_EQ(expectedBytes, original.WriteTo(&file)) << Show(original);
        EXPECT_EQ((u8)original.GetLength(), bytes[0]);
        EXPECT_EQ(0, bytes[1]);
        file.Seek(0, KE_SEEK_SET);
        CKetrelString back(L"old");
        EXPECT_EQ(expectedBytes, back.ReadFrom(&file)) << Show(original);
        EXPECT_EQ(0, back.Compare(original)) << Show(original);
        EXPECT_EQ(expectedBytes, file.GetPosition());
    }
    u8 layout[8];
    CKetrelFile file;
    ASSERT_EQ(KE_OK, file.OpenMemory(layout, sizeof layout, KE_FILE_WRITE));
    CKetrelString(L"\x1234").WriteTo(&file);
    const u8 expected[] = {1, 0, 0, 0, 0x34, 0x12};
    EXPECT_EQ(0, std::memcmp(expected, layout, sizeof expected)) << "little-endian length and units";
}

// A stored length is checked against what the stream still holds.
TEST(KetrelStringStream, CorruptLengthsAreRefused)
{
    struct Case { const char* name; std::vector<u8> bytes; int read; const char* text; };
    const Case cases[] = {
        {"huge length", {0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, 0, ""},
        {"one unit short", {3, 0, 0, 0, 'a', 0, 'b', 0, 'c'}, 0, ""},
        {"exact", {2, 0, 0, 0, 'a', 0, 'b', 0}, 8, "ab"},
        {"short header", {2, 0, 0}, 0, ""},
        {"zero length", {0, 0, 0, 0, 'x'}, 4, ""},
    };
    for (const Case& c : cases)
    {
        std::vector<u8> bytes = c.bytes;
        CKetrelFile file;
        ASSERT_EQ(KE_OK, file.OpenMemory(bytes.data(), (u32)bytes.size(), 0));
        CKetrelString s(L"old");
        EXPECT_EQ(c.read, s.ReadFrom(&file)) << c.name;
        EXPECT_EQ(c.text, Show(s)) << c.name;
        EXPECT_EQ(c.read, file.GetPosition()) << c.name << ": a refused read leaves the position";
    }
}
