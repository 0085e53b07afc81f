// The values that describe a spring condition and start request, with their
// limits. The project parser, the public calls and every backend share these,
// so a value that one accepts the others can play.
#pragma once

#include <cstdint>
#include <string>

namespace taclib {

// Forces are in ten-thousandths of the device's strongest force.
constexpr std::int32_t kMaxLevel = 10000;
// Pixel distances (deadband, trim) beyond any screen are refused.
constexpr std::int32_t kMaxPixels = 10000;
constexpr std::uint32_t kMaxDurationMs = 3600000; // one hour
constexpr std::uint32_t kMaxStartDelayMs = 65535;
constexpr std::uint32_t kInfiniteIterations = 0xFFFFFFFFu;

// The range of one value, as the parser, the public calls' checks and their
// messages all take it: "NAME must be between LO and HI[ UNIT]".
struct Limit {
    const char *name;
    std::int64_t lo, hi;
    const char *unit; // "" or " pixels", " ms", ...
    bool Holds(std::int64_t v) const { return v >= lo && v <= hi; }
};

constexpr Limit kStiffnessLimit{"stiffness", -kMaxLevel, kMaxLevel, ""};
constexpr Limit kSaturationLimit{"saturation", 0, kMaxLevel, ""};
constexpr Limit kDeadbandLimit{"deadband", 0, kMaxPixels, " pixels"};
constexpr Limit kTrimLimit{"trim", -kMaxPixels, kMaxPixels, " pixels on each axis"};
constexpr Limit kDurationLimit{"duration", 0, kMaxDurationMs, " ms"};
constexpr Limit kStartDelayLimit{"start delay", 0, kMaxStartDelayMs, " ms"};

// "between LO and HI[ UNIT]"
std::string Between(const Limit &limit);

enum AxisBits : std::uint32_t {
    kAxisX = 1,
    kAxisY = 2,
    kAxesBoth = kAxisX | kAxisY,
};

struct SpringParams {
    std::int32_t centreX = 0; // screen pixels
    std::int32_t centreY = 0;
    std::int32_t stiffness = 1000;    // -kMaxLevel..kMaxLevel; negative pushes away
    std::uint32_t saturation = 10000; // 0..kMaxLevel: the force never exceeds this
    std::uint32_t deadband = 0;       // pixels either side of the centre without force
    std::uint32_t axes = kAxesBoth;
    std::int32_t trimX = 0; // pixels added to the centre, for devices whose zero is off
    std::int32_t trimY = 0;
    std::uint32_t durationMs = 0; // 0: plays until stopped
};

struct StartParams {
    std::uint32_t iterations = 1; // kInfiniteIterations repeats until stopped
    std::uint32_t delayMs = 0;
    bool solo = false; // stop the device's other effects first
};

// Sets *why to the reason and answers false: how every check here refuses.
bool Refuse(std::string *why, const char *reason);
// The same for a value outside LIMIT: "NAME must be between ...".
bool Refuse(std::string *why, const Limit &limit);

// Whether the values are playable; *why says why not.
bool CheckSpring(const SpringParams &p, std::string *why);
bool CheckStart(const StartParams &s, std::string *why);

// The arguments of the public calls, widened so that a long of any platform
// (32 bits on Windows, 64 elsewhere) fits without change.
struct SpringArgs {
    std::int64_t centreX, centreY;
    std::int64_t stiffness;
    std::uint64_t saturation, deadband, axes;
    std::int64_t trimX, trimY;
    std::uint64_t durationMs;
};

struct ChangeArgs {
    std::int64_t centreX, centreY;
    std::int64_t stiffness;
    std::uint64_t saturation, deadband;
    std::int64_t trimX, trimY;
};

// 0x80000000 passed as a long or unsigned long, whatever its width: "keep".
bool IsKeep(std::int64_t value);
bool IsKeep(std::uint64_t value);

// Fills *out when the arguments make a playable spring.
bool SpringFromArgs(const SpringArgs &a, SpringParams *out, std::string *why);

// Applies the arguments that are not "keep" to *p, all or nothing.
bool ApplyChange(const ChangeArgs &a, SpringParams *p, std::string *why);

// The point the spring pulls toward, trim included. Wide enough that no sum
// of in-range values overflows.
inline std::int64_t EffectiveCentreX(const SpringParams &p)
{
    return std::int64_t{p.centreX} + p.trimX;
}
inline std::int64_t EffectiveCentreY(const SpringParams &p)
{
    return std::int64_t{p.centreY} + p.trimY;
}

} // namespace taclib
