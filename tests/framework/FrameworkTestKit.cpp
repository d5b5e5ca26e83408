#include "FrameworkTestKit.h"

#include "framework/BrixSafeFile.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
int g_counter = 0;
int g_killAtStep = -1;

void KillAtStep(int step)
{
    if (step == g_killAtStep)
        raise(SIGKILL);
}
}

UserDataApp::UserDataApp()
{
    char name[64];
    snprintf(name, sizeof name, "BrixFwTest_%d_%d", (int)getpid(), ++g_counter);
    SetApplicationName(CKetrelString(name));
}

UserDataApp::~UserDataApp()
{
    CKetrelString path;
    GetUserDataPath(path, CKetrelString(""));
    std::vector<char> narrow(path.ToNarrow(nullptr) + 1);
    path.ToNarrow(narrow.data());
    std::string folder(narrow.data());
    if (folder.find("BrixFwTest_") != std::string::npos)
    {
        std::string command = "rm -rf '" + folder + "'";
        if (system(command.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", folder.c_str());
    }
}

std::string UserDataApp::UserFile(const std::string& name)
{
    CKetrelString path;
    GetUserDataPath(path, Str(name));
    std::vector<char> narrow(path.ToNarrow(nullptr) + 1);
    path.ToNarrow(narrow.data());
    return narrow.data();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return (bool)out;
}

std::string Utf16(const std::string& utf8, bool bom)
{
    CKetrelString s;
    s.FromUTF8(utf8.c_str(), (int)utf8.size());
    std::string out;
    if (bom)
        out += "\xFF\xFE";
    for (i32 i = 0; i < s.GetLength(); ++i)
    {
        out.push_back((char)(s.GetAt(i) & 0xFF));
        out.push_back((char)(s.GetAt(i) >> 8));
    }
    return out;
}

int KillAtEveryWriteStep(const std::function<void()>& work, const std::function<void(int)>& check)
{
    int killed = 0;
    for (int step = 0; step < 10000; ++step)
    {
        fflush(nullptr);
        pid_t child = fork();
        if (child == 0)
        {
            g_killAtStep = step;
            BrixSetSafeFileStepHook(KillAtStep);
            work();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        check(step);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ++killed;
        else
            break;
    }
    return killed;
}
