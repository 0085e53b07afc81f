#include "follow.h"

#include <algorithm>

namespace taclib {

FollowingBackend::FollowingBackend(std::unique_ptr<ForceOutput> output, PointerSource source,
                                   std::function<FollowClock::time_point()> now)
    : output_(std::move(output)), source_(std::move(source)),
      now_(now ? std::move(now) : [] { return FollowClock::now(); })
{
}

FollowingBackend::~FollowingBackend()
{
    // The follower has ended: whatever still plays stops with the device.
    if (sentOnce_ && sent_ != Force{})
        (void)output_->Render(Force{}, 0);
}

ScreenSize FollowingBackend::Screen() { return source_.screen ? source_.screen() : kDefaultScreen; }

unsigned long FollowingBackend::Capacity() { return output_->Capacity(); }

void FollowingBackend::ReadScreen()
{
    // Asked on the program's thread, which makes every start and change, and
    // kept for the follower.
    screen_ = source_.screen ? source_.screen() : kDefaultScreen;
}

void FollowingBackend::Changed(std::unique_lock<std::mutex> &lock)
{
    lock.unlock();
    WakeFollower();
}

bool FollowingBackend::CreateSpring(const SpringParams &p, EffectId *id)
{
    std::lock_guard<std::mutex> hold(mutex_);
    *id = next_++;
    springs_[*id].params = p;
    return true;
}

bool FollowingBackend::UpdateSpring(EffectId id, const SpringParams &p)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = springs_.find(id);
    if (it == springs_.end())
        return false;
    it->second.params = p;
    ReadScreen();
    Changed(lock);
    return true;
}

bool FollowingBackend::Start(EffectId id, const SpringParams &p, const StartParams &s)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = springs_.find(id);
    if (it == springs_.end())
        return false;
    if (s.solo) {
        for (auto &other : springs_)
            other.second.playing = false;
    }
    Spring &spring = it->second;
    // A device that failed is tried again at each start: it may be back.
    retry_ = true;
    spring.params = p;
    spring.playing = true;
    movedAt_ = now_(); // a start is followed closely, as a move is
    spring.from = movedAt_ + std::chrono::milliseconds(s.delayMs);
    spring.until = FollowClock::time_point::max();
    // With a duration, each of the iterations lasts that long.
    if (p.durationMs != 0 && s.iterations != kInfiniteIterations)
        spring.until =
            spring.from + std::chrono::milliseconds(std::uint64_t{p.durationMs} * s.iterations);
    ReadScreen();
    Changed(lock);
    return !output_->Lost();
}

bool FollowingBackend::Stop(EffectId id)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = springs_.find(id);
    if (it == springs_.end())
        return false;
    it->second.playing = false;
    Changed(lock);
    return true;
}

void FollowingBackend::Destroy(EffectId id)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (springs_.erase(id) != 0)
        Changed(lock);
}

void FollowingBackend::EndFollower()
{
    {
        std::lock_guard<std::mutex> hold(mutex_);
        ending_ = true;
    }
    WakeFollower();
}

bool FollowingBackend::FollowerEnding() const
{
    std::lock_guard<std::mutex> hold(mutex_);
    return ending_;
}

std::chrono::milliseconds FollowingBackend::FollowerTurn()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (ending_)
        return kUntilWoken;
    bool playing = false;
    for (const auto &entry : springs_)
        playing = playing || entry.second.playing;
    lock.unlock();

    // The pointer is read with no lock of ours held: the source may take
    // locks of its own.
    std::int64_t x = 0, y = 0;
    const bool havePointer = playing && source_.pointer && source_.pointer(&x, &y);

    lock.lock();
    if (retry_) {
        refused_ = false;
        retry_ = false;
    }
    const FollowClock::time_point now = now_();
    if (havePointer && (x != lastX_ || y != lastY_)) {
        lastX_ = x;
        lastY_ = y;
        movedAt_ = now;
    }
    Force total;
    std::uint32_t saturation = 0;
    bool following = false;
    for (auto &entry : springs_) {
        Spring &s = entry.second;
        if (s.playing && now >= s.until)
            s.playing = false; // its time ran out
        if (!s.playing)
            continue;
        following = true;
        if (now < s.from || !havePointer)
            continue;
        total = AddForces(total, SpringForceAt(s.params, x, y, screen_));
        saturation = std::max(saturation, s.params.saturation);
    }
    // A pointer that cannot be read leaves the force as it is.
    if (following && !havePointer && sentOnce_) {
        total = sent_;
        saturation = sentSaturation_;
    }
    const bool due = total != Force{} && now - sentAt_ >= kRenewal;
    // A device that refused (unplugged, say) is not told every move of the
    // pointer that it cannot follow, only tried again at the next start.
    // The device is told nothing before the first spring plays.
    const bool changed = sentOnce_ ? total != sent_ || saturation != sentSaturation_ : following;
    if (!refused_ && (changed || due)) {
        lock.unlock();
        const bool ok = output_->Render(total, saturation);
        lock.lock();
        refused_ = !ok;
        if (ok) {
            sent_ = total;
            sentSaturation_ = saturation;
            sentOnce_ = true;
            sentAt_ = now;
        }
    }
    // While a spring plays (or waits for its delay) the pointer is read
    // again soon, less soon while it rests; otherwise the follower sleeps
    // until a call wakes it.
    if (!following)
        return kUntilWoken;
    return now - movedAt_ >= kRestAfter ? kRestPeriod : kPollPeriod;
}

bool FollowingBackend::Following() const
{
    std::lock_guard<std::mutex> hold(mutex_);
    for (const auto &entry : springs_)
        if (entry.second.playing)
            return true;
    return false;
}

Force FollowingBackend::LastForce() const
{
    std::lock_guard<std::mutex> hold(mutex_);
    return sent_;
}

} // namespace taclib
