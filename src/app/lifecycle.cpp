#include "app/lifecycle.h"

#include <new>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/window.h"
#include "display/display.h"
#include "haptics/spring.h"
#include "scene/drawing_tools.h"
#include "scene/launcher.h"

namespace {

void RunFrame()
{
    Launcher *const launcher = App.TheLauncher;
    if (launcher != nullptr) {
        (void)RunDueSteps(*launcher);
        launcher->Draw();
    }
    Present();
}

// Handles one message taken from the queue. Escape asks to quit; the key-down
// still goes on to the accelerator table, which turns it into a command that
// nothing handles.
void HandleMessage(MSG &msg)
{
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
        PostQuitMessage(0);
    if (TranslateAcceleratorA(App.MainWindow, App.Accelerators, &msg) == 0) {
        (void)TranslateMessage(&msg);
        (void)DispatchMessageA(&msg);
    }
}

} // namespace

int ActivateRunningInstance()
{
    const HWND running = FindWindowA(App.WindowClassName, nullptr);
    if (running == nullptr)
        return 1;
    const HWND popup = GetLastActivePopup(running);
    if (IsIconic(running))
        (void)ShowWindow(running, SW_RESTORE);
    (void)SetForegroundWindow(popup);
    return 0;
}

int SetUpScene()
{
    App.TheLauncher = new (std::nothrow) Launcher();
    CreateDrawingTools();
    StartClock();
    SetUpForceFeedback();
    return 1;
}

void MainLoop()
{
    bool done = false;
    MSG msg{};
    while (!done) {
        RunFrame();
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                // The quit message; whatever is still queued behind it is
                // handled too, but no further frame runs.
                done = true;
                continue;
            }
            if (got == -1)
                break;
            HandleMessage(msg);
        }
    }
}

void Shutdown()
{
    DeleteDrawingTools();
    CloseDisplay();
    ShutDownForceFeedback();
    delete App.TheLauncher;
    App.TheLauncher = nullptr;
}
