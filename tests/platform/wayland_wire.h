// Messages of the Wayland wire protocol, laid out as a compositor sends
// them, for the tests that play one.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace zorbel::test {

using Bytes = std::vector<unsigned char>;

inline void Put(Bytes *bytes, std::uint32_t word)
{
    unsigned char raw[4];
    std::memcpy(raw, &word, sizeof raw);
    bytes->insert(bytes->end(), raw, raw + 4);
}

// A string argument: its length with the closing zero, then it, padded.
inline void PutString(Bytes *bytes, const std::string &text)
{
    Put(bytes, static_cast<std::uint32_t>(text.size() + 1));
    bytes->insert(bytes->end(), text.begin(), text.end());
    bytes->resize(bytes->size() + 4 - text.size() % 4, 0); // zero, then padding
}

// A message: object, opcode, and its arguments already laid out.
inline Bytes Message(std::uint32_t object, std::uint32_t code, const Bytes &arguments)
{
    Bytes bytes;
    Put(&bytes, object);
    Put(&bytes, static_cast<std::uint32_t>((8 + arguments.size()) << 16) | code);
    bytes.insert(bytes.end(), arguments.begin(), arguments.end());
    return bytes;
}

// The registry's global event: name, interface, version 1.
inline Bytes Global(std::uint32_t name, const std::string &interface, std::uint32_t registry = 2)
{
    Bytes arguments;
    Put(&arguments, name);
    PutString(&arguments, interface);
    Put(&arguments, 1);
    return Message(registry, 0, arguments);
}

// A callback's done event, and the display's word that its id is free.
inline Bytes Done(std::uint32_t callback = 3)
{
    Bytes serial;
    Put(&serial, 7);
    return Message(callback, 0, serial);
}

inline Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace zorbel::test
