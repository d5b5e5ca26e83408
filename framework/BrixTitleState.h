#pragma once
// framework/BrixTitleState.h
#include "engine/KetrelTypes.h"
#include "framework/BrixState.h"

class CKetrelSurface;
class IBrixFrameworkHost;

// The second screen of every run: a background chosen by the screen's orientation,
// scaled to cover it, with the title picture centred over it, for 3 s. It fades in
// over the first half second and out over the last; at 2.5 s (or when deactivated
// earlier) it starts the social part, once. Pictures from the pack "title.vad",
// added by Init and removed by Release. Main thread.
class CBrixTitleState : public IBrixState
{
public:
    static const char* const PackName;   // "title.vad"

    CBrixTitleState();
    ~CBrixTitleState() override;         // gives back what Release did not

    int Init(IKetrelApplication* app) override;   // 2 unless app is a framework host
    int Init(IBrixFrameworkHost* host);           // 1 whatever the pack does
    void Release() override;
    void Activate() override;
    void Deactivate() override;
    i32 Update(f32 dt) override;
    void Render() override;
    i32 OnScreenSizeChanged(i32 width, i32 height) override;

    f32 GetTime() const { return m_time; }
    CKetrelSurface* GetBackground() const { return m_background; }
    CKetrelSurface* GetTitle() const { return m_title; }
    i32 HasEnteredSocialPart() const { return m_socialEntered; }

    // A rectangle of size (w, h) for a picture of (pw, ph) scaled by scale and centred
    // on a screen of (sw, sh), rounded as drawn.
    static void ScaledRect(i32 pw, i32 ph, f32 scale, i32 sw, i32 sh,
                           i32* x, i32* y, i32* w, i32* h);
    // The scale that makes a picture cover the screen, and the one that fits it inside.
    static f32 CoverScale(i32 pw, i32 ph, i32 sw, i32 sh);
    static f32 FitScale(i32 pw, i32 ph, i32 sw, i32 sh);

private:
    // The orientation's background, ".jpg" first; squares count as landscape when asked.
    void LoadBackground(i32 width, i32 height, bool squareIsLandscape);
    void EnterSocialPart();
    void ReleaseImages();

    IBrixFrameworkHost* m_app;       // not owned
    f32 m_time;
    CKetrelSurface* m_background;    // from the resource manager; may be null
    CKetrelSurface* m_title;         // from the resource manager; may be null
    i32 m_socialEntered;
    i32 m_packAdded;
};
