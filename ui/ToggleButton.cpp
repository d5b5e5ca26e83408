// ui/ToggleButton.cpp
#include "ui/ToggleButton.h"

#include "engine/KetrelFramePacer.h"
#include "engine/KetrelResult.h"

int CToggleButton::Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect)
{
    int r = CButton::Init(app, resources, rect);
    if (r != KE_OK)
        ReportError(r);
    return r;
}

CWidget* CToggleButton::CreateInstance() const { return new CToggleButton(); }

void CToggleButton::SetToggled(bool toggled)
{
    const u32 t = toggled ? 1 : 0;
    if (t == m_toggled)
        return;
    CKetrelFramePacer::NoteScreenActivity();
    m_toggled = t;
    RefreshFaces(false);
}

void CToggleButton::Click()
{
    CWidgetWalkGuard guard;   // face callbacks and the click may destroy this button
    SetToggled(!IsToggled());
    CButton::Click();
}

void CToggleButton::OnChildAdded(CWidget* child)
{
    RefreshFaces(true);
    CButton::OnChildAdded(child);
}

void CToggleButton::OnChildRemoved(CWidget* child)
{
    CButton::OnChildRemoved(child);
    RefreshFaces(true);
}

void CToggleButton::RefreshFaces(bool showAll)
{
    CWidgetWalkGuard guard;
    const i32 n = GetChildCount();
    if (showAll)
        for (i32 i = 0; i < n && i < GetChildCount(); ++i)
            GetChild(i)->SetVisible(true);
    if (GetChildCount() < 2 || GetChildCount() != n)
        return;
    GetChild(n - 2)->SetVisible(!m_toggled);
    GetChild(n - 1)->SetVisible(m_toggled != 0);
}
