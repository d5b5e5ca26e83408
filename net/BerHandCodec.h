#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "net/BerRules.h"

// Byte-level codecs of the messages that are not built from message classes. They write
// and read the same shape (identifier 0xA0 | n or BF n, BER length, fields 0x80 | i), but
// carry text in the Latin-1 packing of BerRules.h: units above 0xFF lose their high byte.
//
// Encoders: Encode...(buffer, capacity, values...). A null buffer or capacity 0 returns
// the message's size; a smaller capacity returns 0 and writes nothing usable; else the
// bytes written.
//
// Decoders: Decode...(message, size, outputs...) read one whole message of size bytes and
// return 1; 4 when the message has another number; 7 when an entry cannot be allocated;
// 0 when a required field is missing or any value runs past the message's content. Every
// read is bounded by the content. Outputs other than lists may be partly written when the
// result is not 1 and must then not be used; lists are emptied (their entries freed).

// Six i32 in the order of the engine's date-time.
struct CDateTimeFields
{
    i32 year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// One player of a game join (12) or a match result (8). Wire fields by number: [0] player
// id, [1] name, [2] text, [3] a date-time text, [4] value, [5] text, [6] a date-time record;
// an identifier [7] sets the flag and ends the entry without a value; any other number ends
// the entry.
struct CGamePlayerEntry
{
    CKetrelString name;          // [1]
    CKetrelString text2;         // [2]
    CDateTimeFields date3;       // [3]
    i32 playerId = 0;            // [0]
    i32 flag = 0;                // 1 when [7] is present
    i32 value4 = 0;              // [4]
    CKetrelString text5;         // [5]
    CDateTimeFields date6;       // [6]
};

// One item of the game results (75): [0] to [3] integers, [4] text, [5] a date-time text.
struct CGameResultItem
{
    i32 values[4] = {};
    CKetrelString text4;
    CDateTimeFields date5;
};

// A game join (12): [0] game id, [1] the players (player 0 first), [2] and [3] flags (1 when
// the value is not 0), [4] "host:port", [5] a value. Owns its entries.
struct CGameJoinInfo
{
    CGameJoinInfo() {}
    ~CGameJoinInfo();
    CGameJoinInfo(const CGameJoinInfo&) = delete;
    CGameJoinInfo& operator=(const CGameJoinInfo&) = delete;

    CKetrelPtrArray players;     // CGamePlayerEntry*, owned
    i32 flag2 = 0;
    i32 flag3 = 0;
    CKetrelString server;
    i64 gameId = 0;
    i32 value5 = 0;
};

// Deletes every CGamePlayerEntry* / CGameResultItem* of the list and empties it.
void BerFreeGamePlayerEntries(CKetrelPtrArray* entries);
void BerFreeGameResultItems(CKetrelPtrArray* items);

// ---- primitives ----

// BER length and the packed text; sizes as the encoders.
int BerEncodeLatin1String(u8* buffer, int capacity, const CKetrelString& text);
// 1 with *consumed = length bytes + length, or 0 when the text runs past available.
int BerDecodeLatin1String(const u8* buffer, int available, CKetrelString* text, int* consumed);
// "day.month.year hour:minute:second" scanned into the fields; numbers missing from the
// text leave their fields as they were.
void BerParseDateTimeText(const CKetrelString& text, CDateTimeFields* fields);
// A packed text parsed as above; the bytes consumed, or 0.
int BerDecodeDateTimeText(const u8* buffer, int available, CDateTimeFields* fields);
// BER length, then INTEGER fields whose identifier's low 5 bits 0 to 5 select the field
// (year, month, day, hour, minute, second); a number of 6 or more ends the record.
// 1 with *consumed = length bytes + length, or 0.
int BerDecodeDateTimeRecord(const u8* buffer, int available, CDateTimeFields* fields, int* consumed);

// ---- encoders ----

// The client hello (0): seventeen fields; [16] is written only when above 0.
struct CBerClientHello
{
    i32 value0 = 1;
    i32 width = 0;
    i32 height = 0;
    CKetrelString model;
    CKetrelString osVersion;
    i32 value5 = 1;
    i32 value6 = 1;
    CKetrelString address7 = "0.0.0.0";
    CKetrelString address8 = "0.0.0.0";
    i32 value9 = 25;
    CKetrelString helloText;
    CKetrelString resellerId;
    CKetrelString deviceId;
    i32 value13 = 1;
    CKetrelString osName;
    i32 value15 = 0;
    i32 value16 = 3;
};

int BerEncodeClientHello(u8* buffer, int capacity, const CBerClientHello& hello);
int BerEncodeRequest3(u8* buffer, int capacity, const CKetrelString& t0, const CKetrelString& t1,
                      const CKetrelString& t2, const CKetrelString& t3, const CKetrelString& t4, i32 value5);
int BerEncodeLogin(u8* buffer, int capacity, const CKetrelString& user, const CKetrelString& password,
                   i32 value2, const CKetrelString& text3);
int BerEncodeMatchRequest(u8* buffer, int capacity, i32 appGameId, i32 mode, i32 param);
int BerEncodeCancelMatchRequest(u8* buffer, int capacity, i32 appGameId);
int BerEncodeGameData(u8* buffer, int capacity, const u8* data, i32 size);
// [3] and [4] are constructed lists (A3, A4) of universal INTEGERs; [5] is 1 when the flag
// given is not 0.
int BerEncodeGameResult(u8* buffer, int capacity, i64 gameId, i32 appGameId, i32 value2,
                        const CKetrelArray<i32>& playerIds, const CKetrelArray<i32>& codes, i32 abandoned);
int BerEncodePlayerListRequest(u8* buffer, int capacity, i32 list, i32 first, i32 count,
                               const CKetrelString& filter, i32 a, i32 b);
// number 21 or 22.
int BerEncodePlayerRelation(u8* buffer, int capacity, i32 number, i32 value0, i32 value1, i32 value2,
                            i32 value3, const CKetrelString& text);
int BerEncodeRequest36(u8* buffer, int capacity, i32 value0, const CKetrelString& t1, const CKetrelString& t2,
                       const CKetrelString& t3, const CKetrelString& t4, i32 value5);
// [1] is a constructed list (A1) of universal INTEGERs.
int BerEncodeChallenge(u8* buffer, int capacity, i32 appGameId, const CKetrelArray<i32>& playerIds,
                       const CKetrelString& text);
int BerEncodeChallengeAnswer(u8* buffer, int capacity, i32 answer, i32 appGameId, i32 challengerId,
                             i32 ownId, const CKetrelString& text4, const CKetrelString& text5);
int BerEncodePing(u8* buffer, int capacity, i32 value);
int BerEncodeLoginChallengeRequest(u8* buffer, int capacity, const CKetrelString& user);
// BF 3B 00.
int BerEncodeLogout(u8* buffer, int capacity);
// [2] only when b is 0 or more.
int BerEncodeGameResultsRequest(u8* buffer, int capacity, i32 appGameId, i32 a, i32 b);
int BerEncodeRequest82(u8* buffer, int capacity, const CKetrelString& t0, const CKetrelString& t1);
int BerEncodeImageRequest(u8* buffer, int capacity, i32 a, i32 b);

// ---- decoders ----

// 6, fields by number; value4 is set to 0 first; other numbers skip their identifier byte.
int BerDecodeLoginReply(const u8* message, int size, i32* result, CKetrelString* text1,
                        CKetrelString* text2, CKetrelString* text3, i32* value4, CKetrelString* text5);
// 8: entries (emptied first) and three values set to -1 first.
int BerDecodeMatchResult(const u8* message, int size, CKetrelPtrArray* entries, i32* value1,
                         i32* value2, i32* value3);
// 12 on either channel; info's players are freed first.
int BerDecodeGameJoin(const u8* message, int size, CGameJoinInfo* info);
// 13 into the caller's buffer of capacity bytes; a block that does not fit gives 0.
int BerDecodeGameData(const u8* message, int size, u8* buffer, int capacity, i32* blockSize);
// 21 or 22: [0] to [4] required in order; text5 is emptied, then read when [5] is present.
int BerDecodePlayerRelation(const u8* message, int size, i32* v0, i32* v1, i32* v2, i32* v3,
                            CKetrelString* text4, CKetrelString* text5);
// 40: [0] to [4] required; text5 from [5], replaced by a further field when one follows,
// emptied when none.
int BerDecodeChallengeAnswer(const u8* message, int size, i32* answer, i32* appGameId, i32* v2,
                             i32* v3, CKetrelString* text4, CKetrelString* text5);
int BerDecodePing(const u8* message, int size, i32* value);
// 58: text1 emptied unless [1] is present.
int BerDecodeLoginChallenge(const u8* message, int size, CKetrelString* challenge, CKetrelString* text1);
int BerDecodeGameStatus(const u8* message, int size, i64* gameId, i32* status);
// 75: items (emptied first); each item may begin with a 30 byte.
int BerDecodeGameResults(const u8* message, int size, CKetrelPtrArray* items);
// 85: *data becomes a new[] block the caller deletes (null and size 0 when empty or when
// it cannot be allocated).
int BerDecodePicture(const u8* message, int size, i32* playerId, i32* value1, u8** data, i32* dataSize);
