#pragma once
// Doubles for the players, shop, challenge and gift pages: a host that also logs those
// requests and keeps decoded pictures by name, and a menu rig on it.
#include "LobbyTestKit.h"

#include "engine/graphics/KetrelSurface.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace socialtest
{
// Pictures by name with reference counts, as the program's resource manager keeps them.
class ImageResources : public lobbytest::FileResources
{
public:
    ~ImageResources() override;
    CKetrelSurface* GetImage(const CKetrelString& name, u32) override;
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override;
    int AddRefImage(CKetrelSurface* image) override;
    int ReleaseImage(CKetrelSurface** slot) override;
    // References held by others than the manager's registration.
    int Held(const std::string& name) const;
    bool Has(const std::string& name) const { return images.count(name) != 0; }

    struct Entry
    {
        CKetrelSurface* image = nullptr;
        int references = 0;
    };
    std::map<std::string, Entry> images;
};

class ImageUIApp : public lobbytest::FileUIApp
{
public:
    IUIResourceManager* GetUIResources() override { return &images; }
    ImageResources images;
};

class SocialHost : public lobbytest::FakeHost
{
public:
    SocialHost();
    IUIApplication* GetUIApplication() override { return &imageUi; }
    CKetrelSurface* DecodePicture(const u8* data, i32 size) override;
    void ShowToast(const CKetrelString& text, i32 kind, f32 seconds) override;
    void ClearPendingPlayerListRequests() override { Log("ClearPendingPlayerListRequests"); }
    void RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first, i32 count,
                           CBrixNetworkSession::PlayerListCallback cb, void* context) override
    {
        FakeHost::RequestPlayerList(list, filter, a, b, first, count, cb, context);
        lastCallback = cb;
        lastContext = context;
    }
    CBrixNetworkSession::PlayerListCallback lastCallback = nullptr;   // of the last list request
    void* lastContext = nullptr;
    void SendPlayerRelation(i32 id, i32 relation, i32 value, const CKetrelString&) override
    { Log("SendPlayerRelation", id, relation, value); }
    void BlockUser(i32 id, i32 blocked) override { Log("BlockUser", id, blocked); }
    void RequestMatch(i32 mode, i32 param) override { Log("RequestMatch", mode, param); }
    void SendChallenge(const CKetrelArray<i32>& ids, const CKetrelString&) override { Log("SendChallenge" + Ids(&ids)); }
    void RequestItemsPage(i32 flags, i32 count, i32 offset) override { Log("RequestItemsPage", flags, count, offset); }
    void RequestBuyItem(i32 id, i32 kind) override { Log("RequestBuyItem", id, kind); }
    void ConfirmBuyItem(i32 id, i32 kind, const CKetrelArray<i32>* receivers) override
    { Log("ConfirmBuyItem " + std::to_string(id) + " " + std::to_string(kind) + Ids(receivers)); }
    void UpdateItemState(i32 id, i32 state) override { Log("UpdateItemState", id, state); }
    void RequestPlayerGiftItems(i32 id) override { Log("RequestPlayerGiftItems", id); }
    void ConfirmBuyPlayerItems(i32 id, i32 b, const CKetrelArray<i32>& items) override
    { Log("ConfirmBuyPlayerItems " + std::to_string(id) + " " + std::to_string(b) + Ids(&items)); }
    void SendGameReady() override { Log("SendGameReady"); }
    void SendRequest94() override { Log("SendRequest94"); }
    void RequestShopItemImages(const CKetrelArray<i32>& ids, i32 size) override
    { Log("RequestShopItemImages" + Ids(&ids) + " size " + std::to_string(size)); }

    // " 1 2 3" of the ids, " none" for no array.
    static std::string Ids(const CKetrelArray<i32>* ids);

    ImageUIApp imageUi;
};

// A menu state on the social host with its menu open on page.
struct SocialRig
{
    explicit SocialRig(const char* page = nullptr);
    ~SocialRig();
    CWidget* Find(const char* pathOrName);
    void Frames(int n = 4);
    std::vector<std::string> Take() { return host.Take(); }
    // Fires the event as the layout would, with that widget.
    int Fire(const char* event, CWidget* widget) { return state->FireEvent(CKetrelString(event), widget); }
    std::string Page();

    SocialHost host;
    std::unique_ptr<CBrixMenuState> state;
};

// Text of a text widget found under w (any depth); "<none>" when there is none.
std::string TextOf(CWidget* w, const char* name);
bool Shown(CWidget* w, const char* name);

CPlayerListItem Player(i32 id, const char* name, i32 flags, i32 wins = 0, i32 ties = 0, i32 losses = 0);
CShopItemData Item(i32 id, const char* name, i32 price, i32 gift, i32 refill, i32 group, i32 amount = 1,
                   i32 state = 0, const char* display = "");
CShopGroupData Group(i32 id, const char* name, i32 kind, i32 count);
// A small valid PNG.
std::vector<u8> Png();
}  // namespace socialtest
