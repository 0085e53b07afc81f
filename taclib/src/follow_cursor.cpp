#include "follow_cursor.h"

#include <mmsystem.h>

#include "call_log.h"
#include "dinput_common.h"

namespace taclib {

namespace {

// How long the cursor is left unread while a spring plays: a move reaches
// the device within this and the time to tell it, inside the 10 ms a hand
// does not notice, and a pull is followed more than 100 times a second,
// where 60 feel smooth.
constexpr DWORD kPollMs = 8;

// Windows' timer ticks every 15.6 ms unless asked for a finer tick, which
// winmm.dll gives. It is loaded by the backend that needs it, on the
// program's thread: under Wine, loading it with the program (an import)
// changes how a minimised window comes back, and loading it on the polling
// thread stalls the program.
class FineTimer {
public:
    explicit FineTimer(HMODULE winmm)
    {
        if (winmm != nullptr) {
            begin_ = LibraryFunction<PeriodCall>(winmm, "timeBeginPeriod");
            end_ = LibraryFunction<PeriodCall>(winmm, "timeEndPeriod");
        }
    }
    ~FineTimer() { End(); }

    void Begin()
    {
        if (!fine_)
            fine_ = begin_ != nullptr && end_ != nullptr && begin_(1) == TIMERR_NOERROR;
    }

    void End()
    {
        if (fine_)
            (void)end_(1);
        fine_ = false;
    }

private:
    using PeriodCall = MMRESULT(WINAPI *)(UINT);
    PeriodCall begin_ = nullptr;
    PeriodCall end_ = nullptr;
    bool fine_ = false;
};

// winmm.dll, loaded once, on the program's thread, and kept for the process:
// it runs a thread of its own for the finer tick, and unloading it under
// that thread faults.
HMODULE Winmm()
{
    static const HMODULE loaded = LoadWindowsLibrary("winmm.dll", false);
    return loaded;
}

PointerSource CursorSource()
{
    PointerSource source;
    source.pointer = [](std::int64_t *x, std::int64_t *y) {
        POINT p;
        if (GetCursorPos(&p) == FALSE)
            return false;
        *x = p.x;
        *y = p.y;
        return true;
    };
    source.screen = WindowsScreen;
    return source;
}

} // namespace

CursorFollowingBackend::CursorFollowingBackend(WindowsForceOutput *output)
    : FollowingBackend(std::unique_ptr<ForceOutput>(output), CursorSource()), output_(output),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)), winmm_(Winmm())
{
}

CursorFollowingBackend::~CursorFollowingBackend()
{
    // Called on the program's thread, never under the backend's lock, which
    // the polling thread may be waiting for.
    quit_ = true;
    if (wake_ != nullptr)
        (void)SetEvent(wake_);
    HANDLE thread;
    {
        std::lock_guard<std::mutex> hold(threadLock_);
        thread = thread_;
    }
    if (thread != nullptr) {
        (void)WaitForSingleObject(thread, INFINITE);
        (void)CloseHandle(thread);
    }
    if (wake_ != nullptr)
        (void)CloseHandle(wake_);
}

void CursorFollowingBackend::FollowingChanged(bool)
{
    // Two changes may be reported out of turn (the polling thread ends a
    // spring whose time ran out while the program starts one): each report
    // takes the state as it is now, in turn. This may run on the polling
    // thread itself, so it only sets a flag and wakes the thread, never
    // waits for it.
    std::lock_guard<std::mutex> hold(threadLock_);
    following_ = Following();
    if (!following_ || wake_ == nullptr)
        return;
    if (thread_ == nullptr) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        if (thread_ == nullptr)
            LogNote("cannot follow the cursor: CreateThread failed");
    }
    (void)SetEvent(wake_);
}

DWORD WINAPI CursorFollowingBackend::Run(void *self)
{
    static_cast<CursorFollowingBackend *>(self)->Poll();
    return 0;
}

void CursorFollowingBackend::Poll()
{
    // The finer tick only while a spring plays.
    FineTimer timer(winmm_);
    POINT last{};
    bool haveLast = false;
    while (!quit_) {
        if (!following_) {
            timer.End();
            haveLast = false;
            (void)WaitForSingleObject(wake_, INFINITE);
            continue;
        }
        timer.Begin();
        POINT p;
        if (GetCursorPos(&p) != FALSE && (!haveLast || p.x != last.x || p.y != last.y)) {
            last = p;
            haveLast = true;
            PointerMoved(p.x, p.y);
        } else {
            Tick();
        }
        // Not a wait on the event: the end of following is noticed within a
        // period, which is soon enough, and a sleep costs least.
        Sleep(kPollMs);
    }
}

} // namespace taclib
