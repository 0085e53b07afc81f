#include "platform/tools/rc_script.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace zorbel::standin {

namespace {

constexpr unsigned kVirtKey = 0x01;
constexpr unsigned kNoInvert = 0x02;
constexpr unsigned kShift = 0x04;
constexpr unsigned kControl = 0x08;
constexpr unsigned kAlt = 0x10;
constexpr int kMaxIncludeDepth = 16;

struct Token {
    std::string text;
    bool quoted = false;
    std::string file;
    int line = 0;
};

std::string DirectoryOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Trim(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Removes // and /* */ comments, keeping line breaks and string contents.
std::string StripComments(const std::string &text)
{
    std::string out;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            out += c;
            if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
            out += c;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            i += 2;
            while (i + 1 < text.size() && !(text[i] == '*' && text[i + 1] == '/')) {
                if (text[i] == '\n')
                    out += '\n';
                ++i;
            }
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

class Parser {
public:
    Parser(const RcFileReader &read, RcScript *script, std::string *error)
        : read_(read), script_(script), error_(error)
    {
    }

    bool Preprocess(const std::string &path, int depth);
    bool ParseStatements();

private:
    bool Fail(const std::string &where, int line, const std::string &what)
    {
        *error_ = where + ":" + std::to_string(line) + ": " + what;
        return false;
    }
    bool Fail(const Token &token, const std::string &what)
    {
        return Fail(token.file, token.line, what);
    }
    bool Directive(const std::string &path, int line, const std::string &text, int depth);
    void Tokenize(const std::string &path, int line, const std::string &text);
    bool Number(const Token &token, unsigned *value) const;
    bool Next(Token *token);
    bool Expect(const char *text);
    bool Icon(unsigned id);
    bool Accelerators(unsigned id);
    bool Entry(std::vector<RcAccelerator> *entries);

    const RcFileReader &read_;
    RcScript *script_;
    std::string *error_;
    std::map<std::string, std::string> defines_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
};

bool Parser::Preprocess(const std::string &path, int depth)
{
    std::string text;
    if (depth > kMaxIncludeDepth)
        return Fail(path, 0, "includes nested too deeply");
    if (!read_(path, &text))
        return Fail(path, 0, "cannot read the file");
    script_->inputs.push_back(path);
    text = StripComments(text);
    std::size_t start = 0;
    for (int line = 1; start <= text.size(); ++line) {
        const auto end = text.find('\n', start);
        const std::string content =
            Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() + 1 : end + 1;
        if (content.empty() || content[0] != '#')
            Tokenize(path, line, content);
        else if (!Directive(path, line, content, depth))
            return false;
    }
    return true;
}

// #include and #define of numbers: what a script and its identifier header
// use. Conditionals and anything else are refused.
bool Parser::Directive(const std::string &path, int line, const std::string &text, int depth)
{
    std::string rest = Trim(text.substr(1));
    const auto space = rest.find_first_of(" \t");
    const std::string name = rest.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : Trim(rest.substr(space));
    if (name == "include") {
        // System headers (<windows.h>) only name constants known here anyway.
        if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
            return Preprocess(DirectoryOf(path) + "/" + argument.substr(1, argument.size() - 2),
                              depth + 1);
        if (argument.empty() || argument.front() != '<')
            return Fail(path, line, "malformed #include");
    } else if (name == "define") {
        const auto gap = argument.find_first_of(" \t");
        defines_[argument.substr(0, gap)] =
            gap == std::string::npos ? "" : Trim(argument.substr(gap));
    } else if (name != "pragma") {
        return Fail(path, line,
                    "directive #" + name + " is not available to resource scripts here");
    }
    return true;
}

void Parser::Tokenize(const std::string &path, int line, const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '"') {
            const auto close = text.find('"', i + 1);
            const auto end = close == std::string::npos ? text.size() : close;
            tokens_.push_back(Token{text.substr(i + 1, end - i - 1), true, path, line});
            i = end + 1;
        } else if (c == ',' || c == '{' || c == '}' || c == '|') {
            tokens_.push_back(Token{std::string(1, c), false, path, line});
            ++i;
        } else {
            std::size_t end = i;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
                   text[end] != ',' && text[end] != '"' && text[end] != '{' && text[end] != '}' &&
                   text[end] != '|')
                ++end;
            tokens_.push_back(Token{text.substr(i, end - i), false, path, line});
            i = end;
        }
    }
}

bool Parser::Number(const Token &token, unsigned *value) const
{
    // The keys the stand-in's keyboard names (host_sdl.cpp).
    static const std::map<std::string, unsigned> kVirtualKeys = {
        {"VK_ESCAPE", 0x1B},
        {"VK_RETURN", 0x0D},
        {"VK_SPACE", 0x20},
    };
    std::string text = token.text;
    for (int depth = 0; depth < 8 && defines_.count(text) != 0; ++depth)
        text = defines_.at(text);
    if (const auto known = kVirtualKeys.find(text); known != kVirtualKeys.end()) {
        *value = known->second;
        return true;
    }
    if (text.empty() || token.quoted || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char *end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if ((*end != '\0' && *end != 'L' && *end != 'l') || parsed > 0xFFFF)
        return false;
    *value = static_cast<unsigned>(parsed);
    return true;
}

bool Parser::Next(Token *token)
{
    if (at_ == tokens_.size())
        return false;
    *token = tokens_[at_++];
    return true;
}

bool Parser::Expect(const char *text)
{
    Token token;
    if (!Next(&token))
        return Fail(tokens_.empty() ? "" : tokens_.back().file, 0,
                    std::string("expected ") + text + " at the end");
    if (token.quoted || token.text != text)
        return Fail(token, std::string("expected ") + text + ", found " + token.text);
    return true;
}

bool Parser::Icon(unsigned id)
{
    Token file;
    if (!Next(&file) || !file.quoted)
        return Fail(file, "ICON needs a quoted file name");
    const std::string path = !file.text.empty() && file.text[0] == '/'
                                 ? file.text
                                 : DirectoryOf(file.file) + "/" + file.text;
    script_->icons.push_back(RcScript::Icon{id, path});
    script_->inputs.push_back(path);
    return true;
}

bool Parser::Entry(std::vector<RcAccelerator> *entries)
{
    Token event;
    Token command;
    RcAccelerator entry;
    if (!Next(&event) || !Expect(",") || !Next(&command))
        return Fail(event, "incomplete accelerator");
    if (!Number(command, &entry.command))
        return Fail(command, "accelerator command is not a number: " + command.text);
    while (at_ < tokens_.size() && tokens_[at_].text == "," && !tokens_[at_].quoted) {
        ++at_;
        Token option;
        if (!Next(&option))
            return Fail(command, "accelerator option missing");
        if (option.text == "VIRTKEY")
            entry.flags |= kVirtKey;
        else if (option.text == "NOINVERT")
            entry.flags |= kNoInvert;
        else if (option.text == "SHIFT")
            entry.flags |= kShift;
        else if (option.text == "CONTROL")
            entry.flags |= kControl;
        else if (option.text == "ALT")
            entry.flags |= kAlt;
        else
            return Fail(option, "accelerator option " + option.text + " is not available here");
    }
    // Only virtual keys: the stand-in's keyboard makes no characters.
    if ((entry.flags & kVirtKey) == 0 || event.quoted)
        return Fail(event, "only VIRTKEY accelerators are available here");
    if (!Number(event, &entry.key))
        return Fail(event, "unknown accelerator key " + event.text);
    entries->push_back(entry);
    return true;
}

bool Parser::Accelerators(unsigned id)
{
    Token token;
    // Memory options (DISCARDABLE, ...) before the block mean nothing today.
    do {
        if (!Next(&token))
            return Fail(tokens_.back(), "ACCELERATORS without BEGIN");
    } while (token.text != "BEGIN" && token.text != "{");
    RcScript::AcceleratorTable table{id, {}};
    for (;;) {
        if (at_ == tokens_.size())
            return Fail(token, "ACCELERATORS without END");
        if (tokens_[at_].text == "END" || tokens_[at_].text == "}") {
            ++at_;
            break;
        }
        if (!Entry(&table.entries))
            return false;
    }
    script_->tables.push_back(std::move(table));
    return true;
}

bool Parser::ParseStatements()
{
    Token name;
    while (Next(&name)) {
        unsigned id = 0;
        Token type;
        if (!Number(name, &id))
            return Fail(name, "resource identifier is not a number: " + name.text);
        if (!Next(&type))
            return Fail(name, "resource without a type");
        if (type.text == "ICON") {
            if (!Icon(id))
                return false;
        } else if (type.text == "ACCELERATORS") {
            if (!Accelerators(id))
                return false;
        } else {
            return Fail(type,
                        "resource type " + type.text + " is not served by the stand-in layer");
        }
    }
    return true;
}

} // namespace

bool ParseRcScript(const std::string &path, const RcFileReader &read, RcScript *script,
                   std::string *error)
{
    *script = RcScript{};
    Parser parser(read, script, error);
    return parser.Preprocess(path, 0) && parser.ParseStatements();
}

} // namespace zorbel::standin
