// Page transitions with a hand-driven clock, and page views with their history,
// back navigation, page buttons and the "menu_root" rule.
#include "LoaderTestSupport.h"
#include "ui/EasingCurve.h"
#include "ui/PageView.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace
{
struct Pages
{
    CWidget* root;
    CWidget* from;
    CWidget* to;
    Pages()
    {
        root = Make(nullptr, "root", 0, 0, 800, 480);
        from = Make(root, "from", 0, 0, 800, 480);
        to = Make(root, "to", 0, 0, 800, 480);
    }
    ~Pages() { Free(root); }
};

CTransition* MakeTransition(i32 kind, i32 direction, f32 duration, bool moveOther = true,
                            bool curves = true)
{
    CTransition* t = new CTransition();
    t->Init(moveOther, direction, kind, duration);
    if (curves)
    {
        t->SetEasingIn(new CEasingCurveLinear());
        t->SetEasingOut(new CEasingCurveLinear());
    }
    return t;
}
}  // namespace

TEST(Transition, SlidesAlongTheClock)
{
    struct Step
    {
        f32 dt;
        i32 toX, fromX;
        bool running;
    };
    const struct
    {
        i32 kind, direction;
        std::vector<Step> steps;
    } cases[] = {
        // "in" from the right over 0.5 s: 800 -> 400 -> 0, the old page one width left.
        {CTransition::KIND_IN, CTransition::DIRECTION_RIGHT,
         {{0.0f, 800, 0, true}, {0.25f, 400, -400, true}, {0.25f, 0, -800, false}}},
        // "out" to the right: the old page leaves, the new one follows at x - 800.
        {CTransition::KIND_OUT, CTransition::DIRECTION_LEFT,
         {{0.0f, -800, 0, true}, {0.25f, -400, 400, true}, {1.0f, 0, 800, false}}},
        // A right slide of kind "out" only runs its clock.
        {CTransition::KIND_OUT, CTransition::DIRECTION_RIGHT,
         {{0.0f, 0, 0, true}, {0.25f, 0, 0, true}, {0.25f, 0, 0, false}}},
        // Directions that move nothing end at once instead of staying busy.
        {CTransition::KIND_IN, CTransition::DIRECTION_UP, {{0.0f, 0, 0, false}}},
    };
    for (const auto& c : cases)
    {
        Pages p;
        CTransition* t = MakeTransition(c.kind, c.direction, 0.5f);
        t->SetFrom(p.from);
        t->SetTo(p.to);
        bool first = true;
        for (const Step& s : c.steps)
        {
            if (first)
                t->Start();
            else
                t->Update(s.dt);
            first = false;
            EXPECT_EQ(s.toX, p.to->GetRect().left) << c.kind << c.direction;
            EXPECT_EQ(s.fromX, p.from->GetRect().left) << c.kind << c.direction;
            EXPECT_EQ(s.running, t->IsRunning()) << c.kind << c.direction;
        }
        EXPECT_FALSE(p.from->IsVisible());
        EXPECT_TRUE(p.to->IsVisible());
        delete t;
    }
}

TEST(Transition, FinishZeroDurationAndMissingCurves)
{
    {
        Pages p;
        CTransition* t = MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_RIGHT, 0.5f);
        t->SetFrom(p.from);
        t->SetTo(p.to);
        t->Start();
        t->Update(0.1f);
        t->Finish();
        EXPECT_FALSE(t->IsRunning());
        EXPECT_EQ(0, p.to->GetRect().left);
        EXPECT_EQ(-800, p.from->GetRect().left);
        delete t;
    }
    {
        // Duration 0 (the document default) completes at once, with no NaN position.
        Pages p;
        CTransition* t = MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_RIGHT, 0.0f);
        t->SetFrom(p.from);
        t->SetTo(p.to);
        t->Start();
        EXPECT_FALSE(t->IsRunning());
        EXPECT_EQ(0, p.to->GetRect().left);
        delete t;
    }
    {
        Pages p;
        CTransition* t =
            MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_RIGHT, 0.5f, true, false);
        t->SetFrom(p.from);
        t->SetTo(p.to);
        t->Start();
        EXPECT_FALSE(t->IsRunning());
        EXPECT_FALSE(p.from->IsVisible());
        delete t;
    }
    CTransitionable list;
    CTransition* first = MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_RIGHT, 1.0f);
    list.AddTransition(first);
    list.AddTransition(MakeTransition(CTransition::KIND_OUT, CTransition::DIRECTION_LEFT, 1.0f));
    CTransition* second = MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_LEFT, 2.0f);
    list.AddTransition(second);   // replaces the first "in"
    EXPECT_EQ(2, list.GetTransitionCount());
    EXPECT_EQ(second, list.FindTransition(CTransition::KIND_IN));
}

namespace
{
class FakeButton : public IPageViewButton
{
public:
    explicit FakeButton(const char* page) : m_page(page) {}
    const CKetrelString& GetTargetPage() const override { return m_page; }
    void SetPageToggled(bool t) override { toggled = t; }
    void SetPageView(CPageView* v) override
    {
        if (view)
            view->UnregisterPageButton(this);
        view = v;
        if (view)
            view->RegisterPageButton(this);
    }
    bool toggled = false;
    CPageView* view = nullptr;

private:
    CKetrelString m_page;
};

// A view of pages P1..Pn under an area root (named menuRoot), with a history.
struct View
{
    CWidget* root;
    CPageView* view;
    View(i32 pages, i32 history, const char* rootName = "menu_root", bool transitions = true)
    {
        root = Make(nullptr, rootName, 0, 0, 800, 480);
        view = Make<CPageView>(root, "view", 0, 0, 800, 480);
        view->SetHistorySize(history);
        if (transitions)
        {
            view->AddTransition(MakeTransition(CTransition::KIND_IN, CTransition::DIRECTION_RIGHT, 0.5f));
            view->AddTransition(MakeTransition(CTransition::KIND_OUT, CTransition::DIRECTION_LEFT, 0.5f));
        }
        for (i32 i = 1; i <= pages; ++i)
            Make(view, ("P" + std::to_string(i)).c_str(), 0, 0, 800, 480);
    }
    ~View() { Free(root); }
    std::string Current() { return view->GetCurrentPage() ? Narrow(view->GetCurrentPage()->GetName()) : ""; }
    CWidget* Go(const char* target) { return view->Navigate(CKetrelString(target)); }
};
}  // namespace

TEST(PageView, HistoryAndBackForms)
{
    View v(4, 3);
    EXPECT_EQ("P1", v.Current());
    v.Go("P2");
    v.Go("P3");
    v.Go("P4");
    ASSERT_EQ(3, v.view->GetHistory().GetCount());
    EXPECT_EQ(1, v.view->GetHistory()[0]);
    v.Go(":back");
    EXPECT_EQ("P3", v.Current());
    v.Go("P4");
    v.Go(":back#2");
    EXPECT_EQ("P2", v.Current());
    EXPECT_EQ(nullptr, v.Go("nowhere"));
    EXPECT_EQ("P2", v.Current());
    // A huge count stops at the first entry rather than looping.
    v.Go("P3");
    v.Go(":back#2000000000");
    EXPECT_EQ("P1", v.Current());
    v.Go(":back#x");
    EXPECT_EQ("P1", v.Current());
}

TEST(PageView, GoBackToAndOutTransition)
{
    View v(4, 8);
    v.Go("P2");
    v.Go("P3");
    v.Go("P4");
    v.view->FinishTransitions();
    CWidget* p4 = v.view->GetChild(3);
    v.Go(":back:P2");
    EXPECT_EQ("P2", v.Current());
    EXPECT_EQ(2, v.view->GetHistory().GetCount());
    CTransition* out = v.view->FindTransition(CTransition::KIND_OUT);
    ASSERT_TRUE(out->IsRunning());
    EXPECT_EQ(p4, out->GetFrom());
    EXPECT_EQ(v.view->GetChild(1), out->GetTo());
    EXPECT_FALSE(v.view->GetChild(2)->IsVisible());   // P3 was removed from the history
    v.view->Update(1.0f);
    EXPECT_FALSE(v.view->IsBusy());
    // An unknown name goes back one and then forward to nothing.
    v.Go(":back:nowhere");
    EXPECT_EQ("P1", v.Current());
}

TEST(PageView, WhenTransitionsPlay)
{
    const struct
    {
        const char* rootName;
        bool rootVisible;
        i32 history;
        const char* target;
        bool plays;
    } cases[] = {
        {"menu_root", true, 4, "P2", true},
        {"menu_root", true, 4, "P1", false},   // index 0 never animates
        {"menu_root", false, 4, "P2", false},
        {"area", true, 4, "P2", false},        // no ancestor named menu_root
        {"menu_root", true, 0, "P2", false},   // no history, no transitions
    };
    for (const auto& c : cases)
    {
        View v(3, c.history, c.rootName);
        if (std::string(c.target) == "P1")
            v.Go("P3"), v.view->FinishTransitions();
        v.root->SetVisible(c.rootVisible);
        v.Go(c.target);
        EXPECT_EQ(c.plays, v.view->IsBusy()) << c.rootName << c.target << c.history;
        EXPECT_EQ(c.target, v.Current());
    }
}

// A move without animation during a slide: the next update shows the new page only.
TEST(PageView, MoveWithoutAnimationEndsARunningSlide)
{
    const struct
    {
        const char* name;
        void (*move)(View& v);
        const char* shown;
    } cases[] = {
        {"to the first page", [](View& v) { v.Go("P1"); }, "P1"},
        {"a restored path",
         [](View& v)
         {
             CKetrelArray<CKetrelString> path;
             path.Add(CKetrelString("P1"));
             path.Add(CKetrelString("P3"));
             v.view->ApplyHistory(&path);
         },
         "P3"},
        {"back below a hidden menu root",
         [](View& v)
         {
             v.root->SetVisible(false);
             v.Go(":back");
         },
         "P1"},
    };
    for (const auto& c : cases)
    {
        View v(3, 4);
        v.Go("P2");
        ASSERT_TRUE(v.view->IsBusy());
        c.move(v);
        v.view->Update(0.016f);
        EXPECT_EQ(c.shown, v.Current()) << c.name;
        for (i32 i = 0; i < v.view->GetChildCount(); ++i)
        {
            CWidget* page = v.view->GetChild(i);
            EXPECT_EQ(Narrow(page->GetName()) == c.shown, page->IsVisible())
                << c.name << ": " << Narrow(page->GetName());
        }
    }
}

TEST(PageView, ButtonsFollowTheVisiblePage)
{
    View v(3, 4);
    FakeButton b1("P1"), b2("P2"), missing("P9");
    b1.SetPageView(v.view);
    b2.SetPageView(v.view);
    missing.SetPageView(v.view);
    missing.toggled = true;
    v.view->Update(0.0f);
    EXPECT_TRUE(b1.toggled);
    EXPECT_FALSE(b2.toggled);
    EXPECT_FALSE(missing.toggled);
    v.Go("P2");
    v.view->Update(1.0f);   // the transition ends
    v.view->Update(0.0f);   // the pages are laid out
    EXPECT_FALSE(b1.toggled);
    EXPECT_TRUE(b2.toggled);
    // Closing the view detaches every button.
    v.view->Close();
    EXPECT_EQ(nullptr, b1.view);
    EXPECT_EQ(nullptr, missing.view);
    EXPECT_EQ(0, v.view->GetPageButtonCount());
}

TEST(PageView, PagePathSurvivesAReload)
{
    View v(3, 4);
    v.Go("P2");
    v.Go("P3");
    CKetrelArray<CKetrelString> saved;
    v.view->SetHistory(&saved);
    ASSERT_EQ(3, saved.GetCount());
    EXPECT_EQ("P2", Narrow(saved[1]));

    View w(3, 4);
    w.view->ApplyHistory(&saved);
    EXPECT_EQ("P3", w.Current());
    EXPECT_EQ(3, w.view->GetHistory().GetCount()) << "the first page, current already, too";
    for (const char* expect : {"P2", "P1", "P1"})
    {
        w.Go(":back");
        EXPECT_EQ(expect, w.Current());
    }

    View plain(3, 0);
    plain.Go("P3");
    plain.view->SetHistory(&saved);
    ASSERT_EQ(1, saved.GetCount());
    EXPECT_EQ("P3", Narrow(saved[0]));
    // Without a history ":back" is just a page name.
    EXPECT_EQ(nullptr, plain.Go(":back"));
}

TEST(PageView, LoadedFromADocument)
{
    LoadedTree t;
    t.Build("<area><element name='menu_root'><size w='1' h='1'/>"
            "<element name='pv' type='page_layout'><size w='1' h='1'/><history max-size='5'/>"
            "<transition type='in' direction='right' duration='0.5' move_other='1'>"
            "<easing_in curve='pow2'/></transition>"
            "<element name='a'/><element name='b'/></element>"
            "<element name='nohistory' type='page_layout'><transition type='in' direction='right'/></element>"
            "<element name='untyped' type='page_layout'><history max-size='2'/>"
            "<transition direction='right'/><transition type='out'/></element>"
            "</element></area>");
    CPageView* pv = CPageView::Cast(t.Find("//pv"));
    ASSERT_NE(nullptr, pv);
    EXPECT_EQ(5, pv->GetHistorySize());
    ASSERT_EQ(1, pv->GetTransitionCount());
    CTransition* in = pv->FindTransition(CTransition::KIND_IN);
    EXPECT_EQ(CTransition::DIRECTION_RIGHT, in->GetDirection());
    EXPECT_FLOAT_EQ(0.5f, in->GetDuration());
    EXPECT_TRUE(in->GetMoveOther());
    EXPECT_FLOAT_EQ(0.25f, in->GetEasingIn()->Evaluate(0.5f));
    EXPECT_FLOAT_EQ(0.5f, in->GetEasingOut()->Evaluate(0.5f));   // linear when absent
    EXPECT_EQ(0, CPageView::Cast(t.Find("//nohistory"))->GetTransitionCount());
    EXPECT_EQ(0, CPageView::Cast(t.Find("//untyped"))->GetTransitionCount());

    // Paging through the built view, with the slide timed by the update clock.
    t.root->Update(0.0f);
    EXPECT_TRUE(t.Find("//a")->IsVisible());
    EXPECT_FALSE(t.Find("//b")->IsVisible());
    pv->Navigate(CKetrelString("b"));
    t.root->Update(0.25f);
    EXPECT_EQ(600, t.Find("//b")->GetRect().left);   // 800 - 800 * 0.5^2
    t.root->Update(0.25f);
    t.root->Update(0.0f);
    EXPECT_EQ(0, t.Find("//b")->GetRect().left);
    EXPECT_FALSE(t.Find("//a")->IsVisible());
}
