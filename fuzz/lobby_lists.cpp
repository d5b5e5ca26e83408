// Player list, shop, gift, challenge and picture replies as arbitrary bytes on the lobby
// channel of a real network session, decoded and handed to the lobby menu's players,
// shop, challenge and gift pages while their lists hold loaded rows waiting for data.
// The pictures are decoded for real, so corrupt avatars and item images reach the
// decoder; the same bytes also go straight to the picture reactions. Announced item
// packs are checked and fetched in a private temporary folder. The first byte
// picks the page and steers how the stream is cut.
#include "LobbyFuzzKit.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "lobby/BrixMenuState.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"
#include "ui/InfiniteList.h"
#include "ui/PageView.h"
#include "ui/Widget.h"

#include <map>
#include <new>
#include <string>
#include <vector>

namespace
{
typedef CBrixNetworkSession Session;
std::string g_layout;
std::string g_folder;

struct Store : IBrixLanguageStore
{
    bool NeedsUpdate(const CKetrelString&, const CKetrelString&) override { return false; }
    bool HasPack(const CKetrelString&) override { return true; }
    void AddLanguagePack(const CKetrelString&) override {}
    void ReloadLanguagePack(const CKetrelString&) override {}
    CKetrelString GetBaseName() override { return "gametexts"; }
};

struct SessionHost : IBrixSessionHost
{
    fuzzkit::FuzzApplication app;
    Store store;
    IKetrelApplication* GetEngineApplication() override { return &app; }
    CKetrelString GetLanguageText(i32) override { return "text %s %d"; }
    void GetClientInfo(CBrixClientInfo* info) override { info->appGameId = 64; }
    CKetrelString GetUserDataFolder() override { return "/nonexistent-lobby-lists-fuzz/"; }
    void ShowChatNotice(const CBrixChatRecord&, int) override {}
    void RedirectServer(const CKetrelString&, int) override {}
    IBrixLanguageStore* GetLanguageStore(int which) override { return which == 0 ? &store : nullptr; }
    void SetLanguage(const CKetrelString&) override {}
    void SetTheme(const CKetrelString&) override {}
};

// Pictures kept by name with reference counts, as the program's manager keeps them.
class Resources : public fuzzkit::NullResources
{
public:
    ~Resources() override
    {
        for (auto& e : m_images)
            delete e.second.first;
    }
    CKetrelSurface* GetImage(const CKetrelString& name, u32) override
    {
        auto it = m_images.find(Key(name));
        if (it == m_images.end())
            return nullptr;
        ++it->second.second;
        return it->second.first;
    }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override
    {
        if (image && !m_images.count(Key(name)))
            m_images[Key(name)] = {image, 1};
        else
            delete image;
    }
    int AddRefImage(CKetrelSurface* image) override
    {
        for (auto& e : m_images)
            if (e.second.first == image)
            {
                ++e.second.second;
                return 1;
            }
        return image ? 0 : 1;
    }
    int ReleaseImage(CKetrelSurface** slot) override
    {
        if (!slot || !*slot)
            return 1;
        for (auto it = m_images.begin(); it != m_images.end(); ++it)
            if (it->second.first == *slot)
            {
                if (--it->second.second <= 0)
                {
                    delete it->second.first;
                    m_images.erase(it);
                }
                *slot = nullptr;
                return 1;
            }
        return 0;
    }

private:
    static std::string Key(const CKetrelString& s)
    {
        std::string out;
        for (i32 i = 0; i < s.GetLength(); ++i)
            out += (char)s.GetAt(i);
        return out;
    }
    std::map<std::string, std::pair<CKetrelSurface*, int>> m_images;
};

// The menu's host on the session: list and shop requests go to it (without a link they
// only register the reply's route), the rest does nothing.
class MenuHost : public fuzzkit::FuzzMenuHost<fuzzkit::FuzzUI<Resources>>
{
public:
    explicit MenuHost(Session* s) : m_s(s)
    {
        ui.resources.text = &g_layout;
        // Item packs the replies announce are checked and fetched in a private folder.
        folder = g_folder;
        // Server-made texts are formats: a hostile one must print nothing it has no argument for.
        languageText = "%s %d %x %f %%";
        ownPlayerId = 17;
    }
    CKetrelSurface* DecodePicture(const u8* data, i32 size) override
    {
        const CKetrelSurfaceDesc desc = {0, 0, 0, KE_PF_ABGR8888, 0, 0};
        CKetrelSurface* s = new (std::nothrow) CKetrelSurface();
        if (s && s->LoadFromMemory(nullptr, data, size, &desc) != 1)
        {
            delete s;
            s = nullptr;
        }
        return s;
    }
    void RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first, i32 count,
                           CBrixNetworkSession::PlayerListCallback cb, void* context) override
    {
        m_s->RequestPlayerList(list, filter, a, b, first, count, cb, context);
    }
    void ClearPendingPlayerListRequests() override { m_s->ClearPendingPlayerListRequests(); }

private:
    Session* m_s;
};

void Frames(CBrixMenuState& state, int n)
{
    for (int i = 0; i < n; ++i)
        state.Update(0.05f);
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_layout = fuzzkit::ReadMenuLayout();
    g_folder = fuzzkit::MakeTempFolder("/tmp/fuzz_lobby_lists");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 2 || size > 1 << 18)
        return 0;
    static SessionHost* sessionHost = new SessionHost();
    Session session;
    if (session.Init(sessionHost, nullptr) != 1)
        return 0;
    session.GetGameEngine()->Shutdown();
    MenuHost host(&session);
    CBrixMenuState state(&host, false);
    if (state.Init(nullptr) != 1)
        return 0;
    state.Activate();
    session.AddLobbyObserver(&state);
    const u8 steer = data[0];
    // A page with loaded rows that wait for their records.
    switch (steer % 4)
    {
    case 0:
        state.OpenPage("players_root", 1);
        state.FireEvent("show_playerlist_items", nullptr);
        break;
    case 1:
        state.OpenPage("players_root", 1);
        state.FireEvent("show_follow_items", nullptr);
        break;
    case 2:
        state.OpenPage("shop_root", 1);
        state.FireEvent("show_shop_items", nullptr);
        break;
    default:
        state.OpenPage("shop_root", 1);
        state.FireEvent("show_my_items", nullptr);
        break;
    }
    if (state.GetPageView())
        state.GetPageView()->FinishTransitions();
    Frames(state, 2);
    if (steer % 4 < 2)
        CBrixMenuState::PlayerListCallback(&state, 0, -1, 40, nullptr, nullptr, nullptr, 0);
    Frames(state, 2);

    const u8* body = data + 1;
    const int n = (int)(size - 1);
    if (steer & 0x80)
    {
        // The bytes as a picture for every picture reaction.
        state.OnShopItemImage(data[1], steer & 1, body, n);
        CBrixMenuState::PlayerListCallback(&state, 0, data[1], 0, nullptr, nullptr, body, n);
        state.OnChallengerImage(nullptr, data[1], body, n);
    }
    else
    {
        u32 cut = steer * 2654435761u + 1;
        int at = 0;
        while (at < n)
        {
            cut = cut * 1103515245u + 12345u;
            int chunk = 1 + (int)((cut >> 16) % 251);
            if (chunk > n - at)
                chunk = n - at;
            std::vector<u8> block(body + at, body + at + chunk);
            session.FeedChannel(block.data(), (int)block.size(), 0);
            at += chunk;
            Frames(state, 1);
        }
    }
    // The filled rows, clicked through: expand, follow, block, gifts, purchases.
    static const char* const kEvents[] = {"expand_list_item", "player_details", "follow", "block", "buy_item",
                                          "buy_gift", "buy_player_gift", "send_challenge", "enable_item",
                                          "expand_nastybuttons", "show_confirm_buy_dialog", "ok_buy_confirm"};
    CWidget* root = state.GetRoot();
    CInfiniteList* lists[] = {
        root ? CInfiniteList::Cast(root->FindByPath("//players_root//playerlist_global")) : nullptr,
        root ? CInfiniteList::Cast(root->FindByPath("//players_root//playerlist_follow")) : nullptr,
        root ? CInfiniteList::Cast(root->FindChild("shop_page_list", -1)) : nullptr,
        root ? CInfiniteList::Cast(root->FindChild("my_items_page_list", -1)) : nullptr};
    for (CInfiniteList* list : lists)
        for (i32 i = 0; list && i < list->GetChildCount() && i < 3; ++i)
            for (const char* event : kEvents)
                if (list->GetChild(i))
                    state.FireEvent(event, list->GetChild(i)->GetChildCount() ? list->GetChild(i)->GetChild(0)
                                                                               : list->GetChild(i));
    Frames(state, 2);
    session.RemoveLobbyObserver(&state);
    state.Release();
    return 0;
}
