#pragma once
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "game/match/JubGameHost.h"

class CBrixChatRecord;
class CBrixResourceManager;
class CBrixStatsStore;

// What the game object needs of the application that hosts it, beyond the network
// session that IBrixGameHost forwards: settings, resources, music and mute, the idle
// timer, web links and the lobby's players and chat records. The framework application
// implements it; tests use a fake. Main thread only; the objects handed out belong to
// the application and outlive the game object.
class IJubShellHost
{
public:
    virtual ~IJubShellHost() {}

    // Null when the application has none (then nothing is stored).
    virtual CBrixStatsStore* GetSettings() = 0;
    // Null when the application has none (the caches then stay empty).
    virtual CBrixResourceManager* GetResources() = 0;

    // Plays a music file (a full path), looping when loop is set; StopMusic stops it.
    virtual void PlayMusic(const CKetrelString& path, i32 loop) = 0;
    virtual void StopMusic() = 0;
    virtual i32 IsSoundMuted() = 0;
    virtual i32 IsMusicMuted() = 0;
    // Mutes or unmutes both sound and music.
    virtual void SetAllMuted(i32 muted) = 0;

    virtual void ResetIdleTimer() = 0;
    virtual void SetApplicationName(const CKetrelString& name) = 0;
    // Opens a web address in the device's browser.
    virtual void OpenUrl(const CKetrelString& url) = 0;
    virtual i32 GetReleaseId() = 0;
    // "http://host" of the game service's web pages, without a trailing slash.
    virtual CKetrelString GetWebHost() = 0;
    virtual void Vibrate() = 0;

    virtual void SeedRandom(u32 seed) = 0;
    virtual f32 RandomFloat(f32 min, f32 max) = 0;
    virtual i32 RandomInt(i32 min, i32 max) = 0;   // both ends included

    // Lobby player index 0 or 1 of the match: 1 with its user id and name, 0 when the
    // lobby has no such player (id and name untouched).
    virtual i32 GetMatchPlayer(i32 index, i32* id, CKetrelString* name) = 0;
    // The kind and text of a chat record: 1, or 0 when it cannot be read.
    virtual i32 ReadChatRecord(const CBrixChatRecord& record, i32* kind, CKetrelString* text) = 0;

    // The match's lobby-side services (items, chat page); the defaults do nothing.
    virtual void OpenChatPage() {}
    virtual void SendItemUsed(u32, i32, i32) {}
    virtual i32 GetOwnedItems(CJubOwnedItem*, i32) { return 0; }
    virtual int ReadItem(i32, const CJubOwnedItem&, CJubItemInfo*) { return 8; }
};
