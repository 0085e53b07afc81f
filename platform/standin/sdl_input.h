// The SDL host's mouse and keys: SDL's events as the program's input
// messages, and the cursor in the program's coordinates, in mode pixels
// while a display mode is shown.
#pragma once

#include "platform/standin/windef.h"

#include <SDL.h>

namespace zorbel::standin {

class Controllers;
struct NativeWindow;
struct PointerWindow;

// A point in picture pixels to the window's client coordinates. In a display
// mode the cursor cannot leave the mode's screen, as on Win32.
POINT PictureToClient(const NativeWindow &native, LONG x, LONG y);
// Where a controller moves the pointer: the window the cursor is reported in.
PointerWindow PointerTarget();

struct Window;

class SdlInput {
public:
    // A held controller's pointer (sdl_controller.h) is the cursor.
    explicit SdlInput(const Controllers &controllers) : controllers_(controllers) {}

    // Takes SDL's mouse, key and window events; false for any other.
    bool Take(const SDL_Event &event);
    // After the events of a pump: a press SDL did not report (see
    // MakeUpMissedRelease) is made up.
    void AfterEvents();
    // The cursor in screen coordinates; a held controller's pointer first.
    POINT Cursor();
    // Whether a mouse button is held, as SDL or the program takes it, or a
    // release made up is still to be settled with SDL.
    bool Holding() const
    {
        return leftHeld_ || releaseMadeUpIn_ != 0 || SDL_GetMouseState(nullptr, nullptr) != 0;
    }

private:
    void NoteAway();
    void MakeUpMissedRelease();
    void MakeUpUnseenPress();
    void PostLeftAtCursor(Window &window, bool down);
    // Whether the left button is down now: the X server asked where it can be.
    bool LeftButtonDown(Window &window);

    // Whether SDL has seen the pointer move in a window since it entered one.
    bool pointerMoved_ = false;
    bool leftHeld_ = false; // as the last left-button event said
    Uint32 heldIn_ = 0;     // the window of that event
    // The window went away or came back (the focus, hidden or shown,
    // minimised or restored) while the button was held: its release may
    // never have come to the window.
    bool releaseMayBeMissed_ = false;
    // The window's frames shown when it was last seen away, and when it was
    // first seen back since (0: not yet).
    unsigned long long framesWhenAway_ = 0;
    unsigned long long backSinceMs_ = 0;
    static constexpr unsigned long long kBackSettleMs = 250;
    // The window a release was made up for while SDL still takes the button
    // for held; 0 for none.
    Uint32 releaseMadeUpIn_ = 0;
    const Controllers &controllers_;
};

} // namespace zorbel::standin
