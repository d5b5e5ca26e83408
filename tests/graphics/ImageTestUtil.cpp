#include "ImageTestUtil.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

std::vector<uint8_t> EncodeImage(const char* type, int width, int height, bool hasAlpha,
                                 const std::function<void(int, int, uint8_t*)>& pixel)
{
    GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, hasAlpha, 8, width, height);
    if (!pb)
        return {};
    const int channels = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
    uint8_t* base = gdk_pixbuf_get_pixels(pb);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            uint8_t rgba[4] = {0, 0, 0, 255};
            pixel(x, y, rgba);
            for (int c = 0; c < channels; ++c)
                base[y * stride + x * channels + c] = rgba[c];
        }
    gchar* buffer = nullptr;
    gsize size = 0;
    std::vector<uint8_t> out;
    gboolean ok = std::string(type) == "jpeg"
                      ? gdk_pixbuf_save_to_buffer(pb, &buffer, &size, type, nullptr, "quality", "100", nullptr)
                      : gdk_pixbuf_save_to_buffer(pb, &buffer, &size, type, nullptr, nullptr);
    if (ok)
        out.assign((uint8_t*)buffer, (uint8_t*)buffer + size);
    g_free(buffer);
    g_object_unref(pb);
    return out;
}

std::vector<uint8_t> EncodeUniform(const char* type, int width, int height, bool hasAlpha,
                                   uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return EncodeImage(type, width, height, hasAlpha, [=](int, int, uint8_t* p) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    });
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return out;
}

TempFolder::TempFolder()
{
    char templ[] = "/tmp/ketrel-image-test-XXXXXX";
    if (mkdtemp(templ))
        m_path = templ;
}

TempFolder::~TempFolder()
{
    if (m_path.empty())
        return;
    if (DIR* dir = opendir(m_path.c_str()))
    {
        while (dirent* e = readdir(dir))
        {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                unlink(Path(name).c_str());
        }
        closedir(dir);
    }
    rmdir(m_path.c_str());
}
