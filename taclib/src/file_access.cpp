#include "file_access.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#include <cstdio>

#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include "common/own_file.h"
#endif

// The installed data folder relative to the folder of the program,
// "../share/zorbel" for the usual layout; set by the build.
#ifndef TACLIB_DATA_FROM_PROGRAM
#define TACLIB_DATA_FROM_PROGRAM ""
#endif

namespace taclib {

namespace {

#if defined(_WIN32)
bool IsSeparator(char c) { return c == '/' || c == '\\'; }
const char kSeparator[] = "\\";
#else
bool IsSeparator(char c) { return c == '/'; }
const char kSeparator[] = "/";
#endif

// The folder part of a path: everything before its last separator.
std::string FolderOf(const std::string &path)
{
    std::size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1]))
        --end;
    while (end > 1 && IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

// The folder of the running program, or "" when it cannot be found out.
std::string ProgramFolder()
{
#if defined(_WIN32)
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD got = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0)
            return std::string();
        if (got < buffer.size())
            return FolderOf(std::string(buffer.data(), got));
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
#elif defined(__linux__)
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got <= 0)
            return std::string();
        if (static_cast<std::size_t>(got) < buffer.size())
            return FolderOf(std::string(buffer.data(), static_cast<std::size_t>(got)));
        if (buffer.size() >= 65536)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
#else
    return std::string();
#endif
}

// folder joined with a relative path, each leading ".." taking off one
// component of folder, so that the result reads as a plain folder.
std::string Join(std::string folder, std::string relative)
{
    while (relative.compare(0, 3, "../") == 0 || relative == "..") {
        std::string parent = FolderOf(folder);
        if (parent.empty() || parent == folder)
            break;
        folder = parent;
        relative.erase(0, relative.size() > 2 ? 3 : 2);
    }
    if (relative.empty())
        return folder;
    return folder + (IsSeparator(folder.back()) ? "" : kSeparator) + relative;
}

#if !defined(_WIN32)
std::string Describe(mode_t mode)
{
    if (S_ISDIR(mode))
        return "it is a folder, not a file";
    if (S_ISFIFO(mode))
        return "it is a FIFO, not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    return "it is not a regular file";
}
#endif

} // namespace

bool HasFolder(const char *name)
{
    for (const char *c = name; *c != '\0'; ++c) {
        if (IsSeparator(*c))
            return true;
#if defined(_WIN32)
        if (*c == ':')
            return true; // a drive
#endif
    }
    return false;
}

bool TrustedProject(const std::string &path, std::string *why)
{
#if defined(_WIN32)
    (void)path;
    (void)why;
    return true;
#else
    // Another user's project could start the strongest force at once and
    // hold it; the system's own files (root's) are trusted as the program
    // itself is. A group that is not the user's own counts as other users.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return true; // reading it says why
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
        *why = "it belongs to another user";
        return false;
    }
    if ((info.st_mode & S_IWOTH) != 0 ||
        ((info.st_mode & S_IWGRP) != 0 && info.st_gid != ::getegid())) {
        *why = "other users can change it";
        return false;
    }
    return true;
#endif
}

std::vector<std::string> ProjectPlaces(const std::string &name)
{
    std::vector<std::string> places{name};
    const std::string program = ProgramFolder();
    if (program.empty())
        return places;
    places.push_back(Join(program, name));
    const std::string data = TACLIB_DATA_FROM_PROGRAM;
    if (!data.empty())
        places.push_back(Join(Join(program, data), name));
    return places;
}

bool PathExists(const std::string &path)
{
#if defined(_WIN32)
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
#endif
}

#if defined(_WIN32)

bool ReadRegularFile(const std::string &path, std::size_t maxBytes, std::vector<char> *bytes,
                     std::string *why)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    struct _stat info;
    if (_fstat(_fileno(f), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        (void)std::fclose(f);
        *why = "cannot open the file: it is not a regular file";
        return false;
    }
    bytes->resize(maxBytes + 1);
    std::size_t got = std::fread(bytes->data(), 1, bytes->size(), f);
    bool failed = std::ferror(f) != 0;
    int error = errno;
    (void)std::fclose(f); // read-only: nothing to lose on close
    if (failed) {
        *why = std::string("cannot read the file: ") + std::strerror(error);
        return false;
    }
    bytes->resize(got);
    return true;
}

void AppendToRegularFile(const char *path, const std::string &text)
{
    std::FILE *f = std::fopen(path, "ab");
    if (f == nullptr)
        return; // an unwritable log must not change what the library does
    (void)std::fwrite(text.data(), 1, text.size(), f);
    (void)std::fclose(f);
}

#else

bool ReadRegularFile(const std::string &path, std::size_t maxBytes, std::vector<char> *bytes,
                     std::string *why)
{
    // Looked at before opening, so that no device is ever opened; the opened
    // file is checked again, as the path may have changed in between. Opening
    // without blocking keeps a FIFO put in its place from holding us up.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = "cannot open the file: " + Describe(info.st_mode);
        return false;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        (void)::close(fd);
        *why = "cannot open the file: " + Describe(info.st_mode);
        return false;
    }
    bytes->resize(maxBytes + 1);
    std::size_t got = 0;
    while (got < bytes->size()) {
        ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            (void)::close(fd);
            *why = std::string("cannot read the file: ") + std::strerror(error);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    (void)::close(fd); // read-only: nothing to lose on close
    bytes->resize(got);
    return true;
}

void AppendToRegularFile(const char *path, const std::string &text)
{
    // An unwritable log must not change what the library does, so a refusal
    // is silent.
    std::string why;
    (void)zorbel::AppendToOwnFile(path, text, &why);
}

#endif

} // namespace taclib
