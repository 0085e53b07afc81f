#include "platform/standin/wayland_seat.h"

#include "platform/standin/monotonic.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

// The protocol's objects and requests used here: the display (object 1)
// is asked for its registry (object 2) and then for a callback (object 3),
// which the compositor answers once it has sent every global before it.
constexpr std::uint32_t kDisplay = 1;
constexpr std::uint32_t kRegistry = 2;
constexpr std::uint32_t kCallback = 3;
constexpr std::uint32_t kSync = 0;
constexpr std::uint32_t kGetRegistry = 1;
constexpr std::uint32_t kGlobal = 0;
constexpr std::uint32_t kDone = 0;
constexpr std::size_t kHeader = 8;
// More than any compositor's list of globals needs.
constexpr std::size_t kMostAnswer = 1 << 16;

bool SocketPath(std::string *path)
{
    const char *name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return false;
    if (name[0] == '/') {
        *path = name;
    } else {
        const char *runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || runtime[0] == '\0')
            return false;
        *path = std::string(runtime) + "/" + name;
    }
    return path->size() < sizeof(sockaddr_un{}.sun_path);
}

std::uint32_t Word(const std::vector<unsigned char> &bytes, std::size_t at)
{
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    return word;
}

// A global's interface name, from its arguments: name, string, version. A
// string is its length with the terminating zero, then its bytes.
bool GlobalInterface(const std::vector<unsigned char> &bytes, std::size_t at, std::size_t end,
                     std::string *interface)
{
    if (at + 8 > end)
        return false;
    const std::uint32_t length = Word(bytes, at + 4);
    if (length == 0 || length > end - at - 8)
        return false;
    interface->assign(reinterpret_cast<const char *>(bytes.data() + at + 8), length - 1);
    return true;
}

// Reads the messages in `bytes`, from the first: Offered or NotOffered once
// the callback is done; Unknown while it is not, or when the answer makes no
// sense (then *broken).
WaylandSeat Read(const std::vector<unsigned char> &bytes, bool *seat, bool *broken)
{
    std::size_t at = 0;
    while (bytes.size() - at >= kHeader) {
        const std::uint32_t object = Word(bytes, at);
        const std::uint32_t sizeAndCode = Word(bytes, at + 4);
        const std::size_t size = sizeAndCode >> 16;
        const std::uint32_t code = sizeAndCode & 0xFFFF;
        if (size < kHeader || size % 4 != 0) {
            *broken = true;
            return WaylandSeat::Unknown;
        }
        if (bytes.size() - at < size)
            break;
        std::string interface;
        if (object == kRegistry && code == kGlobal &&
            GlobalInterface(bytes, at + kHeader, at + size, &interface) && interface == "wl_seat")
            *seat = true;
        if (object == kCallback && code == kDone)
            return *seat ? WaylandSeat::Offered : WaylandSeat::NotOffered;
        if (object == kDisplay && code == 0) { // an error
            *broken = true;
            return WaylandSeat::Unknown;
        }
        at += size;
    }
    return WaylandSeat::Unknown;
}

} // namespace

WaylandSeat AskWaylandSeat(int waitMs)
{
    std::string path;
    if (std::getenv("WAYLAND_SOCKET") != nullptr || !SocketPath(&path))
        return WaylandSeat::Unknown;
    const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0)
        return WaylandSeat::Unknown;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const std::uint32_t asked[] = {kDisplay, (12U << 16) | kGetRegistry, kRegistry,
                                   kDisplay, (12U << 16) | kSync,        kCallback};
    WaylandSeat answer = WaylandSeat::Unknown;
    if (connect(connection, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        send(connection, asked, sizeof asked, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof asked)) {
        std::vector<unsigned char> bytes;
        bool seat = false;
        bool broken = false;
        const long long end = MicrosecondsNow() + static_cast<long long>(waitMs) * 1000;
        for (long long left = end - MicrosecondsNow(); left > 0 && bytes.size() < kMostAnswer;
             left = end - MicrosecondsNow()) {
            pollfd readable{connection, POLLIN, 0};
            if (poll(&readable, 1, static_cast<int>((left + 999) / 1000)) != 1)
                break;
            unsigned char chunk[4096];
            const ssize_t got = recv(connection, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + got);
            seat = false; // read again from the start
            answer = Read(bytes, &seat, &broken);
            if (answer != WaylandSeat::Unknown || broken)
                break;
        }
    }
    (void)close(connection);
    return answer;
}

} // namespace zorbel::standin
