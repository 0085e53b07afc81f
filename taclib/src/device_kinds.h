// The kinds of force device, in the order the library prefers them on every
// platform, and how `zorbel --devices` words each device of a ranked list.
// Each platform has one ranked list, which both opening and the description
// go through (linux_devices.h, windows_devices.h).
#pragma once

#include <string>

namespace taclib {

// What a device can render, best first.
enum class ForceKind {
    None,     // no force feedback, or not one the library can use
    Pointing, // a pointing device that plays a spring itself
    Constant, // constant force: force joysticks and wheels
    Rumble,   // rumble motors only: pads
};

const char *KindName(ForceKind kind);

// What a device of this kind renders, as said of the one used.
const char *WhatItRenders(ForceKind kind);

// One line of `zorbel --devices` for a device of the ranked list: where it
// is, its own name (quoted, made harmless; none when empty), its kind, and
// what it renders when it is the first (the one used), or that it is passed
// over for the one above. Ends with a newline.
std::string RankedDeviceLine(const std::string &where, const std::string &name, ForceKind kind,
                             bool first);

} // namespace taclib
