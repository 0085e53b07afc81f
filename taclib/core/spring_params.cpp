#include "spring_params.h"

#include <cstdint>

namespace taclib {

namespace {

bool InRange(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }

} // namespace

std::string Between(const Limit &limit)
{
    return "between " + std::to_string(limit.lo) + " and " + std::to_string(limit.hi) + limit.unit;
}

bool Refuse(std::string *why, const char *reason)
{
    *why = reason;
    return false;
}

bool Refuse(std::string *why, const Limit &limit)
{
    *why = std::string(limit.name) + " must be " + Between(limit);
    return false;
}

bool CheckSpring(const SpringParams &p, std::string *why)
{
    if (!kStiffnessLimit.Holds(p.stiffness))
        return Refuse(why, kStiffnessLimit);
    if (!kSaturationLimit.Holds(p.saturation))
        return Refuse(why, kSaturationLimit);
    if (!kDeadbandLimit.Holds(p.deadband))
        return Refuse(why, kDeadbandLimit);
    if (p.axes < kAxisX || p.axes > kAxesBoth)
        return Refuse(why, "axes must be 1 (x), 2 (y) or 3 (both)");
    if (!kTrimLimit.Holds(p.trimX) || !kTrimLimit.Holds(p.trimY))
        return Refuse(why, kTrimLimit);
    if (!kDurationLimit.Holds(p.durationMs))
        return Refuse(why, kDurationLimit);
    return true;
}

bool CheckStart(const StartParams &s, std::string *why)
{
    if (s.iterations == 0)
        return Refuse(why, "iterations must be at least 1");
    if (!kStartDelayLimit.Holds(s.delayMs))
        return Refuse(why, kStartDelayLimit);
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
