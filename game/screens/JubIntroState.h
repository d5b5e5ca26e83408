#pragma once
#include "engine/KetrelRect.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubState.h"

class CKetrelSurface;

enum
{
    JUB_TORCH_WAITING = 0,
    JUB_TORCH_FADING_IN = 1,
    JUB_TORCH_SHOWN = 2,
    JUB_TORCH_FADING_OUT = 3,
    JUB_TORCH_GONE = 4
};

// The intro (screen 4): eleven pictures slide from right to left under an animated
// torch-light overlay, with the intro music; at the end the strip snaps into place and
// the screen fades out, then returns to the menu. The exit button leaves at any time.
// The animation follows the game clock, not the number of frames.
class CJubIntroState : public CJubState, public CJubButtonListener
{
public:
    CJubIntroState();
    ~CJubIntroState() override;

    int Init(CJubGameHost* game) override;
    void Deinit() override;
    int Update(f32 dt) override;
    void Render() override;
    void ReloadResources() override;
    // Gives the pictures, the torch and the shared images 7, 8, 11, 58 and 59 back to the
    // caches; harmless to call again.
    void ReleaseResources();

    void OnButtonPressed(CJubButton*) override {}
    void OnButtonClicked(CJubButton* button) override;
    void OnButtonHeld(CJubButton*) override {}

    // One animation step of t seconds.
    void Animate(f32 t);

    i32 IsLeaving() const { return m_leaving; }
    i32 IsEndReached() const { return m_endReached; }
    i32 IsEndFadeDone() const { return m_endFadeDone; }
    f32 GetEndTimer() const { return m_endTimer; }
    i32 GetTorchState() const { return m_torchState; }
    f32 GetTorchAlpha() const { return m_torchAlpha; }
    i32 GetTorchFrame() const { return m_torchFrame; }
    i32 IsTouchArmed() const { return m_touchArmed; }
    const CKetrelRectF& GetPicture(i32 i) const { return m_pictures[i]; }
    CJubButtonManager* GetButtons() const { return m_buttons; }

private:
    void FetchPictures();
    // Fetches picture i unless it is held: 1 when it was asked for (fetched or not).
    i32 FetchPicture(i32 i);

    i32 m_leaving;
    CKetrelSurface* m_torch;           // one reference from the resources
    CJubButtonManager* m_buttons;      // owned
    i32 m_loadedCount;
    i32 m_loadTarget;
    i32 m_touchArmed;
    i32 m_endReached;
    i32 m_endFadeDone;
    f32 m_endTimer;
    CKetrelRectF m_torchRect;
    f32 m_torchAlpha;
    i32 m_torchState;
    i32 m_torchFrame;
    u32 m_previous;
    CKetrelRectF m_pictures[JUB_HELP_PICTURE_COUNT];
    CKetrelSurface* m_images[JUB_HELP_PICTURE_COUNT];
    i32 m_loaded[JUB_HELP_PICTURE_COUNT];
};
