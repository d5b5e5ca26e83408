#include "DeviceTestBus.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

DeviceTestBus::DeviceTestBus()
{
    char pattern[] = "/tmp/brixbus.XXXXXX";
    if (!mkdtemp(pattern))
        return;
    m_folder = pattern;
    const std::string config = m_folder + "/bus.conf";
    std::ofstream(config) <<
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <listen>unix:dir=" << m_folder << "</listen>\n"
        "  <auth>EXTERNAL</auth>\n"
        "  <policy context=\"default\">\n"
        "    <allow user=\"*\"/>\n"
        "    <allow own=\"*\"/>\n"
        "    <allow send_destination=\"*\"/>\n"
        "    <allow receive_sender=\"*\"/>\n"
        "  </policy>\n"
        "</busconfig>\n";

    int out[2];
    if (pipe(out) != 0)
        return;
    pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], 1);
        // Its notes (a refused file limit when run as root) are of no interest here.
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, 2);
        close(out[0]);
        close(out[1]);
        const std::string arg = "--config-file=" + config;
        execlp("dbus-daemon", "dbus-daemon", arg.c_str(), "--nofork", "--print-address", (char*)nullptr);
        _exit(127);
    }
    close(out[1]);
    m_daemon = pid;
    std::string line;
    char ch;
    while (read(out[0], &ch, 1) == 1 && ch != '\n')
        line.push_back(ch);
    close(out[0]);
    m_address = line;
}

DeviceTestBus::~DeviceTestBus()
{
    StopServices();
    if (m_daemon > 0)
    {
        kill(m_daemon, SIGTERM);
        waitpid(m_daemon, nullptr, 0);
    }
    if (!m_folder.empty())
    {
        std::string command = "rm -rf '" + m_folder + "'";
        if (system(command.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", m_folder.c_str());
    }
}

bool DeviceTestBus::StartServices(bool sim, bool vibrator, bool browser, const std::string& imei)
{
    if (m_address.empty())
        return false;
    dbus_threads_init_default();
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(m_address.c_str(), &error);
    if (!connection || !dbus_bus_register(connection, &error))
    {
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    const std::pair<bool, const char*> names[] = {
        {sim, "com.nokia.phone.SIM"}, {vibrator, "com.nokia.mce"}, {browser, "com.nokia.osso_browser"}};
    for (const auto& n : names)
        if (n.first && dbus_bus_request_name(connection, n.second, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
                           DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)
        {
            dbus_error_free(&error);
            dbus_connection_close(connection);
            dbus_connection_unref(connection);
            return false;
        }
    m_imei = imei;
    m_stop = false;
    m_thread = std::thread([this, connection] { Serve(connection); });
    return true;
}

void DeviceTestBus::StopServices()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

void DeviceTestBus::Serve(void* opaque)
{
    DBusConnection* connection = static_cast<DBusConnection*>(opaque);
    while (!m_stop && dbus_connection_read_write(connection, 20))
    {
        DBusMessage* message;
        while ((message = dbus_connection_pop_message(connection)) != nullptr)
        {
            if (dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_METHOD_CALL)
            {
                const char* method = dbus_message_get_member(message);
                const char* arg = nullptr;
                DBusError error;
                dbus_error_init(&error);
                dbus_message_get_args(message, &error, DBUS_TYPE_STRING, &arg, DBUS_TYPE_INVALID);
                dbus_error_free(&error);
                {
                    std::lock_guard<std::mutex> hold(m_lock);
                    m_calls.push_back(std::string(dbus_message_get_interface(message)) + "." + method + ":" +
                                      (arg ? arg : ""));
                }
                DBusMessage* reply = dbus_message_new_method_return(message);
                if (strcmp(method, "get_imei") == 0)
                {
                    const char* imei = m_imei.c_str();
                    dbus_int32_t zero = 0;
                    dbus_message_append_args(reply, DBUS_TYPE_STRING, &imei, DBUS_TYPE_INT32, &zero,
                                             DBUS_TYPE_INVALID);
                }
                if (!dbus_message_get_no_reply(message))
                    dbus_connection_send(connection, reply, nullptr);
                dbus_message_unref(reply);
            }
            dbus_message_unref(message);
        }
    }
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}

std::vector<std::string> DeviceTestBus::Calls()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_calls;
}

bool DeviceTestBus::WaitForCalls(size_t count)
{
    for (int i = 0; i < 100; ++i)
    {
        if (Calls().size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
