// ui/Bubble.cpp
#include "ui/Bubble.h"

#include "engine/KetrelResult.h"

CBubble::CBubble() : m_buildPending(1), m_arrow(ARROW_NONE), m_templates{}, m_pieceCount(0) {}

CBubble::~CBubble()
{
    for (CImageWidget*& t : m_templates)
    {
        CWidget::Destroy(t);
        t = nullptr;
    }
}

int CBubble::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CButton::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    for (CImageWidget*& t : m_templates)
    {
        CWidget::Destroy(t);
        t = nullptr;
    }
    m_buildPending = 1;
    m_pieceCount = 0;
    return KE_OK;
}

void CBubble::Close()
{
    for (CImageWidget*& t : m_templates)
    {
        CWidget::Destroy(t);
        t = nullptr;
    }
    CButton::Close();
}

CWidget* CBubble::CreateInstance() const { return new CBubble(); }

i32 CBubble::ArrowFromName(const CKetrelString& name)
{
    static const char* const names[8] = {"left-up",  "left-down",  "right-up",    "right-down",
                                         "top-left", "top-right", "bottom-left", "bottom-right"};
    for (i32 i = 0; i < 8; ++i)
        if (name.Equals(CKetrelString(names[i])))
            return i + 1;
    return ARROW_NONE;
}

void CBubble::TakeTemplates()
{
    for (i32 i = 0; i < 3; ++i)
    {
        CKetrelString name;
        name.Format(L"bg%d_template", i);
        CWidget* t = TakeTemplate(name);
        CImageWidget* img = CImageWidget::Cast(t);
        if (!img || !img->GetImage())
        {
            CWidget::Destroy(t);
            continue;
        }
        img->SetFlags(img->GetFlags() | IMAGE_SKIP_ANIMATION);
        CWidget::Destroy(m_templates[i]);
        m_templates[i] = img;
    }
}

void CBubble::AddPiece(i32 sheet, i32 frame, i32 x, i32 y, i32 w, i32 h)
{
    // A bubble smaller than its cells gets empty pieces, never negative ones.
    if (w < 0)
        w = 0;
    if (h < 0)
        h = 0;
    CImageWidget* piece = CImageWidget::Cast(m_templates[sheet]->Clone());
    if (!piece)
        return;
    piece->SetFrame(frame);
    piece->SetRect(CKetrelRect(x, y, x + w, y + h));
    piece->SetName(CKetrelString("bubble_piece"));
    if (InsertChild(piece, 0))
        ++m_pieceCount;
    else
        CWidget::Destroy(piece);
}

void CBubble::BuildBackground()
{
    if (!m_templates[0] || !m_templates[1] || !m_templates[2])
        return;
    const i32 W = GetWidth(), H = GetHeight();
    const i32 cw = m_templates[0]->GetWidth(), ch = m_templates[0]->GetHeight();
    AddPiece(0, 4, cw, ch, W - 2 * cw, H - 2 * ch);
    AddPiece(0, 0, 0, 0, cw, ch);
    AddPiece(0, 2, W - cw, 0, cw, ch);
    AddPiece(0, 6, 0, H - ch, cw, ch);
    AddPiece(0, 8, W - cw, H - ch, cw, ch);
    const i32 FH = H - 3 * ch, FW = W - 3 * cw;
    // Per arrow code: sheet, frame, position; partial edge frame, position, length;
    // the side that carries the arrow (0 left, 1 right, 2 top, 3 bottom).
    struct ArrowRow { i32 sheet, frame, ax, ay, edgeFrame, ex, ey, side; };
    const ArrowRow rows[8] = {
        {1, 0, 0, ch, 3, 0, 2 * ch, 0},
        {1, 2, 0, H - 2 * ch, 3, 0, ch, 0},
        {1, 1, W - cw, ch, 5, W - cw, 2 * ch, 1},
        {1, 3, W - cw, H - 2 * ch, 5, W - cw, ch, 1},
        {2, 0, cw, 0, 1, 2 * cw, 0, 2},
        {2, 1, W - 2 * cw, 0, 1, cw, 0, 2},
        {2, 2, cw, H - ch, 7, 2 * cw, H - ch, 3},
        {2, 3, W - 2 * cw, H - ch, 7, cw, H - ch, 3},
    };
    i32 arrowSide = -1;
    if (m_arrow >= 1 && m_arrow <= 8)
    {
        const ArrowRow& a = rows[m_arrow - 1];
        arrowSide = a.side;
        AddPiece(a.sheet, a.frame, a.ax, a.ay, cw, ch);
        const bool vertical = a.side < 2;
        if ((vertical ? FH : FW) >= 1)
        {
            if (vertical)
                AddPiece(0, a.edgeFrame, a.ex, a.ey, cw, FH);
            else
                AddPiece(0, a.edgeFrame, a.ex, a.ey, FW, ch);
        }
    }
    if (arrowSide != 0)
        AddPiece(0, 3, 0, ch, cw, H - 2 * ch);
    if (arrowSide != 1)
        AddPiece(0, 5, W - cw, ch, cw, H - 2 * ch);
    if (arrowSide != 2)
        AddPiece(0, 1, cw, 0, W - 2 * cw, ch);
    if (arrowSide != 3)
        AddPiece(0, 7, cw, H - ch, W - 2 * cw, ch);
}

int CBubble::UpdateSelf(f32 dt)
{
    if (m_buildPending)
    {
        m_buildPending = 0;
        TakeTemplates();
        BuildBackground();
    }
    int r = CButton::UpdateSelf(dt);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

void CBubble::Click()
{
    CWidgetWalkGuard guard;   // hiding and the click may destroy this bubble
    SetVisible(false);
    CButton::Click();
}

void CBubble::CopyFrom(const CWidget* source)
{
    CButton::CopyFrom(source);
    const CBubble* o = CBubble::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    m_arrow = o->m_arrow;
    for (i32 i = 0; i < 3; ++i)
    {
        CWidget::Destroy(m_templates[i]);
        m_templates[i] = nullptr;
        if (!o->m_templates[i])
            continue;
        CWidget* c = o->m_templates[i]->Clone();
        m_templates[i] = CImageWidget::Cast(c);
        if (c && !m_templates[i])
            CWidget::Destroy(c);
    }
}
