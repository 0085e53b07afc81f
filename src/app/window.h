// The single full-screen window and its procedure.
#pragma once

#include "platform/win32.h"

// Registers the class and creates the hidden window of that size at the
// screen origin, or returns null.
HWND CreateProgramWindow(HINSTANCE instance, int width, int height);

// Registers the class, creates the hidden window, opens the display on it
// and shows it. Returns 1 on success, 0 on failure.
int CreateMainWindow(HINSTANCE instance, int width, int height, int show);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
