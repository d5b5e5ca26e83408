// The vocabulary of the element kinds built into this layer, and the shared readers
// that every element kind uses.
#include "LoaderTestSupport.h"
#include "ui/Alignment.h"
#include "ui/AspectLayout.h"
#include "ui/Divider.h"
#include "ui/EasingCurve.h"
#include "ui/RatioDivider.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace
{
template <class T>
T* BuildOne(LoadedTree& t, const std::string& type, const std::string& attributes,
            const std::string& children = "", i32 w = 800, i32 h = 480)
{
    t.Build("<area><element name='e' type='" + type + "' " + attributes + ">" + children +
                "</element></area>",
            w, h);
    CWidget* e = t.Find("e");
    return (e && e->IsKindOf(T::Kind())) ? static_cast<T*>(e) : nullptr;
}
}  // namespace

// Kind getters for the layouts that have no Kind() of their own.
struct DividerKind : CDivider { static const CWidgetType& Kind() { return CWidgetType::Divider(); } };
struct RatioKind : CRatioDivider { static const CWidgetType& Kind() { return CWidgetType::RatioDivider(); } };
struct AspectKind : CAspectLayout { static const CWidgetType& Kind() { return CWidgetType::AspectLayout(); } };
struct AnchorKind : CAlignment { static const CWidgetType& Kind() { return CWidgetType::Alignment(); } };

TEST(ElementVocabulary, DividerLayout)
{
    const struct
    {
        const char* attributes;
        i32 mode, maxW, maxH;
        f32 aspect;
    } cases[] = {
        {"", CDivider::MODE_LEFT, 0x7FFFFFFF, 0x7FFFFFFF, 1.0f},
        {"orientation='top' aspect='2'", CDivider::MODE_TOP, 0x7FFFFFFF, 0x7FFFFFFF, 2.0f},
        {"orientation='vertical'", CDivider::MODE_TOP, 0x7FFFFFFF, 0x7FFFFFFF, 1.0f},
        {"orientation='right' max_item_width='0.25'", CDivider::MODE_RIGHT, 200, 0x7FFFFFFF, 1.0f},
        {"orientation='bottom' max_item_height='0.5'", CDivider::MODE_BOTTOM, 0x7FFFFFFF, 240, 1.0f},
        {"orientation='diagonal'", CDivider::MODE_LEFT, 0x7FFFFFFF, 0x7FFFFFFF, 1.0f},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        auto* d = BuildOne<DividerKind>(t, "divider_layout", c.attributes);
        ASSERT_NE(nullptr, d) << c.attributes;
        EXPECT_EQ(c.mode, d->GetMode()) << c.attributes;
        EXPECT_FLOAT_EQ(c.aspect, d->GetAspect()) << c.attributes;
        if (c.maxW != 0x7FFFFFFF)
        {
            EXPECT_EQ(c.maxW, d->GetMaxItemWidth()) << c.attributes;
        }
        if (c.maxH != 0x7FFFFFFF)
        {
            EXPECT_EQ(c.maxH, d->GetMaxItemHeight()) << c.attributes;
        }
        EXPECT_TRUE(d->IsTransparent());
    }
}

TEST(ElementVocabulary, RatioLayout)
{
    const struct
    {
        const char* attributes;
        i32 orientation, minFirst, maxFirst;
        f32 ratio;
    } cases[] = {
        {"", 0, 0, 1000000000, 1.0f},
        {"orientation='vertical' ratio='0.3' min_first_item_size='0.1' max_first_item_size='0.5'", 1,
         48, 240, 0.3f},
        {"orientation='sideways' min_first_item_size='0.1'", 0, 80, 1000000000, 1.0f},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        auto* r = BuildOne<RatioKind>(t, "ratio_layout", c.attributes);
        ASSERT_NE(nullptr, r) << c.attributes;
        EXPECT_EQ(c.orientation, r->GetOrientation());
        EXPECT_EQ(c.minFirst, r->GetMinFirstItemSize()) << c.attributes;
        EXPECT_EQ(c.maxFirst, r->GetMaxFirstItemSize()) << c.attributes;
        EXPECT_FLOAT_EQ(c.ratio, r->GetRatio());
    }
}

TEST(ElementVocabulary, AspectAndAnchorLayouts)
{
    {
        LoadedTree t;
        t.Build("<area><element type='aspect_layout' aspect='2'/></area>");
        auto* a = static_cast<CAspectLayout*>(t.root->GetChild(0));
        ASSERT_TRUE(a->IsKindOf(CWidgetType::AspectLayout()));
        EXPECT_FLOAT_EQ(2.0f, a->GetAspect());
        EXPECT_FLOAT_EQ(0.0f, a->GetPositioning());   // the document default hugs the start
        EXPECT_EQ("aspect(2.0,0.0)", Narrow(a->GetName()));
    }
    const struct
    {
        const char* attributes;
        const char* children;
        u32 alignment;
        i32 borders[4];
    } cases[] = {
        {"", "", 0, {0, 0, 0, 0}},
        {"vertical='center' horizontal='right'", "", 1 | 12, {0, 0, 0, 0}},
        {"vertical='scaled' horizontal='scaled'", "<border-size width='0.1' height='0.1' top='0.5'/>",
         2 | 8, {80, 240, 80, 48}},
        {"vertical='bottom' horizontal='center'", "", 3 | 4, {0, 0, 0, 0}},
        {"vertical='middle' horizontal='left'", "", 0, {0, 0, 0, 0}},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(std::string("<area><element type='anchor_layout' ") + c.attributes + ">" + c.children +
                "</element></area>");
        auto* a = static_cast<CAlignment*>(t.root->GetChild(0));
        ASSERT_TRUE(a->IsKindOf(CWidgetType::Alignment()));
        EXPECT_EQ("alignment(0)", Narrow(a->GetName()));
        EXPECT_EQ(c.alignment, a->GetAlignment()) << c.attributes;
        for (i32 i = 0; i < 4; ++i)
            EXPECT_EQ(c.borders[i], a->GetBorder(i)) << c.attributes << i;
    }
}

TEST(ElementVocabulary, SharedReaders)
{
    LoadedTree t;
    t.app.theme.colours["accent"] = 0x12345678u;
    CUIXMLLoader loader;
    CWidget* root = Make(nullptr, "r", 0, 0, 800, 480);
    loader.Init(&t.app, nullptr, nullptr, root, nullptr, nullptr);
    const struct
    {
        const char* text;
        bool rawFound;
        u32 raw, fixed;
    } colours[] = {
        {"ffffff", true, 0x00FFFFFFu, 0xFFFFFFFFu},
        {"80ff0000", true, 0x80FF0000u, 0x80FF0000u},
        {"accent", true, 0x12345678u, 0x12345678u},
        {"grey", false, 0xDEADBEEFu, 0u},
        {"#ff0000", false, 0xDEADBEEFu, 0u},
    };
    for (const auto& c : colours)
    {
        u32 raw = 0xDEADBEEFu;
        EXPECT_EQ(c.rawFound, loader.ReadColorRaw(c.text, &raw)) << c.text;
        EXPECT_EQ(c.raw, raw) << c.text;
        EXPECT_EQ(c.fixed, loader.ReadColorAlphaFix(c.text)) << c.text;
    }

    const char* doc = "<e><scroll enabled='1' threshold_x='0.013' threshold_y='-0.02'/>"
                      "<item-spacing horizontal='0.01' vertical='0.5'/>"
                      "<border-size width='0.1' bottom='0.5'/><ease curve='pow2' param1='3'/>"
                      "<bad curve='no_such_curve'/></e>";
    ASSERT_EQ(KE_OK, loader.LoadFromMemory(doc, (i32)strlen(doc)));
    CKetrelXMLDataNode* e = loader.GetRootElement();
    bool enabled = false;
    i32 tx = -1, ty = -1;
    EXPECT_TRUE(loader.ReadScroll(e, &enabled, &tx, &ty));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(20, tx);   // 10.4 pixels round up to 20
    EXPECT_EQ(20, ty);   // 9.6 pixels too
    i32 h = 0, v = 0;
    EXPECT_TRUE(loader.ReadItemSpacing(e, &h, &v));
    EXPECT_EQ(8, h);
    EXPECT_EQ(240, v);
    i32 borders[4] = {};
    EXPECT_TRUE(loader.ReadBorders(e, borders));
    EXPECT_EQ(80, borders[0]);
    EXPECT_EQ(0, borders[1]);
    EXPECT_EQ(80, borders[2]);
    EXPECT_EQ(240, borders[3]);
    IEasingCurve* curve = loader.ReadEasingCurve(e, "ease", 0);
    ASSERT_NE(nullptr, curve);
    EXPECT_FLOAT_EQ(0.25f, curve->Evaluate(0.5f));
    delete curve;
    curve = loader.ReadEasingCurve(e, "bad", 0);   // unknown names give a step
    ASSERT_NE(nullptr, curve);
    EXPECT_FLOAT_EQ(1.0f, curve->Evaluate(0.5f));
    delete curve;
    EXPECT_EQ(nullptr, loader.ReadEasingCurve(e, "absent", 0));
    CUIImageSpec spec;
    EXPECT_FALSE(loader.ReadImage(e, "image", &spec));
    EXPECT_FLOAT_EQ(1.0f, spec.frameDuration);
    loader.Unload();
    Free(root);
}
