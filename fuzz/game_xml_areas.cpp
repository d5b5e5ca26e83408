// Size-variant files: arbitrary document bytes are loaded as a screen's variant file,
// then an area is chosen for a few screen sizes and a root is built from it.
#include "UIFuzzKit.h"
#include "ui/GameXMLLoader.h"
#include "ui/Widget.h"

#include <cstring>

namespace
{
// Serves the fuzzer's bytes, as they are, as the one file there is.
class OneFile : public fuzzkit::NullResources
{
public:
    const uint8_t* data = nullptr;
    size_t size = 0;

    i32 ReadResource(const CKetrelString&, u8** out) override
    {
        *out = nullptr;
        if (size == 0)
            return 0;
        *out = new u8[size];
        memcpy(*out, data, size);
        return (i32)size;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    fuzzkit::FuzzUI<OneFile> app;
    app.gameId = 0;
    app.releaseId = 0;
    app.resources.data = data;
    app.resources.size = size;
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
