// The record of platform calls that tests and the tracer read.
#pragma once

#include "platform/standin/ddraw.h"
#include "platform/standin/winuser.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zorbel::standin {

class CallLog {
public:
    bool enabled = true;
    std::vector<std::string> lines;
    unsigned long long clears = 0; // so a line opened before a clear is not finished after it
};

CallLog &Log();

// Builds one line of the log. A call's line is opened when the call starts,
// so that calls it makes in turn (a window procedure run by CreateWindowExA,
// for example) come after it; its result is appended when it returns.
class LogLine {
public:
    explicit LogLine(const char *name);
    LogLine(const LogLine &) = delete;
    LogLine &operator=(const LogLine &) = delete;

    bool On() const { return index_ != kOff; }

    LogLine &Int(long long value);
    LogLine &Hex(unsigned long long value);
    LogLine &Colour(COLORREF value);
    LogLine &Str(const char *text);       // quoted, or null
    LogLine &Resource(const char *name);  // a number for MAKEINTRESOURCE, else quoted
    LogLine &Handle(const void *handle);
    LogLine &Rect(const RECT *rect);      // l,t,r,b or null
    LogLine &Point(POINT point);          // x,y
    LogLine &Message(const MSG &msg);     // hwnd name wParam lParam
    LogLine &Result(long long value);     // " -> value"
    LogLine &ResultHr(HRESULT hr);        // " -> DD_OK" ...
    LogLine &ResultHandle(const void *handle);
    LogLine &Word(const char *text);      // a bare word

private:
    static constexpr std::size_t kOff = static_cast<std::size_t>(-1);
    std::string &Text();
    std::size_t index_ = kOff;
    unsigned long long clears_ = 0;
};

std::string HandleName(const void *handle);
std::string HresultName(HRESULT hr);
std::string MessageName(UINT message);

} // namespace zorbel::standin
