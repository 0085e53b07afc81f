// The handler only notes the signal and wakes a watch thread: the host reads
// the note at its next pump and asks the windows to close. The watch thread
// is there for a display that stops answering (its server stopped, or one
// that accepted the connection and never said more): Xlib then waits in
// poll for ever, inside whatever call the program made, and the note is
// never read. For a program that drives a motor that matters most: the
// force must stop and the program end in a bounded time.
#include "platform/standin/ending_signals.h"

#include "platform/standin/ending_watch.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

// Once asked to end, the program may make no progress for 1.2 s before its
// display is cut (longer than any one call a force device is given, so that
// a slow device at the end is not taken for a frozen display); after the
// cut, 0.6 s more before the signal ends the process as it would have
// uncaught. A frozen display thus ends the process within 1.8 s (and a
// look) of the signal, and one never reached within 1.2 s. A program that
// makes progress (a slow start, a long flood of input) gets at most 8 s.
//
// A program that waits on a server swamped by another client, on a loaded
// machine, makes no progress either, though nothing is frozen: so after
// 0.5 s of none the watch calls the server on a connection of its own, and
// a server that answers within the grace is serving: the wait starts again.
constexpr EndingTimes kTimes{1200, 500, 8000, 50};
constexpr long kAfterCutMs = 600;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t g_requested = 0;
std::atomic<unsigned> g_progress{0};
std::atomic<bool> g_displayClosed{false};
sem_t g_wake;
bool (*g_cut)() = nullptr;
int (*g_call)() = nullptr;
bool g_watching = false;
bool g_installed[3] = {}; // by kSignals' order
struct sigaction g_caught {};

void Note(int signal)
{
    const int saved = errno;
    if (g_requested == 0) {
        g_requested = signal;
        (void)sem_post(&g_wake);
    }
    errno = saved;
}

void Pause(long ms)
{
    timespec left{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void HangUp(int *call)
{
    if (*call >= 0)
        (void)close(*call);
    *call = -1;
}

// Waits up to `ms` for the server's answer on `call`: true once one came. A
// call the server ended unanswered is hung up (and the rest of the look
// waited out), which is no answer.
bool Answered(int *call, long ms)
{
    pollfd ready{*call, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(ms)) != 1)
        return false;
    unsigned char first = 0;
    if ((ready.revents & POLLIN) != 0 && recv(*call, &first, 1, MSG_DONTWAIT) == 1)
        return true;
    HangUp(call);
    Pause(ms);
    return false;
}

void *Watch(void *)
{
    sigset_t all;
    (void)sigfillset(&all);
    (void)pthread_sigmask(SIG_BLOCK, &all, nullptr); // the handler runs elsewhere
    while (sem_wait(&g_wake) != 0) {
    }
    EndingWatch watch(kTimes);
    unsigned seen = g_progress;
    int call = -1; // the server called on a connection of the watch's own
    for (bool on = true; on;) {
        bool answered = false;
        if (call >= 0)
            answered = Answered(&call, kTimes.lookMs);
        else
            Pause(kTimes.lookMs);
        const unsigned now = g_progress;
        switch (watch.AfterLook(now != seen, answered, g_displayClosed)) {
        case EndingWatch::Then::Wait:
            break;
        case EndingWatch::Then::CallServer:
            HangUp(&call);
            call = g_call != nullptr ? g_call() : -1;
            break;
        case EndingWatch::Then::HangUp:
            HangUp(&call);
            break;
        case EndingWatch::Then::GiveUp:
            on = false;
            break;
        }
        seen = now;
    }
    HangUp(&call);
    if (!g_displayClosed && g_cut())
        Pause(kAfterCutMs);
    // Still here: the signal ends the process as it would have uncaught.
    const int signal = g_requested;
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    (void)sigaction(signal, &plain, nullptr);
    (void)pthread_sigmask(SIG_UNBLOCK, &all, nullptr);
    (void)raise(signal);
    return nullptr;
}

} // namespace

void WatchEndingSignals(bool (*cutDisplay)(), int (*callDisplay)())
{
    if (g_watching)
        return;
    g_watching = true;
    g_cut = cutDisplay;
    g_call = callDisplay;
    if (sem_init(&g_wake, 0, 0) != 0)
        return;
    pthread_t thread;
    pthread_attr_t attributes;
    (void)pthread_attr_init(&attributes);
    (void)pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    (void)pthread_attr_setstacksize(&attributes, 64 * 1024);
    const bool watched = pthread_create(&thread, &attributes, Watch, nullptr) == 0;
    (void)pthread_attr_destroy(&attributes);
    g_caught.sa_handler = Note;
    (void)sigemptyset(&g_caught.sa_mask);
    g_caught.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        struct sigaction was {};
        g_installed[i] = watched && sigaction(kSignals[i], nullptr, &was) == 0 &&
                         was.sa_handler == SIG_DFL &&
                         sigaction(kSignals[i], &g_caught, nullptr) == 0;
    }
}

int EndRequested() { return g_requested; }

void NoteProgress() { ++g_progress; }

void DisplayClosed() { g_displayClosed = true; }

void EndAtOnce(bool atOnce)
{
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    for (int i = 0; i < 3; ++i)
        if (g_installed[i])
            (void)sigaction(kSignals[i], atOnce ? &plain : &g_caught, nullptr);
}

} // namespace zorbel::standin
