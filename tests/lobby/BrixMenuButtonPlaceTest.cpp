// The lobby's menu button stays over every screen, the game's and the lobby's own pages:
// where our layout puts it, at 800 x 480 and at 640 x 360, it covers no button of the
// game's screens (the mute button over all of them, the menu with the credits' close
// button, training, the intro, connecting, and the play screen of a training scene and of
// a match, every button laid out, shown or not) and no control of a lobby page.
#include "LobbyTestKit.h"
#include "ScreenTestKit.h"

#include "engine/KetrelResult.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubPlayState.h"
#include "game/screens/JubButtonScreen.h"
#include "game/screens/JubIntroState.h"
#include "game/screens/JubMenuState.h"
#include "game/screens/JubTrainingState.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/Widget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lobbytest;

namespace
{
struct Placed
{
    std::string what;
    CKetrelRectF rect;
};

bool Overlap(const CKetrelRectF& a, const CKetrelRectF& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void AddButtons(const char* screen, CJubButtonManager* buttons, std::vector<Placed>* out)
{
    for (i32 i = 0; buttons && i < buttons->GetButtonCount(); ++i)
    {
        const CJubButton* b = buttons->GetButton(i);
        out->push_back({std::string(screen) + " button " + std::to_string(b->id),
                        CKetrelRectF(b->centre.x - b->halfSize.x, b->centre.y - b->halfSize.y,
                                     b->centre.x + b->halfSize.x, b->centre.y + b->halfSize.y)});
    }
}

CJubButtonManager* ScreenButtons(TestGame& game, i32 id)
{
    CJubButtonScreen* screen = dynamic_cast<CJubButtonScreen*>(game.GetScreen(id));
    return screen ? screen->GetButtons() : nullptr;
}

// Every button the game's screens lay out on a screen of that size.
std::vector<Placed> GameButtons(int width, int height)
{
    std::vector<Placed> out;
    TestGame game;
    if (game.Start(width, height) != KE_OK)
        return out;
    out.push_back({"mute button", game.GetMuteSquare()});   // over every screen of the game
    game.SwitchToScreen(JUB_SCREEN_MENU);
    CJubMenuState* menu = dynamic_cast<CJubMenuState*>(game.GetScreen(JUB_SCREEN_MENU));
    for (int i = 0; i < 200 && menu && !menu->IsLaidOut(); ++i)
        game.Frame(JUB_STEP_LENGTH_MS, 1);
    AddButtons("menu", ScreenButtons(game, JUB_SCREEN_MENU), &out);
    game.SwitchToScreen(JUB_SCREEN_INTRO);
    if (CJubIntroState* intro = dynamic_cast<CJubIntroState*>(game.GetScreen(JUB_SCREEN_INTRO)))
        AddButtons("intro", intro->GetButtons(), &out);
    game.SwitchToScreen(JUB_SCREEN_CONNECTING);
    AddButtons("connecting", ScreenButtons(game, JUB_SCREEN_CONNECTING), &out);

    game.SwitchToScreen(JUB_SCREEN_TRAINING);
    CJubTrainingState* training = dynamic_cast<CJubTrainingState*>(game.GetScreen(JUB_SCREEN_TRAINING));
    AddButtons("training", ScreenButtons(game, JUB_SCREEN_TRAINING), &out);
    CJubButtonManager* scenes = training ? training->GetButtons() : nullptr;
    if (scenes && scenes->GetButtonCount() > 0)
        training->OnButtonClicked(scenes->GetButton(0));
    game.Steps(40);
    if (CJubPlayState* play = game.GetPlayScreen())
        AddButtons("training scene", play->GetButtons(), &out);

    // A match, this handset the host: the whole HUD once the first turn has begun.
    TestGame match;
    match.shell.players[0] = {100, "Ann"};
    match.shell.players[1] = {200, "Bob"};
    if (match.Start(width, height) != KE_OK)
        return out;
    match.Activate();
    match.StartMatch(1);
    match.Steps(3);
    if (CJubPlayState* play = match.GetPlayScreen())
    {
        play->PostBeginTurn(0);
        match.Steps(3);
        AddButtons("match", play->GetButtons(), &out);
    }
    return out;
}

// A widget's rectangle in screen pixels.
CKetrelRectF ScreenRect(CWidget* w)
{
    i32 x = 0, y = 0;
    for (CWidget* a = w; a; a = a->GetParent())
        a->LocalToParent(&x, &y);
    return CKetrelRectF((f32)x, (f32)y, (f32)(x + w->GetWidth()), (f32)(y + w->GetHeight()));
}

bool IsControl(CWidget* w)
{
    if (w->IsKindOf(CWidgetType::Button()) || w->IsKindOf(CWidgetType::Slider()) ||
        w->IsKindOf(CWidgetType::SlideArea()))
        return true;
    CTextWidget* text = CTextWidget::Cast(w);
    return text && text->IsEditable();
}

// The controls of the lobby's pages and dialogs, the menu button's own group left out.
void LobbyControls(CWidget* w, CWidget* button, std::vector<Placed>* out)
{
    for (i32 i = 0; i < w->GetChildCount(); ++i)
    {
        CWidget* c = w->GetChild(i);
        if (c == button)
            continue;
        if (IsControl(c))
            out->push_back({"lobby " + Narrow(c->GetName()), ScreenRect(c)});
        // A list's rows and their templates lie inside the list, a control itself.
        if (!c->IsKindOf(CWidgetType::SlideArea()))
            LobbyControls(c, button, out);
    }
}
}

TEST(BrixMenuButtonPlace, CoversNoControlOfAnyScreen)
{
    const int sizes[][2] = {{800, 480}, {640, 360}};
    for (const auto& size : sizes)
    {
        SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]));
        FakeHost host;
        host.screenW = size[0];
        host.screenH = size[1];
        CBrixMenuState state(&host, false);
        state.Init(nullptr);
        state.Activate();
        ASSERT_NE(state.GetRoot(), nullptr);
        CWidget* group = state.GetRoot()->FindChild(CKetrelString("brix_button_root"), -1);
        ASSERT_NE(group, nullptr);
        const CKetrelRectF button = ScreenRect(group);
        EXPECT_GE(button.right - button.left, size[0] / 16.0f) << "the button is too small to tap";

        std::vector<Placed> controls = GameButtons(size[0], size[1]);
        std::string names;
        for (const Placed& p : controls)
            names += p.what + ";";
        for (const char* laidOut : {"mute button;", "menu button 0;", "training button 1;", "intro button 1;",
                                    "connecting button 0;", "training scene button 13;",
                                    "match button 7;", "match button 8;"})
            EXPECT_NE(std::string::npos, names.find(laidOut)) << laidOut << " in " << names;
        const size_t gameCount = controls.size();
        LobbyControls(state.GetRoot(), group, &controls);
        EXPECT_GT(controls.size(), gameCount + 40) << "the lobby's pages are laid out";
        for (const Placed& p : controls)
            EXPECT_FALSE(Overlap(button, p.rect))
                << p.what << " at " << p.rect.left << "," << p.rect.top << " - " << p.rect.right
                << "," << p.rect.bottom << " lies under the menu button at " << button.left
                << "," << button.top << " - " << button.right << "," << button.bottom;
        state.Release();
    }
}
