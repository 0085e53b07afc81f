// The exclusive full-screen display: a primary surface with one back buffer,
// shown by flipping.
#pragma once

#include "platform/win32.h"

// Opens the display on the main window before it is shown. On failure the
// user has been told and the window destroyed; returns 0.
int OpenDisplay(HWND window);

// Sets the cooperative level and mode and creates the flipping pair; returns
// 0 or the result code of the call that failed (already reported).
HRESULT CreateSurfaces(HWND window);

void ClearSurface(IDirectDrawSurface4 *surface);
void Present();
HRESULT RestorePrimary();

// Gives the surfaces back and leaves exclusive mode; the display interface
// stays. Always 0.
int ReleaseSurfaces(HWND window);

// Leaves exclusive mode and releases the surfaces and the display interface.
void CloseDisplay();

// Shows a fatal set-up failure once and destroys the window. Returns code.
HRESULT ReportFatal(HWND window, HRESULT code, const char *format, ...);

extern const char kAppTitle[];
