#include "platform/standin/sdl_controller.h"

#include "platform/standin/platform_state.h"
#include "platform/standin/sdl_coordinates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zorbel::standin {

namespace {

// Dead zones, as a share of full deflection: a pad's thumbstick rests
// loosely and wears; a joystick or wheel is centred by a spring or a motor.
constexpr double kPadDeadZone = 0.24;
constexpr double kJoystickDeadZone = 0.08;
// A stick counts as back at rest only well inside its dead zone, so that one
// trembling at the edge does not leave and take the pointer again and again.
constexpr double kBackAtRest = 0.75;
// An axis that rests further than this from its middle (a pedal, a throttle,
// a trigger SDL does not know as one) is no stick: it never pulls.
constexpr int kRestsAwayFromMiddle = 16384;
// The right trigger holds the band past half its travel, and lets go below a
// quarter, so that a finger resting near one point does not chatter.
constexpr int kTriggerPress = 16384;
constexpr int kTriggerLetGo = 8192;
// Moves of the mouse not yet seen arriving; more are never outstanding
// unless the server dropped some, and old ones then no longer matter.
constexpr std::size_t kMaxWarps = 8;

bool Same(const POINT &a, const POINT &b) { return a.x == b.x && a.y == b.y; }

// The stick's deflection outside the dead zone, growing from 0 at its edge
// to 1 at full deflection. Whether it is deflected: past the dead zone's
// edge when it was at rest (WAS false), or not yet back well inside it.
bool Deflection(int rawX, int rawY, double deadZone, bool was, double *x, double *y)
{
    const double fx = std::clamp(rawX / 32767.0, -1.0, 1.0);
    const double fy = std::clamp(rawY / 32767.0, -1.0, 1.0);
    const double length = std::hypot(fx, fy);
    *x = 0.0;
    *y = 0.0;
    if (length > deadZone) {
        const double scale = (length - deadZone) / (1.0 - deadZone) / length;
        *x = fx * scale;
        *y = fy * scale;
    }
    return length > (was ? deadZone * kBackAtRest : deadZone);
}

// Whether a joystick's axis rests near its middle, as a stick or a wheel
// does, by the first value SDL had of it.
bool RestsInMiddle(SDL_Joystick *joystick, int axis)
{
    Sint16 rest = 0;
    if (SDL_JoystickGetAxisInitialState(joystick, axis, &rest) != SDL_TRUE)
        return true;
    return std::abs(static_cast<int>(rest)) <= kRestsAwayFromMiddle;
}

// Only the window in front takes a controller's input: joystick events also
// arrive while another program has the focus.
bool InFront(const PointerWindow &window)
{
    return window.native != nullptr && SDL_GetKeyboardFocus() == window.native;
}

} // namespace

bool Controllers::Start(std::string *why)
{
    if (started_)
        return true;
    // The pull button is the south one on every pad, whatever its label.
    (void)SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        *why = SDL_GetError();
        return false;
    }
    SDL_AddEventWatch(Watch, this);
    started_ = true;
    return true;
}

void Controllers::Stop()
{
    if (!started_)
        return;
    for (auto &entry : devices_) {
        if (entry.second.pad != nullptr)
            SDL_GameControllerClose(entry.second.pad);
        else
            SDL_JoystickClose(entry.second.joystick);
    }
    devices_.clear();
    SDL_DelEventWatch(Watch, this);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    started_ = false;
    owned_ = false;
    held_ = false;
    holder_ = -1;
    mouseHolds_ = false;
    warps_.clear();
}

// Sees every motion of the mouse as SDL takes it in (on the thread that
// pumps), with SDL's position already updated, in window pixels: the host's
// own events arrive later and in picture pixels, too late and too coarse to
// tell the mouse's moves from the ones made here.
int SDLCALL Controllers::Watch(void *self, SDL_Event *event)
{
    if (event->type == SDL_MOUSEMOTION) {
        int x = 0;
        int y = 0;
        (void)SDL_GetMouseState(&x, &y);
        static_cast<Controllers *>(self)->MouseMovedTo(x, y);
    }
    return 1;
}

void Controllers::MouseMovedTo(int x, int y)
{
    const auto arrived = std::find_if(warps_.begin(), warps_.end(), [&](const POINT &at) {
        return Same(at, POINT{x, y});
    });
    if (arrived != warps_.end()) {
        warps_.erase(warps_.begin(), arrived + 1);
        return;
    }
    owned_ = false; // the user moved the mouse
    warps_.clear();
}

bool Controllers::Handle(const SDL_Event &event, const PointerWindow &window)
{
    if (!started_)
        return false;
    switch (event.type) {
    case SDL_JOYDEVICEADDED:
        Added(event.jdevice.which);
        return true;
    case SDL_JOYDEVICEREMOVED:
        Removed(event.jdevice.which, window);
        return true;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMAPPED:
        return true; // followed as joysticks
    case SDL_CONTROLLERAXISMOTION:
        return Axis(event.caxis.which, event.caxis.axis, event.caxis.value, true, window);
    case SDL_JOYAXISMOTION:
        return Axis(event.jaxis.which, event.jaxis.axis, event.jaxis.value, false, window);
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        return Button(event.cbutton.which, event.cbutton.button,
                      event.type == SDL_CONTROLLERBUTTONDOWN, true, window);
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        return Button(event.jbutton.which, event.jbutton.button, event.type == SDL_JOYBUTTONDOWN,
                      false, window);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        owned_ = false;
        if (event.button.button == SDL_BUTTON_LEFT)
            mouseHolds_ = event.type == SDL_MOUSEBUTTONDOWN;
        return false;
    default:
        return false;
    }
}

void Controllers::Added(int index)
{
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    if (id < 0 || devices_.count(id) != 0)
        return;
    Device device;
    if (SDL_IsGameController(index) == SDL_TRUE) {
        device.pad = SDL_GameControllerOpen(index);
    } else if ((device.joystick = SDL_JoystickOpen(index)) != nullptr) {
        device.horizontalOnly = SDL_JoystickGetType(device.joystick) == SDL_JOYSTICK_TYPE_WHEEL ||
                                SDL_JoystickNumAxes(device.joystick) < 2;
    }
    if (device.pad != nullptr || device.joystick != nullptr)
        devices_[id] = device;
}

void Controllers::Removed(SDL_JoystickID id, const PointerWindow &window)
{
    const auto found = devices_.find(id);
    if (found == devices_.end())
        return;
    if (found->second.pad != nullptr)
        SDL_GameControllerClose(found->second.pad);
    else
        SDL_JoystickClose(found->second.joystick);
    devices_.erase(found);
    if (id == active_) {
        active_ = -1;
        owned_ = false; // the mouse, already where the controller left it
    }
    MovePointerAndButton(id, false, window); // a device gone holds nothing
}

bool Controllers::Axis(SDL_JoystickID id, int axis, int value, bool pad,
                       const PointerWindow &window)
{
    const auto found = devices_.find(id);
    // A pad's axes come twice, as a pad's and as its joystick's.
    if (found == devices_.end() || (found->second.pad != nullptr) != pad)
        return true;
    Device &device = found->second;
    // A pedal, or any other axis resting away from its middle, would drag
    // the pointer to an edge and keep it there.
    if (!pad && !RestsInMiddle(device.joystick, axis))
        return true;
    bool pressed = false;
    if (pad && axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        const bool holding =
            device.trigger ? value >= kTriggerLetGo : value > kTriggerPress && InFront(window);
        pressed = holding && !device.trigger;
        device.trigger = holding;
    } else if (axis == (pad ? SDL_CONTROLLER_AXIS_LEFTX : 0)) {
        device.x = value;
    } else if (axis == (pad ? SDL_CONTROLLER_AXIS_LEFTY : 1) && !device.horizontalOnly) {
        device.y = value;
    } else {
        return true;
    }
    MovePointerAndButton(id, pressed, window);
    return true;
}

bool Controllers::Button(SDL_JoystickID id, int button, bool down, bool pad,
                         const PointerWindow &window)
{
    const auto found = devices_.find(id);
    if (found == devices_.end() || (found->second.pad != nullptr) != pad)
        return true;
    if (pad && button == SDL_CONTROLLER_BUTTON_BACK) {
        // Escape, as the keyboard gives it: repeat count 1, and on release
        // the previous state and transition bits.
        if (InFront(window))
            PostInput(window.handle, down ? WM_KEYDOWN : WM_KEYUP, VK_ESCAPE,
                      static_cast<LPARAM>(down ? 1u : 1u | (1u << 30) | (1u << 31)));
        return true;
    }
    if (button != (pad ? SDL_CONTROLLER_BUTTON_A : 0))
        return true;
    if (down && !InFront(window))
        return true;
    const bool pressed = down && !found->second.button;
    found->second.button = down;
    MovePointerAndButton(id, pressed, window);
    return true;
}

// A stick leaving its rest or a press takes the pointer, unless the mouse or
// another controller holds the band; the pointer follows the device that
// took it. The first device to press holds the left button until its own
// release.
void Controllers::MovePointerAndButton(SDL_JoystickID id, bool pressed, const PointerWindow &window)
{
    const auto holder = devices_.find(holder_);
    if (holder == devices_.end() || !holder->second.Holding())
        holder_ = -1;
    const auto found = devices_.find(id);
    if (found != devices_.end()) {
        Device &device = found->second;
        double x = 0.0;
        double y = 0.0;
        const double deadZone = device.pad != nullptr ? kPadDeadZone : kJoystickDeadZone;
        const bool left = !device.deflected;
        device.deflected = Deflection(device.x, device.y, deadZone, device.deflected, &x, &y);
        const bool free = !mouseHolds_ && (holder_ < 0 || holder_ == id);
        if (free && ((device.deflected && left) || pressed) && InFront(window)) {
            active_ = id;
            owned_ = true;
            if (pressed)
                holder_ = id;
        }
        if (id == active_ && owned_ && window.width > 0 && window.height > 0) {
            // The band rests in the middle; half the diagonal reaches every
            // corner of the client area.
            const double reach = std::hypot(window.width / 2.0, window.height / 2.0);
            pointer_.x =
                std::clamp<LONG>(window.width / 2 + std::lround(reach * x), 0, window.width - 1);
            pointer_.y =
                std::clamp<LONG>(window.height / 2 + std::lround(reach * y), 0, window.height - 1);
        }
    }
    const bool holding = holder_ >= 0;
    if (holding == held_ || window.handle == nullptr)
        return;
    held_ = holding;
    POINT at = pointer_;
    if (!owned_) {
        // The mouse's position, as the host reads it, for the message.
        const POINT cursor = CurrentHost().Cursor();
        const Window *slot = FindWindowSlot(window.handle);
        at = slot != nullptr ? ScreenToClientOf(*slot, cursor) : cursor;
    }
    PostInput(window.handle, holding ? WM_LBUTTONDOWN : WM_LBUTTONUP, holding ? MK_LBUTTON : 0,
              MAKELPARAM(at.x, at.y));
}

void Controllers::ShowPointer(const PointerWindow &window)
{
    if (!InFront(window)) {
        owned_ = false;      // the mouse's again, wherever another program has it
        mouseHolds_ = false; // its release may go to the other program
    }
    if (!owned_)
        return;
    const POINT at = PictureToWindow(window.renderer, pointer_);
    POINT expected{0, 0};
    if (!warps_.empty()) {
        expected = warps_.back();
    } else {
        int x = 0;
        int y = 0;
        (void)SDL_GetMouseState(&x, &y);
        expected = SDL_GetMouseFocus() == window.native ? POINT{x, y} : POINT{-1, -1};
    }
    if (Same(at, expected))
        return;
    if (warps_.size() == kMaxWarps)
        warps_.erase(warps_.begin());
    warps_.push_back(at);
    SDL_WarpMouseInWindow(window.native, at.x, at.y);
}

bool Controllers::Pointer(POINT *at) const
{
    if (!owned_)
        return false;
    *at = pointer_;
    return true;
}

} // namespace zorbel::standin
