// fuzz/advertisement.cpp: a message 80 from hostile bytes, decoded as the session does
// and handed to the advertisement overlay, which decodes its picture, cuts the frames,
// runs the countdown (the message's first text serves as the countdown's format) and
// the animation, draws on a software target and closes.
#include "engine/KetrelApplication.h"
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/graphics/KetrelSurface.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "framework/BrixAdvertisement.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixResourceManager.h"
#include "net/ASN1Messages.h"
#include "ui/UIServices.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
// The parts of the overlay's layout that the code looks for.
const char kLayout[] =
    "<ui><area width='320' height='240'>"
    "<element name='adimage' type='image'><size w='0.5' h='0.5'/></element>"
    "<element name='text_title' type='text'><size w='1' h='0.1'/><text/></element>"
    "<element name='text_closing' type='text'><size w='1' h='0.1'/><text/></element>"
    "<element name='button_close' type='button' display='0'><size w='0.1' h='0.1'/>"
    "<events><onclick action='ad_close'/></events></element>"
    "</area></ui>";

class Host : public IKetrelApplication, public CBrixResourceManager, public IBrixFrameworkHost,
             public IUIApplication, public IUIResourceManager
{
public:
    Host()
    {
        unsetenv("DISPLAY");   // a software target of a size of our own
        CKetrelSurfaceDesc desc = {320, 240, 0, 7, 0, 4};
        GetBackBuffer()->Create(this, &desc);
        CBrixResourceManager::Init(this, nullptr);
    }
    void OnFrame() override {}

    IKetrelApplication* GetEngineApplication() override { return this; }
    CBrixResourceManager* GetResourceManager() override { return this; }
    IUIApplication* GetUIApplication() override { return this; }
    int EnterSocialFramework() override { return 1; }
    void ShowBusyScreen() override {}
    void Quit() override { ++quits; }
    CKetrelString GetLanguageText(i32 index) override
    { return index == CBrixAdvertisement::TEXT_COUNTDOWN ? countdown : CKetrelString("Close"); }
    void OpenLink(const CKetrelString&) override {}
    i32 IsLinkBusy() override { return 0; }
    i32 IsMatchRequestPending() override { return 0; }

    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return this; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return GetGraphicsContext(); }
    i32 GetGameId() override { return 0; }
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }

    using CBrixResourceManager::GetImage;
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override
    { return CBrixResourceManager::GetImage(name, flags); }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override
    { CBrixResourceManager::RegisterImage(name, image); }
    int AddRefImage(CKetrelSurface* image) override { return CBrixResourceManager::AddRefImage(image); }
    int ReleaseImage(CKetrelSurface** slot) override { return CBrixResourceManager::ReleaseImage(slot); }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource** slot) override { return CBrixResourceManager::ReleaseSound(slot); }
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override { return CBrixResourceManager::GetFont(name); }
    int AddRefFont(CKetrelBitmapFont* font) override { return CBrixResourceManager::AddRefFont(font); }
    int ReleaseFont(CKetrelBitmapFont** slot) override { return CBrixResourceManager::ReleaseFont(slot); }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram** slot) override
    { return CBrixResourceManager::ReleaseShaderProgram(slot); }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        *data = nullptr;
        if (!name.Equals(CKetrelString(CBrixAdvertisement::LayoutFile)))
            return 0;
        *data = new u8[sizeof kLayout];
        memcpy(*data, kLayout, sizeof kLayout);
        return (i32)sizeof kLayout - 1;
    }

    CKetrelString countdown;
    int quits = 0;
};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Host* host = new Host();
    static CBrixAdvertisement* ad = nullptr;
    if (!ad)
    {
        ad = new CBrixAdvertisement();
        if (ad->Init(host) != 1)
            abort();
    }
    CKetrelString s0, s1, s6, s8, s9;
    u8* image = nullptr;
    i32 imageSize = 0, displayMs = 0, closingMs = 0, flags = 0;
    CKetrelArray<i32> frames;
    CASN1AdvertisementInfo message(&s0, &s1, &image, &imageSize, &displayMs, &closingMs, &frames, &s6,
                                   &flags, &s8, &s9);
    if (message.Decode(data, (int)size) > 0)
    {
        host->countdown = s0;
        // Keep a run short: at most a few seconds of countdown, whatever the message says.
        if (closingMs > 3000 || closingMs < -3000)
            closingMs %= 3000;
        ad->Show(s0, s1, imageSize, image, displayMs, closingMs, frames, s6, flags | 8, s8, s9);
        for (int i = 0; i < 8; ++i)
        {
            ad->Update(0.5f);
            ad->Render();
            if (ad->GetPicture())
            {
                CKetrelRect frame;
                ad->GetPicture()->GetFrameRect(ad->GetFrameIndex(), &frame);
                if (frame.bottom <= frame.top || ad->GetFrameIndex() < 0 ||
                    (ad->GetFrameTimeCount() > 0 && ad->GetFrameIndex() >= ad->GetFrameTimeCount()))
                    abort();
            }
        }
        if (ad->IsShown() && ad->GetCountdown() >= 0.0f)
            abort();   // the close button is up after the (shortened) countdown
        CBrixAdvertisement::OnCloseAction(nullptr, ad);
        if (ad->IsShown() || ad->GetPicture())
            abort();
    }
    delete[] image;
    return 0;
}
