#include "engine/KetrelResult.h"
#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"
#include "NetTestBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
// An element: identifier bytes, BER length, content.
Bytes Tlv(const Bytes& id, const Bytes& content)
{
    Bytes out = id;
    u8 length[8];
    const int n = BerEncodeLength(length, 8, (i32)content.size());
    out.insert(out.end(), length, length + n);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes IntField(u8 id, i32 value)
{
    u8 b[8];
    const int n = BerEncodeInt(b, 8, value);
    Bytes out{id};
    out.insert(out.end(), b, b + n);
    return out;
}

Bytes TextField(u8 id, const char* text)
{
    return Tlv({id}, Bytes(text, text + strlen(text)));
}

Bytes Entry(i32 id, const char* name, bool flag, bool with30)
{
    Bytes fields = Cat({IntField(0x80, id), TextField(0x81, name), TextField(0x83, "1.2.2011 3:4:5"),
                        IntField(0x84, 40), Tlv({0xA6}, Cat({IntField(0x80, 2012), IntField(0x85, 9)}))});
    if (flag)
        fields = Cat({fields, Bytes{0x87, 0x00}});
    const Bytes entry = Tlv({}, fields);
    return with30 ? Cat({Bytes{0x30}, entry}) : entry;
}

// Every shorter prefix of a message must fail to decode, and must not read past it (the
// copy is exactly as long as the prefix, so AddressSanitizer sees any overrun).
template <class Decode>
void EveryPrefixFails(const Bytes& message, Decode&& decode, const char* name)
{
    for (size_t n = 0; n < message.size(); ++n)
    {
        std::vector<u8> prefix(message.begin(), message.begin() + (long)n);
        u8* copy = new u8[n + 1];
        if (n)
            memcpy(copy, prefix.data(), n);
        EXPECT_NE(KE_OK, decode(copy, (int)n)) << name << " cut to " << n;
        delete[] copy;
    }
}
}

TEST(BerHandGolden, Latin1Packing)
{
    struct Case { const char* name; CKetrelString text; const char* bytes; CKetrelString back; };
    const Case cases[] = {
        {"e acute", Units({0xE9}), "02 C3 A9", Units({0xE9})},
        {"high byte lost", Units({0x0151}), "02 C1 91", Units({0x51})},
        {"ascii", "ab", "02 61 62", "ab"},
        {"empty", CKetrelString(), "00", CKetrelString()},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.bytes, ToHex(EncodeWith([&](u8* b, int n) { return BerEncodeLatin1String(b, n, c.text); })))
            << c.name;
        const Bytes in = Hex(c.bytes);
        CKetrelString text = "old";
        int consumed = 0;
        EXPECT_EQ(1, BerDecodeLatin1String(in.data(), (int)in.size(), &text, &consumed)) << c.name;
        EXPECT_EQ((int)in.size(), consumed) << c.name;
        EXPECT_EQ(UnitsOf(c.back), UnitsOf(text)) << c.name;
    }
    struct Odd { const char* name; const char* bytes; int rc; std::vector<u16> units; };
    const Odd odd[] = {
        {"three-byte form reads as two units", "03 E2 82 AC", 1, {0x82, 0xAC}},
        {"lead byte last is dropped", "02 61 C3", 1, {0x61}},
        {"text past the data", "05 61", 0, {}},
    };
    for (const Odd& c : odd)
    {
        const Bytes in = Hex(c.bytes);
        CKetrelString text;
        int consumed = 0;
        EXPECT_EQ(c.rc, BerDecodeLatin1String(in.data(), (int)in.size(), &text, &consumed)) << c.name;
        EXPECT_EQ(c.units, UnitsOf(text)) << c.name;
    }
}

TEST(BerHandGolden, EncodersWriteTheWrittenBytes)
{
    CKetrelArray<i32> ids, codes;
    ids.Add(3);
    ids.Add(4);
    codes.Add(-1);
    struct Row { const char* name; Bytes got; const char* bytes; };
    const Row rows[] = {
        {"ping -1", EncodeWith([](u8* b, int n) { return BerEncodePing(b, n, -1); }), "BF 2C 03 80 01 FF"},
        {"cancel 5", EncodeWith([](u8* b, int n) { return BerEncodeCancelMatchRequest(b, n, 5); }), "A9 03 80 01 05"},
        {"logout", EncodeWith([](u8* b, int n) { return BerEncodeLogout(b, n); }), "BF 3B 00"},
        {"match request", EncodeWith([](u8* b, int n) { return BerEncodeMatchRequest(b, n, 64, 1, 0); }),
         "A7 09 80 01 40 81 01 01 82 01 00"},
        {"login", EncodeWith([](u8* b, int n) { return BerEncodeLogin(b, n, "guest", "7", 1, ""); }),
         "A5 0F 80 05 67 75 65 73 74 81 01 37 82 01 01 83 00"},
        {"results with b", EncodeWith([](u8* b, int n) { return BerEncodeGameResultsRequest(b, n, 64, 2, 0); }),
         "BF 4A 09 80 01 40 81 01 02 82 01 00"},
        {"results without b", EncodeWith([](u8* b, int n) { return BerEncodeGameResultsRequest(b, n, 64, 2, -1); }),
         "BF 4A 06 80 01 40 81 01 02"},
        {"challenge", EncodeWith([&](u8* b, int n) { return BerEncodeChallenge(b, n, 64, ids, "hi"); }),
         "BF 26 0F 80 01 40 A1 06 02 01 03 02 01 04 82 02 68 69"},
        {"game result", EncodeWith([&](u8* b, int n) { return BerEncodeGameResult(b, n, 7, 64, 0, ids, codes, 5); }),
         "AF 19 80 01 07 81 01 40 82 01 00 A3 06 02 01 03 02 01 04 A4 03 02 01 FF 85 01 01"},
        {"game data", EncodeWith([](u8* b, int n) { const u8 d[2] = {1, 2}; return BerEncodeGameData(b, n, d, 2); }),
         "AD 04 80 02 01 02"},
        {"relation 22", EncodeWith([](u8* b, int n) { return BerEncodePlayerRelation(b, n, 22, 1, 2, 1, 0, Units({0xE9})); }),
         "B6 10 80 01 01 81 01 02 82 01 01 83 01 00 84 02 C3 A9"},
        {"answer", EncodeWith([](u8* b, int n) { return BerEncodeChallengeAnswer(b, n, 1, 64, 5, 6, "", "ok"); }),
         "BF 28 12 80 01 01 81 01 40 82 01 05 83 01 06 84 00 85 02 6F 6B"},
        {"image request", EncodeWith([](u8* b, int n) { return BerEncodeImageRequest(b, n, 1, 2); }),
         "BF 54 06 80 01 01 81 01 02"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.bytes, ToHex(r.got)) << r.name;

    // A filter that makes the content longer than 127 bytes takes the 81 xx length form.
    const CKetrelString filter(std::string(130, 'x').c_str());
    const Bytes request = EncodeWith([&](u8* b, int n) { return BerEncodePlayerListRequest(b, n, 1, 0, 20, filter, 0, 0); });
    ASSERT_EQ(3u + 148u, request.size());
    EXPECT_EQ("B3 81 94 80 01 01", ToHex(Bytes(request.begin(), request.begin() + 6)));

    CBerClientHello hello;
    hello.width = 800;
    hello.height = 480;
    const Bytes full = EncodeWith([&](u8* b, int n) { return BerEncodeClientHello(b, n, hello); });
    hello.value16 = 0;
    const Bytes short16 = EncodeWith([&](u8* b, int n) { return BerEncodeClientHello(b, n, hello); });
    ASSERT_GT(full.size(), 4u);
    EXPECT_EQ("A0", ToHex(Bytes(full.begin(), full.begin() + 1)));
    EXPECT_EQ("90 01 03", ToHex(Bytes(full.end() - 3, full.end()))) << "[16] last";
    EXPECT_EQ(full.size() - 3, short16.size()) << "[16] left out at 0";
}

TEST(BerHandGolden, DateTimeText)
{
    CDateTimeFields f;
    BerParseDateTimeText("1.2.2011 3:4:5", &f);
    EXPECT_EQ(2011, f.year);
    EXPECT_EQ(2, f.month);
    EXPECT_EQ(1, f.day);
    EXPECT_EQ(3, f.hour);
    EXPECT_EQ(4, f.minute);
    EXPECT_EQ(5, f.second);
    CDateTimeFields partial;
    partial.hour = 99;
    BerParseDateTimeText("7.8.1999", &partial);
    EXPECT_EQ(1999, partial.year);
    EXPECT_EQ(99, partial.hour) << "missing numbers leave their fields";
}

TEST(BerHandGolden, LoginReplyPingAndStatus)
{
    // Over 127 bytes, the last field a three-byte INTEGER.
    const Bytes reply = Tlv({0xA6}, Cat({IntField(0x80, 42), TextField(0x81, std::string(120, 't').c_str()),
                                         TextField(0x83, "Ann"), Bytes{0x9F}, IntField(0x84, 0x123456)}));
    ASSERT_GT(reply.size(), 127u);
    i32 result = 0, value4 = -9;
    CKetrelString token, t2 = "keep", name, t5;
    EXPECT_EQ(KE_OK, BerDecodeLoginReply(reply.data(), (int)reply.size(), &result, &token, &t2, &name, &value4, &t5));
    EXPECT_EQ(42, result);
    EXPECT_EQ(120, token.GetLength());
    EXPECT_EQ(UnitsOf("keep"), UnitsOf(t2)) << "absent field untouched";
    EXPECT_EQ(UnitsOf("Ann"), UnitsOf(name));
    EXPECT_EQ(0x123456, value4);
    EveryPrefixFails(reply, [&](const u8* m, int n) {
        return BerDecodeLoginReply(m, n, &result, &token, &t2, &name, &value4, &t5);
    }, "login reply");

    const Bytes ping = Hex("BF 2C 03 80 01 FF");
    i32 value = 0;
    EXPECT_EQ(KE_OK, BerDecodePing(ping.data(), (int)ping.size(), &value));
    EXPECT_EQ(-1, value);
    EXPECT_EQ(KE_ERR_FORMAT, BerDecodeGameStatus(ping.data(), (int)ping.size(), nullptr, nullptr));
    EveryPrefixFails(ping, [&](const u8* m, int n) { return BerDecodePing(m, n, &value); }, "ping");

    const Bytes status = Tlv({0xBF, 0x48}, Cat({Bytes{0x80, 0x05, 0x01, 0, 0, 0, 0}, IntField(0x81, 11)}));
    i64 gameId = 0;
    i32 leaver = 0;
    EXPECT_EQ(KE_OK, BerDecodeGameStatus(status.data(), (int)status.size(), &gameId, &leaver));
    EXPECT_EQ(0x100000000LL, gameId);
    EXPECT_EQ(11, leaver);
}

TEST(BerHandGolden, GameJoinWithTwoEntries)
{
    const Bytes join = Tlv({0xAC}, Cat({Bytes{0x80, 0x01, 0x07},
                                        Tlv({0xA1}, Cat({Entry(11, "Ann", true, true), Entry(12, "Bo", false, false)})),
                                        IntField(0x82, 1), IntField(0x83, 0), TextField(0x84, "127.0.0.1:5001"),
                                        IntField(0x85, 3)}));
    CGameJoinInfo info;
    ASSERT_EQ(KE_OK, BerDecodeGameJoin(join.data(), (int)join.size(), &info));
    EXPECT_EQ(7, info.gameId);
    ASSERT_EQ(2, info.players.GetCount());
    const CGamePlayerEntry* a = static_cast<const CGamePlayerEntry*>(info.players.GetAt(0));
    const CGamePlayerEntry* b = static_cast<const CGamePlayerEntry*>(info.players.GetAt(1));
    EXPECT_EQ(11, a->playerId);
    EXPECT_EQ(UnitsOf("Ann"), UnitsOf(a->name));
    EXPECT_EQ(1, a->flag);
    EXPECT_EQ(2011, a->date3.year);
    EXPECT_EQ(2012, a->date6.year);
    EXPECT_EQ(9, a->date6.second);
    EXPECT_EQ(40, a->value4);
    EXPECT_EQ(12, b->playerId);
    EXPECT_EQ(0, b->flag);
    EXPECT_EQ(1, info.flag2);
    EXPECT_EQ(0, info.flag3);
    EXPECT_EQ(UnitsOf("127.0.0.1:5001"), UnitsOf(info.server));
    EXPECT_EQ(3, info.value5);
    EveryPrefixFails(join, [&](const u8* m, int n) { return BerDecodeGameJoin(m, n, &info); }, "game join");
    EXPECT_EQ(0, info.players.GetCount()) << "a failed decode keeps no entries";

    // The same entries as a match result (8), looked up by field number.
    const Bytes result = Tlv({0xA8}, Cat({IntField(0x83, 2), Tlv({0xA0}, Entry(11, "Ann", false, true))}));
    CKetrelPtrArray entries;
    i32 v1 = 0, v2 = 0, v3 = 0;
    EXPECT_EQ(KE_OK, BerDecodeMatchResult(result.data(), (int)result.size(), &entries, &v1, &v2, &v3));
    EXPECT_EQ(1, entries.GetCount());
    EXPECT_EQ(-1, v1);
    EXPECT_EQ(2, v3);
    BerFreeGamePlayerEntries(&entries);
}

TEST(BerHandGolden, GameResultsWithAndWithoutThe30Byte)
{
    const Bytes item = Cat({IntField(0x80, 1), IntField(0x83, 4), TextField(0x84, "x"), TextField(0x85, "3.4.2010 1:2:3")});
    const Bytes results = Tlv({0xBF, 0x4B}, Tlv({0xA0}, Cat({Bytes{0x30}, Tlv({}, item), Tlv({}, item)})));
    CKetrelPtrArray items;
    ASSERT_EQ(KE_OK, BerDecodeGameResults(results.data(), (int)results.size(), &items));
    ASSERT_EQ(2, items.GetCount());
    const CGameResultItem* second = static_cast<const CGameResultItem*>(items.GetAt(1));
    EXPECT_EQ(1, second->values[0]);
    EXPECT_EQ(4, second->values[3]);
    EXPECT_EQ(2010, second->date5.year);
    EveryPrefixFails(results, [&](const u8* m, int n) { return BerDecodeGameResults(m, n, &items); }, "results");
    BerFreeGameResultItems(&items);
}

TEST(BerHandGolden, SmallDecoders)
{
    struct Row { const char* name; Bytes message; std::function<int(const u8*, int)> decode; };
    i32 a = 0, b = 0, c = 0, d = 0;
    CKetrelString s1, s2;
    u8 game[4];
    i32 gameSize = 0;
    u8* picture = nullptr;
    i32 pictureSize = 0;
    const Row rows[] = {
        {"relation 21", Tlv({0xB5}, Cat({IntField(0x80, 1), IntField(0x81, 2), IntField(0x82, 1), IntField(0x83, 5),
                                         TextField(0x84, "t"), TextField(0x85, "u")})),
         [&](const u8* m, int n) { return BerDecodePlayerRelation(m, n, &a, &b, &c, &d, &s1, &s2); }},
        {"answer with extra text", Tlv({0xBF, 0x28}, Cat({IntField(0x80, 1), IntField(0x81, 64), IntField(0x82, 5),
                                                           IntField(0x83, 6), TextField(0x84, ""), TextField(0x85, "a"),
                                                           TextField(0x86, "u")})),
         [&](const u8* m, int n) { return BerDecodeChallengeAnswer(m, n, &a, &b, &c, &d, &s1, &s2); }},
        {"login challenge", Tlv({0xBF, 0x3A}, Cat({TextField(0x80, "salt"), TextField(0x81, "u")})),
         [&](const u8* m, int n) { return BerDecodeLoginChallenge(m, n, &s1, &s2); }},
        {"game data", Hex("AD 06 80 04 01 02 03 04"),
         [&](const u8* m, int n) { return BerDecodeGameData(m, n, game, 4, &gameSize); }},
        {"picture", Tlv({0xBF, 0x55}, Cat({IntField(0x80, 9), IntField(0x81, 1), Tlv({0x82}, Bytes{1, 2, 3})})),
         [&](const u8* m, int n) {
             delete[] picture;
             picture = nullptr;
             return BerDecodePicture(m, n, &a, &b, &picture, &pictureSize);
         }},
    };
    for (const Row& r : rows)
    {
        s2 = "u";
        EXPECT_EQ(KE_OK, r.decode(r.message.data(), (int)r.message.size())) << r.name;
        EXPECT_EQ(UnitsOf("u"), UnitsOf(s2)) << r.name << ": the last text";
        EveryPrefixFails(r.message, r.decode, r.name);
    }
    EXPECT_EQ(9, a) << "the picture's player id";
    const Bytes tooBig = Hex("AD 07 80 05 01 02 03 04 05");
    EXPECT_EQ(0, BerDecodeGameData(tooBig.data(), (int)tooBig.size(), game, 4, &gameSize)) << "larger than the buffer";
    delete[] picture;
}

// The field-pointer family writes what a message class of the same layout writes.
TEST(BerFieldPointerGolden, EncodersAndDecoders)
{
    i32 number = 92, flags = 0x401, a = 100, b = 0;
    i64 gameId = 5;
    i32 rematch = 0, one = 1, n18 = 18, n96 = 96, n90 = 90;
    struct Row { const char* name; Bytes got; const char* bytes; };
    const Row rows[] = {
        {"92", EncodeWith([&](u8* p, int n) { return BerFpEncode(p, n, CBerFpInt1{&number, &flags}); }),
         "BF 5C 04 80 02 04 01"},
        {"96", EncodeWith([&](u8* p, int n) { return BerFpEncode(p, n, CBerFpInt3{&n96, &flags, &a, &b}); }),
         "BF 60 0A 80 02 04 01 81 01 64 82 01 00"},
        {"90", EncodeWith([&](u8* p, int n) { return BerFpEncode(p, n, CBerFpNone{&n90}); }), "BF 5A 00"},
        {"18", EncodeWith([&](u8* p, int n) { return BerFpEncode(p, n, CBerFpLong1{&n18, &gameId}); }), "B2 03 80 01 05"},
        {"70", EncodeWith([&](u8* p, int n) { return BerFpEncode(p, n, CBerFpGameOver{&gameId, &rematch, &one}); }),
         "BF 46 09 80 01 05 81 01 00 82 01 01"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.bytes, ToHex(r.got)) << r.name;
    CASN1_Message same(92);
    same.AddField(new CASN1_IntField(&flags));
    EXPECT_EQ("BF 5C 04 80 02 04 01", ToHex(EncodeWith([&](u8* p, int n) { return same.Encode(p, n); })));

    // 97: two integers and a constructed list of shop items.
    const Bytes shopItem = Cat({IntField(0x80, 77), TextField(0x81, "Bomb"), TextField(0x82, ""), TextField(0x83, "")});
    const Bytes items = Tlv({0xBF, 0x61}, Cat({IntField(0x80, 0x401), IntField(0x81, 0),
                                               Tlv({0xA2}, Tlv({0x30}, shopItem))}));
    CKetrelArray<CShopItemData> list;
    i32 v0 = 0, v1 = -1;
    CBerFpShopItems record{0, &v0, &v1, &list};
    EXPECT_EQ((int)items.size(), BerFpDecode(items.data(), (int)items.size(), record));
    EXPECT_EQ(97, record.number);
    EXPECT_EQ(0x401, v0);
    ASSERT_EQ(1, list.GetCount());
    EXPECT_EQ(77, list[0].id);
    EXPECT_EQ(UnitsOf("Bomb"), UnitsOf(list[0].text1));
    for (size_t n = 0; n < items.size(); ++n)
    {
        Bytes cut(items.begin(), items.begin() + (long)n);
        EXPECT_EQ(0, BerFpDecode(cut.data(), (int)n, record)) << n;
    }
    const Bytes plainList = Tlv({0xBF, 0x61}, Cat({IntField(0x80, 1), IntField(0x81, 0), Tlv({0x82}, Bytes{})}));
    EXPECT_EQ(0, BerFpDecode(plainList.data(), (int)plainList.size(), record)) << "a list needs class 0xA0";

    // 91 without its field keeps the caller's value.
    i32 balance = -1, read = 0;
    const Bytes bare = Hex("BF 5B 00");
    EXPECT_EQ(3, BerFpDecode(bare.data(), 3, CBerFpInt1{&read, &balance}));
    EXPECT_EQ(-1, balance);
    EXPECT_EQ(91, read);
}
