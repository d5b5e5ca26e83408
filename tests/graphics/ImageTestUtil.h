#pragma once
// Images made by the tests themselves with gdk-pixbuf, and a private temporary
// folder for files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Encodes a width x height picture as "png", "jpeg" or "bmp"; pixel(x, y, rgba)
// fills the four bytes (alpha ignored without hasAlpha).
std::vector<uint8_t> EncodeImage(const char* type, int width, int height, bool hasAlpha,
                                 const std::function<void(int, int, uint8_t*)>& pixel);

// A uniform picture.
std::vector<uint8_t> EncodeUniform(const char* type, int width, int height, bool hasAlpha,
                                   uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A fresh folder under /tmp, removed with its files by the destructor.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};
