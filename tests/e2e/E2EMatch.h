#pragma once
// Playing a match through the window: what the play screen and the lobby's chat page
// look like when read back, and the scripted moves of a turn. Shared by the
// whole-program tests and the match-loop benchmark.
#include "E2EKit.h"

#include <functional>
#include <string>

namespace e2e
{

// Colours read back from the window: the creatures (and their portraits) of the two sides.
const long kRed = 0xFA5B36, kBlue = 0x398FFA;
// Weapon buttons of the match HUD, at y 40.
const int kJumpX = 240, kBombX = 400;

// Whether each channel of pixel lies within tolerance of 0xRRGGBB.
bool Near(long pixel, long rgb, int tolerance);
// Polls done every 200 ms until it holds or timeoutMs passed.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

// The game's menu has loaded its pictures and shows the play button.
bool ShowsGameMenu(CProgramCopy& copy);
// The play screen of a running match: the chat button in the corner, the exit button.
bool ShowsMatch(CProgramCopy& copy);
// The local turn runs: the white bar of the turn timer, drawn only while the local
// player may still act.
bool IsOwnTurn(CProgramCopy& copy);
// The colour of the local side, from its portrait in the top-left corner.
long OwnColour(CProgramCopy& copy);
// Where a creature of that colour is on the play field, below the HUD.
bool FindCreature(CProgramCopy& copy, long colour, double* x, double* y);
// The outcome's white text across the middle of the play screen.
bool ShowsResultText(CProgramCopy& copy);
// The opponent's speech bubble at the bottom right.
bool ShowsBubble(CProgramCopy& copy);
// The lobby's chat page covers the play screen.
bool ShowsChatPage(CProgramCopy& copy);

// Opens the chat page from the HUD's chat button, types text into its field and sends
// it; true once the line shows in the page's backlog. Each stage leaves a screenshot
// named step-page and step-sent.
bool SendChat(CProgramCopy& copy, const char* text, const std::string& step);
// The framework button closes the chat page over the match; true once it is gone.
bool CloseChat(CProgramCopy& copy);

// One turn: the weapon of the button at weaponX chosen, then a full pull from the own
// creature toward the opponent, so that the shot or leap goes away from it (or, with
// away false, the other way round); with the opponent out of sight the middle of the
// screen stands for it. True once the turn has passed; the screenshot step shows the
// moment after the pull (step-missed when it did not fire).
bool TakeTurn(CProgramCopy& copy, long mine, long theirs, int weaponX, const std::string& step,
              bool away = true);

// Gives the match up: the HUD's exit button, then yes in its confirmation.
void GiveUp(CProgramCopy& copy);

// The resident memory of a process in kB, from /proc; 0 when unknown.
long ResidentKb(pid_t pid);

} // namespace e2e
