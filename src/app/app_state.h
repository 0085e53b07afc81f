// The process-wide state: handles, interfaces, client geometry, clock values
// and the drag flag. One thread touches it, so there is no locking.
#pragma once

#include "platform/win32.h"

class Launcher;
class CTacMouse;
class CTacProject;
class CTacSpring;

struct AppState {
    // Display mode; the window is created with this size and keeps it.
    int DisplayWidth = 1024;
    int DisplayHeight = 768;
    const char *WindowClassName = "Zorbel Window";

    // Simulation clock, in tenths of a millisecond.
    DWORD StepInterval = 0;
    DWORD ClockStart = 0;
    DWORD NextStepTime = 0;

    // Client geometry: the corners in screen coordinates (the bottom-right one
    // just outside the client area), the rectangle in client coordinates.
    POINT ClientTopLeft{0, 0};
    POINT ClientBottomRight{0, 0};
    RECT ClientRect{0, 0, 0, 0};

    HACCEL Accelerators = nullptr;
    HINSTANCE Instance = nullptr;
    HWND MainWindow = nullptr;

    CTacMouse *TacDevice = nullptr;
    CTacProject *TacProject = nullptr;
    CTacSpring *Spring = nullptr;

    IDirectDraw4 *DirectDraw = nullptr;
    IDirectDrawSurface4 *Primary = nullptr;
    IDirectDrawSurface4 *BackBuffer = nullptr;

    int DragFlag = 0;
    // The spring was stopped mid-drag because the window went to the back or
    // was minimised; it plays again when the window is back in front with the
    // band still held.
    int ForceLetGo = 0;
    // Another program is in front (the last WM_ACTIVATEAPP said so).
    int Inactive = 0;
    Launcher *TheLauncher = nullptr;

    HPEN OutlinePen = nullptr;
    HBRUSH BallBrush = nullptr;
};

extern AppState App;
