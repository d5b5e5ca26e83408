#include "game/screens/JubIntroState.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"
#include "game/screens/JubScreenKit.h"
#include "game/screens/StateGame.h"

#include <new>

namespace
{
const i32 kShared[] = {11, 58, 59, 8, 7};
const i32 kLastPicture = JUB_HELP_PICTURE_COUNT - 1;
// The torch sheet's frame accumulator is shared by every visit.
f32 s_torchFrames = 0.0f;
}

CJubIntroState::CJubIntroState()
    : m_leaving(0), m_torch(nullptr), m_buttons(nullptr), m_loadedCount(0), m_loadTarget(3),
      m_touchArmed(0), m_endReached(0), m_endFadeDone(0), m_endTimer(1.5f), m_torchAlpha(0.0f),
      m_torchState(JUB_TORCH_WAITING), m_torchFrame(0), m_previous(0)
{
    for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
    {
        m_images[i] = nullptr;
        m_loaded[i] = 0;
    }
}

CJubIntroState::~CJubIntroState()
{
    Deinit();
}

static CJubAssetSource* SourceOf(CJubGameHost* game)
{
    return game && game->GetAssets() ? game->GetAssets()->GetSource() : nullptr;
}

int CJubIntroState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    m_loadTarget = 3;
    m_loadedCount = 0;
    m_endTimer = 1.5f;
    m_stateId = JUB_SCREEN_INTRO;
    m_leaving = m_touchArmed = m_endReached = m_endFadeDone = 0;
    m_torchAlpha = 0.0f;
    m_torchState = JUB_TORCH_WAITING;
    for (i32 index : kShared)
        game->GetAssets()->GetImage(index);
    CJubAssetSource* source = SourceOf(game);
    if (source && !m_torch)
        m_torch = source->GetImage(CKetrelString("torch.png"));

    delete m_buttons;
    m_buttons = new (std::nothrow) CJubButtonManager();
    if (!m_buttons)
        return KE_ERR_MEMORY;
    m_buttons->Init(m_renderer, game);
    m_buttons->SetListener(this);
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    m_buttons->AddButton(CKetrelVector2(w / 2.0f, h - 1.2f * w / 20.0f),
                         CKetrelVector2(w / 20.0f, w / 20.0f), 11, 1, 0);

    const f32 W = 1.6f * h;
    for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
        m_pictures[i] = CKetrelRectF(w + (f32)i * W, 0.1f * h, w + (f32)(i + 1) * W, 0.9f * h);
    m_torchRect = CKetrelRectF(0.0f, 0.0f, w, h);
    FetchPictures();

    if (CStateGame* shell = JubShellGame(game))
        shell->PlayMusic(1);
    game->ResetClock();
    m_previous = game->GetClock();
    return KE_OK;
}

void CJubIntroState::FetchPictures()
{
    for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
        FetchPicture(i);
}

i32 CJubIntroState::FetchPicture(i32 i)
{
    CJubAssetSource* source = SourceOf(m_game);
    if (m_images[i] || !source)
        return 0;
    m_images[i] = source->GetImage(CJubAssetNames::Get(JUB_TABLE_HELP_PICTURES, i));
    if (m_images[i])
    {
        m_loaded[i] = 1;
        ++m_loadedCount;
    }
    return 1;
}

void CJubIntroState::ReleaseResources()
{
    CJubAssetSource* source = SourceOf(m_game);
    for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
    {
        if (m_images[i] && source)
            source->ReleaseImage(&m_images[i]);
        m_images[i] = nullptr;
        m_loaded[i] = 0;
    }
    m_loadedCount = 0;
    if (m_game && m_game->GetAssets())
        for (i32 index : kShared)
            m_game->GetAssets()->ReleaseImage(index);
}

void CJubIntroState::Deinit()
{
    ReleaseResources();
    CJubAssetSource* source = SourceOf(m_game);
    if (m_torch && source)
        source->ReleaseImage(&m_torch);
    m_torch = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
}

void CJubIntroState::ReloadResources()
{
    CJubAssetSource* source = SourceOf(m_game);
    if (source && !m_torch)
        m_torch = source->GetImage(CKetrelString("torch.png"));
    if (m_game)
        for (i32 index : kShared)
            m_game->GetAssets()->GetImage(index);
    FetchPictures();
    if (m_buttons)
        m_buttons->LoadTextures();
}

void CJubIntroState::OnButtonClicked(CJubButton*)
{
    if (CStateGame* shell = JubShellGame(m_game))
        shell->StopMusic();
    m_nextState = JUB_SCREEN_MENU;
    m_leaving = 1;
}

int CJubIntroState::Update(f32 dt)
{
    if (!m_game)
        return KE_ERR_NOT_READY;
    // A touch that began on the previous screen must end before the button reacts.
    if (!m_game->GetTouchState().anyPressed)
        m_touchArmed = 1;
    if (m_touchArmed && m_buttons)
        m_buttons->Update(dt);
    if (m_leaving && (!m_buttons || !m_buttons->IsBusy()))
    {
        ReleaseResources();
        SetDone();
    }
    if (m_endReached)
    {
        m_endTimer -= dt / 3.0f;
        if (m_endTimer < 0.0f)
        {
            m_endTimer = 0.0f;
            m_endFadeDone = 1;
        }
    }
    return KE_OK;
}

void CJubIntroState::Animate(f32 t)
{
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 W = m_pictures[0].Width();
    if (!m_endReached)
        for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
            m_pictures[i].Offset(-0.23f * W * t, 0.0f);
    // One picture per step, the first one missing, so that a step after a release does
    // not decode the whole strip at once.
    if (m_loadedCount < m_loadTarget)
    {
        i32 i = 0;
        while (i < JUB_HELP_PICTURE_COUNT && !FetchPicture(i))
            ++i;
    }

    if (m_pictures[0].left < 0.0f && m_torchState == JUB_TORCH_WAITING)
        m_torchState = JUB_TORCH_FADING_IN;
    if (m_pictures[kLastPicture - 1].right < w && m_torchState == JUB_TORCH_SHOWN)
        m_torchState = JUB_TORCH_FADING_OUT;
    if (m_torchState == JUB_TORCH_FADING_IN)
    {
        m_torchAlpha += 128.0f * t;
        if (m_torchAlpha >= 255.0f)
        {
            m_torchAlpha = 255.0f;
            m_torchState = JUB_TORCH_SHOWN;
        }
    }
    else if (m_torchState == JUB_TORCH_FADING_OUT)
    {
        m_torchAlpha -= 128.0f * t;
        if (m_torchAlpha < 0.0f)
        {
            m_torchAlpha = 0.0f;
            m_torchState = JUB_TORCH_GONE;
        }
    }

    const CKetrelRectF& last = m_pictures[kLastPicture];
    if (!m_endReached && (last.left + last.right) / 2.0f < w / 2.0f)
    {
        m_endReached = 1;
        for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
        {
            const f32 centre = w / 2.0f - (f32)(kLastPicture - i) * W;
            m_pictures[i].left = centre - W / 2.0f;
            m_pictures[i].right = centre + W / 2.0f;
        }
    }
    s_torchFrames += 10.0f * t;
    if (s_torchFrames > 1.0e6f)
        s_torchFrames = 0.0f;
    m_torchFrame = (i32)s_torchFrames;
    if (m_endReached && m_endFadeDone && !m_leaving)
    {
        m_leaving = 1;
        if (CStateGame* shell = JubShellGame(m_game))
            shell->StopMusic();
        m_nextState = JUB_SCREEN_MENU;
    }
}

void CJubIntroState::Render()
{
    if (!m_game)
        return;
    const u32 now = m_game->GetClock();
    if (now > m_previous)
    {
        Animate((f32)(now - m_previous) / 1000.0f);
        m_previous = now;
    }
    else if (now < m_previous)
    {
        m_previous = now;
    }
    if (m_renderer && m_renderer->GetGraphics())
        m_renderer->GetGraphics()->FillRect(0xFF000000u, nullptr);
    if (!m_leaving && m_renderer)
    {
        for (i32 i = 0; i < JUB_HELP_PICTURE_COUNT; ++i)
        {
            if (!m_images[i])
                continue;
            const CKetrelRectF& r = m_pictures[i];
            m_renderer->DrawSprite(CKetrelVector2((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f),
                                   CKetrelVector2(r.Width() / 2.0f, r.Height() / 2.0f), m_images[i],
                                   JubScreenKit::White());
        }
        if (m_torch)
        {
            f32 alpha = m_torchAlpha < 0.0f ? 0.0f : (m_torchAlpha > 255.0f ? 255.0f : m_torchAlpha);
            m_renderer->DrawOverlaySprite(
                CKetrelVector2(m_torchRect.Width() / 2.0f, m_torchRect.Height() / 2.0f),
                CKetrelVector2(m_torchRect.Width() / 2.0f, m_torchRect.Height() / 2.0f), m_torch,
                m_torchFrame % 4, (m_torchFrame % 16) / 4, 4, 4, JubScreenKit::White(alpha / 255.0f), 0);
        }
    }
    if (m_endReached)
        JubScreenKit::Dim(m_renderer, m_endTimer > 1.0f ? 1.0f : m_endTimer);
    if (m_buttons)
        m_buttons->Render();
}
