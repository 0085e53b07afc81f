// Whether a Wayland display offers a seat, asked of a compositor played by
// the test on a socket of its own: the globals it lists, whole or in
// pieces; a silent one, one that answers nonsense or an error, and none.
#include "platform/standin/wayland_seat.h"
#include "platform/wayland_wire.h"

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

using zorbel::test::Bytes;
using zorbel::test::Done;
using zorbel::test::Global;
using zorbel::test::Joined;
using zorbel::test::Message;
using zorbel::test::Put;

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
