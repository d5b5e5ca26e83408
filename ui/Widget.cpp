// ui/Widget.cpp
#include "ui/Widget.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#include <cstdio>
#include <cstring>

namespace
{
CWidget* s_capture = nullptr;          // the process-wide pointer capture

// A widget about to be handed to a caller, watched while the walk around the hooks
// that may destroy it ends: its destructor clears the slot. Lives on the stack; the
// open ones form a list, newest first.
struct HandOutWatch
{
    HandOutWatch();
    ~HandOutWatch();
    HandOutWatch(const HandOutWatch&) = delete;
    HandOutWatch& operator=(const HandOutWatch&) = delete;

    CWidget* widget;
    HandOutWatch* next;
};
HandOutWatch* s_handOuts = nullptr;

HandOutWatch::HandOutWatch() : widget(nullptr), next(s_handOuts) { s_handOuts = this; }

HandOutWatch::~HandOutWatch()
{
    for (HandOutWatch** p = &s_handOuts; *p; p = &(*p)->next)
        if (*p == this)
        {
            *p = next;
            break;
        }
}

// Ordinal equality, lengths first: most names of a tree differ in length or early.
bool SameName(const CKetrelString& a, const CKetrelString& b)
{
    const i32 n = a.GetLength();
    if (n != b.GetLength())
        return false;
    return n == 0 || memcmp(a.GetBuffer(), b.GetBuffer(), (size_t)n * sizeof(u16)) == 0;
}

bool RectContains(const CKetrelRect& r, i32 x, i32 y)
{
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}
}  // namespace

// ---- walk guard ----

void CWidgetWalkGuard::FlushPending()
{
    // Still counted as open while flushing: a widget that Close destroys (a shutdown
    // callback's doing) is appended and taken in this same loop.
    while (s_pending->GetCount() > 0)
    {
        CWidget* w = static_cast<CWidget*>(s_pending->GetAt(0));
        s_pending->RemoveAt(0);
        if (!(w->m_flags & CWidget::FLAG_CLOSED))
            w->Close();
        delete w;
    }
    delete s_pending;
    s_pending = nullptr;
}

i32 CWidgetWalkGuard::GetPendingCount() { return s_pending ? s_pending->GetCount() : 0; }

// ---- construction ----

CWidget::CWidget()
    : m_app(nullptr), m_resources(nullptr), m_parent(nullptr), m_focus(nullptr),
      m_uniqueName(nullptr), m_userData(nullptr), m_onShow{}, m_onHide{}, m_onClone{},
      m_onCloned{}, m_onStartup{}, m_onShutdown{}, m_flags(0), m_blendColor(0xFFFFFFFFu),
      m_overlayColor(0xFFFFFFFFu)
{
}

CWidget::~CWidget()
{
    // Deleted directly while waiting for the walks to end: forget the entry.
    if ((m_flags & FLAG_DYING) && CWidgetWalkGuard::s_pending)
        for (i32 i = 0; i < CWidgetWalkGuard::s_pending->GetCount(); ++i)
            if (CWidgetWalkGuard::s_pending->GetAt(i) == this)
            {
                CWidgetWalkGuard::s_pending->RemoveAt(i);
                break;
            }
    for (HandOutWatch* h = s_handOuts; h; h = h->next)
        if (h->widget == this)
            h->widget = nullptr;
    if (m_parent)
        m_parent->RemoveChild(this);
    if (s_capture && s_capture->IsWithin(this))
        s_capture = nullptr;
    // Children left behind by an owner that did not Close: free them rather than leak.
    while (m_children.GetCount() > 0)
    {
        CWidget* c = m_children[m_children.GetCount() - 1];
        m_children.RemoveAt(m_children.GetCount() - 1);
        c->m_parent = nullptr;
        Destroy(c);
    }
    delete m_uniqueName;
}

int CWidget::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    m_app = app;
    m_resources = resources;
    m_focus = nullptr;
    SetRect(rect);
    m_flags = (u8)((m_flags & FLAG_DYING) | FLAG_VISIBLE | FLAG_ENABLED);
    m_name.Clear();
    m_userData = nullptr;
    FireCallback(m_onStartup, this);
    return KE_OK;
}

void CWidget::Close()
{
    CWidgetWalkGuard guard;   // the shutdown callback may destroy this widget
    FireCallback(m_onShutdown, this);
    if (s_capture == this)
        s_capture = nullptr;
    // Detaching drops every ancestor's focus reference into the child first.
    // The children are queued ahead of everything else, in order, so that they are
    // closed depth first: each one's own children come before its next sibling.
    i32 slot = 0;
    while (m_children.GetCount() > 0)
    {
        CWidget* c = m_children[0];
        DetachChildAt(0);
        if (c->m_flags & FLAG_DYING)
            continue;
        c->m_flags |= FLAG_DYING;
        if (!CWidgetWalkGuard::s_pending)
            CWidgetWalkGuard::s_pending = new CKetrelPtrArray();
        CWidgetWalkGuard::s_pending->InsertAt(slot++, c);
    }
    m_children.RemoveAll();
    delete m_uniqueName;
    m_uniqueName = nullptr;
    m_app = nullptr;
}

void CWidget::Destroy(CWidget* w)
{
    // A widget already on its way out (destroyed twice, or again from its own
    // shutdown callback) is left alone.
    if (!w || (w->m_flags & FLAG_DYING))
        return;
    w->m_flags |= FLAG_DYING;
    if (w->m_parent)
        w->m_parent->RemoveChild(w);
    if (!CWidgetWalkGuard::s_pending)
        CWidgetWalkGuard::s_pending = new CKetrelPtrArray();
    CWidgetWalkGuard::s_pending->Add(w);
    if (CWidgetWalkGuard::s_depth == 0)
    {
        CWidgetWalkGuard flushNow;   // its end closes and deletes w
    }
}

CWidget* CWidget::CreateInstance() const { return new CWidget(); }

CWidget* CWidget::Clone()
{
    // The callbacks and hooks may destroy this widget or the clone; a destroyed clone
    // is deleted when the walk ends, here when it is the outermost one.
    HandOutWatch out;
    {
        CWidgetWalkGuard guard;
        FireCallback(m_onClone, this);
        CWidget* n = CreateInstance();
        if (!n)
            return nullptr;
        out.widget = n;
        n->Init(m_app, m_resources, m_rect);
        n->CopyFrom(this);
        for (i32 i = 0; i < m_children.GetCount(); ++i)
        {
            CWidget* c = m_children[i]->Clone();
            if (c && !n->AddChild(c))
                Destroy(c);
        }
        FireCallback(n->m_onCloned, n);
    }
    return HandOut(out.widget);
}

void CWidget::CopyFrom(const CWidget* source)
{
    if (!source || source == this)
        return;
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    SetRect(source->m_rect);
    SetVisible(source->IsVisible());
    SetEnabled(source->IsEnabled());
    SetTransparent(source->IsTransparent());
    SetInterceptInput(source->IsInterceptingInput());
    SetName(source->m_name);
    m_userData = source->m_userData;
    m_onShow = source->m_onShow;
    m_onHide = source->m_onHide;
    m_onClone = source->m_onClone;
    m_onCloned = source->m_onCloned;
    m_onStartup = source->m_onStartup;
    m_onShutdown = source->m_onShutdown;
    m_blendColor = source->m_blendColor;
    m_overlayColor = source->m_overlayColor;
}

bool CWidget::CopyTreeFrom(const CWidget* source)
{
    if (!source)
        return false;
    const CWidgetType& a = GetType();
    const CWidgetType& b = source->GetType();
    if (a.GetParent() != b.GetParent() || a.GetName() != b.GetName())
        return false;
    CopyFrom(source);
    if (m_children.GetCount() != source->m_children.GetCount())
        return false;
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        if (!m_children[i]->CopyTreeFrom(source->m_children[i]))
            return false;
    return true;
}

// ---- drawing and updating ----

int CWidget::Update(f32 dt)
{
    if (!IsVisible())
        return KE_OK;
    CWidgetWalkGuard guard;
    int r = UpdateSelf(dt);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    // Callbacks may add or remove children meanwhile: the count is read every time.
    for (i32 i = 0; i < m_children.GetCount(); ++i)
    {
        r = m_children[i]->Update(dt);
        if (r != KE_OK)
        {
            ReportError(r);
            return r;
        }
    }
    return KE_OK;
}

int CWidget::Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area)
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
    for (i32 i = 0; i < m_children.GetCount(); ++i)
    {
        CWidget* c = m_children[i];
        if (!c->IsVisible())
            continue;
        const CKetrelRect& cr = c->m_rect;
        CKetrelRect childArea(area.left + cr.left, area.top + cr.top, area.left + cr.right,
                              area.top + cr.bottom);
        // A child that only touches the area is drawn.
        if (childArea.right < area.left || childArea.left > area.right ||
            childArea.bottom < area.top || childArea.top > area.bottom)
            continue;
        CKetrelRect saved;
        if (gc)
        {
            gc->GetClipRect(&saved);
            CKetrelRect clip(saved.left > area.left ? saved.left : area.left,
                             saved.top > area.top ? saved.top : area.top,
                             saved.right < area.right ? saved.right : area.right,
                             saved.bottom < area.bottom ? saved.bottom : area.bottom);
            gc->SetClipRect(&clip);
        }
        r = c->Draw(gc, childArea);
        if (gc)
            gc->SetClipRect(&saved);
        if (r != KE_OK)
        {
            ReportError(r);
            return r;
        }
    }
    return KE_OK;
}

int CWidget::Render(IKetrelGraphicsContext* gc) { return Draw(gc, m_rect); }

// ---- flags ----

void CWidget::SetVisible(bool visible)
{
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    if (visible == IsVisible())
        return;
    CKetrelFramePacer::NoteScreenActivity();
    if (visible)
        m_flags |= FLAG_VISIBLE;
    else
    {
        m_flags &= ~FLAG_VISIBLE;
        ReleaseCaptureWithin();
    }
    OnVisibilityChanged(visible);
}

void CWidget::SetEnabled(bool enabled)
{
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    if (enabled != IsEnabled())
        CKetrelFramePacer::NoteScreenActivity();
    if (enabled)
        m_flags |= FLAG_ENABLED;
    else
    {
        m_flags &= ~FLAG_ENABLED;
        ReleaseCaptureWithin();
    }
}

void CWidget::SetTransparent(bool transparent)
{
    m_flags = transparent ? (m_flags | FLAG_TRANSPARENT) : (m_flags & ~FLAG_TRANSPARENT);
}

void CWidget::SetInterceptInput(bool intercept)
{
    m_flags = intercept ? (m_flags | FLAG_INTERCEPT_INPUT) : (m_flags & ~FLAG_INTERCEPT_INPUT);
}

void CWidget::ReleaseCaptureWithin()
{
    // A hidden or disabled holder would refuse the release that ends its capture, and
    // every later pointer event would still go to it.
    if (s_capture && s_capture->IsWithin(this))
        s_capture->ReleaseCapture();
}

// ---- geometry ----

void CWidget::SetRect(const CKetrelRect& rect)
{
    if (rect.left == m_rect.left && rect.top == m_rect.top && rect.right == m_rect.right &&
        rect.bottom == m_rect.bottom)
        return;
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    CKetrelFramePacer::NoteScreenActivity();
    CKetrelRect old = m_rect;
    m_rect = rect;
    OnRectChanged(old, m_rect);
    if (m_parent)
        m_parent->NotifyChildChanged(this, m_rect);
}

void CWidget::SetPosition(i32 x, i32 y)
{
    CKetrelRect old = m_rect;
    if (x != old.left || y != old.top)
        CKetrelFramePacer::NoteScreenActivity();
    m_rect.Set(x, y, x + old.Width(), y + old.Height());
    OnRectChanged(old, m_rect);
}

CKetrelRect CWidget::GetLocalRect() const { return CKetrelRect(0, 0, m_rect.Width(), m_rect.Height()); }

void CWidget::ParentToLocal(i32* x, i32* y) const
{
    *x -= m_rect.left;
    *y -= m_rect.top;
}

void CWidget::LocalToParent(i32* x, i32* y) const
{
    *x += m_rect.left;
    *y += m_rect.top;
}

void CWidget::MapPoint(const CWidget* source, i32* x, i32* y) const
{
    for (const CWidget* w = source; w; w = w->m_parent)
        w->LocalToParent(x, y);
    const CWidget* chain[MaxDepth];
    i32 n = 0;
    for (const CWidget* w = this; w && n < MaxDepth; w = w->m_parent)
        chain[n++] = w;
    while (n > 0)
        chain[--n]->ParentToLocal(x, y);
}

bool CWidget::HitTest(i32 x, i32 y) const { return RectContains(GetLocalRect(), x, y); }

CWidget* CWidget::GetChildAt(i32 x, i32 y)
{
    if (!IsVisible() || !IsEnabled())
        return nullptr;
    for (i32 i = m_children.GetCount() - 1; i >= 0; --i)
    {
        CWidget* c = m_children[i];
        if (!c->IsVisible() || !RectContains(c->m_rect, x, y))
            continue;
        i32 cx = x, cy = y;
        c->ParentToLocal(&cx, &cy);
        if (!c->HitTest(cx, cy))
            continue;
        if (!c->IsInterceptingInput())
        {
            CWidget* deep = c->GetChildAt(cx, cy);
            if (deep)
                return deep;
        }
        if (!c->IsTransparent())
            return c;
    }
    return nullptr;
}

const CWidgetType& CWidget::GetType() const { return CWidgetType::Widget(); }

// ---- tree ----

void CWidget::SetParent(CWidget* parent)
{
    if (s_capture == this)
        s_capture = nullptr;
    m_parent = parent;
}

CWidget* CWidget::GetTopmost()
{
    CWidget* w = this;
    while (w->m_parent)
        w = w->m_parent;
    return w;
}

bool CWidget::IsWithin(const CWidget* ancestor) const
{
    for (const CWidget* w = this; w; w = w->m_parent)
        if (w == ancestor)
            return true;
    return false;
}

CWidget* CWidget::FindAncestorOfType(const CWidgetType& kind) const
{
    for (CWidget* w = m_parent; w; w = w->m_parent)
        if (w->IsKindOf(kind))
            return w;
    return nullptr;
}

i32 CWidget::GetDepth() const
{
    i32 n = 0;
    for (const CWidget* w = this; w; w = w->m_parent)
        ++n;
    return n;
}

i32 CWidget::GetSubtreeHeight() const
{
    // Bounded: every tree is built through PlaceChild, which keeps it within MaxDepth.
    i32 best = 0;
    for (i32 i = 0; i < m_children.GetCount(); ++i)
    {
        i32 h = m_children[i]->GetSubtreeHeight();
        if (h > best)
            best = h;
    }
    return best + 1;
}

bool CWidget::AddChild(CWidget* c) { return PlaceChild(c, -1); }

bool CWidget::InsertChild(CWidget* c, i32 index) { return PlaceChild(c, index < 0 ? 0 : index); }

bool CWidget::PlaceChild(CWidget* c, i32 index)
{
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    if (!c || IsWithin(c))
        return false;
    if (GetDepth() + c->GetSubtreeHeight() > MaxDepth)
        return false;
    if (c->m_parent)
        c->m_parent->RemoveChild(c);
    CKetrelFramePacer::NoteScreenActivity();
    i32 count = m_children.GetCount();
    if (index < 0 || index > count)
        index = count;
    m_children.InsertAt(index, c);
    c->SetParent(this);
    OnChildAdded(c);
    return true;
}

void CWidget::DropReferencesInto(CWidget* w)
{
    for (CWidget* a = this; a; a = a->m_parent)
        if (a->m_focus && a->m_focus->IsWithin(w))
            a->m_focus = nullptr;
    if (s_capture && s_capture->IsWithin(w))
        s_capture = nullptr;
}

void CWidget::DetachChildAt(i32 index)
{
    CWidget* c = m_children[index];
    DropReferencesInto(c);
    m_children.RemoveAt(index);
    c->SetParent(nullptr);
}

bool CWidget::RemoveChild(CWidget* c)
{
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    if (!c)
        return false;
    for (i32 i = 0; i < m_children.GetCount(); ++i)
    {
        if (m_children[i] == c)
        {
            CKetrelFramePacer::NoteScreenActivity();
            DetachChildAt(i);
            OnChildRemoved(c);
            return true;
        }
    }
    return false;
}

bool CWidget::DeleteChild(CWidget* c)
{
    if (!RemoveChild(c))
        return false;
    Destroy(c);
    return true;
}

CWidget* CWidget::FindChild(const CKetrelString& name, i32 depth) const
{
    const i32 count = m_children.GetCount();
    for (i32 i = 0; i < count; ++i)
        if (SameName(m_children[i]->m_name, name))
            return m_children[i];
    if (depth == 0)
        return nullptr;
    for (i32 i = 0; i < count; ++i)
    {
        CWidget* found = m_children[i]->FindChild(name, depth - 1);
        if (found)
            return found;
    }
    return nullptr;
}

bool CWidget::RemoveChildByName(const CKetrelString& name)
{
    CWidgetWalkGuard guard;   // hooks and callbacks may destroy this widget
    for (i32 i = 0; i < m_children.GetCount(); ++i)
    {
        CWidget* c = m_children[i];
        if (SameName(c->m_name, name))
        {
            DetachChildAt(i);
            OnChildRemoved(c);
            return true;
        }
    }
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        if (m_children[i]->RemoveChildByName(name))
            return true;
    return false;
}

CWidget* CWidget::TakeTemplate(const CKetrelString& name)
{
    // The removal hooks and the wrapper's shutdown may destroy the widget taken.
    HandOutWatch out;
    {
        CWidgetWalkGuard guard;
        CWidget* t = FindChild(name, -1);
        if (!t)
            return nullptr;
        if (t->m_parent)
            t->m_parent->RemoveChild(t);
        if (t->m_children.GetCount() == 0)
            out.widget = t;
        else
        {
            CWidget* f = t->m_children[0];
            t->RemoveChild(f);
            out.widget = f;
            // Closed here, before the face is handed out, even when an enclosing walk
            // defers the deletion.
            t->m_flags |= FLAG_CLOSED;
            t->Close();
            Destroy(t);
        }
    }
    return HandOut(out.widget);
}

CWidget* CWidget::HandOut(CWidget* w)
{
    return (w && !(w->m_flags & FLAG_DYING)) ? w : nullptr;
}

namespace
{
enum PathSep { SEP_NONE, SEP_DEEP, SEP_NEAR, SEP_ANCESTOR };

CWidget* ApplyPathStep(CWidget* w, PathSep sep, const CKetrelString& n)
{
    if (!w)
        return nullptr;
    const bool dot = n.GetLength() == 1 && n.GetAt(0) == '.';
    const bool dotdot = n.GetLength() == 2 && n.GetAt(0) == '.' && n.GetAt(1) == '.';
    switch (sep)
    {
    case SEP_NONE:
    case SEP_NEAR:
        if (n.IsEmpty())
            return sep == SEP_NONE ? w : w->GetTopmost();
        if (dot)
            return w;
        if (dotdot)
            return w->GetParent();
        return w->FindChild(n, 1);
    case SEP_DEEP:
        if (n.IsEmpty())
            return nullptr;
        if (dot)
            return w;
        if (dotdot)
            return w->GetParent();
        return w->FindChild(n, -1);
    case SEP_ANCESTOR:
        for (CWidget* a = w->GetParent(); a; a = a->GetParent())
            if (SameName(a->GetName(), n))
                return a;
        return nullptr;
    }
    return nullptr;
}
}  // namespace

CWidget* CWidget::FindByPath(const CKetrelString& path)
{
    const i32 len = path.GetLength();
    CWidget* cur = this;
    PathSep sep = SEP_NONE;
    CKetrelString name;
    i32 i = 0;
    while (i < len)
    {
        const u16 ch = path.GetAt(i);
        PathSep found = SEP_NONE;
        i32 width = 0;
        // A separator counts only when at least one more character follows it.
        if (ch == '/' && i + 2 < len && path.GetAt(i + 1) == '/')
        {
            found = SEP_DEEP;
            width = 2;
        }
        else if (ch == '/' && i + 1 < len)
        {
            found = SEP_NEAR;
            width = 1;
        }
        else if (ch == '<' && i + 1 < len)
        {
            found = SEP_ANCESTOR;
            width = 1;
        }
        if (width == 0)
        {
            name.Append(ch);
            ++i;
            continue;
        }
        cur = ApplyPathStep(cur, sep, name);
        if (!cur)
            return nullptr;
        sep = found;
        name.Clear();
        i += width;
    }
    if (!name.IsEmpty())
        cur = ApplyPathStep(cur, sep, name);
    return cur;
}

void CWidget::NotifyChildChanged(CWidget* child, const CKetrelRect& rect)
{
    OnChildChanged(child, rect);
    if (m_parent)
        m_parent->NotifyChildChanged(child, rect);
}

void CWidget::SetUniqueName(const CKetrelString& name)
{
    if (m_uniqueName || name.IsEmpty())
        return;
    m_uniqueName = new CKetrelHashedString(name);
}

// ---- input ----

bool CWidget::FocusChainOpen() const
{
    // The focus child may sit below a widget that was hidden or disabled since the
    // press; nothing inside such a subtree takes events.
    for (const CWidget* w = m_focus->m_parent; w && w != this; w = w->m_parent)
        if (!w->IsVisible() || !w->IsEnabled())
            return false;
    return true;
}

bool CWidget::TakesEventsFrom(const CWidget* w) const
{
    for (; w && w != this; w = w->m_parent)
        if (!w->IsVisible() || !w->IsEnabled())
            return false;
    return w == this;
}

bool CWidget::RouteInput(bool (CWidget::*dispatch)(i32), bool (CWidget::*on)(i32), i32 value)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    CWidgetWalkGuard guard;
    if (s_capture && !IsWithin(s_capture))
        return (s_capture->*dispatch)(value);
    if (m_focus)
        return FocusChainOpen() && (m_focus->*dispatch)(value);
    return (this->*on)(value);
}

bool CWidget::DispatchKeyEvent(i32 key)
{
    return RouteInput(&CWidget::DispatchKeyEvent, &CWidget::OnKeyEvent, key);
}

bool CWidget::DispatchTextInput(i32 ch)
{
    return RouteInput(&CWidget::DispatchTextInput, &CWidget::OnTextInput, ch);
}

bool CWidget::DispatchPointerDown(i32 button, i32 x, i32 y)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    CWidgetWalkGuard guard;
    if (s_capture && !IsWithin(s_capture))
    {
        CWidget* k = s_capture;
        k->MapPoint(this, &x, &y);
        k->OnPointerDown(button, x, y);
        return false;
    }
    CWidget* t = IsInterceptingInput() ? nullptr : GetChildAt(x, y);
    if (t)
    {
        CWidget* f = m_focus;
        if (f)
            f->OnFocusLost(t);
        t->OnFocusGained(f);
        // The focus handlers may have taken t out of this tree. A disabled t is still
        // hit (and focused) but refuses the press, as its own dispatch would.
        m_focus = t->IsWithin(this) ? t : nullptr;
        if (!TakesEventsFrom(t))
            return false;
        t->MapPoint(this, &x, &y);
        return t->OnPointerDown(button, x, y);
    }
    if (m_focus)
    {
        CWidget* f = m_focus;
        m_focus = nullptr;
        f->OnFocusLost(nullptr);
    }
    return OnPointerDown(button, x, y);
}

bool CWidget::RoutePointer(bool (CWidget::*on)(i32, i32, i32), i32 button, i32 x, i32 y)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    CWidgetWalkGuard guard;
    if (s_capture && !IsWithin(s_capture))
    {
        CWidget* k = s_capture;
        k->MapPoint(this, &x, &y);
        return (k->*on)(button, x, y);
    }
    CWidget* t = IsInterceptingInput() ? nullptr : GetChildAt(x, y);
    if (t)
    {
        if (!t->IsEnabled())
            return false;   // hit, but refusing every event
        t->MapPoint(this, &x, &y);
        return (t->*on)(button, x, y);
    }
    return (this->*on)(button, x, y);
}

bool CWidget::DispatchPointerMove(i32 button, i32 x, i32 y)
{
    return RoutePointer(&CWidget::OnPointerMove, button, x, y);
}

bool CWidget::DispatchPointerUp(i32 button, i32 x, i32 y)
{
    return RoutePointer(&CWidget::OnPointerUp, button, x, y);
}

void CWidget::CancelPointer()
{
    CWidgetWalkGuard guard;
    if (s_capture && !IsWithin(s_capture))
    {
        s_capture->CancelPointer();
        return;
    }
    ReleaseCapture();
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        m_children[i]->CancelPointer();
}

void CWidget::ReleaseCapture()
{
    if (!s_capture)
        return;
    CWidget* k = s_capture;
    k->OnFocusLost(nullptr);
    // OnFocusLost may already have handed the capture on; clear only the holder's.
    if (s_capture == k)
        s_capture = nullptr;
}

CWidget* CWidget::GetCapture() { return s_capture; }

void CWidget::SetCapture(CWidget* w) { s_capture = w; }

// ---- broadcasts and hooks ----

void CWidget::RefreshText()
{
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        m_children[i]->RefreshText();
}

void CWidget::Broadcast()
{
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        m_children[i]->Broadcast();
}

void CWidget::OnRectChanged(const CKetrelRect&, const CKetrelRect&) {}
void CWidget::OnChildChanged(CWidget*, const CKetrelRect&) {}
void CWidget::OnChildAdded(CWidget*) {}
void CWidget::OnChildRemoved(CWidget*) {}
int CWidget::DrawSelf(IKetrelGraphicsContext*, const CKetrelRect&) { return KE_OK; }
int CWidget::UpdateSelf(f32) { return KE_OK; }

void CWidget::NoteScreenChange() { CKetrelFramePacer::NoteScreenActivity(); }
bool CWidget::OnKeyEvent(i32) { return false; }
bool CWidget::OnTextInput(i32) { return false; }
bool CWidget::OnPointerDown(i32, i32, i32) { return false; }
bool CWidget::OnPointerMove(i32, i32, i32) { return false; }
bool CWidget::OnPointerUp(i32, i32, i32) { return false; }
void CWidget::OnFocusGained(CWidget*) {}
void CWidget::OnFocusLost(CWidget*) {}

void CWidget::OnVisibilityChanged(bool visible)
{
    CWidgetWalkGuard guard;
    FireCallback(visible ? m_onShow : m_onHide, this);
    for (i32 i = 0; i < m_children.GetCount(); ++i)
        if (m_children[i]->IsVisible())
            m_children[i]->OnVisibilityChanged(visible);
}

void CWidget::FireCallback(const CUIActionCallback& cb, void* argument)
{
    if (!cb.function)
        return;
    // A copy: the callback may overwrite the widget's slot or destroy the widget.
    CUIActionCallback copy = cb;
    CWidgetWalkGuard guard;
    copy.function(argument, copy.context);
}

void CWidget::ReportError(int code) { fprintf(stderr, "ERROR: %d\n", code); }
