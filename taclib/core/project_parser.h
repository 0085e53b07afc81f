// The effect project text format (described in taclib/README.md): named
// effects in [effect NAME] sections of "key = value" lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "spring_params.h"

namespace taclib {

constexpr std::size_t kMaxProjectBytes = 64 * 1024;
constexpr std::size_t kMaxEffects = 64;
constexpr std::size_t kMaxNameLength = 63;

enum class EffectType { Spring };

struct EffectEntry {
    std::string name;
    int line = 0; // of its [effect] header
    EffectType type = EffectType::Spring;
    SpringParams spring;
    bool hasCentre = false; // without one the spring centres on the screen
    bool startNow = false;
};

struct ProjectData {
    std::vector<EffectEntry> effects;
};

struct ParseError {
    int line = 0; // 1-based; 0 when about the whole file
    std::string reason;
};

// Parses a whole file held in memory. Any bytes at all are safe to pass; on
// failure *error says why and *out is left empty.
bool ParseProject(const char *data, std::size_t size, ProjectData *out, ParseError *error);

const EffectEntry *FindEffect(const ProjectData &project, const char *name);

} // namespace taclib
