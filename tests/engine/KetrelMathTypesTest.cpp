#include "engine/KetrelColor.h"
#include "engine/KetrelID.h"
#include "engine/KetrelMath.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <limits>

namespace
{
const f32 kPi = 3.14159265358979f;

std::string Narrow(const CKetrelString& s)
{
    std::string out(s.GetLength() + 1, '\0');
    s.ToNarrow(out.data());
    out.resize(s.GetLength());
    return out;
}

// The expected default id: "0x" and eight lower-case hex digits of the low 32
// bits of the address.
std::string AddressId(const void* p)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", (unsigned)(u32)(std::uintptr_t)p);
    return text;
}
}

// All four edges count as inside.
TEST(KetrelRectFContains, EdgesAreInclusive)
{
    struct Case { const char* name; f32 x, y; int inside; };
    const Case cases[] = {
        {"top-left corner", 0, 0, 1},
        {"bottom-right corner", 10, 10, 1},
        {"right edge", 10, 5, 1},
        {"bottom edge", 5, 10, 1},
        {"centre", 5, 5, 1},
        {"just past right", 10.01f, 5, 0},
        {"just past bottom", 5, 10.01f, 0},
        {"just before left", -0.01f, 5, 0},
        {"just above top", 5, -0.01f, 0},
        {"NaN", std::numeric_limits<f32>::quiet_NaN(), 5, 0},
    };
    const CKetrelRectF r(0, 0, 10, 10);
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.inside, r.Contains(c.x, c.y)) << c.name;
        EXPECT_EQ(c.inside, r.Contains(CKetrelVector2(c.x, c.y))) << c.name << " (vector)";
    }
}

TEST(KetrelRectGeometry, SizeAndOffsetKeepTheOtherEdges)
{
    CKetrelRect r(10, 20, 30, 60);
    r.SetSize(5, 7);
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(15, r.right);
    EXPECT_EQ(27, r.bottom);
    r.Offset(-3, 4);
    EXPECT_EQ(7, r.left);
    EXPECT_EQ(24, r.top);
    EXPECT_EQ(5, r.Width());
    EXPECT_EQ(7, r.Height());
    r.SetHeight(1);
    EXPECT_EQ(25, r.bottom);
    EXPECT_EQ(5, r.Width());

    CKetrelRectF f(1, 2, 4, 8);
    f.Offset(0.5f, -1);
    EXPECT_FLOAT_EQ(3.0f, f.Width());
    EXPECT_FLOAT_EQ(6.0f, f.Height());
    EXPECT_FLOAT_EQ(1.5f, f.left);
    EXPECT_FLOAT_EQ(1.0f, f.top);
}

// Lengths within +-0.0001 are left alone; the length before is returned.
TEST(KetrelVector2Normalize, DeadBand)
{
    struct Case { const char* name; f32 x, y; f32 before; f32 nx, ny; };
    const Case cases[] = {
        {"3-4-5", 3, 4, 5, 0.6f, 0.8f},
        {"inside the band", 0.00005f, 0, 0.00005f, 0.00005f, 0},
        {"zero", 0, 0, 0, 0, 0},
        {"just outside the band", 0.0002f, 0, 0.0002f, 1, 0},
        {"negative axis", 0, -2, 2, 0, -1},
    };
    for (const Case& c : cases)
    {
        CKetrelVector2 v(c.x, c.y);
        EXPECT_FLOAT_EQ(c.before, v.Normalize()) << c.name;
        EXPECT_FLOAT_EQ(c.nx, v.x) << c.name;
        EXPECT_FLOAT_EQ(c.ny, v.y) << c.name;

        CKetrelVector3 w(c.x, 0, c.y);
        EXPECT_FLOAT_EQ(c.before, w.Normalize()) << c.name << " (3D)";
        EXPECT_FLOAT_EQ(c.nx, w.x) << c.name << " (3D)";
        EXPECT_FLOAT_EQ(c.ny, w.z) << c.name << " (3D)";
    }
}

TEST(KetrelVector2Normalize, SetLengthScalesToTheTarget)
{
    CKetrelVector2 v(3, 4);
    EXPECT_FLOAT_EQ(5.0f, v.SetLength(10));
    EXPECT_FLOAT_EQ(6.0f, v.x);
    EXPECT_FLOAT_EQ(8.0f, v.y);
    CKetrelVector2 tiny(0, 0.00009f);
    EXPECT_FLOAT_EQ(0.00009f, tiny.SetLength(10));
    EXPECT_FLOAT_EQ(0.00009f, tiny.y);
    CKetrelVector3 w(2, 3, 6);
    EXPECT_FLOAT_EQ(7.0f, w.SetLength(14));
    EXPECT_FLOAT_EQ(4.0f, w.x);
    EXPECT_FLOAT_EQ(12.0f, w.z);
}

// atan(x / y), minus pi for y > 0; y == 0 is replaced by 1e-5 in the vector.
TEST(KetrelVector2Angle, Cases)
{
    struct Case { const char* name; f32 x, y; f32 angle; f32 yAfter; };
    const Case cases[] = {
        {"(1, 0): y becomes 1e-5", 1, 0, std::atan(100000.0f) - kPi, 1e-5f},
        {"(0, -1)", 0, -1, 0, -1},
        {"(0, 1)", 0, 1, -kPi, 1},
        {"(1, -1)", 1, -1, -kPi / 4, -1},
        {"(1, 1)", 1, 1, kPi / 4 - kPi, 1},
        {"(-1, 0)", -1, 0, std::atan(-100000.0f) - kPi, 1e-5f},
    };
    for (const Case& c : cases)
    {
        CKetrelVector2 v(c.x, c.y);
        EXPECT_NEAR(c.angle, v.Angle(), 1e-5) << c.name;
        EXPECT_EQ(c.yAfter, v.y) << c.name;
        EXPECT_EQ(c.x, v.x) << c.name;
    }
    CKetrelVector2 right(1, 0);
    EXPECT_NEAR(-kPi / 2, right.Angle(), 1e-4);
}

TEST(KetrelVector2Rotate, QuarterTurns)
{
    CKetrelVector2 v(1, 0);
    v.Rotate(kPi / 2);
    EXPECT_NEAR(0.0f, v.x, 1e-6);
    EXPECT_NEAR(1.0f, v.y, 1e-6);
    v.Rotate(kPi / 2);
    EXPECT_NEAR(-1.0f, v.x, 1e-6);
    EXPECT_NEAR(0.0f, v.y, 1e-6);
    CKetrelVector2 w(2, 3);
    w.Rotate(0.7f);
    EXPECT_NEAR(std::sqrt(13.0f), w.Length(), 1e-5);
}

TEST(KetrelVectorDominantAxis, TiesAndSigns)
{
    struct Case2 { const char* name; f32 x, y; int axis; };
    const Case2 cases2[] = {
        {"tie gives 1", 1, 1, 1},
        {"negative tie gives 1", -1, 1, 1},
        {"x larger", 2, 1, 0},
        {"negative x larger", -2, 1, 0},
        {"y larger", 1, -2, 1},
        {"zero", 0, 0, 1},
    };
    for (const Case2& c : cases2)
        EXPECT_EQ(c.axis, CKetrelVector2(c.x, c.y).DominantAxis()) << c.name;

    struct Case3 { const char* name; f32 x, y, z; int axis; };
    const Case3 cases3[] = {
        {"all equal favours x", 1, 1, 1, 0},
        {"x ties y, z smaller", 2, 2, 1, 0},
        {"y larger", 1, -3, 2, 1},
        {"z ties y", 1, 3, 3, 1},
        {"z ties x", 3, 1, -3, 0},
        {"z largest", 1, 2, -5, 2},
        {"zero", 0, 0, 0, 0},
    };
    for (const Case3& c : cases3)
        EXPECT_EQ(c.axis, CKetrelVector3(c.x, c.y, c.z).DominantAxis()) << c.name;
}

TEST(KetrelVectorIsNear, ToleranceIsStrict)
{
    struct Case { const char* name; f32 dx, dy, dz; int near; };
    const Case cases[] = {
        {"same", 0, 0, 0, 1},
        {"inside", 0.25f, -0.25f, 0.25f, 1},
        {"x on the tolerance", 0.5f, 0, 0, 0},
        {"y on the tolerance", 0, -0.5f, 0, 0},
        {"z on the tolerance", 0, 0, 0.5f, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelVector2 a(1, 1);
        EXPECT_EQ(c.dz == 0 ? c.near : 1, a.IsNear(CKetrelVector2(1 + c.dx, 1 + c.dy), 0.5f)) << c.name;
        CKetrelVector3 b(1, 1, 1);
        EXPECT_EQ(c.near, b.IsNear(CKetrelVector3(1 + c.dx, 1 + c.dy, 1 + c.dz), 0.5f)) << c.name;
    }
}

TEST(KetrelVector3Products, CrossIsRightHandedAndMayAlias)
{
    CKetrelVector3 x(1, 0, 0), y(0, 1, 0), c;
    c.SetCross(x, y);
    EXPECT_EQ(0.0f, c.x);
    EXPECT_EQ(0.0f, c.y);
    EXPECT_EQ(1.0f, c.z);
    c.SetCross(y, x);
    EXPECT_EQ(-1.0f, c.z);
    CKetrelVector3 a(1, 2, 3), b(4, 5, 6);
    a.SetCross(a, b);                       // (2*6-3*5, 3*4-1*6, 1*5-2*4)
    EXPECT_EQ(-3.0f, a.x);
    EXPECT_EQ(6.0f, a.y);
    EXPECT_EQ(-3.0f, a.z);
    EXPECT_EQ(0.0f, a.Dot(b) - (-12.0f + 30.0f - 18.0f));
}

TEST(KetrelColorARGB, Conversions)
{
    CKetrelColor c;
    c.SetARGB(0x80FF0000u);
    EXPECT_EQ(1.0f, c.r);
    EXPECT_EQ(0.0f, c.g);
    EXPECT_EQ(0.0f, c.b);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, c.a);
    EXPECT_EQ(0x80FF0000u, c.GetARGB());

    // Every byte of every channel survives the round trip.
    for (u32 v = 0; v < 256; ++v)
    {
        u32 argb = (v << 24) | ((255 - v) << 16) | (((v * 7) & 0xFF) << 8) | ((v * 13) & 0xFF);
        c.SetARGB(argb);
        ASSERT_EQ(argb, c.GetARGB()) << std::hex << argb;
    }
}

// A channel outside 0..1 is held at the nearest end; it never spills into the
// neighbouring channel or wraps.
TEST(KetrelColorARGB, OutOfRangeChannelsClamp)
{
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    const f32 inf = std::numeric_limits<f32>::infinity();
    struct Case { const char* name; f32 r, g, b, a; u32 argb; };
    const Case cases[] = {
        {"overshoot red", 1.2f, 0, 0, 1, 0xFFFF0000u},
        {"undershoot green", 0, -0.3f, 0, 1, 0xFF000000u},
        {"slightly under 1 truncates", 0.999f, 0, 0, 0, 0x00FE0000u},
        {"huge alpha", 0, 0, 0, 1e30f, 0xFF000000u},
        {"NaN blue", 0, 0, nan, 1, 0xFF000000u},
        {"infinities", inf, -inf, 0.5f, 0.5f, 0x7FFF007Fu},
        {"tiny negative", -1e-9f, 0, 0, 0, 0x00000000u},
    };
    for (const Case& c : cases)
    {
        CKetrelColor col;
        col.Set(c.r, c.g, c.b, c.a);
        EXPECT_EQ(c.argb, col.GetARGB()) << c.name;
    }
}

TEST(KetrelMathWrappers, PowerOfTwo)
{
    struct Case { u32 v; int pow2; };
    const Case cases[] = {
        {0, 0}, {1, 1}, {2, 1}, {3, 0}, {64, 1}, {96, 0}, {1024, 1}, {1023, 0},
        {0x80000000u, 1}, {0xFFFFFFFFu, 0}, {0x80000001u, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.pow2, KetrelIsPowerOfTwo(c.v)) << c.v;
}

TEST(KetrelMathWrappers, AbsOfTheMostNegativeIsDefined)
{
    EXPECT_EQ(5, KetrelAbs(-5));
    EXPECT_EQ(5, KetrelAbs(5));
    EXPECT_EQ(0, KetrelAbs(0));
    EXPECT_EQ(2147483647, KetrelAbs(-2147483647));
    EXPECT_EQ((i32)(-2147483647 - 1), KetrelAbs(-2147483647 - 1));
}

// ---- Object id -------------------------------------------------------------------

namespace
{
class Named : public CKetrelID
{
public:
    int payload = 0;
};
}

TEST(KetrelIDDefault, AddressForm)
{
    CKetrelID a;
    CKetrelID* b = new CKetrelID();
    Named n;
    EXPECT_EQ(AddressId(&a), Narrow(a.GetID()));
    EXPECT_EQ(AddressId(b), Narrow(b->GetID()));
    EXPECT_EQ(AddressId(static_cast<CKetrelID*>(&n)), Narrow(n.GetID()));
    EXPECT_EQ(10, a.GetID().GetLength());
    const CKetrelID* ids[] = {&a, b, &n};
    for (const CKetrelID* id : ids)
    {
        std::string text = Narrow(id->GetID());
        for (size_t i = 2; i < text.size(); ++i)
            EXPECT_TRUE((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f')) << text;
    }
    EXPECT_NE(Narrow(a.GetID()), Narrow(b->GetID()));
    delete b;
}

TEST(KetrelIDDefault, ResetReturnsToTheAddressForm)
{
    Named n;
    n.SetID(CKetrelString("font.png"));
    EXPECT_EQ("font.png", Narrow(n.GetID()));
    n.ResetID();
    EXPECT_EQ(AddressId(static_cast<CKetrelID*>(&n)), Narrow(n.GetID()));
    // Deleting through the base runs the whole destructor (checked by the
    // sanitizer build).
    CKetrelID* owned = new Named();
    owned->SetID(CKetrelString("shader"));
    delete owned;
}

// Float to int for outside values: truncation inside the range, its ends beyond it,
// 0 for NaN; the clamped form holds to its bounds, NaN included.
TEST(KetrelMathConvert, ClampThenConvert)
{
    const f64 inf = std::numeric_limits<f64>::infinity(), nan = std::nan("");
    struct Case { const char* name; f64 value; i32 trunc; i64 trunc64; i32 clamped; };   // clamped: -10..100
    const Case cases[] = {
        {"zero",                 0.0,            0,           0,                  0},
        {"positive truncates",   99.99,          99,          99,                 99},
        {"negative truncates",   -7.9,           -7,          -7,                 -7},
        {"just below 2^31",      2147483647.9,   2147483647,  2147483647,         100},
        {"2^31",                 2147483648.0,   INT32_MAX,   2147483648ll,       100},
        {"just above -2^31 - 1", -2147483648.9,  INT32_MIN,   -2147483648ll,      -10},
        {"-2^31 - 1",            -2147483649.0,  INT32_MIN,   -2147483649ll,      -10},
        {"2^63",                 9223372036854775808.0, INT32_MAX, INT64_MAX,     100},
        {"-2^63",                -9223372036854775808.0, INT32_MIN, INT64_MIN,    -10},
        {"+inf",                 inf,            INT32_MAX,   INT64_MAX,          100},
        {"-inf",                 -inf,           INT32_MIN,   INT64_MIN,          -10},
        {"NaN",                  nan,            0,           0,                  0},
        {"below the clamp",      -10.5,          -10,         -10,                -10},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.trunc, KetrelTruncToInt(c.value)) << c.name;
        EXPECT_EQ(c.trunc64, KetrelTruncToInt64(c.value)) << c.name;
        EXPECT_EQ(c.clamped, KetrelClampToInt(c.value, -10, 100)) << c.name;
    }
    EXPECT_EQ(1, KetrelClampToInt(nan, 1, 10));
    EXPECT_EQ(-3, KetrelClampToInt(nan, -9, -3));
    EXPECT_EQ(INT32_MAX, KetrelSaturateToInt((i64)INT32_MAX + INT32_MAX));
    EXPECT_EQ(INT32_MIN, KetrelSaturateToInt((i64)INT32_MIN - 1));
    EXPECT_EQ(-5, KetrelSaturateToInt(-5));
}
