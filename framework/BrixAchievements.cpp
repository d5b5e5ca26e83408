// framework/BrixAchievements.cpp
#include "framework/BrixAchievements.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixByteReader.h"
#include "framework/BrixSafeFile.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace
{
const char* const kStateFile = "ach.dat";
const char* const kDamagedSuffix = ".damaged";
const char* const kTextEntry = "ach_EN.txt";

// Tokens of the definitions text: runs of characters between blanks. A carriage
// return counts as a blank too, so files with CR LF line ends read like LF ones.
struct Tokens
{
    const std::vector<u16>& text;
    size_t pos = 0;

    static bool Blank(u16 ch) { return ch == ' ' || ch == '\n' || ch == '\t' || ch == '\r'; }

    // The next token, or false at the end.
    bool Next(size_t& start, size_t& end)
    {
        while (pos < text.size() && Blank(text[pos]))
            ++pos;
        if (pos >= text.size())
            return false;
        start = pos;
        while (pos < text.size() && !Blank(text[pos]))
            ++pos;
        end = pos;
        return true;
    }
    bool Is(size_t start, size_t end, const char* word) const
    {
        size_t n = strlen(word);
        if (end - start != n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (text[start + i] != (u16)(u8)word[i])
                return false;
        return true;
    }
    // Everything up to the next '"' is skipped; the value runs to the one after.
    CKetrelString Quoted()
    {
        while (pos < text.size() && text[pos] != '"')
            ++pos;
        if (pos >= text.size())
            return CKetrelString();
        const size_t start = ++pos;
        while (pos < text.size() && text[pos] != '"')
            ++pos;
        CKetrelString value;
        u16* units = value.AllocBuffer((int)(pos - start) + 1);
        for (size_t i = start; units && i < pos; ++i)
            units[i - start] = text[i] ? text[i] : ' ';
        if (pos < text.size())
            ++pos;
        return value;
    }
    // A block whose "{" was just read, up to its matching "}" or the end.
    void SkipBlock()
    {
        int depth = 1;
        size_t s, e;
        while (depth > 0 && Next(s, e))
        {
            if (Is(s, e, "{"))
                ++depth;
            else if (Is(s, e, "}"))
                --depth;
        }
    }
    // The number of a token as "%d" reads it: from its first digit, negative when a
    // '-' comes before that; no digit gives 0.
    u32 Number(size_t start, size_t end) const
    {
        bool negative = false;
        size_t i = start;
        for (; i < end && !(text[i] >= '0' && text[i] <= '9'); ++i)
            if (text[i] == '-')
                negative = true;
        u64 value = 0;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
        {
            value = value * 10 + (u64)(text[i] - '0');
            if (value > 0x7FFFFFFF)
                value = 0x7FFFFFFF;   // saturates as "%d" does
        }
        return negative ? (u32)(-(i64)value) : (u32)value;
    }
};

void PutU16(std::vector<u8>& out, u32 v)
{
    out.push_back((u8)v);
    out.push_back((u8)(v >> 8));
}

void PutU32(std::vector<u8>& out, u32 v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
}

// ---- achievement ------------------------------------------------------------

CBrixAchievement::CBrixAchievement(CBrixAchievementStation* station, u32 listId, u32 id)
    : m_station(station), m_listId(listId), m_id(id), m_unlocked(0), m_iconState(BRIX_ACH_ICON_NEW),
      m_hasIcon(0), m_icon(nullptr)
{
}

CBrixAchievement::~CBrixAchievement()
{
    ReleaseIcon();
}

void CBrixAchievement::SetIcon(i32 hasIcon, const CKetrelString& iconName)
{
    m_hasIcon = hasIcon;
    m_iconName = iconName;
}

void CBrixAchievement::LoadIcon()
{
    if (m_icon || !m_hasIcon || m_iconName.IsEmpty() || !m_station)
        return;
    CKetrelMediaPack pack;
    if (pack.Open(m_station->GetPackPath(), CKetrelString()) != KE_OK)
    {
        m_iconState = BRIX_ACH_ICON_MISSING;
        return;
    }
    CKetrelSurface* icon = new (std::nothrow) CKetrelSurface();
    if (!icon)
        return;
    const int rc = icon->LoadFromPack(m_station->GetApplication(), &pack, m_iconName, 0, nullptr);
    if (rc == KE_OK)
        m_icon = icon;
    else
    {
        icon->Release();
        delete icon;
        m_iconState = rc == KE_ERR_NOT_FOUND ? BRIX_ACH_ICON_MISSING : BRIX_ACH_ICON_BROKEN;
    }
    pack.Close();
}

void CBrixAchievement::ReleaseIcon()
{
    if (!m_icon)
        return;
    m_icon->Release();
    delete m_icon;
    m_icon = nullptr;
}

// ---- list -------------------------------------------------------------------

CBrixAchievementList::CBrixAchievementList(CBrixAchievementStation* station, u32 listId)
    : m_station(station), m_listId(listId)
{
}

CBrixAchievementList::~CBrixAchievementList()
{
    ClearAchievements();
}

CBrixAchievement* CBrixAchievementList::FindById(u32 id) const
{
    for (i32 i = 0; i < GetCount(); ++i)
        if (GetAt(i)->GetId() == id)
            return GetAt(i);
    return nullptr;
}

CBrixAchievement* CBrixAchievementList::AddAchievement(u32 id, const CKetrelString& name,
                                                       const CKetrelString& description, i32 unlocked)
{
    CBrixAchievement* a = new (std::nothrow) CBrixAchievement(m_station, m_listId, id);
    if (!a)
        return nullptr;
    a->SetName(name);
    a->SetDescription(description);
    a->SetUnlocked(unlocked);
    m_items.Add(a);
    return a;
}

int CBrixAchievementList::RemoveAt(i32 index)
{
    if (index < 0 || index >= GetCount())
        return 0;
    m_items.RemoveAt(index);
    return 1;
}

int CBrixAchievementList::RemoveById(u32 id)
{
    for (i32 i = 0; i < GetCount(); ++i)
        if (GetAt(i)->GetId() == id)
            return RemoveAt(i);
    return 0;
}

void CBrixAchievementList::ClearAchievements()
{
    for (i32 i = 0; i < GetCount(); ++i)
        delete GetAt(i);
    m_items.RemoveAll();
}

// ---- station ----------------------------------------------------------------

CBrixAchievementStation::CBrixAchievementStation() : m_app(nullptr), m_listId(0) {}

CBrixAchievementStation::~CBrixAchievementStation()
{
    Clear();
}

void CBrixAchievementStation::Clear()
{
    for (i32 i = 0; i < m_lists.GetCount(); ++i)
        delete static_cast<CBrixAchievementList*>(m_lists.GetAt(i));
    m_lists.RemoveAll();
}

CBrixAchievementList* CBrixAchievementStation::FindList(u32 listId) const
{
    for (i32 i = 0; i < m_lists.GetCount(); ++i)
    {
        CBrixAchievementList* list = static_cast<CBrixAchievementList*>(m_lists.GetAt(i));
        if (list->GetListId() == listId)
            return list;
    }
    return nullptr;
}

int CBrixAchievementStation::Init(IKetrelApplication* app, u32 listId, const CKetrelString& packPath)
{
    m_app = app;
    m_listId = listId;
    m_packPath = packPath;
    CBrixAchievementList* list = new (std::nothrow) CBrixAchievementList(this, listId);
    if (!list)
        return KE_ERR_MEMORY;
    m_lists.Add(list);
    int rc = LoadDefinitions();
    if (rc != KE_OK)
        return rc;
    rc = LoadState();
    // No file, or a damaged one that LoadState has set aside: the station goes on and
    // its next Save writes a sound file.
    return rc == KE_OK || rc == KE_ERR_OPEN || rc == KE_ERR_FORMAT ? KE_OK : rc;
}

int CBrixAchievementStation::LoadDefinitions()
{
    CKetrelMediaPack pack;
    if (pack.Open(m_packPath, CKetrelString()) != KE_OK)
        return KE_ERR_NOT_FOUND;
    const u32 size = pack.SeekEntry(CKetrelString(kTextEntry), 0);
    CKetrelFile* file = pack.GetFile();
    const i64 left = file ? (i64)file->GetSize() - file->GetPosition() : 0;
    if (size == 0 || (i64)size > left || size > (u32)MaxTextBytes)
        return KE_OK;
    std::vector<u8> bytes(size);
    if (file->Read(bytes.data(), size) != size)
        return KE_OK;
    pack.Close();
    ParseDefinitions(bytes.data(), size);
    return KE_OK;
}

int CBrixAchievementStation::ParseDefinitions(const u8* bytes, u32 size)
{
    CBrixAchievementList* list = GetCurrentList();
    if (!list || !bytes)
        return 0;
    std::vector<u16> text(size / 2);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = (u16)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (!text.empty() && (text[0] == 0xFEFF || text[0] == 0xFFFE))
        text.erase(text.begin());
    // The text ends at its first 0 unit, as a terminated string would.
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == 0)
        {
            text.resize(i);
            break;
        }

    Tokens tokens{text};
    int added = 0;
    size_t s, e;
    bool pending = false;   // a token already read waits to be looked at again
    while (pending || tokens.Next(s, e))
    {
        pending = false;
        if (tokens.Is(s, e, "{"))
        {
            tokens.SkipBlock();
            continue;
        }
        if (!tokens.Is(s, e, "achievement") || !tokens.Next(s, e))
            continue;
        const u32 id = tokens.Number(s, e);
        if (!tokens.Next(s, e))
            break;
        if (!tokens.Is(s, e, "{"))
        {
            // Not a definition: the token is read again at the top level.
            pending = true;
            continue;
        }
        CKetrelString name, description, surface;
        while (tokens.Next(s, e) && !tokens.Is(s, e, "}"))
        {
            if (tokens.Is(s, e, "{"))
                tokens.SkipBlock();
            else if (tokens.Is(s, e, "name"))
                name = tokens.Quoted();
            else if (tokens.Is(s, e, "description"))
                description = tokens.Quoted();
            else if (tokens.Is(s, e, "surfaceName"))
                surface = tokens.Quoted();
        }
        if (name.IsEmpty())
            continue;
        CBrixAchievement* a = list->AddAchievement(id, name, description, 0);
        if (!a)
            break;
        a->SetIcon(1, surface);
        ++added;
    }
    return added;
}

int CBrixAchievementStation::LoadState()
{
    if (!m_app)
        return KE_ERR_OPEN;
    CKetrelString path;
    m_app->GetUserDataPath(path, CKetrelString(kStateFile));
    u8* data = nullptr;
    u32 size = 0;
    int rc = BrixReadWholeFile(path, MaxStateBytes, &data, &size);
    if (rc == KE_OK)
        rc = LoadStateFromMemory(data, size);
    delete[] data;
    if (rc == KE_ERR_FORMAT)
    {
        // Short, empty or oversized: kept under another name, so that it neither fails
        // every later start nor is lost to the next Save.
        const int aside = BrixSetFileAside(path, kDamagedSuffix);
        fprintf(stderr, "ERROR: %d: %s damaged, %s\n", rc, kStateFile,
                aside == KE_OK ? "set aside" : "left in place");
    }
    return rc;
}

int CBrixAchievementStation::LoadStateFromMemory(const u8* data, u32 size)
{
    CBrixByteReader in{data, data ? size : 0, 0};
    u32 version = 0, count = 0;
    if (!in.U32(version))
        return KE_ERR_FORMAT;
    if (version != Version)
        return KE_ERR_NO_FORMAT;   // 11: a stored file of another version
    if (!in.U32(count))
        return KE_ERR_FORMAT;
    CBrixAchievementList* list = GetCurrentList();
    for (u32 i = 0; i < count; ++i)
    {
        u32 id = 0;
        u16 f[6];
        if (!in.U32(id))
            return KE_ERR_FORMAT;
        for (u16& field : f)
            if (!in.U16(field))
                return KE_ERR_FORMAT;
        CBrixAchievement* a = list ? list->FindById(id) : nullptr;
        if (!a)
            continue;
        a->SetUnlocked(1);
        // Field by field, so that out-of-range values carry (month 12 is January of
        // the year after).
        CKetrelDateTime& t = a->GetUnlockTime();
        t.SetYear(f[0]);
        t.SetMonth(f[1]);
        t.SetDay(f[2]);
        t.SetHour(f[3]);
        t.SetMinute(f[4]);
        t.SetSecond(f[5]);
    }
    return KE_OK;
}

int CBrixAchievementStation::SaveToMemory(u8** out, u32* size) const
{
    *out = nullptr;
    *size = 0;
    const CBrixAchievementList* list = GetCurrentList();
    if (!list)
        return KE_ERR_NOT_FOUND;
    std::vector<u8> bytes;
    u32 count = 0;
    for (i32 i = 0; i < list->GetCount(); ++i)
        if (list->GetAt(i)->IsUnlocked() && !list->GetAt(i)->GetName().IsEmpty())
            ++count;
    PutU32(bytes, Version);
    PutU32(bytes, count);
    for (i32 i = 0; i < list->GetCount(); ++i)
    {
        CBrixAchievement* a = list->GetAt(i);
        if (!a->IsUnlocked() || a->GetName().IsEmpty())
            continue;
        const CKetrelDateTime& t = a->GetUnlockTime();
        PutU32(bytes, a->GetId());
        for (i32 v : {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()})
            PutU16(bytes, (u32)v & 0xFFFF);
    }
    u8* copy = new (std::nothrow) u8[bytes.size()];
    if (!copy)
        return KE_ERR_MEMORY;
    memcpy(copy, bytes.data(), bytes.size());
    *out = copy;
    *size = (u32)bytes.size();
    return KE_OK;
}

int CBrixAchievementStation::Save()
{
    // The list is checked before anything touches the disk: a station without one
    // must not wipe what an earlier run saved.
    u8* bytes = nullptr;
    u32 size = 0;
    int rc = SaveToMemory(&bytes, &size);
    if (rc != KE_OK)
        return rc;
    if (!m_app)
        rc = KE_ERR_NOT_READY;
    else
    {
        CKetrelString path;
        m_app->GetUserDataPath(path, CKetrelString(kStateFile));
        rc = BrixWriteFileSafely(path, bytes, size);
    }
    delete[] bytes;
    return rc;
}
