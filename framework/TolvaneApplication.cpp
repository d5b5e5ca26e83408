// framework/TolvaneApplication.cpp: construction, start-up, the state list, the frame
// driver, input routing, focus, graphics restore and shut-down.
#include "framework/TolvaneApplication.h"

#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundMusicPlayer.h"
#include "engine/KetrelInput.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixAchievements.h"
#include "framework/BrixDevice.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixStatsStore.h"
#include "framework/BrixTheme.h"
#include "framework/BrixUIServices.h"
#include "net/BrixNetConnection.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <GLES2/gl2.h>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

namespace
{
const i32 kBusyPictureSide = 56;

// The busy picture: a ring of eight dots fading round the circle, premultiplied RGBA.
CKetrelSurface* MakeBusyPicture(IKetrelApplication* owner)
{
    CKetrelSurface* surface = new (std::nothrow) CKetrelSurface();
    if (!surface)
        return nullptr;
    CKetrelSurfaceDesc desc = {kBusyPictureSide, kBusyPictureSide, 0, KE_PF_ABGR8888, 0, 4};
    if (surface->Create(owner, &desc) != KE_OK)
    {
        delete surface;
        return nullptr;
    }
    const f32 centre = (kBusyPictureSide - 1) * 0.5f;
    for (i32 y = 0; y < kBusyPictureSide; ++y)
    {
        u8* row = surface->GetPixels() + y * surface->GetPitch();
        for (i32 x = 0; x < kBusyPictureSide; ++x)
        {
            f32 coverage = 0.0f;
            for (i32 dot = 0; dot < 8; ++dot)
            {
                const f32 angle = dot * 0.7853982f;
                const f32 dx = x - (centre + 19.0f * std::cos(angle));
                const f32 dy = y - (centre + 19.0f * std::sin(angle));
                const f32 inside = 5.0f - std::sqrt(dx * dx + dy * dy);
                if (inside > 0.0f)
                    coverage = (inside > 1.0f ? 1.0f : inside) * (0.3f + dot * 0.1f);
            }
            const u8 a = (u8)(coverage * 255.0f + 0.5f);
            row[x * 4 + 0] = a;      // white, premultiplied
            row[x * 4 + 1] = a;
            row[x * 4 + 2] = a;
            row[x * 4 + 3] = a;
        }
    }
    return surface;
}
} // namespace

CTolvaneApplication::CTolvaneApplication()
    : m_quitRequested(0), m_lobbyLinkUp(0), m_gameLinkUp(0), m_menuSwitching(0),
      m_soundEngine(nullptr), m_musicPlayer(nullptr), m_session(nullptr), m_game(nullptr),
      m_lobby(nullptr), m_device(nullptr), m_settings(nullptr), m_achievements(nullptr),
      m_advertisement(nullptr), m_toast(nullptr), m_theme(nullptr), m_restoreStep(RESTORE_NONE),
      m_busyPicture(nullptr), m_musicLoop(0), m_musicPosition(0.0f), m_netConnection(nullptr),
      m_language(nullptr), m_pendingAnswer(-1), m_resultReported(0), m_notificationFilter(0),
      m_lobbyCreator(nullptr), m_uiServices(new CBrixUIServices(this)), m_retiredSession(nullptr),
      m_languageStore(this)
{
}

CTolvaneApplication::~CTolvaneApplication()
{
    // A run that never reached OnDestroy (no window) still frees what it holds.
    OnDestroy();
    delete m_uiServices;
}

int CTolvaneApplication::Init(u32 reserved, i32, i32, IBrixGameState* game)
{
    SeedRandomFromClock();
    m_game = game;
    if (m_game)
    {
        m_game->SetApplication(this);
        SetApplicationName(m_game->GetApplicationName());
    }
    CKetrelDisplayMode mode;
    GetDefaultDisplayMode(&mode);
    return Create((i32)reserved, &mode);
}

IUIApplication* CTolvaneApplication::GetUIApplication() { return m_uiServices; }

// ---- start-up -----------------------------------------------------------------------------

int CTolvaneApplication::OnCreate()
{
    m_missingFile.Clear();
    SetFramePacing(2, 3000);

    m_soundEngine = new (std::nothrow) CKetrelSoundEngine();
    if (m_soundEngine && m_soundEngine->Init(this, 44100, 16, 2, 0, 0, 0) != KE_OK)
    {
        // No sound device: the program runs silent.
        m_soundEngine->Shutdown();
        delete m_soundEngine;
        m_soundEngine = nullptr;
    }
    if (m_soundEngine)
        m_soundEngine->SetMasterVolume(100);

    CBrixResourceManager::Init(this, m_soundEngine);

    int rc = InitServices();
    if (rc == KE_OK)
    {
        CreateToast();
        rc = PushOpeningStates();
    }
    if (rc != KE_OK)
        ReportStartupFailure(rc);
    return rc;
}

void CTolvaneApplication::ReportStartupFailure(int code)
{
    if (m_missingFile.IsEmpty())
    {
        fprintf(stderr, "ERROR: %d\n", code);
        return;
    }
    std::string name((size_t)m_missingFile.ToUTF8(nullptr) + 1, '\0');
    m_missingFile.ToUTF8(&name[0]);
    fprintf(stderr, "ERROR: %d: missing file %s\n", code, name.c_str());
}

int CTolvaneApplication::InitServices()
{
    m_settings = new (std::nothrow) CBrixStatsStore();
    if (!m_settings)
        return KE_ERR_MEMORY;
    int rc = m_settings->Init(this);
    if (rc != KE_OK)
        return rc;

    m_language = new (std::nothrow) CBrixLanguage();
    if (!m_language)
        return KE_ERR_MEMORY;
    rc = m_language->Init(this, m_settings, CKetrelString(L"brixlanguage"));
    if (rc != KE_OK)
    {
        m_missingFile = L"brixlanguage_en.vad";
        return rc;
    }

    for (const wchar_t* pack : {L"brixsounds.vad", L"brixlayouts.vad"})
    {
        if (!AddMediaPack(CKetrelString(pack), 0, 0))
        {
            m_missingFile = pack;
            return KE_ERR_NOT_FOUND;
        }
    }
    for (const wchar_t* base : {L"brixfonts", L"brixlobby"})
    {
        // The pack choice answers 0 when no size opens: that is a missing file.
        if (FindPackForScreen(CKetrelString(base), nullptr, nullptr) != KE_OK)
        {
            m_missingFile.Format(L"%s_<size>.vad", base);
            return KE_ERR_NOT_FOUND;
        }
    }

    m_device = new (std::nothrow) CBrixDevice();
    if (!m_device)
        return KE_ERR_MEMORY;
    rc = m_device->Init(this);
    if (rc != KE_OK)
        return rc;

    m_achievements = new (std::nothrow) CBrixAchievementStation();
    if (m_achievements)
    {
        CKetrelString path;
        GetAppFilePath(path, CKetrelString(L"achievements.vad"));
        if (m_achievements->Init(this, (u32)GetGameId(), path) != KE_OK)
        {
            // Start-up goes on without achievements.
            m_achievements->Clear();
            delete m_achievements;
            m_achievements = nullptr;
        }
    }

    ApplyStartupSettings();
    BrixResolveDeviceId(*m_settings, m_device->GetInfo().deviceId);
    m_settings->Save();
    return KE_OK;
}

void CTolvaneApplication::ApplyStartupSettings()
{
    CBrixStartupSettings values;
    BrixPrepareStartupSettings(*m_settings, m_notificationFilter, values);
    SetSoundMuted((i32)values.soundMuted);
    SetSoundVolume(values.soundVolume);
    SetMusicMuted((i32)values.musicMuted);
    SetMusicVolume(values.musicVolume);
    SetVibrationEnabled((i32)values.vibrations);
    SetNotificationFilter(values.notificationFilter);
    SetTheme(values.themeName);
}

// ---- state list ---------------------------------------------------------------------------

IBrixState* CTolvaneApplication::GetStateAt(i32 index) const
{
    if (index < 0 || index >= m_states.GetCount())
        return nullptr;
    return static_cast<IBrixState*>(m_states.GetAt(index));
}

static i32 IndexOf(const CKetrelPtrArray& list, const void* item)
{
    for (i32 i = 0; i < list.GetCount(); ++i)
        if (list.GetAt(i) == item)
            return i;
    return -1;
}

int CTolvaneApplication::PushState(IBrixState* state)
{
    if (!state)
        return KE_ERR_ARGUMENT;
    int rc = state->Init(this);
    if (rc != KE_OK)
    {
        delete state;
        return rc;
    }
    m_states.Add(state);
    if (m_states.GetCount() == 1)
    {
        state->ClearFinished();
        state->Activate();
    }
    return KE_OK;
}

int CTolvaneApplication::RemoveState(IBrixState* state)
{
    const i32 index = IndexOf(m_states, state);
    if (index < 0)
        return 0;
    // A pending move of this state must not reach whatever reuses its address.
    for (i32 i = m_frontRequests.GetCount() - 1; i >= 0; --i)
        if (m_frontRequests[i] == state)
            m_frontRequests.RemoveAt(i);
    if (state == m_lobby)
        m_lobby = nullptr;

    if (index == 0)
        state->Deactivate();
    m_states.RemoveAt(index);
    state->Release();
    delete state;
    if (index == 0 && m_states.GetCount() > 0)
    {
        GetFirstState()->ClearFinished();
        GetFirstState()->Activate();
    }
#ifdef __GLIBC__
    // A screen change frees a screen's pictures and the new one's loading leftovers
    // (parsed layouts, decode buffers): hand the free heap pages back to the system.
    malloc_trim(0);
#endif
    return 1;
}

int CTolvaneApplication::BringToFront(IBrixState* state)
{
    m_frontRequests.Add(state);
    return 1;
}

void CTolvaneApplication::MoveToFront(IBrixState* state)
{
    const i32 index = IndexOf(m_states, state);
    if (index <= 0)
        return;             // not on the list, or already first
    GetFirstState()->Deactivate();
    m_states.RemoveAt(index);
    m_states.InsertAt(0, state);
    state->ClearFinished();
    state->Activate();
}

void CTolvaneApplication::ApplyBringToFront()
{
    // Requests made while moving (by Activate) wait for the next frame.
    CKetrelArray<IBrixState*> requests(m_frontRequests);
    m_frontRequests.SetSize(0);
    for (i32 i = 0; i < requests.GetCount(); ++i)
        MoveToFront(requests[i]);
}

void CTolvaneApplication::SweepStates()
{
    CKetrelPtrArray sentBack;
    i32 i = 0;
    while (i < m_states.GetCount())
    {
        IBrixState* state = GetStateAt(i);
        if (state->IsFinished())
        {
            RemoveState(state);
            continue;
        }
        if (!state->IsSentToBack())
        {
            ++i;
            continue;
        }
        state->Deactivate();
        state->ClearSendToBack();
        m_states.RemoveAt(i);
        sentBack.Add(state);
        if (i == 0 && m_states.GetCount() > 0)
        {
            GetFirstState()->ClearFinished();
            GetFirstState()->Activate();
        }
    }
    for (i32 k = 0; k < sentBack.GetCount(); ++k)
        m_states.Add(sentBack.GetAt(k));
}

void CTolvaneApplication::AddPopup(CBrixNotification* popup)
{
    if (!popup)
        return;
    m_popups.Add(popup);
    if (m_device)
        m_device->Vibrate(0);
}

// ---- frame driver -------------------------------------------------------------------------

void CTolvaneApplication::OnFrame() { RunFrame(GetFrameDelta()); }

int CTolvaneApplication::RunRestoreStep()
{
    if (m_restoreStep == RESTORE_NONE)
        return 0;
    if (m_restoreStep == RESTORE_BUSY_SCREEN)
    {
        ShowBusyScreen();
        m_restoreStep = RESTORE_RELOAD;
    }
    else if (m_restoreStep == RESTORE_RELOAD)
    {
        if (ReloadGraphicsAll() != KE_OK)
            IKetrelApplication::Quit();
        m_restoreStep = RESTORE_NONE;
    }
    ResetIdleTimer();
    return 1;
}

void CTolvaneApplication::RunFrame(f32 dt)
{
    if (RunRestoreStep())
        return;

    // A session replaced from inside its own dispatch goes now, outside any of its calls.
    delete m_retiredSession;
    m_retiredSession = nullptr;

    if (m_session)
        m_session->Update(dt);
    TickOverlays(dt);
    ApplyBringToFront();
    SweepStates();

    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (GetStateAt(i)->Update(dt) != 0)
            break;
    // An idle frame that changed nothing keeps the last picture on screen.
    if (IsDrawFrame())
    {
        if (IBrixState* first = GetFirstState())
            first->Render();
        RenderOverlays();
    }

    CBrixResourceManager::Tick();
    if (m_states.GetCount() == 0)
        Quit();
    if (m_quitRequested)
        IKetrelApplication::Quit();
}

void CTolvaneApplication::Quit() { m_quitRequested = 1; }

// ---- input --------------------------------------------------------------------------------

void CTolvaneApplication::OnPointerDown(i32 button, i32 x, i32 y) { RoutePointerDown(button, x, y); }
void CTolvaneApplication::OnPointerMove(i32 button, i32 x, i32 y) { RoutePointerMove(button, x, y); }
void CTolvaneApplication::OnPointerUp(i32 button, i32 x, i32 y) { RoutePointerUp(button, x, y); }
void CTolvaneApplication::OnKeyDown(u32 keysym) { RouteKeyDown(keysym); }
void CTolvaneApplication::OnChar(u32 character) { RouteChar(character); }

i32 CTolvaneApplication::RoutePointerDown(i32 pointer, i32 x, i32 y)
{
    i32 taken = 0;
    if (OverlayPointer(KE_EVENT_POINTER_DOWN, pointer, x, y, &taken))
        return taken;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (i32 r = GetStateAt(i)->OnPointerDown(pointer, x, y))
            return r;
    return 0;
}

i32 CTolvaneApplication::RoutePointerMove(i32 pointer, i32 x, i32 y)
{
    i32 taken = 0;
    if (OverlayPointer(KE_EVENT_POINTER_MOVE, pointer, x, y, &taken))
        return taken;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (i32 r = GetStateAt(i)->OnPointerMove(pointer, x, y))
            return r;
    return 0;
}

i32 CTolvaneApplication::RoutePointerUp(i32 pointer, i32 x, i32 y)
{
    i32 taken = 0;
    if (OverlayPointer(KE_EVENT_POINTER_UP, pointer, x, y, &taken))
        return taken;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (i32 r = GetStateAt(i)->OnPointerUp(pointer, x, y))
            return r;
    return 0;
}

i32 CTolvaneApplication::RouteKeyDown(u32 keysym)
{
    if (CKetrelInput::KeysymToKeyCode(keysym) == BACK_KEY_CODE && IsAdvertisementShown())
        return BACK_KEY_CODE;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (i32 r = GetStateAt(i)->OnKeyDown(keysym))
            return r;
    return 0;
}

i32 CTolvaneApplication::RouteChar(u32 character)
{
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (i32 r = GetStateAt(i)->OnChar(character))
            return r;
    return 0;
}

// ---- focus, size, graphics ----------------------------------------------------------------

void CTolvaneApplication::SetActive(i32 active)
{
    IKetrelApplication::SetActive(active);
    // Focus events may arrive while the window is made, before any service exists.
    if (m_game)
        m_game->OnFocusChanged(active);
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if (GetStateAt(i)->OnFocusChanged(active) != 0)
            break;

    if (!active)
    {
        if (m_soundEngine)
            m_soundEngine->SetPaused(1);
        m_musicPosition = 0.0f;
        if (m_musicPlayer && m_musicPlayer->GetState() == CKetrelSoundMusicPlayer::KE_MUSIC_PLAYING)
            m_musicPosition = m_musicPlayer->GetPosition();
        ReleaseMusicPlayer();
    }
    else
    {
        if (m_soundEngine)
            m_soundEngine->SetPaused(0);
        if (m_lobby && m_lobby->IsLoggedIn() && !m_musicFile.IsEmpty())
        {
            const f32 position = m_musicPosition;
            CKetrelString file(m_musicFile);
            if (PlayMusic(file, m_musicLoop) == KE_OK && m_musicPlayer)
                m_musicPlayer->Seek(position);
        }
    }
    DeleteAdvertisement();
}

void CTolvaneApplication::OnResize(i32 width, i32 height)
{
    IKetrelApplication::OnResize(width, height);
    NotifyOverlaysOfSize(width, height);
    if (IBrixState* first = GetFirstState())
        first->OnScreenSizeChanged(width, height);
}

int CTolvaneApplication::RestoreGraphics(i32 argument)
{
    int rc = IKetrelApplication::RestoreGraphics(argument);
    if (rc == KE_OK)
        m_restoreStep = RESTORE_BUSY_SCREEN;
    return rc;
}

int CTolvaneApplication::ReloadGraphicsAll()
{
    int rc = CBrixResourceManager::ReloadGraphics();
    if (rc != KE_OK)
        return rc;
    if (m_game && (rc = m_game->ReloadGraphics()) != KE_OK)
        return rc;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if ((rc = GetStateAt(i)->ReloadGraphics()) != KE_OK)
            return rc;
    return KE_OK;
}

int CTolvaneApplication::ReleaseGraphicsAll()
{
    int rc = CBrixResourceManager::ReleaseGraphics();
    if (rc != KE_OK)
        return rc;
    if (m_game && (rc = m_game->ReleaseGraphics()) != KE_OK)
        return rc;
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        if ((rc = GetStateAt(i)->ReleaseGraphics()) != KE_OK)
            return rc;
    return KE_OK;
}

i32 CTolvaneApplication::GetScreenWidth()
{
    IKetrelGraphicsContext* gc = GetGraphicsContext();
    return gc ? gc->GetWidth() : 0;
}

i32 CTolvaneApplication::GetScreenHeight()
{
    IKetrelGraphicsContext* gc = GetGraphicsContext();
    return gc ? gc->GetHeight() : 0;
}

void CTolvaneApplication::ShowBusyScreen()
{
    IKetrelGraphicsContext* gc = GetGraphicsContext();
    if (!gc || gc->GetWidth() <= 0 || gc->GetHeight() <= 0)
        return;
    gc->FillRect(0xFF000000, nullptr);
    m_busyPicture = MakeBusyPicture(this);
    if (!m_busyPicture)
        return;
    // Under OpenGL ES the picture is drawn from its texture; without one only black shows.
    const bool software = gc == GetBackBuffer();
    if (software || m_busyPicture->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0) == KE_OK)
        gc->Blit(gc->GetWidth() - kBusyPictureSide, gc->GetHeight() - kBusyPictureSide, m_busyPicture,
                 nullptr, KE_BLT_ALPHA);
    m_busyPicture->Release();
    delete m_busyPicture;
    m_busyPicture = nullptr;
}

// ---- shut-down ----------------------------------------------------------------------------

void CTolvaneApplication::OnDestroy()
{
    if (m_busyPicture)
    {
        m_busyPicture->Release();
        delete m_busyPicture;
        m_busyPicture = nullptr;
    }
    if (m_theme)
    {
        delete m_theme;
        m_theme = nullptr;
    }
    if (m_session)
    {
        // Nulled before the states go, so that their Release sees no session.
        CBrixNetworkSession* session = m_session;
        m_session = nullptr;
        session->Shutdown();
        delete session;
    }
    delete m_retiredSession;
    m_retiredSession = nullptr;
    if (m_netConnection)
    {
        m_netConnection->Close();
        delete m_netConnection;
        m_netConnection = nullptr;
    }
    DeleteOverlays();

    if (IBrixState* first = GetFirstState())
        first->Deactivate();
    m_lobby = nullptr;
    m_frontRequests.SetSize(0);
    while (m_states.GetCount() > 0)
    {
        IBrixState* state = GetFirstState();
        m_states.RemoveAt(0);
        state->Release();
        delete state;
    }
    // The game goes while the services it may release into still exist.
    DeleteGameState();

    if (m_achievements)
    {
        m_achievements->Save();
        m_achievements->Clear();
        delete m_achievements;
        m_achievements = nullptr;
    }
    if (m_device)
    {
        m_device->Release();
        delete m_device;
        m_device = nullptr;
    }
    CBrixResourceManager::ReleaseAll();
    if (m_language)
    {
        m_language->SaveSelection();
        m_language->Clear();
        delete m_language;
        m_language = nullptr;
    }
    if (m_soundEngine)
    {
        m_soundEngine->Shutdown();
        delete m_soundEngine;
        m_soundEngine = nullptr;
    }
    if (m_musicPlayer)
    {
        m_musicPlayer->Stop();
        delete m_musicPlayer;
        m_musicPlayer = nullptr;
    }
    m_musicFile.Clear();
    m_musicPosition = 0.0f;
    if (m_settings)
    {
        m_settings->Save();
        m_settings->Clear();
        delete m_settings;
        m_settings = nullptr;
    }
}

void CTolvaneApplication::DeleteGameState()
{
    IBrixGameState* game = m_game;
    m_game = nullptr;
    delete game;
}
