// lobby/BrixMenuMe.cpp: the "me" page: the user's own row, the last results and the first
// achievements.
#include "lobby/BrixMenuState.h"

#include "framework/BrixGameState.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "net/BerHandCodec.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"

#include <new>

namespace
{
const i32 kAchievementRows = 5;

CTextWidget* FindText(CWidget* under, const wchar_t* format, i32 n)
{
    if (!under)
        return nullptr;
    CKetrelString name;
    name.Format(format, n);
    return CTextWidget::Cast(under->FindChild(name, -1));
}

void FreeRowRecord(CWidget* row)
{
    if (!row)
        return;
    delete static_cast<CPlayerListItem*>(row->GetUserData());
    row->SetUserData(nullptr);
}
}

int CBrixMenuState::OnLoadSelf(CWidget* widget)
{
    if (!m_host || !m_host->HasSession())
        return 1;
    m_meRow = widget;
    const CKetrelString none;
    m_host->RequestPlayerList(32, none, 0, 0, -1, 0, &OnOwnPlayer, this);
    m_host->RequestPlayerList(32, none, 0, 0, 0, 1, &OnOwnPlayer, this);
    m_host->RequestGameResults(6, -1);
    m_host->RequestCoinBalance();
    m_host->RequestAchievementList(0, 5, 0, m_game ? m_game->GetGameId() : m_host->GetGameId());
    return 1;
}

int CBrixMenuState::OnUnloadSelf(CWidget* widget)
{
    FreeRowRecord(widget);
    if (widget == m_meRow || !widget)
        m_meRow = nullptr;
    return 1;
}

int CBrixMenuState::OnRefreshSelf(CWidget* widget)
{
    OnUnloadSelf(widget);
    return OnLoadSelf(widget);
}

int CBrixMenuState::OnShowMe(CWidget* widget)
{
    if (CInfiniteList* list = CInfiniteList::Cast(widget))
    {
        list->SetItemCount(0);
        list->SetItemCount(1);
    }
    return 1;
}

void CBrixMenuState::OnOwnPlayer(void* context, int, int, int, const CKetrelArray<CGroupListItem>*,
                                 const CPlayerListItem* item, const u8*, int)
{
    CBrixMenuState* state = static_cast<CBrixMenuState*>(context);
    if (!state || !state->m_meRow || !item)
        return;
    // The row keeps its own copy of the user's record.
    CPlayerListItem* copy = new (std::nothrow) CPlayerListItem(*item);
    if (!copy)
        return;
    FreeRowRecord(state->m_meRow);
    state->m_meRow->SetUserData(copy);
}

void CBrixMenuState::OnGameResultItem(CBrixNetworkSession*, int index, const CGameResultItem& item)
{
    if (!m_meRow || index < 0 || index > 9999)
        return;
    static const u32 kColours[3] = {0xFFFF0000u, 0xFFFFCC00u, 0xFF00FF00u};
    static const i32 kTexts[3] = {RESULT_TEXT_LOST, RESULT_TEXT_DRAW, RESULT_TEXT_WON};
    const i32 result = item.values[0];
    // A result outside the table shows no verdict, in the cells' own colours.
    const bool known = result >= -1 && result <= 1;
    const i32 n = index + 1;
    if (CTextWidget* cell = FindText(m_meRow, L"my_result_%d", n))
    {
        cell->SetText(known ? m_host->GetLanguageText(kTexts[result + 1]) : CKetrelString());
        if (known)
            cell->SetColor(kColours[result + 1]);
    }
    if (CTextWidget* cell = FindText(m_meRow, L"my_points_%d", n))
    {
        CKetrelString points;
        points.Format(L"%d", item.values[1]);
        cell->SetText(points);
        if (known)
            cell->SetColor(kColours[result + 1]);
    }
    if (CTextWidget* cell = FindText(m_meRow, L"my_opponent_%d", n))
        cell->SetText(item.text4);
}

void CBrixMenuState::OnAchievementList(int, int, int, const CKetrelArray<CAchievementInfo>& list, int)
{
    if (!m_pageView)
        return;
    IUIApplication* ui = m_host ? m_host->GetUIApplication() : nullptr;
    IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
    for (i32 i = 1; i <= kAchievementRows; ++i)
    {
        CTextWidget* row = FindText(m_pageView, L"my_achievement_%d", i);
        if (!row)
            continue;
        CKetrelString imageName;
        imageName.Format(L"my_achievement_image_%d", i);
        CImageWidget* image = CImageWidget::Cast(m_pageView->FindChild(imageName, -1));
        if (list.GetCount() > i - 1)
        {
            row->SetText(list[i - 1].text2);
            if (image && resources)
            {
                CKetrelSurface* trophy = resources->GetImage(CKetrelString(kBrixTrophyImage), 0);
                image->SetImage(trophy);
                resources->ReleaseImage(&trophy);
            }
        }
        else
        {
            row->SetText(CKetrelString());
            if (image)
                image->SetImage(nullptr);
        }
    }
}

void CBrixMenuState::OnItemDataList(const CKetrelArray<CItemData>& items) { m_packs.OnItemDataList(items, &m_itemData); }

void CBrixMenuState::OnDataChunk(int itemId, int offset, const u8* data, int size, int remaining)
{
    m_packs.OnDataChunk(itemId, offset, data, size, remaining);
}
