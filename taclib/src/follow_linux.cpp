// Following the pointer for a Linux device told a force. The pointer and the
// screen are the ones the program reads from the system (GetCursorPos and
// GetSystemMetrics, which the stand-in layer provides in the program's
// process); a process without them follows SDL's own mouse.
#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "linux_devices.h"
#include "platform/win32.h"

// Provided by the program's system layer when the library runs inside the
// program; absent (null) elsewhere.
BOOL WINAPI GetCursorPos(LPPOINT point) __attribute__((weak));
int WINAPI GetSystemMetrics(int index) __attribute__((weak));

namespace taclib {

ScreenSize FindScreen()
{
    ScreenSize size;
    if (ScreenOverride(&size))
        return size;
    if (GetSystemMetrics != nullptr) {
        size.width = GetSystemMetrics(SM_CXSCREEN);
        size.height = GetSystemMetrics(SM_CYSCREEN);
        if (size.width > 0 && size.height > 0)
            return size;
    }
    SDL_Rect bounds;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 &&
        bounds.h > 0)
        return {bounds.w, bounds.h};
    return kDefaultScreen;
}

namespace {

// The pointer in the program's screen coordinates; only on the thread that
// runs the program's messages.
bool ReadPointer(std::int64_t *x, std::int64_t *y)
{
    if (GetCursorPos != nullptr) {
        POINT p{0, 0};
        if (!GetCursorPos(&p))
            return false;
        *x = p.x;
        *y = p.y;
        return true;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    int wx = 0, wy = 0;
    (void)SDL_GetGlobalMouseState(&wx, &wy);
    *x = wx;
    *y = wy;
    return true;
}

// Follows the pointer while a spring plays: every pointer motion the
// program's thread receives moves the force at once, and a ticker renews the
// force and ends springs whose time has run out. Idle while nothing plays.
class LinuxFollowing : public FollowingBackend {
public:
    explicit LinuxFollowing(std::unique_ptr<LinuxForceOutput> output)
        : LinuxFollowing(output.get(), std::move(output))
    {
    }

    ~LinuxFollowing() override
    {
        SDL_DelEventWatch(Watch, this);
        {
            std::lock_guard<std::mutex> hold(tickerMutex_);
            ending_ = true;
        }
        wake_.notify_all();
        ticker_.join();
    }

    bool Lost() override { return output_->Lost(); }

protected:
    void FollowingChanged(bool following) override
    {
        followingNow_ = following;
        {
            std::lock_guard<std::mutex> hold(tickerMutex_);
            following_ = following;
        }
        wake_.notify_all();
    }

private:
    LinuxFollowing(const LinuxForceOutput *watched, std::unique_ptr<LinuxForceOutput> &&output)
        : FollowingBackend(std::move(output), Source()), output_(watched),
          thread_(SDL_ThreadID())
    {
        SDL_AddEventWatch(Watch, this);
        ticker_ = std::thread([this] { Ticker(); });
    }

    static PointerSource Source()
    {
        PointerSource source;
        source.pointer = ReadPointer;
        source.screen = FindScreen;
        return source;
    }

    // Runs on whichever thread pushes an event; only the program's own
    // thread may read the pointer.
    static int SDLCALL Watch(void *self, SDL_Event *event)
    {
        auto *me = static_cast<LinuxFollowing *>(self);
        if (event->type != SDL_MOUSEMOTION || SDL_ThreadID() != me->thread_ ||
            !me->followingNow_.load())
            return 0;
        std::int64_t x = 0, y = 0;
        if (ReadPointer(&x, &y))
            me->PointerMoved(x, y);
        return 0;
    }

    void Ticker()
    {
        std::unique_lock<std::mutex> lock(tickerMutex_);
        while (!ending_) {
            if (!following_) {
                wake_.wait(lock);
                continue;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
            if (ending_ || !following_)
                continue;
            lock.unlock();
            Tick();
            lock.lock();
        }
    }

    const LinuxForceOutput *output_; // owned by FollowingBackend
    SDL_threadID thread_;
    std::mutex tickerMutex_;
    std::condition_variable wake_;
    bool following_ = false;
    bool ending_ = false;
    std::atomic<bool> followingNow_{false};
    std::thread ticker_;
};

} // namespace

std::unique_ptr<Backend> FollowOutput(std::unique_ptr<LinuxForceOutput> output)
{
    return std::make_unique<LinuxFollowing>(std::move(output));
}

} // namespace taclib
