// lobby/BrixMenuStateGifts.cpp: gifts: the receivers of a shop item and the items that can
// be given to a player, each ticked in a selection list, and the player gift's purchase.
#include "lobby/BrixMenuState.h"

#include "engine/graphics/KetrelSurface.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/UIServices.h"

#include <cstdint>
#include <new>

using BrixMenuKit::Text;
using BrixMenuKit::Child;
using BrixMenuKit::RowOf;
using BrixMenuKit::SetTextOf;

namespace
{
const i32 kGiftShop = 1;
const i32 kGiftMine = 257;

void ShowSelected(CWidget* button, bool selected)
{
    if (CWidget* w = Child(button, kBrixSelected))
        w->SetVisible(selected);
    if (CWidget* w = Child(button, kBrixUnselected))
        w->SetVisible(!selected);
}

// A select button holds its entry's index + 1 (never a pointer: the lists are emptied and
// refilled while rows stay loaded). Which list is told by the list the button is in.
bool IsGiftList(const CWidget* list) { return list && list->GetName().Equals(Text("selection_gift_list_content")); }
}

int CBrixMenuState::OnBuyGift(CWidget* widget)
{
    CWidget* row = RowOf(widget);
    const i32 id = row ? (i32)(intptr_t)row->GetUserData() : 0;
    CInfiniteList* list = row ? CInfiniteList::Cast(row->GetParent()) : nullptr;
    // Only a shop or my-items row holds an item id; a player row's record is no id.
    if (id < 1 || !list || (list != m_shopList && list != m_myItemsList) || !m_host)
        return 1;
    list->RequestReload();
    m_social.receivers.RemoveAll();
    m_host->RequestBuyItem(id, list == m_myItemsList ? kGiftMine : kGiftShop);
    return 1;
}

int CBrixMenuState::OnShowSelectionList(CWidget* widget)
{
    if (CInfiniteList* list = CInfiniteList::Cast(widget))
    {
        list->RequestReload();
        list->SetItemCount(m_social.receivers.GetCount());
    }
    return 1;
}

int CBrixMenuState::OnShowSelectionGiftList(CWidget* widget)
{
    if (CInfiniteList* list = CInfiniteList::Cast(widget))
    {
        list->RequestReload();
        list->SetItemCount(m_social.giftItems.GetCount());
    }
    return 1;
}

void CBrixMenuState::LoadSelectionRow(CWidget* row, bool gifts)
{
    CInfiniteList* list = row ? CInfiniteList::Cast(row->GetParent()) : nullptr;
    if (!m_pageView || !list || !m_host || !m_host->HasSession())
        return;
    const i32 index = list->GetLoadingItemIndex(row);
    const i32 count = gifts ? m_social.giftItems.GetCount() : m_social.receivers.GetCount();
    if (index < 0 || index >= count)
        return;
    const bool selected = gifts ? m_social.giftItems[index].selected != 0 : m_social.receivers[index].selected != 0;
    SetTextOf(row, "item-name", gifts ? m_social.giftItems[index].name : m_social.receivers[index].name);
    if (gifts)
    {
        CKetrelString price;
        price.Format(L"%d", m_social.giftItems[index].price);
        SetTextOf(row, "price-value", price);
    }
    CWidget* button = Child(row, kBrixSelectButton);
    if (!button)
        return;
    button->SetUserData((void*)(intptr_t)(index + 1));
    if (selected)
        ShowSelected(button, true);
}

int CBrixMenuState::OnLoadSelectionListItem(CWidget* widget)
{
    LoadSelectionRow(widget, false);
    return 1;
}

int CBrixMenuState::OnLoadSelectionGiftListItem(CWidget* widget)
{
    LoadSelectionRow(widget, true);
    return 1;
}

int CBrixMenuState::OnUnloadSelectionItem(CWidget* widget)
{
    if (CWidget* button = Child(widget, kBrixSelectButton))
        button->SetUserData(nullptr);
    if (widget)
        widget->SetUserData(nullptr);
    return 1;
}

void CBrixMenuState::ToggleSelection(CWidget* button)
{
    const i32 index = button ? (i32)(intptr_t)button->GetUserData() - 1 : -1;
    CWidget* list = CInfiniteList::FindAncestor(button);
    if (index < 0 || !list)
        return;
    i32* selected = nullptr;
    if (IsGiftList(list))
    {
        if (index < m_social.giftItems.GetCount())
            selected = &m_social.giftItems[index].selected;
    }
    else if (index < m_social.receivers.GetCount())
        selected = &m_social.receivers[index].selected;
    if (!selected)
        return;     // the list was emptied since the row was loaded
    *selected = *selected ? 0 : 1;
    ShowSelected(button, *selected != 0);
}

int CBrixMenuState::OnSelectListItem(CWidget* widget)
{
    ToggleSelection(widget);
    return 1;
}

int CBrixMenuState::OnOkListSelection(CWidget*)
{
    if (CBrixPendingPurchase* p = m_social.pendingPurchase)
    {
        p->receivers.RemoveAll();
        for (i32 i = 0; i < m_social.receivers.GetCount(); ++i)
            if (m_social.receivers[i].selected)
                p->receivers.Add(m_social.receivers[i].playerId);
    }
    return 1;
}

int CBrixMenuState::OnCancelListSelection(CWidget*)
{
    m_social.receivers.RemoveAll();
    return 1;
}

int CBrixMenuState::OnBuyPlayerGift(CWidget* widget)
{
    CWidget* row = CExpandable::FindAncestor(widget);
    const CPlayerListItem* r = GetRowRecord(row);
    if (!r)
        return 1;
    m_social.giftPlayerName = r->text1;
    if (m_host)
        m_host->RequestPlayerGiftItems(r->id);
    return 1;
}

void CBrixMenuState::OnPlayerGiftItems(int playerId, const CKetrelString& text, const CKetrelArray<CShopItemData>& items)
{
    if (!text.IsEmpty())
    {
        ShowErrorDialog(playerId < 0 ? playerId : 0, text);
        return;
    }
    if (!m_social.pendingGift)
        m_social.pendingGift = new (std::nothrow) CBrixPendingGift();
    if (!m_social.pendingGift)
        return;
    m_social.pendingGift->itemIds.RemoveAll();
    m_social.pendingGift->total = 0;
    m_social.pendingGift->playerId = playerId;
    if (items.GetCount() == 0)
        return;
    m_social.giftItems.RemoveAll();
    for (i32 i = 0; i < items.GetCount(); ++i)
    {
        CBrixGiftEntry entry;
        entry.itemId = items[i].id;
        entry.price = items[i].values[1];
        entry.name = items[i].text13.IsEmpty() ? items[i].text1 : items[i].text13;
        m_social.giftItems.Add(entry);
    }
    if (m_pageView)
        m_pageView->Navigate(Text("dialog_gift_list_selection"));
}

int CBrixMenuState::OnOkGiftListSelection(CWidget*)
{
    CBrixPendingGift* g = m_social.pendingGift;
    if (!g)
        return 1;
    g->itemIds.RemoveAll();
    i64 total = 0;
    for (i32 i = 0; i < m_social.giftItems.GetCount(); ++i)
        if (m_social.giftItems[i].selected)
        {
            g->itemIds.Add(m_social.giftItems[i].itemId);
            total += m_social.giftItems[i].price;
        }
    g->total = (i32)(total > 0x7FFFFFFF ? 0x7FFFFFFF : (total < -0x7FFFFFFF ? -0x7FFFFFFF : total));
    return 1;
}

int CBrixMenuState::OnCancelGiftListSelection(CWidget*)
{
    m_social.giftItems.RemoveAll();
    return 1;
}

void CBrixMenuState::FillConfirmPlayerGift(CWidget* dialog)
{
    const CBrixPendingGift* g = m_social.pendingGift;
    if (!g || !dialog)
        return;
    if (CImageWidget* icon = CImageWidget::Cast(Child(dialog, "player-icon")))
    {
        CKetrelString name;
        name.Format(L"player_avatar_icon_%d", g->playerId);
        CKetrelSurface* image = InstallImage(name, nullptr, 0);
        icon->SetImage(image);
        for (i32 c = 0; c < icon->GetChildCount(); ++c)
            icon->GetChild(c)->SetVisible(image == nullptr);
        ReleaseImage(image);
    }
    SetTextOf(dialog, "player-name", m_social.giftPlayerName);
    CKetrelString price;
    price.Format(L"%d", g->total);
    SetTextOf(dialog, "value_price", price);
}

int CBrixMenuState::OnShowConfirmBuyPlayerGiftDialog(CWidget* widget)
{
    FillConfirmPlayerGift(widget);
    return 1;
}

int CBrixMenuState::OnOkBuyPlayerGiftConfirm(CWidget*)
{
    if (CBrixPendingGift* g = m_social.pendingGift)
    {
        if (m_host)
            m_host->ConfirmBuyPlayerItems(g->playerId, 0, g->itemIds);
        delete g;
        m_social.pendingGift = nullptr;
    }
    m_social.giftItems.RemoveAll();
    return 1;
}

void CBrixMenuState::OnConfirmBuyPlayerItemsResponse(int, int code, const CKetrelString& text)
{
    if (!text.IsEmpty())
    {
        ShowErrorDialog(code, text);
        return;
    }
    if (m_pageView)
        if (CInfiniteList* list = CInfiniteList::Cast(
                m_pageView->FindByPath(Text("//dialog_gift_list_selection//selection_gift_list_content"))))
            list->RequestReload();
}
