// framework/BrixMediaPackMeta.cpp
#include "framework/BrixMediaPackMeta.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelXMLDataNode.h"

#include <cstring>
#include <new>
#include <strings.h>

void BrixBareFileName(const CKetrelString& path, CKetrelString& out)
{
    // After the last '/', then after the last '\\' of what is left: one cut.
    int start = path.ReverseFind('/') + 1;
    int backslash = path.ReverseFind('\\');
    if (backslash >= start)
        start = backslash + 1;
    if (start == 0)
        out = path;
    else
        out = CKetrelString(path, start, -1);
}

void BrixFileExtension(const CKetrelString& name, CKetrelString& out)
{
    int dot = name.ReverseFind('.');
    if (dot < 0)
        out.Clear();
    else
        out = CKetrelString(name, dot + 1, -1);
}

namespace
{

// Reads the next size bytes of the pack's stream into a new buffer. Null when the
// size is 0, larger than what the pack file holds after the position, or the read
// falls short.
char* ReadEntryBytes(CKetrelMediaPack* pack, u32 size)
{
    CKetrelFile* file = pack->GetFile();
    if (!file || size == 0)
        return nullptr;
    const i64 left = (i64)file->GetSize() - (i64)file->GetPosition();
    if ((i64)size > left)
        return nullptr;
    char* buffer = new (std::nothrow) char[(size_t)size + 1];
    if (!buffer)
        return nullptr;
    if (file->Read(buffer, size) != size)
    {
        delete[] buffer;
        return nullptr;
    }
    buffer[size] = 0;
    return buffer;
}

// The first child element (not an attribute or text node) named name.
const CKetrelXMLDataNode* FindElement(const CKetrelXMLDataNode* node, const char* name)
{
    if (!node)
        return nullptr;
    for (const CKetrelXMLDataNode* child = node->GetFirstChild(); child;
         child = child->GetNextSibling())
    {
        if (!child->IsValueNode() && child->GetName() && std::strcmp(child->GetName(), name) == 0)
            return child;
    }
    return nullptr;
}

const CKetrelXMLDataNode* FirstElement(const CKetrelXMLDataNode* node)
{
    for (const CKetrelXMLDataNode* child = node->GetFirstChild(); child;
         child = child->GetNextSibling())
    {
        if (!child->IsValueNode())
            return child;
    }
    return nullptr;
}

// An attribute's integer; def when absent or holding no digit.
i32 IntAttribute(const CKetrelXMLDataNode* node, const char* attribute, i32 def)
{
    return node ? node->GetInt(attribute, def) : def;
}

} // namespace

// ---- vad.meta -----------------------------------------------------------------------

CBrixMediaPackMeta::CBrixMediaPackMeta()
    : m_imageDesignSize(0), m_fontDesignSize(0), m_separateAlpha(0)
{
}

void CBrixMediaPackMeta::Clear()
{
    m_imageDesignSize = 0;
    m_fontDesignSize = 0;
    m_separateAlpha = 0;
    ClearFlags();
}

void CBrixMediaPackMeta::ClearFlags()
{
    m_imageFlags.RemoveAll();
    m_fontFlags.RemoveAll();
}

int CBrixMediaPackMeta::Read(CKetrelMediaPack* pack)
{
    Clear();
    if (!pack)
        return 0;
    const u32 size = pack->SeekEntry(CKetrelString(L"/vad.meta"), 0);
    char* text = ReadEntryBytes(pack, size);
    if (!text)
        return 0;
    const int read = Parse(text, size);
    delete[] text;
    return read;
}

int CBrixMediaPackMeta::Parse(const char* text, u32 length)
{
    Clear();
    if (!text || length == 0)
        return 0;
    // The parser blanks comments in place, so it gets its own copy.
    char* copy = new (std::nothrow) char[length];
    if (!copy)
        return 0;
    std::memcpy(copy, text, length);
    CKetrelXMLDataNode document;
    const int rc = document.Parse(copy, length);
    delete[] copy;
    if (rc != KE_OK)
        return 0;
    const CKetrelXMLDataNode* root = FirstElement(&document);
    if (!root)
        return 0;

    const CKetrelXMLDataNode* image = FindElement(root, "image");
    if (image)
    {
        m_imageDesignSize = ReadBlock(image, "$no_mipmaps", m_imageFlags);
        const CKetrelXMLDataNode* alpha = FindElement(image, "separate_alpha");
        m_separateAlpha = IntAttribute(alpha, "$value", 0) != 0 ? 1 : 0;
    }
    const CKetrelXMLDataNode* font = FindElement(root, "font");
    if (font)
        m_fontDesignSize = ReadBlock(font, "$keep_color", m_fontFlags);
    return 1;
}

i32 CBrixMediaPackMeta::ReadBlock(const CKetrelXMLDataNode* block, const char* flagAttribute,
                                  FlagMap& flags)
{
    const i32 designSize = IntAttribute(FindElement(block, "original_size"), "$value", 0);
    const CKetrelXMLDataNode* files = FindElement(block, "files");
    // From the first "file" on, every later sibling element counts, whatever its name.
    for (const CKetrelXMLDataNode* file = FindElement(files, "file"); file;
         file = file->GetNextSibling())
    {
        if (file->IsValueNode())
            continue;
        const char* path = file->GetString("$path", nullptr);
        if (!path)
            continue;
        CKetrelPair<CKetrelHashedString, u32> pair;
        pair.key = CKetrelString(path);
        pair.value = IntAttribute(file, flagAttribute, 0) != 0 ? 1u : 0u;
        flags.AddPair(pair);
    }
    return designSize;
}

u32 CBrixMediaPackMeta::GetImageFlags(const CKetrelString& bareName) const
{
    i32 index = m_imageFlags.Find(CKetrelHashedString(bareName));
    return index >= 0 ? m_imageFlags.ElementAt(index)->value : 0;
}

u32 CBrixMediaPackMeta::GetFontFlags(const CKetrelString& bareName) const
{
    i32 index = m_fontFlags.Find(CKetrelHashedString(bareName));
    return index >= 0 ? m_fontFlags.ElementAt(index)->value : 0;
}

// ---- surface sheets ---------------------------------------------------------------------

int CBrixSurfaceSheet::Read(CKetrelMediaPack* pack, i32 entryIndex)
{
    m_image.Clear();
    m_surfaces.RemoveAll();
    if (!pack || entryIndex < 0)
        return 0;
    // By position, not by name: a name lookup picks the first entry containing the
    // name, which may be another one.
    const u32 size = pack->SeekEntry(CKetrelString(), (u32)entryIndex);
    char* text = ReadEntryBytes(pack, size);
    if (!text)
        return 0;
    CKetrelXMLDataNode document;
    const int rc = document.Parse(text, size);
    int read = 0;
    if (rc == KE_OK)
        read = ReadTree(document);
    delete[] text;
    return read;
}

int CBrixSurfaceSheet::Parse(const char* text, u32 length)
{
    m_image.Clear();
    m_surfaces.RemoveAll();
    if (!text || length == 0)
        return 0;
    char* copy = new (std::nothrow) char[length];
    if (!copy)
        return 0;
    std::memcpy(copy, text, length);
    CKetrelXMLDataNode document;
    int read = 0;
    if (document.Parse(copy, length) == KE_OK)
        read = ReadTree(document);
    delete[] copy;
    return read;
}

int CBrixSurfaceSheet::ReadTree(const CKetrelXMLDataNode& document)
{
    const CKetrelXMLDataNode* surfaces = FindElement(&document, "surfaces");
    if (!surfaces)
        return 0;
    BrixBareFileName(CKetrelString(surfaces->GetString("$image", "")), m_image);
    for (const CKetrelXMLDataNode* child = surfaces->GetFirstChild(); child;
         child = child->GetNextSibling())
    {
        if (child->IsValueNode() || !child->GetName() ||
            strcasecmp(child->GetName(), "surface") != 0)
            continue;
        CBrixSheetSurface surface;
        surface.name = CKetrelString(child->GetString("$name", ""));
        surface.rect.left = child->GetFloat("$left", 0.0f);
        surface.rect.right = child->GetFloat("$right", 0.0f);
        surface.rect.bottom = child->GetFloat("$bottom", 0.0f);
        surface.rect.top = child->GetFloat("$top", 0.0f);
        m_surfaces.Add(surface);
    }
    return 1;
}
