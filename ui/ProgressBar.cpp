// ui/ProgressBar.cpp
#include "ui/ProgressBar.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/WidgetMath.h"

namespace
{
f32 Unit(f32 v) { return !(v > 0.0f) ? 0.0f : (v >= 1.0f ? 1.0f : v); }
}  // namespace

CProgressBar::CProgressBar()
    : m_progressImage(nullptr), m_lowImage(nullptr), m_progress(0.0f), m_lowLimit(0.0f), m_side(0)
{
}

CProgressBar::~CProgressBar()
{
    ReleaseSurface(GetResourceManager(), &m_progressImage);
    ReleaseSurface(GetResourceManager(), &m_lowImage);
}

void CProgressBar::Close()
{
    IUIResourceManager* res = GetResourceManager();
    CImageWidget::Close();
    ReleaseSurface(res, &m_progressImage);
    ReleaseSurface(res, &m_lowImage);
}

CWidget* CProgressBar::CreateInstance() const { return new CProgressBar(); }

void CProgressBar::SetProgress(f32 progress)
{
    if (Unit(progress) != m_progress)
        CKetrelFramePacer::NoteScreenActivity();
    m_progress = Unit(progress);
}
void CProgressBar::SetLowLimit(f32 limit) { m_lowLimit = Unit(limit); }

void CProgressBar::SetProgressImage(CKetrelSurface* image)
{
    ExchangeSurface(GetResourceManager(), &m_progressImage, image);
}

void CProgressBar::SetLowImage(CKetrelSurface* image)
{
    ExchangeSurface(GetResourceManager(), &m_lowImage, image);
}

bool CProgressBar::GetFillRects(const CKetrelRect& area, i32 iw, i32 ih, CKetrelRect* dest,
                                CKetrelRect* src) const
{
    if (!(m_progress > 0.0f))
        return false;
    const f32 p = m_progress;
    const i32 w = area.Width(), h = area.Height();
    *dest = area;
    switch (m_side)
    {
    case 0:
        dest->right = area.left + widgetmath::RoundHalfUp((f32)w * p);
        src->Set(0, 0, widgetmath::RoundHalfUp((f32)iw * p), ih);
        break;
    case 1:
        dest->bottom = area.top + widgetmath::RoundHalfUp((f32)h * p);
        src->Set(0, 0, iw, widgetmath::RoundHalfUp((f32)ih * p));
        break;
    case 2:
        dest->left = area.right - widgetmath::RoundHalfUp((f32)w * p);
        src->Set(iw - widgetmath::RoundHalfUp((f32)iw * p), 0, iw, ih);
        break;
    default:
        dest->top = area.bottom - widgetmath::RoundHalfUp((f32)h * p);
        src->Set(0, ih - widgetmath::RoundHalfUp((f32)ih * p), iw, ih);
        break;
    }
    return true;
}

int CProgressBar::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    int r = CImageWidget::DrawSelf(gc, area);
    if (r != KE_OK || !gc || !(m_progress > 0.0f))
        return r;
    CKetrelSurface* image = m_progressImage;
    if (m_lowImage && m_progress < m_lowLimit)
        image = m_lowImage;
    if (!image || image->GetWidth() <= 0 || image->GetHeight() <= 0)
        return r;
    CKetrelRect dest, src;
    if (!GetFillRects(area, image->GetWidth(), image->GetHeight(), &dest, &src))
        return r;
    return BlitByBlendColor(gc, dest, image, &src);
}
