#include "LoaderTestSupport.h"

#include "engine/graphics/KetrelSurface.h"

namespace uitest
{
ImageResources::~ImageResources()
{
    for (auto& entry : imageRefs)
        delete entry.first;
}

CKetrelSurface* ImageResources::GetImage(const CKetrelString& name, u32)
{
    if (name.IsEmpty())
        return nullptr;
    CKetrelSurface* s = new CKetrelSurface();
    CKetrelSurfaceDesc desc = {};
    desc.width = imageWidth;
    desc.height = imageHeight;
    desc.pixelFormat = KE_PF_RGB565;
    s->Create(nullptr, &desc);
    imageRefs[s] = 1;
    return s;
}

int ImageResources::AddRefImage(CKetrelSurface* image)
{
    if (!image)
        return 1;
    auto it = imageRefs.find(image);
    if (it == imageRefs.end())
        return 0;
    ++it->second;
    return 1;
}

int ImageResources::ReleaseImage(CKetrelSurface** slot)
{
    if (!*slot)
        return 1;
    auto it = imageRefs.find(*slot);
    if (it == imageRefs.end())
        return 0;
    if (--it->second == 0)
    {
        delete *slot;
        imageRefs.erase(it);
    }
    *slot = nullptr;
    return 1;
}

int ActionLog::Record(void* argument, void* context)
{
    (void)argument;
    auto* entry = static_cast<std::pair<ActionLog*, std::string*>*>(context);
    entry->first->fired.push_back(*entry->second);
    return 1;
}

void LoadedTree::Action(const char* name)
{
    // The context pairs the log with the name; both live as long as the tree.
    names.emplace_back(new std::string(name));
    auto* entry = new std::pair<ActionLog*, std::string*>(&log, names.back().get());
    contexts.emplace_back(entry);
    actions.Register(CKetrelString(name), MakeUIActionCallback(&ActionLog::Record, entry), true);
}

CWidget* LoadedTree::Build(const std::string& text, i32 w, i32 h, CWidget* previous)
{
    CWidget* r = new CWidget();
    r->Init(&app, &app.resources, CKetrelRect(0, 0, w, h));
    r->SetName(CKetrelString("root"));
    CUIXMLLoader loader;
    loader.Init(&app, &actions, nullptr, r, nullptr, previous);
    if (loader.LoadFromMemory(text.data(), (i32)text.size()) == KE_OK)
        loader.LoadDocument(loader.GetRootElement());
    r->Broadcast();
    loader.Unload();
    if (root != previous)
        CWidget::Destroy(root);
    root = r;
    return r;
}
}  // namespace uitest
