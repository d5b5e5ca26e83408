// ui/EasingCurve.cpp
#include "ui/EasingCurve.h"

#include <cmath>

f32 CEasingCurveZero::Evaluate(f32) const { return 0.0f; }
f32 CEasingCurveOne::Evaluate(f32) const { return 1.0f; }
f32 CEasingCurveLinear::Evaluate(f32 t) const { return t; }
f32 CEasingCurveStep::Evaluate(f32 t) const { return t < 0.5f ? 0.0f : 1.0f; }
f32 CEasingCurveSmoothstep::Evaluate(f32 t) const { return (t * t) * (3.0f + t * -2.0f); }
f32 CEasingCurveSmoothstepOut::Evaluate(f32 t) const { return 1.0f + (t * t) * (2.0f * t - 3.0f); }
f32 CEasingCurvePow2::Evaluate(f32 t) const { return t * t; }
f32 CEasingCurvePow3::Evaluate(f32 t) const { return (t * t) * t; }

f32 CEasingCurvePow4::Evaluate(f32 t) const
{
    const f32 s = t * t;
    return s * s;
}

f32 CEasingCurveOneMinusPow4::Evaluate(f32 t) const
{
    const f32 s = t * t;
    return 1.0f - s * s;
}

f32 CEasingCurveOneMinusPow5::Evaluate(f32 t) const
{
    const f32 s = t * t;
    return 1.0f - (s * s) * t;
}

f32 CEasingCurvePow8::Evaluate(f32 t) const
{
    const f32 s = t * t;
    const f32 q = s * s;
    return q * q;
}

f32 CEasingCurveOneMinusPow8::Evaluate(f32 t) const
{
    const f32 s = t * t;
    const f32 q = s * s;
    return 1.0f - q * q;
}

f32 CEasingCurveOneMinusInvertPow4::Evaluate(f32 t) const
{
    const f32 s = (1.0f - t) * (1.0f - t);
    return 1.0f - s * s;
}

// Both halves are scaled so that the curve runs from just below 0 to just above 1,
// with a small step at t = 0.5.
f32 CEasingCurveExpoInOut::Evaluate(f32 t) const
{
    const f32 u = t + t;
    if (u < 1.0f)
        return 0.5f * powf(2.0f, 10.0f * (u - 1.0f)) - 0.0005f;
    return (2.0f - powf(2.0f, -10.0f * (u - 1.0f))) * 0.50025f;
}
