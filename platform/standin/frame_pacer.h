// Presents at most once per refresh of the display, for displays that do
// not make a present wait for the vertical blank (a virtual X server, a
// remote desktop, a software renderer): there the main loop, which has no
// pacing of its own, would otherwise draw and present as fast as the
// processor allows. A display that does wait is left alone: its presents
// return at most once a refresh, so the pacer never starts there. Once
// started it stays: a present that takes long only means a busy display
// server, and letting such presents run unpaced would draw frames nobody
// sees, as fast as the server takes them.
#pragma once

namespace zorbel::standin {

class FramePacer {
public:
    // Eight presents in a row returning within half a refresh of each other:
    // more than a driver's queue of frames can take before it blocks.
    static constexpr int kQuickPresentsToPace = 8;

    explicit FramePacer(long long periodUs) : periodUs_(periodUs > 0 ? periodUs : 1) {}

    // Microseconds to wait before the present about to start at `nowUs`.
    long long WaitBefore(long long nowUs);
    // The present (after any wait) returned at `endUs`.
    void Presented(long long endUs);
    bool Pacing() const { return pacing_; }

private:
    long long periodUs_;
    bool pacing_ = false;
    int quick_ = 0;
    long long lastEnd_ = -1;
    long long due_ = 0; // while pacing: when the next present may start
};

} // namespace zorbel::standin
