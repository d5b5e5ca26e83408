#pragma once
// lobby/BrixLobbyNames.h: every widget name, path, page and settings key that the lobby
// menu looks up, in one place, so that a test can check the layout against them.
#include "engine/KetrelTypes.h"

// ---- files and settings ----
#define kBrixMenuLayoutFile "menu_root.xml"
#define kBrixKeyTimesLaunched "__Brix_TimesLaunched"
#define kBrixKeyTimesLoggedIn "__Brix_TimesLoggedIn"
#define kBrixKeyTimesReturnGame "__Brix_TimesReturnGame"

// ---- widgets the menu keeps (looked up anywhere under the root) ----
#define kBrixMenuPageView "menu_root"
#define kBrixButtonRoot "brix_button_root"
#define kBrixButton "brix_button"
#define kBrixChatNotifier "chat-notifier"
#define kBrixShopPageList "shop_page_list"
#define kBrixMyItemsPageList "my_items_page_list"
#define kBrixPathJoinBubble "//brix_button_root//bubble_join"
#define kBrixPathReturnBubble "//brix_button_root//bubble_return_game"
#define kBrixPathChatSubmitBubble "//chat_root//bubble_chat_submit"
#define kBrixPathJoinBubbleText "bubble_join//bubble-text"
#define kBrixButtonImage "brix-image"
#define kBrixButtonTimer "brix-timer"
#define kBrixTurnClock "brix-turn-clock"
#define kBrixLargeIconItem "large-icon-item"
#define kBrixMoreGamesButton "button_moregames"
#define kBrixTournamentsButton "button-tournaments"
#define kBrixTournamentIcon "image-tournament"
#define kBrixTournamentLabel "label-tournament"
#define kBrixDialogBox "dialog_box"
#define kBrixConfirmBox "confirm_box"
#define kBrixDialogHead "dialog_head"
#define kBrixDialogText "dialog_text"
#define kBrixErrorText "error-text"

// ---- pages of the menu page view ----
#define kBrixPageLogin "loginscreen_root"
#define kBrixPageStart "startscreen_root"
#define kBrixPageLoading "loading_dialog"
#define kBrixPageLanguageChooser "startup_language_chooser"
#define kBrixPageChat "chat_root"
#define kBrixPageChallengeWaiting "challenge_waiting"
#define kBrixPageError "generic_error_dialog"
#define kBrixPageErrorCoins "generic_error_dialog_more_coins"

// ---- paths ----
#define kBrixPathChatBacklog "//chat_root//chat_backlog"
#define kBrixPathStartScreen "//startscreen_root//startscreen"
#define kBrixPathStartScreenInGame "//startscreen_root//startscreen_ingame"
#define kBrixPathLoadingTitle "//loading_dialog//text_title"
#define kBrixPathLoadingText "//loading_dialog//text_description"
#define kBrixPathAvatarList "//chat_avatars_root//avatar_list"
#define kBrixPathInsideLanguageChooser "<startup_language_chooser"
#define kBrixSettingMute "setting_mute"

// ---- rows ----
#define kBrixLanguageName "language-name"
#define kBrixSelectButton "select-button"
#define kBrixSelected "selected"
#define kBrixUnselected "unselected"
#define kBrixMyResult "my_result_%d"
#define kBrixMyPoints "my_points_%d"
#define kBrixMyOpponent "my_opponent_%d"
#define kBrixMyAchievement "my_achievement_%d"
#define kBrixMyAchievementImage "my_achievement_image_%d"
#define kBrixTrophyImage "lobby_trophy.png"
#define kBrixImageAndLinkMoreGames "imageandlink_moregames"

// How a name of the table below is looked up in a freshly built layout (its list rows
// still hold their templates).
enum EBrixLobbyLookup
{
    BRIX_LOOKUP_CHILD = 0,   // the root's FindChild at any depth
    BRIX_LOOKUP_PATH = 1     // the root's FindByPath
};

struct CBrixLobbyName
{
    const char* name;
    i32 lookup;
};

// Every widget that the code looks up, spelled as the code spells it (row names with the
// list and its template in front, numbered names once per number). Ends with a null name.
extern const CBrixLobbyName kBrixLobbyNames[];
