#pragma once
#include "engine/KetrelColor.h"
#include "engine/KetrelString.h"
#include "engine/KetrelVector.h"

class CJubGameHost;
class CJubRenderer;

// Drawing shared by the game's screens. Each does nothing without a renderer or image.
namespace JubScreenKit
{
// Opaque white, or white with alpha (0..1).
CKetrelColor White(f32 alpha = 1.0f);
// The title picture (image 0) at the screen centre, size (h, h / 2).
void DrawTitle(CJubRenderer* renderer, CJubGameHost* game);
// Dims the rectangle (relative 0..1) through the graphics context by factor (0..1).
void Dim(CJubRenderer* renderer, f32 factor, f32 left = 0.0f, f32 top = 0.0f,
         f32 right = 1.0f, f32 bottom = 1.0f);
// The loading spinner (image 1) turned by angle at the centre with that half size.
void DrawSpinner(CJubRenderer* renderer, CJubGameHost* game, const CKetrelVector2& centre,
                 f32 halfSize, f32 angle);
// One line of text centred on (x, y) in a box one line high across the screen.
void DrawTextLine(CJubRenderer* renderer, const CKetrelString& text, f32 x, f32 y,
                  u32 colour, u32 flags);
// The game font's line height in pixels; 20 without a font.
f32 LineHeight(CJubRenderer* renderer);
}
