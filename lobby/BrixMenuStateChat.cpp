// lobby/BrixMenuStateChat.cpp: the chat page of a match: the backlog of lines, sending,
// the notifier, the players' avatars with their detail item, the rematch button, and the
// chat page's part in entering and leaving a match.
#include "lobby/BrixMenuState.h"

#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuWidgetKit.h"
#include "net/BrixLobby.h"
#include "net/BrixPlayer.h"
#include "ui/Bubble.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/RunningList.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

#include <new>

using BrixMenuKit::Text;

namespace
{
const char kKeyChatMessageSent[] = "__Brix_ChatMessageSent";
const char kKeyStartChangePageChat[] = "__Brix_StartChangePageChat";
const char kPathChatTextField[] = "//chat_root//chat_textfield";
const char kPathRematchButton[] = "//chat_root//rematch-button";
const char kPathChatAvatarList[] = "//chat_root//chat_avatars_root//avatar_list";
const char kPathExpandItem[] = "//chat_root//chat_expand_item";
const char kPathAvatarsRoot[] = "//chat_root//chat_avatars_root";
const char kPathExpandSlideArea[] = "//chat_root//chat_expand_slidearea";

const u32 kColourDefault = 0xFFFFFFFFu;
const u32 kColourOwn = 0xFFFFC000u;
const u32 kColourInfo = 0xFF2F9BCEu;
const u32 kColourHighlight = 0xFFFF6600u;

const i32 TEXT_REMATCH_OFFERED = 180;
const i32 TEXT_LEFT = 181;
const i32 TEXT_REMATCH_ASKED = 182;
const i32 TEXT_REMATCH_OWN = 183;
const i32 TEXT_DEPARTED = 198;
const i32 TEXT_PLAYERS = 199;

// A language text with the sender's name put in: the text is ours, the name is the
// server's and only ever an argument.
CKetrelString WithName(const CKetrelString& text, const CKetrelString& name)
{
    CKetrelString out;
    if (!text.IsEmpty())
        out.Format(text.GetBuffer(), name);
    return out;
}

bool CreateFlag(CBrixStatsStore* settings, const char* key)
{
    if (!settings || settings->FindEntry(Text(key)))
        return false;
    if (CBrixStatsEntry* e = settings->AddEntry(Text(key)))
        e->SetBool(1);
    settings->Save();
    return true;
}
}

u32 CBrixMenuState::ChatColour(const char* name, u32 fallback) const
{
    IUIApplication* ui = m_host ? m_host->GetUIApplication() : nullptr;
    IUITheme* theme = ui ? ui->GetTheme() : nullptr;
    u32 colour = fallback;
    if (theme && theme->FindColor(Text(name), &colour))
        return colour;
    return fallback;
}

i32 CBrixMenuState::AddChatLine(const CBrixChatRecord& record, i32 received)
{
    if (!m_pageView || !m_host)
        return 0;
    CBrixNetworkSession* session = m_host->GetNetworkSession();
    CBrixLobby* lobby = session ? session->GetLobby() : nullptr;
    CBrixPlayer* sender = lobby ? lobby->FindById(record.senderId) : nullptr;
    if (!sender)
        return 0;
    const CKetrelString& name = sender->GetName();
    CKetrelString line;
    u32 colour = ChatColour("chat_info", kColourInfo);
    i32 attention = 0;
    switch (record.kind)
    {
    case 0:
    case 1:
        if (!received || name.IsEmpty())
            return 0;
        line = WithName(m_host->GetLanguageText(record.kind == 0 ? TEXT_REMATCH_OFFERED : TEXT_LEFT), name);
        attention = record.kind == 1;
        break;
    case 2:
        if (name.IsEmpty() || record.text.IsEmpty())
            return 0;
        line.Format(L"%s: %s", name, record.text);
        colour = received ? ChatColour("chat_message_default", kColourDefault)
                          : ChatColour("chat_message_own", kColourOwn);
        m_chatUsed = 1;
        attention = 1;
        break;
    case 3:
        if (record.text.IsEmpty())
            return 0;
        line = record.text;
        break;
    case 4:
        colour = ChatColour("chat_highlight", kColourHighlight);
        if (!received)
            line = m_host->GetLanguageText(TEXT_REMATCH_OWN);
        else
        {
            if (name.IsEmpty())
                return 0;
            line = WithName(m_host->GetLanguageText(TEXT_REMATCH_ASKED), name);
            if (CToggleButton* rematch = CToggleButton::Cast(m_pageView->FindByPath(Text(kPathRematchButton))))
                rematch->SetToggled(true);
        }
        attention = 1;
        break;
    case 5:
        if (!received || name.IsEmpty())
            return 0;
        for (i32 i = 0; i < m_departedPlayers.GetCount(); ++i)
            if (m_departedPlayers[i] == record.senderId)
                return 0;
        m_departedPlayers.Add(record.senderId);
        line = WithName(m_host->GetLanguageText(TEXT_DEPARTED), name);
        attention = 1;
        break;
    default:
        return 0;
    }
    if (line.IsEmpty())
        return 0;
    AppendChatLine(line, colour);
    return attention;
}

void CBrixMenuState::AppendChatLine(const CKetrelString& text, u32 colour)
{
    ChatLine entry;
    entry.text = text;
    entry.colour = colour;
    m_chatLines.Add(entry);
    m_pendingChat.Add(m_chatLines.GetCount() - 1);
}

i32 CBrixMenuState::OnChatMessage(const CBrixChatRecord& record, i32 received)
{
    i32 consumed = 0;
    if (record.kind == 2 && m_game)
        consumed = m_game->OnChatMessage(record, received);
    if (!received)
        return 1;
    if (AddChatLine(record, received) == 1 && !consumed)
    {
        const bool open = IsMenuVisible();
        if (!(open && IsCurrentPage(kBrixPageChat)))
        {
            if (!open && m_chatNotifier)
            {
                m_chatNotifier->SetVisible(true);
                m_notifierClock = 0.0f;
            }
            CWidget* group = m_brixButton ? m_brixButton->GetParent() : nullptr;
            if (CImageWidget* image = CImageWidget::Cast(group ? group->FindChild(Text(kBrixButtonImage), -1) : nullptr))
                image->FadeIn();
        }
    }
    if (record.kind == 0)
        m_rematchAllowed = 1;
    else if (record.kind == 1 || record.kind == 5)
    {
        ShowRematchButton(0);
        m_rematchAllowed = 0;
    }
    return 1;
}

void CBrixMenuState::ShowRematchButton(i32 show)
{
    CWidget* page = m_root ? m_root->FindChild(Text(kBrixPageChat), -1) : nullptr;
    if (!page)
        return;
    if (CWidget* rematch = page->FindChild(Text("rematch-button"), -1))
        rematch->SetVisible(show && m_rematchAllowed);
    if (CWidget* back = page->FindChild(Text("button_back"), -1))
        back->SetVisible(!IsGuestLogin());
}

void CBrixMenuState::ResetChat()
{
    m_rematchAllowed = 0;
    m_chatUsed = 0;
    m_chatLines.RemoveAll();
    m_pendingChat.RemoveAll();
    if (m_pageView)
        if (CRunningList* backlog = CRunningList::Cast(m_pageView->FindByPath(Text(kBrixPathChatBacklog))))
            backlog->Clear();
    ShowRematchButton(0);
}

void CBrixMenuState::OpenChatPage(i32 mode)
{
    if (m_chatNotifier)
        m_chatNotifier->SetVisible(false);
    if (m_leaving)
        return;
    if (mode == 0 && !m_chatUsed)
        m_chatUsed = 1;
    if (!m_chatUsed)
    {
        LeaveGame();
        return;
    }
    OpenPage(Text(kBrixPageChat), 1);
}

void CBrixMenuState::BeginMatch()
{
    m_inMatch = 1;
    m_playersLineAdded = 0;
    SetMenuOpen(false);
    UpdateStartScreen();
    // A purchase's receivers and a gift's items chosen before the match are not kept.
    m_social.receivers.RemoveAll();
    m_social.giftItems.RemoveAll();
    m_leaving = 0;
    m_rematchPending = 0;
    m_departedPlayers.RemoveAll();
    if (m_root)
        if (CInfiniteList* avatars = CInfiniteList::Cast(m_root->FindByPath(Text(kBrixPathAvatarList))))
            avatars->SetItemCount(0);
    if (m_pageView)
        if (CToggleButton* rematch = CToggleButton::Cast(m_pageView->FindByPath(Text(kPathRematchButton))))
            rematch->SetToggled(false);
    ShowJoinBubble(false);
    m_joinBubbleDismissed = 1;
    if (m_pageView)
        m_pageView->ClearHistory();
    OpenPage(Text(kBrixPageStart), 0);
    OpenPage(Text(kBrixPageChat), 0);
    if (m_host)
        m_host->SendChatInfo(0);
    m_rematchAllowed = 1;
}

void CBrixMenuState::LeaveGame()
{
    if (!m_inMatch)
    {
        ShowHomePage();
        return;
    }
    m_leaving = 1;
    m_rematchPending = 0;
    CBrixNetworkSession* session = m_host ? m_host->GetNetworkSession() : nullptr;
    if (CBrixLobby* lobby = session ? session->GetLobby() : nullptr)
    {
        CKetrelArray<i32> ids, results;
        const i32 own = m_game ? m_game->GetUserId() : m_host->GetOwnPlayerId();
        for (i32 i = 0; i < lobby->GetCount(); ++i)
        {
            CBrixPlayer* player = lobby->GetAt(i);
            if (!player)
                continue;
            ids.Add(player->GetId());
            results.Add(player->GetId() == own ? lobby->GetCount() : 1);
        }
        m_host->ReportGameResult(ids, results, 1);
    }
    if (m_host)
        m_host->SendRematchAnswer(0, 0);
    const bool guest = IsGuestLogin() != 0;
    NavigateTo(guest ? ":back:loginscreen_root" : ":back:startscreen_root");
    if (m_pageView && !IsCurrentPage(guest ? kBrixPageLogin : kBrixPageStart))
    {
        m_pageView->ClearHistory();
        NavigateTo(guest ? kBrixPageLogin : kBrixPageStart);
    }
}

void CBrixMenuState::CollapseChatItem()
{
    if (!m_pageView)
        return;
    CExpandable* expand = CExpandable::Cast(m_pageView->FindByPath(Text(kPathExpandItem)));
    CWidget* avatars = m_pageView->FindByPath(Text(kPathAvatarsRoot));
    CWidget* slide = m_pageView->FindByPath(Text(kPathExpandSlideArea));
    if (!expand || !avatars || !slide)
        return;
    if (CWidget* nasty = expand->FindChild(Text("chat_nastybuttons"), -1))
        nasty->SetVisible(false);
    if (CToggleButton* arrow = CToggleButton::Cast(expand->FindChild(Text("arrow"), -1)))
        arrow->SetToggled(false);
    slide->SetTransparent(true);
    expand->SetState(0);
}

// ---- avatars --------------------------------------------------------------------------

void CBrixMenuState::FreeAvatarItem(CWidget* item)
{
    if (!item)
        return;
    delete static_cast<CPlayerListItem*>(item->GetUserData());
    item->SetUserData(nullptr);
}

void CBrixMenuState::ForgetAvatarItems()
{
    for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
        FreeAvatarItem(m_avatarItems[i].item);
    m_avatarItems.RemoveAll();
}

void CBrixMenuState::OnGamePlayers(void* context, int, int index, int count, const CKetrelArray<CGroupListItem>*,
                                   const CPlayerListItem* item, const u8* image, int imageSize)
{
    if (CBrixMenuState* self = static_cast<CBrixMenuState*>(context))
        self->OnGamePlayer(index, count, item, image, imageSize);
}

void CBrixMenuState::OnGamePlayer(i32 index, i32 count, const CPlayerListItem* item, const u8* image, i32 imageSize)
{
    if (!m_pageView)
        return;
    if (!image || imageSize <= 0)
    {
        if (CInfiniteList* list = CInfiniteList::Cast(m_pageView->FindByPath(Text(kPathChatAvatarList))))
        {
            list->SetItemCount(count > 0 ? count : 0);
            list->RefreshText();
        }
        if (!item)
            return;
        if (!m_playersLineAdded && count > 0)
        {
            CBrixChatRecord players;
            players.kind = 3;
            players.text = m_host->GetLanguageText(TEXT_PLAYERS);
            players.senderId = m_game ? m_game->GetUserId() : m_host->GetOwnPlayerId();
            AddChatLine(players, 0);
            m_playersLineAdded = 1;
        }
        for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
            if (m_avatarItems[i].index == index && m_avatarItems[i].item && !m_avatarItems[i].item->GetUserData())
            {
                CPlayerListItem* copy = new (std::nothrow) CPlayerListItem(*item);
                m_avatarItems[i].item->SetUserData(copy);
            }
        return;
    }
    if (!item)
        return;
    // A picture for a player: find its loaded row.
    CWidget* row = nullptr;
    for (i32 i = 0; i < m_avatarItems.GetCount() && !row; ++i)
    {
        CPlayerListItem* copy = m_avatarItems[i].item ? static_cast<CPlayerListItem*>(m_avatarItems[i].item->GetUserData())
                                                      : nullptr;
        if (copy && copy->id == item->id)
            row = m_avatarItems[i].item;
    }
    CImageWidget* avatar = row ? CImageWidget::Cast(row->FindChild(Text("player_avatar"), -1)) : nullptr;
    IUIApplication* ui = m_host->GetUIApplication();
    IUIResourceManager* resources = ui ? ui->GetUIResources() : nullptr;
    if (!avatar || !resources)
        return;
    CKetrelString key;
    key.Format(L"player_avatar_icon_%d", item->id);
    CKetrelSurface* surface = resources->GetImage(key, 0);
    if (!surface)
    {
        CKetrelSurface* decoded = m_host->DecodePicture(image, imageSize);
        if (!decoded)
            return;
        resources->RegisterImage(key, decoded);
        surface = resources->GetImage(key, 0);
        if (!surface)
            return;
    }
    avatar->SetImage(surface);
    resources->ReleaseImage(&surface);
}

// ---- events -----------------------------------------------------------------------------

int CBrixMenuState::OnChatTextFieldChanged(CWidget*)
{
    CBrixStatsStore* settings = m_host ? m_host->GetSettings() : nullptr;
    if (m_chatSubmitBubble && settings && !settings->FindEntry(Text(kKeyChatMessageSent)))
        m_chatSubmitBubble->SetVisible(true);
    return 1;
}

int CBrixMenuState::OnChatSend(CWidget*)
{
    if (m_chatSubmitBubble)
        m_chatSubmitBubble->SetVisible(false);
    CreateFlag(m_host ? m_host->GetSettings() : nullptr, kKeyChatMessageSent);
    CTextWidget* field = m_pageView ? CTextWidget::Cast(m_pageView->FindByPath(Text(kPathChatTextField))) : nullptr;
    if (!field || field->GetText().IsEmpty())
        return 1;
    const CKetrelString text = field->GetText();
    m_host->SendChatMessage(text, 2);
    field->SetText(CKetrelString());
    return 1;
}

int CBrixMenuState::OnChatExit(CWidget*)
{
    LeaveGame();
    return 1;
}

int CBrixMenuState::OnChatRematch(CWidget*)
{
    if (m_host)
        m_host->SendRematchAnswer(1, 0);
    m_rematchPending = 1;
    return 1;
}

int CBrixMenuState::OnStartChangePageChat(CWidget*)
{
    // The hint belongs to a match still being played.
    if (!m_inMatch || (m_host && m_host->IsMatchResultReported()))
        return 1;
    if (CreateFlag(m_host ? m_host->GetSettings() : nullptr, kKeyStartChangePageChat) && m_returnBubble)
        m_returnBubble->SetVisible(true);
    return 1;
}

int CBrixMenuState::OnExpandChatItem(CWidget* widget)
{
    if (!m_pageView)
        return 1;
    CExpandable* expand = CExpandable::Cast(m_pageView->FindByPath(Text(kPathExpandItem)));
    CWidget* avatars = m_pageView->FindByPath(Text(kPathAvatarsRoot));
    CWidget* slide = m_pageView->FindByPath(Text(kPathExpandSlideArea));
    if (!expand || !avatars || !slide)
        return 1;
    i32 target = 0;
    if (expand->GetState() < 1)
    {
        // The loaded avatar row that raised the event, itself or through a button inside
        // it; no other row's user data is taken for a player record.
        CWidget* row = widget;
        while (row && !IsAvatarRow(row))
            row = row->GetParent();
        CPlayerListItem* copy = GetPlayerRecord(row);
        if (copy)
        {
            CImageWidget* from = CImageWidget::Cast(row->FindChild(Text("player_avatar"), -1));
            CImageWidget* to = CImageWidget::Cast(expand->FindChild(Text("player_avatar"), -1));
            if (from && to)
                to->SetImage(from->GetImage());
            // The detail item keeps its own copy: the row may be unloaded while it shows.
            m_chatDetail = *copy;
            expand->SetUserData(&m_chatDetail);
            FillChatPlayerDetails(expand);
            target = 1;
        }
    }
    if (CWidget* nasty = expand->FindChild(Text("chat_nastybuttons"), -1))
        nasty->SetVisible(false);
    if (CToggleButton* arrow = CToggleButton::Cast(expand->FindChild(Text("arrow"), -1)))
        arrow->SetToggled(false);
    slide->SetTransparent(target == 0);
    expand->ExpandTo(target);
    return 1;
}

int CBrixMenuState::OnChatEndExpand(CWidget* widget)
{
    CExpandable* expand = CExpandable::Cast(widget);
    if (expand && expand->GetState() < 2)
        if (CWidget* nasty = expand->FindChild(Text("chat_nastybuttons"), -1))
            nasty->SetVisible(false);
    return 1;
}

int CBrixMenuState::OnLoadChatItem(CWidget* widget)
{
    if (!m_pageView || !widget)
        return 1;
    CInfiniteList* list = CInfiniteList::FindAncestor(widget);
    if (!list)
        return 1;
    const i32 index = list->GetLoadingItemIndex(widget);
    for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
        if (m_avatarItems[i].index == index)
        {
            m_avatarItems[i].item = widget;
            return 1;
        }
    AvatarItem entry;
    entry.index = index;
    entry.item = widget;
    m_avatarItems.Add(entry);
    return 1;
}

bool CBrixMenuState::IsAvatarRow(const CWidget* w) const
{
    for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
        if (m_avatarItems[i].item == w)
            return true;
    return false;
}

void CBrixMenuState::RefillChatDetails()
{
    CWidget* details = m_pageView ? m_pageView->FindByPath(Text(kPathExpandItem)) : nullptr;
    if (details && details->GetUserData() == &m_chatDetail)
        FillChatPlayerDetails(details);
}

int CBrixMenuState::OnUnloadChatItem(CWidget* widget)
{
    for (i32 i = 0; i < m_avatarItems.GetCount(); ++i)
        if (m_avatarItems[i].item == widget)
        {
            m_avatarItems.RemoveAt(i);
            break;
        }
    FreeAvatarItem(widget);
    return 1;
}

int CBrixMenuState::OnShowChatAvatars(CWidget*)
{
    if (CBrixNetworkSession* session = m_host ? m_host->GetNetworkSession() : nullptr)
        session->RequestGamePlayers(&OnGamePlayers, this);
    return 1;
}
