// The host: what differs between running on a screen (SDL) and headless.
// Everything else of the stand-in layer is shared and never asks which host
// runs. This header is the whole contract: each method says what every host
// must do. A new host is a copy of one of the two hosts with the bodies
// filled in: a class deriving from Host, installed with ResetPlatform
// (platform_state.h), and a header saying what it serves, its limitations
// and its dependencies, as host_sdl.cpp and host_headless.cpp have. A host
// that changes a few calls of another derives from ForwardingHost
// (forwarding_host.h): a method added here is forwarded there too.
//
// Every method is called on the program's one thread; none may block
// longer than it says.
#pragma once

#include "platform/standin/ddraw.h"
#include "platform/standin/winuser.h"

#include <memory>
#include <string>

namespace zorbel::standin {

struct Window;
class PixelBuffer;

struct IconImage; // decoded icon, see resources.h

class Host {
public:
    virtual ~Host() = default;

    // Opens the host's screen for a program's process entry; false with a
    // one-line reason when there is none to open.
    virtual bool Open(std::string *why) = 0;

    // GetTickCount: milliseconds since some start, wrapping at 2^32.
    virtual DWORD Ticks() = 0;
    // GetCursorPos: the cursor in screen coordinates, which are the display
    // mode's pixels while one is set.
    virtual POINT Cursor() = 0;
    // The screen's size in pixels while no display mode is set.
    virtual SIZE ScreenSize() = 0;
    // FSHIFT | FCONTROL | FALT of the modifier keys held now.
    virtual BYTE Modifiers() = 0;
    // One turn of the message pump (PeekMessageA, GetMessageA): turns
    // pending native events into messages without waiting for any. A host
    // that paces frames to the display first waits there for the next
    // frame's turn, at most one refresh after the last present.
    virtual void Pump() = 0;
    // Waits up to `waitMs` for a native event and turns it into messages;
    // false when no event can ever arrive, so that GetMessageA must not wait.
    virtual bool Wait(DWORD waitMs) = 0;

    // CreateWindowExA of a top-level window: whatever the host shows it
    // with, hidden until shown; false when it cannot be made (the call then
    // answers null). DestroyNativeWindow undoes it, also for a window that
    // is full screen.
    virtual bool CreateNativeWindow(Window &window) = 0;
    virtual void DestroyNativeWindow(Window &window) = 0;
    // Follows window.visible and window.iconic after ShowWindow changed them.
    virtual void ShowNativeWindow(Window &window) = 0;
    // Brings the window to the front (SetForegroundWindow, another copy asking).
    virtual void RaiseWindow(Window &window) = 0;
    // Another start of the program asked this one to come forward, with the
    // desktop's activation token of that start (empty for none).
    virtual void ComeForward(Window &window, const std::string &) { RaiseWindow(window); }
    // Whether the window has the keyboard focus, as far as the host can tell.
    virtual bool HasFocus(Window &) { return true; }
    // The desktop would not give the window the focus: it asks the user to
    // look at it instead, where it can.
    virtual void AskForAttention(Window &) {}
    // The class's icon, where the host shows one.
    virtual void SetNativeIcon(Window &window, const IconImage &icon) = 0;

    // SetDisplayMode: DD_OK when the screen can show a mode of this size and
    // depth, else the DirectDraw error Windows gives for such a screen.
    virtual HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
    // The window covers the screen and shows a width x height picture, with
    // the cursor in that picture's pixels; LeaveFullScreen gives the
    // screen back (the display object's release).
    virtual void EnterFullScreen(Window &window, DWORD width, DWORD height) = 0;
    virtual void LeaveFullScreen(Window &window) = 0;
    // Called by Flip before it does anything.
    virtual void Flipping() {}
    // Flip: shows the buffer on the window, without allocating; false when
    // what shows it was lost meanwhile (the surfaces are then lost).
    virtual bool Present(Window &window, const PixelBuffer &buffer) = 0;

    // MessageBoxA with one OK button: holds the thread until it is answered
    // and returns IDOK, or 0 when no box can be shown.
    virtual int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) = 0;
    // Why the screen went away while the program ran (the program is then
    // asked to close and ends with status 1); null while it is there.
    virtual const char *ScreenLoss() { return nullptr; }

    // A call's result chosen in advance instead of its work (a failure the
    // screen cannot be made to give on demand); false for a normal call.
    virtual bool ScriptedFailure(const char *, HRESULT *) { return false; }

    // Another running copy of a window class (see other_instance.cpp): the
    // per-user folder for the single-instance sockets, empty for none.
    virtual std::string InstanceDirectory();
    // Whether another process runs a top-level window of the class; the
    // look-up also claims the class for this process when none does.
    virtual bool OtherCopyRunning(const std::string &className);
    // Whether that copy's window is minimised, as far as this host can tell.
    virtual bool OtherCopyIconic(const std::string &) { return false; }
    // Asks that copy to restore its window if minimised and bring it forward.
    virtual bool BringOtherCopyForward(const std::string &className, bool restore);
};

std::unique_ptr<Host> CreateSdlHost();
// The SDL window id of a window shown by the SDL host (0 for none).
unsigned NativeWindowId(const Window &window);

} // namespace zorbel::standin
