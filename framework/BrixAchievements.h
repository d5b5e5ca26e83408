#pragma once
// framework/BrixAchievements.h
#include "engine/KetrelDateTime.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixAchievementStation;
class CKetrelSurface;
class IKetrelApplication;

// Icon states of an achievement.
enum
{
    BRIX_ACH_ICON_MISSING = 4,    // the icon or its pack was not found
    BRIX_ACH_ICON_BROKEN  = 5,    // the icon did not decode
    BRIX_ACH_ICON_NEW     = 6     // not loaded yet
};

// One achievement, owned by its list.
class CBrixAchievement
{
public:
    CBrixAchievement(CBrixAchievementStation* station, u32 listId, u32 id);
    ~CBrixAchievement();                      // releases the icon

    void SetUnlocked(i32 unlocked) { m_unlocked = unlocked; }
    void SetUnlockTime(const CKetrelDateTime& time) { m_unlockTime.Copy(time); }
    void SetName(const CKetrelString& name) { m_name = name; }
    void SetDescription(const CKetrelString& text) { m_description = text; }
    void SetIcon(i32 hasIcon, const CKetrelString& iconName);
    // Loads the icon from the station's pack once; the icon state tells a failure.
    void LoadIcon();
    void ReleaseIcon();

    u32 GetListId() const { return m_listId; }
    u32 GetId() const { return m_id; }
    const CKetrelString& GetName() const { return m_name; }
    const CKetrelString& GetDescription() const { return m_description; }
    i32 IsUnlocked() const { return m_unlocked; }
    CKetrelDateTime& GetUnlockTime() { return m_unlockTime; }
    i32 GetIconState() const { return m_iconState; }
    i32 HasIcon() const { return m_hasIcon; }
    const CKetrelString& GetIconName() const { return m_iconName; }
    CKetrelSurface* GetIcon() const { return m_icon; }

private:
    CBrixAchievement(const CBrixAchievement&) = delete;
    CBrixAchievement& operator=(const CBrixAchievement&) = delete;

    CBrixAchievementStation* m_station;   // not owned
    u32 m_listId;
    u32 m_id;                             // the number in the text file
    CKetrelString m_name;
    CKetrelString m_description;
    i32 m_unlocked;
    CKetrelDateTime m_unlockTime;         // month 0-11, day 1-31
    i32 m_iconState;                      // BRIX_ACH_ICON_*
    i32 m_hasIcon;
    CKetrelString m_iconName;             // file name in the pack
    CKetrelSurface* m_icon;               // owned; null until LoadIcon
};

// The achievements of one game, in file order; owns them.
class CBrixAchievementList
{
public:
    CBrixAchievementList(CBrixAchievementStation* station, u32 listId);
    ~CBrixAchievementList();                  // ClearAchievements

    i32 GetCount() const { return m_items.GetCount(); }
    CBrixAchievement* GetAt(i32 index) const
    { return static_cast<CBrixAchievement*>(m_items.GetAt(index)); }
    CBrixAchievement* FindById(u32 id) const;  // the first with that number
    // Null when out of memory.
    CBrixAchievement* AddAchievement(u32 id, const CKetrelString& name,
                                     const CKetrelString& description, i32 unlocked);
    // These take the achievement out without deleting it. 1, or 0 when there is none.
    int RemoveAt(i32 index);
    int RemoveById(u32 id);
    void ClearAchievements();
    u32 GetListId() const { return m_listId; }

private:
    CBrixAchievementList(const CBrixAchievementList&) = delete;
    CBrixAchievementList& operator=(const CBrixAchievementList&) = delete;

    CBrixAchievementStation* m_station;   // not owned
    u32 m_listId;
    CKetrelPtrArray m_items;              // CBrixAchievement*, owned
};

// The game's local achievements: definitions from "ach_EN.txt" in a media pack, and
// which are unlocked and when, in "ach.dat" of the user data folder:
//   u32 version 1, u32 count, count x { u32 id, u16 year, month (0-11), day, hour,
//   minute, second }, little-endian; only unlocked achievements with a name.
// "ach_EN.txt" is UTF-16LE (an optional byte-order mark) made of blank-separated tokens:
//   achievement <number> { name "..." description "..." surfaceName "..." }
// Other tokens are ignored, blocks in braces skipped. Main thread only.
class CBrixAchievementStation
{
public:
    enum { Version = 1 };
    // Larger files are not read.
    enum { MaxStateBytes = 1024 * 1024, MaxTextBytes = 4 * 1024 * 1024 };

    CBrixAchievementStation();
    virtual ~CBrixAchievementStation();   // Clear

    // Makes the list of listId and reads the definitions from the pack at packPath,
    // then the saved state. KE_OK (also when nothing was saved yet, or the saved file
    // was damaged and set aside); the failure of LoadDefinitions, or 11 from LoadState.
    virtual int Init(IKetrelApplication* app, u32 listId, const CKetrelString& packPath);
    virtual void Clear();                  // every list with its achievements

    CBrixAchievementList* FindList(u32 listId) const;
    CBrixAchievementList* GetCurrentList() const { return FindList(m_listId); }
    // KE_OK; KE_ERR_NOT_FOUND when the pack does not open (an entry that is missing
    // defines nothing).
    int LoadDefinitions();
    // The definitions of a text (UTF-16LE bytes) into the current list. The number
    // of achievements added.
    int ParseDefinitions(const u8* bytes, u32 size);
    // KE_OK; 11 for another version; KE_ERR_OPEN when there is no file;
    // KE_ERR_FORMAT when the file is empty, ends inside a record (the records before
    // count) or is larger than MaxStateBytes: it is then renamed "ach.dat.damaged".
    int LoadState();
    int LoadStateFromMemory(const u8* data, u32 size);
    // Writes "ach.dat" through a temporary file renamed over it, so that no failure
    // or kill loses what was saved. KE_OK; KE_ERR_NOT_FOUND without a current list
    // (nothing is written); KE_ERR_NOT_READY without an application; KE_ERR_OPEN;
    // KE_ERR_DEVICE.
    int Save();
    // The bytes Save writes (delete[] by the caller). KE_OK, KE_ERR_NOT_FOUND or
    // KE_ERR_MEMORY.
    int SaveToMemory(u8** out, u32* size) const;

    IKetrelApplication* GetApplication() const { return m_app; }
    const CKetrelString& GetPackPath() const { return m_packPath; }

private:
    CBrixAchievementStation(const CBrixAchievementStation&) = delete;
    CBrixAchievementStation& operator=(const CBrixAchievementStation&) = delete;

    IKetrelApplication* m_app;   // not owned
    u32 m_listId;                // the current list
    CKetrelString m_packPath;
    CKetrelPtrArray m_lists;     // CBrixAchievementList*, owned
};
