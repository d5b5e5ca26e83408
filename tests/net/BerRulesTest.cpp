#include "engine/KetrelResult.h"
#include "net/ASN1Field.h"
#include "net/BerStreamCutter.h"
#include "FailingAllocations.h"
#include "NetTestBytes.h"

#include <gtest/gtest.h>

#include <climits>

// Each row is checked both ways: the value encodes to the bytes, the bytes decode to the
// value and consume all of them.
TEST(BerGolden, LengthsBothWays)
{
    struct Case { i32 length; const char* bytes; };
    const Case cases[] = {{0, "00"}, {127, "7F"}, {128, "81 80"}, {255, "81 FF"}, {256, "82 01 00"},
                          {0x10000, "83 01 00 00"}, {0x1000000, "84 01 00 00 00"}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return BerEncodeLength(b, n, c.length); })));
        const Bytes in = Hex(c.bytes);
        i32 length = -5;
        EXPECT_EQ((int)in.size(), BerDecodeLength(in.data(), (int)in.size(), &length)) << c.bytes;
        EXPECT_EQ(c.length, length) << c.bytes;
    }
}

TEST(BerGolden, LengthFormsThatReadOddlyOrFail)
{
    struct Case { const char* name; const char* bytes; int used; i32 length; };
    const Case cases[] = {
        {"indefinite reads as 0", "80 05", 1, 0},
        {"bits 4-6 ignored", "90 05", 1, 0},
        {"bits 4-6 ignored, long", "91 05", 2, 5},
        {"cut long form", "82 01", -1, 0},
        {"five length bytes", "85 00 00 00 00 05", -1, 0},
        {"over the maximum", "84 02 00 00 01", -1, 0},
        {"2^31", "84 80 00 00 00", -1, 0},
        {"nothing", "", -1, 0},
    };
    for (const Case& c : cases)
    {
        const Bytes in = Hex(c.bytes);
        i32 length = 0;
        EXPECT_EQ(c.used, BerDecodeLength(in.data(), (int)in.size(), &length)) << c.name;
        if (c.used > 0)
        {
            EXPECT_EQ(c.length, length) << c.name;
        }
    }
}

TEST(BerGolden, IntegersBothWays)
{
    struct Case { i32 value; const char* bytes; };
    const Case cases[] = {{0, "01 00"}, {127, "01 7F"}, {128, "02 00 80"}, {-1, "01 FF"}, {-128, "01 80"},
                          {-129, "02 FF 7F"}, {INT_MAX, "04 7F FF FF FF"}, {INT_MIN, "04 80 00 00 00"},
                          {0x8000, "03 00 80 00"}, {-0x800000, "03 80 00 00"}};
    for (const Case& c : cases)
    {
        i32 value = c.value;
        CASN1_IntField field(&value);
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return field.Encode(b, n); })));
        const Bytes in = Hex(c.bytes);
        value = 12345;
        EXPECT_EQ((int)in.size(), field.Decode(in.data(), (int)in.size())) << c.bytes;
        EXPECT_EQ(c.value, value) << c.bytes;
    }
}

TEST(BerGolden, IntegerContentsThatReadOddlyOrFail)
{
    struct Case { const char* name; const char* bytes; int used; i32 value; };
    const Case cases[] = {
        {"three bytes sign-extended", "03 FF FF 7F", 4, -129},
        {"count 0 then more data", "00 05", 1, 0},
        {"count 0 alone", "00", 0, 0},
        {"five content bytes", "05 00 00 00 00 01", 0, 0},
        {"0x81 is a raw count", "81 01", 0, 0},
        {"cut content", "02 01", 0, 0},
    };
    for (const Case& c : cases)
    {
        const Bytes in = Hex(c.bytes);
        i32 value = 777;
        CASN1_IntField field(&value);
        EXPECT_EQ(c.used, field.Decode(in.data(), (int)in.size())) << c.name;
        EXPECT_EQ(c.used ? c.value : 777, value) << c.name;
    }
}

TEST(BerGolden, LongIntegers)
{
    struct Case { i64 value; const char* bytes; };
    const Case cases[] = {{0, "01 00"}, {0x100000000LL, "05 01 00 00 00 00"}, {255, "02 00 FF"},
                          {INT64_MAX, "08 7F FF FF FF FF FF FF FF"}, {-2, "08 FF FF FF FF FF FF FF FE"}};
    for (const Case& c : cases)
    {
        i64 value = c.value;
        CASN1_LongIntField field(&value);
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return field.Encode(b, n); })));
        const Bytes in = Hex(c.bytes);
        value = 1;
        EXPECT_EQ((int)in.size(), field.Decode(in.data(), (int)in.size()));
        EXPECT_EQ(c.value, value);
    }
    i64 value = 0;
    CASN1_LongIntField field(&value);
    const Bytes noSign = Hex("01 FF"), nine = Hex("09 00 00 00 00 00 00 00 00 01");
    EXPECT_EQ(2, field.Decode(noSign.data(), 2));
    EXPECT_EQ(255, value) << "no sign extension";
    EXPECT_EQ(0, field.Decode(nine.data(), (int)nine.size())) << "more than 8 content bytes";
}

TEST(BerGolden, StringsBothWays)
{
    struct Case { const char* name; CKetrelString text; const char* bytes; };
    const Case cases[] = {
        {"abc", "abc", "03 61 62 63"},
        {"e acute", Units({0xE9}), "02 C3 A9"},
        {"euro", Units({0x20AC}), "03 E2 82 AC"},
        {"empty", CKetrelString(), "00"},
        {"surrogates one by one", Units({0xD83D, 0xDE00}), "06 ED A0 BD ED B8 80"},
    };
    for (const Case& c : cases)
    {
        CKetrelString text = c.text;
        CASN1_StringField field(&text);
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return field.Encode(b, n); }))) << c.name;
        const Bytes in = Hex(c.bytes);
        text = "old";
        EXPECT_EQ((int)in.size(), field.Decode(in.data(), (int)in.size())) << c.name;
        EXPECT_EQ(UnitsOf(c.text), UnitsOf(text)) << c.name;
    }
    // A form cut by the content's end stops the text; the content is still consumed.
    CKetrelString text;
    CASN1_StringField field(&text);
    const Bytes cut = Hex("03 61 E2 82"), past = Hex("05 61 62");
    EXPECT_EQ(4, field.Decode(cut.data(), (int)cut.size()));
    EXPECT_EQ(UnitsOf("a"), UnitsOf(text));
    EXPECT_EQ(0, field.Decode(past.data(), (int)past.size())) << "length beyond the data";
}

// Without memory for a long text, its field and the reader fail; nothing is thrown.
TEST(BerGolden, TextWithoutMemoryFailsSoftly)
{
    if (!failalloc::kReplaced)
        GTEST_SKIP() << "allocations cannot be replaced under this sanitizer";
    Bytes in = Hex("82 03 E8");   // 1,000 bytes of content
    in.resize(3 + 1000, 'a');
    CKetrelString text = "old";
    CASN1_StringField field(&text);
    CBerReader reader(in.data(), (int)in.size());
    failalloc::Scope noMemory(1000);
    int used = -1;
    bool read = true;
    EXPECT_NO_THROW(used = field.Decode(in.data(), (int)in.size()));
    EXPECT_NO_THROW(read = reader.ReadLatin1(&text));
    EXPECT_EQ(0, used);
    EXPECT_FALSE(read);
    EXPECT_EQ(0, text.GetLength());
}

TEST(BerGolden, IdentifiersBothWays)
{
    struct Case { i32 number; int classByte; const char* bytes; };
    const Case cases[] = {{30, 0x80, "9E"}, {31, 0x80, "9F 1F"}, {127, 0x80, "9F 7F"}, {128, 0x80, "9F 81 00"},
                          {2, 0xA0, "A2"}, {64, 0xA0, "BF 40"}, {116, 0xA0, "BF 74"}};
    for (const Case& c : cases)
    {
        i32 number = c.number;
        CASN1_TagField tag(&number, c.classByte);
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return tag.Encode(b, n); })));
        const Bytes in = Hex(c.bytes);
        EXPECT_EQ((int)in.size(), tag.Decode(in.data(), (int)in.size())) << c.bytes;
        EXPECT_EQ(c.number, number) << c.bytes;
    }
    i32 number = 0;
    CASN1_TagField tag(&number);
    const Bytes wrongClass = Hex("A0"), cut = Hex("9F 81"), tooLong = Hex("9F 81 81 81 81 01");
    EXPECT_EQ(0, tag.Decode(wrongClass.data(), 1));
    EXPECT_EQ(0, tag.Decode(cut.data(), 2)) << "cut identifier";
    EXPECT_EQ(-1, number);
    EXPECT_EQ(0, tag.Decode(tooLong.data(), (int)tooLong.size())) << "five continuation bytes";
}

TEST(BerGolden, BareMessagesAndFieldOrder)
{
    CASN1_Message languageList(28), logout(59);
    EXPECT_EQ("BC 00", ToHex(EncodeWith([&](u8* b, int n) { return languageList.Encode(b, n); })));
    EXPECT_EQ("BF 3B 00", ToHex(EncodeWith([&](u8* b, int n) { return logout.Encode(b, n); })));

    i32 a = 0, b = 0;
    CASN1_Message message(7);
    message.AddField(new CASN1_IntField(&a));
    message.AddField(new CASN1_IntField(&b));
    struct Case { const char* name; const char* bytes; int used; i32 a, b; };
    const Case cases[] = {
        {"in order", "A7 06 80 01 01 81 01 02", 8, 1, 2},
        {"81 before 80", "A7 06 81 01 02 80 01 01", 8, 1, 2},
        {"repeated: last wins", "A7 09 80 01 01 81 01 02 80 01 03", 11, 3, 2},
        {"absent field untouched", "A7 03 81 01 04", 5, -7, 4},
        {"number equal to the count", "A7 03 82 01 04", 0, -7, -7},
        {"field past the content", "A7 03 80 02 01 02", 0, -7, -7},
        {"other message", "A8 03 80 01 01", 0, -7, -7},
        {"nothing after the identifier", "A7", 0, -7, -7},
    };
    for (const Case& c : cases)
    {
        a = b = -7;
        const Bytes in = Hex(c.bytes);
        EXPECT_EQ(c.used, message.Decode(in.data(), (int)in.size())) << c.name;
        if (c.used)
        {
            EXPECT_EQ(c.a, a) << c.name;
            EXPECT_EQ(c.b, b) << c.name;
        }
    }
}

TEST(BerGolden, ByteBlocks)
{
    u8 area[4] = {9, 9, 9, 9};
    u8* data = area;
    i32 size = 4;
    CASN1_ByteArrayField existing(&data, &size);
    const Bytes fits = Hex("03 01 02 03"), tooBig = Hex("05 01 02 03 04 05"), empty = Hex("00");
    EXPECT_EQ(4, existing.Decode(fits.data(), 4));
    EXPECT_EQ(3, size);
    EXPECT_EQ(1, area[0]);
    size = 4;
    EXPECT_EQ(6, existing.Decode(tooBig.data(), 6));
    EXPECT_EQ(-1, size) << "does not fit the capacity";

    u8* fresh = nullptr;
    i32 freshSize = 0;
    CASN1_ByteArrayField allocating(&fresh, &freshSize);
    EXPECT_EQ(4, allocating.Decode(fits.data(), 4));
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ("03 01 02 03", ToHex(EncodeWith([&](u8* b, int n) { return allocating.Encode(b, n); })));
    delete[] fresh;
    fresh = nullptr;
    EXPECT_EQ(1, allocating.Decode(empty.data(), 1));
    EXPECT_EQ(0, freshSize);
    EXPECT_EQ(nullptr, fresh);
    EXPECT_EQ(0, allocating.Decode(fits.data(), 3)) << "block past the data";
}

TEST(BerFrame, SizesOfWholeAndPartialFrames)
{
    struct Case { const char* name; const char* bytes; int size; };
    const Case cases[] = {
        {"empty message", "BC 00", 2},
        {"two-byte identifier", "BF 3B 00", 3},
        {"short form", "A9 03 80 01 05", 5},
        {"long form", "BF 40 82 01 00", 2 + 3 + 256},
        {"one byte", "A9", -1},
        {"identifier only", "BF 40", -1},
        {"cut long length", "BF 40 82 01", -1},
        {"five length bytes", "A9 85", -2},
        {"over the maximum", "A9 84 7F 00 00 00", -2},
    };
    for (const Case& c : cases)
    {
        const Bytes in = Hex(c.bytes);
        EXPECT_EQ(c.size, BerGetFrameSize(in.data(), (int)in.size())) << c.name;
    }
    const Bytes chat = Hex("BF 40 00"), ack = Hex("A2 00");
    EXPECT_EQ(64, BerGetMessageTag(chat.data()));
    EXPECT_EQ(2, BerGetIdentifierSize(chat.data()));
    EXPECT_EQ(2, BerGetMessageTag(ack.data()));
}

namespace
{
struct Collected
{
    std::vector<std::string> messages;
    CBerStreamCutter* resetOn = nullptr;   // reset the cutter after the first message
};

void Collect(void* context, const u8* message, int size)
{
    Collected* c = static_cast<Collected*>(context);
    c->messages.push_back(ToHex(message, size));
    if (c->resetOn)
        c->resetOn->Reset();
}

Bytes Concat(std::initializer_list<const char*> parts)
{
    Bytes out;
    for (const char* p : parts)
    {
        const Bytes b = Hex(p);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}
}

// Every way of cutting a stream into two or three chunks yields the same messages.
TEST(BerStreamCutter, EveryCutGivesTheSameMessages)
{
    Bytes big(300, 0x41);
    Bytes stream = Concat({"BC 00", "A9 03 80 01 05", "BF 2C 03 80 01 FF"});
    const Bytes bigHeader = Hex("BF 40 82 01 2E");   // 302 bytes of content
    stream.insert(stream.end(), bigHeader.begin(), bigHeader.end());
    stream.insert(stream.end(), big.begin(), big.end());
    stream.push_back(0x00);
    stream.push_back(0x00);
    const Bytes tail = Hex("BF 3B 00");
    stream.insert(stream.end(), tail.begin(), tail.end());

    Collected whole;
    CBerStreamCutter reference;
    ASSERT_EQ(KE_OK, reference.Feed(stream.data(), (int)stream.size(), Collect, &whole));
    ASSERT_EQ(5u, whole.messages.size());

    const int n = (int)stream.size();
    for (int i = 1; i < n; i += 1)
        for (int j = i; j < n; j += (j < 20 ? 1 : 37))
        {
            Collected got;
            CBerStreamCutter cutter;
            cutter.Feed(stream.data(), i, Collect, &got);
            cutter.Feed(stream.data() + i, j - i, Collect, &got);
            cutter.Feed(stream.data() + j, n - j, Collect, &got);
            ASSERT_EQ(whole.messages, got.messages) << "cut at " << i << " and " << j;
            EXPECT_EQ(0, cutter.GetPendingSize());
        }
}

TEST(BerStreamCutter, RefusesOversizedFramesAndHonoursReset)
{
    CBerStreamCutter cutter;
    Collected got;
    const Bytes huge = Hex("BF 40 84 7F 00 00 00");
    EXPECT_EQ(KE_ERR_FORMAT, cutter.Feed(huge.data(), (int)huge.size(), Collect, &got));
    EXPECT_EQ(0, cutter.GetPendingSize());
    const Bytes fiveBytes = Hex("A9 85 00");
    EXPECT_EQ(KE_ERR_FORMAT, cutter.Feed(fiveBytes.data(), 2, Collect, &got));

    // A header that claims a large message, with little behind it, allocates nothing big.
    const Bytes claim = Hex("BF 40 84 01 E0 00 00 01 02");
    EXPECT_EQ(KE_OK, cutter.Feed(claim.data(), 5, Collect, &got));
    EXPECT_EQ(KE_OK, cutter.Feed(claim.data() + 5, 4, Collect, &got));
    EXPECT_EQ((int)CBerStreamCutter::DefaultCapacity, cutter.GetCapacity());
    cutter.Reset();

    // A partial message is forgotten on Reset, so a new connection starts clean.
    const Bytes partial = Hex("A9 03 80");
    cutter.Feed(partial.data(), 3, Collect, &got);
    EXPECT_EQ(3, cutter.GetPendingSize());
    cutter.Reset();
    const Bytes ping = Hex("BF 2C 03 80 01 FF");
    cutter.Feed(ping.data(), (int)ping.size(), Collect, &got);
    ASSERT_EQ(1u, got.messages.size());
    EXPECT_EQ("BF 2C 03 80 01 FF", got.messages[0]);

    // A handler that closes the channel stops the rest of the chunk.
    Collected closing;
    closing.resetOn = &cutter;
    const Bytes two = Concat({"BC 00", "BC 00", "A9 03"});
    cutter.Feed(two.data(), (int)two.size(), Collect, &closing);
    EXPECT_EQ(1u, closing.messages.size());
    EXPECT_EQ(0, cutter.GetPendingSize());
}

TEST(BerStreamCutter, LargeMessageGrowsThenShrinksTheBuffer)
{
    const int content = 100000;
    Bytes message = Hex("AD 83 01 86 A0");
    message.resize(message.size() + content, 0x5A);
    CBerStreamCutter cutter;
    Collected got;
    for (size_t at = 0; at < message.size(); at += 1460)
    {
        const int chunk = (int)std::min<size_t>(1460, message.size() - at);
        ASSERT_EQ(KE_OK, cutter.Feed(message.data() + at, chunk, Collect, &got));
    }
    ASSERT_EQ(1u, got.messages.size());
    EXPECT_EQ(ToHex(message), got.messages[0]);
    const Bytes small = Hex("A9 03 80");
    cutter.Feed(small.data(), 3, Collect, &got);
    EXPECT_EQ((int)CBerStreamCutter::DefaultCapacity, cutter.GetCapacity());
}
