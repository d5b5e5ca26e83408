// Every widget kind drawn once into one window, written to
// build/tests/ui/gallery.png for a person to look at; a few probes check that each
// kind put something on the screen.
#include "WidgetKit.h"

#include "engine/graphics/KetrelBitmapFont.h"
#include "ui/Bubble.h"
#include "ui/Button.h"
#include "ui/Expandable.h"
#include "ui/FrameWidget.h"
#include "ui/GradientWidget.h"
#include "ui/GridLayout.h"
#include "ui/ImageWidget.h"
#include "ui/InfiniteList.h"
#include "ui/PieWidget.h"
#include "ui/ProgressBar.h"
#include "ui/RotatingImageWidget.h"
#include "ui/RunningList.h"
#include "ui/SlideArea.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"
#include "ui/ToggleButton.h"
#include "ui/WebButton.h"

#include <cmath>
#include <sys/stat.h>

using kit::App;
using kit::New;

namespace
{
u32 Premultiply(u32 rgb, u32 a)
{
    return a << 24 | (((rgb >> 16) & 0xFF) * a / 255) << 16 | (((rgb >> 8) & 0xFF) * a / 255) << 8 |
           ((rgb & 0xFF) * a / 255);
}

// A rounded panel of colour, w x h, with a one-pixel lighter rim.
CKetrelSurface* Panel(i32 w, i32 h, u32 rgb)
{
    return kit::MakeImage(w, h, [=](i32 x, i32 y) {
        const i32 r = 4;
        const i32 dx = x < r ? r - x : (x >= w - r ? x - (w - r - 1) : 0);
        const i32 dy = y < r ? r - y : (y >= h - r ? y - (h - r - 1) : 0);
        if (dx * dx + dy * dy > r * r)
            return 0u;
        const bool rim = x == 0 || y == 0 || x == w - 1 || y == h - 1 || dx * dx + dy * dy > (r - 1) * (r - 1);
        return 0xFF000000u | (rim ? (rgb | 0x404040) : rgb);
    }, true);
}

CTextWidget* Label(App& app, CWidget* parent, CKetrelBitmapFont* font, const char* text, i32 l, i32 t,
                   i32 r, i32 b, u32 flags = CTextWidget::TEXT_CENTER_X | CTextWidget::TEXT_CENTER_Y)
{
    CTextWidget* w = new CTextWidget();
    w->InitWithFont(&app, &app.resources, CKetrelRect(l, t, r, b), font);
    w->SetText(CKetrelString(text));
    w->SetTextFlags(flags);
    parent->AddChild(w);
    return w;
}
}  // namespace

TEST(Gallery, EveryKindInOneWindow)
{
    kit::Window win;
    if (!win.Open(640, 400))
        GTEST_SKIP() << win.skipReason;
    App app;
    app.gc = win.gl;
    app.theme.colours["scrollbar"] = 0xFFE0A030u;
    CKetrelBitmapFont* font = new CKetrelBitmapFont();
    ASSERT_EQ(font->CreateDefault(win.app.get()), 1);
    app.resources.AddFont("default", font);

    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 640, 400);
    CGradientWidget* back = New<CGradientWidget>(app, root, "back", 0, 0, 640, 400);
    back->SetColor1(0xFF203040u);
    back->SetColor2(0xFF101418u);

    // Row 1: image, buttons, toggle, web button, expandable.
    CImageWidget* image = New<CImageWidget>(app, root, "image", 10, 10, 70, 70);
    image->SetImage(kit::MakeImage(16, 16, [](i32 x, i32 y) {
        return ((x / 4 + y / 4) & 1) ? 0xFFF0F0F0u : 0xFF3070C0u; }, true));
    CButton* button = New<CButton>(app, root, "button", 80, 10, 180, 50);
    New<CImageWidget>(app, button, "normal", 0, 0, 1, 1)->SetImage(Panel(40, 20, 0x2E7D32));
    New<CImageWidget>(app, button, "pressed", 0, 0, 1, 1)->SetImage(Panel(40, 20, 0x81C784));
    button->SetLayoutWidgets(true);
    button->SetPressed(true);
    button->SetPressed(false);
    Label(app, button, font, "Button", 0, 0, 100, 40);
    CButton* pressed = New<CButton>(app, root, "pressed", 80, 55, 180, 95);
    New<CImageWidget>(app, pressed, "normal", 0, 0, 1, 1)->SetImage(Panel(40, 20, 0x2E7D32));
    New<CImageWidget>(app, pressed, "pressed", 0, 0, 1, 1)->SetImage(Panel(40, 20, 0x81C784));
    pressed->SetLayoutWidgets(true);
    pressed->SetPressed(true);
    Label(app, pressed, font, "Pressed", 0, 0, 100, 40);
    CToggleButton* toggle = New<CToggleButton>(app, root, "toggle", 190, 10, 250, 40);
    New<CImageWidget>(app, toggle, "off", 0, 0, 60, 30)->SetImage(Panel(30, 15, 0x555555));
    New<CImageWidget>(app, toggle, "on", 0, 0, 60, 30)->SetImage(Panel(30, 15, 0xF9A825));
    toggle->SetToggled(true);
    CWebButton* web = New<CWebButton>(app, root, "web", 190, 50, 290, 80);
    web->SetImage(Panel(40, 16, 0x1565C0));
    Label(app, web, font, "web link", 0, 0, 100, 30);
    CExpandable* expand = New<CExpandable>(app, root, "expand", 300, 10, 320, 20);
    expand->SetImage(Panel(20, 20, 0x6A1B9A));
    CKetrelArray<i32> ew, eh;
    ew.Add(120);
    eh.Add(70);
    expand->SetStates(ew, eh);
    Label(app, expand, font, "Expanded", 0, 0, 1, 1);

    // Row 1, right: text label and an input field while editing.
    CTextWidget* text = Label(app, root, font, "A label that wraps over more than one line", 440, 10, 630, 60,
                              CTextWidget::TEXT_MULTILINE);
    text->SetColor(0xFFFFE082u);
    CTextWidget* field = Label(app, root, font, "typed text", 440, 65, 630, 90, CTextWidget::TEXT_CENTER_Y);
    field->SetEditable(true, CTextWidget::MaxInputLength);
    field->OnFocusGained(nullptr);

    // Row 2: slide area with rows and a scrollbar, grid, infinite list, running list.
    CSlideArea* area = New<CSlideArea>(app, root, "area", 10, 110, 150, 260);
    area->SetScrollEnabled(true);
    for (int i = 0; i < 8; ++i)
    {
        CImageWidget* row = New<CImageWidget>(app, area, "row", 0, i * 34, 140, i * 34 + 30);
        row->SetImage(Panel(30, 10, i & 1 ? 0x37474F : 0x455A64));
        char t[16];
        snprintf(t, sizeof t, "slide row %d", i);
        Label(app, row, font, t, 0, 0, 140, 30);
    }
    CImageWidget* bar = New<CImageWidget>(app, area, "scrollbar_vertical_template", 134, 2, 140, 40);
    bar->SetImage(Panel(6, 20, 0xFFFFFF));
    area->ScrollTo(0, 60, 0.0f);
    area->ShowDecorations();

    CGridLayout* grid = New<CGridLayout>(app, root, "grid", 160, 110, 300, 260);
    grid->SetNumColumns(3);
    grid->SetSpacingX(4);
    grid->SetSpacingY(4);
    for (int i = 0; i < 9; ++i)
        New<CImageWidget>(app, grid, "cell", 0, 0, 1, 1)->SetImage(Panel(12, 12, 0x00897B + (u32)i * 0x101000));

    CInfiniteList* list = New<CInfiniteList>(app, root, "list", 310, 110, 450, 260);
    CWidget* wrap = New<CWidget>(app, list, "item_template", 0, 0, 140, 28);
    CImageWidget* item = New<CImageWidget>(app, wrap, "item", 0, 0, 140, 28);
    item->SetImage(Panel(30, 10, 0x5D4037));
    Label(app, item, font, "item", 0, 0, 140, 28);
    CWidget* sepWrap = New<CWidget>(app, list, "item_separator_template", 0, 0, 140, 2);
    New<CImageWidget>(app, sepWrap, "sep", 0, 0, 140, 2)->SetImage(kit::Solid(2, 2, 0xFFBCAAA4u, true));
    list->SetLoadItemCallback(MakeUIActionCallback(
        [](void* w, void* c) {
            CInfiniteList* l = static_cast<CInfiniteList*>(c);
            CWidget* row = static_cast<CWidget*>(w);
            CTextWidget* t = CTextWidget::Cast(row->GetChild(0));
            if (t)
            {
                CKetrelString s;
                s.Format(L"row %d of 10000", l->GetLoadingItemIndex(row));
                t->SetText(s);
            }
            return 1;
        }, list));
    list->SetItemCount(10000);

    CRunningList* log = New<CRunningList>(app, root, "log", 460, 110, 630, 260);
    CWidget* logWrap = New<CWidget>(app, log, "item_template", 0, 0, 170, 20);
    Label(app, logWrap, font, "", 0, 0, 170, 20, CTextWidget::TEXT_CENTER_Y);
    root->Update(0.0f);
    root->Update(0.0f);
    for (int i = 1; i <= 5; ++i)
    {
        CWidget* line = log->GetListItemTemplate()->Clone();
        CKetrelString s;
        s.Format(L"chat line %d", i);
        CTextWidget::Cast(line)->SetText(s);
        log->AddItem(line);
    }

    // Row 3: bubble, slider, pie, progress bar, frame, gradients, rotating image.
    CBubble* bubble = New<CBubble>(app, root, "bubble", 10, 280, 150, 340);
    const u32 bubbleColours[3] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    for (int i = 0; i < 3; ++i)
    {
        char name[32];
        snprintf(name, sizeof name, "bg%d_template", i);
        CImageWidget* t = New<CImageWidget>(app, bubble, name, 0, 0, 10, 10);
        const i32 w = i == 0 ? 30 : 20, h = i == 0 ? 30 : 20;
        CKetrelSurface* sheet = kit::MakeImage(w, h, [&](i32 x, i32 y) {
            if (i == 0)
                return 0xFF000000u | bubbleColours[0];
            // Arrow cells: a triangle pointing out of its side.
            const i32 cx = x % 10, cy = y % 10;
            return (cx + cy < 10) ? 0xFF000000u | bubbleColours[i] : 0u;
        }, true);
        sheet->SetFrameSize(10, 10);
        t->SetImage(sheet);
    }
    bubble->SetArrow(CBubble::ARROW_BOTTOM_LEFT);
    CTextWidget* say = Label(app, bubble, font, "Bubble", 0, 0, 140, 50);
    say->SetColor(0xFF202020u);

    CSlider* slider = New<CSlider>(app, root, "slider", 160, 290, 300, 310);
    CImageWidget* track = New<CImageWidget>(app, slider, "track", 0, 8, 140, 12);
    track->SetImage(kit::Solid(2, 2, 0xFF90A4AEu, true));
    New<CImageWidget>(app, slider, "knob_template", 0, 0, 20, 20)->SetImage(Panel(10, 10, 0xFF7043));
    slider->SetValue(0.7f);

    CPieWidget* pie = New<CPieWidget>(app, root, "pie", 310, 280, 370, 340);
    pie->SetSegments(48);
    pie->SetAngle(4.2f);
    pie->SetColor(0xFFFFCA28u);

    CProgressBar* progress = New<CProgressBar>(app, root, "progress", 160, 320, 300, 340);
    progress->SetImage(kit::Solid(4, 4, 0xFF263238u, true));
    progress->SetProgressImage(kit::MakeImage(32, 4, [](i32 x, i32) {
        return 0xFF000000u | (u32)(0x40 + x * 5) << 8 | 0x30; }, true));
    progress->SetProgress(0.62f);

    CFrameWidget* frame = New<CFrameWidget>(app, root, "frame", 380, 270, 460, 350);
    frame->SetImage(kit::MakeImage(32, 32, [](i32 x, i32 y) {
        return 0xFF000000u | (u32)(x * 8) << 16 | (u32)(y * 8) << 8 | 0x80; }, true));
    CKetrelSurface* border = kit::MakeImage(30, 30, [](i32 x, i32 y) {
        const bool edge = x < 4 || x >= 26 || y < 4 || y >= 26;
        return edge ? 0xFFECEFF1u : 0u; }, true);
    border->SetFrameSize(10, 10);
    frame->SetBorderImage(border);
    frame->SetMaskImage(kit::MakeImage(30, 30, [](i32 x, i32 y) {
        const i32 dx = x < 8 ? 8 - x : (x > 21 ? x - 21 : 0), dy = y < 8 ? 8 - y : (y > 21 ? y - 21 : 0);
        return dx * dx + dy * dy <= 64 ? 0xFFFFFFFFu : 0u; }, true));

    CGradientWidget* vertical = New<CGradientWidget>(app, root, "vertical", 470, 270, 500, 350);
    vertical->SetColor1(0xFFFF8A65u);
    vertical->SetColor2(0xFF4E342Eu);
    CGradientWidget* horizontal = New<CGradientWidget>(app, root, "horizontal", 505, 270, 565, 300);
    horizontal->SetDirection(CGradientWidget::DIR_HORIZONTAL);
    horizontal->SetColor1(0xFF26C6DAu);
    horizontal->SetColor2(0xFF283593u);
    CGradientWidget* radial = New<CGradientWidget>(app, root, "radial", 505, 305, 565, 350);
    radial->SetDirection(CGradientWidget::DIR_RADIAL);
    radial->SetColor1(0xFFFFF59Du);
    radial->SetColor2(0xFF1B5E20u);

    CRotatingImageWidget* spinner = New<CRotatingImageWidget>(app, root, "spinner", 575, 280, 625, 330);
    spinner->SetImage(kit::MakeImage(32, 32, [](i32 x, i32 y) {
        const f32 dx = (f32)x - 15.5f, dy = (f32)y - 15.5f;
        const f32 d = std::sqrt(dx * dx + dy * dy);
        if (d > 15.5f || d < 9.0f)
            return 0u;
        const u32 a = (u32)(255.0f * (std::atan2(dy, dx) + 3.1415927f) / 6.2831855f);
        return Premultiply(0xFFFFFF, a); }, true));
    spinner->SetSteps(12);
    spinner->SetAngle(1.0f);

    root->Update(0.0f);
    win.Clear(0x000000);
    root->Render(win.gl);
    const std::string path = std::string(KETREL_BINARY_DIR) + "/tests/ui/gallery.png";
    ASSERT_TRUE(win.SavePNG(path));
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0);

    struct Probe { i32 x, y; const char* what; };
    const Probe probes[] = {{40, 40, "image"}, {130, 12, "button"}, {220, 25, "toggle"},
                            {360, 60, "expandable"}, {80, 200, "slide area"}, {180, 130, "grid"},
                            {380, 112, "infinite list"}, {340, 310, "pie"}, {200, 330, "progress"},
                            {420, 310, "frame"}, {535, 327, "radial"}, {80, 300, "bubble"}};
    for (const Probe& p : probes)
    {
        const u32 c = win.Read(p.x, p.y);
        EXPECT_FALSE(kit::Near(c, 0x000000, 8)) << p.what << " drew nothing: " << kit::Hex(c);
    }
    EXPECT_GT(list->GetLoadedRowCount(), 0);
    CWidget::Destroy(root);
}
