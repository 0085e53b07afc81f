#include "platform/standin/message_queue.h"

namespace zorbel::standin {

bool MessageQueue::Post(const MSG &msg)
{
    if (count_ == kCapacity)
        return false;
    ring_[(head_ + count_) % kCapacity] = msg;
    ++count_;
    return true;
}

void MessageQueue::RemoveAt(int position)
{
    for (int i = position; i + 1 < count_; ++i)
        ring_[(head_ + i) % kCapacity] = ring_[(head_ + i + 1) % kCapacity];
    --count_;
}

bool MessageQueue::Take(HWND window, bool remove, MSG *out)
{
    for (int i = 0; i < count_; ++i) {
        const MSG &msg = ring_[(head_ + i) % kCapacity];
        if (window != nullptr && msg.hwnd != window)
            continue;
        *out = msg;
        if (remove) {
            if (i == 0) {
                head_ = (head_ + 1) % kCapacity;
                --count_;
            } else {
                RemoveAt(i);
            }
        }
        return true;
    }
    // The quit message is a flag, not an entry: it comes once everything
    // posted before or after it has been taken, and only once however often
    // it was asked for. It belongs to no window, so no window filter hides it.
    if (!quitPending_)
        return false;
    *out = MSG{};
    out->message = WM_QUIT;
    out->wParam = static_cast<WPARAM>(quitCode_);
    if (remove)
        quitPending_ = false;
    return true;
}

void MessageQueue::RemoveWindow(HWND window)
{
    for (int i = count_ - 1; i >= 0; --i)
        if (ring_[(head_ + i) % kCapacity].hwnd == window)
            RemoveAt(i);
}

void MessageQueue::PostQuit(int exitCode)
{
    quitPending_ = true;
    quitCode_ = exitCode;
}

bool MessageQueue::Defer(const SentMessage &sent)
{
    if (sentCount_ == kSentCapacity)
        return false;
    sent_[(sentHead_ + sentCount_) % kSentCapacity] = sent;
    ++sentCount_;
    return true;
}

bool MessageQueue::NextDeferred(SentMessage *out)
{
    if (sentCount_ == 0)
        return false;
    *out = sent_[sentHead_];
    sentHead_ = (sentHead_ + 1) % kSentCapacity;
    --sentCount_;
    return true;
}

} // namespace zorbel::standin
