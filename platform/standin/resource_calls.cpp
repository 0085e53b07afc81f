// LoadIconA, LoadCursorA and LoadAcceleratorsA on the registered resources.
#include "platform/standin/logged_call.h"
#include "platform/standin/handles.h"
#include "platform/standin/resources.h"

namespace zorbel::standin {

namespace {

constexpr WORD kArrowCursor = 32512;

// Handles of resources carry their identifier: slot is the low byte,
// generation the rest.
template <typename H> H ResourceHandle(HandleKind kind, WORD id)
{
    return MakeHandle<H>(kind, id & 0xFFu, static_cast<unsigned>(id) >> 8);
}

bool NumericId(const char *name, WORD *id)
{
    if (name == nullptr || !IS_INTRESOURCE(name))
        return false;
    *id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    return true;
}

} // namespace

} // namespace zorbel::standin

using namespace zorbel::standin;

// The program is one module: any non-null instance means its resources.
// Resources named by string are not supported (the program uses numbers).
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return Logged("LoadIconA", [&](LogLine &line) { line.Handle(instance).Resource(name); }, [&] {
        WORD id = 0;
        return instance != nullptr && NumericId(name, &id) && FindIcon(id) != nullptr
                   ? ResourceHandle<HICON>(HandleKind::Icon, id)
                   : nullptr;
    });
}

// Only the system arrow exists: the window keeps the host's default pointer.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return Logged("LoadCursorA", [&](LogLine &line) { line.Handle(instance).Resource(name); }, [&] {
        WORD id = 0;
        return instance == nullptr && NumericId(name, &id) && id == kArrowCursor
                   ? ResourceHandle<HCURSOR>(HandleKind::Cursor, id)
                   : nullptr;
    });
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name)
{
    return Logged("LoadAcceleratorsA", [&](LogLine &line) { line.Handle(instance).Resource(name); }, [&] {
        WORD id = 0;
        return instance != nullptr && NumericId(name, &id) && FindAcceleratorTable(id) != nullptr
                   ? ResourceHandle<HACCEL>(HandleKind::Accel, id)
                   : nullptr;
    });
}
