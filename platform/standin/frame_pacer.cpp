#include "platform/standin/frame_pacer.h"

namespace zorbel::standin {

long long FramePacer::WaitBefore(long long nowUs)
{
    if (!pacing_)
        return 0;
    // Presents keep to a fixed rhythm; after a frame later than a whole
    // refresh the rhythm starts again from now instead of catching up.
    if (nowUs >= due_ + periodUs_)
        due_ = nowUs;
    const long long wait = due_ > nowUs ? due_ - nowUs : 0;
    due_ += periodUs_;
    return wait;
}

void FramePacer::Presented(long long endUs)
{
    if (!pacing_ && lastEnd_ >= 0 && endUs - lastEnd_ < periodUs_ / 2) {
        if (++quick_ >= kQuickPresentsToPace) {
            pacing_ = true;
            due_ = endUs + periodUs_;
        }
    } else {
        quick_ = 0;
    }
    lastEnd_ = endUs;
}

} // namespace zorbel::standin
