#pragma once
// ui/ToggleButton.h: a button with an on/off state. Its last two children are its
// faces: the second-to-last shows while off, the last while on; with fewer than two
// children every child shows whatever the state.
#include "ui/Button.h"

class CToggleButton : public CButton
{
public:
    static CToggleButton* Cast(CWidget* w)
    { return WidgetCast<CToggleButton>(w, CWidgetType::ToggleButton()); }
    const CWidgetType& GetType() const override { return CWidgetType::ToggleButton(); }

    int Init(IUIApplication* app, IUIResourceManager* resources, const CKetrelRect& rect) override;
    CWidget* CreateInstance() const override;
    void OnChildAdded(CWidget* child) override;
    void OnChildRemoved(CWidget* child) override;
    // Flips the state, then the button's click.
    void Click() override;

    bool IsToggled() const { return m_toggled != 0; }
    // On a change: the state, then the faces.
    void SetToggled(bool toggled);

protected:
    // showAll shows every child first; then the face of the state is shown.
    void RefreshFaces(bool showAll);
};
