#include "platform/standin/sdl_renderer_choice.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

constexpr unsigned kGlRenderer = 0x1F01; // GL_RENDERER
constexpr int kProbeTimeoutMs = 3000;

// In the probing child: the renderer string of a context of the default
// OpenGL, written to `out`.
[[noreturn]] void ProbeInChild(int out)
{
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) { // the driver's own complaints are not the program's
        (void)dup2(quiet, STDOUT_FILENO);
        (void)dup2(quiet, STDERR_FILENO);
    }
    const char *name = "";
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        SDL_Window *window =
            SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
        using GetString = const unsigned char *(*)(unsigned);
        auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        if (window != nullptr && SDL_GL_CreateContext(window) != nullptr && getString != nullptr &&
            getString(kGlRenderer) != nullptr)
            name = reinterpret_cast<const char *>(getString(kGlRenderer));
    }
    _exit(write(out, name, std::strlen(name)) < 0 ? 1 : 0);
}

// The default OpenGL's renderer string, asked in a child process so that the
// driver never loads into this one; empty when there is no OpenGL.
std::string OpenGlRenderer()
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return "";
    const pid_t child = fork();
    if (child == 0) {
        (void)prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the program
        close(pipeEnds[0]);
        ProbeInChild(pipeEnds[1]);
    }
    close(pipeEnds[1]);
    std::string name;
    if (child > 0) {
        pollfd wait{pipeEnds[0], POLLIN, 0};
        char chunk[256];
        ssize_t got = 0;
        while (poll(&wait, 1, kProbeTimeoutMs) == 1 &&
               (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0 && name.size() < 1024)
            name.append(chunk, static_cast<size_t>(got));
        (void)kill(child, SIGKILL); // a driver that hangs must not hold the program up
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    close(pipeEnds[0]);
    return name;
}

} // namespace

bool SoftwareOpenGl(const char *renderer)
{
    static const char *const kSoftware[] = {"llvmpipe", "softpipe", "Software Rasterizer", "swrast",
                                            "SWR"};
    if (renderer == nullptr || renderer[0] == '\0')
        return true; // no OpenGL at all
    for (const char *name : kSoftware)
        if (std::strstr(renderer, name) != nullptr)
            return true;
    return false;
}

void ChooseRenderer()
{
    const char *named = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (named != nullptr && named[0] != '\0')
        return;
    if (!SoftwareOpenGl(OpenGlRenderer().c_str()))
        return;
    (void)SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    (void)SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

} // namespace zorbel::standin
