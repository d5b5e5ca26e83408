// framework/BrixResourceManager.cpp: packs, registration, pack choice and raw files.
// Images, sounds, fonts and programs are in BrixResourceImages.cpp,
// BrixResourceSounds.cpp and BrixResourceFonts.cpp.
#include "framework/BrixResourceManager.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelGraphicsContext.h"

#include <new>

const i32 CBrixResourceManager::s_packSizes[PackSizeCount] = {1536, 640, 480, 360, 320, 240};

namespace
{

// Inserts record under key unless the key is taken; then the record is deleted.
template <class R>
void AddRecord(CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelString& key, R* record)
{
    CKetrelPair<CKetrelHashedString, R*> pair;
    pair.key = key;
    pair.value = record;
    if (!map.AddPair(pair))
        delete record;
}

template <class R>
R* FindRecord(const CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelHashedString& key)
{
    i32 index = map.Find(key);
    return index >= 0 ? map.ElementAt(index)->value : nullptr;
}

// Deletes the records of packId for which keep() is false.
template <class R, class Keep>
void RemovePackRecords(CKetrelMap<CKetrelHashedString, R*>& map, i32 packId, Keep keep)
{
    for (i32 i = map.GetCount() - 1; i >= 0; --i)
    {
        R* record = map.ElementAt(i)->value;
        if (record->packId == packId && !keep(record))
        {
            delete record;
            map.RemoveAt(i);
        }
    }
}

template <class R>
void DeleteRecords(CKetrelMap<CKetrelHashedString, R*>& map)
{
    for (i32 i = 0; i < map.GetCount(); ++i)
        delete map.ElementAt(i)->value;
    map.RemoveAll();
}

// The path with its ".vad" extension turned into ".jet"; false when the path does not
// end in ".vad" (a ".vad" elsewhere, in a folder name for one, is left alone).
bool FallbackPath(const CKetrelString& path, CKetrelString& out)
{
    const i32 length = path.GetLength();
    if (length < 4)
        return false;
    CKetrelString tail(path, length - 4, 4);
    if (!tail.Equals(CKetrelString(L".vad")))
        return false;
    out = CKetrelString(path, 0, length - 4);
    out.Append(CKetrelString(L".jet"));
    return true;
}

// ASCII letters compared without regard to case; wanted is lower case.
bool ExtensionIs(const CKetrelString& ext, const char* wanted)
{
    const i32 length = ext.GetLength();
    for (i32 i = 0; i < length; ++i)
    {
        u16 c = ext.GetAt(i);
        if (c >= 'A' && c <= 'Z')
            c = (u16)(c + 32);
        if (wanted[i] == 0 || c != (u16)(u8)wanted[i])
            return false;
    }
    return wanted[length] == 0;
}

} // namespace

CBrixResourceManager::CBrixResourceManager()
    : m_app(nullptr), m_soundEngine(nullptr), m_nextPackId(1), m_current(nullptr),
      m_skipTick(1)
{
}

CBrixResourceManager::~CBrixResourceManager()
{
    // Nothing may outlive the manager: a loader thread still decoding would write
    // into freed memory.
    ReleaseAll();
}

int CBrixResourceManager::Init(IKetrelApplication* app, CKetrelSoundEngine* soundEngine)
{
    m_app = app;
    m_soundEngine = soundEngine;
    m_nextPackId = 1;
    return 1;
}

void CBrixResourceManager::ReleaseAll()
{
    m_loaderMutex.Lock();
    for (i32 i = 0; i < m_loaders.GetCount(); ++i)
        DeleteLoader(static_cast<CAsyncSoundLoader*>(m_loaders.GetAt(i)));
    m_loaders.RemoveAll();
    m_loaderMutex.Unlock();

    for (i32 i = 0; i < m_packs.GetCount(); ++i)
    {
        CBrixMediaPackRecord* record = static_cast<CBrixMediaPackRecord*>(m_packs.GetAt(i));
        delete record->pack;
        delete record;
    }
    m_packs.RemoveAll();
    m_current = nullptr;

    ReleaseImages();
    ReleaseSounds();
    ReleaseFonts();
    for (i32 level = 0; level < 2; ++level)
    {
        DeleteRecords(m_rects[level]);
        DeleteRecords(m_files[level]);
    }
    ReleasePrograms();
}

// ---- screen and paths -------------------------------------------------------------------

i32 CBrixResourceManager::GetScreenSide() const
{
    if (!m_app)
        return 0;
    IKetrelGraphicsContext* context = m_app->GetGraphicsContext();
    if (!context)
        return 0;
    const i32 width = context->GetWidth();
    const i32 height = context->GetHeight();
    return width < height ? width : height;
}

void CBrixResourceManager::ResolvePath(const CKetrelString& name, int isFullPath,
                                       CKetrelString& out) const
{
    if (isFullPath || !m_app)
        out = name;
    else
        m_app->GetAppFilePath(out, name);
}

// ---- packs ----------------------------------------------------------------------------

CBrixMediaPackRecord* CBrixResourceManager::FindPackRecord(i32 id) const
{
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
    {
        CBrixMediaPackRecord* record = static_cast<CBrixMediaPackRecord*>(m_packs.GetAt(i));
        if ((i32)record->id == id)
            return record;
    }
    return nullptr;
}

bool CBrixResourceManager::IsOrphan(i32 packId) const
{
    return packId >= 1 && FindPackRecord(packId) == nullptr;
}

CKetrelMediaPack* CBrixResourceManager::OpenPack(i32 id)
{
    if (m_current && (i32)m_current->id == id && m_current->pack)
        return m_current->pack;
    CBrixMediaPackRecord* record = FindPackRecord(id);
    if (!record)
        return nullptr;
    CKetrelMediaPack* pack = new (std::nothrow) CKetrelMediaPack();
    if (!pack)
        return nullptr;
    if (pack->Open(record->path, CKetrelString()) != KE_OK)
    {
        delete pack;
        return nullptr;
    }
    if (m_current && m_current->pack)
    {
        delete m_current->pack;
        m_current->pack = nullptr;
    }
    record->pack = pack;
    m_current = record;
    return pack;
}

int CBrixResourceManager::AddMediaPack(const CKetrelString& name, int isFullPath, int scope)
{
    CKetrelString path;
    ResolvePath(name, isFullPath, path);
    CKetrelMediaPack* pack = new (std::nothrow) CKetrelMediaPack();
    if (!pack)
        return 0;
    if (pack->Open(path, CKetrelString()) != KE_OK)
    {
        CKetrelString fallback;
        if (!FallbackPath(path, fallback) || !CKetrelFile::Exists(fallback) ||
            pack->Open(fallback, CKetrelString()) != KE_OK)
        {
            delete pack;
            return 0;
        }
        path = fallback;
    }

    CBrixMediaPackRecord* record = new (std::nothrow) CBrixMediaPackRecord();
    if (!record)
    {
        delete pack;
        return 0;
    }
    record->id = m_nextPackId++;
    record->path = path;
    record->pack = pack;
    record->scope = scope;
    record->meta.Read(pack);
    RegisterEntries(record, scope != 0 ? 1 : 0);
    record->meta.ClearFlags();
    m_packs.Add(record);

    if (m_current && m_current->pack)
    {
        delete m_current->pack;
        m_current->pack = nullptr;
    }
    m_current = record;
    return 1;
}

void CBrixResourceManager::RegisterEntries(CBrixMediaPackRecord* record, i32 level)
{
    CKetrelMediaPack* pack = record->pack;
    const i32 packId = (i32)record->id;
    const CKetrelString metaName(L"vad.meta");
    CKetrelString bare;
    CKetrelString ext;
    for (i32 i = 0; i < pack->GetEntryCount(); ++i)
    {
        const CKetrelMediaPackEntry* entry = pack->GetEntryAt(i);
        BrixBareFileName(entry->GetName(), bare);
        if (bare.IsEmpty())
            continue;                    // a name that can never be asked for
        BrixFileExtension(entry->GetName(), ext);
        if (ExtensionIs(ext, "jpg") || ExtensionIs(ext, "png"))
        {
            CBrixImageRecord* image = new (std::nothrow) CBrixImageRecord{
                packId, nullptr, 0, record->meta.GetImageFlags(bare)};
            if (image)
                AddRecord(m_images[level], bare, image);
        }
        else if (ExtensionIs(ext, "six"))
        {
            CBrixSurfaceSheet sheet;
            if (!sheet.Read(pack, i))
                continue;
            for (i32 s = 0; s < sheet.GetCount(); ++s)
            {
                const CBrixSheetSurface& surface = sheet.GetAt(s);
                CBrixRectRecord* rect = new (std::nothrow) CBrixRectRecord{
                    packId, sheet.GetImageName(), surface.rect};
                if (rect)
                    AddRecord(m_rects[level], surface.name, rect);
            }
        }
        else if (ExtensionIs(ext, "wav") || ExtensionIs(ext, "ogg"))
        {
            CBrixSoundRecord* sound = new (std::nothrow) CBrixSoundRecord{packId, nullptr, 0};
            if (sound)
                AddRecord(m_sounds[level], bare, sound);
        }
        else if (ExtensionIs(ext, "fnt"))
        {
            CBrixFontRecord* font = new (std::nothrow) CBrixFontRecord{
                packId, nullptr, 0, record->meta.GetFontFlags(bare)};
            if (font)
                AddRecord(m_fonts[level], bare, font);
        }
        else if (!bare.Equals(metaName))
        {
            CBrixFileRecord* file = new (std::nothrow) CBrixFileRecord{packId};
            if (file)
                AddRecord(m_files[level], bare, file);
        }
    }
}

int CBrixResourceManager::HasMediaPack(const CKetrelString& path)
{
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
    {
        if (static_cast<CBrixMediaPackRecord*>(m_packs.GetAt(i))->path.Equals(path))
            return 1;
    }
    return 0;
}

int CBrixResourceManager::RemoveMediaPack(const CKetrelString& name, int isFullPath)
{
    CKetrelString path;
    ResolvePath(name, isFullPath, path);
    CKetrelString fallback;
    const bool hasFallback = FallbackPath(path, fallback);

    i32 found = -1;
    for (i32 i = 0; i < m_packs.GetCount() && found < 0; ++i)
    {
        const CKetrelString& recordPath =
            static_cast<CBrixMediaPackRecord*>(m_packs.GetAt(i))->path;
        if (recordPath.Equals(path) || (hasFallback && recordPath.Equals(fallback)))
            found = i;
    }
    if (found < 0)
        return 0;
    CBrixMediaPackRecord* record = static_cast<CBrixMediaPackRecord*>(m_packs.GetAt(found));
    m_packs.RemoveAt(found);
    if (m_current == record)
        m_current = nullptr;

    const i32 level = record->scope != 0 ? 1 : 0;
    const i32 packId = (i32)record->id;
    RemovePackRecords(m_images[level], packId,
                      [](const CBrixImageRecord* r) { return r->surface != nullptr; });
    RemovePackRecords(m_sounds[level], packId,
                      [](const CBrixSoundRecord* r) { return r->sound != nullptr; });
    RemovePackRecords(m_fonts[level], packId,
                      [](const CBrixFontRecord* r) { return r->font != nullptr; });
    RemovePackRecords(m_rects[level], packId, [](const CBrixRectRecord*) { return false; });
    RemovePackRecords(m_files[level], packId, [](const CBrixFileRecord*) { return false; });

    delete record->pack;
    delete record;
    return 1;
}

int CBrixResourceManager::FindPackForScreen(const CKetrelString& base, CKetrelString* nameOut,
                                            i32* sizeOut)
{
    const i32 side = GetScreenSide();
    CKetrelString name;
    // Sizes that fit the screen, largest first; then the larger ones, smallest first.
    for (int pass = 0; pass < 2; ++pass)
    {
        for (i32 k = 0; k < PackSizeCount; ++k)
        {
            const i32 size = pass == 0 ? s_packSizes[k] : s_packSizes[PackSizeCount - 1 - k];
            if (pass == 0 ? size > side : size <= side)
                continue;
            name.Format(L"%s_%d.vad", base, size);
            if (AddMediaPack(name, 0, 0))
            {
                if (nameOut)
                    *nameOut = name;
                if (sizeOut)
                    *sizeOut = size;
                return 1;
            }
        }
    }
    return 0;
}

// ---- raw files ----------------------------------------------------------------------------

i32 CBrixResourceManager::LoadFileData(const CKetrelString& name, char** out)
{
    if (!out)
        return 0;
    *out = nullptr;
    if (name.IsEmpty())
        return 0;
    const CKetrelHashedString key(name);
    i32 packId = 0;
    bool found = false;
    for (i32 level = 1; level >= 0 && !found; --level)
    {
        if (CBrixImageRecord* r = FindRecord(m_images[level], key))
            packId = r->packId, found = true;
        else if (CBrixSoundRecord* s = FindRecord(m_sounds[level], key))
            packId = s->packId, found = true;
        else if (CBrixFontRecord* f = FindRecord(m_fonts[level], key))
            packId = f->packId, found = true;
        else if (CBrixFileRecord* o = FindRecord(m_files[level], key))
            packId = o->packId, found = true;
    }
    if (!found)
        return 0;
    CKetrelMediaPack* pack = OpenPack(packId);
    if (!pack)
        return 0;
    CKetrelString path(L"/");
    path.Append(name);
    const u32 size = pack->SeekEntry(path, 0);
    CKetrelFile* file = pack->GetFile();
    if (size == 0 || !file)
        return 0;
    // The directory's size is only trusted as far as the pack file reaches.
    const i64 left = (i64)file->GetSize() - (i64)file->GetPosition();
    if ((i64)size > left)
        return 0;
    char* data = new (std::nothrow) char[(size_t)size + 1];
    if (!data)
        return 0;
    const u32 read = file->Read(data, size);
    if (read == 0)
    {
        delete[] data;
        return 0;
    }
    data[read] = 0;
    *out = data;
    return (i32)read;
}
