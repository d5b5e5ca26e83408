#pragma once
// net/BrixSessionHost.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;

// The values the client hello carries about this program and device.
struct CBrixClientInfo
{
    i32 appGameId = 0;             // the game's id
    CKetrelString version;         // the game's version text
    CKetrelString model;           // device model
    CKetrelString osVersion;
    CKetrelString deviceId;
    CKetrelString osName;
    CKetrelString userAgent;       // the device record's spare text (empty here)
    CKetrelString resellerId;
    CKetrelString languageCode;    // of the current language
    i32 screenWidth = 0;           // of the drawing context; 0 without one
    i32 screenHeight = 0;
};

// What the network session needs of the application that hosts it. The framework's
// application implements it, so the session never names a higher layer. Main thread.
class IBrixSessionHost
{
public:
    virtual ~IBrixSessionHost() {}

    // The engine application whose frames run the socket engines.
    virtual IKetrelApplication* GetEngineApplication() = 0;
    // The framework language's text by index; empty when there is none.
    virtual CKetrelString GetLanguageText(i32 index) = 0;
    virtual void GetClientInfo(CBrixClientInfo* info) = 0;
};
