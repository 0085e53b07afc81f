// The library's dealings with files: finding and reading an effect project,
// and appending to the call log. Neither may ever block: a FIFO, a device or
// a directory in place of a file is refused, not waited on.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace taclib {

// True when the name holds a folder (an absolute or relative path), and so is
// opened as it is, without looking it up.
bool HasFolder(const char *name);

// Where a project name without a folder is looked up, in this order: the
// current folder, the folder of the running program, and (outside Windows)
// the program's installed data folder. Folders that cannot be found out are
// left out.
std::vector<std::string> ProjectPlaces(const std::string &name);

// Whether a project found by looking it up may be read: not when it belongs
// to another user (root aside) or other users can change it; *why says
// which. Always true on Windows.
bool TrustedProject(const std::string &path, std::string *why);

// Whether anything (a file or not) exists under the path.
bool PathExists(const std::string &path);

// Reads a regular file of at most maxBytes + 1 bytes into *bytes (the one byte
// over the limit marks a file that is too large). Anything that is not a
// regular file is refused without waiting on it. On failure *why says why.
bool ReadRegularFile(const std::string &path, std::size_t maxBytes, std::vector<char> *bytes,
                     std::string *why);

// Appends text to the file at path, creating it when missing. Never waits:
// a path that names anything but a regular file gets nothing.
void AppendToRegularFile(const char *path, const std::string &text);

} // namespace taclib
