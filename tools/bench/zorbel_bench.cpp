// zorbel-bench: the cost of one simulation step, of one whole headless frame
// at 1024 x 768 x 16 against the bare clear of the back buffer, and the heap
// allocations a frame makes once the program runs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "display/display.h"
#include "platform/testing.h"
#include "scene/launcher.h"

// Counted by the replaced operator new in count_allocations.cpp.
extern std::atomic<long long> gAllocations;

namespace {

namespace zt = zorbel::testing;

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

void BM_BareClear(benchmark::State &state)
{
    StartProgram();
    for (auto _ : state)
        ClearSurface(App.BackBuffer);
    Shutdown();
}
BENCHMARK(BM_BareClear);

template <class Work> double SecondsFor(int count, Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The goals: a stretched frame within 1.25 times the bare clear, and no heap
// allocation per frame once running.
void ReportGoals()
{
    constexpr int kFrames = 2000;
    StartProgram();
    Hold(512, 584);
    for (int i = 0; i < 100; ++i)
        Frame();
    const long long before = gAllocations.load();
    const double frames = SecondsFor(kFrames, Frame);
    const long long allocations = gAllocations.load() - before;
    const double clears = SecondsFor(kFrames, [] { ClearSurface(App.BackBuffer); });
    Shutdown();
    std::printf("frame / bare clear: %.2f (goal: at most 1.25)\n", frames / clears);
    std::printf("heap allocations per frame: %.3f (goal: 0)\n",
                static_cast<double>(allocations) / kFrames);
}

} // namespace

int main(int argc, char **argv)
{
    ReportGoals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
