#pragma once
// framework/BrixIntroState.h
#include "engine/KetrelTypes.h"
#include "framework/BrixState.h"

class CKetrelSurface;
class IBrixFrameworkHost;
class IKetrelSoundSource;

// The first screen of every run: a 12-frame logo animation with a welcome sound, 2 s
// of counted time, fading to black over its last half second. The pictures come from
// the pack "brixintro.vad", added on Activate and removed on Deactivate. Main thread.
class CBrixIntroState : public IBrixState
{
public:
    enum { LogoFrameCount = 12, StartDelayUpdates = 5 };
    static const char* const PackName;       // "brixintro.vad"
    static const char* const WelcomeSound;   // the chime's entry in that pack

    CBrixIntroState();
    ~CBrixIntroState() override;             // gives back what Deactivate did not

    // app must be a framework host (2 otherwise); 1.
    int Init(IKetrelApplication* app) override;
    int Init(IBrixFrameworkHost* host);
    void Release() override {}
    // Time 0, five updates of start delay, the pack, the frames it holds (1..12 up to
    // the first missing one), then (with all twelve) the welcome sound. Only the two
    // frames on screen are decoded at a time: the ones shown next are loaded as the
    // time comes, the ones shown before are given back.
    void Activate() override;
    void Deactivate() override;
    // Skips the start delay, then counts dt; plays the sound once; finishes at 2 s. 1.
    i32 Update(f32 dt) override;
    void Render() override;

    // For the screen's tests: seconds counted, frame drawn first, dim factor (1 none).
    f32 GetTime() const { return m_time; }
    static i32 FrameIndexAt(f32 time);
    static f32 DimLevelAt(f32 time);
    CKetrelSurface* GetFrame(i32 index) const
    { return index >= 0 && index < LogoFrameCount ? m_frames[index] : nullptr; }
    IKetrelSoundSource* GetWelcomeSound() const { return m_welcome; }

private:
    void ReleaseMedia();
    // Holds frames index and index + 1 (those the pack has) and no others.
    void KeepFrames(i32 index);

    IBrixFrameworkHost* m_app;       // not owned
    f32 m_time;                      // seconds counted since activation
    i32 m_startDelay;                // updates still to skip before time runs
    IKetrelSoundSource* m_welcome;   // from the resource manager; may be null
    i32 m_soundPlayed;
    CKetrelSurface* m_frames[LogoFrameCount];   // from the resource manager; null when not held
    i32 m_frameLimit;                // frames below this one exist and decode
    i32 m_packAdded;
};
