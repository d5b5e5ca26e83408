// Loading, glyph look-up, measuring and wrapping of bitmap fonts. Drawing is in
// KetrelBitmapFontDraw.cpp, the system-font half in KetrelSystemFont.cpp.
#include "engine/graphics/KetrelBitmapFont.h"
#include "engine/KetrelApplication.h"
#include "engine/KetrelDataScrambler.h"
#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelXMLDataNode.h"
#include "engine/graphics/Ketrel3DProgram.h"
#include "engine/graphics/KetrelBitmapFontDefaultData.h"
#include "engine/graphics/KetrelGraphicsExt_GLES2.h"
#include "engine/graphics/KetrelSurface.h"

#include <GLES2/gl2.h>
#include <cstring>
#include <new>

namespace
{
const char kMarkup[] = "$COLOR=0x";
const i32 kMarkupLength = 17;

int HexDigit(u16 c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline bool IsBreak(u16 c) { return c == '\r' || c == '\n'; }
inline bool IsSpace(u16 c) { return c == ' ' || c == '\t'; }
} // namespace

// ---------------------------------------------------------------------------
// Text batch

CKetrelTextBatch::CKetrelTextBatch()
    : target(nullptr), colour(0), flags(0), m_software(false)
{
}

CKetrelTextBatch::~CKetrelTextBatch()
{
    Clear();
}

void CKetrelTextBatch::Clear()
{
    for (i32 i = 0; i < m_records.GetCount(); ++i)
    {
        if (m_software)
            delete (SoftRecord*)m_records.GetAt(i);
        else
            delete (GLRecord*)m_records.GetAt(i);
    }
    m_records.RemoveAll();
    m_software = false;
    target = nullptr;
}

// ---------------------------------------------------------------------------
// Life cycle

CKetrelBitmapFont::CKetrelBitmapFont()
    : m_owner(nullptr), m_bold(0), m_lineHeight(0), m_glyphCount(0), m_glyphs(nullptr),
      m_glBegun(0), m_vertices(nullptr), m_scale(1.0f), m_program(nullptr), m_beganOn(nullptr),
      m_cacheSurface(nullptr), m_pangoLayout(nullptr), m_layoutPixelSize(0), m_keyPixelSize(0), m_keyWidth(0),
      m_systemRenders(0),
      m_vertexFlags(0)
{
    std::memset(m_lookup, 0, sizeof(m_lookup));
}

CKetrelBitmapFont::~CKetrelBitmapFont()
{
    Release();
}

void CKetrelBitmapFont::ReleasePages()
{
    for (i32 i = 0; i < m_pages.GetCount(); ++i)
    {
        CKetrelFontPage* page = (CKetrelFontPage*)m_pages.GetAt(i);
        delete[] page->coverage;
        if (page->texture)
            glDeleteTextures(1, &page->texture);
        if (page->image)
        {
            page->image->Release();
            delete page->image;
        }
        delete page;
    }
    m_pages.RemoveAll();
}

void CKetrelBitmapFont::Release()
{
    delete[] m_glyphs;
    m_glyphs = nullptr;
    m_glyphCount = 0;
    std::memset(m_lookup, 0, sizeof(m_lookup));
    ReleasePages();
    DeleteCacheEntries();
    if (m_cacheSurface)
    {
        m_cacheSurface->Release();
        delete m_cacheSurface;
        m_cacheSurface = nullptr;
    }
    SetSystemFont(CKetrelString(), 0);   // drops the layout
    delete[] m_vertices;
    m_vertices = nullptr;
    m_program = nullptr;
}

// ---------------------------------------------------------------------------
// Loading

int CKetrelBitmapFont::LoadDescriptor(CKetrelXMLDataNode& root, CKetrelMediaPack* pack, u32 flags)
{
    int rc = ParseDescriptor(&root);
    if (rc == KE_OK)
        rc = LoadPages(pack, flags);
    if (rc == KE_OK)
        rc = BuildVertexArray(flags);
    return rc;
}

int CKetrelBitmapFont::LoadFromFile(IKetrelApplication* owner, const CKetrelString& path, u32 flags)
{
    if (!owner)
        return KE_ERR_ARGUMENT;
    m_owner = owner;
    CKetrelFile file;
    int rc = file.Open(path, KE_FILE_READ);
    if (rc != KE_OK)
        return rc;
    CKetrelXMLDataNode root;
    rc = root.Load(&file, 0);
    file.Close();
    if (rc != KE_OK)
        return rc;
    rc = LoadDescriptor(root, nullptr, flags);
    if (rc == KE_OK)
        SetID(path);
    return rc;
}

int CKetrelBitmapFont::LoadFromPack(IKetrelApplication* owner, CKetrelMediaPack* pack,
                                    const CKetrelString& entryName, u32 flags)
{
    if (!owner || !pack || pack->GetEntryCount() == 0 || !pack->GetFile())
        return KE_ERR_ARGUMENT;
    m_owner = owner;
    u32 size = pack->SeekEntry(entryName, 0);
    if (size == 0)
        return KE_ERR_ARGUMENT;
    u8* buffer = new (std::nothrow) u8[size];
    if (!buffer)
        return KE_ERR_MEMORY;
    u32 got = pack->GetFile()->Read(buffer, size);
    const CKetrelString* key = pack->GetKey();
    if (key && !key->IsEmpty())
    {
        CKetrelDataScrambler scrambler;
        scrambler.Descramble(buffer, got, *key);
    }
    CKetrelXMLDataNode root;
    int rc = got ? root.Parse((char*)buffer, got) : KE_ERR_NOT_FOUND;
    delete[] buffer;
    if (rc != KE_OK)
        return rc;
    rc = LoadDescriptor(root, pack, flags);
    if (rc == KE_OK)
        SetID(entryName);
    return rc;
}

int CKetrelBitmapFont::ParseDescriptor(const CKetrelXMLDataNode* root)
{
    if (!root)
        return KE_ERR_NOT_FOUND;
    const CKetrelXMLDataNode* chars = root->FindPath("font/chars");
    const CKetrelXMLDataNode* pages = root->FindPath("font/pages");
    const CKetrelXMLDataNode* common = root->FindPath("font/common");
    if (!chars || !pages || pages->GetChildCount() == 0 || !common)
        return KE_ERR_NOT_FOUND;
    i32 lineHeight = common->GetInt("$lineHeight", 0);
    if (lineHeight == 0)
        return KE_ERR_NOT_FOUND;
    i32 count = chars->GetInt("$count", -1);
    if (count < 1)
        return KE_ERR_FORMAT;

    Release();
    m_lineHeight = lineHeight;
    m_bold = root->GetInt("font/info/$bold", 0);

    // Pages: every child counts, in order.
    for (const CKetrelXMLDataNode* p = pages->GetFirstChild(); p; p = p->GetNextSibling())
    {
        if (p->IsValueNode())
            continue;
        CKetrelFontPage* page = new (std::nothrow) CKetrelFontPage();
        if (!page)
            return KE_ERR_MEMORY;
        page->coverage = nullptr;
        page->width = page->height = 0;
        page->image = nullptr;
        page->texture = 0;
        page->fileName.FromUTF8(p->GetString("$file", ""));
        m_pages.Add(page);
    }

    // The count comes from the file: never trust it for more than the children.
    i32 children = 0;
    for (const CKetrelXMLDataNode* c = chars->GetFirstChild(); c; c = c->GetNextSibling())
        if (!c->IsValueNode() && c->GetName() && std::strcmp(c->GetName(), "char") == 0)
            ++children;
    i32 wanted = count < children ? count : children;
    m_glyphs = new (std::nothrow) CKetrelFontGlyph[wanted > 0 ? wanted : 1];
    if (!m_glyphs)
        return KE_ERR_MEMORY;
    i32 taken = 0, seen = 0;
    for (const CKetrelXMLDataNode* c = chars->GetFirstChild(); c && seen < count;
         c = c->GetNextSibling())
    {
        if (c->IsValueNode() || !c->GetName() || std::strcmp(c->GetName(), "char") != 0)
            continue;
        ++seen;
        CKetrelFontGlyph g;
        g.code = c->GetInt("$id", 0);
        g.x = c->GetInt("$x", -1);
        g.y = c->GetInt("$y", -1);
        g.width = c->GetInt("$width", -1);
        g.height = c->GetInt("$height", -1);
        g.page = c->GetInt("$page", 0);
        g.xoffset = c->GetInt("$xoffset", 0);
        g.yoffset = c->GetInt("$yoffset", 0);
        g.xadvance = c->GetInt("$xadvance", 0);
        g.unused = 0;
        g.index = taken;
        // A glyph that names no real page or character, or whose rectangle is
        // negative, would be read out of bounds: it is dropped.
        if (g.code < 0 || g.code > 0xFFFF || g.page < 0 || g.page >= m_pages.GetCount() ||
            g.x < 0 || g.y < 0 || g.width < 0 || g.height < 0 || g.width > 0x10000 ||
            g.height > 0x10000)
            continue;
        m_glyphs[taken++] = g;
    }
    m_glyphCount = taken;
    BuildLookup();
    return KE_OK;
}

void CKetrelBitmapFont::BuildLookup()
{
    std::memset(m_lookup, 0, sizeof(m_lookup));
    for (i32 i = 0; i < m_glyphCount; ++i)
    {
        CKetrelFontGlyph& g = m_glyphs[i];
        g.index = i;
        if (g.code < 256 && !m_lookup[g.code])
            m_lookup[g.code] = &g;
    }
}

const CKetrelFontGlyph* CKetrelBitmapFont::FindGlyph(u32 code) const
{
    if (code < 256)
        return m_lookup[code];
    for (i32 i = 0; i < m_glyphCount; ++i)
        if ((u32)m_glyphs[i].code == code)
            return &m_glyphs[i];
    return nullptr;
}

int CKetrelBitmapFont::LoadPages(CKetrelMediaPack* pack, u32 flags)
{
    for (i32 i = 0; i < m_pages.GetCount(); ++i)
    {
        CKetrelFontPage* page = (CKetrelFontPage*)m_pages.GetAt(i);
        CKetrelSurface* image = new (std::nothrow) CKetrelSurface();
        if (!image)
            return KE_ERR_MEMORY;
        int rc;
        if (pack)
            rc = image->LoadFromPack(m_owner, pack, page->fileName, 0, nullptr);
        else
        {
            rc = image->LoadFromFile(m_owner, page->fileName, nullptr);
            if (rc != KE_OK && m_owner)
            {
                CKetrelString path;
                m_owner->GetAppFilePath(path, page->fileName);
                rc = image->LoadFromFile(m_owner, path, nullptr);
            }
        }
        if (rc == KE_OK)
            rc = BuildPageTexture(image, page, flags);
        if (rc != KE_OK)
        {
            image->Release();
            delete image;
            return rc;
        }
    }

    // Glyphs whose rectangle leaves their page image are dropped: drawing reads
    // the page's coverage by that rectangle.
    i32 kept = 0;
    for (i32 i = 0; i < m_glyphCount; ++i)
    {
        const CKetrelFontGlyph& g = m_glyphs[i];
        const CKetrelFontPage* page = (const CKetrelFontPage*)m_pages.GetAt(g.page);
        if (!page || (i64)g.x + g.width > page->width || (i64)g.y + g.height > page->height)
            continue;
        m_glyphs[kept++] = g;
    }
    m_glyphCount = kept;
    BuildLookup();
    if (m_glyphCount == 0)
        return KE_ERR_FORMAT;
    return KE_OK;
}

int CKetrelBitmapFont::BuildPageTexture(CKetrelSurface* image, CKetrelFontPage* page, u32 flags)
{
    if (!image || !page)
        return KE_ERR_ARGUMENT;
    if (page->image != image)
    {
        if (page->image)
        {
            page->image->Release();
            delete page->image;
        }
        page->image = image;
    }
    page->width = image->GetWidth();
    page->height = image->GetHeight();

    // The coverage stays with the page: the software path draws from it.
    if (!page->coverage)
    {
        page->coverage = new (std::nothrow) u8[(size_t)page->width * (size_t)page->height + 1];
        if (!page->coverage)
            return KE_ERR_MEMORY;
        for (i32 y = 0; y < page->height; ++y)
            for (i32 x = 0; x < page->width; ++x)
                page->coverage[(size_t)y * page->width + x] = (u8)(image->GetPixel(x, y) & 0xFF);
    }

    if (page->texture && !(flags & KE_FONT_RGBA_PAGES))
        glDeleteTextures(1, &page->texture);
    page->texture = 0;
    if (flags & KE_FONT_RGBA_PAGES)
    {
        if (image->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0) == KE_OK)
            page->texture = image->GetTextureName();
    }
    else
    {
        glGenTextures(1, &page->texture);
        if (page->texture)
        {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, page->texture);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, page->width, page->height, 0, GL_ALPHA,
                         GL_UNSIGNED_BYTE, page->coverage);
        }
    }
    if (page->texture)
    {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, page->texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return KE_OK;
}

int CKetrelBitmapFont::BuildVertexArray(u32 flags)
{
    delete[] m_vertices;
    m_vertices = new (std::nothrow) f32[(size_t)(m_glyphCount > 0 ? m_glyphCount : 1) * 16];
    if (!m_vertices)
        return KE_ERR_MEMORY;
    for (i32 i = 0; i < m_glyphCount; ++i)
    {
        const CKetrelFontGlyph& g = m_glyphs[i];
        const CKetrelFontPage* page = (const CKetrelFontPage*)m_pages.GetAt(g.page);
        f32 pw = page && page->width > 0 ? (f32)page->width : 1.0f;
        f32 ph = page && page->height > 0 ? (f32)page->height : 1.0f;
        f32 w = (f32)g.width, h = (f32)g.height;
        f32 u0 = (f32)g.x / pw, v0 = (f32)g.y / ph;
        f32 u1 = (f32)(g.x + g.width) / pw, v1 = (f32)(g.y + g.height) / ph;
        const f32 quad[16] = {0.0f, 0.0f, u0, v0,       0.0f, -2 * h, u0, v1,
                              2 * w, -2 * h, u1, v1,    2 * w, 0.0f, u1, v0};
        std::memcpy(m_vertices + (size_t)i * 16, quad, sizeof(quad));
    }
    m_vertexFlags = flags;
    CKetrelGraphicsExt_GLES2* ext =
        m_owner ? CKetrelGraphicsExt_GLES2::FromContext(m_owner->GetGraphicsContext()) : nullptr;
    m_program = ext ? ((flags & KE_FONT_RGBA_PAGES) ? ext->GetSecondFontProgram()
                                                    : ext->GetFontProgram())
                    : nullptr;
    return KE_OK;
}

int CKetrelBitmapFont::ReloadTextures()
{
    int result = KE_OK;
    for (i32 i = 0; i < m_pages.GetCount(); ++i)
    {
        CKetrelFontPage* page = (CKetrelFontPage*)m_pages.GetAt(i);
        page->texture = 0;   // the old name died with the old context
        if (page->image)
        {
            int rc = BuildPageTexture(page->image, page, 0);
            if (rc != KE_OK && result == KE_OK)
                result = rc;
        }
    }
    int rc = BuildVertexArray(0);
    if (result == KE_OK)
        result = rc;
    if (m_cacheSurface)
        m_cacheSurface->RecreateTexture();
    return result;
}

void CKetrelBitmapFont::ReleaseTextures()
{
    delete[] m_vertices;
    m_vertices = nullptr;
    for (i32 i = 0; i < m_pages.GetCount(); ++i)
    {
        CKetrelFontPage* page = (CKetrelFontPage*)m_pages.GetAt(i);
        if (page->image && page->texture == page->image->GetTextureName())
            page->image->ReleaseTexture();
        else if (page->texture)
            glDeleteTextures(1, &page->texture);
        page->texture = 0;
    }
    if (m_cacheSurface)
        m_cacheSurface->ReleaseTexture();
}

int CKetrelBitmapFont::CreateDefault(IKetrelApplication* owner)
{
    if (!owner)
        return KE_ERR_ARGUMENT;
    Release();
    m_owner = owner;
    m_lineHeight = KetrelDefaultFont::kLineHeight;
    m_glyphs = new (std::nothrow) CKetrelFontGlyph[KetrelDefaultFont::kGlyphCount];
    CKetrelFontPage* page = new (std::nothrow) CKetrelFontPage();
    CKetrelSurface* image = new (std::nothrow) CKetrelSurface();
    if (!m_glyphs || !page || !image)
    {
        delete page;
        delete image;
        return KE_ERR_MEMORY;
    }
    page->fileName = CKetrelString("default_font_image.png");
    page->coverage = nullptr;
    page->width = page->height = 0;
    page->image = nullptr;
    page->texture = 0;
    m_pages.Add(page);
    for (i32 i = 0; i < KetrelDefaultFont::kGlyphCount; ++i)
    {
        const i32* r = KetrelDefaultFont::kGlyphs[i];
        CKetrelFontGlyph& g = m_glyphs[i];
        g.code = r[0];
        g.x = r[1];
        g.y = r[2];
        g.width = r[3];
        g.height = r[4];
        g.xoffset = r[5];
        g.yoffset = r[6];
        g.xadvance = r[7];
        g.page = 0;
        g.unused = 0;
        g.index = i;
    }
    m_glyphCount = KetrelDefaultFont::kGlyphCount;
    BuildLookup();
    int rc = image->LoadFromMemory(owner, KetrelDefaultFont::kPageImage,
                                   KetrelDefaultFont::kPageImageSize, nullptr);
    if (rc == KE_OK)
        rc = BuildPageTexture(image, page, 0);
    else
    {
        image->Release();
        delete image;
    }
    if (rc == KE_OK)
        rc = BuildVertexArray(0);
    if (rc == KE_OK)
        SetID(CKetrelString("default-font"));
    return rc;
}

// ---------------------------------------------------------------------------
// Markup, measuring and wrapping

int CKetrelBitmapFont::ReadColorMarkup(const CKetrelString& text, i32 index, u32* colour)
{
    if (index < 0 || index + kMarkupLength > text.GetLength())
        return 0;
    for (i32 k = 0; k < 9; ++k)
        if (text.GetAt(index + k) != (u16)kMarkup[k])
            return 0;
    u32 value = 0;
    for (i32 k = 9; k < kMarkupLength; ++k)
    {
        int digit = HexDigit(text.GetAt(index + k));
        if (digit < 0)
            return 0;
        value = value << 4 | (u32)digit;
    }
    if (colour)
        *colour = value;
    return 1;
}

bool CKetrelBitmapFont::HasWideCharacter(const CKetrelString& text) const
{
    for (i32 i = 0; i < text.GetLength(); ++i)
        if (text.GetAt(i) > 255)
            return true;
    return false;
}

void CKetrelBitmapFont::WrapText(const CKetrelRect& rect, CKetrelString& text, u32 flags) const
{
    const bool multiline = (flags & KE_TEXT_MULTILINE) != 0;
    const bool markup = (flags & KE_TEXT_NO_MARKUP) == 0;
    // Advances come from the descriptor: sums are kept in 64 bits and every scaled
    // width is clamped into the i32 range before it is converted.
    i64 w = 0;
    i32 breakIndex = -1;
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        if (markup && ReadColorMarkup(text, i, nullptr))
        {
            i += kMarkupLength - 1;
            continue;
        }
        u16 c = text.GetAt(i);
        if (IsBreak(c))
        {
            if (multiline)
            {
                w = 0;
                breakIndex = -1;
                continue;
            }
            text.SetAt(i, ' ');
            c = ' ';
        }
        const CKetrelFontGlyph* g = FindGlyph(c);
        if (!g)
        {
            // A space or tab the font cannot draw is still a place to break.
            if (IsSpace(c))
                breakIndex = i;
            continue;
        }
        if ((i64)KetrelTruncToInt((f32)(w + g->xadvance) * m_scale) + rect.left > rect.right &&
            breakIndex >= 0 && multiline)
        {
            text.SetAt(breakIndex, '\n');
            i = breakIndex;
            w = 0;
            breakIndex = -1;
            continue;
        }
        w += g->xadvance;
        if (IsSpace(c))
            breakIndex = i;
    }
}

void CKetrelBitmapFont::MeasureText(CKetrelRect* rect, const CKetrelString& text)
{
    if (!rect)
        return;
    if (HasWideCharacter(text))
    {
        CKetrelRect measured = *rect;
        DrawSystemText(nullptr, &measured, CKetrelString("Arial"), GetLineHeight(), text, 0,
                       KE_TEXT_MEASURE);
        const i64 width = (i64)measured.right - measured.left;
        const i64 height = (i64)measured.bottom - measured.top;
        rect->right = KetrelSaturateToInt(rect->left + width);
        rect->bottom = KetrelSaturateToInt(rect->top + height);
        return;
    }
    // Line height and advances come from the descriptor: sums are kept in 64 bits
    // and every scaled value is clamped into the i32 range before it is converted.
    const i64 available = (i64)rect->right - rect->left;
    const i32 lineStep = GetLineHeight();
    i64 y = rect->top, widest = 0, w = 0;
    i32 breakIndex = -1;
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        if (ReadColorMarkup(text, i, nullptr))
        {
            i += kMarkupLength - 1;
            continue;
        }
        u16 c = text.GetAt(i);
        if (IsBreak(c))
        {
            y += lineStep;
            const i32 line = KetrelTruncToInt((f32)w * m_scale);
            if (line > widest)
                widest = line;
            w = 0;
            breakIndex = -1;
            continue;
        }
        const CKetrelFontGlyph* g = FindGlyph(c);
        if (!g)
        {
            if (IsSpace(c))
                breakIndex = i;
            continue;
        }
        if (KetrelTruncToInt((f32)(w + g->xadvance) * m_scale) <= available)
        {
            w += g->xadvance;
            const i32 line = KetrelTruncToInt((f32)w * m_scale);
            if (line > widest)
                widest = line;
            if (IsSpace(c))
                breakIndex = i;
        }
        else if (breakIndex >= 0)
        {
            widest = available;
            y += lineStep;
            i = breakIndex;
            w = 0;
            breakIndex = -1;
        }
    }
    const i32 last = KetrelTruncToInt((f32)w * m_scale);
    rect->right = KetrelSaturateToInt(rect->left + (last > widest ? last : widest));
    rect->bottom = KetrelSaturateToInt(y + lineStep);
}

i32 CKetrelBitmapFont::GetTextWidth(const CKetrelString& text, u32 flags)
{
    if (text.IsEmpty())
        return 0;
    if (HasWideCharacter(text))
    {
        CKetrelRect measured(0, 0, 0x7FFF, 0x7FFF);
        DrawSystemText(nullptr, &measured, CKetrelString("Arial"), GetLineHeight(), text, 0,
                       flags | KE_TEXT_MEASURE);
        return measured.right - measured.left;
    }
    const bool markup = (flags & KE_TEXT_NO_MARKUP) == 0;
    const bool multiline = (flags & KE_TEXT_MULTILINE) != 0;
    i64 widest = 0, line = 0;
    for (i32 i = 0; i < text.GetLength(); ++i)
    {
        if (markup && ReadColorMarkup(text, i, nullptr))
        {
            i += kMarkupLength - 1;
            continue;
        }
        u16 c = text.GetAt(i);
        if (multiline && IsBreak(c))
        {
            if (line > widest)
                widest = line;
            line = 0;
            continue;
        }
        const CKetrelFontGlyph* g = FindGlyph(c);
        if (g)
            line += g->xadvance;
    }
    if (line > widest)
        widest = line;
    // A font without the first character's glyph has no offset to take off.
    const CKetrelFontGlyph* first = FindGlyph(text.GetAt(0));
    const i64 offset = first ? first->xoffset : 0;
    return KetrelTruncToInt(1.0f + (f32)(widest - offset) * m_scale);
}
