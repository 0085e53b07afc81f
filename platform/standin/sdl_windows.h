// The SDL host's windows: one SDL window per top-level window of the
// program, shown full screen in a display mode, and what its presenter keeps
// with it (sdl_presenter.h).
#pragma once

#include "platform/standin/sdl_presenter.h"

#include <SDL.h>

namespace zorbel::standin {

struct Window;

struct NativeWindow {
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    Presenter presenter;
    // The display mode shown full screen; 0 x 0 while in none.
    int modeWidth = 0;
    int modeHeight = 0;
    // The screen's size when last looked at, while in a display mode.
    int screenWidth = 0;
    int screenHeight = 0;
    // The monitor the window covers in a display mode, as the X server
    // counts monitors (index -1: not known, SDL's display instead), and how
    // many looks in a row found the window elsewhere.
    SDL_Rect monitor{0, 0, 0, 0};
    int monitorIndex = -1;
    int misplaced = 0;
    // Whether the program takes itself for in front (told so by
    // WM_ACTIVATEAPP, or pressed on; it starts in front), whether the window
    // has ever been in front (had the keyboard focus, or a press), and how
    // many looks in a row found the server's focus otherwise.
    bool inFront = true;
    bool hadFocus = false;
    int focusElsewhere = 0;
    // Frames the program presented on the window while it was not
    // minimised (shown or left out as unchanged alike).
    unsigned long long framesShown = 0;
};

NativeWindow *NativeOf(Window &window);
// The program's window SDL knows by this id; null for none.
Window *WindowOfId(Uint32 id);
// The window whose coordinates the cursor is reported in.
Window *CursorWindow();

// Whether SDL still has a display for the window. When the screen's last
// output goes (unplugged, or the screen made smaller than it), SDL 2 drops
// its display and then crashes on anything that leaves full screen: hiding,
// leaving the mode, destroying the window.
bool HasDisplay(SDL_Window *window);

// What the window's pictures are presented on.
inline Canvas CanvasOf(const NativeWindow &native)
{
    return Canvas{native.window, native.renderer, native.modeWidth, native.modeHeight};
}

// A new SDL window for `window`, hidden; null when SDL refuses. `presentable`
// turns false when it could get no renderer.
NativeWindow *CreateSdlWindow(const Window &window, bool *presentable);
// Takes the window down; false when it was left for the X server to remove
// (see HasDisplay). Only the memory is freed on a lost display.
bool DestroySdlWindow(NativeWindow *native, bool live);
void ShowSdlWindow(NativeWindow &native, const Window &window);
void EnterSdlFullScreen(NativeWindow &native, int width, int height);
void LeaveSdlFullScreen(NativeWindow &native, const Window &window);
// A window in a display mode that lost the focus to another program gets
// out of its way: it is minimised (see sdl_windows.cpp).
void StepAside(NativeWindow &native);
// While the band may be held (the left button down on a window in a display
// mode) the pointer stays inside the picture, as a display mode keeps it on
// its screen; let go with `confine` false.
void ConfinePointer(NativeWindow &native, bool confine);
// The pointer, moved to (x, y) in picture pixels while confined, back inside
// the picture where it got out.
void KeepPointerInPicture(NativeWindow &native, int x, int y);

// Refits windows in a display mode to a screen that changed size, has one
// the window manager moved off its monitor (or out of full screen) cover it
// again, and tells the program a change of the keyboard focus that SDL did
// not tell; asking the server no sooner than `nextCheck` (milliseconds),
// which it moves on.
void FollowScreenSize(unsigned long long *nextCheck);
// What SDL says happened to a window, as the program's messages.
void TakeWindowEvent(const SDL_WindowEvent &event);

} // namespace zorbel::standin
