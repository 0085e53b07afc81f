#include "platform/standin/single_instance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

constexpr char kMagic[4] = {'Z', 'R', 'B', '1'};
constexpr unsigned long long kRequestDeadlineMs = 1000;

unsigned long long NowMs()
{
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long long>(now.tv_sec) * 1000ull +
           static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
}

bool FillAddress(const std::string &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address->sun_path))
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int NewSocket()
{
    return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

bool KnownRequest(unsigned char byte)
{
    switch (static_cast<InstanceRequest>(byte)) {
    case InstanceRequest::Ping:
    case InstanceRequest::IsIconic:
    case InstanceRequest::Restore:
    case InstanceRequest::Foreground:
        return true;
    }
    return false;
}

// Waits for the socket to become ready for `events` until the deadline.
bool WaitFor(int fd, short events, unsigned long long deadline)
{
    for (;;) {
        const unsigned long long now = NowMs();
        if (now >= deadline)
            return false;
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(deadline - now));
        if (ready > 0)
            return (entry.revents & events) != 0;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

bool ConnectWithin(int fd, const sockaddr_un &address, unsigned long long deadline)
{
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EAGAIN)
        return false;
    if (!WaitFor(fd, POLLOUT, deadline))
        return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// A listener there: connect succeeds, or the backlog is full (EAGAIN). A
// socket file without a listener refuses at once.
bool SomeoneListens(const sockaddr_un &address)
{
    const int fd = NewSocket();
    if (fd < 0)
        return true; // cannot tell: leave the socket alone
    const bool refused =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 &&
        (errno == ECONNREFUSED || errno == ENOENT);
    (void)close(fd);
    return !refused;
}

} // namespace

bool IsPrivateDirectory(const std::string &directory)
{
    struct stat info{};
    if (lstat(directory.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 0777) == 0700;
}

std::string DefaultInstanceDirectory()
{
    std::string directory;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        directory = std::string(runtime) + "/zorbel";
    else
        directory = "/tmp/zorbel-" + std::to_string(getuid());
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // An existing path is trusted only if it is our own private directory:
    // someone else's could hand us their socket.
    return IsPrivateDirectory(directory) ? directory : std::string{};
}

std::string InstanceSocketPath(const std::string &directory, const std::string &className)
{
    // Class names may hold any byte: keep a readable prefix and make the name
    // unique with a hash of the whole.
    std::string readable;
    for (char c : className) {
        if (readable.size() == 32)
            break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        readable += plain ? c : '_';
    }
    unsigned long long hash = 1469598103934665603ull;
    for (unsigned char c : className) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char suffix[32];
    (void)std::snprintf(suffix, sizeof(suffix), "-%016llx.sock", hash);
    std::string path = directory + "/" + readable + suffix;
    sockaddr_un address{};
    return FillAddress(path, &address) ? path : std::string{};
}

InstanceServer::InstanceServer(int fd, std::string path, unsigned long long inode)
    : fd_(fd), path_(std::move(path)), inode_(inode)
{
}

std::unique_ptr<InstanceServer> InstanceServer::Listen(const std::string &directory,
                                                       const std::string &className)
{
    sockaddr_un address{};
    const std::string path = InstanceSocketPath(directory, className);
    if (!FillAddress(path, &address))
        return nullptr;
    const int fd = NewSocket();
    if (fd < 0)
        return nullptr;
    auto bindIt = [&] {
        return bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    };
    bool bound = bindIt();
    if (!bound && errno == EADDRINUSE && !SomeoneListens(address)) {
        // Nobody answers there: a copy crashed and left its socket behind.
        (void)unlink(path.c_str());
        bound = bindIt();
    }
    struct stat info{};
    if (!bound || listen(fd, kMaxPending) != 0 || stat(path.c_str(), &info) != 0) {
        (void)close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceServer>(new InstanceServer(fd, path, info.st_ino));
}

InstanceServer::~InstanceServer()
{
    for (Pending &pending : pending_)
        Close(pending);
    // Remove the socket only if it is still ours: a later copy may have replaced it.
    struct stat info{};
    if (stat(path_.c_str(), &info) == 0 && info.st_ino == inode_)
        (void)unlink(path_.c_str());
    (void)close(fd_);
}

void InstanceServer::Close(Pending &pending)
{
    if (pending.fd >= 0)
        (void)close(pending.fd);
    pending = Pending{};
}

void InstanceServer::AcceptWaiting()
{
    for (;;) {
        const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        Pending *slot = nullptr;
        for (Pending &pending : pending_)
            if (pending.fd < 0 && slot == nullptr)
                slot = &pending;
        if (slot == nullptr) {
            (void)close(client); // too many at once: the client sees no answer
            continue;
        }
        *slot = Pending{};
        slot->fd = client;
        slot->deadlineMs = NowMs() + kRequestDeadlineMs;
    }
}

void InstanceServer::ServicePending(Pending &pending, Handler handler, void *context)
{
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = recv(pending.fd, &byte, 1, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            Close(pending);
            return;
        }
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (NowMs() > pending.deadlineMs)
                Close(pending);
            return;
        }
        if (pending.received == static_cast<int>(sizeof(pending.bytes))) {
            Close(pending); // more than one request: not ours
            return;
        }
        pending.bytes[pending.received++] = byte;
        const bool magicSoFar =
            pending.received > 4 || pending.bytes[pending.received - 1] ==
                                        static_cast<unsigned char>(kMagic[pending.received - 1]);
        if (!magicSoFar) {
            Close(pending);
            return;
        }
        if (pending.received == 5)
            break;
    }
    unsigned char extra = 0;
    const bool trailing = recv(pending.fd, &extra, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    if (trailing || !KnownRequest(pending.bytes[4])) {
        Close(pending);
        return;
    }
    const bool yes = handler(context, static_cast<InstanceRequest>(pending.bytes[4]));
    const char answer = yes ? '1' : '0';
    (void)send(pending.fd, &answer, 1, MSG_NOSIGNAL);
    Close(pending);
}

void InstanceServer::Service(Handler handler, void *context)
{
    AcceptWaiting();
    for (Pending &pending : pending_)
        if (pending.fd >= 0)
            ServicePending(pending, handler, context);
}

int AskInstance(const std::string &directory, const std::string &className,
                InstanceRequest request, int timeoutMs)
{
    sockaddr_un address{};
    if (!FillAddress(InstanceSocketPath(directory, className), &address))
        return -1;
    const int fd = NewSocket();
    if (fd < 0)
        return -1;
    const unsigned long long deadline = NowMs() + static_cast<unsigned long long>(timeoutMs);
    int result = -1;
    const char message[5] = {kMagic[0], kMagic[1], kMagic[2], kMagic[3],
                             static_cast<char>(request)};
    char answer = 0;
    if (ConnectWithin(fd, address, deadline) &&
        send(fd, message, sizeof(message), MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof(message)) &&
        WaitFor(fd, POLLIN, deadline) && recv(fd, &answer, 1, 0) == 1 &&
        (answer == '0' || answer == '1'))
        result = answer == '1' ? 1 : 0;
    (void)close(fd);
    return result;
}

} // namespace zorbel::standin
