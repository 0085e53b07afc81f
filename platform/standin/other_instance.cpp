// FindWindowA and the calls that bring a found window forward, for windows
// of this process and of another running copy (single_instance.h). A look-up
// by class that finds no other copy claims the class for this process, so
// that of two copies started at once exactly one finds the other.
#include "platform/standin/logged_call.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace zorbel::standin {

namespace {

// Long enough for a copy that is busy presenting a frame, short enough that
// starting a second copy never feels stuck.
constexpr int kRequestTimeoutMs = 500;
// How long a copy asked to come forward waits for the focus before it says
// it was refused, and how long the asking start waits for that word.
constexpr unsigned long long kFocusWaitMs = 1000;
constexpr int kAnswerTimeoutMs = 2000;

Window *FindOwnWindow(const char *className)
{
    Platform &platform = State();
    for (Window &window : platform.windows)
        if (window.used && !window.destroying &&
            strcasecmp(platform.classes[window.classSlot].name.c_str(), className) == 0)
            return &window;
    return nullptr;
}

HWND ProxyFor(const std::string &className)
{
    Platform &platform = State();
    for (Proxy &proxy : platform.proxies)
        if (proxy.used && strcasecmp(proxy.className.c_str(), className.c_str()) == 0)
            return proxy.Handle();
    Proxy *proxy = TakeSlot(platform.proxies);
    if (proxy == nullptr)
        return nullptr;
    proxy->serial = ++platform.proxySerial;
    proxy->className = className;
    return proxy->Handle();
}

// Says once per process why other copies cannot be found; the program runs on.
void ReportProblem(const std::string &problem)
{
    static bool said = false;
    if (said || problem.empty())
        return;
    said = true;
    std::fprintf(stderr, "%s: cannot look for another running copy: %s\n",
                 program_invocation_short_name, problem.c_str());
}

} // namespace

bool ClaimClass(const std::string &className)
{
    Platform &platform = State();
    if (platform.claims.count(className) != 0)
        return true;
    const std::string directory = CurrentHost().InstanceDirectory();
    if (directory.empty())
        return true;
    std::unique_ptr<InstanceClaim> claim;
    std::string problem;
    const InstanceClaim::Outcome outcome =
        InstanceClaim::Claim(directory, className, &claim, &problem);
    ReportProblem(problem); // a claim without a socket, or none possible
    if (claim)
        platform.claims[className] = std::move(claim);
    return outcome != InstanceClaim::Outcome::HeldElsewhere;
}

void ReleaseClass(const std::string &className)
{
    if (FindOwnWindow(className.c_str()) == nullptr) // another window of it keeps the class
        State().claims.erase(className);
}

std::string Host::InstanceDirectory()
{
    Platform &platform = State();
    if (!platform.instanceDirectoryChosen) {
        platform.instanceDirectoryChosen = true;
        std::string problem;
        platform.instanceDirectory = DefaultInstanceDirectory(&problem);
        ReportProblem(problem);
    }
    return platform.instanceDirectory;
}

bool Host::OtherCopyRunning(const std::string &className) { return !ClaimClass(className); }

namespace {

// What the desktop gave this start to activate a window with: its startup
// identifier (X11) or its activation token (Wayland). The copy this start
// asks to come forward uses it: focus-stealing prevention lets the window
// of a start the user just made come forward.
std::string ActivationOfThisStart()
{
    for (const char *name : {"DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN"}) {
        const char *value = std::getenv(name);
        if (value != nullptr && IsActivationToken(value))
            return value;
    }
    return {};
}

} // namespace

bool Host::BringOtherCopyForward(const std::string &className, bool)
{
    // Once this process holds the class, no other copy does.
    const std::string directory = InstanceDirectory();
    if (directory.empty() || State().claims.count(className) != 0)
        return false;
    ForwardAnswer answer = ForwardAnswer::None;
    if (AskToComeForward(directory, className, kRequestTimeoutMs, ActivationOfThisStart(), &answer,
                         kAnswerTimeoutMs)) {
        if (answer == ForwardAnswer::Refused)
            std::fprintf(stderr,
                         "%s: the desktop did not give the running copy the focus; it asks for "
                         "attention instead\n",
                         program_invocation_short_name);
        return true;
    }
    // This copy ends without a window: it must not end without a word.
    static bool said = false;
    if (!said)
        std::fprintf(
            stderr, "%s: another copy is running, but it could not be asked to come forward (%s)\n",
            program_invocation_short_name, InstanceSocketPath(directory, className).c_str());
    said = true;
    return false;
}

namespace {

// A copy asked to come forward answers once it knows: when its window has
// the focus, or, the wait over, that the desktop did not give it (and then
// it asks for attention).
struct PendingAnswer {
    std::string className;
    HWND window = nullptr;
    unsigned long long deadline = 0;
};
PendingAnswer g_pending[kMaxClasses];

// One answer waits per class: a new request replaces the one before (only
// the last asker is answered).
void Await(const std::string &className, HWND window, unsigned long long deadline)
{
    PendingAnswer *slot = nullptr;
    for (PendingAnswer &pending : g_pending)
        if (pending.window != nullptr && pending.className == className)
            slot = &pending;
    for (PendingAnswer &pending : g_pending)
        if (slot == nullptr && pending.window == nullptr)
            slot = &pending;
    if (slot != nullptr)
        *slot = PendingAnswer{className, window, deadline};
}

void AnswerWhenKnown(unsigned long long now)
{
    Platform &platform = State();
    for (PendingAnswer &pending : g_pending) {
        if (pending.window == nullptr)
            continue;
        const auto claim = platform.claims.find(pending.className);
        Window *window = FindWindowSlot(pending.window);
        if (claim == platform.claims.end() || window == nullptr) {
            pending.window = nullptr; // gone: nobody to answer for
            continue;
        }
        const bool focused = CurrentHost().HasFocus(*window);
        if (!focused && now < pending.deadline)
            continue;
        if (!focused)
            CurrentHost().AskForAttention(*window);
        claim->second->Answer(focused);
        pending.window = nullptr;
    }
}

} // namespace

void ServiceInstanceSockets()
{
    Platform &platform = State();
    // What others may have done to the files of the claims is looked at
    // four times a second.
    static unsigned long long nextRepair = 0;
    const unsigned long long now = MonotonicMilliseconds();
    if (now >= nextRepair) {
        nextRepair = now + 250;
        for (auto &entry : platform.claims)
            entry.second->Repair();
    }
    // Acting runs window procedures, which may claim or release classes:
    // every request is read first.
    std::string asked[kMaxClasses];
    std::string activations[kMaxClasses];
    unsigned count = 0;
    for (auto &[className, claim] : platform.claims)
        if (count < kMaxClasses && claim->Asked(&activations[count]))
            asked[count++] = className;
    for (unsigned i = 0; i < count; ++i) {
        Window *window = FindOwnWindow(asked[i].c_str());
        if (window == nullptr)
            continue;
        const HWND handle = window->Handle();
        if (window->iconic)
            (void)ShowWindowNow(*window, SW_RESTORE);
        if (Window *still = FindWindowSlot(handle)) {
            CurrentHost().ComeForward(*still, activations[i]);
            Await(asked[i], handle, now + kFocusWaitMs);
        }
    }
    AnswerWhenKnown(now);
}

BOOL ShowOtherCopy(HWND handle, int show)
{
    const Proxy *proxy = FindProxy(handle);
    if (proxy == nullptr)
        return FALSE;
    if (show != SW_RESTORE && show != SW_SHOWNORMAL && show != SW_SHOWDEFAULT)
        return FALSE; // only bringing another copy back is supported
    return CurrentHost().BringOtherCopyForward(proxy->className, true) ? TRUE : FALSE;
}

} // namespace zorbel::standin

using namespace zorbel::standin;

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName)
{
    return Logged(
        "FindWindowA", [&](LogLine &line) { line.Resource(className).Str(windowName); },
        [&]() -> HWND {
            // Windows are found by class alone: titles are not
            // known across processes, so a look-up by title is refused.
            if (className == nullptr || IS_INTRESOURCE(className) || windowName != nullptr)
                return nullptr;
            if (Window *own = FindOwnWindow(className))
                return own->Handle();
            return CurrentHost().OtherCopyRunning(className) ? ProxyFor(className) : nullptr;
        });
}

HWND WINAPI GetLastActivePopup(HWND window)
{
    // The stand-in has no pop-ups (its message boxes are not windows), so a
    // window's last active pop-up is the window itself.
    return Logged(
        "GetLastActivePopup", [&](LogLine &line) { line.Handle(window); },
        [&] {
            return FindWindowSlot(window) != nullptr || FindProxy(window) != nullptr ? window
                                                                                     : nullptr;
        });
}

BOOL WINAPI IsIconic(HWND window)
{
    return Logged(
        "IsIconic", [&](LogLine &line) { line.Handle(window); },
        [&]() -> BOOL {
            if (const Window *own = FindWindowSlot(window))
                return own->iconic;
            const Proxy *proxy = FindProxy(window);
            return proxy != nullptr && CurrentHost().OtherCopyIconic(proxy->className);
        });
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    return Logged(
        "SetForegroundWindow", [&](LogLine &line) { line.Handle(window); },
        [&]() -> BOOL {
            if (Window *own = FindWindowSlot(window)) {
                CurrentHost().RaiseWindow(*own);
                return TRUE;
            }
            const Proxy *proxy = FindProxy(window);
            return proxy != nullptr && CurrentHost().BringOtherCopyForward(proxy->className, false);
        });
}
