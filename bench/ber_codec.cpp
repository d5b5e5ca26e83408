// Decoding and encoding a typical mix of lobby messages: our field classes and hand-coded
// codecs against libtasn1 working from an ASN.1 definition of the same messages
// (bench/ber_codec.asn). Both decoders read the same bytes (libtasn1's DER, which our
// decoders accept), and both sides hand every text over as a CKetrelString, as the
// session's dispatcher needs it.
#include "BenchSupport.h"
#include "engine/KetrelString.h"
#include "net/ASN1Messages.h"
#include "net/BerHandCodec.h"

#include <libtasn1.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const int kRounds = 20000;
const int kPlayers = 20;
asn1_node g_defs = nullptr;

struct Chat { i32 kind; CKetrelString text; i32 sender; };

const char* const kChatTexts[] = {"gg", "nice shot!", "réessaie, c'est presque ça", "one more round?",
                                  "ты где?", "ok"};

// ---- libtasn1 helpers ----

void WriteInt(asn1_node node, const char* name, i32 value)
{
    u8 bytes[4];
    int n = 4;
    for (int i = 0; i < 4; ++i)
        bytes[i] = (u8)((u32)value >> (24 - 8 * i));
    int start = 0;
    while (start < 3 && ((bytes[start] == 0 && !(bytes[start + 1] & 0x80)) ||
                         (bytes[start] == 0xFF && (bytes[start + 1] & 0x80))))
        ++start;
    n -= start;
    asn1_write_value(node, name, bytes + start, n);
}

void WriteText(asn1_node node, const char* name, const CKetrelString& text)
{
    char utf8[1024];
    const int size = text.ToUTF8(utf8) - 1;
    asn1_write_value(node, name, utf8, size);
}

i32 ReadInt(asn1_node node, const char* name)
{
    u8 bytes[8];
    int len = sizeof bytes;
    if (asn1_read_value(node, name, bytes, &len) != ASN1_SUCCESS || len < 1 || len > 4)
        return 0;
    u32 v = (bytes[0] & 0x80) ? ~0u : 0u;
    for (int i = 0; i < len; ++i)
        v = (v << 8) | bytes[i];
    return (i32)v;
}

void ReadText(asn1_node node, const char* name, CKetrelString* text)
{
    char utf8[1024];
    int len = sizeof utf8;
    if (asn1_read_value(node, name, utf8, &len) != ASN1_SUCCESS)
        len = 0;
    text->FromUTF8(utf8, len);
}

int Der(asn1_node node, u8* out, int capacity)
{
    int len = capacity;
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
    return asn1_der_coding(node, "", out, &len, error) == ASN1_SUCCESS ? len : 0;
}

asn1_node Create(const char* type)
{
    asn1_node node = nullptr;
    asn1_create_element(g_defs, type, &node);
    return node;
}

// ---- the mix ----

struct Mix
{
    std::vector<Chat> chats;
    CKetrelString ackText0 = "Welcome", ackText2 = "";
    CKetrelString note = "Ann wants a rematch", key = "motd", value = "Servers restart at 04:00 UTC.";
    CKetrelArray<i32> ids;
    std::vector<CPlayerListItem> players;

    Mix()
    {
        for (int i = 0; i < 6; ++i)
        {
            Chat c;
            c.kind = 2;
            c.text.FromUTF8(kChatTexts[i]);
            c.sender = 1000 + i;
            chats.push_back(c);
        }
        for (int i = 0; i < kPlayers; ++i)
        {
            ids.Add(5000 + i * 37);
            CPlayerListItem p;
            p.id = 5000 + i * 37;
            char name[32];
            snprintf(name, sizeof name, "player_%d", i);
            p.text1 = name;
            p.text2 = "FI";
            p.text3 = "1.2.2011 3:4:5";
            p.text4 = "";
            p.value5 = i & 3;
            p.text6.FromUTF8("¡hola!");
            for (int s = 0; s < 8; ++s)
                p.stats[s] = i * 100 + s;
            players.push_back(p);
        }
    }
};

// Our encoding of the sent part of the mix, into one buffer; the bytes written.
int EncodeOurs(Mix& mix, u8* out, int capacity)
{
    int at = 0;
    for (Chat& c : mix.chats)
    {
        CASN1ChatMessage m(&c.kind, &c.text, &c.sender);
        at += m.Encode(out + at, capacity - at);
    }
    for (int i = 0; i < 3; ++i)
        at += BerEncodePing(out + at, capacity - at, -1);
    i32 result = 0, release = 3;
    CKetrelString t2;
    CASN1ConnectACK ack(&mix.ackText0, &result, &t2, &release);
    release = 3;
    at += ack.Encode(out + at, capacity - at);
    i32 kind = 1, value = 7;
    CASN1Notification note(&kind, &mix.note, &value);
    value = 7;
    at += note.Encode(out + at, capacity - at);
    CASN1KeyValue kv(&mix.key, &mix.value);
    at += kv.Encode(out + at, capacity - at);
    i32 a = 32, b = 1;
    CASN1GetTournamentScores scores(&mix.ids, &a, &b);
    at += scores.Encode(out + at, capacity - at);
    return at;
}

int EncodeTasn1(Mix& mix, u8* out, int capacity)
{
    int at = 0;
    for (Chat& c : mix.chats)
    {
        asn1_node n = Create("BrixLobby.ChatMessage");
        WriteInt(n, "kind", c.kind);
        WriteText(n, "text", c.text);
        WriteInt(n, "sender", c.sender);
        at += Der(n, out + at, capacity - at);
        asn1_delete_structure(&n);
    }
    for (int i = 0; i < 3; ++i)
    {
        asn1_node n = Create("BrixLobby.Ping");
        WriteInt(n, "value", -1);
        at += Der(n, out + at, capacity - at);
        asn1_delete_structure(&n);
    }
    asn1_node n = Create("BrixLobby.ConnectACK");
    WriteText(n, "text0", mix.ackText0);
    WriteInt(n, "result", 0);
    WriteText(n, "text2", mix.ackText2);
    WriteInt(n, "release", 3);
    at += Der(n, out + at, capacity - at);
    asn1_delete_structure(&n);
    n = Create("BrixLobby.Notification");
    WriteInt(n, "kind", 1);
    WriteText(n, "text", mix.note);
    WriteInt(n, "value", 7);
    at += Der(n, out + at, capacity - at);
    asn1_delete_structure(&n);
    n = Create("BrixLobby.KeyValue");
    WriteText(n, "key", mix.key);
    WriteText(n, "value", mix.value);
    at += Der(n, out + at, capacity - at);
    asn1_delete_structure(&n);
    n = Create("BrixLobby.TournamentIds");
    for (i32 i = 0; i < mix.ids.GetCount(); ++i)
    {
        asn1_write_value(n, "ids", "NEW", 1);
        WriteInt(n, "ids.?LAST", mix.ids[i]);
    }
    WriteInt(n, "a", 32);
    WriteInt(n, "b", 1);
    at += Der(n, out + at, capacity - at);
    asn1_delete_structure(&n);
    return at;
}

// The received part of the mix as libtasn1 writes it: the sent messages plus a player list.
std::vector<std::vector<u8>> ReceivedBytes(Mix& mix)
{
    std::vector<std::vector<u8>> messages;
    std::vector<u8> all(65536);
    const int size = EncodeTasn1(mix, all.data(), (int)all.size());
    for (int at = 0; at < size;)
    {
        const int frame = BerGetFrameSize(all.data() + at, size - at);
        messages.emplace_back(all.begin() + at, all.begin() + at + frame);
        at += frame;
    }
    messages.pop_back();   // the tournament ids request is not received
    asn1_node n = Create("BrixLobby.PlayerList");
    WriteInt(n, "total", 250);
    WriteInt(n, "first", 0);
    WriteInt(n, "listId", 0x40);
    char name[64];
    for (const CPlayerListItem& p : mix.players)
    {
        asn1_write_value(n, "items", "NEW", 1);
        WriteInt(n, "items.?LAST.id", p.id);
        WriteText(n, "items.?LAST.text1", p.text1);
        WriteText(n, "items.?LAST.text2", p.text2);
        WriteText(n, "items.?LAST.text3", p.text3);
        WriteText(n, "items.?LAST.text4", p.text4);
        WriteInt(n, "items.?LAST.value5", p.value5);
        WriteText(n, "items.?LAST.text6", p.text6);
        for (int s = 0; s < 8; ++s)
        {
            snprintf(name, sizeof name, "items.?LAST.stats.s%d", s);
            WriteInt(n, name, p.stats[s]);
        }
    }
    for (int g = 0; g < 2; ++g)
    {
        asn1_write_value(n, "groups", "NEW", 1);
        WriteText(n, "groups.?LAST.name", g ? "friends" : "all");
        WriteInt(n, "groups.?LAST.value", g);
    }
    std::vector<u8> list(65536);
    list.resize((size_t)Der(n, list.data(), (int)list.size()));
    asn1_delete_structure(&n);
    messages.push_back(list);
    return messages;
}

// Decodes every message as the dispatcher would; returns a checksum of what it read.
i64 DecodeOurs(const std::vector<std::vector<u8>>& messages)
{
    i64 sum = 0;
    for (const std::vector<u8>& m : messages)
    {
        const u8* data = m.data();
        const int size = (int)m.size();
        switch (BerGetMessageTag(data))
        {
        case 64:
        {
            i32 kind = 0, sender = 0;
            CKetrelString text;
            CASN1ChatMessage(&kind, &text, &sender).Decode(data, size);
            sum += kind + sender + text.GetLength();
            break;
        }
        case 44:
        {
            i32 value = 0;
            BerDecodePing(data, size, &value);
            sum += value;
            break;
        }
        case 2:
        {
            i32 result = 0, release = 0;
            CKetrelString t0, t2;
            CASN1ConnectACK(&t0, &result, &t2, &release).Decode(data, size);
            sum += result + release + t0.GetLength();
            break;
        }
        case 45:
        {
            i32 kind = 0, value = 0;
            CKetrelString text;
            CASN1Notification(&kind, &text, &value).Decode(data, size);
            sum += kind + value + text.GetLength();
            break;
        }
        case 17:
        {
            CKetrelString key, value;
            CASN1KeyValue(&key, &value).Decode(data, size);
            sum += key.GetLength() + value.GetLength();
            break;
        }
        case 20:
        {
            i32 total = 0, first = 0, listId = 0;
            CKetrelArray<CPlayerListItem> items;
            CKetrelArray<CGroupListItem> groups;
            CASN1PlayerList(&total, &first, &listId, &items, &groups).Decode(data, size);
            sum += total + listId + groups.GetCount();
            for (i32 i = 0; i < items.GetCount(); ++i)
                sum += items[i].id + items[i].stats[4] + items[i].text1.GetLength() + items[i].text6.GetLength();
            break;
        }
        }
    }
    return sum;
}

i64 DecodeTasn1(const std::vector<std::vector<u8>>& messages)
{
    i64 sum = 0;
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
    char name[64];
    for (const std::vector<u8>& m : messages)
    {
        const char* type = nullptr;
        const int tag = BerGetMessageTag(m.data());
        switch (tag)
        {
        case 64: type = "BrixLobby.ChatMessage"; break;
        case 44: type = "BrixLobby.Ping"; break;
        case 2: type = "BrixLobby.ConnectACK"; break;
        case 45: type = "BrixLobby.Notification"; break;
        case 17: type = "BrixLobby.KeyValue"; break;
        case 20: type = "BrixLobby.PlayerList"; break;
        }
        asn1_node n = Create(type);
        if (asn1_der_decoding(&n, m.data(), (int)m.size(), error) != ASN1_SUCCESS)
        {
            asn1_delete_structure(&n);
            continue;
        }
        CKetrelString a, b;
        switch (tag)
        {
        case 64:
            ReadText(n, "text", &a);
            sum += ReadInt(n, "kind") + ReadInt(n, "sender") + a.GetLength();
            break;
        case 44: sum += ReadInt(n, "value"); break;
        case 2:
            ReadText(n, "text0", &a);
            ReadText(n, "text2", &b);
            sum += ReadInt(n, "result") + ReadInt(n, "release") + a.GetLength();
            break;
        case 45:
            ReadText(n, "text", &a);
            sum += ReadInt(n, "kind") + ReadInt(n, "value") + a.GetLength();
            break;
        case 17:
            ReadText(n, "key", &a);
            ReadText(n, "value", &b);
            sum += a.GetLength() + b.GetLength();
            break;
        case 20:
        {
            int items = 0, groups = 0;
            asn1_number_of_elements(n, "items", &items);
            asn1_number_of_elements(n, "groups", &groups);
            sum += ReadInt(n, "total") + ReadInt(n, "listId") + groups;
            (void)ReadInt(n, "first");
            for (int g = 1; g <= groups; ++g)
            {
                snprintf(name, sizeof name, "groups.?%d.name", g);
                ReadText(n, name, &a);
                snprintf(name, sizeof name, "groups.?%d.value", g);
                (void)ReadInt(n, name);
            }
            for (int i = 1; i <= items; ++i)
            {
                CPlayerListItem p;
                static const char* const texts[] = {"text1", "text2", "text3", "text4", "text6"};
                CKetrelString* targets[] = {&p.text1, &p.text2, &p.text3, &p.text4, &p.text6};
                for (int t = 0; t < 5; ++t)
                {
                    snprintf(name, sizeof name, "items.?%d.%s", i, texts[t]);
                    ReadText(n, name, targets[t]);
                }
                snprintf(name, sizeof name, "items.?%d.id", i);
                p.id = ReadInt(n, name);
                snprintf(name, sizeof name, "items.?%d.value5", i);
                p.value5 = ReadInt(n, name);
                static const int order[8] = {0, 1, 2, 3, 5, 4, 6, 7};
                for (int s = 0; s < 8; ++s)
                {
                    snprintf(name, sizeof name, "items.?%d.stats.s%d", i, s);
                    p.stats[order[s]] = ReadInt(n, name);
                }
                sum += p.id + p.stats[4] + p.text1.GetLength() + p.text6.GetLength();
            }
            break;
        }
        }
        asn1_delete_structure(&n);
    }
    return sum;
}
}

int main()
{
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
    const std::string definition = std::string(KETREL_SOURCE_DIR) + "/bench/ber_codec.asn";
    if (asn1_parser2tree(definition.c_str(), &g_defs, error) != ASN1_SUCCESS)
    {
        std::fprintf(stderr, "libtasn1 cannot read %s: %s\n", definition.c_str(), error);
        return 1;
    }
    Mix mix;
    const std::vector<std::vector<u8>> received = ReceivedBytes(mix);
    const i64 ourSum = DecodeOurs(received), theirSum = DecodeTasn1(received);
    if (ourSum != theirSum)
    {
        std::fprintf(stderr, "the decoders disagree: %lld against %lld\n", (long long)ourSum, (long long)theirSum);
        return 1;
    }
    std::vector<u8> ours(65536), theirs(65536);
    const int ourSize = EncodeOurs(mix, ours.data(), (int)ours.size());
    const int theirSize = EncodeTasn1(mix, theirs.data(), (int)theirs.size());
    if (ourSize <= 0 || ourSize != theirSize)
    {
        std::fprintf(stderr, "the encodings differ in size: %d against %d\n", ourSize, theirSize);
        return 1;
    }
    size_t receivedBytes = 0;
    for (const auto& m : received)
        receivedBytes += m.size();

    volatile i64 sink = 0;
    const double ourDecode = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds; ++r)
            sink = sink + DecodeOurs(received);
    });
    const double theirDecode = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds / 10; ++r)
            sink = sink + DecodeTasn1(received);
    }) * 10;
    const double ourEncode = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds; ++r)
            sink = sink + EncodeOurs(mix, ours.data(), (int)ours.size());
    });
    const double theirEncode = bench::BestSeconds(5, [&] {
        for (int r = 0; r < kRounds / 10; ++r)
            sink = sink + EncodeTasn1(mix, theirs.data(), (int)theirs.size());
    }) * 10;
    asn1_delete_structure(&g_defs);

    std::printf("%-12s %14s %14s %10s\n", "case", "ours (ms)", "libtasn1 (ms)", "ratio");
    std::printf("%-12s %14.2f %14.2f %10.3f   (%d rounds of %zu messages, %zu bytes each round)\n", "ber_decode",
                ourDecode * 1e3, theirDecode * 1e3, theirDecode / ourDecode, kRounds, received.size(), receivedBytes);
    std::printf("%-12s %14.2f %14.2f %10.3f   (%d rounds of 13 messages, %d bytes each round)\n", "ber_encode",
                ourEncode * 1e3, theirEncode * 1e3, theirEncode / ourEncode, kRounds, ourSize);
    std::printf("BENCH ber_decode ratio=%.3f\n", theirDecode / ourDecode);
    std::printf("BENCH ber_encode ratio=%.3f\n", theirEncode / ourEncode);
    return 0;
}
