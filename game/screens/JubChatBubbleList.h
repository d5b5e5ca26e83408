#pragma once
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelVector.h"

class CJubGameHost;

// One chat line shown as a speech bubble over the match.
struct CJubChatBubble
{
    CKetrelString* text = nullptr;       // owned; padded when 1 or 2 characters long
    CKetrelString* speaker = nullptr;    // owned: "Me" or "Opponent"
    CKetrelVector2 position;             // anchor on the screen (pixels)
    CKetrelVector2 corner;               // the screen corner the pointer turns to
    f32 life = 6.0f;                     // seconds left
    u32 colour = 0xFF808080u;            // 0xAARRGGBB
};

// Where one bubble is drawn: the text box, the frame around it and the pointer's corner.
struct CJubBubbleLayout
{
    CKetrelRectF textBox;                // the text's box (pixels)
    CKetrelRectF frame;                  // text box grown by the corner cell size
    i32 pointerColumn = 0;               // sheet cell of the pointer corner: 0 or 2
    i32 pointerRow = 0;                  // 0 or 2
};

// The chat bubbles of the match, oldest first, aged on the game's fixed step and drawn
// by the play screen. Texts longer than MaxTextLength characters are cut. Main thread only.
class CJubChatBubbleList
{
public:
    enum { MaxTextLength = 256, MaxBubbles = 32 };

    CJubChatBubbleList();
    ~CJubChatBubbleList();               // Clear
    CJubChatBubbleList(const CJubChatBubbleList&) = delete;
    CJubChatBubbleList& operator=(const CJubChatBubbleList&) = delete;

    void SetGame(CJubGameHost* game) { m_game = game; }
    // Null for an empty text; else the new bubble, appended (the oldest goes when the list
    // is full).
    CJubChatBubble* AddBubble(const CKetrelString& text, const CKetrelString& speaker,
                              u32 colour, const CKetrelVector2& position,
                              const CKetrelVector2& corner);
    // Ages each bubble by dt; one whose life had run out before is removed.
    void Update(f32 dt);
    void Render();
    void Clear();

    i32 GetCount() const { return m_bubbles.GetCount(); }
    CJubChatBubble* GetAt(i32 index) const { return (CJubChatBubble*)m_bubbles.GetAt(index); }

    // Places a bubble whose text measures textWidth x textHeight on a screen of w x h
    // with corner cells of size k.
    static CJubBubbleLayout Layout(const CJubChatBubble& bubble, f32 textWidth, f32 textHeight,
                                   f32 w, f32 h, f32 k);

private:
    CJubGameHost* m_game;                // not owned
    CKetrelPtrArray m_bubbles;           // CJubChatBubble*, owned
};
