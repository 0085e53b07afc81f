#include "device_kinds.h"

#include "common/text.h"

namespace taclib {

const char *KindName(ForceKind kind)
{
    switch (kind) {
    case ForceKind::Pointing:
        return "force-feedback pointing device";
    case ForceKind::Constant:
        return "constant-force controller";
    case ForceKind::Rumble:
        return "rumble pad";
    case ForceKind::None:
        break;
    }
    return "no usable force feedback";
}

const char *WhatItRenders(ForceKind kind)
{
    switch (kind) {
    case ForceKind::Pointing:
        return "plays the spring itself";
    case ForceKind::Constant:
        return "the spring's force at the pointer as a constant force";
    case ForceKind::Rumble:
        return "rumble as strong as the spring pulls";
    case ForceKind::None:
        break;
    }
    return "nothing";
}

std::string RankedDeviceLine(const std::string &where, const std::string &name, ForceKind kind,
                             bool first)
{
    // A device names itself: its name is shown quoted and harmless.
    return where + (name.empty() ? "" : " " + zorbel::Quoted(name)) + ": " + KindName(kind) +
           (first ? std::string(": ") + WhatItRenders(kind) + " (used)"
                  : ", passed over for the one above") +
           "\n";
}

} // namespace taclib
