// framework/BrixTitleState.cpp
#include "framework/BrixTitleState.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixResourceManager.h"

#include <cmath>

const char* const CBrixTitleState::PackName = "title.vad";

namespace
{
const f32 kDuration = 3.0f;      // seconds on screen
const f32 kFadeIn = 0.5f;        // dimmed from black up to here
const f32 kSocialAt = 2.5f;      // the social part starts and the fade-out begins
const u32 kBlack = 0xFF000000u;

IKetrelGraphicsContext* Target(IBrixFrameworkHost* app)
{
    IKetrelApplication* engine = app ? app->GetEngineApplication() : nullptr;
    return engine ? engine->GetGraphicsContext() : nullptr;
}

// The picture of that name, ".jpg" first and then ".png".
CKetrelSurface* GetPicture(CBrixResourceManager* resources, const char* base)
{
    CKetrelString jpg(base), png(base);
    jpg.Append(CKetrelString(".jpg"));
    png.Append(CKetrelString(".png"));
    CKetrelSurface* picture = resources->GetImage(jpg, 0);
    return picture ? picture : resources->GetImage(png, 0);
}
}

CBrixTitleState::CBrixTitleState()
    : m_app(nullptr), m_time(0.0f), m_background(nullptr), m_title(nullptr),
      m_socialEntered(0), m_packAdded(0)
{
}

CBrixTitleState::~CBrixTitleState()
{
    ReleaseImages();
}

int CBrixTitleState::Init(IKetrelApplication* app)
{
    return Init(dynamic_cast<IBrixFrameworkHost*>(app));
}

int CBrixTitleState::Init(IBrixFrameworkHost* host)
{
    if (!host)
        return KE_ERR_ARGUMENT;
    m_app = host;
    CBrixResourceManager* resources = host->GetResourceManager();
    // Without the pack the title shows the busy screen once and ends.
    if (resources)
        m_packAdded = resources->AddMediaPack(CKetrelString(PackName), 0, 0) == 1;
    return KE_OK;
}

void CBrixTitleState::ReleaseImages()
{
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (resources)
    {
        resources->ReleaseImage(&m_background);
        resources->ReleaseImage(&m_title);
    }
    m_background = nullptr;
    m_title = nullptr;
}

void CBrixTitleState::Release()
{
    ReleaseImages();
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (m_packAdded && resources)
        resources->RemoveMediaPack(CKetrelString(PackName), 0);
    m_packAdded = 0;
}

void CBrixTitleState::LoadBackground(i32 width, i32 height, bool squareIsLandscape)
{
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (!resources)
        return;
    if (m_background)
        resources->ReleaseImage(&m_background);
    m_background = nullptr;
    const bool landscape = width > height || (squareIsLandscape && width == height);
    m_background = GetPicture(resources, landscape ? "background-horizontal" : "background-vertical");
}

void CBrixTitleState::Activate()
{
    m_time = 0.0f;
    IKetrelGraphicsContext* gc = Target(m_app);
    CBrixResourceManager* resources = m_app ? m_app->GetResourceManager() : nullptr;
    if (!resources)
        return;
    // A second activation looks both up again instead of holding two references.
    ReleaseImages();
    LoadBackground(gc ? gc->GetWidth() : 0, gc ? gc->GetHeight() : 0, false);
    m_title = GetPicture(resources, "title");
}

void CBrixTitleState::EnterSocialPart()
{
    if (m_socialEntered || !m_app)
        return;
    m_socialEntered = 1;
    m_app->EnterSocialFramework();
}

void CBrixTitleState::Deactivate()
{
    EnterSocialPart();
}

i32 CBrixTitleState::Update(f32 dt)
{
    CKetrelFramePacer::NoteScreenActivity();   // a short screen; every frame of it is drawn
    if (!m_background && !m_title)
    {
        Finish();
        return 1;
    }
    m_time += dt;
    if (m_time >= kDuration)
        Finish();
    return 1;
}

i32 CBrixTitleState::OnScreenSizeChanged(i32 width, i32 height)
{
    LoadBackground(width, height, true);
    return 1;
}

f32 CBrixTitleState::CoverScale(i32 pw, i32 ph, i32 sw, i32 sh)
{
    const f32 rw = (f32)pw / (f32)sw, rh = (f32)ph / (f32)sh;
    return rw < rh ? (f32)sw / (f32)pw : (f32)sh / (f32)ph;
}

f32 CBrixTitleState::FitScale(i32 pw, i32 ph, i32 sw, i32 sh)
{
    const f32 rw = (f32)pw / (f32)sw, rh = (f32)ph / (f32)sh;
    return rw > rh ? (f32)sw / (f32)pw : (f32)sh / (f32)ph;
}

void CBrixTitleState::ScaledRect(i32 pw, i32 ph, f32 scale, i32 sw, i32 sh,
                                 i32* x, i32* y, i32* w, i32* h)
{
    *w = (i32)std::floor(0.5f + scale * (f32)pw);
    *h = (i32)std::floor(0.5f + scale * (f32)ph);
    *x = (i32)std::floor(-0.5f * (f32)*w + 0.5f * (f32)sw + 0.5f);
    *y = (i32)std::floor(-0.5f * (f32)*h + 0.5f * (f32)sh + 0.5f);
}

void CBrixTitleState::Render()
{
    if (!m_background && !m_title)
    {
        if (m_app)
            m_app->ShowBusyScreen();
        return;
    }
    IKetrelGraphicsContext* gc = Target(m_app);
    if (!gc)
        return;
    const i32 sw = gc->GetWidth(), sh = gc->GetHeight();
    if (sw <= 0 || sh <= 0)
        return;
    gc->FillRect(kBlack, nullptr);
    i32 x, y, w, h;
    // A picture that is missing (or empty) is left out rather than scaled from zero.
    if (m_background && m_background->GetWidth() > 0 && m_background->GetHeight() > 0)
    {
        const i32 pw = m_background->GetWidth(), ph = m_background->GetHeight();
        ScaledRect(pw, ph, CoverScale(pw, ph, sw, sh), sw, sh, &x, &y, &w, &h);
        const CKetrelRect dest(x, y, x + w, y + h);
        gc->StretchBlit(&dest, m_background, nullptr, 0);
    }
    if (m_title && m_title->GetWidth() > 0 && m_title->GetHeight() > 0)
    {
        const i32 pw = m_title->GetWidth(), ph = m_title->GetHeight();
        if (pw <= sw && ph <= sh)
        {
            const CKetrelVector2 origin(0.0f, 0.0f);
            gc->BlitRelative(&origin, m_title, nullptr,
                             KE_BLT_ALPHA | KE_BLT_CENTER_X | KE_BLT_CENTER_Y);
        }
        else
        {
            ScaledRect(pw, ph, FitScale(pw, ph, sw, sh), sw, sh, &x, &y, &w, &h);
            const CKetrelRect dest(x, y, x + w, y + h);
            gc->StretchBlit(&dest, m_title, nullptr, KE_BLT_ALPHA);
        }
    }
    if (m_time <= kFadeIn)
        gc->DimRect(nullptr, m_time * 2.0f);
    if (m_time >= kSocialAt)
    {
        EnterSocialPart();
        const f32 level = 1.0f - 2.0f * (m_time - kSocialAt);
        gc->DimRect(nullptr, level < 0.0f ? 0.0f : level);
    }
}
