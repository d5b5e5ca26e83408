#include "game/screens/JubChatBubbleList.h"

#include "engine/graphics/KetrelBitmapFont.h"
#include "game/match/JubAssetNames.h"
#include "game/match/JubGameHost.h"
#include "game/match/JubRenderer.h"
#include "game/screens/JubScreenKit.h"

#include <new>

namespace
{
const i32 kSheet = 62;
const i32 kPointerSheet = 63;

void DeleteBubble(CJubChatBubble* bubble)
{
    if (!bubble)
        return;
    delete bubble->text;
    delete bubble->speaker;
    delete bubble;
}
}

CJubChatBubbleList::CJubChatBubbleList() : m_game(nullptr) {}

CJubChatBubbleList::~CJubChatBubbleList()
{
    Clear();
}

CJubChatBubble* CJubChatBubbleList::AddBubble(const CKetrelString& text,
                                              const CKetrelString& speaker, u32 colour,
                                              const CKetrelVector2& position,
                                              const CKetrelVector2& corner)
{
    const i32 length = text.GetLength();
    if (length == 0)
        return nullptr;
    CJubChatBubble* bubble = new (std::nothrow) CJubChatBubble();
    if (!bubble)
        return nullptr;
    // The peer's text is cut, so one line cannot fill the screen.
    CKetrelString stored = length > MaxTextLength ? CKetrelString(text, 0, MaxTextLength) : text;
    if (length <= 2)
    {
        CKetrelString padded("  ");
        padded.Append(text);
        padded.Append(CKetrelString("  "));
        stored = padded;
    }
    bubble->text = new (std::nothrow) CKetrelString(stored);
    bubble->speaker = new (std::nothrow) CKetrelString(speaker);
    if (!bubble->text || !bubble->speaker)
    {
        DeleteBubble(bubble);
        return nullptr;
    }
    bubble->colour = colour;
    bubble->position = position;
    bubble->corner = corner;
    bubble->life = 6.0f;
    if (m_bubbles.GetCount() >= MaxBubbles)
    {
        DeleteBubble((CJubChatBubble*)m_bubbles.GetAt(0));
        m_bubbles.RemoveAt(0);
    }
    m_bubbles.Add(bubble);
    return bubble;
}

void CJubChatBubbleList::Update(f32 dt)
{
    for (i32 i = 0; i < m_bubbles.GetCount();)
    {
        CJubChatBubble* bubble = (CJubChatBubble*)m_bubbles.GetAt(i);
        if (bubble->life > 0.0f)
        {
            bubble->life -= dt;
            ++i;
            continue;
        }
        DeleteBubble(bubble);
        m_bubbles.RemoveAt(i);
    }
}

void CJubChatBubbleList::Clear()
{
    for (i32 i = 0; i < m_bubbles.GetCount(); ++i)
        DeleteBubble((CJubChatBubble*)m_bubbles.GetAt(i));
    m_bubbles.RemoveAll();
}

CJubBubbleLayout CJubChatBubbleList::Layout(const CJubChatBubble& bubble, f32 textWidth,
                                            f32 textHeight, f32 w, f32 h, f32 k)
{
    CJubBubbleLayout out;
    const f32 m = 0.05f * w;
    const f32 lowest = 0.85f * h;
    f32 left = bubble.position.x < w / 2.0f ? m : w - m - textWidth;
    f32 top = bubble.position.y - textHeight / 2.0f;
    if (top < 0.0f)
        top = 0.0f;
    if (top + textHeight > lowest)
        top = lowest - textHeight;
    out.textBox = CKetrelRectF(left, top, left + textWidth, top + textHeight);
    out.frame = CKetrelRectF(left - k, top - k, left + textWidth + k, top + textHeight + k);
    const f32 dx = bubble.corner.x - bubble.position.x;
    const f32 dy = bubble.corner.y - bubble.position.y;
    out.pointerColumn = dx < 0.0f ? 0 : 2;
    out.pointerRow = dy < 0.0f ? 0 : 2;
    return out;
}

void CJubChatBubbleList::Render()
{
    CJubRenderer* renderer = m_game ? m_game->GetRenderer() : nullptr;
    CKetrelBitmapFont* font = renderer ? renderer->GetFont(0) : nullptr;
    if (!font)
        return;
    const f32 w = renderer->GetScreenWidth();
    const f32 h = renderer->GetScreenHeight();
    const f32 lh = (f32)font->GetLineHeight();
    const f32 k = 0.3f * lh;
    CJubAssetCache* assets = m_game->GetAssets();
    CKetrelSurface* sheet = assets ? assets->GetImage(kSheet) : nullptr;
    CKetrelSurface* pointer = assets ? assets->GetImage(kPointerSheet) : nullptr;
    const CKetrelColor white = JubScreenKit::White();
    for (i32 i = 0; i < m_bubbles.GetCount(); ++i)
    {
        const CJubChatBubble* bubble = (const CJubChatBubble*)m_bubbles.GetAt(i);
        CKetrelRect measured(0, 0, (i32)(0.6f * w), 0);
        font->MeasureText(&measured, *bubble->text);
        f32 tw = (f32)measured.Width();
        f32 th = (f32)measured.Height();
        if (tw > 0.6f * w)
            tw = 0.6f * w;
        if (th < lh)
            th = lh;
        const CJubBubbleLayout layout = Layout(*bubble, tw, th, w, h, k);
        const CKetrelRectF& t = layout.textBox;
        // Nine cells: corners k x k, edges stretched along the sides, the centre under the text.
        const f32 xs[3] = {t.left - k / 2.0f, (t.left + t.right) / 2.0f, t.right + k / 2.0f};
        const f32 ys[3] = {t.top - k / 2.0f, (t.top + t.bottom) / 2.0f, t.bottom + k / 2.0f};
        const f32 hx[3] = {k / 2.0f, t.Width() / 2.0f, k / 2.0f};
        const f32 hy[3] = {k / 2.0f, t.Height() / 2.0f, k / 2.0f};
        for (i32 row = 0; row < 3; ++row)
            for (i32 col = 0; col < 3; ++col)
            {
                const bool isPointer = row == layout.pointerRow && col == layout.pointerColumn;
                CKetrelSurface* image = isPointer ? pointer : sheet;
                if (image)
                    renderer->DrawSpriteFrame(CKetrelVector2(xs[col], ys[row]),
                                              CKetrelVector2(hx[col], hy[row]), image, col, row,
                                              3, 3, white);
            }
        renderer->DrawShadowedText(*bubble->text, t, 0xFFFFFFFFu, 0, 0);
    }
}
