// Bubble, slider, pie and progress bar: bubble pieces per arrow code, slider tracking
// and callbacks, the pie's fan and its pixels, progress fill rectangles per side.
#include "WidgetKit.h"

#include "ui/Bubble.h"
#include "ui/PieWidget.h"
#include "ui/ProgressBar.h"
#include "ui/Slider.h"

#include <cmath>

using kit::App;
using kit::New;

namespace
{
int Count(void*, void* context)
{
    ++*static_cast<int*>(context);
    return 1;
}

struct ValueTest : ::testing::Test
{
    App app;
    CWidget* root = nullptr;
    void SetUp() override { root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480); }
    void TearDown() override
    {
        CWidget::SetCapture(nullptr);
        CWidget::Destroy(root);
    }
    // A 100 x h bubble with 10 x 10 cells; templates 0..2 unless skipped.
    CBubble* MakeBubble(i32 arrow, i32 h = 60, i32 skip = -1)
    {
        CBubble* b = New<CBubble>(app, root, "bubble", 0, 0, 100, h);
        for (i32 i = 0; i < 3; ++i)
        {
            if (i == skip)
                continue;
            char name[32];
            snprintf(name, sizeof name, "bg%d_template", i);
            CImageWidget* t = New<CImageWidget>(app, b, name, 0, 0, 10, 10);
            CKetrelSurface* sheet = kit::Solid(i == 0 ? 30 : 20, i == 0 ? 30 : 20, 0xFFFFFFFFu);
            sheet->SetFrameSize(10, 10);
            t->SetImage(sheet);
        }
        b->SetArrow(arrow);
        b->Update(0.0f);
        return b;
    }
};
}  // namespace

TEST_F(ValueTest, BubblePiecesPerArrow)
{
    struct Case { i32 arrow; i32 ax, ay; };
    const Case cases[] = {{1, 0, 10}, {2, 0, 40}, {3, 90, 10}, {4, 90, 40},
                          {5, 10, 0}, {6, 80, 0}, {7, 10, 50}, {8, 80, 50}};
    CBubble* plain = MakeBubble(0);
    EXPECT_EQ(plain->GetPieceCount(), 9);
    for (const Case& c : cases)
    {
        CBubble* b = MakeBubble(c.arrow);
        EXPECT_EQ(b->GetPieceCount(), 10) << c.arrow;
        // The arrow piece: a cell from the arrow sheets (20 pixels wide).
        int arrows = 0;
        for (i32 i = 0; i < b->GetPieceCount(); ++i)
        {
            CImageWidget* p = CImageWidget::Cast(b->GetChild(i));
            ASSERT_NE(p, nullptr);
            if (p->GetImage()->GetWidth() == 20)
            {
                ++arrows;
                EXPECT_EQ(p->GetRect().left, c.ax) << c.arrow;
                EXPECT_EQ(p->GetRect().top, c.ay) << c.arrow;
                EXPECT_EQ(p->GetWidth(), 10);
            }
        }
        EXPECT_EQ(arrows, 1);
        root->DeleteChild(b);
    }
    // Exactly three cells high: no partial left edge.
    EXPECT_EQ(MakeBubble(1, 30)->GetPieceCount(), 9);
    // Any missing template: no background at all.
    EXPECT_EQ(MakeBubble(0, 60, 2)->GetPieceCount(), 0);
    // Smaller than two cells: empty pieces, never negative sizes.
    CBubble* tiny = MakeBubble(0, 5);
    for (i32 i = 0; i < tiny->GetPieceCount(); ++i)
        EXPECT_GE(tiny->GetChild(i)->GetHeight(), 0);
    EXPECT_EQ(CBubble::ArrowFromName(CKetrelString("top-right")), 6);
    EXPECT_EQ(CBubble::ArrowFromName(CKetrelString("Top-right")), 0);
}

TEST_F(ValueTest, BubbleClickHidesAndFires)
{
    int clicks = 0;
    CBubble* b = MakeBubble(0);
    b->SetClickCallback(MakeUIActionCallback(Count, &clicks));
    b->SetClickDelay(0.0f);
    root->DispatchPointerDown(0, 50, 30);
    root->DispatchPointerUp(0, 50, 30);
    EXPECT_FALSE(b->IsVisible());
    EXPECT_EQ(clicks, 1);
}

TEST_F(ValueTest, SliderTracksAndReportsOnRelease)
{
    int changes = 0;
    CSlider* s = New<CSlider>(app, root, "s", 100, 100, 300, 120);
    New<CWidget>(app, s, "knob_template", 0, 0, 20, 20);
    s->SetValueChangedCallback(MakeUIActionCallback(Count, &changes));
    s->SetMinValue(-10.0f);   // below the old minimum: the value follows
    s->SetMaxValue(10.0f);
    s->Update(0.0f);
    ASSERT_NE(s->GetKnob(), nullptr);
    changes = 0;
    const f32 start = s->GetFraction();

    root->DispatchPointerDown(0, 110, 110);   // at the left end
    EXPECT_EQ(CWidget::GetCapture(), s);      // it takes the pointer itself
    root->DispatchPointerMove(0, 290, 110);
    EXPECT_FLOAT_EQ(s->GetFraction(), 1.0f);  // the knob follows, no callback yet
    EXPECT_EQ(changes, 0);
    root->DispatchPointerUp(0, 200, 110);
    EXPECT_NEAR(s->GetFraction(), 0.5f, 0.01f);
    EXPECT_NEAR(s->GetValue(), 0.0f, 0.2f);
    EXPECT_EQ(changes, s->GetFraction() != start ? 1 : 0);

    changes = 0;
    root->DispatchPointerDown(0, 200, 110);
    root->DispatchPointerUp(0, 200, 110);    // released where pressed: no change
    EXPECT_EQ(changes, 0);

    root->DispatchPointerDown(0, 280, 110);
    CWidget::GetCapture()->ReleaseCapture();  // a cancelled drag puts the knob back
    EXPECT_NEAR(s->GetFraction(), 0.5f, 0.01f);
    EXPECT_EQ(changes, 0);

    CSlider* same = New<CSlider>(app, root, "same", 0, 0, 100, 20);
    same->SetMinValue(1.0f);
    same->SetMaxValue(1.0f);
    same->SetValue(5.0f);
    EXPECT_EQ(same->GetFraction(), 0.0f);
    CSlider* full = New<CSlider>(app, root, "full", 0, 200, 100, 220);
    New<CWidget>(app, full, "knob_template", 0, 0, 100, 20);
    full->Update(0.0f);
    root->DispatchPointerDown(0, 80, 210);
    EXPECT_EQ(full->GetFraction(), 0.0f);     // a knob as wide as the track
    root->DispatchPointerUp(0, 80, 210);
    CWidget* clone = s->Clone();
    EXPECT_NE(CSlider::Cast(clone), nullptr);
    CWidget::Destroy(clone);
}

TEST_F(ValueTest, PieFanAndClamps)
{
    CPieWidget* pie = New<CPieWidget>(app, root, "pie", 0, 0, 10, 10);
    pie->SetSegments(6);
    const f32* v = pie->BuildVertices(-1.0f, 1.0f, 1.0f, -1.0f);
    EXPECT_FLOAT_EQ(v[0], 0.0f);
    EXPECT_FLOAT_EQ(v[1], 0.0f);
    EXPECT_NEAR(v[7], 0.0f, 1e-5);   // angle 0 points straight up
    EXPECT_NEAR(v[8], 1.0f, 1e-5);
    EXPECT_NEAR(v[14], -sinf(1.2566371f), 1e-5);   // 72 degrees, counter-clockwise
    EXPECT_NEAR(v[6 * 7 + 1], 1.0f, 1e-4);         // the fan closes: a pentagon
    pie->SetSegments(12);
    pie->SetAngle(1.5707964f);
    v = pie->BuildVertices(-1.0f, 1.0f, 1.0f, -1.0f);
    for (int k = 4; k <= 12; ++k)
    {
        EXPECT_NEAR(v[k * 7], -1.0f, 1e-5) << k;   // everything past 90 degrees on its end
        EXPECT_NEAR(v[k * 7 + 1], 0.0f, 1e-5) << k;
    }
    pie->SetSegments(1000);
    EXPECT_EQ(pie->GetSegments(), 256);
    pie->SetSegments(2);
    EXPECT_EQ(pie->GetSegments(), 6);
    pie->SetAngle(-1.0f);
    EXPECT_EQ(pie->GetAngle(), 0.0f);
    pie->SetAngle(100.0f);
    EXPECT_FLOAT_EQ(pie->GetAngle(), 6.2831855f);
}

TEST_F(ValueTest, ProgressFillPerSide)
{
    CProgressBar* bar = New<CProgressBar>(app, root, "bar", 0, 0, 200, 20);
    struct Case { i32 side; f32 p; CKetrelRect dest; CKetrelRect src; };
    const CKetrelRect area(10, 10, 210, 30);
    const Case cases[] = {
        {0, 0.25f, {10, 10, 60, 30}, {0, 0, 25, 10}},
        {1, 0.5f, {10, 10, 210, 20}, {0, 0, 100, 5}},
        {2, 0.25f, {160, 10, 210, 30}, {75, 0, 100, 10}},
        {3, 0.5f, {10, 20, 210, 30}, {0, 5, 100, 10}},
        {2, 1.0f, {10, 10, 210, 30}, {0, 0, 100, 10}},
    };
    for (const Case& c : cases)
    {
        bar->SetSide(c.side);
        bar->SetProgress(c.p);
        CKetrelRect d, s;
        ASSERT_TRUE(bar->GetFillRects(area, 100, 10, &d, &s));
        EXPECT_TRUE(d.left == c.dest.left && d.top == c.dest.top && d.right == c.dest.right &&
                    d.bottom == c.dest.bottom) << c.side;
        EXPECT_TRUE(s.left == c.src.left && s.top == c.src.top && s.right == c.src.right &&
                    s.bottom == c.src.bottom) << c.side;
    }
    bar->SetSide(7);
    EXPECT_EQ(bar->GetSide(), 3);
    bar->SetProgress(-2.0f);
    CKetrelRect d, s;
    EXPECT_FALSE(bar->GetFillRects(area, 100, 10, &d, &s));

    // Background, then the progress or (below the limit) the low image.
    bar->SetImage(app.resources.Add("bg", kit::Solid(4, 4, 0xFF000000u)));
    CKetrelSurface* progress = app.resources.Add("p", kit::Solid(100, 10, 0xFF00FF00u));
    CKetrelSurface* low = app.resources.Add("l", kit::Solid(100, 10, 0xFFFF0000u));
    bar->SetProgressImage(progress);
    bar->SetLowImage(low);
    bar->SetLowLimit(0.3f);
    bar->SetSide(0);
    bar->SetProgress(0.0f);
    app.recorder.log.clear();
    root->Render(&app.recorder);
    EXPECT_EQ(app.recorder.log.size(), 1u);   // only the background
    bar->SetProgress(0.2f);
    app.recorder.log.clear();
    root->Render(&app.recorder);
    ASSERT_EQ(app.recorder.log.size(), 2u);
    EXPECT_EQ(app.recorder.log[1].dest.Width(), 40);
    EXPECT_EQ(app.resources.Refs(low), 2);
    root->DeleteChild(bar);
    EXPECT_EQ(app.resources.Refs(low), 1);    // given back on close
    EXPECT_EQ(app.resources.Refs(progress), 1);
}

TEST(ValuePixels, PieSectorAndStateAfterIt)
{
    kit::Window win;
    if (!win.Open(100, 100))
        GTEST_SKIP() << win.skipReason;
    App app;
    app.gc = win.gl;
    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 100, 100);
    CPieWidget* pie = New<CPieWidget>(app, root, "pie", 0, 0, 100, 100);
    pie->SetSegments(64);
    pie->SetAngle(3.1415927f);   // the left half
    CImageWidget* after = New<CImageWidget>(app, root, "after", 80, 80, 100, 100);
    after->SetImage(kit::Solid(4, 4, 0xFF0000FFu, true));
    win.Clear(0x000000);
    root->Render(win.gl);
    EXPECT_TRUE(kit::Near(win.Read(25, 50), 0x00FF00)) << kit::Hex(win.Read(25, 50));
    EXPECT_TRUE(kit::Near(win.Read(75, 40), 0x000000)) << kit::Hex(win.Read(75, 40));
    EXPECT_TRUE(kit::Near(win.Read(2, 2), 0x000000));   // outside the circle
    EXPECT_TRUE(kit::Near(win.Read(90, 90), 0x0000FF)) << kit::Hex(win.Read(90, 90));
    CWidget::Destroy(root);
}
