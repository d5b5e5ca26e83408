// framework/BrixResourceImages.cpp: images, surface-sheet rectangles and their
// scaling from a pack's design size to the screen.
#include "framework/BrixResourceManager.h"
#include "framework/BrixResourceMaps.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelSurface.h"

#include <GLES2/gl2.h>
#include <new>

void CBrixResourceManager::RegisterImage(const CKetrelString& name, CKetrelSurface* surface)
{
    if (name.IsEmpty() || !surface)
        return;
    CBrixImageRecord* record = new (std::nothrow) CBrixImageRecord{-1, surface, 1, 0};
    if (!record)
        return;
    CKetrelPair<CKetrelHashedString, CBrixImageRecord*> pair;
    pair.key = name;
    pair.value = record;
    if (!m_images[0].AddPair(pair))
        delete record;
}

CKetrelSurface* CBrixResourceManager::FindImage(const CKetrelString& name, CKetrelRectF* rect)
{
    const CKetrelHashedString key(name);
    for (i32 level = 1; level >= 0; --level)
    {
        CBrixImageRecord* image = BrixFindByName(m_images[level], key);
        if (image && image->surface)
        {
            ++image->refCount;
            return image->surface;
        }
        // A level-0 image of that name, not loaded yet, is the one to load: the
        // level-0 sheet surfaces are not asked.
        if (level == 0 && image)
            return nullptr;
        if (rect)
        {
            CBrixRectRecord* sheetRect = BrixFindByName(m_rects[level], key);
            if (sheetRect)
            {
                CKetrelSurface* sheet = FindImage(sheetRect->imageName, nullptr);
                if (sheet)
                {
                    *rect = sheetRect->rect;
                    return sheet;
                }
            }
        }
    }
    return nullptr;
}

CKetrelSurface* CBrixResourceManager::GetImage(const CKetrelString& name, CKetrelRectF* rect)
{
    if (name.IsEmpty())
        return nullptr;
    CKetrelSurface* surface = FindImage(name, rect);
    return surface ? surface : LoadImage(name, rect);
}

CKetrelSurface* CBrixResourceManager::GetImage(const CKetrelString& name, u32 flags)
{
    if (name.IsEmpty())
        return nullptr;
    CKetrelSurface* surface = FindImage(name, nullptr);
    return surface ? surface : LoadImageWithFlags(name, nullptr, flags);
}

CKetrelSurface* CBrixResourceManager::LoadImage(const CKetrelString& name, CKetrelRectF* rect)
{
    return LoadImageWithFlags(name, rect, 0);
}

CKetrelSurface* CBrixResourceManager::LoadImageWithFlags(const CKetrelString& name,
                                                         CKetrelRectF* rect, u32 flags)
{
    const CKetrelHashedString key(name);
    CBrixImageRecord* image = nullptr;
    for (i32 level = 1; level >= 0 && !image; --level)
    {
        image = BrixFindByName(m_images[level], key);
        if (image)
            break;
        if (rect)
        {
            CBrixRectRecord* sheetRect = BrixFindByName(m_rects[level], key);
            if (sheetRect)
            {
                CKetrelSurface* sheet = GetImage(sheetRect->imageName, nullptr);
                if (sheet)
                    *rect = sheetRect->rect;
                return sheet;
            }
        }
    }
    if (!image)
        return nullptr;
    if (image->surface)
    {
        // Loaded already (a level-0 name reached through LoadImage directly).
        ++image->refCount;
        return image->surface;
    }

    CKetrelMediaPack* pack = OpenPack(image->packId);
    if (!pack)
        return nullptr;
    CKetrelString path(L"/");
    path.Append(name);
    CKetrelSurfaceDesc alphaDesc = {0, 0, 0, 0, KE_SDF_COMPANION, 0};
    const CKetrelSurfaceDesc* desc = m_current->meta.HasSeparateAlpha() ? &alphaDesc : nullptr;
    CKetrelSurface* surface = new (std::nothrow) CKetrelSurface();
    if (!surface)
        return nullptr;
    if (surface->LoadFromPack(m_app, pack, path, 0, desc) != KE_OK)
    {
        surface->Release();
        delete surface;
        return nullptr;
    }
    surface = ScaleToScreen(surface);
    surface->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE,
                           ((image->flags | flags) & BRIX_IMAGE_NO_MIPMAPS) ? 0 : 1);
    image->surface = surface;
    ++image->refCount;
    return surface;
}

CKetrelSurface* CBrixResourceManager::ScaleToScreen(CKetrelSurface* image)
{
    const i32 design = m_current ? m_current->meta.GetImageDesignSize() : 0;
    const i32 side = GetScreenSide();
    if (design < 1 || side < 1 || side == design)
        return image;
    const f32 ratio = (f32)side / (f32)design;
    // The design size comes from the pack: the scaled sides are clamped, then converted.
    CKetrelSurfaceDesc desc = {KetrelTruncToInt((f32)image->GetWidth() * ratio),
                               KetrelTruncToInt((f32)image->GetHeight() * ratio),
                               image->GetPitch(),
                               image->GetPixelFormat(),
                               image->GetFlags(),
                               image->GetBytesPerPixel()};
    // A side that truncates to nothing still keeps one pixel.
    if (desc.width < 1)
        desc.width = 1;
    if (desc.height < 1)
        desc.height = 1;
    CKetrelSurface* scaled = new (std::nothrow) CKetrelSurface();
    if (!scaled)
        return image;
    if (scaled->Create(m_app, &desc) != KE_OK ||
        (image->GetAlphaPlane() && scaled->CreateAlphaPlane() != KE_OK) ||
        scaled->StretchBlit(nullptr, image, nullptr, KE_BLT_SMOOTH) != KE_OK)
    {
        // The unscaled image is better than none.
        scaled->Release();
        delete scaled;
        return image;
    }
    scaled->SetID(image->GetID());
    image->Release();
    delete image;
    return scaled;
}

CBrixImageRecord* CBrixResourceManager::FindImageRecord(CKetrelSurface* surface, i32* level,
                                                         i32* index) const
{
    return BrixFindByResource(m_images, &CBrixImageRecord::surface, surface, level, index);
}

int CBrixResourceManager::AddRefImage(CKetrelSurface* surface)
{
    if (!surface)
        return 1;
    i32 level, index;
    CBrixImageRecord* record = FindImageRecord(surface, &level, &index);
    if (!record)
        return 0;
    ++record->refCount;
    return 1;
}

int CBrixResourceManager::ReleaseImage(CKetrelSurface** slot)
{
    if (!slot || !*slot)
        return 1;
    i32 level, index;
    CBrixImageRecord* record = FindImageRecord(*slot, &level, &index);
    if (!record)
        return 0;
    if (--record->refCount > 0)
        return 1;
    record->surface->Release();
    delete record->surface;
    record->surface = nullptr;
    record->refCount = 0;
    if (record->packId < 0 || IsOrphan(record->packId))
    {
        delete record;
        m_images[level].RemoveAt(index);
    }
    *slot = nullptr;
    return 1;
}

void CBrixResourceManager::ReleaseImages()
{
    for (i32 level = 0; level < 2; ++level)
    {
        for (i32 i = 0; i < m_images[level].GetCount(); ++i)
        {
            CBrixImageRecord* record = m_images[level].ElementAt(i)->value;
            if (record->surface)
            {
                record->surface->Release();
                delete record->surface;
            }
            delete record;
        }
        m_images[level].RemoveAll();
    }
}
