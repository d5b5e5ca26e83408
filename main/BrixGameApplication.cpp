#include "main/BrixGameApplication.h"

#include "framework/BrixChatRecord.h"
#include "framework/BrixDevice.h"
#include "game/screens/JubOwnedItems.h"
#include "net/BrixPlayer.h"

#ifndef BRIX_LOBBY_HOST
#define BRIX_LOBBY_HOST "127.0.0.1"
#endif

CBrixStatsStore* CBrixGameShell::GetSettings() { return m_app->GetSettings(); }
CBrixResourceManager* CBrixGameShell::GetResources() { return m_app->GetResourceManager(); }

void CBrixGameShell::PlayMusic(const CKetrelString& path, i32 loop)
{
    m_app->PlayMusic(path, loop);
}

void CBrixGameShell::StopMusic() { m_app->StopMusic(); }
i32 CBrixGameShell::IsSoundMuted() { return m_app->IsSoundMuted(); }
i32 CBrixGameShell::IsMusicMuted() { return m_app->IsMusicMuted(); }
void CBrixGameShell::SetAllMuted(i32 muted) { m_app->SetAllMuted(muted); }
void CBrixGameShell::ResetIdleTimer() { m_app->ResetIdleTimer(); }

void CBrixGameShell::SetApplicationName(const CKetrelString& name)
{
    m_app->SetApplicationName(name);
}

void CBrixGameShell::OpenUrl(const CKetrelString& url) { m_app->OpenLink(url); }
i32 CBrixGameShell::GetReleaseId() { return m_app->GetReleaseId(); }

// The game service's web pages live on the lobby server's host.
CKetrelString CBrixGameShell::GetWebHost() { return CKetrelString("http://" BRIX_LOBBY_HOST); }

void CBrixGameShell::Vibrate()
{
    if (m_app->GetDevice() && m_app->IsVibrationEnabled())
        m_app->GetDevice()->Vibrate(0);
}

void CBrixGameShell::SeedRandom(u32 seed) { m_app->SeedRandom(seed); }
f32 CBrixGameShell::RandomFloat(f32 min, f32 max) { return m_app->RandomFloat(min, max); }
i32 CBrixGameShell::RandomInt(i32 min, i32 max) { return m_app->RandomInt(min, max); }

i32 CBrixGameShell::GetMatchPlayer(i32 index, i32* id, CKetrelString* name)
{
    if (index < 0 || index >= m_app->GetLobbyPlayerCount())
        return 0;
    CBrixPlayer* player = m_app->GetLobbyPlayer(index);
    if (!player)
        return 0;
    if (id)
        *id = player->GetId();
    if (name)
        *name = player->GetName();
    return 1;
}

i32 CBrixGameShell::ReadChatRecord(const CBrixChatRecord& record, i32* kind, CKetrelString* text)
{
    if (kind)
        *kind = record.kind;
    if (text)
        *text = record.text;
    return 1;
}

void CBrixGameShell::OpenChatPage() { m_app->OpenChatPage(0); }

void CBrixGameShell::SendItemUsed(u32 itemId, i32 count, i32 playerCode)
{
    m_app->SendMessage101((i32)itemId, count, playerCode);
}

i32 CBrixGameShell::GetOwnedItems(CJubOwnedItem* items, i32 max)
{
    return CJubOwnedItems::Collect(m_app->GetItemDataList(), items, max);
}

// Both players' items are read from this handset's packs: the opponent's item is found
// only when its pack was downloaded here too.
int CBrixGameShell::ReadItem(i32, const CJubOwnedItem& item, CJubItemInfo* info)
{
    CKetrelString path;
    m_app->GetItemDataPackPath((i32)item.packNumber, &path);
    return CJubOwnedItems::Read(path, item.fileNumber, m_app->GetResourceManager(), info);
}

CBrixGameApplication::CBrixGameApplication() : m_shell(this) {}

CBrixGameApplication::~CBrixGameApplication()
{
    OnDestroy();
}
