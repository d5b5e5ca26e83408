// Doubles for the players, shop, challenge and gift pages.
#include "SocialTestKit.h"

#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "ui/PageView.h"
#include "ui/TextWidget.h"
#include "ui/Widget.h"

#include <cstring>
#include <new>

namespace socialtest
{
using lobbytest::Narrow;

ImageResources::~ImageResources()
{
    for (auto& e : images)
        delete e.second.image;
}

CKetrelSurface* ImageResources::GetImage(const CKetrelString& name, u32)
{
    auto it = images.find(Narrow(name));
    if (it == images.end())
        return nullptr;
    ++it->second.references;
    return it->second.image;
}

void ImageResources::RegisterImage(const CKetrelString& name, CKetrelSurface* image)
{
    registered.push_back(Narrow(name));
    if (!image || images.count(Narrow(name)))
        return;
    images[Narrow(name)] = Entry{image, 1};
}

int ImageResources::AddRefImage(CKetrelSurface* image)
{
    for (auto& e : images)
        if (e.second.image == image)
        {
            ++e.second.references;
            return 1;
        }
    return image ? 0 : 1;
}

int ImageResources::ReleaseImage(CKetrelSurface** slot)
{
    if (!slot || !*slot)
        return 1;
    for (auto it = images.begin(); it != images.end(); ++it)
        if (it->second.image == *slot)
        {
            if (--it->second.references <= 0)
            {
                delete it->second.image;
                images.erase(it);
            }
            *slot = nullptr;
            return 1;
        }
    return 0;
}

int ImageResources::Held(const std::string& name) const
{
    auto it = images.find(name);
    return it == images.end() ? 0 : it->second.references - 1;
}

SocialHost::SocialHost() { imageUi.images.files = ui.resources.files; }

CKetrelSurface* SocialHost::DecodePicture(const u8* data, i32 size)
{
    Log("DecodePicture");
    // No window here: the pixels are decoded as bytes R, G, B, A.
    const CKetrelSurfaceDesc desc = {0, 0, 0, KE_PF_ABGR8888, 0, 0};
    CKetrelSurface* s = new (std::nothrow) CKetrelSurface();
    if (s && s->LoadFromMemory(nullptr, data, size, &desc) != 1)
    {
        delete s;
        s = nullptr;
    }
    return s;
}

void SocialHost::ShowToast(const CKetrelString& text, i32 kind, f32 seconds)
{
    Log("ShowToast " + std::to_string(kind) + " " + std::to_string((int)seconds) + " " + Narrow(text));
}

std::string SocialHost::Ids(const CKetrelArray<i32>* ids)
{
    if (!ids)
        return " none";
    std::string out;
    for (i32 i = 0; i < ids->GetCount(); ++i)
        out += " " + std::to_string((*ids)[i]);
    return out;
}

SocialRig::SocialRig(const char* page) : state(new CBrixMenuState(&host, false))
{
    state->Init(nullptr);
    state->Activate();
    if (page)
        state->OpenPage(CKetrelString(page), 1);
    if (state->GetPageView())
        state->GetPageView()->FinishTransitions();
    host.Take();
}

SocialRig::~SocialRig() { state->Release(); }

CWidget* SocialRig::Find(const char* pathOrName)
{
    CWidget* root = state->GetRoot();
    if (!root)
        return nullptr;
    if (std::strchr(pathOrName, '/') || pathOrName[0] == '<')
        return root->FindByPath(CKetrelString(pathOrName));
    return root->FindChild(CKetrelString(pathOrName), -1);
}

void SocialRig::Frames(int n)
{
    for (int i = 0; i < n; ++i)
        state->Update(0.05f);
}

std::string SocialRig::Page()
{
    CWidget* page = state->GetPageView() ? state->GetPageView()->GetCurrentPage() : nullptr;
    return page ? Narrow(page->GetName()) : std::string();
}

std::string TextOf(CWidget* w, const char* name)
{
    CTextWidget* t = CTextWidget::Cast(w ? w->FindChild(CKetrelString(name), -1) : nullptr);
    return t ? Narrow(t->GetText()) : std::string("<none>");
}

bool Shown(CWidget* w, const char* name)
{
    CWidget* c = w ? w->FindChild(CKetrelString(name), -1) : nullptr;
    return c && c->IsVisible();
}

CPlayerListItem Player(i32 id, const char* name, i32 flags, i32 wins, i32 ties, i32 losses)
{
    CPlayerListItem p;
    p.id = id;
    p.text1 = CKetrelString(name);
    p.text4 = CKetrelString("Town");
    p.text6 = CKetrelString("Hello");
    p.value5 = flags;
    const i32 stats[8] = {0, 7, 120, wins, ties, losses, 3, 4};
    std::memcpy(p.stats, stats, sizeof stats);
    return p;
}

CShopItemData Item(i32 id, const char* name, i32 price, i32 gift, i32 refill, i32 group, i32 amount, i32 state,
                   const char* display)
{
    CShopItemData item;
    item.id = id;
    item.text1 = CKetrelString(name);
    item.text2 = CKetrelString("short");
    item.text3 = CKetrelString("full");
    const i32 values[9] = {price, gift, refill, group, 0, amount, 0, state, 0};
    std::memcpy(item.values, values, sizeof values);
    item.text13 = CKetrelString(display);
    return item;
}

CShopGroupData Group(i32 id, const char* name, i32 kind, i32 count)
{
    CShopGroupData g;
    g.id = id;
    g.name = CKetrelString(name);
    g.value2 = kind;
    g.value5 = count;
    return g;
}

std::vector<u8> Png()
{
    // 1 x 1 RGBA, one opaque red pixel.
    static const u8 kPng[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
        0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4,
        0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0,
        0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99, 0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45,
        0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return std::vector<u8>(kPng, kPng + sizeof kPng);
}
}  // namespace socialtest
