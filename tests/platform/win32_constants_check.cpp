// Compiled by the MinGW cross compiler only: the stand-in layer's values
// (generated into win32_constants.h) against the real Windows headers.
#include <windows.h>
#include <ddraw.h>

#include "win32_constants.h"
