// layoutview: builds a UI layout at a chosen screen size in a real window, writes a
// PNG of it, and logs every UI event name that a scripted list of clicks fires.
//
//   layoutview [--dir FOLDER | --pack FILE.vad] [--size WxH] [--out FILE.png]
//              [--script FILE] [--click X,Y]... [--frames N] LAYOUT.xml
//
// The layout and the images it names are read from the folder (loose files; an image
// name is tried as it is, then with ".png" and ".jpg") or from a media pack (whose
// entry names hold a folder, "ui/layout.xml", as the pack reader looks for "/name").
// Every action name that the layout's events and triggers use is registered with a
// logger, and the layout's own sequences are logged when a widget starts them, so a
// click prints "EVENT <name> <widget>" for each action it fires. A
// script holds lines "click X Y" and "wait SECONDS" ('#' starts a comment).
// Exit status: 0 done, 1 bad arguments, 2 no window or renderer, 3 layout not loaded,
// 4 PNG not written.
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelSurface.h"
#include "framework/BrixResourceManager.h"
#include "ui/Button.h"
#include "ui/GameXMLLoader.h"
#include "ui/UIActionMap.h"
#include "ui/UIServices.h"
#include "ui/UITimedSequence.h"
#include "ui/Widget.h"

#include <GLES2/gl2.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::string Narrow(const CKetrelString& s)
{
    std::string out;
    for (i32 i = 0; i < s.GetLength(); ++i)
        out += (char)s.GetAt(i);
    return out;
}

bool ReadWholeFile(const std::string& path, std::string* out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    std::ostringstream s;
    s << f.rdbuf();
    *out = s.str();
    return true;
}

// Loose files of one folder; images get a GL texture, as pack images do.
class FolderResources : public IUIResourceManager
{
public:
    FolderResources(IKetrelApplication* app, const std::string& folder) : m_app(app), m_folder(folder) {}
    ~FolderResources() override
    {
        for (auto& e : m_images)
            delete e.first;
    }
    CKetrelSurface* GetImage(const CKetrelString& name, u32) override
    {
        if (name.IsEmpty())
            return nullptr;
        auto named = m_byName.find(Narrow(name));
        if (named != m_byName.end())
        {
            ++m_images[named->second];
            return named->second;
        }
        const std::string base = m_folder + "/" + Narrow(name);
        for (const char* ext : {"", ".png", ".jpg"})
        {
            std::unique_ptr<CKetrelSurface> s(new CKetrelSurface());
            CKetrelSurfaceDesc desc = {};
            desc.pixelFormat = KE_PF_ABGR8888;
            if (s->LoadFromFile(m_app, CKetrelString((base + ext).c_str()), &desc) != KE_OK)
                continue;
            s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
            CKetrelSurface* image = s.release();
            m_images[image] = 1;
            m_byName[Narrow(name)] = image;
            return image;
        }
        return nullptr;
    }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override
    {
        if (image && m_byName.emplace(Narrow(name), image).second)
            m_images[image] = 1;
    }
    int AddRefImage(CKetrelSurface* image) override
    {
        if (!image)
            return 1;
        auto it = m_images.find(image);
        if (it == m_images.end())
            return 0;
        ++it->second;
        return 1;
    }
    int ReleaseImage(CKetrelSurface** slot) override
    {
        if (!*slot)
            return 1;
        auto it = m_images.find(*slot);
        if (it == m_images.end())
            return 0;
        if (--it->second == 0)
        {
            for (auto n = m_byName.begin(); n != m_byName.end(); ++n)
                if (n->second == *slot)
                {
                    m_byName.erase(n);
                    break;
                }
            delete *slot;
            m_images.erase(it);
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
        std::string text;
        // Names stay inside the folder.
        const std::string n = Narrow(name);
        if (n.empty() || n[0] == '/' || n.find("..") != std::string::npos ||
            !ReadWholeFile(m_folder + "/" + n, &text) || text.empty())
            return 0;
        *data = new u8[text.size()];
        memcpy(*data, text.data(), text.size());
        return (i32)text.size();
    }

private:
    IKetrelApplication* m_app;
    std::string m_folder;
    std::map<CKetrelSurface*, int> m_images;
    std::map<std::string, CKetrelSurface*> m_byName;
};

// A media pack through the framework's resource manager.
class PackResources : public IUIResourceManager
{
public:
    explicit PackResources(IKetrelApplication* app) { m_manager.Init(app, nullptr); }
    bool Open(const std::string& path)
    {
        return m_manager.AddMediaPack(CKetrelString(path.c_str()), 1, 0) == 1;
    }
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override
    {
        if (name.IsEmpty())
            return nullptr;
        for (const char* ext : {"", ".png", ".jpg"})
        {
            CKetrelString full(name);
            full.Append(CKetrelString(ext));
            if (CKetrelSurface* image = m_manager.GetImage(full, flags))
                return image;
        }
        return nullptr;
    }
    void RegisterImage(const CKetrelString& name, CKetrelSurface* image) override
    {
        m_manager.RegisterImage(name, image);
    }
    int AddRefImage(CKetrelSurface* image) override { return m_manager.AddRefImage(image); }
    int ReleaseImage(CKetrelSurface** slot) override { return m_manager.ReleaseImage(slot); }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 1; }
    CKetrelBitmapFont* GetFont(const CKetrelString& name) override { return m_manager.GetFont(name); }
    int AddRefFont(CKetrelBitmapFont* font) override { return m_manager.AddRefFont(font); }
    int ReleaseFont(CKetrelBitmapFont** slot) override { return m_manager.ReleaseFont(slot); }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString& name) override
    {
        return m_manager.FindShaderProgram(name);
    }
    void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program) override
    {
        m_manager.RegisterShaderProgram(name, program);
    }
    int ReleaseShaderProgram(CKetrel3DProgram** slot) override
    {
        return m_manager.ReleaseShaderProgram(slot);
    }
    i32 ReadResource(const CKetrelString& name, u8** data) override
    {
        return m_manager.ReadResource(name, data);
    }

private:
    CBrixResourceManager m_manager;
};

class NoDevice : public IUIDevice
{
public:
    void Vibrate(i32) override {}
    void OpenUrl(const CKetrelString& link) override
    {
        std::printf("URL %s\n", Narrow(link).c_str());
    }
    CKetrelString GetOSName() override { return CKetrelString("Linux"); }
};

class Viewer : public IKetrelApplication, public IUIApplication
{
public:
    void OnFrame() override {}
    IUIDevice* GetDevice() override { return &device; }
    IUITheme* GetTheme() override { return nullptr; }
    IUILanguage* GetLanguage() override { return nullptr; }
    IUIResourceManager* GetUIResources() override { return resources.get(); }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return GetGraphicsContext(); }
    i32 GetGameId() override { return 0; }
    i32 GetReleaseId() override { return 0; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }

    NoDevice device;
    std::unique_ptr<IUIResourceManager> resources;
};

// Prints the action's name and the widget that fired it.
int LogAction(void* argument, void* context)
{
    const std::string* name = static_cast<const std::string*>(context);
    CWidget* w = static_cast<CWidget*>(argument);
    // Only widgets pass themselves; sequences pass their start argument along.
    std::printf("EVENT %s %s\n", name->c_str(), w ? Narrow(w->GetName()).c_str() : "-");
    std::fflush(stdout);
    return 1;
}

// A widget callback that starts one of the document's own sequences: logged under the
// sequence's name, then started.
struct LoggedSequence
{
    std::string name;
    CUIActionCallback start;
};

int LogSequence(void* argument, void* context)
{
    const LoggedSequence* s = static_cast<const LoggedSequence*>(context);
    LogAction(argument, const_cast<std::string*>(&s->name));
    return s->start.Fire(argument);
}

// The document's sequences are registered while it loads, over the loggers, and the
// widgets bound to them start them directly: wrap those bindings (the widget events
// and button clicks) so that they are logged too.
void WrapSequenceBindings(CWidget* w, std::vector<std::unique_ptr<LoggedSequence>>* keep)
{
    auto wrap = [&](const CUIActionCallback& cb, auto set) {
        if (cb.function != &CUITimedSequence::StartAction || !cb.context)
            return;
        keep->emplace_back(new LoggedSequence{
            Narrow(static_cast<CUITimedSequence*>(cb.context)->GetName()), cb});
        set(MakeUIActionCallback(&LogSequence, keep->back().get()));
    };
    wrap(w->GetOnShow(), [&](const CUIActionCallback& c) { w->SetOnShow(c); });
    wrap(w->GetOnHide(), [&](const CUIActionCallback& c) { w->SetOnHide(c); });
    wrap(w->GetOnClone(), [&](const CUIActionCallback& c) { w->SetOnClone(c); });
    wrap(w->GetOnCloned(), [&](const CUIActionCallback& c) { w->SetOnCloned(c); });
    wrap(w->GetOnStartup(), [&](const CUIActionCallback& c) { w->SetOnStartup(c); });
    wrap(w->GetOnShutdown(), [&](const CUIActionCallback& c) { w->SetOnShutdown(c); });
    if (CButton* b = CButton::Cast(w))
        wrap(b->GetClickCallback(), [&](const CUIActionCallback& c) { b->SetClickCallback(c); });
    for (i32 i = 0; i < w->GetChildCount(); ++i)
        WrapSequenceBindings(w->GetChild(i), keep);
}

// Every "$action" of the document and of the documents it imports.
void CollectActions(const CKetrelXMLDataNode* node, IUIResourceManager* resources,
                    std::set<std::string>* names, std::set<std::string>* visited, int depth)
{
    if (!node || depth > 64)
        return;
    for (const CKetrelXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (c->IsValueNode())
        {
            if (std::strcmp(c->GetName(), "$action") == 0 && c->GetValue())
                names->insert(c->GetValue());
            continue;
        }
        if (std::strcmp(c->GetName(), "import") == 0)
            if (const char* path = c->GetString("$path", nullptr))
                if (visited->insert(path).second)
                {
                    u8* data = nullptr;
                    const i32 size = resources->ReadResource(CKetrelString(path), &data);
                    CKetrelXMLDataNode doc;
                    if (size > 0 && doc.Parse(reinterpret_cast<char*>(data), (u32)size) == KE_OK)
                        CollectActions(&doc, resources, names, visited, depth + 1);
                    delete[] data;
                }
        CollectActions(c, resources, names, visited, depth + 1);
    }
}

struct Step
{
    bool click;
    i32 x, y;
    f32 seconds;
};

bool ParseScript(const std::string& text, std::vector<Step>* steps)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line))
    {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.resize(hash);
        std::istringstream words(line);
        std::string verb;
        if (!(words >> verb))
            continue;
        Step s = {false, 0, 0, 0.0f};
        if (verb == "click" && (words >> s.x >> s.y))
            s.click = true;
        else if (!(verb == "wait" && (words >> s.seconds) && s.seconds >= 0.0f && s.seconds <= 600.0f))
        {
            std::fprintf(stderr, "layoutview: script line %d not understood\n", number);
            return false;
        }
        steps->push_back(s);
    }
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: layoutview [--dir FOLDER | --pack FILE.vad] [--size WxH] "
                         "[--out FILE.png] [--script FILE] [--click X,Y]... [--frames N] LAYOUT.xml\n");
    return 1;
}

bool WritePNG(const std::string& path, i32 w, i32 h)
{
    std::vector<unsigned char> rgba((size_t)w * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    if (!pixbuf)
        return false;
    unsigned char* out = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    // GL rows run bottom to top.
    for (i32 y = 0; y < h; ++y)
        for (i32 x = 0; x < w; ++x)
        {
            const unsigned char* src = &rgba[((size_t)(h - 1 - y) * w + x) * 4];
            unsigned char* dst = out + (size_t)y * stride + (size_t)x * 3;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    const gboolean saved = gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return saved != FALSE;
}
}  // namespace

int main(int argc, char** argv)
{
    std::string dir = ".", pack, out, layout, scriptText;
    i32 width = 800, height = 480, frames = 2;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--dir" && hasValue)
            dir = argv[++i];
        else if (a == "--pack" && hasValue)
            pack = argv[++i];
        else if (a == "--out" && hasValue)
            out = argv[++i];
        else if (a == "--size" && hasValue)
        {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 1 || height < 1 ||
                width > 4096 || height > 4096)
                return Usage();
        }
        else if (a == "--frames" && hasValue)
            frames = std::atoi(argv[++i]);
        else if (a == "--script" && hasValue)
        {
            std::string text;
            if (!ReadWholeFile(argv[++i], &text))
            {
                std::fprintf(stderr, "layoutview: cannot read the script %s\n", argv[i]);
                return 1;
            }
            scriptText += text + "\n";
        }
        else if (a == "--click" && hasValue)
        {
            i32 x = 0, y = 0;
            if (std::sscanf(argv[++i], "%d,%d", &x, &y) != 2)
                return Usage();
            scriptText += "click " + std::to_string(x) + " " + std::to_string(y) + "\n";
        }
        else if (a[0] != '-' && layout.empty())
            layout = a;
        else
            return Usage();
    }
    if (layout.empty() || frames < 1 || frames > 10000)
        return Usage();
    std::vector<Step> steps;
    if (!ParseScript(scriptText, &steps))
        return 1;

    Viewer viewer;
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.width = width;
    mode.height = height;
    mode.windowed = 1;
    if (viewer.Create(0, &mode) != KE_OK || !viewer.GetGraphicsContext())
    {
        std::fprintf(stderr, "layoutview: no window of %dx%d can be made\n", width, height);
        return 2;
    }
    IKetrelGraphicsContext* gc = viewer.GetGraphicsContext();
    if (!pack.empty())
    {
        PackResources* r = new PackResources(&viewer);
        viewer.resources.reset(r);
        if (!r->Open(pack))
        {
            std::fprintf(stderr, "layoutview: cannot open the pack %s\n", pack.c_str());
            return 3;
        }
    }
    else
        viewer.resources.reset(new FolderResources(&viewer, dir));

    int status = 0;
    {
        CUITimedSequenceList sequences;
        CUIActionMap actions;
        actions.SetSequenceList(&sequences);
        CGameXMLLoader loader;
        loader.Init(&viewer, &actions, nullptr);
        const int r = loader.LoadFile(CKetrelString(layout.c_str()));
        if (r != KE_OK)
        {
            std::fprintf(stderr, "layoutview: %s not loaded (%d)\n", layout.c_str(), r);
            return 3;
        }
        std::set<std::string> names, visited;
        CollectActions(loader.GetDocument(), viewer.resources.get(), &names, &visited, 0);
        std::vector<std::unique_ptr<std::string>> keep;
        for (const std::string& n : names)
        {
            keep.emplace_back(new std::string(n));
            // Names that already carry the prefix are the application's own.
            const bool prefixed = n.compare(0, 4, "app:") == 0;
            actions.Register(CKetrelString(n.c_str()), MakeUIActionCallback(&LogAction, keep.back().get()),
                             !prefixed);
        }
        CWidget* root = loader.CreateRootWidget(width, height, nullptr);
        if (!root)
        {
            std::fprintf(stderr, "layoutview: %s has no area for %dx%d\n", layout.c_str(), width, height);
            return 3;
        }
        std::vector<std::unique_ptr<LoggedSequence>> sequenceLogs;
        WrapSequenceBindings(root, &sequenceLogs);
        std::printf("LAYOUT %s area %s at %dx%d\n", layout.c_str(), Narrow(root->GetName()).c_str(),
                    width, height);

        const f32 dt = 1.0f / 30.0f;
        auto tick = [&](f32 seconds) {
            for (f32 t = 0.0f; t < seconds; t += dt)
            {
                CWidgetWalkGuard guard;
                root->Update(dt);
                sequences.Update(dt);
            }
        };
        for (const Step& s : steps)
        {
            if (s.click)
            {
                std::printf("CLICK %d %d\n", s.x, s.y);
                std::fflush(stdout);
                {
                    CWidgetWalkGuard guard;
                    root->DispatchPointerDown(0, s.x, s.y);
                    root->DispatchPointerUp(0, s.x, s.y);
                }
                tick(0.5f);   // delayed clicks and short sequences run out
            }
            else
                tick(s.seconds);
        }
        for (i32 f = 0; f < frames; ++f)
        {
            root->Update(dt);
            gc->SetClipRect(nullptr);
            gc->FillRect(0xFF000000u, nullptr);
            root->Render(gc);
        }
        if (!out.empty())
        {
            if (WritePNG(out, width, height))
                std::printf("PNG %s\n", out.c_str());
            else
            {
                std::fprintf(stderr, "layoutview: %s not written\n", out.c_str());
                status = 4;
            }
        }
        CWidget::Destroy(root);
        loader.Unload();
        sequences.DeleteAll();
        actions.Clear();
    }
    viewer.resources.reset();
    viewer.Close();
    return status;
}
