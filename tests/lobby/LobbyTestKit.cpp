// Test doubles for the lobby menu.
#include "LobbyTestKit.h"

#include "engine/KetrelResult.h"
#include "ui/Widget.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lobbytest
{
std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out += (char)s.GetAt(i);
    return out;
}

std::string ReadSourceFile(const std::string& relative)
{
    std::ifstream f(std::string(KETREL_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void FileResources::RegisterImage(const CKetrelString& name, CKetrelSurface*)
{
    registered.push_back(Narrow(name));
}

i32 FileResources::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    auto it = files.find(Narrow(name));
    if (it == files.end() || it->second.empty())
        return 0;
    *data = new u8[it->second.size() + 1];
    std::memcpy(*data, it->second.data(), it->second.size());
    (*data)[it->second.size()] = 0;
    return (i32)it->second.size();
}

FakeHost::FakeHost() : game(new FakeGame(&log))
{
    ui.resources.files["menu_root.xml"] = ReadSourceFile("assets/framework/layouts/menu_root.xml");
    char pattern[] = "/tmp/lobbytest.XXXXXX";
    const char* made = mkdtemp(pattern);
    dataDir = made ? made : "/tmp";
    languages = {{"Arabic", "ar-sa"}, {"Deutsch", "de"}, {"English", "en"}, {"Suomi", "fi"}};
}

FakeHost::~FakeHost()
{
    std::error_code ec;
    if (dataDir != "/tmp")
        std::filesystem::remove_all(dataDir, ec);
}

CKetrelString FakeHost::GetUserDataPath(const CKetrelString& name)
{
    return CKetrelString((dataDir + "/" + Narrow(name)).c_str());
}

void FakeHost::GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes)
{
    names->RemoveAll();
    codes->RemoveAll();
    for (const auto& l : languages)
    {
        names->Add(CKetrelString(l.first.c_str()));
        codes->Add(CKetrelString(l.second.c_str()));
    }
}

CKetrelString FakeHost::GetLanguageText(i32 index)
{
    return CKetrelString(("T" + std::to_string(index)).c_str());
}

void FakeHost::RequestPlayerList(i32 list, const CKetrelString&, i32 a, i32 b, i32 first, i32 count,
                                 CBrixNetworkSession::PlayerListCallback, void*)
{
    Log("RequestPlayerList " + std::to_string(list) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
        std::to_string(first) + " " + std::to_string(count));
}

void FakeHost::RequestAchievementList(i32 a, i32 b, i32 c, i32 d)
{
    Log("RequestAchievementList " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " +
        std::to_string(d));
}

std::vector<std::string> FakeHost::Take()
{
    std::vector<std::string> out;
    out.swap(log);
    return out;
}

void FakeHost::Log(const std::string& what) { log.push_back(what); }
void FakeHost::Log(const std::string& what, i32 a) { Log(what + " " + std::to_string(a)); }
void FakeHost::Log(const std::string& what, i32 a, i32 b)
{
    Log(what + " " + std::to_string(a) + " " + std::to_string(b));
}
void FakeHost::Log(const std::string& what, i32 a, i32 b, i32 c)
{
    Log(what + " " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
}

MenuRig::MenuRig() : state(new CBrixMenuState(&host, false))
{
    state->Init(nullptr);
    state->Activate();
}

MenuRig::~MenuRig()
{
    state->Release();
}

CWidget* MenuRig::Find(const char* pathOrName)
{
    CWidget* root = state->GetRoot();
    if (!root)
        return nullptr;
    if (pathOrName[0] == '/' || std::strchr(pathOrName, '/') || pathOrName[0] == '<')
        return root->FindByPath(CKetrelString(pathOrName));
    return root->FindChild(CKetrelString(pathOrName), -1);
}
}  // namespace lobbytest
