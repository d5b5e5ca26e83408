#include "engine/graphics/KetrelGraphicsContext.h"

IKetrelGraphicsContext::~IKetrelGraphicsContext() {}

int IKetrelGraphicsContext::GetPixelFormat() const { return 0; }

void IKetrelGraphicsContext::SetClipRect(const CKetrelRect*) {}

void IKetrelGraphicsContext::GetClipRect(CKetrelRect* out) const
{
    if (out)
        out->Set(0, 0, GetWidth(), GetHeight());
}
