// How text from outside (a window title, a file name, a device's name, an
// environment variable, a word of a script or of a project) is shown in a
// message or a record: on one line, never as a terminal's control sequence,
// and a quoted text never ending early. Every escape the program writes is
// made here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorbel {

// The text with every byte outside printable ASCII (C0 controls, DEL, and
// every byte from 0x80 on, C1 controls among them) and every byte of ALSO
// written as \xNN, so that it stays on one line and no terminal takes any of
// it for a command; cut after SHOWN bytes, with "..." saying so.
std::string OneLineText(std::string_view text, std::string_view also = {},
                        std::size_t shown = std::string_view::npos);

// The text between two MARKs, as OneLineText writes it, every MARK and
// backslash written as \xNN too; cut after SHOWN bytes, with "..." saying so.
std::string Quoted(std::string_view text, char mark = '"',
                   std::size_t shown = std::string_view::npos);

// As Quoted, for a C string that may be null: the word null then.
std::string QuotedText(const char *text);

} // namespace zorbel
