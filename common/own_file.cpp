#include "common/own_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorbel {
namespace {

std::string Reason(const std::string &name, const char *what) { return "'" + name + "' " + what; }

} // namespace

bool AppendToOwnFile(const std::string &path, const std::string &text, std::string *why)
{
    if (path.empty() || path.back() == '/') {
        *why = "no file name";
        return false;
    }
    int folder = ::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t start = 0;
    for (std::size_t slash; folder >= 0 && (slash = path.find('/', start)) != std::string::npos;
         start = slash + 1) {
        const std::string name = path.substr(start, slash - start);
        if (name.empty() || name == ".")
            continue;
        const int next =
            ::openat(folder, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        (void)::close(folder);
        if (next < 0) {
            *why = Reason(name, error == ELOOP || error == ENOTDIR
                                    ? "is a symbolic link or not a folder"
                                    : std::strerror(error));
            return false;
        }
        folder = next;
    }
    if (folder < 0) {
        *why = std::strerror(errno);
        return false;
    }
    const std::string name = path.substr(start);
    const int fd = ::openat(
        folder, name.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0600);
    const int error = errno;
    (void)::close(folder);
    if (fd < 0) {
        *why = Reason(name, error == ELOOP ? "is a symbolic link" : std::strerror(error));
        return false;
    }
    std::string refused;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        refused = Reason(name, "is not a regular file");
    } else if (info.st_uid != ::geteuid()) {
        refused = Reason(name, "belongs to another user");
    } else {
        std::size_t done = 0;
        while (done < text.size() && refused.empty()) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                refused = Reason(name, n < 0 ? std::strerror(errno) : "took no more");
            else
                done += static_cast<std::size_t>(n);
        }
    }
    (void)::close(fd);
    if (refused.empty())
        return true;
    *why = refused;
    return false;
}

} // namespace zorbel
