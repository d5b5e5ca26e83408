// tools/frameworkassets/frameworkassets.cpp
// Lays out the files of the framework's packs, one folder per pack, from the sources
// in assets/framework and from what it draws and synthesises itself:
//
//   frameworkassets <assets/framework> <output folder>
//
//   brixsounds/sounds/        short UI sounds (16-bit mono PCM WAV)
//   brixlayouts/layouts/      the layouts, copied
//   brixfonts_<S>/fonts/      "vad.meta" giving the design size S (tools/fontgen
//                             renders the fonts into the same folder)
//   brixlobby_<S>/lobby/      placeholder panels drawn for side S, with "vad.meta"
//   brixlanguage_en/lang/     the English texts as UTF-16LE with CR LF line ends
//   achievements/ach/         "ach_EN.txt" as UTF-16LE and one icon per achievement
//   brixtheme_tolvane-white/theme/   the theme's colours and a panel picture
//   brixintro/intro/          the 12 logo frames (JPEG) and the welcome chime
//   title/title/              the two backgrounds (JPEG) and the title picture (PNG)
//
// Each folder is then packed by the pack tool. The output is the same on every run.
// Exit status 0, or 1 with a message when a source is missing or malformed.
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

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

// The font packs' design sizes; their fonts are rendered by tools/fontgen.
void MakeFonts(const fs::path& out)
{
    for (int size : kPackSizes)
        WriteBytes(out / ("brixfonts_" + std::to_string(size)) / "fonts" / "vad.meta", Meta(size));
}

// A picture drawn pixel by pixel, saved as PNG (with alpha) or JPEG.
class Canvas
{
public:
    Canvas(int w, int h) : m_w(w), m_h(h), m_pixels((size_t)w * h, 0u) {}
    int W() const { return m_w; }
    int H() const { return m_h; }
    // Blends colour (0xAARRGGBB) over pixel (x, y) with its alpha times cover.
    void Blend(int x, int y, u32 colour, double cover = 1.0)
    {
        if (x < 0 || y < 0 || x >= m_w || y >= m_h)
            return;
        u32& d = m_pixels[(size_t)y * m_w + x];
        const double a = ((colour >> 24) / 255.0) * std::min(1.0, std::max(0.0, cover));
        const double da = (d >> 24) / 255.0;
        const double oa = a + da * (1 - a);
        u32 out = 0;
        for (int shift = 0; shift < 24; shift += 8)
        {
            const double sc = ((colour >> shift) & 0xFF), dc = ((d >> shift) & 0xFF);
            const double c = oa > 0 ? (sc * a + dc * da * (1 - a)) / oa : 0;
            out |= (u32)std::lround(c) << shift;
        }
        d = out | (u32)std::lround(oa * 255) << 24;
    }
    void Fill(u32 colour)
    {
        for (u32& p : m_pixels)
            p = colour;
    }
    // A vertical gradient from top to bottom colour over the whole canvas.
    void Gradient(u32 top, u32 bottom)
    {
        for (int y = 0; y < m_h; ++y)
        {
            const double t = m_h > 1 ? (double)y / (m_h - 1) : 0;
            u32 c = 0;
            for (int shift = 0; shift < 32; shift += 8)
                c |= (u32)std::lround(((top >> shift) & 0xFF) * (1 - t) + ((bottom >> shift) & 0xFF) * t) << shift;
            for (int x = 0; x < m_w; ++x)
                m_pixels[(size_t)y * m_w + x] = c;
        }
    }
    // An axis-aligned box with corners rounded by r, edges smoothed over one pixel.
    void Box(double x0, double y0, double x1, double y1, double r, u32 colour)
    {
        for (int y = (int)std::floor(y0); y < (int)std::ceil(y1); ++y)
            for (int x = (int)std::floor(x0); x < (int)std::ceil(x1); ++x)
            {
                const double px = x + 0.5, py = y + 0.5;
                const double cx = std::max({x0 + r - px, 0.0, px - (x1 - r)});
                const double cy = std::max({y0 + r - py, 0.0, py - (y1 - r)});
                const double d = std::sqrt(cx * cx + cy * cy) - r;
                const double inside = std::min({px - x0, x1 - px, py - y0, y1 - py});
                Blend(x, y, colour, std::min(0.5 - d, inside + 0.5));
            }
    }
    void Disc(double cx, double cy, double r, u32 colour)
    {
        for (int y = (int)(cy - r - 1); y <= (int)(cy + r + 1); ++y)
            for (int x = (int)(cx - r - 1); x <= (int)(cx + r + 1); ++x)
            {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;
                Blend(x, y, colour, 0.5 - d);
            }
    }
    // A line of thickness t between two points.
    void Line(double ax, double ay, double bx, double by, double t, u32 colour)
    {
        const double len = std::max(1e-6, std::hypot(bx - ax, by - ay));
        for (int y = (int)(std::min(ay, by) - t - 1); y <= (int)(std::max(ay, by) + t + 1); ++y)
            for (int x = (int)(std::min(ax, bx) - t - 1); x <= (int)(std::max(ax, bx) + t + 1); ++x)
            {
                const double px = x + 0.5 - ax, py = y + 0.5 - ay;
                const double u = std::min(1.0, std::max(0.0, (px * (bx - ax) + py * (by - ay)) / (len * len)));
                const double d = std::hypot(px - u * (bx - ax), py - u * (by - ay)) - t / 2;
                Blend(x, y, colour, 0.5 - d);
            }
    }
    std::string Save(const char* type) const
    {
        const bool alpha = std::string(type) == "png";
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, m_w, m_h);
        if (!pixbuf)
            return std::string();
        guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        const int step = alpha ? 4 : 3;
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
            {
                const u32 c = m_pixels[(size_t)y * m_w + x];
                guchar* p = pixels + y * stride + x * step;
                p[0] = (guchar)(c >> 16);
                p[1] = (guchar)(c >> 8);
                p[2] = (guchar)c;
                if (alpha)
                    p[3] = (guchar)(c >> 24);
            }
        gchar* buffer = nullptr;
        gsize size = 0;
        std::string bytes;
        const gboolean ok = alpha ? gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr)
                                  : gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr,
                                                              "quality", "92", nullptr);
        if (ok)
            bytes.assign(buffer, size);
        g_free(buffer);
        g_object_unref(pixbuf);
        if (bytes.empty())
            Fail("cannot save a picture");
        return bytes;
    }

private:
    int m_w, m_h;
    std::vector<u32> m_pixels;
};

// The toast's panel and icons and the advertisement's shade and buttons, for a screen
// whose shorter side is size.
void MakeOverlayPictures(const fs::path& dir, int size)
{
    const int h = std::max(8, size / 8);   // the toast is an eighth of the screen high
    Canvas panel(h * 6, h);
    panel.Box(0, 0, panel.W(), panel.H(), h / 4.0, 0xFF5A6470);
    panel.Box(1.5, 1.5, panel.W() - 1.5, panel.H() - 1.5, h / 4.0 - 1.5, 0xFFFDFCF8);
    WriteBytes(dir / "toast_panel.png", panel.Save("png"));

    const int s = std::max(8, h * 4 / 5);
    Canvas message(s, s);   // a speech bubble
    message.Box(s * 0.1, s * 0.15, s * 0.9, s * 0.7, s * 0.15, 0xFF2A7FD4);
    message.Line(s * 0.3, s * 0.65, s * 0.22, s * 0.88, s * 0.1, 0xFF2A7FD4);
    WriteBytes(dir / "toast_icon_message.png", message.Save("png"));
    Canvas challenge(s, s);   // two crossed sticks
    challenge.Line(s * 0.2, s * 0.2, s * 0.8, s * 0.8, s * 0.12, 0xFFD46A2A);
    challenge.Line(s * 0.8, s * 0.2, s * 0.2, s * 0.8, s * 0.12, 0xFFD46A2A);
    challenge.Disc(s * 0.5, s * 0.5, s * 0.12, 0xFF8A3A10);
    WriteBytes(dir / "toast_icon_challenge.png", challenge.Save("png"));
    Canvas achievement(s, s);   // a medal on a ribbon
    achievement.Line(s * 0.35, s * 0.05, s * 0.45, s * 0.45, s * 0.12, 0xFF2A7FD4);
    achievement.Line(s * 0.65, s * 0.05, s * 0.55, s * 0.45, s * 0.12, 0xFF2A7FD4);
    achievement.Disc(s * 0.5, s * 0.62, s * 0.3, 0xFFE0B020);
    achievement.Disc(s * 0.5, s * 0.62, s * 0.18, 0xFFF4D060);
    WriteBytes(dir / "toast_icon_achievement.png", achievement.Save("png"));

    Canvas shade(8, 8);
    shade.Fill(0xC0101418);
    WriteBytes(dir / "ad_shade.png", shade.Save("png"));
    Canvas button(h * 2, h);
    button.Box(0, 0, button.W(), button.H(), h / 3.0, 0xFF2A7FD4);
    WriteBytes(dir / "ad_button.png", button.Save("png"));
    Canvas close(s, s);
    close.Disc(s / 2.0, s / 2.0, s * 0.45, 0xFFC03030);
    close.Line(s * 0.32, s * 0.32, s * 0.68, s * 0.68, s * 0.1, 0xFFFFFFFF);
    close.Line(s * 0.68, s * 0.32, s * 0.32, s * 0.68, s * 0.1, 0xFFFFFFFF);
    WriteBytes(dir / "ad_close.png", close.Save("png"));
}

// The lobby's menu button, the way to the other players: two players, one behind the
// other, in white on a blue badge with a white rim, for a button side of s pixels.
std::string LobbyButtonPicture(int s)
{
    const u32 face = 0xFF2A7FD4, player = 0xFFFFFFFF, behind = 0xFFB8D4F0;
    Canvas c(s, s);
    c.Box(0, 0, s, s, s * 0.24, 0xFFFFFFFF);
    c.Box(s * 0.07, s * 0.07, s * 0.93, s * 0.93, s * 0.18, face);
    c.Disc(s * 0.64, s * 0.34, s * 0.12, behind);
    c.Box(s * 0.44, s * 0.52, s * 0.84, s * 0.80, s * 0.13, behind);
    // The front player, cut out of the one behind by a ring of the badge's blue.
    c.Disc(s * 0.40, s * 0.42, s * 0.17, face);
    c.Box(s * 0.13, s * 0.57, s * 0.67, s * 0.89, s * 0.17, face);
    c.Disc(s * 0.40, s * 0.42, s * 0.13, player);
    c.Box(s * 0.17, s * 0.61, s * 0.63, s * 0.86, s * 0.13, player);
    return c.Save("png");
}

// The wordmark of the intro and the title: a small wall of bricks. Frame k of 12 of the
// intro shows the first k bricks laid, and a bar under the wall k twelfths long.
const u32 kBrickColours[] = {0xFFD46A2A, 0xFFE0B020, 0xFF3AA655, 0xFF2A7FD4};

void DrawWall(Canvas& c, double cx, double cy, double brick, int laid)
{
    const int rows = 3, perRow = 4;
    int n = 0;
    for (int row = rows - 1; row >= 0; --row)
        for (int i = 0; i < perRow; ++i, ++n)
        {
            if (n >= laid)
                return;
            const double offset = (row % 2) ? brick * 0.5 : 0.0;
            const double x0 = cx - brick * perRow / 2 + i * brick + offset - brick * 0.25;
            const double y0 = cy - brick * 0.5 * rows / 2 + row * brick * 0.5;
            c.Box(x0 + 2, y0 + 2, x0 + brick - 2, y0 + brick * 0.5 - 2, brick * 0.06,
                  kBrickColours[(n + row) % 4]);
        }
}

void MakeIntro(const fs::path& out)
{
    const fs::path dir = out / "brixintro" / "intro";
    const int w = 800, h = 480;
    for (int k = 1; k <= 12; ++k)
    {
        Canvas c(w, h);
        c.Gradient(0xFF0E1A2B, 0xFF1F3550);
        DrawWall(c, w / 2.0, h * 0.42, 80, k);
        // The progress bar: the intro's tests find the frame index from its length.
        c.Box(w * 0.2, h * 0.72, w * 0.8, h * 0.76, 4, 0xFF34465E);
        c.Box(w * 0.2, h * 0.72, w * 0.2 + w * 0.6 * k / 12.0, h * 0.76, 4, 0xFFF0C040);
        WriteBytes(dir / ("tolvane_logo" + std::to_string(k) + ".jpg"), c.Save("jpeg"));
    }
    // The chime: three rising notes.
    std::string chime = Tone(523, 523, 160, 0.4);
    const std::string second = Tone(659, 659, 160, 0.4), third = Tone(784, 880, 420, 0.45);
    // Joined as one WAV: the data of the later notes after the first's, sizes fixed up.
    std::string data = chime.substr(44) + second.substr(44) + third.substr(44);
    std::string wav = chime.substr(0, 40);
    wav.replace(4, 4, std::string(4, '\0'));
    wav[4] = (char)((36 + data.size()) & 0xFF);
    wav[5] = (char)(((36 + data.size()) >> 8) & 0xFF);
    wav[6] = (char)(((36 + data.size()) >> 16) & 0xFF);
    wav[7] = (char)(((36 + data.size()) >> 24) & 0xFF);
    PutU32(wav, (u32)data.size());
    WriteBytes(dir / "brix_welcome.wav", wav + data);
}

void MakeTitle(const fs::path& out)
{
    const fs::path dir = out / "title" / "title";
    // Backgrounds larger than the screen: drawn to cover it, cut at the long sides.
    for (int vertical = 0; vertical < 2; ++vertical)
    {
        const int w = vertical ? 900 : 1600, h = vertical ? 1600 : 900;
        Canvas c(w, h);
        c.Gradient(0xFF7FC4EC, 0xFFE8F4FA);
        // Rolling hills and a sun.
        c.Disc(w * 0.8, h * 0.22, std::min(w, h) * 0.08, 0xFFF8D860);
        for (int i = 0; i < 3; ++i)
            c.Disc(w * (0.15 + 0.35 * i), h * 1.35, h * 0.62, i == 1 ? 0xFF4E9A48 : 0xFF6AB85C);
        WriteBytes(dir / (vertical ? "background-vertical.jpg" : "background-horizontal.jpg"),
                   c.Save("jpeg"));
    }
    Canvas title(400, 300);
    title.Box(10, 10, 390, 290, 28, 0xB0FFFFFF);
    DrawWall(title, 200, 150, 80, 12);
    WriteBytes(dir / "title.png", title.Save("png"));
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
        // The menu's pictures: the lobby's menu button (52 pixels on the 480-pixel
        // screen), the achievement trophy, the avatar of players without a picture, and a
        // clear face for hit areas.
        WriteBytes(dir / "lobby_brix.png", LobbyButtonPicture(std::max(16, size * 52 / 480)));
        WriteBytes(dir / "lobby_trophy.png", Panel(unit, unit, 0xFFE0B020, 0xFF806010));
        WriteBytes(dir / "avatar-icon.png", Panel(unit * 2, unit * 2, 0xFF9FB4C8, 0xFF5A7088));
        WriteBytes(dir / "lobby_clear.png", Panel(8, 8, 0x00000000, 0x00000000));
        MakeOverlayPictures(dir, size);
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
    MakeAchievements(source, out);
    MakeTheme(source, out, "tolvane-white");
    MakeIntro(out);
    MakeTitle(out);
    return g_failed ? 1 : 0;
}
