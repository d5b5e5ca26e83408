// Pictures of the lobby's pages for a person to look at: each page of "menu_root.xml"
// is brought to the front of the menu and drawn by the layout viewer under the private
// X server, with the lobby's pictures, fonts and theme colours, into
// build/tests/lobby/<page>.png at 800 x 480 and <page>_640x360.png at 640 x 360. The
// test checks that every picture is made and is not one flat colour.
#include "LobbyTestKit.h"

#include "support/KetrelTestXServer.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace lobbytest;
namespace fs = std::filesystem;

namespace
{
const std::string kOut = std::string(KETREL_BINARY_DIR) + "/tests/lobby";
const std::string kWork = kOut + "/shots";
const std::string kTool = std::string(KETREL_BINARY_DIR) + "/tools/layoutview";
const std::string kPackTool = std::string(KETREL_BINARY_DIR) + "/tools/packtool";
const std::string kAssets = std::string(KETREL_BINARY_DIR) + "/tools/frameworkassets";
const std::string kFontGen = std::string(KETREL_BINARY_DIR) + "/tools/fontgen";

// The layout with the theme's named colours written out, as the program's theme
// would give them.
std::string WithThemeColours(std::string xml)
{
    const std::string theme = ReadSourceFile("assets/framework/theme/theme_tolvane-white.xml");
    const std::regex colour("<color id=\"([^\"]+)\" value=\"([0-9a-fA-F]+)\"");
    for (std::sregex_iterator it(theme.begin(), theme.end(), colour), end; it != end; ++it)
    {
        std::string value = (*it)[2].str();
        if (value.size() == 6)
            value = "ff" + value;
        xml = std::regex_replace(xml, std::regex("color=\"" + (*it)[1].str() + "\""), "color=\"" + value + "\"");
    }
    return xml;
}

// The layout with the page's element moved to the front of the menu's pages, so that
// the menu shows it first. Empty when the page is not a page of the menu.
std::string WithPageFirst(const std::string& xml, const std::string& page)
{
    const std::string indent(12, ' ');
    const std::string open = indent + "<element type=\"widget\" name=\"" + page + "\">\n";
    const size_t start = xml.find(open);
    if (start == std::string::npos)
        return std::string();
    const std::string close = "\n" + indent + "</element>\n";
    const size_t end = xml.find(close, start);
    if (end == std::string::npos)
        return std::string();
    const std::string block = xml.substr(start, end + close.size() - start);
    std::string out = xml;
    out.erase(start, block.size());
    const size_t first = out.find(indent + "<element ");
    out.insert(first, block);
    return out;
}

bool IsFlat(GdkPixbuf* p)
{
    const int n = gdk_pixbuf_get_n_channels(p), stride = gdk_pixbuf_get_rowstride(p);
    const unsigned char* px = gdk_pixbuf_get_pixels(p);
    std::set<unsigned> colours;
    for (int y = 0; y < gdk_pixbuf_get_height(p); y += 7)
        for (int x = 0; x < gdk_pixbuf_get_width(p); x += 7)
        {
            const unsigned char* q = px + y * stride + x * n;
            colours.insert((q[0] << 16) | (q[1] << 8) | q[2]);
        }
    return colours.size() < 3;
}
}

TEST(LobbyScreenshots, EveryPage)
{
    if (!CKetrelTestXServer::Shared()->IsRunning())
        GTEST_SKIP() << "no X server";
    std::error_code ec;
    fs::remove_all(kWork, ec);
    fs::create_directories(kWork + "/art", ec);
    ASSERT_EQ(0, std::system((kAssets + " " + KETREL_SOURCE_DIR + "/assets/framework " + kWork + "/art").c_str()));
    for (const char* side : {"480", "360"})
        ASSERT_EQ(0, std::system((kFontGen + " --pack " + side + " " + kWork + "/art/brixfonts_" + side + "/fonts")
                                     .c_str()));

    const char* pages[] = {"loginscreen_root", "loginscreen_error", "page_root", "loading_dialog",
                           "startup_language_chooser", "startscreen_root", "settings_root", "me_root",
                           "players_root", "shop_root", "chat_root", "challenge_received",
                           "generic_error_dialog", "confirm_buy_dialog"};
    const std::string xml = WithThemeColours(ReadSourceFile("assets/framework/layouts/menu_root.xml"));
    for (const char* page : pages)
    {
        const std::string variant = WithPageFirst(xml, page);
        ASSERT_FALSE(variant.empty()) << page;
        std::ofstream(kWork + "/" + page + ".xml") << variant;
    }
    // Each screen with the pictures and fonts of its own size, as the program picks them.
    const struct { const char* side; int width, height; const char* suffix; } screens[] = {
        {"480", 800, 480, ""}, {"360", 640, 360, "_640x360"}};
    for (const auto& screen : screens)
    {
        const std::string side = screen.side, vad = kWork + "/lobby_" + side + ".vad";
        std::string cmd = kPackTool + " create " + vad;
        for (const char* page : pages)
            cmd += " lobby/" + std::string(page) + ".xml=" + kWork + "/" + page + ".xml";
        for (const auto& entry : fs::directory_iterator(kWork + "/art/brixlobby_" + side + "/lobby"))
            if (entry.path().extension() == ".png")
                cmd += " lobby/" + entry.path().filename().string() + "=" + entry.path().string();
        for (const char* font : {"brix_text.fnt", "brix_text.png", "brix_title.fnt", "brix_title.png"})
            cmd += " fonts/" + std::string(font) + "=" + kWork + "/art/brixfonts_" + side + "/fonts/" + font;
        ASSERT_EQ(0, std::system((cmd + " >/dev/null").c_str()));

        const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
        for (const char* page : pages)
        {
            const std::string png = kOut + "/" + page + screen.suffix + ".png";
            fs::remove(png, ec);
            // The leak check's stop-the-world tracer can crash at exit on a loaded machine, with
            // the renderer's threads about; the viewer is a tool, its leaks are not what is tested.
            const std::string run = "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" " + kTool + " --pack " + vad +
                                    " --size " + size + " --frames 3 --out " + png + " " + page +
                                    ".xml >/dev/null 2>&1";
            EXPECT_EQ(0, std::system(run.c_str())) << page << " " << size;
            GdkPixbuf* picture = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
            ASSERT_NE(picture, nullptr) << page << " " << size;
            EXPECT_EQ(gdk_pixbuf_get_width(picture), screen.width);
            EXPECT_FALSE(IsFlat(picture)) << page << " " << size;
            g_object_unref(picture);
        }
    }
}
