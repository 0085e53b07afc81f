#include "follow_cursor.h"

#include <mmsystem.h>

#include "call_log.h"
#include "dinput_common.h"
#include "process_screen.h"

namespace taclib {

namespace {

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

} // namespace

CursorFollowingBackend::CursorFollowingBackend(std::unique_ptr<ForceOutput> output)
    : FollowingBackend(std::move(output), ProcessPointer()),
      wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)), winmm_(Winmm())
{
    if (wake_ != nullptr)
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (thread_ == nullptr)
        LogNote("cannot follow the cursor: no thread to follow it on");
}

CursorFollowingBackend::~CursorFollowingBackend()
{
    EndFollower();
    if (thread_ != nullptr) {
        (void)WaitForSingleObject(thread_, INFINITE);
        (void)CloseHandle(thread_);
    }
    if (wake_ != nullptr)
        (void)CloseHandle(wake_);
}

void CursorFollowingBackend::WakeFollower()
{
    if (wake_ != nullptr)
        (void)SetEvent(wake_);
}

DWORD WINAPI CursorFollowingBackend::Run(void *self)
{
    static_cast<CursorFollowingBackend *>(self)->Follow();
    return 0;
}

void CursorFollowingBackend::Follow()
{
    // The finer tick only while a spring plays.
    FineTimer timer(winmm_);
    while (!FollowerEnding()) {
        const std::chrono::milliseconds wait = FollowerTurn();
        if (wait < std::chrono::milliseconds::zero()) {
            timer.End();
            (void)WaitForSingleObject(wake_, INFINITE);
        } else {
            timer.Begin();
            (void)WaitForSingleObject(wake_, static_cast<DWORD>(wait.count()));
        }
    }
}

} // namespace taclib
