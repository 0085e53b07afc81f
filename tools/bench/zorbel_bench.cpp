// zorbel-bench: the cost of one simulation step, of one whole headless frame
// at 1024 x 768 x 16 against a fill of the whole back buffer, and the heap
// allocations a frame makes once the program runs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include "resident_memory.h"
#include "app/app_state.h"
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "display/display.h"
#include "platform/testing.h"
#include "scene/launcher.h"

#ifdef ZORBEL_COUNTS_ALLOCATIONS
// Counted by the replaced operator new in count_allocations.cpp.
extern std::atomic<long long> gAllocations;
#else
// The sanitizers own the allocator, which cannot be counted there.
std::atomic<long long> gAllocations{0};
#endif

namespace {

namespace zt = zorbel::testing;

constexpr long long kWarmUp = 1000;
constexpr long long kMostFrames = 1000000000;
// AddressSanitizer keeps the heap to itself: malloc's own count says 0.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kHeapMeasured = false;
#else
constexpr bool kHeapMeasured = true;
#endif

void StartProgram()
{
    zt::Reset();
    App = AppState{};
    zt::SetCallLogging(false);
    if (CreateMainWindow(zt::ProcessInstance(), 1024, 768, SW_SHOWDEFAULT) == 0) {
        std::fputs("zorbel-bench: the headless display did not open\n", stderr);
        std::exit(1);
    }
    (void)SetUpScene();
}

// Every pixel of the back buffer filled. The layer fills again only what
// was drawn on since the last fill of the same colour, so the program's own
// clear costs less than this. Three colours in turn make every fill whole,
// of one buffer or of the chain's two in turn.
void FillWhole()
{
    static DWORD fills = 0;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = fills++ % 3;
    (void)App.BackBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void Hold(int x, int y)
{
    App.DragFlag = 1;
    App.TheLauncher->Grab();
    zt::SetCursorPos(POINT{x, y});
}

// One frame as the main loop runs it, 5 ms after the previous one.
void Frame()
{
    zt::AdvanceTickCount(5);
    (void)RunDueSteps(*App.TheLauncher);
    App.TheLauncher->Draw();
    Present();
}

void BM_LauncherStep(benchmark::State &state)
{
    StartProgram();
    Hold(612, 484);
    for (auto _ : state)
        App.TheLauncher->Step();
    Shutdown();
}
BENCHMARK(BM_LauncherStep);

void BM_FrameAtRest(benchmark::State &state)
{
    StartProgram();
    for (auto _ : state)
        Frame();
    Shutdown();
}
BENCHMARK(BM_FrameAtRest);

void BM_FrameStretched(benchmark::State &state)
{
    StartProgram();
    Hold(512, 584);
    for (auto _ : state)
        Frame();
    Shutdown();
}
BENCHMARK(BM_FrameStretched);

void BM_WholeFill(benchmark::State &state)
{
    StartProgram();
    for (auto _ : state)
        FillWhole();
    Shutdown();
}
BENCHMARK(BM_WholeFill);

// The processor time the work takes on this thread: time the machine gives
// to others meanwhile does not count.
template <class Work> double SecondsFor(int count, Work work)
{
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    const double start = now();
    for (int i = 0; i < count; ++i)
        work();
    return now() - start;
}

// A frame clears whichever buffer of the chain is the back one, so the fill
// it is set against is the back buffer's as the chain exchanges them: fills
// each followed by a flip, less the flips alone. Beside it, a fill of one
// buffer over and over, which no frame meets: that buffer stays in the
// caches the next fill of the other one finds cold. Timed in alternating
// rounds so that what else the machine does weighs on all alike.
struct Ratios {
    double overChainClear = 0;
    double overSameBuffer = 0;
};

Ratios FramesOverClears()
{
    constexpr int kRounds = 20;
    constexpr int kFrames = 100;
    double frames = 0;
    double clearsAndFlips = 0;
    double flips = 0;
    double sameBuffer = 0;
    for (int round = 0; round < kRounds; ++round) {
        frames += SecondsFor(kFrames, Frame);
        clearsAndFlips += SecondsFor(kFrames, [] {
            FillWhole();
            Present();
        });
        flips += SecondsFor(kFrames, Present);
        sameBuffer += SecondsFor(kFrames, FillWhole);
    }
    return Ratios{frames / (clearsAndFlips - flips), frames / sameBuffer};
}

// The goals: a frame, at rest or held, within 1.25 times a whole fill of the
// back buffer, and no heap allocation per frame once running.
void ReportGoals()
{
    constexpr int kFrames = 1000;
    StartProgram();
    for (int i = 0; i < 100; ++i)
        Frame();
    const Ratios atRest = FramesOverClears();
    Hold(512, 584);
    const Ratios held = FramesOverClears();
    const long long before = gAllocations.load();
    for (int i = 0; i < kFrames; ++i)
        Frame();
    const long long allocations = gAllocations.load() - before;
    Shutdown();
    std::printf("frame / whole fill of the back buffer: %.2f at rest, %.2f held (goal: at most "
                "1.25)\n",
                atRest.overChainClear, held.overChainClear);
    std::printf("frame / whole fill of one buffer again and again: %.2f at rest, %.2f held\n",
                atRest.overSameBuffer, held.overSameBuffer);
#ifdef ZORBEL_COUNTS_ALLOCATIONS
    std::printf("heap allocations per frame: %.3f (goal: 0)\n",
                static_cast<double>(allocations) / kFrames);
#else
    (void)allocations;
    std::printf("heap allocations per frame: not counted under the sanitizers\n");
#endif
}

struct Snapshot {
    long long frame = 0;
    long long residentKb = 0;
    long long heapBytes = 0; // in use
    int gdiObjects = 0;
    int windows = 0;
    int files = 0; // open descriptors
};

Snapshot Take(long long frame)
{
    Snapshot snapshot;
    snapshot.frame = frame;
    snapshot.residentKb = ResidentKb();
    snapshot.heapBytes = kHeapMeasured ? static_cast<long long>(mallinfo2().uordblks) : -1;
    snapshot.gdiObjects = zt::LiveGdiObjects();
    snapshot.windows = zt::LiveWindows();
    if (DIR *fds = opendir("/proc/self/fd")) {
        while (readdir(fds) != nullptr)
            ++snapshot.files;
        closedir(fds);
        snapshot.files -= 3; // ".", ".." and this listing's own
    }
    return snapshot;
}

void Print(const char *when, const Snapshot &s)
{
    char heap[64];
    if (s.heapBytes >= 0)
        (void)std::snprintf(heap, sizeof heap, "%lld bytes", s.heapBytes);
    else
        (void)std::snprintf(heap, sizeof heap, "not measured here");
    std::printf("%-6s frame %9lld: resident %lld kB, heap in use %s, GDI objects %d, "
                "windows %d, open files %d\n",
                when, s.frame, s.residentKb, heap, s.gdiObjects, s.windows, s.files);
}

// FRAMES of the soak: a whole decimal number past the warm-up, whose state
// the end is compared with.
bool ParseFrames(const char *text, long long *frames)
{
    const char *end = text + std::strlen(text);
    const auto [stop, ec] = std::from_chars(text, end, *frames);
    return ec == std::errc() && stop == end && *frames > kWarmUp && *frames <= kMostFrames;
}

// The real program's WinMain and main loop, headless, for `frames` frames
// of 5 ms: every 400 frames the band is grabbed, pulled 200 pixels down and
// let go. What it holds after a warm-up and at the end must be the same.
int Soak(long long frames)
{
    zt::Reset();
    App = AppState{};
    zt::SetCallLogging(false);
    zt::SetAutoAdvance(0, 5); // each frame's flip moves the clock on 5 ms
    Snapshot start;
    Snapshot end;
    long long last = -1;
    zt::SetPumpHook([&](std::uint64_t) {
        const long long frame = static_cast<long long>(GetTickCount() / 5);
        if (frame == last)
            return;
        last = frame;
        switch (frame % 400) {
        case 0:
            zt::SetCursorPos(POINT{512, 384});
            zt::InjectLeftButton(true);
            break;
        case 100:
            zt::SetCursorPos(POINT{512, 584});
            break;
        case 200:
            zt::InjectLeftButton(false);
            break;
        default:
            break;
        }
        if (frame == kWarmUp)
            start = Take(frame);
        if (frame == frames) {
            end = Take(frame);
            zt::InjectKeyDown(VK_ESCAPE);
        }
    });
    const int code = WinMain(zt::ProcessInstance(), nullptr, nullptr, SW_SHOWDEFAULT);
    zt::SetPumpHook(nullptr);
    Print("start", start);
    Print("end", end);
    const bool flat = end.frame == frames && end.heapBytes == start.heapBytes &&
                      end.gdiObjects == start.gdiObjects && end.windows == start.windows &&
                      end.files == start.files && end.residentKb - start.residentKb < 1024;
    std::printf("soak of %lld frames: %s (program ended with %d)\n", frames,
                flat ? "flat" : "GROWING", code);
    return flat ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // zorbel-bench --soak [FRAMES]: the soak alone (default 10^6 frames).
    if (argc >= 2 && std::strcmp(argv[1], "--soak") == 0) {
        long long frames = 1000000;
        if (argc > 3 || (argc == 3 && !ParseFrames(argv[2], &frames))) {
            std::fprintf(stderr,
                         "usage: zorbel-bench --soak [FRAMES]  (%lld < FRAMES <= %lld, default "
                         "1000000)\n",
                         kWarmUp, kMostFrames);
            return 2;
        }
        return Soak(frames);
    }
    ReportGoals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
