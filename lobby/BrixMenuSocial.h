#pragma once
// lobby/BrixMenuSocial.h: what the players, shop, challenge and gift pages of the lobby
// menu keep between events and replies.
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "net/ASN1Records.h"

#include <map>

class CExpandable;
class CWidget;

// A player offered as the receiver of a gift.
struct CBrixReceiverEntry
{
    i32 playerId = 0;
    CKetrelString name;
    i32 selected = 0;
};

// An item offered as a gift to the chosen player.
struct CBrixGiftEntry
{
    i32 itemId = 0;
    i32 price = 0;
    CKetrelString name;
    i32 selected = 0;
};

// A purchase between the buy information and its confirmation.
struct CBrixPendingPurchase
{
    i32 itemId = 0;
    i32 kind = 0;
    CKetrelArray<i32> receivers;
};

// A gift to one player between the item list and its confirmation.
struct CBrixPendingGift
{
    i32 playerId = 0;
    CKetrelArray<i32> itemIds;
    i32 total = 0;
};

// Row index -> row widget, of the rows a list has loaded. Widgets are the tree's.
typedef std::map<i32, CWidget*> CBrixRowMap;

struct CBrixSocialState
{
    CBrixRowMap globalRows;
    CBrixRowMap followRows;
    CKetrelArray<CKetrelString> globalLabels;
    CKetrelArray<CKetrelString> followLabels;
    CExpandable* expandedItem = nullptr;
    CKetrelArray<i32> challengeTarget;          // at most one player id
    // Player records owned by rows (CPlayerListItem*, as their user data). A user data
    // pointer is taken for a record only when it is listed here, so that an event bound
    // to a row of another kind never reads an item id as a record.
    CKetrelArray<CPlayerListItem*> records;
    CKetrelString reportLinkTemplate;           // the chat details' report link as laid out

    // Shop.
    CKetrelArray<CShopGroupData> shopGroups;
    std::map<i32, CShopItemData> shopItems;
    CBrixRowMap shopRows;
    CBrixRowMap myItemsRows;
    i32 coinBalance = 0;
    CBrixPendingPurchase* pendingPurchase = nullptr;   // owned
    std::map<i32, CShopGroupData> itemGroups;
    i32 expectedItems = 0;
    i32 catalogueComplete = 0;
    i32 packDialogShown = 0;                    // the pack check's loading dialog is up

    // Gifts.
    CKetrelArray<CBrixReceiverEntry> receivers;
    CKetrelString giftPlayerName;
    CKetrelArray<CBrixGiftEntry> giftItems;
    CBrixPendingGift* pendingGift = nullptr;           // owned

    ~CBrixSocialState()
    {
        delete pendingPurchase;
        delete pendingGift;
        for (i32 i = 0; i < records.GetCount(); ++i)
            delete records[i];
    }
};
