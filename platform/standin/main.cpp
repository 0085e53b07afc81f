// The process entry of a program written against WinMain.
#include "platform/standin/handles.h"
#include "platform/standin/platform_state.h"

#include <string>

int main(int argc, char **argv)
{
    // WinMain gets the arguments after the program name, as one line.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    const int result = WinMain(zorbel::standin::ProcessInstance(), nullptr, commandLine.data(),
                               SW_SHOWDEFAULT);
    zorbel::standin::ShutdownPlatform();
    return result;
}
