#pragma once
// Whole-program test kit: the built program started as a user starts it, each
// copy on an X server of its own (Xvfb -displayfd) and in a private mount
// namespace whose /tmp and home folder are folders of the test, so the lock
// file and the settings never touch the machine's own. Copies that play
// together share one private network namespace (loopback only) in which our
// lobby server listens on 127.0.0.1:5000, the program's default address.
// Pointer and keys go in through XTest; the window is read back with XGetImage
// and written as PNG under build/tests/e2e/. Everything a test starts is
// killed when its owner goes out of scope.
#include "support/KetrelTestXServer.h"

#include <X11/Xlib.h>

#include <string>
#include <sys/types.h>

namespace e2e
{

long long NowMs();
// The program under test and the folder of its screenshots.
const char* ProgramPath();
std::string ScreenshotFolder();
// Whether unshare can make user, mount and network namespaces here.
bool NamespacesAvailable();
// A fresh folder under /tmp, removed by RemoveTree.
std::string MakeTempFolder(const char* tag);
void RemoveTree(const std::string& path);

// A private network namespace with its loopback up, held by a sleeping
// process, and our lobby server inside it (started and stopped at will).
class CNetwork
{
public:
    CNetwork();
    ~CNetwork();                         // stops the server, ends the holder

    bool Start();
    pid_t GetHolder() const { return m_holder; }

    // Starts tools/lobbyserver/server.py on 127.0.0.1:5000 with its database
    // in a folder of this network (kept across restarts); true once it accepts.
    bool StartServer(int timeoutMs = 15000);
    void StopServer();                   // SIGTERM, then SIGKILL after 3 s
    bool IsServerRunning() const { return m_server > 0; }
    // Whether something accepts on 127.0.0.1:port inside the namespace.
    bool Accepts(int port) const;
    std::string GetServerLog() const;
    std::string GetFolder() const { return m_folder; }

private:
    pid_t m_holder;
    pid_t m_server;
    std::string m_folder;
};

// One copy of the program with its own X server, /tmp and home folder.
class CProgramCopy
{
public:
    explicit CProgramCopy(const char* name);
    ~CProgramCopy();                     // kills the program and its X server, removes the folders

    // Runs another executable in place of the built program (set before Start).
    void SetProgram(const std::string& path) { m_program = path; }
    // Starts the X server (once) and the program, inside network when given,
    // else in a network namespace of its own.
    bool Start(CNetwork* network);
    // The exit status once the program ended within timeoutMs (the signal
    // number + 128 when killed), -1 while it still runs.
    int Wait(int timeoutMs);
    bool IsRunning();
    void Signal(int signal);
    pid_t GetPid() const { return m_pid; }
    const std::string& GetOutput();      // what it printed so far

    // The program's top-level window; 0 when none appears in time.
    Window FindWindow(int timeoutMs);
    std::string GetWindowName();
    // Waits until the window shows something other than black; the ms from
    // Start to that moment, or -1.
    long long WaitFirstFrame(int timeoutMs);
    // 0xRRGGBB at (x, y) of the window now; -1 without a window.
    long Pixel(int x, int y);
    // Writes the window as build/tests/e2e/<copy name>-<step>.png.
    bool Screenshot(const char* step);
    // Waits until the picture stays the same for stableMs (at most timeoutMs).
    bool WaitStill(int stableMs, int timeoutMs);
    // The centre of the pixels inside [x0, x1) x [y0, y1) whose channels each lie within
    // tolerance of 0xRRGGBB; false when fewer than minimum pixels match.
    bool FindColour(int x0, int y0, int x1, int y1, long rgb, int tolerance, int minimum,
                    double* cx, double* cy);
    // A digest of the whole picture, to tell one page from the next.
    size_t Fingerprint();
    // Waits until the picture differs from the one of that digest.
    bool WaitChange(size_t before, int timeoutMs);

    void Click(int x, int y);
    // Presses at (x0, y0), moves to (x1, y1) in steps, then lets go there.
    void Drag(int x0, int y0, int x1, int y1);
    void TypeText(const char* text);     // ASCII letters, digits, space
    void PressKey(const char* keysymName);

    // A value of the settings file "stats.dat" that the program left in its
    // data folder: the integer (or boolean) of key; false when the file or the
    // key is missing.
    bool ReadSetting(const char* key, long* value);
    bool HasSetting(const char* key);
    std::string GetHome() const { return m_root + "/home"; }

private:
    std::string m_name;
    std::string m_program;
    std::string m_root;
    CKetrelTestXServer m_xserver;
    std::string m_displayName;
    Display* m_display;
    Window m_window;
    pid_t m_pid;
    int m_output;
    std::string m_text;
    long long m_startMs;
};

} // namespace e2e
