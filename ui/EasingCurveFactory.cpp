// ui/EasingCurveFactory.cpp
#include "ui/EasingCurveFactory.h"

#include "engine/KetrelResult.h"
#include "ui/EasingCurve.h"

namespace
{
template <class C>
IEasingCurve* Make(i32, const f32*)
{
    return new C();
}

IEasingCurve* MakeNothing(i32, const f32*) { return nullptr; }

struct Entry
{
    const char* name;
    CEasingCurveCreator creator;
};

const Entry kBuiltIn[] = {
    {"none", &MakeNothing},
    {"zero", &Make<CEasingCurveZero>},
    {"one", &Make<CEasingCurveOne>},
    {"linear", &Make<CEasingCurveLinear>},
    {"step", &Make<CEasingCurveStep>},
    {"smoothstep", &Make<CEasingCurveSmoothstep>},
    {"smoothstep_out", &Make<CEasingCurveSmoothstepOut>},
    {"pow2", &Make<CEasingCurvePow2>},
    {"pow3", &Make<CEasingCurvePow3>},
    {"pow4", &Make<CEasingCurvePow4>},
    {"one_minus_pow4", &Make<CEasingCurveOneMinusPow4>},
    {"one_minus_pow5", &Make<CEasingCurveOneMinusPow5>},
    {"pow8", &Make<CEasingCurvePow8>},
    {"one_minus_pow8", &Make<CEasingCurveOneMinusPow8>},
    {"one_minus_invert_pow4", &Make<CEasingCurveOneMinusInvertPow4>},
    {"expo_inout", &Make<CEasingCurveExpoInOut>},
};
}  // namespace

int CEasingCurveFactory::Init()
{
    for (const Entry& e : kBuiltIn)
        Register(CKetrelString(e.name), e.creator);
    return KE_OK;
}

int CEasingCurveFactory::Register(const CKetrelString& name, CEasingCurveCreator creator)
{
    if (!creator)
        return 0;
    CKetrelMap<CKetrelHashedString, CEasingCurveCreator>::Pair pair = {
        CKetrelHashedString(name), creator};
    return m_creators.AddPair(pair);
}

IEasingCurve* CEasingCurveFactory::CreateCurve(const CKetrelString& name, bool requireValid,
                                               i32 count, const f32* parameters) const
{
    const i32 index = m_creators.Find(CKetrelHashedString(name));
    if (index < 0)
        return new CEasingCurveStep();
    IEasingCurve* curve = m_creators.ElementAt(index)->value(count < 0 ? 0 : count, parameters);
    if (!curve)
        return new CEasingCurveStep();
    if (requireValid && !curve->IsValid())
    {
        delete curve;
        return new CEasingCurveStep();
    }
    return curve;
}
