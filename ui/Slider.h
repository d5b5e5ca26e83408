#pragma once
// ui/Slider.h: a knob dragged along a horizontal or vertical track. The knob follows
// the finger while the slider holds the pointer; the value is set, and
// "onvaluechanged" fired when it changed, only when the finger is lifted. The knob
// is the child "knob_template", taken out on the first update.
#include "ui/Widget.h"

class CSlider : public CWidget
{
public:
    enum { HORIZONTAL = 0, VERTICAL = 1 };

    CSlider();
    ~CSlider() override;

    static CSlider* Cast(CWidget* w) { return WidgetCast<CSlider>(w, CWidgetType::Slider()); }
    const CWidgetType& GetType() const override { return CWidgetType::Slider(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    // A slider: clones of a slider are sliders.
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    // Takes the pointer so that moves and the release come here.
    bool OnPointerDown(i32 button, i32 x, i32 y) override;
    bool OnPointerMove(i32 button, i32 x, i32 y) override;
    bool OnPointerUp(i32 button, i32 x, i32 y) override;
    // A cancelled drag puts the knob back, without a callback.
    void ReleaseCapture() override;
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;

    // minValue + (maxValue - minValue) x fraction.
    f32 GetValue() const;
    // Clamped into the range (either order of its ends); on a change of the fraction
    // "onvaluechanged" fires.
    void SetValue(f32 value);
    f32 GetMinValue() const { return m_minValue; }
    f32 GetMaxValue() const { return m_maxValue; }
    void SetMinValue(f32 value);
    void SetMaxValue(f32 value);
    f32 GetFraction() const { return m_fraction; }
    u32 GetOrientation() const { return m_orientation; }
    void SetOrientation(u32 orientation) { m_orientation = orientation; }
    CWidget* GetKnob() const { return m_knob; }
    void SetValueChangedCallback(const CUIActionCallback& cb) { m_onValueChanged = cb; }
    const CUIActionCallback& GetValueChangedCallback() const { return m_onValueChanged; }

private:
    void TrackPointer(i32 x, i32 y);

    f32 m_minValue;
    f32 m_maxValue;
    f32 m_fraction;
    f32 m_pressFraction;
    u32 m_orientation;
    CUIActionCallback m_onValueChanged;
    CWidget* m_knob;   // owned
    u32 m_templatePending;
};
