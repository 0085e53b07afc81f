#include "platform/standin/display_reason.h"

#include "common/text.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <unistd.h>

namespace zorbel::standin {

std::string NoDisplayReason(const std::string &sdlError, const std::string &xlibSaid)
{
    const char *display = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    if (display != nullptr && display[0] != '\0') {
        const std::string named = Quoted(display);
        // The server's own words for a refused connection.
        for (const char *refusal :
             {"uthorization", "No protocol specified", "MIT-MAGIC-COOKIE", "refused by server"})
            if (xlibSaid.find(refusal) != std::string::npos)
                return "the display " + named +
                       " refused the connection: no authorization it accepts (XAUTHORITY)";
        if (sdlError.find("No available displays") != std::string::npos)
            return "the display " + named + " has no screen (no output is on)";
        return "cannot open display " + named;
    }
    if (wayland != nullptr && wayland[0] != '\0')
        return "cannot open Wayland display " + Quoted(wayland);
    return display != nullptr ? "DISPLAY is empty" : "DISPLAY is not set";
}

void ErrorCapture::Start()
{
    std::FILE *held = std::tmpfile();
    if (held == nullptr)
        return;
    (void)std::fflush(stderr);
    held_ = dup(fileno(held));
    (void)std::fclose(held);
    saved_ = dup(STDERR_FILENO);
    if (held_ < 0 || saved_ < 0 || dup2(held_, STDERR_FILENO) < 0) {
        if (saved_ >= 0)
            (void)close(saved_);
        if (held_ >= 0)
            (void)close(held_);
        saved_ = held_ = -1;
    }
}

std::string ErrorCapture::Stop()
{
    std::string said;
    if (held_ < 0)
        return said;
    (void)std::fflush(stderr);
    (void)dup2(saved_, STDERR_FILENO);
    (void)close(saved_);
    char chunk[512];
    ssize_t got = 0;
    for (off_t at = 0; said.size() < 64 * 1024 && (got = pread(held_, chunk, sizeof chunk, at)) > 0;
         at += got)
        said.append(chunk, static_cast<std::size_t>(got));
    (void)close(held_);
    saved_ = held_ = -1;
    return said;
}

void RepeatOnce(const std::string &text)
{
    std::set<std::string> seen;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (seen.insert(line).second)
            std::fprintf(stderr, "%s\n", OneLineText(line).c_str()); // Xlib repeats DISPLAY
}

} // namespace zorbel::standin
