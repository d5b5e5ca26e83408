// Helpers of the intro, title, toast and advertisement tests.
#include "OverlayTestKit.h"

#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelGraphicsContext.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "support/KetrelTestXServer.h"
#include "ui/Widget.h"

#include <GLES2/gl2.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace
{
std::string BuiltPack(const std::string& name)
{
    return std::string(KETREL_BINARY_DIR) + "/main/" + name;
}
}

// A file in the test program's own folder, found without an application (which would
// touch DISPLAY).
std::string ProgramFile(const std::string& name)
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return std::string();
    std::string path(exe, (size_t)n);
    return path.substr(0, path.rfind('/') + 1) + name;
}

void UnlinkBuiltPack(const std::string& name)
{
    const std::string target = ProgramFile(name);
    struct stat st;
    if (!target.empty() && lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        unlink(target.c_str());
}

bool LinkBuiltPack(const std::string& name)
{
    struct stat st;
    const std::string source = BuiltPack(name);
    if (stat(source.c_str(), &st) != 0)
        return false;
    const std::string target = ProgramFile(name);
    if (target.empty())
        return false;
    if (lstat(target.c_str(), &st) == 0)
        return true;
    return symlink(source.c_str(), target.c_str()) == 0 || errno == EEXIST;
}

bool HostServices::AddFrameworkPacks()
{
    bool ok = true;
    for (const char* pack : {"brixlayouts.vad", "brixlobby_480.vad", "brixfonts_480.vad"})
        ok = AddMediaPack(Str(BuiltPack(pack)), 1, 0) == 1 && ok;
    return ok;
}

CKetrelString HostServices::GetLanguageText(i32 index)
{
    auto it = texts.find(index);
    return CKetrelString(it == texts.end() ? "X-X" : it->second.c_str());
}

void HostServices::OpenLink(const CKetrelString& link)
{
    if (!link.IsEmpty())
        links.push_back(Narrow(link));
}

bool HostServices::FindColor(const CKetrelString& name, u32* colour)
{
    static const std::map<std::string, u32> colours = {{"text", 0xFF202020u}, {"text_light", 0xFFFFFFFFu}};
    auto it = colours.find(Narrow(name));
    if (it == colours.end())
        return false;
    *colour = it->second;
    return true;
}

IKetrelGraphicsContext* HostServices::GetUIGraphicsContext()
{
    IKetrelApplication* engine = GetEngineApplication();
    return engine ? engine->GetGraphicsContext() : nullptr;
}

SoftwareHost::SoftwareHost(int width, int height, CKetrelSoundEngine* sound)
{
    SetScreen(width, height);
    CBrixResourceManager::Init(this, sound);
}

SoftwareHost::~SoftwareHost()
{
    ReleaseAll();
}

WindowHost::WindowHost() : m_ready(false)
{
    CKetrelTestXServer* server = CKetrelTestXServer::Shared();
    if (!server || !server->IsRunning())
        return;
    CKetrelDisplayMode mode;
    IKetrelApplication::GetDefaultDisplayMode(&mode);
    mode.width = 800;
    mode.height = 480;
    mode.windowed = 1;
    if (Create(0, &mode) != KE_OK)
        return;
    if (!CKetrelGraphicsExt_GLES2::FromContext(GetGraphicsContext()))
        return;
    CBrixResourceManager::Init(this, nullptr);
    m_ready = true;
}

WindowHost::~WindowHost()
{
    ReleaseAll();
}

std::vector<u32> WindowHost::ReadBack()
{
    const int w = 800, h = 480;
    std::vector<unsigned char> rgba((size_t)w * h * 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<u32> pixels((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const unsigned char* p = &rgba[((size_t)(h - 1 - y) * w + x) * 4];
            pixels[(size_t)y * w + x] = 0xFF000000u | (u32)p[0] << 16 | (u32)p[1] << 8 | p[2];
        }
    return pixels;
}

void WindowHost::Present()
{
    if (CKetrelGraphicsExt_GLES2* gl = CKetrelGraphicsExt_GLES2::FromContext(GetGraphicsContext()))
        gl->Present();
}

std::string Narrow(const CKetrelString& text)
{
    std::vector<char> out((size_t)text.GetLength() * 4 + 1);
    text.ToUTF8(out.data());
    return std::string(out.data());
}

CWidget* FindWidget(CWidget* root, const char* name)
{
    return root ? root->FindChild(CKetrelString(name), -1) : nullptr;
}

bool SavePicture(const std::string& name, const std::vector<u32>& pixels, int width, int height)
{
    const std::string dir = std::string(KETREL_BINARY_DIR) + "/tests/framework/";
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    if (!pixbuf)
        return false;
    guchar* out = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const u32 c = pixels[(size_t)y * width + x];
            guchar* p = out + y * stride + x * 3;
            p[0] = (guchar)(c >> 16);
            p[1] = (guchar)(c >> 8);
            p[2] = (guchar)c;
        }
    const gboolean ok = gdk_pixbuf_save(pixbuf, (dir + name).c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return ok;
}

int ColourDistance(u32 a, u32 b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int d = std::abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
    }
    return worst;
}
