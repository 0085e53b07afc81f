#include "platform/standin/sdl_windows.h"

#include "platform/standin/sdl_coordinates.h"

#include "platform/standin/platform_state.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/sdl_ending.h"
#include "platform/standin/sdl_screen.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>

namespace zorbel::standin {

NativeWindow *NativeOf(Window &window) { return static_cast<NativeWindow *>(window.native); }

Window *WindowOfId(Uint32 id)
{
    for (Window &window : State().windows)
        if (window.used && window.native != nullptr &&
            SDL_GetWindowID(NativeOf(window)->window) == id)
            return &window;
    return nullptr;
}

Window *CursorWindow()
{
    Window *newest = NewestTopLevelWindow();
    return newest != nullptr && newest->native != nullptr ? newest : nullptr;
}

bool HasDisplay(SDL_Window *window)
{
    return SDL_GetNumVideoDisplays() > 0 && SDL_GetWindowDisplayIndex(window) >= 0;
}

NativeWindow *CreateSdlWindow(const Window &window, bool *presentable)
{
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    if ((window.exStyle & WS_EX_TOPMOST) != 0)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    int width = std::max<int>(window.rect.right - window.rect.left, 1);
    int height = std::max<int>(window.rect.bottom - window.rect.top, 1);
    // On Wayland the window's first picture is drawn in a buffer of the size
    // it was made with, even once the compositor has made it full screen;
    // KWin then takes that size for the window's own and shrinks it to the
    // display mode's size in a corner. A top-most window, which is shown in
    // a display mode, is made the size of the screen it will cover.
    SDL_Rect screen{};
    const char *driver = SDL_GetCurrentVideoDriver();
    if ((window.exStyle & WS_EX_TOPMOST) != 0 && driver != nullptr &&
        std::strcmp(driver, "wayland") == 0 && SDL_GetDisplayBounds(0, &screen) == 0 &&
        screen.w > 0 && screen.h > 0) {
        width = screen.w;
        height = screen.h;
    }
    auto native = std::make_unique<NativeWindow>();
    native->window = SDL_CreateWindow(window.title.c_str(), window.rect.left, window.rect.top,
                                      width, height, flags);
    if (native->window == nullptr) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return nullptr;
    }
    native->renderer = SDL_CreateRenderer(native->window, -1,
                                          SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (native->renderer == nullptr)
        native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
    *presentable = *presentable && native->renderer != nullptr;
    PreparePresenter(native->presenter, CanvasOf(*native));
    SurviveDisplayLoss(native->window);
    return native.release();
}

bool DestroySdlWindow(NativeWindow *native, bool live)
{
    FreePresenter(native->presenter, live);
    bool gone = true;
    if (live) {
        if (native->renderer != nullptr)
            SDL_DestroyRenderer(native->renderer);
        if (HasDisplay(native->window) ||
            (SDL_GetWindowFlags(native->window) & SDL_WINDOW_FULLSCREEN) == 0)
            SDL_DestroyWindow(native->window);
        else
            gone = false;
    }
    delete native;
    return gone;
}

void ShowSdlWindow(NativeWindow &native, const Window &window)
{
    const Uint32 flags = SDL_GetWindowFlags(native.window);
    if (!window.visible) {
        SDL_HideWindow(native.window);
        return;
    }
    if ((flags & SDL_WINDOW_SHOWN) == 0)
        SDL_ShowWindow(native.window);
    if (window.iconic && (flags & SDL_WINDOW_MINIMIZED) == 0)
        SDL_MinimizeWindow(native.window);
    else if (!window.iconic && (flags & SDL_WINDOW_MINIMIZED) != 0)
        SDL_RestoreWindow(native.window);
}

namespace {

// The monitor the pointer is on: the X server's own count of monitors
// where it has one, which knows monitors that split one output; else SDL's
// displays (one an output).
bool ChooseMonitor(NativeWindow &native, SDL_Rect *bounds)
{
    native.monitorIndex = -1;
    native.misplaced = 0;
    int x = 0;
    int y = 0;
    if (PointerOnScreen(native.window, &x, &y) &&
        MonitorAt(native.window, x, y, &native.monitor, &native.monitorIndex)) {
        *bounds = native.monitor;
        return true;
    }
    (void)SDL_GetGlobalMouseState(&x, &y);
    const SDL_Point pointer{x, y};
    for (int display = 0; display < SDL_GetNumVideoDisplays(); ++display)
        if (SDL_GetDisplayBounds(display, bounds) == 0 && SDL_PointInRect(&pointer, bounds)) {
            native.monitor = *bounds;
            return true;
        }
    const bool found = SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(native.window), bounds) == 0;
    native.monitor = found ? *bounds : SDL_Rect{0, 0, 0, 0};
    return found;
}

// A window in a display mode, shown, that was found off its monitor or out
// of full screen twice in a row (once may be a window manager's change
// under way) asks for full screen on it again: a window manager may drop
// the request, at the start or later.
void KeepCovering(NativeWindow &native)
{
    SDL_Rect place{};
    const Uint32 flags = SDL_GetWindowFlags(native.window);
    if (native.monitorIndex < 0 || (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0 ||
        !WindowPlace(native.window, &place) ||
        (SDL_RectEquals(&place, &native.monitor) && MarkedFullScreen(native.window))) {
        native.misplaced = 0;
        return;
    }
    if (++native.misplaced >= 2) {
        native.misplaced = 0;
        (void)AskFullScreenOn(native.window, native.monitor, native.monitorIndex);
    }
}

} // namespace

void EnterSdlFullScreen(NativeWindow &native, int width, int height)
{
    native.modeWidth = width;
    native.modeHeight = height;
    native.presenter.shown.Forget();
    ShowModeSize(CanvasOf(native));
    // Covering the monitor first makes the window full screen even where no
    // window manager acts on the full-screen request (a bare X server).
    SDL_Rect bounds{};
    const bool found = ChooseMonitor(native, &bounds);
    if (found) {
        SDL_SetWindowPosition(native.window, bounds.x, bounds.y);
        SDL_SetWindowSize(native.window, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(native.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        std::fprintf(stderr, "SDL full screen: %s\n", SDL_GetError());
    // SDL puts a full-screen window on its display, which is a whole output:
    // the monitor is asked for by its own number.
    if (native.monitorIndex >= 0)
        (void)AskFullScreenOn(native.window, native.monitor, native.monitorIndex);
    if (!ScreenSizeNow(native.window, &native.screenWidth, &native.screenHeight)) {
        native.screenWidth = bounds.w;
        native.screenHeight = bounds.h;
    }
}

void LeaveSdlFullScreen(NativeWindow &native, const Window &window)
{
    native.modeWidth = 0;
    native.modeHeight = 0;
    native.presenter.shown.Forget();
    // Without a display there is no full screen to leave (see HasDisplay).
    if (HasDisplay(native.window))
        (void)SDL_SetWindowFullscreen(native.window, 0);
    SDL_SetWindowPosition(native.window, window.rect.left, window.rect.top);
    SDL_SetWindowSize(native.window, std::max<int>(window.rect.right - window.rect.left, 1),
                      std::max<int>(window.rect.bottom - window.rect.top, 1));
    ShowModeSize(CanvasOf(native)); // none: the window's own pixels again
}

// A Windows program in a display mode is minimised when another program
// takes the foreground, and shown again, in its mode, when it comes back.
// Minimised, the window is out of the way under every window manager: it
// keeps "above" and full screen, which the window managers honour for an
// unfocused window too, and so lowering it alone would leave it over the
// window the user activated under some. SDL leaves full screen while the
// window is minimised and enters it again on the restore.
void StepAside(NativeWindow &native)
{
    // The focus may have come back since it went (SDL reads the display's
    // events ahead of the program): then nobody took it.
    // Where no window manager runs, nothing could restore the window: a
    // focus that follows the pointer goes with every move off the window.
    const Uint32 flags = SDL_GetWindowFlags(native.window);
    if (native.modeWidth != 0 && SDL_GetKeyboardFocus() != native.window &&
        (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0 &&
        WindowManagerRuns(native.window))
        SDL_MinimizeWindow(native.window);
}

// The window's grab keeps the pointer on the window's monitor, whatever
// moves it; inside the window, a pointer that got out of the picture (into
// the bars beside it) is put back at its edge. The X server's pointer
// barriers, which SDL's mouse rectangle sets, would hold a mouse there too,
// but not a device that moves the pointer to absolute places (a tablet, a
// remote desktop's pointer), and they turn the pointer put back away.
void ConfinePointer(NativeWindow &native, bool confine)
{
    const bool grabbed = SDL_GetWindowMouseGrab(native.window) == SDL_TRUE;
    if (confine && native.modeWidth > 0 && native.modeHeight > 0) {
        if (!grabbed)
            SDL_SetWindowMouseGrab(native.window, SDL_TRUE);
    } else if (grabbed) {
        SDL_SetWindowMouseGrab(native.window, SDL_FALSE);
    }
}

void KeepPointerInPicture(NativeWindow &native, int x, int y)
{
    if (SDL_GetWindowMouseGrab(native.window) == SDL_FALSE || native.renderer == nullptr ||
        native.modeWidth <= 0 || native.modeHeight <= 0 ||
        (x >= 0 && x < native.modeWidth && y >= 0 && y < native.modeHeight))
        return;
    // Put back on the picture's edge pixel itself, not beside it, so that
    // a pull past the edge reads as the edge, as a mouse held at the screen's
    // edge in a display mode does.
    const POINT at =
        PictureToWindow(native.renderer, POINT{std::clamp(x, 0, native.modeWidth - 1),
                                               std::clamp(y, 0, native.modeHeight - 1)});
    SDL_WarpMouseInWindow(native.window, at.x, at.y);
}

namespace {

// SDL tells a change of the keyboard focus a moment after the server makes
// it, and tells none at all when the focus comes and goes again within that
// moment (the window clicked into, then another activated at once): the
// program would go on taking itself for in front, the spring pulling the
// hand behind the other window's back. So the server's focus is compared
// with what the program takes itself for, and a difference still there at
// the next look is told. Only a window that has been in front (had the
// focus, or a press) is sent out of the way for its loss: not one a window
// manager never let in front.
void FollowFocus(Window &window, NativeWindow &native)
{
    bool ours = false;
    if (!KeyboardFocusNow(native.window, &ours)) {
        native.focusElsewhere = 0;
        return;
    }
    native.hadFocus = native.hadFocus || ours;
    if (ours == native.inFront) {
        native.focusElsewhere = 0;
        return;
    }
    if (++native.focusElsewhere < 2)
        return;
    native.focusElsewhere = 0;
    native.inFront = ours;
    SendAtNextPump(window.Handle(), WM_ACTIVATEAPP, ours ? TRUE : FALSE, 0);
    if (!ours) {
        ConfinePointer(native, false);
        if (native.hadFocus)
            StepAside(native);
    }
}

} // namespace

// A screen that changes size under a display mode (a resolution changed, a
// projector plugged in) gets the picture refitted, scaled and centred as at
// the start; the mode, and so the program's own coordinates, stay as they
// are. A window manager that keeps the window on one monitor of a larger
// screen refits it itself: only a window covering the whole screen is made
// to cover it again. The server is asked four times a second.
void FollowScreenSize(unsigned long long *nextCheck)
{
    constexpr unsigned long long kEveryMs = 250;
    const unsigned long long now = MonotonicMilliseconds();
    if (now < *nextCheck)
        return;
    *nextCheck = now + kEveryMs;
    for (Window &window : State().windows) {
        NativeWindow *native = window.used ? NativeOf(window) : nullptr;
        int width = 0;
        int height = 0;
        if (native == nullptr || native->modeWidth == 0)
            continue;
        FollowFocus(window, *native);
        if (!ScreenSizeNow(native->window, &width, &height))
            continue;
        if (width == native->screenWidth && height == native->screenHeight) {
            KeepCovering(*native);
            continue;
        }
        int shownWidth = 0;
        int shownHeight = 0;
        SDL_GetWindowSize(native->window, &shownWidth, &shownHeight);
        const bool covered =
            shownWidth == native->screenWidth && shownHeight == native->screenHeight;
        native->screenWidth = width;
        native->screenHeight = height;
        if (covered)
            (void)CoverScreen(native->window, width, height);
        // The monitors changed with the screen: the window keeps to the one
        // now under its middle.
        SDL_Rect place{};
        if (native->monitorIndex >= 0 && WindowPlace(native->window, &place) &&
            !MonitorAt(native->window, place.x + place.w / 2, place.y + place.h / 2,
                       &native->monitor, &native->monitorIndex))
            native->monitorIndex = -1;
    }
}

void TakeWindowEvent(const SDL_WindowEvent &event)
{
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        return;
    // Whatever happened to the window, its pixels are presented anew.
    NativeOf(*window)->presenter.shown.Forget();
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        SendAtNextPump(window->Handle(), WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST: {
        // Another program came to the front, or this one came back: no
        // thread id of the other program here (lParam 0).
        const bool gained = event.event == SDL_WINDOWEVENT_FOCUS_GAINED;
        NativeWindow &native = *NativeOf(*window);
        native.hadFocus = native.hadFocus || gained;
        native.inFront = gained;
        native.focusElsewhere = 0;
        SendAtNextPump(window->Handle(), WM_ACTIVATEAPP, gained ? TRUE : FALSE, 0);
        break;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
        NoteIconic(*window, true, false);
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        NoteIconic(*window, false, false);
        break;
    default:
        break;
    }
}

} // namespace zorbel::standin
