// How text from outside (a window title, a file name, a word of a script or
// of a project) is shown in a message or a record: on one line, and a quoted
// text never ending early.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorbel {

// The text with control bytes and DEL written as \xNN, so that it stays on
// one line; other bytes (UTF-8 among them) as they are.
std::string OneLineText(std::string_view text);

// The text between two MARKs, every byte outside printable ASCII and every
// MARK and backslash written as \xNN; cut after SHOWN bytes, with "..."
// saying so.
std::string Quoted(std::string_view text, char mark = '"',
                   std::size_t shown = std::string_view::npos);

// As Quoted, for a C string that may be null: the word null then.
std::string QuotedText(const char *text);

} // namespace zorbel
