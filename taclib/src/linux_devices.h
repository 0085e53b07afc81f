// What the Linux backend's device kinds share, and the one ranked list of
// devices that both opening and `zorbel --devices` go through:
//  1. a force-feedback pointing device, which plays the spring itself: an
//     FF_SPRING condition through the kernel's event interface
//     (evdev_pointing.cpp);
//  2. a constant-force controller (force joysticks, wheels): told the
//     spring's force at the pointer as an FF_CONSTANT effect
//     (evdev_constant.cpp);
//  3. a rumble pad, through SDL's joystick API, which also reaches pads that
//     SDL drives over HID: its motors turn as fast as the spring pulls
//     (sdl_rumble.cpp).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "follow.h"
#include "linux_input.h"

namespace taclib {

// Kernel units shared by the evdev kinds: an effect is never uploaded with a
// length of 0, which some drivers play as nothing, so "until stopped" is the
// longest length repeated as often as the kernel counts.
constexpr std::uint16_t kLongestMs = 0x7FFF;
constexpr int kUntilStopped = 0x7FFFFFFF;

// Whether a call on a device succeeded (an errno of 0); a failure is noted,
// and a device that is gone is marked as lost (read on another thread than
// the follower's that marks it).
bool Succeeded(const char *call, int error, std::atomic<bool> *lost);

// Before any effect: the device's own centring off (it would fight the
// spring's centre) and its gain full.
void Prepare(InputDevice &device, const InputNode &node);

// A rumble pad as SDL sees it, which may be one the kernel's listing cannot
// show (a pad SDL drives over HID).
struct Pad {
    int index;
    std::string name;
    std::string path; // the event node, when SDL drives one
};

// Every joystick SDL knows that rumbles; one on an event node among NODES is
// named as the kernel names it.
std::vector<Pad> RumblePads(const std::vector<InputNode> &nodes);

// One device the library could use, ranked.
struct Candidate {
    ForceKind kind = ForceKind::None;
    const InputNode *node = nullptr; // the kernel's node (pointing, constant)
    const Pad *pad = nullptr;        // SDL's joystick (rumble)
};

// The devices there are, best first: pointing devices, then constant-force
// controllers, each in the order of their nodes, then pads that rumble that
// are not already listed as a controller. Points into `nodes` and `pads`.
std::vector<Candidate> RankDevices(const std::vector<InputNode> &nodes,
                                   const std::vector<Pad> &pads);

// Opening each kind; null, with *why set, when it cannot be opened.
std::unique_ptr<Backend> OpenPointing(const InputNode &node, std::string *why);
std::unique_ptr<Backend> OpenConstant(const InputNode &node, std::string *why);
std::unique_ptr<Backend> OpenRumble(const Pad &pad, std::string *why);

// A device told a force, following the pointer while a spring plays.
std::unique_ptr<Backend> FollowOutput(std::unique_ptr<ForceOutput> output);

} // namespace taclib
