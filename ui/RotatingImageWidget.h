#pragma once
// ui/RotatingImageWidget.h: an image drawn turned by an angle that advances at a set
// speed (a busy indicator), optionally snapped to a number of steps per turn. Drawn
// without clipping by default.
#include "ui/ImageWidget.h"

class CRotatingImageWidget : public CImageWidget
{
public:
    static constexpr f32 kFullTurn = 6.2831855f;

    CRotatingImageWidget();

    static CRotatingImageWidget* Cast(CWidget* w)
    { return WidgetCast<CRotatingImageWidget>(w, CWidgetType::RotatingImage()); }
    const CWidgetType& GetType() const override { return CWidgetType::RotatingImage(); }

    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    // The angle moves by -dt x speed and stays within +-2pi; frames and fades of the
    // image widget do not run.
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;

    void SetSpeed(f32 radiansPerSecond) { m_speed = radiansPerSecond; }
    f32 GetSpeed() const { return m_speed; }
    void SetAngle(f32 radians);
    f32 GetAngle() const { return m_angle; }
    // n > 0: snaps to 2pi / n; otherwise smooth.
    void SetSteps(i32 n) { m_stepAngle = n > 0 ? kFullTurn / (f32)n : 0.0f; }
    i32 GetSteps() const;
    // The angle drawn now (snapped).
    f32 GetDrawnAngle() const;

private:
    f32 m_speed;
    f32 m_angle;
    f32 m_stepAngle;
};
