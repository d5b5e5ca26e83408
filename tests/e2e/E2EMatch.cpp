#include "E2EMatch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace e2e
{

namespace
{
const long kPlayButton = 0x4696DC, kHudChat = 0xF0C948, kHudExit = 0xC85A46;
const long kOwnChatLine = 0xFFC000;     // the colour of own lines in the chat backlog
} // namespace

bool Near(long pixel, long rgb, int tolerance)
{
    if (pixel < 0)
        return false;
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs((int)((pixel >> shift) & 0xFF) - (int)((rgb >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    for (;;)
    {
        if (done())
            return true;
        if (NowMs() >= deadline)
            return false;
        usleep(200000);
    }
}

bool ShowsGameMenu(CProgramCopy& copy)
{
    return Near(copy.Pixel(330, 240), kPlayButton, 24) && Near(copy.Pixel(470, 240), kPlayButton, 24);
}

bool ShowsMatch(CProgramCopy& copy)
{
    return Near(copy.Pixel(12, 453), kHudChat, 24) && Near(copy.Pixel(385, 448), kHudExit, 24);
}

bool IsOwnTurn(CProgramCopy& copy)
{
    const int points[][2] = {{242, 121}, {246, 122}, {250, 123}, {244, 124}};
    for (const auto& at : points)
        if (copy.Pixel(at[0], at[1]) != 0xFFFFFF)
            return false;
    return true;
}

long OwnColour(CProgramCopy& copy)
{
    return Near(copy.Pixel(40, 60), kRed, 40) ? kRed : kBlue;
}

// Below the HUD, whose weapon buttons and portraits (reaching down to y 95) and the
// health and names under them are drawn in the players' colours. Close to the face's own
// colour only: the water's surface (70, 150, 220) lies within 40 of the blue face and,
// wherever the camera shows it, would pull the centre off the creature onto the water.
bool FindCreature(CProgramCopy& copy, long colour, double* x, double* y)
{
    return copy.FindColour(0, 130, 800, 470, colour, 24, 8, x, y);
}

bool ShowsResultText(CProgramCopy& copy)
{
    double x, y;
    return copy.FindColour(150, 175, 650, 210, 0xFFFFFF, 8, 30, &x, &y);
}

// The chat bubble above the play screen's right-hand chat button: its dark face with white
// text on it.
bool ShowsBubble(CProgramCopy& copy)
{
    double x, y;
    return copy.FindColour(420, 370, 705, 420, 0x303846, 12, 1500, &x, &y) &&
           copy.FindColour(420, 370, 705, 420, 0xFFFFFF, 6, 100, &x, &y);
}

bool ShowsChatPage(CProgramCopy& copy)
{
    return Near(copy.Pixel(300, 8), 0xF4F4F0, 6) && Near(copy.Pixel(300, 470), 0xDDE6EE, 10);
}

bool SendChat(CProgramCopy& copy, const char* text, const std::string& step)
{
    // The HUD's buttons do nothing while the own shot is under way: tried again.
    bool open = false;
    for (int attempt = 0; attempt < 5 && !open; attempt++)
    {
        copy.Click(27, 452);
        open = WaitFor([&] { return ShowsChatPage(copy); }, 2000);
    }
    copy.Screenshot((step + "-page").c_str());
    if (!open)
        return false;
    copy.Click(250, 420);                // the text field
    usleep(200 * 1000);
    copy.TypeText(text);
    copy.Click(535, 420);                // send
    double x, y;
    const bool shown = WaitFor([&] {
        return copy.FindColour(15, 340, 480, 392, kOwnChatLine, 40, 20, &x, &y);
    }, 3000);
    copy.Screenshot((step + "-sent").c_str());
    return shown;
}

bool CloseChat(CProgramCopy& copy)
{
    copy.Click(640, 28);                 // the lobby's menu button, at the top
    return WaitFor([&] { return !ShowsChatPage(copy); }, 3000);
}

bool TakeTurn(CProgramCopy& copy, long mine, long theirs, int weaponX, const std::string& step,
              bool away)
{
    copy.Click(weaponX, 40);
    // The camera glides to the creature and eases in slowly at the end: wait until the
    // creature has stood nearly still on the screen for three looks in a row. A few pixels
    // off do not matter: a press within 40 pixels of the creature takes it, and the pull
    // is measured from where the creature really is. (Its breathing moves the centre of a
    // creature half hidden behind a button by a pixel or two.)
    double x = -100, y = -100, ox = 0, oy = 0;
    int stillLooks = 0;
    const bool found = WaitFor([&] {
        double nx, ny;
        if (!FindCreature(copy, mine, &nx, &ny))
        {
            stillLooks = 0;
            return false;
        }
        stillLooks = std::fabs(nx - x) < 4.0 && std::fabs(ny - y) < 4.0 ? stillLooks + 1 : 0;
        x = nx;
        y = ny;
        return stillLooks >= 3;
    }, 8000);
    if (!found)
    {
        copy.Screenshot((step + "-no-creature").c_str());
        return false;
    }
    // 45 degrees below the horizontal, flatter near the bottom edge; always long enough
    // for the strongest pull.
    const bool seen = FindCreature(copy, theirs, &ox, &oy);
    const int toward = (seen ? (ox >= x ? 1 : -1) : (x < 400 ? 1 : -1)) * (away ? 1 : -1);
    const int endX = std::max(5, std::min(795, (int)x + toward * 150));
    const int endY = std::max((int)y, std::min(470, (int)y + 150));
    copy.Drag((int)x, (int)y, endX, endY);
    // The turn passes once the shot or leap is under way.
    const bool fired = WaitFor([&] { return !IsOwnTurn(copy); }, 2000);
    copy.Screenshot((step + (fired ? "" : "-missed")).c_str());
    return fired;
}

void GiveUp(CProgramCopy& copy)
{
    copy.Click(400, 448);
    usleep(800 * 1000);
    copy.Click(320, 288);
}

long ResidentKb(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (!f)
        return 0;
    char line[256];
    long kb = 0;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0)
            kb = atol(line + 6);
    fclose(f);
    return kb;
}

} // namespace e2e
