// The trace script: one command a line, '#' comments, blank lines skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorbel::trace {

enum class Op { None, Client, Cursor, Press, Release, Step, Draw, Resize, Start, Tick, Frame };

struct Command {
    Op op = Op::None; // None: a blank or comment line
    std::int64_t a = 0;
    std::int64_t b = 0;
};

// Parses one line. On a malformed line returns false with the reason.
bool ParseLine(std::string_view line, Command &command, std::string *why);

} // namespace zorbel::trace
