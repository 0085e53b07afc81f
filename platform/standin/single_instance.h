// Finding and raising the window of another running copy, through one Unix
// socket per top-level window class in a per-user directory of mode 0700.
//
// Protocol: the client connects, sends the 4 bytes "ZRB1" and one request
// byte, and reads one answer byte ('0' or '1'). Requests: 'P' is the window
// there, 'I' is it minimised, 'R' restore it, 'F' bring it to the front.
// Anything else, a short or long request, or silence past a deadline gets
// the connection closed without an answer. One request per connection.
#pragma once

#include <memory>
#include <string>

namespace zorbel::standin {

enum class InstanceRequest : char {
    Ping = 'P',
    IsIconic = 'I',
    Restore = 'R',
    Foreground = 'F',
};

// The per-user directory: $XDG_RUNTIME_DIR/zorbel, else /tmp/zorbel-<uid>;
// created with mode 0700 if missing. Empty when it is missing and cannot be
// made, or is not a directory owned by the user with mode 0700 (never trusted then).
std::string DefaultInstanceDirectory();
bool IsPrivateDirectory(const std::string &directory);

// The socket path of a window class in a directory; empty if it would not fit.
std::string InstanceSocketPath(const std::string &directory, const std::string &className);

class InstanceServer {
public:
    // Answers a request for the window; false on failure (answered '0').
    using Handler = bool (*)(void *context, InstanceRequest request);

    // Listens on the class's socket, replacing a stale one left by a crashed
    // copy. Null when another live copy listens there or on any failure.
    static std::unique_ptr<InstanceServer> Listen(const std::string &directory,
                                                  const std::string &className);
    ~InstanceServer();
    InstanceServer(const InstanceServer &) = delete;
    InstanceServer &operator=(const InstanceServer &) = delete;

    // Accepts and answers what is waiting, without ever blocking.
    void Service(Handler handler, void *context);

private:
    struct Pending {
        int fd = -1;
        unsigned char bytes[5] = {};
        int received = 0;
        unsigned long long deadlineMs = 0;
    };
    static constexpr int kMaxPending = 4;

    InstanceServer(int fd, std::string path, unsigned long long inode);
    void AcceptWaiting();
    void ServicePending(Pending &pending, Handler handler, void *context);
    static void Close(Pending &pending);

    int fd_ = -1;
    std::string path_;
    unsigned long long inode_ = 0;
    Pending pending_[kMaxPending];
};

// Sends one request to the copy owning the class's socket. Returns 1 or 0 as
// answered, or -1 when nobody answered within the timeout (no copy, a stale
// socket, or a copy too busy).
int AskInstance(const std::string &directory, const std::string &className,
                InstanceRequest request, int timeoutMs);

} // namespace zorbel::standin
