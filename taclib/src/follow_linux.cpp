// Springs on a Linux device that is told a force (a constant-force
// controller, a rumble pad): the follower of follow.h on a thread of the
// library's. The pointer and the screen come from the process, as on
// Windows (process_screen.h).
#include <condition_variable>
#include <thread>

#include "linux_devices.h"
#include "process_screen.h"

namespace taclib {

namespace {

class ThreadFollowing : public FollowingBackend {
public:
    explicit ThreadFollowing(std::unique_ptr<ForceOutput> output)
        : FollowingBackend(std::move(output), ProcessPointer())
    {
        thread_ = std::thread([this] { Follow(); });
    }

    ~ThreadFollowing() override
    {
        EndFollower();
        thread_.join();
    }

protected:
    void WakeFollower() override
    {
        {
            std::lock_guard<std::mutex> hold(wakeMutex_);
            woken_ = true;
        }
        wake_.notify_one();
    }

private:
    void Follow()
    {
        while (!FollowerEnding()) {
            const std::chrono::milliseconds wait = FollowerTurn();
            std::unique_lock<std::mutex> lock(wakeMutex_);
            if (wait < std::chrono::milliseconds::zero())
                wake_.wait(lock, [this] { return woken_; });
            else
                (void)wake_.wait_for(lock, wait, [this] { return woken_; });
            woken_ = false;
        }
    }

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    std::thread thread_;
};

} // namespace

std::unique_ptr<Backend> FollowOutput(std::unique_ptr<ForceOutput> output)
{
    return std::make_unique<ThreadFollowing>(std::move(output));
}

} // namespace taclib
