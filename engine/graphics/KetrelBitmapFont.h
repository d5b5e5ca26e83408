#pragma once
#include "engine/KetrelID.h"
#include "engine/KetrelMath.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "engine/KetrelVector.h"

class CKetrel3DProgram;
class CKetrelGraphicsExt_GLES2;
class CKetrelMediaPack;
class CKetrelSurface;
class CKetrelXMLDataNode;
class IKetrelApplication;
class IKetrelGraphicsContext;

// Text flags (passed in the same word as the blit flags).
enum : u32
{
    KE_TEXT_NOCLIP      = 0x10,      // software: glyphs are not clipped
    KE_TEXT_BLEND       = 0x80,      // software: coverage blended by the colour's alpha
    KE_TEXT_CENTER_X    = 0x100,     // centred horizontally in the rect
    KE_TEXT_CENTER_Y    = 0x200,     // centred vertically in the rect
    KE_TEXT_RIGHT       = 0x40000,   // right-aligned
    KE_TEXT_MULTILINE   = 0x80000,   // CR and LF break lines; long lines wrap at spaces
    KE_TEXT_MEASURE     = 0x100000,  // system font: measure only
    KE_TEXT_NO_MARKUP   = 0x400000   // "$COLOR=0x..." is laid out as plain text
};

// Load flag: the pages keep their own RGBA texture and the second font program
// draws them (instead of an alpha texture of their coverage).
enum : u32 { KE_FONT_RGBA_PAGES = 1 };

// One page image of a font.
struct CKetrelFontPage
{
    CKetrelString fileName;
    u8* coverage;            // width x height bytes, kept for drawing in software
    i32 width;
    i32 height;
    CKetrelSurface* image;   // owned
    u32 texture;             // GL name, 0 = none
};

// One glyph: its rectangle on its page, where it is drawn from the pen and how
// far the pen then moves.
struct CKetrelFontGlyph
{
    i32 code, x, y, width, height, xoffset, yoffset, xadvance, page, unused, index;
};

// A text already rendered by the system font, on the font's cache surface.
struct CKetrelSystemTextEntry
{
    CKetrelString text;      // without colour markup
    i32 left, top, right, bottom;
    u32 colour;              // 0xAARRGGBB it was rendered with
    i32 pixelSize;           // the rest of what shapes the picture
    i32 layoutWidth;
    u32 alignment;           // KE_TEXT_CENTER_X or KE_TEXT_RIGHT bits
};

// What DrawText laid out: the target, the clip and the glyph records (up to 64
// glyphs of one page and one colour per record on OpenGL ES, one per glyph in
// software). A caller may keep it to look at the layout; Clear empties it.
class CKetrelTextBatch
{
public:
    struct GLRecord
    {
        u32 colour;
        u32 count;
        u32 texture;
        f32 vertices[64 * 4 * 6];   // x, y, u, v, offset x, offset y
        u16 indices[64 * 6];
    };
    struct SoftRecord
    {
        const CKetrelFontGlyph* glyph;
        u32 colour;
        i32 sourceX, sourceY;       // first coverage byte, within the glyph
        i32 x, y;                   // destination
        i32 width, height;          // visible part
    };

    CKetrelTextBatch();
    ~CKetrelTextBatch();
    void Clear();

    i32 GetCount() const { return m_records.GetCount(); }
    bool IsSoftware() const { return m_software; }
    GLRecord* GetGLRecord(i32 index) const
    { return m_software ? nullptr : (GLRecord*)m_records.GetAt(index); }
    SoftRecord* GetSoftRecord(i32 index) const
    { return m_software ? (SoftRecord*)m_records.GetAt(index) : nullptr; }

    IKetrelGraphicsContext* target;
    u32 colour;
    CKetrelRect clip;
    u32 flags;

private:
    friend class CKetrelBitmapFont;
    CKetrelTextBatch(const CKetrelTextBatch&) = delete;
    CKetrelTextBatch& operator=(const CKetrelTextBatch&) = delete;
    CKetrelPtrArray m_records;      // GLRecord* or SoftRecord*, owned
    bool m_software;
};

// A bitmap font: glyph rectangles on page images from an XML descriptor (or
// the built-in default font), drawn as batched textured quads on the OpenGL ES
// renderer or from the pages' coverage on a software surface. Text can carry
// colour markup ("$COLOR=0x" and 8 hex digits), be aligned, centred and
// wrapped. Any text with a character above 255 is drawn and measured by the
// system font ("Arial" through Pango) instead, cached on a surface of its own.
// Main thread only. The owner application must outlive the font.
class CKetrelBitmapFont : public CKetrelID
{
public:
    CKetrelBitmapFont();
    ~CKetrelBitmapFont() override;          // Release
    void Release();

    // Loaders. 2 without an owner (or pack, or entry); the file's open error;
    // 8 for an incomplete descriptor, 4 without glyphs; a page image's error.
    // A failed load leaves what was read; Release it.
    int LoadFromFile(IKetrelApplication* owner, const CKetrelString& path, u32 flags);
    int LoadFromPack(IKetrelApplication* owner, CKetrelMediaPack* pack,
                     const CKetrelString& entryName, u32 flags);
    // The built-in default font: 218 glyphs, line height 10, id "default-font".
    int CreateDefault(IKetrelApplication* owner);

    // Glyphs that are outside 0..65535, name a page that does not exist or a
    // rectangle outside their page image are dropped.
    int ParseDescriptor(const CKetrelXMLDataNode* root);
    int LoadPages(CKetrelMediaPack* pack, u32 flags);
    int BuildPageTexture(CKetrelSurface* image, CKetrelFontPage* page, u32 flags);
    int BuildVertexArray(u32 flags);
    // After the GL context was re-created / before it goes.
    int ReloadTextures();
    void ReleaseTextures();

    // rect: where the text goes (null: the whole target). out, when given,
    // receives the layout; otherwise it is made and dropped here.
    void DrawText(const CKetrelRect* rect, IKetrelGraphicsContext* target,
                  const CKetrelString& text, u32 colour, u32 flags, CKetrelTextBatch* out = nullptr);
    void DrawTextRelative(const CKetrelRectF* rect, IKetrelGraphicsContext* target,
                          const CKetrelString& text, u32 colour, u32 flags,
                          CKetrelTextBatch* out = nullptr);
    void DrawTextAt(i32 x, i32 y, IKetrelGraphicsContext* target, const CKetrelString& text,
                    u32 colour, u32 flags, CKetrelTextBatch* out = nullptr);
    void DrawTextAtRelative(const CKetrelVector2* point, IKetrelGraphicsContext* target,
                            const CKetrelString& text, u32 colour, u32 flags,
                            CKetrelTextBatch* out = nullptr);

    // On entry rect gives left, top and the width available; on return right
    // and bottom enclose the wrapped text.
    void MeasureText(CKetrelRect* rect, const CKetrelString& text);
    i32 GetTextWidth(const CKetrelString& text, u32 flags);
    // A copy of text with line breaks put where DrawText breaks it in rect.
    void WrapText(const CKetrelRect& rect, CKetrelString& text, u32 flags) const;

    i32 GetLineHeight() const { return KetrelTruncToInt((f32)m_lineHeight * m_scale); }
    void SetScale(f32 scale) { m_scale = scale; }
    f32 GetScale() const { return m_scale; }
    int IsSupported() const { return 1; }
    i32 GetGlyphCount() const { return m_glyphCount; }
    i32 GetPageCount() const { return m_pages.GetCount(); }
    const CKetrelFontPage* GetPage(i32 index) const
    { return (const CKetrelFontPage*)m_pages.GetAt(index); }
    // Null when the font has no glyph for code.
    const CKetrelFontGlyph* FindGlyph(u32 code) const;

    // The GL state for glyph drawing; DrawText brackets itself with them unless
    // the caller began the state.
    void BeginGL(CKetrelGraphicsExt_GLES2* extension);
    void EndGL();

    // When text[index] begins a complete colour markup (all 17 characters, 8 hex
    // digits), 1 with its colour in colour; else 0.
    static int ReadColorMarkup(const CKetrelString& text, i32 index, u32* colour);

    // ---- system fonts ----
    // Draws (or with KE_TEXT_MEASURE only measures into rect) text in the
    // system font. Nothing for a pixel size of 2 or less.
    int DrawSystemText(IKetrelGraphicsContext* target, CKetrelRect* rect,
                       const CKetrelString& family, i32 pixelSize, const CKetrelString& text,
                       u32 colour, u32 flags);
    int SetSystemFont(const CKetrelString& family, i32 pixelSize);
    void MeasureSystemText(CKetrelRect* rect, const CKetrelString& text, i32 pixelSize, u32 flags);
    void RenderSystemText(CKetrelSurface* cache, const CKetrelRect* area,
                          const CKetrelString& text, i32 pixelSize, u32 colour, u32 flags);
    static void StripColorMarkup(const CKetrelString& text, CKetrelString& out);
    int FindCachedText(IKetrelGraphicsContext* target, CKetrelRect* rect,
                       const CKetrelString& text, u32 colour, u32 flags);
    void BlitCachedText(IKetrelGraphicsContext* target, const CKetrelSystemTextEntry* entry,
                        const CKetrelRect* rect, u32 flags);
    // Multiplies every channel of the 32-bit pixels in area (clamped to the
    // surface) by the colour's matching channel / 255. Other formats: nothing.
    // The texture is not refreshed.
    static void TintPixels(CKetrelSurface* surface, const CKetrelRect& area, u32 colour);
    int CreateTextCache(i32 width, i32 height);
    void ClearTextCache();
    CKetrelSurface* GetTextCacheSurface() const { return m_cacheSurface; }
    i32 GetTextCacheCount() const { return m_cacheEntries.GetCount(); }
    const CKetrelSystemTextEntry* GetTextCacheEntry(i32 index) const
    { return (const CKetrelSystemTextEntry*)m_cacheEntries.GetAt(index); }
    // Texts rendered by the system font so far (cache misses).
    u32 GetSystemRenderCount() const { return m_systemRenders; }

private:
    CKetrelBitmapFont(const CKetrelBitmapFont&) = delete;
    CKetrelBitmapFont& operator=(const CKetrelBitmapFont&) = delete;

    struct Layout;
    void ReleasePages();
    void BuildLookup();
    bool HasWideCharacter(const CKetrelString& text) const;
    i32 LineOriginX(const CKetrelRect& rect, const CKetrelString& wrapped, i32 start, u32 flags);
    void LayOut(const CKetrelRect& rect, const CKetrelString& text, u32 flags, f32 scale,
                Layout& layout);
    void DrawGL(const CKetrelRect& rect, CKetrelGraphicsExt_GLES2* ext,
                IKetrelGraphicsContext* target, const CKetrelString& text, u32 colour, u32 flags,
                CKetrelTextBatch& batch);
    void DrawSoftware(const CKetrelRect& rect, CKetrelSurface* target, const CKetrelString& text,
                      u32 colour, u32 flags, CKetrelTextBatch& batch);
    void BlitSoftRecords(CKetrelSurface* target, const CKetrelTextBatch& batch);
    int LoadDescriptor(CKetrelXMLDataNode& root, CKetrelMediaPack* pack, u32 flags);
    void DeleteCacheEntries();
    i32 ScreenSide() const;

    IKetrelApplication* m_owner;
    CKetrelPtrArray m_pages;            // CKetrelFontPage*, owned
    i32 m_bold;
    i32 m_lineHeight;
    i32 m_glyphCount;
    CKetrelFontGlyph* m_glyphs;         // owned
    CKetrelFontGlyph* m_lookup[256];    // by code below 256; null: no glyph
    u32 m_glBegun;
    f32* m_vertices;                    // 16 floats per glyph, owned
    f32 m_scale;
    CKetrel3DProgram* m_program;        // the extension's, not owned
    CKetrelGraphicsExt_GLES2* m_beganOn;
    CKetrelPtrArray m_cacheEntries;     // CKetrelSystemTextEntry*, owned
    CKetrelSurface* m_cacheSurface;     // owned
    void* m_pangoLayout;                // PangoLayout*, owned reference
    i32 m_layoutPixelSize;
    i32 m_keyPixelSize;                 // what the cache look-up compares besides
    i32 m_keyWidth;                     // text and colour
    u32 m_systemRenders;
    u32 m_vertexFlags;
};
