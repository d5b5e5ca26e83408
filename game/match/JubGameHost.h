#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubGameEventHost.h"

class CJubAssetCache;
class CJubPhysicsWorld;
class CJubRenderer;
struct CJubTouchState;

// Counters of the matches played in this run, kept by the game object.
struct CJubMatchCounters
{
    i32 wins = 0;           // the play screen adds one when the local player wins
    i32 losses = 0;         // the play screen adds one when the local player loses
    i32 playersLeft = 0;    // the game object adds one when the opponent leaves
    i32 helpShown = 0;      // the first-match help bubble was shown
};

// Everything the match reaches of the game object that hosts its screens. The game
// object implements it (the match never names the game object's class); tests use a
// recording fake. Every operation runs on the main thread; the objects handed out belong
// to the game object and live as long as it does.
class CJubGameHost : public CJubGameEventHost
{
public:
    // ---- clock (GetClock and GetTimeMs come from CJubGameEventHost) ----
    // The game clock restarts at 0.
    virtual void ResetClock() = 0;
    // After a long simulate-ahead: the fixed-step clock runs exactly one step next frame.
    virtual void ResyncFixedStep() = 0;

    // ---- the shared objects ----
    virtual CJubRenderer* GetRenderer() = 0;
    virtual CJubPhysicsWorld* GetPhysicsWorld() = 0;
    // The handle caches of the game's image and sound tables.
    virtual CJubAssetCache* GetAssets() = 0;
    // The touch table of the current step; the play screen may clear a flag in it.
    virtual CJubTouchState& GetTouchState() = 0;

    // ---- sounds ----
    // Plays sound id of the sound table. Nothing happens while sound is muted, while the
    // play screen simulates ahead, or when the sound cannot be loaded; a sound that is
    // still playing is left alone. frequency > 0 is set on the sound before it starts;
    // playArg goes to PlayFromStart.
    virtual void PlaySound(u32 id, u32 playArg, i32 frequency) = 0;

    // ---- random numbers of the application ----
    virtual f32 RandomFloat(f32 min, f32 max) = 0;
    virtual i32 RandomInt(i32 min, i32 max) = 0;     // both ends included

    // ---- incremental loading of the caches ----
    // Loads one more image or sound of the tables; nothing once all are loaded.
    virtual void LoadNextResource() = 0;
    virtual i32 IsLoadingDone() = 0;

    // ---- settings store ----
    // The integer stored under key, or fallback when there is none.
    virtual i32 GetSetting(const CKetrelString& key, i32 fallback) = 0;
    virtual void SetSetting(const CKetrelString& key, i32 value) = 0;

    // ---- language, device, lobby ----
    // Text index of the game's language; the language's default text when out of range.
    virtual CKetrelString GetText(i32 index) = 0;
    // Vibrates when the user allows vibration.
    virtual void Vibrate() = 0;
    // Hands the match result to the lobby: count player ids with result codes
    // (1 winner, 2 loser); leaveNow != 0 leaves the match at once.
    virtual void ReportGameResult(const i32* playerIds, const i32* codes, i32 count,
                                  i32 leaveNow) = 0;

    // ---- match counters and requests ----
    virtual CJubMatchCounters& GetMatchCounters() = 0;
    // 1 when the game object asks the running match to stop.
    virtual i32 IsStopRequested() = 0;

    // ---- chat bubbles over the match ----
    virtual void ClearChatBubbles() = 0;
    // A bubble of text by speaker in colour (0xAARRGGBB) anchored at position (pixels),
    // its pointer turned towards corner. An empty text adds nothing.
    virtual void AddChatBubble(const CKetrelString& text, const CKetrelString& speaker,
                               u32 colour, const CKetrelVector2& position,
                               const CKetrelVector2& corner) = 0;
    virtual void RenderChatBubbles() = 0;
};
