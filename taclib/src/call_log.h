// The call log: when the environment variable TACLIB_LOG names a file, every
// public call appends one line to it, with its arguments and result, followed
// by indented lines for what the device did during the call. The format is
// described in taclib/README.md; tests and tools rely on it, so it only grows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace taclib {

class CallLog {
public:
    // Starts the line "Class::Function".
    CallLog(const char *className, const char *function);
    ~CallLog();
    CallLog(const CallLog &) = delete;
    CallLog &operator=(const CallLog &) = delete;

    CallLog &Pointer(const void *p);
    CallLog &Signed(std::int64_t v);
    CallLog &Unsigned(std::uint64_t v);
    // A long or unsigned long of ChangeParameters: 0x80000000 shows as "keep"
    // on every platform.
    CallLog &KeepableSigned(std::int64_t v);
    CallLog &KeepableUnsigned(std::uint64_t v);
    CallLog &Point(std::int64_t x, std::int64_t y);
    CallLog &KeepablePoint(std::int64_t x, std::int64_t y);
    CallLog &Text(const char *s);

    // The call's BOOL result; returns it so that "return log.Result(r)" reads.
    int Result(int ok);

private:
    friend void LogNote(const std::string &text);
    void Word(const std::string &w);

    bool enabled_;
    std::string line_;
    std::vector<std::string> notes_;
    CallLog *outer_;
};

// An indented line about what the device did. Inside a call it follows that
// call's line; outside any call it is written at once.
void LogNote(const std::string &text);

bool LogEnabled();

} // namespace taclib
