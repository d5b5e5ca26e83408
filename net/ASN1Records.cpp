#include "net/ASN1Records.h"

#include <cstring>

namespace
{
// Reads the fields of one record in their fixed order, inside the record's bounds.
class CRecordFields
{
public:
    CRecordFields(const u8* data, int size) : m_at(data), m_left(size), m_failed(false) {}

    bool Failed() const { return m_failed; }

    void Int(i32* value)
    {
        CASN1_IntField field(value);
        Field(&field);
    }
    void Str(CKetrelString* value)
    {
        CASN1_StringField field(value);
        Field(&field);
    }
    void IntList(CKetrelArray<i32>* values)
    {
        CASN1_SequenceOf<CASN1_IntField> field(values);
        Field(&field);
    }
    // Up to capacity bytes into area, which stays zero when the block is longer.
    void Block(u8* area, i32 capacity)
    {
        std::memset(area, 0, (size_t)capacity);
        i32 size = capacity;
        CASN1_ByteArrayField field(&area, &size);
        Field(&field);
        if (size < 0)
            std::memset(area, 0, (size_t)capacity);
    }
    // A constructed record [n] of INTEGER fields; order[i] is the slot of the i-th one.
    void NestedInts(i32* slots, const int* order, int count)
    {
        if (m_failed || m_left <= 0)
            return;
        if ((*m_at & 0xE0) == CASN1_TagField::ClassConstructed)
        {
            ++m_at;
            --m_left;
        }
        i32 length = 0;
        const int used = BerDecodeLength(m_at, m_left, &length);
        if (used < 0 || (i64)used + length > m_left)
        {
            m_failed = true;
            return;
        }
        CRecordFields nested(m_at + used, length);
        for (int i = 0; i < count; ++i)
            nested.Int(&slots[order[i]]);
        if (nested.Failed())
            m_failed = true;
        m_at += used + length;
        m_left -= used + length;
    }

private:
    void Field(CASN1_Field* field)
    {
        if (m_failed || m_left <= 0)
            return;   // missing at the end: the default stays
        if ((*m_at & 0xE0) == CASN1_TagField::ClassPrimitive)
        {
            ++m_at;
            --m_left;
        }
        const int used = field->Decode(m_at, m_left);
        if (used <= 0 || used > m_left)
        {
            m_failed = true;
            return;
        }
        m_at += used;
        m_left -= used;
    }

    const u8* m_at;
    int m_left;
    bool m_failed;
};

int Result(const CRecordFields& fields, int size)
{
    return fields.Failed() ? -1 : size;
}
}

int BerDecodeListElement(i32* element, const u8* buffer, int size)
{
    *element = 0;
    CASN1_IntField field(element);
    return field.Decode(buffer, size);
}

int BerDecodeListElement(CKetrelString* element, const u8* buffer, int size)
{
    CASN1_StringField field(element);
    return field.Decode(buffer, size);
}

int CGroupListItemDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Str(&m_record->name);
    f.Int(&m_record->value1);
    return Result(f, size);
}

int CLanguageInfoDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Str(&m_record->code);
    f.Str(&m_record->base);
    f.Str(&m_record->digest);
    f.Int(&m_record->number);
    return Result(f, size);
}

int CBuyItemPlayerInfoDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->playerId);
    f.Str(&m_record->text1);
    f.Str(&m_record->text2);
    return Result(f, size);
}

int CAchievementInfoDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->value0);
    f.Int(&m_record->value1);
    f.Str(&m_record->text2);
    f.Str(&m_record->text3);
    f.Str(&m_record->text4);
    f.Str(&m_record->text5);
    return Result(f, size);
}

int CShopGroupDataDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->id);
    f.Str(&m_record->name);
    f.Int(&m_record->value2);
    f.Int(&m_record->value3);
    f.Int(&m_record->value4);
    f.Int(&m_record->value5);
    return Result(f, size);
}

int CShopItemDataDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->id);
    f.Str(&m_record->text1);
    f.Str(&m_record->text2);
    f.Str(&m_record->text3);
    for (i32& value : m_record->values)
        f.Int(&value);
    f.Str(&m_record->text13);
    f.Int(&m_record->value14);
    return Result(f, size);
}

int CItemDataDecoder::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->value0);
    f.Int(&m_record->value1);
    f.Block(m_record->block, CItemData::BlockSize);
    f.Int(&m_record->value3);
    return Result(f, size);
}

int CASN1UserTournamentScores::Decode(const u8* buffer, int size)
{
    CRecordFields f(buffer, size);
    f.Int(&m_record->userId);
    f.IntList(&m_record->scores);
    return Result(f, size);
}

int CPlayerListItemDecoder::Decode(const u8* buffer, int size)
{
    static const int kStatOrder[8] = {0, 1, 2, 3, 5, 4, 6, 7};
    CRecordFields f(buffer, size);
    f.Int(&m_record->id);
    f.Str(&m_record->text1);
    f.Str(&m_record->text2);
    f.Str(&m_record->text3);
    f.Str(&m_record->text4);
    f.Int(&m_record->value5);
    f.Str(&m_record->text6);
    f.NestedInts(m_record->stats, kStatOrder, 8);
    return Result(f, size);
}
