// From the library's units (screen pixels, ten-thousandths of full force) to a
// device's own: an axis spans the whole screen, its middle at the screen's
// middle, and a force level spans the device's strongest force.
#pragma once

#include <cstdint>
#include <string>

namespace taclib {

struct ScreenSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The screen a device maps onto when nothing better is known: the program's
// display mode.
constexpr ScreenSize kDefaultScreen{1024, 768};

// TACLIB_SCREEN="WxH" (each 1..65535) overrides what a backend finds out
// about the screen; false when it is unset or not of that form, and then, if
// it is set, *why says so.
bool ScreenFromEnvironment(ScreenSize *out, std::string *why = nullptr);

// A screen coordinate on an axis of `extent` pixels, as a device position in
// -half..half; points off the screen are held at its edge.
std::int32_t MapPosition(std::int64_t pixel, std::int32_t extent, std::int32_t half);

// A distance in pixels on that axis, in the same device units, at most `max`.
std::int32_t MapDistance(std::uint32_t pixels, std::int32_t extent, std::int32_t half,
                         std::int32_t max);

// A level in -10000..10000 (or 0..10000) scaled to -full..full.
std::int32_t MapLevel(std::int32_t level, std::int32_t full);

} // namespace taclib
