#include "game/screens/JubScreenKit.h"

#include "engine/KetrelRect.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"

namespace JubScreenKit
{
CKetrelColor White(f32 alpha)
{
    CKetrelColor c;
    c.Set(1.0f, 1.0f, 1.0f, alpha);
    return c;
}

void DrawTitle(CJubRenderer* renderer, CJubGameHost* game)
{
    if (!renderer || !game || !game->GetAssets())
        return;
    CKetrelSurface* title = game->GetAssets()->GetImage(0);
    if (!title)
        return;
    const f32 w = renderer->GetScreenWidth();
    const f32 h = renderer->GetScreenHeight();
    renderer->DrawSprite(CKetrelVector2(w / 2.0f, h / 2.0f), CKetrelVector2(h, h / 2.0f), title,
                         White());
}

void Dim(CJubRenderer* renderer, f32 factor, f32 left, f32 top, f32 right, f32 bottom)
{
    IKetrelGraphicsContext* gc = renderer ? renderer->GetGraphics() : nullptr;
    if (!gc)
        return;
    if (factor < 0.0f)
        factor = 0.0f;
    if (factor > 1.0f)
        factor = 1.0f;
    CKetrelRectF rect(left, top, right, bottom);
    gc->DimRectRelative(&rect, factor);
}

void DrawSpinner(CJubRenderer* renderer, CJubGameHost* game, const CKetrelVector2& centre,
                 f32 halfSize, f32 angle)
{
    if (!renderer || !game || !game->GetAssets())
        return;
    CKetrelSurface* spinner = game->GetAssets()->GetImage(1);
    if (!spinner)
        return;
    renderer->DrawSpriteFrameRotated(centre, CKetrelVector2(halfSize, halfSize), spinner, 0, 0,
                                     1, 1, angle, White());
}

f32 LineHeight(CJubRenderer* renderer)
{
    CKetrelBitmapFont* font = renderer ? renderer->GetFont(0) : nullptr;
    const i32 lh = font ? font->GetLineHeight() : 0;
    return lh > 0 ? (f32)lh : 20.0f;
}

void DrawTextLine(CJubRenderer* renderer, const CKetrelString& text, f32 x, f32 y, u32 colour,
                  u32 flags)
{
    if (!renderer)
        return;
    const f32 w = renderer->GetScreenWidth();
    const f32 lh = LineHeight(renderer);
    CKetrelRectF box(x - w / 2.0f, y - lh / 2.0f, x + w / 2.0f, y + lh / 2.0f);
    renderer->DrawText(text, box, colour, flags, 0);
}
}
