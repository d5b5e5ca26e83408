// The match flow of the play screen: rounds, turns, the turn timer, results.
#include "game/match/JubPlayState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubButtonManager.h"
#include "game/match/JubEffectList.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubRenderer.h"
#include "game/match/JubScene.h"

namespace
{
const f32 kIntroSeconds = 4.0f;
const i32 kSceneDraws = 1000;
const f32 kTurnMessageStart = 512.0f;
const CKetrelVector2 kCentre(0.0f, 1.5f);
const f32 kOverviewZoom = 0.3f;

i32 BitOf(i32 weapon)
{
    return 1 << weapon;
}
}

// ------------------------------------------------------------------- rounds

void CJubPlayState::ResetRound()
{
    if (!m_liveScene)
        return;
    for (i32 p = 0; p < 2; ++p)
    {
        CJubPlayer& player = m_liveScene->GetPlayer(p);
        player.timeOutsLeft = 3;
        player.ready = 0;
        player.selectedWeapon = JUB_WEAPON_BOMB;
    }
    if (m_effects)
        m_effects->Clear();
    m_turnTimeLimit = 30.0f;
    m_f.winner = JUB_WINNER_NONE;
    m_f.turnPlayer = -1;
    const i32 local = m_f.localPlayer, remote = m_f.remotePlayer, phase = m_f.phase;
    const i32 decided = m_f.matchDecided;
    m_f = CJubPlayFields();
    m_f.localPlayer = local;
    m_f.remotePlayer = remote;
    m_f.phase = phase;
    m_f.matchDecided = decided;
    m_f.winner = JUB_WINNER_NONE;
    m_f.turnPlayer = -1;
    m_timerRunning = 0;
    m_timerHeld = 0;
    m_introCountdown = 0.0f;
    SetLiveSimulation(0);
    m_simulatedTime = 0.0f;
    m_replayEndHandled = 0;
    m_roundBegun = 0;
    m_startHealth[0] = m_startHealth[1] = 0;
    m_phaseClock = m_now;
    ClearCheckState();
    if (m_exchange)
    {
        m_exchange->ClearHistory();
        m_exchange->ClearReceived();
    }
    m_currentScene = m_liveScene;
    if (m_game)
        m_game->ResetClock();
}

void CJubPlayState::OnStartRound(const CJubEventStartRound& e)
{
    ResetRound();
    m_liveScene->Reset();
    const i32 limit = m_singlePlayer ? (i32)JUB_TRAINING_SCENES : (i32)JUB_BATTLE_SCENE_COUNT;
    int loaded = 0;
    if (e.scene < (u32)limit)
    {
        const CKetrelString& name = m_singlePlayer ? CJubAssetNames::TrainingScene((i32)e.scene)
                                                   : CJubAssetNames::BattleScene((i32)e.scene);
        loaded = m_liveScene->LoadFromMemory(name) == KE_OK;
    }
    if (!loaded)
    {
        Forfeit();
        return;
    }
    m_sceneIndex = (i32)e.scene;
    for (i32 p = 0; p < 2; ++p)
    {
        u32 slot = e.slot[p] <= 2 ? e.slot[p] : 0;
        CJubPlayer& player = m_liveScene->GetPlayer(p);
        if (player.body)
        {
            player.body->SetPosition(m_liveScene->GetHomePosition(p, (i32)slot));
            player.body->SetVelocity(CKetrelVector2(0.0f, 0.0f));
        }
    }
    if (m_singlePlayer)
        SetSinglePlayer(1);
    m_firstPlayer = e.firstPlayer;
    LayoutButtons(0);
    if (!m_singlePlayer)
    {
        PostOwnedItems();
    }
    else
    {
        m_liveScene->GetPlayer(0).roundsWon = 0;
        m_liveScene->GetPlayer(1).roundsWon = 0;
        UpdateTexts();
    }
    PostPlayerReady(m_f.localPlayer);
    SetPhase(JUB_PHASE_ROUND_START);
}

void CJubPlayState::PostRandomStartRound()
{
    i32 first = m_game->RandomInt(0, 1);
    PostRandomStartRoundWith(first);
}

void CJubPlayState::PostRandomStartRoundWith(i32 first)
{
    i32 scene = -1;
    for (i32 attempt = 0; attempt < 2 && scene < 0; ++attempt)
    {
        for (i32 draw = 0; draw < kSceneDraws; ++draw)
        {
            i32 candidate = m_game->RandomInt(0, JUB_BATTLE_SCENE_COUNT - 1);
            bool played = false;
            for (i32 i = 0; i < m_playedScenes.GetCount() && !played; ++i)
                played = m_playedScenes[i] == candidate;
            if (!played)
            {
                scene = candidate;
                break;
            }
        }
        // Every scene was played: start the list again.
        if (scene < 0)
            m_playedScenes.RemoveAll();
    }
    if (scene < 0)
        scene = 0;
    m_playedScenes.Add(scene);
    i32 slotA = m_game->RandomInt(0, 2);
    i32 slotB = m_game->RandomInt(0, 2);
    if (m_f.phase != JUB_PHASE_NONE)
    {
        m_liveScene->GetPlayer(0).ready = 0;
        m_liveScene->GetPlayer(1).ready = 0;
    }
    PostStartRound(first, scene, slotA, slotB);
}

void CJubPlayState::StartNextRound()
{
    if (m_singlePlayer)
    {
        m_nextState = JUB_STATE_TRAINING;
        m_leave = 1;
        return;
    }
    m_liveScene->GetPlayer(0).ready = 0;
    m_liveScene->GetPlayer(1).ready = 0;
    PostRandomStartRoundWith((m_firstPlayer + 1) % 2);
}

void CJubPlayState::RestartScene()
{
    if (!m_singlePlayer)
        return;
    m_restartedRound = 1;
    m_f.matchDecided = 0;
    m_resultSent = m_resultAgreed = m_resultCounted = m_resultReported = 0;
    m_matchOverPosted = m_quitRequested = m_timeOutsFlag = 0;
    m_leaveShown = 0;
    PostStartRound(0, m_sceneIndex, 0, 0);
    PostBeginTurn(0);
    SetPhase(JUB_PHASE_ROUND_START);
}

void CJubPlayState::OnPlayerReady(const CJubEventPlayerReady& e)
{
    m_liveScene->GetPlayer(e.player).ready = 1;
}

void CJubPlayState::OnNextRound(const CJubEventNextRound&)
{
    m_f.readyPosted = 0;
    SetPhase(JUB_PHASE_BETWEEN_ROUNDS);
}

// -------------------------------------------------------------------- turns

void CJubPlayState::OnBeginTurn(const CJubEventBeginTurn& e)
{
    if (m_singlePlayer)
    {
        m_f.localPlayer = 0;
        m_f.remotePlayer = 1;
    }
    m_roundBegun = 1;
    m_camera->StopFollowing();
    m_camera->SetViewOffset(kCentre);
    m_simulationRunning = 1;
    m_f.readyLatch = 1;
    if (!m_restartedRound)
    {
        m_timerHeld = 1;
        m_timerRunning = 0;
        m_introCountdown = kIntroSeconds;
        PlaySound(JUB_SOUND_START_GAME);
    }
    else
    {
        // A training restart skips the intro: the timer runs at once.
        m_timerHeld = 0;
        m_timerRunning = 1;
        m_turnStart = m_now;
    }
    m_restartedRound = 0;
    LayoutButtons(1);
    SetPhase(JUB_PHASE_TURN_INTRO);
    CJubEventNextTurn next;
    next.player = e.player;
    m_exchange->ApplyAtOnce(next);
    if (!m_singlePlayer && m_roundsPlayed == 0 && !m_game->GetMatchCounters().helpShown)
    {
        const CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
        CKetrelVector2 at;
        if (me.body)
            m_camera->WorldToScreen(me.body->GetPosition(), at);
        m_game->AddChatBubble(m_game->GetText(15), me.name, me.colour.GetARGB(), at, at);
        m_game->GetMatchCounters().helpShown = 1;
    }
    Vibrate();
}

void CJubPlayState::UpdateTurnIntro(f32 dt)
{
    if (!m_timerHeld)
        return;
    m_introCountdown -= dt;
    if (m_introCountdown > 0.0f)
        return;
    m_timerHeld = 0;
    m_timerRunning = 1;
    m_turnStart = m_now;
    if (m_f.turnPlayer == 0 || m_f.turnPlayer == 1)
        m_camera->FollowBody(m_liveScene->GetPlayer(m_f.turnPlayer).body);
}

void CJubPlayState::ResetTurnFields()
{
    m_turnStart = m_now;
    m_turnFraction = 1.0f;
    for (i32 i = 0; i < 5; ++i)
        m_timerAlerts[i] = 0;
    m_timerPulse[2] = 0.1f;
    m_f.acted = 0;
    m_f.turnPassed = 0;
    m_f.timedOut = 0;
    m_f.positionsSynced = 0;
    m_f.aimRelease = 0;
    m_f.aimStarted = 0;
    m_f.stretchSound = 0;
}

void CJubPlayState::OnNextTurn(const CJubEventNextTurn& e)
{
    i32 player = m_singlePlayer ? 0 : e.player;
    const i32 handled = m_replayEndHandled;
    if (player == m_f.localPlayer || player == m_f.remotePlayer)
        m_f.turnPlayer = player;
    CJubPlayer& turn = m_liveScene->GetPlayer(m_f.turnPlayer < 0 ? 0 : m_f.turnPlayer);
    if (m_timerRunning)
    {
        if (!(handled && m_f.turnPlayer != m_f.localPlayer))
            m_camera->FollowBody(turn.body);
        m_camera->SetZoomTarget(m_localZoom);   // the zoom the local player chose
        m_turnMessage = kTurnMessageStart;
    }
    else
    {
        // The whole field, and no last place of an earlier follow to ease back to.
        m_camera->StopFollowing();
        m_camera->SetViewOffset(kCentre);
        m_camera->SetFocusPoint(kCentre);
        m_camera->SetZoom(kOverviewZoom);
        m_camera->SetZoomTarget(kOverviewZoom);
        m_turnMessage = 0.0f;
    }
    if (player == m_f.localPlayer)
    {
        SetPhase(JUB_PHASE_LOCAL_TURN);
        ResetTurnFields();
        Vibrate();
    }
    else
    {
        SetPhase(JUB_PHASE_REMOTE_TURN);
    }
    m_exchange->ClearReceived();
    m_currentScene = m_liveScene;
    m_f.batchReceived = 0;
    m_f.replayDone = 0;
    m_f.peerReplayDone = 0;
    m_f.replayStarted = 0;
    m_f.replayDonePosted = 0;
    m_replayEndHandled = 0;
}

void CJubPlayState::UpdateTurnTimer()
{
    if (m_f.phase != JUB_PHASE_LOCAL_TURN || !m_timerRunning || m_f.acted || m_f.matchDecided
        || m_f.roundOver || m_f.timedOut)
        return;
    const f32 elapsed = m_now - m_turnStart;
    const f32 remaining = m_turnTimeLimit - elapsed;
    m_turnFraction = 1.0f - elapsed / m_turnTimeLimit;
    if (remaining < 6.0f)
    {
        for (i32 i = 1; i <= 5; ++i)
        {
            if (remaining < (f32)i && !m_timerAlerts[i - 1])
            {
                m_timerAlerts[i - 1] = 1;
                const i32 base = m_game->GetSoundFrequency(JUB_SOUND_TIMER_ALERT);
                const f32 pitch = 1.0f + (f32)(5 - i) / 10.0f;
                PlaySound(JUB_SOUND_TIMER_ALERT, (i32)((f32)base * pitch + 0.5f));
                if (i == 5)
                    Vibrate();
                m_timerPulse[0] = 1.0f;
                m_timerPulse[1] = 0.3f;
            }
        }
    }
    m_timerPulse[0] += m_timerPulse[1];
    m_timerPulse[1] -= m_timerPulse[2];
    if (m_timerPulse[0] <= 0.0f)
    {
        m_timerPulse[0] = 0.0f;
        m_timerPulse[1] = 0.0f;
    }
    if (m_timerPulse[0] > 2.0f)
        m_timerPulse[0] = 2.0f;

    if (elapsed >= m_turnTimeLimit)
    {
        m_f.timedOut = 1;
        PlaySound(JUB_SOUND_TIMER_END);
        CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
        me.timeOutsLeft -= 1;
        me.aiming = 0;
        me.aimPreview = 0;
        if (me.timeOutsLeft < 1)
        {
            SetMatchResult(m_f.remotePlayer);
            PostTurnResult(CJubEventMatchResult::kTimeOuts);
        }
        else
        {
            PassTurn();
        }
    }
}

int CJubPlayState::IsRoundOverByCreatures(i32* winner) const
{
    const u32 a = m_liveScene->GetPlayer(0).alive;
    const u32 b = m_liveScene->GetPlayer(1).alive;
    if (a && b)
        return 0;
    *winner = a ? 0 : (b ? 1 : JUB_WINNER_NONE);
    return 1;
}

void CJubPlayState::PassTurn()
{
    m_f.acted = 1;
    m_f.turnPassed = 1;
    m_f.positionsSynced = 1;
    m_f.aimRelease = 1;
    for (i32 p = 0; p < 2; ++p)
    {
        m_liveScene->GetPlayer(p).aiming = 0;
        m_liveScene->GetPlayer(p).aimPreview = 0;
    }
    if (m_camera->GetZoomTarget() < kOverviewZoom)
        m_camera->SetZoomTarget(kOverviewZoom);
    PostNextTurn(m_f.remotePlayer);
}

void CJubPlayState::UpdateTurnClose()
{
    if (m_f.phase != JUB_PHASE_LOCAL_TURN || m_liveSimulation || !m_f.replayStarted
        || !m_f.replayDone || !(m_f.peerReplayDone || m_singlePlayer) || m_f.matchDecided)
        return;
    i32 winner = JUB_WINNER_NONE;
    if (IsRoundOverByCreatures(&winner))
    {
        if (!m_f.roundOverPosted)
        {
            m_f.winner = winner;
            PostRoundOver();
        }
        return;
    }
    if (!m_exchange->GetLocalQueue().HasEvents() && !m_f.turnPassed)
        PassTurn();
}

void CJubPlayState::OnRoundOver(const CJubEventRoundOver& e)
{
    const i32 winner = e.winner;
    m_f.winner = winner;
    if (winner == 0 || winner == 1)
        m_liveScene->GetPlayer(winner).roundsWon += 1;
    if (winner == m_f.localPlayer)
        PlaySound(JUB_SOUND_WIN_GAME);
    else if (winner == m_f.remotePlayer)
        PlaySound(JUB_SOUND_LOSE_GAME);
    else
        PlaySound(JUB_SOUND_TIE_GAME);
    if (winner == 0 || winner == 1)
    {
        if (winner == m_f.localPlayer)
        {
            m_camera->FollowBody(m_liveScene->GetPlayer(winner).body);
            m_camera->SetZoomTarget(1.0f);
        }
        SetMatchResult(winner);
    }
    m_roundsPlayed += 1;
    m_f.turnPlayer = -1;
    m_f.roundOver = m_liveScene->GetPlayer(0).roundsWon <= 0
                    && m_liveScene->GetPlayer(1).roundsWon <= 0;
    m_timerRunning = 0;
    m_timerHeld = 0;
    SetPhase(JUB_PHASE_ROUND_OVER);
    if (m_host || m_singlePlayer)
    {
        m_liveScene->GetPlayer(0).ready = 0;
        m_liveScene->GetPlayer(1).ready = 0;
        if (!m_f.matchDecided)
        {
            for (i32 p = 0; p < 2 && !m_f.matchDecided; ++p)
            {
                if (m_liveScene->GetPlayer(p).roundsWon > 0)
                {
                    m_f.winner = p;
                    m_f.matchDecided = 1;
                    if (p == m_f.localPlayer)
                        SetParam(1);
                    SetMatchResult(p);
                }
            }
            if (m_f.matchDecided)
            {
                PostTurnResult(CJubEventMatchResult::kByRounds);
            }
            else if (!m_singlePlayer)
            {
                SetPhase(JUB_PHASE_BETWEEN_ROUNDS);
                PostNextRound();
            }
        }
        if (m_singlePlayer)
            SetPhase(JUB_PHASE_BETWEEN_ROUNDS);
    }
}

// ------------------------------------------------------------------- results

void CJubPlayState::OnMatchResult(const CJubEventMatchResult& e)
{
    m_f.acted = 1;
    if (m_liveSimulation)
        RestoreSnapshot();   // the match ends on the turn's start, not half a simulation
    m_f.winner = e.winner;
    m_f.matchDecided = 1;
    SetLiveSimulation(0);
    if (e.winner == m_f.localPlayer)
    {
        m_camera->FollowBody(m_liveScene->GetPlayer(m_f.localPlayer).body);
        m_camera->SetZoomTarget(1.0f);
    }
    if (!m_resultCounted)
    {
        m_resultCounted = 1;
        if (e.winner == m_f.localPlayer)
            m_game->GetMatchCounters().wins += 1;
        else
            m_game->GetMatchCounters().losses += 1;
    }
    if (e.resultCode == CJubEventMatchResult::kPlayerLeft
        || e.resultCode == CJubEventMatchResult::kConceded)
    {
        m_resultSent = 1;
        m_resultAgreed = 1;
        if (e.winner == m_f.localPlayer)
            PlaySound(JUB_SOUND_WIN_GAME);
    }
    else if (e.resultCode == CJubEventMatchResult::kTimeOuts)
    {
        m_timeOutsFlag = 1;
        PlaySound(e.winner == m_f.localPlayer ? JUB_SOUND_WIN_GAME : JUB_SOUND_LOSE_GAME);
    }
    SetMatchResult(e.winner);
    m_confirmation = 0;
    if (e.sender == m_f.remotePlayer && !m_singlePlayer)
    {
        m_resultAgreed = 1;
        if (!m_resultSent)
        {
            // Answer with the same result, so both handsets agree on it.
            CJubEventMatchResult echo = e;
            echo.sender = (u8)m_f.localPlayer;
            m_resultSent = 1;
            m_exchange->Post(echo, 1);
        }
    }
    else
    {
        m_resultSent = 1;
    }
    SetPhase(JUB_PHASE_MATCH_OVER);
    if (!m_matchOverPosted)
        PostMatchOver(0);
}

void CJubPlayState::OnResultSent()
{
    m_resultSent = 1;
}

void CJubPlayState::OnMatchOver(const CJubEventMatchOver& e)
{
    m_reportTime = m_now;
    if (!m_singlePlayer)
    {
        i32 ids[2] = {(i32)m_resultIds[0], (i32)m_resultIds[1]};
        i32 codes[2] = {(i32)m_resultCodes[0], (i32)m_resultCodes[1]};
        m_game->ReportGameResult(ids, codes, m_resultCount, (i32)e.leaveNow);
    }
    m_resultReported = 1;
    if (e.leaveNow)
    {
        SetPhase(JUB_PHASE_LEAVING);
        m_leave = 1;
        // The leaving step runs now: a screen with nothing left to animate is done in
        // this frame, not the next.
        Update(0.0f);
    }
}

void CJubPlayState::OnQuit(const CJubEventQuit&)
{
    m_quitRequested = 1;
    if (!m_singlePlayer)
    {
        m_game->OpenChatPage();
    }
    else
    {
        SetPhase(JUB_PHASE_LEAVING);
        m_leave = 1;
    }
}

void CJubPlayState::OnConcede(const CJubEventConcede& e)
{
    if (m_f.matchDecided)
        return;
    SetMatchResult(1 - e.player);
    PostTurnResult(CJubEventMatchResult::kConceded);
}

void CJubPlayState::Concede()
{
    if (m_singlePlayer || m_f.matchDecided)
        return;
    PostConcede(m_f.localPlayer);
}

void CJubPlayState::Forfeit()
{
    // A decided match keeps its result and its count: leaving it gives nothing away.
    if (!m_f.matchDecided)
    {
        SetMatchResult(m_f.remotePlayer);
        m_game->GetMatchCounters().losses += 1;
        m_resultCounted = 1;
        m_f.matchDecided = 1;
    }
    SetPhase(JUB_PHASE_LEAVING);
    PostMatchOver(1);
}

void CJubPlayState::OnReplayDone(const CJubEventReplayDone& e)
{
    if (e.player == m_f.remotePlayer)
        m_f.peerReplayDone = 1;
}

void CJubPlayState::OnBatch(const CJubGameEvent& batch)
{
    // Only the peer's turn is replayed from a received batch; the own batch was parsed
    // when it was posted, and a second batch in one turn is not taken.
    if (m_f.phase != JUB_PHASE_REMOTE_TURN || m_f.batchReceived || m_liveSimulation)
        return;
    m_f.batchReceived = 1;
    m_replayEndHandled = 0;
    m_exchange->ClearReceived();
    if (m_exchange->ParseBatch(batch) != KE_OK)
    {
        // A batch that cannot be read whole cannot be replayed alike: nothing of it is
        // applied, no replay is reported done, and the match ends as if the peer left.
        m_exchange->ClearReceived();
        m_replayEndHandled = 1;
        ++m_refusedBatches;
        OnPlayerLeft();
        return;
    }
    m_game->ResetClock();
    m_stepIndex = 0;
    m_simulationRunning = 1;
}

void CJubPlayState::OnOwnedItems(const CJubEventOwnedItems& e)
{
    const i32 player = e.player & 1;
    // The owner's handset read its own items: its value holds on both handsets, also
    // where this one cannot read them.
    if (e.startHealth > 0)
        m_startHealth[player] = HatHealth((i32)e.startHealth - 100);
    for (i32 i = 0; i < e.count && i < JUB_OWNED_ITEMS_MAX; ++i)
        ReadItem(player, (i32)e.itemId[i], (i32)e.fileNumber[i], (i32)e.packNumber[i]);
    if (m_startHealth[player] > 0 && !m_roundBegun && m_liveScene)
        m_liveScene->GetPlayer(player).health = m_startHealth[player];
}

// ------------------------------------------------------------------ weapons

int CJubPlayState::SelectWeapon(i32 weapon)
{
    if (weapon < 0 || weapon >= JUB_WEAPON_COUNT || !(m_allowedWeapons & (u32)BitOf(weapon)))
        return KE_ERR_ARGUMENT;
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    if (weapon == JUB_WEAPON_SNOW && (!me.ownsSnowBomb || me.bombUsed))
        return KE_ERR_ARGUMENT;
    if (weapon == JUB_WEAPON_CLUSTER && (!me.ownsClusterBomb || me.bombUsed))
        return KE_ERR_ARGUMENT;
    me.selectedWeapon = weapon;
    return KE_OK;
}

void CJubPlayState::ApplyTrainingRules()
{
    CJubPlayer& me = m_liveScene->GetPlayer(m_f.localPlayer);
    me.ClearCounters();
    const i32 s = m_sceneIndex;
    u32 allowed = 0;
    i32 weapon = JUB_WEAPON_BOMB;
    const u32 four = (u32)(BitOf(JUB_WEAPON_JUMP) | BitOf(JUB_WEAPON_BOMB)
                           | BitOf(JUB_WEAPON_STICKY) | BitOf(JUB_WEAPON_WHIP));
    if (s == 0)
    {
        allowed = (u32)BitOf(JUB_WEAPON_JUMP);
        weapon = JUB_WEAPON_JUMP;
    }
    else if (s == 1)
    {
        allowed = (u32)(BitOf(JUB_WEAPON_JUMP) | BitOf(JUB_WEAPON_WHIP));
        weapon = JUB_WEAPON_JUMP;
    }
    else if (s >= 2 && s <= 4)
    {
        allowed = (u32)BitOf(JUB_WEAPON_BOMB);
        weapon = JUB_WEAPON_BOMB;
    }
    else if (s >= 5 && s <= 7)
    {
        allowed = (u32)BitOf(JUB_WEAPON_STICKY);
        weapon = JUB_WEAPON_STICKY;
    }
    else if (s == 8)
    {
        allowed = four | (u32)BitOf(JUB_WEAPON_SNOW);
        me.ownsSnowBomb = 1;
        weapon = JUB_WEAPON_SNOW;
    }
    else if (s == 9)
    {
        allowed = four | (u32)BitOf(JUB_WEAPON_CLUSTER);
        me.ownsClusterBomb = 1;
        weapon = JUB_WEAPON_CLUSTER;
    }
    else
    {
        allowed = four;
        weapon = JUB_WEAPON_BOMB;
    }
    m_allowedWeapons = allowed;
    me.selectedWeapon = weapon;
}

// The HUD places its buttons here; what the match itself needs of a layout is the
// training narrowing that follows every layout.
void CJubPlayState::LayoutButtons(i32 full)
{
    PlaceHudButtons(full);
    m_allowedWeapons = 0x3F;
    if (m_singlePlayer && m_liveScene)
        ApplyTrainingRules();
    ApplyHudWeapons();
}
