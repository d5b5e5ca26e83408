#pragma once
// net/BrixSessionHost.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelSurface;
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

// One chat line: kind (0 to 5), text and the sender's player id.
struct CBrixChatRecord
{
    i32 kind = 0;
    CKetrelString text;
    i32 senderId = 0;
};

// A store of language packs as the session sees it: the application's language, or the
// game's own texts (pack base "game").
class IBrixLanguageStore
{
public:
    virtual ~IBrixLanguageStore() {}
    // True when the pack of that code is missing or its digest differs.
    virtual bool NeedsUpdate(const CKetrelString& code, const CKetrelString& digest) = 0;
    virtual bool HasPack(const CKetrelString& code) = 0;
    virtual void AddLanguagePack(const CKetrelString& code) = 0;
    virtual void ReloadLanguagePack(const CKetrelString& code) = 0;
    // The base of this store's pack files (the game store's replaces "game").
    virtual CKetrelString GetBaseName() = 0;
};

// What the network session needs of the application that hosts it. The framework's
// application implements it, so the session never names a higher layer. Main thread.
// The operations with a body have a harmless default for hosts that do not offer them.
class IBrixSessionHost
{
public:
    virtual ~IBrixSessionHost() {}

    // The engine application whose frames run the socket engines.
    virtual IKetrelApplication* GetEngineApplication() = 0;
    // The framework language's text by index; empty when there is none.
    virtual CKetrelString GetLanguageText(i32 index) = 0;
    virtual void GetClientInfo(CBrixClientInfo* info) = 0;

    // The game's own id and the token of its web links.
    virtual i32 GetAppGameId();
    virtual CKetrelString GetApplicationToken() { return CKetrelString(); }
    // The game's player limits for the room (both 2 for this game).
    virtual void GetPlayerLimits(i32* minimum, i32* maximum) { *minimum = 2; *maximum = 2; }
    // The user data folder, ending in '/'.
    virtual CKetrelString GetUserDataFolder();
    // A chat line to show; incoming 1 for a received one, 0 for the player's own.
    virtual void ShowChatNotice(const CBrixChatRecord&, int /*incoming*/) {}
    // The server sent the client to another lobby server.
    virtual void RedirectServer(const CKetrelString& /*host*/, int /*port*/) {}
    // Language stores: 0 the application's, 1 the game's; null when there is none.
    virtual IBrixLanguageStore* GetLanguageStore(int /*which*/) { return nullptr; }
    // The code of the current language, and choosing one again.
    virtual CKetrelString GetLanguageCode();
    virtual void SetLanguage(const CKetrelString& /*code*/) {}
    // The pack digest of the current theme (empty without one), and a new theme by name.
    virtual CKetrelString GetThemeDigest() { return CKetrelString(); }
    virtual void SetTheme(const CKetrelString& /*name*/) {}
    // A picture from received bytes; the caller owns it. Null when it cannot be made.
    virtual CKetrelSurface* LoadPicture(const u8* /*data*/, i32 /*size*/) { return nullptr; }
};
