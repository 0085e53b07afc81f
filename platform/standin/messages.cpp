// The message loop calls: peeking, getting, accelerators, translation,
// dispatch and quitting.
#include "platform/standin/logged_call.h"
#include "platform/standin/other_threads.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/resources.h"

namespace zorbel::standin {

namespace {

// How long GetMessageA waits for native events between other duties.
constexpr DWORD kWaitSliceMs = 10;

void DeliverSentMessages()
{
    SentMessage sent{};
    // Bounded: a window procedure that keeps causing sends cannot hold the pump forever.
    for (int i = 0;
         i < decltype(MessageQueue::sent)::kCapacity && State().queue.sent.Take(true, &sent); ++i)
        (void)SendToWindow(sent.window, sent.message, sent.wParam, sent.lParam);
}

// One turn of the thread's message pump: native events become messages, other
// copies are answered, and messages the window manager sends are delivered.
void Pump()
{
    CurrentHost().Pump();
    PublishForOtherThreads();
    ServiceInstanceSockets();
    DeliverSentMessages();
}

void MessageOrNull(LogLine &line, const MSG *msg)
{
    if (msg != nullptr)
        line.Message(*msg);
    else
        line.Word("null");
}

// Filters by window or by message range are not available here (what runs
// on this layer takes every message in order), and are refused.
bool Unfiltered(HWND window, UINT filterMin, UINT filterMax)
{
    return window == nullptr && filterMin == 0 && filterMax == 0;
}

BOOL GetMessageNow(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (msg == nullptr || !Unfiltered(window, filterMin, filterMax))
        return -1;
    for (;;) {
        Pump();
        if (State().queue.Take(true, msg))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        // Where nothing else can ever arrive, waiting would hang.
        if (!CurrentHost().Wait(kWaitSliceMs))
            return -1;
    }
}

int TranslateAcceleratorNow(HWND window, HACCEL table, const MSG *msg)
{
    const std::vector<ACCEL> *entries = AcceleratorsOf(table);
    if (msg == nullptr || msg->message != WM_KEYDOWN || entries == nullptr ||
        FindWindowSlot(window) == nullptr)
        return 0;
    // Accelerators are virtual keys only (the resource scripts are read so),
    // matched with exactly the modifier keys held.
    const BYTE modifiers = CurrentHost().Modifiers();
    for (const ACCEL &entry : *entries) {
        if (entry.key != msg->wParam || (entry.fVirt & (FSHIFT | FCONTROL | FALT)) != modifiers)
            continue;
        // HIWORD 1: the command came from an accelerator.
        (void)SendToWindow(window, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}

} // namespace

} // namespace zorbel::standin

using namespace zorbel::standin;

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove)
{
    return Logged(
        "PeekMessageA",
        [&](LogLine &line) { line.Handle(window).Int(filterMin).Int(filterMax).Hex(remove); },
        [&]() -> BOOL {
            if (msg == nullptr || !Unfiltered(window, filterMin, filterMax))
                return FALSE;
            Pump();
            return State().queue.Take((remove & PM_REMOVE) != 0, msg);
        },
        [&](LogLine &line, BOOL got) {
            if (got)
                line.Message(*msg);
        });
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    return Logged(
        "GetMessageA", [&](LogLine &line) { line.Handle(window).Int(filterMin).Int(filterMax); },
        [&] { return GetMessageNow(msg, window, filterMin, filterMax); },
        [&](LogLine &line, BOOL got) {
            if (got != -1)
                line.Message(*msg);
        });
}

int WINAPI TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg)
{
    return Logged(
        "TranslateAcceleratorA",
        [&](LogLine &line) { MessageOrNull(line.Handle(window).Handle(table), msg); },
        [&] { return TranslateAcceleratorNow(window, table, msg); });
}

BOOL WINAPI TranslateMessage(const MSG *msg)
{
    // Key messages are translated into no characters: the keyboard here has no
    // layout, and what runs on it reads virtual keys.
    return Logged(
        "TranslateMessage", [&](LogLine &line) { MessageOrNull(line, msg); },
        [&]() -> BOOL {
            return msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP);
        });
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    return Logged(
        "DispatchMessageA", [&](LogLine &line) { MessageOrNull(line, msg); },
        [&]() -> LRESULT {
            Window *window = msg != nullptr ? FindWindowSlot(msg->hwnd) : nullptr;
            return window != nullptr && window->proc != nullptr
                       ? window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam)
                       : 0;
        });
}

void WINAPI PostQuitMessage(int exitCode)
{
    LogLine line("PostQuitMessage");
    line.Int(exitCode);
    State().queue.quitPending = true;
    State().queue.quitCode = exitCode;
}
