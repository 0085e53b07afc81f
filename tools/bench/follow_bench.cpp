// follow-bench RECORD: what following the cursor costs on Windows, with the
// tests' XInput pad (its record RECORD, written with XINPUT_STANDIN_TIMES
// set) as the device: the library's share of a core while a spring plays
// with the cursor still and while it moves, and the delay from a cursor move
// to the pad's new rumble. Run under Wine by tools/bench/follow_bench.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "taclib.h"

namespace {

double Seconds(FILETIME t)
{
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           1e7;
}

// CPU seconds of the whole process, and of this thread alone.
void CpuTimes(double *process, double *thread)
{
    FILETIME created, ended, kernel, user;
    (void)GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    *process = Seconds(kernel) + Seconds(user);
    (void)GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    *thread = Seconds(kernel) + Seconds(user);
}

long long Microseconds()
{
    LARGE_INTEGER now, frequency;
    (void)QueryPerformanceCounter(&now);
    (void)QueryPerformanceFrequency(&frequency);
    return static_cast<long long>(static_cast<double>(now.QuadPart) * 1e6 /
                                  static_cast<double>(frequency.QuadPart));
}

// The share of a core the process used besides this thread over SECONDS,
// moving the cursor every 10 ms when told to.
double OthersShare(double seconds, bool move)
{
    double process0, thread0, process1, thread1;
    CpuTimes(&process0, &thread0);
    long long start = Microseconds();
    for (int i = 0; static_cast<double>(Microseconds() - start) < seconds * 1e6; ++i) {
        if (move)
            (void)SetCursorPos(512 + i % 100, 384 + i % 200);
        Sleep(10);
    }
    CpuTimes(&process1, &thread1);
    double wall = static_cast<double>(Microseconds() - start) / 1e6;
    return ((process1 - process0) - (thread1 - thread0)) / wall;
}

// The times of the rumbles the pad was told, from its record.
std::vector<long long> RumbleTimes(const char *record)
{
    std::vector<long long> times;
    FILE *f = std::fopen(record, "r");
    char line[512];
    while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) {
        const char *at = std::strstr(line, " at=");
        if (std::strncmp(line, "XInputSetState", 14) == 0 && at != nullptr)
            times.push_back(std::atoll(at + 4));
    }
    if (f != nullptr)
        (void)std::fclose(f);
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: follow-bench RECORD\n");
        return 2;
    }
    HWND window = CreateWindowA("STATIC", "follow-bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    CTacMouse device;
    CTacSpring spring;
    POINT centre{512, 384};
    (void)SetCursorPos(centre.x, centre.y);
    if (window == nullptr || device.Initialize(GetModuleHandleA(nullptr), window, 4, 1) == 0 ||
        spring.Initialize(&device, 1000, 10000, 0, 3, centre, 0, 0, 0, 0) == 0) {
        std::fprintf(stderr, "follow-bench: no pad to play on\n");
        return 1;
    }
    // What the process costs with no spring playing: Wine's own threads.
    double idle = OthersShare(6, false);
    (void)spring.Start(1, 0, 1);
    double still = OthersShare(6, false);
    double moving = OthersShare(6, true);
    // Moves one at a time, each to a new force, well apart.
    std::vector<long long> moved;
    for (int i = 1; i <= 40; ++i) {
        moved.push_back(Microseconds());
        (void)SetCursorPos(centre.x, centre.y + (i % 2 == 0 ? 5 * i : -5 * i));
        Sleep(40);
    }
    (void)spring.Stop();
    std::vector<long long> told = RumbleTimes(argv[1]);
    std::vector<double> delays;
    for (long long t : moved) {
        auto next = std::lower_bound(told.begin(), told.end(), t);
        if (next != told.end())
            delays.push_back(static_cast<double>(*next - t) / 1000);
    }
    std::sort(delays.begin(), delays.end());
    if (delays.size() != moved.size()) {
        std::fprintf(stderr, "follow-bench: %u of %u moves reached the pad\n",
                     static_cast<unsigned>(delays.size()), static_cast<unsigned>(moved.size()));
        return 1;
    }
    std::printf("share of a core besides the main thread: %.2f %% with no spring playing; with one "
                "playing %.2f %% with the cursor still, %.2f %% with it moving every 10 ms\n",
                idle * 100, still * 100, moving * 100);
    std::printf("cursor move to the pad's new rumble over %u moves: median %.2f ms, most %.2f ms\n",
                static_cast<unsigned>(delays.size()), delays[delays.size() / 2], delays.back());
    return 0;
}
