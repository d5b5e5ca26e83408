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
// Every event name the layout may bind, in registration order. Handlers named
// OnUnbuiltEvent belong to pages that are not part of this menu yet: they take the
// event and do nothing.
const CBrixMenuState::EventEntry kEvents[CBrixMenuState::EVENT_COUNT] = {
    {"login_tolvane", &CBrixMenuState::OnUnbuiltEvent},
    {"validate_user", &CBrixMenuState::OnUnbuiltEvent},
    {"validate_email", &CBrixMenuState::OnUnbuiltEvent},
    {"username_changed", &CBrixMenuState::OnUnbuiltEvent},
    {"login_show", &CBrixMenuState::OnUnbuiltEvent},
    {"playername_show", &CBrixMenuState::OnUnbuiltEvent},
    {"confirm_show", &CBrixMenuState::OnUnbuiltEvent},
    {"autologin_toggled", &CBrixMenuState::OnUnbuiltEvent},
    {"about_gameinfoonshow", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_autorelogin", &CBrixMenuState::OnUnbuiltEvent},
    {"google_show", &CBrixMenuState::OnUnbuiltEvent},
    {"google_cookie", &CBrixMenuState::OnUnbuiltEvent},
    {"google_loaded", &CBrixMenuState::OnUnbuiltEvent},
    {"check_tos", &CBrixMenuState::OnUnbuiltEvent},
    {"tos_show", &CBrixMenuState::OnUnbuiltEvent},
    {"init_registername", &CBrixMenuState::OnUnbuiltEvent},
    {"init_loginname", &CBrixMenuState::OnUnbuiltEvent},
    {"thank_you_close", &CBrixMenuState::OnThankYouClose},
    {"start_change_page_chat", &CBrixMenuState::OnUnbuiltEvent},
    {"load_playerlist_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_playerlist_item_batch", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_playerlist_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_playerlist_group", &CBrixMenuState::OnUnbuiltEvent},
    {"load_follow_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_follow_item_batch", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_follow_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_follow_group", &CBrixMenuState::OnUnbuiltEvent},
    {"load_self", &CBrixMenuState::OnLoadSelf},
    {"unload_self", &CBrixMenuState::OnUnloadSelf},
    {"refresh_self", &CBrixMenuState::OnRefreshSelf},
    {"filter_players", &CBrixMenuState::OnUnbuiltEvent},
    {"show_players_root", &CBrixMenuState::OnUnbuiltEvent},
    {"show_playerlist_items", &CBrixMenuState::OnUnbuiltEvent},
    {"show_follow_items", &CBrixMenuState::OnUnbuiltEvent},
    {"expand_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"end_expand_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"expand_nastybuttons", &CBrixMenuState::OnUnbuiltEvent},
    {"expand_chat_nastybuttons", &CBrixMenuState::OnUnbuiltEvent},
    {"player_details", &CBrixMenuState::OnUnbuiltEvent},
    {"send_challenge", &CBrixMenuState::OnUnbuiltEvent},
    {"action_player_buddy", &CBrixMenuState::OnUnbuiltEvent},
    {"action_player_rival", &CBrixMenuState::OnUnbuiltEvent},
    {"follow", &CBrixMenuState::OnUnbuiltEvent},
    {"unfollow", &CBrixMenuState::OnUnbuiltEvent},
    {"block", &CBrixMenuState::OnUnbuiltEvent},
    {"block_chat", &CBrixMenuState::OnUnbuiltEvent},
    {"action_accept_buddy", &CBrixMenuState::OnUnbuiltEvent},
    {"action_reject_buddy", &CBrixMenuState::OnUnbuiltEvent},
    {"toggle_brix_menu", &CBrixMenuState::OnToggleBrixMenu},
    {"accept_challenge", &CBrixMenuState::OnUnbuiltEvent},
    {"reject_challenge", &CBrixMenuState::OnUnbuiltEvent},
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
    {"chat_textfield_changed", &CBrixMenuState::OnUnbuiltEvent},
    {"chat_send", &CBrixMenuState::OnUnbuiltEvent},
    {"chat_exit", &CBrixMenuState::OnUnbuiltEvent},
    {"chat_rematch", &CBrixMenuState::OnUnbuiltEvent},
    {"expand_chat_item", &CBrixMenuState::OnUnbuiltEvent},
    {"chat_end_expand", &CBrixMenuState::OnUnbuiltEvent},
    {"load_chat_item", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_chat_item", &CBrixMenuState::OnUnbuiltEvent},
    {"show_chat_avatars", &CBrixMenuState::OnUnbuiltEvent},
    {"show_shop", &CBrixMenuState::OnUnbuiltEvent},
    {"show_shop_items", &CBrixMenuState::OnUnbuiltEvent},
    {"show_my_items", &CBrixMenuState::OnUnbuiltEvent},
    {"load_shop_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_shop_item_batch", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_shop_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_my_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_my_item_batch", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_my_item", &CBrixMenuState::OnUnbuiltEvent},
    {"load_shop_group", &CBrixMenuState::OnUnbuiltEvent},
    {"buy_item", &CBrixMenuState::OnUnbuiltEvent},
    {"refill_item", &CBrixMenuState::OnUnbuiltEvent},
    {"buy_gift", &CBrixMenuState::OnUnbuiltEvent},
    {"show_confirm_buy_dialog", &CBrixMenuState::OnUnbuiltEvent},
    {"show_confirm_buy_gift_dialog", &CBrixMenuState::OnUnbuiltEvent},
    {"ok_buy_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_buy_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"ok_buy_gift_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_buy_gift_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"enable_item", &CBrixMenuState::OnUnbuiltEvent},
    {"expand_shop_item", &CBrixMenuState::OnUnbuiltEvent},
    {"shop_item_end_expand", &CBrixMenuState::OnUnbuiltEvent},
    {"shop_item_hide_large_icon", &CBrixMenuState::OnUnbuiltEvent},
    {"shop_item_show_large_icon", &CBrixMenuState::OnUnbuiltEvent},
    {"buy_coins", &CBrixMenuState::OnBuyCoins},
    {"buy_player_gift", &CBrixMenuState::OnUnbuiltEvent},
    {"show_selection_list", &CBrixMenuState::OnUnbuiltEvent},
    {"load_selection_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_selection_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"ok_list_selection", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_list_selection", &CBrixMenuState::OnUnbuiltEvent},
    {"select_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"show_selection_gift_list", &CBrixMenuState::OnUnbuiltEvent},
    {"load_selection_gift_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"unload_selection_gift_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"ok_gift_list_selection", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_gift_list_selection", &CBrixMenuState::OnUnbuiltEvent},
    {"select_gift_list_item", &CBrixMenuState::OnUnbuiltEvent},
    {"show_confirm_buy_player_gift_dialog", &CBrixMenuState::OnUnbuiltEvent},
    {"ok_buy_player_gift_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"cancel_buy_player_gift_confirm", &CBrixMenuState::OnUnbuiltEvent},
    {"update_settings_language_label", &CBrixMenuState::OnUpdateSettingsLanguageLabel},
    {"show_language_chooser", &CBrixMenuState::OnShowLanguageChooser},
    {"select_language_item", &CBrixMenuState::OnSelectLanguageItem},
    {"choose_language", &CBrixMenuState::OnChooseLanguage},
    {"load_language_item", &CBrixMenuState::OnLoadLanguageItem},
    {"unload_language_item", &CBrixMenuState::OnUnloadLanguageItem},
    {"get_languages", &CBrixMenuState::OnGetLanguages},
    {"guest_login", &CBrixMenuState::OnUnbuiltEvent},
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

int CBrixMenuState::OnUnbuiltEvent(CWidget*) { return 1; }

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
