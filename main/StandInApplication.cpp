// TEMPORARY stand-in for the game's application factory: a minimal application
// that opens the window and clears it every frame, so that the executable runs
// before the game shell exists. It is deleted, not kept, when the real factory
// lands.
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "main/ApplicationFactory.h"

namespace
{

class CStandInApplication : public IKetrelApplication
{
public:
    int OnCreate() override
    {
        SetFramePacing(1, 16);           // about 60 frames a second, not a busy loop
        return KE_OK;
    }
    void OnFrame() override
    {
        GetGraphicsContext()->FillRect(0xFF203040, nullptr);
    }
};

} // namespace

IKetrelApplication* CreateApplication(u32 argument)
{
    CStandInApplication* application = new CStandInApplication();
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    int result = application->Create((i32)argument, &mode);
    if (result != KE_OK)
    {
        IKetrelApplication::SetLastCreateResult(result);
        delete application;
        return nullptr;
    }
    return application;
}
