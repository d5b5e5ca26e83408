#pragma once
// Fonts for tests: descriptors written as text and loaded through an in-memory
// media pack whose page is the built-in font's own 128 x 128 page image
// ("page.png"), so glyph rectangles can point at real coverage.
#include "engine/KetrelMediaPack.h"
#include "engine/graphics/KetrelBitmapFont.h"

#include <memory>
#include <string>

class IKetrelApplication;

// A pack holding "font.xml" (the descriptor text) and "page.png".
std::unique_ptr<CKetrelMediaPack> MakeFontPack(const std::string& descriptor);

// Loads a font from such a pack; the result code of LoadFromPack.
int LoadFontText(CKetrelBitmapFont& font, IKetrelApplication* owner, const std::string& descriptor);

// A descriptor of the given <char> lines on page.png, line height 10.
std::string Descriptor(const std::string& chars, int count = -2, const char* common = nullptr);

// Narrow text to the engine string.
CKetrelString Text(const char* s);
