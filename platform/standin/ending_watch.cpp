#include "platform/standin/ending_watch.h"

namespace zorbel::standin {

EndingWatch::Then EndingWatch::AfterLook(bool progressed, bool answered, bool displayClosed)
{
    waited_ += times_.lookMs;
    if (waited_ >= times_.mostMs)
        return Then::GiveUp;
    if (progressed || answered) {
        // At work, or waiting on a server that serves (a busy one).
        still_ = 0;
        const bool open = called_;
        called_ = false;
        return open ? Then::HangUp : Then::Wait;
    }
    still_ += times_.lookMs;
    if (displayClosed)
        return Then::Wait;
    if (still_ >= times_.graceMs)
        return Then::GiveUp;
    if (still_ >= times_.callAfterMs && !called_) {
        called_ = true;
        return Then::CallServer;
    }
    return Then::Wait;
}

} // namespace zorbel::standin
