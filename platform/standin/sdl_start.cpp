#include "platform/standin/sdl_start.h"

#include "platform/standin/display_reason.h"
#include "platform/standin/ending_signals.h"
#include "platform/standin/sdl_ending.h"
#include "platform/standin/sdl_renderer_choice.h"
#include "platform/standin/wayland_seat.h"

#include "common/text.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace zorbel::standin {

namespace {

// How long a Wayland display may take to list its globals.
constexpr int kSeatAnswerMs = 2000;

// SDL's drivers that show nothing: they count only when asked for by name.
bool ShowsNothing(const char *driver)
{
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
            std::strcmp(driver, "evdev") == 0);
}

// SDL's video asks the session bus to keep the screen saver off (and its
// input methods look for one). Where the environment names no session bus
// and none waits at its usual place, libdbus would start one: it runs
// `dbus-launch --autolaunch`, which waits on the display and leaves a
// daemon behind that outlives the program. SDL 2 has no setting against
// it, so the program does without a bus instead: "disabled:" is a
// transport libdbus does not know, and fails at once, and it is what GLib's
// D-Bus takes for no bus at all.
void KeepFromStartingSessionBus()
{
    const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0')
        return;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat bus {};
    if (runtime != nullptr && runtime[0] != '\0' &&
        stat((std::string(runtime) + "/bus").c_str(), &bus) == 0 && S_ISSOCK(bus.st_mode))
        return; // libdbus finds the user's bus there itself
    (void)setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

void SetHints()
{
    (void)SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    (void)SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    (void)SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    (void)SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // A click that brings the window forward is a click, as on Win32:
    // SDL would otherwise drop one that comes right after the focus.
    (void)SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

} // namespace

bool StartSdlVideo(std::string *problem)
{
    // Before anything can wait on the display: a signal to end must end
    // the program whatever the display does (see ending_signals.h).
    // Close requests come from the windows, and signals are read from
    // the note the watch keeps, not from SDL.
    WatchEndingSignals(CutDisplay, CallDisplay);
    KeepFromStartingSessionBus();
    SetHints();
    const char *chosen = std::getenv("SDL_VIDEODRIVER");
    const bool named = chosen != nullptr && chosen[0] != '\0';
    // Without a display named, SDL would only find one that shows nothing.
    const char *display = std::getenv("DISPLAY");
    const char *waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    const bool x11 = display != nullptr && display[0] != '\0';
    const bool wayland = waylandDisplay != nullptr && waylandDisplay[0] != '\0';
    const bool anyDisplay = x11 || wayland;
    // Only the display named is tried: no other driver's complaints.
    if (!named && x11 && !wayland)
        (void)SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // SDL tries X11 first; where it would start on Wayland, a display with
    // no seat would end the process inside SDL's start (see wayland_seat.h).
    const bool onWayland = wayland && (named ? std::strcmp(chosen, "wayland") == 0 : !x11);
    if (onWayland && AskWaylandSeat(kSeatAnswerMs) == WaylandSeat::NotOffered) {
        *problem = "the Wayland display " + Quoted(waylandDisplay) +
                   " offers no seat: no keyboard and no pointer to play with";
        return false;
    }
    if (anyDisplay || named)
        ChooseRenderer();
    // Xlib's complaints (a refused authorization, once a try) are held
    // and said once, or made part of the reason.
    ErrorCapture capture;
    capture.Start();
    bool ready = (named || anyDisplay) && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    // An X server right after a client of this process left may refuse
    // for a moment: a few more tries, briefly.
    for (int retry = 0; !ready && anyDisplay && !named && retry < 5; ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ready = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    const std::string said = capture.Stop();
    if (!ready) {
        *problem = named ? SDL_GetError() : NoDisplayReason(SDL_GetError(), said);
        if (problem->find("refused the connection") == std::string::npos)
            RepeatOnce(said);
        return false;
    }
    if (!named && ShowsNothing(SDL_GetCurrentVideoDriver())) {
        // SDL fell back to a driver without a screen: nobody could see
        // the program or end it.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        *problem = NoDisplayReason("", "");
        return false;
    }
    RepeatOnce(said);
    WatchSessionEnd();
    // Every event SDL takes in on the program's thread (from the display,
    // in its pump) is the program at work, even inside one long pump of a
    // flood of input; one pushed by another thread says nothing of it.
    static SDL_threadID programThread = 0;
    programThread = SDL_ThreadID();
    SDL_AddEventWatch(
        [](void *, SDL_Event *) {
            if (SDL_ThreadID() == programThread)
                NoteProgress();
            return 1;
        },
        nullptr);
    return true;
}

} // namespace zorbel::standin
