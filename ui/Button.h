#pragma once
// ui/Button.h: an image widget that can be pressed. A press on the primary pointer
// takes the capture; a release inside the hit area flashes the button and fires
// "onclick" (at once, or after the click delay); a release outside a cancellable
// button, or the capture taken away, fires the cancel callback instead. While
// pressed, the hit area grows by the extra scale so that the finger may wander.
// With layout widgets set, children 0 and 1 are the normal and pressed faces.
//
// A click that is still waiting for its delay is dropped when the button is hidden:
// it would otherwise fire whenever the page is shown again.
#include "ui/ImageWidget.h"

class CButton : public CImageWidget
{
public:
    CButton();

    static CButton* Cast(CWidget* w) { return WidgetCast<CButton>(w, CWidgetType::Button()); }
    const CWidgetType& GetType() const override { return CWidgetType::Button(); }

    // The image's Init; then opaque to input, hit scale 1.0 (+0.25 while pressed),
    // cancellable, click delay 0.15 s, no lock, no faces, not pressed or toggled.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    // Drops both callbacks, then the image's Close.
    void Close() override;
    CWidget* CreateInstance() const override;
    bool HitTest(i32 x, i32 y) const override;
    void OnRectChanged(const CKetrelRect& old, const CKetrelRect& now) override;
    bool OnPointerDown(i32 button, i32 x, i32 y) override;
    bool OnPointerUp(i32 button, i32 x, i32 y) override;
    // The capture taken away: unpressed, cancel callback, then the base release.
    void ReleaseCapture() override;
    int UpdateSelf(f32 dt) override;
    void OnVisibilityChanged(bool visible) override;
    void CopyFrom(const CWidget* source) override;

    // Counts the click and fires "onclick"; nothing without a callback.
    virtual void Click();
    void FireSecondaryCallback();
    void SetPressed(bool pressed);
    bool IsPressed() const { return m_pressed != 0; }

    f32 GetInputLockTime() const { return m_inputLockTime; }
    void SetInputLockTime(f32 seconds) { m_inputLockTime = seconds; }
    f32 GetHitScale() const { return m_hitScale; }
    // Values <= 0 become 0; the hit area is recomputed.
    void SetHitScale(f32 scale);
    f32 GetHitExtra() const { return m_hitExtra; }
    void SetHitExtra(f32 extra) { m_hitExtra = extra; }
    const CKetrelRect& GetHitRect() const { return m_hitRect; }
    bool IsCancellable() const { return m_cancellable != 0; }
    void SetCancellable(bool cancellable) { m_cancellable = cancellable ? 1 : 0; }
    bool HasLayoutWidgets() const { return m_layoutWidgets != 0; }
    void SetLayoutWidgets(bool faces) { m_layoutWidgets = faces ? 1 : 0; }
    f32 GetClickDelay() const { return m_clickDelay; }
    void SetClickDelay(f32 seconds) { m_clickDelay = seconds; }
    bool IsClickPending() const { return m_clickTimer > 0.0f; }
    u32 GetClickCount() const { return m_clickCount; }

    const CUIActionCallback& GetClickCallback() const { return m_onClick; }
    void SetClickCallback(const CUIActionCallback& cb) { m_onClick = cb; }
    const CUIActionCallback& GetCancelCallback() const { return m_onCancel; }
    void SetCancelCallback(const CUIActionCallback& cb) { m_onCancel = cb; }

protected:
    // Toggle state of the toggle and page buttons; the plain button only keeps it.
    u32 m_toggled;

private:
    void UpdateHitRect();

    CUIActionCallback m_onClick;
    CUIActionCallback m_onCancel;
    f32 m_hitScale;
    f32 m_hitExtra;
    f32 m_inputLockTime;
    CKetrelRect m_hitRect;
    u32 m_pressed;
    u32 m_cancellable;
    u32 m_layoutWidgets;
    u32 m_clickCount;
    f32 m_clickDelay;
    f32 m_clickTimer;
};
