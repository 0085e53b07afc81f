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
    CallLog(char const *className, char const *function);
    ~CallLog();
    CallLog(CallLog const &) = delete;
    CallLog &operator=(CallLog const &) = delete;

    CallLog &Pointer(void const *p);
    CallLog &Signed(std::int64_t v);
    CallLog &Unsigned(std::uint64_t v);
    // A long or unsigned long of ChangeParameters: 0x80000000 shows as "keep"
    // on every platform.
    CallLog &KeepableSigned(std::int64_t v);
    CallLog &KeepableUnsigned(std::uint64_t v);
    CallLog &Point(std::int64_t x, std::int64_t y);
    CallLog &KeepablePoint(std::int64_t x, std::int64_t y);
    CallLog &Text(char const *s);

    // The call's BOOL result; returns it so that "return log.Result(r)" reads.
    int Result(int ok);

private:
    friend void LogNote(std::string const &text);
    void Word(std::string const &w);

    bool enabled_;
    std::string line_;
    std::vector<std::string> notes_;
    CallLog *outer_;
};

// An indented line about what the device did. Inside a call it follows that
// call's line; outside any call it is written at once.
void LogNote(std::string const &text);

bool LogEnabled();

}  // namespace taclib
