#include "ResourceTestKit.h"

#include "engine/KetrelMediaPackWriter.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"

#include <cstdlib>
#include <cstring>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <unistd.h>

TestFolder::TestFolder()
{
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brixres.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (mkdtemp(buffer.data()))
        m_path = buffer.data();
}

TestFolder::~TestFolder()
{
    if (m_path.empty())
        return;
    std::string command = "rm -rf '" + m_path + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", m_path.c_str());
}

bool WriteTestPack(const std::string& path, const std::vector<TestEntry>& entries)
{
    CKetrelMediaPackWriter writer;
    for (const TestEntry& e : entries)
    {
        if (writer.AddEntry(Str(e.name), e.data.data(), (u32)e.data.size()) != KE_OK)
            return false;
    }
    return writer.Write(Str(path)) == KE_OK;
}

std::string MakePng(int width, int height, const std::function<u32(int, int)>& colour)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    if (!pixbuf)
        return std::string();
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const u32 c = colour(x, y);
            guchar* p = pixels + y * stride + x * 4;
            p[0] = (guchar)(c >> 16);
            p[1] = (guchar)(c >> 8);
            p[2] = (guchar)c;
            p[3] = (guchar)(c >> 24);
        }
    gchar* buffer = nullptr;
    gsize size = 0;
    std::string out;
    if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr))
        out.assign(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return out;
}

std::string MakeSolidJpeg(int width, int height, u32 colour)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    if (!pixbuf)
        return std::string();
    gdk_pixbuf_fill(pixbuf, (colour << 8) | 0xFF);
    gchar* buffer = nullptr;
    gsize size = 0;
    std::string out;
    if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr, "quality", "100", nullptr))
        out.assign(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return out;
}

static void Put32(std::string& s, u32 v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back((char)(v >> (8 * i)));
}

static void Put16(std::string& s, u16 v)
{
    s.push_back((char)v);
    s.push_back((char)(v >> 8));
}

std::string MakeWav(int frames, int rate)
{
    std::string s = "RIFF";
    Put32(s, 36 + (u32)frames * 2);
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1);                 // PCM
    Put16(s, 1);                 // mono
    Put32(s, (u32)rate);
    Put32(s, (u32)rate * 2);
    Put16(s, 2);
    Put16(s, 16);
    s += "data";
    Put32(s, (u32)frames * 2);
    for (int i = 0; i < frames; ++i)
        Put16(s, (u16)((i / 25) % 2 ? 8000 : -8000));
    return s;
}

std::string MakeMeta(int imageSize, int fontSize, const std::string& imageFiles,
                     const std::string& fontFiles, int separateAlpha)
{
    std::string s = "<meta>\n <image>\n";
    if (imageSize)
        s += "  <original_size value=\"" + std::to_string(imageSize) + "\"/>\n";
    if (separateAlpha)
        s += "  <separate_alpha value=\"1\"/>\n";
    s += "  <files>" + imageFiles + "</files>\n </image>\n <font>\n";
    if (fontSize)
        s += "  <original_size value=\"" + std::to_string(fontSize) + "\"/>\n";
    s += "  <files>" + fontFiles + "</files>\n </font>\n</meta>\n";
    return s;
}

NoDisplay::NoDisplay()
{
    unsetenv("DISPLAY");
}

bool TestApp::SetScreen(int width, int height)
{
    CKetrelSurfaceDesc desc = {width, height, 0, 7, 0, 4};
    return GetBackBuffer()->Create(this, &desc) == KE_OK;
}

std::string TestApp::ProgramFolder()
{
    CKetrelString dir;
    GetExecutableDir(dir);
    std::vector<char> narrow((size_t)dir.GetLength() + 1);
    dir.ToNarrow(narrow.data());
    return std::string(narrow.data());
}
