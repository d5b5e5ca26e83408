#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/BerRules.h"

// Field objects describe a message: each is bound at construction to a variable of
// whoever builds the message; Encode reads that variable and Decode writes it. The
// variables must outlive the field.
//
// Encode(buffer, size): a null buffer with size 0 returns the bytes needed and writes
// nothing; a smaller size returns 0 (output unusable); else the bytes written.
// Decode(buffer, size): reads one value from at most size bytes; the bytes consumed,
// or 0 on failure (too short, wrong identifier, a length over BerMaxLength, a content
// longer than the type). Nothing is ever read or written outside size.
class CASN1_Field
{
public:
    virtual ~CASN1_Field() {}
    virtual int Encode(u8* buffer, int size) = 0;
    virtual int Decode(const u8* buffer, int size) = 0;
};

// i32: raw count byte and minimal two's complement.
class CASN1_IntField : public CASN1_Field
{
public:
    typedef i32 Element;
    enum { ElementIdentifier = 0x02 };   // universal INTEGER, inside lists

    explicit CASN1_IntField(i32* value) : m_value(value) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    i32* m_value;
};

// i64 game identifiers: 0 and above in minimal form, zero-extended on decode.
class CASN1_LongIntField : public CASN1_Field
{
public:
    explicit CASN1_LongIntField(i64* value) : m_value(value) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    i64* m_value;
};

// BER length and the UTF-8 of the 16-bit units. Decode empties the string first.
class CASN1_StringField : public CASN1_Field
{
public:
    typedef CKetrelString Element;
    enum { ElementIdentifier = 0x0C };   // universal UTF8String, inside lists

    explicit CASN1_StringField(CKetrelString* value) : m_value(value) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    CKetrelString* m_value;
};

// BER length and bytes. Bound to a data pointer (may be null: only the size is set on
// decode) and a size. On decode: a null *data gets a new[] block of the length (the owner
// of *data frees it with delete[]; out of memory sets the size to -1); a non-null *data is
// an existing buffer whose capacity is *size: the bytes are copied when they fit, else the
// size becomes -1 and nothing is copied. Length 0 sets the size to 0.
class CASN1_ByteArrayField : public CASN1_Field
{
public:
    CASN1_ByteArrayField(u8** data, i32* size) : m_data(data), m_size(size) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    u8** m_data;
    i32* m_size;
};

// An identifier: class byte 0x80 (context, primitive), 0xA0 (context, constructed) or
// AnyClass (decode only). Numbers below 31 take one byte, below 128 two (c | 0x1F, n),
// else three (numbers above 16383 lose their high bits). Decode sets the number to -1
// first; with AnyClass the class bits land in the number's top 3 bits (mask them with
// 0x1FFFFFFF). At most 4 continuation bytes are accepted; an identifier cut by the end
// of the data fails.
class CASN1_TagField : public CASN1_Field
{
public:
    enum { ClassPrimitive = 0x80, ClassConstructed = 0xA0, AnyClass = 255 };

    explicit CASN1_TagField(i32* number, int classByte = ClassPrimitive)
        : m_number(number), m_class(classByte) {}
    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;

private:
    i32* m_number;
    int m_class;
};

// Fields tagged [0], [1], ... in order after one BER length (no universal identifier).
// Decode accepts the fields in any order, repeated (the last wins) or absent (the bound
// variable keeps what its owner put there). A field number not below the field count, or
// a field that fails to decode, fails the whole sequence: the caller must then not use
// the bound variables.
class CASN1_Sequence : public CASN1_Field
{
public:
    CASN1_Sequence();
    ~CASN1_Sequence() override;   // deletes the owned fields
    CASN1_Sequence(const CASN1_Sequence&) = delete;
    CASN1_Sequence& operator=(const CASN1_Sequence&) = delete;

    int Encode(u8* buffer, int size) override;
    int Decode(const u8* buffer, int size) override;
    // Takes ownership; appended in wire order.
    virtual void AddField(CASN1_Field* field);

    int GetFieldCount() const { return m_fields.GetCount(); }

protected:
    // Content bytes of the fields with their identifiers; -1 when one cannot be encoded.
    i64 ContentSize();

private:
    CKetrelPtrArray m_fields;   // CASN1_Field*, owned
};

// A whole message: identifier of class 0xA0 with the number, then the sequence.
class CASN1_Message : public CASN1_Sequence
{
public:
    explicit CASN1_Message(i32 number) : m_number(number) {}

    int Encode(u8* buffer, int size) override;
    // Fails for another number, and when no byte follows the identifier.
    int Decode(const u8* buffer, int size) override;

    // Encodes into a new buffer and hands it to the engine's Send(data, size), which
    // copies it: 1, or 7 when the buffer cannot be allocated (nothing sent), 4 when the
    // message cannot be encoded. A template so that this layer needs no socket header.
    template <class Engine>
    int Send(Engine* engine)
    {
        u8* data = nullptr;
        int size = 0;
        const int rc = EncodeNew(&data, &size);
        if (rc != 1)
            return rc;
        engine->Send(data, size);
        delete[] data;
        return 1;
    }
    // Encodes into a new[] buffer of exactly the needed size (the caller deletes it):
    // 1, 7 out of memory, 4 cannot be encoded.
    int EncodeNew(u8** buffer, int* size);

    i32 GetNumber() const { return m_number; }

private:
    i32 m_number;
};
