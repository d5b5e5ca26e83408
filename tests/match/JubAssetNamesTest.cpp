#include "game/match/JubAssetNames.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out.push_back((char)s.GetAt(i));
    return out;
}

// A resource source that counts references per handle and fails the test on a release of
// a handle it never gave or no longer holds. Handles are addresses of its own tokens; the
// cache never looks behind them.
class CountingSource : public CJubAssetSource
{
public:
    CKetrelSurface* GetImage(const CKetrelString& name) override
    {
        if (missing == Narrow(name))
            return nullptr;
        ++fetches;
        return (CKetrelSurface*)Take(Narrow(name));
    }
    int ReleaseImage(CKetrelSurface** image) override { return Drop((void**)image); }
    IKetrelSoundSource* GetSound(const CKetrelString& name) override
    {
        ++fetches;
        return (IKetrelSoundSource*)Take(Narrow(name));
    }
    int ReleaseSound(IKetrelSoundSource** sound) override { return Drop((void**)sound); }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = nullptr;
        return 0;
    }

    int Held() const
    {
        int total = 0;
        for (const auto& entry : counts)
            total += entry.second;
        return total;
    }
    int Count(const std::string& name) const
    {
        auto it = tokens.find(name);
        return it == tokens.end() ? 0 : counts.at(&it->second);
    }

    int fetches = 0;
    int badReleases = 0;
    std::string missing;

private:
    void* Take(const std::string& name)
    {
        char* token = &tokens[name];
        ++counts[token];
        return token;
    }
    int Drop(void** slot)
    {
        if (!*slot)
            return 1;
        auto it = counts.find((char*)*slot);
        if (it == counts.end() || it->second == 0)
        {
            ++badReleases;
            return 0;
        }
        --it->second;
        *slot = nullptr;
        return 1;
    }
    std::map<std::string, char> tokens;
    std::map<const char*, int> counts;
};
}

TEST(JubAssetNamesTables, SizesAndSpotEntries)
{
    struct Size { int table; int count; };
    const Size sizes[] = {
        {JUB_TABLE_BACKENDS, 4}, {JUB_TABLE_BATTLE_SCENES, 20}, {JUB_TABLE_TRAINING_SCENES, 15},
        {JUB_TABLE_DATA_PACKS, 9}, {JUB_TABLE_FONTS, 1}, {JUB_TABLE_SOUNDS, 24},
        {JUB_TABLE_MUSIC, 2}, {JUB_TABLE_IMAGES, 69}, {JUB_TABLE_HELP_PICTURES, 11},
        {JUB_TABLE_CREDITS, 113}, {JUB_TABLE_COUNT, 0}, {-1, 0},
    };
    for (const Size& s : sizes)
    {
        EXPECT_EQ(s.count, CJubAssetNames::GetCount(s.table)) << "table " << s.table;
        EXPECT_TRUE(CJubAssetNames::Get(s.table, s.count).IsEmpty()) << "table " << s.table;
        EXPECT_TRUE(CJubAssetNames::Get(s.table, -1).IsEmpty()) << "table " << s.table;
        // Every entry but credit spacer lines has a name.
        if (s.table != JUB_TABLE_CREDITS)
        {
            for (int i = 0; i < s.count; ++i)
                EXPECT_FALSE(CJubAssetNames::Get(s.table, i).IsEmpty()) << s.table << "/" << i;
        }
    }

    struct Spot { int table; int index; const char* name; };
    const Spot spots[] = {
        {JUB_TABLE_BACKENDS, 0, "KetrelEngine OpenGL ES 2.0 Extension"},
        {JUB_TABLE_BATTLE_SCENES, 0, "Balconies.scn"},
        {JUB_TABLE_BATTLE_SCENES, 17, "Brix_War.scn"},
        {JUB_TABLE_BATTLE_SCENES, 19, "Underground.scn"},
        {JUB_TABLE_TRAINING_SCENES, 0, "01.scn"},
        {JUB_TABLE_TRAINING_SCENES, 14, "15.scn"},
        {JUB_TABLE_DATA_PACKS, 2, "dataScenes.vad"},
        {JUB_TABLE_DATA_PACKS, 8, "dataIntro.vad"},
        {JUB_TABLE_FONTS, 0, "foo.fnt"},
        {JUB_TABLE_SOUNDS, 9, "venytys01.wav"},
        {JUB_TABLE_SOUNDS, 17, "ambient_common_00.wav"},
        {JUB_TABLE_SOUNDS, 22, "ambient_rare_02.wav"},
        {JUB_TABLE_SOUNDS, 23, "ambient_loop_00.wav"},
        {JUB_TABLE_MUSIC, 1, "GloobIntro.mp3"},
        {JUB_TABLE_IMAGES, 0, "gloobtitlegloob.jpg"},
        {JUB_TABLE_IMAGES, 24, "explosion.png"},
        {JUB_TABLE_IMAGES, 28, "blockstyle01.png"},
        {JUB_TABLE_IMAGES, 34, "Texture_Paper03.png"},
        {JUB_TABLE_IMAGES, 38, "Texture_Ice01.png"},
        {JUB_TABLE_IMAGES, 43, "Texture_Bounce03.png"},
        {JUB_TABLE_IMAGES, 45, "waves.png"},
        {JUB_TABLE_IMAGES, 61, "marker.png"},
        {JUB_TABLE_IMAGES, 68, "zoom_indicator.png"},
        {JUB_TABLE_HELP_PICTURES, 10, "Kuva11.jpg"},
    };
    for (const Spot& s : spots)
        EXPECT_EQ(s.name, Narrow(CJubAssetNames::Get(s.table, s.index))) << s.table << "/" << s.index;
}

TEST(JubAssetCache, FetchesOnceAndAgainAfterRelease)
{
    CountingSource source;
    CJubAssetCache cache;
    EXPECT_EQ(nullptr, cache.GetImage(24));   // no source yet
    cache.SetSource(&source);

    CKetrelSurface* explosion = cache.GetImage(24);
    ASSERT_NE(nullptr, explosion);
    EXPECT_EQ(explosion, cache.GetImage(24));
    EXPECT_EQ(1, source.Count("explosion.png"));
    IKetrelSoundSource* jump = cache.GetSound(6);
    ASSERT_NE(nullptr, jump);
    EXPECT_EQ(jump, cache.GetSound(6));
    EXPECT_EQ(1, source.Count("hyppy01.wav"));
    EXPECT_EQ(2, source.fetches);

    EXPECT_EQ(nullptr, cache.GetImage(69));
    EXPECT_EQ(nullptr, cache.GetImage(-1));
    EXPECT_EQ(nullptr, cache.GetSound(24));

    cache.ReleaseAll();
    EXPECT_EQ(0, source.Held());
    EXPECT_EQ(nullptr, cache.PeekImage(24));
    EXPECT_EQ(nullptr, cache.PeekSound(6));
    cache.ReleaseAll();   // nothing is given back twice
    EXPECT_EQ(0, source.badReleases);

    EXPECT_NE(nullptr, cache.GetImage(24));
    EXPECT_EQ(3, source.fetches);
    EXPECT_EQ(1, source.Held());
}

TEST(JubAssetCache, IntroReleaseAndMissingAssets)
{
    CountingSource source;
    source.missing = "muteon.png";
    CJubAssetCache cache;
    cache.SetSource(&source);
    for (int i = 0; i < JUB_IMAGE_COUNT; ++i)
        cache.GetImage(i);
    EXPECT_EQ(68, source.Held());
    EXPECT_EQ(nullptr, cache.PeekImage(8));

    for (int index : kJubIntroSharedImages)
        cache.ReleaseImage(index);
    EXPECT_EQ(64, source.Held());
    EXPECT_EQ(0, source.Count("exits.png"));
    EXPECT_EQ(1, source.Count("explosion.png"));

    // A missing asset is tried again on its next use.
    source.missing.clear();
    EXPECT_NE(nullptr, cache.GetImage(8));

    // Changing the source gives everything back to the old one.
    CountingSource other;
    cache.SetSource(&other);
    EXPECT_EQ(0, source.Held());
    EXPECT_EQ(0, source.badReleases);
    cache.GetSound(23);
    cache.SetSource(nullptr);
    EXPECT_EQ(0, other.Held());
}

TEST(JubAssetCache, DestructorGivesEverythingBack)
{
    CountingSource source;
    {
        CJubAssetCache cache;
        cache.SetSource(&source);
        cache.GetImage(0);
        cache.GetImage(68);
        cache.GetSound(0);
        cache.GetSound(23);
        EXPECT_EQ(4, source.Held());
    }
    EXPECT_EQ(0, source.Held());
    EXPECT_EQ(0, source.badReleases);
}
