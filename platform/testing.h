// Test and tracer control of the stand-in layer: the headless host, which
// runs the program without a screen on a virtual clock and a scripted cursor.
#pragma once

#include "platform/win32.h"

namespace zorbel::testing {

// Switches the calling process to the headless host: GetTickCount answers the
// virtual tick count and GetCursorPos the scripted cursor, both starting at 0.
void UseHeadlessHost();

void SetTickCount(DWORD milliseconds);
void SetCursorPos(POINT screen);

} // namespace zorbel::testing
