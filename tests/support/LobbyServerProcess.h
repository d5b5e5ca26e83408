#pragma once
// Our lobby server (tools/lobbyserver/server.py) as a child process on 127.0.0.1, on a
// port the system chooses, with a database in a temporary folder of its own. The
// destructor stops it and removes the folder.
#include <string>
#include <vector>
#include <sys/types.h>

class CLobbyServerProcess
{
public:
    // extra: further command-line options (for instance "--seed-players", "3").
    explicit CLobbyServerProcess(const std::vector<std::string>& extra = {});
    ~CLobbyServerProcess();
    CLobbyServerProcess(const CLobbyServerProcess&) = delete;
    CLobbyServerProcess& operator=(const CLobbyServerProcess&) = delete;

    // 0 when the server did not start (no python3, or no port within 10 s).
    int Port() const { return m_port; }
    const std::string& Folder() const { return m_folder; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_port = 0;
    std::string m_folder;
};

// A fresh empty folder under the system's temporary folder, ending in '/'; removed with
// everything in it by RemoveFolder.
std::string MakeTempFolder(const char* prefix);
void RemoveFolder(const std::string& folder);
