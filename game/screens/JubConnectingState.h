#pragma once
#include "game/screens/JubButtonScreen.h"

// Shown while the game service looks for an opponent (screen 3): a countdown from 10 to
// 1 over 20 seconds, a spinner, a text and a give-up button. Giving up or running out of
// time cancels the match request once and returns to the menu; CloseConnectingScreen
// ends it without cancelling.
class CJubConnectingState : public CJubButtonScreen
{
public:
    CJubConnectingState();

    int Init(CJubGameHost* game) override;
    int Update(f32 dt) override;
    void Render() override;

    void OnButtonClicked(CJubButton* button) override;

    // The countdown shown after elapsed seconds: 1..10.
    static i32 Countdown(f32 elapsed);
    i32 GetCountdown() const { return m_countdown; }
    i32 IsLeaving() const { return m_leaving; }

private:
    void CancelOnce();
    f32 Elapsed();

    f32 m_startTime;                   // seconds of the tick timer at Init
    i32 m_countdown;
    i32 m_leaving;
};
