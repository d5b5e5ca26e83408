#pragma once
// ui/SlideArea.h: the scrolling container. Its children keep the positions they were
// given; the area shows a vertical window onto the union of their rectangles (the
// content rectangle). One finger drags it; a quick drag ends in a fling that eases
// out over one second. Optional edge arrows show while there is more content in
// their direction, and optional scrollbars fade out two seconds after the last
// activity; both are built from template children on the first update.
//
// While it scrolls the area holds the pointer capture: a press goes on to the child
// under it, but a drag beyond the threshold takes the press away from that child
// (CancelPointer). Horizontal scrolling is not supported: ClampScrollX is always 0.
#include "engine/KetrelVector.h"
#include "ui/Layout.h"

class CImageWidget;
class IEasingCurve;

class CSlideArea : public CLayout
{
public:
    enum
    {
        AREA_SCROLL_ENABLED = 0x01,
        AREA_SCROLLING = 0x02,         // between BeginScroll and EndScroll
        AREA_DRAGGING = 0x04,          // the threshold was passed
        AREA_BUILD_DECORATIONS = 0x08  // arrows and scrollbars still to be taken
    };
    enum { ARROW_LEFT, ARROW_TOP, ARROW_RIGHT, ARROW_BOTTOM };
    enum { SCROLLBAR_HORIZONTAL, SCROLLBAR_VERTICAL };
    // Seconds the decorations stay after activity.
    static constexpr f32 kDecorationSeconds = 2.0f;
    // A release counts at least this long after its press when measuring the fling
    // speed: a whole flick may arrive between two frames.
    static constexpr f32 kMinDragSeconds = 1.0f / 60.0f;

    CSlideArea();
    ~CSlideArea() override;

    static CSlideArea* Cast(CWidget* w) { return WidgetCast<CSlideArea>(w, CWidgetType::SlideArea()); }
    const CWidgetType& GetType() const override { return CWidgetType::SlideArea(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int Draw(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    int Update(f32 dt) override;
    // The content rectangle.
    CKetrelRect GetLocalRect() const override;
    // Content coordinates include the drawn scroll position.
    void ParentToLocal(i32* x, i32* y) const override;
    void LocalToParent(i32* x, i32* y) const override;
    CWidget* GetChildAt(i32 x, i32 y) override;
    void OnChildRemoved(CWidget* child) override;
    bool OnPointerDown(i32 button, i32 x, i32 y) override;
    bool OnPointerMove(i32 button, i32 x, i32 y) override;
    bool OnPointerUp(i32 button, i32 x, i32 y) override;
    void ReleaseCapture() override;
    void OnVisibilityChanged(bool visible) override;
    void CopyFrom(const CWidget* source) override;
    // Content rectangle: the area's own local rectangle and every child's.
    void DoLayout() override;

    void ScrollBy(i32 dx, i32 dy);
    // seconds <= 0: at once; else an animated scroll that runs like a fling from the
    // position shown now.
    void ScrollTo(i32 x, i32 y, f32 seconds);
    virtual i32 ClampScrollX(i32 x) const;
    virtual i32 ClampScrollY(i32 y) const;
    void BeginScroll();
    void EndScroll();
    void UpdateDecorations();

    void SetScrollEnabled(bool enabled);
    bool IsScrollEnabled() const { return (m_areaFlags & AREA_SCROLL_ENABLED) != 0; }
    bool IsScrolling() const { return (m_areaFlags & AREA_SCROLLING) != 0; }
    bool IsDragging() const { return (m_areaFlags & AREA_DRAGGING) != 0; }
    bool IsFlinging() const { return m_flingTime > 0.0f; }
    void SetThreshold(const CKetrelVector2& threshold) { m_threshold = threshold; }
    const CKetrelVector2& GetThreshold() const { return m_threshold; }
    void SetBeginScrollCallback(const CUIActionCallback& cb) { m_onBeginScroll = cb; }
    const CUIActionCallback& GetBeginScrollCallback() const { return m_onBeginScroll; }
    void SetEndScrollCallback(const CUIActionCallback& cb) { m_onEndScroll = cb; }
    const CUIActionCallback& GetEndScrollCallback() const { return m_onEndScroll; }

    i32 GetScrollX() const;
    i32 GetScrollY() const;
    // So that GetScrollY returns y.
    void SetScrollY(i32 y);
    // The drawn (clamped) scroll position.
    i32 GetDrawnScrollX() const;
    i32 GetDrawnScrollY() const;
    // (scrollX, scrollY, + width, + height) of what is shown.
    void GetVisibleRect(CKetrelRect* out) const;
    const CKetrelRect& GetContentRect() const { return m_contentRect; }
    void ShowDecorations() { m_decorationTimer = kDecorationSeconds; }
    f32 GetDecorationTimer() const { return m_decorationTimer; }
    CWidget* GetArrow(i32 side) const { return (side >= 0 && side < 4) ? m_arrows[side] : nullptr; }
    CImageWidget* GetScrollbar(i32 which) const
    { return (which >= 0 && which < 2) ? m_scrollbars[which] : nullptr; }
    // The alpha the scrollbars are drawn with now (0..255).
    u32 GetScrollbarAlpha() const;
    // Offset of the vertical scrollbar for a destination of that height.
    i32 GetScrollbarOffset(i32 destinationHeight) const;

protected:
    // Commits the fling shown so far and ends it.
    void StopFling();

private:
    void RecolourScrollbars();
    int DrawDecoration(IKetrelGraphicsContext* gc, CWidget* w, const CKetrelRect& area,
                       const CKetrelRect& clip, i32 dy);
    void ForgetTracked();

    CKetrelRect m_contentRect;
    i32 m_scrollX, m_scrollY;
    i32 m_dragStartX, m_dragStartY;
    CKetrelVector2 m_frac;
    CKetrelVector2 m_fling;
    CKetrelVector2 m_threshold;
    f32 m_dragTime;
    f32 m_flingTime;
    f32 m_flingDuration;
    CUIActionCallback m_onBeginScroll;
    CUIActionCallback m_onEndScroll;
    CWidget* m_tracked;                 // not owned
    IEasingCurve* m_curve;              // owned
    CWidget* m_arrows[4];               // owned
    CImageWidget* m_scrollbars[2];      // owned
    u8 m_areaFlags;
    f32 m_decorationTimer;
    IEasingCurve* m_decorationCurve;    // owned
};
