// lobby/BrixMenuStateShop.cpp: the shop and my-items pages, item pictures, purchases with
// their confirmation, using items, the coin balance and the game's item catalogue.
#include "lobby/BrixMenuState.h"

#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixItemRecord.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/UIServices.h"

#include <cstdint>
#include <new>

using BrixMenuKit::Text;
using BrixMenuKit::Child;
using BrixMenuKit::RowOf;
using BrixMenuKit::SetTextOf;
using BrixMenuKit::SetNumberOf;
using BrixMenuKit::SetVisibleOf;

namespace
{
// Purchase kinds of RequestBuyItem.
const i32 kBuyShop = 0;
const i32 kBuyMore = 256;
const i32 kRefill = 258;
const i32 kItemsPage = 100;
const i32 kCategoryItemData = 0x200;
const i32 kCategoryMatch = 0x400;

// Fields of CShopItemData::values.
enum { kPrice, kGiftPrice, kRefillPrice, kGroupId, kI8, kAmount, kI10, kState, kPackId };
// Fields of CShopGroupData.
inline i32 GroupKind(const CShopGroupData& g) { return g.value2; }
inline i32 GroupG4(const CShopGroupData& g) { return g.value4; }
inline i32 GroupItemCount(const CShopGroupData& g) { return g.value5; }

bool IsItemDataCategory(i32 flags)
{
    return (flags >= kCategoryItemData && flags <= kCategoryItemData + 0xFF) || (flags & ~0xFF) == kCategoryMatch;
}

const CKetrelString& ShownName(const CShopItemData& item) { return item.text13.IsEmpty() ? item.text1 : item.text13; }

// The item id a shop or my-items row holds as its user data; 0 when none.
i32 RowItemId(const CWidget* row)
{
    return row ? (i32)(intptr_t)row->GetUserData() : 0;
}

void SetRowItemId(CWidget* row, i32 id) { row->SetUserData((void*)(intptr_t)id); }

// Removes a button of the grid (a missing one counts as absent).
void RemoveFromGrid(CWidget* grid, const char* name)
{
    if (CWidget* w = Child(grid, name))
        if (CWidget* parent = w->GetParent())
            parent->DeleteChild(w);
}
}

// ---- pages ------------------------------------------------------------------------------

int CBrixMenuState::OnShowShop(CWidget*)
{
    if (m_host)
        m_host->RequestCoinBalance();
    return 1;
}

void CBrixMenuState::ResetShopBookkeeping(bool shop)
{
    if (shop)
        m_social.shopItems.clear();
    (shop ? m_social.shopRows : m_social.myItemsRows).clear();
    m_social.expandedItem = nullptr;
    CInfiniteList* list = shop ? m_shopList : m_myItemsList;
    if (list)
    {
        list->RequestReload();
        SetVisibleOf(list->GetParent(), "no_results", false);
        SetVisibleOf(list->GetParent(), "loading", true);
    }
}

int CBrixMenuState::OnShowShopItems(CWidget*)
{
    ResetShopBookkeeping(true);
    if (m_host)
        m_host->RequestShopGroups(0);
    return 1;
}

int CBrixMenuState::OnShowMyItems(CWidget*)
{
    ResetShopBookkeeping(false);
    if (m_host)
        m_host->RequestShopGroups(1);
    return 1;
}

int CBrixMenuState::OnLoadShopGroup(CWidget* widget)
{
    CInfiniteList* list = widget ? CInfiniteList::Cast(widget->GetParent()) : nullptr;
    if (!list)
        return 1;
    const i32 index = list->GetLoadingItemIndex(widget);
    if (index >= 0 && index < m_social.shopGroups.GetCount())
        SetTextOf(widget, "label", m_social.shopGroups[index].name);
    return 1;
}

void CBrixMenuState::LoadItemRow(CWidget* row, CBrixRowMap& rows)
{
    if (!m_pageView || !row)
        return;
    if (CExpandable* e = CExpandable::Cast(row))
    {
        e->SetState(0);
        e->SetState(1);
        e->SetState(0);
    }
    CInfiniteList* list = CInfiniteList::Cast(row->GetParent());
    const i32 index = list ? list->GetLoadingItemIndex(row) : -1;
    if (index < 0)
        return;
    if (CTextWidget* placeholder = CTextWidget::Cast(Child(row, "item-name")))
    {
        CKetrelString text;
        text.Format(L"%s %d", placeholder->GetName(), index);
        placeholder->SetText(text);
    }
    SetRowItemId(row, 0);
    rows[index] = row;
}

void CBrixMenuState::UnloadItemRow(CWidget* row, CBrixRowMap& rows)
{
    if (!row)
        return;
    if (row == m_social.expandedItem)
        m_social.expandedItem = nullptr;
    if (row == m_expandedShopItem)
        m_expandedShopItem = nullptr;
    for (auto it = rows.begin(); it != rows.end(); ++it)
        if (it->second == row)
        {
            rows.erase(it);
            break;
        }
    row->SetUserData(nullptr);
}

int CBrixMenuState::OnLoadShopItem(CWidget* widget)
{
    LoadItemRow(widget, m_social.shopRows);
    return 1;
}

int CBrixMenuState::OnLoadMyItem(CWidget* widget)
{
    LoadItemRow(widget, m_social.myItemsRows);
    return 1;
}

void CBrixMenuState::RequestItemBatch(CWidget* widget, i32 flags)
{
    CInfiniteList* list = CInfiniteList::Cast(widget);
    if (!m_pageView || !list || !m_host || !m_host->HasSession())
        return;
    i32 count = 0, first = -1;
    list->GetLoadBatch(&count, &first);
    if (count > 0 && first >= 0)
        m_host->RequestItemsPage(flags, count, first);
}

int CBrixMenuState::OnLoadShopItemBatch(CWidget* widget)
{
    RequestItemBatch(widget, 0);
    return 1;
}

int CBrixMenuState::OnLoadMyItemBatch(CWidget* widget)
{
    RequestItemBatch(widget, 1);
    return 1;
}

int CBrixMenuState::OnUnloadShopItem(CWidget* widget)
{
    UnloadItemRow(widget, m_social.shopRows);
    return 1;
}

int CBrixMenuState::OnUnloadMyItem(CWidget* widget)
{
    UnloadItemRow(widget, m_social.myItemsRows);
    return 1;
}

// ---- replies ----------------------------------------------------------------------------

void CBrixMenuState::OnShopGroups(int flags, const CKetrelArray<CShopGroupData>& groups)
{
    if (IsItemDataCategory(flags))
    {
        m_social.expectedItems = 0;
        for (i32 i = 0; i < groups.GetCount(); ++i)
        {
            if (GroupItemCount(groups[i]) > 0)
                m_social.expectedItems += GroupItemCount(groups[i]);
            if (m_social.itemGroups.find(groups[i].id) == m_social.itemGroups.end())
                m_social.itemGroups[groups[i].id] = groups[i];
        }
        m_itemData.RemoveAll();
        if (m_host)
            m_host->RequestItemsPage(flags, kItemsPage, 0);
        return;
    }
    m_social.shopGroups = groups;
    CKetrelArray<i32> counts;
    for (i32 i = 0; i < groups.GetCount(); ++i)
        counts.Add(GroupItemCount(groups[i]) > 0 ? GroupItemCount(groups[i]) : 0);
    const i32 low = flags & 0xFF;
    if (low != 0 && low != 1)
        return;
    CInfiniteList* list = low == 0 ? m_shopList : m_myItemsList;
    if (!list)
        return;
    list->SetGroupSizes(counts);
    SetVisibleOf(list->GetParent(), "no_results", groups.GetCount() == 0);
    SetVisibleOf(list->GetParent(), "loading", groups.GetCount() != 0);
}

void CBrixMenuState::OnShopItems(int flags, int offset, const CKetrelArray<CShopItemData>& items)
{
    if (!IsItemDataCategory(flags))
    {
        if ((flags & 0xFF) == 0)
            FillShopPage(offset, items);
        else if ((flags & 0xFF) == 1)
            FillMyItemsPage(offset, items);
        return;
    }
    for (i32 i = 0; i < items.GetCount(); ++i)
    {
        const CShopItemData& item = items[i];
        auto group = m_social.itemGroups.find(item.values[kGroupId]);
        const bool known = group != m_social.itemGroups.end();
        // The seven-word layout the game reads.
        CItemData record;
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_ENABLED, item.values[kState] != 0 ? 1 : 0);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_ID, item.id);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_AMOUNT, item.values[kAmount]);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_PACK, item.values[kPackId]);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_GROUP, known ? GroupG4(group->second) : -1);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_FILE, item.value14);
        CBrixItemRecord::SetWord(record, BRIX_ITEM_WORD_KIND, known ? GroupKind(group->second) : 0);
        m_itemData.Add(record);
    }
    // A page with no items ends the catalogue too: asking again would repeat it forever.
    if (items.GetCount() > 0 && offset >= 0 && (i64)offset + items.GetCount() < m_social.expectedItems)
    {
        if (m_host)
            m_host->RequestItemsPage(flags, kItemsPage, offset + items.GetCount());
        return;
    }
    m_social.expectedItems = 0;
    if ((flags & ~0xFF) == kCategoryMatch)
    {
        if (m_host)
            m_host->SendGameReady();
    }
    else if ((flags & ~0xFF) == kCategoryItemData)
    {
        if (m_host)
            m_host->SendRequest94();
        m_social.catalogueComplete = 1;
    }
}

void CBrixMenuState::FillShopPage(i32 offset, const CKetrelArray<CShopItemData>& items)
{
    if (m_shopList)
    {
        SetVisibleOf(m_shopList->GetParent(), "no_results", false);
        SetVisibleOf(m_shopList->GetParent(), "loading", false);
    }
    for (i32 i = 0; i < items.GetCount(); ++i)
    {
        const CShopItemData& item = items[i];
        m_social.shopItems[item.id] = item;
        auto at = m_social.shopRows.find(offset + i);
        if (at == m_social.shopRows.end())
            continue;
        CWidget* row = at->second;
        SetRowItemId(row, item.id);
        if (CWidget* small = Child(row, "list_item_small"))
        {
            CImageWidget* icon = CImageWidget::Cast(Child(small, "icon-item"));
            if (icon && !icon->GetImage() && m_host)
            {
                CKetrelArray<i32> ids;
                ids.Add(item.id);
                m_host->RequestShopItemImages(ids, 0);
            }
            SetTextOf(small, "item_name", ShownName(item));
            SetNumberOf(small, "price-value", item.values[kPrice]);
        }
        if (CWidget* big = Child(row, "list_item_big"))
        {
            SetTextOf(big, "item_name", ShownName(item));
            SetTextOf(big, "item_descshort", item.text2);
            SetTextOf(big, "info_descfull", item.text3);
            SetNumberOf(big, "item_price", item.values[kPrice]);
            SetNumberOf(big, "gift_price", item.values[kGiftPrice]);
        }
    }
}

CKetrelString CBrixMenuState::GetTimeText(i32 t)
{
    struct Step
    {
        i32 below;      // t below this value
        i32 unit;       // seconds per n
        i32 one;        // text for n = 1
        bool oneTakesN;
        i32 many;       // text for other n
    };
    static const Step kSteps[] = {
        {3600, 60, 186, true, 193},           {86400, 3600, 187, false, 194},
        {604800, 86400, 188, false, 195},     {2628000, 604800, 189, false, 196},
        {31536000, 2628000, 190, true, 197},
    };
    if (!m_host)
        return CKetrelString();
    if (t <= 0)
        return m_host->GetLanguageText(184);
    if (t < 60)
        return m_host->GetLanguageText(185);
    for (const Step& s : kSteps)
        if (t < s.below)
        {
            const i32 n = t / s.unit;
            const CKetrelString format = m_host->GetLanguageText(n == 1 ? s.one : s.many);
            if (n == 1 && !s.oneTakesN)
                return format;
            CKetrelString out;
            if (!format.IsEmpty())
                out.Format(format.GetBuffer(), n);
            return out;
        }
    return m_host->GetLanguageText(191);
}

void CBrixMenuState::FillMyItemsPage(i32 offset, const CKetrelArray<CShopItemData>& items)
{
    if (m_myItemsList)
    {
        SetVisibleOf(m_myItemsList->GetParent(), "no_results", false);
        SetVisibleOf(m_myItemsList->GetParent(), "loading", false);
    }
    for (i32 i = 0; i < items.GetCount(); ++i)
    {
        const CShopItemData& item = items[i];
        m_social.shopItems[item.id] = item;
        auto at = m_social.myItemsRows.find(offset + i);
        if (at == m_social.myItemsRows.end())
            continue;
        CWidget* row = at->second;
        i32 kind = 0;
        for (i32 g = 0; g < m_social.shopGroups.GetCount(); ++g)
            if (m_social.shopGroups[g].id == item.values[kGroupId])
            {
                kind = GroupKind(m_social.shopGroups[g]);
                break;
            }
        SetRowItemId(row, item.id);
        const bool state = item.values[kState] != 0;
        CKetrelString pieces;
        if (kind == 4 || kind == 5)
            pieces.Format(L"x%d", item.values[kAmount]);
        if (CWidget* small = Child(row, "list_item_small"))
        {
            CImageWidget* icon = CImageWidget::Cast(Child(small, "icon-item"));
            if (icon && !icon->GetImage() && m_host)
            {
                CKetrelArray<i32> ids;
                ids.Add(item.id);
                m_host->RequestShopItemImages(ids, 0);
            }
            SetTextOf(small, "item_name", item.text1);
            SetTextOf(small, "value_pcs", pieces);
            if (kind == 1 || kind == 3)
                RemoveFromGrid(small, "enable-item");
            else if (CToggleButton* enable = CToggleButton::Cast(Child(small, "enable-item")))
                enable->SetToggled(state);
        }
        CWidget* big = Child(row, "list_item_big");
        if (!big)
            continue;
        SetTextOf(big, "item_name", item.text1);
        SetTextOf(big, "item_descshort", item.text2);
        SetTextOf(big, "info_descfull", item.text3);
        SetTextOf(big, "info_message", kind == 3 ? GetTimeText(item.values[kAmount]) : pieces);
        CWidget* grid = Child(big, "button-grid");
        bool toggles = true;
        switch (kind)
        {
        case 1: RemoveFromGrid(grid, "enable-item"); RemoveFromGrid(grid, "buy-button");
                RemoveFromGrid(grid, "refill-button"); toggles = false; break;
        case 2: RemoveFromGrid(grid, "buy-button"); RemoveFromGrid(grid, "refill-button"); break;
        case 3: RemoveFromGrid(grid, "enable-item"); RemoveFromGrid(grid, "refill-button"); toggles = false; break;
        case 4: RemoveFromGrid(grid, "refill-button"); break;
        case 5: RemoveFromGrid(grid, "buy-button"); break;
        default: SetVisibleOf(grid, "gift-button", false); break;
        }
        if (toggles)
            if (CToggleButton* enable = CToggleButton::Cast(Child(grid, "enable-item")))
                enable->SetToggled(state);
        if (CWidget* buy = Child(grid, "buy-button"))
            SetNumberOf(buy, "item_price", item.values[kPrice]);
        if (CWidget* gift = Child(grid, "gift-button"))
            SetNumberOf(gift, "gift_price", item.values[kGiftPrice]);
        if (CWidget* refill = Child(grid, "refill-button"))
            SetNumberOf(refill, "refill_price", item.values[kRefillPrice]);
    }
}

// ---- item pictures ------------------------------------------------------------------------

void CBrixMenuState::ShowItemImage(CBrixRowMap& rows, i32 itemId, i32 size, CKetrelSurface* image, bool shopRows)
{
    for (auto& entry : rows)
    {
        CWidget* row = entry.second;
        if (RowItemId(row) != itemId)
            continue;
        if (size == 0)
        {
            static const char* const kIcons[] = {"//list_item_small//icon-item", "//list_item_big//icon-item"};
            for (const char* path : kIcons)
                if (CImageWidget* icon = CImageWidget::Cast(row->FindByPath(Text(path))))
                {
                    icon->SetImage(image);
                    for (i32 c = 0; c < icon->GetChildCount(); ++c)
                        icon->GetChild(c)->SetVisible(false);
                }
        }
        else if (size == 1)
        {
            if (CImageWidget* large = CImageWidget::Cast(Child(row, kBrixLargeIconItem)))
            {
                large->SetImage(image);
                large->SetVisible(true);
                if (shopRows)
                {
                    large->SetBlendColor(0x00FFFFFFu);
                    m_largeIconFade = 1.0f;
                }
            }
        }
        return;
    }
}

void CBrixMenuState::OnShopItemImage(int itemId, int size, const u8* image, int imageSize)
{
    if (!image || imageSize <= 0 || (size != 0 && size != 1))
        return;
    CKetrelString name;
    name.Format(L"shop:icon:%d:%d", itemId, size);
    CKetrelSurface* surface = InstallImage(name, image, imageSize);
    if (!surface)
        return;
    ShowItemImage(m_social.shopRows, itemId, size, surface, true);
    ShowItemImage(m_social.myItemsRows, itemId, size, surface, false);
    ReleaseImage(surface);
}

int CBrixMenuState::OnShopItemEndExpand(CWidget* widget)
{
    m_expandedShopItem = RowOf(widget);
    m_largeIconDelay = 5.0f;
    return 1;
}

int CBrixMenuState::OnShopItemShowLargeIcon(CWidget* widget)
{
    CWidget* parent = widget ? widget->GetParent() : nullptr;
    CImageWidget* large = CImageWidget::Cast(Child(parent, kBrixLargeIconItem));
    if (!large)
        return 1;
    if (large->GetImage())
    {
        large->SetVisible(true);
        m_largeIconFade = 1.0f;
        widget->SetBlendColor(0x00FFFFFFu);
        return 1;
    }
    const i32 id = RowItemId(RowOf(widget));
    if (id > 0 && m_host)
    {
        CKetrelArray<i32> ids;
        ids.Add(id);
        m_host->RequestShopItemImages(ids, 1);
    }
    return 1;
}

int CBrixMenuState::OnShopItemHideLargeIcon(CWidget* widget)
{
    if (widget && widget->GetBlendColor() >= 0x01000000u)
    {
        widget->SetVisible(false);
        m_largeIconFade = 0.0f;
    }
    return 1;
}

// ---- purchases ----------------------------------------------------------------------------

int CBrixMenuState::OnBuyItem(CWidget* widget)
{
    CExpandable* row = RowOf(widget);
    const i32 id = RowItemId(row);
    if (id < 1 || !m_host)
        return 1;
    CWidget* list = row->GetParent();
    const bool mine = list && list->GetName().Equals(Text(kBrixMyItemsPageList));
    m_host->RequestBuyItem(id, mine ? kBuyMore : kBuyShop);
    return 1;
}

int CBrixMenuState::OnRefillItem(CWidget* widget)
{
    const i32 id = RowItemId(RowOf(widget));
    if (id >= 1 && m_host)
        m_host->RequestBuyItem(id, kRefill);
    return 1;
}

void CBrixMenuState::OnBuyItemPlayerInfo(int itemId, int kind, const CKetrelString& text,
                                         const CKetrelArray<CBuyItemPlayerInfo>& receivers)
{
    if (!text.IsEmpty())
    {
        ShowErrorDialog(kind, text);
        return;
    }
    if (!m_social.pendingPurchase)
        m_social.pendingPurchase = new (std::nothrow) CBrixPendingPurchase();
    if (!m_social.pendingPurchase)
        return;
    m_social.pendingPurchase->receivers.RemoveAll();
    m_social.pendingPurchase->kind = kind;
    m_social.pendingPurchase->itemId = itemId;
    if (receivers.GetCount() > 0)
    {
        m_social.receivers.RemoveAll();
        for (i32 i = 0; i < receivers.GetCount(); ++i)
        {
            CBrixReceiverEntry entry;
            entry.playerId = receivers[i].playerId;
            entry.name = receivers[i].text1;
            m_social.receivers.Add(entry);
        }
        if (m_pageView)
            m_pageView->Navigate(Text("dialog_list_selection"));
    }
    else if (m_pageView)
        m_pageView->Navigate(Text("confirm_buy_dialog"));
}

void CBrixMenuState::FillConfirmBuy(CWidget* dialog)
{
    const CBrixPendingPurchase* p = m_social.pendingPurchase;
    if (!p || !dialog)
        return;
    auto at = m_social.shopItems.find(p->itemId);
    if (at == m_social.shopItems.end())
        return;
    const CShopItemData& item = at->second;
    if (CImageWidget* icon = CImageWidget::Cast(Child(dialog, "item-icon")))
    {
        CKetrelString name;
        name.Format(L"shop:icon:%d:%d", item.id, 0);
        CKetrelSurface* image = InstallImage(name, nullptr, 0);
        icon->SetImage(image);
        for (i32 c = 0; c < icon->GetChildCount(); ++c)
            icon->GetChild(c)->SetVisible(image == nullptr);
        ReleaseImage(image);
    }
    SetTextOf(dialog, "item-name", ShownName(item));
    // The kinds of the requests carry the page in their high bits (256 buy more, 257 a
    // gift from the my-items page, 258 a refill): the price follows the low byte.
    i64 price = 0;
    switch (p->kind & 0xFF)
    {
    case 0: price = item.values[kPrice]; break;
    case 1: price = (i64)item.values[kGiftPrice] * p->receivers.GetCount(); break;
    case 2: price = item.values[kRefillPrice] < 1 ? item.values[kPrice] : item.values[kRefillPrice]; break;
    default: break;
    }
    CKetrelString text;
    text.Format(L"%d", (i32)(price > 0x7FFFFFFF ? 0x7FFFFFFF : (price < -0x7FFFFFFF ? -0x7FFFFFFF : price)));
    SetTextOf(dialog, "value_price", text);
}

int CBrixMenuState::OnShowConfirmBuyDialog(CWidget* widget)
{
    FillConfirmBuy(widget);
    return 1;
}

int CBrixMenuState::OnOkBuyConfirm(CWidget*)
{
    if (CBrixPendingPurchase* p = m_social.pendingPurchase)
    {
        if (m_host)
            m_host->ConfirmBuyItem(p->itemId, p->kind, p->receivers.GetCount() > 0 ? &p->receivers : nullptr);
        delete p;
        m_social.pendingPurchase = nullptr;
    }
    m_social.receivers.RemoveAll();
    return 1;
}

int CBrixMenuState::OnCancelBuyConfirm(CWidget*) { return 1; }

void CBrixMenuState::OnConfirmBuyItemResponse(int, int kind, const CKetrelString& text)
{
    if (!text.IsEmpty())
    {
        ShowErrorDialog(kind, text);
        return;
    }
    if (m_pageView)
        if (CInfiniteList* list =
                CInfiniteList::Cast(m_pageView->FindByPath(Text("//dialog_list_selection//selection_list_content"))))
            list->RequestReload();
    if (!m_host)
        return;
    switch (kind & ~0xFF)
    {
    case 0:
        if (m_shopList)
            m_shopList->RequestReload();
        m_host->RequestShopGroups(0);
        break;
    case 256:
        if (m_myItemsList)
            m_myItemsList->RequestReload();
        m_host->RequestShopGroups(1);
        break;
    default: m_host->RequestShopGroups(kind); break;
    }
}

// ---- items and coins ----------------------------------------------------------------------

int CBrixMenuState::OnEnableItem(CWidget* widget)
{
    CToggleButton* toggle = CToggleButton::Cast(widget);
    const i32 id = RowItemId(RowOf(widget));
    if (!toggle || id < 1)
        return 1;
    auto at = m_social.shopItems.find(id);
    if (at == m_social.shopItems.end())
        return 1;
    at->second.values[kState] = toggle->IsToggled() ? 1 : 0;
    if (m_host)
        m_host->UpdateItemState(id, at->second.values[kState]);
    return 1;
}

void CBrixMenuState::OnUpdateItemStateResponse(int itemId, int state, const CKetrelString& text, int otherItemId)
{
    for (auto& entry : m_social.myItemsRows)
    {
        const i32 id = RowItemId(entry.second);
        const bool mine = id == itemId && id != 0;
        const bool other = otherItemId != 0 && id == otherItemId;
        if (!mine && !other)
            continue;
        static const char* const kToggles[] = {"//list_item_big//enable-item", "//list_item_small//enable-item"};
        for (const char* path : kToggles)
            if (CToggleButton* t = CToggleButton::Cast(entry.second->FindByPath(Text(path))))
                t->SetToggled(mine ? state != 0 : false);
    }
    if (text.IsEmpty())
        m_itemDataChanged = 1;
    else
        ShowErrorDialog(0, text);
}

void CBrixMenuState::OnCoinBalance(int coins)
{
    m_social.coinBalance = coins;
    if (!m_pageView)
        return;
    CKetrelString text;
    text.Format(L"%d", coins);
    static const char* const kLabels[] = {"//shop_root//brixcoins_amount", "//list_me//brixcoins_amount",
                                          "//generic_error_dialog_more_coins//coins-value"};
    for (const char* path : kLabels)
        if (CTextWidget* label = CTextWidget::Cast(m_pageView->FindByPath(Text(path))))
            label->SetText(text);
}
