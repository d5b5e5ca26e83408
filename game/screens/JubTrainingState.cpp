#include "game/screens/JubTrainingState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubParticleSystem.h"
#include "game/match/JubRenderer.h"
#include "game/screens/JubScreenKit.h"
#include "game/screens/StateGame.h"

namespace
{
const i32 kSceneImage = 65;
const i32 kExitImage = 11;
const char* const kCompletionKey = "showedtrainingcomplete";
}

CJubTrainingState::CJubTrainingState()
    : m_completionSeen(0), m_elapsed(0.0f), m_leaving(0), m_progress(0), m_hintTimer(-1.0f)
{
}

int CJubTrainingState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    m_stateId = JUB_SCREEN_TRAINING;
    m_leaving = 0;
    m_elapsed = 0.0f;
    m_progress = 0;
    m_completionSeen = 0;
    m_hintTimer = -1.0f;
    rc = CreateButtons(game);
    if (rc != KE_OK)
        return rc;
    LayOut();
    return KE_OK;
}

void CJubTrainingState::LayOut()
{
    CStateGame* shell = JubShellGame(m_game);
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    const f32 s = w / 20.0f;
    for (i32 i = 0; i < JUB_TRAINING_SCENE_COUNT; ++i)
    {
        CJubButton* b = m_buttons->AddButton(
            CKetrelVector2(w / 2.0f - 4.0f * s + (f32)(i % 5) * 2.0f * s,
                           h / 2.0f - 1.5f * s + (f32)(i / 5) * 2.1f * s),
            CKetrelVector2(s, s), kSceneImage, 1, i);
        if (!b)
            continue;
        b->label.Format(L"%d", i + 1);
        b->labelShown = 1;
        const i32 unlocked = i == 0 || (shell && shell->IsSceneCleared(i - 1));
        b->disabled = unlocked ? 0 : 1;
        if (i == 1 && unlocked)
            m_progress = 1;
    }
    if (shell && shell->IsSceneCleared(JUB_TRAINING_SCENE_COUNT - 1))
    {
        const CKetrelString key(kCompletionKey);
        if (shell->HasSetting(key))
        {
            m_completionSeen = 1;
            m_hintTimer = 0.0f;
        }
        else
        {
            m_completionSeen = 0;
            m_hintTimer = 5.0f;
            shell->SetSettingBool(key, 1, 1);
        }
    }
    if (!m_progress)
        m_hintTimer = 5.0f;
    m_buttons->AddButton(CKetrelVector2(w / 2.0f, h - s), CKetrelVector2(s, s), kExitImage, 0, 0);
}

void CJubTrainingState::OnButtonClicked(CJubButton* button)
{
    if (!button || m_leaving)
        return;
    if (button->id == 0)
    {
        m_nextState = JUB_SCREEN_MENU;
        m_leaving = 1;
    }
    else if (button->id == 1)
    {
        SetParam(button->frame);
        m_nextState = JUB_SCREEN_PLAY;
        m_leaving = 1;
    }
}

int CJubTrainingState::Update(f32 dt)
{
    if (!m_game || !m_buttons)
        return KE_ERR_NOT_READY;
    CStateGame* shell = JubShellGame(m_game);
    if (!shell || !shell->GetMuteResult())
    {
        m_buttons->Update(dt);
        if (m_particles)
            m_particles->Update(dt);
    }
    if (m_leaving && !m_buttons->IsBusy())
    {
        if (shell)
            shell->StopMusic();
        SetDone();
    }
    if (m_hintTimer > 0.0f)
        m_hintTimer -= dt;
    else
        m_hintTimer = -1.0f;
    if (m_game->GetTouchState().anyPressed && m_hintTimer > 1.0f)
        m_hintTimer = 1.0f;
    for (i32 i = 0; i < m_buttons->GetButtonCount(); ++i)
    {
        CJubButton* b = m_buttons->GetButton(i);
        b->touchable = (m_hintTimer > 0.0f && b->id != 0) ? 0 : 1;
    }
    m_elapsed += dt;
    return KE_OK;
}

void CJubTrainingState::Render()
{
    JubScreenKit::DrawTitle(m_renderer, m_game);
    if (m_particles)
        m_particles->Render();
    if (m_buttons)
        m_buttons->Render();
    const f32 t = m_hintTimer;
    if (t <= 0.0f || !m_renderer || !m_game)
        return;
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 lh = JubScreenKit::LineHeight(m_renderer);
    const u32 alpha = t >= 1.0f ? 255u : (u32)(t * 255.0f);
    f32 d = t > 1.0f ? 0.35f : 1.0f - t + 0.35f;
    d = d < 0.0f ? 0.0f : (d > 1.0f ? 1.0f : d);
    JubScreenKit::Dim(m_renderer, d + 0.4f);
    if (h > 0.0f)
        JubScreenKit::Dim(m_renderer, d, 0.0f, 0.5f - 1.5f * lh / h, 1.0f, 0.5f + 1.5f * lh / h);
    const u32 colour = (alpha << 24) | 0xFFFFFFu;
    const i32 first = m_progress ? 18 : 20;
    JubScreenKit::DrawTextLine(m_renderer, m_game->GetText(first), w / 2.0f, h / 2.0f - lh / 2.0f,
                               colour, 385);
    JubScreenKit::DrawTextLine(m_renderer, m_game->GetText(first + 1), w / 2.0f,
                               h / 2.0f + lh / 2.0f, colour, 385);
}
