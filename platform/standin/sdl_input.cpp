#include "platform/standin/sdl_input.h"

#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/sdl_controller.h"
#include "platform/standin/sdl_coordinates.h"
#include "platform/standin/sdl_screen.h"
#include "platform/standin/sdl_windows.h"

#include <algorithm>

namespace zorbel::standin {

namespace {

// The keys a program's accelerators can name (Escape, Return, Space); other
// keys give no messages.
WORD VirtualKeyOf(SDL_Keycode key)
{
    switch (key) {
    case SDLK_ESCAPE:
        return 0x1B;
    case SDLK_RETURN:
        return 0x0D;
    case SDLK_SPACE:
        return 0x20;
    default:
        return 0;
    }
}

void HandleButton(const SDL_MouseButtonEvent &event, bool down)
{
    if (event.button != SDL_BUTTON_LEFT)
        return;
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        return;
    // SDL has already turned the event's position into picture pixels.
    const POINT client = PictureToClient(*NativeOf(*window), event.x, event.y);
    // Every press is a plain press: the class has no double-click style.
    PostInput(window->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
              MAKELPARAM(client.x, client.y));
}

void HandleKey(const SDL_KeyboardEvent &event, bool down)
{
    const WORD key = VirtualKeyOf(event.keysym.sym);
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        window = CursorWindow();
    if (key == 0 || window == nullptr)
        return;
    // Repeat count 1, bit 30 the previous state, bit 31 the transition (no
    // scan code: nothing reads it).
    DWORD lParam = 1;
    if (!down)
        lParam |= (1u << 30) | (1u << 31);
    else if (event.repeat != 0)
        lParam |= 1u << 30;
    PostInput(window->Handle(), down ? WM_KEYDOWN : WM_KEYUP, key, static_cast<LPARAM>(lParam));
}

} // namespace

POINT PictureToClient(const NativeWindow &native, LONG x, LONG y)
{
    if (native.modeWidth == 0)
        return POINT{x, y};
    return POINT{std::clamp<LONG>(x, 0, native.modeWidth - 1),
                 std::clamp<LONG>(y, 0, native.modeHeight - 1)};
}

PointerWindow PointerTarget()
{
    PointerWindow target;
    Window *window = CursorWindow();
    if (window == nullptr || window->iconic)
        return target;
    target.handle = window->Handle();
    target.native = NativeOf(*window)->window;
    target.renderer = NativeOf(*window)->renderer;
    target.width = window->rect.right - window->rect.left;
    target.height = window->rect.bottom - window->rect.top;
    return target;
}

bool SdlInput::Take(const SDL_Event &event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_LEAVE)
            pointerMoved_ = false;
        TakeWindowEvent(event.window);
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            if (leftHeld_ && !releaseMayBeMissed_) {
                releaseMayBeMissed_ = true;
                NoteAway();
            }
            break;
        default:
            break;
        }
        return true;
    case SDL_MOUSEMOTION:
        pointerMoved_ = true;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            leftHeld_ = event.type == SDL_MOUSEBUTTONDOWN;
            heldIn_ = event.button.windowID;
            releaseMayBeMissed_ = false;
        }
        HandleButton(event.button, event.type == SDL_MOUSEBUTTONDOWN);
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HandleKey(event.key, event.type == SDL_KEYDOWN);
        return true;
    default:
        return false;
    }
}

void SdlInput::AfterEvents()
{
    if (releaseMayBeMissed_ && leftHeld_)
        MakeUpMissedRelease();
    if (releaseMadeUpIn_ != 0)
        MakeUpUnseenPress();
}

POINT SdlInput::Cursor()
{
    int x = 0;
    int y = 0;
    Window *window = CursorWindow();
    if (window == nullptr) {
        (void)SDL_GetGlobalMouseState(&x, &y);
        return POINT{x, y};
    }
    POINT held{0, 0};
    if (controllers_.Pointer(&held)) {
        return ClientToScreenOf(*window, PictureToClient(*NativeOf(*window), held.x, held.y));
    }
    SDL_Window *native = NativeOf(*window)->window;
    if (SDL_GetMouseFocus() == native && pointerMoved_) {
        // Kept up to date by the motion events the pump reads, also while a
        // button is held; SDL's global position may lag during such a grab.
        // Until the first motion (a window shown under a still pointer) it
        // holds no position at all.
        (void)SDL_GetMouseState(&x, &y);
    } else {
        int windowX = 0;
        int windowY = 0;
        (void)SDL_GetGlobalMouseState(&x, &y);
        SDL_GetWindowPosition(native, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
    }
    const POINT picture = WindowToPicture(NativeOf(*window)->renderer, x, y);
    return ClientToScreenOf(*window, PictureToClient(*NativeOf(*window), picture.x, picture.y));
}

// A window that was unmapped, hidden or left for another gets no button
// events: a release made meanwhile is lost, and the program would go on as
// if the button were held. Once the window is back the pointer is asked, and
// a release it missed is made up, where the cursor is. SDL still takes the
// button for held and drops the next press as no change: until its own
// release comes, the pointer is asked at each pump, and the press made up
// too.
//
// However the window came back (its own events, in whatever order, or the
// program restoring it), the release waits until the program has shown a
// frame of the window restored, or for a quarter of a second: a program
// that followed the held pointer while minimised placed it by a minimised
// window's far-off origin, and let go at once it would throw the ball from
// there.
void SdlInput::NoteAway()
{
    if (Window *window = WindowOfId(heldIn_))
        framesWhenAway_ = NativeOf(*window)->framesShown;
    backSinceMs_ = 0;
}

void SdlInput::MakeUpMissedRelease()
{
    Window *window = WindowOfId(heldIn_);
    if (window == nullptr)
        return;
    if (window->iconic) {
        NoteAway();
        return;
    }
    const unsigned long long now = MonotonicMilliseconds();
    if (backSinceMs_ == 0)
        backSinceMs_ = now;
    if ((NativeOf(*window)->framesShown == framesWhenAway_ && now - backSinceMs_ < kBackSettleMs) ||
        LeftButtonDown(*window))
        return;
    leftHeld_ = false;
    releaseMayBeMissed_ = false;
    releaseMadeUpIn_ = heldIn_;
    PostLeftAtCursor(*window, false);
}

void SdlInput::MakeUpUnseenPress()
{
    Window *window = WindowOfId(releaseMadeUpIn_);
    if (window == nullptr || (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) == 0) {
        releaseMadeUpIn_ = 0; // SDL sees the button as it is again
        return;
    }
    if (!leftHeld_ && LeftButtonDown(*window)) {
        leftHeld_ = true;
        PostLeftAtCursor(*window, true);
    }
}

bool SdlInput::LeftButtonDown(Window &window)
{
    bool down = false;
    if (LeftButtonNow(NativeOf(window)->window, &down))
        return down;
    return (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0;
}

void SdlInput::PostLeftAtCursor(Window &window, bool down)
{
    const POINT client = ScreenToClientOf(window, Cursor());
    PostInput(window.Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
              MAKELPARAM(client.x, client.y));
}

} // namespace zorbel::standin
