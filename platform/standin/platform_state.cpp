// The shared state of the stand-in layer and the window-manager duties that
// both hosts rely on: sending, posting, minimising, moving, losing surfaces.
#include "platform/standin/platform_state.h"

#include "platform/standin/call_log.h"
#include "platform/standin/other_threads.h"

namespace zorbel::standin {

namespace {

// Win32 parks a minimised top-level window here.
constexpr LONG kIconicPosition = -32000;

} // namespace

HWND Window::Handle() const
{
    return HandleOfSlot<HWND>(State().windows, *this, HandleKind::Window);
}

namespace {

// Never destroyed: calls may come from static destructors at exit.
Platform *&Current()
{
    static Platform *platform = new Platform;
    return platform;
}

} // namespace

Platform &State() { return *Current(); }

Host &CurrentHost()
{
    Platform &platform = State();
    if (!platform.host) {
        MarkProgramThread();
        platform.host = CreateSdlHost();
    }
    return *platform.host;
}

void ShutdownPlatform()
{
    Platform &platform = State();
    DestroyAllDirectDrawObjects();
    platform.claims.clear();
    for (Window &window : platform.windows)
        if (window.used && platform.host)
            platform.host->DestroyNativeWindow(window);
    platform.host.reset();
    // Whatever is called after this, from a static destructor say, finds no
    // window, surface or object left to reach into. The state is large: a
    // fresh one is made where it lives, never on the stack.
    Current() = new Platform;
    delete &platform;
}

void ResetPlatform(std::unique_ptr<Host> host)
{
    ShutdownPlatform();
    MarkProgramThread();
    State().host = std::move(host);
}

Window *FindWindowSlot(HWND window)
{
    return FindSlot(State().windows, window, HandleKind::Window);
}

HWND Proxy::Handle() const { return HandleOfSlot<HWND>(State().proxies, *this, HandleKind::Proxy); }

Proxy *FindProxy(HWND window) { return FindSlot(State().proxies, window, HandleKind::Proxy); }

GdiObject *FindGdiObject(HGDIOBJ object)
{
    const HandleKind kind = UnpackHandle(object).kind;
    if (kind != HandleKind::Pen && kind != HandleKind::Brush)
        return nullptr;
    GdiObject *found = FindSlot(State().gdi, object, kind);
    return found != nullptr && found->kind == kind ? found : nullptr;
}

DeviceContext *FindDc(HDC dc) { return FindSlot(State().dcs, dc, HandleKind::Dc); }

Window *NewestTopLevelWindow()
{
    Window *newest = nullptr;
    for (Window &window : State().windows)
        if (window.used && !window.destroying &&
            (newest == nullptr || window.serial > newest->serial))
            newest = &window;
    return newest;
}

LRESULT SendToWindow(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *window = FindWindowSlot(handle);
    if (window == nullptr || window->proc == nullptr)
        return 0;
    LogLine line("WindowProc");
    if (line.On()) {
        MSG msg{handle, message, wParam, lParam, 0, {0, 0}};
        line.Message(msg);
    }
    const LRESULT result = window->proc(handle, message, wParam, lParam);
    line.Result(result);
    return result;
}

void SendAtNextPump(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)State().queue.sent.Push(SentMessage{window, message, wParam, lParam});
}

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host &host = CurrentHost();
    MSG msg{window, message, wParam, lParam, host.Ticks(), host.Cursor()};
    (void)State().queue.posted.Push(msg);
}

void NoteIconic(Window &window, bool iconic, bool now)
{
    if (window.iconic == iconic)
        return;
    window.iconic = iconic;
    const HWND handle = window.Handle();
    const LONG width = window.rect.right - window.rect.left;
    const LONG height = window.rect.bottom - window.rect.top;
    auto deliver = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (now)
            (void)SendToWindow(handle, message, wParam, lParam);
        else
            SendAtNextPump(handle, message, wParam, lParam);
    };
    if (iconic) {
        // An exclusive-mode program loses its surfaces when it is minimised.
        if (State().display.exclusiveWindow == handle)
            NoteSurfacesLost();
        deliver(WM_MOVE, 0, MAKELPARAM(kIconicPosition, kIconicPosition));
        deliver(WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        deliver(WM_MOVE, 0, MAKELPARAM(window.rect.left, window.rect.top));
        deliver(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
}

void NoteWindowRect(Window &window, const RECT &screen, bool now)
{
    const RECT was = window.rect;
    window.rect = screen;
    const bool same = was.left == screen.left && was.top == screen.top &&
                      was.right == screen.right && was.bottom == screen.bottom;
    // Moving a window to where it is reports nothing; a minimised window
    // reports its new place once it is restored.
    if (now && (same || window.iconic))
        return;
    const HWND handle = window.Handle();
    const LPARAM position = MAKELPARAM(screen.left, screen.top);
    const LPARAM size = MAKELPARAM(screen.right - screen.left, screen.bottom - screen.top);
    if (now) {
        (void)SendToWindow(handle, WM_MOVE, 0, position);
        (void)SendToWindow(handle, WM_SIZE, SIZE_RESTORED, size);
    } else {
        SendAtNextPump(handle, WM_MOVE, 0, position);
        SendAtNextPump(handle, WM_SIZE, SIZE_RESTORED, size);
    }
}

void NoteSurfacesLost() { ++State().display.epoch; }

} // namespace zorbel::standin
