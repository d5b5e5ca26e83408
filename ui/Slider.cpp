// ui/Slider.cpp
#include "ui/Slider.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "ui/ImageWidget.h"
#include "ui/WidgetMath.h"

CSlider::CSlider()
    : m_minValue(0.0f), m_maxValue(1.0f), m_fraction(0.5f), m_pressFraction(0.5f),
      m_orientation(HORIZONTAL), m_onValueChanged{}, m_knob(nullptr), m_templatePending(1)
{
}

CSlider::~CSlider() { CWidget::Destroy(m_knob); }

int CSlider::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    CWidget::Destroy(m_knob);
    m_knob = nullptr;
    m_templatePending = 1;
    return KE_OK;
}

void CSlider::Close()
{
    CWidget::Close();
    CWidget::Destroy(m_knob);
    m_knob = nullptr;
}

CWidget* CSlider::CreateInstance() const { return new CSlider(); }

f32 CSlider::GetValue() const { return m_minValue + (m_maxValue - m_minValue) * m_fraction; }

void CSlider::SetValue(f32 value)
{
    const f32 lo = m_minValue < m_maxValue ? m_minValue : m_maxValue;
    const f32 hi = m_minValue < m_maxValue ? m_maxValue : m_minValue;
    if (!(value >= lo))
        value = lo;   // also NaN
    if (value > hi)
        value = hi;
    const f32 f = m_maxValue == m_minValue ? 0.0f : (value - m_minValue) / (m_maxValue - m_minValue);
    if (f == m_fraction)
        return;
    CKetrelFramePacer::NoteScreenActivity();
    m_fraction = f;
    FireCallback(m_onValueChanged, this);
    m_pressFraction = m_fraction;
}

void CSlider::SetMinValue(f32 value)
{
    const f32 previous = m_minValue;
    m_minValue = value;
    if (value < previous)
        SetValue(value);
}

void CSlider::SetMaxValue(f32 value)
{
    const f32 previous = m_maxValue;
    m_maxValue = value;
    if (value > previous)
        SetValue(value);
}

void CSlider::TrackPointer(i32 x, i32 y)
{
    const bool vertical = m_orientation == VERTICAL;
    if (m_orientation != HORIZONTAL && !vertical)
    {
        m_fraction = 0.0f;
        return;
    }
    const i32 k = m_knob ? (vertical ? m_knob->GetHeight() : m_knob->GetWidth()) : 0;
    const i32 track = (vertical ? GetHeight() : GetWidth()) - k;
    if (track <= 0)
    {
        m_fraction = 0.0f;
        return;
    }
    f32 f = (f32)((vertical ? y : x) - k / 2) / (f32)track;
    m_fraction = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
}

bool CSlider::OnPointerDown(i32, i32 x, i32 y)
{
    m_pressFraction = m_fraction;
    TrackPointer(x, y);
    SetCapture(this);
    return true;
}

bool CSlider::OnPointerMove(i32, i32 x, i32 y)
{
    if (GetCapture() != this)
        return false;
    TrackPointer(x, y);
    return true;
}

bool CSlider::OnPointerUp(i32, i32 x, i32 y)
{
    if (GetCapture() != this)
        return false;
    CWidgetWalkGuard guard;   // the callback may destroy this slider
    SetCapture(nullptr);
    TrackPointer(x, y);
    const f32 f = m_fraction;
    m_fraction = m_pressFraction;
    SetValue(m_minValue + (m_maxValue - m_minValue) * f);
    if (CImageWidget* knob = CImageWidget::Cast(m_knob))
        knob->FadeIn();
    return true;
}

void CSlider::ReleaseCapture()
{
    if (GetCapture() == this)
        m_fraction = m_pressFraction;
    CWidget::ReleaseCapture();
}

int CSlider::UpdateSelf(f32 dt)
{
    if (m_templatePending)
    {
        m_templatePending = 0;
        CWidget::Destroy(m_knob);
        m_knob = TakeTemplate(CKetrelString("knob_template"));
    }
    if (m_knob)
        return m_knob->Update(dt);
    return KE_OK;
}

int CSlider::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    int r = CWidget::DrawSelf(gc, area);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    if (!m_knob)
        return KE_OK;
    CKetrelRect kr = m_knob->GetRect();
    if (m_orientation == VERTICAL)
        kr.Offset(0, widgetmath::RoundHalfUp((f32)(GetHeight() - m_knob->GetHeight()) * m_fraction));
    else
        kr.Offset(widgetmath::RoundHalfUp((f32)(GetWidth() - m_knob->GetWidth()) * m_fraction), 0);
    kr.Offset(area.left, area.top);
    CKetrelRect saved;
    if (gc)
    {
        gc->GetClipRect(&saved);
        CKetrelRect clip = widgetmath::Intersect(saved, area);
        gc->SetClipRect(&clip);
    }
    r = m_knob->Draw(gc, kr);
    if (gc)
        gc->SetClipRect(&saved);
    return r;
}

void CSlider::CopyFrom(const CWidget* source)
{
    CWidget::CopyFrom(source);
    const CSlider* o = CSlider::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_onValueChanged = o->m_onValueChanged;
    m_minValue = o->m_minValue;
    m_maxValue = o->m_maxValue;
    m_orientation = o->m_orientation;
    m_fraction = o->m_fraction;
    m_pressFraction = o->m_pressFraction;
    CWidget::Destroy(m_knob);
    m_knob = o->m_knob ? o->m_knob->Clone() : nullptr;
    m_templatePending = o->m_templatePending;
}
