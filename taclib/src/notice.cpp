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
    const std::string shown = zorbel::OneLineText(text);
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
