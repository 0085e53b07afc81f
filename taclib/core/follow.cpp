#include "follow.h"

#include <algorithm>

namespace taclib {

FollowingBackend::FollowingBackend(std::unique_ptr<ForceOutput> output, PointerSource source)
    : output_(std::move(output)), source_(std::move(source))
{
}

FollowingBackend::~FollowingBackend()
{
    // Whatever still plays stops with the device.
    if (sentOnce_ && sent_ != Force{})
        (void)output_->Render(Force{}, 0);
}

ScreenSize FollowingBackend::Screen() { return source_.screen ? source_.screen() : kDefaultScreen; }

unsigned long FollowingBackend::Capacity() { return output_->Capacity(); }

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
    return Refresh(lock, true);
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
    refused_ = false;
    spring.params = p;
    spring.playing = true;
    spring.from = Clock::now() + std::chrono::milliseconds(s.delayMs);
    spring.until = Clock::time_point::max();
    // With a duration, each of the iterations lasts that long.
    if (p.durationMs != 0 && s.iterations != kInfiniteIterations)
        spring.until =
            spring.from + std::chrono::milliseconds(std::uint64_t{p.durationMs} * s.iterations);
    return Refresh(lock, true);
}

bool FollowingBackend::Stop(EffectId id)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = springs_.find(id);
    if (it == springs_.end())
        return false;
    it->second.playing = false;
    return Refresh(lock, false);
}

void FollowingBackend::Destroy(EffectId id)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (springs_.erase(id) != 0)
        (void)Refresh(lock, false);
}

void FollowingBackend::PointerMoved(std::int64_t x, std::int64_t y)
{
    std::unique_lock<std::mutex> lock(mutex_);
    pointerX_ = x;
    pointerY_ = y;
    havePointer_ = true;
    (void)Refresh(lock, false);
}

void FollowingBackend::Tick()
{
    std::unique_lock<std::mutex> lock(mutex_);
    (void)Refresh(lock, false);
}

bool FollowingBackend::Following() const
{
    std::lock_guard<std::mutex> hold(mutex_);
    return following_;
}

Force FollowingBackend::LastForce() const
{
    std::lock_guard<std::mutex> hold(mutex_);
    return sent_;
}

bool FollowingBackend::Refresh(std::unique_lock<std::mutex> &lock, bool readPointer)
{
    if (readPointer && source_.pointer) {
        std::int64_t x = 0, y = 0;
        if (source_.pointer(&x, &y)) {
            pointerX_ = x;
            pointerY_ = y;
            havePointer_ = true;
        }
    }
    // The screen is asked for where the pointer is (on the thread that makes
    // the library's calls, which a start always is), and kept for moves and
    // ticks that come on other threads.
    if (readPointer || !haveScreen_) {
        screen_ = source_.screen ? source_.screen() : kDefaultScreen;
        haveScreen_ = true;
    }
    const Clock::time_point now = Clock::now();
    const ScreenSize screen = screen_;
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
        if (now < s.from || !havePointer_)
            continue;
        total = AddForces(total, SpringForceAt(s.params, pointerX_, pointerY_, screen));
        saturation = std::max(saturation, s.params.saturation);
    }
    bool ok = !refused_;
    // A force that lasts is told again now and then: devices are given
    // effects of a finite length, and rumble runs out.
    const bool stale = total != Force{} && now - sentAt_ > std::chrono::seconds(10);
    if (ok && (!sentOnce_ || stale || total != sent_ || saturation != sentSaturation_)) {
        ok = output_->Render(total, saturation);
        // A device that refused (unplugged, say) is not told every move of
        // the pointer that it cannot follow.
        refused_ = !ok;
        if (ok) {
            sent_ = total;
            sentSaturation_ = saturation;
            sentOnce_ = true;
            sentAt_ = now;
        }
    }
    const bool changed = following != following_;
    following_ = following;
    lock.unlock();
    if (changed)
        FollowingChanged(following);
    return ok;
}

} // namespace taclib
