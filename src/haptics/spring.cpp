#include "haptics/spring.h"

#include <new>

#include "app/app_state.h"
#include "scene/launcher.h"
#include "taclib.h"

namespace {

const char kProjectFile[] = "zorbel.hkr";
const char kSpringEffect[] = "spring";

// Device set-up: room for 4 effects, force only while the window is in front.
constexpr unsigned long kEffectSlots = 4;
constexpr int kForegroundOnly = 1;

// The built-in spring: stiffness, saturation, dead band, both axes, the
// centre, no trim, not started now, no time limit.
constexpr long kStiffness = 1000;
constexpr unsigned long kSaturation = 10000;
constexpr unsigned long kDeadBand = 0;
constexpr unsigned long kBothAxes = 3;

// Start: play once, no delay, alone.
constexpr unsigned long kPlayOnce = 1;
constexpr unsigned long kNoDelay = 0;
constexpr int kSolo = 1;

// A parameter of ChangeParameters that keeps its current value: 0x80000000,
// which a signed 32-bit parameter holds as its most negative value.
constexpr unsigned long kKeep = 0x80000000ul;
constexpr long kKeepSigned = -2147483647L - 1;

// Makes the spring from the opened project, or from built-in values when the
// project file could not be opened; never both.
CTacSpring *MakeSpring(bool projectOpened)
{
    CTacSpring *spring = new (std::nothrow) CTacSpring();
    if (spring == nullptr)
        return nullptr;
    int made = 0;
    if (projectOpened) {
        made = spring->InitializeFromProject(*App.TacProject, kSpringEffect, nullptr, 0);
    } else {
        // In full-screen mode the rest centre's client coordinates are screen
        // coordinates.
        const POINT centre =
            App.TheLauncher != nullptr ? App.TheLauncher->GetCentre() : POINT{0, 0};
        made = spring->Initialize(App.TacDevice, kStiffness, kSaturation, kDeadBand, kBothAxes,
                                  centre, 0, 0, 0, 0);
    }
    if (made == 0) {
        delete spring;
        return nullptr;
    }
    return spring;
}

} // namespace

void SetUpForceFeedback()
{
    App.TacDevice = new (std::nothrow) CTacMouse();
    if (App.TacDevice == nullptr)
        return;
    if (App.TacDevice->Initialize(App.Instance, App.MainWindow, kEffectSlots, kForegroundOnly) ==
        0) {
        delete App.TacDevice;
        App.TacDevice = nullptr;
        return;
    }
    App.TacProject = new (std::nothrow) CTacProject();
    const bool opened =
        App.TacProject != nullptr && App.TacProject->OpenFile(kProjectFile, App.TacDevice) != 0;
    App.Spring = MakeSpring(opened);
}

void StartSpring()
{
    if (App.Spring != nullptr)
        (void)App.Spring->Start(kPlayOnce, kNoDelay, kSolo);
}

void StopSpring()
{
    if (App.Spring != nullptr)
        (void)App.Spring->Stop();
}

void MoveSpringCentre(POINT centre)
{
    if (App.Spring != nullptr)
        (void)App.Spring->ChangeParameters(centre, kKeepSigned, kKeep, kKeep, kKeepSigned,
                                           kKeepSigned);
}

void ShutDownForceFeedback()
{
    delete App.Spring;
    App.Spring = nullptr;
    if (App.TacProject != nullptr) {
        App.TacProject->Close();
        delete App.TacProject;
        App.TacProject = nullptr;
    }
    delete App.TacDevice;
    App.TacDevice = nullptr;
}
