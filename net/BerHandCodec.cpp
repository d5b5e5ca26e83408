#include "net/BerHandCodec.h"

#include "engine/KetrelResult.h"

#include <cstring>
#include <new>

namespace
{
const int kDecodeFailed = 0;

// Measures the fields, then writes identifier, length and fields.
template <class Fields>
int EncodeMessage(u8* buffer, int capacity, int number, Fields&& fields)
{
    CBerWriter measure(nullptr, 0);
    fields(measure);
    if (measure.Overflowed() || measure.Size() > BerMaxLength)
        return 0;
    const int content = measure.Size();
    const int identifier = number < 31 ? 1 : 2;
    const int total = identifier + BerEncodeLength(nullptr, 0, content) + content;
    if (!buffer || capacity == 0)
        return total;
    if (capacity < total)
        return 0;
    CBerWriter out(buffer, capacity);
    if (number < 31)
        out.PutByte((u8)(0xA0 | number));
    else
    {
        out.PutByte(0xBF);
        out.PutByte((u8)number);
    }
    out.PutLength(content);
    fields(out);
    return out.Overflowed() ? 0 : out.Size();
}

// A constructed list [index] of universal INTEGERs.
void PutIntList(CBerWriter& w, int index, const CKetrelArray<i32>& values)
{
    i64 content = 0;
    for (i32 i = 0; i < values.GetCount(); ++i)
        content += 1 + BerEncodeInt(nullptr, 0, values[i]);
    w.PutByte((u8)(0xA0 | index));
    w.PutLength(content > BerMaxLength ? -1 : (i32)content);
    for (i32 i = 0; i < values.GetCount(); ++i)
    {
        w.PutByte(0x02);
        w.PutInt(values[i]);
    }
}

void PutInt(CBerWriter& w, int index, i32 value)
{
    w.PutByte((u8)(0x80 | index));
    w.PutInt(value);
}

void PutStr(CBerWriter& w, int index, const CKetrelString& text)
{
    w.PutByte((u8)(0x80 | index));
    w.PutLatin1(text);
}

// Opens a message: 1 with the content's reader, 4 for another number, 0 when the frame
// is cut or its length passes the data.
int OpenMessage(const u8* message, int size, int number, int otherNumber, CBerReader* content)
{
    if (!message || size < 2)
        return kDecodeFailed;
    const int identifier = BerGetIdentifierSize(message);
    const int tag = BerGetMessageTag(message);
    if ((message[0] & 0xE0) != 0xA0 || (tag != number && tag != otherNumber))
        return KE_ERR_FORMAT;
    CBerReader frame(message + identifier, size - identifier);
    return frame.ReadNested(content) ? KE_OK : kDecodeFailed;
}

// Reads the identifier byte of a field that must be [index] (low 5 bits).
bool ExpectField(CBerReader& r, int index)
{
    u8 id = 0;
    if (!r.ReadByte(&id))
        return false;
    return (id & 0x1F) == index ? true : r.Fail();
}

bool ReadDateTimeText(CBerReader& r, CDateTimeFields* fields)
{
    CKetrelString text;
    if (!r.ReadLatin1(&text))
        return false;
    BerParseDateTimeText(text, fields);
    return true;
}

bool ReadDateTimeRecord(CBerReader& r, CDateTimeFields* fields)
{
    CBerReader content(nullptr, 0);
    if (!r.ReadNested(&content))
        return false;
    i32* slots[6] = {&fields->year, &fields->month, &fields->day, &fields->hour, &fields->minute, &fields->second};
    u8 id = 0;
    while (!content.AtEnd() && content.ReadByte(&id))
    {
        const int n = id & 0x1F;
        if (n >= 6)
            break;
        if (!content.ReadInt(slots[n]))
            return r.Fail();
    }
    return true;
}

bool DecodeEntry(CBerReader& r, CGamePlayerEntry* entry)
{
    u8 id = 0;
    while (!r.AtEnd() && r.ReadByte(&id))
    {
        bool ok = true;
        switch (id & 0x1F)
        {
        case 0: ok = r.ReadInt(&entry->playerId); break;
        case 1: ok = r.ReadLatin1(&entry->name); break;
        case 2: ok = r.ReadLatin1(&entry->text2); break;
        case 3: ok = ReadDateTimeText(r, &entry->date3); break;
        case 4: ok = r.ReadInt(&entry->value4); break;
        case 5: ok = r.ReadLatin1(&entry->text5); break;
        case 6: ok = ReadDateTimeRecord(r, &entry->date6); break;
        case 7: entry->flag = 1; return true;
        default: return true;
        }
        if (!ok)
            return false;
    }
    return true;
}

// A list of player entries after its identifier: BER length, then entries, each an
// optional 30, a BER length and the entry's fields. An entry joins the list only once it
// decoded; the next entry begins at the end the entry declared.
int ReadEntryList(CBerReader& r, CKetrelPtrArray* entries)
{
    CBerReader list(nullptr, 0);
    if (!r.ReadNested(&list))
        return kDecodeFailed;
    while (!list.AtEnd())
    {
        u8 b = 0;
        if (list.PeekByte(&b) && b == 0x30)
            list.Skip(1);
        CBerReader fields(nullptr, 0);
        if (!list.ReadNested(&fields))
            return kDecodeFailed;
        CGamePlayerEntry* entry = new (std::nothrow) CGamePlayerEntry();
        if (!entry)
            return KE_ERR_MEMORY;
        if (!DecodeEntry(fields, entry))
        {
            delete entry;
            return kDecodeFailed;
        }
        entries->Add(entry);
    }
    return KE_OK;
}

bool DecodeResultItem(CBerReader& r, CGameResultItem* item)
{
    u8 id = 0;
    while (!r.AtEnd() && r.ReadByte(&id))
    {
        const int n = id & 0x1F;
        bool ok = true;
        if (n <= 3)
            ok = r.ReadInt(&item->values[n]);
        else if (n == 4)
            ok = r.ReadLatin1(&item->text4);
        else if (n == 5)
            ok = ReadDateTimeText(r, &item->date5);
        else
            return true;
        if (!ok)
            return false;
    }
    return true;
}
}

CGameJoinInfo::~CGameJoinInfo()
{
    BerFreeGamePlayerEntries(&players);
}

void BerFreeGamePlayerEntries(CKetrelPtrArray* entries)
{
    for (i32 i = 0; i < entries->GetCount(); ++i)
        delete static_cast<CGamePlayerEntry*>(entries->GetAt(i));
    entries->RemoveAll();
}

void BerFreeGameResultItems(CKetrelPtrArray* items)
{
    for (i32 i = 0; i < items->GetCount(); ++i)
        delete static_cast<CGameResultItem*>(items->GetAt(i));
    items->RemoveAll();
}

// ---- primitives ----

int BerEncodeLatin1String(u8* buffer, int capacity, const CKetrelString& text)
{
    CBerWriter measure(nullptr, 0);
    measure.PutLatin1(text);
    if (measure.Overflowed())
        return 0;
    if (!buffer || capacity == 0)
        return measure.Size();
    if (capacity < measure.Size())
        return 0;
    CBerWriter out(buffer, capacity);
    out.PutLatin1(text);
    return out.Size();
}

int BerDecodeLatin1String(const u8* buffer, int available, CKetrelString* text, int* consumed)
{
    CBerReader r(buffer, available);
    text->Clear();
    if (!r.ReadLatin1(text))
        return 0;
    *consumed = available - r.Left();
    return 1;
}

void BerParseDateTimeText(const CKetrelString& text, CDateTimeFields* fields)
{
    text.Scan(L"%d.%d.%d %d:%d:%d", &fields->day, &fields->month, &fields->year, &fields->hour,
              &fields->minute, &fields->second);
}

int BerDecodeDateTimeText(const u8* buffer, int available, CDateTimeFields* fields)
{
    CBerReader r(buffer, available);
    return ReadDateTimeText(r, fields) ? available - r.Left() : 0;
}

int BerDecodeDateTimeRecord(const u8* buffer, int available, CDateTimeFields* fields, int* consumed)
{
    CBerReader r(buffer, available);
    if (!ReadDateTimeRecord(r, fields))
        return 0;
    *consumed = available - r.Left();
    return 1;
}

// ---- encoders ----

int BerEncodeClientHello(u8* buffer, int capacity, const CBerClientHello& h)
{
    return EncodeMessage(buffer, capacity, 0, [&h](CBerWriter& w) {
        PutInt(w, 0, h.value0);
        PutInt(w, 1, h.width);
        PutInt(w, 2, h.height);
        PutStr(w, 3, h.model);
        PutStr(w, 4, h.osVersion);
        PutInt(w, 5, h.value5);
        PutInt(w, 6, h.value6);
        PutStr(w, 7, h.address7);
        PutStr(w, 8, h.address8);
        PutInt(w, 9, h.value9);
        PutStr(w, 10, h.helloText);
        PutStr(w, 11, h.resellerId);
        PutStr(w, 12, h.deviceId);
        PutInt(w, 13, h.value13);
        PutStr(w, 14, h.osName);
        PutInt(w, 15, h.value15);
        if (h.value16 > 0)
            PutInt(w, 16, h.value16);
    });
}

int BerEncodeRequest3(u8* buffer, int capacity, const CKetrelString& t0, const CKetrelString& t1,
                      const CKetrelString& t2, const CKetrelString& t3, const CKetrelString& t4, i32 value5)
{
    return EncodeMessage(buffer, capacity, 3, [&](CBerWriter& w) {
        PutStr(w, 0, t0);
        PutStr(w, 1, t1);
        PutStr(w, 2, t2);
        PutStr(w, 3, t3);
        PutStr(w, 4, t4);
        PutInt(w, 5, value5);
    });
}

int BerEncodeLogin(u8* buffer, int capacity, const CKetrelString& user, const CKetrelString& password,
                   i32 value2, const CKetrelString& text3)
{
    return EncodeMessage(buffer, capacity, 5, [&](CBerWriter& w) {
        PutStr(w, 0, user);
        PutStr(w, 1, password);
        PutInt(w, 2, value2);
        PutStr(w, 3, text3);
    });
}

int BerEncodeMatchRequest(u8* buffer, int capacity, i32 appGameId, i32 mode, i32 param)
{
    return EncodeMessage(buffer, capacity, 7, [&](CBerWriter& w) {
        PutInt(w, 0, appGameId);
        PutInt(w, 1, mode);
        PutInt(w, 2, param);
    });
}

int BerEncodeCancelMatchRequest(u8* buffer, int capacity, i32 appGameId)
{
    return EncodeMessage(buffer, capacity, 9, [&](CBerWriter& w) { PutInt(w, 0, appGameId); });
}

int BerEncodeGameData(u8* buffer, int capacity, const u8* data, i32 size)
{
    return EncodeMessage(buffer, capacity, 13, [&](CBerWriter& w) {
        w.PutByte(0x80);
        w.PutBlock(data, size);
    });
}

int BerEncodeGameResult(u8* buffer, int capacity, i64 gameId, i32 appGameId, i32 value2,
                        const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& codes, i32 abandoned)
{
    return EncodeMessage(buffer, capacity, 15, [&](CBerWriter& w) {
        w.PutByte(0x80);
        w.PutInt64(gameId);
        PutInt(w, 1, appGameId);
        PutInt(w, 2, value2);
        PutIntList(w, 3, playerIds);
        PutIntList(w, 4, codes);
        PutInt(w, 5, abandoned != 0 ? 1 : 0);
    });
}

int BerEncodePlayerListRequest(u8* buffer, int capacity, i32 list, i32 first, i32 count,
                               const CKetrelString& filter, i32 a, i32 b)
{
    return EncodeMessage(buffer, capacity, 19, [&](CBerWriter& w) {
        PutInt(w, 0, list);
        PutInt(w, 1, first);
        PutInt(w, 2, count);
        PutStr(w, 3, filter);
        PutInt(w, 4, a);
        PutInt(w, 5, b);
    });
}

int BerEncodePlayerRelation(u8* buffer, int capacity, i32 number, i32 value0, i32 value1, i32 value2,
                            i32 value3, const CKetrelString& text)
{
    if (number != 21 && number != 22)
        return 0;
    return EncodeMessage(buffer, capacity, number, [&](CBerWriter& w) {
        PutInt(w, 0, value0);
        PutInt(w, 1, value1);
        PutInt(w, 2, value2);
        PutInt(w, 3, value3);
        PutStr(w, 4, text);
    });
}

int BerEncodeRequest36(u8* buffer, int capacity, i32 value0, const CKetrelString& t1, const CKetrelString& t2,
                       const CKetrelString& t3, const CKetrelString& t4, i32 value5)
{
    return EncodeMessage(buffer, capacity, 36, [&](CBerWriter& w) {
        PutInt(w, 0, value0);
        PutStr(w, 1, t1);
        PutStr(w, 2, t2);
        PutStr(w, 3, t3);
        PutStr(w, 4, t4);
        PutInt(w, 5, value5);
    });
}

int BerEncodeChallenge(u8* buffer, int capacity, i32 appGameId, const CKetrelArray<i32>& playerIds,
                       const CKetrelString& text)
{
    return EncodeMessage(buffer, capacity, 38, [&](CBerWriter& w) {
        PutInt(w, 0, appGameId);
        PutIntList(w, 1, playerIds);
        PutStr(w, 2, text);
    });
}

int BerEncodeChallengeAnswer(u8* buffer, int capacity, i32 answer, i32 appGameId, i32 challengerId,
                             i32 ownId, const CKetrelString& text4, const CKetrelString& text5)
{
    return EncodeMessage(buffer, capacity, 40, [&](CBerWriter& w) {
        PutInt(w, 0, answer);
        PutInt(w, 1, appGameId);
        PutInt(w, 2, challengerId);
        PutInt(w, 3, ownId);
        PutStr(w, 4, text4);
        PutStr(w, 5, text5);
    });
}

int BerEncodePing(u8* buffer, int capacity, i32 value)
{
    return EncodeMessage(buffer, capacity, 44, [&](CBerWriter& w) { PutInt(w, 0, value); });
}

int BerEncodeLoginChallengeRequest(u8* buffer, int capacity, const CKetrelString& user)
{
    return EncodeMessage(buffer, capacity, 57, [&](CBerWriter& w) { PutStr(w, 0, user); });
}

int BerEncodeLogout(u8* buffer, int capacity)
{
    return EncodeMessage(buffer, capacity, 59, [](CBerWriter&) {});
}

int BerEncodeGameResultsRequest(u8* buffer, int capacity, i32 appGameId, i32 a, i32 b)
{
    return EncodeMessage(buffer, capacity, 74, [&](CBerWriter& w) {
        PutInt(w, 0, appGameId);
        PutInt(w, 1, a);
        if (b >= 0)
            PutInt(w, 2, b);
    });
}

int BerEncodeRequest82(u8* buffer, int capacity, const CKetrelString& t0, const CKetrelString& t1)
{
    return EncodeMessage(buffer, capacity, 82, [&](CBerWriter& w) {
        PutStr(w, 0, t0);
        PutStr(w, 1, t1);
    });
}

int BerEncodeImageRequest(u8* buffer, int capacity, i32 a, i32 b)
{
    return EncodeMessage(buffer, capacity, 84, [&](CBerWriter& w) {
        PutInt(w, 0, a);
        PutInt(w, 1, b);
    });
}

// ---- decoders ----

int BerDecodeLoginReply(const u8* message, int size, i32* result, CKetrelString* text1,
                        CKetrelString* text2, CKetrelString* text3, i32* value4, CKetrelString* text5)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 6, 6, &r);
    if (rc != KE_OK)
        return rc;
    *value4 = 0;
    u8 id = 0;
    while (!r.AtEnd() && r.ReadByte(&id))
    {
        switch (id & 0x1F)
        {
        case 0: r.ReadInt(result); break;
        case 1: r.ReadLatin1(text1); break;
        case 2: r.ReadLatin1(text2); break;
        case 3: r.ReadLatin1(text3); break;
        case 4: r.ReadInt(value4); break;
        case 5: r.ReadLatin1(text5); break;
        default: break;   // only the identifier byte is passed
        }
    }
    return r.Failed() ? kDecodeFailed : KE_OK;
}

int BerDecodeMatchResult(const u8* message, int size, CKetrelPtrArray* entries, i32* value1,
                         i32* value2, i32* value3)
{
    BerFreeGamePlayerEntries(entries);
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 8, 8, &r);
    if (rc != KE_OK)
        return rc;
    *value1 = *value2 = *value3 = -1;
    i32* values[4] = {nullptr, value1, value2, value3};
    int result = KE_OK;
    u8 id = 0;
    while (result == KE_OK && !r.AtEnd() && r.ReadByte(&id))
    {
        const int n = id & 0x1F;
        if (n == 0)
            result = ReadEntryList(r, entries);
        else if (n <= 3)
            r.ReadInt(values[n]);
    }
    if (result == KE_OK && r.Failed())
        result = kDecodeFailed;
    if (result != KE_OK)
        BerFreeGamePlayerEntries(entries);
    return result;
}

int BerDecodeGameJoin(const u8* message, int size, CGameJoinInfo* info)
{
    BerFreeGamePlayerEntries(&info->players);
    CBerReader r(nullptr, 0);
    int result = OpenMessage(message, size, 12, 12, &r);
    if (result != KE_OK)
        return result;
    i32 flag = 0;
    if (!ExpectField(r, 0) || !r.ReadInt64(&info->gameId) || !ExpectField(r, 1))
        return kDecodeFailed;
    result = ReadEntryList(r, &info->players);
    if (result == KE_OK)
    {
        if (ExpectField(r, 2) && r.ReadInt(&flag))
            info->flag2 = flag != 0 ? 1 : 0;
        if (ExpectField(r, 3) && r.ReadInt(&flag))
            info->flag3 = flag != 0 ? 1 : 0;
        if (ExpectField(r, 4))
            r.ReadLatin1(&info->server);
        if (!r.AtEnd() && ExpectField(r, 5))
            r.ReadInt(&info->value5);
        if (r.Failed())
            result = kDecodeFailed;
    }
    if (result != KE_OK)
        BerFreeGamePlayerEntries(&info->players);
    return result;
}

int BerDecodeGameData(const u8* message, int size, u8* buffer, int capacity, i32* blockSize)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 13, 13, &r);
    if (rc != KE_OK)
        return rc;
    const u8* data = nullptr;
    i32 length = 0;
    if (!ExpectField(r, 0) || !r.ReadBlock(&data, &length) || length > capacity)
        return kDecodeFailed;
    if (length > 0)
        std::memcpy(buffer, data, (size_t)length);
    *blockSize = length;
    return KE_OK;
}

int BerDecodePlayerRelation(const u8* message, int size, i32* v0, i32* v1, i32* v2, i32* v3,
                            CKetrelString* text4, CKetrelString* text5)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 21, 22, &r);
    if (rc != KE_OK)
        return rc;
    text5->Clear();
    if (!(ExpectField(r, 0) && r.ReadInt(v0) && ExpectField(r, 1) && r.ReadInt(v1) && ExpectField(r, 2) &&
          r.ReadInt(v2) && ExpectField(r, 3) && r.ReadInt(v3) && ExpectField(r, 4) && r.ReadLatin1(text4)))
        return kDecodeFailed;
    if (!r.AtEnd() && ExpectField(r, 5))
        r.ReadLatin1(text5);
    return r.Failed() ? kDecodeFailed : KE_OK;
}

int BerDecodeChallengeAnswer(const u8* message, int size, i32* answer, i32* appGameId, i32* v2,
                             i32* v3, CKetrelString* text4, CKetrelString* text5)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 40, 40, &r);
    if (rc != KE_OK)
        return rc;
    if (!(ExpectField(r, 0) && r.ReadInt(answer) && ExpectField(r, 1) && r.ReadInt(appGameId) &&
          ExpectField(r, 2) && r.ReadInt(v2) && ExpectField(r, 3) && r.ReadInt(v3) && ExpectField(r, 4) &&
          r.ReadLatin1(text4)))
        return kDecodeFailed;
    text5->Clear();
    // [5], and a further text in its place when one follows.
    for (int field = 0; field < 2 && !r.AtEnd(); ++field)
    {
        u8 id = 0;
        r.ReadByte(&id);
        r.ReadLatin1(text5);
    }
    return r.Failed() ? kDecodeFailed : KE_OK;
}

int BerDecodePing(const u8* message, int size, i32* value)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 44, 44, &r);
    if (rc != KE_OK)
        return rc;
    return ExpectField(r, 0) && r.ReadInt(value) ? KE_OK : kDecodeFailed;
}

int BerDecodeLoginChallenge(const u8* message, int size, CKetrelString* challenge, CKetrelString* text1)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 58, 58, &r);
    if (rc != KE_OK)
        return rc;
    if (!ExpectField(r, 0) || !r.ReadLatin1(challenge))
        return kDecodeFailed;
    text1->Clear();
    if (!r.AtEnd() && ExpectField(r, 1))
        r.ReadLatin1(text1);
    return r.Failed() ? kDecodeFailed : KE_OK;
}

int BerDecodeGameStatus(const u8* message, int size, i64* gameId, i32* status)
{
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 72, 72, &r);
    if (rc != KE_OK)
        return rc;
    return ExpectField(r, 0) && r.ReadInt64(gameId) && ExpectField(r, 1) && r.ReadInt(status) ? KE_OK
                                                                                             : kDecodeFailed;
}

int BerDecodeGameResults(const u8* message, int size, CKetrelPtrArray* items)
{
    BerFreeGameResultItems(items);
    CBerReader r(nullptr, 0);
    int result = OpenMessage(message, size, 75, 75, &r);
    if (result != KE_OK)
        return result;
    CBerReader list(nullptr, 0);
    if (!ExpectField(r, 0) || !r.ReadNested(&list))
        return kDecodeFailed;
    while (result == KE_OK && !list.AtEnd())
    {
        u8 b = 0;
        if (list.PeekByte(&b) && b == 0x30)
            list.Skip(1);
        CBerReader fields(nullptr, 0);
        if (!list.ReadNested(&fields))
        {
            result = kDecodeFailed;
            break;
        }
        CGameResultItem* item = new (std::nothrow) CGameResultItem();
        if (!item)
            result = KE_ERR_MEMORY;
        else if (!DecodeResultItem(fields, item))
        {
            delete item;
            result = kDecodeFailed;
        }
        else
            items->Add(item);
    }
    if (result != KE_OK)
        BerFreeGameResultItems(items);
    return result;
}

int BerDecodePicture(const u8* message, int size, i32* playerId, i32* value1, u8** data, i32* dataSize)
{
    *data = nullptr;
    *dataSize = 0;
    CBerReader r(nullptr, 0);
    const int rc = OpenMessage(message, size, 85, 85, &r);
    if (rc != KE_OK)
        return rc;
    const u8* block = nullptr;
    i32 length = 0;
    if (!(ExpectField(r, 0) && r.ReadInt(playerId) && ExpectField(r, 1) && r.ReadInt(value1) &&
          ExpectField(r, 2) && r.ReadBlock(&block, &length)))
        return kDecodeFailed;
    if (length > 0)
    {
        *data = new (std::nothrow) u8[(size_t)length];
        if (*data)
        {
            std::memcpy(*data, block, (size_t)length);
            *dataSize = length;
        }
    }
    return KE_OK;
}
