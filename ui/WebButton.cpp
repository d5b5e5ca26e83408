// ui/WebButton.cpp
#include "ui/WebButton.h"

CWidget* CWebButton::CreateInstance() const { return new CWebButton(); }

void CWebButton::CopyFrom(const CWidget* source)
{
    CButton::CopyFrom(source);
    const CWebButton* o = CWebButton::Cast(const_cast<CWidget*>(source));
    if (o && o != this)
        SetUrl(o->m_url);
}

CKetrelString CWebButton::BuildLink(IUIApplication* app) const
{
    CKetrelString link(m_url);
    link.ReplaceAll(CKetrelString("&amp;"), CKetrelString("&"));
    if (!app)
        return link;
    CKetrelString value;
    value.FromInt(app->GetGameId());
    link.Replace(CKetrelString("APPLICATION_ID"), value);
    value.FromInt(app->GetReleaseId());
    link.Replace(CKetrelString("RELEASE_ID"), value);
    link.Replace(CKetrelString("RESELLER_ID"), app->GetResellerId());
    IUILanguage* language = app->GetLanguage();
    link.Replace(CKetrelString("LANGUAGE"), language ? language->GetCode() : CKetrelString());
    link.Replace(CKetrelString("APPLICATION_TOKEN"), app->GetSessionToken());
    link.Replace(CKetrelString("APPLICATION_CHECK"), app->GetApplicationCheck());
    return link;
}

void CWebButton::Click()
{
    CWidgetWalkGuard guard;   // the click may destroy this button
    if (IUIApplication* app = GetApplication())
    {
        CKetrelString link = BuildLink(app);
        if (IUIDevice* device = app->GetDevice())
            if (!link.IsEmpty())
                device->OpenUrl(link);
    }
    CButton::Click();
}
