// Moves the screen's pointer through the X server, as a hand would, from a
// thread and an X connection of its own, and keeps how long each move took
// to show on the screen. One move at a time, at a random moment 5 to 38 ms
// (over two refreshes) after the last one was shown, so that moves fall at
// every point of the frames' rhythm; the next target always differs from
// the last. Whoever draws says when it read a move and when the present
// that shows it ended (on its own thread).
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class PointerMover {
public:
    PointerMover() = default;
    ~PointerMover();
    PointerMover(const PointerMover &) = delete;
    PointerMover &operator=(const PointerMover &) = delete;

    // Opens the connection and starts the thread, idle; false with a reason
    // when the display cannot be opened. Called before anything else of the
    // process uses Xlib.
    bool Start(std::string *why);
    // Moves while on; a move not seen within a second is given up.
    void Moving(bool on);

    // Tells the pointer position the drawer has just read: a change while a
    // move is pending means the move's effect goes into the frame being made.
    void Read(long x, long y);
    // The present of a frame ended at `endUs` (monotonic microseconds).
    void Presented(long long endUs);

    // The delays recorded since the last call, in milliseconds; and the moves
    // given up.
    std::vector<double> TakeDelaysMs();
    int GivenUp() const { return givenUp_.load(); }

private:
    void Run();

    void *display_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> moving_{false};
    std::atomic<long long> pending_{0}; // when the pending move was made; 0 for none
    std::atomic<int> givenUp_{0};
    std::atomic<bool> primed_{false}; // the drawer read the pointer since the moves started
    long lastX_ = -1, lastY_ = -1;
    bool read_ = false;
    std::vector<double> delaysMs_;
};

// Microseconds on the monotonic clock, shared by the threads of the process.
long long MonotonicMicroseconds();

// Mean, 99th percentile and worst of a list of delays.
struct DelayFigures {
    int count = 0;
    double mean = 0, p99 = 0, worst = 0;
};
DelayFigures Summarise(std::vector<double> delaysMs);
