// What a surface takes from its owner application. Kept in one place so that the
// drawing routines never depend on the application shell's header.
#include "engine/graphics/KetrelPixelFormats.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#if __has_include("engine/KetrelApplication.h")
#include "engine/KetrelApplication.h"
#define KETREL_HAVE_APPLICATION 1
#endif

namespace ketrelpx
{

#ifdef KETREL_HAVE_APPLICATION
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
#else
const u32* OwnerPalette(IKetrelApplication*) { return nullptr; }
const u8* OwnerColorLookup(IKetrelApplication*) { return nullptr; }
int OwnerPixelFormat(IKetrelApplication*) { return 0; }
void* OwnerDisplay(IKetrelApplication*) { return nullptr; }
IKetrelGraphicsContext* OwnerGraphicsContext(IKetrelApplication*) { return nullptr; }
#endif

} // namespace ketrelpx
