#include "engine/KetrelTextInput.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"

#include <new>

CKetrelTextInput* CKetrelTextInput::Create()
{
    return new (std::nothrow) CKetrelTextInput();
}

CKetrelTextInput::CKetrelTextInput()
    : m_maxLength(0), m_done(0), m_password(0), m_window(0),
      m_application(nullptr)
{
}

CKetrelTextInput::~CKetrelTextInput() {}

int CKetrelTextInput::Init(IKetrelApplication* application, const CKetrelString& text,
                           const CKetrelString& title, u32 maxLength)
{
    m_application = application;
    m_window = application ? application->GetWindow() : 0;
    m_text = text;
    m_title = title;
    m_maxLength = maxLength;
    return KE_OK;
}

void CKetrelTextInput::SetText(const CKetrelString& text)
{
    m_text = text;
    if ((u32)m_text.GetLength() > m_maxLength)
        m_text.SetLength((int)m_maxLength);
}

CKetrelString* CKetrelTextInput::GetDisplayText()
{
    if (!m_password)
        return &m_text;
    m_masked.SetLength(m_text.GetLength());
    for (i32 i = 0; i < m_masked.GetLength(); i++)
        m_masked.SetAt(i, '*');
    return &m_masked;
}

void CKetrelTextInput::OnChar(u32 character)
{
    if (m_done)
        return;
    if (character == 13 || character == 10)
    {
        m_done = 1;
        return;
    }
    if (character == 8)
    {
        if (m_text.GetLength() > 0)
            m_text.SetLength(m_text.GetLength() - 1);
        return;
    }
    // Escape (27), Delete (127) and the other control characters that a
    // desktop keyboard produces must not end up in names or chat lines.
    if (character < 32 || character == 127)
        return;
    if ((u32)m_text.GetLength() < m_maxLength)
        m_text.Append((u16)character);
}

void CKetrelTextInput::Reset()
{
    m_done = 0;
}
