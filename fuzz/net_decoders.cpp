// Every decoder of a received message over fuzzed bytes: the first byte picks the
// decoder, the rest is the message (the fuzzer's buffer is exactly its size).
#include "net/ASN1Messages.h"
#include "net/BerFieldPointerCodec.h"
#include "net/BerHandCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    const u8* m = data + 1;
    const int n = (int)size - 1;
    i32 a = 0, b = 0, c = 0, d = 0;
    i64 big = 0;
    CKetrelString s0, s1, s2, s3, s4;
    u8* block = nullptr;
    i32 blockSize = 0;
    int used = 0;
    switch (data[0] % 34)
    {
    // hand-coded
    case 0: BerDecodeLoginReply(m, n, &a, &s0, &s1, &s2, &b, &s3); break;
    case 1:
    {
        CKetrelPtrArray entries;
        BerDecodeMatchResult(m, n, &entries, &a, &b, &c);
        BerFreeGamePlayerEntries(&entries);
        break;
    }
    case 2:
    {
        CGameJoinInfo info;
        BerDecodeGameJoin(m, n, &info);
        break;
    }
    case 3:
    {
        u8 game[256];
        if (BerDecodeGameData(m, n, game, sizeof game, &a) == 1 && (a < 0 || a > 256))
            abort();
        break;
    }
    case 4: BerDecodePlayerRelation(m, n, &a, &b, &c, &d, &s0, &s1); break;
    case 5: BerDecodeChallengeAnswer(m, n, &a, &b, &c, &d, &s0, &s1); break;
    case 6: BerDecodePing(m, n, &a); break;
    case 7: BerDecodeLoginChallenge(m, n, &s0, &s1); break;
    case 8: BerDecodeGameStatus(m, n, &big, &a); break;
    case 9:
    {
        CKetrelPtrArray items;
        BerDecodeGameResults(m, n, &items);
        BerFreeGameResultItems(&items);
        break;
    }
    case 10: BerDecodePicture(m, n, &a, &b, &block, &blockSize); break;
    // field-pointer
    case 11: used = BerFpDecode(m, n, CBerFpInt1{&a, &b}); break;
    case 12:
    {
        CKetrelArray<CItemData> list;
        CBerFpItemDataList r{0, &list};
        used = BerFpDecode(m, n, r);
        break;
    }
    case 13:
    {
        CBerFpDataChunk r{0, &a, &b, &block, &blockSize, &c};
        used = BerFpDecode(m, n, r);
        break;
    }
    case 14:
    {
        CKetrelArray<CShopGroupData> list;
        CBerFpShopGroups r{0, &a, &list};
        used = BerFpDecode(m, n, r);
        break;
    }
    case 15:
    {
        CKetrelArray<CShopItemData> list;
        CBerFpShopItems r{0, &a, &b, &list};
        used = BerFpDecode(m, n, r);
        break;
    }
    case 16:
    {
        CBerFpPicture r{0, &a, &b, &block, &blockSize};
        used = BerFpDecode(m, n, r);
        break;
    }
    case 17:
    {
        CKetrelArray<CBuyItemPlayerInfo> list;
        CBerFpBuyItemPlayerInfo r(&a, &b, &s0, &list);
        used = BerFpDecode(m, n, r);
        break;
    }
    // message classes
    case 18: used = CASN1ConnectACK(&s0, &a, &s1, &b).Decode(m, n); break;
    case 19:
    {
        CKetrelArray<CAchievementInfo> list;
        used = CASN1AchievementList(&a, &b, &c, &list, &d).Decode(m, n);
        break;
    }
    case 20:
    {
        CKetrelArray<CKetrelString> names;
        CKetrelArray<CUserTournamentScores> scores;
        used = CASN1TournamentScores(&names, &scores, &a).Decode(m, n);
        break;
    }
    case 21: used = CASN1KeyValue(&s0, &s1).Decode(m, n); break;
    case 22:
    {
        CKetrelArray<CPlayerListItem> items;
        CKetrelArray<CGroupListItem> groups;
        used = CASN1PlayerList(&a, &b, &c, &items, &groups).Decode(m, n);
        break;
    }
    case 23:
    {
        CKetrelArray<CLanguageInfo> list;
        used = CASN1AvailableLanguagesList(&list).Decode(m, n);
        break;
    }
    case 24: used = CASN1LanguagePack(&s0, &s1, &s2, &a, &block, &blockSize).Decode(m, n); break;
    case 25: used = CASN1ThemePack(&s0, &s1, &block, &blockSize).Decode(m, n); break;
    case 26: used = CASN1ChallengeReceived(&big, &a, &s0, &s1, &b, &c).Decode(m, n); break;
    case 27: used = CASN1Notification(&a, &s0, &b).Decode(m, n); break;
    case 28: used = CASN1ImageAndLink(&s0, &block, &blockSize, &s1, &s2, &s3).Decode(m, n); break;
    case 29: used = CASN1ChatMessage(&a, &s0, &b).Decode(m, n); break;
    case 30:
    {
        CKetrelArray<i32> values;
        used = CASN1AdvertisementInfo(&s0, &s1, &block, &blockSize, &a, &b, &values, &s2, &c, &s3, &s4)
                   .Decode(m, n);
        break;
    }
    case 31: used = CASN1UpdateItemStateResponse(&a, &b, &s0, &c).Decode(m, n); break;
    case 32:
    {
        CKetrelArray<CShopItemData> items;
        used = CASN1PlayerGiftItems(&a, &s0, &items).Decode(m, n);
        break;
    }
    default: used = CASN1ConfirmEmailACK(&a, &s0).Decode(m, n) + CASN1ConfirmBuyItemResponse(&b, &c, &s1).Decode(m, n); break;
    }
    delete[] block;
    if (used < 0 || used > 2 * n)
        abort();
    return 0;
}
