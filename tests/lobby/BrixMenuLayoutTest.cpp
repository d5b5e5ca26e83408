// The lobby's own layout against the names the menu code uses: every widget the code
// looks up is found, every event the menu registers is bound in the layout and every
// action the layout binds is registered; a layout without a widget the menu needs is
// refused.
#include "LobbyTestKit.h"

#include "lobby/BrixLobbyNames.h"
#include "ui/PageView.h"
#include "ui/Widget.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace lobbytest;

namespace
{
std::set<std::string> LayoutActions(const std::string& xml)
{
    std::set<std::string> actions;
    const std::regex action("action=\"([^\"]*)\"");
    for (std::sregex_iterator it(xml.begin(), xml.end(), action), end; it != end; ++it)
        actions.insert((*it)[1].str());
    return actions;
}
}

TEST(BrixMenuLayout, EveryNameTheCodeLooksUpIsFound)
{
    MenuRig rig;
    ASSERT_NE(rig.state->GetRoot(), nullptr);
    CWidget* root = rig.state->GetRoot();
    int checked = 0;
    for (const CBrixLobbyName* n = kBrixLobbyNames; n->name; ++n, ++checked)
    {
        const CKetrelString name(n->name);
        CWidget* w = n->lookup == BRIX_LOOKUP_PATH ? root->FindByPath(name) : root->FindChild(name, -1);
        EXPECT_NE(w, nullptr) << n->name;
    }
    EXPECT_GT(checked, 60);
}

TEST(BrixMenuLayout, EventsAndActionsMatch)
{
    const std::set<std::string> actions = LayoutActions(ReadSourceFile("assets/framework/layouts/menu_root.xml"));
    std::set<std::string> registered;
    const CBrixMenuState::EventEntry* table = CBrixMenuState::GetEventTable();
    for (int i = 0; i < CBrixMenuState::EVENT_COUNT; ++i)
    {
        EXPECT_TRUE(registered.insert(table[i].name).second) << "twice: " << table[i].name;
        EXPECT_TRUE(actions.count(table[i].name) || actions.count(std::string("app:") + table[i].name))
            << "not bound in the layout: " << table[i].name;
    }
    for (const std::string& a : actions)
    {
        const std::string plain = a.compare(0, 4, "app:") == 0 ? a.substr(4) : a;
        EXPECT_TRUE(registered.count(plain)) << "not registered: " << a;
    }
}

TEST(BrixMenuLayout, PagesOfTheMenuPageView)
{
    MenuRig rig;
    CPageView* view = rig.state->GetPageView();
    ASSERT_NE(view, nullptr);
    EXPECT_GT(view->GetHistorySize(), 0);   // ":back" needs a history
    for (const char* page : {kBrixPageLogin, kBrixPageStart, kBrixPageLoading, kBrixPageLanguageChooser,
                             kBrixPageChat, kBrixPageChallengeWaiting, kBrixPageError, kBrixPageErrorCoins,
                             "settings_root", "me_root", "players_root", "shop_root", "challenge_received"})
    {
        CWidget* w = view->FindChild(CKetrelString(page), 0);
        EXPECT_NE(w, nullptr) << page;
        EXPECT_GE(view->IndexOfPage(w), 0) << page;
    }
    // The log-in page offers play without a server.
    CWidget* offline = rig.Find("//loginscreen_root//offline_button");
    EXPECT_NE(offline, nullptr);
}

TEST(BrixMenuLayout, MissingMandatoryWidgetRefusesTheLayout)
{
    const char* mandatory[] = {"menu_root", "brix_button_root", "brix_button", "shop_page_list",
                               "my_items_page_list"};
    const std::string xml = ReadSourceFile("assets/framework/layouts/menu_root.xml");
    for (const char* name : mandatory)
    {
        FakeHost host;
        std::string changed = xml;
        const std::string from = std::string("name=\"") + name + "\"";
        const size_t at = changed.find(from);
        ASSERT_NE(at, std::string::npos) << name;
        changed.replace(at, from.size(), std::string("name=\"") + name + "_gone\"");
        host.ui.resources.files["menu_root.xml"] = changed;
        CBrixMenuState state(&host, false);
        ASSERT_EQ(state.Init(nullptr), 1);
        state.Activate();
        EXPECT_EQ(state.GetRoot(), nullptr) << name;
        EXPECT_EQ(state.IsActivated(), 0) << name;
        EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "Quit"), 1) << name;
        state.Release();
    }
    // Optional widgets may be missing.
    FakeHost host;
    std::string changed = xml;
    changed.replace(changed.find("name=\"chat-notifier\""), 20, "name=\"chat-notifier-x\"");
    host.ui.resources.files["menu_root.xml"] = changed;
    CBrixMenuState state(&host, false);
    state.Init(nullptr);
    state.Activate();
    EXPECT_NE(state.GetRoot(), nullptr);
    state.Release();
}
