#pragma once
#include "net/ASN1Records.h"

// The message classes of the protocol: one CASN1_Message per message number, whose
// constructor binds one field per wire field, in wire order, to the addresses given.
// The variables belong to the caller and must outlive the message; give them defaults
// before Decode, since an absent field leaves its variable as it was (the constructors
// that reset a variable say so). Message 28 is a bare CASN1_Message(28) (BC 00).

enum { ASN1LanguageListRequest = 28 };

// 2. Connect acknowledgement: text, result, text (emptied), release number (0).
class CASN1ConnectACK : public CASN1_Message
{
public:
    enum { Number = 2 };
    CASN1ConnectACK(CKetrelString* text0, i32* result, CKetrelString* text2, i32* release);
};

class CASN1GetAchievementList : public CASN1_Message
{
public:
    enum { Number = 10 };
    CASN1GetAchievementList(i32* a, i32* b, i32* c, i32* d);
};

class CASN1AchievementList : public CASN1_Message
{
public:
    enum { Number = 11 };
    CASN1AchievementList(i32* value0,
                           i32* value1,
                           i32* value2,
                           CKetrelArray<CAchievementInfo>* list,
                           i32* value4);
};

class CASN1GetTournamentScores : public CASN1_Message
{
public:
    enum { Number = 14 };
    CASN1GetTournamentScores(CKetrelArray<i32>* playerIds, i32* a, i32* b);
};

class CASN1TournamentScores : public CASN1_Message
{
public:
    enum { Number = 16 };
    CASN1TournamentScores(CKetrelArray<CKetrelString>* names,
                            CKetrelArray<CUserTournamentScores>* scores,
                            i32* value2);
};

class CASN1KeyValue : public CASN1_Message
{
public:
    enum { Number = 17 };
    CASN1KeyValue(CKetrelString* key, CKetrelString* value);
};

// 20. Player list: [1] and [2] are the request key (first, list id).
class CASN1PlayerList : public CASN1_Message
{
public:
    enum { Number = 20 };
    CASN1PlayerList(i32* value0,
                       i32* first,
                       i32* listId,
                       CKetrelArray<CPlayerListItem>* items,
                       CKetrelArray<CGroupListItem>* groups);
};

class CASN1GetKeyValue : public CASN1_Message
{
public:
    enum { Number = 25 };
    CASN1GetKeyValue(CKetrelString* key);
};

class CASN1AvailableLanguagesList : public CASN1_Message
{
public:
    enum { Number = 29 };
    CASN1AvailableLanguagesList(CKetrelArray<CLanguageInfo>* languages);
};

class CASN1GetLanguagePack : public CASN1_Message
{
public:
    enum { Number = 30 };
    CASN1GetLanguagePack(CKetrelString* code, CKetrelString* base);
};

class CASN1LanguagePack : public CASN1_Message
{
public:
    enum { Number = 31 };
    CASN1LanguagePack(CKetrelString* code,
                         CKetrelString* base,
                         CKetrelString* text2,
                         i32* value3,
                         u8** packData,
                         i32* packSize);
};

class CASN1GetThemePack : public CASN1_Message
{
public:
    enum { Number = 32 };
    CASN1GetThemePack(CKetrelString* digest);
};

class CASN1ThemePack : public CASN1_Message
{
public:
    enum { Number = 33 };
    CASN1ThemePack(CKetrelString* name, CKetrelString* text1, u8** packData, i32* packSize);
};

class CASN1ChangeLanguageMessage : public CASN1_Message
{
public:
    enum { Number = 37 };
    CASN1ChangeLanguageMessage(CKetrelString* code);
};

class CASN1ChallengeReceived : public CASN1_Message
{
public:
    enum { Number = 39 };
    CASN1ChallengeReceived(i64* gameId,
                             i32* challengerId,
                             CKetrelString* name,
                             CKetrelString* text3,
                             i32* value4,
                             i32* value5);
};

// 45. Notification: kind, text, value (set to 0).
class CASN1Notification : public CASN1_Message
{
public:
    enum { Number = 45 };
    CASN1Notification(i32* kind, CKetrelString* text, i32* value);
};

class CASN1GameReady : public CASN1_Message
{
public:
    enum { Number = 46 };
    CASN1GameReady(i32* ownId,
                      i64* gameId,
                      i32* appId,
                      i32* joinFlag,
                      i32* playerCount,
                      i32* one,
                      CKetrelString* version);
};

class CASN1ImageAndLink : public CASN1_Message
{
public:
    enum { Number = 52 };
    CASN1ImageAndLink(CKetrelString* name,
                         u8** imageData,
                         i32* imageSize,
                         CKetrelString* text2,
                         CKetrelString* text3,
                         CKetrelString* text4);
};

class CASN1ChatMessage : public CASN1_Message
{
public:
    enum { Number = 64 };
    CASN1ChatMessage(i32* kind, CKetrelString* text, i32* senderId);
};

class CASN1BlockUser : public CASN1_Message
{
public:
    enum { Number = 76 };
    CASN1BlockUser(i32* playerId, i32* mode);
};

// 80. Advertisement: the eighth field ([7]) is set to 0.
class CASN1AdvertisementInfo : public CASN1_Message
{
public:
    enum { Number = 80 };
    CASN1AdvertisementInfo(CKetrelString* text0,
                             CKetrelString* text1,
                             u8** imageData,
                             i32* imageSize,
                             i32* value3,
                             i32* value4,
                             CKetrelArray<i32>* values,
                             CKetrelString* text6,
                             i32* value7,
                             CKetrelString* text8,
                             CKetrelString* text9);
};

class CASN1GetShopItemImage : public CASN1_Message
{
public:
    enum { Number = 99 };
    CASN1GetShopItemImage(CKetrelArray<i32>* itemIds, i32* size);
};

class CASN1ConfirmBuyItem : public CASN1_Message
{
public:
    enum { Number = 104 };
    CASN1ConfirmBuyItem(i32* itemId, i32* kind, CKetrelArray<i32>* receivers);
};

class CASN1ConfirmBuyItemResponse : public CASN1_Message
{
public:
    enum { Number = 105 };
    CASN1ConfirmBuyItemResponse(i32* value0, i32* value1, CKetrelString* text);
};

class CASN1UpdateItemStateResponse : public CASN1_Message
{
public:
    enum { Number = 106 };
    CASN1UpdateItemStateResponse(i32* value0, i32* value1, CKetrelString* text, i32* value3);
};

class CASN1ConfirmUserName : public CASN1_Message
{
public:
    enum { Number = 107 };
    CASN1ConfirmUserName(CKetrelString* name);
};

class CASN1ConfirmUserNameACK : public CASN1_Message
{
public:
    enum { Number = 108 };
    CASN1ConfirmUserNameACK(i32* code, CKetrelString* text);
};

class CASN1ConfirmEmail : public CASN1_Message
{
public:
    enum { Number = 109 };
    CASN1ConfirmEmail(CKetrelString* text0,
                         CKetrelString* text1,
                         CKetrelString* text2,
                         i32* value3,
                         CKetrelString* text4,
                         CKetrelString* text5);
};

class CASN1ConfirmEmailACK : public CASN1_Message
{
public:
    enum { Number = 110 };
    CASN1ConfirmEmailACK(i32* code, CKetrelString* text);
};

class CASN1ExternalLogin : public CASN1_Message
{
public:
    enum { Number = 111 };
    CASN1ExternalLogin(i32* type,
                          CKetrelString* text1,
                          CKetrelString* text2,
                          CKetrelString* text3,
                          CKetrelString* text4);
};

class CASN1PlayerGiftItems : public CASN1_Message
{
public:
    enum { Number = 114 };
    CASN1PlayerGiftItems(i32* value0,
                           CKetrelString* text1,
                           CKetrelArray<CShopItemData>* items);
};

class CASN1ConfirmBuyPlayerItems : public CASN1_Message
{
public:
    enum { Number = 115 };
    CASN1ConfirmBuyPlayerItems(i32* a, i32* b, CKetrelArray<i32>* items);
};

class CASN1ConfirmBuyPlayerItemsResponse : public CASN1_Message
{
public:
    enum { Number = 116 };
    CASN1ConfirmBuyPlayerItemsResponse(i32* value0, i32* value1, CKetrelString* text);
};

// A request with two strings whose number the caller gives (51: a named image and link).
class CASN1String2Message : public CASN1_Message
{
public:
    CASN1String2Message(i32 number, CKetrelString* name, CKetrelString* extra);
};

// One string under a number the caller gives; no operation sends it.
class CASN1StringMessage : public CASN1_Message
{
public:
    CASN1StringMessage(i32 number, CKetrelString* text);
};

