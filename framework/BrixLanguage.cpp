// framework/BrixLanguage.cpp
#include "framework/BrixLanguage.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMD5.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixPackName.h"
#include "framework/BrixStatsStore.h"

#include <algorithm>
#include <new>
#include <vector>

namespace
{
const wchar_t* const kBuiltInCodes[] = {L"en", L"fi", L"ar-sa", L"es", L"fr"};
const u16 kCR = 13, kLF = 10;

// A line of the language text that starts with "<number>=".
struct NumberedLine
{
    i32 number;
    i32 textStart;      // after the '='
    i32 textEnd;        // at the CR LF, or the end of the text
    bool terminated;    // ends in CR LF
};

// The value of the first "key" in text: up to the next CR (or the end), at most
// MaxHeaderValue characters. False when the key is absent.
bool HeaderValue(const CKetrelString& text, const wchar_t* key, CKetrelString& out)
{
    const CKetrelString k(key);
    int at = text.Find(k, 0);
    if (at < 0)
        return false;
    const int start = at + k.GetLength();
    int end = text.Find(kCR, start);
    if (end < 0)
        end = text.GetLength();
    if (end - start > CBrixLanguage::MaxHeaderValue)
        end = start + CBrixLanguage::MaxHeaderValue;
    out = CKetrelString(text, start, end - start);
    return true;
}

// text[start, end) with every backslash-'n' pair made a line break, in one pass.
CKetrelString Unescape(const CKetrelString& text, i32 start, i32 end)
{
    std::vector<u16> units;
    units.reserve((size_t)(end - start) + 1);
    for (i32 i = start; i < end; ++i)
    {
        const u16 ch = text.GetAt(i);
        if (ch == '\\' && i + 1 < end && text.GetAt(i + 1) == 'n')
        {
            units.push_back(kLF);
            ++i;
        }
        else
            units.push_back(ch);
    }
    CKetrelString out;
    u16* buffer = out.AllocBuffer((int)units.size() + 1);
    for (size_t i = 0; buffer && i < units.size(); ++i)
        buffer[i] = units[i];
    return out;
}

bool IsArabic(const CBrixLanguageEntry* e)
{
    return e->code.CompareNoCase(CKetrelString(L"ar-sa")) == 0;
}
}

CBrixLanguage::CBrixLanguage()
    : m_app(nullptr), m_settings(nullptr), m_defaultText(L"X-X"), m_current(nullptr)
{
}

CBrixLanguage::~CBrixLanguage()
{
    Clear();
}

void CBrixLanguage::Clear()
{
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        delete EntryAt(i);
    m_entries.RemoveAll();
    m_table.RemoveAll();
    m_current = nullptr;
    m_app = nullptr;
    m_settings = nullptr;
}

void CBrixLanguage::SettingsKey(CKetrelString& out) const
{
    out.Format(kBrixKeyLanguageFormat, m_baseName);
}

int CBrixLanguage::Init(IKetrelApplication* app, CBrixStatsStore* settings,
                        const CKetrelString& baseName)
{
    m_app = app;
    m_settings = settings;
    m_baseName = baseName;
    for (const wchar_t* code : kBuiltInCodes)
        AddLanguagePack(CKetrelString(code));
    if (m_entries.GetCount() == 0)
        return KE_ERR_NOT_FOUND;

    CKetrelString key, wanted(L"en");
    SettingsKey(key);
    if (m_settings)
    {
        CBrixStatsEntry* e = m_settings->FindEntry(key);
        if (e)
            wanted = e->textValue;
        else if ((e = m_settings->AddEntry(key)) != nullptr)
            e->SetString(wanted);
    }
    int rc = SelectLanguage(wanted);
    if (rc != KE_OK)
        rc = SelectLanguage(CKetrelString(L"en"));
    return rc;
}

const CKetrelString& CBrixLanguage::GetText(i32 index) const
{
    if (index >= 0 && index < m_table.GetCount())
        return m_table[index];
    return m_defaultText;
}

bool CBrixLanguage::LocatePack(const CKetrelString& code, CKetrelString& path)
{
    if (!m_app)
        return false;
    CKetrelString name;
    name.Format(L"%s_%s.vad", m_baseName, code);
    m_app->GetUserDataPath(path, name);
    if (CKetrelFile::Exists(path))
        return true;
    m_app->GetAppFilePath(path, name);
    return CKetrelFile::Exists(path) != 0;
}

int CBrixLanguage::ReadPackAt(const CKetrelString& path, CKetrelString& text, CKetrelString& digest)
{
    CKetrelMediaPack pack;
    int rc = pack.Open(path, CKetrelString());
    if (rc != KE_OK)
        return rc;
    rc = ReadPackText(&pack, text, digest);
    pack.Close();
    return rc;
}

int CBrixLanguage::ReadPackText(CKetrelMediaPack* pack, CKetrelString& text, CKetrelString& digest)
{
    CKetrelFile* file = pack ? pack->GetFile() : nullptr;
    if (!file)
        return KE_ERR_NOT_FOUND;
    CKetrelMD5 md5;
    md5.DigestFile(file);
    md5.GetHexDigest(digest);

    const u32 size = pack->SeekEntry(CKetrelString(), 0);
    const i64 left = (i64)file->GetSize() - file->GetPosition();
    if (size == 0 || (i64)size > left || size > (u32)MaxTextBytes)
        return KE_ERR_NOT_FOUND;
    std::vector<u8> bytes(size);
    if (file->Read(bytes.data(), size) != size)
        return KE_ERR_NOT_FOUND;
    // size / 2 characters and a space after them; an odd last byte is dropped.
    const int units = (int)(size / 2);
    u16* out = text.AllocBuffer(units + 2);
    if (!out)
        return KE_ERR_MEMORY;
    for (int i = 0; i < units; ++i)
        out[i] = (u16)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    out[units] = ' ';
    return text.Find(CKetrelString(L"NAME="), 0) < 0 ? KE_ERR_FORMAT : KE_OK;
}

void CBrixLanguage::ParseHeader(const CKetrelString& text, CBrixLanguageEntry& entry)
{
    entry.name.Clear();
    entry.code.Clear();
    entry.flags = 0;
    entry.hasOwnFont = 0;
    HeaderValue(text, L"NAME=", entry.name);
    HeaderValue(text, L"CODE=", entry.code);
    CKetrelString value;
    if (HeaderValue(text, L"FLAGS=", value))
    {
        // Found as substrings: "KE_TEXT_RIGHT_TO_LEFT" also names KE_TEXT_RIGHT.
        if (value.Find(CKetrelString(L"KE_TEXT_RIGHT"), 0) >= 0)
            entry.flags |= BRIX_LANG_TEXT_RIGHT;
        if (value.Find(CKetrelString(L"KE_TEXT_RIGHT_TO_LEFT"), 0) >= 0)
            entry.flags |= BRIX_LANG_TEXT_RIGHT_TO_LEFT;
        if (value.Find(CKetrelString(L"KE_BLT_CENTER_Y"), 0) >= 0)
            entry.flags |= BRIX_LANG_BLT_CENTER_Y;
    }
    if (HeaderValue(text, L"SPECIAL_CHARS=", value))
    {
        for (i32 i = 0; i < value.GetLength(); ++i)
        {
            const u16 ch = value.GetAt(i);
            if (ch >= '1' && ch <= '9')
            {
                entry.hasOwnFont = 1;
                break;
            }
            if (ch != '0' && ch != '-' && ch != ' ')
                break;
        }
    }
}

// Text n is the line that starts with "<n>=" and ends in CR LF, searched from just after
// the line taken for n - 1. A number with no such line gets an empty text while a later
// line carries a larger number; the table ends where none does, or at a line without
// CR LF. Numbers count only at the start of a line, so "1=" never matches inside "11=",
// and digits elsewhere in a text cannot stall the walk.
void CBrixLanguage::ParseTexts(const CKetrelString& text, CKetrelArray<CKetrelString>& table)
{
    table.RemoveAll();
    const i32 length = text.GetLength();
    std::vector<NumberedLine> lines;
    i32 pos = (length > 0 && text.GetAt(0) == 0xFEFF) ? 1 : 0;
    while (pos < length)
    {
        i32 end = pos;
        while (end < length && !(text.GetAt(end) == kCR && end + 1 < length && text.GetAt(end + 1) == kLF))
            ++end;
        const bool terminated = end < length;
        i32 i = pos, number = 0;
        while (i < length && i - pos < 6 && text.GetAt(i) >= '0' && text.GetAt(i) <= '9')
            number = number * 10 + (text.GetAt(i++) - '0');
        if (i > pos && i < end && text.GetAt(i) == '=' && number < MaxTexts)
            lines.push_back({number, i + 1, end, terminated});
        pos = terminated ? end + 2 : length;
    }

    // Where each number's lines are, in file order, and the largest number at or
    // after each line.
    std::vector<std::pair<i32, i32>> byNumber;   // (number, line index), sorted
    byNumber.reserve(lines.size());
    for (size_t k = 0; k < lines.size(); ++k)
        byNumber.push_back({lines[k].number, (i32)k});
    std::sort(byNumber.begin(), byNumber.end());
    std::vector<i32> laterMax(lines.size() + 1, -1);
    for (size_t k = lines.size(); k-- > 0;)
        laterMax[k] = std::max(laterMax[k + 1], lines[k].number);

    i32 cur = 0;
    for (i32 n = 0; n < MaxTexts; ++n)
    {
        auto it = std::lower_bound(byNumber.begin(), byNumber.end(), std::make_pair(n, cur));
        if (it != byNumber.end() && it->first == n)
        {
            const NumberedLine& line = lines[(size_t)it->second];
            if (!line.terminated)
                break;
            table.SetAtGrow(n, Unescape(text, line.textStart, line.textEnd));
            cur = it->second + 1;
            continue;
        }
        if (laterMax[(size_t)cur] <= n)
            break;
        table.SetAtGrow(n, CKetrelString());
    }
}

int CBrixLanguage::AddLanguagePack(const CKetrelString& code)
{
    if (!BrixCheckPackName(code, "language code") || !BrixCheckPackName(m_baseName, "language pack"))
        return KE_ERR_ARGUMENT;
    CKetrelString path, text, digest;
    if (!LocatePack(code, path))
        return KE_ERR_NOT_FOUND;
    int rc = ReadPackAt(path, text, digest);
    if (rc != KE_OK)
        return rc;
    CBrixLanguageEntry* entry = new (std::nothrow) CBrixLanguageEntry();
    if (!entry)
        return KE_ERR_MEMORY;
    entry->path = path;
    entry->digest = digest;
    ParseHeader(text, *entry);
    // The engine's bitmap fonts show every language, so an entry that needs characters
    // of its own is always kept.
    m_entries.Add(entry);
    return KE_OK;
}

int CBrixLanguage::ReloadLanguagePack(const CKetrelString& code)
{
    if (!BrixCheckPackName(code, "language code") || !BrixCheckPackName(m_baseName, "language pack"))
        return KE_ERR_ARGUMENT;
    CKetrelString path, text, digest;
    if (!LocatePack(code, path))
        return KE_ERR_NOT_FOUND;
    int rc = ReadPackAt(path, text, digest);
    if (rc != KE_OK)
        return rc;
    CKetrelString programPath, name;
    name.Format(L"%s_%s.vad", m_baseName, code);
    m_app->GetAppFilePath(programPath, name);
    CBrixLanguageEntry* entry = nullptr;
    for (i32 i = 0; i < m_entries.GetCount() && !entry; ++i)
        if (EntryAt(i)->path.Equals(path))
            entry = EntryAt(i);
    for (i32 i = 0; i < m_entries.GetCount() && !entry; ++i)
        if (EntryAt(i)->path.Equals(programPath))
            entry = EntryAt(i);
    if (!entry)
        return KE_ERR_NOT_FOUND;
    entry->path = path;
    entry->digest = digest;
    ParseHeader(text, *entry);
    if (entry == m_current)
        ParseTexts(text, m_table);
    return KE_OK;
}

i32 CBrixLanguage::IsPackLoaded(const CKetrelString& code)
{
    if (!BrixIsSafePackName(code))
        return 0;
    CKetrelString path;
    LocatePack(code, path);
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
    {
        const CBrixLanguageEntry* e = EntryAt(i);
        if (e->path.CompareNoCase(path) == 0 || e->name.CompareNoCase(path) == 0 ||
            e->code.CompareNoCase(path) == 0)
            return 1;
    }
    return 0;
}

i32 CBrixLanguage::NeedsUpdate(const CKetrelString& code, const CKetrelString& digest) const
{
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        if (EntryAt(i)->code.CompareNoCase(code) == 0)
            return EntryAt(i)->digest.Equals(digest) ? 0 : 1;
    return 1;
}

int CBrixLanguage::SelectLanguage(const CKetrelString& nameOrCode)
{
    CBrixLanguageEntry* entry = nullptr;
    for (i32 i = 0; i < m_entries.GetCount() && !entry; ++i)
    {
        CBrixLanguageEntry* e = EntryAt(i);
        if (e->name.CompareNoCase(nameOrCode) == 0 || e->code.CompareNoCase(nameOrCode) == 0)
            entry = e;
    }
    if (!entry)
        return KE_ERR_NOT_FOUND;
    if (entry == m_current)
        return KE_OK;
    CKetrelString text, digest;
    int rc = ReadPackAt(entry->path, text, digest);
    if (rc != KE_OK)
        return rc;
    ParseTexts(text, m_table);
    m_current = entry;
    SaveSelection();
    return KE_OK;
}

void CBrixLanguage::GetLanguageCodes(CKetrelArray<CKetrelString>& out) const
{
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        out.Add(EntryAt(i)->code);
}

void CBrixLanguage::GetLanguageNames(CKetrelArray<CKetrelString>& out) const
{
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        out.Add(EntryAt(i)->name);
}

void CBrixLanguage::SortLanguages(i32 key)
{
    // A stable sort with the same order as swapping neighbours until none is out of
    // place: "ar-sa" first, the others ascending by the key.
    std::vector<CBrixLanguageEntry*> list;
    for (i32 i = 0; i < m_entries.GetCount(); ++i)
        list.push_back(EntryAt(i));
    auto before = [key](const CBrixLanguageEntry* a, const CBrixLanguageEntry* b) {
        const bool arA = IsArabic(a), arB = IsArabic(b);
        if (arA || arB)
            return arA && !arB;
        switch (key)
        {
        case 1: return a->code.Compare(b->code) < 0;
        case 2: return a->name.Compare(b->name) < 0;
        case 3: return a->path.Compare(b->path) < 0;
        default: return false;
        }
    };
    std::stable_sort(list.begin(), list.end(), before);
    for (size_t i = 0; i < list.size(); ++i)
        m_entries.SetAt((i32)i, list[i]);
}

void CBrixLanguage::SaveSelection()
{
    if (!m_current || !m_settings)
        return;
    CKetrelString key;
    SettingsKey(key);
    CBrixStatsEntry* e = m_settings->FindEntry(key);
    if (!e)
        return;
    e->SetString(m_current->code);
    m_settings->Save();
}

CKetrelString CBrixLanguage::GetCurrentCode() const
{
    return m_current ? m_current->code : CKetrelString();
}

u32 CBrixLanguage::GetTextFlags() const
{
    return m_current ? m_current->flags : 0;
}
