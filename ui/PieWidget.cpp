// ui/PieWidget.cpp
#include "ui/PieWidget.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "ui/WidgetMath.h"

#include <GLES2/gl2.h>
#include <cmath>

CPieWidget::CPieWidget()
    : m_color(0xFF00FF00u), m_angle(kFullTurn), m_segments(12), m_vertices(nullptr)
{
    SetSegments(12);
}

CPieWidget::~CPieWidget() { delete[] m_vertices; }

int CPieWidget::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CWidget::Init(app, resources, rect);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

void CPieWidget::Close()
{
    delete[] m_vertices;
    m_vertices = nullptr;
    CWidget::Close();
}

CWidget* CPieWidget::CreateInstance() const { return new CPieWidget(); }

void CPieWidget::SetSegments(i32 n)
{
    m_segments = n < MinSegments ? MinSegments : (n > MaxSegments ? MaxSegments : n);
    delete[] m_vertices;
    m_vertices = new f32[(size_t)(m_segments + 1) * 7]();
}

void CPieWidget::SetAngle(f32 radians)
{
    if (!(radians > 0.0f))
        radians = 0.0f;
    if (radians > kFullTurn)
        radians = kFullTurn;
    if (radians != m_angle)
        CKetrelFramePacer::NoteScreenActivity();
    m_angle = radians;
}

void CPieWidget::CopyFrom(const CWidget* source)
{
    CWidget::CopyFrom(source);
    const CPieWidget* o = CPieWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_color = o->m_color;
    m_angle = o->m_angle;
    SetSegments(o->m_segments);
}

const f32* CPieWidget::BuildVertices(f32 left, f32 top, f32 right, f32 bottom)
{
    if (!m_vertices)
        SetSegments(m_segments);
    const f32 rx = (right - left) * 0.5f, ry = (top - bottom) * 0.5f;
    const f32 cx = left + rx, cy = bottom + ry;
    const f32 r = (f32)((m_color >> 16) & 0xFF) / 255.0f;
    const f32 g = (f32)((m_color >> 8) & 0xFF) / 255.0f;
    const f32 b = (f32)(m_color & 0xFF) / 255.0f;
    const f32 a = (f32)(m_color >> 24) / 255.0f;
    auto put = [&](i32 i, f32 x, f32 y) {
        f32* v = m_vertices + i * 7;
        v[0] = x; v[1] = y; v[2] = 0.0f;
        v[3] = r; v[4] = g; v[5] = b; v[6] = a;
    };
    put(0, cx, cy);
    const f32 step = kFullTurn / (f32)(m_segments - 1);
    for (i32 k = 1; k <= m_segments; ++k)
    {
        f32 angle = (f32)(k - 1) * step;
        if (angle > m_angle)
            angle = m_angle;
        put(k, cx - rx * sinf(angle), cy + ry * cosf(angle));
    }
    return m_vertices;
}

int CPieWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(gc);
    if (!gl || !gl->GetColorProgram() || area.Width() <= 0 || area.Height() <= 0)
        return KE_OK;
    CKetrelRect saved;
    gc->GetClipRect(&saved);
    CKetrelRect clip = widgetmath::Intersect(saved, area);
    gc->SetClipRect(&clip);
    const f32 l = 2.0f * gc->PixelToRelativeX(area.left) - 1.0f;
    const f32 r = 2.0f * gc->PixelToRelativeX(area.right) - 1.0f;
    const f32 t = 1.0f - 2.0f * gc->PixelToRelativeY(area.top);
    const f32 b = 1.0f - 2.0f * gc->PixelToRelativeY(area.bottom);
    const f32* vertices = BuildVertices(l, t, r, b);
    glDisable(GL_BLEND);
    gl->BindTexture(0, 0);
    gl->UseProgram(gl->GetColorProgram(), vertices);
    glDrawArrays(GL_TRIANGLE_FAN, 0, m_segments + 1);
    gc->SetClipRect(&saved);
    return KE_OK;
}
