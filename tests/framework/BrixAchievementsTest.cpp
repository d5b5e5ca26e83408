#include "FrameworkTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixAchievements.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
std::string U32(u32 v) { return std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; }
std::string U16(u16 v) { return std::string{(char)v, (char)(v >> 8)}; }
std::string Record(u32 id, u16 y, u16 mo, u16 d, u16 h, u16 mi, u16 s)
{
    return U32(id) + U16(y) + U16(mo) + U16(d) + U16(h) + U16(mi) + U16(s);
}

std::string Utf8Of(const CKetrelString& s)
{
    std::vector<char> utf(s.ToUTF8(nullptr));
    s.ToUTF8(utf.data());
    return utf.data();
}

const std::string kDefinitions =
    "achievement 3 {\n  name \"First blood\"\n  description \"Win a match\"\n  surfaceName \"ach3.png\"\n}\n"
    "achievement 7 { name \"Seven\" description \"Sink 7\" }\n";

// A station whose pack and user data folder are our own.
struct Station
{
    UserDataApp app;
    TestFolder folder;
    CBrixAchievementStation station;

    int Init(const std::string& text, std::vector<TestEntry> extra = {})
    {
        std::vector<TestEntry> entries = {{"/ach_EN.txt", Utf16(text, true)}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        WriteTestPack(folder.File("achievements.vad"), entries);
        return station.Init(&app, 64, Str(folder.File("achievements.vad")));
    }
    CBrixAchievementList* List() { return station.GetCurrentList(); }
    std::string State() { return ReadFileBytes(app.UserFile("ach.dat")); }
};

std::vector<std::string> Names(CBrixAchievementStation& station, const std::string& text, bool bom = false)
{
    station.GetCurrentList()->ClearAchievements();
    const std::string bytes = Utf16(text, bom);
    station.ParseDefinitions((const u8*)bytes.data(), (u32)bytes.size());
    std::vector<std::string> out;
    CBrixAchievementList* list = station.GetCurrentList();
    for (i32 i = 0; i < list->GetCount(); ++i)
        out.push_back(std::to_string(list->GetAt(i)->GetId()) + ":" + Utf8Of(list->GetAt(i)->GetName()));
    return out;
}
}

TEST(BrixAchievementText, Definitions)
{
    typedef std::vector<std::string> Names_;
    struct Case { const char* name; std::string text; Names_ expect; };
    const Case cases[] = {
        {"two definitions", kDefinitions, {"3:First blood", "7:Seven"}},
        {"CR LF lines", "achievement 1\r\n{\r\nname \"A\"\r\n}\r\n", {"1:A"}},
        {"second token not a brace", "achievement 1 name \"A\" achievement 2 { name \"B\" }", {"2:B"}},
        {"nested block hides its name", "achievement 1 { { name \"Hidden\" } name \"Shown\" }", {"1:Shown"}},
        {"empty name adds nothing", "achievement 1 { description \"x\" } achievement 2 { name \"B\" }", {"2:B"}},
        {"top-level block skipped", "{ achievement 1 { name \"A\" } } achievement 2 { name \"B\" }", {"2:B"}},
        {"other top-level tokens", "hello 5 achievement 4 { name \"D\" } }", {"4:D"}},
        {"quote never closed", "achievement 1 { name \"Open", {"1:Open"}},
        {"definition never closed", "achievement 9 { name \"N\"", {"9:N"}},
        {"number after the text", "achievement x12 { name \"A\" }", {"12:A"}},
        {"no number", "achievement", {}},
        {"spaces in values", "achievement 5 { name \"a b  c\" }", {"5:a b  c"}},
    };
    Station s;
    EXPECT_EQ(KE_OK, s.Init(""));
    for (const Case& c : cases)
        EXPECT_EQ(c.expect, Names(s.station, c.text)) << c.name;
    EXPECT_EQ(Names(s.station, kDefinitions, false), Names(s.station, kDefinitions, true));
    const CBrixAchievement* a = s.List()->FindById(3);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ("Win a match", Utf8Of(a->GetDescription()));
    EXPECT_EQ("ach3.png", Utf8Of(a->GetIconName()));
    EXPECT_EQ(1, a->HasIcon());
    EXPECT_EQ(0, a->IsUnlocked());
}

// The 24-byte example: only unlocked achievements with a name are written.
TEST(BrixAchievementState, SaveWritesUnlockedNamedOnly)
{
    Station s;
    ASSERT_EQ(KE_OK, s.Init(""));
    CBrixAchievementList* list = s.List();
    list->AddAchievement(3, CKetrelString(), Str("d"), 1);
    CBrixAchievement* seven = list->AddAchievement(7, Str("Seven"), Str("d"), 1);
    list->AddAchievement(9, Str("Locked"), Str("d"), 0);
    CKetrelDateTime t;
    t.SetYear(2010);
    t.SetMonth(4);
    t.SetDay(17);
    t.SetHour(13);
    t.SetMinute(5);
    t.SetSecond(59);
    seven->SetUnlockTime(t);
    ASSERT_EQ(KE_OK, s.station.Save());
    const std::string expected = U32(1) + U32(1) + Record(7, 2010, 4, 17, 13, 5, 59);
    EXPECT_EQ(24u, expected.size());
    EXPECT_EQ(expected, s.State());
}

TEST(BrixAchievementState, LoadRecords)
{
    struct Case { const char* name; std::string bytes; int rc; i32 unlocked7; i32 year, month, day; };
    const Case cases[] = {
        {"plain", U32(1) + U32(1) + Record(7, 2011, 1, 28, 0, 0, 0), KE_OK, 1, 2011, 1, 28},
        {"unknown id skipped", U32(1) + U32(2) + Record(99, 1, 1, 1, 1, 1, 1) + Record(7, 2012, 0, 1, 0, 0, 0),
         KE_OK, 1, 2012, 0, 1},
        {"month 12 carries", U32(1) + U32(1) + Record(7, 2011, 12, 5, 0, 0, 0), KE_OK, 1, 2012, 0, 5},
        {"second 60 carries", U32(1) + U32(1) + Record(7, 2011, 11, 31, 23, 59, 60), KE_OK, 1, 2012, 0, 1},
        {"version 2", U32(2) + U32(1) + Record(7, 2011, 1, 1, 0, 0, 0), KE_ERR_NO_FORMAT, 0, 0, 0, 0},
        {"count past the data", U32(1) + U32(1000000) + Record(7, 2013, 2, 3, 0, 0, 0), KE_ERR_FORMAT, 1, 2013,
         2, 3},
        {"cut inside a record", U32(1) + U32(1) + Record(7, 2011, 1, 1, 0, 0, 0).substr(0, 9), KE_ERR_FORMAT, 0,
         0, 0, 0},
        {"empty", "", KE_ERR_FORMAT, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        Station s;
        ASSERT_EQ(KE_OK, s.Init(kDefinitions));
        EXPECT_EQ(c.rc, s.station.LoadStateFromMemory((const u8*)c.bytes.data(), (u32)c.bytes.size())) << c.name;
        CBrixAchievement* a = s.List()->FindById(7);
        EXPECT_EQ(c.unlocked7, a->IsUnlocked()) << c.name;
        EXPECT_EQ(0, s.List()->FindById(3)->IsUnlocked()) << c.name;
        if (c.unlocked7)
        {
            EXPECT_EQ(c.year, a->GetUnlockTime().GetYear()) << c.name;
            EXPECT_EQ(c.month, a->GetUnlockTime().GetMonth()) << c.name;
            EXPECT_EQ(c.day, a->GetUnlockTime().GetDay()) << c.name;
        }
    }
}

// A damaged "ach.dat" does not stop the station: it is kept aside as
// "ach.dat.damaged", the records that read whole count, and the next save writes a
// sound file that the next start reads.
TEST(BrixAchievementState, ADamagedFileIsSetAsideAndTheStationStarts)
{
    struct Case { const char* name; std::string bytes; i32 unlocked7; };
    const Case cases[] = {
        {"empty", "", 0},
        {"cut inside the header", U32(1) + "\x01", 0},
        {"cut inside a record", U32(1) + U32(1) + Record(7, 2011, 1, 1, 0, 0, 0).substr(0, 9), 0},
        {"count past the data", U32(1) + U32(3) + Record(7, 2013, 2, 3, 0, 0, 0), 1},
        {"larger than any store", U32(1) + U32(0) + std::string(CBrixAchievementStation::MaxStateBytes, 'x'), 0},
    };
    for (const Case& c : cases)
    {
        Station s;
        ASSERT_TRUE(WriteFileBytes(s.app.UserFile("ach.dat"), c.bytes)) << c.name;
        ASSERT_EQ(KE_OK, s.Init(kDefinitions)) << c.name;
        EXPECT_EQ(c.bytes, ReadFileBytes(s.app.UserFile("ach.dat.damaged"))) << c.name;
        EXPECT_NE(0, access(s.app.UserFile("ach.dat").c_str(), F_OK)) << c.name;
        EXPECT_EQ(c.unlocked7, s.List()->FindById(7)->IsUnlocked()) << c.name;
        s.List()->FindById(3)->SetUnlocked(1);
        ASSERT_EQ(KE_OK, s.station.Save()) << c.name;

        CBrixAchievementStation again;
        ASSERT_EQ(KE_OK, again.Init(&s.app, 64, Str(s.folder.File("achievements.vad")))) << c.name;
        EXPECT_EQ(1, again.GetCurrentList()->FindById(3)->IsUnlocked()) << c.name;
        EXPECT_EQ(c.unlocked7, again.GetCurrentList()->FindById(7)->IsUnlocked()) << c.name;
        EXPECT_EQ(c.bytes, ReadFileBytes(s.app.UserFile("ach.dat.damaged"))) << c.name;
    }
}

TEST(BrixAchievementState, PersistsAcrossStations)
{
    Station s;
    ASSERT_EQ(KE_OK, s.Init(kDefinitions));
    s.List()->FindById(3)->SetUnlocked(1);
    ASSERT_EQ(KE_OK, s.station.Save());

    CBrixAchievementStation again;
    ASSERT_EQ(KE_OK, again.Init(&s.app, 64, Str(s.folder.File("achievements.vad"))));
    EXPECT_EQ(1, again.GetCurrentList()->FindById(3)->IsUnlocked());
    EXPECT_EQ(0, again.GetCurrentList()->FindById(7)->IsUnlocked());
    EXPECT_EQ(nullptr, again.FindList(65));

    // A station without its list writes nothing and keeps what was saved.
    const std::string saved = s.State();
    CBrixAchievementStation broken;
    EXPECT_EQ(KE_ERR_NOT_FOUND, broken.Save());
    broken.Init(&s.app, 64, Str(s.folder.File("missing.vad")));
    broken.Clear();
    EXPECT_EQ(KE_ERR_NOT_FOUND, broken.Save());
    EXPECT_EQ(saved, s.State());
}

TEST(BrixAchievementState, MissingPackGivesNotFound)
{
    UserDataApp app;
    CBrixAchievementStation station;
    EXPECT_EQ(KE_ERR_NOT_FOUND, station.Init(&app, 64, Str("/nonexistent/achievements.vad")));
    ASSERT_NE(nullptr, station.GetCurrentList());
    EXPECT_EQ(0, station.GetCurrentList()->GetCount());
}

// A kill at any step of a save leaves the old unlocks or the new ones.
TEST(BrixAchievementState, KillDuringSaveKeepsOldOrNew)
{
    Station s;
    ASSERT_EQ(KE_OK, s.Init(kDefinitions));
    s.List()->FindById(3)->SetUnlocked(1);
    ASSERT_EQ(KE_OK, s.station.Save());
    const std::string before = s.State();
    s.List()->FindById(7)->SetUnlocked(1);
    u8* bytes = nullptr;
    u32 size = 0;
    ASSERT_EQ(KE_OK, s.station.SaveToMemory(&bytes, &size));
    const std::string after((const char*)bytes, size);
    delete[] bytes;
    const int killed = KillAtEveryWriteStep([&] { s.station.Save(); },
        [&](int step) {
            const std::string now = s.State();
            EXPECT_TRUE(now == before || now == after) << "killed at step " << step;
        });
    EXPECT_GE(killed, 4);   // open, write, flush, close, rename
    EXPECT_EQ(after, s.State());
}

TEST(BrixAchievementIcons, IconStates)
{
    Station s;
    const std::string png = MakeSolidPng(4, 4, 0xFF336699);
    ASSERT_EQ(KE_OK, s.Init("achievement 1 { name \"A\" surfaceName \"a.png\" } "
                            "achievement 2 { name \"B\" surfaceName \"b.png\" } "
                            "achievement 3 { name \"C\" surfaceName \"c.png\" } "
                            "achievement 4 { name \"D\" }",
                            {{"/a.png", png}, {"/c.png", "not a picture"}}));
    struct Case { u32 id; bool loaded; i32 state; };
    const Case cases[] = {{1, true, BRIX_ACH_ICON_NEW}, {2, false, BRIX_ACH_ICON_MISSING},
                          {3, false, BRIX_ACH_ICON_BROKEN}, {4, false, BRIX_ACH_ICON_NEW}};
    for (const Case& c : cases)
    {
        CBrixAchievement* a = s.List()->FindById(c.id);
        ASSERT_NE(nullptr, a) << c.id << " of " << s.List()->GetCount();
        a->LoadIcon();
        EXPECT_EQ(c.loaded, a->GetIcon() != nullptr) << c.id;
        EXPECT_EQ(c.state, a->GetIconState()) << c.id;
    }
}
