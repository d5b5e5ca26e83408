// The BER field readers over fuzzed bytes. The first byte picks the reader; the rest is
// its input, so every read past the end lands outside the fuzzer's own buffer.
#include "net/ASN1Records.h"
#include "net/BerHandCodec.h"

#include <cstdlib>

namespace
{
template <class T>
void DecodeList(const u8* data, int size)
{
    CKetrelArray<typename T::Element> array;
    CASN1_SequenceOf<T> list(&array);
    const int used = list.Decode(data, size);
    if (used < 0 || used > size)
        abort();
    // Integer and text lists encode again to no more than they took.
    if constexpr (T::ElementIdentifier != 0x30)
        if (used > 0 && list.Encode(nullptr, 0) <= 0)
            abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    const u8* in = data + 1;
    const int n = (int)size - 1;
    i32 number = 0, value = 0;
    i64 big = 0;
    CKetrelString text;
    int used = 0;
    switch (data[0] % 22)
    {
    case 0: used = CASN1_IntField(&value).Decode(in, n); break;
    case 1: used = CASN1_LongIntField(&big).Decode(in, n); break;
    case 2:
    {
        used = CASN1_StringField(&text).Decode(in, n);
        // What decoded encodes to a size the query and the write agree on.
        CASN1_StringField again(&text);
        const int need = again.Encode(nullptr, 0);
        u8* out = new u8[(size_t)need];
        if (again.Encode(out, need) != need)
            abort();
        delete[] out;
        break;
    }
    case 3:
    {
        u8* block = nullptr;
        i32 blockSize = 0;
        used = CASN1_ByteArrayField(&block, &blockSize).Decode(in, n);
        delete[] block;
        break;
    }
    case 4:
    {
        u8 area[16];
        u8* block = area;
        i32 capacity = 16;
        used = CASN1_ByteArrayField(&block, &capacity).Decode(in, n);
        if (capacity > 16)
            abort();
        break;
    }
    case 5: used = CASN1_TagField(&number, CASN1_TagField::AnyClass).Decode(in, n); break;
    case 6: used = CASN1_TagField(&number, CASN1_TagField::ClassConstructed).Decode(in, n); break;
    case 7:
    {
        CKetrelArray<i32> ids;
        CASN1_Message message(20);
        message.AddField(new CASN1_IntField(&value));
        message.AddField(new CASN1_LongIntField(&big));
        message.AddField(new CASN1_StringField(&text));
        message.AddField(new CASN1_SequenceOf<CASN1_IntField>(&ids));
        used = message.Decode(in, n);
        break;
    }
    case 8: DecodeList<CASN1_IntField>(in, n); break;
    case 9: DecodeList<CASN1_StringField>(in, n); break;
    case 10: DecodeList<CGroupListItemDecoder>(in, n); break;
    case 11: DecodeList<CLanguageInfoDecoder>(in, n); break;
    case 12: DecodeList<CBuyItemPlayerInfoDecoder>(in, n); break;
    case 13: DecodeList<CAchievementInfoDecoder>(in, n); break;
    case 14: DecodeList<CShopGroupDataDecoder>(in, n); break;
    case 15: DecodeList<CShopItemDataDecoder>(in, n); break;
    case 16: DecodeList<CItemDataDecoder>(in, n); break;
    case 17: DecodeList<CASN1UserTournamentScores>(in, n); break;
    case 18: DecodeList<CPlayerListItemDecoder>(in, n); break;
    case 19:
    {
        const int frame = BerGetFrameSize(in, n);
        if (frame < -2 || frame > BerMaxFrameSize)
            abort();
        used = BerDecodeLength(in, n, &value);
        if (used > 0 && (value < 0 || value > BerMaxLength))
            abort();
        used = used < 0 ? 0 : used;
        break;
    }
    case 20:
    {
        int consumed = 0;
        if (BerDecodeLatin1String(in, n, &text, &consumed) == 1)
            used = consumed;
        break;
    }
    default:
    {
        CDateTimeFields fields;
        int consumed = 0;
        used = BerDecodeDateTimeText(in, n, &fields);
        if (BerDecodeDateTimeRecord(in, n, &fields, &consumed) == 1 && consumed > n)
            abort();
        break;
    }
    }
    if (used < 0 || used > n)
        abort();
    return 0;
}
