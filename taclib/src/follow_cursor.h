// Springs on a Windows device that is told a force (a force-feedback game
// controller, an XInput pad): the force follows the cursor, read by a thread
// of the library that polls it while a spring plays and sleeps otherwise.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "follow.h"

namespace taclib {

// A device told a force that can find out it was unplugged.
class WindowsForceOutput : public ForceOutput {
public:
    // Whether the device has gone: nothing it is told is felt any more.
    virtual bool Gone() const = 0;
};

class CursorFollowingBackend : public FollowingBackend {
public:
    // Takes the output over.
    explicit CursorFollowingBackend(WindowsForceOutput *output);
    ~CursorFollowingBackend() override;

    bool Lost() override { return output_->Gone(); }

protected:
    void FollowingChanged(bool following) override;

private:
    static DWORD WINAPI Run(void *self);
    void Poll();

    WindowsForceOutput *output_; // owned by FollowingBackend
    std::mutex threadLock_;      // guards thread_ and the order of changes
    HANDLE thread_ = nullptr;
    HANDLE wake_;   // set when following begins, and to end the thread
    HMODULE winmm_; // for a finer timer tick while following
    std::atomic<bool> following_{false};
    std::atomic<bool> quit_{false};
};

} // namespace taclib
