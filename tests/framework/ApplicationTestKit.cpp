#include "ApplicationTestKit.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace
{
int g_appCounter = 0;

std::string Narrow(const CKetrelString& s)
{
    std::string out((size_t)s.ToUTF8(nullptr) + 1, '\0');
    s.ToUTF8(&out[0]);
    out.resize(out.find('\0'));
    return out;
}
} // namespace

std::vector<std::string>& CallLog()
{
    static std::vector<std::string> log;
    return log;
}

std::vector<std::string> CallsOf(const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& entry : CallLog())
        if (entry.compare(0, prefix.size(), prefix) == 0)
            out.push_back(entry);
    return out;
}

FakeGame::FakeGame(const std::string& appName, i32 gameId) : m_appName(appName), m_gameId(gameId) {}

FakeGame::~FakeGame() { Log("Delete"); }

void FakeLobby::OpenPage(const CKetrelString& name, i32)
{
    CallLog().push_back("lobby.OpenPage:" + Narrow(name));
}

TestTolvane::~TestTolvane()
{
    OnDestroy();
    if (!keepUserData)
        ClearUserData();
}

void TestTolvane::ClearUserData()
{
    CKetrelString path;
    GetUserDataPath(path, CKetrelString(""));
    const std::string folder = Narrow(path);
    if (folder.find("BrixAppTest_") != std::string::npos)
    {
        const std::string command = "rm -rf '" + folder + "'";
        if (system(command.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", folder.c_str());
    }
}

int TestTolvane::AddMediaPack(const CKetrelString& name, int isFullPath, int scope)
{
    if (isFullPath)
        return CBrixResourceManager::AddMediaPack(name, isFullPath, scope);
    const std::string bare = Narrow(name);
    if (hiddenPacks.count(bare))
        return 0;
    return CBrixResourceManager::AddMediaPack(CKetrelString(BuiltFile(bare).c_str()), 1, scope);
}

std::string UniqueAppName()
{
    char name[64];
    snprintf(name, sizeof name, "BrixAppTest_%d_%d", (int)getpid(), ++g_appCounter);
    return name;
}

std::string BuiltFile(const std::string& name) { return std::string(KETREL_BINARY_DIR) + "/main/" + name; }

bool CopyLanguagePacks(IKetrelApplication& app)
{
    for (const char* code : {"en"})
    {
        const std::string file = std::string("brixlanguage_") + code + ".vad";
        std::ifstream in(BuiltFile(file), std::ios::binary);
        if (!in)
            return false;
        CKetrelString path;
        app.GetUserDataPath(path, CKetrelString(file.c_str()));
        std::ofstream out(Narrow(path), std::ios::binary);
        out << in.rdbuf();
        if (!out)
            return false;
    }
    return true;
}

bool HeadlessTolvane::SetScreen(int width, int height)
{
    CKetrelSurfaceDesc desc = {width, height, 0, 7, 0, 4};
    return GetBackBuffer()->Create(this, &desc) == KE_OK;
}
