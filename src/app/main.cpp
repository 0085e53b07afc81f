// The process entry.
#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/window.h"

namespace {

// The exit status when the window or the display could not be set up (the
// user has been told by then where there was something to tell): a failure
// must not look like a normal end to whoever started the program.
constexpr int kStartUpFailed = 1;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    if (ActivateRunningInstance() == 0)
        return 0;
    if (CreateMainWindow(instance, App.DisplayWidth, App.DisplayHeight, show) == 0)
        return kStartUpFailed;
    (void)SetUpScene();
    MainLoop();
    Shutdown();
    return 0;
}
