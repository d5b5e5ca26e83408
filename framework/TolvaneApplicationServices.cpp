// framework/TolvaneApplicationServices.cpp: sound, music and vibration settings, lobby
// forwards, chat, toasts, language and theme, the social part and the match-result
// bookkeeping.
#include "framework/TolvaneApplication.h"

#include "KetrelSound/KetrelSoundEngine.h"
#include "KetrelSound/KetrelSoundMusicPlayer.h"
#include "engine/KetrelResult.h"
#include "framework/BrixChatRecord.h"
#include "framework/BrixDevice.h"
#include "framework/BrixFrameworkSettings.h"
#include "framework/BrixGameOnlyState.h"
#include "framework/BrixLanguage.h"
#include "framework/BrixStatsStore.h"
#include "framework/BrixTheme.h"
#include "net/BrixNetConnection.h"

#include <new>

namespace
{
i32 Clamp100(i32 v) { return v < 0 ? 0 : (v > 100 ? 100 : v); }
} // namespace

// ---- settings keys ------------------------------------------------------------------------

static CBrixStatsEntry* FindKey(CBrixStatsStore* store, const wchar_t* key)
{
    return store ? store->FindEntry(CKetrelString(key)) : nullptr;
}

i32 CTolvaneApplication::GetSoundVolume()
{
    return m_soundEngine ? m_soundEngine->GetMasterVolume() : 0;
}

void CTolvaneApplication::SetSoundVolume(i32 volume)
{
    volume = Clamp100(volume);
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeySoundsVolume))
        e->SetInt(volume);
    if (m_soundEngine)
        m_soundEngine->SetMasterVolume(volume);
}

void CTolvaneApplication::SetSoundMuted(i32 muted)
{
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeySoundsMute))
        e->SetBool((u32)muted);
    if (m_soundEngine)
        m_soundEngine->SetMute(muted ? 1 : 0);
}

i32 CTolvaneApplication::IsSoundMuted()
{
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeySoundsMute);
    return e ? (i32)(e->boolValue != 0) : 0;
}

i32 CTolvaneApplication::GetMusicVolume()
{
    if (m_musicPlayer)
        return m_musicPlayer->GetVolume();
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicVolume);
    return e ? BrixStoredVolumeToPercent(e->intValue) : 0;
}

void CTolvaneApplication::SetMusicVolume(i32 volume)
{
    volume = Clamp100(volume);
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicVolume))
        e->SetInt(volume);
    if (m_musicPlayer)
        m_musicPlayer->SetVolume(volume);
}

void CTolvaneApplication::SetMusicMuted(i32 muted)
{
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicMute))
        e->SetBool((u32)muted);
    if (muted)
    {
        if (m_musicPlayer)
        {
            m_musicPosition = m_musicPlayer->GetPosition();
            ReleaseMusicPlayer();
        }
    }
    else if (!m_musicFile.IsEmpty() && !m_musicPlayer)
    {
        const f32 position = m_musicPosition;
        CKetrelString file(m_musicFile);
        if (PlayMusic(file, m_musicLoop) == KE_OK && m_musicPlayer)
            m_musicPlayer->Seek(position);
    }
}

i32 CTolvaneApplication::IsMusicMuted()
{
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicMute);
    return e ? (i32)(e->boolValue != 0) : 0;
}

void CTolvaneApplication::SetAllMuted(i32 muted)
{
    SetSoundMuted(muted);
    SetMusicMuted(muted);
}

void CTolvaneApplication::ReleaseMusicPlayer()
{
    if (!m_musicPlayer)
        return;
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicVolume))
        e->SetInt(m_musicPlayer->GetVolume());
    m_musicPlayer->Stop();
    delete m_musicPlayer;
    m_musicPlayer = nullptr;
}

int CTolvaneApplication::PlayMusic(const CKetrelString& fileName, i32 loop)
{
    ReleaseMusicPlayer();
    m_musicFile = fileName;
    m_musicLoop = loop;
    if (IsMusicMuted())
        return KE_OK;
    m_musicPlayer = new (std::nothrow) CKetrelSoundMusicPlayer();
    if (!m_musicPlayer)
        return KE_ERR_MEMORY;
    // A bare name is a file in the program's folder.
    CKetrelString path(fileName);
    if (fileName.IsEmpty() || fileName.GetBuffer()[0] != '/')
        GetAppFilePath(path, fileName);
    int rc = m_musicPlayer->Open(this, path);
    if (rc == KE_OK)
    {
        if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicVolume))
            m_musicPlayer->SetVolume(BrixStoredVolumeToPercent(e->intValue));
        m_musicPlayer->Play((u32)loop);
    }
    else
    {
        m_musicPlayer->Stop();
        delete m_musicPlayer;
        m_musicPlayer = nullptr;
    }
    return rc;
}

void CTolvaneApplication::StopMusic()
{
    ReleaseMusicPlayer();
    m_musicFile.Clear();
    m_musicPosition = 0.0f;
}

void CTolvaneApplication::SetVibrationEnabled(i32 enabled)
{
    if (CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyVibrations))
    {
        e->SetBool((u32)enabled);
        m_settings->Save();
    }
    if (m_device)
        m_device->SetVibrationEnabled(enabled ? 1 : 0);
}

i32 CTolvaneApplication::IsVibrationEnabled()
{
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyVibrations);
    return e ? (i32)(e->boolValue != 0) : 1;
}

// ---- lobby forwards -----------------------------------------------------------------------

IBrixLobbyState* CTolvaneApplication::FirstLobby() const
{
    return m_lobby && GetFirstState() == m_lobby ? m_lobby : nullptr;
}

CKetrelString CTolvaneApplication::GetUserName()
{
    return m_lobby ? m_lobby->GetUserName() : CKetrelString();
}

i32 CTolvaneApplication::IsGuest(i32 page) { return m_lobby ? m_lobby->IsGuest(page) : 0; }

const CKetrelArray<CItemData>* CTolvaneApplication::GetItemDataList()
{
    return m_lobby ? m_lobby->GetItemDataList() : nullptr;
}

void CTolvaneApplication::GetItemDataPackPath(i32 packNumber, CKetrelString* out)
{
    if (m_lobby)
        m_lobby->GetItemDataPackPath(packNumber, out);
    else if (out)
        out->Clear();
}

void CTolvaneApplication::SendMessage101(i32 itemId, i32 count, i32 value)
{
    if (m_lobby)
        m_lobby->SendMessage101(itemId, count, value);
}

i32 CTolvaneApplication::GetBrixButtonRect(CKetrelRect* out)
{
    return m_lobby ? m_lobby->GetBrixButtonRect(out) : 0;
}

void CTolvaneApplication::OpenChatPage(i32 mode)
{
    if (m_lobby)
        m_lobby->OpenChatPage(mode);
}

void CTolvaneApplication::EndMatchInMenu()
{
    if (m_lobby)
        m_lobby->EndMatch();
}

void CTolvaneApplication::ShowChatNotice(const CBrixChatRecord& record, i32 flag)
{
    if (m_lobby)
        m_lobby->ShowChatNotice(record, flag);
}

void CTolvaneApplication::RedirectServer(const CKetrelString& host, i32 port)
{
    if (m_lobby)
        m_lobby->Redirect(host, port);
}

void CTolvaneApplication::LeaveGame()
{
    if (m_lobby)
        m_lobby->LeaveGame();
}

void CTolvaneApplication::OpenMenuPage(i32 page)
{
    static const wchar_t* const kPages[] = {L"chat_root", L"shop_root", L"me_root", L"players_root",
                                            L"settings_root"};
    CKetrelString name;
    if (page == 0)
        name = kPages[0];
    else if (page >= 1 && page <= 4 && !IsGuest(page))
        name = kPages[page];
    if (!name.IsEmpty() && m_lobby && m_lobby->IsUILoaded())
        m_lobby->OpenPage(name, 1);
}

i32 CTolvaneApplication::GetGameId() { return m_game ? m_game->GetGameId() : 0; }

CKetrelString CTolvaneApplication::GetGameVersion()
{
    return m_game ? m_game->GetVersion() : CKetrelString();
}

CKetrelString CTolvaneApplication::GetResellerId()
{
    CKetrelString id;
    if (m_game)
        id = m_game->GetResellerId();
    if (id.IsEmpty())
        id = L"Ovi";
    return id;
}

void CTolvaneApplication::OpenLink(const CKetrelString& link)
{
    if (m_device && !link.IsEmpty())
        m_device->OpenUrl(link);
}

i32 CTolvaneApplication::IsLinkBusy()
{
    if (m_gameLinkUp)
        return 1;
    return m_game ? m_game->IsGameScreenBusy() : 0;
}

// ---- log-in menu --------------------------------------------------------------------------

void CTolvaneApplication::ShowLoginMenu(i32 logout)
{
    if (m_menuSwitching || !m_lobby)
        return;
    // Music stops without the user's setting changing.
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyMusicMute);
    const u32 stored = e ? e->boolValue : 0;
    SetMusicMuted(1);
    if (e)
        e->SetBool(stored);

    m_menuSwitching = 1;
    if (logout)
        m_lobby->Logout();
    else
        m_lobby->Relogin(0);
    m_menuSwitching = 0;
    if (m_lobby)
        BringToFront(m_lobby);
}

void CTolvaneApplication::ReloginAndShowMenu(i32 argument)
{
    if (m_menuSwitching || !m_lobby)
        return;
    m_menuSwitching = 1;
    m_lobby->Relogin(argument);
    m_menuSwitching = 0;
    if (m_lobby)
        BringToFront(m_lobby);
}

// ---- toasts -------------------------------------------------------------------------------

void CTolvaneApplication::ShowNotification(i32, const CKetrelString& text, f32 seconds, i32 kind)
{
    if (m_notificationFilter & NOTIFY_FILTER_TOASTS)
        return;
    if (!m_toast)
        return;
    QueueToast(text, kind, seconds);
    if (m_device)
        m_device->Vibrate(0);
}

void CTolvaneApplication::SetNotificationFilter(i32 bits)
{
    m_notificationFilter = bits;
    if (!m_settings)
        return;
    CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyNotificationFilter);
    if (!e)
    {
        e = m_settings->AddEntry(CKetrelString(kBrixKeyNotificationFilter));
        if (!e)
            return;
        e->SetInt(bits);
        return;
    }
    if (e->type != BRIX_STAT_INT || e->intValue != bits)
        e->SetInt(bits);
}

// ---- language and theme -------------------------------------------------------------------

void CTolvaneApplication::SetLanguage(const CKetrelString& code)
{
    if (!m_session || !m_language)
        return;
    m_language->SelectLanguage(code);
    SendLanguageChange(code);
    for (i32 i = 0; i < m_states.GetCount(); ++i)
        GetStateAt(i)->OnLanguageChanged(code);
}

void CTolvaneApplication::SetTheme(const CKetrelString& name)
{
    if (m_theme)
    {
        delete m_theme;
        m_theme = nullptr;
    }
    m_theme = new (std::nothrow) CBrixTheme();
    if (!m_theme)
        return;
    if (m_theme->Init(this, this, name) == KE_OK)
    {
        if (m_settings)
        {
            CBrixStatsEntry* e = FindKey(m_settings, kBrixKeyThemeName);
            if (!e)
                e = m_settings->AddEntry(CKetrelString(kBrixKeyThemeName));
            if (e && (e->type != BRIX_STAT_TEXT || !e->textValue.Equals(name)))
                e->SetString(name);
        }
        OnThemeChanged();
        return;
    }
    if (!name.Equals(CKetrelString(kBrixDefaultTheme)))
        SetTheme(CKetrelString(kBrixDefaultTheme));
    // When even the default fails, the failed theme stays: it answers no colours.
}

void CTolvaneApplication::OnThemeChanged()
{
    NotifyOverlaysOfTheme();
    if (m_lobby)
        m_lobby->OnThemeChanged();
}

// ---- the social part ----------------------------------------------------------------------

int CTolvaneApplication::CreateNetworkSession()
{
    CBrixNetworkSession* session = new (std::nothrow) CBrixNetworkSession();
    if (!session)
        return KE_ERR_MEMORY;
    int rc = session->Init(this, this);
    if (rc != KE_OK)
    {
        delete session;
        return rc == 0 ? KE_ERR_DEVICE : rc;
    }
    session->AddLobbyObserver(this);
    session->AddGameObserver(this);
    session->AddAdvertisementObserver(this);
    m_session = session;
    return KE_OK;
}

int CTolvaneApplication::CreateLobbyState()
{
    IBrixLobbyState* lobby = m_lobbyCreator ? m_lobbyCreator(this, m_game) : nullptr;
    if (m_lobbyCreator && !lobby)
        return KE_ERR_MEMORY;
    if (!lobby)
    {
        // No lobby in this program: the game runs on its own behind the title.
        CBrixGameOnlyState* alone = new (std::nothrow) CBrixGameOnlyState(m_game);
        return alone ? PushState(alone) : KE_ERR_MEMORY;
    }
    // The member is set only once the push kept the state: a failed Init deletes it.
    const int rc = PushState(lobby);
    if (rc == KE_OK)
        m_lobby = lobby;
    return rc;
}

int CTolvaneApplication::EnterSocialFramework()
{
    if (m_session)
        return KE_OK;        // entered once per run
    if (!m_netConnection)
    {
        m_netConnection = new (std::nothrow) CBrixNetConnection();
        if (!m_netConnection)
            return KE_ERR_MEMORY;
    }
    const i32 connected = m_netConnection->Connect();

    int rc = CreateNetworkSession();
    if (rc != KE_OK)
        return rc;
    rc = CreateLobbyState();
    if (rc != KE_OK)
        return rc;
    if (connected != 1)
        OnNotification(m_session, 0, 0, GetLanguageText(CBrixNetworkSession::LANGUAGE_TEXT_CONNECT_FAILED));
    return rc;
}

void CTolvaneApplication::DetachSession()
{
    if (!m_session)
        return;
    m_session->RemoveStatusObserver(this);
    m_session->RemoveLobbyObserver(this);
    m_session->RemoveGameObserver(this);
    m_session->RemoveAdvertisementObserver(this);
}

void CTolvaneApplication::RecreateNetworkSession()
{
    if (m_netConnection)
        m_netConnection->EnsureConnected();
    if (m_session)
    {
        // This may run inside the old session's own dispatch: it is shut down now and
        // deleted at the start of the next frame, once its call has returned.
        DetachSession();
        m_session->Shutdown();
        delete m_retiredSession;
        m_retiredSession = m_session;
        m_session = nullptr;
    }
    if (CreateNetworkSession() != KE_OK)
        Quit();
}

// ---- match result and after-match answer --------------------------------------------------

void CTolvaneApplication::ReportGameResult(const CKetrelArray<i32>& playerIds,
                                           const CKetrelArray<i32>& results, i32 abandoned)
{
    m_resultReported = 1;
    SendGameResult(playerIds, results, abandoned);
    if (m_lobby)
        m_lobby->ShowRematchButton(1);
    if (abandoned)
    {
        SendRematchAnswer(0, 1);
        EndMatchInMenu();
        return;
    }
    if (m_pendingAnswer >= 0)
    {
        const i32 answer = m_pendingAnswer;
        m_pendingAnswer = -1;
        SendRematchAnswer(answer & 1, (answer >> 1) & 1);
        if (!(answer & 1))
            EndMatchInMenu();
    }
}

void CTolvaneApplication::SendRematchAnswer(i32 rematch, i32 abandoned)
{
    if (!m_resultReported)
    {
        if (m_pendingAnswer < 0)
            m_pendingAnswer = (rematch ? 1 : 0) | (abandoned ? 2 : 0);
        return;
    }
    if (m_lobby)
        m_lobby->ShowRematchButton(0);
    if (rematch)
    {
        SendChatInfo(BRIX_CHAT_REMATCH);
        SendGameOver(rematch);
    }
    else
    {
        SendChatInfo(abandoned ? BRIX_CHAT_ABANDONED : BRIX_CHAT_LEFT);
        SendGameOver(0);
        EndMatchInMenu();
    }
    m_resultReported = 0;
}

// ---- chat ---------------------------------------------------------------------------------

void CTolvaneApplication::SendChatMessage(const CKetrelString& text, i32 kind)
{
    if (!m_session)
        return;
    CBrixChatRecord record;
    record.kind = kind;
    record.text = text;
    record.senderId = GetOwnPlayerId() & 0xFFFF;
    SendChatRecord(record);
    if (m_lobby)
        m_lobby->AddChatMessage(record, 0);
}

void CTolvaneApplication::SendChatInfo(i32 kind) { SendChatMessage(CKetrelString(), kind); }
