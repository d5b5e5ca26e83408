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
T* BuildOne(LoadedTree& t, const CWidgetType& kind, const std::string& type,
            const std::string& attributes,
            const std::string& children = "", i32 w = 800, i32 h = 480)
{
    t.Build("<area><element name='e' type='" + type + "' " + attributes + ">" + children +
                "</element></area>",
            w, h);
    CWidget* e = t.Find("e");
    return (e && e->IsKindOf(kind)) ? static_cast<T*>(e) : nullptr;
}
}  // namespace


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
        auto* d = BuildOne<CDivider>(t, CWidgetType::Divider(), "divider_layout", c.attributes);
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
        auto* r = BuildOne<CRatioDivider>(t, CWidgetType::RatioDivider(), "ratio_layout", c.attributes);
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
    t.app.theme.colours.push_back({"accent", 0x12345678u});
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

#include "engine/graphics/KetrelSurface.h"
#include "ui/Button.h"
#include "ui/Expandable.h"
#include "ui/ImageWidget.h"
#include "ui/PageButton.h"
#include "ui/WebButton.h"

TEST(ElementVocabulary, ButtonReader)
{
    const struct
    {
        const char* type;
        const char* attributes;
        const char* children;
        u32 blend;
        bool cancellable;
        f32 hitScale, clickDelay;
        bool keepAspect;
    } cases[] = {
        {"button", "", "", 0xFFFFFFFFu, true, 1.0f, 0.15f, false},
        // Six digits as a blend colour keep alpha 0.
        {"button", "keep_aspect='1'", "<blend_color value='ffffff'/><cancellable value='0'/>"
         "<hitarea size='1.5' extra='0.5'/><clickdelay value='0'/>",
         0x00FFFFFFu, false, 1.5f, 0.0f, true},
        {"toggle_button", "", "<blend_color value='nothing'/>", 0xFFFFFFFFu, true, 1.0f, 0.15f, false},
        {"web_button", "", "<target url='http://x/?a=1&amp;b=LANGUAGE'/>", 0xFFFFFFFFu, true, 1.0f,
         0.15f, false},
        {"page_button", "", "<target name='..//pv' page='p2'/>", 0xFFFFFFFFu, true, 1.0f, 0.15f,
         false},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(std::string("<area><element name='b' type='") + c.type + "' " + c.attributes + ">" +
                c.children + "</element></area>");
        CButton* b = CButton::Cast(t.Find("b"));
        ASSERT_NE(nullptr, b) << c.type;
        EXPECT_FALSE(b->IsTransparent());
        EXPECT_EQ(c.blend, b->GetBlendColor()) << c.type << c.children;
        EXPECT_EQ(c.cancellable, b->IsCancellable());
        EXPECT_FLOAT_EQ(c.hitScale, b->GetHitScale());
        EXPECT_FLOAT_EQ(c.clickDelay, b->GetClickDelay());
        EXPECT_EQ(c.keepAspect, (b->GetFlags() & CImageWidget::IMAGE_KEEP_ASPECT) != 0);
        if (std::string(c.type) == "web_button")
        {
            EXPECT_EQ("http://x/?a=1&b=LANGUAGE", Narrow(static_cast<CWebButton*>(b)->GetUrl()));
        }
        if (std::string(c.type) == "page_button")
        {
            EXPECT_EQ("p2", Narrow(CPageButton::Cast(b)->GetTargetPage()));
            EXPECT_EQ("..//pv", Narrow(CPageButton::Cast(b)->GetViewName()));
        }
    }
}

TEST(ElementVocabulary, ImageElement)
{
    const struct
    {
        const char* children;
        f32 frameDuration;
        i32 frameCount;
        u32 flagsSet, flagsClear;
    } cases[] = {
        {"<image path='a' frames_x='4' frames_y='2' animation_duration='2.0'/>", 0.25f, 8, 0, 0},
        {"<image path='a' frames_x='4' frames_y='2'/>", 1.0f, 8, 0, 0},
        {"<image/>", 0.0f, 1, 0, 0},   // no image: no frame clock
        {"<image path='a' frame='1' frames_x='2'/>", 1.0f, 2, CImageWidget::IMAGE_SKIP_ANIMATION, 0},
        // Frame counts beyond the image's pixels are held to them.
        {"<image path='a' frames_x='2000000000' frames_y='-5'/>", 1.0f, 64, 0, 0},
        {"<skip_clipped_draw value='1'/><skip_clipping value='1'/><skip_animation value='1'/>", 0.0f,
         1,
         CImageWidget::IMAGE_SKIP_CLIPPED_DRAW | CImageWidget::IMAGE_NO_CLIP |
             CImageWidget::IMAGE_SKIP_ANIMATION,
         0},
        {"<skip_clipped_draw value='0'/>", 0.0f, 1, 0, CImageWidget::IMAGE_SKIP_CLIPPED_DRAW},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(std::string("<area><element name='i' type='image'>") + c.children + "</element></area>");
        CImageWidget* w = CImageWidget::Cast(t.Find("i"));
        ASSERT_NE(nullptr, w) << c.children;
        EXPECT_TRUE(w->IsTransparent());
        if (std::string(c.children).find("path") != std::string::npos)
        {
            EXPECT_NE(nullptr, w->GetImage());
        }
        EXPECT_FLOAT_EQ(c.frameDuration, w->GetFrameDuration()) << c.children;
        EXPECT_EQ(c.frameCount, w->GetFrameCount()) << c.children;
        EXPECT_EQ(c.flagsSet, w->GetFlags() & c.flagsSet) << c.children;
        EXPECT_EQ(0u, w->GetFlags() & c.flagsClear) << c.children;
    }
    // Every image reference the readers took was handed back or is held by a widget.
    LoadedTree t;
    t.Build("<area><element type='image'><image path='a'/></element></area>");
    ASSERT_EQ(1u, t.app.resources.imageRefs.size());
    EXPECT_EQ(1, t.app.resources.imageRefs.begin()->second);
}

TEST(ElementVocabulary, ExpandLayoutAndEvents)
{
    LoadedTree t;
    t.Action("grow");
    t.Action("press");
    t.Build("<area><element name='x' type='expand_layout'><width value='0.5'/><height value='0.1'/>"
            "<width value='1.0'/><height value='0.2'/><transition-time value='0.5'/>"
            "<events><onbeginexpand action='grow'/><onclick action='press'/></events></element>"
            "<element name='b' type='button'><events><onbeginexpand action='grow'/>"
            "<onclick action='press'/></events></element></area>");
    CExpandable* x = CExpandable::Cast(t.Find("x"));
    ASSERT_NE(nullptr, x);
    ASSERT_EQ(2, x->GetStateCount());
    EXPECT_EQ(400, x->GetWidths()[0]);
    EXPECT_EQ(48, x->GetHeights()[0]);
    EXPECT_EQ(800, x->GetWidths()[1]);
    EXPECT_EQ(96, x->GetHeights()[1]);
    EXPECT_FLOAT_EQ(0.5f, x->GetTransitionTime());
    EXPECT_TRUE(x->GetBeginExpandCallback().IsSet());
    EXPECT_TRUE(x->GetClickCallback().IsSet());   // an expandable is a button
    CButton* b = CButton::Cast(t.Find("b"));
    EXPECT_TRUE(b->GetClickCallback().IsSet());
    b->Click();
    ASSERT_EQ(1u, t.log.fired.size());
    EXPECT_EQ("press", t.log.fired[0]);
}

TEST(ElementVocabulary, PageButtonsDriveTheirView)
{
    LoadedTree t;
    t.Build("<area><element name='menu_root'><size w='1' h='1'/>"
            "<element name='pv' type='page_layout'><size w='1' h='1'/><history max-size='4'/>"
            "<element name='p1'/><element name='p2'/></element>"
            "<element name='to2' type='page_button'><target name='&lt;menu_root/pv' page='p2'/></element>"
            "<element name='to1' type='page_button'><target name='&lt;menu_root/pv' page='p1'/></element>"
            "</element></area>");
    CPageView* pv = CPageView::Cast(t.Find("//pv"));
    CPageButton* to2 = CPageButton::Cast(t.Find("//to2"));
    CPageButton* to1 = CPageButton::Cast(t.Find("//to1"));
    ASSERT_TRUE(pv && to1 && to2);
    t.root->Update(0.0f);
    EXPECT_EQ(pv, to2->GetPageView());
    EXPECT_EQ(2, pv->GetPageButtonCount());
    EXPECT_TRUE(to1->IsToggled());
    EXPECT_FALSE(to2->IsToggled());
    to2->Click();
    EXPECT_EQ(1, pv->GetCurrentIndex());
    t.root->Update(1.0f);
    t.root->Update(0.0f);
    EXPECT_TRUE(to2->IsToggled());
    EXPECT_FALSE(to1->IsToggled());
    // A button leaving the tree unbinds itself.
    CWidget::Destroy(to1);
    EXPECT_EQ(1, pv->GetPageButtonCount());
}

#include "ui/Bubble.h"
#include "ui/GradientWidget.h"
#include "ui/GridLayout.h"
#include "ui/InfiniteList.h"
#include "ui/PieWidget.h"
#include "ui/ProgressBar.h"
#include "ui/RotatingImageWidget.h"
#include "ui/RunningList.h"
#include "ui/Slider.h"
#include "ui/TextWidget.h"

TEST(ElementVocabulary, TextElement)
{
    const struct
    {
        const char* text;   // attributes of the "text" child; null: no child
        u32 flags;
        bool editable, password, transparent;
        u32 colour, displayColour;
        const char* shown;
    } cases[] = {
        {nullptr, 0, false, false, true, 0xFFFFFFFFu, 0xFFFFFFFFu, ""},
        {"value='Hi' align='center-middle'", 0x300, false, false, true, 0xFFFFFFFFu, 0xFFFFFFFFu, "Hi"},
        // Six digits as a text colour are opaque; the display colour follows it.
        {"color='ff0000' align='right-middle' multiline='1'", 0x40200 | 0x80000, false, false, true,
         0xFFFF0000u, 0xFFFF0000u, ""},
        {"color='ff0000' displaycolor='80808080' align='left-middle'", 0x200, false, false, true,
         0xFFFF0000u, 0x80808080u, ""},
        {"type='input' align='right'", 0x40000, true, false, false, 0xFFFFFFFFu, 0xFFFFFFFFu, ""},
        {"type='password' align='middle'", 0x200, true, true, false, 0xFFFFFFFFu, 0xFFFFFFFFu, ""},
        {"align='center' color='nonsense'", 0x100, false, false, true, 0u, 0u, ""},
    };
    for (const auto& c : cases)
    {
        LoadedTree t;
        t.Build(std::string("<area><element name='t' type='text'>") +
                (c.text ? std::string("<text ") + c.text + "/>" : "") + "</element></area>");
        CTextWidget* w = CTextWidget::Cast(t.Find("t"));
        ASSERT_NE(nullptr, w) << (c.text ? c.text : "");
        const std::string what = c.text ? c.text : "(none)";
        EXPECT_EQ(c.flags, w->GetTextFlags()) << what;
        EXPECT_EQ(c.editable, w->IsEditable()) << what;
        EXPECT_EQ(c.password, w->IsPassword()) << what;
        EXPECT_EQ(c.transparent, w->IsTransparent()) << what;
        EXPECT_EQ(c.colour, w->GetColor()) << what;
        EXPECT_EQ(c.displayColour, w->GetDisplayColor()) << what;
        EXPECT_EQ(c.shown, Narrow(w->GetDisplayText())) << what;
    }
}

TEST(ElementVocabulary, GridsAndLists)
{
    LoadedTree t;
    t.Build("<area>"
            "<element name='g' type='grid_layout' num_columns='-3' num_rows='4' layout_mode='list'>"
            "<item-spacing horizontal='0.01' vertical='0.02'/><scroll enabled='1' threshold_y='0.013'/>"
            "<border-size width='0.1'/></element>"
            "<element name='i' type='infinite_list' layout_mode='uniform_list'><page-size value='7'/></element>"
            "<element name='r' type='running_list'><max-item-count value='5'/><expands-to value='top'/>"
            "<autoscroll enabled='0' speed='0.5'/></element>"
            "<element name='s' type='slidearea'/></area>");
    CGridLayout* g = CGridLayout::Cast(t.Find("g"));
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(0, g->GetNumColumns());   // negative counts are held at 0
    EXPECT_EQ(4, g->GetNumRows());
    EXPECT_EQ(CGridLayout::MODE_LIST, g->GetLayoutMode());
    EXPECT_EQ(8, g->GetSpacingX());
    EXPECT_EQ(9, g->GetSpacingY());
    EXPECT_TRUE(g->IsScrollEnabled());
    EXPECT_FLOAT_EQ(0.0f, g->GetThreshold().x);
    EXPECT_FLOAT_EQ(20.0f, g->GetThreshold().y);   // 6.24 pixels: 10 x round(1.614)
    EXPECT_EQ(80, g->GetBorder(CGridLayout::BORDER_LEFT));
    EXPECT_EQ(0, g->GetBorder(CGridLayout::BORDER_TOP));
    CInfiniteList* i = CInfiniteList::Cast(t.Find("i"));
    ASSERT_NE(nullptr, i);
    EXPECT_EQ(CGridLayout::MODE_UNIFORM_LIST, i->GetLayoutMode());
    EXPECT_EQ(7, i->GetPageSize());
    CRunningList* r = CRunningList::Cast(t.Find("r"));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(5, r->GetMaxItemCount());
    EXPECT_FALSE(r->IsAppendAtBottom());
    EXPECT_FALSE(r->IsAutoscroll());
    EXPECT_FLOAT_EQ(0.5f, r->GetScrollSeconds());
    // Without a "scroll" child a slide area does not drag.
    EXPECT_FALSE(CSlideArea::Cast(t.Find("s"))->IsScrollEnabled());
}

TEST(ElementVocabulary, ValueWidgets)
{
    LoadedTree t;
    t.Build("<area>"
            "<element name='s' type='slider' min-value='10' max-value='20' value='15'/>"
            "<element name='p' type='pie'><color value='00ff00'/><segments value='12'/>"
            "<angle value='100'/></element>"
            "<element name='g' type='gradient'><dir value='radial'/><radius value='0.5'/>"
            "<colors color1='ff0000' color2='bogus'/></element>"
            "<element name='r' type='rotating_image'><image path='spin'/><rotation angle='1'/></element>"
            "<element name='b' type='progressbar'><background path='bg'/><progress path='fg'/>"
            "<progresslowlimit value='0.25'/><side value='9'/></element>"
            "<element name='u1' type='bubble'><arrow value='bottom-right'/></element>"
            "<element name='u2' type='bubble'><arrow value='Bottom-Right'/></element></area>");
    CSlider* s = CSlider::Cast(t.Find("s"));
    ASSERT_NE(nullptr, s);
    EXPECT_FLOAT_EQ(10.0f, s->GetMinValue());
    EXPECT_FLOAT_EQ(20.0f, s->GetMaxValue());
    EXPECT_FLOAT_EQ(15.0f, s->GetValue());
    CPieWidget* p = CPieWidget::Cast(t.Find("p"));
    EXPECT_EQ(0xFF00FF00u, p->GetColor());
    EXPECT_EQ(12, p->GetSegments());
    EXPECT_FLOAT_EQ(6.2831855f, p->GetAngle());   // clamped to a full turn
    CGradientWidget* g = CGradientWidget::Cast(t.Find("g"));
    EXPECT_EQ(CGradientWidget::DIR_RADIAL, g->GetDirection());
    EXPECT_FLOAT_EQ(0.5f, g->GetRadius());
    EXPECT_EQ(0xFFFF0000u, g->GetColor1());
    CRotatingImageWidget* r = CRotatingImageWidget::Cast(t.Find("r"));
    EXPECT_NE(nullptr, r->GetImage());
    EXPECT_FLOAT_EQ(0.0f, r->GetSpeed());   // a rotation without speed stands still
    EXPECT_FLOAT_EQ(1.0f, r->GetAngle());
    CProgressBar* b = CProgressBar::Cast(t.Find("b"));
    EXPECT_NE(nullptr, b->GetImage());
    EXPECT_NE(nullptr, b->GetProgressImage());
    EXPECT_FLOAT_EQ(0.25f, b->GetLowLimit());
    EXPECT_EQ(3, b->GetSide());
    EXPECT_EQ(CBubble::ARROW_BOTTOM_RIGHT, CBubble::Cast(t.Find("u1"))->GetArrow());
    EXPECT_EQ(CBubble::ARROW_NONE, CBubble::Cast(t.Find("u2"))->GetArrow());
    EXPECT_FALSE(t.Find("u1")->IsTransparent());
}
