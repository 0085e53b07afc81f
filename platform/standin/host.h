// What differs between running on a screen (SDL) and headless: the clock,
// the cursor, input events, native windows, presentation and message boxes.
// Everything else of the stand-in layer is shared.
#pragma once

#include "platform/standin/ddraw.h"
#include "platform/standin/winuser.h"

#include <memory>

namespace zorbel::standin {

struct Window;
class PixelBuffer;

struct IconImage; // decoded icon, see resources.h

class Host {
public:
    virtual ~Host() = default;

    virtual bool Headless() const = 0;
    virtual DWORD Ticks() = 0;
    // Cursor in screen coordinates (the display mode's pixels).
    virtual POINT Cursor() = 0;
    // FSHIFT | FCONTROL | FALT of the modifier keys held now.
    virtual BYTE Modifiers() = 0;
    // Turns pending native events into messages; waits up to `waitMs` for one.
    virtual void Pump(DWORD waitMs) = 0;

    virtual bool CreateNativeWindow(Window &window) = 0;
    virtual void DestroyNativeWindow(Window &window) = 0;
    virtual void ShowNativeWindow(Window &window) = 0; // after visible/iconic changed
    virtual void RaiseNativeWindow(Window &window) = 0;
    virtual void SetNativeIcon(Window &window, const IconImage &icon) = 0;

    // DD_OK when the screen can show a mode of this size and depth.
    virtual HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
    virtual void EnterFullScreen(Window &window, DWORD width, DWORD height) = 0;
    virtual void LeaveFullScreen(Window &window) = 0;
    // Shows the buffer on the window; false when the device was lost meanwhile.
    virtual bool Present(Window &window, const PixelBuffer &buffer) = 0;
    // Whether lost surfaces can be restored now (not while minimised ...).
    virtual bool CanRestore() = 0;

    virtual int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) = 0;
};

std::unique_ptr<Host> CreateHeadlessHost();
// The SDL window id of a window shown by the SDL host (0 for none).
unsigned NativeWindowId(const Window &window);
std::unique_ptr<Host> CreateSdlHost();

} // namespace zorbel::standin
