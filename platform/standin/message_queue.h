// The calling thread's message queue: a fixed-capacity ring of posted
// messages, the quit flag, and the messages that the window manager sends
// to window procedures the next time the thread pumps.
#pragma once

#include "platform/standin/winuser.h"

namespace zorbel::standin {

struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageQueue {
public:
    static constexpr int kCapacity = 1024;
    static constexpr int kSentCapacity = 64;

    // False when the queue is full: the message is dropped, as Win32 drops
    // posts beyond its queue limit.
    bool Post(const MSG &msg);

    // The first posted message of the window (of any, for null), else
    // WM_QUIT if a quit is pending. Removing WM_QUIT clears the flag.
    bool Take(HWND window, bool remove, MSG *out);

    // Drops the posted messages of a window that is being destroyed.
    void RemoveWindow(HWND window);

    void PostQuit(int exitCode);
    bool QuitPending() const { return quitPending_; }

    bool Defer(const SentMessage &sent);
    bool NextDeferred(SentMessage *out);

    int Count() const { return count_; }

private:
    void RemoveAt(int position);

    MSG ring_[kCapacity] = {};
    int head_ = 0;
    int count_ = 0;
    SentMessage sent_[kSentCapacity] = {};
    int sentHead_ = 0;
    int sentCount_ = 0;
    bool quitPending_ = false;
    int quitCode_ = 0;
};

} // namespace zorbel::standin
