// framework/BrixUIServices.cpp
#include "framework/BrixUIServices.h"

#include "framework/BrixDevice.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixTheme.h"
#include "framework/TolvaneApplication.h"

CBrixResourceManager* CBrixUIServices::Resources() { return m_app; }

IUIDevice* CBrixUIServices::GetDevice() { return m_app->GetDevice() ? this : nullptr; }
IUITheme* CBrixUIServices::GetTheme() { return m_app->GetTheme() ? this : nullptr; }
IUILanguage* CBrixUIServices::GetLanguage() { return m_app->GetLanguage() ? this : nullptr; }

IKetrelGraphicsContext* CBrixUIServices::GetUIGraphicsContext()
{
    return m_app->HasWindow() ? m_app->GetGraphicsContext() : nullptr;
}

i32 CBrixUIServices::GetGameId() { return m_app->GetGameId(); }
i32 CBrixUIServices::GetReleaseId() { return m_app->GetReleaseId(); }
CKetrelString CBrixUIServices::GetResellerId() { return m_app->GetResellerId(); }
CKetrelString CBrixUIServices::GetSessionToken() { return m_app->GetSessionToken(); }
CKetrelString CBrixUIServices::GetApplicationCheck() { return m_app->GetApplicationCheck(); }

CKetrelSurface* CBrixUIServices::GetImage(const CKetrelString& name, u32 flags)
{
    return Resources()->GetImage(name, flags);
}

void CBrixUIServices::RegisterImage(const CKetrelString& name, CKetrelSurface* image)
{
    Resources()->RegisterImage(name, image);
}

int CBrixUIServices::AddRefImage(CKetrelSurface* image) { return Resources()->AddRefImage(image); }
int CBrixUIServices::ReleaseImage(CKetrelSurface** slot) { return Resources()->ReleaseImage(slot); }

IKetrelSoundSource* CBrixUIServices::GetSound(const CKetrelString& name, u32 flags, u32 voices)
{
    return Resources()->GetSound(name, flags, voices);
}

int CBrixUIServices::ReleaseSound(IKetrelSoundSource** slot) { return Resources()->ReleaseSound(slot); }
CKetrelBitmapFont* CBrixUIServices::GetFont(const CKetrelString& name) { return Resources()->GetFont(name); }
int CBrixUIServices::AddRefFont(CKetrelBitmapFont* font) { return Resources()->AddRefFont(font); }
int CBrixUIServices::ReleaseFont(CKetrelBitmapFont** slot) { return Resources()->ReleaseFont(slot); }

CKetrel3DProgram* CBrixUIServices::FindShaderProgram(const CKetrelString& name)
{
    return Resources()->FindShaderProgram(name);
}

void CBrixUIServices::RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program)
{
    Resources()->RegisterShaderProgram(name, program);
}

int CBrixUIServices::ReleaseShaderProgram(CKetrel3DProgram** slot)
{
    return Resources()->ReleaseShaderProgram(slot);
}

i32 CBrixUIServices::ReadResource(const CKetrelString& name, u8** data)
{
    return Resources()->ReadResource(name, data);
}

void CBrixUIServices::Vibrate(i32 value)
{
    if (CBrixDevice* device = m_app->GetDevice())
        device->Vibrate(value);
}

void CBrixUIServices::OpenUrl(const CKetrelString& link)
{
    if (CBrixDevice* device = m_app->GetDevice())
        device->OpenUrl(link);
}

CKetrelString CBrixUIServices::GetOSName()
{
    CBrixDevice* device = m_app->GetDevice();
    return device ? device->GetInfo().osName : CKetrelString();
}

bool CBrixUIServices::FindColor(const CKetrelString& name, u32* colour)
{
    CBrixTheme* theme = m_app->GetTheme();
    return theme && theme->FindColour(name, colour) != 0;
}

void CBrixUIServices::AddColor(const CKetrelString& id, u32 colour)
{
    if (CBrixTheme* theme = m_app->GetTheme())
    {
        CBrixThemeColour entry;
        entry.name = id;
        entry.colour = colour;
        theme->AddColour(entry);
    }
}

void CBrixUIServices::GetXMLFileName(CKetrelString* out)
{
    CBrixTheme* theme = m_app->GetTheme();
    if (!out)
        return;
    if (theme)
        theme->GetXmlFileName(*out);
    else
        out->Clear();
}

CKetrelString CBrixUIServices::GetText(i32 index)
{
    CBrixLanguage* language = m_app->GetLanguage();
    return language ? language->GetText(index) : CKetrelString(L"X-X");
}

CKetrelString CBrixUIServices::GetCode()
{
    CBrixLanguage* language = m_app->GetLanguage();
    return language ? language->GetCurrentCode() : CKetrelString();
}

u32 CBrixUIServices::GetTextFlags()
{
    CBrixLanguage* language = m_app->GetLanguage();
    return language ? language->GetTextFlags() : 0;
}
