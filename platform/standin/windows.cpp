// Window classes and windows: registration, creation, showing, destruction
// and the default window procedure.
#include "platform/standin/logged_call.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/resources.h"

#include <strings.h>

namespace zorbel::standin {

namespace {

// Class names compare without regard to case, as on Win32.
WindowClass *FindClass(const char *name)
{
    if (name == nullptr)
        return nullptr;
    for (WindowClass &windowClass : State().classes)
        if (windowClass.used && strcasecmp(windowClass.name.c_str(), name) == 0)
            return &windowClass;
    return nullptr;
}

ATOM RegisterClassNow(const WNDCLASSEXA *desc)
{
    Platform &platform = State();
    if (desc == nullptr || desc->cbSize != sizeof(WNDCLASSEXA) || desc->lpszClassName == nullptr ||
        IS_INTRESOURCE(desc->lpszClassName) || desc->lpfnWndProc == nullptr ||
        FindClass(desc->lpszClassName) != nullptr)
        return 0;
    for (WindowClass &slot : platform.classes) {
        if (slot.used)
            continue;
        // Style, cursor and background change nothing here: a window shows
        // only what is flipped onto it. Classes are never unregistered, so
        // the slot names the class as an atom would.
        slot = WindowClass{true, desc->lpszClassName, desc->lpfnWndProc, desc->hIcon};
        return static_cast<ATOM>(0xC000 + (&slot - platform.classes.data()));
    }
    return 0;
}

HWND CreateWindowNow(DWORD exStyle, const char *className, const char *title, DWORD style, int x,
                     int y, int width, int height, HWND parent)
{
    Platform &platform = State();
    WindowClass *windowClass = FindClass(className);
    // Top-level windows only: child windows are not available here.
    if (windowClass == nullptr || parent != nullptr)
        return nullptr;
    Window *window = TakeSlot(platform.windows);
    if (window == nullptr)
        return nullptr;
    window->serial = ++platform.windowSerial;
    window->classSlot = static_cast<unsigned>(windowClass - platform.classes.data());
    window->proc = windowClass->proc;
    window->title = title != nullptr ? title : "";
    window->exStyle = exStyle;
    window->rect = RECT{x, y, x + (width > 0 ? width : 0), y + (height > 0 ? height : 0)};
    const HWND handle = window->Handle();
    if (!CurrentHost().CreateNativeWindow(*window)) {
        window->used = false;
        return nullptr;
    }
    if (const IconImage *icon = IconOf(windowClass->icon))
        CurrentHost().SetNativeIcon(*window, *icon);
    // Other copies find this one by its class.
    (void)ClaimClass(windowClass->name);

    // No creation parameters: nothing that runs here reads them.
    if (SendToWindow(handle, WM_CREATE, 0, 0) == -1) {
        if (Window *still = FindWindowSlot(handle))
            DestroyWindowNow(*still);
        return nullptr;
    }
    // Win32 reports the initial size and position right after WM_CREATE.
    if (Window *still = FindWindowSlot(handle)) {
        const RECT rect = still->rect;
        (void)SendToWindow(handle, WM_SIZE, SIZE_RESTORED,
                           MAKELPARAM(rect.right - rect.left, rect.bottom - rect.top));
        (void)SendToWindow(handle, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    }
    if ((style & WS_VISIBLE) != 0)
        (void)ShowWindow(handle, SW_SHOW);
    return FindWindowSlot(handle) != nullptr ? handle : nullptr;
}

// The visible and minimised states a show command leads to; false for a
// command not known here.
bool ShowTarget(int show, bool iconic, bool *visible, bool *minimised)
{
    *visible = show != SW_HIDE;
    *minimised = show == SW_SHOWMINIMIZED || show == SW_MINIMIZE ||
                 (iconic && (show == SW_SHOW || show == SW_HIDE));
    return show == SW_HIDE || show == SW_SHOWNORMAL || show == SW_SHOWMINIMIZED ||
           show == SW_SHOW || show == SW_MINIMIZE || show == SW_RESTORE || show == SW_SHOWDEFAULT;
}

} // namespace

void DestroyWindowNow(Window &window)
{
    if (window.destroying)
        return;
    window.destroying = true;
    const HWND handle = window.Handle();
    (void)SendToWindow(handle, WM_DESTROY, 0, 0);
    Window *still = FindWindowSlot(handle);
    if (still == nullptr)
        return;
    ReleaseClass(State().classes[still->classSlot].name);
    CurrentHost().DestroyNativeWindow(*still);
    still->used = false;
    still->proc = nullptr;
}

bool ShowWindowNow(Window &window, int show)
{
    const bool wasVisible = window.visible;
    bool visible = false;
    bool minimised = false;
    if (!ShowTarget(show, window.iconic, &visible, &minimised))
        return wasVisible;
    const HWND handle = window.Handle();
    window.visible = visible;
    if (visible != wasVisible)
        (void)SendToWindow(handle, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
    if (Window *still = FindWindowSlot(handle)) {
        NoteIconic(*still, minimised, true);
        if (Window *after = FindWindowSlot(handle))
            CurrentHost().ShowNativeWindow(*after);
    }
    return wasVisible;
}

} // namespace zorbel::standin

using namespace zorbel::standin;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass)
{
    return Logged(
        "RegisterClassExA",
        [&](LogLine &line) {
            if (windowClass == nullptr) {
                line.Word("null");
                return;
            }
            line.Str(IS_INTRESOURCE(windowClass->lpszClassName) ? nullptr
                                                                : windowClass->lpszClassName)
                .Hex(windowClass->style)
                .Handle(windowClass->hIcon)
                .Handle(windowClass->hCursor)
                .Handle(windowClass->hbrBackground);
        },
        [&]() -> ATOM {
            HRESULT failure = 0;
            return CurrentHost().ScriptedFailure("RegisterClassExA", &failure)
                       ? 0
                       : RegisterClassNow(windowClass);
        });
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID)
{
    return Logged(
        "CreateWindowExA",
        [&](LogLine &line) {
            line.Hex(exStyle)
                .Resource(className)
                .Str(windowName)
                .Hex(style)
                .Int(x)
                .Int(y)
                .Int(width)
                .Int(height)
                .Handle(parent)
                .Handle(menu)
                .Handle(instance);
        },
        [&]() -> HWND {
            HRESULT failure = 0;
            if (IS_INTRESOURCE(className) ||
                CurrentHost().ScriptedFailure("CreateWindowExA", &failure))
                return nullptr;
            return CreateWindowNow(exStyle, className, windowName, style, x, y, width, height,
                                   parent);
        });
}

BOOL WINAPI ShowWindow(HWND window, int show)
{
    return Logged(
        "ShowWindow", [&](LogLine &line) { line.Handle(window).Int(show); },
        [&]() -> BOOL {
            if (Window *own = FindWindowSlot(window))
                return ShowWindowNow(*own, show);
            return FindProxy(window) != nullptr && ShowOtherCopy(window, show);
        });
}

BOOL WINAPI UpdateWindow(HWND window)
{
    // Nothing is ever invalid: the program paints by flipping, so there is no
    // WM_PAINT to send.
    return Logged(
        "UpdateWindow", [&](LogLine &line) { line.Handle(window); },
        [&]() -> BOOL { return FindWindowSlot(window) != nullptr; });
}

BOOL WINAPI DestroyWindow(HWND window)
{
    return Logged(
        "DestroyWindow", [&](LogLine &line) { line.Handle(window); },
        [&]() -> BOOL {
            Window *own = FindWindowSlot(window);
            if (own != nullptr)
                DestroyWindowNow(*own);
            return own != nullptr;
        });
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Logged(
        "DefWindowProcA",
        [&](LogLine &line) {
            line.Message(MSG{window, message, wParam, lParam, 0, {0, 0}});
        },
        [&]() -> LRESULT {
            // A close request destroys the window unless the program handles it.
            if (message == WM_CLOSE)
                if (Window *own = FindWindowSlot(window))
                    DestroyWindowNow(*own);
            return 0;
        });
}
