#include "ApplicationTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixStatsStore.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixToastNotification.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <map>

// The application's state list, frame driver and input routing, without a window.
namespace
{
std::string Order(const CTolvaneApplication& app)
{
    std::string out;
    for (i32 i = 0; i < app.GetStateCount(); ++i)
        out += static_cast<RecState*>(app.GetStateAt(i))->Name();
    return out;
}

// Lifecycle calls only (no per-frame Update and Render).
std::string Lifecycle()
{
    std::string out;
    for (const std::string& e : CallLog())
    {
        const std::string op = e.substr(e.find('.') + 1);
        if (op == "Update" || op == "Render" || op == "Init")
            continue;
        out += (out.empty() ? "" : " ") + e;
    }
    return out;
}

class TolvaneStates : public ::testing::Test
{
protected:
    void SetUp() override { CallLog().clear(); }

    // Pushes one RecState per letter of names; the log starts empty afterwards.
    std::vector<RecState*> Push(const std::string& names, std::vector<i32> updates = {},
                                std::vector<i32> inputs = {})
    {
        std::vector<RecState*> states;
        for (size_t i = 0; i < names.size(); ++i)
        {
            RecState* s = new RecState(std::string(1, names[i]), i < updates.size() ? updates[i] : 0,
                                       i < inputs.size() ? inputs[i] : 1);
            EXPECT_EQ(KE_OK, app.PushState(s));
            states.push_back(s);
        }
        CallLog().clear();
        return states;
    }

    HeadlessTolvane app;
};
} // namespace

TEST_F(TolvaneStates, PushActivatesOnlyTheFirstAndAFailedInitDeletes)
{
    RecState* a = new RecState("A");
    EXPECT_EQ(KE_OK, app.PushState(a));
    EXPECT_EQ(KE_OK, app.PushState(new RecState("B")));
    EXPECT_EQ(9, app.PushState(new RecState("C", 0, 1, 9)));
    EXPECT_EQ("A.Activate C.Delete", Lifecycle());
    EXPECT_EQ("AB", Order(app));
    EXPECT_EQ(KE_ERR_ARGUMENT, app.PushState(nullptr));

    CallLog().clear();
    EXPECT_EQ(0, app.RemoveState(reinterpret_cast<IBrixState*>(&app)));
    EXPECT_EQ(1, app.RemoveState(a));
    EXPECT_EQ("A.Deactivate A.Release A.Delete B.Activate", Lifecycle());
}

TEST_F(TolvaneStates, FinishedAndSentBackStatesInOneFrame)
{
    struct Case
    {
        const char* finished;     // letters that report IsFinished
        const char* sentBack;     // letters that report IsSentToBack
        const char* order;        // the list after the frame
        const char* calls;        // lifecycle calls of the frame
    };
    const Case cases[] = {
        {"", "", "ABC", ""},
        {"", "AB", "CAB", "A.Deactivate B.Activate B.Deactivate C.Activate"},
        {"A", "A", "BC", "A.Deactivate A.Release A.Delete B.Activate"},
        {"B", "", "AC", "B.Release B.Delete"},
        {"", "C", "ABC", "C.Deactivate"},
        {"", "B", "ACB", "B.Deactivate"},
        {"AC", "", "B", "A.Deactivate A.Release A.Delete B.Activate C.Release C.Delete"},
    };
    for (const Case& c : cases)
    {
        HeadlessTolvane local;
        CallLog().clear();
        std::vector<RecState*> states;
        for (char n : std::string("ABC"))
        {
            states.push_back(new RecState(std::string(1, n)));
            local.PushState(states.back());
        }
        CallLog().clear();
        for (RecState* s : states)
        {
            if (std::string(c.finished).find(s->Name()) != std::string::npos)
                s->Finish();
            if (std::string(c.sentBack).find(s->Name()) != std::string::npos)
                s->SendToBack();
        }
        local.RunFrame(0.02f);
        EXPECT_EQ(c.order, Order(local)) << c.finished << "/" << c.sentBack;
        EXPECT_EQ(c.calls, Lifecycle()) << c.finished << "/" << c.sentBack;
        for (i32 i = 0; i < local.GetStateCount(); ++i)
            EXPECT_EQ(0, local.GetStateAt(i)->IsSentToBack());
    }
}

TEST_F(TolvaneStates, BringToFrontMovesInTheNextFrame)
{
    struct Case
    {
        const char* requests;     // states asked for, in order
        const char* removed;      // removed directly after the requests
        const char* order;
        const char* calls;
    };
    const Case cases[] = {
        {"C", "", "CAB", "A.Deactivate C.Activate"},
        {"A", "", "ABC", ""},
        {"BC", "", "CBA", "A.Deactivate B.Activate B.Deactivate C.Activate"},
        {"B", "B", "AC", "B.Release B.Delete"},
        {"BC", "B", "CA", "B.Release B.Delete A.Deactivate C.Activate"},
    };
    for (const Case& c : cases)
    {
        HeadlessTolvane local;
        CallLog().clear();
        std::map<char, RecState*> byName;
        for (char n : std::string("ABC"))
        {
            byName[n] = new RecState(std::string(1, n));
            local.PushState(byName[n]);
        }
        CallLog().clear();
        for (char n : std::string(c.requests))
            EXPECT_EQ(1, local.BringToFront(byName[n]));
        EXPECT_EQ("", Lifecycle());    // nothing moves before the frame
        for (char n : std::string(c.removed))
            local.RemoveState(byName[n]);
        // A state pushed now may reuse a removed state's address: it must not move.
        local.PushState(new RecState("D"));
        local.RunFrame(0.02f);
        EXPECT_EQ(std::string(c.order) + "D", Order(local)) << c.requests;
        EXPECT_EQ(c.calls, Lifecycle()) << c.requests;
    }
}

TEST_F(TolvaneStates, UpdateStopsAtTheFirstNonZeroAndOnlyTheFirstRenders)
{
    Push("ABC", {0, 1, 0});
    app.RunFrame(0.02f);
    EXPECT_EQ((std::vector<std::string>{"A.Update", "B.Update", "A.Render"}), CallLog());

    CallLog().clear();
    HeadlessTolvane other;
    for (char n : std::string("XY"))
        other.PushState(new RecState(std::string(1, n), 7));
    CallLog().clear();
    other.RunFrame(0.02f);
    EXPECT_EQ((std::vector<std::string>{"X.Update", "X.Render"}), CallLog());
}

TEST_F(TolvaneStates, AnEmptyListQuitsAtTheEndOfTheFrame)
{
    std::vector<RecState*> s = Push("A");
    s[0]->Finish();
    EXPECT_EQ(0, app.IsQuitRequested());
    app.RunFrame(0.02f);
    EXPECT_EQ(0, app.GetStateCount());
    EXPECT_EQ(1, app.IsQuitRequested());
}

TEST_F(TolvaneStates, InputGoesToTheStatesInOrderUntilOneTakesIt)
{
    Push("ABC", {}, {0, 5, 1});
    struct Case
    {
        const char* op;
        i32 (*route)(CTolvaneApplication&);
    };
    const Case cases[] = {
        {"Down", [](CTolvaneApplication& a) { return a.RoutePointerDown(0, 10, 20); }},
        {"Move", [](CTolvaneApplication& a) { return a.RoutePointerMove(0, 10, 20); }},
        {"Up", [](CTolvaneApplication& a) { return a.RoutePointerUp(0, 10, 20); }},
        {"Key", [](CTolvaneApplication& a) { return a.RouteKeyDown(0x61); }},
        {"Char", [](CTolvaneApplication& a) { return a.RouteChar('a'); }},
    };
    for (const Case& c : cases)
    {
        CallLog().clear();
        EXPECT_EQ(5, c.route(app)) << c.op;
        const std::string op = c.op;
        EXPECT_EQ((std::vector<std::string>{"A." + op, "B." + op}), CallLog());
    }

    HeadlessTolvane empty;
    EXPECT_EQ(0, empty.RoutePointerDown(0, 1, 1));
    EXPECT_EQ(0, empty.RouteKeyDown(0x61));
}

TEST_F(TolvaneStates, FocusReachesTheGameThenTheStatesUntilOneTakesIt)
{
    FakeGame* game = new FakeGame(UniqueAppName());
    EXPECT_EQ(9, app.Init(0, 640, 360, game));      // no display here: the window fails
    Push("AB", {}, {1, 1});
    app.SetActive(0);
    EXPECT_EQ((std::vector<std::string>{"game.Focus", "A.Focus"}), CallLog());
}

TEST_F(TolvaneStates, GraphicsRestoreShowsTheBusyFrameThenReloads)
{
    FakeGame* game = new FakeGame(UniqueAppName());
    app.Init(0, 640, 360, game);
    std::vector<RecState*> s = Push("AB");
    app.m_restoreStep = CTolvaneApplication::RESTORE_BUSY_SCREEN;

    app.RunFrame(0.02f);           // the busy screen, nothing else
    EXPECT_TRUE(CallLog().empty());
    EXPECT_EQ(CTolvaneApplication::RESTORE_RELOAD, app.GetGraphicsRestoreStep());

    app.RunFrame(0.02f);           // every graphic reloaded, still no update
    EXPECT_EQ((std::vector<std::string>{"game.Reload", "A.Reload", "B.Reload"}), CallLog());
    EXPECT_EQ(CTolvaneApplication::RESTORE_NONE, app.GetGraphicsRestoreStep());

    CallLog().clear();
    app.RunFrame(0.02f);
    EXPECT_EQ((std::vector<std::string>{"A.Update", "B.Update", "A.Render"}), CallLog());

    // A reload that fails ends the run: the application shuts down.
    s[1]->SetReloadResult(9);
    app.m_restoreStep = CTolvaneApplication::RESTORE_RELOAD;
    CallLog().clear();
    app.RunFrame(0.02f);
    EXPECT_EQ(0, app.GetStateCount());
    EXPECT_EQ(nullptr, app.GetGameState());
}

namespace
{
// A popup or a toast that records the pointer events it is offered and answers taken.
template <class Base>
class RecOverlay : public Base
{
public:
    RecOverlay(const char* name, i32 taken, i32 shown = 1, i32 kind = 1)
        : m_name(name), m_taken(taken), m_shownFlag(shown), m_kind(kind) {}
    ~RecOverlay() override { CallLog().push_back(m_name + ".Delete"); }
    i32 OnPointerDown(i32, i32, i32) override { return Log("Down"); }
    i32 OnPointerMove(i32, i32, i32) override { return Log("Move"); }
    i32 OnPointerUp(i32, i32, i32) override { return Log("Up"); }
    i32 Log(const char* what)
    {
        CallLog().push_back(m_name + "." + what);
        return m_taken;
    }
    std::string m_name;
    i32 m_taken, m_shownFlag, m_kind;
};

class RecToast : public RecOverlay<CBrixToastNotification>
{
public:
    using RecOverlay::RecOverlay;
    i32 IsShown() override { return m_shownFlag; }
    i32 GetShownKind() override { return m_kind; }
};
} // namespace

// Pointer input: the toast (only while showing), the first popup, then the states.
TEST_F(TolvaneStates, PointerInputGoesToTheToastThenThePopupThenTheStates)
{
    struct Case
    {
        const char* name;
        i32 toastShown, toastTakes, toastKind, popupTakes;
        i32 result;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"hidden toast, popup passes", 0, 1, 1, 0, 1, {"popup.Down", "A.Down"}},
        {"toast takes a message tap", 1, 1, 1, 0, 1, {"toast.Down"}},
        {"toast tap of another kind", 1, 1, 2, 0, 2, {"toast.Down"}},
        {"a challenge toast opens its page", 1, 1, 3, 0, 1, {"toast.Down"}},
        {"toast passes, popup takes", 1, 0, 1, 4, 4, {"toast.Down", "popup.Down"}},
        {"a toast of a negative kind takes its tap", 1, 1, -1, 0, -1, {"toast.Down"}},
        {"a popup's negative answer is taken", 1, 0, 1, -2, -2, {"toast.Down", "popup.Down"}},
    };
    for (const Case& c : cases)
    {
        HeadlessTolvane local;
        local.PushState(new RecState("A"));
        local.m_toast = new RecToast("toast", c.toastTakes, c.toastShown, c.toastKind);
        local.AddPopup(new RecOverlay<CBrixNotification>("popup", c.popupTakes));
        local.AddPopup(new RecOverlay<CBrixNotification>("second", 1));   // never offered
        CallLog().clear();
        EXPECT_EQ(c.result, local.RoutePointerDown(0, 5, 5)) << c.name;
        EXPECT_EQ(c.calls, CallLog()) << c.name;
    }
    // Moves and releases follow the same order; the toast's answer is passed on as is.
    HeadlessTolvane local;
    local.PushState(new RecState("A"));
    local.m_toast = new RecToast("toast", 0, 1, 1);
    local.AddPopup(new RecOverlay<CBrixNotification>("popup", 0));
    CallLog().clear();
    EXPECT_EQ(1, local.RoutePointerMove(0, 5, 5));
    EXPECT_EQ(1, local.RoutePointerUp(0, 5, 5));
    EXPECT_EQ((std::vector<std::string>{"toast.Move", "popup.Move", "A.Move", "toast.Up", "popup.Up", "A.Up"}),
              CallLog());
}

// Only the first popup is ticked; a finished one is released and the next one follows.
TEST_F(TolvaneStates, AFinishedPopupIsDeletedAndTheNextOneFollows)
{
    Push("A");
    auto* first = new RecOverlay<CBrixNotification>("first", 0);
    app.AddPopup(first);
    app.AddPopup(new RecOverlay<CBrixNotification>("second", 0));
    first->Finish();
    CallLog().clear();
    app.RunFrame(0.02f);
    EXPECT_EQ((std::vector<std::string>{"first.Delete", "A.Update", "A.Render"}), CallLog());
    CallLog().clear();
    EXPECT_EQ(1, app.RoutePointerDown(0, 1, 1));
    EXPECT_EQ((std::vector<std::string>{"second.Down", "A.Down"}), CallLog());
}

// The busy screen: black everywhere, the picture's dots in the bottom-right corner only.
TEST_F(TolvaneStates, TheBusyScreenIsBlackWithThePictureBottomRight)
{
    ASSERT_TRUE(app.SetScreen(200, 100));
    CKetrelSurface* screen = app.GetBackBuffer();
    memset(screen->GetPixels(), 0x7F, (size_t)screen->GetPitch() * 100);
    app.ShowBusyScreen();
    auto pixel = [&](int x, int y) {
        const u8* p = screen->GetPixels() + y * screen->GetPitch() + x * 4;
        return (u32)p[0] | (u32)p[1] << 8 | (u32)p[2] << 16;   // R, G, B
    };
    u32 brightest = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
        {
            const bool corner = x >= 200 - 56 && y >= 100 - 56;
            if (!corner)
                ASSERT_EQ(0u, pixel(x, y)) << x << "," << y;
            else
                brightest = std::max(brightest, pixel(x, y) & 0xFF);
        }
    EXPECT_GT(brightest, 0x80u);
    // The dot at angle 0 sits right of the picture's centre.
    EXPECT_GT(pixel(200 - 56 + 46, 100 - 56 + 27) & 0xFF, 0x40u);
}
