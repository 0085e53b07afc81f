#include "file_access.h"

#include <atomic>
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

#include "notice.h"

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

#if defined(_WIN32)

ProjectRead ReadProjectFile(const std::string &path, bool checkOwner, std::size_t maxBytes,
                            std::vector<char> *bytes, std::string *why)
{
    // A Windows user's files are kept by the system's own rights: only
    // whether the file is there counts.
    if (checkOwner && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return ProjectRead::kMissing;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return ProjectRead::kFailed;
    }
    struct _stat info;
    if (_fstat(_fileno(f), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        (void)std::fclose(f);
        *why = "cannot open the file: it is not a regular file";
        return ProjectRead::kFailed;
    }
    bytes->resize(maxBytes + 1);
    std::size_t got = std::fread(bytes->data(), 1, bytes->size(), f);
    bool failed = std::ferror(f) != 0;
    int error = errno;
    (void)std::fclose(f); // read-only: nothing to lose on close
    if (failed) {
        *why = std::string("cannot read the file: ") + std::strerror(error);
        return ProjectRead::kFailed;
    }
    bytes->resize(got);
    return ProjectRead::kRead;
}

void AppendToRegularFile(const char *path, const std::string &text)
{
    // An unwritable log must not change what the library does; the user is
    // told once, outside the log, which cannot carry it.
    static std::atomic<bool> told{false};
    std::FILE *f = std::fopen(path, "ab");
    const char *why = nullptr;
    if (f == nullptr) {
        why = "cannot open it";
    } else {
        const bool whole = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        if (std::fclose(f) != 0 || !whole)
            why = "it did not take the whole line (is the disk full?)";
    }
    if (why != nullptr && !told.exchange(true))
        NoticeOutsideLog("the call log " + std::string(path) + " is not written: " + why);
}

#else

namespace {

// Why a project found by looking it up is not trusted, or "" when it is.
// Another user's project could start the strongest force at once and hold
// it; the system's own files (root's) are trusted as the program itself is.
// A group that is not the user's own counts as other users.
std::string Distrust(const struct stat &info)
{
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return "it belongs to another user";
    if ((info.st_mode & S_IWOTH) != 0 ||
        ((info.st_mode & S_IWGRP) != 0 && info.st_gid != ::getegid()))
        return "other users can change it";
    return std::string();
}

} // namespace

ProjectRead ReadProjectFile(const std::string &path, bool checkOwner, std::size_t maxBytes,
                            std::vector<char> *bytes, std::string *why)
{
    // Opened once, as a place only, so that no device or FIFO is ever opened
    // for reading; what is checked and then read is that very file, whatever
    // is done to its name meanwhile.
    zorbel::OpenedFile place;
    int error = 0;
    std::string reason;
    if (!zorbel::OpenUnplanted(path, O_PATH, 0, &place, &reason, &error)) {
        if (error == ENOENT && checkOwner)
            return ProjectRead::kMissing;
        if (error == EPERM) {
            *why = reason;
            return ProjectRead::kUntrusted;
        }
        *why = "cannot open the file: " + std::string(std::strerror(error));
        return ProjectRead::kFailed;
    }
    if (!S_ISREG(place.info.st_mode)) {
        *why = "cannot open the file: " + Describe(place.info.st_mode);
        return ProjectRead::kFailed;
    }
    if (checkOwner && !(*why = Distrust(place.info)).empty())
        return ProjectRead::kUntrusted;
    const int fd = zorbel::ReopenForReading(place.fd);
    if (fd < 0) {
        *why = std::string("cannot open the file: ") + std::strerror(errno);
        return ProjectRead::kFailed;
    }
    bytes->resize(maxBytes + 1);
    std::size_t got = 0;
    while (got < bytes->size()) {
        ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int failure = errno;
            (void)::close(fd);
            *why = std::string("cannot read the file: ") + std::strerror(failure);
            return ProjectRead::kFailed;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    (void)::close(fd); // read-only: nothing to lose on close
    bytes->resize(got);
    return ProjectRead::kRead;
}

void AppendToRegularFile(const char *path, const std::string &text)
{
    // An unwritable log must not change what the library does; the user is
    // told once, outside the log, which cannot carry it.
    std::string why;
    static std::atomic<bool> told{false};
    if (!zorbel::AppendToOwnFile(path, text, &why) && !told.exchange(true))
        NoticeOutsideLog("the call log " + std::string(path) + " is not written: " + why);
}

#endif

} // namespace taclib
