#pragma once
// ui/UIServices.h: what the toolkit needs of the application it runs in. The
// framework implements these interfaces (its application, resource manager, device
// services, theme and language); tests implement them with recording fakes. Every
// call comes from the UI thread.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrel3DProgram;
class CKetrelBitmapFont;
class CKetrelSurface;
class IKetrelGraphicsContext;
class IKetrelSoundSource;

// Shared images, sounds, fonts and shader programs, counted by reference. A
// release of something the manager does not know returns 0: the caller owns that
// object, releases and deletes it itself.
class IUIResourceManager
{
public:
    virtual ~IUIResourceManager() {}

    // The image registered under name or loaded from the packs, with one reference
    // added; null for an empty name or when neither works.
    virtual CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) = 0;
    // The manager takes image with one reference; ignored for a name already taken.
    virtual void RegisterImage(const CKetrelString& name, CKetrelSurface* image) = 0;
    // 1 when image is null or known (one more reference), 0 when unknown.
    virtual int AddRefImage(CKetrelSurface* image) = 0;
    // 1 when *slot is null or known (one reference less; *slot cleared at the last),
    // 0 when unknown.
    virtual int ReleaseImage(CKetrelSurface** slot) = 0;

    // The registered or newly loaded sound; null for an empty or unloadable name.
    virtual IKetrelSoundSource* GetSound(const CKetrelString& name, u32 flags, u32 voices) = 0;
    // As ReleaseImage.
    virtual int ReleaseSound(IKetrelSoundSource** slot) = 0;

    // The font found or loaded; null for an empty name or a missing font.
    virtual CKetrelBitmapFont* GetFont(const CKetrelString& name) = 0;
    virtual int AddRefFont(CKetrelBitmapFont* font) = 0;
    virtual int ReleaseFont(CKetrelBitmapFont** slot) = 0;

    // Null for an empty or unknown name.
    virtual CKetrel3DProgram* FindShaderProgram(const CKetrelString& name) = 0;
    // The manager takes the program; an earlier one of that name is released.
    virtual void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program) = 0;
    virtual int ReleaseShaderProgram(CKetrel3DProgram** slot) = 0;

    // The whole resource in a new[] byte array that the caller delete[]s; the size,
    // or 0 with *data null for an empty or unknown name.
    virtual i32 ReadResource(const CKetrelString& name, u8** data) = 0;
};

// Device services. Errors are dropped.
class IUIDevice
{
public:
    virtual ~IUIDevice() {}
    // Starts the touch-screen vibration pattern when the user allows vibration.
    virtual void Vibrate(i32 value) = 0;
    // Opens the link in the browser; an empty link does nothing.
    virtual void OpenUrl(const CKetrelString& link) = 0;
    // The operating system's name from the device information record.
    virtual CKetrelString GetOSName() = 0;
};

// The colour theme.
class IUITheme
{
public:
    virtual ~IUITheme() {}
    // True with *colour (0xAARRGGBB) when the theme defines name (the last matching
    // entry wins); false with *colour untouched.
    virtual bool FindColor(const CKetrelString& name, u32* colour) = 0;
    virtual void AddColor(const CKetrelString& id, u32 colour) = 0;
    // The theme document's file name, "theme_%s.xml" with the theme's name.
    virtual void GetXMLFileName(CKetrelString* out) = 0;
};

// The current language.
class IUILanguage
{
public:
    virtual ~IUILanguage() {}
    // The text of that index; an index out of range gives the default text "X-X".
    virtual CKetrelString GetText(i32 index) = 0;
    // The language's code, as used in web links.
    virtual CKetrelString GetCode() = 0;
    // Text-direction flags that text widgets OR into their font flags.
    virtual u32 GetTextFlags() = 0;
};

// The application as the toolkit sees it. Any of the service getters may return
// null (no theme loaded, a tool without a device); callers check.
class IUIApplication
{
public:
    virtual ~IUIApplication() {}
    virtual IUIDevice* GetDevice() = 0;
    virtual IUITheme* GetTheme() = 0;
    virtual IUILanguage* GetLanguage() = 0;
    virtual IUIResourceManager* GetUIResources() = 0;
    // The drawing target (its size is the screen's); null without a window.
    virtual IKetrelGraphicsContext* GetUIGraphicsContext() = 0;

    // Values that web links are filled with.
    virtual i32 GetGameId() = 0;
    virtual i32 GetReleaseId() = 0;
    virtual CKetrelString GetResellerId() = 0;
    virtual CKetrelString GetSessionToken() = 0;
    virtual CKetrelString GetApplicationCheck() = 0;
};
