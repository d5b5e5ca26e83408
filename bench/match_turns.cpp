// The determinism rig at length: 20,000 seeded random turns of two-player matches over a
// lossy link, each simulated ahead and replayed on three screens, every step compared.
// Prints the turns checked per second of run time and fails on any difference.
#include <string>
#include <unistd.h>

// The rig reads the sample levels beside the executable: <build>/main, next to bench/.
static std::string BenchBinaryDir()
{
    char path[4096] = {0};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string exe(path, n > 0 ? (size_t)n : 0);
    exe = exe.substr(0, exe.rfind('/'));          // .../bench
    return exe.substr(0, exe.rfind('/'));          // the build folder
}
#define KETREL_BINARY_DIR BenchBinaryDir()

#include "../tests/match/JubEventTestKit.cpp"
#include "../tests/match/JubGameHostFake.cpp"
#include "../tests/match/JubLoopbackGameLink.cpp"
#include "../tests/match/JubMatchRig.cpp"
#include "BenchSupport.h"

#include <cmath>
#include <cstdio>
#include <random>

std::string Narrow(const CKetrelString& s)
{
    std::vector<char> buffer((size_t)s.GetLength() + 1);
    s.ToNarrow(buffer.data());
    return std::string(buffer.data());
}

int main(int argc, char** argv)
{
    const int count = argc > 1 ? atoi(argv[1]) : 20000;
    LoopbackGameLink::Options link;
    link.lossPercent = 15;
    link.duplicatePercent = 15;
    link.minDelayMs = 10;
    link.maxDelayMs = 150;
    link.longDelayPercent = 5;
    link.longDelayMs = 600;
    link.seed = 777;
    std::mt19937 random(777);
    MatchRig rig(link);
    RigReport report;
    int started = 0;
    const double start = bench::NowUs();
    for (int attempts = 0; report.turns < count && attempts < count * 3; ++attempts)
    {
        if (!started || rig.IsMatchOver())
        {
            if (rig.StartMatch((i32)(random() % JUB_BATTLE_SCENE_COUNT), (i32)(random() % 2))
                != KE_OK)
            {
                std::printf("the sample levels are missing beside the benchmark\n");
                return 1;
            }
            started = 1;
            ++report.matches;
        }
        CJubTurnAction action;
        action.weapon = (i32)(random() % JUB_WEAPON_COUNT);
        const f32 angle = (f32)(random() % 6283) / 1000.0f;
        const f32 power = 0.02f + (f32)(random() % 380) / 1000.0f;
        action.aim.Set(std::cos(angle) * power, std::sin(angle) * power);
        rig.RunTurn(action, (int)(random() % 60), 4000, report);
    }
    const double seconds = (bench::NowUs() - start) / 1e6;
    std::printf("turns %d, matches %d, abandoned %d, mismatches %d, %.1f s, %.0f turns/s\n",
                report.turns, report.matches, report.abandoned, report.mismatches, seconds,
                report.turns / seconds);
    for (const std::string& f : report.faults)
        std::printf("  %s\n", f.c_str());
    return report.mismatches == 0 && report.turns >= count ? 0 : 1;
}
