#pragma once
#include "game/screens/JubButtonScreen.h"

// The training picker (screen 5): fifteen scene buttons, each enabled once the scene
// before it is cleared, and an exit button. A five-second hint shows on the first visit
// and once after the last scene is cleared; while it shows the scene buttons are locked.
// The chosen scene goes to the game object through the parameter (next screen 2).
class CJubTrainingState : public CJubButtonScreen
{
public:
    CJubTrainingState();

    int Init(CJubGameHost* game) override;
    int Update(f32 dt) override;
    void Render() override;

    void OnButtonClicked(CJubButton* button) override;

    f32 GetHintTimer() const { return m_hintTimer; }
    i32 IsProgress() const { return m_progress; }
    i32 IsCompletionSeen() const { return m_completionSeen; }
    i32 IsLeaving() const { return m_leaving; }

private:
    void LayOut();

    i32 m_completionSeen;
    f32 m_elapsed;
    i32 m_leaving;
    i32 m_progress;                    // scene 0 cleared (scene 1 unlocked)
    f32 m_hintTimer;                   // seconds; -1 idle
};
