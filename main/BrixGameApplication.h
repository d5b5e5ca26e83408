#pragma once
// The program's application: the framework application with the game shell's view
// of it. The game object reaches its host through IJubShellHost; the framework
// cannot name the game's layer, so this top layer joins the two.
#include "framework/TolvaneApplication.h"
#include "game/screens/JubShellHost.h"

class CBrixGameApplication;

// IJubShellHost answered by the framework application; owned by it.
class CBrixGameShell : public IJubShellHost
{
public:
    explicit CBrixGameShell(CTolvaneApplication* app) : m_app(app) {}

    CBrixStatsStore* GetSettings() override;
    CBrixResourceManager* GetResources() override;
    void PlayMusic(const CKetrelString& path, i32 loop) override;
    void StopMusic() override;
    i32 IsSoundMuted() override;
    i32 IsMusicMuted() override;
    void SetAllMuted(i32 muted) override;
    void ResetIdleTimer() override;
    void SetApplicationName(const CKetrelString& name) override;
    void OpenUrl(const CKetrelString& url) override;
    i32 GetReleaseId() override;
    CKetrelString GetWebHost() override;
    void Vibrate() override;
    void SeedRandom(u32 seed) override;
    f32 RandomFloat(f32 min, f32 max) override;
    i32 RandomInt(i32 min, i32 max) override;
    i32 GetMatchPlayer(i32 index, i32* id, CKetrelString* name) override;
    i32 ReadChatRecord(const CBrixChatRecord& record, i32* kind, CKetrelString* text) override;
    void OpenChatPage() override;
    void SendItemUsed(u32 itemId, i32 count, i32 playerCode) override;
    // The lobby's records of the user's items, and their descriptions in the item
    // data packs that the lobby downloaded.
    i32 GetOwnedItems(CJubOwnedItem* items, i32 max) override;
    int ReadItem(i32 player, const CJubOwnedItem& item, CJubItemInfo* info) override;

private:
    CTolvaneApplication* m_app;
};

class CBrixGameApplication : public CTolvaneApplication
{
public:
    CBrixGameApplication();
    // Shuts down while the shell still stands: the game object, deleted at shut-down,
    // stops its music through it.
    ~CBrixGameApplication() override;

    IJubShellHost* GetShell() { return &m_shell; }

private:
    CBrixGameShell m_shell;
};
