// fuzz/theme_desc.cpp: a theme's colour description from hostile bytes. The table must
// stay sorted with one colour per name.
#include "framework/BrixTheme.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CBrixTheme theme;
    theme.AddColoursFromXml(reinterpret_cast<const char*>(data), (u32)size);
    // Strictly ascending names: sorted, and no name twice (a twin would be shadowed).
    for (i32 i = 1; i < theme.GetColourCount(); ++i)
        if (theme.GetColourAt(i - 1)->name.Compare(theme.GetColourAt(i)->name) >= 0)
            abort();
    for (i32 i = 0; i < theme.GetColourCount(); ++i)
        if (theme.GetColourAt(i)->colour < 0x10000000u)
            abort();
    return 0;
}
