// Appending to a file that a user names (a log), where someone else may have
// prepared the path to have the program write where it was never meant to.
#pragma once

#include <string>

namespace zorbel {

// Appends TEXT to the file at PATH, made if missing (mode 0600), in one
// write. Refused, with the reason in WHY: a symbolic link anywhere in the
// path (each folder is opened in turn without following links), a file that
// is not a regular one (a FIFO is opened without blocking and let go), and
// a file of another user. Relative paths start at the current folder. A
// folder needs only to be searchable, as for an ordinary open.
bool AppendToOwnFile(const std::string &path, const std::string &text, std::string *why);

} // namespace zorbel
