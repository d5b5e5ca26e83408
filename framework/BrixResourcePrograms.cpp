// framework/BrixResourcePrograms.cpp: shader programs, and the GPU objects of
// everything loaded around a loss of the graphics context.
#include "framework/BrixResourceManager.h"

#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurface.h"

#include <new>

namespace
{

template <class R>
R* FindByName(const CKetrelMap<CKetrelHashedString, R*>& map, const CKetrelHashedString& key)
{
    i32 index = map.Find(key);
    return index >= 0 ? map.ElementAt(index)->value : nullptr;
}

void DeleteProgram(CKetrel3DProgram* program)
{
    program->Release();
    delete program;
}

} // namespace

// ---- shader programs ----------------------------------------------------------------------

void CBrixResourceManager::RegisterShaderProgram(const CKetrelString& name,
                                                 CKetrel3DProgram* program)
{
    if (name.IsEmpty() || !program)
        return;
    const CKetrelHashedString key(name);
    CBrixProgramRecord* record = FindByName(m_programs, key);
    if (record)
    {
        if (record->program && record->program != program)
            DeleteProgram(record->program);
        record->program = program;
        record->refCount = 1;
        return;
    }
    record = new (std::nothrow) CBrixProgramRecord{program, 1};
    if (!record)
        return;
    CKetrelPair<CKetrelHashedString, CBrixProgramRecord*> pair;
    pair.key = key;
    pair.value = record;
    m_programs.AddPair(pair);
}

CKetrel3DProgram* CBrixResourceManager::FindShaderProgram(const CKetrelString& name)
{
    CBrixProgramRecord* record = FindByName(m_programs, CKetrelHashedString(name));
    if (!record || !record->program)
        return nullptr;
    ++record->refCount;
    return record->program;
}

CKetrel3DProgram* CBrixResourceManager::GetShaderProgram(const CKetrelString& name)
{
    if (name.IsEmpty())
        return nullptr;
    return FindShaderProgram(name);
}

CBrixProgramRecord* CBrixResourceManager::FindProgramRecord(CKetrel3DProgram* program,
                                                             i32* index) const
{
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
    {
        CBrixProgramRecord* record = m_programs.ElementAt(i)->value;
        if (record->program == program)
        {
            *index = i;
            return record;
        }
    }
    return nullptr;
}

int CBrixResourceManager::AddRefShaderProgram(CKetrel3DProgram* program)
{
    if (!program)
        return 1;
    i32 index;
    CBrixProgramRecord* record = FindProgramRecord(program, &index);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

int CBrixResourceManager::ReleaseShaderProgram(CKetrel3DProgram** slot)
{
    if (!slot || !*slot)
        return 1;
    i32 index;
    CBrixProgramRecord* record = FindProgramRecord(*slot, &index);
    if (!record)
        return 0;
    if (--record->refCount > 0)
        return 1;
    DeleteProgram(record->program);
    record->program = nullptr;
    record->refCount = 0;
    *slot = nullptr;
    return 1;
}

void CBrixResourceManager::ReleasePrograms()
{
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
    {
        CBrixProgramRecord* record = m_programs.ElementAt(i)->value;
        if (record->program)
            DeleteProgram(record->program);
        delete record;
    }
    m_programs.RemoveAll();
}

// ---- graphics context loss ----------------------------------------------------------------

int CBrixResourceManager::ReleaseGraphics()
{
    for (i32 level = 1; level >= 0; --level)
    {
        for (i32 i = 0; i < m_images[level].GetCount(); ++i)
        {
            CBrixImageRecord* record = m_images[level].ElementAt(i)->value;
            if (record->surface)
                record->surface->ReleaseTexture();
        }
        for (i32 i = 0; i < m_fonts[level].GetCount(); ++i)
        {
            CBrixFontRecord* record = m_fonts[level].ElementAt(i)->value;
            if (record->font)
                record->font->ReleaseTextures();
        }
    }
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
    {
        CBrixProgramRecord* record = m_programs.ElementAt(i)->value;
        if (record->program)
            record->program->Destroy();
    }
    return 1;
}

int CBrixResourceManager::ReloadGraphics()
{
    for (i32 level = 1; level >= 0; --level)
    {
        for (i32 i = 0; i < m_images[level].GetCount(); ++i)
        {
            CBrixImageRecord* record = m_images[level].ElementAt(i)->value;
            if (!record->surface)
                continue;
            const int rc = record->surface->RecreateTexture();
            if (rc != KE_OK)
                return rc;
        }
        for (i32 i = 0; i < m_fonts[level].GetCount(); ++i)
        {
            CBrixFontRecord* record = m_fonts[level].ElementAt(i)->value;
            if (record->font)
                record->font->ReloadTextures();
        }
    }
    for (i32 i = 0; i < m_programs.GetCount(); ++i)
    {
        CBrixProgramRecord* record = m_programs.ElementAt(i)->value;
        if (record->program)
            record->program->Rebuild();
    }
    return 1;
}
