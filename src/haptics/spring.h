// The force-feedback spring: while the band is held it pulls the hand toward
// the rest centre. Everything here is optional; without a device the scene
// runs without force.
#pragma once

#include "platform/win32.h"

// Opens the device and makes the spring, from the effect project file when it
// opens, else from built-in values. Never fails as far as its caller knows.
void SetUpForceFeedback();

void StartSpring();
void StopSpring();

// Moves the spring's centre to a point in screen coordinates.
void MoveSpringCentre(POINT centre);

// Destroys the spring, the project and the device, in that order.
void ShutDownForceFeedback();
