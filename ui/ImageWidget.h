#pragma once
// ui/ImageWidget.h: a widget that draws one image, or one frame of a sprite-sheet
// image, into its rectangle, and carries the one-second fade-in that buttons play
// when clicked.
//
// Images are shared through the resource manager's reference count; an image the
// manager does not know (or any image when there is no manager) is owned by the
// widget, which releases and deletes it when it is replaced or the widget closes.
#include "engine/KetrelRect.h"
#include "ui/Widget.h"

class CKetrelSurface;
class IEasingCurve;

class CImageWidget : public CWidget
{
public:
    enum
    {
        IMAGE_STRETCH = 0x01,            // scaled into the rectangle
        IMAGE_SKIP_CLIPPED_DRAW = 0x02,  // drawn only when wholly inside the target
        IMAGE_SKIP_ANIMATION = 0x04,     // the frame clock does not advance
        IMAGE_KEEP_ASPECT = 0x08,        // stretched keeping the frame's aspect, centred
        IMAGE_NO_CLIP = 0x10,            // drawn with no clip rectangle at all
        IMAGE_FADING = 0x20              // fade-in running: tinted with the overlay colour
    };

    CImageWidget();
    ~CImageWidget() override;            // releases what Close did not

    static CImageWidget* Cast(CWidget* w) { return WidgetCast<CImageWidget>(w, CWidgetType::Image()); }
    const CWidgetType& GetType() const override { return CWidgetType::Image(); }

    // The widget's Init; then transparent to input, no image (a held one is given
    // back), no source rectangle, no animation, no fade. A failure is reported and
    // returned.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    int UpdateSelf(f32 dt) override;
    // Hiding cancels the fade-in.
    void OnVisibilityChanged(bool visible) override;
    void CopyFrom(const CWidget* source) override;

    CKetrelSurface* GetImage() const { return m_image; }
    // Gives the held image back and takes image (see the ownership rule above).
    virtual void SetImage(CKetrelSurface* image);

    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    f32 GetFrameDuration() const { return m_frameDuration; }
    void SetFrameDuration(f32 seconds) { m_frameDuration = seconds; }
    // Columns x rows of the image's frame grid; 1 without an image.
    i32 GetFrameCount() const;
    // trunc(clock / duration) mod count; 0 when the duration is <= 0.
    i32 GetFrame() const;
    // Moves the clock to frame mod count (a negative frame counts as 0); returns
    // frame / count.
    i32 SetFrame(i32 frame);
    // An explicit source rectangle in image pixels, drawn instead of the frame.
    void SetSourceRect(const CKetrelRect& rect);
    void ClearSourceRect() { m_useSourceRect = 0; }
    // The explicit source rectangle, else the current frame's; false without either.
    bool GetSourceRect(CKetrelRect* out) const;

    // The click flash: 1 s from transparent to opaque, on this widget and every
    // visible image widget below it. Nothing while hidden.
    void FadeIn();
    // The flash on the visible image widgets below w only (a faceless button's faces),
    // at any depth; children of a hidden widget are skipped.
    static void FadeInBelow(CWidget* w);
    // Stops the flash here and on every image widget below (visible or not).
    void CancelFadeIn();
    bool IsFading() const { return (m_flags & IMAGE_FADING) != 0; }

    // A new surface with the pixels, alpha plane, frame grid and (when the source has
    // one) a texture of source; null when it cannot be made. The caller owns it.
    static CKetrelSurface* DuplicateSurface(const CKetrelSurface* source);

protected:
    // Gives *slot back to resources (or releases and deletes it when resources do not
    // know it) and clears the slot.
    static void ReleaseSurface(IUIResourceManager* resources, CKetrelSurface** slot);
    // ReleaseSurface, then *slot = next with a reference taken on it.
    static void ExchangeSurface(IUIResourceManager* resources, CKetrelSurface** slot,
                                CKetrelSurface* next);
    // For copies: shares other through resources when they know it, else puts a
    // pixel copy of our own in the slot (two owners of one surface would both
    // delete it).
    static void ShareSurface(IUIResourceManager* resources, CKetrelSurface** slot,
                             CKetrelSurface* other);
    // Draws image (source rectangle src, or the whole image) into dest by the blend
    // colour: plain for 0xFFFFFFFF, tinted for other non-zero alphas, nothing for
    // alpha 0. The blit's result, or 1.
    int BlitByBlendColor(IKetrelGraphicsContext* gc, const CKetrelRect& dest,
                         CKetrelSurface* image, const CKetrelRect* src) const;

    u32 m_flags;

private:
    void StartFade();
    void StopFade();

    CKetrelSurface* m_image;
    u32 m_useSourceRect;
    CKetrelRect m_sourceRect;
    f32 m_frameDuration;
    f32 m_animClock;
    f32 m_fadeTime;
    IEasingCurve* m_fadeCurve;   // owned; made on first use
};
