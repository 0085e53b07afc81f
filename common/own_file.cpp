#include "common/own_file.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace zorbel {
namespace {

// As the kernel's own limit on links followed in one path.
constexpr int kMaxLinks = 40;

std::string Reason(const std::string &name, const char *what) { return "'" + name + "' " + what; }

void Split(const std::string &path, std::deque<std::string> *names, bool atFront)
{
    std::deque<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string name = path.substr(start, slash - start);
        if (!name.empty() && name != ".")
            parts.push_back(name);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    if (atFront)
        names->insert(names->begin(), parts.begin(), parts.end());
    else
        *names = parts;
}

class Walk {
public:
    Walk(int flags, mode_t mode, std::string *why, int *error)
        : flags_(flags), mode_(mode), why_(why), error_(error)
    {
    }
    ~Walk()
    {
        if (folder_ >= 0)
            (void)::close(folder_);
    }
    Walk(const Walk &) = delete;
    Walk &operator=(const Walk &) = delete;

    bool Open(const std::string &path, OpenedFile *out)
    {
        if (!StartAt(path[0] == '/' ? "/" : "."))
            return false;
        Split(path, &names_, false);
        if (names_.empty())
            return Fail(".", EISDIR, "is a folder");
        while (!names_.empty()) {
            const std::string name = names_.front();
            names_.pop_front();
            if (!(names_.empty() ? Last(name, out) : Step(name)))
                return false;
            if (out->fd >= 0)
                return true;
        }
        return Fail(".", EISDIR, "is a folder"); // a link to a folder, ending the path
    }

private:
    bool StartAt(const char *where)
    {
        const int next = ::open(where, O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            return Fail(where, errno, nullptr);
        if (folder_ >= 0)
            (void)::close(folder_);
        folder_ = next;
        return true;
    }

    bool Fail(const std::string &name, int error, const char *what)
    {
        *error_ = error;
        *why_ = Reason(name, what != nullptr ? what : std::strerror(error));
        return false;
    }

    // A folder on the way (or a link standing for one).
    bool Step(const std::string &name)
    {
        const int next = ::openat(folder_, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return Fail(name, errno, nullptr);
        struct stat info {};
        if (::fstat(next, &info) != 0) {
            const int error = errno;
            (void)::close(next);
            return Fail(name, error, nullptr);
        }
        if (S_ISLNK(info.st_mode))
            return Follow(name, next, info);
        if (!S_ISDIR(info.st_mode)) {
            (void)::close(next);
            return Fail(name, ENOTDIR, "is not a folder");
        }
        (void)::close(folder_);
        folder_ = next;
        return true;
    }

    // The name that ends the path: opened as asked, never through a link
    // that the rule refuses.
    bool Last(const std::string &name, OpenedFile *out)
    {
        const int fd = ::openat(folder_, name.c_str(), flags_ | O_NOFOLLOW | O_CLOEXEC, mode_);
        if (fd < 0 && errno != ELOOP)
            return Fail(name, errno, nullptr);
        if (fd >= 0) {
            out->fd = fd;
            struct stat folder {};
            if (::fstat(fd, &out->info) != 0 || ::fstat(folder_, &folder) != 0)
                return Fail(name, errno, nullptr);
            out->sharedFolder = OthersCanChange(folder);
            if (S_ISLNK(out->info.st_mode)) { // O_PATH opens the link itself
                const int link = out->fd;
                out->fd = -1;
                return Follow(name, link, out->info);
            }
            return true;
        }
        const int link = ::openat(folder_, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (link < 0)
            return Fail(name, errno, nullptr);
        struct stat info {};
        if (::fstat(link, &info) != 0) {
            const int error = errno;
            (void)::close(link);
            return Fail(name, error, nullptr);
        }
        if (!S_ISLNK(info.st_mode)) { // replaced in between: look again
            (void)::close(link);
            names_.push_front(name);
            return ++links_ <= kMaxLinks || Fail(name, ELOOP, nullptr);
        }
        return Follow(name, link, info);
    }

    // LINK (an O_PATH descriptor of the link itself, closed here) is followed
    // unless another user could have planted it.
    bool Follow(const std::string &name, int link, const struct stat &info)
    {
        struct stat folder {};
        const bool folderKnown = ::fstat(folder_, &folder) == 0;
        const bool ownerTrusted = info.st_uid == ::geteuid() || info.st_uid == 0;
        if (!folderKnown || (!ownerTrusted && OthersCanChange(folder))) {
            (void)::close(link);
            return Fail(name, EPERM, "is a symbolic link that another user could have planted");
        }
        if (++links_ > kMaxLinks) {
            (void)::close(link);
            return Fail(name, ELOOP, nullptr);
        }
        std::string target(4096, '\0');
        const ssize_t got = ::readlinkat(link, "", target.data(), target.size());
        const int error = errno;
        (void)::close(link);
        if (got <= 0 || static_cast<std::size_t>(got) >= target.size())
            return Fail(name, got < 0 ? error : ENAMETOOLONG, nullptr);
        target.resize(static_cast<std::size_t>(got));
        if (target[0] == '/' && !StartAt("/"))
            return false;
        Split(target, &names_, true);
        return true;
    }

    const int flags_;
    const mode_t mode_;
    std::string *const why_;
    int *const error_;
    int folder_ = -1;
    int links_ = 0;
    std::deque<std::string> names_;
};

} // namespace

bool OthersCanChange(const struct stat &folder)
{
    if (folder.st_uid != ::geteuid() && folder.st_uid != 0)
        return true;
    return (folder.st_mode & S_IWOTH) != 0 ||
           ((folder.st_mode & S_IWGRP) != 0 && folder.st_gid != ::getegid());
}

OpenedFile::~OpenedFile()
{
    if (fd >= 0)
        (void)::close(fd);
}

bool OpenUnplanted(const std::string &path, int flags, mode_t mode, OpenedFile *out,
                   std::string *why, int *error)
{
    if (path.empty() || path.back() == '/') {
        *why = "no file name";
        *error = EINVAL;
        return false;
    }
    Walk walk(flags, mode, why, error);
    return walk.Open(path, out);
}

int ReopenForReading(int place)
{
    // The descriptor's entry in /proc leads to the file itself, not to its
    // name, so a name swapped since cannot be opened instead.
    const std::string self = "/proc/self/fd/" + std::to_string(place);
    return ::open(self.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

bool AppendToOwnFile(const std::string &path, const std::string &text, std::string *why)
{
    OpenedFile file;
    int error = 0;
    if (!OpenUnplanted(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY, 0600, &file,
                       why, &error))
        return false;
    const std::string name = path.substr(path.rfind('/') + 1);
    if (!S_ISREG(file.info.st_mode)) {
        *why = Reason(name, "is not a regular file");
        return false;
    }
    if (file.info.st_uid != ::geteuid()) {
        *why = Reason(name, "belongs to another user");
        return false;
    }
    // Another user can give a file of ours a second name in a folder they
    // write into, and have us append to it by that name.
    if (file.info.st_nlink > 1 && file.sharedFolder) {
        *why = Reason(name, "has other names (hard links) and lies in a folder others can change");
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file.fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string took =
                "took " + std::to_string(done) + " of " + std::to_string(text.size()) + " bytes: ";
            *why = Reason(name, (took + (n < 0 ? std::strerror(errno) : "no room")).c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace zorbel
