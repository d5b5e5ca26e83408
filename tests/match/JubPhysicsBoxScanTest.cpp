// The pair loop's search finds the same body in every variant, including the edge cases
// the vector ones could get wrong: touching edges, NaN edges, the padding, A itself.
#include "JubPhysicsTestScenes.h"
#include "game/match/JubPhysicsBoxScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
struct Boxes
{
    std::vector<f32> minX, minY, maxX, maxY;
    std::vector<u32> masks;
    i32 count = 0;

    void Add(f32 x0, f32 y0, f32 x1, f32 y1, u32 mask)
    {
        minX.push_back(x0);
        minY.push_back(y0);
        maxX.push_back(x1);
        maxY.push_back(y1);
        masks.push_back(mask);
        ++count;
    }
    // Padding that overlaps everything but has mask 0, as the world keeps it.
    CJubPhysicsBoxScan Scan(f32 x0, f32 y0, f32 x1, f32 y1, u32 mask, i32 self)
    {
        minX.resize(count);
        minY.resize(count);
        maxX.resize(count);
        maxY.resize(count);
        masks.resize(count);
        for (int i = 0; i < JUB_PHYSICS_BOX_PADDING; ++i)
        {
            minX.push_back(-1e9f);
            minY.push_back(-1e9f);
            maxX.push_back(1e9f);
            maxY.push_back(1e9f);
            masks.push_back(0);
        }
        CJubPhysicsBoxScan s;
        s.minX = minX.data();
        s.minY = minY.data();
        s.maxX = maxX.data();
        s.maxY = maxY.data();
        s.masks = masks.data();
        s.aMinX = x0;
        s.aMinY = y0;
        s.aMaxX = x1;
        s.aMaxY = y1;
        s.aMask = mask;
        s.self = self;
        s.count = count;
        return s;
    }
};

// Every variant this processor runs, against the plain loop.
void ExpectAllVariants(const CJubPhysicsBoxScan& s, i32 from, i32 expected, const char* name)
{
    EXPECT_EQ(expected, JubFindMeetingScalar(s, from)) << name << ", plain";
#if defined(__SSE2__)
    EXPECT_EQ(expected, JubFindMeetingSse2(s, from)) << name << ", SSE2";
#endif
#if defined(JUB_PHYSICS_HAVE_AVX2)
    if (JubCpuHasAvx2())
    {
        EXPECT_EQ(expected, JubFindMeetingAvx2(s, from)) << name << ", AVX2";
    }
#endif
    EXPECT_EQ(expected, JubFindMeeting(s, from)) << name << ", chosen";
}
}

TEST(JubPhysicsBoxScan, EdgeCases)
{
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    struct Case
    {
        const char* name;
        f32 x0, y0, x1, y1;   // the body at index 19 of 21 apart boxes
        u32 mask;
        i32 self, from, expected;
    };
    // A is (0, 0)-(1, 1) with mask 0x10.
    const Case cases[] = {
        {"overlap", 0.5f, 0.5f, 2, 2, 0x10, 0, 0, 19},
        {"shared edge", 1, 0, 2, 1, 0x10, 0, 0, -1},
        {"shared corner", 1, 1, 2, 2, 0x10, 0, 0, -1},
        {"no common mask bit", 0.5f, 0.5f, 2, 2, 0x01, 0, 0, -1},
        {"A itself is skipped", 0.5f, 0.5f, 2, 2, 0x10, 19, 0, -1},
        {"starting past it", 0.5f, 0.5f, 2, 2, 0x10, 0, 20, -1},
        {"starting on it", 0.5f, 0.5f, 2, 2, 0x10, 0, 19, 19},
        {"NaN edge overlaps", nan, 0.5f, 2, 2, 0x10, 0, 0, 19},
        {"negative zero edge", -0.0f, -1, 0.0f, 2, 0x10, 0, 0, -1},
        {"thin overlap", 0.99999f, 0, 2, 1, 0x10, 0, 0, 19},
    };
    for (const Case& c : cases)
    {
        Boxes boxes;
        for (int i = 0; i < 21; ++i)
        {
            if (i == 19)
                boxes.Add(c.x0, c.y0, c.x1, c.y1, c.mask);
            else
                boxes.Add(10.0f + (f32)i, 10, 10.5f + (f32)i, 11, 0xFFFFFFFFu);
        }
        CJubPhysicsBoxScan s = boxes.Scan(0, 0, 1, 1, 0x10, c.self);
        ExpectAllVariants(s, c.from, c.expected, c.name);
    }
}

TEST(JubPhysicsBoxScan, PaddingNeverMeetsAndAnEmptyListFindsNothing)
{
    Boxes boxes;
    CJubPhysicsBoxScan s = boxes.Scan(0, 0, 1, 1, 0xFFFFFFFFu, -1);
    ExpectAllVariants(s, 0, -1, "empty");
    boxes.Add(5, 5, 6, 6, 0xFFFFFFFFu);
    s = boxes.Scan(0, 0, 1, 1, 0xFFFFFFFFu, -1);
    ExpectAllVariants(s, 0, -1, "one apart");
}

// Random boxes on a small grid, so that touching edges are common, with a few NaN edges.
TEST(JubPhysicsBoxScan, VariantsAgreeOnRandomBoxes)
{
    CTestRandom rnd(42);
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    for (int round = 0; round < 3000; ++round)
    {
        Boxes boxes;
        const i32 n = rnd.Int(0, 40);
        for (i32 i = 0; i < n; ++i)
        {
            f32 x0 = rnd.Grid(0, 8, 2.0f);
            f32 y0 = rnd.Grid(0, 8, 2.0f);
            f32 x1 = x0 + rnd.Grid(0, 4, 2.0f);
            f32 y1 = y0 + rnd.Grid(0, 4, 2.0f);
            if (rnd.Int(0, 50) == 0)
                x0 = nan;
            boxes.Add(x0, y0, x1, y1, rnd.Int(0, 3) == 0 ? 0u : (u32)rnd.Int(1, 15));
        }
        const f32 ax = rnd.Grid(0, 8, 2.0f);
        const f32 ay = rnd.Grid(0, 8, 2.0f);
        const f32 aw = rnd.Grid(0, 4, 2.0f);
        const f32 ah = rnd.Grid(0, 4, 2.0f);
        const i32 self = n > 0 ? rnd.Int(-1, n - 1) : -1;
        const i32 from = rnd.Int(0, n);
        const u32 mask = (u32)rnd.Int(1, 15);
        CJubPhysicsBoxScan s = boxes.Scan(ax, ay, ax + aw, ay + ah, mask, self);
        const i32 expected = JubFindMeetingScalar(s, from);
        ExpectAllVariants(s, from, expected, "random");
        if (HasFailure())
            FAIL() << "round " << round;
    }
}
