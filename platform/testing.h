// Control of the headless host, for tests, the tracer and benchmarks
// (library zorbel_platform_headless; never linked into a shipped program).
//
// The headless host runs a program without a screen: no SDL at all, a
// virtual tick count, a scripted cursor, injected input, scripted results,
// and a record of every platform call (its format: platform/README.md).
// Everything else (windows, message queue, accelerators, GDI drawing into
// RGB565 memory, DirectDraw objects and reference counts) is the same code
// as on screen.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorbel::testing {

// --- Host and reset ---------------------------------------------------------

// Switches to the headless host and resets everything: windows, classes,
// queue, GDI pool, DirectDraw objects, scripts, log, clock (0) and cursor (0, 0).
void UseHeadlessHost();
// Same as UseHeadlessHost; reads better between tests.
void Reset();
// The instance handle that the stand-in's main passes to WinMain.
HINSTANCE ProcessInstance();

// --- Time and cursor --------------------------------------------------------

// Sets the virtual tick count that GetTickCount answers.
void SetTickCount(DWORD milliseconds);
// Adds to the virtual tick count.
void AdvanceTickCount(DWORD milliseconds);
// Advances the tick count by the given amounts at every PeekMessageA or
// GetMessageA call, and at every Flip call (0 turns either off).
void SetAutoAdvance(DWORD perPump, DWORD perFlip);
// Sets the cursor position, in screen (display mode) pixels.
void SetCursorPos(POINT screen);

// --- Input and window events (to the newest top-level window, or `window`) ---

// Posts WM_LBUTTONDOWN / WM_LBUTTONUP at the scripted cursor, in client coordinates.
void InjectLeftButton(bool down, HWND window = nullptr);
// Posts WM_KEYDOWN for a virtual key; a repeat sets bit 30 of lParam.
void InjectKeyDown(WPARAM virtualKey, bool repeat = false, HWND window = nullptr);
// Queues a close request: WM_CLOSE is sent to the window procedure at the next pump.
void InjectClose(HWND window = nullptr);
// Sends WM_ACTIVATEAPP at the next pump: another program came to the front
// (false) or this one came back (true).
void InjectActivation(bool active, HWND window = nullptr);
// Moves/resizes the window to `screen`; WM_MOVE then WM_SIZE are sent at the next pump.
void InjectWindowRect(RECT screen, HWND window = nullptr);
// Loses every surface, as a display change would: Flip, Blt and GetDC answer
// DDERR_SURFACELOST until the primary is restored.
void LoseSurfaces();
// Called at the start of every PeekMessageA and GetMessageA with the pump's
// index (0, 1, ...), before the queue is looked at: drives a whole session.
void SetPumpHook(std::function<void(std::uint64_t pump)> hook);

// --- Scripted failures ------------------------------------------------------

// The next calls of a DirectDraw call answer these results in order, then the
// call behaves normally again. A failure result fails the call without any
// effect; DD_OK lets that call run normally. Names: DirectDrawCreate,
// QueryInterface, SetCooperativeLevel, SetDisplayMode, CreateSurface,
// GetAttachedSurface, Blt, Flip, Restore, GetDC, ReleaseDC.
void ScriptResults(const std::string &call, std::vector<HRESULT> results);
// SetDisplayMode(width, height, bpp, ...) answers DDERR_INVALIDMODE.
void RefuseDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel);
// RegisterClassExA / CreateWindowExA fail (0 / null) while set.
void FailRegisterClass(bool fail);
void FailCreateWindow(bool fail);

// --- Another running copy ---------------------------------------------------

struct OtherInstance {
    bool present = false;
    bool iconic = false;
    int restores = 0;    // ShowWindow(SW_RESTORE) on its window
    int foregrounds = 0; // SetForegroundWindow on its window
};
// Pretends that another process owns a top-level window of this class:
// FindWindowA(className, ...) answers a proxy window.
void SimulateOtherInstance(const std::string &className, bool iconic);
OtherInstance OtherInstanceState();
// Lets the headless host use the real single-instance lock and socket, in
// this directory (which must exist, be owned by the user and have mode 0700).
// Off by default so that tests running in parallel do not see each other.
void UseInstanceDirectory(const std::string &directory);

// --- What the program did ---------------------------------------------------

std::vector<std::string> CallLog();
void ClearCallLog();
// On after every reset; the tracer and benchmarks turn it off.
void SetCallLogging(bool on);
// The log's name of a handle or object (hwnd1, pen3, surface2, null, ...).
std::string HandleName(const void *handle);

struct MessageBoxRecord {
    std::string owner; // handle name of the owner window
    std::string caption;
    std::string text;
    UINT type = 0;
};
std::vector<MessageBoxRecord> MessageBoxes();

// Live GDI objects that the program created and has not deleted.
int LiveGdiObjects();
// Windows alive, and whether a window is visible / iconic.
int LiveWindows();
bool IsWindowVisible(HWND window);
// Times a window of this process was brought to the front (SetForegroundWindow,
// or another copy asking through the single-instance socket).
int ForegroundRequests(HWND window);

struct DisplayMode {
    DWORD width = 0;
    DWORD height = 0;
    DWORD bitsPerPixel = 0;
    bool exclusive = false; // exclusive full-screen cooperative level held
};
DisplayMode CurrentDisplayMode();

// --- Pixels -------------------------------------------------------------------

struct Pixels {
    int width = 0;
    int height = 0;
    int pitch = 0;                   // bytes per row
    std::vector<std::uint16_t> data; // pitch / 2 entries per row
    std::uint16_t At(int x, int y) const
    {
        return data[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch / 2) +
                    static_cast<std::size_t>(x)];
    }
};
// The back buffer of the newest flip chain (what the next Flip shows), and the
// primary (what the last Flip showed). Empty when there is no flip chain.
Pixels BackBufferPixels();
Pixels ScreenPixels();
// The RGB565 value a COLORREF (0x00BBGGRR) is drawn with.
std::uint16_t Rgb565(COLORREF colour);
// Writes the pixels as a 24-bit PNG; false on failure.
bool WritePng(const Pixels &pixels, const std::string &path);

} // namespace zorbel::testing
