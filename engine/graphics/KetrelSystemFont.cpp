// The system-font half of CKetrelBitmapFont: text that the bitmap font cannot
// show is laid out by Pango through GDK, rendered white on black into an X
// pixmap, read back as coverage and kept on a cache surface from which it is
// blitted like an image.
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/KetrelSurface.h"

#include <X11/Xlib.h>
#include <gdk/gdk.h>
#include <pango/pango.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
const i32 kMarkupLength = 17;

// The text as valid UTF-8 in a buffer the caller frees with delete[]. Lone
// surrogates (possible in text from other players) become U+FFFD, so Pango
// never sees invalid input.
char* ToUTF8(const CKetrelString& text)
{
    char* out = new (std::nothrow) char[(size_t)text.GetLength() * 3 + 1];
    if (!out)
        return nullptr;
    text.ToUTF8(out);
    if (g_utf8_validate(out, -1, nullptr))
        return out;
    gchar* valid = g_utf8_make_valid(out, -1);
    delete[] out;
    if (!valid)
        return nullptr;
    size_t length = strlen(valid);
    out = new (std::nothrow) char[length + 1];
    if (out)
        memcpy(out, valid, length + 1);
    g_free(valid);
    return out;
}

PangoAlignment AlignmentOf(u32 flags)
{
    if (flags & KE_TEXT_CENTER_X)
        return PANGO_ALIGN_CENTER;
    if (flags & KE_TEXT_RIGHT)
        return PANGO_ALIGN_RIGHT;
    return PANGO_ALIGN_LEFT;
}

void PrepareLayout(PangoLayout* layout, i32 width, u32 flags, const char* utf8)
{
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_alignment(layout, AlignmentOf(flags));
    pango_layout_set_text(layout, utf8, -1);
}

bool Overlaps(const CKetrelSystemTextEntry* e, i32 left, i32 top, i32 right, i32 bottom)
{
    // Inclusive: rectangles that only touch count as overlapping.
    return left <= e->right && e->left <= right && top <= e->bottom && e->top <= bottom;
}
} // namespace

i32 CKetrelBitmapFont::ScreenSide() const
{
    if (m_owner && m_owner->GetDisplay())
    {
        Display* display = m_owner->GetDisplay();
        int screen = DefaultScreen(display);
        i32 w = DisplayWidth(display, screen), h = DisplayHeight(display, screen);
        return w > h ? w : h;
    }
    if (m_owner && m_owner->GetGraphicsContext())
    {
        IKetrelGraphicsContext* c = m_owner->GetGraphicsContext();
        return c->GetWidth() > c->GetHeight() ? c->GetWidth() : c->GetHeight();
    }
    return 800;
}

void CKetrelBitmapFont::StripColorMarkup(const CKetrelString& text, CKetrelString& out)
{
    CKetrelString result;
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        if (ReadColorMarkup(text, i, nullptr))
        {
            i += kMarkupLength - 1;
            continue;
        }
        result.Append(text.GetAt(i));
    }
    out = result;
}

int CKetrelBitmapFont::SetSystemFont(const CKetrelString& family, i32 pixelSize)
{
    if (m_pangoLayout)
    {
        g_object_unref(m_pangoLayout);
        m_pangoLayout = nullptr;
    }
    m_layoutPixelSize = 0;
    if (family.IsEmpty() || !gdk_display_get_default())
        return KE_OK;
    PangoContext* context = gdk_pango_context_get();
    if (!context)
        return KE_OK;
    PangoLayout* layout = pango_layout_new(context);
    g_object_unref(context);
    char* name = ToUTF8(family);
    if (!name)
    {
        g_object_unref(layout);
        return KE_OK;
    }
    char description[600];
    if (m_bold)
        snprintf(description, sizeof(description), "%s bold %d", name, (int)((f32)pixelSize * 0.73f));
    else
        snprintf(description, sizeof(description), "%s %d", name, (int)((f32)pixelSize * 0.9f));
    delete[] name;
    PangoFontDescription* font = pango_font_description_from_string(description);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    m_pangoLayout = layout;
    m_layoutPixelSize = pixelSize;
    return KE_OK;
}

void CKetrelBitmapFont::MeasureSystemText(CKetrelRect* rect, const CKetrelString& text,
                                          i32 pixelSize, u32 flags)
{
    if (!rect || text.IsEmpty() || rect->right - rect->left == 0 ||
        rect->bottom - rect->top == 0 || pixelSize <= 2 || !m_pangoLayout)
        return;
    char* utf8 = ToUTF8(text);
    if (!utf8)
        return;
    PangoLayout* layout = (PangoLayout*)m_pangoLayout;
    PrepareLayout(layout, rect->right - rect->left, flags, utf8);
    delete[] utf8;
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    if (flags & KE_TEXT_MULTILINE)
    {
        if (w < rect->right - rect->left)
            rect->right = rect->left + w;
    }
    else
    {
        rect->right = rect->left + w;
    }
    rect->bottom = rect->top + h;
}

void CKetrelBitmapFont::DeleteCacheEntries()
{
    for (i32 i = 0; i < m_cacheEntries.GetCount(); ++i)
        delete (CKetrelSystemTextEntry*)m_cacheEntries.GetAt(i);
    m_cacheEntries.RemoveAll();
}

int CKetrelBitmapFont::CreateTextCache(i32 width, i32 height)
{
    DeleteCacheEntries();
    if (m_cacheSurface)
    {
        m_cacheSurface->Release();
        delete m_cacheSurface;
        m_cacheSurface = nullptr;
    }
    CKetrelSurface* surface = new (std::nothrow) CKetrelSurface();
    if (!surface)
        return KE_ERR_MEMORY;
    int format = m_owner ? m_owner->GetPixelFormat() : KE_PF_ABGR8888;
    CKetrelSurfaceDesc desc = {};
    desc.width = width;
    desc.height = height;
    desc.pixelFormat = format == KE_PF_ARGB8888 ? KE_PF_ARGB8888 : KE_PF_ABGR8888;
    desc.flags = KE_SDF_TEXTURE;
    if (surface->Create(m_owner, &desc) != KE_OK)
    {
        delete surface;
        return KE_ERR_MEMORY;
    }
    surface->FillRect(0, nullptr);
    m_cacheSurface = surface;
    return KE_OK;
}

void CKetrelBitmapFont::TintPixels(CKetrelSurface* surface, const CKetrelRect& area, u32 colour)
{
    if (!surface || !surface->GetPixels())
        return;
    const int format = surface->GetPixelFormat();
    if (format != KE_PF_ARGB8888 && format != KE_PF_ABGR8888)
        return;
    i32 left = area.left < 0 ? 0 : area.left, top = area.top < 0 ? 0 : area.top;
    i32 right = area.right > surface->GetWidth() ? surface->GetWidth() : area.right;
    i32 bottom = area.bottom > surface->GetHeight() ? surface->GetHeight() : area.bottom;
    u32 a = colour >> 24, r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    if (format == KE_PF_ABGR8888)
    {
        u32 t = r;
        r = b;
        b = t;
    }
    u8* pixels = surface->GetPixels();
    for (i32 y = top; y < bottom; ++y)
    {
        u32* row = (u32*)(pixels + (size_t)y * surface->GetPitch());
        for (i32 x = left; x < right; ++x)
        {
            u32 p = row[x];
            row[x] = ((p >> 24) * a / 255) << 24 | (((p >> 16) & 0xFF) * r / 255) << 16 |
                     (((p >> 8) & 0xFF) * g / 255) << 8 | ((p & 0xFF) * b / 255);
        }
    }
}

void CKetrelBitmapFont::ClearTextCache()
{
    DeleteCacheEntries();
    if (m_cacheSurface)
        m_cacheSurface->FillRect(0, nullptr);
}

int CKetrelBitmapFont::FindCachedText(IKetrelGraphicsContext* target, CKetrelRect* rect,
                                      const CKetrelString& text, u32 colour, u32 flags)
{
    const u32 alignment = flags & (KE_TEXT_CENTER_X | KE_TEXT_RIGHT);
    for (i32 i = 0; i < m_cacheEntries.GetCount(); ++i)
    {
        const CKetrelSystemTextEntry* e = (const CKetrelSystemTextEntry*)m_cacheEntries.GetAt(i);
        // Size, wrap width and alignment shape the picture as much as the text.
        if (e->pixelSize != m_keyPixelSize || e->layoutWidth != m_keyWidth ||
            e->alignment != alignment || !e->text.Equals(text))
            continue;
        if (flags & KE_TEXT_MEASURE)
        {
            if (rect)
                rect->Set(e->left, e->top, e->right, e->bottom);
            return 1;
        }
        // The whole colour, alpha too: a text fading out must not keep the
        // alpha it was first rendered with.
        if (e->colour == colour)
        {
            BlitCachedText(target, e, rect, flags);
            return 1;
        }
    }
    return 0;
}

void CKetrelBitmapFont::BlitCachedText(IKetrelGraphicsContext* target,
                                       const CKetrelSystemTextEntry* entry, const CKetrelRect* rect,
                                       u32 flags)
{
    EndGL();
    if (!target || !entry || !rect || !m_cacheSurface)
        return;
    i32 w = entry->right - entry->left, h = entry->bottom - entry->top;
    i32 x = rect->left, y = rect->top;
    if (flags & KE_TEXT_CENTER_X)
        x = rect->left + (rect->right - rect->left) / 2 - w / 2;
    else if (flags & KE_TEXT_RIGHT)
        x = rect->right - w;
    if (flags & KE_TEXT_CENTER_Y)
        y = rect->top + (rect->bottom - rect->top) / 2 - h / 2;
    CKetrelRect source(entry->left, entry->top, entry->right, entry->bottom);
    target->Blit(x, y, m_cacheSurface, &source, KE_BLT_ALPHA);
}

void CKetrelBitmapFont::RenderSystemText(CKetrelSurface* cache, const CKetrelRect* area,
                                         const CKetrelString& text, i32 pixelSize, u32 colour,
                                         u32 flags)
{
    (void)pixelSize;
    if (!cache || !area || !m_pangoLayout || !gdk_display_get_default())
        return;
    i32 w = area->right - area->left, h = area->bottom - area->top;
    if (w <= 0 || h <= 0)
        return;
    GdkWindow* root = gdk_get_default_root_window();
    if (!root)
        return;
    GdkPixmap* pixmap = gdk_pixmap_new(root, w, h, -1);
    if (!pixmap)
        return;
    gdk_drawable_set_colormap(pixmap, gdk_colormap_get_system());
    GdkGC* gc = gdk_gc_new(pixmap);
    GdkColor black = {0, 0, 0, 0}, white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
    gdk_gc_set_rgb_fg_color(gc, &black);
    gdk_draw_rectangle(pixmap, gc, TRUE, 0, 0, w, h);

    char* utf8 = ToUTF8(text);
    if (utf8)
    {
        PangoLayout* layout = (PangoLayout*)m_pangoLayout;
        PrepareLayout(layout, w, flags, utf8);
        delete[] utf8;
        PangoRenderer* renderer = gdk_pango_renderer_get_default(gdk_screen_get_default());
        GdkPangoRenderer* gdkRenderer = GDK_PANGO_RENDERER(renderer);
        gdk_pango_renderer_set_drawable(gdkRenderer, pixmap);
        gdk_pango_renderer_set_gc(gdkRenderer, gc);
        gdk_pango_renderer_set_override_color(gdkRenderer, PANGO_RENDER_PART_FOREGROUND, &white);
        gdk_pango_renderer_set_override_color(gdkRenderer, PANGO_RENDER_PART_BACKGROUND, &black);
        pango_renderer_draw_layout(renderer, layout, 0, 0);
        gdk_pango_renderer_set_override_color(gdkRenderer, PANGO_RENDER_PART_FOREGROUND, nullptr);
        gdk_pango_renderer_set_override_color(gdkRenderer, PANGO_RENDER_PART_BACKGROUND, nullptr);
        gdk_pango_renderer_set_drawable(gdkRenderer, nullptr);
        gdk_pango_renderer_set_gc(gdkRenderer, nullptr);
    }

    GdkImage* image = gdk_drawable_get_image(pixmap, 0, 0, w, h);
    if (image)
    {
        const bool shallow = image->depth <= 23;
        const bool swap = cache->GetPixelFormat() == KE_PF_ABGR8888;
        const u32 ca = colour >> 24, cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF,
                  cb = colour & 0xFF;
        for (i32 y = 0; y < h; ++y)
            for (i32 x = 0; x < w; ++x)
            {
                u32 pixel = gdk_image_get_pixel(image, x, y);
                u32 i = shallow ? (pixel & 31) * 8 : (pixel & 0xFF);
                u32 r = cr * i / 255, g = cg * i / 255, b = cb * i / 255;
                if (swap)
                {
                    u32 t = r;
                    r = b;
                    b = t;
                }
                cache->PutPixel(area->left + x, area->top + y,
                                (ca * i / 255) << 24 | r << 16 | g << 8 | b);
            }
        g_object_unref(image);
    }
    g_object_unref(gc);
    g_object_unref(pixmap);
    cache->UpdateTexture();
}

int CKetrelBitmapFont::DrawSystemText(IKetrelGraphicsContext* target, CKetrelRect* rect,
                                      const CKetrelString& family, i32 pixelSize,
                                      const CKetrelString& text, u32 colour, u32 flags)
{
    // The placement scan steps by the pixel size: a size of 0 or less would
    // never end, and sizes up to 2 measure nothing anyway.
    if (!rect || pixelSize <= 2)
        return 0;
    CKetrelString plain;
    StripColorMarkup(text, plain);
    if (plain.IsEmpty())
        return 0;
    m_keyPixelSize = pixelSize;
    m_keyWidth = rect->right - rect->left;

    if (m_cacheSurface && FindCachedText(target, rect, plain, colour, flags))
    {
        if (flags & KE_TEXT_MEASURE)
            rect->Set(0, 0, rect->right - rect->left, rect->bottom - rect->top);
        return 0;
    }
    const i32 side = ScreenSide();
    if (!m_cacheSurface)
    {
        i32 size = side < 1101 ? 512 : 1024;
        if (CreateTextCache(size, size) != KE_OK)
            return 0;
    }

    SetSystemFont(family, pixelSize);
    CKetrelRect measured = *rect;
    MeasureSystemText(&measured, plain, pixelSize, flags);
    i32 tw = measured.right - measured.left, th = measured.bottom - measured.top;
    if (flags & KE_TEXT_MEASURE)
    {
        rect->Set(0, 0, tw, th);
        return 0;
    }
    if (tw <= 0 || th <= 0 || !target)
        return 0;

    i32 cw = m_cacheSurface->GetWidth(), ch = m_cacheSurface->GetHeight();
    if (tw > cw || th > ch)
    {
        const i32 cap = side < 1101 ? 1024 : 2048;
        i32 nw = tw + 5 > cw ? tw + 5 : cw;
        i32 nh = th > ch ? th : ch;
        nw = nw < cap ? nw : cap;
        nh = nh < cap ? nh : cap;
        if (CreateTextCache(nw, nh) != KE_OK)
            return 0;
        cw = nw;
        ch = nh;
    }

    // First free place on a grid of pixelSize steps, rows from the top.
    i32 px = -1, py = -1;
    for (i32 y = 0; px < 0 && y + th < ch; y += pixelSize)
        for (i32 x = 0; x + tw < cw; x += pixelSize)
        {
            bool free = true;
            for (i32 i = 0; free && i < m_cacheEntries.GetCount(); ++i)
                free = !Overlaps((const CKetrelSystemTextEntry*)m_cacheEntries.GetAt(i), x, y,
                                 x + tw, y + th);
            if (free)
            {
                px = x;
                py = y;
                break;
            }
        }
    if (px < 0)
    {
        ClearTextCache();
        px = 0;
        py = 0;
    }

    CKetrelSystemTextEntry* entry = new (std::nothrow) CKetrelSystemTextEntry();
    if (!entry)
        return 0;
    entry->text = plain;
    entry->left = px;
    entry->top = py;
    entry->right = px + tw < cw ? px + tw : cw;
    entry->bottom = py + th < ch ? py + th : ch;
    entry->colour = colour;
    entry->pixelSize = pixelSize;
    entry->layoutWidth = m_keyWidth;
    entry->alignment = flags & (KE_TEXT_CENTER_X | KE_TEXT_RIGHT);
    CKetrelRect area(entry->left, entry->top, entry->right, entry->bottom);
    RenderSystemText(m_cacheSurface, &area, plain, pixelSize, colour, flags);
    ++m_systemRenders;
    m_cacheEntries.Add(entry);
    BlitCachedText(target, entry, rect, flags);
    return 0;
}
