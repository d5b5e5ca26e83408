// lobby/BrixMenuAppHostSocial.cpp: the session requests of the players, shop, challenge
// and gift pages, forwarded to the session the application holds at the moment.
#include "lobby/BrixMenuAppHost.h"

#include "framework/TolvaneApplication.h"

void CBrixMenuAppHost::ShowToast(const CKetrelString& text, i32 kind, f32 seconds)
{
    if (m_app)
        m_app->ShowNotification(0, text, seconds, kind);
}

void CBrixMenuAppHost::ClearPendingPlayerListRequests() { if (Session()) Session()->ClearPendingPlayerListRequests(); }

void CBrixMenuAppHost::SendPlayerRelation(i32 playerId, i32 relation, i32 value, const CKetrelString& text)
{
    if (CBrixNetworkSession* s = Session())
        s->SendPlayerRelation(playerId, relation, value, text);
}

void CBrixMenuAppHost::BlockUser(i32 playerId, i32 blocked) { if (Session()) Session()->BlockUser(playerId, blocked); }
void CBrixMenuAppHost::RequestMatch(i32 mode, i32 param) { if (Session()) Session()->RequestMatch(mode, param); }

void CBrixMenuAppHost::SendChallenge(const CKetrelArray<i32>& playerIds, const CKetrelString& text)
{
    if (CBrixNetworkSession* s = Session())
        s->SendChallenge(playerIds, text);
}

void CBrixMenuAppHost::RequestItemsPage(i32 flags, i32 count, i32 offset)
{
    if (CBrixNetworkSession* s = Session())
        s->RequestItemsPage(flags, count, offset);
}

void CBrixMenuAppHost::RequestBuyItem(i32 itemId, i32 kind) { if (Session()) Session()->RequestBuyItem(itemId, kind); }

void CBrixMenuAppHost::ConfirmBuyItem(i32 itemId, i32 kind, const CKetrelArray<i32>* receivers)
{
    if (CBrixNetworkSession* s = Session())
        s->ConfirmBuyItem(itemId, kind, receivers);
}

void CBrixMenuAppHost::UpdateItemState(i32 itemId, i32 state) { if (Session()) Session()->UpdateItemState(itemId, state); }
void CBrixMenuAppHost::RequestPlayerGiftItems(i32 playerId) { if (Session()) Session()->RequestPlayerGiftItems(playerId); }

void CBrixMenuAppHost::ConfirmBuyPlayerItems(i32 playerId, i32 b, const CKetrelArray<i32>& itemIds)
{
    if (CBrixNetworkSession* s = Session())
        s->ConfirmBuyPlayerItems(playerId, b, itemIds);
}

void CBrixMenuAppHost::SendGameReady() { if (Session()) Session()->SendGameReady(); }
void CBrixMenuAppHost::SendRequest94() { if (Session()) Session()->SendRequest94(); }
