#include "platform/standin/frame_pacer.h"

namespace zorbel::standin {

long long FramePacer::UntilNextFrame(long long nowUs) const
{
    return next_ > nowUs ? next_ - nowUs : 0;
}

long long FramePacer::RestUs() const
{
    return leftOut_ >= kFramesToRest ? (kRestPeriods - 1) * periodUs_ : 0;
}

void FramePacer::Presented(long long endUs)
{
    leftOut_ = 0;
    if (pacing_) {
        Advance(endUs);
        return;
    }
    if (lastEnd_ >= 0 && endUs - lastEnd_ < periodUs_ / 2) {
        if (++quick_ >= kQuickPresentsToPace) {
            pacing_ = true;
            next_ = endUs + periodUs_;
        }
    } else {
        quick_ = 0;
    }
    lastEnd_ = endUs;
}

void FramePacer::Skipped(long long endUs)
{
    if (leftOut_ < kFramesToRest)
        ++leftOut_;
    if (pacing_)
        Advance(endUs);
    else
        next_ = endUs + periodUs_;
}

// Frames keep to a fixed rhythm; after a frame that ran past the next
// refresh the rhythm starts again from its end instead of catching up.
void FramePacer::Advance(long long endUs)
{
    next_ += periodUs_;
    if (endUs >= next_)
        next_ = endUs;
}

} // namespace zorbel::standin
