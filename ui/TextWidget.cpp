// ui/TextWidget.cpp
#include "ui/TextWidget.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelTextInput.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelGraphicsContext.h"

CTextWidget::CTextWidget()
    : m_editable(0), m_password(0), m_focused(0), m_font(nullptr), m_displayColor(0xFFFFFFFFu),
      m_color(0xFFFFFFFFu), m_input(nullptr), m_onChanged{}, m_onFinished{}, m_textFlags(0),
      m_cursorClock(0.0f), m_maxLength(0), m_textId(-1), m_titleId(-1), m_markup(0),
      m_languageText(0), m_fontOwned(0)
{
}

CTextWidget::~CTextWidget()
{
    delete m_input;
    ReleaseFont();
}

int CTextWidget::InitWithFont(IUIApplication* app, IUIResourceManager* resources,
                              const CKetrelRect& rect, CKetrelBitmapFont* font)
{
    int r = CWidget::Init(app, resources, rect);
    if (r != KE_OK)
    {
        ReportError(r);
        return r;
    }
    m_color = m_displayColor = 0xFFFFFFFFu;
    SetFont(font);
    m_text.Clear();
    m_displayText.Clear();
    m_title.Clear();
    m_textFlags = 0;
    m_focused = m_password = m_editable = 0;
    m_textId = m_titleId = -1;
    m_cursorClock = 0.0f;
    m_languageText = 0;
    return KE_OK;
}

void CTextWidget::Close()
{
    ReleaseFont();
    CloseEdit();
    CWidget::Close();
}

CWidget* CTextWidget::CreateInstance() const { return new CTextWidget(); }

void CTextWidget::ReleaseFont()
{
    if (!m_font)
        return;
    if (!m_fontOwned)
    {
        IUIResourceManager* res = GetResourceManager();
        if (res)
            res->ReleaseFont(&m_font);
        m_font = nullptr;
        return;
    }
    m_font->Release();
    delete m_font;
    m_font = nullptr;
    m_fontOwned = 0;
}

void CTextWidget::SetFont(CKetrelBitmapFont* font)
{
    if (font == m_font)
        return;
    ReleaseFont();
    IUIResourceManager* res = GetResourceManager();
    m_fontOwned = (font && !(res && res->AddRefFont(font) == KE_OK)) ? 1 : 0;
    m_font = font;
}

void CTextWidget::ShowText(const CKetrelString& text, bool fromLanguage)
{
    if (!text.Equals(m_displayText))
        CKetrelFramePacer::NoteScreenActivity();
    m_displayText = text;
    m_languageText = fromLanguage ? 1 : 0;
    if (m_password)
        for (i32 i = 0; i < m_displayText.GetLength(); ++i)
            m_displayText.SetAt(i, '*');
}

void CTextWidget::SetDisplayText(const CKetrelString& text) { ShowText(text, false); }

void CTextWidget::SetText(const CKetrelString& text)
{
    ShowText(text, false);
    if (text.Equals(m_text))
        return;
    m_text = text;
    FireCallback(m_onChanged, this);
}

void CTextWidget::SetPassword(bool password)
{
    const u32 p = password ? 1 : 0;
    if (p == m_password)
        return;
    m_password = p;
    ShowText(m_text, false);
}

void CTextWidget::CloseEdit()
{
    if (!m_input)
        return;
    m_input->ClearDone();
    delete m_input;
    m_input = nullptr;
}

void CTextWidget::SetEditable(bool editable, int maxLength)
{
    m_editable = editable ? 1 : 0;
    m_maxLength = maxLength;
    SetTransparent(!editable);
    if (!editable)
        CloseEdit();
}

void CTextWidget::SetTextId(i32 id)
{
    m_textId = id;
    RefreshText();
}

void CTextWidget::SetTitleId(i32 id)
{
    m_titleId = id;
    RefreshText();
}

void CTextWidget::RefreshText()
{
    IUIApplication* app = GetApplication();
    IUILanguage* language = app ? app->GetLanguage() : nullptr;
    if (language)
    {
        if (m_textId != -1)
            ShowText(language->GetText(m_textId), true);
        if (m_titleId != -1)
            m_title = language->GetText(m_titleId);
    }
    CWidget::RefreshText();
}

u32 CTextWidget::GetDrawFlags() const
{
    if (m_editable && m_focused)
        return m_textFlags | KE_TEXT_NO_MARKUP | KE_TEXT_BLEND;
    u32 flags = m_textFlags | KE_TEXT_BLEND;
    if (!m_markup && !m_languageText)
        flags |= KE_TEXT_NO_MARKUP;
    return flags;
}

int CTextWidget::DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area)
{
    if (!m_font || !gc)
        return KE_OK;
    IUIApplication* app = GetApplication();
    IUILanguage* language = app ? app->GetLanguage() : nullptr;
    const u32 direction = language ? language->GetTextFlags() : 0;
    if (!(m_editable && m_focused))
    {
        const u32 colour = m_text.IsEmpty() ? m_displayColor : m_color;
        m_font->DrawText(&area, gc, m_displayText, colour, GetDrawFlags() | direction);
        return KE_OK;
    }
    static const CKetrelString cursor("|");
    const u32 flags = GetDrawFlags();
    const i32 wc = m_font->GetTextWidth(cursor, flags);
    const i32 wt = m_font->GetTextWidth(m_displayText, flags);
    CKetrelRect textRect = area;
    textRect.right -= wc;
    u32 textFlags = flags;
    if (wt > area.Width())
        textFlags |= KE_TEXT_RIGHT;
    m_font->DrawText(&textRect, gc, m_displayText, m_color, textFlags);
    if (m_cursorClock >= 0.0f)
    {
        CKetrelRect c = area;
        c.left = (textFlags & KE_TEXT_RIGHT) ? textRect.right : area.left + wt;
        m_font->DrawText(&c, gc, cursor, m_color, (m_textFlags & ~(u32)KE_TEXT_RIGHT) | KE_TEXT_NO_MARKUP | KE_TEXT_BLEND);
    }
    return KE_OK;
}

int CTextWidget::UpdateSelf(f32 dt)
{
    CWidgetWalkGuard guard;   // the callbacks may destroy this widget
    if (m_editable && m_focused && m_input)
    {
        SetText(m_input->GetText());
        if (m_input && m_input->IsDone())
        {
            FireCallback(m_onFinished, this);
            CloseEdit();
            m_focused = 0;
            OnFocusLost(nullptr);
        }
    }
    // The cursor shows for half a second, then hides for half a second; only a
    // flip of that phase changes the picture.
    const bool shown = m_cursorClock >= 0.0f;
    if (m_cursorClock < 0.5f)
        m_cursorClock += dt;
    else
        m_cursorClock = -0.5f;
    if (m_editable && m_focused && shown != (m_cursorClock >= 0.0f))
        CKetrelFramePacer::NoteScreenStep();
    return KE_OK;
}

bool CTextWidget::OnPointerDown(i32, i32, i32) { return true; }

bool CTextWidget::OnPointerUp(i32 button, i32 x, i32 y)
{
    if (!m_editable)
        return false;
    if (button != 0 || !m_focused)
        return true;
    CWidgetWalkGuard guard;
    if (HitTest(x, y))
    {
        ShowText(m_text, false);
        CloseEdit();
        m_input = new CKetrelTextInput();
        m_input->Init(nullptr, m_text, m_title, (u32)(m_maxLength > 0 ? m_maxLength : 0));
        m_input->SetText(m_text);
        m_input->SetPasswordMode(m_password);
        m_input->Reset();
        m_cursorClock = 0.0f;
    }
    else
    {
        if (m_input)
        {
            SetText(m_input->GetText());
            CloseEdit();
        }
        OnFocusLost(nullptr);
    }
    return true;
}

void CTextWidget::OnFocusGained(CWidget* previous)
{
    m_focused = 1;
    CWidget::OnFocusGained(previous);
}

void CTextWidget::OnFocusLost(CWidget* next)
{
    m_focused = 0;
    if (GetCapture() == this)
        SetCapture(nullptr);
    CloseEdit();
    CWidget::OnFocusLost(next);
}

bool CTextWidget::OnKeyEvent(i32) { return m_editable && m_focused && m_input; }

bool CTextWidget::OnTextInput(i32 ch)
{
    if (!(m_editable && m_focused && m_input))
        return false;
    m_input->OnChar((u32)ch);
    return true;
}

void CTextWidget::CopyFrom(const CWidget* source)
{
    CWidget::CopyFrom(source);
    const CTextWidget* o = CTextWidget::Cast(const_cast<CWidget*>(source));
    if (!o || o == this)
        return;
    if (o->m_font != m_font)
    {
        ReleaseFont();
        // Shared when the manager counts it, else borrowed: never ours to free.
        if (IUIResourceManager* res = GetResourceManager())
            if (o->m_font)
                res->AddRefFont(o->m_font);
        m_font = o->m_font;
        m_fontOwned = 0;
    }
    m_displayColor = o->m_displayColor;
    m_color = o->m_color;
    m_text = o->m_text;
    m_displayText = o->m_displayText;
    m_languageText = o->m_languageText;
    m_markup = o->m_markup;
    m_onChanged = o->m_onChanged;
    m_onFinished = o->m_onFinished;
    m_textFlags = o->m_textFlags;
    m_textId = o->m_textId;
    m_editable = o->m_editable;
    m_password = o->m_password;
    m_maxLength = o->m_maxLength;
    m_cursorClock = 0.0f;
}
