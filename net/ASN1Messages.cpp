#include "net/ASN1Messages.h"

CASN1ConnectACK::CASN1ConnectACK(CKetrelString* text0, i32* result, CKetrelString* text2, i32* release)
    : CASN1_Message(Number)
{
    text2->Clear();
    *release = 0;
    AddField(new CASN1_StringField(text0));
    AddField(new CASN1_IntField(result));
    AddField(new CASN1_StringField(text2));
    AddField(new CASN1_IntField(release));
}

CASN1GetAchievementList::CASN1GetAchievementList(i32* a, i32* b, i32* c, i32* d)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(a));
    AddField(new CASN1_IntField(b));
    AddField(new CASN1_IntField(c));
    AddField(new CASN1_IntField(d));
}

CASN1AchievementList::CASN1AchievementList(i32* value0, i32* value1, i32* value2, CKetrelArray<CAchievementInfo>* list, i32* value4)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_IntField(value1));
    AddField(new CASN1_IntField(value2));
    AddField(new CASN1_SequenceOf<CAchievementInfoDecoder>(list));
    AddField(new CASN1_IntField(value4));
}

CASN1GetTournamentScores::CASN1GetTournamentScores(CKetrelArray<i32>* playerIds, i32* a, i32* b)
    : CASN1_Message(Number)
{
    AddField(new CASN1_SequenceOf<CASN1_IntField>(playerIds));
    AddField(new CASN1_IntField(a));
    AddField(new CASN1_IntField(b));
}

CASN1TournamentScores::CASN1TournamentScores(CKetrelArray<CKetrelString>* names, CKetrelArray<CUserTournamentScores>* scores, i32* value2)
    : CASN1_Message(Number)
{
    AddField(new CASN1_SequenceOf<CASN1_StringField>(names));
    AddField(new CASN1_SequenceOf<CASN1UserTournamentScores>(scores));
    AddField(new CASN1_IntField(value2));
}

CASN1KeyValue::CASN1KeyValue(CKetrelString* key, CKetrelString* value)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(key));
    AddField(new CASN1_StringField(value));
}

CASN1PlayerList::CASN1PlayerList(i32* value0, i32* first, i32* listId, CKetrelArray<CPlayerListItem>* items, CKetrelArray<CGroupListItem>* groups)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_IntField(first));
    AddField(new CASN1_IntField(listId));
    AddField(new CASN1_SequenceOf<CPlayerListItemDecoder>(items));
    AddField(new CASN1_SequenceOf<CGroupListItemDecoder>(groups));
}

CASN1GetKeyValue::CASN1GetKeyValue(CKetrelString* key)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(key));
}

CASN1AvailableLanguagesList::CASN1AvailableLanguagesList(CKetrelArray<CLanguageInfo>* languages)
    : CASN1_Message(Number)
{
    AddField(new CASN1_SequenceOf<CLanguageInfoDecoder>(languages));
}

CASN1GetLanguagePack::CASN1GetLanguagePack(CKetrelString* code, CKetrelString* base)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(code));
    AddField(new CASN1_StringField(base));
}

CASN1LanguagePack::CASN1LanguagePack(CKetrelString* code, CKetrelString* base, CKetrelString* text2, i32* value3, u8** packData, i32* packSize)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(code));
    AddField(new CASN1_StringField(base));
    AddField(new CASN1_StringField(text2));
    AddField(new CASN1_IntField(value3));
    AddField(new CASN1_ByteArrayField(packData, packSize));
}

CASN1GetThemePack::CASN1GetThemePack(CKetrelString* digest)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(digest));
}

CASN1ThemePack::CASN1ThemePack(CKetrelString* name, CKetrelString* text1, u8** packData, i32* packSize)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(name));
    AddField(new CASN1_StringField(text1));
    AddField(new CASN1_ByteArrayField(packData, packSize));
}

CASN1ChangeLanguageMessage::CASN1ChangeLanguageMessage(CKetrelString* code)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(code));
}

CASN1ChallengeReceived::CASN1ChallengeReceived(i64* gameId, i32* challengerId, CKetrelString* name, CKetrelString* text3, i32* value4, i32* value5)
    : CASN1_Message(Number)
{
    AddField(new CASN1_LongIntField(gameId));
    AddField(new CASN1_IntField(challengerId));
    AddField(new CASN1_StringField(name));
    AddField(new CASN1_StringField(text3));
    AddField(new CASN1_IntField(value4));
    AddField(new CASN1_IntField(value5));
}

CASN1Notification::CASN1Notification(i32* kind, CKetrelString* text, i32* value)
    : CASN1_Message(Number)
{
    *value = 0;
    AddField(new CASN1_IntField(kind));
    AddField(new CASN1_StringField(text));
    AddField(new CASN1_IntField(value));
}

CASN1GameReady::CASN1GameReady(i32* ownId, i64* gameId, i32* appId, i32* joinFlag, i32* playerCount, i32* one, CKetrelString* version)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(ownId));
    AddField(new CASN1_LongIntField(gameId));
    AddField(new CASN1_IntField(appId));
    AddField(new CASN1_IntField(joinFlag));
    AddField(new CASN1_IntField(playerCount));
    AddField(new CASN1_IntField(one));
    AddField(new CASN1_StringField(version));
}

CASN1ImageAndLink::CASN1ImageAndLink(CKetrelString* name, u8** imageData, i32* imageSize, CKetrelString* text2, CKetrelString* text3, CKetrelString* text4)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(name));
    AddField(new CASN1_ByteArrayField(imageData, imageSize));
    AddField(new CASN1_StringField(text2));
    AddField(new CASN1_StringField(text3));
    AddField(new CASN1_StringField(text4));
}

CASN1ChatMessage::CASN1ChatMessage(i32* kind, CKetrelString* text, i32* senderId)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(kind));
    AddField(new CASN1_StringField(text));
    AddField(new CASN1_IntField(senderId));
}

CASN1BlockUser::CASN1BlockUser(i32* playerId, i32* mode)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(playerId));
    AddField(new CASN1_IntField(mode));
}

CASN1AdvertisementInfo::CASN1AdvertisementInfo(CKetrelString* text0, CKetrelString* text1, u8** imageData, i32* imageSize, i32* value3, i32* value4, CKetrelArray<i32>* values, CKetrelString* text6, i32* value7, CKetrelString* text8, CKetrelString* text9)
    : CASN1_Message(Number)
{
    *value7 = 0;
    AddField(new CASN1_StringField(text0));
    AddField(new CASN1_StringField(text1));
    AddField(new CASN1_ByteArrayField(imageData, imageSize));
    AddField(new CASN1_IntField(value3));
    AddField(new CASN1_IntField(value4));
    AddField(new CASN1_SequenceOf<CASN1_IntField>(values));
    AddField(new CASN1_StringField(text6));
    AddField(new CASN1_IntField(value7));
    AddField(new CASN1_StringField(text8));
    AddField(new CASN1_StringField(text9));
}

CASN1GetShopItemImage::CASN1GetShopItemImage(CKetrelArray<i32>* itemIds, i32* size)
    : CASN1_Message(Number)
{
    AddField(new CASN1_SequenceOf<CASN1_IntField>(itemIds));
    AddField(new CASN1_IntField(size));
}

CASN1ConfirmBuyItem::CASN1ConfirmBuyItem(i32* itemId, i32* kind, CKetrelArray<i32>* receivers)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(itemId));
    AddField(new CASN1_IntField(kind));
    AddField(new CASN1_SequenceOf<CASN1_IntField>(receivers));
}

CASN1ConfirmBuyItemResponse::CASN1ConfirmBuyItemResponse(i32* value0, i32* value1, CKetrelString* text)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_IntField(value1));
    AddField(new CASN1_StringField(text));
}

CASN1UpdateItemStateResponse::CASN1UpdateItemStateResponse(i32* value0, i32* value1, CKetrelString* text, i32* value3)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_IntField(value1));
    AddField(new CASN1_StringField(text));
    AddField(new CASN1_IntField(value3));
}

CASN1ConfirmUserName::CASN1ConfirmUserName(CKetrelString* name)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(name));
}

CASN1ConfirmUserNameACK::CASN1ConfirmUserNameACK(i32* code, CKetrelString* text)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(code));
    AddField(new CASN1_StringField(text));
}

CASN1ConfirmEmail::CASN1ConfirmEmail(CKetrelString* text0, CKetrelString* text1, CKetrelString* text2, i32* value3, CKetrelString* text4, CKetrelString* text5)
    : CASN1_Message(Number)
{
    AddField(new CASN1_StringField(text0));
    AddField(new CASN1_StringField(text1));
    AddField(new CASN1_StringField(text2));
    AddField(new CASN1_IntField(value3));
    AddField(new CASN1_StringField(text4));
    AddField(new CASN1_StringField(text5));
}

CASN1ConfirmEmailACK::CASN1ConfirmEmailACK(i32* code, CKetrelString* text)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(code));
    AddField(new CASN1_StringField(text));
}

CASN1ExternalLogin::CASN1ExternalLogin(i32* type, CKetrelString* text1, CKetrelString* text2, CKetrelString* text3, CKetrelString* text4)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(type));
    AddField(new CASN1_StringField(text1));
    AddField(new CASN1_StringField(text2));
    AddField(new CASN1_StringField(text3));
    AddField(new CASN1_StringField(text4));
}

CASN1PlayerGiftItems::CASN1PlayerGiftItems(i32* value0, CKetrelString* text1, CKetrelArray<CShopItemData>* items)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_StringField(text1));
    AddField(new CASN1_SequenceOf<CShopItemDataDecoder>(items));
}

CASN1ConfirmBuyPlayerItems::CASN1ConfirmBuyPlayerItems(i32* a, i32* b, CKetrelArray<i32>* items)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(a));
    AddField(new CASN1_IntField(b));
    AddField(new CASN1_SequenceOf<CASN1_IntField>(items));
}

CASN1ConfirmBuyPlayerItemsResponse::CASN1ConfirmBuyPlayerItemsResponse(i32* value0, i32* value1, CKetrelString* text)
    : CASN1_Message(Number)
{
    AddField(new CASN1_IntField(value0));
    AddField(new CASN1_IntField(value1));
    AddField(new CASN1_StringField(text));
}

CASN1String2Message::CASN1String2Message(i32 number, CKetrelString* name, CKetrelString* extra)
    : CASN1_Message(number)
{
    AddField(new CASN1_StringField(name));
    AddField(new CASN1_StringField(extra));
}

CASN1StringMessage::CASN1StringMessage(i32 number, CKetrelString* text) : CASN1_Message(number)
{
    AddField(new CASN1_StringField(text));
}
