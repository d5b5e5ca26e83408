#pragma once
// ui/Bubble.h: a speech-bubble button. On its first update it takes three
// sprite-sheet templates, "bg0_template" (3 x 3 body cells), "bg1_template" (arrows
// for the left and right sides) and "bg2_template" (arrows for the top and bottom),
// and builds a nine-piece background, with an optional arrow, beneath its content.
// The background is built once; a later resize does not rebuild it. A click hides
// the bubble, then fires "onclick".
#include "ui/Button.h"

class CBubble : public CButton
{
public:
    enum
    {
        ARROW_NONE = 0, ARROW_LEFT_UP, ARROW_LEFT_DOWN, ARROW_RIGHT_UP, ARROW_RIGHT_DOWN,
        ARROW_TOP_LEFT, ARROW_TOP_RIGHT, ARROW_BOTTOM_LEFT, ARROW_BOTTOM_RIGHT
    };

    CBubble();
    ~CBubble() override;

    static CBubble* Cast(CWidget* w) { return WidgetCast<CBubble>(w, CWidgetType::Bubble()); }
    const CWidgetType& GetType() const override { return CWidgetType::Bubble(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    void Close() override;
    CWidget* CreateInstance() const override;
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;
    void Click() override;

    i32 GetArrow() const { return m_arrow; }
    // Codes outside 0..8 count as no arrow.
    void SetArrow(i32 code) { m_arrow = (code >= 0 && code <= 8) ? code : ARROW_NONE; }
    // The code of an "arrow" value ("left-up" ... "bottom-right", exact case); 0 else.
    static i32 ArrowFromName(const CKetrelString& name);
    bool IsBuildPending() const { return m_buildPending != 0; }
    // Pieces the background was built from (children named "bubble_piece").
    i32 GetPieceCount() const { return m_pieceCount; }

private:
    void TakeTemplates();
    void BuildBackground();
    void AddPiece(i32 sheet, i32 frame, i32 x, i32 y, i32 w, i32 h);

    u32 m_buildPending;
    i32 m_arrow;
    CImageWidget* m_templates[3];   // owned
    i32 m_pieceCount;
};
