#include "platform/standin/single_instance.h"

#include "platform/standin/monotonic.h"

#include "common/checksum.h"
#include <algorithm>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorbel::standin {

namespace {

constexpr char kComeForward = 'F';
constexpr char kComeForwardWithToken = 'A';
constexpr std::size_t kMaxTokenLength = 255;
constexpr int kMaxReadsPerPump = 64;

// The descriptors of the claims this process holds. A child forked without
// exec (SDL draws its message boxes in one) inherits them: it lets them go
// at once, and ends with this process, so that it can never keep the class
// claimed after this process is gone.
constexpr int kMaxHeld = 32;
int g_held[kMaxHeld];
int g_heldCount = 0;
pid_t g_holder = 0;

void LetGoInChild()
{
    for (int i = 0; i < g_heldCount; ++i)
        (void)close(g_held[i]);
    g_heldCount = 0;
    (void)prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != g_holder) // this process ended before the line above
        _exit(1);
}

void Hold(int fd)
{
    if (g_holder == 0) {
        g_holder = getpid();
        (void)pthread_atfork(nullptr, nullptr, LetGoInChild);
    }
    if (fd >= 0 && g_heldCount < kMaxHeld)
        g_held[g_heldCount++] = fd;
}

void LetGo(int fd)
{
    for (int i = 0; i < g_heldCount; ++i)
        if (g_held[i] == fd) {
            g_held[i] = g_held[--g_heldCount];
            return;
        }
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
        if (mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST) {
            *why = Reason(cache, std::strerror(errno)); // a full disk, say
            return {};
        }
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
    Hold(lock_);
    Hold(socket_);
    NoteSocket();
}

namespace {

std::string LockPath(const std::string &socketPath)
{
    return socketPath.substr(0, socketPath.size() - 5) + ".lock";
}

int OpenLock(const std::string &lockPath)
{
    return open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// Whether a process has a socket bound at the address: a copy whose lock
// file was taken away still answers there.
bool Answers(const sockaddr_un &address)
{
    const int probe = NewSocket();
    const bool answers = probe >= 0 && connect(probe, reinterpret_cast<const sockaddr *>(&address),
                                               sizeof(address)) == 0;
    if (probe >= 0)
        (void)close(probe);
    return answers;
}

// A socket bound at the path, after whatever was left there is removed; -1
// with errno set when none could be.
int BindAt(const std::string &path, const sockaddr_un &address)
{
    struct stat left {};
    if (lstat(path.c_str(), &left) == 0 && !S_ISDIR(left.st_mode))
        (void)unlink(path.c_str());
    const int socket = NewSocket();
    if (socket >= 0 &&
        bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        const int error = errno;
        (void)close(socket);
        errno = error;
        return -1;
    }
    return socket;
}

} // namespace

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
    const std::string lockPath = LockPath(path);
    const int lock = OpenLock(lockPath);
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
    if (Answers(address)) {
        (void)close(lock);
        return Outcome::HeldElsewhere;
    }
    // The lock is ours and nobody answers at the socket: whatever is there
    // was left by an earlier holder.
    const int socket = BindAt(path, address);
    if (socket < 0) // still the copy of the class, only not reachable by others
        *why = Reason(path, std::strerror(errno));
    claim->reset(new InstanceClaim(lock, socket, path));
    return Outcome::Claimed;
}

void InstanceClaim::NoteSocket()
{
    struct stat info {};
    socketFile_ = {0, 0};
    if (socket_ >= 0 && lstat(path_.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        socketFile_ = {info.st_dev, info.st_ino};
}

bool InstanceClaim::OwnSocketFile() const
{
    struct stat info {};
    return socketFile_.second != 0 && lstat(path_.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_dev == socketFile_.first && info.st_ino == socketFile_.second;
}

void InstanceClaim::Repair()
{
    // The lock file taken away or replaced: another copy could take the
    // class. A new one is made and locked where nobody holds it yet.
    const std::string lockPath = LockPath(path_);
    struct stat held {};
    struct stat there {};
    if (fstat(lock_, &held) == 0 && (lstat(lockPath.c_str(), &there) != 0 ||
                                     there.st_dev != held.st_dev || there.st_ino != held.st_ino)) {
        const int lock = OpenLock(lockPath);
        if (lock >= 0 && flock(lock, LOCK_EX | LOCK_NB) == 0) {
            LetGo(lock_);
            (void)close(lock_);
            lock_ = lock;
            Hold(lock_);
        } else if (lock >= 0) {
            (void)close(lock);
        }
    }
    // The socket's path taken away or replaced: nobody could reach this
    // copy, and the next copy would run beside it.
    sockaddr_un address{};
    if (socket_ < 0 || OwnSocketFile() || !FillAddress(path_, &address))
        return;
    const int socket = BindAt(path_, address);
    if (socket < 0)
        return;
    LetGo(socket_);
    (void)close(socket_);
    socket_ = socket;
    Hold(socket_);
    NoteSocket();
}

InstanceClaim::~InstanceClaim()
{
    if (socket_ >= 0) {
        // Only the socket this copy made: whatever else took its path is
        // not this copy's to remove.
        if (OwnSocketFile())
            (void)unlink(path_.c_str());
        LetGo(socket_);
        (void)close(socket_);
    }
    LetGo(lock_);
    (void)close(lock_); // releases the lock; the lock file stays for the next copy
}

bool IsActivationToken(const std::string &token)
{
    return !token.empty() && token.size() <= kMaxTokenLength &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
}

bool InstanceClaim::Asked(std::string *activation)
{
    bool asked = false;
    // A bounded number is read at each pump, the rest at the next ones: a
    // sender that never stops cannot hold the program here.
    for (int read = 0; read < kMaxReadsPerPump && socket_ >= 0; ++read) {
        // One more than the longest request: a longer one is cut, and seen
        // to be too long.
        char request[kMaxTokenLength + 2];
        sockaddr_un from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t got = recvfrom(socket_, request, sizeof(request), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (got < 0 && errno != EINTR)
            break;
        bool wellFormed = false;
        if (got == 1 && request[0] == kComeForward) {
            wellFormed = true;
            activation->clear();
        } else if (got > 1 && request[0] == kComeForwardWithToken) {
            const std::string token(request + 1, static_cast<std::size_t>(got) - 1);
            if (IsActivationToken(token)) {
                wellFormed = true;
                *activation = token;
            }
        }
        if (wellFormed) {
            asked = true;
            // Only an address of the sender's own can be answered: an
            // unbound sender's is the family alone.
            const bool answerable = fromLength > sizeof(sa_family_t) &&
                                    fromLength <= sizeof(from) && from.sun_family == AF_UNIX;
            asker_ = from;
            askerLength_ = answerable ? fromLength : 0;
        }
    }
    return asked;
}

void InstanceClaim::Answer(bool focused)
{
    if (askerLength_ == 0 || socket_ < 0)
        return;
    const char answer = focused ? 'Y' : 'N';
    // Never waits: an asker gone or not reading is not waited for.
    (void)sendto(socket_, &answer, 1, MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr *>(&asker_), askerLength_);
    askerLength_ = 0;
}

namespace {

// An address of the socket's own, in the abstract namespace, which the
// kernel picks: the answer comes back to it, and nothing is left in any
// folder.
bool BindForAnswer(int fd)
{
    sockaddr_un own{};
    own.sun_family = AF_UNIX;
    return bind(fd, reinterpret_cast<const sockaddr *>(&own), sizeof(sa_family_t)) == 0;
}

ForwardAnswer AwaitAnswer(int fd, int timeoutMs)
{
    const unsigned long long deadline =
        MonotonicMilliseconds() + static_cast<unsigned long long>(std::max(timeoutMs, 0));
    for (;;) {
        const unsigned long long now = MonotonicMilliseconds();
        if (now >= deadline)
            return ForwardAnswer::None;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(deadline - now)) <= 0)
            continue;
        char answer = 0;
        if (recv(fd, &answer, 1, MSG_DONTWAIT) == 1 && (answer == 'Y' || answer == 'N'))
            return answer == 'Y' ? ForwardAnswer::Focused : ForwardAnswer::Refused;
    }
}

} // namespace

bool AskToComeForward(const std::string &directory, const std::string &className, int timeoutMs,
                      const std::string &activation, ForwardAnswer *answer, int answerTimeoutMs)
{
    if (answer != nullptr)
        *answer = ForwardAnswer::None;
    const std::string request = IsActivationToken(activation)
                                    ? std::string(1, kComeForwardWithToken) + activation
                                    : std::string(1, kComeForward);
    sockaddr_un address{};
    const int fd = NewSocket();
    if (!FillAddress(InstanceSocketPath(directory, className), &address) || fd < 0) {
        if (fd >= 0)
            (void)close(fd);
        return false;
    }
    // Unanswered where it cannot have an address: the request goes all the same.
    const bool answerable = answer != nullptr && BindForAnswer(fd);
    const unsigned long long deadline =
        MonotonicMilliseconds() + static_cast<unsigned long long>(timeoutMs);
    // The holder may be between taking the lock and binding its socket, or
    // have its queue full: try again until the deadline.
    bool sent = false;
    while (!(sent = sendto(fd, request.data(), request.size(), MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr *>(&address),
                           sizeof(address)) == static_cast<ssize_t>(request.size())) &&
           MonotonicMilliseconds() < deadline) {
        timespec pause{0, 10 * 1000 * 1000};
        (void)nanosleep(&pause, nullptr);
    }
    if (sent && answerable)
        *answer = AwaitAnswer(fd, answerTimeoutMs);
    (void)close(fd);
    return sent;
}

} // namespace zorbel::standin
