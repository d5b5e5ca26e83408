#include "game/match/JubPlayState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAmbience.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubEffectList.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"
#include "game/match/JubTouchState.h"

#include <new>

namespace
{
const f32 kStep = 1.0f / 30.0f;       // the scene and effects step of the match
const f32 kLeaveShownAfter = 1.0f;    // phase 2: the leave button after the report
const f32 kAutoQuitAfter = 5.0f;      // phase 2: a two-player match quits by itself
const f32 kAutoReadyAfter = 5.0f;     // phase 4: PlayerReady by itself
const f32 kTrainingRestartAfter = 3.0f;
}

CJubPlayState::CJubPlayState()
    : m_snapshotWorld(nullptr), m_liveScene(nullptr), m_snapshotScene(nullptr),
      m_currentScene(nullptr), m_camera(&m_ownCamera), m_exchange(nullptr), m_buttons(nullptr),
      m_ambience(nullptr), m_effects(nullptr), m_observer(nullptr), m_singlePlayer(0), m_host(0),
      m_simulationRunning(0), m_sceneIndex(0), m_refusedBatches(0), m_firstPlayer(0), m_roundsPlayed(0),
      m_background(0), m_now(0.0f), m_turnTimeLimit(30.0f), m_turnStart(0.0f),
      m_turnFraction(1.0f), m_timerRunning(0), m_timerHeld(0), m_introCountdown(0.0f),
      m_phaseClock(0.0f), m_restartedRound(0), m_liveSimulation(0), m_simulatedTime(0.0f),
      m_replayEndHandled(0), m_stepIndex(0), m_resultCount(0), m_quitRequested(0),
      m_matchOverPosted(0), m_resultSent(0), m_resultAgreed(0), m_resultCounted(0),
      m_resultReported(0), m_reportTime(0.0f), m_leave(0), m_timeOutsFlag(0), m_playerLeft(0),
      m_confirmation(0), m_leaveShown(0), m_turnMessage(-1000.0f), m_allowedWeapons(0x3F),
      m_helpShown(0), m_abandoned(0), m_shortBatches(0), m_resourcesLoaded(0), m_roundBegun(0),
      m_shadowActive(0)
{
    m_stateId = JUB_STATE_PLAY;
    for (i32 i = 0; i < 5; ++i)
        m_timerAlerts[i] = 0;
    m_timerPulse[0] = 0.0f;
    m_timerPulse[1] = 0.0f;
    m_timerPulse[2] = 0.1f;
    for (i32 p = 0; p < 2; ++p)
    {
        m_startHealth[p] = 0;
        m_playerIds[p] = (u32)p;
        m_resultIds[p] = 0;
        m_resultCodes[p] = 0;
    }
    ClearCheckState();
}

CJubPlayState::~CJubPlayState()
{
    DeleteParts();
}

// ------------------------------------------------------------------ lifecycle

int CJubPlayState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    if (!m_world)
        return KE_ERR_ARGUMENT;
    if (!m_game->IsLoadingDone())
    {
        m_game->LoadNextResource();
        return KE_ERR_NOT_READY;
    }
    m_resourcesLoaded = 1;
    DeleteParts();
    rc = CreateParts();
    if (rc != KE_OK)
    {
        DeleteParts();
        return rc;
    }

    m_f = CJubPlayFields();
    m_saved = CJubPlayFields();
    m_f.localPlayer = 0;
    m_f.remotePlayer = 1;
    m_f.turnPlayer = 0;
    m_sceneIndex = 0;
    m_background = m_game->RandomInt(0, 9);
    m_now = 0.0f;
    m_roundsPlayed = 0;
    m_playedScenes.RemoveAll();
    m_quitRequested = m_matchOverPosted = m_resultSent = m_resultAgreed = 0;
    m_resultCounted = m_resultReported = m_leave = m_timeOutsFlag = m_playerLeft = 0;
    m_confirmation = m_leaveShown = 0;
    m_resultCount = 0;
    m_abandoned = m_shortBatches = 0;
    LayoutButtons(0);
    return KE_OK;
}

int CJubPlayState::CreateParts()
{
    m_camera = m_renderer ? &m_renderer->GetCamera() : &m_ownCamera;
    m_liveScene = new (std::nothrow) CJubScene();
    m_snapshotScene = new (std::nothrow) CJubScene();
    m_snapshotWorld = new (std::nothrow) CJubPhysicsWorld();
    m_exchange = new (std::nothrow) CJubGameEventExchange(m_game, this);
    m_effects = new (std::nothrow) CJubEffectList();
    m_buttons = new (std::nothrow) CJubButtonManager();
    m_ambience = new (std::nothrow) CJubAmbience();
    if (!m_liveScene || !m_snapshotScene || !m_snapshotWorld || !m_exchange || !m_effects
        || !m_buttons || !m_ambience)
        return KE_ERR_MEMORY;

    CJubAssetSource* assets = m_game->GetAssets() ? m_game->GetAssets()->GetSource() : nullptr;
    m_liveScene->Init(assets, m_camera, m_world, 0);
    m_liveScene->SetAnimateBlocks(1);
    // The snapshot's world steps like the look-ahead: 1/30 s, the game world's substeps.
    m_snapshotWorld->SetStep(kStep, m_world->GetSubsteps());
    m_snapshotScene->Init(assets, nullptr, m_snapshotWorld, 0);
    m_currentScene = m_liveScene;
    m_world->AddListener(this);
    m_exchange->SetSinglePlayer(m_singlePlayer);
    m_exchange->SetTakeTimedEvents(0);
    m_effects->SetGame(m_game);
    m_buttons->SetListener(this);
    m_buttons->Init(m_renderer, m_game);
    for (u32 s = 0; s < 3; ++s)
    {
        m_ambience->AddCommon(JUB_SOUND_AMBIENT_COMMON + s);
        m_ambience->AddRare(JUB_SOUND_AMBIENT_RARE + s);
    }
    m_ambience->SetLoop(JUB_SOUND_AMBIENT_LOOP);
    m_ambience->Init(m_game);
    m_ambience->PlayLoop();
    return KE_OK;
}

void CJubPlayState::DeleteParts()
{
    if (m_world)
        m_world->RemoveListener(this);
    ReleaseItemImages();
    // The scenes give their bodies back to their worlds, so they go before the worlds.
    delete m_liveScene;
    m_liveScene = nullptr;
    delete m_snapshotScene;
    m_snapshotScene = nullptr;
    m_currentScene = nullptr;
    delete m_snapshotWorld;
    m_snapshotWorld = nullptr;
    delete m_exchange;
    m_exchange = nullptr;
    delete m_effects;
    m_effects = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
    delete m_ambience;
    m_ambience = nullptr;
}

void CJubPlayState::Deinit()
{
    DeleteParts();
    CJubState::Deinit();
}

void CJubPlayState::Reset()
{
    CJubState::Reset();
    m_nextState = 0;
    m_f.phase = JUB_PHASE_NONE;
    if (m_exchange)
    {
        m_exchange->Reset();
        m_exchange->ClearHistory();
    }
    if (m_liveScene)
        m_liveScene->Reset();
    if (m_effects)
        m_effects->Clear();
    ResetRound();
}

void CJubPlayState::ReloadResources()
{
    if (m_buttons)
        m_buttons->LoadTextures();
    ReloadItemImages();
}

void CJubPlayState::SetSinglePlayer(int on)
{
    m_singlePlayer = on ? 1 : 0;
    m_nextState = JUB_STATE_TRAINING;
    // A screen whose Init failed, or after Deinit, has no exchange and no scene.
    if (m_exchange)
    {
        m_exchange->SetSinglePlayer(m_singlePlayer);
        m_exchange->SetTakeTimedEvents(0);
    }
    if (m_singlePlayer && m_liveScene)
    {
        m_liveScene->GetPlayer(0).name = CKetrelString(L"You");
        m_liveScene->GetPlayer(1).name = CKetrelString(L"Master Gloob");
    }
}

void CJubPlayState::SetPhase(i32 phase)
{
    m_f.phase = phase;
    if (phase == JUB_PHASE_BETWEEN_ROUNDS || phase == JUB_PHASE_ROUND_START)
        m_phaseClock = m_now;
}

f32 CJubPlayState::GetTurnTimeFraction() const
{
    if (m_turnFraction < 0.0f)
        return 0.0f;
    return m_turnFraction > 1.0f ? 1.0f : m_turnFraction;
}

void CJubPlayState::SetMatchResult(i32 winner)
{
    m_resultCount = 0;
    // The winner travels in MatchResult: it must be set along with the lists.
    m_f.winner = winner;
    if (winner == 0 || winner == 1)
    {
        m_resultIds[0] = m_playerIds[0];
        m_resultCodes[0] = winner == 0 ? 1u : 2u;
        m_resultIds[1] = m_playerIds[1];
        m_resultCodes[1] = winner == 1 ? 1u : 2u;
        m_resultCount = 2;
    }
    else if (winner == JUB_WINNER_DRAW)
    {
        m_resultIds[0] = m_playerIds[m_f.localPlayer & 1];
        m_resultCodes[0] = 1;
        m_resultIds[1] = m_playerIds[m_f.remotePlayer & 1];
        m_resultCodes[1] = 1;
        m_resultCount = 2;
    }
}

void CJubPlayState::LeaveMatch()
{
    if (m_singlePlayer)
        return;
    m_leave = 1;
    Update(0.0f);
}

void CJubPlayState::ReleasePlayerTextures()
{
    if (!m_liveScene)
        return;
    // The pictures go back to where they came from, not merely forgotten.
    for (i32 p = 0; p < 2; ++p)
        GiveBackItemImage(&m_liveScene->GetPlayer(p).wornItemTexture);
}

void CJubPlayState::UpdateTexts()
{
    if (m_singlePlayer)
        SetSinglePlayer(1);
}

i32 CJubPlayState::HatHealth(i32 bonus)
{
    if (bonus < 0)
        bonus = 0;
    if (bonus > JUB_HAT_BONUS_MAX)
        bonus = JUB_HAT_BONUS_MAX;
    return 100 + bonus;
}

CJubScene* CJubPlayState::GetDrawnScene() const
{
    return m_liveSimulation ? m_snapshotScene : m_currentScene;
}

// ------------------------------------------------------------ game object calls

void CJubPlayState::StartMatch(i32 localPlayer, i32 host, i32 bothPresent)
{
    if (!m_liveScene)
        return;
    m_f.localPlayer = localPlayer == 1 ? 1 : 0;
    m_f.remotePlayer = 1 - m_f.localPlayer;
    m_host = host ? 1 : 0;
    if (!bothPresent)
    {
        m_f.winner = JUB_WINNER_DRAW;
        SetMatchResult(JUB_WINNER_DRAW);
        PostMatchOver(0);
        PostQuit(0);
        return;
    }
    if (m_host)
        PostRandomStartRound();
}

void CJubPlayState::OnPlayerLeft()
{
    if (!m_liveScene || m_f.matchDecided || m_resultSent)
        return;
    m_playerLeft = 1;
    SetMatchResult(m_f.localPlayer);
    PostTurnResult(CJubEventMatchResult::kPlayerLeft);
}

void CJubPlayState::RequestStop()
{
    // A turn still simulated ahead is undone, so the match ends on its last real state.
    if (m_liveSimulation)
        RestoreSnapshot();
    m_f.phase = JUB_PHASE_MATCH_OVER;
    m_f.matchDecided = 1;
    m_resultSent = 1;
    m_resultAgreed = 1;
    m_resultReported = 1;
    SetLiveSimulation(0);
}

// ------------------------------------------------------------------- updating

void CJubPlayState::PlaySound(u32 id, i32 frequency)
{
    // Nothing of a turn is heard while it is simulated ahead; its replay plays it all.
    if (m_liveSimulation || !m_game)
        return;
    m_game->PlaySound(id, 0, frequency);
}

void CJubPlayState::SetLiveSimulation(i32 on)
{
    m_liveSimulation = on ? 1 : 0;
    // The peer's events wait while a turn is simulated ahead, so none lands in it.
    if (m_exchange)
        m_exchange->SetHoldIncoming(m_liveSimulation);
}

void CJubPlayState::Vibrate()
{
    if (m_game)
        m_game->Vibrate();
}

void CJubPlayState::UpdateLeaving()
{
    m_game->ClearChatBubbles();
    if (m_buttons && m_buttons->IsBusy())
        return;
    if (m_ambience)
        m_ambience->StopAll();
    SetDone(1);
}

int CJubPlayState::Update(f32 dt)
{
    if (!m_game || !m_liveScene)
        return KE_ERR_NOT_READY;
    StepScreen(dt);
    // The camera moves once a step, after everything that may have moved its goal,
    // so the frame drawn next and the next step's touch mapping use one view.
    if (m_renderer)
        m_renderer->Update(dt);
    return KE_OK;
}

void CJubPlayState::StepScreen(f32 dt)
{
    m_now += dt;
    if (!m_game->IsLoadingDone())
        m_game->LoadNextResource();
    if (m_leave)
    {
        if (m_buttons)
            m_buttons->Update(dt);   // lets a running press animation finish
        UpdateLeaving();
        return;
    }
    if (m_game->IsStopRequested() && m_f.phase != JUB_PHASE_MATCH_OVER)
        RequestStop();

    // Input first: the zoom bar, the buttons, panning and pinch, then the aim of the
    // local player's turn.
    HandleInput(dt);

    if (m_liveSimulation)
    {
        UpdateLiveSimulation();
        return;
    }

    // One step in the order of the simulate-ahead: release what is due, dispatch, the
    // scene and effects, the clock, the world.
    const i32 replaying = (m_f.phase == JUB_PHASE_LOCAL_TURN && m_f.replayStarted
                           && !m_replayEndHandled)
                          || (m_f.phase == JUB_PHASE_REMOTE_TURN && m_f.batchReceived
                              && !m_replayEndHandled);
    if (replaying)
        ApplyReceivedEvents();
    m_exchange->DispatchEvents();
    if (replaying && m_observer)
    {
        m_observer->OnTurnStep(*m_liveScene, 1, m_stepIndex);
        if (m_replayEndHandled)
            m_observer->OnReplayEnd(*m_liveScene);
    }
    m_exchange->PumpOutgoing();
    if (m_leave)
        return;

    UpdatePhaseTimers();
    UpdateTurnIntro(dt);
    UpdateTurnTimer();
    UpdateTurnClose();

    StepScene();
    if (replaying)
    {
        m_game->AdvanceClock(JUB_STEP_MS);
        ++m_stepIndex;
    }
    if (m_simulationRunning)
        m_world->Step();
    if (m_ambience)
        m_ambience->Update(dt);
    m_turnMessage -= 200.0f * dt;
    if (m_turnMessage < -1000.0f)
        m_turnMessage = -1000.0f;
    return;
}

void CJubPlayState::StepScene()
{
    m_liveScene->Update(kStep);
    m_effects->Update(kStep);
}

void CJubPlayState::UpdatePhaseTimers()
{
    switch (m_f.phase)
    {
    case JUB_PHASE_ROUND_START:
        if (m_host && !m_f.readyLatch)
        {
            const CJubPlayer& a = m_liveScene->GetPlayer(0);
            const CJubPlayer& b = m_liveScene->GetPlayer(1);
            if (m_singlePlayer || (a.ready && b.ready))
            {
                m_f.readyLatch = 1;
                PostBeginTurn(m_singlePlayer ? 0 : m_firstPlayer);
            }
        }
        break;
    case JUB_PHASE_MATCH_OVER:
        if (m_f.matchDecided && m_resultSent && m_resultReported)
        {
            if (!m_leaveShown && m_now - m_reportTime >= kLeaveShownAfter)
            {
                m_leaveShown = 1;
                m_confirmation = 0;
            }
            if (!m_singlePlayer && !m_quitRequested && m_now - m_reportTime >= kAutoQuitAfter)
                PostQuit(0);
        }
        break;
    case JUB_PHASE_BETWEEN_ROUNDS:
        if (m_singlePlayer)
        {
            if (m_now - m_phaseClock >= kTrainingRestartAfter)
            {
                m_phaseClock = m_now + 1000.0f;   // once
                if (m_f.matchDecided && m_f.winner == m_f.localPlayer)
                {
                    m_nextState = JUB_STATE_TRAINING;
                    m_leave = 1;
                }
                else
                {
                    RestartScene();
                }
            }
            break;
        }
        if (!m_f.readyPosted && m_now - m_phaseClock >= kAutoReadyAfter)
        {
            m_f.readyPosted = 1;
            PostPlayerReady(m_f.localPlayer);
        }
        if (m_host && m_liveScene->GetPlayer(0).ready && m_liveScene->GetPlayer(1).ready)
            StartNextRound();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- buttons, keys

void CJubPlayState::OnButtonPressed(CJubButton*) {}
void CJubPlayState::OnButtonHeld(CJubButton*) {}

void CJubPlayState::OnButtonClicked(CJubButton* button)
{
    if (!button)
        return;
    switch (button->id)
    {
    case 0:
        m_confirmation = !m_confirmation;
        break;
    case 10:
        m_confirmation = 0;
        Forfeit();
        break;
    case 11:
        m_confirmation = 0;
        break;
    case 2: SelectWeapon(JUB_WEAPON_JUMP); break;
    case 3: SelectWeapon(JUB_WEAPON_BOMB); break;
    case 4: SelectWeapon(JUB_WEAPON_STICKY); break;
    case 5: SelectWeapon(JUB_WEAPON_WHIP); break;
    case 8:
    {
        const CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
        i32 weapon = JUB_WEAPON_BOMB;
        if (!me.bombUsed && me.ownsSnowBomb)
            weapon = JUB_WEAPON_SNOW;
        else if (!me.bombUsed && me.ownsClusterBomb)
            weapon = JUB_WEAPON_CLUSTER;
        SelectWeapon(weapon);
        break;
    }
    case 6:
    case 7:
        if (!m_singlePlayer)
        {
            m_game->GetTouchState().Primary().released = 0;
            m_game->OpenChatPage();
        }
        break;
    case 9:
        if (m_f.phase == JUB_PHASE_BETWEEN_ROUNDS)
        {
            if (m_singlePlayer)
                RestartScene();
            else if (!m_f.readyPosted)
            {
                m_f.readyPosted = 1;
                PostPlayerReady(m_f.localPlayer);
            }
        }
        break;
    case 12:
        if (!m_singlePlayer)
            PostQuit(0);
        else if (m_f.winner != m_f.localPlayer)
            RestartScene();
        else
            Forfeit();
        break;
    case 13:
        if (m_singlePlayer && m_timerRunning)
            RestartScene();
        break;
    default:
        break;
    }
}

void CJubPlayState::OnBack()
{
    if (m_leaveShown)
    {
        CJubButton leave(this, CKetrelVector2(), CKetrelVector2(), 60, 12, 0);
        OnButtonClicked(&leave);
        return;
    }
    if (IsNextRoundShown() && !m_confirmation)
    {
        CJubButton next(this, CKetrelVector2(), CKetrelVector2(), 60, 9, 0);
        OnButtonClicked(&next);
        return;
    }
    m_confirmation = !m_confirmation;
}

i32 CJubPlayState::OnKey(i32)
{
    return 1;
}
