#pragma once
// ui/EasingCurve.h: easing curves map a normalised time t to a normalised progress.
// Single-precision formulas evaluated in the order written; t is not clamped, so
// values outside 0..1 follow the same formulas.
#include "engine/KetrelTypes.h"

class IEasingCurve
{
public:
    virtual ~IEasingCurve() {}
    virtual f32 Evaluate(f32 t) const = 0;
    virtual bool IsValid() const = 0;
    // A new curve of the same class; the caller owns it.
    virtual IEasingCurve* Clone() const = 0;
};

#define UI_EASING_CURVE(name)                                                 \
    class name : public IEasingCurve                                          \
    {                                                                         \
    public:                                                                   \
        f32 Evaluate(f32 t) const override;                                   \
        bool IsValid() const override { return true; }                        \
        IEasingCurve* Clone() const override { return new name(); }           \
    };

UI_EASING_CURVE(CEasingCurveZero)               // 0
UI_EASING_CURVE(CEasingCurveOne)                // 1
UI_EASING_CURVE(CEasingCurveLinear)             // t
UI_EASING_CURVE(CEasingCurveStep)               // 0 below 0.5, else 1 (NaN gives 1)
UI_EASING_CURVE(CEasingCurveSmoothstep)         // t^2 (3 - 2t)
UI_EASING_CURVE(CEasingCurveSmoothstepOut)      // 1 - smoothstep
UI_EASING_CURVE(CEasingCurvePow2)               // t^2
UI_EASING_CURVE(CEasingCurvePow3)               // t^3
UI_EASING_CURVE(CEasingCurvePow4)               // t^4
UI_EASING_CURVE(CEasingCurveOneMinusPow4)       // 1 - t^4
UI_EASING_CURVE(CEasingCurveOneMinusPow5)       // 1 - t^5
UI_EASING_CURVE(CEasingCurvePow8)               // t^8
UI_EASING_CURVE(CEasingCurveOneMinusPow8)       // 1 - t^8
UI_EASING_CURVE(CEasingCurveOneMinusInvertPow4) // 1 - (1 - t)^4
UI_EASING_CURVE(CEasingCurveExpoInOut)          // exponential in and out, see the .cpp

#undef UI_EASING_CURVE
