#include "WidgetKit.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/graphics/KetrelSurfaceDesc.h"
#include "support/KetrelTestWindow.h"

#include <GLES2/gl2.h>
#include <cstdio>
#include <cstdlib>

namespace kit
{
int Recorder::Put(const char* op, const CKetrelRect& d, const CKetrelRect* s, u32 c, u32 f)
{
    Call call;
    call.op = op;
    call.dest = d;
    call.hasSrc = s != nullptr;
    if (s)
        call.src = *s;
    call.colour = c;
    call.flags = f;
    GetClipRect(&call.clip);
    log.push_back(call);
    calls.push_back(uitest::DrawCall{op, d, call.clip});
    return 1;
}

std::vector<Call> Recorder::Of(const char* op) const
{
    std::vector<Call> out;
    for (const Call& c : log)
        if (c.op == op)
            out.push_back(c);
    return out;
}

namespace
{
void FreeSurface(CKetrelSurface* s)
{
    s->Release();
    delete s;
}
}  // namespace

CountingResources::~CountingResources()
{
    for (auto& r : refs)
        FreeSurface(const_cast<CKetrelSurface*>(r.first));
    for (auto& f : fontRefs)
    {
        CKetrelBitmapFont* font = const_cast<CKetrelBitmapFont*>(f.first);
        font->Release();
        delete font;
    }
    for (auto& p : programs)
    {
        p.second->Release();
        delete p.second;
    }
}

CKetrelSurface* CountingResources::GetImage(const CKetrelString& name, u32)
{
    auto it = names.find(uitest::Narrow(name));
    if (it == names.end() || !refs.count(it->second))
        return nullptr;
    ++refs[it->second];
    return it->second;
}

void CountingResources::RegisterImage(const CKetrelString& name, CKetrelSurface* image)
{
    const std::string n = uitest::Narrow(name);
    if (names.count(n) || !image)
        return;
    names[n] = image;
    refs[image] = 1;
}

CKetrelSurface* CountingResources::Add(const std::string& name, CKetrelSurface* image)
{
    RegisterImage(CKetrelString(name.c_str()), image);
    return image;
}

int CountingResources::AddRefImage(CKetrelSurface* image)
{
    if (!image)
        return 1;
    auto it = refs.find(image);
    if (it == refs.end())
        return 0;
    ++it->second;
    return 1;
}

int CountingResources::ReleaseImage(CKetrelSurface** slot)
{
    if (!*slot)
        return 1;
    auto it = refs.find(*slot);
    if (it == refs.end())
        return 0;
    if (--it->second == 0)
    {
        for (auto n = names.begin(); n != names.end(); ++n)
            if (n->second == *slot)
            {
                names.erase(n);
                break;
            }
        refs.erase(it);
        FreeSurface(*slot);
        *slot = nullptr;
    }
    return 1;
}

void CountingResources::Unload()
{
    std::vector<CKetrelSurface*> all;
    for (auto& n : names)
        all.push_back(n.second);
    for (CKetrelSurface* s : all)
        ReleaseImage(&s);
}

int CountingResources::Refs(const CKetrelSurface* image) const
{
    auto it = refs.find(image);
    return it == refs.end() ? 0 : it->second;
}

CKetrelBitmapFont* CountingResources::GetFont(const CKetrelString& name)
{
    auto it = fontNames.find(uitest::Narrow(name));
    if (it == fontNames.end())
        return nullptr;
    ++fontRefs[it->second];
    return it->second;
}

void CountingResources::AddFont(const std::string& name, CKetrelBitmapFont* font)
{
    fontNames[name] = font;
    fontRefs[font] = 1;
}

int CountingResources::AddRefFont(CKetrelBitmapFont* font)
{
    if (!font)
        return 1;
    auto it = fontRefs.find(font);
    if (it == fontRefs.end())
        return 0;
    ++it->second;
    return 1;
}

int CountingResources::ReleaseFont(CKetrelBitmapFont** slot)
{
    if (!*slot)
        return 1;
    auto it = fontRefs.find(*slot);
    if (it == fontRefs.end())
        return 0;
    --it->second;   // fonts stay until the manager goes
    return 1;
}

int CountingResources::FontRefs(const CKetrelBitmapFont* font) const
{
    auto it = fontRefs.find(font);
    return it == fontRefs.end() ? 0 : it->second;
}

CKetrel3DProgram* CountingResources::FindShaderProgram(const CKetrelString& name)
{
    auto it = programs.find(uitest::Narrow(name));
    if (it == programs.end())
        return nullptr;
    ++programRefs[it->second];
    return it->second;
}

int CountingResources::ReleaseShaderProgram(CKetrel3DProgram** slot)
{
    if (!slot || !*slot)
        return 1;
    auto ref = programRefs.find(*slot);
    if (ref == programRefs.end())
        return 0;
    if (--ref->second > 0)
        return 1;
    for (auto it = programs.begin(); it != programs.end(); ++it)
        if (it->second == *slot)
        {
            programs.erase(it);
            break;
        }
    programRefs.erase(ref);
    (*slot)->Release();
    delete *slot;
    *slot = nullptr;
    return 1;
}

void CountingResources::RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program)
{
    const std::string n = uitest::Narrow(name);
    auto it = programs.find(n);
    if (it != programs.end())
    {
        programRefs.erase(it->second);
        it->second->Release();
        delete it->second;
    }
    programs[n] = program;
    programRefs[program] = 1;
}

bool Theme::FindColor(const CKetrelString& name, u32* colour)
{
    auto it = colours.find(uitest::Narrow(name));
    if (it == colours.end())
        return false;
    *colour = it->second;
    return true;
}

CKetrelString Language::GetText(i32 index)
{
    if (index < 0 || index >= (i32)texts.size())
        return CKetrelString("X-X");
    return CKetrelString(texts[(size_t)index].c_str());
}

CKetrelSurface* MakeImage(i32 w, i32 h, const std::function<u32(i32, i32)>& pixel, bool texture)
{
    CKetrelSurface* s = new CKetrelSurface();
    CKetrelSurfaceDesc desc = {};
    desc.width = w;
    desc.height = h;
    desc.pixelFormat = KE_PF_ABGR8888;
    if (s->Create(nullptr, &desc) != KE_OK)
    {
        delete s;
        return nullptr;
    }
    for (i32 y = 0; y < h; ++y)
        for (i32 x = 0; x < w; ++x)
            s->SetPixel(x, y, pixel(x, y));
    if (texture)
        s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    return s;
}

bool Window::Open(i32 w, i32 h)
{
    Close();
    gl = OpenTestWindow(app, w, h, &skipReason);
    if (!gl)
        return false;
    width = w;
    height = h;
    return true;
}

void Window::Close()
{
    gl = nullptr;
    app.reset();
}

void Window::Clear(u32 colour)
{
    gl->SetClipRect(nullptr);
    gl->FillRect(0xFF000000u | colour, nullptr);
}

u32 Window::Read(i32 x, i32 y) const
{
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return ((u32)rgba[0] << 16) | ((u32)rgba[1] << 8) | rgba[2];
}

bool Window::SavePNG(const std::string& path) const
{
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    CKetrelSurface s(app.get());
    CKetrelSurfaceDesc desc = {};
    desc.width = width;
    desc.height = height;
    desc.pixelFormat = KE_PF_ARGB8888;
    if (s.Create(app.get(), &desc) != KE_OK)
        return false;
    for (i32 y = 0; y < height; ++y)
        for (i32 x = 0; x < width; ++x)
        {
            const unsigned char* p = &rgba[((size_t)(height - 1 - y) * width + x) * 4];
            s.SetPixel(x, y, 0xFF000000u | (u32)p[0] << 16 | (u32)p[1] << 8 | p[2]);
        }
    std::string dir = path.substr(0, path.rfind('/'));
    std::string cmd = "mkdir -p '" + dir + "'";
    if (system(cmd.c_str()) != 0)
        return false;
    return s.SaveImage(CKetrelString(path.c_str())) == KE_OK;
}

bool Near(u32 a, u32 b, i32 tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8)
    {
        const i32 d = (i32)((a >> shift) & 0xFF) - (i32)((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance)
            return false;
    }
    return true;
}

std::string Hex(u32 v)
{
    char b[16];
    snprintf(b, sizeof b, "%06x", v);
    return b;
}
}  // namespace kit
