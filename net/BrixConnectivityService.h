#pragma once
// net/BrixConnectivityService.h
#include "engine/KetrelTypes.h"

// The platform service that brings the Internet connection up, as the connection
// request (CBrixNetConnection) sees it: a request, and "connection-event"s carrying a
// status, dispatched to a registered handler when the caller pumps the service. Main
// thread only.
class IBrixConnectivityService
{
public:
    enum
    {
        STATUS_CONNECTED = 0,
        STATUS_DISCONNECTED = 1,
        STATUS_DISCONNECTING = 2,
        STATUS_NETWORK_UP = 3
    };
    typedef void (*EventHandler)(IBrixConnectivityService* service, i32 status, void* userData);

    virtual ~IBrixConnectivityService() {}

    // Registers the handler of connection events; the id (above 0) disconnects it.
    virtual u32 ConnectEventHandler(EventHandler handler, void* userData) = 0;
    virtual void DisconnectEventHandler(u32 id) = 0;
    // Asks for the connection. 1 when the request was taken; its outcome comes as events.
    virtual i32 RequestConnection() = 0;
    // 1 while events wait to be dispatched.
    virtual i32 EventsPending() = 0;
    // Hands the waiting events to the handler. Never blocks.
    virtual void DispatchEvents() = 0;
};

// The desktop's service: the machine's own network counts as up, so a request is taken
// and answered with STATUS_CONNECTED at the next dispatch.
class CBrixDesktopConnectivity : public IBrixConnectivityService
{
public:
    CBrixDesktopConnectivity();

    u32 ConnectEventHandler(EventHandler handler, void* userData) override;
    void DisconnectEventHandler(u32 id) override;
    i32 RequestConnection() override;
    i32 EventsPending() override;
    void DispatchEvents() override;

    static IBrixConnectivityService* Create();   // the caller owns it (delete)

private:
    EventHandler m_handler;    // null when none is connected
    void* m_userData;
    u32 m_handlerId;
    i32 m_answerPending;       // a request waits for its CONNECTED event
};
