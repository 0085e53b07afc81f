// Test and tracer control of the stand-in layer.
//
// The headless host runs the program without a screen: no SDL at all, a
// virtual tick count, a scripted cursor, injected input, scripted DirectDraw
// results, and a log of every platform call the program makes. Everything
// else (windows, message queue, accelerators, GDI drawing into RGB565 memory,
// DirectDraw objects and reference counts) is the same code as on screen.
//
// Call log format. One line per call, in the order the calls started:
//
//   <Name> <arg> <arg> ... -> <result> <out> ...
//
// - Name is the Win32 name (CreateWindowExA, Flip, ...). DirectDraw methods
//   take their object as first argument: `Flip surface1 null 0x0 -> DD_OK`.
// - Integers (coordinates, sizes, counts, show commands) are decimal; flags,
//   styles, wParam/lParam and other bit sets are hex `0x1B`; colours are
//   `0x00BBGGRR` with 8 digits; strings are double-quoted; a resource given
//   by number (MAKEINTRESOURCE) is its decimal number.
// - Handles and objects are named by kind and creation order since the last
//   Reset: windows hwnd1.., other processes' windows proxy1.., pens pen1..,
//   brushes brush1.., stock objects stock<index> (stock4 = BLACK_BRUSH),
//   DirectDraw objects dd1.., surfaces surface1.. (the primary is created
//   first, so surface1 is the primary and surface2 its back buffer), a
//   surface's device context dc<surface number>, icons icon<id>, cursors
//   cursor<id>, accelerator tables accel<id>, the process instance inst,
//   the null handle null. A handle that is not (or no longer) valid prints
//   as its hex value.
// - Messages print as `<hwnd> <message> <wParam> <lParam>`, with the WM_
//   name where known: `hwnd1 WM_KEYDOWN 0x1B 0x10001`.
// - HRESULTs print by name: DD_OK, DDERR_SURFACELOST, DDERR_WASSTILLDRAWING,
//   DDERR_INVALIDMODE, E_NOINTERFACE, ...; others as 0x%08X.
// - After `->` comes the result, then what the call wrote through pointers.
//   Calls without a result (PostQuitMessage) have no `->`.
// - The platform calling a window procedure itself (a sent message, not a
//   DispatchMessageA) is logged as `WindowProc <message> -> <result>`.
//
// Examples:
//   RegisterClassExA "Zorbel Window" 0x3 icon107 cursor32512 stock4 -> 49152
//   CreateWindowExA 0x8 "Zorbel Window" "Zorbel Demo" 0x80000000 0 0 1024 768 null null inst -> hwnd1
//   WindowProc hwnd1 WM_SIZE 0x0 0x3000400 -> 0
//   LoadAcceleratorsA inst 101 -> accel101
//   DirectDrawCreate null null -> DD_OK dd1
//   QueryInterface dd1 IID_IDirectDraw4 -> DD_OK dd1
//   SetCooperativeLevel dd1 hwnd1 0x11 -> DD_OK
//   SetDisplayMode dd1 1024 768 16 0 0x0 -> DDERR_INVALIDMODE
//   CreateSurface dd1 124 0x21 1 0x218 null -> DD_OK surface1
//   GetAttachedSurface surface1 0x4 -> DD_OK surface2
//   Blt surface2 null null null 0x1000400 0x0 -> DD_OK          (fill colour last)
//   GetDC surface2 -> DD_OK dc2
//   CreatePen 0 7 0x00FF6300 -> pen3
//   SelectObject dc2 brush1 -> stock0
//   MoveToEx dc2 472 384 null -> 1
//   Ellipse dc2 492 464 532 504 -> 1
//   Polyline dc2 7 472,384 492,487 499,499 512,504 524,499 531,487 552,384 -> 1
//   LineTo dc2 552 384 -> 1
//   ReleaseDC surface2 dc2 -> DD_OK
//   DeleteObject pen3 -> 1
//   Flip surface1 null 0x0 -> DDERR_WASSTILLDRAWING
//   Release surface2 -> 1
//   PeekMessageA null 0 0 0x0 -> 1 hwnd1 WM_LBUTTONDOWN 0x1 0x1E001F4
//   GetMessageA null 0 0 -> 0 null WM_QUIT 0x0 0x0
//   TranslateAcceleratorA hwnd1 accel101 hwnd1 WM_KEYDOWN 0x1B 0x10001 -> 1
//   DispatchMessageA hwnd1 WM_LBUTTONUP 0x0 0x1E001F4 -> 0
//   PostQuitMessage 0
//   GetCursorPos -> 1 512 484
//   ScreenToClient hwnd1 512 484 -> 1 512 484
//   GetClientRect hwnd1 -> 1 0,0,1024,768
//   GetTickCount -> 1234
//   FindWindowA "Zorbel Window" null -> proxy1
//   MessageBoxA hwnd1 "SetDisplayMode FAILED" "Zorbel Demo" 0x0 -> 1
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
// Posts WM_KEYUP for a virtual key.
void InjectKeyUp(WPARAM virtualKey, HWND window = nullptr);
// Queues a close request: WM_CLOSE is sent to the window procedure at the next pump.
void InjectClose(HWND window = nullptr);
// Moves/resizes the window to `screen`; WM_MOVE then WM_SIZE are sent at the next pump.
void InjectWindowRect(RECT screen, HWND window = nullptr);
// Minimises the window (surfaces are lost while it is) / restores it.
void InjectMinimize(HWND window = nullptr);
void InjectRestore(HWND window = nullptr);
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
// Lets the headless host use real single-instance sockets, in this directory
// (which must exist, be owned by the user and have mode 0700). Off by default
// so that tests running in parallel do not see each other.
void UseInstanceDirectory(const std::string &directory);

// --- What the program did ---------------------------------------------------

std::vector<std::string> CallLog();
void ClearCallLog();
// Logging costs time and memory; benchmarks turn it off.
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
    int pitch = 0; // bytes per row
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
