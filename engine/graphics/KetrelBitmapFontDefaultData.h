#pragma once
#include "engine/KetrelTypes.h"

// Data of the built-in default font, made by tools/fontgen.
namespace KetrelDefaultFont
{
const i32 kGlyphCount = 218;
const i32 kLineHeight = 10;
const i32 kPageSize = 128;
// code, x, y, width, height, xoffset, yoffset, xadvance (all on page 0)
extern const i32 kGlyphs[kGlyphCount][8];
// The page image as PNG: white glyphs on a transparent page.
extern const u8 kPageImage[];
extern const i32 kPageImageSize;
}
