// A flood of pointer motions, as fast as the X server takes them: the
// pointer warped back and forth between two points COUNT times. With PID
// and MS given, PID is sent SIGTERM MS milliseconds after the first warp,
// while the flood goes on (or at its end, should it end sooner: then said).
// Says "flooded N" on standard output at the end.
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
    bool signalled = given == 5;
    long done = 0;
    for (; done < v[4]; ++done) {
        const bool there = (done & 1) != 0;
        XWarpPointer(display, None, root, 0, 0, 0, 0, static_cast<int>(there ? v[2] : v[0]),
                     static_cast<int>(there ? v[3] : v[1]));
        // Kept in step with the server, so that the flood lasts as long as
        // the server takes to deliver it and the signal falls inside it.
        if (done % kStep == kStep - 1)
            XSync(display, False);
        if (!signalled &&
            std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(v[6])) {
            signalled = true;
            if (kill(static_cast<pid_t>(v[5]), SIGTERM) != 0) {
                std::perror("zorbel_warp_flood: kill");
                return 1;
            }
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    const bool late = !signalled;
    if (late && kill(static_cast<pid_t>(v[5]), SIGTERM) != 0) {
        std::perror("zorbel_warp_flood: kill");
        return 1;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("flooded %ld in %lld ms%s\n", done, static_cast<long long>(took.count()),
                late ? ", then signalled: it ended too soon" : "");
    return 0;
}
