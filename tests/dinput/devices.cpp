// The force devices the library sees on Windows, as CTacMouse::DescribeDevices
// words them (what `zorbel --devices` prints on Linux; the Windows program
// has no console to print to). Status 1 when the list does not fit.
#include <cstdio>

#include "taclib.h"

int main()
{
    static char text[65536];
    if (CTacMouse::DescribeDevices(text, sizeof text) == 0)
        return 1;
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}
