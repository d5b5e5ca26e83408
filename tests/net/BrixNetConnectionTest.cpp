// The connection request against the desktop service and a scripted one.
#include "net/BrixNetConnection.h"
#include "net/BrixConnectivityService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace
{
// Plays back a script: the request's result, then one status per dispatch. Counts the
// instances alive and the requests made.
struct Script
{
    i32 requestResult = 1;
    std::vector<i32> statuses;
    int made = 0;
    int alive = 0;
    int requests = 0;
};
Script g_script;

class ScriptedService : public IBrixConnectivityService
{
public:
    ScriptedService() { ++g_script.made; ++g_script.alive; }
    ~ScriptedService() override { --g_script.alive; }
    u32 ConnectEventHandler(EventHandler handler, void* userData) override
    {
        m_handler = handler;
        m_userData = userData;
        return 7;
    }
    void DisconnectEventHandler(u32 id) override
    {
        if (id == 7)
            m_handler = nullptr;
    }
    i32 RequestConnection() override
    {
        ++g_script.requests;
        m_next = 0;
        return g_script.requestResult;
    }
    i32 EventsPending() override { return m_next < g_script.statuses.size() ? 1 : 0; }
    void DispatchEvents() override
    {
        if (m_handler && m_next < g_script.statuses.size())
            m_handler(this, g_script.statuses[m_next++], m_userData);
    }

private:
    EventHandler m_handler = nullptr;
    void* m_userData = nullptr;
    size_t m_next = 0;
};

IBrixConnectivityService* MakeScripted() { return new ScriptedService(); }
}

TEST(BrixNetConnectionDesktop, UpAtOnce)
{
    CBrixNetConnection connection;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(1, connection.Connect());
    EXPECT_EQ(1, connection.EnsureConnected());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    connection.Close();
    EXPECT_EQ(0, connection.IsConnected());
    EXPECT_EQ(1, connection.EnsureConnected());
}

// Whatever the service answers, the outcome is known within the wait bound, and a
// failed request keeps no service.
TEST(BrixNetConnectionScripted, OutcomesOfTheWait)
{
    const i32 C = IBrixConnectivityService::STATUS_CONNECTED;
    const i32 D = IBrixConnectivityService::STATUS_DISCONNECTED;
    const i32 UP = IBrixConnectivityService::STATUS_NETWORK_UP;
    struct Case { const char* name; i32 request; std::vector<i32> statuses; i32 result; int alive; };
    const Case cases[] = {
        {"connected at once", 1, {C}, 1, 1},
        {"other states first", 1, {UP, 2, C}, 1, 1},
        {"connected, then lost", 1, {C, D}, 0, 0},
        {"never answers", 1, {}, 0, 0},
        {"only other states", 1, {UP, UP}, 0, 0},
        {"request refused", 0, {C}, 0, 0},
    };
    for (const Case& k : cases)
    {
        g_script = Script();
        g_script.requestResult = k.request;
        g_script.statuses = k.statuses;
        CBrixNetConnection connection(MakeScripted, 50);
        EXPECT_EQ(k.result, connection.Connect()) << k.name;
        EXPECT_EQ(k.result, connection.IsConnected()) << k.name;
        EXPECT_EQ(k.alive, g_script.alive) << k.name;
    }
    EXPECT_EQ(0, g_script.alive);
}

TEST(BrixNetConnectionScripted, EnsureConnectedStartsOverOnlyWhenDown)
{
    g_script = Script();
    g_script.statuses = {IBrixConnectivityService::STATUS_CONNECTED};
    CBrixNetConnection connection(MakeScripted, 50);
    ASSERT_EQ(1, connection.Connect());
    EXPECT_EQ(1, connection.EnsureConnected());
    EXPECT_EQ(1, g_script.requests) << "a set flag asks the platform nothing";

    CBrixNetConnection::OnConnectionEvent(nullptr, IBrixConnectivityService::STATUS_DISCONNECTING,
                                          &connection);
    EXPECT_EQ(1, connection.IsConnected());
    CBrixNetConnection::OnConnectionEvent(nullptr, IBrixConnectivityService::STATUS_DISCONNECTED,
                                          &connection);
    EXPECT_EQ(0, connection.IsConnected());
    EXPECT_EQ(1, connection.EnsureConnected());
    EXPECT_EQ(2, g_script.made);
    EXPECT_EQ(1, g_script.alive);
}
