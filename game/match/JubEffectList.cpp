#include "game/match/JubEffectList.h"

#include "engine/KetrelColor.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"

namespace
{
const f32 kFramesPerSecond = 20.0f;
const i32 kSheetColumns = 4;
const i32 kSheetRows = 4;
} // namespace

CJubEffectList::CJubEffectList() : m_game(nullptr) {}

CJubEffectList::~CJubEffectList()
{
    Clear();
}

void CJubEffectList::Clear()
{
    for (i32 i = 0; i < m_effects.GetCount(); ++i)
        delete static_cast<CJubEffect*>(m_effects.GetAt(i));
    m_effects.RemoveAll();
}

const CJubEffect* CJubEffectList::GetEffect(i32 index) const
{
    if (index < 0 || index >= m_effects.GetCount())
        return nullptr;
    return static_cast<const CJubEffect*>(m_effects.GetAt(index));
}

void CJubEffectList::AddEffect(const CKetrelVector2& position, f32 scale, u32 colour)
{
    CJubEffect* effect = new CJubEffect();
    effect->position = position;
    effect->size.Set(scale, scale);
    effect->colour = colour;
    m_effects.Add(effect);
}

void CJubEffectList::Update(f32 dt)
{
    for (i32 i = 0; i < m_effects.GetCount();)
    {
        CJubEffect* effect = static_cast<CJubEffect*>(m_effects.GetAt(i));
        effect->time += dt;
        const f32 frame = effect->time * kFramesPerSecond;
        // A negative or huge time must not wrap the frame into the sheet again.
        if (!(frame < (f32)JUB_EFFECT_FRAMES))
        {
            effect->frame = JUB_EFFECT_FRAMES - 1;
            m_effects.RemoveAt(i);
            delete effect;
            continue;
        }
        effect->frame = frame > 0.0f ? (i32)frame : 0;
        ++i;
    }
}

void CJubEffectList::Render()
{
    CJubRenderer* renderer = m_game ? m_game->GetRenderer() : nullptr;
    CJubAssetCache* assets = m_game ? m_game->GetAssets() : nullptr;
    if (!renderer || !assets)
        return;
    CKetrelSurface* sheet = assets->GetImage(JUB_IMAGE_EXPLOSION);
    for (i32 i = 0; i < m_effects.GetCount(); ++i)
    {
        const CJubEffect* effect = GetEffect(i);
        CKetrelColor colour;
        colour.SetARGB(effect->colour);
        const CKetrelRectF uv = CJubRenderer::SheetCell(effect->frame % kSheetColumns,
                                                        effect->frame / kSheetColumns,
                                                        kSheetColumns, kSheetRows);
        renderer->DrawWorldSprite(JUB_SHADER_WORLD, effect->position, effect->size, sheet,
                                  colour, &uv);
    }
}
