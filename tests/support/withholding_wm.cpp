// A window manager that never maps a window: it takes the root window's
// redirection, as any window manager does, and then leaves every request to
// map a window unanswered. A program showing a window meanwhile waits for a
// map that never comes, as under a window manager slow to map it.
//
//   withholding_wm      prints "ready" once it holds the redirection; runs
//                       until its display goes
#include <X11/Xlib.h>

#include <cstdio>

int main()
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "withholding_wm: no display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask);
    XSync(display, False);
    std::printf("ready\n");
    (void)std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event); // requests to map are left unanswered
    }
}
