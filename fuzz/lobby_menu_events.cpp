// The lobby menu driven by arbitrary session replies and UI events: result rows,
// achievement lists, item data lists and pack pieces, links, match results and every
// named event fired on any widget of the lobby's own layout. Pack pieces are written
// into a private temporary folder.
#include "engine/KetrelString.h"
#include "framework/BrixGameState.h"
#include "framework/BrixStatsStore.h"
#include "lobby/BrixMenuHost.h"
#include "lobby/BrixMenuState.h"
#include "net/BerHandCodec.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string g_layout;
std::string g_folder;

class Resources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = new u8[g_layout.size() + 1];
        std::memcpy(*data, g_layout.data(), g_layout.size());
        (*data)[g_layout.size()] = 0;
        return (i32)g_layout.size();
    }
};

class UI : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return nullptr; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }
    Resources resources;
};

class Host : public IBrixMenuHost
{
public:
    IKetrelApplication* GetEngineApplication() override { return nullptr; }
    IUIApplication* GetUIApplication() override { return &ui; }
    IKetrelGraphicsContext* GetGraphicsContext() override { return nullptr; }
    void GetScreenSize(i32* w, i32* h) override { *w = 800; *h = 480; }
    IBrixGameState* GetGameState() override { return nullptr; }
    void DeleteGameState() override {}
    void Quit() override {}
    void ResetIdleTimer() override {}
    CBrixStatsStore* GetSettings() override { return &settings; }
    CKetrelString GetUserDataPath(const CKetrelString& name) override
    {
        CKetrelString path(g_folder.c_str());
        path.Append(name);
        return path;
    }
    i32 GetSoundVolume() override { return 50; }
    void SetSoundVolume(i32) override {}
    i32 IsSoundMuted() override { return 0; }
    void SetSoundMuted(i32) override {}
    i32 GetMusicVolume() override { return 50; }
    void SetMusicVolume(i32) override {}
    i32 IsMusicMuted() override { return 0; }
    void SetMusicMuted(i32) override {}
    i32 IsVibrationEnabled() override { return 1; }
    void SetVibrationEnabled(i32) override {}
    i32 GetNotificationFilter() override { return 0; }
    void SetNotificationFilter(i32) override {}
    void GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes) override
    {
        names->RemoveAll();
        codes->RemoveAll();
        names->Add(CKetrelString("English"));
        codes->Add(CKetrelString("en"));
    }
    CKetrelString GetCurrentLanguageName() override { return CKetrelString("English"); }
    CKetrelString GetCurrentLanguageCode() override { return CKetrelString("en"); }
    void SetLanguage(const CKetrelString&) override {}
    CKetrelString GetLanguageText(i32) override { return CKetrelString("t"); }
    void ShowNotification(const CKetrelString&) override {}
    void OpenUrl(const CKetrelString&) override {}
    CKetrelString GetDeviceId() override { return CKetrelString("d"); }
    i32 GetGameId() override { return 64; }
    i32 GetReleaseId() override { return 1; }
    CKetrelString GetResellerId() override { return CKetrelString("r"); }
    CKetrelSurface* DecodePicture(const u8*, i32) override { return nullptr; }
    i32 HasSession() override { return 1; }
    i32 GetOwnPlayerId() override { return 1; }
    CKetrelString GetSessionToken() override { return CKetrelString("s"); }
    i32 GetReleaseNumber() override { return 1; }
    CKetrelString GetUrlSuffix() override { return CKetrelString(); }
    void RequestPlayerList(i32, const CKetrelString&, i32, i32, i32, i32, CBrixNetworkSession::PlayerListCallback,
                           void*) override {}
    void RequestGameResults(i32, i32) override {}
    void RequestCoinBalance() override {}
    void RequestAchievementList(i32, i32, i32, i32) override {}
    void CancelMatchRequest() override {}
    void AnswerChallenge(i32, i32, const CKetrelString&) override {}
    void RequestLanguageList() override {}
    void GetKeyValue(const CKetrelString&, CBrixNetworkSession::KeyValueCallback, void*) override {}
    void RequestDataChunk(i32, i32, i32) override {}
    void RequestShopGroups(i32) override {}
    void RequestImageAndLink(const CKetrelString&, const CKetrelString&) override {}
    void RequestShopItemImages(const CKetrelArray<i32>&, i32) override {}
    UI ui;
    CBrixStatsStore settings;
};

struct Reader
{
    const u8* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    u8 Byte() { return at < size ? data[at++] : 0; }
    i32 Int() { i32 v = 0; for (int i = 0; i < 4; ++i) v = (v << 8) | Byte(); return v; }
    i32 Small() { return (i32)(i8)Byte(); }
};

void Collect(CWidget* w, std::vector<CWidget*>* out)
{
    out->push_back(w);
    for (i32 i = 0; i < w->GetChildCount(); ++i)
        Collect(w->GetChild(i), out);
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string here(__FILE__);
    here = here.substr(0, here.rfind('/'));
    std::ifstream f(here + "/../assets/framework/layouts/menu_root.xml", std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    g_layout = s.str();
    char pattern[] = "/tmp/fuzz_lobby.XXXXXX";
    const char* made = mkdtemp(pattern);
    g_folder = std::string(made ? made : "/tmp") + "/";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Host host;
    CBrixMenuState state(&host, false);
    if (state.Init(nullptr) != 1)
        return 0;
    state.Activate();
    Reader r{data, size};
    int steps = 0;
    while (r.More() && ++steps < 64)
    {
        switch (r.Byte() % 10)
        {
        case 0:
        {
            CGameResultItem item;
            item.values[0] = r.Small();
            item.values[1] = r.Int();
            state.OnGameResultItem(nullptr, r.Small(), item);
            break;
        }
        case 1:
        {
            CKetrelArray<CAchievementInfo> list;
            for (int n = r.Byte() % 8; n > 0; --n)
                list.Add(CAchievementInfo());
            state.OnAchievementList(0, 0, 0, list, 0);
            break;
        }
        case 2:
        {
            CKetrelArray<CItemData> list;
            for (int n = r.Byte() % 4; n > 0; --n)
            {
                CItemData d;
                d.value0 = r.Small();
                d.value1 = r.Small();
                d.value3 = r.Int() & 0xFFFF;
                list.Add(d);
            }
            state.OnItemDataList(list);
            break;
        }
        case 3:
            state.GetItemPacks().StartDownload(r.Small());
            break;
        case 4:
        {
            const i32 id = r.Small(), offset = r.Int() & 0x1FFFF, remaining = r.Int();
            u8 piece[64];
            const i32 length = r.Byte() % 65;
            for (i32 i = 0; i < length; ++i)
                piece[i] = r.Byte();
            state.OnDataChunk(id, offset, piece, length, remaining);
            break;
        }
        case 5:
            state.OnMatchResult(nullptr, r.Small(), 64, r.Small());
            break;
        case 6:
            state.OnChangeNotice(r.Small());
            break;
        case 7:
            state.OnLobbyLinkStatus(r.Small());
            state.OnGameLinkStatus(r.Int());
            break;
        case 8:
        {
            // A named event on any widget of the tree (or none).
            std::vector<CWidget*> widgets;
            if (state.GetRoot())
                Collect(state.GetRoot(), &widgets);
            const i32 pick = (r.Int() & 0x7FFFFFFF) % (i32)(widgets.size() + 1);
            const CBrixMenuState::EventEntry* table = CBrixMenuState::GetEventTable();
            state.FireEvent(CKetrelString(table[r.Byte() % CBrixMenuState::EVENT_COUNT].name),
                            pick < (i32)widgets.size() ? widgets[pick] : nullptr);
            break;
        }
        default:
            state.Update((f32)(r.Byte() % 40) / 10.0f);
            break;
        }
    }
    state.Release();
    return 0;
}
