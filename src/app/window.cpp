#include "app/window.h"

#include <cstdint>

#include "app/app_state.h"
#include "display/display.h"
#include "haptics/spring.h"
#include "res/resource.h"
#include "scene/launcher.h"

namespace {

ATOM RegisterWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: a quick second click is a second press.
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZORBEL));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = App.WindowClassName;
    return RegisterClassExA(&windowClass);
}

// Takes the client area anew and moves the rest centre, and the spring's
// centre, to its middle. A minimised window's middle lies far off the screen
// (-32000, -32000): the spring keeps its centre until the window is restored.
void RefreshGeometry(HWND window)
{
    (void)GetClientRect(window, &App.ClientRect);
    const RECT &client = App.ClientRect;
    App.ClientTopLeft = POINT{client.left, client.top};
    App.ClientBottomRight = POINT{client.right, client.bottom};
    (void)ClientToScreen(window, &App.ClientTopLeft);
    (void)ClientToScreen(window, &App.ClientBottomRight);

    const POINT centre{
        static_cast<LONG>((static_cast<std::int64_t>(client.left) + client.right) / 2),
        static_cast<LONG>((static_cast<std::int64_t>(client.top) + client.bottom) / 2)};
    if (App.TheLauncher != nullptr)
        App.TheLauncher->Recentre(centre.x, centre.y);
    if (App.Spring != nullptr && IsIconic(window) == FALSE) {
        POINT screenCentre = centre;
        (void)ClientToScreen(window, &screenCentre);
        MoveSpringCentre(screenCentre);
    }
}

// A press on the band grabs it. The cursor is read now; the position in the
// message is not used. A press that the fatal message box's own loop
// dispatches during set-up comes before the launcher exists and is ignored.
void TryGrab(HWND window)
{
    Launcher *const launcher = App.TheLauncher;
    if (launcher == nullptr)
        return;
    POINT cursor{0, 0};
    (void)GetCursorPos(&cursor);
    (void)ScreenToClient(window, &cursor);
    if (launcher->HitTest(cursor) == 0)
        return;
    StartSpring();
    App.ForceLetGo = 0;
    App.DragFlag = 1;
    launcher->Grab();
}

// Another program came to the front, or the window was minimised: the
// release may never reach this window, so the force must not wait for it.
// The drag itself ends with the release, as ever.
void LetGoOfForce()
{
    if (App.DragFlag != 0) {
        StopSpring();
        App.ForceLetGo = 1;
    }
}

// The window is in front and shown again, and no release came meanwhile:
// the hand still holds the band, and feels it again.
void TakeUpForce(HWND window)
{
    if (App.ForceLetGo == 0 || App.DragFlag == 0 || App.Inactive != 0 || IsIconic(window) != FALSE)
        return;
    StartSpring();
    App.ForceLetGo = 0;
}

void ReleaseBand()
{
    StopSpring();
    App.ForceLetGo = 0;
    App.DragFlag = 0;
}

} // namespace

HWND CreateProgramWindow(HINSTANCE instance, int width, int height)
{
    if (RegisterWindowClass(instance) == 0)
        return nullptr;
    return CreateWindowExA(WS_EX_TOPMOST, App.WindowClassName, kAppTitle, WS_POPUP, 0, 0, width,
                           height, nullptr, nullptr, instance, nullptr);
}

int CreateMainWindow(HINSTANCE instance, int width, int height, int show)
{
    const HWND window = CreateProgramWindow(instance, width, height);
    App.MainWindow = window;
    if (window == nullptr)
        return 0;
    App.Accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    App.Instance = instance;
    if (OpenDisplay(window) == 0)
        return 0;
    (void)ShowWindow(window, show);
    (void)UpdateWindow(window);
    return 1;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOVE:
    case WM_SIZE:
        RefreshGeometry(window);
        if (message == WM_SIZE && wParam == SIZE_MINIMIZED)
            LetGoOfForce();
        else if (message == WM_SIZE)
            TakeUpForce(window);
        break;
    case WM_ACTIVATEAPP:
        App.Inactive = wParam == FALSE ? 1 : 0;
        if (wParam == FALSE)
            LetGoOfForce();
        else
            TakeUpForce(window);
        break;
    case WM_LBUTTONDOWN:
        TryGrab(window);
        break;
    case WM_LBUTTONUP:
        ReleaseBand();
        break;
    case WM_DESTROY:
        (void)ReleaseSurfaces(window);
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        // Quit through the main loop and the orderly shutdown; the window
        // itself is not destroyed.
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
