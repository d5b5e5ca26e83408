#include "support/LobbyServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

std::string MakeTempFolder(const char* prefix)
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!mkdtemp(buffer.data()))
        return std::string();
    return std::string(buffer.data()) + "/";
}

void RemoveFolder(const std::string& folder)
{
    if (folder.size() < 6 || folder.find("/tmp") == std::string::npos)
        return;
    const std::string command = "rm -rf '" + folder + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", folder.c_str());
}

CLobbyServerProcess::CLobbyServerProcess(const std::vector<std::string>& extra)
{
    m_folder = MakeTempFolder("lobbyserver.");
    if (m_folder.empty())
        return;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    const std::string script = std::string(KETREL_SOURCE_DIR) + "/tools/lobbyserver/server.py";
    const std::string db = m_folder + "lobby.db";
    const std::string log = m_folder + "server.log";
    std::vector<std::string> args = {"python3", script, "--host", "127.0.0.1", "--port", "0", "--db", db};
    args.insert(args.end(), extra.begin(), extra.end());
    m_pid = fork();
    if (m_pid == 0)
    {
        dup2(out[1], 1);
        const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            dup2(err, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        setenv("PYTHONDONTWRITEBYTECODE", "1", 1);
        execvp("python3", argv.data());
        _exit(127);
    }
    close(out[1]);
    m_out = out[0];
    if (m_pid < 0)
        return;
    // The server prints "lobbyserver listening on 127.0.0.1:<port>" once it listens.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_port == 0 && std::chrono::steady_clock::now() < deadline)
    {
        pollfd p = {m_out, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = read(m_out, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, (size_t)n);
        const size_t at = text.find("listening on ");
        const size_t end = text.find('\n', at == std::string::npos ? 0 : at);
        if (at != std::string::npos && end != std::string::npos)
        {
            const size_t colon = text.rfind(':', end);
            m_port = atoi(text.c_str() + colon + 1);
        }
    }
}

CLobbyServerProcess::~CLobbyServerProcess()
{
    if (m_pid > 0)
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 300 && !ended; ++i)
        {
            ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!ended)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
    if (m_out >= 0)
        close(m_out);
    RemoveFolder(m_folder);
}
