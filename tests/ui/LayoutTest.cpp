// Layout placement tables and when layouts lay out.
#include "UITestDoubles.h"
#include "ui/Alignment.h"
#include "ui/AspectLayout.h"
#include "ui/Divider.h"
#include "ui/RatioDivider.h"

#include <gtest/gtest.h>
#include <cmath>

using namespace uitest;

namespace
{
std::string R(const CKetrelRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}
}  // namespace

TEST(LayoutFit, FitRectToAspect)
{
    struct Case { const char* name; CKetrelRect in; f32 aspect, pos; bool ok; const char* out; };
    const Case cases[] = {
        {"wide into square, centred", {0, 0, 200, 100}, 1.0f, 0.5f, true, "50,0,150,100"},
        {"wide into square, start", {0, 0, 200, 100}, 1.0f, 0.0f, true, "0,0,100,100"},
        {"wide into square, end", {0, 0, 200, 100}, 1.0f, 1.0f, true, "100,0,200,100"},
        {"into wider aspect", {0, 0, 200, 100}, 4.0f, 0.5f, true, "0,25,200,75"},
        {"offset rect", {10, 20, 110, 220}, 1.0f, 0.5f, true, "10,70,110,170"},
        {"halves round away from zero", {0, 0, 1, 3}, 2.0f, 0.0f, true, "0,0,1,1"},
        {"empty width", {0, 0, 0, 100}, 1.0f, 0.5f, false, "0,0,0,100"},
        {"negative height", {0, 10, 10, 0}, 1.0f, 0.5f, false, "0,10,10,0"},
        {"zero aspect", {0, 0, 10, 10}, 0.0f, 0.5f, false, "0,0,10,10"},
        {"NaN positioning places at the start", {0, 0, 200, 100}, 1.0f, NAN, true, "0,0,100,100"},
        {"huge aspect gives a flat box", {0, 0, 10, 10}, 1e30f, 0.0f, true, "0,0,10,0"},
    };
    for (const Case& c : cases)
    {
        CKetrelRect r = c.in;
        EXPECT_EQ(c.ok, FitRectToAspect(r, c.aspect, c.pos)) << c.name;
        EXPECT_EQ(c.out, R(r)) << c.name;
    }
}

TEST(LayoutPlace, Alignment)
{
    struct Case { const char* name; u32 align; i32 borders[4]; CKetrelRect child; const char* out; };
    const Case cases[] = {
        {"scaled both with borders", CAlignment::ALIGN_HSCALED | CAlignment::ALIGN_VSCALED,
         {10, 20, 30, 40}, {0, 0, 5, 5}, "10,20,170,60"},
        {"centre 31 in 200 ignores borders", CAlignment::ALIGN_HCENTER | CAlignment::ALIGN_VCENTER,
         {10, 20, 30, 40}, {0, 0, 31, 10}, "84,45,115,55"},
        {"left top with borders", 0, {10, 20, 30, 40}, {50, 50, 60, 70}, "10,20,20,40"},
        {"right bottom", CAlignment::ALIGN_RIGHT | CAlignment::ALIGN_BOTTOM, {10, 20, 30, 40},
         {0, 0, 20, 10}, "150,50,170,60"},
        {"child larger than area, centred", CAlignment::ALIGN_HCENTER, {0, 0, 0, 0},
         {0, 0, 301, 10}, "-50,0,251,10"},
    };
    for (const Case& c : cases)
    {
        CAlignment* a = Make<CAlignment>(nullptr, "a", 0, 0, 200, 100);
        EXPECT_TRUE(a->IsTransparent());
        a->SetAlignment(c.align);
        for (int i = 0; i < 4; ++i)
            a->SetBorder(i, c.borders[i]);
        CWidget* child = Make(a, "c", c.child.left, c.child.top, c.child.right, c.child.bottom);
        a->Update(0.0f);
        EXPECT_EQ(c.out, R(child->GetRect())) << c.name;
        Free(a);
    }
}

TEST(LayoutPlace, AspectDividerRatio)
{
    struct Case { const char* name; CLayout* layout; const char* first; const char* second; };
    CAspectLayout* aspect = Make<CAspectLayout>(nullptr, "asp", 0, 0, 200, 100);
    CDivider* left = Make<CDivider>(nullptr, "d0", 0, 0, 300, 100);
    CDivider* right = Make<CDivider>(nullptr, "d2", 0, 0, 300, 100);
    right->SetMode(CDivider::MODE_RIGHT);
    CDivider* top = Make<CDivider>(nullptr, "d1", 0, 0, 100, 300);
    top->SetMode(CDivider::MODE_TOP);
    top->SetAspect(2.0f);
    CDivider* bottom = Make<CDivider>(nullptr, "d3", 0, 0, 100, 300);
    bottom->SetMode(CDivider::MODE_BOTTOM);
    bottom->SetMaxItemWidth(80);
    CDivider* capped = Make<CDivider>(nullptr, "dc", 0, 0, 300, 100);
    capped->SetMaxItemWidth(40);
    capped->SetMaxItemHeight(60);
    CRatioDivider* ratio = Make<CRatioDivider>(nullptr, "r", 0, 0, 400, 100);
    ratio->SetRatio(0.25f);
    ratio->SetMaxFirstItemSize(50);
    CRatioDivider* minWins = Make<CRatioDivider>(nullptr, "rm", 0, 0, 400, 100);
    minWins->SetRatio(0.1f);
    minWins->SetMinFirstItemSize(80);
    minWins->SetMaxFirstItemSize(60);
    CRatioDivider* vertical = Make<CRatioDivider>(nullptr, "rv", 0, 0, 100, 400);
    vertical->SetRatio(0.3f);
    vertical->SetOrientation(CRatioDivider::ORIENTATION_VERTICAL);
    vertical->SetMinFirstItemSize(-5);
    CRatioDivider* badRatio = Make<CRatioDivider>(nullptr, "rb", 0, 0, 400, 100);
    badRatio->SetRatio(0.0f);
    const Case cases[] = {
        {"aspect: shared fitted box", aspect, "50,0,150,100", "50,0,150,100"},
        {"divider left", left, "0,0,100,100", "100,0,300,100"},
        {"divider right", right, "0,0,200,100", "200,0,300,100"},
        {"divider top", top, "0,0,100,50", "0,50,100,300"},
        {"divider bottom", bottom, "0,0,80,200", "0,200,80,300"},
        {"divider capped", capped, "0,0,40,60", "40,0,300,60"},
        {"ratio clamped by max", ratio, "0,0,50,100", "50,0,400,100"},
        {"ratio: max wins over min", minWins, "0,0,60,100", "60,0,400,100"},
        {"ratio vertical", vertical, "0,0,100,120", "0,120,100,400"},
        {"ratio 0 places nothing", badRatio, "1,1,2,2", "1,1,2,2"},
    };
    for (const Case& c : cases)
    {
        CWidget* a = Make(c.layout, "a", 1, 1, 2, 2);
        CWidget* b = Make(c.layout, "b", 1, 1, 2, 2);
        CWidget* third = Make(c.layout, "c", 7, 7, 8, 8);
        c.layout->Update(0.0f);
        EXPECT_EQ(c.first, R(a->GetRect())) << c.name;
        EXPECT_EQ(c.second, R(b->GetRect())) << c.name;
        if (c.layout->IsKindOf(CWidgetType::RatioDivider()))
        {
            EXPECT_EQ("7,7,8,8", R(third->GetRect())) << c.name << ": third child untouched";
        }
        else if (c.layout->IsKindOf(CWidgetType::Divider()))
        {
            EXPECT_EQ(c.first, R(third->GetRect())) << c.name << ": even child";
        }
        Free(c.layout);
    }
}

// Adding lays out at once even at size 0; an update lays out only with a size.
TEST(LayoutTiming, WhenLayoutsRun)
{
    CAlignment* a = Make<CAlignment>(nullptr, "a", 0, 0, 0, 0);
    a->SetAlignment(CAlignment::ALIGN_RIGHT);
    CWidget* c = Make(a, "c", 0, 0, 10, 10);
    EXPECT_EQ("-10,0,0,10", R(c->GetRect())) << "placed on adding";
    EXPECT_FALSE(a->IsLayoutNeeded());
    c->SetRect(CKetrelRect(0, 0, 20, 20));
    EXPECT_TRUE(a->IsLayoutNeeded());
    a->Update(0.0f);
    EXPECT_EQ("0,0,20,20", R(c->GetRect())) << "zero size: not placed";
    EXPECT_FALSE(a->IsLayoutNeeded());
    a->SetRect(CKetrelRect(0, 0, 100, 50));
    EXPECT_TRUE(a->IsLayoutNeeded());
    a->Update(0.0f);
    EXPECT_EQ("80,0,100,20", R(c->GetRect()));
    EXPECT_FALSE(a->IsLayoutNeeded()) << "the children's own change reports are absorbed";

    CAlignment* copy = static_cast<CAlignment*>(a->Clone());
    EXPECT_EQ((u32)CAlignment::ALIGN_RIGHT, copy->GetAlignment());
    EXPECT_EQ("80,0,100,20", R(copy->GetChild(0)->GetRect()));
    Free(copy);
    Free(a);
}
