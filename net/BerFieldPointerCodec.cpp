#include "net/BerFieldPointerCodec.h"

namespace
{
struct CFpField
{
    CASN1_Field* field;
    int classByte;   // 0x80 plain, 0xA0 list
};

int Encode(u8* buffer, int capacity, i32 number, CASN1_Field* const* fields, int count)
{
    i64 content = 0;
    for (int i = 0; i < count; ++i)
    {
        i32 index = i;
        const int size = fields[i]->Encode(nullptr, 0);
        if (size <= 0)
            return 0;
        content += CASN1_TagField(&index).Encode(nullptr, 0) + size;
    }
    i32 n = number;
    CASN1_TagField tag(&n, CASN1_TagField::ClassConstructed);
    const int tagSize = tag.Encode(nullptr, 0);
    if (tagSize <= 0 || content > BerMaxLength)
        return 0;
    const int total = tagSize + BerEncodeLength(nullptr, 0, (i32)content) + (int)content;
    if (!buffer || capacity == 0)
        return total;
    if (capacity < total)
        return 0;
    int at = tag.Encode(buffer, capacity);
    at += BerEncodeLength(buffer + at, capacity - at, (i32)content);
    for (int i = 0; i < count; ++i)
    {
        i32 index = i;
        at += CASN1_TagField(&index).Encode(buffer + at, capacity - at);
        at += fields[i]->Encode(buffer + at, capacity - at);
    }
    return at;
}

int Decode(const u8* message, int size, i32* number, const CFpField* fields, int count)
{
    CASN1_TagField tag(number, CASN1_TagField::ClassConstructed);
    const int tagSize = tag.Decode(message, size);
    if (tagSize == 0)
        return 0;
    i32 length = 0;
    const int lengthSize = BerDecodeLength(message + tagSize, size - tagSize, &length);
    if (lengthSize < 0 || (i64)tagSize + lengthSize + length > size)
        return 0;
    const u8* at = message + tagSize + lengthSize;
    int left = length;
    for (int i = 0; i < count && left > 0; ++i)
    {
        i32 index = -1;
        CASN1_TagField fieldTag(&index, fields[i].classByte);
        const int idSize = fieldTag.Decode(at, left);
        if (idSize == 0)
            return 0;
        at += idSize;
        left -= idSize;
        const int used = fields[i].field->Decode(at, left);
        if (used <= 0 || used > left)
            return 0;
        at += used;
        left -= used;
    }
    return tagSize + lengthSize + length;
}
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpNone& r)
{
    return Encode(buffer, capacity, *r.number, nullptr, 0);
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpInt1& r)
{
    CASN1_IntField a(r.value0);
    CASN1_Field* fields[] = {&a};
    return Encode(buffer, capacity, *r.number, fields, 1);
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpInt2& r)
{
    CASN1_IntField a(r.value0), b(r.value1);
    CASN1_Field* fields[] = {&a, &b};
    return Encode(buffer, capacity, *r.number, fields, 2);
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpInt3& r)
{
    CASN1_IntField a(r.value0), b(r.value1), c(r.value2);
    CASN1_Field* fields[] = {&a, &b, &c};
    return Encode(buffer, capacity, *r.number, fields, 3);
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpLong1& r)
{
    CASN1_LongIntField a(r.gameId);
    CASN1_Field* fields[] = {&a};
    return Encode(buffer, capacity, *r.number, fields, 1);
}

int BerFpEncode(u8* buffer, int capacity, const CBerFpGameOver& r)
{
    CASN1_LongIntField a(r.gameId);
    CASN1_IntField b(r.rematch), c(r.value2);
    CASN1_Field* fields[] = {&a, &b, &c};
    return Encode(buffer, capacity, 70, fields, 3);
}

int BerFpDecode(const u8* message, int size, const CBerFpInt1& r)
{
    CASN1_IntField a(r.value0);
    const CFpField fields[] = {{&a, 0x80}};
    i32 number = -1;
    const int used = Decode(message, size, &number, fields, 1);
    *r.number = number;
    return used;
}

int BerFpDecode(const u8* message, int size, CBerFpItemDataList& r)
{
    CASN1_SequenceOf<CItemDataDecoder> a(r.list);
    r.list->SetSize(0);
    const CFpField fields[] = {{&a, 0xA0}};
    return Decode(message, size, &r.number, fields, 1);
}

int BerFpDecode(const u8* message, int size, CBerFpDataChunk& r)
{
    CASN1_IntField a(r.value0), b(r.value1), d(r.value3);
    CASN1_ByteArrayField c(r.data, r.size);
    const CFpField fields[] = {{&a, 0x80}, {&b, 0x80}, {&c, 0x80}, {&d, 0x80}};
    return Decode(message, size, &r.number, fields, 4);
}

int BerFpDecode(const u8* message, int size, CBerFpShopGroups& r)
{
    CASN1_IntField a(r.value0);
    CASN1_SequenceOf<CShopGroupDataDecoder> b(r.list);
    r.list->SetSize(0);
    const CFpField fields[] = {{&a, 0x80}, {&b, 0xA0}};
    return Decode(message, size, &r.number, fields, 2);
}

int BerFpDecode(const u8* message, int size, CBerFpShopItems& r)
{
    CASN1_IntField a(r.value0), b(r.value1);
    CASN1_SequenceOf<CShopItemDataDecoder> c(r.list);
    r.list->SetSize(0);
    const CFpField fields[] = {{&a, 0x80}, {&b, 0x80}, {&c, 0xA0}};
    return Decode(message, size, &r.number, fields, 3);
}

int BerFpDecode(const u8* message, int size, CBerFpPicture& r)
{
    CASN1_IntField a(r.value0), b(r.value1);
    CASN1_ByteArrayField c(r.data, r.size);
    const CFpField fields[] = {{&a, 0x80}, {&b, 0x80}, {&c, 0x80}};
    return Decode(message, size, &r.number, fields, 3);
}

int BerFpDecode(const u8* message, int size, CBerFpBuyItemPlayerInfo& r)
{
    CASN1_IntField a(r.value0), b(r.value1);
    CASN1_StringField c(r.text2);
    CASN1_SequenceOf<CBuyItemPlayerInfoDecoder> d(r.list);
    r.list->SetSize(0);
    const CFpField fields[] = {{&a, 0x80}, {&b, 0x80}, {&c, 0x80}, {&d, 0xA0}};
    return Decode(message, size, &r.number, fields, 4);
}
