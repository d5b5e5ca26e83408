// Text widget: masking, change callbacks, language texts, the edit lifecycle through
// dispatched pointer and character events, maximum lengths, which texts show colour
// markup; in the window, wrapping and markup by pixel probes.
#include "WidgetKit.h"

#include "engine/KetrelFramePacer.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "ui/TextWidget.h"

#include <vector>

using kit::App;
using kit::New;

namespace
{
int Count(void*, void* context)
{
    ++*static_cast<int*>(context);
    return 1;
}

struct TextTest : ::testing::Test
{
    App app;
    CWidget* root = nullptr;
    CTextWidget* field = nullptr;
    void SetUp() override
    {
        root = New<CWidget>(app, nullptr, "root", 0, 0, 800, 480);
        field = new CTextWidget();
        field->InitWithFont(&app, &app.resources, CKetrelRect(10, 10, 210, 40), nullptr);
        root->AddChild(field);
        New<CWidget>(app, root, "elsewhere", 300, 300, 400, 400);
    }
    void TearDown() override
    {
        CWidget::SetCapture(nullptr);
        CWidget::Destroy(root);
    }
    void Type(const char* s)
    {
        for (; *s; ++s)
            root->DispatchTextInput(*s);
        root->Update(0.016f);
    }
    void Tap(i32 x, i32 y)
    {
        root->DispatchPointerDown(0, x, y);
        root->DispatchPointerUp(0, x, y);
    }
};
}  // namespace

TEST_F(TextTest, ValueMaskingAndChanges)
{
    int changes = 0;
    field->SetChangedCallback(MakeUIActionCallback(Count, &changes));
    field->SetPassword(true);
    field->SetText(CKetrelString("abc"));
    EXPECT_EQ(uitest::Narrow(field->GetDisplayText()), "***");
    EXPECT_EQ(changes, 1);
    field->SetText(CKetrelString("abc"));
    EXPECT_EQ(changes, 1);
    field->SetPassword(false);
    EXPECT_EQ(uitest::Narrow(field->GetDisplayText()), "abc");

    app.language.texts = {"zero", "one"};
    field->SetTextId(1);
    EXPECT_EQ(uitest::Narrow(field->GetDisplayText()), "one");
    EXPECT_EQ(uitest::Narrow(field->GetText()), "abc");   // the value is not changed
    field->SetTextId(99);
    EXPECT_EQ(uitest::Narrow(field->GetDisplayText()), "X-X");
    field->SetTitleId(0);
    EXPECT_EQ(uitest::Narrow(field->GetTitle()), "zero");
}

TEST_F(TextTest, EditLifecycle)
{
    int changes = 0, finished = 0;
    field->SetChangedCallback(MakeUIActionCallback(Count, &changes));
    field->SetFinishedCallback(MakeUIActionCallback(Count, &finished));
    field->SetEditable(true, CTextWidget::MaxInputLength);
    EXPECT_FALSE(field->IsTransparent());
    Tap(50, 20);   // focused by the press, opened by the release inside
    ASSERT_TRUE(field->IsEditing());
    Type("hi");
    EXPECT_EQ(uitest::Narrow(field->GetText()), "hi");
    EXPECT_EQ(changes, 1);
    Type("\r");
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(field->IsEditing());
    EXPECT_FALSE(field->IsFocused());

    // A tap elsewhere ends the edit and keeps the text.
    Tap(50, 20);
    ASSERT_TRUE(field->IsEditing());
    Type("!");
    Tap(350, 350);
    EXPECT_FALSE(field->IsEditing());
    EXPECT_EQ(uitest::Narrow(field->GetText()), "hi!");
    EXPECT_EQ(finished, 1);
    // Not editing: characters are not taken.
    EXPECT_FALSE(field->OnTextInput('x'));
}

// The cursor of a focused field shows for half a second and hides for half a second;
// it reports a screen step when it flips and nothing else, so an idle program draws
// two frames a second, not every frame.
TEST_F(TextTest, FocusedCursorReportsOnlyItsFlips)
{
    field->SetEditable(true, CTextWidget::MaxInputLength);
    Tap(50, 20);
    ASSERT_TRUE(field->IsFocused());
    CKetrelFramePacer::TakeScreenActivity();
    CKetrelFramePacer::TakeScreenStep();
    std::vector<int> steps;
    for (int update = 1; update <= 16; ++update)
    {
        root->Update(0.125f);
        EXPECT_FALSE(CKetrelFramePacer::TakeScreenActivity()) << "update " << update;
        if (CKetrelFramePacer::TakeScreenStep())
            steps.push_back(update);
    }
    EXPECT_EQ((std::vector<int>{5, 9, 14}), steps);   // hidden, shown, hidden

    Tap(350, 350);   // focus elsewhere: no cursor, nothing to report
    ASSERT_FALSE(field->IsFocused());
    CKetrelFramePacer::TakeScreenActivity();
    CKetrelFramePacer::TakeScreenStep();
    for (int update = 1; update <= 16; ++update)
        root->Update(0.125f);
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenActivity());
    EXPECT_FALSE(CKetrelFramePacer::TakeScreenStep());
}

TEST_F(TextTest, MaximumLengthsAndMarkupRules)
{
    field->SetEditable(true, 3);
    Tap(50, 20);
    Type("abcdef");
    EXPECT_EQ(uitest::Narrow(field->GetText()), "abc");
    EXPECT_NE(field->GetDrawFlags() & KE_TEXT_NO_MARKUP, 0u);   // typed text as typed
    field->SetEditable(false, 0);
    EXPECT_FALSE(field->IsEditing());

    struct Case { bool language; bool asked; bool markup; };
    const Case cases[] = {{false, false, false}, {true, false, true}, {false, true, true}};
    for (const Case& c : cases)
    {
        CTextWidget* label = new CTextWidget();
        label->InitWithFont(&app, &app.resources, CKetrelRect(0, 0, 10, 10), nullptr);
        app.language.texts = {"$COLOR=0xFFFF0000red"};
        if (c.language)
            label->SetTextId(0);
        else
            label->SetText(CKetrelString("$COLOR=0xFFFF0000red"));
        label->SetColorMarkup(c.asked);
        EXPECT_EQ((label->GetDrawFlags() & KE_TEXT_NO_MARKUP) == 0, c.markup) << c.language << c.asked;
        root->AddChild(label);
    }
}

TEST(TextPixels, WrappingAndMarkup)
{
    kit::Window win;
    if (!win.Open(240, 120))
        GTEST_SKIP() << win.skipReason;
    App app;
    app.gc = win.gl;
    CKetrelBitmapFont* font = new CKetrelBitmapFont();
    ASSERT_EQ(font->CreateDefault(win.app.get()), 1);
    app.resources.AddFont("default", font);
    const i32 line = font->GetLineHeight();
    ASSERT_GT(line, 0);

    CWidget* root = New<CWidget>(app, nullptr, "root", 0, 0, 240, 120);
    auto make = [&](i32 top, u32 flags) {
        CTextWidget* t = new CTextWidget();
        t->InitWithFont(&app, &app.resources, CKetrelRect(0, top, 60, top + 3 * line), font);
        t->SetTextFlags(flags);
        root->AddChild(t);
        return t;
    };
    CTextWidget* wrapped = make(0, CTextWidget::TEXT_MULTILINE);
    wrapped->SetText(CKetrelString("MMMM MMMM MMMM"));
    CTextWidget* single = make(60, 0);
    single->SetText(CKetrelString("MMMM MMMM MMMM"));
    win.Clear(0x000000);
    root->Render(win.gl);
    auto lit = [&](i32 y0, i32 y1, u32 want) {
        for (i32 y = y0; y < y1; ++y)
            for (i32 x = 0; x < 60; ++x)
                if (kit::Near(win.Read(x, y), want, 60))
                    return true;
        return false;
    };
    EXPECT_TRUE(lit(line, 2 * line, 0xFFFFFF));         // the second line holds text
    EXPECT_FALSE(lit(60 + line, 60 + 2 * line, 0xFFFFFF));   // one line only

    // Markup: user text shows it as typed (white); a language text is coloured.
    app.language.texts = {"$COLOR=0xFFFF0000MMMM"};
    CTextWidget* user = make(0, 0);
    user->SetRect(CKetrelRect(120, 0, 240, line));
    user->SetText(CKetrelString("$COLOR=0xFFFF0000MMMM"));
    CTextWidget* lang = make(0, 0);
    lang->SetRect(CKetrelRect(120, 60, 240, 60 + line));
    lang->SetTextId(0);
    win.Clear(0x000000);
    root->Render(win.gl);
    auto litAt = [&](i32 x0, i32 y0, u32 want) {
        for (i32 y = y0; y < y0 + line; ++y)
            for (i32 x = x0; x < x0 + 120; ++x)
                if (kit::Near(win.Read(x, y), want, 60))
                    return true;
        return false;
    };
    EXPECT_TRUE(litAt(120, 0, 0xFFFFFF));
    EXPECT_FALSE(litAt(120, 0, 0xFF0000));
    EXPECT_TRUE(litAt(120, 60, 0xFF0000));
    EXPECT_FALSE(litAt(120, 60, 0xFFFFFF));
    CWidget::Destroy(root);
}
