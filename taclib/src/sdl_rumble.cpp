// A pad that rumbles, through SDL's joystick API (which also reaches pads
// that SDL drives over HID): its motors turn as fast as the spring pulls.
#include <SDL.h>

#include <algorithm>

#include "call_log.h"
#include "linux_devices.h"

namespace taclib {

namespace {

class SdlRumbleOutput : public ForceOutput {
public:
    SdlRumbleOutput(SDL_Joystick *joystick, const std::string &name) : joystick_(joystick)
    {
        LogNote("sdl open " + (name.empty() ? std::string("(unnamed)") : name) + " (" +
                KindName(ForceKind::Rumble) + ")");
    }

    ~SdlRumbleOutput() override
    {
        (void)SDL_JoystickRumble(joystick_, 0, 0, 0);
        SDL_JoystickClose(joystick_);
    }

    bool Render(Force force, std::uint32_t saturation) override
    {
        const Uint16 speed = RumbleSpeed(force, saturation);
        // The longest rumble SDL plays; the follower renews it while it lasts.
        if (SDL_JoystickRumble(joystick_, speed, speed, speed != 0 ? 0xFFFF : 0) == 0)
            return true;
        LogNote(std::string("sdl SDL_JoystickRumble failed: ") + SDL_GetError());
        return false;
    }

    bool Lost() const override { return SDL_JoystickGetAttached(joystick_) != SDL_TRUE; }

private:
    SDL_Joystick *joystick_;
};

} // namespace

std::vector<Pad> RumblePads(const std::vector<InputNode> &nodes)
{
    std::vector<Pad> pads;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        SDL_Joystick *joystick = SDL_JoystickOpen(i);
        if (joystick == nullptr)
            continue;
        if (SDL_JoystickHasRumble(joystick) == SDL_TRUE) {
            const char *path = SDL_JoystickPath(joystick);
            Pad pad{i, "", path != nullptr ? path : ""};
            // SDL reads an event node's name into a buffer of its own size,
            // unterminated when the name fills it; the kernel's answer as
            // read for the listing is whole and terminated.
            const auto node = std::find_if(nodes.begin(), nodes.end(), [&](const InputNode &n) {
                return !pad.path.empty() && n.path == pad.path;
            });
            if (node != nodes.end()) {
                pad.name = node->name;
            } else if (const char *name = SDL_JoystickName(joystick)) {
                pad.name = name; // not an event node: a name SDL makes itself
            }
            pads.push_back(pad);
        }
        SDL_JoystickClose(joystick);
    }
    return pads;
}

std::unique_ptr<Backend> OpenRumble(const Pad &pad, std::string *why)
{
    SDL_Joystick *joystick = SDL_JoystickOpen(pad.index);
    if (joystick == nullptr) {
        *why = std::string("SDL_JoystickOpen: ") + SDL_GetError();
        return nullptr;
    }
    return FollowOutput(std::make_unique<SdlRumbleOutput>(joystick, pad.name));
}

} // namespace taclib
