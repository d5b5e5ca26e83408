#pragma once
// ui/ProgressBar.h: a background image (the widget's own) with, over it, the part of
// a progress image that the progress fills, growing from one side (0 left, 1 top,
// 2 right, 3 bottom). Below the low limit the low image is used instead.
#include "ui/ImageWidget.h"

class CProgressBar : public CImageWidget
{
public:
    CProgressBar();
    ~CProgressBar() override;

    static CProgressBar* Cast(CWidget* w)
    { return WidgetCast<CProgressBar>(w, CWidgetType::ProgressBar()); }
    const CWidgetType& GetType() const override { return CWidgetType::ProgressBar(); }

    void Close() override;
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    // Copies nothing of its own: a copy starts empty at progress 0.
    void CopyFrom(const CWidget* source) override { CImageWidget::CopyFrom(source); }

    // Clamped to 0..1 (NaN gives 0).
    void SetProgress(f32 progress);
    f32 GetProgress() const { return m_progress; }
    void SetProgressImage(CKetrelSurface* image);
    CKetrelSurface* GetProgressImage() const { return m_progressImage; }
    void SetLowImage(CKetrelSurface* image);
    CKetrelSurface* GetLowImage() const { return m_lowImage; }
    void SetLowLimit(f32 limit);
    f32 GetLowLimit() const { return m_lowLimit; }
    // Clamped to 0..3.
    void SetSide(i32 side) { m_side = side < 0 ? 0 : (side > 3 ? 3 : side); }
    i32 GetSide() const { return m_side; }
    // The destination and source rectangles of the filled part for a destination of
    // area and an image of iw x ih; false when nothing is filled.
    bool GetFillRects(const CKetrelRect& area, i32 iw, i32 ih, CKetrelRect* dest,
                      CKetrelRect* src) const;

private:
    CKetrelSurface* m_progressImage;
    CKetrelSurface* m_lowImage;
    f32 m_progress;
    f32 m_lowLimit;
    i32 m_side;
};
