#include "call_log.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "file_access.h"
#include "common/text.h"
#include "spring_params.h"

namespace taclib {

namespace {

// The call whose line is being built on this thread. The program makes its
// calls from one thread, and a call made while another is open (a destructor
// releasing its effects) nests inside it; what a device's own thread notes
// (following the pointer) is written as it comes, never into the program's
// call, which another thread is building.
thread_local CallLog *g_open = nullptr;

const char *LogPath()
{
    const char *path = std::getenv("TACLIB_LOG");
    return path != nullptr && *path != '\0' ? path : nullptr;
}

// Opened and closed for every line, so that lines reach the file in order and
// survive a crash of the program, and several processes can share one log.
void Append(const std::string &text)
{
    const char *path = LogPath();
    if (path != nullptr)
        AppendToRegularFile(path, text);
}

std::string Hex(std::uintptr_t v)
{
    char buffer[32];
    (void)std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, v);
    return buffer;
}

} // namespace

bool LogEnabled() { return LogPath() != nullptr; }

CallLog::CallLog(const char *className, const char *function)
    : enabled_(LogEnabled()), outer_(g_open)
{
    g_open = this;
    if (enabled_)
        line_ = std::string(className) + "::" + function;
}

CallLog::~CallLog()
{
    g_open = outer_;
    if (!enabled_)
        return;
    std::string text = line_ + "\n";
    for (const std::string &note : notes_)
        text += "  " + note + "\n";
    if (outer_ != nullptr && outer_->enabled_) {
        // Written with the enclosing call, after its line.
        outer_->notes_.push_back(line_);
        for (const std::string &note : notes_)
            outer_->notes_.push_back("  " + note);
        return;
    }
    Append(text);
}

void CallLog::Word(const std::string &w)
{
    if (enabled_)
        line_ += " " + w;
}

CallLog &CallLog::Pointer(const void *p)
{
    Word(Hex(reinterpret_cast<std::uintptr_t>(p)));
    return *this;
}

CallLog &CallLog::Signed(std::int64_t v)
{
    Word(std::to_string(v));
    return *this;
}

CallLog &CallLog::Unsigned(std::uint64_t v)
{
    Word(std::to_string(v));
    return *this;
}

CallLog &CallLog::KeepableSigned(std::int64_t v)
{
    Word(IsKeep(v) ? "keep" : std::to_string(v));
    return *this;
}

CallLog &CallLog::KeepableUnsigned(std::uint64_t v)
{
    Word(IsKeep(v) ? "keep" : std::to_string(v));
    return *this;
}

CallLog &CallLog::Point(std::int64_t x, std::int64_t y)
{
    Word(std::to_string(x) + "," + std::to_string(y));
    return *this;
}

CallLog &CallLog::KeepablePoint(std::int64_t x, std::int64_t y)
{
    Word((IsKeep(x) ? std::string("keep") : std::to_string(x)) + "," +
         (IsKeep(y) ? std::string("keep") : std::to_string(y)));
    return *this;
}

CallLog &CallLog::Text(const char *s)
{
    Word(zorbel::QuotedText(s));
    return *this;
}

int CallLog::Result(int ok)
{
    Word(ok != 0 ? "-> 1" : "-> 0");
    return ok != 0 ? 1 : 0;
}

void LogNote(const std::string &raw)
{
    // A note may carry names from outside (a project's path, the places
    // looked in): control bytes are written as \xNN so that it stays one line.
    const std::string text = zorbel::OneLineText(raw);
    if (g_open != nullptr && g_open->enabled_) {
        g_open->notes_.push_back(text);
        return;
    }
    if (LogEnabled())
        Append("  " + text + "\n");
}

} // namespace taclib
