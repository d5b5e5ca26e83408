// framework/BrixDevice.cpp
#include "framework/BrixDevice.h"

#include "engine/KetrelResult.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kSystemBusAddress = "unix:path=/var/run/dbus/system_bus_socket";

const char* const kSimService = "com.nokia.phone.SIM";
const char* const kSimPath = "/com/nokia/phone/SIM/security";
const char* const kSimInterface = "Phone.Sim.Security";
const char* const kSimMethod = "get_imei";

const char* const kMceService = "com.nokia.mce";
const char* const kMcePath = "/com/nokia/mce/request";
const char* const kMceInterface = "com.nokia.mce.request";
const char* const kMceMethod = "req_vibrator_pattern_activate";
const char* const kVibrationPattern = "PatternTouchscreen";

const char* const kBrowserService = "com.nokia.osso_browser";
const char* const kBrowserPath = "/com/nokia/osso_browser/request";
const char* const kBrowserInterface = "com.nokia.osso_browser";
const char* const kBrowserMethod = "load_url";

// An IMEI longer than this is not an IMEI.
const int kMaxImeiBytes = 256;

char* CopyOrNull(const char* text)
{
    return text ? strdup(text) : nullptr;
}

// D-Bus strings must be UTF-8: each character as its UTF-8 form; halves of surrogate
// pairs, which have none, become '?'.
std::string ToDBusText(const CKetrelString& text)
{
    CKetrelString clean(text);
    for (i32 i = 0; i < clean.GetLength(); ++i)
        if (clean.GetAt(i) >= 0xD800 && clean.GetAt(i) <= 0xDFFF)
            clean.SetAt(i, '?');
    std::vector<char> utf8(clean.ToUTF8(nullptr));
    clean.ToUTF8(utf8.data());
    return std::string(utf8.data());
}

// Sends a call and waits for its answer; null when there is no answer or an error.
DBusMessage* CallAndWait(DBusConnection* connection, DBusMessage* call)
{
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, call,
                                                                   CBrixDevice::ReplyTimeoutMs, &error);
    dbus_error_free(&error);
    return reply;
}
}

CBrixDevice::CBrixDevice(const char* busAddress, const char* urlOpener)
    : m_app(nullptr),
      m_vibrationEnabled(0),
      m_busAddress(CopyOrNull(busAddress)),
      m_urlOpener(CopyOrNull(urlOpener))
{
}

CBrixDevice::~CBrixDevice()
{
    free(m_busAddress);
    free(m_urlOpener);
}

int CBrixDevice::Init(IKetrelApplication* app)
{
    m_app = app;
    m_vibrationEnabled = 1;
    m_info.model = "N900";
    m_info.maker = "Nokia";
    m_info.deviceId = ReadImei();
    m_info.osName = "Linux (Maemo)";
    m_info.osVersion = "4.1";
    m_info.spare.Clear();
    return KE_OK;
}

DBusConnection* CBrixDevice::Connect()
{
    dbus_threads_init_default();
    DBusError error;
    dbus_error_init(&error);
    // The system bus at its fixed address: the program reads no environment variable,
    // so only a test (through the constructor) points it elsewhere.
    DBusConnection* connection =
        dbus_connection_open_private(m_busAddress ? m_busAddress : kSystemBusAddress, &error);
    if (connection && !dbus_bus_register(connection, &error))
    {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        connection = nullptr;
    }
    dbus_error_free(&error);
    // A bus that goes away must not end the program.
    if (connection)
        dbus_connection_set_exit_on_disconnect(connection, FALSE);
    return connection;
}

void CBrixDevice::Disconnect(DBusConnection* connection)
{
    if (!connection)
        return;
    dbus_connection_flush(connection);
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}

CKetrelString CBrixDevice::ReadImei()
{
    CKetrelString imei;
    DBusConnection* connection = Connect();
    if (!connection)
        return imei;
    DBusMessage* call = dbus_message_new_method_call(kSimService, kSimPath, kSimInterface, kSimMethod);
    DBusMessage* reply = call ? CallAndWait(connection, call) : nullptr;
    if (reply)
    {
        DBusError error;
        dbus_error_init(&error);
        const char* text = nullptr;
        dbus_int32_t unused = 0;
        if (dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INT32, &unused,
                                  DBUS_TYPE_INVALID) && text)
            imei.FromUTF8(text, (int)strnlen(text, kMaxImeiBytes));
        dbus_error_free(&error);
        dbus_message_unref(reply);
    }
    if (call)
        dbus_message_unref(call);
    Disconnect(connection);
    return imei;
}

void CBrixDevice::Vibrate(i32)
{
    if (!m_vibrationEnabled)
        return;
    DBusConnection* connection = Connect();
    if (!connection)
        return;
    DBusMessage* call = dbus_message_new_method_call(kMceService, kMcePath, kMceInterface, kMceMethod);
    const char* pattern = kVibrationPattern;
    // Nothing waits for the vibrator: the call goes out and the frame goes on.
    if (call && dbus_message_append_args(call, DBUS_TYPE_STRING, &pattern, DBUS_TYPE_INVALID))
    {
        dbus_message_set_no_reply(call, TRUE);
        dbus_connection_send(connection, call, nullptr);
    }
    if (call)
        dbus_message_unref(call);
    Disconnect(connection);
}

void CBrixDevice::OpenUrl(const CKetrelString& url)
{
    if (url.IsEmpty())
        return;
    CKetrelString copy(url);
    copy.ReplaceAll(CKetrelString(L" "), CKetrelString(L"_"));
    const std::string text = ToDBusText(copy);

    bool taken = false;
    DBusConnection* connection = Connect();
    if (connection)
    {
        DBusMessage* call =
            dbus_message_new_method_call(kBrowserService, kBrowserPath, kBrowserInterface, kBrowserMethod);
        const char* arg = text.c_str();
        if (call && dbus_message_append_args(call, DBUS_TYPE_STRING, &arg, DBUS_TYPE_INVALID))
        {
            DBusMessage* reply = CallAndWait(connection, call);
            taken = reply != nullptr;
            if (reply)
                dbus_message_unref(reply);
        }
        if (call)
            dbus_message_unref(call);
        Disconnect(connection);
    }
    if (!taken && !text.empty() && text[0] != '-')
        StartOpener(text.c_str());
}

void CBrixDevice::StartOpener(const char* url)
{
    if (!m_urlOpener)
        return;
    // The opener runs as a grandchild, so that nothing is left to reap: the child
    // exits at once and is waited for here.
    pid_t child = fork();
    if (child < 0)
        return;
    if (child == 0)
    {
        pid_t opener = fork();
        if (opener == 0)
        {
            char* const argv[] = {m_urlOpener, const_cast<char*>(url), nullptr};
            execvp(m_urlOpener, argv);
            _exit(127);
        }
        _exit(opener < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
}

void CBrixDevice::UrlEncode(CKetrelString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        const u8 byte = (u8)text.GetAt(i);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
        {
            out.push_back((char)byte);
            continue;
        }
        out.push_back('%');
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 15]);
    }
    text = out.c_str();
}
