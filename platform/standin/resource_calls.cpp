// LoadIconA, LoadCursorA and LoadAcceleratorsA on the registered resources.
#include "platform/standin/call_log.h"
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
    LogLine line("LoadIconA");
    line.Handle(instance).Resource(name);
    WORD id = 0;
    HICON icon = nullptr;
    if (instance != nullptr && NumericId(name, &id) && FindIcon(id) != nullptr)
        icon = ResourceHandle<HICON>(HandleKind::Icon, id);
    line.ResultHandle(icon);
    return icon;
}

// Only the system arrow exists: the window keeps the host's default pointer.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    LogLine line("LoadCursorA");
    line.Handle(instance).Resource(name);
    WORD id = 0;
    HCURSOR cursor = nullptr;
    if (instance == nullptr && NumericId(name, &id) && id == kArrowCursor)
        cursor = ResourceHandle<HCURSOR>(HandleKind::Cursor, id);
    line.ResultHandle(cursor);
    return cursor;
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name)
{
    LogLine line("LoadAcceleratorsA");
    line.Handle(instance).Resource(name);
    WORD id = 0;
    HACCEL table = nullptr;
    if (instance != nullptr && NumericId(name, &id) && FindAcceleratorTable(id) != nullptr)
        table = ResourceHandle<HACCEL>(HandleKind::Accel, id);
    line.ResultHandle(table);
    return table;
}
