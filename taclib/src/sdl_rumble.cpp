// A pad that rumbles, through SDL's joystick API (which also reaches pads
// that SDL drives over HID): its motors turn as fast as the spring pulls.
#include <SDL.h>

#include "call_log.h"
#include "linux_devices.h"

namespace taclib {

namespace {

class SdlRumbleOutput : public ForceOutput {
public:
    explicit SdlRumbleOutput(SDL_Joystick *joystick) : joystick_(joystick)
    {
        const char *name = SDL_JoystickName(joystick);
        LogNote(std::string("sdl open ") + (name != nullptr ? name : "(unnamed)") + " (" +
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

std::vector<Pad> RumblePads()
{
    std::vector<Pad> pads;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        SDL_Joystick *joystick = SDL_JoystickOpen(i);
        if (joystick == nullptr)
            continue;
        if (SDL_JoystickHasRumble(joystick) == SDL_TRUE) {
            const char *name = SDL_JoystickName(joystick);
            const char *path = SDL_JoystickPath(joystick);
            pads.push_back({i, name != nullptr ? name : "", path != nullptr ? path : ""});
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
    return FollowOutput(std::make_unique<SdlRumbleOutput>(joystick));
}

} // namespace taclib
