// Makes bitmap fonts from DejaVu fonts through Pango, in two forms:
//
//   fontgen <output.cpp>
//     the engine's built-in default font: 218 glyphs (codes 32 to 255 of the
//     Windows-1252 set, without 127 and its five unassigned codes) of DejaVu Sans
//     Mono at 8 pixels, white on a transparent 128 x 128 page, written as a C++
//     source with the glyph table and the page as PNG bytes;
//
//   fontgen --pack <side> <folder>
//     the framework's fonts for a screen whose shorter side is <side> pixels:
//     "brix_text" (DejaVu Sans, side / 24 pixels: the body text) and "brix_title"
//     (DejaVu Sans Bold, side / 16 pixels), each a font descriptor (.fnt) and one
//     page picture (.png) of the same 218 glyphs cut to their ink and packed in rows.
//
// The output is the same on every run with the same fonts installed; a family that
// resolves to another font is refused.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// Windows-1252 codes 128 to 159 as Unicode (0 where unassigned).
const unsigned kHighControls[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

const size_t kGlyphSet = 218;

std::string Utf8(unsigned c)
{
    std::string s;
    if (c < 0x80)
        s += (char)c;
    else if (c < 0x800)
    {
        s += (char)(0xC0 | (c >> 6));
        s += (char)(0x80 | (c & 0x3F));
    }
    else
    {
        s += (char)(0xE0 | (c >> 12));
        s += (char)(0x80 | ((c >> 6) & 0x3F));
        s += (char)(0x80 | (c & 0x3F));
    }
    return s;
}

// The glyph set: {code, Unicode} of Windows-1252 codes 32 to 255 that are assigned.
std::vector<std::pair<unsigned, unsigned>> GlyphSet()
{
    std::vector<std::pair<unsigned, unsigned>> set;
    for (unsigned code = 32; code < 256; ++code)
    {
        unsigned unicode = code;
        if (code == 127)
            continue;
        if (code >= 128 && code < 160)
        {
            unicode = kHighControls[code - 128];
            if (!unicode)
                continue;
        }
        set.push_back({code, unicode});
    }
    return set;
}

cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// A Pango layout on cr in family at px pixels, with grey antialiasing and whole-pixel
// metrics; null (with a message) when the family resolves to another font.
PangoLayout* MakeLayout(cairo_t* cr, const char* family, int px, cairo_hint_style_t hinting)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, hinting);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    PangoFontDescription* font = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(font, px * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);

    PangoFont* loaded = pango_context_load_font(pango_layout_get_context(layout), font);
    PangoFontDescription* got = loaded ? pango_font_describe(loaded) : nullptr;
    const std::string wanted = pango_font_description_get_family(font);
    const bool same = got && pango_font_description_get_family(got) &&
                      wanted == pango_font_description_get_family(got) &&
                      pango_font_description_get_weight(got) == pango_font_description_get_weight(font);
    if (got)
        pango_font_description_free(got);
    if (loaded)
        g_object_unref(loaded);
    pango_font_description_free(font);
    if (!same)
    {
        fprintf(stderr, "fontgen: the font \"%s\" is not installed (Debian package fonts-dejavu-core)\n",
                family);
        g_object_unref(layout);
        return nullptr;
    }
    return layout;
}

// ---- the built-in default font --------------------------------------------------------

int MakeDefaultFont(const char* outPath)
{
    const int kPage = 128, kCellW = 6, kCellH = 10, kColumns = kPage / kCellW;
    cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPage, kPage);
    cairo_t* cr = cairo_create(page);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    PangoLayout* layout = MakeLayout(cr, "DejaVu Sans Mono", 8, CAIRO_HINT_STYLE_FULL);
    if (!layout)
        return 1;

    struct Glyph { unsigned code; int x, y, advance; };
    std::vector<Glyph> glyphs;
    for (const auto& c : GlyphSet())
    {
        int index = (int)glyphs.size();
        int x = (index % kColumns) * kCellW, y = (index / kColumns) * kCellH;
        std::string text = Utf8(c.second);
        pango_layout_set_text(layout, text.c_str(), -1);
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout, nullptr, &logical);
        cairo_save(cr);
        cairo_rectangle(cr, x, y, kCellW, kCellH);
        cairo_clip(cr);
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, layout);
        cairo_restore(cr);
        glyphs.push_back({c.first, x, y, logical.width > 0 ? logical.width : kCellW - 1});
    }
    cairo_surface_flush(page);
    std::vector<unsigned char> png;
    cairo_surface_write_to_png_stream(page, Collect, &png);

    FILE* out = fopen(outPath, "w");
    if (!out)
        return 1;
    fprintf(out, "// Generated by tools/fontgen: the built-in default font (DejaVu Sans Mono,\n"
                 "// 8 pixels, on one 128 x 128 page). Do not edit by hand.\n"
                 "#include \"engine/graphics/KetrelBitmapFontDefaultData.h\"\n\n"
                 "namespace KetrelDefaultFont\n{\n\n");
    fprintf(out, "const i32 kGlyphs[kGlyphCount][8] = {\n"
                 "    // code, x, y, width, height, xoffset, yoffset, xadvance\n");
    for (const Glyph& g : glyphs)
        fprintf(out, "    {%u, %d, %d, %d, %d, 0, 0, %d},\n", g.code, g.x, g.y, kCellW, kCellH,
                g.advance);
    fprintf(out, "};\n\nconst u8 kPageImage[] = {");
    for (size_t i = 0; i < png.size(); ++i)
        fprintf(out, "%s0x%02x,", i % 16 == 0 ? "\n    " : " ", png[i]);
    fprintf(out, "\n};\n\nconst i32 kPageImageSize = (i32)sizeof(kPageImage);\n\n"
                 "} // namespace KetrelDefaultFont\n");
    fclose(out);
    fprintf(stderr, "%zu glyphs, page image %zu bytes\n", glyphs.size(), png.size());

    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(page);
    return glyphs.size() == kGlyphSet ? 0 : 1;
}

// ---- the framework's fonts -------------------------------------------------------------

struct PackedGlyph
{
    unsigned code;
    std::string text;
    PangoRectangle ink, logical;
    int x, y, w, h;   // the cell on the page: the ink and one clear pixel around it
};

// Places the cells in rows of at most width pixels; returns the height used.
int PlaceRows(std::vector<PackedGlyph>& glyphs, int width)
{
    int x = 0, y = 0, row = 0;
    for (PackedGlyph& g : glyphs)
    {
        if (x + g.w > width)
        {
            x = 0;
            y += row;
            row = 0;
        }
        g.x = x;
        g.y = y;
        x += g.w;
        row = std::max(row, g.h);
    }
    return y + row;
}

int PowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Writes <folder>/<name>.fnt and <folder>/<name>.png for family at px pixels.
bool MakePackFont(const std::string& folder, const char* name, const char* family, int px, bool bold)
{
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* measure = cairo_create(scratch);
    PangoLayout* layout = MakeLayout(measure, family, px, CAIRO_HINT_STYLE_SLIGHT);
    if (!layout)
        return false;
    std::vector<PackedGlyph> glyphs;
    for (const auto& c : GlyphSet())
    {
        PackedGlyph g;
        g.code = c.first;
        g.text = Utf8(c.second);
        pango_layout_set_text(layout, g.text.c_str(), -1);
        if (pango_layout_get_unknown_glyphs_count(layout) != 0)
        {
            fprintf(stderr, "fontgen: %s has no glyph for U+%04X\n", family, c.second);
            continue;
        }
        pango_layout_get_pixel_extents(layout, &g.ink, &g.logical);
        const bool blank = g.ink.width <= 0 || g.ink.height <= 0;
        g.w = blank ? 0 : g.ink.width + 2;
        g.h = blank ? 0 : g.ink.height + 2;
        glyphs.push_back(g);
    }
    // Every line is as high as the font's line: take it from a tall and a deep glyph.
    pango_layout_set_text(layout, "\xc3\x89g", -1);
    PangoRectangle line;
    pango_layout_get_pixel_extents(layout, nullptr, &line);
    g_object_unref(layout);
    cairo_destroy(measure);
    cairo_surface_destroy(scratch);

    // The narrowest power-of-two page whose rows fit in a square.
    int width = 32, height = 0;
    for (;; width *= 2)
    {
        height = PlaceRows(glyphs, width);
        if (height <= width || width >= 4096)
            break;
    }
    height = PowerOfTwo(std::max(height, 1));

    cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(page);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    layout = MakeLayout(cr, family, px, CAIRO_HINT_STYLE_SLIGHT);
    if (!layout)
        return false;
    for (const PackedGlyph& g : glyphs)
    {
        if (g.w == 0)
            continue;
        pango_layout_set_text(layout, g.text.c_str(), -1);
        cairo_save(cr);
        cairo_rectangle(cr, g.x, g.y, g.w, g.h);
        cairo_clip(cr);
        cairo_move_to(cr, g.x + 1 - g.ink.x, g.y + 1 - g.ink.y);
        pango_cairo_show_layout(cr, layout);
        cairo_restore(cr);
    }
    g_object_unref(layout);
    cairo_surface_flush(page);
    const std::string png = folder + "/" + name + ".png";
    const bool pageWritten = cairo_surface_write_to_png(page, png.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(page);
    if (!pageWritten)
    {
        fprintf(stderr, "fontgen: cannot write %s\n", png.c_str());
        return false;
    }

    const std::string fnt = folder + "/" + name + ".fnt";
    FILE* out = fopen(fnt.c_str(), "w");
    if (!out)
    {
        fprintf(stderr, "fontgen: cannot write %s\n", fnt.c_str());
        return false;
    }
    fprintf(out, "<?xml version=\"1.0\"?>\n<font>\n <info face=\"%s\" size=\"%d\" bold=\"%d\"/>\n"
                 " <common lineHeight=\"%d\" scaleW=\"%d\" scaleH=\"%d\" pages=\"1\"/>\n"
                 " <pages>\n  <page id=\"0\" file=\"%s.png\"/>\n </pages>\n <chars count=\"%zu\">\n",
            name, px, bold ? 1 : 0, line.height, width, height, name, glyphs.size());
    for (const PackedGlyph& g : glyphs)
    {
        // The cell's corner relative to the pen at the top of the line.
        const int xoffset = g.w ? g.ink.x - 1 - g.logical.x : 0;
        const int yoffset = g.h ? g.ink.y - 1 - g.logical.y : 0;
        fprintf(out, "  <char id=\"%u\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" xoffset=\"%d\" "
                     "yoffset=\"%d\" xadvance=\"%d\" page=\"0\"/>\n",
                g.code, g.w ? g.x : 0, g.h ? g.y : 0, g.w, g.h, xoffset, yoffset, g.logical.width);
    }
    fprintf(out, " </chars>\n</font>\n");
    const bool closed = fclose(out) == 0;
    return closed && glyphs.size() == kGlyphSet;
}

int MakePackFonts(int side, const std::string& folder)
{
    const int body = (int)std::lround(side / 24.0), title = (int)std::lround(side / 16.0);
    const bool ok = MakePackFont(folder, "brix_text", "DejaVu Sans", body, false) &&
                    MakePackFont(folder, "brix_title", "DejaVu Sans Bold", title, true);
    return ok ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 2)
        return MakeDefaultFont(argv[1]);
    if (argc == 4 && std::string(argv[1]) == "--pack")
    {
        const int side = std::atoi(argv[2]);
        if (side >= 96 && side <= 4096)
            return MakePackFonts(side, argv[3]);
    }
    fprintf(stderr, "usage: fontgen <output.cpp>\n       fontgen --pack <side> <folder>\n");
    return 2;
}
