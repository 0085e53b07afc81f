#include "platform/standin/entry.h"

#include "platform/standin/handles.h"
#include "platform/standin/platform_state.h"

#include <string>

namespace zorbel::standin {

int RunWinMain(int argc, char **argv)
{
    // WinMain gets the arguments after the program name, as one line.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    const int result = WinMain(ProcessInstance(), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    ShutdownPlatform();
    return result;
}

} // namespace zorbel::standin
