#include "pointer_mover.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>

long long MonotonicMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PointerMover::~PointerMover()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (display_ != nullptr)
        XCloseDisplay(static_cast<Display *>(display_));
}

bool PointerMover::Start(std::string *why)
{
    // Xlib is used from two threads, each with its own connection.
    (void)XInitThreads();
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        *why = "cannot open the display to move the pointer";
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

// Called on the drawer's thread: a move still pending when the moves stop
// is forgotten, and the next read after they start is where they start from.
void PointerMover::Moving(bool on)
{
    moving_ = false;
    pending_ = 0;
    read_ = false;
    lastX_ = lastY_ = -1;
    primed_ = false;
    moving_ = on;
}

void PointerMover::Run()
{
    auto *display = static_cast<Display *>(display_);
    const Window root = DefaultRootWindow(display);
    const int centreX = DisplayWidth(display, DefaultScreen(display)) / 2;
    const int centreY = DisplayHeight(display, DefaultScreen(display)) / 2;
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> pauseUs(5000, 38000);
    std::uniform_int_distribution<int> spread(0, 99);
    for (int move = 0; !stop_; ++move) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        if (!moving_ || !primed_) {
            // Idle, it takes next to nothing of the processor time measured.
            std::this_thread::sleep_for(std::chrono::milliseconds(moving_ ? 1 : 50));
            continue;
        }
        // Below the rest centre, left and right in turn: every move is seen.
        const int x = centreX + (move % 2 == 0 ? -60 : 60) + spread(random) - 50;
        const int y = centreY + 120 + spread(random);
        const long long at = MonotonicMicroseconds();
        long long none = 0;
        // Before the move, as the drawer may see it at once; not after the
        // moves stopped.
        if (!moving_ || !pending_.compare_exchange_strong(none, at))
            continue;
        XWarpPointer(display, None, root, 0, 0, 0, 0, x, y);
        XFlush(display);
        while (!stop_ && pending_.load() == at && MonotonicMicroseconds() - at < 1000000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        long long expected = at;
        if (pending_.compare_exchange_strong(expected, 0) && moving_)
            ++givenUp_;
    }
}

void PointerMover::Read(long x, long y)
{
    if (pending_.load() != 0 && lastX_ >= 0 && (x != lastX_ || y != lastY_))
        read_ = true;
    primed_ = moving_.load();
    lastX_ = x;
    lastY_ = y;
}

void PointerMover::Presented(long long endUs)
{
    if (!read_)
        return;
    read_ = false;
    const long long at = pending_.exchange(0);
    if (at != 0)
        delaysMs_.push_back(static_cast<double>(endUs - at) / 1000.0);
}

std::vector<double> PointerMover::TakeDelaysMs()
{
    std::vector<double> taken;
    taken.swap(delaysMs_);
    return taken;
}

DelayFigures Summarise(std::vector<double> delaysMs)
{
    DelayFigures figures;
    if (delaysMs.empty())
        return figures;
    std::sort(delaysMs.begin(), delaysMs.end());
    const size_t n = delaysMs.size();
    figures.count = static_cast<int>(n);
    figures.mean = std::accumulate(delaysMs.begin(), delaysMs.end(), 0.0) / static_cast<double>(n);
    figures.p99 = delaysMs[static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1];
    figures.worst = delaysMs.back();
    return figures;
}
