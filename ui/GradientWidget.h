#pragma once
// ui/GradientWidget.h: fills its rectangle with a two-colour gradient: vertical
// (colour 1 at the top), horizontal (colour 1 at the left) or radial. A radial
// gradient is rendered once into a 64 x 64 image shared through the resource
// manager by every gradient of the same colours and radius, and stretched into the
// rectangle. Both colours are opaque; during the click flash they are mixed with
// the overlay colour.
#include "ui/ImageWidget.h"

class CGradientWidget : public CImageWidget
{
public:
    enum { DIR_VERTICAL = 0, DIR_HORIZONTAL = 1, DIR_RADIAL = 2 };
    enum { RadialImageSize = 64 };

    CGradientWidget();

    static CGradientWidget* Cast(CWidget* w)
    { return WidgetCast<CGradientWidget>(w, CWidgetType::Gradient()); }
    const CWidgetType& GetType() const override { return CWidgetType::Gradient(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    void CopyFrom(const CWidget* source) override;

    // The kind lives in the top four bits of the image flags.
    i32 GetDirection() const { return (i32)(m_flags >> 28); }
    void SetDirection(i32 direction) { m_flags = (m_flags & 0x0FFFFFFFu) | ((u32)direction & 0xF) << 28; }
    void SetColor1(u32 colour) { m_color1 = colour | 0xFF000000u; }
    void SetColor2(u32 colour) { m_color2 = colour | 0xFF000000u; }
    u32 GetColor1() const { return m_color1; }
    u32 GetColor2() const { return m_color2; }
    void SetRadius(f32 radius) { m_radius = radius; }
    f32 GetRadius() const { return m_radius; }
    // The shared image's key: "radial_gradient_%08x_%08x" of colour 2 and colour 1,
    // then the radius (gradients of other radii differ).
    CKetrelString GetRadialKey() const;

private:
    CKetrelSurface* MakeRadialImage(IKetrelGraphicsContext* gc);

    u32 m_color1;
    u32 m_color2;
    f32 m_radius;
};
