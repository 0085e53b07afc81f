#include "platform/standin/resources.h"

#include <map>

namespace zorbel::standin {

namespace {

struct Registry {
    std::map<WORD, std::vector<ACCEL>> accelerators;
    std::map<WORD, std::vector<unsigned char>> icons;
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

void RegisterIconGroup(WORD id, const unsigned char *ico, std::size_t size)
{
    Resources().icons[id] = std::vector<unsigned char>(ico, ico + size);
}

const std::vector<ACCEL> *FindAcceleratorTable(WORD id)
{
    const auto found = Resources().accelerators.find(id);
    return found == Resources().accelerators.end() ? nullptr : &found->second;
}

const std::vector<unsigned char> *FindIconGroup(WORD id)
{
    const auto found = Resources().icons.find(id);
    return found == Resources().icons.end() ? nullptr : &found->second;
}

} // namespace zorbel::standin
