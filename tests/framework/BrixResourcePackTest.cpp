// Packs in the resource manager: the choice by screen size, the ".jet" fallback, which
// pack's file wins, removal, and the raw bytes handed out.
#include "framework/BrixResourceManager.h"

#include "ResourceTestKit.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

struct PackFixture : public ::testing::Test
{
    void SetUp() override
    {
        ASSERT_FALSE(folder.Path().empty());
        manager.Init(&app, nullptr);
    }

    std::string Pack(const std::string& name, const std::vector<TestEntry>& entries)
    {
        const std::string path = folder.File(name);
        EXPECT_TRUE(WriteTestPack(path, entries)) << name;
        return path;
    }

    // The bytes of a file as the manager hands them out; "<none>" when it gives none.
    std::string Data(const char* name)
    {
        char* data = nullptr;
        const i32 size = manager.LoadFileData(CKetrelString(name), &data);
        if (!data)
            return size == 0 ? "<none>" : "<size without data>";
        EXPECT_EQ(0, data[size]) << name << ": no terminating 0";
        std::string out(data, (size_t)size);
        delete[] data;
        return out;
    }

    TestFolder folder;
    TestApp app;
    CBrixResourceManager manager;
};

} // namespace

// Sizes that fit the smaller screen side are tried largest first, then the larger ones
// smallest first.
TEST(BrixResourcePackChoice, PicksTheLargestFittingSizeElseTheSmallestLarger)
{
    struct Case
    {
        const char* name;
        int width, height;
        std::vector<int> present;
        int expected;   // 0: no pack found
    };
    const Case cases[] = {
        {"portrait 320, both", 320, 480, {240, 480}, 240},
        {"portrait 320, only larger", 320, 480, {480}, 480},
        {"landscape side 480", 800, 480, {360, 480, 640}, 480},
        {"side 480, below and above", 480, 800, {360, 640}, 360},
        {"side 200, all larger", 200, 300, {640, 320}, 320},
        {"side 2000, all smaller", 2000, 2400, {240, 1536}, 1536},
        {"only the largest", 480, 800, {1536}, 1536},
        {"exact side 240", 240, 240, {240, 320}, 240},
        {"nothing present", 480, 800, {}, 0},
    };
    TestApp app;
    const std::string dir = app.ProgramFolder();
    ASSERT_FALSE(dir.empty());
    int n = 0;
    for (const Case& c : cases)
    {
        const std::string base = "packchoice" + std::to_string(getpid()) + "_" + std::to_string(n++);
        for (int size : c.present)
            ASSERT_TRUE(WriteTestPack(dir + base + "_" + std::to_string(size) + ".vad",
                                      {{"/probe.txt", std::to_string(size)}}));
        ASSERT_TRUE(app.SetScreen(c.width, c.height));
        CBrixResourceManager manager;
        manager.Init(&app, nullptr);
        CKetrelString name;
        i32 size = -1;
        const int found = manager.FindPackForScreen(Str(base), &name, &size);
        if (c.expected == 0)
        {
            EXPECT_EQ(0, found) << c.name;
            EXPECT_EQ(0, manager.GetMediaPackCount()) << c.name;
        }
        else
        {
            EXPECT_EQ(1, found) << c.name;
            EXPECT_EQ(c.expected, size) << c.name;
            EXPECT_TRUE(name.Equals(Str(base + "_" + std::to_string(c.expected) + ".vad"))) << c.name;
            EXPECT_EQ(1, manager.GetMediaPackCount()) << c.name;
            char* data = nullptr;
            const i32 bytes = manager.LoadFileData(CKetrelString(L"probe.txt"), &data);
            EXPECT_EQ(std::to_string(c.expected), std::string(data ? data : "", bytes > 0 ? bytes : 0))
                << c.name;
            delete[] data;
        }
        for (int s : c.present)
            unlink((dir + base + "_" + std::to_string(s) + ".vad").c_str());
    }
}

// A missing ".vad" opens its ".jet" twin; the twin's path is recorded, and removing
// by the ".vad" name removes it. Only the extension changes, never a folder name.
TEST_F(PackFixture, JetFallbackOpensAndRemovesTheTwin)
{
    Pack("a.jet", {{"/a.txt", "from jet"}});
    ASSERT_EQ(0, mkdir(folder.File("packs.vad").c_str(), 0700));
    Pack("packs.vad/b.jet", {{"/b.txt", "in folder"}});

    const CKetrelString a = Str(folder.File("a.vad"));
    EXPECT_EQ(1, manager.AddMediaPack(a, 1, 0));
    EXPECT_EQ(1, manager.HasMediaPack(Str(folder.File("a.jet"))));
    EXPECT_EQ(0, manager.HasMediaPack(a));
    EXPECT_EQ("from jet", Data("a.txt"));

    EXPECT_EQ(1, manager.AddMediaPack(Str(folder.File("packs.vad/b.vad")), 1, 0));
    EXPECT_EQ(1, manager.HasMediaPack(Str(folder.File("packs.vad/b.jet"))));
    EXPECT_EQ("in folder", Data("b.txt"));

    EXPECT_EQ(1, manager.RemoveMediaPack(a, 1));
    EXPECT_EQ(0, manager.RemoveMediaPack(a, 1));
    EXPECT_EQ("<none>", Data("a.txt"));
    EXPECT_EQ("in folder", Data("b.txt"));
    EXPECT_EQ(1, manager.GetMediaPackCount());
}

TEST_F(PackFixture, PacksThatDoNotOpenAreNotAdded)
{
    struct Case { const char* name; std::string file; bool write; std::string content; };
    const Case cases[] = {
        {"neither file", "none.vad", false, ""},
        {"no twin for another extension", "c.pak", false, ""},
        {"not a pack", "junk.vad", true, "this is not a media pack at all"},
        {"empty file", "empty.vad", true, ""},
    };
    for (const Case& c : cases)
    {
        if (c.write)
        {
            FILE* f = fopen(folder.File(c.file).c_str(), "wb");
            ASSERT_TRUE(f);
            fwrite(c.content.data(), 1, c.content.size(), f);
            fclose(f);
        }
        EXPECT_EQ(0, manager.AddMediaPack(Str(folder.File(c.file)), 1, 0)) << c.name;
    }
    Pack("c.jet", {{"/c.txt", "c"}});
    EXPECT_EQ(0, manager.AddMediaPack(Str(folder.File("c.pak")), 1, 0));
    EXPECT_EQ(0, manager.GetMediaPackCount());
}

// Within a level the first pack that registers a name keeps it; a level-1 pack wins
// over every level-0 pack, and its removal gives the name back.
TEST_F(PackFixture, FirstPackWinsAndTheUpperLevelOverrides)
{
    const std::string first = Pack("first.vad", {{"/gfx/logo.png", "first"}, {"/only1.txt", "1"}});
    const std::string second = Pack("second.vad", {{"/logo.png", "second"}, {"/only2.txt", "2"}});
    const std::string upper = Pack("upper.vad", {{"/ui/logo.png", "upper"}});

    ASSERT_EQ(1, manager.AddMediaPack(Str(first), 1, 0));
    ASSERT_EQ(1, manager.AddMediaPack(Str(second), 1, 0));
    EXPECT_EQ("first", Data("logo.png"));
    EXPECT_EQ("2", Data("only2.txt"));
    EXPECT_EQ("1", Data("only1.txt"));      // reopens the first pack

    ASSERT_EQ(1, manager.AddMediaPack(Str(upper), 1, 7));
    EXPECT_EQ("upper", Data("logo.png"));
    EXPECT_EQ(1, manager.RemoveMediaPack(Str(upper), 1));
    EXPECT_EQ("first", Data("logo.png"));

    // Removing the first level-0 pack drops its names; the second pack's file is
    // not registered under the name it lost.
    EXPECT_EQ(1, manager.RemoveMediaPack(Str(first), 1));
    EXPECT_EQ("<none>", Data("logo.png"));
    EXPECT_EQ("2", Data("only2.txt"));
}

// Names are bare file names; the description itself is no file, and every kind of
// entry hands out its raw bytes.
TEST_F(PackFixture, RawBytesOfEveryKindByBareName)
{
    const std::string wav = MakeWav(100);
    const std::string path = Pack("kinds.vad", {
        {"/vad.meta", MakeMeta(480, 0)},
        {"/levels/one.scn", std::string("v100\0\x01\x02", 7)},
        {"/snd/click.WAV", wav},
        {"/fonts/big.fnt", "<font/>"},
        {"/IMG.PNG", "not decoded here"},
        {"/dir/", "no bare name"},
    });
    ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    struct Case { const char* name; std::string expected; };
    const Case cases[] = {
        {"one.scn", std::string("v100\0\x01\x02", 7)},
        {"click.WAV", wav},
        {"big.fnt", "<font/>"},
        {"IMG.PNG", "not decoded here"},
        {"vad.meta", "<none>"},
        {"levels/one.scn", "<none>"},
        {"", "<none>"},
        {"missing.txt", "<none>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Data(c.name)) << c.name;
}

// Loads that alternate between packs reopen each pack in turn and read the right bytes.
TEST_F(PackFixture, AlternatingLoadsReadTheirOwnPack)
{
    std::vector<TestEntry> a, b;
    for (int i = 0; i < 20; ++i)
    {
        a.push_back({"/a" + std::to_string(i) + ".txt", "A" + std::to_string(i * i)});
        b.push_back({"/b" + std::to_string(i) + ".txt", "B" + std::to_string(i * 3)});
    }
    ASSERT_EQ(1, manager.AddMediaPack(Str(Pack("a.vad", a)), 1, 0));
    ASSERT_EQ(1, manager.AddMediaPack(Str(Pack("b.vad", b)), 1, 1));
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 20; ++i)
        {
            EXPECT_EQ("A" + std::to_string(i * i), Data(("a" + std::to_string(i) + ".txt").c_str()));
            EXPECT_EQ("B" + std::to_string(i * 3), Data(("b" + std::to_string(i) + ".txt").c_str()));
        }
}

// After ReleaseAll nothing is known, surface-sheet rectangles included.
TEST_F(PackFixture, ReleaseAllForgetsEverything)
{
    const std::string sheet =
        "<surfaces image=\"s.png\"><surface name=\"btn\" right=\"4\" bottom=\"4\"/></surfaces>";
    const std::string path = Pack("all.vad", {{"/f.txt", "f"}, {"/s.six", sheet},
                                               {"/s.png", MakeSolidPng(4, 4, 0xFF00FF00)}});
    ASSERT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    CKetrelRectF rect;
    CKetrelSurface* image = manager.GetImage(CKetrelString(L"btn"), &rect);
    ASSERT_NE(nullptr, image);
    manager.ReleaseAll();
    EXPECT_EQ(0, manager.HasMediaPack(Str(path)));
    EXPECT_EQ(0, manager.GetMediaPackCount());
    EXPECT_EQ("<none>", Data("f.txt"));
    EXPECT_EQ(nullptr, manager.GetImage(CKetrelString(L"btn"), &rect));
    EXPECT_EQ(nullptr, manager.GetImage(CKetrelString(L"s.png")));
    // The surface went with everything else; the manager no longer knows it.
    EXPECT_EQ(1, manager.AddMediaPack(Str(path), 1, 0));
    EXPECT_EQ("f", Data("f.txt"));
}
