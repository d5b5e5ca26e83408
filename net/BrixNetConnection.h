#pragma once
// net/BrixNetConnection.h
#include "engine/KetrelTypes.h"

class IBrixConnectivityService;

// Makes a service instance; the caller owns it. Null when none can be made.
typedef IBrixConnectivityService* (*BrixConnectivityFactory)();

// Asks the platform's connectivity service for the Internet connection before the
// network session connects, and keeps a flag that follows the service's CONNECTED and
// DISCONNECTED events. The desktop service answers at once, so Connect never waits
// there. Main thread only.
class CBrixNetConnection
{
public:
    enum
    {
        KE_CONNECT_WAIT_PASSES = 20000,   // passes of the wait for the service's answer
        KE_CONNECT_PASS_US = 500          // pause after each pass
    };

    // factory null: the desktop service. waitPasses bounds the wait (tests shorten it).
    explicit CBrixNetConnection(BrixConnectivityFactory factory = nullptr,
                                i32 waitPasses = KE_CONNECT_WAIT_PASSES);
    virtual ~CBrixNetConnection();          // Close

    // 1 when the connection is up (at once when the flag is already set). Otherwise
    // asks the service and pumps its events until it reports CONNECTED, up to the wait
    // bound; 0 when it refused the request or never answered, with nothing kept.
    i32 Connect();
    // 1 at once while the flag is set; otherwise Close, then Connect.
    i32 EnsureConnected();
    // Disconnects the handler, releases the service and clears the flag.
    void Close();
    i32 IsConnected() const { return m_connected; }

    // The "connection-event" handler; userData is the CBrixNetConnection. CONNECTED sets
    // the flag, DISCONNECTED clears it, other states leave it.
    static void OnConnectionEvent(IBrixConnectivityService* service, i32 status, void* userData);

private:
    CBrixNetConnection(const CBrixNetConnection&) = delete;
    CBrixNetConnection& operator=(const CBrixNetConnection&) = delete;

    BrixConnectivityFactory m_factory;
    i32 m_waitPasses;
    IBrixConnectivityService* m_service;    // owned; null when none
    u32 m_handlerId;                        // of the connection-event handler
    i32 m_connected;                        // 1 once the service reported CONNECTED
};
