// FindWindowA and the calls that bring a found window forward, for windows
// of this process and of another running copy.
#include "platform/standin/call_log.h"
#include "platform/standin/platform_state.h"

#include <strings.h>

namespace zorbel::standin {

namespace {

// Long enough for a copy that is busy presenting a frame, short enough that
// starting a second copy never feels stuck.
constexpr int kRequestTimeoutMs = 500;

Window *FindOwnWindow(const char *className, const char *title)
{
    Platform &platform = State();
    for (Window &window : platform.windows) {
        if (!window.used || window.destroying || window.parent != nullptr)
            continue;
        const WindowClass &windowClass = platform.classes[window.classSlot];
        if (className != nullptr && strcasecmp(windowClass.name.c_str(), className) != 0)
            continue;
        if (title != nullptr && strcasecmp(window.title.c_str(), title) != 0)
            continue;
        return &window;
    }
    return nullptr;
}

HWND ProxyFor(const std::string &className, bool simulated)
{
    Platform &platform = State();
    for (unsigned i = 0; i < kMaxProxies; ++i) {
        Proxy &proxy = platform.proxies[i];
        if (proxy.used && proxy.className == className && proxy.simulated == simulated)
            return MakeHandle<HWND>(HandleKind::Proxy, i, proxy.generation);
    }
    for (unsigned i = 0; i < kMaxProxies; ++i) {
        Proxy &proxy = platform.proxies[i];
        if (proxy.used)
            continue;
        proxy = Proxy{true, proxy.generation + 1, ++platform.proxySerial, className, simulated};
        return MakeHandle<HWND>(HandleKind::Proxy, i, proxy.generation);
    }
    return nullptr;
}

HWND FindOtherCopy(const char *className, const char *title)
{
    Platform &platform = State();
    if (className == nullptr)
        return nullptr;
    if (platform.controls.other.present &&
        strcasecmp(platform.controls.otherClass.c_str(), className) == 0)
        return ProxyFor(platform.controls.otherClass, true);
    // The other copy's title is not asked for: only a lookup by class works
    // across processes.
    const std::string &directory = InstanceDirectory();
    if (title != nullptr || directory.empty())
        return nullptr;
    if (AskInstance(directory, className, InstanceRequest::Ping, kRequestTimeoutMs) != 1)
        return nullptr;
    return ProxyFor(className, false);
}

// Asks the copy behind a proxy; the simulated one answers from the controls.
int Ask(const Proxy &proxy, InstanceRequest request)
{
    Platform &platform = State();
    if (proxy.simulated) {
        testing::OtherInstance &other = platform.controls.other;
        switch (request) {
        case InstanceRequest::Ping:
            return 1;
        case InstanceRequest::IsIconic:
            return other.iconic ? 1 : 0;
        case InstanceRequest::Restore:
            other.iconic = false;
            ++other.restores;
            return 1;
        case InstanceRequest::Foreground:
            ++other.foregrounds;
            return 1;
        }
        return 0;
    }
    return AskInstance(InstanceDirectory(), proxy.className, request, kRequestTimeoutMs);
}

void RaiseOwnWindow(Window &window)
{
    ++window.foregroundRequests;
    if (window.native != nullptr)
        CurrentHost().RaiseNativeWindow(window);
}

// Requests are answered at once but acted on after all sockets are serviced:
// acting runs window procedures, which may destroy the window and its socket.
struct PendingActions {
    static constexpr int kMax = 8;
    HWND window[kMax] = {};
    InstanceRequest request[kMax] = {};
    int count = 0;
};

PendingActions g_actions;

bool AnswerRequest(void *context, InstanceRequest request)
{
    const HWND handle = static_cast<HWND>(context);
    Window *window = FindWindowSlot(handle);
    if (window == nullptr)
        return false;
    if (request == InstanceRequest::Ping)
        return true;
    if (request == InstanceRequest::IsIconic)
        return window->iconic;
    if (g_actions.count == PendingActions::kMax)
        return false;
    g_actions.window[g_actions.count] = handle;
    g_actions.request[g_actions.count] = request;
    ++g_actions.count;
    return true;
}

} // namespace

void ServiceInstanceSockets()
{
    Platform &platform = State();
    for (Window &window : platform.windows)
        if (window.used && window.instanceServer)
            window.instanceServer->Service(AnswerRequest, window.Handle());
    const PendingActions actions = g_actions;
    g_actions = PendingActions{};
    for (int i = 0; i < actions.count; ++i) {
        Window *window = FindWindowSlot(actions.window[i]);
        if (window == nullptr)
            continue;
        if (actions.request[i] == InstanceRequest::Restore)
            (void)ShowWindowNow(*window, SW_RESTORE);
        else
            RaiseOwnWindow(*window);
    }
}

BOOL ShowOtherCopy(HWND handle, int show)
{
    const Proxy *proxy = FindProxy(handle);
    if (proxy == nullptr)
        return FALSE;
    if (show != SW_RESTORE && show != SW_SHOWNORMAL && show != SW_SHOWDEFAULT)
        return FALSE; // only bringing another copy back is supported
    return Ask(*proxy, InstanceRequest::Restore) == 1 ? TRUE : FALSE;
}

} // namespace zorbel::standin

using namespace zorbel::standin;

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName)
{
    LogLine line("FindWindowA");
    line.Resource(className).Str(windowName);
    HWND found = nullptr;
    if (className == nullptr || !IS_INTRESOURCE(className)) {
        if (Window *own = FindOwnWindow(className, windowName))
            found = own->Handle();
        else
            found = FindOtherCopy(className, windowName);
    }
    line.ResultHandle(found);
    return found;
}

HWND WINAPI GetLastActivePopup(HWND window)
{
    LogLine line("GetLastActivePopup");
    line.Handle(window);
    // The stand-in has no pop-ups (its message boxes are not windows), so a
    // window's last active pop-up is the window itself.
    const HWND result =
        FindWindowSlot(window) != nullptr || FindProxy(window) != nullptr ? window : nullptr;
    line.ResultHandle(result);
    return result;
}

BOOL WINAPI IsIconic(HWND window)
{
    LogLine line("IsIconic");
    line.Handle(window);
    BOOL result = FALSE;
    if (Window *own = FindWindowSlot(window))
        result = own->iconic ? TRUE : FALSE;
    else if (const Proxy *proxy = FindProxy(window))
        result = Ask(*proxy, InstanceRequest::IsIconic) == 1 ? TRUE : FALSE;
    line.Result(result);
    return result;
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    LogLine line("SetForegroundWindow");
    line.Handle(window);
    BOOL result = FALSE;
    if (Window *own = FindWindowSlot(window)) {
        RaiseOwnWindow(*own);
        result = TRUE;
    } else if (const Proxy *proxy = FindProxy(window)) {
        result = Ask(*proxy, InstanceRequest::Foreground) == 1 ? TRUE : FALSE;
    }
    line.Result(result);
    return result;
}
