#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "framework/BrixResourceManager.h"
#include "game/match/JubPhysicsWorld.h"
#include "game/match/JubResourceSource.h"
#include "game/match/JubScene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
std::vector<u8> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<u8>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}

// A battle scene read from the scenes pack by its bare name, as the match loads it.
TEST(JubResourceSource, LevelFromAPackThroughTheManager)
{
    std::vector<u8> level =
        ReadFile(std::string(KETREL_BINARY_DIR) + "/main/Old_Mill.scn");
    ASSERT_GT(level.size(), 122u);

    char pattern[] = "/tmp/jubsource.XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::string pack = dir + "/dataScenes.vad";
    CKetrelMediaPackWriter writer;
    ASSERT_EQ(KE_OK, writer.AddEntry(CKetrelString("scenes/Old_Mill.scn"), level.data(),
                                     (u32)level.size()));
    ASSERT_EQ(KE_OK, writer.Write(CKetrelString(pack.c_str())));

    CBrixResourceManager manager;
    manager.Init(nullptr, nullptr);
    ASSERT_EQ(1, manager.AddMediaPack(CKetrelString(pack.c_str()), 1, 0));
    CJubResourceSource source(&manager);

    CJubPhysicsWorld world;
    world.SetStep(1.0f / 30.0f, 4);
    CJubCamera camera;
    CJubScene scene;
    scene.Init(&source, &camera, &world, 0);
    ASSERT_EQ(KE_OK, scene.LoadFromMemory(CKetrelString("Old_Mill.scn")));
    EXPECT_GT(scene.GetBlocks()->GetCount(), 0);
    CKetrelArray<u8> written;
    scene.WriteLevel(written);
    EXPECT_TRUE(std::equal(level.begin() + 121, level.end(), written.GetData() + 121));

    EXPECT_EQ(0, scene.LoadFromMemory(CKetrelString("Nowhere.scn")));
    EXPECT_EQ(nullptr, source.GetImage(CKetrelString("marker.png")));
    CKetrelSurface* none = nullptr;
    EXPECT_EQ(1, source.ReleaseImage(&none));

    CJubResourceSource empty(nullptr);
    u8* data = nullptr;
    EXPECT_EQ(0, empty.ReadResource(CKetrelString("Old_Mill.scn"), &data));
    EXPECT_EQ(nullptr, data);
    std::system(("rm -rf '" + dir + "'").c_str());
}
