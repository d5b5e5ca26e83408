// Slide area: drags against the threshold, flings on a fake clock, taps reaching the
// child under the finger, scroll callbacks, clamping, arrows and fading scrollbars
// (recoloured on a copy, never on the shared image).
#include "WidgetKit.h"

#include "ui/Button.h"
#include "ui/ImageWidget.h"
#include "ui/SlideArea.h"

using kit::App;
using kit::New;

namespace
{
int Count(void*, void* context)
{
    ++*static_cast<int*>(context);
    return 1;
}

struct SlideAreaTest : ::testing::Test
{
    App app;
    CWidget* root = nullptr;
    CSlideArea* area = nullptr;
    std::vector<CButton*> rows;

    // A 200 x 100 area over ten 50-pixel buttons (content 500 pixels tall).
    void SetUp() override
    {
        root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480);
        area = New<CSlideArea>(app, root, "area", 0, 0, 200, 100);
        area->SetScrollEnabled(true);
        for (int i = 0; i < 10; ++i)
        {
            CButton* b = New<CButton>(app, area, "row", 0, i * 50, 200, i * 50 + 50);
            b->SetClickDelay(0.0f);
            rows.push_back(b);
        }
        area->Update(0.0f);
    }
    void TearDown() override
    {
        CWidget::SetCapture(nullptr);
        CWidget::Destroy(root);
    }
    // Press at y0, move to y1 and release there, dt seconds between the steps.
    void Drag(i32 y0, i32 y1, f32 dt, i32 x = 100)
    {
        root->DispatchPointerDown(0, x, y0);
        root->Update(dt);
        root->DispatchPointerMove(0, x, y1);
        root->Update(dt);
        root->DispatchPointerUp(0, x, y1);
    }
};
}  // namespace

TEST_F(SlideAreaTest, ThresholdIsStrict)
{
    int clicks = 0;
    rows[1]->SetClickCallback(MakeUIActionCallback(Count, &clicks));
    area->SetThreshold(CKetrelVector2(0.0f, 10.0f));
    Drag(60, 50, 0.05f);   // exactly the threshold: no drag, a tap on the row
    EXPECT_EQ(area->GetScrollY(), 0);
    EXPECT_FALSE(area->IsFlinging());
    EXPECT_EQ(clicks, 1);
    area->ScrollTo(0, 0, 0.0f);
    area->SetThreshold(CKetrelVector2(0.0f, 0.0f));
    root->DispatchPointerDown(0, 100, 60);
    root->DispatchPointerMove(0, 100, 59);
    EXPECT_TRUE(area->IsDragging());
    root->DispatchPointerUp(0, 100, 59);
}

TEST_F(SlideAreaTest, FlingOnAFakeClock)
{
    int ends = 0;
    area->SetEndScrollCallback(MakeUIActionCallback(Count, &ends));
    Drag(90, -10, 0.25f);   // 100 pixels in 0.5 s: 200 px/s
    EXPECT_EQ(area->GetScrollY(), 100);
    EXPECT_TRUE(area->IsFlinging());
    EXPECT_EQ(ends, 1);   // the press's; the drag's waits for the fling
    root->Update(0.5f);
    EXPECT_EQ(area->GetScrollY(), 139);   // 40 x (1 - 0.5^5)
    root->Update(0.6f);
    EXPECT_EQ(area->GetScrollY(), 140);
    EXPECT_FALSE(area->IsFlinging());
    EXPECT_EQ(ends, 2);

    // Held longer than a second: no fling.
    Drag(90, 60, 0.6f);
    EXPECT_EQ(area->GetScrollY(), 170);
    EXPECT_FALSE(area->IsFlinging());

    // A whole flick between two frames (no time measured) flings a finite distance
    // and ends inside the content.
    Drag(90, 40, 0.0f);
    EXPECT_TRUE(area->IsFlinging());
    for (int i = 0; i < 40; ++i)
        root->Update(0.05f);
    EXPECT_FALSE(area->IsFlinging());
    EXPECT_EQ(area->GetScrollY(), 400);   // clamped at the end
}

TEST_F(SlideAreaTest, TapsReachTheChildAndDragsCancelIt)
{
    int clicks = 0, cancels = 0;
    rows[1]->SetClickCallback(MakeUIActionCallback(Count, &clicks));
    rows[1]->SetCancelCallback(MakeUIActionCallback(Count, &cancels));
    root->DispatchPointerDown(0, 100, 75);
    EXPECT_TRUE(rows[1]->IsPressed());
    root->DispatchPointerUp(0, 100, 75);
    EXPECT_EQ(clicks, 1);

    area->SetThreshold(CKetrelVector2(0.0f, 10.0f));
    Drag(75, 40, 0.1f);
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(cancels, 1);
    EXPECT_FALSE(rows[1]->IsPressed());
    EXPECT_EQ(area->GetScrollY(), 35);
    // The scrolled view maps taps into content coordinates: row 2 is now at y 65.
    int second = 0;
    rows[2]->SetClickCallback(MakeUIActionCallback(Count, &second));
    root->DispatchPointerDown(0, 100, 70);
    root->DispatchPointerUp(0, 100, 70);
    EXPECT_EQ(second, 1);
}

TEST_F(SlideAreaTest, EveryPressEndsThenBeginsAScroll)
{
    std::vector<std::string> log;
    area->SetBeginScrollCallback(MakeUIActionCallback(
        [](void*, void* c) { static_cast<std::vector<std::string>*>(c)->push_back("begin"); return 1; }, &log));
    area->SetEndScrollCallback(MakeUIActionCallback(
        [](void*, void* c) { static_cast<std::vector<std::string>*>(c)->push_back("end"); return 1; }, &log));
    root->DispatchPointerDown(0, 100, 50);
    root->DispatchPointerUp(0, 100, 50);
    root->DispatchPointerDown(0, 100, 50);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "end");
    EXPECT_EQ(log[1], "begin");
    EXPECT_EQ(log[2], "end");
    EXPECT_EQ(log[3], "begin");
    root->DispatchPointerUp(0, 100, 50);
}

TEST_F(SlideAreaTest, ShortContentAndHorizontalDragsNeverScroll)
{
    CSlideArea* small = New<CSlideArea>(app, root, "small", 300, 0, 500, 100);
    small->SetScrollEnabled(true);
    New<CWidget>(app, small, "c", 0, 0, 200, 80);
    small->Update(0.0f);
    root->DispatchPointerDown(0, 400, 90);
    root->DispatchPointerMove(0, 300, 10);
    root->DispatchPointerUp(0, 300, 10);
    EXPECT_EQ(small->GetScrollY(), 0);
    EXPECT_EQ(small->GetScrollX(), 0);
    EXPECT_EQ(small->ClampScrollY(1000), 0);
}

TEST_F(SlideAreaTest, AnimatedScrollRestartsFromWhereItIs)
{
    area->ScrollTo(0, 300, 1.0f);
    root->Update(0.5f);
    const i32 mid = area->GetScrollY();
    EXPECT_GT(mid, 250);
    area->ScrollTo(0, 100, 1.0f);   // a new target while running: no jump back past it
    i32 previous = area->GetScrollY();
    EXPECT_EQ(previous, mid);
    for (int i = 0; i < 25; ++i)
    {
        root->Update(0.05f);
        EXPECT_LE(area->GetScrollY(), previous);
        EXPECT_GE(area->GetScrollY(), 100);
        previous = area->GetScrollY();
    }
    EXPECT_EQ(area->GetScrollY(), 100);
}

TEST_F(SlideAreaTest, ArrowsAndFadingScrollbars)
{
    CSlideArea* a = New<CSlideArea>(app, root, "a2", 300, 0, 500, 100);
    a->SetScrollEnabled(true);
    CWidget* top = New<CWidget>(app, a, "arrow_top_template", 0, 0, 200, 10);
    (void)top;
    New<CWidget>(app, a, "arrow_bottom_template", 0, 90, 200, 100);
    CImageWidget* bar = New<CImageWidget>(app, a, "scrollbar_vertical_template", 190, 0, 200, 20);
    CKetrelSurface* shared = app.resources.Add("bar", kit::MakeImage(2, 2, [](i32 x, i32) {
        return x == 0 ? 0xFFFFFFFFu : 0x00000000u; }));
    bar->SetImage(shared);
    app.theme.colours["scrollbar"] = 0xFF336699u;
    for (int i = 0; i < 6; ++i)
        New<CWidget>(app, a, "c", 0, i * 50, 200, i * 50 + 50);
    a->SetVisible(false);
    a->SetVisible(true);   // shown: decorations for two seconds
    root->Update(0.0f);
    ASSERT_NE(a->GetArrow(CSlideArea::ARROW_TOP), nullptr);
    ASSERT_NE(a->GetScrollbar(CSlideArea::SCROLLBAR_VERTICAL), nullptr);
    EXPECT_FALSE(a->GetArrow(CSlideArea::ARROW_TOP)->IsVisible());
    EXPECT_TRUE(a->GetArrow(CSlideArea::ARROW_BOTTOM)->IsVisible());

    // The colour went into a copy; the shared image keeps its pixels.
    CKetrelSurface* tinted = a->GetScrollbar(CSlideArea::SCROLLBAR_VERTICAL)->GetImage();
    ASSERT_NE(tinted, nullptr);
    EXPECT_NE(tinted, shared);
    EXPECT_EQ(shared->GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(tinted->GetPixel(0, 0), 0xFF336699u);
    EXPECT_EQ(tinted->GetPixel(1, 0) >> 24, 0u);   // its shape (alpha) is kept

    EXPECT_EQ(a->GetScrollbarAlpha(), 255u);
    a->ScrollTo(0, 1000, 0.0f);
    root->Update(0.0f);
    EXPECT_TRUE(a->GetArrow(CSlideArea::ARROW_TOP)->IsVisible());
    EXPECT_FALSE(a->GetArrow(CSlideArea::ARROW_BOTTOM)->IsVisible());
    EXPECT_EQ(a->GetScrollbarOffset(100), 80);   // at the end of its travel
    app.recorder.log.clear();
    root->Render(&app.recorder);
    bool barDrawn = false;
    for (const kit::Call& c : app.recorder.log)
        if (c.dest.left == 490 && c.dest.top == 80 && c.op == "StretchBlit")
            barDrawn = true;
    EXPECT_TRUE(barDrawn);
    root->Update(1.5f);
    const u32 fading = a->GetScrollbarAlpha();
    EXPECT_LT(fading, 255u);
    EXPECT_GT(fading, 0u);
    root->Update(1.0f);
    EXPECT_EQ(a->GetScrollbarAlpha(), 0u);
}
