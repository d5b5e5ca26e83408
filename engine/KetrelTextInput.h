#pragma once
// A one-line editing buffer fed one character at a time (from OnChar): it
// collects characters until Enter, then reports itself done; its owner takes
// the text and calls Reset (or ClearDone) to accept input again. Password mode
// shows every character as '*'.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;

class CKetrelTextInput
{
public:
    static CKetrelTextInput* Create();
    CKetrelTextInput();
    virtual ~CKetrelTextInput();

    // Keeps the application (and its window), the text, the title and the
    // maximum length in characters. 1.
    int Init(IKetrelApplication* application, const CKetrelString& text,
             const CKetrelString& title, u32 maxLength);
    // Copies the text, cut to the maximum length.
    void SetText(const CKetrelString& text);
    const CKetrelString& GetText() const { return m_text; }
    const CKetrelString& GetTitle() const { return m_title; }
    // The text, or in password mode a row of '*' as long as the text.
    CKetrelString* GetDisplayText();
    void SetPasswordMode(u32 password) { m_password = password; }
    u32 IsDone() const { return m_done; }

    // Ignored once done. Carriage return or line feed: done. Backspace removes
    // the last character. Other control characters (below 32, and 127) are
    // ignored; the rest is appended while the text is shorter than the maximum.
    virtual void OnChar(u32 character);
    virtual void Reset();                // accepts input again
    void ClearDone() { m_done = 0; }

private:
    CKetrelString m_text;
    CKetrelString m_title;
    CKetrelString m_masked;
    u32 m_maxLength;
    u32 m_done;
    u32 m_password;
    unsigned long m_window;
    IKetrelApplication* m_application;
};
