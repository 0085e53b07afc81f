// The process entry.
#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    if (ActivateRunningInstance() == 0)
        return 0;
    if (CreateMainWindow(instance, App.DisplayWidth, App.DisplayHeight, show) == 0)
        return 0;
    (void)SetUpScene();
    MainLoop();
    Shutdown();
    return 0;
}
