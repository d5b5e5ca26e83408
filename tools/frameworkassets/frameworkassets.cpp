// tools/frameworkassets/frameworkassets.cpp
// Lays out the files of the framework's packs, one folder per pack, from the sources
// in assets/framework and from what it draws and synthesises itself:
//
//   frameworkassets <assets/framework> <output folder>
//
//   brixsounds/sounds/        short UI sounds (16-bit mono PCM WAV)
//   brixlayouts/layouts/      the layouts, copied
//   brixfonts_<S>/fonts/      the engine's default font as a descriptor and page, with
//                             "vad.meta" giving the design size S
//   brixlobby_<S>/lobby/      placeholder panels drawn for side S, with "vad.meta"
//   brixlanguage_en/lang/     the English texts as UTF-16LE with CR LF line ends
//   wobblixlanguage_en/lang/  the game's English texts, the same way
//   achievements/ach/         "ach_EN.txt" as UTF-16LE and one icon per achievement
//   brixtheme_tolvane-white/theme/   the theme's colours and a panel picture
//
// Each folder is then packed by the pack tool. The output is the same on every run.
// Exit status 0, or 1 with a message when a source is missing or malformed.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// The screen sides the resource manager's pack choice knows.
const int kPackSizes[] = {1536, 640, 480, 360, 320, 240};
const int kSampleRate = 22050;

bool g_failed = false;

void Fail(const std::string& message)
{
    fprintf(stderr, "frameworkassets: %s\n", message.c_str());
    g_failed = true;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    if (!out)
        Fail("cannot write " + path.string());
}

void PutU16(std::string& s, u32 v) { s.push_back((char)v); s.push_back((char)(v >> 8)); }
void PutU32(std::string& s, u32 v) { PutU16(s, v & 0xFFFF); PutU16(s, v >> 16); }

// UTF-16LE of UTF-8 text; each LF becomes CR LF when asked.
std::string Utf16(const std::string& utf8, bool crlf, bool bom)
{
    CKetrelString s;
    s.FromUTF8(utf8.c_str(), (int)utf8.size());
    std::string out;
    if (bom)
        PutU16(out, 0xFEFF);
    for (i32 i = 0; i < s.GetLength(); ++i)
    {
        if (crlf && s.GetAt(i) == '\n')
            PutU16(out, '\r');
        PutU16(out, s.GetAt(i));
    }
    return out;
}

// ---- sounds -------------------------------------------------------------------------

// A sine of hz sliding to hzEnd over ms, with a fast attack and an exponential decay.
std::string Tone(double hz, double hzEnd, int ms, double level)
{
    const int frames = kSampleRate * ms / 1000;
    std::string data;
    double phase = 0;
    for (int i = 0; i < frames; ++i)
    {
        const double t = (double)i / frames;
        const double f = hz + (hzEnd - hz) * t;
        phase += 2 * M_PI * f / kSampleRate;
        const double envelope = std::min(1.0, i / 40.0) * std::exp(-4.0 * t);
        PutU16(data, (u32)(u16)(i16)std::lround(32767 * level * envelope * std::sin(phase)));
    }
    std::string wav = "RIFF";
    PutU32(wav, 36 + (u32)data.size());
    wav += "WAVEfmt ";
    PutU32(wav, 16);
    PutU16(wav, 1);                  // PCM
    PutU16(wav, 1);                  // mono
    PutU32(wav, kSampleRate);
    PutU32(wav, kSampleRate * 2);
    PutU16(wav, 2);
    PutU16(wav, 16);
    wav += "data";
    PutU32(wav, (u32)data.size());
    return wav + data;
}

void MakeSounds(const fs::path& out)
{
    const fs::path dir = out / "brixsounds" / "sounds";
    WriteBytes(dir / "ui_click.wav", Tone(1800, 1400, 40, 0.5));
    WriteBytes(dir / "ui_open.wav", Tone(600, 900, 120, 0.4));
    WriteBytes(dir / "ui_close.wav", Tone(900, 600, 120, 0.4));
    WriteBytes(dir / "ui_notify.wav", Tone(880, 1320, 250, 0.45));
    WriteBytes(dir / "ui_error.wav", Tone(300, 220, 300, 0.45));
}

// ---- pictures -----------------------------------------------------------------------

// A rounded panel of w x h: fill inside a one-pixel border of edge, transparent corners.
std::string Panel(int w, int h, u32 fill, u32 edge)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, w, h);
    if (!pixbuf)
        return std::string();
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const double r = std::max(2.0, std::min(w, h) / 5.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            // Distance outside the rounded rectangle's inner box, in pixels.
            const double cx = std::max({r - x - 0.5, 0.0, x + 0.5 - (w - r)});
            const double cy = std::max({r - y - 0.5, 0.0, y + 0.5 - (h - r)});
            const double d = std::sqrt(cx * cx + cy * cy) - r;
            u32 c = d > -1.0 ? edge : fill;
            const double cover = std::min(1.0, std::max(0.0, 0.5 - d));
            guchar* p = pixels + y * stride + x * 4;
            p[0] = (guchar)(c >> 16);
            p[1] = (guchar)(c >> 8);
            p[2] = (guchar)c;
            p[3] = (guchar)std::lround((c >> 24) * cover);
        }
    gchar* buffer = nullptr;
    gsize size = 0;
    std::string png;
    if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr))
        png.assign(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    if (png.empty())
        Fail("cannot draw a picture");
    return png;
}

std::string Meta(int size)
{
    std::ostringstream s;
    s << "<meta>\n <image>\n  <original_size value=\"" << size << "\"/>\n </image>\n"
      << " <font>\n  <original_size value=\"" << size << "\"/>\n </font>\n</meta>\n";
    return s.str();
}

// The engine's built-in default font as a descriptor and its page picture.
void MakeFonts(const fs::path& out)
{
    std::ostringstream fnt;
    fnt << "<?xml version=\"1.0\"?>\n<font>\n"
        << " <info face=\"brix_text\" size=\"8\" bold=\"0\"/>\n"
        << " <common lineHeight=\"" << KetrelDefaultFont::kLineHeight << "\" scaleW=\""
        << KetrelDefaultFont::kPageSize << "\" scaleH=\"" << KetrelDefaultFont::kPageSize << "\" pages=\"1\"/>\n"
        << " <pages>\n  <page id=\"0\" file=\"brix_text.png\"/>\n </pages>\n"
        << " <chars count=\"" << KetrelDefaultFont::kGlyphCount << "\">\n";
    for (const auto& g : KetrelDefaultFont::kGlyphs)
        fnt << "  <char id=\"" << g[0] << "\" x=\"" << g[1] << "\" y=\"" << g[2] << "\" width=\"" << g[3]
            << "\" height=\"" << g[4] << "\" xoffset=\"" << g[5] << "\" yoffset=\"" << g[6]
            << "\" xadvance=\"" << g[7] << "\" page=\"0\"/>\n";
    fnt << " </chars>\n</font>\n";
    const std::string page((const char*)KetrelDefaultFont::kPageImage, (size_t)KetrelDefaultFont::kPageImageSize);
    for (int size : kPackSizes)
    {
        const fs::path dir = out / ("brixfonts_" + std::to_string(size)) / "fonts";
        WriteBytes(dir / "vad.meta", Meta(size));
        WriteBytes(dir / "brix_text.fnt", fnt.str());
        WriteBytes(dir / "brix_text.png", page);
    }
}

void MakeLobby(const fs::path& out)
{
    for (int size : kPackSizes)
    {
        // Drawn for a screen whose shorter side is size (480 on the 800 x 480 screen).
        const int unit = std::max(8, size / 12);
        const fs::path dir = out / ("brixlobby_" + std::to_string(size)) / "lobby";
        WriteBytes(dir / "vad.meta", Meta(size));
        WriteBytes(dir / "lobby_panel.png", Panel(unit * 6, unit * 4, 0xFFFFFFFF, 0xFFC8C8C0));
        WriteBytes(dir / "lobby_button.png", Panel(unit * 3, unit, 0xFF2A7FD4, 0xFF1D5C9C));
        WriteBytes(dir / "lobby_button_pressed.png", Panel(unit * 3, unit, 0xFF1D5C9C, 0xFF123D68));
    }
}

// ---- texts --------------------------------------------------------------------------

// Header lines first, then "<n>=<text>" lines with ascending numbers; '#' lines and
// empty lines are left out.
void MakeLanguage(const fs::path& source, const fs::path& out, const std::string& base, const std::string& code)
{
    std::istringstream in(ReadText(source / "lang" / (base + "_" + code + ".txt")));
    std::string line, text;
    long last = -1;
    bool inTexts = false, named = false;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t digits = 0;
        while (digits < line.size() && isdigit((unsigned char)line[digits]))
            ++digits;
        if (digits > 0 && digits < line.size() && line[digits] == '=')
        {
            long n = std::stol(line.substr(0, digits));
            if (n <= last)
                Fail("text " + std::to_string(n) + " is not above " + std::to_string(last));
            last = n;
            inTexts = true;
        }
        else if (inTexts)
            Fail("header line after the texts: " + line);
        else if (line.rfind("NAME=", 0) == 0)
            named = true;
        text += line + "\n";
    }
    if (!named)
        Fail("no NAME= line in the " + code + " texts");
    WriteBytes(out / (base + "_" + code) / "lang" / (base + "_" + code + ".txt"), Utf16(text, true, false));
}

void MakeAchievements(const fs::path& source, const fs::path& out)
{
    const std::string text = ReadText(source / "achievements" / "ach_EN.txt");
    const fs::path dir = out / "achievements" / "ach";
    WriteBytes(dir / "ach_EN.txt", Utf16(text, false, true));
    const u32 colours[] = {0xFF3AA655, 0xFFE0B020, 0xFF2A7FD4, 0xFF9FD4F0, 0xFFD46A2A};
    for (int i = 0; i < 5; ++i)
        WriteBytes(dir / ("ach_icon_" + std::to_string(i + 1) + ".png"), Panel(64, 64, colours[i], 0xFF202020));
}

void MakeTheme(const fs::path& source, const fs::path& out, const std::string& name)
{
    const fs::path dir = out / ("brixtheme_" + name) / "theme";
    WriteBytes(dir / ("theme_" + name + ".xml"), ReadText(source / "theme" / ("theme_" + name + ".xml")));
    WriteBytes(dir / "theme_panel.png", Panel(48, 48, 0xFFFFFFFF, 0xFFC8C8C0));
}

void CopyLayouts(const fs::path& source, const fs::path& out)
{
    for (const char* name : {"menu_root.xml", "toast-root.xml", "ad-root.xml"})
        WriteBytes(out / "brixlayouts" / "layouts" / name, ReadText(source / "layouts" / name));
}
}

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        fprintf(stderr, "usage: frameworkassets <assets/framework> <output folder>\n");
        return 2;
    }
    const fs::path source = argv[1], out = argv[2];
    std::error_code ec;
    fs::remove_all(out, ec);
    MakeSounds(out);
    CopyLayouts(source, out);
    MakeFonts(out);
    MakeLobby(out);
    MakeLanguage(source, out, "brixlanguage", "en");
    MakeLanguage(source, out, "wobblixlanguage", "en");
    MakeAchievements(source, out);
    MakeTheme(source, out, "tolvane-white");
    return g_failed ? 1 : 0;
}
