// framework/BrixIntroState.cpp
#include "framework/BrixIntroState.h"

#include "KetrelSound/KetrelSoundSource.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixResourceManager.h"

#include <cmath>

const char* const CBrixIntroState::PackName = "brixintro.vad";
const char* const CBrixIntroState::WelcomeSound = "brix_welcome.wav";

namespace
{
const f32 kDuration = 2.0f;        // seconds of counted time
const f32 kFadeStart = 1.5f;       // the dim to black starts here
const f32 kFramesPerSecond = 11.0f;
const u32 kBlack = 0xFF000000u;
const u32 kCentred = KE_BLT_CENTER_X | KE_BLT_CENTER_Y;
}

CBrixIntroState::CBrixIntroState()
    : m_app(nullptr), m_time(0.0f), m_startDelay(StartDelayUpdates), m_welcome(nullptr),
      m_soundPlayed(0), m_frameLimit(0), m_packAdded(0)
{
    for (CKetrelSurface*& frame : m_frames)
        frame = nullptr;
}

CBrixIntroState::~CBrixIntroState()
{
    ReleaseMedia();
}

int CBrixIntroState::Init(IKetrelApplication* app)
{
    return Init(dynamic_cast<IBrixFrameworkHost*>(app));
}

int CBrixIntroState::Init(IBrixFrameworkHost* host)
{
    if (!host)
        return KE_ERR_ARGUMENT;
    m_app = host;
    return KE_OK;
}

void CBrixIntroState::Activate()
{
    m_time = 0.0f;
    m_startDelay = StartDelayUpdates;
    m_soundPlayed = 0;
    ReleaseMedia();   // a second activation starts from a clean slate
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (!resources)
        return;
    m_packAdded = resources->AddMediaPack(CKetrelString(PackName), 0, 0) == 1;
    // Twelve full-screen pictures held at once would double the program's peak
    // memory: the pack is only asked which frames it has, and two are decoded.
    m_frameLimit = 0;
    while (m_frameLimit < LogoFrameCount)
    {
        CKetrelString name;
        name.Format(L"tolvane_logo%d.jpg", m_frameLimit + 1);
        char* data = nullptr;
        const i32 size = resources->LoadFileData(name, &data);
        delete[] data;
        if (size <= 0)
            break;
        ++m_frameLimit;
    }
    KeepFrames(0);
    if (m_frameLimit < LogoFrameCount)
        return;   // the rest stay missing, and so does the sound
    // Decoded now: played on the first counted update, long before a loader thread
    // would have filled it.
    m_welcome = resources->GetSound(CKetrelString(WelcomeSound),
                                    CBrixResourceManager::SOUND_SYNCHRONOUS, 0);
}

void CBrixIntroState::KeepFrames(i32 index)
{
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (!resources)
        return;
    for (i32 i = 0; i < LogoFrameCount; ++i)
    {
        const bool wanted = (i == index || i == index + 1) && i < m_frameLimit;
        if (!wanted && m_frames[i])
            resources->ReleaseImage(&m_frames[i]);
        if (!wanted)
        {
            m_frames[i] = nullptr;
            continue;
        }
        if (m_frames[i])
            continue;
        CKetrelString name;
        name.Format(L"tolvane_logo%d.jpg", i + 1);
        m_frames[i] = resources->GetImage(name, 0);
        if (!m_frames[i])
            m_frameLimit = i;   // a picture that does not decode ends the animation there
    }
}

void CBrixIntroState::Deactivate()
{
    ReleaseMedia();
}

void CBrixIntroState::ReleaseMedia()
{
    m_frameLimit = 0;
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    for (CKetrelSurface*& frame : m_frames)
    {
        if (frame && resources)
            resources->ReleaseImage(&frame);
        frame = nullptr;
    }
    if (m_welcome && resources)
        resources->ReleaseSound(&m_welcome);
    m_welcome = nullptr;
    if (m_packAdded && resources)
        resources->RemoveMediaPack(CKetrelString(PackName), 0);
    m_packAdded = 0;
}

i32 CBrixIntroState::Update(f32 dt)
{
    CKetrelFramePacer::NoteScreenActivity();   // the logo animates and fades throughout
    // The first updates after activation carry the loading time and do not count.
    if (m_startDelay > 0)
        --m_startDelay;
    else
        m_time += dt;
    KeepFrames(FrameIndexAt(m_time));
    if (m_welcome && !m_soundPlayed)
    {
        m_welcome->Play(0);
        m_soundPlayed = 1;
    }
    if (m_time >= kDuration)
        Finish();
    return 1;
}

i32 CBrixIntroState::FrameIndexAt(f32 time)
{
    const f32 f = time * kFramesPerSecond;
    if (f > LogoFrameCount - 1)
        return LogoFrameCount - 1;
    return f < 0.0f ? 0 : (i32)f;
}

f32 CBrixIntroState::DimLevelAt(f32 time)
{
    if (time < kFadeStart)
        return 1.0f;
    const f32 level = (kDuration - time) * 2.0f;
    return level < 0.0f ? 0.0f : level;
}

void CBrixIntroState::Render()
{
    IKetrelApplication* engine = m_app ? m_app->GetEngineApplication() : nullptr;
    IKetrelGraphicsContext* gc = engine ? engine->GetGraphicsContext() : nullptr;
    if (!gc)
        return;
    gc->FillRect(kBlack, nullptr);
    f32 f = m_time * kFramesPerSecond;
    if (f > LogoFrameCount - 1)
        f = LogoFrameCount - 1;
    const i32 index = FrameIndexAt(m_time);
    KeepFrames(index);
    const CKetrelVector2 origin(0.0f, 0.0f);
    if (m_frames[index])
        gc->BlitRelative(&origin, m_frames[index], nullptr, kCentred);
    if (f + 1.0f < LogoFrameCount)
    {
        const i32 next = (i32)(f + 1.0f);
        if (m_frames[next])
            gc->BlitTintedRelative(&origin, m_frames[next], nullptr, 0xFFFFFFFFu, kCentred);
    }
    if (m_time >= kFadeStart)
        gc->DimRectRelative(nullptr, DimLevelAt(m_time));
}
