// net/BrixNetConnection.cpp
#include "net/BrixNetConnection.h"

#include "net/BrixConnectivityService.h"

#include <unistd.h>

CBrixNetConnection::CBrixNetConnection(BrixConnectivityFactory factory, i32 waitPasses)
    : m_factory(factory ? factory : CBrixDesktopConnectivity::Create),
      m_waitPasses(waitPasses > 0 ? waitPasses : 1), m_service(nullptr), m_handlerId(0),
      m_connected(0)
{
}

CBrixNetConnection::~CBrixNetConnection()
{
    Close();
}

void CBrixNetConnection::OnConnectionEvent(IBrixConnectivityService*, i32 status, void* userData)
{
    CBrixNetConnection* self = static_cast<CBrixNetConnection*>(userData);
    if (!self)
        return;
    if (status == IBrixConnectivityService::STATUS_CONNECTED)
        self->m_connected = 1;
    else if (status == IBrixConnectivityService::STATUS_DISCONNECTED)
        self->m_connected = 0;
}

i32 CBrixNetConnection::Connect()
{
    if (m_connected)
        return 1;
    if (!m_service)
    {
        m_service = m_factory();
        if (!m_service)
            return 0;
        m_handlerId = m_service->ConnectEventHandler(OnConnectionEvent, this);
    }

    // A refused request is final: waiting could only time out.
    if (m_service->RequestConnection() == 1)
    {
        for (i32 i = 0; i < m_waitPasses && m_service->EventsPending(); ++i)
        {
            m_service->DispatchEvents();
            usleep(50);
        }
        // Each pass dispatches without blocking, so the wait is bounded by the passes.
        for (i32 i = 0; i < m_waitPasses && !m_connected; ++i)
        {
            m_service->DispatchEvents();
            if (!m_connected)
                usleep(KE_CONNECT_PASS_US);
        }
    }
    if (m_connected)
        return 1;
    Close();
    return 0;
}

i32 CBrixNetConnection::EnsureConnected()
{
    if (m_connected)
        return 1;
    Close();
    return Connect();
}

void CBrixNetConnection::Close()
{
    if (m_service)
    {
        m_service->DisconnectEventHandler(m_handlerId);
        delete m_service;
        m_service = nullptr;
    }
    m_handlerId = 0;
    m_connected = 0;
}
