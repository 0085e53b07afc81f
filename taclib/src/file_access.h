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

// What became of reading a project at one place.
enum class ProjectRead {
    kRead,      // *bytes holds it
    kMissing,   // nothing of that name is there
    kUntrusted, // another user could have chosen it; *why says how
    kFailed,    // it is there but cannot be read; *why says why
};

// Reads the regular file at path, of at most maxBytes + 1 bytes (the one byte
// over the limit marks a file that is too large), opening it once and reading
// what was opened. Anything that is not a regular file is refused without
// being opened. Outside Windows a link another user could have planted on the
// way is refused, and with checkOwner so is a file that belongs to another
// user (root aside) or that other users can change: whoever can write into a
// shared folder must not choose the force the user's hand gets.
ProjectRead ReadProjectFile(const std::string &path, bool checkOwner, std::size_t maxBytes,
                            std::vector<char> *bytes, std::string *why);

// Appends text to the file at path, creating it when missing. Never waits:
// a path that names anything but a regular file gets nothing.
void AppendToRegularFile(const char *path, const std::string &text);

} // namespace taclib
