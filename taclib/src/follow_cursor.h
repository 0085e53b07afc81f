// Springs on a Windows device that is told a force (a force-feedback game
// controller, an XInput pad): the follower of follow.h on a thread of the
// library's, which reads the cursor with GetCursorPos (safe on any thread)
// while a spring plays and sleeps otherwise.
#pragma once
#include <windows.h>

#include <memory>

#include "follow.h"

namespace taclib {

class CursorFollowingBackend : public FollowingBackend {
public:
    explicit CursorFollowingBackend(std::unique_ptr<ForceOutput> output);
    ~CursorFollowingBackend() override;

protected:
    void WakeFollower() override;

private:
    static DWORD WINAPI Run(void *self);
    void Follow();

    HANDLE wake_;   // set to wake the follower
    HMODULE winmm_; // for a finer timer tick while following
    HANDLE thread_ = nullptr;
};

} // namespace taclib
