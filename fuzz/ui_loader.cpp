// The UI document loader on arbitrary documents: read the theme's file, build,
// update, click every button, page through every page view, then reload with the
// first tree as the previous one. Input: the main document, then (each after a 0 byte) the documents served as
// "a.xml" and "b.xml" and a second main document for the reload.
#include "UIFuzzKit.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "ui/Button.h"
#include "ui/PageView.h"
#include "ui/UIActionMap.h"
#include "ui/UIServices.h"
#include "ui/UITimedSequence.h"
#include "ui/UIXMLLoader.h"
#include "ui/Widget.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
class Resources : public IUIResourceManager
{
public:
    ~Resources() override
    {
        for (auto& e : images)
            delete e.first;
    }
    CKetrelSurface* GetImage(const CKetrelString& name, u32) override
    {
        if (name.IsEmpty())
            return nullptr;
        CKetrelSurface* s = new CKetrelSurface();
        CKetrelSurfaceDesc desc = {};
        desc.width = 16;
        desc.height = 8;
        desc.pixelFormat = KE_PF_RGB565;
        s->Create(nullptr, &desc);
        images[s] = 1;
        return s;
    }
    void RegisterImage(const CKetrelString&, CKetrelSurface* image) override { images[image] = 1; }
    int AddRefImage(CKetrelSurface* image) override
    {
        if (!image)
            return 1;
        auto it = images.find(image);
        if (it == images.end())
            return 0;
        ++it->second;
        return 1;
    }
    int ReleaseImage(CKetrelSurface** slot) override
    {
        if (!*slot)
            return 1;
        auto it = images.find(*slot);
        if (it == images.end())
            return 0;
        if (--it->second == 0)
        {
            delete *slot;
            images.erase(it);
        }
        *slot = nullptr;
        return 1;
    }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 1; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 1; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 1; }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        *data = nullptr;
        std::string key;
        for (i32 i = 0; i < name.GetLength(); ++i)
            key += (char)name.GetAt(i);
        auto it = files.find(key);
        if (it == files.end() || it->second.empty())
            return 0;
        *data = new u8[it->second.size()];
        memcpy(*data, it->second.data(), it->second.size());
        return (i32)it->second.size();
    }
    std::map<CKetrelSurface*, int> images;
    std::map<std::string, std::string> files;
};

class Theme : public IUITheme
{
public:
    bool FindColor(const CKetrelString& name, u32* colour) override
    {
        if (!name.Equals(CKetrelString("accent")))
            return false;
        *colour = 0xFF336699u;
        return true;
    }
    void AddColor(const CKetrelString&, u32) override {}
    void GetXMLFileName(CKetrelString* out) override { *out = CKetrelString("a.xml"); }
};

class Device : public IUIDevice
{
public:
    void Vibrate(i32) override {}
    void OpenUrl(const CKetrelString&) override {}
    CKetrelString GetOSName() override { return CKetrelString("Linux"); }
};

// The toolkit application with the device and theme above.
class App : public fuzzkit::FuzzUI<Resources>
{
public:
    App()
    {
        device = &m_device;
        theme = &m_theme;
    }

private:
    Device m_device;
    Theme m_theme;
};

int Nothing(void*, void*) { return 1; }

CWidget* Build(App& app, CUIActionMap& actions, const std::string& text, CWidget* previous)
{
    CWidget* root = new CWidget();
    root->Init(&app, &app.resources, CKetrelRect(0, 0, 800, 480));
    root->SetName(CKetrelString("menu_root"));
    CUIXMLLoader loader;
    loader.Init(&app, &actions, nullptr, root, nullptr, previous);
    if (loader.LoadFromMemory(text.data(), (i32)text.size()) == KE_OK)
        loader.LoadDocument(loader.GetRootElement());
    root->Broadcast();
    loader.Unload();
    return root;
}

void Exercise(CWidget* root)
{
    CWidgetWalkGuard guard;   // clicks may destroy widgets: deleted when it ends
    root->Update(0.1f);
    std::vector<CWidget*> all;
    fuzzkit::CollectWidgets(root, &all);
    if (all.size() > 2000)
        all.resize(2000);
    for (CWidget* w : all)
    {
        if (CButton* b = CButton::Cast(w))
            b->Click();
        if (CPageView* v = CPageView::Cast(w))
        {
            for (i32 i = 0; i < v->GetChildCount() && i < 8; ++i)
                v->Navigate(v->GetChild(i)->GetName());
            v->Navigate(CKetrelString(":back"));
            v->Navigate(CKetrelString(":back#2147483647"));
        }
    }
    root->Update(1.0f);
    root->Update(0.0f);
    root->DispatchPointerDown(0, 400, 240);
    root->DispatchPointerUp(0, 400, 240);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i)
    {
        if (data[i] == 0 && parts.size() < 4)
            parts.emplace_back();
        else
            parts.back() += (char)data[i];
    }
    parts.resize(4);

    App app;
    app.resources.files["a.xml"] = parts[1];
    app.resources.files["b.xml"] = parts[2];
    CUITimedSequenceList sequences;
    CUIActionMap actions;
    actions.SetSequenceList(&sequences);
    actions.Register(CKetrelString("go"), MakeUIActionCallback(&Nothing, nullptr), true);

    {
        // The second document read as the theme's own file.
        CUIXMLLoader theme;
        theme.Init(&app, nullptr, nullptr, nullptr, nullptr, nullptr);
        theme.LoadFromResource(app.theme);
        theme.Unload();
    }
    CWidget* root = Build(app, actions, parts[0], nullptr);
    Exercise(root);
    sequences.Update(0.5f);
    if (!parts[3].empty())
    {
        root = Build(app, actions, parts[3], root);
        Exercise(root);
    }
    CWidget::Destroy(root);
    sequences.DeleteAll();
    actions.Clear();
    return 0;
}
