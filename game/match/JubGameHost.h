#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubGameEventHost.h"

class CJubAssetCache;
class CJubPhysicsWorld;
class CJubRenderer;
struct CJubTouchState;

// One owned item of the local user, as the lobby lists it.
struct CJubOwnedItem
{
    u32 itemId = 0;
    u32 fileNumber = 0;      // description file number, at least 1
    u32 packNumber = 0;      // item data pack number
};

// What an item's description says, as far as the match uses it.
enum
{
    JUB_ITEM_NONE = -1,
    JUB_ITEM_HAT = 0,
    JUB_ITEM_CLUSTER = 1,
    JUB_ITEM_SNOW = 2,
    JUB_ITEM_BATTLEGROUND = 3
};
struct CJubItemInfo
{
    i32 type = JUB_ITEM_NONE;
    i32 variable = 0;        // "$variable": the hat's health bonus
    CKetrelString fileName;        // "$filename": the hat's picture
    CKetrelString battleFileName;  // "$battlefilename": the battleground's far layer
    CKetrelString uniqueFileName;  // "$uniquefilename": its near layer
};

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
    // 1 while the game object keeps touches from the match (a page shown over it); the
    // buttons still animate. A game object without such pages keeps the default.
    virtual i32 IsInputBlocked() { return 0; }
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

    // ---- the match's turns (the play screen) ----
    // Moves the game clock on by ms; the play screen calls it once per step that it
    // simulates ahead or replays, so a replayed event lands in the step it was made in.
    virtual void AdvanceClock(u32 ms) = 0;
    // The base frequency in Hz of a sound of the table; 0 when it is not loaded.
    virtual i32 GetSoundFrequency(u32 id) = 0;
    // Opens the lobby's chat page over the match.
    virtual void OpenChatPage() = 0;
    // Tells the lobby server that an owned bomb was used: item id, count, player x 80.
    virtual void SendItemUsed(u32 itemId, i32 count, i32 playerCode) = 0;
    // The local user's items to announce (flag set, count above 0, file number at least
    // 1), at most max of them; returns how many were written.
    virtual i32 GetOwnedItems(CJubOwnedItem* items, i32 max) = 0;
    // Reads an item's description from its pack (and takes its pictures for the HUD).
    // KE_OK with info filled, or a failure code with info untouched.
    virtual int ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info) = 0;
};
