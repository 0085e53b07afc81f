// Xlib ends the process itself when its connection breaks: its I/O error
// handler may not return, and after it the display's exit handler calls
// exit(1) from whatever call met the loss. Neither place may run the
// program's own shutdown (the call that met the loss is still under way, and
// the windows and renderers on that display cannot be touched any more), and
// jumping out of Xlib would leave SDL and Xlib halfway through a call.
//
// Since libX11 1.7 a display's exit handler may return instead: the display
// is then marked dead, every further call on it returns at once, and the
// call that met the loss unwinds normally. So the I/O error handler only
// notes the loss, the exit handler returns, and the SDL host, seeing the
// note, stops calling SDL's video and asks the program's windows to close:
// the program then shuts down in order (the spring stopped, the device and
// the effect project released) and the process entry ends it with the
// reason and status 1.
//
// A loss met while drawing is different: a GL driver cannot finish a frame
// on a display that is gone (Mesa's software one goes on with a window size
// it never got, and crashes). So is one met while SDL waits for the window
// manager to map a window: Xlib's wait for the map goes on for ever on a
// dead connection, a core busy. There the handler jumps back out of the
// drawing or waiting call, to DrawOnScreen below: what lies between is C (SDL's
// renderer, the GL driver, Xlib), with nothing waiting for a destructor,
// and none of it is called again, as the host draws no more. The display
// lock Xlib held and whatever the driver held stay taken; nothing takes
// them again, and the process entry ends the process with _exit, so that no
// library's clean-up at exit can wait for them either. The host looks for the
// loss before it draws each frame, so that a loss is met while drawing only
// when the server goes away in the middle of a frame.
//
// An X error on the windows' display (another client destroyed the window,
// say) ends the session the same way, where Xlib's default handler would
// print it and exit; and a display that stops answering is cut from the
// side (CutDisplay, see ending_signals.h), which Xlib then meets as a loss.
//
// Where none of this can be arranged (a libX11 without exit handlers, a
// display other than the windows' one, a loss before the first window) the
// handler says why and ends the process at once with _exit(1), as Xlib would
// have done, without its words.
#include "platform/standin/sdl_ending.h"

#include "platform/standin/sdl_x11.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <csetjmp>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

const Xlib *g_xlib = nullptr;        // once SDL's X11 driver loaded it
Display *g_windowsDisplay = nullptr; // the windows' display, whose loss the program outlives
std::atomic<int> g_connection{-1};   // its socket, read by the watch of ending_signals.h
std::atomic<bool> g_cut{false};      // by CutDisplay
bool g_drawing = false;
pid_t g_watcher = 0; // the process that set the handlers up
sigjmp_buf g_drawingLost;
char g_loss[256] = "";

const char *DisplayName(Display *display)
{
    return g_xlib != nullptr && g_xlib->displayString != nullptr ? g_xlib->displayString(display)
                                                                 : nullptr;
}

int NoteLoss(Display *display)
{
    if (g_loss[0] == '\0') {
        const char *name = DisplayName(display);
        (void)std::snprintf(g_loss, sizeof g_loss,
                            g_cut ? "left the display \"%s\": it stopped answering"
                                  : "lost the display \"%s\": the connection to the X server broke",
                            name != nullptr ? name : "");
    }
    if (display == g_windowsDisplay && g_drawing) {
        g_drawing = false;
        siglongjmp(g_drawingLost, 1);
    }
    if (display != g_windowsDisplay) {
        // A child SDL forked (to show a message box) leaves the saying to
        // the program, which meets the same loss.
        if (getpid() == g_watcher)
            std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, g_loss);
        _exit(1);
    }
    return 0;
}

// The display's exit handler: returning, instead of ending the process,
// leaves the display dead and lets the call that met the loss unwind.
void ReturnToTheCall(Display *, void *) {}

// An error on the windows' display means a window or a drawable of the
// program is gone (another client destroyed it) or the server refused what
// the program's drawing needs: Xlib's default handler would print it and end
// the process from inside the call. The session ends as on the display's
// loss instead. Errors on other displays (a message box's) are of no
// consequence to the program.
int NoteError(Display *display, XErrorEvent *error)
{
    if (display != g_windowsDisplay || g_loss[0] != '\0')
        return 0;
    const char *name = DisplayName(display);
    const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
    (void)std::snprintf(g_loss, sizeof g_loss,
                        gone ? "lost the window on the display \"%s\": another program destroyed it"
                             : "lost the display \"%s\": the X server refused a request (error "
                               "%d, request %d)",
                        name != nullptr ? name : "", error->error_code, error->request_code);
    if (g_drawing) {
        g_drawing = false;
        siglongjmp(g_drawingLost, 1);
    }
    return 0;
}

} // namespace

void WatchSessionEnd()
{
    g_watcher = getpid();
    // Only where SDL's X11 driver has loaded Xlib already.
    g_xlib = LoadedXlib();
    if (g_xlib == nullptr)
        return;
    if (g_xlib->setIOErrorHandler != nullptr)
        (void)g_xlib->setIOErrorHandler(NoteLoss);
    if (g_xlib->setErrorHandler != nullptr)
        (void)g_xlib->setErrorHandler(NoteError);
}

void SurviveDisplayLoss(SDL_Window *window)
{
    Display *display = nullptr;
    ::Window native = 0;
    if (g_xlib == nullptr || g_xlib->setIOErrorExitHandler == nullptr ||
        g_windowsDisplay != nullptr || !X11Of(window, &display, &native))
        return;
    g_windowsDisplay = display;
    g_connection = g_xlib->connectionNumber != nullptr ? g_xlib->connectionNumber(display) : -1;
    g_xlib->setIOErrorExitHandler(display, ReturnToTheCall, nullptr);
}

bool CutDisplay()
{
    if (g_connection < 0)
        return false;
    g_cut = true;
    // Xlib, waiting in poll for the server, reads the end of the connection
    // and meets the loss (NoteLoss) in the thread that waits.
    return shutdown(g_connection, SHUT_RDWR) == 0;
}

int CallDisplay()
{
    const int connection = g_connection;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (connection < 0 ||
        getpeername(connection, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return -1;
    const int probe = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return -1;
    // Neither the connection nor the greeting may hold the watch up long:
    // a server's backlog can be full.
    const timeval most{0, 200000};
    (void)setsockopt(probe, SOL_SOCKET, SO_SNDTIMEO, &most, sizeof most);
    // The opening of a connection with no authorisation, least significant
    // byte first, protocol 11.0: any server answers it, if only to refuse.
    static const unsigned char kGreeting[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (connect(probe, reinterpret_cast<const sockaddr *>(&address), length) != 0 ||
        send(probe, kGreeting, sizeof kGreeting, MSG_NOSIGNAL) != sizeof kGreeting) {
        (void)close(probe);
        return -1;
    }
    return probe;
}

const char *DisplayLoss() { return g_loss[0] != '\0' ? g_loss : nullptr; }

bool DrawOnScreen(void (*draw)(void *), void *context)
{
    if (sigsetjmp(g_drawingLost, 0) != 0)
        return false;
    g_drawing = true;
    draw(context);
    g_drawing = false;
    return true;
}

} // namespace zorbel::standin
