// Text of the match: a font per index of the game's font table, taken on first use.
#include "game/match/JubRenderer.h"

#include "engine/KetrelMath.h"
#include "engine/KetrelRect.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "game/match/JubAssetNames.h"

namespace
{
const u32 kScaleFlags = JUB_TEXT_SCALE_3_4 | JUB_TEXT_SCALE_HALF;
const f32 kWrapWidth = 0.6f;    // of the screen width
} // namespace

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

CKetrelBitmapFont* CJubRenderer::GetFont(i32 font)
{
    if (font < 0 || font >= JUB_FONT_SLOTS)
        return nullptr;
    if (!m_fonts[font] && m_fontSource)
        m_fonts[font] = m_fontSource->GetFont(CJubAssetNames::Get(JUB_TABLE_FONTS, font));
    return m_fonts[font];
}

void CJubRenderer::DrawText(const CKetrelString& text, const CKetrelRectF& box, u32 colour,
                            u32 flags, i32 font)
{
    CKetrelBitmapFont* f = GetFont(font);
    IKetrelGraphicsContext* graphics = GetGraphics();
    if (!f || !graphics || text.IsEmpty())
        return;
    const f32 scale = f->GetScale();
    if (flags & JUB_TEXT_SCALE_3_4)
        f->SetScale(scale * 0.75f);
    else if (flags & JUB_TEXT_SCALE_HALF)
        f->SetScale(scale * 0.5f);
    const u32 fontFlags = flags & ~kScaleFlags;
    CKetrelRect rect(KetrelTruncToInt(box.left), KetrelTruncToInt(box.top), KetrelTruncToInt(box.right),
                     KetrelTruncToInt(box.bottom));
    // Lines break at 0.6 of the screen width, whatever the box.
    CKetrelRect wrap = rect;
    wrap.right = KetrelSaturateToInt((i64)wrap.left + KetrelTruncToInt(kWrapWidth * GetScreenWidth()));
    CKetrelString wrapped(text);
    f->WrapText(wrap, wrapped, fontFlags);
    f->DrawText(&rect, graphics, wrapped, colour, fontFlags);
    f->SetScale(scale);
}

void CJubRenderer::DrawShadowedText(const CKetrelString& text, const CKetrelRectF& box, u32 colour,
                                    u32 flags, i32 font)
{
    CKetrelBitmapFont* f = GetFont(font);
    if (!f)
        return;
    const f32 drop = (f32)KetrelTruncToInt(4.0f * f->GetScale());
    CKetrelRectF shadowBox = box;
    shadowBox.Offset(0.0f, drop);
    DrawText(text, shadowBox, colour & 0xFF000000u, flags, font);
    DrawText(text, box, colour, flags, font);
}
