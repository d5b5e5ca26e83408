#pragma once
// ui/WebButton.h: a button that opens a web link when clicked. The link is a
// template whose placeholders ("APPLICATION_ID", "RELEASE_ID", "RESELLER_ID",
// "LANGUAGE", "APPLICATION_TOKEN", "APPLICATION_CHECK") are filled, first
// occurrence each, from the running application at click time; "&amp;" becomes "&".
#include "engine/KetrelString.h"
#include "ui/Button.h"

class CWebButton : public CButton
{
public:
    static CWebButton* Cast(CWidget* w) { return WidgetCast<CWebButton>(w, CWidgetType::WebButton()); }
    const CWidgetType& GetType() const override { return CWidgetType::WebButton(); }

    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* source) override;
    // Opens the filled link (with an application), then the button's click.
    void Click() override;

    const CKetrelString& GetUrl() const { return m_url; }
    void SetUrl(const CKetrelString& url) { m_url = url; }
    // The link that a click opens now: the template filled from app (null: only the
    // ampersands are unescaped).
    CKetrelString BuildLink(IUIApplication* app) const;

private:
    CKetrelString m_url;
};
