#include "ScreenTestKit.h"

#include "engine/KetrelResult.h"

#include <fstream>
#include <iterator>

std::string Utf8(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out += (char)(s.GetAt(i) & 0xFF);
    return out;
}

CKetrelSurface* LevelSource::GetImage(const CKetrelString& name)
{
    imagesAsked.push_back(Utf8(name));
    return nullptr;
}

int LevelSource::ReleaseImage(CKetrelSurface** image)
{
    if (image)
        *image = nullptr;
    return 1;
}

IKetrelSoundSource* LevelSource::GetSound(const CKetrelString&)
{
    ++soundsAsked;
    return nullptr;
}

int LevelSource::ReleaseSound(IKetrelSoundSource** sound)
{
    if (sound)
        *sound = nullptr;
    return 1;
}

i32 LevelSource::ReadResource(const CKetrelString& name, u8** data)
{
    *data = nullptr;
    std::ifstream in(std::string(KETREL_BINARY_DIR) + "/main/" + Utf8(name), std::ios::binary);
    if (!in)
        return 0;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return 0;
    *data = new u8[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), *data);
    return (i32)bytes.size();
}

void FakeShell::PlayMusic(const CKetrelString& path, i32)
{
    music.push_back(Utf8(path));
}

i32 FakeShell::GetMatchPlayer(i32 index, i32* id, CKetrelString* name)
{
    auto it = players.find(index);
    if (it == players.end())
        return 0;
    *id = it->second.first;
    *name = it->second.second.c_str();
    return 1;
}

void FakeSession::ReportGameResult(const CKetrelArray<i32>& ids, const CKetrelArray<i32>& codes,
                                   i32 leftMatch)
{
    abandoned.push_back(leftMatch);
    std::vector<int> a, b;
    for (i32 i = 0; i < ids.GetCount(); ++i)
        a.push_back(ids[i]);
    for (i32 i = 0; i < codes.GetCount(); ++i)
        b.push_back(codes[i]);
    results.emplace_back(a, b);
}

TestGame::TestGame(IJubShellHost* host)
{
    SetShellHost(host ? host : &shell);
    SetApplication(&session);
    SetAssetSource(&source);
}

TestGame::~TestGame()
{
    Release();
}

int TestGame::Start(int width, int height)
{
    int rc = Init(nullptr);
    if (rc != KE_OK)
        return rc;
    OnScreenSizeChanged(width, height);
    return KE_OK;
}

void TestGame::Frame(u64 ms, int render)
{
    now += ms;
    Update(0.0f);
    if (render)
        Render();
}

void TestGame::Steps(int steps)
{
    for (int i = 0; i < steps; ++i)
        Frame(JUB_STEP_LENGTH_MS);
}

StubScreen* TestGame::Stub(i32 id) const
{
    return dynamic_cast<StubScreen*>(GetScreen(id));
}

namespace
{
void* s_spareStub = nullptr;   // the last recycled stub's storage, once deleted
}

void* RecycledStub::operator new(size_t size)
{
    void* block = s_spareStub ? s_spareStub : ::operator new(size);
    s_spareStub = nullptr;
    return block;
}

void RecycledStub::operator delete(void* block)
{
    if (s_spareStub)
        ::operator delete(s_spareStub);
    s_spareStub = block;
}

CJubState* TestGame::CreateScreen(i32 id)
{
    created.push_back(id);
    if (refused.count(id))
        return nullptr;
    if (recycled.count(id))
        return new RecycledStub(id);
    if (stubs.count(id))
        return new StubScreen(id);
    return CStateGame::CreateScreen(id);
}

void TestGame::Tap(f32 x, f32 y)
{
    OnPointerDown(0, (i32)x, (i32)y);
    Steps(1);
    OnPointerUp(0, (i32)x, (i32)y);
    Steps(1);
}
