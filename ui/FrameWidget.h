#pragma once
// ui/FrameWidget.h: a picture (the widget's own image) shown inside a decorated,
// shaped frame, composed on the GPU in one pass: the premultiplied border image is
// laid over the picture and the mask image's alpha shapes the result. The border's
// sprite-frame size is the corner size: corners keep their size when the widget is
// stretched, edges stretch. Without the shader, a picture, a border or a mask (or on
// a software target) the picture is drawn as a plain image.
//
// The shader program "framewidget_shader" is built once and registered with the
// resource manager, which owns it from then on.
#include "ui/ImageWidget.h"

class CKetrel3DProgram;

class CFrameWidget : public CImageWidget
{
public:
    static const char* const kProgramName;   // "framewidget_shader"
    // Vertex positions (2 floats) and picture / border texture coordinates (4 floats)
    // of the 4 x 4 grid, and the 54 indices of its nine quads.
    enum { GridVertices = 16, FloatsPerVertex = 6, IndexCount = 54 };
    static const u8 kIndices[IndexCount];

    CFrameWidget();
    ~CFrameWidget() override;

    static CFrameWidget* Cast(CWidget* w) { return WidgetCast<CFrameWidget>(w, CWidgetType::Frame()); }
    const CWidgetType& GetType() const override { return CWidgetType::Frame(); }

    // 2 without an application or a resource manager; else the image's Init, opaque
    // to input.
    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    // LoadShader, then the image's update.
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;

    CKetrelSurface* GetMaskImage() const { return m_maskImage; }
    void SetMaskImage(CKetrelSurface* image);
    CKetrelSurface* GetBorderImage() const { return m_borderImage; }
    void SetBorderImage(CKetrelSurface* image);
    // Finds or builds the shader program (nothing once there is one, or without a GL
    // renderer). 1 when the widget has its program.
    int LoadShader();
    CKetrel3DProgram* GetProgram() const { return m_program; }

    // The 16 vertices for a destination on a target of targetW x targetH pixels,
    // with border corners of cw x ch, a border image of bw x bh and a picture of
    // pw x ph. False for an empty destination or image.
    static bool BuildGrid(const CKetrelRect& dest, i32 targetW, i32 targetH, i32 cw, i32 ch,
                          i32 bw, i32 bh, i32 pw, i32 ph, f32 out[GridVertices * FloatsPerVertex]);

private:
    // Gives the program's reference back to the manager (deletes one it does not know).
    void ReleaseProgram();

    CKetrelSurface* m_maskImage;
    CKetrelSurface* m_borderImage;
    CKetrel3DProgram* m_program;   // one reference of the manager's
};
