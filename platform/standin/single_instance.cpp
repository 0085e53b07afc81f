#include "platform/standin/single_instance.h"

#include "platform/standin/monotonic.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

constexpr unsigned long long kRequestDeadlineMs = 1000;
constexpr char kComeForward = 'F';

bool FillAddress(const std::string &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address->sun_path))
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int NewSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

std::string LockPath(const std::string &socketPath)
{
    return socketPath.substr(0, socketPath.size() - 5) + ".lock";
}

std::string Reason(const std::string &path, const char *what)
{
    return path + ": " + what;
}

} // namespace

bool IsPrivateDirectory(const std::string &directory, std::string *problem)
{
    struct stat info{};
    const char *reason = nullptr;
    if (lstat(directory.c_str(), &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISDIR(info.st_mode))
        reason = "not a folder";
    else if (info.st_uid != getuid())
        reason = "owned by another user";
    else if ((info.st_mode & 0777) != 0700)
        reason = "open to other users";
    if (reason != nullptr && problem != nullptr)
        *problem = Reason(directory, reason);
    return reason == nullptr;
}

std::string DefaultInstanceDirectory(std::string *problem)
{
    std::string directory;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        directory = std::string(runtime) + "/zorbel";
    else
        directory = "/tmp/zorbel-" + std::to_string(getuid());
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        *problem = Reason(directory, std::strerror(errno));
        return {};
    }
    if (!IsPrivateDirectory(directory, problem))
        return {};
    if (InstanceSocketPath(directory, "").empty()) {
        *problem = Reason(directory, "too long a path for a socket");
        return {};
    }
    return directory;
}

std::string InstanceSocketPath(const std::string &directory, const std::string &className)
{
    // Class names compare without regard to case and may hold any byte: keep
    // a readable prefix and make the name unique with a hash of the whole.
    std::string folded;
    for (char c : className)
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string readable;
    for (char c : folded.substr(0, 32)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        readable += plain ? c : '_';
    }
    unsigned long long hash = 1469598103934665603ull;
    for (unsigned char c : folded) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char suffix[32];
    (void)std::snprintf(suffix, sizeof(suffix), "-%016llx.sock", hash);
    // Sized for the longest readable prefix, so that whether a folder fits
    // does not depend on the class.
    const std::size_t longest = directory.size() + 1 + 32 + std::strlen(suffix);
    sockaddr_un address{};
    if (directory.empty() || longest >= sizeof(address.sun_path))
        return {};
    return directory + "/" + readable + suffix;
}

InstanceClaim::InstanceClaim(int lock, int listener, std::string path)
    : lock_(lock), listener_(listener), path_(std::move(path))
{
}

InstanceClaim::Outcome InstanceClaim::Claim(const std::string &directory,
                                            const std::string &className,
                                            std::unique_ptr<InstanceClaim> *claim,
                                            std::string *problem)
{
    sockaddr_un address{};
    const std::string path = InstanceSocketPath(directory, className);
    if (!FillAddress(path, &address)) {
        *problem = Reason(directory, "too long a path for a socket");
        return Outcome::Unavailable;
    }
    const std::string lockPath = LockPath(path);
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        *problem = Reason(lockPath, std::strerror(errno));
        return Outcome::Unavailable;
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        (void)close(lock);
        if (error == EWOULDBLOCK)
            return Outcome::HeldElsewhere;
        *problem = Reason(lockPath, std::strerror(error));
        return Outcome::Unavailable;
    }
    // The lock is ours: whatever socket is there was left by an earlier holder.
    (void)unlink(path.c_str());
    const int listener = NewSocket();
    if (listener < 0 || bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
        listen(listener, kMaxPending) != 0) {
        // Still the copy of the class, only not reachable by others.
        *problem = Reason(path, std::strerror(errno));
        if (listener >= 0)
            (void)close(listener);
        claim->reset(new InstanceClaim(lock, -1, path));
        return Outcome::Claimed;
    }
    claim->reset(new InstanceClaim(lock, listener, path));
    return Outcome::Claimed;
}

InstanceClaim::~InstanceClaim()
{
    for (Pending &pending : pending_)
        if (pending.fd >= 0)
            (void)close(pending.fd);
    if (listener_ >= 0) {
        (void)unlink(path_.c_str());
        (void)close(listener_);
    }
    (void)close(lock_); // releases the lock; the lock file stays for the next copy
}

bool InstanceClaim::Read(Pending &pending)
{
    char byte = 0;
    ssize_t got;
    do
        got = recv(pending.fd, &byte, 1, MSG_DONTWAIT);
    while (got < 0 && errno == EINTR);
    const bool waiting = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    if (waiting && MonotonicMilliseconds() <= pending.deadlineMs)
        return false;
    (void)close(pending.fd);
    pending = Pending{};
    return got == 1 && byte == kComeForward;
}

bool InstanceClaim::Asked()
{
    if (listener_ < 0)
        return false;
    bool asked = false;
    for (;;) {
        Pending *slot = std::find_if(std::begin(pending_), std::end(pending_),
                                     [](const Pending &pending) { return pending.fd < 0; });
        if (slot == std::end(pending_))
            break; // the rest wait in the backlog
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            break;
        *slot = Pending{client, MonotonicMilliseconds() + kRequestDeadlineMs};
    }
    for (Pending &pending : pending_)
        if (pending.fd >= 0)
            asked = Read(pending) || asked;
    return asked;
}

bool AskToComeForward(const std::string &directory, const std::string &className, int timeoutMs)
{
    sockaddr_un address{};
    if (!FillAddress(InstanceSocketPath(directory, className), &address))
        return false;
    const unsigned long long deadline = MonotonicMilliseconds() + static_cast<unsigned long long>(timeoutMs);
    // The holder may be between taking the lock and listening, or have its
    // backlog full: try again until the deadline.
    for (;;) {
        const int fd = NewSocket();
        if (fd < 0)
            return false;
        const bool sent =
            connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0 &&
            send(fd, &kComeForward, 1, MSG_NOSIGNAL) == 1;
        (void)close(fd);
        if (sent || MonotonicMilliseconds() >= deadline)
            return sent;
        timespec pause{0, 10 * 1000 * 1000};
        (void)nanosleep(&pause, nullptr);
    }
}

} // namespace zorbel::standin
