#pragma once
// A private X server for tests: Xvfb started with -displayfd, so it picks a free
// display number itself (never a fixed one), listening on no TCP port. Start
// sets DISPLAY of the test process to it; Stop (or the destructor) ends it and
// restores DISPLAY. Usable as a gtest Environment, which makes one server for
// the whole test program:
//
//     static auto* const xserver = ::testing::AddGlobalTestEnvironment(
//         new CKetrelTestXServerEnvironment());
//
// or as a member of a fixture (one server per test). Tests that need the server
// should GTEST_SKIP when IsRunning() is false (Xvfb missing).
#include <gtest/gtest.h>
#include <sys/types.h>

class CKetrelTestXServer
{
public:
    CKetrelTestXServer();
    ~CKetrelTestXServer();               // Stop()

    // Starts Xvfb with one screen of width x height x depth. Returns true when
    // the server answered with its display number within 10 s. A second call
    // while running does nothing and returns true.
    bool Start(int width = 800, int height = 480, int depth = 24);
    void Stop();

    // One 800x480x24 server for the whole test program, started on first use (a
    // start that failed is tried again on the next call) and ended at exit.
    static CKetrelTestXServer* Shared();

    bool IsRunning() const { return m_pid > 0; }
    int GetDisplayNumber() const { return m_display; }  // -1 when not running
    const char* GetDisplayName() const { return m_name; } // ":N"

private:
    pid_t m_pid;
    int m_display;
    char m_name[32];
    char* m_savedDisplay;                // DISPLAY before Start, restored by Stop
    bool m_hadDisplay;
};

class CKetrelTestXServerEnvironment : public ::testing::Environment
{
public:
    explicit CKetrelTestXServerEnvironment(int width = 800, int height = 480)
        : m_width(width), m_height(height) {}
    void SetUp() override;
    void TearDown() override;

    // The server of the running test program, or null before SetUp.
    static CKetrelTestXServer* Get();

private:
    int m_width;
    int m_height;
};
