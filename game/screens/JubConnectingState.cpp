#include "game/screens/JubConnectingState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubParticleSystem.h"
#include "game/match/JubRenderer.h"
#include "game/screens/JubScreenKit.h"
#include "game/screens/StateGame.h"

CJubConnectingState::CJubConnectingState()
    : m_startTime(0.0f), m_countdown(10), m_leaving(0)
{
}

static f32 TickSeconds(CJubGameHost* game)
{
    CStateGame* shell = JubShellGame(game);
    return shell ? (f32)((f64)shell->GetTickMs() / 1000.0) : 0.0f;
}

int CJubConnectingState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    m_stateId = JUB_SCREEN_CONNECTING;
    m_leaving = 0;
    m_startTime = TickSeconds(game);
    m_countdown = 10;
    if (CStateGame* shell = JubShellGame(game))
        shell->GetFont();
    for (i32 index : {0, 1, 11})
        game->GetAssets()->GetImage(index);
    rc = CreateButtons(game);
    if (rc != KE_OK)
        return rc;
    m_nextState = JUB_SCREEN_MENU;
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    m_buttons->AddButton(CKetrelVector2(w / 2.0f, h - w / 30.0f),
                         CKetrelVector2(w / 30.0f, w / 30.0f), 11, 0, 0);
    return KE_OK;
}

i32 CJubConnectingState::Countdown(f32 elapsed)
{
    i32 value = (i32)((20.0f - elapsed) / 20.0f * 10.0f) + 1;
    return value < 1 ? 1 : (value > 10 ? 10 : value);
}

f32 CJubConnectingState::Elapsed()
{
    return TickSeconds(m_game) - m_startTime;
}

void CJubConnectingState::CancelOnce()
{
    // The request is cancelled once, however long the button's animation still runs.
    if (!m_leaving)
        if (CStateGame* shell = JubShellGame(m_game))
            shell->CancelMatchRequest();
    m_nextState = JUB_SCREEN_MENU;
    m_leaving = 1;
}

void CJubConnectingState::OnButtonClicked(CJubButton* button)
{
    if (button && button->id == 0)
        CancelOnce();
}

int CJubConnectingState::Update(f32 dt)
{
    if (!m_game)
        return KE_ERR_NOT_READY;
    if (m_buttons)
        m_buttons->Update(dt);
    if (m_particles)
        m_particles->Update(dt);
    const f32 elapsed = Elapsed();
    if (elapsed > 20.0f)
        CancelOnce();
    m_countdown = Countdown(elapsed);
    if (m_leaving && (!m_buttons || !m_buttons->IsBusy()))
        SetDone();
    m_nextState = JUB_SCREEN_MENU;
    return KE_OK;
}

void CJubConnectingState::Render()
{
    JubScreenKit::DrawTitle(m_renderer, m_game);
    JubScreenKit::Dim(m_renderer, 0.2f);
    if (m_particles)
        m_particles->Render();
    if (!m_renderer)
        return;
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    JubScreenKit::DrawSpinner(m_renderer, m_game, CKetrelVector2(w / 2.0f, 0.6f * h), w / 15.0f,
                              Elapsed() * 3.0f);
    if (m_game)
        JubScreenKit::DrawTextLine(m_renderer, m_game->GetText(14), w / 2.0f, 0.4f * h,
                                   0xFFFFFFFFu, 400);
    CKetrelString count;
    count.Format(L"%d", m_countdown);
    JubScreenKit::DrawTextLine(m_renderer, count, w / 2.0f, 0.6f * h, 0xFFFFFFFFu, 400);
    if (m_buttons)
        m_buttons->Render();
}
