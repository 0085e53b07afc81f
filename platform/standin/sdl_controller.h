// Game controllers and joysticks as a second pointing device of the SDL host.
//
// While a controller holds the pointer, the pointer is the middle of the
// client area (where the band rests) plus the left stick's deflection times
// a reach of half the client area's diagonal, so that a full deflection in
// any direction reaches as far as the mouse can; a small dead zone keeps a
// resting stick exactly on the middle. The pull button (a pad's south button
// or right trigger, a joystick's trigger, button 0) is the left button; a
// pad's Back button is Escape. The mouse's own pointer is moved along, so
// what is shown, what the program reads and what SDL reports are one
// pointer; moving or clicking the mouse gives the pointer back to it, and
// the stick leaving its rest or the pull button takes it again, except while
// the mouse holds the band. The dead zone has hysteresis: a stick trembling
// at its edge stays out of it.
//
// Pads are SDL game controllers; other joysticks use axes 0 and 1 (a wheel,
// or anything with one axis, only the horizontal one), each only when it
// rests in its middle: a pedal or a throttle never pulls. The first
// controller to press holds the button until its own release; the others
// meanwhile neither take the pointer nor let go. A controller unplugged
// while it holds the button lets go of it.
#pragma once

#include "platform/standin/windef.h"

#include <SDL.h>

#include <map>
#include <string>
#include <vector>

namespace zorbel::standin {

// The window the pointer moves in, as the host shows it.
struct PointerWindow {
    HWND handle = nullptr; // null: no window to move in
    SDL_Window *native = nullptr;
    SDL_Renderer *renderer = nullptr; // scales the picture onto the window; may be null
    int width = 0;                    // the client area, in picture pixels
    int height = 0;
};

class Controllers {
public:
    Controllers() = default;
    Controllers(const Controllers &) = delete;
    Controllers &operator=(const Controllers &) = delete;
    ~Controllers() { Stop(); }

    // Opens SDL's joystick and game controller support; false with the
    // reason when there is none (the program then simply has no controller).
    bool Start(std::string *why);
    void Stop();

    // Takes a controller's event (true), or notes that the mouse was used
    // (false: the event is still the host's).
    bool Handle(const SDL_Event &event, const PointerWindow &window);
    // After a turn of the pump: moves the shown pointer to the controller's.
    void ShowPointer(const PointerWindow &window);
    // The pointer in picture pixels while a controller holds it.
    bool Pointer(POINT *at) const;

private:
    struct Device {
        SDL_GameController *pad = nullptr;
        SDL_Joystick *joystick = nullptr; // when not a pad
        bool horizontalOnly = false;
        int x = 0; // the stick's axes, -32768 to 32767
        int y = 0;
        bool deflected = false; // out of the dead zone, with its hysteresis
        bool button = false;
        bool trigger = false;
        bool Holding() const { return button || trigger; }
    };

    static int SDLCALL Watch(void *self, SDL_Event *event);
    void Added(int index);
    void Removed(SDL_JoystickID id, const PointerWindow &window);
    bool Axis(SDL_JoystickID id, int axis, int value, bool pad, const PointerWindow &window);
    bool Button(SDL_JoystickID id, int button, bool down, bool pad, const PointerWindow &window);
    // Moves the pointer after a device that took it and posts the button
    // message when the band becomes held or let go.
    void MovePointerAndButton(SDL_JoystickID id, bool pressed, const PointerWindow &window);
    void MouseMovedTo(int x, int y);

    bool started_ = false;
    std::map<SDL_JoystickID, Device> devices_;
    SDL_JoystickID active_ = -1; // the device that last took the pointer
    SDL_JoystickID holder_ = -1; // the device whose press holds the band
    bool owned_ = false;         // the pointer is the controller's
    bool held_ = false;          // the left button as the program was told
    bool mouseHolds_ = false;    // the mouse's left button is down in the window
    POINT pointer_{0, 0};
    // Where the mouse was moved to and has not yet been seen arriving, in
    // window pixels: motion to anywhere else is the user's.
    std::vector<POINT> warps_;
};

} // namespace zorbel::standin
