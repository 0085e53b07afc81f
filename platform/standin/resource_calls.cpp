// The program's resources, registered by its generated resource source, and
// LoadIconA, LoadCursorA and LoadAcceleratorsA on them.
#include "platform/standin/logged_call.h"
#include "platform/standin/handles.h"
#include "platform/standin/resources.h"

#include <map>

namespace zorbel::standin {

namespace {

constexpr WORD kArrowCursor = 32512;

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

// Handles of resources carry their identifier: slot is the low byte,
// generation the rest.
template <typename H> H ResourceHandle(HandleKind kind, WORD id)
{
    return MakeHandle<H>(kind, id & 0xFFu, static_cast<unsigned>(id) >> 8);
}

// The identifier a resource handle of this kind carries; 0 for another handle.
WORD ResourceIdOf(const void *handle, HandleKind kind)
{
    const HandleFields parts = UnpackHandle(handle);
    return parts.kind == kind ? static_cast<WORD>(parts.slot | (parts.generation << 8)) : 0;
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

// A resource by number, when `exists` finds it for this instance: the
// program is one module, so any non-null instance means its resources.
// Resources named by string are not supported (the program uses numbers).
template <typename H>
H Load(const char *call, HINSTANCE instance, LPCSTR name, HandleKind kind,
       bool (*exists)(HINSTANCE, WORD))
{
    return Logged(
        call, [&](LogLine &line) { line.Handle(instance).Resource(name); },
        [&]() -> H {
            const auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
            return name != nullptr && IS_INTRESOURCE(name) && exists(instance, id)
                       ? ResourceHandle<H>(kind, id)
                       : nullptr;
        });
}

} // namespace

void RegisterAcceleratorTable(WORD id, const ACCEL *entries, std::size_t count)
{
    Resources().accelerators[id] = std::vector<ACCEL>(entries, entries + count);
}

void RegisterIcon(WORD id, int width, int height, const std::uint32_t *argb)
{
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Resources().icons[id] =
        IconImage{width, height, std::vector<std::uint32_t>(argb, argb + count)};
}

const std::vector<ACCEL> *AcceleratorsOf(HACCEL table)
{
    return FindAcceleratorTable(ResourceIdOf(table, HandleKind::Accel));
}

const IconImage *IconOf(HICON icon) { return FindIcon(ResourceIdOf(icon, HandleKind::Icon)); }

} // namespace zorbel::standin

using namespace zorbel::standin;

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return Load<HICON>("LoadIconA", instance, name, HandleKind::Icon, [](HINSTANCE in, WORD id) {
        return in != nullptr && FindIcon(id) != nullptr;
    });
}

// Only the system arrow exists: the window keeps the host's default pointer.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return Load<HCURSOR>("LoadCursorA", instance, name, HandleKind::Cursor,
                         [](HINSTANCE in, WORD id) { return in == nullptr && id == kArrowCursor; });
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name)
{
    return Load<HACCEL>(
        "LoadAcceleratorsA", instance, name, HandleKind::Accel,
        [](HINSTANCE in, WORD id) { return in != nullptr && FindAcceleratorTable(id) != nullptr; });
}
