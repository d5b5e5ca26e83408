// fuzz/resource_packs.cpp: adds a pack made of hostile bytes (its directory, its
// "vad.meta", its surface sheets and its entry sizes) to the resource manager and
// fetches every image, font and raw file it registers (sounds are left to the sound
// decoder's own target: they need a sound device). The first byte picks the scope level (bit 0)
// and a portrait or landscape screen (bit 1), so that design sizes scale images.
#include "engine/KetrelApplication.h"
#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixMediaPackMeta.h"
#include "framework/BrixResourceManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

class FuzzApp : public IKetrelApplication
{
public:
    void OnFrame() override {}
    void SetScreen(i32 width, i32 height)
    {
        CKetrelSurfaceDesc desc = {width, height, 0, 7, 0, 4};
        GetBackBuffer()->Create(this, &desc);
    }
};

// Without a display the shell draws in software, on a target whose size is set here.
FuzzApp* App()
{
    static FuzzApp* app = (unsetenv("DISPLAY"), new FuzzApp());
    return app;
}

void FetchImage(CBrixResourceManager& manager, const CKetrelString& name)
{
    CKetrelRectF rect;
    CKetrelSurface* withRect = manager.GetImage(name, &rect);
    CKetrelSurface* plain = manager.GetImage(name);
    manager.ReleaseImage(&withRect);
    manager.ReleaseImage(&plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const std::string path = "/tmp/fuzz_resource_packs_" + std::to_string(getpid()) + ".vad";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data + 1, 1, size - 1, file);
    fclose(file);

    FuzzApp* app = App();
    if (data[0] & 2)
        app->SetScreen(640, 360);
    else
        app->SetScreen(240, 400);
    CBrixResourceManager manager;
    manager.Init(app, nullptr);
    const CKetrelString packPath(path.c_str());
    if (manager.AddMediaPack(packPath, 1, data[0] & 1))
    {
        // The names to ask for: every entry's bare name and every sheet surface.
        CKetrelMediaPack pack;
        if (pack.Open(packPath, CKetrelString()) == KE_OK)
        {
            CKetrelString bare, ext;
            for (i32 i = 0; i < pack.GetEntryCount() && i < 256; ++i)
            {
                BrixBareFileName(pack.GetEntryAt(i)->GetName(), bare);
                BrixFileExtension(pack.GetEntryAt(i)->GetName(), ext);
                FetchImage(manager, bare);
                CKetrelBitmapFont* font = manager.GetFont(bare);
                manager.ReleaseFont(&font);
                char* bytes = nullptr;
                manager.LoadFileData(bare, &bytes);
                delete[] bytes;
                if (ext.CompareNoCase(CKetrelString(L"six")) == 0)
                {
                    CBrixSurfaceSheet sheet;
                    sheet.Read(&pack, i);
                    for (i32 s = 0; s < sheet.GetCount() && s < 64; ++s)
                        FetchImage(manager, sheet.GetAt(s).name);
                }
            }
        }
        manager.RemoveMediaPack(packPath, 1);
    }
    manager.ReleaseAll();
    return 0;
}
