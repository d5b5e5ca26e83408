// Level files (".scn") read from disk and through the resources. A level that was read
// must also write out, read back and write out again to the same bytes.
#include "game/match/JubAssetNames.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubScene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{
class BytesSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString&) override { return nullptr; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** out) override
    {
        *out = nullptr;
        if (size == 0)
            return 0;
        *out = new u8[size];
        std::memcpy(*out, data, size);
        return (i32)size;
    }
    const u8* data = nullptr;
    size_t size = 0;
};

bool SameBytes(const CKetrelArray<u8>& a, const CKetrelArray<u8>& b)
{
    return a.GetCount() == b.GetCount()
        && (a.GetCount() == 0 || std::memcmp(a.GetData(), b.GetData(), (size_t)a.GetCount()) == 0);
}
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static const std::string path = "/tmp/fuzz_scene_file." + std::to_string(getpid()) + ".scn";

    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubCamera camera;
    BytesSource source;
    source.data = data;
    source.size = size;
    CJubScene scene;
    scene.Init(&source, &camera, &world, 0);

    scene.LoadFromMemory(CKetrelString("Fuzz_Level.scn"));
    scene.Update(1.0f / 30.0f);
    scene.FindColumnBlocks();

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file)
    {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        scene.Load(CKetrelString(path.c_str()));
        std::remove(path.c_str());
    }

    CKetrelArray<u8> first;
    scene.WriteLevel(first);
    CJubScene again;
    again.Init(nullptr, &camera, &world, 0);
    again.ParseLevel(first.GetData(), first.GetCount(), false);
    CKetrelArray<u8> second;
    again.WriteLevel(second);
    if (!SameBytes(first, second))
        std::abort();
    return 0;
}
