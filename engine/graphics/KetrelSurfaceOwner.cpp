// What a surface takes from its owner application. Kept in one place so that the
// drawing routines never depend on the application shell's header.
#include "engine/graphics/KetrelPixelFormats.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#include "engine/KetrelApplication.h"

namespace ketrelpx
{

const u32* OwnerPalette(IKetrelApplication* owner)
{
    if (!owner)
        return nullptr;
    owner->GetColorLookup();   // builds the default palette on first use
    return owner->GetPalette();
}
const u8* OwnerColorLookup(IKetrelApplication* owner)
{
    return owner ? owner->GetColorLookup() : nullptr;
}
int OwnerPixelFormat(IKetrelApplication* owner) { return owner ? owner->GetPixelFormat() : 0; }
void* OwnerDisplay(IKetrelApplication* owner) { return owner ? (void*)owner->GetDisplay() : nullptr; }
IKetrelGraphicsContext* OwnerGraphicsContext(IKetrelApplication* owner)
{
    return owner ? owner->GetGraphicsContext() : nullptr;
}

} // namespace ketrelpx
