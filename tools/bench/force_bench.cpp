// How a slow force device affects the program and how soon it holds the
// force: the library plays the program's built-in spring on the first force
// device it finds (a device told a force), the pointer moves at 1000
// motions a second (a gaming mouse's rate) for two seconds, and this prints:
//  - the program thread's delay: how far its 1 ms turns fell behind their
//    schedule (mean, worst). The program's thread makes the library's calls
//    and draws the picture; a device call it waited for would show here;
//  - how soon after the last motion the device held the force of the last
//    pointer (its upload was answered), and how many uploads it took in all;
//  - the share of a core the process took while the pointer moved.
//
//   zorbel-force-bench
//
// On the stand-in devices of the tests, with a device that answers each
// upload after 5 ms (tools/bench/slow_device_bench.sh runs 0, 2, 5, 20):
//   LD_PRELOAD=build/native/tests/evdev/libevdev_standin.so
//   EVDEV_STANDIN_DEVICES=joystick EVDEV_STANDIN_UPLOAD_MS=5
//   EVDEV_STANDIN_LOG=/tmp/device.log build/native/zorbel-force-bench
// (one command line). The device log is where the answered uploads are seen.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "spring_force.h"
#include "spring_params.h"
#include "taclib.h"

namespace {

std::atomic<std::int64_t> gPointer{(std::int64_t{512} << 32) | 384};

double Seconds(clockid_t clock)
{
    timespec t{};
    (void)clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Move(int x, int y) { gPointer = (std::int64_t{x} << 32) | static_cast<std::uint32_t>(y); }

std::size_t FileSize(const std::string &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

// Whether the log holds, after `from`, a line with `text`.
bool LogHas(const std::string &path, std::size_t from, const std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::string line;
    while (std::getline(in, line))
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

int CountIn(const std::string &path, const std::string &text)
{
    std::ifstream in(path);
    std::string line;
    int n = 0;
    while (std::getline(in, line))
        n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

} // namespace

// The system's answers inside this process, as the program's own layer gives
// them: a 1024 x 768 screen and the pointer this benchmark moves, on any
// thread.
BOOL WINAPI GetCursorPos(LPPOINT point)
{
    const std::int64_t p = gPointer.load();
    point->x = static_cast<LONG>(p >> 32);
    point->y = static_cast<LONG>(static_cast<std::int32_t>(p & 0xFFFFFFFF));
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) { return index == SM_CXSCREEN ? 1024 : 768; }

int main(int argc, char **)
{
    const char *logEnv = std::getenv("EVDEV_STANDIN_LOG");
    if (argc != 1 || logEnv == nullptr) {
        std::fprintf(stderr, "usage: EVDEV_STANDIN_LOG=FILE zorbel-force-bench (see its source)\n");
        return 2;
    }
    const std::string log = logEnv;
    int window = 0;
    CTacMouse device;
    if (device.Initialize(nullptr, &window, 4, 1) == 0) {
        std::fprintf(stderr, "zorbel-force-bench: no force-feedback device\n");
        return 1;
    }
    CTacSpring spring;
    if (spring.Initialize(&device, 1000, 10000, 0, 3, POINT{512, 384}, 0, 0, 0, 0) == 0 ||
        spring.Start(1, 0, 1) == 0) {
        std::fprintf(stderr, "zorbel-force-bench: the device refused the spring\n");
        return 1;
    }
    constexpr int kMotions = 2000;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begin = Clock::now() + std::chrono::milliseconds(1);
    double lateSum = 0, lateWorst = 0;
    int x = 512, y = 384;
    const double cpuBefore = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (int i = 0; i < kMotions; ++i) {
        const Clock::time_point due = begin + std::chrono::milliseconds(i);
        std::this_thread::sleep_until(due);
        const double late = std::chrono::duration<double, std::milli>(Clock::now() - due).count();
        lateSum += late;
        lateWorst = std::max(lateWorst, late);
        // A pull down and back, one pixel a motion: every motion changes the force.
        y = 384 + (i % 600 < 300 ? i % 300 : 300 - i % 300);
        x = 512 + i % 7;
        Move(x, y);
    }
    const Clock::time_point last = Clock::now();
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore;
    const std::size_t from = FileSize(log);

    // The level the device is told for the last pointer, as the library
    // computes it (a constant force's level of 0x7FFF at full strength).
    taclib::SpringParams p;
    p.centreX = 512;
    p.centreY = 384;
    const taclib::Force force = taclib::SpringForceAt(p, x, y, taclib::ScreenSize{1024, 768});
    const std::string level =
        "level=" + std::to_string(std::int64_t{taclib::ForceStrength(force)} * 0x7FFF / 10000);
    double heldMs = -1;
    while (std::chrono::duration<double>(Clock::now() - last).count() < 30) {
        if (LogHas(log, from, level)) {
            heldMs = std::chrono::duration<double, std::milli>(Clock::now() - last).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    (void)spring.Stop();
    std::printf("program thread behind schedule (ms): mean %.3f, worst %.3f\n", lateSum / kMotions,
                lateWorst);
    if (heldMs < 0)
        std::printf("the device never held the last pointer's force (%s)\n", level.c_str());
    else
        std::printf("last motion to the device holding its force: %.1f ms\n", heldMs);
    std::printf("uploads during the %d motions: %d; share of a core: %.2f %%\n", kMotions,
                CountIn(log, "type=constant"),
                cpu / std::chrono::duration<double>(last - begin).count() * 100);
    return 0;
}
