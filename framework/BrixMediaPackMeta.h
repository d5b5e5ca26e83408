#pragma once
// framework/BrixMediaPackMeta.h
#include "engine/KetrelArray.h"
#include "engine/KetrelHashedString.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelMediaPack;
class CKetrelXMLDataNode;

// Per-file flags that a pack's description can set.
enum
{
    BRIX_IMAGE_NO_MIPMAPS = 1,   // the image's texture gets no mipmaps
    BRIX_FONT_KEEP_COLOR  = 1    // the font keeps the colours of its pages
};

// The entry name with everything up to its last '/' and then up to its last '\'
// removed: the name under which the resource manager registers a pack's file.
void BrixBareFileName(const CKetrelString& path, CKetrelString& out);
// The text after the last '.' of name, or empty when it holds none.
void BrixFileExtension(const CKetrelString& name, CKetrelString& out);

// What a pack's "vad.meta" says: the screen side its images and fonts were drawn
// for (0 when not given), whether its images take a separate alpha plane, and flags
// for single files by bare name. Anything missing or malformed leaves the defaults:
// stored sizes, mipmaps, no separate alpha.
class CBrixMediaPackMeta
{
public:
    CBrixMediaPackMeta();

    // Clear, then read "/vad.meta" from the pack. 1 when a description was read,
    // 0 when the pack has none or it cannot be read or parsed (defaults kept).
    // The entry's size is checked against the pack file before anything is
    // allocated. Leaves the pack's stream anywhere.
    int Read(CKetrelMediaPack* pack);
    // The same on a description already in memory (text need not end in 0).
    int Parse(const char* text, u32 length);

    void Clear();
    // Empties only the two flag tables (the sizes stay).
    void ClearFlags();

    // Flags of a listed file, matched as a whole against the bare name; 0 otherwise.
    u32 GetImageFlags(const CKetrelString& bareName) const;
    u32 GetFontFlags(const CKetrelString& bareName) const;

    i32 GetImageDesignSize() const { return m_imageDesignSize; }
    i32 GetFontDesignSize() const { return m_fontDesignSize; }
    i32 HasSeparateAlpha() const { return m_separateAlpha; }

private:
    typedef CKetrelMap<CKetrelHashedString, u32> FlagMap;

    // One "image" or "font" block: its original size and its listed files, with
    // flagAttribute ("no_mipmaps" or "keep_color") setting bit 0.
    static i32 ReadBlock(const CKetrelXMLDataNode* block, const char* flagAttribute,
                         FlagMap& flags);

    i32 m_imageDesignSize;      // screen side in pixels, 0 = images at stored size
    i32 m_fontDesignSize;       // screen side in pixels, 0 = fonts at scale 1
    i32 m_separateAlpha;        // 0 or 1
    FlagMap m_imageFlags;       // bare name -> BRIX_IMAGE_ flags
    FlagMap m_fontFlags;        // bare name -> BRIX_FONT_ flags
};

// One named rectangle of a surface sheet, in the image's pixels.
struct CBrixSheetSurface
{
    CKetrelString name;
    CKetrelRectF rect;
};

// A "six" entry: named rectangles ("surfaces") cut out of one image of the pack.
class CBrixSurfaceSheet
{
public:
    CBrixSurfaceSheet() {}

    // Reads the pack's entry at index (its directory position). 1 when a
    // "surfaces" element was found (it may list no surface), 0 when the entry is
    // empty, unreadable or has no top-level "surfaces" element; nothing is kept then.
    int Read(CKetrelMediaPack* pack, i32 entryIndex);
    // The same on text in memory (text need not end in 0).
    int Parse(const char* text, u32 length);

    // The bare file name of the image the surfaces are cut from.
    const CKetrelString& GetImageName() const { return m_image; }
    i32 GetCount() const { return m_surfaces.GetCount(); }
    const CBrixSheetSurface& GetAt(i32 index) const { return *m_surfaces.ElementAt(index); }

private:
    int ReadTree(const CKetrelXMLDataNode& document);

    CKetrelString m_image;
    CKetrelArray<CBrixSheetSurface> m_surfaces;   // document order, duplicates kept
};
