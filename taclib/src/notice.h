// Notices: the one line a user reads when the force they expect cannot be
// felt (no device, a device that cannot be opened, a project that is
// refused). Outside Windows each goes to standard error as
// "PROGRAM: TEXT", PROGRAM being the running program's name; a Windows
// program has no standard error, so there it goes to the debugger's output.
// Each text is said once per process, however often the cause repeats; the
// call log has it too.
#pragma once

#include <string>

namespace taclib {

void Notice(const std::string &text);

// The same line, every time it is called, and not in the call log: for what
// concerns the log itself.
void NoticeOutsideLog(const std::string &text);

} // namespace taclib
