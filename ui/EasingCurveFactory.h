#pragma once
// ui/EasingCurveFactory.h: curves by name, as UI documents name them.
#include "engine/KetrelHashedString.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IEasingCurve;

// A creator gets the curve parameters read from the document (count of them, and
// the values); the built-in ones ignore them. Returns a new curve or null.
typedef IEasingCurve* (*CEasingCurveCreator)(i32 count, const f32* parameters);

class CEasingCurveFactory
{
public:
    CEasingCurveFactory() {}
    ~CEasingCurveFactory() { m_creators.RemoveAll(); }

    // Registers "none" (makes nothing), "zero", "one", "linear", "step", "smoothstep",
    // "smoothstep_out", "pow2", "pow3", "pow4", "one_minus_pow4", "one_minus_pow5",
    // "pow8", "one_minus_pow8", "one_minus_invert_pow4" and "expo_inout", each only
    // when its name is free. 1.
    int Init();
    // 1 added, 0 when the name is taken or the creator null.
    int Register(const CKetrelString& name, CEasingCurveCreator creator);
    // Never null; the caller owns the curve. An unknown name, a creator that makes
    // nothing and (with requireValid) an invalid curve all give a "step" curve.
    IEasingCurve* CreateCurve(const CKetrelString& name, bool requireValid, i32 count,
                              const f32* parameters) const;
    void Clear() { m_creators.RemoveAll(); }
    i32 GetCount() const { return m_creators.GetCount(); }

private:
    CEasingCurveFactory(const CEasingCurveFactory&) = delete;
    CEasingCurveFactory& operator=(const CEasingCurveFactory&) = delete;

    CKetrelMap<CKetrelHashedString, CEasingCurveCreator> m_creators;
};
