#include "net/BerRules.h"

#include <cstring>
#include <new>

namespace
{
// Content bytes of the minimal two's complement form of value (1 to 4).
int IntContentSize(i32 value)
{
    int n = 1;
    while (n < 4)
    {
        const i64 limit = (i64)1 << (8 * n - 1);
        if ((i64)value >= -limit && (i64)value < limit)
            break;
        ++n;
    }
    return n;
}

int Int64ContentSize(i64 value)
{
    if (value < 0)
        return 8;
    int n = 1;
    // A leading 0x00 is needed when the top byte's high bit is set.
    while (n < 8 && (u64)value >= ((u64)1 << (8 * n - 1)))
        ++n;
    return n;
}

int LengthSize(i32 length)
{
    if (length < 0x80)
        return 1;
    if (length <= 0xFF)
        return 2;
    if (length <= 0xFFFF)
        return 3;
    if (length <= 0xFFFFFF)
        return 4;
    return 5;
}
}

int BerGetIdentifierSize(const u8* message)
{
    return message[0] == 0xBF ? 2 : 1;
}

int BerGetMessageTag(const u8* message)
{
    return message[0] == 0xBF ? message[1] : (message[0] & 0x1F);
}

int BerGetFrameSize(const u8* data, int size)
{
    if (!data || size < 2)
        return -1;
    const int t = BerGetIdentifierSize(data);
    if (size < t + 1)
        return -1;
    const u8 first = data[t];
    if (first >= 0x80 && (first & 0x0F) > 4)
        return -2;
    i32 length = 0;
    const int used = BerDecodeLength(data + t, size - t, &length);
    if (used < 0)
    {
        // Incomplete, or complete and too long.
        const int needed = first < 0x80 ? 1 : 1 + (first & 0x0F);
        return size - t < needed ? -1 : -2;
    }
    const i64 total = (i64)t + used + length;
    return total > BerMaxFrameSize ? -2 : (int)total;
}

int BerEncodeLength(u8* buffer, int capacity, i32 length)
{
    if (length < 0)
        return 0;
    const int need = LengthSize(length);
    if (!buffer || capacity == 0)
        return need;
    if (capacity < need)
        return 0;
    if (need == 1)
    {
        buffer[0] = (u8)length;
        return 1;
    }
    const int n = need - 1;
    buffer[0] = (u8)(0x80 | n);
    for (int i = 0; i < n; ++i)
        buffer[1 + i] = (u8)((u32)length >> (8 * (n - 1 - i)));
    return need;
}

int BerDecodeLength(const u8* buffer, int available, i32* length)
{
    if (!buffer || available < 1)
        return -1;
    const u8 first = buffer[0];
    if (first < 0x80)
    {
        *length = first;
        return 1;
    }
    const int n = first & 0x0F;
    if (n == 0)
    {
        *length = 0;
        return 1;
    }
    if (n > 4 || available < 1 + n)
        return -1;
    u64 value = 0;
    for (int i = 0; i < n; ++i)
        value = (value << 8) | buffer[1 + i];
    if (value > (u64)BerMaxLength)
        return -1;
    *length = (i32)value;
    return 1 + n;
}

// A count byte n, then the low n bytes of bits, most significant first. Without a buffer
// (or with no room at all) the size it takes; 0 when it does not fit.
static int EncodeCounted(u8* buffer, int capacity, u64 bits, int n)
{
    if (!buffer || capacity == 0)
        return n + 1;
    if (capacity < n + 1)
        return 0;
    buffer[0] = (u8)n;
    for (int i = 0; i < n; ++i)
        buffer[1 + i] = (u8)(bits >> (8 * (n - 1 - i)));
    return n + 1;
}

// Reads what EncodeCounted writes, of at most maxBytes bytes: the bytes taken, or 0 when
// the count is too large or the bytes are not all there.
static int DecodeCounted(const u8* buffer, int available, int maxBytes, u64* bits)
{
    if (!buffer || available < 2)
        return 0;
    const int n = buffer[0];
    if (n > maxBytes || available < n + 1)
        return 0;
    u64 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | buffer[1 + i];
    *bits = v;
    return n + 1;
}

int BerEncodeInt(u8* buffer, int capacity, i32 value)
{
    return EncodeCounted(buffer, capacity, (u32)value, IntContentSize(value));
}

int BerDecodeInt(const u8* buffer, int available, i32* value)
{
    u64 bits = 0;
    const int used = DecodeCounted(buffer, available, 4, &bits);
    if (used == 0)
        return 0;
    const int n = used - 1;
    u32 v = (u32)bits;
    if (n >= 1 && n <= 3 && (buffer[1] & 0x80))
        v |= ~(u32)0 << (8 * n);
    *value = (i32)v;
    return used;
}

int BerEncodeInt64(u8* buffer, int capacity, i64 value)
{
    return EncodeCounted(buffer, capacity, (u64)value, Int64ContentSize(value));
}

int BerDecodeInt64(const u8* buffer, int available, i64* value)
{
    u64 bits = 0;
    const int used = DecodeCounted(buffer, available, 8, &bits);
    if (used == 0)
        return 0;
    *value = (i64)bits;
    return used;
}

// ---- text ----

int BerUtf8Size(const CKetrelString& text)
{
    const u16* units = text.GetBuffer();
    const int length = text.GetLength();
    int size = 0;
    for (int i = 0; i < length; ++i)
        size += units[i] < 0x80 ? 1 : (units[i] < 0x800 ? 2 : 3);
    return size;
}

void BerWriteUtf8(u8* out, const CKetrelString& text)
{
    const u16* units = text.GetBuffer();
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i)
    {
        const u16 u = units[i];
        if (u < 0x80)
            *out++ = (u8)u;
        else if (u < 0x800)
        {
            *out++ = (u8)(0xC0 | (u >> 6));
            *out++ = (u8)(0x80 | (u & 0x3F));
        }
        else
        {
            *out++ = (u8)(0xE0 | (u >> 12));
            *out++ = (u8)(0x80 | ((u >> 6) & 0x3F));
            *out++ = (u8)(0x80 | (u & 0x3F));
        }
    }
}

namespace
{
// Units of decoded text are gathered here and copied into the string once.
class CUnitBuffer
{
public:
    // Without memory for maxUnits the buffer takes nothing and StoreIn fails.
    explicit CUnitBuffer(int maxUnits)
        : m_units(maxUnits <= (int)kLocal ? m_local : new (std::nothrow) u16[(size_t)maxUnits]), m_count(0) {}
    ~CUnitBuffer()
    {
        if (m_units != m_local)
            delete[] m_units;
    }
    void Add(u16 unit)
    {
        if (unit != 0 && m_units)
            m_units[m_count++] = unit;
    }
    // False, with the text emptied, when memory is missing.
    bool StoreIn(CKetrelString* text) const
    {
        if (!m_units)
        {
            text->Clear();
            return false;
        }
        u16* out = text->AllocBuffer(m_count + 1);
        if (out)
            std::memcpy(out, m_units, (size_t)m_count * sizeof(u16));
        return out || m_count == 0;
    }

private:
    enum { kLocal = 128 };
    u16 m_local[kLocal];
    u16* m_units;
    int m_count;
};
}

bool BerReadUtf8(const u8* data, int size, CKetrelString* text)
{
    CUnitBuffer units(size);
    int i = 0;
    while (i < size)
    {
        const u8 b = data[i];
        if (b >= 0xE0)
        {
            if (i + 2 >= size)
                break;
            // Continuation bytes are not checked: a byte below 0x80 wraps, as 16-bit units do.
            units.Add((u16)(((u32)(b & 0x0F) << 12) + ((u32)(data[i + 1] - 0x80) << 6) + (u32)(data[i + 2] - 0x80)));
            i += 3;
        }
        else if ((b & 0xC0) == 0xC0)
        {
            if (i + 1 >= size)
                break;
            units.Add((u16)(((u32)(b - 0xC0) << 6) + (u32)(data[i + 1] - 0x80)));
            i += 2;
        }
        else
        {
            units.Add((u16)(b & 0x7F));
            ++i;
        }
    }
    return units.StoreIn(text);
}

int BerLatin1Size(const CKetrelString& text)
{
    const u16* units = text.GetBuffer();
    const int length = text.GetLength();
    int size = 0;
    for (int i = 0; i < length; ++i)
        size += units[i] < 0x80 ? 1 : 2;
    return size;
}

void BerWriteLatin1(u8* out, const CKetrelString& text)
{
    const u16* units = text.GetBuffer();
    const int length = text.GetLength();
    for (int i = 0; i < length; ++i)
    {
        const u16 u = units[i];
        if (u < 0x80)
            *out++ = (u8)u;
        else
        {
            *out++ = (u8)(0xC0 | ((u >> 6) & 3));
            *out++ = (u8)(0x80 | (u & 0x3F));
        }
    }
}

bool BerReadLatin1(const u8* data, int size, CKetrelString* text)
{
    CUnitBuffer units(size);
    int i = 0;
    while (i < size)
    {
        const u8 b = data[i];
        if ((b & 0xC0) == 0xC0)
        {
            if (i + 1 >= size)
                break;
            units.Add((u16)(((b & 3) << 6) | (data[i + 1] & 0x7F)));
            i += 2;
        }
        else
        {
            units.Add(b);
            ++i;
        }
    }
    return units.StoreIn(text);
}

// ---- reader ----

bool CBerReader::PeekByte(u8* value) const
{
    if (m_failed || m_left < 1)
        return false;
    *value = m_data[0];
    return true;
}

bool CBerReader::ReadByte(u8* value)
{
    if (!PeekByte(value))
        return Fail();
    ++m_data;
    --m_left;
    return true;
}

bool CBerReader::Skip(int count)
{
    if (m_failed || count < 0 || count > m_left)
        return Fail();
    m_data += count;
    m_left -= count;
    return true;
}

bool CBerReader::ReadLength(i32* length)
{
    if (m_failed)
        return false;
    const int used = BerDecodeLength(m_data, m_left, length);
    return used < 0 ? Fail() : Skip(used);
}

bool CBerReader::ReadInt(i32* value)
{
    if (m_failed)
        return false;
    const int used = BerDecodeInt(m_data, m_left, value);
    return used == 0 ? Fail() : Skip(used);
}

bool CBerReader::ReadInt64(i64* value)
{
    if (m_failed)
        return false;
    const int used = BerDecodeInt64(m_data, m_left, value);
    return used == 0 ? Fail() : Skip(used);
}

bool CBerReader::ReadBlock(const u8** data, i32* size)
{
    i32 length = 0;
    if (!ReadLength(&length) || length > m_left)
        return Fail();
    *data = m_data;
    *size = length;
    return Skip(length);
}

bool CBerReader::ReadLatin1(CKetrelString* text)
{
    const u8* data = nullptr;
    i32 size = 0;
    if (!ReadBlock(&data, &size))
        return false;
    return BerReadLatin1(data, size, text) || Fail();
}

bool CBerReader::ReadNested(CBerReader* content)
{
    const u8* data = nullptr;
    i32 size = 0;
    if (!ReadBlock(&data, &size))
        return false;
    *content = CBerReader(data, size);
    return true;
}

// ---- writer ----

u8* CBerWriter::Room(i64 count)
{
    const i64 at = m_size;
    m_size += count;
    if (!m_buffer)
        return nullptr;
    if (m_size > m_capacity)
    {
        m_overflow = true;
        return nullptr;
    }
    return m_buffer + at;
}

void CBerWriter::PutByte(u8 value)
{
    if (u8* out = Room(1))
        *out = value;
}

void CBerWriter::PutLength(i32 length)
{
    if (length < 0 || length > BerMaxLength)
    {
        m_overflow = true;
        return;
    }
    const int need = BerEncodeLength(nullptr, 0, length);
    if (u8* out = Room(need))
        BerEncodeLength(out, need, length);
}

void CBerWriter::PutInt(i32 value)
{
    const int need = BerEncodeInt(nullptr, 0, value);
    if (u8* out = Room(need))
        BerEncodeInt(out, need, value);
}

void CBerWriter::PutInt64(i64 value)
{
    const int need = BerEncodeInt64(nullptr, 0, value);
    if (u8* out = Room(need))
        BerEncodeInt64(out, need, value);
}

void CBerWriter::PutLatin1(const CKetrelString& text)
{
    const int size = BerLatin1Size(text);
    PutLength(size);
    if (u8* out = Room(size))
        BerWriteLatin1(out, text);
}

void CBerWriter::PutBlock(const u8* data, i32 size)
{
    if (size < 0 || (size > 0 && !data))
    {
        m_overflow = true;
        return;
    }
    PutLength(size);
    if (u8* out = Room(size))
        if (size > 0)
            std::memcpy(out, data, (size_t)size);
}
