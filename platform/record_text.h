// How records of calls write text that came from outside (a window title, a
// file name, a project's path): always on one line, and a quoted text never
// ending early. Shared by the force-feedback library's call log and the
// headless host's record of platform calls.
#pragma once

#include <cstdio>
#include <string>

namespace zorbel {

// The text with control bytes and DEL written as \xNN, so that it stays on
// one line; other bytes (UTF-8 among them) as they are.
inline std::string OneLineText(const std::string &text, bool quoting = false)
{
    std::string out;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || (quoting && (u > 0x7F || c == '"' || c == '\\'))) {
            char escape[8];
            (void)std::snprintf(escape, sizeof escape, "\\x%02x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

// The text in double quotes, every byte outside printable ASCII and every
// quote and backslash written as \xNN; null as the word null.
inline std::string QuotedText(const char *text)
{
    return text == nullptr ? std::string("null") : "\"" + OneLineText(text, true) + "\"";
}

} // namespace zorbel
