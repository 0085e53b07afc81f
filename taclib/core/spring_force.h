// What a spring pulls with at a given pointer position: the force a
// force-feedback pointing device plays for it, in the library's own units.
// Devices that cannot play a spring themselves (a force joystick, a wheel, a
// rumble pad) are told this force while the spring plays, computed again
// whenever the pointer or the spring changes.
#pragma once

#include <cstdint>

#include "device_mapping.h"
#include "spring_params.h"

namespace taclib {

// A force on the hand in ten-thousandths of the device's strongest force,
// each component -kMaxLevel..kMaxLevel: +x pushes right, +y pushes down (the
// screen's directions).
struct Force {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Force &o) const { return x == o.x && y == o.y; }
    bool operator!=(const Force &o) const { return !(*this == o); }
};

// The spring's force with the pointer at (x, y) in screen pixels, on a
// screen of the given size. Along each axis the spring takes: the distance
// from its centre (trim included) beyond the dead band, times the stiffness
// per half screen (stiffness is the force half a screen away), truncated
// toward zero, at most the saturation, pulling toward the centre (pushing
// away for a negative stiffness). An axis left out of the spring, or a
// screen of no size, gives none.
Force SpringForceAt(const SpringParams &p, std::int64_t x, std::int64_t y, ScreenSize screen);

// The sum of several forces, each component held within -kMaxLevel..kMaxLevel.
Force AddForces(Force a, Force b);

// How strong a force is, 0..kMaxLevel: its length, truncated, at most the
// strongest force.
std::int32_t ForceStrength(Force f);

// The strength of a force relative to the saturation of the spring that made
// it, as a rumble motor's speed 0..0xFFFF: none at the centre, full where the
// force reaches the saturation (or the strongest force).
std::uint16_t RumbleSpeed(Force f, std::uint32_t saturation);

} // namespace taclib
