#include "project_parser.h"

#include "common/text.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace taclib {

namespace {

using std::string_view;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

string_view Trim(string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Text from the file, made safe to show in a message: printable ASCII only,
// and short.
std::string Quote(string_view s) { return zorbel::Quoted(s, '"', 40); }

// The limits of the values that are no spring limit of their own.
constexpr Limit kCentreLimit{"centre", INT32_MIN + 1, INT32_MAX, ""};
constexpr Limit kAxesLimit{"axes", kAxisX, kAxesBoth, ""};

// Null, or why the text is not a whole number within LIMIT.
std::string ParseInt(string_view s, const Limit &limit, std::int64_t *out)
{
    string_view digits = s;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return Quote(s) + " is not a whole number";
    std::int64_t magnitude = 0;
    constexpr std::int64_t kCap = std::int64_t{1} << 40; // far beyond any limit, far from overflow
    for (char c : digits) {
        if (c < '0' || c > '9')
            return Quote(s) + " is not a whole number";
        if (magnitude < kCap)
            magnitude = magnitude * 10 + (c - '0');
    }
    std::int64_t v = negative ? -magnitude : magnitude;
    if (!limit.Holds(v))
        return "must be " + Between(limit) + ", not " + Quote(s);
    *out = v;
    return {};
}

std::string ParsePair(string_view s, const Limit &limit, std::int64_t *x, std::int64_t *y)
{
    std::size_t comma = s.find(',');
    if (comma == string_view::npos || s.find(',', comma + 1) != string_view::npos ||
        Trim(s.substr(0, comma)).empty() || Trim(s.substr(comma + 1)).empty()) {
        return "expects two numbers \"x, y\", not " + Quote(s);
    }
    std::string why = ParseInt(Trim(s.substr(0, comma)), limit, x);
    return why.empty() ? ParseInt(Trim(s.substr(comma + 1)), limit, y) : why;
}

template <typename Field> std::string IntInto(string_view s, const Limit &limit, Field *field)
{
    std::int64_t v = 0;
    std::string why = ParseInt(s, limit, &v);
    if (why.empty())
        *field = static_cast<Field>(v);
    return why;
}

std::string KeyType(string_view v, EffectEntry *e)
{
    if (v != "spring")
        return "must be spring, the one effect type, not " + Quote(v);
    e->type = EffectType::Spring;
    return {};
}

std::string KeyStiffness(string_view v, EffectEntry *e)
{
    return IntInto(v, kStiffnessLimit, &e->spring.stiffness);
}

std::string KeySaturation(string_view v, EffectEntry *e)
{
    return IntInto(v, kSaturationLimit, &e->spring.saturation);
}

std::string KeyDeadband(string_view v, EffectEntry *e)
{
    return IntInto(v, kDeadbandLimit, &e->spring.deadband);
}

std::string KeyAxes(string_view v, EffectEntry *e)
{
    if (v == "x")
        v = "1";
    if (v == "y")
        v = "2";
    if (v == "both")
        v = "3";
    std::string why = IntInto(v, kAxesLimit, &e->spring.axes);
    return why.empty() ? why : "must be x, y, both, 1, 2 or 3, not " + Quote(v);
}

std::string KeyCentre(string_view v, EffectEntry *e)
{
    std::int64_t x = 0, y = 0;
    std::string why = ParsePair(v, kCentreLimit, &x, &y);
    if (!why.empty())
        return why;
    e->spring.centreX = static_cast<std::int32_t>(x);
    e->spring.centreY = static_cast<std::int32_t>(y);
    e->hasCentre = true;
    return {};
}

std::string KeyTrim(string_view v, EffectEntry *e)
{
    std::int64_t x = 0, y = 0;
    std::string why = ParsePair(v, kTrimLimit, &x, &y);
    if (!why.empty())
        return why;
    e->spring.trimX = static_cast<std::int32_t>(x);
    e->spring.trimY = static_cast<std::int32_t>(y);
    return {};
}

std::string KeyDuration(string_view v, EffectEntry *e)
{
    return IntInto(v, kDurationLimit, &e->spring.durationMs);
}

std::string KeyStart(string_view v, EffectEntry *e)
{
    if (v == "yes" || v == "1") {
        e->startNow = true;
    } else if (v == "no" || v == "0") {
        e->startNow = false;
    } else {
        return "must be yes or no, not " + Quote(v);
    }
    return {};
}

struct KeyRule {
    const char *key;
    std::string (*parse)(string_view, EffectEntry *);
};

constexpr KeyRule kKeys[] = {
    {"type", KeyType},         {"stiffness", KeyStiffness}, {"saturation", KeySaturation},
    {"deadband", KeyDeadband}, {"axes", KeyAxes},           {"centre", KeyCentre},
    {"trim", KeyTrim},         {"duration", KeyDuration},   {"start", KeyStart},
};
constexpr std::size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];
constexpr std::size_t kTypeKey = 0;

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

bool IsKeyChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

class Parser {
public:
    Parser(ProjectData *out, ParseError *error) : out_(out), error_(error) {}

    bool Line(string_view text, int line)
    {
        if (!CheckCharacters(&text, line))
            return false;
        text = Trim(text.substr(0, text.find('#')));
        if (text.empty())
            return true;
        if (text.front() == '[')
            return Header(text, line);
        return Assignment(text, line);
    }

    bool Finish()
    {
        if (!CloseSection())
            return false;
        if (out_->effects.empty())
            return Fail(0, "the project holds no effect");
        return true;
    }

private:
    bool Fail(int line, std::string reason)
    {
        error_->line = line;
        error_->reason = std::move(reason);
        return false;
    }

    // Text files only: a control character means a binary or damaged file.
    bool CheckCharacters(string_view *text, int line)
    {
        if (!text->empty() && text->back() == '\r')
            text->remove_suffix(1);
        for (char c : *text) {
            unsigned char u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t') || u == 0x7F) {
                return Fail(line,
                            "control character " + Quote(string_view(&c, 1)) + " in a text file");
            }
        }
        return true;
    }

    bool Header(string_view text, int line)
    {
        if (!CloseSection())
            return false;
        if (text.back() != ']')
            return Fail(line, "a section header must end with \"]\"");
        string_view inside = Trim(text.substr(1, text.size() - 2));
        std::size_t gap = 0;
        while (gap < inside.size() && !IsBlank(inside[gap]))
            ++gap;
        string_view kind = inside.substr(0, gap);
        string_view name = Trim(inside.substr(gap));
        if (kind != "effect")
            return Fail(line, "unknown section " + Quote(kind) + " (expected [effect NAME])");
        if (!CheckName(name, line))
            return false;
        if (out_->effects.size() == kMaxEffects) {
            return Fail(line, "more than " + std::to_string(kMaxEffects) + " effects");
        }
        EffectEntry effect;
        effect.name = std::string(name);
        effect.line = line;
        out_->effects.push_back(std::move(effect));
        open_ = true;
        for (int &seen : keyLines_)
            seen = 0;
        return true;
    }

    bool CheckName(string_view name, int line)
    {
        if (name.empty())
            return Fail(line, "the effect has no name");
        if (name.size() > kMaxNameLength) {
            return Fail(line, "an effect name is at most " + std::to_string(kMaxNameLength) +
                                  " characters");
        }
        for (char c : name) {
            if (!IsNameChar(c)) {
                return Fail(line, "effect name " + Quote(name) +
                                      " may hold only letters, digits, \"_\", \"-\" and \".\"");
            }
        }
        for (const EffectEntry &other : out_->effects) {
            if (other.name == name) {
                return Fail(line, "effect " + Quote(name) + " is already defined on line " +
                                      std::to_string(other.line));
            }
        }
        return true;
    }

    bool Assignment(string_view text, int line)
    {
        std::size_t eq = text.find('=');
        if (eq == string_view::npos)
            return Fail(line, "expected \"key = value\" or \"[effect NAME]\"");
        string_view key = Trim(text.substr(0, eq));
        string_view value = Trim(text.substr(eq + 1));
        if (!open_)
            return Fail(line, "\"key = value\" before the first [effect NAME]");
        if (key.empty())
            return Fail(line, "a key is missing before \"=\"");
        std::size_t rule = FindKey(key);
        if (rule == kKeyCount)
            return Fail(line, "unknown key " + Quote(key));
        if (keyLines_[rule] != 0) {
            return Fail(line,
                        Quote(key) + " is already set on line " + std::to_string(keyLines_[rule]));
        }
        if (value.empty())
            return Fail(line, Quote(key) + " has no value");
        std::string why = kKeys[rule].parse(value, &out_->effects.back());
        if (!why.empty())
            return Fail(line, std::string(key) + " " + why);
        keyLines_[rule] = line;
        return true;
    }

    static std::size_t FindKey(string_view key)
    {
        for (char c : key) {
            if (!IsKeyChar(c))
                return kKeyCount;
        }
        std::size_t i = 0;
        while (i < kKeyCount && key != kKeys[i].key)
            ++i;
        return i;
    }

    bool CloseSection()
    {
        if (!open_)
            return true;
        open_ = false;
        const EffectEntry &effect = out_->effects.back();
        if (keyLines_[kTypeKey] == 0)
            return Fail(effect.line, "effect " + Quote(effect.name) + " has no type");
        std::string why;
        if (!CheckSpring(effect.spring, &why))
            return Fail(effect.line, why);
        return true;
    }

    ProjectData *out_;
    ParseError *error_;
    bool open_ = false;
    int keyLines_[kKeyCount] = {};
};

} // namespace

bool ParseProject(const char *data, std::size_t size, ProjectData *out, ParseError *error)
{
    *out = ProjectData{};
    *error = ParseError{};
    if (size > kMaxProjectBytes) {
        error->reason = "the file is larger than " + std::to_string(kMaxProjectBytes) + " bytes";
        return false;
    }
    Parser parser(out, error);
    string_view rest(data, size);
    // Editors on Windows begin a UTF-8 file with a byte-order mark.
    const string_view mark("\xEF\xBB\xBF");
    if (rest.substr(0, mark.size()) == mark)
        rest.remove_prefix(mark.size());
    bool ok = true;
    for (int line = 1; ok && !rest.empty(); ++line) {
        std::size_t end = rest.find('\n');
        string_view text = rest.substr(0, end);
        rest.remove_prefix(end == string_view::npos ? rest.size() : end + 1);
        ok = parser.Line(text, line);
    }
    ok = ok && parser.Finish();
    if (!ok)
        *out = ProjectData{};
    return ok;
}

const EffectEntry *FindEffect(const ProjectData &project, const char *name)
{
    if (name == nullptr)
        return nullptr;
    for (const EffectEntry &effect : project.effects) {
        if (effect.name == name)
            return &effect;
    }
    return nullptr;
}

} // namespace taclib
