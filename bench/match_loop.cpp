// The program over many matches, driven through its window as the whole-program tests
// drive it: two copies on private X servers log in as guests to our lobby server, meet
// through the quick match and play one match after another (each asks for the rematch
// when a match is over) for three minutes. Every turn leaps away from the opponent, so
// each match ends in a minute or less.
//   match_loop  the resident memory of each copy at the end against where it stood after
//               the first match, allowed 5 % more: 1.05 / (end / after the first match),
//               the worse of the two copies, measured when the three minutes are up
//               (a match may still run then). Any error (a copy gone, a match that does
//               not start, fewer than two matches played) prints ratio 0.
#include "E2EKit.h"
#include "E2EMatch.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

using namespace e2e;

namespace
{

const long long kLoopMs = 180000;

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

// A tap that must change the picture within 5 s.
bool Tap(CProgramCopy& copy, int x, int y)
{
    const size_t before = copy.Fingerprint();
    copy.Click(x, y);
    const bool changed = copy.WaitChange(before, 5000);
    copy.WaitStill(400, 3000);
    return changed;
}

struct Loop
{
    CNetwork network;
    std::unique_ptr<CProgramCopy> copies[2];
    std::string error;

    bool Fail(const std::string& why)
    {
        if (error.empty())
            error = why;
        return false;
    }

    bool LogIn()
    {
        if (!network.Start() || !network.StartServer())
            return Fail("the lobby server did not start");
        for (int i = 0; i < 2; i++)
        {
            copies[i].reset(new CProgramCopy(i == 0 ? "match_loop-a" : "match_loop-b"));
            CProgramCopy& copy = *copies[i];
            if (!copy.Start(&network) || !copy.FindWindow(20000) || copy.WaitFirstFrame(20000) < 0)
                return Fail("a copy did not start");
            usleep(8000 * 1000);         // intro and title
            copy.WaitStill(500, 4000);
            if (!Tap(copy, 630, 95) || !Tap(copy, 400, 418))
                return Fail("no log-in page");
        }
        for (auto& copy : copies)
            copy->Click(155, 318);       // play as a guest
        if (!WaitFor([&] { return Count(network.GetServerLog(), "logged in as") >= 2; }, 20000))
            return Fail("the guests did not log in");
        for (auto& copy : copies)
            if (!WaitFor([&] { return ShowsGameMenu(*copy); }, 30000))
                return Fail("no game menu");
        copies[0]->Click(400, 240);
        if (!WaitFor([&] {
                return network.GetServerLog().find("waiting for a quick match") != std::string::npos;
            }, 10000))
            return Fail("no quick match request");
        copies[1]->Click(400, 240);
        return WaitForMatch();
    }

    bool WaitForMatch()
    {
        for (auto& copy : copies)
            if (!WaitFor([&] { return ShowsMatch(*copy) && !ShowsChatPage(*copy); }, 30000))
                return Fail("no match started");
        return true;
    }

    // Every turn leaps until the server records a result (true), or until the time of
    // the loop is up (true, with the match left unfinished); a side whose leap away did
    // not end the match leaps the other way next time.
    bool PlayMatch(long long loopEnd, bool* finished)
    {
        const int before = Count(network.GetServerLog(), " recorded");
        int leaps[2] = {0, 0};
        *finished = false;
        while (Count(network.GetServerLog(), " recorded") == before)
        {
            if (NowMs() > loopEnd)
                return true;
            for (int i = 0; i < 2; i++)
            {
                CProgramCopy& copy = *copies[i];
                if (!copy.IsRunning())
                    return Fail("a copy ended: " + copy.GetOutput());
                if (!IsOwnTurn(copy))
                    continue;
                const long mine = OwnColour(copy);
                if (TakeTurn(copy, mine, mine == kRed ? kBlue : kRed, kJumpX, "leap",
                             leaps[i] % 2 == 0))
                    leaps[i]++;
            }
            usleep(200000);
        }
        *finished = true;
        return true;
    }

    // Both ask for the rematch on the chat page that the end of the match opens.
    bool Rematch()
    {
        for (auto& copy : copies)
        {
            if (!WaitFor([&] { return ShowsChatPage(*copy); }, 8000))
            {
                copy->Click(27, 452);    // the HUD's chat button
                if (!WaitFor([&] { return ShowsChatPage(*copy); }, 5000))
                    return Fail("no chat page after the match");
            }
            copy->Click(690, 80);        // "Rematch?"
        }
        return WaitForMatch();
    }
};

} // namespace

int main()
{
    if (system("command -v Xvfb >/dev/null 2>&1") != 0 || !NamespacesAvailable())
    {
        printf("match_loop: needs Xvfb and private user, mount and network namespaces\n");
        printf("BENCH match_loop ratio=0\n");
        return 0;
    }
    Loop loop;
    long first[2] = {0, 0};
    int matches = 0;
    bool ok = loop.LogIn();
    const long long end = NowMs() + kLoopMs;
    while (ok && NowMs() < end)
    {
        bool finished = false;
        ok = loop.PlayMatch(end, &finished);
        if (!ok || !finished)
            break;
        if (++matches == 1)
        {
            usleep(2000 * 1000);
            for (int i = 0; i < 2; i++)
                first[i] = ResidentKb(loop.copies[i]->GetPid());
        }
        if (NowMs() < end)
            ok = loop.Rematch();
    }
    long last[2] = {0, 0};
    for (int i = 0; ok && i < 2; i++)
    {
        if (!loop.copies[i]->IsRunning())
            ok = loop.Fail("a copy ended: " + loop.copies[i]->GetOutput());
        last[i] = ResidentKb(loop.copies[i]->GetPid());
    }
    if (!ok || matches < 2 || !first[0] || !first[1] || !last[0] || !last[1])
    {
        printf("match_loop: %s after %d matches\n",
               loop.error.empty() ? "fewer than two matches" : loop.error.c_str(), matches);
        printf("BENCH match_loop ratio=0\n");
        return 0;
    }
    double worst = 0.0;
    for (int i = 0; i < 2; i++)
    {
        const double growth = (double)last[i] / (double)first[i];
        printf("match_loop: copy %c resident %ld kB after the first match, %ld kB after %d "
               "and three minutes\n",
               'a' + i, first[i], last[i], matches);
        if (growth > worst)
            worst = growth;
    }
    printf("BENCH match_loop ratio=%.3f\n", 1.05 / worst);
    return 0;
}
