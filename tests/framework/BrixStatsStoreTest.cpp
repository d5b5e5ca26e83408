#include "FrameworkTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixStatsStore.h"

#include <gtest/gtest.h>

namespace
{
std::string U32(u32 v) { return std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; }
std::string U16(u16 v) { return std::string{(char)v, (char)(v >> 8)}; }
std::string Name(const std::string& ascii) { return U32((u32)ascii.size()) + Utf16(ascii); }

std::string Saved(const CBrixStatsStore& store)
{
    u8* bytes = nullptr;
    u32 size = 0;
    EXPECT_EQ(KE_OK, store.SaveToMemory(&bytes, &size));
    std::string out((const char*)bytes, size);
    delete[] bytes;
    return out;
}

int Load(CBrixStatsStore& store, const std::string& bytes)
{
    return store.LoadFromMemory((const u8*)bytes.data(), (u32)bytes.size());
}

CBrixStatsEntry* Set(CBrixStatsStore& store, const char* name)
{
    CBrixStatsEntry* e = store.FindEntry(Str(name));
    return e ? e : store.AddEntry(Str(name));
}

// A store with one entry of every type, an empty text and a duplicate name.
void FillSample(CBrixStatsStore& store)
{
    Set(store, "volume")->SetInt(-7);
    Set(store, "flag")->SetBool(0x12345678);
    Set(store, "who")->SetString(CKetrelString(L"M\u00e4ki \u263a"));
    Set(store, "empty")->SetString(CKetrelString());
    store.AddEntry(Str("volume"))->SetInt(3);
}
}

// The bytes of the file are fixed: other builds and older stores read them.
TEST(BrixStatsStoreFile, ExactBytesAndEmptyNamesSkipped)
{
    CBrixStatsStore store;
    store.AddEntry(Str("a"))->SetInt(5);
    store.AddEntry(CKetrelString())->SetBool(1);
    const std::string expected = U32(1) + U32(1) + Name("a") + U16(0) + U32(5);
    EXPECT_EQ(expected, Saved(store));

    CBrixStatsStore text;
    text.AddEntry(Str("t"))->SetString(CKetrelString());
    EXPECT_EQ(U32(1) + U32(1) + Name("t") + U16(2) + U32(0), Saved(text));
}

TEST(BrixStatsStoreFile, RoundTripKeepsOrderTypesAndDuplicates)
{
    CBrixStatsStore store;
    FillSample(store);
    const std::string bytes = Saved(store);
    CBrixStatsStore loaded;
    ASSERT_EQ(KE_OK, Load(loaded, bytes));
    ASSERT_EQ(5, loaded.GetCount());
    EXPECT_EQ(-7, loaded.FindEntry(Str("volume"))->intValue);   // the earlier one
    EXPECT_EQ(3, loaded.GetAt(4)->intValue);
    EXPECT_EQ(0x12345678u, loaded.FindEntry(Str("flag"))->boolValue);
    EXPECT_TRUE(loaded.FindEntry(Str("who"))->textValue.Equals(CKetrelString(L"M\u00e4ki \u263a")));
    EXPECT_EQ(bytes, Saved(loaded));
}

TEST(BrixStatsStoreFile, SettersKeepOnlyTheirOwnField)
{
    CBrixStatsEntry e;
    e.SetInt(9);
    e.SetBool(1);
    EXPECT_EQ(BRIX_STAT_BOOL, e.type);
    EXPECT_EQ(0, e.intValue);
    e.SetString(Str("x"));
    EXPECT_EQ(0u, e.boolValue);
    e.SetRawValue(4);
    EXPECT_TRUE(e.textValue.IsEmpty());
}

// Hostile files: each case edits a good file. The store must never read past the data.
TEST(BrixStatsStoreFile, MalformedFiles)
{
    const std::string good = U32(1) + U32(2) + Name("a") + U16(0) + U32(5) + Name("b") + U16(2) +
                             U32(2) + Utf16("hi");
    struct Case
    {
        const char* name;
        std::string bytes;
        int rc;
        int entries;   // after the load; -1: the store keeps its one old entry
    };
    const Case cases[] = {
        {"good", good, KE_OK, 2},
        {"empty file", "", KE_ERR_FORMAT, -1},
        {"version 2", U32(2) + good.substr(4), KE_ERR_NO_FORMAT, -1},
        {"count 0", U32(1) + U32(0), KE_OK, 0},
        {"negative count", U32(1) + U32(0xFFFFFFFF) + good.substr(8), KE_OK, 0},
        {"count one too many", U32(1) + U32(3) + good.substr(8), KE_ERR_FORMAT, 2},
        {"name length 0xFFFFFFFF", U32(1) + U32(1) + U32(0xFFFFFFFF) + "ab", KE_ERR_FORMAT, 0},
        {"name past the end", U32(1) + U32(1) + U32(3) + Utf16("ab"), KE_ERR_FORMAT, 0},
        {"text length huge", good.substr(0, 30) + U32(0x7FFFFFFF) + Utf16("hi"), KE_ERR_FORMAT, 1},
        {"type 7 then a record", U32(1) + U32(2) + Name("x") + U16(7) + Name("a") + U16(0) + U32(5),
         KE_OK, 2},
        {"value cut short", good.substr(0, good.size() - 1), KE_ERR_FORMAT, 1},
    };
    for (const Case& c : cases)
    {
        CBrixStatsStore store;
        store.AddEntry(Str("old"))->SetInt(1);
        EXPECT_EQ(c.rc, Load(store, c.bytes)) << c.name;
        if (c.entries < 0)
        {
            ASSERT_EQ(1, store.GetCount()) << c.name;
            EXPECT_NE(nullptr, store.FindEntry(Str("old"))) << c.name;
        }
        else
            EXPECT_EQ(c.entries, store.GetCount()) << c.name;
    }
    // A type-7 record reads as the integer 0 and the next record is found.
    CBrixStatsStore store;
    Load(store, cases[9].bytes);
    EXPECT_EQ(BRIX_STAT_INT, store.FindEntry(Str("x"))->type);
    EXPECT_EQ(5, store.FindEntry(Str("a"))->intValue);
    // Every prefix of a good file loads without reading beyond it (checked under ASan).
    for (size_t n = 0; n < good.size(); ++n)
    {
        std::string prefix = good.substr(0, n);
        CBrixStatsStore s;
        EXPECT_NE(KE_OK, s.LoadFromMemory((const u8*)prefix.data(), (u32)n)) << n;
    }
}

TEST(BrixStatsStoreDisk, SaveLoadAndMissingFile)
{
    UserDataApp app;
    CBrixStatsStore store;
    EXPECT_EQ(KE_OK, store.Init(&app));
    EXPECT_EQ(KE_ERR_OPEN, store.Load());
    FillSample(store);
    ASSERT_EQ(KE_OK, store.Save());
    EXPECT_EQ(Saved(store), ReadFileBytes(app.UserFile("stats.dat")));
    EXPECT_EQ("", ReadFileBytes(app.UserFile("stats.dat.tmp")));

    CBrixStatsStore again;
    again.Init(&app);
    EXPECT_EQ(5, again.GetCount());
}

// A kill at any step of a save leaves the old file or the new one, never a part.
TEST(BrixStatsStoreDisk, KillDuringSaveKeepsOldOrNew)
{
    UserDataApp app;
    CBrixStatsStore old;
    old.Init(&app);
    FillSample(old);
    ASSERT_EQ(KE_OK, old.Save());
    const std::string oldBytes = ReadFileBytes(app.UserFile("stats.dat"));

    CBrixStatsStore fresh;
    fresh.Init(&app);
    char name[32];
    for (int i = 0; i < 600; ++i)   // several write chunks
    {
        snprintf(name, sizeof name, "scene_%d_cleared", i);
        fresh.AddEntry(Str(name))->SetBool(1);
    }
    const std::string newBytes = Saved(fresh);
    bool sawNew = false;
    const int killed = KillAtEveryWriteStep([&] { fresh.Save(); },
        [&](int step) {
            const std::string now = ReadFileBytes(app.UserFile("stats.dat"));
            EXPECT_TRUE(now == oldBytes || now == newBytes) << "killed at step " << step;
            sawNew = sawNew || now == newBytes;
            CBrixStatsStore check;
            check.Init(&app);
            EXPECT_GT(check.GetCount(), 0) << step;
        });
    EXPECT_GE(killed, 6);   // open, at least three chunks, flush, close, rename
    EXPECT_TRUE(sawNew);
}

TEST(BrixStartupSettings, KeysClampedAndDefaulted)
{
    struct Case
    {
        const char* name;
        std::function<void(CBrixStatsStore&)> seed;
        i32 soundVolume, musicVolume, launched;
        u32 vibrations;
        const wchar_t* theme;
    };
    const Case cases[] = {
        {"first launch", [](CBrixStatsStore&) {}, 80, 80, 1, 1, L"tolvane-white"},
        {"old negative scale", [](CBrixStatsStore& s) {
             Set(s, "__Brix_Sounds_Volume")->SetInt(-5000);
             Set(s, "__Brix_Music_Volume")->SetInt(-10000); }, 50, 0, 1, 1, L"tolvane-white"},
        {"above 100 and far below", [](CBrixStatsStore& s) {
             Set(s, "__Brix_Sounds_Volume")->SetInt(120);
             Set(s, "__Brix_Music_Volume")->SetInt(-2000000000); }, 100, 0, 1, 1, L"tolvane-white"},
        {"stored values", [](CBrixStatsStore& s) {
             Set(s, "__Brix_Sounds_Volume")->SetInt(33);
             Set(s, "__Brix_Vibrations")->SetBool(0);
             Set(s, "__Brix_TimesLaunched")->SetInt(4);
             Set(s, "__Brix_ThemeName")->SetString(Str("dark")); }, 33, 80, 5, 0, L"dark"},
        {"wrong types get defaults", [](CBrixStatsStore& s) {
             Set(s, "__Brix_Sounds_Volume")->SetString(Str("loud"));
             Set(s, "__Brix_Vibrations")->SetInt(0);
             Set(s, "__Brix_ThemeName")->SetInt(3);
             Set(s, "__Brix_TimesLaunched")->SetInt(-9); }, 80, 80, 1, 1, L"tolvane-white"},
        {"count saturates", [](CBrixStatsStore& s) {
             Set(s, "__Brix_TimesLaunched")->SetInt(2147483647); }, 80, 80, 2147483647, 1,
         L"tolvane-white"},
    };
    for (const Case& c : cases)
    {
        CBrixStatsStore store;
        c.seed(store);
        CBrixStartupSettings s;
        BrixPrepareStartupSettings(store, 0, s);
        EXPECT_EQ(c.soundVolume, s.soundVolume) << c.name;
        EXPECT_EQ(c.musicVolume, s.musicVolume) << c.name;
        EXPECT_EQ(c.launched, s.timesLaunched) << c.name;
        EXPECT_EQ(c.vibrations, s.vibrations) << c.name;
        EXPECT_TRUE(s.themeName.Equals(CKetrelString(c.theme))) << c.name;
        // What was applied is what is stored, under the key's own type.
        EXPECT_EQ(c.soundVolume, store.FindEntry(Str("__Brix_Sounds_Volume"))->intValue) << c.name;
        EXPECT_EQ(BRIX_STAT_BOOL, store.FindEntry(Str("__Brix_Vibrations"))->type) << c.name;
        for (const char* key : {"__Brix_Sounds_Mute", "__Brix_Music_Mute", "__Brix_NotificationFilter"})
            EXPECT_NE(nullptr, store.FindEntry(Str(key))) << c.name << " " << key;
    }
}

// Launches counted across saved stores; the device id made once and kept.
TEST(BrixStartupSettings, LaunchCountAndDeviceIdPersist)
{
    UserDataApp app;
    CKetrelString firstId;
    for (int launch = 1; launch <= 3; ++launch)
    {
        CBrixStatsStore store;
        store.Init(&app);
        CBrixStartupSettings s;
        BrixPrepareStartupSettings(store, 0, s);
        EXPECT_EQ(launch, s.timesLaunched);
        CKetrelString id;
        BrixResolveDeviceId(store, id);
        if (launch == 1)
            firstId = id;
        EXPECT_TRUE(id.Equals(firstId)) << launch;
        ASSERT_EQ(KE_OK, store.Save());
    }
    // The handset's own id wins and stores nothing.
    CBrixStatsStore store;
    CKetrelString imei(Str("350000000000001"));
    BrixResolveDeviceId(store, imei);
    EXPECT_TRUE(imei.Equals(Str("350000000000001")));
    EXPECT_EQ(nullptr, store.FindEntry(Str("__Brix_UID")));
}

TEST(BrixStartupSettings, DeviceIdForm)
{
    CKetrelString a, b;
    BrixMakeDeviceId(a);
    BrixMakeDeviceId(b);
    ASSERT_EQ(34, a.GetLength());
    EXPECT_EQ(1, a.StartsWith(Str("f0")));
    EXPECT_EQ('0', a.GetAt(32));
    EXPECT_EQ('f', a.GetAt(33));
    for (int i = 0; i < 34; ++i)
    {
        u16 ch = a.GetAt(i);
        EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f')) << i;
    }
    EXPECT_FALSE(a.Equals(b));
    // The two runs of 15 digits are drawn independently.
    EXPECT_FALSE(CKetrelString(a, 2, 15).Equals(CKetrelString(a, 17, 15)));
}
