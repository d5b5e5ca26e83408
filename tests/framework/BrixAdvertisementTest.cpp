// The advertisement overlay with the framework's own layout on a software target,
// fed through a stand-in for the network session that decodes message 80 from its
// encoding: show, pending and kept-only rules, the countdown, the animation, closing,
// the Back key, rotation, and server fields that are malformed.
#include <gtest/gtest.h>

#include "OverlayTestKit.h"

#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixAdvertisement.h"
#include "framework/BrixToastNotification.h"
#include "net/ASN1Messages.h"
#include "net/BrixNetworkSession.h"
#include "ui/ImageWidget.h"
#include "ui/TextWidget.h"
#include "ui/Widget.h"

#include <memory>

namespace
{

// The fields of one message 80.
struct AdMessage
{
    std::string first = "campaign-7", click = "http://ads.test/click", ok = "http://ads.test/ok";
    std::string title = "Brick sale", titleLink = "http://ads.test/title";
    std::string picture;              // encoded image bytes
    i32 displayMs = 1000, closingMs = 5000, flags = CBrixAdvertisement::FLAG_SHOW;
    std::vector<i32> frameMs;
};

// What the session does with a message 80 from the server: decodes it from its
// encoding and hands the fields to the advertisement observers. The observer here
// does what the application does: makes the overlay on the first message.
class FakeSession : public CBrixNetworkSession::AdvertisementObserver
{
public:
    explicit FakeSession(HostServices* host) : m_host(host) {}

    // Encodes the message, decodes it as the session would, and delivers it. False when
    // the round trip fails.
    bool Deliver(const AdMessage& m)
    {
        CKetrelString s0 = Str(m.first), s1 = Str(m.click), s6 = Str(m.ok), s8 = Str(m.title),
                      s9 = Str(m.titleLink);
        u8* image = m.picture.empty() ? nullptr : (u8*)m.picture.data();
        i32 imageSize = (i32)m.picture.size(), v3 = m.displayMs, v4 = m.closingMs, v7 = 0;
        CKetrelArray<i32> frames;
        for (i32 f : m.frameMs)
            frames.Add(f);
        CASN1AdvertisementInfo out(&s0, &s1, &image, &imageSize, &v3, &v4, &frames, &s6, &v7, &s8, &s9);
        v7 = m.flags;
        u8* bytes = nullptr;
        int size = 0;
        if (out.EncodeNew(&bytes, &size) != 1 || size <= 0)
            return false;
        return DeliverBytes(bytes, size) > 0;
    }

    // Decodes raw bytes as message 80 and delivers what decodes; the bytes are freed.
    int DeliverBytes(u8* bytes, int size)
    {
        CKetrelString s0, s1, s6, s8, s9;
        u8* image = nullptr;
        i32 imageSize = 0, v3 = 0, v4 = 0, v7 = 0;
        CKetrelArray<i32> frames;
        CASN1AdvertisementInfo in(&s0, &s1, &image, &imageSize, &v3, &v4, &frames, &s6, &v7, &s8, &s9);
        const int used = in.Decode(bytes, size);
        delete[] bytes;
        if (used > 0)
            OnAdvertisementInfo(s0, s1, imageSize, image, v3, v4, frames, s6, v7, s8, s9);
        delete[] image;
        return used;
    }

    void OnAdvertisementInfo(const CKetrelString& text0, const CKetrelString& text1, int imageSize,
                             const u8* image, int value3, int value4, const CKetrelArray<i32>& values,
                             const CKetrelString& text6, int value7, const CKetrelString& text8,
                             const CKetrelString& text9) override
    {
        if (!ad)
        {
            ad.reset(new CBrixAdvertisement());
            if (ad->Init(m_host) != 1)
            {
                ad.reset();
                return;
            }
        }
        ad->Show(text0, text1, imageSize, image, value3, value4, values, text6, value7, text8, text9);
    }

    std::unique_ptr<CBrixAdvertisement> ad;

private:
    HostServices* m_host;
};

// Three frames of 30 x 30 stacked top to bottom: red, green, blue.
std::string Strip()
{
    return MakePng(30, 90, [](int, int y) {
        return y < 30 ? 0xFFFF0000u : (y < 60 ? 0xFF00FF00u : 0xFF0000FFu);
    });
}

class Advertisement : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(host.AddFrameworkPacks()) << "the framework packs were not built"; }

    CWidget* Find(const char* name) { return FindWidget(session.ad ? session.ad->GetRoot() : nullptr, name); }
    bool Visible(const char* name)
    {
        CWidget* w = Find(name);
        return w && w->IsVisible();
    }
    std::string Text(const char* name)
    {
        CTextWidget* t = CTextWidget::Cast(Find(name));
        return t ? Narrow(t->GetText()) : std::string("(no text widget)");
    }
    // Taps the middle of a widget of the layout.
    void Tap(const char* name)
    {
        CWidget* w = Find(name);
        ASSERT_NE(nullptr, w) << name;
        i32 x = w->GetWidth() / 2, y = w->GetHeight() / 2;
        session.ad->GetRoot()->MapPoint(w, &x, &y);   // into the root: screen pixels
        EXPECT_EQ(1, session.ad->OnPointerDown(0, x, y));
        EXPECT_EQ(1, session.ad->OnPointerUp(0, x, y));
    }

    SoftwareHost host;
    FakeSession session{&host};
};

TEST_F(Advertisement, FlagsDecideWhatIsShown)
{
    struct Case { const char* name; i32 flags; i32 busy, match; i32 shown, pending; bool stored; };
    const Case cases[] = {
        {"no flag 8", 0, 0, 0, 0, 0, false},
        {"flag 2 only", 2, 0, 0, 0, 0, false},
        {"flag 8", 8, 0, 0, 1, 0, true},
        {"flag 8 while the link is busy", 8, 1, 0, 0, 1, true},
        {"flag 8 with a match request pending", 8, 0, 1, 0, 0, true},
        {"flags 8 and 2", 10, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases)
    {
        host.linkBusy = c.busy;
        host.matchPending = c.match;
        AdMessage m;
        m.flags = c.flags;
        ASSERT_TRUE(session.Deliver(m)) << c.name;
        ASSERT_NE(nullptr, session.ad) << c.name;
        EXPECT_EQ(c.shown, session.ad->IsShown()) << c.name;
        EXPECT_EQ(c.pending, session.ad->IsPending()) << c.name;
        EXPECT_EQ(c.stored, Narrow(session.ad->GetTitle()) == "Brick sale") << c.name;
        if (c.stored)
        {
            EXPECT_EQ(1, session.ad->GetQuitOnClose()) << c.name;
            EXPECT_EQ(300.0f, session.ad->GetDisplayTime()) << c.name;
            EXPECT_EQ(5.0f, session.ad->GetClosingDelay()) << c.name;
        }
        // A message without flag 8 drops what an earlier one stored, and shows nothing.
        session.Deliver(AdMessage{"x", "", "", "", "", "", 0, 0, 0, {}});
        EXPECT_EQ(0, session.ad->IsShown()) << c.name;
        EXPECT_EQ(0, session.ad->IsPending()) << c.name;
        session.ad->Update(0.1f);
        EXPECT_EQ(0, session.ad->IsShown()) << c.name;
    }
}

// Received during a match: shown once the game link is free.
TEST_F(Advertisement, PendingUntilTheLinkIsFree)
{
    host.linkBusy = 1;
    ASSERT_TRUE(session.Deliver(AdMessage()));
    for (int i = 0; i < 3; ++i)
        session.ad->Update(0.5f);
    EXPECT_EQ(0, session.ad->IsShown());
    EXPECT_EQ(0.0f, session.ad->GetCountdown());
    host.linkBusy = 0;
    session.ad->Update(0.5f);
    EXPECT_EQ(1, session.ad->IsShown());
    EXPECT_EQ(0, session.ad->IsPending());
}

// The lobby link going down hides a shown advertisement and drops its content; one
// waiting for the game link keeps waiting, and comes up whole once the link is free.
TEST_F(Advertisement, TheLobbyLinkGoingDownLeavesAWaitingOneWaiting)
{
    struct Case { const char* name; i32 busy; i32 shownAfter; bool picture; };
    const Case cases[] = {
        {"shown: hidden and dropped", 0, 0, false},
        {"waiting: still waiting", 1, 1, true},
    };
    for (const Case& c : cases)
    {
        host.linkBusy = c.busy;
        AdMessage m;
        m.picture = Strip();
        ASSERT_TRUE(session.Deliver(m)) << c.name;
        session.ad->Hide();
        host.linkBusy = 0;
        session.ad->Update(0.1f);
        EXPECT_EQ(c.shownAfter, session.ad->IsShown()) << c.name;
        EXPECT_EQ(c.picture, session.ad->GetPicture() != nullptr) << c.name;
        EXPECT_EQ(c.shownAfter ? 5.0f : 0.0f, session.ad->GetClosingDelay()) << c.name;
    }
}

// Laying out again replaces the tree and its sequences; the old ones are freed (a leak
// checker sees them otherwise).
TEST_F(Advertisement, LayingOutAgainReplacesTheTree)
{
    ASSERT_TRUE(session.Deliver(AdMessage()));
    ASSERT_EQ(1, session.ad->Layout(480, 800));
    ASSERT_NE(nullptr, session.ad->GetRoot());
    EXPECT_EQ(480, session.ad->GetRoot()->GetWidth());
    session.ad->Update(0.1f);
    EXPECT_EQ(1, session.ad->IsShown());
}

// The update that reaches the closing delay shows text 209 in "text_closing", which is
// made visible even when the layout had it hidden.
TEST_F(Advertisement, TheCloseNoteIsShownWhenTheDelayIsReached)
{
    ASSERT_TRUE(session.Deliver(AdMessage()));
    CWidget* closing = Find("text_closing");
    ASSERT_NE(nullptr, closing);
    closing->SetVisible(false);
    AdMessage m;
    m.closingMs = 0;
    ASSERT_TRUE(session.Deliver(m));
    session.ad->Update(0.1f);
    EXPECT_EQ(-1.0f, session.ad->GetCountdown());
    EXPECT_TRUE(Visible("button_close"));
    EXPECT_TRUE(Visible("text_closing"));
    if (CTextWidget::Cast(closing))
    {
        EXPECT_EQ("Close", Text("text_closing"));
    }
}

// A five-second delay counts 5, 4, 3, 2, 1; then text 209 and the close button.
TEST_F(Advertisement, CountdownThenCloseButton)
{
    AdMessage m;
    m.picture = Strip();
    ASSERT_TRUE(session.Deliver(m));
    session.ad->Update(0.0f);
    EXPECT_NE(nullptr, session.ad->GetPicture());
    EXPECT_FALSE(Visible("button_close"));
    std::vector<std::string> seen;
    for (int i = 0; i < 40 && session.ad->GetCountdown() >= 0.0f; ++i)
    {
        session.ad->Update(0.25f);
        if (CTextWidget::Cast(Find("text_closing")))
        {
            const std::string t = Text("text_closing");
            if (seen.empty() || seen.back() != t)
                seen.push_back(t);
        }
        if (session.ad->GetCountdown() >= 0.0f)
        {
            EXPECT_FALSE(Visible("button_close")) << i;
        }
    }
    EXPECT_EQ(-1.0f, session.ad->GetCountdown());
    EXPECT_TRUE(Visible("button_close"));
    if (!seen.empty())   // only when the layout's text kind is available
    {
        const std::vector<std::string> expected = {"Close in 5", "Close in 4", "Close in 3",
                                                   "Close in 2", "Close in 1", "Close"};
        EXPECT_EQ(expected, seen);
    }
}

// Frame times of 100, 100 and 200 ms on a three-frame strip show frames 0, 1 and 2 for
// 0.1, 0.1 and 0.2 s, then start again; the picture widget draws that frame's rows.
TEST_F(Advertisement, AnimationFollowsTheFrameTimes)
{
    AdMessage m;
    m.picture = Strip();
    m.frameMs = {100, 100, 200};
    ASSERT_TRUE(session.Deliver(m));
    session.ad->Update(0.0f);
    ASSERT_NE(nullptr, session.ad->GetPicture());
    EXPECT_EQ(30, session.ad->GetPicture()->GetHeight() / 3);
    CImageWidget* image = CImageWidget::Cast(Find("adimage"));
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(session.ad->GetPicture(), image->GetImage());
    // Sampled in the middle of each 0.1 s: at 0.05, 0.15, 0.25, ... seconds.
    const int expected[] = {0, 1, 2, 2, 0, 1, 2, 2, 0};
    bool first = true;
    for (int frame : expected)
    {
        session.ad->Update(first ? 0.05f : 0.1f);
        first = false;
        EXPECT_EQ(frame, session.ad->GetFrameIndex());
        CKetrelRect rect;
        ASSERT_TRUE(image->GetSourceRect(&rect));
        EXPECT_EQ(frame * 30, rect.top);
    }
}

// Each action opens its link (none for close) and, the quit flag being set on every
// shown advertisement, ends the application.
TEST_F(Advertisement, ClosingOpensTheLinkAndQuits)
{
    struct Case { const char* widget; const char* link; };
    const Case cases[] = {{"ad_title_button", "http://ads.test/title"},
                          {"ad_picture_button", "http://ads.test/click"},
                          {"ad_ok_button", "http://ads.test/ok"},
                          {"button_close", nullptr}};
    for (const Case& c : cases)
    {
        host.links.clear();
        host.quits = 0;
        ASSERT_TRUE(session.Deliver(AdMessage()));
        for (int i = 0; i < 30; ++i)
            session.ad->Update(0.25f);   // past the countdown: the close button is up
        ASSERT_EQ(1, session.ad->IsShown()) << c.widget;
        Tap(c.widget);
        EXPECT_EQ(0, session.ad->IsShown()) << c.widget;
        EXPECT_EQ(1, host.quits) << c.widget;
        EXPECT_EQ(0, session.ad->GetQuitOnClose()) << c.widget;
        EXPECT_EQ(c.link ? std::vector<std::string>{c.link} : std::vector<std::string>{}, host.links)
            << c.widget;
    }
    // Without a title link the title still closes, opening nothing.
    AdMessage m;
    m.titleLink = "";
    host.links.clear();
    ASSERT_TRUE(session.Deliver(m));
    session.ad->Update(0.1f);
    Tap("ad_title_button");
    EXPECT_TRUE(host.links.empty());
    EXPECT_EQ(0, session.ad->IsShown());
}

TEST_F(Advertisement, BackKeyAndRotation)
{
    ASSERT_TRUE(session.Deliver(AdMessage()));
    EXPECT_EQ(1, session.ad->CapturesKey(CBrixAdvertisement::KEY_BACK));
    EXPECT_EQ(0, session.ad->CapturesKey(76));
    // A turn hides the overlay and drops its content; the next message lays it out anew.
    EXPECT_EQ(1, session.ad->OnScreenSizeChanged(480, 800));
    EXPECT_EQ(0, session.ad->IsShown());
    EXPECT_EQ(0, session.ad->CapturesKey(CBrixAdvertisement::KEY_BACK));
    ASSERT_NE(nullptr, session.ad->GetRoot());
    EXPECT_EQ(480, session.ad->GetRoot()->GetWidth());
    ASSERT_TRUE(session.Deliver(AdMessage()));
    EXPECT_EQ(1, session.ad->IsShown());
    session.ad->Hide();
    EXPECT_EQ(0, session.ad->CapturesKey(CBrixAdvertisement::KEY_BACK));
}

// Fields as a hostile server might send them: nothing crashes, the rest still works.
TEST_F(Advertisement, MalformedFieldsAreSurvived)
{
    struct Case { const char* name; std::string picture; std::vector<i32> frames; i32 closingMs; const char* countdown; };
    const std::string strip = Strip();
    const Case cases[] = {
        {"not a picture", "no picture here", {100}, 5000, "Close in %d"},
        {"a cut picture", strip.substr(0, strip.size() / 2), {100}, 5000, "Close in %d"},
        {"more frames than rows", strip, std::vector<i32>(200, 50), 5000, "%s%s%n %d"},
        {"zero and negative frame times", strip, {0, -100, 0}, 5000, "%x %d %f"},
        {"frames without a picture", "", {100, 100}, 5000, "%"},
        {"negative closing delay", strip, {}, -3000, "%d%d%d"},
    };
    for (const Case& c : cases)
    {
        host.texts[1] = c.countdown;
        AdMessage m;
        m.picture = c.picture;
        m.frameMs = c.frames;
        m.closingMs = c.closingMs;
        ASSERT_TRUE(session.Deliver(m)) << c.name;
        for (int i = 0; i < 30; ++i)
            session.ad->Update(0.2f);
        session.ad->Render();
        EXPECT_EQ(1, session.ad->IsShown()) << c.name;
        EXPECT_EQ(-1.0f, session.ad->GetCountdown()) << c.name;
        if (session.ad->GetPicture())
        {
            EXPECT_GE(session.ad->GetPicture()->GetHeight() / std::max<i32>(1, session.ad->GetFrameTimeCount()) , 0)
                << c.name;
            CKetrelRect frame;
            session.ad->GetPicture()->GetFrameRect(session.ad->GetFrameIndex(), &frame);
            EXPECT_GT(frame.bottom - frame.top, 0) << c.name;
        }
        Tap("button_close");
        EXPECT_EQ(0, session.ad->IsShown()) << c.name;
    }
    // Every prefix of a valid message either decodes or is refused; none crashes.
    AdMessage m;
    m.picture = Strip();
    m.frameMs = {100, 100, 200};
    CKetrelString s0 = Str(m.first), s1 = Str(m.click), s6 = Str(m.ok), s8 = Str(m.title), s9 = Str(m.titleLink);
    u8* image = (u8*)m.picture.data();
    i32 imageSize = (i32)m.picture.size(), v3 = 1, v4 = 1, v7 = 8;
    CKetrelArray<i32> frames;
    CASN1AdvertisementInfo out(&s0, &s1, &image, &imageSize, &v3, &v4, &frames, &s6, &v7, &s8, &s9);
    v7 = 8;
    u8* bytes = nullptr;
    int size = 0;
    ASSERT_EQ(1, out.EncodeNew(&bytes, &size));
    for (int n = 0; n < size; ++n)
    {
        u8* copy = new u8[(size_t)n + 1];
        memcpy(copy, bytes, (size_t)n);
        EXPECT_LE(session.DeliverBytes(copy, n), 0) << n;
    }
    delete[] bytes;
}

} // namespace

// Language packs can come from the server, and the countdown uses text 1 as a format
// with one number: stray conversions print nothing and read nothing.
TEST(AdvertisementCountdown, ServerTextsAsFormats)
{
    struct Case { const char* format; const char* text; };
    const Case cases[] = {
        {"Close in %d", "Close in 5"},
        {"%d s", "5 s"},
        {"%s", ""},
        {"%d %d %d", "5  "},
        {"%n%p%x", "5"},
        {"100%% sure: %d", "100% sure: 5"},
        {"%", ""},
        {"trailing %", "trailing "},
        {"%s%s%s%s%s%s%s%s", ""},
        {"", ""},
        {"%999999999d", nullptr},   // no width of that size: a short text
        {"%-0+ #.99999999999f", nullptr},
    };
    for (const Case& c : cases)
    {
        const std::string text = Narrow(CBrixAdvertisement::CountdownText(Str(c.format), 5));
        if (c.text)
        {
            EXPECT_EQ(c.text, text) << c.format;
        }
        else
        {
            EXPECT_LT(text.size(), 32u) << c.format;
        }
    }
}

// Every widget the toast and the advertisement look up exists in every area of their
// layouts, on the screen and not empty (the toast's panel starts below the bottom edge).
TEST(OverlayLayouts, EveryNameTheCodeLooksUpIsThere)
{
    struct Layout { const char* file; std::vector<const char*> names; };
    const Layout layouts[] = {
        {"toast-root.xml", {"toast_hitarea", "toast_bg", "toast_icon_message", "toast_icon_challenge",
                            "toast_icon_achievement", "toast_message"}},
        {"ad-root.xml", {"adimage", "text_title", "text_closing", "button_close"}},
    };
    const struct { i32 w, h; } screens[] = {{800, 480}, {480, 800}};
    for (const Layout& l : layouts)
        for (const auto& screen : screens)
        {
            SoftwareHost host(screen.w, screen.h);
            ASSERT_TRUE(host.AddFrameworkPacks());
            std::unique_ptr<CBrixNotification> overlay;
            CWidget* root = nullptr;
            if (std::string(l.file) == "toast-root.xml")
            {
                CBrixToastNotification* toast = new CBrixToastNotification();
                overlay.reset(toast);
                ASSERT_EQ(1, toast->Init(&host));
                root = toast->GetRoot();
            }
            else
            {
                CBrixAdvertisement* ad = new CBrixAdvertisement();
                overlay.reset(ad);
                ASSERT_EQ(1, ad->Init(&host));
                root = ad->GetRoot();
            }
            ASSERT_NE(nullptr, root) << l.file;
            EXPECT_EQ(screen.w, root->GetWidth()) << l.file;
            for (const char* name : l.names)
            {
                CWidget* w = FindWidget(root, name);
                ASSERT_NE(nullptr, w) << l.file << " " << screen.w << "x" << screen.h << ": " << name;
                // Inside the screen, and not empty.
                i32 x = 0, y = 0, r = w->GetWidth(), b = w->GetHeight();
                root->MapPoint(w, &x, &y);
                root->MapPoint(w, &r, &b);
                EXPECT_GT(r, x) << name;
                EXPECT_GT(b, y) << name;
                EXPECT_GE(x, 0) << name;
                EXPECT_LE(r, screen.w) << name;
                if (std::string(name) != "toast_hitarea" && std::string(name) != "toast_bg" &&
                    std::string(name).rfind("toast_", 0) != 0)
                {
                    EXPECT_LE(b, screen.h) << name;   // the toast starts below the screen
                }
            }
        }
}
