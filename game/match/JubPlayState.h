#pragma once
#include "engine/KetrelArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubCamera.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubGameEventListener.h"
#include "game/match/JubPhysicsContact.h"
#include "game/match/JubState.h"

class CJubAmbience;
class CJubButtonManager;
class CJubEffectList;
class CJubGameHost;
class CJubPhysicsWorld;
class CJubPlayer;
class CJubBlock;
class CJubRenderer;
class CJubScene;
class CKetrelSurface;

enum
{
    JUB_STATE_PLAY       = 2,     // the play screen's state id
    JUB_STATE_TRAINING   = 5,     // where a training match goes when it is done
    JUB_STEP_MS          = 33,    // one fixed step of the game clock
    JUB_WINNER_DRAW      = 666,   // a drawn match (the winner field only)
    JUB_TRAINING_SCENES  = 15,
    JUB_HAT_BONUS_MAX    = 900    // a worn item raises the starting health to 1000 at most
};

// Phases of the match screen.
enum EJubPlayPhase
{
    JUB_PHASE_NONE = 0,
    JUB_PHASE_ROUND_START = 1,   // waiting for both players' ready
    JUB_PHASE_MATCH_OVER = 2,    // result shown
    JUB_PHASE_ROUND_OVER = 3,
    JUB_PHASE_BETWEEN_ROUNDS = 4,
    JUB_PHASE_TURN_INTRO = 5,    // the round's first turn, before its timer runs
    JUB_PHASE_LEAVING = 6,
    JUB_PHASE_LOCAL_TURN = 7,    // act, simulate ahead, replay
    JUB_PHASE_REMOTE_TURN = 8    // wait for the peer's batch, replay it
};

// Weapons, as the HUD selects them.
enum EJubWeapon
{
    JUB_WEAPON_JUMP = 0,
    JUB_WEAPON_BOMB = 1,
    JUB_WEAPON_STICKY = 2,
    JUB_WEAPON_WHIP = 3,
    JUB_WEAPON_SNOW = 4,       // owned item, used up
    JUB_WEAPON_CLUSTER = 5,    // owned item, used up
    JUB_WEAPON_COUNT = 6
};

// Projectile kinds.
enum
{
    JUB_KIND_BOMB = 0,
    JUB_KIND_STICKY = 1,
    JUB_KIND_CLUSTER = 2,
    JUB_KIND_FRAGMENT = 3,
    JUB_KIND_SNOW = 4
};

// The fields of the screen that the turn snapshot keeps and gives back (see
// CJubPlayState::CopyScreenFields). Plain values only.
struct CJubPlayFields
{
    i32 localPlayer = 0;
    i32 remotePlayer = 1;
    i32 turnPlayer = 0;
    i32 winner = 255;
    i32 phase = JUB_PHASE_NONE;
    i32 bothReady = 0;          // the host has seen both ready flags this round
    i32 timedOut = 0;
    i32 positionsSynced = 0;    // the settling check posted its SyncPositions
    f32 timeAccumulator = 0.0f; // simulated seconds of the current update
    i32 aimStarted = 0;
    i32 batchReceived = 0;
    i32 replayDone = 0;
    i32 peerReplayDone = 0;
    i32 replayStarted = 0;
    i32 replayDonePosted = 0;
    i32 waterTimerRunning = 0;
    i32 readyLatch = 0;         // the host posted BeginTurn for this round
    i32 readyPosted = 0;        // phase 4: the local PlayerReady went out
    i32 matchDecided = 0;
    i32 aimRelease = 0;
    i32 acted = 0;
    i32 stretchSound = 0;
    i32 roundOver = 0;
    i32 projectilesSettled = 0;
    i32 queueSettled = 0;
    i32 effectsSettled = 0;
    i32 creaturesSettled = 0;
    i32 turnPassed = 0;
    i32 roundOverPosted = 0;
};

// What a turn's action does: the weapon and the aim it fires with. The aim is the
// stretch of the gesture (at most 0.4 long); Jump and Fire launch against it.
struct CJubTurnAction
{
    i32 weapon = JUB_WEAPON_BOMB;
    CKetrelVector2 aim;
};

// Called by the play screen at fixed points of a turn, for tests and tools. Every state
// passed is the live scene's, right after the step's events were dispatched.
class CJubPlayStepObserver
{
public:
    virtual ~CJubPlayStepObserver() {}
    // One step of the simulate-ahead (replay 0) or of a replay (replay 1); index counts
    // from 0 at the turn's clock reset.
    virtual void OnTurnStep(const CJubScene& scene, i32 replay, i32 index) = 0;
    // The simulate-ahead settled and its batch was posted; the live scene is still in its
    // end state (the restore follows).
    virtual void OnSimulateAheadEnd(const CJubScene& scene) = 0;
    // This handset applied the last event of a replay.
    virtual void OnReplayEnd(const CJubScene& scene) = 0;
};

// The match screen: a match between two handsets (or a training match against a creature
// that never acts), round by round and turn by turn. Every change to the match goes through
// the game events of the exchange; each turn is simulated ahead on the active handset, then
// replayed from the turn's snapshot on both. The game object reaches it through the calls
// below and delivers peer payloads to GetExchange().ReceivePayload. Main thread only.
class CJubPlayState : public CJubState,
                      public CJubPhysicsListener,
                      public CJubButtonListener,
                      public CJubGameEventListener
{
public:
    CJubPlayState();
    ~CJubPlayState() override;
    CJubPlayState(const CJubPlayState&) = delete;
    CJubPlayState& operator=(const CJubPlayState&) = delete;

    // ---- screen (JubPlayState.cpp) ----
    // Entering: the live scene on the game's world, the snapshot scene on a world of its
    // own, the queues, effects, buttons and ambience. KE_OK; KE_ERR_ARGUMENT without a game
    // or world; KE_ERR_NOT_READY while the game still loads resources (call again).
    int Init(CJubGameHost* game) override;
    void Deinit() override;
    void Reset() override;
    // One fixed step of dt seconds (the game object passes 0.033).
    int Update(f32 dt) override;
    void Render() override;
    void OnBack() override;
    // Every key is taken.
    i32 OnKey(i32 ch) override;
    void ReloadResources() override;

    void SetSinglePlayer(int on);
    int IsSinglePlayer() const { return m_singlePlayer; }
    void SetPhase(i32 phase);
    i32 GetPhase() const { return m_f.phase; }
    // Fills the result lists from the winner (0, 1 or JUB_WINNER_DRAW) and keeps it as
    // the screen's winner.
    void SetMatchResult(i32 winner);
    f32 GetTurnTimeFraction() const;
    i32 GetSceneIndex() const { return m_sceneIndex; }
    void LeaveMatch();
    void ReleasePlayerTextures();
    void UpdateTexts();

    // ---- called by the game object ----
    // Player indices, host flag; the host draws the first round. With a player missing
    // the match is a draw and ends at once.
    void StartMatch(i32 localPlayer, i32 host, i32 bothPresent);
    // The opponent left: unless a result stands, the local player wins (code 1).
    void OnPlayerLeft();
    // The game object's stop request: the match is over without a result to send.
    void RequestStop();

    // ---- turns (JubPlayStateTurns.cpp) ----
    void PostRandomStartRound();
    // The local player gives up (two-player): Concede, the other player wins.
    void Concede();
    // The quit confirmation's yes, or a scene that cannot be loaded: the other player
    // wins and the screen leaves. A match already decided is left as it stands.
    void Forfeit();
    // Training: the same scene from its start.
    void RestartScene();
    // Weapons the local player may choose now (bit per weapon); training narrows them
    // by scene.
    u32 GetAllowedWeapons() const { return m_allowedWeapons; }
    // KE_OK, or KE_ERR_ARGUMENT for a weapon not allowed.
    int SelectWeapon(i32 weapon);

    // ---- actions (JubTurnActions.cpp) ----
    void HandleAimTouch();
    // Performs the local player's selected weapon with its aim vector.
    void ExecuteAction();
    void ResolveWhip(i32 player, const CKetrelVector2& direction);
    void ResolveBlasts(i32 player);
    int CheckSettled();
    void CheckCrushed(i32 player);
    void OnContact(const CJubPhysicsContact& contact) override;
    // Turn helpers for tools and tests: aim (stretch) and weapon, then ExecuteAction.
    int Act(const CJubTurnAction& action);

    // ---- snapshot (JubSnapshot.cpp) ----
    void SaveSnapshot();
    void RestoreSnapshot();
    static void CopyCamera(CJubCamera* to, const CJubCamera* from);
    static void CopyPlayer(CJubPlayer* to, const CJubPlayer* from);
    static void CopyBlock(CJubBlock* to, const CJubBlock* from);
    static void CopyScreenFields(CJubPlayFields* to, const CJubPlayFields* from);
    // The scene copy under the snapshot: blocks, players and markers of from into to,
    // whose bodies become records of to's world.
    static void CopyScene(CJubScene* to, const CJubScene* from);

    // ---- posting (JubPlayStatePosting.cpp) ----
    void PostStartRound(i32 first, i32 scene, i32 slotA, i32 slotB);
    void PostBeginTurn(i32 player);
    void PostRoundOver();
    void PostNextRound();
    void PostTurnResult(i32 code);
    void PostNextTurn(i32 player);
    void PostMatchOver(i32 leaveNow);
    void PostQuit(i32 reason);
    void PostSimulation(i32 running);
    void PostPlayerOut(i32 player, i32 cause);
    void PostSyncPositions();
    void PostJump(i32 player, const CKetrelVector2& stretch, i32 follow);
    void PostPlayerReady(i32 player);
    void PostConcede(i32 player);
    void PostDamage(i32 player, i32 damage, i32 healthLeft);
    void PostSettleCheck();
    void PostWhip(i32 player, const CKetrelVector2& direction);
    // Returns the slot, or -1 when every slot is taken or the kind is not a projectile's.
    i32 PostLoadProjectile(i32 player, i32 kind);
    void PostPlaceProjectile(i32 player, const CKetrelVector2& position, i32 slot);
    void PostFire(i32 player, const CKetrelVector2& stretch, i32 slot);
    void PostRemoveProjectile(i32 player, i32 b, i32 slot);
    void PostThrowBlock(i32 id, i32 gx, i32 gy, const CKetrelVector2& push, i32 health);
    void PostDestroyBlock(i32 id);
    // KE_OK; JUB_BATCH_SHORTENED when the history did not fit whole (the batch holds the
    // oldest records that fit, on both handsets alike); KE_ERR_MEMORY when nothing was
    // posted.
    int PostBatch();
    void PostBlockState(i32 id, i32 health, i32 material, i32 flags, f32 friction, f32 bounce,
                        const CKetrelVector2& push, f32 delay);
    void PostExplosion(const CKetrelVector2& position, f32 size, i32 kind, u32 colour, i32 send);
    void PostReplayDone();
    void PostOwnedItems();
    // Releases the received events that are due by the game clock; when none is left,
    // ends the replay (phase 7) or tells the peer (other phases). Returns how many wait.
    i32 ApplyReceivedEvents();

    // ---- event handlers (CJubGameEventListener) ----
    void OnStartRound(const CJubEventStartRound& e) override;
    void OnBeginTurn(const CJubEventBeginTurn& e) override;
    void OnRoundOver(const CJubEventRoundOver& e) override;
    void OnNextRound(const CJubEventNextRound& e) override;
    void OnMatchResult(const CJubEventMatchResult& e) override;
    void OnNextTurn(const CJubEventNextTurn& e) override;
    void OnMatchOver(const CJubEventMatchOver& e) override;
    void OnQuit(const CJubEventQuit& e) override;
    void OnSetSimulation(const CJubEventSetSimulation& e) override;
    void OnPlayerOut(const CJubEventPlayerOut& e) override;
    void OnSyncPositions(const CJubEventSyncPositions& e) override;
    void OnJump(const CJubEventJump& e) override;
    void OnPlayerReady(const CJubEventPlayerReady& e) override;
    void OnConcede(const CJubEventConcede& e) override;
    void OnDamage(const CJubEventDamage& e) override;
    void OnSettleCheck(const CJubEventSettleCheck& e) override;
    void OnWhip(const CJubEventWhip& e) override;
    void OnLoadProjectile(const CJubEventLoadProjectile& e) override;
    void OnPlaceProjectile(const CJubEventPlaceProjectile& e) override;
    void OnFire(const CJubEventFire& e) override;
    void OnRemoveProjectile(const CJubEventRemoveProjectile& e) override;
    void OnThrowBlock(const CJubEventThrowBlock& e) override;
    void OnDestroyBlock(const CJubEventDestroyBlock& e) override;
    void OnBlockState(const CJubEventBlockState& e) override;
    void OnExplosion(const CJubEventExplosion& e) override;
    void OnResumeClock(const CJubEventResumeClock& e) override;
    void OnReplayDone(const CJubEventReplayDone& e) override;
    void OnOwnedItems(const CJubEventOwnedItems& e) override;
    void OnBatch(const CJubGameEvent& batch) override;
    void OnResultSent() override;

    // ---- buttons (the HUD lays them out and draws them) ----
    void OnButtonPressed(CJubButton* button) override;
    void OnButtonClicked(CJubButton* button) override;
    void OnButtonHeld(CJubButton* button) override;

    // ---- access ----
    CJubGameEventExchange& GetExchange() { return *m_exchange; }
    CJubScene* GetLiveScene() const { return m_liveScene; }
    CJubScene* GetSnapshotScene() const { return m_snapshotScene; }
    // The scene the HUD draws: the snapshot while the turn is simulated ahead.
    CJubScene* GetDrawnScene() const;
    CJubCamera& GetCamera() { return *m_camera; }
    const CJubPlayFields& GetFields() const { return m_f; }
    const CJubPlayFields& GetSnapshotFields() const { return m_saved; }
    i32 GetLocalPlayer() const { return m_f.localPlayer; }
    i32 GetRemotePlayer() const { return m_f.remotePlayer; }
    i32 GetTurnPlayer() const { return m_f.turnPlayer; }
    i32 GetWinner() const { return m_f.winner; }
    i32 IsHost() const { return m_host; }
    i32 IsSimulationRunning() const { return m_simulationRunning; }
    i32 IsLiveSimulation() const { return m_liveSimulation; }
    i32 IsTimerRunning() const { return m_timerRunning; }
    i32 IsMatchDecided() const { return m_f.matchDecided; }
    i32 IsResultSent() const { return m_resultSent; }
    i32 IsLeaving() const { return m_leave; }
    i32 GetRoundsPlayed() const { return m_roundsPlayed; }
    i32 GetResultCount() const { return m_resultCount; }
    u32 GetResultId(i32 i) const { return m_resultIds[i & 1]; }
    u32 GetResultCode(i32 i) const { return m_resultCodes[i & 1]; }
    i32 GetTimeOutsFlag() const { return m_timeOutsFlag; }
    i32 GetPlayerLeftFlag() const { return m_playerLeft; }
    // A player of the room left (the game object says so for every leaver it is told of).
    void SetPlayerLeftFlag() { m_playerLeft = 1; }
    f32 GetSimulatedTime() const { return m_simulatedTime; }
    f32 GetNow() const { return m_now; }
    i32 GetBackground() const { return m_background; }
    f32 GetTurnMessageValue() const { return m_turnMessage; }
    i32 IsConfirmationShown() const { return m_confirmation; }
    // Player ids for the result report (the game object sets them at the match start).
    void SetPlayerId(i32 player, u32 id) { m_playerIds[player & 1] = id; }
    void SetStepObserver(CJubPlayStepObserver* observer) { m_observer = observer; }
    // Abandoned simulate-aheads since Init (a turn that did not settle within 30 s).
    i32 GetAbandonedCount() const { return m_abandoned; }
    // Batches this handset posted shortened (its history did not fit).
    i32 GetShortBatchCount() const { return m_shortBatches; }
    // Peer batches refused as unreadable (each ends the match).
    i32 GetRefusedBatchCount() const { return m_refusedBatches; }

    // The starting health a hat item's bonus gives: 100 + bonus, the bonus held to
    // 0..JUB_HAT_BONUS_MAX.
    static i32 HatHealth(i32 bonus);

private:
    // JubPlayState.cpp
    int CreateParts();
    void DeleteParts();
    void PlaySound(u32 id, i32 frequency = 0);
    void SetLiveSimulation(i32 on);
    void Vibrate();
    void UpdateLeaving();
    void UpdatePhaseTimers();
    void StepScreen(f32 dt);   // one fixed step of the match, without the camera
    void StepScene();
    // JubPlayStateTurns.cpp
    void ResetRound();
    void ResetTurnFields();
    void UpdateTurnIntro(f32 dt);
    void PostRandomStartRoundWith(i32 first);
    void UpdateTurnTimer();
    void UpdateTurnClose();
    void PassTurn();
    int IsRoundOverByCreatures(i32* winner) const;
    void ApplyTrainingRules();
    // Lays the HUD buttons out (the weapon row and chat buttons only when full); in a
    // training match the scene's weapon rules follow every layout.
    void LayoutButtons(i32 full);
    void StartNextRound();
    // JubTurnActions.cpp
    void UpdateLiveSimulation();
    void StepAhead();
    void AbandonSimulation();
    void DamageBlock(CJubBlock* block, const CKetrelVector2& lowered, const CKetrelVector2& push,
                     i32 ownCell);
    void HitCreature(i32 player, i32 damage);
    void Detonate();
    void ClearCheckState();
    void BeginShadow();
    i32 FindCreature(const CJubPhysicsBody* body) const;
    CJubBlock* FindBlockOfBody(const CJubPhysicsBody* body) const;
    // JubSnapshot.cpp
    void CopyLiveToSnapshot();

    CJubPhysicsWorld* m_snapshotWorld; // owned
    CJubScene* m_liveScene;            // owned
    CJubScene* m_snapshotScene;        // owned
    CJubScene* m_currentScene;         // one of the two
    CJubCamera* m_camera;              // the renderer's, or m_ownCamera
    CJubCamera m_ownCamera;
    CJubCamera m_savedCamera;
    CJubGameEventExchange* m_exchange; // owned
    CJubButtonManager* m_buttons;      // owned, may be null
    CJubAmbience* m_ambience;          // owned, may be null
    CJubEffectList* m_effects;         // owned
    CJubPlayStepObserver* m_observer;  // not owned

    CJubPlayFields m_f;                // live fields the snapshot keeps
    CJubPlayFields m_saved;            // the snapshot's copy

    i32 m_singlePlayer;
    i32 m_host;
    i32 m_simulationRunning;
    i32 m_sceneIndex;
    i32 m_refusedBatches;
    i32 m_firstPlayer;
    CKetrelArray<i32> m_playedScenes;
    i32 m_roundsPlayed;
    i32 m_background;
    f32 m_now;                         // seconds of updates since Init
    f32 m_turnTimeLimit;
    f32 m_turnStart;
    f32 m_turnFraction;
    i32 m_timerAlerts[5];
    f32 m_timerPulse[3];               // scale, speed, deceleration
    i32 m_timerRunning;
    i32 m_timerHeld;
    f32 m_introCountdown;
    f32 m_phaseClock;
    i32 m_restartedRound;              // a training restart skips the intro
    i32 m_liveSimulation;
    f32 m_simulatedTime;
    i32 m_replayEndHandled;
    i32 m_stepIndex;                   // steps since the turn's clock reset
    u32 m_playerIds[2];
    u32 m_resultIds[2];
    u32 m_resultCodes[2];
    i32 m_resultCount;
    i32 m_quitRequested;
    i32 m_matchOverPosted;
    i32 m_resultSent;
    i32 m_resultAgreed;
    i32 m_resultCounted;
    i32 m_resultReported;
    f32 m_reportTime;
    i32 m_leave;
    i32 m_timeOutsFlag;
    i32 m_playerLeft;
    i32 m_confirmation;
    i32 m_leaveShown;
    f32 m_turnMessage;
    u32 m_allowedWeapons;
    i32 m_helpShown;
    i32 m_abandoned;
    i32 m_shortBatches;
    i32 m_resourcesLoaded;
    i32 m_roundBegun;                  // the round's BeginTurn was applied
    // Each creature's starting health as its own handset announced it (0: not announced);
    // it stands over what this handset's reading of the items gives.
    i32 m_startHealth[2];
    // Per-turn bookkeeping of the settling check (simulate-ahead only).
    i32 m_inWater[2];
    f32 m_waterTimer[2];
    i32 m_whipHitDone[2];
    i32 m_shotInWater[2][32];
    f32 m_shotWaterTimer[2][32];
    // Health and block state as the check's own posts leave them, so that several hits in
    // one pass add up without touching the live records before their events apply.
    i32 m_shadowHealth[2];
    i32 m_blockHealth[256];
    u8 m_blockDoomed[256];
    i32 m_shadowActive;

    // ==== HUD, input, drawing and owned items (JubPlayStateHud.cpp, JubPlayStateInput.cpp,
    // JubPlayStateDraw.cpp, JubPlayStateItems.cpp) ====
public:
    // Reads an owned item's description ("<file number>.xml" of the item's pack) and gives
    // the player what it describes: a hat (picture and starting health), a cluster or snow
    // bomb, or (local player only) the two battleground pictures. 1 when the description
    // was read, else 0 (a negative item id, a pack or file that cannot be had).
    int ReadItem(i32 player, i32 itemId, i32 fileNumber, i32 packNumber);
    // The zoom the local player chose with the bar or a pinch.
    f32 GetLocalZoom() const { return m_localZoom; }
    // The hit rectangle a HUD button got when it was placed (zero for an unknown id).
    CKetrelRectF GetHudButtonRect(i32 id) const;
    // The zoom bar's indicator: its centre height in pixels for a zoom, kept inside the bar.
    static f32 ZoomIndicatorY(f32 zoom, f32 screenHeight);
    // The zoom that a point at height y on the bar asks for: 0.3 at its bottom, 1.0 at its top.
    static f32 ZoomFromBar(f32 y, f32 screenHeight);
    // Background gradient colour (0xRRGGBB) of a background number 0..9; top or bottom.
    static u32 BackgroundColour(i32 number, i32 top);
    // The HUD's buttons (null before Init).
    CJubButtonManager* GetButtons() const { return m_buttons; }
    // The battleground pictures of the local player's item (null without one).
    CKetrelSurface* GetBattlegroundImage(i32 which) const { return m_battleImages[which & 1]; }

private:
    void PlaceHudButtons(i32 full);
    // Weapon buttons after the training narrowing: enabled by the allowed weapons, the
    // owned-bomb button's picture by ownership.
    void ApplyHudWeapons();
    // Which buttons the phase shows.
    void UpdateHudVisibility();
    // The next-round button (9) is up: phase 4, before the local player is ready.
    i32 IsNextRoundShown() const;
    void HandleInput(f32 dt);
    void ReleaseItemImages();
    void ReloadItemImages();
    CKetrelSurface* TakeItemImage(const CKetrelString& name);
    void GiveBackItemImage(CKetrelSurface** image);
    void RenderBackground(CJubScene& scene);
    void RenderProjectiles(CJubScene& scene, u32 ms);
    void RenderHud(CJubScene& scene, u32 ms);
    void RenderStatus(CJubScene& scene);
    void RenderPreRound();
    void DrawCentredText(const CKetrelString& text, f32 y, u32 colour);

    CKetrelRectF m_hudRects[14];           // by button id, as placed
    f32 m_localZoom = 0.3f;
    f32 m_zoomTarget = 0.3f;
    i32 m_zoomDrag = 0;                    // the touch went down on the zoom bar
    CKetrelSurface* m_battleImages[2] = {nullptr, nullptr};   // from the asset source
};
