// Springs on a device that cannot play one itself: a force joystick or wheel
// told a constant force, a pad told how fast to turn its rumble motors. The
// library computes what the spring pulls with where the pointer is
// (SpringForceAt) and tells the device whenever the pointer, a spring or the
// set of playing springs changes. Nothing is computed or sent while no spring
// plays.
//
// Threads. The program's thread makes the library's calls (create, change,
// start, stop, destroy a spring): they only change what should play and wake
// the follower; they never wait for the device. The follower is one thread of
// the library's (started by the platform, see FollowerTurn) that reads the
// pointer, computes the force and tells the device. It is the only thread
// that calls the device while the backend lives, so at most one call is in
// flight, and it always sends the latest force: values that came and went
// during a slow call are never sent, and nothing queues. No lock of this
// class is held during a device call or a read of the pointer.
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

// A device that renders a force it is told. Called on the follower's thread
// only (and, once the follower has ended, on the thread that destroys it).
class ForceOutput {
public:
    virtual ~ForceOutput() = default;
    // The force to exert from now on. `saturation` is the largest saturation
    // of the springs that make it (what a rumble takes as full strength). A
    // zero force is silence. False when the device refused or is gone.
    virtual bool Render(Force force, std::uint32_t saturation) = 0;
    // How many springs it follows at once.
    virtual unsigned long Capacity() { return 16; }
    // Whether the device was unplugged: nothing it is told is felt any more,
    // and another may take its place. Safe on any thread.
    virtual bool Lost() const = 0;
};

// Where the pointer is, in the program's screen pixels, and how large that
// screen is. `pointer` is read on the follower's thread: it must be safe on
// any thread (GetCursorPos). `screen` is read on the program's thread, at each
// start and change of a spring.
struct PointerSource {
    std::function<bool(std::int64_t *x, std::int64_t *y)> pointer;
    std::function<ScreenSize()> screen;
};

using FollowClock = std::chrono::steady_clock;

class FollowingBackend : public Backend {
public:
    // How often the pointer is read while a spring plays: a move reaches the
    // device within this and one device call, inside the 10 ms a hand does
    // not notice.
    static constexpr std::chrono::milliseconds kPollPeriod{4};
    // How often while the pointer rests (unmoved for kRestAfter): reading it
    // costs (under Wine, a round trip to the X server), and the first move
    // after a rest still reaches the device within this and one device call.
    static constexpr std::chrono::milliseconds kRestPeriod{8};
    static constexpr std::chrono::milliseconds kRestAfter{100};
    // A force that lasts is told again this often: devices are given effects
    // of a finite length, and rumble runs out.
    static constexpr std::chrono::seconds kRenewal{10};
    // The turn's answer while nothing plays: sleep until woken.
    static constexpr std::chrono::milliseconds kUntilWoken{-1};

    // `now` is the clock (steady_clock's when empty).
    FollowingBackend(std::unique_ptr<ForceOutput> output, PointerSource source,
                     std::function<FollowClock::time_point()> now = {});
    // The platform ends its follower (EndFollower) before this runs.
    ~FollowingBackend() override;

    ScreenSize Screen() override;
    unsigned long Capacity() override;
    bool CreateSpring(const SpringParams &p, EffectId *id) override;
    bool UpdateSpring(EffectId id, const SpringParams &p) override;
    // True unless the device is known to be gone; the force follows on the
    // follower's thread.
    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override;
    bool Stop(EffectId id) override;
    void Destroy(EffectId id) override;
    bool Lost() override { return output_->Lost(); }

    // One turn of the follower's thread: reads the pointer while a spring
    // plays, tells the device the force when it changed (or is due again),
    // and answers how long the thread may sleep before the next turn
    // (kUntilWoken while nothing plays). Only the follower's thread calls it.
    std::chrono::milliseconds FollowerTurn();
    // Whether the follower should stop; set by EndFollower.
    bool FollowerEnding() const;

    // Whether a spring plays (or waits for its delay), so that the pointer
    // must be followed.
    bool Following() const;
    // The force the device last took.
    Force LastForce() const;

protected:
    // Wakes the follower's thread from its sleep (any thread); the platform's.
    virtual void WakeFollower() {}
    // Asks the follower to end and wakes it; the platform then joins it.
    void EndFollower();

private:
    struct Spring {
        SpringParams params;
        bool playing = false;
        FollowClock::time_point from;  // when the force begins (after the delay)
        FollowClock::time_point until; // when it ends; time_point::max(): when stopped
    };

    // Reads the screen on the program's thread; under the lock.
    void ReadScreen();
    // Wakes the follower, outside the lock.
    void Changed(std::unique_lock<std::mutex> &lock);

    std::unique_ptr<ForceOutput> output_;
    const PointerSource source_;
    const std::function<FollowClock::time_point()> now_;

    mutable std::mutex mutex_; // guards everything below
    std::map<EffectId, Spring> springs_;
    EffectId next_ = 1;
    ScreenSize screen_ = kDefaultScreen;
    bool retry_ = false;   // a start came: a device that refused is tried again
    bool refused_ = false; // the device refused the last force
    bool ending_ = false;
    bool sentOnce_ = false;
    Force sent_;
    FollowClock::time_point sentAt_;
    std::uint32_t sentSaturation_ = 0;
    std::int64_t lastX_ = 0, lastY_ = 0; // where the pointer was last read
    FollowClock::time_point movedAt_;    // when it was last seen to move (or a start came)
};

} // namespace taclib
