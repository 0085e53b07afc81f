// Handle values of the stand-in layer.
//
// A handle packs its kind, a pool slot and the slot's generation, so that a
// handle kept after its object was destroyed (or one that never came from
// here) is recognised as unknown instead of reaching a reused slot.
#pragma once

#include "platform/standin/windef.h"

#include <cstdint>

namespace zorbel::standin {

enum class HandleKind : unsigned {
    None = 0,
    Window = 1,
    Proxy = 2, // a window of another process
    Pen = 3,
    Brush = 4,
    Stock = 5,
    Dc = 6,
    Icon = 7,
    Cursor = 8,
    Accel = 9,
};

struct HandleFields {
    HandleKind kind = HandleKind::None;
    unsigned slot = 0;
    unsigned generation = 0;
};

constexpr std::uintptr_t kHandleTag = 0x5A000000u;

template <typename H> H MakeHandle(HandleKind kind, unsigned slot, unsigned generation)
{
    return reinterpret_cast<H>(kHandleTag | (std::uintptr_t{generation & 0xFFFu} << 12) |
                               (std::uintptr_t{static_cast<unsigned>(kind) & 0xFu} << 8) |
                               (slot & 0xFFu));
}

inline HandleFields UnpackHandle(const void *handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if ((value & ~std::uintptr_t{0xFFFFFF}) != kHandleTag)
        return {};
    return HandleFields{static_cast<HandleKind>((value >> 8) & 0xF),
                        static_cast<unsigned>(value & 0xFF),
                        static_cast<unsigned>((value >> 12) & 0xFFF)};
}

// A pool of objects named by handles: std::array of a type with `used` and
// `generation`. Taking a slot resets it and gives it the next generation, 12
// bits as a handle carries them and never 0, so that handles kept from its
// earlier uses no longer match.
template <class Pool> typename Pool::value_type *TakeSlot(Pool &pool)
{
    for (auto &slot : pool) {
        if (slot.used)
            continue;
        const unsigned next = (slot.generation + 1) & 0xFFFu;
        slot = typename Pool::value_type{};
        slot.used = true;
        slot.generation = next == 0 ? 1 : next;
        return &slot;
    }
    return nullptr;
}

template <typename H, class Pool>
H HandleOfSlot(const Pool &pool, const typename Pool::value_type &slot, HandleKind kind)
{
    return MakeHandle<H>(kind, static_cast<unsigned>(&slot - pool.data()), slot.generation);
}

// The live slot a handle of the given kind names, or null when the handle is
// of another kind, out of range, free or from an earlier use of the slot.
template <class Pool>
typename Pool::value_type *FindSlot(Pool &pool, const void *handle, HandleKind kind)
{
    const HandleFields parts = UnpackHandle(handle);
    if (parts.kind != kind || parts.slot >= pool.size())
        return nullptr;
    auto &slot = pool[parts.slot];
    return slot.used && slot.generation == parts.generation ? &slot : nullptr;
}

// The instance handle that main passes to WinMain: the usual image base of a
// 32-bit Windows program, so it looks like one in logs.
inline HINSTANCE ProcessInstance() { return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}); }

} // namespace zorbel::standin
