// Paces frames at most once per refresh of the display, for displays that
// do not make a present wait for the vertical blank (a virtual X server, a
// remote desktop, a software renderer): there the main loop, which has no
// pacing of its own, would otherwise draw and present as fast as the
// processor allows. A display that does wait is left alone: its presents
// return at most once a refresh, so the pacer never starts there. Once
// started it stays: a present that takes long only means a busy display
// server, and letting such presents run unpaced would draw frames nobody
// sees, as fast as the server takes them.
//
// A frame left out (its picture on the screen already) has no present to
// wait for the display, paced or not: it keeps a refresh's time itself, so
// that a program at rest draws once a refresh whatever the display.
//
// A program whose frames have all been left out for half a second, with
// nothing else happening meanwhile, is at rest: nothing it shows is moving.
// Its frames then wait for input beyond their turn, up to a tenth of a
// second, which spares the drawing and the comparing of pictures that do
// not change. Input ends that wait at once; the first present, or anything
// else the owner calls a stir (an event, a button held, a window away or
// minimised), ends the rest and starts the half second again.
//
// The wait comes after a present, before the next frame reads its input:
// a frame begins on the refresh rhythm, reads the pointer then, and is
// presented as soon as it is drawn. Waiting before the present instead
// would show a frame drawn from a pointer read up to a refresh earlier.
#pragma once

namespace zorbel::standin {

class FramePacer {
public:
    // Eight presents in a row returning within half a refresh of each other:
    // more than a driver's queue of frames can take before it blocks.
    static constexpr int kQuickPresentsToPace = 8;

    // Frames left out in a row before the program is at rest, and the
    // refreshes that a frame at rest may take in all.
    static constexpr int kFramesToRest = 30;
    static constexpr int kRestPeriods = 6;

    explicit FramePacer(long long periodUs) : periodUs_(periodUs > 0 ? periodUs : 1) {}

    // Microseconds from `nowUs` until the next frame may begin; 0 when its
    // time has come, or not pacing and no frame was left out. Asking changes nothing, so both the
    // pump (the usual place) and a present that no pump came before may ask.
    long long UntilNextFrame(long long nowUs) const;
    // A present returned at `endUs`.
    void Presented(long long endUs);
    // A frame ended at `endUs` without a present, its picture being on the
    // screen already: the rhythm goes on (or, not pacing, the next frame
    // waits a refresh), and the display taught nothing.
    void Skipped(long long endUs);
    // Something happened that the pictures do not show (yet): no rest for
    // another half second of frames left out.
    void Stir() { leftOut_ = 0; }
    bool Pacing() const { return pacing_; }
    long long PeriodUs() const { return periodUs_; }
    // How long a frame at rest may wait for input after its turn has come;
    // 0 while the program is not at rest.
    long long RestUs() const;

private:
    void Advance(long long endUs);

    long long periodUs_;
    bool pacing_ = false;
    int quick_ = 0;
    int leftOut_ = 0; // frames left out since the last present
    long long lastEnd_ = -1;
    long long next_ = 0; // when the next frame may begin
};

} // namespace zorbel::standin
