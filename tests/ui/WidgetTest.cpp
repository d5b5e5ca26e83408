// Widget base: hits, dispatch, focus, capture, drawing walk, paths, clones, lifetime.
#include "UITestDoubles.h"
#include "ui/Widget.h"
#include "ui/WidgetType.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace uitest;

namespace
{
CKetrelString S(const char* s) { return CKetrelString(s); }

int CountCalls(void*, void* context)
{
    ++*static_cast<int*>(context);
    return 1;
}
}  // namespace

// Root 200x100 with: a (10,10)-(50,50) opaque; t (40,10)-(90,50) transparent on top of
// a, holding td (0,0)-(10,10); i (100,0)-(150,50) intercepting, holding ic; d
// (150,50)-(200,100) disabled, holding dc.
TEST(WidgetHit, TopmostEdgesTransparentIntercept)
{
    CWidget* root = Make(nullptr, "root", 0, 0, 200, 100);
    CWidget* a = Make(root, "a", 10, 10, 50, 50);
    CWidget* t = Make(root, "t", 40, 10, 90, 50);
    t->SetTransparent(true);
    CWidget* td = Make(t, "td", 0, 0, 10, 10);
    CWidget* i = Make(root, "i", 100, 0, 150, 50);
    i->SetInterceptInput(true);
    Make(i, "ic", 0, 0, 50, 50);
    CWidget* d = Make(root, "d", 150, 50, 200, 100);
    d->SetEnabled(false);
    Make(d, "dc", 0, 0, 50, 50);

    struct Case { const char* name; i32 x, y; CWidget* expect; };
    const Case cases[] = {
        {"inside a", 20, 20, a},
        {"a's left edge", 10, 30, a},
        {"a's right edge (inclusive)", 39, 50, a},
        {"a's bottom-right corner under t's empty part", 50, 50, a},
        {"t's descendant wins over a", 45, 15, td},
        {"td's right/bottom edge", 50, 20, td},
        {"transparent t alone passes through to nothing", 80, 40, nullptr},
        {"intercepting widget is not descended", 120, 20, i},
        {"disabled child is still hit", 170, 70, d},
        {"outside everything", 5, 90, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expect, root->GetChildAt(c.x, c.y)) << c.name;

    root->SetEnabled(false);
    EXPECT_EQ(nullptr, root->GetChildAt(20, 20)) << "disabled root finds nothing";
    Free(root);
}

TEST(WidgetDispatch, FocusSequence)
{
    std::vector<std::string> log;
    ProbeWidget* root = Probe(&log, nullptr, "root", 0, 0, 100, 100);
    Probe(&log, root, "A", 0, 0, 10, 10);
    Probe(&log, root, "B", 20, 0, 30, 10);
    log.clear();
    root->DispatchPointerDown(0, 5, 5);
    root->DispatchPointerDown(0, 25, 5);
    root->DispatchPointerDown(0, 25, 5);
    root->DispatchPointerDown(0, 50, 50);
    const std::vector<std::string> expect = {
        "A:gained(null)", "A:down(5,5)",
        "A:lost(B)", "B:gained(A)", "B:down(5,5)",
        "B:lost(B)", "B:gained(B)", "B:down(5,5)",
        "B:lost(null)", "root:down(50,50)",
    };
    EXPECT_EQ(expect, log);
    EXPECT_EQ(nullptr, root->GetFocusChild());
    log.clear();
    root->DispatchKeyEvent(42);
    EXPECT_EQ(std::vector<std::string>{"root:key(42,0)"}, log);
    Free(root);
}

namespace
{
// A probe whose focus handler may act on it (take it out of the tree, hide it).
class FocusActor : public ProbeWidget
{
public:
    using ProbeWidget::ProbeWidget;
    void OnFocusGained(CWidget* previous) override
    {
        ProbeWidget::OnFocusGained(previous);
        if (act)
            act(this);
    }
    void (*act)(CWidget* self) = nullptr;
};
}  // namespace

// The hit widget's own dispatch would refuse: it gets no pointer event at all.
TEST(WidgetDispatch, HitWidgetThatRefusesGetsNoPointer)
{
    struct Case { const char* name; bool enabled; void (*act)(CWidget*); };
    const Case cases[] = {
        {"disabled", false, nullptr},
        {"taken out by its focus handler", true, [](CWidget* w) { w->GetParent()->RemoveChild(w); }},
        {"hidden by its focus handler", true, [](CWidget* w) { w->SetVisible(false); }},
    };
    for (const Case& c : cases)
    {
        std::vector<std::string> log;
        CWidget* root = Make(nullptr, "root", 0, 0, 100, 100);
        FocusActor* w = new FocusActor(&log);
        w->Init(nullptr, nullptr, CKetrelRect(10, 10, 20, 20));
        w->SetName(S("w"));
        root->AddChild(w);
        w->SetEnabled(c.enabled);
        w->act = c.act;
        log.clear();
        EXPECT_FALSE(root->DispatchPointerDown(0, 15, 15)) << c.name;
        EXPECT_FALSE(root->DispatchPointerMove(0, 15, 15)) << c.name;
        EXPECT_FALSE(root->DispatchPointerUp(0, 15, 15)) << c.name;
        EXPECT_EQ(std::vector<std::string>{"w:gained(null)"}, log) << c.name;
        if (!w->GetParent())
            Free(w);
        Free(root);
    }
}

TEST(WidgetDispatch, CaptureForwarding)
{
    std::vector<std::string> log;
    ProbeWidget* root = Probe(&log, nullptr, "root", 0, 0, 100, 100);
    ProbeWidget* a = Probe(&log, root, "A", 10, 10, 20, 20);
    Probe(&log, root, "B", 50, 50, 60, 60);
    CWidget::SetCapture(a);
    log.clear();
    EXPECT_FALSE(root->DispatchPointerDown(0, 55, 55)) << "a forwarded down returns false";
    EXPECT_TRUE(root->DispatchPointerMove(0, 55, 55)) << "moves return the capture's answer";
    a->handles = false;
    EXPECT_FALSE(root->DispatchPointerUp(0, 30, 30));
    const std::vector<std::string> expect = {"A:down(45,45)", "A:move(45,45)", "A:up(20,20)"};
    EXPECT_EQ(expect, log);

    // Hiding, disabling or removing the holder releases the capture.
    a->SetVisible(false);
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    a->SetVisible(true);
    CWidget::SetCapture(a);
    root->SetEnabled(false);
    EXPECT_EQ(nullptr, CWidget::GetCapture()) << "disabling an ancestor";
    root->SetEnabled(true);
    CWidget::SetCapture(a);
    root->RemoveChild(a);
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    Free(a);
    Free(root);
}

TEST(WidgetDraw, ClipAndCull)
{
    RecordingContext gc(800, 480);
    CWidget* root = Make(nullptr, "root", 0, 0, 800, 480);
    CWidget* p = Make(root, "p", 100, 100, 200, 200);
    Probe(nullptr, p, "inside", 10, 10, 20, 20);
    Probe(nullptr, p, "overlap", 90, 90, 130, 130);
    Probe(nullptr, p, "touching", 100, 0, 120, 10);
    Probe(nullptr, p, "outside", 101, 0, 120, 10);
    ProbeWidget* hidden = Probe(nullptr, p, "hidden", 0, 0, 10, 10);
    hidden->SetVisible(false);
    EXPECT_EQ(1, root->Render(&gc));
    ASSERT_EQ(3u, gc.calls.size());
    struct Case { CKetrelRect rect, clip; };
    const Case expect[] = {
        {CKetrelRect(110, 110, 120, 120), CKetrelRect(100, 100, 200, 200)},
        {CKetrelRect(190, 190, 230, 230), CKetrelRect(100, 100, 200, 200)},
        {CKetrelRect(200, 100, 220, 110), CKetrelRect(100, 100, 200, 200)},
    };
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(expect[i].rect.left, gc.calls[i].rect.left) << i;
        EXPECT_EQ(expect[i].rect.bottom, gc.calls[i].rect.bottom) << i;
        EXPECT_EQ(expect[i].clip.left, gc.calls[i].clip.left) << i;
        EXPECT_EQ(expect[i].clip.right, gc.calls[i].clip.right) << i;
    }
    CKetrelRect clip;
    gc.GetClipRect(&clip);
    EXPECT_EQ(800, clip.right) << "clip restored";
    Free(root);
}

TEST(WidgetUpdate, ErrorStopsWalkAndDisabledStillUpdates)
{
    std::vector<std::string> log;
    ProbeWidget* root = Probe(&log, nullptr, "root", 0, 0, 10, 10);
    ProbeWidget* a = Probe(&log, root, "a", 0, 0, 1, 1);
    ProbeWidget* b = Probe(&log, root, "b", 0, 0, 1, 1);
    Probe(&log, root, "c", 0, 0, 1, 1);
    a->SetEnabled(false);
    b->updateResult = 9;
    log.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(9, root->Update(0.1f));
    EXPECT_EQ("ERROR: 9\nERROR: 9\n", testing::internal::GetCapturedStderr());
    const std::vector<std::string> expect = {"root:update(root)", "a:update(a)", "b:update(b)"};
    EXPECT_EQ(expect, log);
    Free(root);
}

TEST(WidgetTree, NotificationsAndMoves)
{
    std::vector<std::string> log;
    ProbeWidget* p1 = Probe(&log, nullptr, "p1", 0, 0, 100, 100);
    ProbeWidget* p2 = Probe(&log, nullptr, "p2", 0, 0, 100, 100);
    ProbeWidget* c = Probe(&log, p1, "c", 0, 0, 10, 10);
    Probe(&log, p1, "d", 0, 0, 10, 10);
    log.clear();
    p1->AddChild(c);   // re-adding moves it to the end
    EXPECT_EQ(c, p1->GetChild(1));
    p2->AddChild(c);
    c->SetRect(c->GetRect());
    c->SetPosition(5, 5);
    c->SetRect(CKetrelRect(1, 1, 2, 2));
    const std::vector<std::string> expect = {
        "p1:removed(c)", "p1:added(c)", "p1:removed(c)", "p2:added(c)",
        "c:rect(c)", "c:rect(c)", "p2:childchanged(c)"};
    EXPECT_EQ(expect, log);
    Free(p1);
    Free(p2);
}

TEST(WidgetTree, DepthCapAndCycles)
{
    CWidget* root = Make(nullptr, "r", 0, 0, 10, 10);
    CWidget* w = root;
    for (int i = 1; i < CWidget::MaxDepth; ++i)
        w = Make(w, "n", 0, 0, 10, 10);
    EXPECT_EQ(CWidget::MaxDepth, w->GetDepth());
    CWidget* extra = Make(nullptr, "x", 0, 0, 1, 1);
    EXPECT_FALSE(w->AddChild(extra)) << "33rd level refused";
    EXPECT_FALSE(w->AddChild(root)) << "an ancestor would make a cycle";
    EXPECT_FALSE(root->AddChild(root));
    EXPECT_EQ(nullptr, extra->GetParent());
    Free(extra);
    Free(root);
}

TEST(WidgetPath, Grammar)
{
    // root { a { b { c } x { "y/" } }, page_root { deep { leaf } }, "." }
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    CWidget* a = Make(root, "a", 0, 0, 10, 10);
    CWidget* b = Make(a, "b", 0, 0, 10, 10);
    CWidget* c = Make(b, "c", 0, 0, 10, 10);
    CWidget* x = Make(a, "x", 0, 0, 10, 10);
    CWidget* ys = Make(x, "y/", 0, 0, 10, 10);
    CWidget* pr = Make(root, "page_root", 0, 0, 10, 10);
    CWidget* deep = Make(pr, "deep", 0, 0, 10, 10);
    CWidget* leaf = Make(deep, "leaf", 0, 0, 10, 10);
    struct Case { const char* name; CWidget* from; const char* path; CWidget* expect; };
    const Case cases[] = {
        {"empty path", b, "", b},
        {"dot", b, ".", b},
        {"dotdot", b, "..", a},
        {"child", root, "a", a},
        {"grandchild", root, "b", b},
        {"great-grandchild needs //", root, "c", nullptr},
        {"deep", root, "//c", c},
        {"deep then deep", root, "//page_root//leaf", leaf},
        {"near then child", root, "/a/b", b},
        {"lone slash is a name", root, "/", nullptr},
        {"a leading / searches below the widget", leaf, "/a", nullptr},
        {"a leading / from the root", root, "/b", b},
        {"ancestor", leaf, "<page_root//leaf", leaf},
        {"ancestor excludes itself", pr, "<page_root", nullptr},
        {"ancestor after a failure", root, "//nothing<root", nullptr},
        {"trailing separator is part of the name", a, "x/y/", ys},
        {"trailing < is a name", a, "b<", nullptr},
        {"deep empty name", root, "a///b", nullptr},
        {"dotdot then deep", c, "..//c", c},
        {"leading <", deep, "<root", root},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.expect, k.from->FindByPath(S(k.path))) << k.name << " '" << k.path << "'";
    (void)x;
    Free(root);
}

TEST(WidgetClone, CopiesStateNotUniqueName)
{
    int cloneCalls = 0;
    CWidget* root = Make(nullptr, "root", 1, 2, 30, 40);
    root->SetUniqueName(S("u"));
    root->SetTransparent(true);
    root->SetBlendColor(0x80FF0000u);
    root->SetOnClone(MakeUIActionCallback(&CountCalls, &cloneCalls));
    root->SetOnCloned(MakeUIActionCallback(&CountCalls, &cloneCalls));
    Make(root, "kid", 0, 0, 5, 5);
    CWidget* copy = root->Clone();
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(2, cloneCalls);
    EXPECT_EQ(nullptr, copy->GetUniqueName());
    EXPECT_TRUE(copy->IsTransparent());
    EXPECT_EQ(0x80FF0000u, copy->GetBlendColor());
    EXPECT_EQ(30, copy->GetRect().right);
    ASSERT_EQ(1, copy->GetChildCount());
    EXPECT_EQ("kid", Narrow(copy->GetChild(0)->GetName()));
    EXPECT_TRUE(copy->CopyTreeFrom(root));
    Make(copy, "extra", 0, 0, 1, 1);
    EXPECT_FALSE(copy->CopyTreeFrom(root)) << "child counts differ";
    Free(copy);
    Free(root);
}

TEST(WidgetVisibility, HideFiresOnVisibleDescendants)
{
    int hides = 0;
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    CWidget* a = Make(root, "a", 0, 0, 10, 10);
    CWidget* b = Make(a, "b", 0, 0, 10, 10);
    CWidget* hidden = Make(a, "h", 0, 0, 10, 10);
    hidden->SetVisible(false);
    for (CWidget* w : {root, a, b, hidden})
        w->SetOnHide(MakeUIActionCallback(&CountCalls, &hides));
    root->SetVisible(false);
    EXPECT_EQ(3, hides);
    EXPECT_TRUE(b->IsVisible());
    root->SetVisible(false);
    EXPECT_EQ(3, hides) << "no change, no callback";
    Free(root);
}

// Random trees: screen -> widget -> screen is the identity, and MapPoint between any
// two widgets agrees with the sum of their offsets.
TEST(WidgetMapPoint, RoundTripsOnRandomTrees)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 50; ++round)
    {
        std::vector<CWidget*> all;
        CWidget* root = Make(nullptr, "root", (i32)(rng() % 50), (i32)(rng() % 50), 800, 480);
        all.push_back(root);
        for (int i = 0; i < 60; ++i)
        {
            CWidget* parent = all[rng() % all.size()];
            i32 l = (i32)(rng() % 400) - 100, t = (i32)(rng() % 400) - 100;
            CWidget* w = Make(nullptr, "w", l, t, l + 20, t + 20);
            if (parent->AddChild(w))
                all.push_back(w);
            else
                Free(w);
        }
        for (int k = 0; k < 40; ++k)
        {
            CWidget* from = all[rng() % all.size()];
            CWidget* to = all[rng() % all.size()];
            i32 x0 = (i32)(rng() % 1000) - 500, y0 = (i32)(rng() % 1000) - 500;
            i32 x = x0, y = y0;
            to->MapPoint(from, &x, &y);
            i32 sx = x0, sy = y0;
            for (CWidget* w = from; w; w = w->GetParent())
                sx += w->GetRect().left, sy += w->GetRect().top;
            for (CWidget* w = to; w; w = w->GetParent())
                sx -= w->GetRect().left, sy -= w->GetRect().top;
            EXPECT_EQ(sx, x);
            EXPECT_EQ(sy, y);
            i32 rx = x0, ry = y0;
            to->MapPoint(from, &rx, &ry);
            from->MapPoint(to, &rx, &ry);
            EXPECT_EQ(x0, rx);
            EXPECT_EQ(y0, ry);
        }
        Free(root);
    }
}

// Focus and capture references never outlive the subtree they point into.
TEST(WidgetLifetime, RemovedSubtreeLeavesNoReferences)
{
    CWidget* root = Make(nullptr, "root", 0, 0, 100, 100);
    CWidget* page = Make(root, "page", 0, 0, 100, 100);
    CWidget* button = Make(page, "button", 10, 10, 20, 20);
    root->DispatchPointerDown(0, 15, 15);
    EXPECT_EQ(button, root->GetFocusChild());
    CWidget::SetCapture(button);
    root->DeleteChild(page);
    EXPECT_EQ(nullptr, root->GetFocusChild());
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    EXPECT_FALSE(root->DispatchKeyEvent(1));
    Free(root);
}

namespace
{
struct SelfDelete
{
    CWidget* victim;
    int fired = 0;
};

int DestroyVictim(void*, void* context)
{
    SelfDelete* s = static_cast<SelfDelete*>(context);
    ++s->fired;
    CWidget::Destroy(s->victim);
    return 1;
}
}  // namespace

// A hide callback that destroys the whole tree it belongs to, fired from inside an
// update: the tree lives until the update returns.
TEST(WidgetLifetime, CallbackDestroysItsOwnTree)
{
    CWidget* root = Make(nullptr, "root", 0, 0, 100, 100);
    CWidget* a = Make(root, "a", 0, 0, 10, 10);
    SelfDelete s{root};
    a->SetOnHide(MakeUIActionCallback(&DestroyVictim, &s));
    {
        CWidgetWalkGuard guard;
        a->SetVisible(false);
        EXPECT_EQ(1, CWidgetWalkGuard::GetPendingCount());
        EXPECT_FALSE(a->IsVisible()) << "still alive inside the walk";
    }
    EXPECT_EQ(0, CWidgetWalkGuard::GetPendingCount());
    EXPECT_EQ(1, s.fired);
}

namespace
{
// Fires its callback each time a child leaves it.
class RemovalHook : public CWidget
{
public:
    void OnChildRemoved(CWidget*) override { FireCallback(onRemoved, this); }
    CUIActionCallback onRemoved{};
};
}  // namespace

// A widget handed to the caller is never one that the hooks fired on the way destroyed
// (deleted when the walk ends): TakeTemplate and Clone give nothing then. The template's
// wrapper is closed, once, before TakeTemplate returns, even inside a walk.
TEST(WidgetLifetime, NothingDestroyedIsHandedOut)
{
    enum Hook { WRAPPER_SHUTDOWN, SHUTDOWN_COUNTS, PARENT_REMOVAL, WRAPPER_REMOVAL, CLONED };
    struct Case { const char* name; Hook hook; bool inWalk; };
    const Case cases[] = {
        {"the wrapper's shutdown destroys the face", WRAPPER_SHUTDOWN, false},
        {"the same inside a walk", WRAPPER_SHUTDOWN, true},
        {"the wrapper's shutdown only counts, inside a walk", SHUTDOWN_COUNTS, true},
        {"the parent's removal hook destroys a childless template", PARENT_REMOVAL, false},
        {"the wrapper's removal hook destroys the face", WRAPPER_REMOVAL, false},
        {"the same inside a walk", WRAPPER_REMOVAL, true},
        {"oncloned destroys the clone", CLONED, false},
        {"the same inside a walk", CLONED, true},
    };
    for (const Case& c : cases)
    {
        // root { holder = "item_template" { face } }; a childless holder for PARENT_REMOVAL.
        RemovalHook* root = Make<RemovalHook>(nullptr, "root", 0, 0, 10, 10);
        RemovalHook* holder = Make<RemovalHook>(root, "item_template", 0, 0, 10, 10);
        CWidget* face = c.hook == PARENT_REMOVAL ? nullptr : Make(holder, "face", 0, 0, 10, 10);
        SelfDelete s{c.hook == SHUTDOWN_COUNTS ? nullptr : face ? face : holder};
        const CUIActionCallback kill = MakeUIActionCallback(&DestroyVictim, &s);
        if (c.hook == WRAPPER_SHUTDOWN || c.hook == SHUTDOWN_COUNTS)
            holder->SetOnShutdown(kill);
        else if (c.hook == PARENT_REMOVAL)
            root->onRemoved = kill;
        else if (c.hook == WRAPPER_REMOVAL)
            holder->onRemoved = kill;
        else
            root->SetOnCloned(MakeUIActionCallback(
                [](void* w, void*) { CWidget::Destroy(static_cast<CWidget*>(w)); return 1; }, nullptr));
        auto take = [&]() {
            return c.hook == CLONED ? root->Clone() : root->TakeTemplate(S("item_template"));
        };
        CWidget* got = nullptr;
        int firedByReturn = 0;
        {
            std::optional<CWidgetWalkGuard> walk;
            if (c.inWalk)
                walk.emplace();
            got = take();
            firedByReturn = s.fired;
        }
        EXPECT_EQ(c.hook == SHUTDOWN_COUNTS ? face : nullptr, got) << c.name;
        EXPECT_EQ(c.hook == CLONED ? 0 : 1, firedByReturn) << c.name;
        EXPECT_EQ(firedByReturn, s.fired) << c.name;
        EXPECT_EQ(0, CWidgetWalkGuard::GetPendingCount()) << c.name;
        if (got)
            Free(got);   // one already freed is the sanitizers' to report
        Free(root);
    }
}

TEST(WidgetType, KindTable)
{
    struct Case { const CWidgetType& kind; const char* name; const CWidgetType* parent; };
    const Case cases[] = {
        {CWidgetType::Widget(), "widget", nullptr},
        {CWidgetType::PageButton(), "page_button", &CWidgetType::ToggleButton()},
        {CWidgetType::Expandable(), "expandable", &CWidgetType::Button()},
        {CWidgetType::RatioDivider(), "ratio_divider_layout", &CWidgetType::Layout()},
        {CWidgetType::InfiniteList(), "infinite_list", &CWidgetType::GridLayout()},
        {CWidgetType::GridLayout(), "grid_layout", &CWidgetType::SlideArea()},
        {CWidgetType::TextWidget(), "text_widget", &CWidgetType::Widget()},
        {CWidgetType::WebView(), "web_view", &CWidgetType::Widget()},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.name, Narrow(c.kind.GetName().GetText()));
        EXPECT_EQ(c.parent, c.kind.GetParent()) << c.name;
        EXPECT_TRUE(c.kind.IsKindOf(CWidgetType::Widget())) << c.name;
    }
    EXPECT_TRUE(CWidgetType::PageButton().IsKindOf(CWidgetType::Image()));
    EXPECT_TRUE(CWidgetType::RunningList().IsKindOf(CWidgetType::GridLayout()));
    EXPECT_FALSE(CWidgetType::SlideArea().IsKindOf(CWidgetType::GridLayout()));
    EXPECT_FALSE(CWidgetType::Image().IsKindOf(CWidgetType::Button()));
    CWidgetType otherParent(&CWidgetType::Layout(), CKetrelString("button"));
    EXPECT_FALSE(otherParent.IsSameKind(CWidgetType::Button())) << "same text, other parent";
    EXPECT_FALSE(CWidgetType::Button().IsKindOf(otherParent));
    CWidgetType copy(CWidgetType::Button());
    EXPECT_TRUE(copy.IsSameKind(CWidgetType::Button()));
}

TEST(WidgetTree, FindInsertRemoveTake)
{
    // root { a { a1 { a11 } } b { t_holder = "item_template" { face } } c }
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    CWidget* a = Make(root, "a", 0, 0, 10, 10);
    CWidget* a1 = Make(a, "a1", 0, 0, 10, 10);
    CWidget* a11 = Make(a1, "a11", 0, 0, 10, 10);
    CWidget* b = Make(root, "b", 0, 0, 10, 10);
    CWidget* holder = Make(b, "item_template", 0, 0, 10, 10);
    CWidget* face = Make(holder, "face", 0, 0, 10, 10);
    CWidget* c = Make(root, "c", 0, 0, 10, 10);
    struct Find { const char* name; i32 depth; CWidget* expect; };
    const Find finds[] = {
        {"a", 0, a}, {"a1", 0, nullptr}, {"a1", 1, a1}, {"a11", 1, nullptr},
        {"a11", 2, a11}, {"a11", -1, a11}, {"missing", -1, nullptr}, {"", -1, nullptr},
    };
    for (const Find& f : finds)
        EXPECT_EQ(f.expect, root->FindChild(S(f.name), f.depth)) << f.name << " " << f.depth;

    // InsertChild clamps its index.
    CWidget* n1 = Make(nullptr, "n1", 0, 0, 1, 1);
    CWidget* n2 = Make(nullptr, "n2", 0, 0, 1, 1);
    EXPECT_TRUE(root->InsertChild(n1, -7));
    EXPECT_TRUE(root->InsertChild(n2, 99));
    EXPECT_EQ(n1, root->GetChild(0));
    EXPECT_EQ(n2, root->GetChild(root->GetChildCount() - 1));
    EXPECT_TRUE(root->InsertChild(c, 0)) << "moving within the same parent";
    EXPECT_EQ(c, root->GetChild(0));
    EXPECT_EQ(5, root->GetChildCount());

    // The template wrapper is deleted, its first child handed over without a parent.
    EXPECT_EQ(face, root->TakeTemplate(S("item_template")));
    EXPECT_EQ(nullptr, face->GetParent());
    EXPECT_EQ(0, b->GetChildCount());
    EXPECT_EQ(c, root->TakeTemplate(S("c"))) << "a childless template is itself";
    EXPECT_EQ(nullptr, root->TakeTemplate(S("c")));

    EXPECT_TRUE(root->RemoveChildByName(S("a11"))) << "found below the children";
    EXPECT_EQ(nullptr, a11->GetParent());
    EXPECT_FALSE(root->RemoveChildByName(S("a11")));
    EXPECT_FALSE(root->RemoveChild(a11));
    EXPECT_FALSE(root->DeleteChild(nullptr));

    a->SetUniqueName(S(""));
    EXPECT_EQ(nullptr, a->GetUniqueName()) << "empty unique name refused";
    a->SetUniqueName(S("first"));
    a->SetUniqueName(S("second"));
    EXPECT_EQ("first", Narrow(a->GetUniqueName()->GetText())) << "set once";
    for (CWidget* w : {face, c, a11})
        Free(w);
    Free(root);
}

TEST(WidgetDispatch, KeysFollowTheFocusChain)
{
    std::vector<std::string> log;
    ProbeWidget* root = Probe(&log, nullptr, "root", 0, 0, 100, 100);
    ProbeWidget* page = Probe(&log, root, "page", 10, 10, 90, 90);
    ProbeWidget* field = Probe(&log, page, "field", 10, 10, 20, 20);
    root->DispatchPointerDown(0, 25, 25);
    EXPECT_EQ(field, root->GetFocusChild()) << "the deep widget, not the page";
    log.clear();
    EXPECT_TRUE(root->DispatchKeyEvent(5));
    EXPECT_EQ(std::vector<std::string>{"field:key(5,0)"}, log);
    field->SetEnabled(false);
    EXPECT_FALSE(root->DispatchKeyEvent(6)) << "a disabled focus child refuses";
    field->SetEnabled(true);
    page->SetVisible(false);
    log.clear();
    EXPECT_FALSE(root->DispatchKeyEvent(7));
    EXPECT_TRUE(log.empty());
    Free(root);
}

namespace
{
class CancelProbe : public CWidget
{
public:
    void ReleaseCapture() override
    {
        ++released;
        CWidget::ReleaseCapture();
    }
    void OnFocusLost(CWidget*) override { ++lost; }
    int released = 0, lost = 0;
};
}  // namespace

// The capture holder hears about every way it loses the capture.
TEST(WidgetDispatch, CaptureReleasePaths)
{
    struct Case { const char* name; void (*act)(CWidget* root, CWidget* holder); int released, lost; };
    const Case cases[] = {
        {"holder hidden", [](CWidget*, CWidget* h) { h->SetVisible(false); }, 1, 1},
        {"ancestor disabled", [](CWidget* r, CWidget*) { r->SetEnabled(false); }, 1, 1},
        {"cancel from the root", [](CWidget* r, CWidget*) { r->CancelPointer(); }, 1, 1},
        {"holder closed", [](CWidget*, CWidget* h) { h->Close(); }, 0, 0},
        {"holder removed", [](CWidget* r, CWidget* h) { r->RemoveChild(h); }, 0, 0},
    };
    for (const Case& c : cases)
    {
        CWidget* root = Make(nullptr, "root", 0, 0, 100, 100);
        CancelProbe* holder = Make<CancelProbe>(root, "h", 0, 0, 10, 10);
        CWidget::SetCapture(holder);
        c.act(root, holder);
        EXPECT_EQ(nullptr, CWidget::GetCapture()) << c.name;
        EXPECT_EQ(c.released, holder->released) << c.name;
        EXPECT_EQ(c.lost, holder->lost) << c.name;
        if (!holder->GetParent())
            Free(holder);
        Free(root);
    }
    // A capture in another tree gets a root's CancelPointer and nothing else happens.
    CWidget* other = Make(nullptr, "other", 0, 0, 10, 10);
    CancelProbe* holder = Make<CancelProbe>(other, "h", 0, 0, 10, 10);
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    CWidget::SetCapture(holder);
    root->CancelPointer();
    EXPECT_EQ(1, holder->released);
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    Free(root);
    Free(other);
}

namespace
{
int LogShutdown(void* widget, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(
        Narrow(static_cast<CWidget*>(widget)->GetName()));
    return 1;
}
}  // namespace

TEST(WidgetLifetime, CloseAndDestructorSafetyNet)
{
    std::vector<std::string> order;
    CWidget* root = Make(nullptr, "root", 0, 0, 10, 10);
    for (const char* n : {"x", "y"})
    {
        CWidget* w = Make(root, n, 0, 0, 1, 1);
        w->SetOnShutdown(MakeUIActionCallback(&LogShutdown, &order));
        Make(w, "leaf", 0, 0, 1, 1)->SetOnShutdown(MakeUIActionCallback(&LogShutdown, &order));
    }
    root->SetOnShutdown(MakeUIActionCallback(&LogShutdown, &order));
    root->SetUniqueName(S("u"));
    root->Close();
    EXPECT_EQ((std::vector<std::string>{"root", "x", "leaf", "y", "leaf"}), order);
    EXPECT_EQ(0, root->GetChildCount());
    EXPECT_EQ(nullptr, root->GetUniqueName());
    delete root;

    // Deleted without Close: children are still freed (LSan would report them).
    CWidget* careless = Make(nullptr, "careless", 0, 0, 10, 10);
    Make(Make(careless, "k", 0, 0, 1, 1), "kk", 0, 0, 1, 1);
    delete careless;
    // Deleting a child directly takes it out of its parent.
    CWidget* parent = Make(nullptr, "p", 0, 0, 10, 10);
    CWidget* kid = Make(parent, "k", 0, 0, 1, 1);
    delete kid;
    EXPECT_EQ(0, parent->GetChildCount());
    Free(parent);
}
