#pragma once
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurfaceDesc.h"

class CKetrelFile;
class CKetrelMediaPack;
class CKetrelString;
class IKetrelApplication;
struct _XGC;

// A pixel buffer in memory in one of the pixel formats 1 to 7, drawn by the
// software routines. It may own its pixels (Create, image loads) or describe a
// caller's buffer (CreateFromBuffer), which must then outlive it. Surfaces that
// are not 32-bit may carry an alpha plane of width x height bytes. A surface can
// also keep a GL texture copy of its pixels, uploaded again after every drawing
// operation unless the lock flags say otherwise. Main thread only.
//
// The owner application supplies the 8-bit palette and colour table, the default
// pixel format and the X display; it must outlive the surface.
class CKetrelSurface : public IKetrelGraphicsContext
{
public:
    CKetrelSurface();
    explicit CKetrelSurface(IKetrelApplication* owner);
    ~CKetrelSurface() override;                 // Release
    static CKetrelSurface* New();               // null without memory

    // Allocates a buffer for the description (pitch is computed). 2 for a size
    // of 0 or less (or format 0 without owner), 11 for a format outside 1-7, 7
    // without memory or for a size beyond the limit. Pixels are not cleared.
    int Create(IKetrelApplication* owner, const CKetrelSurfaceDesc* desc);
    // Describes caller-owned pixels with the description's pitch.
    int CreateFromBuffer(IKetrelApplication* owner, const CKetrelSurfaceDesc* desc,
                         void* pixels);
    // A cleared surface of the drawable's size (or of the description's, a missing
    // side derived from the drawable's aspect with KE_SDF_DRAWABLE_ASPECT).
    int CreateFromDrawable(IKetrelApplication* owner, CKetrelSurfaceDesc* desc,
                           unsigned long drawable);
    // Frees what the surface owns and empties it. Destroy is the same.
    void Release();
    void Destroy() { Release(); }

    // Pointer to the first row; fills out with the description when given.
    // Bit 0 of flags: the next unlock does not refresh the GL texture.
    u8* Lock(CKetrelSurfaceDesc* out, u32 flags);
    // The unlock: refreshes the GL texture unless bit 0 of the lock flags is set.
    void UpdateTexture();

    // --- pixels -----------------------------------------------------------
    u32 ColorToPixel(u32 colour) const;
    u32 RGBAToPixel(u32 r, u32 g, u32 b, u32 a) const;
    // Ignored outside the surface.
    void SetPixel(i32 x, i32 y, u32 colour);
    // 0xAARRGGBB, alpha from the alpha plane (255 without); 0 outside.
    u32 GetPixel(i32 x, i32 y) const;
    // Writes a value already in the surface's format; no texture refresh.
    int PutPixel(i32 x, i32 y, u32 value);
    int SetColorKeyFromPixel(i32 x, i32 y);
    void SetColorKey(u32 key) { m_colorKey = key; }
    u32 GetColorKey() const { return m_colorKey; }

    // --- alpha plane --------------------------------------------------------
    int CreateAlphaPlane();
    void FreeAlphaPlane();
    // alpha: rows of alphaDesc->pitch bytes (format 1, this surface's size).
    int SetAlphaPlane(const CKetrelSurfaceDesc* alphaDesc, const u8* alpha);
    // The mask's blue channel becomes the alpha.
    int SetAlphaFromSurface(const CKetrelSurface* mask);
    u8* GetAlphaPlane() const { return m_alpha; }

    // --- description ----------------------------------------------------------
    int GetBitsPerPixel() const { return m_bytesPerPixel * 8; }
    i32 GetBytesPerPixel() const { return m_bytesPerPixel; }
    i32 GetPitch() const { return m_pitch; }
    u32 GetFlags() const { return m_flags; }
    u8* GetPixels() const { return m_pixels; }
    IKetrelApplication* GetOwner() const { return m_owner; }

    // --- sprite frames ---------------------------------------------------------
    void SetFrameSize(i32 frameWidth, i32 frameHeight);
    void GetFrameRect(i32 frame, CKetrelRect* out) const;
    void GetFrameRectRelative(i32 frame, CKetrelRectF* out) const;
    static void GetRectOrWhole(const CKetrelRect* rect, CKetrelRect* out,
                               const IKetrelGraphicsContext* context);

    // --- GL texture copy -------------------------------------------------------
    int CreateTexture(u32 glFormat, u32 glType, int mipmaps);
    int CreateTextureAuto();
    int RecreateTexture();
    void ReleaseTexture();
    int UploadTexture();
    u32 GetTextureName() const { return m_texture; }
    int IsMipmapped() const { return m_mipmapped; }

    // --- X11 transfer -----------------------------------------------------------
    int CreatePixmap(_XGC** out);
    void ReleasePixmap(_XGC* gc, int copyBack);

    // --- images -------------------------------------------------------------------
    // Loads decode PNG or JPEG into this surface in the description's format
    // (null description: all zero). 1 success, 7 undecodable or out of memory.
    int LoadFromPack(IKetrelApplication* owner, CKetrelMediaPack* pack,
                     const CKetrelString& name, int index, const CKetrelSurfaceDesc* desc);
    int LoadFromFile(IKetrelApplication* owner, const CKetrelString& path,
                     const CKetrelSurfaceDesc* desc);
    int LoadFromMemory(IKetrelApplication* owner, const void* data, int size,
                       const CKetrelSurfaceDesc* desc);
    // name_alpha.ext from the pack (null: the file system) becomes the alpha.
    int LoadAlphaCompanion(const CKetrelString& name, CKetrelMediaPack* pack);
    int DecodeImage(CKetrelFile& file, int size, const CKetrelSurfaceDesc* desc);
    // JPEG (".jpg" in the path), PNG (".png") or else BMP. 1 saved, 0 failed,
    // 3 without an owner application.
    int SaveImage(const CKetrelString& path);

    // --- IKetrelGraphicsContext -------------------------------------------------
    int IsHardware() const override { return 0; }
    i32 GetWidth() const override { return m_width; }
    i32 GetHeight() const override { return m_height; }
    int GetPixelFormat() const override { return m_format; }

    int FillRect(u32 colour, const CKetrelRect* rect) override;
    int FillRectRelative(u32 colour, const CKetrelRectF* rect) override;
    int FillGradient(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                     const CKetrelRect* rect) override;
    int FillGradientRelative(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                             const CKetrelRectF* rect) override;
    int FillRectAlpha(u32 colour, const CKetrelRect* rect) override;
    int FillRectAlphaRelative(u32 colour, const CKetrelRectF* rect) override;
    int DimRect(const CKetrelRect* rect, f32 factor) override;
    int DimRectRelative(const CKetrelRectF* rect, f32 factor) override;
    int Blit(i32 x, i32 y, IKetrelGraphicsContext* source, const CKetrelRect* sourceRect,
             u32 flags) override;
    int BlitRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                     const CKetrelRectF* sourceRect, u32 flags) override;
    int StretchBlit(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                    const CKetrelRect* sourceRect, u32 flags) override;
    int StretchBlitRelative(const CKetrelRectF* destRect, IKetrelGraphicsContext* source,
                            const CKetrelRectF* sourceRect, u32 flags) override;
    int BlitRotated(i32 x, i32 y, IKetrelGraphicsContext* source, f32 angle, i32 radius,
                    u32 flags) override;
    int BlitRotatedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                            f32 angle, f32 radius, u32 flags) override;
    int BlitTinted(i32 x, i32 y, IKetrelGraphicsContext* source, const CKetrelRect* sourceRect,
                   u32 colour, u32 flags) override;
    int BlitTintedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                           const CKetrelRectF* sourceRect, u32 colour, u32 flags) override;
    int StretchBlitTinted(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                          const CKetrelRect* sourceRect, u32 colour, u32 flags) override;
    int StretchBlitTintedRelative(const CKetrelRectF* destRect, IKetrelGraphicsContext* source,
                                  const CKetrelRectF* sourceRect, u32 colour,
                                  u32 flags) override;
    int DrawLine(i32 x1, i32 y1, i32 x2, i32 y2, u32 colour1, u32 colour2) override;
    int DrawLineRelative(const CKetrelVector2* p1, const CKetrelVector2* p2, u32 colour1,
                         u32 colour2) override;
    int StretchBlitTransformed(const CKetrelRectF* rect, const CKetrelMatrix4* matrix,
                               IKetrelGraphicsContext* source, const CKetrelRectF* sourceRect,
                               u32 flags) override;
    i32 RelativeToPixelX(f32 x) const override;
    i32 RelativeToPixelY(f32 y) const override;
    f32 PixelToRelativeX(i32 x) const override;
    f32 PixelToRelativeY(i32 y) const override;
    // Edges clamped into the surface; an inverted rect is kept as an empty one, in
    // which nothing is drawn (the opaque fill, the invert and the point plot are
    // bounded by the surface alone).
    void SetClipRect(const CKetrelRect* rect) override;
    void GetClipRect(CKetrelRect* out) const override;

    // --- further software drawing --------------------------------------------------
    // Background fill, then colour fading out from the rect's centre.
    int DrawRadialGradient(u32 background, u32 colour, f32 scale, const CKetrelRect* rect);
    int DrawRadialGradientRelative(u32 background, u32 colour, f32 scale,
                                   const CKetrelRectF* rect);
    // Bitwise complement of every pixel, alpha included (not for format 1).
    int Invert();
    // One pixel and the neighbours chosen by mask (1 right, then clockwise to 128
    // upper right); drawn only at least one pixel inside every edge.
    int PlotPoint(i32 x, i32 y, u32 colour, u32 neighbourMask);

private:
    CKetrelSurface(const CKetrelSurface&) = delete;
    CKetrelSurface& operator=(const CKetrelSurface&) = delete;

    void BeginDraw() { m_lockFlags = 0; }
    void ClearFields();
    int ImportPixels(const u8* rows, i32 width, i32 height, i32 stride, int hasAlpha,
                     const CKetrelSurfaceDesc* desc);
    int DecodeWithPixbuf(CKetrelFile& file, int size, const CKetrelSurfaceDesc* desc);
    int StretchSmooth(const CKetrelRect& dest, CKetrelSurface* source,
                      const CKetrelRect& src);

    // Clip rectangle: always within 0..width, 0..height.
    i32 m_clipLeft, m_clipTop, m_clipRight, m_clipBottom;
    u8* m_pixels;
    _XGC* m_xgc;
    unsigned long m_pixmap;
    _XGC** m_xgcSlot;
    i32 m_width, m_height, m_pitch, m_format;
    u32 m_flags;
    i32 m_bytesPerPixel;
    u32 m_colorKey;        // 24 bits for 24/32-bit formats, else the raw pixel
    i64 m_bufferSize;      // width x height x bytes per pixel
    int m_ownsPixels;
    mutable u32 m_lockFlags;  // bit 0: the next unlock skips the texture refresh
    u8* m_alpha;           // width x height, pitch = width; never on 32-bit surfaces
    i32 m_frameWidth, m_frameHeight, m_frameColumns, m_frameRows;
    IKetrelApplication* m_owner;
    u32 m_texture;         // GL name, 0 = none
    int m_mipmapped;
    u32 m_glFormat;
    u32 m_glType;
};
