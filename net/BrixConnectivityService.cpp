// net/BrixConnectivityService.cpp
#include "net/BrixConnectivityService.h"

#include <new>

CBrixDesktopConnectivity::CBrixDesktopConnectivity()
    : m_handler(nullptr), m_userData(nullptr), m_handlerId(0), m_answerPending(0)
{
}

IBrixConnectivityService* CBrixDesktopConnectivity::Create()
{
    return new (std::nothrow) CBrixDesktopConnectivity();
}

u32 CBrixDesktopConnectivity::ConnectEventHandler(EventHandler handler, void* userData)
{
    m_handler = handler;
    m_userData = userData;
    return ++m_handlerId;
}

void CBrixDesktopConnectivity::DisconnectEventHandler(u32 id)
{
    if (id != 0 && id == m_handlerId)
    {
        m_handler = nullptr;
        m_userData = nullptr;
    }
}

i32 CBrixDesktopConnectivity::RequestConnection()
{
    m_answerPending = 1;
    return 1;
}

i32 CBrixDesktopConnectivity::EventsPending()
{
    return m_answerPending && m_handler ? 1 : 0;
}

void CBrixDesktopConnectivity::DispatchEvents()
{
    if (!m_answerPending || !m_handler)
        return;
    m_answerPending = 0;
    m_handler(this, STATUS_CONNECTED, m_userData);
}
