// Windows, messages, input and system calls of the stand-in layer.
#pragma once

#include "platform/standin/windef.h"

using WNDPROC = LRESULT(CALLBACK *)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG *;

// Class styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002

// Window styles.
#define WS_POPUP 0x80000000u
#define WS_VISIBLE 0x10000000u
#define WS_EX_TOPMOST 0x00000008u

// Show commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// Messages.
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_COMMAND 0x0111
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// WM_SIZE kinds.
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1

// Virtual keys and mouse-key state.
#define VK_ESCAPE 0x1B
#define MK_LBUTTON 0x0001

// PeekMessage options.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Accelerator flags.
#define FVIRTKEY 0x01
#define FNOINVERT 0x02
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

// Message box styles and results.
#define MB_OK 0x00000000u
#define IDOK 1

#define IS_INTRESOURCE(r) ((reinterpret_cast<std::uintptr_t>(r) >> 16) == 0)

// System cursor.
#define IDC_ARROW MAKEINTRESOURCEA(32512)

#define MAKELPARAM(lo, hi)                                                                         \
    (static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(lo)) |                              \
                                            (static_cast<DWORD>(static_cast<WORD>(hi)) << 16))))
#define MAKEWPARAM(lo, hi) (static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(lo, hi))))

// Window class and windows.
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI ShowWindow(HWND window, int show);
BOOL WINAPI UpdateWindow(HWND window);
BOOL WINAPI DestroyWindow(HWND window);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name);

// Another running copy's window and bringing it forward.
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName);
HWND WINAPI GetLastActivePopup(HWND window);
BOOL WINAPI IsIconic(HWND window);
BOOL WINAPI SetForegroundWindow(HWND window);

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Message queue of the calling thread.
BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
int WINAPI TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg);
BOOL WINAPI TranslateMessage(const MSG *msg);
LRESULT WINAPI DispatchMessageA(const MSG *msg);
void WINAPI PostQuitMessage(int exitCode);

// Geometry, input and time.
BOOL WINAPI GetCursorPos(LPPOINT point);
BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);
BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
DWORD WINAPI GetTickCount();
// SM_CXSCREEN and SM_CYSCREEN: the screen's size, the display mode's while
// one is set. Other indices answer 0.
int WINAPI GetSystemMetrics(int index);
