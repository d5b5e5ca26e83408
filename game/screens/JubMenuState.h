#pragma once
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "game/screens/JubButtonScreen.h"

class CStateGame;

// Button ids of the menu.
enum
{
    JUB_MENU_PLAY = 0,
    JUB_MENU_EDITOR = 1,
    JUB_MENU_EXIT = 2,
    JUB_MENU_INTRO = 3,
    JUB_MENU_HELP = 4,
    JUB_MENU_CREDITS = 5,
    JUB_MENU_SHARE = 6,
    JUB_MENU_CREDITS_CLOSE = 7,
    JUB_MENU_TRAINING = 8
};

// The game's main menu (screen 0): the title picture and a spinner while the game loads
// its images and sounds one per frame, then the buttons, particles and theme music. A
// click asks for the next screen; the screen is done once the button has finished its
// release animation. The credits roll over the title while shown.
class CJubMenuState : public CJubButtonScreen
{
public:
    CJubMenuState();

    int Init(CJubGameHost* game) override;
    int Update(f32 dt) override;
    void Render() override;

    void OnButtonClicked(CJubButton* button) override;

    i32 IsLoadingRequested() const { return m_loadingRequested; }
    i32 IsLaidOut() const { return m_laidOut; }
    i32 IsCreditsShown() const { return m_creditsShown; }
    i32 IsLeaveRequested() const { return m_leaveRequested; }
    f32 GetCreditsScroll() const { return m_creditsScroll; }

    // Credit rows: the text and whether it is a heading (its page value says so).
    static i32 GetCreditCount();
    static const CKetrelString& GetCreditText(i32 row);
    static i32 IsCreditHeading(i32 row);
    // The alpha (0..1) of a credit row at y on a screen of height h.
    static f32 CreditAlpha(f32 y, f32 screenHeight, f32 screenWidth);
    // "/api/forward.php?link=<link>&game=%d&release=%d&rid=%s" on the web host.
    static CKetrelString ForwardUrl(const CKetrelString& host, const char* link, i32 game,
                                    i32 release, const CKetrelString& reseller);

    // Advances the credits roll by dtMs milliseconds of the tick timer (Render does it
    // once per frame); 1 while the roll goes on.
    i32 AdvanceCredits(i32 dtMs);

private:
    void LayOut();
    void Finish(i32 next);
    void OpenCredits();
    void CloseCredits();
    void OpenPage(const char* link);
    void RenderCredits();

    i32 m_creditsShown;
    f32 m_elapsed;
    i32 m_leaveRequested;
    CKetrelRectF m_spinner;
    i32 m_loadingRequested;
    i32 m_laidOut;
    f32 m_creditsScroll;
    i32 m_creditsDragging;
    u64 m_creditsPrevious;
};
