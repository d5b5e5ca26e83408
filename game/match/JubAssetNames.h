#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CKetrelSurface;
class IKetrelSoundSource;

// The game names every scene, pack, font, sound, music file and picture by its index in
// one of these tables; the index is the asset's id throughout the game.
enum EJubAssetTable
{
    JUB_TABLE_BACKENDS = 0,      // graphics back-end names
    JUB_TABLE_BATTLE_SCENES,
    JUB_TABLE_TRAINING_SCENES,
    JUB_TABLE_DATA_PACKS,
    JUB_TABLE_FONTS,
    JUB_TABLE_SOUNDS,
    JUB_TABLE_MUSIC,
    JUB_TABLE_IMAGES,
    JUB_TABLE_HELP_PICTURES,
    JUB_TABLE_CREDITS,
    JUB_TABLE_COUNT
};

enum
{
    JUB_BACKEND_COUNT        = 4,
    JUB_BATTLE_SCENE_COUNT   = 20,
    JUB_TRAINING_SCENE_COUNT = 15,
    JUB_DATA_PACK_COUNT      = 9,
    JUB_FONT_COUNT           = 1,
    JUB_SOUND_COUNT          = 24,
    JUB_MUSIC_COUNT          = 2,
    JUB_IMAGE_COUNT          = 69,
    JUB_HELP_PICTURE_COUNT   = 11,
    JUB_CREDITS_LINE_COUNT   = 113,
    JUB_CREDITS_HEADING_PAGE = 666     // the page value of a heading row of the credits
};

// Sound ids, as CStateGame::PlaySound takes them.
enum
{
    JUB_SOUND_BUTTON_DOWN = 0, JUB_SOUND_BUTTON_UP, JUB_SOUND_SHOT, JUB_SOUND_SHOT_BOUNCE,
    JUB_SOUND_SHOT_SPLASH, JUB_SOUND_EXPLOSION, JUB_SOUND_JUMP, JUB_SOUND_CREATURE_BOUNCE,
    JUB_SOUND_CREATURE_SPLASH, JUB_SOUND_STRETCH, JUB_SOUND_WHIP, JUB_SOUND_START_GAME,
    JUB_SOUND_WIN_GAME, JUB_SOUND_LOSE_GAME, JUB_SOUND_TIE_GAME, JUB_SOUND_TIMER_ALERT,
    JUB_SOUND_TIMER_END, JUB_SOUND_AMBIENT_COMMON = 17, JUB_SOUND_AMBIENT_RARE = 20,
    JUB_SOUND_AMBIENT_LOOP = 23
};

// The shared images that the intro screen gives back when it is done with them.
extern const i32 kJubIntroSharedImages[5];

// Constant name tables, built on first use and kept for the life of the program.
class CJubAssetNames
{
public:
    // Entries in a table; 0 for an unknown table.
    static i32 GetCount(i32 table);
    // The name at index; an empty string for an unknown table or an index out of range.
    static const CKetrelString& Get(i32 table, i32 index);
    // The page value of a row of the credits (JUB_CREDITS_HEADING_PAGE for a heading);
    // 0 for a row out of range.
    static i32 CreditPage(i32 row);

    static const CKetrelString& BattleScene(i32 index) { return Get(JUB_TABLE_BATTLE_SCENES, index); }
    static const CKetrelString& TrainingScene(i32 index) { return Get(JUB_TABLE_TRAINING_SCENES, index); }
    static const CKetrelString& DataPack(i32 index) { return Get(JUB_TABLE_DATA_PACKS, index); }
    static const CKetrelString& Sound(i32 index) { return Get(JUB_TABLE_SOUNDS, index); }
    static const CKetrelString& Image(i32 index) { return Get(JUB_TABLE_IMAGES, index); }
};

// Where the handle caches take images and sounds from, and give them back: the resource
// manager of the running application, or a fake in tests. Every handle returned carries
// one reference that the matching release drops.
class CJubAssetSource
{
public:
    virtual ~CJubAssetSource() {}
    // Null when the name is empty or nothing of that name can be had.
    virtual CKetrelSurface* GetImage(const CKetrelString& name) = 0;
    // 1 when the slot is null or held a known image (the slot is then cleared), 0 when the
    // image is unknown.
    virtual int ReleaseImage(CKetrelSurface** image) = 0;
    virtual IKetrelSoundSource* GetSound(const CKetrelString& name) = 0;
    virtual int ReleaseSound(IKetrelSoundSource** sound) = 0;
    // The whole resource of that name in a new byte array for the caller to delete[];
    // its size, or 0 and no array when the name is empty or unknown.
    virtual i32 ReadResource(const CKetrelString& name, u8** data) = 0;
};

// The handle caches parallel to the image and sound tables: a handle is fetched by the
// asset's name the first time its index is used and kept until released; a released
// entry is fetched again on its next use. Main thread only.
class CJubAssetCache
{
public:
    CJubAssetCache();
    ~CJubAssetCache();                   // releases every handle still held
    CJubAssetCache(const CJubAssetCache&) = delete;
    CJubAssetCache& operator=(const CJubAssetCache&) = delete;

    // Releases what the old source gave before taking the new one (which may be null).
    void SetSource(CJubAssetSource* source);
    CJubAssetSource* GetSource() const { return m_source; }

    // The cached handle, fetched on first use; null for an index out of range, without a
    // source, or when the source has nothing of that name (tried again next time).
    CKetrelSurface* GetImage(i32 index);
    IKetrelSoundSource* GetSound(i32 index);
    // The handle if it is cached, without fetching.
    CKetrelSurface* PeekImage(i32 index) const;
    IKetrelSoundSource* PeekSound(i32 index) const;

    // Gives one entry back to the source and clears it; an empty entry does nothing.
    void ReleaseImage(i32 index);
    void ReleaseSound(i32 index);
    // Every non-null handle of both caches is given back and its entry cleared.
    void ReleaseAll();

private:
    CJubAssetSource* m_source;                 // not owned
    CKetrelSurface* m_images[JUB_IMAGE_COUNT];
    IKetrelSoundSource* m_sounds[JUB_SOUND_COUNT];
};
