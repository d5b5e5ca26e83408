#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTimer.h"
#include "framework/BrixGameState.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubTouchState.h"

class CBrixStatsStore;
class CJubChatBubbleList;
class CJubPlayState;
class CJubResourceSource;
class CJubShellFontSource;
class CJubState;
class CKetrelBitmapFont;
class IJubShellHost;

// Screen ids of the game object.
enum EJubScreenId
{
    JUB_SCREEN_MENU = 0,
    JUB_SCREEN_EDITOR = 1,
    JUB_SCREEN_PLAY = 2,
    JUB_SCREEN_CONNECTING = 3,
    JUB_SCREEN_INTRO = 4,
    JUB_SCREEN_TRAINING = 5,
    JUB_SCREEN_COUNT = 6
};

enum
{
    JUB_STEP_LENGTH_MS = 33,       // one fixed step
    JUB_MAX_STEPS_PER_FRAME = 5,   // more due: one runs, the rest of the time is dropped
    JUB_LOAD_TOTAL = JUB_IMAGE_COUNT + JUB_SOUND_COUNT
};

// The game as the framework drives it: it owns the six game screens and runs the active
// ones on fixed 33 ms steps in activation order, keeps the touch table, the game clock,
// the image and sound caches, the renderer, the physics world and the chat bubbles, and
// carries the online match between the framework and the play screen.
//
// The application is reached through IJubShellHost (set before Init, or found on the
// application handed to Init) and, for the network session, through IBrixGameHost.
// Main thread only.
class CStateGame : public IBrixGameState, public CJubGameHost
{
public:
    CStateGame();
    ~CStateGame() override;
    CStateGame(const CStateGame&) = delete;
    CStateGame& operator=(const CStateGame&) = delete;

    // Kept before Init; null or a later call after Init changes nothing.
    void SetShellHost(IJubShellHost* shell);
    // Where the caches take their images and sounds (tests); null uses the application's
    // resource manager. Set before Init.
    void SetAssetSource(CJubAssetSource* source);

    // ---- IBrixState ----
    // Language "wobblixlanguage", the nine data packs, timers, renderer, physics world and
    // chat bubbles. KE_OK, or the language's failure (nothing usable).
    int Init(IKetrelApplication* app) override;
    void Release() override;
    void Activate() override;
    void Deactivate() override;
    i32 Update(f32 dt) override;
    void Render() override;
    i32 OnFocusChanged(i32 active) override;
    // The drawing target's new size: the camera and the mute corner follow it.
    i32 OnScreenSizeChanged(i32 width, i32 height) override;
    int ReloadGraphics() override;
    int ReleaseGraphics() override;
    i32 OnPointerDown(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerMove(i32 pointer, i32 x, i32 y) override;
    i32 OnPointerUp(i32 pointer, i32 x, i32 y) override;
    i32 OnKeyDown(u32 keysym) override;
    i32 OnChar(u32 character) override;
    int OnLanguageChanged(const CKetrelString& code) override;

    // ---- IBrixGameState: identity ----
    i32 GetGameId() override { return 64; }
    CKetrelString GetVersion() override { return CKetrelString("1.60"); }
    CKetrelString GetApplicationName() override { return CKetrelString("Wobblix"); }
    i32 GetMinPlayers() override { return 2; }
    i32 GetMaxPlayers() override { return 2; }
    CKetrelString GetApplicationToken() override
    {
        return CKetrelString("q7vm2xk9trb4wa6pzn3hc8yd5fuels0");
    }
    void OnMenuOpened() override {}
    void OnMenuClosed() override {}
    i32 UnlockAchievement(u32) override { return 0; }
    void OnItemDataChanged() override {}
    i32 OnThemeChanged() override { return 1; }

    // ---- IBrixGameState: the online match (StateGameMatch.cpp) ----
    void CloseConnectingScreen() override { CloseConnectingScreen(1); }
    void CloseConnectingScreen(i32 value);
    void StartMatch(i32 localStarts) override;
    void StopMatch() override;
    // The play screen's LeaveMatch result of the last StopMatch (0 without a play screen).
    i32 GetLastStopResult() const { return m_lastStopResult; }
    void OnPlayerLeft(i32 playerId) override;
    f32 GetTurnClockFraction() override;
    i32 IsGameScreenBusy() override;
    void OnGameData(const u8* data, i32 size) override;
    void OnGameLinkDown(i32 busy) override;
    void OnLobbyLinkDown(i32 busy) override;
    i32 OnChatMessage(const CBrixChatRecord& record, i32 fromPeer) override;
    // The chat line as read from its record: only kind 2 is taken (1), others give 0.
    i32 OnChatLine(i32 kind, const CKetrelString& text, i32 fromPeer);
    // The operation added after the framework's: 0.
    virtual i32 GetExtraValue() { return 0; }

    // ---- CJubGameHost ----
    u32 GetClock() override;
    u32 GetTimeMs() override { return (u32)GetTickMs(); }
    int SendGameData(const u8* data, i32 size) override;
    using IBrixGameState::SendGameData;
    void ResetClock() override;
    void ResyncFixedStep() override;
    CJubRenderer* GetRenderer() override { return m_renderer; }
    CJubPhysicsWorld* GetPhysicsWorld() override { return m_world; }
    CJubAssetCache* GetAssets() override { return &m_assets; }
    CJubTouchState& GetTouchState() override { return m_touch; }
    void PlaySound(u32 id, u32 playArg, i32 frequency) override;
    f32 RandomFloat(f32 min, f32 max) override;
    i32 RandomInt(i32 min, i32 max) override;
    void LoadNextResource() override { LoadNextResource(1); }
    i32 IsLoadingDone() override { return m_loadingDone; }
    i32 GetSetting(const CKetrelString& key, i32 fallback) override;
    void SetSetting(const CKetrelString& key, i32 value) override;
    CKetrelString GetText(i32 index) override;
    void Vibrate() override;
    void ReportGameResult(const i32* playerIds, const i32* codes, i32 count,
                          i32 leaveNow) override;
    using IBrixGameState::ReportGameResult;
    CJubMatchCounters& GetMatchCounters() override { return m_counters; }
    i32 IsStopRequested() override { return m_stopRequested; }
    void ClearChatBubbles() override;
    void AddChatBubble(const CKetrelString& text, const CKetrelString& speaker, u32 colour,
                       const CKetrelVector2& position, const CKetrelVector2& corner) override;
    void RenderChatBubbles() override;
    void AdvanceClock(u32 ms) override;
    i32 GetSoundFrequency(u32 id) override;
    void OpenChatPage() override;
    void SendItemUsed(u32 itemId, i32 count, i32 playerCode) override;
    i32 GetOwnedItems(CJubOwnedItem* items, i32 max) override;
    int ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info) override;

    // ---- screens ----
    // Opens the screen of that id (reset and appended to the active list; created and
    // initialised when it does not exist). 1 when the screen is active afterwards; 0 for
    // an id outside 0..5 or a screen that could not be made.
    i32 SwitchToScreen(i32 id);
    void RemoveScreen(CJubState* screen);
    void RemoveScreenById(i32 id);
    void DeleteAllScreens();
    CJubState* GetScreen(i32 id) const;
    CJubPlayState* GetPlayScreen() const;
    i32 GetActiveCount() const { return m_active.GetCount(); }
    CJubState* GetActiveAt(i32 index) const { return (CJubState*)m_active.GetAt(index); }

    // ---- resources, sound, music ----
    // One more image (0..68, skipping 2 and 3) or, with sounds, sound of the tables.
    void LoadNextResource(i32 withSounds);
    void ReleaseResources(i32 withSounds);
    void PlayMusic(i32 index);
    void StopMusic();
    i32 GetLoadingPercent() const { return m_loadingPercent; }
    i32 GetLoadingPosition() const { return m_loadingPosition; }
    i32 GetTextureMemory() const { return m_textureMemory; }
    CKetrelBitmapFont* GetFont();

    // ---- training progress ----
    void MarkSceneCleared(i32 scene);
    i32 IsSceneCleared(i32 scene);
    // Whether the settings store has an entry of that name; SetSettingBool adds it when
    // missing and saves the store when asked.
    i32 HasSetting(const CKetrelString& key);
    void SetSettingBool(const CKetrelString& key, i32 value, i32 saveWhenAdded);

    // ---- accessors ----
    IJubShellHost* GetShell() const { return m_shell; }
    IKetrelApplication* GetApp() const { return m_app; }
    CJubChatBubbleList* GetChatBubbles() const { return m_bubbles; }
    const CKetrelString& GetEditorFileName() const { return m_editorFileName; }
    i32 GetMuteResult() const { return m_muteResult; }
    f32 GetMutePulse() const { return m_mutePulse; }
    const CKetrelRectF& GetMuteSquare() const { return m_muteSquare; }
    i32 GetStepsPerSecond() const { return m_stepsPerSecond; }
    i32 GetFramesPerSecond() const { return m_framesPerSecond; }
    i32 GetStepCounter() const { return m_stepCount; }
    u32 GetAccumulator() const { return m_accumulator; }
    i32 GetStepsThisFrame() const { return m_stepsThisFrame; }
    i32 IsChatHelpPlayed() const { return m_chatHelpPlayed; }
    i32 IsGameLinkLost() const { return m_gameLinkLost; }
    i32 IsLobbyLinkDown() const { return m_lobbyLink; }
    i32 IsMatchStopped() const { return m_matchStopped; }
    i32 GetPlayerLeftCount() const { return m_counters.playersLeft; }
    i32 GetSentGameBytes() const { return m_sentBytes; }
    i32 IsIntroShown() const { return m_introShown; }
    void SetIntroShown(i32 shown) { m_introShown = shown; }
    void RequestReturnToLobby() { m_returnToLobby = 1; }
    // A user data file path of that name (the name alone without an application).
    CKetrelString GetUserDataPath(const CKetrelString& name) const;

    // The tick timer in milliseconds (tests replace it with a fake clock).
    virtual u64 GetTickMs();

protected:
    // A new screen of that id (tests replace the screens with stubs); null for other ids.
    virtual CJubState* CreateScreen(i32 id);
    // Creates the game's own language ("wobblixlanguage") when there is none: KE_OK or
    // the language's failure.
    virtual int InitLanguage();

private:
    void RunStep();
    void UpdateTouchTable();
    i32 UpdateMuteButton();
    void RenderMuteButton();
    void ProcessScreenTransitions();
    // A match whose play screen could not be made: the menu opens and the match is left.
    void LeaveUnshownMatch(const i32* ids, i32 local, i32 complete);
    // Deinit and delete; the transition pass under way forgets the screen.
    void DestroyScreen(CJubState* screen);
    void LayoutCorner();
    void ZeroTouchTable();
    CJubState** ScreenSlot(i32 id);
    CBrixStatsStore* Settings() const;
    CKetrelString MusicPath(i32 index) const;

    IKetrelApplication* m_app;             // not owned
    IJubShellHost* m_shell;                // not owned
    CJubAssetSource* m_assetSource;        // not owned; the tests' or m_resourceSource
    CJubResourceSource* m_resourceSource;  // owned
    CJubShellFontSource* m_fontSource;     // owned
    CJubAssetCache m_assets;
    CKetrelBitmapFont* m_font;             // the game font "foo.fnt", from the resources

    i32 m_introShown;
    i32 m_chatHelpPlayed;
    u32 m_frozenClock;                     // game clock of the play screen's steps
    i32 m_clockAdvanced;                   // the play screen moved the clock this step
    i32 m_lobbyLink;
    i32 m_gameLinkLost;
    i32 m_matchStopped;
    i32 m_stopRequested;
    i32 m_lastStopResult;
    i32 m_matchIds[2];                     // user ids of players 0 and 1 at StartMatch
    i32 m_leaverResult;                    // a leaver's result was posted in this match
    CKetrelPtrArray m_active;              // CJubState*, in activation order
    i32 m_returnToLobby;
    i32 m_muteResult;
    CJubState* m_screens[JUB_SCREEN_COUNT];
    // The screens the running transition pass has still to look at (null once deleted).
    CJubState* m_pass[JUB_SCREEN_COUNT];
    i32 m_passCount;
    CKetrelString m_editorFileName;
    CKetrelRectF m_muteSquare;
    CKetrelRectF m_muteStrip;
    f32 m_mutePulseStart;
    f32 m_mutePulse;
    f32 m_stripLength;
    CKetrelTimer m_timer;
    u64 m_clockBase;                       // tick ms at ResetClock

    i32 m_loadingDone;
    i32 m_loadingPosition;
    i32 m_loadingPercent;
    i32 m_textureMemory;

    u64 m_lastTime;
    u64 m_now;
    u32 m_accumulator;
    i32 m_stepsThisFrame;
    i32 m_anyStepDue;
    i32 m_steppedThisFrame;
    i32 m_stepsPerSecond;
    i32 m_framesPerSecond;
    i32 m_stepCount;
    i32 m_frameCount;
    u64 m_countStart;

    CJubTouchState m_touch;
    CJubMatchCounters m_counters;
    i32 m_sentBytes;                       // acknowledgement bytes sent
    CJubRenderer* m_renderer;              // owned
    CJubPhysicsWorld* m_world;             // owned
    CJubChatBubbleList* m_bubbles;         // owned
};

// The game object that hosts a screen, or null when the screen runs under another host.
inline CStateGame* JubShellGame(CJubGameHost* game)
{
    return dynamic_cast<CStateGame*>(game);
}
