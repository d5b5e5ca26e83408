// ui/SlideArea.cpp
#include "ui/SlideArea.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "ui/EasingCurve.h"
#include "ui/ImageWidget.h"
#include "ui/WidgetMath.h"

#include <cmath>
#include <new>

namespace
{
// Pointer identity only: w may already have been deleted, so it is never read.
bool SubtreeHolds(const CWidget* root, const CWidget* w)
{
    if (root == w)
        return true;
    for (i32 i = 0; i < root->GetChildCount(); ++i)
        if (SubtreeHolds(root->GetChild(i), w))
            return true;
    return false;
}

i32 Nearest(f32 v) { return widgetmath::RoundHalfUp(v); }

f32 ClampUnit(f32 t) { return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t); }

const char* const kArrowTemplates[4] = {"arrow_left_template", "arrow_top_template",
                                        "arrow_right_template", "arrow_bottom_template"};
}  // namespace

CSlideArea::CSlideArea()
    : m_scrollX(0), m_scrollY(0), m_dragStartX(0), m_dragStartY(0), m_dragTime(0.0f),
      m_flingTime(0.0f), m_flingDuration(1.0f), m_onBeginScroll{}, m_onEndScroll{},
      m_tracked(nullptr), m_curve(nullptr), m_arrows{}, m_scrollbars{},
      m_areaFlags(AREA_BUILD_DECORATIONS), m_decorationTimer(0.0f), m_decorationCurve(nullptr)
{
}

CSlideArea::~CSlideArea()
{
    for (CWidget*& a : m_arrows)
    {
        CWidget::Destroy(a);
        a = nullptr;
    }
    for (CImageWidget*& s : m_scrollbars)
    {
        CWidget::Destroy(s);
        s = nullptr;
    }
    delete m_curve;
    delete m_decorationCurve;
}

int CSlideArea::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CLayout::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_contentRect.Set(0, 0, 0, 0);
    m_areaFlags = AREA_BUILD_DECORATIONS;
    m_flingDuration = 1.0f;
    m_scrollX = m_scrollY = 0;
    m_frac.Set(0.0f, 0.0f);
    m_fling.Set(0.0f, 0.0f);
    m_threshold.Set(0.0f, 0.0f);
    m_flingTime = 0.0f;
    m_dragTime = 0.0f;
    SetInterceptInput(true);
    m_tracked = nullptr;
    for (CWidget*& a : m_arrows)
    {
        CWidget::Destroy(a);
        a = nullptr;
    }
    for (CImageWidget*& s : m_scrollbars)
    {
        CWidget::Destroy(s);
        s = nullptr;
    }
    m_decorationTimer = 0.0f;
    delete m_curve;
    m_curve = new CEasingCurveOneMinusPow5();
    delete m_decorationCurve;
    m_decorationCurve = new CEasingCurveOneMinusPow8();
    return KE_OK;
}

void CSlideArea::Close()
{
    for (CWidget*& a : m_arrows)
    {
        CWidget::Destroy(a);
        a = nullptr;
    }
    for (CImageWidget*& s : m_scrollbars)
    {
        CWidget::Destroy(s);
        s = nullptr;
    }
    delete m_curve;
    m_curve = nullptr;
    delete m_decorationCurve;
    m_decorationCurve = nullptr;
    m_tracked = nullptr;
    CLayout::Close();
}

CWidget* CSlideArea::CreateInstance() const { return new CSlideArea(); }

// ---- scroll position ----

i32 CSlideArea::ClampScrollX(i32) const { return 0; }

i32 CSlideArea::ClampScrollY(i32 y) const
{
    i32 m = m_contentRect.Height() - GetHeight();
    if (m < 0)
        m = 0;
    i64 v = (i64)y - m_contentRect.top;
    if (v < 0)
        v = 0;
    return v > m ? m : (i32)v;
}

void CSlideArea::ScrollBy(i32 dx, i32 dy)
{
    if (dx || dy)
        CKetrelFramePacer::NoteScreenActivity();
    m_scrollX = ClampScrollX((i32)widgetmath::ClampTrunc((f32)m_scrollX + (f32)dx));
    m_scrollY = ClampScrollY((i32)widgetmath::ClampTrunc((f32)m_scrollY + (f32)dy));
}

void CSlideArea::StopFling()
{
    const f32 e = m_curve ? m_curve->Evaluate(ClampUnit(m_flingTime / m_flingDuration)) : 1.0f;
    m_frac.Set(0.0f, e * m_fling.y);
    ScrollBy(0, Nearest(e * m_fling.y));
    m_fling.Set(0.0f, 0.0f);
    m_frac.Set(0.0f, 0.0f);
    m_flingTime = 0.0f;
    m_flingDuration = 1.0f;
}

void CSlideArea::ScrollTo(i32 x, i32 y, f32 seconds)
{
    if (!(seconds > 0.0f))
    {
        ScrollBy(x - m_scrollX, y - m_scrollY);
        return;
    }
    // A scroll already running restarts from the position it shows now, so that the
    // curve always runs once over the new duration.
    if (m_flingTime > 0.0f)
    {
        const f32 e = m_curve ? m_curve->Evaluate(ClampUnit(m_flingTime / m_flingDuration)) : 1.0f;
        ScrollBy(Nearest(e * m_fling.x), Nearest(e * m_fling.y));
        m_frac.Set(0.0f, 0.0f);
    }
    m_flingDuration = seconds;
    m_fling.Set((f32)x - (f32)m_scrollX, (f32)y - (f32)m_scrollY);
    m_flingTime = seconds;
}

i32 CSlideArea::GetScrollX() const { return Nearest(m_frac.x) + m_scrollX; }
i32 CSlideArea::GetScrollY() const { return Nearest(m_frac.y) + m_scrollY; }

void CSlideArea::SetScrollY(i32 y)
{
    CKetrelFramePacer::NoteScreenActivity();
    m_scrollY = y - Nearest(m_frac.y);
}

i32 CSlideArea::GetDrawnScrollX() const { return ClampScrollX(Nearest((f32)m_scrollX + m_frac.x)); }
i32 CSlideArea::GetDrawnScrollY() const { return ClampScrollY(Nearest((f32)m_scrollY + m_frac.y)); }

void CSlideArea::GetVisibleRect(CKetrelRect* out) const
{
    const i32 x = GetScrollX(), y = GetScrollY();
    out->Set(x, y, x + GetWidth(), y + GetHeight());
}

CKetrelRect CSlideArea::GetLocalRect() const { return m_contentRect; }

void CSlideArea::ParentToLocal(i32* x, i32* y) const
{
    CLayout::ParentToLocal(x, y);
    *x += GetDrawnScrollX();
    *y += GetDrawnScrollY();
}

void CSlideArea::LocalToParent(i32* x, i32* y) const
{
    *x -= GetDrawnScrollX();
    *y -= GetDrawnScrollY();
    CLayout::LocalToParent(x, y);
}

void CSlideArea::DoLayout()
{
    CKetrelRect c(0, 0, GetWidth(), GetHeight());
    for (i32 i = 0; i < GetChildCount(); ++i)
    {
        const CKetrelRect& r = GetChild(i)->GetRect();
        if (r.left < c.left)
            c.left = r.left;
        if (r.top < c.top)
            c.top = r.top;
        if (r.right > c.right)
            c.right = r.right;
        if (r.bottom > c.bottom)
            c.bottom = r.bottom;
    }
    m_contentRect = c;
}

// ---- callbacks and switches ----

void CSlideArea::BeginScroll()
{
    m_areaFlags |= AREA_SCROLLING;
    FireCallback(m_onBeginScroll, this);
}

void CSlideArea::EndScroll()
{
    m_areaFlags &= ~AREA_SCROLLING;
    FireCallback(m_onEndScroll, this);
}

void CSlideArea::SetScrollEnabled(bool enabled)
{
    if (enabled)
        m_areaFlags |= AREA_SCROLL_ENABLED;
    else
        m_areaFlags &= ~AREA_SCROLL_ENABLED;
    SetInterceptInput(enabled);
    SetTransparent(!enabled);
}

// ---- hit testing ----

CWidget* CSlideArea::GetChildAt(i32 x, i32 y)
{
    if (!IsVisible() || !IsEnabled())
        return nullptr;
    // Arrows do not scroll: they are hit in the area's frame.
    const i32 fx = x - GetDrawnScrollX(), fy = y - GetDrawnScrollY();
    for (CWidget* a : m_arrows)
    {
        if (!a || !a->IsEnabled() || !a->IsVisible())
            continue;
        const CKetrelRect& r = a->GetRect();
        if (fx < r.left || fx > r.right || fy < r.top || fy > r.bottom)
            continue;
        CWidget* deep = a->GetChildAt(fx - r.left, fy - r.top);
        return deep ? deep : a;
    }
    return CLayout::GetChildAt(x, y);
}

// ---- pointer ----

namespace
{
// The point (in the area's content coordinates) in w's coordinates; w may lie inside
// one of the area's arrows, which have no parent.
void MapIntoTracked(const CSlideArea* area, CWidget* const* arrows, CWidget* w, i32* x, i32* y)
{
    CWidget* top = w->GetTopmost();
    for (i32 i = 0; i < 4; ++i)
    {
        if (arrows[i] && top == arrows[i])
        {
            *x -= area->GetDrawnScrollX() + top->GetRect().left;
            *y -= area->GetDrawnScrollY() + top->GetRect().top;
            if (w != top)
                w->MapPoint(top, x, y);
            return;
        }
    }
    w->MapPoint(area, x, y);
}
}  // namespace

void CSlideArea::ForgetTracked()
{
    // The tracked widget may have left the tree (and been deleted) meanwhile.
    if (m_tracked && !SubtreeHolds(this, m_tracked))
    {
        bool inArrow = false;
        for (CWidget* a : m_arrows)
            if (a && SubtreeHolds(a, m_tracked))
                inArrow = true;
        if (!inArrow)
            m_tracked = nullptr;
    }
}

namespace
{
// Cancels w's press without taking the capture from whoever holds it.
void CancelKeepingCapture(CWidget* w, CWidget* holder)
{
    CWidget::SetCapture(w);
    w->CancelPointer();
    CWidget::SetCapture(holder);
}
}  // namespace

bool CSlideArea::OnPointerDown(i32 button, i32 x, i32 y)
{
    CWidgetWalkGuard guard;
    ForgetTracked();
    if (!IsScrollEnabled())
    {
        m_tracked = GetChildAt(x, y);
        if (!m_tracked)
            return CLayout::OnPointerDown(button, x, y);
        i32 cx = x, cy = y;
        MapIntoTracked(this, m_arrows, m_tracked, &cx, &cy);
        m_tracked->EnterFromCapture();
        return m_tracked->DispatchPointerDown(button, cx, cy);
    }
    StopFling();
    EndScroll();
    i32 px = x, py = y;
    LocalToParent(&px, &py);
    m_dragStartX = px;
    m_dragStartY = py;
    m_areaFlags &= ~AREA_DRAGGING;
    m_frac.Set(0.0f, 0.0f);
    m_dragTime = 0.0f;
    BeginScroll();
    bool result = true;
    CWidget* child = GetChildAt(x, y);
    m_tracked = child;
    if (child)
    {
        i32 cx = x, cy = y;
        MapIntoTracked(this, m_arrows, child, &cx, &cy);
        result = child->DispatchPointerDown(button, cx, cy);
    }
    else
        ShowDecorations();
    SetCapture(this);
    return result;
}

bool CSlideArea::OnPointerMove(i32 button, i32 x, i32 y)
{
    CWidgetWalkGuard guard;
    ForgetTracked();
    if (IsScrollEnabled())
    {
        if (GetCapture() != this)
            return false;
        i32 px = x, py = y;
        LocalToParent(&px, &py);
        m_frac.Set(0.0f, (f32)Nearest((f32)m_dragStartY - (f32)py));
        if (!IsDragging())
        {
            if (m_frac.LengthSquared() <= m_threshold.LengthSquared())
                m_frac.Set(0.0f, 0.0f);
            else if (m_frac.LengthSquared() > 0.0f)
                m_areaFlags |= AREA_DRAGGING;
        }
        ShowDecorations();
        if (IsDragging())
        {
            CLayout::OnPointerMove(button, px, py);
            return true;
        }
    }
    if (m_tracked)
    {
        CWidget* under = GetChildAt(x, y);
        CWidget* holder = GetCapture();
        if (under == m_tracked)
        {
            i32 cx = x, cy = y;
            MapIntoTracked(this, m_arrows, m_tracked, &cx, &cy);
            SetCapture(m_tracked);
            m_tracked->DispatchPointerMove(button, cx, cy);
            SetCapture(holder);
        }
        else
        {
            CancelKeepingCapture(m_tracked, holder);
            m_tracked = nullptr;
        }
    }
    return true;
}

bool CSlideArea::OnPointerUp(i32 button, i32 x, i32 y)
{
    CWidgetWalkGuard guard;
    ForgetTracked();
    if (!IsScrollEnabled())
    {
        if (m_tracked)
        {
            CWidget* t = m_tracked;
            m_tracked = nullptr;
            i32 cx = x, cy = y;
            MapIntoTracked(this, m_arrows, t, &cx, &cy);
            SetCapture(t);
            t->DispatchPointerUp(button, cx, cy);
        }
        return true;
    }
    if (GetCapture() != this)
        return false;
    SetCapture(nullptr);
    i32 px = x, py = y;
    LocalToParent(&px, &py);
    m_frac.Set(0.0f, (f32)Nearest((f32)m_dragStartY - (f32)py));
    if (m_frac.LengthSquared() > m_threshold.LengthSquared())
    {
        if (m_tracked)
        {
            CancelKeepingCapture(m_tracked, nullptr);
            m_tracked = nullptr;
        }
        ScrollBy(Nearest(m_frac.x), Nearest(m_frac.y));
        // The whole flick may have arrived between two frames.
        const f32 t = m_dragTime > kMinDragSeconds ? m_dragTime : kMinDragSeconds;
        CKetrelVector2 v(m_frac.x / t, m_frac.y / t);
        if (v.LengthSquared() > 100.0f && m_dragTime <= 1.0f)
        {
            m_fling.Set(0.2f * v.x, 0.2f * v.y);
            m_flingTime = 1.0f;
            m_flingDuration = 1.0f;
        }
        else
        {
            m_fling.Set(0.0f, 0.0f);
            m_flingTime = 0.0f;
            m_flingDuration = 1.0f;
            m_frac.Set(0.0f, 0.0f);
            EndScroll();
        }
    }
    else if (m_tracked)
    {
        CWidget* t = m_tracked;
        m_tracked = nullptr;
        if (IsDragging())
        {
            CancelKeepingCapture(t, nullptr);
            ScrollBy(Nearest(m_frac.x), Nearest(m_frac.y));
        }
        else
        {
            i32 cx = x, cy = y;
            MapIntoTracked(this, m_arrows, t, &cx, &cy);
            SetCapture(t);
            t->EnterFromCapture();
            t->DispatchPointerUp(button, cx, cy);
            if (GetCapture() == t)
                SetCapture(nullptr);
        }
    }
    else
        ScrollBy(Nearest(m_frac.x), Nearest(m_frac.y));
    m_frac.Set(0.0f, 0.0f);
    return true;
}

void CSlideArea::ReleaseCapture()
{
    CWidgetWalkGuard guard;
    if (GetCapture() == this)
    {
        ForgetTracked();
        if (m_tracked)
        {
            CWidget* t = m_tracked;
            m_tracked = nullptr;
            CancelKeepingCapture(t, this);
        }
        SetCapture(nullptr);
        EndScroll();
    }
    CLayout::ReleaseCapture();
}

void CSlideArea::OnChildRemoved(CWidget* child)
{
    if (m_tracked && m_tracked == child)
        m_tracked = nullptr;
    CLayout::OnChildRemoved(child);
}

void CSlideArea::OnVisibilityChanged(bool visible)
{
    m_decorationTimer = visible ? kDecorationSeconds : 0.0f;
    CLayout::OnVisibilityChanged(visible);
}

// ---- update ----

int CSlideArea::Update(f32 dt)
{
    if (!IsVisible())
        return KE_OK;
    CWidgetWalkGuard guard;
    if (m_flingTime > 0.0f || GetCapture() == this)
        CKetrelFramePacer::NoteScreenActivity();   // scrolling
    if (GetCapture() != this && m_flingTime > 0.0f)
    {
        m_flingTime -= dt;
        const f32 e = m_curve ? m_curve->Evaluate(ClampUnit(m_flingTime / m_flingDuration)) : 1.0f;
        m_frac.Set(e * m_fling.x, e * m_fling.y);
        if (m_flingTime <= 0.0f)
        {
            ScrollBy(Nearest(m_frac.x), Nearest(m_frac.y));
            m_fling.Set(0.0f, 0.0f);
            m_frac.Set(0.0f, 0.0f);
            m_flingTime = 0.0f;
            m_flingDuration = 1.0f;
            EndScroll();
        }
    }
    if (GetCapture() == this)
        m_dragTime += dt;
    UpdateDecorations();
    for (CWidget* a : m_arrows)
        if (a && a->IsVisible())
            a->Update(dt);
    m_decorationTimer -= dt;
    if (m_decorationTimer < 0.0f)
        m_decorationTimer = 0.0f;
    for (CImageWidget* s : m_scrollbars)
        if (s)
            s->Update(dt);
    int r = CLayout::Update(dt);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

void CSlideArea::UpdateDecorations()
{
    if (m_areaFlags & AREA_BUILD_DECORATIONS)
    {
        // In the order the templates are looked up.
        const i32 order[4] = {ARROW_TOP, ARROW_BOTTOM, ARROW_LEFT, ARROW_RIGHT};
        for (i32 k = 0; k < 4; ++k)
        {
            const i32 side = order[k];
            CWidget* t = TakeTemplate(CKetrelString(kArrowTemplates[side]));
            if (t)
            {
                CWidget::Destroy(m_arrows[side]);
                m_arrows[side] = t;
            }
        }
        const char* const bars[2] = {"scrollbar_horizontal_template", "scrollbar_vertical_template"};
        for (i32 i = 0; i < 2; ++i)
        {
            CWidget* t = TakeTemplate(CKetrelString(bars[i]));
            if (!t)
                continue;
            CImageWidget* img = CImageWidget::Cast(t);
            if (!img)
            {
                CWidget::Destroy(t);
                continue;
            }
            CWidget::Destroy(m_scrollbars[i]);
            m_scrollbars[i] = img;
        }
        RecolourScrollbars();
        m_areaFlags &= ~AREA_BUILD_DECORATIONS;
    }
    const i32 sx = GetDrawnScrollX(), sy = GetDrawnScrollY();
    const bool show[4] = {sx > m_contentRect.left, sy > m_contentRect.top,
                          m_contentRect.right > GetWidth() + sx,
                          m_contentRect.bottom > GetHeight() + sy};
    for (i32 i = 0; i < 4; ++i)
        if (m_arrows[i])
            m_arrows[i]->SetVisible(show[i]);
    for (CImageWidget* s : m_scrollbars)
        if (s)
            s->SetVisible(true);
}

void CSlideArea::RecolourScrollbars()
{
    if (!m_scrollbars[0] && !m_scrollbars[1])
        return;
    IUIApplication* app = GetApplication();
    IUITheme* theme = app ? app->GetTheme() : nullptr;
    u32 colour = 0;
    if (!theme || !theme->FindColor(CKetrelString("scrollbar"), &colour))
        return;
    for (CImageWidget* bar : m_scrollbars)
    {
        CKetrelSurface* shared = bar ? bar->GetImage() : nullptr;
        if (!shared || shared->GetWidth() <= 0 || shared->GetHeight() <= 0)
            continue;
        // The image may be shared with other widgets: the colour goes into a copy of
        // our own, keeping the image's shape (its alpha).
        CKetrelSurface* tinted = new (std::nothrow) CKetrelSurface();
        if (!tinted)
            continue;
        CKetrelSurfaceDesc desc = {};
        desc.width = shared->GetWidth();
        desc.height = shared->GetHeight();
        desc.pixelFormat = KE_PF_ARGB8888;
        if (tinted->Create(shared->GetOwner(), &desc) != KE_OK)
        {
            delete tinted;
            continue;
        }
        const u32 r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
        for (i32 y = 0; y < desc.height; ++y)
            for (i32 x = 0; x < desc.width; ++x)
            {
                const u32 a = shared->GetPixel(x, y) >> 24;
                tinted->SetPixel(x, y, a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255));
            }
        CKetrelRect f;
        shared->GetFrameRect(0, &f);
        if (f.Width() > 0 && f.Height() > 0 &&
            (f.Width() != desc.width || f.Height() != desc.height))
            tinted->SetFrameSize(f.Width(), f.Height());
        if (shared->GetTextureName())
            tinted->CreateTextureAuto();
        bar->SetImage(tinted);   // unknown to the manager: the bar owns it
    }
}

// ---- drawing ----

u32 CSlideArea::GetScrollbarAlpha() const
{
    const f32 e = m_decorationCurve ? m_decorationCurve->Evaluate(1.0f - m_decorationTimer * 0.5f) : 0.0f;
    const i32 a = widgetmath::ClampTrunc(e * 255.0f);
    return a < 0 ? 0u : (a > 255 ? 255u : (u32)a);
}

i32 CSlideArea::GetScrollbarOffset(i32 destinationHeight) const
{
    const CImageWidget* bar = m_scrollbars[SCROLLBAR_VERTICAL];
    if (!bar)
        return 0;
    const i32 m = ClampScrollY(m_contentRect.bottom);
    if (m <= 0)
        return 0;
    const f32 t = (f32)destinationHeight - (f32)bar->GetHeight() - 2.0f * (f32)bar->GetRect().top;
    return widgetmath::RoundHalfUp(t * (f32)GetDrawnScrollY() / (f32)m);
}

int CSlideArea::DrawDecoration(IKetrelGraphicsContext* gc, CWidget* w, const CKetrelRect& area,
                               const CKetrelRect& clip, i32 dy)
{
    if (!w || !w->IsVisible())
        return KE_OK;
    CKetrelRect r = w->GetRect();
    r.Offset(area.left, area.top + dy);
    if (widgetmath::IsOutside(r, area))
        return KE_OK;
    if (gc)
    {
        CKetrelRect c = widgetmath::Intersect(r, clip);
        gc->SetClipRect(&c);
    }
    return w->Draw(gc, r);
}

int CSlideArea::Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!IsVisible())
        return KE_OK;
    CWidgetWalkGuard guard;
    int r = DrawSelf(gc, area);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    CKetrelRect saved(area);
    if (gc)
        gc->GetClipRect(&saved);
    const CKetrelRect clip = widgetmath::Intersect(saved, area);
    const i32 sx = GetDrawnScrollX(), sy = GetDrawnScrollY();
    for (i32 i = 0; i < GetChildCount() && r == KE_OK; ++i)
    {
        CWidget* c = GetChild(i);
        if (!c->IsVisible())
            continue;
        CKetrelRect cr = c->GetRect();
        cr.Offset(area.left - sx, area.top - sy);
        if (widgetmath::IsOutside(cr, area))
            continue;
        if (gc)
        {
            CKetrelRect cc = widgetmath::Intersect(cr, clip);
            gc->SetClipRect(&cc);
        }
        r = c->Draw(gc, cr);
    }
    for (i32 i = 0; i < 4 && r == KE_OK; ++i)
        r = DrawDecoration(gc, m_arrows[i], area, clip, 0);
    const u32 blend = GetScrollbarAlpha() << 24 | 0x00FFFFFFu;
    for (i32 i = 0; i < 2 && r == KE_OK; ++i)
    {
        CImageWidget* bar = m_scrollbars[i];
        if (!bar)
            continue;
        bar->SetBlendColor(blend);
        const i32 dy = i == SCROLLBAR_VERTICAL ? GetScrollbarOffset(area.Height()) : 0;
        r = DrawDecoration(gc, bar, area, clip, dy);
    }
    if (gc)
        gc->SetClipRect(&saved);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

void CSlideArea::CopyFrom(const CWidget* source)
{
    CLayout::CopyFrom(source);
    const CSlideArea* o = CSlideArea::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    delete m_curve;
    m_curve = o->m_curve ? o->m_curve->Clone() : new CEasingCurveOneMinusPow5();
    delete m_decorationCurve;
    m_decorationCurve = o->m_decorationCurve ? o->m_decorationCurve->Clone() : new CEasingCurveOneMinusPow8();
    m_scrollX = o->m_scrollX;
    m_scrollY = o->m_scrollY;
    m_fling = o->m_fling;
    m_threshold = o->m_threshold;
    m_contentRect = o->m_contentRect;
    SetScrollEnabled(o->IsScrollEnabled());
    m_dragTime = 0.0f;
    m_frac.Set(0.0f, 0.0f);
    m_flingTime = 0.0f;
    m_flingDuration = 1.0f;
    for (i32 i = 0; i < 4; ++i)
    {
        CWidget::Destroy(m_arrows[i]);
        m_arrows[i] = o->m_arrows[i] ? o->m_arrows[i]->Clone() : nullptr;
    }
    for (i32 i = 0; i < 2; ++i)
    {
        CWidget::Destroy(m_scrollbars[i]);
        CWidget* c = o->m_scrollbars[i] ? o->m_scrollbars[i]->Clone() : nullptr;
        m_scrollbars[i] = CImageWidget::Cast(c);
        if (c && !m_scrollbars[i])
            CWidget::Destroy(c);
    }
    m_areaFlags = (u8)((m_areaFlags & ~AREA_BUILD_DECORATIONS) |
                       (o->m_areaFlags & AREA_BUILD_DECORATIONS));
}
