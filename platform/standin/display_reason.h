// Why no display could be opened, in one line a terminal shows as it is.
#pragma once

#include <string>

namespace zorbel::standin {

// The reason from the environment (DISPLAY, WAYLAND_DISPLAY), what SDL said
// and what Xlib wrote on standard error while trying.
std::string NoDisplayReason(const std::string &sdlError, const std::string &xlibSaid);

// Holds what is written on standard error from Start to Stop, which returns
// it: Xlib says its complaints there itself, once for every try.
class ErrorCapture {
public:
    void Start();
    std::string Stop();

private:
    int saved_ = -1;
    int held_ = -1;
};

// Writes the lines of `text` to standard error, each only once.
void RepeatOnce(const std::string &text);

} // namespace zorbel::standin
