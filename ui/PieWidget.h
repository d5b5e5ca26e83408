#pragma once
// ui/PieWidget.h: a circle sector of one colour filling the widget's rectangle,
// drawn directly with OpenGL ES 2.0 as a triangle fan (a turn clock). Angle 0 points
// straight up and the sector grows counter-clockwise. Nothing is drawn on a software
// target. The colour's alpha is not used (blending is off).
#include "ui/Widget.h"

class CPieWidget : public CWidget
{
public:
    enum { MinSegments = 6, MaxSegments = 256 };
    static constexpr f32 kFullTurn = 6.2831855f;

    CPieWidget();
    ~CPieWidget() override;

    static CPieWidget* Cast(CWidget* w) { return WidgetCast<CPieWidget>(w, CWidgetType::Pie()); }
    const CWidgetType& GetType() const override { return CWidgetType::Pie(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    int UpdateSelf(f32) override { return 1; }
    void CopyFrom(const CWidget* source) override;

    // Clamped to 6..256; a new vertex array.
    void SetSegments(i32 n);
    i32 GetSegments() const { return m_segments; }
    void SetColor(u32 colour) { m_color = colour; }
    u32 GetColor() const { return m_color; }
    // Clamped to 0..2pi (NaN gives 0).
    void SetAngle(f32 radians);
    f32 GetAngle() const { return m_angle; }
    // Fills the vertex array for a destination given in normalized device
    // coordinates (x right, y up): the centre, then segments rim vertices, 7 floats
    // each (x, y, z, r, g, b, a). Returns the array (segments + 1 vertices).
    const f32* BuildVertices(f32 left, f32 top, f32 right, f32 bottom);

private:
    u32 m_color;
    f32 m_angle;
    i32 m_segments;
    f32* m_vertices;   // owned, (segments + 1) x 7
};
