#include "script.h"

#include "common/text.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace zorbel::trace {
namespace {

struct Syntax {
    std::string_view name;
    Op op;
    int minArgs;
    int maxArgs;
};

constexpr Syntax kCommands[] = {
    {"client", Op::Client, 2, 2},   {"cursor", Op::Cursor, 2, 2}, {"press", Op::Press, 0, 0},
    {"release", Op::Release, 0, 0}, {"step", Op::Step, 0, 1},     {"draw", Op::Draw, 0, 0},
    {"resize", Op::Resize, 2, 2},   {"start", Op::Start, 0, 0},   {"tick", Op::Tick, 1, 1},
    {"frame", Op::Frame, 0, 0},
};

struct Range {
    std::int64_t min;
    std::int64_t max;
};

constexpr Range kClientExtent{0, 100000};
constexpr Range kInt32{-2147483648LL, 2147483647LL};
constexpr Range kStepCount{0, 1000000};
constexpr Range kTicks{0, 4294967295LL};

Range RangeOf(Op op)
{
    switch (op) {
    case Op::Cursor:
        return kInt32;
    case Op::Step:
        return kStepCount;
    case Op::Tick:
        return kTicks;
    default:
        return kClientExtent;
    }
}

std::vector<std::string_view> Tokens(std::string_view line)
{
    const auto hash = line.find('#');
    if (hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r')
            ++end;
        if (end > i)
            tokens.push_back(line.substr(i, end - i));
        i = end;
    }
    return tokens;
}

// A word of the script as an error message shows it: quoted, at most 24
// bytes of it, and bytes that a terminal would act on written as \xNN.
std::string Quoted(std::string_view word) { return zorbel::Quoted(word, '\'', 24); }

bool ParseNumber(std::string_view token, Range range, std::int64_t &value, std::string *why)
{
    const char *first = token.data();
    const char *last = token.data() + token.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    const bool tooLarge = ec == std::errc::result_out_of_range && end == last;
    if ((ec != std::errc() || end != last) && !tooLarge) {
        *why = "not an integer: " + Quoted(token);
        return false;
    }
    if (tooLarge || value < range.min || value > range.max || (range.min >= 0 && token[0] == '-')) {
        *why = "number out of range: " + Quoted(token) + " (allowed " + std::to_string(range.min) +
               " to " + std::to_string(range.max) + ")";
        return false;
    }
    return true;
}

} // namespace

bool ParseLine(std::string_view line, Command &command, std::string *why)
{
    const auto tokens = Tokens(line);
    command = Command{};
    if (tokens.empty())
        return true;
    for (const Syntax &syntax : kCommands) {
        if (tokens[0] != syntax.name)
            continue;
        const int args = static_cast<int>(tokens.size()) - 1;
        if (args < syntax.minArgs || args > syntax.maxArgs) {
            *why = std::string(syntax.name) + " takes " + std::to_string(syntax.minArgs) +
                   (syntax.maxArgs != syntax.minArgs ? " or " + std::to_string(syntax.maxArgs)
                                                     : std::string()) +
                   " argument" + (syntax.maxArgs == 1 ? "" : "s") + ", got " + std::to_string(args);
            return false;
        }
        command.op = syntax.op;
        if (syntax.op == Op::Step)
            command.a = 1;
        const Range range = RangeOf(syntax.op);
        if (args >= 1 && !ParseNumber(tokens[1], range, command.a, why))
            return false;
        if (args >= 2 && !ParseNumber(tokens[2], range, command.b, why))
            return false;
        return true;
    }
    *why = "unknown command " + Quoted(tokens[0]);
    return false;
}

} // namespace zorbel::trace
