#include "FrameworkTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixStatsStore.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
std::vector<std::string> Table(const std::string& utf8)
{
    CKetrelString text;
    text.FromUTF8(utf8.c_str(), (int)utf8.size());
    CKetrelArray<CKetrelString> table;
    CBrixLanguage::ParseTexts(text, table);
    std::vector<std::string> out;
    for (i32 i = 0; i < table.GetCount(); ++i)
    {
        std::vector<char> utf(table[i].ToUTF8(nullptr));
        table[i].ToUTF8(utf.data());
        out.push_back(utf.data());
    }
    return out;
}

typedef std::vector<std::string> Texts;

// Language packs of a family of our own, written into the program's folder or the user
// data folder and removed again.
struct LanguagePacks
{
    UserDataApp& app;
    std::string base;
    std::vector<std::string> written;

    explicit LanguagePacks(UserDataApp& a) : app(a)
    {
        char name[32];
        snprintf(name, sizeof name, "fwlang%d", (int)getpid());
        base = name;
    }
    ~LanguagePacks()
    {
        for (const std::string& f : written)
            unlink(f.c_str());
    }
    std::string FileName(const std::string& code) { return base + "_" + code + ".vad"; }
    // Entry 0 is the language text, in UTF-16LE.
    bool Write(const std::string& code, const std::string& text, bool userFolder = false)
    {
        std::string path = userFolder ? app.UserFile(FileName(code)) : app.ProgramFile(FileName(code));
        written.push_back(path);
        return WriteTestPack(path, {{"/text.txt", Utf16(text)}, {"/other.bin", "x"}});
    }
    bool Standard(const std::string& code, const std::string& name, const std::string& first,
                  bool userFolder = false)
    {
        return Write(code, "NAME=" + name + "\r\nCODE=" + code + "\r\n0=" + first + "\r\n1=" + code +
                               " one\r\n", userFolder);
    }
};

std::string Utf8Of(const CKetrelString& s)
{
    std::vector<char> utf(s.ToUTF8(nullptr));
    s.ToUTF8(utf.data());
    return utf.data();
}
}

// The table rules; every case must end, whatever digits the text holds.
TEST(BrixLanguageTexts, TableFromText)
{
    struct Case { const char* name; std::string text; Texts table; };
    const Case cases[] = {
        {"gap at 2", "0=a\r\n1=b\r\n3=d\r\n", {"a", "b", "", "d"}},
        {"line break escape", "0=one\\ntwo\r\n", {"one\ntwo"}},
        {"last line without CR LF", "0=a\r\n1=b", {"a"}},
        {"last line with a digit", "0=a\r\n1=b 42", {"a"}},
        {"header with a digit at the end", "NAME=x\r\n0=a\r\nSPECIAL_CHARS=0", {"a"}},
        {"headers first", "NAME=Suomi\r\nCODE=fi\r\nSPECIAL_CHARS=0\r\n0=x\r\n", {"x"}},
        {"1= is not found in 11=", "0=a\r\n11=k\r\n", {"a", "", "", "", "", "", "", "", "", "", "", "k"}},
        {"digits inside texts", "0=3 apples\r\n1=5=five\r\n", {"3 apples", "5=five"}},
        {"out of order", "0=a\r\n2=c\r\n1=b\r\n", {"a", "b"}},
        {"number past the cap", "0=a\r\n99999999=z\r\n", {"a"}},
        {"byte-order mark", "\xEF\xBB\xBF" "0=a\r\n", {"a"}},
        {"LF only joins lines", "0=a\n1=b\r\n", {"a\n1=b"}},
        {"empty", "", {}},
        {"no numbers", "NAME=x\r\nhello 1 2 3\r\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.table, Table(c.text)) << c.name;
}

TEST(BrixLanguageTexts, HeaderFields)
{
    struct Case { const char* name; std::string text; const char* langName; u32 flags; i32 ownFont; };
    const Case cases[] = {
        {"plain", "NAME=English\r\nCODE=en\r\n", "English", 0, 0},
        {"right to left and centred",
         "NAME=A\r\nFLAGS=KE_TEXT_RIGHT_TO_LEFT|KE_BLT_CENTER_Y\r\nSPECIAL_CHARS=1\r\n", "A",
         BRIX_LANG_TEXT_RIGHT | BRIX_LANG_TEXT_RIGHT_TO_LEFT | BRIX_LANG_BLT_CENTER_Y, 1},
        {"right only", "NAME=B\r\nFLAGS=KE_TEXT_RIGHT\r\nSPECIAL_CHARS=0\r\n", "B", BRIX_LANG_TEXT_RIGHT, 0},
        {"value without CR", "0=a\r\nNAME=Last", "Last", 0, 0},
        {"long value cut", "NAME=" + std::string(5000, 'n') + "\r\n", nullptr, 0, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelString text;
        text.FromUTF8(c.text.c_str(), (int)c.text.size());
        CBrixLanguageEntry e;
        CBrixLanguage::ParseHeader(text, e);
        if (c.langName)
            EXPECT_EQ(c.langName, Utf8Of(e.name)) << c.name;
        else
            EXPECT_EQ(CBrixLanguage::MaxHeaderValue, e.name.GetLength()) << c.name;
        EXPECT_EQ(c.flags, e.flags) << c.name;
        EXPECT_EQ(c.ownFont, e.hasOwnFont) << c.name;
    }
}

TEST(BrixLanguagePacks, InitSelectsStoredThenFallsBack)
{
    UserDataApp app;
    LanguagePacks packs(app);
    ASSERT_TRUE(packs.Standard("en", "English", "Hello"));
    ASSERT_TRUE(packs.Standard("fi", "Suomi", "Hei"));
    const CKetrelString key(("__Brix_Language_" + packs.base).c_str());

    struct Case { const char* name; const char* stored; const char* expect; };
    const Case cases[] = {
        {"no key", nullptr, "Hello"},
        {"stored code", "fi", "Hei"},
        {"stored display name", "SUOMI", "Hei"},
        {"unknown falls back to en", "xx", "Hello"},
        {"path-like stays a name", "../../x", "Hello"},
    };
    for (const Case& c : cases)
    {
        CBrixStatsStore store;
        if (c.stored)
            store.AddEntry(key)->SetString(Str(c.stored));
        CBrixLanguage lang;
        EXPECT_EQ(KE_OK, lang.Init(&app, &store, Str(packs.base))) << c.name;
        EXPECT_EQ(c.expect, Utf8Of(lang.GetText(0))) << c.name;
        EXPECT_EQ("X-X", Utf8Of(lang.GetText(2))) << c.name;
        ASSERT_NE(nullptr, store.FindEntry(key)) << c.name;
        EXPECT_TRUE(store.FindEntry(key)->textValue.Equals(lang.GetCurrentCode())) << c.name;
    }

    CBrixLanguage none;
    CBrixStatsStore store;
    EXPECT_EQ(KE_ERR_NOT_FOUND, none.Init(&app, &store, Str("nosuchfamily")));
    EXPECT_EQ("X-X", Utf8Of(none.GetText(0)));
}

TEST(BrixLanguagePacks, UserFolderWinsAndReloadTakesEffect)
{
    UserDataApp app;
    LanguagePacks packs(app);
    ASSERT_TRUE(packs.Standard("en", "English", "Hello"));
    ASSERT_TRUE(packs.Standard("en", "English", "Howdy", true));
    CBrixStatsStore store;
    CBrixLanguage lang;
    ASSERT_EQ(KE_OK, lang.Init(&app, &store, Str(packs.base)));
    EXPECT_EQ("Howdy", Utf8Of(lang.GetText(0)));
    const CKetrelString oldDigest = lang.GetCurrent()->digest;
    EXPECT_EQ(0, lang.NeedsUpdate(Str("EN"), oldDigest));
    EXPECT_EQ(1, lang.NeedsUpdate(Str("en"), Str("0123")));
    EXPECT_EQ(1, lang.NeedsUpdate(Str("fi"), oldDigest));
    EXPECT_EQ(1, lang.IsPackLoaded(Str("en")));
    EXPECT_EQ(0, lang.IsPackLoaded(Str("fi")));

    // A new pack of the language in use arrives: its texts show without a restart.
    ASSERT_TRUE(packs.Standard("en", "English", "Greetings", true));
    EXPECT_EQ(KE_OK, lang.SelectLanguage(Str("en")));       // current: nothing read
    EXPECT_EQ("Howdy", Utf8Of(lang.GetText(0)));
    EXPECT_EQ(KE_OK, lang.ReloadLanguagePack(Str("en")));
    EXPECT_EQ("Greetings", Utf8Of(lang.GetText(0)));
    EXPECT_FALSE(lang.GetCurrent()->digest.Equals(oldDigest));
}

TEST(BrixLanguagePacks, RefusedAndBrokenPacks)
{
    UserDataApp app;
    LanguagePacks packs(app);
    ASSERT_TRUE(packs.Standard("en", "English", "Hello"));
    ASSERT_TRUE(packs.Write("es", "CODE=es\r\n0=sin nombre\r\n"));
    ASSERT_TRUE(WriteFileBytes(app.ProgramFile(packs.FileName("fr")), "not a pack"));
    packs.written.push_back(app.ProgramFile(packs.FileName("fr")));
    CBrixStatsStore store;
    CBrixLanguage lang;
    ASSERT_EQ(KE_OK, lang.Init(&app, &store, Str(packs.base)));
    EXPECT_EQ(1, lang.GetLanguageCount());   // es is not a language file, fr not a pack

    struct Case { const char* code; int rc; };
    const Case cases[] = {
        {"../en", KE_ERR_ARGUMENT}, {".hidden", KE_ERR_ARGUMENT}, {"a/b", KE_ERR_ARGUMENT},
        {"", KE_ERR_ARGUMENT}, {"es", KE_ERR_FORMAT}, {"fr", KE_ERR_FORMAT}, {"de", KE_ERR_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.rc, lang.AddLanguagePack(Str(c.code))) << c.code;
        EXPECT_EQ(0, lang.IsPackLoaded(Str(c.code))) << c.code;
    }
    EXPECT_EQ(KE_ERR_NOT_FOUND, lang.SelectLanguage(Str("de")));
    EXPECT_EQ("Hello", Utf8Of(lang.GetText(0)));
}

TEST(BrixLanguagePacks, SortPutsRightToLeftFirstAndIsStable)
{
    UserDataApp app;
    LanguagePacks packs(app);
    ASSERT_TRUE(packs.Standard("en", "English", "Hello"));
    ASSERT_TRUE(packs.Standard("fi", "Suomi", "Hei"));
    ASSERT_TRUE(packs.Write("ar-sa", "NAME=Arabiya\r\nCODE=ar-sa\r\nFLAGS=KE_TEXT_RIGHT_TO_LEFT\r\n0=x\r\n"));
    ASSERT_TRUE(packs.Standard("es", "Espanol", "Hola"));
    CBrixStatsStore store;
    CBrixLanguage lang;
    ASSERT_EQ(KE_OK, lang.Init(&app, &store, Str(packs.base)));
    ASSERT_EQ(KE_OK, lang.AddLanguagePack(Str("ar-sa")));   // a second entry coded ar-sa
    struct Case { i32 key; std::vector<std::string> names; };
    const Case cases[] = {
        {2, {"Arabiya", "Arabiya", "English", "Espanol", "Suomi"}},
        {1, {"Arabiya", "Arabiya", "English", "Espanol", "Suomi"}},
        {9, {"Arabiya", "Arabiya", "English", "Espanol", "Suomi"}},
    };
    for (const Case& c : cases)
    {
        lang.SortLanguages(c.key);
        CKetrelArray<CKetrelString> names;
        lang.GetLanguageNames(names);
        std::vector<std::string> got;
        for (i32 i = 0; i < names.GetCount(); ++i)
            got.push_back(Utf8Of(names[i]));
        EXPECT_EQ(c.names, got) << c.key;
    }
    const CBrixLanguageEntry* firstArabic = lang.GetLanguageAt(0);
    lang.SortLanguages(2);
    EXPECT_EQ(firstArabic, lang.GetLanguageAt(0));   // equal codes keep their order
    EXPECT_EQ(KE_OK, lang.SelectLanguage(Str("ar-sa")));
    EXPECT_EQ(BRIX_LANG_TEXT_RIGHT | BRIX_LANG_TEXT_RIGHT_TO_LEFT, lang.GetTextFlags());
}
