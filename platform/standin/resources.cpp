#include "platform/standin/resources.h"

#include <map>

namespace zorbel::standin {

namespace {

struct Registry {
    std::map<WORD, std::vector<ACCEL>> accelerators;
    std::map<WORD, IconImage> icons;
};

// Filled by static initialisers of the program's generated resource source,
// so it must exist before any of them runs.
Registry &Resources()
{
    static Registry registry;
    return registry;
}

} // namespace

void RegisterAcceleratorTable(WORD id, const ACCEL *entries, std::size_t count)
{
    Resources().accelerators[id] = std::vector<ACCEL>(entries, entries + count);
}

void RegisterIcon(WORD id, int width, int height, const std::uint32_t *argb)
{
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Resources().icons[id] = IconImage{width, height, std::vector<std::uint32_t>(argb, argb + count)};
}

const std::vector<ACCEL> *FindAcceleratorTable(WORD id)
{
    const auto found = Resources().accelerators.find(id);
    return found == Resources().accelerators.end() ? nullptr : &found->second;
}

const IconImage *FindIcon(WORD id)
{
    const auto found = Resources().icons.find(id);
    return found == Resources().icons.end() ? nullptr : &found->second;
}

} // namespace zorbel::standin
