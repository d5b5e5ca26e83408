#pragma once
// ui/TextWidget.h: one text in a bitmap font inside the widget's rectangle: a label
// (often a language text by index) or a one-line input or password field edited
// through the engine's line-editing buffer. A tap on a focused field opens the edit;
// typed characters go into the buffer; Enter ends it ("onfinished"); a tap outside
// ends it keeping the text. Every change of the text fires "onchanged".
//
// Colour markup ("$COLOR=0x...") is interpreted only in language texts and where
// the widget asks for it (SetColorMarkup): texts that users or the server supply
// (SetText, SetDisplayText) are shown as typed, and so is every text while edited.
#include "engine/KetrelString.h"
#include "ui/Widget.h"

class CKetrelBitmapFont;
class CKetrelTextInput;

class CTextWidget : public CWidget
{
public:
    enum : u32
    {
        TEXT_CENTER_X = 0x100,
        TEXT_CENTER_Y = 0x200,
        TEXT_RIGHT = 0x40000,
        TEXT_MULTILINE = 0x80000
    };
    enum { MaxInputLength = 255, MaxPasswordLength = 64 };

    CTextWidget();
    ~CTextWidget() override;

    static CTextWidget* Cast(CWidget* w) { return WidgetCast<CTextWidget>(w, CWidgetType::TextWidget()); }
    const CWidgetType& GetType() const override { return CWidgetType::TextWidget(); }

    // The widget's Init, then white colours, the font, empty texts, a label (no
    // input, not masked), no language indices.
    int InitWithFont(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect,
                     CKetrelBitmapFont* font);
    void Close() override;
    CWidget* CreateInstance() const override;
    void RefreshText() override;
    int DrawSelf(IKetrelGraphicsContext* gc, const CKetrelRect& area) override;
    bool OnKeyEvent(i32 key) override;
    bool OnTextInput(i32 ch) override;
    bool OnPointerDown(i32 button, i32 x, i32 y) override;
    bool OnPointerUp(i32 button, i32 x, i32 y) override;
    int UpdateSelf(f32 dt) override;
    void CopyFrom(const CWidget* source) override;
    void OnFocusGained(CWidget* previous) override;
    void OnFocusLost(CWidget* next) override;

    const CKetrelString& GetText() const { return m_text; }
    const CKetrelString& GetDisplayText() const { return m_displayText; }
    // What is shown; masked with '*' in a password field.
    void SetDisplayText(const CKetrelString& text);
    // Shows text and, when it differs from the value, stores it and fires "onchanged".
    void SetText(const CKetrelString& text);
    bool IsPassword() const { return m_password != 0; }
    void SetPassword(bool password);
    bool IsEditable() const { return m_editable != 0; }
    int GetMaxLength() const { return m_maxLength; }
    // Input fields receive input; turning editing off ends an open edit.
    void SetEditable(bool editable, int maxLength);
    bool IsEditing() const { return m_input != nullptr; }
    bool IsFocused() const { return m_focused != 0; }

    u32 GetColor() const { return m_color; }
    void SetColor(u32 colour) { m_color = colour; }
    u32 GetDisplayColor() const { return m_displayColor; }
    void SetDisplayColor(u32 colour) { m_displayColor = colour; }
    u32 GetTextFlags() const { return m_textFlags; }
    void SetTextFlags(u32 flags) { m_textFlags = flags; }
    const CKetrelString& GetTitle() const { return m_title; }
    void SetTitle(const CKetrelString& title) { m_title = title; }
    i32 GetTextId() const { return m_textId; }
    void SetTextId(i32 id);
    i32 GetTitleId() const { return m_titleId; }
    void SetTitleId(i32 id);
    // Interprets colour markup in every shown text (not while editing).
    void SetColorMarkup(bool enabled) { m_markup = enabled ? 1 : 0; }
    bool IsColorMarkup() const { return m_markup != 0; }
    // The text flags DrawSelf passes to the font now (without the language's).
    u32 GetDrawFlags() const;

    CKetrelBitmapFont* GetFont() const { return m_font; }
    // Shared through the resource manager, or owned when it does not know the font.
    void SetFont(CKetrelBitmapFont* font);
    // Copies share the font through the manager; a font the manager does not know
    // is borrowed by the copy (its owner must outlive it), never freed twice.
    bool OwnsFont() const { return m_fontOwned != 0; }

    void SetChangedCallback(const CUIActionCallback& cb) { m_onChanged = cb; }
    const CUIActionCallback& GetChangedCallback() const { return m_onChanged; }
    void SetFinishedCallback(const CUIActionCallback& cb) { m_onFinished = cb; }
    const CUIActionCallback& GetFinishedCallback() const { return m_onFinished; }

private:
    void ShowText(const CKetrelString& text, bool fromLanguage);
    void CloseEdit();
    void ReleaseFont();

    u32 m_editable;
    u32 m_password;
    u32 m_focused;
    CKetrelString m_text;
    CKetrelString m_displayText;
    CKetrelString m_title;
    CKetrelBitmapFont* m_font;
    u32 m_displayColor;
    u32 m_color;
    CKetrelTextInput* m_input;   // owned; the open edit
    CUIActionCallback m_onChanged;
    CUIActionCallback m_onFinished;
    u32 m_textFlags;
    f32 m_cursorClock;
    i32 m_maxLength;
    i32 m_textId;
    i32 m_titleId;
    u32 m_markup;          // markup asked for
    u32 m_languageText;    // the shown text is a language text
    u32 m_fontOwned;       // the manager does not know m_font: ours to free
};
