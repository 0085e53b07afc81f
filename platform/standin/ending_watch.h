// What the watch of ending_signals.cpp decides, look by look, once the
// program has been asked to end: wait on, call the display's server on a
// connection of its own, or give up on the program (cut its display, then
// let the signal end the process).
#pragma once

namespace zorbel::standin {

struct EndingTimes {
    long graceMs;     // no progress and no answer for this long: the display is frozen
    long callAfterMs; // no progress for this long: the server is called
    long mostMs;      // the most a program at work is given
    long lookMs;      // between two looks
};

class EndingWatch {
public:
    enum class Then {
        Wait,       // look again
        CallServer, // hang up a call still open, and call the server
        HangUp,     // the call is done with: hang it up
        GiveUp,     // the program is taken for stuck, or has had its time
    };

    explicit EndingWatch(const EndingTimes &times) : times_(times) {}

    // After one look: whether the program made progress since the last
    // one, whether the server answered the open call, and whether the
    // program has closed its display itself (then it has its full time,
    // and no server is called).
    Then AfterLook(bool progressed, bool answered, bool displayClosed);

private:
    EndingTimes times_;
    long waited_ = 0;
    long still_ = 0; // how long with no progress and no answer
    bool called_ = false;
};

} // namespace zorbel::standin
