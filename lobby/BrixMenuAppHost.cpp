// lobby/BrixMenuAppHost.cpp
#include "lobby/BrixMenuAppHost.h"

#include "engine/graphics/KetrelGraphicsContext.h"
#include "framework/BrixDevice.h"
#include "framework/BrixLanguage.h"
#include "framework/TolvaneApplication.h"

CBrixNetworkSession* CBrixMenuAppHost::Session() { return m_app ? m_app->GetNetworkSession() : nullptr; }

IKetrelApplication* CBrixMenuAppHost::GetEngineApplication() { return m_app; }
IUIApplication* CBrixMenuAppHost::GetUIApplication() { return m_app ? m_app->GetUIApplication() : nullptr; }
IKetrelGraphicsContext* CBrixMenuAppHost::GetGraphicsContext() { return m_app ? m_app->GetGraphicsContext() : nullptr; }

void CBrixMenuAppHost::GetScreenSize(i32* width, i32* height)
{
    IKetrelGraphicsContext* gc = GetGraphicsContext();
    *width = gc ? gc->GetWidth() : 0;
    *height = gc ? gc->GetHeight() : 0;
}

IBrixGameState* CBrixMenuAppHost::GetGameState() { return m_app ? m_app->GetGameState() : nullptr; }
void CBrixMenuAppHost::DeleteGameState() { if (m_app) m_app->DeleteGameState(); }
void CBrixMenuAppHost::Quit() { if (m_app) m_app->Quit(); }
void CBrixMenuAppHost::ResetIdleTimer() { if (m_app) m_app->ResetIdleTimer(); }
CBrixStatsStore* CBrixMenuAppHost::GetSettings() { return m_app ? m_app->GetSettings() : nullptr; }

CKetrelString CBrixMenuAppHost::GetUserDataPath(const CKetrelString& name)
{
    CKetrelString path;
    if (m_app)
        m_app->GetUserDataPath(path, name);
    return path;
}

i32 CBrixMenuAppHost::GetSoundVolume() { return m_app ? m_app->GetSoundVolume() : 0; }
void CBrixMenuAppHost::SetSoundVolume(i32 volume) { if (m_app) m_app->SetSoundVolume(volume); }
i32 CBrixMenuAppHost::IsSoundMuted() { return m_app ? m_app->IsSoundMuted() : 0; }
void CBrixMenuAppHost::SetSoundMuted(i32 muted) { if (m_app) m_app->SetSoundMuted(muted); }
i32 CBrixMenuAppHost::GetMusicVolume() { return m_app ? m_app->GetMusicVolume() : 0; }
void CBrixMenuAppHost::SetMusicVolume(i32 volume) { if (m_app) m_app->SetMusicVolume(volume); }
i32 CBrixMenuAppHost::IsMusicMuted() { return m_app ? m_app->IsMusicMuted() : 0; }
void CBrixMenuAppHost::SetMusicMuted(i32 muted) { if (m_app) m_app->SetMusicMuted(muted); }
i32 CBrixMenuAppHost::IsVibrationEnabled() { return m_app ? m_app->IsVibrationEnabled() : 0; }
void CBrixMenuAppHost::SetVibrationEnabled(i32 enabled) { if (m_app) m_app->SetVibrationEnabled(enabled); }
i32 CBrixMenuAppHost::GetNotificationFilter() { return m_app ? m_app->GetNotificationFilter() : 0; }
void CBrixMenuAppHost::SetNotificationFilter(i32 bits) { if (m_app) m_app->SetNotificationFilter(bits); }

void CBrixMenuAppHost::GetSortedLanguages(CKetrelArray<CKetrelString>* names, CKetrelArray<CKetrelString>* codes)
{
    names->RemoveAll();
    codes->RemoveAll();
    CBrixLanguage* language = m_app ? m_app->GetLanguage() : nullptr;
    if (!language)
        return;
    language->SortLanguages(2);
    language->GetLanguageNames(*names);
    language->GetLanguageCodes(*codes);
}

CKetrelString CBrixMenuAppHost::GetCurrentLanguageName()
{
    CBrixLanguage* language = m_app ? m_app->GetLanguage() : nullptr;
    const CBrixLanguageEntry* current = language ? language->GetCurrent() : nullptr;
    return current ? current->name : CKetrelString();
}

CKetrelString CBrixMenuAppHost::GetCurrentLanguageCode()
{
    CBrixLanguage* language = m_app ? m_app->GetLanguage() : nullptr;
    return language ? language->GetCurrentCode() : CKetrelString();
}

void CBrixMenuAppHost::SetLanguage(const CKetrelString& code) { if (m_app) m_app->SetLanguage(code); }
CKetrelString CBrixMenuAppHost::GetLanguageText(i32 index) { return m_app ? m_app->GetLanguageText(index) : CKetrelString(); }
void CBrixMenuAppHost::ShowNotification(const CKetrelString& text) { if (m_app) m_app->OnNotification(Session(), 0, 0, text); }

void CBrixMenuAppHost::OpenUrl(const CKetrelString& url)
{
    if (CBrixDevice* device = m_app ? m_app->GetDevice() : nullptr)
        device->OpenUrl(url);
}

CKetrelString CBrixMenuAppHost::GetDeviceId()
{
    CBrixDevice* device = m_app ? m_app->GetDevice() : nullptr;
    return device ? device->GetInfo().deviceId : CKetrelString();
}

i32 CBrixMenuAppHost::GetGameId() { return m_app ? m_app->GetGameId() : 0; }
i32 CBrixMenuAppHost::GetReleaseId() { return m_app ? m_app->GetReleaseId() : 0; }
CKetrelString CBrixMenuAppHost::GetResellerId() { return m_app ? m_app->GetResellerId() : CKetrelString(); }
CKetrelSurface* CBrixMenuAppHost::DecodePicture(const u8* data, i32 size) { return m_app ? m_app->LoadPicture(data, size) : nullptr; }

i32 CBrixMenuAppHost::HasSession() { return Session() != nullptr; }
i32 CBrixMenuAppHost::GetOwnPlayerId() { return Session() ? Session()->GetOwnPlayerId() : 0; }
CKetrelString CBrixMenuAppHost::GetSessionToken() { return Session() ? Session()->GetSessionToken() : CKetrelString(); }
i32 CBrixMenuAppHost::GetReleaseNumber() { return Session() ? Session()->GetReleaseNumber() : 0; }
CKetrelString CBrixMenuAppHost::GetUrlSuffix() { return Session() ? Session()->GetUrlSuffix() : CKetrelString(); }

void CBrixMenuAppHost::RequestPlayerList(i32 list, const CKetrelString& filter, i32 a, i32 b, i32 first,
                                         i32 count, CBrixNetworkSession::PlayerListCallback callback,
                                         void* context)
{
    if (CBrixNetworkSession* s = Session())
        s->RequestPlayerList(list, filter, a, b, first, count, callback, context);
}

void CBrixMenuAppHost::RequestGameResults(i32 a, i32 b) { if (Session()) Session()->RequestGameResults(a, b); }
void CBrixMenuAppHost::RequestCoinBalance() { if (Session()) Session()->RequestCoinBalance(); }
void CBrixMenuAppHost::RequestAchievementList(i32 a, i32 b, i32 c, i32 d) { if (Session()) Session()->RequestAchievementList(a, b, c, d); }
void CBrixMenuAppHost::CancelMatchRequest() { if (Session()) Session()->CancelMatchRequest(); }

void CBrixMenuAppHost::AnswerChallenge(i32 challengerId, i32 answer, const CKetrelString& text)
{
    if (CBrixNetworkSession* s = Session())
        s->AnswerChallenge(challengerId, answer, text);
}

void CBrixMenuAppHost::RequestLanguageList() { if (Session()) Session()->RequestLanguageList(); }

void CBrixMenuAppHost::GetKeyValue(const CKetrelString& key, CBrixNetworkSession::KeyValueCallback callback,
                                   void* context)
{
    if (CBrixNetworkSession* s = Session())
        s->GetKeyValue(key, callback, context);
}

void CBrixMenuAppHost::RequestDataChunk(i32 itemId, i32 offset, i32 length) { if (Session()) Session()->RequestDataChunk(itemId, offset, length); }
void CBrixMenuAppHost::RequestShopGroups(i32 flags) { if (Session()) Session()->RequestShopGroups(flags); }

void CBrixMenuAppHost::RequestImageAndLink(const CKetrelString& name, const CKetrelString& text)
{
    if (CBrixNetworkSession* s = Session())
        s->RequestImageAndLink(name, text);
}

void CBrixMenuAppHost::RequestShopItemImages(const CKetrelArray<i32>& itemIds, i32 size)
{
    if (CBrixNetworkSession* s = Session())
        s->RequestShopItemImages(itemIds, size);
}
