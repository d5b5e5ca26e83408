// The toast with the framework's own layout on a software target: its queue rules,
// kinds and icons, the slide timeline, taps, relayout, and layouts that lack parts.
#include <gtest/gtest.h>

#include "OverlayTestKit.h"

#include "framework/BrixToastNotification.h"
#include "ui/TextWidget.h"
#include "ui/Widget.h"

namespace
{

class Toast : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.AddFrameworkPacks()) << "the framework packs were not built";
        ASSERT_EQ(1, toast.Init(&host));
        ASSERT_NE(nullptr, toast.GetPanel());
    }

    // Runs updates of dt for that many seconds. The steps are powers of two, so that
    // the sums are exact and the moments of the timeline land where they are meant to.
    void Run(f32 seconds, f32 dt = 1.0f / 16.0f)
    {
        const int steps = (int)(seconds / dt + 0.5f);
        for (int i = 0; i < steps; ++i)
            toast.Update(dt);
    }

    bool IconShown(const char* name)
    {
        CWidget* w = FindWidget(toast.GetRoot(), name);
        return w && w->IsVisible();
    }

    SoftwareHost host;
    CBrixToastNotification toast;
};

TEST_F(Toast, QueueRules)
{
    // A text already waiting is not queued again; the one on screen is not compared.
    toast.Add(Str("first"), 1, 0.0f);
    toast.Add(Str("second"), 1, 0.0f);
    toast.Add(Str("second"), 3, 5.0f);
    toast.Add(Str("first"), 1, 0.0f);
    EXPECT_EQ("first", Narrow(toast.GetCurrentText()));
    ASSERT_EQ(2, toast.GetQueueCount());
    EXPECT_EQ("second", Narrow(toast.GetQueued(0)->text));
    EXPECT_EQ("first", Narrow(toast.GetQueued(1)->text));

    // Shown one after another, oldest first, each for its own time.
    struct Step { f32 after; const char* text; i32 kind; };
    const Step steps[] = {{3.0f, "second", 1}, {3.0f, "first", 1}, {3.0f, "", 1}};
    for (const Step& s : steps)
    {
        Run(s.after);
        EXPECT_EQ(s.text, Narrow(toast.GetCurrentText()));
        EXPECT_EQ(s.kind, toast.GetShownKind());
    }
    EXPECT_EQ(-1.0f, toast.GetTimer());
    EXPECT_EQ(0, toast.IsShown());
}

TEST_F(Toast, KindsPickTheirIconAndText)
{
    struct Case { const char* name; i32 kind; f32 seconds; i32 shownKind; f32 duration; const char* icon; const char* text; };
    const Case cases[] = {
        {"plain", 1, 0.0f, 1, 3.0f, "toast_icon_message", "hello"},
        {"kind 0 is plain", 0, 2.0f, 1, 2.0f, "toast_icon_message", "hello"},
        {"challenge", 3, 4.0f, 3, 4.0f, "toast_icon_challenge", "hello"},
        {"kind -1 looks like a challenge", -1, 0.0f, -1, 3.0f, "toast_icon_challenge", "hello"},
        {"achievement", 4, 0.0f, 4, 3.0f, "toast_icon_achievement", "hello\n\nAchievement unlocked!"},
        {"unknown kind: no icon", 7, 0.0f, 7, 3.0f, nullptr, "hello"},
        // A server text is an argument, never a format.
        {"stray conversions", 4, 0.0f, 4, 3.0f, "toast_icon_achievement",
         "%s%d%n%x%%\n\nAchievement unlocked!"},
    };
    const char* icons[] = {"toast_icon_message", "toast_icon_challenge", "toast_icon_achievement"};
    for (const Case& c : cases)
    {
        Run(5.0f);   // the previous one is gone
        ASSERT_EQ(-1.0f, toast.GetTimer()) << c.name;
        const std::string input = std::string(c.text).substr(0, std::string(c.text).find('\n'));
        toast.Add(Str(input), c.kind, c.seconds);
        EXPECT_EQ(c.text, Narrow(toast.GetCurrentText())) << c.name;
        EXPECT_EQ(c.shownKind, toast.GetShownKind()) << c.name;
        EXPECT_EQ(c.duration, toast.GetDuration()) << c.name;
        EXPECT_EQ(1, toast.IsShown()) << c.name;
        EXPECT_EQ(c.kind == 3, toast.GetTapPage() != nullptr) << c.name;
        for (const char* icon : icons)
            EXPECT_EQ(c.icon && std::string(c.icon) == icon, IconShown(icon)) << c.name << " " << icon;
        if (CTextWidget* text = CTextWidget::Cast(FindWidget(toast.GetRoot(), "toast_message")))
        {
            EXPECT_EQ(c.text, Narrow(text->GetText())) << c.name;
        }
    }
}

// A 60-pixel panel whose parent ends at 480: top at 450 after 0.25 s, 420 from 0.5 s,
// on its way down in the last half second, gone at 3 s.
TEST_F(Toast, SlidesInHoldsAndSlidesOut)
{
    ASSERT_EQ(60, toast.GetPanel()->GetHeight());
    CWidget* background = FindWidget(toast.GetRoot(), "toast_bg");
    ASSERT_NE(nullptr, background);
    toast.Add(Str("slide"), 1, 0.0f);
    struct Moment { f32 time; i32 top; };
    const Moment moments[] = {{0.25f, 450}, {0.5f, 420}, {1.0f, 420}, {2.5f, 420}, {2.75f, 450}};
    f32 now = 0.0f;
    for (const Moment& m : moments)
    {
        Run(m.time - now, 1.0f / 64.0f);
        now = m.time;
        EXPECT_EQ(m.top, toast.GetPanel()->GetRect().top) << m.time;
        EXPECT_EQ(m.top, background->GetRect().top) << m.time;
    }
    Run(0.25f, 1.0f / 64.0f);
    EXPECT_EQ(0, toast.IsShown());
    EXPECT_EQ(-1.0f, toast.GetTimer());
}

// A tap on the panel at 1.0 s starts the slide-out: gone 0.5 s later. A tap elsewhere is
// not the toast's, and an idle toast takes nothing.
TEST_F(Toast, TapClosesTheMessage)
{
    EXPECT_EQ(0, toast.OnPointerDown(0, 400, 450));
    toast.Add(Str("a challenge"), 3, 0.0f);
    Run(1.0f);
    const CKetrelRect panel = toast.GetPanel()->GetRect();
    const i32 x = (panel.left + panel.right) / 2, y = (panel.top + panel.bottom) / 2;
    EXPECT_EQ(0, toast.OnPointerUp(0, x, 100));   // far above the panel
    EXPECT_EQ(1, toast.OnPointerDown(0, x, y));
    EXPECT_EQ(1, toast.OnPointerUp(0, x, y));
    // What the application asks to open the challenge page.
    EXPECT_EQ(CBrixToastNotification::KIND_CHALLENGE, toast.GetShownKind());
    ASSERT_NE(nullptr, toast.GetTapPage());
    EXPECT_STREQ("challenge_received", toast.GetTapPage());
    EXPECT_FLOAT_EQ(2.5f, toast.GetTimer());
    toast.Update(0.45f);
    EXPECT_EQ(1, toast.IsShown());
    toast.Update(0.1f);
    EXPECT_EQ(0, toast.IsShown());
    // A late click on the idle toast brings nothing back.
    CBrixToastNotification::OnToastClick(nullptr, &toast);
    EXPECT_EQ(-1.0f, toast.GetTimer());
}

// Turning the screen lays the toast out again and keeps the message and its time left;
// a message closed by a tap is not brought back.
TEST_F(Toast, RelayoutKeepsTheMessageOnScreen)
{
    toast.Add(Str("turning"), 4, 0.0f);
    Run(1.0f);
    EXPECT_EQ(1, toast.OnScreenSizeChanged(480, 800));
    ASSERT_NE(nullptr, toast.GetPanel());
    EXPECT_EQ(480, toast.GetRoot()->GetWidth());
    EXPECT_NEAR(1.0f, toast.GetTimer(), 1e-4f);
    EXPECT_EQ(1, toast.IsShown());
    EXPECT_TRUE(IconShown("toast_icon_achievement"));
    toast.Update(0.05f);
    EXPECT_EQ(800 - toast.GetPanel()->GetHeight(), toast.GetPanel()->GetRect().top);
    Run(2.0f);
    EXPECT_EQ(0, toast.IsShown());

    toast.Add(Str("tapped"), 1, 0.0f);
    Run(1.0f);
    CBrixToastNotification::OnToastClick(nullptr, &toast);
    toast.OnScreenSizeChanged(800, 480);
    EXPECT_EQ("", Narrow(toast.GetCurrentText()));
    EXPECT_FLOAT_EQ(2.5f, toast.GetTimer());   // the slide-out runs to its end
    Run(0.5f);
    EXPECT_EQ(-1.0f, toast.GetTimer());
}

// Layouts from a pack added before the framework's: without the panel or an icon the
// toast stays idle; without an area or a file Init fails with the loader's code.
TEST(ToastLayout, MissingPartsKeepTheToastIdle)
{
    const char* panelOnly =
        "<ui><area width='800' height='480'><element name='toast_hitarea' type='button'>"
        "<size w='0.5' h='0.1'/><element name='toast_icon_message' type='image'/></element></area></ui>";
    const char* iconsOnly =
        "<ui><area width='800' height='480'><element name='toast_icon_message'/>"
        "<element name='toast_icon_challenge'/><element name='toast_icon_achievement'/></area></ui>";
    struct Case { const char* name; const char* layout; int init; };
    const Case cases[] = {
        {"an icon missing", panelOnly, 1},
        {"no panel", iconsOnly, 1},
        {"no area", "<ui></ui>", 4},
        {"not a document", "<ui><area", 4},
    };
    for (const Case& c : cases)
    {
        TestFolder folder;
        ASSERT_TRUE(WriteTestPack(folder.File("t.vad"), {{"/toast-root.xml", c.layout}}));
        SoftwareHost host;
        ASSERT_EQ(1, host.AddMediaPack(Str(folder.File("t.vad")), 1, 1));
        ASSERT_TRUE(host.AddFrameworkPacks());
        CBrixToastNotification toast;
        const int r = toast.Init(&host);
        if (c.init == 1)
        {
            EXPECT_EQ(1, r) << c.name;
        }
        else
        {
            EXPECT_NE(1, r) << c.name;
        }
        EXPECT_EQ(1, toast.Add(Str("nothing to show it on"), 1, 0.0f)) << c.name;
        EXPECT_EQ(-1.0f, toast.GetTimer()) << c.name;
        EXPECT_EQ(0, toast.GetQueueCount()) << c.name;
        toast.Update(1.0f);
        toast.Render();
        EXPECT_EQ(0, toast.OnPointerDown(0, 10, 10)) << c.name;
    }
}

} // namespace
