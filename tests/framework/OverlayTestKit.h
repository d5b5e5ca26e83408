#pragma once
// Helpers of the intro, title, toast and advertisement tests: a framework host that
// records what the screens ask of the application, over either a software drawing
// target of a chosen size or a window of the shared private X server, with the
// framework's built packs (layouts, pictures, fonts) reachable by their bare names.
#include "ResourceTestKit.h"

#include "engine/KetrelApplication.h"
#include "framework/BrixFrameworkHost.h"
#include "framework/BrixResourceManager.h"
#include "ui/UIServices.h"

#include <map>
#include <string>
#include <vector>

class CWidget;

// The toolkit's resource interface over the framework's resource manager.
class UIResources : public IUIResourceManager
{
public:
    explicit UIResources(CBrixResourceManager* manager) : m(manager) {}
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override { return m->GetImage(name, flags); }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override { m->RegisterImage(name, image); }
    int AddRefImage(CKetrelSurface* image) override { return m->AddRefImage(image); }
    int ReleaseImage(CKetrelSurface** slot) override { return m->ReleaseImage(slot); }
    IKetrelSoundSource* GetSound(const CKetrelString& name, u32 flags, u32 voices) override
    { return m->GetSound(name, flags, voices); }
    int ReleaseSound(IKetrelSoundSource** slot) override { return m->ReleaseSound(slot); }
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override { return m->GetFont(name); }
    int AddRefFont(CKetrelBitmapFont* font) override { return m->AddRefFont(font); }
    int ReleaseFont(CKetrelBitmapFont** slot) override { return m->ReleaseFont(slot); }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString& name) override { return m->FindShaderProgram(name); }
    void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program) override
    { m->RegisterShaderProgram(name, program); }
    int ReleaseShaderProgram(CKetrel3DProgram** slot) override { return m->ReleaseShaderProgram(slot); }
    i32 ReadResource(const CKetrelString& name, u8** data) override { return m->ReadResource(name, data); }

private:
    CBrixResourceManager* m;
};

// Everything of the host but the engine application, which the two kinds below add.
class HostServices : public CBrixResourceManager, public IBrixFrameworkHost, public IUIApplication,
                     public IUILanguage, public IUITheme
{
public:
    HostServices() : uiResources(this) {}

    // Adds the built packs that hold the framework's layouts, pictures and fonts.
    bool AddFrameworkPacks();

    // IBrixFrameworkHost
    CBrixResourceManager* GetResourceManager() override { return this; }
    IUIApplication* GetUIApplication() override { return this; }
    int EnterSocialFramework() override { ++socialEntered; return 1; }
    void ShowBusyScreen() override { ++busyScreens; }
    void Quit() override { ++quits; }
    CKetrelString GetLanguageText(i32 index) override;
    void OpenLink(const CKetrelString& link) override;
    i32 IsLinkBusy() override { return linkBusy; }
    i32 IsMatchRequestPending() override { return matchPending; }

    // IUIApplication
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return this; }
    IUILanguage* GetLanguage() override { return this; }
    IUIResourceManager* GetUIResources() override { return &uiResources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override;
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString("test"); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }

    // IUITheme: the text colours of the default theme that the layouts name.
    bool FindColor(const CKetrelString& name, u32* colour) override;
    void AddColor(const CKetrelString&, u32) override {}
    void GetXMLFileName(CKetrelString* out) override { *out = CKetrelString("theme_test.xml"); }

    // IUILanguage
    CKetrelString GetText(i32 index) override { return GetLanguageText(index); }
    CKetrelString GetCode() override { return CKetrelString("en"); }
    u32 GetTextFlags() override { return 0; }

    UIResources uiResources;
    std::map<int, std::string> texts = {{0, "OK"}, {1, "Close in %d"}, {209, "Close"}};
    int socialEntered = 0, busyScreens = 0, quits = 0;
    std::vector<std::string> links;
    i32 linkBusy = 0, matchPending = 0;
};

// A host drawing into a software surface of width x height (no X server involved).
class SoftwareHost : public TestApp, public HostServices
{
public:
    // sound (may be null: no sounds) must outlive the host.
    SoftwareHost(int width = 800, int height = 480, CKetrelSoundEngine* sound = nullptr);
    ~SoftwareHost();
    IKetrelApplication* GetEngineApplication() override { return this; }
};

// A host with an 800 x 480 window on the shared private X server, drawn by OpenGL ES.
// Start the server (CKetrelTestXServer::Shared) before making one.
class WindowHost : public IKetrelApplication, public HostServices
{
public:
    WindowHost();
    ~WindowHost();
    void OnFrame() override {}
    IKetrelApplication* GetEngineApplication() override { return this; }
    // False (the test should skip) without a server or a renderer.
    bool Ready() const { return m_ready; }
    // The frame drawn so far, read back before it is presented, as 0xFFRRGGBB rows.
    std::vector<u32> ReadBack();
    void Present();

private:
    bool m_ready;
};

// Links a pack built beside the program into the test program's folder, where the
// screens look for packs named without a path. False when the pack was not built.
bool LinkBuiltPack(const std::string& name);
void UnlinkBuiltPack(const std::string& name);

std::string Narrow(const CKetrelString& text);
CWidget* FindWidget(CWidget* root, const char* name);

// Writes 0xFFRRGGBB rows as a PNG under the build folder's tests/framework; false on failure.
bool SavePicture(const std::string& name, const std::vector<u32>& pixels, int width, int height);

// Channel-wise distance of two 0xRRGGBB colours (the largest of the three).
int ColourDistance(u32 a, u32 b);
