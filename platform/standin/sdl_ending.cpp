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
// it never got, and crashes). There the handler jumps back out of the
// drawing call, to DrawOnScreen below: what lies between is C (SDL's
// renderer, the GL driver, Xlib), with nothing waiting for a destructor,
// and none of it is called again, as the host draws no more. The display
// lock Xlib held and whatever the driver held stay taken; nothing takes
// them again, and the process entry ends the process with _exit, so that no
// library's clean-up at exit can wait for them either. The host looks for the
// loss before it draws each frame, so that a loss is met while drawing only
// when the server goes away in the middle of a frame.
//
// Where none of this can be arranged (a libX11 without exit handlers, a
// display other than the windows' one, a loss before the first window) the
// handler says why and ends the process at once with _exit(1), as Xlib would
// have done, without its words.
#include "platform/standin/sdl_ending.h"

#include <SDL_syswm.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <csetjmp>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

using SetExitHandler = void (*)(Display *, XIOErrorExitHandler, void *);
using DisplayName = char *(*)(Display *);

SetExitHandler g_setExitHandler = nullptr;
DisplayName g_displayName = nullptr;
Display *g_survivor = nullptr; // the display whose loss the program outlives
bool g_drawing = false;
sigjmp_buf g_drawingLost;
char g_loss[256] = "";

void HangUp(int)
{
    const int saved = errno;
    (void)raise(SIGTERM);
    errno = saved;
}

int NoteLoss(Display *display)
{
    if (g_loss[0] == '\0') {
        const char *name = g_displayName != nullptr ? g_displayName(display) : nullptr;
        (void)std::snprintf(g_loss, sizeof g_loss,
                            "lost the display \"%s\": the connection to the X server broke",
                            name != nullptr ? name : "");
    }
    if (display == g_survivor && g_drawing) {
        g_drawing = false;
        siglongjmp(g_drawingLost, 1);
    }
    if (display != g_survivor) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, g_loss);
        _exit(1);
    }
    return 0;
}

void GoOn(Display *, void *) {}

} // namespace

void WatchSessionEnd()
{
    struct sigaction hangUp {};
    if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler == SIG_DFL) {
        hangUp.sa_handler = HangUp;
        (void)sigemptyset(&hangUp.sa_mask);
        hangUp.sa_flags = SA_RESTART;
        (void)sigaction(SIGHUP, &hangUp, nullptr);
    }
    // Only where SDL's X11 driver has loaded Xlib already.
    void *xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr)
        return;
    auto setHandler =
        reinterpret_cast<XIOErrorHandler (*)(XIOErrorHandler)>(dlsym(xlib, "XSetIOErrorHandler"));
    g_setExitHandler = reinterpret_cast<SetExitHandler>(dlsym(xlib, "XSetIOErrorExitHandler"));
    g_displayName = reinterpret_cast<DisplayName>(dlsym(xlib, "XDisplayString"));
    if (setHandler != nullptr)
        (void)setHandler(NoteLoss);
}

void SurviveDisplayLoss(SDL_Window *window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (g_setExitHandler == nullptr || g_survivor != nullptr ||
        !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    g_survivor = info.info.x11.display;
    g_setExitHandler(g_survivor, GoOn, nullptr);
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
