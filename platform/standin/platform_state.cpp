// The shared state of the stand-in layer and the window-manager duties that
// both hosts rely on: sending, posting, minimising, moving, losing surfaces.
#include "platform/standin/platform_state.h"

#include "platform/standin/call_log.h"
#include "platform/standin/directdraw.h"

namespace zorbel::standin {

namespace {

Platform *g_platform = nullptr;

void TearDown(Platform &platform)
{
    DestroyAllDirectDrawObjects();
    for (Window &window : platform.windows) {
        window.instanceServer.reset();
        if (window.used && window.native != nullptr && platform.host)
            platform.host->DestroyNativeWindow(window);
    }
    platform.host.reset();
}

// Win32 parks a minimised top-level window here.
constexpr LONG kIconicPosition = -32000;

} // namespace

HWND Window::Handle() const
{
    const auto slot = static_cast<unsigned>(this - State().windows.data());
    return MakeHandle<HWND>(HandleKind::Window, slot, generation);
}

void ScriptedResults::Set(const std::string &call, std::vector<HRESULT> results)
{
    queued_[call] = std::deque<HRESULT>(results.begin(), results.end());
}

bool ScriptedResults::Next(std::string_view call, HRESULT *result)
{
    if (queued_.empty())
        return false;
    const auto found = queued_.find(call);
    if (found == queued_.end() || found->second.empty())
        return false;
    *result = found->second.front();
    found->second.pop_front();
    return true;
}

Platform &State()
{
    if (g_platform == nullptr)
        g_platform = new Platform;
    return *g_platform;
}

Host &CurrentHost()
{
    Platform &platform = State();
    if (!platform.host)
        platform.host = platform.headless ? CreateHeadlessHost() : CreateSdlHost();
    return *platform.host;
}

void ResetPlatform(bool headless)
{
    if (g_platform != nullptr) {
        TearDown(*g_platform);
        delete g_platform;
    }
    g_platform = new Platform;
    g_platform->headless = headless;
    Log() = CallLog{};
}

void ShutdownPlatform()
{
    if (g_platform != nullptr)
        TearDown(*g_platform);
}

namespace {

// The live slot a handle of the given kind names, or null when the handle is
// of another kind, out of range, free or from an earlier use of the slot.
template <class Slots>
typename Slots::value_type *FindSlot(Slots &slots, const void *handle, HandleKind kind)
{
    const HandleParts parts = UnpackHandle(handle);
    if (parts.kind != kind || parts.slot >= slots.size())
        return nullptr;
    auto &slot = slots[parts.slot];
    return slot.used && slot.generation == parts.generation ? &slot : nullptr;
}

} // namespace

Window *FindWindowSlot(HWND window)
{
    return FindSlot(State().windows, window, HandleKind::Window);
}

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
        if (window.used && !window.destroying && window.parent == nullptr &&
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
    (void)State().queue.Defer(SentMessage{window, message, wParam, lParam});
}

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host &host = CurrentHost();
    MSG msg{window, message, wParam, lParam, host.Ticks(), host.Cursor()};
    (void)State().queue.Post(msg);
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

const std::string &InstanceDirectory()
{
    Platform &platform = State();
    if (!platform.instanceDirectoryChosen) {
        platform.instanceDirectoryChosen = true;
        if (!platform.headless)
            platform.instanceDirectory = DefaultInstanceDirectory();
    }
    return platform.instanceDirectory;
}

void NoteWindowRect(Window &window, const RECT &screen)
{
    window.rect = screen;
    const HWND handle = window.Handle();
    SendAtNextPump(handle, WM_MOVE, 0, MAKELPARAM(screen.left, screen.top));
    SendAtNextPump(handle, WM_SIZE, SIZE_RESTORED,
                   MAKELPARAM(screen.right - screen.left, screen.bottom - screen.top));
}

void NoteSurfacesLost() { ++State().display.epoch; }

void AdvanceTicks(DWORD milliseconds) { State().controls.ticks += milliseconds; }

} // namespace zorbel::standin
