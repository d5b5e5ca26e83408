#include "engine/graphics/KetrelSurface.h"

#include "SurfaceTestUtil.h"
#include "engine/KetrelResult.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <utility>

namespace
{
std::set<std::pair<int, int>> Painted(const CKetrelSurface& s)
{
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s.GetHeight(); ++y)
        for (int x = 0; x < s.GetWidth(); ++x)
            if (RawAt(s, x, y) != 0)
                out.insert({x, y});
    return out;
}
} // namespace

TEST(KetrelDrawLine, RunsPerRow)
{
    struct Case { const char* name; int x1, y1, x2, y2; int count; std::pair<int, int> first, last; };
    const Case cases[] = {
        {"horizontal: x 0 to 9",     0, 5, 10, 5, 10, {0, 5}, {9, 5}},
        {"right to left",            10, 5, 0, 5, 10, {0, 5}, {9, 5}},
        {"vertical, both ends",      3, 2, 3, 7, 6, {3, 2}, {3, 7}},
        {"single point",             4, 4, 4, 4, 1, {4, 4}, {4, 4}},
        {"diagonal",                 0, 0, 5, 5, 6, {0, 0}, {4, 5}},
        {"clipped at the right",     15, 1, 30, 1, 5, {15, 1}, {19, 1}},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(7, 20, 10);
        s->FillRect(0, nullptr);
        ASSERT_EQ(KE_OK, s->DrawLine(c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFF, 0xFFFFFFFF)) << c.name;
        const auto painted = Painted(*s);
        EXPECT_EQ((size_t)c.count, painted.size()) << c.name;
        if (!painted.empty())
        {
            EXPECT_EQ(1u, painted.count(c.first)) << c.name;
            EXPECT_EQ(1u, painted.count(c.last)) << c.name;
        }
    }
}

// Lines with ends far outside draw their visible part, and lines wholly beyond
// one edge draw nothing; coordinates anywhere in the i32 range are safe.
TEST(KetrelDrawLine, FarEndsAndClip)
{
    struct Case { const char* name; int x1, y1, x2, y2; int count; };  // -1: not counted
    const Case cases[] = {
        {"from far above",          5, -1000000, 5, 9, 10},
        {"from far below upwards",  5, INT_MAX, 5, 0, 10},
        {"both left of the clip",   -5, 0, -1, 9, 0},
        {"both below",              0, 10, 19, 30, 0},
        {"extreme x",               INT_MIN, 3, INT_MAX, 3, 20},
        {"extreme everything",      INT_MIN, INT_MIN, INT_MAX, INT_MAX, -1},
    };
    for (const Case& c : cases)
    {
        auto s = MakeSurface(6, 20, 10);
        s->FillRect(0, nullptr);
        EXPECT_EQ(KE_OK, s->DrawLine(c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFF, 0xFF0000FF)) << c.name;
        if (c.count >= 0)
        {
            EXPECT_EQ((size_t)c.count, Painted(*s).size()) << c.name;
        }
    }
}

TEST(KetrelDrawLine, ColourRunsFromOneEndToTheOther)
{
    auto s = MakeSurface(6, 1, 11);
    s->FillRect(0, nullptr);
    ASSERT_EQ(KE_OK, s->DrawLine(0, 0, 0, 10, 0xFF000000, 0xFFFFFFFF));
    EXPECT_EQ(0xFF000000u, RawAt(*s, 0, 0));
    const uint32_t mid = RawAt(*s, 0, 5) & 0xFF;
    EXPECT_GE(mid, 110u);
    EXPECT_LE(mid, 130u);
    EXPECT_GE(RawAt(*s, 0, 10) & 0xFF, 225u);
    for (int y = 1; y <= 10; ++y)
        EXPECT_GE(RawAt(*s, 0, y) & 0xFF, RawAt(*s, 0, y - 1) & 0xFF) << y;
}

TEST(KetrelBlitRotated, SizeAndTurn)
{
    // Radius 70: a 100-pixel-wide picture of a 100 x 100 source.
    auto src = MakeSurface(7, 100, 100);
    src->FillRect(0xFFFFFFFF, nullptr);
    auto dst = MakeSurface(7, 200, 200);
    dst->FillRect(0, nullptr);
    ASSERT_EQ(KE_OK, dst->BlitRotated(100, 100, src.get(), 0.0f, 70, 0));
    int across = 0;
    for (int x = 0; x < 200; ++x)
        across += RawAt(*dst, x, 100) != 0;
    EXPECT_EQ(100, across);

    // A quarter turn brings the top row to the right side.
    auto marked = MakeSurface(6, 10, 10);
    marked->FillRect(0xFF0000FF, nullptr);
    const CKetrelRect top(0, 0, 10, 1);
    marked->FillRect(0xFFFF0000, &top);
    auto turned = MakeSurface(6, 40, 40);
    turned->FillRect(0, nullptr);
    ASSERT_EQ(KE_OK, turned->BlitRotated(20, 20, marked.get(), (float)M_PI / 2, 7, 0));
    EXPECT_EQ(0xFFFF0000u, RawAt(*turned, 25, 20));
    EXPECT_EQ(0xFF0000FFu, RawAt(*turned, 20, 20));
}

// A picture wider than high is centred on (x, y) in both axes.
TEST(KetrelBlitRotated, WidePictureIsCentred)
{
    auto src = MakeSurface(7, 20, 4);
    src->FillRect(0xFFFFFFFF, nullptr);
    auto dst = MakeSurface(7, 60, 60);
    dst->FillRect(0, nullptr);
    ASSERT_EQ(KE_OK, dst->BlitRotated(30, 30, src.get(), 0.0f, 14, 0));
    int top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y)
        if (RawAt(*dst, 30, y))
        {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    EXPECT_EQ(28, top);
    EXPECT_EQ(31, bottom);
}

TEST(KetrelBlitRotated, ModesAndUnusableInput)
{
    struct Case { const char* name; uint32_t flags; uint32_t src; uint32_t expected; };
    const Case cases[] = {
        {"plain copies alpha too",  0, 0x80402010, 0x80402010},
        {"keyed pixel skipped",     KE_BLT_COLORKEY, 0x80FF00FF, 0x11223344},
        {"average",                 KE_BLT_MULTIPLY, 0xFFFFFFFF, 0x879098A1},
    };
    for (const Case& c : cases)
    {
        auto src = MakeSurface(6, 10, 10);
        for (int i = 0; i < 100; ++i)
            SetRawAt(*src, i % 10, i / 10, c.src);
        src->SetColorKey(0xFF00FF);
        auto dst = MakeSurface(6, 30, 30);
        for (int i = 0; i < 900; ++i)
            SetRawAt(*dst, i % 30, i / 30, 0x11223344);
        ASSERT_EQ(KE_OK, dst->BlitRotated(15, 15, src.get(), 0.3f, 7, 0 | c.flags)) << c.name;
        EXPECT_EQ(c.expected, RawAt(*dst, 15, 15)) << c.name;
    }
    struct Bad { const char* name; int x, y, radius; float angle; };
    const Bad bad[] = {
        {"radius 0",       5, 5, 0, 0.0f},
        {"negative",       5, 5, -9, 0.0f},
        {"NaN angle",      5, 5, 7, NAN},
        {"far away",       INT_MIN, 5, 7, 0.0f},
        {"huge radius",    5, 5, INT_MAX, 1.0f},
    };
    for (const Bad& b : bad)
    {
        auto src = MakeSurface(7, 4, 4);
        src->FillRect(0xFFFFFFFF, nullptr);
        auto dst = MakeSurface(7, 10, 10);
        dst->FillRect(0, nullptr);
        EXPECT_EQ(KE_OK, dst->BlitRotated(b.x, b.y, src.get(), b.angle, b.radius, 0)) << b.name;
    }
}
