#pragma once
// A private D-Bus daemon for the device tests, with a small stand-in for the handset's
// SIM, vibrator and browser services that answers their calls and records them.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DeviceTestBus
{
public:
    // Starts dbus-daemon on a socket in a private folder; Address() is empty when it
    // could not start.
    DeviceTestBus();
    ~DeviceTestBus();
    const std::string& Address() const { return m_address; }

    // Owns the chosen service names and answers: get_imei with imei, the vibration
    // and load_url with an empty reply. False when the names cannot be taken.
    bool StartServices(bool sim, bool vibrator, bool browser, const std::string& imei);
    void StopServices();

    // "method:argument" of every call received so far.
    std::vector<std::string> Calls();
    // Waits up to a second for at least count calls.
    bool WaitForCalls(size_t count);

private:
    void Serve(void* connection);

    std::string m_folder;
    std::string m_address;
    int m_daemon = -1;               // process id
    std::string m_imei;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ready{false};
    std::mutex m_lock;
    std::vector<std::string> m_calls;
};
