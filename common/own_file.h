// Opening a file that a user names (a log, an effect project), where someone
// else may have prepared the path to have the program read or write what it
// was never meant to.
#pragma once

#include <string>
#include <sys/stat.h>

namespace zorbel {

// Whether users other than this one (root aside) can change what a folder
// holds: it belongs to another user, everyone may write into it, or a group
// other than the user's own may.
bool OthersCanChange(const struct stat &folder);

// What OpenUnplanted opened: the descriptor (closed by the destructor), what
// fstat says of it, and whether the folder holding it is one that others can
// change.
struct OpenedFile {
    OpenedFile() = default;
    OpenedFile(const OpenedFile &) = delete;
    OpenedFile &operator=(const OpenedFile &) = delete;
    ~OpenedFile();

    int fd = -1;
    struct stat info {};
    bool sharedFolder = false;
};

// Opens PATH with FLAGS (MODE when creating), one name at a time from "/" or
// the current folder, so that what is checked is what is used. A symbolic
// link is followed unless another user could have planted it: one that
// belongs neither to this user nor to root, in a folder others can change.
// With FLAGS O_PATH the file itself is opened without being read or
// written, whatever it is, so that it can be looked at first. On failure
// returns false with the reason in WHY and the errno value in ERROR (ENOENT
// for a name that is not there, EPERM for a link refused by that rule).
bool OpenUnplanted(const std::string &path, int flags, mode_t mode, OpenedFile *out,
                   std::string *why, int *error);

// A descriptor for reading the regular file that PLACE (an O_PATH descriptor)
// stands for: the same file, whatever has become of its name. -1 on failure.
int ReopenForReading(int place);

// Appends TEXT to the file at PATH, made if missing (mode 0600), in one
// write. Refused, with the reason in WHY: a link another user could have
// planted anywhere in the path, a file that is not a regular one (a FIFO is
// opened without blocking and let go), a file of another user, a file with
// other names (hard links) in a folder others can change, and a write that
// the file does not take whole (a full disk). Relative paths start at the
// current folder. A folder needs only to be searchable, as for an ordinary
// open.
bool AppendToOwnFile(const std::string &path, const std::string &text, std::string *why);

} // namespace zorbel
