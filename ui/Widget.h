#pragma once
// ui/Widget.h: the base of every element of the widget toolkit, and the plain
// container. A widget is a rectangle in its parent's coordinates with owned children
// in drawing order (index 0 first, the last one on top), a name, four state flags,
// two colours and six event callbacks.
//
// Lifetime: children are closed and deleted by Close (or DeleteChild), not by the
// destructor alone. Code that may run inside a widget callback (every handler of a
// screen) releases widgets and whole trees with CWidget::Destroy: while a dispatch,
// update, draw or callback is running, the widget is taken out of its tree at once and
// closed and deleted when the outermost of them returns.
//
// Nesting is capped at MaxDepth levels: AddChild and InsertChild refuse a child that
// would make the tree deeper (and a child that is this widget or one of its
// ancestors); the caller keeps such a widget.
//
// Pointer capture: one widget of the whole process receives every pointer event until
// it is released; forwarded events go to the holder's OnPointer* handlers. Hiding,
// disabling, closing or removing the holder (or one of its ancestors) releases it.
//
// UI thread only.
#include "engine/KetrelArray.h"
#include "engine/KetrelHashedString.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "ui/UIActionCallback.h"
#include "ui/UIServices.h"
#include "ui/WidgetType.h"

class CKetrelPtrArray;
class IKetrelGraphicsContext;

class CWidget
{
public:
    enum
    {
        FLAG_VISIBLE = 0x01,
        FLAG_ENABLED = 0x02,
        FLAG_TRANSPARENT = 0x04,
        FLAG_INTERCEPT_INPUT = 0x08,
        FLAG_DYING = 0x10,           // handed to Destroy; never cleared
        FLAG_CLOSED = 0x20           // closed ahead of its deletion, which closes it no more
    };
    enum { MaxDepth = 32 };      // widgets on the longest chain from a root to a leaf

    CWidget();
    // Frees the name and the child list. As a safety net it also takes the widget out
    // of its parent, drops the capture and focus references to it and closes and deletes
    // any child still held; owners still call Close first.
    virtual ~CWidget();
    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    // ---- lifecycle ----
    // Stores app and resources, clears the focus child, SetRect(rect), visible and
    // enabled with transparent and intercept clear, empty name, no user data, then the
    // onstartup callback. 1.
    virtual int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect);
    // onshutdown, drops the capture when held, closes and deletes every child (deferred
    // while a walk runs), frees the unique name and forgets the application.
    virtual void Close();
    // A new, constructed, not yet initialised widget of the same class; the caller owns it.
    virtual CWidget* CreateInstance() const;
    // onclone of this one, then CreateInstance, Init, CopyFrom and a clone of every
    // child, then oncloned of the clone. The clone has no unique name. Null when
    // CreateInstance fails or a callback or hook destroyed the clone.
    virtual CWidget* Clone();
    // Rect, visibility, enabled, transparent and intercept flags, name, user data, the
    // six callbacks and both colours; not the unique name, links or children.
    virtual void CopyFrom(const CWidget* source);
    // False unless both kinds are the same; then CopyFrom and the children pairwise
    // (false when the counts differ or a child fails; widgets copied before keep it).
    bool CopyTreeFrom(const CWidget* source);
    // Close and delete w now, or, while a dispatch, update, draw or callback runs,
    // take it out of its tree now and close and delete it when that returns. Null and
    // a widget already handed to Destroy are ignored.
    static void Destroy(CWidget* w);

    // ---- drawing and updating ----
    // area is this widget's rectangle in screen pixels. gc may be null (nothing is
    // drawn, the walk still runs). Stops at the first failure, reporting "ERROR: <code>".
    virtual int Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area);
    // Draw with the widget's own rectangle as the area (a root in screen pixels).
    virtual int Render(IKetrelGraphicsContext* gc);
    // UpdateSelf, then the children in order; nothing for an invisible widget.
    virtual int Update(f32 dt);

    // ---- flags and state ----
    virtual bool IsVisible() const { return (m_flags & FLAG_VISIBLE) != 0; }
    // On a change: the flag, then OnVisibilityChanged. Hiding releases a capture held
    // inside this subtree.
    virtual void SetVisible(bool visible);
    bool IsEnabled() const { return (m_flags & FLAG_ENABLED) != 0; }
    // Disabling releases a capture held inside this subtree.
    void SetEnabled(bool enabled);
    bool IsTransparent() const { return (m_flags & FLAG_TRANSPARENT) != 0; }
    void SetTransparent(bool transparent);
    bool IsInterceptingInput() const { return (m_flags & FLAG_INTERCEPT_INPUT) != 0; }
    void SetInterceptInput(bool intercept);

    // ---- geometry ----
    const CKetrelRect& GetRect() const { return m_rect; }
    // Nothing for an equal rectangle; else OnRectChanged(old, new), then the parent's
    // NotifyChildChanged.
    void SetRect(const CKetrelRect& rect);
    // Keeps the size; OnRectChanged only, the parent is not told.
    void SetPosition(i32 x, i32 y);
    i32 GetWidth() const { return m_rect.Width(); }
    i32 GetHeight() const { return m_rect.Height(); }
    // (0, 0, width, height).
    virtual CKetrelRect GetLocalRect() const;
    virtual void ParentToLocal(i32* x, i32* y) const;
    virtual void LocalToParent(i32* x, i32* y) const;
    // A point in source's coordinates (screen pixels for a null source) to this
    // widget's coordinates, through every level's LocalToParent and ParentToLocal.
    virtual void MapPoint(const CWidget* source, i32* x, i32* y) const;
    // A point in this widget's coordinates to target's.
    void MapPointTo(const CWidget* target, i32* x, i32* y) const { target->MapPoint(this, x, y); }
    // Local point inside (0, 0, width, height), all four edges inclusive.
    virtual bool HitTest(i32 x, i32 y) const;
    // The topmost visible child (or deeper descendant) under a local point; transparent
    // hits are passed over, intercepting children are not descended into. Null when
    // this widget is not visible and enabled or nothing qualifies.
    virtual CWidget* GetChildAt(i32 x, i32 y);

    // ---- kind ----
    virtual const CWidgetType& GetType() const;
    virtual bool IsKindOf(const CWidgetType& kind) const { return GetType().IsKindOf(kind); }
    static CWidget* Cast(CWidget* w) { return w; }

    // ---- tree ----
    CWidget* GetParent() const { return m_parent; }
    // Clears the capture when this widget holds it, then stores the parent. Used by the
    // tree operations; it does not add or remove list entries.
    void SetParent(CWidget* parent);
    CWidget* GetTopmost();
    // ancestor is this widget or one of its ancestors.
    bool IsWithin(const CWidget* ancestor) const;
    // Nearest ancestor (not this one) of the kind; null when none.
    CWidget* FindAncestorOfType(const CWidgetType& kind) const;
    // Widgets on the chain from the root down to this one (1 for a root).
    i32 GetDepth() const;
    // Levels of this subtree (1 for a widget without children).
    i32 GetSubtreeHeight() const;
    const CKetrelArray<CWidget*>& GetChildren() const { return m_children; }
    i32 GetChildCount() const { return m_children.GetCount(); }
    CWidget* GetChild(i32 index) const
    { return (index >= 0 && index < m_children.GetCount()) ? m_children[index] : nullptr; }
    // Appends c (a child of another parent, or of this one, is moved: removed there
    // first), then SetParent and OnChildAdded. False, and nothing changed, for null,
    // this widget, an ancestor of it, or a child that would exceed MaxDepth.
    virtual bool AddChild(CWidget* c);
    // As AddChild at index, clamped to 0..count.
    virtual bool InsertChild(CWidget* c, i32 index);
    // Takes c out of the list (not deleted), SetParent(null), OnChildRemoved. The
    // ancestors' focus references and the capture into c's subtree are dropped.
    virtual bool RemoveChild(CWidget* c);
    // RemoveChild, then Destroy.
    virtual bool DeleteChild(CWidget* c);
    // First direct child named name; when none and depth is not 0, each child's
    // FindChild(name, depth - 1) in order. A negative depth has no limit.
    virtual CWidget* FindChild(const CKetrelString& name, i32 depth) const;
    // Detaches the first direct child of that name, else searches each child's subtree.
    virtual bool RemoveChildByName(const CKetrelString& name);
    // Takes the widget named name (any depth) out of the tree: itself when it has no
    // children, else its first child, the wrapper being closed and deleted. The caller
    // owns the result; null when not found or when the hooks fired on the way (the
    // wrapper's shutdown among them) destroyed it.
    CWidget* TakeTemplate(const CKetrelString& name);
    // Separators "//" (any depth), "/" (children and grandchildren; "/" alone the
    // topmost), "<" (nearest ancestor of that name), names "." and "..". A separator
    // with nothing after it is part of the last name. An empty path gives this widget.
    virtual CWidget* FindByPath(const CKetrelString& path);
    // Calls OnChildChanged, then the parent's NotifyChildChanged, up to the root.
    virtual void NotifyChildChanged(CWidget* child, const CKetrelRect& rect);

    // ---- input ----
    // Points are in this widget's coordinates. A widget that is not visible and enabled
    // refuses every event (false). Keys and text follow the focus children; one that now
    // lies below a hidden or disabled widget refuses them too.
    virtual bool DispatchKeyEvent(i32 key);
    virtual bool DispatchTextInput(i32 ch);
    // A pointer-down forwarded to a capture elsewhere returns false.
    virtual bool DispatchPointerDown(i32 button, i32 x, i32 y);
    virtual bool DispatchPointerMove(i32 button, i32 x, i32 y);
    virtual bool DispatchPointerUp(i32 button, i32 x, i32 y);
    virtual void CancelPointer();
    // Releases any capture: the holder's OnFocusLost(null), then the slot is cleared.
    virtual void ReleaseCapture();
    // OnFocusGained(GetCapture()).
    void EnterFromCapture() { OnFocusGained(GetCapture()); }
    CWidget* GetFocusChild() const { return m_focus; }
    static CWidget* GetCapture();
    static void SetCapture(CWidget* w);

    // ---- broadcasts ----
    virtual void RefreshText();
    virtual void Broadcast();
    virtual void ResetState() {}

    // ---- hooks for subclasses (base: nothing, false or 1) ----
    virtual void OnRectChanged(const CKetrelRect& old, const CKetrelRect& now);
    virtual void OnChildChanged(CWidget* child, const CKetrelRect& rect);
    virtual void OnChildAdded(CWidget* child);
    virtual void OnChildRemoved(CWidget* child);
    virtual int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area);
    virtual int UpdateSelf(f32 dt);
    virtual bool OnKeyEvent(i32 key);
    virtual bool OnTextInput(i32 ch);
    virtual bool OnPointerDown(i32 button, i32 x, i32 y);
    virtual bool OnPointerMove(i32 button, i32 x, i32 y);
    virtual bool OnPointerUp(i32 button, i32 x, i32 y);
    // onshow or onhide of this widget, then the same change on every visible child
    // (their flags stay).
    virtual void OnVisibilityChanged(bool visible);
    virtual void OnFocusGained(CWidget* previous);
    virtual void OnFocusLost(CWidget* next);

    // ---- names, data, colours, links ----
    const CKetrelString& GetName() const { return m_name; }
    void SetName(const CKetrelString& name) { m_name = name; }
    const CKetrelHashedString* GetUniqueName() const { return m_uniqueName; }
    // Only when none is set yet and name is not empty.
    void SetUniqueName(const CKetrelString& name);
    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }
    u32 GetBlendColor() const { return m_blendColor; }
    void SetBlendColor(u32 colour)
    {
        if (colour != m_blendColor)
            NoteScreenChange();
        m_blendColor = colour;
    }
    u32 GetOverlayColor() const { return m_overlayColor; }
    void SetOverlayColor(u32 colour)
    {
        if (colour != m_overlayColor)
            NoteScreenChange();
        m_overlayColor = colour;
    }
    // What is drawn has changed or is moving: the run loop draws the next frames.
    static void NoteScreenChange();
    IUIApplication* GetApplication() const { return m_app; }
    IUIResourceManager* GetResourceManager() const { return m_resources; }

    const CUIActionCallback& GetOnShow() const { return m_onShow; }
    void SetOnShow(const CUIActionCallback& cb) { m_onShow = cb; }
    const CUIActionCallback& GetOnHide() const { return m_onHide; }
    void SetOnHide(const CUIActionCallback& cb) { m_onHide = cb; }
    const CUIActionCallback& GetOnClone() const { return m_onClone; }
    void SetOnClone(const CUIActionCallback& cb) { m_onClone = cb; }
    const CUIActionCallback& GetOnCloned() const { return m_onCloned; }
    void SetOnCloned(const CUIActionCallback& cb) { m_onCloned = cb; }
    const CUIActionCallback& GetOnStartup() const { return m_onStartup; }
    void SetOnStartup(const CUIActionCallback& cb) { m_onStartup = cb; }
    const CUIActionCallback& GetOnShutdown() const { return m_onShutdown; }
    void SetOnShutdown(const CUIActionCallback& cb) { m_onShutdown = cb; }

    // Calls cb with argument inside a walk guard, so that widgets the callback
    // destroys live until the outermost walk returns. Nothing for an unset callback.
    static void FireCallback(const CUIActionCallback& cb, void* argument);
    // "ERROR: <code>" on the standard error stream.
    static void ReportError(int code);

protected:
    // Drops every focus reference of this widget's ancestors (and of this widget)
    // that points into w's subtree, and the capture when it lies there.
    void DropReferencesInto(CWidget* w);

private:
    friend class CWidgetWalkGuard;   // its flush skips the close of a widget already closed

    // w, or null when it is gone or handed to Destroy (deleted when the walks end).
    static CWidget* HandOut(CWidget* w);
    bool PlaceChild(CWidget* c, i32 index);   // AddChild and InsertChild
    void ReleaseCaptureWithin();               // hiding and disabling
    void DetachChildAt(i32 index);
    bool FocusChainOpen() const;               // the widgets between m_focus and this
    // w lies in this tree, and neither w nor a widget between it and this one is
    // hidden or disabled: w's own dispatch would not refuse the event.
    bool TakesEventsFrom(const CWidget* w) const;
    // A pointer move or release: to the capture holder outside this tree, else to the
    // child under the point, else to this widget's own handler `on`.
    bool RoutePointer(bool (CWidget::*on)(i32, i32, i32), i32 button, i32 x, i32 y);
    // A key or character: to the capture holder outside this tree, else down the focus
    // chain through `dispatch`, else to this widget's own handler `on`.
    bool RouteInput(bool (CWidget::*dispatch)(i32), bool (CWidget::*on)(i32), i32 value);

    CKetrelRect m_rect;                 // in the parent's coordinates
    CKetrelArray<CWidget*> m_children;  // owned, drawing order
    IUIApplication* m_app;              // not owned
    IUIResourceManager* m_resources;    // not owned
    CWidget* m_parent;                  // not owned; null for a root
    CWidget* m_focus;                   // descendant that took the last pointer-down here
    CKetrelString m_name;
    CKetrelHashedString* m_uniqueName;  // owned; null when none
    void* m_userData;
    CUIActionCallback m_onShow, m_onHide, m_onClone, m_onCloned, m_onStartup, m_onShutdown;
    u8 m_flags;                         // FLAG_*
    u32 m_blendColor;                   // 0xFFFFFFFF: no tint
    u32 m_overlayColor;
};

// Holds a walk open: widgets passed to CWidget::Destroy while any guard lives are
// deleted when the outermost guard ends. Every dispatch, update, draw and
// FireCallback holds one; code that fires callbacks of its own (timed sequences,
// screens) may hold one around them.
class CWidgetWalkGuard
{
public:
    CWidgetWalkGuard() { ++s_depth; }
    ~CWidgetWalkGuard()
    {
        if (s_depth == 1 && s_pending)
            FlushPending();
        --s_depth;
    }
    CWidgetWalkGuard(const CWidgetWalkGuard&) = delete;
    CWidgetWalkGuard& operator=(const CWidgetWalkGuard&) = delete;
    // Walks open now; widgets waiting for deletion.
    static i32 GetDepth() { return s_depth; }
    static i32 GetPendingCount();

private:
    friend class CWidget;
    // Closes and deletes the waiting widgets; runs with the outermost guard still open.
    static void FlushPending();

    static inline i32 s_depth = 0;
    static inline CKetrelPtrArray* s_pending = nullptr;   // CWidget*, owned
};

template <class T>
T* WidgetCast(CWidget* w, const CWidgetType& kind)
{
    return (w && w->IsKindOf(kind)) ? static_cast<T*>(w) : nullptr;
}
