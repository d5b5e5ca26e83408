#pragma once
// framework/BrixFrameworkHost.h
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixResourceManager;
class IKetrelApplication;
class IUIApplication;

// What the framework's own screens and overlays (intro, title, toast, advertisement)
// need of the application that owns them. The framework application implements it;
// tests implement it with fakes. Main thread only.
class IBrixFrameworkHost
{
public:
    virtual ~IBrixFrameworkHost() {}

    // The engine application: the drawing target, the idle timer, surface owners.
    virtual IKetrelApplication* GetEngineApplication() = 0;
    virtual CBrixResourceManager* GetResourceManager() = 0;
    // The toolkit's view of the application, handed to layout loaders; may be null.
    virtual IUIApplication* GetUIApplication() = 0;

    // Starts the social part (connection, network session, lobby menu state behind the
    // first state); a result code.
    virtual int EnterSocialFramework() = 0;
    // Black screen with the busy picture in the bottom-right corner.
    virtual void ShowBusyScreen() = 0;
    // Ends the run at the end of the current frame.
    virtual void Quit() = 0;

    // The current language's text of that index ("X-X" when out of range).
    virtual CKetrelString GetLanguageText(i32 index) = 0;
    // Opens the link in the browser; an empty link does nothing.
    virtual void OpenLink(const CKetrelString& link) = 0;
    // 1 while the game link is up or the game screen is busy.
    virtual i32 IsLinkBusy() = 0;
    // 1 while the network session waits for an answer to a match request.
    virtual i32 IsMatchRequestPending() = 0;
};
