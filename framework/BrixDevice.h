#pragma once
// framework/BrixDevice.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class IKetrelApplication;
struct DBusConnection;

// What the handset says about itself, sent in the client hello and the web links'
// check value. Callers may change the fields (the application puts its own stored id
// into deviceId when the handset has none).
struct CBrixDeviceInfo
{
    CKetrelString model;        // "N900"
    CKetrelString maker;        // "Nokia"
    CKetrelString deviceId;     // the SIM service's IMEI, or empty
    CKetrelString osName;       // "Linux (Maemo)"
    CKetrelString osVersion;    // "4.1"
    CKetrelString spare;        // empty
};

// The handset's services, as D-Bus method calls on the system bus (at its fixed
// address; no environment variable redirects it): the IMEI from the
// SIM service, a short vibration from the vibrator control, and web pages in the
// browser. No call reports failure: without a bus or a service the IMEI is empty,
// vibration does nothing, and a web link is handed to the desktop's opener instead
// (started directly, without a shell). Main thread only; the IMEI and browser calls
// wait for their answer (at most ReplyTimeoutMs), the vibration does not.
class CBrixDevice
{
public:
    enum { ReplyTimeoutMs = 2000 };

    // For tests only: busAddress replaces the system bus (null: the system bus), and
    // urlOpener the desktop's "xdg-open" (null: no fallback).
    explicit CBrixDevice(const char* busAddress = nullptr, const char* urlOpener = "xdg-open");
    virtual ~CBrixDevice();

    // Keeps app, enables vibration and fills the info record (reading the IMEI). 1.
    int Init(IKetrelApplication* app);
    CBrixDeviceInfo& GetInfo() { return m_info; }

    void SetVibrationEnabled(i32 enabled) { m_vibrationEnabled = enabled; }
    i32 IsVibrationEnabled() const { return m_vibrationEnabled; }
    // One "PatternTouchscreen" vibration while enabled; the argument has no effect.
    void Vibrate(i32 ignored);
    // Spaces become '_'. Nothing for an empty URL. A URL that no browser service
    // takes goes to the desktop opener unless it begins with '-' (an option there).
    void OpenUrl(const CKetrelString& url);
    // Empty on any failure.
    CKetrelString ReadImei();
    // Letters and digits stay; every other byte (the low byte of each character)
    // becomes "%XX" in upper-case hex.
    static void UrlEncode(CKetrelString& text);
    void Release() {}

private:
    CBrixDevice(const CBrixDevice&) = delete;
    CBrixDevice& operator=(const CBrixDevice&) = delete;

    // A private connection to the bus, registered; null when there is none.
    DBusConnection* Connect();
    static void Disconnect(DBusConnection* connection);
    void StartOpener(const char* url);

    IKetrelApplication* m_app;   // not owned
    CBrixDeviceInfo m_info;
    i32 m_vibrationEnabled;      // 0 after construction, 1 after Init
    char* m_busAddress;          // owned copy; null for the system bus
    char* m_urlOpener;           // owned copy; null for no fallback
};
