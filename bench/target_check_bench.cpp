// How long the check before each frame's answer takes (is the input desktop
// the user's, is the focused window elevated?), through the real Win32 calls.
// Prints figures; judges nothing.
//
//   target_check_bench <checks>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "resident/receiver/input_target.h"
#include "resident/receiver/win32/win32_input_target.h"

int main(int argc, char** argv) {
    const long checks = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    tellurin::Win32InputTarget target;
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    int reachable = 0;
    QueryPerformanceCounter(&start);
    for (long check = 0; check < checks; ++check)
        reachable += tellurin::JudgeTarget(target) == tellurin::TargetReach::Reachable ? 1 : 0;
    QueryPerformanceCounter(&end);
    const double microseconds =
        static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
    std::printf("target check before each answer: %.1f us per frame over %ld checks (%d found reachable)\n",
                microseconds / static_cast<double>(checks), checks, reachable);
    return 0;
}
