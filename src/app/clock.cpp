#include "app/clock.h"

#include "scene/launcher.h"

void StartClock()
{
    App.StepInterval = kStepInterval;
    App.ClockStart = GetTickCount();
}

DWORD ClockNow() { return (GetTickCount() - App.ClockStart) * 10u; }

unsigned RunDueSteps(Launcher &launcher) { return RunDueStepsOn(launcher); }
