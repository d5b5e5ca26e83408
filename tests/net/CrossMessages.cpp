#include "CrossMessages.h"

#include "engine/KetrelResult.h"
#include "net/ASN1Messages.h"
#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"
#include "NetTestBytes.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
typedef std::vector<std::string> Schema;

// ---- hex and text ----

std::string HexOf(const u8* data, int size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < size; ++i)
    {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string Utf8Hex(const CKetrelString& s)
{
    std::vector<u8> b((size_t)BerUtf8Size(s) + 1);
    BerWriteUtf8(b.data(), s);
    return HexOf(b.data(), (int)b.size() - 1);
}

std::string Latin1Hex(const CKetrelString& s)
{
    std::vector<u8> b((size_t)BerLatin1Size(s) + 1);
    BerWriteLatin1(b.data(), s);
    return HexOf(b.data(), (int)b.size() - 1);
}

CKetrelString FromUtf8Hex(const std::string& hex)
{
    const Bytes b = Hex(hex);
    CKetrelString s;
    BerReadUtf8(b.data(), (int)b.size(), &s);
    return s;
}

CKetrelString FromLatin1Hex(const std::string& hex)
{
    const Bytes b = Hex(hex);
    CKetrelString s;
    BerReadLatin1(b.data(), (int)b.size(), &s);
    return s;
}

std::string DateText(const CDateTimeFields& f)
{
    char text[96];
    snprintf(text, sizeof text, "%d.%d.%d %d:%02d:%02d", f.day, f.month, f.year, f.hour, f.minute, f.second);
    return HexOf(reinterpret_cast<const u8*>(text), (int)strlen(text));
}

JValue I(i64 v) { return JValue::MakeInt(v); }
JValue S(const std::string& s) { return JValue::MakeStr(s); }

// ---- the variables a message binds ----

struct Slot
{
    Slot() {}
    ~Slot()
    {
        delete[] data;
        BerFreeGamePlayerEntries(&entries);
        BerFreeGameResultItems(&results);
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    i32 i = 0;
    i64 l = 0;
    CKetrelString s;
    u8* data = nullptr;
    i32 size = 0;
    CKetrelArray<i32> ints;
    CKetrelArray<CKetrelString> strs;
    CKetrelArray<CGroupListItem> groups;
    CKetrelArray<CLanguageInfo> languages;
    CKetrelArray<CBuyItemPlayerInfo> buyers;
    CKetrelArray<CAchievementInfo> achievements;
    CKetrelArray<CShopGroupData> shopGroups;
    CKetrelArray<CShopItemData> shopItems;
    CKetrelArray<CItemData> itemData;
    CKetrelArray<CUserTournamentScores> scores;
    CKetrelArray<CPlayerListItem> players;
    CKetrelPtrArray entries;   // CGamePlayerEntry*
    CKetrelPtrArray results;   // CGameResultItem*
};

struct Slots
{
    Slot f[18];
    Slot& operator[](int i) { return f[i]; }
};

// JSON -> slot, for the kinds our encoders take.
void Fill(const std::string& kind, const JValue& v, Slot& s)
{
    const char k = kind[0];
    switch (k)
    {
    case 'i': case 'f': s.i = (i32)v.integer; break;
    case 'n': s.i = v.IsNull() ? -1 : (i32)v.integer; break;
    case 'p': s.i = v.IsNull() ? 0 : (i32)v.integer; break;
    case 'l': s.l = v.integer; break;
    case 'u': s.s = FromUtf8Hex(v.text); break;
    case 'a': case 'd': s.s = FromLatin1Hex(v.text); break;
    case 'o': s.s = v.IsNull() ? CKetrelString() : FromLatin1Hex(v.text); break;
    case 'b':
    {
        const Bytes b = Hex(v.text);
        delete[] s.data;
        s.data = new u8[b.size() + 1];
        if (!b.empty())
            memcpy(s.data, b.data(), b.size());
        s.size = (i32)b.size();
        break;
    }
    case 'I':
        s.ints.SetSize(0);
        for (const JValue& x : v.items)
            s.ints.Add((i32)x.integer);
        break;
    case 'U':
        s.strs.SetSize(0);
        for (const JValue& x : v.items)
            s.strs.Add(FromUtf8Hex(x.text));
        break;
    default: break;   // 'x' and the lists we never send
    }
}

JValue Ints(const i32* values, int count, const int* order = nullptr)
{
    JValue a = JValue::MakeArr();
    for (int i = 0; i < count; ++i)
        a.items.push_back(I(values[order ? order[i] : i]));
    return a;
}

JValue EntryJson(const CGamePlayerEntry& e)
{
    const i32 date[6] = {e.date6.year, e.date6.month, e.date6.day, e.date6.hour, e.date6.minute, e.date6.second};
    return JValue::MakeArr({I(e.playerId), S(Latin1Hex(e.name)), S(Latin1Hex(e.text2)), S(DateText(e.date3)),
                            I(e.value4), S(Latin1Hex(e.text5)), Ints(date, 6), e.flag ? I(1) : JValue()});
}

JValue ResultJson(const CGameResultItem& r)
{
    JValue a = Ints(r.values, 4);
    a.items.push_back(S(Latin1Hex(r.text4)));
    a.items.push_back(S(DateText(r.date5)));
    return a;
}

template <class T, class F>
JValue ListJson(const CKetrelArray<T>& list, F&& one)
{
    JValue a = JValue::MakeArr();
    for (i32 i = 0; i < list.GetCount(); ++i)
        a.items.push_back(one(list[i]));
    return a;
}

// Slot -> JSON, for the kinds our decoders give.
JValue Out(const std::string& kind, Slot& s)
{
    switch (kind[0])
    {
    case 'i': case 'f': return I(s.i);
    case 'l': return I(s.l);
    case 'u': return S(Utf8Hex(s.s));
    case 'a': return S(Latin1Hex(s.s));
    case 'o': return s.s.IsEmpty() ? JValue() : S(Latin1Hex(s.s));
    case 'b': return S(s.size > 0 && s.data ? HexOf(s.data, s.size) : "");
    case 'I': return ListJson(s.ints, [](i32 v) { return I(v); });
    case 'U': return ListJson(s.strs, [](const CKetrelString& t) { return S(Utf8Hex(t)); });
    case 'E':
    {
        JValue a = JValue::MakeArr();
        for (i32 i = 0; i < s.entries.GetCount(); ++i)
            a.items.push_back(EntryJson(*static_cast<CGamePlayerEntry*>(s.entries.GetAt(i))));
        return a;
    }
    case 'Q':
    {
        JValue a = JValue::MakeArr();
        for (i32 i = 0; i < s.results.GetCount(); ++i)
            a.items.push_back(ResultJson(*static_cast<CGameResultItem*>(s.results.GetAt(i))));
        return a;
    }
    case 'R': break;
    default: return JValue();
    }
    switch (kind[1])
    {
    case 'G': return ListJson(s.groups, [](const CGroupListItem& r) {
        return JValue::MakeArr({S(Utf8Hex(r.name)), I(r.value1)}); });
    case 'N': return ListJson(s.languages, [](const CLanguageInfo& r) {
        return JValue::MakeArr({S(Utf8Hex(r.code)), S(Utf8Hex(r.base)), S(Utf8Hex(r.digest)), I(r.number)}); });
    case 'Y': return ListJson(s.buyers, [](const CBuyItemPlayerInfo& r) {
        return JValue::MakeArr({I(r.playerId), S(Utf8Hex(r.text1)), S(Utf8Hex(r.text2))}); });
    case 'A': return ListJson(s.achievements, [](const CAchievementInfo& r) {
        return JValue::MakeArr({I(r.value0), I(r.value1), S(Utf8Hex(r.text2)), S(Utf8Hex(r.text3)),
                                S(Utf8Hex(r.text4)), S(Utf8Hex(r.text5))}); });
    case 'S': return ListJson(s.shopGroups, [](const CShopGroupData& r) {
        return JValue::MakeArr({I(r.id), S(Utf8Hex(r.name)), I(r.value2), I(r.value3), I(r.value4), I(r.value5)}); });
    case 'H': return ListJson(s.shopItems, [](const CShopItemData& r) {
        JValue a = JValue::MakeArr({I(r.id), S(Utf8Hex(r.text1)), S(Utf8Hex(r.text2)), S(Utf8Hex(r.text3))});
        for (i32 v : r.values)
            a.items.push_back(I(v));
        a.items.push_back(S(Utf8Hex(r.text13)));
        a.items.push_back(I(r.value14));
        return a; });
    case 'D': return ListJson(s.itemData, [](const CItemData& r) {
        return JValue::MakeArr({I(r.value0), I(r.value1), S(HexOf(r.block, CItemData::BlockSize)), I(r.value3)}); });
    case 'T': return ListJson(s.scores, [](const CUserTournamentScores& r) {
        return JValue::MakeArr({I(r.userId), ListJson(r.scores, [](i32 v) { return I(v); })}); });
    case 'P': return ListJson(s.players, [](const CPlayerListItem& r) {
        static const int wireOrder[8] = {0, 1, 2, 3, 5, 4, 6, 7};
        return JValue::MakeArr({I(r.id), S(Utf8Hex(r.text1)), S(Utf8Hex(r.text2)), S(Utf8Hex(r.text3)),
                                S(Utf8Hex(r.text4)), I(r.value5), S(Utf8Hex(r.text6)), Ints(r.stats, 8, wireOrder)}); });
    }
    return JValue();
}

void FillAll(const Schema& schema, const JValue& fields, Slots& s)
{
    for (size_t i = 0; i < schema.size() && i < fields.items.size(); ++i)
        Fill(schema[i], fields.items[i], s[(int)i]);
}

JValue OutAll(const Schema& schema, Slots& s)
{
    JValue a = JValue::MakeArr();
    for (size_t i = 0; i < schema.size(); ++i)
        a.items.push_back(Out(schema[i], s[(int)i]));
    return a;
}

bool HasRecords(const Schema& schema)
{
    for (const std::string& k : schema)
        if (k[0] == 'R')
            return true;
    return false;
}

// ---- the three families ----

typedef std::function<CASN1_Message*(Slots&)> Binder;

CrossMessage Class(int number, Schema schema, Binder bind)
{
    CrossMessage m{number, "class", schema, !HasRecords(schema), true, nullptr, nullptr};
    if (m.canEncode)
        m.encode = [schema, bind](const JValue& fields) {
            Slots s;
            std::unique_ptr<CASN1_Message> message(bind(s));   // may reset variables: fill after
            FillAll(schema, fields, s);
            return EncodeWith([&](u8* b, int n) { return message->Encode(b, n); });
        };
    m.decode = [schema, bind](const Bytes& bytes, JValue* fields) {
        Slots s;
        std::unique_ptr<CASN1_Message> message(bind(s));
        if (message->Decode(bytes.data(), (int)bytes.size()) != (int)bytes.size())
            return false;
        *fields = OutAll(schema, s);
        return true;
    };
    return m;
}

typedef std::function<int(Slots&, u8*, int)> Encoder;
typedef std::function<bool(Slots&, const u8*, int)> Decoder;

CrossMessage Coded(int number, const char* family, Schema schema, Encoder encode, Decoder decode)
{
    CrossMessage m{number, family, schema, (bool)encode, (bool)decode, nullptr, nullptr};
    if (encode)
        m.encode = [schema, encode](const JValue& fields) {
            Slots s;
            FillAll(schema, fields, s);
            return EncodeWith([&](u8* b, int n) { return encode(s, b, n); });
        };
    if (decode)
        m.decode = [schema, decode](const Bytes& bytes, JValue* fields) {
            Slots s;
            if (!decode(s, bytes.data(), (int)bytes.size()))
                return false;
            *fields = OutAll(schema, s);
            return true;
        };
    return m;
}

CrossMessage Hand(int number, Schema schema, Encoder encode, Decoder decode = nullptr)
{
    return Coded(number, "hand", schema, encode, decode);
}

CrossMessage Fp(int number, Schema schema, Encoder encode, Decoder decode = nullptr)
{
    return Coded(number, "fp", schema, encode, decode);
}

// Field-pointer encoders take the number through a pointer.
template <class R>
Encoder FpEncoder(int number, std::function<R(Slots&, i32*)> record)
{
    return [number, record](Slots& s, u8* b, int n) {
        i32 no = number;
        return BerFpEncode(b, n, record(s, &no));
    };
}

std::vector<CrossMessage> Build()
{
    std::vector<CrossMessage> t;
    // Message classes.
    t.push_back(Class(2, {"u", "i", "u", "i"}, [](Slots& s) { return new CASN1ConnectACK(&s[0].s, &s[1].i, &s[2].s, &s[3].i); }));
    t.push_back(Class(10, {"i", "i", "i", "i"}, [](Slots& s) { return new CASN1GetAchievementList(&s[0].i, &s[1].i, &s[2].i, &s[3].i); }));
    t.push_back(Class(11, {"i", "i", "i", "RA", "i"}, [](Slots& s) { return new CASN1AchievementList(&s[0].i, &s[1].i, &s[2].i, &s[3].achievements, &s[4].i); }));
    t.push_back(Class(14, {"I", "i", "i"}, [](Slots& s) { return new CASN1GetTournamentScores(&s[0].ints, &s[1].i, &s[2].i); }));
    t.push_back(Class(16, {"U", "RT", "i"}, [](Slots& s) { return new CASN1TournamentScores(&s[0].strs, &s[1].scores, &s[2].i); }));
    t.push_back(Class(17, {"u", "u"}, [](Slots& s) { return new CASN1KeyValue(&s[0].s, &s[1].s); }));
    t.push_back(Class(20, {"i", "i", "i", "RP", "RG"}, [](Slots& s) { return new CASN1PlayerList(&s[0].i, &s[1].i, &s[2].i, &s[3].players, &s[4].groups); }));
    t.push_back(Class(25, {"u"}, [](Slots& s) { return new CASN1GetKeyValue(&s[0].s); }));
    t.push_back(Class(28, {}, [](Slots&) { return new CASN1_Message(ASN1LanguageListRequest); }));
    t.push_back(Class(29, {"RN"}, [](Slots& s) { return new CASN1AvailableLanguagesList(&s[0].languages); }));
    t.push_back(Class(30, {"u", "u"}, [](Slots& s) { return new CASN1GetLanguagePack(&s[0].s, &s[1].s); }));
    t.push_back(Class(31, {"u", "u", "u", "i", "b"}, [](Slots& s) { return new CASN1LanguagePack(&s[0].s, &s[1].s, &s[2].s, &s[3].i, &s[4].data, &s[4].size); }));
    t.push_back(Class(32, {"u"}, [](Slots& s) { return new CASN1GetThemePack(&s[0].s); }));
    t.push_back(Class(33, {"u", "u", "b"}, [](Slots& s) { return new CASN1ThemePack(&s[0].s, &s[1].s, &s[2].data, &s[2].size); }));
    t.push_back(Class(37, {"u"}, [](Slots& s) { return new CASN1ChangeLanguageMessage(&s[0].s); }));
    t.push_back(Class(39, {"l", "i", "u", "u", "i", "i"}, [](Slots& s) { return new CASN1ChallengeReceived(&s[0].l, &s[1].i, &s[2].s, &s[3].s, &s[4].i, &s[5].i); }));
    t.push_back(Class(45, {"i", "u", "i"}, [](Slots& s) { return new CASN1Notification(&s[0].i, &s[1].s, &s[2].i); }));
    t.push_back(Class(46, {"i", "l", "i", "i", "i", "i", "u"}, [](Slots& s) { return new CASN1GameReady(&s[0].i, &s[1].l, &s[2].i, &s[3].i, &s[4].i, &s[5].i, &s[6].s); }));
    t.push_back(Class(51, {"u", "u"}, [](Slots& s) { return new CASN1String2Message(51, &s[0].s, &s[1].s); }));
    t.push_back(Class(52, {"u", "b", "u", "u", "u"}, [](Slots& s) { return new CASN1ImageAndLink(&s[0].s, &s[1].data, &s[1].size, &s[2].s, &s[3].s, &s[4].s); }));
    t.push_back(Class(64, {"i", "u", "i"}, [](Slots& s) { return new CASN1ChatMessage(&s[0].i, &s[1].s, &s[2].i); }));
    t.push_back(Class(76, {"i", "i"}, [](Slots& s) { return new CASN1BlockUser(&s[0].i, &s[1].i); }));
    t.push_back(Class(80, {"u", "u", "b", "i", "i", "I", "u", "i", "u", "u"}, [](Slots& s) {
        return new CASN1AdvertisementInfo(&s[0].s, &s[1].s, &s[2].data, &s[2].size, &s[3].i, &s[4].i, &s[5].ints,
                                          &s[6].s, &s[7].i, &s[8].s, &s[9].s); }));
    t.push_back(Class(99, {"I", "i"}, [](Slots& s) { return new CASN1GetShopItemImage(&s[0].ints, &s[1].i); }));
    t.push_back(Class(104, {"i", "i", "I"}, [](Slots& s) { return new CASN1ConfirmBuyItem(&s[0].i, &s[1].i, &s[2].ints); }));
    t.push_back(Class(105, {"i", "i", "u"}, [](Slots& s) { return new CASN1ConfirmBuyItemResponse(&s[0].i, &s[1].i, &s[2].s); }));
    t.push_back(Class(106, {"i", "i", "u", "i"}, [](Slots& s) { return new CASN1UpdateItemStateResponse(&s[0].i, &s[1].i, &s[2].s, &s[3].i); }));
    t.push_back(Class(107, {"u"}, [](Slots& s) { return new CASN1ConfirmUserName(&s[0].s); }));
    t.push_back(Class(108, {"i", "u"}, [](Slots& s) { return new CASN1ConfirmUserNameACK(&s[0].i, &s[1].s); }));
    t.push_back(Class(109, {"u", "u", "u", "i", "u", "u"}, [](Slots& s) { return new CASN1ConfirmEmail(&s[0].s, &s[1].s, &s[2].s, &s[3].i, &s[4].s, &s[5].s); }));
    t.push_back(Class(110, {"i", "u"}, [](Slots& s) { return new CASN1ConfirmEmailACK(&s[0].i, &s[1].s); }));
    t.push_back(Class(111, {"i", "u", "u", "u", "u"}, [](Slots& s) { return new CASN1ExternalLogin(&s[0].i, &s[1].s, &s[2].s, &s[3].s, &s[4].s); }));
    t.push_back(Class(114, {"i", "u", "RH"}, [](Slots& s) { return new CASN1PlayerGiftItems(&s[0].i, &s[1].s, &s[2].shopItems); }));
    t.push_back(Class(115, {"i", "i", "I"}, [](Slots& s) { return new CASN1ConfirmBuyPlayerItems(&s[0].i, &s[1].i, &s[2].ints); }));
    t.push_back(Class(116, {"i", "i", "u"}, [](Slots& s) { return new CASN1ConfirmBuyPlayerItemsResponse(&s[0].i, &s[1].i, &s[2].s); }));

    // Hand-coded encoders.
    t.push_back(Hand(0, {"i", "i", "i", "a", "a", "i", "i", "a", "a", "i", "a", "a", "a", "i", "a", "i", "p"},
                     [](Slots& s, u8* b, int n) {
        CBerClientHello h;
        h.value0 = s[0].i; h.width = s[1].i; h.height = s[2].i; h.model = s[3].s; h.osVersion = s[4].s;
        h.value5 = s[5].i; h.value6 = s[6].i; h.address7 = s[7].s; h.address8 = s[8].s; h.value9 = s[9].i;
        h.helloText = s[10].s; h.resellerId = s[11].s; h.deviceId = s[12].s; h.value13 = s[13].i;
        h.osName = s[14].s; h.value15 = s[15].i; h.value16 = s[16].i;
        return BerEncodeClientHello(b, n, h); }));
    t.push_back(Hand(3, {"a", "a", "a", "a", "a", "i"}, [](Slots& s, u8* b, int n) {
        return BerEncodeRequest3(b, n, s[0].s, s[1].s, s[2].s, s[3].s, s[4].s, s[5].i); }));
    t.push_back(Hand(5, {"a", "a", "i", "a"}, [](Slots& s, u8* b, int n) {
        return BerEncodeLogin(b, n, s[0].s, s[1].s, s[2].i, s[3].s); }));
    t.push_back(Hand(7, {"i", "i", "i"}, [](Slots& s, u8* b, int n) { return BerEncodeMatchRequest(b, n, s[0].i, s[1].i, s[2].i); }));
    t.push_back(Hand(9, {"i"}, [](Slots& s, u8* b, int n) { return BerEncodeCancelMatchRequest(b, n, s[0].i); }));
    t.push_back(Hand(13, {"b"}, [](Slots& s, u8* b, int n) { return BerEncodeGameData(b, n, s[0].data, s[0].size); },
                     [](Slots& s, const u8* m, int n) {
        s[0].data = new u8[1 << 17];
        return BerDecodeGameData(m, n, s[0].data, 1 << 17, &s[0].size) == KE_OK; }));
    t.push_back(Hand(15, {"l", "i", "i", "I", "I", "f"}, [](Slots& s, u8* b, int n) {
        return BerEncodeGameResult(b, n, s[0].l, s[1].i, s[2].i, s[3].ints, s[4].ints, s[5].i); }));
    t.push_back(Hand(19, {"i", "i", "i", "a", "i", "i"}, [](Slots& s, u8* b, int n) {
        return BerEncodePlayerListRequest(b, n, s[0].i, s[1].i, s[2].i, s[3].s, s[4].i, s[5].i); }));
    for (int number : {21, 22})
    {
        t.push_back(Hand(number, {"i", "i", "i", "i", "a", "x"}, [number](Slots& s, u8* b, int n) {
            return BerEncodePlayerRelation(b, n, number, s[0].i, s[1].i, s[2].i, s[3].i, s[4].s); }));
        t.push_back(Hand(number, {"i", "i", "i", "i", "a", "o"}, nullptr, [](Slots& s, const u8* m, int n) {
            return BerDecodePlayerRelation(m, n, &s[0].i, &s[1].i, &s[2].i, &s[3].i, &s[4].s, &s[5].s) == KE_OK; }));
    }
    t.push_back(Hand(36, {"i", "a", "a", "a", "a", "i"}, [](Slots& s, u8* b, int n) {
        return BerEncodeRequest36(b, n, s[0].i, s[1].s, s[2].s, s[3].s, s[4].s, s[5].i); }));
    t.push_back(Hand(38, {"i", "I", "a"}, [](Slots& s, u8* b, int n) { return BerEncodeChallenge(b, n, s[0].i, s[1].ints, s[2].s); }));
    t.push_back(Hand(40, {"i", "i", "i", "i", "a", "a", "x"},
                     [](Slots& s, u8* b, int n) {
        return BerEncodeChallengeAnswer(b, n, s[0].i, s[1].i, s[2].i, s[3].i, s[4].s, s[5].s); },
                     [](Slots& s, const u8* m, int n) {
        return BerDecodeChallengeAnswer(m, n, &s[0].i, &s[1].i, &s[2].i, &s[3].i, &s[4].s, &s[5].s) == KE_OK; }));
    t.push_back(Hand(44, {"i"}, [](Slots& s, u8* b, int n) { return BerEncodePing(b, n, s[0].i); },
                     [](Slots& s, const u8* m, int n) { return BerDecodePing(m, n, &s[0].i) == KE_OK; }));
    t.push_back(Hand(57, {"a"}, [](Slots& s, u8* b, int n) { return BerEncodeLoginChallengeRequest(b, n, s[0].s); }));
    t.push_back(Hand(59, {}, [](Slots&, u8* b, int n) { return BerEncodeLogout(b, n); }));
    t.push_back(Hand(74, {"i", "i", "n"}, [](Slots& s, u8* b, int n) { return BerEncodeGameResultsRequest(b, n, s[0].i, s[1].i, s[2].i); }));
    t.push_back(Hand(82, {"a", "a"}, [](Slots& s, u8* b, int n) { return BerEncodeRequest82(b, n, s[0].s, s[1].s); }));
    t.push_back(Hand(84, {"i", "i"}, [](Slots& s, u8* b, int n) { return BerEncodeImageRequest(b, n, s[0].i, s[1].i); }));

    // Hand-coded decoders.
    t.push_back(Hand(6, {"i", "a", "a", "a", "i", "a"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodeLoginReply(m, n, &s[0].i, &s[1].s, &s[2].s, &s[3].s, &s[4].i, &s[5].s) == KE_OK; }));
    t.push_back(Hand(8, {"E", "i", "i", "i"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodeMatchResult(m, n, &s[0].entries, &s[1].i, &s[2].i, &s[3].i) == KE_OK; }));
    t.push_back(Hand(12, {"l", "E", "f", "f", "a", "i"}, nullptr, [](Slots& s, const u8* m, int n) {
        CGameJoinInfo info;
        if (BerDecodeGameJoin(m, n, &info) != KE_OK)
            return false;
        s[0].l = info.gameId;
        for (i32 i = 0; i < info.players.GetCount(); ++i)
            s[1].entries.Add(info.players.GetAt(i));
        info.players.RemoveAll();
        s[2].i = info.flag2;
        s[3].i = info.flag3;
        s[4].s = info.server;
        s[5].i = info.value5;
        return true; }));
    t.push_back(Hand(58, {"a", "o"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodeLoginChallenge(m, n, &s[0].s, &s[1].s) == KE_OK; }));
    t.push_back(Hand(72, {"l", "i"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodeGameStatus(m, n, &s[0].l, &s[1].i) == KE_OK; }));
    t.push_back(Hand(75, {"Q"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodeGameResults(m, n, &s[0].results) == KE_OK; }));
    t.push_back(Hand(85, {"i", "i", "b"}, nullptr, [](Slots& s, const u8* m, int n) {
        return BerDecodePicture(m, n, &s[0].i, &s[1].i, &s[2].data, &s[2].size) == KE_OK; }));

    // Field-pointer codecs.
    t.push_back(Fp(18, {"l"}, FpEncoder<CBerFpLong1>(18, [](Slots& s, i32* no) { return CBerFpLong1{no, &s[0].l}; })));
    t.push_back(Fp(70, {"l", "i", "i"}, [](Slots& s, u8* b, int n) {
        return BerFpEncode(b, n, CBerFpGameOver{&s[0].l, &s[1].i, &s[2].i}); }));
    for (int number : {90, 94, 112})
        t.push_back(Fp(number, {}, FpEncoder<CBerFpNone>(number, [](Slots&, i32* no) { return CBerFpNone{no}; })));
    for (int number : {92, 113})
        t.push_back(Fp(number, {"i"}, FpEncoder<CBerFpInt1>(number, [](Slots& s, i32* no) { return CBerFpInt1{no, &s[0].i}; })));
    for (int number : {98, 101, 102})
        t.push_back(Fp(number, {"i", "i"}, FpEncoder<CBerFpInt2>(number, [](Slots& s, i32* no) { return CBerFpInt2{no, &s[0].i, &s[1].i}; })));
    t.push_back(Fp(104, {"i", "i", "x"}, FpEncoder<CBerFpInt2>(104, [](Slots& s, i32* no) { return CBerFpInt2{no, &s[0].i, &s[1].i}; })));
    for (int number : {88, 96})
        t.push_back(Fp(number, {"i", "i", "i"}, FpEncoder<CBerFpInt3>(number, [](Slots& s, i32* no) {
            return CBerFpInt3{no, &s[0].i, &s[1].i, &s[2].i}; })));
    for (int number : {71, 91})
        t.push_back(Fp(number, {"i"}, nullptr, [number](Slots& s, const u8* m, int n) {
            i32 no = -1;
            return BerFpDecode(m, n, CBerFpInt1{&no, &s[0].i}) == n && no == number; }));
    t.push_back(Fp(87, {"RD"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpItemDataList r{0, &s[0].itemData};
        return BerFpDecode(m, n, r) == n && r.number == 87; }));
    t.push_back(Fp(89, {"i", "i", "b", "i"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpDataChunk r{0, &s[0].i, &s[1].i, &s[2].data, &s[2].size, &s[3].i};
        return BerFpDecode(m, n, r) == n && r.number == 89; }));
    t.push_back(Fp(93, {"i", "RS"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpShopGroups r{0, &s[0].i, &s[1].shopGroups};
        return BerFpDecode(m, n, r) == n && r.number == 93; }));
    t.push_back(Fp(97, {"i", "i", "RH"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpShopItems r{0, &s[0].i, &s[1].i, &s[2].shopItems};
        return BerFpDecode(m, n, r) == n && r.number == 97; }));
    t.push_back(Fp(100, {"i", "i", "b"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpPicture r{0, &s[0].i, &s[1].i, &s[2].data, &s[2].size};
        return BerFpDecode(m, n, r) == n && r.number == 100; }));
    t.push_back(Fp(103, {"i", "i", "u", "RY"}, nullptr, [](Slots& s, const u8* m, int n) {
        CBerFpBuyItemPlayerInfo r(&s[0].i, &s[1].i, &s[2].s, &s[3].buyers);
        return BerFpDecode(m, n, r) == n && r.number == 103; }));
    return t;
}

// ---- random fields ----

i32 RandomInt(std::mt19937& rng)
{
    static const i32 edges[] = {0, -1, 1, 127, 128, -128, -129, 255, 256, 0x7FFF, 0x8000, -0x8001, INT_MAX, INT_MIN};
    if (rng() % 3 == 0)
        return edges[rng() % (sizeof edges / sizeof *edges)];
    return (i32)rng();
}

std::string RandomBytes(std::mt19937& rng, size_t size)
{
    std::vector<u8> b(size);
    for (u8& x : b)
        x = (u8)rng();
    return HexOf(b.data(), (int)b.size());
}

CKetrelString RandomText(std::mt19937& rng, u16 highest)
{
    const int length = rng() % 20 == 0 ? 200 + (int)(rng() % 200) : (int)(rng() % 12);
    CKetrelString s;
    for (int i = 0; i < length; ++i)
    {
        u16 u;
        switch (rng() % 4)
        {
        case 0: u = (u16)(0x20 + rng() % 0x5F); break;
        case 1: u = (u16)(1 + rng() % 0x7F); break;
        case 2: u = (u16)(0x80 + rng() % 0x780); break;
        default: u = (u16)(0x800 + rng() % 0xF7FF); break;
        }
        if (u > highest)
            u = (u16)(0x80 + u % (highest - 0x7F));
        s.Append(u);
    }
    return s;
}

JValue RandomDateText(std::mt19937& rng)
{
    CDateTimeFields f;
    f.day = 1 + rng() % 31;
    f.month = 1 + rng() % 12;
    f.year = rng() % 10000;
    f.hour = rng() % 24;
    f.minute = rng() % 60;
    f.second = rng() % 60;
    return S(DateText(f));
}

JValue RandomValue(const std::string& kind, std::mt19937& rng);

JValue RandomRecords(const Schema& fields, std::mt19937& rng)
{
    JValue list = JValue::MakeArr();
    const int count = rng() % 4;
    for (int i = 0; i < count; ++i)
    {
        JValue record = JValue::MakeArr();
        for (const std::string& k : fields)
            record.items.push_back(RandomValue(k, rng));
        list.items.push_back(record);
    }
    return list;
}

JValue RandomValue(const std::string& kind, std::mt19937& rng)
{
    switch (kind[0])
    {
    case 'i': return I(RandomInt(rng));
    case 'f': return I(rng() % 2);
    case 'n': return rng() % 2 ? JValue() : I(RandomInt(rng) & INT_MAX);
    case 'p': return rng() % 2 ? JValue() : I(1 + (RandomInt(rng) & 0x3FFFFFFF));
    case 'l':
    {
        static const i64 edges[] = {0, 1, 255, 0x100000000LL, INT64_MAX};
        if (rng() % 3 == 0)
            return I(edges[rng() % 5]);
        return I((i64)(((u64)rng() << 32 | rng()) >> (rng() % 64)) & INT64_MAX);
    }
    case 'u': return S(Utf8Hex(RandomText(rng, 0xFFFF)));
    case 'a': return S(Latin1Hex(RandomText(rng, 0xFF)));
    case 'o':
    {
        CKetrelString t = RandomText(rng, 0xFF);
        return rng() % 2 || t.IsEmpty() ? JValue() : S(Latin1Hex(t));
    }
    case 'd': return RandomDateText(rng);
    case 'b':
    {
        const u32 pick = rng() % 50;
        return S(RandomBytes(rng, pick == 0 ? 65536 : (pick == 1 ? 0 : rng() % 40)));
    }
    case 'B': return S(RandomBytes(rng, 16));
    case 'I':
    {
        JValue a = JValue::MakeArr();
        for (u32 n = rng() % 5; n > 0; --n)
            a.items.push_back(I(RandomInt(rng)));
        return a;
    }
    case 'U':
    {
        JValue a = JValue::MakeArr();
        for (u32 n = rng() % 4; n > 0; --n)
            a.items.push_back(RandomValue("u", rng));
        return a;
    }
    case '8': case '6':
    {
        JValue a = JValue::MakeArr();
        for (int n = kind[0] - '0'; n > 0; --n)
            a.items.push_back(I(RandomInt(rng)));
        return a;
    }
    case 'F': return rng() % 2 ? JValue() : I(1);
    case 'E': return RandomRecords({"i", "a", "a", "d", "i", "a", "6", "F"}, rng);
    case 'Q': return RandomRecords({"i", "i", "i", "i", "a", "d"}, rng);
    case 'R': break;
    default: return JValue();
    }
    switch (kind[1])
    {
    case 'G': return RandomRecords({"u", "i"}, rng);
    case 'N': return RandomRecords({"u", "u", "u", "i"}, rng);
    case 'Y': return RandomRecords({"i", "u", "u"}, rng);
    case 'A': return RandomRecords({"i", "i", "u", "u", "u", "u"}, rng);
    case 'S': return RandomRecords({"i", "u", "i", "i", "i", "i"}, rng);
    case 'H': return RandomRecords({"i", "u", "u", "u", "i", "i", "i", "i", "i", "i", "i", "i", "i", "u", "i"}, rng);
    case 'D': return RandomRecords({"i", "i", "B", "i"}, rng);
    case 'T': return RandomRecords({"i", "I"}, rng);
    case 'P': return RandomRecords({"i", "u", "u", "u", "u", "i", "u", "8"}, rng);
    }
    return JValue();
}
}

const std::vector<CrossMessage>& CrossMessages()
{
    static const std::vector<CrossMessage> table = Build();
    return table;
}

JValue CrossRandomFields(const std::vector<std::string>& schema, std::mt19937& rng)
{
    JValue fields = JValue::MakeArr();
    for (const std::string& kind : schema)
        fields.items.push_back(RandomValue(kind, rng));
    return fields;
}
