#pragma once
// framework/BrixLobbyState.h
#include "engine/KetrelArray.h"
#include "engine/KetrelRect.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"
#include "framework/BrixState.h"
#include "net/ASN1Records.h"
#include "net/BrixNetworkSession.h"

struct CBrixChatRecord;
class CTolvaneApplication;
class IBrixGameState;

// The lobby menu state as the application drives it. The lobby layer implements it;
// the application creates it through the creator that the program registers at start-up
// (CTolvaneApplication::SetLobbyStateCreator), pushes it behind the title and forwards
// the session's lobby replies to its LobbyObserver part (OnMatchResult only for this
// game's id; OnLobbySlot1 never). Every call is on the main thread. The lobby never
// deletes the game object: it releases it, and the application deletes it.
class IBrixLobbyState : public IBrixState, public CBrixNetworkSession::LobbyObserver
{
public:
    ~IBrixLobbyState() override {}

    // Log-in controller.
    virtual CKetrelString GetUserName() = 0;
    virtual i32 IsGuest(i32 page) = 0;
    virtual i32 IsLoggedIn() = 0;
    virtual void Logout() = 0;
    virtual void Relogin(i32 argument) = 0;
    virtual void Redirect(const CKetrelString& host, i32 port) = 0;

    // Pages and the user interface.
    virtual i32 IsUILoaded() = 0;
    virtual void OpenPage(const CKetrelString& name, i32 animate) = 0;
    virtual void OpenChatPage(i32 mode) = 0;
    virtual i32 GetBrixButtonRect(CKetrelRect* out) = 0;   // 0 when there is none
    virtual void OnThemeChanged() = 0;

    // Items.
    virtual const CKetrelArray<CItemData>* GetItemDataList() = 0;
    virtual void GetItemDataPackPath(i32 packNumber, CKetrelString* out) = 0;
    virtual void SendMessage101(i32 itemId, i32 count, i32 value) = 0;

    // Match and chat.
    virtual void BeginMatch() = 0;
    virtual void EndMatch() = 0;
    virtual void LeaveGame() = 0;
    virtual void ShowRematchButton(i32 shown) = 0;
    virtual void AddChatMessage(const CBrixChatRecord& record, i32 fromPeer) = 0;
    virtual void ShowChatNotice(const CBrixChatRecord& record, i32 flag) = 0;

    // Link status, while the lobby is the first state.
    virtual void OnLobbyLinkStatus(i32 status) = 0;
    virtual void OnGameLinkStatus(i32 status) = 0;
};

// Makes the lobby menu state for an application and its game; null when it cannot.
typedef IBrixLobbyState* (*BrixLobbyStateCreator)(CTolvaneApplication* application,
                                                  IBrixGameState* game);
