// Finding another running copy of a window class and bringing it forward.
//
// In a per-user folder of mode 0700, each class has a lock file and a Unix
// datagram socket. The process holding the lock (flock, exclusive) is the
// running copy: the lock is taken or found taken in one step, so two copies
// started at once cannot both miss each other, and it goes with the process,
// so a crashed copy leaves nothing that stops the next one. The holder reads
// the socket; a datagram of the one byte 'F' asks it to bring its window
// forward, and 'A' followed by an activation token (a startup identifier
// or a Wayland activation token: 1 to 255 printable characters, no spaces)
// asks the same with the token the desktop gave the asking start. Anything
// else is dropped. An asking socket with an address of its own (an
// abstract one the kernel picks) is answered with one byte once the holder
// knows: 'Y' when the desktop gave its window the focus, 'N' when it did
// not.
#pragma once

#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <utility>

namespace zorbel::standin {

// The per-user folder: $XDG_RUNTIME_DIR/zorbel, else zorbel in the user's
// cache folder ($XDG_CACHE_HOME, else ~/.cache); created with mode 0700 if
// missing. Empty, with the reason in `why`,
// when it cannot be made or is not a folder of the user's with mode 0700
// (someone else's could hand us their socket).
std::string DefaultInstanceDirectory(std::string *why);
bool IsPrivateDirectory(const std::string &directory, std::string *why = nullptr);

// The socket path of a window class in a folder (the lock is beside it, with
// ".lock" for ".sock"); empty if it would not fit in a socket address.
std::string InstanceSocketPath(const std::string &directory, const std::string &className);

class InstanceClaim {
public:
    enum class Outcome {
        Claimed,       // this process is now the copy of the class
        HeldElsewhere, // another process is
        Unavailable,   // cannot tell (reason in `why`)
    };
    static Outcome Claim(const std::string &directory, const std::string &className,
                         std::unique_ptr<InstanceClaim> *claim, std::string *why);
    ~InstanceClaim();
    InstanceClaim(const InstanceClaim &) = delete;
    InstanceClaim &operator=(const InstanceClaim &) = delete;

    // Reads what is waiting, without ever blocking; true when another copy
    // asked this one to come forward, with the last request's activation
    // token in `activation` (empty for none).
    bool Asked(std::string *activation);
    // Tells the last asker, where it can be answered, whether the window got
    // the focus; once.
    void Answer(bool focused);
    // Makes the lock file and the socket anew where they were taken away or
    // replaced since, as far as nobody else holds them.
    void Repair();

private:
    InstanceClaim(int lock, int socket, std::string path);
    void NoteSocket();
    bool OwnSocketFile() const;

    int lock_;
    int socket_;
    sockaddr_un asker_{}; // the last asker's address; its length 0 for none
    socklen_t askerLength_ = 0;
    std::string path_;
    std::pair<dev_t, ino_t> socketFile_; // the file bind made, {0, 0} for none
};

// Whether `token` can go with a request (see above).
bool IsActivationToken(const std::string &token);
// Asks the copy holding the class to come forward, with the activation
// token where there is one that can go with it; false when its socket took
// no request within the timeout. With `answer`, waits up to
// `answerTimeoutMs` more for the copy to say whether it got the focus.
enum class ForwardAnswer {
    None,    // no answer came (a copy that does not answer, or too late)
    Focused, // the desktop gave the running copy the focus
    Refused, // it did not: the running copy asks for attention instead
};
bool AskToComeForward(const std::string &directory, const std::string &className, int timeoutMs,
                      const std::string &activation = std::string(),
                      ForwardAnswer *answer = nullptr, int answerTimeoutMs = 0);

} // namespace zorbel::standin
