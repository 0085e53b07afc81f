// libFuzzer target: the project parser on arbitrary bytes. Besides the
// sanitizers' own findings it traps when an answer breaks the parser's
// promises: a parsed project is playable, a refusal says where and why.
#include <cstddef>
#include <cstdint>

#include "project_parser.h"

namespace {

void Require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

bool Printable(const std::string &s)
{
    for (char c : s) {
        if (c < 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    taclib::ProjectData project;
    taclib::ParseError error;
    bool ok = taclib::ParseProject(text, size, &project, &error);
    if (ok) {
        Require(!project.effects.empty() && project.effects.size() <= taclib::kMaxEffects);
        Require(error.reason.empty() && error.line == 0);
        std::string why;
        for (const taclib::EffectEntry &effect : project.effects) {
            Require(!effect.name.empty() && effect.name.size() <= taclib::kMaxNameLength);
            Require(taclib::FindEffect(project, effect.name.c_str()) ==
                    &effect); // names are unique
            Require(taclib::CheckSpring(effect.spring, &why));
        }
        return 0;
    }
    std::size_t lines = 1;
    for (std::size_t i = 0; i < size; ++i)
        lines += text[i] == '\n';
    Require(project.effects.empty());
    Require(!error.reason.empty() && Printable(error.reason));
    Require(error.line >= 0 && static_cast<std::size_t>(error.line) <= lines);
    return 0;
}
