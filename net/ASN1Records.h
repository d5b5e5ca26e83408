#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "net/ASN1Field.h"

// Records carried in lists of received messages, the decoders that fill them, and the
// list field CASN1_SequenceOf<T>. Record members are named after the wire field that
// fills them ([n] -> ...n); their meaning belongs to the parts of the program that read
// them. Records are plain values: copying one copies its strings and arrays.

struct CGroupListItem
{
    CKetrelString name;      // [0]
    i32 value1 = 0;          // [1]
};

struct CLanguageInfo
{
    CKetrelString code;      // [0]
    CKetrelString base;      // [1] pack base name
    CKetrelString digest;    // [2]
    i32 number = 0;          // [3]
};

struct CBuyItemPlayerInfo
{
    i32 playerId = 0;        // [0]
    CKetrelString text1;     // [1]
    CKetrelString text2;     // [2]
};

struct CAchievementInfo
{
    i32 value0 = 0;
    i32 value1 = 0;
    CKetrelString text2, text3, text4, text5;
};

struct CShopGroupData
{
    i32 id = 0;              // [0]
    CKetrelString name;      // [1]
    i32 value2 = 0, value3 = 0, value4 = 0, value5 = 0;
};

struct CShopItemData
{
    i32 id = 0;                  // [0]
    CKetrelString text1, text2, text3;
    i32 values[9] = {};          // [4] to [12]
    CKetrelString text13;
    i32 value14 = 0;
};

// 28 bytes of plain words.
struct CItemData
{
    enum { BlockSize = 16 };
    i32 value0 = 0;
    i32 value1 = 0;
    u8 block[BlockSize] = {};    // [2]: up to 16 bytes, zero-padded; a longer block leaves zeros
    i32 value3 = 0;
};

// The scores are held by value, so a copied record owns its own array and nothing is
// left to free by hand.
struct CUserTournamentScores
{
    i32 userId = 0;                // [0]
    CKetrelArray<i32> scores;      // [1] a list of INTEGERs
};

struct CPlayerListItem
{
    i32 id = 0;                    // [0]
    CKetrelString text1, text2, text3, text4;
    i32 value5 = 0;
    CKetrelString text6;
    // [7]: a constructed record of eight INTEGERs, in wire order into s0, s1, s2, s3,
    // s5, s4, s6, s7 (the fifth and sixth swap places).
    i32 stats[8] = {};
};

// Record decoders: bound to one record, Decode reads the record's fields (the list has
// already read the record's 30 and length, and gives exactly the record's content as
// size). Each field is read in a fixed order after an identifier of class 0x80 whose
// number is not compared; an identifier of another class is not consumed. Fields missing
// at the end of the record keep the record's defaults. Decode returns size (the whole
// record is consumed, so an unknown extra field is passed over), or -1 when a field runs
// past the record. Encode returns 0: records are never sent.
#define KETREL_ASN1_RECORD_DECODER(Name, RecordType)                  \
    class Name : public CASN1_Field                                   \
    {                                                                 \
    public:                                                           \
        typedef RecordType Element;                                   \
        enum { ElementIdentifier = 0x30 };                            \
        explicit Name(RecordType* record) : m_record(record) {}       \
        int Encode(u8*, int) override { return 0; }                   \
        int Decode(const u8* buffer, int size) override;              \
                                                                      \
    private:                                                          \
        RecordType* m_record;                                         \
    };

KETREL_ASN1_RECORD_DECODER(CGroupListItemDecoder, CGroupListItem)
KETREL_ASN1_RECORD_DECODER(CLanguageInfoDecoder, CLanguageInfo)
KETREL_ASN1_RECORD_DECODER(CBuyItemPlayerInfoDecoder, CBuyItemPlayerInfo)
KETREL_ASN1_RECORD_DECODER(CAchievementInfoDecoder, CAchievementInfo)
KETREL_ASN1_RECORD_DECODER(CShopGroupDataDecoder, CShopGroupData)
KETREL_ASN1_RECORD_DECODER(CShopItemDataDecoder, CShopItemData)
KETREL_ASN1_RECORD_DECODER(CItemDataDecoder, CItemData)
KETREL_ASN1_RECORD_DECODER(CASN1UserTournamentScores, CUserTournamentScores)
KETREL_ASN1_RECORD_DECODER(CPlayerListItemDecoder, CPlayerListItem)

#undef KETREL_ASN1_RECORD_DECODER

// Decodes one list element into element (reset first) from size bytes: for INTEGER and
// UTF8String elements the value after the identifier byte, for records the record's
// content. The bytes consumed, or 0.
int BerDecodeListElement(i32* element, const u8* buffer, int size);
int BerDecodeListElement(CKetrelString* element, const u8* buffer, int size);

// A list bound to a CKetrelArray of T::Element. Each element carries one universal
// identifier byte: 02 (CASN1_IntField), 0C (CASN1_StringField) or 30 (a record decoder,
// then the record's BER length and its content).
// Decode empties the array, then appends a copy of each decoded element. An element with
// another identifier byte, or one that does not decode within its bounds, fails the list
// (0): the complete elements before it stay in the array, the broken one is not added.
// Encode writes INTEGER and string elements; a record element is written as 30 00.
template <class T>
class CASN1_SequenceOf : public CASN1_Field
{
public:
    typedef typename T::Element Element;

    explicit CASN1_SequenceOf(CKetrelArray<Element>* array) : m_array(array) {}

    int Encode(u8* buffer, int size) override
    {
        i64 content = 0;
        for (i32 i = 0; i < m_array->GetCount(); ++i)
        {
            const int element = EncodeElement(i, nullptr, 0);
            if (element <= 0)
                return 0;
            content += 1 + element;
            if (content > BerMaxLength)
                return 0;
        }
        const int lengthSize = BerEncodeLength(nullptr, 0, (i32)content);
        const int need = lengthSize + (int)content;
        if (!buffer || size == 0)
            return need;
        if (size < need)
            return 0;
        int at = BerEncodeLength(buffer, size, (i32)content);
        for (i32 i = 0; i < m_array->GetCount(); ++i)
        {
            buffer[at++] = (u8)T::ElementIdentifier;
            at += EncodeElement(i, buffer + at, size - at);
        }
        return at;
    }

    int Decode(const u8* buffer, int size) override
    {
        m_array->SetSize(0);
        i32 length = 0;
        const int used = BerDecodeLength(buffer, size, &length);
        if (used < 0 || (i64)used + length > size)
            return 0;
        const u8* at = buffer + used;
        int left = length;
        Element element{};
        while (left > 0)
        {
            if (*at != (u8)T::ElementIdentifier)
                return 0;
            ++at;
            --left;
            const int elementSize = DecodeElement(&element, at, left);
            if (elementSize <= 0 || elementSize > left)
                return 0;
            m_array->Add(element);
            at += elementSize;
            left -= elementSize;
        }
        return used + length;
    }

private:
    int EncodeElement(i32 index, u8* buffer, int size)
    {
        if constexpr (T::ElementIdentifier == 0x30)
        {
            (void)index;
            if (buffer && size < 1)
                return 0;
            if (buffer)
                buffer[0] = 0;
            return 1;
        }
        else
        {
            T field(m_array->ElementAt(index));
            return field.Encode(buffer, size);
        }
    }

    int DecodeElement(Element* element, const u8* buffer, int size)
    {
        if constexpr (T::ElementIdentifier == 0x30)
        {
            i32 length = 0;
            const int used = BerDecodeLength(buffer, size, &length);
            if (used < 0 || (i64)used + length > size)
                return 0;
            *element = Element();
            T decoder(element);
            if (decoder.Decode(buffer + used, length) < 0)
                return 0;
            return used + length;
        }
        else
            return BerDecodeListElement(element, buffer, size);
    }

    CKetrelArray<Element>* m_array;
};
