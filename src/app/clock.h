// The simulation clock and the step scheduler: the scene advances in fixed
// 5 ms steps, however fast frames are shown.
#pragma once

#include "app/app_state.h"
#include "platform/win32.h"

class Launcher;

// Clock units are tenths of a millisecond; one step is 50 of them.
constexpr DWORD kStepInterval = 50;
// The most missed time a frame catches up: one second.
constexpr DWORD kMaxCatchUp = 10000;

void StartClock();
DWORD ClockNow();

// Runs every step that is due on anything with a Step(), and returns how many
// ran. The tracer passes a stepper that records each step.
template <class Stepper> unsigned RunDueStepsOn(Stepper &stepper)
{
    if (App.StepInterval == 0)
        return 0; // the clock has not started
    const DWORD now = ClockNow();
    unsigned steps = 0;
    // After a long pause (the process stopped, the machine suspended) all
    // the missed steps would run in one frame: up to 86 million of them,
    // seconds of a program that answers nothing. Only the last second is
    // caught up; the time before it is dropped in whole steps, so that the
    // step grid stays where it was.
    const DWORD behind = now - App.NextStepTime;
    if (App.NextStepTime != 0 && behind > kMaxCatchUp)
        App.NextStepTime += (behind - kMaxCatchUp) / App.StepInterval * App.StepInterval;
    // The time since the last step is taken modulo 2^32: comparing it, rather
    // than comparing the reading with the last step plus the interval, keeps
    // stepping steady when the clock value itself wraps, about five days in.
    while (static_cast<DWORD>(now - App.NextStepTime) >= App.StepInterval) {
        stepper.Step();
        ++steps;
        if (App.NextStepTime == 0) {
            // The first step runs alone and lays the step grid at this
            // reading: nothing before it is caught up.
            App.NextStepTime = now;
            break;
        }
        App.NextStepTime += App.StepInterval;
    }
    return steps;
}

unsigned RunDueSteps(Launcher &launcher);
