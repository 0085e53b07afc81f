#include "spring_force.h"

#include <algorithm>
#include <cmath>

namespace taclib {

namespace {

// One axis: the pointer `pixel` against the centre, over `extent` pixels.
std::int32_t AxisForce(const SpringParams &p, std::int64_t pixel, std::int64_t centre,
                       std::int32_t extent)
{
    if (extent <= 0)
        return 0;
    const std::int64_t offset = pixel - centre;
    const std::int64_t distance = offset < 0 ? -offset : offset;
    if (distance <= std::int64_t{p.deadband})
        return 0;
    const std::int64_t beyond = distance - p.deadband;
    // stiffness per half screen: stiffness * beyond / (extent / 2), in one
    // division so that odd extents lose nothing before it.
    const std::int64_t size = std::int64_t{p.stiffness} * beyond * 2 / extent;
    const std::int64_t limit = std::min<std::int64_t>(p.saturation, kMaxLevel);
    const std::int64_t held = std::clamp<std::int64_t>(size, -limit, limit);
    // Toward the centre: against the offset.
    return static_cast<std::int32_t>(offset > 0 ? -held : held);
}

std::int32_t Clamp(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -kMaxLevel, kMaxLevel));
}

} // namespace

Force SpringForceAt(const SpringParams &p, std::int64_t x, std::int64_t y, ScreenSize screen)
{
    Force f;
    if ((p.axes & kAxisX) != 0)
        f.x = AxisForce(p, x, EffectiveCentreX(p), screen.width);
    if ((p.axes & kAxisY) != 0)
        f.y = AxisForce(p, y, EffectiveCentreY(p), screen.height);
    return f;
}

Force AddForces(Force a, Force b)
{
    return Force{Clamp(std::int64_t{a.x} + b.x), Clamp(std::int64_t{a.y} + b.y)};
}

std::int32_t ForceStrength(Force f)
{
    const double length = std::hypot(static_cast<double>(f.x), static_cast<double>(f.y));
    return static_cast<std::int32_t>(std::min<double>(length, kMaxLevel));
}

std::uint16_t RumbleSpeed(Force f, std::uint32_t saturation)
{
    const std::int64_t full = std::clamp<std::int64_t>(saturation, 0, kMaxLevel);
    if (full == 0)
        return 0;
    const std::int64_t strength = std::min<std::int64_t>(ForceStrength(f), full);
    return static_cast<std::uint16_t>(strength * 0xFFFF / full);
}

} // namespace taclib
