// The lobby menu's UI event handlers and session reactions against a recording host:
// what each one asks of the application and the session, and which page it leaves.
#include "LobbyTestKit.h"

#include "engine/KetrelMD5.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixLobbyNames.h"
#include "net/BerHandCodec.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/PieWidget.h"
#include "ui/RunningList.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <functional>

using namespace lobbytest;

namespace
{
typedef std::vector<std::string> Calls;

std::string CurrentPage(MenuRig& rig)
{
    CWidget* page = rig.state->GetPageView() ? rig.state->GetPageView()->GetCurrentPage() : nullptr;
    return page ? Narrow(page->GetName()) : std::string();
}

int Count(const Calls& calls, const std::string& what) { return (int)std::count(calls.begin(), calls.end(), what); }

CToggleButton* Toggle(MenuRig& rig, const char* name) { return CToggleButton::Cast(rig.Find(name)); }

std::string Md5Hex(const std::string& text)
{
    CKetrelString s(text.c_str());
    CKetrelMD5::HexOfString(s);
    return Narrow(s);
}
}

// ---- the event table ----------------------------------------------------------------

TEST(BrixMenuState, EveryEventReachesItsHandlerPlainAndPrefixed)
{
    MenuRig rig;
    const CBrixMenuState::EventEntry* table = CBrixMenuState::GetEventTable();
    // Without the row they act on these decline the event.
    const std::set<std::string> declined = {"expand_nastybuttons", "expand_chat_nastybuttons", "block",
                                            "block_chat"};
    for (int i = 0; i < CBrixMenuState::EVENT_COUNT; ++i)
    {
        // Without a widget every handler does nothing harmful and takes the event; the
        // form submissions answer 0 (nothing sent).
        const std::string name = table[i].name;
        const int expected = declined.count(name) || name == "login_tolvane" || name == "validate_user" ||
                                     name == "validate_email"
                                 ? 0
                                 : 1;
        EXPECT_EQ(rig.state->FireEvent(CKetrelString(table[i].name), nullptr), expected) << table[i].name;
        std::string prefixed = std::string("app:") + table[i].name;
        EXPECT_EQ(rig.state->FireEvent(CKetrelString(prefixed.c_str()), nullptr), expected) << prefixed;
    }
    EXPECT_EQ(rig.state->FireEvent(CKetrelString("no_such_event"), nullptr), 0);
}

TEST(BrixMenuState, MenuEvents)
{
    struct Case
    {
        const char* event;
        bool menuOpenBefore;
        Calls expected;       // host and game calls, in order
        bool menuOpenAfter;
    };
    const Case cases[] = {
        {"exit_app", true, {"Quit"}, true},
        {"app:exit_app", false, {"Quit"}, false},
        {"thank_you_close", true, {"game:OnMenuClosed"}, false},
        {"thank_you_close", false, {}, false},
        // Not logged in: the framework button opens the menu.
        {"toggle_brix_menu", false, {"game:OnMenuOpened"}, true},
        {"toggle_brix_menu", true, {}, true},
        // The buddy and rival actions change nothing.
        {"action_player_buddy", true, {}, true},
        {"action_player_rival", true, {}, true},
        {"action_accept_buddy", false, {}, false},
        {"app:action_reject_buddy", true, {}, true},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.state->SetMenuOpen(c.menuOpenBefore);
        rig.host.Take();
        rig.state->FireEvent(CKetrelString(c.event), nullptr);
        Calls calls = rig.host.Take();
        calls.erase(std::remove(calls.begin(), calls.end(), "game:Render"), calls.end());
        EXPECT_EQ(calls, c.expected) << c.event;
        EXPECT_EQ(rig.state->IsMenuVisible(), c.menuOpenAfter) << c.event;
    }
}

TEST(BrixMenuState, MenuOpenAndCloseNotifyTheGameOnce)
{
    MenuRig rig;
    rig.state->SetMenuOpen(false);
    rig.host.Take();
    rig.state->SetMenuOpen(true);
    rig.state->SetMenuOpen(true);
    rig.state->SetItemDataChanged(1);
    rig.state->SetMenuOpen(false);
    rig.state->SetMenuOpen(false);
    Calls calls = rig.host.Take();
    calls.erase(std::remove(calls.begin(), calls.end(), "game:Render"), calls.end());
    EXPECT_EQ(calls, (Calls{"game:OnMenuOpened", "game:OnItemDataChanged", "game:OnMenuClosed"}));
}

TEST(BrixMenuState, ReturnGameCountAndBubble)
{
    MenuRig rig;
    rig.state->SetInMatch(1);
    CWidget* bubble = rig.Find(kBrixPathReturnBubble);
    ASSERT_NE(bubble, nullptr);
    for (int opening = 1; opening <= 5; ++opening)
    {
        rig.state->SetMenuOpen(false);
        bubble->SetVisible(false);
        rig.state->FireEvent(CKetrelString("toggle_brix_menu"), nullptr);
        CBrixStatsEntry* count = rig.host.settings.FindEntry(CKetrelString(kBrixKeyTimesReturnGame));
        ASSERT_NE(count, nullptr);
        EXPECT_EQ(count->intValue, opening);
        EXPECT_EQ(bubble->IsVisible(), opening <= 3) << opening;
    }
}

TEST(BrixMenuState, ChatHintOnlyOnceAndOnlyWhileTheMatchIsPlayed)
{
    struct Case
    {
        int inMatch;
        int reported;          // the match result was reported already
        bool hintShownBefore;
        bool shown;            // the return-game bubble shows the hint
    };
    const Case cases[] = {
        {1, 0, false, true},
        {1, 0, true, false},
        {1, 1, false, false},
        {0, 0, false, false},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.state->SetInMatch(c.inMatch);
        rig.host.resultReported = c.reported;
        if (c.hintShownBefore)
            rig.host.settings.AddEntry(CKetrelString("__Brix_StartChangePageChat"))->SetBool(1);
        CWidget* bubble = rig.Find(kBrixPathReturnBubble);
        ASSERT_NE(bubble, nullptr);
        bubble->SetVisible(false);
        EXPECT_EQ(rig.state->FireEvent(CKetrelString("start_change_page_chat"), nullptr), 1);
        EXPECT_EQ(bubble->IsVisible(), c.shown) << c.inMatch << c.reported << c.hintShownBefore;
        EXPECT_EQ(rig.host.settings.FindEntry(CKetrelString("__Brix_StartChangePageChat")) != nullptr,
                  c.shown || c.hintShownBefore);
    }
}

TEST(BrixMenuState, FirstLaunchOpensTheLanguageChooserOnce)
{
    struct Case
    {
        int timesLaunched;     // 0: no entry
        const char* page;
    };
    const Case cases[] = {{1, kBrixPageLanguageChooser}, {2, kBrixPageLogin}, {0, kBrixPageLoading}};
    for (const Case& c : cases)
    {
        FakeHost host;
        if (c.timesLaunched)
            host.settings.AddEntry(CKetrelString(kBrixKeyTimesLaunched))->SetInt(c.timesLaunched);
        CBrixMenuState state(&host, false);
        ASSERT_EQ(state.Init(nullptr), 1);
        state.Activate();
        CWidget* page = state.GetPageView()->GetCurrentPage();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(Narrow(page->GetName()), c.page) << c.timesLaunched;
        EXPECT_TRUE(state.IsMenuVisible());
        if (c.timesLaunched == 1)
        {
            state.GetPageView()->Navigate(CKetrelString(kBrixPageLogin));
            state.ShowFirstLaunchPage();
            EXPECT_EQ(Narrow(state.GetPageView()->GetCurrentPage()->GetName()), kBrixPageLogin);
        }
        state.Release();
    }
}

TEST(BrixMenuState, NotifierDotsCycle)
{
    MenuRig rig;
    CWidget* notifier = rig.Find(kBrixChatNotifier);
    ASSERT_NE(notifier, nullptr);
    notifier->SetVisible(true);
    CTextWidget* dots = CTextWidget::Cast(notifier->GetChild(0));
    ASSERT_NE(dots, nullptr);
    const char* expected[] = {".", "..", "...", "", ".", ".."};
    rig.state->Update(0.25f);
    for (const char* e : expected)
    {
        rig.state->Update(0.5f);
        EXPECT_EQ(Narrow(dots->GetText()), e);
    }
}

// ---- dialogs and links ----------------------------------------------------------------

TEST(BrixMenuState, DialogButtonsCancelAndAnswerTheOwnChallenge)
{
    struct Case
    {
        const char* event;
        int session;
        int challenger;
        Calls expected;
    };
    const Case cases[] = {
        {"dialog_button", 1, 17, {"CancelMatchRequest", "AnswerChallenge 17 0"}},
        {"dialog_close", 1, 17, {"CancelMatchRequest", "AnswerChallenge 17 0"}},
        {"dialog_close", 1, 5, {"CancelMatchRequest"}},
        {"dialog_button", 0, 17, {}},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.session = c.session;
        rig.state->SetChallenge(c.challenger, 0.0f);
        CWidget* box = rig.Find(kBrixDialogBox);
        ASSERT_NE(box, nullptr);
        box->SetVisible(true);
        rig.host.Take();
        rig.state->FireEvent(CKetrelString(c.event), nullptr);
        EXPECT_EQ(rig.host.Take(), c.expected) << c.event << " " << c.challenger;
        EXPECT_FALSE(box->IsVisible());
    }
}

TEST(BrixMenuState, ErrorDialogPages)
{
    struct Case
    {
        int code;
        const char* page;
        int coinRequests;
    };
    const Case cases[] = {{-1, kBrixPageErrorCoins, 1}, {-5, kBrixPageErrorCoins, 1}, {0, kBrixPageError, 0},
                          {3, kBrixPageError, 0}};
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.Take();
        rig.state->ShowErrorDialog(c.code, CKetrelString("Oops"));
        EXPECT_EQ(CurrentPage(rig), c.page) << c.code;
        EXPECT_EQ(Count(rig.host.Take(), "RequestCoinBalance"), c.coinRequests) << c.code;
        CTextWidget* text = CTextWidget::Cast(
            rig.state->GetPageView()->GetCurrentPage()->FindChild(CKetrelString(kBrixErrorText), -1));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(Narrow(text->GetText()), "Oops");
    }
}

TEST(BrixMenuState, LinksCarryOneCheckValue)
{
    MenuRig rig;
    // own id, application token, session token, device id, release.
    const std::string check = Md5Hex("17apptokensessdev13");
    EXPECT_EQ(Narrow(rig.state->BuildLinkCheck()), check);
    const std::string forward = Narrow(CBrixMenuState::GetForwardPage());
    EXPECT_NE(forward.find("/api/forward.php"), std::string::npos);
    rig.host.Take();
    rig.state->FireEvent(CKetrelString("buy_coins"), nullptr);
    EXPECT_EQ(rig.host.Take(), (Calls{"OpenUrl https://" + forward + "?link=add_coins&token=sess&check=" + check +
                                      "&game=64&release=3&rid=Ovi&lang=en"}));
    rig.state->OpenWebEntryLink();
    EXPECT_EQ(rig.host.Take(), (Calls{"OpenUrl https://" + forward + "?link=brix_game&token=sess&check=" + check +
                                      "&game=64&release=3&rid=Ovi"}));
}

// ---- session reactions ----------------------------------------------------------------

TEST(BrixMenuState, SessionReactions)
{
    struct Case
    {
        const char* what;
        std::function<void(CBrixMenuState&)> act;
        Calls expected;
        const char* page;      // null: not checked
    };
    const Case cases[] = {
        {"match result -2", [](CBrixMenuState& s) { s.OnMatchResult(nullptr, 0, 64, -2); },
         {"game:CloseConnectingScreen", "ShowNotification T9"}, kBrixPageLogin},
        {"match result -1", [](CBrixMenuState& s) { s.OnMatchResult(nullptr, 0, 64, -1); },
         {"game:CloseConnectingScreen", "ShowNotification T8"}, kBrixPageLogin},
        {"match result 0", [](CBrixMenuState& s) { s.OnMatchResult(nullptr, 0, 64, 0); }, {}, nullptr},
        {"lobby link 3 twice",
         [](CBrixMenuState& s) { s.OnLobbyLinkStatus(3); s.OnLobbyLinkStatus(3); }, {"GetKeyValue guestLogin"}, nullptr},
        {"lobby link 2", [](CBrixMenuState& s) { s.OnLobbyLinkStatus(2); }, {}, nullptr},
        {"game link 0", [](CBrixMenuState& s) { s.OnGameLinkStatus(0); }, {"game:StopMatch"}, nullptr},
        {"game link 1", [](CBrixMenuState& s) { s.OnGameLinkStatus(1); }, {}, nullptr},
        {"change notice 1", [](CBrixMenuState& s) { s.OnChangeNotice(1); },
         {"game:StopMatch", "RequestShopGroups 1025"}, kBrixPageStart},
        {"change notice 2", [](CBrixMenuState& s) { s.OnChangeNotice(2); }, {}, nullptr},
        {"image and link without data",
         [](CBrixMenuState& s) { s.OnImageAndLink(CKetrelString("moregames"), 0, nullptr, CKetrelString("l"),
                                                  CKetrelString(), CKetrelString()); }, {}, nullptr},
        {"image and link undecodable",
         [](CBrixMenuState& s) { static const u8 junk[4] = {1, 2, 3, 4};
                                 s.OnImageAndLink(CKetrelString("moregames"), 4, junk, CKetrelString("l"),
                                                  CKetrelString(), CKetrelString()); }, {"DecodePicture"}, nullptr},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.Take();
        c.act(*rig.state);
        Calls calls = rig.host.Take();
        calls.erase(std::remove_if(calls.begin(), calls.end(),
                                   [](const std::string& s) { return s.compare(0, 11, "game:OnMenu") == 0 ||
                                                                     s == "game:Render"; }),
                    calls.end());
        EXPECT_EQ(calls, c.expected) << c.what;
        if (c.page)
        {
            EXPECT_EQ(CurrentPage(rig), c.page) << c.what;
        }
    }
}

TEST(BrixMenuState, ReconnectingAndConnectErrorPages)
{
    MenuRig rig;
    rig.state->ShowReconnecting();
    EXPECT_EQ(CurrentPage(rig), kBrixPageLoading);
    CTextWidget* title = CTextWidget::Cast(rig.Find(kBrixPathLoadingTitle));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(Narrow(title->GetText()), "T35");
    // The connect error is the log-in error page with texts 12 and 13 and no recover
    // button, whatever an earlier error showed.
    struct Case
    {
        const char* url;
        bool update;           // the update button shown, else the retry button
    };
    for (const Case& c : {Case{"https://update.invalid/", true}, Case{"", false}})
    {
        rig.state->ShowLoginError(CKetrelString("x"), CKetrelString("y"), 1, CKetrelString());
        rig.state->ShowConnectError(CKetrelString(c.url));
        EXPECT_EQ(CurrentPage(rig), "loginscreen_error");
        EXPECT_EQ(Narrow(CTextWidget::Cast(rig.Find("//loginscreen_error//loginerror_title"))->GetText()), "T12");
        EXPECT_EQ(Narrow(CTextWidget::Cast(rig.Find("//loginscreen_error//loginerror_message"))->GetText()), "T13");
        EXPECT_FALSE(rig.Find("//loginscreen_error//button_recover")->IsVisible()) << c.url;
        EXPECT_EQ(rig.Find("//loginscreen_error//button_update")->IsVisible(), c.update) << c.url;
        EXPECT_EQ(rig.Find("//loginscreen_error//button_tryagain")->IsVisible(), !c.update) << c.url;
        if (!c.update)
        {
            EXPECT_EQ(Narrow(CTextWidget::Cast(rig.Find("//loginscreen_error//label_tryagain"))->GetText()), "T11");
        }
    }
    // The log-in page leaves no pack check waiting.
    rig.state->GetItemPacks().SetListReceived(1);
    rig.state->ShowLoginScreen();
    EXPECT_EQ(CurrentPage(rig), kBrixPageLogin);
    EXPECT_EQ(rig.state->GetItemPacks().IsListReceived(), 0);
    // The loading dialog's time-out runs out after 30 s.
    rig.state->ShowLoadingDialog(CKetrelString("a"), CKetrelString("b"));
    rig.state->Update(29.0f);
    EXPECT_EQ(CurrentPage(rig), kBrixPageLoading);
    rig.state->Update(1.5f);
    EXPECT_NE(CurrentPage(rig), kBrixPageLoading);
}

// ---- settings --------------------------------------------------------------------------

TEST(BrixMenuState, SettingsTogglesAndSliders)
{
    struct Case
    {
        const char* event;
        const char* widget;
        std::function<void(FakeHost&, CWidget*)> before;
        Calls expected;
        std::function<bool(FakeHost&, CWidget*)> check;
    };
    auto toggled = [](bool on) { return [on](FakeHost&, CWidget* w) { CToggleButton::Cast(w)->SetToggled(on); }; };
    auto isToggled = [](bool on) { return [on](FakeHost&, CWidget* w) { return CToggleButton::Cast(w)->IsToggled() == on; }; };
    auto nothing = [](FakeHost&, CWidget*) {};
    auto always = [](FakeHost&, CWidget*) { return true; };
    const Case cases[] = {
        {"init_sounds", "setting_mute", [](FakeHost& h, CWidget*) { h.soundMuted = 1; }, {}, isToggled(false)},
        {"init_sound_effects", "setting_sound_effects", [](FakeHost& h, CWidget*) { h.soundMuted = 0; }, {},
         isToggled(true)},
        {"toggle_sounds", "setting_mute", toggled(true), {"SetSoundMuted 0"}, always},
        {"toggle_sounds", "setting_mute", toggled(false), {"SetSoundMuted 1"}, always},
        {"init_music", "setting_music", [](FakeHost& h, CWidget*) { h.musicMuted = 1; }, {}, isToggled(false)},
        {"toggle_music", "setting_music", toggled(false), {"SetMusicMuted 1"}, always},
        {"init_vibration", "setting_vibration", [](FakeHost& h, CWidget*) { h.vibration = 1; }, {}, isToggled(true)},
        {"toggle_vibration", "setting_vibration", toggled(false), {"SetVibrationEnabled 0"}, always},
        {"init_notification_filter_all", "setting_notifications", [](FakeHost& h, CWidget*) { h.filter = 5; }, {},
         isToggled(true)},
        // Bit 0 flips whatever the toggle shows; the other bits stay.
        {"toggle_notifications_all", "setting_notifications", toggled(true), {"SetNotificationFilter 7"}, always},
        {"toggle_notifications_all", "setting_notifications", toggled(false), {"SetNotificationFilter 7"}, always},
        {"toggle_notifications_all", "setting_notifications",
         [](FakeHost& h, CWidget*) { h.filter = 7; }, {"SetNotificationFilter 6"}, always},
        {"sounds_slider_changed", "setting_sounds_volume",
         [](FakeHost&, CWidget* w) { CSlider::Cast(w)->SetValue(1.0f); }, {"SetSoundVolume 100"}, always},
        {"music_slider_changed", "setting_music_volume",
         [](FakeHost&, CWidget* w) { CSlider::Cast(w)->SetValue(0.555f); }, {"SetMusicVolume 56"}, always},
        // Shown and written back, a volume stays what it was.
        {"init_sounds_slider", "setting_sounds_volume", nothing, {"SetSoundVolume 70"},
         [](FakeHost& h, CWidget* w) { return h.soundVolume == 70 && CSlider::Cast(w)->GetValue() > 0.69f; }},
        {"init_music_slider", "setting_music_volume", nothing, {"SetMusicVolume 50"},
         [](FakeHost& h, CWidget*) { return h.musicVolume == 50; }},
        // A toggle event on something else does nothing.
        {"toggle_sounds", "setting_sounds_volume", nothing, {}, always},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        CWidget* w = rig.Find(c.widget);
        ASSERT_NE(w, nullptr) << c.widget;
        // Sliders take their value from the host when the page shows; start them apart.
        if (CSlider* s = CSlider::Cast(w))
        {
            s->SetValueChangedCallback(CUIActionCallback{nullptr, nullptr});
            s->SetValue(0.25f);
        }
        c.before(rig.host, w);
        // Sliders fire their changed event when a handler moves them: follow the layout's binding.
        if (CSlider* s = CSlider::Cast(w))
        {
            struct Fire
            {
                static int Call(void* widget, void* ctx)
                {
                    MenuRig* r = static_cast<MenuRig*>(ctx);
                    const bool sounds = static_cast<CWidget*>(widget)->GetName().Equals(CKetrelString("setting_sounds_volume"));
                    return r->state->FireEvent(CKetrelString(sounds ? "sounds_slider_changed" : "music_slider_changed"),
                                               static_cast<CWidget*>(widget));
                }
            };
            s->SetValueChangedCallback(CUIActionCallback{&Fire::Call, &rig});
        }
        rig.host.Take();
        rig.state->FireEvent(CKetrelString(c.event), w);
        EXPECT_EQ(rig.host.Take(), c.expected) << c.event << " on " << c.widget;
        EXPECT_TRUE(c.check(rig.host, w)) << c.event << " on " << c.widget;
    }
}

TEST(BrixMenuState, SoundEffectsSwitchMovesTheMuteSwitch)
{
    MenuRig rig;
    CToggleButton* effects = Toggle(rig, "setting_sound_effects");
    CToggleButton* mute = Toggle(rig, kBrixSettingMute);
    ASSERT_TRUE(effects && mute);
    mute->SetToggled(true);
    effects->SetToggled(false);
    rig.state->FireEvent(CKetrelString("toggle_sound_effects"), effects);
    EXPECT_EQ(rig.host.soundMuted, 1);
    EXPECT_FALSE(mute->IsToggled());
}

// ---- languages ---------------------------------------------------------------------------

TEST(BrixMenuState, LanguageChooser)
{
    struct Case
    {
        const char* current;
        int pick;               // row to select; -1: none
        const char* expectedSet;
    };
    const Case cases[] = {{"English", 1, "SetLanguage de"}, {"Suomi", -1, "SetLanguage fi"},
                          {"Klingon", -1, nullptr}, {"English", 0, "SetLanguage ar-sa"}};
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.currentLanguage = c.current;
        rig.state->OpenPage(CKetrelString(kBrixPageLanguageChooser), 1);
        CInfiniteList* list = CInfiniteList::Cast(rig.Find("//startup_language_chooser//language_list"));
        ASSERT_NE(list, nullptr);
        rig.state->FireEvent(CKetrelString("show_language_chooser"), list);
        EXPECT_EQ(list->GetItemCount(), 4);
        for (int i = 0; i < 4; ++i)
            rig.state->Update(0.05f);
        ASSERT_GE(list->GetChildCount(), 4) << c.current;
        // Rows show the names in the sorted order, the current one marked.
        for (int row = 0; row < 4; ++row)
        {
            CWidget* r = list->GetChild(row);
            CTextWidget* name = CTextWidget::Cast(r->FindChild(CKetrelString(kBrixLanguageName), -1));
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(Narrow(name->GetText()), rig.host.languages[row].first);
            const bool marked = rig.host.languages[row].first == c.current;
            EXPECT_EQ(r->FindByPath(CKetrelString("//select-button//selected"))->IsVisible(), marked);
            EXPECT_EQ(r->FindByPath(CKetrelString("//select-button//unselected"))->IsVisible(), !marked);
        }
        if (c.pick >= 0)
        {
            CWidget* button = list->GetChild(c.pick)->FindChild(CKetrelString(kBrixSelectButton), 0);
            ASSERT_NE(button, nullptr);
            rig.state->FireEvent(CKetrelString("select_language_item"), button);
            EXPECT_EQ(rig.state->GetSelectedLanguage(), c.pick);
            for (int row = 0; row < 4; ++row)
                EXPECT_EQ(list->GetChild(row)->FindByPath(CKetrelString("//select-button//selected"))->IsVisible(),
                          row == c.pick);
        }
        rig.host.Take();
        CWidget* ok = rig.Find("//startup_language_chooser//choose_button");
        rig.state->FireEvent(CKetrelString("choose_language"), ok);
        Calls calls = rig.host.Take();
        EXPECT_EQ(Count(calls, c.expectedSet ? c.expectedSet : "none"), c.expectedSet ? 1 : 0) << c.current;
        if (!c.expectedSet)
        {
            EXPECT_TRUE(std::none_of(calls.begin(), calls.end(),
                                     [](const std::string& s) { return s.compare(0, 11, "SetLanguage") == 0; }));
        }
        // Chosen on the first-launch page, the log-in goes on (to the log-in page offline).
        EXPECT_EQ(CurrentPage(rig), kBrixPageLogin) << c.current;
    }
}

TEST(BrixMenuState, LanguageLabelAndList)
{
    MenuRig rig;
    CTextWidget* label = CTextWidget::Cast(rig.Find("settings_language_label"));
    ASSERT_NE(label, nullptr);
    rig.state->FireEvent(CKetrelString("update_settings_language_label"), label);
    EXPECT_EQ(Narrow(label->GetText()), "English");
    rig.host.Take();
    rig.state->FireEvent(CKetrelString("get_languages"), nullptr);
    rig.host.session = 0;
    rig.state->FireEvent(CKetrelString("get_languages"), nullptr);
    EXPECT_EQ(rig.host.Take(), (Calls{"RequestLanguageList"}));
}

// ---- me page ------------------------------------------------------------------------------

namespace
{
// A me row with the result cells of rows 1 to 3 (row 2 without its points cell).
CWidget* MakeMeRow()
{
    CWidget* row = new CWidget();
    row->Init(nullptr, nullptr, CKetrelRect(0, 0, 400, 200));
    for (int n = 1; n <= 3; ++n)
        for (const char* f : {"my_result_%d", "my_points_%d", "my_opponent_%d"})
        {
            if (n == 2 && f[3] == 'p')
                continue;
            char name[32];
            snprintf(name, sizeof(name), f, n);
            CTextWidget* t = new CTextWidget();
            t->Init(nullptr, nullptr, CKetrelRect(0, 0, 100, 20));
            t->SetName(CKetrelString(name));
            t->SetColor(0xFF123456u);
            row->AddChild(t);
        }
    return row;
}

CTextWidget* Cell(CWidget* row, const char* name) { return CTextWidget::Cast(row->FindChild(CKetrelString(name), -1)); }
}

TEST(BrixMenuState, MeRowRequests)
{
    const Calls five = {"RequestPlayerList 32 0 0 -1 0", "RequestPlayerList 32 0 0 0 1", "RequestGameResults 6 -1",
                        "RequestCoinBalance", "RequestAchievementList 0 5 0 64"};
    MenuRig rig;
    CWidget* row = MakeMeRow();
    rig.host.Take();
    rig.state->FireEvent(CKetrelString("load_self"), row);
    EXPECT_EQ(rig.host.Take(), five);
    EXPECT_EQ(rig.state->GetMeRow(), row);
    rig.state->FireEvent(CKetrelString("refresh_self"), row);
    EXPECT_EQ(rig.host.Take(), five);
    rig.state->FireEvent(CKetrelString("unload_self"), row);
    EXPECT_EQ(rig.state->GetMeRow(), nullptr);
    rig.host.session = 0;
    rig.state->FireEvent(CKetrelString("load_self"), row);
    EXPECT_TRUE(rig.host.Take().empty());
    EXPECT_EQ(rig.state->GetMeRow(), nullptr);
    CWidget::Destroy(row);

    CInfiniteList* list = CInfiniteList::Cast(rig.Find("//me_root//list_me"));
    ASSERT_NE(list, nullptr);
    rig.state->FireEvent(CKetrelString("show_me"), list);
    EXPECT_EQ(list->GetItemCount(), 1);
}

TEST(BrixMenuState, ResultRows)
{
    struct Case
    {
        int index, result, points;
        const char* opponent;
        const char* resultCell;    // name of the result cell
        std::string text;
        u32 colour;
    };
    const Case cases[] = {
        {0, -1, 3, "Ann", "my_result_1", "T42", 0xFFFF0000u},
        {0, 0, 1, "Bob", "my_result_1", "T43", 0xFFFFCC00u},
        {2, 1, 9, "Cid", "my_result_3", "T44", 0xFF00FF00u},
        // Outside the table: no verdict, the cell keeps its colour.
        {0, 7, 2, "Dee", "my_result_1", "", 0xFF123456u},
        {0, -9, 2, "Eve", "my_result_1", "", 0xFF123456u},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.session = 1;
        CWidget* row = MakeMeRow();
        rig.state->FireEvent(CKetrelString("load_self"), row);
        CGameResultItem item;
        item.values[0] = c.result;
        item.values[1] = c.points;
        item.text4 = CKetrelString(c.opponent);
        rig.state->OnGameResultItem(nullptr, c.index, item);
        const int n = c.index + 1;
        CTextWidget* result = Cell(row, c.resultCell);
        EXPECT_EQ(Narrow(result->GetText()), c.text);
        EXPECT_EQ(result->GetColor(), c.colour);
        CTextWidget* points = Cell(row, ("my_points_" + std::to_string(n)).c_str());
        ASSERT_NE(points, nullptr);
        EXPECT_EQ(Narrow(points->GetText()), std::to_string(c.points));
        EXPECT_EQ(points->GetColor(), c.colour);
        EXPECT_EQ(Narrow(Cell(row, ("my_opponent_" + std::to_string(n)).c_str())->GetText()), c.opponent);
        rig.state->FireEvent(CKetrelString("unload_self"), row);
        CWidget::Destroy(row);
    }
    // A row without a points cell, an index past the cells, and no me row at all.
    MenuRig rig;
    CGameResultItem item;
    rig.state->OnGameResultItem(nullptr, 0, item);
    CWidget* row = MakeMeRow();
    rig.state->FireEvent(CKetrelString("load_self"), row);
    rig.state->OnGameResultItem(nullptr, 1, item);
    rig.state->OnGameResultItem(nullptr, 40, item);
    EXPECT_EQ(Narrow(Cell(row, "my_result_2")->GetText()), "T43");
    rig.state->FireEvent(CKetrelString("unload_self"), row);
    CWidget::Destroy(row);
}

TEST(BrixMenuState, AchievementRows)
{
    for (int records : {0, 2, 5, 7})
    {
        MenuRig rig;
        CKetrelArray<CAchievementInfo> list;
        for (int i = 0; i < records; ++i)
        {
            CAchievementInfo a;
            a.text2 = CKetrelString(("Title " + std::to_string(i + 1)).c_str());
            list.Add(a);
        }
        for (int i = 1; i <= 5; ++i)
            CTextWidget::Cast(rig.Find(("my_achievement_" + std::to_string(i)).c_str()))->SetText(CKetrelString("old"));
        rig.state->OnAchievementList(0, 5, 0, list, 0);
        for (int i = 1; i <= 5; ++i)
        {
            CTextWidget* t = CTextWidget::Cast(rig.Find(("my_achievement_" + std::to_string(i)).c_str()));
            EXPECT_EQ(Narrow(t->GetText()), i <= records ? "Title " + std::to_string(i) : "") << records << " " << i;
        }
    }
}

// ---- lifecycle and input --------------------------------------------------------------------

TEST(BrixMenuState, LifecycleWithTheGame)
{
    {
        FakeHost host;
        host.game->initResult = 3;
        CBrixMenuState state(&host, false);
        EXPECT_EQ(state.Init(nullptr), 3);
        EXPECT_EQ(state.GetGame(), nullptr);
    }
    FakeHost host;
    {
        CBrixMenuState state(&host, false);
        ASSERT_EQ(state.Init(nullptr), 1);
        state.Activate();
        EXPECT_EQ(state.IsActivated(), 1);
        state.Deactivate();
        EXPECT_EQ(state.IsActivated(), 0);
        EXPECT_EQ(state.GetRoot(), nullptr);
        state.Update(0.1f);
        state.Release();
    }
    const Calls calls = host.Take();
    const Calls order = {"game:Init", "game:Activate", "game:Deactivate", "game:Release", "DeleteGameState"};
    Calls seen;
    for (const std::string& c : calls)
        if (std::find(order.begin(), order.end(), c) != order.end())
            seen.push_back(c);
    EXPECT_EQ(seen, order);
}

TEST(BrixMenuState, PointerGoesToTheMenuFirst)
{
    struct Case
    {
        bool menuOpen;
        int x, y;
        bool gameGetsIt;
    };
    const Case cases[] = {
        {false, 100, 100, true},     // nothing of the menu there
        {false, 640, 28, false},     // the framework button
        {false, 773, 453, true},     // the play screen's right-hand chat button, not covered
        {true, 100, 100, false},     // a menu layer is open
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.Find(kBrixButtonRoot)->SetVisible(true);   // hidden while the loading dialog shows
        rig.state->SetMenuOpen(c.menuOpen);
        rig.host.Take();
        EXPECT_EQ(CWidget::GetCapture(), nullptr) << c.x;
        EXPECT_EQ(rig.state->OnPointerDown(0, c.x, c.y), 1);
        rig.state->OnPointerUp(0, c.x, c.y);
        EXPECT_EQ(Count(rig.host.Take(), "game:OnPointerDown"), c.gameGetsIt ? 1 : 0) << c.x << "," << c.y;
    }
}

TEST(BrixMenuState, RelayoutKeepsTheMenuAndRefeedsTheChat)
{
    for (bool open : {true, false})
    {
        MenuRig rig;
        rig.state->SetMenuOpen(open);
        for (const char* text : {"hi", "ready?", "go"})
            rig.state->AppendChatLine(CKetrelString(text), 0xFFFFFFFFu);
        rig.state->SetInMatch(1);
        rig.state->OpenPage(CKetrelString(kBrixPageChat), open ? 1 : 0);
        rig.state->Update(0.1f);            // one line a frame into the backlog
        EXPECT_EQ(rig.state->GetPendingChatLines(), open ? 2 : 3);
        CWidget* before = rig.state->GetRoot();
        rig.host.Take();
        EXPECT_EQ(rig.state->OnScreenSizeChanged(800, 480), 1);
        EXPECT_NE(rig.state->GetRoot(), nullptr);
        EXPECT_NE(rig.state->GetRoot(), before);
        EXPECT_EQ(rig.state->IsMenuVisible(), open);
        EXPECT_EQ(rig.state->GetPendingChatLines(), 3);
        EXPECT_EQ(Count(rig.host.Take(), "RequestImageAndLink moregames"), 1);
        EXPECT_EQ(rig.state->ReloadLayout(), 1);
        EXPECT_EQ(rig.state->IsMenuVisible(), open);
    }
}

TEST(BrixMenuState, RelayoutKeepsThePageAndAsksForThePlayersAgain)
{
    struct Case
    {
        const char* page;
        bool open;
        bool sizeChange;       // else a theme reload
        bool asks;             // the relayout asks for the player list
    };
    const Case cases[] = {
        {"players_root", true, true, true},
        {"settings_root", true, true, false},
        {"settings_root", true, false, true},
        {"players_root", false, true, false},
        {"players_root", false, false, false},
    };
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.state->OpenPage(CKetrelString(c.page), c.open ? 1 : 0);
        rig.state->Update(0.1f);
        rig.host.Take();
        EXPECT_EQ(c.sizeChange ? rig.state->OnScreenSizeChanged(800, 480) : rig.state->ReloadLayout(), 1);
        const Calls calls = rig.host.Take();
        const int requests = (int)std::count_if(calls.begin(), calls.end(), [](const std::string& call)
                                                { return call.rfind("RequestPlayerList ", 0) == 0; });
        EXPECT_EQ(requests > 0, c.asks) << c.page << " " << c.open << " " << c.sizeChange;
        EXPECT_EQ(CurrentPage(rig), c.page);
        CInfiniteList* list = CInfiniteList::Cast(rig.Find("//players_root//playerlist_global"));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->GetItemCount(), 0);
    }
}

// Backlog lines are one a frame, in their colours, as high as their wrapped text.
TEST(BrixMenuState, BacklogLinesTakeTheirTextsHeightAndColour)
{
    MenuRig rig;
    CRunningList* backlog = CRunningList::Cast(rig.Find(kBrixPathChatBacklog));
    ASSERT_NE(backlog, nullptr);
    CTextWidget* itemTemplate = CTextWidget::Cast(backlog->GetListItemTemplate());
    ASSERT_NE(itemTemplate, nullptr);
    // A font of its own: "A" 7 pixels on, the space 4, lines 10 high (no pages needed to measure).
    std::string xml = "<font><info bold=\"0\"/><common lineHeight=\"10\"/><pages><page id=\"0\" file=\"p.png\"/>"
                      "</pages><chars count=\"2\"><char id=\"65\" x=\"0\" y=\"0\" width=\"6\" height=\"10\" "
                      "xoffset=\"0\" yoffset=\"0\" xadvance=\"7\" page=\"0\"/><char id=\"32\" x=\"6\" y=\"0\" "
                      "width=\"4\" height=\"10\" xoffset=\"0\" yoffset=\"0\" xadvance=\"4\" page=\"0\"/></chars></font>";
    CKetrelXMLDataNode doc;
    ASSERT_EQ(doc.Parse(&xml[0], (u32)xml.size()), KE_OK);
    CKetrelBitmapFont* font = new CKetrelBitmapFont();
    ASSERT_EQ(font->ParseDescriptor(&doc), KE_OK);
    itemTemplate->SetFont(font);   // the template owns it from here
    const int width = itemTemplate->GetRect().Width();
    ASSERT_GT(width, 40);
    std::string wide;
    for (int w = 0; w * 32 < width + 32; ++w)
        wide += "AAAA ";
    struct Line
    {
        std::string text;
        u32 colour;
        int height;
    };
    const Line lines[] = {{"AAAA", 0xFFFFFFFFu, 10}, {wide, 0xFF2F9BCEu, 20}};
    for (const Line& l : lines)
        rig.state->AppendChatLine(CKetrelString(l.text.c_str()), l.colour);
    rig.state->SetInMatch(1);
    rig.state->OpenPage(CKetrelString(kBrixPageChat), 1);
    const int before = backlog->GetChildCount();
    rig.state->Update(0.016f);
    rig.state->Update(0.016f);
    ASSERT_EQ(backlog->GetChildCount(), before + 2);
    for (int i = 0; i < 2; ++i)
    {
        CTextWidget* drawn = CTextWidget::Cast(backlog->GetChild(before + i));
        ASSERT_NE(drawn, nullptr);
        EXPECT_EQ(Narrow(drawn->GetText()), lines[i].text);
        EXPECT_EQ(drawn->GetColor(), lines[i].colour);
        EXPECT_EQ(drawn->GetRect().Height(), lines[i].height) << i;
    }
}

TEST(BrixMenuState, FrameworkButtonShowsTheTurnClock)
{
    struct Case
    {
        f32 fraction;
        bool menuOpen;
        bool clockShown;
    };
    const Case cases[] = {{0.5f, true, true}, {0.5f, false, false}, {0.0f, true, false}, {-1.0f, true, false}};
    for (const Case& c : cases)
    {
        MenuRig rig;
        rig.host.game->turnClock = c.fraction;
        rig.state->SetMenuOpen(c.menuOpen);
        rig.state->Update(0.01f);
        CWidget* image = rig.Find(kBrixButtonImage);
        CWidget* timer = rig.Find(kBrixButtonTimer);
        ASSERT_TRUE(image && timer);
        EXPECT_EQ(timer->IsVisible(), c.clockShown) << c.fraction << " " << c.menuOpen;
        EXPECT_EQ(image->IsVisible(), !c.clockShown);
        if (c.clockShown)
        {
            CPieWidget* pie = CPieWidget::Cast(rig.Find(kBrixTurnClock));
            ASSERT_NE(pie, nullptr);
            EXPECT_NEAR(pie->GetAngle(), c.fraction * 6.2831855f, 1e-4);
        }
    }
}
