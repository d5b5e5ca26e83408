// Text layout and drawing of bitmap fonts: batched quads on the OpenGL ES
// renderer, coverage written into the pixels of a software surface.
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelResult.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <GLES2/gl2.h>
#include <cstring>
#include <new>

namespace
{
const i32 kMarkupLength = 17;
const i32 kGlyphsPerRecord = 64;

inline bool IsBreak(u16 c) { return c == '\r' || c == '\n'; }

bool Intersect(const CKetrelRect& a, const CKetrelRect& b, CKetrelRect* out)
{
    CKetrelRect r(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                  a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom);
    if (r.right <= r.left || r.bottom <= r.top)
        return false;
    *out = r;
    return true;
}

// Starts the batch of a text drawn in rect on target; false when the rect and
// the target's clip do not meet, so that nothing is to be drawn.
bool StartBatch(const CKetrelRect& rect, IKetrelGraphicsContext* target, u32 colour, u32 flags,
                CKetrelTextBatch& batch)
{
    CKetrelRect targetClip, clip;
    target->GetClipRect(&targetClip);
    if (!Intersect(rect, targetClip, &clip))
        return false;
    batch.target = target;
    batch.colour = colour;
    batch.clip = clip;
    batch.flags = flags;
    return true;
}
} // namespace

// Receives the laid-out text: colour changes and glyphs with their top-left
// corner in target pixels.
struct CKetrelBitmapFont::Layout
{
    virtual ~Layout() {}
    virtual void Colour(u32 colour) = 0;
    virtual void Glyph(const CKetrelFontGlyph* glyph, f32 x, f32 y) = 0;
};

i32 CKetrelBitmapFont::LineOriginX(const CKetrelRect& rect, const CKetrelString& wrapped,
                                   i32 start, u32 flags)
{
    if (!(flags & (KE_TEXT_RIGHT | KE_TEXT_CENTER_X)))
        return rect.left;
    i32 end = start;
    while (end < wrapped.GetLength() && !IsBreak(wrapped.GetAt(end)))
        ++end;
    CKetrelString line(wrapped, start, end - start);
    const i64 width = GetTextWidth(line, flags & KE_TEXT_NO_MARKUP);
    if (flags & KE_TEXT_RIGHT)
        return KetrelSaturateToInt(rect.right - width);
    return KetrelSaturateToInt(rect.left + ((i64)rect.right - rect.left) / 2 - width / 2);
}

void CKetrelBitmapFont::LayOut(const CKetrelRect& rect, const CKetrelString& text, u32 flags,
                               f32 scale, Layout& layout)
{
    CKetrelString wrapped(text);
    WrapText(rect, wrapped, flags);
    const bool markup = (flags & KE_TEXT_NO_MARKUP) == 0;
    const bool multiline = (flags & KE_TEXT_MULTILINE) != 0;
    // Sizes come from the descriptor: positions are kept in 64 bits and scaled
    // values are clamped into the i32 range before they are converted.
    const i32 lineStep = GetLineHeight();
    const i64 height = (i64)rect.bottom - rect.top;

    i64 y = rect.top;
    if ((flags & KE_TEXT_CENTER_Y) && multiline)
    {
        CKetrelRect measured = rect;
        MeasureText(&measured, text);
        y = rect.top + height / 2 - ((i64)measured.bottom - measured.top) / 2;
    }
    else if (flags & KE_TEXT_CENTER_Y)
    {
        y = rect.top + height / 2 - lineStep / 2;
    }
    // The first glyph starts right on the origin. A font without that glyph
    // has no offset to take off.
    const CKetrelFontGlyph* first = FindGlyph(wrapped.GetAt(0));
    i64 pen = (i64)LineOriginX(rect, wrapped, 0, flags) -
              (first ? KetrelTruncToInt((f32)first->xoffset * scale) : 0);

    for (i32 i = 0; i < wrapped.GetLength(); ++i)
    {
        u32 colour;
        if (markup && ReadColorMarkup(wrapped, i, &colour))
        {
            layout.Colour(colour);
            i += kMarkupLength - 1;
            continue;
        }
        u16 c = wrapped.GetAt(i);
        if (IsBreak(c))
        {
            if (!multiline)
                continue;
            y += lineStep;
            pen = (flags & (KE_TEXT_RIGHT | KE_TEXT_CENTER_X)) ? LineOriginX(rect, wrapped, i + 1, flags)
                                                               : rect.left;
            continue;
        }
        const CKetrelFontGlyph* g = FindGlyph(c);
        if (!g)
            continue;
        layout.Glyph(g, (f32)pen + (f32)g->xoffset * scale, (f32)y + (f32)g->yoffset * scale);
        pen += KetrelTruncToInt((f32)g->xadvance * scale);
    }
}

// ---------------------------------------------------------------------------
// Entry points

void CKetrelBitmapFont::DrawText(const CKetrelRect* rect, IKetrelGraphicsContext* target,
                                 const CKetrelString& text, u32 colour, u32 flags,
                                 CKetrelTextBatch* out)
{
    CKetrelTextBatch local;
    CKetrelTextBatch& batch = out ? *out : local;
    batch.Clear();
    if (text.IsEmpty() || !target)
        return;
    CKetrelRect r = rect ? *rect : CKetrelRect(0, 0, target->GetWidth(), target->GetHeight());
    CKetrelRect targetClip;
    target->GetClipRect(&targetClip);
    if (r.right <= targetClip.left || r.left >= targetClip.right || r.bottom <= targetClip.top ||
        r.top >= targetClip.bottom)
        return;
    if (HasWideCharacter(text))
    {
        DrawSystemText(target, &r, CKetrelString("Arial"), GetLineHeight(), text, colour, flags);
        return;
    }
    int hardware = target->IsHardware();
    if (hardware == 0)
        DrawSoftware(r, static_cast<CKetrelSurface*>(target), text, colour, flags, batch);
    else if (hardware == 1 || hardware == 2)
        DrawGL(r, CKetrelGraphicsExt_GLES2::FromContext(target), target, text, colour, flags, batch);
}

void CKetrelBitmapFont::DrawTextRelative(const CKetrelRectF* rect, IKetrelGraphicsContext* target,
                                         const CKetrelString& text, u32 colour, u32 flags,
                                         CKetrelTextBatch* out)
{
    if (!target)
        return;
    if (!rect)
    {
        DrawText(nullptr, target, text, colour, flags, out);
        return;
    }
    CKetrelRect r(target->RelativeToPixelX(rect->left), target->RelativeToPixelY(rect->top),
                  target->RelativeToPixelX(rect->right), target->RelativeToPixelY(rect->bottom));
    DrawText(&r, target, text, colour, flags, out);
}

void CKetrelBitmapFont::DrawTextAt(i32 x, i32 y, IKetrelGraphicsContext* target,
                                   const CKetrelString& text, u32 colour, u32 flags,
                                   CKetrelTextBatch* out)
{
    if (!target)
        return;
    CKetrelRect r(x, y, target->GetWidth(), target->GetHeight());
    DrawText(&r, target, text, colour, flags, out);
}

void CKetrelBitmapFont::DrawTextAtRelative(const CKetrelVector2* point,
                                           IKetrelGraphicsContext* target,
                                           const CKetrelString& text, u32 colour, u32 flags,
                                           CKetrelTextBatch* out)
{
    if (!target)
        return;
    i32 x = point ? target->RelativeToPixelX(point->x) : 0;
    i32 y = point ? target->RelativeToPixelY(point->y) : 0;
    DrawTextAt(x, y, target, text, colour, flags, out);
}

// ---------------------------------------------------------------------------
// OpenGL ES

void CKetrelBitmapFont::BeginGL(CKetrelGraphicsExt_GLES2* extension)
{
    if (!extension)
        return;
    // Asked of the extension every time: a restored extension has new programs.
    m_program = (m_vertexFlags & KE_FONT_RGBA_PAGES) ? extension->GetSecondFontProgram()
                                                     : extension->GetFontProgram();
    if (!m_program)
        return;
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    extension->UseProgram(m_program, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    i32 scale = m_program->GetUniformLocation(CKetrelString("scale"));
    if (scale >= 0)
        glUniform2f(scale, extension->PixelToRelativeX(1) * m_scale,
                    extension->PixelToRelativeY(1) * m_scale);
    const char* names[3] = {"position", "uv", "offset"};
    for (const char* name : names)
    {
        i32 location = m_program->GetAttributeLocation(CKetrelString(name));
        if (location >= 0)
            glEnableVertexAttribArray((GLuint)location);
    }
    glActiveTexture(GL_TEXTURE0);
    m_glBegun = 1;
    m_beganOn = extension;
}

void CKetrelBitmapFont::EndGL()
{
    if (!m_glBegun)
        return;
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    if (m_program)
    {
        const char* names[3] = {"position", "uv", "offset"};
        for (const char* name : names)
        {
            i32 location = m_program->GetAttributeLocation(CKetrelString(name));
            if (location >= 0)
                glDisableVertexAttribArray((GLuint)location);
        }
    }
    m_glBegun = 0;
    m_beganOn = nullptr;
}

void CKetrelBitmapFont::DrawGL(const CKetrelRect& rect, CKetrelGraphicsExt_GLES2* ext,
                               IKetrelGraphicsContext* target, const CKetrelString& text,
                               u32 colour, u32 flags, CKetrelTextBatch& batch)
{
    if (!ext || (colour >> 24) == 0 || !m_vertices)
        return;
    if (!StartBatch(rect, target, colour, flags, batch))
        return;
    batch.m_software = false;

    struct Sink : Layout
    {
        CKetrelBitmapFont* font;
        CKetrelTextBatch* batch;
        CKetrelTextBatch::GLRecord* record = nullptr;
        u32 colour;
        f32 width, height;
        void Close() { record = nullptr; }
        void Colour(u32 c) override
        {
            if (record && record->count > 0)
                Close();
            colour = c;
            if (record)
                record->colour = c;
        }
        void Glyph(const CKetrelFontGlyph* g, f32 x, f32 y) override
        {
            const CKetrelFontPage* page = font->GetPage(g->page);
            u32 texture = page ? page->texture : 0;
            if (record && (record->count >= (u32)kGlyphsPerRecord || record->texture != texture))
                Close();
            if (!record)
            {
                record = new (std::nothrow) CKetrelTextBatch::GLRecord;
                if (!record)
                    return;
                record->colour = colour;
                record->count = 0;
                record->texture = texture;
                batch->m_records.Add(record);
            }
            const f32* source = font->m_vertices + (size_t)g->index * 16;
            f32 ox = 2.0f * (x / width) - 1.0f, oy = 1.0f - 2.0f * (y / height);
            u32 n = record->count;
            f32* v = record->vertices + n * 4 * 6;
            for (int k = 0; k < 4; ++k)
            {
                v[k * 6 + 0] = source[k * 4 + 0];
                v[k * 6 + 1] = source[k * 4 + 1];
                v[k * 6 + 2] = source[k * 4 + 2];
                v[k * 6 + 3] = source[k * 4 + 3];
                v[k * 6 + 4] = ox;
                v[k * 6 + 5] = oy;
            }
            u16* idx = record->indices + n * 6;
            u16 base = (u16)(n * 4);
            idx[0] = base;
            idx[1] = (u16)(base + 1);
            idx[2] = (u16)(base + 2);
            idx[3] = base;
            idx[4] = (u16)(base + 2);
            idx[5] = (u16)(base + 3);
            record->count = n + 1;
        }
    } sink;
    sink.font = this;
    sink.batch = &batch;
    sink.colour = colour;
    sink.width = (f32)(target->GetWidth() > 0 ? target->GetWidth() : 1);
    sink.height = (f32)(target->GetHeight() > 0 ? target->GetHeight() : 1);
    LayOut(rect, text, flags, m_scale, sink);

    bool began = m_glBegun == 0;
    if (began)
        BeginGL(ext);
    if (!m_program)
        return;
    CKetrelRect saved;
    target->GetClipRect(&saved);
    target->SetClipRect(&batch.clip);
    i32 position = m_program->GetAttributeLocation(CKetrelString("position"));
    i32 uv = m_program->GetAttributeLocation(CKetrelString("uv"));
    i32 offset = m_program->GetAttributeLocation(CKetrelString("offset"));
    i32 colourUniform = m_program->GetUniformLocation(CKetrelString("color"));
    bool haveColour = false;
    u32 lastColour = 0;
    for (i32 i = 0; i < batch.GetCount(); ++i)
    {
        CKetrelTextBatch::GLRecord* record = batch.GetGLRecord(i);
        ext->BindTexture(0, record->texture);
        if (position >= 0)
            glVertexAttribPointer((GLuint)position, 2, GL_FLOAT, GL_FALSE, 24, record->vertices);
        if (uv >= 0)
            glVertexAttribPointer((GLuint)uv, 2, GL_FLOAT, GL_FALSE, 24, record->vertices + 2);
        if (offset >= 0)
            glVertexAttribPointer((GLuint)offset, 2, GL_FLOAT, GL_FALSE, 24, record->vertices + 4);
        if (!haveColour || record->colour != lastColour)
        {
            f32 a = (f32)(record->colour >> 24) / 255.0f;
            f32 r = (f32)((record->colour >> 16) & 0xFF) / 255.0f;
            f32 g = (f32)((record->colour >> 8) & 0xFF) / 255.0f;
            f32 b = (f32)(record->colour & 0xFF) / 255.0f;
            if (colourUniform >= 0)
                glUniform4f(colourUniform, r * a, g * a, b * a, a);
            haveColour = true;
            lastColour = record->colour;
        }
        glDrawElements(GL_TRIANGLES, (GLsizei)(record->count * 6), GL_UNSIGNED_SHORT,
                       record->indices);
    }
    target->SetClipRect(&saved);
    if (began)
        EndGL();
}

// ---------------------------------------------------------------------------
// Software

void CKetrelBitmapFont::DrawSoftware(const CKetrelRect& rect, CKetrelSurface* target,
                                     const CKetrelString& text, u32 colour, u32 flags,
                                     CKetrelTextBatch& batch)
{
    if (!target->GetPixels() || target->GetPixelFormat() == KE_PF_RGB888)
        return;
    if (!StartBatch(rect, target, colour, flags, batch))
        return;
    batch.m_software = true;

    struct Sink : Layout
    {
        CKetrelBitmapFont* font;
        CKetrelTextBatch* batch;
        u32 colour;
        CKetrelRect bounds;      // where glyphs may be written
        void Colour(u32 c) override { colour = c; }
        void Glyph(const CKetrelFontGlyph* g, f32 fx, f32 fy) override
        {
            const CKetrelFontPage* page = font->GetPage(g->page);
            if (!page || !page->coverage)
                return;
            // Positions may lie anywhere: clamped, then clipped in 64 bits.
            i64 x = KetrelTruncToInt(fx), y = KetrelTruncToInt(fy), sx = 0, sy = 0;
            i64 w = g->width, h = g->height;
            if (x < bounds.left) { sx += bounds.left - x; w -= bounds.left - x; x = bounds.left; }
            if (y < bounds.top) { sy += bounds.top - y; h -= bounds.top - y; y = bounds.top; }
            if (x + w > bounds.right) w = bounds.right - x;
            if (y + h > bounds.bottom) h = bounds.bottom - y;
            if (w <= 0 || h <= 0)
                return;
            CKetrelTextBatch::SoftRecord* r = new (std::nothrow) CKetrelTextBatch::SoftRecord;
            if (!r)
                return;
            r->glyph = g;
            r->colour = colour;
            r->sourceX = (i32)sx;
            r->sourceY = (i32)sy;
            r->x = (i32)x;
            r->y = (i32)y;
            r->width = (i32)w;
            r->height = (i32)h;
            batch->m_records.Add(r);
        }
    } sink;
    sink.font = this;
    sink.batch = &batch;
    sink.colour = colour;
    // Without clipping, glyphs are still kept inside the surface itself.
    sink.bounds = (flags & KE_TEXT_NOCLIP) ? CKetrelRect(0, 0, target->GetWidth(), target->GetHeight())
                                           : batch.clip;
    LayOut(rect, text, flags, 1.0f, sink);
    BlitSoftRecords(target, batch);
}

namespace
{
inline u32 BlendChannel(u32 colour, u32 pixel, u32 a)
{
    return (colour * a + pixel * (65536u - a)) >> 16;
}
} // namespace

void CKetrelBitmapFont::BlitSoftRecords(CKetrelSurface* target, const CKetrelTextBatch& batch)
{
    const int format = target->GetPixelFormat();
    const bool blend = (batch.flags & KE_TEXT_BLEND) != 0;
    u8* pixels = target->Lock(nullptr, 0);
    if (!pixels)
        return;
    const i32 pitch = target->GetPitch();
    const u32* palette = nullptr;
    const u8* lookup = nullptr;
    if (format == KE_PF_INDEX8)
    {
        IKetrelApplication* owner = target->GetOwner();
        if (owner)
        {
            lookup = owner->GetColorLookup();
            palette = owner->GetPalette();
        }
        if (!lookup || !palette)
            return;
    }
    for (i32 i = 0; i < batch.GetCount(); ++i)
    {
        const CKetrelTextBatch::SoftRecord* r = batch.GetSoftRecord(i);
        const CKetrelFontPage* page = GetPage(r->glyph->page);
        if (!page || !page->coverage)
            continue;
        const u32 cr = (r->colour >> 16) & 0xFF, cg = (r->colour >> 8) & 0xFF, cb = r->colour & 0xFF;
        const u32 ca = r->colour >> 24;
        for (i32 y = 0; y < r->height; ++y)
        {
            const u8* cov = page->coverage + (size_t)(r->glyph->y + r->sourceY + y) * page->width +
                            r->glyph->x + r->sourceX;
            u8* row = pixels + (size_t)(r->y + y) * pitch;
            for (i32 x = 0; x < r->width; ++x)
            {
                u32 c = cov[x];
                if (c == 0)
                    continue;
                u32 a = c * ca;
                i32 dx = r->x + x;
                if (format == KE_PF_ARGB8888 || format == KE_PF_ABGR8888)
                {
                    u32* p = (u32*)(row + (size_t)dx * 4);
                    u32 lo = format == KE_PF_ARGB8888 ? cb : cr;   // lowest byte
                    u32 hi = format == KE_PF_ARGB8888 ? cr : cb;   // bits 16-23
                    if (!blend)
                        *p = hi << 16 | cg << 8 | lo;
                    else
                        *p = (*p & 0xFF000000u) | BlendChannel(hi, (*p >> 16) & 0xFF, a) << 16 |
                             BlendChannel(cg, (*p >> 8) & 0xFF, a) << 8 |
                             BlendChannel(lo, *p & 0xFF, a);
                }
                else if (format == KE_PF_RGB565 || format == KE_PF_RGB555 || format == KE_PF_RGB444)
                {
                    u16* p = (u16*)(row + (size_t)dx * 2);
                    u32 pr, pg, pb;
                    if (format == KE_PF_RGB565)
                    {
                        pr = (*p >> 11) << 3; pg = ((*p >> 5) & 63) << 2; pb = (*p & 31) << 3;
                    }
                    else if (format == KE_PF_RGB555)
                    {
                        pr = ((*p >> 10) & 31) << 3; pg = ((*p >> 5) & 31) << 3; pb = (*p & 31) << 3;
                    }
                    else
                    {
                        pr = ((*p >> 8) & 15) << 4; pg = ((*p >> 4) & 15) << 4; pb = (*p & 15) << 4;
                    }
                    u32 nr = blend ? BlendChannel(cr, pr, a) : cr;
                    u32 ng = blend ? BlendChannel(cg, pg, a) : cg;
                    u32 nb = blend ? BlendChannel(cb, pb, a) : cb;
                    if (format == KE_PF_RGB565)
                        *p = (u16)((nr >> 3) << 11 | (ng >> 2) << 5 | (nb >> 3));
                    else if (format == KE_PF_RGB555)
                        *p = (u16)((nr >> 3) << 10 | (ng >> 3) << 5 | (nb >> 3));
                    else
                        *p = (u16)((nr >> 4) << 8 | (ng >> 4) << 4 | (nb >> 4));
                }
                else if (format == KE_PF_INDEX8)
                {
                    u8* p = row + dx;
                    u32 old = palette[*p];
                    u32 nr = blend ? BlendChannel(cr, (old >> 16) & 0xFF, a) : cr;
                    u32 ng = blend ? BlendChannel(cg, (old >> 8) & 0xFF, a) : cg;
                    u32 nb = blend ? BlendChannel(cb, old & 0xFF, a) : cb;
                    *p = lookup[(nr >> 4) << 8 | (ng >> 4) << 4 | (nb >> 4)];
                }
            }
        }
    }
    target->UpdateTexture();
}
