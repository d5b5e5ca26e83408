#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/graphics/KetrelGraphicsExt.h"

class CKetrel3DProgram;
class CKetrelSurface;

// The hardware renderer: every drawing operation of IKetrelGraphicsContext with
// OpenGL ES 2.0 on an EGL window surface of the owner application's X window.
// Textured drawing takes a software CKetrelSurface that carries a GL texture as
// its source. The renderer owns the built-in shader programs that its own
// drawing, the bitmap fonts and widgets use. Main thread only (it owns the EGL
// context); nothing here locks.
//
// Relative coordinates (0 to 1 of the target) become GL clip space as
// x = 2x - 1, y = 1 - 2y. Quads are triangle fans top-left, bottom-left,
// bottom-right, top-right, built in one scratch area and drawn from client
// memory. Where results differ from the software surface (opaque fill bounded
// by its rect and not by the clip, additive alpha fill, multiply, colour key,
// flag 0x400 selecting the tint program, the rotated blit's size and anchor),
// the operation's comment says so.
class CKetrelGraphicsExt_GLES2 : public IKetrelGraphicsExt
{
public:
    CKetrelGraphicsExt_GLES2();
    ~CKetrelGraphicsExt_GLES2() override;   // programs must have gone with Shutdown

    // Convenience for clients holding a drawing target: the renderer when the
    // target is this hardware renderer, else null.
    static CKetrelGraphicsExt_GLES2* FromContext(IKetrelGraphicsContext* context);

    // ---- IKetrelGraphicsExt ----
    // EGL display, the config whose native visual is the window's, window
    // surface and context, then the seven built-in programs and the GL state.
    // Whatever an earlier Create made is shut down first. 2 without an owner or
    // window, 9 when EGL fails (nothing is left behind), 2 when a built-in
    // program does not build (its log is printed to the error stream).
    int Create(IKetrelApplication* owner) override;
    void Release() override;                 // size 0, then Shutdown
    // Swaps the buffers and zeroes the frame's bind and switch counters. 1 when
    // the swap succeeded, else 0.
    int Present() override;
    // Stores the size, sets the viewport and drops the clip rectangle. 1.
    int Resize(i32 width, i32 height) override;
    // Deletes the programs, then the EGL context, surface and display.
    void Shutdown() override;
    // Create again on the stored owner, after the GL context was lost.
    int Restore() override;

    // ---- IKetrelGraphicsContext ----
    int IsHardware() const override { return 1; }
    i32 GetWidth() const override { return m_width; }
    i32 GetHeight() const override { return m_height; }
    int GetPixelFormat() const override { return 0; }

    // A GL clear of colour and depth. With a rect it is limited to the rect
    // (not to the clip rectangle) and leaves the scissor test disabled; without
    // one it is limited by the clip rectangle in force.
    int FillRect(u32 colour, const CKetrelRect* rect) override;
    int FillRectRelative(u32 colour, const CKetrelRectF* rect) override;
    // c0 top-left, c1 top-right, c2 bottom-right, c3 bottom-left; no blending.
    int FillGradient(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                     const CKetrelRect* rect) override;
    int FillGradientRelative(u32 topLeft, u32 topRight, u32 bottomRight, u32 bottomLeft,
                             const CKetrelRectF* rect) override;
    // Additive: the colour times its alpha is added to the target.
    int FillRectAlpha(u32 colour, const CKetrelRect* rect) override;
    int FillRectAlphaRelative(u32 colour, const CKetrelRectF* rect) override;
    int DimRect(const CKetrelRect* rect, f32 factor) override;
    int DimRectRelative(const CKetrelRectF* rect, f32 factor) override;
    // Blits: KE_BLT_MULTIPLY multiplies target by source; KE_BLT_ALPHA blends
    // premultiplied colour; centre flags centre in the whole target. The source
    // must be a surface with a GL texture, else 2 and nothing changes.
    int Blit(i32 x, i32 y, IKetrelGraphicsContext* source, const CKetrelRect* sourceRect,
             u32 flags) override;
    int BlitRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                     const CKetrelRectF* sourceRect, u32 flags) override;
    int StretchBlit(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                    const CKetrelRect* sourceRect, u32 flags) override;
    int StretchBlitRelative(const CKetrelRectF* destRect, IKetrelGraphicsContext* source,
                            const CKetrelRectF* sourceRect, u32 flags) override;
    // size: the length of the source's larger side in pixels. The unturned
    // quad's top-left corner is on (x, y); it turns about its own centre.
    // KE_BLT_COLORKEY counts as KE_BLT_ALPHA here.
    int BlitRotated(i32 x, i32 y, IKetrelGraphicsContext* source, f32 angle, i32 size,
                    u32 flags) override;
    // scale: drawn size over the source's size.
    int BlitRotatedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                            f32 angle, f32 scale, u32 flags) override;
    // 0x400 selects the tint program (mixes the colour into the texel).
    int BlitTinted(i32 x, i32 y, IKetrelGraphicsContext* source, const CKetrelRect* sourceRect,
                   u32 colour, u32 flags) override;
    int BlitTintedRelative(const CKetrelVector2* point, IKetrelGraphicsContext* source,
                           const CKetrelRectF* sourceRect, u32 colour, u32 flags) override;
    // No mirror flags here.
    int StretchBlitTinted(const CKetrelRect* destRect, IKetrelGraphicsContext* source,
                          const CKetrelRect* sourceRect, u32 colour, u32 flags) override;
    int StretchBlitTintedRelative(const CKetrelRectF* destRect, IKetrelGraphicsContext* source,
                                  const CKetrelRectF* sourceRect, u32 colour,
                                  u32 flags) override;
    int DrawLine(i32 x1, i32 y1, i32 x2, i32 y2, u32 colour1, u32 colour2) override;
    int DrawLineRelative(const CKetrelVector2* p1, const CKetrelVector2* p2, u32 colour1,
                         u32 colour2) override;
    // Only the matrix's translation (elements 3 and 7) moves the rect.
    int StretchBlitTransformed(const CKetrelRectF* rect, const CKetrelMatrix4* matrix,
                               IKetrelGraphicsContext* source, const CKetrelRectF* sourceRect,
                               u32 flags) override;
    i32 RelativeToPixelX(f32 x) const override;
    i32 RelativeToPixelY(f32 y) const override;
    f32 PixelToRelativeX(i32 x) const override;
    f32 PixelToRelativeY(i32 y) const override;
    // Clamped into the target; right < left stores right = left. Null disables
    // the scissor test.
    void SetClipRect(const CKetrelRect* rect) override;
    void GetClipRect(CKetrelRect* out) const override;

    // ---- renderer only ----
    // A rotated, colour-modulated quad filling dest (null: the whole target),
    // turned about its centre. No mirror flags; the colour's alpha is not tested.
    int BlitRotatedTinted(const CKetrelRect* dest, IKetrelGraphicsContext* source,
                          const CKetrelRect* sourceRect, f32 angle, u32 colour, u32 flags);
    int BlitRotatedTintedRelative(const CKetrelRectF* dest, IKetrelGraphicsContext* source,
                                  const CKetrelRectF* sourceRect, f32 angle, u32 colour,
                                  u32 flags);

    // Makes the program current and, for the built-in quad programs, points
    // their attributes at vertices. 1 when something had to be done, else 0.
    int UseProgram(CKetrel3DProgram* program, const void* vertices);
    // textureUnit: GL_TEXTURE0 + n or n. 1 when it bound, 0 when GL already had
    // that texture bound on the unit.
    int BindTexture(u32 textureUnit, u32 texture);
    // Bits of the colour buffer: 0 red, 1 green, 2 blue, 3 alpha.
    i32 GetColorBits(i32 channel) const;
    u32 HasTextureMaxLevel() const { return m_hasMaxLevel; }
    i32 GetEGLMajorVersion() const { return m_eglMajor; }
    i32 GetEGLMinorVersion() const { return m_eglMinor; }
    IKetrelApplication* GetOwner() const { return m_owner; }

    CKetrel3DProgram* GetSpriteSheetProgram() const { return m_spriteProgram; }
    CKetrel3DProgram* GetTexturedProgram() const { return m_texturedProgram; }
    CKetrel3DProgram* GetTintProgram() const { return m_tintProgram; }
    CKetrel3DProgram* GetColorProgram() const { return m_colorProgram; }
    CKetrel3DProgram* GetVertexColorProgram() const { return m_vertexColorProgram; }
    CKetrel3DProgram* GetFontProgram() const { return m_fontProgram; }
    CKetrel3DProgram* GetSecondFontProgram() const { return m_secondFontProgram; }
    i32 GetProgramCount() const { return m_programs.GetCount(); }
    CKetrel3DProgram* GetProgramAt(i32 index) const
    { return (CKetrel3DProgram*)m_programs.GetAt(index); }

    // Statistics of the frame since the last Present.
    u32 GetTextureBindCount() const { return m_textureBinds; }
    u32 GetProgramSwitchCount() const { return m_programSwitches; }

private:
    CKetrel3DProgram* BuildProgram(const char* vertex, const char* fragment, bool textured,
                                   int* result);
    // The source as a surface with a GL texture, or null.
    static CKetrelSurface* TextureSource(IKetrelGraphicsContext* source);
    void BindTextureForDraw(u32 texture);
    void SetBlendForFlags(u32 flags);
    // Fills the scratch with the four corners and texture coordinates of a quad
    // for the textured program and draws it.
    void DrawTexturedQuad(const f32* xy, const f32* uv);
    void DrawColorTexturedQuad(CKetrel3DProgram* program, const f32* xy, const f32* uv,
                               const f32* rgba);
    void DrawColorQuad(const f32* xy, const f32* colours);
    void BindUntextured();
    void RotatedCorners(f32 ax, f32 ay, f32 hw, f32 hh, f32 angle, u32 flags, f32* xy) const;

    // Clip rectangle, pixels; within 0..width, 0..height.
    i32 m_clipLeft, m_clipTop, m_clipRight, m_clipBottom;
    IKetrelApplication* m_owner;
    i32 m_width, m_height;
    void* m_eglDisplay;
    void* m_eglSurface;
    void* m_eglContext;
    void* m_eglConfig;
    i32 m_redBits, m_greenBits, m_blueBits, m_alphaBits;
    i32 m_eglMajor, m_eglMinor;
    u32 m_hasMaxLevel;            // GL_APPLE_texture_max_level is offered
    CKetrelPtrArray m_programs;   // CKetrel3DProgram*, owned, creation order
    CKetrel3DProgram* m_spriteProgram;
    CKetrel3DProgram* m_texturedProgram;
    CKetrel3DProgram* m_tintProgram;
    CKetrel3DProgram* m_colorProgram;
    CKetrel3DProgram* m_vertexColorProgram;
    CKetrel3DProgram* m_fontProgram;
    CKetrel3DProgram* m_secondFontProgram;
    u32 m_textureBinds;
    u32 m_programSwitches;
    u32 m_currentProgram;         // as last given to glUseProgram by UseProgram
    u32 m_lastTexture;
    const void* m_lastVertices;
    f32 m_scratch[32];            // four vertices of up to 32 bytes
};
