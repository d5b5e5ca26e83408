#pragma once
// framework/BrixLanguage.h
#include "engine/KetrelArray.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixStatsStore;
class CKetrelMediaPack;
class IKetrelApplication;

// Text flags a language asks for (the text-drawing flags of the graphics layer).
enum : u32
{
    BRIX_LANG_TEXT_RIGHT         = 0x40000,
    BRIX_LANG_TEXT_RIGHT_TO_LEFT = 0x800000,
    BRIX_LANG_BLT_CENTER_Y       = 0x200
};

// One installed language, owned by its CBrixLanguage.
struct CBrixLanguageEntry
{
    CKetrelString path;     // the pack file it was read from
    CKetrelString name;     // "NAME="
    CKetrelString code;     // "CODE=", e.g. "en" or "ar-sa"
    CKetrelString digest;   // MD5 of the whole pack file, 32 lower-case hex digits
    u32 flags;              // BRIX_LANG_* named in "FLAGS="
    i32 hasOwnFont;         // "SPECIAL_CHARS=" non-zero
};

// The installed languages of one family of texts and the table of the current one.
// A pack is "<base>_<code>.vad" in the user data folder or else the program's folder;
// its entry 0 is UTF-16LE text with header lines "NAME=", "CODE=", "FLAGS=",
// "SPECIAL_CHARS=" and text lines "<n>=<text>" ending in CR LF, where a backslash
// followed by 'n' stands for a line break. The chosen code is kept in the settings
// store under "__Brix_Language_<base>". Main thread only.
class CBrixLanguage
{
public:
    // Text numbers above this are ignored: a table never grows past it.
    enum { MaxTexts = 32768 };
    // Header values are cut to this many characters.
    enum { MaxHeaderValue = 4095 };
    // Entry 0 of a pack larger than this is not read.
    enum { MaxTextBytes = 8 * 1024 * 1024 };

    CBrixLanguage();
    virtual ~CBrixLanguage();                 // Clear

    // Adds the packs of "en", "fi", "ar-sa", "es" and "fr" that exist, then selects the
    // stored language (the key is created as "en" when missing), falling back to "en".
    // KE_ERR_NOT_FOUND when no pack exists; else the selection's result.
    int Init(IKetrelApplication* app, CBrixStatsStore* settings, const CKetrelString& baseName);

    // The text of that number in the current language; "X-X" when there is none.
    const CKetrelString& GetText(i32 index) const;

    // KE_OK; KE_ERR_ARGUMENT for a code that cannot be a file name (refused);
    // KE_ERR_NOT_FOUND (no pack); KE_ERR_FORMAT (not a language file); or the pack's
    // open result. Does not look for an entry of that code first.
    int AddLanguagePack(const CKetrelString& code);
    // Re-reads the header and digest of the entry read from that pack; when that entry
    // is the current language its texts are read again too, so a new pack of the
    // language in use takes effect at once. KE_OK or the failure (nothing changed).
    int ReloadLanguagePack(const CKetrelString& code);
    // 1 when the pack's path (user data folder, else program folder) equals the path,
    // name or code of an entry, ignoring case.
    i32 IsPackLoaded(const CKetrelString& code);
    // 1 when no entry has the code (ignoring case) or the first one's digest differs.
    i32 NeedsUpdate(const CKetrelString& code, const CKetrelString& digest) const;
    // By display name or code, ignoring case. Selecting the current language again
    // returns 1 without reading. A failure keeps the current language and table.
    int SelectLanguage(const CKetrelString& nameOrCode);

    void GetLanguageCodes(CKetrelArray<CKetrelString>& out) const;
    void GetLanguageNames(CKetrelArray<CKetrelString>& out) const;
    // "ar-sa" first, then by key: 1 code, 2 display name, 3 pack path; stable.
    void SortLanguages(i32 key);
    void Clear();                             // entries, table, current, application
    // Stores the current code under the settings key when that key exists, and saves.
    void SaveSelection();

    // Reads entry 0 of an open pack as text, and the MD5 of the whole pack file.
    // KE_OK; KE_ERR_NOT_FOUND for an empty or unreadable entry 0; KE_ERR_FORMAT
    // without "NAME=".
    static int ReadPackText(CKetrelMediaPack* pack, CKetrelString& text, CKetrelString& digest);
    // The table of a language text, as SelectLanguage builds it.
    static void ParseTexts(const CKetrelString& text, CKetrelArray<CKetrelString>& table);
    // The header fields of a language text (path and digest are left alone).
    static void ParseHeader(const CKetrelString& text, CBrixLanguageEntry& entry);

    const CBrixLanguageEntry* GetCurrent() const { return m_current; }
    CKetrelString GetCurrentCode() const;     // empty without a current language
    u32 GetTextFlags() const;                 // 0 without a current language
    i32 GetLanguageCount() const { return m_entries.GetCount(); }
    const CBrixLanguageEntry* GetLanguageAt(i32 index) const
    { return static_cast<const CBrixLanguageEntry*>(m_entries.GetAt(index)); }
    i32 GetTextCount() const { return m_table.GetCount(); }

private:
    CBrixLanguage(const CBrixLanguage&) = delete;
    CBrixLanguage& operator=(const CBrixLanguage&) = delete;

    // The pack's path: user data folder when the file exists there, else program
    // folder. false when neither exists (path then holds the program folder's).
    bool LocatePack(const CKetrelString& code, CKetrelString& path);
    int ReadPackAt(const CKetrelString& path, CKetrelString& text, CKetrelString& digest);
    CBrixLanguageEntry* EntryAt(i32 i) const
    { return static_cast<CBrixLanguageEntry*>(m_entries.GetAt(i)); }
    void SettingsKey(CKetrelString& out) const;

    IKetrelApplication* m_app;          // not owned; null until Init
    CBrixStatsStore* m_settings;        // not owned; may be null
    CKetrelString m_baseName;           // "brixlanguage", "wobblixlanguage"
    CKetrelString m_defaultText;        // "X-X"
    CBrixLanguageEntry* m_current;      // one of m_entries, or null
    CKetrelPtrArray m_entries;          // CBrixLanguageEntry*, owned
    CKetrelArray<CKetrelString> m_table;  // text n at index n
};
