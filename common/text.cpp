#include "common/text.h"

#include <cstdio>

namespace zorbel {
namespace {

void AppendEscaped(std::string *out, unsigned char byte)
{
    char escape[8];
    (void)std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    *out += escape;
}

} // namespace

std::string OneLineText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            AppendEscaped(&out, byte);
        else
            out += c;
    }
    return out;
}

std::string Quoted(std::string_view text, char mark, std::size_t shown)
{
    std::string out(1, mark);
    for (const char c : text.substr(0, shown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == mark || c == '\\')
            AppendEscaped(&out, byte);
        else
            out += c;
    }
    if (text.size() > shown)
        out += "...";
    return out + mark;
}

std::string QuotedText(const char *text)
{
    return text == nullptr ? std::string("null") : Quoted(text);
}

} // namespace zorbel
