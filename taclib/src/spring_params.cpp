#include "spring_params.h"

#include <cstdint>

namespace taclib {

namespace {

bool InRange(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }

} // namespace

bool Refuse(std::string *why, const char *reason)
{
    *why = reason;
    return false;
}

bool CheckSpring(const SpringParams &p, std::string *why)
{
    if (!InRange(p.stiffness, -kMaxLevel, kMaxLevel))
        return Refuse(why, "stiffness must be between -10000 and 10000");
    if (p.saturation > std::uint32_t{kMaxLevel})
        return Refuse(why, "saturation must be between 0 and 10000");
    if (p.deadband > std::uint32_t{kMaxPixels})
        return Refuse(why, "deadband must be between 0 and 10000 pixels");
    if (p.axes < kAxisX || p.axes > kAxesBoth)
        return Refuse(why, "axes must be 1 (x), 2 (y) or 3 (both)");
    if (!InRange(p.trimX, -kMaxPixels, kMaxPixels) || !InRange(p.trimY, -kMaxPixels, kMaxPixels)) {
        return Refuse(why, "trim must be between -10000 and 10000 pixels on each axis");
    }
    if (p.durationMs > kMaxDurationMs)
        return Refuse(why, "duration must be between 0 and 3600000 ms");
    return true;
}

bool CheckStart(const StartParams &s, std::string *why)
{
    if (s.iterations == 0)
        return Refuse(why, "iterations must be at least 1");
    if (s.delayMs > kMaxStartDelayMs)
        return Refuse(why, "start delay must be between 0 and 65535 ms");
    return true;
}

bool IsKeep(std::int64_t value) { return value == 0x80000000LL || value == -0x80000000LL; }

bool IsKeep(std::uint64_t value)
{
    return value == 0x80000000ULL || value == 0xFFFFFFFF80000000ULL;
}

namespace {

bool Narrow(std::int64_t v, std::int32_t *out)
{
    if (!InRange(v, INT32_MIN, INT32_MAX))
        return false;
    *out = static_cast<std::int32_t>(v);
    return true;
}

bool Narrow(std::uint64_t v, std::uint32_t *out)
{
    if (v > UINT32_MAX)
        return false;
    *out = static_cast<std::uint32_t>(v);
    return true;
}

// A keep leaves the field alone; any other value must fit in it. The range
// checks of CheckSpring then run on the narrowed values, so the limits live
// in one place.
template <typename Wide, typename Field> bool Change(Wide v, Field *field)
{
    return IsKeep(v) || Narrow(v, field);
}

} // namespace

bool SpringFromArgs(const SpringArgs &a, SpringParams *out, std::string *why)
{
    SpringParams p;
    bool fits = Narrow(a.centreX, &p.centreX) && Narrow(a.centreY, &p.centreY) &&
                Narrow(a.stiffness, &p.stiffness) && Narrow(a.saturation, &p.saturation) &&
                Narrow(a.deadband, &p.deadband) && Narrow(a.axes, &p.axes) &&
                Narrow(a.trimX, &p.trimX) && Narrow(a.trimY, &p.trimY) &&
                Narrow(a.durationMs, &p.durationMs);
    if (!fits)
        return Refuse(why, "an argument is outside its range");
    if (!CheckSpring(p, why))
        return false;
    *out = p;
    return true;
}

bool ApplyChange(const ChangeArgs &a, SpringParams *p, std::string *why)
{
    SpringParams next = *p;
    bool fits = Change(a.centreX, &next.centreX) && Change(a.centreY, &next.centreY) &&
                Change(a.stiffness, &next.stiffness) && Change(a.saturation, &next.saturation) &&
                Change(a.deadband, &next.deadband) && Change(a.trimX, &next.trimX) &&
                Change(a.trimY, &next.trimY);
    if (!fits)
        return Refuse(why, "an argument is outside its range");
    if (!CheckSpring(next, why))
        return false;
    *p = next;
    return true;
}

} // namespace taclib
