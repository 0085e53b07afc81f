#include "platform/standin/entry.h"

#include "platform/standin/handles.h"
#include "platform/standin/platform_state.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace zorbel::standin {

namespace {

// Started with standard input, output or error closed, the first file the
// program opens (the single-copy lock, say) would take that number, and
// error lines would be written into it.
void OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            (void)dup2(opened, fd);
            (void)close(opened);
        }
    }
}

} // namespace

int RunWinMain(int argc, char **argv)
{
    OpenStandardDescriptors();
    // A Windows program always has a screen; here there may be none, and a
    // program nobody can see or end must not start.
    std::string problem;
    if (!CurrentHost().Open(&problem)) {
        std::fprintf(stderr, "%s: no display could be opened: %s\n", program_invocation_short_name,
                     problem.c_str());
        ShutdownPlatform();
        return 1;
    }
    // WinMain gets the arguments after the program name, as one line.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    const int result = WinMain(ProcessInstance(), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    if (const char *loss = CurrentHost().ScreenLoss()) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, loss);
        ShutdownPlatform();
        // The libraries' clean-up at exit could touch what is left of the
        // lost screen (see sdl_ending.cpp): the process ends without it.
        (void)std::fflush(nullptr);
        _exit(1);
    }
    ShutdownPlatform();
    return result;
}

} // namespace zorbel::standin
