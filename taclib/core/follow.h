// Springs on a device that cannot play one itself: a force joystick or wheel
// told a constant force, a pad told how fast to turn its rumble motors. The
// library computes what the spring pulls with where the pointer is
// (SpringForceAt) and tells the device again whenever the pointer, a spring
// or the set of playing springs changes. Nothing is computed or sent while no
// spring plays.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "backend.h"
#include "spring_force.h"

namespace taclib {

// A device that renders a force it is told.
class ForceOutput {
public:
    virtual ~ForceOutput() = default;
    // The force to exert from now on. `saturation` is the largest saturation
    // of the springs that make it (what a rumble takes as full strength). A
    // zero force is silence. False when the device refused or is gone.
    virtual bool Render(Force force, std::uint32_t saturation) = 0;
    // How many springs it follows at once.
    virtual unsigned long Capacity() { return 16; }
};

// Where the pointer is, in the program's screen pixels, and how large that
// screen is. Read only on the thread that makes the library's calls (a start,
// a change of a spring).
struct PointerSource {
    std::function<bool(std::int64_t *x, std::int64_t *y)> pointer;
    std::function<ScreenSize()> screen;
};

class FollowingBackend : public Backend {
public:
    FollowingBackend(std::unique_ptr<ForceOutput> output, PointerSource source);
    ~FollowingBackend() override;

    ScreenSize Screen() override;
    unsigned long Capacity() override;
    bool CreateSpring(const SpringParams &p, EffectId *id) override;
    bool UpdateSpring(EffectId id, const SpringParams &p) override;
    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override;
    bool Stop(EffectId id) override;
    void Destroy(EffectId id) override;

    // The pointer moved to (x, y): the force follows at once. Safe on any
    // thread.
    void PointerMoved(std::int64_t x, std::int64_t y);
    // Plays what is due now at the last known pointer: a delayed start that
    // has come, a duration that has run out. Safe on any thread.
    void Tick();
    // Whether a spring plays (or waits for its delay), so that the pointer
    // must be followed.
    bool Following() const;
    // The force last sent to the device.
    Force LastForce() const;

protected:
    // Called, outside the lock, when following begins and when it ends, so
    // that a platform can start and stop watching the pointer.
    virtual void FollowingChanged(bool following) { (void)following; }

private:
    using Clock = std::chrono::steady_clock;
    struct Spring {
        SpringParams params;
        bool playing = false;
        Clock::time_point from;  // when the force begins (after the delay)
        Clock::time_point until; // when it ends; Clock::time_point::max(): when stopped
    };

    // Reads the pointer when asked, sends what is due, and reports a change
    // of following. `lock` is held on entry and released on return.
    bool Refresh(std::unique_lock<std::mutex> &lock, bool readPointer);

    mutable std::mutex mutex_;
    std::unique_ptr<ForceOutput> output_;
    PointerSource source_;
    std::map<EffectId, Spring> springs_;
    EffectId next_ = 1;
    std::int64_t pointerX_ = 0, pointerY_ = 0;
    bool havePointer_ = false;
    ScreenSize screen_;
    bool haveScreen_ = false;
    bool following_ = false;
    bool sentOnce_ = false;
    bool refused_ = false; // the device refused the last force
    Force sent_;
    Clock::time_point sentAt_;
    std::uint32_t sentSaturation_ = 0;
};

} // namespace taclib
