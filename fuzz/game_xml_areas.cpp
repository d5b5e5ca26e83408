// Size-variant files: arbitrary document bytes are loaded as a screen's variant file,
// then an area is chosen for a few screen sizes and a root is built from it.
#include "ui/GameXMLLoader.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

#include <cstring>

namespace
{
// Serves the fuzzer's bytes as the one file there is.
class OneFile : public IUIResourceManager, public IUIApplication
{
public:
    const uint8_t* data = nullptr;
    size_t size = 0;

    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** out) override
    {
        *out = nullptr;
        if (size == 0)
            return 0;
        *out = new u8[size];
        memcpy(*out, data, size);
        return (i32)size;
    }

    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return this; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 0; }
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    OneFile app;
    app.data = data;
    app.size = size;
    CGameXMLLoader loader;
    loader.Init(&app, nullptr, nullptr);
    if (loader.LoadFile(CKetrelString("menu_root.xml")) == 1)
    {
        static const i32 sizes[][2] = {{800, 480}, {480, 800}, {1024, 600}, {600, 600}, {1, 9999}};
        for (const auto& s : sizes)
            loader.FindBestArea(s[0], s[1]);
        CWidget::Destroy(loader.CreateRootWidget(800, 480, nullptr));
    }
    loader.Unload();
    return 0;
}
