// Whether a Wayland display offers a seat, asked of a compositor played by
// the test on a socket of its own: the globals it lists, whole or in
// pieces; a silent one, one that answers nonsense or an error, and none.
#include "platform/standin/wayland_seat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using zorbel::standin::AskWaylandSeat;
using zorbel::standin::WaylandSeat;

using Bytes = std::vector<unsigned char>;

void Put(Bytes *bytes, std::uint32_t word)
{
    unsigned char raw[4];
    std::memcpy(raw, &word, sizeof raw);
    bytes->insert(bytes->end(), raw, raw + 4);
}

// A message: object, opcode, and its arguments already laid out.
Bytes Message(std::uint32_t object, std::uint32_t code, const Bytes &arguments)
{
    Bytes bytes;
    Put(&bytes, object);
    Put(&bytes, static_cast<std::uint32_t>((8 + arguments.size()) << 16) | code);
    bytes.insert(bytes.end(), arguments.begin(), arguments.end());
    return bytes;
}

// The registry's (object 2) global event: name, interface, version.
Bytes Global(std::uint32_t name, const std::string &interface)
{
    Bytes arguments;
    Put(&arguments, name);
    Put(&arguments, static_cast<std::uint32_t>(interface.size() + 1));
    arguments.insert(arguments.end(), interface.begin(), interface.end());
    arguments.resize(arguments.size() + 4 - interface.size() % 4, 0); // zero, then padding
    Put(&arguments, 1);
    return Message(2, 0, arguments);
}

// The callback's (object 3) done event.
Bytes Done()
{
    Bytes serial;
    Put(&serial, 7);
    return Message(3, 0, serial);
}

Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A compositor on a socket in a folder of its own, named to the program
// by WAYLAND_DISPLAY as a path: it takes one client, reads its two
// requests, and answers with `pieces`, one write each.
class Compositor {
public:
    explicit Compositor(std::vector<Bytes> pieces) : pieces_(std::move(pieces))
    {
        char folder[] = "/tmp/zorbel-wayland-XXXXXX";
        folder_ = mkdtemp(folder) != nullptr ? folder : "";
        path_ = folder_ + "/wayland-test";
        listening_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        if (bind(listening_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            listen(listening_, 1) != 0)
            ADD_FAILURE() << "cannot listen at " << path_;
        serving_ = std::thread([this] { Serve(); });
        (void)setenv("WAYLAND_DISPLAY", path_.c_str(), 1);
    }
    ~Compositor()
    {
        (void)unsetenv("WAYLAND_DISPLAY");
        (void)shutdown(listening_, SHUT_RDWR);
        serving_.join();
        (void)close(listening_);
        (void)unlink(path_.c_str());
        (void)rmdir(folder_.c_str());
    }
    Compositor(const Compositor &) = delete;
    Compositor &operator=(const Compositor &) = delete;

    const Bytes &Asked() const { return asked_; }

private:
    void Serve()
    {
        const int client = accept(listening_, nullptr, nullptr);
        if (client < 0)
            return;
        unsigned char request[24];
        std::size_t got = 0;
        while (got < sizeof request) {
            const ssize_t n = read(client, request + got, sizeof request - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        asked_.assign(request, request + got);
        for (const Bytes &piece : pieces_) {
            if (send(client, piece.data(), piece.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(piece.size()))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // Open until the client has done with it.
        char rest = 0;
        while (read(client, &rest, 1) > 0) {
        }
        (void)close(client);
    }

    std::vector<Bytes> pieces_;
    std::string folder_, path_;
    int listening_ = -1;
    std::thread serving_;
    Bytes asked_;
};

TEST(WaylandSeat, TheGlobalsListedSayWhetherASeatIsOffered)
{
    {
        Compositor compositor({Joined(
            {Global(1, "wl_compositor"), Global(2, "wl_seat"), Global(3, "xdg_wm_base"), Done()})});
        EXPECT_EQ(AskWaylandSeat(2000), WaylandSeat::Offered);
        // The registry (object 2) asked for, then the callback (object 3).
        Bytes asked;
        for (std::uint32_t word : {1U, (12U << 16) | 1U, 2U, 1U, 12U << 16, 3U})
            Put(&asked, word);
        EXPECT_EQ(compositor.Asked(), asked);
    }
    {
        // Names that merely begin like a seat's are not one.
        Compositor compositor({Joined(
            {Global(1, "wl_compositor"), Global(2, "wl_seat_x"), Global(3, "wl_shm"), Done()})});
        EXPECT_EQ(AskWaylandSeat(2000), WaylandSeat::NotOffered);
    }
}

TEST(WaylandSeat, AnAnswerInPiecesIsReadWhole)
{
    const Bytes all = Joined({Global(1, "wl_compositor"), Global(9, "wl_seat"), Done()});
    std::vector<Bytes> pieces;
    for (std::size_t at = 0; at < all.size(); at += 5)
        pieces.emplace_back(all.begin() + static_cast<long>(at),
                            all.begin() + static_cast<long>(std::min(at + 5, all.size())));
    Compositor compositor(pieces);
    EXPECT_EQ(AskWaylandSeat(2000), WaylandSeat::Offered);
}

// What cannot be told is Unknown, and SDL is left to try: a compositor
// that says nothing in time, one that never says it is done, nonsense
// (a message shorter than its header), an error, and no compositor at all.
TEST(WaylandSeat, WhatCannotBeToldIsUnknown)
{
    {
        Compositor silent({});
        EXPECT_EQ(AskWaylandSeat(100), WaylandSeat::Unknown);
    }
    {
        Compositor unfinished({Global(1, "wl_seat")});
        EXPECT_EQ(AskWaylandSeat(100), WaylandSeat::Unknown);
    }
    {
        Bytes shortMessage;
        Put(&shortMessage, 2);
        Put(&shortMessage, 4U << 16);
        Compositor nonsense({Joined({shortMessage, Done()})});
        EXPECT_EQ(AskWaylandSeat(2000), WaylandSeat::Unknown);
    }
    {
        Bytes error;
        Put(&error, 1);
        Put(&error, 1);
        Put(&error, 2);
        Put(&error, 0);
        Compositor refusing({Message(1, 0, error), Done()});
        EXPECT_EQ(AskWaylandSeat(2000), WaylandSeat::Unknown);
    }
    (void)setenv("WAYLAND_DISPLAY", "/nonexistent/wayland-0", 1);
    EXPECT_EQ(AskWaylandSeat(100), WaylandSeat::Unknown);
    (void)unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(AskWaylandSeat(100), WaylandSeat::Unknown);
}

} // namespace
