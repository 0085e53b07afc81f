// What the public classes hold behind their single state pointer, and the one
// way into it for the library's own code.
#pragma once

#include <memory>
#include <string>

#include "backend.h"
#include "project_parser.h"
#include "spring_params.h"
#include "taclib.h"

namespace taclib {

// An opened device. Projects and effects keep only weak references, so that
// destroying the device releases the hardware at once and leaves them with
// calls that fail instead of a dangling pointer.
struct DeviceCore {
    std::unique_ptr<Backend> backend;
    unsigned long slots = 0; // effects it may hold at once
    unsigned long used = 0;
};

} // namespace taclib

struct TacDeviceState {
    std::shared_ptr<taclib::DeviceCore> core;
};

struct TacProjectState {
    bool open = false;
    taclib::ProjectData data;
    std::weak_ptr<taclib::DeviceCore> device;
    std::string error;
    int errorLine = 0;
    bool notFound = false; // a name without a folder was found in none of its places
};

struct TacEffectState {
    const char *className = "CTacEffect";
    bool isSpring = false;
    std::weak_ptr<taclib::DeviceCore> device;
    bool live = false; // downloaded to the device
    taclib::EffectId id = 0;
    taclib::SpringParams params;
};

class TacAccess {
public:
    static TacDeviceState *State(CTacDevice *d) { return d != nullptr ? d->state_ : nullptr; }
    static TacProjectState &State(CTacProject &p) { return *p.state_; }
    static TacEffectState &State(CTacEffect &e) { return *e.state_; }

    static std::shared_ptr<taclib::DeviceCore> Core(CTacDevice *d)
    {
        TacDeviceState *state = State(d);
        return state != nullptr ? state->core : nullptr;
    }
};
