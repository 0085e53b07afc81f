// Activating a window on Wayland, against a compositor played by the test
// over a socket pair: what the client library sends for it, read off the
// wire; what other readers of the display are left to dispatch; and a
// compositor without the protocol, or one that hangs up.
#include "platform/standin/wayland_activation.h"
#include "platform/wayland_wire.h"

#include <gtest/gtest.h>
#include <wayland-client-core.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

extern "C" const wl_interface wl_callback_interface;
extern "C" const wl_interface wl_surface_interface;

namespace {

using zorbel::standin::ActivateWaylandSurface;
using zorbel::standin::WaylandActivation;
using namespace zorbel::test;

// What the client asked of the compositor.
struct Seen {
    std::vector<std::string> bound; // the interfaces bound, in order
    std::uint32_t activation = 0;   // the activation object's id
    std::string token;
    std::uint32_t surface = 0;
    bool destroyed = false; // the activation object, after its request
};

// A compositor with the globals `globals` (names 1, 2, ...), on one end of
// a socket pair; the test's client has the other. Hanging up, it closes
// the connection as soon as the registry is asked for.
class Compositor {
public:
    explicit Compositor(std::vector<std::string> globals, bool hangUp = false)
        : globals_(std::move(globals)), hangUp_(hangUp)
    {
        int ends[2] = {-1, -1};
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            ADD_FAILURE() << "no socket pair";
        own_ = ends[0];
        client_ = ends[1];
        serving_ = std::thread([this] { Serve(); });
    }
    ~Compositor()
    {
        if (serving_.joinable())
            serving_.join();
        (void)close(own_);
    }
    Compositor(const Compositor &) = delete;
    Compositor &operator=(const Compositor &) = delete;

    int ClientEnd() const { return client_; } // the library takes it over
    // Waits until the client hung up, then tells what it asked.
    const Seen &Asked()
    {
        serving_.join();
        return seen_;
    }

private:
    bool ReadWhole(unsigned char *into, std::size_t size)
    {
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = read(own_, into + got, size - got);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }
    void Send(const Bytes &bytes) { (void)send(own_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    static std::uint32_t Word(const Bytes &arguments, std::size_t at)
    {
        std::uint32_t word = 0;
        if (at + 4 <= arguments.size())
            std::memcpy(&word, arguments.data() + at, 4);
        return word;
    }
    static std::string Text(const Bytes &arguments, std::size_t at, std::size_t *after)
    {
        const std::uint32_t length = Word(arguments, at);
        *after = at + 4 + (length + 3) / 4 * 4;
        if (length == 0 || at + 4 + length > arguments.size())
            return {};
        return std::string(reinterpret_cast<const char *>(arguments.data()) + at + 4, length - 1);
    }

    void Serve()
    {
        std::uint32_t registry = 0;
        unsigned char header[8];
        while (ReadWhole(header, sizeof header)) {
            std::uint32_t object = 0;
            std::uint32_t sizeAndCode = 0;
            std::memcpy(&object, header, 4);
            std::memcpy(&sizeAndCode, header + 4, 4);
            const std::uint32_t code = sizeAndCode & 0xFFFF;
            const std::size_t size = sizeAndCode >> 16;
            if (size < 8)
                break;
            Bytes arguments(size - 8);
            if (!ReadWhole(arguments.data(), arguments.size()))
                break;
            if (object == 1 && code == 1) { // get_registry
                if (hangUp_)
                    break;
                registry = Word(arguments, 0);
                for (std::size_t i = 0; i < globals_.size(); ++i)
                    Send(Global(static_cast<std::uint32_t>(i + 1), globals_[i], registry));
            } else if (object == 1 && code == 0) { // sync
                const std::uint32_t callback = Word(arguments, 0);
                Bytes freed;
                Put(&freed, callback);
                Send(Joined({Done(callback), Message(1, 1, freed)}));
            } else if (object == registry && code == 0) { // bind
                std::size_t after = 0;
                seen_.bound.push_back(Text(arguments, 4, &after));
                if (seen_.bound.back() == "xdg_activation_v1")
                    seen_.activation = Word(arguments, after + 4);
            } else if (object == seen_.activation && code == 2) { // activate
                std::size_t after = 0;
                seen_.token = Text(arguments, 0, &after);
                seen_.surface = Word(arguments, after);
            } else if (object == seen_.activation && code == 0) { // destroy
                seen_.destroyed = !seen_.token.empty();
            }
        }
        (void)shutdown(own_, SHUT_RDWR);
    }

    std::vector<std::string> globals_;
    bool hangUp_;
    int own_ = -1;
    int client_ = -1;
    std::thread serving_;
    Seen seen_;
};

void Told(void *data, wl_proxy *, std::uint32_t) { *static_cast<bool *>(data) = true; }

TEST(WaylandActivation, TheTokenGoesToTheCompositorWithTheWindowsSurface)
{
    Compositor compositor({"wl_compositor", "wl_seat", "xdg_activation_v1", "xdg_wm_base"});
    wl_display *display = wl_display_connect_to_fd(compositor.ClientEnd());
    ASSERT_NE(display, nullptr);
    // The window's surface, as SDL made it (no request needed here).
    auto *surface = wl_proxy_create(reinterpret_cast<wl_proxy *>(display), &wl_surface_interface);
    ASSERT_NE(surface, nullptr);
    // A sync of SDL's, answered while the activation is asked: left for
    // SDL's own dispatch.
    bool sdlTold = false;
    wl_proxy *sync = wl_proxy_marshal_flags(reinterpret_cast<wl_proxy *>(display), 0,
                                            &wl_callback_interface, 1, 0, nullptr);
    static void (*const listener[])(void) = {reinterpret_cast<void (*)(void)>(&Told)};
    ASSERT_EQ(wl_proxy_add_listener(sync, const_cast<void (**)(void)>(listener), &sdlTold), 0);

    EXPECT_EQ(ActivateWaylandSurface(display, reinterpret_cast<wl_surface *>(surface),
                                     "launcher-token-42"),
              WaylandActivation::Asked);
    EXPECT_FALSE(sdlTold) << "another reader's event dispatched by the activation";
    EXPECT_GE(wl_display_roundtrip(display), 0);
    EXPECT_TRUE(sdlTold) << "another reader's event lost";
    wl_proxy_destroy(sync);

    const std::uint32_t surfaceId = wl_proxy_get_id(surface);
    wl_proxy_destroy(surface);
    wl_display_disconnect(display);
    const Seen &seen = compositor.Asked();
    EXPECT_EQ(seen.bound, std::vector<std::string>{"xdg_activation_v1"});
    EXPECT_EQ(seen.token, "launcher-token-42");
    EXPECT_EQ(seen.surface, surfaceId);
    EXPECT_TRUE(seen.destroyed) << "the activation object is left behind";
}

// Without the protocol nothing is bound and the caller is told so; a
// compositor that hangs up is a failure, not a wait or a crash.
TEST(WaylandActivation, NoProtocolOrNoCompositorIsSaid)
{
    // Asks with a surface of the client's own.
    auto ask = [](Compositor &compositor) {
        wl_display *display = wl_display_connect_to_fd(compositor.ClientEnd());
        if (display == nullptr) {
            ADD_FAILURE() << "no display";
            return WaylandActivation::NoLibrary;
        }
        auto *surface =
            wl_proxy_create(reinterpret_cast<wl_proxy *>(display), &wl_surface_interface);
        const WaylandActivation outcome =
            ActivateWaylandSurface(display, reinterpret_cast<wl_surface *>(surface), "t");
        wl_proxy_destroy(surface);
        wl_display_disconnect(display);
        return outcome;
    };
    {
        Compositor compositor({"wl_compositor", "wl_seat"});
        EXPECT_EQ(ask(compositor), WaylandActivation::NoProtocol);
        EXPECT_TRUE(compositor.Asked().bound.empty());
    }
    {
        Compositor compositor({"xdg_activation_v1"}, true);
        EXPECT_EQ(ask(compositor), WaylandActivation::Failed);
        EXPECT_TRUE(compositor.Asked().bound.empty());
    }
}

} // namespace
