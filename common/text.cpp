#include "common/text.h"

#include <cstdio>

namespace zorbel {

std::string OneLineText(std::string_view text, std::string_view also, std::size_t shown)
{
    std::string out;
    for (const char c : text.substr(0, shown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || also.find(c) != std::string_view::npos) {
            char escape[8];
            (void)std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    if (text.size() > shown)
        out += "...";
    return out;
}

std::string Quoted(std::string_view text, char mark, std::size_t shown)
{
    const char also[] = {mark, '\\'};
    return mark + OneLineText(text, std::string_view(also, sizeof also), shown) + mark;
}

std::string QuotedText(const char *text)
{
    return text == nullptr ? std::string("null") : Quoted(text);
}

} // namespace zorbel
