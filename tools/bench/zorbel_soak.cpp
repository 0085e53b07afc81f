// zorbel-soak: the real program's WinMain and main loop, on the headless
// host, for a million turns of the loop (or as many as given) with a drag and
// a release every 600 turns. It reports what the process holds after the
// warm-up and at the end: resident memory, heap allocations since, GDI
// objects, windows and open file descriptors. Each should stay where it was.
// The spring is started and stopped on the simulated force-feedback device
// unless TACLIB_DEVICE names another.
//
//   zorbel-soak [TURNS]
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

#include "app/app_state.h"
#include "platform/testing.h"

// Counted by the replaced allocator in count_allocations.cpp.
extern std::atomic<long long> gAllocations;

namespace {

namespace zt = zorbel::testing;

struct Holdings {
    long residentKb = 0;
    long long allocations = 0;
    int gdiObjects = 0;
    int windows = 0;
    int descriptors = 0;
};

long ResidentKb()
{
    long pages = 0;
    long resident = 0;
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return -1;
    const int got = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int OpenDescriptors()
{
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (readdir(dir) != nullptr)
        ++count;
    closedir(dir);
    return count - 3; // ".", ".." and the listing's own descriptor
}

Holdings Now()
{
    return Holdings{ResidentKb(), gAllocations.load(), zt::LiveGdiObjects(), zt::LiveWindows(),
                    OpenDescriptors()};
}

// Where the hand is on turn `turn` of a 600-turn cycle: it presses on the
// band's rest centre, pulls around a circle below it for 300 turns and lets
// go; the ball flies off and the launcher waits again.
void Drive(std::uint64_t turn)
{
    constexpr double kPi = 3.14159265358979323846;
    const std::uint64_t phase = turn % 600;
    if (phase == 0) {
        zt::SetCursorPos(POINT{512, 384});
        zt::InjectLeftButton(true);
    } else if (phase < 300) {
        const double angle = 2.0 * kPi * static_cast<double>(phase) / 300.0;
        zt::SetCursorPos(POINT{512 + static_cast<LONG>(120.0 * std::sin(angle)),
                               534 + static_cast<LONG>(80.0 * std::cos(angle))});
    } else if (phase == 300) {
        zt::InjectLeftButton(false);
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::uint64_t turns = 1000000;
    if (argc > 1) {
        char *end = nullptr;
        const unsigned long long given = std::strtoull(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || given < 20000) {
            std::fputs("usage: zorbel-soak [TURNS]   (TURNS at least 20000)\n", stderr);
            return 2;
        }
        turns = given;
    }
    const std::uint64_t warmUp = 10000;

    // The spring runs on the simulated device unless another one is named.
    (void)setenv("TACLIB_DEVICE", "sim", 0);
    zt::UseHeadlessHost();
    zt::SetCallLogging(false);
    zt::SetAutoAdvance(5, 0); // one 5 ms step a turn
    Holdings start;
    Holdings end;
    zt::SetPumpHook([&](std::uint64_t pump) {
        if (pump == warmUp)
            start = Now();
        if (pump == turns) {
            end = Now();
            zt::InjectClose();
        }
        if (pump < turns)
            Drive(pump);
    });
    const int code = WinMain(zt::ProcessInstance(), nullptr, nullptr, SW_SHOWDEFAULT);
    zt::SetPumpHook(nullptr);
    if (code != 0 || end.residentKb == 0) {
        std::fprintf(stderr, "zorbel-soak: the program ended early (status %d)\n", code);
        return 1;
    }

    std::printf("turns of the main loop: %llu (measured from turn %llu)\n",
                static_cast<unsigned long long>(turns), static_cast<unsigned long long>(warmUp));
    std::printf("resident memory:      %ld KB -> %ld KB\n", start.residentKb, end.residentKb);
    std::printf("heap allocations:     %lld since the warm-up\n",
                end.allocations - start.allocations);
    std::printf("GDI objects:          %d -> %d\n", start.gdiObjects, end.gdiObjects);
    std::printf("windows:              %d -> %d\n", start.windows, end.windows);
    std::printf("file descriptors:     %d -> %d\n", start.descriptors, end.descriptors);
    return 0;
}
