// lobby/BrixMenuStatePlayers.cpp: the players page: the global and follow lists loaded
// page by page, their rows, expanding rows, follow, unfollow and block, the chat page's
// player details and the tournament scores of rows and of the me page.
#include "lobby/BrixMenuState.h"

#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "ui/Expandable.h"
#include "ui/GridLayout.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/UIServices.h"
#include "ui/WebButton.h"

#include <GLES2/gl2.h>
#include <new>

using BrixMenuKit::Text;
using BrixMenuKit::Child;
using BrixMenuKit::RowOf;
using BrixMenuKit::SetTextOf;
using BrixMenuKit::SetNumberOf;
using BrixMenuKit::SetVisibleOf;
using BrixMenuKit::SetToggledOf;

namespace
{
const i32 kListGlobal = 0;
const i32 kListFollow = 64;
const i32 kFlagOnline = 1;
const i32 kFlagFollowed = 16;
const i32 kFlagBlocked = 0x100;
const i32 kTextFollowed = 38;
const i32 kTextUnfollowed = 39;
const i32 kTextBlocked = 40;
const i32 kTextUnblocked = 41;
const f32 kScrollSeconds = 0.5f;
const i32 kMaxTournamentRows = 64;     // a reply cannot grow the me page without bound

// Shared by every menu state: the list survives layouts and states.
i32 s_playerListKind = kListFollow;

CKetrelString Percent(i32 value, i32 games)
{
    CKetrelString s;
    if (games <= 0)
    {
        s.FromInt(0);
        return s;
    }
    const f32 p = (f32)value * 100.0f / (f32)games;
    s.FromInt((i32)p);
    return s;
}
}

i32 CBrixMenuState::GetPlayerListKind() { return s_playerListKind; }
void CBrixMenuState::SetPlayerListKind(i32 kind) { s_playerListKind = kind; }

// ---- records ----------------------------------------------------------------------------

CPlayerListItem* CBrixMenuState::GetRowRecord(const CWidget* row) const
{
    if (!row || !row->GetUserData())
        return nullptr;
    for (i32 i = 0; i < m_social.records.GetCount(); ++i)
        if (m_social.records[i] == row->GetUserData())
            return m_social.records[i];
    return nullptr;
}

CPlayerListItem* CBrixMenuState::GetPlayerRecord(const CWidget* row)
{
    if (CPlayerListItem* r = GetRowRecord(row))
        return r;
    if (!row || !row->GetUserData())
        return nullptr;
    // The chat page's details, its avatar rows and the me row hold player records too;
    // any other row's user data (a shop row's item id) is no record.
    if (row->GetUserData() == &m_chatDetail)
        return &m_chatDetail;
    if (IsAvatarRow(row) || row == m_meRow)
        return static_cast<CPlayerListItem*>(row->GetUserData());
    return nullptr;
}

// ---- list page handlers -----------------------------------------------------------------

int CBrixMenuState::OnShowPlayersRoot(CWidget* widget)
{
    if (!m_pageView)
        return 1;
    if (CPageView* content = CPageView::Cast(m_pageView->FindByPath(Text("//players_root//players_content_root"))))
        content->Navigate(Text("global_page"));
    return OnShowPlayerlistItems(widget);
}

int CBrixMenuState::OnShowPlayerlistItems(CWidget*)
{
    if (!m_pageView)
        return 1;
    ClearPlayerSearch();
    s_playerListKind = kListGlobal;
    RefreshPlayers();
    return 1;
}

int CBrixMenuState::OnShowFollowItems(CWidget*)
{
    if (!m_pageView)
        return 1;
    ClearPlayerSearch();
    s_playerListKind = kListFollow;
    RefreshPlayers();
    return 1;
}

int CBrixMenuState::OnFilterPlayers(CWidget*)
{
    RefreshPlayers();
    return 1;
}

void CBrixMenuState::ClearPlayerSearch()
{
    if (!m_pageView)
        return;
    if (CTextWidget* search = CTextWidget::Cast(Child(m_pageView, "search_text")))
        search->SetText(CKetrelString());
    m_searchText = CKetrelString();
}

void CBrixMenuState::RefreshPlayers()
{
    if (!m_pageView)
        return;
    m_social.expandedItem = nullptr;
    m_social.challengeTarget.RemoveAll();
    if (CTextWidget* search = CTextWidget::Cast(Child(m_pageView, "search_text")))
        m_searchText = search->GetText();
    ResetPlayerLists();
    CWidget* page = m_pageView->FindByPath(
        Text((s_playerListKind & kListFollow) ? "//players_root//follow_page" : "//players_root//global_page"));
    SetVisibleOf(page, "no_results", false);
    SetVisibleOf(page, "loading", true);
    if (m_host && m_host->HasSession())
    {
        m_social.globalRows.clear();
        m_social.followRows.clear();
        m_host->ClearPendingPlayerListRequests();
        m_host->RequestPlayerList(s_playerListKind, m_searchText, 0, 0, -1, 0, &PlayerListCallback, this);
    }
}

void CBrixMenuState::ResetPlayerLists()
{
    if (!m_pageView)
        return;
    static const char* const kLists[] = {"//players_root//playerlist_global", "//players_root//playerlist_follow",
                                         "//me_root//list_me", kBrixPathAvatarList};
    for (const char* path : kLists)
        if (CInfiniteList* list = CInfiniteList::Cast(m_pageView->FindByPath(Text(path))))
        {
            list->RequestReload();
            list->SetItemCount(0);
        }
}

int CBrixMenuState::OnLoadPlayerlistItem(CWidget* widget)
{
    LoadRow(widget, m_social.globalRows);
    return 1;
}

int CBrixMenuState::OnLoadFollowItem(CWidget* widget)
{
    LoadRow(widget, m_social.followRows);
    return 1;
}

int CBrixMenuState::OnLoadPlayerlistItemBatch(CWidget* widget)
{
    RequestRowBatch(widget);
    return 1;
}

int CBrixMenuState::OnLoadFollowItemBatch(CWidget* widget)
{
    if (m_pageView)
        RequestRowBatch(widget);
    return 1;
}

int CBrixMenuState::OnUnloadPlayerlistItem(CWidget* widget)
{
    UnloadRow(widget, m_social.globalRows, true);
    return 1;
}

int CBrixMenuState::OnUnloadFollowItem(CWidget* widget)
{
    UnloadRow(widget, m_social.followRows, false);
    return 1;
}

int CBrixMenuState::OnLoadPlayerlistGroup(CWidget* widget)
{
    LoadGroupLabel(widget, m_social.globalLabels);
    return 1;
}

int CBrixMenuState::OnLoadFollowGroup(CWidget* widget)
{
    LoadGroupLabel(widget, m_social.followLabels);
    return 1;
}

void CBrixMenuState::LoadRow(CWidget* row, CBrixRowMap& rows)
{
    if (!m_pageView || !row)
        return;
    if (CExpandable* e = CExpandable::Cast(row))
    {
        // Through state 1 and back, so that the row takes its collapsed size at once.
        e->SetState(0);
        e->SetState(1);
        e->SetState(0);
    }
    CInfiniteList* list = CInfiniteList::Cast(row->GetParent());
    if (!list)
        return;
    const i32 index = list->GetLoadingItemIndex(row);
    if (index >= 0)
        rows[index] = row;
}

void CBrixMenuState::RequestRowBatch(CWidget* sender)
{
    CInfiniteList* list = CInfiniteList::Cast(sender);
    if (!list || !m_host || !m_host->HasSession())
        return;
    i32 count = 0, first = -1;
    list->GetLoadBatch(&count, &first);
    // An empty batch (a list that made no rows this frame) asks for nothing.
    if (count < 1 || first < 0)
        return;
    m_host->RequestPlayerList(s_playerListKind, m_searchText, 0, 0, first, count, &PlayerListCallback, this);
}

void CBrixMenuState::UnloadRow(CWidget* row, CBrixRowMap& rows, bool disable)
{
    if (!row)
        return;
    if (row == m_social.expandedItem)
        m_social.expandedItem = nullptr;
    CInfiniteList* list = CInfiniteList::Cast(row->GetParent());
    const i32 index = list ? list->GetLoadingItemIndex(row) : -1;
    auto at = rows.find(index);
    if (at != rows.end() && at->second == row)
        rows.erase(at);
    else
        for (auto it = rows.begin(); it != rows.end(); ++it)
            if (it->second == row)
            {
                rows.erase(it);
                break;
            }
    if (CPlayerListItem* record = GetRowRecord(row))
    {
        for (i32 i = 0; i < m_social.records.GetCount(); ++i)
            if (m_social.records[i] == record)
            {
                m_social.records.RemoveAt(i);
                break;
            }
        delete record;
        row->SetUserData(nullptr);
    }
    if (disable)
        row->SetEnabled(false);
}

void CBrixMenuState::LoadGroupLabel(CWidget* row, const CKetrelArray<CKetrelString>& labels)
{
    CTextWidget* label = CTextWidget::Cast(Child(row, "label"));
    CInfiniteList* list = row ? CInfiniteList::Cast(row->GetParent()) : nullptr;
    if (!label || !list)
        return;
    const i32 index = list->GetLoadingItemIndex(row);
    if (index >= 0 && index < labels.GetCount())
        label->SetText(labels[index]);
}

void CBrixMenuState::ForgetSocialRows()
{
    m_social.globalRows.clear();
    m_social.followRows.clear();
    m_social.shopRows.clear();
    m_social.myItemsRows.clear();
    m_social.expandedItem = nullptr;
    m_social.reportLinkTemplate = CKetrelString();
}

// ---- list replies -----------------------------------------------------------------------

void CBrixMenuState::PlayerListCallback(void* context, int, int index, int total,
                                        const CKetrelArray<CGroupListItem>* groups, const CPlayerListItem* item,
                                        const u8* image, int imageSize)
{
    if (CBrixMenuState* state = static_cast<CBrixMenuState*>(context))
        state->OnPlayerListReply(index, total, groups, item, image, imageSize);
}

CKetrelSurface* CBrixMenuState::InstallImage(const CKetrelString& name, const u8* bytes, int size)
{
    IUIApplication* ui = m_host ? m_host->GetUIApplication() : nullptr;
    IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
    if (!resources)
        return nullptr;
    CKetrelSurface* surface = resources->GetImage(name, 0);
    if (surface)
        return surface;
    if (!bytes || size <= 0)
        return nullptr;
    CKetrelSurface* decoded = m_host->DecodePicture(bytes, size);
    if (!decoded)
        return nullptr;     // a picture that cannot be read is dropped
    // OpenGL ES draws a picture only from its texture.
    IKetrelGraphicsContext* gc = m_host->GetGraphicsContext();
    if (gc && gc->IsHardware() != 0)
        decoded->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    resources->RegisterImage(name, decoded);
    return resources->GetImage(name, 0);
}

void CBrixMenuState::ReleaseImage(CKetrelSurface* image)
{
    IUIApplication* ui = m_host ? m_host->GetUIApplication() : nullptr;
    IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
    if (resources && image)
        resources->ReleaseImage(&image);
}

void CBrixMenuState::OnPlayerListReply(int index, int total, const CKetrelArray<CGroupListItem>* groups,
                                       const CPlayerListItem* item, const u8* image, int imageSize)
{
    if (!m_pageView)
        return;
    const bool followLike = (s_playerListKind & 192) != 0;
    CBrixRowMap& rows = followLike ? m_social.followRows : m_social.globalRows;
    if (image && imageSize > 0)
    {
        CWidget* row = nullptr;
        for (auto& entry : rows)
        {
            CPlayerListItem* record = GetRowRecord(entry.second);
            if (record && record->id == index)
            {
                row = entry.second;
                break;
            }
        }
        CImageWidget* avatar = CImageWidget::Cast(Child(row, "player_avatar"));
        if (!avatar)
            return;
        CKetrelString name;
        name.Format(L"player_avatar_icon_%d", index);
        CKetrelSurface* surface = InstallImage(name, image, imageSize);
        if (!surface)
            return;
        avatar->SetImage(surface);
        if (CExpandable* e = RowOf(row))
            if (CImageWidget* small = CImageWidget::Cast(e->FindByPath(Text("//list_item_small//player_avatar_small"))))
                small->SetImage(surface);
        ReleaseImage(surface);
        return;
    }
    CInfiniteList* list = CInfiniteList::Cast(m_pageView->FindByPath(
        Text(followLike ? "//players_root//playerlist_follow" : "//players_root//playerlist_global")));
    CWidget* parent = list ? list->GetParent() : nullptr;
    if (!item)
    {
        if (!list)
            return;
        if (!groups)
        {
            if (total > 0)
                list->SetItemCount(total);
            else
            {
                list->SetItemCount(0);
                SetVisibleOf(parent, "no_results", true);
                SetVisibleOf(parent, "loading", false);
            }
        }
        else if (groups->GetCount() > 0)
        {
            CKetrelArray<CKetrelString>& labels = followLike ? m_social.followLabels : m_social.globalLabels;
            labels.RemoveAll();
            CKetrelArray<i32> sizes;
            i64 sum = 0;
            for (i32 i = 0; i < groups->GetCount(); ++i)
            {
                labels.Add((*groups)[i].name);
                // A negative size from the server counts as an empty group.
                const i32 n = (*groups)[i].value1 > 0 ? (*groups)[i].value1 : 0;
                sizes.Add(n);
                sum += n;
            }
            list->SetGroupSizes(sizes);
            if (sum == 0)
                SetVisibleOf(parent, "loading", false);
        }
        else
            list->SetItemCount(total);
        return;
    }
    if (!list)
        return;
    SetVisibleOf(parent, "no_results", false);
    SetVisibleOf(parent, "loading", false);
    auto at = rows.find(index);
    if (at == rows.end())
        return;     // unloaded meanwhile
    CWidget* row = at->second;
    CPlayerListItem* record = GetRowRecord(row);
    if (!record)
    {
        record = new (std::nothrow) CPlayerListItem();
        if (!record)
            return;
        m_social.records.Add(record);
        row->SetUserData(record);
    }
    *record = *item;
    FillPlayerItem(row);
    row->SetEnabled(true);
    if (m_social.challengeTarget.GetCount() > 0 && m_social.challengeTarget[0] == record->id)
        SetToggledOf(row, "player_invite_button", true);
    if (CWebButton* report = CWebButton::Cast(Child(row, "button-report")))
    {
        CKetrelString url = report->GetUrl();
        CKetrelString id;
        id.FromInt(record->id);
        url.Replace(Text("PLAYER_ID"), id);
        report->SetUrl(url);
    }
}

// ---- row contents -------------------------------------------------------------------------

void CBrixMenuState::FillPlayerItem(CWidget* row) { FillPlayerFields(row, GetRowRecord(row)); }

void CBrixMenuState::InstallSelfAvatar(const u8* image, int imageSize)
{
    CImageWidget* avatar = CImageWidget::Cast(Child(m_meRow, "player_avatar"));
    if (!avatar)
        return;
    if (CKetrelSurface* surface = InstallImage(Text("self_avatar"), image, imageSize))
    {
        avatar->SetImage(surface);
        ReleaseImage(surface);
    }
}

void CBrixMenuState::FillPlayerFields(CWidget* row, const CPlayerListItem* r)
{
    if (!row || !r)
        return;
    const bool online = (r->value5 & kFlagOnline) != 0;
    const bool followed = (r->value5 & kFlagFollowed) != 0;
    const bool blocked = (r->value5 & kFlagBlocked) != 0;
    CWidget* big = Child(row, "list_item_big");
    if (!big)
        big = row;
    if (CWidget* small = Child(row, "list_item_small"))
    {
        SetTextOf(small, "player_name", r->text1);
        SetVisibleOf(small, "player_status", online);
        SetVisibleOf(small, "challenge_button", online);
    }
    SetTextOf(big, "player_name", r->text1);
    CKetrelString followers;
    followers.Format(L"%d/%d", r->stats[6], r->stats[7]);
    SetTextOf(big, "player_followers", followers);
    SetTextOf(big, "player_location", r->text4);
    SetTextOf(big, "player_comment", r->text6);
    static const char* const kOnline[] = {"player_status", "player_invite_button", "button_challenge",
                                          "text_challenge"};
    for (const char* name : kOnline)
        SetVisibleOf(big, name, online);
    SetVisibleOf(big, "button_follow", !followed);
    SetVisibleOf(big, "text_follow", !followed);
    SetVisibleOf(big, "button_gift", followed);
    SetVisibleOf(big, "text_gift", followed);
    if (CExpandable* e = RowOf(big))
    {
        SetVisibleOf(e, "button_unfollow", followed);
        SetVisibleOf(e, "text_unfollow", followed);
        SetToggledOf(e, "button_block", blocked);
    }
    const i32 wins = r->stats[3], ties = r->stats[4], losses = r->stats[5];
    const i32 games = wins + ties + losses;
    SetNumberOf(big, "player_wins", wins);
    SetNumberOf(big, "my_ties", ties);
    SetNumberOf(big, "my_losses", losses);
    SetTextOf(big, "player_wins_percent", Percent(wins, games));
    SetTextOf(big, "my_ties_percent", Percent(ties, games));
    SetTextOf(big, "my_losses_percent", Percent(losses, games));
}

void CBrixMenuState::FillChatPlayerDetails(CWidget* details)
{
    // The chat page keeps a player record as the user data of its details.
    const CPlayerListItem* r = details ? static_cast<const CPlayerListItem*>(details->GetUserData()) : nullptr;
    if (!r)
        return;
    const bool online = (r->value5 & kFlagOnline) != 0;
    const bool followed = (r->value5 & kFlagFollowed) != 0;
    SetTextOf(details, "player_name", r->text1);
    SetNumberOf(details, "player_score", r->stats[2]);
    SetNumberOf(details, "player_rank", r->stats[1]);
    CKetrelString followers;
    followers.Format(L"%d/%d", r->stats[6], r->stats[7]);
    SetTextOf(details, "player_followers", followers);
    SetTextOf(details, "player_location", r->text4);
    SetTextOf(details, "player_comment", r->text6);
    if (CWebButton* report = CWebButton::Cast(Child(details, "button-report")))
    {
        // The link is made from the layout's template each time: the player id of an
        // earlier fill is no placeholder and may match other digits of the address.
        if (m_social.reportLinkTemplate.IsEmpty())
            m_social.reportLinkTemplate = report->GetUrl();
        CKetrelString url = m_social.reportLinkTemplate;
        CKetrelString id;
        id.FromInt(r->id);
        url.Replace(Text("PLAYER_ID"), id);
        report->SetUrl(url);
    }
    SetVisibleOf(details, "player_status", online);
    SetVisibleOf(details, "player_invite_button", online);
    SetVisibleOf(details, "button_follow", !followed);
    SetVisibleOf(details, "text_follow", !followed);
    SetVisibleOf(details, "button_gift", followed);
    SetVisibleOf(details, "text_gift", followed);
    if (CWidget* nasty = details->FindByPath(Text("//chat_nastybuttons")))
    {
        SetVisibleOf(nasty, "button_unfollow", followed);
        SetVisibleOf(nasty, "text_unfollow", followed);
        SetToggledOf(nasty, "button_block", (r->value5 & kFlagBlocked) != 0);
    }
}

// ---- expanding rows -----------------------------------------------------------------------

void CBrixMenuState::CollapseOther(CExpandable* keep, bool touchExtras, i32* offset)
{
    *offset = 0;
    CExpandable* other = m_social.expandedItem;
    if (!other || other == keep)
        return;
    const bool above = keep && other->GetRect().top < keep->GetRect().top;
    const i32 before = other->GetRect().Height();
    other->ExpandTo(0);
    if (touchExtras)
    {
        SetVisibleOf(other, "playerlist-item-nasty-buttons", false);
        SetToggledOf(other, "arrow", false);
    }
    m_social.expandedItem = nullptr;
    if (above)
        *offset = other->GetHeightOfState(0) - before;
}

void CBrixMenuState::ToggleExpand(CWidget* sender)
{
    CExpandable* row = RowOf(sender);
    i32 offset = 0;
    CollapseOther(row, true, &offset);
    m_social.expandedItem = row;
    if (!row)
        return;
    CWidget* small = Child(row, "list_item_small");
    CWidget* big = Child(row, "list_item_big");
    if (small && big)
    {
        if (row->GetState() != 0)
            big->SetVisible(false);
        else
            small->SetVisible(false);
    }
    const i32 state = row->GetState() < 1 ? 1 : 0;
    row->ExpandTo(state);
    SetToggledOf(row, "arrow", state == 0);
    ScrollIntoView(row, offset, false);
}

int CBrixMenuState::OnExpandListItem(CWidget* widget)
{
    ToggleExpand(widget);
    return 1;
}

int CBrixMenuState::OnEndExpandListItem(CWidget* widget)
{
    CExpandable* row = RowOf(widget);
    CWidget* small = Child(row, "list_item_small");
    CWidget* big = Child(row, "list_item_big");
    if (!small || !big)
        return 1;
    small->SetVisible(row->GetState() == 0);
    big->SetVisible(row->GetState() != 0);
    if (row->GetState() < 2)
        SetVisibleOf(row, "playerlist-item-nasty-buttons", false);
    return 1;
}

i32 CBrixMenuState::ToggleActionRow(CExpandable* row, const char* childName)
{
    const i32 s = row->GetState();
    if (s < 1)
        return 1;
    if (s == 1)
        SetVisibleOf(row, childName, true);
    row->ExpandTo(s == 1 ? 2 : 1);
    ScrollIntoView(row, 0, false);
    return 1;
}

int CBrixMenuState::OnExpandNastyButtons(CWidget*)
{
    CExpandable* row = m_social.expandedItem;
    if (!row || !Child(row, "playerlist-item-nasty-buttons"))
        return 0;
    return ToggleActionRow(row, "playerlist-item-nasty-buttons");
}

int CBrixMenuState::OnExpandChatNastyButtons(CWidget* widget)
{
    CExpandable* row = CExpandable::FindAncestor(widget);
    if (!row || !Child(row, "chat_nastybuttons"))
        return 0;
    return ToggleActionRow(row, "chat_nastybuttons");
}

int CBrixMenuState::OnPlayerDetails(CWidget* widget)
{
    CExpandable* row = CExpandable::FindAncestor(widget);
    if (!row)
        return 1;
    i32 offset = 0;
    CollapseOther(row, false, &offset);
    m_social.expandedItem = row;
    row->ExpandTo(row->GetState() % 2 + 1);
    ScrollIntoView(row, offset, true);
    return 1;
}

void CBrixMenuState::ScrollIntoView(CExpandable* row, i32 offset, bool detailsRule)
{
    CGridLayout* grid = row ? CGridLayout::Cast(row->GetParent()) : nullptr;
    if (!grid)
        return;
    const i32 top = row->GetRect().top;
    const i32 h = row->GetStateHeight();
    const i32 y = grid->GetScrollY();
    const i32 height = grid->GetRect().Height();
    if (top < y)
    {
        const i32 border = grid->GetBorder(1);
        grid->ScrollTo(grid->GetScrollX(), offset + top + (detailsRule ? border : -border), kScrollSeconds);
    }
    else if (top + h > y + height)
        grid->ScrollTo(grid->GetScrollX(), offset + top + h - height - grid->GetBorder(3), kScrollSeconds);
}

// ---- relations ----------------------------------------------------------------------------

void CBrixMenuState::SetFollow(CWidget* sender, i32 value)
{
    if (!m_host || !m_host->HasSession())
        return;
    CExpandable* row = CExpandable::FindAncestor(sender);
    CPlayerListItem* r = GetRowRecord(row);
    if (!r || r->id == m_host->GetOwnPlayerId())
        return;
    m_host->SendPlayerRelation(r->id, 1, value, CKetrelString());
    if (value == 0)
        r->value5 |= kFlagFollowed;
    else
        r->value5 &= ~kFlagFollowed;
    FillPlayerItem(row);
    const CKetrelString format = m_host->GetLanguageText(value == 0 ? kTextFollowed : kTextUnfollowed);
    CKetrelString toast;
    if (!format.IsEmpty())
        toast.Format(format.GetBuffer(), r->text1);
    m_host->ShowToast(toast, 0, 0.0f);
}

int CBrixMenuState::OnFollow(CWidget* widget)
{
    SetFollow(widget, 0);
    return 1;
}

int CBrixMenuState::OnUnfollow(CWidget* widget)
{
    SetFollow(widget, 1);
    return 1;
}

i32 CBrixMenuState::Block(CWidget* sender, bool toggleFlag)
{
    CToggleButton* toggle = CToggleButton::Cast(sender);
    CWidget* row = CExpandable::FindAncestor(toggle);
    // The chat page's details hold their record themselves; the lists' rows in the registry.
    CPlayerListItem* r = toggleFlag ? GetPlayerRecord(row) : GetRowRecord(row);
    if (!r)
        return 0;
    if (m_host && m_host->HasSession())
    {
        const bool blocked = toggle->IsToggled();
        m_host->BlockUser(r->id, blocked ? 1 : 0);
        const CKetrelString format = m_host->GetLanguageText(blocked ? kTextBlocked : kTextUnblocked);
        CKetrelString toast;
        if (!format.IsEmpty())
            toast.Format(format.GetBuffer(), r->text1);
        m_host->ShowToast(toast, 0, 0.0f);
    }
    if (toggleFlag)
        r->value5 ^= kFlagBlocked;
    return 1;
}

int CBrixMenuState::OnBlock(CWidget* widget) { return Block(widget, false); }
int CBrixMenuState::OnBlockChat(CWidget* widget) { return Block(widget, true); }

void CBrixMenuState::OnPlayerRelationChanged(CBrixNetworkSession*, int playerId, int kind, int state,
                                             const CKetrelString&, const CKetrelString&)
{
    if (kind != 3)
        return;
    for (auto& entry : m_social.globalRows)
    {
        CPlayerListItem* r = GetRowRecord(entry.second);
        if (!r || r->id != playerId)
            continue;
        if (state == 0)
            r->value5 |= kFlagFollowed;
        else if (state == 1)
            r->value5 &= ~kFlagFollowed;
        FillPlayerItem(entry.second);
        break;
    }
}

// ---- tournament scores --------------------------------------------------------------------

void CBrixMenuState::OnTournamentScores(const CKetrelArray<CKetrelString>& names,
                                        const CKetrelArray<CUserTournamentScores>& scores, int flags)
{
    if (names.GetCount() == 0 || scores.GetCount() == 0 || !m_pageView || !m_host)
        return;
    const CUserTournamentScores& first = scores[0];
    if (flags & 1)
    {
        if (first.userId != m_host->GetOwnPlayerId())
            return;
        CGridLayout* grid = CGridLayout::Cast(Child(m_pageView, "tournament_scores_list"));
        if (!grid)
            return;
        CWidget* itemTemplate = Child(grid, "score_item");
        if (!itemTemplate)
            itemTemplate = grid->GetItemTemplate();
        // The clones of an earlier reply go first, so that a repeated reply shows the
        // scores once and the page keeps its size.
        for (i32 i = grid->GetChildCount() - 1; i >= 0; --i)
        {
            CWidget* child = grid->GetChild(i);
            if (child && child != itemTemplate && child->GetName().StartsWith(Text("me_score_")))
                grid->DeleteChild(child);
        }
        const i32 count = names.GetCount() < kMaxTournamentRows * 2 ? names.GetCount() : kMaxTournamentRows * 2;
        const i32 rows = (count + 1) / 2;
        CWidget* container = grid->FindByPath(Text("<tournament_container"));
        CWidget* row = container ? grid->FindByPath(Text("<0")) : nullptr;
        if (row)
        {
            // Sized from the template's row height, not from the grid's present height:
            // a repeated reply gives the same size again.
            const i32 rowHeight = itemTemplate && itemTemplate->GetHeight() > 0 ? itemTemplate->GetHeight() : 1;
            const i32 height = rows * rowHeight;
            const i32 grow = height - container->GetHeight();
            CWidget* sized[] = {container, grid->FindByPath(Text("<tournament_scores_root")), grid};
            for (CWidget* w : sized)
                if (w)
                {
                    CKetrelRect r = w->GetRect();
                    r.bottom = r.top + height;
                    w->SetRect(r);
                }
            grid->Update(0.0f);
            CKetrelRect r = row->GetRect();
            r.bottom += grow;
            row->SetRect(r);
        }
        grid->SetNumRows(rows);
        if (first.scores.GetCount() != names.GetCount() || !itemTemplate)
            return;
        for (i32 i = 0; i < count; ++i)
        {
            CWidget* clone = itemTemplate->Clone();
            if (!clone)
                return;
            clone->SetVisible(true);
            CKetrelString name;
            name.Format(L"me_score_%s", names[i]);
            clone->SetName(name);
            SetTextOf(clone, "score_name", names[i]);
            SetNumberOf(clone, "score_number", first.scores[i]);
            if (!grid->AddChild(clone))
                CWidget::Destroy(clone);
        }
        return;
    }
    if (!(flags & (2 | 4 | 32)))
    {
        if ((flags & 8) && first.scores.GetCount() > 0)
        {
            CWidget* page = m_pageView->GetCurrentPage();
            if (page && page->GetName().Equals(Text("challenge_received")))
                SetNumberOf(page, "player_score", first.scores[0]);
        }
        return;
    }
    const bool chat = !(flags & (2 | 4));
    for (i32 u = 0; u < scores.GetCount(); ++u)
    {
        const CUserTournamentScores& user = scores[u];
        if (user.scores.GetCount() < 1)
            continue;
        if (chat)
        {
            // The avatar rows' records, and the details' copy of one of them.
            for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
            {
                CPlayerListItem* r = GetPlayerRecord(m_avatarItems[i].item);
                if (r && r->id == user.userId)
                    r->stats[2] = user.scores[0];
            }
            if (m_chatDetail.id == user.userId)
            {
                m_chatDetail.stats[2] = user.scores[0];
                RefillChatDetails();   // open details show their copy
            }
            continue;
        }
        CBrixRowMap& rows = (flags & 2) ? m_social.globalRows : m_social.followRows;
        for (auto& entry : rows)
        {
            CPlayerListItem* r = GetRowRecord(entry.second);
            if (!r || r->id != user.userId)
                continue;
            SetNumberOf(Child(entry.second, "list_item_small"), "player_score", user.scores[0]);
            SetNumberOf(Child(entry.second, "list_item_big"), "player_score", user.scores[0]);
            break;
        }
    }
}
