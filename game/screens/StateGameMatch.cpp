// The online match operations of the game object: starting and stopping the match,
// the opponent leaving, the peer's game events with their acknowledgements and the chat
// lines shown as bubbles over the match.
#include "engine/KetrelResult.h"
#include "game/match/JubGameEventExchange.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubScene.h"
#include "game/screens/JubChatBubbleList.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/StateGame.h"

void CStateGame::CloseConnectingScreen(i32 value)
{
    if (CJubState* connecting = m_screens[JUB_SCREEN_CONNECTING])
        connecting->SetDone(value);
}

void CStateGame::StartMatch(i32 localStarts)
{
    if (!m_app && !m_shell)
        return;
    m_lobbyLink = 0;
    m_gameLinkLost = 0;
    m_stopRequested = 0;
    if (m_shell)
        m_shell->SeedRandom((u32)GetTickMs());
    m_matchStopped = 0;
    m_leaverResult = 0;

    i32 ids[2] = {-1, -1};
    CKetrelString names[2];
    i32 complete = 1;
    for (i32 p = 0; p < 2; ++p)
    {
        if (!m_shell || !m_shell->GetMatchPlayer(p, &ids[p], &names[p]))
        {
            ids[p] = -1;
            names[p] = p == 0 ? "Player1" : "Player2";
            complete = 0;
        }
        m_matchIds[p] = ids[p];
    }
    const i32 local = (GetUserId() == ids[0]) ? 0 : 1;

    DeleteAllScreens();
    if (!SwitchToScreen(JUB_SCREEN_PLAY))
    {
        LeaveUnshownMatch(ids, local, complete);
        return;
    }
    CJubPlayState* play = GetPlayScreen();
    if (!play)
        return;
    CJubScene* scene = play->GetLiveScene();
    for (i32 p = 0; p < 2; ++p)
    {
        play->SetPlayerId(p, (u32)ids[p]);
        if (scene)
            scene->GetPlayer(p).name = names[p];
    }
    // The starting side plays host: it draws the first round and sends it.
    play->StartMatch(local, complete && localStarts ? 1 : 0, complete);
}

void CStateGame::LeaveUnshownMatch(const i32* ids, i32 local, i32 complete)
{
    // The menu rather than no screen; the match is left as the play screen's leave does
    // it (a loss, or the draw of a match with a player missing), so that the peer is told
    // at once instead of waiting for turns that never come.
    m_matchStopped = 1;
    SwitchToScreen(JUB_SCREEN_MENU);
    i32 codes[2] = {1, 1};
    if (complete)
    {
        codes[local] = 2;
        m_counters.losses += 1;
    }
    ReportGameResult(ids, codes, 2, 1);
}

void CStateGame::StopMatch()
{
    m_lastStopResult = 0;
    if (CJubPlayState* play = GetPlayScreen())
    {
        play->LeaveMatch();
        m_lastStopResult = play->IsLeaving();
    }
    m_matchStopped = 1;
}

void CStateGame::OnPlayerLeft(i32 playerId)
{
    CJubPlayState* play = GetPlayScreen();
    if (!play || play->IsMatchDecided() || play->IsResultSent() || m_leaverResult)
        return;
    // A late notice of an online match that is over (stopped, or followed by a training
    // match) is not this match's.
    if (m_matchStopped || play->IsSinglePlayer())
        return;
    play->SetPlayerLeftFlag();
    m_counters.playersLeft += 1;
    // The sides are the ones fixed at StartMatch: the lobby's list of the room is rebuilt
    // by every later game join and may no longer hold them.
    i32 leaver = -1;
    for (i32 p = 0; p < 2 && leaver < 0; ++p)
        if (m_matchIds[p] >= 0 && m_matchIds[p] == playerId)
            leaver = p;
    if (leaver < 0)
        return;
    m_leaverResult = 1;
    play->SetMatchResult(1 - leaver);
    play->PostTurnResult(CJubEventMatchResult::kPlayerLeft);
}

f32 CStateGame::GetTurnClockFraction()
{
    CJubPlayState* play = GetPlayScreen();
    return play ? play->GetTurnTimeFraction() : 0.0f;
}

i32 CStateGame::IsGameScreenBusy()
{
    return (m_screens[JUB_SCREEN_INTRO] || m_screens[JUB_SCREEN_PLAY]) ? 1 : 0;
}

void CStateGame::OnGameData(const u8* data, i32 size)
{
    CJubPlayState* play = GetPlayScreen();
    if (!play || !data || size <= 0)
        return;
    // The exchange checks the record's size and type, drops repeats and the events of
    // unknown types, answers each with an acknowledgement and queues the rest.
    play->GetExchange().ReceivePayload(data, size);
}

int CStateGame::SendGameData(const u8* data, i32 size)
{
    if (!data || size <= 0)
        return KE_ERR_ARGUMENT;
    m_sentBytes += size;
    IBrixGameState::SendGameData(data, size, 0, 0);
    return KE_OK;
}

void CStateGame::OnGameLinkDown(i32)
{
    m_gameLinkLost = 1;
    // The play screen ends the match on its next update.
    m_stopRequested = 1;
}

void CStateGame::OnLobbyLinkDown(i32)
{
    m_lobbyLink = 1;
}

i32 CStateGame::OnChatMessage(const CBrixChatRecord& record, i32 fromPeer)
{
    i32 kind = -1;
    CKetrelString text;
    if (!m_shell || !m_shell->ReadChatRecord(record, &kind, &text))
        return 0;
    return OnChatLine(kind, text, fromPeer);
}

i32 CStateGame::OnChatLine(i32 kind, const CKetrelString& text, i32 fromPeer)
{
    if (kind != 2)
        return 0;
    CJubPlayState* play = GetPlayScreen();
    if (!play || !m_renderer)
        return 1;
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    CJubScene* scene = play->GetLiveScene();
    if (!fromPeer)
    {
        const u32 colour = scene ? scene->GetColour(play->GetLocalPlayer()).GetARGB()
                                 : 0xFF808080u;
        AddChatBubble(text, CKetrelString("Me"), colour, CKetrelVector2(0.1f * w, 0.825f * h),
                      CKetrelVector2(0.0f, h));
        if (!m_chatHelpPlayed)
        {
            SetSettingBool(CKetrelString("wobblix_chathelpplayed"), 1, 1);
            m_chatHelpPlayed = 1;
        }
        return 1;
    }
    if (!scene)
        return 1;
    const u32 colour = scene ? scene->GetColour(play->GetRemotePlayer()).GetARGB()
                             : 0xFF808080u;
    AddChatBubble(text, CKetrelString("Opponent"), colour,
                  CKetrelVector2(0.9f * w, 0.825f * h), CKetrelVector2(w, h));
    return 1;
}
