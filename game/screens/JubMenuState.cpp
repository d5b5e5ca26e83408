#include "game/screens/JubMenuState.h"

#include "engine/KetrelResult.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubParticleSystem.h"
#include "game/match/JubRenderer.h"
#include "game/screens/JubScreenKit.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/StateGame.h"

namespace
{
enum
{
    kImageIntro = 56, kImageCredits = 57, kImageShare = 16, kImageExit = 11, kImageHelp = 13,
    kImageTraining = 15, kImagePlay = 60
};
}

CJubMenuState::CJubMenuState()
    : m_creditsShown(0), m_elapsed(0.0f), m_leaveRequested(0), m_loadingRequested(0),
      m_laidOut(0), m_creditsScroll(0.0f), m_creditsDragging(0), m_creditsPrevious(0)
{
}

int CJubMenuState::Init(CJubGameHost* game)
{
    int rc = CJubState::Init(game);
    if (rc != KE_OK)
        return rc;
    m_stateId = JUB_SCREEN_MENU;
    m_creditsShown = m_leaveRequested = m_loadingRequested = m_laidOut = 0;
    m_creditsScroll = 0.0f;
    m_creditsDragging = 0;
    m_elapsed = 0.0f;
    if (CStateGame* shell = JubShellGame(game))
        shell->GetFont();
    // Fetched once into the shared cache: a second fetch would take a second reference.
    game->GetAssets()->GetImage(0);
    game->GetAssets()->GetImage(1);

    rc = CreateButtons(game);
    if (rc != KE_OK)
        return rc;
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    const f32 s = w / 15.0f;
    m_spinner = CKetrelRectF(w / 2.0f - s, h / 2.0f - s, w / 2.0f + s, h / 2.0f + s);
    return KE_OK;
}

void CJubMenuState::LayOut()
{
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    const f32 u = w / 8.0f;
    const CKetrelVector2 c(w / 2.0f, h / 2.0f);
    struct Row
    {
        i32 id, image;
        f32 dx, dy, half;
    };
    static const Row kRows[] = {
        {JUB_MENU_INTRO, kImageIntro, -1.05f, 0.85f, 0.65f},
        {JUB_MENU_CREDITS, kImageCredits, -2.1f, 0.2f, 0.43f},
        {JUB_MENU_SHARE, kImageShare, 2.65f, 0.35f, 0.45f},
        {JUB_MENU_EXIT, kImageExit, 1.05f, 0.85f, 0.65f},
        {JUB_MENU_HELP, kImageHelp, 1.8f, 0.0f, 0.7f},
        {JUB_MENU_TRAINING, kImageTraining, -1.25f, -0.2f, 0.75f},
        {JUB_MENU_PLAY, kImagePlay, 0.0f, 0.0f, 1.0f},
    };
    for (const Row& r : kRows)
        m_buttons->AddButton(CKetrelVector2(c.x + r.dx * u, c.y + r.dy * u),
                             CKetrelVector2(r.half * u, r.half * u), r.image, r.id, 0);
    CJubButton* close = m_buttons->AddButton(CKetrelVector2(c.x, h - w / 20.0f),
                                             CKetrelVector2(w / 20.0f, w / 20.0f), kImageExit,
                                             JUB_MENU_CREDITS_CLOSE, 0);
    if (close)
        close->visible = 0;
    m_laidOut = 1;
    if (CStateGame* shell = JubShellGame(m_game))
        shell->PlayMusic(0);
}

int CJubMenuState::Update(f32 dt)
{
    if (!m_game || !m_buttons)
        return KE_ERR_NOT_READY;
    CStateGame* shell = JubShellGame(m_game);
    const i32 muteTook = shell ? shell->GetMuteResult() : 0;
    const CJubTouchPoint& t = m_game->GetTouchState().Primary();
    if (m_creditsShown && !muteTook)
    {
        if (t.down && t.moved)
        {
            m_creditsScroll += t.stepDelta.y;
            m_creditsDragging = 1;
        }
        else
        {
            m_creditsDragging = 0;
        }
    }
    if (m_loadingRequested && m_game->IsLoadingDone())
    {
        if (!muteTook)
        {
            m_buttons->Update(dt);
            if (m_particles)
                m_particles->Update(dt);
        }
        if (!m_laidOut)
            LayOut();
    }
    if (m_leaveRequested && !m_buttons->IsBusy())
    {
        if (shell)
            shell->StopMusic();
        SetDone();
    }
    m_elapsed += dt;
    return KE_OK;
}

void CJubMenuState::Finish(i32 next)
{
    m_nextState = next;
    m_leaveRequested = 1;
}

void CJubMenuState::OnButtonClicked(CJubButton* button)
{
    if (!button || m_leaveRequested)
        return;
    switch (button->id)
    {
    case JUB_MENU_PLAY: Finish(JUB_SCREEN_PLAY); break;
    case JUB_MENU_EDITOR: Finish(JUB_SCREEN_EDITOR); break;
    case JUB_MENU_INTRO: Finish(JUB_SCREEN_INTRO); break;
    case JUB_MENU_TRAINING: Finish(JUB_SCREEN_TRAINING); break;
    case JUB_MENU_CREDITS: OpenCredits(); break;
    case JUB_MENU_CREDITS_CLOSE: CloseCredits(); break;
    case JUB_MENU_HELP: OpenPage("help"); break;
    case JUB_MENU_SHARE: OpenPage("facebook"); break;
    case JUB_MENU_EXIT:
        if (CStateGame* shell = JubShellGame(m_game))
            if (IBrixGameHost* app = shell->GetApplication())
                app->ShowLoginMenu(1);
        break;
    default: break;
    }
}

CKetrelString CJubMenuState::ForwardUrl(const CKetrelString& host, const char* link, i32 game,
                                        i32 release, const CKetrelString& reseller)
{
    CKetrelString query;
    CKetrelString linkText(link);
    query.Format(L"/api/forward.php?link=%s&game=%d&release=%d&rid=%s", linkText, game, release,
                 reseller);
    CKetrelString url(host);
    url.Append(query);
    return url;
}

void CJubMenuState::OpenPage(const char* link)
{
    CStateGame* shell = JubShellGame(m_game);
    if (!shell || !shell->GetShell())
        return;
    IJubShellHost* host = shell->GetShell();
    host->OpenUrl(ForwardUrl(host->GetWebHost(), link, shell->GetGameId(), host->GetReleaseId(),
                             shell->GetResellerId()));
}

void CJubMenuState::OpenCredits()
{
    m_creditsShown = 1;
    m_creditsScroll = 0.0f;
    CStateGame* shell = JubShellGame(m_game);
    m_creditsPrevious = shell ? shell->GetTickMs() : 0;
    for (i32 i = 0; i < m_buttons->GetButtonCount(); ++i)
    {
        CJubButton* b = m_buttons->GetButton(i);
        b->state = JUB_BUTTON_IDLE;
        b->visible = b->id == JUB_MENU_CREDITS_CLOSE ? 1 : 0;
        b->animScale = 1.0f;
    }
}

void CJubMenuState::CloseCredits()
{
    m_creditsShown = 0;
    for (i32 i = 0; i < m_buttons->GetButtonCount(); ++i)
    {
        CJubButton* b = m_buttons->GetButton(i);
        b->visible = b->id == JUB_MENU_CREDITS_CLOSE ? 0 : 1;
        if (b->id == JUB_MENU_CREDITS_CLOSE)
        {
            b->state = JUB_BUTTON_IDLE;
            b->animScale = 1.0f;
        }
    }
}

// ------------------------------------------------------------------ credits

i32 CJubMenuState::GetCreditCount()
{
    return CJubAssetNames::GetCount(JUB_TABLE_CREDITS);
}

const CKetrelString& CJubMenuState::GetCreditText(i32 row)
{
    return CJubAssetNames::Get(JUB_TABLE_CREDITS, row);
}

i32 CJubMenuState::IsCreditHeading(i32 row)
{
    return CJubAssetNames::CreditPage(row) == JUB_CREDITS_HEADING_PAGE ? 1 : 0;
}

f32 CJubMenuState::CreditAlpha(f32 y, f32 screenHeight, f32 screenWidth)
{
    const f32 H = screenHeight - screenWidth / 5.0f;
    if (H <= 0.0f)
        return 1.0f;
    const f32 a = 1.0f - 5.0f * (y - H) / H;
    return a > 1.0f ? 1.0f : (a < 0.0f ? 0.0f : a);
}

i32 CJubMenuState::AdvanceCredits(i32 dtMs)
{
    const f32 h = m_renderer ? m_renderer->GetScreenHeight() : 0.0f;
    const f32 lh = JubScreenKit::LineHeight(m_renderer);
    if (!m_creditsDragging)
        m_creditsScroll += (f32)dtMs / 1000.0f * h * -0.1f;
    if (m_creditsScroll > 0.0f)
        m_creditsScroll = 0.0f;
    const f32 limit = -((f32)GetCreditCount() * lh + h);
    if (m_creditsScroll < limit)
    {
        m_creditsScroll = limit;
        CloseCredits();
        return 0;
    }
    return 1;
}

void CJubMenuState::RenderCredits()
{
    JubScreenKit::Dim(m_renderer, 0.2f);
    CStateGame* shell = JubShellGame(m_game);
    const u64 now = shell ? shell->GetTickMs() : m_creditsPrevious;
    const i32 dtMs = now >= m_creditsPrevious ? (i32)(now - m_creditsPrevious) : 0;
    m_creditsPrevious = now;
    if (!AdvanceCredits(dtMs) || !m_renderer)
        return;
    const f32 w = m_renderer->GetScreenWidth();
    const f32 h = m_renderer->GetScreenHeight();
    const f32 lh = JubScreenKit::LineHeight(m_renderer);
    for (i32 i = 0; i < GetCreditCount(); ++i)
    {
        const f32 y = h - w / 15.0f + m_creditsScroll - lh + (f32)i * lh;
        if (!(y > -1.5f * lh && y < h))
            continue;
        const f32 a = CreditAlpha(y, h, w);
        if (a <= 0.0f)
            continue;
        const u32 colour = ((u32)(a * 255.0f) << 24) | 0xFFFFFFu;
        const u32 flags = IsCreditHeading(i) ? 0x4201u : 0x201u;
        m_renderer->DrawText(GetCreditText(i), CKetrelRectF(0.0f, y, w, y + lh), colour, flags, 0);
    }
}

void CJubMenuState::Render()
{
    JubScreenKit::DrawTitle(m_renderer, m_game);
    m_loadingRequested = 1;
    if (!m_game)
        return;
    if (!m_game->IsLoadingDone())
    {
        JubScreenKit::Dim(m_renderer, 0.2f);
        JubScreenKit::DrawSpinner(m_renderer, m_game,
                                  CKetrelVector2((m_spinner.left + m_spinner.right) / 2.0f,
                                                 (m_spinner.top + m_spinner.bottom) / 2.0f),
                                  m_spinner.Width() / 2.0f, 3.0f * m_elapsed);
    }
    if (m_creditsShown)
        RenderCredits();
    if (m_game->IsLoadingDone())
    {
        if (m_particles)
            m_particles->Render();
        if (m_buttons)
            m_buttons->Render();
    }
}
