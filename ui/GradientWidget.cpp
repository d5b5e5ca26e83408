// ui/GradientWidget.cpp
#include "ui/GradientWidget.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "ui/WidgetMath.h"

#include <GLES2/gl2.h>
#include <new>

namespace
{
// rgb of o x (1 - alpha) + c x alpha, alpha of the overlay's alpha byte; c's alpha kept.
u32 MixOverlay(u32 c, u32 o)
{
    const u32 a = o >> 24;
    u32 out = c & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        const u32 cc = (c >> shift) & 0xFF, oc = (o >> shift) & 0xFF;
        out |= ((oc * (255 - a) + cc * a + 127) / 255) << shift;
    }
    return out;
}
}  // namespace

CGradientWidget::CGradientWidget() : m_color1(0xFFFFFFFFu), m_color2(0xFF000000u), m_radius(1.0f) {}

int CGradientWidget::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CImageWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    SetTransparent(true);
    return KE_OK;
}

CWidget* CGradientWidget::CreateInstance() const { return new CGradientWidget(); }

CKetrelString CGradientWidget::GetRadialKey() const
{
    CKetrelString key;
    key.Format(L"radial_gradient_%08x_%08x_%.4f", m_color2, m_color1, m_radius);
    return key;
}

CKetrelSurface* CGradientWidget::MakeRadialImage(IKetrelGraphicsContext* gc)
{
    CKetrelSurface* s = new (std::nothrow) CKetrelSurface();
    if (!s)
        return nullptr;
    CKetrelSurfaceDesc desc = {};
    desc.width = RadialImageSize;
    desc.height = RadialImageSize;
    desc.pixelFormat = KE_PF_RGB888;
    if (s->Create(nullptr, &desc) != KE_OK)
    {
        delete s;
        return nullptr;
    }
    s->DrawRadialGradient(m_color2, m_color1, m_radius, nullptr);
    if (gc && gc->IsHardware())
        s->CreateTexture(GL_RGB, GL_UNSIGNED_BYTE, 0);
    return s;
}

int CGradientWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!gc)
        return KE_OK;
    CKetrelRect saved;
    gc->GetClipRect(&saved);
    CKetrelRect clip = widgetmath::Intersect(saved, area);
    gc->SetClipRect(&clip);
    u32 c1 = m_color1, c2 = m_color2;
    if (m_flags & IMAGE_FADING)
    {
        c1 = MixOverlay(c1, GetOverlayColor());
        c2 = MixOverlay(c2, GetOverlayColor());
    }
    int r = KE_OK;
    const i32 direction = GetDirection();
    if (direction == DIR_VERTICAL)
        r = gc->FillGradient(c1, c1, c2, c2, &area);
    else if (direction == DIR_HORIZONTAL)
        r = gc->FillGradient(c1, c2, c2, c1, &area);
    else if (direction == DIR_RADIAL)
    {
        if (!GetImage())
        {
            IUIResourceManager* res = GetResourceManager();
            const CKetrelString key = GetRadialKey();
            CKetrelSurface* image = res ? res->GetImage(key, 0) : nullptr;
            if (!image)
            {
                image = MakeRadialImage(gc);
                if (image && res)
                    res->RegisterImage(key, image);
            }
            if (image)
            {
                SetImage(image);
                if (res)
                    res->ReleaseImage(&image);   // the lookup's (or registration's) reference
            }
        }
        // Into the widget's own rectangle, however large the target is.
        if (GetImage())
            r = gc->StretchBlit(&area, GetImage(), nullptr, 0);
    }
    gc->SetClipRect(&saved);
    return r;
}

void CGradientWidget::CopyFrom(const CWidget* source)
{
    CWidget::CopyFrom(source);
    const CGradientWidget* o = CGradientWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_flags = o->m_flags;
    CKetrelSurface* mine = GetImage();
    if (mine != o->GetImage())
    {
        // Shared through the manager, or a copy of our own.
        CKetrelSurface* slot = nullptr;
        ShareSurface(GetResourceManager(), &slot, o->GetImage());
        SetImage(nullptr);
        SetImage(slot);
        if (slot && GetResourceManager())
            GetResourceManager()->ReleaseImage(&slot);
    }
    m_color1 = o->m_color1;
    m_color2 = o->m_color2;
    m_radius = o->m_radius;
}
