// Text of the match: a font per index of the game's font table, taken on first use.
#include "game/match/JubRenderer.h"

void CJubRenderer::SetFontSource(CJubFontSource* fonts)
{
    ReleaseFonts();
    m_fontSource = fonts;
}

void CJubRenderer::ReleaseFonts()
{
    for (i32 i = 0; i < JUB_FONT_SLOTS; ++i)
    {
        if (m_fonts[i] && m_fontSource)
            m_fontSource->ReleaseFont(&m_fonts[i]);
        m_fonts[i] = nullptr;
    }
}
