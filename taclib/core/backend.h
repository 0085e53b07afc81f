// What a kind of device must do for the library: open, play springs, close.
// A backend owns its device and every effect it created; destroying it stops
// and releases them all.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "device_mapping.h"
#include "spring_params.h"

namespace taclib {

using EffectId = int;

class Backend {
public:
    virtual ~Backend() = default;

    // Where "the middle of the screen" is, for springs given no centre.
    virtual ScreenSize Screen() = 0;

    // Most effects the device holds at once (a device may hold fewer than
    // the caller asked for).
    virtual unsigned long Capacity() = 0;

    // Downloads a stopped spring; false when the device refuses it.
    virtual bool CreateSpring(const SpringParams &p, EffectId *id) = 0;
    // New values for a spring, playing or not.
    virtual bool UpdateSpring(EffectId id, const SpringParams &p) = 0;
    virtual bool Start(EffectId id, const SpringParams &p, const StartParams &s) = 0;
    virtual bool Stop(EffectId id) = 0;
    virtual void Destroy(EffectId id) = 0;

    // Whether the device has gone (unplugged): its calls fail from now on,
    // and another device may take its place.
    virtual bool Lost() { return false; }
};

// Opens a device; null, with *why set, when none can be.
using BackendOpener = std::function<std::unique_ptr<Backend>(std::string *why)>;

// A backend whose device may be replaced: when the device it plays on is
// lost, the next Start opens one again (the same, plugged back, or another)
// and gives it every spring it holds, so that a controller plugged in while
// the program runs is used from the next press. Null, with *why set, when no
// device opens at first.
std::unique_ptr<Backend> OpenReplaceable(BackendOpener open, std::string *why);

struct OpenRequest {
    void *instance;
    void *window;
    bool foregroundOnly;
};

// The backend TACLIB_DEVICE asks for: "sim" the simulated device, "none" no
// device, unset or empty the platform's own. Null, with *why set, when no
// device can be opened.
std::unique_ptr<Backend> OpenBackend(const OpenRequest &request, std::string *why);

// How much of TACLIB_DEVICE or TACLIB_SCREEN a message shows: the value is
// the user's to set to anything, and a misspelt word is recognised well
// before this.
constexpr std::size_t kShownChoice = 64;

// Every force device the platform's backend can see, one line each: what it
// is, what the library would render there, and why any is passed over.
std::string DescribeDevices();

std::unique_ptr<Backend> OpenSimulatedBackend(const OpenRequest &request, std::string *why);
std::unique_ptr<Backend> OpenPlatformBackend(const OpenRequest &request, std::string *why);

} // namespace taclib
