#pragma once
// framework/BrixGameState.h
#include "engine/KetrelArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixState.h"

class CBrixAchievementStation;
class CBrixChatRecord;
class CBrixLanguage;
class CBrixPlayer;

// What the game state's default operations need of the framework application: its
// network session (through these forwards, so that the game state names no network
// class), the lobby menu state and the achievements. The application implements it;
// "no session" means the social part has not been entered yet.
class IBrixGameHost
{
public:
    virtual ~IBrixGameHost() {}

    virtual int HasNetworkSession() = 0;
    virtual u32 GetSessionStatus() = 0;                   // 0 without a session
    virtual void CloseGameLink() = 0;
    virtual void RequestMatch(i32 mode, i32 param) = 0;
    virtual void CancelMatchRequest() = 0;
    virtual void SendGameData(const u8* data, i32 size, i32 a, i32 b) = 0;
    virtual CKetrelString GetUrlSuffix() = 0;
    virtual i32 GetOwnPlayerId() = 0;
    virtual i32 GetLobbyPlayerCount() = 0;
    virtual CBrixPlayer* GetLobbyPlayer(i32 index) = 0;   // not owned by the caller

    // The lobby menu state's LeaveGame; nothing when it does not exist.
    virtual void LeaveGame() = 0;
    virtual void ShowLoginMenu(i32 logout) = 0;
    virtual void ReportGameResult(const CKetrelArray<i32>& playerIds,
                                  const CKetrelArray<i32>& results, i32 abandoned) = 0;
    // Null when the station could not be initialised.
    virtual CBrixAchievementStation* GetAchievementStation() = 0;
};

// The game as the framework drives it: identity values, match control, game data, link
// events, lobby players and achievements. The game object is the one implementation.
// The defaults here reach the session through the host set by SetApplication; before
// that, and before the social part is entered, they answer as "no session".
class IBrixGameState : public IBrixState
{
public:
    IBrixGameState() : m_language(nullptr), m_application(nullptr) {}

    // 3 without a language object, else its SelectLanguage result.
    int OnLanguageChanged(const CKetrelString& code) override;

    virtual i32 GetGameId() = 0;
    virtual CKetrelString GetResellerId();                // "Ovi"
    virtual CKetrelString GetVersion() = 0;
    virtual CKetrelString GetApplicationName() = 0;
    virtual i32 GetMinPlayers() = 0;
    virtual i32 GetMaxPlayers() = 0;
    virtual CKetrelString GetApplicationToken() = 0;
    virtual void OnMenuOpened() = 0;
    virtual void OnMenuClosed() = 0;
    // Leaves the game, closes the game link, then requests a match (mode 1, the
    // maximum player count) when the lobby link is up; otherwise closes the connecting
    // screen and shows the log-in menu with log-out.
    virtual void FindMatch();
    virtual void CancelMatchRequest();
    virtual void CloseConnectingScreen() = 0;
    virtual void StartMatch(i32 match) = 0;
    virtual void StopMatch() = 0;
    virtual void OnPlayerLeft(i32 playerId) = 0;
    virtual f32 GetTurnClockFraction() = 0;
    virtual i32 IsGameScreenBusy() { return 0; }
    virtual void SendGameData(const u8* data, i32 size, i32 a, i32 b);
    virtual void OnGameData(const u8* data, i32 size) = 0;
    virtual void ReportGameResult(const CKetrelArray<i32>& playerIds,
                                  const CKetrelArray<i32>& results, i32 abandoned);
    virtual void OnGameLinkDown(i32 busy) = 0;
    virtual void OnLobbyLinkDown(i32 busy) = 0;
    virtual CKetrelString GetUrlSuffix();                 // empty without a session
    virtual i32 GetUserId();                              // -1 without a session
    virtual i32 GetLobbyPlayerCount();                    // 0 without a session
    virtual CBrixPlayer* GetLobbyPlayer(i32 index);       // null without a session
    // 0 when the list or the achievement does not exist; 1 when it is unlocked now or
    // already was (then neither its time nor the saved file changes).
    virtual i32 UnlockAchievement(u32 id);
    virtual i32 IsAchievementUnlocked(u32 id);
    virtual i32 OnChatMessage(const CBrixChatRecord& record, i32 fromPeer);   // 0
    virtual void OnItemDataChanged() {}
    virtual i32 OnThemeChanged() { return 1; }

    // Keeps the first host only; later calls are ignored.
    void SetApplication(IBrixGameHost* application);
    IBrixGameHost* GetApplication() const { return m_application; }

protected:
    CBrixLanguage* m_language;        // the game's own texts; owned by the game, may be null
    IBrixGameHost* m_application;     // not owned; null until SetApplication
};
