// ui/ImageWidget.cpp
#include "ui/ImageWidget.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "ui/EasingCurve.h"
#include "ui/Layout.h"
#include "ui/WidgetMath.h"

#include <cmath>
#include <cstring>
#include <new>

namespace
{
// Selects the tint program of the OpenGL ES renderer; the software surface ignores it.
const u32 kTintProgramFlag = 0x400;
const f32 kFadeSeconds = 1.0f;
}  // namespace

CImageWidget::CImageWidget()
    : m_flags(IMAGE_STRETCH), m_image(nullptr), m_useSourceRect(0), m_frameDuration(0.0f),
      m_animClock(0.0f), m_fadeTime(0.0f), m_fadeCurve(nullptr)
{
}

CImageWidget::~CImageWidget()
{
    ReleaseSurface(GetResourceManager(), &m_image);
    delete m_fadeCurve;
}

void CImageWidget::ReleaseSurface(IUIResourceManager* resources, CKetrelSurface** slot)
{
    if (!*slot)
        return;
    if (resources && resources->ReleaseImage(slot) == KE_OK)
    {
        *slot = nullptr;
        return;
    }
    // Not the manager's: ours to free.
    (*slot)->Release();
    delete *slot;
    *slot = nullptr;
}

void CImageWidget::ExchangeSurface(IUIResourceManager* resources, CKetrelSurface** slot,
                                   CKetrelSurface* next)
{
    if (*slot == next)
        return;
    ReleaseSurface(resources, slot);
    if (resources && next)
        resources->AddRefImage(next);
    *slot = next;
}

void CImageWidget::ShareSurface(IUIResourceManager* resources, CKetrelSurface** slot,
                                CKetrelSurface* other)
{
    if (*slot == other)
        return;
    ReleaseSurface(resources, slot);
    if (!other)
        return;
    if (resources && resources->AddRefImage(other) == KE_OK)
        *slot = other;
    else
        *slot = DuplicateSurface(other);
}

CKetrelSurface* CImageWidget::DuplicateSurface(const CKetrelSurface* source)
{
    if (!source || !source->GetPixels() || source->GetWidth() <= 0 || source->GetHeight() <= 0)
        return nullptr;
    CKetrelSurface* copy = new (std::nothrow) CKetrelSurface();
    if (!copy)
        return nullptr;
    CKetrelSurfaceDesc desc = {};
    desc.width = source->GetWidth();
    desc.height = source->GetHeight();
    desc.pixelFormat = source->GetPixelFormat();
    if (copy->Create(source->GetOwner(), &desc) != KE_OK)
    {
        delete copy;
        return nullptr;
    }
    const i32 rowBytes = source->GetWidth() * source->GetBytesPerPixel();
    for (i32 y = 0; y < source->GetHeight(); ++y)
        memcpy(copy->GetPixels() + (size_t)y * (size_t)copy->GetPitch(),
               source->GetPixels() + (size_t)y * (size_t)source->GetPitch(), (size_t)rowBytes);
    if (source->GetAlphaPlane())
    {
        CKetrelSurfaceDesc alpha = {};
        alpha.width = source->GetWidth();
        alpha.height = source->GetHeight();
        alpha.pixelFormat = KE_PF_INDEX8;
        copy->SetAlphaPlane(&alpha, source->GetAlphaPlane());
    }
    CKetrelRect f;
    source->GetFrameRect(0, &f);
    if (f.Width() > 0 && f.Height() > 0 &&
        (f.Width() != source->GetWidth() || f.Height() != source->GetHeight()))
        copy->SetFrameSize(f.Width(), f.Height());
    if (source->GetTextureName())
        copy->CreateTextureAuto();
    copy->SetColorKey(source->GetColorKey());
    return copy;
}

int CImageWidget::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_useSourceRect = 0;
    SetTransparent(true);
    ReleaseSurface(resources, &m_image);
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    m_fadeTime = 0.0f;
    m_frameDuration = 0.0f;
    m_animClock = 0.0f;
    return KE_OK;
}

void CImageWidget::Close()
{
    ReleaseSurface(GetResourceManager(), &m_image);
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    CWidget::Close();
}

CWidget* CImageWidget::CreateInstance() const { return new CImageWidget(); }

void CImageWidget::SetImage(CKetrelSurface* image)
{
    if (image != m_image)
        CKetrelFramePacer::NoteScreenActivity();
    ExchangeSurface(GetResourceManager(), &m_image, image);
}

i32 CImageWidget::GetFrameCount() const
{
    if (!m_image || m_image->GetWidth() <= 0 || m_image->GetHeight() <= 0)
        return 1;
    CKetrelRect f;
    m_image->GetFrameRect(0, &f);
    if (f.Width() <= 0 || f.Height() <= 0)
        return 1;
    const i32 n = (m_image->GetWidth() / f.Width()) * (m_image->GetHeight() / f.Height());
    return n > 0 ? n : 1;
}

i32 CImageWidget::GetFrame() const
{
    if (!(m_frameDuration > 0.0f))
        return 0;
    const i32 n = GetFrameCount();
    const i32 f = widgetmath::ClampTrunc(m_animClock / m_frameDuration);
    return f > 0 ? f % n : 0;
}

i32 CImageWidget::SetFrame(i32 frame)
{
    if (frame < 0)
        frame = 0;
    const i32 n = GetFrameCount();
    m_animClock = m_frameDuration * (f32)(frame % n);
    return frame / n;
}

void CImageWidget::SetSourceRect(const CKetrelRect& rect)
{
    CKetrelFramePacer::NoteScreenActivity();
    m_sourceRect = rect;
    m_useSourceRect = 1;
}

bool CImageWidget::GetSourceRect(CKetrelRect* out) const
{
    if (m_useSourceRect)
    {
        *out = m_sourceRect;
        return true;
    }
    if (!m_image)
        return false;
    m_image->GetFrameRect(GetFrame(), out);
    return true;
}

int CImageWidget::UpdateSelf(f32 dt)
{
    if (m_frameDuration > 0.0f && !(m_flags & IMAGE_SKIP_ANIMATION))
    {
        if (GetFrameCount() > 1)
            CKetrelFramePacer::NoteScreenActivity();
        m_animClock += dt;
        const f32 total = m_frameDuration * (f32)GetFrameCount();
        if (m_animClock > total)
        {
            m_animClock -= total;
            // A long stall restarts the cycle rather than looping through it.
            if (m_animClock > total)
                m_animClock = 0.0f;
        }
    }
    if (m_fadeTime > 0.0f && (m_flags & IMAGE_FADING))
    {
        CKetrelFramePacer::NoteScreenActivity();
        if (!m_fadeCurve)
            m_fadeCurve = new CEasingCurveLinear();
        m_fadeTime -= dt;
        if (m_fadeTime > 0.0f)
        {
            f32 a = floorf(0.5f + (1.0f - m_fadeCurve->Evaluate(m_fadeTime)) * 255.0f);
            const u32 alpha = a <= 0.0f ? 0u : (a >= 255.0f ? 255u : (u32)a);
            SetOverlayColor((GetOverlayColor() & 0x00FFFFFFu) | (alpha << 24));
        }
        else
        {
            m_flags &= ~(u32)IMAGE_FADING;
            SetOverlayColor(0xFFFFFFFFu);
        }
    }
    return KE_OK;
}

int CImageWidget::BlitByBlendColor(IKetrelGraphicsContext* gc, const CKetrelRect& dest,
                                   CKetrelSurface* image, const CKetrelRect* src) const
{
    const u32 blend = GetBlendColor();
    if (blend == 0xFFFFFFFFu)
        return gc->StretchBlit(&dest, image, src, KE_BLT_ALPHA);
    if (blend >> 24)
        return gc->StretchBlitTinted(&dest, image, src, blend, KE_BLT_ALPHA);
    return KE_OK;
}

int CImageWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!gc || !m_image || m_image->GetWidth() <= 0 || m_image->GetHeight() <= 0)
        return KE_OK;
    CKetrelRect src;
    const bool hasSrc = GetSourceRect(&src);
    const CKetrelRect* srcp = hasSrc ? &src : nullptr;

    if ((m_flags & IMAGE_SKIP_CLIPPED_DRAW) &&
        (area.left < 0 || area.top < 0 || area.right > gc->GetWidth() ||
         area.bottom > gc->GetHeight()))
        return KE_OK;

    CKetrelRect saved;
    gc->GetClipRect(&saved);
    CKetrelRect clip = widgetmath::Intersect(saved, area);
    gc->SetClipRect((m_flags & IMAGE_NO_CLIP) ? nullptr : &clip);

    int r = KE_OK;
    if (m_flags == 0)
        r = gc->Blit(area.left, area.top, m_image, srcp, KE_BLT_ALPHA);
    else if (!(m_flags & IMAGE_STRETCH))
        r = KE_OK;
    else if (m_flags & IMAGE_KEEP_ASPECT)
    {
        CKetrelRect fitted = area;
        const i32 fw = hasSrc ? src.Width() : m_image->GetWidth();
        const i32 fh = hasSrc ? src.Height() : m_image->GetHeight();
        if (fh > 0 && FitRectToAspect(fitted, (f32)fw / (f32)fh, 0.5f))
            r = gc->StretchBlit(&fitted, m_image, srcp, KE_BLT_ALPHA);
    }
    else if (m_flags & IMAGE_FADING)
        r = gc->StretchBlitTinted(&area, m_image, srcp, GetOverlayColor(),
                                  KE_BLT_ALPHA | kTintProgramFlag);
    else
        r = BlitByBlendColor(gc, area, m_image, srcp);

    gc->SetClipRect(&saved);
    return r;
}

void CImageWidget::StartFade()
{
    m_fadeTime = kFadeSeconds;
    m_flags |= IMAGE_FADING;
}

void CImageWidget::StopFade()
{
    m_fadeTime = 0.0f;
    m_flags &= ~(u32)IMAGE_FADING;
    SetOverlayColor(0xFFFFFFFFu);
}

namespace
{
void FadeVisibleBelow(CWidget* w)
{
    for (i32 i = 0; i < w->GetChildCount(); ++i)
    {
        CWidget* c = w->GetChild(i);
        if (!c->IsVisible())
            continue;
        if (CImageWidget* img = CImageWidget::Cast(c))
            img->FadeIn();   // fades c and its own visible descendants
        else
            FadeVisibleBelow(c);
    }
}

void CancelBelow(CWidget* w)
{
    for (i32 i = 0; i < w->GetChildCount(); ++i)
    {
        CWidget* c = w->GetChild(i);
        if (CImageWidget* img = CImageWidget::Cast(c))
            img->CancelFadeIn();
        else
            CancelBelow(c);
    }
}
}  // namespace

void CImageWidget::FadeIn()
{
    if (!IsVisible())
        return;
    StartFade();
    FadeVisibleBelow(this);
}

void CImageWidget::FadeInBelow(CWidget* w)
{
    if (w)
        FadeVisibleBelow(w);
}

void CImageWidget::CancelFadeIn()
{
    StopFade();
    CancelBelow(this);
}

void CImageWidget::OnVisibilityChanged(bool visible)
{
    if (!visible)
        CancelFadeIn();
    CWidget::OnVisibilityChanged(visible);
}

void CImageWidget::CopyFrom(const CWidget* source)
{
    CWidget::CopyFrom(source);
    const CImageWidget* o = CImageWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_useSourceRect = o->m_useSourceRect;
    m_sourceRect = o->m_sourceRect;
    ShareSurface(GetResourceManager(), &m_image, o->m_image);
    m_frameDuration = o->m_frameDuration;
    SetFrame(o->GetFrame());
    m_flags = o->m_flags;
}
