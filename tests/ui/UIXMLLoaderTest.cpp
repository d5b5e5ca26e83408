// The UI document loader: the common part of elements, templates, events, actions,
// themes, imports, reuse across reloads and the bounds on hostile documents.
#include "LoaderTestSupport.h"
#include "ui/PageView.h"
#include "ui/UIElementRegistry.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace
{
std::string Doc(const std::string& body) { return "<area>" + body + "</area>"; }

CKetrelRect RectOf(LoadedTree& t, const char* path)
{
    CWidget* w = t.Find(path);
    return w ? w->GetRect() : CKetrelRect(-1, -1, -1, -1);
}
}  // namespace

TEST(UIXMLLoaderElements, PlacementTable)
{
    struct Case
    {
        const char* body;   // children of an element named "e"
        i32 rw, rh;
        CKetrelRect expected;
    };
    const Case cases[] = {
        {"<size w='0.5' h='0.25'/>", 800, 480, CKetrelRect(0, 0, 400, 120)},
        {"", 800, 480, CKetrelRect(0, 0, 0, 0)},
        // Centred 101 pixels in 800 start at 349 (integer division).
        {"<size w='0.12625' h='0.1'/><align v='center'/>", 800, 480, CKetrelRect(349, 0, 450, 48)},
        // "$v" is horizontal, "$h" vertical; an unknown word falls back to the position.
        {"<size w='0.25' h='0.25'/><align v='right' h='bottom'/>", 800, 480,
         CKetrelRect(600, 360, 800, 480)},
        {"<size w='0.25' h='0.25'/><align h='middle'/><position x='0.1' y='0.9'/>", 800, 480,
         CKetrelRect(80, 180, 280, 300)},
        {"<size w='0.25' h='0.25'/><align v='centre'/><position x='0.1'/>", 800, 480,
         CKetrelRect(80, 0, 280, 120)},
        // Positions truncate, sizes round.
        {"<size w='0.5' h='0'/><position x='0.5'/>", 799, 480, CKetrelRect(399, 0, 799, 0)},
        // Hostile numbers are clamped before they become pixels.
        {"<size w='99999999999' h='nan'/><position x='-99999999999'/>", 800, 480,
         CKetrelRect(-1048576, 0, 0, 0)},
    };
    for (const Case& c : cases)
    {
        LoadedTree t;
        t.Build(Doc(std::string("<element name='e'>") + c.body + "</element>"), c.rw, c.rh);
        const CKetrelRect r = RectOf(t, "e");
        EXPECT_EQ(c.expected.left, r.left) << c.body;
        EXPECT_EQ(c.expected.top, r.top) << c.body;
        EXPECT_EQ(c.expected.right, r.right) << c.body;
        EXPECT_EQ(c.expected.bottom, r.bottom) << c.body;
    }
}

TEST(UIXMLLoaderElements, FlagsDisplayAndPlainWidgets)
{
    LoadedTree t;
    t.Build(Doc("<element name='a' display='0'/>"
                "<element name='b' display='0'><flags visible='1' enabled='0' transparent='0'/></element>"
                "<element name='c' type='no_such_kind'/>"
                "<element name='d' type='web_view'><element name='inner'/></element>"));
    ASSERT_NE(nullptr, t.Find("a"));
    EXPECT_FALSE(t.Find("a")->IsVisible());
    EXPECT_TRUE(t.Find("b")->IsVisible());   // "flags" wins over "$display"
    EXPECT_FALSE(t.Find("b")->IsEnabled());
    EXPECT_FALSE(t.Find("b")->IsTransparent());
    // An unknown or absent type is a transparent plain widget.
    EXPECT_TRUE(t.Find("a")->IsTransparent());
    EXPECT_TRUE(t.Find("c")->GetType().IsSameKind(CWidgetType::Widget()));
    // A web view builds nothing, nor anything below it.
    EXPECT_EQ(nullptr, t.Find("//d"));
    EXPECT_EQ(nullptr, t.Find("//inner"));
    EXPECT_EQ(3, t.root->GetChildCount());
}

TEST(UIXMLLoaderElements, TemplatesAreWrappedInAHolder)
{
    const struct
    {
        const char* name;
        bool wrapped;
    } cases[] = {{"item_template", true}, {"item_templates", true}, {"template_item", false},
                 {"_template", true}, {"x", false}};
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(Doc(std::string("<element name='") + c.name +
                    "'><size w='0.5' h='0.5'/><position x='0.25'/></element>"));
        CWidget* top = t.root->GetChild(0);
        ASSERT_NE(nullptr, top) << c.name;
        EXPECT_EQ(c.name, Narrow(top->GetName()));
        EXPECT_EQ(c.wrapped ? 1 : 0, top->GetChildCount()) << c.name;
        if (c.wrapped)
        {
            EXPECT_EQ(200, top->GetRect().left);
            EXPECT_EQ(c.name, Narrow(top->GetChild(0)->GetName()));
        }
    }
}

TEST(UIXMLLoaderElements, NestingIsCappedAndHostileInputSkipped)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "<element name='n" + std::to_string(i) + "'>";
    text += "<element name='leaf_template'/>";
    for (int i = 0; i < 40; ++i)
        text += "</element>";
    LoadedTree t;
    t.Build(Doc(text + "<bogus/><element name='after' nonsense='1'><junk/></element>"));
    EXPECT_LE(t.root->GetSubtreeHeight(), (i32)CWidget::MaxDepth);
    EXPECT_EQ(CWidget::MaxDepth, t.root->GetSubtreeHeight());
    EXPECT_EQ(nullptr, t.Find("//leaf_template"));
    // The unknown element and attributes are skipped; the rest of the document loads.
    EXPECT_NE(nullptr, t.Find("after"));
}

// Kinds whose classes are not in this build are skipped, not made plain.
TEST(UIXMLLoaderElements, UnregisteredBuiltinKindsAreSkipped)
{
    for (i32 i = 0; i < CUIElementRegistry::BuiltinCount; ++i)
    {
        const char* name = CUIElementRegistry::GetBuiltinName(i);
        if (CUIElementRegistry::Find(name) || std::string(name) == "web_view")
            continue;
        LoadedTree t;
        t.Build(Doc(std::string("<element name='e' type='") + name + "'><element name='k'/></element>"));
        EXPECT_EQ(nullptr, t.Find("//e")) << name;
        EXPECT_EQ(nullptr, t.Find("//k")) << name;
    }
    EXPECT_EQ(-1, CUIElementRegistry::FindBuiltin("widget"));
    EXPECT_EQ(5, CUIElementRegistry::FindBuiltin("page_layout"));
}

TEST(UIXMLLoaderEvents, BoundOnlyToMatchingKinds)
{
    LoadedTree t;
    t.Action("shown");
    t.Build(Doc("<element name='a'><events><onshow action='shown'/><onclick action='shown'/>"
                "<onhide action='missing'/><onwhatever action='shown'/></events></element>"));
    CWidget* a = t.Find("a");
    ASSERT_NE(nullptr, a);
    EXPECT_TRUE(a->GetOnShow().IsSet());
    EXPECT_FALSE(a->GetOnHide().IsSet());   // unknown action
    a->SetVisible(false);
    a->SetVisible(true);
    ASSERT_EQ(1u, t.log.fired.size());
    EXPECT_EQ("shown", t.log.fired[0]);
}

TEST(UIXMLLoaderActions, SequencesFromTheDocument)
{
    LoadedTree t;
    t.Action("intro");
    t.Action("other");
    t.Build("<area><actions><action name='intro'>"
            "<trigger time='0' action='intro'/><trigger time='0.5' action='other'/>"
            "<trigger time='0.1' action='unknown'/>"
            "<sound time='0.2' path='click'/><vibrate time='0.3'/></action></actions></area>");
    ASSERT_EQ(1, t.sequences.GetCount());
    CUITimedSequence* seq = t.sequences.GetAt(0);
    EXPECT_EQ(4, seq->GetTriggerCount());
    // The document's "intro" now starts the sequence; its self-named trigger calls the
    // application's "app:intro".
    t.actions.Lookup(CKetrelString("intro")).Fire(nullptr);
    t.sequences.Update(1.0f);
    ASSERT_EQ(2u, t.log.fired.size());
    EXPECT_EQ("intro", t.log.fired[0]);
    EXPECT_EQ("other", t.log.fired[1]);
    EXPECT_EQ(1u, t.app.device.vibrations.size());
}

TEST(UIXMLLoaderTheme, ColoursTable)
{
    LoadedTree t;
    t.Build("<Theme><config type='Color'><color id='red' value='ff0000'/>"
            "<color id='half' value='80ff0000'/><color id='hash' value='#ff0000'/>"
            "<color id='' value='ffffff'/></config><config type='font'><color id='no' value='1'/>"
            "</config></Theme>");
    // Nothing without a theme to receive the colours.
    EXPECT_TRUE(t.app.theme.colours.empty());

    CUIXMLLoader loader;
    t.app.resources.files["theme_test.xml"] = "<Theme><config type='Color'><color id='red' value='ff0000'/>"
                                              "<color id='half' value='80ff0000'/>"
                                              "<color id='hash' value='#ff0000'/>"
                                              "<color id='' value='ffffff'/></config>"
                                              "<config type='font'><color id='no' value='1'/></config>"
                                              "<config type='color'><color id='ok' value='ff'/></config></Theme>";
    loader.Init(&t.app, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(KE_ERR_NOT_FOUND, loader.LoadFromResource(nullptr));
    EXPECT_EQ(KE_OK, loader.LoadFromResource(&t.app.theme));
    loader.Unload();
    const std::vector<std::pair<std::string, u32>> expected = {
        {"red", 0xFFFF0000u}, {"half", 0x80FF0000u}, {"hash", 0u}, {"ok", 0xFF0000FFu}};
    EXPECT_EQ(expected, t.app.theme.colours);
    // A theme document imported into a layout has no theme to give colours to.
    t.Build(Doc("<import path='theme_test.xml'/>"));
    EXPECT_EQ(expected, t.app.theme.colours);
}

TEST(UIXMLLoaderImports, ConditionsTable)
{
    const struct
    {
        const char* attributes;
        bool used;
    } cases[] = {
        {"platform_id='3'", true},
        {"platform_id='1 3 5'", true},
        {"platform_id='13 30'", false},
        {"platform_id_not='3'", false},
        {"platform_id_not='13'", true},
        {"device_os='my LINUX box'", true},   // device OS "Linux", any case
        {"device_os='maemo'", false},
        {"renderer='opengl-gles2'", true},
        {"renderer='GLES2'", false},
        {"platform_id='3' renderer='x'", false},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(Doc(std::string("<import ") + c.attributes + "><element name='in'/></import>"));
        EXPECT_EQ(c.used, t.Find("in") != nullptr) << c.attributes;
    }
}

TEST(UIXMLLoaderImports, ReferenceSizesAndFiles)
{
    LoadedTree t;
    t.app.resources.files["part.xml"] =
        "<part><element name='fromfile'><size w='0.5' h='0.5'/></element></part>";
    t.app.resources.files["self.xml"] = "<x><import path='self.xml'/><element name='once'/></x>";
    t.app.resources.files["a.xml"] = "<x><import path='b.xml'/><element name='a'/></x>";
    t.app.resources.files["b.xml"] = "<x><import path='a.xml'/><element name='b'/></x>";
    t.Build(Doc("<element name='box'><size w='0.5' h='0.5'/><position x='0.25'/>"
                "<import path='part.xml'><element name='inline'><size w='0.5' h='0.5'/></element></import>"
                "<import use_root_coordinates='1'><element name='rootco'><size w='0.5' h='0.5'/></element></import>"
                "<import aspect='1'><element name='square'><size w='1' h='1'/></element></import>"
                "</element>"
                "<import path='self.xml'/><import path='a.xml'/>"));
    // Nested in a 400 x 240 element, the import measures against that element.
    EXPECT_EQ(200, RectOf(t, "box/fromfile").Width());
    EXPECT_EQ(120, RectOf(t, "box/inline").Height());
    EXPECT_EQ(400, RectOf(t, "box/rootco").Width());
    EXPECT_EQ(240, RectOf(t, "box/square").Width());
    EXPECT_EQ(240, RectOf(t, "box/square").Height());
    // A document importing itself, or a cycle, is opened once per chain.
    EXPECT_NE(nullptr, t.Find("once"));
    EXPECT_EQ(nullptr, t.Find("once/once"));
    EXPECT_NE(nullptr, t.Find("a"));
    EXPECT_NE(nullptr, t.Find("b"));
}

TEST(UIXMLLoaderImports, UseParent)
{
    LoadedTree t;
    t.Build(Doc("<element name='holder'/><import use_parent='holder'><element name='moved'/></import>"
                "<import use_parent='root'><element name='top'/></import>"
                "<import use_parent='nobody'><element name='lost'/></import>"));
    EXPECT_NE(nullptr, t.Find("holder/moved"));
    EXPECT_NE(nullptr, t.Find("top"));
    EXPECT_NE(nullptr, t.Find("lost"));   // no import parent: the import's own parent
}

TEST(UIXMLLoaderReuse, UniqueWidgetsSurviveByExactKind)
{
    LoadedTree t;
    const std::string doc =
        Doc("<element name='pv' type='page_layout' uniquename='keep'><history max-size='4'/>"
            "<element name='p0'/><element name='p1'/></element>"
            "<element name='other' uniquename='plain'/>");
    t.Build(doc);
    CPageView* view = CPageView::Cast(t.Find("pv"));
    ASSERT_NE(nullptr, view);
    view->Navigate(CKetrelString("p1"));
    CWidget* plain = t.Find("other");

    // Same document: the view and the plain widget are the same objects, the view
    // is back on its page.
    t.Build(doc, 800, 480, t.root);
    EXPECT_EQ(view, t.Find("pv"));
    EXPECT_EQ(plain, t.Find("other"));
    EXPECT_EQ(2, view->GetChildCount());
    EXPECT_EQ(1, view->GetCurrentIndex());

    // A unique name now on another kind gets a new widget; the old one is deleted.
    t.Build(Doc("<element name='pv' type='anchor_layout' uniquename='keep'/>"
                "<element name='other' type='page_layout' uniquename='plain'/>"),
            800, 480, t.root);
    EXPECT_TRUE(t.Find("pv")->GetType().IsSameKind(CWidgetType::Alignment()));
    EXPECT_TRUE(t.Find("other")->GetType().IsSameKind(CWidgetType::PageLayout()));
}

TEST(UIXMLLoaderImports, BudgetsBoundMultiplyingImports)
{
    // Each level imports the next one 20 times: 8,000 elements were it not bounded.
    LoadedTree t;
    std::string a, b;
    for (int i = 0; i < 20; ++i)
    {
        a += "<import path='b.xml'/>";
        b += "<element/>";
    }
    t.app.resources.files["a.xml"] = "<x>" + a + "</x>";
    t.app.resources.files["b.xml"] = "<x>" + b + "</x>";
    std::string top;
    for (int i = 0; i < 20; ++i)
        top += "<import path='a.xml'/>";
    t.Build(Doc(top));
    // Depth first: each a.xml costs 21 reads (itself and 20 of b.xml), so 12 whole
    // ones fit in 256 reads, then the 13th and 3 of its b.xml.
    static_assert(CUIXMLLoader::MaxImportedFiles == 256, "budget of the case below");
    EXPECT_EQ(12 * 20 * 20 + 3 * 20, t.root->GetChildCount());
}

#include "ui/GameXMLLoader.h"

// A screen file with size variants: the variant chosen for each screen is built at
// the actual size (fractions of the screen, not of the variant's declared size).
TEST(UIXMLLoaderVariants, BuiltPerScreenSize)
{
    ThemedApp app;
    app.resources.files["menu_root.xml"] =
        "<menu><area width='800' height='480' name='menu_root'>"
        "<element name='land'><size w='0.5' h='0.5'/></element></area>"
        "<area width='480' height='800' name='menu_portrait'>"
        "<element name='port'><size w='1' h='0.25'/></element></area></menu>";
    CGameXMLLoader loader;
    ASSERT_EQ(KE_OK, loader.Init(&app, nullptr, nullptr));
    ASSERT_EQ(KE_OK, loader.LoadFile(CKetrelString("menu_root.xml")));
    const struct
    {
        i32 w, h;
        const char* root;
        const char* child;
        i32 childW, childH;
    } cases[] = {
        {800, 480, "menu_root", "land", 400, 240},
        {1024, 600, "menu_root", "land", 512, 300},
        {480, 800, "menu_portrait", "port", 480, 200},
        {600, 1024, "menu_portrait", "port", 600, 256},
    };
    CWidget* previous = nullptr;
    for (const auto& c : cases)
    {
        // Each relayout hands the previous tree over, as screens do.
        CWidget* root = loader.CreateRootWidget(c.w, c.h, previous);
        ASSERT_NE(nullptr, root);
        EXPECT_EQ(c.root, Narrow(root->GetName())) << c.w << "x" << c.h;
        CWidget* child = root->FindChild(CKetrelString(c.child), 0);
        ASSERT_NE(nullptr, child) << c.w << "x" << c.h;
        EXPECT_EQ(c.childW, child->GetWidth());
        EXPECT_EQ(c.childH, child->GetHeight());
        previous = root;
    }
    CWidget::Destroy(previous);
    loader.Unload();
}

namespace
{
// A kind of the caller's own, named like its element type.
class Gauge : public CWidget
{
public:
    static const CWidgetType& Kind()
    {
        static const CWidgetType kind(&CWidgetType::Widget(), CKetrelString("gauge"));
        return kind;
    }
    const CWidgetType& GetType() const override { return Kind(); }
};

int g_gaugeCalls = 0;
CWidget* g_gaugeReused = nullptr;

CWidget* CreateGauge(CUIXMLLoader* loader, CKetrelXMLDataNode*, CWidget* parent, CWidget* reuse)
{
    ++g_gaugeCalls;
    g_gaugeReused = reuse;
    if (reuse)
        return reuse;
    Gauge* g = new Gauge();
    g->Init(loader->GetApplication(), nullptr, parent->GetLocalRect());
    return g;
}
}  // namespace

TEST(UIXMLLoaderReuse, ExtraCreators)
{
    CUIElementCreatorMap extras;
    extras.AddPair({CKetrelHashedString(CKetrelString("gauge")), &CreateGauge});
    extras.AddPair({CKetrelHashedString(CKetrelString("button")), &CreateGauge});   // refused
    LoadedTree t;
    auto build = [&](const std::string& body, CWidget* previous) {
        CWidget* r = new CWidget();
        r->Init(&t.app, &t.app.resources, CKetrelRect(0, 0, 800, 480));
        CUIXMLLoader loader;
        loader.Init(&t.app, &t.actions, &extras, r, nullptr, previous);
        const std::string text = Doc(body);
        if (loader.LoadFromMemory(text.data(), (i32)text.size()) == KE_OK)
            loader.LoadDocument(loader.GetRootElement());
        loader.Unload();
        return r;
    };
    CWidget* first = build("<element name='g' type='gauge' uniquename='u'/><element name='b' type='button'/>",
                           nullptr);
    EXPECT_EQ(1, g_gaugeCalls);
    CWidget* gauge = first->FindChild(CKetrelString("g"), 0);
    ASSERT_NE(nullptr, gauge);
    EXPECT_TRUE(gauge->GetType().IsSameKind(Gauge::Kind()));
    EXPECT_TRUE(first->FindChild(CKetrelString("b"), 0)->IsKindOf(CWidgetType::Button()));

    // Reused by the creator of its own type name, not by another's.
    CWidget* second = build("<element name='g' type='gauge' uniquename='u'/>", first);
    EXPECT_EQ(gauge, g_gaugeReused);
    EXPECT_EQ(gauge, second->FindChild(CKetrelString("g"), 0));
    CWidget* third = build("<element name='g' type='anchor_layout' uniquename='u'/>", second);
    EXPECT_TRUE(third->FindChild(CKetrelString("g"), 0)->IsKindOf(CWidgetType::Alignment()));
    CWidget::Destroy(third);
}

// An extra creator that hands back the parent or an ancestor: the element is skipped and
// the widget it named stays whole in the tree.
TEST(UIXMLLoaderReuse, ExtraCreatorReturningAnAncestor)
{
    CUIElementCreatorMap extras;
    extras.AddPair({CKetrelHashedString(CKetrelString("echo_parent")),
                    [](CUIXMLLoader*, CKetrelXMLDataNode*, CWidget* parent, CWidget*) { return parent; }});
    extras.AddPair({CKetrelHashedString(CKetrelString("echo_root")),
                    [](CUIXMLLoader*, CKetrelXMLDataNode*, CWidget* parent, CWidget*)
                    { return parent->GetTopmost(); }});
    for (const char* type : {"echo_parent", "echo_root"})
    {
        LoadedTree t;
        t.root = new CWidget();
        t.root->Init(&t.app, &t.app.resources, CKetrelRect(0, 0, 800, 480));
        t.root->SetName(CKetrelString("root"));
        CUIXMLLoader loader;
        loader.Init(&t.app, &t.actions, &extras, t.root, nullptr, nullptr);
        const std::string text = Doc(std::string("<element name='box'><size w='0.5' h='0.5'/>"
                                                 "<element name='echo' type='") + type +
                                     "'/></element><element name='after'/>");
        ASSERT_EQ(KE_OK, loader.LoadFromMemory(text.data(), (i32)text.size()));
        loader.LoadDocument(loader.GetRootElement());
        loader.Unload();
        CWidget* box = t.Find("box");
        ASSERT_NE(nullptr, box) << type;
        EXPECT_EQ(t.root, box->GetParent()) << type;
        EXPECT_EQ(400, box->GetWidth()) << type;
        EXPECT_EQ(0, box->GetChildCount()) << type;
        EXPECT_EQ("root", Narrow(t.root->GetName())) << type;
        EXPECT_NE(nullptr, t.Find("after")) << type;
    }
}
