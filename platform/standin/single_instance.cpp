#include "platform/standin/single_instance.h"

#include "platform/standin/monotonic.h"

#include "common/checksum.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

constexpr char kComeForward = 'F';
constexpr int kMaxReadsPerPump = 64;

bool FillAddress(const std::string &path, sockaddr_un *address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address->sun_path))
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int NewSocket() { return socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

std::string Reason(const std::string &path, const char *what) { return path + ": " + what; }

// The user's cache folder: $XDG_CACHE_HOME, else ~/.cache; empty for none.
std::string CacheDirectory()
{
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return cache;
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd *user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.cache" : std::string{};
}

} // namespace

bool IsPrivateDirectory(const std::string &directory, std::string *why)
{
    struct stat info {};
    const char *reason = nullptr;
    if (lstat(directory.c_str(), &info) != 0)
        reason = std::strerror(errno);
    else if (!S_ISDIR(info.st_mode))
        reason = "not a folder";
    else if (info.st_uid != getuid())
        reason = "owned by another user";
    else if ((info.st_mode & 0777) != 0700)
        reason = "open to other users";
    if (reason != nullptr && why != nullptr)
        *why = Reason(directory, reason);
    return reason == nullptr;
}

std::string DefaultInstanceDirectory(std::string *why)
{
    std::string directory;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        directory = std::string(runtime) + "/zorbel";
    } else {
        // Not a shared folder such as /tmp: another user could make the
        // folder there first and so switch the check off.
        const std::string cache = CacheDirectory();
        if (cache.empty()) {
            *why = "neither XDG_RUNTIME_DIR nor a home folder is set";
            return {};
        }
        (void)mkdir(cache.c_str(), 0700);
        directory = cache + "/zorbel";
    }
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = Reason(directory, std::strerror(errno));
        return {};
    }
    if (!IsPrivateDirectory(directory, why))
        return {};
    if (InstanceSocketPath(directory, "").empty()) {
        *why = Reason(directory, "too long a path for a socket");
        return {};
    }
    return directory;
}

std::string InstanceSocketPath(const std::string &directory, const std::string &className)
{
    // Class names compare without regard to case and may hold any byte: the
    // file is named by a hash of the name in lower case.
    std::uint64_t hash = kFnvBasis;
    for (char c : className)
        hash = Fnv1a(hash, static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(c))));
    char name[32];
    (void)std::snprintf(name, sizeof(name), "/%016llx.sock", static_cast<unsigned long long>(hash));
    sockaddr_un address{};
    if (directory.empty() || directory.size() + std::strlen(name) >= sizeof(address.sun_path))
        return {};
    return directory + name;
}

InstanceClaim::InstanceClaim(int lock, int socket, std::string path)
    : lock_(lock), socket_(socket), path_(std::move(path))
{
}

InstanceClaim::Outcome InstanceClaim::Claim(const std::string &directory,
                                            const std::string &className,
                                            std::unique_ptr<InstanceClaim> *claim, std::string *why)
{
    sockaddr_un address{};
    const std::string path = InstanceSocketPath(directory, className);
    if (!FillAddress(path, &address)) {
        *why = Reason(directory, "too long a path for a socket");
        return Outcome::Unavailable;
    }
    const std::string lockPath = path.substr(0, path.size() - 5) + ".lock";
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        *why = Reason(lockPath, std::strerror(errno));
        return Outcome::Unavailable;
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        (void)close(lock);
        if (error == EWOULDBLOCK)
            return Outcome::HeldElsewhere;
        *why = Reason(lockPath, std::strerror(error));
        return Outcome::Unavailable;
    }
    // The lock is ours: whatever socket is there was left by an earlier holder.
    (void)unlink(path.c_str());
    int socket = NewSocket();
    if (socket < 0 ||
        bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        // Still the copy of the class, only not reachable by others.
        *why = Reason(path, std::strerror(errno));
        if (socket >= 0)
            (void)close(socket);
        socket = -1;
    }
    claim->reset(new InstanceClaim(lock, socket, path));
    return Outcome::Claimed;
}

InstanceClaim::~InstanceClaim()
{
    if (socket_ >= 0) {
        (void)unlink(path_.c_str());
        (void)close(socket_);
    }
    (void)close(lock_); // releases the lock; the lock file stays for the next copy
}

bool InstanceClaim::Asked()
{
    bool asked = false;
    // A bounded number is read at each pump, the rest at the next ones: a
    // sender that never stops cannot hold the program here.
    for (int read = 0; read < kMaxReadsPerPump && socket_ >= 0; ++read) {
        char request[2];
        const ssize_t got = recv(socket_, request, sizeof(request), MSG_DONTWAIT);
        if (got < 0 && errno != EINTR)
            break;
        asked = asked || (got == 1 && request[0] == kComeForward);
    }
    return asked;
}

bool AskToComeForward(const std::string &directory, const std::string &className, int timeoutMs)
{
    sockaddr_un address{};
    const int fd = NewSocket();
    if (!FillAddress(InstanceSocketPath(directory, className), &address) || fd < 0) {
        if (fd >= 0)
            (void)close(fd);
        return false;
    }
    const unsigned long long deadline =
        MonotonicMilliseconds() + static_cast<unsigned long long>(timeoutMs);
    // The holder may be between taking the lock and binding its socket, or
    // have its queue full: try again until the deadline.
    bool sent = false;
    while (!(sent = sendto(fd, &kComeForward, 1, MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 1) &&
           MonotonicMilliseconds() < deadline) {
        timespec pause{0, 10 * 1000 * 1000};
        (void)nanosleep(&pause, nullptr);
    }
    (void)close(fd);
    return sent;
}

} // namespace zorbel::standin
