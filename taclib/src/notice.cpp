#include "notice.h"

#include "call_log.h"
#include "common/text.h"

#include <cstdio>
#include <mutex>
#include <set>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#endif

namespace taclib {

namespace {

std::string ProgramName()
{
#if defined(_WIN32)
    return "taclib";
#else
    // glibc's name of the program as started, without its folder.
    return program_invocation_short_name != nullptr && *program_invocation_short_name != '\0'
               ? program_invocation_short_name
               : "taclib";
#endif
}

} // namespace

void Notice(const std::string &text)
{
    static std::mutex lock;
    static std::set<std::string> said;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!said.insert(text).second)
            return;
    }
    // Text from outside (a path, an environment variable) may hold anything:
    // the notice stays one line of plain characters.
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            (void)std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    LogNote("notice: " + shown);
    NoticeOutsideLog(text);
}

void NoticeOutsideLog(const std::string &text)
{
    const std::string line = ProgramName() + ": " + zorbel::OneLineText(text) + "\n";
#if defined(_WIN32)
    OutputDebugStringA(line.c_str());
#else
    // Standard error may be closed or full: the notice is then lost, never
    // the program.
    (void)std::fputs(line.c_str(), stderr);
    (void)std::fflush(stderr);
#endif
}

} // namespace taclib
