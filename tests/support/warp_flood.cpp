// A flood of pointer motions, as fast as the X server takes them: the
// pointer warped back and forth between two points COUNT times. With PID
// and MS given, PID is sent SIGTERM MS milliseconds after the first warp,
// and the flood goes on for at least kAfterMs after it, however fast the
// machine: the signal always falls inside the flood. Says "flooded N" on
// standard output at the end.
//
//   zorbel_warp_flood X0 Y0 X1 Y1 COUNT [PID MS]
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/types.h>

namespace {

// Warps sent between two waits for the server.
constexpr long kStep = 4096;
// How long the flood goes on after the signal.
constexpr auto kAfterMs = std::chrono::milliseconds(500);

bool Number(const char *text, long low, long high, long *value)
{
    char *end = nullptr;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

} // namespace

int main(int argc, char **argv)
{
    long v[7] = {};
    const int given = argc - 1;
    bool usable = given == 5 || given == 7;
    for (int i = 0; usable && i < given; ++i)
        usable = Number(argv[i + 1], 0, i == 4 ? 100000000L : 1000000L, &v[i]);
    if (!usable) {
        std::fprintf(stderr, "usage: zorbel_warp_flood X0 Y0 X1 Y1 COUNT [PID MS]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "zorbel_warp_flood: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const auto start = std::chrono::steady_clock::now();
    const bool signalling = given == 7;
    const auto signalAt = start + std::chrono::milliseconds(v[6]);
    bool signalled = false;
    long done = 0;
    for (;; ++done) {
        const auto now = std::chrono::steady_clock::now();
        if (done >= v[4] && (!signalling || (signalled && now >= signalAt + kAfterMs)))
            break;
        if (signalling && !signalled && now >= signalAt) {
            signalled = true;
            if (kill(static_cast<pid_t>(v[5]), SIGTERM) != 0) {
                std::perror("zorbel_warp_flood: kill");
                return 1;
            }
        }
        const bool there = (done & 1) != 0;
        XWarpPointer(display, None, root, 0, 0, 0, 0, static_cast<int>(there ? v[2] : v[0]),
                     static_cast<int>(there ? v[3] : v[1]));
        // Kept in step with the server, so that the flood lasts as long as
        // the server takes to deliver it.
        if (done % kStep == kStep - 1)
            XSync(display, False);
    }
    XSync(display, False);
    XCloseDisplay(display);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("flooded %ld in %lld ms\n", done, static_cast<long long>(took.count()));
    return 0;
}
