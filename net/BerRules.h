#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// The basic encoding rules of the online protocol, as byte-level functions shared by the
// field classes (ASN1Field.h), the hand-coded codecs (BerHandCodec.h) and the framing of
// the session.
//
// Every message is one element: an identifier of class 0xA0 with the message number
// (0xA0 | n below 31, else 0xBF n), a BER length, then fields tagged [0], [1], ...
//
// Bounds: no function reads or writes outside the size it is given. Lengths are at most
// BerMaxLength; long length forms of more than 4 bytes are refused, as are integer
// contents longer than their type. Every result that is a byte count is computed in
// 64 bits before it is compared, so no sum of lengths can overflow.

enum
{
    BerMaxLength = 32 * 1024 * 1024,      // bytes of content in one element
    BerMaxFrameSize = BerMaxLength + 6    // identifier (2) + length (5) - 1 spare
};

// ---- identifiers and frames ----

// 2 when the first byte is 0xBF, else 1. The numbers of this protocol are below 128.
int BerGetIdentifierSize(const u8* message);
// The second byte when the first is 0xBF, else the low 5 bits of the first.
int BerGetMessageTag(const u8* message);
// Identifier + length bytes + content of the message that begins at data; -1 while the
// identifier or the length is incomplete (more bytes may still come). -2 when the bytes
// held can never start a valid message: a length over BerMaxLength or a length form of
// more than 4 bytes; the stream is then unusable.
int BerGetFrameSize(const u8* data, int size);

// ---- lengths ----

// 1 byte up to 127, else 0x80 | n and n big-endian bytes (n = 1..4). A null buffer or
// capacity 0 returns the size; a smaller capacity returns 0; a negative length returns 0.
int BerEncodeLength(u8* buffer, int capacity, i32 length);
// Bytes consumed (1 to 5), or -1: nothing available, fewer bytes than the form needs, a
// form of more than 4 length bytes, or a length above BerMaxLength. 0x80 (and 0x90..0xF0,
// whose bits 4 to 6 are ignored) reads as length 0 in one byte.
int BerDecodeLength(const u8* buffer, int available, i32* length);

// ---- integers: a raw count byte, then minimal big-endian two's complement ----

// 2 to 5 bytes; null buffer or capacity 0 returns the size, too small a capacity 0.
int BerEncodeInt(u8* buffer, int capacity, i32 value);
// Bytes consumed or 0. At least 2 bytes must be available and count + 1 of them; a count
// above 4 fails; 1 to 3 bytes are sign-extended; count 0 reads as 0 and consumes 1.
int BerDecodeInt(const u8* buffer, int available, i32* value);
// Values of 0 and above use their minimal form; a negative value is written as its 8
// bytes, which read back as the same value.
int BerEncodeInt64(u8* buffer, int capacity, i64 value);
// Up to 8 content bytes, zero-extended (no sign extension); more fails.
int BerDecodeInt64(const u8* buffer, int available, i64* value);

// ---- UTF-8 of 16-bit units (the message classes and the field-pointer codecs) ----

// Bytes of the UTF-8 form: 1 byte below 0x80, 2 below 0x800, else 3 (surrogates each 3).
int BerUtf8Size(const CKetrelString& text);
// Writes exactly BerUtf8Size bytes (the caller checked the room).
void BerWriteUtf8(u8* out, const CKetrelString& text);
// Replaces text by the units of size bytes: continuation bytes are not checked, a form cut
// by the end stops the text there, and a unit of 0 is dropped. False, with the text
// empty, when there is no memory for it.
bool BerReadUtf8(const u8* data, int size, CKetrelString* text);

// ---- Latin-1 packing of the hand-coded messages ----

// Bytes of the packing: 1 for a unit below 0x80, else 2 (the UTF-8 form of its low byte).
int BerLatin1Size(const CKetrelString& text);
void BerWriteLatin1(u8* out, const CKetrelString& text);
// A byte with both top bits set joins the next one into ((b & 3) << 6) | (next & 0x7F);
// a lead byte in the last position is dropped. A unit of 0 is dropped. False, with the
// text empty, when there is no memory for it.
bool BerReadLatin1(const u8* data, int size, CKetrelString* text);

// ---- a bounded cursor over received bytes ----

// Reads the values of a message one after another. A read that would pass the end fails,
// leaves the output untouched where it can, and the reader stays failed (Failed()).
class CBerReader
{
public:
    CBerReader(const u8* data, int size) : m_data(data), m_left(size < 0 ? 0 : size), m_failed(false) {}

    int Left() const { return m_left; }
    bool AtEnd() const { return m_left <= 0; }
    bool Failed() const { return m_failed; }
    const u8* Position() const { return m_data; }

    bool PeekByte(u8* value) const;
    bool ReadByte(u8* value);
    bool Skip(int count);
    bool ReadLength(i32* length);
    bool ReadInt(i32* value);
    bool ReadInt64(i64* value);
    // A BER length and the packed text.
    bool ReadLatin1(CKetrelString* text);
    // A BER length and the bytes, as a view into the data.
    bool ReadBlock(const u8** data, i32* size);
    // A BER length; the content becomes a reader of its own and this one moves past it.
    bool ReadNested(CBerReader* content);
    // Marks the reader failed.
    bool Fail() { m_failed = true; return false; }

private:
    const u8* m_data;
    int m_left;
    bool m_failed;
};

// ---- a writer that measures first ----

// With a null buffer it only counts; with a buffer it writes and never passes capacity
// (Overflowed() then tells). The hand-coded encoders run their fields through it twice:
// once to measure, once to write.
class CBerWriter
{
public:
    CBerWriter(u8* buffer, int capacity) : m_buffer(buffer), m_capacity(capacity), m_size(0), m_overflow(false) {}

    int Size() const { return (int)m_size; }
    bool Overflowed() const { return m_overflow || m_size > BerMaxFrameSize; }

    void PutByte(u8 value);
    void PutLength(i32 length);
    void PutInt(i32 value);
    void PutInt64(i64 value);
    void PutLatin1(const CKetrelString& text);      // length and packed text
    void PutBlock(const u8* data, i32 size);        // length and bytes

private:
    u8* Room(i64 count);

    u8* m_buffer;
    int m_capacity;
    i64 m_size;
    bool m_overflow;
};
