#pragma once
// framework/BrixResourceManager.h
#include "engine/KetrelHashedString.h"
#include "engine/KetrelResult.h"
#include "engine/KetrelMap.h"
#include "engine/KetrelMutex.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixMediaPackMeta.h"

class CKetrel3DProgram;
class CKetrelBitmapFont;
class CKetrelMediaPack;
class CKetrelSoundEngine;
class CKetrelSurface;
class IKetrelApplication;
class IKetrelSoundSource;

// One added media pack. Only the manager's current record keeps its file open.
struct CBrixMediaPackRecord
{
    u32 id;                     // from the manager's counter, 1 first
    CKetrelString path;         // what was opened (after the ".jet" fallback)
    CKetrelMediaPack* pack;     // owned; null while the file is closed
    i32 scope;                  // as passed to AddMediaPack; level 1 when non-zero
    CBrixMediaPackMeta meta;    // design sizes and alpha; flags only while registering
};

// Registered resources, one record per name and scope level. A pack id of -1 marks an
// image that a caller registered; 0 the built-in default font.
struct CBrixImageRecord
{
    i32 packId;
    CKetrelSurface* surface;    // owned; null until loaded
    i32 refCount;
    u32 flags;                  // BRIX_IMAGE_NO_MIPMAPS
};

struct CBrixRectRecord
{
    i32 packId;
    CKetrelString imageName;    // bare file name of the sheet image
    CKetrelRectF rect;          // in the sheet image's pixels
};

struct CBrixSoundRecord
{
    i32 packId;
    IKetrelSoundSource* sound;  // owned; null until loaded
    i32 refCount;
};

struct CBrixFontRecord
{
    i32 packId;
    CKetrelBitmapFont* font;    // owned; null until loaded
    i32 refCount;
    u32 flags;                  // BRIX_FONT_KEEP_COLOR
};

struct CBrixFileRecord
{
    i32 packId;
};

struct CBrixProgramRecord
{
    CKetrel3DProgram* program;  // owned; null after its last release
    i32 refCount;
};

// The owner of the program's shared assets: media packs in two scope levels, and the
// images, rectangles of surface sheets, sounds, bitmap fonts, raw files and shader
// programs in them, handed out by bare file name and reference counted. Level 1
// (packs added with a non-zero scope) is searched before level 0; within a level the
// first pack that registers a name keeps it.
//
// Every Find, Get and Load that returns a resource counts one reference for the
// caller, who gives it back with the matching Release. A Release of a resource the
// manager does not know returns 0: the caller owns that one.
//
// Main thread only. Sounds requested without the synchronous flag are decoded on a
// loader thread, one at a time, into an object of the loader's own; Tick hands the
// decoded voices to the sound the caller holds, so until then that sound is simply
// empty (it plays nothing).
class CBrixResourceManager
{
public:
    class CAsyncSoundLoader;

    // Sizes tried by FindPackForScreen, largest first.
    enum { PackSizeCount = 6 };
    static const i32 s_packSizes[PackSizeCount];

    // Flags of GetSound and LoadSound.
    enum { SOUND_SYNCHRONOUS = 1 };

    CBrixResourceManager();
    virtual ~CBrixResourceManager();     // ReleaseAll

    // Keeps both (either may be null: no screen scaling, no sounds). 1.
    virtual int Init(IKetrelApplication* app, CKetrelSoundEngine* soundEngine);
    // Stops the loaders, closes every pack and frees every resource and record.
    virtual void ReleaseAll();

    // ---- packs ----
    // name is a path when isFullPath is non-zero, else a file in the program's folder.
    // When that does not open and its extension is ".vad", the same path with the
    // extension ".jet" is tried. Registers every entry of the pack at level
    // (scope != 0). 1 added, 0 when neither file opens.
    virtual int AddMediaPack(const CKetrelString& name, int isFullPath, int scope);
    // 1 when a pack was added from exactly this path.
    virtual int HasMediaPack(const CKetrelString& path);
    // Removes the first pack added from the resolved name or its ".jet" twin, with
    // the records of its files that hold nothing loaded; loaded ones go with their
    // last release. 1 removed, 0 when no such pack.
    virtual int RemoveMediaPack(const CKetrelString& name, int isFullPath);

    // ---- images ----
    // A caller's image at level 0 with one reference; the manager frees it at the last
    // release. Ignored (the caller keeps it) when the name is taken or empty.
    virtual void RegisterImage(const CKetrelString& name, CKetrelSurface* surface);
    // A loaded image of that name or, with rect given, the loaded sheet image of a
    // surface of that name (rect then receives the surface's rectangle).
    virtual CKetrelSurface* FindImage(const CKetrelString& name, CKetrelRectF* rect);
    // FindImage, else LoadImage. Null for an empty name.
    virtual CKetrelSurface* GetImage(const CKetrelString& name, CKetrelRectF* rect = nullptr);
    virtual int AddRefImage(CKetrelSurface* surface);
    // Clears *surface at the last release. 1, or 0 for an unknown image.
    virtual int ReleaseImage(CKetrelSurface** surface);

    // ---- sounds ----
    virtual IKetrelSoundSource* FindSound(const CKetrelString& name);
    // flags: SOUND_SYNCHRONOUS decodes now; else the sound fills later (see above).
    // voices: extra voices that share the samples.
    virtual IKetrelSoundSource* GetSound(const CKetrelString& name, u32 flags = 0,
                                         u32 voices = 0);
    virtual int AddRefSound(IKetrelSoundSource* sound);
    // Clears *sound at the last release. 1, or 0 for an unknown sound.
    virtual int ReleaseSound(IKetrelSoundSource** sound);

    // ---- fonts ----
    virtual CKetrelBitmapFont* FindFont(const CKetrelString& name);
    // "default" with no pack holding it gives the built-in font.
    virtual CKetrelBitmapFont* GetFont(const CKetrelString& name);
    virtual int AddRefFont(CKetrelBitmapFont* font);
    // Clears *font at the last release. 1, or 0 for an unknown font.
    virtual int ReleaseFont(CKetrelBitmapFont** font);

    // Tries "<base>_<size>.vad" for the sizes up to the smaller screen side, largest
    // first, then the larger sizes, smallest first. 1 with the pack added (name and
    // size written when asked for), 0 when none opens.
    virtual int FindPackForScreen(const CKetrelString& base, CKetrelString* nameOut,
                                  i32* sizeOut);

    // ---- shader programs (never loaded from packs) ----
    // The manager takes the program with one reference; an earlier program of that
    // name is released and deleted. Ignored for an empty name or a null program.
    virtual void RegisterShaderProgram(const CKetrelString& name, CKetrel3DProgram* program);
    virtual CKetrel3DProgram* FindShaderProgram(const CKetrelString& name);
    virtual CKetrel3DProgram* GetShaderProgram(const CKetrelString& name);
    virtual int AddRefShaderProgram(CKetrel3DProgram* program);
    virtual int ReleaseShaderProgram(CKetrel3DProgram** program);

    // ---- raw files ----
    // The whole entry of that name (the first kind holding it: image, sound, font,
    // other file; level 1 first) in a new[] array of byte count + 1 with a 0 after the
    // data, which the caller delete[]s. Returns the bytes read; 0 and *out null for an
    // empty or unknown name, or an entry that its pack cannot hold.
    virtual i32 LoadFileData(const CKetrelString& name, char** out);
    i32 ReadResource(const CKetrelString& name, u8** out)
    { return LoadFileData(name, reinterpret_cast<char**>(out)); }

    // ---- graphics context loss ----
    // Drops every GPU object (textures, programs); pixels, glyphs and sources stay. 1.
    virtual int ReleaseGraphics();
    // Rebuilds them: 1, or the first image's failure.
    virtual int ReloadGraphics();

    // ---- loading past the registered ones ----
    virtual CKetrelSurface* LoadImage(const CKetrelString& name, CKetrelRectF* rect);
    // A second request for a sound whose decode is still pending gets null.
    virtual IKetrelSoundSource* LoadSound(const CKetrelString& name, u32 flags, u32 voices);
    // Fonts of a pack with a design size are drawn at side / design size.
    virtual CKetrelBitmapFont* LoadFont(const CKetrelString& name);

    // Once per frame, main thread: retires one finished sound loader (handing its
    // sound over) and starts the next waiting one. The first call after construction
    // does nothing.
    void Tick();

    // For tools and tests: packs listed, and sound loaders not yet retired.
    i32 GetMediaPackCount() const { return m_packs.GetCount(); }
    i32 GetPendingSoundCount();

protected:
    // The smaller side of the application's drawing target; 0 without one.
    i32 GetScreenSide() const;

private:
    CBrixResourceManager(const CBrixResourceManager&) = delete;
    CBrixResourceManager& operator=(const CBrixResourceManager&) = delete;

    template <class R>
    using RecordMap = CKetrelMap<CKetrelHashedString, R*>;

    void ResolvePath(const CKetrelString& name, int isFullPath, CKetrelString& out) const;
    CBrixMediaPackRecord* FindPackRecord(i32 id) const;
    // The open pack of the record with that id, opening it (and closing the current
    // one) when needed. Null when no such record or its file does not open.
    CKetrelMediaPack* OpenPack(i32 id);
    // Registers every entry of the record's pack (open) at level.
    void RegisterEntries(CBrixMediaPackRecord* record, i32 level);
    // A loaded resource whose pack is no longer listed is removed at its last release.
    bool IsOrphan(i32 packId) const;

    CBrixImageRecord* FindImageRecord(CKetrelSurface* surface, i32* level, i32* index) const;
    CBrixSoundRecord* FindSoundRecord(IKetrelSoundSource* sound, i32* level, i32* index) const;
    CBrixFontRecord* FindFontRecord(CKetrelBitmapFont* font, i32* level, i32* index) const;
    CBrixProgramRecord* FindProgramRecord(CKetrel3DProgram* program, i32* index) const;
    // The image scaled from the current pack's design size to the screen side, or the
    // image itself when no scaling applies or a scaled copy cannot be made.
    CKetrelSurface* ScaleToScreen(CKetrelSurface* image);

    void ReleaseImages();
    void ReleaseSounds();
    void ReleaseFonts();
    void ReleasePrograms();
    // Deletes the loader, joining its thread first; under m_loaderMutex.
    void DeleteLoader(CAsyncSoundLoader* loader);

    IKetrelApplication* m_app;          // not owned
    CKetrelSoundEngine* m_soundEngine;  // not owned
    u32 m_nextPackId;
    CKetrelPtrArray m_packs;            // CBrixMediaPackRecord*, owned, order of adding
    CBrixMediaPackRecord* m_current;    // the record whose file is open, or null

    RecordMap<CBrixImageRecord> m_images[2];   // by level
    RecordMap<CBrixRectRecord> m_rects[2];
    RecordMap<CBrixSoundRecord> m_sounds[2];
    RecordMap<CBrixFontRecord> m_fonts[2];
    RecordMap<CBrixFileRecord> m_files[2];
    RecordMap<CBrixProgramRecord> m_programs;

    CKetrelMutex m_loaderMutex;         // guards m_loaders
    CKetrelPtrArray m_loaders;          // CAsyncSoundLoader*, owned, order of requests
    i32 m_skipTick;                     // 1 until the first Tick
};
