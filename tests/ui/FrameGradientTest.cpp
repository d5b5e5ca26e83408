// Frame, gradient and rotating image: the frame's grid and its composed pixels
// (corners keep their size, the mask shapes the result, GL state restored after);
// gradient end colours, shared radial images drawn into the widget's own rectangle;
// the rotating image's wrap and snapping.
#include "WidgetKit.h"

#include "ui/FrameWidget.h"
#include "ui/GradientWidget.h"
#include "ui/RotatingImageWidget.h"

#include <cmath>

using kit::App;
using kit::New;

TEST(FrameWidgetTest, InitNeedsServicesAndGridIsInNormalizedCoordinates)
{
    CFrameWidget loose;
    EXPECT_EQ(loose.Init(nullptr, nullptr, CKetrelRect(0, 0, 10, 10)), 2);
    f32 grid[CFrameWidget::GridVertices * CFrameWidget::FloatsPerVertex];
    EXPECT_FALSE(CFrameWidget::BuildGrid(CKetrelRect(5, 5, 5, 40), 100, 100, 10, 10, 30, 30, 16, 16, grid));
    ASSERT_TRUE(CFrameWidget::BuildGrid(CKetrelRect(0, 0, 100, 50), 100, 100, 10, 10, 30, 30, 16, 16, grid));
    // Vertex 0 is the top-left corner of the target: (-1, 1); vertex 15 (100, 50): (1, 0).
    EXPECT_FLOAT_EQ(grid[0], -1.0f);
    EXPECT_FLOAT_EQ(grid[1], 1.0f);
    EXPECT_FLOAT_EQ(grid[15 * 6], 1.0f);
    EXPECT_FLOAT_EQ(grid[15 * 6 + 1], 0.0f);
    // The corner column of the border image: 10 of its 30 pixels.
    EXPECT_FLOAT_EQ(grid[1 * 6 + 4], 1.0f / 3.0f);
    EXPECT_EQ(CFrameWidget::kIndices[0], 0);
    EXPECT_EQ(CFrameWidget::kIndices[53], 10);
}

TEST(RotatingImageTest, AngleWrapsAndSnaps)
{
    App app;
    CRotatingImageWidget* r = New<CRotatingImageWidget>(app, nullptr, "r", 0, 0, 10, 10);
    r->SetSpeed(100.0f);
    for (int i = 0; i < 50; ++i)
    {
        r->Update(0.7f);   // more than a whole turn per update
        ASSERT_LE(std::fabs(r->GetAngle()), 6.2831855f);
    }
    r->SetAngle(0.9f);
    r->SetSteps(8);
    EXPECT_EQ(r->GetSteps(), 8);
    EXPECT_NEAR(r->GetDrawnAngle(), 0.7853982f, 1e-5);   // 45 degrees
    r->SetSteps(0);
    EXPECT_FLOAT_EQ(r->GetDrawnAngle(), 0.9f);
    EXPECT_EQ(r->GetSteps(), 0);
    r->SetSteps(-4);
    EXPECT_EQ(r->GetSteps(), 0);
    r->SetImage(kit::Solid(4, 4, 0xFFFFFFFFu));
    r->Render(&app.recorder);
    EXPECT_EQ(app.recorder.Of("BlitRotated").size(), 1u);
    EXPECT_NE(r->GetFlags() & CImageWidget::IMAGE_NO_CLIP, 0u);
    CWidget::Destroy(r);
}

TEST(GradientTest, ColoursKindsAndSharedRadialImages)
{
    App app;
    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480);
    CGradientWidget* g = New<CGradientWidget>(app, root, "g", 0, 0, 100, 100);
    g->SetColor1(0x00112233u);
    EXPECT_EQ(g->GetColor1(), 0xFF112233u);
    root->Render(&app.recorder);
    ASSERT_EQ(app.recorder.Of("FillGradientV").size(), 1u);
    g->SetDirection(CGradientWidget::DIR_HORIZONTAL);
    root->Render(&app.recorder);
    EXPECT_EQ(app.recorder.Of("FillGradientH").size(), 1u);

    auto radial = [&](f32 radius) {
        CGradientWidget* w = New<CGradientWidget>(app, root, "r", 0, 0, 50, 50);
        w->SetDirection(CGradientWidget::DIR_RADIAL);
        w->SetColor1(0xFFFF0000u);
        w->SetColor2(0xFF0000FFu);
        w->SetRadius(radius);
        return w;
    };
    CGradientWidget* a = radial(1.0f);
    CGradientWidget* b = radial(1.0f);
    CGradientWidget* c = radial(0.5f);
    root->Render(&app.recorder);
    ASSERT_NE(a->GetImage(), nullptr);
    EXPECT_EQ(a->GetImage(), b->GetImage());
    EXPECT_NE(a->GetImage(), c->GetImage());   // another radius, another image
    EXPECT_EQ(a->GetImage()->GetWidth(), 64);
    EXPECT_EQ(app.resources.Refs(a->GetImage()), 2);   // one per widget: freed with the last
    // Drawn into the widget's own rectangle.
    bool intoWidget = false;
    for (const kit::Call& call : app.recorder.Of("StretchBlit"))
        intoWidget |= call.dest.Width() == 50 && call.dest.Height() == 50;
    EXPECT_TRUE(intoWidget);
    CWidget::Destroy(root);
}

TEST(FramePixels, CornersMaskAndStateAfterwards)
{
    kit::Window win;
    if (!win.Open(200, 100))
        GTEST_SKIP() << win.skipReason;
    App app;
    app.gc = win.gl;
    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 200, 100);
    CFrameWidget* frame = New<CFrameWidget>(app, root, "frame", 20, 20, 80, 80);
    frame->SetImage(kit::Solid(16, 16, 0xFF0000FFu, true));
    // A red ring of 10-pixel cells around a transparent middle (premultiplied).
    CKetrelSurface* border = kit::MakeImage(30, 30, [](i32 x, i32 y) {
        return (x < 10 || x >= 20 || y < 10 || y >= 20) ? 0xFFFF0000u : 0x00000000u; }, true);
    border->SetFrameSize(10, 10);
    frame->SetBorderImage(border);
    // The mask cuts the top-left 5 x 5 pixels of the corner away.
    frame->SetMaskImage(kit::MakeImage(30, 30, [](i32 x, i32 y) {
        return (x < 5 && y < 5) ? 0x00000000u : 0xFFFFFFFFu; }, true));
    CImageWidget* after = New<CImageWidget>(app, root, "after", 150, 20, 190, 60);
    after->SetImage(kit::Solid(4, 4, 0xFF00FF00u, true));
    // A radial gradient smaller than the target: its own centre shows colour 1.
    CGradientWidget* g = New<CGradientWidget>(app, root, "g", 100, 60, 140, 100);
    g->SetDirection(CGradientWidget::DIR_RADIAL);
    g->SetColor1(0xFFFFFF00u);
    g->SetColor2(0xFF000000u);
    CGradientWidget* v = New<CGradientWidget>(app, root, "v", 100, 0, 140, 50);
    v->SetColor1(0xFFFFFFFFu);
    v->SetColor2(0xFF000000u);
    root->Update(0.0f);   // builds the shader
    ASSERT_NE(frame->GetProgram(), nullptr);
    win.Clear(0x404040);
    root->Render(win.gl);
    struct Probe { i32 x, y; u32 rgb; const char* what; };
    const Probe probes[] = {
        {22, 22, 0x404040, "masked corner"},
        {27, 27, 0xFF0000, "border corner"},
        {25, 50, 0xFF0000, "left edge"},
        {28, 50, 0xFF0000, "edge keeps its width"},
        {32, 50, 0x0000FF, "picture"},
        {50, 50, 0x0000FF, "picture middle"},
        {75, 75, 0xFF0000, "bottom-right corner"},
        {85, 50, 0x404040, "outside"},
        {170, 40, 0x00FF00, "a blit after the frame"},
        {120, 1, 0xFFFFFF, "vertical top"},
        {120, 48, 0x000000, "vertical bottom"},
        {120, 80, 0xFFFF00, "radial centre"},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(kit::Near(win.Read(p.x, p.y), p.rgb, 24))
            << p.what << ": " << kit::Hex(win.Read(p.x, p.y));
    EXPECT_TRUE(kit::Near(win.Read(102, 62), 0x000000, 60)) << kit::Hex(win.Read(102, 62));

    // Without a mask the picture is drawn as a plain image.
    frame->SetMaskImage(nullptr);
    win.Clear(0x404040);
    root->Render(win.gl);
    EXPECT_TRUE(kit::Near(win.Read(22, 22), 0x0000FF, 24)) << kit::Hex(win.Read(22, 22));

    // Each frame holds one reference of the shared program and gives it back on close.
    CKetrel3DProgram* program = frame->GetProgram();
    CFrameWidget* second = New<CFrameWidget>(app, root, "second", 0, 0, 10, 10);
    second->Update(0.0f);
    EXPECT_EQ(program, second->GetProgram());
    EXPECT_EQ(2, app.resources.programRefs[program]);
    // Init again drops the program and gives its reference back; the update takes it anew.
    second->Init(&app, &app.resources, CKetrelRect(0, 0, 10, 10));
    EXPECT_EQ(nullptr, second->GetProgram());
    EXPECT_EQ(1, app.resources.programRefs[program]);
    second->Update(0.0f);
    EXPECT_EQ(2, app.resources.programRefs[program]);
    root->DeleteChild(second);
    EXPECT_EQ(1, app.resources.programRefs[program]);
    CWidget::Destroy(root);
    EXPECT_TRUE(app.resources.programs.empty()) << "the last close frees the program";
}
