// ui/RotatingImageWidget.cpp
#include "ui/RotatingImageWidget.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/WidgetMath.h"

#include <cmath>

namespace
{
// Within +-2pi however far the angle went (NaN and infinities give 0).
f32 Wrap(f32 a)
{
    if (!std::isfinite(a))
        return 0.0f;
    if (a > CRotatingImageWidget::kFullTurn || a < -CRotatingImageWidget::kFullTurn)
        a = fmodf(a, CRotatingImageWidget::kFullTurn);
    return a;
}
}  // namespace

CRotatingImageWidget::CRotatingImageWidget()
    : m_speed(3.1415927f), m_angle(0.0f), m_stepAngle(0.0f)
{
    m_flags |= IMAGE_NO_CLIP;
}

CWidget* CRotatingImageWidget::CreateInstance() const { return new CRotatingImageWidget(); }

void CRotatingImageWidget::SetAngle(f32 radians)
{
    CKetrelFramePacer::NoteScreenActivity();
    m_angle = Wrap(radians);
}

i32 CRotatingImageWidget::GetSteps() const
{
    return m_stepAngle > 0.0f ? widgetmath::ClampTrunc(kFullTurn / m_stepAngle) : 0;
}

f32 CRotatingImageWidget::GetDrawnAngle() const
{
    if (m_stepAngle > 0.0f)
        return m_stepAngle * truncf(m_angle / m_stepAngle);
    return m_angle;
}

int CRotatingImageWidget::UpdateSelf(f32 dt)
{
    if (m_speed != 0.0f)
        CKetrelFramePacer::NoteScreenActivity();
    m_angle = Wrap(m_angle - dt * m_speed);
    return KE_OK;
}

int CRotatingImageWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    CKetrelSurface* image = GetImage();
    if (!gc || !image || image->GetWidth() <= 0 || image->GetHeight() <= 0)
        return KE_OK;
    CKetrelRect src;
    const bool hasSrc = GetSourceRect(&src);
    CKetrelRect saved;
    gc->GetClipRect(&saved);
    CKetrelRect clip = widgetmath::Intersect(saved, area);
    gc->SetClipRect((m_flags & IMAGE_NO_CLIP) ? nullptr : &clip);
    const f32 angle = GetDrawnAngle();
    const u32 blend = GetBlendColor();
    int r = KE_OK;
    const i32 size = area.Width() < area.Height() ? area.Width() : area.Height();
    if (blend == 0xFFFFFFFFu)
        r = gc->BlitRotated(area.left, area.top, image, angle, size, KE_BLT_ALPHA);
    else if (CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(gc))
        r = gl->BlitRotatedTinted(&area, image, hasSrc ? &src : nullptr, angle, blend, KE_BLT_ALPHA);
    else if (blend >> 24)
        r = gc->BlitRotated(area.left, area.top, image, angle, size, KE_BLT_ALPHA);
    gc->SetClipRect(&saved);
    return r;
}

void CRotatingImageWidget::CopyFrom(const CWidget* source)
{
    CImageWidget::CopyFrom(source);
    const CRotatingImageWidget* o = CRotatingImageWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_speed = o->m_speed;
    m_angle = o->m_angle;
    m_stepAngle = o->m_stepAngle;
}
