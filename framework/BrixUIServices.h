#pragma once
// framework/BrixUIServices.h
#include "framework/BrixResourceManager.h"
#include "ui/UIServices.h"

class CTolvaneApplication;

// The toolkit's services, answered by the framework application: its resource manager,
// device services, current theme and current language. The theme and the language are
// looked up on every call, since the application replaces them at run time; a getter
// answers null while the application has none.
class CBrixUIServices : public IUIApplication,
                        public IUIResourceManager,
                        public IUIDevice,
                        public IUITheme,
                        public IUILanguage
{
public:
    explicit CBrixUIServices(CTolvaneApplication* application) : m_app(application) {}

    // IUIApplication
    IUIDevice* GetDevice() override;
    IUITheme* GetTheme() override;
    IUILanguage* GetLanguage() override;
    IUIResourceManager* GetUIResources() override { return this; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override;
    i32 GetGameId() override;
    i32 GetReleaseId() override;
    CKetrelString GetResellerId() override;
    CKetrelString GetSessionToken() override;
    CKetrelString GetApplicationCheck() override;

    // IUIResourceManager
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override;
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override;
    int AddRefImage(CKetrelSurface* image) override;
    int ReleaseImage(CKetrelSurface** slot) override;
    IKetrelSoundSource* GetSound(const CKetrelString& name, u32 flags, u32 voices) override;
    int ReleaseSound(IKetrelSoundSource** slot) override;
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override;
    int AddRefFont(CKetrelBitmapFont* font) override;
    int ReleaseFont(CKetrelBitmapFont** slot) override;
    CKetrel3DProgram* FindShaderProgram(const CKetrelString& name) override;
    void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program) override;
    int ReleaseShaderProgram(CKetrel3DProgram** slot) override;
    i32 ReadResource(const CKetrelString& name, u8** data) override;

    // IUIDevice
    void Vibrate(i32 value) override;
    void OpenUrl(const CKetrelString& link) override;
    CKetrelString GetOSName() override;

    // IUITheme
    bool FindColor(const CKetrelString& name, u32* colour) override;
    void AddColor(const CKetrelString& id, u32 colour) override;
    void GetXMLFileName(CKetrelString* out) override;

    // IUILanguage
    CKetrelString GetText(i32 index) override;
    CKetrelString GetCode() override;
    u32 GetTextFlags() override;

private:
    CBrixResourceManager* Resources();
    CTolvaneApplication* m_app;     // not owned; it owns this object
};
