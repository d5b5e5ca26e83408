// framework/BrixResourceFonts.cpp: bitmap fonts, scaled by their pack's design size.
#include "framework/BrixResourceManager.h"

#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelBitmapFont.h"

#include <new>

namespace
{

template <class R>
R* FindByName(const CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelHashedString& key)
{
    i32 index = map.Find(key);
    return index >= 0 ? map.ElementAt(index)->value : nullptr;
}

void DeleteFont(CKetrelBitmapFont* font)
{
    font->Release();
    delete font;
}

} // namespace

// ---- fonts ----------------------------------------------------------------------------

CKetrelBitmapFont* CBrixResourceManager::FindFont(const CKetrelString& name)
{
    const CKetrelHashedString key(name);
    for (i32 level = 1; level >= 0; --level)
    {
        CBrixFontRecord* record = FindByName(m_fonts[level], key);
        if (!record)
            continue;
        if (!record->font)
            return nullptr;
        ++record->refCount;
        return record->font;
    }
    return nullptr;
}

CKetrelBitmapFont* CBrixResourceManager::GetFont(const CKetrelString& name)
{
    if (name.IsEmpty())
        return nullptr;
    CKetrelBitmapFont* font = FindFont(name);
    return font ? font : LoadFont(name);
}

CKetrelBitmapFont* CBrixResourceManager::LoadFont(const CKetrelString& name)
{
    const CKetrelHashedString key(name);
    CBrixFontRecord* record = FindByName(m_fonts[1], key);
    if (!record)
        record = FindByName(m_fonts[0], key);
    if (record && record->font)
    {
        ++record->refCount;
        return record->font;
    }
    const bool builtIn = name.Equals(CKetrelString(L"default"));
    if (!record && !builtIn)
        return nullptr;
    if (!record || (builtIn && record->packId == 0))
    {
        // No pack holds a "default" font: the engine's built-in one.
        CKetrelBitmapFont* font = new (std::nothrow) CKetrelBitmapFont();
        if (!font)
            return nullptr;
        if (font->CreateDefault(m_app) != KE_OK)
        {
            DeleteFont(font);
            return nullptr;
        }
        if (!record)
        {
            record = new (std::nothrow) CBrixFontRecord{0, nullptr, 0, 0};
            CKetrelPair<CKetrelHashedString, CBrixFontRecord*> pair;
            pair.key = key;
            pair.value = record;
            if (!record || !m_fonts[0].AddPair(pair))
            {
                delete record;
                DeleteFont(font);
                return nullptr;
            }
        }
        record->font = font;
        record->refCount = 1;
        return font;
    }

    CKetrelMediaPack* pack = OpenPack(record->packId);
    if (!pack)
        return nullptr;
    CKetrelString path(L"/");
    path.Append(name);
    CKetrelBitmapFont* font = new (std::nothrow) CKetrelBitmapFont();
    if (!font)
        return nullptr;
    if (font->LoadFromPack(m_app, pack, path,
                           (record->flags & BRIX_FONT_KEEP_COLOR) ? (u32)KE_FONT_RGBA_PAGES : 0u) != KE_OK)
    {
        DeleteFont(font);
        return nullptr;
    }
    const i32 design = m_current ? m_current->meta.GetFontDesignSize() : 0;
    const i32 side = GetScreenSide();
    if (design >= 1 && side >= 1 && side != design)
        font->SetScale((f32)side / (f32)design);
    record->font = font;
    ++record->refCount;
    return font;
}

CBrixFontRecord* CBrixResourceManager::FindFontRecord(CKetrelBitmapFont* font, i32* level,
                                                       i32* index) const
{
    for (i32 l = 1; l >= 0; --l)
    {
        for (i32 i = 0; i < m_fonts[l].GetCount(); ++i)
        {
            CBrixFontRecord* record = m_fonts[l].ElementAt(i)->value;
            if (record->font == font)
            {
                *level = l;
                *index = i;
                return record;
            }
        }
    }
    return nullptr;
}

int CBrixResourceManager::AddRefFont(CKetrelBitmapFont* font)
{
    if (!font)
        return 1;
    i32 level, index;
    CBrixFontRecord* record = FindFontRecord(font, &level, &index);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

int CBrixResourceManager::ReleaseFont(CKetrelBitmapFont** slot)
{
    if (!slot || !*slot)
        return 1;
    i32 level, index;
    CBrixFontRecord* record = FindFontRecord(*slot, &level, &index);
    if (!record)
        return 0;
    if (--record->refCount > 0)
        return 1;
    DeleteFont(record->font);
    record->font = nullptr;
    record->refCount = 0;
    if (IsOrphan(record->packId))
    {
        delete record;
        m_fonts[level].RemoveAt(index);
    }
    *slot = nullptr;
    return 1;
}

void CBrixResourceManager::ReleaseFonts()
{
    for (i32 level = 0; level < 2; ++level)
    {
        for (i32 i = 0; i < m_fonts[level].GetCount(); ++i)
        {
            CBrixFontRecord* record = m_fonts[level].ElementAt(i)->value;
            if (record->font)
                DeleteFont(record->font);
            delete record;
        }
        m_fonts[level].RemoveAll();
    }
}
