// What following the pointer costs: the library plays the program's built-in
// spring on the first force device it finds and is given pointer motions as
// the program's message pump gives them to SDL, and this prints, for a
// device told a force (a constant-force controller or a rumble pad):
//  - the delay from a pointer motion reaching SDL to the device being told
//    the new force (the call that tells it returns), mean, 99th percentile
//    and worst;
//  - the processor time of the whole process per motion, and what that is
//    as a share of one core at 1000 motions a second (a gaming mouse's rate);
//  - the share of a core while the spring plays and the pointer rests, and
//    while no spring plays.
//
//   zorbel-force-bench [MOTIONS]
//
// Without hardware, run it on the stand-in devices of the tests:
//   LD_PRELOAD=build/native/tests/evdev/libevdev_standin.so
//   EVDEV_STANDIN_DEVICES=joystick SDL_JOYSTICK_DISABLE_UDEV=1
//   build/native/zorbel-force-bench
// (one command line).
#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "taclib.h"

namespace {

POINT gPointer{512, 384};

double Seconds(clockid_t clock)
{
    timespec t{};
    (void)clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The share of one core the process takes over `seconds` of doing nothing
// itself.
double IdleShare(double seconds)
{
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / seconds * 100;
}

void Move(int x, int y)
{
    gPointer = POINT{x, y};
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    (void)SDL_PushEvent(&event);
    SDL_FlushEvent(SDL_MOUSEMOTION); // the program's pump takes its events
}

} // namespace

// The system's answers inside this process, as the program's own layer gives
// them: a 1024 x 768 screen and the pointer this benchmark moves.
BOOL WINAPI GetCursorPos(LPPOINT point)
{
    *point = gPointer;
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) { return index == SM_CXSCREEN ? 1024 : 768; }

int main(int argc, char **argv)
{
    char *end = nullptr;
    const long motions = argc > 1 ? std::strtol(argv[1], &end, 10) : 20000;
    if (argc > 2 || (argc == 2 && (*end != '\0' || motions < 100 || motions > 10000000))) {
        std::fprintf(stderr, "usage: zorbel-force-bench [MOTIONS, 100 to 10000000]\n");
        return 2;
    }
    int window = 0;
    CTacMouse device;
    if (device.Initialize(nullptr, &window, 4, 1) == 0) {
        std::fprintf(stderr, "zorbel-force-bench: no force-feedback device\n");
        return 1;
    }
    CTacSpring spring;
    if (spring.Initialize(&device, 1000, 10000, 0, 3, POINT{512, 384}, 0, 0, 0, 0) == 0) {
        std::fprintf(stderr, "zorbel-force-bench: the device refused the spring\n");
        return 1;
    }
    const double stopped = IdleShare(2);
    (void)spring.Start(1, 0, 1);
    const double resting = IdleShare(2);

    std::vector<double> delays;
    delays.reserve(static_cast<std::size_t>(motions));
    const double cpuBefore = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (long i = 0; i < motions; ++i) {
        // A pull down and back, one pixel a motion: every motion changes the force.
        const int y = 384 + static_cast<int>(i % 600 < 300 ? i % 300 : 300 - i % 300);
        const double at = Seconds(CLOCK_MONOTONIC);
        Move(512 + static_cast<int>(i % 7), y);
        delays.push_back((Seconds(CLOCK_MONOTONIC) - at) * 1e6);
    }
    const double perMotion = (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore) / motions * 1e6;
    (void)spring.Stop();

    std::sort(delays.begin(), delays.end());
    double sum = 0;
    for (double d : delays)
        sum += d;
    const std::size_t p99 = std::min(delays.size() - 1, delays.size() * 99 / 100);
    std::printf("pointer motion to device (us): mean %.1f, 99th percentile %.1f, worst %.1f\n",
                sum / static_cast<double>(delays.size()), delays[p99], delays.back());
    std::printf("processor time per motion: %.1f us, %.2f %% of a core at 1000 motions/s\n",
                perMotion, perMotion / 1000 * 100);
    std::printf("share of a core, spring playing at rest: %.3f %%; no spring playing: %.3f %%\n",
                resting, stopped);
    return 0;
}
