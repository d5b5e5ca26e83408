#pragma once
#include "net/ASN1Records.h"

// Field-pointer codecs: fixed layouts described by a small record of pointers, one per
// field in wire order, encoded and decoded through the field classes (so text is full
// UTF-8). Encoders take the message number through the record's first pointer (70 writes
// its fixed number); decoders store the number they read without comparing it.
//
// BerFpEncode(buffer, capacity, record): a null buffer or capacity 0 returns the size; a
// smaller capacity 0; else the bytes written.
// BerFpDecode(message, size, record): the bytes consumed, or 0 when the message is cut,
// an identifier has the wrong class (0xA0 for the message and for lists, 0x80 for the
// other fields) or a value runs past the content. Fields missing at the end keep their
// variables. Lists are emptied first.

struct CBerFpNone { i32* number; };                                          // 90, 94, 112
struct CBerFpInt1 { i32* number; i32* value0; };                             // 92, 113; 71, 91
struct CBerFpInt2 { i32* number; i32* value0; i32* value1; };                // 98, 101, 102, 104
struct CBerFpInt3 { i32* number; i32* value0; i32* value1; i32* value2; };   // 88, 96
struct CBerFpLong1 { i32* number; i64* gameId; };                            // 18
struct CBerFpGameOver { i64* gameId; i32* rematch; i32* value2; };           // 70

struct CBerFpItemDataList                                                    // 87
{
    i32 number;
    CKetrelArray<CItemData>* list;
};
struct CBerFpDataChunk                                                       // 89
{
    i32 number;
    i32* value0;
    i32* value1;
    u8** data;     // a new[] block for the caller when it starts null
    i32* size;
    i32* value3;
};
struct CBerFpShopGroups                                                      // 93
{
    i32 number;
    i32* value0;
    CKetrelArray<CShopGroupData>* list;
};
struct CBerFpShopItems                                                       // 97
{
    i32 number;
    i32* value0;
    i32* value1;
    CKetrelArray<CShopItemData>* list;
};
struct CBerFpPicture                                                         // 100
{
    i32 number;
    i32* value0;
    i32* value1;
    u8** data;
    i32* size;
};
struct CBerFpBuyItemPlayerInfo                                               // 103
{
    // Empties the list.
    CBerFpBuyItemPlayerInfo(i32* v0, i32* v1, CKetrelString* t2, CKetrelArray<CBuyItemPlayerInfo>* l)
        : number(-1), value0(v0), value1(v1), text2(t2), list(l)
    {
        list->SetSize(0);
    }
    i32 number;
    i32* value0;
    i32* value1;
    CKetrelString* text2;
    CKetrelArray<CBuyItemPlayerInfo>* list;
};

int BerFpEncode(u8* buffer, int capacity, const CBerFpNone& record);
int BerFpEncode(u8* buffer, int capacity, const CBerFpInt1& record);
int BerFpEncode(u8* buffer, int capacity, const CBerFpInt2& record);
int BerFpEncode(u8* buffer, int capacity, const CBerFpInt3& record);
int BerFpEncode(u8* buffer, int capacity, const CBerFpLong1& record);
int BerFpEncode(u8* buffer, int capacity, const CBerFpGameOver& record);

int BerFpDecode(const u8* message, int size, const CBerFpInt1& record);
int BerFpDecode(const u8* message, int size, CBerFpItemDataList& record);
int BerFpDecode(const u8* message, int size, CBerFpDataChunk& record);
int BerFpDecode(const u8* message, int size, CBerFpShopGroups& record);
int BerFpDecode(const u8* message, int size, CBerFpShopItems& record);
int BerFpDecode(const u8* message, int size, CBerFpPicture& record);
int BerFpDecode(const u8* message, int size, CBerFpBuyItemPlayerInfo& record);
