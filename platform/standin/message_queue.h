// The calling thread's message queue: posted messages in order, the quit
// flag, and the messages that the window manager sends to window procedures
// the next time the thread pumps. Capacities are fixed, so that pumping
// allocates nothing.
#pragma once

#include "platform/standin/winuser.h"

namespace zorbel::standin {

// First in, first out, at most N items: a push beyond that is refused.
template <class T, int N> class Ring {
public:
    static constexpr int kCapacity = N;

    bool Push(const T &item)
    {
        if (count_ == N)
            return false;
        items_[(head_ + count_++) % N] = item;
        return true;
    }
    // The oldest item, taken out when `remove`; false when there is none.
    bool Take(bool remove, T *out)
    {
        if (count_ == 0)
            return false;
        *out = items_[head_];
        if (remove) {
            head_ = (head_ + 1) % N;
            --count_;
        }
        return true;
    }

private:
    T items_[N] = {};
    int head_ = 0;
    int count_ = 0;
};

struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct MessageQueue {
    // A post to a full queue is dropped, as Win32 drops posts beyond its limit.
    Ring<MSG, 1024> posted;
    Ring<SentMessage, 64> sent;
    bool quitPending = false;
    int quitCode = 0;

    // The first posted message, else WM_QUIT if a quit is pending. The quit
    // message is a flag, not an entry: it comes once everything posted before
    // or after it has been taken, and only once however often it was asked
    // for. Removing it clears the flag.
    bool Take(bool remove, MSG *out)
    {
        if (posted.Take(remove, out))
            return true;
        if (!quitPending)
            return false;
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(quitCode);
        if (remove)
            quitPending = false;
        return true;
    }
};

} // namespace zorbel::standin
