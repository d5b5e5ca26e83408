// The layout viewer end to end under the private X server: a layout with two size
// variants and a page view is built at a chosen size, clicked through a script,
// saved as a PNG and probed pixel by pixel; the event names it logs are checked.
#include <gtest/gtest.h>

#include "support/KetrelTestXServer.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
const std::string kDir = std::string(KETREL_BINARY_DIR) + "/tests/ui/layoutview";
const std::string kTool = std::string(KETREL_BINARY_DIR) + "/tools/layoutview";
const std::string kPackTool = std::string(KETREL_BINARY_DIR) + "/tools/packtool";
const std::string kPack = kDir + "/ui.vad";

bool WriteSolidPNG(const std::string& path, unsigned rgb)
{
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 8, 8);
    gdk_pixbuf_fill(p, (rgb << 8) | 0xFF);
    const gboolean ok = gdk_pixbuf_save(p, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(p);
    return ok != FALSE;
}

unsigned PixelAt(GdkPixbuf* p, int x, int y)
{
    const unsigned char* px = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) +
                              x * gdk_pixbuf_get_n_channels(p);
    return ((unsigned)px[0] << 16) | ((unsigned)px[1] << 8) | px[2];
}

// Landscape: a blue background, a page view whose first page holds a red page button
// to the second page (green panel) and a plain button firing "say_hello". Portrait:
// one green full-screen image.
const char* kLayout = R"(<layout>
<area width='800' height='480' name='menu_root'>
  <actions><action name='hello_seq'><trigger time='0.1' action='say_hello'/></action></actions>
  <element name='bg' type='image'><size w='1' h='1'/><image path='blue'/></element>
  <element name='pv' type='page_layout'><size w='1' h='1'/><history max-size='4'/>
    <transition type='in' direction='right' duration='0.2'/>
    <element name='p1'>
      <element name='to_p2' type='page_button'><size w='0.25' h='0.25'/><position x='0.5' y='0.5'/>
        <image path='red'/><target name='&lt;menu_root//pv' page='p2'/>
        <events><onclick action='page_two'/></events></element>
      <element name='hello' type='button'><size w='0.125' h='0.125'/><image path='red'/>
        <events><onclick action='hello_seq'/></events></element>
    </element>
    <element name='p2'><element name='panel' type='image'><size w='0.5' h='0.5'/>
      <image path='green'/></element></element>
  </element>
</area>
<area width='480' height='800' name='portrait'>
  <element type='image'><size w='1' h='1'/><image path='green'/></element>
</area>
</layout>)";

struct ToolRun
{
    std::string output;
    int status = -1;
    GdkPixbuf* png = nullptr;
    ~ToolRun()
    {
        if (png)
            g_object_unref(png);
    }
};

void RunTool(const std::string& args, const std::string& pngName, ToolRun* run)
{
    const std::string png = kDir + "/" + pngName;
    std::remove(png.c_str());
    const std::string cmd = kTool + " --dir " + kDir + " --out " + png + " " + args + " layout.xml 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(nullptr, p);
    char buf[512];
    while (fgets(buf, sizeof buf, p))
        run->output += buf;
    run->status = pclose(p);
    run->png = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
}

class LayoutView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!CKetrelTestXServer::Shared()->IsRunning())
            GTEST_SKIP() << "no X server";
        mkdir((std::string(KETREL_BINARY_DIR) + "/tests").c_str(), 0755);
        mkdir((std::string(KETREL_BINARY_DIR) + "/tests/ui").c_str(), 0755);
        mkdir(kDir.c_str(), 0755);
        ASSERT_TRUE(WriteSolidPNG(kDir + "/red.png", 0xFF0000));
        ASSERT_TRUE(WriteSolidPNG(kDir + "/green.png", 0x00FF00));
        ASSERT_TRUE(WriteSolidPNG(kDir + "/blue.png", 0x0000FF));
        std::ofstream(kDir + "/layout.xml") << kLayout;
        // The same files in a media pack (entries under a folder, as packs hold them).
        std::remove(kPack.c_str());
        std::string cmd = kPackTool + " create " + kPack;
        for (const char* f : {"red.png", "green.png", "blue.png", "layout.xml"})
            cmd += std::string(" ui/") + f + "=" + kDir + "/" + f;
        ASSERT_EQ(0, std::system((cmd + " >/dev/null").c_str()));
    }
};
}  // namespace

TEST_F(LayoutView, ScriptedClicksAndPixels)
{
    const struct
    {
        const char* name;
        const char* args;
        std::vector<std::string> events;   // "EVENT" lines in order
        std::vector<std::pair<std::pair<int, int>, unsigned>> probes;
    } cases[] = {
        {"still", "", {}, {{{10, 200}, 0x0000FF}, {{500, 300}, 0xFF0000}, {{50, 30}, 0xFF0000}}},
        // The page button leaves the first page: the green panel shows, the buttons go.
        {"paged", "--click 500,300",
         {"EVENT page_two to_p2"},
         {{{100, 100}, 0x00FF00}, {{500, 300}, 0x0000FF}, {{50, 30}, 0x00FF00}, {{700, 400}, 0x0000FF}}},
        // The button starts a sequence, which fires its trigger with the button that
        // started it; a click on nothing fires nothing.
        {"hello", "--click 50,30 --click 790,470",
         {"EVENT hello_seq hello", "EVENT say_hello hello"},
         {{{500, 300}, 0xFF0000}}},
        {"portrait", "--size 480x800", {}, {{{10, 10}, 0x00FF00}, {{470, 790}, 0x00FF00}}},
        {"pack", "--click 500,300", {"EVENT page_two to_p2"},
         {{{100, 100}, 0x00FF00}, {{500, 300}, 0x0000FF}}},
    };
    for (const auto& c : cases)
    {
        ToolRun run;
        const std::string source = std::string(c.name) == "pack" ? " --pack " + kPack : "";
        RunTool(c.args + source, std::string(c.name) + ".png", &run);
        ASSERT_EQ(0, run.status) << c.name << "\n" << run.output;
        std::vector<std::string> events;
        size_t at = 0;
        while ((at = run.output.find("EVENT ", at)) != std::string::npos)
        {
            const size_t end = run.output.find('\n', at);
            events.push_back(run.output.substr(at, end - at));
            at = end;
        }
        EXPECT_EQ(c.events, events) << c.name << "\n" << run.output;
        ASSERT_NE(nullptr, run.png) << c.name;
        for (const auto& probe : c.probes)
            EXPECT_EQ(probe.second, PixelAt(run.png, probe.first.first, probe.first.second))
                << c.name << " at " << probe.first.first << "," << probe.first.second;
    }
}

TEST_F(LayoutView, RefusesWhatItCannotUse)
{
    ToolRun run;
    RunTool("--size 0x0", "none.png", &run);
    EXPECT_NE(0, run.status);
    ToolRun missing;
    const std::string cmd = kTool + " --dir " + kDir + " no_such_layout.xml 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(nullptr, p);
    char buf[256];
    while (fgets(buf, sizeof buf, p))
        missing.output += buf;
    EXPECT_EQ(3, WEXITSTATUS(pclose(p))) << missing.output;
}
