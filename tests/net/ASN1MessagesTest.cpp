#include "net/ASN1Messages.h"
#include "NetTestBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
template <class M>
std::string Encoded(M& message)
{
    return ToHex(EncodeWith([&](u8* b, int n) { return message.Encode(b, n); }));
}

template <class M>
int DecodeHex(M& message, const char* hex)
{
    const Bytes in = Hex(hex);
    return message.Decode(in.data(), (int)in.size());
}
}

// One row per sent class: the bytes its constructor's fields make.
TEST(ASN1MessagesGolden, SentClassesEncode)
{
    i32 a = 1, b = 2, c = -1, d = 300;
    i64 gameId = 0x100000000LL;
    CKetrelString s1 = "ab", s2 = Units({0xE9}), empty;
    CKetrelArray<i32> ids;
    ids.Add(1);
    ids.Add(2);
    CKetrelArray<i32> none;

    CASN1GetAchievementList m10(&a, &b, &c, &d);
    CASN1GetTournamentScores m14(&ids, &a, &b);
    CASN1GetKeyValue m25(&s1);
    CASN1GetLanguagePack m30(&s1, &s2);
    CASN1GetThemePack m32(&empty);
    CASN1ChangeLanguageMessage m37(&s1);
    CKetrelString version = "2.05";
    CASN1GameReady m46(&a, &gameId, &b, &a, &b, &a, &version);
    CASN1String2Message m51(51, &s1, &empty);
    CASN1ChatMessage m64(&b, &s2, &c);
    CASN1BlockUser m76(&d, &a);
    CASN1GetShopItemImage m99(&none, &d);
    CASN1ConfirmBuyItem m104(&a, &b, &ids);
    CASN1ConfirmUserName m107(&s1);
    CASN1ConfirmEmail m109(&s1, &empty, &s2, &a, &empty, &s1);
    CASN1ExternalLogin m111(&a, &s1, &s1, &empty, &s2);
    CASN1ConfirmBuyPlayerItems m115(&a, &b, &ids);

    struct Row { int number; std::string got; const char* bytes; };
    const Row rows[] = {
        {10, Encoded(m10), "AA 0D 80 01 01 81 01 02 82 01 FF 83 02 01 2C"},
        {14, Encoded(m14), "AE 0E 80 06 02 01 01 02 01 02 81 01 01 82 01 02"},
        {25, Encoded(m25), "B9 04 80 02 61 62"},
        {30, Encoded(m30), "BE 08 80 02 61 62 81 02 C3 A9"},
        {32, Encoded(m32), "BF 20 02 80 00"},
        {37, Encoded(m37), "BF 25 04 80 02 61 62"},
        {46, Encoded(m46), "BF 2E 1C 80 01 01 81 05 01 00 00 00 00 82 01 02 83 01 01 84 01 02 85 01 01"
                           " 86 04 32 2E 30 35"},
        {51, Encoded(m51), "BF 33 06 80 02 61 62 81 00"},
        {64, Encoded(m64), "BF 40 0A 80 01 02 81 02 C3 A9 82 01 FF"},
        {76, Encoded(m76), "BF 4C 07 80 02 01 2C 81 01 01"},
        {99, Encoded(m99), "BF 63 06 80 00 81 02 01 2C"},
        {104, Encoded(m104), "BF 68 0E 80 01 01 81 01 02 82 06 02 01 01 02 01 02"},
        {107, Encoded(m107), "BF 6B 04 80 02 61 62"},
        {109, Encoded(m109), "BF 6D 13 80 02 61 62 81 00 82 02 C3 A9 83 01 01 84 00 85 02 61 62"},
        {111, Encoded(m111), "BF 6F 11 80 01 01 81 02 61 62 82 02 61 62 83 00 84 02 C3 A9"},
        {115, Encoded(m115), "BF 73 0E 80 01 01 81 01 02 82 06 02 01 01 02 01 02"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.bytes, r.got) << "message " << r.number;
    CASN1_Message m28(ASN1LanguageListRequest);
    EXPECT_EQ("BC 00", Encoded(m28));
}

// Send hands the engine exactly the encoded bytes.
TEST(ASN1MessagesGolden, SendHandsOverTheEncoding)
{
    struct Engine
    {
        Bytes sent;
        void Send(const u8* data, int size) { sent.assign(data, data + size); }
    } engine;
    i32 kind = 2, sender = -1;
    CKetrelString text = "hi";
    CASN1ChatMessage chat(&kind, &text, &sender);
    EXPECT_EQ(1, chat.Send(&engine));
    EXPECT_EQ("BF 40 0A 80 01 02 81 02 68 69 82 01 FF", ToHex(engine.sent));
}

TEST(ASN1MessagesGolden, ConnectAckResetsWhatIsAbsent)
{
    CKetrelString text0 = "x", text2 = "left over";
    i32 result = 9, release = 7;
    CASN1ConnectACK ack(&text0, &result, &text2, &release);
    EXPECT_TRUE(text2.IsEmpty());
    EXPECT_EQ(0, release);
    EXPECT_EQ(8, DecodeHex(ack, "A2 06 80 01 61 81 01 FD"));
    EXPECT_EQ(UnitsOf("a"), UnitsOf(text0));
    EXPECT_EQ(-3, result);
    EXPECT_TRUE(text2.IsEmpty());
    EXPECT_EQ(0, release);
    EXPECT_EQ(15, DecodeHex(ack, "A2 0D 80 00 81 01 00 82 03 61 3A 31 83 01 05"));
    EXPECT_EQ(UnitsOf("a:1"), UnitsOf(text2));
    EXPECT_EQ(5, release);
}

// The same three fields on either channel: what is encoded decodes back.
TEST(ASN1MessagesGolden, ChatRoundTripAndNotificationDefault)
{
    i32 kind = 2, sender = 77;
    CKetrelString text = Units({'h', 0xE9, 0x20AC, 0xD800});
    CASN1ChatMessage out(&kind, &text, &sender);
    const Bytes bytes = EncodeWith([&](u8* b, int n) { return out.Encode(b, n); });
    i32 kind2 = 0, sender2 = 0;
    CKetrelString text2;
    CASN1ChatMessage in(&kind2, &text2, &sender2);
    EXPECT_EQ((int)bytes.size(), in.Decode(bytes.data(), (int)bytes.size()));
    EXPECT_EQ(2, kind2);
    EXPECT_EQ(77, sender2);
    EXPECT_EQ(UnitsOf(text), UnitsOf(text2));

    i32 k = 5, v = 9;
    CKetrelString t;
    CASN1Notification note(&k, &t, &v);
    EXPECT_EQ(0, v);
    EXPECT_EQ(8, DecodeHex(note, "BF 2D 05 80 01 03 81 00"));
    EXPECT_EQ(3, k);
    EXPECT_EQ(0, v);
}

TEST(ASN1RecordsGolden, ListsOfValues)
{
    CKetrelArray<CKetrelString> names;
    CASN1_SequenceOf<CASN1_StringField> list(&names);
    const Bytes three = Hex("09 0C 01 61 0C 00 0C 02 62 63");
    EXPECT_EQ(10, list.Decode(three.data(), (int)three.size()));
    ASSERT_EQ(3, names.GetCount());
    EXPECT_EQ(UnitsOf("a"), UnitsOf(names[0]));
    EXPECT_TRUE(names[1].IsEmpty()) << "no text leaks from the element before";
    EXPECT_EQ(UnitsOf("bc"), UnitsOf(names[2]));
    EXPECT_EQ("09 0C 01 61 0C 00 0C 02 62 63", ToHex(EncodeWith([&](u8* b, int n) { return list.Encode(b, n); })));

    CKetrelArray<i32> values;
    CASN1_SequenceOf<CASN1_IntField> ints(&values);
    EXPECT_EQ("00", ToHex(EncodeWith([&](u8* b, int n) { return ints.Encode(b, n); })));
    struct Case { const char* name; const char* bytes; int used; int count; };
    const Case cases[] = {
        {"two", "06 02 01 01 02 01 02", 7, 2},
        {"wrong identifier keeps the first", "06 02 01 01 0C 01 02", 0, 1},
        {"element past the list", "04 02 01 01 02", 0, 1},
        {"list past the data", "08 02 01 01", 0, 0},
    };
    for (const Case& c : cases)
    {
        values.Add(99);
        const Bytes in = Hex(c.bytes);
        EXPECT_EQ(c.used, ints.Decode(in.data(), (int)in.size())) << c.name;
        EXPECT_EQ(c.count, values.GetCount()) << c.name;
    }
}

TEST(ASN1RecordsGolden, PlayerListItemsAndItemBlocks)
{
    CKetrelArray<CPlayerListItem> items;
    CKetrelArray<CGroupListItem> groups;
    i32 v0 = -1, first = -1, listId = -1;
    CASN1PlayerList message(&v0, &first, &listId, &items, &groups);
    // One item: id 5, texts "a" "" "" "", value 2, text "z", stats 1..8; one group "g", 3.
    const char* bytes =
        "B4 45 80 01 0A 81 01 00 82 02 01 00"
        " 83 2E 30 2C 80 01 05 81 01 61 82 00 83 00 84 00 85 01 02 86 01 7A"
        " A7 18 80 01 01 81 01 02 82 01 03 83 01 04 84 01 05 85 01 06 86 01 07 87 01 08"
        " 84 09 30 07 80 01 67 81 02 00 80";
    const Bytes whole = Hex(bytes);
    // Every shorter prefix fails, on a copy exactly as long, so a read past it is caught.
    for (size_t n = 0; n < whole.size(); ++n)
    {
        std::unique_ptr<u8[]> cut(new u8[n + 1]);
        std::copy(whole.begin(), whole.begin() + (long)n, cut.get());
        EXPECT_EQ(0, message.Decode(cut.get(), (int)n)) << "cut to " << n;
    }
    ASSERT_EQ((int)whole.size(), DecodeHex(message, bytes));
    EXPECT_EQ(10, v0);
    EXPECT_EQ(0, first);
    EXPECT_EQ(256, listId);
    ASSERT_EQ(1, items.GetCount());
    const CPlayerListItem& item = items[0];
    EXPECT_EQ(5, item.id);
    EXPECT_EQ(UnitsOf("a"), UnitsOf(item.text1));
    EXPECT_EQ(2, item.value5);
    EXPECT_EQ(UnitsOf("z"), UnitsOf(item.text6));
    const i32 stats[8] = {1, 2, 3, 4, 6, 5, 7, 8};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(stats[i], item.stats[i]) << "s" << i;
    ASSERT_EQ(1, groups.GetCount());
    EXPECT_EQ(UnitsOf("g"), UnitsOf(groups[0].name));
    EXPECT_EQ(128, groups[0].value1);

    CKetrelArray<CItemData> data;
    CASN1_SequenceOf<CItemDataDecoder> list(&data);
    struct Case { const char* name; int blockSize; u8 first; };
    const Case cases[] = {{"16 bytes", 16, 0x11}, {"17 bytes leave zeros", 17, 0}, {"3 bytes", 3, 0x11}};
    for (const Case& c : cases)
    {
        Bytes record = Hex("80 01 01 81 01 02 82");
        record.push_back((u8)c.blockSize);
        record.insert(record.end(), (size_t)c.blockSize, 0x11);
        const Bytes tail = Hex("83 01 04");
        record.insert(record.end(), tail.begin(), tail.end());
        Bytes in;
        in.push_back((u8)(record.size() + 2));
        in.push_back(0x30);
        in.push_back((u8)record.size());
        in.insert(in.end(), record.begin(), record.end());
        ASSERT_EQ((int)in.size(), list.Decode(in.data(), (int)in.size())) << c.name;
        ASSERT_EQ(1, data.GetCount());
        EXPECT_EQ(c.first, data[0].block[0]) << c.name;
        EXPECT_EQ(0, data[0].block[15] == 0x11 && c.blockSize != 16) << c.name;
        EXPECT_EQ(4, data[0].value3) << c.name;
    }
}

// A record is read within its own length: a short record keeps its defaults and does not
// eat the next one; a field running past its record fails the list.
TEST(ASN1RecordsGolden, RecordsStayInsideTheirLength)
{
    CKetrelArray<CGroupListItem> groups;
    CASN1_SequenceOf<CGroupListItemDecoder> list(&groups);
    struct Case { const char* name; const char* bytes; int used; int count; i32 lastValue; };
    const Case cases[] = {
        {"short record then a whole one", "0C 30 03 80 01 61 30 05 80 00 81 01 07", 13, 2, 7},
        {"unknown trailing field passed over", "0A 30 08 80 00 81 01 07 82 01 01", 11, 1, 7},
        {"field past its record", "09 30 03 80 03 61 62 63 30 00", 0, 0, 0},
        {"record past the list", "03 30 05 80", 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        const Bytes in = Hex(c.bytes);
        EXPECT_EQ(c.used, list.Decode(in.data(), (int)in.size())) << c.name;
        ASSERT_EQ(c.count, groups.GetCount()) << c.name;
        if (c.count)
        {
            EXPECT_EQ(c.lastValue, groups[c.count - 1].value1) << c.name;
            EXPECT_EQ(0, groups[0].value1 == 7 && c.count == 2) << "defaults for the short record";
        }
    }

    CKetrelArray<CKetrelString> names;
    CKetrelArray<CUserTournamentScores> scores;
    i32 v2 = 0;
    CASN1TournamentScores message(&names, &scores, &v2);
    const char* ok = "B0 14 80 00 81 0D 30 0B 80 01 09 81 06 02 01 01 02 01 02 82 01 03";
    EXPECT_EQ((int)Hex(ok).size(), DecodeHex(message, ok));
    ASSERT_EQ(1, scores.GetCount());
    EXPECT_EQ(9, scores[0].userId);
    ASSERT_EQ(2, scores[0].scores.GetCount());
    EXPECT_EQ(2, scores[0].scores[1]);
    const char* broken = "B0 10 80 00 81 0C 30 0A 80 01 09 81 06 02 01 01 02 01";
    EXPECT_EQ(0, DecodeHex(message, broken));
    EXPECT_EQ(0, scores.GetCount()) << "the broken record is not added";
}
