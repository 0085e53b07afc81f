// GetCursorPos and GetSystemMetrics for test programs that load the
// force-feedback library without the program's stand-in layer, which
// otherwise answers them: a 1024 x 768 screen and a pointer the test places.
// Safe on any thread, as the library needs (it reads the pointer on its own).
#pragma once

namespace taclib_test {

void PlacePointer(int x, int y);

} // namespace taclib_test
