// Easing curves against their closed forms, and the factory's name table.
#include "UITestDoubles.h"
#include "ui/EasingCurve.h"
#include "ui/EasingCurveFactory.h"

#include <gtest/gtest.h>
#include <cmath>
#include <functional>
#include <memory>

namespace
{
struct CurveCase
{
    const char* name;
    std::function<double(double)> closed;
    double at0, at1;   // exact values at both ends
};

double ExpoInOut(double t)
{
    const double u = 2 * t;
    return u < 1 ? 0.5 * std::pow(2.0, 10 * (u - 1)) - 0.0005
                 : (2 - std::pow(2.0, -10 * (u - 1))) * 0.50025;
}

const CurveCase kCurves[] = {
    {"zero", [](double) { return 0.0; }, 0, 0},
    {"one", [](double) { return 1.0; }, 1, 1},
    {"linear", [](double t) { return t; }, 0, 1},
    {"step", [](double t) { return t < 0.5 ? 0.0 : 1.0; }, 0, 1},
    {"smoothstep", [](double t) { return t * t * (3 - 2 * t); }, 0, 1},
    {"smoothstep_out", [](double t) { return 1 - t * t * (3 - 2 * t); }, 1, 0},
    {"pow2", [](double t) { return std::pow(t, 2); }, 0, 1},
    {"pow3", [](double t) { return std::pow(t, 3); }, 0, 1},
    {"pow4", [](double t) { return std::pow(t, 4); }, 0, 1},
    {"one_minus_pow4", [](double t) { return 1 - std::pow(t, 4); }, 1, 0},
    {"one_minus_pow5", [](double t) { return 1 - std::pow(t, 5); }, 1, 0},
    {"pow8", [](double t) { return std::pow(t, 8); }, 0, 1},
    {"one_minus_pow8", [](double t) { return 1 - std::pow(t, 8); }, 1, 0},
    {"one_minus_invert_pow4", [](double t) { return 1 - std::pow(1 - t, 4); }, 0, 1},
    {"expo_inout", ExpoInOut, -0.0000117, 1.0000114},
};

CKetrelString S(const char* s) { return CKetrelString(s); }
}  // namespace

TEST(EasingCurveValues, MatchClosedFormsAndEnds)
{
    CEasingCurveFactory factory;
    ASSERT_EQ(1, factory.Init());
    EXPECT_EQ(16, factory.GetCount());
    for (const CurveCase& c : kCurves)
    {
        std::unique_ptr<IEasingCurve> curve(factory.CreateCurve(S(c.name), true, 0, nullptr));
        ASSERT_TRUE(curve->IsValid());
        // Not clamped: the same formula holds outside 0..1.
        for (int i = -200; i <= 400; ++i)
        {
            const double t = i / 200.0;
            const double want = c.closed((double)(float)t);
            EXPECT_NEAR(want, curve->Evaluate((float)t), 2e-5 * (1 + std::fabs(want)))
                << c.name << " at " << t;
        }
        EXPECT_NEAR(c.at0, curve->Evaluate(0.0f), 1e-6) << c.name;
        EXPECT_NEAR(c.at1, curve->Evaluate(1.0f), 1e-6) << c.name;
        std::unique_ptr<IEasingCurve> copy(curve->Clone());
        EXPECT_NE(copy.get(), curve.get());
        for (float t : {0.1f, 0.37f, 0.5f, 0.93f})
            EXPECT_EQ(curve->Evaluate(t), copy->Evaluate(t)) << c.name << " clone";
    }
}

TEST(EasingCurveValues, SpecialPoints)
{
    struct Case { const char* name; float t; float expect; };
    const Case cases[] = {
        {"step", 0.5f, 1.0f},
        {"step", 0.49999f, 0.0f},
        {"step", NAN, 1.0f},
        {"smoothstep", 0.5f, 0.5f},
        {"smoothstep_out", 0.5f, 0.5f},
        {"one_minus_pow5", 2.0f, -31.0f},
        {"expo_inout", 0.5f, 0.50025f},
    };
    CEasingCurveFactory factory;
    factory.Init();
    for (const Case& c : cases)
    {
        std::unique_ptr<IEasingCurve> curve(factory.CreateCurve(S(c.name), true, 0, nullptr));
        EXPECT_FLOAT_EQ(c.expect, curve->Evaluate(c.t)) << c.name << " at " << c.t;
    }
    std::unique_ptr<IEasingCurve> expo(factory.CreateCurve(S("expo_inout"), true, 0, nullptr));
    EXPECT_NEAR(0.00075f, expo->Evaluate(0.5f) - expo->Evaluate(0.4999999f), 1e-4f)
        << "the jump at the middle";
}

namespace
{
class InvalidCurve : public CEasingCurveLinear
{
public:
    bool IsValid() const override { return false; }
};

IEasingCurve* MakeInvalid(i32, const f32*) { return new InvalidCurve(); }

i32 s_lastCount = -1;
f32 s_lastFirst = 0;
IEasingCurve* MakeRecording(i32 count, const f32* parameters)
{
    s_lastCount = count;
    s_lastFirst = count > 0 ? parameters[0] : 0;
    return new CEasingCurvePow2();
}
}  // namespace

// Everything that cannot give the named curve gives a step curve.
TEST(EasingCurveFactoryTable, FallsBackToStep)
{
    CEasingCurveFactory factory;
    factory.Init();
    EXPECT_EQ(1, factory.Register(S("bad"), &MakeInvalid));
    EXPECT_EQ(0, factory.Register(S("linear"), &MakeInvalid)) << "built-ins stay";
    EXPECT_EQ(1, factory.Register(S("params"), &MakeRecording));
    struct Case { const char* name; bool requireValid; float at04, at06; };
    const Case cases[] = {
        {"none", true, 0.0f, 1.0f}, {"", true, 0.0f, 1.0f}, {"unknown", false, 0.0f, 1.0f},
        {"bad", true, 0.0f, 1.0f}, {"bad", false, 0.4f, 0.6f}, {"linear", true, 0.4f, 0.6f},
    };
    for (const Case& c : cases)
    {
        std::unique_ptr<IEasingCurve> curve(factory.CreateCurve(S(c.name), c.requireValid, 0, nullptr));
        ASSERT_NE(nullptr, curve.get());
        EXPECT_FLOAT_EQ(c.at04, curve->Evaluate(0.4f)) << c.name;
        EXPECT_FLOAT_EQ(c.at06, curve->Evaluate(0.6f)) << c.name;
    }
    const f32 params[2] = {2.5f, 3.0f};
    std::unique_ptr<IEasingCurve> p(factory.CreateCurve(S("params"), true, 2, params));
    EXPECT_EQ(2, s_lastCount);
    EXPECT_EQ(2.5f, s_lastFirst);
}
