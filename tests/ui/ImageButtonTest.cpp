// Image widget, button, toggle button, expandable and web button: frame maths, the
// drawing call chosen per flag and blend colour, the press / click / cancel / lock
// cycle, faces, expansion steps and link filling; pixel probes in the window.
#include "WidgetKit.h"

#include "ui/Button.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"

using kit::App;
using kit::New;

namespace
{
int Count(void*, void* context)
{
    ++*static_cast<int*>(context);
    return 1;
}

CUIActionCallback Counter(int* n) { return MakeUIActionCallback(Count, n); }

struct Fixture : ::testing::Test
{
    App app;
    CWidget* root = nullptr;
    void SetUp() override { root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480); }
    void TearDown() override
    {
        CWidget::SetCapture(nullptr);
        CWidget::Destroy(root);
    }
    CImageWidget* Image(u32 flags, u32 blend, i32 l = 10, i32 t = 10, i32 r = 110, i32 b = 60)
    {
        CImageWidget* w = New<CImageWidget>(app, root, "img", l, t, r, b);
        w->SetImage(app.resources.Add("i", kit::Solid(20, 10, 0xFFFF0000u)));
        w->SetFlags(flags);
        w->SetBlendColor(blend);
        return w;
    }
    void Tap(i32 x, i32 y, i32 upX = -1, i32 upY = -1)
    {
        root->DispatchPointerDown(0, x, y);
        root->DispatchPointerUp(0, upX < 0 ? x : upX, upY < 0 ? y : upY);
    }
};

using ImageWidgetTest = Fixture;
using ButtonTest = Fixture;
}  // namespace

TEST_F(ImageWidgetTest, FrameClockOnASpriteSheet)
{
    CImageWidget* w = Image(1, 0xFFFFFFFFu);
    w->GetImage()->SetFrameSize(10, 5);   // 2 x 2 frames
    EXPECT_EQ(w->GetFrameCount(), 4);
    EXPECT_EQ(w->GetFrame(), 0);          // no duration: never moves
    w->Update(5.0f);
    EXPECT_EQ(w->GetFrame(), 0);
    w->SetFrameDuration(0.5f);
    EXPECT_EQ(w->SetFrame(7), 1);
    EXPECT_EQ(w->GetFrame(), 3);
    EXPECT_EQ(w->SetFrame(-3), 0);        // negative frames start at 0
    EXPECT_EQ(w->GetFrame(), 0);
    w->Update(0.6f);
    EXPECT_EQ(w->GetFrame(), 1);
    w->Update(10.0f);                      // a stall restarts the cycle
    EXPECT_EQ(w->GetFrame(), 0);
    CKetrelRect src;
    w->SetFrame(3);
    ASSERT_TRUE(w->GetSourceRect(&src));
    EXPECT_EQ(src.left, 10);
    EXPECT_EQ(src.top, 5);
}

TEST_F(ImageWidgetTest, DrawCallByFlagsAndBlendColour)
{
    struct Case { u32 flags; u32 blend; const char* op; u32 colour; };
    const Case cases[] = {
        {0, 0xFFFFFFFFu, "Blit", 0},
        {1, 0xFFFFFFFFu, "StretchBlit", 0},
        {1, 0x80FF0000u, "StretchBlitTinted", 0x80FF0000u},
        {1, 0x00FFFFFFu, nullptr, 0},          // alpha 0 draws nothing
        {2, 0xFFFFFFFFu, nullptr, 0},          // no stretch flag, others set
        {1 | 8, 0x80FF0000u, "StretchBlit", 0}, // keep aspect wins over the blend
    };
    for (const Case& c : cases)
    {
        CImageWidget* w = Image(c.flags, c.blend);
        app.recorder.log.clear();
        root->Render(&app.recorder);
        if (!c.op)
            EXPECT_TRUE(app.recorder.log.empty()) << c.flags;
        else
        {
            ASSERT_EQ(app.recorder.log.size(), 1u) << c.flags;
            EXPECT_EQ(app.recorder.log[0].op, c.op);
            EXPECT_EQ(app.recorder.log[0].colour, c.colour);
        }
        root->DeleteChild(w);
    }
}

TEST_F(ImageWidgetTest, KeepAspectFitsAndSkipClippedDraw)
{
    CImageWidget* w = Image(1 | 8, 0xFFFFFFFFu, 0, 0, 100, 100);   // 2:1 image in a square
    root->Render(&app.recorder);
    ASSERT_EQ(app.recorder.Of("StretchBlit").size(), 1u);
    const CKetrelRect d = app.recorder.Of("StretchBlit")[0].dest;
    EXPECT_EQ(d.Width(), 100);
    EXPECT_EQ(d.Height(), 50);
    EXPECT_EQ(d.top, 25);
    w->SetFlags(1 | 2);
    w->SetRect(CKetrelRect(-5, 0, 95, 100));   // partly off the target
    app.recorder.log.clear();
    root->Render(&app.recorder);
    EXPECT_TRUE(app.recorder.log.empty());
}

TEST_F(ImageWidgetTest, FadeInRisesAndHidingCancelsIt)
{
    CImageWidget* w = Image(1, 0xFFFFFFFFu);
    CImageWidget* inner = New<CImageWidget>(app, w, "inner", 0, 0, 10, 10);
    w->FadeIn();
    EXPECT_TRUE(w->IsFading());
    EXPECT_TRUE(inner->IsFading());
    w->Update(0.25f);
    EXPECT_NEAR((double)(w->GetOverlayColor() >> 24), 64.0, 1.0);
    app.recorder.log.clear();
    root->Render(&app.recorder);
    ASSERT_FALSE(app.recorder.Of("StretchBlitTinted").empty());
    EXPECT_EQ(app.recorder.Of("StretchBlitTinted")[0].flags, 0x480u);
    w->SetVisible(false);
    EXPECT_FALSE(w->IsFading());
    EXPECT_FALSE(inner->IsFading());
    EXPECT_EQ(w->GetOverlayColor(), 0xFFFFFFFFu);
}

TEST_F(ImageWidgetTest, CopiesShareCountedImagesAndCopyOwnedOnes)
{
    CImageWidget* w = Image(1, 0xFFFFFFFFu);
    CKetrelSurface* shared = w->GetImage();
    CWidget* clone = w->Clone();
    EXPECT_EQ(CImageWidget::Cast(clone)->GetImage(), shared);
    EXPECT_EQ(app.resources.Refs(shared), 3);
    CWidget::Destroy(clone);
    EXPECT_EQ(app.resources.Refs(shared), 2);
    // An image the manager does not know is owned: a copy gets pixels of its own.
    CImageWidget* owner = New<CImageWidget>(app, root, "owner", 0, 0, 10, 10);
    owner->SetImage(kit::Solid(4, 4, 0xFF00FF00u));
    CWidget* copy = owner->Clone();
    CKetrelSurface* mine = CImageWidget::Cast(copy)->GetImage();
    ASSERT_NE(mine, nullptr);
    EXPECT_NE(mine, owner->GetImage());
    EXPECT_EQ(mine->GetPixel(1, 1), 0xFF00FF00u);
    CWidget::Destroy(copy);   // freed once each (the sanitizer build checks)
}

TEST_F(ButtonTest, PressClickCancelAndLock)
{
    int clicks = 0, cancels = 0;
    CButton* b = New<CButton>(app, root, "b", 100, 100, 200, 140);
    b->SetClickCallback(Counter(&clicks));
    b->SetCancelCallback(Counter(&cancels));
    b->SetClickDelay(0.0f);

    root->DispatchPointerDown(0, 150, 120);
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(CWidget::GetCapture(), b);
    // Pressed, the hit area is 1.25 times the rectangle.
    EXPECT_EQ(b->GetHitRect().left, -13);
    EXPECT_EQ(b->GetHitRect().right, 113);
    root->DispatchPointerUp(0, 150, 120);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->IsPressed());
    EXPECT_EQ(b->GetHitRect().left, 0);

    Tap(150, 120, 400, 400);   // released far outside: cancelled
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(cancels, 1);

    b->SetCancellable(false);
    Tap(150, 120, 400, 400);   // not cancellable: still clicks
    EXPECT_EQ(clicks, 2);

    b->SetInputLockTime(0.5f);
    Tap(150, 120);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(b->IsPressed());
    b->Update(0.6f);
    Tap(150, 120);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(b->GetClickCount(), 3u);

    // Disabled, the button is still under the point but refuses the press.
    b->SetEnabled(false);
    root->DispatchPointerDown(0, 150, 120);
    EXPECT_FALSE(b->IsPressed());
    EXPECT_EQ(CWidget::GetCapture(), nullptr);
    root->DispatchPointerUp(0, 150, 120);
    EXPECT_EQ(clicks, 3);
    b->SetEnabled(true);

    b->SetHitScale(-1.0f);
    EXPECT_EQ(b->GetHitScale(), 0.0f);
}

// A button without an image flashes the visible image faces below it, at any depth.
TEST_F(ButtonTest, FacelessButtonFlashesNestedFaces)
{
    CButton* b = New<CButton>(app, root, "b", 0, 0, 100, 40);
    b->SetClickDelay(0.0f);
    CImageWidget* direct = New<CImageWidget>(app, b, "direct", 0, 0, 10, 10);
    CWidget* box = New<CWidget>(app, b, "box", 0, 0, 100, 40);
    CImageWidget* nested = New<CImageWidget>(app, box, "nested", 0, 0, 10, 10);
    CWidget* hidden = New<CWidget>(app, b, "hidden", 0, 0, 100, 40);
    CImageWidget* underHidden = New<CImageWidget>(app, hidden, "under_hidden", 0, 0, 10, 10);
    box->SetTransparent(true);   // as the loader makes plain widgets
    hidden->SetTransparent(true);
    hidden->SetVisible(false);
    Tap(50, 20);
    EXPECT_TRUE(direct->IsFading());
    EXPECT_TRUE(nested->IsFading());
    EXPECT_FALSE(underHidden->IsFading());
}

TEST_F(ButtonTest, DelayedClickAndHidingDropsIt)
{
    int clicks = 0;
    CButton* b = New<CButton>(app, root, "b", 0, 0, 100, 40);
    b->SetClickCallback(Counter(&clicks));
    Tap(50, 20);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(b->IsClickPending());
    root->Update(0.1f);
    EXPECT_EQ(clicks, 0);
    root->Update(0.1f);
    EXPECT_EQ(clicks, 1);

    Tap(50, 20);
    b->SetVisible(false);   // a hidden button's click must not fire later
    EXPECT_FALSE(b->IsClickPending());
    b->SetVisible(true);
    root->Update(1.0f);
    EXPECT_EQ(clicks, 1);

    int cancels = 0;
    b->SetCancelCallback(Counter(&cancels));
    root->DispatchPointerDown(0, 50, 20);
    b->ReleaseCapture();   // taken away by a scrolling parent
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(b->IsPressed());
}

TEST_F(ButtonTest, ClickHandlerMayDestroyTheButton)
{
    CButton* b = New<CButton>(app, root, "b", 0, 0, 100, 40);
    b->SetClickDelay(0.0f);
    b->SetClickCallback(MakeUIActionCallback(
        [](void* w, void*) { CWidget::Destroy(static_cast<CWidget*>(w)); return 1; }, nullptr));
    Tap(50, 20);
    EXPECT_EQ(root->GetChildCount(), 0);
}

TEST_F(ButtonTest, LayoutFacesAndToggleFaces)
{
    CButton* b = New<CButton>(app, root, "b", 0, 0, 100, 40);
    CWidget* normal = New<CWidget>(app, b, "n", 0, 0, 1, 1);
    CWidget* down = New<CWidget>(app, b, "d", 0, 0, 1, 1);
    b->SetLayoutWidgets(true);
    b->SetPressed(true);
    EXPECT_FALSE(normal->IsVisible());
    EXPECT_TRUE(down->IsVisible());
    EXPECT_EQ(down->GetWidth(), 100);
    b->SetPressed(false);
    EXPECT_TRUE(normal->IsVisible());

    int clicks = 0;
    CToggleButton* t = New<CToggleButton>(app, root, "t", 200, 0, 300, 40);
    CWidget* off = New<CWidget>(app, t, "off", 0, 0, 1, 1);
    CWidget* on = New<CWidget>(app, t, "on", 0, 0, 1, 1);
    t->SetClickCallback(Counter(&clicks));
    t->SetClickDelay(0.0f);
    EXPECT_TRUE(off->IsVisible());
    EXPECT_FALSE(on->IsVisible());
    Tap(250, 20);
    EXPECT_TRUE(t->IsToggled());
    EXPECT_FALSE(off->IsVisible());
    EXPECT_TRUE(on->IsVisible());
    EXPECT_EQ(clicks, 1);
    t->DeleteChild(on);   // one child left: shown whatever the state
    EXPECT_TRUE(off->IsVisible());
}

TEST_F(ButtonTest, ExpandableStates)
{
    int begins = 0, ends = 0;
    CExpandable* e = New<CExpandable>(app, root, "e", 0, 0, 10, 10);
    CWidget* child = New<CWidget>(app, e, "c", 0, 0, 1, 1);
    CKetrelArray<i32> widths, heights;
    widths.Add(400);
    widths.Add(800);
    heights.Add(48);
    heights.Add(96);
    e->SetStates(widths, heights);
    EXPECT_EQ(CExpandable::FindAncestor(child), e);
    EXPECT_EQ(CExpandable::FindAncestor(e), nullptr) << "only above";
    e->SetBeginExpandCallback(Counter(&begins));
    e->SetEndExpandCallback(Counter(&ends));
    e->Update(0.0f);   // the first update applies state 0 at once
    EXPECT_EQ(e->GetWidth(), 400);
    EXPECT_EQ(e->GetHeight(), 48);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    e->ExpandTo(1);
    e->Update(0.125f);
    EXPECT_EQ(e->GetWidth(), 500);
    EXPECT_EQ(e->GetHeight(), 60);
    EXPECT_EQ(child->GetWidth(), 500);   // children fill it
    e->Update(0.125f);
    EXPECT_EQ(e->GetWidth(), 800);
    EXPECT_EQ(ends, 2);
    e->SetState(1);   // the current state: nothing fires
    EXPECT_EQ(begins, 2);
    e->ExpandTo(3);
    EXPECT_EQ(e->GetState(), 1);
    e->ExpandTo(-1);
    EXPECT_EQ(e->GetState(), 0);
    e->Update(0.25f);
    EXPECT_EQ(e->GetWidth(), 400);
    EXPECT_EQ(ends, 3);
    // With no transition time the change is made at once, both ends reported.
    e->SetTransitionTime(0.0f);
    e->ExpandTo(1);
    EXPECT_EQ(e->GetWidth(), 800);
    EXPECT_EQ(e->GetHeight(), 96);
    EXPECT_EQ(begins, 4);
    EXPECT_EQ(ends, 4);
    e->Update(0.1f);
    EXPECT_EQ(ends, 4);
    EXPECT_EQ(e->GetHeightOfState(5), e->GetHeight());

    // The first update reports state 0 once, whatever its step and transition time.
    struct First { f32 transition, dt; };
    for (const First& f : {First{0.0f, 0.1f}, First{0.0f, 0.0f}, First{0.25f, 0.1f}})
    {
        int b = 0, n = 0;
        CExpandable* x = New<CExpandable>(app, root, "x", 0, 0, 10, 10);
        x->SetStates(widths, heights);
        x->SetTransitionTime(f.transition);
        x->SetBeginExpandCallback(Counter(&b));
        x->SetEndExpandCallback(Counter(&n));
        x->Update(f.dt);
        x->Update(f.dt);
        EXPECT_EQ(x->GetWidth(), 400);
        EXPECT_EQ(b, 1) << f.transition << " " << f.dt;
        EXPECT_EQ(n, 1) << f.transition << " " << f.dt;
        root->DeleteChild(x);
    }
}

TEST_F(ButtonTest, WebLinksAreFilledOnce)
{
    struct Case { const char* url; const char* opened; };
    const Case cases[] = {
        {"http://h/p?g=APPLICATION_ID&amp;r=RELEASE_ID&amp;s=RESELLER_ID",
         "http://h/p?g=42&r=7&s=shop"},
        {"x?APPLICATION_ID/APPLICATION_ID", "x?42/APPLICATION_ID"},
        {"l=LANGUAGE&t=APPLICATION_TOKEN&c=APPLICATION_CHECK", "l=en&t=tok&c=0af3"},
        {"", nullptr},
    };
    for (const Case& c : cases)
    {
        int clicks = 0;
        app.device.urls.clear();
        CWebButton* w = New<CWebButton>(app, root, "w", 0, 0, 10, 10);
        w->SetUrl(CKetrelString(c.url));
        w->SetClickCallback(Counter(&clicks));
        w->Click();
        EXPECT_EQ(clicks, 1);
        if (c.opened)
        {
            ASSERT_EQ(app.device.urls.size(), 1u);
            EXPECT_EQ(app.device.urls[0], c.opened);
        }
        else
            EXPECT_TRUE(app.device.urls.empty());
        root->DeleteChild(w);
    }
    // Without an application only "onclick" fires.
    CWebButton loose;
    loose.Init(nullptr, nullptr, CKetrelRect(0, 0, 1, 1));
    int clicks = 0;
    loose.SetUrl(CKetrelString("http://x"));
    loose.SetClickCallback(Counter(&clicks));
    loose.Click();
    EXPECT_EQ(clicks, 1);
    loose.Close();
}

TEST(ImageButtonPixels, FacesTintAndFlash)
{
    kit::Window win;
    if (!win.Open(200, 120))
        GTEST_SKIP() << win.skipReason;
    App app;
    app.gc = win.gl;
    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 200, 120);
    CImageWidget* plain = New<CImageWidget>(app, root, "plain", 10, 10, 60, 60);
    plain->SetImage(kit::Solid(8, 8, 0xFFFF0000u, true));
    CImageWidget* tinted = New<CImageWidget>(app, root, "tinted", 70, 10, 120, 60);
    tinted->SetImage(kit::Solid(8, 8, 0xFFFFFFFFu, true));
    tinted->SetBlendColor(0xFF00FF00u);
    CButton* button = New<CButton>(app, root, "button", 130, 10, 180, 60);
    button->SetImage(kit::Solid(8, 8, 0xFF0000FFu, true));
    button->SetClickDelay(0.0f);

    win.Clear(0x000000);
    root->Render(win.gl);
    EXPECT_TRUE(kit::Near(win.Read(35, 35), 0xFF0000)) << kit::Hex(win.Read(35, 35));
    EXPECT_TRUE(kit::Near(win.Read(5, 5), 0x000000));
    EXPECT_TRUE(kit::Near(win.Read(95, 35), 0x00FF00)) << kit::Hex(win.Read(95, 35));
    EXPECT_TRUE(kit::Near(win.Read(155, 35), 0x0000FF));

    // A click flashes the button: the tint program starts it white (the overlay
    // colour) and brings the image back over one second.
    root->DispatchPointerDown(0, 155, 35);
    root->DispatchPointerUp(0, 155, 35);
    root->Update(0.5f);
    win.Clear(0x000000);
    root->Render(win.gl);
    const u32 half = win.Read(155, 35);
    EXPECT_GT(half >> 16, 0x40u) << kit::Hex(half);
    EXPECT_LT(half >> 16, 0xC0u) << kit::Hex(half);
    EXPECT_EQ(half & 0xFF, 0xFFu);
    root->Update(0.6f);
    win.Clear(0x000000);
    root->Render(win.gl);
    EXPECT_TRUE(kit::Near(win.Read(155, 35), 0x0000FF));
    CWidget::Destroy(root);
}
