#include "LobbyCodecTool.h"

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

CLobbyCodecTool* CLobbyCodecTool::Shared()
{
    static CLobbyCodecTool* tool = [] {
        const std::string script = std::string(KETREL_SOURCE_DIR) + "/tools/lobbyserver/asn1tool.py";
        struct stat st;
        if (stat(script.c_str(), &st) != 0)
            return (CLobbyCodecTool*)nullptr;
        CLobbyCodecTool* t = new CLobbyCodecTool();
        if (!t->Start(script))
        {
            delete t;
            return (CLobbyCodecTool*)nullptr;
        }
        // A probe, so that a tool that cannot start (no python3) counts as missing.
        JValue probe = JValue();
        probe.kind = JValue::Obj;
        probe.members["op"] = JValue::MakeStr("decode");
        probe.members["hex"] = JValue::MakeStr("bf2c038001ff");
        if (t->Ask(probe).members.count("msg") == 0)
        {
            delete t;
            return (CLobbyCodecTool*)nullptr;
        }
        return t;
    }();
    return tool;
}

bool CLobbyCodecTool::Start(const std::string& script)
{
    int in[2], out[2];
    if (pipe(in) != 0)
        return false;
    if (pipe(out) != 0)
    {
        close(in[0]);
        close(in[1]);
        return false;
    }
    signal(SIGPIPE, SIG_IGN);
    m_pid = fork();
    if (m_pid == 0)
    {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        execlp("python3", "python3", script.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_to = in[1];
    m_from = out[0];
    return m_pid > 0;
}

CLobbyCodecTool::~CLobbyCodecTool()
{
    if (m_to >= 0)
        close(m_to);
    if (m_from >= 0)
        close(m_from);
    if (m_pid > 0)
        waitpid(m_pid, nullptr, 0);
}

JValue CLobbyCodecTool::Ask(const JValue& request)
{
    JValue failed;
    failed.kind = JValue::Obj;
    failed.members["error"] = JValue::MakeStr("tool gone");
    const std::string line = request.Dump() + "\n";
    size_t sent = 0;
    while (sent < line.size())
    {
        const ssize_t n = write(m_to, line.data() + sent, line.size() - sent);
        if (n <= 0)
            return failed;
        sent += (size_t)n;
    }
    size_t end;
    while ((end = m_pending.find('\n')) == std::string::npos)
    {
        char buffer[65536];
        const ssize_t n = read(m_from, buffer, sizeof buffer);
        if (n <= 0)
            return failed;
        m_pending.append(buffer, (size_t)n);
    }
    const std::string answer = m_pending.substr(0, end);
    m_pending.erase(0, end + 1);
    JValue out;
    return JValue::Parse(answer, &out) ? out : failed;
}
