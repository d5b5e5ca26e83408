// Bitmap fonts: descriptors (rejected, validated), colour markup, widths,
// wrapping and layout, drawn in software and through OpenGL ES on a private X
// server, with glyph positions checked.
#include "FontTestKit.h"
#include "GLTestWindow.h"

#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"

#include <GLES2/gl2.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace
{
const int kW = 200, kH = 100;

class BitmapFontTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_ok = s_window.Open(kW, kH); }
    static void TearDownTestSuite() { s_window.Close(); }
    void SetUp() override
    {
        if (!s_ok)
            GTEST_SKIP() << s_window.skipReason;
        owner = s_window.app.get();
        gl = s_window.gl;
        gl->SetClipRect(nullptr);
        gl->FillRect(0xFF000000, nullptr);
    }
    static GLTestWindow s_window;
    static bool s_ok;
    IKetrelApplication* owner = nullptr;
    CKetrelGraphicsExt_GLES2* gl = nullptr;
};
GLTestWindow BitmapFontTest::s_window;
bool BitmapFontTest::s_ok = false;

// Glyphs of the built-in page: "A" at (0,0), "B" at (6,0), ... each 6 x 10.
std::string Char(int id, int x, int y, int w, int h, int xoffset, int yoffset, int xadvance,
                 int page = 0)
{
    char line[200];
    snprintf(line, sizeof(line),
             "<char id=\"%d\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" xoffset=\"%d\" "
             "yoffset=\"%d\" xadvance=\"%d\" page=\"%d\"/>",
             id, x, y, w, h, xoffset, yoffset, xadvance, page);
    return line;
}
} // namespace

TEST_F(BitmapFontTest, IncompleteDescriptorsAreRefused)
{
    const std::string one = Char('A', 0, 0, 6, 10, 0, 0, 5);
    struct Case { const char* name; std::string xml; int result; };
    const Case cases[] = {
        {"no line height", Descriptor(one, -2, "<common base=\"8\"/>"), KE_ERR_NOT_FOUND},
        {"line height 0", Descriptor(one, -2, "<common lineHeight=\"0\"/>"), KE_ERR_NOT_FOUND},
        {"count 0", Descriptor(one, 0), KE_ERR_FORMAT},
        {"count missing", "<font><common lineHeight=\"10\"/><pages><page file=\"page.png\"/></pages>"
                          "<chars>" + one + "</chars></font>", KE_ERR_FORMAT},
        {"no chars", "<font><common lineHeight=\"10\"/><pages><page file=\"page.png\"/></pages></font>",
         KE_ERR_NOT_FOUND},
        {"pages without children", "<font><common lineHeight=\"10\"/><pages></pages><chars count=\"1\">" +
                                   one + "</chars></font>", KE_ERR_NOT_FOUND},
        {"no common", "<font><pages><page file=\"page.png\"/></pages><chars count=\"1\">" + one +
                      "</chars></font>", KE_ERR_NOT_FOUND},
        {"not a font", "<other/>", KE_ERR_NOT_FOUND},
        {"missing page image", "<font><common lineHeight=\"10\"/><pages><page file=\"none.png\"/>"
                               "</pages><chars count=\"1\">" + one + "</chars></font>", KE_ERR_NOT_FOUND},
        {"every glyph invalid", Descriptor(Char(-1, 0, 0, 6, 10, 0, 0, 5) + Char('B', 0, 0, 6, 10, 0, 0, 5, 4)),
         KE_ERR_FORMAT},
        {"valid", Descriptor(one), KE_OK},
    };
    for (const Case& c : cases)
    {
        CKetrelBitmapFont font;
        EXPECT_EQ(c.result, LoadFontText(font, owner, c.xml)) << c.name;
    }
    CKetrelBitmapFont font;
    EXPECT_EQ(KE_ERR_ARGUMENT, font.LoadFromPack(nullptr, nullptr, Text("font.xml"), 0));
    EXPECT_EQ(KE_ERR_ARGUMENT, font.LoadFromFile(nullptr, Text("/nonexistent"), 0));
    EXPECT_EQ(KE_ERR_OPEN, font.LoadFromFile(owner, Text("/nonexistent/font.xml"), 0));
}

// Glyph records that would index outside the look-up, the page list or the
// page image are dropped; the rest of the font stays usable.
TEST_F(BitmapFontTest, GlyphsOutsideTheirBoundsAreDropped)
{
    struct Case { const char* name; std::string glyph; u32 code; bool kept; };
    const Case cases[] = {
        {"plain", Char('A', 0, 0, 6, 10, 0, 0, 5), 'A', true},
        {"code above 255", Char(0x410, 6, 0, 6, 10, 0, 0, 5), 0x410, true},
        {"negative code", Char(-3, 0, 0, 6, 10, 0, 0, 5), 0xFFFD, false},
        {"code beyond 16 bits", Char(0x10049, 0, 0, 6, 10, 0, 0, 5), 0x49, false},
        {"page that does not exist", Char('C', 0, 0, 6, 10, 0, 0, 5, 1), 'C', false},
        {"negative page", Char('D', 0, 0, 6, 10, 0, 0, 5, -1), 'D', false},
        {"rect past the page's right edge", Char('E', 125, 0, 6, 10, 0, 0, 5), 'E', false},
        {"rect past the page's bottom", Char('F', 0, 120, 6, 10, 0, 0, 5), 'F', false},
        {"default rect (-1)", "<char id=\"71\" xadvance=\"5\"/>", 'G', false},
        {"rect ending on the page's edge", Char('H', 122, 118, 6, 10, 0, 0, 5), 'H', true},
    };
    std::string all;
    for (const Case& c : cases)
        all += c.glyph;
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, LoadFontText(font, owner, Descriptor(all)));
    for (const Case& c : cases)
        EXPECT_EQ(c.kept, font.FindGlyph(c.code) != nullptr) << c.name;
    EXPECT_EQ(3, font.GetGlyphCount());

    // "$count" caps the records read: the later ones are ignored.
    CKetrelBitmapFont capped;
    ASSERT_EQ(KE_OK, LoadFontText(capped, owner,
                                  Descriptor(Char('A', 0, 0, 6, 10, 0, 0, 5) + Char('B', 6, 0, 6, 10, 0, 0, 5), 1)));
    EXPECT_NE(nullptr, capped.FindGlyph('A'));
    EXPECT_EQ(nullptr, capped.FindGlyph('B'));
    // A count larger than the records present reads what is there.
    CKetrelBitmapFont generous;
    ASSERT_EQ(KE_OK, LoadFontText(generous, owner, Descriptor(Char('A', 0, 0, 6, 10, 0, 0, 5), 1000)));
    EXPECT_EQ(1, generous.GetGlyphCount());
}

TEST(BitmapFontMarkup, OnlyCompleteMarkupCounts)
{
    struct Case { const char* name; const char* text; int index; int found; u32 colour; };
    const Case cases[] = {
        {"complete", "$COLOR=0xFF00FF00", 0, 1, 0xFF00FF00},
        {"lower-case digits", "x$COLOR=0x80abcdef", 1, 1, 0x80ABCDEF},
        {"one digit short at the end", "$COLOR=0xFF00FF0", 0, 0, 0},
        {"prefix only", "$COLOR=0x", 0, 0, 0},
        {"not a hex digit", "$COLOR=0xFF00FG00", 0, 0, 0},
        {"wrong word", "$COLOUR=0xFF00FF00", 0, 0, 0},
        {"index past the end", "$COLOR=0xFF00FF00", 5, 0, 0},
        {"negative index", "$COLOR=0xFF00FF00", -1, 0, 0},
    };
    for (const Case& c : cases)
    {
        u32 colour = 0;
        EXPECT_EQ(c.found, CKetrelBitmapFont::ReadColorMarkup(Text(c.text), c.index, &colour)) << c.name;
        EXPECT_EQ(c.colour, colour) << c.name;
    }
    CKetrelString stripped;
    CKetrelBitmapFont::StripColorMarkup(Text("A$COLOR=0xFF00FF00B$COLOR=0x12"), stripped);
    EXPECT_TRUE(stripped.Equals(Text("AB$COLOR=0x12")));
}

TEST_F(BitmapFontTest, WidthsAndMeasuring)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, LoadFontText(font, owner,
                                  Descriptor(Char('A', 0, 0, 6, 10, 2, 0, 7) + Char('B', 6, 0, 6, 10, 0, 1, 5) +
                                             Char(' ', 12, 0, 6, 10, 0, 0, 4))));
    struct Case { const char* name; const char* text; u32 flags; f32 scale; i32 width; };
    const Case cases[] = {
        {"empty", "", 0, 1, 0},
        {"A: 1 + (xadvance - xoffset)", "A", 0, 1, 1 + (7 - 2)},
        {"A at scale 2", "A", 0, 2, 1 + (7 - 2) * 2},
        {"AB", "AB", 0, 1, 1 + 12 - 2},
        {"markup skipped", "A$COLOR=0xFF00FF00B", 0, 1, 1 + 12 - 2},
        {"unknown characters count nothing", "A\x01" "B", 0, 1, 1 + 12 - 2},
        {"missing first glyph: no offset", "\x01" "A", 0, 1, 1 + 7},
        {"lines: the widest", "AB\nA", KE_TEXT_MULTILINE, 1, 1 + 12 - 2},
        {"no line breaks without the flag", "AB\nA", 0, 1, 1 + 19 - 2},
    };
    for (const Case& c : cases)
    {
        font.SetScale(c.scale);
        EXPECT_EQ(c.width, font.GetTextWidth(Text(c.text), c.flags)) << c.name;
    }
    font.SetScale(1);

    struct Measure { const char* name; const char* text; i32 available; i32 right, bottom; };
    const Measure measures[] = {
        {"one line", "AB", 100, 12, 10},
        {"wrapped at the space", "AB AB", 20, 20, 20},
        {"no space: the rest is dropped", "ABABABAB", 20, 19, 10},
        {"line break", "A\nB", 100, 7, 20},
        {"markup takes no room", "$COLOR=0xFF00FF00A", 100, 7, 10},
    };
    for (const Measure& m : measures)
    {
        CKetrelRect r(0, 0, m.available, 0);
        font.MeasureText(&r, Text(m.text));
        EXPECT_EQ(m.right, r.right) << m.name;
        EXPECT_EQ(m.bottom, r.bottom) << m.name;
    }
    EXPECT_EQ(10, font.GetLineHeight());
    font.SetScale(1.5f);
    EXPECT_EQ(15, font.GetLineHeight());
}

// Line heights, advances and offsets near the ends of the i32 range: every scaled
// size saturates instead of overflowing, and drawing stays inside the surface.
TEST_F(BitmapFontTest, HugeDescriptorValuesSaturate)
{
    const int big = 2000000000;
    struct Case
    {
        const char* name;
        int lineHeight, xoffset, xadvance;
        f32 scale;
        const char* text;
        i32 lineStep, width, right, bottom;   // GetLineHeight, GetTextWidth, MeasureText
    };
    const Case cases[] = {
        {"line height times scale", big, 0, 5, 1.5f, "A\nA", INT_MAX, 8, 7, INT_MAX},
        {"advance times scale", 10, 0, big, 2.0f, "AA", 20, INT_MAX, 0, 20},
        {"negative advances", 10, 0, -big, 2.0f, "AAAA", 20, 1, 0, 20},
        {"negative line height", -big, 0, 5, 3.0f, "A\nA", INT_MIN, 16, 15, INT_MIN},
        {"offset", 10, -big, 5, 4.0f, "A", 40, INT_MAX, 20, 40},
    };
    std::unique_ptr<CKetrelSurface> target = MakeSoftwareTarget(64, 32, 0xFF000000);
    ASSERT_TRUE(target);
    for (const Case& c : cases)
    {
        char common[64];
        std::snprintf(common, sizeof common, "<common lineHeight=\"%d\"/>", c.lineHeight);
        CKetrelBitmapFont font;
        ASSERT_EQ(KE_OK, LoadFontText(font, owner,
                                      Descriptor(Char('A', 0, 0, 6, 10, c.xoffset, 0, c.xadvance), -2, common)))
            << c.name;
        font.SetScale(c.scale);
        EXPECT_EQ(c.lineStep, font.GetLineHeight()) << c.name;
        EXPECT_EQ(c.width, font.GetTextWidth(Text(c.text), KE_TEXT_MULTILINE)) << c.name;
        CKetrelRect r(0, 0, 100, 0);
        font.MeasureText(&r, Text(c.text));
        EXPECT_EQ(c.right, r.right) << c.name;
        EXPECT_EQ(c.bottom, r.bottom) << c.name;
        for (u32 flags : {0u, (u32)(KE_TEXT_MULTILINE | KE_TEXT_CENTER_Y), (u32)(KE_TEXT_MULTILINE | KE_TEXT_RIGHT),
                          (u32)(KE_TEXT_CENTER_X | KE_TEXT_NOCLIP)})
            font.DrawText(nullptr, target.get(), Text(c.text), 0xFFFFFFFF, flags);
    }
}

// Under a clip that is inverted, empty or outside the target no glyph is drawn, in
// software or through OpenGL ES.
TEST_F(BitmapFontTest, EmptyClipDrawsNoText)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    struct Case { CKetrelRect clip; bool draws; };
    const Case cases[] = {{{1, -9, 6, -22}, false}, {{90, 80, 10, 5}, false}, {{-24, -24, -24, -24}, false},
                          {{-22, -22, 0, 0}, false}, {{kW, 10, kW + 50, 60}, false}, {{0, 0, kW, kH}, true}};
    for (const Case& c : cases)
    {
        const CKetrelRect& clip = c.clip;
        gl->FillRect(0xFF000000, nullptr);
        std::unique_ptr<CKetrelSurface> target = MakeSoftwareTarget(kW, kH, 0xFF000000);
        ASSERT_TRUE(target);
        target->SetClipRect(&clip);
        gl->SetClipRect(&clip);
        for (u32 flags : {0u, (u32)KE_TEXT_MULTILINE, (u32)(KE_TEXT_CENTER_X | KE_TEXT_CENTER_Y)})
        {
            font.DrawText(nullptr, target.get(), Text("ABC abc\nXYZ"), 0xFFFFFFFF, flags);
            font.DrawText(nullptr, gl, Text("ABC abc\nXYZ"), 0xFFFFFFFF, flags);
        }
        gl->SetClipRect(nullptr);
        int lit = 0;
        for (int y = 0; y < kH; y += 2)
            for (int x = 0; x < kW; x += 2)
                lit += (target->GetPixel(x, y) & 0xFFFFFF) != 0 || ReadRGB(x, y, kH) != 0;
        EXPECT_EQ(c.draws, lit > 0) << "clip " << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
    }
}

TEST_F(BitmapFontTest, WrappingBreaksAtTheLastSpace)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));   // every glyph advances 5
    struct Case { const char* name; const char* text; i32 width; u32 flags; const char* wrapped; };
    const Case cases[] = {
        {"fits", "ab cd", 100, KE_TEXT_MULTILINE, "ab cd"},
        {"two breaks", "ab cd ef", 22, KE_TEXT_MULTILINE, "ab\ncd\nef"},
        {"no space keeps one line", "abcdefgh", 12, KE_TEXT_MULTILINE, "abcdefgh"},
        {"no wrapping without the flag", "ab cd ef", 22, 0, "ab cd ef"},
        {"line breaks become spaces without the flag", "ab\ncd", 100, 0, "ab cd"},
        {"tab is a break", "ab\tcd", 12, KE_TEXT_MULTILINE, "ab\ncd"},
        {"markup takes no room", "ab $COLOR=0xFF00FF00cd ef", 30, KE_TEXT_MULTILINE,
         "ab $COLOR=0xFF00FF00cd\nef"},
    };
    for (const Case& c : cases)
    {
        CKetrelString text = Text(c.text);
        font.WrapText(CKetrelRect(0, 0, c.width, 100), text, c.flags);
        EXPECT_TRUE(text.Equals(Text(c.wrapped))) << c.name;
    }
}

namespace
{
struct Placed { int x, y; u32 colour; };
std::vector<Placed> SoftPlacement(const CKetrelTextBatch& batch)
{
    std::vector<Placed> out;
    for (i32 i = 0; i < batch.GetCount(); ++i)
    {
        const CKetrelTextBatch::SoftRecord* r = batch.GetSoftRecord(i);
        out.push_back({r->x - r->sourceX, r->y - r->sourceY, r->colour});
    }
    return out;
}
} // namespace

// A wrapped, coloured text in software: every glyph lands where the layout
// rules put it, in the colour its markup gave it.
TEST_F(BitmapFontTest, WrappedColouredTextPlacesEveryGlyph)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    std::unique_ptr<CKetrelSurface> target = MakeSoftwareTarget(kW, kH, 0xFF000000);
    ASSERT_TRUE(target);
    CKetrelTextBatch batch;
    CKetrelRect rect(10, 20, 32, 90);
    font.DrawText(&rect, target.get(), Text("ab $COLOR=0xFFFF0000cd ef"), 0xFF00FF00,
                  KE_TEXT_MULTILINE, &batch);
    const Placed expected[] = {
        {10, 20, 0xFF00FF00}, {15, 20, 0xFF00FF00},                       // "ab"
        {10, 30, 0xFFFF0000}, {15, 30, 0xFFFF0000},                       // "cd" (after the space wrapped)
        {10, 40, 0xFFFF0000}, {15, 40, 0xFFFF0000},                       // "ef"
    };
    // Both spaces became line breaks: six glyphs.
    std::vector<Placed> got = SoftPlacement(batch);
    ASSERT_EQ(6u, got.size());
    for (int k = 0; k < 6; ++k)
    {
        EXPECT_EQ(expected[k].x, got[k].x) << "glyph " << k;
        EXPECT_EQ(expected[k].y, got[k].y) << "glyph " << k;
        EXPECT_EQ(expected[k].colour, got[k].colour) << "glyph " << k;
    }

    // Right-aligned and centred lines start where their width says.
    struct Case { const char* name; u32 flags; int firstX; };
    const Case cases[] = {
        {"right", KE_TEXT_RIGHT, 100 - (1 + 2 * 5)},
        {"centre", KE_TEXT_CENTER_X, 0 + 50 - (1 + 10) / 2},
        {"left", 0, 0},
    };
    for (const Case& c : cases)
    {
        CKetrelRect r(0, 0, 100, 50);
        font.DrawText(&r, target.get(), Text("ab"), 0xFFFFFFFF, c.flags, &batch);
        ASSERT_EQ(2, batch.GetCount()) << c.name;
        EXPECT_EQ(c.firstX, SoftPlacement(batch)[0].x) << c.name;
    }
    // Centred vertically: one line of 10 in a rect 50 high.
    CKetrelRect r(0, 0, 100, 50);
    font.DrawText(&r, target.get(), Text("ab"), 0xFFFFFFFF, KE_TEXT_CENTER_Y, &batch);
    EXPECT_EQ(20, SoftPlacement(batch)[0].y);
}

TEST_F(BitmapFontTest, SoftwareGlyphsTakeTheirCoverage)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    const CKetrelFontPage* page = font.GetPage(0);
    ASSERT_NE(nullptr, page);
    ASSERT_NE(nullptr, page->coverage);
    const CKetrelFontGlyph* g = font.FindGlyph('W');
    ASSERT_NE(nullptr, g);

    struct Case { const char* name; int format; u32 flags; };
    const Case cases[] = {
        {"ABGR solid", KE_PF_ABGR8888, 0},
        {"ABGR blended", KE_PF_ABGR8888, KE_TEXT_BLEND},
        {"ARGB solid", KE_PF_ARGB8888, 0},
        {"565 solid", KE_PF_RGB565, 0},
        {"565 blended", KE_PF_RGB565, KE_TEXT_BLEND},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface target;
        CKetrelSurfaceDesc desc = {};
        desc.width = 40;
        desc.height = 20;
        desc.pixelFormat = c.format;
        ASSERT_EQ(KE_OK, target.Create(nullptr, &desc)) << c.name;
        target.FillRect(0xFF000000, nullptr);
        font.DrawTextAt(3, 4, &target, Text("W"), 0xFFFF0000, c.flags);
        int lit = 0;
        for (int y = 0; y < g->height; ++y)
            for (int x = 0; x < g->width; ++x)
            {
                u8 cov = page->coverage[(g->y + y) * page->width + g->x + x];
                u32 red = (target.GetPixel(3 + x, 4 + y) >> 16) & 0xFF;
                if (cov == 0)
                    EXPECT_EQ(0u, red) << c.name << " at " << x << "," << y;
                else if (c.flags & KE_TEXT_BLEND)
                    EXPECT_NEAR(cov, (int)red, 8) << c.name << " at " << x << "," << y;
                else
                    EXPECT_GE(red, 0xF8u) << c.name << " at " << x << "," << y;
                lit += cov ? 1 : 0;
            }
        EXPECT_GT(lit, 10) << c.name;
    }

    // Clipped at the target's clip rect, and never outside the surface even
    // without clipping.
    CKetrelSurface small;
    CKetrelSurfaceDesc desc = {};
    desc.width = 8;
    desc.height = 8;
    desc.pixelFormat = KE_PF_ABGR8888;
    ASSERT_EQ(KE_OK, small.Create(nullptr, &desc));
    small.FillRect(0, nullptr);
    CKetrelTextBatch batch;
    CKetrelRect rect(-3, -3, 100, 100);
    font.DrawText(&rect, &small, Text("WWWW"), 0xFFFFFFFF, KE_TEXT_NOCLIP, &batch);
    for (i32 i = 0; i < batch.GetCount(); ++i)
    {
        const CKetrelTextBatch::SoftRecord* r = batch.GetSoftRecord(i);
        EXPECT_GE(r->x, 0);
        EXPECT_GE(r->y, 0);
        EXPECT_LE(r->x + r->width, 8);
        EXPECT_LE(r->y + r->height, 8);
    }
}

// The text A, markup, B: two records in two colours; with markup off, all 19
// characters are glyphs of one record.
TEST_F(BitmapFontTest, GLRecordsFollowColoursPagesAndSize)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    CKetrelTextBatch batch;
    CKetrelRect rect(0, 0, kW, kH);
    font.DrawText(&rect, gl, Text("A$COLOR=0xFF00FF00B"), 0xFFFF0000, 0, &batch);
    ASSERT_EQ(2, batch.GetCount());
    EXPECT_EQ(0xFFFF0000u, batch.GetGLRecord(0)->colour);
    EXPECT_EQ(1u, batch.GetGLRecord(0)->count);
    EXPECT_EQ(0xFF00FF00u, batch.GetGLRecord(1)->colour);
    EXPECT_EQ(1u, batch.GetGLRecord(1)->count);

    font.DrawText(&rect, gl, Text("A$COLOR=0xFF00FF00B"), 0xFFFF0000, KE_TEXT_NO_MARKUP, &batch);
    ASSERT_EQ(1, batch.GetCount());
    EXPECT_EQ(19u, batch.GetGLRecord(0)->count);

    std::string many(65, 'x');
    font.DrawText(&rect, gl, Text(many.c_str()), 0xFFFFFFFF, 0, &batch);
    ASSERT_EQ(2, batch.GetCount());
    EXPECT_EQ(64u, batch.GetGLRecord(0)->count);
    EXPECT_EQ(1u, batch.GetGLRecord(1)->count);

    // Transparent colour, empty text, a rect outside the clip: nothing.
    font.DrawText(&rect, gl, Text("A"), 0x00FFFFFF, 0, &batch);
    EXPECT_EQ(0, batch.GetCount());
    CKetrelRect outside(kW + 5, 0, kW + 50, 20);
    font.DrawText(&outside, gl, Text("A"), 0xFFFFFFFF, 0, &batch);
    EXPECT_EQ(0, batch.GetCount());
}

// The same text through OpenGL ES and in software (blended coverage) gives
// the same pixels, within what the rasteriser's filtering weights round off.
TEST_F(BitmapFontTest, GLTextMatchesSoftwareText)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    std::unique_ptr<CKetrelSurface> soft = MakeSoftwareTarget(kW, kH, 0xFF000000);
    ASSERT_TRUE(soft);
    CKetrelRect rect(7, 11, 120, 80);
    const char* text = "Wrap me $COLOR=0xFF40C0FFplease";
    font.DrawText(&rect, gl, Text(text), 0xFFFFFF00, KE_TEXT_MULTILINE);
    font.DrawText(&rect, soft.get(), Text(text), 0xFFFFFF00, KE_TEXT_MULTILINE | KE_TEXT_BLEND);
    int mismatches = 0, lit = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
        {
            unsigned want = soft->GetPixel(x, y) & 0xFFFFFF;
            unsigned got = ReadRGB(x, y, kH);
            lit += got ? 1 : 0;
            bool near = true;
            for (int s = 0; s < 24; s += 8)
                near = near && std::abs((int)((want >> s) & 0xFF) - (int)((got >> s) & 0xFF)) <= 8;
            if (!near && mismatches++ < 3)
                ADD_FAILURE() << "at " << x << "," << y << ": software " << std::hex << want
                              << ", GL " << got;
        }
    EXPECT_GT(lit, 50);
}

TEST_F(BitmapFontTest, TexturesGoAndComeBack)
{
    CKetrelBitmapFont font;
    ASSERT_EQ(KE_OK, font.CreateDefault(owner));
    EXPECT_TRUE(font.GetID().Equals(Text("default-font")));
    EXPECT_EQ(218, font.GetGlyphCount());
    EXPECT_NE(0u, font.GetPage(0)->texture);
    font.ReleaseTextures();
    EXPECT_EQ(0u, font.GetPage(0)->texture);
    CKetrelTextBatch batch;
    font.DrawTextAt(0, 0, gl, Text("A"), 0xFFFFFFFF, 0, &batch);   // no vertices: nothing
    EXPECT_EQ(0, batch.GetCount());
    ASSERT_EQ(KE_OK, font.ReloadTextures());
    EXPECT_NE(0u, font.GetPage(0)->texture);
    font.DrawTextAt(0, 0, gl, Text("A"), 0xFFFFFFFF, 0, &batch);
    EXPECT_EQ(1, batch.GetCount());
    EXPECT_NE(0u, ReadRGB(2, 5, kH) + ReadRGB(3, 5, kH) + ReadRGB(2, 6, kH));
}

TEST(BitmapFontTint, ChannelsAreMultipliedInTheirOwnOrder)
{
    struct Case { const char* name; int format; u32 raw, colour, expected; };
    const Case cases[] = {
        // ARGB: 0xAARRGGBB; halve red, keep green, clear blue, keep alpha.
        {"ARGB", KE_PF_ARGB8888, 0xFF804020, 0xFF80FF00, 0xFF404000},
        // ABGR holds red in the low byte: the colour's red still tints red.
        {"ABGR", KE_PF_ABGR8888, 0xFF204080, 0xFF80FF00, 0xFF004040},
        {"alpha too", KE_PF_ARGB8888, 0x80FFFFFF, 0x80FFFFFF, 0x40FFFFFF},
        {"not 32-bit: untouched", KE_PF_RGB565, 0x1234, 0x00000000, 0x1234},
    };
    for (const Case& c : cases)
    {
        CKetrelSurface s;
        CKetrelSurfaceDesc desc = {};
        desc.width = 4;
        desc.height = 4;
        desc.pixelFormat = c.format;
        ASSERT_EQ(KE_OK, s.Create(nullptr, &desc)) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                s.PutPixel(x, y, c.raw);
        CKetrelBitmapFont::TintPixels(&s, CKetrelRect(1, 1, 9, 3), c.colour);
        u32 inside = 0, outside = 0;
        if (s.GetBytesPerPixel() == 4)
        {
            std::memcpy(&inside, s.GetPixels() + 1 * s.GetPitch() + 4, 4);
            std::memcpy(&outside, s.GetPixels(), 4);
        }
        else
        {
            u16 a, b;
            std::memcpy(&a, s.GetPixels() + 1 * s.GetPitch() + 2, 2);
            std::memcpy(&b, s.GetPixels(), 2);
            inside = a;
            outside = b;
        }
        EXPECT_EQ(c.expected, inside) << c.name;
        EXPECT_EQ(c.raw, outside) << c.name;
    }
}

// From files: the descriptor names its page by path; with RGBA pages the
// page's own texture and the second font program draw the same picture.
TEST_F(BitmapFontTest, LoadsFromFilesAndDrawsRGBAPages)
{
    char dir[] = "/tmp/ketrel_fontXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string page = std::string(dir) + "/page.png";
    std::string xml = std::string(dir) + "/font.xml";
    FILE* f = fopen(page.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(KetrelDefaultFont::kPageImage, 1, (size_t)KetrelDefaultFont::kPageImageSize, f);
    fclose(f);
    std::string descriptor = Descriptor(Char('W', 6 * 55 % 126, 0, 6, 10, 0, 0, 5));
    descriptor.replace(descriptor.find("page.png"), 8, page);
    f = fopen(xml.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(descriptor.data(), 1, descriptor.size(), f);
    fclose(f);

    CKetrelBitmapFont alpha, rgba;
    ASSERT_EQ(KE_OK, alpha.LoadFromFile(owner, Text(xml.c_str()), 0));
    ASSERT_EQ(KE_OK, rgba.LoadFromFile(owner, Text(xml.c_str()), KE_FONT_RGBA_PAGES));
    EXPECT_TRUE(alpha.GetID().Equals(Text(xml.c_str())));
    EXPECT_EQ(rgba.GetPage(0)->image->GetTextureName(), rgba.GetPage(0)->texture);
    EXPECT_NE(alpha.GetPage(0)->image->GetTextureName(), alpha.GetPage(0)->texture);

    unsigned first[12][8];
    CKetrelBitmapFont* fonts[2] = {&alpha, &rgba};
    for (int k = 0; k < 2; ++k)
    {
        gl->FillRect(0xFF000000, nullptr);
        fonts[k]->DrawTextAt(4, 4, gl, Text("W"), 0xFFFFFFFF, 0);
        int lit = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 8; ++x)
            {
                unsigned p = ReadRGB(4 + x, 4 + y, kH);
                lit += p ? 1 : 0;
                if (k == 0)
                    first[y][x] = p;
                else
                    EXPECT_EQ(first[y][x], p) << x << "," << y;
            }
        EXPECT_GT(lit, 5) << k;
    }
    remove(page.c_str());
    remove(xml.c_str());
    rmdir(dir);
}
