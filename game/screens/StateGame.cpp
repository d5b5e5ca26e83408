#include "game/screens/StateGame.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixResourceManager.h"
#include "framework/BrixStatsStore.h"
#include "KetrelSound/KetrelSoundSource.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubPlayState.h"
#include "game/match/JubResourceSource.h"
#include "game/screens/JubChatBubbleList.h"
#include "game/screens/JubConnectingState.h"
#include "game/screens/JubEditState.h"
#include "game/screens/JubIntroState.h"
#include "game/screens/JubMenuState.h"
#include "game/screens/JubShellHost.h"
#include "game/screens/JubTrainingState.h"

#include <new>

namespace
{
const char* const kDataPacks[JUB_DATA_PACK_COUNT] = {
    "dataEffects.vad", "dataPlayers.vad", "dataScenes.vad", "dataTextures.vad", "dataUI.vad",
    "dataAudio.vad", "dataAmbientAudio.vad", "dataAmbientAudio2.vad", "dataIntro.vad"};
const char* const kFontName = "foo.fnt";
const char* const kMusic[JUB_MUSIC_COUNT] = {"GloobTheme.mp3", "GloobIntro.mp3"};
const f32 kStepSeconds = JUB_STEP_LENGTH_MS / 1000.0f;
}

// The renderer's fonts from the application's resource manager.
class CJubShellFontSource : public CJubFontSource
{
public:
    explicit CJubShellFontSource(CBrixResourceManager* resources) : m_resources(resources) {}
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override
    {
        return m_resources ? m_resources->GetFont(name) : nullptr;
    }
    void ReleaseFont(CKetrelBitmapFont** font) override
    {
        if (m_resources && font && *font)
            m_resources->ReleaseFont(font);
        if (font)
            *font = nullptr;
    }

private:
    CBrixResourceManager* m_resources;   // not owned
};

CStateGame::CStateGame()
    : m_app(nullptr), m_shell(nullptr), m_assetSource(nullptr), m_resourceSource(nullptr),
      m_fontSource(nullptr), m_font(nullptr), m_introShown(1), m_chatHelpPlayed(0),
      m_frozenClock(0), m_clockAdvanced(0), m_lobbyLink(0), m_gameLinkLost(0),
      m_matchStopped(1), m_stopRequested(0), m_lastStopResult(0), m_leaverResult(0),
      m_returnToLobby(0), m_muteResult(0), m_passCount(0), m_editorFileName("newscene.scn"),
      m_mutePulseStart(2.0f), m_mutePulse(0.0f), m_stripLength(0.0f), m_clockBase(0),
      m_loadingDone(0),
      m_loadingPosition(0), m_loadingPercent(1), m_textureMemory(0), m_lastTime(0), m_now(0),
      m_accumulator(0), m_stepsThisFrame(0), m_anyStepDue(0), m_steppedThisFrame(0),
      m_stepsPerSecond(0), m_framesPerSecond(0), m_stepCount(0), m_frameCount(0),
      m_countStart(0), m_sentBytes(0), m_renderer(nullptr), m_world(nullptr),
      m_bubbles(nullptr)
{
    for (i32 i = 0; i < JUB_SCREEN_COUNT; ++i)
        m_screens[i] = m_pass[i] = nullptr;
    m_matchIds[0] = m_matchIds[1] = -1;
}

CStateGame::~CStateGame()
{
    Release();
}

void CStateGame::SetShellHost(IJubShellHost* shell)
{
    if (!m_shell)
        m_shell = shell;
}

void CStateGame::SetAssetSource(CJubAssetSource* source)
{
    m_assetSource = source;
}

u64 CStateGame::GetTickMs()
{
    return m_timer.GetNowMs();
}

CBrixStatsStore* CStateGame::Settings() const
{
    return m_shell ? m_shell->GetSettings() : nullptr;
}

// ------------------------------------------------------------------ lifecycle

int CStateGame::Init(IKetrelApplication* app)
{
    m_app = app;
    if (!m_shell && app)
        m_shell = dynamic_cast<IJubShellHost*>(app);
    int rc = InitLanguage();
    if (rc != KE_OK)
        return rc;

    CBrixResourceManager* resources = m_shell ? m_shell->GetResources() : nullptr;
    if (resources)
        for (i32 i = 0; i < JUB_DATA_PACK_COUNT; ++i)
            resources->AddMediaPack(CKetrelString(kDataPacks[i]), 0, 0);
    if (!m_assetSource && resources && !m_resourceSource)
        m_resourceSource = new CJubResourceSource(resources);
    m_assets.SetSource(m_assetSource ? m_assetSource : m_resourceSource);
    if (!m_fontSource)
        m_fontSource = new CJubShellFontSource(resources);

    m_timer.Init();
    m_lastTime = m_now = m_countStart = GetTickMs();
    m_accumulator = 0;
    m_stepsThisFrame = m_anyStepDue = m_steppedThisFrame = 0;
    m_stepsPerSecond = m_framesPerSecond = m_stepCount = m_frameCount = 0;
    ResetClock();

    if (!m_renderer)
    {
        m_renderer = new CJubRenderer();
        if (app)
            m_renderer->Init(app);
        m_renderer->SetAssets(&m_assets);
        m_renderer->SetFontSource(m_fontSource);
    }
    if (!m_world)
    {
        m_world = new CJubPhysicsWorld();
        m_world->SetStep(1.0f / 30.0f, 4);
    }
    if (!m_bubbles)
    {
        m_bubbles = new CJubChatBubbleList();
        m_bubbles->SetGame(this);
    }
    LayoutCorner();
    ZeroTouchTable();
    m_chatHelpPlayed = HasSetting(CKetrelString("wobblix_chathelpplayed"));
    return KE_OK;
}

int CStateGame::InitLanguage()
{
    if (m_language)
        return KE_OK;
    CBrixLanguage* language = new (std::nothrow) CBrixLanguage();
    if (!language)
        return KE_ERR_MEMORY;
    int rc = language->Init(m_app, Settings(), CKetrelString("wobblixlanguage"));
    if (rc != KE_OK)
    {
        delete language;
        return rc;
    }
    m_language = language;
    return KE_OK;
}

void CStateGame::Release()
{
    if (m_shell && (m_renderer || m_language))
        m_shell->StopMusic();
    ReleaseResources(1);
    DeleteAllScreens();
    delete m_bubbles;
    m_bubbles = nullptr;
    delete m_world;
    m_world = nullptr;
    delete m_renderer;      // gives its fonts back through the font source
    m_renderer = nullptr;
    delete m_fontSource;
    m_fontSource = nullptr;
    m_assets.SetSource(nullptr);
    delete m_resourceSource;
    m_resourceSource = nullptr;
    delete m_language;
    m_language = nullptr;
}

void CStateGame::Activate()
{
    if (m_shell)
        m_shell->SetApplicationName(GetApplicationName());
    DeleteAllScreens();
    m_gameLinkLost = 0;
    m_lobbyLink = 0;
    m_stopRequested = 0;
    if (!m_introShown)
    {
        SwitchToScreen(JUB_SCREEN_INTRO);
        m_introShown = 1;
    }
    else
    {
        SwitchToScreen(JUB_SCREEN_MENU);
    }
    ZeroTouchTable();
}

void CStateGame::Deactivate()
{
    StopMusic();
    if (m_screens[JUB_SCREEN_INTRO])
        StopMusic();
}

i32 CStateGame::OnFocusChanged(i32)
{
    return 1;
}

i32 CStateGame::OnScreenSizeChanged(i32 width, i32 height)
{
    if (m_renderer && width > 0 && height > 0)
        m_renderer->GetCamera().SetScreenSize((f32)width, (f32)height);
    LayoutCorner();
    return 1;
}

// ------------------------------------------------------------------ frame tick

i32 CStateGame::Update(f32)
{
    m_anyStepDue = 0;
    m_steppedThisFrame = 0;
    u64 now = GetTickMs();
    if (now < m_lastTime)
    {
        m_lastTime = now;
        m_accumulator = 0;
    }
    m_now = now;
    // The difference is bounded before it is added: a long pause only drops steps.
    u64 elapsed = now - m_lastTime;
    if (elapsed > 1000000u)
        elapsed = 1000000u;
    m_accumulator += (u32)elapsed;
    m_lastTime = now;
    i32 steps = (i32)(m_accumulator / JUB_STEP_LENGTH_MS);
    m_accumulator %= JUB_STEP_LENGTH_MS;
    if (steps > 0)
        m_anyStepDue = 1;
    if (steps > JUB_MAX_STEPS_PER_FRAME)
        steps = 1;
    m_stepsThisFrame = steps;
    for (i32 s = 0; s < steps; ++s)
        RunStep();
    if (steps > 0)
        m_steppedThisFrame = 1;

    // Rate counters.
    if (now < m_countStart)
        m_countStart = now;
    if (now - m_countStart >= 1000)
    {
        m_stepsPerSecond = m_stepCount;
        m_framesPerSecond = m_frameCount;
        m_stepCount = 0;
        m_frameCount = 0;
        m_countStart = now;
    }

    // The menu paces the loading: one resource per frame while it asks for it.
    CJubMenuState* menu = dynamic_cast<CJubMenuState*>(m_screens[JUB_SCREEN_MENU]);
    if (!m_loadingDone && menu && menu->IsLoadingRequested() && !menu->IsLaidOut())
        LoadNextResource(1);

    if (m_returnToLobby)
    {
        DeleteAllScreens();
        m_returnToLobby = 0;
        if (m_application)
            m_application->ShowLoginMenu(1);
    }

    CJubState* play = m_screens[JUB_SCREEN_PLAY];
    if (play && !play->IsDone())
    {
        for (i32 id = 0; id < JUB_SCREEN_COUNT; ++id)
        {
            if (id == JUB_SCREEN_PLAY || !m_screens[id])
                continue;
            CJubState* other = m_screens[id];
            RemoveScreen(other);
            if (m_screens[id] == other)   // not in the active list
            {
                m_screens[id] = nullptr;
                DestroyScreen(other);
            }
        }
    }
    return 1;
}

void CStateGame::RunStep()
{
    UpdateTouchTable();
    if (m_bubbles)
        m_bubbles->Update(kStepSeconds);
    m_muteResult = UpdateMuteButton();
    ProcessScreenTransitions();
    m_clockAdvanced = 0;
    for (i32 i = 0; i < m_active.GetCount(); ++i)
    {
        CJubState* screen = (CJubState*)m_active.GetAt(i);
        if (screen)
            screen->Update(kStepSeconds);
    }
    // While a match runs its clock moves by whole steps, so a replayed event lands in the
    // step it was recorded in; the play screen moves it itself in the steps it replays.
    CJubPlayState* play = GetPlayScreen();
    if (play && !m_clockAdvanced && !play->IsLiveSimulation())
        m_frozenClock += JUB_STEP_LENGTH_MS;
    ++m_stepCount;
}

void CStateGame::UpdateTouchTable()
{
    m_touch.anyPressed = 0;
    for (i32 i = 0; i < JUB_TOUCH_POINTS; ++i)
    {
        CJubTouchPoint& t = m_touch.points[i];
        if (t.down && !t.wasDown)
        {
            t.pressed = 1;
            t.stepStart = t.position;
            t.pressPosition = t.position;
            t.stepDelta.Set(0.0f, 0.0f);
            t.drag.Set(0.0f, 0.0f);
            m_touch.anyPressed = 1;
        }
        else
        {
            t.pressed = 0;
        }
        t.released = (!t.down && t.wasDown) ? 1 : 0;
        t.wasDown = t.down;
        t.stepDelta.Set(t.position.x - t.stepStart.x, t.position.y - t.stepStart.y);
        t.drag.Set(t.position.x - t.pressPosition.x, t.position.y - t.pressPosition.y);
        t.moved = (t.stepDelta.x * t.stepDelta.x + t.stepDelta.y * t.stepDelta.y) > 0.1f;
        t.stepStart = t.position;
    }
    const CJubTouchPoint& a = m_touch.points[0];
    const CJubTouchPoint& b = m_touch.points[1];
    if (a.down && b.down)
    {
        CKetrelVector2 v(b.position.x - a.position.x, b.position.y - a.position.y);
        const f32 length = v.Length();
        if (!m_touch.pinch)
        {
            m_touch.pinch = 1;
            m_touch.pinchStart = v;
            m_touch.pinchPrevious = length;
        }
        m_touch.pinchVector = v;
        m_touch.pinchChange = length - m_touch.pinchPrevious;
        m_touch.pinchPrevious = length;
        m_touch.pinchDistance = length;
    }
    else
    {
        m_touch.pinch = 0;
        m_touch.pinchChange = 0.0f;
    }
}

i32 CStateGame::UpdateMuteButton()
{
    const CJubTouchPoint& t = m_touch.points[0];
    const i32 inside = m_muteSquare.Contains(t.position);
    if (t.down)
    {
        if (inside && t.pressed)
        {
            m_mutePulse = m_mutePulseStart;
            return 1;
        }
        return 0;
    }
    if (inside && t.released)
    {
        if (m_shell)
        {
            const i32 allMuted = m_shell->IsSoundMuted() && m_shell->IsMusicMuted();
            m_shell->SetAllMuted(allMuted ? 0 : 1);
            if (m_shell->IsSoundMuted())
                m_mutePulse = -1.0f;
        }
        return 1;
    }
    return 0;
}

void CStateGame::ProcessScreenTransitions()
{
    // Every screen active when the pass starts is looked at once; screens opened during
    // the pass have just been reset and are not finished. A screen deleted during the
    // pass is cleared from the list (DestroyScreen), so a new screen that gets its
    // address is never taken for it.
    m_passCount = 0;
    for (i32 i = 0; i < m_active.GetCount() && m_passCount < JUB_SCREEN_COUNT; ++i)
        m_pass[m_passCount++] = (CJubState*)m_active.GetAt(i);
    for (i32 k = 0; k < m_passCount; ++k)
    {
        CJubState* screen = m_pass[k];
        if (!screen || !screen->IsDone())
            continue;
        const i32 id = screen->GetStateId();
        const i32 next = screen->GetNextState();
        // -1: no screen asked for; else whether the screen asked for was opened.
        i32 opened = -1;
        switch (id)
        {
        case JUB_SCREEN_MENU:
            if (next == JUB_SCREEN_EDITOR || next == JUB_SCREEN_TRAINING)
            {
                opened = SwitchToScreen(next);
            }
            else if (next == JUB_SCREEN_PLAY)
            {
                StopMusic();
                opened = SwitchToScreen(JUB_SCREEN_CONNECTING);
                // No request without the screen that can give it up.
                if (opened)
                    FindMatch();
            }
            else if (next == JUB_SCREEN_INTRO)
            {
                StopMusic();
                ReleaseResources(0);
                opened = SwitchToScreen(JUB_SCREEN_INTRO);
            }
            break;
        case JUB_SCREEN_PLAY:
            if (next == JUB_SCREEN_TRAINING)
            {
                CJubPlayState* play = dynamic_cast<CJubPlayState*>(screen);
                if (play && play->GetParam() > 0)
                    MarkSceneCleared(play->GetSceneIndex());
                opened = SwitchToScreen(JUB_SCREEN_TRAINING);
            }
            else if (next == JUB_SCREEN_MENU)
            {
                opened = SwitchToScreen(JUB_SCREEN_MENU);
            }
            break;
        case JUB_SCREEN_EDITOR:
        case JUB_SCREEN_CONNECTING:
            if (next == JUB_SCREEN_MENU)
                opened = SwitchToScreen(JUB_SCREEN_MENU);
            break;
        case JUB_SCREEN_INTRO:
            if (next == JUB_SCREEN_MENU)
            {
                if (CJubIntroState* intro = dynamic_cast<CJubIntroState*>(screen))
                    intro->ReleaseResources();
                opened = SwitchToScreen(JUB_SCREEN_MENU);
            }
            break;
        case JUB_SCREEN_TRAINING:
            if (next == JUB_SCREEN_MENU)
            {
                opened = SwitchToScreen(JUB_SCREEN_MENU);
            }
            else if (next == JUB_SCREEN_PLAY)
            {
                const i32 scene = screen->GetParam();
                opened = SwitchToScreen(JUB_SCREEN_PLAY);
                CJubPlayState* play = GetPlayScreen();
                if (play)
                {
                    play->Reset();
                    play->SetSinglePlayer(1);
                    play->StartMatch(0, 0, 1);
                    play->PostStartRound(0, scene, 0, 0);
                    play->PostBeginTurn(0);
                    play->SetPhase(JUB_PHASE_LOCAL_TURN);
                }
                StopMusic();
            }
            break;
        default:
            break;
        }
        // Nothing more when the transition itself deleted the screen (every screen goes
        // when a match starts).
        if (m_pass[k] != screen)
            continue;
        RemoveScreen(screen);
        // The screen asked for could not be made: the menu, made afresh, rather than no
        // screen at all (the title picture with nothing to press).
        if (opened == 0)
            SwitchToScreen(JUB_SCREEN_MENU);
    }
    m_passCount = 0;
}

void CStateGame::DestroyScreen(CJubState* screen)
{
    if (!screen)
        return;
    for (i32 k = 0; k < m_passCount; ++k)
        if (m_pass[k] == screen)
            m_pass[k] = nullptr;
    screen->Deinit();
    delete screen;
}

// ------------------------------------------------------------------ screens

CJubState** CStateGame::ScreenSlot(i32 id)
{
    return (id >= 0 && id < JUB_SCREEN_COUNT) ? &m_screens[id] : nullptr;
}

CJubState* CStateGame::GetScreen(i32 id) const
{
    return (id >= 0 && id < JUB_SCREEN_COUNT) ? m_screens[id] : nullptr;
}

CJubPlayState* CStateGame::GetPlayScreen() const
{
    return dynamic_cast<CJubPlayState*>(m_screens[JUB_SCREEN_PLAY]);
}

CJubState* CStateGame::CreateScreen(i32 id)
{
    switch (id)
    {
    case JUB_SCREEN_MENU: return new (std::nothrow) CJubMenuState();
    case JUB_SCREEN_EDITOR: return new (std::nothrow) CJubEditState();
    case JUB_SCREEN_PLAY: return new (std::nothrow) CJubPlayState();
    case JUB_SCREEN_CONNECTING: return new (std::nothrow) CJubConnectingState();
    case JUB_SCREEN_INTRO: return new (std::nothrow) CJubIntroState();
    case JUB_SCREEN_TRAINING: return new (std::nothrow) CJubTrainingState();
    default: return nullptr;
    }
}

i32 CStateGame::SwitchToScreen(i32 id)
{
    CJubState** slot = ScreenSlot(id);
    if (!slot)
        return 0;
    if (*slot)
    {
        (*slot)->Reset();
        for (i32 i = 0; i < m_active.GetCount(); ++i)
            if (m_active.GetAt(i) == *slot)
                return 1;
        m_active.Add(*slot);
        return 1;
    }
    // The editor and the play screen both fill the one physics world: a running match keeps
    // it (the editor is not opened), and a match that starts takes it from the editor.
    if (id == JUB_SCREEN_EDITOR && m_screens[JUB_SCREEN_PLAY])
        return 0;
    if (id == JUB_SCREEN_PLAY && m_screens[JUB_SCREEN_EDITOR])
    {
        CJubState* editor = m_screens[JUB_SCREEN_EDITOR];
        RemoveScreen(editor);
        if (m_screens[JUB_SCREEN_EDITOR] == editor)
        {
            m_screens[JUB_SCREEN_EDITOR] = nullptr;
            DestroyScreen(editor);
        }
    }
    CJubState* screen = CreateScreen(id);
    if (!screen)
        return 0;
    // The play screen asks again while the caches still load (one resource per call).
    int rc = screen->Init(this);
    for (i32 tries = 0; rc == KE_ERR_NOT_READY && tries <= JUB_LOAD_TOTAL + 1; ++tries)
        rc = screen->Init(this);
    if (rc != KE_OK)
    {
        screen->Deinit();
        delete screen;
        return 0;
    }
    screen->Reset();
    *slot = screen;
    m_active.Add(screen);
    return 1;
}

void CStateGame::RemoveScreen(CJubState* screen)
{
    if (!screen)
        return;
    i32 index = -1;
    for (i32 i = 0; i < m_active.GetCount(); ++i)
        if (m_active.GetAt(i) == screen)
            index = i;
    if (index < 0)
        return;
    for (i32 id = 0; id < JUB_SCREEN_COUNT; ++id)
        if (m_screens[id] == screen)
            m_screens[id] = nullptr;
    m_active.RemoveAt(index);
    DestroyScreen(screen);
}

void CStateGame::RemoveScreenById(i32 id)
{
    RemoveScreen(GetScreen(id));
}

void CStateGame::DeleteAllScreens()
{
    m_active.RemoveAll();
    static const i32 kOrder[JUB_SCREEN_COUNT] = {JUB_SCREEN_MENU, JUB_SCREEN_EDITOR,
                                                 JUB_SCREEN_PLAY, JUB_SCREEN_INTRO,
                                                 JUB_SCREEN_CONNECTING, JUB_SCREEN_TRAINING};
    for (i32 k = 0; k < JUB_SCREEN_COUNT; ++k)
    {
        CJubState* screen = m_screens[kOrder[k]];
        m_screens[kOrder[k]] = nullptr;
        DestroyScreen(screen);
    }
}

// ------------------------------------------------------------------ drawing

void CStateGame::Render()
{
    if (m_shell)
        m_shell->ResetIdleTimer();
    if (m_active.GetCount() == 0 && m_renderer)
    {
        CKetrelSurface* title = m_assets.PeekImage(0);
        const f32 w = m_renderer->GetScreenWidth();
        const f32 h = m_renderer->GetScreenHeight();
        if (title)
        {
            CKetrelColor white;
            white.Set(1.0f, 1.0f, 1.0f, 1.0f);
            m_renderer->DrawSprite(CKetrelVector2(w / 2.0f, h / 2.0f),
                                   CKetrelVector2(h, h / 2.0f), title, white);
        }
        else if (m_renderer->GetGraphics())
        {
            m_renderer->GetGraphics()->FillRect(0xFF000000u, nullptr);
        }
    }
    for (i32 i = 0; i < m_active.GetCount(); ++i)
    {
        CJubState* screen = (CJubState*)m_active.GetAt(i);
        if (screen)
            screen->Render();
    }
    ++m_frameCount;
    m_steppedThisFrame = 0;
    CJubMenuState* menu = dynamic_cast<CJubMenuState*>(m_screens[JUB_SCREEN_MENU]);
    if (menu && menu->IsLaidOut())
        RenderMuteButton();
    if (m_screens[JUB_SCREEN_PLAY] || m_screens[JUB_SCREEN_INTRO])
        RenderMuteButton();
}

void CStateGame::RenderMuteButton()
{
    if (!m_renderer)
        return;
    const i32 muted = m_shell && m_shell->IsSoundMuted() && m_shell->IsMusicMuted();
    CKetrelSurface* image = m_assets.GetImage(muted ? 8 : 7);
    if (!image)
        return;
    CKetrelColor white;
    white.Set(1.0f, 1.0f, 1.0f, 1.0f);
    m_renderer->DrawSprite(CKetrelVector2((m_muteSquare.left + m_muteSquare.right) / 2.0f,
                                          (m_muteSquare.top + m_muteSquare.bottom) / 2.0f),
                           CKetrelVector2(m_muteSquare.Width() / 2.0f,
                                          m_muteSquare.Height() / 2.0f),
                           image, white);
}

void CStateGame::LayoutCorner()
{
    const f32 w = m_renderer ? m_renderer->GetScreenWidth() : 0.0f;
    const f32 c = w / 25.0f;
    m_muteSquare = CKetrelRectF(w - 2.0f * c, 0.0f, w, 2.0f * c);
    m_muteStrip = CKetrelRectF(w - 7.5f * c, 0.0f, w - 2.5f * c, 2.0f * c);
    m_stripLength = 5.0f * c;
}

void CStateGame::ZeroTouchTable()
{
    m_touch = CJubTouchState();
}

// ------------------------------------------------------------------ graphics

int CStateGame::ReloadGraphics()
{
    if (!m_app && !m_shell)
        return 1;
    if (m_renderer)
        m_renderer->CreateShaders();
    LayoutCorner();
    if (!m_screens[JUB_SCREEN_INTRO])
        for (i32 i = 0; i <= JUB_LOAD_TOTAL && !m_loadingDone; ++i)
            LoadNextResource(1);
    static const i32 kOrder[JUB_SCREEN_COUNT] = {JUB_SCREEN_PLAY, JUB_SCREEN_EDITOR,
                                                 JUB_SCREEN_MENU, JUB_SCREEN_INTRO,
                                                 JUB_SCREEN_TRAINING, JUB_SCREEN_CONNECTING};
    for (i32 k = 0; k < JUB_SCREEN_COUNT; ++k)
        if (m_screens[kOrder[k]])
            m_screens[kOrder[k]]->ReloadResources();
    return 1;
}

int CStateGame::ReleaseGraphics()
{
    ReleaseResources(0);
    if (CJubPlayState* play = GetPlayScreen())
        play->ReleasePlayerTextures();
    if (m_screens[JUB_SCREEN_INTRO])
        if (CJubIntroState* intro = dynamic_cast<CJubIntroState*>(m_screens[JUB_SCREEN_INTRO]))
            intro->ReleaseResources();
    if (m_renderer)
        m_renderer->ReleaseShaders();
    return 1;
}

// ------------------------------------------------------------------ input

i32 CStateGame::OnPointerDown(i32 pointer, i32 x, i32 y)
{
    if (pointer >= 0 && pointer < JUB_TOUCH_POINTS)
    {
        m_touch.points[pointer].down = 1;
        m_touch.points[pointer].position.Set((f32)x, (f32)y);
    }
    return 1;
}

i32 CStateGame::OnPointerMove(i32 pointer, i32 x, i32 y)
{
    return OnPointerDown(pointer, x, y);
}

i32 CStateGame::OnPointerUp(i32 pointer, i32, i32)
{
    if (pointer >= 0 && pointer < JUB_TOUCH_POINTS)
        m_touch.points[pointer].down = 0;
    return 1;
}

i32 CStateGame::OnKeyDown(u32)
{
    return 0;
}

i32 CStateGame::OnChar(u32 character)
{
    for (i32 i = 0; i < m_active.GetCount(); ++i)
    {
        CJubState* screen = (CJubState*)m_active.GetAt(i);
        if (screen)
            screen->OnKey((i32)character);
    }
    return 1;
}

int CStateGame::OnLanguageChanged(const CKetrelString& code)
{
    if (!m_language)
        return 1;
    // A fresh language object re-reads the packs, then takes the chosen language.
    CBrixLanguage* language = new (std::nothrow) CBrixLanguage();
    if (!language)
        return 1;
    int rc = language->Init(m_app, Settings(), CKetrelString("wobblixlanguage"));
    if (rc != KE_OK)
    {
        delete language;     // the old texts stay
        return 1;
    }
    delete m_language;
    m_language = language;
    m_language->SelectLanguage(code);
    if (CJubPlayState* play = GetPlayScreen())
        play->UpdateTexts();
    return 1;
}

// ------------------------------------------------------------------ resources

void CStateGame::LoadNextResource(i32 withSounds)
{
    if (m_loadingDone)
        return;
    if (m_shell)
        m_shell->ResetIdleTimer();
    const i32 total = withSounds ? (i32)JUB_LOAD_TOTAL : (i32)JUB_IMAGE_COUNT;
    if (m_loadingPosition < JUB_IMAGE_COUNT)
    {
        // The two battle backgrounds are loaded by the play screen per match.
        if (m_loadingPosition != 2 && m_loadingPosition != 3)
            m_assets.GetImage(m_loadingPosition);
    }
    else if (m_loadingPosition < JUB_LOAD_TOTAL)
    {
        m_assets.GetSound(m_loadingPosition - JUB_IMAGE_COUNT);
    }
    ++m_loadingPosition;
    i32 percent = (i32)((f32)m_loadingPosition / (f32)total * 100.0f);
    m_loadingPercent = percent < 1 ? 1 : (percent > 100 ? 100 : percent);
    if (m_loadingPosition >= total)
    {
        m_loadingDone = 1;
        m_loadingPosition = 0;
        GetFont();
        m_textureMemory = 0;
        for (i32 i = 0; i < JUB_IMAGE_COUNT; ++i)
            if (CKetrelSurface* image = m_assets.PeekImage(i))
                m_textureMemory += image->GetWidth() * image->GetHeight() * 4;
    }
}

void CStateGame::ReleaseResources(i32 withSounds)
{
    for (i32 i = 0; i < JUB_IMAGE_COUNT; ++i)
        m_assets.ReleaseImage(i);
    if (withSounds)
        for (i32 i = 0; i < JUB_SOUND_COUNT; ++i)
            m_assets.ReleaseSound(i);
    if (m_font && m_fontSource)
        m_fontSource->ReleaseFont(&m_font);
    m_font = nullptr;
    m_loadingPosition = 0;
    m_loadingDone = 0;
    m_textureMemory = 0;
    m_loadingPercent = 1;
}

CKetrelBitmapFont* CStateGame::GetFont()
{
    if (!m_font && m_fontSource)
        m_font = m_fontSource->GetFont(CKetrelString(kFontName));
    return m_font;
}

void CStateGame::PlaySound(u32 id, u32 playArg, i32 frequency)
{
    CJubPlayState* play = GetPlayScreen();
    if (play && play->IsLiveSimulation())
        return;
    if (m_shell && m_shell->IsSoundMuted())
        return;
    IKetrelSoundSource* sound = m_assets.GetSound((i32)id);
    if (!sound || sound->IsPlaying())
        return;
    if (frequency > 0)
        sound->SetFrequency((u32)frequency);
    sound->PlayFromStart(playArg);
}

i32 CStateGame::GetSoundFrequency(u32 id)
{
    IKetrelSoundSource* sound = m_assets.PeekSound((i32)id);
    return sound ? (i32)sound->GetFrequency() : 0;
}

CKetrelString CStateGame::MusicPath(i32 index) const
{
    CKetrelString path;
    if (index < 0 || index >= JUB_MUSIC_COUNT)
        return path;
    if (m_app)
        m_app->GetAppFilePath(path, CKetrelString(kMusic[index]));
    else
        path = kMusic[index];
    return path;
}

void CStateGame::PlayMusic(i32 index)
{
    if (m_shell && index >= 0 && index < JUB_MUSIC_COUNT)
        m_shell->PlayMusic(MusicPath(index), 1);
}

void CStateGame::StopMusic()
{
    if (m_shell)
        m_shell->StopMusic();
}

// ------------------------------------------------------------------ clocks

u32 CStateGame::GetClock()
{
    if (GetPlayScreen())
        return m_frozenClock;
    const u64 now = GetTickMs();
    if (now < m_clockBase)
    {
        ResetClock();
        return 0;
    }
    return (u32)(now - m_clockBase);
}

void CStateGame::ResetClock()
{
    m_clockBase = GetTickMs();
    m_frozenClock = 0;
}

void CStateGame::AdvanceClock(u32 ms)
{
    m_frozenClock += ms;
    m_clockAdvanced = 1;
}

void CStateGame::ResyncFixedStep()
{
    m_lastTime = m_now = GetTickMs();
    m_accumulator = JUB_STEP_LENGTH_MS + 1;
}

// ------------------------------------------------------------------ settings

i32 CStateGame::HasSetting(const CKetrelString& key)
{
    CBrixStatsStore* store = Settings();
    return store && store->FindEntry(key) ? 1 : 0;
}

void CStateGame::SetSettingBool(const CKetrelString& key, i32 value, i32 saveWhenAdded)
{
    CBrixStatsStore* store = Settings();
    if (!store)
        return;
    CBrixStatsEntry* entry = store->FindEntry(key);
    if (entry)
    {
        entry->SetBool(value ? 1 : 0);
        return;
    }
    entry = store->AddEntry(key);
    if (!entry)
        return;
    entry->SetBool(value ? 1 : 0);
    if (saveWhenAdded)
        store->Save();
}

void CStateGame::MarkSceneCleared(i32 scene)
{
    CKetrelString key;
    key.Format(L"scene_%d_cleared", scene);
    SetSettingBool(key, 1, 1);
}

i32 CStateGame::IsSceneCleared(i32 scene)
{
    CKetrelString key;
    key.Format(L"scene_%d_cleared", scene);
    return HasSetting(key);
}

i32 CStateGame::GetSetting(const CKetrelString& key, i32 fallback)
{
    CBrixStatsStore* store = Settings();
    CBrixStatsEntry* entry = store ? store->FindEntry(key) : nullptr;
    if (!entry)
        return fallback;
    return entry->type == BRIX_STAT_BOOL ? (i32)entry->boolValue : entry->intValue;
}

void CStateGame::SetSetting(const CKetrelString& key, i32 value)
{
    CBrixStatsStore* store = Settings();
    if (!store)
        return;
    CBrixStatsEntry* entry = store->FindEntry(key);
    if (!entry)
        entry = store->AddEntry(key);
    if (entry)
        entry->SetInt(value);
}

CKetrelString CStateGame::GetText(i32 index)
{
    if (!m_language)
        return CKetrelString("X-X");
    return m_language->GetText(index);
}

CKetrelString CStateGame::GetUserDataPath(const CKetrelString& name) const
{
    CKetrelString path;
    if (m_app)
        m_app->GetUserDataPath(path, name);
    else
        path = name;
    return path;
}

// ------------------------------------------------------------------ application services

f32 CStateGame::RandomFloat(f32 min, f32 max)
{
    return m_shell ? m_shell->RandomFloat(min, max) : min;
}

i32 CStateGame::RandomInt(i32 min, i32 max)
{
    return m_shell ? m_shell->RandomInt(min, max) : min;
}

void CStateGame::Vibrate()
{
    if (m_shell)
        m_shell->Vibrate();
}

void CStateGame::ReportGameResult(const i32* playerIds, const i32* codes, i32 count,
                                  i32 leaveNow)
{
    CKetrelArray<i32> ids;
    CKetrelArray<i32> results;
    for (i32 i = 0; i < count && playerIds && codes; ++i)
    {
        ids.Add(playerIds[i]);
        results.Add(codes[i]);
    }
    IBrixGameState::ReportGameResult(ids, results, leaveNow);
}

void CStateGame::ClearChatBubbles()
{
    if (m_bubbles)
        m_bubbles->Clear();
}

void CStateGame::AddChatBubble(const CKetrelString& text, const CKetrelString& speaker,
                               u32 colour, const CKetrelVector2& position,
                               const CKetrelVector2& corner)
{
    if (m_bubbles)
        m_bubbles->AddBubble(text, speaker, colour, position, corner);
}

void CStateGame::RenderChatBubbles()
{
    if (m_bubbles)
        m_bubbles->Render();
}

void CStateGame::OpenChatPage()
{
    if (m_shell)
        m_shell->OpenChatPage();
}

void CStateGame::SendItemUsed(u32 itemId, i32 count, i32 playerCode)
{
    if (m_shell)
        m_shell->SendItemUsed(itemId, count, playerCode);
}

i32 CStateGame::GetOwnedItems(CJubOwnedItem* items, i32 max)
{
    return m_shell ? m_shell->GetOwnedItems(items, max) : 0;
}

int CStateGame::ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info)
{
    return m_shell ? m_shell->ReadItem(player, item, info) : KE_ERR_NOT_FOUND;
}
