// lobby/BrixMenuEvents.cpp: the table of named UI events and the handlers of the menu
// itself (framework button, exit, closing the menu).
#include "lobby/BrixMenuState.h"

#include "framework/BrixStatsStore.h"
#include "lobby/BrixLobbyNames.h"
#include "lobby/BrixMenuHost.h"
#include "ui/Bubble.h"
#include "ui/PageView.h"
#include "ui/Widget.h"

namespace
{
// Every event name the layout may bind, in registration order. The buddy and rival
// actions of the player rows are taken and have no effect (OnInertPlayerAction).
const CBrixMenuState::EventEntry kEvents[CBrixMenuState::EVENT_COUNT] = {
    {"login_tolvane", &CBrixMenuState::OnLoginTolvane},
    {"validate_user", &CBrixMenuState::OnValidateUser},
    {"validate_email", &CBrixMenuState::OnValidateEmail},
    {"username_changed", &CBrixMenuState::OnUserNameChanged},
    {"login_show", &CBrixMenuState::OnLoginShow},
    {"playername_show", &CBrixMenuState::OnPlayerNameShow},
    {"confirm_show", &CBrixMenuState::OnConfirmShow},
    {"autologin_toggled", &CBrixMenuState::OnAutoLoginToggled},
    {"about_gameinfoonshow", &CBrixMenuState::OnAboutGameInfoShow},
    {"cancel_autorelogin", &CBrixMenuState::OnCancelAutoRelogin},
    {"google_show", &CBrixMenuState::OnGoogleShow},
    {"google_cookie", &CBrixMenuState::OnGoogleCookie},
    {"google_loaded", &CBrixMenuState::OnGoogleLoaded},
    {"check_tos", &CBrixMenuState::OnCheckTos},
    {"tos_show", &CBrixMenuState::OnTosShow},
    {"init_registername", &CBrixMenuState::OnInitRegisterName},
    {"init_loginname", &CBrixMenuState::OnInitLoginName},
    {"thank_you_close", &CBrixMenuState::OnThankYouClose},
    {"start_change_page_chat", &CBrixMenuState::OnStartChangePageChat},
    {"load_playerlist_item", &CBrixMenuState::OnLoadPlayerlistItem},
    {"load_playerlist_item_batch", &CBrixMenuState::OnLoadPlayerlistItemBatch},
    {"unload_playerlist_item", &CBrixMenuState::OnUnloadPlayerlistItem},
    {"load_playerlist_group", &CBrixMenuState::OnLoadPlayerlistGroup},
    {"load_follow_item", &CBrixMenuState::OnLoadFollowItem},
    {"load_follow_item_batch", &CBrixMenuState::OnLoadFollowItemBatch},
    {"unload_follow_item", &CBrixMenuState::OnUnloadFollowItem},
    {"load_follow_group", &CBrixMenuState::OnLoadFollowGroup},
    {"load_self", &CBrixMenuState::OnLoadSelf},
    {"unload_self", &CBrixMenuState::OnUnloadSelf},
    {"refresh_self", &CBrixMenuState::OnRefreshSelf},
    {"filter_players", &CBrixMenuState::OnFilterPlayers},
    {"show_players_root", &CBrixMenuState::OnShowPlayersRoot},
    {"show_playerlist_items", &CBrixMenuState::OnShowPlayerlistItems},
    {"show_follow_items", &CBrixMenuState::OnShowFollowItems},
    {"expand_list_item", &CBrixMenuState::OnExpandListItem},
    {"end_expand_list_item", &CBrixMenuState::OnEndExpandListItem},
    {"expand_nastybuttons", &CBrixMenuState::OnExpandNastyButtons},
    {"expand_chat_nastybuttons", &CBrixMenuState::OnExpandChatNastyButtons},
    {"player_details", &CBrixMenuState::OnPlayerDetails},
    {"send_challenge", &CBrixMenuState::OnSendChallenge},
    {"action_player_buddy", &CBrixMenuState::OnInertPlayerAction},
    {"action_player_rival", &CBrixMenuState::OnInertPlayerAction},
    {"follow", &CBrixMenuState::OnFollow},
    {"unfollow", &CBrixMenuState::OnUnfollow},
    {"block", &CBrixMenuState::OnBlock},
    {"block_chat", &CBrixMenuState::OnBlockChat},
    {"action_accept_buddy", &CBrixMenuState::OnInertPlayerAction},
    {"action_reject_buddy", &CBrixMenuState::OnInertPlayerAction},
    {"toggle_brix_menu", &CBrixMenuState::OnToggleBrixMenu},
    {"accept_challenge", &CBrixMenuState::OnAcceptChallenge},
    {"reject_challenge", &CBrixMenuState::OnRejectChallenge},
    {"toggle_sounds", &CBrixMenuState::OnToggleSounds},
    {"toggle_vibration", &CBrixMenuState::OnToggleVibration},
    {"init_sounds", &CBrixMenuState::OnInitSounds},
    {"init_vibration", &CBrixMenuState::OnInitVibration},
    {"dialog_button", &CBrixMenuState::OnDialogButton},
    {"dialog_close", &CBrixMenuState::OnDialogButton},
    {"init_sounds_slider", &CBrixMenuState::OnInitSoundsSlider},
    {"sounds_slider_changed", &CBrixMenuState::OnSoundsSliderChanged},
    {"init_music_slider", &CBrixMenuState::OnInitMusicSlider},
    {"music_slider_changed", &CBrixMenuState::OnMusicSliderChanged},
    {"init_sound_effects", &CBrixMenuState::OnInitSounds},
    {"toggle_sound_effects", &CBrixMenuState::OnToggleSoundEffects},
    {"init_music", &CBrixMenuState::OnInitMusic},
    {"toggle_music", &CBrixMenuState::OnToggleMusic},
    {"toggle_notifications_all", &CBrixMenuState::OnToggleNotificationsAll},
    {"init_notification_filter_all", &CBrixMenuState::OnInitNotificationFilterAll},
    {"chat_textfield_changed", &CBrixMenuState::OnChatTextFieldChanged},
    {"chat_send", &CBrixMenuState::OnChatSend},
    {"chat_exit", &CBrixMenuState::OnChatExit},
    {"chat_rematch", &CBrixMenuState::OnChatRematch},
    {"expand_chat_item", &CBrixMenuState::OnExpandChatItem},
    {"chat_end_expand", &CBrixMenuState::OnChatEndExpand},
    {"load_chat_item", &CBrixMenuState::OnLoadChatItem},
    {"unload_chat_item", &CBrixMenuState::OnUnloadChatItem},
    {"show_chat_avatars", &CBrixMenuState::OnShowChatAvatars},
    {"show_shop", &CBrixMenuState::OnShowShop},
    {"show_shop_items", &CBrixMenuState::OnShowShopItems},
    {"show_my_items", &CBrixMenuState::OnShowMyItems},
    {"load_shop_item", &CBrixMenuState::OnLoadShopItem},
    {"load_shop_item_batch", &CBrixMenuState::OnLoadShopItemBatch},
    {"unload_shop_item", &CBrixMenuState::OnUnloadShopItem},
    {"load_my_item", &CBrixMenuState::OnLoadMyItem},
    {"load_my_item_batch", &CBrixMenuState::OnLoadMyItemBatch},
    {"unload_my_item", &CBrixMenuState::OnUnloadMyItem},
    {"load_shop_group", &CBrixMenuState::OnLoadShopGroup},
    {"buy_item", &CBrixMenuState::OnBuyItem},
    {"refill_item", &CBrixMenuState::OnRefillItem},
    {"buy_gift", &CBrixMenuState::OnBuyGift},
    {"show_confirm_buy_dialog", &CBrixMenuState::OnShowConfirmBuyDialog},
    {"show_confirm_buy_gift_dialog", &CBrixMenuState::OnShowConfirmBuyDialog},
    {"ok_buy_confirm", &CBrixMenuState::OnOkBuyConfirm},
    {"cancel_buy_confirm", &CBrixMenuState::OnCancelBuyConfirm},
    {"ok_buy_gift_confirm", &CBrixMenuState::OnOkBuyConfirm},
    {"cancel_buy_gift_confirm", &CBrixMenuState::OnCancelBuyConfirm},
    {"enable_item", &CBrixMenuState::OnEnableItem},
    {"expand_shop_item", &CBrixMenuState::OnExpandListItem},
    {"shop_item_end_expand", &CBrixMenuState::OnShopItemEndExpand},
    {"shop_item_hide_large_icon", &CBrixMenuState::OnShopItemHideLargeIcon},
    {"shop_item_show_large_icon", &CBrixMenuState::OnShopItemShowLargeIcon},
    {"buy_coins", &CBrixMenuState::OnBuyCoins},
    {"buy_player_gift", &CBrixMenuState::OnBuyPlayerGift},
    {"show_selection_list", &CBrixMenuState::OnShowSelectionList},
    {"load_selection_list_item", &CBrixMenuState::OnLoadSelectionListItem},
    {"unload_selection_list_item", &CBrixMenuState::OnUnloadSelectionItem},
    {"ok_list_selection", &CBrixMenuState::OnOkListSelection},
    {"cancel_list_selection", &CBrixMenuState::OnCancelListSelection},
    {"select_list_item", &CBrixMenuState::OnSelectListItem},
    {"show_selection_gift_list", &CBrixMenuState::OnShowSelectionGiftList},
    {"load_selection_gift_list_item", &CBrixMenuState::OnLoadSelectionGiftListItem},
    {"unload_selection_gift_list_item", &CBrixMenuState::OnUnloadSelectionItem},
    {"ok_gift_list_selection", &CBrixMenuState::OnOkGiftListSelection},
    {"cancel_gift_list_selection", &CBrixMenuState::OnCancelGiftListSelection},
    {"select_gift_list_item", &CBrixMenuState::OnSelectListItem},
    {"show_confirm_buy_player_gift_dialog", &CBrixMenuState::OnShowConfirmBuyPlayerGiftDialog},
    {"ok_buy_player_gift_confirm", &CBrixMenuState::OnOkBuyPlayerGiftConfirm},
    {"cancel_buy_player_gift_confirm", &CBrixMenuState::OnCancelBuyConfirm},
    {"update_settings_language_label", &CBrixMenuState::OnUpdateSettingsLanguageLabel},
    {"show_language_chooser", &CBrixMenuState::OnShowLanguageChooser},
    {"select_language_item", &CBrixMenuState::OnSelectLanguageItem},
    {"choose_language", &CBrixMenuState::OnChooseLanguage},
    {"load_language_item", &CBrixMenuState::OnLoadLanguageItem},
    {"unload_language_item", &CBrixMenuState::OnUnloadLanguageItem},
    {"get_languages", &CBrixMenuState::OnGetLanguages},
    {"guest_login", &CBrixMenuState::OnGuestLogin},
    {"show_me", &CBrixMenuState::OnShowMe},
    {"exit_app", &CBrixMenuState::OnExitApp},
};
}

const CBrixMenuState::EventEntry* CBrixMenuState::GetEventTable() { return kEvents; }

int CBrixMenuState::Dispatch(void* widget, void* binding)
{
    Binding* b = static_cast<Binding*>(binding);
    if (!b || !b->state || !b->handler)
        return 0;
    return (b->state->*(b->handler))(static_cast<CWidget*>(widget));
}

int CBrixMenuState::FireEvent(const CKetrelString& name, CWidget* widget)
{
    const CKetrelString prefix("app:");
    CKetrelString plain = name;
    if (name.StartsWith(prefix))
        plain = CKetrelString(name, prefix.GetLength(), name.GetLength() - prefix.GetLength());
    for (i32 i = 0; i < EVENT_COUNT; ++i)
        if (plain.Equals(CKetrelString(kEvents[i].name)))
            return Dispatch(widget, &m_bindings[i]);
    return 0;
}

// The buddy and rival actions of a player row: taken, nothing changes.
int CBrixMenuState::OnInertPlayerAction(CWidget*) { return 1; }

int CBrixMenuState::OnToggleBrixMenu(CWidget*)
{
    ToggleBrixMenu();
    if (m_pageView && m_pageView->IsVisible())
    {
        CBrixStatsStore* settings = m_host ? m_host->GetSettings() : nullptr;
        i32 count = 1;
        if (settings)
        {
            const CKetrelString key(kBrixKeyTimesReturnGame);
            CBrixStatsEntry* entry = settings->FindEntry(key);
            if (!entry)
            {
                entry = settings->AddEntry(key);
                if (entry)
                    entry->SetInt(1);
            }
            else
                entry->SetInt(entry->intValue + 1);
            count = entry ? entry->intValue : 1;
            settings->Save();
        }
        if (m_returnBubble && count < 4 && m_inMatch)
            m_returnBubble->SetVisible(true);
    }
    if (m_joinBubble)
        m_joinBubble->SetVisible(false);
    m_joinBubbleDismissed = 1;
    return 1;
}

int CBrixMenuState::OnExitApp(CWidget*)
{
    if (m_host)
        m_host->Quit();
    return 1;
}

int CBrixMenuState::OnThankYouClose(CWidget*)
{
    SetMenuOpen(false);
    return 1;
}
