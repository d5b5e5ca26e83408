#include "net/ASN1Field.h"

#include "engine/KetrelResult.h"

#include <cstring>
#include <new>

// ---- integers ----

int CASN1_IntField::Encode(u8* buffer, int size)
{
    return BerEncodeInt(buffer, size, *m_value);
}

int CASN1_IntField::Decode(const u8* buffer, int size)
{
    return BerDecodeInt(buffer, size, m_value);
}

int CASN1_LongIntField::Encode(u8* buffer, int size)
{
    return BerEncodeInt64(buffer, size, *m_value);
}

int CASN1_LongIntField::Decode(const u8* buffer, int size)
{
    return BerDecodeInt64(buffer, size, m_value);
}

// ---- strings ----

int CASN1_StringField::Encode(u8* buffer, int size)
{
    const int text = BerUtf8Size(*m_value);
    const int lengthSize = BerEncodeLength(nullptr, 0, text);
    if (text > BerMaxLength)
        return 0;
    const int need = lengthSize + text;
    if (!buffer || size == 0)
        return need;
    if (size < need)
        return 0;
    BerEncodeLength(buffer, lengthSize, text);
    BerWriteUtf8(buffer + lengthSize, *m_value);
    return need;
}

int CASN1_StringField::Decode(const u8* buffer, int size)
{
    m_value->Clear();
    i32 length = 0;
    const int used = BerDecodeLength(buffer, size, &length);
    if (used < 0 || (i64)used + length > size)
        return 0;
    if (!BerReadUtf8(buffer + used, length, m_value))
        return 0;
    return used + length;
}

// ---- byte blocks ----

int CASN1_ByteArrayField::Encode(u8* buffer, int size)
{
    const i32 count = *m_size > 0 ? *m_size : 0;
    const u8* data = m_data ? *m_data : nullptr;
    if (count > 0 && !data)
        return 0;
    const int lengthSize = BerEncodeLength(nullptr, 0, count);
    if (count > BerMaxLength)
        return 0;
    const int need = lengthSize + count;
    if (!buffer || size == 0)
        return need;
    if (size < need)
        return 0;
    BerEncodeLength(buffer, lengthSize, count);
    if (count > 0)
        std::memcpy(buffer + lengthSize, data, (size_t)count);
    return need;
}

int CASN1_ByteArrayField::Decode(const u8* buffer, int size)
{
    i32 length = 0;
    const int used = BerDecodeLength(buffer, size, &length);
    if (used < 0 || (i64)used + length > size)
        return 0;
    if (!m_data)
        *m_size = length;
    else if (length == 0)
        *m_size = 0;
    else if (!*m_data)
    {
        *m_data = new (std::nothrow) u8[(size_t)length];
        if (*m_data)
        {
            std::memcpy(*m_data, buffer + used, (size_t)length);
            *m_size = length;
        }
        else
            *m_size = -1;
    }
    else if (length <= *m_size)
    {
        std::memcpy(*m_data, buffer + used, (size_t)length);
        *m_size = length;
    }
    else
        *m_size = -1;
    return used + length;
}

// ---- identifiers ----

int CASN1_TagField::Encode(u8* buffer, int size)
{
    const i32 n = *m_number;
    if (n < 0 || m_class == AnyClass)
        return 0;
    const int need = n < 31 ? 1 : (n < 128 ? 2 : 3);
    if (!buffer || size == 0)
        return need;
    if (size < need)
        return 0;
    const u8 c = (u8)m_class;
    if (need == 1)
        buffer[0] = (u8)(c | n);
    else if (need == 2)
    {
        buffer[0] = (u8)(c | 0x1F);
        buffer[1] = (u8)n;
    }
    else
    {
        buffer[0] = (u8)(c | 0x1F);
        buffer[1] = (u8)(0x80 | ((n >> 7) & 0x7F));
        buffer[2] = (u8)(n & 0x7F);
    }
    return need;
}

int CASN1_TagField::Decode(const u8* buffer, int size)
{
    *m_number = -1;
    if (!buffer || size < 1)
        return 0;
    const u8 first = buffer[0];
    const u32 classBits = first & 0xE0;
    if (m_class != AnyClass && classBits != (u32)m_class)
        return 0;
    u32 number = first & 0x1F;
    int used = 1;
    if (number == 31)
    {
        number = 0;
        for (;;)
        {
            // Four continuation bytes carry 28 bits, which is all a number may have.
            if (used >= size || used > 4)
                return 0;
            const u8 b = buffer[used++];
            number = (number << 7) | (b & 0x7F);
            if (b < 0x80)
                break;
        }
    }
    if (m_class == AnyClass)
        number |= classBits << 24;
    *m_number = (i32)number;
    return used;
}

// ---- sequences ----

CASN1_Sequence::CASN1_Sequence() {}

CASN1_Sequence::~CASN1_Sequence()
{
    for (i32 i = 0; i < m_fields.GetCount(); ++i)
        delete static_cast<CASN1_Field*>(m_fields.GetAt(i));
    m_fields.RemoveAll();
}

void CASN1_Sequence::AddField(CASN1_Field* field)
{
    m_fields.Add(field);
}

i64 CASN1_Sequence::ContentSize()
{
    i64 content = 0;
    for (i32 i = 0; i < m_fields.GetCount(); ++i)
    {
        i32 number = i;
        CASN1_TagField tag(&number);
        CASN1_Field* field = static_cast<CASN1_Field*>(m_fields.GetAt(i));
        const int fieldSize = field ? field->Encode(nullptr, 0) : 0;
        if (fieldSize <= 0)
            return -1;
        content += tag.Encode(nullptr, 0) + fieldSize;
        if (content > BerMaxLength)
            return -1;
    }
    return content;
}

int CASN1_Sequence::Encode(u8* buffer, int size)
{
    const i64 content = ContentSize();
    if (content < 0)
        return 0;
    const int lengthSize = BerEncodeLength(nullptr, 0, (i32)content);
    const int need = lengthSize + (int)content;
    if (!buffer || size == 0)
        return need;
    if (size < need)
        return 0;
    int at = BerEncodeLength(buffer, size, (i32)content);
    for (i32 i = 0; i < m_fields.GetCount(); ++i)
    {
        i32 number = i;
        CASN1_TagField tag(&number);
        at += tag.Encode(buffer + at, size - at);
        const int written = static_cast<CASN1_Field*>(m_fields.GetAt(i))->Encode(buffer + at, size - at);
        if (written <= 0)
            return 0;
        at += written;
    }
    return at;
}

int CASN1_Sequence::Decode(const u8* buffer, int size)
{
    i32 length = 0;
    const int used = BerDecodeLength(buffer, size, &length);
    if (used < 0 || (i64)used + length > size)
        return 0;
    const u8* at = buffer + used;
    int left = length;
    while (left > 0)
    {
        i32 number = -1;
        CASN1_TagField tag(&number, CASN1_TagField::AnyClass);
        const int tagSize = tag.Decode(at, left);
        if (tagSize == 0)
            return 0;
        number &= 0x1FFFFFFF;
        if (number >= m_fields.GetCount())
            return 0;
        at += tagSize;
        left -= tagSize;
        const int fieldSize = static_cast<CASN1_Field*>(m_fields.GetAt(number))->Decode(at, left);
        if (fieldSize <= 0 || fieldSize > left)
            return 0;
        at += fieldSize;
        left -= fieldSize;
    }
    return used + length;
}

// ---- messages ----

int CASN1_Message::Encode(u8* buffer, int size)
{
    i32 number = m_number;
    CASN1_TagField tag(&number, CASN1_TagField::ClassConstructed);
    const int tagSize = tag.Encode(nullptr, 0);
    const int body = CASN1_Sequence::Encode(nullptr, 0);
    if (tagSize <= 0 || body <= 0)
        return 0;
    const int need = tagSize + body;
    if (!buffer || size == 0)
        return need;
    if (size < need)
        return 0;
    tag.Encode(buffer, size);
    return CASN1_Sequence::Encode(buffer + tagSize, size - tagSize) > 0 ? need : 0;
}

int CASN1_Message::Decode(const u8* buffer, int size)
{
    i32 number = -1;
    CASN1_TagField tag(&number, CASN1_TagField::ClassConstructed);
    const int tagSize = tag.Decode(buffer, size);
    if (tagSize == 0 || number != m_number || size - tagSize < 1)
        return 0;
    const int body = CASN1_Sequence::Decode(buffer + tagSize, size - tagSize);
    return body > 0 ? tagSize + body : 0;
}

int CASN1_Message::EncodeNew(u8** buffer, int* size)
{
    *buffer = nullptr;
    *size = 0;
    const int need = Encode(nullptr, 0);
    if (need <= 0)
        return KE_ERR_FORMAT;
    u8* data = new (std::nothrow) u8[(size_t)need];
    if (!data)
        return KE_ERR_MEMORY;
    if (Encode(data, need) != need)
    {
        delete[] data;
        return KE_ERR_FORMAT;
    }
    *buffer = data;
    *size = need;
    return KE_OK;
}
